#include "ui/Bitmap.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

TEST(Bitmap, GeometryAndRows) {
  TBitmap bmp(5, 3, pf32bit);
  EXPECT_EQ(bmp.Width(), 5);
  EXPECT_EQ(bmp.Height(), 3);
  EXPECT_EQ(bmp.Stride(), 20);
  EXPECT_EQ(bmp.RowDelta(), -20);  // bottom-up, as a DIB
  auto* r0 = static_cast<Byte*>(bmp.ScanLine(0));
  auto* r1 = static_cast<Byte*>(bmp.ScanLine(1));
  EXPECT_EQ(r1 - r0, -20);
  TPixelView v = bmp.View();
  ASSERT_FALSE(v.Empty());
  v.At(4, 2) = 0x11223344;
  EXPECT_EQ(static_cast<uint32_t*>(bmp.ScanLine(2))[4], 0x11223344u);
  EXPECT_EQ(bmp.PixelColor(4, 2), 0x443322u);  // red in byte 0
  EXPECT_THROW(bmp.ScanLine(3), ERangeError);
  EXPECT_THROW(bmp.ScanLine(-1), ERangeError);
}

TEST(Bitmap, StridePadsToFourBytes) {
  struct Case {
    Integer w;
    TPixelFormat f;
    Integer stride;
  } cases[] = {
      {1, pf1bit, 4}, {33, pf1bit, 8}, {3, pf4bit, 4},   {9, pf4bit, 8},
      {5, pf8bit, 8}, {1, pf24bit, 4}, {5, pf24bit, 16}, {3, pf32bit, 12},
  };
  for (auto c : cases) EXPECT_EQ(TBitmap::StrideFor(c.w, c.f), c.stride) << c.w << " " << c.f;
}

TEST(Bitmap, ResizeKeepsTopLeftAndRefusesImpossibleSizes) {
  TBitmap bmp(2, 2, pf32bit);
  bmp.View().At(1, 1) = 0xAABBCCDD;
  bmp.SetSize(3, 4);
  EXPECT_EQ(bmp.View().At(1, 1), 0xAABBCCDDu);
  EXPECT_EQ(bmp.View().At(2, 3), 0u);
  EXPECT_THROW(bmp.SetSize(-1, 5), EOutOfResources);
  EXPECT_THROW(bmp.SetSize(100000, 100000), EOutOfResources);
  EXPECT_THROW(bmp.SetSize(0x3A000005, 1), EOutOfResources);  // a row wider than 2^31 bytes
  EXPECT_EQ(TBitmap::StrideFor(0x3A000005, pf32bit), INT32_MAX);
  EXPECT_EQ(bmp.Width(), 3);  // unchanged after a failed resize
  EXPECT_EQ(bmp.View().At(1, 1), 0xAABBCCDDu);
  bmp.SetSize(0, 7);
  EXPECT_TRUE(bmp.Empty());
  EXPECT_TRUE(bmp.View().Empty());
}

TEST(Bitmap, GrowsFromAnEmptyExtent) {
  // A bitmap with a height but no width (or the reverse) has no pixels to keep.
  for (auto [w, h] : {std::pair{0, 5}, std::pair{5, 0}}) {
    TBitmap bmp(0, 0, pf32bit);
    bmp.SetSize(w, h);
    bmp.SetSize(3, 2);
    ASSERT_EQ(bmp.Width(), 3);
    ASSERT_EQ(bmp.Height(), 2);
    EXPECT_EQ(bmp.View().At(2, 1), 0u);
  }
}

TEST(Bitmap, PixelFormatConversionKeepsColours) {
  TBitmap bmp(2, 1, pf32bit);
  bmp.View().At(0, 0) = 0xFF0000FF;  // blue pixel (B in byte 0)
  bmp.View().At(1, 0) = 0xFFFFFFFF;
  bmp.SetPixelFormat(pf24bit);
  EXPECT_EQ(bmp.PixelColor(0, 0), clBlue);
  EXPECT_EQ(bmp.PixelColor(1, 0), clWhite);
  bmp.SetPixelFormat(pf1bit);
  EXPECT_EQ(bmp.PixelColor(0, 0), clBlack);  // nearest of black and white
  EXPECT_EQ(bmp.PixelColor(1, 0), clWhite);
  bmp.SetPixelFormat(pf32bit);
  EXPECT_EQ(bmp.View().At(1, 0) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(Bitmap, AssignCopiesPixelsAndSettings) {
  TBitmap a(3, 2, pf32bit), b;
  a.View().At(2, 1) = 0x01020304;
  a.SetAlphaFormat(afPremultiplied);
  b.Assign(&a);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.PixelFormat(), pf32bit);
  EXPECT_EQ(b.AlphaFormat(), afPremultiplied);
  EXPECT_EQ(b.View().At(2, 1), 0x01020304u);
  a.View().At(2, 1) = 0;
  EXPECT_EQ(b.View().At(2, 1), 0x01020304u);  // a copy, not shared memory
}

TEST(Bitmap, BmpFileRoundTripAndRejectsDamage) {
  TBitmap a(3, 2, pf32bit);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) a.View().At(x, y) = 0x80000000u | uint32_t(y * 3 + x);
  TMemoryStream m;
  a.SaveToStream(m);
  m.SetPosition(0);
  TBitmap b;
  b.LoadFromStream(m);
  ASSERT_EQ(b.Width(), 3);
  ASSERT_EQ(b.Height(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(b.View().At(x, y), a.View().At(x, y));

  struct Damage {
    size_t offset;
    Byte value;
  } damages[] = {
      {0, 'X'},    // signature
      {14, 12},    // info header too small
      {28, 7},     // bit count
      {30, 1},     // compression (RLE)
      {10, 0},     // pixels before the headers
      {21, 0x3A},  // width 0x3A000003: rows wider than 2^31 bytes must not wrap into a small size
  };
  for (auto d : damages) {
    std::vector<Byte> bytes = m.Bytes();
    bytes[d.offset] = d.value;
    TMemoryStream bad;
    bad.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
    bad.SetPosition(0);
    TBitmap c;
    EXPECT_THROW(c.LoadFromStream(bad), EInvalidGraphic) << "offset " << d.offset;
  }
  std::vector<Byte> cut(m.Bytes().begin(), m.Bytes().end() - 5);
  TMemoryStream shortStream;
  shortStream.WriteBuffer(cut.data(), static_cast<Integer>(cut.size()));
  shortStream.SetPosition(0);
  TBitmap d;
  EXPECT_THROW(d.LoadFromStream(shortStream), EReadError);
}

TEST(Bitmap, SwapExchangesPicturesWithoutCopying) {
  TBitmap a(3, 2, pf32bit), b(5, 1, pf8bit);
  a.View().At(2, 1) = 0x11223344;
  a.SetTransparent(true);
  a.SetTransparentColor(clRed);
  b.SetColorTable({0x000000, 0xABCDEF});
  const void* aPixels = a.ScanLine(0);
  a.Swap(b);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.PixelFormat(), pf32bit);
  EXPECT_EQ(b.ScanLine(0), aPixels);  // the same memory, not a copy
  EXPECT_EQ(b.View().At(2, 1), 0x11223344u);
  EXPECT_TRUE(b.Transparent());
  EXPECT_EQ(b.TransparentColor(), clRed);
  EXPECT_EQ(a.Width(), 5);
  EXPECT_EQ(a.PixelFormat(), pf8bit);
  EXPECT_EQ(a.ColorTable()[1], 0xABCDEFu);
  EXPECT_FALSE(a.Transparent());
  a.Swap(a);  // with itself: nothing happens
  EXPECT_EQ(a.Width(), 5);
}

namespace {
class TChangeLog : public TObject {
 public:
  void Changed(TObject* sender) { senders.push_back(sender); }
  std::vector<TObject*> senders;
};
}  // namespace

TEST(Bitmap, ChangesOfThePictureAreTold) {
  TBitmap bmp(4, 4, pf32bit);
  TChangeLog log;
  bmp.SetOnChange(TNotifyEvent(&log, &TChangeLog::Changed));
  bmp.SetSize(4, 4);  // the same size: nothing changed
  EXPECT_TRUE(log.senders.empty());
  bmp.SetSize(6, 4);
  bmp.SetPixelFormat(pf24bit);
  bmp.SetPixelFormat(pf24bit);
  bmp.SetHandleType(bmDDB);
  bmp.SetHandleType(bmDDB);
  bmp.SetColorTable({0, 0xFFFFFF});
  TBitmap other(2, 2, pf32bit);
  bmp.Assign(&other);
  TMemoryStream file;
  other.SaveToStream(file);
  file.SetPosition(0);
  bmp.LoadFromStream(file);
  bmp.Swap(other);
  bmp.FreeImage();
  EXPECT_EQ(log.senders.size(), 8u);  // every change but the repeated ones
  for (TObject* sender : log.senders) EXPECT_EQ(sender, &bmp);
  bmp.SetOnChange(nullptr);
  bmp.SetSize(3, 3);
  EXPECT_EQ(log.senders.size(), 8u);
}
