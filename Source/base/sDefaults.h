// Defaults of the engine's component properties, the kinds of the skin manager's class-name
// lists of foreign controls, and the DPI-awareness start-up of the process.
#pragma once

#include <array>

#include "base/sConst.h"

// The kinds of the class-name lists of foreign controls (one list of window class names per
// kind), declared once, in order: X(constant, default text, published name, wrapper class).
// The kind enumeration and the default texts below, the skin manager's published list names
// (skin/sSkinManagerOptions.cpp) and the wrapper made for each kind (WndTypes,
// forms/sSkinProviderAdapter.win.cpp) are generated from it; a new kind is one line here.
// A single blank default text is non-empty but matches no class. Speed buttons are graphic
// controls and go to speed-button handlers, so their wrapper (an edit's) is never made.
#define TW_THIRD_PARTY_KINDS(X)                                       \
  X(tpEdit, u" ", u"ThirdEdits", TkvEditWnd)                          \
  X(tpButton, u"TButton", u"ThirdButtons", TkvButtonWnd)              \
  X(tpBitBtn, u" ", u"ThirdBitBtns", TkvBitBtnWnd)                    \
  X(tpCheckBox, u" ", u"ThirdCheckBoxes", TkvCheckBoxWnd)             \
  X(tpComboBox, u" ", u"ThirdComboBoxes", TkvComboBoxWnd)             \
  X(tpGrid, u" ", u"ThirdGrids", TkvGridWnd)                          \
  X(tpGroupBox, u" ", u"ThirdGroupBoxes", TkvGroupBoxWnd)             \
  X(tpListView, u" ", u"ThirdListViews", TkvListViewWnd)              \
  X(tpPanel, u" ", u"ThirdPanels", TkvPanelWnd)                       \
  X(tpTreeView, u" ", u"ThirdTreeViews", TkvTreeViewWnd)              \
  X(tpwwEdit, u" ", u"ThirdWWEdits", TkvWWComboBoxWnd)                \
  X(tpGridEh, u" ", u"ThirdGridEh", TkvGridEhWnd)                     \
  X(tpVirtualTree, u" ", u"ThirdVirtualTrees", TkvVirtualTreeViewWnd) \
  X(tpPageControl, u" ", u"ThirdPageControl", TkvPageControlWnd)      \
  X(tpTabControl, u" ", u"ThirdTabControl", TkvTabControlWnd)         \
  X(tpToolBar, u" ", u"ThirdToolBar", TkvToolBarVCLWnd)               \
  X(tpStatusBar, u" ", u"ThirdStatusBar", TkvStatusBarWnd)            \
  X(tpSpeedButton, u" ", u"ThirdSpeedButton", TkvEditWnd)             \
  X(tpScrollControl, u" ", u"ThirdScrollControl", TkvScrollBoxWnd)    \
  X(tpUpDownBtn, u" ", u"ThirdUpDown", TkvSpinWnd)                    \
  X(tpScrollBar, u" ", u"ThirdScrollBar", TkvSBWnd)                   \
  X(tpStaticText, u" ", u"ThirdStaticText", TkvStaticTextWnd)         \
  X(tpNativePaint, u" ", u"ThirdNativePaint", TkvNativePaint)

#define TW_THIRD_PARTY_KIND_CONSTANT(kind, text, name, wrapper) kind,
enum TkvThirdPartyKind : Byte { TW_THIRD_PARTY_KINDS(TW_THIRD_PARTY_KIND_CONSTANT) };
#undef TW_THIRD_PARTY_KIND_CONSTANT

#define TW_THIRD_PARTY_KIND_ONE(kind, text, name, wrapper) +1
constexpr Integer kvThirdPartyKindCount = 0 TW_THIRD_PARTY_KINDS(TW_THIRD_PARTY_KIND_ONE);
#undef TW_THIRD_PARTY_KIND_ONE
constexpr Integer kvLastSupportedType = kvThirdPartyKindCount - 1;

// Default text of each class-name list.
#define TW_THIRD_PARTY_KIND_TEXT(kind, text, name, wrapper) text,
inline constexpr std::array<const Char*, kvThirdPartyKindCount> kvThirdNames{
    TW_THIRD_PARTY_KINDS(TW_THIRD_PARTY_KIND_TEXT)};
#undef TW_THIRD_PARTY_KIND_TEXT

// Defaults of component properties.
constexpr Integer DefButtonMargin = -1;
constexpr bool DefBoundLabelParentFont = true;
constexpr bool DefRepaintUpdate = false;
constexpr bool DefFrameAllowSkin3rdParty = true;
constexpr bool DefMakeSkinMenu = false;
constexpr bool DefSkipbsNoneForms = false;
constexpr bool DefShowAccelChar = true;
constexpr TkvScaleMode DefScaleMode = smVCL;
constexpr bool kvHiddenMaximizing = false;
constexpr bool kvAllowWorkaround1 = true;

extern bool& kvSysDPIAware;  // SetProcessDPIAware succeeded at start
extern bool& kvIsDPIAware;   // the process is aware per monitor

#ifdef _WIN32
// Module start-up: makes the process DPI-aware and learns whether it is aware per monitor.
// Runs once, before any window exists; does nothing inside the development environment.
void sDefaultsStartup();
#endif
