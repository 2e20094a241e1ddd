// The skin commands the wrapper base answers for raw windows: a static, a nested dialog panel, a
// track bar, a tool bar and a group box of a system dialog, each wrapped and each with a procedure
// below its wrapper that records what is passed on. Also the hover and the popup menu of the
// base, and commands reaching a control's children that have no window.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/ServiceSlot.h"
#include "skin/ControlServices.h"
#include "support/ControlSkin.h"
#include "ui/Menus.h"
#include "wrappers/kvSBUtilsBars.h"
#include "wrappers/kvSBUtilsChecks.h"
#include "wrappers/kvSBUtilsPanels.h"
#include "wrappers/kvSBUtilsStatics.h"
#include "wrappers/kvSBUtilsTrackBar.h"

namespace {

constexpr TColor kNormal = 0x2060A0, kHot = 0x40B050, kPanel = 0x705030, kGarbage = 0x0000FF;

// The commands that reached the procedure below a wrapper, by window, and what it answers.
std::map<HWND, std::vector<Word>> gPassed;
std::map<Word, LRESULT> gAnswers;

LRESULT CALLBACK BelowWrapper(HWND wnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
  if (msg == SM_ALPHACMD) {
    gPassed[wnd].push_back(HIWORD(w));
    auto it = gAnswers.find(HIWORD(w));
    return it == gAnswers.end() ? 0 : it->second;
  }
  return DefSubclassProc(wnd, msg, w, l);
}

struct Wrapped {
  const char* name;
  HWND wnd;
  TkvMainWnd* sw;
};

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

class BaseCommands : public ControlSkin {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ControlSkin::SetUp());
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    gPassed.clear();
    gAnswers.clear();
    section = Section(u"CMDTEST", {kNormal, kHot});
    panelSection = Section(u"CMDPANEL", {kPanel});
    struct {
      DLGTEMPLATE t;
      WORD menu, cls, title;
    } tmpl{};
    tmpl.t.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    tmpl.t.cx = 300;
    tmpl.t.cy = 160;
    dlg = CreateDialogIndirectParamW(nullptr, &tmpl.t, nullptr, &PlainDialogProc, 0);
    ASSERT_NE(dlg, nullptr);
    SetWindowPos(dlg, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    HWND stat = Make(L"STATIC", dlg, 0, 10, 10, 60, 30);
    HWND panel = Make(L"#32770", dlg, DS_CONTROL, 80, 10, 90, 60);
    HWND track = Make(L"msctls_trackbar32", dlg, 0, 10, 80, 120, 30);
    HWND tool = Make(L"ToolbarWindow32", dlg, CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 140, 80, 100, 30);
    HWND group = Make(L"BUTTON", dlg, BS_GROUPBOX, 180, 10, 90, 60);
    inner = Make(L"STATIC", panel, 0, 10, 10, 40, 20);
    windows = {{"static", stat, Wrap<TkvStaticWnd>(stat, nullptr, u"CMDTEST")},
               {"panel", panel, Wrap<TkvTransPanelWnd>(panel, nullptr, u"CMDPANEL")},
               {"track bar", track, Wrap<TkvTrackWnd>(track, nullptr, u"CMDTEST")},
               {"tool bar", tool, Wrap<TkvToolBarWnd>(tool, nullptr, u"CMDTEST")},
               {"group box", group, Wrap<TkvGroupBoxWnd>(group, nullptr, u"CMDTEST")}};
    innerSw = Wrap<TkvStaticWnd>(inner, nullptr, u"CMDTEST");
  }
  void TearDown() override {
    if (innerSw) Unwrap(inner, innerSw);
    for (Wrapped& w : windows) Unwrap(w.wnd, w.sw);
    if (dlg) DestroyWindow(dlg);
    ControlSkin::TearDown();
  }
  // A visible child with the recording procedure below where its wrapper will be.
  HWND Make(const wchar_t* cls, HWND parent, DWORD style, int x, int y, int w, int h) {
    HWND wnd = CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(wnd, nullptr) << GetLastError();
    SetWindowSubclass(wnd, &BelowWrapper, 1, 0);
    return wnd;
  }
  static LRESULT Send(HWND wnd, Word command, LPARAM l = 0, Word arg = 0) {
    return SendMessageW(wnd, SM_ALPHACMD, MAKEWPARAM(arg, command), l);
  }
  static bool PassedOn(HWND wnd, Word command) {
    for (Word c : gPassed[wnd])
      if (c == command) return true;
    return false;
  }
  // Paints over the window on the screen, as a stale picture would be.
  static void Spoil(HWND wnd) {
    RECT r{};
    GetWindowRect(wnd, &r);
    HDC dc = GetWindowDC(wnd);
    HBRUSH brush = CreateSolidBrush(kGarbage);
    RECT all{0, 0, r.right - r.left, r.bottom - r.top};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ReleaseDC(wnd, dc);
    GdiFlush();
  }
  static int GarbageLeft(HWND wnd) {
    RECT r{};
    GetWindowRect(wnd, &r);
    Capture cap(r.right - r.left, r.bottom - r.top);
    Grab(wnd, cap);
    int n = 0;
    for (Integer y = 0; y < r.bottom - r.top; ++y)
      for (Integer x = 0; x < r.right - r.left; ++x) n += cap.At(x, y) == kGarbage;
    return n;
  }
  HWND dlg = nullptr;
  HWND inner = nullptr;
  TkvStaticWnd* innerSw = nullptr;
  Integer section = -1, panelSection = -1;
  std::vector<Wrapped> windows;
};

}  // namespace

TEST_F(BaseCommands, AnswersWithoutPassingOn) {
  for (Wrapped& w : windows) {
    SCOPED_TRACE(w.name);
    gPassed.clear();
    EXPECT_EQ(Send(w.wnd, KV_CTRLHANDLED), 1);
    EXPECT_EQ(Send(w.wnd, KV_GETLISTSW), reinterpret_cast<LRESULT>(w.sw));
    EXPECT_EQ(Send(w.wnd, KV_GETSKINDATA), reinterpret_cast<LRESULT>(w.sw->SkinData));
    EXPECT_EQ(Send(w.wnd, KV_GETAPPLICATION), reinterpret_cast<LRESULT>(Application));
    EXPECT_EQ(Send(w.wnd, KV_PREPARING), 0);
    w.sw->SkinData->FUpdating = true;
    EXPECT_EQ(Send(w.wnd, KV_PREPARING), 1);
    w.sw->SkinData->FUpdating = false;
    String other = u"CMDPANEL";
    EXPECT_EQ(Send(w.wnd, KV_SETSECTION, reinterpret_cast<LPARAM>(&other)), 1);
    EXPECT_EQ(w.sw->SkinData->SkinIndex, panelSection);
    EXPECT_EQ(Send(w.wnd, KV_SETSECTION), 0);
    String back = String(w.sw == windows[1].sw ? u"CMDPANEL" : u"CMDTEST");
    Send(w.wnd, KV_SETSECTION, reinterpret_cast<LPARAM>(&back));
    EXPECT_TRUE(gPassed[w.wnd].empty()) << gPassed[w.wnd].size() << " passed on, first " << gPassed[w.wnd][0];
  }
}

TEST_F(BaseCommands, ControlColourIsTheSkinsUnlessTheWindowAnswers) {
  for (Wrapped& w : windows) {
    SCOPED_TRACE(w.name);
    const TColor own = w.sw == windows[1].sw ? kPanel : kNormal;
    gAnswers.clear();
    EXPECT_EQ(TColor(Send(w.wnd, KV_GETCONTROLCOLOR)), own);
    EXPECT_TRUE(PassedOn(w.wnd, KV_GETCONTROLCOLOR));
    gAnswers[KV_GETCONTROLCOLOR] = 0x123456;
    EXPECT_EQ(Send(w.wnd, KV_GETCONTROLCOLOR), 0x123456);
  }
}

TEST_F(BaseCommands, ChildChangedOfARawWindowIsTheWindowsOwnAnswer) {
  gAnswers[KV_CHILDCHANGED] = 77;
  for (Wrapped& w : windows) {
    SCOPED_TRACE(w.name);
    w.sw->SkinData->BGChanged = true;
    EXPECT_EQ(Send(w.wnd, KV_CHILDCHANGED), 77);
    EXPECT_TRUE(PassedOn(w.wnd, KV_CHILDCHANGED));
  }
}

TEST_F(BaseCommands, PrepareCachePaintsTheCacheAndPassesOn) {
  for (Wrapped& w : windows) {
    SCOPED_TRACE(w.name);
    TsCommonData* sd = w.sw->SkinData;
    sd->FCacheBmp.reset();
    sd->BGChanged = true;
    Send(w.wnd, KV_PREPARECACHE);
    EXPECT_TRUE(PassedOn(w.wnd, KV_PREPARECACHE));
    EXPECT_FALSE(sd->BGChanged);
    RECT r{};
    GetWindowRect(w.wnd, &r);
    ASSERT_TRUE(sd->FCacheBmp);
    ASSERT_EQ(sd->FCacheBmp->Width(), r.right - r.left);
    ASSERT_EQ(sd->FCacheBmp->Height(), r.bottom - r.top);
    const TColor own = w.sw == windows[1].sw ? kPanel : kNormal;
    EXPECT_EQ(sd->FCacheBmp->PixelColor(sd->FCacheBmp->Width() / 2, sd->FCacheBmp->Height() / 2) & 0xFFFFFF, own);
  }
}

TEST_F(BaseCommands, BackgroundIsTheNormalLookAndWaitsWhileUpdating) {
  for (Wrapped& w : windows) {
    SCOPED_TRACE(w.name);
    if (w.sw == windows[1].sw) continue;  // one look only
    TsCommonData* sd = w.sw->SkinData;
    sd->FMouseAbove = true;  // the children lie on the normal look even under the mouse
    TkvBGInfo info;
    EXPECT_EQ(Send(w.wnd, KV_GETBG, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_FALSE(PassedOn(w.wnd, KV_GETBG));
    EXPECT_EQ(info.BgType, btFill);
    EXPECT_EQ(info.Color & 0xFFFFFF, kNormal);
    sd->FMouseAbove = false;
    sd->FUpdating = true;
    TkvBGInfo waiting;
    Send(w.wnd, KV_GETBG, reinterpret_cast<LPARAM>(&waiting));
    EXPECT_TRUE(PassedOn(w.wnd, KV_GETBG));
    EXPECT_EQ(waiting.BgType, btUnknown);
    sd->FUpdating = false;
  }
}

TEST_F(BaseCommands, EndOfTheParentsUpdateRepaintsAWaitingWindowAndItsChildren) {
  ShowWindow(dlg, SW_SHOWNOACTIVATE);
  UpdateWindow(dlg);
  Pump();
  for (Wrapped& w : windows) {
    SCOPED_TRACE(w.name);
    gPassed.clear();
    // Not waiting: the window's own business.
    Send(w.wnd, KV_ENDPARENTUPDATE);
    EXPECT_TRUE(PassedOn(w.wnd, KV_ENDPARENTUPDATE));
    gPassed.clear();
    Spoil(w.wnd);
    ASSERT_GT(GarbageLeft(w.wnd), 0);
    w.sw->SkinData->FUpdating = true;
    w.sw->SkinData->BGChanged = true;
    innerSw->SkinData->FUpdating = true;
    Send(w.wnd, KV_ENDPARENTUPDATE);
    EXPECT_FALSE(PassedOn(w.wnd, KV_ENDPARENTUPDATE));
    EXPECT_FALSE(w.sw->SkinData->FUpdating);
    EXPECT_EQ(GarbageLeft(w.wnd), 0);
    // The nested panel's child waited for the panel: it is told too.
    EXPECT_EQ(innerSw->SkinData->FUpdating, w.wnd != windows[1].wnd);
    innerSw->SkinData->FUpdating = false;
  }
}

TEST_F(BaseCommands, NewSkinAndRefreshReachTheChildren) {
  HWND panel = windows[1].wnd;
  windows[1].sw->SkinData->BGChanged = false;
  Send(panel, KV_SETNEWSKIN, reinterpret_cast<LPARAM>(&skin.Manager));
  EXPECT_TRUE(PassedOn(panel, KV_SETNEWSKIN));
  EXPECT_TRUE(PassedOn(inner, KV_SETNEWSKIN));
  EXPECT_TRUE(windows[1].sw->SkinData->BGChanged);
  // A refresh of every section repaints the panel and its child, and goes no further.
  gPassed.clear();
  innerSw->SkinData->FUpdating = true;
  innerSw->SkinData->BGChanged = false;
  Send(panel, KV_REFRESH, reinterpret_cast<LPARAM>(&skin.Manager));
  EXPECT_FALSE(PassedOn(panel, KV_REFRESH));
  EXPECT_FALSE(innerSw->SkinData->FUpdating);
  EXPECT_TRUE(innerSw->SkinData->BGChanged);
}

TEST_F(BaseCommands, PrintingMarksTheSkinDataAndPassesOn) {
  for (Wrapped& w : windows) {
    SCOPED_TRACE(w.name);
    TsCommonData* sd = w.sw->SkinData;
    Capture cap(10, 10);
    Send(w.wnd, KV_PRINTING, reinterpret_cast<LPARAM>(cap.dc), 1);
    EXPECT_TRUE(sd->CtrlSkinState & KVS_PRINTING);
    EXPECT_EQ(sd->PrintDC, cap.dc);
    Send(w.wnd, KV_PRINTING, 0, 0);
    EXPECT_FALSE(sd->CtrlSkinState & KVS_PRINTING);
    EXPECT_EQ(sd->PrintDC, nullptr);
    EXPECT_EQ(std::count(gPassed[w.wnd].begin(), gPassed[w.wnd].end(), Word(KV_PRINTING)), 2);
  }
}

TEST_F(BaseCommands, FontIndexWhileTheSkinIsOff) {
  skin.Manager.SetActive(false);  // the skin's data stays: the manager has no skin name to drop
  // An opaque section names its own font.
  TkvPaintInfo info;
  info.FontIndex = -5;
  EXPECT_EQ(Send(windows[0].wnd, KV_GETFONTINDEX, reinterpret_cast<LPARAM>(&info)), 1);
  EXPECT_EQ(info.FontIndex, section);
  EXPECT_FALSE(PassedOn(windows[0].wnd, KV_GETFONTINDEX));
  // A see-through one asks its parent: the panel names its own.
  const Integer clear = Section(u"CMDCLEAR", {kNormal});
  skin.Section(clear).Props[0].Transparency = 100;
  String name = u"CMDCLEAR";
  innerSw->SkinData->SetSkinSection(name);
  ASSERT_EQ(innerSw->SkinData->SkinIndex, clear);
  TkvPaintInfo fromParent;
  fromParent.FontIndex = -5;
  EXPECT_EQ(Send(inner, KV_GETFONTINDEX, reinterpret_cast<LPARAM>(&fromParent)), 1);
  EXPECT_EQ(fromParent.FontIndex, panelSection);
  EXPECT_FALSE(PassedOn(inner, KV_GETFONTINDEX));
}

TEST_F(BaseCommands, TheWindowUnderTheMouseBecomesTheActiveControlUnlessDisabled) {
  ASSERT_EQ(DefaultManager, &skin.Manager);
  skin.Manager.SetActiveControl(nullptr);
  HWND track = windows[2].wnd;
  EnableWindow(track, FALSE);
  SendMessageW(track, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(skin.Manager.ActiveControl(), nullptr);
  EnableWindow(track, TRUE);
  SendMessageW(windows[0].wnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(skin.Manager.ActiveControl(), windows[0].wnd);
  skin.Manager.SetActiveControl(nullptr);
}

namespace {

// The menu painter as the wrappers see it: records the popup menus handed to it.
class RecordingMenus : public TkvMenuServices {
 public:
  void ForgetSkinData() override {}
  void ResetSkinBorderWidth() override {}
  void UpdateMenus() override {}
  void HookPopupMenu(TPopupMenu* menu, bool active) override { hooked.push_back({menu, active}); }
  std::vector<std::pair<TPopupMenu*, bool>> hooked;
};

// A control without a window that records the skin commands its parent passes on.
class TCommandGraphic : public TGraphicControl {
 public:
  explicit TCommandGraphic(TWinControl* parent) : TGraphicControl(parent) {
    SetBounds(2, 2, 10, 10);
    SetParent(parent);
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD) {
      commands.push_back(m.WParamHi);
      return;
    }
    TGraphicControl::WndProc(m);
  }
  std::vector<Word> commands;
};

}  // namespace

TEST_F(BaseCommands, ContextMenuHooksThePopupMenuGivenAfterLoading) {
  RecordingMenus menus;
  TkvMenuServices* before = TkvServiceSlot<TkvMenuServices>::Set(&menus);
  auto* ctrl = new TCustomControl(form);
  ctrl->SetParent(form);
  ctrl->HandleNeeded();
  auto* popup = new TPopupMenu(form);
  popup->SetAutoPopup(false);  // nothing opens: only the hook is looked at
  auto* sw = Wrap<TkvPanelWnd>(ctrl->Handle(), ctrl, u"CMDTEST");
  ctrl->SetPopupMenu(popup);
  SendMessageW(ctrl->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(ctrl->Handle()), MAKELPARAM(20, 20));
  TkvServiceSlot<TkvMenuServices>::Set(before);
  ASSERT_EQ(menus.hooked.size(), 1u);
  EXPECT_EQ(menus.hooked[0].first, popup);
  EXPECT_TRUE(menus.hooked[0].second);
  Unwrap(ctrl->Handle(), sw);
}

TEST_F(BaseCommands, CommandsReachAControlsChildrenWithoutWindows) {
  auto* ctrl = new TCustomControl(form);
  ctrl->SetParent(form);
  ctrl->HandleNeeded();
  auto* graphic = new TCommandGraphic(ctrl);
  // A wrapper that leaves these commands to the base.
  auto* sw = Wrap<TkvStaticWnd>(ctrl->Handle(), ctrl, u"CMDTEST");
  graphic->commands.clear();  // what wrapping itself told the child
  const LPARAM manager = reinterpret_cast<LPARAM>(&skin.Manager);
  Send(ctrl->Handle(), KV_SETNEWSKIN, manager);
  Send(ctrl->Handle(), KV_REFRESH, manager);
  Send(ctrl->Handle(), KV_REMOVESKIN, manager);
  EXPECT_EQ(graphic->commands, (std::vector<Word>{KV_SETNEWSKIN, KV_REFRESH, KV_REMOVESKIN}));
  Unwrap(ctrl->Handle(), sw);
}
