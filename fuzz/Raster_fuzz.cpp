// Feeds random rectangles, points, skin image records, masks and sizes to the nine-part
// renderer, the copies, the stretches and the tilers. Every access must stay inside the
// bitmaps (AddressSanitizer) and no arithmetic may overflow (UndefinedBehaviorSanitizer);
// every call must end (the tilers once looped forever on empty textures).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "raster/MaskImages.h"
#include "raster/Pixels.h"
#include "raster/Resampling.h"

namespace {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  int32_t Int() {
    // Mostly small values around the bitmaps, sometimes extreme ones.
    const uint8_t kind = Byte();
    if (kind < 200) return static_cast<int32_t>(Byte()) - 64;
    if (kind < 230) return static_cast<int32_t>(Byte() | Byte() << 8) - 32768;
    int32_t v;
    uint32_t u = uint32_t(Byte()) | uint32_t(Byte()) << 8 | uint32_t(Byte()) << 16 | uint32_t(Byte()) << 24;
    std::memcpy(&v, &u, 4);
    return v;
  }
  TRect Rect() { return {Int(), Int(), Int(), Int()}; }
  TPoint Point() { return {Int(), Int()}; }
  bool Done() const { return pos_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

struct Pixels {
  std::vector<uint32_t> mem;
  TPixelView view;
  Pixels(Input& in, int maxSide) {
    const int w = 1 + in.Byte() % maxSide, h = 1 + in.Byte() % maxSide;
    mem.resize(size_t(w) * h);
    uint32_t seed = in.Byte() * 0x9E3779B9u + 1;
    for (auto& p : mem) {
      seed ^= seed << 13;
      seed ^= seed >> 17;
      seed ^= seed << 5;
      // Plenty of key pixels and of the alpha extremes.
      const uint8_t pick = seed >> 28;
      p = pick == 0 ? kKeyPixel : pick == 1 ? (seed & 0x00FFFFFF) : pick == 2 ? (seed | 0xFF000000u) : seed;
    }
    // Bottom-up rows, as a DIB, half of the time.
    if (in.Byte() & 1)
      view = {reinterpret_cast<Byte*>(mem.data()) + size_t(h - 1) * w * 4, -w * 4, w, h};
    else
      view = {reinterpret_cast<Byte*>(mem.data()), w * 4, w, h};
  }
};

TMaskImage Image(Input& in, const TPixelView& src) {
  TMaskImage img;
  img.Src = src;
  img.R = in.Rect();
  img.ImageCount = in.Int();
  img.MaskType = in.Byte() & 1;
  img.DrawMode = in.Byte() & 31;
  img.WL = in.Int(), img.WT = in.Int(), img.WR = in.Int(), img.WB = in.Int();
  img.Cfg = in.Byte() & 3;
  img.Width = in.Int(), img.Height = in.Int();
  return img;
}

TBackdrop Backdrop(Input& in, const TPixelView& v) {
  TBackdrop ci;
  ci.View = v;
  ci.X = in.Int();
  ci.Y = in.Int();
  ci.FillColor = uint32_t(in.Int());
  ci.Ready = in.Byte() & 1;
  return ci;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  Pixels dst(in, 48), src(in, 48), bg(in, 48);
  while (!in.Done()) {
    const uint8_t op = in.Byte() % 14;
    switch (op) {
      case 0: {
        TNinePartRequest req;
        req.Kind = TNinePartKind(in.Byte() % 3);
        req.Rect = in.Rect();
        req.State = in.Int();
        req.UpdateCorners = in.Byte() & 1;
        req.MaxWidths = in.Rect();
        req.Opacity = in.Int();
        req.CiIsDst = in.Byte() & 1;
        TMaskImage img = Image(in, src.view);
        DrawNinePart(dst.view, req, Backdrop(in, bg.view), img);
        break;
      }
      case 1:
        CopyBmp32(in.Rect(), in.Rect(), dst.view, src.view, Backdrop(in, bg.view), in.Byte() & 1,
                  in.Byte() & 1 ? clNone : uint32_t(in.Int()), in.Int(), in.Byte() & 1);
        break;
      case 2:
        CopyByMaskHalf(in.Rect(), in.Rect(), dst.view, src.view, Backdrop(in, bg.view), in.Byte() & 1, in.Int(),
                       in.Byte(), in.Byte());
        break;
      case 3:
        PaintBmpRect32(dst.view, src.view, in.Rect(), in.Point(), in.Byte());
        SumBmpRect(dst.view, src.view, in.Byte(), in.Rect(), in.Point());
        break;
      case 4:
        PaintTranspBmpRect32(dst.view, src.view, bg.view, uint32_t(in.Int()), in.Rect(), in.Point(), in.Point(),
                             in.Byte());
        break;
      case 5: {
        TRect area = in.Rect();
        TileBitmap(dst.view, area, src.view, in.Rect(), in.Byte() % 16);
        break;
      }
      case 6: {
        TRect area = in.Rect();
        TMaskImage img = Image(in, src.view);
        TileMasked(dst.view, area, Backdrop(in, bg.view), img, in.Byte() % 16);
        break;
      }
      case 7:
        StretchBltMask(TMaskStretch(in.Byte() % 3), in.Int(), in.Int(), in.Int() & 127, in.Int() & 127, in.Int(),
                       in.Int(), in.Int(), in.Int(), dst.view, src.view, in.Int(), in.Int(), in.Byte() & 1);
        break;
      case 8:
        StretchBmpRect32(dst.view, in.Int(), in.Int(), in.Int() & 255, in.Int() & 255, src.view, in.Int(), in.Int(),
                         in.Int(), in.Int(), in.Byte());
        break;
      case 9:
        CopyTransRect(dst.view, src.view, in.Int(), in.Int(), in.Rect(), kKeyPixel, Backdrop(in, bg.view),
                      in.Byte() & 1, in.Byte() & 1);
        CopyTransRectA(dst.view, src.view, in.Int(), in.Int(), in.Rect(), clFuchsia, in.Int());
        BlendTransRectangle(dst.view, in.Int(), in.Int(), src.view, in.Rect(), in.Byte(), kKeyPixel);
        break;
      case 10:
        FillTransPixels(dst.view, (in.Byte() & 1) ? src.view : TPixelView{}, in.Rect(), in.Point(), uint32_t(in.Int()));
        FillTransPixelsByImage(dst.view, bg.view, in.Rect(), in.Point(), src.view, in.Point());
        break;
      case 11: {
        TMaskImage img = Image(in, src.view);
        DrawSkinGlyph(dst.view, in.Point(), in.Int(), in.Byte() % 3, img, in.Byte() & 1, Backdrop(in, bg.view),
                      in.Byte() & 1);
        BlendGlyphByMask(in.Rect(), in.Rect(), dst.view, src.view, in.Byte() % 3, img);
        break;
      }
      case 12:
        CopyMasterRect(in.Rect(), in.Rect(), dst.view, src.view, Backdrop(in, bg.view), in.Int());
        CopyByMask32(in.Rect(), in.Rect(), dst.view, src.view, Backdrop(in, bg.view), in.Int(), in.Int());
        break;
      case 13:
        BlendRoundCorner(dst.view, bg.view, in.Int() & 63, in.Point(), in.Point(), in.Point(), Backdrop(in, src.view),
                         in.Byte() & 1);
        break;
    }
  }
  return 0;
}
