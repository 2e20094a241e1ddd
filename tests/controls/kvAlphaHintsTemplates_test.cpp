// Hint templates and their file: round trips, the reader's rejections and clamps, the byte
// count of the font name, BMP pictures keeping their alpha.
#include "controls/kvAlphaHintsTemplates.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "support/PngWriter.h"

namespace {

std::vector<Byte> Bytes(TMemoryStream& s) {
  std::vector<Byte> out(size_t(s.GetSize()));
  s.SetPosition(0);
  if (!out.empty()) s.ReadBuffer(out.data(), Integer(out.size()));
  return out;
}

TMemoryStream StreamOf(const std::vector<Byte>& bytes) {
  TMemoryStream s;
  if (!bytes.empty()) s.WriteBuffer(bytes.data(), Integer(bytes.size()));
  s.SetPosition(0);
  return s;
}

// An RGBA PNG of w x h whose pixel (x, y) is (x, y, x + y, 128 + x).
std::vector<Byte> PngFile(uint32_t w, uint32_t h) {
  testpng::Image img;
  img.width = w;
  img.height = h;
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      for (uint16_t v : {uint16_t(x), uint16_t(y), uint16_t(x + y), uint16_t(128 + x)}) img.samples.push_back(v);
  return testpng::Encode(img);
}

void SetPng(TkvHintImage& img, const std::vector<Byte>& png) {
  img.ImageData()->Clear();
  img.ImageData()->WriteBuffer(png.data(), Integer(png.size()));
  img.StreamChanged();
}

std::vector<Byte> Saved(const TkvHintTemplate& tpl) {
  TMemoryStream s;
  WriteHintTemplate(tpl, s);
  return Bytes(s);
}

std::unique_ptr<TkvHintTemplate> Loaded(const std::vector<Byte>& file,
                                        TkvHintFileResult expected = TkvHintFileResult::Ok) {
  TMemoryStream s = StreamOf(file);
  std::unique_ptr<TkvHintTemplate> tpl;
  EXPECT_EQ(ReadHintTemplate(s, tpl), expected);
  return tpl;
}

Integer Int32At(const std::vector<Byte>& b, size_t at) {
  return Integer(uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24);
}

void PutInt32At(std::vector<Byte>& b, size_t at, Integer v) {
  for (int i = 0; i < 4; ++i) b[at + i] = Byte(uint32_t(v) >> (8 * i));
}

// Offset of the first picture block: header (18 bytes) plus the font name.
size_t FirstBlock(const std::vector<Byte>& file) { return 18 + size_t(Int32At(file, 14)); }

}  // namespace

TEST(HintTemplateFile, SingleImageTemplateWritesOneBlockAndReadsBackOnlyTheDefaultPicture) {
  TkvHintTemplate tpl;
  SetPng(*tpl.ImageDefault(), PngFile(9, 7));
  ASSERT_TRUE(tpl.SingleImageUsed());
  const std::vector<Byte> file = Saved(tpl);
  ASSERT_EQ(std::memcmp(file.data(), "KPhh", 4), 0);
  EXPECT_EQ(file[4], '1');
  const size_t block = FirstBlock(file);
  const Integer m = Int32At(file, block + 54);
  EXPECT_EQ(file.size(), block + 58 + size_t(m));  // exactly one picture block

  auto back = Loaded(file);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->ImageDefault()->ImageWidth(), 9);
  EXPECT_EQ(back->ImageDefault()->ImageHeight(), 7);
  EXPECT_TRUE(back->Img_LeftBottom()->IsEmpty());
  EXPECT_TRUE(back->Img_RightTop()->IsEmpty());
  EXPECT_TRUE(back->SingleImageUsed());
}

TEST(HintTemplateFile, PngPicturesAreWrittenBackByteForByte) {
  const std::vector<Byte> png = PngFile(5, 6);
  TkvHintTemplate tpl;
  SetPng(*tpl.ImageDefault(), png);
  const std::vector<Byte> file = Saved(tpl);
  const size_t block = FirstBlock(file);
  EXPECT_EQ(file[block + 53], '1');
  ASSERT_EQ(size_t(Int32At(file, block + 54)), png.size());
  EXPECT_EQ(std::vector<Byte>(file.begin() + long(block + 58), file.end()), png);
  auto back = Loaded(file);
  ASSERT_TRUE(back);
  EXPECT_EQ(Saved(*back), file);  // and the second round is the same file
}

TEST(HintTemplateFile, EverySizeAndDrawModeSurvivesTheRoundTripIncludingNegativeOnes) {
  TkvHintTemplate tpl;
  const std::vector<Byte> png = PngFile(30, 30);
  for (Integer i = 0; i < 4; ++i) SetPng(*tpl.HintImage(i), png);
  ASSERT_FALSE(tpl.SingleImageUsed());
  for (Integer i = 0; i < 4; ++i) {
    TkvHintImage& img = *tpl.HintImage(i);
    img.FBordersWidths->SetValues(1 + i, 2 + i, 3 + i, 4 + i);
    img.FClientMargins->SetValues(5 + i, -6 - i, 7 + i, 8 + i);
    img.FShadowSizes->SetValues(-1, 9 + i, 10 + i, 11 + i);
    img.FBorderDrawModes->SetDrawMode(i, dmRepeat);
  }
  auto back = Loaded(Saved(tpl));
  ASSERT_TRUE(back);
  for (Integer i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const TkvHintImage& a = *tpl.HintImage(i);
    const TkvHintImage& b = *back->HintImage(i);
    for (Integer side = 0; side < 4; ++side) EXPECT_EQ(b.FBorderDrawModes->Get(side), a.FBorderDrawModes->Get(side));
    EXPECT_EQ(b.FBorderDrawModes->Get(4), dmStretch);
    const TkvBordersSizes* pa[] = {a.FBordersWidths.get(), a.FClientMargins.get(), a.FShadowSizes.get()};
    const TkvBordersSizes* pb[] = {b.FBordersWidths.get(), b.FClientMargins.get(), b.FShadowSizes.get()};
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(pb[k]->FLeft, pa[k]->FLeft);
      EXPECT_EQ(pb[k]->FTop, pa[k]->FTop);
      EXPECT_EQ(pb[k]->FRight, pa[k]->FRight);
      EXPECT_EQ(pb[k]->FBottom, pa[k]->FBottom);
    }
    EXPECT_EQ(b.FClientMargins->Top(), 0);  // stored negative, counts as 0
    EXPECT_EQ(b.FShadowSizes->FLeft, -1);
  }
}

TEST(HintTemplateFile, FontTravelsWithColourSizeStyleAndName) {
  TkvHintTemplate tpl;
  SetPng(*tpl.ImageDefault(), PngFile(4, 4));
  tpl.Font()->SetName(u"Tahoma");
  tpl.Font()->SetSize(11);
  tpl.Font()->SetColor(0x00123456);
  tpl.Font()->SetStyle(TFontStyles{fsBold, fsStrikeOut});
  auto back = Loaded(Saved(tpl));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Font()->Name(), u"Tahoma");
  EXPECT_EQ(back->Font()->Size(), 11);
  EXPECT_EQ(back->Font()->Color(), 0x00123456u);
  EXPECT_TRUE(back->Font()->Style().Contains(fsBold));
  EXPECT_TRUE(back->Font()->Style().Contains(fsStrikeOut));
  EXPECT_FALSE(back->Font()->Style().Contains(fsItalic));

  tpl.Font()->SetColor(0x80000005);  // a system colour
  EXPECT_EQ(Int32At(Saved(tpl), 5), 0);
}

TEST(HintTemplateFile, TheNameLengthCountsBytesNotCharacters) {
  TkvHintTemplate tpl;
  SetPng(*tpl.ImageDefault(), PngFile(4, 4));
  tpl.Font()->SetName(u"\u5b8b\u4f53");  // two characters, more bytes in any code page that has them
  const std::vector<Byte> file = Saved(tpl);
  const std::string stored = HintFontNameToBytes(u"\u5b8b\u4f53");
#ifndef _WIN32
  ASSERT_EQ(stored.size(), 6u);  // UTF-8 here: three bytes a character (a single-byte code page has 2)
#endif
  EXPECT_EQ(Int32At(file, 14), Integer(stored.size()));
  auto back = Loaded(file);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Font()->Name(), HintFontNameFromBytes(stored));
  EXPECT_EQ(back->ImageDefault()->ImageWidth(), 4);  // the picture block was found after it
}

TEST(HintTemplateFile, A32BitBmpPictureKeepsItsAlpha) {
  TkvHintTemplate tpl;
  TBitmap bmp(3, 2, pf32bit);
  for (Integer y = 0; y < 2; ++y) {
    auto* row = static_cast<uint32_t*>(bmp.ScanLine(y));
    for (Integer x = 0; x < 3; ++x) row[x] = uint32_t(40 * x + 10 * y) << 24 | 0x00102030u;
  }
  tpl.ImageDefault()->SetImage(&bmp);
  ASSERT_FALSE(tpl.ImageDefault()->HasImageData());
  const std::vector<Byte> file = Saved(tpl);
  EXPECT_EQ(file[FirstBlock(file) + 53], '0');
  auto back = Loaded(file);
  ASSERT_TRUE(back);
  TPNGGraphic* pic = back->ImageDefault()->Image();
  ASSERT_EQ(pic->PixelFormat(), pf32bit);
  for (Integer y = 0; y < 2; ++y)
    for (Integer x = 0; x < 3; ++x)
      EXPECT_EQ(static_cast<const uint32_t*>(static_cast<const TBitmap*>(pic)->ScanLine(y))[x] >> 24,
                uint32_t(40 * x + 10 * y))
          << x << "," << y;
}

TEST(HintTemplateFile, WrongMagicIsUnknownAndGivesNoTemplate) {
  std::vector<Byte> file = {'K', 'P', 'h', 'x', '0'};
  EXPECT_FALSE(Loaded(file, TkvHintFileResult::UnknownFormat));
  EXPECT_FALSE(Loaded({}, TkvHintFileResult::UnknownFormat));
}

TEST(HintTemplateFile, DamagedFilesAreRejectedWhole) {
  TkvHintTemplate tpl;
  for (Integer i = 0; i < 4; ++i) SetPng(*tpl.HintImage(i), PngFile(6, 6));
  const std::vector<Byte> good = Saved(tpl);
  const size_t block = FirstBlock(good);
  struct Case {
    const char* what;
    std::function<void(std::vector<Byte>&)> damage;
  };
  const Case cases[] = {
      {"cut inside the header", [](std::vector<Byte>& f) { f.resize(10); }},
      {"name longer than the file", [](std::vector<Byte>& f) { PutInt32At(f, 14, 1000); }},
      {"negative name length", [](std::vector<Byte>& f) { PutInt32At(f, 14, -5); }},
      {"name above the limit", [](std::vector<Byte>& f) { PutInt32At(f, 14, kvHintFileMaxNameBytes + 1); }},
      {"picture longer than the file", [&](std::vector<Byte>& f) { PutInt32At(f, block + 54, Integer(f.size())); }},
      {"negative picture length", [&](std::vector<Byte>& f) { PutInt32At(f, block + 54, -1); }},
      {"picture cut short", [&](std::vector<Byte>& f) { f.resize(block + 70); }},
      {"last picture cut short", [](std::vector<Byte>& f) { f.resize(f.size() - 3); }},
      {"picture that is no PNG", [&](std::vector<Byte>& f) { f[block + 58 + 1] = 'X'; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<Byte> bad = good;
    c.damage(bad);
    EXPECT_FALSE(Loaded(bad, TkvHintFileResult::Malformed));
  }
}

TEST(HintTemplateFile, FileEndingRightAfterTheFirstBlockIsAOnePictureFile) {
  TkvHintTemplate tpl;
  for (Integer i = 0; i < 4; ++i) SetPng(*tpl.HintImage(i), PngFile(6, 6));
  std::vector<Byte> file = Saved(tpl);
  const size_t block = FirstBlock(file);
  file.resize(block + 58 + size_t(Int32At(file, block + 54)));
  auto back = Loaded(file);
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->SingleImageUsed());
}

TEST(HintTemplateFile, SizesBeyondWhatAHintCanUseAreClamped) {
  TkvHintTemplate tpl;
  SetPng(*tpl.ImageDefault(), PngFile(10, 8));
  TkvHintImage& img = *tpl.ImageDefault();
  img.FBordersWidths->SetValues(7, 6, 9, 5);  // left + right and top + bottom beyond the picture
  img.FClientMargins->SetValues(5000, -5000, 3, 4);
  img.FShadowSizes->SetValues(1, 2, 1 << 30, 4);
  auto back = Loaded(Saved(tpl));
  ASSERT_TRUE(back);
  const TkvHintImage& b = *back->ImageDefault();
  EXPECT_EQ(b.FBordersWidths->FLeft, 7);
  EXPECT_EQ(b.FBordersWidths->FRight, 3);
  EXPECT_EQ(b.FBordersWidths->FTop, 6);
  EXPECT_EQ(b.FBordersWidths->FBottom, 2);
  EXPECT_EQ(b.FClientMargins->FLeft, kvHintMaxInset);
  EXPECT_EQ(b.FClientMargins->FTop, -kvHintMaxInset);
  EXPECT_EQ(b.FShadowSizes->FRight, kvHintMaxInset);
  EXPECT_EQ(b.FShadowSizes->FBottom, 4);
}

TEST(HintTemplateFile, PicturesLargerThanTheLimitAreRefusedBeforeDecoding) {
  TkvHintTemplate tpl;
  SetPng(*tpl.ImageDefault(), PngFile(4, 4));
  std::vector<Byte> file = Saved(tpl);
  const size_t ihdr = FirstBlock(file) + 58 + 16;
  file[ihdr + 2] = 0x40;  // width 0x4000 in the IHDR (the CRC does not matter: refused first)
  EXPECT_FALSE(Loaded(file, TkvHintFileResult::Malformed));
}

TEST(HintTemplates, ImageChangedCutsThePictureAroundACentreOfOneOrTwoPixels) {
  TkvHintImage img;
  TBitmap odd(9, 7, pf32bit);
  img.SetImage(&odd);
  EXPECT_EQ(img.FBordersWidths->Left(), 4);
  EXPECT_EQ(img.FBordersWidths->Right(), 4);
  EXPECT_EQ(img.FClientMargins->Top(), 3);
  EXPECT_EQ(img.FClientMargins->Bottom(), 3);
  TBitmap even(10, 8, pf32bit);
  img.SetImage(&even);
  EXPECT_EQ(img.FBordersWidths->Left(), 4);  // 10 - 4 - 4 = a centre of 2
  EXPECT_EQ(img.FBordersWidths->Top(), 3);   // 8 - 3 - 3 = 2
}

TEST(HintTemplates, ChangesReachTheOwnerOnlyFromACollection) {
  struct TCounter : TObject {
    int count = 0;
    void Changed(TObject*) { ++count; }
  } counter;
  TkvHintTemplates templates(nullptr, TNotifyEvent(&counter, &TCounter::Changed));
  TkvHintTemplate* tpl = templates.Add();
  tpl->ImageDefault()->FShadowSizes->Set(1, 4);
  EXPECT_EQ(counter.count, 1);
  tpl->ImageDefault()->FShadowSizes->Set(1, 4);  // the same value: nothing to report
  EXPECT_EQ(counter.count, 1);
  tpl->ImageDefault()->SetOffsetHorz(3);
  EXPECT_EQ(counter.count, 2);

  TkvHintTemplate loose;  // like the default template: nobody to tell
  loose.ImageDefault()->FShadowSizes->Set(1, 4);
  EXPECT_EQ(counter.count, 2);
}

TEST(HintTemplates, NamesFromFilesAndLookupWithoutCase) {
  EXPECT_EQ(HintTemplateNameOfFile(u"C:\\hints\\Glossy.blue.hint"), u"Glossy");
  EXPECT_EQ(HintTemplateNameOfFile(u"/tmp/Plain"), u"Plain");
  TkvHintTemplates templates;
  templates.Add()->SetName(u"First");
  templates.Add()->SetName(u"Glossy");
  EXPECT_EQ(templates.IndexOfName(u"GLOSSY"), 1);
  EXPECT_EQ(templates.IndexOfName(u"none"), -1);
}

TEST(HintTemplates, DefaultSizesAreTheResourcePicturesCut) {
  TkvHintTemplate tpl;
  SetDefaultHintTemplateSizes(tpl);
  const TkvHintImage& img = *tpl.ImageDefault();
  EXPECT_EQ(img.FBordersWidths->Left(), 11);
  EXPECT_EQ(img.FBordersWidths->Top(), 10);
  EXPECT_EQ(img.FBordersWidths->Right(), 14);
  EXPECT_EQ(img.FBordersWidths->Bottom(), 15);
  EXPECT_EQ(img.FShadowSizes->Right(), 7);
  EXPECT_EQ(img.FClientMargins->Right(), 16);
}

TEST(HintTemplates, AChangeHandlerThatRaisesDoesNotSilenceLaterSizeReports) {
  struct TRaising : TObject {
    int calls = 0;
    void Changed(TObject*) {
      if (++calls == 1) throw Exception(u"the owner failed");
    }
  } owner;
  TkvHintTemplates templates(nullptr, TNotifyEvent(&owner, &TRaising::Changed));
  TkvHintTemplate* tpl = templates.Add();
  EXPECT_THROW(tpl->ImageDefault()->FClientMargins->Set(1, 5), Exception);
  // The guard against nested reports is down again: the next change is reported.
  tpl->ImageDefault()->FClientMargins->Set(1, 6);
  EXPECT_EQ(owner.calls, 2);
}
