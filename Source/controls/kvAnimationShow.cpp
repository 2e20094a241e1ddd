#include "controls/kvAnimationShow.h"

#include <algorithm>
#include <cmath>

#include "raster/Pixels.h"
#include "raster/Resampling.h"

namespace {
// Rounding of the engine's real numbers: halves to even.
Integer RoundEven(double v) { return static_cast<Integer>(std::nearbyint(v)); }
}  // namespace

// ---- The show animation of a form ----------------------------------------------------------------

std::vector<TkvFormShowFrame> FormShowFrames(TkvAnimTypeCtrl type, Integer width, Integer height, Integer timeMs,
                                             Integer maxTransparency) {
  std::vector<TkvFormShowFrame> frames;
  const Integer steps = timeMs / kShowFrameTime;
  if (steps < 1 || width <= 0 || height <= 0) return frames;
  const double p = double(maxTransparency) / steps;
  const bool zoom = type == atcAero;
  double trans = 0;
  double l = zoom ? width / 32.0 : 0, t = zoom ? height / 32.0 : 0;
  double r = width - l, b = height - t;
  const double dx = l / steps, dy = t / steps;
  const TRect whole(0, 0, width, height);
  frames.reserve(static_cast<size_t>(steps) + 1);
  for (Integer i = 0; i <= steps; ++i) {
    trans = std::min<double>(maxTransparency, trans + p);
    TkvFormShowFrame f;
    f.Alpha = Byte(std::clamp(RoundEven(trans), 0, 255));
    if (zoom) {
      f.Draw = true;
      // Once the inset has run out the whole picture is copied.
      f.Dest = l < 0 || t < 0 ? whole : TRect(RoundEven(l), RoundEven(t), RoundEven(r), RoundEven(b));
      l -= dx;
      t -= dy;
      r += dx;
      b += dy;
    } else {
      f.Draw = i == 0;
      f.Dest = whole;
    }
    frames.push_back(f);
  }
  return frames;
}

void DrawFormShowFrame(const TPixelView& frame, const TPixelView& picture, const TkvFormShowFrame& f) {
  if (!f.Draw || frame.Empty() || picture.Empty()) return;
  const TRect whole(0, 0, picture.Width, picture.Height);
  if (f.Dest == whole) {
    const Integer w = std::min(frame.Width, picture.Width);
    for (Integer y = 0; y < std::min(frame.Height, picture.Height); ++y) std::copy_n(picture.Row(y), w, frame.Row(y));
    return;
  }
  for (Integer y = 0; y < frame.Height; ++y) std::fill_n(frame.Row(y), frame.Width, 0u);
  if (!f.Dest.IsEmpty()) StretchNearest(frame, f.Dest, picture, whole);
}

// ---- The cover frames without layered windows ---------------------------------------------------

std::vector<TkvCoverFrame> CoverShowFrames(TkvAnimTypeCtrl type, Integer timeMs, Integer ppi) {
  std::vector<TkvCoverFrame> frames;
  const Integer steps = timeMs / kCoverFrameTime;
  if (steps < 1) return frames;
  const bool runup = type == atcRunup, blur = type == atcBlur || type == atcBlur2;
  const double fall = 255.0 / steps;
  double weight = 255;
  Integer offset = runup ? 16 * std::max<Integer>(ppi, 1) / 96 : 0;
  do {
    weight = runup ? weight / 3 : weight - fall;
    TkvCoverFrame f;
    f.OldWeight = Byte(std::clamp(RoundEven(weight), 0, 255));
    f.Offset = offset;
    f.Blur = blur && weight > 2;
    f.ZoomChildren = f.Blur && type == atcBlur;
    frames.push_back(f);
    offset /= 2;
  } while (weight > 2);
  return frames;
}

TRect ZoomedChildRect(const TRect& r, Byte oldWeight) {
  const auto shrink = [oldWeight](Integer size) {
    return size <= 0 ? 0 : Integer(int64_t(size - DoScale(size)) * oldWeight / 255);
  };
  const Integer sx = shrink(r.Width()), sy = shrink(r.Height());
  return TRect(r.Left + sx / 2, r.Top + sy / 2, r.Right - (sx - sx / 2), r.Bottom - (sy - sy / 2));
}

void DrawCoverFrame(const TPixelView& frame, const TPixelView& oldPicture, const TPixelView& newPicture,
                    const TkvCoverFrame& f, const std::vector<TRect>& childRects) {
  if (frame.Empty() || oldPicture.Empty() || newPicture.Empty()) return;
  const Integer w = std::min({frame.Width, oldPicture.Width, newPicture.Width});
  const Integer h = std::min({frame.Height, oldPicture.Height, newPicture.Height});
  // The zoom works on a copy of the new picture: its children's parts squeezed about their
  // centres over the old look.
  std::vector<uint32_t> zoomed;
  TPixelView fresh = newPicture;
  if (f.ZoomChildren && !childRects.empty()) {
    zoomed.resize(size_t(w) * size_t(h));
    const TPixelView copy{reinterpret_cast<Byte*>(zoomed.data()), w * 4, w, h};
    for (Integer y = 0; y < h; ++y) std::copy_n(newPicture.Row(y), w, copy.Row(y));
    for (const TRect& child : childRects) {
      const TRect area(std::max(child.Left, 0), std::max(child.Top, 0), std::min(child.Right, w),
                       std::min(child.Bottom, h));
      if (area.Right <= area.Left || area.Bottom <= area.Top) continue;
      for (Integer y = area.Top; y < area.Bottom; ++y)
        std::copy_n(oldPicture.Row(y) + area.Left, area.Right - area.Left, copy.Row(y) + area.Left);
      StretchNearest(copy, ZoomedChildRect(child, f.OldWeight), newPicture, child, &area);
    }
    fresh = copy;
  }
  const Integer offset = std::clamp<Integer>(f.Offset, 0, h);
  for (Integer y = 0; y < h; ++y) {
    // The new picture at the frame's place: the old one still shows above it.
    const uint32_t* next = y < offset ? oldPicture.Row(y) : fresh.Row(y - offset);
    const uint32_t* old = oldPicture.Row(y);
    uint32_t* out = frame.Row(y);
    for (Integer x = 0; x < w; ++x) {
      uint32_t px = 0xFF000000u;
      for (int shift = 0; shift < 24; shift += 8)
        px |= uint32_t(MixByte(next[x] >> shift & 0xFF, old[x] >> shift & 0xFF, f.OldWeight)) << shift;
      out[x] = px;
    }
  }
  if (!f.Blur) return;
  // Through a half-size copy: each 2 x 2 block (a lone last row or column pairs with itself)
  // becomes its average.
  for (Integer y = 0; y < h; y += 2) {
    uint32_t* r0 = frame.Row(y);
    uint32_t* r1 = frame.Row(std::min(y + 1, h - 1));
    for (Integer x = 0; x < w; x += 2) {
      const Integer x1 = std::min(x + 1, w - 1);
      uint32_t avg = 0xFF000000u;
      for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t sum =
            (r0[x] >> shift & 0xFF) + (r0[x1] >> shift & 0xFF) + (r1[x] >> shift & 0xFF) + (r1[x1] >> shift & 0xFF);
        avg |= ((sum + 2) / 4) << shift;
      }
      r0[x] = r0[x1] = r1[x] = r1[x1] = avg;
    }
  }
}

// ---- The flight of a text hint ------------------------------------------------------------------------

std::vector<TkvFlightFrame> TextFlightFrames(TPoint start, TPoint target) {
  std::vector<TkvFlightFrame> frames;
  const double tx = target.X, ty = target.Y;
  const double distance = std::hypot(start.X - tx, start.Y - ty);
  if (distance == 0) return frames;  // nowhere to fly
  double x = start.X, y = start.Y;
  for (;;) {
    x -= (x - tx) / 6;
    y -= (y - ty) / 6;
    const double left = std::hypot(x - tx, y - ty);
    TkvFlightFrame f;
    f.Pos = TPoint(Integer(std::lround(x)), Integer(std::lround(y)));
    f.Dezev = Byte(std::min(255.0, std::nearbyint(left * 255 / distance)));
    frames.push_back(f);
    if (std::fabs(x - tx) < 0.5 && std::fabs(y - ty) < 0.5) break;
  }
  return frames;
}

uint32_t UpdateAlphaColor(uint32_t color, Byte a) {
  const uint32_t b = ((color & 0xFF) * a) >> 8, g = (((color >> 8) & 0xFF) * a) >> 8,
                 r = (((color >> 16) & 0xFF) * a) >> 8;
  return b | (g << 8) | (r << 16) | (uint32_t(a) << 24);
}

void BlendColorByMask(const TPixelView& dst, const TPixelView& mask, TPoint dstPoint, uint32_t color,
                      const TRect& srcRect) {
  const Integer top = std::max(srcRect.Top, 0), bottom = std::min(srcRect.Bottom, mask.Height);
  const Integer left = std::max(srcRect.Left, 0), right = std::min(srcRect.Right, mask.Width);
  const uint32_t ca = color >> 24;
  for (Integer y = top; y < bottom; ++y) {
    const Integer dy = dstPoint.Y + y - srcRect.Top;
    if (dy < 0 || dy >= dst.Height) continue;
    for (Integer x = left; x < right; ++x) {
      const Integer dx = dstPoint.X + x - srcRect.Left;
      if (dx < 0 || dx >= dst.Width) continue;
      const uint32_t m = mask.At(x, y) & 0xFF;
      if (m == 255) continue;
      uint32_t& d = dst.At(dx, dy);
      uint32_t out = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t c = (color >> shift) & 0xFF, v = (d >> shift) & 0xFF;
        out |= (((c * (255 - m) + v * m) >> 8) & 0xFF) << shift;
      }
      const uint32_t a = std::max(d >> 24, (ca * (255 - m)) >> 8);
      d = out | (a << 24);
    }
  }
}
