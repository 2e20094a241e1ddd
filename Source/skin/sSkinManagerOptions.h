// The skin manager's option objects, each a published property of the manager stored in the
// form description (Options, Effects, AnimEffects, ButtonsOptions, LabelsOptions,
// ScrollsOptions, Fonts, ThirdParty), their enumerations, and the routines of the class-name
// lists of foreign controls. Most options are plain values the painters read when they paint;
// the setters named here act at once. The manager owns the objects and never replaces them.
#pragma once

#include <array>
#include <memory>

#include "base/ManagerLink.h"
#include "base/kvntTypes.h"
#include "base/sConst.h"
#include "base/sDefaults.h"
#include "ui/Classes.h"

class DuRiruZireziv;
class TMemIniFile;
class TStringList;

TW_ENUM(TkvSkinsFilterItem, sfiInternal, sfiExternal)
TW_ENUM(TkvSkinningRule, srStdForms, srStdDialogs, srThirdParty)
TW_ENUM(TkvExtBordersMode, ebmFull, ebmShadow)
TW_ENUM(TkvFontMode, fmDefault, fmFromSkin, fmCustom)
TW_ENUM(TkvLightingMode, lmAffectNearest, lmActiveControl)
TW_ENUM(TkvClickEffect, ceCircle, ceWaveOut, ceCircleAndWave)
TW_ENUM(TkvGroupBoxStyle, gsStandard, gsCard)
TW_ENUM(TkvModalButtonsColoringValue, bcBackground, bcGlyph, bcText)
TW_ENUM_NAMES(TkvArrowsStyle, arsSolid1, arsLines1, arsSolid2, arsLines2, arsSolid3, arsDefault)
TW_ENUM_NAMES(TkvScaleMode, sm100, sm125, sm150, sm200, smAuto, smOldMode, smVCL, smCustomPPI)
TW_ENUM_NAMES(TkvAnimType, atFading, atAero, atDropDown)
TW_ENUM_NAMES(TkvAnimTypeCtrl, atcFade, atcAero, atcBlur, atcBlur2, atcRunup)
TW_ENUM_NAMES(TkvBtnEvent, beMouseEnter, beMouseLeave, beMouseDown, beMouseUp, beClick, beLighting)
TW_ENUM_NAMES(TkvOptimizingPriority, opSpeed, opMemory)

// The manager's general options. The values the layers below the skin layer read are in the
// base (base/ManagerLink.h); writing a field directly only stores it, the setters act at once.
class TkvOptions : public TPersistent, public TkvOptionValues {
  TW_CLASS(TkvOptions, TPersistent)
  explicit TkvOptions(DuRiruZireziv* owner = nullptr) : Owner(owner) {}

  bool NoMouseHover = false;            // no hover looks and glows
  bool ChangeSysColors = false;         // patch the system colour functions
  bool DrawNonClientArea = true;        // skinned frames and captions of forms and dialogs
  bool NativeBordersMaximized = false;  // maximized forms keep the system frame
  TkvArrowsStyle ArrowsStyle = arsDefault;
  TkvOptimizingPriority OptimizingPriority = opSpeed;  // opMemory: hidden controls free their caches
  TkvGroupBoxStyle GroupBoxStyle = gsStandard;
  bool RotateArrows = false;
  DuRiruZireziv* Owner;

  // The seven Boolean options by index: 0 CheckEmptyAlpha, 1 NoMouseHover,
  // 2 NativeBordersMaximized, 3 StdGlyphsOrder, 4 ChangeSysColors, 5 StdImgTransparency,
  // 6 DrawNonClientArea. Another index reads ChangeSysColors and writes nothing.
  bool GetBool(Integer index) const;
  void SetBool(Integer index, bool value);
  // The scale mode and the custom PPI, changed at once (forms rescaled, skin reloaded).
  void SetScaleMode(TkvScaleMode value);
  void SetPixelsPerInch(Integer value);
  void SetArrowsStyle(TkvArrowsStyle value);
  void SetGroupBoxStyle(TkvGroupBoxStyle value);
  // ArrowsStyle, or the skin's own arrow style while it is arsDefault.
  TkvArrowsStyle ActualArrowStyle() const;
};

// Effects the manager allows.
class TkvSkinEffects : public TPersistent {
  TW_CLASS(TkvSkinEffects, TPersistent)
  explicit TkvSkinEffects(DuRiruZireziv* manager = nullptr) : Manager(manager) {}
  bool AllowGlowing = true;
  bool AllowAnimation = true;
  bool AllowAeroBluring = true;
  bool DiscoloredGlyphs = false;  // glyphs of controls at rest are drawn in grey
  bool AllowOuterEffects = true;
  DuRiruZireziv* Manager;

  void SetAllowAnimation(bool value);
  // 0 AllowOuterEffects, 1 DiscoloredGlyphs; other indexes are ignored.
  void SetBoolean(Integer index, bool value);
};

// One form or dialog animation: milliseconds, on or off, kind.
class TkvFormAnimation : public TPersistent {
  TW_CLASS(TkvFormAnimation, TPersistent)
  TkvFormAnimation() = default;
  TkvFormAnimation(bool active, Word time, TkvAnimType mode) : Time(time), Active(active), Mode(mode) {}
  Word Time = 0;
  bool Active = true;
  TkvAnimType Mode = atAero;
};
class TkvFormHide : public TkvFormAnimation {
  TW_CLASS(TkvFormHide, TkvFormAnimation)
  TkvFormHide() = default;
};
class TkvFormShow : public TkvFormAnimation {
  TW_CLASS(TkvFormShow, TkvFormAnimation)
  TkvFormShow() = default;
};
class TkvMinimizing : public TkvFormAnimation {
  TW_CLASS(TkvMinimizing, TkvFormAnimation)
  TkvMinimizing() : TkvFormAnimation(true, 80, atAero) {}
};
class TkvDialogShow : public TkvFormAnimation {
  TW_CLASS(TkvDialogShow, TkvFormAnimation)
  TkvDialogShow() = default;
};
class TkvSkinChanging : public TkvFormAnimation {
  TW_CLASS(TkvSkinChanging, TkvFormAnimation)
  TkvSkinChanging() : TkvFormAnimation(true, 100, atFading) {}
};
class TkvBlendOnMoving : public TkvFormAnimation {
  TW_CLASS(TkvBlendOnMoving, TkvFormAnimation)
  TkvBlendOnMoving() : TkvFormAnimation(false, 1000, atAero) {}
  Byte BlendValue = 170;
};
// The page-change animation; stored only.
class TkvPageChange : public TPersistent {
  TW_CLASS(TkvPageChange, TPersistent)
  Word Time = 0;
  bool Active = true;
  TkvAnimTypeCtrl Mode = atcFade;
};
// The buttons' state effects.
class TkvBtnEffects : public TPersistent {
  TW_CLASS(TkvBtnEffects, TPersistent)
  explicit TkvBtnEffects(DuRiruZireziv* manager = nullptr) : Manager(manager) {}
  TSet<TkvBtnEvent> Events{beMouseEnter, beMouseLeave, beMouseDown, beMouseUp};
  DuRiruZireziv* Manager;
  TkvLightingMode LightingMode = lmActiveControl;
  TkvClickEffect ClickEffect = ceCircle;

  void SetLightingMode(TkvLightingMode value);
};

// The nine animation settings.
class TkvAnimEffects : public TPersistent {
  TW_CLASS(TkvAnimEffects, TPersistent)
  explicit TkvAnimEffects(DuRiruZireziv* manager = nullptr) : Buttons(manager) {}
  TkvFormHide FormHide;
  TkvFormHide DialogHide;
  TkvFormShow FormShow;
  TkvBtnEffects Buttons;
  TkvPageChange PageChange;
  TkvMinimizing Minimizing;
  TkvDialogShow DialogShow;
  TkvSkinChanging SkinChanging;
  TkvBlendOnMoving BlendOnMoving;
};

class TkvButtonsSupport : public TPersistent {
  TW_CLASS(TkvButtonsSupport, TPersistent)
  explicit TkvButtonsSupport(DuRiruZireziv* manager = nullptr) : Manager(manager) {}
  bool ShowFocusRect = false;
  bool ShiftContentOnClick = true;  // pressed content moves by one pixel in every section
  TSet<TkvModalButtonsColoringValue> ModalButtonsColoring{bcGlyph};
  DuRiruZireziv* Manager;
  bool AllowRTLSysButtons = true;
  // The global kv_OldGlyphsMode, read and written through any manager.
  bool OldGlyphsMode() const { return kv_OldGlyphsMode; }
  void SetOldGlyphsMode(bool value);
};

class TkvLabelsSupport : public TPersistent {
  TW_CLASS(TkvLabelsSupport, TPersistent)
  bool TransparentAlways = true;
};

class TkvScrollBarsSupport : public TPersistent {
  TW_CLASS(TkvScrollBarsSupport, TPersistent)
  explicit TkvScrollBarsSupport(DuRiruZireziv* manager = nullptr) : Manager(manager) {}
  Integer ScrollSize = -1;  // -1: from the skin or the system
  Integer ButtonsSize = -1;
  DuRiruZireziv* Manager;
  // 0 ButtonsSize, 1 ScrollSize.
  void SetInteger(Integer index, Integer value);
};

class TkvFonts : public TPersistent {
  TW_CLASS(TkvFonts, TPersistent)
  explicit TkvFonts(DuRiruZireziv* manager = nullptr) : Manager(manager) {}
  String MainFont;
  TkvFontMode MainMode = fmDefault;
  DuRiruZireziv* Manager;
  void SetMainFont(const String& value);
  void SetMainMode(TkvFontMode value);
};

// The class-name lists of foreign controls, one text of class names (a line each) per kind
// (TkvThirdPartyKind, the tp constants).
class TsThirdPartyList : public TPersistent {
  TW_CLASS(TsThirdPartyList, TPersistent)
  TsThirdPartyList();
  // An index outside 0..22 reads nothing and writes nothing.
  String GetString(Integer index) const;
  void SetString(Integer index, const String& value);

 private:
  std::array<String, kvLastSupportedType + 1> FLists;
};

// The 23 lists that hold the same texts split into lines; case-sensitive.
using TkvThirdLists = std::array<std::unique_ptr<TStringList>, kvLastSupportedType + 1>;

// ---- The class-name lists -------------------------------------------------------------

// Each list takes its string as text; with overwrite every string first becomes its default
// (kvThirdNames), without only an empty one does.
void LoadThirdNames(DuRiruZireziv* manager, bool overwrite);
// Each string becomes the text of its list again.
void UpdateThirdNames(DuRiruZireziv* manager);
// Each list takes its string as text; anyNonEmpty tells whether any string is set.
void Load3rdNames(const TsThirdPartyList& thirdParty, TkvThirdLists& lists, bool& anyNonEmpty);
// A line of any list equals className (case-sensitive).
bool SearchSupport(const TkvThirdLists& lists, StringView className);
// Makes the list or the ini compare names case-sensitively.
void SetCaseSens(TStringList& list);
void SetCaseSens(TMemIniFile& ini);
