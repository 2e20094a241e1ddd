// The skin manager and the loaded skin's data per PPI.
//
// Sections:
//   1. Records of one skin section and its looks, fixed elements, listed bitmaps
//   2. Standard sections, fixed-element names and palette colours
//   3. TkvSkinData: the loaded skin prepared for one PPI
//   4. TkvSkinSet: one loaded skin (its source, skin-wide values, palette and PPI slots), and
//      what a load reads of its manager
//   5. DuRiruZireziv: the skin manager component (its option objects and class-name lists are
//      in skin/sSkinManagerOptions.h; the internal skins in skin/sSkinManagerSources.h)
//   6. The menu options
//
// The skin loader fills these records; everything else reads them. Components keep section
// and image indexes into them, never pointers, because they are rebuilt on every skin change.
// The loader's parts live in sSkinManagerSources.cpp (where a skin comes from, the packed
// file), sSkinManagerImages.cpp (image references and the image list of a PPI),
// sSkinManagerRescale.cpp (rescaling, corners, outer images, mirroring), sSkinManagerSections.cpp
// (sections and their values), sSkinManagerSkinData.cpp (the per-PPI object),
// sSkinManagerPalette.cpp (palette, shadows, recolouring), sSkinManagerLoad.cpp (skin-wide
// values and the load as a whole) and sSkinManagerLoad.win.cpp (what a load asks of Windows).
#pragma once

#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

#include "base/ManagerLink.h"
#include "base/kvntTypes.h"
#include "base/sConst.h"
#include "base/sDefaults.h"
#include "skin/sMaskData.h"
#include "skin/sSkinManagerOptions.h"
#include "ui/Classes.h"
#ifdef _WIN32
#include "ui/Controls.h"  // TOwnerDrawState of the popup item event
#endif
#include "ui/WinFwd.h"

class TBitmap;
class TControl;
class TFont;
class TGraphicControl;
class TMemIniFile;
class TMemoryStream;
class TStringList;
class TkvEmbeddedFonts;
class TkvSkinConvertor;
class TGraphicControl;
class TsStoredSkins;
class TkvMenuSupport;
class TkvSkinListController;
struct TkvSkinEditorData;
enum TkvSkinTypes : Byte;

// ---- 1. Section records ---------------------------------------------------------------

// Text colour and the colours of its one-pixel offset copies (-1: no copy on that side).
struct TsFontColor {
  Integer Color = 0;
  Integer Left = -1, Top = -1, Right = -1, Bottom = -1;
};

// One look (state) of a section. Colours are in the platform's byte order; -1 means none,
// BorderColor 0xFF00FF means no border line.
struct TsGenState {
  Integer GlowSize = 0;
  Integer ImagePercent = 0;
  Integer TextureIndex = -1;
  Integer Transparency = 0;  // percent: 0 opaque, 100 fully transparent
  Integer GradientPercent = 0;
  Integer Color = 0xFFFFFF;
  Integer GlowColor = 0xFFFFFF;
  Integer LightColor = -1;
  Integer BorderColor = 0xFF00FF;
  TsFontColor FontColor;
  TsGradArray GradientArray;  // empty: no gradient
};

// One skin section; its index is its position in TkvSkinData::gd.
struct TsGeneralData {
  String ParentClass;
  String ClassName;
  std::array<TsGenState, 3> Props;  // normal, hot, second state
  bool UseState2 = false;
  bool GiveOwnFont = false;
  bool ShiftOnClick = false;
  bool ReservedBoolean = false;
  Integer States = 1;
  Integer ScrollBorderOffset = 0;
  Integer GlowCount = 0;
  Integer GlowMargin = 0;
  Integer GlowSize = 0, HotGlowSize = 0;
  Integer BorderWidth = 0;
  Integer BorderRadius = 0;
  Integer BorderIndex = 0;
  Integer ImgTL = -1, ImgTR = -1, ImgBL = -1, ImgBR = -1;
  Integer HotGlowColor = 0, GlowColor = 0;
  Integer OuterMode = 0;
  Integer OuterMask = -1;
  Integer OuterOpacity = 0;
  TRect OuterOffset;
  Integer OuterBlur = 0;
  Integer OuterRadius = 0;
  Integer OuterColorL = 0, OuterColorT = 0, OuterColorR = 0, OuterColorB = 0;
};

// One outer effect (shadow or glow outside a control's bounds).
struct TkvOutEffData {
  Integer ColorL = 0, ColorT = 0, ColorR = 0, ColorB = 0;
  Integer OffsetL = 0, OffsetT = 0, OffsetR = 0, OffsetB = 0;
  Integer WidthL = 0, WidthT = 0, WidthR = 0, WidthB = 0;
  Integer Blur = 0, Radius = 0;
  Integer Mask = -1;    // image index of its mask
  Integer Source = 0;   // 0 none, 1 image from the skin, otherwise computed
  Integer Opacity = 0;  // 0..255
};

// A fixed element of the skin (a scroll-bar part, a tab, the menu item): its section and the
// images the painters take from it; -1 where there is none.
struct TkvConstElementData {
  Integer SkinIndex = -1;
  Integer MaskIndex = -1;                      // "BORDERSMASK"
  Integer GlyphIndex = -1;                     // "GLYPHMASK"
  std::array<Integer, 3> BGIndex{-1, -1, -1};  // "PATTERN", "HOTPATTERN", (not filled)
  String SkinSection;                          // the section finally used
};

// The images of a track bar (slot 0 vertical, slot 1 horizontal).
struct TkvTrackBarData {
  Integer SkinIndex = -1;
  Integer MaskIndex = -1;
  Integer GlyphIndex = -1;  // the thumb
  std::array<Integer, 3> BGIndex{-1, -1, -1};
  Integer TickIndex = -1, ProgIndex = -1, SliderIndex = -1;
};

// One bitmap of a skin data object's bitmap list, which owns every bitmap its images use.
struct TkvBmpData {
  Integer MulPPI = 96, DivPPI = 96, MaskType = 0;
  String Path;      // section "-" key of the image that made it
  String FileName;  // upper-cased; empty for a piece of the master bitmap
  std::unique_ptr<TBitmap> Bmp;
  TRect R;           // the bitmap's rectangle
  TRect SrcRect;     // a piece of the master bitmap: its rectangle there
  bool Ext = false;  // loaded from a file
  // Copied from the master bitmap after the master was recoloured: it carries the tint already.
  bool Tinted = false;
};

// ---- 2. Standard sections and palette colours -----------------------------------------

enum TkvSection : Byte {
  ssMenuItem,
  ssCheckBox,
  ssSpeedButton,
  ssSpeedButton_Small,
  ssToolButton,
  ssTransparent,
  ssGroupBox,
  ssDivider,
  ssWebBtn,
  ssButton,
  ssComboNoEdit,
  ssButtonHuge,
  ssToolBar,
  ssEdit,
  ssGauge,
  ssSelection,
  ssStatusBar,
  ssPanel,
  ssPanelLow,
  ssTrackBar,
  ssProgressV,
  ssDragBar,
  ssGripH,
  ssGripV,
  ssProgressH,
  ssTabSheet,
  ssComboBox,
  ssCaption,
  ssMainMenu,
  ssSplitter,
  ssComboBtn,
  ssFormTitle,
  ssHint,
  ssDividerV,
  ssPageControl,
  ssTabTop,
  ssBarPanel,
  ssBarTitle,
  ssDialog,
  ssForm,
  ssScrollBtnLeft,
  ssScrollBtnTop,
  ssScrollBtnRight,
  ssScrollBtnBottom,
  ssScrollBar1H,
  ssScrollBar1V,
  ssScrollBar2H,
  ssScrollBar2V,
  ssScrollSliderH,
  ssScrollSliderV,
  ssSlider_Off,
  ssSlider_On,
  ssThumb_On,
  ssThumb_Off,
  ssMenuCaption,
  ssDialogTitle,
  ssMenuButton,
  ssMenuLine,
  ssFormHeader,
  ssTBBtn,
  ssTBMenuBtn,
  ssTBTab,
  ssColHeader,
  ssColHeaderA,
  ssColHeaderL,
  ssColHeaderR,
  ssUpDown
};
constexpr Integer kvSectionCount = ssUpDown + 1;

// The names of the standard sections, by TkvSection.
extern const std::array<const Char*, kvSectionCount> kvSectNames;
// The substitute of each of the standard sections 54 to 66 (kvAuxReplacement[i - 54]); a
// section that is its own substitute is not replaced.
extern const std::array<Byte, 13> kvAuxReplacement;

enum TkvTitleGlyph : Byte {
  tgCloseAlone,
  tgClose,
  tgMax,
  tgMin,
  tgNormal,
  tgHelp,
  tgSmallClose,
  tgSmallMax,
  tgSmallMin,
  tgSmallNormal,
  tgSmallHelp,
  tgTitleButton,
  tgNone
};
// Image names of the title-bar glyphs, by TkvTitleGlyph ("" for tgNone).
extern const std::array<const Char*, 13> kvTitleGlyphs;
// Tab sections by kind (first, last, middle, single) and side (left, top, right, bottom).
extern const std::array<std::array<const Char*, 4>, 4> kvTabSections;
extern const std::array<const Char*, 4> kvScrollBtns;
extern const std::array<const Char*, 4> kvScrollParts;
extern const std::array<const Char*, 4> kvUpDownBtns;
extern const std::array<const Char*, 2> kvScrollSliders;
extern const std::array<const Char*, 2> kvRadioGlyphs;
extern const std::array<const Char*, 3> kvCheckGlyphs;
extern const std::array<const Char*, 3> kvSmallChecks;

enum TkvPaletteColors : Byte {
  pcMainColor,
  pcLabelText,
  pcWebText,
  pcWebTextHot,
  pcEditText,
  pcEditBG,
  pcSelectionBG,
  pcSelectionText,
  pcSelectionBG_Focused,
  pcSelectionText_Focused,
  pcEditBG_Inverted,
  pcEditText_Inverted,
  pcEditBG_OddRow,
  pcEditBG_EvenRow,
  pcEditText_Ok,
  pcEditText_Warning,
  pcEditText_Alert,
  pcEditText_Caution,
  pcEditText_Bypassed,
  pcEditBG_Ok,
  pcEditBG_Warning,
  pcEditBG_Alert,
  pcEditBG_Caution,
  pcEditBG_Bypassed,
  pcEditText_Highlight1,
  pcEditText_Highlight2,
  pcEditText_Highlight3,
  pcBtnColor1Active,
  pcBtnColor2Active,
  pcBtnBorderActive,
  pcBtnFontActive,
  pcBtnColor1Normal,
  pcBtnColor2Normal,
  pcBtnBorderNormal,
  pcBtnFontNormal,
  pcBtnColor1Pressed,
  pcBtnColor2Pressed,
  pcBtnBorderPressed,
  pcBtnFontPressed,
  pcBtnToneRed,
  pcBtnToneRedActive,
  pcBtnToneGreen,
  pcBtnToneGreenActive,
  pcBtnToneBlue,
  pcBtnToneBlueActive,
  pcBtnToneYellow,
  pcBtnToneYellowActive,
  pcBtnRedText,
  pcBtnRedTextActive,
  pcBtnGreenText,
  pcBtnGreenTextActive,
  pcBtnBlueText,
  pcBtnBlueTextActive,
  pcBtnYellowText,
  pcBtnYellowTextActive,
  pcBorder,
  pcGrid,
  pcHintBG,
  pcHintText
};
constexpr Integer kvPaletteCount = pcHintText + 1;
using TkvPalette = std::array<TColor, kvPaletteCount>;

// ---- 3. TkvSkinData -------------------------------------------------------------------

class DuRiruZireziv;
class TkvSkinSet;
class TkvSkinText;

// The loaded skin prepared for one PPI. The manager keeps one per PPI slot in its
// SkinDataArray; four more (StdScaleArray, no owner, no sections) answer while no skin is
// active. Painters reach sections by index into gd, images by index into ma, the two global
// outer effects through oe, fixed elements through the constant indexes, and metrics already
// scaled to PPI.
class TkvSkinData : public TkvObject {
 public:
  TkvSkinData() : TkvSkinData(nullptr, 96) {}
  TkvSkinData(DuRiruZireziv* owner, Integer ppi);
  ~TkvSkinData() override;
  TkvSkinData(const TkvSkinData&) = delete;
  TkvSkinData& operator=(const TkvSkinData&) = delete;

  std::unique_ptr<TBitmap> rsta;     // shadow of an active window, made on first request
  std::unique_ptr<TBitmap> rsti;     // shadow of an inactive window
  bool Initializing = false;         // true while Init runs
  std::vector<TkvBmpData> BmpArray;  // bitmaps loaded or scaled for this PPI
  Int64 PixelsMade = 0;              // pixels of the bitmaps this slot's load made
  DuRiruZireziv* FOwner = nullptr;   // nil for the standard objects
  TkvSkinSet* Skin = nullptr;        // the skin it was loaded from (its source and skin-wide values)
  Integer ScaleValue = 0;            // scale index 0..3
  Integer ScalePercent = 100;
  Integer PPI = 96;
  Integer Spacing = 4, LineWidth = 2, ArrowSize = 5, SmallArrowSize = 4, ScrollBtnLength = 16;
  Integer Shadow1Blur = -1, Shadow1Offset = 0;
  Integer ExBorderWidth = 0, ExTitleHeight = 0, ExMaxHeight = 0, ExContentOffs = 0, ExCenterOffs = 0;
  Integer ExShadowOffs = 0, ExShadowOffsR = 0, ExShadowOffsT = 0, ExShadowOffsB = 0;
  Integer BIRightMargin = 0, BILeftMargin = 0, BITopMargin = 0;
  Integer WndShadowRadius = 17, WndShadowSize = 13, WndShadowOffset = 2;
  Integer Shadow1Transparency = 0;
  Integer ExDrawMode = 0;  // "BORDERMODE"
  Integer BISpacing = 0;
  Integer ComboBoxMargin = 2, SliderMargin = 1;
  Integer ScrollsWidth = -1, ThumbWidth = 0, ScrollArrows = -1;
  Byte TabsCovering = 0, RibbonCovering = 0;
  TColor WndShadowColorN = 0x44000000, WndShadowColorA = 0x99000000;  // alpha in the high byte
  std::array<TkvConstElementData, 4> Scrolls;     // tracks: horizontal 1, vertical 1, horizontal 2, vertical 2
  std::array<TkvConstElementData, 4> ScrollBtns;  // left, top, right, bottom
  std::array<TkvConstElementData, 4> UpDownBtns;  // left, top, right, bottom
  std::array<TkvConstElementData, 2> Sliders;     // horizontal, vertical
  TkvConstElementData MenuItem, ComboBtn;
  std::array<std::vector<Integer>, 7> TitleGlows;  // glow frames of the first five title glyphs
  std::array<Integer, 7> GlowMargins{};
  std::array<Integer, 13> TitleGlyphs;  // by TkvTitleGlyph
  std::array<Integer, 2> RadioButton;   // unchecked, checked
  std::array<Integer, 3> CheckBox;      // unchecked, checked, grayed
  std::array<Integer, 3> SmallCheckBox;
  std::array<TkvTrackBarData, 2> TrackBar;                 // vertical, horizontal
  std::array<std::array<TkvConstElementData, 4>, 4> Tabs;  // by kind, then side
  Integer ExBorder = -1;                                   // the extended form border, -1 none
  Integer GripVertical = -1, GripHorizontal = -1, GripRightBottom = -1;
  std::unique_ptr<TBitmap> ShdaTemplate, ShdiTemplate;  // shadow templates of active and inactive windows
  TRect FormShadowSize;                                 // shadow margins of a form on each side
  std::vector<TsMaskData> ma;                           // images
  std::vector<TkvOutEffData> oe;                        // entry 0 the "LO_" effect, entry 1 the "SH_" effect
  std::vector<TsGeneralData> gd;                        // sections

  // ReloadSkin of the manager for this object's PPI, with Initializing set meanwhile.
  void Init();
  // Frees the bitmaps, empties gd, ma and oe, frees the shadows and templates.
  void Reset();
  // The owner's IsActive; without an owner False.
  bool Active() const;
  // "BRIGHTMIN" and "BRIGHTMAX" of the skin; without an owner -50 and 50.
  Integer BrightMin() const;
  Integer BrightMax() const;
  // An integer of "GLOBALINFO" scaled to this PPI; a key with the scale's suffix wins.
  Integer ScaledInteger(StringView name, Integer def, Integer maskIndex, bool recalc) const;
  Integer ScaleIntValue(Integer value) const;

  // -- Loading, in the order the manager runs them.
  void LoadParams();          // drawing constants scaled to PPI
  void LoadAllMasks();        // the images of every section
  void LoadAllGeneralData();  // the sections, their values, the global values
  void LoadGlobalData();      // the values of "GLOBALINFO" and the two global outer effects
  void MakeCommonMask(TkvOutEffData& oed, const String& name);
  void InitConstantIndexes();  // standard sections and fixed elements
  void InitMaskIndexes();      // sections linked to their images, image sizes completed
  void InitMaskParams();       // metrics of the extended border
  void CheckShadows();         // window shadow templates
  TBitmap* GetActiveShadow();
  TBitmap* GetPassiveShadow();
  // One state picture of an image (Width x Height, state k at x = k * Width) cut out into a
  // bitmap of its own; what lies outside the image's bitmap stays clear.
  std::unique_ptr<TBitmap> CutImageState(const TsMaskData& md, Integer state) const;
  // The "EXBORDER" image's picture for the active look (its second state when it has more than
  // one) or the inactive one (its first), cut once and kept like the shadow templates (until
  // Reset or CheckShadows, or until ExBorder names another image); nil without that image.
  TBitmap* ExBorderPicture(bool active);

  // -- The images and the bitmap list.
  Integer MakeNewItem(Integer skinIndex, const String& propertyName, const String& className, TkvImgType imgType,
                      const TRect& r, Integer count, Integer drawMode, Integer maskType);
  // Gives md its bitmap (a listed one, a loaded file, or a rescaled piece of the master
  // bitmap); false when an image file fails to load.
  bool DefineBmp(TsMaskData& md, const String& imgName, const TRect& r, bool ignoreFuchsia);
  Integer SearchBmpIndex(const String& imgName, const TRect& r) const;
  void UpdateItem(TsMaskData& md, Integer bmpIndex);
  // Lists a bitmap (taking it over); the index of its entry.
  Integer AddImage(std::unique_ptr<TBitmap> bmp, const String& fileName, const String& propName, const TRect& r,
                   const TRect& srcRect, Integer srcPPI, Integer maskType, bool ext);
  Integer AddNewSection(const String& name, Integer parentSection, Integer states, Integer transparency, TColor color,
                        TColor fontColor);
  void FreeBitmaps();
  // The bitmap an image lies in: its own, else the master bitmap of its skin.
  TBitmap* BitmapOf(const TsMaskData& md) const;

  // -- Lookups (names compare exactly). Sections by name are hashed.
  Integer GetSkinIndex(StringView section) const;
  // The first image of the section with that key; through PARENTCLASS when the section has none.
  Integer GetMaskIndex(Integer skinIndex, StringView propName) const;
  // The first image of that section name and key (a texture with texturesOnly); no inheritance.
  Integer GetMaskIndex(StringView section, StringView propName, bool texturesOnly = false) const;
  // The first image of the section index with that key (a texture with texturesOnly); no
  // inheritance.
  Integer OwnImage(Integer skinIndex, StringView propName, bool texturesOnly) const;
  // The first texture image of the section with that key; through PARENTCLASS.
  Integer GetTextureIndex(Integer skinIndex, StringView propName) const;
  // Rebuilds the name index after sections were added outside the loader.
  void IndexSections();
  // Rebuilds the section and the image indexes after gd or ma were filled by hand.
  void Reindex();

 private:
  friend class TkvSkinDataLoader;
  Integer LookUp(Integer skinIndex, StringView propName, bool textureOnly) const;
  std::unordered_map<String, Integer> sectionIndex_;  // first section of each name
  // The "EXBORDER" image's cut state pictures (inactive, active; the active one empty for a
  // one-state image) and the image they were cut from, -1 for none.
  std::unique_ptr<TBitmap> exBorderPictures_[2];
  Integer exBorderPicturesOf_ = -1;
  void DropExBorderPictures();
  // Per section index: its images (key, image index) in the order they were made.
  std::vector<std::vector<std::pair<String, Integer>>> imagesOf_;
};

// value * numerator / denominator rounded to nearest (halves away from zero), as the system's
// MulDiv; -1 when the denominator is 0 or the result does not fit.
Integer kvMulDiv(Integer value, Integer numerator, Integer denominator);

// The standard skin data of a scale index (0..3): no owner, no sections, base metrics only.
TkvSkinData* StdScaleData(Integer index);
// Whether a point of an area width x height that a border image covers falls on a transparent
// pixel of the image's corners (first state picture only). Points outside the area, outside
// the corners, or mapping outside the picture are not transparent; nor is any point of an image
// without a bitmap of its own.
bool PtIsTransparent(Integer x, Integer y, const TsMaskData& mask, Integer width, Integer height);

// ---- 4. TkvSkinSet: one loaded skin --------------------------------------------------------

// Skin-wide values of the loaded skin.
struct TkvSkinCommonInfo {
  TkvSkinCommonInfo();
  ~TkvSkinCommonInfo();
  TkvSkinCommonInfo(TkvSkinCommonInfo&&) noexcept;
  TkvSkinCommonInfo& operator=(TkvSkinCommonInfo&&) noexcept;

  bool Active = false;  // slot 0 of the skin data holds at least one section
  bool UseAeroBluring = false;
  double Version = 0;
  String Author, SkinPath, MainFont, Description;
  TColor FXColor = 0, Shadow1Color = 0, DefLightColor = TColor(-1), SysInactiveBorderColor = 0;
  TkvArrowsStyle ArrowStyle = arsSolid1;
  Integer BIVAlign = 0, BIKeepHUE = 0, BrightMin = -50, BrightMax = 50;
  Integer IndexGlobalInfo = -1;
  std::array<Integer, kvSectionCount> Sections;  // index of each standard section, -1 = none
  std::unique_ptr<TMemIniFile> OptionsDat;       // the skin's ini text, case-sensitive
};

// The system colours and metrics a load reads. Natively (and until the manager reads the
// system's) they are fixed equivalents of the Windows 10 defaults.
struct TkvSystemColors {
  TkvSystemColors();
  // The RGB value of a colour: a system colour (clBtnFace ...) from the table, the palette
  // colours of the engine (sl...) by the RGB value built into them, others unchanged.
  TColor RGBOf(TColor color) const;
  std::array<TColor, 31> Colors;  // RGB by system colour index (COLOR_SCROLLBAR ... COLOR_MENUBAR)
  Integer SizingFrameWidth = 4;   // the sizing frame's width, FORMOFFSET's default
};

// An internal skin as a load sees it: its name and the packed bytes it borrows.
struct TkvStoredSkinData {
  String Name;
  const TMemoryStream* PackedData = nullptr;
};

// What a skin load reads of its manager, taken when the load starts.
struct TkvSkinLoadSettings {
  String SkinDirectory;  // the full skin folder, with its trailing separator
  String SkinName;
  TkvOptionValues Options;  // scale mode and custom PPI
  bool Designing = false;
  std::vector<String> CommonSections;  // ini lines of sections the skin may lack
  Integer HueOffset = 0, Saturation = 0, Brightness = 0;
  bool ExtendedBorders = false;                 // the manager draws extended borders (and can)
  bool ExtBordersShadow = false;                // extended-border mode ebmShadow (else ebmFull)
  bool PreviewMode = false;                     // started with "/kvpreview" as first parameter
  const TStringList* EditorSkinFile = nullptr;  // the skin editor's live preview text
  std::vector<TkvStoredSkinData> InternalSkins;
  TkvSystemColors System;
};

// A message for the user that a load raised; the manager shows them after the load.
struct TkvSkinNotice {
  enum Kind : Byte { Plain, Error, Warning };
  Kind kind = Plain;
  String Text;
};

enum TkvSkinLoadStatus : Byte {
  slsLoaded,      // the skin is in the set
  slsNoSource,    // no folder, packed file or internal skin has it: the manager goes inactive
  slsFormatError  // the source is broken (packed data without options text): nothing loaded
};

// The six palette brushes (Windows GDI brushes; none natively), owned.
class TkvPaletteBrushes {
 public:
  TkvPaletteBrushes() = default;
  ~TkvPaletteBrushes();
  TkvPaletteBrushes(const TkvPaletteBrushes&) = delete;
  TkvPaletteBrushes& operator=(const TkvPaletteBrushes&) = delete;
  void Swap(TkvPaletteBrushes& other) noexcept { Handles.swap(other.Handles); }
  // Solid brushes of palette entries 0 to 5 (the previous ones deleted).
  void Make(const TkvPalette& palette);
  std::array<void*, 6> Handles{};
};

// One loaded skin: where it came from, its skin-wide values, palette, fonts and its PPI slots.
// The manager holds its current skin as one (its base); a skin change loads a fresh one and
// the manager takes it over only when the load succeeded.
class TkvSkinSet {
 public:
  TkvSkinSet();
  ~TkvSkinSet();
  TkvSkinSet(const TkvSkinSet&) = delete;
  TkvSkinSet& operator=(const TkvSkinSet&) = delete;

  // Exchanges everything with another set and points each slot at the set that now holds it.
  void SwapSkin(TkvSkinSet& other) noexcept;
  // The slot of a PPI under these settings: its scale index in scale mode smVCL (outside design
  // time), else 0.
  static Integer SlotOf(Integer ppi, const TkvSkinLoadSettings& settings);
  // The slot's skin data, or nil.
  TkvSkinData* Slot(Integer index) const;

  TkvSkinLoadSettings Settings;          // what the load read of the manager
  String LoadedName;                     // the skin that was loaded (an internal skin may stand in)
  std::unique_ptr<TkvSkinConvertor> sc;  // the unpacked packed or internal skin
  TMemIniFile* SkinFile = nullptr;       // the ini in use (SkinCommonInfo.OptionsDat)
  bool SkinIsPacked = false;
  std::unique_ptr<TBitmap> MasterBitmap;  // 32-bit, fuchsia with alpha 0 transparent
  std::unique_ptr<TkvEmbeddedFonts> EmbeddedFonts;
  TkvPalette Palette{};
  TkvPaletteBrushes Brushes;
  TkvSkinCommonInfo SkinCommonInfo;
  // One slot per scale index in use; slot 0 serves 96 PPI.
  std::vector<std::unique_ptr<TkvSkinData>> SkinDataArray;
  bool CommonDataLoaded = false;  // master bitmap, fonts and common values are read
  bool PaletteLoaded = false;     // palette made and recoloured (once per skin)
  Int64 PixelsMade = 0;           // pixels of the bitmaps its slots made (a skin's limit)
  TkvSkinText* Text = nullptr;    // borrowed: the skin text's resolved values while a load runs
  std::vector<TkvSkinNotice> Notices;
};

// ---- 5. The skin manager --------------------------------------------------------------

enum TkvManagerStateValue : Byte {
  msFontChanging,
  msScaleChanging,
  msSkinRemoving,
  msSkinChanging,
  msBroadCasting,
  msAnimScaling,
  msFormScaling,
  msRTLFlipped
};
using TkvManagerState = TSet<TkvManagerStateValue>;

// What the application-window hook saw last of the application's minimize and restore (a
// provider also keeps a pending show action in it, maximize included).
enum TShowAction : Byte { saIgnore, saMinimize, saRestore, saMaximize };

// The library's version ("Version", and the box of the "/kvver" switch).
inline constexpr Char kvCurrentVersion[] = u"16.22";

#ifdef _WIN32
// The record of one standard dialog the dialog skinner is about to skin (OnSysDlgInit).
struct TkvSysDlgData {
  HWND WindowHandle = nullptr;
};
#endif

// What a change of the scale mode or of the custom PPI changes (OnScaleModeChange).
struct TScaleChangeData {
  TkvScaleMode OldScaleMode = smVCL, NewScaleMode = smVCL;
  Integer OldScalePercent = 100, NewScalePercent = 100;
  Integer OldPPI = 96, NewPPI = 96;
};
using TkvScaleModeChangeEvent = TEvent<void(TObject* Sender, TScaleChangeData& Data)>;
using TkvSkinChangingEvent = TEvent<void(TObject* Sender, const String& NewName, bool& AllowSkinChanging)>;
using TkvFontChangedEvent = TEvent<void(TObject* Sender, const String& OldFontName, const String& NewFontName)>;
#ifdef _WIN32
using TkvSysDlgInitEvent = TEvent<void(TkvSysDlgData& DlgData, bool& AllowSkinning)>;
class TMenuItem;
// A popup item's own font and colour: asked before the item is measured (State empty) and
// drawn; a changed font colour is kept instead of the skin's.
using TkvGetPopupItemDataEvent = TEvent<void(TMenuItem* Item, TOwnerDrawState State, TFont* ItemFont)>;
// The extra line of a popup, asked once per popup with its first item: the section it is
// painted with, a caption (read upwards) and a glyph at its foot; LineVisible false shows no
// line at all.
using TkvGetPopupLineDataEvent = TEvent<void(TMenuItem* FirstItem, String& SkinSection, String& Caption,
                                             std::unique_ptr<TBitmap>& Glyph, bool& LineVisible)>;
#endif

// The skin manager component: it owns the loaded skin (its TkvSkinSet base, so that the
// painters read SkinCommonInfo, SkinDataArray, MasterBitmap and Palette directly), its options
// and lists, and drives every skin change of the application. The first one created is the
// DefaultManager, which controls without a manager of their own use.
class DuRiruZireziv : public TComponent, public TkvSkinSet {
  TW_CLASS(DuRiruZireziv, TComponent)
  explicit DuRiruZireziv(TComponent* owner = nullptr);
  ~DuRiruZireziv() override;
  void AfterConstruction() override;
  void Loaded() override;

  // -- Published properties (their setters act as the table of the skin change says).
  bool Active() const { return FActive; }
  void SetActive(bool value);
  const String& SkinName() const { return FSkinName; }
  // The skin change.
  void SetSkinName(const String& value);
  // A value that differs (without regard to case) from the stored folder replaces it.
  const String& SkinDirectory() const { return FSkinDirectory; }
  void SetSkinDirectory(const String& value);
  TsStoredSkins* InternalSkins() const { return FInternalSkins.get(); }
  TSet<TkvSkinsFilterItem> SkinsFilter() const { return FSkinsFilter; }
  void SetSkinsFilter(TSet<TkvSkinsFilterItem> value);
  TSet<TkvSkinningRule> SkinningRules() const { return FSkinningRules; }
  void SetSkinningRules(TSet<TkvSkinningRule> value);
  bool SkinnedPopups() const { return FSkinnedPopups; }
  void SetSkinnedPopups(bool value);
  // ExtendedBorders while layered windows are available.
  bool GetExtendedBorders() const;
  bool ExtendedBorders() const { return FExtendedBorders; }
  void SetExtendedBorders(bool value);
  TkvExtBordersMode ExtBordersMode() const { return FExtBordersMode; }
  void SetExtBordersMode(TkvExtBordersMode value);
  // 0 Brightness (clamped to -100..100), 1 HueOffset, 2 Saturation; a change reloads the skin.
  Integer GetColorAdjustment(Integer index) const;
  void SetColorAdjustment(Integer index, Integer value);
  Integer Brightness() const { return FBrightness; }
  Integer HueOffset() const { return FHueOffset; }
  Integer Saturation() const { return FSaturation; }
  TStringList* CommonSections() const { return FCommonSections.get(); }
  // Takes the lines with every blank removed (empty lines and ";" comments as they are) and
  // reloads the skin.
  void SetCommonSections(const TStringList* value);
  bool GetIsDefault() const;
  void SetIsDefault(bool value);
  Integer GroupIndex = 0;
  TkvOptions Options{this};
  TkvSkinEffects Effects{this};
  TkvAnimEffects AnimEffects{this};
  TkvButtonsSupport ButtonsOptions{this};
  TkvLabelsSupport LabelsOptions;
  TkvScrollBarsSupport ScrollsOptions{this};
  TkvFonts Fonts{this};
  TsThirdPartyList ThirdParty;
  TkvMenuSupport* MenuSupport() const { return FMenuSupport.get(); }

  // -- Events.
  TNotifyEvent OnBeforeChange;
  TkvSkinChangingEvent OnSkinChanging;
  TNotifyEvent OnSkinLoading;
  TNotifyEvent OnActivate;
  TNotifyEvent OnAfterChange;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnSkinListChanged;
  TkvFontChangedEvent OnFontChanged;
#ifdef _WIN32
  TkvSysDlgInitEvent OnSysDlgInit;
  TkvGetPopupItemDataEvent OnGetPopupItemData;
  TkvGetPopupLineDataEvent OnGetPopupLineData;
#endif

  // -- The skin in force.
  // A skin is loaded: slot 0 of the skin data holds sections.
  bool IsActive() const { return SkinCommonInfo.Active; }
  // The skin data serving a PPI; never nil. Without an active skin (and outside a change or
  // a broadcast) one of the four standard objects.
  TkvSkinData* CommonSkinData(Integer aPPI = 96);
  // The slot of a PPI: its scale index in smVCL outside design time, else 0.
  Integer SlotIndex(Integer aPPI) const;
  // The PPIs a skin change loads: 96 and the application's in smVCL, the custom PPI in
  // smCustomPPI, the PPI of the scale in force otherwise.
  std::vector<Integer> PPIsInUse() const;
  // The scale index in force: the mode's own for sm100..sm200, the system's for smAuto, 0 for
  // smOldMode and smVCL (and while designing), 7 for smCustomPPI.
  Integer GetScale() const;

  // -- What the component does to the application's windows (sSkinManager.win.cpp; without
  //    a window system there are no forms, hooks or message boxes, and these reach nobody).
  // SM_ALPHACMD with the command (arg in WParam's low word) to every form and control once
  // (AppBroadCastS; at design time the designed forms).
  void BroadcastToForms(Word command, intptr_t lParam, Word arg = 0);
  // The same to the registered forms and hooked dialogs only (SendToHooked).
  void BroadcastToHooked(Word command, intptr_t lParam);

  // -- Broadcasts and repainting.
  // KV_SETNEWSKIN to every form and control, then the thread hook, the application font and
  // (with repaint) one repaint of every form.
  void SendNewSkin(bool repaint);
  // KV_REMOVESKIN to every form and control after the skin data are cleared.
  void SendRemoveSkin();
  // SendNewSkin while Active.
  void UpdateSkin(bool repaint);
  void UpdateSkinSection(const String& sectionName);
  void RepaintForms(bool doLockForms);
  void RepaintSection(const String& sectionName);
  // Reloads the current skin in place (colour adjustments, border options).
  void UpdateCurrentSkin();
  void BeginUpdate();
  void EndUpdate(bool repaint, bool allowAnimation);
  void ChangeAppFont(const String& fontName, bool doLockForms);
  // Remembers the application's font before any skin (once).
  void StoreDefFont();
#ifdef _WIN32
  // Applies the manager's application font to ctrl; True when it changed it.
  bool UpdateFontName(TControl* ctrl);
#endif
  // The thread CBT hook of the default manager (installed after a new skin, removed with it).
  void InstallHook();
  void UnInstallHook();
  // The class library's UseLatestCommonDialogs by the rules and the state (default manager).
  void UpdateCommonDlgs();
  // What DisableManager switched off, for EnableManager to give back.
  struct TkvPausedSkinning {
    bool StdDialogs = false;
    bool ChangeSysColors = false;
  };
  // Standard-dialog skinning (srStdDialogs) and system-colour patching off while the boxes of
  // a load show, so that no box is drawn by a skin that is not in place; EnableManager puts the
  // previous settings back.
  TkvPausedSkinning DisableManager();
  void EnableManager(const TkvPausedSkinning& saved);
  // ChangeSysColors was set: the default manager, active and neither designed nor loaded,
  // patches or restores the system colour functions at once.
  void SysColorsOptionChanged();

  // -- The skin editor's preview (sSkinManagerPreview.cpp). PreviewBuffer holds the last
  //    record a provider copied in (CopyPreviewData); ReceiveData applies it.
  std::unique_ptr<TkvSkinEditorData> PreviewBuffer;
  bool CopyPreviewData(const void* data, size_t size);
  // A section is named and no colour adjustment is in force: only that section is repainted.
  bool PartialPreview() const;
  void ReceiveData();
#ifdef _WIN32
  // -- The application-window hook of the default manager (sSkinManagerHooks.win.cpp); True:
  //    handled.
  bool MainWindowHook(TMessage& message);
  // Switches the taskbar's iconic thumbnail of a window (only while kv_ChangeThumbPreviews).
  void UpdatePreview(HWND wnd, bool value);
#endif

#ifdef _WIN32
  // -- The list of selectable skins (sSkinManagerList.win.cpp).
  TkvSkinListController* SkinListController() const { return FSkinListController.get(); }
  // The names of the listed skins of a kind (the list completed first), sorted into sl; with
  // createDataObject each carries its thumbnail's index in a TkvItemDrawDataObj that sl owns.
  // The answer is the first name listed, before sorting; empty when there is none.
  String GetSkinNames(TStringList& sl, bool createDataObject, TkvSkinTypes skinType);
  // The same for the skins of the skin folder (a second manager on the default manager's folder
  // copies its list).
  String GetExternalSkinNames(TStringList& sl, bool createDataObject);
#endif
  // The internal skins changed: a running listing stops and the list is out of date.
  void InternalSkinsChanged();

  // -- Scale modes (sSkinManagerScale.cpp, forms in sSkinManagerScale.win.cpp).
  // A length at 96 PPI scaled for the manager; sysScale -1: the scale index in force.
  Integer ScaleInt(Integer value, Integer sysScale = -1) const;
  // The PPI the manager itself decides for its controls: 96 while designing, the custom PPI
  // in smCustomPPI, the PPI of the scale in force in the other modes but smVCL; 0 when it
  // decides nothing (smVCL, or checkActive without an active skin): the control's own counts.
  Integer ManagerPPI(bool checkActive) const;
  // smVCL with the application at one of the four standard PPIs.
  bool UsesSystemPPI(Integer applicationPPI) const;
  // The system's scroll-bar width (at screenPPI) as the scale mode in force draws it at
  // scalePPI: unscaled in smAuto and smOldMode.
  Integer ScaledSystemWidth(Integer systemWidth, Integer scalePPI, Integer screenPPI) const;
  // A skinned scroll bar's width at scalePPI: the option's size, else the skin's, else the
  // system's, scaled.
  Integer ScrollSizeAt(Integer scalePPI, Integer systemWidth, Integer screenPPI);
  // A combo box button's width at scalePPI: the system's, scaled outside design time.
  Integer ComboBtnSizeAt(Integer scalePPI, Integer systemWidth, Integer screenPPI) const;
  // Rescales one form or control from iCurrentPPI to iNewDPI (0: by the mode in force).
  void UpdateScale(TControl* ctrl, Integer iCurrentPPI, Integer iNewDPI);
  // Rescales the icon-font image lists and every registered form.
  void UpdateAllScale();
  void SetNewScaleMode(TkvScaleMode oldScaleMode, TkvScaleMode newScaleMode, Integer newPPI, Integer oldPPI);
  void DoScaleChanged(TkvScaleMode newScaleMode, bool reduceSize);
  TkvScaleModeChangeEvent OnScaleModeChange;
  // Flags of one form's locking during a scale change.
  static constexpr Integer LF_UNLOCK = 1, LF_REDUCED = 2, LF_RECREATE = 4;
  TNotifyEvent OnScaleChanged;

  // -- Clearing.
  // Forgets the skin in force: sections -1, slots freed, not active.
  void ClearSkinData();
  void ClearSkinArrays();

  // -- Lookups (slot 0 unless skin data are given; names compare exactly).
  Integer GetSkinIndex(StringView skinSection, TkvSkinData* skinData = nullptr);
  // The first image of the section with the key; through PARENTCLASS when the section has
  // none (the parent's index from slot 0); -1.
  Integer GetMaskIndex(Integer aSkinIndex, StringView skinSection, TkvSkinData* skinData, StringView propName);
  // The first image of the named section with the key; no inheritance.
  Integer GetMaskIndex(StringView skinSection, StringView propName, TkvSkinData* skinData = nullptr);
  // The first image of the section with the key, else of its PARENTCLASS chain.
  Integer GetMaskIndex(Integer skinIndex, StringView propName, TkvSkinData* skinData = nullptr);
  Integer GetTextureIndex(Integer aSkinIndex, StringView skinSection, TkvSkinData* skinData, StringView propName);
  Integer GetTextureIndex(Integer aSkinIndex, StringView propName, TkvSkinData* skinData = nullptr);
  bool IsValidSkinIndex(Integer skinIndex);
  bool IsValidImgIndex(Integer imageIndex);
  Integer LengthOfGD();
  std::vector<TsGeneralData>& gd() { return CommonSkinData(96)->gd; }
  std::vector<TsMaskData>& ma() { return CommonSkinData(96)->ma; }
  std::vector<TkvOutEffData>& oe() { return CommonSkinData(96)->oe; }

  // -- Palette getters.
  TColor GetGlobalColor() const { return Palette[pcMainColor]; }
  TColor GetGlobalFontColor() const { return Palette[pcLabelText]; }
  TColor GetActiveEditColor() const { return Palette[pcEditBG]; }
  TColor GetActiveEditFontColor() const { return Palette[pcEditText]; }
  TColor GetHighLightColor(bool focused) const { return Palette[focused ? pcSelectionBG_Focused : pcSelectionBG]; }
  TColor GetHighLightFontColor(bool focused) const {
    return Palette[focused ? pcSelectionText_Focused : pcSelectionText];
  }

  // -- Mouse tracking: the window and the graphic control last known under the mouse.
  TGraphicControl* ActiveGraphControl() const { return FActiveGraphControl; }
#ifdef _WIN32
  HWND ActiveControl() const { return FActiveControl; }
  void SetActiveControl(HWND value);
  void SetActiveGraphControl(TGraphicControl* value);
#endif

  // -- Run-time state.
  bool GlobalHookInstalled = false;  // this manager installed the thread CBT hook
  Word FUpdatedSectionNdx = 0;       // section index sent with KV_REFRESH; 0: all sections
  String DefStoredFontName;          // the application font before any skin
  String DefOldFontName;             // the font applied last
  String DefNewFontName;             // the font being applied
  bool NoAutoUpdate = false;         // BeginUpdate: a skin change neither broadcasts nor reports
  TShowAction ShowState = saIgnore;
  TkvManagerState ManagerState;
  Integer SysFontScale = 0;  // scale index of the system PPI when the manager was made
  TkvThirdLists ThirdLists;  // the class-name lists split into lines
  TGraphicControl* FActiveGraphControl = nullptr;
#ifdef _WIN32
  HWND FActiveControl = nullptr;
#endif

  // ---- skin loading ---------------------------------------------------------------------
  // The skin sources, the skin-wide values, the per-PPI skin data, palette and recolouring
  // (the loader's files, listed at the top of this header). A skin change:
  //
  //   TkvSkinSet fresh;
  //   GetLoadSettings(fresh.Settings);
  //   const TkvSkinLoadStatus status = LoadSkin(fresh, ppis);  // may raise for a broken skin
  //   ShowSkinNotices(fresh);                                  // Windows
  //   if (status == slsLoaded) TakeSkin(fresh);                // the previous skin goes with fresh
  //
  // LoadSkin never touches the current skin, so a failed load leaves it in force.

  // What a load reads of this manager: the full skin folder and the skin name, options,
  // colour adjustments, common sections, border settings, internal skins, system colours.
  void GetLoadSettings(TkvSkinLoadSettings& settings) const;
  // Loads fresh.Settings.SkinName into fresh for 96 PPI (slot 0) first, then for each other
  // PPI of ppis; fresh.LoadedName tells which skin it was. Raises the reader's error for a
  // broken skin; fresh is then to be dropped.
  TkvSkinLoadStatus LoadSkin(TkvSkinSet& fresh, const std::vector<Integer>& ppis);
  // Makes a loaded set the current skin; the previous one moves into fresh and goes with it.
  // On Windows the skin's fonts are registered and the palette brushes made.
  void TakeSkin(TkvSkinSet& fresh);
  // The current skin prepared for one more PPI (a slot first asked for after the change):
  // creates the slot when it is missing and loads it from the skin already read.
  TkvSkinData* LoadSkinSlot(Integer aPPI);
  // Loads the current skin into the slot of aPPI again (TkvSkinData::Init).
  void ReloadSkin(Integer aPPI);

  // The steps of a load, on the set being loaded.
  // Chooses the source of skin.Settings.SkinName and fills skin.SkinFile; False without one.
  bool InitSkinFile(TkvSkinSet& skin);
  void LoadFonts(TkvSkinSet& skin);
  // Master bitmap and "GLOBALINFO" values, then the version check; recolours the master once.
  void LoadCommonData(TkvSkinSet& skin);
  void CheckVersion(TkvSkinSet& skin);
  // The palette of the skin from its 96-PPI sections, recoloured (once per skin), and the
  // recolouring of the slot of aPPI.
  void InitSkinParams(TkvSkinSet& skin, Integer aPPI);
  // Loads one slot of the set: parameters, images, sections, indexes, palette, shadows.
  void LoadSlot(TkvSkinSet& skin, TkvSkinData& data);

  // One image of a section built for aMulPPI from the skin text: the key propName with the
  // suffix of the nearest density that has a value (the first at or above aMulPPI, else the
  // last below it). A piece of the master bitmap is copied (rescaled from that density unless
  // it keeps its pixel size); an image file is loaded as it is. md describes it, and bitmap
  // owns the picture md.Bmp points to. The answer is aMulPPI; -1 without an active skin, when
  // no density has a value, or when the picture cannot be made.
  Integer GetScaledMaskData(const String& aSectionName, const String& aPropName, TsMaskData& md, Integer aMulPPI,
                            std::unique_ptr<TBitmap>& bitmap);
  // The skin directory as an absolute folder with a trailing separator.
  String GetFullSkinDirectory() const;
  // 1 when a corner area of a border image holds a transparent pixel, else 0.
  Integer GetCornerType(const TsMaskData& md) const;
  // Mirrors the caption glyphs for right-to-left layouts; a second call with the same
  // direction changes nothing.
  void FlipImages(bool flip);
  // "N/A" without an active skin, else the skin's version with a dot as separator.
  String GetSkinInfo() const;
  String GetVersion() const { return kvCurrentVersion; }
  // The section names of a skin data object (of slot 0 when null); empty while inactive.
  void GetSkinSections(TStringList& sl, TkvSkinData* skinData);
  // Writes the packed data of every internal skin named exactly nameOfSkin to destDir as
  // "<name> extracted.kpz"; "Directory does not exists." when destDir is missing, "Skin does
  // not exists." when no skin has the name.
  void ExtractInternalSkin(const String& nameOfSkin, const String& destDir);
  // Writes internal skin `index` to destDir (made when missing) as "<name> extracted.kpz".
  void ExtractByIndex(Integer index, const String& destDir);
  // Shows the messages a load raised (standard-dialog skinning and system-colour patching
  // stay off meanwhile), then forgets them. Without a window system they are only forgotten.
  void ShowSkinNotices(TkvSkinSet& skin);
  // ---- end of skin loading -----------------------------------------------------------

 private:
  enum class TLoadOutcome : Byte { Loaded, NoSource, Failed };
  // The skin change after the name was stored (step C from OnBeforeChange on).
  void ChangeSkin(const String& value, const String& oldName, bool wasActive);
  // Loads SkinName into a fresh set and takes it on success; the skin in force stays on
  // NoSource and Failed (a failure is reported to the user).
  TLoadOutcome LoadAndTakeSkin();

  // The window side (sSkinManager.win.cpp).
  void LockAllForms();
  void UnlockAllForms(bool repaint);
  void SnapshotForms();
  void DropSnapshots(bool wasAnimating);
  void RedrawHookedDialogs();
  void ReportError(const String& text);
  // Icon-font image lists drop their cached bitmaps; a foreign control suite is told.
  void ClearImageListCaches();
  // Icon-font image lists take the skin's window-text colour.
  void RecolorImageLists();
  // Icon-font image lists are rescaled to the application's PPI when it is not 96.
  void ScaleImageLists();
  bool LayoutIsRightToLeft() const;
  // The PPI of the application's main form; 96 without one.
  Integer ApplicationPPI() const;
  // Loaded: the owner form goes to the dialog skinner at once.
  void SkinOwnerForm();
  // The skin list is out of date (folder or filter changed): it is cleared and listeners told.
  void SkinListOutOfDate();
  // Locks (flags without LF_UNLOCK) or unlocks every registered form around a scale change.
  void LockFormsForScale(Integer flags);
  // The main form's PPI; the system's scale without a main form.
  Integer MainFormPPI() const;
  // The screen's message font grows by newPercent / oldPercent (default manager, loading).
  void ScaleMessageFont(Integer newPercent, Integer oldPercent);
  // Adds (or removes) MainWindowHook among the application window's hooks.
  void HookApplication(bool hook);
#ifdef _WIN32
  // The hook's answers to SC_MINIMIZE and SC_RESTORE; True: handled.
  bool MinimizeFromHook();
  bool RestoreFromHook();
#endif

  bool FActive = true;
  String FSkinName;
  String FSkinDirectory = u"c:\\Skins";
  TSet<TkvSkinsFilterItem> FSkinsFilter{sfiInternal, sfiExternal};
  TSet<TkvSkinningRule> FSkinningRules{srStdForms, srStdDialogs, srThirdParty};
  bool FSkinnedPopups = true;
  bool FExtendedBorders = false;
  TkvExtBordersMode FExtBordersMode = ebmFull;
  Integer FBrightness = 0;
  Integer FHueOffset = 0;
  Integer FSaturation = 0;
  std::unique_ptr<TStringList> FCommonSections;
  std::unique_ptr<TsStoredSkins> FInternalSkins;
  std::unique_ptr<TkvMenuSupport> FMenuSupport;
  // What the layers below the skin layer ask of the manager while it is the default one.
  std::unique_ptr<TkvManagerLink> FLink;
#ifdef _WIN32
  std::unique_ptr<TkvSkinListController> FSkinListController;
  bool FAppHooked = false;  // MainWindowHook is among the application window's hooks
#endif
};

// The first manager created; nil while there is none.
extern DuRiruZireziv*& DefaultManager;
// The skin data served while no skin is active: one per scale index (96, 120, 144, 192 PPI),
// without sections.
extern std::array<std::unique_ptr<TkvSkinData>, 4>& StdScaleArray;

// Start-up: makes the four standard skin data, learns the platform family (Windows) and shows
// the library's version once when the command line asks for it; ClearStdScaleArray frees the
// standard skin data (the clean-up).
void sSkinManagerStartup();
void ClearStdScaleArray();

#ifdef _WIN32
// Scale queries of painters; a nil manager stands for DefaultManager in CurrentPPI only.
// The PPI an owner control paints at: the manager's (when it decides one) else the control's
// own, or the application's without a control.
Integer CurrentPPI(DuRiruZireziv* manager, TControl* ownerCtrl, bool checkActive);
// The application's PPI is one the class library scales to by itself (bound labels).
bool IsSysPPIUsed(DuRiruZireziv* manager);
// Width of a skinned scroll bar and of a combo box button at scalePPI; without a manager the
// system's vertical scroll-bar width.
Integer GetScrollSize(DuRiruZireziv* manager, Integer scalePPI);
Integer GetComboBtnSize(DuRiruZireziv* manager, Integer scalePPI);
#endif

// The "/kvver" switch among the command line's parameters (the program's name not included):
// one whole parameter in any letter case.
bool HasVersionSwitch(const std::vector<String>& params);
#ifdef _WIN32
// The platform is of the NT family (set at start-up).
extern bool IsNT;
#endif

// Sets a state flag on construction and takes it away on every way out, an exception
// included (only when it set it: a flag already there stays).
class TkvManagerStateScope {
 public:
  TkvManagerStateScope(DuRiruZireziv& manager, TkvManagerStateValue flag);
  ~TkvManagerStateScope();
  TkvManagerStateScope(const TkvManagerStateScope&) = delete;
  TkvManagerStateScope& operator=(const TkvManagerStateScope&) = delete;

 private:
  DuRiruZireziv& manager_;
  TkvManagerStateValue flag_;
  bool owned_;
};

// ---- 6. The menu options ------------------------------------------------------------

class TkvMenuSupport : public TPersistent {
  TW_CLASS(TkvMenuSupport, TPersistent)
  TkvMenuSupport();
  ~TkvMenuSupport() override;
  // The menu font: setting it also sets the shared menu font (made when missing).
  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* value);
  // With CustomFont on, or with a main font of the skin or of the manager, every skinned menu
  // item is written in CustomMenuFont: Font under that main font's name.
  bool CustomFont() const { return FCustomFont; }
  void SetCustomFont(bool value);
  // The shared menu font; when present it replaces every other menu font. Null otherwise.
  TFont* CustomMenuFont() const { return FCustomMenuFont.get(); }
  void SetExtraLineFont(TFont* value);
  // The vertical band at the left of every popup (a skin section and an optional caption).
  bool UseExtraLine() const { return FUseExtraLine; }
  void SetUseExtraLine(bool v) { FUseExtraLine = v; }
  Integer ExtraLineWidth() const { return FExtraLineWidth; }  // at 96 PPI
  void SetExtraLineWidth(Integer v) { FExtraLineWidth = v; }
  TFont* ExtraLineFont() const { return FExtraLineFont.get(); }
  // The section painted under the glyph column.
  const String& IcoLineSkin() const { return FIcoLineSkin; }
  void SetIcoLineSkin(const String& v) { FIcoLineSkin = v; }
  // A popup's constant opacity (255: opaque) and whether it gets a shadow window of its own.
  Byte AlphaBlend() const { return FAlphaBlend; }
  void SetAlphaBlend(Byte v) { FAlphaBlend = v; }
  bool SkinnedShadows() const { return FSkinnedShadows; }
  void SetSkinnedShadows(bool v) { FSkinnedShadows = v; }
  // Accelerator underlines even when the system hides them until Alt is pressed.
  bool ShowAccelCharAlways() const { return FShowAccelCharAlways; }
  void SetShowAccelCharAlways(bool v) { FShowAccelCharAlways = v; }

 private:
  bool FCustomFont = false;
  const std::unique_ptr<TFont> FFont;
  std::unique_ptr<TFont> FCustomMenuFont;
  bool FUseExtraLine = false;
  Integer FExtraLineWidth = 32;
  const std::unique_ptr<TFont> FExtraLineFont;
  String FIcoLineSkin = u"ICOLINE";
  Byte FAlphaBlend = 254;
  bool FSkinnedShadows = true;
  bool FShowAccelCharAlways = false;
};

#include "skin/sSkinManagerSources.h"  // the packed skin reader and the internal skins
