// The skin manager and the loaded skin's data per PPI.
//
// Sections:
//   1. Records of one skin section and its looks
//   2. Standard sections and palette colours
//   3. TkvSkinData: the loaded skin prepared for one PPI
//   4. DuRiruZireziv: the skin manager (the state and queries the painters and utilities read)
//   5. The skin manager's published option objects
//
// The skin loader fills these records; everything else reads them. Components keep section
// and image indexes into them, never pointers, because they are rebuilt on every skin change.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "base/ManagerLink.h"
#include "base/kvntTypes.h"
#include "base/sConst.h"
#include "base/sDefaults.h"
#include "skin/sMaskData.h"
#include "ui/Classes.h"

class TBitmap;
class TFont;
class TGraphicControl;
class TkvButtonsOptions;
class TkvInternalSkins;
class TkvMenuSupport;
class TkvThirdPartyList;

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

// ---- 2. Standard sections and palette colours -----------------------------------------

enum TkvSection : Byte {
  ssMenuItem, ssCheckBox, ssSpeedButton, ssSpeedButton_Small, ssToolButton, ssTransparent, ssGroupBox,
  ssDivider, ssWebBtn, ssButton, ssComboNoEdit, ssButtonHuge, ssToolBar, ssEdit, ssGauge, ssSelection,
  ssStatusBar, ssPanel, ssPanelLow, ssTrackBar, ssProgressV, ssDragBar, ssGripH, ssGripV, ssProgressH,
  ssTabSheet, ssComboBox, ssCaption, ssMainMenu, ssSplitter, ssComboBtn, ssFormTitle, ssHint, ssDividerV,
  ssPageControl, ssTabTop, ssBarPanel, ssBarTitle, ssDialog, ssForm, ssScrollBtnLeft, ssScrollBtnTop,
  ssScrollBtnRight, ssScrollBtnBottom, ssScrollBar1H, ssScrollBar1V, ssScrollBar2H, ssScrollBar2V,
  ssScrollSliderH, ssScrollSliderV, ssSlider_Off, ssSlider_On, ssThumb_On, ssThumb_Off, ssMenuCaption,
  ssDialogTitle, ssMenuButton, ssMenuLine, ssFormHeader, ssTBBtn, ssTBMenuBtn, ssTBTab, ssColHeader,
  ssColHeaderA, ssColHeaderL, ssColHeaderR, ssUpDown
};
constexpr Integer kvSectionCount = ssUpDown + 1;

enum TkvPaletteColors : Byte {
  pcMainColor, pcLabelText, pcWebText, pcWebTextHot, pcEditText, pcEditBG, pcSelectionBG, pcSelectionText,
  pcSelectionBG_Focused, pcSelectionText_Focused, pcEditBG_Inverted, pcEditText_Inverted, pcEditBG_OddRow,
  pcEditBG_EvenRow, pcEditText_Ok, pcEditText_Warning, pcEditText_Alert, pcEditText_Caution,
  pcEditText_Bypassed, pcEditBG_Ok, pcEditBG_Warning, pcEditBG_Alert, pcEditBG_Caution, pcEditBG_Bypassed,
  pcEditText_Highlight1, pcEditText_Highlight2, pcEditText_Highlight3, pcBtnColor1Active, pcBtnColor2Active,
  pcBtnBorderActive, pcBtnFontActive, pcBtnColor1Normal, pcBtnColor2Normal, pcBtnBorderNormal,
  pcBtnFontNormal, pcBtnColor1Pressed, pcBtnColor2Pressed, pcBtnBorderPressed, pcBtnFontPressed,
  pcBtnToneRed, pcBtnToneRedActive, pcBtnToneGreen, pcBtnToneGreenActive, pcBtnToneBlue,
  pcBtnToneBlueActive, pcBtnToneYellow, pcBtnToneYellowActive, pcBtnRedText, pcBtnRedTextActive,
  pcBtnGreenText, pcBtnGreenTextActive, pcBtnBlueText, pcBtnBlueTextActive, pcBtnYellowText,
  pcBtnYellowTextActive, pcBorder, pcGrid, pcHintBG, pcHintText
};
constexpr Integer kvPaletteCount = pcHintText + 1;
using TkvPalette = std::array<TColor, kvPaletteCount>;

// ---- 3. TkvSkinData -------------------------------------------------------------------

class DuRiruZireziv;

class TkvSkinData : public TkvObject {
 public:
  DuRiruZireziv* FOwner = nullptr;  // nil for the standard objects
  Integer ScaleValue = 0;           // scale index 0..3
  Integer ScalePercent = 100;
  Integer PPI = 96;
  std::vector<TsMaskData> ma;       // images
  std::vector<TkvOutEffData> oe;    // the two global outer effects
  std::vector<TsGeneralData> gd;    // sections
};

// ---- 4. The skin manager --------------------------------------------------------------

enum TkvManagerStateValue : Byte {
  msFontChanging, msScaleChanging, msSkinRemoving, msSkinChanging, msBroadCasting, msAnimScaling,
  msFormScaling, msRTLFlipped
};

// Skin-wide values of the loaded skin.
struct TkvSkinCommonInfo {
  bool Active = false;  // slot 0 of the skin data holds at least one section
  bool UseAeroBluring = false;
  TkvArrowsStyle ArrowStyle = arsSolid1;
  std::array<Integer, kvSectionCount> Sections;  // index of each standard section, -1 = none
  TkvSkinCommonInfo() { Sections.fill(-1); }
};

// The manager's effect options that the glyph painters read.
struct TkvEffects {
  bool DiscoloredGlyphs = false;  // glyphs of controls at rest are drawn in grey
};

// The skin manager component: the state of the loaded skin that the painters, the colour
// translation and the background query read (the loader fills it; tests fill it by hand),
// and the published settings a form description gives it. The first one created is the
// DefaultManager.
class DuRiruZireziv : public TComponent {
  TW_CLASS(DuRiruZireziv, TComponent)
  explicit DuRiruZireziv(TComponent* owner = nullptr);
  ~DuRiruZireziv() override;

  // The folder that holds the skins. A value that differs (without regard to case) from the
  // stored one replaces it.
  const String& SkinDirectory() const { return FSkinDirectory; }
  void SetSkinDirectory(const String& value);
  // The skin in use; a trailing ".kpz" of the packed form is cut off.
  const String& SkinName() const { return FSkinName; }
  void SetSkinName(const String& value);
  const String& SkinInfo() const { return FSkinInfo; }
  void SetSkinInfo(const String& value) { FSkinInfo = value; }
  TkvButtonsOptions* ButtonsOptions() const { return FButtonsOptions.get(); }
  TkvInternalSkins* InternalSkins() const { return FInternalSkins.get(); }
  TkvMenuSupport* MenuSupport() const { return FMenuSupport.get(); }
  TkvThirdPartyList* ThirdParty() const { return FThirdParty.get(); }

  TSet<TkvManagerStateValue> ManagerState;

  TkvPalette Palette{};
  TkvSkinCommonInfo SkinCommonInfo;
  TBitmap* MasterBitmap = nullptr;  // not owned here
  TGraphicControl* ActiveGraphControl = nullptr;
  TkvOptions Options;
  TkvEffects Effects;
  Integer SysFontScale = 0;  // scale index of the system PPI when the manager was made
  // One slot per scale index in use; slot 0 serves 96 PPI.
  std::vector<std::unique_ptr<TkvSkinData>> SkinDataArray;

  bool IsActive() const { return SkinCommonInfo.Active; }
  // The skin's global background colour.
  TColor GetGlobalColor() const { return Palette[pcMainColor]; }
  // The skin data for a PPI: the slot of its scale index, else slot 0; the standard data
  // of that PPI while there is no skin data.
  TkvSkinData* CommonSkinData(Integer aPPI = 96);
  // Sections and images of the 96-PPI data.
  std::vector<TsGeneralData>& gd() { return CommonSkinData(96)->gd; }
  std::vector<TsMaskData>& ma() { return CommonSkinData(96)->ma; }
  bool IsValidSkinIndex(Integer skinIndex);
  bool IsValidImgIndex(Integer imageIndex);
  // The scale index in force: the mode's own for sm100..sm200, the system's for smAuto, 0 for
  // smOldMode and smVCL (and while designing), 7 for smCustomPPI.
  Integer GetScale() const;

 private:
  String FSkinDirectory = u"c:\\Skins";
  String FSkinName;
  String FSkinInfo;
  std::unique_ptr<TkvButtonsOptions> FButtonsOptions;
  std::unique_ptr<TkvInternalSkins> FInternalSkins;
  std::unique_ptr<TkvMenuSupport> FMenuSupport;
  std::unique_ptr<TkvThirdPartyList> FThirdParty;
  // What the layers below the skin layer ask of the manager while it is the default one.
  std::unique_ptr<TkvManagerLink> FLink;
};

// The first manager created; nil while there is none.
extern DuRiruZireziv*& DefaultManager;
// The skin data served while no skin is active: one per scale index (96, 120, 144, 192 PPI),
// without sections.
extern std::array<std::unique_ptr<TkvSkinData>, 4>& StdScaleArray;

// Start-up: makes the four standard skin data; ClearStdScaleArray frees them (the clean-up).
void sSkinManagerStartup();
void ClearStdScaleArray();

// ---- 5. Published option objects ------------------------------------------------------

class TkvButtonsOptions : public TPersistent {
  TW_CLASS(TkvButtonsOptions, TPersistent)
  // The global kv_OldGlyphsMode, read and written through the manager.
  bool OldGlyphsMode() const { return kv_OldGlyphsMode; }
  void SetOldGlyphsMode(bool value) { kv_OldGlyphsMode = value; }
  // Pressed content moves by one pixel in every section.
  bool ShiftContentOnClick = false;
};

// One skin kept inside the form description.
class TkvInternalSkin : public TCollectionItem {
  TW_CLASS(TkvInternalSkin, TCollectionItem)
  explicit TkvInternalSkin(TCollection* collection) : TCollectionItem(collection) {}
  const String& Name() const { return FName; }
  void SetName(const String& value) { FName = value; }

 private:
  String FName;
};

class TkvInternalSkins : public TCollection {
  TW_CLASS(TkvInternalSkins, TCollection)
  TkvInternalSkins();
};

class TkvMenuSupport : public TPersistent {
  TW_CLASS(TkvMenuSupport, TPersistent)
  TkvMenuSupport();
  ~TkvMenuSupport() override;
  TFont* Font() const { return FFont; }

 private:
  TFont* FFont;
};

// The class-name lists of foreign controls, one text per kind (TkvThirdPartyKind).
class TkvThirdPartyList : public TPersistent {
  TW_CLASS(TkvThirdPartyList, TPersistent)
  TkvThirdPartyList();
  const String& List(TkvThirdPartyKind kind) const { return FLists[kind]; }
  void SetList(TkvThirdPartyKind kind, const String& value) { FLists[kind] = value; }

 private:
  std::array<String, kvLastSupportedType + 1> FLists;
};
