// The frame arithmetic of the effects: what a fade, a fill light, a ripple frame and the mouse
// light compute before anything is drawn. Needs no window system.
#include "controls/kvAnimation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/kvntUtils.h"

namespace {

// Nearest integer, halves to the even neighbour.
Integer RoundEven(double v) { return static_cast<Integer>(std::nearbyint(v)); }

}  // namespace

Integer kvFadeAlpha(double glow) {
  if (!(glow > 0)) return 0;  // NaN included
  if (glow >= 255) return 255;
  return LimitIt(RoundEven(glow), 0, 255);
}

TkvFadeStep kvFadeStep(TkvThreadedTimer& t) {
  TkvFadeStep step;
  switch (t.State) {
    case 0:
    case 2: t.Glow -= t.GlowStep; break;
    case 1: t.Glow += t.GlowStep; break;
    default: t.Glow = 255 - double(t.Iteration) / t.Iterations * 255; break;
  }
  step.Dezev = kvFadeAlpha(t.Glow);
  step.Weight = t.State == 1 ? 255 - step.Dezev : step.Dezev;
  // What is still missing of the target look at the last step: a fade to normal goes on until
  // nothing of the old look is left, a fade to hot until the hot look is complete (one that took
  // over a fade to normal counts its steps from the progress so far and may come short of it).
  const double missing = t.State == 0 && step.Dezev > 0 ? t.Glow : t.State == 1 && step.Dezev < 255 ? 255 - t.Glow : 0;
  if (t.Iteration < t.Iterations) {
    step.Next = fnContinue;
  } else if (missing > 0 && t.GlowStep > 0) {
    // At most one whole fade more: a step made tiny elsewhere would stretch the fade without
    // end and overflow the step count, so the step is then made to fit that length.
    double left = missing / t.GlowStep;
    if (!(left <= t.Iterations)) {
      left = t.Iterations;
      t.GlowStep = missing / left;
    }
    t.Iteration = t.Iterations - RoundEven(left) - 1;
    step.Next = fnGoOn;
  } else {
    step.Next = fnEnd;
  }
  return step;
}

TkvFillLightSizes kvFillLightSizes(Integer width, Integer height) {
  TkvFillLightSizes s;
  width = std::max(width, 0);
  height = std::max(height, 0);
  s.MinSize = RoundEven(std::sqrt(double(width) * width + double(height) * height)) / 4;
  s.MaxSize = 2 * std::max(width, height);
  return s;
}

TkvFillLightFrame kvFillLightStep(const TkvFillLightSizes& s, double value, bool firstPress, bool pressed,
                                  bool waveAfter) {
  TkvFillLightFrame f;
  const double range = s.MaxSize - s.MinSize;  // above 0: the caller checked Valid
  if (pressed) {
    f.Value = firstPress ? s.MinSize * 3.0 / 2 : value + (value - s.MinSize) / 30 + 1;
    f.ExitLimit = 1;
    f.Fade = 0;
  } else {
    f.Value = value + (s.MaxSize - value) / 30 + 1;
    f.Fade = LimitIt(RoundEven(std::max(s.MaxSize - f.Value, 0.0) * 255 / range), 0, 255);
    f.ExitLimit = waveAfter ? 40 : 10;
  }
  const double rest = std::max(s.MaxSize - f.Value, 0.0);
  f.Blur = std::max(1, RoundEven(s.MinSize / 3.0 * rest / range));
  f.IntState = std::max(0, RoundEven(rest * 255 / range));
  f.Size = RoundEven(f.Value);
  return f;
}

TSize kvRippleNextSize(TSize previous, TkvClickMode mode) {
  const Integer grow = kvRippleAddSize + (mode == cm1 ? kvRippleBlurOffs + 1 : 0);
  return TSize(previous.cx + grow, previous.cy + grow);
}

TRect kvRippleRect(const TRect& r, TSize size) {
  TRect out;
  out.Left = r.Left - (size.cx - r.Width()) / 2;
  out.Top = r.Top - (size.cy - r.Height()) / 2;
  out.Right = out.Left + size.cx;
  out.Bottom = out.Top + size.cy;
  return out;
}

bool kvLightIsNear(const TRect& r, TPoint cursor, Integer& distanceX, Integer& distanceY) {
  const Integer w = r.Width(), h = r.Height();
  const Integer lSize = std::max(w, h);
  const TPoint centre(r.Left + w / 2, r.Top + h / 2);
  distanceX = centre.X - cursor.X;
  distanceY = centre.Y - cursor.Y;
  const double dx = std::max(0, std::abs(distanceX) - w / 2 - lSize / 2);
  const double dy = std::max(0, std::abs(distanceY) - h / 2 - lSize / 2);
  return std::sqrt(dx * dx + dy * dy) < 64;
}

TkvLightPlace kvLightPlace(Integer cx, Integer cy, Integer distanceX, Integer distanceY, Integer maskWidth,
                           Integer maskHeight) {
  TkvLightPlace p;
  p.Inside = std::abs(distanceX) < cx / 2 && std::abs(distanceY) < cy / 2;
  p.TopLeft = TPoint(cx / 2 - distanceX - maskWidth / 2, cy / 2 - distanceY - maskHeight / 2);
  if (p.Inside) {
    p.Opacity = 255;
  } else {
    // Outside, the light weakens with the cursor's distance from the control's box and is gone
    // at the 64 pixels that the distance test reaches beyond it.
    const double ex = std::max(0, std::abs(distanceX) - cx / 2);
    const double ey = std::max(0, std::abs(distanceY) - cy / 2);
    const Integer d = static_cast<Integer>(std::min(std::sqrt(ex * ex + ey * ey), 64.0));
    p.Opacity = LimitIt(255 - d * 255 / 64, 0, 255);
  }
  return p;
}

TSize kvLightSize(Integer cx, Integer cy, Integer align) {
  switch (align) {
    case 1:  // top
    case 2:  // bottom
      return TSize(cx, cx);
    case 3:  // left
    case 4:  // right
      return TSize(cy, cy);
    case 5: {  // client
      const Integer m = std::min(cx, cy);
      return TSize(m, m);
    }
    default: return TSize(cx, cy);
  }
}

bool kvEventEnabled(TkvAnimatEvent event, TSet<TkvAnimatEvent> currentProperty, const TkvEventRules& rules) {
  if (!rules.HaveManager) return event != aeClick;
  if (!rules.AllowAnimation) return false;
  if (currentProperty.Contains(aeGlobalDef)) return rules.ManagerEvents.Contains(kvBtnEvents[size_t(event)]);
  return currentProperty.Contains(event);
}
