// The effects on a real skinned button on a shown form: every frame of a fade is the blend of
// the two looks (in the timer's frame and on the window); a quick click waits its 30 ms through
// the engine's wait; the fill light ends when it has no room or the cursor leaves; the ripple's
// picture, window, alpha and place; every effect stops and lets go of its timer and window when
// its control goes mid-animation; the glow layer's alpha rises and falls with the frames of a
// fade. The timers are stepped by hand (no test waits for 12 ms).
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/kvAnimation.h"
#include "controls/kvGlow.h"
#include "controls/sButton.h"
#include "raster/GdiBitmaps.h"
#include "skin/sVclUtils.h"
#include "support/LayeredCalls.h"
#include "support/ManualTimerDriver.h"
#include "support/SkinFixture.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"

namespace {

constexpr TColor kNormal = 0x0000C0, kHot = 0x00C000, kPressed = 0xC00000;  // as TColor (BGR)

uint32_t Rgb(TColor c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

// The blend of one channel as the fade makes it: from weighs w / 256.
uint32_t BlendChannel(uint32_t from, uint32_t to, Integer w) {
  return uint32_t((int(from) - int(to)) * w + int(to) * 256) >> 8;
}
uint32_t Blend(uint32_t fromRgb, uint32_t toRgb, Integer w) {
  uint32_t out = 0;
  for (int shift : {0, 8, 16})
    out |= (BlendChannel((fromRgb >> shift) & 0xFF, (toRgb >> shift) & 0xFF, w) & 0xFF) << shift;
  return out;
}

std::vector<std::pair<Cardinal, Integer>> waits;
void RecordWait(Cardinal begin, Integer delay) { waits.emplace_back(begin, delay); }

class Effects : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    savedFactory = kvTimerDriverFactory;
    kvTimerDriverFactory = ManualTimerDriver::Factory();
    waits.clear();
    kvWaitHandler = RecordWait;
    kvAnimationStartup();
    app = std::make_unique<TApplication>();
    skin = std::make_unique<SkinFixture>();
    skin->Manager.Effects.AllowAnimation = true;
    form = new TForm(app.get());
    form->AfterConstruction();
    form->SetBounds(100, 100, 300, 200);
    form->SetColor(clWhite);
    const TsGeneralData look = ThreeStateSection(u"BUTTON", kNormal, kHot, kPressed);
    buttonSection = skin->AddSection(look);
    button = AddButton(TRect(20, 20, 120, 50), buttonSection);
    SetCursorPos(0, 0);  // no mouse over the buttons until a test puts it there
    form->Show();
    Paint();
    // Showing the form looks the sections up again: the test's section once more.
    button->SkinData()->SkinIndex = buttonSection;
    button->SkinData()->SetCommonSkinData(nullptr);
    button->SkinData()->BGChanged = true;
    Paint();
  }
  void TearDown() override {
    kvGlowCleanup();  // every glow goes before the forms it stays above
    app.reset();
    skin.reset();
    kvAnimationCleanup();
    kvWaitHandler = nullptr;
    kvTimerDriverFactory = savedFactory;
  }
  TsButton* AddButton(const TRect& r, Integer section) {
    auto* b = new TsButton(form);
    b->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    // A focused button shows its active look, the hot one: the form must not focus it by itself.
    b->SetTabStop(false);
    b->SetParent(form);
    b->HandleNeeded();
    b->SkinData()->SkinIndex = section;
    b->SkinData()->SetCommonSkinData(nullptr);
    return b;
  }
  // The button's section gets a glow mask (8-pixel borders, opaque green) and the glow layers
  // their services.
  void GiveTheButtonAGlow() {
    sGraphUtilsStartup();  // layered windows
    kvGlowStartup();
    skin->Data->gd[size_t(buttonSection)].GlowCount = 1;
    const Integer mask = skin->AddImage(TRect(0, 0, 24, 24), 1, 0, 0, 8);
    skin->Image(mask).ClassName = u"BUTTON";
    skin->Image(mask).PropertyName = u"GLOW0";
    skin->Fill(mask, 0, 0xFF20C040);
    skin->Data->IndexSections();
  }
  // Steps the fade to its end. Whenever a step gives the glow window a new constant alpha, the
  // frame that step put on the button must be frameAt(that alpha). seen: the glow's calls
  // before the fade's next step. The alphas, in order.
  std::vector<Integer> FollowGlow(HWND glow, size_t seen, const std::function<uint32_t(Integer)>& frameAt) {
    TkvThreadedTimer* fade = button->SkinData()->AnimTimer.get();
    std::vector<Integer> alphas;
    for (int step = 0; step < 40; ++step) {
      const std::vector<layered::UpdateCall> calls = layered::LayeredCalls::UpdatesOf(glow);
      if (calls.size() > seen) {
        EXPECT_EQ(calls.size(), seen + 1) << "one alpha a frame, step " << step;
        const Integer alpha = calls.back().alpha;
        alphas.push_back(alpha);
        EXPECT_EQ(OnScreen(button, 50, 15), frameAt(alpha)) << "step " << step << ", alpha " << alpha;
        seen = calls.size();
      }
      if (!fade->Enabled()) break;
      Tick(fade);
    }
    return alphas;
  }
  // Everything on the form painted now.
  void Paint() {
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  // One tick of a timer's inner UI timer.
  static void Tick(TkvThreadedTimer* t) { t->OnTimer2(nullptr); }
  static uint32_t OnScreen(TWinControl* c, Integer x, Integer y) {
    HDC dc = GetWindowDC(c->Handle());
    const COLORREF p = GetPixel(dc, x, y);
    ReleaseDC(c->Handle(), dc);
    return Rgb(TColor(p));
  }
  TkvTimerDriverFactory savedFactory;
  std::unique_ptr<TApplication> app;
  std::unique_ptr<SkinFixture> skin;
  TForm* form = nullptr;
  TsButton* button = nullptr;
  Integer buttonSection = -1;
};

}  // namespace

TEST_F(Effects, FadeToHotShowsTheBlendOfBothLooksInEveryFrame) {
  TsCtrlSkinData* sd = button->SkinData();
  ASSERT_TRUE(sd->FCacheBmp);
  ASSERT_FALSE(sd->BGChanged);
  ASSERT_FALSE(button->Focused());
  ASSERT_EQ(OnScreen(button, 3, 3), Rgb(kNormal));  // the fade starts from the look at rest
  button->Perform(CM_MOUSEENTER, 0, 0);
  TkvThreadedTimer* fade = sd->AnimTimer.get();
  ASSERT_NE(fade, nullptr);
  EXPECT_EQ(fade->State, 1);
  const std::vector<Integer> dezev{42, 85, 128, 170, 212, 255, 255};
  size_t frame = 0;
  while (true) {
    ASSERT_LT(frame, dezev.size());
    ASSERT_NE(fade->BmpOut, nullptr);
    const uint32_t expected = Blend(Rgb(kNormal), Rgb(kHot), 255 - dezev[frame]);
    for (TPoint p : {TPoint(3, 3), TPoint(50, 15), TPoint(96, 26)}) {
      EXPECT_EQ(fade->BmpOut->View().At(p.X, p.Y) & 0xFFFFFF, expected) << "frame " << frame;
      EXPECT_EQ(OnScreen(button, p.X, p.Y), expected) << "frame " << frame;
    }
    ++frame;
    if (!fade->Enabled()) break;
    Tick(fade);
  }
  EXPECT_EQ(frame, dezev.size());
  EXPECT_EQ(fade->State, 1);  // ended at the hot look: asking for it again does nothing
}

TEST_F(Effects, AskingTwiceForTheHotLookStartsOneFade) {
  TsCtrlSkinData* sd = button->SkinData();
  sd->FMouseAbove = true;
  sd->BGChanged = false;
  DoChangePaint(sd, 1, UpdateWindow_CB, true, false, false);
  TkvThreadedTimer* fade = sd->AnimTimer.get();
  ASSERT_NE(fade, nullptr);
  Tick(fade);
  const Integer iteration = fade->Iteration;
  const double glow = fade->Glow;
  sd->BGChanged = false;
  DoChangePaint(sd, 1, UpdateWindow_CB, true, false, false);
  EXPECT_EQ(fade->Iteration, iteration);
  EXPECT_EQ(fade->Glow, glow);
}

TEST_F(Effects, AHiddenControlIsOnlyInvalidated) {
  button->SetVisible(false);
  TsCtrlSkinData* sd = button->SkinData();
  sd->BGChanged = false;
  DoChangePaint(sd, 1, UpdateWindow_CB, true, false, true);
  EXPECT_FALSE(sd->AnimTimer);
  EXPECT_TRUE(sd->BGChanged);
}

TEST_F(Effects, ForbiddenFadingRepaintsAtOnce) {
  TsCtrlSkinData* sd = button->SkinData();
  FadingForbidden = true;
  button->Perform(CM_MOUSEENTER, 0, 0);
  FadingForbidden = false;
  EXPECT_FALSE(sd->AnimTimer);
  EXPECT_EQ(OnScreen(button, 3, 3), Rgb(kHot));
}

TEST_F(Effects, AQuickClickShowsThePressedLookAndWaitsThirtyMilliseconds) {
  TsCtrlSkinData* sd = button->SkinData();
  button->Perform(CM_MOUSEENTER, 0, 0);
  while (sd->AnimTimer->Enabled()) Tick(sd->AnimTimer.get());
  button->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  ASSERT_TRUE(sd->AnimTimer->Enabled());  // the fade to the pressed look runs
  EXPECT_EQ(sd->AnimTimer->State, 2);
  EXPECT_TRUE(waits.empty());
  button->Perform(WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  ASSERT_EQ(waits.size(), 1u);
  EXPECT_EQ(waits[0].second, 30);
  EXPECT_FALSE(fGlobalFlag);
  // Then back to the hot look, fading from the pressed one.
  EXPECT_EQ(sd->AnimTimer->State, 1);
  while (sd->AnimTimer->Enabled()) Tick(sd->AnimTimer.get());
  EXPECT_EQ(OnScreen(button, 50, 15), Rgb(kHot));
}

TEST_F(Effects, ASlowClickNeedsNoWait) {
  TsCtrlSkinData* sd = button->SkinData();
  button->Perform(CM_MOUSEENTER, 0, 0);
  while (sd->AnimTimer->Enabled()) Tick(sd->AnimTimer.get());
  button->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  while (sd->AnimTimer->Enabled()) Tick(sd->AnimTimer.get());
  EXPECT_EQ(OnScreen(button, 50, 15), Rgb(kPressed));
  button->Perform(WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_TRUE(waits.empty());
  EXPECT_EQ(sd->AnimTimer->State, 1);
}

// ---- The glow layer -----------------------------------------------------------------------------

TEST_F(Effects, TheGlowRisesWithTheFadeToHotAndFallsWithTheFadeBack) {
  GiveTheButtonAGlow();
  layered::LayeredCalls recorder;
  TsCtrlSkinData* sd = button->SkinData();
  button->Perform(CM_MOUSEENTER, 0, 0);
  const Integer id = sd->GlowID;
  ASSERT_GE(id, 0);
  TkvLayeredEffect* effect = EffectAt(id);
  ASSERT_TRUE(effect && effect->Wnd && effect->Wnd->HandleAllocated());
  HWND glow = effect->Wnd->WindowHandle();
  const std::vector<layered::UpdateCall> shown = layered::LayeredCalls::UpdatesOf(glow);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown[0].alpha, 0) << "shown transparent";
  ASSERT_TRUE(sd->AnimTimer && sd->AnimTimer->Enabled());

  // Each frame of the fade to hot weighs the normal look 255 - alpha: the glow's alpha is the
  // share of the hot look. It reaches 255 with the complete hot look, one frame before the end.
  const std::vector<Integer> up =
      FollowGlow(glow, 1, [](Integer alpha) { return Blend(Rgb(kNormal), Rgb(kHot), 255 - alpha); });
  EXPECT_EQ(up, (std::vector<Integer>{42, 85, 128, 170, 212, 255}));
  EXPECT_EQ(sd->GlowID, id) << "the hot look keeps its glow";
  EXPECT_TRUE(IsWindowVisible(glow));

  // Back to normal: each frame weighs the hot look alpha; the glow is lowered frame by frame over
  // the eighteen steps and goes once it is too faint to see (below 10).
  const size_t before = layered::LayeredCalls::UpdatesOf(glow).size();
  button->Perform(CM_MOUSELEAVE, 0, 0);
  ASSERT_EQ(sd->GlowID, id) << "leaving does not drop the glow at once";
  const std::vector<Integer> down =
      FollowGlow(glow, before, [](Integer alpha) { return Blend(Rgb(kHot), Rgb(kNormal), alpha); });
  ASSERT_EQ(down.size(), 18u);
  EXPECT_EQ(down.front(), 241);  // 255 less 255 / 18, rounded
  for (size_t i = 1; i < down.size(); ++i) {
    EXPECT_LT(down[i], down[i - 1]) << i;
    if (i + 1 < down.size()) { EXPECT_GE(down[i], 10) << i << ": still seen, so still there"; }
  }
  EXPECT_LT(down.back(), 10);
  EXPECT_EQ(sd->GlowID, -1);
  EXPECT_EQ(EffectAt(id), nullptr);
  EXPECT_FALSE(IsWindowVisible(glow));
}

TEST_F(Effects, AFadeToHotThatTakesOverAFadeToNormalEndsOnTheHotLook) {
  TsCtrlSkinData* sd = button->SkinData();
  // The mouse leaves after the fade to hot, and comes back after some frames of the fade to
  // normal: however far that went, the last frame on the window is the hot look, before any
  // repaint from the cache.
  for (int outSteps : {3, 6, 9, 15}) {
    button->Perform(CM_MOUSEENTER, 0, 0);
    TkvThreadedTimer* fade = sd->AnimTimer.get();
    ASSERT_NE(fade, nullptr) << outSteps;
    while (fade->Enabled()) Tick(fade);
    button->Perform(CM_MOUSELEAVE, 0, 0);
    ASSERT_EQ(fade->State, 0) << outSteps;
    for (int i = 0; i < outSteps; ++i) Tick(fade);
    ASSERT_TRUE(fade->Enabled()) << outSteps << ": still fading to normal";
    button->Perform(CM_MOUSEENTER, 0, 0);
    for (int i = 0; i < 40 && fade->Enabled(); ++i) Tick(fade);
    ASSERT_FALSE(fade->Enabled()) << outSteps;
    ASSERT_NE(fade->BmpOut, nullptr) << outSteps;
    for (TPoint p : {TPoint(3, 3), TPoint(50, 15), TPoint(96, 26)}) {
      EXPECT_EQ(fade->BmpOut->View().At(p.X, p.Y) & 0xFFFFFF, Rgb(kHot)) << outSteps << ": the last frame";
      EXPECT_EQ(OnScreen(button, p.X, p.Y), Rgb(kHot)) << outSteps << ": on the window";
    }
    // Back to rest for the next case.
    button->Perform(CM_MOUSELEAVE, 0, 0);
    while (fade->Enabled()) Tick(fade);
    Paint();
  }
}

TEST_F(Effects, ANewCaptionEndsAFadeAtItsTargetLookAtOnce) {
  TsCtrlSkinData* sd = button->SkinData();
  button->Perform(CM_MOUSEENTER, 0, 0);
  TkvThreadedTimer* fade = sd->AnimTimer.get();
  ASSERT_TRUE(fade && fade->Enabled());
  Tick(fade);
  ASSERT_NE(OnScreen(button, 3, 3), Rgb(kHot)) << "half-way";
  button->SetCaption(u"Parse");
  EXPECT_FALSE(fade->Enabled()) << "the fade is over";
  EXPECT_EQ(fade->State, -1);
  EXPECT_EQ(OnScreen(button, 3, 3), Rgb(kHot)) << "its end look, with the new caption, at once";
}

TEST_F(Effects, FinishingAChangeToThePressedLookShowsThePressedLook) {
  TsCtrlSkinData* sd = button->SkinData();
  button->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  TkvThreadedTimer* fade = sd->AnimTimer.get();
  ASSERT_TRUE(fade && fade->Enabled());
  ASSERT_EQ(fade->State, 2);
  FinishTimer(fade);
  EXPECT_FALSE(fade->Enabled());
  EXPECT_EQ(OnScreen(button, 3, 3), Rgb(kPressed));
  EXPECT_EQ(OnScreen(button, 96, 26), Rgb(kPressed));
  button->Perform(WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
}

TEST_F(Effects, ANewSizeHidesTheGlowAlsoWhileAFadeRuns) {
  GiveTheButtonAGlow();
  TsCtrlSkinData* sd = button->SkinData();
  button->Perform(CM_MOUSEENTER, 0, 0);
  const Integer id = sd->GlowID;
  ASSERT_GE(id, 0);
  ASSERT_TRUE(sd->AnimTimer && sd->AnimTimer->Enabled()) << "the glow rises with the fade to hot";
  button->SetBounds(20, 20, 140, 40);
  EXPECT_EQ(sd->GlowID, -1);
  EXPECT_EQ(EffectAt(id), nullptr);
}

// ---- The fill light ---------------------------------------------------------------------------

class FillLight : public Effects {
 protected:
  void SetUp() override {
    Effects::SetUp();
    skin->Manager.AnimEffects.Buttons.Events =
        TSet<TkvBtnEvent>{beMouseEnter, beMouseLeave, beMouseDown, beMouseUp, beClick};
    skin->Manager.AnimEffects.Buttons.ClickEffect = ceCircle;
    const TPoint centre = button->ClientToScreen(TPoint(50, 15));
    SetCursorPos(centre.X, centre.Y);
  }
  // A fill light started by hand, with its first step done.
  TkvThreadedTimer* Started() {
    TsCtrlSkinData* sd = button->SkinData();
    sd->BGChanged = false;
    DoChangePaint(sd, 2, UpdateFillLight, true, false, false);
    return sd->AnimTimer.get();
  }
};

TEST_F(FillLight, APressGrowsALightFromThePressPoint) {
  TkvThreadedTimer* t = Started();
  ASSERT_NE(t, nullptr);
  EXPECT_TRUE(t->Enabled());
  EXPECT_EQ(t->ThreadType, 2);
  EXPECT_EQ(t->AnimRect.Left, 50);
  EXPECT_EQ(t->AnimRect.Top, 15);
  EXPECT_DOUBLE_EQ(t->Value, 39);  // MinSize 26 * 3 / 2
  const double first = t->Value;
  Tick(t);
  EXPECT_GT(t->Value, first);
  ASSERT_NE(t->BmpOut, nullptr);
  EXPECT_EQ(t->BmpOut->Width(), 100);
}

TEST_F(FillLight, ThePressLightDimsTheGlowToHalfItsStrength) {
  GiveTheButtonAGlow();
  layered::LayeredCalls recorder;
  TsCtrlSkinData* sd = button->SkinData();
  // Hovered: the glow is up in full.
  sd->FMouseAbove = true;
  ShowGlowingIfNeeded(sd, false, nullptr, -1, false, 255);
  ASSERT_GE(sd->GlowID, 0);
  HWND glow = EffectAt(sd->GlowID)->Wnd->WindowHandle();
  ASSERT_EQ(layered::LayeredCalls::UpdatesOf(glow).back().alpha, 255);
  // Each step of the press light hands the glow half the light's strength, which falls as the
  // light spreads.
  TkvThreadedTimer* t = Started();
  ASSERT_TRUE(t && t->Enabled());
  Integer previous = 256;
  for (int step = 0; step < 6; ++step) {
    ASSERT_TRUE(t->Enabled()) << step;
    const std::vector<layered::UpdateCall> calls = layered::LayeredCalls::UpdatesOf(glow);
    const Integer alpha = calls.back().alpha;
    EXPECT_EQ(alpha, t->IntState / 2) << step;
    EXPECT_LT(alpha, previous) << step;
    EXPECT_LT(alpha, 128) << step;
    previous = alpha;
    Tick(t);
  }
  EXPECT_GE(sd->GlowID, 0) << "dimmed, not hidden, while the button is held";
}

TEST_F(FillLight, ReleasedInsideItFloodsTheButtonAndEnds) {
  TkvThreadedTimer* t = Started();
  ASSERT_TRUE(t->Enabled());
  t->State = 1;  // the release
  button->SkinData()->BGChanged = true;
  int steps = 0;
  while (t->Enabled() && steps < 500) {
    t->TimeHandler();
    Tick(t);
    ++steps;
  }
  EXPECT_LT(steps, 500);
  EXPECT_EQ(t->State, -1);
  EXPECT_EQ(t->BmpOut, nullptr);
}

TEST_F(FillLight, EndsWhenTheCacheHasNoRoomForALight) {
  TkvThreadedTimer* t = Started();
  ASSERT_TRUE(t->Enabled());
  button->SkinData()->FCacheBmp->SetSize(0, 0);
  EXPECT_FALSE(UpdateFillLight(button->SkinData(), t->Iteration));
  EXPECT_FALSE(t->Enabled());
  EXPECT_EQ(t->State, -1);
}

TEST_F(FillLight, EndsWhenTheCursorLeavesWhateverItsKind) {
  for (Integer threadType : {0, 1, 2}) {
    TkvThreadedTimer* t = Started();
    ASSERT_TRUE(t->Enabled()) << threadType;
    t->ThreadType = threadType;
    SetCursorPos(1, 1);
    EXPECT_FALSE(UpdateFillLight(button->SkinData(), t->Iteration)) << threadType;
    EXPECT_FALSE(t->Enabled()) << threadType;
    EXPECT_EQ(t->State, -1) << threadType;
    EXPECT_EQ(t->BmpOut, nullptr) << threadType;
    const TPoint centre = button->ClientToScreen(TPoint(50, 15));
    SetCursorPos(centre.X, centre.Y);
  }
}

// ---- The ripple -------------------------------------------------------------------------------

TEST_F(Effects, RipplePictureKeepsOnlyTheControlsOwnPixels) {
  // The colour the form gives its children as their background: what it draws when asked for
  // it, as the ripple asks.
  std::unique_ptr<TBitmap> formBg(CreateBmp32(10, 10));
  TkvBGInfo info;
  info.DrawDC = formBg->Canvas()->Handle();
  info.R = TRect(0, 0, 10, 10);
  info.Offset = TPoint(150, 20);
  formBg->Canvas()->Lock();
  GetBGInfo(&info, form->Handle(), true);
  formBg->Canvas()->Unlock();
  const uint32_t drawn = formBg->View().At(5, 5);
  const TColor formColor = TColor(((drawn >> 16) & 0xFF) | (drawn & 0xFF00) | ((drawn & 0xFF) << 16));
  ASSERT_NE(formColor, TColor(0x0000FF));
  struct Case {
    const char* name;
    TColor look;
    bool kept;
  } cases[] = {{"red on the form", TColor(0x0000FF), true}, {"the form's colour", formColor, false}};
  for (const Case& c : cases) {
    const Integer section = skin->AddSection(PlainSection(u"RIPPLEME", 0, c.look, 1));
    TsButton* b = AddButton(TRect(150, 20, 250, 50), section);
    Paint();
    DoClickAnimation(b->SkinData(), cm1);
    auto* t = dynamic_cast<TkvClickTimer*>(b->SkinData()->ClickTimer.get());
    ASSERT_NE(t, nullptr) << c.name;
    ASSERT_NE(t->BmpOut, nullptr) << c.name;
    EXPECT_EQ(t->BmpOut->Width(), 100) << c.name;
    const uint32_t p = t->BmpOut->View().At(50, 15);
    if (c.kept)
      EXPECT_EQ(p, 0xFFFF0000u) << c.name;  // opaque red (B, G, R, A in memory)
    else
      EXPECT_EQ(p, 0u) << c.name;
    delete b;
  }
}

TEST_F(Effects, RippleGrowsAndFadesAboveTheFormThenGoes) {
  TsCtrlSkinData* sd = button->SkinData();
  DoClickAnimation(sd, cm1);
  auto* t = dynamic_cast<TkvClickTimer*>(sd->ClickTimer.get());
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Dezev, 255);
  EXPECT_EQ(t->AForm, nullptr);  // the first frame comes with the first tick
  const TRect area = t->AnimRect;
  const std::vector<Integer> alphas{212, 176, 146, 121, 100, 83, 69, 57, 47, 39, 32, 26, 21, 17, 14, 11, 9};
  TSize size(area.Width(), area.Height());
  // Each frame stretches the last one by 2 pixels and lands one pixel in from the top-left of a
  // larger picture, so the button's centre moves with it: it is followed here.
  double centreX = area.Width() / 2.0, centreY = area.Height() / 2.0;
  for (size_t i = 0; i < alphas.size(); ++i) {
    Tick(t);
    ASSERT_NE(t->AForm, nullptr) << i;
    centreX = centreX * (size.cx + kvRippleAddSize) / size.cx + 1;
    centreY = centreY * (size.cy + kvRippleAddSize) / size.cy + 1;
    size = kvRippleNextSize(size, cm1);
    EXPECT_EQ(t->Dezev, alphas[i]) << i;
    EXPECT_EQ(t->AnimRect, kvRippleRect(area, size)) << i;
    HWND wnd = t->AForm->Handle();
    RECT wr{};
    GetWindowRect(wnd, &wr);
    EXPECT_EQ(TRect(wr.left, wr.top, wr.right, wr.bottom), t->AnimRect) << i;
    EXPECT_TRUE(IsWindowVisible(wnd)) << i;
    EXPECT_TRUE(GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_TRANSPARENT) << i;
    EXPECT_EQ(GetWindow(wnd, GW_HWNDNEXT), form->Handle()) << i;  // directly above the form
    // The picture still shows the button at the button's centre: opaque red, no green or blue.
    const uint32_t centre = t->BmpOut->View().At(Integer(centreX), Integer(centreY));
    EXPECT_GT(centre >> 24, 0xC0u) << i;
    EXPECT_GT((centre >> 16) & 0xFF, 0x80u) << i;
    EXPECT_EQ(centre & 0xFFFF, 0u) << i;
  }
  HWND last = t->AForm->Handle();
  Tick(t);  // the eighteenth step ends it
  EXPECT_EQ(t->AForm, nullptr);
  EXPECT_FALSE(t->Enabled());
  EXPECT_FALSE(IsWindow(last));
}

TEST_F(Effects, RippleOfATopmostFormIsTopmost) {
  SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  DoClickAnimation(button->SkinData(), cm1);
  auto* t = dynamic_cast<TkvClickTimer*>(button->SkinData()->ClickTimer.get());
  Tick(t);
  ASSERT_NE(t->AForm, nullptr);
  EXPECT_TRUE(GetWindowLongW(t->AForm->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(Effects, HidingTheFormEndsTheRipple) {
  DoClickAnimation(button->SkinData(), cm1);
  auto* t = dynamic_cast<TkvClickTimer*>(button->SkinData()->ClickTimer.get());
  Tick(t);
  ASSERT_NE(t->AForm, nullptr);
  HWND wnd = t->AForm->Handle();
  form->Hide();
  Tick(t);
  EXPECT_EQ(t->AForm, nullptr);
  EXPECT_FALSE(IsWindow(wnd));
}

// ---- Controls that go mid-animation ------------------------------------------------------------

TEST_F(Effects, EveryEffectLetsGoWhenItsControlGoesMidAnimation) {
  TsCtrlSkinData* sd = button->SkinData();
  // A fade, a ripple with its window, an attention pulse and a registered light, all running.
  button->Perform(CM_MOUSEENTER, 0, 0);
  TkvThreadedTimer* fade = sd->AnimTimer.get();
  ASSERT_TRUE(fade && fade->Enabled());
  DoClickAnimation(sd, cm1);
  auto* ripple = dynamic_cast<TkvClickTimer*>(sd->ClickTimer.get());
  Tick(ripple);
  ASSERT_NE(ripple->AForm, nullptr);
  HWND rippleWindow = ripple->AForm->Handle();
  StartAttention(button, TkvAttentionData{Integer(clYellow), 20, amColor});
  TkvThreadedTimer* pulse = sd->PulsTimer.get();
  ASSERT_TRUE(pulse && pulse->Enabled());
  AddLightControl(sd);
  ASSERT_EQ(kvMouseLightData()->LightControls.size(), 1u);

  TComponentWatch fadeWatch(fade), rippleWatch(ripple), pulseWatch(pulse);
  delete button;
  EXPECT_FALSE(fadeWatch.Alive());
  EXPECT_FALSE(rippleWatch.Alive());
  EXPECT_FALSE(pulseWatch.Alive());
  EXPECT_FALSE(IsWindow(rippleWindow));
  EXPECT_TRUE(kvMouseLightData()->LightControls.empty());
  kvMouseLightData()->OnLightTimer(nullptr);  // reaches nobody
}

TEST_F(Effects, AttentionOfAControlWithoutSkinDataGoesWithIt) {
  auto* plain = new TButton(form);
  plain->SetBounds(150, 60, 80, 25);
  plain->SetParent(form);
  plain->HandleNeeded();
  StartAttention(plain, TkvAttentionData{Integer(clYellow), 20, amWavering});
  ASSERT_EQ(kvAttentTimers().size(), 1u);
  TkvPulsTimer* t = kvAttentTimers()[0];
  EXPECT_NE(t->PrivateData, nullptr);
  TComponentWatch watch(t);
  delete plain;
  EXPECT_FALSE(watch.Alive());
  EXPECT_TRUE(kvAttentTimers().empty());
}

TEST_F(Effects, RestartAttentionWithoutARunningEffectDoesNothing) {
  TsCtrlSkinData* sd = button->SkinData();
  RestartAttention(sd);
  EXPECT_FALSE(sd->PulsTimer);
}

// ---- The mouse light --------------------------------------------------------------------------

namespace {
// A control whose light update raises.
class RaisingLight : public TControl {
 public:
  using TControl::TControl;
  int asked = 0;
  void Dispatch(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD && m.WParamHi == KV_UPDATELIGHT) {
      ++asked;
      throw std::runtime_error("light failed");
    }
    TControl::Dispatch(m);
  }
};
}  // namespace

TEST_F(Effects, ALightTickThatRaisesLeavesTheNextTickFree) {
  RaisingLight ctrl(nullptr);
  TsCtrlSkinData data(&ctrl);
  data.FOwnerControl = &ctrl;
  AddLightControl(&data);
  TkvMouseLightData* light = kvMouseLightData();
  EXPECT_THROW(light->OnLightTimer(nullptr), std::runtime_error);
  EXPECT_FALSE(light->InOnTimer);
  EXPECT_THROW(light->OnLightTimer(nullptr), std::runtime_error);
  EXPECT_EQ(ctrl.asked, 2);
  DelLightControl(&data);
}

TEST_F(Effects, SwitchingTheLightOffDropsEveryLight) {
  TsCtrlSkinData* sd = button->SkinData();
  skin->Manager.AnimEffects.Buttons.Events = TSet<TkvBtnEvent>{beMouseEnter, beLighting};
  AddLightControl(sd);
  SetMouseLight(true);
  EXPECT_TRUE(kvMouseLightData()->LightTimer->Enabled());
  sd->FDoLighting = true;
  // Far from the button wherever the window manager put the form: 150 pixels beyond its corner.
  const TPoint away = button->ClientToScreen(TPoint(button->Width() + 150, button->Height() + 150));
  SetCursorPos(away.X, away.Y);
  ASSERT_EQ(kvMousePos().X, away.X);
  ASSERT_EQ(kvMousePos().Y, away.Y);
  SetMouseLight(false);
  EXPECT_FALSE(kvMouseLightData()->LightTimer->Enabled());
  EXPECT_FALSE(sd->FDoLighting);
}

TEST_F(Effects, AMinimisedFormIsNeverLit) {
  TsCtrlSkinData* sd = button->SkinData();
  const TPoint centre = button->ClientToScreen(TPoint(50, 15));
  SetCursorPos(centre.X, centre.Y);
  DoUpdateLight(sd, true);
  EXPECT_TRUE(sd->FDoLighting);
  ShowWindow(form->Handle(), SW_MINIMIZE);
  DoUpdateLight(sd, true);
  EXPECT_FALSE(sd->FDoLighting);
}
