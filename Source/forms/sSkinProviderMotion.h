// The arithmetic of a skinned form's motions, apart from the windows they move: the own move
// and size frame's outline, the minimize and restore flight to and from the taskbar, the fade
// of blend on moving, the steps of an animated scale change and the colour of the disabled
// layer. The provider's side (sSkinProviderMotion.win.cpp, sSkinProviderMinimize.win.cpp)
// drives windows with these numbers; here they can be checked frame by frame without a display.
#pragma once

#include <cstdint>

#include "ui/Types.h"

// ---- Own move and size frame -----------------------------------------------------------------

// Sizing hit codes, the grabbed border (as the system numbers them).
constexpr Integer kvHTLeft = 10, kvHTRight = 11, kvHTTop = 12, kvHTTopLeft = 13, kvHTTopRight = 14, kvHTBottom = 15,
                  kvHTBottomLeft = 16, kvHTBottomRight = 17;
constexpr bool IsSizingHitCode(Integer ht) { return ht >= kvHTLeft && ht <= kvHTBottomRight; }

// The border a size command names in its low four bits (1 left ... 8 bottom-right, as a press
// on that border sends it), as a hit code; 0 when it names none (the keyboard's size command).
Integer SizeDirectionOfCommand(uintptr_t wParam);
// The size command's low bits for a sizing hit code (0 for any other code).
uintptr_t SizeCommandBits(Integer ht);

// The outline of a drag, screen coordinates.
struct TkvOutline {
  Integer Left = 0, Top = 0, Right = 0, Bottom = 0;
  friend bool operator==(const TkvOutline&, const TkvOutline&) = default;
};

// The outline after the mouse moved by (dx, dy) since the first move of a sizing drag from
// direction (a sizing hit code; any other value sizes the bottom and right edges). form is the
// form's rectangle when the drag began; a moving edge stops at the minimum size.
void SizeOutline(TkvOutline& o, const TRect& form, Integer direction, Integer dx, Integer dy, Integer minWidth,
                 Integer minHeight);

// ---- Minimize and restore flight -------------------------------------------------------------

constexpr Integer kvMinimizeInterval = 6;  // ms between frames

// Number of minimize steps for the manager's time, at least 1.
Integer MinimizeStepCount(Integer timeMs);
// The alpha the flight starts from: the form's alpha (baseAlpha), or a quarter of it for a
// minimize longer than 12 ms, except where layered windows are not composed (Vista and later
// without composition).
Byte MinimizeAlphaFrom(Byte baseAlpha, bool vistaWithoutComposition, Integer timeMs, bool minimized);
// The target derived from the taskbar window's rectangle: three quarters of the form's size,
// centred on the taskbar.
TRect TaskbarFallbackRect(const TRect& from, const TRect& taskbar);

struct TkvMinMotion {
  Integer StepCount = 1;
  double CurrentAlpha = 0;
  double BlendStep = 0;
  Byte AlphaTo = 0;
  double CurLeft = 0, CurTop = 0, CurRight = 0, CurBottom = 0;
  Integer XFrom = 0, YFrom = 0, XTo = 0, YTo = 0;
  double DeltaX = 0, DeltaY = 0, DeltaW = 0, DeltaH = 0;
  double DelPosX = 0, DelPosY = 0, BlendDel = 0;
  TRect RectFrom, RectTo;
  Integer RestoreSteps = 0;  // the steps a restore takes
  Integer RestoreDone = 0;   // restore steps run so far
};

// The flight's target and per-step deltas for the rectangles From and To (the picture starts
// half-way).
void UpdateDstRect(TkvMinMotion& m, const TRect& rectFrom, const TRect& rectTo);
// A minimize from rectFrom towards rectTo starting at alphaFrom.
void InitMinimize(TkvMinMotion& m, const TRect& rectFrom, const TRect& rectTo, Integer timeMs, Byte alphaFrom);
// One minimize step; True when the alpha reached 0 (the flight is over).
bool MinimizeStep(TkvMinMotion& m);
// Turns the motion into a restore back to RectFrom (from below the target, fully transparent).
void InitRestore(TkvMinMotion& m, Integer timeMs);
// One restore step; True when the picture is home: alpha within 5 of alphaFrom and both
// distances at most 1 pixel, or the restore's steps all ran; the picture is then placed at home.
bool RestoreStep(TkvMinMotion& m, Byte alphaFrom);
// The current picture's top-left, rounded.
TPoint MotionTopLeft(const TkvMinMotion& m);
// The current picture's size, rounded, never negative.
TSize MotionSize(const TkvMinMotion& m);

// ---- Blend on moving -------------------------------------------------------------------------

constexpr Integer kvBlendMoveInterval = 12;
// The alpha decrease per tick to reach blendValue from 255 in timeMs.
double BlendOnMovingStep(Byte blendValue, Integer timeMs);
// One tick of the fade: the alpha decreases towards blendValue, never below it.
double BlendOnMovingNext(double current, Byte blendValue, double step);
// A dialog's step: a thirtieth of the way to the blend value, in whole alpha units.
double DialogBlendOnMovingStep(Byte blendValue);

// ---- Animated scaling ------------------------------------------------------------------------

constexpr Integer kvScaleInterval = 6;
// The size of the next frame: half the remaining difference in each dimension.
TSize ScaleStepSize(TSize current, TSize target);
// The frame is close enough to the target (within 2 pixels each way).
bool ScaleReached(TSize current, TSize target);

// ---- Disabled-form layer ---------------------------------------------------------------------

// The colour a disabled form's image is blended towards: each of the red, green and blue bytes
// of color times (255 - blendValue) div 256.
uint32_t DisabledLayerColor(uint32_t color, Byte blendValue);

// ---- Size steps ------------------------------------------------------------------------------

// The client area went from oldSize to newSize: whether children painted over a background of
// kind bgType (BGT_ bits) must take it anew. A stretched picture changes with any size step; a
// gradient, or a picture stretched along one axis only, when that axis changed.
bool ChildBackgroundFollowsSize(Integer bgType, TSize oldSize, TSize newSize);
// The client area became narrower or lower than before (a step that uncovers nothing).
constexpr bool ClientShrank(TSize oldSize, TSize newSize) { return newSize.cx < oldSize.cx || newSize.cy < oldSize.cy; }

#ifdef _WIN32
// ---- The provider's side ---------------------------------------------------------------------

#include <windows.h>

#include <atomic>
#include <memory>

#include "base/kvThdTimer.h"
#include "base/kvntTypes.h"
#include "forms/sSkinProviderGlue.h"
#include "ui/Bitmap.h"
#include "ui/Threads.h"

class TsSkinProvider;
class TForm;
class TkvBorderWindow;
class TkvBorderForm;

// The minimize and restore animation of a form: the picture flies to the taskbar shrinking and
// fading, and back growing. The provider keeps it in FormTimer after the animation and reuses it.
class TkvMinTimer : public TkvThreadedTimer {
  TW_CLASS(TkvMinTimer, TkvThreadedTimer)
  explicit TkvMinTimer(TComponent* owner);
  ~TkvMinTimer() override;
  Byte AlphaFrom();
  void InitData();
  void InitDataRestore();
  TRect GetRectTo(const TRect& from);
  void TimeHandler() override;

  std::unique_ptr<TBitmap> AlphaBmp;  // the frame being shown, the size of RectFrom
  bool AlphaFormWasCreated = false;
  TkvGlowForm* AnimForm = nullptr;  // owned when AlphaFormWasCreated
  TkvBorderWindow* BorderForm = nullptr;
  TkvMinMotion Motion;
  TsSkinProvider* sp = nullptr;
  HWND FormHandle = nullptr;
  std::unique_ptr<TBitmap> SavedImage;  // the whole window image taken when minimizing starts
  bool Minimized = false;               // False while minimizing, True while restoring

 private:
  void FreeAnimForm();
  void FinishRestore();
  // The provider's border object while its window flies the picture (AnimForm refreshed), else null.
  TkvBorderForm* FlyingBorder();
  bool inStep_ = false;
};

// The fade of blend on moving: every 12 ms the form's layered alpha steps towards BlendValue.
class TkvMoveTimer : public TkvThreadedTimer {
  TW_CLASS(TkvMoveTimer, TkvThreadedTimer)
  using TkvThreadedTimer::TkvThreadedTimer;
  void TimeHandler() override;
  Byte BlendValue = 255;
  HWND FormHandle = nullptr;
  TkvBorderWindow* BorderForm = nullptr;
  double BlendStep = 0;
  double CurrentBlendValue = 255;
  TsSkinProvider* sp = nullptr;
};

// The worker of an animated scale change: it only waits 6 ms at a time and has each step run on
// the GUI thread. Its provider owns it, and stops and waits for it before the provider goes.
class TkvScaleThread : public TThread {
 public:
  TkvScaleThread();
  ~TkvScaleThread() override;
  // Ends the wait at once (the loop then stops).
  void Wake();
  // How many scale threads exist now.
  static Integer Alive();

  TPoint p;
  TRect NewBoundsRect;  // Right and Bottom: the target width and height
  bool CanRecreate = false;
  TNotifyEvent FOnTimer;
  std::unique_ptr<TBitmap> SrcBmp;
  std::unique_ptr<TBitmap> NewAlphaBmp;
  std::unique_ptr<TkvGlowForm> ThreadCoverForm;  // the cover made for a form without an outer border
  bool CoverIsBorder = false;                    // the provider's border window is the cover
  Integer OldPPI = 96;
  Integer DeltaX = 0, DeltaY = 0;

 protected:
  void Execute() override;

 private:
  void DoTimer();
  HANDLE timeEvent_;
  static std::atomic<Integer> alive_;
};

// Blend on moving: the form turns translucent while it is dragged (toMove: the system's move
// loop runs here and the move finishes).
void StartBlendOnMoving(TsSkinProvider* sp, bool toMove);
void FinishBlendOnMoving(TsSkinProvider* sp, TkvGlowForm* coverForm);

// A layered snapshot window over wnd (its own picture, or the screen), topmost and shown
// without activation; scrRect null: wnd's window rectangle. The caller owns it.
TkvGlowForm* MakeCoverForm(HWND wnd, TsSkinProvider* sp, bool fromScreen, const TRect* scrRect);
// The complete 32-bit image of a form with all its children, its transparent corners cleared
// and everything else opaque; null without a cache. cacheReplaced: the provider's cache goes
// (the caller installs the image as the new cache).
std::unique_ptr<TBitmap> GetFormImage(TsSkinProvider* sp, bool cacheReplaced);

// The couples of glued forms of every provider of the process.
using TkvFormsCouple = TkvFormsCoupleOf<TForm>;
extern std::vector<TkvFormsCouple> GluedArray;
// Removes the couples whose slave is form (and with asMaster, whose master is form).
void DelFromGluedArray(TForm* form, bool asMaster = false);
#endif
