// Drawing through TCanvas on bitmaps and borrowed DCs, pictures drawn through the canvas,
// and the proof that none of it leaks a GDI object, DC or icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "support/GdiTracker.h"
#include "support/JpegFixture.h"
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"
#include "ui/Icon.h"
#include "ui/Jpeg.h"
#include "ui/Streams.h"

namespace {

// The pixel at (x, y) of a pf32bit bitmap as 0xRRGGBB.
uint32_t Rgb(TBitmap& bmp, int x, int y) { return bmp.View().At(x, y) & 0xFFFFFF; }

// Counts pixels of a colour (0xRRGGBB) in a pf32bit bitmap.
int CountRgb(TBitmap& bmp, uint32_t rgb) {
  int n = 0;
  TPixelView v = bmp.View();
  for (int y = 0; y < v.Height; ++y)
    for (int x = 0; x < v.Width; ++x) n += (v.At(x, y) & 0xFFFFFF) == rgb;
  return n;
}

std::vector<uint8_t> IcoFile(int w, int h, uint32_t bgra) {
  const uint32_t maskStride = ((w + 31) / 32) * 4;
  const uint32_t image = 40 + w * h * 4 + maskStride * h;
  std::vector<uint8_t> f(22 + image, 0);
  f[2] = 1, f[4] = 1, f[6] = static_cast<uint8_t>(w), f[7] = static_cast<uint8_t>(h), f[10] = 1, f[12] = 32;
  std::memcpy(&f[14], &image, 4);
  f[18] = 22;
  uint8_t* bih = f.data() + 22;
  bih[0] = 40, bih[4] = static_cast<uint8_t>(w), bih[8] = static_cast<uint8_t>(h * 2), bih[12] = 1, bih[14] = 32;
  for (int i = 0; i < w * h; ++i) std::memcpy(bih + 40 + i * 4, &bgra, 4);
  return f;
}

uint32_t Quadrants(int x, int y) {
  if (y < 8) return x < 8 ? 0xFF0000 : 0x00FF00;
  return x < 8 ? 0x0000FF : 0xFFFFFF;
}

template <class G>
void LoadBytes(G& graphic, const std::vector<uint8_t>& bytes) {
  TMemoryStream s;
  s.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  s.SetPosition(0);
  graphic.LoadFromStream(s);
}

class CanvasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gdiBefore_ = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    tracker_ = std::make_unique<GdiTracker>();
    ASSERT_TRUE(tracker_->Active());
  }
  void TearDown() override {
    EXPECT_GT(tracker_->Created(), 0) << "the test made no GDI object: it proves nothing about leaks";
    EXPECT_EQ(tracker_->Live(), std::vector<std::string>()) << "GDI objects left behind";
    tracker_.reset();
    // Where the system counts (Windows does, Wine answers 0), the count must match too.
    DWORD after = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (gdiBefore_ != 0) { EXPECT_EQ(after, gdiBefore_); }
  }
  std::unique_ptr<GdiTracker> tracker_;
  DWORD gdiBefore_ = 0;
};

}  // namespace

// The tracker itself must see what it is meant to see, or the tests below prove nothing.
TEST(GdiTracker, SeesObjectsLeftBehindAndFreed) {
  HBRUSH leaked;
  {
    GdiTracker t;
    ASSERT_TRUE(t.Active());
    TBitmap bmp(2, 2, pf32bit);  // uses CreateDIBSection
    leaked = CreateSolidBrush(0);
    HDC mem = CreateCompatibleDC(nullptr);
    DeleteDC(mem);
    EXPECT_EQ(t.Live().size(), 2u);  // the bitmap's DIB and the brush
    bmp.FreeImage();
    ASSERT_EQ(t.Live().size(), 1u);
    EXPECT_EQ(t.Live()[0].rfind("HBRUSH", 0), 0u);
  }
  DeleteObject(leaked);
}

TEST_F(CanvasTest, FillsFramesAndDrawsWithItsTools) {
  TBitmap bmp(20, 10, pf32bit);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clRed);
  c->FillRect(TRect(0, 0, 20, 10));
  EXPECT_EQ(Rgb(bmp, 19, 9), 0xFF0000u);  // TColor red is 0x0000FF: the pixel's red byte
  c->Brush()->SetColor(0x00FF00);
  c->FrameRect(TRect(2, 2, 8, 8));
  EXPECT_EQ(Rgb(bmp, 2, 5), 0x00FF00u);
  EXPECT_EQ(Rgb(bmp, 4, 4), 0xFF0000u);
  c->Pen()->SetColor(clBlue);
  c->Pen()->SetWidth(1);
  c->MoveTo(10, 0);
  c->LineTo(10, 10);
  EXPECT_EQ(Rgb(bmp, 10, 5), 0x0000FFu);
  EXPECT_EQ(c->PenPos(), TPoint(10, 10));
  c->SetPixels(15, 1, clWhite);
  EXPECT_EQ(c->Pixels(15, 1), clWhite);
  EXPECT_EQ(c->Pixels(500, 1), clNone);
  c->Brush()->SetColor(clYellow);
  c->Pen()->SetStyle(psClear);
  c->Polygon({TPoint(12, 2), TPoint(19, 2), TPoint(19, 9)});
  EXPECT_EQ(Rgb(bmp, 18, 4), 0xFFFF00u);
  EXPECT_EQ(c->ClipRect(), TRect(0, 0, 20, 10));
}

TEST_F(CanvasTest, TextUsesTheFontAndFollowsItsChanges) {
  TBitmap bmp(120, 40, pf32bit);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(TRect(0, 0, 120, 40));
  c->Font()->SetColor(clBlack);
  c->Font()->SetHeight(-12);
  TSize small = c->TextExtent(u"Tarnwick");
  c->Font()->SetHeight(-24);  // replaced while selected: the old handle must not leak
  TSize large = c->TextExtent(u"Tarnwick");
  EXPECT_GT(large.cy, small.cy);
  EXPECT_GT(large.cx, small.cx);
  c->Brush()->SetStyle(bsClear);
  c->TextOut(2, 2, u"Tarnwick");
  EXPECT_GT(CountRgb(bmp, 0x000000), 20);  // black text on white
  EXPECT_EQ(c->PenPos().X, 2 + large.cx);
  c->Font()->SetColor(clRed);
  c->TextRect(TRect(0, 0, 10, 10), 0, 0, u"WWWW");
  EXPECT_GT(CountRgb(bmp, 0xFF0000), 0);
  for (int i = 0; i < 50; ++i) {  // many changes, no growth
    c->Font()->SetName(i % 2 ? u"Tahoma" : u"Arial");
    c->Font()->SetStyle(i % 3 ? TFontStyles{fsBold} : TFontStyles{});
    c->Pen()->SetWidth(1 + i % 3);
    c->Brush()->SetColor(static_cast<TColor>(i));
    c->TextOut(0, 20, u"x");
    c->Rectangle(0, 0, 5, 5);
  }
}

TEST_F(CanvasTest, FormattedTextMeasuresCentresAndEtches) {
  TBitmap bmp(120, 40, pf32bit);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(TRect(0, 0, 120, 40));
  c->Font()->SetColor(clBlack);
  c->Font()->SetHeight(-12);
  // Measuring draws nothing and gives the extent TextExtent gives.
  TRect r(0, 0, 120, 0);
  c->FormattedText(r, u"Tarnwick", DT_SINGLELINE | DT_CALCRECT);
  EXPECT_EQ(r, TRect(0, 0, c->TextWidth(u"Tarnwick"), c->TextHeight(u"Tarnwick")));
  EXPECT_EQ(CountRgb(bmp, 0x000000), 0);
  // Centred: as much white on the left of the text's ink as on its right.
  c->Brush()->SetStyle(bsClear);
  TRect box(0, 0, 120, 20);
  c->FormattedText(box, u"Tarnwick", DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  int left = 120, right = -1;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 120; ++x)
      if (Rgb(bmp, x, y) != 0xFFFFFF) left = std::min(left, x), right = std::max(right, x);
  ASSERT_LE(left, right);
  EXPECT_NEAR(left, 119 - right, 3);
  // Etched: highlight pixels (where the shadow copy does not cover them) and shadow pixels,
  // none in the font's colour, and the font's colour is the text's again afterwards.
  const uint32_t highlight = ColorToRGB(clBtnHighlight), shadow = ColorToRGB(clBtnShadow);
  const auto rgb = [](uint32_t colorref) {
    return (colorref & 0xFF) << 16 | (colorref & 0xFF00) | (colorref >> 16 & 0xFF);
  };
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clRed);
  c->FillRect(TRect(0, 0, 120, 40));
  c->Brush()->SetStyle(bsClear);
  TRect etched(0, 20, 120, 40);
  c->FormattedText(etched, u"Tarnwick", DT_SINGLELINE, true);
  EXPECT_GT(CountRgb(bmp, rgb(highlight)), 0);
  EXPECT_GT(CountRgb(bmp, rgb(shadow)), 10);
  EXPECT_EQ(CountRgb(bmp, 0x000000), 0);
  c->TextOut(0, 0, u"Tarnwick");
  EXPECT_GT(CountRgb(bmp, 0x000000), 10);
}

TEST_F(CanvasTest, BitmapCanvasSurvivesResizeAndKeepsItsFont) {
  TBitmap bmp(4, 4, pf32bit);
  TCanvas* c = bmp.Canvas();
  c->Font()->SetName(u"Arial");
  c->Brush()->SetColor(clRed);
  c->FillRect(TRect(0, 0, 4, 4));
  HDC first = c->Handle();
  bmp.SetSize(30, 30);
  EXPECT_EQ(bmp.Canvas(), c);
  EXPECT_EQ(c->Font()->Name(), u"Arial");
  EXPECT_EQ(GetObjectType(first), 0u) << "the old memory DC must be gone";
  c->Brush()->SetColor(clBlue);
  c->FillRect(TRect(20, 20, 30, 30));
  EXPECT_EQ(Rgb(bmp, 25, 25), 0x0000FFu);  // drawn into the new pixels
  EXPECT_EQ(Rgb(bmp, 1, 1), 0xFF0000u);    // the kept top-left part
  bmp.SetPixelFormat(pf24bit);
  bmp.SetPixelFormat(pf32bit);
  c->FillRect(TRect(0, 0, 2, 2));
  EXPECT_EQ(Rgb(bmp, 0, 0), 0x0000FFu);
}

TEST_F(CanvasTest, BorrowedDCGetsItsOwnObjectsBack) {
  TMemoryDC dc;
  TOwnedBitmap surface(CreateCompatibleBitmap(TClientDC(nullptr), 8, 8));
  TSelectObject keep(dc, surface.get());
  HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT), brush = GetCurrentObject(dc, OBJ_BRUSH),
          pen = GetCurrentObject(dc, OBJ_PEN);
  {
    TCanvas c;
    EXPECT_THROW(c.Handle(), EInvalidOperation);  // nothing to draw on yet
    c.SetHandle(dc);
    c.Brush()->SetColor(clGreen);
    c.Rectangle(0, 0, 8, 8);
    c.TextOut(0, 0, u"a");
    EXPECT_NE(GetCurrentObject(dc, OBJ_FONT), font);
    c.SetHandle(nullptr);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
    c.SetHandle(dc);
    c.FillRect(TRect(0, 0, 1, 1));
  }  // the destructor gives the objects back too
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
}

TEST_F(CanvasTest, ScopesRestoreAndRelease) {
  TBitmap bmp(4, 4, pf32bit);
  HDC dc = bmp.Canvas()->Handle();
  HGDIOBJ before = GetCurrentObject(dc, OBJ_BRUSH);
  TOwnedBrush red(CreateSolidBrush(RGB(255, 0, 0)));
  {
    TSaveDC saved(dc);
    TSelectObject sel(dc, red.get());
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), red.get());
    SetBkMode(dc, TRANSPARENT);
  }
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), before);
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  TCanvasLock lock(*bmp.Canvas());
  EXPECT_EQ(bmp.Canvas()->LockCount(), 1);
}

TEST_F(CanvasTest, DrawsBitmapsStretchedBlendedAndTransparent) {
  TBitmap src(2, 2, pf32bit);
  src.View().At(0, 0) = 0x00FF0000;  // red (B, G, R, A in memory)
  src.View().At(1, 0) = 0x0000FF00;
  src.View().At(0, 1) = 0x000000FF;
  src.View().At(1, 1) = 0x00FFFFFF;
  TBitmap dst(8, 8, pf32bit);
  dst.Canvas()->StretchDraw(TRect(0, 0, 8, 8), &src);
  EXPECT_EQ(Rgb(dst, 1, 1), 0xFF0000u);
  EXPECT_EQ(Rgb(dst, 6, 6), 0xFFFFFFu);

  // 50% white over black, premultiplied and straight.
  TBitmap half(1, 1, pf32bit);
  TBitmap black(2, 1, pf32bit);
  half.View().At(0, 0) = 0x80808080;  // premultiplied white at alpha 128
  half.SetAlphaFormat(afPremultiplied);
  black.Canvas()->Draw(0, 0, &half);
  half.View().At(0, 0) = 0x80FFFFFF;  // straight white at alpha 128
  half.SetAlphaFormat(afDefined);
  black.Canvas()->Draw(1, 0, &half);
  for (int x = 0; x < 2; ++x) EXPECT_NEAR(static_cast<int>(Rgb(black, x, 0) & 0xFF), 128, 2) << x;

  // Transparent: the bottom-left pixel's colour is left out.
  TBitmap key(2, 1, pf32bit);
  key.View().At(0, 0) = 0x00FF00FF;  // fuchsia: the key
  key.View().At(1, 0) = 0x00123456;
  key.SetTransparent(true);
  TBitmap target(2, 1, pf32bit);
  target.Canvas()->Draw(0, 0, &key);
  EXPECT_EQ(Rgb(target, 0, 0), 0u);
  EXPECT_EQ(Rgb(target, 1, 0), 0x123456u);
}

TEST_F(CanvasTest, IconsAndJpegsDrawThroughTheCanvas) {
  TIcon icon;
  LoadBytes(icon, IcoFile(16, 16, 0xFF2080C0));
  ASSERT_NE(icon.Handle(), nullptr);
  TBitmap bmp(16, 16, pf32bit);
  bmp.Canvas()->Draw(0, 0, &icon);
  EXPECT_EQ(Rgb(bmp, 8, 8), 0x2080C0u);

  // An icon made from a handle: measured, saved as an ICO, drawn after a round trip.
  TIcon fromHandle;
  fromHandle.SetHandle(CopyIcon(icon.Handle()));
  EXPECT_EQ(fromHandle.Width(), 16);
  EXPECT_EQ(fromHandle.Height(), 16);
  TMemoryStream saved;
  fromHandle.SaveToStream(saved);
  saved.SetPosition(0);
  TIcon back;
  back.LoadFromStream(saved);
  TBitmap bmp2(16, 16, pf32bit);
  bmp2.Canvas()->Draw(0, 0, &back);
  EXPECT_EQ(Rgb(bmp2, 3, 3), 0x2080C0u);
  HICON released = back.ReleaseHandle();
  EXPECT_TRUE(back.Empty());
  DestroyIcon(released);
  TIcon none;
  none.SetHandle(nullptr);
  EXPECT_TRUE(none.Empty());

  TJPEGImage jpg;
  LoadBytes(jpg, MakeJpeg(16, 16, &Quadrants));
  TBitmap shown(32, 32, pf32bit);
  shown.Canvas()->StretchDraw(TRect(0, 0, 32, 32), &jpg);
  uint32_t br = Rgb(shown, 30, 30);
  EXPECT_GT(br & 0xFF, 240u);
  EXPECT_GT((Rgb(shown, 4, 4) >> 16) & 0xFF, 240u);
}

TEST(ColorToRGB, SystemPaletteRelativeAndSpecialColours) {
  const struct {
    TColor color;
    TColor rgb;
  } kCases[] = {
      {clRed, 0x0000FF},
      {0x00123456, 0x123456},
      // Palette-relative colours (a bitmap's transparent colour) are their low bytes.
      {0x02FF00FF, 0xFF00FF},
      {0x01008000, 0x008000},
      {clNone, 0},
      {clBtnFace, GetSysColor(COLOR_BTNFACE)},
      {clHighlight, GetSysColor(COLOR_HIGHLIGHT)},
      {clDefault, GetSysColor(COLOR_WINDOW)},
  };
  for (const auto& c : kCases) EXPECT_EQ(ColorToRGB(c.color), c.rgb) << std::hex << c.color;
}
