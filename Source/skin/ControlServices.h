// What the skin layer (the skin manager and the control skin data) and the painters above it
// ask of the skinned controls' layer, which builds on them. The manager starts effects, owns
// the menu painter and reaches the hints; a control's skin data runs its fades, glows and
// light circles. These interfaces are declared here and implemented in controls/: the controls
// layer registers each at start-up in its TkvServiceSlot, and a caller finds the slot empty
// until then (or in a test that links no controls) and does without.
//
// Each interface names one group; its operations are added with the first caller that needs
// them, so that no layer below the controls includes a control's header.
#pragma once

#include "base/ServiceSlot.h"
#include "base/sConst.h"
#include "ui/WinFwd.h"

class TObject;
class TPopupMenu;
class TWinControl;
class TsCommonData;
class TMenuItem;
class THintWindow;

// State-change fades, click ripples, attention effects and the mouse light.
class TkvEffectServices {
 public:
  virtual ~TkvEffectServices() = default;
  // Runs or stops the mouse light's timer.
  virtual void SetMouseLight(bool active) = 0;
  // Forgets a lit control (its TsCtrlSkinData); null forgets every one.
  virtual void DelLightControl(TObject* skinData) = 0;
  // The control's attention effect starts again (it pauses while the user works with it).
  virtual void RestartAttention(TsCommonData* skinData) = 0;
  // Registers a lit control (its TsCtrlSkinData) with the mouse light.
  virtual void AddLightControl(TObject* skinData) = 0;
  // The mouse light over the control repaints (the mouse moved).
  virtual void UpdateLight(TObject* skinData) = 0;
};

// Glow layers and light circles with the effect list that keeps them, and the show animation
// of repainted controls.
class TkvGlowServices {
 public:
  virtual ~TkvGlowServices() = default;
  // Frees every glow layer and light circle (skipCircles: every glow, the circles stay).
  virtual void ClearGlows(bool manualFreeing, bool skipCircles) = 0;
  // Fades a control's new picture in over time ms up to maxTransparency, then switches its
  // redraw on and redraws it.
  virtual void AnimShowControl(TWinControl* ctrl, Word time, Integer maxTransparency, TkvAnimTypeCtrl animType) = 0;
  // Hides the glow layer of that id (fading out when animated) and sets the id to -1.
  virtual void HideGlow(Integer& glowID, bool animated) = 0;
  // Hides the light circle of that id and sets the id to -1.
  virtual void HideCircle(Integer& circleID) = 0;
  // Shows the hover glow of a control's section around screenRect over the host window
  // (dezev: the starting opacity); the glow's id, -1 when none was shown.
  virtual Integer ShowGlow(const TRect& screenRect, const String& section, TsCommonData* skinData, void* host,
                           Integer dezev, Integer margin) = 0;
  // Fades the control's glow (shown transparent) in on the control's fade timer.
  virtual void FadeGlowIn(TsCommonData* skinData) = 0;
};

// The skinned menus: the menu painter the skin manager owns, popup backgrounds and frames,
// popup shadows and the popup controller.
class TkvMenuServices {
 public:
  virtual ~TkvMenuServices() = default;
  // The menu painter forgets the skin data it holds (the skin is being cleared).
  virtual void ForgetSkinData() = 0;
  // The menu painter reads the popup border width from the next skin (it was -1 before).
  virtual void ResetSkinBorderWidth() = 0;
  // The menu painter takes over the draw and measure events of the application's menus.
  virtual void UpdateMenus() = 0;
  // The menu painter takes over the items of a control's popup menu before it opens.
  virtual void HookPopupMenu(TPopupMenu* menu, bool active) = 0;
#ifdef _WIN32
  // Gives a popup menu window its skinned frame (the cached background of the menu of item,
  // or of the window when item is null); False when the painter knows no picture for it.
  virtual bool DrawMenuBorder(HWND, TMenuItem*) { return false; }
  // Hides at once the shadow the popup controller keeps for that popup form's window (a popup
  // that rolls up leaves no shadow behind it).
  virtual void HidePopupShadow(HWND) {}
#endif
};

// The alpha-blended hints: the active hints component, its windows and templates.
class TkvHintServices {
 public:
  virtual ~TkvHintServices() = default;
  // A disabled control under the mouse shows its hint, or the container's, while the active
  // hints component handles disabled controls (called on the container's WM_MOUSEMOVE); True
  // when a disabled child's hint was shown.
  virtual bool ShowDisabledHints(TWinControl* container, Integer x, Integer y) = 0;
  // The mouse left the control: a disabled control remembered as the hint's is forgotten.
  virtual void ForgetDisabledHint(TObject* control) = 0;
  // The active hints component shows text at a screen point for the application's hide pause;
  // its hint window, or nullptr when there is no active component.
  virtual THintWindow* ShowHintAt(const String&, const TPoint&) { return nullptr; }
};

// The hook of a foreign control suite that the skin manager runs after every new skin, when
// it is set (nothing in this program sets it).
extern void (*RefreshDevEx)();
