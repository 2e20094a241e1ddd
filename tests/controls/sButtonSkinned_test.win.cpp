// The skinned button and progress bar over a small skin made here: each state of the button
// paints its look of the section, the default button at rest takes the hot look of a
// three-state section, a disabled one gets the disabled blend; the progress bar paints its
// items from its item section and repaints nothing while the count of items stays.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>

#include "controls/kvProgressBar.h"
#include "controls/sButton.h"
#include "controls/sEdit.h"
#include "controls/sLabel.h"
#include "support/SkinFixture.h"
#include "ui/Bitmap.h"
#include "ui/Canvas.h"
#include "ui/Forms.h"

namespace {

constexpr TColor kNormal = 0x0000C0, kHot = 0x00C000, kPressed = 0xC00000;  // as TColor (BGR)

uint32_t Rgb(TColor c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

class Skinned : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    app = std::make_unique<TApplication>();
    skin = std::make_unique<SkinFixture>();
    form = new TForm(app.get());
    form->AfterConstruction();
    form->SetBounds(100, 100, 300, 200);
    form->SetColor(clWhite);
    TsGeneralData look = PlainSection(u"BUTTON", 0, kNormal, 3);
    look.Props[1].Color = Integer(kHot);
    look.Props[2].Color = Integer(kPressed);
    buttonSection = skin->AddSection(look);
    button = new TsButton(form);
    button->SetBounds(20, 20, 100, 30);
    button->SetParent(form);
    button->HandleNeeded();
    button->SkinData()->SkinIndex = buttonSection;
    button->SkinData()->SetCommonSkinData(nullptr);
  }
  void TearDown() override {
    app.reset();
    skin.reset();
  }
  // The colour the control prints at (x, y), as 0xRRGGBB.
  static uint32_t PrintedAt(TWinControl* c, Integer x, Integer y) {
    TBitmap bmp(c->Width(), c->Height(), pf32bit);
    SendMessageW(c->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(bmp.Canvas()->Handle()), PRF_CLIENT);
    return bmp.View().At(x, y) & 0xFFFFFF;
  }
  std::unique_ptr<TApplication> app;
  std::unique_ptr<SkinFixture> skin;
  TForm* form = nullptr;
  TsButton* button = nullptr;
  Integer buttonSection = -1;
};

TEST_F(Skinned, EachStatePaintsItsLook) {
  ASSERT_TRUE(button->SkinData()->Skinned());
  struct Step {
    const char* name;
    void (*apply)(TsButton*);
    TColor expected;
  } steps[] = {
      {"normal", [](TsButton*) {}, kNormal},
      {"hot", [](TsButton* b) { b->Perform(CM_MOUSEENTER, 0, 0); }, kHot},
      {"pressed", [](TsButton* b) { b->SetDown(true); }, kPressed},
      {"back to normal", [](TsButton* b) {
         b->SetDown(false);
         b->Perform(CM_MOUSELEAVE, 0, 0);
       }, kNormal},
      // A three-state section has no look of its own for the default button: the hot one.
      {"default", [](TsButton* b) { b->SetDefault(true); }, kHot},
  };
  for (const Step& s : steps) {
    s.apply(button);
    EXPECT_EQ(PrintedAt(button, 3, 3), Rgb(s.expected)) << s.name;
    EXPECT_EQ(PrintedAt(button, 96, 26), Rgb(s.expected)) << s.name;
  }
}

TEST_F(Skinned, DisabledLookIsBlendedWithTheParent) {
  button->SetEnabled(false);
  const uint32_t p = PrintedAt(button, 3, 3);
  EXPECT_NE(p, Rgb(kNormal));
  // Blended towards the white form: every channel at least the look's own.
  EXPECT_GE((p >> 16) & 0xFF, 0xC0u);
  EXPECT_GT(p & 0xFF, 0u);
}

TEST_F(Skinned, CacheIsReusedUntilTheLookChanges) {
  const uint32_t first = PrintedAt(button, 3, 3);
  // A change of the section's colour behind the cache's back does not show ...
  skin->Section(buttonSection).Props[0].Color = Integer(kPressed);
  EXPECT_EQ(PrintedAt(button, 3, 3), first);
  // ... until the button's look is invalidated.
  button->SkinData()->BGChanged = true;
  EXPECT_EQ(PrintedAt(button, 3, 3), Rgb(kPressed));
}

TEST_F(Skinned, ProgressBarPaintsItemsAndSkipsUnchangedCounts) {
  TsGeneralData gauge = PlainSection(u"GAUGE", 0, clBlack, 1);
  TsGeneralData items = PlainSection(u"PROGRESSH", 0, clYellow, 1);
  const Integer gaugeIndex = skin->AddSection(gauge);
  skin->AddSection(items);
  skin->Data->IndexSections();
  auto* bar = new TsProgressBar(form);
  bar->SetBounds(10, 100, 406, 21);
  bar->SetParent(form);
  bar->HandleNeeded();
  bar->SkinData()->SkinIndex = gaugeIndex;
  bar->SkinData()->SetCommonSkinData(nullptr);
  bar->SetProgressSkin(u"PROGRESSH");
  SendMessageW(bar->Handle(), PBM_SETPOS, 50, 0);
  EXPECT_EQ(PrintedAt(bar, 5, 10), Rgb(clYellow));     // inside the first item
  EXPECT_EQ(PrintedAt(bar, 300, 10), Rgb(clBlack));    // beyond the 15th item
  EXPECT_EQ(PrintedAt(bar, 12, 10), Rgb(clBlack));     // the gap after the first item
  const Integer builds = bar->CacheBuilds();
  for (int pos = 50; pos <= 51; ++pos) SendMessageW(bar->Handle(), PBM_SETPOS, WPARAM(pos), 0);  // still 15 items
  EXPECT_EQ(bar->CacheBuilds(), builds);
  SendMessageW(bar->Handle(), PBM_SETPOS, 100, 0);  // full: every item and the narrower last one
  EXPECT_GT(bar->CacheBuilds(), builds);
  EXPECT_EQ(PrintedAt(bar, 400, 10), Rgb(clYellow));
}

}  // namespace

namespace {

// The label's own section gives its text colour (an unskinned parent would give its font's).
TEST_F(Skinned, LabelTakesTheSkinTextColourAndBlendsWhenDisabled) {
  TsGeneralData look = PlainSection(u"LABELTEXT", 0, clWhite, 1);
  look.Props[0].FontColor.Color = 0x123456;
  skin->AddSection(look);
  skin->Data->IndexSections();
  auto* label = new TsLabel(form);
  label->SetSkinSection(u"LABELTEXT");
  label->SetParent(form);
  label->SetCaption(u"Progress");
  label->Font()->SetColor(clRed);
  EXPECT_EQ(label->TextColor(), TColor(0x123456));
  label->SetUseSkinColor(false);
  EXPECT_EQ(label->TextColor(), clRed);
  label->SetUseSkinColor(true);
  label->SetEnabled(false);
  const TColor disabled = label->TextColor();
  EXPECT_NE(disabled, TColor(0x123456));
  // Between the text colour and the white form, channel by channel.
  int lighter = 0;
  for (int shift : {0, 8, 16}) {
    const int c = (disabled >> shift) & 0xFF, from = (0x123456 >> shift) & 0xFF;
    EXPECT_GE(c, from) << shift;
    lighter += c - from;
  }
  EXPECT_GT(lighter, 0);
}

}  // namespace

namespace {

// The number of pixels of that colour (0xRRGGBB) the edit's window shows.
int PixelsOf(TWinControl* c, uint32_t rgb) {
  HDC dc = GetWindowDC(c->Handle());
  int n = 0;
  for (int y = 0; y < c->Height(); ++y)
    for (int x = 0; x < c->Width(); ++x) {
      const COLORREF p = GetPixel(dc, x, y);
      if (((GetRValue(p) << 16) | (GetGValue(p) << 8) | GetBValue(p)) == rgb) ++n;
    }
  ReleaseDC(c->Handle(), dc);
  return n;
}

TEST_F(Skinned, TextHintShownWhileEmptyAndUnfocused) {
  TsGeneralData look = PlainSection(u"EDIT", 0, clWhite, 2);
  for (auto& state : look.Props) state.FontColor.Color = 0x000000;
  const Integer section = skin->AddSection(look);
  skin->Data->IndexSections();
  auto* edit = new TsEdit(form);
  edit->SetBounds(20, 70, 200, 26);
  edit->SetParent(form);
  edit->SetColor(clWhite);
  edit->SetTextHint(u"Paste a link here");
  edit->HandleNeeded();
  edit->SkinData()->SkinIndex = section;
  edit->SkinData()->SetCommonSkinData(nullptr);
  form->Show();
  button->SetFocus();
  for (int i = 0; i < 5; ++i) Application->ProcessMessages();
  edit->SkinData()->SkinIndex = section;  // showing the form may have looked the section up again
  ASSERT_TRUE(edit->SkinData()->Skinned());
  const uint32_t hint = 0x6A6A6A;  // 148/256 of black over white
  ASSERT_EQ(TextHintColor(0x000000, 0xFFFFFF), TColor(hint));
  RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_GT(PixelsOf(edit, hint), 10);
  edit->SetFocus();
  for (int i = 0; i < 5; ++i) Application->ProcessMessages();
  RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(PixelsOf(edit, hint), 0);  // focused: hidden
  button->SetFocus();
  edit->SetText(u"https://v.example/abc");
  for (int i = 0; i < 5; ++i) Application->ProcessMessages();
  RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(PixelsOf(edit, hint), 0);  // with a text: hidden
}

}  // namespace

namespace {

TEST_F(Skinned, MarqueeStepsWhileSkinnedAndStopsWithout) {
  const Integer gauge = skin->AddSection(PlainSection(u"GAUGE", 0, clBlack, 1));
  skin->AddSection(PlainSection(u"PROGRESSH", 0, clYellow, 1));
  skin->Data->IndexSections();
  auto* bar = new TsProgressBar(form);
  bar->SetBounds(10, 100, 200, 20);
  bar->SetStyle(pbstMarquee);
  bar->SetMarqueeInterval(9);
  bar->SetParent(form);
  bar->HandleNeeded();
  bar->SkinData()->SkinIndex = gauge;
  bar->SkinData()->SetCommonSkinData(nullptr);
  bar->TimerAction(nullptr);
  EXPECT_DOUBLE_EQ(bar->MarqueePos(), 4.0);  // 18 / (9 + 27) x 8
  bar->TimerAction(nullptr);
  EXPECT_DOUBLE_EQ(bar->MarqueePos(), 8.0);
  // Its five items are painted where the marquee is.
  bar->SkinData()->BGChanged = true;
  EXPECT_EQ(PrintedAt(bar, 1 + 8 + 4, 10), Rgb(clYellow));
  EXPECT_EQ(PrintedAt(bar, 150, 10), Rgb(clBlack));
  // Without its section the bar is no longer skinned: a step switches the timer off and moves nothing.
  bar->SkinData()->SkinIndex = -1;
  bar->TimerAction(nullptr);
  EXPECT_FALSE(bar->MarqueeRunning());
  EXPECT_DOUBLE_EQ(bar->MarqueePos(), 8.0);
}

}  // namespace
