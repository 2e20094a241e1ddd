// PNG pictures read from the resources of a module.
#include <windows.h>

#include <gtest/gtest.h>

#include "kvPNG.h"
#include "support/PngExpect.h"
#include "support/PngWriter.h"
#include "support/TempDir.h"

using namespace testpng;

namespace {

// A copy of this test program with the given RCDATA resources added, opened as a data file.
class ModuleWithResources {
 public:
  ModuleWithResources(const TempDir& dir, const std::vector<std::pair<const wchar_t*, Bytes>>& resources) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    path_ = reinterpret_cast<const wchar_t*>(dir.Path().c_str()) + std::wstring(L"\\with-resources.exe");
    EXPECT_TRUE(CopyFileW(self, path_.c_str(), FALSE));
    HANDLE update = BeginUpdateResourceW(path_.c_str(), FALSE);
    EXPECT_NE(update, nullptr);
    for (auto& [name, bytes] : resources)
      EXPECT_TRUE(UpdateResourceW(update, MAKEINTRESOURCEW(10), name, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                  const_cast<Byte*>(bytes.data()), static_cast<DWORD>(bytes.size())));
    EXPECT_TRUE(EndUpdateResourceW(update, FALSE));
    module_ = LoadLibraryExW(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_NE(module_, nullptr);
  }
  ~ModuleWithResources() {
    if (module_) FreeLibrary(module_);
  }
  HINSTANCE Handle() const { return module_; }

 private:
  std::wstring path_;
  HMODULE module_ = nullptr;
};

}  // namespace

TEST(PNGResource, LoadsTheNamedRCDATAResource) {
  TempDir dir;
  const Image img = RandomImage(12, 9, 6, 8, 40);
  ModuleWithResources module(dir, {{L"TESTPNG", Encode(img)}, {L"NOTAPNG", Bytes(40, 'x')}});
  ASSERT_NE(module.Handle(), nullptr);

  TPNGGraphic png;
  png.LoadFromResourceName(module.Handle(), u"TESTPNG");
  EXPECT_EQ(CompareWithReference(png, Reference::Of(img)), "");

  try {
    png.LoadFromResourceName(module.Handle(), u"NOTAPNG");
    FAIL() << "no error";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), u"Cannot load image. Invalid or unexpected PNG image format.");
  }
  EXPECT_THROW(png.LoadFromResourceName(module.Handle(), u"NOSUCHNAME"), EResNotFound);
}
