#include "controls/kvGlow.h"

#include <algorithm>
#include <cmath>

bool IsCheckLikeControl(Integer coc) {
  return coc == COC_TsListBox || coc == COC_TsCheckBox || coc == COC_TsRadioButton || coc == COC_TsGroupBox;
}

bool IsTrackLikeControl(Integer coc) { return coc == COC_TsSlider || coc == COC_TsTrackBar; }

bool StepCircleMotion(TkvCircleMotion& m, bool checkLike, bool buttonDown) {
  const double finish = m.RadiusFinish;
  switch (m.SizeChanging) {
    case scIncrease: {
      if (checkLike) {
        m.RealRadius += (finish - m.RealRadius) / (buttonDown ? 7 : 5);
        if (buttonDown)
          m.RealAlpha += m.AlphaFinish == 0 ? -5 : 5;
        else
          m.RealAlpha += m.AlphaFinish == 255 ? -15 : 15;
      } else {
        m.RealRadius += (finish - m.RealRadius) / 3;
        m.RealAlpha += (m.AlphaFinish - m.RealAlpha) / 3;
      }
      m.RealAlpha = std::clamp(m.RealAlpha, 0.0, 255.0);
      if (m.RealRadius >= finish - 1) {
        m.RealRadius = finish;
        return false;
      }
      return true;
    }
    case scDecrease:
      m.RealRadius -= (m.RealRadius - finish) / 3;
      m.RealAlpha = std::max(0.0, m.RealAlpha - (m.RealAlpha - m.AlphaFinish) / 3);
      if (std::fabs(m.RealRadius - finish) < 1) {
        m.RealRadius = finish;
        return false;
      }
      return true;
    case scNotChanged: {
      m.RealRadius = finish;
      const double d = checkLike ? (buttonDown ? 7 : 5) : 3;
      m.RealAlpha = std::min<double>(m.AlphaFinish, m.RealAlpha + (m.AlphaFinish - m.RealAlpha) / d);
      // The radius is final: once the alpha is there too, nothing is left to animate.
      if (std::fabs(m.RealAlpha - m.AlphaFinish) < 1) {
        m.RealAlpha = m.AlphaFinish;
        return false;
      }
      return true;
    }
  }
  return false;
}

TkvCirclePlan PlanCircle(Integer coc, Integer newState, bool hasCircle, double circleRadius, Integer areaWidth,
                         Integer minRadius, Integer maxRadius, bool animated) {
  TkvCirclePlan p;
  const Integer shownRadius = static_cast<Integer>(std::lround(circleRadius));
  if (newState == 2) {
    p.LightState = 2;
    p.SizeChanging = scIncrease;
    if (coc == COC_TsListBox) {
      p.RadiusStart = 0;
      p.RadiusFinish = maxRadius * 4 / 5;
      p.BackgroundDisc = true;
      p.AlphaFinish = animated ? 0 : 255;
      p.ColorAlpha = -1;
    } else if (coc == COC_TsSlider) {
      p.RadiusStart = areaWidth * 3 / 5;
      p.RadiusFinish = p.RadiusStart * 3 / 2;
      p.ColorAlpha = AlphaDownTrack;
    } else if (coc == COC_TsTrackBar) {
      p.RadiusStart = minRadius;
      p.RadiusFinish = maxRadius;
      p.ColorAlpha = AlphaDownTrack;
    } else {
      p.RadiusStart = 0;
      p.RadiusFinish = maxRadius;
      p.BackgroundDisc = true;
      p.AlphaFinish = animated ? 0 : 255;
      p.ColorAlpha = AlphaDownCheck;
    }
    return p;
  }
  p.LightState = 1;
  p.ColorAlpha = AlphaNormal;
  p.SizeChanging = scIncrease;
  if (coc == COC_TsSlider) {
    p.RadiusFinish = areaWidth * 3 / 5;
    if (hasCircle) {
      p.RadiusStart = p.RadiusFinish * 3 / 2;
      p.SizeChanging = scNotChanged;
    }
  } else if (coc == COC_TsTrackBar) {
    p.RadiusFinish = minRadius;
    if (hasCircle) {
      p.RadiusStart = maxRadius;
      p.SizeChanging = scDecrease;
    }
  } else {
    p.RadiusFinish = coc == COC_TsListBox ? maxRadius * 4 / 5 : maxRadius;
    if (hasCircle) {
      // Back from a press: the hover circle grows on from where the pressed one is.
      p.RadiusStart = shownRadius;
      p.LightState = 2;
      p.ColorAlpha = AlphaDownCheck;
    } else {
      p.RadiusStart = coc == COC_TsListBox ? 0 : 10;
    }
  }
  return p;
}

void CutCoveredHoles(const TPixelView& glow, TPoint glowOrigin, const TRect& control,
                     const std::vector<TRect>& covers) {
  if (glow.Empty()) return;
  for (const TRect& cover : covers) {
    const TRect overlap(std::max(cover.Left, control.Left), std::max(cover.Top, control.Top),
                        std::min(cover.Right, control.Right), std::min(cover.Bottom, control.Bottom));
    if (overlap.IsEmpty()) continue;
    const Integer left = std::max(cover.Left - glowOrigin.X, 0), top = std::max(cover.Top - glowOrigin.Y, 0);
    const Integer right = std::min(cover.Right - glowOrigin.X, glow.Width);
    const Integer bottom = std::min(cover.Bottom - glowOrigin.Y, glow.Height);
    for (Integer y = top; y < bottom; ++y)
      if (right > left) std::fill(glow.Row(y) + left, glow.Row(y) + right, 0u);
  }
}
