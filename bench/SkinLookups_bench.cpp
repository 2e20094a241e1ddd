// The skin manager's lookups on a skin of the size real skins have (220 sections, four images
// each, PARENTCLASS chains up to three deep), beside a walk over the arrays from the start (what
// a lookup without the hash indexes does), in one run: nanoseconds per lookup and the ratio.
// Run: build/bench/bench/SkinLookups_bench
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "skin/sSkinManager.h"

namespace {

volatile Integer sink = 0;

double NsPerCall(int calls, const std::function<void()>& body) {
  double best = 1e300;
  for (int run = 0; run < 7; ++run) {
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) body();
    const std::chrono::duration<double, std::nano> t = std::chrono::steady_clock::now() - t0;
    best = std::min(best, t.count() / calls);
  }
  return best;
}

String Name(int i) { return Utf8ToString("SECTION_" + std::to_string(i) + (i % 3 ? "_EXTRA" : "")); }

// The first section of that name, walking from the start.
Integer WalkSection(const TkvSkinData& sd, StringView name) {
  for (size_t i = 0; i < sd.gd.size(); ++i)
    if (sd.gd[i].ClassName == name) return Integer(i);
  return -1;
}

// The first image of the section with that key, through PARENTCLASS, walking the arrays.
Integer WalkMask(const TkvSkinData& sd, Integer skinIndex, StringView key) {
  for (size_t steps = 0; skinIndex >= 0 && steps <= sd.gd.size(); ++steps) {
    for (size_t i = 0; i < sd.ma.size(); ++i)
      if (sd.ma[i].SkinIndex == skinIndex && sd.ma[i].PropertyName == key) return Integer(i);
    const Integer parent = WalkSection(sd, sd.gd[size_t(skinIndex)].ParentClass);
    if (parent == skinIndex) return -1;
    skinIndex = parent;
  }
  return -1;
}

}  // namespace

int main() {
  constexpr int kSections = 220;
  const char16_t* keys[] = {u"BORDERSMASK", u"PATTERN", u"HOTPATTERN", u"GLYPHMASK"};
  DuRiruZireziv manager(nullptr);
  auto owned = std::make_unique<TkvSkinData>();
  TkvSkinData& sd = *owned;
  sd.FOwner = &manager;
  for (int i = 0; i < kSections; ++i) {
    TsGeneralData s;
    s.ClassName = Name(i);
    // Every fourth section inherits from the one before it, which may inherit in turn.
    if (i % 4 == 3) s.ParentClass = Name(i - 1);
    sd.gd.push_back(s);
    for (int k = 0; k < 4; ++k) {
      if (i % 4 == 3 && k > 0) continue;  // the rest comes from the parent chain
      TsMaskData md;
      md.ClassName = s.ClassName;
      md.PropertyName = keys[k];
      md.SkinIndex = i;
      md.ImgType = k == 0 || k == 3 ? itisaBorder : itisaTexture;
      sd.ma.push_back(md);
    }
  }
  sd.Reindex();
  manager.SkinDataArray.push_back(std::move(owned));
  manager.SkinCommonInfo.Active = true;

  struct Case {
    const char* what;
    std::function<void()> hashed, walked;
  };
  const String first = Name(0), middle = Name(kSections / 2), last = Name(kSections - 1), missing = u"NO_SUCH_SECTION";
  const Case cases[] = {
      {"section by name, first", [&] { sink = manager.GetSkinIndex(first); }, [&] { sink = WalkSection(sd, first); }},
      {"section by name, middle", [&] { sink = manager.GetSkinIndex(middle); },
       [&] { sink = WalkSection(sd, middle); }},
      {"section by name, last", [&] { sink = manager.GetSkinIndex(last); }, [&] { sink = WalkSection(sd, last); }},
      {"section by name, missing", [&] { sink = manager.GetSkinIndex(missing); },
       [&] { sink = WalkSection(sd, missing); }},
      {"image of a section", [&] { sink = manager.GetMaskIndex(kSections / 2, u"HOTPATTERN"); },
       [&] { sink = WalkMask(sd, kSections / 2, u"HOTPATTERN"); }},
      {"image through the parent", [&] { sink = manager.GetMaskIndex(kSections / 2 + 3, u"GLYPHMASK"); },
       [&] { sink = WalkMask(sd, kSections / 2 + 3, u"GLYPHMASK"); }},
      {"image missing in the chain", [&] { sink = manager.GetMaskIndex(kSections - 1, u"OUTERMASK"); },
       [&] { sink = WalkMask(sd, kSections - 1, u"OUTERMASK"); }},
  };
  std::printf("Skin lookups, %d sections, %zu images (ns per lookup)\n", kSections, sd.ma.size());
  std::printf("  %-30s %10s %10s %8s\n", "", "hashed", "walked", "ratio");
  for (const Case& c : cases) {
    const double hashed = NsPerCall(200000, c.hashed);
    const double walked = NsPerCall(20000, c.walked);
    std::printf("  %-30s %10.1f %10.1f %8.3f\n", c.what, hashed, walked, hashed / walked);
  }
  return 0;
}
