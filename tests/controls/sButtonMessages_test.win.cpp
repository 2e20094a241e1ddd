// What the skinned button does with each message that changes its look: paints held back while
// a form animation owns the screen, skin refreshes of its own manager and section only, a new
// caption set with drawing off, an enabling that stops a running fade, the focus rectangle in
// the pressed look's text colour; and the skin data's hue offset, saturation and rounded corners
// reaching the button's pixels.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/kvAnimation.h"
#include "controls/sButton.h"
#include "skin/sVclUtils.h"
#include "support/ManualTimerDriver.h"
#include "support/SkinFixture.h"
#include "ui/Bitmap.h"
#include "ui/Canvas.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"

namespace {

constexpr TColor kNormal = 0x0000C0, kHot = 0x00C000, kPressed = 0xC00000;  // as TColor (BGR)

uint32_t Rgb(TColor c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

// The messages a window gets, in order (the subclass sees them before the button does).
std::vector<UINT> seen;
LRESULT CALLBACK Record(HWND h, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
  if (msg == WM_PAINT || msg == WM_SETTEXT || msg == WM_PRINT || msg == WM_PRINTCLIENT) seen.push_back(msg);
  if (msg == WM_SETREDRAW) seen.push_back(w ? 0x10001 : 0x10000);
  return DefSubclassProc(h, msg, w, l);
}
constexpr UINT kRedrawOff = 0x10000, kRedrawOn = 0x10001;

class ButtonMessages : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    savedFactory = kvTimerDriverFactory;
    kvTimerDriverFactory = ManualTimerDriver::Factory();
    app = std::make_unique<TApplication>();
    skin = std::make_unique<SkinFixture>();
    form = new TForm(app.get());
    form->AfterConstruction();
    form->SetBounds(100, 100, 300, 200);
    form->SetColor(clWhite);
    TsGeneralData look = ThreeStateSection(u"BUTTON", kNormal, kHot, kPressed);
    look.Props[0].FontColor.Color = 0x000000;
    look.Props[1].FontColor.Color = 0xFF0000;  // blue as TColor
    look.Props[2].FontColor.Color = 0x00FFFF;  // yellow as TColor
    section = skin->AddSection(look);
    button = new TsButton(form);
    button->SetBounds(20, 20, 100, 30);
    button->SetTabStop(false);  // focused it would show its active look
    button->SetParent(form);
    button->HandleNeeded();
    form->Show();
    // Showing the form looks the sections up again: the test's section once more.
    Reskin();
    UpdateWindow(button->Handle());
    seen.clear();
    SetWindowSubclass(button->Handle(), Record, 1, 0);
  }
  void TearDown() override {
    if (button && button->HandleAllocated()) RemoveWindowSubclass(button->Handle(), Record, 1);
    app.reset();
    skin.reset();
    kvTimerDriverFactory = savedFactory;
  }
  void Reskin() {
    button->SkinData()->SkinIndex = section;
    button->SkinData()->SetCommonSkinData(nullptr);
    button->SkinData()->BGChanged = true;
  }
  // The button as it prints into a fresh (black) 32-bit bitmap.
  std::unique_ptr<TBitmap> Printed() {
    auto bmp = std::make_unique<TBitmap>(button->Width(), button->Height(), pf32bit);
    SendMessageW(button->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(bmp->Canvas()->Handle()), PRF_CLIENT);
    return bmp;
  }
  static uint32_t At(const std::unique_ptr<TBitmap>& b, Integer x, Integer y) { return b->View().At(x, y) & 0xFFFFFF; }
  static Integer Count(const std::unique_ptr<TBitmap>& b, uint32_t rgb) {
    Integer n = 0;
    for (Integer y = 0; y < b->Height(); ++y)
      for (Integer x = 0; x < b->Width(); ++x) n += (b->View().At(x, y) & 0xFFFFFF) == rgb;
    return n;
  }
  size_t Paints() const {
    size_t n = 0;
    for (UINT m : seen) n += m == WM_PAINT;
    return n;
  }
  LRESULT Command(Word command, Word low, LPARAM l) {
    return SendMessageW(button->Handle(), SM_ALPHACMD, WPARAM(command) << 16 | low, l);
  }
  TkvTimerDriverFactory savedFactory;
  std::unique_ptr<TApplication> app;
  std::unique_ptr<SkinFixture> skin;
  TForm* form = nullptr;
  TsButton* button = nullptr;
  Integer section = -1;
};

TEST_F(ButtonMessages, DuringAFormAnimationOnlyThePicturesOwnPrintingPaints) {
  ASSERT_EQ(At(Printed(), 3, 3), Rgb(kNormal));
  const TScopeExit animationEnds([] { InAnimationProcess = false; });
  InAnimationProcess = true;
  button->SkinData()->BGChanged = true;
  EXPECT_EQ(At(Printed(), 3, 3), 0u) << "a paint of its own is held back";
  // The animation's picture: printed between KV_PRINTING's start and end.
  TBitmap bmp(button->Width(), button->Height(), pf32bit);
  HDC dc = bmp.Canvas()->Handle();
  Command(KV_PRINTING, 1, LPARAM(dc));
  SendMessageW(button->Handle(), WM_PRINT, WPARAM(dc), 0);
  Command(KV_PRINTING, 0, LPARAM(dc));
  EXPECT_EQ(bmp.View().At(3, 3) & 0xFFFFFF, Rgb(kNormal));
  // A WM_PAINT of the system is validated without painting.
  seen.clear();
  RedrawWindow(button->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(Paints(), 1u);
  EXPECT_FALSE(GetUpdateRect(button->Handle(), nullptr, FALSE));
}

TEST_F(ButtonMessages, SkinCommandsRepaintOnlyForTheButtonsOwnManagerAndSection) {
  SkinFixture other;  // another manager
  DuRiruZireziv* own = &skin->Manager;
  struct Case {
    const char* name;
    Word command, low;
    DuRiruZireziv* manager;
    bool repaints;
  } cases[] = {
      {"refresh of every section", KV_REFRESH, 0, own, true},
      {"refresh of its section", KV_REFRESH, Word(section), own, true},
      {"refresh of another section", KV_REFRESH, Word(section + 1), own, false},
      {"refresh by another manager", KV_REFRESH, 0, &other.Manager, false},
      {"skin removed by another manager", KV_REMOVESKIN, 0, &other.Manager, false},
  };
  for (const Case& c : cases) {
    Reskin();
    button->SkinData()->BGChanged = false;
    UpdateWindow(button->Handle());
    seen.clear();
    Command(c.command, c.low, LPARAM(c.manager));
    EXPECT_EQ(Paints() > 0, c.repaints) << c.name;
  }
  // A refresh takes the window's old shape off.
  SetWindowRgn(button->Handle(), CreateRectRgn(0, 0, 10, 10), FALSE);
  Command(KV_REFRESH, 0, LPARAM(own));
  RECT box{};
  EXPECT_EQ(GetWindowRgnBox(button->Handle(), &box), ERROR);
}

TEST_F(ButtonMessages, ANewCaptionIsSetWithDrawingOffAndThenPainted) {
  button->SetCaption(u"Download");
  const std::vector<UINT> expected{kRedrawOff, kRedrawOn};
  ASSERT_GE(seen.size(), expected.size());
  EXPECT_EQ(std::vector<UINT>(seen.begin(), seen.begin() + 2), expected);
  EXPECT_GE(Paints(), 1u) << "painted after drawing is on again";
  wchar_t text[32]{};
  GetWindowTextW(button->Handle(), text, 32);
  EXPECT_EQ(String(reinterpret_cast<const char16_t*>(text)), u"Download");
}

TEST_F(ButtonMessages, EnablingOrDisablingStopsARunningFade) {
  skin->Manager.Effects.AllowAnimation = true;
  button->Perform(CM_MOUSEENTER, 0, 0);
  TkvThreadedTimer* fade = button->SkinData()->AnimTimer.get();
  ASSERT_TRUE(fade && fade->Enabled());
  button->SetEnabled(false);
  EXPECT_FALSE(button->SkinData()->TimerIsActive()) << "the fade of the old state goes";
  // Enabling again while a fade runs (one started behind the button's back).
  DoChangePaint(button->SkinData(), 1, UpdateWindow_CB, true, false, false);
  ASSERT_TRUE(button->SkinData()->TimerIsActive());
  button->SetEnabled(true);
  EXPECT_FALSE(button->SkinData()->TimerIsActive());
}

TEST_F(ButtonMessages, TheFocusRectangleTakesThePressedLooksTextColour) {
  button->SetCaption(u"Get");
  button->SetFocus();
  button->SkinData()->BGChanged = true;
  const auto focused = Printed();
  EXPECT_GT(Count(focused, 0xFFFF00), 10) << "the dotted frame in the pressed look's colour";
  EXPECT_GT(Count(focused, 0x0000FF), 5) << "the caption in the active look's colour";
}

TEST_F(ButtonMessages, HueOffsetAndSaturationReachTheButtonsPixels) {
  ASSERT_EQ(At(Printed(), 3, 3), Rgb(kNormal));
  button->SkinData()->FHUEOffset = 120;  // red turns green
  button->SkinData()->BGChanged = true;
  const uint32_t hued = At(Printed(), 3, 3);
  EXPECT_GT((hued >> 8) & 0xFF, (hued >> 16) & 0xFF);
  EXPECT_GT((hued >> 8) & 0xFF, hued & 0xFF);
  button->SkinData()->FHUEOffset = 0;
  button->SkinData()->FSaturation = -100;  // no colour at all
  button->SkinData()->BGChanged = true;
  const uint32_t grey = At(Printed(), 3, 3);
  EXPECT_NEAR(Integer((grey >> 16) & 0xFF), Integer((grey >> 8) & 0xFF), 2);
  EXPECT_NEAR(Integer((grey >> 8) & 0xFF), Integer(grey & 0xFF), 2);
  EXPECT_GT(grey & 0xFF, 0u);
}

TEST_F(ButtonMessages, RoundedCornersShowTheParentBehindThem) {
  button->SkinData()->FCustomBorder->SetRadius(0, 6);
  button->SkinData()->BGChanged = true;
  const auto b = Printed();
  EXPECT_EQ(At(b, 0, 0), 0xFFFFFFu) << "the white form shows in the rounded corner";
  EXPECT_EQ(At(b, button->Width() / 2, button->Height() / 2), Rgb(kNormal));
}

}  // namespace
