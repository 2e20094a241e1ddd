// The skinned system menu of a skinned form and the popup menus of such a form: the menu drops
// from the caption icon and by Alt+Space with its commands enabled as the form's state says,
// its commands act on the form, the program's own commands of the window's system menu show
// in it, and every popup menu window is framed and faded in by its wrapper, which goes with
// the menu and gives the menu class its own data back.
#include <algorithm>

#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/sSkinMenus.h"
#include "forms/kvDials.h"
#include "skin/SkinState.h"
#include "skin/sSkinManagerList.h"
#include "support/FormSkin.h"
#include "support/WindowProbes.h"
#include "ui/ScopeGuard.h"
#include "wrappers/kvSBUtilsMenu.h"

using formskin::SkinnedForm;

namespace {

constexpr TColor kMenuColor = 0x00408020;  // the "MAINMENU" section

struct SysCommands {
  void Proc(TMessage& m) {
    if (m.Msg == WM_SYSCOMMAND) commands.push_back(Cardinal(m.WParam));
    old(m);
  }
  // A system command (its low four bits are the system's) or a program's own command.
  bool Saw(Cardinal cmd) const {
    return std::any_of(commands.begin(), commands.end(),
                       [cmd](Cardinal c) { return c == cmd || (cmd >= 0xF000 && (c & 0xFFF0) == cmd); });
  }
  TWndMethod old;
  std::vector<Cardinal> commands;
};

// What a timer saw while a menu was up: the menu window, its wrapper and a few of its pixels.
struct MenuProbe {
  HWND menu = nullptr;
  bool wrapped = false;
  bool layered = false;
  BYTE alpha = 0;
  TColor corner = 0xFFFFFFFF;
  TColor leftEdge = 0xFFFFFFFF;
  Integer painterFrames = 0;
  Integer wrapperFrames = 0;
  Integer ticks = 0;
  bool seen = false;
  Integer seenAt = 0;
  std::vector<WPARAM> keys;  // keys for the menu instead of closing it
};
MenuProbe* gProbe = nullptr;

// Runs inside the menu's loop. Once the menu is up and framed (or after 60 ticks) it looks at
// it, then closes it or gives it its keys; a menu that the keys left open is closed 30 ticks
// later, so that no test waits for ever.
void CALLBACK LookAtMenu(HWND, UINT, UINT_PTR, DWORD) {
  if (!gProbe) return;
  ++gProbe->ticks;
  if (gProbe->seen) {
    if (gProbe->ticks > gProbe->seenAt + 30) EndMenu();
    return;
  }
  gProbe->menu = VisibleMenuWindow();
  TkvMnuWnd* w = nullptr;
  for (TkvMnuWnd* m : MnuArray)
    if (m && m->CtrlHandle == gProbe->menu) w = m;
  if ((!gProbe->menu || !w || w->PainterFrames == 0) && gProbe->ticks < 60) return;
  gProbe->seen = true;
  gProbe->seenAt = gProbe->ticks;
  if (gProbe->menu) {
    gProbe->wrapped = w != nullptr;
    if (w) {
      gProbe->painterFrames = w->PainterFrames;
      gProbe->wrapperFrames = w->FramePaints;
    }
    gProbe->layered = (GetWindowLongW(gProbe->menu, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    DWORD flags = 0;
    GetLayeredWindowAttributes(gProbe->menu, nullptr, &gProbe->alpha, &flags);
    HDC dc = GetWindowDC(gProbe->menu);
    RECT r{};
    GetWindowRect(gProbe->menu, &r);
    gProbe->corner = TColor(GetPixel(dc, 1, 1));
    gProbe->leftEdge = TColor(GetPixel(dc, 1, (r.bottom - r.top) / 2));
    ReleaseDC(gProbe->menu, dc);
    if (!gProbe->keys.empty()) {
      for (WPARAM key : gProbe->keys) PostMessageW(gProbe->menu, WM_KEYDOWN, key, 0);
      return;
    }
  }
  EndMenu();
}

class SkinnedMenus : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    ASSERT_NO_FATAL_FAILURE();
    auto& fs = skin->skin;
    fs.Manager.SkinCommonInfo.Sections[ssMainMenu] = fs.AddSection(PlainSection(u"MAINMENU", 0, kMenuColor));
    fs.Manager.SkinCommonInfo.Sections[ssMenuItem] = fs.AddSection(PlainSection(u"MENUITEM", 0, 0x00E0E0E0, 2));
    fs.Data->Reindex();
    savedNT = IsNT;
    IsNT = true;  // as the engine's start-up finds it on every system it runs on
    sSkinMenusStartup();
    kvDialsStartup();
    fs.Manager.InstallHook();
    Skin();
    ShowForm();
    sp->CalcItems();
    if (TsSkinableMenus* p = SkinableMenus()) p->UpdateMenus();
  }
  void TearDown() override {
    gProbe = nullptr;
    if (counter) {
      form->SetWindowProc(counter->old);
      counter.reset();
    }
    skin->skin.Manager.UnInstallHook();
    kvDialsCleanup();
    sSkinMenusCleanup();
    IsNT = savedNT;
    SkinnedForm::TearDown();
  }
  void CountCommands() {
    counter = std::make_unique<SysCommands>();
    counter->old = form->WindowProc();
    form->SetWindowProc(TWndMethod(counter.get(), &SysCommands::Proc));
  }
  // Drops the menu through `drop` while a timer looks at it.
  template <class F>
  void WithMenuUp(MenuProbe& probe, F drop) {
    gProbe = &probe;
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, LookAtMenu);
    drop();
    KillTimer(nullptr, timer);
    Application->ProcessMessages();
    gProbe = nullptr;
  }
  void ExpectMenusLetGo() {
    EXPECT_TRUE(MnuArray.empty());
    EXPECT_EQ(TkvMnuWnd::LiveCount(), 0);
    EXPECT_FALSE(kvCanHookMenu);
  }
  std::unique_ptr<SysCommands> counter;
  bool savedNT = false;
};

}  // namespace

TEST_F(SkinnedMenus, CaptionIconDropsTheSkinnedSystemMenuFramedByItsWrapper) {
  MenuProbe probe;
  WithMenuUp(probe, [&] {
    const TPoint p = Screen(sp->FIconRect.Left + 2, sp->FIconRect.Top + 2);
    SendMessageW(form->Handle(), WM_NCLBUTTONDOWN, HTSYSMENU, MAKELPARAM(p.X, p.Y));
  });
  ASSERT_NE(probe.menu, nullptr) << "no menu dropped";
  EXPECT_TRUE(probe.wrapped);
  EXPECT_EQ(probe.corner, kMenuColor);
  EXPECT_EQ(probe.leftEdge, kMenuColor);
  EXPECT_TRUE(probe.layered);
  EXPECT_EQ(probe.alpha, skin->skin.Manager.MenuSupport()->AlphaBlend());
  // The frame reached the window once: from the painter, not again from the wrapper.
  EXPECT_EQ(probe.painterFrames + probe.wrapperFrames, 1);
  ExpectMenusLetGo();
}

TEST_F(SkinnedMenus, AltSpaceDropsTheSystemMenuWithItemsAsTheFormStateSays) {
  struct Case {
    const char* what;
    TBorderIcons icons;
    bool maximized;
    bool restore, maximize, minimize, move;
  };
  const Case cases[] = {
      {"normal", TBorderIcons{biSystemMenu, biMinimize, biMaximize}, false, false, true, true, true},
      {"maximized", TBorderIcons{biSystemMenu, biMinimize, biMaximize}, true, true, true, true, false},
      {"no minimize button", TBorderIcons{biSystemMenu, biMaximize}, false, false, true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    form->SetBorderIcons(c.icons);
    form->SetWindowState(c.maximized ? wsMaximized : wsNormal);
    Application->ProcessMessages();
    SetForegroundWindow(form->Handle());
    MenuProbe probe;
    WithMenuUp(probe, [&] { SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_KEYMENU, ' '); });
    ASSERT_NE(probe.menu, nullptr) << "no menu dropped";
    EXPECT_TRUE(probe.wrapped);
    TsSystemMenu* m = sp->SystemMenu.get();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->ItemRestore->Enabled(), c.restore);
    EXPECT_EQ(m->ItemMaximize->Enabled(), c.maximize);
    EXPECT_EQ(m->ItemMinimize->Enabled(), c.minimize);
    EXPECT_EQ(m->ItemMove->Enabled(), c.move);
    EXPECT_TRUE(m->ItemClose->Enabled());
    // The menu the system showed carries the same states.
    const UINT state = GetMenuState(m->Handle(), m->ItemMaximize->Command(), MF_BYCOMMAND);
    if (m->ItemMaximize->Visible()) { EXPECT_EQ((state & MF_GRAYED) == 0, c.maximize); }
    ExpectMenusLetGo();
  }
  form->SetWindowState(wsNormal);
}

TEST_F(SkinnedMenus, ChosenCommandsActOnTheForm) {
  CountCommands();
  TsSystemMenu* m = sp->SystemMenu.get();
  m->UpdateItems(false);
  // Down to the maximize item (the menu shows the visible items, lines are skipped), then Enter.
  MenuProbe probe;
  for (Integer i = 0; i < m->Items()->Count(); ++i) {
    TMenuItem* item = m->Items()->Items(i);
    if (item->Visible() && !item->IsLine()) probe.keys.push_back(VK_DOWN);
    if (item == m->ItemMaximize) break;
  }
  probe.keys.push_back(VK_RETURN);
  WithMenuUp(probe, [&] { SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_KEYMENU, ' '); });
  ASSERT_NE(probe.menu, nullptr);
  Application->ProcessMessages();
  EXPECT_TRUE(counter->Saw(SC_MAXIMIZE));
  EXPECT_TRUE(IsZoomed(form->Handle()));
  // Restored through the menu's restore command.
  sp->SystemMenu->ItemRestore->Click();
  EXPECT_TRUE(counter->Saw(SC_RESTORE));
  EXPECT_FALSE(IsZoomed(form->Handle()));
  EXPECT_FALSE(sp->SystemMenu->ItemRestore->Enabled());
  ExpectMenusLetGo();
}

TEST_F(SkinnedMenus, ProgramCommandsOfTheWindowMenuStandBetweenMaximizeAndClose) {
  HMENU sys = GetSystemMenu(form->Handle(), FALSE);
  ASSERT_TRUE(AppendMenuW(sys, MF_STRING, 1000, L"Extra\tCtrl+E"));
  TsSystemMenu* m = sp->SystemMenu.get();
  m->UpdateItems(true);
  EXPECT_EQ(m->ExtItemsCount, 1);
  TMenuItem* items = m->Items();
  const Integer max = items->IndexOf(m->ItemMaximize), close = items->IndexOf(m->ItemClose);
  ASSERT_EQ(close - max, 4);  // line, the command, line
  EXPECT_TRUE(items->Items(max + 1)->IsLine());
  TMenuItem* extra = items->Items(max + 2);
  EXPECT_EQ(extra->Caption(), u"Extra");
  EXPECT_EQ(extra->ShortCut(), TextToShortCut(u"Ctrl+E"));
  EXPECT_TRUE(items->Items(max + 3)->IsLine());
  EXPECT_EQ(m->ItemClose->Name(), u"kvIC");
  CountCommands();
  extra->Click();
  Application->ProcessMessages();
  EXPECT_TRUE(counter->Saw(1000));
}

TEST_F(SkinnedMenus, SubMenuOfTheProgramAtTheTopOrAtTheBottom) {
  auto* user = new TPopupMenu(form);
  auto* a = new TMenuItem(form);
  a->SetCaption(u"About");
  user->Items()->Add(a);
  sp->SysSubMenu->Caption = u"Program";
  sp->SysSubMenu->PopupMenu = user;
  TsSystemMenu* m = sp->SystemMenu.get();
  sp->SysSubMenu->Position = ipTop;
  m->UpdateItems(true);
  ASSERT_NE(m->SubMenu, nullptr);
  EXPECT_EQ(m->Items()->Items(0), m->SubMenu);
  EXPECT_TRUE(m->Items()->Items(1)->IsLine());
  ASSERT_EQ(m->SubMenu->Count(), 1);
  EXPECT_EQ(m->SubMenu->Items(0)->Caption(), u"About");
  sp->SysSubMenu->Position = ipBottom;
  m->UpdateItems(true);
  const Integer n = m->Items()->Count();
  EXPECT_EQ(m->Items()->Items(n - 1), m->SubMenu);
  EXPECT_TRUE(m->Items()->Items(n - 2)->IsLine());
  EXPECT_EQ(m->Items()->Items(n - 3), m->ItemClose);
  sp->SysSubMenu->PopupMenu = nullptr;
}

TEST_F(SkinnedMenus, PopupMenuOfTheFormDrawnByTheWrapperWhichGoesWithIt) {
  auto* menu = new TPopupMenu(form);
  for (const char16_t* caption : {u"One", u"Two", u"Three"}) {
    auto* item = new TMenuItem(form);
    item->SetCaption(caption);
    menu->Items()->Add(item);
  }
  // The form's own popup menu, asked for as the system asks: the form's wrapper hooks it then.
  form->SetPopupMenu(menu);
  MenuProbe probe;
  WithMenuUp(probe,
             [&] { SendMessageW(form->Handle(), WM_CONTEXTMENU, WPARAM(form->Handle()), MAKELPARAM(200, 180)); });
  ASSERT_NE(probe.menu, nullptr);
  EXPECT_TRUE(probe.wrapped);
  EXPECT_EQ(probe.corner, kMenuColor);
  EXPECT_TRUE(probe.layered);
  ExpectMenusLetGo();
}

TEST_F(SkinnedMenus, SkinListOfFortyFiveSkinsStandsFirstInThreeColumns) {
  TkvSkinListController* list = skin->skin.Manager.SkinListController();
  ASSERT_NE(list, nullptr);
  list->SkinList.clear();
  for (Integer i = 0; i < 45; ++i) list->SkinList.push_back(TkvSkinListData{smInternal, -1, u"Skin" + IntToStr(i)});
  const String current = skin->skin.Manager.SkinName();
  if (!current.empty()) list->SkinList[25].skName = current;
  TsSystemMenu* m = sp->SystemMenu.get();
  m->UpdateItems(true);
  m->MakeSkinItems();
  TMenuItem* skins = m->Items()->Items(0);
  EXPECT_EQ(skins->Name(), u"SkinSelectItem");
  EXPECT_EQ(skins->Caption(), kvs_AvailSkins);
  EXPECT_TRUE(m->Items()->Items(1)->IsLine());
  EXPECT_EQ(m->Items()->Items(2), m->ItemRestore);
  ASSERT_EQ(skins->Count(), 45);
  for (Integer i = 0; i < 45; ++i) {
    SCOPED_TRACE(i);
    TMenuItem* item = skins->Items(i);
    EXPECT_EQ(item->Name(), u"SkinSelectItem" + IntToStr(i));
    EXPECT_TRUE(item->RadioItem());
    EXPECT_EQ(item->Break() == mbBreak, i == 20 || i == 40);
    EXPECT_EQ(item->Checked(), !current.empty() && i == 25);
  }
  list->SkinList.clear();
}

namespace {

// Records the names a skin change asks for and refuses every change.
struct SkinRequests {
  std::vector<String> names;
  void Changing(TObject*, const String& name, bool& allow) {
    names.push_back(name);
    allow = false;
  }
};

}  // namespace

// A skin item asks the manager for the skin its caption names: accelerator marks are no part of
// the name, and an internal skin's caption prefix is cut off.
TEST_F(SkinnedMenus, SkinItemAsksTheManagerForItsSkin) {
  TkvSkinListController* list = skin->skin.Manager.SkinListController();
  ASSERT_NE(list, nullptr);
  list->SkinList.clear();
  list->SkinList.push_back(TkvSkinListData{smInternal, -1, u"Night"});
  list->SkinList.push_back(TkvSkinListData{smInternal, -1, u"Sea&Sand"});
  TsSystemMenu* m = sp->SystemMenu.get();
  m->UpdateItems(true);
  m->MakeSkinItems();
  TMenuItem* skins = m->Items()->Items(0);
  ASSERT_EQ(skins->Count(), 2);
  const String before = skin->skin.Manager.SkinName();
  SkinRequests requests;
  skin->skin.Manager.OnSkinChanging = TkvSkinChangingEvent(&requests, &SkinRequests::Changing);
  skins->Items(0)->Click();
  skins->Items(1)->Click();
  const auto prefix = SetForScope(kvs_InternalSkin, String(u"Internal: "));
  skins->Items(0)->SetCaption(u"&Internal: Dusk");
  skins->Items(0)->Click();
  skin->skin.Manager.OnSkinChanging = TkvSkinChangingEvent();
  EXPECT_EQ(requests.names, (std::vector<String>{u"Night", u"SeaSand", u"Dusk"}));
  EXPECT_EQ(skin->skin.Manager.SkinName(), before);  // every change was refused
  list->SkinList.clear();
}

// A right-to-left form drops its system menu in its own reading order, not its parent's.
TEST_F(SkinnedMenus, RightToLeftFormDropsItsMenuRightToLeft) {
  form->SetBiDiMode(bdRightToLeft);
  SetForegroundWindow(form->Handle());
  MenuProbe probe;
  WithMenuUp(probe, [&] { SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_KEYMENU, ' '); });
  ASSERT_NE(probe.menu, nullptr) << "no menu dropped";
  TsSystemMenu* m = sp->SystemMenu.get();
  EXPECT_EQ(m->BiDiMode(), bdRightToLeft);
  EXPECT_FALSE(m->ParentBiDiMode());
  form->SetBiDiMode(bdLeftToRight);
  WithMenuUp(probe, [&] { SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_KEYMENU, ' '); });
  EXPECT_EQ(m->BiDiMode(), bdLeftToRight);
  ExpectMenusLetGo();
}

// An MDI child shows Minimize, Maximize and Restore whatever its border style; a form of its
// own with that style shows none of them.
namespace {
class MdiSystemMenu : public formskin::SkinnedMdiFrame {};
}  // namespace

TEST_F(MdiSystemMenu, ChildMenuShowsTheWindowCommandsWhateverItsBorderStyle) {
  for (const TFormBorderStyle style : {bsToolWindow, bsDialog, bsSizeable}) {
    SCOPED_TRACE(int(style));
    TForm* child = MakeChild(u"Child");
    child->SetBorderStyle(style);
    auto* csp = new TsSkinProvider(child);
    csp->AfterConstruction();
    PumpMessages();
    csp->PrepareForm();
    ASSERT_NE(csp->SystemMenu, nullptr);
    TsSystemMenu* m = csp->SystemMenu.get();
    m->UpdateItems(true);
    EXPECT_TRUE(m->ItemMinimize->Visible());
    EXPECT_TRUE(m->ItemMaximize->Visible());
    EXPECT_TRUE(m->ItemRestore->Visible());
    EXPECT_TRUE(m->ItemSize->Visible());
    delete child;
    PumpMessages();
  }
  // The frame itself, as a tool window, shows none of them.
  frame->SetBorderStyle(bsToolWindow);
  PumpMessages();
  sp->SystemMenu->UpdateItems(true);
  EXPECT_FALSE(sp->SystemMenu->ItemMinimize->Visible());
  EXPECT_FALSE(sp->SystemMenu->ItemMaximize->Visible());
  EXPECT_FALSE(sp->SystemMenu->ItemRestore->Visible());
}
