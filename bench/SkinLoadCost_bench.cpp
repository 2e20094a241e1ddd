// The cost of a skin load (four PPI slots: 96, 120, 144, 192) against the size of the skin:
// the number of sections, the depth of a PARENTCLASS chain, the pixels of its pictures, and a
// large options text. Each load runs in a child process of its own, so its peak memory is its
// own (the child's largest resident size). Per row: milliseconds, peak MB, and the cost per
// unit of size, which stays flat when the load grows linearly.
// Run: build/bench/bench/SkinLoadCost_bench
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "skin/sSkinManagerLoader.h"

namespace {

namespace fs = std::filesystem;

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// A 32-bit BMP of w x h in a few colours.
void WriteBmp(const fs::path& path, int w, int h) {
  std::vector<unsigned char> b(54 + size_t(w) * h * 4);
  const auto le32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (unsigned char)(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  le32(2, uint32_t(b.size()));
  le32(10, 54);
  le32(14, 40);
  le32(18, uint32_t(w));
  le32(22, uint32_t(h));
  b[26] = 1;
  b[28] = 32;
  for (size_t i = 54; i < b.size(); i += 4) {
    b[i] = (unsigned char)(i * 7);
    b[i + 1] = (unsigned char)(i >> 9);
    b[i + 2] = 0x80;
    b[i + 3] = 0xFF;
  }
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

const char* kGlobal = "[GLOBALINFO]\nVERSION=16.22\n";

// A section as real skins write them: a dozen keys.
std::string Section(const std::string& name, const std::string& parent) {
  std::string s = "[" + name + "]\n";
  if (!parent.empty()) s += "PARENTCLASS=" + parent + "\n";
  s += "COLOR=0x123456\nFONTCOLOR=0\nHOTCOLOR=0x654321\nSTATES=3\nGLOW=2\nTRANSPARENCY=10\n";
  s += "GRADIENTDATA=0;16777215;0;50;255;0;\nBORDERWIDTH=1\nOUTOFFSL=3\nTCLEFT=-1\n";
  return s;
}

struct Result {
  double ms = 0;
  double peakMB = 0;
  bool refused = false;
};

// Loads the skin of folder dir/name at four PPIs in a child process.
Result Measure(const fs::path& dir, const std::string& name) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(pipeFds[0]);
    Result r;
    DuRiruZireziv manager(nullptr);
    TkvSkinSet set;
    set.Settings.SkinDirectory = Utf8ToString(dir.string() + "/");
    set.Settings.SkinName = Utf8ToString(name);
    const auto t0 = std::chrono::steady_clock::now();
    try {
      manager.LoadSkin(set, {96, 120, 144, 192});
    } catch (const ESkinRefused&) { r.refused = true; }
    r.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    r.peakMB = double(u.ru_maxrss) / 1024.0;
    (void)!write(pipeFds[1], &r, sizeof r);
    _exit(0);
  }
  close(pipeFds[1]);
  Result r;
  (void)!read(pipeFds[0], &r, sizeof r);
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return r;
}

void Row(const char* what, long long size, const char* unit, const Result& r, double perUnit) {
  std::printf("%-28s %9lld %-9s %9.1f ms %8.1f MB %s", what, size, unit, r.ms, r.peakMB,
              r.refused ? "refused" : "loaded ");
  if (perUnit > 0) std::printf("  %8.3f us per %s", r.ms * 1000.0 / perUnit, unit);
  std::printf("\n");
}

}  // namespace

int main() {
  const fs::path dir = fs::temp_directory_path() / ("tw-skin-load-cost-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const auto skin = [&](const std::string& name, const std::function<void(const fs::path&)>& fill) {
    fs::create_directories(dir / name);
    fill(dir / name);
    return name;
  };
  // A baseline: the skin of one section.
  const std::string empty = skin("Empty", [](const fs::path& p) { WriteText(p / "Options.dat", kGlobal); });
  const Result base = Measure(dir, empty);
  Row("one section", 1, "section", base, 0);

  for (const int n : {500, 1000, 2000, 4000}) {
    const std::string name = skin("Sections" + std::to_string(n), [&](const fs::path& p) {
      std::string text = kGlobal;
      for (int i = 0; i < n; ++i) text += Section("S" + std::to_string(i), i % 4 ? "S" + std::to_string(i - 1) : "");
      WriteText(p / "Options.dat", text);
    });
    Row("sections (chains of 4)", n, "section", Measure(dir, name), n);
  }
  for (const int depth : {500, 1000, 2000, 4000}) {
    const std::string name = skin("Chain" + std::to_string(depth), [&](const fs::path& p) {
      std::string text = kGlobal;
      for (int i = 0; i < depth; ++i) text += Section("C" + std::to_string(i), i ? "C" + std::to_string(i - 1) : "");
      WriteText(p / "Options.dat", text);
    });
    Row("one PARENTCLASS chain", depth, "section", Measure(dir, name), depth);
  }
  for (const int loopFan : {2000}) {
    const std::string name = skin("Loop" + std::to_string(loopFan), [&](const fs::path& p) {
      std::string text = kGlobal;
      text += "[LA]\nPARENTCLASS=LB\n[LB]\nPARENTCLASS=LA\n";
      for (int i = 0; i < loopFan; ++i)
        text += "[F" + std::to_string(i) + "]\nPARENTCLASS=L" + (i % 2 ? "A" : "B") + "\n";
      WriteText(p / "Options.dat", text);
    });
    Row("sections into a loop", loopFan, "section", Measure(dir, name), loopFan);
  }
  for (const int side : {256, 512, 1024, 1448}) {
    const std::string name = skin("Pixels" + std::to_string(side), [&](const fs::path& p) {
      // Four pictures of side x side / 4, each the border of a section, rescaled for each PPI.
      std::string text = kGlobal;
      for (int i = 0; i < 4; ++i) {
        const std::string file = "P" + std::to_string(i) + ".BMP";
        WriteBmp(p / file, side, side / 4);
        text += "[B" + std::to_string(i) + "]\nBORDERSMASK=!" + file + "!1!0!0!0004!0004!0004!0004!0\n";
      }
      WriteText(p / "Options.dat", text);
    });
    const long long pixels = (long long)side * side;
    Row("picture pixels", pixels / 1000, "kpx", Measure(dir, name), double(pixels) / 1000);
  }
  // Large options texts: one just within the text limit (sections of long values) and one of
  // 9 MB (refused before it is read).
  const std::string large = skin("LargeText", [](const fs::path& p) {
    std::string text = kGlobal;
    const std::string value(1000, 'x');
    for (int i = 0; text.size() + 800 < size_t(kMaxOptionsBytes); ++i)
      text += "[T" + std::to_string(i) + "]\nDESCRIPTION=" + value + "\nPARENTCLASS=T" + std::to_string(i / 2) + "\n";
    WriteText(p / "Options.dat", text);
  });
  Row("options text (bytes)", (long long)fs::file_size(dir / large / "Options.dat"), "byte", Measure(dir, large), 0);
  const std::string nine = skin("NineMB", [](const fs::path& p) {
    std::string text = kGlobal;
    for (int i = 0; text.size() < (size_t(9) << 20); ++i) text += "[" + std::to_string(i) + "]\n";
    WriteText(p / "Options.dat", text);
  });
  Row("9 MB of empty sections", (long long)fs::file_size(dir / nine / "Options.dat"), "byte", Measure(dir, nine), 0);
  fs::remove_all(dir);
  return 0;
}
