// Activation of a skinned form: the caption's active and inactive looks with and without
// desktop composition, the caption cover that hides the system's caption painting while the
// previous window procedure runs (and its waits), an open popup keeping its owner active, the
// picture a closing form prepares for its hide animation, the border window following the
// form's Enabled, the window region of normal, maximized and outer-bordered forms, and the MDI
// child activation bookkeeping.
#include <windows.h>

#include <memory>
#include <vector>

#include "base/Composition.h"
#include "controls/kvPopupController.h"
#include "forms/sSkinProvider.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"
#include "ui/Bitmap.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"

using namespace formskin;

namespace {

// What the previous window procedure saw of the activation: whether the caption cover was up
// and what the screen showed at a point of the title after the system's own handling.
class ActivationSpy {
 public:
  ActivationSpy(TsSkinProvider* sp, TPoint titleOnScreen) : sp_(sp), old_(sp->OldWndProc), title_(titleOnScreen) {
    sp->OldWndProc = TWndMethod(this, &ActivationSpy::Proc);
  }
  ~ActivationSpy() { sp_->OldWndProc = old_; }
  ActivationSpy(const ActivationSpy&) = delete;
  ActivationSpy& operator=(const ActivationSpy&) = delete;
  void Proc(TMessage& m) {
    if (m.Msg != WM_NCACTIVATE) {
      old_(m);
      return;
    }
    ++calls;
    activateMarked = sp_->FFormState & FS_ACTIVATE;
    const HWND cover = sp_->CaptForm ? sp_->CaptForm->WindowHandle() : nullptr;
    coverShown = cover && IsWindowVisible(cover);
    if (cover) {
      GetWindowRect(cover, &coverRect);
      coverRgn.reset(CreateRectRgn(0, 0, 0, 0));
      if (GetWindowRgn(cover, coverRgn.get()) == ERROR) coverRgn.reset();
    }
    old_(m);
    // What the screen shows at the title is the cover's picture while the cover lies over the
    // form. It is read from the cover itself: the system hands a window's pixels to the screen
    // on its own schedule, so a read of the screen can still find the older frame.
    if (cover && coverShown) {
      const TWindowDC coverDc(cover);
      screenTitle = GetPixel(coverDc, title_.X - coverRect.left, title_.Y - coverRect.top);
    } else {
      const TWindowDC screen(nullptr);
      screenTitle = GetPixel(screen, title_.X, title_.Y);
    }
  }
  Integer calls = 0;
  bool activateMarked = false;
  bool coverShown = false;
  RECT coverRect{};
  TOwnedRegion coverRgn;  // the cover's shape (its window coordinates); none without a cover
  COLORREF screenTitle = CLR_INVALID;

 private:
  TsSkinProvider* sp_;
  TWndMethod old_;
  TPoint title_;
};

std::vector<Cardinal> waits;
void RecordWait(Cardinal ms) { waits.push_back(ms); }

class Activation : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    savedAero = iAeroStatus;
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
    SkinAndShow();
  }
  void TearDown() override {
    iAeroStatus = savedAero;
    CaptionCoverWait = savedWait;
    CaptionCoverDelay = 0;
    SkinnedForm::TearDown();
  }
  TPoint TitlePoint() { return TPoint(sp->ButtonMin.cpRect.Left - 12, sp->VCenter); }
  TColor ShotTitle() {
    auto shot = WindowShot(form->Handle());
    return shot->PixelColor(TitlePoint().X, TitlePoint().Y);
  }
  Integer savedAero = 0;
  void (*savedWait)(Cardinal) = CaptionCoverWait;
};

// The caption follows the activation with composition on and off; the system's caption never
// reaches the screen: the cover lies over the whole window while the system handles the
// message, and it goes afterwards.
TEST_F(Activation, CaptionLooksFollowUnderTheCover) {
  struct Case {
    Integer aero;
    bool active;
    TColor before, after;
  } cases[] = {{0, false, kTitleActive, kTitleInactive},
               {0, true, kTitleInactive, kTitleActive},
               {1, false, kTitleActive, kTitleInactive},
               {1, true, kTitleInactive, kTitleActive}};
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "aero " << c.aero << " active " << c.active);
    iAeroStatus = c.aero;
    ASSERT_EQ(ShotTitle(), c.before);
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    ActivationSpy spy(sp, TPoint(wr.left + TitlePoint().X, wr.top + TitlePoint().Y));
    SendMessageW(form->Handle(), WM_NCACTIVATE, c.active, 0);
    EXPECT_EQ(spy.calls, 1);
    EXPECT_TRUE(spy.activateMarked);
    EXPECT_TRUE(spy.coverShown);
    EXPECT_EQ(spy.coverRect.left, wr.left);
    EXPECT_EQ(spy.coverRect.top, wr.top);
    EXPECT_EQ(spy.coverRect.right, wr.right);
    EXPECT_EQ(spy.coverRect.bottom, wr.bottom);
    // The cover shows the picture the form had: the look from before the change.
    EXPECT_EQ(spy.screenTitle, COLORREF(c.before));
    EXPECT_FALSE(sp->CaptForm);
    EXPECT_FALSE(sp->FFormState & FS_ACTIVATE);
    EXPECT_EQ(sp->FormActive, c.active);
    EXPECT_EQ(ShotTitle(), c.after);
  }
}

// The cover stays on screen for the delay before the system paints; with composition the
// activation waits once more before the cover goes. No delay, no wait.
TEST_F(Activation, CoverWaitsForTheDelay) {
  struct Case {
    Integer aero;
    Cardinal delay;
    std::vector<Cardinal> expected;
  } cases[] = {{0, 40, {40}}, {1, 40, {40, 40}}, {1, 15, {15, 15}}, {0, 0, {}}, {1, 0, {}}};
  CaptionCoverWait = RecordWait;
  bool active = false;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "aero " << c.aero << " delay " << c.delay);
    iAeroStatus = c.aero;
    CaptionCoverDelay = c.delay;
    waits.clear();
    SendMessageW(form->Handle(), WM_NCACTIVATE, active, 0);
    active = !active;
    EXPECT_EQ(waits, c.expected);
  }
}

// The cover leaves out the client area and every window in front of the form: it never
// paints over them.
TEST_F(Activation, CoverLeavesOutTheClientAndWindowsInFront) {
  RECT wr{};
  GetWindowRect(form->Handle(), &wr);
  // A window over the right half of the title, in front of the form, not active.
  const TPoint front(wr.left + 200, wr.top);
  const HWND other = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"STATIC", L"", WS_POPUP, front.X, front.Y,
                                     150, 60, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(other);
  const TScopeExit gone([&] { DestroyWindow(other); });
  SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ActivationSpy spy(sp, TPoint(wr.left + 20, wr.top + sp->VCenter));
  SendMessageW(form->Handle(), WM_NCACTIVATE, FALSE, 0);
  ASSERT_TRUE(spy.coverShown);
  ASSERT_TRUE(spy.coverRgn);
  struct Case {
    Integer x, y;
    bool covered;
  } cases[] = {{20, sp->VCenter, true},                          // the title, left of the other window
               {210, sp->VCenter, false},                        // the title under the other window
               {sp->OffsetX() + 20, sp->OffsetY() + 40, false},  // the client
               {2, 120, true},                                   // the left border
               {0, 0, false}};                                   // a cut corner of the skin
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
    EXPECT_EQ(bool(PtInRegion(spy.coverRgn.get(), c.x, c.y)), c.covered);
  }
}

// A form with an OnPaint handler paints its own client: no cover is made over it.
TEST_F(Activation, FormWithItsOwnPaintGetsNoCover) {
  struct Painter {
    void Paint(TObject*) {}
  } painter;
  form->SetOnPaint(TNotifyEvent(&painter, &Painter::Paint));
  RECT wr{};
  GetWindowRect(form->Handle(), &wr);
  ActivationSpy spy(sp, TPoint(wr.left + TitlePoint().X, wr.top + TitlePoint().Y));
  SendMessageW(form->Handle(), WM_NCACTIVATE, FALSE, 0);
  EXPECT_EQ(spy.calls, 1);
  EXPECT_FALSE(spy.coverShown);
  EXPECT_EQ(ShotTitle(), kTitleInactive);
}

// An open popup of the form keeps its caption active; once the popup is closed the form
// takes the inactive look.
TEST_F(Activation, OpenPopupKeepsTheOwnerActive) {
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  auto* popup = new TForm(app.get());
  popup->AfterConstruction();
  popup->SetBounds(150, 150, 80, 60);
  TsPopupController* controller = GetIntController();
  TkvFormHandler* handler = controller->AddForm(popup, form, form, false);
  ASSERT_NE(handler, nullptr);
  popup->Show();
  Application->ProcessMessages();
  EXPECT_TRUE(sp->CheckPopupForms());
  SendMessageW(form->Handle(), WM_NCACTIVATE, FALSE, 0);
  EXPECT_TRUE(sp->FormActive);
  EXPECT_EQ(ShotTitle(), kTitleActive);

  handler->Closed = true;
  EXPECT_FALSE(sp->CheckPopupForms());
  SendMessageW(form->Handle(), WM_NCACTIVATE, FALSE, 0);
  EXPECT_FALSE(sp->FormActive);
  EXPECT_EQ(ShotTitle(), kTitleInactive);
  delete popup;
}

// A close that leaves the form showing (refused by the close query, or kept by the close
// handler) has the hide animation's picture ready in the cache: title and client as the
// screen shows them. The close query may still change the form: then the picture is rebuilt at
// the next paint. Without the hide animation the cache stays as it was.
TEST_F(Activation, ClosePreparesTheHidePicture) {
  struct Handlers {
    void Refuse(TObject*, bool& canClose) { canClose = false; }
    void Keep(TObject*, TCloseAction& action) { action = caNone; }
  } handlers;
  struct Case {
    bool hideAnimation, closeQuery;
    bool replaced, bgChanged;
  } cases[] = {{true, true, true, true}, {true, false, true, false}, {false, true, false, false}};
  DuRiruZireziv& manager = skin->skin.Manager;
  manager.Effects.AllowAnimation = true;
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "hide " << c.hideAnimation << " query " << c.closeQuery);
    manager.AnimEffects.FormHide.Active = c.hideAnimation;
    form->SetOnCloseQuery(c.closeQuery ? TCloseQueryEvent(&handlers, &Handlers::Refuse) : TCloseQueryEvent());
    form->SetOnClose(c.closeQuery ? TCloseEvent() : TCloseEvent(&handlers, &Handlers::Keep));
    SendMessageW(form->Handle(), WM_NCPAINT, 1, 0);
    ASSERT_FALSE(sp->FCommonData->BGChanged);
    const TBitmap* before = sp->FCommonData->FCacheBmp.get();
    SendMessageW(form->Handle(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(IsWindowVisible(form->Handle()));
    TBitmap* cache = sp->FCommonData->FCacheBmp.get();
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(cache != before, c.replaced);
    EXPECT_EQ(sp->FCommonData->BGChanged, c.bgChanged);
    EXPECT_FALSE(sp->FFormState & FS_ANIMCLOSING);
    EXPECT_EQ(cache->PixelColor(TitlePoint().X, TitlePoint().Y), kTitleActive);
    EXPECT_EQ(cache->PixelColor(sp->OffsetX() + form->ClientWidth() / 2, sp->OffsetY() + form->ClientHeight() / 2),
              kClientActive);
  }
  form->SetOnCloseQuery(TCloseQueryEvent());
  form->SetOnClose(TCloseEvent());
}

// The region of a maximized form cuts the frame that lies off the screen, unless the form's
// size is constrained (then it keeps the skin's shape); a normal form has the skin's shape.
TEST_F(Activation, RegionOfNormalAndMaximizedForms) {
  struct Case {
    bool maximized;
    Integer maxWidth;
    bool frameCut;
  } cases[] = {{false, 0, false}, {true, 0, true}, {true, 4000, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "maximized " << c.maximized << " max width " << c.maxWidth);
    form->Constraints()->SetMaxWidth(c.maxWidth);
    form->SetWindowState(c.maximized ? wsMaximized : wsNormal);
    Application->ProcessMessages();
    const HWND h = form->Handle();
    ASSERT_EQ(bool(IsZoomed(h)), c.maximized);
    sp->FillArOR();
    sp->UpdateRgn(false, false);
    const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
    ASSERT_EQ(GetWindowRgn(h, rgn.get()), c.frameCut ? SIMPLEREGION : COMPLEXREGION);
    RECT box{};
    GetRgnBox(rgn.get(), &box);
    const Integer w = GetWindowWidth(h), ht = GetWindowHeight(h);
    const Integer bw = c.frameCut ? SysBorderWidth(h, nullptr, false) : 0;
    const Integer bh = c.frameCut ? SysBorderHeight(h, nullptr, false) : 0;
    EXPECT_EQ(box.left, bw);
    EXPECT_EQ(box.top, bh);
    EXPECT_EQ(box.right, w - bw);
    EXPECT_EQ(box.bottom, ht - bh);
  }
  form->SetWindowState(wsNormal);
  form->Constraints()->SetMaxWidth(0);
}

// A form has a frame of its own with a border style, and a borderless one while the system
// blurs behind it.
TEST_F(Activation, FrameOfItsOwn) {
  struct Case {
    TFormBorderStyle style;
    bool blurred;
    bool frame;
  } cases[] = {{bsSizeable, false, true}, {bsNone, false, false}, {bsNone, true, true}, {bsDialog, false, true}};
  const Byte savedMode = sp->FCommonData->TranspMode;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "style " << Integer(c.style) << " blurred " << c.blurred);
    form->SetBorderStyle(c.style);
    sp->FluentHandles.clear();
    sp->FCommonData->TranspMode = savedMode;
    if (c.blurred) {
      sp->FluentHandles.push_back(form->Handle());
      sp->FCommonData->TranspMode = 1;
    }
    EXPECT_EQ(sp->IsBlurred(), c.blurred);
    EXPECT_EQ(sp->HaveBorder(), c.frame);
  }
  sp->FluentHandles.clear();
  sp->FCommonData->TranspMode = savedMode;
  form->SetBorderStyle(bsSizeable);
}

// With an outer border window the form shows only what lies inside the system's frame and
// caption; the border window takes the mouse only while the form is enabled.
class BorderedActivation : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    // The layered-window functions are bound (the program binds them at start-up).
    recorder = std::make_unique<layered::LayeredCalls>();
    GiveShadow(*skin, TRect(10, 8, 12, 14));
    TkvSkinData& d = *skin->skin.Data;
    d.ExTitleHeight = 30;
    d.ExBorderWidth = 4;
    d.Reindex();
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
    SetCursorPos(0, 0);
    SkinAndShow();
    ASSERT_TRUE(sp->BorderForm);
    bw = sp->BorderForm->LayeredWindow();
    ASSERT_TRUE(bw);
  }
  void TearDown() override {
    SkinnedForm::TearDown();
    recorder.reset();
  }
  std::unique_ptr<layered::LayeredCalls> recorder;
  HWND bw = nullptr;
};

TEST_F(BorderedActivation, RegionLeavesTheSystemFrameOut) {
  const HWND h = form->Handle();
  sp->UpdateRgn(false, false);
  const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
  ASSERT_EQ(GetWindowRgn(h, rgn.get()), SIMPLEREGION);
  RECT box{};
  GetRgnBox(rgn.get(), &box);
  const Integer s = SysBorderWidth(h, nullptr, false);
  const Integer t = sp->FSysExHeight ? s + SysCaptHeight(sp, 0)
                                     : SysBorderHeight(h, sp->OuterBorder(), false) + SysCaptHeight(sp, 0) + s;
  EXPECT_EQ(box.left, s);
  EXPECT_EQ(box.top, t);
  EXPECT_EQ(box.right, form->Width() - s);
  EXPECT_EQ(box.bottom, form->Height() - s);
  EXPECT_GT(t, s);
}

TEST_F(BorderedActivation, BorderWindowFollowsEnabled) {
  EXPECT_TRUE(IsWindowEnabled(bw));
  form->SetEnabled(false);
  ASSERT_TRUE(sp->BorderForm);
  EXPECT_FALSE(IsWindowEnabled(sp->BorderForm->LayeredWindow()));
  form->SetEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(sp->BorderForm->LayeredWindow()));
}

// The cover of a form with an outer border window lies over the menu line only: without a
// menu there is nothing to cover.
TEST_F(BorderedActivation, NoCoverWithoutMenuLine) {
  RECT wr{};
  GetWindowRect(form->Handle(), &wr);
  ActivationSpy spy(sp, TPoint(wr.left + 10, wr.top + 10));
  SendMessageW(form->Handle(), WM_NCACTIVATE, FALSE, 0);
  EXPECT_EQ(spy.calls, 1);
  EXPECT_FALSE(spy.coverShown);
  EXPECT_FALSE(sp->FormActive);
}

// An MDI child's activation makes it the module's child provider.
class MdiActivation : public SkinnedMdiFrame {};

TEST_F(MdiActivation, ActivatedChildIsRemembered) {
  TForm* first = MakeChild(u"First");
  TForm* second = MakeChild(u"Second");
  auto* firstSp = new TsSkinProvider(first);
  firstSp->AfterConstruction();
  auto* secondSp = new TsSkinProvider(second);
  secondSp->AfterConstruction();
  PumpMessages();
  SendMessageW(frame->ClientHandle(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(first->Handle()), 0);
  PumpMessages();
  EXPECT_EQ(ChildProvider, firstSp);
  SendMessageW(frame->ClientHandle(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(second->Handle()), 0);
  PumpMessages();
  // The last to hear of the change is the child that became active.
  EXPECT_EQ(ChildProvider, secondSp);
  EXPECT_EQ(frame->ActiveMDIChild(), second);
}

}  // namespace
