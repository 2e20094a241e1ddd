// System commands on skinned forms and the form messages that follow settings and menu loops:
// what the form's previous procedure sees of each command (once, with which state bits, with or
// without the outer border), the state and the border window afterwards, the restore and the
// maximize from the taskbar, MDI children's commands on a real MDI form, the MDI icons window of
// a menu loop, and one table over the messages that only adjust the provider.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "base/Composition.h"
#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "forms/kvTitleBar.h"
#include "forms/sMDIForm.h"
#include "forms/sSkinProviderMotion.h"
#include "skin/sVclUtils.h"
#include "support/FormSkin.h"
#include "support/ImportHook.h"
#include "support/LayeredCalls.h"
#include "support/ManualTimerDriver.h"
#include "support/MenuDropRecorder.h"
#include "support/MinimizeFlight.h"
#include "support/RedrawCalls.h"
#include "support/WindowProbes.h"
#include "ui/Menus.h"
#include "ui/ScopeGuard.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtils.h"

using namespace formskin;

namespace {

constexpr Cardinal kCaptionDrag = 0xF012;

// What the form's previous procedure saw of one message, and the provider's state then.
struct Seen {
  Cardinal msg;
  WPARAM wParam;
  Cardinal state;
  bool border;      // the provider had an outer border object
  LONG style;       // the window style
  bool pending;     // the window had an update region waiting
  bool mainInMenu;  // the MDI main form's provider held its menu line
};

// Sits under a provider as its previous procedure and records every message; commands that
// would start a modal loop of the system (moving, sizing) are recorded and not passed on.
class OldProcRecorder {
 public:
  void Install(TsSkinProvider* p) {
    sp_ = p;
    old_ = p->OldWndProc;
    p->OldWndProc = TWndMethod(this, &OldProcRecorder::Proc);
  }
  void Remove() {
    if (sp_) sp_->OldWndProc = old_;
    sp_ = nullptr;
  }
  ~OldProcRecorder() { Remove(); }
  const Seen* Find(Cardinal msg, WPARAM wParam) const {
    for (const Seen& s : seen)
      if (s.msg == msg && s.wParam == wParam) return &s;
    return nullptr;
  }
  int Count(Cardinal msg, WPARAM wParam) const {
    int n = 0;
    for (const Seen& s : seen) n += s.msg == msg && s.wParam == wParam;
    return n;
  }
  bool SawAfter(Cardinal first, Cardinal then) const {
    bool firstSeen = false;
    for (const Seen& s : seen) {
      if (s.msg == first) firstSeen = true;
      if (firstSeen && s.msg == then) return true;
    }
    return false;
  }
  std::vector<Seen> seen;

 private:
  void Proc(TMessage& m) {
    const HWND h = sp_->Form->HandleAllocated() ? sp_->Form->WindowHandle() : nullptr;
    seen.push_back({m.Msg, m.WParam, sp_->FormState(), bool(sp_->BorderForm), h ? GetWindowLongW(h, GWL_STYLE) : 0,
                    h && GetUpdateRect(h, nullptr, FALSE), MDISkinProvider && MDISkinProvider->InMenu});
    const Cardinal cmd = Cardinal(m.WParam) & 0xFFF0;
    if (m.Msg == WM_SYSCOMMAND && (cmd == SC_MOVE || cmd == SC_SIZE)) return;
    old_(m);
  }
  TsSkinProvider* sp_ = nullptr;
  TWndMethod old_;
};

// A shown skinned form whose previous procedure is recorded; Prepare sets the skin up first.
class SysCommands : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    ASSERT_NO_FATAL_FAILURE();
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
    Prepare();
    SetCursorPos(0, 0);
    Skin();
    ShowForm();
    sp->CalcItems();
    rec.Install(sp);
  }
  void TearDown() override {
    rec.Remove();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    SkinnedForm::TearDown();
  }
  virtual void Prepare() {}
  LRESULT Command(WPARAM cmd) {
    const LRESULT r = SendMessageW(form->Handle(), WM_SYSCOMMAND, cmd, 0);
    Application->ProcessMessages();
    return r;
  }
  OldProcRecorder rec;
};

// The skin draws extended borders: the form has an outer border window.
class BorderedCommands : public SysCommands {
 protected:
  void Prepare() override {
    layeredCalls.emplace();
    GiveShadow(*skin, TRect(10, 8, 12, 14));
    skin->skin.Data->ExTitleHeight = 30;
    skin->skin.Data->ExBorderWidth = 4;
  }
  void TearDown() override {
    SysCommands::TearDown();
    layeredCalls.reset();
  }
  HWND BorderWindow() { return sp->BorderForm ? sp->BorderForm->LayeredWindow() : nullptr; }
  std::optional<layered::LayeredCalls> layeredCalls;
};

// The manager's minimize animation on, its frames on a clock the test steps, a taskbar to fly to.
class TaskbarCommands : public SysCommands {
 protected:
  void Prepare() override {
    flight.emplace(skin->skin.Manager);
    taskbar = std::make_unique<taskbarwnd::Taskbar>();
  }
  void TearDown() override {
    SysCommands::TearDown();
    taskbar.reset();
    flight.reset();
  }
  TkvMinTimer* Timer() { return dynamic_cast<TkvMinTimer*>(sp->FormTimer.get()); }
  void RunOut(TkvMinTimer* t) {
    for (int i = 0; t->Enabled() && i < 1000; ++i) t->OnTimer2(nullptr);
  }
  // Minimized by the provider's animation, the flight over.
  void MinimizeAndLand() {
    Command(SC_MINIMIZE);
    ASSERT_TRUE(IsIconic(form->Handle()));
    ASSERT_NE(Timer(), nullptr);
    RunOut(Timer());
    ASSERT_TRUE(Timer()->Minimized);
    rec.seen.clear();
  }
  std::unique_ptr<taskbarwnd::Taskbar> taskbar;
  std::optional<taskbarwnd::MinimizeFlight> flight;
};

}  // namespace

// ---- Plain and bordered forms --------------------------------------------------------------------

// A caption drag starts from a repainted form: nothing is left to paint when the system's move
// begins. A plain move command leaves the pending paint alone.
TEST_F(SysCommands, ACaptionDragRepaintsTheFormBeforeTheMoveStarts) {
  struct Case {
    WPARAM cmd;
    bool pendingAtMove;
  } cases[] = {{kCaptionDrag, false}, {SC_MOVE, true}};
  for (const Case& c : cases) {
    rec.seen.clear();
    InvalidateRect(form->Handle(), nullptr, FALSE);
    SendMessageW(form->Handle(), WM_SYSCOMMAND, c.cmd, 0);
    const Seen* s = rec.Find(WM_SYSCOMMAND, c.cmd);
    ASSERT_NE(s, nullptr) << std::hex << c.cmd;
    EXPECT_EQ(s->pending, c.pendingAtMove) << std::hex << c.cmd;
    Application->ProcessMessages();
  }
}

// With native borders for maximized forms the border object goes before the system maximizes
// the form, so the system sizes a form with its own frame; without them it stays. Either way the
// system maximizes once.
TEST_F(BorderedCommands, MaximizeDropsAnUnwantedBorderBeforeTheSystemMaximizes) {
  DuRiruZireziv& m = skin->skin.Manager;
  for (const bool native : {false, true}) {
    m.Options.NativeBordersMaximized = native;
    rec.seen.clear();
    Command(SC_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(form->Handle())) << native;
    ASSERT_EQ(rec.Count(WM_SYSCOMMAND, SC_MAXIMIZE), 1) << native;
    EXPECT_EQ(rec.Find(WM_SYSCOMMAND, SC_MAXIMIZE)->border, !native) << native;
    EXPECT_NE(rec.Find(WM_SYSCOMMAND, SC_MAXIMIZE)->state & FS_ZOOMING, 0u) << native;
    EXPECT_EQ(sp->FormState() & FS_ZOOMING, 0u);
    EXPECT_EQ(bool(sp->BorderForm), !native) << native;
    Command(SC_RESTORE);
    ASSERT_FALSE(IsZoomed(form->Handle()));
    ASSERT_TRUE(BorderWindow()) << native;
  }
  m.Options.NativeBordersMaximized = false;
}

// A restore while the close animation was prepared gives the form back without a restore
// animation: the close mark goes, the border window stops keeping the picture.
TEST_F(BorderedCommands, RestoreDuringAClosePreparationRestoresWithoutAnimation) {
  skin->skin.Manager.AnimEffects.Minimizing.Active = true;
  sp->SetFormState(sp->FormState() | FS_ANIMCLOSING);
  sp->BorderForm->ExBorderShowing = true;
  Command(SC_RESTORE);
  const Seen* s = rec.Find(WM_SYSCOMMAND, SC_RESTORE);
  ASSERT_NE(s, nullptr);
  EXPECT_NE(s->state & FS_RESTORING, 0u);
  EXPECT_EQ(s->state & (FS_ANIMCLOSING | FS_ANIMRESTORING), 0u);
  EXPECT_EQ(sp->FormState() & (FS_RESTORING | FS_ANIMCLOSING | FS_ANIMRESTORING), 0u);
  EXPECT_FALSE(sp->BorderForm->ExBorderShowing);
  EXPECT_EQ(rec.Count(WM_SYSCOMMAND, SC_RESTORE), 1);
}

// A restore of a normal form whose border object lost its window makes the border again.
TEST_F(BorderedCommands, RestoreRemakesABorderWindowThatWentMissing) {
  sp->BorderForm->FreeLayeredWindow();
  ASSERT_EQ(BorderWindow(), nullptr);
  sp->MaxRestore = true;
  Command(SC_RESTORE);
  ASSERT_TRUE(BorderWindow());
  EXPECT_TRUE(IsWindowVisible(BorderWindow()));
  EXPECT_FALSE(sp->MaxRestore);
}

// Minimized by the system (no animation of the manager): the border window goes and its object
// stays; the restore brings the window back.
TEST_F(BorderedCommands, ASystemMinimizeTakesTheBorderWindowAndTheRestoreBringsItBack) {
  skin->skin.Manager.AnimEffects.Minimizing.Active = false;
  Command(SC_MINIMIZE);
  ASSERT_TRUE(IsIconic(form->Handle()));
  ASSERT_TRUE(sp->BorderForm);
  EXPECT_EQ(BorderWindow(), nullptr);
  EXPECT_FALSE(sp->BorderForm->ExBorderShowing);
  Command(SC_RESTORE);
  ASSERT_FALSE(IsIconic(form->Handle()));
  ASSERT_TRUE(BorderWindow());
  EXPECT_TRUE(IsWindowVisible(BorderWindow()));
  EXPECT_EQ(sp->FormState() & FS_RESTORING, 0u);
}

// ---- From the taskbar ----------------------------------------------------------------------------

// Maximized straight from the taskbar: the picture flies back while the system maximizes the
// form (once), the zooming mark spans only that.
TEST_F(TaskbarCommands, MaximizeFromTheTaskbarFliesBackWhileZooming) {
  ASSERT_NO_FATAL_FAILURE(MinimizeAndLand());
  Command(SC_MAXIMIZE);
  ASSERT_EQ(rec.Count(WM_SYSCOMMAND, SC_MAXIMIZE), 1);
  const Seen* s = rec.Find(WM_SYSCOMMAND, SC_MAXIMIZE);
  EXPECT_NE(s->state & FS_ZOOMING, 0u);
  EXPECT_NE(s->state & FS_ANIMRESTORING, 0u);
  EXPECT_EQ(sp->FormState() & FS_ZOOMING, 0u);
  EXPECT_TRUE(IsZoomed(form->Handle()));
  RunOut(Timer());
  EXPECT_EQ(sp->FormState() & FS_ANIMRESTORING, 0u);
}

// Restored from the taskbar: the restore animation starts before the system restores the form;
// the restoring mark spans the command.
TEST_F(TaskbarCommands, RestoreFromTheTaskbarFliesBack) {
  ASSERT_NO_FATAL_FAILURE(MinimizeAndLand());
  Command(SC_RESTORE);
  const Seen* s = rec.Find(WM_SYSCOMMAND, SC_RESTORE);
  ASSERT_NE(s, nullptr);
  EXPECT_NE(s->state & FS_RESTORING, 0u);
  EXPECT_NE(s->state & FS_ANIMRESTORING, 0u);
  EXPECT_EQ(sp->FormState() & FS_RESTORING, 0u);
  EXPECT_FALSE(IsIconic(form->Handle()));
  RunOut(Timer());
  EXPECT_EQ(sp->FormState() & FS_ANIMRESTORING, 0u);
}

// The work area changes while the picture flies: the flight aims at the taskbar's new place.
// Other setting changes leave the flight alone.
TEST_F(TaskbarCommands, AWorkAreaChangeReaimsTheFlight) {
  Command(SC_MINIMIZE);
  TkvMinTimer* t = Timer();
  ASSERT_NE(t, nullptr);
  ASSERT_TRUE(t->Enabled());
  const TRect before = t->Motion.RectTo;
  const int sw = GetSystemMetrics(SM_CXSCREEN);
  SetWindowPos(taskbar->wnd, nullptr, 0, 0, sw, 40, SWP_NOZORDER | SWP_NOACTIVATE);
  const TRect expected = TaskbarFallbackRect(t->Motion.RectFrom, taskbar->Rect());
  ASSERT_NE(expected, before);
  SendMessageW(form->Handle(), WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, 0);
  EXPECT_EQ(t->Motion.RectTo, before);
  SendMessageW(form->Handle(), WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
  EXPECT_EQ(t->Motion.RectTo, expected);
  EXPECT_EQ(t->Motion.CurLeft, expected.Left);
  EXPECT_EQ(t->Motion.CurTop, expected.Top);
  EXPECT_EQ(t->Motion.CurRight, expected.Right);
  EXPECT_EQ(t->Motion.CurBottom, expected.Bottom);
  EXPECT_TRUE(rec.Find(WM_SETTINGCHANGE, SPI_SETWORKAREA));
  RunOut(t);
}

// ---- MDI -----------------------------------------------------------------------------------------

namespace {

class MdiCommands : public SkinnedMdiFrame {
 protected:
  void SetUp() override {
    SkinnedMdiFrame::SetUp();
    ASSERT_NO_FATAL_FAILURE();
    child = MakeChild(u"A");
    childSp = new TsSkinProvider(child);
    childSp->AfterConstruction();
    PumpMessages();
    rec.Install(childSp);
  }
  void TearDown() override {
    rec.Remove();
    mainRec.Remove();
    SkinnedMdiFrame::TearDown();
  }
  LRESULT Command(TForm* f, WPARAM cmd) {
    const LRESULT r = SendMessageW(f->Handle(), WM_SYSCOMMAND, cmd, 0);
    PumpMessages();
    return r;
  }
  bool MainUpdating() { return sp->FCommonData->GetUpdating(); }
  TForm* child = nullptr;
  TsSkinProvider* childSp = nullptr;
  OldProcRecorder rec, mainRec;
};

}  // namespace

// Maximized hidden from the system (which would draw its own frame in between), visible again
// afterwards and redrawn; the main form's menu line is counted anew and its update block ends.
TEST_F(MdiCommands, MaximizingAChildHidesItFromTheSystemAndRenewsTheMainForm) {
  redraws::RedrawCalls redrawCalls;
  sp->FLinesCount = 7;
  Command(child, SC_MAXIMIZE);
  const Seen* s = rec.Find(WM_SYSCOMMAND, SC_MAXIMIZE);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->style & WS_VISIBLE, 0);
  EXPECT_TRUE(IsZoomed(child->Handle()));
  EXPECT_NE(GetWindowLongW(child->Handle(), GWL_STYLE) & WS_VISIBLE, 0);
  EXPECT_TRUE(redraws::RedrawCalls::Seen(child->Handle(), RDW_INTERNALPAINT | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME));
  EXPECT_TRUE(redraws::RedrawCalls::Seen(frame->Handle(), RDW_INVALIDATE | RDW_FRAME));
  EXPECT_NE(sp->FLinesCount, 7);
  EXPECT_FALSE(MainUpdating());
}

// Restored: the system's caption buttons stay off (the skin draws them), the child is redrawn,
// and the main form is renewed (the child was maximized).
TEST_F(MdiCommands, RestoringAMaximizedChildKeepsTheSystemButtonsOffAndRenewsTheMainForm) {
  Command(child, SC_MAXIMIZE);
  ASSERT_TRUE(IsZoomed(child->Handle()));
  redraws::RedrawCalls redrawCalls;
  Command(child, SC_RESTORE);
  EXPECT_FALSE(IsZoomed(child->Handle()));
  EXPECT_EQ(GetWindowLongW(child->Handle(), GWL_STYLE) & WS_SYSMENU, 0);
  EXPECT_TRUE(redraws::RedrawCalls::Seen(child->Handle(), RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME));
  EXPECT_TRUE(redraws::RedrawCalls::Seen(frame->Handle(), RDW_INVALIDATE | RDW_FRAME));
  EXPECT_EQ(rec.Count(WM_SYSCOMMAND, SC_RESTORE), 1);
  EXPECT_FALSE(MainUpdating());
}

// Minimized: the child is iconic and the main form is renewed; the keyboard's menu command is
// left to the main form's menu line (the child's procedure never sees it).
TEST_F(MdiCommands, MinimizeRenewsTheMainFormAndTheKeyboardMenuStaysWithIt) {
  redraws::RedrawCalls redrawCalls;
  Command(child, SC_MINIMIZE);
  EXPECT_TRUE(IsIconic(child->Handle()));
  EXPECT_TRUE(redraws::RedrawCalls::Seen(frame->Handle(), RDW_INVALIDATE | RDW_FRAME));
  EXPECT_EQ(rec.Count(WM_SYSCOMMAND, SC_MINIMIZE), 1);
  rec.seen.clear();
  Command(child, SC_KEYMENU);
  EXPECT_EQ(rec.Count(WM_SYSCOMMAND, SC_KEYMENU), 0);
  EXPECT_FALSE(MainUpdating());
}

// Closing a child holds the main form's menu line while the child goes, and lets it go after.
TEST_F(MdiCommands, ClosingAChildHoldsTheMainFormsMenuLine) {
  SendMessageW(child->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  const Seen* s = rec.Find(WM_SYSCOMMAND, SC_CLOSE);
  rec.Remove();  // the child may be freed by the messages that follow
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(s->mainInMenu);
  EXPECT_FALSE(sp->InMenu);
  EXPECT_FALSE(MainUpdating());
  PumpMessages();
}

// The main form's restore is marked while the system restores it; its state commands run once.
TEST_F(MdiCommands, TheMainFormsStateCommandsRunOnceAndItsRestoreIsMarked) {
  mainRec.Install(sp);
  Command(frame, SC_MAXIMIZE);
  EXPECT_TRUE(IsZoomed(frame->Handle()));
  EXPECT_EQ(mainRec.Count(WM_SYSCOMMAND, SC_MAXIMIZE), 1);
  Command(frame, SC_RESTORE);
  const Seen* s = mainRec.Find(WM_SYSCOMMAND, SC_RESTORE);
  ASSERT_NE(s, nullptr);
  EXPECT_NE(s->state & FS_RESTORING, 0u);
  EXPECT_EQ(sp->FormState() & FS_RESTORING, 0u);
  EXPECT_FALSE(IsZoomed(frame->Handle()));
}

// A menu loop of the main form with a maximized child: a small unskinned window without shadow
// keeps the child's icons over the menu bar, made once per loop, gone when the loop ends. No
// window without a maximized child.
TEST_F(MdiCommands, AMenuLoopShowsTheChildIconsWindowOnce) {
  SendMessageW(frame->Handle(), WM_ENTERMENULOOP, 0, 0);
  EXPECT_EQ(MDIIconsForm(), nullptr);
  SendMessageW(frame->Handle(), WM_EXITMENULOOP, 0, 0);
  Command(child, SC_MAXIMIZE);
  ASSERT_TRUE(IsZoomed(child->Handle()));
  SendMessageW(frame->Handle(), WM_ENTERMENULOOP, 0, 0);
  TCustomForm* icons = MDIIconsForm();
  ASSERT_NE(icons, nullptr);
  EXPECT_TRUE(sp->InMenu);
  const HWND iw = icons->Handle();
  EXPECT_TRUE(IsWindowVisible(iw));
  EXPECT_EQ(icons->Tag() & ExceptTag, ExceptTag);
  EXPECT_EQ(icons->Name(), u"kvMDIIcons");
  EXPECT_EQ(GetClassLongW(iw, GCL_STYLE) & CS_DROPSHADOW, 0u);
  RECT r{}, f{};
  GetWindowRect(iw, &r);
  GetWindowRect(frame->Handle(), &f);
  const Integer border = SysBorderWidth(frame->Handle(), sp->OuterBorder(), true);
  EXPECT_EQ(r.right - r.left, 60);
  EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYMENU) + 3);
  EXPECT_EQ(r.left, f.right - border - 60);
  EXPECT_EQ(r.top, f.top + SysCaptHeight(sp) + border);
  // It shows the piece of the main form's picture at the menu line's right end.
  RedrawWindow(iw, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  TBitmap* cache = sp->FCommonData->FCacheBmp.get();
  ASSERT_NE(cache, nullptr);
  const TColor shown = WindowShot(iw)->PixelColor(5, 5);
  EXPECT_EQ(shown, cache->PixelColor(frame->Width() - border - 60 + 5, sp->CaptionHeight(true) + 5));
  SendMessageW(frame->Handle(), WM_ENTERMENULOOP, 0, 0);
  EXPECT_EQ(MDIIconsForm(), icons);
  SendMessageW(frame->Handle(), WM_EXITMENULOOP, 0, 0);
  EXPECT_EQ(MDIIconsForm(), nullptr);
  EXPECT_FALSE(IsWindow(iw));
  EXPECT_FALSE(sp->InMenu);
}

// ---- The messages that adjust the provider ---------------------------------------------------

// Each message reaches the form's previous procedure and leaves the provider as the row says.
TEST_F(BorderedCommands, EachAdjustingMessageReachesTheFormAndDoesItsPart) {
  auto* menu = new TMainMenu(form);
  auto* item = new TMenuItem(form);
  item->SetCaption(u"File");
  menu->Items()->Add(item);
  struct Row {
    const char* name;
    Cardinal msg;
    WPARAM wParam;
    std::function<void()> before;
    std::function<void()> check;
  };
  const auto dropBorderWindow = [&] {
    sp->BorderForm->FreeLayeredWindow();
    ASSERT_EQ(BorderWindow(), nullptr);
  };
  const auto borderWindowBack = [&] {
    ASSERT_TRUE(BorderWindow());
    EXPECT_TRUE(IsWindowVisible(BorderWindow()));
  };
  const Row rows[] = {
      {"setting change", WM_SETTINGCHANGE, 0, [&] { sp->FCommonData->BGChanged = false; },
       [&] { EXPECT_TRUE(sp->FCommonData->BGChanged); }},
      {"colour change rebuilds the menu", WM_SYSCOLORCHANGE, 0, [&] { form->SetMenu(menu); },
       [&] { EXPECT_TRUE(rec.SawAfter(WM_SYSCOLORCHANGE, CM_MENUCHANGED)); }},
      {"change with a menu", CM_CHANGED, 0,
       [&] {
         sp->MenuChanged = false;
         sp->FCommonData->BGChanged = false;
       },
       [&] {
         EXPECT_TRUE(sp->MenuChanged);
         EXPECT_TRUE(sp->FCommonData->BGChanged);
       }},
      {"change without a menu", CM_CHANGED, 0,
       [&] {
         form->SetMenu(nullptr);
         sp->MenuChanged = false;
       },
       [&] { EXPECT_FALSE(sp->MenuChanged); }},
      {"focus with the border window gone", WM_SETFOCUS, 0, dropBorderWindow, borderWindowBack},
      {"system settings with the border window gone", CM_WININICHANGE, 0, dropBorderWindow, borderWindowBack},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.before();
    rec.seen.clear();
    SendMessageW(form->Handle(), row.msg, row.wParam, 0);
    EXPECT_TRUE(rec.Find(row.msg, row.wParam));
    row.check();
  }
  form->SetMenu(nullptr);
  delete menu;
}

// Right-to-left: the manager mirrors the caption glyphs, and back.
TEST_F(SysCommands, AReadingOrderChangeMirrorsTheCaptionGlyphs) {
  DuRiruZireziv& m = skin->skin.Manager;
  m.ButtonsOptions.AllowRTLSysButtons = true;
  form->SetBiDiMode(bdRightToLeft);
  EXPECT_TRUE(m.ManagerState.Contains(msRTLFlipped));
  EXPECT_TRUE(rec.Find(CM_BIDIMODECHANGED, 0));
  form->SetBiDiMode(bdLeftToRight);
  EXPECT_FALSE(m.ManagerState.Contains(msRTLFlipped));
}

// The cursor over a title bar item is the item's: the form's procedure does not set it. Over
// any other caption element it does.
TEST_F(SysCommands, TheCursorOverATitleBarItemIsLeftToTheItem) {
  rec.Remove();
  delete sp;
  sp = nullptr;
  auto* bar = new TsTitleBar(form);
  TkvTitleBarItem* it = bar->Items()->Add();
  it->FAutoSize = false;
  it->FWidth = 20;
  it->FHeight = 16;
  Skin();
  ShowForm();
  sp->CalcItems();
  rec.Install(sp);
  struct Case {
    Integer ht;
    bool passedOn;
  } cases[] = {{HTITEM, false}, {HTITEM + 1, true}, {HTCAPTION, true}};
  for (const Case& c : cases) {
    sp->CurrentHT = c.ht;
    rec.seen.clear();
    SendMessageW(form->Handle(), WM_SETCURSOR, WPARAM(form->Handle()), MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
    EXPECT_EQ(rec.Find(WM_SETCURSOR, WPARAM(form->Handle())) != nullptr, c.passedOn) << c.ht;
  }
  sp->CurrentHT = 0;
}

// A custom-drawing control announces itself: a control made since the last walk gets its wrapper.
// Other notifications walk nothing.
TEST_F(SysCommands, ACustomDrawNotificationAdaptsNewControls) {
  ASSERT_NE(sp->Adapter, nullptr);
  auto* button = new TButton(form);
  button->SetParent(form);
  button->SetBounds(10, 150, 75, 25);
  button->HandleNeeded();
  ASSERT_FALSE(WndIsSkinned(button->Handle()));
  auto& lists = skin->skin.Manager.ThirdLists;
  lists[tpButton]->Add(u"TButton");
  NMHDR hdr{button->Handle(), 1, UINT(NM_CLICK)};
  SendMessageW(form->Handle(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&hdr));
  EXPECT_FALSE(WndIsSkinned(button->Handle()));
  hdr.code = UINT(NM_CUSTOMDRAW);
  SendMessageW(form->Handle(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&hdr));
  EXPECT_TRUE(WndIsSkinned(button->Handle()));
  EXPECT_TRUE(rec.Find(WM_NOTIFY, 1));
  lists[tpButton]->Clear();
}

// ---- Frame metrics -------------------------------------------------------------------------------

// The caption of a bordered form is the skin's title; maximized, the skin's maximized title,
// which is none when the skin gives none (the system caption then).
TEST_F(BorderedCommands, TheCaptionOfAMaximizedBorderedFormIsTheSkinsMaximizedTitle) {
  TkvSkinData& d = *skin->skin.Data;
  EXPECT_EQ(sp->CaptionHeight(true), 30);
  Command(SC_MAXIMIZE);
  ASSERT_TRUE(IsZoomed(form->Handle()));
  ASSERT_TRUE(sp->BorderForm);
  struct Case {
    Integer maxHeight;
    Integer expected;
  } cases[] = {{24, 24}, {0, SysCaptHeight(sp, 0)}};
  for (const Case& c : cases) {
    d.ExMaxHeight = c.maxHeight;
    sp->FSysExHeight = false;
    EXPECT_EQ(sp->CaptionHeight(true), c.expected) << c.maxHeight;
    EXPECT_EQ(sp->CaptionHeight(false), SysCaptHeight(sp, 0)) << c.maxHeight;
  }
  d.ExMaxHeight = 0;
}

// The skin command that switches the non-client painting off gives the form the system's frame
// (no outer border, the system menu style back); on again, the border comes back.
TEST_F(BorderedCommands, NonClientSkinningOffAndOnTakesAndGivesTheBorder) {
  const HWND h = form->Handle();
  SendAMessage(h, KV_SETNCSKINNED, 0);
  EXPECT_FALSE(sp->BorderForm);
  EXPECT_NE(GetWindowLongW(h, GWL_STYLE) & WS_SYSMENU, 0);
  SendAMessage(h, KV_SETNCSKINNED, 1);
  ASSERT_TRUE(sp->BorderForm);
  EXPECT_TRUE(BorderWindow());
  EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & WS_SYSMENU, 0);
}

// An MDI child's top-left is measured from its client origin back over the frame and caption.
TEST_F(MdiCommands, AnMdiChildsTopLeftIsItsClientOriginLessFrameAndCaption) {
  TPoint lt;
  childSp->FormLeftTop(lt);
  POINT origin{0, 0};
  ClientToScreen(child->Handle(), &origin);
  const HWND h = child->Handle();
  EXPECT_EQ(lt.X, origin.x - SysBorderWidth(h, nullptr, true));
  EXPECT_EQ(lt.Y, origin.y - SysBorderHeight(h, nullptr, true) - childSp->CaptionHeight(true));
  // The system's frame of a child is the skin's: the point is the window's corner.
  RECT r{};
  GetWindowRect(h, &r);
  EXPECT_EQ(lt, TPoint(r.left, r.top));
}

// ---- The application's main form on the taskbar ----------------------------------------------------

namespace {

// The form is the application's main form, shown on the taskbar; the application window's
// system commands are recorded (and answered) by a hook.
class MainFormCommands : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    ASSERT_NO_FATAL_FAILURE();
    delete form;
    app->CreateForm(form);
    app->SetMainFormOnTaskbar(true);
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
    savedAero_ = iAeroStatus;
    iAeroStatus = 1;
    Skin();
    ShowForm();
    rec.Install(sp);
    app->HookMainWindow(TWindowHook(this, &MainFormCommands::AppHook));
  }
  void TearDown() override {
    app->UnhookMainWindow(TWindowHook(this, &MainFormCommands::AppHook));
    rec.Remove();
    iAeroStatus = savedAero_;
    SkinnedForm::TearDown();
  }
  bool AppHook(TMessage& m) {
    if (m.Msg != WM_SYSCOMMAND) return false;
    appCommands.push_back(Cardinal(m.WParam));
    m.Result = 77;
    return true;
  }
  std::vector<Cardinal> appCommands;
  OldProcRecorder rec;
  Integer savedAero_ = -1;
};

}  // namespace

// Minimized to the taskbar with a form timer, a command other than minimize, maximize and
// restore goes to the application window unchanged; without a timer and under composition the
// form takes it and is redrawn whole. A form that is not minimized takes it as usual.
TEST_F(MainFormCommands, OtherCommandsOfTheMinimizedMainFormGoToTheApplicationWindow) {
  ASSERT_EQ(Application->MainForm(), form);
  const HWND h = form->Handle();
  SendMessageW(h, WM_SYSCOMMAND, SC_MOVE, 0);
  EXPECT_TRUE(appCommands.empty());
  EXPECT_EQ(rec.Count(WM_SYSCOMMAND, SC_MOVE), 1);
  ShowWindow(h, SW_MINIMIZE);
  Application->ProcessMessages();
  ASSERT_TRUE(IsIconic(h));
  rec.seen.clear();
  sp->FormTimer.reset(TkvThreadedTimer::CreateOwned<TkvMoveTimer>(sp, true));
  EXPECT_EQ(SendMessageW(h, WM_SYSCOMMAND, SC_MOVE, 0), 77);
  ASSERT_EQ(appCommands.size(), 1u);
  EXPECT_EQ(appCommands[0], Cardinal(SC_MOVE));
  EXPECT_EQ(rec.Count(WM_SYSCOMMAND, SC_MOVE), 0);
  sp->FormTimer.reset();
  redraws::RedrawCalls redrawCalls;
  SendMessageW(h, WM_SYSCOMMAND, SC_MOVE, 0);
  EXPECT_EQ(appCommands.size(), 1u);
  EXPECT_EQ(rec.Count(WM_SYSCOMMAND, SC_MOVE), 1);
  EXPECT_TRUE(redraws::RedrawCalls::Seen(h, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME));
  ShowWindow(h, SW_RESTORE);
  Application->ProcessMessages();
}

// The system's window-animation setting as the program sees it: Wine keeps no such setting, so
// the test keeps it; every change the program makes is recorded.
namespace animsetting {
bool value = true;
std::vector<bool> sets;
ImportHook* hook = nullptr;
BOOL WINAPI Fake(UINT action, UINT param, PVOID pv, UINT winIni) {
  if (action == SPI_GETANIMATION || action == SPI_SETANIMATION) {
    auto* info = static_cast<ANIMATIONINFO*>(pv);
    if (action == SPI_GETANIMATION) {
      info->iMinAnimate = value;
    } else {
      value = info->iMinAnimate != 0;
      sets.push_back(value);
    }
    return TRUE;
  }
  return hook->Original<decltype(&SystemParametersInfoW)>()(action, param, pv, winIni);
}
}  // namespace animsetting

// The restore of a form the system minimized switches the system's window animation off only
// while the system restores the form: the user's setting is the same afterwards.
TEST_F(SysCommands, RestoringASystemMinimizedFormKeepsTheUsersAnimationSetting) {
  ImportHook hook("user32.dll", "SystemParametersInfoW", &animsetting::Fake);
  animsetting::hook = &hook;
  const TScopeExit unhooked([] { animsetting::hook = nullptr; });
  for (const bool setting : {true, false}) {
    animsetting::value = setting;
    ShowWindow(form->Handle(), SW_MINIMIZE);
    Application->ProcessMessages();
    ASSERT_TRUE(IsIconic(form->Handle()));
    animsetting::sets.clear();
    Command(SC_RESTORE);
    EXPECT_FALSE(IsIconic(form->Handle()));
    EXPECT_EQ(animsetting::value, setting);
    // Off while the system restored the form.
    ASSERT_FALSE(animsetting::sets.empty()) << setting;
    EXPECT_FALSE(animsetting::sets.front()) << setting;
  }
}

// Alt+Space opens the skinned system menu under the icon, inside the skin's own border of a
// bordered form, and 16 pixels higher on a minimized form.
TEST_F(BorderedCommands, AltSpaceDropsTheSystemMenuInsideTheSkinsBorder) {
  skin->skin.Manager.AnimEffects.Minimizing.Active = false;
  // A skin border no system frame has.
  skin->skin.Data->ExBorderWidth = 9;
  rec.Remove();
  form->Hide();
  delete sp;
  auto* p = new TMenuDropRecorder(form);
  p->AfterConstruction();
  sp = p;
  ShowForm();
  sp->CalcItems();
  ASSERT_TRUE(sp->BorderForm);
  const HWND h = form->Handle();
  for (const bool minimized : {false, true}) {
    if (minimized) Command(SC_MINIMIZE);
    ASSERT_EQ(bool(IsIconic(h)), minimized);
    p->drops.clear();
    SendMessageW(h, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    ASSERT_EQ(p->drops.size(), 1u) << minimized;
    RECT r{};
    GetWindowRect(h, &r);
    EXPECT_EQ(p->drops[0].X, r.left + skin->skin.Data->ExBorderWidth) << minimized;
    EXPECT_EQ(p->drops[0].Y, r.top + sp->BorderHeight(true) + sp->FIconRect.Height() - (minimized ? 16 : 0))
        << minimized;
  }
  Command(SC_RESTORE);
}
