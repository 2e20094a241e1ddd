// A skinned form's motions on real windows: sizing and moving through the own frame from every
// border, snapping to the work area and to another form, glued forms moving with their master,
// the fade of blend on moving tick by tick, the disabled-form layer's picture, and the scale
// thread's end with its provider.
#include <windows.h>

#include <cmath>
#include <memory>

#include "base/Composition.h"
#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "forms/sSkinProviderMotion.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"
#include "support/ManualTimerDriver.h"
#include "ui/ScopeGuard.h"
#include "ui/Threads.h"

using namespace formskin;
using layered::LayeredCalls;

namespace {

class Motion : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    savedAero_ = iAeroStatus;
    iAeroStatus = 0;  // the own frame is for forms without composition
    savedFactory_ = kvTimerDriverFactory;
    kvTimerDriverFactory = ManualTimerDriver::Factory();
    Skin();
    ShowForm();
  }
  void TearDown() override {
    SkinnedForm::TearDown();
    kvTimerDriverFactory = savedFactory_;
    iAeroStatus = savedAero_;
  }
  RECT Bounds(HWND h = nullptr) {
    RECT r{};
    GetWindowRect(h ? h : form->Handle(), &r);
    return r;
  }
  // A mouse message at a screen point, in the form's client coordinates.
  void MouseAt(UINT msg, POINT screen) {
    ScreenToClient(form->Handle(), &screen);
    SendMessageW(form->Handle(), msg, 0, MAKELPARAM(short(screen.x), short(screen.y)));
  }
  // A drag through the own frame: the press (or the size command), two moves, the release.
  void Drag(Integer ht, bool byPress, POINT from, Integer dx, Integer dy) {
    const HWND h = form->Handle();
    if (byPress) {
      SendMessageW(h, WM_NCLBUTTONDOWN, WPARAM(ht), MAKELPARAM(from.x, from.y));
    } else {
      SendMessageW(h, WM_SYSCOMMAND, SC_SIZE | SizeCommandBits(ht), 0);
      sp->StartMove(from.x, from.y);
    }
    MouseAt(WM_MOUSEMOVE, from);
    MouseAt(WM_MOUSEMOVE, POINT{from.x + dx, from.y + dy});
    MouseAt(WM_LBUTTONUP, POINT{from.x + dx, from.y + dy});
  }
  Integer savedAero_ = -1;
  TkvTimerDriverFactory savedFactory_;
};

// Full-window dragging on while a test lives (the own frame starts from a press only then).
struct FullWindowDrag {
  FullWindowDrag() {
    SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &saved, 0);
    SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, TRUE, nullptr, 0);
  }
  ~FullWindowDrag() { SystemParametersInfoW(SPI_SETDRAGFULLWINDOWS, saved, nullptr, 0); }
  BOOL saved = FALSE;
};

}  // namespace

// ---- Own move and size frame -----------------------------------------------------------------

TEST_F(Motion, SizingFromEveryBorderMovesThatBorder) {
  FullWindowDrag fullDrag;
  BOOL on = FALSE;
  SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &on, 0);
  ASSERT_TRUE(on);
  struct Case {
    Integer ht;
    RECT expected;  // from (120, 110, 420, 310) after a drag by (-20, -30)
  } cases[] = {
      {HTLEFT, {100, 110, 420, 310}},       {HTRIGHT, {120, 110, 400, 310}},       {HTTOP, {120, 80, 420, 310}},
      {HTTOPLEFT, {100, 80, 420, 310}},     {HTTOPRIGHT, {120, 80, 400, 310}},     {HTBOTTOM, {120, 110, 420, 280}},
      {HTBOTTOMLEFT, {100, 110, 420, 280}}, {HTBOTTOMRIGHT, {120, 110, 400, 280}},
  };
  for (bool byPress : {true, false})
    for (const Case& c : cases) {
      form->SetBounds(120, 110, 300, 200);
      sp->FResizeMode = rmBorder;
      Drag(c.ht, byPress, POINT{300, 200}, -20, -30);
      const RECT r = Bounds();
      EXPECT_EQ(r.left, c.expected.left) << c.ht << (byPress ? " pressed" : " by command");
      EXPECT_EQ(r.top, c.expected.top) << c.ht << (byPress ? " pressed" : " by command");
      EXPECT_EQ(r.right, c.expected.right) << c.ht << (byPress ? " pressed" : " by command");
      EXPECT_EQ(r.bottom, c.expected.bottom) << c.ht << (byPress ? " pressed" : " by command");
      EXPECT_FALSE(sp->bInProcess);
      EXPECT_EQ(GetCapture(), nullptr);
    }
}

TEST_F(Motion, SizingStopsAtTheMinimumAndAPressWithoutMoveKeepsTheSize) {
  form->Constraints()->SetMinWidth(250);
  form->SetBounds(120, 110, 300, 200);
  sp->FResizeMode = rmBorder;
  Drag(HTLEFT, false, POINT{121, 200}, 120, 0);
  EXPECT_EQ(Bounds().left, 170);  // 50 px in, not 120
  EXPECT_EQ(Bounds().right, 420);

  form->SetBounds(120, 110, 300, 200);
  SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_SIZE | SizeCommandBits(HTRIGHT), 0);
  sp->StartMove(419, 200);
  MouseAt(WM_LBUTTONUP, POINT{380, 200});
  const RECT r = Bounds();
  EXPECT_EQ(r.right - r.left, 300);
  EXPECT_EQ(r.bottom - r.top, 200);
}

TEST_F(Motion, MovingThroughTheOwnFrameMovesOnceOnRelease) {
  form->SetBounds(120, 110, 300, 200);
  sp->FResizeMode = rmBorder;
  SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_MOVE, 0);
  sp->StartMove(200, 120);
  MouseAt(WM_MOUSEMOVE, POINT{230, 140});
  EXPECT_EQ(Bounds().left, 120);  // only the outline moved so far
  MouseAt(WM_MOUSEMOVE, POINT{260, 170});
  MouseAt(WM_LBUTTONUP, POINT{260, 170});
  EXPECT_EQ(Bounds().left, 180);
  EXPECT_EQ(Bounds().top, 160);
  EXPECT_EQ(Bounds().right - Bounds().left, 300);
}

TEST_F(Motion, WithCompositionTheFramePaintGoesBackToTheSystemsFrame) {
  sp->FResizeMode = rmBorder;
  sp->KV_WMNCPaintHandler();
  EXPECT_EQ(sp->ResizeMode(), rmBorder);
  iAeroStatus = 1;
  sp->KV_WMNCPaintHandler();
  EXPECT_EQ(sp->ResizeMode(), rmStandard);
}

// ---- Snapping and glued forms ----------------------------------------------------------------

namespace {

class Glue : public Motion {
 protected:
  void SetUp() override {
    Motion::SetUp();
    form->SetName(u"MasterForm");
    other = new TForm(app.get());
    other->AfterConstruction();
    other->SetName(u"SlaveForm");
    // Where the test puts it, not where the system would place a new window.
    other->SetPosition(poDesigned);
    other->SetBounds(600, 300, 200, 150);
    other->HandleNeeded();
    osp = new TsSkinProvider(other);
    osp->AfterConstruction();
    other->Show();
    Application->ProcessMessages();
  }
  void TearDown() override {
    delete other;
    Motion::TearDown();
  }
  void MoveTo(HWND h, Integer x, Integer y) {
    SetWindowPos(h, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  TForm* other = nullptr;
  TsSkinProvider* osp = nullptr;
};

}  // namespace

TEST_F(Glue, AMovedFormSnapsToTheWorkAreaAndToAnotherForm) {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(MonitorFromWindow(form->Handle(), MONITOR_DEFAULTTONEAREST), &mi);
  const RECT w = mi.rcWork;
  sp->FScreenSnap = true;
  MoveTo(form->Handle(), w.left + 7, w.top + 300);
  EXPECT_EQ(Bounds().left, w.left);
  EXPECT_EQ(Bounds().top, w.top + 300);
  MoveTo(form->Handle(), w.left + 11, w.top + 300);  // beyond the buffer of 10
  EXPECT_EQ(Bounds().left, w.left + 11);
  // Its right edge 6 px before the other form's left, overlapping it vertically: they meet.
  MoveTo(form->Handle(), 600 - 300 - 6, 320);
  EXPECT_EQ(Bounds().right, 600);
  EXPECT_EQ(Bounds().top, 320);
  // Off: nothing snaps.
  sp->FScreenSnap = false;
  MoveTo(form->Handle(), 600 - 300 - 6, 320);
  EXPECT_EQ(Bounds().right, 594);
}

TEST_F(Glue, ASlaveTouchingItsMasterMovesWithItUntilMovedByItself) {
  sp->SetGluedForms({u"SlaveForm"});
  MoveTo(form->Handle(), 100, 100);
  MoveTo(other->Handle(), 400, 120);  // touches the master's right edge (100 + 300)
  sp->UpdateSlaveFormsList();
  ASSERT_TRUE(sp->Linked(other));
  MoveTo(form->Handle(), 150, 130);
  EXPECT_EQ(Bounds(other->Handle()).left, 450);
  EXPECT_EQ(Bounds(other->Handle()).top, 150);
  // Moved by itself, the slave comes loose.
  osp->FScreenSnap = true;
  MoveTo(other->Handle(), 700, 500);
  EXPECT_FALSE(sp->Linked(other));
  const RECT loose = Bounds(other->Handle());
  MoveTo(form->Handle(), 100, 100);
  EXPECT_EQ(Bounds(other->Handle()).left, loose.left);
  EXPECT_EQ(Bounds(other->Handle()).top, loose.top);
}

TEST_F(Glue, AGoingMasterLeavesNoCoupleBehind) {
  sp->SetGluedForms({u"SlaveForm"});
  MoveTo(form->Handle(), 100, 100);
  MoveTo(other->Handle(), 100, 300);  // under the master (100 + 200)
  sp->UpdateSlaveFormsList();
  ASSERT_EQ(GluedArray.size(), 1u);
  TForm* master = form;
  delete form;
  form = nullptr;
  for (const TkvFormsCouple& c : GluedArray) {
    EXPECT_NE(c.Master, master);
    EXPECT_NE(c.Slave, master);
  }
  EXPECT_TRUE(GluedArray.empty());
  // The slave moves freely and nothing reaches the freed master.
  MoveTo(other->Handle(), 300, 300);
  EXPECT_EQ(Bounds(other->Handle()).left, 300);
}

// ---- Blend on moving -------------------------------------------------------------------------

TEST_F(Glue, TheMovingFadeStepsTowardsTheBlendValueAndTheSlaveFollows) {
  LayeredCalls rec;
  DuRiruZireziv& m = skin->skin.Manager;
  m.AnimEffects.BlendOnMoving.Active = true;
  m.AnimEffects.BlendOnMoving.BlendValue = 170;
  m.AnimEffects.BlendOnMoving.Time = 120;
  sp->SetGluedForms({u"SlaveForm"});
  MoveTo(form->Handle(), 100, 100);
  MoveTo(other->Handle(), 400, 100);
  StartBlendOnMoving(sp, false);
  ASSERT_TRUE(sp->FormState() & FS_BLENDMOVING);
  auto* timer = dynamic_cast<TkvMoveTimer*>(sp->FormTimer.get());
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(timer->Enabled());
  EXPECT_EQ(timer->Interval(), 12u);
  layered::alphas.clear();
  for (int i = 0; i < 12; ++i) timer->OnTimer2(nullptr);
  const std::vector<BYTE> expected = {255, 247, 238, 230, 221, 213, 204, 196, 187, 179, 170, 170};
  EXPECT_EQ(LayeredCalls::AlphasOf(form->Handle()), expected);
  // The glued slave fades along; at 255 it is simply not layered.
  EXPECT_EQ(LayeredCalls::AlphasOf(other->Handle()), std::vector<BYTE>(expected.begin() + 1, expected.end()));
  EXPECT_TRUE(GetWindowLongW(other->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);

  FinishBlendOnMoving(sp, nullptr);
  EXPECT_FALSE(sp->FormState() & FS_BLENDMOVING);
  EXPECT_FALSE(sp->FormTimer);
  EXPECT_FALSE(GetWindowLongW(form->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_FALSE(GetWindowLongW(other->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
}

TEST_F(Motion, WithoutItsPermissionTheMovingFadeStaysOpaque) {
  LayeredCalls rec;
  DuRiruZireziv& m = skin->skin.Manager;
  m.AnimEffects.BlendOnMoving.Active = true;
  m.AnimEffects.BlendOnMoving.BlendValue = 170;
  m.AnimEffects.BlendOnMoving.Time = 12;
  sp->FAllowBlendOnMoving = false;
  StartBlendOnMoving(sp, false);
  auto* timer = dynamic_cast<TkvMoveTimer*>(sp->FormTimer.get());
  ASSERT_NE(timer, nullptr);
  layered::alphas.clear();
  for (int i = 0; i < 3; ++i) timer->OnTimer2(nullptr);
  EXPECT_EQ(LayeredCalls::AlphasOf(form->Handle()), (std::vector<BYTE>{255, 255, 255}));
  FinishBlendOnMoving(sp, nullptr);
  // Allowed, a time of 12 ms drops to the blend value in one tick.
  sp->FAllowBlendOnMoving = true;
  StartBlendOnMoving(sp, false);
  timer = dynamic_cast<TkvMoveTimer*>(sp->FormTimer.get());
  ASSERT_NE(timer, nullptr);
  layered::alphas.clear();
  for (int i = 0; i < 3; ++i) timer->OnTimer2(nullptr);
  EXPECT_EQ(LayeredCalls::AlphasOf(form->Handle()), (std::vector<BYTE>{255, 170, 170}));
  FinishBlendOnMoving(sp, nullptr);
}

// ---- Disabled-form layer ---------------------------------------------------------------------

TEST_F(Motion, ADisabledFormIsCoveredByItsBlendedImage) {
  LayeredCalls rec;
  sp->SetDisabledBlendValue(0);
  form->SetEnabled(false);
  ASSERT_NE(sp->LayerForm, nullptr);
  EXPECT_TRUE(sp->FormState() & FS_DISABLED);
  const HWND layer = sp->LayerForm->Handle();
  EXPECT_TRUE(IsWindowVisible(layer));
  EXPECT_EQ(Bounds(layer).left, Bounds().left);
  auto shown = LayeredCalls::UpdatesOf(layer);
  ASSERT_FALSE(shown.empty());
  std::unique_ptr<TBitmap> image = GetFormImage(sp, false);
  ASSERT_NE(image, nullptr);
  std::vector<uint32_t> plain;
  for (Integer y = 0; y < image->Height(); ++y)
    for (Integer x = 0; x < image->Width(); ++x) plain.push_back(image->View().At(x, y));
  EXPECT_EQ(shown.back().alpha, 255);
  EXPECT_EQ(shown.back().pixels, plain);  // a blend value of 0 leaves the image as it is

  // Half way towards red: each channel (p * 127 + k * 128) >> 8, k the kept red 126.
  sp->SetDisabledBlendColor(clRed);
  layered::updates.clear();
  sp->SetDisabledBlendValue(128);
  shown = LayeredCalls::UpdatesOf(layer);
  ASSERT_FALSE(shown.empty());
  const std::vector<uint32_t>& blended = shown.back().pixels;
  ASSERT_EQ(blended.size(), plain.size());
  size_t mismatches = 0;
  for (size_t i = 0; i < plain.size(); ++i) {
    const uint32_t p = plain[i];
    if (p == 0x00FF00FFu) continue;
    auto ch = [&](int shift, uint32_t k) { return ((p >> shift & 0xFF) * 127 + k * 128) >> 8 << shift; };
    const uint32_t want = ch(0, 0) | ch(8, 0) | ch(16, 126) | (p & 0xFF000000u);
    if (blended[i] != want) ++mismatches;
  }
  EXPECT_EQ(mismatches, 0u);

  form->SetEnabled(true);
  EXPECT_EQ(sp->LayerForm, nullptr);
  EXPECT_FALSE(sp->FormState() & FS_DISABLED);
}

// ---- Animated scaling ------------------------------------------------------------------------

TEST_F(Motion, AScaleChangeGrowsTheCoverToTheNewSizeAndGivesTheFormBack) {
  LayeredCalls rec;
  const Integer before = TkvScaleThread::Alive();
  const RECT r = Bounds();
  // The skin command that starts it: the new PPI in the low word.
  SendMessageW(form->Handle(), SM_ALPHACMD, MAKEWPARAM(144, KV_ANIMSCALE), 0);
  ASSERT_NE(sp->FScaleThread, nullptr);
  EXPECT_EQ(TkvScaleThread::Alive(), before + 1);
  const HWND cover = sp->FScaleThread->ThreadCoverForm->Handle();
  const DWORD start = GetTickCount();
  while (sp->FScaleThread->ThreadCoverForm && GetTickCount() - start < 5000) CheckSynchronize(10);
  ASSERT_EQ(sp->FScaleThread->ThreadCoverForm, nullptr) << "the scale never finished";
  const auto frames = LayeredCalls::UpdatesOf(cover);
  ASSERT_GE(frames.size(), 2u);
  const SIZE last = frames.back().size;
  EXPECT_LE(std::abs(last.cx - (r.right - r.left) * 144 / 96), 2);
  EXPECT_LE(std::abs(last.cy - (r.bottom - r.top) * 144 / 96), 2);
  EXPECT_FALSE(GetWindowLongW(form->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
  sp->StopScaleThread();
  EXPECT_EQ(TkvScaleThread::Alive(), before);
}

TEST_F(Motion, AProviderThatGoesStopsItsScaleThreadFirst) {
  const Integer before = TkvScaleThread::Alive();
  sp->AnimChangeScale(192, false);
  ASSERT_NE(sp->FScaleThread, nullptr);
  EXPECT_EQ(TkvScaleThread::Alive(), before + 1);
  delete form;  // the provider goes with it, mid-scale
  form = nullptr;
  EXPECT_EQ(TkvScaleThread::Alive(), before);
  // No step of the freed provider is left to run.
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 60) CheckSynchronize(5);
  EXPECT_EQ(QueuedCallCount(), 0u);
}

// On Windows 10 a scale change that asks for it ends with a new window for the form (the
// system's blur belongs to the window), hidden behind a fresh picture of the form; without the
// request, or on an older system, the form keeps its window.
TEST_F(Motion, AScaleChangeRecreatesTheFormsWindowOnWindows10WhenAsked) {
  const Byte savedMajor = kvWinMajorVer, savedMinor = kvWinMinorVer;
  const TScopeExit version([&] {
    kvWinMajorVer = savedMajor;
    kvWinMinorVer = savedMinor;
  });
  struct Case {
    Byte major;
    bool recreate;
    bool newWindow;
  };
  for (const Case c : {Case{10, true, true}, Case{10, false, false}, Case{6, true, false}}) {
    SCOPED_TRACE(testing::Message() << int(c.major) << " " << c.recreate);
    kvWinMajorVer = c.major;
    kvWinMinorVer = c.major == 10 ? 0 : 2;
    const HWND before = form->Handle();
    LayeredCalls rec;
    sp->AnimChangeScale(120, c.recreate);
    ASSERT_NE(sp->FScaleThread, nullptr);
    const HWND cover = sp->FScaleThread->ThreadCoverForm->Handle();
    const DWORD start = GetTickCount();
    while (sp->FScaleThread->ThreadCoverForm && GetTickCount() - start < 5000) CheckSynchronize(10);
    ASSERT_EQ(sp->FScaleThread->ThreadCoverForm, nullptr) << "the scale never finished";
    EXPECT_EQ(form->Handle() != before, c.newWindow);
    EXPECT_TRUE(IsWindow(form->Handle()));
    EXPECT_FALSE(GetWindowLongW(form->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
    // A fresh picture of the form at its place was shown at the end, on a window of its own.
    bool freshShown = false;
    for (const layered::UpdateCall& u : layered::updates)
      freshShown = freshShown || (u.wnd != cover && u.wnd != before && u.wnd != form->Handle() && u.alpha == 255);
    EXPECT_TRUE(freshShown);
    sp->StopScaleThread();
  }
}
