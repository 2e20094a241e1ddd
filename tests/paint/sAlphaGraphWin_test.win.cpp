// The disabled look and the corner refresh of a control's cache from its parent's background.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "base/kvntTypes.h"
#include "base/kvntUtils.h"
#include "paint/sAlphaGraph.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "support/ImportHook.h"
#include "support/Pixels.h"
#include "ui/Controls.h"

namespace {

// An active skin of one section; its global colour is what a parent without a cache answers.
struct ActiveSkin {
  DuRiruZireziv manager{nullptr};
  explicit ActiveSkin(Integer borderRadius) {
    manager.SkinCommonInfo.Active = true;
    manager.Palette[pcMainColor] = 0x0000FF;  // red
    auto data = std::make_unique<TkvSkinData>();
    data->gd.resize(1);
    data->gd[0].BorderIndex = -1;
    data->gd[0].BorderRadius = borderRadius;
    manager.SkinDataArray.push_back(std::move(data));
  }
};

// A cache whose four corner pixels are the key value and all else opaque grey.
std::unique_ptr<TBitmap> KeyedCache(int w, int h) {
  std::unique_ptr<TBitmap> b(CreateBmp32(w, h));
  FillRect32(b.get(), {0, 0, w, h}, 0x808080, 255);
  for (TPoint p : {TPoint{0, 0}, TPoint{w - 1, 0}, TPoint{0, h - 1}, TPoint{w - 1, h - 1}})
    b->View().At(p.X, p.Y) = kKeyPixel;
  return b;
}

}  // namespace

TEST(DisabledLook, GreyThenBlendWithTheFillColour) {
  std::unique_ptr<TBitmap> bmp(CreateBmp32(2, 1));
  bmp->View().At(0, 0) = MakePix(0, 0, 255, 255);  // red
  bmp->View().At(1, 0) = kKeyPixel;
  TCacheInfo ci = EmptyCI;
  ci.FillColor = 0xFFFFFF;
  const Integer savedSat = DefDisabledSaturation;
  DefDisabledSaturation = -100;
  BmpDisabledKind(bmp.get(), {dkGrayed}, nullptr, ci, {0, 0});
  EXPECT_EQ(bmp->View().At(0, 0), MakePix(76, 76, 76, 255));
  EXPECT_EQ(bmp->View().At(1, 0), MakePix(105, 105, 105, 0));  // full grey spares no pixel
  DefDisabledSaturation = -90;                                 // saturation by -229, the key pixel skipped
  bmp->View().At(0, 0) = MakePix(0, 0, 255, 255);
  bmp->View().At(1, 0) = kKeyPixel;
  BmpDisabledKind(bmp.get(), {dkGrayed}, nullptr, ci, {0, 0});
  EXPECT_EQ(bmp->View().At(0, 0), MakePix(67, 67, 93, 255));
  EXPECT_EQ(bmp->View().At(1, 0), kKeyPixel);
  BmpDisabledKind(bmp.get(), {dkBlended}, nullptr, ci, {0, 0});  // towards white, weight 100 of the picture
  EXPECT_EQ(bmp->View().At(0, 0),
            MakePix((67 * 100 + 255 * 155) >> 8, (67 * 100 + 255 * 155) >> 8, (93 * 100 + 255 * 155) >> 8, 255));
  DefDisabledSaturation = savedSat;
  // With a ready background the parent's picture is mixed in instead.
  std::unique_ptr<TBitmap> parent(CreateBmp32(6, 6)), pic(CreateBmp32(2, 2));
  FillRect32(parent.get(), {0, 0, 6, 6}, 0x000000, 255);
  FillRect32(pic.get(), {0, 0, 2, 2}, 0xFFFFFF, 255);
  TCacheInfo ready{parent.get(), 1, 1, 0, TRect{}, true};
  BmpDisabledKind(pic.get(), {dkBlended}, nullptr, ready, {2, 2});
  // Every byte: (parent * 155 + picture * 100) >> 8; the parent is opaque black.
  EXPECT_EQ(pic->View().At(1, 1), MakePix((255 * 100) >> 8, (255 * 100) >> 8, (255 * 100) >> 8, (255 * 255) >> 8));
}

TEST(CornerRefresh, SectionRadiusTakesTheParentsAnswer) {
  ActiveSkin skin(3);
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 4, 4, 10, 8, parent, nullptr, nullptr, nullptr);
  ASSERT_TRUE(parent && child);
  TsCommonData sd(nullptr);
  sd.FSkinManager = &skin.manager;
  sd.SkinIndex = 0;
  sd.FSWHandle = child;
  sd.FCacheBmp = KeyedCache(10, 8);
  TBitmap* cache = sd.FCacheBmp.get();
  UpdateCorners(&sd, 0, {scLeftTop, scRightBottom});
  // The parent does not answer with a cache: the skin's global colour fills the key pixels.
  EXPECT_EQ(cache->View().At(0, 0), MakePix(0, 0, 255, 0));
  EXPECT_EQ(cache->View().At(9, 7), MakePix(0, 0, 255, 0));
  EXPECT_EQ(cache->View().At(9, 0), kKeyPixel);  // corner not asked for
  EXPECT_EQ(cache->View().At(1, 1), MakePix(128, 128, 128, 255));
  DestroyWindow(child);
  DestroyWindow(parent);
}

TEST(CornerRefresh, CustomRadiusWiderThanTheControl) {
  ActiveSkin skin(0);
  TWinControl parent(nullptr);
  parent.SetColor(0x00FF00);
  TControl control(nullptr);
  control.SetBounds(5, 5, 4, 20);
  control.SetParent(&parent);
  TsCommonData sd(&control);
  sd.FSkinManager = &skin.manager;
  sd.SkinIndex = 0;
  sd.FOwnerControl = &control;
  TkvPaintBorderData& border = *sd.FCustomBorder;
  border.SetRadius(0, 10);  // top-left radius 10 on a control 4 pixels wide
  sd.FCacheBmp = KeyedCache(4, 20);
  TBitmap* cache = sd.FCacheBmp.get();
  cache->View().At(3, 9) = kKeyPixel;
  cache->View().At(0, 10) = kKeyPixel;
  UpdateCorners(&sd, 0, {scLeftTop});
  EXPECT_EQ(cache->View().At(0, 0), MakePix(0, 255, 0, 0));
  EXPECT_EQ(cache->View().At(3, 9), MakePix(0, 255, 0, 0));  // the square is cut at the control's width
  EXPECT_EQ(cache->View().At(0, 10), kKeyPixel);             // and its height is the radius
  control.SetParent(nullptr);
}

namespace {
std::vector<String> boxTexts;
int WINAPI RecordBox(const MSGBOXPARAMSW* p) {
  boxTexts.push_back(reinterpret_cast<const Char*>(p->lpszText));
  return IDOK;
}
int WINAPI DebuggerAttached() { return 1; }
int WINAPI NoDebugger() { return 0; }
}  // namespace

TEST(TransparentPixelFill, SkinDataOfTheWrongClassWarnsOnlyUnderADebugger) {
  ImportHook box("user32.dll", "MessageBoxIndirectW", &RecordBox);
  boxTexts.clear();
  std::unique_ptr<TBitmap> dst(KeyedCache(4, 4)), parent(CreateBmp32(4, 4));
  FillRect32(parent.get(), {0, 0, 4, 4}, 0x0000FF, 255);
  TkvObject notSkinData;
  const auto saved = kvIsDebuggerPresent;
  kvIsDebuggerPresent = NoDebugger;
  FillTransPixels32(dst.get(), parent.get(), {0, 0, 4, 4}, {0, 0}, 0, &notSkinData, kCornerTopLeft, 0);
  EXPECT_TRUE(boxTexts.empty());
  kvIsDebuggerPresent = DebuggerAttached;
  FillTransPixels32(dst.get(), parent.get(), {0, 0, 4, 4}, {0, 0}, 0, &notSkinData, kCornerTopLeft, 0);
  FillTransPixels32(dst.get(), parent.get(), {0, 0, 4, 4}, {0, 0}, -1, &notSkinData, kCornerTopLeft, 0);
  kvIsDebuggerPresent = saved;
  // Only the corner form needs skin data; the form without an image takes none and stays quiet.
  EXPECT_EQ(boxTexts, (std::vector<String>{u"Check parameters of the FillTransPixels32 procedure."}));
  EXPECT_EQ(dst->View().At(1, 1), MakePix(128, 128, 128, 255));
  EXPECT_EQ(dst->View().At(0, 0), MakePix(0, 0, 255, 255));  // the second call filled the key pixel
}
