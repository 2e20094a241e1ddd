#include "support/TempDir.h"

#include <atomic>
#include <filesystem>
#include <random>
#include <string>

#include "ui/SysUtils.h"

namespace fs = std::filesystem;

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device rd;
  fs::path base = fs::temp_directory_path();
  for (;;) {
    fs::path p = base / ("tw-test-" + std::to_string(rd()) + "-" + std::to_string(counter++));
    std::error_code ec;
    if (fs::create_directory(p, ec)) {
      path_ = p.u16string();
      for (auto& c : path_)
        if (c == u'\\') c = u'/';
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(fs::path(path_), ec);
}
