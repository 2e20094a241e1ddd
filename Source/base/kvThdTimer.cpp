#include "base/kvThdTimer.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "base/WorkingBitmaps.h"
#include "ui/Bitmap.h"

#ifdef _WIN32
#include "ui/Forms.h"
std::unique_ptr<TkvTimerDriver> MakeUITimerDriver(TkvThreadedTimer& owner, Cardinal interval);
TkvTimerDriverFactory kvTimerDriverFactory = MakeUITimerDriver;
#else
TkvTimerDriverFactory kvTimerDriverFactory;
#endif

namespace {

// Nearest integer, halves to the even neighbour.
Integer RoundEven(double v) { return static_cast<Integer>(std::nearbyint(v)); }

bool ApplicationTerminating() {
#ifdef _WIN32
  return Application && Application->Terminated();
#else
  return false;
#endif
}

}  // namespace

TW_DEFINE_CLASS(TkvThreadedTimer) {}

TkvThreadedTimer::TkvThreadedTimer(TComponent* aOwner) : TComponent(aOwner) {
  // A timer made while the application terminates stays inert: no inner timer, no ticks.
  if (ApplicationTerminating()) return;
  FEnabled = true;
  FInterval = 1000;
  StartTimer();
}

void TkvThreadedTimer::TakeOwner(TComponent* aOwner, bool changeEvent) {
  DisableTimer();
  FOwner = aOwner;
  if (changeEvent) SetOnTimer(TNotifyEvent(this, &TkvThreadedTimer::TimeEvent));
}

TkvThreadedTimer::~TkvThreadedTimer() {
  DisableTimer();
  if (FHolder) FHolder->timer_ = nullptr;  // freed by its owner component first
  FHolder = nullptr;
  if (Destroyed) return;
  Destroyed = true;
  KillTimer();
  for (TBitmap** bmp : {&BmpFrom, &BmpTo, &BmpOut}) {
    TBitmap* b = *bmp;
    *bmp = nullptr;
    delete b;
  }
}

void TkvThreadedTimer::StartTimer() {
  if (kvTimerDriverFactory) FTimerThread = kvTimerDriverFactory(*this, FInterval);
}

void TkvThreadedTimer::KillTimer() {
  if (FTimerThread) FTimerThread->SetEnabled(false);
  FTimerThread.reset();
}

void TkvThreadedTimer::UpdateTimer() {
  if (!FTimerThread) return;
  FTimerThread->SetEnabled(false);
  if (FInterval != 0 && FEnabled && (FOnTimer || AnimProc)) FTimerThread->SetEnabled(true);
}

void TkvThreadedTimer::Reset() {
  KillTimer();
  StartTimer();
  UpdateTimer();
}

void TkvThreadedTimer::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  if (!value) ClearBitmaps();
  UpdateTimer();
}

void TkvThreadedTimer::SetInterval(Cardinal value) {
  if (value == FInterval) return;
  FInterval = value;
  if (FTimerThread) {
    FTimerThread->SetInterval(value);
    UpdateTimer();
  }
}

void TkvThreadedTimer::SetOnTimer(TNotifyEvent value) {
  FOnTimer = value;
  UpdateTimer();
}

void TkvThreadedTimer::SetThreadPriority(TThreadPriority value) {
  if (value != FThreadPriority) FThreadPriority = value;
  UpdateTimer();
}

void TkvThreadedTimer::DisableTimer() { SetEnabled(false); }

void TkvThreadedTimer::InitData(TObject* aData, Integer aIteration, TkvAnimProc aAnimProc, Integer aNewState,
                                bool aFast) {
  SetEnabled(false);
  AnimData = aData;
  Value = 0;
  Glow = std::clamp(Glow, 0.0, 255.0);
  Iterations = aFast ? kvMaxIterations / 2 : kvMaxIterations;
  switch (aNewState) {
    case 0:
      Iterations *= 3;
      GlowStep = Glow / Iterations;
      break;
    case 2:
      if (aIteration == 0 || aIteration >= Iterations) Glow = 255;  // a change that starts afresh
      GlowStep = Glow / Iterations;
      break;
    default:
      // A fade-in that interrupts a fade-out runs only for the part still missing.
      if (State > 0)
        Iterations = kvMaxIterations;
      else
        Iterations = RoundEven((255 - Glow) * kvMaxIterations / 255);
      Iterations = std::max(Iterations, 1);
      GlowStep = (255 - Glow) / Iterations;
      break;
  }
  ValueStep = (255 - Value) / Iterations;
  // A new change starts from the picture shown now.
  if ((aNewState == 2 || (aNewState == 1 && State == 2)) && BmpOut)
    CopyFrom(BmpFrom, BmpOut, TRect(0, 0, BmpOut->Width(), BmpOut->Height()));
  if (aNewState == 1 && State <= 0)
    Iteration = RoundEven(Glow * kvMaxIterations / 255);
  else if (aNewState == 0 && State == 1)
    Iteration = Glow == 0 ? 0 : RoundEven(Iterations * (255 - Glow) / 255);
  else
    Iteration = BmpOut ? 0 : aIteration;
  if (FInterval == 1000) SetInterval(kvTimerInterval);  // a user's own interval stays
  AnimProc = std::move(aAnimProc);
  OldState = State;
  State = aNewState;
  SetEnabled(true);
}

void TkvThreadedTimer::Timer() {
  if (Destroyed || !FEnabled) return;
  if (AnimProc) {
    ++Iteration;
    if (Iteration > Iterations) {
      DisableTimer();
      return;
    }
    try {
      if (!AnimProc(AnimData, Iteration)) DisableTimer();
    } catch (...) {
      // A failing step ends the animation quietly: an animation only decorates, and an error
      // shown from a timer tick would interrupt the user for a frame that is merely lost.
      DisableTimer();
    }
  } else {
    FOnTimer.Call(this);
  }
}

void TkvThreadedTimer::OnTimer2(TObject*) {
  if (!FTimerThread || !FTimerThread->Enabled() || Executing || Destroyed) return;
  Executing = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{Executing};
  Timer();
}

void TkvThreadedTimer::TimeHandler() {
  if (!FEnabled || !AnimProc || Destroyed) return;
  if (!AnimProc(AnimData, Iteration)) {
    DisableTimer();
    State = -1;
  }
}

void TkvThreadedTimer::CopyFrom(TBitmap*& dst, TBitmap* src, const TRect& r) {
  const Integer w = std::max(r.Width(), 0), h = std::max(r.Height(), 0);
  if (!dst) {
    dst = CreateBmp32(w, h);
  } else {
    dst->SetSize(w, h);
  }
  // Pixels that lie outside the source stay as they were.
  TPixelView from = src->View(), to = dst->View();
  if (from.Empty() || to.Empty()) return;
  const Integer left = std::max(r.Left, 0), top = std::max(r.Top, 0);
  const Integer right = std::min(r.Left + w, from.Width), bottom = std::min(r.Top + h, from.Height);
  for (Integer y = top; y < bottom; ++y)
    if (right > left)
      std::memcpy(to.Row(y - r.Top) + (left - r.Left), from.Row(y) + left, static_cast<size_t>(right - left) * 4);
}

void TkvOwnedTimer::reset(TkvThreadedTimer* timer) {
  if (timer && timer->FHolder && timer->FHolder != this) timer->FHolder->timer_ = nullptr;  // moves here
  TkvThreadedTimer* old = std::exchange(timer_, timer);
  if (timer_) timer_->FHolder = this;
  if (!old || old == timer) return;
  old->FHolder = nullptr;
  if (holder_ && old->AnimData == holder_) old->AnimData = nullptr;
  old->Free();
}

TkvThreadedTimer* TkvOwnedTimer::release() {
  TkvThreadedTimer* timer = std::exchange(timer_, nullptr);
  if (timer) timer->FHolder = nullptr;
  return timer;
}

Integer GetNewTimer(TkvOwnedTimer& aTimer, TComponent* aOwner, Integer state) {
  TkvThreadedTimer* timer = aTimer.get();
  const Integer left = GetNewTimer(timer, aOwner, state);
  if (!aTimer) aTimer.reset(timer);
  return left;
}

Integer GetNewTimer(TkvThreadedTimer*& aTimer, TComponent* aOwner, Integer state) {
  if (!aTimer) {
    aTimer = new TkvThreadedTimer(aOwner);
    aTimer->AfterConstruction();
    if (state == 0) aTimer->Glow = 255;  // a fade-out starts fully lit
    return 0;
  }
  const Integer left = (aTimer->State == 0 ? kvMaxIterations * 3 : kvMaxIterations) - aTimer->Iteration;
  return std::max(left, 0);
}
