// TkvSkinData, the loaded skin prepared for one PPI: its life, scaled values of "GLOBALINFO",
// the lookups of sections and images, the standard sections and fixed elements; the set of one
// loaded skin (TkvSkinSet) and the standard skin data objects.
//
// Sections:
//   1. Shared helpers of the loader (integers, scaling)
//   2. Name tables
//   3. TkvSkinCommonInfo, TkvSkinSet
//   4. TkvSkinData: life, scaled values, drawing constants
//   5. Lookups
//   6. Standard sections and fixed elements (InitConstantIndexes)
//   7. The standard skin data objects
#include <algorithm>
#include <limits>

#include "base/kvFontStore.h"
#include "base/kvntUtils.h"
#include "skin/sSkinManagerLoader.h"
#include "ui/Bitmap.h"
#include "ui/IniFiles.h"
#include "ui/SysUtils.h"

// ---- 1. Shared helpers ----------------------------------------------------------------------------

Integer kvMulDiv(Integer value, Integer numerator, Integer denominator) {
  if (denominator == 0) return -1;
  const Int64 product = Int64(value) * numerator;
  const Int64 d = denominator;
  // Rounded half away from zero, as the system's MulDiv.
  const bool negative = (product < 0) != (d < 0);
  const Int64 ap = product < 0 ? -product : product;
  const Int64 ad = d < 0 ? -d : d;
  Int64 q = (ap + ad / 2) / ad;
  if (negative) q = -q;
  if (q > std::numeric_limits<Integer>::max() || q < std::numeric_limits<Integer>::min()) return -1;
  return static_cast<Integer>(q);
}

Integer ScaleIntAt(const TkvSkinLoadSettings& settings, Integer value, Integer scaleIndex) {
  if (settings.Designing) return value;
  switch (settings.Options.ScaleMode) {
    case smOldMode: return value;
    case smCustomPPI: return kvMulDiv(value, settings.Options.PixelsPerInch, 96);
    default: return ScaleInteger(value, scaleIndex);
  }
}

Integer IniInteger(const TMemIniFile* ini, StringView section, StringView key, Integer def) {
  return ini ? ini->ReadInteger(section, key, def) : def;
}

String IniString(const TMemIniFile* ini, StringView section, StringView key, const String& def) {
  return ini ? ini->ReadString(section, key, def) : def;
}

bool IniHasKey(const TMemIniFile* ini, StringView section, StringView key) {
  return ini && ini->ValueExists(section, key);
}

// ---- 2. Name tables ---------------------------------------------------------------------------------

const std::array<const Char*, kvSectionCount> kvSectNames{
    u"MENUITEM",      u"CHECKBOX",      u"SPEEDBUTTON",    u"SPEEDBUTTON_SMALL",
    u"TOOLBUTTON",    u"TRANSPARENT",   u"GROUPBOX",       u"DIVIDER",
    u"WEBBUTTON",     u"BUTTON",        u"COMBONOEDIT",    u"BUTTON_HUGE",
    u"TOOLBAR",       u"EDIT",          u"GAUGE",          u"SELECTION",
    u"STATUSBAR",     u"PANEL",         u"PANEL_LOW",      u"TRACKBAR",
    u"PROGRESSV",     u"DRAGBAR",       u"GRIPH",          u"GRIPV",
    u"PROGRESSH",     u"TABSHEET",      u"COMBOBOX",       u"CAPTION",
    u"MAINMENU",      u"SPLITTER",      u"COMBOBTN",       u"FORMTITLE",
    u"HINT",          u"DIVIDERV",      u"PAGECONTROL",    u"TABTOP",
    u"BARPANEL",      u"BARTITLE",      u"DIALOG",         u"FORM",
    u"SCROLLBTNLEFT", u"SCROLLBTNTOP",  u"SCROLLBTNRIGHT", u"SCROLLBTNBOTTOM",
    u"SCROLLBAR1H",   u"SCROLLBAR1V",   u"SCROLLBAR2H",    u"SCROLLBAR2V",
    u"SCROLLSLIDERH", u"SCROLLSLIDERV", u"SLIDER_OFF",     u"SLIDER_ON",
    u"THUMB_ON",      u"THUMB_OFF",     u"MENUCAPTION",    u"DIALOGTITLE",
    u"MENUBTN",       u"MENULINE",      u"FORMHEADER",     u"TB_BTN",
    u"TB_MENUBTN",    u"TB_TAB",        u"COLHEADER",      u"COLHEADERA",
    u"COLHEADERL",    u"COLHEADERR",    u"UPDOWNBTN"};

const std::array<Byte, 13> kvAuxReplacement{ssToolBar,    ssFormTitle, ssSpeedButton, ssMenuLine, ssFormHeader,
                                            ssToolButton, ssTBMenuBtn, ssTabTop,      ssButton,   ssColHeader,
                                            ssColHeader,  ssColHeader, ssButton};

const std::array<const Char*, 13> kvTitleGlyphs{u"BICLOSEALONE", u"BICONCLOSE",  u"BICONMAX", u"BICONMIN", u"BICONNORM",
                                                u"BICONHELP",    u"SICONCLOSE",  u"SICONMAX", u"SICONMIN", u"SICONNORM",
                                                u"SICONHELP",    u"TITLEBUTTON", u""};
const std::array<std::array<const Char*, 4>, 4> kvTabSections{{
    {u"TABLEFTFIRST", u"TABTOPFIRST", u"TABRIGHTFIRST", u"TABBOTTOMFIRST"},
    {u"TABLEFTLAST", u"TABTOPLAST", u"TABRIGHTLAST", u"TABBOTTOMLAST"},
    {u"TABLEFTMIDDLE", u"TABTOPMIDDLE", u"TABRIGHTMIDDLE", u"TABBOTTOMMIDDLE"},
    {u"TABLEFT", u"TABTOP", u"TABRIGHT", u"TABBOTTOM"},
}};
const std::array<const Char*, 4> kvScrollBtns{u"SCROLLBTNLEFT", u"SCROLLBTNTOP", u"SCROLLBTNRIGHT", u"SCROLLBTNBOTTOM"};
const std::array<const Char*, 4> kvScrollParts{u"SCROLLBAR1H", u"SCROLLBAR1V", u"SCROLLBAR2H", u"SCROLLBAR2V"};
const std::array<const Char*, 4> kvUpDownBtns{u"UPDOWNBTN_LEFT", u"UPDOWNBTN_TOP", u"UPDOWNBTNRIGHT",
                                              u"UPDOWNBTN_BOTTOM"};
const std::array<const Char*, 2> kvScrollSliders{u"SCROLLSLIDERH", u"SCROLLSLIDERV"};
const std::array<const Char*, 2> kvRadioGlyphs{u"RADIOUNCHECKED", u"RADIOCHECKED"};
const std::array<const Char*, 3> kvCheckGlyphs{u"BOXUNCHECKED", u"BOXCHECKED", u"BOXGRAYED"};
const std::array<const Char*, 3> kvSmallChecks{u"SMALLUNCHECKED", u"SMALLCHECKED", u"SMALLGRAYED"};

// ---- 3. TkvSkinCommonInfo, TkvSkinSet ---------------------------------------------------------------

TkvSkinCommonInfo::TkvSkinCommonInfo() : OptionsDat(std::make_unique<TMemIniFile>(String(), true)) {
  Sections.fill(-1);
}
TkvSkinCommonInfo::~TkvSkinCommonInfo() = default;
TkvSkinCommonInfo::TkvSkinCommonInfo(TkvSkinCommonInfo&&) noexcept = default;
TkvSkinCommonInfo& TkvSkinCommonInfo::operator=(TkvSkinCommonInfo&&) noexcept = default;

TkvSkinSet::TkvSkinSet() : EmbeddedFonts(std::make_unique<TkvEmbeddedFonts>(nullptr)) {}

TkvSkinSet::~TkvSkinSet() {
  SkinDataArray.clear();  // the slots' images refer to the master bitmap: they go first
}

void TkvSkinSet::SwapSkin(TkvSkinSet& other) noexcept {
  std::swap(Settings, other.Settings);
  std::swap(LoadedName, other.LoadedName);
  std::swap(sc, other.sc);
  std::swap(SkinFile, other.SkinFile);
  std::swap(SkinIsPacked, other.SkinIsPacked);
  std::swap(MasterBitmap, other.MasterBitmap);
  std::swap(EmbeddedFonts, other.EmbeddedFonts);
  std::swap(Palette, other.Palette);
  Brushes.Swap(other.Brushes);
  std::swap(SkinCommonInfo, other.SkinCommonInfo);
  std::swap(SkinDataArray, other.SkinDataArray);
  std::swap(CommonDataLoaded, other.CommonDataLoaded);
  std::swap(PixelsMade, other.PixelsMade);
  std::swap(PaletteLoaded, other.PaletteLoaded);
  std::swap(Notices, other.Notices);
  for (auto& slot : SkinDataArray)
    if (slot) slot->Skin = this;
  for (auto& slot : other.SkinDataArray)
    if (slot) slot->Skin = &other;
}

Integer TkvSkinSet::SlotOf(Integer ppi, const TkvSkinLoadSettings& settings) {
  return settings.Options.ScaleMode == smVCL && !settings.Designing ? PPIToIndex(ppi) : 0;
}

TkvSkinData* TkvSkinSet::Slot(Integer index) const {
  return index >= 0 && index < Integer(SkinDataArray.size()) ? SkinDataArray[size_t(index)].get() : nullptr;
}

#ifndef _WIN32
TkvPaletteBrushes::~TkvPaletteBrushes() = default;
void TkvPaletteBrushes::Make(const TkvPalette&) {}  // no GDI brushes without Windows
#endif

// ---- 4. TkvSkinData: life, scaled values, drawing constants ---------------------------------------

TkvSkinData::TkvSkinData(DuRiruZireziv* owner, Integer ppi) : FOwner(owner), PPI(ppi) {
  ScalePercent = kvMulDiv(ppi, 100, 96);
  ScaleValue = PPIToIndex(ppi);
  TitleGlyphs.fill(-1);
  RadioButton.fill(-1);
  CheckBox.fill(-1);
  SmallCheckBox.fill(-1);
}

TkvSkinData::~TkvSkinData() { Reset(); }

void TkvSkinData::Reset() {
  FreeBitmaps();
  gd.clear();
  ma.clear();
  oe.clear();
  sectionIndex_.clear();
  imagesOf_.clear();
  rsta.reset();
  rsti.reset();
  ShdaTemplate.reset();
  ShdiTemplate.reset();
  DropExBorderPictures();
}

void TkvSkinData::FreeBitmaps() {
  BmpArray.clear();
  PixelsMade = 0;
}

void TkvSkinData::Init() {
  if (!FOwner) return;
  FOwner->ReloadSkin(PPI);  // marks the slot as initializing while it loads
}

bool TkvSkinData::Active() const { return FOwner && FOwner->IsActive(); }

Integer TkvSkinData::BrightMin() const { return FOwner && Skin ? Skin->SkinCommonInfo.BrightMin : -50; }

Integer TkvSkinData::BrightMax() const { return FOwner && Skin ? Skin->SkinCommonInfo.BrightMax : 50; }

Integer TkvSkinData::ScaleIntValue(Integer value) const { return kvMulDiv(value, PPI, 96); }

Integer TkvSkinData::ScaledInteger(StringView name, Integer def, Integer maskIndex, bool recalc) const {
  constexpr Integer kMissing = -99999;
  const TMemIniFile* ini = Skin ? Skin->SkinFile : nullptr;
  const String key(name);
  if (recalc && maskIndex >= 0 && maskIndex < Integer(ma.size())) {
    Integer srcPPI = ma[size_t(maskIndex)].DivPPI;
    Integer v = IniInteger(ini, u"GLOBALINFO", key + aSfxs[size_t(PPIToIndex(srcPPI))], kMissing);
    if (v == kMissing) {
      v = IniInteger(ini, u"GLOBALINFO", key, def);
      srcPPI = 96;
    }
    return kvMulDiv(v, PPI, srcPPI);
  }
  const Integer scale = std::clamp<Integer>(ScaleValue, 0, 3);
  Integer v = IniInteger(ini, u"GLOBALINFO", key + aSfxs[size_t(scale)], kMissing);
  if (v != kMissing) {
    if (Skin && Skin->Settings.Options.ScaleMode == smCustomPPI && Skin->Settings.Options.PixelsPerInch < 96)
      v = kvMulDiv(v, Skin->Settings.Options.PixelsPerInch, 96);
    return v;
  }
  if (scale == 0) return def;
  v = IniInteger(ini, u"GLOBALINFO", key, def);
  return recalc ? kvMulDiv(v, PPI, 96) : v;
}

void TkvSkinData::LoadParams() {
  const auto scaled = [this](Integer v) { return ScalePPI(v, PPI); };
  Spacing = scaled(4);
  LineWidth = scaled(kvLineWidth);
  ArrowSize = scaled(5);
  SmallArrowSize = scaled(4);
  ScrollBtnLength = scaled(kvScrollBtnLength);
}

TBitmap* TkvSkinData::BitmapOf(const TsMaskData& md) const {
  if (md.Bmp) return md.Bmp;
  return Skin ? Skin->MasterBitmap.get() : nullptr;
}

// ---- 5. Lookups -------------------------------------------------------------------------------------

void TkvSkinData::IndexSections() {
  sectionIndex_.clear();
  sectionIndex_.reserve(gd.size());
  for (size_t i = 0; i < gd.size(); ++i) sectionIndex_.emplace(gd[i].ClassName, Integer(i));  // the first one wins
}

Integer TkvSkinData::GetSkinIndex(StringView section) const {
  if (section.empty()) return -1;
  const auto it = sectionIndex_.find(String(section));
  return it == sectionIndex_.end() ? -1 : it->second;
}

void TkvSkinDataLoader::AddImageToIndex(TkvSkinData& d, Integer imageIndex) {
  const TsMaskData& md = d.ma[size_t(imageIndex)];
  if (md.SkinIndex < 0) return;
  if (size_t(md.SkinIndex) >= d.imagesOf_.size()) d.imagesOf_.resize(size_t(md.SkinIndex) + 1);
  d.imagesOf_[size_t(md.SkinIndex)].emplace_back(md.PropertyName, imageIndex);
}

void TkvSkinDataLoader::RebuildImageIndex(TkvSkinData& d) {
  d.imagesOf_.clear();
  for (size_t i = 0; i < d.ma.size(); ++i) AddImageToIndex(d, Integer(i));
}

Integer TkvSkinData::OwnImage(Integer skinIndex, StringView propName, bool texturesOnly) const {
  if (skinIndex < 0 || size_t(skinIndex) >= imagesOf_.size()) return -1;
  for (const auto& [key, image] : imagesOf_[size_t(skinIndex)])
    if (key == propName && (!texturesOnly || ma[size_t(image)].ImgType == itisaTexture)) return image;
  return -1;
}

void TkvSkinData::Reindex() {
  IndexSections();
  TkvSkinDataLoader::RebuildImageIndex(*this);
}

Integer TkvSkinData::LookUp(Integer skinIndex, StringView propName, bool textureOnly) const {
  // A PARENTCLASS loop of any length ends after as many steps as there are sections.
  for (size_t steps = 0; skinIndex >= 0 && steps <= gd.size(); ++steps) {
    const Integer own = OwnImage(skinIndex, propName, textureOnly);
    if (own >= 0) return own;
    if (size_t(skinIndex) >= gd.size()) return -1;
    const Integer parent = GetSkinIndex(gd[size_t(skinIndex)].ParentClass);
    if (parent == skinIndex) return -1;
    skinIndex = parent;
  }
  return -1;
}

Integer TkvSkinData::GetMaskIndex(Integer skinIndex, StringView propName) const {
  return LookUp(skinIndex, propName, false);
}

Integer TkvSkinData::GetMaskIndex(StringView section, StringView propName, bool texturesOnly) const {
  if (section.empty()) return -1;
  const auto fits = [&](const TsMaskData& md) {
    return md.ClassName == section && md.PropertyName == propName && (!texturesOnly || md.ImgType == itisaTexture);
  };
  const Integer index = GetSkinIndex(section);
  if (index >= 0 && size_t(index) < imagesOf_.size())
    for (const auto& [key, image] : imagesOf_[size_t(index)])
      if (key == propName && fits(ma[size_t(image)])) return image;
  // Images whose section index does not name their section (the generated outer effects).
  for (size_t i = 0; i < ma.size(); ++i)
    if (fits(ma[i])) return Integer(i);
  return -1;
}

Integer TkvSkinData::GetTextureIndex(Integer skinIndex, StringView propName) const {
  return LookUp(skinIndex, propName, true);
}

// ---- 6. Standard sections and fixed elements --------------------------------------------------------

namespace {

void ReadConstElementData(const TkvSkinData& d, TkvConstElementData& e, const String& section, const String& alt1,
                          const String& alt2) {
  e.SkinSection = section;
  e.SkinIndex = d.GetSkinIndex(section);
  if (e.SkinIndex < 0 && !alt1.empty()) {
    e.SkinSection = alt1;
    e.SkinIndex = d.GetSkinIndex(alt1);
    if (e.SkinIndex < 0 && !alt2.empty()) {
      e.SkinSection = alt2;
      e.SkinIndex = d.GetSkinIndex(alt2);
    }
  }
  e.MaskIndex = d.GetMaskIndex(e.SkinIndex, u"BORDERSMASK");
  e.GlyphIndex = d.GetMaskIndex(e.SkinIndex, u"GLYPHMASK");
  e.BGIndex[0] = d.GetMaskIndex(e.SkinIndex, u"PATTERN");
  e.BGIndex[1] = d.GetMaskIndex(e.SkinIndex, u"HOTPATTERN");
}

}  // namespace

void TkvSkinData::InitConstantIndexes() {
  if (!Skin) return;
  TkvSkinCommonInfo& info = Skin->SkinCommonInfo;
  const Integer global = GetSkinIndex(u"GLOBALINFO");
  info.IndexGlobalInfo = global;
  for (Integer i = 0; i < kvSectionCount; ++i) info.Sections[size_t(i)] = GetSkinIndex(kvSectNames[size_t(i)]);
  for (Integer i = ssMenuCaption; i <= ssUpDown; ++i) {
    if (info.Sections[size_t(i)] >= 0) continue;
    const Integer sub = kvAuxReplacement[size_t(i - ssMenuCaption)];
    if (sub == i) continue;
    const Integer subIndex = info.Sections[size_t(sub)];
    info.Sections[size_t(i)] = subIndex;
    if (subIndex >= 0)
      AddNewSection(kvSectNames[size_t(i)], subIndex, 0, 0, 0, 0);
    else
      AddNewSection(kvSectNames[size_t(i)], -1, -1, -1, TColor(-1), TColor(-1));
  }
  const auto globalImage = [&](const Char* name) { return GetMaskIndex(global, name); };
  for (size_t k = 0; k < 3; ++k) {
    CheckBox[k] = globalImage(kvCheckGlyphs[k]);
    SmallCheckBox[k] = globalImage(kvSmallChecks[k]);
  }
  for (size_t k = 0; k < 2; ++k) RadioButton[k] = globalImage(kvRadioGlyphs[k]);
  ExBorder = Skin->Settings.ExtBordersShadow ? -1 : globalImage(u"EXBORDER");
  GripRightBottom = globalImage(u"GRIPIMAGE");
  GripHorizontal = globalImage(u"GRIPHORZ");
  GripVertical = globalImage(u"GRIPVERT");

  ReadConstElementData(*this, MenuItem, u"MENUITEM", String(), String());
  ReadConstElementData(*this, ComboBtn, u"COMBOBTN", String(), String());
  ComboBtn.GlyphIndex = GetMaskIndex(GetSkinIndex(u"COMBOBOX"), u"GLYPHMASK");
  for (size_t kind = 0; kind < 4; ++kind)
    for (size_t side = 0; side < 4; ++side)
      ReadConstElementData(*this, Tabs[kind][side], kvTabSections[kind][side], String(), String());
  for (size_t i = 0; i < 2; ++i) ReadConstElementData(*this, Sliders[i], kvScrollSliders[i], String(), String());
  for (size_t i = 0; i < 4; ++i) {
    ReadConstElementData(*this, ScrollBtns[i], kvScrollBtns[i], String(), String());
    ReadConstElementData(*this, Scrolls[i], kvScrollParts[i], String(), String());
    ReadConstElementData(*this, UpDownBtns[i], kvUpDownBtns[i], u"UPDOWNBTN", u"BUTTON");
  }

  const Integer trackBar = GetSkinIndex(u"TRACKBAR");
  for (size_t slot = 0; slot < 2; ++slot) {
    TkvTrackBarData& t = TrackBar[slot];
    const bool vertical = slot == 0;
    t.SkinIndex = trackBar;
    t.MaskIndex = GetMaskIndex(trackBar, u"BORDERSMASK");
    t.ProgIndex = GetMaskIndex(trackBar, vertical ? u"PROGVERT" : u"PROGHORZ");
    t.TickIndex = GetMaskIndex(trackBar, vertical ? u"TICKVERT" : u"TICKHORZ");
    t.SliderIndex = GetMaskIndex(trackBar, u"SLIDERCHANNEL");
    t.GlyphIndex = vertical ? GetMaskIndex(trackBar, u"SLIDERVMASK") : -1;
    if (t.GlyphIndex < 0) t.GlyphIndex = GetMaskIndex(trackBar, u"SLIDERMASK");
    t.BGIndex[0] = GetMaskIndex(trackBar, u"PATTERN");
    t.BGIndex[1] = GetMaskIndex(trackBar, u"HOTPATTERN");
  }

  for (size_t n = 0; n < TitleGlyphs.size(); ++n) TitleGlyphs[n] = globalImage(kvTitleGlyphs[n]);
  if (TitleGlyphs[tgCloseAlone] < 0) TitleGlyphs[tgCloseAlone] = TitleGlyphs[tgClose];
  for (size_t n = tgSmallClose; n <= tgSmallHelp; ++n)
    if (TitleGlyphs[n] < 0) TitleGlyphs[n] = TitleGlyphs[n - 5];
  for (size_t n = 0; n <= tgNormal; ++n)
    for (size_t g = 0; g < TitleGlows[n].size(); ++g)
      TitleGlows[n][g] = globalImage((String(kvTitleGlyphs[n]) + u"GLOW" + IntToStr(Integer(g))).c_str());
  if (TitleGlyphs[tgCloseAlone] == TitleGlyphs[tgClose]) {
    GlowMargins[tgCloseAlone] = GlowMargins[tgClose];
    TitleGlows[tgCloseAlone] = TitleGlows[tgClose];
  }
}

// ---- 7. The standard skin data objects --------------------------------------------------------------

TkvSkinData* StdScaleData(Integer index) {
  index = std::clamp<Integer>(index, 0, 3);
  auto& slot = StdScaleArray[size_t(index)];
  if (!slot) {
    slot = std::make_unique<TkvSkinData>(nullptr, aPPIArray[size_t(index)]);
    slot->ScaleValue = index;
    slot->LoadParams();
  }
  return slot.get();
}

void ClearStdScaleArray() {
  for (auto& slot : StdScaleArray) slot.reset();
}
