// Defaults of the engine's component properties, the kinds of the skin manager's class-name
// lists of foreign controls, and the DPI-awareness start-up of the process.
#pragma once

#include <array>

#include "base/sConst.h"

// Kinds of the class-name lists (one list of window class names per kind).
enum TkvThirdPartyKind : Byte {
  tpEdit,
  tpButton,
  tpBitBtn,
  tpCheckBox,
  tpComboBox,
  tpGrid,
  tpGroupBox,
  tpListView,
  tpPanel,
  tpTreeView,
  tpwwEdit,
  tpGridEh,
  tpVirtualTree,
  tpPageControl,
  tpTabControl,
  tpToolBar,
  tpStatusBar,
  tpSpeedButton,
  tpScrollControl,
  tpUpDownBtn,
  tpScrollBar,
  tpStaticText,
  tpNativePaint
};
constexpr Integer kvLastSupportedType = tpNativePaint;

// Default text of each class-name list; a single blank is non-empty but matches no class.
inline constexpr std::array<const Char*, kvLastSupportedType + 1> kvThirdNames{
    u" ", u"TButton", u" ", u" ", u" ", u" ", u" ", u" ", u" ", u" ", u" ", u" ",
    u" ", u" ",       u" ", u" ", u" ", u" ", u" ", u" ", u" ", u" ", u" "};

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
