// The skinned button and progress bar over a small skin made here: each state of the button
// paints its look of the section, the default button at rest takes the hot look of a
// three-state section, a disabled one gets the disabled blend; the progress bar paints its
// items from its item section and repaints nothing while the count of items stays.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/kvProgressBar.h"
#include "controls/sButton.h"
#include "controls/sEdit.h"
#include "controls/sLabel.h"
#include "support/SkinFixture.h"
#include "support/Swatch.h"
#include "ui/Bitmap.h"
#include "ui/Canvas.h"
#include "ui/FormReader.h"
#include "ui/FormWriter.h"
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
    const TsGeneralData look = ThreeStateSection(u"BUTTON", kNormal, kHot, kPressed);
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
  // A segmented bar on the form, skinned: a black "GAUGE" with yellow "PROGRESSH" items.
  TsProgressBar* AddSkinnedBar(const TRect& bounds) {
    const Integer gauge = skin->AddSection(PlainSection(u"GAUGE", 0, clBlack, 1));
    skin->AddSection(PlainSection(u"PROGRESSH", 0, clYellow, 1));
    skin->Data->IndexSections();
    auto* bar = new TsProgressBar(form);
    bar->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    bar->SetParent(form);
    bar->HandleNeeded();
    bar->SkinData()->SkinIndex = gauge;
    bar->SkinData()->SetCommonSkinData(nullptr);
    bar->SetProgressSkin(u"PROGRESSH");
    return bar;
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
      {"back to normal",
       [](TsButton* b) {
         b->SetDown(false);
         b->Perform(CM_MOUSELEAVE, 0, 0);
       },
       kNormal},
      // A three-state section has no look of its own for the default button: the hot one.
      {"default", [](TsButton* b) { b->SetDefault(true); }, kHot},
  };
  for (const Step& s : steps) {
    s.apply(button);
    EXPECT_EQ(PrintedAt(button, 3, 3), Rgb(s.expected)) << s.name;
    EXPECT_EQ(PrintedAt(button, 96, 26), Rgb(s.expected)) << s.name;
  }
}

// The default button at rest wears state 3 of a four-state section (its own picture of the border
// mask); a three-state section lends it the hot look. Hot and pressed stay as they are.
TEST_F(Skinned, DefaultButtonAtRestTakesTheFourthStateOfAFourStateSection) {
  constexpr uint32_t kFrames[4] = {0xFF101080, 0xFF108010, 0xFF801010, 0xFF808010};  // ARGB
  const Integer mask = skin->AddImage(TRect(0, 40, 24, 46), 4, 0, 0, 2);
  for (Integer state = 0; state < 4; ++state) skin->Fill(mask, state, kFrames[state]);
  skin->Section(buttonSection).BorderIndex = mask;
  button->SetDefault(true);
  struct Case {
    Integer states;
    const char* look;
    void (*apply)(TsButton*);
    Integer frame;
  };
  const Case cases[] = {
      {4, "default at rest", [](TsButton*) {}, 3},
      {4, "hot", [](TsButton* b) { b->Perform(CM_MOUSEENTER, 0, 0); }, 1},
      {4, "pressed", [](TsButton* b) { b->SetDown(true); }, 2},
      {3, "default at rest", [](TsButton*) {}, 1},
      {3, "pressed", [](TsButton* b) { b->SetDown(true); }, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.states << " states, " << c.look);
    button->SetDown(false);
    button->Perform(CM_MOUSELEAVE, 0, 0);
    skin->Section(buttonSection).States = c.states;
    c.apply(button);
    EXPECT_EQ(button->CurrentState(), std::string(c.look) == "default at rest" ? 3 : c.frame);
    button->SkinData()->BGChanged = true;
    EXPECT_EQ(PrintedAt(button, 0, 15), kFrames[c.frame] & 0xFFFFFF);
  }
}

// A button with a modal result takes the modal colours the manager asks for: their first values
// at rest, their second in any other state; a tone of its own replaces them all.
TEST_F(Skinned, ModalResultColoursTheButtonAsTheManagerAsks) {
  constexpr Integer kNone = 0x1FFFFFFF;
  struct Case {
    TModalResult result;
    TSet<TkvModalButtonsColoringValue> coloring;
    bool hot;
    TkvColoring expected;  // tone, glyph, text
  };
  const Case cases[] = {
      {mrOk, {bcBackground, bcText}, false, {0x7BD098, kNone, 0x28851A}},
      {mrYes, {bcBackground, bcText}, true, {0x3EE275, kNone, 0x008E00}},
      {mrCancel, {bcGlyph}, false, {kNone, 0x0000B4, kNone}},
      {mrNo, {bcGlyph, bcText}, true, {kNone, 0x0000A2, 0x0000A2}},
      {mrNone, {bcBackground, bcGlyph, bcText}, false, {kNone, kNone, kNone}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.result) << (c.hot ? " hot" : " at rest"));
    skin->Manager.ButtonsOptions.ModalButtonsColoring = c.coloring;
    button->SetModalResult(c.result);
    button->Perform(c.hot ? CM_MOUSEENTER : CM_MOUSELEAVE, 0, 0);
    const TkvColoring got = button->GetColoring();
    EXPECT_EQ(got.ColorToneBG, c.expected.ColorToneBG);
    EXPECT_EQ(got.ColorGlyph, c.expected.ColorGlyph);
    EXPECT_EQ(got.ColorText, c.expected.ColorText);
  }
  // The toned background reaches the pixels: an OK button at rest is no longer the plain look.
  button->Perform(CM_MOUSELEAVE, 0, 0);
  skin->Manager.ButtonsOptions.ModalButtonsColoring = {bcBackground};
  button->SetModalResult(mrOk);
  button->SkinData()->BGChanged = true;
  EXPECT_NE(PrintedAt(button, 3, 3), Rgb(kNormal));
  // A tone of the button's own: that tone, no modal colours.
  button->SkinData()->FColorTone = TColor(0x405060);
  const TkvColoring own = button->GetColoring();
  EXPECT_EQ(own.ColorToneBG, 0x405060);
  EXPECT_EQ(own.ColorText, kNone);
  EXPECT_EQ(own.ColorGlyph, kNone);
  button->SkinData()->FColorTone = clNone;
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
  TsProgressBar* bar = AddSkinnedBar(TRect(10, 100, 416, 121));
  SendMessageW(bar->Handle(), PBM_SETPOS, 50, 0);
  EXPECT_EQ(PrintedAt(bar, 5, 10), Rgb(clYellow));   // inside the first item
  EXPECT_EQ(PrintedAt(bar, 300, 10), Rgb(clBlack));  // beyond the 15th item
  EXPECT_EQ(PrintedAt(bar, 12, 10), Rgb(clBlack));   // the gap after the first item
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
      if (uint32_t((GetRValue(p) << 16) | (GetGValue(p) << 8) | GetBValue(p)) == rgb) ++n;
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

namespace {

// What the application's hint switch was each time the button asked for its colours (that is,
// each time it rebuilt its look), and the releases the class library saw.
struct PressRecorder {
  std::vector<bool> hintsWhilePainting;
  std::vector<Integer> states;
  int releases = 0;
  void Coloring(TsButton*, Integer state, TkvColoring&) {
    hintsWhilePainting.push_back(Application->ShowHint());
    states.push_back(state);
  }
  void MouseUp(TObject*, TMouseButton, TShiftState, Integer, Integer) { ++releases; }
};

TEST_F(Skinned, HintsAreOffWhileAPressPaintsAndBackAfterIt) {
  form->Show();
  Application->ProcessMessages();
  button->SkinData()->SkinIndex = buttonSection;  // showing the form may have looked the section up again
  ASSERT_TRUE(button->SkinData()->Skinned());
  Application->SetShowHint(true);
  PressRecorder rec;
  button->SetOnGetColoring(TkvGetColoring(&rec, &PressRecorder::Coloring));
  button->SetOnMouseUp(TMouseEvent(&rec, &PressRecorder::MouseUp));
  SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 15));
  ASSERT_FALSE(rec.hintsWhilePainting.empty()) << "the press painted the pressed look at once";
  for (bool shown : rec.hintsWhilePainting) EXPECT_FALSE(shown);
  EXPECT_EQ(rec.states.back(), 2);  // the pressed look, before the system marks the button pushed
  EXPECT_FALSE(fGlobalFlag);
  EXPECT_TRUE(Application->ShowHint());
  EXPECT_FALSE(ShowHintStored);
  SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(50, 15));
  EXPECT_EQ(rec.releases, 1);
  EXPECT_TRUE(Application->ShowHint());
  // A press with the right button leaves the hints alone.
  rec.hintsWhilePainting.clear();
  SendMessageW(button->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(50, 15));
  RedrawWindow(button->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  button->SkinData()->BGChanged = true;
  PrintedAt(button, 3, 3);
  ASSERT_FALSE(rec.hintsWhilePainting.empty());
  for (bool shown : rec.hintsWhilePainting) EXPECT_TRUE(shown);
  SendMessageW(button->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(50, 15));
}

TEST_F(Skinned, AReleaseWithoutAPressIsDropped) {
  PressRecorder rec;
  button->SetOnMouseUp(TMouseEvent(&rec, &PressRecorder::MouseUp));
  SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(50, 15));  // pressed elsewhere
  EXPECT_EQ(rec.releases, 0);
  SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 15));
  SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(50, 15));
  EXPECT_EQ(rec.releases, 1);
  SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(50, 15));  // the press was used up
  EXPECT_EQ(rec.releases, 1);
}

TEST(HintsOffDuringPress, RestoresTheSwitchWhenTheHandlingRaises) {
  TApplication app;
  Application->SetShowHint(true);
  try {
    THintsOffDuringPress off(true);
    EXPECT_FALSE(Application->ShowHint());
    EXPECT_TRUE(ShowHintStored);
    throw std::runtime_error("handler failed");
  } catch (const std::runtime_error&) {}
  EXPECT_TRUE(Application->ShowHint());
  EXPECT_FALSE(ShowHintStored);
  {
    // A nested guard keeps the first saved value: hints come back on, not off.
    THintsOffDuringPress outer(true);
    THintsOffDuringPress inner(true);
  }
  EXPECT_TRUE(Application->ShowHint());
  Application->SetShowHint(false);
  { THintsOffDuringPress off(true); }
  EXPECT_FALSE(Application->ShowHint());  // an application without hints keeps none
}

TEST_F(Skinned, ClicksOnTransparentCornerPixelsFallThrough) {
  // A 20 x 20 border mask, opaque but for one transparent pixel in its top-left corner.
  auto mask = std::make_unique<TBitmap>(20, 20, pf32bit);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) mask->View().At(x, y) = 0xFF808080;
  mask->View().At(1, 1) = 0x00000000;
  const Integer image = skin->AddImage(TRect(0, 0, 20, 20), 1, 0);
  TsMaskData& md = skin->Image(image);
  md.Bmp = mask.get();
  md.R = TRect(0, 0, 20, 20);
  md.Width = 20;
  md.Height = 20;
  md.WL = md.WT = md.WR = md.WB = 4;
  md.Cfg = 0;
  struct Unhook {
    TsMaskData& md;
    ~Unhook() { md.Bmp = nullptr; }  // the bitmap is the test's
  } unhook{md};
  RECT w{};
  GetWindowRect(button->Handle(), &w);
  auto hit = [&](int x, int y) {
    return SendMessageW(button->Handle(), WM_NCHITTEST, 0, MAKELPARAM(w.left + x, w.top + y));
  };
  struct Case {
    const char* name;
    Integer border;
    int x, y;
    LRESULT expected;
  } cases[] = {
      {"transparent corner pixel", image, 1, 1, HTTRANSPARENT},
      {"opaque corner pixel", image, 2, 2, HTCLIENT},
      {"middle of the button", image, 50, 15, HTCLIENT},
      {"section without a border mask", -1, 1, 1, HTCLIENT},
  };
  for (const Case& c : cases) {
    skin->Section(buttonSection).BorderIndex = c.border;
    EXPECT_EQ(hit(c.x, c.y), c.expected) << c.name;
  }
  // Unskinned, the system answers for every point.
  skin->Section(buttonSection).BorderIndex = image;
  button->SkinData()->SkinIndex = -1;
  EXPECT_EQ(hit(1, 1), HTCLIENT);
}

// Pixels of the printed control that are mostly green (text in pure green, smoothed or not:
// neither the section's red look nor its black text comes near).
int PrintedGreenPixels(TWinControl* c) {
  TBitmap bmp(c->Width(), c->Height(), pf32bit);
  SendMessageW(c->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(bmp.Canvas()->Handle()), PRF_CLIENT);
  int n = 0;
  for (int y = 0; y < c->Height(); ++y)
    for (int x = 0; x < c->Width(); ++x) {
      const uint32_t p = bmp.View().At(x, y);
      const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      if (g > 0x80 && r < 0x80 && b < 0x40) ++n;
    }
  return n;
}

TEST_F(Skinned, ACommandLinkNoteTakesItsOwnFontWhenAsked) {
  button->SetBounds(20, 20, 220, 80);
  button->SetStyle(bsCommandLink);
  button->SetCaption(u"Download");
  button->SetCommandLinkHint(u"Saves the video to the folder");
  button->CommandLinkFont()->SetColor(TColor(0x00FF00));  // pure green, not in the skin
  button->SkinData()->BGChanged = true;
  EXPECT_EQ(PrintedGreenPixels(button), 0);  // the section's colours
  button->SetCustomCommandLinkFont(true);
  EXPECT_GT(PrintedGreenPixels(button), 10);
  button->SetCustomCommandLinkFont(false);
  EXPECT_EQ(PrintedGreenPixels(button), 0);
}

TEST(ButtonProperties, DefaultsAndTheCommandLinkFontRule) {
  TApplication app;
  TsButton button(nullptr);
  EXPECT_EQ(button.DisabledKind(), TSet<TsDisabledKind>{dkBlended});
  EXPECT_EQ(button.AnimatEvents(), TSet<TkvAnimatEvent>{aeGlobalDef});
  EXPECT_FALSE(button.CustomCommandLinkFont());
  EXPECT_FALSE(button.IsCommandLinkFontStored());
  TFont bold;
  bold.SetStyle(TFontStyles{fsBold});
  button.SetCommandLinkFont(&bold);
  EXPECT_TRUE(button.CommandLinkFont()->Style().Contains(fsBold));
  EXPECT_TRUE(button.IsCommandLinkFontStored());
}

TEST(ButtonProperties, TheNewSettingsAreKeptInADescription) {
  TApplication app;
  TsButton plain(nullptr);
  const std::string defaults = StringToUtf8(WriteComponentText(&plain));
  for (const char* name : {"DisabledKind", "AnimatEvents", "CommandLinkFont", "CustomCommandLinkFont"}) {
    EXPECT_EQ(defaults.find(name), std::string::npos) << name << " is stored at its default";
  }
  TsButton button(nullptr);
  button.SetDisabledKind(TSet<TsDisabledKind>{dkGrayed});
  button.SetAnimatEvents(TSet<TkvAnimatEvent>{aeMouseDown, aeClick});
  button.SetCustomCommandLinkFont(true);
  button.CommandLinkFont()->SetStyle(TFontStyles{fsItalic});
  const String text = WriteComponentText(&button);
  EXPECT_NE(StringToUtf8(text).find("DisabledKind = [dkGrayed]"), std::string::npos) << StringToUtf8(text);
  TsButton back(nullptr);
  ReadComponentText(&back, text);
  EXPECT_EQ(back.DisabledKind(), TSet<TsDisabledKind>{dkGrayed});
  EXPECT_EQ(back.AnimatEvents(), (TSet<TkvAnimatEvent>{aeMouseDown, aeClick}));
  EXPECT_TRUE(back.CustomCommandLinkFont());
  EXPECT_TRUE(back.CommandLinkFont()->Style().Contains(fsItalic));
}

}  // namespace

namespace {

class SkinnedBar : public Skinned {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(Skinned::SetUp());
    bar = AddSkinnedBar(TRect(10, 100, 210, 120));
    SendMessageW(bar->Handle(), PBM_SETPOS, 50, 0);
  }
  TsProgressBar* bar = nullptr;
};

TEST_F(SkinnedBar, GraphicChildrenArePaintedOverTheBar) {
  auto* swatch = new Swatch(form);
  swatch->SetBounds(150, 4, 10, 10);
  swatch->SetParent(bar);
  EXPECT_EQ(PrintedAt(bar, 155, 8), Rgb(clRed));
  EXPECT_EQ(PrintedAt(bar, 170, 8), Rgb(clBlack));  // the bar around it
  swatch->SetVisible(false);
  EXPECT_EQ(PrintedAt(bar, 155, 8), Rgb(clBlack));
}

TEST_F(SkinnedBar, APartlyHiddenBarRebuildsItsCacheAtEachPaint) {
  PrintedAt(bar, 5, 10);
  EXPECT_FALSE(bar->SkinData()->HalfVisible);
  Integer builds = bar->CacheBuilds();
  PrintedAt(bar, 5, 10);
  EXPECT_EQ(bar->CacheBuilds(), builds);  // wholly shown: the cache stays
  bar->SetLeft(-30);                      // partly left of the form's client area
  PrintedAt(bar, 5, 10);
  EXPECT_TRUE(bar->SkinData()->HalfVisible);
  builds = bar->CacheBuilds();
  PrintedAt(bar, 5, 10);
  EXPECT_EQ(bar->CacheBuilds(), builds + 1);  // what was hidden may have changed
  bar->SetLeft(10);
  PrintedAt(bar, 5, 10);
  EXPECT_FALSE(bar->SkinData()->HalfVisible);
  builds = bar->CacheBuilds();
  PrintedAt(bar, 5, 10);
  EXPECT_EQ(bar->CacheBuilds(), builds);
}

TEST_F(SkinnedBar, APaintHeldBackForTheParentComesWithItsEndOfUpdate) {
  form->Show();
  Application->ProcessMessages();
  PrintedAt(bar, 5, 10);
  const Integer builds = bar->CacheBuilds();
  bar->SkinData()->FUpdating = true;
  bar->SkinData()->BGChanged = true;
  RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(bar->CacheBuilds(), builds);  // held back
  EXPECT_TRUE(bar->SkinData()->FUpdating);
  SendMessageW(bar->Handle(), SM_ALPHACMD, KV_ENDPARENTUPDATE_HI, 0);
  EXPECT_FALSE(bar->SkinData()->FUpdating);
  EXPECT_EQ(bar->CacheBuilds(), builds + 1);
  // Without a held-back paint the command paints nothing.
  SendMessageW(bar->Handle(), SM_ALPHACMD, KV_ENDPARENTUPDATE_HI, 0);
  EXPECT_EQ(bar->CacheBuilds(), builds + 1);
}

}  // namespace
