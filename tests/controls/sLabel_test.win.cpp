// The HTML label: its links after a layout, a click that opens the link under the mouse, a
// handler that refuses a link, and a click index the current layout no longer has.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/sLabel.h"
#include "support/FormFixture.h"
#include "ui/Bitmap.h"
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"

namespace {

std::vector<String> opened;
bool Record(const String& url, Integer) {
  opened.push_back(url);
  return true;
}

struct Refuser {
  void Refuse(TObject*, String& link, bool& defaultAction) {
    if (link == u"https://b.example/") defaultAction = false;
  }
};

class HtmlLabel : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    saved = TsHTMLLabel::OpenLink;
    TsHTMLLabel::OpenLink = Record;
    opened.clear();
    label = new TsHTMLLabel(form);
    label->SetParent(form);
    label->SetBounds(10, 10, 250, 40);
    label->SetCaption(u"see <a href=\"https://a.example/\">first</a> and <a href='https://b.example/'>second</a>");
    form->Show();
    PumpMessages();
    label->Repaint();
    PumpMessages();
  }
  void TearDown() override {
    TsHTMLLabel::OpenLink = saved;
    FormTest::TearDown();
  }
  TsHTMLLabel::TOpenLink saved = nullptr;
  TsHTMLLabel* label = nullptr;
};

TEST_F(HtmlLabel, PressedLinkRepaintsAtOnceWithoutInvalidating) {
  label->SetTransparent(false);  // opaque: repainted through the one bitmap
  label->SetColor(clWhite);
  form->Repaint();
  PumpMessages();
  ASSERT_GE(label->Links().size(), 1u);
  const TRect link = label->Links()[0].Bounds;
  const auto pressedColourPixels = [&] {
    TClientDC dc(form->Handle());
    Integer n = 0;
    const COLORREF pressed = RGB(255, 0, 0);  // unskinned: a pressed link is red, the others blue
    for (Integer y = link.Top; y < link.Bottom; ++y)
      for (Integer x = link.Left; x < link.Right; ++x)
        n += GetPixel(dc.get(), label->Left() + x, label->Top() + y) == pressed;
    return n;
  };
  ASSERT_EQ(pressedColourPixels(), 0);
  const TLParam at = TLParam(MAKELPARAM(link.Left + 2, link.Top + link.Height() / 2));
  label->Perform(WM_MOUSEMOVE, 0, at);
  EXPECT_EQ(label->HotLink(), 0);
  label->Perform(WM_LBUTTONDOWN, MK_LBUTTON, at);
  RECT pending{};
  EXPECT_FALSE(GetUpdateRect(form->Handle(), &pending, FALSE));  // nothing left for WM_PAINT
  EXPECT_GT(pressedColourPixels(), 5);                           // on the screen already
}

TEST_F(HtmlLabel, LayoutRecordsLinksAndPlainCaption) {
  ASSERT_EQ(label->Links().size(), 2u);
  EXPECT_EQ(label->Links()[0].URL, u"https://a.example/");
  EXPECT_EQ(label->Links()[1].Ndx, 1);
  EXPECT_LT(label->Links()[0].Bounds.Right, label->Links()[1].Bounds.Left);
  EXPECT_EQ(label->PlainCaption(), u"see first and second");
}

TEST_F(HtmlLabel, ClickOnALinkOpensItsAddress) {
  ASSERT_EQ(label->Links().size(), 2u);
  const TRect b = label->Links()[0].Bounds;
  const LPARAM at = MAKELPARAM((b.Left + b.Right) / 2, (b.Top + b.Bottom) / 2);
  label->Perform(WM_MOUSEMOVE, 0, at);
  EXPECT_EQ(label->HotLink(), 0);
  label->Perform(WM_LBUTTONDOWN, MK_LBUTTON, at);
  label->Perform(WM_LBUTTONUP, 0, at);
  EXPECT_EQ(opened, std::vector<String>{u"https://a.example/"});
}

// Opens like the shell does when it pumps messages: the user's second click arrives meanwhile.
TsHTMLLabel* reentered = nullptr;
LPARAM reenteredAt = 0;
bool RecordAndClickAgain(const String& url, Integer) {
  opened.push_back(url);
  if (TsHTMLLabel* l = std::exchange(reentered, nullptr)) {
    l->Perform(WM_MOUSEMOVE, 0, reenteredAt);
    l->Perform(WM_LBUTTONDOWN, MK_LBUTTON, reenteredAt);
    l->Perform(WM_LBUTTONUP, 0, reenteredAt);
  }
  return true;
}

TEST_F(HtmlLabel, AClickArrivingWhileALinkOpensOpensNothingMore) {
  ASSERT_EQ(label->Links().size(), 2u);
  TsHTMLLabel::OpenLink = RecordAndClickAgain;
  const TRect b = label->Links()[1].Bounds;
  const LPARAM at = MAKELPARAM((b.Left + b.Right) / 2, (b.Top + b.Bottom) / 2);
  reentered = label;
  reenteredAt = at;
  label->Perform(WM_MOUSEMOVE, 0, at);
  label->Perform(WM_LBUTTONDOWN, MK_LBUTTON, at);
  label->Perform(WM_LBUTTONUP, 0, at);
  EXPECT_EQ(opened, std::vector<String>{u"https://b.example/"});
  // Once it is open, the next click opens again.
  label->Perform(WM_LBUTTONDOWN, MK_LBUTTON, at);
  label->Perform(WM_LBUTTONUP, 0, at);
  EXPECT_EQ(opened.size(), 2u);
}

TEST_F(HtmlLabel, HandlerRefusesALinkAndStaleIndexesDoNothing) {
  Refuser refuser;
  label->SetOnLinkClick(TLinkClickEvent(&refuser, &Refuser::Refuse));
  EXPECT_FALSE(label->DoClick(1));
  EXPECT_TRUE(label->DoClick(0));
  // The caption changes and a repaint refills the links: an index from before is out of range.
  label->SetCaption(u"no links now");
  label->Repaint();
  PumpMessages();
  EXPECT_TRUE(label->Links().empty());
  EXPECT_FALSE(label->DoClick(1));
  EXPECT_EQ(opened, std::vector<String>{u"https://a.example/"});
}

}  // namespace

namespace {

class LabelSizing : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    form->Show();
    PumpMessages();
  }
  template <class L>
  L* Make(const String& caption) {
    auto* l = new L(form);
    l->SetParent(form);
    l->SetBounds(20, 20, 10, 10);
    l->SetCaption(caption);
    return l;
  }
};

TEST_F(LabelSizing, RightJustifiedAutoSizedLabelKeepsItsRightEdge) {
  auto* l = Make<TsLabel>(u"Folder");
  l->SetAlignment(taRightJustify);
  l->SetBounds(100, 20, l->Width(), l->Height());
  const Integer right = l->Left() + l->Width(), shortWidth = l->Width();
  l->SetCaption(u"The folder for the downloads");
  EXPECT_GT(l->Width(), shortWidth);
  EXPECT_EQ(l->Left() + l->Width(), right);
  l->Font()->SetSize(l->Font()->Size() * 2);
  EXPECT_EQ(l->Left() + l->Width(), right);
  l->SetCaption(u"To");
  EXPECT_LT(l->Width(), shortWidth);
  EXPECT_EQ(l->Left() + l->Width(), right);
  // Left-justified labels grow to the right instead.
  auto* left = Make<TsLabel>(u"Folder");
  const Integer leftEdge = left->Left();
  left->SetCaption(u"The folder for the downloads");
  EXPECT_EQ(left->Left(), leftEdge);
}

TEST_F(LabelSizing, HtmlCaptionIsSizedByItsLayoutNotItsTags) {
  auto* plain = Make<TsLabel>(u"see the first link");
  auto* html = Make<TsHTMLLabel>(u"see <u>the</u> <a href=\"https://a.example/\">first</a> link");
  auto* raw = Make<TsLabel>(u"see <u>the</u> <a href=\"https://a.example/\">first</a> link");
  EXPECT_NEAR(html->Width(), plain->Width(), 3);
  EXPECT_LT(html->Width(), raw->Width() - 40);
  EXPECT_EQ(html->Height(), plain->Height());
}

TEST_F(LabelSizing, FitToWidthWrapsWithinTheWidth) {
  auto* html = Make<TsHTMLLabel>(u"one two three four five six seven eight nine ten");
  const Integer oneLineWidth = html->Width(), oneLineHeight = html->Height();
  ASSERT_GT(oneLineWidth, 120);
  html->SetWordWrap(true);
  html->SetFitToWidth(true);
  html->SetBounds(html->Left(), html->Top(), 80, html->Height());
  EXPECT_LE(html->Width(), 80);
  EXPECT_GT(html->Height(), oneLineHeight * 2);  // several lines
  html->SetFitToWidth(false);                    // one long line again
  EXPECT_EQ(html->Width(), oneLineWidth);
  EXPECT_EQ(html->Height(), oneLineHeight);
}

TEST_F(LabelSizing, AnHtmlLabelAlignedAcrossItsParentWrapsAgainWhenTheParentNarrows) {
  auto* html = Make<TsHTMLLabel>(u"one two three four five six seven eight nine ten eleven twelve");
  html->SetAlign(alTop);  // the width is the parent's; no WordWrap: the renderer wraps anyway
  PumpMessages();
  const Integer wide = html->Height(), width = form->ClientWidth();
  ASSERT_EQ(html->Width(), width);
  form->SetClientWidth(110);  // about as narrow as the system lets a captioned window be
  PumpMessages();
  ASSERT_LT(form->ClientWidth(), width / 2);
  EXPECT_EQ(html->Width(), form->ClientWidth());
  EXPECT_GT(html->Height(), wide * 3 / 2) << "laid out again in the narrower width";
  form->SetClientWidth(width);
  PumpMessages();
  EXPECT_EQ(html->Height(), wide);
}

TEST_F(LabelSizing, GlassModeCommandSetsTheModeAndAnswersItsParameter) {
  auto* l = Make<TsLabel>(u"Folder");
  EXPECT_EQ(l->TranspMode(), 0);
  const TLParam mode2 = TLParam(MAKELPARAM(7, 2));
  EXPECT_EQ(l->Perform(SM_ALPHACMD, TWParam(KV_SETGLASSMODE) << 16, mode2), mode2);
  EXPECT_EQ(l->TranspMode(), 2);
  // Mode 2 sizes a transparent auto-sized label to its caption again.
  l->SetBounds(l->Left(), l->Top(), 300, 90);
  l->Perform(SM_ALPHACMD, TWParam(KV_SETGLASSMODE) << 16, mode2);
  EXPECT_LT(l->Width(), 300);
  EXPECT_LT(l->Height(), 90);
  l->Perform(SM_ALPHACMD, TWParam(KV_SETGLASSMODE) << 16, TLParam(MAKELPARAM(0, 1)));
  EXPECT_EQ(l->TranspMode(), 1);
}

TEST_F(LabelSizing, OpaqueGlassModePaintsTheLabelWithFullAlpha) {
  auto* l = Make<TsLabel>(u"Folder");
  l->SetTransparent(false);
  l->SetColor(clWhite);
  l->Perform(SM_ALPHACMD, TWParam(KV_SETGLASSMODE) << 16, TLParam(MAKELPARAM(0, 1)));
  // The form painted into a 32-bit bitmap: GDI leaves alpha 0, the label makes its own 255.
  const auto opaqueUnderLabel = [&] {
    TBitmap bmp(form->ClientWidth(), form->ClientHeight(), pf32bit);
    form->PaintTo(bmp.Canvas()->Handle(), 0, 0);
    Integer opaque = 0;
    for (Integer y = l->Top(); y < l->Top() + l->Height(); ++y)
      for (Integer x = l->Left(); x < l->Left() + l->Width(); ++x) opaque += (bmp.View().At(x, y) >> 24) == 255;
    return opaque;
  };
  EXPECT_EQ(opaqueUnderLabel(), l->Width() * l->Height());
  l->Perform(SM_ALPHACMD, TWParam(KV_SETGLASSMODE) << 16, TLParam(MAKELPARAM(0, 0)));
  l->SetTransparent(true);
  EXPECT_LT(opaqueUnderLabel(), l->Width() * l->Height());
}

}  // namespace

namespace {

class HtmlLabelText : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    form->SetColor(0x00C06030);
    form->Show();
    PumpMessages();
    label = new TsHTMLLabel(form);
    label->SetParent(form);
    label->SetAutoSize(false);
    label->SetBounds(10, 10, 200, 24);
    label->Font()->SetColor(clBlack);
    label->SetCaption(u"<b>Hi</b> there");
  }
  // The label painted over a picture filled with pixel, as its parent's background.
  std::unique_ptr<TBitmap> PaintedOver(uint32_t pixel) {
    auto bmp = std::make_unique<TBitmap>(label->Width(), label->Height(), pf32bit);
    TPixelView v = bmp->View();
    for (Integer y = 0; y < v.Height; ++y)
      for (Integer x = 0; x < v.Width; ++x) v.Row(y)[x] = pixel;
    label->Perform(WM_PAINT, TWParam(bmp->Canvas()->Handle()), 0);
    return bmp;
  }
  TsHTMLLabel* label = nullptr;
};

// The columns that hold ink (pixels other than the background).
std::pair<Integer, Integer> InkColumns(const TBitmap& bmp, uint32_t background) {
  Integer left = INT32_MAX, right = -1;
  for (Integer y = 0; y < bmp.Height(); ++y)
    for (Integer x = 0; x < bmp.Width(); ++x)
      if ((const_cast<TBitmap&>(bmp).View().At(x, y) & 0xFFFFFF) != (background & 0xFFFFFF)) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
  return {left, right};
}

TEST_F(HtmlLabelText, RightToLeftTheTextStandsAtTheRight) {
  const auto ltr = InkColumns(*PaintedOver(0xFFFFFFFF), 0xFFFFFF);
  ASSERT_GE(ltr.second, 0);
  EXPECT_LT(ltr.first, 10);
  EXPECT_LT(ltr.second, 120);
  label->SetBiDiMode(bdRightToLeft);
  const auto rtl = InkColumns(*PaintedOver(0xFFFFFFFF), 0xFFFFFF);
  ASSERT_GE(rtl.second, 0);
  EXPECT_GT(rtl.first, 80);
  EXPECT_GE(rtl.second, label->Width() - 10);
}

TEST_F(HtmlLabelText, ACarriageReturnBreaksTheRowOnlyWithTheLibrarysSwitch) {
  label->SetAutoSize(true);
  const TScopeExit switchBack([] { kvHtmlStdBreak = false; });
  kvHtmlStdBreak = false;
  label->SetCaption(u"one\rtwo");
  const Integer oneRow = label->Height();
  kvHtmlStdBreak = true;
  label->SetCaption(u"one\rtwo ");
  EXPECT_GT(label->Height(), oneRow * 3 / 2);
  kvHtmlStdBreak = false;
  label->SetCaption(u"one\rtwo");
  EXPECT_EQ(label->Height(), oneRow);
}

TEST_F(HtmlLabelText, InAlphaModeTheTextKeepsTheAlphaOfAColouredParentRight) {
  label->Perform(SM_ALPHACMD, TWParam(KV_SETGLASSMODE) << 16, TLParam(MAKELPARAM(0, 2)));
  ASSERT_EQ(label->TranspMode(), 2);
  // Over an opaque coloured background the text is opaque too.
  const uint32_t parent = 0xFF3060C0u;
  const auto over = PaintedOver(parent);
  Integer ink = 0, clear = 0;
  for (Integer y = 0; y < over->Height(); ++y)
    for (Integer x = 0; x < over->Width(); ++x) {
      const uint32_t px = over->View().At(x, y);
      if (px == parent) continue;
      ++ink;
      clear += (px >> 24) != 255;
    }
  EXPECT_GT(ink, 10);
  EXPECT_EQ(clear, 0) << "text pixels that lost the background's alpha";
  // Over a clear background the text brings its own alpha.
  const auto bare = PaintedOver(0);
  Integer seen = 0;
  for (Integer y = 0; y < bare->Height(); ++y)
    for (Integer x = 0; x < bare->Width(); ++x) seen += (bare->View().At(x, y) >> 24) != 0;
  EXPECT_GT(seen, 10);
}

TEST_F(HtmlLabelText, AnInvisibleLabelDropsTextChanges) {
  label->SetAutoSize(true);
  label->SetCaption(u"short");
  const Integer width = label->Width();
  label->SetVisible(false);
  label->SetCaption(u"a much longer caption than before");
  EXPECT_EQ(label->Width(), width);
  label->SetVisible(true);
  label->SetCaption(u"a much longer caption than before, once more");
  EXPECT_GT(label->Width(), width);
}

}  // namespace
