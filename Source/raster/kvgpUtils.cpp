// kvgpUtils: the portable parts: point rotation and the alpha passes of the GDI+ stretch.
#include "raster/kvgpUtils.h"

#include <algorithm>
#include <cmath>

#include "base/kvntUtils.h"

void kvgpRotatePoints(TkvPointF* points, TkvPointF center, Integer count, Integer angle) {
  if (!points || count <= 0) return;
  const float s = static_cast<float>(kvSin(angle));
  const float c = static_cast<float>(kvCos(angle));
  for (Integer i = 0; i < count; ++i) {
    const float dx = points[i].X - center.X;
    const float dy = points[i].Y - center.Y;
    points[i].X = center.X + dx * c + dy * s;
    points[i].Y = center.Y - dx * s + dy * c;
  }
}

void LiftStretchAlpha(uint32_t* dst, const uint32_t* src, Integer count) {
  for (Integer i = 0; i < count; ++i) {
    const uint32_t p = src[i];
    const uint32_t a = (p >> 24) / 2 + 127;
    dst[i] = (p & 0x00FFFFFFu) | a << 24;
  }
}

void SettleStretchAlpha(const TPixelView& v, const TRect& rect) {
  if (v.Empty()) return;
  const Integer l = std::max(rect.Left, 0), t = std::max(rect.Top, 0);
  const Integer r = std::min(rect.Right, v.Width), b = std::min(rect.Bottom, v.Height);
  for (Integer y = t; y < b; ++y) {
    uint32_t* row = v.Row(y);
    for (Integer x = l; x < r; ++x) {
      const uint32_t p = row[x];
      const uint32_t a = p >> 24;
      if (a == 0) continue;
      auto channel = [a](uint32_t c) { return std::min<uint32_t>(255, c * 256 / a); };
      const uint32_t newA = a * 2 > 255 ? a * 2 - 255 : 0;
      row[x] = channel(p & 0xFF) | channel(p >> 8 & 0xFF) << 8 | channel(p >> 16 & 0xFF) << 16 | newA << 24;
    }
  }
}

TkvBlurPlan kvgpBlurPlan(Integer width, Integer height, float radius) {
  TkvBlurPlan plan;
  plan.UseCopy = radius < 20 && width < 96 && height < 96;
  if (plan.UseCopy) {
    plan.Radius = 20;
    const float scale = plan.Radius / std::max(radius, 4.0f);
    plan.CopyWidth = static_cast<Integer>(std::nearbyint(width * scale));
    plan.CopyHeight = static_cast<Integer>(std::nearbyint(height * scale));
  } else {
    plan.Radius = radius > 15 && radius < 20 ? 20.0f : radius;
  }
  return plan;
}
