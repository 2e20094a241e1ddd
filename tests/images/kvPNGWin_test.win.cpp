// PNG pictures read from the resources of a module and drawn on canvases.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/sConst.h"
#include "images/kvPNG.h"
#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "raster/GdiBitmaps.h"
#include "raster/Pixels.h"
#include "raster/Regions.h"
#include "raster/Resampling.h"
#include "raster/Shapes.h"
#include "raster/Text.h"
#include "support/GdiTracker.h"
#include "support/PngExpect.h"
#include "support/PngWriter.h"
#include "support/TempDir.h"
#include "support/TrickleStream.h"
#include "ui/Canvas.h"

using namespace testpng;

namespace {

// A copy of this test program with the given RCDATA resources added, opened as a data file.
class ModuleWithResources {
 public:
  ModuleWithResources(const TempDir& dir, const std::vector<std::pair<const wchar_t*, Bytes>>& resources) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    path_ = reinterpret_cast<const wchar_t*>(dir.Path().c_str()) + std::wstring(L"\\with-resources.exe");
    EXPECT_TRUE(CopyFileW(self, path_.c_str(), FALSE));
    HANDLE update = BeginUpdateResourceW(path_.c_str(), FALSE);
    EXPECT_NE(update, nullptr);
    for (auto& [name, bytes] : resources)
      EXPECT_TRUE(UpdateResourceW(update, MAKEINTRESOURCEW(10), name, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                  const_cast<Byte*>(bytes.data()), static_cast<DWORD>(bytes.size())));
    EXPECT_TRUE(EndUpdateResourceW(update, FALSE));
    module_ = LoadLibraryExW(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_NE(module_, nullptr);
  }
  ~ModuleWithResources() {
    if (module_) FreeLibrary(module_);
  }
  HINSTANCE Handle() const { return module_; }

 private:
  std::wstring path_;
  HMODULE module_ = nullptr;
};

}  // namespace

TEST(PNGResource, LoadsTheNamedRCDATAResource) {
  TempDir dir;
  const Image img = RandomImage(12, 9, 6, 8, 40);
  ModuleWithResources module(dir, {{L"TESTPNG", Encode(img)}, {L"NOTAPNG", Bytes(40, 'x')}});
  ASSERT_NE(module.Handle(), nullptr);

  TPNGGraphic png;
  png.LoadFromResourceName(module.Handle(), u"TESTPNG");
  EXPECT_EQ(CompareWithReference(png, Reference::Of(img)), "");

  try {
    png.LoadFromResourceName(module.Handle(), u"NOTAPNG");
    FAIL() << "no error";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), u"Cannot load image. Invalid or unexpected PNG image format.");
  }
  EXPECT_THROW(png.LoadFromResourceName(module.Handle(), u"NOSUCHNAME"), EResNotFound);
}

namespace {

std::unique_ptr<TPNGGraphic> Decoded(const Image& img) {
  auto png = std::make_unique<TPNGGraphic>();
  TMemoryStream s;
  FillStream(s, Encode(img));
  png->LoadFromStream(s);
  return png;
}

// A canvas to draw on, with a pattern to blend over.
std::unique_ptr<TBitmap> Backdrop() {
  auto bmp = std::make_unique<TBitmap>(40, 30, pf32bit);
  for (Integer y = 0; y < 30; ++y)
    for (Integer x = 0; x < 40; ++x)
      bmp->View().At(x, y) = 0xFF000000u | uint32_t(x * 6) << 16 | uint32_t(y * 8) << 8 | 0x40;
  return bmp;
}

// What the canvas must show in r: the picture (already at r's size) blended over the old
// contents by the engine's compositor.
std::unique_ptr<TBitmap> Expected(TBitmap& before, const TRect& r, TBitmap& picture, bool reflected) {
  const Integer h = r.Height();
  std::unique_ptr<TBitmap> e(CreateBmp32(r.Width(), reflected ? h + h / 2 : h));
  CopyPixels(ViewOf(e.get()), 0, 0, ViewOf(&before), TRect(r.Left, r.Top, r.Left + e->Width(), r.Top + e->Height()));
  const TRect whole(0, 0, r.Width(), h);
  CopyBmp32(whole, whole, ViewOf(e.get()), ViewOf(&picture), BackdropOf(EmptyCI), false, clNone, 0, reflected);
  return e;
}

// Colours (not the alpha bytes, which blits do not keep) of the canvas against the expected
// block at (x, y), and the canvas outside the block against what it was before.
std::string CompareCanvas(TBitmap& canvas, TBitmap& before, TBitmap& expected, Integer x0, Integer y0) {
  int bad = 0;
  std::string first;
  for (Integer y = 0; y < canvas.Height(); ++y)
    for (Integer x = 0; x < canvas.Width(); ++x) {
      const bool inside = x >= x0 && y >= y0 && x < x0 + expected.Width() && y < y0 + expected.Height();
      const uint32_t want = (inside ? expected.View().At(x - x0, y - y0) : before.View().At(x, y)) & 0xFFFFFF;
      const uint32_t got = canvas.View().At(x, y) & 0xFFFFFF;
      if (got != want && bad++ == 0) first = "(" + std::to_string(x) + "," + std::to_string(y) + ")";
    }
  return bad ? std::to_string(bad) + " pixels differ, first at " + first : "";
}

}  // namespace

TEST(PNGDraw, BlendsOverTheCanvasWithAndWithoutReflection) {
  const auto png = Decoded(RandomImage(10, 6, 6, 8, 41));
  for (bool reflected : {false, true}) {
    auto canvas = Backdrop();
    TBitmap before;
    before.Assign(canvas.get());
    const TRect r(5, 3, 15, 9);
    png->Reflected = reflected;
    TCanvas* target = canvas->Canvas();
    target->Handle();  // the target's DC exists before: only what Draw makes is counted
    {
      GdiTracker gdi;
      ASSERT_TRUE(gdi.Active());
      png->Draw(target, r);
      EXPECT_GT(gdi.Created(), 0);
      std::string live;
      for (const std::string& h : gdi.Live()) live += h + " ";
      EXPECT_EQ(live, "") << "handles left behind";
    }
    auto expected = Expected(before, r, *png, reflected);
    EXPECT_EQ(CompareCanvas(*canvas, before, *expected, 5, 3), "") << (reflected ? "reflected" : "plain");
  }
}

TEST(PNGDraw, StretchesColoursAndAlphaToTheRectangle) {
  const Image img = RandomImage(8, 5, 6, 8, 42);
  const auto png = Decoded(img);
  // Twice the size: every pixel of the picture becomes a 2 x 2 block.
  TBitmap doubled(16, 10, pf32bit);
  for (Integer y = 0; y < 10; ++y)
    for (Integer x = 0; x < 16; ++x) doubled.View().At(x, y) = png->View().At(x / 2, y / 2);
  auto canvas = Backdrop();
  TBitmap before;
  before.Assign(canvas.get());
  png->Draw(canvas->Canvas(), TRect(3, 4, 19, 14));
  auto expected = Expected(before, TRect(3, 4, 19, 14), doubled, false);
  EXPECT_EQ(CompareCanvas(*canvas, before, *expected, 3, 4), "");
}

TEST(PNGDraw, OtherPicturesDrawAsPlainBitmaps) {
  const Image img = RandomImage(7, 4, 2, 8, 43);
  const auto png = Decoded(img);
  ASSERT_EQ(png->PixelFormat(), pf24bit);
  auto canvas = Backdrop();
  png->Draw(canvas->Canvas(), TRect(2, 2, 9, 6));
  const Reference ref = Reference::Of(img);
  for (uint32_t y = 0; y < 4; ++y)
    for (uint32_t x = 0; x < 7; ++x)
      EXPECT_EQ(canvas->PixelColor(Integer(x) + 2, Integer(y) + 2), ExpectedColor(ref, x, y)) << x << "," << y;
}
