// Text output, skinned captions, alpha-correct text and the text glow.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/kvgpUtils.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "support/SkinFixture.h"
#include "ui/Canvas.h"
#include "ui/Controls.h"
#include "ui/Graphics.h"

namespace {

using Bmp = std::unique_ptr<TBitmap>;

Bmp Filled(Integer w, Integer h, TColor color, Byte alpha) {
  Bmp b(CreateBmp32(w, h));
  FillRect32(b.get(), TRect(0, 0, w, h), color, alpha);
  b->Canvas()->Font()->SetName(u"Tahoma");
  b->Canvas()->Font()->SetHeight(-16);
  return b;
}
uint32_t Px(TBitmap* b, Integer x, Integer y) { return GetAPixel(b, x, y); }
bool SamePixels(TBitmap* a, TBitmap* b) {
  for (Integer y = 0; y < a->Height(); ++y)
    for (Integer x = 0; x < a->Width(); ++x)
      if (GetAPixel(a, x, y) != GetAPixel(b, x, y)) return false;
  return true;
}

// Every changed pixel has alpha; unchanged ones are still exactly 0; there is ink, and none
// outside the text rectangle.
void ExpectAlphaCorrectInk(TBitmap* b, const TRect& textRect) {
  int ink = 0;
  for (Integer y = 0; y < b->Height(); ++y)
    for (Integer x = 0; x < b->Width(); ++x) {
      const uint32_t p = GetAPixel(b, x, y);
      if (p == 0) continue;
      ++ink;
      EXPECT_GT(PixA(p), 0) << x << "," << y;
      EXPECT_TRUE(textRect.Contains({x, y})) << x << "," << y;
    }
  EXPECT_GT(ink, 15);
}

struct Text : ::testing::Test {
  void SetUp() override { kvgpUtilsStartup(); }
};

// A skin whose section 0 has outline colours and a disabled look.
struct CaptionSkin : SkinFixture {
  CaptionSkin() {
    TsGeneralData section;
    section.BorderIndex = -1;
    section.States = 3;
    section.Props[0].FontColor = {0x000000, -1, 0xFFFFFF, -1, 0x000000};
    section.Props[0].Color = 0xFFFFFF;
    section.Props[1].FontColor = {0x0000FF, -1, -1, -1, -1};
    AddSection(section);
  }
};

}  // namespace

TEST_F(Text, DrawTextCutsLongTexts) {
  Bmp b = Filled(10, 10, clWhite, 255);
  HDC dc = b->Canvas()->Handle();
  const String longText(6000, u'x'), cut(kvMaxDrawTextLength, u'x');
  TRect all(0, 0, 0, 0), part(0, 0, 0, 0);
  kvDrawText(dc, longText, all, DT_CALCRECT | DT_SINGLELINE);
  kvDrawText(dc, cut, part, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_GT(part.Right, 1000);
  EXPECT_EQ(all.Right, part.Right);
}

TEST_F(Text, AlphaTextMeasuresIntoRightAndBottomOnly) {
  Bmp b = Filled(10, 10, clWhite, 255);
  TRect r(10, 20, 300, 25);
  EXPECT_EQ(kvDrawText(b->Canvas()->Handle(), u"Tarnwick", r, DT_ALPHATEXT | DT_CALCRECT | DT_SINGLELINE), 1);
  EXPECT_EQ(r.Left, 10);
  EXPECT_EQ(r.Top, 20);
  EXPECT_GT(r.Right, 40);
  EXPECT_GT(r.Bottom, 30);
}

TEST_F(Text, AlphaTextHasAlphaWhereInkIsAndNoneElsewhere) {
  Bmp b = Filled(120, 30, clBlack, 0);  // fully transparent
  const TRect textRect(5, 5, 110, 28);
  TRect r = textRect;
  SetTextColor(b->Canvas()->Handle(), 0x0000FF);
  kvDrawText(b->Canvas()->Handle(), u"Tarnwick", r, DT_ALPHATEXT | DT_SINGLELINE, b.get());
  ExpectAlphaCorrectInk(b.get(), TRect(textRect.Left, textRect.Top, textRect.Right + 1, textRect.Bottom + 1));

  // Without GDI+ the bitmap's own pass draws it, as alpha-correct.
  kvgpUtilsCleanup();
  Bmp g = Filled(120, 30, clBlack, 0);
  TRect r2 = textRect;
  SetTextColor(g->Canvas()->Handle(), 0x0000FF);
  kvDrawText(g->Canvas()->Handle(), u"Tarnwick", r2, DT_ALPHATEXT | DT_SINGLELINE, g.get());
  ExpectAlphaCorrectInk(g.get(), textRect);
  kvgpUtilsStartup();
}

// The rows that hold ink (alpha above 0): first and last, -1 when none.
static std::pair<Integer, Integer> InkRows(TBitmap* b) {
  Integer first = -1, last = -1;
  for (Integer y = 0; y < b->Height(); ++y)
    for (Integer x = 0; x < b->Width(); ++x)
      if (PixA(GetAPixel(b, x, y)) > 0) {
        if (first < 0) first = y;
        last = y;
        break;
      }
  return {first, last};
}

TEST_F(Text, AlphaTextIsPlacedByTheVerticalAlignmentFlags) {
  // A tall rectangle: top, centre and bottom lines of ink lie in different thirds of it.
  const TRect textRect(0, 0, 120, 90);
  std::pair<Integer, Integer> rows[3];
  const Cardinal flags[3] = {0, DT_VCENTER, DT_BOTTOM | DT_VCENTER};
  for (int i = 0; i < 3; ++i) {
    Bmp b = Filled(120, 90, clBlack, 0);
    TRect r = textRect;
    SetTextColor(b->Canvas()->Handle(), 0x0000FF);
    kvDrawText(b->Canvas()->Handle(), u"Tarnwick", r, DT_ALPHATEXT | DT_SINGLELINE | flags[i], b.get());
    rows[i] = InkRows(b.get());
    ASSERT_GE(rows[i].first, 0) << i;
  }
  EXPECT_LT(rows[0].second, 30);
  EXPECT_GT(rows[1].first, 30);
  EXPECT_LT(rows[1].second, 60);
  EXPECT_GT(rows[2].first, 60);  // bottom wins over centre
}

TEST_F(Text, WriteColorDisabledIsOpaqueWhereTheTextTouched) {
  Bmp b = Filled(80, 24, clBlack, 0);
  WriteColor(b.get(), u"Hello", false, TRect(2, 2, 78, 22), DT_SINGLELINE, 0x808080);
  int touched = 0;
  for (Integer y = 0; y < 24; ++y)
    for (Integer x = 0; x < 80; ++x) {
      const uint32_t p = GetAPixel(b.get(), x, y);
      if (p == 0) continue;
      ++touched;
      EXPECT_EQ(PixA(p), 255);
    }
  EXPECT_GT(touched, 15);
}

TEST_F(Text, WriteText32DrawsOutlinesThenTheMainColour) {
  CaptionSkin skin;
  Bmp direct = Filled(80, 30, clBlack, 0), manual = Filled(80, 30, clBlack, 0);
  TRect r(4, 6, 76, 26);
  WriteText32(direct.get(), u"Wq", true, r, DT_SINGLELINE, 0, 0, &skin.Manager);
  WriteColor(manual.get(), u"Wq", true, OffsRect(r, 0, -1), DT_SINGLELINE, 0xFFFFFF);
  WriteColor(manual.get(), u"Wq", true, OffsRect(r, 0, 1), DT_SINGLELINE, 0x000000);
  WriteColor(manual.get(), u"Wq", true, r, DT_SINGLELINE, 0x000000);
  EXPECT_TRUE(SamePixels(direct.get(), manual.get()));
  Bmp plain = Filled(80, 30, clBlack, 0), canvasColour = Filled(80, 30, clBlack, 0);
  plain->Canvas()->Font()->SetColor(0x00FF00);
  WriteText32(plain.get(), u"Wq", true, r, DT_SINGLELINE, 7, 0, &skin.Manager);  // no such section
  WriteColor(canvasColour.get(), u"Wq", true, r, DT_SINGLELINE, 0x00FF00);
  EXPECT_TRUE(SamePixels(plain.get(), canvasColour.get()));
}

TEST_F(Text, WriteTextExBySectionDrawsOutlinesAndBlendsDisabledText) {
  CaptionSkin skin;
  Bmp direct = Filled(80, 30, clWhite, 255), manual = Filled(80, 30, clWhite, 255);
  TRect r(4, 6, 76, 26);
  WriteTextEx(direct->Canvas(), u"Wq", true, r, DT_SINGLELINE, 0, 0, &skin.Manager);
  HDC dc = manual->Canvas()->Handle();
  SetBkMode(dc, TRANSPARENT);
  TRect up = OffsRect(r, 0, -1), down = OffsRect(r, 0, 1), same = r;
  SetTextColor(dc, 0xFFFFFF);
  kvDrawText(dc, u"Wq", up, DT_SINGLELINE);
  SetTextColor(dc, 0);
  kvDrawText(dc, u"Wq", down, DT_SINGLELINE);
  kvDrawText(dc, u"Wq", same, DT_SINGLELINE);
  EXPECT_TRUE(SamePixels(direct.get(), manual.get()));

  Bmp hot = Filled(80, 30, clWhite, 255);
  WriteTextEx(hot->Canvas(), u"Wq", true, r, DT_SINGLELINE, 0, 1, &skin.Manager);
  bool red = false;
  for (Integer y = 0; y < 30 && !red; ++y)
    for (Integer x = 0; x < 80 && !red; ++x) red = GetAPixel(hot.get(), x, y) == 0x00FF0000;
  EXPECT_TRUE(red);  // the hot look's colour

  Bmp disabled = Filled(80, 30, clWhite, 255);
  WriteTextEx(disabled->Canvas(), u"Wq", false, r, DT_SINGLELINE, 0, 0, &skin.Manager);
  EXPECT_EQ(disabled->Canvas()->Font()->Color(), 0x9A9A9Au);  // (0 * 100 + 255 * 155) shr 8 = 154
}

TEST_F(Text, CutTextKeepsWhatFits) {
  Bmp b = Filled(10, 10, clWhite, 255);
  TCanvas* c = b->Canvas();
  const String text = u"Downloading the video";
  EXPECT_EQ(CutText(c, text, 0), u"");
  EXPECT_EQ(CutText(c, text, c->TextWidth(u"...")), u"");  // not one character and the dots
  EXPECT_EQ(CutText(c, text, c->TextWidth(text)), text);
  const String cut = CutText(c, text, c->TextWidth(text) / 2);
  ASSERT_GE(cut.size(), 4u);
  EXPECT_EQ(cut.substr(cut.size() - 3), u"...");
  EXPECT_EQ(text.rfind(cut.substr(0, cut.size() - 3), 0), 0u);
  EXPECT_LE(c->TextWidth(cut), c->TextWidth(text) / 2);
}

TEST_F(Text, FontHeightAndStringSize) {
  TFont font;
  font.SetName(u"Tahoma");
  font.SetHeight(-16);
  HFONT f = font.Handle();
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(screen, f);
  TEXTMETRICW tm{};
  ASSERT_TRUE(GetTextMetricsW(screen, &tm));
  SIZE i{}, text{};
  GetTextExtentPoint32W(screen, L"I", 1, &i);
  GetTextExtentPoint32W(screen, L"Tarnwick", 8, &text);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(GetFontHeight(f, true), tm.tmHeight - tm.tmInternalLeading - tm.tmExternalLeading);
  EXPECT_EQ(GetFontHeight(f, false), tm.tmHeight + 6);
  EXPECT_EQ(GetStringSize(f, u"Tarnwick", 0, false, 0, false), TSize(text.cx, text.cy));
  EXPECT_EQ(GetStringSize(f, u"Tarnwick", 0, false, 0, true), TSize(text.cx + i.cx, text.cy));
  const TSize wrapped = GetStringSize(f, u"one two three four five", 0, true, 40, false);
  EXPECT_GT(wrapped.cy, text.cy);
  TSize viaDC;
  EXPECT_TRUE(kvGetTextExtent(nullptr, u"Tarnwick", viaDC, f));
  EXPECT_EQ(viaDC, TSize(text.cx, text.cy));
  Bmp b = Filled(10, 10, clWhite, 255);
  b->Canvas()->Font()->Assign(&font);
  const TSize gp = kvgpMeasureString(b->Canvas()->Handle(), u"Tarnwick", f, false, 1000);
  EXPECT_NEAR(gp.cx, text.cx, text.cx / 4 + 4);
}

TEST_F(Text, GlowRaisesAlphaAroundTheTextAndAKeptMaskIsReused) {
  Bmp a = Filled(100, 40, clBlack, 0), b = Filled(100, 40, clBlack, 0);
  std::unique_ptr<TBitmap> mask;
  kvDrawGlowForText(a.get(), u"Glow", TRect(20, 10, 70, 30), DT_SINGLELINE, 15, 3, 0xFFFFFF, mask);
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(mask->Width(), 50 + 2 * 7);
  EXPECT_EQ(mask->PixelFormat(), pf8bit);
  int glowing = 0;
  for (Integer y = 0; y < 40; ++y)
    for (Integer x = 0; x < 100; ++x) glowing += PixA(GetAPixel(a.get(), x, y)) > 0;
  EXPECT_GT(glowing, 50);
  EXPECT_EQ(Px(a.get(), 0, 0), 0u);  // far from the text
  kvDrawGlowForText(b.get(), u"Other text", TRect(20, 10, 70, 30), DT_SINGLELINE, 15, 3, 0xFFFFFF, mask);
  EXPECT_TRUE(SamePixels(a.get(), b.get()));  // the kept mask still holds the first text
}

TEST(UpdateColor, ToneHueAndSaturationOfTheControl) {
  EXPECT_EQ(UpdateColor(clBtnFace, nullptr), ColorToRGB(clBtnFace));
  TsCommonData data(nullptr);
  EXPECT_EQ(UpdateColor(0x204080, &data), 0x204080u);  // nothing to change
  data.FColorTone = 0x0000FF;                          // a red tone: the brightest channel in red
  EXPECT_EQ(UpdateColor(0x204080, &data), 0x00007Fu);  // (255 * 128) shr 8
  data.FColorTone = clNone;
  data.FSaturation = -100;  // fully desaturated: grey
  const TColor grey = UpdateColor(0x0000FF, &data);
  EXPECT_NEAR(int(grey & 0xFF), int(grey >> 8 & 0xFF), 1);
  EXPECT_NEAR(int(grey & 0xFF), int(grey >> 16 & 0xFF), 1);
  data.FSaturation = 0;
  data.FHUEOffset = 120;  // red turned a third: green
  const TColor turned = UpdateColor(0x0000FF, &data);
  EXPECT_GT(turned >> 8 & 0xFF, 200u);
  EXPECT_LT(turned & 0xFF, 40u);
}

namespace {
// A control that answers the font-index query with `answer`.
class TFontAsker : public TControl {
 public:
  using TControl::TControl;
  intptr_t answer = -1;
  void Dispatch(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD && m.WParamHi == KV_GETFONTINDEX) {
      m.Result = answer;
      return;
    }
    TControl::Dispatch(m);
  }
};

struct ControlCaption : ::testing::Test {
  ControlCaption() : ctrl(nullptr), data(&ctrl) {
    kvgpUtilsStartup();
    TsGeneralData s;
    s.BorderIndex = -1;
    s.Props[0].FontColor = {0x000000, -1, -1, -1, -1};
    s.Props[1].FontColor = {0x0000FF, -1, 0xFFFFFF, -1, -1};
    section = skin.AddSection(s);
    skin.Manager.Palette[pcMainColor] = 0xFFFFFF;
    parent.Font()->SetColor(clLime);
    ctrl.SetBounds(0, 0, 80, 30);
    ctrl.SetParent(&parent);
    data.FOwnerControl = &ctrl;
    data.FSkinManager = &skin.Manager;
    data.FCommonSkinData = skin.Data;
    data.SkinIndex = section;
  }
  ~ControlCaption() override { ctrl.SetParent(nullptr); }
  SkinFixture skin;
  TWinControl parent{nullptr};
  TFontAsker ctrl;
  TsCommonData data;
  Integer section = 0;
  std::unique_ptr<TBitmap> b = Filled(80, 30, clWhite, 255);
};
}  // namespace

TEST_F(ControlCaption, DisabledTextBlendsTowardsTheGlobalColour) {
  TRect r(0, 0, 80, 30);
  WriteTextEx(b->Canvas(), u"Wq", false, r, DT_SINGLELINE, &data, 0);
  EXPECT_EQ(b->Canvas()->Font()->Color(), 0x9A9A9Au);  // (0 * 100 + 255 * 155) shr 8
}

TEST_F(ControlCaption, HotWebButtonIsUnderlined) {
  skin.Manager.SkinCommonInfo.Sections[ssWebBtn] = section;
  TRect r(0, 0, 80, 30);
  WriteTextEx(b->Canvas(), u"Wq", true, r, DT_SINGLELINE, &data, 1);
  EXPECT_TRUE(b->Canvas()->Font()->Style().Contains(fsUnderline));
  std::unique_ptr<TBitmap> other = Filled(80, 30, clWhite, 255);
  WriteTextEx(other->Canvas(), u"Wq", true, r, DT_SINGLELINE, &data, 0);
  EXPECT_FALSE(other->Canvas()->Font()->Style().Contains(fsUnderline));
}

TEST_F(ControlCaption, ButtonSectionsAskTheParentsForTheirFont) {
  skin.Manager.SkinCommonInfo.Sections[ssButton] = section;
  ctrl.answer = 0;  // no section: the parent's font colour, drawn plainly
  TRect r(0, 0, 80, 30);
  WriteTextEx(b->Canvas(), u"Wq", true, r, DT_SINGLELINE, &data, 0);
  EXPECT_EQ(b->Canvas()->Font()->Color(), clLime);
  ctrl.answer = -1;  // the control's own section
  std::unique_ptr<TBitmap> own = Filled(80, 30, clWhite, 255), manual = Filled(80, 30, clWhite, 255);
  WriteTextEx(own->Canvas(), u"Wq", true, r, DT_SINGLELINE, &data, 1);
  HDC dc = manual->Canvas()->Handle();
  SetBkMode(dc, TRANSPARENT);
  TRect up = OffsRect(r, 0, -1), same = r;
  SetTextColor(dc, 0xFFFFFF);
  kvDrawText(dc, u"Wq", up, DT_SINGLELINE);
  SetTextColor(dc, 0x0000FF);
  kvDrawText(dc, u"Wq", same, DT_SINGLELINE);
  EXPECT_TRUE(SamePixels(own.get(), manual.get()));
}

TEST_F(ControlCaption, UnskinnedOrCustomFontGivesThePlainCaption) {
  data.FCustomFont = true;
  TRect r(0, 0, 80, 30);
  std::unique_ptr<TBitmap> plain = Filled(80, 30, clWhite, 255), manual = Filled(80, 30, clWhite, 255);
  plain->Canvas()->Font()->SetColor(clBlue);
  WriteTextEx(plain->Canvas(), u"Wq", true, r, DT_SINGLELINE, &data, 0);
  manual->Canvas()->Font()->SetColor(clBlue);
  manual->Canvas()->Brush()->SetStyle(bsClear);
  RECT rc{0, 0, 80, 30};
  DrawTextW(manual->Canvas()->Handle(), L"Wq", 2, &rc, DT_SINGLELINE);
  EXPECT_TRUE(SamePixels(plain.get(), manual.get()));
  // Disabled and plain: embossed in the system's highlight and shadow colours.
  std::unique_ptr<TBitmap> embossed = Filled(80, 30, clWhite, 255);
  WriteTextEx(embossed->Canvas(), u"Wq", false, r, DT_SINGLELINE, &data, 0);
  EXPECT_EQ(embossed->Canvas()->Font()->Color(), clBtnShadow);
}

TEST_F(ControlCaption, GlowGoesIntoTheControlsCache) {
  skin.Section(section).Props[0].GlowSize = 3;
  skin.Section(section).Props[0].GlowColor = 0x00FFFF;
  data.FCacheBmp = Filled(80, 30, clBlack, 0);
  TBitmap* cache = data.FCacheBmp.get();
  TRect r(10, 5, 70, 25);
  WriteTextEx(cache->Canvas(), u"Wq", true, r, DT_SINGLELINE, &data, 0);
  int glowing = 0;
  for (Integer y = 0; y < 30; ++y)
    for (Integer x = 0; x < 80; ++x) {
      const uint32_t p = GetAPixel(cache, x, y);
      glowing += PixR(p) > 100 && PixG(p) > 100 && PixB(p) < 100;  // yellow glow
    }
  EXPECT_GT(glowing, 20);
}
