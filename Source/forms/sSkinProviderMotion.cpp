#include "forms/sSkinProviderMotion.h"

#include "base/sConst.h"

#include <algorithm>
#include <cmath>

// ---- Own move and size frame -----------------------------------------------------------------

Integer SizeDirectionOfCommand(uintptr_t wParam) {
  const Integer bits = Integer(wParam & 0xF);
  return bits >= 1 && bits <= 8 ? kvHTLeft + bits - 1 : 0;
}

uintptr_t SizeCommandBits(Integer ht) { return IsSizingHitCode(ht) ? uintptr_t(ht - kvHTLeft + 1) : 0; }

void SizeOutline(TkvOutline& o, const TRect& form, Integer direction, Integer dx, Integer dy, Integer minWidth,
                 Integer minHeight) {
  auto left = [&] {
    o.Left = form.Left + dx;
    if (o.Right - o.Left < minWidth) o.Left = o.Right - minWidth;
  };
  auto right = [&] {
    o.Right = form.Right + dx;
    if (o.Right - o.Left < minWidth) o.Right = form.Left + minWidth;
  };
  auto top = [&] {
    o.Top = form.Top + dy;
    if (o.Bottom - o.Top < minHeight) o.Top = o.Bottom - minHeight;
  };
  auto bottom = [&] {
    o.Bottom = form.Bottom + dy;
    if (o.Bottom - o.Top < minHeight) o.Bottom = form.Top + minHeight;
  };
  switch (direction) {
    case kvHTLeft: left(); break;
    case kvHTRight: right(); break;
    case kvHTTop: top(); break;
    case kvHTTopLeft:
      top();
      left();
      break;
    case kvHTTopRight:
      top();
      right();
      break;
    case kvHTBottom: bottom(); break;
    case kvHTBottomLeft:
      bottom();
      left();
      break;
    default:
      bottom();
      right();
      break;
  }
}

// ---- Minimize and restore flight -------------------------------------------------------------

Integer MinimizeStepCount(Integer timeMs) { return std::max(1, timeMs / kvMinimizeInterval); }

Byte MinimizeAlphaFrom(Byte baseAlpha, bool vistaWithoutComposition, Integer timeMs, bool minimized) {
  if (vistaWithoutComposition) return baseAlpha;
  return timeMs > 12 && !minimized ? Byte(baseAlpha / 4) : baseAlpha;
}

TRect TaskbarFallbackRect(const TRect& from, const TRect& taskbar) {
  const Integer w = from.Width(), h = from.Height();
  const Integer cx = taskbar.Left + taskbar.Width() / 2, cy = taskbar.Top + taskbar.Height() / 2;
  return TRect(cx - w / 2 + w / 8, cy - h / 2 + h / 8, cx + w / 2 - w / 8, cy + h / 2 - h / 8);
}

void UpdateDstRect(TkvMinMotion& m, const TRect& rectFrom, const TRect& rectTo) {
  m.RectFrom = rectFrom;
  m.RectTo = rectTo;
  m.XTo = rectTo.Left;
  m.YTo = rectTo.Top;
  m.XFrom = (m.XTo + rectFrom.Left) / 2;
  m.YFrom = (m.YTo + rectFrom.Top) / 2;
  m.DeltaX = double(m.XTo - m.XFrom) / m.StepCount;
  m.DeltaY = double(m.YTo - m.YFrom) / m.StepCount;
  m.DeltaW = double(rectFrom.Width() - rectTo.Width()) / (2.0 * m.StepCount);
  m.DeltaH = double(rectFrom.Height() - rectTo.Height()) / (2.0 * m.StepCount);
  m.AlphaTo = 0;
}

void InitMinimize(TkvMinMotion& m, const TRect& rectFrom, const TRect& rectTo, Integer timeMs, Byte alphaFrom) {
  m.StepCount = MinimizeStepCount(timeMs);
  m.CurrentAlpha = alphaFrom;
  UpdateDstRect(m, rectFrom, rectTo);
  m.CurLeft = m.XFrom;
  m.CurTop = m.YFrom;
  m.CurRight = m.CurLeft + rectTo.Width();
  m.CurBottom = m.CurTop + rectTo.Height();
  m.BlendStep = double(alphaFrom - m.AlphaTo) / (m.StepCount < 2 ? 1 : m.StepCount - 1);
}

bool MinimizeStep(TkvMinMotion& m) {
  m.CurLeft += m.DeltaX + m.DeltaW;
  m.CurRight += m.DeltaX - m.DeltaW;
  m.CurTop += m.DeltaY + m.DeltaH;
  m.CurBottom += m.DeltaY - m.DeltaH;
  m.CurrentAlpha = std::max(0.0, m.CurrentAlpha - m.BlendStep);
  // The last subtraction may leave a rounding crumb above 0.
  if (m.CurrentAlpha < 1e-6) m.CurrentAlpha = 0;
  return m.CurrentAlpha == 0;
}

void InitRestore(TkvMinMotion& m, Integer timeMs) {
  const TRect& from = m.RectFrom;
  m.CurLeft = from.Left + (m.RectTo.Left - from.Left) / 4;
  m.CurTop = from.Top + std::max((m.RectTo.Top - from.Top) / 4, 80);
  m.CurRight = m.CurLeft + from.Width();
  m.CurBottom = m.CurTop + from.Height();
  const Integer n = timeMs / kvMinimizeInterval + 1;
  m.RestoreSteps = n;
  m.RestoreDone = 0;
  m.CurrentAlpha = 1.0;
  m.DelPosX = std::pow(std::fabs(m.CurLeft - from.Left), 1.0 / n);
  m.DelPosY = std::pow(std::fabs(m.CurTop - from.Top), 1.0 / n);
  m.BlendDel = std::pow(255.0, 1.0 / n);
}

bool RestoreStep(TkvMinMotion& m, Byte alphaFrom) {
  const TRect& from = m.RectFrom;
  m.CurLeft = m.DelPosX == 0 ? from.Left : from.Left - (from.Left - m.CurLeft) / m.DelPosX;
  m.CurTop = m.DelPosY == 0 ? from.Top : from.Top - (from.Top - m.CurTop) / m.DelPosY;
  m.CurRight = m.CurLeft + from.Width();
  m.CurBottom = m.CurTop + from.Height();
  m.CurrentAlpha = 255 - (255 - m.CurrentAlpha) / m.BlendDel;
  ++m.RestoreDone;
  // A distance of 1 pixel divided by a divisor of 1 never shrinks: at most 1 pixel counts as
  // home (with a margin for the rounding of the powers), and the steps set the limit.
  constexpr double kReached = 1.0 + 1e-6;
  const bool home = m.CurrentAlpha >= alphaFrom - 5 && std::fabs(m.CurLeft - from.Left) <= kReached &&
                    std::fabs(m.CurTop - from.Top) <= kReached;
  if (!home && m.RestoreDone < m.RestoreSteps) return false;
  // Reached: the last frame shows the picture at home.
  m.CurLeft = from.Left;
  m.CurTop = from.Top;
  m.CurRight = from.Right;
  m.CurBottom = from.Bottom;
  return true;
}

TPoint MotionTopLeft(const TkvMinMotion& m) {
  return TPoint(Integer(std::lround(m.CurLeft)), Integer(std::lround(m.CurTop)));
}

TSize MotionSize(const TkvMinMotion& m) {
  return TSize(Integer(std::lround(std::max(0.0, m.CurRight - m.CurLeft))),
               Integer(std::lround(std::max(0.0, m.CurBottom - m.CurTop))));
}

// ---- Blend on moving -------------------------------------------------------------------------

double BlendOnMovingStep(Byte blendValue, Integer timeMs) {
  const double range = 255.0 - blendValue;
  if (timeMs < 13) return range;
  return range / (double(timeMs) / kvBlendMoveInterval);
}

double DialogBlendOnMovingStep(Byte blendValue) { return double((255 - blendValue) / 30); }

double BlendOnMovingNext(double current, Byte blendValue, double step) {
  if (current <= blendValue) return current;
  return std::max(double(blendValue), current - step);
}

// ---- Animated scaling ------------------------------------------------------------------------

TSize ScaleStepSize(TSize current, TSize target) {
  return TSize(current.cx + (target.cx - current.cx) / 2, current.cy + (target.cy - current.cy) / 2);
}

bool ScaleReached(TSize current, TSize target) {
  return std::abs(target.cx - current.cx) <= 2 && std::abs(target.cy - current.cy) <= 2;
}

// ---- Disabled-form layer ---------------------------------------------------------------------

uint32_t DisabledLayerColor(uint32_t color, Byte blendValue) {
  const uint32_t keep = 255u - blendValue;
  const uint32_t r = (color & 0xFF) * keep / 256, g = (color >> 8 & 0xFF) * keep / 256,
                 b = (color >> 16 & 0xFF) * keep / 256;
  return r | g << 8 | b << 16;
}

// ---- Size steps ------------------------------------------------------------------------------

bool ChildBackgroundFollowsSize(Integer bgType, TSize oldSize, TSize newSize) {
  const bool heightChanged = oldSize.cy != newSize.cy, widthChanged = oldSize.cx != newSize.cx;
  auto all = [bgType](Integer bits) { return (bgType & bits) == bits; };
  return (bgType & BGT_STRETCH) || ((bgType & BGT_GRADIENTVERT) && heightChanged) ||
         ((bgType & BGT_GRADIENTHORZ) && widthChanged) || (all(BGT_STRETCHVERT) && heightChanged) ||
         (all(BGT_STRETCHHORZ) && widthChanged);
}
