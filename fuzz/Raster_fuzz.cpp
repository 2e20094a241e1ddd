// Feeds random rectangles, points, skin image records, masks and sizes to the nine-part
// renderer, the copies, the stretches and the tilers, and paints items of a small synthetic
// skin (sections and images made from the input, hostile values included) with hostile
// rectangles, states, offsets and indexes through the item painter. Every access must stay
// inside the bitmaps (AddressSanitizer) and no arithmetic may overflow
// (UndefinedBehaviorSanitizer); every call must end (the tilers once looped forever on empty
// textures).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include <memory>

#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "raster/MaskImages.h"
#include "raster/Pixels.h"
#include "raster/Resampling.h"
#include "skin/sSkinManager.h"

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

// A 32-bit bitmap of up to maxSide x maxSide with pixels from the input's seed.
std::unique_ptr<TBitmap> Bitmap(Input& in, int maxSide) {
  Pixels p(in, maxSide);
  auto bmp = std::make_unique<TBitmap>(p.view.Width, p.view.Height, pf32bit);
  CopyPixels(bmp->View(), 0, 0, p.view, TRect(0, 0, p.view.Width, p.view.Height));
  return bmp;
}

// A small skin made from the input: its sections and images may hold any values at all.
struct FuzzSkin {
  DuRiruZireziv Manager{nullptr};
  std::unique_ptr<TBitmap> Own;
  TkvSkinData* Data = nullptr;

  explicit FuzzSkin(Input& in) {
    Manager.MasterBitmap = Bitmap(in, 40);
    Own = Bitmap(in, 24);
    auto data = std::make_unique<TkvSkinData>();
    data->FOwner = &Manager;
    data->PPI = in.Byte() & 1 ? 96 : in.Int();
    Data = data.get();
    Manager.SkinDataArray.push_back(std::move(data));
    Manager.SkinCommonInfo.Active = true;
    const int images = in.Byte() % 5;
    for (int i = 0; i < images; ++i) {
      TsMaskData md;
      md.Bmp = in.Byte() % 4 == 0 ? Own.get() : nullptr;
      md.Manager = &Manager;
      md.R = in.Byte() & 1 ? TRect(in.Byte() % 40, in.Byte() % 40, in.Byte() % 48, in.Byte() % 48) : in.Rect();
      md.ImageCount = int16_t(in.Int());
      md.MaskType = int16_t(in.Byte() % 3);
      md.DrawMode = int16_t(in.Byte() % 20 - 2);
      md.WL = int16_t(in.Int()), md.WT = int16_t(in.Int()), md.WR = int16_t(in.Int()), md.WB = int16_t(in.Int());
      md.Cfg = in.Byte() & 1;
      md.Width = in.Int();
      md.Height = in.Int();
      Data->ma.push_back(md);
    }
    const int sections = 1 + in.Byte() % 4;
    for (int i = 0; i < sections; ++i) {
      TsGeneralData gd;
      gd.States = in.Int();
      gd.BorderIndex = in.Int() % 6;
      gd.ImgTL = in.Int() % 6, gd.ImgTR = in.Int() % 6, gd.ImgBL = in.Int() % 6, gd.ImgBR = in.Int() % 6;
      gd.BorderWidth = in.Int();
      gd.BorderRadius = in.Byte() & 1 ? in.Byte() % 12 : in.Int();
      for (TsGenState& look : gd.Props) {
        // Mostly the values a skin holds, sometimes anything.
        const bool wild = in.Byte() < 32;
        look.Transparency = wild ? in.Int() : in.Byte() % 5 * 25;
        look.ImagePercent = wild ? in.Int() : in.Byte() % 5 * 25;
        look.GradientPercent = wild ? in.Int() : in.Byte() % 5 * 25;
        look.TextureIndex = in.Int() % 6;
        look.Color = in.Int();
        look.BorderColor = in.Byte() & 1 ? 0xFF00FF : in.Int();
        const int points = in.Byte() % 7;
        for (int k = 0; k < points; ++k) {
          TsGradPoint p{};
          p.Index = Word(k);
          p.Mode = in.Byte() & 1 ? in.Byte() % 64 : in.Int();
          p.Color.C = in.Int();
          p.Percent = TPercent(in.Byte() & 1 ? in.Byte() % 101 : in.Byte());
          look.GradientArray.push_back(p);
        }
      }
      Data->gd.push_back(gd);
    }
    Data->Reindex();
  }
};

// The painter's steps without GDI: round masks worked out here, lines and warnings ignored.
TPixelView FuzzRoundMask(Integer radius) {
  static std::vector<std::unique_ptr<TBitmap>> masks;
  if (radius < 1 || radius > 64) return {};
  for (auto& m : masks)
    if (m->Width() == 2 * radius + 1) return m->View();
  auto m = std::make_unique<TBitmap>(2 * radius + 1, 2 * radius + 1, pf32bit);
  const TPixelView v = m->View();
  for (Integer y = 0; y < v.Height; ++y)
    for (Integer x = 0; x < v.Width; ++x) {
      const Integer dx = x - radius, dy = y - radius;
      v.At(x, y) = dx * dx + dy * dy <= radius * radius ? 0xFF000000u : 0xFFFFFFFFu;
    }
  masks.push_back(std::move(m));
  return masks.back()->View();
}

const TkvItemSteps& FuzzSteps() {
  static const TkvItemSteps steps = [] {
    TkvItemSteps s;
    s.RoundMask = FuzzRoundMask;
    s.BorderLine = [](TBitmap*, const TRect&, const TkvBorderLine&) {};
    s.WrongSkinData = [](const char16_t*) {};
    return s;
  }();
  return steps;
}

TCacheInfo CacheInfo(Input& in, TBitmap* bg, TBitmap* item) {
  TCacheInfo ci;
  const uint8_t pick = in.Byte() % 4;
  ci.Bmp = pick == 0 ? nullptr : pick == 1 ? item : bg;
  ci.X = in.Int();
  ci.Y = in.Int();
  ci.FillColor = in.Byte() & 1 ? clFuchsia : uint32_t(in.Int());
  ci.FillRect = in.Rect();
  ci.Ready = in.Byte() & 1;
  return ci;
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
  // The item painter's part: a skin, an item and a parent background.
  FuzzSkin skin(in);
  std::unique_ptr<TBitmap> item = Bitmap(in, 40), parent = Bitmap(in, 48);
  if (in.Byte() % 8 == 0) item->SetPixelFormat(pf24bit);  // filled and copied only through steps: left out
  const TkvItemPainter painter(FuzzSteps());
  while (!in.Done()) {
    const uint8_t op = in.Byte() % 19;
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
      case 14: {
        const Integer section = in.Int() % 6;
        const TCacheInfo ci = CacheInfo(in, parent.get(), item.get());
        const Integer state = in.Int();
        const TRect r = in.Rect();
        const TPoint pP = in.Point();
        switch (in.Byte() % 3) {
          case 0: painter.PaintItem(section, ci, state, r, pP, item.get(), skin.Data); break;
          case 1: {
            const Integer mask = in.Int() % 6;
            if (const TsMaskData* md = SkinImage(skin.Data, mask))
              painter.PaintItem(section, ci, state, r, pP, item.get(), skin.Data, *md);
            break;
          }
          default:
            painter.PaintItemFast(section, in.Int() % 6, in.Int() % 6, in.Int() % 6, ci, state, r, pP, item.get(),
                                  skin.Data);
        }
        break;
      }
      case 15: {
        const Integer section = in.Int() % 6;
        const TCacheInfo ci = CacheInfo(in, parent.get(), item.get());
        const Integer state = in.Int();
        const TRect r = in.Rect();
        const TPoint pP = in.Point();
        if (in.Byte() & 1)
          painter.PaintItemBG(section, ci, state, r, pP, item.get(), skin.Data, in.Int() % 6, in.Int() % 6,
                              in.Byte() & 1 ? clFuchsia : uint32_t(in.Int()));
        else
          painter.PaintItemBGFast(section, in.Int() % 6, in.Int() % 6, ci, state, r, pP, item.get(), skin.Data);
        break;
      }
      case 16: {
        TkvControlItem c;
        c.SkinData = skin.Data;
        c.Manager = &skin.Manager;
        c.SkinIndex = in.Int() % 6;
        c.CustomColor = in.Byte() & 1 ? clFuchsia : uint32_t(in.Int());
        c.CustomBorder = in.Byte() & 1;
        const Integer border = in.Int() % 6;
        c.BorderSection =
            border >= 0 && border < Integer(skin.Data->gd.size()) ? &skin.Data->gd[size_t(border)] : nullptr;
        c.Border.Width = in.Int();
        c.Border.Color = in.Byte() & 1 ? clFuchsia : uint32_t(in.Int());
        c.Border.HasRadii = in.Byte() & 1;
        c.Border.Radii = {in.Int(), in.Int(), in.Int(), in.Int()};
        c.PPI = in.Int();
        c.HasTone = in.Byte() & 1;
        c.Tone = uint32_t(in.Int());
        c.HueOffset = in.Int();
        c.Saturation = in.Int();
        const TCacheInfo ci = CacheInfo(in, parent.get(), item.get());
        const Integer state = in.Int();
        const TRect r = in.Rect();
        painter.PaintControlItem(c, ci, state, r, in.Point(), item.get(), in.Byte() & 1, in.Byte() & 1);
        break;
      }
      case 17: {
        const Integer section = in.Int() % 6;
        const Integer state = in.Int();
        const TRect r = in.Rect();
        if (in.Byte() & 1)
          painter.PaintItem32(section, state, r, item.get(), skin.Data);
        else
          painter.PaintItemBG32(section, state, r, item.get(), skin.Data,
                                in.Byte() & 1 ? clFuchsia : uint32_t(in.Int()));
        break;
      }
      case 18: {
        const Integer section = in.Int() % 6;
        if (section < 0 || section >= Integer(skin.Data->gd.size())) break;
        const TsGeneralData& gd = skin.Data->gd[size_t(section)];
        TkvBorderLine line = SectionBorderLine(gd, in.Int(), in.Byte() & 1);
        if (in.Byte() & 1) line.Radii = {in.Int(), in.Int(), in.Int(), in.Int()};
        const TCacheInfo ci = CacheInfo(in, parent.get(), item.get());
        const TRect r = in.Rect();
        painter.PaintBorder(item.get(), r, gd, in.Int(), ci, line, in.Int());
        break;
      }
    }
  }
  return 0;
}
