// The skin manager and the loaded skin's data per PPI.
//
// Sections:
//   1. Records of one skin section and its looks
//   2. Standard sections and palette colours
//   3. TkvSkinData: the loaded skin prepared for one PPI
//   4. DuRiruZireziv: the skin manager component (its option objects and class-name lists are
//      in skin/sSkinManagerOptions.h)
//   5. Internal skins and the menu options
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
#include "skin/sSkinManagerOptions.h"
#include "ui/Classes.h"
#include "ui/WinFwd.h"

class TBitmap;
class TControl;
class TFont;
class TGraphicControl;
class TkvInternalSkins;
class TkvMenuSupport;

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
using TkvManagerState = TSet<TkvManagerStateValue>;

// What the application-window hook saw last of the application's minimize and restore.
enum TShowAction : Byte { saIgnore, saMinimize, saRestore };

// The library's version ("Version", and the box of the "/kvver" switch).
inline constexpr Char kvCurrentVersion[] = u"16.22";

// Skin-wide values of the loaded skin.
struct TkvSkinCommonInfo {
  bool Active = false;  // slot 0 of the skin data holds at least one section
  bool UseAeroBluring = false;
  TkvArrowsStyle ArrowStyle = arsSolid1;
  String MainFont;      // the skin's application font; empty: none
  double Version = 0;
  std::array<Integer, kvSectionCount> Sections;  // index of each standard section, -1 = none
  TkvSkinCommonInfo() { Sections.fill(-1); }
};

#ifdef _WIN32
// The record of one standard dialog the dialog skinner is about to skin (OnSysDlgInit).
struct TkvSysDlgData {
  HWND WindowHandle = nullptr;
};
#endif


using TkvSkinChangingEvent = TEvent<void(TObject* Sender, const String& NewName, bool& AllowSkinChanging)>;
using TkvFontChangedEvent = TEvent<void(TObject* Sender, const String& OldFontName, const String& NewFontName)>;
#ifdef _WIN32
using TkvSysDlgInitEvent = TEvent<void(TkvSysDlgData& DlgData, bool& AllowSkinning)>;
#endif

// The skin manager component: it owns the loaded skin, its options and lists, and drives every
// skin change of the application. The first one created is the DefaultManager, which controls
// without a manager of their own use.
class DuRiruZireziv : public TComponent {
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
  TkvInternalSkins* InternalSkins() const { return FInternalSkins.get(); }
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
  // The loaded skin's version with "." as decimal separator; "N/A" without an active skin.
  String SkinInfo() const;
  String Version() const { return kvCurrentVersion; }
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
  TColor GetHighLightFontColor(bool focused) const { return Palette[focused ? pcSelectionText_Focused : pcSelectionText]; }

  // -- Mouse tracking: the window and the graphic control last known under the mouse.
  TGraphicControl* ActiveGraphControl() const { return FActiveGraphControl; }
#ifdef _WIN32
  HWND ActiveControl() const { return FActiveControl; }
  void SetActiveControl(HWND value);
  void SetActiveGraphControl(TGraphicControl* value);
#endif

  // -- The loaded skin.
  TkvPalette Palette{};
  TkvSkinCommonInfo SkinCommonInfo;
  TBitmap* MasterBitmap = nullptr;  // not owned here
  // One slot per scale index in use; slot 0 serves 96 PPI.
  std::vector<std::unique_ptr<TkvSkinData>> SkinDataArray;

  // -- Run-time state.
  bool CommonDataLoaded = false;    // fonts and common values of the current skin were read
  bool GlobalHookInstalled = false; // this manager installed the thread CBT hook
  TMemIniFile* SkinFile = nullptr;  // the ini in use (SkinCommonInfo.OptionsDat); not owned
  Word FUpdatedSectionNdx = 0;      // section index sent with KV_REFRESH; 0: all sections
  String DefStoredFontName;         // the application font before any skin
  String DefOldFontName;            // the font applied last
  String DefNewFontName;            // the font being applied
  bool NoAutoUpdate = false;        // BeginUpdate: a skin change neither broadcasts nor reports
  TShowAction ShowState = saIgnore;
  TkvManagerState ManagerState;
  Integer SysFontScale = 0;         // scale index of the system PPI when the manager was made
  TkvThirdLists ThirdLists;         // the class-name lists split into lines
  TGraphicControl* FActiveGraphControl = nullptr;
#ifdef _WIN32
  HWND FActiveControl = nullptr;
#endif

  // ---- skin loading ------------------------------------------------------------------
  // (The loader's routines: sources, images, fonts, palette, skin data per PPI.)
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
  std::unique_ptr<TkvInternalSkins> FInternalSkins;
  std::unique_ptr<TkvMenuSupport> FMenuSupport;
  // What the layers below the skin layer ask of the manager while it is the default one.
  std::unique_ptr<TkvManagerLink> FLink;
};

// The first manager created; nil while there is none.
extern DuRiruZireziv* DefaultManager;

// The "/kvver" switch among the command line's parameters (the program's name not included):
// one whole parameter in any letter case.
bool HasVersionSwitch(const std::vector<String>& params);
#ifdef _WIN32
// The platform is of the NT family (set at start-up).
extern bool IsNT;
// Module start-up: learns the platform family and shows the library's version once when the
// command line asks for it.
void sSkinManagerStartup();
#endif

// Sets a Boolean for a scope and puts its previous value back on every way out.
class TkvFlagScope {
 public:
  TkvFlagScope(bool& flag, bool value) : flag_(flag), saved_(flag) { flag = value; }
  ~TkvFlagScope() { flag_ = saved_; }
  TkvFlagScope(const TkvFlagScope&) = delete;
  TkvFlagScope& operator=(const TkvFlagScope&) = delete;

 private:
  bool& flag_;
  bool saved_;
};

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

// ---- 5. Internal skins and the menu options --------------------------------------------

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
