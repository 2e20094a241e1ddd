// Glow layers and light circles: the layered, click-through windows that shine around a
// hovered control (a glow drawn from the skin's glow mask or hover outer effect) or under the
// mouse on a check mark or a slider thumb (a light circle). All of them live in one list,
// kvgEffects; a control's skin data keeps the index of its glow (GlowID) and of its circle
// (CircleID), -1 for none.
//
// Sections: 1. circle steps and plans, holes of covered glows (portable); 2. the effect list,
// glows and circles (Windows); 3. the services the skin layer reaches them through.
#pragma once

#include <vector>

#include "base/sConst.h"
#include "raster/Pixels.h"
#include "ui/Types.h"

// ---- 1. Portable arithmetic ---------------------------------------------------------------------

enum TkvSizeChanging : Byte { scIncrease, scDecrease, scNotChanged };

// Alpha bytes of light circles: hover, pressed check mark, pressed track thumb.
constexpr Integer AlphaNormal = 17, AlphaDownCheck = 102, AlphaDownTrack = 34;
// Radii of light circles at 96 PPI.
constexpr Integer iMinCircleRadius = 17, iMaxCircleRadius = 23;
// Steps of a circle's growth: hover 24 ms; sliders and track bars 12 ms hovered, 36 ms pressed.
constexpr Cardinal kCircleInterval = 24, kTrackCircleHoverInterval = 12, kTrackCirclePressInterval = 36;
// Steps of an animated glow hide: three times the usual fade.
constexpr Integer kGlowHideSteps = 18;

// Check boxes, radio buttons, list boxes and group boxes grow their circles the gentle way.
bool IsCheckLikeControl(Integer coc);
bool IsTrackLikeControl(Integer coc);

// The moving part of a light circle: where it is and where it goes.
struct TkvCircleMotion {
  double RealRadius = 0;
  double RealAlpha = 0;
  Integer RadiusFinish = 0;
  Byte AlphaFinish = 255;
  TkvSizeChanging SizeChanging = scIncrease;
};

// One step of the circle towards its end (radius and alpha); false when it has arrived (the
// timer then stops). A circle whose radius is already final stops once its alpha is there too.
bool StepCircleMotion(TkvCircleMotion& m, bool checkLike, bool buttonDown);

// What a circle of a new state starts from and grows to.
struct TkvCirclePlan {
  Integer RadiusStart = 0;
  Integer RadiusFinish = 0;
  TkvSizeChanging SizeChanging = scIncrease;
  Byte AlphaStart = 255;
  Byte AlphaFinish = 255;
  bool BackgroundDisc = false;       // a soft disc of the hover light under the circle (presses)
  Integer LightState = 1;            // the section state whose light colour the circle takes
  Integer ColorAlpha = AlphaNormal;  // alpha of a colour the section leaves open; -1: as it stands
};
// newState 1 (hover) or 2 (pressed); hasCircle/circleRadius: the circle on screen now;
// areaWidth: width of the control's mouse area; minRadius/maxRadius: the scaled radii.
TkvCirclePlan PlanCircle(Integer coc, Integer newState, bool hasCircle, double circleRadius, Integer areaWidth,
                         Integer minRadius, Integer maxRadius, bool animated);

// Clears (to transparent) in the glow picture every covering window that overlaps the
// control, so that the glow does not shine over windows that lie above the control. glowOrigin:
// the picture's top-left corner on the screen; all rectangles in screen coordinates. A cover is
// cut only as far as it lies in the picture.
void CutCoveredHoles(const TPixelView& glow, TPoint glowOrigin, const TRect& control, const std::vector<TRect>& covers);

#ifdef _WIN32

// ---- 2. The effect list, glows and circles --------------------------------------------------------

#include <windows.h>

#include <memory>

#include "ui/Bitmap.h"

class TkvGlowForm;
class TsCommonData;
class DuRiruZireziv;
class TObject;

// One layered effect window; its window is made on the first repaint.
class TkvLayeredEffect {
 public:
  TkvLayeredEffect() = default;
  virtual ~TkvLayeredEffect();
  TkvLayeredEffect(const TkvLayeredEffect&) = delete;
  TkvLayeredEffect& operator=(const TkvLayeredEffect&) = delete;
  virtual void Repaint() = 0;
  virtual bool IsCircle() const { return false; }

  TsCommonData* SkinData() const { return FSkinData; }
  void SetSkinData(TsCommonData* value);
  // Frees the window now (the manager is going or the application ends) or lets the message
  // loop free it (the effect may be hidden from inside a message of its own window).
  void DropWindow();

  std::unique_ptr<TBitmap> AlphaBmp;  // the picture shown
  Integer State = 0;
  HWND FWndHandle = nullptr;   // the window the effect stays above
  TkvGlowForm* Wnd = nullptr;  // owned
  bool Destroyed = false;
  DuRiruZireziv* SkinManager = nullptr;

 protected:
  // Makes the window (a glow form that lets the mouse through); false without a handle.
  bool EnsureWindow();
  // Where the effect goes in the z-order: right above the host form, topmost over a topmost one.
  HWND InsertAfter(bool topmost) const;

 private:
  TsCommonData* FSkinData = nullptr;
};

class TkvGlowEffect : public TkvLayeredEffect {
 public:
  void Repaint() override;
  void Show(const TRect& realRect, Integer dezev, HWND wndHandle);

  Integer FAlpha = 255;
  Integer Margin = 0;
  Integer MaskIndex = -1;
  TRect FRealRect;
  TPoint Position;  // the window's top-left corner on the screen, as last shown
};

// What a circle becomes (InitCircleEffect copies it into the effect).
struct TkvCircleEffectData {
  TkvSizeChanging SizeChanging = scIncrease;
  TsCommonData* SkinData = nullptr;
  Integer RadiusFinish = 0, RadiusStart = 0;
  TPoint Center;  // screen coordinates
  Integer State = 1;
  Integer Color = -1;
  Byte AlphaFinish = 255, AlphaStart = 255;
};

class TkvCircleEffect : public TkvLayeredEffect {
 public:
  void Repaint() override;
  bool IsCircle() const override { return true; }
  void Show();

  TkvCircleMotion Motion;
  Integer RadiusStart = 0;
  Integer Color = -1;
  TPoint Center;
  std::unique_ptr<TBitmap> BackBmp;  // the soft disc under a pressed circle
};

// The effects by index; a freed glow leaves an empty slot, hidden circles keep theirs; the list
// only shrinks when it is cleared as a whole.
extern std::vector<std::unique_ptr<TkvLayeredEffect>> kvgEffects;
// Set while an effect window is being freed or released: ClearGlows waits for it.
extern bool& bGlowingDestroying;

// A live effect at id, or null.
TkvLayeredEffect* EffectAt(Integer id);

// Shows the glow of a control: the mask named name + "0" of the section (the control's own
// when skinSection is empty), or the hover outer effect of its section. Its index, or -1.
Integer ShowGlow(const TRect& realRect, const String& skinSection, const String& name, Integer margin, Integer dezev,
                 HWND wndHandle, TsCommonData* skinData);
// The same with the mask index given (caption buttons).
Integer ShowGlow(const TRect& realRect, Integer maskIndex, Integer margin, Integer dezev, HWND wndHandle,
                 TsCommonData* skinData);
// Hides the effect at id (a glow fades out when asked and allowed) and sets id to -1.
void HideGlow(Integer& id, bool doAnimation);
void SetGlowAlpha(Integer id, Byte alpha);
// The glow at id in full strength (nothing is re-shown when it is there already).
void ShowGlowInFull(Integer id);
// Raises the control's glow, shown transparent, to full strength on the control's fade timer
// (which a repaint of the control then leaves running). A glow whose fade cannot start (the
// control cannot fade now, or its timer already stands at the hot look) is shown in full at once.
void FadeGlowIn(TsCommonData* skinData);
void RepaintGlow(Integer id);
// Frees every effect (skipCircles: every glow, the circles stay).
void ClearGlows(bool manualFreeing, bool skipCircles);

// The circle radii scaled to the control.
Integer MinCircleRadius(TsCommonData* sd);
Integer MaxCircleRadius(TsCommonData* sd);
// A colour -1 becomes the skin's button-text colour with dezev as its alpha byte.
void CorrectColor(Integer& color, Byte dezev);
// True for an enabled control in use whose clicks animate and whose manager does not ripple.
bool CircleClickMode(TObject* ctrl, TsCommonData* skinData);

Integer CreateCircleEffect(const TkvCircleEffectData& data);
void InitCircleEffect(Integer id, const TkvCircleEffectData& data);
// Shows, changes or hides the control's circle for the cursor and the button state.
void ShowCircleIfNeeded(TsCommonData* skinData, Byte dezev, bool doAnimation);
void StartLEAnimation(const TkvCircleEffectData& data, bool allowAnimation);
// The circle timer's step.
bool UpdateCircle(TObject* data, Integer iteration);
void HideCircle(Integer& id);

// The control's mouse area on the screen (KV_GETMOUSEAREA); false when it does not answer.
bool GetMouseArea(TsCommonData* sd, TRect& area);

// ---- 3. Services -------------------------------------------------------------------------------------

// Puts the glow services in their slot (start-up) and takes them back (clean-up, which also
// frees every effect).
void kvGlowStartup();
void kvGlowCleanup();

#endif
