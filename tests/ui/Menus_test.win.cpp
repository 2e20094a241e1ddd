// Menus: built from a form description, shown as a form's menu bar and as popup menus, items
// clicked by keyboard and by mouse, owner-drawn items measured and drawn with their states,
// shortcuts, a control's context menu, merging, and the tool button's drop-down menu.
// Dropping a menu runs the system's modal loop: every test that drops one has its closing
// input queued or a timer running first.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/FormFixture.h"
#include "ui/ActnList.h"
#include "ui/Bitmap.h"
#include "ui/ComCtrls.h"
#include "ui/FormReader.h"
#include "ui/FormWriter.h"
#include "ui/Forms.h"
#include "ui/ImgList.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

namespace {

std::string Utf8(const String& s) { return StringToUtf8(s); }

class TMenuForm : public TForm {
  TW_CLASS(TMenuForm, TForm)
  using TForm::TForm;
  TMainMenu* MainMenu1 = nullptr;
  TMenuItem* File1 = nullptr;
  TMenuItem* Open1 = nullptr;
  TMenuItem* Save1 = nullptr;
  TMenuItem* Quiet1 = nullptr;
  TMenuItem* Loud1 = nullptr;
  TMenuItem* Hidden1 = nullptr;
  TMenuItem* Recent1 = nullptr;
  TMenuItem* Help1 = nullptr;
  TPopupMenu* Popup1 = nullptr;
  TMenuItem* Copy1 = nullptr;
  TMenuItem* Paste1 = nullptr;
  TMenuItem* Line1 = nullptr;
  TMenuItem* Delete1 = nullptr;
  std::vector<std::string> clicks;
  void ItemClick(TObject* sender) { clicks.push_back(Utf8(static_cast<TMenuItem*>(sender)->Name())); }
};
TW_DEFINE_CLASS(TMenuForm) {
  for (auto [name, field] :
       std::initializer_list<std::pair<const char16_t*, TMenuItem * TMenuForm::*>>{{u"File1", &TMenuForm::File1},
                                                                                   {u"Open1", &TMenuForm::Open1},
                                                                                   {u"Save1", &TMenuForm::Save1},
                                                                                   {u"Quiet1", &TMenuForm::Quiet1},
                                                                                   {u"Loud1", &TMenuForm::Loud1},
                                                                                   {u"Hidden1", &TMenuForm::Hidden1},
                                                                                   {u"Recent1", &TMenuForm::Recent1},
                                                                                   {u"Help1", &TMenuForm::Help1},
                                                                                   {u"Copy1", &TMenuForm::Copy1},
                                                                                   {u"Paste1", &TMenuForm::Paste1},
                                                                                   {u"Line1", &TMenuForm::Line1},
                                                                                   {u"Delete1", &TMenuForm::Delete1}})
    b.Field(name, field);
  b.Field(u"MainMenu1", &TMenuForm::MainMenu1);
  b.Field(u"Popup1", &TMenuForm::Popup1);
  b.Method(u"ItemClick", &TMenuForm::ItemClick);
}

constexpr char16_t kDescription[] =
    uR"(
object MenuForm: TMenuForm
  Caption = "Menus"
  ClientWidth = 320
  ClientHeight = 200
  Menu = MainMenu1
  PopupMenu = Popup1
  object MainMenu1: TMainMenu
    object File1: TMenuItem
      Caption = "&File"
      object Open1: TMenuItem
        Caption = "&Open..."
        ShortCut = 16463
        Default = True
        OnClick = ItemClick
      end
      object Save1: TMenuItem
        Caption = "&Save"
        Enabled = False
        OnClick = ItemClick
      end
      object Quiet1: TMenuItem
        Caption = "&Quiet"
        RadioItem = True
        GroupIndex = 3
        Checked = True
        OnClick = ItemClick
      end
      object Loud1: TMenuItem
        Caption = "&Loud"
        RadioItem = True
        GroupIndex = 3
        Break = mbBarBreak
        OnClick = ItemClick
      end
      object Hidden1: TMenuItem
        Caption = "Hidden"
        Visible = False
      end
      object Recent1: TMenuItem
        Caption = "&Recent"
        Tag = 42
        object Old1: TMenuItem
          Caption = "old.txt"
        end
      end
    end
    object Help1: TMenuItem
      Caption = "&Help"
      GroupIndex = 9
      OnClick = ItemClick
    end
  end
  object Popup1: TPopupMenu
    MenuAnimation = [maNone]
    object Copy1: TMenuItem
      Caption = "&Copy"
      OnClick = ItemClick
    end
    object Paste1: TMenuItem
      Caption = "&Paste"
      OnClick = ItemClick
    end
    object Line1: TMenuItem
      Caption = "-"
    end
    object Delete1: TMenuItem
      Caption = "&Delete"
      ShortCut = 46
      OnClick = ItemClick
    end
  end
end
)";

struct ItemInfo {
  UINT type = 0, state = 0, id = 0;
  HMENU sub = nullptr;
  std::string text;
};

ItemInfo InfoAt(HMENU menu, int pos) {
  MENUITEMINFOW mii{};
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
  wchar_t text[128] = {};
  mii.dwTypeData = text;
  mii.cch = 127;
  ItemInfo info;
  if (!GetMenuItemInfoW(menu, static_cast<UINT>(pos), TRUE, &mii)) return info;
  info.type = mii.fType;
  info.state = mii.fState;
  info.id = mii.wID;
  info.sub = mii.hSubMenu;
  info.text = StringToUtf8(String(reinterpret_cast<const Char*>(text)));
  return info;
}

// A timer callback of the test while a menu's modal loop runs.
std::function<void()> gDuringMenu;
void CALLBACK DuringMenu(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (gDuringMenu) {
    auto f = std::move(gDuringMenu);
    gDuringMenu = nullptr;
    f();
  }
}
// Runs f from the menu loop after ms (and closes any menu still open a second later).
void WhileMenuIsOpen(int ms, std::function<void()> f) {
  gDuringMenu = std::move(f);
  SetTimer(nullptr, 0, static_cast<UINT>(ms), DuringMenu);
}

void PostKey(HWND wnd, WPARAM key) {
  PostMessageW(wnd, WM_KEYDOWN, key, 1);
  PostMessageW(wnd, WM_KEYUP, key, 0xC0000001);
}

class MenusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    RegisterLibraryClasses();
    RegisterClass<TMenuForm>();
    app = std::make_unique<TApplication>();
    form = new TMenuForm(app.get());
    form->AfterConstruction();
    ReadComponentText(form, kDescription);
    form->SetPosition(poDesigned);
    form->SetBounds(120, 120, form->Width(), form->Height());
  }
  void TearDown() override {
    gDuringMenu = nullptr;
    app.reset();
  }
  std::unique_ptr<TApplication> app;
  TMenuForm* form = nullptr;
};

}  // namespace

TEST_F(MenusTest, ADescriptionBuildsTheItemTreeAndTheFormsMenuBar) {
  ASSERT_NE(form->MainMenu1, nullptr);
  EXPECT_EQ(form->Menu(), form->MainMenu1);
  EXPECT_EQ(form->PopupMenu(), form->Popup1);
  TMenuItem* root = form->MainMenu1->Items();
  ASSERT_EQ(root->Count(), 2);
  EXPECT_EQ(root->Items(0), form->File1);
  EXPECT_EQ(form->File1->Count(), 6);
  EXPECT_EQ(form->Open1->Parent(), form->File1);
  EXPECT_EQ(form->Open1->MenuIndex(), 0);
  EXPECT_EQ(form->Open1->GetParentMenu(), form->MainMenu1);
  EXPECT_EQ(form->Open1->GetParentComponent(), form->File1);
  EXPECT_EQ(form->File1->GetParentComponent(), form->MainMenu1);
  EXPECT_EQ(form->Open1->ShortCut(), ShortCut('O', {ssCtrl}));
  EXPECT_EQ(form->Recent1->Tag(), 42);
  EXPECT_EQ(form->File1->Find(u"recent"), form->Recent1);
  EXPECT_EQ(form->Loud1->Break(), mbBarBreak);
  EXPECT_EQ(form->Popup1->MenuAnimation(), TMenuAnimation{maNone});
  EXPECT_TRUE(form->Line1->IsLine());

  form->Show();
  HWND wnd = form->Handle();
  HMENU bar = GetMenu(wnd);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar, form->MainMenu1->Handle());
  EXPECT_EQ(form->MainMenu1->WindowHandle(), wnd);
  ASSERT_EQ(GetMenuItemCount(bar), 2);
  ItemInfo file = InfoAt(bar, 0);
  EXPECT_EQ(file.text, "&File");
  EXPECT_EQ(file.id, form->File1->Command());
  EXPECT_EQ(file.sub, form->File1->Handle());
  // The sub-menu: the hidden item is left out; states, radio marks, columns and shortcut text.
  HMENU sub = file.sub;
  ASSERT_EQ(GetMenuItemCount(sub), 5);
  struct Case {
    const char* text;
    UINT typeBits, stateBits;
    bool hasSub;
  } cases[] = {
      {"&Open...\tCtrl+O", 0, MFS_DEFAULT, false},
      {"&Save", 0, MFS_GRAYED, false},
      {"&Quiet", MFT_RADIOCHECK, MFS_CHECKED, false},
      {"&Loud", MFT_RADIOCHECK | MFT_MENUBARBREAK, 0, false},
      {"&Recent", 0, 0, true},
  };
  for (int i = 0; i < 5; ++i) {
    ItemInfo info = InfoAt(sub, i);
    EXPECT_EQ(info.text, cases[i].text);
    EXPECT_EQ(info.type & (MFT_RADIOCHECK | MFT_MENUBARBREAK | MFT_MENUBREAK | MFT_OWNERDRAW), cases[i].typeBits) << i;
    EXPECT_EQ(info.state & (MFS_DEFAULT | MFS_GRAYED | MFS_CHECKED), cases[i].stateBits) << i;
    EXPECT_EQ(info.sub != nullptr, cases[i].hasSub) << i;
  }
  // Client size from the description: the bar does not eat into it.
  RECT rc;
  GetClientRect(wnd, &rc);
  EXPECT_EQ(rc.right, 320);
  EXPECT_EQ(rc.bottom, 200);
}

TEST_F(MenusTest, ChangingItemsUpdatesTheSystemMenuAndTellsTheForm) {
  form->Show();
  HWND wnd = form->Handle();
  auto recorder = std::make_unique<TMessageRecorder>(form);
  HMENU sub = form->File1->Handle();
  form->Save1->SetEnabled(true);
  EXPECT_EQ(InfoAt(sub, 1).state & MFS_GRAYED, 0u);
  form->Hidden1->SetVisible(true);
  EXPECT_EQ(GetMenuItemCount(sub), 6);
  form->Open1->SetCaption(u"&Open file");
  EXPECT_EQ(InfoAt(sub, 0).text, "&Open file\tCtrl+O");
  // Radio items of a group exclude each other.
  form->Loud1->SetChecked(true);
  EXPECT_FALSE(form->Quiet1->Checked());
  EXPECT_EQ(InfoAt(sub, 2).state & MFS_CHECKED, 0u);
  EXPECT_EQ(InfoAt(sub, 3).state & MFS_CHECKED, static_cast<UINT>(MFS_CHECKED));
  // A new top-level item and a freed one.
  auto* view = new TMenuItem(form);
  view->SetCaption(u"&View");
  form->MainMenu1->Items()->Insert(1, view);
  EXPECT_EQ(GetMenuItemCount(GetMenu(wnd)), 3);
  EXPECT_EQ(InfoAt(GetMenu(wnd), 1).text, "&View");
  view->Free();
  EXPECT_EQ(GetMenuItemCount(GetMenu(wnd)), 2);
  EXPECT_GE(recorder->Of(CM_MENUCHANGED).size(), 5u);
  recorder.reset();

  // The menu goes: the form lets go of its bar first, the window keeps working.
  form->MainMenu1->Free();
  EXPECT_EQ(form->Menu(), nullptr);
  EXPECT_EQ(GetMenu(wnd), nullptr);
  PumpMessages();
}

TEST_F(MenusTest, MenuBarCommandsAndShortcutsClickTheirItems) {
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  form->Show();
  SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(form->Open1->Command(), 0), 0);
  SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(form->Save1->Command(), 0), 0);  // disabled: nothing
  EXPECT_EQ(form->clicks, std::vector<std::string>{"Open1"});
  // Ctrl+O while the edit has the focus: the form's menu takes the shortcut.
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  EXPECT_EQ(edit->Perform(CN_KEYDOWN, 'O', 0), 1);
  EXPECT_EQ(edit->Perform(CN_KEYDOWN, 'P', 0), 0);
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  // Del: the form's popup menu (a parent's popup menu counts for its controls).
  EXPECT_EQ(edit->Perform(CN_KEYDOWN, VK_DELETE, 0), 1);
  EXPECT_EQ(form->clicks, (std::vector<std::string>{"Open1", "Open1", "Delete1"}));
  // An item under a disabled parent cannot be reached.
  form->File1->SetEnabled(false);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  EXPECT_EQ(edit->Perform(CN_KEYDOWN, 'O', 0), 0);
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(form->clicks.size(), 3u);
}

TEST_F(MenusTest, APopupMenuItemIsClickedByKeyboard) {
  form->Show();
  int popups = 0;
  struct TCount : public TObject {
    int* n;
    void Popup(TObject*) { ++*n; }
  } counter;
  counter.n = &popups;
  form->Popup1->SetOnPopup(TNotifyEvent(&counter, &TCount::Popup));
  // Down twice selects the second item; Enter chooses it. The command comes to the popup
  // list's window after the loop.
  HWND list = PopupList->Window();
  PostKey(list, VK_DOWN);
  PostKey(list, VK_DOWN);
  PostKey(list, VK_RETURN);
  form->Popup1->Popup(200, 200);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(form->Popup1->PopupPoint(), TPoint(200, 200));
  PumpMessages();
  EXPECT_EQ(form->clicks, std::vector<std::string>{"Paste1"});
  // Its accelerator letter: the item is chosen at once.
  PostMessageW(list, WM_CHAR, 'd', 1);
  form->Popup1->Popup(200, 200);
  PumpMessages();
  EXPECT_EQ(form->clicks, (std::vector<std::string>{"Paste1", "Delete1"}));
  // Escape closes the menu without a command.
  PostKey(list, VK_ESCAPE);
  form->Popup1->Popup(200, 200);
  PumpMessages();
  EXPECT_EQ(form->clicks.size(), 2u);
}

TEST_F(MenusTest, APopupMenuItemIsClickedByMouse) {
  form->Show();
  SetForegroundWindow(form->Handle());
  PumpMessages(50);
  HMENU menu = form->Popup1->Handle();
  bool clickedInLoop = false;
  WhileMenuIsOpen(150, [&] {
    RECT r{};
    // Item 1 ("&Paste") of the open popup; no owner window: the system finds the menu's.
    ASSERT_TRUE(GetMenuItemRect(nullptr, menu, 1, &r));
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    SetCursorPos(x, y);
    INPUT in[2]{};
    for (INPUT& i : in) i.type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
    clickedInLoop = true;
    // Should the click not reach the menu, the loop is ended here rather than hang.
    WhileMenuIsOpen(2000, [] { EndMenu(); });
  });
  form->Popup1->Popup(150, 150);
  gDuringMenu = nullptr;
  PumpMessages(50);
  EXPECT_TRUE(clickedInLoop);
  EXPECT_EQ(form->clicks, std::vector<std::string>{"Paste1"});
}

TEST_F(MenusTest, OwnerDrawnItemsAreMeasuredAndDrawnWithTheirStates) {
  struct TPainter : public TObject {
    std::vector<std::string> measured;
    std::vector<std::pair<std::string, TOwnerDrawState>> drawn;
    void Measure(TObject* sender, TCanvas* canvas, Integer& width, Integer& height) {
      measured.push_back(Utf8(static_cast<TMenuItem*>(sender)->Name()));
      EXPECT_NE(canvas, nullptr);
      EXPECT_GT(width, 0);  // the library's own measure comes first
      EXPECT_GT(height, 0);
      width = 150;
      height = 31;
    }
    void Draw(TObject* sender, TCanvas* canvas, TRect r, TOwnerDrawState state) {
      drawn.push_back({Utf8(static_cast<TMenuItem*>(sender)->Name()), state});
      canvas->Brush()->SetColor(clRed);
      canvas->FillRect(r);
      sizes.push_back(TSize(r.Width(), r.Height()));
    }
    std::vector<TSize> sizes;
  } painter;
  TPopupMenu* menu = form->Popup1;
  menu->SetOwnerDraw(true);
  for (TMenuItem* item : {form->Copy1, form->Paste1, form->Delete1}) {
    item->SetOnMeasureItem(TMenuMeasureItemEvent(&painter, &TPainter::Measure));
    item->SetOnAdvancedDrawItem(TAdvancedMenuDrawItemEvent(&painter, &TPainter::Draw));
  }
  EXPECT_EQ(InfoAt(menu->Handle(), 0).type & MFT_OWNERDRAW, static_cast<UINT>(MFT_OWNERDRAW));
  form->Show();
  SetCursorPos(1000, 900);  // far from the menu: no item is hot under the mouse
  std::vector<std::pair<std::string, TOwnerDrawState>> drawnBeforeKeys;
  HWND list = PopupList->Window();
  WhileMenuIsOpen(200, [&] {
    drawnBeforeKeys = painter.drawn;
    painter.drawn.clear();
    PostKey(list, VK_DOWN);  // selects the first item: it is drawn again, selected
    WhileMenuIsOpen(200, [] { EndMenu(); });
  });
  menu->Popup(100, 100);
  PumpMessages();
  // Every item with a handler was measured (the separator and its size are the library's).
  EXPECT_EQ(painter.measured, (std::vector<std::string>{"Copy1", "Paste1", "Delete1"}));
  ASSERT_GE(drawnBeforeKeys.size(), 3u);
  for (const TSize& s : painter.sizes) EXPECT_EQ(s.cy, 31);
  for (auto& [name, state] : drawnBeforeKeys) EXPECT_FALSE(state.Contains(odSelected)) << name;
  bool selectedCopy = false;
  for (auto& [name, state] : painter.drawn)
    if (name == "Copy1" && state.Contains(odSelected)) selectedCopy = true;
  EXPECT_TRUE(selectedCopy);
}

TEST_F(MenusTest, SettingAnItemsHandlerAgainWhileTheBarIsMeasuredLeavesTheBarAsItIs) {
  // A painter that takes the item again while the system measures it, as a skinned form does:
  // the same handler set again must not rebuild the bar under the system's measuring.
  struct TPainter : public TObject {
    Integer measured = 0;
    void Measure(TObject* sender, TCanvas*, Integer& width, Integer& height) {
      ++measured;
      auto* item = static_cast<TMenuItem*>(sender);
      item->SetOnMeasureItem(TMenuMeasureItemEvent(this, &TPainter::Measure));
      item->SetOnAdvancedDrawItem(TAdvancedMenuDrawItemEvent(this, &TPainter::Draw));
      width = 60;
      height = 18;
    }
    void Other(TObject*, TCanvas*, Integer&, Integer&) {}
    void Draw(TObject*, TCanvas*, TRect, TOwnerDrawState) {}
  } painter;
  form->MainMenu1->SetOwnerDraw(true);
  TMenuItem* file = form->File1;
  file->SetOnMeasureItem(TMenuMeasureItemEvent(&painter, &TPainter::Measure));
  file->SetOnAdvancedDrawItem(TAdvancedMenuDrawItemEvent(&painter, &TPainter::Draw));
  form->Show();
  PumpMessages();
  const HWND wnd = form->Handle();
  RECT r{};
  ASSERT_TRUE(GetMenuItemRect(wnd, GetMenu(wnd), 0, &r));
  EXPECT_GT(painter.measured, 0);
  EXPECT_LT(painter.measured, 10);  // measured a few times, never over and over
  EXPECT_EQ(GetMenuItemCount(GetMenu(wnd)), 2);

  // Set again from outside: no rebuild, the form hears of no change.
  auto recorder = std::make_unique<TMessageRecorder>(form);
  file->SetOnMeasureItem(TMenuMeasureItemEvent(&painter, &TPainter::Measure));
  file->SetOnAdvancedDrawItem(TAdvancedMenuDrawItemEvent(&painter, &TPainter::Draw));
  EXPECT_TRUE(recorder->Of(CM_MENUCHANGED).empty());
  // Another handler is a change: the bar is built again for it.
  file->SetOnMeasureItem(TMenuMeasureItemEvent(&painter, &TPainter::Other));
  EXPECT_FALSE(recorder->Of(CM_MENUCHANGED).empty());
  recorder.reset();
  EXPECT_EQ(GetMenuItemCount(GetMenu(wnd)), 2);
}

TEST_F(MenusTest, TheOwnerDrawStateCarriesEveryFlagOfTheSystem) {
  struct TStates : public TObject {
    std::vector<TOwnerDrawState> seen;
    void Draw(TObject*, TCanvas*, TRect, TOwnerDrawState state) { seen.push_back(state); }
  } states;
  form->Popup1->SetOwnerDraw(true);
  form->Copy1->SetOnAdvancedDrawItem(TAdvancedMenuDrawItemEvent(&states, &TStates::Draw));
  struct Case {
    UINT ods;
    TOwnerDrawState expected;
  } cases[] = {
      {ODS_SELECTED, {odSelected}},
      {ODS_GRAYED | ODS_DISABLED, {odGrayed, odDisabled}},
      {ODS_CHECKED | ODS_DEFAULT, {odChecked, odDefault}},
      {ODS_HOTLIGHT | ODS_NOACCEL, {odHotLight, odNoAccel}},
      {ODS_INACTIVE | ODS_NOFOCUSRECT | ODS_FOCUS, {odInactive, odNoFocusRect, odFocused}},
      {ODS_COMBOBOXEDIT, {odComboBoxEdit}},
      {0, {}},
  };
  HDC dc = GetDC(nullptr);
  for (const Case& c : cases) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_MENU;
    dis.itemID = form->Copy1->Command();
    dis.itemState = c.ods;
    dis.hDC = dc;
    dis.rcItem = {0, 0, 100, 20};
    dis.itemData = reinterpret_cast<ULONG_PTR>(form->Copy1);
    EXPECT_EQ(SendMessageW(PopupList->Window(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis)), 1);
  }
  ReleaseDC(nullptr, dc);
  ASSERT_EQ(states.seen.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(states.seen[i].Bits(), cases[i].expected.Bits()) << i;
}

TEST_F(MenusTest, TheLibraryDrawsOwnerDrawnItemsWithoutHandlers) {
  form->Popup1->SetOwnerDraw(true);
  form->Copy1->SetChecked(true);
  auto draw = [&](UINT state) {
    // A 32-bit memory DC the item draws on, read back.
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = 120;
    bi.bmiHeader.biHeight = -20;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_MENU;
    dis.itemID = form->Copy1->Command();
    dis.itemState = state;
    dis.hDC = mem;
    dis.rcItem = {0, 0, 120, 20};
    SendMessageW(PopupList->Window(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    std::vector<uint32_t> px(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + 120 * 20);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    return px;
  };
  auto count = [](const std::vector<uint32_t>& px, COLORREF c) {
    const uint32_t bgr = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    int n = 0;
    for (uint32_t p : px) n += (p & 0xFFFFFF) == bgr;
    return n;
  };
  const std::vector<uint32_t> plain = draw(0), selected = draw(ODS_SELECTED);
  // The background is the menu's colour, or the selection's; the text and the check mark
  // leave some pixels of other colours.
  EXPECT_GT(count(plain, GetSysColor(COLOR_MENU)), 120 * 20 / 2);
  EXPECT_LT(count(plain, GetSysColor(COLOR_MENU)), 120 * 20);
  EXPECT_GT(count(selected, GetSysColor(COLOR_HIGHLIGHT)), 120 * 20 / 2);
  // The default measure fits the caption and the shortcut.
  MEASUREITEMSTRUCT mis{};
  mis.CtlType = ODT_MENU;
  mis.itemID = form->Delete1->Command();
  SendMessageW(PopupList->Window(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
  EXPECT_GT(mis.itemWidth, 40u);
  EXPECT_GE(mis.itemHeight, 12u);
  mis.itemID = form->Line1->Command();
  mis.itemWidth = mis.itemHeight = 0;
  SendMessageW(PopupList->Window(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
  EXPECT_LT(mis.itemHeight, 12u);
}

TEST_F(MenusTest, PicturesBesideSystemDrawnItemsAreMeasuredAndDrawnByTheLibrary) {
  TBitmap* pic = form->Copy1->Bitmap();
  pic->SetSize(16, 12);
  pic->Canvas()->Brush()->SetColor(clRed);
  pic->Canvas()->FillRect(TRect(0, 0, 16, 12));
  form->Copy1->SetBitmap(pic);
  auto* images = new TImageList(form);
  images->SetColorDepth(cd32Bit);
  images->SetWidth(10);
  images->SetHeight(10);
  TBitmap blue(10, 10, pf32bit);
  TPixelView v = blue.View();
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) v.At(x, y) = 0xFF0000FF;  // opaque blue (B, G, R, A in memory)
  images->Add(&blue, nullptr);
  form->Popup1->SetImages(images);
  form->Paste1->SetImageIndex(0);
  HMENU menu = form->Popup1->Handle();
  auto bitmapOf = [&](int pos) {
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_BITMAP;
    GetMenuItemInfoW(menu, static_cast<UINT>(pos), TRUE, &mii);
    return mii.hbmpItem;
  };
  EXPECT_EQ(bitmapOf(0), HBMMENU_CALLBACK);
  EXPECT_EQ(bitmapOf(1), HBMMENU_CALLBACK);
  EXPECT_EQ(bitmapOf(3), nullptr);  // Delete has no picture
  struct Case {
    TMenuItem* item;
    UINT cx, cy;
    COLORREF color;
  } cases[] = {{form->Copy1, 16, 12, RGB(255, 0, 0)}, {form->Paste1, 10, 10, RGB(0, 0, 255)}};
  for (const Case& c : cases) {
    MEASUREITEMSTRUCT mis{};
    mis.CtlType = ODT_MENU;
    mis.itemID = c.item->Command();
    EXPECT_EQ(SendMessageW(PopupList->Window(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis)), 1);
    EXPECT_EQ(mis.itemWidth, c.cx);
    EXPECT_EQ(mis.itemHeight, c.cy);
    // Drawn centred in the place the system gives it.
    TBitmap target(40, 20, pf32bit);
    target.Canvas()->Brush()->SetColor(clWhite);
    target.Canvas()->FillRect(TRect(0, 0, 40, 20));
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_MENU;
    dis.itemID = c.item->Command();
    dis.hDC = target.Canvas()->Handle();
    dis.rcItem = {0, 0, 40, 20};
    EXPECT_EQ(SendMessageW(PopupList->Window(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis)), 1);
    EXPECT_EQ(target.PixelColor(20, 10), static_cast<TColor>(c.color)) << Utf8(c.item->Name());
    EXPECT_EQ(target.PixelColor(1, 1), clWhite) << Utf8(c.item->Name());
  }
}

TEST_F(MenusTest, AnAcceleratorOfAnOwnerDrawnItemIsFoundByItsPositionOnScreen) {
  form->Popup1->SetOwnerDraw(true);
  form->Paste1->SetVisible(false);  // positions count shown items only
  HMENU menu = form->Popup1->Handle();
  LRESULT r = SendMessageW(PopupList->Window(), WM_MENUCHAR, MAKEWPARAM('d', MF_POPUP), reinterpret_cast<LPARAM>(menu));
  EXPECT_EQ(HIWORD(r), MNC_EXECUTE);
  EXPECT_EQ(LOWORD(r), 2);  // Copy, the line, Delete
  r = SendMessageW(PopupList->Window(), WM_MENUCHAR, MAKEWPARAM('C', MF_POPUP), reinterpret_cast<LPARAM>(menu));
  EXPECT_EQ(r, MAKELRESULT(0, MNC_EXECUTE));
  r = SendMessageW(PopupList->Window(), WM_MENUCHAR, MAKEWPARAM('z', MF_POPUP), reinterpret_cast<LPARAM>(menu));
  EXPECT_EQ(HIWORD(r), MNC_IGNORE);
}

TEST_F(MenusTest, AControlsPopupMenuComesOnRightClickAndOnTheContextMenuKey) {
  auto* button = new TButton(form);
  button->SetParent(form);
  button->SetBounds(20, 20, 100, 30);
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetBounds(20, 80, 100, 20);
  label->SetCaption(u"label");
  auto* labelMenu = new TPopupMenu(form);
  labelMenu->Items()->Add(new TMenuItem(form));
  button->SetPopupMenu(form->Popup1);
  label->SetPopupMenu(labelMenu);
  form->Show();
  SetForegroundWindow(form->Handle());
  button->SetFocus();
  PumpMessages(50);

  // A right click on the button, through the system: WM_RBUTTONUP makes WM_CONTEXTMENU.
  TPoint at = button->ClientToScreen(TPoint(10, 10));
  SetCursorPos(at.X, at.Y);
  PumpMessages(30);
  WhileMenuIsOpen(150, [] { EndMenu(); });
  INPUT in[2]{};
  for (INPUT& i : in) i.type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
  SendInput(2, in, sizeof(INPUT));
  PumpMessages(400);
  EXPECT_EQ(form->Popup1->PopupComponent(), button);
  EXPECT_EQ(form->Popup1->PopupPoint(), at);

  // The context-menu key: the menu of the focused control, at its top-left corner.
  form->Popup1->SetPopupComponent(nullptr);
  WhileMenuIsOpen(150, [] { EndMenu(); });
  INPUT key[2]{};
  for (INPUT& i : key) {
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = VK_APPS;
  }
  key[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, key, sizeof(INPUT));
  PumpMessages(400);
  EXPECT_EQ(form->Popup1->PopupComponent(), button);
  EXPECT_EQ(form->Popup1->PopupPoint(), button->ClientToScreen(TPoint(0, 0)));

  // Over a windowless control the form asks it first: its own menu comes.
  TPoint overLabel = form->ClientToScreen(TPoint(30, 85));
  WhileMenuIsOpen(100, [] { EndMenu(); });
  form->Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->Handle()), PointToLParam(overLabel.X, overLabel.Y));
  EXPECT_EQ(labelMenu->PopupComponent(), label);
  // Elsewhere on the form: the form's own.
  form->Popup1->SetPopupComponent(nullptr);
  TPoint elsewhere = form->ClientToScreen(TPoint(250, 150));
  WhileMenuIsOpen(100, [] { EndMenu(); });
  form->Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->Handle()), PointToLParam(elsewhere.X, elsewhere.Y));
  EXPECT_EQ(form->Popup1->PopupComponent(), form);
  // Without AutoPopup nothing comes.
  form->Popup1->SetAutoPopup(false);
  form->Popup1->SetPopupComponent(nullptr);
  EXPECT_EQ(
      form->Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->Handle()), PointToLParam(elsewhere.X, elsewhere.Y)),
      0);
  EXPECT_EQ(form->Popup1->PopupComponent(), nullptr);
  // A freed popup menu is forgotten by its control.
  labelMenu->Free();
  EXPECT_EQ(label->PopupMenu(), nullptr);
}

TEST_F(MenusTest, AMergedMenuReplacesAndJoinsTheBarByGroup) {
  form->Show();
  auto* other = new TMainMenu(form);
  auto add = [&](const char16_t* caption, Byte group) {
    auto* item = new TMenuItem(form);
    item->SetCaption(caption);
    item->SetGroupIndex(group);
    other->Items()->Add(item);
    return item;
  };
  // The bar: &File (group 0), &Help (group 9).
  add(u"&Edit", 4);
  TMenuItem* file2 = add(u"&Document", 0);  // replaces group 0
  form->MainMenu1->Merge(other);
  EXPECT_EQ(form->MainMenu1->Merged(), other);
  HMENU bar = GetMenu(form->Handle());
  ASSERT_EQ(GetMenuItemCount(bar), 3);
  EXPECT_EQ(InfoAt(bar, 0).text, "&Document");
  EXPECT_EQ(InfoAt(bar, 1).text, "&Edit");
  EXPECT_EQ(InfoAt(bar, 2).text, "&Help");
  // Commands of merged items come to the form that shows them.
  int clicks = 0;
  struct TCount : public TObject {
    int* n;
    void Click(TObject*) { ++*n; }
  } counter;
  counter.n = &clicks;
  file2->SetOnClick(TNotifyEvent(&counter, &TCount::Click));
  SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(file2->Command(), 0), 0);
  EXPECT_EQ(clicks, 1);
  // A change in the merged menu shows in the bar.
  file2->SetCaption(u"&Sheet");
  EXPECT_EQ(InfoAt(bar, 0).text, "&Sheet");
  form->MainMenu1->Unmerge(other);
  ASSERT_EQ(GetMenuItemCount(bar), 2);
  EXPECT_EQ(InfoAt(bar, 0).text, "&File");
  // A merged menu that is freed leaves the bar.
  form->MainMenu1->Merge(other);
  EXPECT_EQ(GetMenuItemCount(bar), 3);
  other->Free();
  EXPECT_EQ(form->MainMenu1->Merged(), nullptr);
  EXPECT_EQ(GetMenuItemCount(bar), 2);
}

TEST_F(MenusTest, AToolButtonDropsItsMenuAndTheBarHearsWhenItClosed) {
  auto* bar = new TToolBar(form);
  bar->SetParent(form);
  auto* button = new TToolButton(form);
  button->SetParent(bar);
  button->SetStyle(tbsDropDown);
  button->SetDropdownMenu(form->Popup1);
  form->Show();
  TMessageRecorder atBar(bar);
  NMTOOLBARW nm{};
  nm.hdr.hwndFrom = bar->Handle();
  nm.hdr.code = TBN_DROPDOWN;
  nm.iItem = 0;
  PostKey(PopupList->Window(), VK_ESCAPE);
  LRESULT r = bar->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
  EXPECT_EQ(r, TBDDRET_DEFAULT);
  EXPECT_EQ(atBar.Of(CN_DROPDOWNCLOSED).size(), 1u);
  EXPECT_EQ(form->Popup1->PopupComponent(), button);
  RECT br{};
  SendMessageW(bar->Handle(), TB_GETRECT, 0, reinterpret_cast<LPARAM>(&br));
  POINT below{br.left, br.bottom};
  ClientToScreen(bar->Handle(), &below);
  EXPECT_EQ(form->Popup1->PopupPoint(), TPoint(below.x, below.y));
  // A button without a menu: the bar answers that it did nothing.
  button->SetDropdownMenu(nullptr);
  EXPECT_EQ(bar->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm)), TBDDRET_NODEFAULT);
}

TEST_F(MenusTest, TheTreeRefusesLoopsAndDoubleParents) {
  auto* a = new TMenuItem(form);
  auto* b = new TMenuItem(form);
  a->Add(b);
  EXPECT_THROW(form->File1->Add(b), EMenuError);
  EXPECT_THROW(b->Add(a), EMenuError);
  EXPECT_THROW(a->Items(5), EMenuError);
  EXPECT_THROW(a->Insert(3, new TMenuItem(form)), EMenuError);
  a->Remove(b);
  EXPECT_EQ(b->Parent(), nullptr);
  EXPECT_EQ(a->Count(), 0);
  // Every item has a command of its own.
  EXPECT_NE(a->Command(), b->Command());
  EXPECT_EQ(form->MainMenu1->FindItem(form->Save1->Command(), fkCommand), form->Save1);
  EXPECT_EQ(form->MainMenu1->FindItem(form->Open1->ShortCut(), fkShortCut), form->Open1);
  EXPECT_EQ(form->MainMenu1->FindItem(reinterpret_cast<uintptr_t>(form->File1->Handle()), fkHandle), form->File1);
  EXPECT_EQ(form->MainMenu1->FindItem(form->Copy1->Command(), fkCommand), nullptr);
  // An item freed with its parent's menu open: its children go with it.
  form->Recent1->Free();
  EXPECT_EQ(form->File1->Count(), 5);
  EXPECT_EQ(form->FindComponent(u"Old1"), nullptr);
}

TEST_F(MenusTest, MenusWrittenOutReadBackTheSame) {
  form->Quiet1->SetChecked(false);
  form->Loud1->SetChecked(true);
  form->Popup1->SetOwnerDraw(true);
  const String text = WriteComponentText(form);
  // Items nest inside their menu and their parent item; defaults stay out.
  EXPECT_NE(text.find(u"object MainMenu1: TMainMenu"), String::npos);
  EXPECT_NE(text.find(u"object Old1: TMenuItem"), String::npos);
  EXPECT_EQ(text.find(u"Enabled = True"), String::npos);
  EXPECT_EQ(text.find(u"ImageIndex"), String::npos);
  auto* copy = new TMenuForm(app.get());
  copy->AfterConstruction();
  ReadComponentText(copy, text);
  String again = WriteComponentText(copy);
  EXPECT_EQ(again.substr(again.find(u'\n')), text.substr(text.find(u'\n')));  // the root's name is made unique
  ASSERT_NE(copy->MainMenu1, nullptr);
  EXPECT_EQ(copy->Menu(), copy->MainMenu1);
  EXPECT_EQ(copy->PopupMenu(), copy->Popup1);
  // The same tree, item by item.
  std::function<void(TMenuItem*, TMenuItem*)> same = [&](TMenuItem* a, TMenuItem* b) {
    ASSERT_EQ(a->Count(), b->Count()) << Utf8(a->Name());
    EXPECT_EQ(a->Name(), b->Name());
    EXPECT_EQ(a->Caption(), b->Caption());
    EXPECT_EQ(a->Checked(), b->Checked());
    EXPECT_EQ(a->Enabled(), b->Enabled());
    EXPECT_EQ(a->Visible(), b->Visible());
    EXPECT_EQ(a->Default(), b->Default());
    EXPECT_EQ(a->RadioItem(), b->RadioItem());
    EXPECT_EQ(a->GroupIndex(), b->GroupIndex());
    EXPECT_EQ(a->Break(), b->Break());
    EXPECT_EQ(a->ShortCut(), b->ShortCut());
    EXPECT_EQ(a->Tag(), b->Tag());
    EXPECT_EQ(static_cast<bool>(a->OnClick()), static_cast<bool>(b->OnClick()));
    for (Integer i = 0; i < a->Count(); ++i) same(a->Items(i), b->Items(i));
  };
  same(form->MainMenu1->Items(), copy->MainMenu1->Items());
  same(form->Popup1->Items(), copy->Popup1->Items());
  EXPECT_TRUE(copy->Popup1->OwnerDraw());
  EXPECT_EQ(copy->Popup1->MenuAnimation(), TMenuAnimation{maNone});
  EXPECT_TRUE(copy->Loud1->Checked());
  EXPECT_FALSE(copy->Quiet1->Checked());
}

TEST_F(MenusTest, AnItemShowsAndRunsItsAction) {
  struct THandlers : public TObject {
    int executed = 0, updated = 0;
    void Execute(TObject*) { ++executed; }
    void Update(TObject* sender) {
      ++updated;
      static_cast<TAction*>(sender)->SetChecked(true);
    }
  } handlers;
  auto* save = new TAction(form);
  save->SetCaption(u"&Save all");
  save->SetImageIndex(3);
  save->SetOnExecute(TNotifyEvent(&handlers, &THandlers::Execute));
  auto* item = new TMenuItem(form);
  form->Popup1->Items()->Add(item);
  item->SetAction(save);
  EXPECT_EQ(item->Caption(), u"&Save all");
  EXPECT_EQ(item->ImageIndex(), 3);
  EXPECT_TRUE(item->Enabled());
  save->SetEnabled(false);
  EXPECT_FALSE(item->Enabled());
  save->SetEnabled(true);
  // A click runs the action; the action updates before its menu drops down.
  item->Click();
  EXPECT_EQ(handlers.executed, 1);
  save->SetOnUpdate(TNotifyEvent(&handlers, &THandlers::Update));
  PostKey(PopupList->Window(), VK_ESCAPE);
  form->Popup1->Popup(100, 100);
  EXPECT_GE(handlers.updated, 1);
  EXPECT_TRUE(item->Checked());
  // What follows the action is not written for the item.
  EXPECT_FALSE(item->IsCaptionStored());
  EXPECT_FALSE(item->IsOnClickStored());
  item->SetCaption(u"Own caption");
  EXPECT_TRUE(item->IsCaptionStored());
  // An action without a handler leaves its items disabled.
  auto* idle = new TAction(form);
  auto* other = new TMenuItem(form);
  form->Popup1->Items()->Add(other);
  other->SetAction(idle);
  EXPECT_FALSE(other->Enabled());
  // The action goes: the item forgets it and keeps its look.
  save->Free();
  EXPECT_EQ(item->Action(), nullptr);
  EXPECT_EQ(item->Caption(), u"Own caption");
}
