// The effects of the skinned controls that run on their animation timers: state-change fades
// (with the fill-light press effect and the glow fade), the click ripple, the attention effects
// and the mouse light. A control's skin data owns the timers (AnimTimer, ClickTimer, PulsTimer);
// every step runs on the GUI thread from a UI timer, which tests replace (kvTimerDriverFactory).
//
// Sections:
//   1. Frame arithmetic: progress, blend weights, fill-light sizes, ripple frames, light
//      distances and placement (portable, kvAnimation.cpp)
//   2. State-change fades: EventEnabled, DoChangePaint and the step procedures
//      (kvAnimation.win.cpp)
//   3. The click ripple (kvAnimationRipple.win.cpp)
//   4. Attention effects (kvAnimationAttention.win.cpp)
//   5. The mouse light (kvAnimationLight.win.cpp)
//   6. Start-up: the effect services registered for the layers below (kvAnimation.win.cpp)
#pragma once

#include <memory>
#include <vector>

#include "base/kvThdTimer.h"
#include "base/sConst.h"
#include "raster/Resampling.h"
#include "ui/Types.h"

// ---- 1. Frame arithmetic ---------------------------------------------------------------------

// A fade's progress (0..255, real) as the byte alpha of a frame: rounded, halves to even, and
// clamped.
Integer kvFadeAlpha(double glow);

// What one step of a fade of the control's window does after it has drawn its frame.
enum TkvFadeNext : Byte {
  fnContinue,  // another step follows
  fnGoOn,      // the last step of a fade that has not reached its end (0, or 255 for the hot look):
               // the count is stretched
  fnEnd        // the fade is over
};

// One step of a state-change fade on the timer's fields: Glow moves by GlowStep (state 0 and 2
// down, state 1 up; another state follows the step count), Dezev is its byte alpha, Weight
// the weight of the starting picture in the frame (per channel frame = to + (from - to) *
// Weight / 256), and Next what follows; a fade to normal whose last step has not reached 0, or a
// fade to hot whose last step has not reached 255, gets its Iteration moved back so that it goes
// on, by at most one whole fade (the step grows to fit when it was too small for that).
struct TkvFadeStep {
  Integer Dezev = 0;
  Integer Weight = 0;
  TkvFadeNext Next = fnEnd;
};
TkvFadeStep kvFadeStep(TkvThreadedTimer& timer);

// The sizes of the fill-light press effect for a cache of width x height.
struct TkvFillLightSizes {
  Integer MinSize = 0;  // Round(Sqrt(w * w + h * h)) div 4
  Integer MaxSize = 0;  // 2 * Max(w, h)
  // The light has room to grow: an empty cache has none, and the effect ends at once.
  bool Valid() const { return MaxSize > MinSize; }
};
TkvFillLightSizes kvFillLightSizes(Integer width, Integer height);

// One frame of the fill light: the circle's diameter (Value, kept in the timer) grows; Fade is
// the weight of the light frame over the new look (0 while pressed), IntState the light's
// strength, Blur its softness, Size its diameter, ExitLimit the distance to MaxSize at which
// the effect ends.
struct TkvFillLightFrame {
  double Value = 0;
  Integer Fade = 0;
  Integer IntState = 0;
  Integer Blur = 1;
  Integer Size = 0;
  Integer ExitLimit = 1;
  // The circle has (nearly) reached its largest size.
  bool Done(const TkvFillLightSizes& s) const { return s.MaxSize - Size < ExitLimit; }
};
// firstPress: the press phase's first step (Value starts at MinSize * 3 / 2); pressed: the
// button is held (state 2); waveAfter: the click effect ends with a ripple (a later exit).
// sizes must be Valid.
TkvFillLightFrame kvFillLightStep(const TkvFillLightSizes& sizes, double value, bool firstPress, bool pressed,
                                  bool waveAfter);

// The click ripple's modes: cm1 the click halo (blurred, grows faster), cm2 the echo of the
// wavering attention effect.
enum TkvClickMode : Byte { cm1, cm2 };
inline constexpr Integer kvRippleAddSize = 2;   // growth per step in each dimension
inline constexpr Integer kvRippleBlurOffs = 4;  // room for the blur in cm1
inline constexpr Integer kvRippleMinAlpha = 2;  // a ripple this faint ends
// The next constant alpha of the ripple window (5/6 of the last, truncated).
inline Integer kvRippleNextAlpha(Integer dezev) { return dezev * 5 / 6; }
// The ripple window's size after a step from the previous size.
TSize kvRippleNextSize(TSize previous, TkvClickMode mode);
// A rectangle of size centred on the control's mouse area r (halves truncated toward zero).
TRect kvRippleRect(const TRect& r, TSize size);

// The mouse light's distance test: the window rectangle r of the control and the cursor, both
// in screen pixels. distanceX/Y receive the control's centre less the cursor; the answer is
// whether the cursor lies within 64 pixels of the box enlarged by half the larger side.
bool kvLightIsNear(const TRect& r, TPoint cursor, Integer& distanceX, Integer& distanceY);

// How the light spot is painted into a control of cx x cy for the stored distances and a mask
// of maskWidth x maskHeight: its top-left corner and its opacity (255 inside the control,
// fading to 0 at 64 pixels outside its box).
struct TkvLightPlace {
  TPoint TopLeft;
  bool Inside = false;
  Integer Opacity = 0;
};
TkvLightPlace kvLightPlace(Integer cx, Integer cy, Integer distanceX, Integer distanceY, Integer maskWidth,
                           Integer maskHeight);

// The light's width and height for a control of cx x cy aligned as align (TAlign's values:
// 0 none, 1 top, 2 bottom, 3 left, 4 right, 5 client).
TSize kvLightSize(Integer cx, Integer cy, Integer align);

// Which of a control's mouse events animate: without a manager every event but aeClick; with
// one, nothing unless it allows animation; then an event of the control's own set, or with
// aeGlobalDef the manager's button event of that name.
struct TkvEventRules {
  bool HaveManager = false;
  bool AllowAnimation = false;
  TSet<TkvBtnEvent> ManagerEvents;
};
bool kvEventEnabled(TkvAnimatEvent event, TSet<TkvAnimatEvent> currentProperty, const TkvEventRules& rules);

#ifdef _WIN32

#include "raster/kvgpUtils.h"
#include "ui/Controls.h"
#include "ui/Timers.h"

class TsCommonData;
class TsCtrlSkinData;
class DuRiruZireziv;
class TkvGlowForm;
struct TCacheInfo;
class TBitmap;

// ---- 2. State-change fades -------------------------------------------------------------------

// Whether a control with the event set currentProperty animates event (the default manager
// when skinManager is null).
bool EventEnabled(TkvAnimatEvent event, TSet<TkvAnimatEvent> currentProperty, DuRiruZireziv* skinManager = nullptr);
// Shows the change of the control to look state (0 normal, 1 hot, 2 pressed; 100 and more
// never bring a glow): a fade when allowed, else a repaint at once. fast has no effect.
void DoChangePaint(TsCommonData* data, Integer state, const TkvAnimProc& animProc, bool allowAnimation, bool fast,
                   bool makeGlowing = true);
// Starts a fade (called by DoChangePaint).
void AnimChange(TsCommonData* skinData, Integer newState, const TkvAnimProc& animProc, bool fast);
// The step procedures: the cross-fade of the control's window, the fill-light press effect,
// the fade of the glow layer alone.
bool UpdateWindow_CB(TObject* data, Integer iteration);
bool UpdateFillLight(TObject* data, Integer iteration);
bool UpdateGlowing_CB(TObject* data, Integer iteration);
// dst becomes a copy of every byte of src (alpha included): a 32-bit bitmap made when null.
void kvCopyPicture(TBitmap*& dst, TBitmap* src);
// The window a fade paints and its rectangle (parent coordinates for a windowed control, screen
// coordinates for a bare window); 0 when there is none.
HWND GetHandleBounds(TsCommonData* sd, TRect& r);

// ---- 3. The click ripple ---------------------------------------------------------------------

// The ripple timer of a control: a screen copy of the control grows and fades in a layered
// click-through window just above the control's form.
class TkvClickTimer : public TkvThreadedTimer {
  TW_CLASS(TkvClickTimer, TkvThreadedTimer)
  using TkvThreadedTimer::TkvThreadedTimer;
  ~TkvClickTimer() override;
  void PrepareImage() override;
  void DisableTimer() override;
  // Draws the next, larger and fainter frame.
  void IterateImage();

  Byte Dezev = 255;
  TkvClickMode Mode = cm1;
  TkvGlowForm* AForm = nullptr;  // the ripple window, owned

 private:
  // The resampler's memory, sized at the start of a ripple for its last frame, and the blur's.
  TStretchScratch stretchScratch_;
  TQBlurScratch blurScratch_;
  TSize lastFrame_;  // the size of the ripple's last frame
  // While frames are drawn, BmpOut holds the frame shown (AnimRect's size) in its top-left
  // part; the picture of the next frame waits here.
  std::unique_ptr<TBitmap> spare_;
};

// Starts a ripple of the skin data's owner control.
void DoClickAnimation(TsCommonData* skinData, TkvClickMode mode);
// The echo ripple of the wavering attention effect.
void DoWavingAnimation(TsCommonData* skinData);
bool ClickAnimProc(TObject* data, Integer iteration);

// ---- 4. Attention effects --------------------------------------------------------------------

enum TkvAttentionMode : Byte { amColor, amVibration, amWavering };
struct TkvAttentionData {
  Integer Color = 0;     // a colour or a system colour value
  Integer Interval = 0;  // ms between colour-pulse and wavering steps
  TkvAttentionMode Mode = amColor;
};
inline constexpr Integer kvAttentionPause = 500;  // between vibration bursts, ms
inline constexpr Integer kvAttentionShake = 20;   // vibration step, ms

class TkvPulsTimer : public TkvThreadedTimer {
  TW_CLASS(TkvPulsTimer, TkvThreadedTimer)
  using TkvThreadedTimer::TkvThreadedTimer;
  ~TkvPulsTimer() override;
  void PrepareImage() override;
  void DisableTimer() override;
  // The mode's steps start once the control can be seen.
  void Init();

  Integer Direct = 1;            // the shaking direction
  TkvGlowForm* AForm = nullptr;  // owned; no mode makes one
  bool Busy = false;
  bool Shown = false;
  TsCommonData* SkinData = nullptr;
  TkvAttentionData PaintData;
  TsCommonData* PrivateData = nullptr;  // the skin data made for a control without one, owned
};

void StartAttention(TControl* ctrl, const TkvAttentionData& data);
void StopAttention(TsCommonData* skinData);
// Rebuilds a running effect (the control's look changed).
void RestartAttention(TsCommonData* skinData);
// Frees the timers of controls without skin data.
void ClearAttentTimers();
// The attention timers of controls without skin data.
std::vector<TkvPulsTimer*>& kvAttentTimers();

// ---- 5. The mouse light ----------------------------------------------------------------------

class TkvMouseLightData {
 public:
  TkvMouseLightData();
  ~TkvMouseLightData();
  TkvMouseLightData(const TkvMouseLightData&) = delete;
  TkvMouseLightData& operator=(const TkvMouseLightData&) = delete;
  // KV_UPDATELIGHT to every lit control and window; nothing while a tick runs.
  void OnLightTimer(TObject* sender);
  // The light's size for the default manager's scale.
  void UpdateScale();
  void UpdateMask();

  std::unique_ptr<TBitmap> MaskBmp;
  std::unique_ptr<TTimer> LightTimer;  // 12 ms, off until a manager asks
  bool InOnTimer = false;
  std::vector<HWND*> LightHandles;  // skin data without control: their FSWHandle fields
  std::vector<TControl*> LightControls;
  Integer MouseLightSize = 64;
};
// The one light object; made on first use, freed at clean-up.
TkvMouseLightData* kvMouseLightData();
void kvFreeMouseLightData();

void AddLightControl(TsCtrlSkinData* skinData);
// Null forgets every control (the windows stay).
void DelLightControl(TsCtrlSkinData* skinData);
void SetMouseLight(bool active);
void DoUpdateLight(TsCtrlSkinData* skinData, bool doOutput);
bool LightingIsNear(TsCtrlSkinData* skinData);
// Paints the light spot into dstBmp (the cache when null) after the section was painted.
void HandleLighting(TsCtrlSkinData* skinData, Integer state, const TCacheInfo* parentCI = nullptr,
                    TBitmap* dstBmp = nullptr);

// ---- 6. Start-up -----------------------------------------------------------------------------

// Registers the effect services; the clean-up stops every effect and frees the light object
// and the attention timers of controls without skin data.
void kvAnimationStartup();
void kvAnimationCleanup();

#endif
