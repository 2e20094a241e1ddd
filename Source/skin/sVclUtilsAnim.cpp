// sVclUtils: the frame schedules of the layered show and hide animations (portable).
#include <algorithm>
#include <cmath>

#include "skin/sVclUtils.h"

namespace {

Integer Near(double v) { return static_cast<Integer>(std::nearbyint(v)); }
Byte AlphaOf(double trans) { return static_cast<Byte>(std::clamp(Near(trans), 0, 255)); }
TRect PlacedRect(double l, double t, double r, double b) {
  const Integer x = Near(l), y = Near(t);
  return TRect(x, y, x + Near(r - l), y + Near(b - t));
}
// The drop-down speed: the step-count-th root of half the height. Pictures under 4 pixels
// high (half of them under 2, whose logarithm is 0 or undefined) are copied directly.
bool DropDownDivider(Integer height, Integer stepCount, double& divider) {
  if (height < 4) return false;
  divider = std::exp(std::log(double(height / 2)) / stepCount);
  return true;
}

}  // namespace

// ---- Show ----------------------------------------------------------------------------------------

TkvShowAnim::TkvShowAnim(TkvAnimType kind, Integer width, Integer height, Integer stepCount, Integer maxTransparency,
                         bool dialog)
    : Kind(kind), W(width), H(height), StepCount(std::max(stepCount, 1)), MaxTransparency(maxTransparency) {
  P = dialog ? double(MaxTransparency) / (StepCount + 1) : double(MaxTransparency - 50) / StepCount;
  switch (Kind) {
    case atAero:
      L = W / 32.0;
      T = H / 32.0;
      Dx = L / StepCount;
      Dy = T / StepCount;
      R = W - L;
      B = H - T;
      break;
    case atDropDown:
      R = W;
      Direct = !DropDownDivider(H, StepCount, PopupDiv);
      if (!Direct) Dy = H / PopupDiv;
      break;
    default: break;
  }
}

TkvAnimFrame TkvShowAnim::DoNext() {
  Trans = std::min(Trans + P, double(MaxTransparency));
  TkvAnimFrame f;
  f.Alpha = AlphaOf(Trans);
  switch (Kind) {
    case atFading:
      if (L == 0) {
        f.Draw = TkvFrameDraw::Whole;
        L = 1;
      }
      break;
    case atAero:
      f.Draw = L >= 0 && T >= 0 ? TkvFrameDraw::Stretch : TkvFrameDraw::Whole;
      f.Dest = PlacedRect(L, T, R, B);
      break;
    case atDropDown:
      f.Alpha = 255;
      f.Draw = Direct ? TkvFrameDraw::Whole : TkvFrameDraw::Stretch;
      f.Dest = PlacedRect(L, T, R, B);
      break;
  }
  if (f.Draw != TkvFrameDraw::Stretch) f.Dest = TRect();
  return f;
}

bool TkvShowAnim::GoToNext() {
  switch (Kind) {
    case atAero:
      L -= Dx;
      T -= Dy;
      R += Dx;
      B += Dy;
      return true;
    case atDropDown:
      if (Direct) return false;  // already whole
      L = T = 0;
      R = W - Dx;
      B = H - Dy;
      Dx /= PopupDiv;
      Dy /= PopupDiv;
      return !(Dx < 2 && Dy < 2);
    default: return true;
  }
}

// ---- Hide ----------------------------------------------------------------------------------------

TkvHideAnim::TkvHideAnim(TkvAnimType kind, Integer width, Integer height, Integer stepCount, Integer startBlendValue)
    : Kind(kind), W(width), H(height), StepCount(std::max(stepCount, 1)), StartBlendValue(startBlendValue) {
  Trans = StartBlendValue;
  P = double(StartBlendValue) / StepCount;
  switch (Kind) {
    case atAero:
      Dx = -W / (StepCount * 32.0);
      Dy = -H / (StepCount * 32.0);
      R = W;
      B = H;
      break;
    case atDropDown:
      R = W;
      B = H;
      P = 0;  // rolls up without fading
      Direct = !DropDownDivider(H, StepCount, PopupDiv);
      if (!Direct) Dy = H / PopupDiv;
      break;
    default: break;
  }
}

TkvAnimFrame TkvHideAnim::DoNext() {
  Trans = std::max(Trans - P, 0.0);
  TkvAnimFrame f;
  f.Alpha = AlphaOf(Trans);
  switch (Kind) {
    case atFading:
      if (L == 0) {
        f.Draw = TkvFrameDraw::Whole;
        L = 1;
      }
      break;
    case atAero:
      if (L >= 0 && T >= 0) {
        f.Draw = TkvFrameDraw::Stretch;
        f.ClearFirst = true;
        f.Dest = PlacedRect(L, T, R, B);
      } else {
        f.Draw = TkvFrameDraw::Whole;
      }
      break;
    case atDropDown:
      if (Direct || B == H) {
        f.Draw = TkvFrameDraw::Whole;
      } else {
        f.Draw = TkvFrameDraw::Stretch;
        f.ClearFirst = true;
        f.Dest = TRect(Near(L), Near(T), Near(R - L), Near(B - T));
      }
      break;
  }
  return f;
}

bool TkvHideAnim::GoToNext() {
  switch (Kind) {
    case atAero:
      L -= Dx;
      T -= Dy;
      R += Dx;
      B += Dy;
      return true;
    case atDropDown:
      if (Direct) return false;
      B /= PopupDiv;
      return B >= 2;
    default: return true;
  }
}

// ---- Whole runs ------------------------------------------------------------------------------------

std::vector<TkvAnimFrame> ShowSchedule(TkvAnimType kind, Integer width, Integer height, Integer timeMs,
                                       Integer maxTransparency, bool dialog) {
  std::vector<TkvAnimFrame> frames;
  const Integer steps = AnimStepCount(timeMs);
  if (steps <= 0) return frames;
  TkvShowAnim anim(kind, width, height, steps, maxTransparency, dialog);
  for (Integer i = 0; i <= steps; ++i) {
    frames.push_back(anim.DoNext());
    if (!anim.GoToNext()) break;
  }
  return frames;
}

std::vector<TkvAnimFrame> HideSchedule(TkvAnimType kind, Integer width, Integer height, Integer timeMs,
                                       Integer startBlendValue) {
  std::vector<TkvAnimFrame> frames;
  if (timeMs < 1) return frames;
  TkvHideAnim anim(kind, width, height, AnimStepCount(timeMs), startBlendValue);
  for (Integer i = 0; i <= anim.StepCount; ++i) {
    frames.push_back(anim.DoNext());
    if (!anim.GoToNext()) break;
  }
  return frames;
}

// ---- The pacing of a show run --------------------------------------------------------------------

void RunShowFrames(TkvShowAnim& anim, Integer stepCount, bool dialog, TkvShowFrames& frames) {
  for (Integer i = 0; i <= stepCount; ++i) {
    Cardinal tick = dialog ? frames.Ticks() : 0;
    const TkvAnimFrame f = anim.DoNext();
    frames.Draw(f);
    if (!dialog) tick = frames.Ticks();
    frames.Present(f);
    if (!anim.GoToNext()) break;
    frames.WaitFrom(tick);
  }
}
