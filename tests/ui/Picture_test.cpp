#include "ui/Picture.h"

#include <gtest/gtest.h>

#include "support/JpegFixture.h"
#include "support/TempDir.h"
#include "ui/Icon.h"
#include "ui/Jpeg.h"
#include "ui/Streams.h"
#include "ui/TypInfo.h"

namespace {

uint32_t Quadrants(int x, int y) {
  // Red, green, blue and white quadrants of a 16 x 16 picture.
  if (y < 8) return x < 8 ? 0xFF0000 : 0x00FF00;
  return x < 8 ? 0x0000FF : 0xFFFFFF;
}
uint32_t Gray(int x, int) { return static_cast<uint32_t>(x * 16); }

TMemoryStream StreamOf(const std::vector<uint8_t>& bytes) {
  TMemoryStream s;
  if (!bytes.empty()) s.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  s.SetPosition(0);
  return s;
}

// An ICO file with one 32-bit image of w x h, every pixel `bgra`.
std::vector<uint8_t> MakeIco(int w, int h, uint32_t bgra) {
  const uint32_t maskStride = ((w + 31) / 32) * 4;
  const uint32_t image = 40 + w * h * 4 + maskStride * h;
  std::vector<uint8_t> f(22 + image, 0);
  f[2] = 1;
  f[4] = 1;
  f[6] = static_cast<uint8_t>(w);
  f[7] = static_cast<uint8_t>(h);
  f[10] = 1;
  f[12] = 32;
  for (int i = 0; i < 4; ++i) f[14 + i] = static_cast<uint8_t>(image >> (8 * i));
  f[18] = 22;
  uint8_t* bih = f.data() + 22;
  bih[0] = 40;
  bih[4] = static_cast<uint8_t>(w);
  bih[8] = static_cast<uint8_t>(h * 2);
  bih[12] = 1;
  bih[14] = 32;
  for (int i = 0; i < w * h; ++i)
    for (int k = 0; k < 4; ++k) bih[40 + i * 4 + k] = static_cast<uint8_t>(bgra >> (8 * k));
  return f;
}

void ExpectNear(uint32_t bgr, uint32_t expectRgb, int tolerance) {
  int b = bgr & 0xFF, g = (bgr >> 8) & 0xFF, r = (bgr >> 16) & 0xFF;
  EXPECT_NEAR(r, static_cast<int>((expectRgb >> 16) & 0xFF), tolerance);
  EXPECT_NEAR(g, static_cast<int>((expectRgb >> 8) & 0xFF), tolerance);
  EXPECT_NEAR(b, static_cast<int>(expectRgb & 0xFF), tolerance);
}

uint32_t Pixel24(const TBitmap& bmp, int x, int y) {
  auto* p = static_cast<const uint8_t*>(bmp.ScanLine(y)) + x * 3;
  return p[0] | p[1] << 8 | p[2] << 16;
}

}  // namespace

TEST(Jpeg, DecodesColourAndGrayPictures) {
  TJPEGImage jpg;
  auto colour = StreamOf(MakeJpeg(16, 16, &Quadrants));
  jpg.LoadFromStream(colour);
  ASSERT_EQ(jpg.Width(), 16);
  ASSERT_EQ(jpg.Height(), 16);
  EXPECT_FALSE(jpg.Grayscale());
  EXPECT_EQ(jpg.Bitmap().PixelFormat(), pf24bit);
  ExpectNear(Pixel24(jpg.Bitmap(), 2, 2), 0xFF0000, 8);
  ExpectNear(Pixel24(jpg.Bitmap(), 13, 2), 0x00FF00, 8);
  ExpectNear(Pixel24(jpg.Bitmap(), 2, 13), 0x0000FF, 8);
  ExpectNear(Pixel24(jpg.Bitmap(), 13, 13), 0xFFFFFF, 8);

  TJPEGImage gray;
  auto g = StreamOf(MakeJpeg(16, 4, &Gray, true));
  gray.LoadFromStream(g);
  EXPECT_TRUE(gray.Grayscale());
  ExpectNear(Pixel24(gray.Bitmap(), 10, 1), 0xA0A0A0, 3);

  // The bytes are kept as loaded, and a bitmap can take the pixels.
  TMemoryStream saved;
  jpg.SaveToStream(saved);
  EXPECT_EQ(saved.Bytes(), MakeJpeg(16, 16, &Quadrants));
  TBitmap bmp;
  bmp.Assign(&jpg);
  EXPECT_EQ(bmp.Width(), 16);
  EXPECT_THROW(jpg.SetSize(8, 8), EInvalidGraphicOperation);
}

TEST(Jpeg, RejectsDataItCannotDecode) {
  std::vector<uint8_t> good = MakeJpeg(16, 16, &Quadrants);
  std::vector<std::vector<uint8_t>> bad = {
      {},
      {0xFF, 0xD8, 0xFF},
      std::vector<uint8_t>(good.begin(), good.begin() + 20),  // ends inside the headers
      {'B', 'M', 0, 0},
  };
  std::vector<uint8_t> precision = good;
  for (size_t i = 0; i + 4 < precision.size(); ++i)
    if (precision[i] == 0xFF && precision[i + 1] == 0xC0) {
      precision[i + 4] = 12;  // 12-bit samples: not for this decoder
      break;
    }
  bad.push_back(precision);
  for (size_t i = 0; i < bad.size(); ++i) {
    TJPEGImage jpg;
    auto s = StreamOf(bad[i]);
    EXPECT_THROW(jpg.LoadFromStream(s), EInvalidGraphic) << i;
    EXPECT_TRUE(jpg.Empty());
  }
  // Cut in the scan data: the decoded part stays, the rest is filled, no error.
  size_t sos = 0;
  for (size_t i = 0; i + 1 < good.size(); ++i)
    if (good[i] == 0xFF && good[i + 1] == 0xDA) sos = i;
  ASSERT_GT(sos, 0u);
  TJPEGImage cut;
  auto s = StreamOf(std::vector<uint8_t>(good.begin(), good.begin() + (sos + good.size()) / 2));
  cut.LoadFromStream(s);
  EXPECT_EQ(cut.Width(), 16);
}

TEST(Jpeg, RejectsPicturesAboveTheLimit) {
  // A valid header that claims 65000 x 65000 pixels.
  std::vector<uint8_t> j = MakeJpeg(8, 8, &Quadrants);
  for (size_t i = 0; i + 8 < j.size(); ++i)
    if (j[i] == 0xFF && j[i + 1] == 0xC0) {  // SOF0: length(2) precision(1) height(2) width(2)
      j[i + 5] = 0xFD, j[i + 6] = 0xE8, j[i + 7] = 0xFD, j[i + 8] = 0xE8;
      break;
    }
  TJPEGImage jpg;
  auto s = StreamOf(j);
  try {
    jpg.LoadFromStream(s);
    FAIL();
  } catch (const EInvalidGraphic& e) { EXPECT_EQ(e.Message(), u"JPEG error: picture too large"); }
}

TEST(Icon, ReadsTheDirectoryAndRejectsBrokenFiles) {
  TIcon icon;
  auto s = StreamOf(MakeIco(16, 16, 0xFF102030));
  icon.LoadFromStream(s);
  EXPECT_EQ(icon.Width(), 16);
  EXPECT_EQ(icon.Height(), 16);
  EXPECT_FALSE(icon.Empty());
  TMemoryStream out;
  icon.SaveToStream(out);
  EXPECT_EQ(out.Bytes(), MakeIco(16, 16, 0xFF102030));

  std::vector<uint8_t> good = MakeIco(16, 16, 0);
  auto cut = good;
  cut.resize(100);  // the image runs past the end
  auto zero = good;
  zero[4] = 0;  // no images
  auto cursor = good;
  cursor[2] = 2;
  for (auto* bytes : {&cut, &zero, &cursor}) {
    TIcon bad;
    auto b = StreamOf(*bytes);
    EXPECT_THROW(bad.LoadFromStream(b), EInvalidGraphic);
    EXPECT_TRUE(bad.Empty());
  }
}

TEST(Picture, ChoosesTheFormatByExtensionOrSignature) {
  RegisterJPEGImage();
  TempDir dir;
  String jpgName = dir.Path() + u"/pic.JPEG";
  {
    TFileStream f(jpgName, fmCreate);
    auto bytes = MakeJpeg(16, 16, &Quadrants);
    f.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  }
  TPicture pic;
  pic.LoadFromFile(jpgName);
  ASSERT_NE(dynamic_cast<TJPEGImage*>(pic.Graphic()), nullptr);
  EXPECT_EQ(pic.Width(), 16);

  try {
    pic.LoadFromFile(dir.Path() + u"/pic.xyz");
    FAIL();
  } catch (const EInvalidGraphic& e) { EXPECT_EQ(e.Message(), u"Unknown picture file extension (.xyz)"); }
  EXPECT_NE(dynamic_cast<TJPEGImage*>(pic.Graphic()), nullptr);  // kept

  auto ico = StreamOf(MakeIco(8, 8, 0));
  pic.LoadFromStream(ico);
  EXPECT_NE(dynamic_cast<TIcon*>(pic.Graphic()), nullptr);
  auto junk = StreamOf({1, 2, 3, 4});
  EXPECT_THROW(pic.LoadFromStream(junk), EInvalidGraphic);

  EXPECT_EQ(TPicture::FindExtension(u".jpg")->ClassName, u"TJPEGImage");
  EXPECT_EQ(TPicture::FindExtension(u"BMP")->ClassName, u"TBitmap");
  TPicture::UnregisterGraphicClass(u"TJPEGImage");
  EXPECT_EQ(TPicture::FindExtension(u"jpg"), nullptr);
  RegisterJPEGImage();
}

TEST(Picture, DataPropertyCarriesTheClassAndTheFile) {
  RegisterJPEGImage();
  TPicture pic;
  auto s = StreamOf(MakeJpeg(16, 16, &Quadrants));
  pic.LoadFromStream(s);
  const TPropInfo* data = GetPropInfo(&pic, u"Data");
  ASSERT_NE(data, nullptr);
  TMemoryStream stored;
  data->WriteData(pic, stored);
  EXPECT_EQ(stored.Bytes()[0], 10);
  EXPECT_EQ(std::string(stored.Bytes().begin() + 1, stored.Bytes().begin() + 11), "TJPEGImage");
  stored.SetPosition(0);
  TPicture back;
  data->ReadData(back, stored);
  ASSERT_NE(dynamic_cast<TJPEGImage*>(back.Graphic()), nullptr);
  EXPECT_EQ(back.Height(), 16);

  TMemoryStream unknown;
  const char bytes[] = "\x06TThing";
  unknown.WriteBuffer(bytes, 7);
  unknown.SetPosition(0);
  EXPECT_THROW(data->ReadData(back, unknown), EInvalidGraphic);
}

TEST(Picture, BitmapReplacesAnotherKindAndAssignCopies) {
  TPicture a;
  TBitmap* b = a.Bitmap();
  b->SetPixelFormat(pf32bit);
  b->SetSize(3, 2);
  TPicture c;
  c.Assign(&a);
  ASSERT_NE(c.Graphic(), a.Graphic());
  EXPECT_EQ(c.Width(), 3);
  c.Assign(nullptr);
  EXPECT_EQ(c.Graphic(), nullptr);
}
