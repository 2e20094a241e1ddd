// Loading skins: the program's skin Glimmerveil from its folder and from its packed file at
// 96 PPI, the slots added afterwards for 144 and 192 PPI, a section found by name, and a
// synthetic skin at three sizes to show that a load grows linearly with the skin. Each line
// stands beside a yardstick of the same run: decoding the skin's pictures alone (the part of a
// load no loader avoids), and a plain scan of the section names.
// Run: build/win32/wine-run.sh build/win32/bench/SkinLoad_bench.exe
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "BenchTiming.h"
#include "base/kvntUtils.h"
#include "images/kvPNG.h"
#include "skin/sSkinManagerLoader.h"
#include "support/SkinFiles.h"
#include "ui/SysUtils.h"

using bench::MsPerCall;
using bench::NsPerCall;
using namespace skinfiles;

namespace {

TkvSkinLoadSettings Settings(const String& folder, const String& name) {
  TkvSkinLoadSettings s;
  s.SkinDirectory = folder;
  s.SkinName = name;
  return s;
}

// Decoding every PNG picture of a folder: the yardstick of a load.
double DecodeAll(const String& folder) {
  std::vector<Bytes> files;
  for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(std::u16string(folder))))
    if (e.path().extension() == ".PNG" || e.path().extension() == ".png")
      files.push_back(ReadFile(String(e.path().u16string())));
  return MsPerCall(3, [&] {
    for (const auto& f : files) {
      TReadOnlyMemoryStream s(f.data(), Int64(f.size()));
      TBitmap bmp;
      LoadBmpFromPngStream(bmp, s);
    }
  });
}

// A skin of `sections` sections in chains of three (each section's PARENTCLASS is the one
// before it, every third starts a chain), five pictures each from one master bitmap.
SkinFiles Synthetic(Integer sections) {
  SkinFiles f;
  f.Set("GLOBALINFO", "VERSION", "16.22").Set("GLOBALINFO", "MASTERBITMAP", "M.PNG");
  auto master = Picture(512, 512, 0xFF6080A0);
  f.Png("M.PNG", *master);
  for (Integer i = 0; i < sections; ++i) {
    const std::string name = "S" + std::to_string(i);
    if (i % 3) f.Set(name, "PARENTCLASS", "S" + std::to_string(i - 1));
    f.Set(name, "COLOR", i * 1000).Set(name, "STATES", "3").Set(name, "HOTCOLOR", i * 7);
    const char* keys[] = {"BORDERSMASK", "PATTERN", "HOTPATTERN", "GLYPHMASK", "IMGTOPLEFT"};
    for (Integer k = 0; k < 5; ++k) {
      char ref[64];
      const Integer x = (i * 5 + k) % 16 * 32, y = (i * 5 + k) / 16 % 16 * 32;
      std::snprintf(ref, sizeof ref, "^%04d^%04d^%04d^%04d^0004^0004^0004^0004^1^0^01", x, y, x + 30, y + 30);
      f.Set(name, keys[k], ref);
    }
  }
  return f;
}

}  // namespace

int main() {
  const String data = GetAppPath() + u"..\\bin\\data\\";
  DuRiruZireziv manager(nullptr);

  // The packed file alone in a folder, so the folder skin does not win.
  TempDir packedDir;
  WriteFile(Join(packedDir.Path(), "Glimmerveil.kpz"), ReadFile(data + u"Glimmerveil.kpz"));
  const auto load = [&](const String& folder, std::vector<Integer> ppis) {
    return [&manager, folder, ppis] {
      TkvSkinSet set;
      set.Settings = Settings(folder, u"Glimmerveil");
      if (manager.LoadSkin(set, ppis) != slsLoaded) std::abort();
    };
  };
  const double decode = DecodeAll(data + u"Glimmerveil\\");
  const double folder96 = MsPerCall(5, load(data, {96}));
  const double packed96 = MsPerCall(5, load(packedDir.Path() + u"/", {96}));
  const double folderAll = MsPerCall(3, load(data, {96, 144, 192}));

  // Slots added to a skin already in force.
  TkvSkinSet current;
  current.Settings = Settings(packedDir.Path() + u"/", u"Glimmerveil");
  if (manager.LoadSkin(current, {96}) != slsLoaded) return 1;
  manager.TakeSkin(current);
  const double slot144 = MsPerCall(5, [&] { manager.ReloadSkin(144); });
  const double slot192 = MsPerCall(5, [&] { manager.ReloadSkin(192); });

  std::printf("%-52s %10s %10s\n", "Glimmerveil", "ms", "x decode");
  std::printf("%-52s %10.2f %10.2f\n", "decoding its PNG pictures, all densities (yardstick)", decode, 1.0);
  std::printf("%-52s %10.2f %10.2f\n", "load from the folder at 96 PPI", folder96, folder96 / decode);
  std::printf("%-52s %10.2f %10.2f\n", "load from the packed file at 96 PPI (goal < 100)", packed96, packed96 / decode);
  std::printf("%-52s %10.2f %10.2f\n", "load from the folder at 96, 144 and 192 PPI", folderAll, folderAll / decode);
  std::printf("%-52s %10.2f %10.2f\n", "slot added for 144 PPI", slot144, slot144 / decode);
  std::printf("%-52s %10.2f %10.2f\n", "slot added for 192 PPI", slot192, slot192 / decode);

  // A section by name: the hashed lookup beside a scan of the names.
  TkvSkinData* d = manager.Slot(0);
  std::vector<String> names;
  for (const auto& s : d->gd) names.push_back(s.ClassName);
  size_t next = 0;
  volatile Integer sink = 0;
  const double hashed = NsPerCall(200000, [&] { sink = d->GetSkinIndex(names[next++ % names.size()]); });
  next = 0;
  const double scanned = NsPerCall(200000, [&] {
    const String& want = names[next++ % names.size()];
    Integer found = -1;
    for (size_t i = 0; i < d->gd.size() && found < 0; ++i)
      if (d->gd[i].ClassName == want) found = Integer(i);
    sink = found;
  });
  const std::string lookupTitle = "a section by name (" + std::to_string(names.size()) + " sections)";
  std::printf("\n%-52s %10s %10s\n", lookupTitle.c_str(), "ns", "x scan");
  std::printf("%-52s %10.1f %10.2f\n", "scan of the names (yardstick)", scanned, 1.0);
  std::printf("%-52s %10.1f %10.2f\n", "GetSkinIndex (goal < 1000)", hashed, hashed / scanned);

  // Growth: the same skin at three sizes; the time per section stays level when it is linear.
  std::printf("\n%-52s %10s %10s\n", "synthetic skin (5 pictures a section, chains of 3)", "ms", "us/section");
  double perSectionSmall = 0;
  for (Integer sections : {75, 150, 300}) {
    TempDir dir;
    Synthetic(sections).WriteFolder(dir.Path(), "Big");
    const double ms = MsPerCall(3, [&] {
      TkvSkinSet set;
      set.Settings = Settings(dir.Path() + u"/", u"Big");
      if (manager.LoadSkin(set, {96, 144}) != slsLoaded) std::abort();
    });
    const double perSection = ms * 1000 / sections;
    if (sections == 75) perSectionSmall = perSection;
    char label[80];
    std::snprintf(label, sizeof label, "%d sections, %d pictures, 96 and 144 PPI", int(sections), int(sections * 5));
    std::printf("%-52s %10.2f %10.1f  (x%.2f of 75)\n", label, ms, perSection, perSection / perSectionSmall);
  }
  return 0;
}
