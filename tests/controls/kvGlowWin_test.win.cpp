// Glow layers and light circles on real windows under Xvfb: the pictures they hand to
// UpdateLayeredWindow (Wine shows them over black), their place in the z-order, the holes that
// covering windows cut, the fade-out of a hidden glow, the circle's growth on hover, its change on
// press and its end on leave, all stepped by hand; and what is left when the control goes in the
// middle of an animation.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "base/kvThdTimer.h"
#include "base/kvntTypes.h"
#include "base/sMessages.h"
#include "controls/kvAnimation.h"
#include "controls/kvGlow.h"
#include "controls/kvSlider.h"
#include "controls/sTrackBar.h"
#include "raster/GdiBitmaps.h"
#include "raster/kvgpUtils.h"
#include "skin/ControlServices.h"
#include "skin/sCommonData.h"
#include "support/LayeredCalls.h"
#include "support/SkinFixture.h"
#include "ui/Forms.h"

namespace {

// A windowed control with a skin data of its own that reports its mouse area (the test sets it).
class LitControl : public TCustomControl {
 public:
  explicit LitControl(TComponent* owner) : TCustomControl(owner) {}
  ~LitControl() override { sd.reset(); }
  void WndProc(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD && m.WParamHi == KV_GETMOUSEAREA) {
      if (answers && m.LParam) *reinterpret_cast<TRect*>(m.LParam) = area;
      m.Result = answers ? 1 : 0;
      return;
    }
    TCustomControl::WndProc(m);
  }
  std::unique_ptr<TsCommonData> sd;
  TRect area;
  bool answers = true;
};

TPoint Cursor() {
  POINT p{};
  GetCursorPos(&p);
  return TPoint(p.x, p.y);
}

HWND WindowOf(Integer id) {
  TkvLayeredEffect* e = EffectAt(id);
  return e && e->Wnd && e->Wnd->HandleAllocated() ? e->Wnd->WindowHandle() : nullptr;
}

Byte AlphaOf(uint32_t pixel) { return Byte(pixel >> 24); }

// The constant alphas handed to a layered window, in order.
std::vector<Integer> AlphasOf(HWND glow) {
  std::vector<Integer> out;
  for (const layered::UpdateCall& c : layered::LayeredCalls::UpdatesOf(glow)) out.push_back(c.alpha);
  return out;
}

class GlowEffects : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    app = std::make_unique<TApplication>();
    skin = std::make_unique<SkinFixture>();
    sGraphUtilsStartup();  // layered windows
    kvgpUtilsStartup();    // GDI+ for a slider's thumb
    kvGlowStartup();
    TsGeneralData button = PlainSection(u"BUTTON", 0, clWhite, 3);
    button.GlowCount = 1;
    buttonSection = skin->AddSection(button);
    TsGeneralData check = PlainSection(u"CHECKBOX", 0, clWhite, 3);
    check.Props[1].LightColor = Integer(0xC00000FF);  // red at 0xC0
    check.Props[2].LightColor = Integer(0xC0FF0000);  // blue at 0xC0
    checkSection = skin->AddSection(check);
    plainSection = skin->AddSection(PlainSection(u"PLAIN", 0, clWhite, 1));
    // A glow mask of 8-pixel borders, opaque green.
    glowMask = skin->AddImage(TRect(0, 0, 24, 24), 1, 0, 0, 8);
    skin->Image(glowMask).ClassName = u"BUTTON";
    skin->Image(glowMask).PropertyName = u"GLOW0";
    skin->Fill(glowMask, 0, 0xFF20C040);
    skin->Data->IndexSections();
    form = new TForm(app.get());
    form->AfterConstruction();
    form->SetBounds(100, 100, 320, 200);
    lit = MakeLit(buttonSection);
    form->Show();
    Pump();
  }
  void TearDown() override {
    ClearGlows(true, false);
    kvGlowCleanup();
    app.reset();
    skin.reset();
    kvgpUtilsCleanup();
  }
  LitControl* MakeLit(Integer section) {
    auto* c = new LitControl(form);
    c->SetBounds(40, 40, 100, 30);
    c->SetParent(form);
    c->HandleNeeded();
    c->sd = std::make_unique<TsCommonData>(c, true);
    c->sd->SkinIndex = section;
    c->sd->SetCommonSkinData(nullptr);
    return c;
  }
  TRect ScreenRect(TWinControl* c) {
    RECT r{};
    GetWindowRect(c->Handle(), &r);
    return TRect(r.left, r.top, r.right, r.bottom);
  }
  Integer ShowLitGlow(Integer dezev) {
    return ShowGlow(ScreenRect(lit), u"BUTTON", u"GLOW", 0, dezev, form->Handle(), lit->sd.get());
  }
  // Makes the control a check box hovered over an area around the cursor.
  void HoverCheck() {
    lit->sd->SkinIndex = checkSection;
    lit->sd->COC = Byte(COC_TsCheckBox);
    lit->sd->FMouseAbove = true;
    const TPoint p = Cursor();
    lit->area = TRect(p.X - 8, p.Y - 8, p.X + 8, p.Y + 8);
  }
  void Press(bool down) {
    TControlState state = lit->ControlState();
    if (down)
      state += csLButtonDown;
    else
      state -= csLButtonDown;
    lit->SetControlState(state);
  }
  // Steps the circle timer until it stops (at most limit steps); the steps it took.
  int RunCircleTimer(int limit = 100) {
    int steps = 0;
    while (lit->sd->CircleTimer && lit->sd->CircleTimer->Enabled() && steps < limit) {
      lit->sd->CircleTimer->OnTimer2(nullptr);
      ++steps;
    }
    return steps;
  }
  static void Pump() {
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
  }
  std::unique_ptr<TApplication> app;
  std::unique_ptr<SkinFixture> skin;
  TForm* form = nullptr;
  LitControl* lit = nullptr;
  Integer buttonSection = -1, checkSection = -1, plainSection = -1, glowMask = -1;
};

// ---- Glows ----

TEST_F(GlowEffects, ASectionWithoutGlowMaskOrHoverOuterEffectGetsNoGlow) {
  lit->sd->SkinIndex = plainSection;
  const size_t before = kvgEffects.size();
  EXPECT_EQ(ShowGlow(ScreenRect(lit), u"PLAIN", u"GLOW", 0, 255, form->Handle(), lit->sd.get()), -1);
  EXPECT_EQ(kvgEffects.size(), before);
  EXPECT_EQ(ShowGlow(ScreenRect(lit), u"BUTTON", u"GLOW", 0, 255, form->Handle(), nullptr), -1) << "no skin data";
  EXPECT_EQ(ShowGlow(ScreenRect(lit), -1, 0, 255, form->Handle(), lit->sd.get()), -1) << "no mask";
}

TEST_F(GlowEffects, AGlowIsTheMasksBordersAroundTheControlAboveItsForm) {
  layered::LayeredCalls recorder;
  const Integer id = ShowLitGlow(200);
  ASSERT_GE(id, 0);
  HWND glow = WindowOf(id);
  ASSERT_NE(glow, nullptr);
  const std::vector<layered::UpdateCall> calls = layered::LayeredCalls::UpdatesOf(glow);
  ASSERT_EQ(calls.size(), 1u);
  const layered::UpdateCall& c = calls.back();
  const TRect control = ScreenRect(lit);
  EXPECT_EQ(c.size.cx, 116);
  EXPECT_EQ(c.size.cy, 46);
  ASSERT_TRUE(c.hasPos);
  EXPECT_EQ(c.pos.x, control.Left - 8);
  EXPECT_EQ(c.pos.y, control.Top - 8);
  EXPECT_EQ(c.alpha, 200);
  // The borders of the mask lie outside the control on every side.
  const int points[][2] = {{3, 23}, {112, 23}, {58, 3}, {58, 42}};
  for (const auto& p : points) EXPECT_GT(AlphaOf(c.At(p[0], p[1])), 0) << p[0] << "," << p[1];
  // The window goes directly above the host form: with the form on top of everything too.
  const LONG ex = GetWindowLongW(glow, GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_LAYERED);
  EXPECT_TRUE(ex & WS_EX_TRANSPARENT);
  EXPECT_FALSE(ex & WS_EX_TOPMOST);
  EXPECT_EQ(GetWindow(glow, GW_HWNDNEXT), form->Handle()) << "directly above the form";
  EXPECT_EQ(lit->sd->GlowID, -1) << "the caller keeps the id";
}

TEST_F(GlowEffects, AControlOnATopmostFormGetsATopmostGlow) {
  SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  const Integer id = ShowLitGlow(255);
  ASSERT_GE(id, 0);
  EXPECT_TRUE(GetWindowLongW(WindowOf(id), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(GlowEffects, AWindowLyingAcrossTheControlCutsItsRowsOutOfTheGlow) {
  // A bar across the control with all four corners outside it.
  HWND bar = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 20, 50, 200, 6, form->Handle(), nullptr, nullptr,
                             nullptr);
  ASSERT_NE(bar, nullptr);
  SetWindowPos(bar, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  layered::LayeredCalls recorder;
  const Integer id = ShowLitGlow(255);
  ASSERT_GE(id, 0);
  const layered::UpdateCall c = layered::LayeredCalls::UpdatesOf(WindowOf(id)).back();
  // The bar covers rows 50 to 55 of the form's client area: rows 18 to 23 of the glow.
  for (int y = 18; y < 24; ++y) {
    EXPECT_EQ(c.At(3, y), 0u) << y;
    EXPECT_EQ(c.At(112, y), 0u) << y;
  }
  EXPECT_GT(AlphaOf(c.At(3, 17)), 0);
  EXPECT_GT(AlphaOf(c.At(3, 24)), 0);
  DestroyWindow(bar);
}

TEST_F(GlowEffects, AnAnimatedHideFadesTheGlowOutInEighteenSteps) {
  layered::LayeredCalls recorder;
  lit->sd->GlowID = ShowLitGlow(255);
  const Integer id = lit->sd->GlowID;
  HWND glow = WindowOf(id);
  ASSERT_NE(glow, nullptr);
  HideGlow(lit->sd->GlowID, true);
  ASSERT_TRUE(lit->sd->AnimTimer);
  EXPECT_EQ(lit->sd->GlowID, id) << "kept while it fades";
  for (int i = 0; i < 40 && lit->sd->AnimTimer->Enabled(); ++i) lit->sd->AnimTimer->OnTimer2(nullptr);
  EXPECT_FALSE(lit->sd->AnimTimer->Enabled());
  const std::vector<layered::UpdateCall> calls = layered::LayeredCalls::UpdatesOf(glow);
  ASSERT_EQ(calls.size(), 1u + 18u) << "the picture once, then one alpha a step";
  for (size_t i = 2; i < calls.size(); ++i) EXPECT_LT(calls[i].alpha, calls[i - 1].alpha) << i;
  EXPECT_EQ(calls[1].alpha, 241);  // 255 less 255/18, rounded
  EXPECT_EQ(lit->sd->GlowID, -1);
  EXPECT_EQ(EffectAt(id), nullptr) << "a hidden glow leaves its slot empty";
  EXPECT_FALSE(IsWindowVisible(glow));
  Pump();
  EXPECT_FALSE(IsWindow(glow)) << "released to the message loop";
}

TEST_F(GlowEffects, AnAnimatedHideFadesFromTheStrengthTheGlowShowsOnTheSharedGlowStep) {
  // A control's glow, and a window's glow whose skin data has no control (a wrapper's): both fade
  // on the glow fade's step from where they stand, never from 0.
  TComponent owner(nullptr);
  TsCommonData windowData(&owner);
  windowData.FSWHandle = lit->Handle();
  windowData.SkinIndex = buttonSection;
  windowData.SetCommonSkinData(nullptr);
  struct Case {
    const char* name;
    TsCommonData* sd;
  } cases[] = {{"a control's", lit->sd.get()}, {"a window's", &windowData}};
  skin->Manager.Effects.AllowAnimation = true;
  for (const Case& c : cases) {
    ASSERT_EQ(c.sd->FOwnerControl == nullptr, c.sd == &windowData) << c.name;
    layered::LayeredCalls recorder;
    c.sd->GlowID = ShowGlow(ScreenRect(lit), glowMask, 0, 200, form->Handle(), c.sd);
    const Integer id = c.sd->GlowID;
    HWND glow = WindowOf(id);
    ASSERT_NE(glow, nullptr) << c.name;
    HideGlow(c.sd->GlowID, true);
    TkvThreadedTimer* fade = c.sd->AnimTimer.get();
    ASSERT_NE(fade, nullptr) << c.name;
    auto* step = fade->AnimProc.target<bool (*)(TObject*, Integer)>();
    ASSERT_NE(step, nullptr) << c.name;
    EXPECT_EQ(*step, &UpdateGlowing_CB) << c.name;
    EXPECT_EQ(c.sd->GlowID, id) << c.name << ": kept while it fades";
    for (int i = 0; i < 40 && fade->Enabled(); ++i) fade->OnTimer2(nullptr);
    EXPECT_FALSE(fade->Enabled()) << c.name;
    const std::vector<Integer> alphas = AlphasOf(glow);
    ASSERT_EQ(alphas.size(), 1u + 18u) << c.name << ": the picture once, then one alpha a step";
    EXPECT_EQ(alphas[0], 200) << c.name;
    EXPECT_EQ(alphas[1], 189) << c.name << ": 200 less 200 / 18, rounded";
    for (size_t i = 2; i < alphas.size(); ++i) EXPECT_LT(alphas[i], alphas[i - 1]) << c.name << ", " << i;
    EXPECT_LT(alphas.back(), 10) << c.name;
    EXPECT_EQ(c.sd->GlowID, -1) << c.name;
    EXPECT_EQ(EffectAt(id), nullptr) << c.name;
    EXPECT_FALSE(IsWindowVisible(glow)) << c.name;
  }
}

TEST_F(GlowEffects, AHideWhileAStateFadeRunsIsImmediate) {
  lit->sd->GlowID = ShowLitGlow(255);
  const Integer id = lit->sd->GlowID;
  GetNewTimer(lit->sd->AnimTimer, lit, 1);  // a state fade's timer
  lit->sd->AnimTimer->ThreadType = 0;
  HideGlow(lit->sd->GlowID, true);
  EXPECT_EQ(lit->sd->GlowID, -1);
  EXPECT_EQ(EffectAt(id), nullptr);
  Integer stale = id;
  HideGlow(stale, true);  // a stale id is ignored
  EXPECT_EQ(stale, id);
}

TEST_F(GlowEffects, AControlThatGoesWhileItsGlowFadesOutTakesGlowAndWindowWithIt) {
  lit->sd->GlowID = ShowLitGlow(255);
  const Integer id = lit->sd->GlowID;
  HWND glow = WindowOf(id);
  HideGlow(lit->sd->GlowID, true);
  lit->sd->AnimTimer->OnTimer2(nullptr);
  delete lit;
  lit = nullptr;
  EXPECT_EQ(EffectAt(id), nullptr);
  Pump();
  EXPECT_FALSE(IsWindow(glow));
}

TEST_F(GlowEffects, ClearingGlowsCanSpareTheCircles) {
  lit->sd->GlowID = ShowLitGlow(255);
  LitControl* check = MakeLit(checkSection);
  TkvCircleEffectData data;
  data.SkinData = check->sd.get();
  data.RadiusStart = data.RadiusFinish = 12;
  data.Center = Cursor();
  check->sd->CircleID = CreateCircleEffect(data);
  const Integer glowId = lit->sd->GlowID, circleId = check->sd->CircleID;
  ASSERT_GE(glowId, 0);
  ASSERT_GE(circleId, 0);
  ClearGlows(false, true);
  EXPECT_EQ(lit->sd->GlowID, -1);
  EXPECT_EQ(EffectAt(glowId), nullptr);
  EXPECT_EQ(check->sd->CircleID, circleId);
  ASSERT_NE(EffectAt(circleId), nullptr);
  EXPECT_TRUE(EffectAt(circleId)->IsCircle());
  ClearGlows(false, false);
  EXPECT_TRUE(kvgEffects.empty());
  EXPECT_EQ(check->sd->CircleID, -1);
}

TEST_F(GlowEffects, AFramePartsGlowKeepsTheRectangleItIsGiven) {
  // A form's provider asks for the glow of a caption button by its mask.
  TComponent owner(nullptr);
  TsCommonData frame(&owner);
  frame.COC = Byte(COC_TsSkinProvider);
  frame.FSWHandle = form->Handle();
  frame.SkinIndex = buttonSection;
  frame.SetCommonSkinData(nullptr);
  layered::LayeredCalls recorder;
  const Integer id = ShowGlow(TRect(300, 300, 330, 320), glowMask, 0, 255, form->Handle(), &frame);
  ASSERT_GE(id, 0);
  const layered::UpdateCall c = layered::LayeredCalls::UpdatesOf(WindowOf(id)).back();
  EXPECT_EQ(c.size.cx, 30 + 16);
  EXPECT_EQ(c.size.cy, 20 + 16);
  EXPECT_EQ(c.pos.x, 292);
  EXPECT_EQ(c.pos.y, 292);
  Integer gone = id;
  HideGlow(gone, false);
  EXPECT_EQ(gone, -1);
}

// ---- The hover glow of a control, asked for with animation ----

TEST_F(GlowEffects, AnAnimatedHoverGlowFadesInOnTheControlsFadeTimerWhenAnimationIsAllowed) {
  struct Case {
    const char* name;
    bool allowAnimation;
    std::vector<Integer> alphas;  // handed to the glow window, in order
  } cases[] = {
      {"animated: shown transparent, raised by 255 / 6 a step", true, {0, 42, 85, 128, 170, 212, 255}},
      {"animation off: shown in full at once", false, {255}},
  };
  for (const Case& c : cases) {
    skin->Manager.Effects.AllowAnimation = c.allowAnimation;
    lit->sd->FMouseAbove = true;
    lit->sd->BGChanged = true;  // the fade is started with a clean cache
    layered::LayeredCalls recorder;
    ShowGlowingIfNeeded(lit->sd.get(), false, nullptr, -1, true, 255);
    const Integer id = lit->sd->GlowID;
    ASSERT_GE(id, 0) << c.name;
    HWND glow = WindowOf(id);
    ASSERT_NE(glow, nullptr) << c.name;
    TkvThreadedTimer* fade = lit->sd->AnimTimer.get();
    if (c.allowAnimation) {
      ASSERT_TRUE(fade && fade->Enabled()) << c.name;
      EXPECT_EQ(fade->State, 1) << c.name;
      EXPECT_EQ(fade->ThreadType, 1) << c.name;
      fade->OnTimer2(nullptr);
      lit->sd->Invalidate(false);  // a repaint of the control half-way leaves the glow's fade running
      EXPECT_TRUE(fade->Enabled()) << c.name;
      for (int i = 0; i < 20 && fade->Enabled(); ++i) fade->OnTimer2(nullptr);
      EXPECT_FALSE(fade->Enabled()) << c.name;
    } else {
      EXPECT_FALSE(fade && fade->Enabled()) << c.name;
    }
    EXPECT_EQ(AlphasOf(glow), c.alphas) << c.name;
    EXPECT_EQ(lit->sd->GlowID, id) << c.name;
    EXPECT_TRUE(IsWindowVisible(glow)) << c.name;
    HideGlow(lit->sd->GlowID, false);
  }
}

TEST_F(GlowEffects, AnAnimatedHoverGlowWhoseFadeHasNothingLeftToDoIsShownInFull) {
  lit->sd->FMouseAbove = true;
  ShowGlowingIfNeeded(lit->sd.get(), false, nullptr, -1, true, 255);
  ASSERT_GE(lit->sd->GlowID, 0);
  while (lit->sd->AnimTimer->Enabled()) lit->sd->AnimTimer->OnTimer2(nullptr);
  ASSERT_EQ(lit->sd->AnimTimer->State, 1);  // the fade stands at the hot look
  ClearGlows(false, true);                  // a new skin takes every glow away
  ASSERT_EQ(lit->sd->GlowID, -1);
  layered::LayeredCalls recorder;
  ShowGlowingIfNeeded(lit->sd.get(), false, nullptr, -1, true, 255);
  ASSERT_GE(lit->sd->GlowID, 0);
  EXPECT_EQ(AlphasOf(WindowOf(lit->sd->GlowID)), (std::vector<Integer>{0, 255}));
}

TEST_F(GlowEffects, AGlowFadingOutComesBackInFullWhenTheMouseReturns) {
  for (int outSteps : {3, 15}) {
    lit->sd->FMouseAbove = true;
    ShowGlowingIfNeeded(lit->sd.get(), false, nullptr, -1, true, 255);
    const Integer id = lit->sd->GlowID;
    ASSERT_GE(id, 0) << outSteps;
    TkvThreadedTimer* fade = lit->sd->AnimTimer.get();
    while (fade->Enabled()) fade->OnTimer2(nullptr);
    // The mouse leaves: the glow fades out, and the mouse is back before it is gone.
    lit->sd->FMouseAbove = false;
    ShowGlowingIfNeeded(lit->sd.get(), false, nullptr, -1, true, 255);
    ASSERT_EQ(lit->sd->GlowID, id) << outSteps << ": fading out";
    for (int i = 0; i < outSteps; ++i) fade->OnTimer2(nullptr);
    HWND glow = WindowOf(id);
    layered::LayeredCalls recorder;
    lit->sd->FMouseAbove = true;
    ShowGlowingIfNeeded(lit->sd.get(), false, nullptr, -1, true, 255);
    for (int i = 0; i < 40 && fade->Enabled(); ++i) fade->OnTimer2(nullptr);
    EXPECT_EQ(lit->sd->GlowID, id) << outSteps << ": the same glow stays";
    EXPECT_TRUE(IsWindowVisible(glow)) << outSteps;
    const std::vector<Integer> alphas = AlphasOf(glow);
    ASSERT_FALSE(alphas.empty()) << outSteps;
    for (size_t i = 1; i < alphas.size(); ++i) EXPECT_GT(alphas[i], alphas[i - 1]) << outSteps << ", " << i;
    EXPECT_EQ(alphas.back(), 255) << outSteps;
    HideGlow(lit->sd->GlowID, false);
  }
}

namespace {
// A graphic control with a skin data of its own.
class LitGraphic : public TGraphicControl {
 public:
  explicit LitGraphic(TComponent* owner) : TGraphicControl(owner) {}
  ~LitGraphic() override { sd.reset(); }
  std::unique_ptr<TsCommonData> sd;
};

// The glow layer as a hover asks for it: records the screen rectangle of each glow.
class GlowRectRecorder : public TkvGlowServices {
 public:
  void ClearGlows(bool, bool) override {}
  void AnimShowControl(TWinControl*, Word, Integer, TkvAnimTypeCtrl) override {}
  void HideGlow(Integer& glowID, bool) override { glowID = -1; }
  void HideCircle(Integer& circleID) override { circleID = -1; }
  Integer ShowGlow(const TRect& r, const String&, TsCommonData*, void*, Integer, Integer) override {
    rects.push_back(r);
    return Integer(rects.size());
  }
  void FadeGlowIn(TsCommonData*) override {}
  std::vector<TRect> rects;
};
}  // namespace

// A graphic control that reaches beyond its parent's client area glows only over the part the
// parent shows.
TEST_F(GlowEffects, AGraphicControlGlowsOnlyWhereItsParentShowsIt) {
  RECT client{};
  GetClientRect(form->Handle(), &client);
  POINT origin{0, 0};
  ClientToScreen(form->Handle(), &origin);
  auto* g = new LitGraphic(form);
  g->SetParent(form);
  g->SetBounds(client.right - 20, 40, 60, 30);
  g->sd = std::make_unique<TsCommonData>(g, true);
  g->sd->SkinIndex = buttonSection;
  g->sd->FSkinSection = u"BUTTON";
  g->sd->SetCommonSkinData(nullptr);
  g->sd->FMouseAbove = true;
  GlowRectRecorder glows;
  TkvGlowServices* const saved = TkvServiceSlot<TkvGlowServices>::Get();
  TkvServiceSlot<TkvGlowServices>::Set(&glows);
  ShowGlowingIfNeeded(g->sd.get(), false, nullptr, -1, false, 255);
  g->sd->GlowID = -1;
  TkvServiceSlot<TkvGlowServices>::Set(saved);
  ASSERT_EQ(glows.rects.size(), 1u);
  EXPECT_EQ(glows.rects[0], TRect(origin.x + client.right - 20, origin.y + 40, origin.x + client.right, origin.y + 70));
}

// ---- Light circles ----

TEST_F(GlowEffects, HoveringACheckMarkGrowsACircleFrom10To23AndStops) {
  HoverCheck();
  layered::LayeredCalls recorder;
  ShowCircleIfNeeded(lit->sd.get(), 255, true);
  const Integer id = lit->sd->CircleID;
  ASSERT_GE(id, 0);
  ASSERT_TRUE(lit->sd->CircleTimer);
  EXPECT_EQ(lit->sd->CircleTimer->Interval(), 24u);
  RunCircleTimer();
  EXPECT_FALSE(lit->sd->CircleTimer->Enabled()) << "it stops at its end radius";
  // Each picture is the circle of that step's radius: 2 r + 1 pixels across.
  std::vector<long> expected;
  TkvCircleMotion m{10, 255, 23, 255, scIncrease};
  for (bool goOn = true; goOn;) {
    goOn = StepCircleMotion(m, true, false);
    expected.push_back(2 * std::lround(m.RealRadius) + 1);
  }
  std::vector<long> sizes;
  for (const layered::UpdateCall& c : layered::LayeredCalls::UpdatesOf(WindowOf(id))) {
    EXPECT_EQ(c.size.cx, c.size.cy);
    sizes.push_back(c.size.cx);
  }
  EXPECT_EQ(sizes, expected);
  const layered::UpdateCall last = layered::LayeredCalls::UpdatesOf(WindowOf(id)).back();
  EXPECT_EQ(last.pos.x, Cursor().X - 23);
  EXPECT_EQ(last.pos.y, Cursor().Y - 23);
  // Bright at its centre, nothing at its corners.
  EXPECT_GT(AlphaOf(last.At(23, 23)), 0);
  EXPECT_EQ(last.At(0, 0), 0u);
  EXPECT_TRUE(GetWindowLongW(WindowOf(id), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
}

TEST_F(GlowEffects, PressingShowsTheDiscAndReleasingGoesBackToTheHoverCircle) {
  HoverCheck();
  ShowCircleIfNeeded(lit->sd.get(), 255, true);
  RunCircleTimer();
  const Integer id = lit->sd->CircleID;
  auto* circle = dynamic_cast<TkvCircleEffect*>(EffectAt(id));
  ASSERT_NE(circle, nullptr);
  layered::LayeredCalls recorder;
  Press(true);
  ShowCircleIfNeeded(lit->sd.get(), 255, true);
  EXPECT_EQ(circle->State, 2);
  ASSERT_TRUE(circle->BackBmp);
  EXPECT_EQ(circle->BackBmp->Width(), 47) << "a disc of the full radius";
  EXPECT_EQ(circle->Motion.AlphaFinish, 0) << "the inner circle fades while it grows";
  std::vector<layered::UpdateCall> calls = layered::LayeredCalls::UpdatesOf(WindowOf(id));
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().size.cx, 47) << "the circle is drawn over the disc";
  EXPECT_GT(AlphaOf(calls.back().At(2, 23)), 0) << "the disc reaches where the small circle does not";
  Press(false);
  const double pressedRadius = circle->Motion.RealRadius;
  ShowCircleIfNeeded(lit->sd.get(), 255, false);
  EXPECT_EQ(circle->State, 1);
  EXPECT_EQ(EffectAt(lit->sd->CircleID), circle) << "the same circle, no second window";
  EXPECT_EQ(circle->RadiusStart, std::lround(pressedRadius));
}

TEST_F(GlowEffects, LeavingTheAreaHidesTheCircleAndKeepsItsSlot) {
  HoverCheck();
  ShowCircleIfNeeded(lit->sd.get(), 255, true);
  RunCircleTimer();
  const Integer id = lit->sd->CircleID;
  HWND wnd = WindowOf(id);
  ASSERT_NE(wnd, nullptr);
  lit->area = TRect(lit->area.Left + 200, lit->area.Top, lit->area.Right + 200, lit->area.Bottom);
  ShowCircleIfNeeded(lit->sd.get(), 255, true);
  EXPECT_EQ(lit->sd->CircleID, -1);
  ASSERT_NE(EffectAt(id), nullptr);
  EXPECT_TRUE(EffectAt(id)->IsCircle());
  EXPECT_EQ(EffectAt(id)->SkinData(), nullptr) << "a hidden circle keeps no link to its control";
  EXPECT_FALSE(IsWindowVisible(wnd));
  Pump();
  EXPECT_FALSE(IsWindow(wnd));
}

TEST_F(GlowEffects, AControlThatDoesNotAnswerTheAreaQueryShowsNoCircle) {
  HoverCheck();
  lit->answers = false;
  ShowCircleIfNeeded(lit->sd.get(), 255, true);
  EXPECT_EQ(lit->sd->CircleID, -1);
  EXPECT_TRUE(kvgEffects.empty());
}

TEST_F(GlowEffects, WithoutAnimationHoverAndPressReplaceTheCircleAtOnce) {
  skin->Manager.Effects.AllowAnimation = false;
  HoverCheck();
  layered::LayeredCalls recorder;
  ShowCircleIfNeeded(lit->sd.get(), 255, true);
  const Integer id = lit->sd->CircleID;
  ASSERT_GE(id, 0);
  EXPECT_FALSE(lit->sd->CircleTimer && lit->sd->CircleTimer->Enabled());
  std::vector<layered::UpdateCall> calls = layered::LayeredCalls::UpdatesOf(WindowOf(id));
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].size.cx, 47) << "at its end radius at once";
  Press(true);
  ShowCircleIfNeeded(lit->sd.get(), 255, true);
  EXPECT_EQ(lit->sd->CircleID, id);
  int shown = 0;
  for (const auto& e : kvgEffects)
    if (e && e->Wnd && e->Wnd->HandleAllocated() && IsWindowVisible(e->Wnd->WindowHandle())) ++shown;
  EXPECT_EQ(shown, 1);
}

TEST_F(GlowEffects, AHoveredSlidersCircleStopsOnceItsStrengthHasArrived) {
  HoverCheck();
  lit->sd->COC = Byte(COC_TsSlider);
  lit->area = TRect(Cursor().X - 15, Cursor().Y - 8, Cursor().X + 15, Cursor().Y + 8);
  ShowCircleIfNeeded(lit->sd.get(), 255, true);
  EXPECT_EQ(lit->sd->CircleTimer->Interval(), 12u);
  EXPECT_LT(RunCircleTimer(), 100);
  Press(true);
  ShowCircleIfNeeded(lit->sd.get(), 255, true);
  EXPECT_EQ(lit->sd->CircleTimer->Interval(), 36u);
  EXPECT_LT(RunCircleTimer(), 100);
  Press(false);
  ShowCircleIfNeeded(lit->sd.get(), 255, true);
  auto* circle = dynamic_cast<TkvCircleEffect*>(EffectAt(lit->sd->CircleID));
  ASSERT_NE(circle, nullptr);
  EXPECT_EQ(circle->Motion.SizeChanging, scNotChanged);
  EXPECT_LT(RunCircleTimer(1000), 20) << "the hover circle of a slider must not step for ever";
  EXPECT_FALSE(lit->sd->CircleTimer->Enabled());
  EXPECT_EQ(circle->Motion.RealRadius, 18);
}

TEST_F(GlowEffects, AControlThatGoesWhileItsCircleGrowsTakesTimerAndWindowWithIt) {
  HoverCheck();
  ShowCircleIfNeeded(lit->sd.get(), 255, true);
  lit->sd->CircleTimer->OnTimer2(nullptr);
  const Integer id = lit->sd->CircleID;
  HWND wnd = WindowOf(id);
  ASSERT_NE(wnd, nullptr);
  ASSERT_TRUE(lit->sd->CircleTimer->Enabled());
  delete lit;
  lit = nullptr;
  ASSERT_NE(EffectAt(id), nullptr);
  EXPECT_EQ(EffectAt(id)->SkinData(), nullptr);
  EXPECT_EQ(EffectAt(id)->Wnd, nullptr);
  Pump();
  EXPECT_FALSE(IsWindow(wnd));
  ClearGlows(false, false);  // nothing of the dead control is touched
  EXPECT_TRUE(kvgEffects.empty());
}

TEST_F(GlowEffects, ATrackBarsLightCarriesItsPositionBesideIt) {
  auto* bar = new TsTrackBar(form);
  bar->SetBounds(20, 100, 200, 30);
  bar->SetParent(form);
  bar->SetMax(100);
  bar->SetPosition(40);
  bar->SetPositionToolTip(ptBottom);
  bar->HandleNeeded();
  TsCommonData* sd = bar->FCommonData.get();
  EXPECT_EQ(sd->COC, COC_TsTrackBar);
  sd->SkinIndex = checkSection;
  sd->SetCommonSkinData(nullptr);
  sd->FMouseAbove = true;
  TRect thumb;
  ASSERT_TRUE(GetMouseArea(sd, thumb)) << "the track bar reports its thumb";
  EXPECT_FALSE(thumb.IsEmpty());
  // The cursor over the thumb.
  const TPoint c((thumb.Left + thumb.Right) / 2, (thumb.Top + thumb.Bottom) / 2);
  SetCursorPos(c.X, c.Y);
  if (Cursor() != c) GTEST_SKIP() << "the cursor cannot be moved here";
  ShowCircleIfNeeded(sd, 255, false);
  const Integer id = sd->CircleID;
  ASSERT_GE(id, 0);
  ASSERT_TRUE(bar->ToolTipForm) << "the position shows while the light is on";
  HWND tip = bar->ToolTipForm->WindowHandle();
  RECT light{}, r{};
  GetWindowRect(WindowOf(id), &light);
  GetWindowRect(tip, &r);
  EXPECT_EQ(r.top, light.bottom) << "below the light, as the bar asks";
  HideCircle(sd->CircleID);
  EXPECT_FALSE(bar->ToolTipForm) << "and goes with it";
  EXPECT_FALSE(IsWindow(tip));
}

TEST_F(GlowEffects, ASlidersThumbStaysAboveItsLight) {
  auto* slider = new TsSlider(form);
  slider->SetBounds(20, 100, 120, 40);
  slider->SetParent(form);
  slider->HandleNeeded();
  slider->ThumbSize = TSize(40, 30);
  slider->ThumbRect = TRect(70, 5, 110, 35);
  slider->FShowCaption = false;
  TsCommonData* sd = slider->FCommonData.get();
  EXPECT_EQ(sd->COC, COC_TsSlider);
  sd->SkinIndex = checkSection;
  sd->SetCommonSkinData(nullptr);
  sd->FMouseAbove = true;
  TRect thumb;
  ASSERT_TRUE(GetMouseArea(sd, thumb));
  const TPoint origin = slider->ClientOrigin();
  EXPECT_EQ(thumb, TRect(origin.X + 70, origin.Y + 5, origin.X + 110, origin.Y + 35));
  const TPoint c((thumb.Left + thumb.Right) / 2, (thumb.Top + thumb.Bottom) / 2);
  SetCursorPos(c.X, c.Y);
  if (Cursor() != c) GTEST_SKIP() << "the cursor cannot be moved here";
  layered::LayeredCalls recorder;
  ShowCircleIfNeeded(sd, 255, false);
  ASSERT_GE(sd->CircleID, 0);
  const layered::UpdateCall last = layered::LayeredCalls::UpdatesOf(WindowOf(sd->CircleID)).back();
  // The circle's radius is 3/5 of the thumb's width (24): 49 pixels across, centred on the thumb,
  // whose white body is painted over the light's centre.
  EXPECT_EQ(last.size.cx, 49);
  EXPECT_EQ(last.At(24, 24) | 0xFF000000u, 0xFFFFFFFFu);
}

}  // namespace
