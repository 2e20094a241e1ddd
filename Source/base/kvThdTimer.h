// The animation timer behind every animation of the engine (state fades, ripples, pulses,
// glow fades, hint and form animations). Despite its name it runs no thread: a UI timer of
// the class library drives it, so every step runs on the GUI thread from the message loop.
// A timer carries one animation at a time: a step counter, two animated values, three
// bitmaps and the step procedure the animating code hands it.
//
//   timer->InitData(skinData, 0, StepProc, 2, false);  // a change over 6 steps, 12 ms apart
//   timer->TimeHandler();                               // paint the first frame at once
//
// What drives it is a TkvTimerDriver: the class library's TTimer on Windows, or in tests a
// driver the test steps by hand (no test waits for real 12 ms ticks).
#pragma once

#include <functional>
#include <memory>

#include "base/sConst.h"
#include "ui/Classes.h"
#include "ui/Threads.h"

class TBitmap;
class TControl;
class TkvThreadedTimer;
class TkvOwnedTimer;

// The UI timer inside an animation timer. It calls its owner's OnTimer2 on every tick while
// it is enabled.
class TkvTimerDriver {
 public:
  virtual ~TkvTimerDriver() = default;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool value) = 0;
  virtual Cardinal Interval() const = 0;
  virtual void SetInterval(Cardinal ms) = 0;
};

// Makes the driver of a new inner timer, enabled at once with the given interval. On Windows
// it makes a TTimer owned by the animation timer; natively there is none unless a test
// installs a factory.
using TkvTimerDriverFactory =
    std::function<std::unique_ptr<TkvTimerDriver>(TkvThreadedTimer& owner, Cardinal interval)>;
extern TkvTimerDriverFactory kvTimerDriverFactory;

// One step: Data is what InitData was given, Iteration the step number. True goes on.
using TkvAnimProc = std::function<bool(TObject* Data, Integer Iteration)>;

class TkvThreadedTimer : public TComponent {
  TW_CLASS(TkvThreadedTimer, TComponent)
  explicit TkvThreadedTimer(TComponent* aOwner);
  // Constructs a timer of class T (so a subclass's constructor and overrides take part),
  // disables it, keeps aOwner in FOwner and, with changeEvent, makes TimeEvent its OnTimer
  // handler; a subclass's TimeHandler then runs on every tick.
  template <class T = TkvThreadedTimer>
  static T* CreateOwned(TComponent* aOwner, bool changeEvent) {
    auto* timer = new T(aOwner);
    timer->AfterConstruction();
    timer->TakeOwner(aOwner, changeEvent);
    return timer;
  }
  ~TkvThreadedTimer() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  Cardinal Interval() const { return FInterval; }
  void SetInterval(Cardinal value);
  TNotifyEvent OnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent value);
  TThreadPriority ThreadPriority() const { return FThreadPriority; }
  void SetThreadPriority(TThreadPriority value);

  void StartTimer();
  void KillTimer();
  void UpdateTimer();
  void Reset();
  virtual void DisableTimer();
  virtual void PrepareImage() {}
  void ClearBitmaps() {}

  // Starts an animation: state 0 fades out, 1 fades in, 2 changes; aIteration is the step a
  // change resumes from (GetNewTimer's answer); aFast halves the steps.
  void InitData(TObject* aData, Integer aIteration, TkvAnimProc aAnimProc, Integer aNewState, bool aFast);
  // One step of the running animation.
  void Timer();
  // The inner timer's tick: one step, unless a step is running already (a tick that arrives
  // while a step pumps messages is dropped).
  void OnTimer2(TObject* sender);
  // Runs the step procedure for the current step without advancing it; False ends the
  // animation and resets State.
  virtual void TimeHandler();
  void TimeEvent(TObject*) { TimeHandler(); }
  // Copies rectangle r of src to (0, 0) of dst, making dst a 32-bit bitmap of r's size when
  // it is null, else sizing it to r.
  void CopyFrom(TBitmap*& dst, TBitmap* src, const TRect& r);

  bool FEnabled = false;
  Cardinal FInterval = 1000;
  TNotifyEvent FOnTimer;
  std::unique_ptr<TkvTimerDriver> FTimerThread;  // the inner UI timer
  TThreadPriority FThreadPriority = tpNormal;
  bool InHandler = false;
  bool Executing = false;
  TObject* FOwner = nullptr;  // the owner given to CreateOwned
  double Glow = 0;            // kept in 0..255
  double Value = 0;
  double GlowStep = 0;
  double ValueStep = 0;
  Integer State = -1;  // -1 none, 0 fade-out, 1 fade-in, 2 change
  Integer Iteration = 0;
  Integer IntState = -1;
  Integer OldState = -1;
  Integer Iterations = kvMaxIterations;
  Integer ThreadType = 0;
  TBitmap* BmpTo = nullptr;    // owned
  TBitmap* BmpOut = nullptr;   // owned
  TBitmap* BmpFrom = nullptr;  // owned
  TRect AnimRect;
  TObject* AnimData = nullptr;
  bool Destroyed = false;
  TControl* AnimControl = nullptr;
  TkvAnimProc AnimProc;

 private:
  friend class TkvOwnedTimer;
  // The part of CreateOwned that follows construction.
  void TakeOwner(TComponent* aOwner, bool changeEvent);

  TkvOwnedTimer* FHolder = nullptr;  // the holder that owns this timer, emptied when it goes
};

// An animation timer that one holder owns and frees (a control's skin data keeps its fade
// timer so). The timer's owner component may free it first: the timer then empties the holder,
// so nothing frees it twice. A holder made with its object (the skin data) takes that object
// out of the timer's AnimData when it frees the timer, so that no later step reaches it.
class TkvOwnedTimer {
 public:
  explicit TkvOwnedTimer(TObject* holder = nullptr) : holder_(holder) {}
  ~TkvOwnedTimer() { reset(); }
  TkvOwnedTimer(const TkvOwnedTimer&) = delete;
  TkvOwnedTimer& operator=(const TkvOwnedTimer&) = delete;

  TkvThreadedTimer* get() const { return timer_; }
  TkvThreadedTimer* operator->() const { return timer_; }
  explicit operator bool() const { return timer_ != nullptr; }
  // Frees the timer held (if any) and takes timer, which must not have another holder.
  void reset(TkvThreadedTimer* timer = nullptr);
  // Hands the timer over without freeing it; only its owner component frees it then.
  TkvThreadedTimer* release();

 private:
  friend class TkvThreadedTimer;
  TObject* holder_;
  TkvThreadedTimer* timer_ = nullptr;
};

// Makes a timer (owned by aOwner) into aTimer when it is null, lit fully for a fade-out, and
// answers 0; for an existing timer, the steps its running animation still has by the default
// counts (18 for a fade-out, else 6, minus the current step), never below 0.
Integer GetNewTimer(TkvThreadedTimer*& aTimer, TComponent* aOwner, Integer state);
// The same for a timer that a holder owns besides aOwner (the skin data's AnimTimer).
Integer GetNewTimer(TkvOwnedTimer& aTimer, TComponent* aOwner, Integer state);
