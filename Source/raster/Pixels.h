// The numeric contract of the raster kernels and the views they work on.
//
// Sections
//   1. The numeric contract: pixel layout, the mixing rule, weights, limits
//   2. Views, the parent background as the kernels see them, clipping and block copies
//   3. Colour values
//   4. The pixel path: vector loops or the scalar rule alone
//
// Every pixel loop of the raster layer works on a TPixelView (plain memory: top row, signed
// row distance, size), so it builds and runs natively; the TBitmap forms are thin wrappers that
// take the view of a pf32bit bitmap and do nothing for anything else. Pixels hold straight
// alpha, bytes B, G, R, A. Every routine clips what it is given (rectangles, points, sizes) to
// the bitmaps it touches: no argument makes it read or write outside a bitmap.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "base/WorkingBitmaps.h"
#include "base/sConst.h"
#include "ui/Bitmap.h"
#include "ui/Types.h"

// ---- 1. The numeric contract ---------------------------------------------------------------

// Key value of skin images and caches: fuchsia with alpha 0, compared as a whole pixel.
constexpr uint32_t kKeyPixel = 0x00FF00FF;
// Dezev at or below which a threshold test takes a source pixel as transparent.
constexpr Byte bTranspLimit = 16;

// The mixing rule of every compositor: d moved towards s by the weight a (0..255) in 256ths.
// The sum s*a + d*(256-a) is never negative, so the shift is a floor division by 256.
constexpr Byte MixByte(int d, int s, int a) { return static_cast<Byte>(((s - d) * a + d * 256) >> 8); }

// A transparency percentage (0 opaque .. 100 invisible) as a byte weight; out-of-range
// percentages are limited to 0..100 so the weight stays a byte.
constexpr Integer PercentToWeight(Integer percent) {
  return 255 - (percent < 0 ? 0 : percent > 100 ? 100 : percent) * 255 / 100;
}

constexpr Byte PixB(uint32_t p) { return static_cast<Byte>(p); }
constexpr Byte PixG(uint32_t p) { return static_cast<Byte>(p >> 8); }
constexpr Byte PixR(uint32_t p) { return static_cast<Byte>(p >> 16); }
constexpr Byte PixA(uint32_t p) { return static_cast<Byte>(p >> 24); }
constexpr uint32_t MakePix(uint32_t b, uint32_t g, uint32_t r, uint32_t a) { return b | g << 8 | r << 16 | a << 24; }

// Threshold test of a source pixel: the key value, or alpha at or below bTranspLimit.
constexpr bool TransparentByThreshold(uint32_t p) { return p == kKeyPixel || PixA(p) <= bTranspLimit; }

// Largest temporary picture a stretch of a skin-given size makes (pixels, 8192 x 8192): no
// window is larger, and a hostile size cannot make a routine allocate without bound.
constexpr int64_t kMaxTempPixels = int64_t(1) << 26;

// ---- 2. Views -------------------------------------------------------------------------------

// One byte a pixel (masks of the blur).
struct TBytePixelView {
  Byte* Line0 = nullptr;
  Integer Delta = 0;
  Integer Width = 0;
  Integer Height = 0;
  bool Empty() const { return Line0 == nullptr || Width <= 0 || Height <= 0; }
  Byte* Row(Integer y) const { return Line0 + static_cast<ptrdiff_t>(y) * Delta; }
};

// The parent background as the kernels take it: the picture behind the target (pixel (X, Y)
// of View lies behind the target's pixel (0, 0)) when Ready, else the fill colour (TColor).
struct TBackdrop {
  TPixelView View;
  Integer X = 0, Y = 0;
  TColor FillColor = clFuchsia;
  bool Ready = false;
  // The background pixel behind target pixel (x, y), or nullptr when it lies outside View.
  const uint32_t* At(Integer x, Integer y) const {
    // In 64 bits: an offset near the integer limits must not wrap onto the view.
    const int64_t bx = int64_t(X) + x, by = int64_t(Y) + y;
    if (View.Empty() || bx < 0 || by < 0 || bx >= View.Width || by >= View.Height) return nullptr;
    return View.Row(static_cast<Integer>(by)) + bx;
  }
};

// The background record of the painters as the kernels take it.
TBackdrop BackdropOf(const TCacheInfo& ci);

// A block of pixels paired one to one between a destination and a source.
struct TPixelBlock {
  Integer DstX = 0, DstY = 0, SrcX = 0, SrcY = 0, Width = 0, Height = 0;
  bool Empty() const { return Width <= 0 || Height <= 0; }
};

// Extents form: as wide as the smaller rectangle and the room left in both views; a negative
// left (top) edge moves both rectangles until the more negative one starts at 0. Inline: it
// is a fixed cost of every blend, which for an icon is a tenth of the call.
inline TPixelBlock ClipExtents(const TRect& dstRect, const TRect& srcRect, Integer dstW, Integer dstH, Integer srcW,
                               Integer srcH) {
  // The extent of [a, b) as SafeExtent gives it: 0 up to the largest Integer.
  auto extent = [](Integer a, Integer b) { return std::clamp<int64_t>(int64_t(b) - a, 0, INT32_MAX); };
  int64_t w = std::min(extent(dstRect.Left, dstRect.Right), extent(srcRect.Left, srcRect.Right));
  int64_t h = std::min(extent(dstRect.Top, dstRect.Bottom), extent(srcRect.Top, srcRect.Bottom));
  int64_t dx = dstRect.Left, sx = srcRect.Left, dy = dstRect.Top, sy = srcRect.Top;
  int64_t m = std::min(dx, sx);
  if (m < 0) {
    dx -= m;
    sx -= m;
    w += m;
  }
  m = std::min(dy, sy);
  if (m < 0) {
    dy -= m;
    sy -= m;
    h += m;
  }
  w = std::min({w, int64_t(dstW) - dx, int64_t(srcW) - sx});
  h = std::min({h, int64_t(dstH) - dy, int64_t(srcH) - sy});
  if (w <= 0 || h <= 0) return {};
  return {static_cast<Integer>(dx), static_cast<Integer>(dy), static_cast<Integer>(sx),
          static_cast<Integer>(sy), static_cast<Integer>(w),  static_cast<Integer>(h)};
}
// Source-rectangle-and-point form with inclusive right and bottom edges (clamped to the
// last column and row of the source).
TPixelBlock ClipInclusive(TRect srcRect, TPoint dstPoint, Integer dstW, Integer dstH, Integer srcW, Integer srcH);

// An exclusive rectangle cut to the view; false when nothing is left.
bool ClipToView(TRect& r, const TPixelView& v);
// The view of a pf8bit bitmap; empty for a missing bitmap or any other format.
TBytePixelView ByteViewOf(TBitmap* bmp);
// Pixel by pixel, straight copies of 32-bit memory; the block is clipped to both views.
void CopyPixels(const TPixelView& dst, Integer dstX, Integer dstY, const TPixelView& src, const TRect& srcRect);

// ---- 3. Colour values ------------------------------------------------------------------------

constexpr TColor SwapRedBlue(TColor c) { return (c & 0xFF00FF00u) | (c & 0xFF) << 16 | (c >> 16 & 0xFF); }
constexpr TColor SwapColor(TColor c) { return SwapRedBlue(c); }
constexpr Cardinal SwapLong(Cardinal v) { return v >> 24 | (v >> 8 & 0xFF00) | (v << 8 & 0xFF0000) | v << 24; }
void SwapLong(Cardinal* p, Cardinal count);
void FillLongword(void* x, Integer count, Cardinal value);
TColor BlendColors(TColor color1, TColor color2, Byte blendOf1);

// ---- 4. The pixel path -----------------------------------------------------------------------

// The row kernels run SSE2 loops where the build has SSE2, with the scalar pixel rule for what
// a loop leaves over at the end of a row. TPixelPath::Scalar makes them run the scalar rule
// alone. Both paths give the same bytes; the tests and the raster benchmark compare them.
enum class TPixelPath { Vector, Scalar };
inline std::atomic<TPixelPath> gPixelPath{TPixelPath::Vector};
inline void SetPixelPath(TPixelPath path) { gPixelPath.store(path, std::memory_order_relaxed); }
inline bool VectorPixels() { return gPixelPath.load(std::memory_order_relaxed) == TPixelPath::Vector; }

// Selects a pixel path for the life of the object and restores the one before.
class TPixelPathScope {
 public:
  explicit TPixelPathScope(TPixelPath path) : old_(gPixelPath.load(std::memory_order_relaxed)) { SetPixelPath(path); }
  ~TPixelPathScope() { SetPixelPath(old_); }
  TPixelPathScope(const TPixelPathScope&) = delete;
  TPixelPathScope& operator=(const TPixelPathScope&) = delete;

 private:
  TPixelPath old_;
};
