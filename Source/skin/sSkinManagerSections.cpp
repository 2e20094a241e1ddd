// Skin sections and their values: the section array of a skin data object built from the skin
// text, values inherited along PARENTCLASS chains, the common sections of the manager, the
// sections every skin gets, the global values of "GLOBALINFO" and the two global outer effects.
//
// Sections:
//   1. Reading values with inheritance (skin text) and without (common text)
//   2. State looks
//   3. Building the sections (LoadAllGeneralData) and merging the common sections
//   4. Global values and outer effects (LoadGlobalData, MakeCommonMask)
#include <algorithm>
#include <functional>
#include <optional>
#include <unordered_map>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "raster/Blend.h"
#include "raster/Resampling.h"
#include "raster/sGradient.h"
#include "skin/sSkinManagerLoader.h"
#include "ui/IniFiles.h"
#include "ui/ScopeGuard.h"
#include "ui/StringList.h"
#include "ui/SysUtils.h"

namespace {

// Limits of values whose size makes bitmaps or loops (the skin text is untrusted).
constexpr Integer kMaxRadius = 255;
constexpr Integer kMaxOffset = 255;
constexpr Integer kMaxGlowFrames = 64;
constexpr Integer kMaxShadowExtent = 512;

// ---- 1. Reading values ------------------------------------------------------------------------

// The common-section text: sections by exact name, keys matched without regard to case.
class TCommonText {
 public:
  explicit TCommonText(const std::vector<String>& lines) {
    TStringList list;
    for (const auto& l : lines) list.Add(l);
    TStringList sections;
    GetIniSections(list, sections);
    for (Integer i = 0; i < sections.Count(); ++i) {
      std::unique_ptr<TStringList> body(static_cast<TStringList*>(sections.Objects(i)));
      Section s;
      s.name = sections[i];
      for (Integer k = 0; k < body->Count(); ++k) {
        const String& line = (*body)[k];
        const size_t eq = line.find(u'=');
        if (eq == String::npos) continue;
        s.keys.emplace_back(line.substr(0, eq), line.substr(eq + 1));
      }
      sections_.push_back(std::move(s));
    }
  }
  Integer Count() const { return Integer(sections_.size()); }
  const String& Name(Integer i) const { return sections_[size_t(i)].name; }
  // The value of a key of section i; nothing when it is missing.
  std::optional<String> Value(Integer i, StringView key) const {
    for (const auto& [k, v] : sections_[size_t(i)].keys)
      if (SameText(k, key)) return v;
    return std::nullopt;
  }
  // Decimal or hexadecimal ("0x", "0X", "$"); missing, unparsable or negative: alt.
  Integer PropInteger(Integer i, StringView key, Integer alt) const {
    const auto v = Value(i, key);
    Integer n = 0;
    if (!v || !TryStrToInt(Trim(*v), n) || n < 0) return alt;
    return n;
  }
  bool PropBool(Integer i, StringView key, bool alt) const {
    const auto v = Value(i, key);
    if (!v) return alt;
    const String u = UpperCase(*v);
    return u == u"1" || u == u"TRUE";
  }
  String PropStr(Integer i, StringView key, const String& alt) const {
    const auto v = Value(i, key);
    return v ? *v : alt;
  }

 private:
  struct Section {
    String name;
    std::vector<std::pair<String, String>> keys;
  };
  std::vector<Section> sections_;
};

}  // namespace

// Values of the skin text, found in a section or up its PARENTCLASS chain. Chains have no
// depth limit, so every (section, key) is resolved once and remembered: a load costs the same
// per section however long the chains are. A chain that runs in a circle finds nothing.
class TkvSkinText {
 public:
  TkvSkinText(const TMemIniFile* ini, const TStringList& names) : ini_(ini) {
    const Integer n = names.Count();
    names_.reserve(size_t(n));
    index_.reserve(size_t(n));
    for (Integer i = 0; i < n; ++i) {
      names_.push_back(names[i]);
      index_.emplace(names[i], i);  // the ini merges repeated names, so each is there once
    }
    parent_.assign(size_t(n), -1);
    for (Integer i = 0; i < n; ++i) {
      const String parent = ini_->ReadString(names_[size_t(i)], u"PARENTCLASS", String());
      // A section that names itself ends its chain, as does an empty name or "?".
      if (parent.empty() || parent == u"?" || parent == names_[size_t(i)]) continue;
      const auto it = index_.find(parent);
      if (it != index_.end()) parent_[size_t(i)] = it->second;
    }
  }

  // The nearest value of key along the chain from section ("?" counts as missing).
  std::optional<String> Find(const String& section, StringView key) const {
    const Integer at = FoundIn(section, key, kText);
    if (at < 0) return std::nullopt;
    return ini_->ReadString(names_[size_t(at)], key, String());
  }

  const TMemIniFile* Ini() const { return ini_; }

  String FindString(const String& section, StringView key, const String& def) const {
    const auto v = Find(section, key);
    return v ? *v : def;
  }

  bool FindBoolean(const String& section, StringView key, bool def) const {
    const auto v = Find(section, key);
    if (!v) return def;
    return *v == u"TRUE" || *v == u"1";
  }

  // A value written in the section itself is kept as it stands, negative too; an inherited
  // negative value gives def unless negatives are allowed; a value found nowhere gives def.
  // A stored -2 and a text that is no integer count as missing.
  Integer FindInteger(const String& section, StringView key, Integer def, bool allowNegative,
                      Integer maxValue = INT32_MAX) const {
    const auto it = index_.find(section);
    const Integer at = it == index_.end() ? -1 : FoundIn(section, key, kInteger);
    if (at < 0) return std::min(def, maxValue);
    Integer v = 0;
    TryStrToInt(Trim(ini_->ReadString(names_[size_t(at)], key, String())), v);
    if (at != it->second && v < 0 && !allowNegative) return def;
    return std::min(v, maxValue);
  }

 private:
  enum Kind { kText, kInteger };
  static constexpr Integer kUnknown = -2, kOnPath = -3;

  // Whether section i holds a value of key of that kind itself.
  bool Holds(Integer i, StringView key, Kind kind) const {
    if (kind == kText) return ini_->ReadString(names_[size_t(i)], key, u"?") != u"?";
    Integer v = 0;
    const String text = ini_->ReadString(names_[size_t(i)], key, String());
    return !text.empty() && TryStrToInt(Trim(text), v) && v != -2;
  }

  // The section along the chain from section that holds key, -1 when none does.
  Integer FoundIn(const String& section, StringView key, Kind kind) const {
    const auto it = index_.find(section);
    if (it == index_.end()) return -1;
    std::vector<Integer>& memo = Memo(key, kind);
    path_.clear();
    Integer s = it->second, found = -1;
    for (;;) {
      const Integer known = memo[size_t(s)];
      if (known == kOnPath) break;  // round in a circle: nothing on it holds the key
      if (known != kUnknown) {
        found = known;
        break;
      }
      if (Holds(s, key, kind)) {
        found = s;
        break;
      }
      memo[size_t(s)] = kOnPath;
      path_.push_back(s);
      s = parent_[size_t(s)];
      if (s < 0) break;
    }
    if (found >= 0) memo[size_t(found)] = found;
    for (const Integer p : path_) memo[size_t(p)] = found;
    return found;
  }

  std::vector<Integer>& Memo(StringView key, Kind kind) const {
    auto& byKey = memo_[kind];
    auto it = byKey.find(String(key));
    if (it == byKey.end()) it = byKey.emplace(String(key), std::vector<Integer>(names_.size(), kUnknown)).first;
    return it->second;
  }

  const TMemIniFile* ini_;
  std::vector<String> names_;
  std::unordered_map<String, Integer> index_;
  std::vector<Integer> parent_;  // the section PARENTCLASS names, -1 for none
  mutable std::array<std::unordered_map<String, std::vector<Integer>>, 2> memo_;
  mutable std::vector<Integer> path_;
};

void ShareSkinText(TkvSkinSet& skin, const std::function<void()>& load) {
  if (!skin.SkinFile) return load();
  TStringList names;
  skin.SkinFile->ReadSections(names);
  TkvSkinText text(skin.SkinFile, names);
  auto shared = SetForScope(skin.Text, &text);
  load();
}

namespace {

// ---- 2. State looks ---------------------------------------------------------------------------------

// The 14 state keys of kvPropsArray, by state.
constexpr std::array<std::array<const Char*, 14>, 3> kvPropsArray{{
    {u"COLOR", u"FONTCOLOR", u"TCLEFT", u"TCTOP", u"TCRIGHT", u"TCBOTTOM", u"GCOL", u"GSIZE", u"GRADIENTPERCENT",
     u"GRADIENTDATA", u"IMAGEPERCENT", u"TRANSPARENCY", u"LIGHT0", u"BORDERCOLOR0"},
    {u"HOTCOLOR", u"HOTFONTCOLOR", u"HOTTCLEFT", u"HOTTCTOP", u"HOTTCRIGHT", u"HOTTCBOTTOM", u"HGCOL", u"HGSIZE",
     u"HOTGRADIENTPERCENT", u"HOTGRADIENTDATA", u"HOTIMAGEPERCENT", u"HOTTRANSPARENCY", u"LIGHT1", u"BORDERCOLOR1"},
    {u"COLOR2", u"FONTCOLOR2", u"TCLEFT2", u"TCTOP2", u"TCRIGHT2", u"TCBOTTOM2", u"GCOL2", u"GSIZE2",
     u"GRADIENTPERCENT2", u"GRADIENTDATA2", u"IMAGEPERCENT2", u"TRANSPARENCY2", u"LIGHT2", u"BORDERCOLOR2"},
}};

Integer Percent(Integer v) { return std::clamp(v, 0, 100); }

// One state look: from the skin text (section name) or the common text (section number).
TsGenState FillProps(const TsGenState& def, Integer state, TColor defLight, const TkvSkinText* skin,
                     const String& section, const TCommonText* common, Integer commonSection) {
  const auto& keys = kvPropsArray[size_t(state)];
  const auto integer = [&](size_t k, Integer d, bool light = false) {
    if (skin) return skin->FindInteger(section, keys[k], light ? Integer(defLight) : d, false);
    return common->PropInteger(commonSection, keys[k], d);
  };
  TsGenState p = def;
  p.Color = integer(0, def.Color);
  p.FontColor.Color = integer(1, def.FontColor.Color);
  p.FontColor.Left = integer(2, def.FontColor.Left);
  p.FontColor.Top = integer(3, def.FontColor.Top);
  p.FontColor.Right = integer(4, def.FontColor.Right);
  p.FontColor.Bottom = integer(5, def.FontColor.Bottom);
  p.GlowColor = integer(6, def.GlowColor);
  p.GlowSize = std::clamp(integer(7, def.GlowSize), 0, kMaxRadius);
  p.GradientPercent = Percent(integer(8, def.GradientPercent));
  const String gradient =
      skin ? skin->FindString(section, keys[9], u" ") : common->PropStr(commonSection, keys[9], u" ");
  p.ImagePercent = Percent(integer(10, def.ImagePercent));
  p.Transparency = Percent(integer(11, def.Transparency));
  p.LightColor = integer(12, def.LightColor, skin != nullptr);
  p.BorderColor = integer(13, def.BorderColor);
  if (gradient.size() > 3) {
    p.GradientArray.clear();
    PrepareGradArray(gradient, p.GradientArray);
  } else {
    p.GradientArray = def.GradientArray;
  }
  return p;
}

}  // namespace

// ---- 3. Building the sections ----------------------------------------------------------------------

void TkvSkinData::LoadAllGeneralData() {
  gd.clear();
  sectionIndex_.clear();
  if (!Skin || !Skin->SkinFile) return;
  const TMemIniFile* ini = Skin->SkinFile;
  const TkvSkinLoadSettings& settings = Skin->Settings;
  const auto scaled = [&](Integer v) { return ScaleIntAt(settings, v, ScaleValue); };
  TabsCovering = Byte(IniInteger(ini, u"TABTOP", u"TABSCOVERING", 0));
  RibbonCovering = Byte(IniInteger(ini, u"RIBBONTAB", u"TABSCOVERING", 0));

  TStringList names;
  ini->ReadSections(names);
  // The resolved values of the skin text: shared by the slots of one load, else this slot's own.
  std::optional<TkvSkinText> own;
  if (!Skin->Text || Skin->Text->Ini() != ini) own.emplace(ini, names);
  const TkvSkinText& text = own ? *own : *Skin->Text;
  const TsGenState defProp;  // kvDefProp
  const TColor defLight = Skin->SkinCommonInfo.DefLightColor;
  gd.reserve(size_t(names.Count()) + 16);
  for (Integer i = 0; i < names.Count(); ++i) {
    const String& name = names[i];
    TsGeneralData s;
    s.ClassName = name;
    s.ParentClass = ini->ReadString(name, u"PARENTCLASS", String());
    s.ReservedBoolean = text.FindBoolean(name, u"RESERVEDBOOLEAN", false);
    s.GiveOwnFont = text.FindBoolean(name, u"GIVEOWNFONT", false);
    s.ShiftOnClick = text.FindBoolean(name, u"SHIFTCLICK", false);
    s.GlowCount = std::max(0, text.FindInteger(name, u"GLOW", 0, false, 255));
    s.GlowMargin = std::max(0, text.FindInteger(name, u"GLOWMARGIN", 0, false, 255));
    s.BorderRadius = scaled(std::clamp(text.FindInteger(name, u"BORDERRADIUS", 0, false, 255), 0, kMaxRadius));
    if (!ma.empty()) s.GlowMargin = kvMulDiv(s.GlowMargin, ma[0].MulPPi, 96);
    s.States = std::max(1, text.FindInteger(name, u"STATES", 3, false, 255));
    const auto offset = [&](const Char* key, Integer def) {
      return scaled(std::max(-kMaxOffset, text.FindInteger(name, key, def, true, kMaxOffset)));
    };
    s.OuterOffset =
        TRect(offset(u"OUTOFFSL", 2), offset(u"OUTOFFST", 2), offset(u"OUTOFFSR", 2), offset(u"OUTOFFSB", 4));
    s.OuterOpacity = std::max(0, text.FindInteger(name, u"OUTOPACITY", 200, false, 255));
    s.OuterMode = text.FindInteger(name, u"OUTERMODE", 2, false);
    s.OuterBlur = scaled(std::max(0, text.FindInteger(name, u"OUTBLUR", 9, false, 30)));
    s.OuterRadius = scaled(std::max(0, text.FindInteger(name, u"OUTRADIUS", 9, false, 60)));
    s.OuterColorL = text.FindInteger(name, u"OUTCOLL", 0, false);
    s.OuterColorT = text.FindInteger(name, u"OUTCOLT", 0, false);
    s.OuterColorR = text.FindInteger(name, u"OUTCOLR", 0, false);
    s.OuterColorB = text.FindInteger(name, u"OUTCOLB", 0, false);
    s.BorderWidth = text.FindInteger(name, u"BORDERWIDTH", 1, false);
    s.BorderIndex = 0;
    s.OuterMask = -1;
    s.ImgTL = s.ImgTR = s.ImgBL = s.ImgBR = -1;
    s.Props[0] = FillProps(defProp, 0, defLight, &text, name, nullptr, 0);
    s.Props[1] = s.States > 1 ? FillProps(defProp, 1, defLight, &text, name, nullptr, 0) : s.Props[0];
    s.UseState2 = text.FindInteger(name, u"USESTATE2", 0, false) == 1;
    s.Props[2] = s.UseState2 ? FillProps(defProp, 2, defLight, &text, name, nullptr, 0) : s.Props[1];
    gd.push_back(std::move(s));
  }
  IndexSections();

  if (!settings.CommonSections.empty()) {
    const TCommonText common(settings.CommonSections);
    TsGeneralData defRecord;
    defRecord.States = 3;
    defRecord.BorderWidth = 0;
    for (Integer c = 0; c < common.Count(); ++c) {
      const String& name = common.Name(c);
      if (GetSkinIndex(name) >= 0) continue;
      TsGeneralData s{};  // cleared: numbers 0, flags false, no gradients
      s.Props = {TsGenState{}, TsGenState{}, TsGenState{}};
      for (auto& p : s.Props) {
        p = TsGenState{};
        p.GlowSize = p.ImagePercent = p.TextureIndex = p.Transparency = p.GradientPercent = 0;
        p.Color = p.GlowColor = p.LightColor = p.BorderColor = 0;
        p.FontColor = TsFontColor{0, 0, 0, 0, 0};
      }
      s.States = 0;
      s.BorderIndex = s.ImgTL = s.ImgTR = s.ImgBL = s.ImgBR = 0;
      s.OuterMask = 0;
      s.ClassName = name;
      const auto parentValue = common.Value(c, u"PARENTCLASS");
      s.ParentClass = parentValue ? UpperCase(*parentValue) : String(u"-1");
      const TsGeneralData* parent = &defRecord;
      for (const auto& g : gd)
        if (UpperCase(g.ClassName) == s.ParentClass) {
          parent = &g;
          break;
        }
      s.States = std::max(1, std::min(common.PropInteger(c, u"STATES", parent->States), 255));
      s.Props[0] = FillProps(parent->Props[0], 0, defLight, nullptr, name, &common, c);
      s.Props[1] = s.States > 1 ? FillProps(parent->Props[1], 1, defLight, nullptr, name, &common, c) : s.Props[0];
      if (common.Value(c, u"USESTATE2"))
        s.UseState2 = common.PropInteger(c, u"USESTATE2", 0) == 1;
      else
        s.UseState2 = text.FindInteger(s.ParentClass, u"USESTATE2", -1, false) == 1;
      s.Props[2] = s.UseState2 ? FillProps(parent->Props[2], 2, defLight, nullptr, name, &common, c) : s.Props[1];
      s.ReservedBoolean = common.PropBool(c, u"RESERVEDBOOLEAN", parent->ReservedBoolean);
      s.GiveOwnFont = common.PropBool(c, u"GIVEOWNFONT", parent->GiveOwnFont);
      s.GlowCount = std::min(common.PropInteger(c, u"GLOW", parent->GlowCount), 255);
      s.GlowMargin = std::min(common.PropInteger(c, u"GLOWMARGIN", parent->GlowMargin), 255);
      s.BorderWidth = common.PropInteger(c, u"BORDERWIDTH", parent->BorderWidth);
      s.BorderRadius = std::min(common.PropInteger(c, u"BORDERRADIUS", parent->BorderRadius), kMaxRadius);
      const auto mask = common.Value(c, u"BORDERSMASK");
      if (mask && mask->size() < 5) s.BorderIndex = -2;
      gd.push_back(std::move(s));
      sectionIndex_.emplace(name, Integer(gd.size()) - 1);
    }
  }

  // Every skin has these two; their colours come from the skin's own "GLOBALINFO".
  const TColor labelText = TColor(IniInteger(ini, u"GLOBALINFO", u"FONTCOLOR", 0));
  const TColor mainColor = TColor(IniInteger(ini, u"GLOBALINFO", u"COLOR", Integer(settings.System.RGBOf(clBtnFace))));
  if (GetSkinIndex(u"TRANSPARENT") < 0) AddNewSection(u"TRANSPARENT", -1, 1, 100, 0xFFFFFF, labelText);
  if (GetSkinIndex(u"MAINCOLOR") < 0) AddNewSection(u"MAINCOLOR", -1, 1, 0, mainColor, labelText);
  LoadGlobalData();
}

// ---- 4. Global values and outer effects -----------------------------------------------------------------

namespace {

// The colour as RGB: system and engine palette colours by their unskinned values.
TColor RGBOfLoaded(const TkvSkinSet& skin, Integer value) { return skin.Settings.System.RGBOf(TColor(value)); }

}  // namespace

void TkvSkinData::LoadGlobalData() {
  const TMemIniFile* ini = Skin->SkinFile;
  const TkvSkinLoadSettings& settings = Skin->Settings;
  const auto plain = [&](StringView key, Integer def) { return IniInteger(ini, u"GLOBALINFO", key, def); };
  // Read at this PPI (a per-scale key wins), bounded before it is scaled so that no scaling
  // overflows; a per-scale value is bounded by the limits scaled to this PPI.
  const Integer scale = std::clamp<Integer>(ScaleValue, 0, 3);
  const auto perPPI = [&](StringView key, Integer def, Integer lo = -kMaxShadowExtent, Integer hi = kMaxShadowExtent) {
    constexpr Integer kMissing = -99999;
    if (scale > 0 && IniInteger(ini, u"GLOBALINFO", String(key) + aSfxs[size_t(scale)], kMissing) != kMissing)
      return std::clamp(ScaledInteger(key, def, -1, true), kvMulDiv(lo, PPI, 96), kvMulDiv(hi, PPI, 96));
    if (scale == 0) return std::clamp(ScaledInteger(key, def, -1, true), lo, hi);
    return kvMulDiv(std::clamp(IniInteger(ini, u"GLOBALINFO", key, def), lo, hi), PPI, 96);
  };
  const auto scaleInt = [&](Integer v) { return ScaleIntAt(settings, v, ScaleValue); };
  const auto extent = [](Integer v) { return std::clamp(v, -kMaxShadowExtent, kMaxShadowExtent); };

  ExDrawMode = plain(u"BORDERMODE", 0);
  ExShadowOffs = extent(perPPI(u"ALIGNOFFSET", 0));
  ExShadowOffsR = extent(perPPI(u"ALIGNOFFSETR", ExShadowOffs));
  ExShadowOffsT = extent(perPPI(u"ALIGNOFFSETT", ExShadowOffs));
  ExShadowOffsB = extent(perPPI(u"ALIGNOFFSETB", ExShadowOffs));
  WndShadowRadius = perPPI(u"WSHRAD", 17, 0, kMaxShadowSize);
  WndShadowOffset = perPPI(u"WSHOFFS", 2, -kMaxShadowSize, kMaxShadowSize);
  WndShadowSize = perPPI(u"WSHSIZE", 13, 0, kMaxShadowSize);
  WndShadowColorN = TColor(plain(u"WSHCOLN", 0x44000000));
  WndShadowColorA = TColor(plain(u"WSHCOLA", Integer(0x99000000)));
  BISpacing = extent(perPPI(u"BISPACE", 0));
  BIRightMargin = extent(perPPI(u"BIRIGHT", 0));
  BILeftMargin = extent(perPPI(u"BILEFT", 0));
  BITopMargin = extent(perPPI(u"BITOP", 0));
  for (size_t n = 0; n <= tgNormal; ++n) GlowMargins[n] = extent(perPPI(String(kvTitleGlyphs[n]) + u"GLOWMARGIN", 0));
  const Integer glowFrames = std::clamp(plain(u"BICONCLOSEGLOW", 0), 0, kMaxGlowFrames);
  for (size_t n = 0; n <= tgNormal; ++n) TitleGlows[n].assign(size_t(glowFrames), -1);
  Shadow1Offset = extent(perPPI(u"SHADOW1OFFSET", 0));
  Shadow1Blur = std::clamp(perPPI(u"SHADOW1BLUR", -1), -1, kMaxRadius);
  Shadow1Transparency = std::clamp(plain(u"SHADOW1TRANSPARENCY", 0), 0, 100);
  ThumbWidth = std::clamp(perPPI(u"THUMBWIDTH", 0), 0, kMaxShadowExtent);
  ScrollArrows = plain(u"SCROLLSARROWS", -1);
  ScrollsWidth = plain(u"SCROLLSWIDTH", -1);
  if (ScrollsWidth != -1) ScrollsWidth = scaleInt(std::clamp(ScrollsWidth, 0, kMaxRadius));
  ComboBoxMargin = std::clamp(plain(u"COMBOMARGIN", 2), 0, kMaxRadius);
  if (ComboBoxMargin == 1 && PPI >= 144) ComboBoxMargin = 2;
  SliderMargin = std::clamp(plain(u"SLIDERMARGIN", 1), 0, kMaxRadius);

  oe.resize(2);
  const auto readEffect = [&](TkvOutEffData& e, const Char* prefix, bool lo) {
    const auto key = [&](const Char* k) { return String(prefix) + k; };
    if (lo) {
      e.ColorL = Integer(RGBOfLoaded(*Skin, plain(key(u"COLORL"), 0xFFFFFF)));
      e.ColorT = Integer(RGBOfLoaded(*Skin, plain(key(u"COLORT"), 0)));
      e.ColorR = Integer(RGBOfLoaded(*Skin, plain(key(u"COLORR"), 0xFFFFFF)));
      e.ColorB = Integer(RGBOfLoaded(*Skin, plain(key(u"COLORB"), 0xFFFFFF)));
    } else {
      e.ColorL = plain(key(u"COLORL"), 0);
      e.ColorT = 0xFF00FF;
      e.ColorR = e.ColorB = 0;
    }
    const auto width = [&](const Char* k) { return std::clamp(plain(key(k), -1), -1, kMaxShadowExtent); };
    e.WidthL = width(u"WIDTHL");
    e.WidthR = width(u"WIDTHR");
    e.WidthT = width(u"WIDTHT");
    e.WidthB = width(u"WIDTHB");
    const auto off = [&](const Char* k, Integer def) {
      return scaleInt(std::clamp(plain(key(k), def), -kMaxOffset, kMaxOffset));
    };
    e.OffsetL = off(u"OFFSETL", lo ? 2 : 3);
    e.OffsetR = off(u"OFFSETR", lo ? 2 : 3);
    e.OffsetT = off(u"OFFSETT", 2);
    e.OffsetB = off(u"OFFSETB", lo ? 4 : 5);
    e.Radius = scaleInt(std::clamp(plain(key(u"RADIUS_OE"), 9), 0, 60));
    e.Blur = scaleInt(std::clamp(plain(key(u"BLUR_OE"), 5), 0, 30));
    e.Opacity = std::clamp(plain(key(u"OPACITY"), lo ? 200 : 60), 0, 255);
    e.Source = plain(key(u"SOURCE"), 2);
    // Widths the skin gives are at 96 PPI; widths computed from the shadow already fit this PPI.
    const bool given[4] = {e.WidthL >= 0, e.WidthT >= 0, e.WidthR >= 0, e.WidthB >= 0};
    MakeCommonMask(e, key(u"MASK"));
    const bool computed = e.Source != 0 && e.Source != 1;
    if (!computed || given[0]) e.WidthL = scaleInt(e.WidthL);
    if (!computed || given[1]) e.WidthT = scaleInt(e.WidthT);
    if (!computed || given[2]) e.WidthR = scaleInt(e.WidthR);
    if (!computed || given[3]) e.WidthB = scaleInt(e.WidthB);
  };
  readEffect(oe[1], u"SH_", false);
  readEffect(oe[0], u"LO_", true);
}

void TkvSkinData::MakeCommonMask(TkvOutEffData& oed, const String& name) {
  const Integer global = GetSkinIndex(u"GLOBALINFO");
  if (oed.Source == 0) {
    oed.Mask = -1;
    return;
  }
  if (oed.Source == 1) {
    const TMemIniFile* ini = Skin->SkinFile;
    const Integer scale = std::clamp<Integer>(ScaleValue, 0, 3);
    String value;
    bool toScale = false;
    if (scale > 0) value = UpperCase(IniString(ini, u"GLOBALINFO", name + aSfxs[size_t(scale)]));
    if (value.empty()) {
      value = UpperCase(IniString(ini, u"GLOBALINFO", name));
      toScale = scale > 0;
    }
    oed.Mask = -1;
    TkvImageRef ref;
    try {
      if (value.empty() || !ParseImageRef(ConvertSkinStr(value), ref)) return;
    } catch (const EConvertError&) { return; }
    TBitmap* master = Skin->MasterBitmap.get();
    const TRect& r = ref.R;
    // Only a piece of the master bitmap that lies in it.
    if (!master || r.Left < 0 || r.Top < 0 || r.Right > master->Width() || r.Bottom > master->Height() ||
        r.Width() <= 0 || r.Height() <= 0)
      return;
    const Integer n =
        MakeNewItem(global, name, u"GLOBALINFO", ref.ImgType, r, ref.ImageCount, ref.DrawMode, ref.MaskType);
    TsMaskData& md = ma[size_t(n)];
    md.WL = int16_t(std::clamp(ref.WL, 0, INT16_MAX));
    md.WT = int16_t(std::clamp(ref.WT, 0, INT16_MAX));
    md.WR = int16_t(std::clamp(ref.WR, 0, INT16_MAX));
    md.WB = int16_t(std::clamp(ref.WB, 0, INT16_MAX));
    ClampBorders(md, r.Width() / std::max<Integer>(1, md.ImageCount),
                 r.Height() / std::max<Integer>(1, md.MaskType + 1));
    oed.Mask = n;
    if (!toScale) return;
    const TkvSkinLoadSettings& settings = Skin->Settings;
    const auto scaleInt = [&](Integer v) { return ScaleIntAt(settings, v, ScaleValue); };
    md.WL = int16_t(std::clamp(scaleInt(md.WL), 0, INT16_MAX));
    md.WT = int16_t(std::clamp(scaleInt(md.WT), 0, INT16_MAX));
    md.WR = int16_t(std::clamp(scaleInt(md.WR), 0, INT16_MAX));
    md.WB = int16_t(std::clamp(scaleInt(md.WB), 0, INT16_MAX));
    std::unique_ptr<TBitmap> piece;
    if (md.MaskType == 1) {
      piece.reset(CreateAlphaBmp(master, r));
    } else {
      piece.reset(CreateBmp32(r.Width(), r.Height()));
      CopyPixels(ViewOf(piece.get()), 0, 0, ViewOf(master), r);
    }
    const Integer w = scaleInt(piece->Width()), h = scaleInt(piece->Height());
    if (w <= 0 || h <= 0 || Int64(w) * h > kMaxTempPixels) {
      md.R = TRect();
      return;
    }
    ReservePixels(*this, w, h, u"GLOBALINFO-" + name);
    std::unique_ptr<TBitmap> stretched(CreateBmp32(w, h));
    StretchView(ViewOf(piece.get()), ViewOf(stretched.get()), ftBox);
    if (md.MaskType == 1) stretched.reset(CreateMaskFromAlpha(stretched.get()));
    md.Bmp = stretched.get();
    md.R = TRect(0, 0, stretched->Width(), stretched->Height());
    AddImage(std::move(stretched), u"Outer", u"GLOBALINFO-" + name, md.R, TRect(), 96, md.MaskType, false);
    return;
  }
  // Computed: a soft shadow around a round body, coloured by the effect's side colours.
  const Integer size = 2 * oed.Radius + 1;
  // The distances that size the mask are bounded; the effect keeps its own.
  const Integer limit = ShadowSizeLimit(*this);
  const Integer oL = std::clamp(oed.OffsetL, -limit, limit), oT = std::clamp(oed.OffsetT, -limit, limit);
  const Integer oR = std::clamp(oed.OffsetR, -limit, limit), oB = std::clamp(oed.OffsetB, -limit, limit);
  const TSize shadowSize = ShadowSize(oed.Radius, 0, oL + oB, oT + oB);
  ReservePixels(*this, shadowSize.cx, Int64(shadowSize.cy) * 3, u"GLOBALINFO-" + name);  // the shadow, then twice it
  auto shadow = MakeShadowBitmap(0, oed.Radius, 0, oL + oB, oT + oB, oed.Blur, true, true);
  const Integer w = shadow->Width(), h = shadow->Height();
  if (oed.WidthL < 0) oed.WidthL = (w + oL - oR - 1) / 2;
  if (oed.WidthT < 0) oed.WidthT = (h + oT - oB - 1) / 2;
  if (oed.WidthR < 0) oed.WidthR = (w + oR - oL - 1) / 2;
  if (oed.WidthB < 0) oed.WidthB = (h + oB - oT - 1) / 2;
  const Integer n = MakeNewItem(global, name, u"GLOBALINFO", itisaBorder, TRect(0, 0, size, 2 * size), 1, 1, 1);
  oed.Mask = n;
  if (shadow->Empty()) {
    ma[size_t(n)].R = TRect();  // could not be made: no bitmap, nothing to paint
    return;
  }
  std::unique_ptr<TBitmap> bmp(CreateBmp32(w, 2 * h));
  TsMaskData& md = ma[size_t(n)];
  md.WL = int16_t(std::clamp(oed.WidthL, 0, INT16_MAX));
  md.WT = int16_t(std::clamp(oed.WidthT, 0, INT16_MAX));
  md.WR = int16_t(std::clamp(oed.WidthR, 0, INT16_MAX));
  md.WB = int16_t(std::clamp(oed.WidthB, 0, INT16_MAX));
  PaintMainLayer(bmp.get(), TRect(0, 0, w, h), TColor(oed.ColorL), TColor(oed.ColorT), TColor(oed.ColorR),
                 TColor(oed.ColorB));
  md.R = TRect(0, 0, w, 2 * h);
  CopyPixels(ViewOf(bmp.get()), 0, h, ViewOf(shadow.get()), TRect(0, 0, w, h));
  md.Bmp = bmp.get();
  AddImage(std::move(bmp), u"OuterCalc", u"GLOBALINFO-" + name, md.R, TRect(), PPI, 1, false);
}
