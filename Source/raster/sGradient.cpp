// sGradient: parsing, the pixel painters and the shadow kernel (portable).
#include "raster/sGradient.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "raster/Blend.h"

// ---- 2. Parsing ----------------------------------------------------------------------------------

namespace {

// The words of the string: maximal runs of characters other than ';' (as WordCount counts them).
std::vector<StringView> SplitWords(const String& s) {
  std::vector<StringView> words;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && s[i] == u';') ++i;
    const size_t start = i;
    while (i < s.size() && s[i] != u';') ++i;
    if (i > start) words.emplace_back(s.data() + start, i - start);
  }
  return words;
}

bool ColorWord(StringView w, Integer& value) {
  Int64 v;
  if (!TryStrToInt64(w, v)) return false;
  value = static_cast<Integer>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
  return true;
}

bool PercentWord(StringView w, Integer& value) {
  Integer v;
  if (!TryStrToInt(w, v)) return false;
  value = std::clamp(v, 0, 100);
  return true;
}

// Five words a point: colour (made opaque), -, width of the segment from this point, mode, -.
void ParseFiveWordForm(const std::vector<StringView>& words, TsGradArray& points) {
  const size_t count = std::min<size_t>(words.size() / 5, kMaxGradPoints);
  Integer position = 0;
  for (size_t i = 0; i < count; ++i) {
    const StringView* w = &words[i * 5];
    Integer color, width, mode;
    if (!ColorWord(w[0], color) || !PercentWord(w[2], width) || !ColorWord(w[3], mode)) break;
    TsGradPoint p{};
    p.Index = static_cast<Word>(i);
    p.Color.C = color;
    p.Color.A = 255;
    p.Mode = mode & ~PM_TRANSPARENT;
    p.Percent = static_cast<TPercent>(position);
    points.push_back(p);
    position = std::min(position + width, 100);
  }
  if (!points.empty() && (points[0].Mode & MASK_DIRECTION) == PM_DIAGONAL)
    while (points.size() < 5) points.push_back(points.back());
}

// Three words a point: colour with alpha, position in percent, mode; count letters at the end.
void ParseThreeWordForm(const std::vector<StringView>& words, Integer promised, TsGradArray& points) {
  if (promised <= 0 || words.empty()) return;
  const size_t present = (words.size() - 1) / 3;  // the last word is the count letter
  const size_t count = std::min({static_cast<size_t>(promised), present, static_cast<size_t>(kMaxGradPoints)});
  bool translucent = false;
  for (size_t i = 0; i < count; ++i) {
    const StringView* w = &words[i * 3];
    Integer color, percent, mode;
    if (!ColorWord(w[0], color) || !PercentWord(w[1], percent) || !ColorWord(w[2], mode)) break;
    TsGradPoint p{};
    p.Index = static_cast<Word>(i);
    p.Color.C = color;
    p.Percent = static_cast<TPercent>(percent);
    p.Mode = mode;
    translucent = translucent || (mode & PM_TRANSPARENT) != 0;
    points.push_back(p);
  }
  if (translucent) points[0].Mode |= PM_OVERLAY;
}

}  // namespace

void PrepareGradArray(const String& gradientStr, TsGradArray& gradArray) {
  gradArray.clear();
  if (gradientStr.size() <= 4) return;
  const std::vector<StringView> words = SplitWords(gradientStr);
  const Char last = gradientStr.back();
  if (last == u'0')
    ParseFiveWordForm(words, gradArray);
  else
    ParseThreeWordForm(words, static_cast<Integer>(last) - 64, gradArray);
  if (!gradArray.empty()) gradArray.back().Percent = 100;
}

// ---- 3. Painting on views --------------------------------------------------------------------------

namespace {

// Clips aRect to the view; false when nothing is left.
bool ClipGradRect(TRect& r, const TPixelView& v) {
  if (r.IsEmpty() || v.Empty()) return false;
  r.Right = std::min(r.Right, v.Width);
  r.Bottom = std::min(r.Bottom, v.Height);
  r.Left = std::max(r.Left, 0);
  r.Top = std::max(r.Top, 0);
  return !r.IsEmpty();
}

bool Translucent(const TsGradPoint& a, const TsGradPoint& b) { return ((a.Mode | b.Mode) & PM_TRANSPARENT) != 0; }

TColor ColorOf(const TsGradPoint& p) { return static_cast<TColor>(p.Color.C); }

// The colour walk of one segment: starts at a's colour and moves by (b - a) / steps per step,
// in single-precision accumulators with the step computed in double precision.
class TColorWalk {
 public:
  TColorWalk(const TsGradPoint& a, const TsGradPoint& b, int64_t steps)
      : r_(a.Color.R),
        g_(a.Color.G),
        b_(a.Color.B),
        dr_(double(int(b.Color.R) - int(a.Color.R)) / double(steps)),
        dg_(double(int(b.Color.G) - int(a.Color.G)) / double(steps)),
        db_(double(int(b.Color.B) - int(a.Color.B)) / double(steps)) {}
  // The pixel of the current step (alpha 255), then one step on.
  uint32_t Next() {
    const uint32_t p = MakePix(Near(b_), Near(g_), Near(r_), 255);
    r_ = static_cast<float>(r_ + dr_);
    g_ = static_cast<float>(g_ + dg_);
    b_ = static_cast<float>(b_ + db_);
    return p;
  }

 private:
  static uint32_t Near(float v) { return static_cast<uint32_t>(std::clamp(std::nearbyint(v), 0.0f, 255.0f)); }
  float r_, g_, b_;
  double dr_, dg_, db_;
};

// Top-to-bottom opaque segment: rows [start, end), each one colour.
void PaintRowsOpaque(const TPixelView& v, const TRect& r, int64_t start, int64_t end, const TsGradPoint& a,
                     const TsGradPoint& b) {
  const bool same = a.Color.C == b.Color.C;
  TColorWalk walk(a, b, end - start);
  const uint32_t fixed = MakePix(a.Color.B, a.Color.G, a.Color.R, 255);
  for (int64_t y = start; y < end; ++y) {
    const uint32_t p = same ? fixed : walk.Next();
    if (y < r.Top || y >= r.Bottom) continue;
    uint32_t* row = v.Row(static_cast<Integer>(y));
    std::fill(row + r.Left, row + r.Right, p);
  }
}

// Left-to-right opaque segment: columns start..end inclusive of row Top, steps end - start.
// keepAlpha writes blue, green and red only.
void PaintColumnsOpaque(const TPixelView& v, const TRect& r, int64_t start, int64_t end, const TsGradPoint& a,
                        const TsGradPoint& b, bool keepAlpha) {
  TColorWalk walk(a, b, end - start);
  uint32_t* row = v.Row(r.Top);
  for (int64_t x = start; x <= end; ++x) {
    const uint32_t p = walk.Next();
    if (x < r.Left || x >= r.Right) continue;
    uint32_t& d = row[x];
    d = keepAlpha ? (p & 0x00FFFFFFu) | (d & 0xFF000000u) : p;
  }
}

// Walks the left-to-right segments of a gradient row in row Top; opaque ones are painted by
// paint(start, end, a, b), translucent ones handed to translucent(start, end, a, b). Ends are
// nearest(start + share * one percent), limited as each kind requires.
template <class Opaque, class Trans>
void WalkColumns(const TRect& r, const TsGradArray& data, Opaque paint, Trans translucent, bool allOpaque) {
  const double onePercent = r.Width() / 100.0;
  const int64_t limitT = r.Right, limitO = int64_t(r.Right) - 1;
  int64_t start = r.Left;
  const size_t n = data.size();
  for (size_t i = 1; i < n; ++i) {
    const TsGradPoint& a = data[i - 1];
    const TsGradPoint& b = data[i];
    const int share = int(b.Percent) - int(a.Percent);
    int64_t end = static_cast<int64_t>(std::nearbyint(double(start) + share * onePercent));
    if (!allOpaque && Translucent(a, b)) {
      end = i == n - 1 ? limitT : std::min(end, limitT);
      if (end > start) translucent(start, end, a, b);
    } else {
      end = i == n - 1 ? limitO : std::min(end, limitO);
      if (end > start) paint(start, end, a, b);
    }
    start = end;
  }
}

}  // namespace

void PaintGrad(const TPixelView& v, TRect r, const TsGradArray& data, Integer offsetY, TGradientDevice* device) {
  if (!ClipGradRect(r, v) || data.size() < 2) return;
  const size_t n = data.size();
  switch (data[0].Mode & MASK_DIRECTION) {
    case 0: {
      const int64_t height = r.Height();
      int64_t start = int64_t(r.Top) + offsetY;
      for (size_t i = 1; i < n; ++i) {
        const TsGradPoint& a = data[i - 1];
        const TsGradPoint& b = data[i];
        const int share = int(b.Percent) - int(a.Percent);
        int64_t end = i == n - 1 ? r.Bottom : std::min<int64_t>(start + (height + offsetY) * share / 100, r.Bottom);
        if (end > start) {
          if (Translucent(a, b)) {
            if (device && start > INT32_MIN)
              device->LinearSegment(
                  true, r.Left, static_cast<Integer>(start - 1), r.Width(), static_cast<Integer>(end - start + 1),
                  ColorOf(a), ColorOf(b),
                  TRect(r.Left, static_cast<Integer>(start - 1), r.Right, static_cast<Integer>(start)));
          } else {
            PaintRowsOpaque(v, r, start, end, a, b);
          }
        }
        start = end;
      }
      break;
    }
    case PM_VERTICAL: {
      WalkColumns(
          r, data,
          [&](int64_t start, int64_t end, const TsGradPoint& a, const TsGradPoint& b) {
            PaintColumnsOpaque(v, r, start, end, a, b, false);
            const int64_t from = std::max<int64_t>(start, r.Left), to = std::min<int64_t>(end, r.Right - 1);
            if (to < from) return;
            const uint32_t* top = v.Row(r.Top);
            for (Integer y = r.Top + 1; y < r.Bottom; ++y)
              std::memcpy(v.Row(y) + from, top + from, size_t(to - from + 1) * 4);
          },
          [&](int64_t start, int64_t end, const TsGradPoint& a, const TsGradPoint& b) {
            if (!device) return;
            device->LinearSegment(false, static_cast<Integer>(start - 1), r.Top, static_cast<Integer>(end - start + 1),
                                  r.Height(), ColorOf(a), ColorOf(b),
                                  TRect(static_cast<Integer>(start - 1), r.Top, static_cast<Integer>(start), r.Bottom));
          },
          false);
      break;
    }
    case PM_DIAGONAL:
      if (n >= 5 && device) device->Diagonal(r, data.data(), (data[0].Mode & PM_OVERLAY) != 0);
      break;
    default: break;
  }
}

void PaintGradTxt(const TPixelView& v, TRect r, const TsGradArray& data, const TPixelView& texture, TRect textureRect,
                  Byte textureAlpha, Byte alphaChannel) {
  if (!ClipGradRect(r, v) || data.size() < 2) return;
  const Integer direction = data[0].Mode & MASK_DIRECTION;
  if (direction != 0 && direction != PM_VERTICAL) return;
  // The texture period, its last row and column left out where it reaches its bitmap's edge.
  bool useTexture = !texture.Empty();
  Integer txtW = 0, txtH = 0;
  if (useTexture) {
    if (textureRect.IsEmpty()) textureRect = TRect(0, 0, texture.Width, texture.Height);
    textureRect.Left = std::max(textureRect.Left, 0);  // an origin outside the texture is moved in
    textureRect.Top = std::max(textureRect.Top, 0);
    txtW = std::max<int64_t>(int64_t(textureRect.Right) - textureRect.Left, 0);
    txtH = std::max<int64_t>(int64_t(textureRect.Bottom) - textureRect.Top, 0);
    if (int64_t(textureRect.Top) + txtH >= texture.Height) txtH = texture.Height - 1 - textureRect.Top;
    if (int64_t(textureRect.Left) + txtW >= texture.Width) txtW = texture.Width - 1 - textureRect.Left;
    if (txtW < 0 || txtH < 0) return;
    useTexture = txtW > 0 && txtH > 0;  // a period of 0 cannot be tiled: the plain gradient
  }
  const Byte weight = useTexture ? textureAlpha : 0;
  auto mixed = [&](uint32_t grad, Integer x, Integer y) {
    if (!useTexture) return (grad & 0x00FFFFFFu) | uint32_t(alphaChannel) << 24;
    const uint32_t t = texture.Row(textureRect.Top + y % txtH)[textureRect.Left + x % txtW];
    return MakePix(MixByte(PixB(grad), PixB(t), weight), MixByte(PixG(grad), PixG(t), weight),
                   MixByte(PixR(grad), PixR(t), weight), alphaChannel);
  };
  const size_t n = data.size();
  if (direction == 0) {
    const int64_t height = r.Height(), lastRow = int64_t(r.Bottom) - 1;
    int64_t start = r.Top;
    for (size_t i = 1; i < n; ++i) {
      const TsGradPoint& a = data[i - 1];
      const TsGradPoint& b = data[i];
      const int share = int(b.Percent) - int(a.Percent);
      const int64_t end = i == n - 1 ? lastRow : std::min(start + height * share / 100, lastRow);
      if (end > start) {
        TColorWalk walk(a, b, end - start);
        for (int64_t y = start; y <= end; ++y) {
          const uint32_t g = walk.Next();
          if (y < r.Top) continue;
          uint32_t* row = v.Row(static_cast<Integer>(y));
          for (Integer x = r.Left; x < r.Right; ++x) row[x] = mixed(g, x, static_cast<Integer>(y));
        }
      }
      start = end;
    }
    return;
  }
  // Left to right: the gradient row in row Top, mixed with one band of texture rows, the band
  // then repeated downwards.
  WalkColumns(
      r, data,
      [&](int64_t start, int64_t end, const TsGradPoint& a, const TsGradPoint& b) {
        PaintColumnsOpaque(v, r, start, end, a, b, true);
      },
      [](int64_t, int64_t, const TsGradPoint&, const TsGradPoint&) {}, true);
  const Integer band = useTexture ? std::min(txtH, r.Height()) : 1;
  uint32_t* top = v.Row(r.Top);
  for (Integer y = r.Top + 1; y < r.Top + band; ++y) {
    uint32_t* row = v.Row(y);
    for (Integer x = r.Left; x < r.Right; ++x) row[x] = mixed(top[x], x, y);
  }
  for (Integer x = r.Left; x < r.Right; ++x) top[x] = mixed(top[x], x, r.Top);
  const size_t bytes = size_t(r.Width()) * 4;
  for (Integer y = r.Top + band; y < r.Bottom; ++y)
    std::memcpy(v.Row(y) + r.Left, v.Row(r.Top + (y - r.Top) % band) + r.Left, bytes);
}

// ---- 4. Round shadows ---------------------------------------------------------------------------------

TSize ShadowSize(Integer radius, Integer offset, Integer bodyHeight, Integer bodyWidth) {
  const int64_t w = 2 * int64_t(radius) + bodyWidth + 1;
  const int64_t h = 2 * int64_t(radius) + bodyHeight + int64_t(offset) + 1;
  if (radius < 0 || offset < 0 || bodyHeight < 0 || bodyWidth < 0 || w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX)
    return {};
  return TSize(static_cast<Integer>(w), static_cast<Integer>(h));
}

void MakeShadowView(const TPixelView& v, TColor color, Integer radius, Integer offset, Integer bodyHeight,
                    Integer bodyWidth, Integer blurSize, bool maskMode) {
  const TSize size = ShadowSize(radius, offset, bodyHeight, bodyWidth);
  if (v.Empty() || size.cx != v.Width || size.cy != v.Height) return;
  const Integer R = radius;
  FillRect32(v, TRect(0, 0, v.Width, v.Height), maskMode ? clWhite : color, maskMode ? 255 : 0);
  double body = 0;
  if (blurSize > 0) {
    body = double(R) - blurSize;
  } else {
    blurSize = R;
  }
  const Byte peak = static_cast<Byte>(color >> 24);
  const uint32_t rgb = SwapRedBlue(color) & 0x00FFFFFFu;
  const Integer cy = offset + R;
  auto weightOf = [&](double l) -> int {
    if (maskMode) {
      if (l <= body) return 255;
      return static_cast<int>(
          std::nearbyint(255.0 * (1.0 - (l - body) / (blurSize + 1.0)) * (R + 1.0 - l) / (blurSize + 1.0)));
    }
    if (l <= body || body == R) return 255;
    const double span = R - body;
    return std::min(255, static_cast<int>(std::nearbyint(255.0 * (R - l + 1.0) * (1.0 - (l - body) / span) / span)));
  };
  for (Integer y = offset; y <= cy; ++y) {
    uint32_t* row = v.Row(y);
    for (Integer x = 0; x <= R; ++x) {
      const double dx = x - R, dy = y - cy;
      const double l = std::sqrt(dx * dx + dy * dy);
      uint32_t p;
      if (l > R) {
        p = maskMode ? 0xFFFFFFFFu : 0u;
      } else {
        const int w = weightOf(l);
        if (maskMode) {
          const uint32_t c = (255u * uint32_t(255 - w) + uint32_t(peak) * uint32_t(w)) >> 8;
          p = MakePix(c, c, c, 255);
        } else {
          p = rgb | ((uint32_t(peak) * uint32_t(w)) >> 8) << 24;
        }
      }
      row[x] = p;
      row[2 * R - x] = p;
    }
    // The same quarter row mirrored below the centre, past the body rows.
    uint32_t* mirror = v.Row(2 * cy - y + bodyHeight);
    for (Integer x = 0; x <= R; ++x) {
      mirror[x] = row[x];
      mirror[2 * R - x] = row[x];
    }
  }
  const uint32_t* centreRow = v.Row(cy);
  for (Integer y = cy + 1; y <= cy + bodyHeight; ++y) std::memcpy(v.Row(y), centreRow, size_t(v.Width) * 4);
  if (bodyWidth > 0) {
    // The right half moves to the right edge; the body columns repeat the centre column.
    for (Integer y = 0; y < v.Height; ++y) {
      uint32_t* row = v.Row(y);
      std::memmove(row + v.Width - R, row + R + 1, size_t(R) * 4);
      std::fill(row + R + 1, row + R + 1 + bodyWidth, row[R]);
    }
  }
}
