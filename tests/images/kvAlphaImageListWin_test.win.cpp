// The alpha image list over comctl32: items and their "ImgData" into a list read from a form,
// cached pictures at every density, the platform images, files and streams (hostile ones
// included), and the drawing of any image list.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/ManagerLink.h"
#include "base/kvntUtils.h"
#include "images/ImageListSizes.h"
#include "images/kvAlphaImageList.h"
#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "raster/GdiBitmaps.h"
#include "raster/Pixels.h"
#include "raster/Regions.h"
#include "raster/Resampling.h"
#include "raster/Shapes.h"
#include "raster/Text.h"
#include "support/GdiTracker.h"
#include "support/ImageLists.h"
#include "support/TempDir.h"
#include "ui/FormReader.h"
#include "ui/GdiScopes.h"
#include "ui/Icon.h"

namespace {

// Opaque red inside a transparent ring of a quarter of the size.
uint32_t RingedRed(int x, int y, int size) {
  const int m = size / 4;
  return x >= m && y >= m && x < size - m && y < size - m ? 0xFFFF0000 : 0x00000000;
}

// A 32-bit BMP file of w x h pixels of one pixel value.
std::vector<Byte> Bmp32(int w, int h, uint32_t pixel) {
  TBitmap bmp(w, h, pf32bit);
  TPixelView v = bmp.View();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) v.At(x, y) = pixel;
  TMemoryStream s;
  bmp.SaveToStream(s);
  return s.Bytes();
}

// An ICO file of one 32-bit image of one pixel value.
std::vector<Byte> Ico32(int w, int h, uint32_t pixel) {
  const uint32_t maskStride = ((w + 31) / 32) * 4;
  const uint32_t image = 40 + w * h * 4 + maskStride * h;
  std::vector<Byte> f(22 + image, 0);
  f[2] = 1, f[4] = 1, f[6] = Byte(w), f[7] = Byte(h), f[10] = 1, f[12] = 32;
  std::memcpy(&f[14], &image, 4);
  f[18] = 22;
  Byte* bih = f.data() + 22;
  bih[0] = 40, bih[4] = Byte(w), bih[8] = Byte(h * 2), bih[12] = 1, bih[14] = 32;
  for (int i = 0; i < w * h; ++i) std::memcpy(bih + 40 + i * 4, &pixel, 4);
  return f;
}

// A list made in code, ready at once.
std::unique_ptr<TsAlphaImageList> NewList(int w, int h) {
  auto list = std::make_unique<TsAlphaImageList>(nullptr);
  list->AfterConstruction();
  list->SetWidth(w);
  list->SetHeight(h);
  return list;
}

TsImgListItem* AddItem(TsAlphaImageList& list, const std::vector<Byte>& bytes, TsImageFormat format) {
  TsImgListItem* item = list.Items()->Add();
  item->ImgData->WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  item->ImgData->SetPosition(0);
  item->SetImageFormat(format);
  return item;
}

std::unique_ptr<TBitmap> Bitmap32(TkvImageList& list, int index, int w, int h) {
  return std::unique_ptr<TBitmap>(list.CreateBitmap32(index, w, h, 0));
}

uint32_t PixelAt(TBitmap& bmp, int x, int y) { return bmp.View().At(x, y); }

// Each byte within tolerance of the expected pixel (resampling and the mixing rule, whose
// full weight is 255/256, move bytes by a few steps).
::testing::AssertionResult Near(uint32_t got, uint32_t want, int tolerance = 6) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int g = got >> shift & 0xFF, w = want >> shift & 0xFF;
    if (std::abs(g - w) > tolerance) return ::testing::AssertionFailure() << std::hex << got << " is not near " << want;
  }
  return ::testing::AssertionSuccess();
}

bool SamePixels(TBitmap& a, TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.View().At(x, y) != b.View().At(x, y)) return false;
  return true;
}

// The platform list's image index as 32-bit pixels (colour bitmap of its icon).
std::unique_ptr<TBitmap> PlatformPicture(TCustomImageList& list, int index) {
  auto out = std::make_unique<TBitmap>();
  TOwnedIcon icon(ImageList_GetIcon(list.Handle(), index, ILD_NORMAL));
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon.get(), &info)) return out;
  TOwnedBitmap color(info.hbmColor), mask(info.hbmMask);
  BITMAP bm{};
  GetObjectW(info.hbmColor, sizeof bm, &bm);
  out->SetPixelFormat(pf32bit);
  out->SetSize(bm.bmWidth, bm.bmHeight);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = bm.bmWidth;
  bi.bmiHeader.biHeight = bm.bmHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  TClientDC screen(nullptr);
  GetDIBits(screen, info.hbmColor, 0, bm.bmHeight, out->ScanLine(bm.bmHeight - 1), &bi, DIB_RGB_COLORS);
  return out;
}

class AlphaImageList : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { kvAlphaImageListStartup(); }
};

}  // namespace

TEST_F(AlphaImageList, ItemsRoundTripThroughImgDataIntoAListReadFromAForm) {
  auto source = NewList(24, 24);
  AddItem(*source, PngOf(24, 24, [](int x, int y) { return RingedRed(x, y, 24); }), ifPNG);
  AddItem(*source, Ico32(24, 24, 0x8000FF00), ifICO)->SetPixelFormat(pf24bit);
  AddItem(*source, Bmp32(24, 24, 0xFF0000FF), ifBMP32);
  source->Items()->Items(0)->SetImageName(u"ring");
  source->GenerateStdList();
  ASSERT_EQ(source->Count(), 3);

  // What a form description holds: the list's properties and each item's, ImgData as bytes.
  TsAlphaImageList read(nullptr);
  read.SetLoading(true);
  read.AfterConstruction();
  EXPECT_FALSE(read.FLoaded);
  GetPropInfo(&read, u"Width")->SetOrd(read, 24);
  GetPropInfo(&read, u"Height")->SetOrd(read, 24);
  for (int i = 0; i < source->Items()->Count(); ++i) {
    const TsImgListItem* from = source->Items()->Items(i);
    TsImgListItem* to = read.Items()->Add();
    for (const TPropInfo* p : TsImgListItem::StaticClass().Properties()) {
      if (p->Kind == TTypeKind::Binary) {
        TMemoryStream value;
        p->WriteData(*from, value);
        EXPECT_EQ(value.Bytes(), from->ImgData->Bytes());
        value.SetPosition(0);
        p->ReadData(*to, value);
      } else if (p->Kind == TTypeKind::String) {
        p->SetStr(*to, p->GetStr(*from));
      } else {
        p->SetOrd(*to, p->GetOrd(*from));
      }
    }
  }
  read.SetLoading(false);
  read.Loaded();
  EXPECT_TRUE(read.FLoaded);
  EXPECT_EQ(read.SavedWidth, 24);
  ASSERT_EQ(read.Count(), 3);
  EXPECT_EQ(ImageList_GetImageCount(read.Handle()), 3);
  EXPECT_EQ(read.Items()->Items(0)->ImageName(), u"ring");
  EXPECT_EQ(read.Items()->Items(1)->PixelFormat(), pf24bit);
  for (int i = 0; i < 3; ++i) {
    auto a = Bitmap32(*source, i, 24, 24), b = Bitmap32(read, i, 24, 24);
    EXPECT_TRUE(SamePixels(*a, *b)) << i;
  }
  EXPECT_EQ(read.Items()->Items(1)->OrigWidth, 24);
}

TEST_F(AlphaImageList, CachedBitmapsHaveTheRightSizeAndAlphaAtEveryDensity) {
  auto list = NewList(16, 16);
  AddItem(*list, PngOf(64, 64, [](int x, int y) { return RingedRed(x, y, 64); }), ifPNG);
  list->GenerateStdList();
  TsImgListItem* item = list->Items()->Items(0);
  EXPECT_EQ(item->OrigWidth, 64);
  for (int ppi : {96, 120, 144, 192}) {
    const int side = 16 * ppi / 96;
    SCOPED_TRACE(ppi);
    EXPECT_EQ(GetImageWidth(list.get(), 0, ppi, false), side);
    auto bmp = Bitmap32(*list, 0, side, side);
    ASSERT_EQ(bmp->Width(), side);
    ASSERT_EQ(bmp->Height(), side);
    EXPECT_EQ(bmp->PixelFormat(), pf32bit);
    EXPECT_EQ(PixB(PixelAt(*bmp, 0, 0) >> 24), 0);                      // the ring stays transparent
    EXPECT_TRUE(Near(PixelAt(*bmp, side / 2, side / 2), 0xFFFF0000u));  // the centre opaque red
    ASSERT_NE(item->CacheBmp, nullptr);
    EXPECT_EQ(item->CacheBmp->Width(), side);
    // The same size again comes from the cache, equal.
    TBitmap* cache = item->CacheBmp;
    auto again = Bitmap32(*list, 0, side, side);
    EXPECT_EQ(item->CacheBmp, cache);
    EXPECT_TRUE(SamePixels(*bmp, *again));
  }
  // Without the cache nothing is kept.
  list->SetUseCache(false);
  EXPECT_EQ(item->CacheBmp, nullptr);
  Bitmap32(*list, 0, 20, 20);
  EXPECT_EQ(item->CacheBmp, nullptr);
}

TEST_F(AlphaImageList, GetBitmap32CachesOnlyAtTheListSize) {
  auto list = NewList(16, 16);
  AddItem(*list, PngOf(32, 32, [](int x, int y) { return RingedRed(x, y, 32); }), ifPNG);
  list->GenerateStdList();
  TsImgListItem* item = list->Items()->Items(0);
  TBitmap other(24, 24, pf32bit);
  EXPECT_TRUE(list->GetBitmap32(0, &other, 0));
  EXPECT_EQ(item->CacheBmp, nullptr);
  EXPECT_TRUE(Near(PixelAt(other, 12, 12), 0xFFFF0000u));
  TBitmap own(16, 16, pf32bit);
  EXPECT_TRUE(list->GetBitmap32(0, &own, 0));
  ASSERT_NE(item->CacheBmp, nullptr);
  EXPECT_TRUE(SamePixels(own, *item->CacheBmp));
  TBitmap stored(32, 32, pf32bit);
  EXPECT_TRUE(list->GetBitmap32(0, &stored, 0));  // the stored size: decoded as it is
  EXPECT_EQ(PixelAt(stored, 0, 0) >> 24, 0u);
  EXPECT_FALSE(list->GetBitmap32(1, &own, 0));
  EXPECT_FALSE(list->GetBitmap32(0, nullptr, 0));
}

// An item that holds no file has nothing to decode: its picture is the platform image with
// the alpha of that image's mask, as for a list without items.
TEST_F(AlphaImageList, AnItemWithoutDataTakesItsAlphaFromThePlatformMask) {
  auto list = NewList(16, 16);
  // Half-transparent red inside a transparent ring.
  TsImgListItem* item =
      AddItem(*list, PngOf(16, 16, [](int x, int y) { return RingedRed(x, y, 16) ? 0x80FF0000u : 0u; }), ifPNG);
  list->GenerateStdList();
  list->SetUseCache(false);
  auto decoded = Bitmap32(*list, 0, 16, 16);
  ASSERT_EQ(PixA(PixelAt(*decoded, 8, 8)), 0x80);  // from the file
  item->ImgData->Clear();
  auto masked = Bitmap32(*list, 0, 16, 16);
  ASSERT_EQ(masked->Width(), 16);
  EXPECT_EQ(PixA(PixelAt(*masked, 8, 8)), 255);  // inside the mask
  EXPECT_EQ(PixA(PixelAt(*masked, 1, 1)), 0);    // outside it
}

// Old systems may give icons without any alpha. A new bitmap is then repaired when there is no
// manager to say otherwise; a bitmap the caller fills only when the screen is not 32-bit.
TEST_F(AlphaImageList, OnOldSystemsEmptyAlphaIsRepairedByTheRuleOfEachCall) {
  ASSERT_EQ(DefaultManagerLink(), nullptr);
  auto list = NewList(16, 16);
  // Blue without any alpha, its bottom-left pixel (the first of the bottom-up rows) white: the
  // repair takes that colour as the transparent one and makes every other pixel opaque.
  std::vector<Byte> ico = Ico32(16, 16, 0x000000FF);
  const uint32_t white = 0x00FFFFFF;
  std::memcpy(&ico[22 + 40], &white, 4);
  AddItem(*list, ico, ifICO);
  list->GenerateStdList();
  TBitmap probe(16, 16, pf32bit);
  ASSERT_TRUE(list->GetBitmap32(0, &probe, 0));
  ASSERT_EQ(PixA(PixelAt(probe, 8, 8)), 0);  // nothing repairs it on this system
  const Byte major = kvWinMajorVer, minor = kvWinMinorVer;
  kvWinMajorVer = 5, kvWinMinorVer = 1;
  TBitmap filled(16, 16, pf32bit);
  const bool got = list->GetBitmap32(0, &filled, 0);
  auto created = Bitmap32(*list, 0, 16, 16);
  kvWinMajorVer = major, kvWinMinorVer = minor;
  ASSERT_TRUE(got);
  EXPECT_EQ(PixA(PixelAt(filled, 8, 8)), GetBpp() < 32 ? 255 : 0);
  EXPECT_EQ(PixA(PixelAt(*created, 8, 8)), 255);
}

TEST_F(AlphaImageList, BlendColorTonesPngItemsOnly) {
  auto list = NewList(16, 16);
  AddItem(*list, PngOf(16, 16, [](int, int) { return 0xFFFF0000; }), ifPNG);
  AddItem(*list, Bmp32(16, 16, 0xFFFF0000), ifBMP32);
  list->GenerateStdList();
  list->SetBlendColor(clBlue);
  auto png = Bitmap32(*list, 0, 16, 16), bmp = Bitmap32(*list, 1, 16, 16);
  EXPECT_NE(PixelAt(*png, 8, 8), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(*bmp, 8, 8), 0xFFFF0000u);
  kvIgnoreBlendColor = true;
  list->ClearCache(-1);
  EXPECT_EQ(PixelAt(*Bitmap32(*list, 0, 16, 16), 8, 8), 0xFFFF0000u);
  kvIgnoreBlendColor = false;
}

// A list that is not square resamples an image to its own width and height, so the picture
// keeps its proportions instead of being squeezed.
TEST_F(AlphaImageList, IconsAreResampledToTheListsWidthAndHeight) {
  auto list = NewList(32, 16);
  // Left half red, right half blue, 48 x 24: the list's proportions.
  AddItem(*list, PngOf(48, 24, [](int x, int) { return x < 24 ? 0xFFFF0000 : 0xFF0000FF; }), ifPNG);
  list->GenerateStdList();
  auto pic = PlatformPicture(*list, 0);
  ASSERT_EQ(pic->Width(), 32);
  ASSERT_EQ(pic->Height(), 16);
  for (int y : {1, 8, 14}) {
    EXPECT_TRUE(Near(PixelAt(*pic, 4, y), 0xFFFF0000u)) << y;
    EXPECT_TRUE(Near(PixelAt(*pic, 28, y), 0xFF0000FFu)) << y;
  }
  // The picture handed to the platform has the list's size, not a square.
  TBitmap wide(48, 24, pf32bit);
  std::unique_ptr<TBitmap> resampled(list->ResampledForList(&wide));
  ASSERT_NE(resampled, nullptr);
  EXPECT_EQ(resampled->Width(), 32);
  EXPECT_EQ(resampled->Height(), 16);
  TBitmap exact(32, 16, pf32bit);
  EXPECT_EQ(list->ResampledForList(&exact), nullptr);
  // A source below 2 pixels leaves the picture at alpha 1.
  TBitmap dot(1, 1, pf32bit);
  resampled.reset(list->ResampledForList(&dot));
  EXPECT_EQ(resampled->Width(), 32);
  EXPECT_EQ(resampled->Height(), 16);
  list->AddAsIcon(&dot, -1);
  auto tiny = PlatformPicture(*list, 1);
  ASSERT_EQ(tiny->Width(), 32);
  EXPECT_EQ(PixelAt(*tiny, 10, 10) >> 24, 1u);
}

TEST_F(AlphaImageList, FilesLoadAndBrokenOnesAreRefusedWithTheListsError) {
  TempDir dir;
  auto write = [&](const char16_t* name, const std::vector<Byte>& bytes) {
    const String path = dir.Path() + u"/" + name;
    TFileStream f(path, fmCreate);
    f.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
    return path;
  };
  auto list = NewList(16, 16);
  list->GenerateStdList();
  EXPECT_TRUE(list->TryLoadFromFile(write(u"arrow.png", PngOf(16, 16, [](int, int) { return 0xFF00FF00; }))));
  EXPECT_TRUE(list->TryLoadFromFile(write(u"box.ico", Ico32(16, 16, 0xFF0000FF))));
  EXPECT_TRUE(list->TryLoadFromFile(write(u"flat.bmp", Bmp32(16, 16, 0xFFFFFF00))));
  ASSERT_EQ(list->Count(), 3);
  EXPECT_EQ(list->Items()->Items(0)->ImageName(), u"arrow");
  EXPECT_EQ(list->Items()->Items(1)->ImageFormat(), ifICO);
  EXPECT_EQ(list->Items()->Items(1)->PixelFormat(), pf32bit);
  EXPECT_EQ(list->Items()->Items(2)->ImageFormat(), ifBMP32);
  EXPECT_EQ(ImageList_GetImageCount(list->Handle()), 3);

  std::vector<Byte> hostileIco = Ico32(16, 16, 0xFF0000FF);
  hostileIco[4] = 0xFF;  // 255 directory entries in a file that holds one
  std::vector<Byte> hostileBmp = Bmp32(16, 16, 0xFF000000);
  hostileBmp[22] = 0xFF, hostileBmp[23] = 0xFF;  // 65535 rows
  std::vector<Byte> brokenPng = PngOf(16, 16, [](int, int) { return 0xFF000000; });
  brokenPng.resize(40);
  const String files[] = {write(u"hostile.ico", hostileIco), write(u"hostile.bmp", hostileBmp),
                          write(u"broken.png", brokenPng), write(u"text.gif", {'G', 'I', 'F', '8', '9', 'a'})};
  for (const String& f : files) {
    EXPECT_FALSE(list->TryLoadFromFile(f)) << StringToUtf8(f);
    try {
      list->LoadFromFile(f);
      ADD_FAILURE() << "no error for " << StringToUtf8(f);
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), u"Cannot load " + f + u"\r\nInvalid or unexpected image format.");
    }
  }
  // Nothing was half added.
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(ImageList_GetImageCount(list->Handle()), 3);
}

TEST_F(AlphaImageList, HostileItemDataRaiseTheReadersErrorAndLeaveTheListUsable) {
  auto list = NewList(16, 16);
  std::vector<Byte> ico = Ico32(16, 16, 0xFF0000FF);
  ico[22 + 14] = 3;  // a 3-bit image
  AddItem(*list, ico, ifICO);
  try {
    list->GenerateStdList();
    ADD_FAILURE() << "accepted";
  } catch (const EInvalidGraphic& e) { EXPECT_EQ(e.Message(), u"Invalid icon"); }
  EXPECT_FALSE(list->AcChanging);
  std::vector<Byte> bmp = Bmp32(4, 4, 0xFF000000);
  bmp[10] = 0xF0, bmp[11] = 0xFF;  // pixels far beyond the end
  list->Clear();
  AddItem(*list, bmp, ifBMP32);
  EXPECT_THROW(list->GenerateStdList(), EInvalidGraphic);
  list->Clear();
  AddItem(*list, PngOf(16, 16, [](int, int) { return 0xFF000000; }), ifPNG);
  list->GenerateStdList();
  EXPECT_EQ(list->Count(), 1);
}

TEST_F(AlphaImageList, PngStreams) {
  auto list = NewList(16, 16);
  list->GenerateStdList();
  const std::vector<Byte> png = PngOf(16, 16, [](int, int) { return 0xFF00FF00; });
  TMemoryStream good;
  good.WriteBuffer(png.data(), static_cast<Integer>(png.size()));
  good.SetPosition(0);
  EXPECT_TRUE(list->TryLoadFromPngStream(good));
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(list->Items()->Items(0)->ImgData->Bytes(), png);
  TMemoryStream junk;
  junk.WriteBuffer("junk data, no picture", 21);
  junk.SetPosition(0);
  EXPECT_FALSE(list->TryLoadFromPngStream(junk));
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(ImageList_GetImageCount(list->Handle()), 1);
  TsAlphaImageList unmade(nullptr);  // no platform list
  good.SetPosition(0);
  EXPECT_FALSE(unmade.TryLoadFromPngStream(good));
}

TEST_F(AlphaImageList, WithoutDoubleDataTheItemsGoAndComeBackAsIcons) {
  auto list = NewList(16, 16);
  list->DoubleData = false;
  AddItem(*list, PngOf(16, 16, [](int, int) { return 0xFF00FF00; }), ifPNG);
  AddItem(*list, PngOf(16, 16, [](int, int) { return 0xFF0000FF; }), ifPNG);
  list->GenerateStdList();
  EXPECT_EQ(list->Items()->Count(), 0);
  EXPECT_EQ(ImageList_GetImageCount(list->Handle()), 2);
  EXPECT_EQ(list->Count(), 2);  // rebuilt from the platform list
  ASSERT_EQ(list->Items()->Count(), 2);
  EXPECT_EQ(list->Items()->Items(0)->ImageFormat(), ifICO);
  TIcon icon;
  list->Items()->Items(1)->ImgData->SetPosition(0);
  icon.LoadFromStream(*list->Items()->Items(1)->ImgData);
  EXPECT_EQ(icon.Width(), 16);
}

TEST_F(AlphaImageList, TheRegistryKnowsEveryLiveListInOrder) {
  static std::vector<TkvImageList*> seen;
  seen.clear();
  auto a = NewList(16, 16);
  auto b = std::make_unique<TsCharImageList>(nullptr);
  auto c = NewList(16, 16);
  const TkvImageList* freed = b.get();
  b.reset();
  IterateImageLists(
      [](TkvImageList* l, Integer data) {
        EXPECT_EQ(data, 7);
        seen.push_back(l);
      },
      7);
  auto ia = std::find(seen.begin(), seen.end(), a.get()), ic = std::find(seen.begin(), seen.end(), c.get());
  ASSERT_NE(ia, seen.end());
  ASSERT_NE(ic, seen.end());
  EXPECT_LT(ia - seen.begin(), ic - seen.begin());
  EXPECT_EQ(std::find(seen.begin(), seen.end(), freed), seen.end());  // a freed list is gone
}

TEST_F(AlphaImageList, TheBitmapPropertyHoldsOnlyAnEmptyList) {
  auto list = NewList(16, 16);
  AddItem(*list, PngOf(16, 16, [](int, int) { return 0xFF00FF00; }), ifPNG);
  list->GenerateStdList();
  TMemoryStream value;
  GetPropInfo(list.get(), u"Bitmap")->WriteData(*list, value);
  value.SetPosition(0);
  TImageList back(nullptr);
  back.ReadData(value);
  EXPECT_EQ(back.Count(), 0);
  EXPECT_EQ(back.Width(), 1);
  // Reading ignores whatever is there.
  value.SetPosition(0);
  GetPropInfo(list.get(), u"Bitmap")->ReadData(*list, value);
  EXPECT_EQ(list->Count(), 1);
}

// ---- drawing any image list ------------------------------------------------------------------

TEST_F(AlphaImageList, DrawAlphaImgListDrawsOneCellOfTheState) {
  auto list = NewList(48, 16);
  // Three 16 x 16 cells: red, green, blue.
  AddItem(*list, PngOf(48, 16, [](int x, int) { return x < 16   ? 0xFFFF0000
                                                       : x < 32 ? 0xFF00FF00
                                                                : 0xFF0000FF; }),
          ifPNG);
  list->GenerateStdList();
  TBitmap dst(64, 32, pf32bit);
  EXPECT_EQ(DrawAlphaImgList(list.get(), &dst, 2, 3, 0, 0, clNone, 5, 3, false, 96), TSize(16, 16));
  EXPECT_TRUE(Near(PixelAt(dst, 10, 10), 0xFF0000FFu));  // state 5 of 3: the third cell
  EXPECT_EQ(PixelAt(dst, 20, 10), 0u);
  TBitmap whole(64, 32, pf32bit);
  EXPECT_EQ(DrawAlphaImgList(list.get(), &whole, 0, 0, 0, 0, clNone, 0, 0, false, 96), TSize(48, 16));
  EXPECT_TRUE(Near(PixelAt(whole, 40, 8), 0xFF0000FFu));
  // At 192 PPI everything doubles.
  TBitmap big(128, 64, pf32bit);
  EXPECT_EQ(DrawAlphaImgList(list.get(), &big, 0, 0, 0, 0, clNone, 1, 3, false, 192), TSize(32, 32));
  EXPECT_TRUE(Near(PixelAt(big, 16, 16), 0xFF00FF00u));
  EXPECT_EQ(list->PixelsPerInch, 96);  // back to 96 afterwards
  // Nothing for a target without width or a negative index.
  TBitmap none;
  EXPECT_EQ(DrawAlphaImgList(list.get(), &none, 0, 0, 0, 0, clNone, 0, 1, false, 96), TSize());
  EXPECT_EQ(DrawAlphaImgList(list.get(), &dst, 0, 0, -1, 0, clNone, 0, 1, false, 96), TSize());
  // Half transparent: the mixing rule at weight 255 - 50 x 255 / 100 = 128.
  TBitmap half(16, 16, pf32bit);
  DrawAlphaImgList(list.get(), &half, 0, 0, 0, 50, clNone, 0, 3, false, 96);
  EXPECT_TRUE(Near(PixelAt(half, 8, 8) & 0xFF0000, 0x7F0000, 2));
}

TEST_F(AlphaImageList, PlainListsDrawOverACopyOfTheBackground) {
  TImageList plain(nullptr);
  plain.SetColorDepth(cd32Bit);
  TBitmap green(16, 16, pf32bit);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) green.View().At(x, y) = y < 8 ? 0xFF00FF00 : 0x00000000;
  plain.Add(&green, nullptr);
  TBitmap dst(32, 32, pf32bit);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) dst.View().At(x, y) = 0xFF808080;
  EXPECT_EQ(DrawAlphaImgList(&plain, &dst, 8, 8, 0, 0, clNone, 0, 1, false, 144), TSize(16, 16));
  EXPECT_EQ(PixelAt(dst, 12, 10) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(PixelAt(dst, 12, 20) & 0xFFFFFF, 0x808080u);  // the background shows through
  EXPECT_EQ(GetImageWidth(&plain, 0, 144, false), 16);    // a plain list is not scaled
  EXPECT_EQ(GetImageCount(&plain), 1);
  EXPECT_EQ(GetImageCount(nullptr), 0);
}

TEST_F(AlphaImageList, DrawingLeaksNoHandle) {
  auto list = NewList(16, 16);
  AddItem(*list, PngOf(16, 16, [](int x, int y) { return RingedRed(x, y, 16); }), ifPNG);
  list->GenerateStdList();
  list->ClearCache(-1);
  GdiTracker tracker;
  ASSERT_TRUE(tracker.Active());
  {
    TBitmap dst(32, 32, pf32bit);
    DrawAlphaImgList(list.get(), &dst, 0, 0, 0, 0, clNone, 0, 1, true, 120);
    TMemoryDC dc(nullptr);
    DrawAlphaImgListDC(list.get(), dc.get(), 0, 0, 0, 0, clNone, 0, 1, false, 96);
    list->Draw(dst.Canvas(), 0, 0, 0);
    list->GenerateStdList();
    list->ClearCache(-1);  // the cached pictures belong to the list, not to the drawing
  }
  EXPECT_TRUE(tracker.Live().empty()) << tracker.Live().front();
}

// The shell's small-icon list is used this way: a list over a handle it does not own.
TEST_F(AlphaImageList, AListOverASharedHandleDrawsItsIconsAndLeavesTheHandleAlone) {
  HIMAGELIST shared = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 4);
  for (uint32_t pixel : {0xFFFF0000u, 0xFF00FF00u}) {
    TBitmap bmp(16, 16, pf32bit);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) bmp.View().At(x, y) = pixel;
    TOwnedIcon icon(MakeIcon32(&bmp, false));
    ImageList_ReplaceIcon(shared, -1, icon.get());
  }
  {
    TsAlphaImageList list(nullptr);
    list.AfterConstruction();
    list.KvBeginUpdate();
    list.SetShareImages(true);
    list.SetHandle(shared);
    list.SetAllowScale(false);
    list.KvEndUpdate(false);
    ImageList_SetBkColor(list.Handle(), CLR_NONE);
    EXPECT_EQ(list.Width(), 16);
    ASSERT_EQ(list.Count(), 2);  // icon items made from the handle's images
    EXPECT_EQ(list.Items()->Items(1)->ImageFormat(), ifICO);
    TBitmap dst(16, 16, pf32bit);
    EXPECT_EQ(DrawAlphaImgList(&list, &dst, 0, 0, 1, 0, clNone, 0, 1, false, 96), TSize(16, 16));
    EXPECT_TRUE(Near(PixelAt(dst, 8, 8), 0xFF00FF00u));
  }
  EXPECT_EQ(ImageList_GetImageCount(shared), 2);  // still there, untouched
  ImageList_Destroy(shared);
}

// ---- lists in form descriptions --------------------------------------------------------------

namespace {

class TImgListTestRoot : public TComponent {
  TW_CLASS(TImgListTestRoot, TComponent)
  using TComponent::TComponent;
};
TW_DEFINE_CLASS(TImgListTestRoot) {}

std::string Hex(const std::vector<Byte>& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  for (Byte b : bytes) {
    s += digits[b >> 4];
    s += digits[b & 15];
  }
  return s;
}

}  // namespace

TEST_F(AlphaImageList, ItemsComeBackFromAFormDescriptionThroughImgData) {
  RegisterClass<TImgListTestRoot>();
  RegisterClass<TsAlphaImageList>();
  RegisterClass<TsCharImageList>();
  // What the item writes as ImgData is what a description carries.
  auto source = NewList(24, 24);
  TsImgListItem* png = AddItem(*source, PngOf(24, 24, [](int x, int y) { return RingedRed(x, y, 24); }), ifPNG);
  AddItem(*source, Bmp32(24, 24, 0xFF0000FF), ifBMP32);
  source->GenerateStdList();
  std::string items;
  for (int i = 0; i < 2; ++i) {
    TMemoryStream value;
    GetPropInfo(source->Items()->Items(i), u"ImgData")->WriteData(*source->Items()->Items(i), value);
    items += std::string("      item\n        ImageFormat = ") + (i == 0 ? "ifPNG" : "ifBMP32") +
             "\n        ImageName = \"pic" + std::to_string(i) + "\"\n        ImgData = {" + Hex(value.Bytes()) +
             "}\n      end\n";
  }
  const std::string text =
      "object Root: TImgListTestRoot\n  object Glyphs: TsAlphaImageList\n    Height = 24\n"
      "    Width = 24\n    Items = <\n" +
      items +
      "    >\n  end\n"
      "  object Chars: TsCharImageList\n    Height = 20\n    Width = 20\n    Items = <\n"
      "      item\n        Char = 61452\n        ScalingFactor = 0\n        Color = clRed\n"
      "      end>\n  end\nend\n";
  TImgListTestRoot root(nullptr);
  ReadComponentUtf8(&root, text);
  auto* read = dynamic_cast<TsAlphaImageList*>(root.FindComponent(u"Glyphs"));
  ASSERT_NE(read, nullptr);
  EXPECT_TRUE(read->FLoaded);
  ASSERT_EQ(read->Count(), 2);
  EXPECT_EQ(ImageList_GetImageCount(read->Handle()), 2);
  EXPECT_EQ(read->Items()->Items(0)->ImgData->Bytes(), png->ImgData->Bytes());
  EXPECT_EQ(read->Items()->Items(1)->ImageName(), u"pic1");
  for (int i = 0; i < 2; ++i) {
    auto a = Bitmap32(*source, i, 24, 24), b = Bitmap32(*read, i, 24, 24);
    EXPECT_TRUE(SamePixels(*a, *b)) << i;
  }
  auto* chars = dynamic_cast<TsCharImageList*>(root.FindComponent(u"Chars"));
  ASSERT_NE(chars, nullptr);
  ASSERT_EQ(chars->Count(), 1);
  EXPECT_GT(chars->Items()->Items(0)->ScalingFactor(), 0.5);  // the font's own scaling
  EXPECT_EQ(chars->Items()->Items(0)->Color(), clNone);
  EXPECT_TRUE(chars->HandleAllocated());
}
