// Skin images: the reference forms with their worked examples, which values are images, where
// an image's pixels come from at each PPI, rescaling, shared bitmaps, corners, the point test,
// generated outer images and mirroring; and images that are broken in one way or another.
#include <gtest/gtest.h>

#include <set>

#include "raster/MaskImages.h"
#include "skin/sSkinManagerLoader.h"
#include "support/SkinFiles.h"
#include "ui/SysUtils.h"

using namespace skinfiles;

namespace {

constexpr uint32_t kKey = 0x00FF00FF;

String Zeros(size_t n) { return String(n, u'0'); }

// A master bitmap w x h whose pixels say where they are (opaque).
std::unique_ptr<TBitmap> Coordinates(Integer w, Integer h) {
  auto bmp = Picture(w, h, 0);
  const TPixelView v = bmp->View();
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) v.At(x, y) = 0xFF000000u | uint32_t(x) << 8 | uint32_t(y);
  return bmp;
}

SkinFiles WithMaster(TBitmap& master) {
  SkinFiles s;
  s.Set("GLOBALINFO", "VERSION", "16.22").Set("GLOBALINFO", "MASTERBITMAP", "MASTER.PNG");
  s.Png("MASTER.PNG", master);
  return s;
}

}  // namespace

// ---- reference forms ---------------------------------------------------------------------------------

TEST(ImageReferences, WorkedExamplesNormalize) {
  struct Case {
    String value;
    String normalized;
  } cases[] = {
      {u"^0010^0020^0060^0050^0005^0005^0005^0005^2^1^0", u"&0010002000600050000500050005000521000000000"},
      {u"!BUTTON.PNG!3!1!0!0004!0004!0004!0004!1",
       u"&" + Zeros(16) + u"0004000400040004" + u"310" + u"01" + u"000000" + u"BUTTON.PNG"},
      {u"BACK.BMP", u"&" + Zeros(32) + u"101" + u"00" + u"000000" + u"BACK.BMP"},
      {u"~0000~0000~0064~0064~01~1~TILE.BMP",
       u"&0000000000640064" + Zeros(16) + u"111" + u"01" + u"000000" + u"TILE.BMP"},
      {u"@0001@0002@0010@0020@2@1", u"&0001000200100020" + Zeros(16) + u"212" + u"00" + u"000000"},
      {u"&0001000200100020" + Zeros(16) + u"212" + u"00" + u"000000X",
       u"&0001000200100020" + Zeros(16) + u"212" + u"00" + u"000000X"},
      // Short values: three states, no mask, draw mode 1, the marker's type.
      {u"^12", u"&" + Zeros(32) + u"300" + u"01" + u"000000"},
      {u"@", u"&" + Zeros(32) + u"302" + u"01" + u"000000"},
      // "!" by image type: a glow of fewer than five fields, a glyph with its rectangle in the
      // file, an image type above 4 counts as 4, one that is no number as 0.
      {u"!G.PNG!2!0!3", u"&" + Zeros(32) + u"103" + u"00" + u"000000G.PNG"},
      {u"!G.PNG!2!1!2!0001!0002!0010!0020!3", u"&0001000200100020" + Zeros(16) + u"212" + u"03" + u"000000G.PNG"},
      {u"!G.PNG!2!0!9", u"&" + Zeros(32) + u"204" + u"00" + u"000000G.PNG"},
      {u"!G.PNG!2!0!Z", u"&" + Zeros(32) + u"200" + u"00" + u"000000G.PNG"},
      // Empty fields are skipped: "5" is the fifth field here, which a texture does not read.
      {u"!T.PNG!1!0!1!!!!!5", u"&" + Zeros(32) + u"101" + u"00" + u"000000T.PNG"},
      // "~" without a file, and with a short value the mask type defaults to 0.
      {u"~0000~0000~0008~0008~4", u"&0000000000080008" + Zeros(16) + u"101" + u"04" + u"000000"},
  };
  for (const auto& c : cases) EXPECT_EQ(ConvertSkinStr(c.value), c.normalized) << StringToUtf8(c.value);
}

TEST(ImageReferences, CaretBordersAreCompletedFromTheLastFieldOrTheRectangle) {
  // Longer than 47 characters and all four borders "0000": field 12 gives them all...
  EXPECT_EQ(ConvertSkinStr(u"^0000^0000^0090^0040^0000^0000^0000^0000^3^1^1^0006"),
            u"&0000000000900040000600060006000631001000000");
  // ... or, when it is "0000" too, the state size does: ((90 div 3 - 1) div 2, (40 div 2 - 1) div 2).
  EXPECT_EQ(ConvertSkinStr(u"^0000^0000^0090^0040^0000^0000^0000^0000^3^1^1^0000"),
            u"&0000000000900040001400090014000931001000000");
  // A count of 0 is taken as 1 there (no division by zero).
  EXPECT_EQ(ConvertSkinStr(u"^0000^0000^0090^0040^0000^0000^0000^0000^0^0^1^0000"),
            u"&0000000000900040004400190044001900001000000");
  // Borders that are given stay.
  EXPECT_EQ(ConvertSkinStr(u"^0000^0000^0090^0040^0001^0000^0000^0000^3^1^1^0000"),
            u"&0000000000900040000100000000000031001000000");
}

TEST(ImageReferences, FieldsOfTheNormalizedForm) {
  TkvImageRef ref;
  ASSERT_TRUE(ParseImageRef(ConvertSkinStr(u"^0010^0020^0060^0050^0005^0006^0007^0008^2^1^17"), ref));
  EXPECT_EQ(ref.R, TRect(10, 20, 60, 50));
  EXPECT_EQ(ref.WL, 5);
  EXPECT_EQ(ref.WT, 6);
  EXPECT_EQ(ref.WR, 7);
  EXPECT_EQ(ref.WB, 8);
  EXPECT_EQ(ref.ImageCount, 2);
  EXPECT_EQ(ref.MaskType, 1);
  EXPECT_EQ(ref.ImgType, itisaBorder);
  EXPECT_EQ(ref.DrawMode, 17);
  EXPECT_TRUE(ref.FileName.empty());
  ASSERT_TRUE(ParseImageRef(ConvertSkinStr(u"!BUTTON.PNG!3!1!0!0004!0004!0004!0004!1"), ref));
  EXPECT_EQ(ref.FileName, u"BUTTON.PNG");
  EXPECT_EQ(ref.ImageCount, 3);
  EXPECT_EQ(ref.MaskType, 1);
  EXPECT_EQ(ref.DrawMode, 1);
  EXPECT_EQ(ref.WL, 4);
  ASSERT_TRUE(ParseImageRef(ConvertSkinStr(u"~0000~0000~0064~0064~01~1~TILE.BMP"), ref));
  EXPECT_EQ(ref.ImgType, itisaTexture);
  EXPECT_EQ(ref.DrawMode, 1);
  EXPECT_EQ(ref.MaskType, 1);
  EXPECT_EQ(ref.FileName, u"TILE.BMP");
  // A field that is no number gives no image (and no exception); so does a short "&" value.
  EXPECT_FALSE(ParseImageRef(ConvertSkinStr(u"^00A0^0020^0060^0050^0005^0005^0005^0005^2^1^0"), ref));
  EXPECT_FALSE(ParseImageRef(ConvertSkinStr(u"!B.PNG!X!1!0!0004!0004!0004!0004!1"), ref));
  EXPECT_FALSE(ParseImageRef(u"&0001", ref));
}

TEST(ImageReferences, WhichValuesAreImages) {
  EXPECT_TRUE(IsImageValue(u"BACK.BMP"));
  EXPECT_TRUE(IsImageValue(u"PHOTO.JPG"));
  EXPECT_FALSE(IsImageValue(u"BACK.PNG"));  // a PNG needs a marker
  EXPECT_FALSE(IsImageValue(u"0XFF00FF"));
  for (const char16_t* v : {u"!X.PNG", u"&", u"@1", u"^1", u"~1"}) EXPECT_TRUE(IsImageValue(v)) << StringToUtf8(v);
}

// ---- loading images ----------------------------------------------------------------------------------

TEST(SkinImages, ThePPIVariantsChooseTheSource) {
  auto master = Coordinates(100, 80);
  SkinFiles files = WithMaster(*master);
  files.Set("BUTTON", "BORDERSMASK", "^0000^0000^0030^0020^0004^0004^0004^0004^1^0^01");
  files.Set("BUTTON", "BORDERSMASK*200", "^0000^0020^0060^0060^0008^0008^0008^0008^1^0^01");
  files.Set("EDIT", "BORDERSMASK", "^0000^0000^0030^0020^0004^0004^0004^0004^1^0^01");
  files.Set("EDIT", "BORDERSMASK*125", "^0040^0000^0070^0020^0004^0004^0004^0004^1^0^01");  // only a variant
  files.Set("EDITONLYVARIANT", "BORDERSMASK*125", "^0040^0000^0070^0020^0004^0004^0004^0004^1^0^01");
  LoadedSkin skin(files, {96, 144, 120});
  ASSERT_EQ(skin.Status, slsLoaded);
  const TsMaskData* b96 = skin.Image(u"BUTTON", u"BORDERSMASK", 96);
  ASSERT_NE(b96, nullptr);
  EXPECT_EQ(b96->Bmp, nullptr);  // a piece of the master bitmap at its own size
  EXPECT_EQ(b96->R, TRect(0, 0, 30, 20));
  const TsMaskData* b144 = skin.Image(u"BUTTON", u"BORDERSMASK", 144);
  ASSERT_NE(b144, nullptr);
  EXPECT_EQ(b144->DivPPI, 192);  // the variant for 192 PPI is nearer than the plain one
  EXPECT_EQ(b144->MulPPi, 144);
  ASSERT_NE(b144->Bmp, nullptr);
  EXPECT_EQ(b144->R, TRect(0, 0, 45, 30));
  EXPECT_EQ(b144->WL, 6);
  const TsMaskData* e144 = skin.Image(u"EDIT", u"BORDERSMASK", 144);
  ASSERT_NE(e144, nullptr);
  EXPECT_EQ(e144->DivPPI, 120);  // no variant above: the nearest below, scaled up
  EXPECT_EQ(e144->R, TRect(0, 0, 36, 24));
  const TsMaskData* b120 = skin.Image(u"BUTTON", u"BORDERSMASK", 120);
  ASSERT_NE(b120, nullptr);
  EXPECT_EQ(b120->DivPPI, 192);  // upward first
  EXPECT_EQ(b120->R, TRect(0, 0, 37, 25));
  const TsMaskData* e120 = skin.Image(u"EDIT", u"BORDERSMASK", 120);
  ASSERT_NE(e120, nullptr);
  EXPECT_EQ(e120->DivPPI, 120);
  EXPECT_EQ(e120->Bmp, nullptr);  // the 120-PPI variant is taken as it is
  EXPECT_EQ(e120->R, TRect(40, 0, 70, 20));
  EXPECT_EQ(skin.Image(u"EDITONLYVARIANT", u"BORDERSMASK", 120), nullptr);  // a variant alone makes no image
}

TEST(SkinImages, AboveTheLastScaleTheLastVariantServes) {
  auto master = Coordinates(100, 80);
  SkinFiles files = WithMaster(*master);
  files.Set("BUTTON", "BORDERSMASK", "^0000^0000^0030^0020^0004^0004^0004^0004^1^0^01");
  files.Set("BUTTON", "BORDERSMASK*200", "^0000^0020^0060^0060^0008^0008^0008^0008^1^0^01");
  LoadedSkin skin(files, {96, 240}, LoadedSkin::Folder, [](TkvSkinLoadSettings& s) { s.Options.ScaleMode = smVCL; });
  ASSERT_EQ(skin.Status, slsLoaded);
  const TsMaskData* b = skin.Image(u"BUTTON", u"BORDERSMASK", 240);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->DivPPI, 192);
  EXPECT_EQ(b->MulPPi, 240);
  EXPECT_EQ(b->R, TRect(0, 0, 75, 50));
}

TEST(SkinImages, RescalingKeepsBordersSharp) {
  auto master = Coordinates(100, 40);
  for (Integer y = 0; y < 4; ++y)
    for (Integer x = 0; x < 4; ++x) master->View().At(x, y) = kKey;  // a transparent corner
  SkinFiles files = WithMaster(*master);
  // Three states of 30 x 20 without mask rows, borders 4.
  files.Set("BUTTON", "BORDERSMASK", "^0000^0000^0090^0020^0004^0004^0004^0004^3^0^01");
  // Borders of 1 on the left and right: never rescaled.
  files.Set("EDIT", "BORDERSMASK", "^0000^0020^0030^0040^0001^0004^0001^0004^1^0^01");
  LoadedSkin skin(files, {96, 144});
  ASSERT_EQ(skin.Status, slsLoaded);
  const TsMaskData* b = skin.Image(u"BUTTON", u"BORDERSMASK", 144);
  ASSERT_NE(b, nullptr);
  ASSERT_NE(b->Bmp, nullptr);
  EXPECT_EQ(b->R, TRect(0, 0, 135, 30));
  EXPECT_EQ(b->Width, 45);
  EXPECT_EQ(b->Height, 30);
  EXPECT_EQ(b->WL, 6);
  EXPECT_EQ(b->WT, 6);
  EXPECT_EQ(b->WR, 6);
  EXPECT_EQ(b->WB, 6);
  EXPECT_LE(b->WR, 45 - 6 - 1);
  const TsMaskData* e = skin.Image(u"EDIT", u"BORDERSMASK", 144);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->Bmp, nullptr);
  EXPECT_EQ(e->R, TRect(0, 20, 30, 40));
  // The rescaled picture has only opaque pixels and key pixels.
  const TPixelView v = b->Bmp->View();
  for (Integer y = 0; y < v.Height; ++y)
    for (Integer x = 0; x < v.Width; ++x) {
      const uint32_t p = v.At(x, y);
      ASSERT_TRUE(p >> 24 == 255 || p == kKey) << x << "," << y;
    }
}

TEST(SkinImages, RescaledPicturesWithRealAlphaKeepTheirAlpha) {
  auto soft = Picture(30, 20, 0);
  const TPixelView v = soft->View();
  for (Integer y = 0; y < 20; ++y)
    for (Integer x = 0; x < 30; ++x) v.At(x, y) = uint32_t(x * 8) << 24 | 0x00306090;
  SkinFiles files;
  files.Set("GLOBALINFO", "VERSION", "16.22");
  files.Set("SOFT", "BORDERSMASK", "!SOFT.PNG!1!0!0!0004!0004!0004!0004!16");  // draw mode BDM_ALPHA
  files.Set("HARD", "BORDERSMASK", "!HARD.PNG!1!0!0!0004!0004!0004!0004!0");
  files.Png("SOFT.PNG", *soft);
  files.Png("HARD.PNG", *soft);
  LoadedSkin skin(files, {96, 144});
  ASSERT_EQ(skin.Status, slsLoaded);
  const TsMaskData* s = skin.Image(u"SOFT", u"BORDERSMASK", 144);
  ASSERT_NE(s, nullptr);
  ASSERT_NE(s->Bmp, nullptr);
  std::set<uint32_t> alphas;
  const TPixelView sv = s->Bmp->View();
  for (Integer x = 0; x < sv.Width; ++x) alphas.insert(sv.At(x, 10) >> 24);
  EXPECT_GT(alphas.size(), 10u);  // a ramp, not a threshold
  const TsMaskData* h = skin.Image(u"HARD", u"BORDERSMASK", 144);
  ASSERT_NE(h, nullptr);
  ASSERT_NE(h->Bmp, nullptr);
  std::set<uint32_t> hardAlphas;
  const TPixelView hv = h->Bmp->View();
  for (Integer x = 0; x < hv.Width; ++x) hardAlphas.insert(hv.At(x, 10) >> 24);
  EXPECT_EQ(hardAlphas, (std::set<uint32_t>{0, 255}));  // key colour or opaque
}

TEST(SkinImages, KeysNamingOneFileShareItsBitmap) {
  auto red = Picture(12, 12, 0xFFFF0000);
  SkinFiles files;
  files.Set("GLOBALINFO", "VERSION", "16.22");
  files.Set("BUTTON", "BORDERSMASK", "!RED.BMP!1!0!0!0004!0004!0004!0004!0");
  files.Set("EDIT", "BORDERSMASK", "!RED.BMP!1!0!0!0004!0004!0004!0004!0");
  files.Set("PANEL", "PATTERN", "RED.BMP");
  files.Bmp("RED.BMP", *red);
  LoadedSkin skin(files);
  ASSERT_EQ(skin.Status, slsLoaded);
  const TsMaskData* a = skin.Image(u"BUTTON", u"BORDERSMASK");
  const TsMaskData* b = skin.Image(u"EDIT", u"BORDERSMASK");
  const TsMaskData* t = skin.Image(u"PANEL", u"PATTERN");
  ASSERT_TRUE(a && b && t);
  EXPECT_EQ(a->Bmp, b->Bmp);
  EXPECT_EQ(a->Bmp, t->Bmp);
  Integer listed = 0;
  for (const auto& e : skin.Data().BmpArray) listed += e.FileName == u"RED.BMP";
  EXPECT_EQ(listed, 1);
  EXPECT_EQ(t->ImgType, itisaTexture);
  // A 24-bit file gets alpha 255.
  EXPECT_EQ(a->Bmp->View().At(3, 3), 0xFFFF0000u);
}

TEST(SkinImages, ImagesOutsideTheirBitmapAreDroppedAndBordersClamped) {
  auto master = Coordinates(40, 40);
  auto small = Picture(10, 10, 0xFF00FF00);
  SkinFiles files = WithMaster(*master);
  files.Set("BUTTON", "BORDERSMASK", "^0030^0030^0060^0060^0004^0004^0004^0004^1^0^01");  // beyond the master
  files.Set("BUTTON", "GLYPHMASK", "@0000^0000@0010@0010@1@0");                           // garbled: no image
  files.Set("BUTTON", "PATTERN", "~0000~0000~0000~0000~01");                              // empty rectangle
  files.Set("EDIT", "BORDERSMASK", "!SMALL.BMP!1!0!0!0100!0100!0100!0100!0");          // borders wider than the picture
  files.Set("EDIT", "IMGTOPLEFT", "^0000^0000^0010^0010^0002^0002^0002^0002^1^0^01");  // a good one after them
  files.Bmp("SMALL.BMP", *small);
  LoadedSkin skin(files);
  ASSERT_EQ(skin.Status, slsLoaded);
  EXPECT_EQ(skin.Image(u"BUTTON", u"BORDERSMASK"), nullptr);
  EXPECT_EQ(skin.Image(u"BUTTON", u"PATTERN"), nullptr);
  EXPECT_EQ(skin.Section(u"BUTTON")->BorderIndex, -1);
  const TsMaskData* e = skin.Image(u"EDIT", u"BORDERSMASK");
  ASSERT_NE(e, nullptr);
  EXPECT_LE(e->WL + e->WR, 10);
  EXPECT_LE(e->WT + e->WB, 10);
  const Integer tl = skin.ImageIndex(u"EDIT", u"IMGTOPLEFT");
  ASSERT_GE(tl, 0);
  EXPECT_EQ(skin.Section(u"EDIT")->ImgTL, tl);
  for (const auto& md : skin.Data().ma) {
    TBitmap* bmp = skin.Data().BitmapOf(md);
    ASSERT_NE(bmp, nullptr);
    EXPECT_GE(md.R.Left, 0);
    EXPECT_LE(md.R.Right, bmp->Width());
    EXPECT_LE(md.R.Bottom, bmp->Height());
  }
}

TEST(SkinImages, AZeroImageCountIsOneState) {
  auto master = Coordinates(40, 40);
  SkinFiles files = WithMaster(*master);
  // The normalized form with a count of 0 and no borders.
  files.Set("BUTTON", "BORDERSMASK", "&0000000000300020" + std::string(16, '0') + "000" + "01" + "000000");
  files.Set("EDIT", "BORDERSMASK", "^0000^0000^0030^0020^0000^0000^0000^0000^0^0^01^0000");
  LoadedSkin skin(files, {96, 144});
  ASSERT_EQ(skin.Status, slsLoaded);
  const TsMaskData* b = skin.Image(u"BUTTON", u"BORDERSMASK");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->ImageCount, 1);
  EXPECT_EQ(b->Width, 30);
  EXPECT_EQ(b->WL, 14);
  EXPECT_EQ(b->WR, 14);
  EXPECT_EQ(b->WT, 9);
  EXPECT_EQ(b->WB, 9);
  ASSERT_NE(skin.Image(u"EDIT", u"BORDERSMASK", 144), nullptr);
  EXPECT_EQ(skin.Image(u"EDIT", u"BORDERSMASK", 144)->ImageCount, 1);
}

TEST(SkinImages, CornerTypeOfTheThirdState) {
  auto master = Coordinates(90, 20);
  master->View().At(60 + 1, 18) = kKey;  // bottom-left corner of the third state
  SkinFiles files = WithMaster(*master);
  files.Set("BUTTON", "BORDERSMASK", "^0000^0000^0090^0020^0004^0004^0004^0004^3^0^01");
  files.Set("EDIT", "BORDERSMASK", "^0000^0000^0060^0020^0004^0004^0004^0004^2^0^01");  // the first two states only
  // A picture file of three states, the key in the first and in the third: found at the load
  // of the image and again when the sections are linked.
  auto strip = Picture(90, 20, 0xFF405060);
  strip->View().At(0, 0) = kKey;
  strip->View().At(61, 18) = kKey;
  files.Set("PANEL", "BORDERSMASK", "!STRIP.PNG!3!0!0!0004!0004!0004!0004!0").Png("STRIP.PNG", *strip);
  LoadedSkin skin(files);
  ASSERT_EQ(skin.Status, slsLoaded);
  // The corner type is set once (or-ed), not added at each step.
  EXPECT_EQ(skin.Image(u"BUTTON", u"BORDERSMASK")->Cfg, 1);
  EXPECT_EQ(skin.Image(u"EDIT", u"BORDERSMASK")->Cfg, 0);
  EXPECT_EQ(skin.Image(u"PANEL", u"BORDERSMASK")->Cfg, 1);
}

TEST(SkinImages, PointTest) {
  auto pic = Picture(20, 20, 0xFF102030);
  pic->View().At(1, 1) = kKey;    // top-left corner
  pic->View().At(18, 18) = kKey;  // bottom-right corner
  pic->View().At(10, 0) = kKey;   // middle of the top side
  SkinFiles files;
  files.Set("GLOBALINFO", "VERSION", "16.22");
  files.Set("BUTTON", "BORDERSMASK", "!B.PNG!1!0!0!0004!0004!0004!0004!0");
  files.Png("B.PNG", *pic);
  LoadedSkin skin(files);
  ASSERT_EQ(skin.Status, slsLoaded);
  const TsMaskData& md = *skin.Image(u"BUTTON", u"BORDERSMASK");
  ASSERT_EQ(md.Cfg & 1, 1);
  EXPECT_TRUE(PtIsTransparent(1, 1, md, 100, 50));
  EXPECT_TRUE(PtIsTransparent(98, 48, md, 100, 50));  // maps to (18, 18)
  EXPECT_FALSE(PtIsTransparent(2, 2, md, 100, 50));
  EXPECT_FALSE(PtIsTransparent(50, 0, md, 100, 50));  // a side: never
  // Points outside the area the image covers are not transparent (and read nothing).
  for (TPoint p :
       {TPoint(-1, 1), TPoint(1, -3), TPoint(100, 1), TPoint(1, 50), TPoint(-1000, -1000), TPoint(5000, 5000)})
    EXPECT_FALSE(PtIsTransparent(p.X, p.Y, md, 100, 50)) << p.X << "," << p.Y;
  TsMaskData master = md;
  master.Bmp = nullptr;
  EXPECT_FALSE(PtIsTransparent(1, 1, master, 100, 50));
}

TEST(SkinImages, SectionsWithOuterModeThreeGetAGeneratedOuterImage) {
  SkinFiles files;
  files.Set("GLOBALINFO", "VERSION", "16.22");
  files.Set("HINT", "OUTERMODE", "3").Set("HINT", "OUTCOLL", "0x000000").Set("HINT", "OUTBLUR", "6");
  files.Set("HINT", "OUTRADIUS", "6").Set("HINT", "OUTOFFSL", "3").Set("HINT", "OUTOFFST", "1");
  files.Set("HINT", "OUTOFFSR", "3").Set("HINT", "OUTOFFSB", "5");
  LoadedSkin skin(files);
  ASSERT_EQ(skin.Status, slsLoaded);
  const TsGeneralData* hint = skin.Section(u"HINT");
  ASSERT_GE(hint->OuterMask, 0);
  const TsMaskData& md = skin.Data().ma[size_t(hint->OuterMask)];
  ASSERT_NE(md.Bmp, nullptr);
  EXPECT_EQ(md.ImageCount, 1);
  EXPECT_EQ(md.MaskType, 1);
  EXPECT_EQ(md.DrawMode, 1);
  EXPECT_EQ(md.Cfg, 0);
  EXPECT_EQ(md.ImgType, itisaBorder);
  const Integer w = md.Bmp->Width(), h = md.Bmp->Height() / 2;
  EXPECT_EQ(w, 2 * 6 + 6 + 1);  // 2 radius + (left + right) + 1
  EXPECT_EQ(h, 2 * 6 + 6 + 1);  // 2 radius + (top + bottom) + 1
  EXPECT_EQ(md.WL, (w + 3 - 3) / 2);
  EXPECT_EQ(md.WT, (h + 1 - 5) / 2);
  EXPECT_EQ(md.WB, (h + 5 - 1) / 2);
  // Mode 3: one colour over the whole upper half, opaque.
  EXPECT_EQ(md.Bmp->View().At(w / 2, h / 2), 0xFF000000u);
}

// ---- mirroring ---------------------------------------------------------------------------------------

namespace {

SkinFiles CaptionGlyphs(TBitmap& master) {
  SkinFiles files = WithMaster(master);
  // Two states of 10 x 8; not rescaled at any PPI (draw mode 8), so two slots share the pixels.
  files.Set("GLOBALINFO", "BICONCLOSE", "^0000^0000^0020^0008^0000^0000^0000^0000^2^0^08");
  files.Set("GLOBALINFO", "BICONMAX", "^0020^0000^0040^0008^0000^0000^0000^0000^2^0^08");
  files.Set("GLOBALINFO", "BICONMIN", "^0020^0000^0040^0008^0000^0000^0000^0000^2^0^08");  // the same picture
  return files;
}

}  // namespace

TEST(Mirroring, CaptionGlyphsAreMirroredOncePerDirection) {
  auto master = Coordinates(60, 10);
  LoadedSkin skin(CaptionGlyphs(*master), {96, 120});
  ASSERT_EQ(skin.Status, slsLoaded);
  skin.Manager.TakeSkin(skin.Set);
  TBitmap* m = skin.Manager.MasterBitmap.get();
  const uint32_t left = m->View().At(0, 3), right = m->View().At(9, 3), maxLeft = m->View().At(20, 3);

  skin.Manager.ButtonsOptions.AllowRTLSysButtons = false;
  skin.Manager.FlipImages(true);  // not allowed by the buttons option: nothing
  EXPECT_EQ(m->View().At(0, 3), left);
  EXPECT_FALSE(skin.Manager.ManagerState.Contains(msRTLFlipped));

  skin.Manager.ButtonsOptions.AllowRTLSysButtons = true;
  skin.Manager.FlipImages(true);
  EXPECT_TRUE(skin.Manager.ManagerState.Contains(msRTLFlipped));
  // Each state picture mirrored in place once, although two slots and two glyphs name it.
  EXPECT_EQ(m->View().At(0, 3), right);
  EXPECT_EQ(m->View().At(9, 3), left);
  EXPECT_EQ(m->View().At(29, 3), maxLeft);
  skin.Manager.FlipImages(true);  // already mirrored
  EXPECT_EQ(m->View().At(0, 3), right);
  skin.Manager.FlipImages(false);
  EXPECT_EQ(m->View().At(0, 3), left);
  EXPECT_EQ(m->View().At(20, 3), maxLeft);
}

// ---- one image built on request for a PPI ---------------------------------------------------------------

namespace {

// A manager with a skin of its own in use: a master bitmap whose pixels tell where they are, a
// border image with a transparent corner at 96 PPI and a variant for 192 PPI, an image that keeps
// its pixel size, and an image file.
struct ScaledMaskSkin {
  explicit ScaledMaskSkin(bool packed) {
    auto master = Coordinates(100, 80);
    for (Integer y = 0; y < 4; ++y)
      for (Integer x = 0; x < 4; ++x) master->View().At(x, y) = kKey;
    SkinFiles files = WithMaster(*master);
    files.Set("BUTTON", "BORDERSMASK", "^0000^0000^0030^0020^0004^0004^0004^0004^1^0^01");
    files.Set("BUTTON", "BORDERSMASK*200", "^0000^0020^0060^0060^0008^0008^0008^0008^1^0^01");
    files.Set("EDIT", "BORDERSMASK", "^0040^0000^0070^0020^0004^0004^0004^0004^1^0^08");  // keeps its size
    files.Set("EDIT", "GLYPH*125", "!GLYPH.PNG!1!0!2");
    glyph = Picture(12, 10, 0xFF204060);
    glyph->View().At(3, 2) = 0xFF0000FF;
    files.Png("GLYPH.PNG", *glyph);
    if (packed)
      files.WritePacked(dir.Path(), "Scaled");
    else
      files.WriteFolder(dir.Path(), "Scaled");
    manager.SetSkinDirectory(dir.Path());
    manager.SetSkinName(u"Scaled");
  }
  TempDir dir;
  std::unique_ptr<TBitmap> glyph;
  DuRiruZireziv manager{nullptr};
};

}  // namespace

TEST(ScaledMaskData, TheNearestDensityIsCopiedOrRescaledForTheTarget) {
  ScaledMaskSkin skin(false);
  ASSERT_TRUE(skin.manager.IsActive());
  struct Case {
    const char16_t* section;
    const char16_t* key;
    Integer ppi;
    Integer divPPI;  // the density whose value was taken
    TSize size;      // of the picture made
    Integer border;  // WL afterwards
    TPoint from;     // where the picture's (5, 5) came from in the master; (-1, -1): rescaled
  } cases[] = {
      {u"BUTTON", u"BORDERSMASK", 96, 96, TSize(30, 20), 4, TPoint(5, 5)},
      {u"BUTTON", u"BORDERSMASK", 120, 192, TSize(37, 25), 5, TPoint(-1, -1)},  // upward first
      {u"BUTTON", u"BORDERSMASK", 192, 192, TSize(60, 40), 8, TPoint(5, 25)},
      {u"BUTTON", u"BORDERSMASK", 240, 192, TSize(75, 50), 10, TPoint(-1, -1)},  // above the last: downward
      {u"EDIT", u"BORDERSMASK", 144, 96, TSize(30, 20), 4, TPoint(45, 5)},       // kept at its size
  };
  for (const Case& c : cases) {
    const std::string name = StringToUtf8(c.section) + " at " + std::to_string(c.ppi);
    TsMaskData md;
    std::unique_ptr<TBitmap> bmp;
    ASSERT_EQ(skin.manager.GetScaledMaskData(c.section, c.key, md, c.ppi, bmp), c.ppi) << name;
    ASSERT_NE(bmp, nullptr) << name;
    EXPECT_EQ(md.Bmp, bmp.get()) << name;
    EXPECT_EQ(md.DivPPI, c.divPPI) << name;
    EXPECT_EQ(md.MulPPi, c.ppi) << name;
    EXPECT_EQ(md.ClassName, String(c.section)) << name;
    EXPECT_EQ(md.PropertyName, String(c.key)) << name;
    EXPECT_EQ(md.SkinIndex, 0) << name;
    EXPECT_EQ(md.ImgType, itisaBorder) << name;
    EXPECT_EQ(md.ImageCount, 1) << name;
    EXPECT_EQ(TSize(bmp->Width(), bmp->Height()), c.size) << name;
    EXPECT_EQ(md.R, TRect(0, 0, c.size.cx, c.size.cy)) << name;
    EXPECT_EQ(md.Width, c.size.cx) << name;
    EXPECT_EQ(md.WL, c.border) << name;
    if (c.from.X >= 0) {
      const uint32_t expected = 0xFF000000u | uint32_t(c.from.X) << 8 | uint32_t(c.from.Y);
      EXPECT_EQ(bmp->View().At(5, 5), expected) << name;
    }
  }
  // Only the 96-PPI picture has the transparent corner.
  TsMaskData md;
  std::unique_ptr<TBitmap> bmp;
  ASSERT_EQ(skin.manager.GetScaledMaskData(u"BUTTON", u"BORDERSMASK", md, 96, bmp), 96);
  EXPECT_EQ(md.Cfg, 1);
  ASSERT_EQ(skin.manager.GetScaledMaskData(u"BUTTON", u"BORDERSMASK", md, 192, bmp), 192);
  EXPECT_EQ(md.Cfg, 0);
}

TEST(ScaledMaskData, AnImageFileIsLoadedFromTheSkinsOwnSource) {
  for (bool packed : {false, true}) {
    ScaledMaskSkin skin(packed);
    ASSERT_TRUE(skin.manager.IsActive()) << packed;
    TsMaskData md;
    std::unique_ptr<TBitmap> bmp;
    // Only a 120-PPI value: taken for 96 (upward) and for 144 (downward), as it is.
    for (Integer ppi : {96, 144}) {
      ASSERT_EQ(skin.manager.GetScaledMaskData(u"EDIT", u"GLYPH", md, ppi, bmp), ppi) << packed << " " << ppi;
      ASSERT_NE(bmp, nullptr);
      EXPECT_EQ(md.DivPPI, 120) << packed;
      EXPECT_EQ(md.ImgType, itisaGlyph) << packed;
      EXPECT_EQ(md.R, TRect(0, 0, 12, 10)) << packed;
      EXPECT_EQ(bmp->View().At(3, 2), 0xFF0000FFu) << packed;
      EXPECT_EQ(bmp->View().At(0, 0), 0xFF204060u) << packed;
    }
  }
}

TEST(ScaledMaskData, NothingWithoutAValueOrWithoutASkin) {
  ScaledMaskSkin skin(false);
  TsMaskData md;
  std::unique_ptr<TBitmap> bmp;
  EXPECT_EQ(skin.manager.GetScaledMaskData(u"BUTTON", u"NOSUCHKEY", md, 96, bmp), -1);
  EXPECT_EQ(bmp, nullptr);
  EXPECT_EQ(skin.manager.GetScaledMaskData(u"NOSUCHSECTION", u"BORDERSMASK", md, 96, bmp), -1);
  // A reference to a file the skin does not have.
  TempDir dir;
  SkinFiles missing;
  missing.Set("GLOBALINFO", "VERSION", "16.22").Set("BUTTON", "GLYPH", "!NOFILE.PNG!1!0!2");
  missing.WriteFolder(dir.Path(), "Missing");
  DuRiruZireziv m(nullptr);
  m.SetSkinDirectory(dir.Path());
  EXPECT_EQ(m.GetScaledMaskData(u"BUTTON", u"GLYPH", md, 96, bmp), -1);  // no skin yet
  m.SetSkinName(u"Missing");
  ASSERT_TRUE(m.IsActive());
  EXPECT_EQ(m.GetScaledMaskData(u"BUTTON", u"GLYPH", md, 96, bmp), -1);
  EXPECT_EQ(bmp, nullptr);
  skin.manager.SetActive(false);
  EXPECT_EQ(skin.manager.GetScaledMaskData(u"BUTTON", u"BORDERSMASK", md, 96, bmp), -1);
}
