// Size, position and showing of a skinned form and its other messages: the bounds a stretched
// form gets back, the maximized bounds, redraw locks, the bounded wait at the end of a
// session, an extended-style change, and new child windows matched to their controls.
#include <algorithm>
#include <vector>

#include "base/sConst.h"
#include "base/sMessages.h"
#include "forms/sSkinProviderMotion.h"
#include "raster/GdiBitmaps.h"
#include "skin/ControlServices.h"
#include "skin/sVclUtils.h"
#include "support/FormSkin.h"
#include "support/ImportHook.h"
#include "ui/ScopeGuard.h"
#include "ui/StdCtrls.h"

using namespace formskin;

namespace {

class FormState : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    Skin();
    ShowForm();
  }
  RECT Bounds() {
    RECT r{};
    GetWindowRect(form->Handle(), &r);
    return r;
  }
};

void CALLBACK EndAnimation(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  kvAnimCount = 0;
}

}  // namespace

// A form stretched to the work-area height gets its saved height back when it is moved.
TEST_F(FormState, MovingAStretchedFormGivesItsSavedHeightBack) {
  const HWND h = form->Handle();
  SetWindowPos(h, nullptr, 130, 20, 300, 400, SWP_NOZORDER | SWP_NOACTIVATE);
  sp->NormalBounds = TRect(130, 90, 300, 180);  // left, top, width, height
  sp->SetFormState(sp->FormState() | FS_MAXHEIGHT);
  SetWindowPos(h, nullptr, 160, 60, 300, 400, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Bounds().bottom - Bounds().top, 180);
  EXPECT_EQ(Bounds().top, 60);
  EXPECT_FALSE(sp->FormState() & FS_MAXHEIGHT);

  // Moved sideways at its stretched top: back to the saved top, shorter by what it grew upwards.
  SetWindowPos(h, nullptr, 130, 20, 300, 400, SWP_NOZORDER | SWP_NOACTIVATE);
  sp->SetFormState(sp->FormState() | FS_MAXHEIGHT);
  SetWindowPos(h, nullptr, 170, 20, 300, 400, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Bounds().top, 90);
  EXPECT_EQ(Bounds().bottom - Bounds().top, 400 - (90 - 20));
}

TEST_F(FormState, MaximizedBoundsCoverTheWorkAreaAndHideTheFrame) {
  MINMAXINFO info{};
  SendMessageW(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(MonitorFromWindow(form->Handle(), MONITOR_DEFAULTTONEAREST), &mi);
  const Integer b = SysBorderWidth(form->Handle(), nullptr, false);
  EXPECT_EQ(info.ptMaxPosition.x, mi.rcWork.left - mi.rcMonitor.left - b);
  EXPECT_EQ(info.ptMaxPosition.y, mi.rcWork.top - mi.rcMonitor.top - b);
  EXPECT_EQ(info.ptMaxSize.x, mi.rcWork.right - mi.rcWork.left + 2 * b);
  EXPECT_EQ(info.ptMaxSize.y, mi.rcWork.bottom - mi.rcWork.top + 2 * b);
}

TEST_F(FormState, RedrawLocksCountAndAFramePaintWaitsForThem) {
  SendMessageW(form->Handle(), WM_SETREDRAW, 1, 0);
  EXPECT_EQ(sp->LockCount, 0);
  SendMessageW(form->Handle(), WM_SETREDRAW, 0, 0);
  SendMessageW(form->Handle(), WM_SETREDRAW, 0, 0);
  EXPECT_EQ(sp->LockCount, 2);
  // Locked: a frame paint leaves the picture unbuilt.
  sp->FCommonData->BGChanged = true;
  sp->KV_WMNCPaintHandler();
  EXPECT_TRUE(sp->FCommonData->BGChanged);
  SendMessageW(form->Handle(), WM_SETREDRAW, 1, 0);
  SendMessageW(form->Handle(), WM_SETREDRAW, 1, 0);
  EXPECT_EQ(sp->LockCount, 0);
  sp->KV_WMNCPaintHandler();
  EXPECT_FALSE(sp->FCommonData->BGChanged);
}

TEST_F(FormState, EndOfSessionWaitsForAnAnimationThatEnds) {
  kvAnimCount = 1;
  SetTimer(nullptr, 0, 150, &EndAnimation);
  const DWORD start = GetTickCount();
  SendMessageW(form->Handle(), WM_QUERYENDSESSION, 0, 0);
  EXPECT_EQ(kvAnimCount, 0);
  EXPECT_GE(GetTickCount() - start, 100u);
  FadingForbidden = false;
}

TEST_F(FormState, EndOfSessionWaitsNoLongerThanTheLongestAnimation) {
  skin->skin.Manager.AnimEffects.FormShow.Time = 300;
  const Cardinal limit = sp->AnimationWaitLimit();
  EXPECT_GE(limit, 300u);
  kvAnimCount = 1;  // an animation that never reports its end
  const DWORD start = GetTickCount();
  SendMessageW(form->Handle(), WM_QUERYENDSESSION, 0, 0);
  const DWORD took = GetTickCount() - start;
  kvAnimCount = 0;
  FadingForbidden = false;
  EXPECT_GE(took, limit - 20);
  EXPECT_LT(took, limit + 1000);
}

TEST_F(FormState, ExtendedStyleChangeKeepsTheSystemCaptionButtonsAway) {
  const HWND h = form->Handle();
  SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) | WS_SYSMENU);
  SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
  EXPECT_FALSE(GetWindowLongW(h, GWL_STYLE) & WS_SYSMENU);
}

// The new child of WM_PARENTNOTIFY is found by its window handle: a control made on the
// visible form is found; a window of no control finds none.
TEST_F(FormState, NewChildWindowIsMatchedByItsHandle) {
  auto* button = new TButton(form);
  button->SetParent(form);
  button->SetBounds(10, 10, 80, 24);
  button->HandleNeeded();
  EXPECT_EQ(sp->LastNewChild, button);
  HWND raw = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 40, 20, 20, form->Handle(),
                             reinterpret_cast<HMENU>(uintptr_t(GetDlgCtrlID(button->Handle()))), nullptr, nullptr);
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(sp->LastNewChild, nullptr);
  DestroyWindow(raw);
}

namespace {

struct FontNotices {
  void Proc(TMessage& m) {
    if (m.Msg == SM_ALPHACMD && m.WParamHi == KV_FONTSCHANGED) managers.push_back(m.LParam);
    old(m);
  }
  TWndMethod old;
  std::vector<intptr_t> managers;
};

// A form skinned but not yet shown: what its first showing does.
class FormShowing : public SkinnedForm {
 protected:
  // A button on the form whose window procedure records the font notices it gets; the
  // procedure is put back when the guard goes.
  auto WatchButton(FontNotices& notices) {
    auto* button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(10, 10, 80, 24);
    button->HandleNeeded();
    notices.old = button->WindowProc();
    button->SetWindowProc(TWndMethod(&notices, &FontNotices::Proc));
    return TScopeExit([button, &notices] { button->SetWindowProc(notices.old); });
  }
  LONG ClientWidth() {
    RECT r{};
    GetClientRect(form->Handle(), &r);
    return r.right;
  }
};

}  // namespace

// A shown form is scaled from 96 PPI to the manager's scale, unless its provider or the scale
// mode keeps its own size.
TEST_F(FormShowing, ShowingScalesFromNinetySixPpiToTheManagersScale) {
  struct Case {
    const char* name;
    TkvScaleMode mode;
    bool allowScale;
    double factor;
  } cases[] = {
      {"150 %", sm150, true, 1.5},
      {"provider does not scale", sm150, false, 1.0},
      {"old mode", smOldMode, true, 1.0},
      {"scaled by the class library", smVCL, true, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    const LONG before = ClientWidth();
    ASSERT_GT(before, 100);
    skin->skin.Manager.Options.ScaleMode = c.mode;
    Skin();
    sp->AllowScale = c.allowScale;
    ShowForm();
    EXPECT_NEAR(ClientWidth(), before * c.factor, 2);
    skin->skin.Manager.Options.ScaleMode = smOldMode;
  }
}

// The manager's application font goes to a shown form, and its children hear of it.
TEST_F(FormShowing, ShowingGivesTheApplicationFontAndTellsTheChildren) {
  FontNotices notices;
  const auto watched = WatchButton(notices);
  DuRiruZireziv& manager = skin->skin.Manager;
  manager.DefOldFontName = form->Font()->Name();
  manager.DefNewFontName = u"Courier New";
  Skin();
  ShowForm();
  EXPECT_EQ(form->Font()->Name(), String(u"Courier New"));
  ASSERT_EQ(notices.managers.size(), 1u);
  EXPECT_EQ(notices.managers[0], reinterpret_cast<intptr_t>(&manager));
}

// A form in another font keeps it, and nobody is told.
TEST_F(FormShowing, AFormInItsOwnFontKeepsIt) {
  FontNotices notices;
  const auto watched = WatchButton(notices);
  form->Font()->SetName(u"Arial");
  DuRiruZireziv& manager = skin->skin.Manager;
  manager.DefOldFontName = u"Tahoma";
  manager.DefNewFontName = u"Courier New";
  Skin();
  ShowForm();
  EXPECT_EQ(form->Font()->Name(), String(u"Arial"));
  EXPECT_TRUE(notices.managers.empty());
}

// A form without a frame whose skin rounds its corners gets the rounded region when shown.
TEST_F(FormShowing, ABorderlessFormWithRoundedCornersGetsItsRegionWhenShown) {
  struct Case {
    Integer radius;
    bool animated;
  } cases[] = {{0, false}, {8, false}, {8, true}};
  for (const Case& c : cases) {
    const Integer radius = c.radius;
    SCOPED_TRACE(testing::Message() << "radius " << radius << (c.animated ? ", shown animated" : ""));
    TearDown();
    SetUp();
    skin->skin.Manager.AnimEffects.FormShow.Active = c.animated;
    TsGeneralData& section = skin->skin.Data->gd[size_t(skin->form)];
    section.BorderIndex = -1;
    section.BorderRadius = radius;
    form->SetBorderStyle(bsNone);
    Skin();
    ShowForm();
    const HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    const int kind = GetWindowRgn(form->Handle(), rgn);
    RECT w{};
    GetWindowRect(form->Handle(), &w);
    if (radius == 0) {
      EXPECT_EQ(kind, ERROR) << "square corners need no region";
    } else {
      ASSERT_NE(kind, ERROR);
      EXPECT_FALSE(PtInRegion(rgn, 0, 0)) << "top left corner cut";
      EXPECT_FALSE(PtInRegion(rgn, w.right - w.left - 1, w.bottom - w.top - 1)) << "bottom right corner cut";
      EXPECT_TRUE(PtInRegion(rgn, (w.right - w.left) / 2, 0)) << "top edge kept";
      EXPECT_TRUE(PtInRegion(rgn, (w.right - w.left) / 2, (w.bottom - w.top) / 2));
    }
    DeleteObject(rgn);
  }
}

// A minimize timer left over is freed when the form is shown again; the timer of a blended
// move is not the showing's to free.
TEST_F(FormShowing, ShowingFreesALeftMinimizeTimerOnly) {
  Skin();
  sp->FormTimer.reset(TkvThreadedTimer::CreateOwned<TkvMinTimer>(sp, true));
  ShowForm();
  EXPECT_FALSE(sp->FormTimer) << "minimize timer";
  form->Hide();
  Application->ProcessMessages();
  auto* move = TkvThreadedTimer::CreateOwned<TkvMoveTimer>(sp, true);
  sp->FormTimer.reset(move);
  ShowForm();
  EXPECT_EQ(sp->FormTimer.get(), move) << "move timer";
  sp->FormTimer.reset();
}

namespace {

// The skin commands a child window hears, by code and low word.
struct CommandLog {
  void Proc(TMessage& m) {
    if (m.Msg == SM_ALPHACMD) heard.push_back({m.WParamHi, m.WParamLo});
    old(m);
  }
  Integer Count(Word code, Word arg) const {
    Integer n = 0;
    for (const auto& [c, a] : heard) n += c == code && a == arg;
    return n;
  }
  TWndMethod old;
  std::vector<std::pair<Word, Word>> heard;
};

}  // namespace

// Hidden, the form only notes that picture and region must be made anew when it next shows;
// shown, the step completes and remembers the client size.
TEST_F(FormState, ASizeStepWhileInvisibleOnlyMarksTheBackgroundAndTheRegionChanged) {
  const HWND h = form->Handle();
  const TRect stale(0, 0, 999, 888);
  sp->FCommonData->BGChanged = false;
  sp->RgnChanged = false;
  sp->FLinesCount = 2;
  sp->LastClientRect = stale;
  SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) & ~WS_VISIBLE);
  SendMessageW(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(200, 100));
  SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) | WS_VISIBLE);
  EXPECT_TRUE(sp->FCommonData->BGChanged);
  EXPECT_TRUE(sp->RgnChanged);
  EXPECT_EQ(sp->FLinesCount, 2) << "the menu line is not recounted";
  EXPECT_EQ(sp->LastClientRect, stale);

  SendMessageW(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(200, 100));
  RECT client{};
  GetClientRect(h, &client);
  EXPECT_EQ(sp->LastClientRect, TRect(0, 0, client.right, client.bottom));
}

// The children hear that their background changed when the form's background kind follows
// the axis that changed.
TEST_F(FormState, ChildrenAreToldOfABackgroundThatFollowsTheNewSize) {
  const HWND h = form->Handle();
  auto* button = new TButton(form);
  button->SetParent(form);
  button->SetBounds(10, 10, 80, 24);
  button->HandleNeeded();
  CommandLog log;
  log.old = button->WindowProc();
  button->SetWindowProc(TWndMethod(&log, &CommandLog::Proc));
  const TScopeExit back([button, &log] { button->SetWindowProc(log.old); });
  struct Case {
    const char* name;
    Integer bgType;
    Integer dw, dh;
    bool told;
  } cases[] = {
      {"plain colour", BGT_NONE, 20, 20, false},
      {"vertical gradient, higher", BGT_GRADIENTVERT, 0, 20, true},
      {"vertical gradient, wider", BGT_GRADIENTVERT, 20, 0, false},
      {"horizontal gradient, wider", BGT_GRADIENTHORZ, 20, 0, true},
      {"stretched picture, narrower", BGT_STRETCH, -20, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RECT r{};
    GetWindowRect(h, &r);
    sp->FCommonData->BGType = Word(c.bgType);
    log.heard.clear();
    SetWindowPos(h, nullptr, 0, 0, r.right - r.left + c.dw, r.bottom - r.top + c.dh,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(log.Count(KV_SETCHANGEDIFNECESSARY, 1), c.told ? 1 : 0);
  }
}

// A move of a shown form that wants an outer border makes it, unless a minimize or restore
// flight owns the screen; a hidden form makes none.
TEST_F(FormState, AMoveMakesTheOuterBorderTheFormWants) {
  const HWND h = form->Handle();
  ASSERT_FALSE(sp->BorderForm);
  // The outer border needs layered windows; an earlier test may have left them unbound.
  if (!kvLayered()) sGraphUtilsStartup();
  skin->skin.Manager.SetExtendedBorders(true);
  // The manager's refresh already gives a shown form its border: each case starts without one.
  Application->ProcessMessages();
  sp->InitExBorders(false);
  struct Case {
    const char* name;
    Cardinal state;
    bool visible;
    bool border;
  } cases[] = {
      {"minimize flight", FS_ANIMMINIMIZING, true, false},
      {"restore flight", FS_ANIMRESTORING, true, false},
      {"hidden", 0, false, false},
      {"shown", 0, true, true},
  };
  Integer x = 130;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.visible) form->Hide();
    sp->SetFormState(sp->FormState() | c.state);
    SetWindowPos(h, nullptr, x += 10, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    sp->SetFormState(sp->FormState() & ~c.state);
    EXPECT_EQ(bool(sp->BorderForm), c.border);
    if (!c.visible) ShowForm();
    sp->InitExBorders(false);
  }
}

// The cover window goes with the form's window, unless the hide animation still shows this
// form through it.
TEST_F(FormState, TheCoverWindowGoesWithTheWindowUnlessTheHideAnimationShowsIt) {
  TkvHideTimer* const saved = kvHideTimer;
  const TScopeExit back([saved] { kvHideTimer = saved; });
  for (bool hiding : {true, false}) {
    SCOPED_TRACE(hiding ? "hide animation of this form" : "no hide animation");
    TearDown();
    SetUp();
    const HWND h = form->Handle();
    sp->CoverForm.reset(MakeCoverForm(h, sp, false, nullptr));
    ASSERT_TRUE(sp->CoverForm);
    const HWND cover = sp->CoverForm->Handle();
    std::unique_ptr<TkvHideTimer> timer;
    if (hiding) {
      timer = std::make_unique<TkvHideTimer>(nullptr);
      timer->ParentWnd = h;
      timer->Form = new TkvGlowForm(nullptr);
      kvHideTimer = timer.get();
    }
    // Unskinned, as while the form goes: the message reaches the handler after the old procedure.
    const Integer index = sp->FCommonData->SkinIndex;
    sp->FCommonData->SkinIndex = -1;
    form->RecreateWnd();
    sp->FCommonData->SkinIndex = index;
    EXPECT_EQ(bool(sp->CoverForm), hiding);
    EXPECT_EQ(bool(IsWindow(cover)), hiding);
    sp->CoverForm.reset();
    timer.reset();
    kvHideTimer = nullptr;
  }
}

namespace {

struct Invalidation {
  HWND wnd;
  RECT r;
  BOOL erase;
};
std::vector<Invalidation> invalidations;
ImportHook* invalidateHook = nullptr;
BOOL WINAPI RecordInvalidateRect(HWND wnd, const RECT* r, BOOL erase) {
  invalidations.push_back({wnd, r ? *r : RECT{-1, -1, -1, -1}, erase});
  return invalidateHook->Original<decltype(&InvalidateRect)>()(wnd, r, erase);
}

}  // namespace

// A narrower or lower client repaints the places of the size grip (without erasing) and of the
// section's right-hand corner images; a first size step repaints the corner images too; a
// growing client uncovers them anyway.
TEST_F(FormState, AShrinkingClientRepaintsTheGripAndTheRightCornerImages) {
  const HWND h = form->Handle();
  TkvSkinData& d = *skin->skin.Data;
  d.GripRightBottom = skin->skin.AddImage(TRect(200, 0, 216, 16), 1, 0);
  TsGeneralData& section = d.gd[size_t(skin->form)];
  section.ImgTR = skin->skin.AddImage(TRect(220, 0, 240, 12), 1, 0);
  section.ImgBR = skin->skin.AddImage(TRect(240, 0, 264, 10), 1, 0);
  sp->FGripMode = gmRightBottom;
  ASSERT_TRUE(IsGripVisible(sp));
  ImportHook hook("user32.dll", "InvalidateRect", &RecordInvalidateRect);
  invalidateHook = &hook;
  struct Case {
    const char* name;
    Integer dw, dh;
    bool firstStep;  // no client size remembered
    bool grip, corners;
  } cases[] = {
      {"wider", 20, 0, false, false, false},
      {"narrower", -20, 0, false, true, true},
      {"lower", 0, -20, false, true, true},
      {"first step, higher", 0, 20, true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RECT w{};
    GetWindowRect(h, &w);
    if (c.firstStep) sp->LastClientRect = TRect();
    invalidations.clear();
    const Integer width = w.right - w.left + c.dw, height = w.bottom - w.top + c.dh;
    SetWindowPos(h, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    GetClientRect(h, &client);
    const TPoint origin = ClientOrigin(h);
    auto seen = [&](RECT r, BOOL erase) {
      return std::any_of(invalidations.begin(), invalidations.end(),
                         [&](const Invalidation& i) { return i.wnd == h && EqualRect(&i.r, &r) && i.erase == erase; });
    };
    // The grip is drawn one pixel in from the client's corner: its whole place repaints.
    EXPECT_EQ(seen(RECT{client.right - 17, client.bottom - 17, client.right, client.bottom}, FALSE), c.grip);
    EXPECT_EQ(seen(RECT{width - 20 - origin.X, -origin.Y, width - origin.X, 12 - origin.Y}, TRUE), c.corners);
    EXPECT_EQ(seen(RECT{width - 24 - origin.X, height - 10 - origin.Y, width - origin.X, height - origin.Y}, TRUE),
              c.corners);
  }
}

namespace {

struct ResizeCount {
  void Resized(TObject*) { ++count; }
  Integer count = 0;
};

}  // namespace

// A size step that rebuilds the picture raises the form's OnResize once the frame and region
// are in step; a step that keeps the picture leaves it to the class library.
TEST_F(FormState, ASizeStepThatRebuildsThePictureRaisesOnResize) {
  const HWND h = form->Handle();
  ResizeCount resized;
  form->SetOnResize(TNotifyEvent(&resized, &ResizeCount::Resized));
  RECT client{};
  GetClientRect(h, &client);
  const LPARAM size = MAKELPARAM(client.right, client.bottom);
  sp->FCommonData->BGChanged = false;
  sp->PaintAll();
  SendMessageW(h, WM_SIZE, SIZE_RESTORED, size);
  const Integer kept = resized.count;
  sp->FCommonData->BGChanged = true;
  SendMessageW(h, WM_SIZE, SIZE_RESTORED, size);
  EXPECT_EQ(resized.count - kept, kept + 1);
  form->SetOnResize(TNotifyEvent());
}

namespace {

// Glow services that count the requests to clear every glow.
class GlowClearCount : public TkvGlowServices {
 public:
  void ClearGlows(bool, bool) override { ++clears; }
  void AnimShowControl(TWinControl*, Word, Integer, TkvAnimTypeCtrl) override {}
  void HideGlow(Integer& glowID, bool) override { glowID = -1; }
  void HideCircle(Integer& circleID) override { circleID = -1; }
  Integer ShowGlow(const TRect&, const String&, TsCommonData*, void*, Integer, Integer) override { return -1; }
  void FadeGlowIn(TsCommonData*) override {}
  Integer clears = 0;
};

}  // namespace

// A moved form with a frame takes every glow off the screen (they would stay where the form
// was); a frameless one leaves them.
TEST_F(FormState, AMovedFormWithAFrameClearsTheGlows) {
  const HWND h = form->Handle();
  GlowClearCount glows;
  TkvGlowServices* const saved = TkvServiceSlot<TkvGlowServices>::Get();
  TkvServiceSlot<TkvGlowServices>::Set(&glows);
  const TScopeExit back([saved] { TkvServiceSlot<TkvGlowServices>::Set(saved); });
  SetWindowPos(h, nullptr, 150, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_GE(glows.clears, 1);
  form->SetBorderStyle(bsNone);
  Application->ProcessMessages();
  glows.clears = 0;
  SetWindowPos(form->Handle(), nullptr, 170, 130, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(glows.clears, 0);
}

// A size step drops the glow masks kept for the caption text: they were made for the old
// title and would glow there again even when the new size needs a mask of the same size.
// While the form is being updated the step only marks what changed.
TEST_F(FormState, ASizeStepDropsTheCaptionGlowMasks) {
  const HWND h = form->Handle();
  RECT client{};
  GetClientRect(h, &client);
  const LPARAM size = MAKELPARAM(client.right, client.bottom);
  for (const bool updating : {false, true}) {
    SCOPED_TRACE(updating);
    sp->FGlow1 = std::make_unique<TBitmap>(40, 20, pf32bit);
    sp->FGlow2 = std::make_unique<TBitmap>(40, 20, pf32bit);
    sp->FCommonData->FUpdating = updating;
    SendMessageW(h, WM_SIZE, SIZE_RESTORED, size);
    sp->FCommonData->FUpdating = false;
    EXPECT_EQ(sp->FGlow1 == nullptr, !updating);
    EXPECT_EQ(sp->FGlow2 == nullptr, !updating);
  }
}
