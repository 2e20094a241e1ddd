// TProgressBar: the system progress bar (msctls_progress32). Windows only.
//
// Min, Max and Position are 32-bit. Setting a Max below Min (or a Min above Max) raises
// EInvalidOperation "TProgressBar property out of range" (checked after loading when the
// description sets them). Position is kept inside [Min, Max], with or without a window.
#pragma once

#ifdef _WIN32

#include "Controls.h"

TW_ENUM(TProgressBarOrientation, pbHorizontal, pbVertical)
TW_ENUM(TProgressBarStyle, pbstNormal, pbstMarquee)
TW_ENUM(TProgressBarState, pbsNormal, pbsError, pbsPaused)

class TProgressBar : public TWinControl {
  TW_CLASS(TProgressBar, TWinControl)
  explicit TProgressBar(TComponent* owner);

  Integer Min() const { return min_; }
  void SetMin(Integer v) { SetParams(v, max_); }
  Integer Max() const { return max_; }
  void SetMax(Integer v) { SetParams(min_, v); }
  Integer Position() const { return position_; }
  void SetPosition(Integer v);
  Integer Step() const { return step_; }
  void SetStep(Integer v);
  void StepIt() { SetPosition(position_ + step_); }
  void StepBy(Integer delta) { SetPosition(position_ + delta); }
  TProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TProgressBarOrientation o);
  bool Smooth() const { return smooth_; }
  void SetSmooth(bool v);
  TProgressBarStyle Style() const { return style_; }
  void SetStyle(TProgressBarStyle s);
  Integer MarqueeInterval() const { return marqueeInterval_; }
  void SetMarqueeInterval(Integer ms);
  TColor BarColor() const { return barColor_; }
  void SetBarColor(TColor c);
  TColor BackgroundColor() const { return backgroundColor_; }
  void SetBackgroundColor(TColor c);
  TProgressBarState State() const { return state_; }
  void SetState(TProgressBarState s);

 protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void Loaded() override;

 private:
  void SetParams(Integer min, Integer max);
  Integer min_ = 0, max_ = 100, position_ = 0, step_ = 10, marqueeInterval_ = 10;
  TProgressBarOrientation orientation_ = pbHorizontal;
  bool smooth_ = false;
  TProgressBarStyle style_ = pbstNormal;
  TColor barColor_ = clDefault, backgroundColor_ = clDefault;
  TProgressBarState state_ = pbsNormal;
};

#endif
