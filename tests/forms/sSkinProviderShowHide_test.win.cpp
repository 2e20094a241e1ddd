// Hiding and showing a skinned form: the picture kept on screen while the form is hidden (a
// cover window over it, or the outer border window) for the hide animation that follows, the
// same in the unskinned state, the minimize a position change catches up with, the first
// visibility change of a run-time provider, and the show notice. Wine blends layered windows
// over black: what the program hands to UpdateLayeredWindow and SetWindowPos is recorded.
#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "base/Composition.h"
#include "base/kvntUtils.h"
#include "forms/kvDials.h"
#include "forms/sSkinProviderAnim.h"
#include "forms/sSkinProviderMotion.h"
#include "raster/Blend.h"
#include "skin/sVclUtils.h"
#include "support/FormSkin.h"
#include "support/ImportHook.h"
#include "support/LayeredCalls.h"
#include "ui/ScopeGuard.h"

using namespace formskin;
using layered::LayeredCalls;

namespace {

void NoWait(Cardinal, Integer) {}

struct PosCall {
  HWND wnd;
  HWND after;
  UINT flags;
};
std::vector<PosCall> posCalls;
using TSetWindowPos = BOOL(WINAPI*)(HWND, HWND, int, int, int, int, UINT);
TSetWindowPos realSetWindowPos = nullptr;
BOOL WINAPI RecordSetWindowPos(HWND wnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
  posCalls.push_back({wnd, after, flags});
  return realSetWindowPos(wnd, after, x, y, cx, cy, flags);
}

// Records every SetWindowPos the program makes while it lives, and still makes it.
class PositionCalls {
 public:
  PositionCalls() : hook_("user32.dll", "SetWindowPos", &RecordSetWindowPos) {
    realSetWindowPos = hook_.Original<TSetWindowPos>();
    posCalls.clear();
  }
  static size_t Count(HWND wnd, UINT flags) {
    size_t n = 0;
    for (const PosCall& c : posCalls) n += c.wnd == wnd && c.flags == flags;
    return n;
  }

 private:
  ImportHook hook_;
};

constexpr UINT kNoChange = 0x71F;

bool IsAbove(HWND upper, HWND lower) {
  for (HWND w = GetWindow(upper, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
    if (w == lower) return true;
  return false;
}

class FormHiding : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    // The layered-window functions bound, as the program's start-up binds them.
    if (!kvLayered()) sGraphUtilsStartup();
    savedWait_ = kvWaitHandler;
    kvWaitHandler = &NoWait;
    savedAware_ = kvIsDPIAware;
    kvIsDPIAware = false;
    DuRiruZireziv& m = skin->skin.Manager;
    m.AnimEffects.FormShow.Active = false;
    m.AnimEffects.FormHide.Active = true;
    m.AnimEffects.FormHide.Time = 36;
    m.AnimEffects.FormHide.Mode = atFading;
    m.Effects.AllowAnimation = true;
    m.ShowState = saIgnore;
  }
  void TearDown() override {
    SkinnedForm::TearDown();
    kvWaitHandler = savedWait_;
    kvIsDPIAware = savedAware_;
  }
  // The skin draws extended borders with a shadow.
  void UseOuterBorder() {
    skin->skin.Manager.SetExtendedBorders(true);
    TkvSkinData& d = *skin->skin.Data;
    d.ExTitleHeight = 30;
    d.ExBorderWidth = 4;
    d.FormShadowSize = TRect(10, 8, 12, 14);
    for (auto* slot : {&d.ShdaTemplate, &d.ShdiTemplate}) {
      *slot = std::make_unique<TBitmap>(7, 7, pf32bit);
      FillRect32(slot->get(), TRect(0, 0, 7, 7), 0x00202020, 0xC0);
    }
  }
  void SkinShowAndPaint() {
    Skin();
    ShowForm();
    sp->CalcItems();
    sp->PaintAll();
  }
  // What the system sends before it hides the window.
  LRESULT SendHiding(Integer x = 0, UINT flags = SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER) {
    WINDOWPOS wp{form->Handle(), nullptr, x, 0, 0, 0, flags};
    return SendMessageW(form->Handle(), WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
  }
  bool Closing() { return sp->FormState() & FS_ANIMCLOSING; }
  // The border region for a new size, as the border makes it while the form is being sized.
  HRGN SizingRegion(Integer cx, Integer cy) {
    sp->SetFormState(sp->FormState() | FS_SIZING);
    HRGN rgn = sp->BorderForm->MakeRgn(cx, cy);
    sp->SetFormState(sp->FormState() & ~FS_SIZING);
    return rgn;
  }
  HWND CoverWnd() { return sp->CoverForm && sp->CoverForm->HandleAllocated() ? sp->CoverForm->Handle() : nullptr; }

  TkvWaitHandler savedWait_ = nullptr;
  bool savedAware_ = false;
};

}  // namespace

// The form's picture stays on screen in a topmost cover over the form, rendered anew into the
// cache; a second notice while the close runs makes no second cover.
TEST_F(FormHiding, HidingPutsACoverWithTheFormsPictureOverTheForm) {
  SkinShowAndPaint();
  const HWND h = form->Handle();
  const TBitmap* before = sp->FCommonData->FCacheBmp.get();
  LayeredCalls rec;
  SendHiding();
  EXPECT_TRUE(Closing());
  const HWND cover = CoverWnd();
  ASSERT_TRUE(cover);
  EXPECT_TRUE(IsWindowVisible(cover));
  EXPECT_TRUE(GetWindowLongW(cover, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT cr{}, fr{};
  GetWindowRect(cover, &cr);
  GetWindowRect(h, &fr);
  EXPECT_TRUE(EqualRect(&cr, &fr));
  ASSERT_TRUE(sp->FCommonData->FCacheBmp);
  EXPECT_NE(sp->FCommonData->FCacheBmp.get(), before);  // a fresh picture
  EXPECT_EQ(sp->FCommonData->FCacheBmp->Width(), fr.right - fr.left);
  ASSERT_EQ(LayeredCalls::UpdatesOf(cover).size(), 1u);
  EXPECT_EQ(LayeredCalls::UpdatesOf(cover)[0].alpha, 255);

  SendHiding();
  EXPECT_EQ(CoverWnd(), cover);
}

// The preparation needs the manager's hide animation with a time, animation allowed by the
// form and the manager, no minimize of the application, no close already running and a
// visible window.
TEST_F(FormHiding, NoCoverWhenNoHideAnimationFollows) {
  SkinShowAndPaint();
  DuRiruZireziv& m = skin->skin.Manager;
  struct Case {
    const char* name;
    std::function<void()> set;
  };
  const std::vector<Case> cases = {
      {"hide time 0", [&] { m.AnimEffects.FormHide.Time = 0; }},
      {"hide inactive", [&] { m.AnimEffects.FormHide.Active = false; }},
      {"form forbids animation", [&] { sp->FAllowAnimation = false; }},
      {"manager forbids animation", [&] { m.Effects.AllowAnimation = false; }},
      {"application minimizing", [&] { m.ShowState = saMinimize; }},
      {"window hidden",
       [&] {
         // (hidden without the animation, which would itself prepare)
         m.AnimEffects.FormHide.Active = false;
         ShowWindow(form->Handle(), SW_HIDE);
         m.AnimEffects.FormHide.Active = true;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.set();
    SendHiding();
    EXPECT_FALSE(Closing());
    EXPECT_FALSE(sp->CoverForm);
    m.AnimEffects.FormHide.Time = 36;
    m.AnimEffects.FormHide.Active = true;
    sp->FAllowAnimation = true;
    m.Effects.AllowAnimation = true;
    m.ShowState = saIgnore;
    ShowWindow(form->Handle(), SW_SHOWNA);
  }
  // With all of them the preparation runs.
  SendHiding();
  EXPECT_TRUE(Closing());
  EXPECT_TRUE(sp->CoverForm);
}

// Hiding the form for real: the cover made before the window went is the hide animation's
// stand-in (no second snapshot), and it is gone afterwards; the next showing ends the close.
TEST_F(FormHiding, TheHideAnimationPlaysInTheCoverMadeBeforeTheWindowWent) {
  SkinShowAndPaint();
  const HWND h = form->Handle();
  LayeredCalls rec;
  form->Hide();
  EXPECT_FALSE(IsWindowVisible(h));
  const auto shown = LayeredCalls::UpdatesExcept(h);
  const size_t frames = HideSchedule(atFading, 0, 0, 36, 255).size();
  ASSERT_EQ(shown.size(), 2 + frames);  // the cover's snapshot, the picture loaded, the frames
  for (const auto& c : shown) EXPECT_EQ(c.wnd, shown.front().wnd);
  EXPECT_EQ(shown.back().alpha, 0);
  EXPECT_FALSE(IsWindow(shown.front().wnd));
  EXPECT_FALSE(sp->CoverForm);
  EXPECT_TRUE(Closing());
  EXPECT_FALSE(sp->SkipAnimation);

  ShowForm();
  EXPECT_FALSE(Closing());
}

// With an outer border the border window shows the form's picture at the form's alpha, in its
// own region, above the form; no cover is made.
TEST_F(FormHiding, WithAnOuterBorderTheBorderWindowShowsThePicture) {
  UseOuterBorder();
  struct Case {
    bool blend;
    Byte alpha;
  };
  for (const Case c : {Case{false, 255}, Case{true, 180}}) {
    SCOPED_TRACE(c.alpha);
    form->SetAlphaBlendValue(c.alpha);
    form->SetAlphaBlend(c.blend);
    if (!sp) SkinShowAndPaint();
    ShowForm();
    ASSERT_TRUE(sp->BorderForm);
    const HWND bw = sp->BorderForm->LayeredWindow();
    ASSERT_TRUE(bw);
    sp->SetFormState(sp->FormState() & ~FS_ANIMCLOSING);
    sp->BorderForm->ExBorderShowing = false;
    LayeredCalls rec;
    SendHiding();
    EXPECT_TRUE(Closing());
    EXPECT_TRUE(sp->BorderForm->ExBorderShowing);
    EXPECT_FALSE(sp->CoverForm);
    const auto shown = LayeredCalls::UpdatesOf(bw);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().alpha, c.alpha);
    EXPECT_EQ(shown.back().size.cx, sp->FCommonData->FCacheBmp->Width());
    EXPECT_EQ(shown.back().size.cy, sp->FCommonData->FCacheBmp->Height());
    HRGN expected = sp->BorderForm->MakeRgn(0, 0);
    HRGN actual = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(bw, actual), ERROR);
    EXPECT_TRUE(EqualRgn(expected, actual));
    DeleteObject(expected);
    DeleteObject(actual);
    EXPECT_TRUE(IsAbove(bw, form->Handle()));
    sp->BorderForm->ExBorderShowing = false;
  }
}

// A form with an outer border that stops showing keeps the border object (its window shows
// the picture) when a hide animation follows, and loses it when none does.
TEST_F(FormHiding, TheBorderStaysForTheHideAnimationOnly) {
  UseOuterBorder();
  struct Case {
    Word time;
    bool kept;
  };
  SkinShowAndPaint();
  for (const Case c : {Case{36, true}, Case{0, false}}) {
    SCOPED_TRACE(c.time);
    skin->skin.Manager.AnimEffects.FormHide.Time = c.time;
    ShowForm();
    ASSERT_TRUE(sp->BorderForm);
    form->Hide();
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(sp->BorderForm != nullptr, c.kept);
  }
}

// The unskinned state: a form hidden while its skin data is not skinned still fades out from
// a cover made before the window went. Without a hide time no cover is made (none would be
// taken over), and showing the form again makes none either.
TEST_F(FormHiding, AnUnskinnedFormFadesOutFromItsCover) {
  SkinShowAndPaint();
  const HWND h = form->Handle();
  const Integer skinIndex = sp->FCommonData->SkinIndex;
  struct Case {
    Word time;
    size_t updates;
  };
  const size_t frames = HideSchedule(atFading, 0, 0, 36, 255).size();
  for (const Case c : {Case{36, 2 + frames}, Case{0, 0}}) {
    SCOPED_TRACE(c.time);
    skin->skin.Manager.AnimEffects.FormHide.Time = c.time;
    sp->FCommonData->SkinIndex = -1;
    ASSERT_FALSE(sp->Skinned());
    LayeredCalls rec;
    form->Hide();
    EXPECT_FALSE(IsWindowVisible(h));
    const auto shown = LayeredCalls::UpdatesExcept(h);
    ASSERT_EQ(shown.size(), c.updates);
    for (const auto& u : shown) EXPECT_EQ(u.wnd, shown.front().wnd);
    if (!shown.empty()) { EXPECT_FALSE(IsWindow(shown.front().wnd)); }
    EXPECT_FALSE(sp->CoverForm);
    EXPECT_FALSE(sp->SkipAnimation);
    EXPECT_EQ(Closing(), c.time != 0);

    layered::updates.clear();
    form->Show();
    EXPECT_TRUE(IsWindowVisible(h));
    EXPECT_FALSE(Closing());
    EXPECT_FALSE(sp->CoverForm);
    EXPECT_TRUE(LayeredCalls::UpdatesExcept(h).empty());
    sp->FCommonData->SkinIndex = skinIndex;
    sp->PaintAll();
  }
}

// A window already minimized that the form does not know as minimized: a position change to
// the system's minimized place makes the form follow; any other place does not.
TEST_F(FormHiding, APositionChangeCatchesUpWithAMinimizedWindow) {
  SkinShowAndPaint();
  const HWND h = form->Handle();
  struct Case {
    Integer x;
    TWindowState state;
  };
  for (const Case c : {Case{50, wsNormal}, Case{-32000, wsMinimized}}) {
    SCOPED_TRACE(c.x);
    form->Hide();
    form->SetWindowState(wsNormal);
    ShowWindow(h, SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(IsIconic(h));
    ASSERT_EQ(form->WindowState(), wsNormal);
    SendHiding(c.x, SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(form->WindowState(), c.state);
    EXPECT_FALSE(sp->CoverForm);  // a minimized window gets no cover
    ShowWindow(h, SW_HIDE);
    ShowWindow(h, SW_RESTORE);
    ShowWindow(h, SW_HIDE);
    form->SetWindowState(wsNormal);
  }
}

// A position change that shows the window gives it the change that changes nothing (the
// system recomputes what it shows), and so does the show notice; the notice also ends the
// border window's showing of the picture.
TEST_F(FormHiding, ShowingGivesTheWindowAChangeThatChangesNothing) {
  UseOuterBorder();
  SkinShowAndPaint();
  const HWND h = form->Handle();
  ASSERT_TRUE(sp->BorderForm);
  PositionCalls rec;
  WINDOWPOS wp{h, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER};
  SendMessageW(h, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
  EXPECT_EQ(PositionCalls::Count(h, kNoChange), 1u);

  sp->BorderForm->ExBorderShowing = true;
  sp->SkipAnimation = true;
  SendMessageW(h, WM_SHOWWINDOW, 1, 0);
  EXPECT_FALSE(sp->BorderForm->ExBorderShowing);
  EXPECT_FALSE(sp->SkipAnimation);
  EXPECT_EQ(PositionCalls::Count(h, kNoChange), 2u);
  // Hiding notices change nothing of it.
  SendMessageW(h, WM_SHOWWINDOW, 0, 0);
  EXPECT_EQ(PositionCalls::Count(h, kNoChange), 2u);
}

// A position change that shows the window makes the border window the border object lost.
TEST_F(FormHiding, ShowingMakesTheMissingBorderWindow) {
  UseOuterBorder();
  SkinShowAndPaint();
  ASSERT_TRUE(sp->BorderForm);
  sp->BorderForm->FreeLayeredWindow();
  ASSERT_FALSE(sp->BorderForm->LayeredWindow());
  sp->BorderForm->ExBorderShowing = true;
  WINDOWPOS wp{form->Handle(), nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER};
  SendMessageW(form->Handle(), WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
  EXPECT_TRUE(sp->BorderForm->LayeredWindow());
  EXPECT_FALSE(sp->BorderForm->ExBorderShowing);
}

// The first visibility change of a run-time provider initialises it exactly once and gives a
// shown form its outer border; later changes leave the initialisation alone.
TEST_F(FormHiding, TheFirstVisibilityChangeOfARunTimeProviderInitialisesItOnce) {
  UseOuterBorder();
  form->SetBorderStyle(bsSizeToolWin);
  ShowForm();
  sp = TsSkinProvider::CreateRT(form);
  ASSERT_TRUE(sp->RTInit);
  EXPECT_FALSE(sp->BorderForm);
  form->Perform(CM_VISIBLECHANGED, 1, 0);
  EXPECT_FALSE(sp->RTInit);
  EXPECT_FALSE(sp->FAllowBlendOnMoving);  // what initialising a size-tool window does
  EXPECT_TRUE(sp->BorderForm);
  sp->FAllowBlendOnMoving = true;
  form->Perform(CM_VISIBLECHANGED, 1, 0);
  form->Hide();
  form->Show();
  EXPECT_TRUE(sp->FAllowBlendOnMoving);
}

// A form that becomes invisible drops its picture and stops its caption-button fades.
TEST_F(FormHiding, BecomingInvisibleStopsTheCaptionButtonFades) {
  SkinShowAndPaint();
  const HWND h = form->Handle();
  SendMessageW(h, WM_NCACTIVATE, TRUE, 0);
  const TPoint close = Screen(Centre(sp->ButtonClose).X, Centre(sp->ButtonClose).Y);
  SendMessageW(h, WM_NCMOUSEMOVE, HTCLOSE, MAKELPARAM(close.X, close.Y));
  ASSERT_NE(sp->ButtonClose.cpTimer, nullptr);
  form->Perform(CM_VISIBLECHANGED, 0, 0);
  EXPECT_EQ(sp->ButtonClose.cpTimer, nullptr);
  ASSERT_TRUE(sp->FCommonData->FCacheBmp);
  EXPECT_EQ(sp->FCommonData->FCacheBmp->Width(), 0);
}

// A form whose frame the system paints (it has a border style) or whose client the form
// paints itself comes up without the skinned show: no show animation, nothing left updating.
TEST_F(FormHiding, AFormWithTheSystemsFrameOrItsOwnClientShowsWithoutTheAnimation) {
  SkinShowAndPaint();
  TkvFormShow& show = skin->skin.Manager.AnimEffects.FormShow;
  struct Case {
    const char* name;
    bool frame, client;
    TFormBorderStyle style;
    bool animated;
  };
  for (const Case c :
       {Case{"skinned", true, true, bsSizeable, true}, Case{"system frame", false, true, bsSizeable, false},
        Case{"own client", true, false, bsSizeable, false}, Case{"no frame at all", false, true, bsNone, true}}) {
    SCOPED_TRACE(c.name);
    form->Hide();
    form->SetBorderStyle(c.style);
    sp->FDrawNonClientArea = c.frame;
    sp->FDrawClientArea = c.client;
    show.Active = true;
    show.Time = 24;
    {
      LayeredCalls rec;
      form->Show();
      EXPECT_EQ(!LayeredCalls::UpdatesExcept(form->Handle()).empty(), c.animated);
    }
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_FALSE(sp->FCommonData->GetUpdating());
    show.Active = false;
    sp->FDrawNonClientArea = true;
    sp->FDrawClientArea = true;
  }
}

// While the form's region is being changed, a shrinking change gives the border window the
// region of the new size first and puts the form right behind it; a growing one leaves the
// border window to follow afterwards. Either way the close animation's mark goes.
TEST_F(FormHiding, ABorderWindowShrinksItsRegionBeforeTheFormShrinks) {
  UseOuterBorder();
  SkinShowAndPaint();
  const HWND h = form->Handle();
  ASSERT_TRUE(sp->BorderForm);
  const HWND bw = sp->BorderForm->LayeredWindow();
  ASSERT_TRUE(bw);
  const TRect last = sp->LastClientRect;
  ASSERT_GT(last.Right, 100);
  struct Case {
    Integer cx, cy;
    bool shrinks;
  };
  for (const Case c : {Case{last.Right + 20, last.Bottom + 20, false}, Case{last.Right - 60, last.Bottom - 40, true}}) {
    SCOPED_TRACE(c.cx);
    const auto changing = SetForScope(sp->RgnChanging, true, false);
    sp->SetFormState(sp->FormState() | FS_ANIMCLOSING);
    SetWindowRgn(bw, CreateRectRgn(0, 0, 5, 5), FALSE);
    WINDOWPOS wp{h, nullptr, 120, 110, c.cx, c.cy, SWP_NOACTIVATE | SWP_NOZORDER};
    SendMessageW(h, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    EXPECT_FALSE(Closing());
    EXPECT_FALSE(sp->FormState() & FS_SIZING);
    HRGN expected = c.shrinks ? SizingRegion(c.cx, c.cy) : CreateRectRgn(0, 0, 5, 5);
    HRGN actual = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(bw, actual), ERROR);
    EXPECT_TRUE(EqualRgn(expected, actual));
    if (c.shrinks) {
      // (the region of the new size is not the one of the present size)
      HRGN present = sp->BorderForm->MakeRgn(0, 0);
      EXPECT_FALSE(EqualRgn(expected, present));
      DeleteObject(present);
    }
    DeleteObject(expected);
    DeleteObject(actual);
    if (c.shrinks) { EXPECT_TRUE(IsAbove(bw, h)); }
  }
}

using MdiShowing = SkinnedMdiFrame;

// A shown MDI main form hands its children that are not skinned yet to the dialog skinner.
TEST_F(MdiShowing, AShownMainFormSkinsItsUnskinnedChildren) {
  TForm* child = MakeChild(u"Child");
  ASSERT_EQ(GetFormProvider(child->Handle()), nullptr);
  kvDialsStartup();
  const TScopeExit cleanup([] { kvDialsCleanup(); });
  SendMessageW(frame->Handle(), WM_SHOWWINDOW, 1, 0);
  EXPECT_NE(GetFormProvider(child->Handle()), nullptr);
}

// When the owner goes away, a pending show action follows the state the window is left in;
// without one pending nothing is made pending.
TEST_F(FormHiding, APendingShowActionFollowsTheWindowWhenItsOwnerCloses) {
  SkinShowAndPaint();
  const HWND h = form->Handle();
  struct Case {
    const char* name;
    int show;
    TShowAction pending, expected;
  };
  for (const Case c : {Case{"normal", SW_SHOWNOACTIVATE, saMinimize, saRestore},
                       Case{"maximized", SW_SHOWMAXIMIZED, saRestore, saMaximize},
                       Case{"minimized", SW_SHOWMINNOACTIVE, saRestore, saMinimize},
                       Case{"none pending", SW_SHOWMAXIMIZED, saIgnore, saIgnore}}) {
    SCOPED_TRACE(c.name);
    ShowWindow(h, c.show);
    sp->ShowAction = c.pending;
    SendMessageW(h, WM_SHOWWINDOW, 0, SW_PARENTCLOSING);
    EXPECT_EQ(sp->ShowAction, c.expected);
    ShowWindow(h, SW_RESTORE);
  }
}
