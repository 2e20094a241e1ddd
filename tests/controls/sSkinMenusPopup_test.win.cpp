// A real skinned popup under the display: shown with Popup(x, y), an item picked with the
// keyboard, measured and drawn by the painter, its frame applied once, its cached background
// dropped when it closes, and the painter's handlers gone when the skin is.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "controls/sSkinMenus.h"
#include "skin/SkinState.h"
#include "support/SkinFixture.h"
#include "ui/Forms.h"

namespace {

struct Picked : TObject {
  TMenuItem* item = nullptr;
  void Click(TObject* sender) { item = static_cast<TMenuItem*>(sender); }
};

struct Seen : TObject {
  int draws = 0, measures = 0;
  void Drawn(TMenuItem*, TCanvas*, TsMenuItemType, TOwnerDrawState, TRect) { ++draws; }
};
Seen* seen = nullptr;
TsSkinableMenus* painter = nullptr;
size_t cachedWhileOpen = 0;
HWND menuWindow = nullptr;

BOOL CALLBACK FindMenuWindow(HWND wnd, LPARAM) {
  wchar_t cls[16]{};
  GetClassNameW(wnd, cls, 16);
  if (lstrcmpW(cls, L"#32768") == 0 && IsWindowVisible(wnd)) {
    menuWindow = wnd;
    return FALSE;
  }
  return TRUE;
}

// Runs inside the menu's loop: once the popup is up and drawn, two downs and Enter.
void CALLBACK PickSecond(HWND, UINT, UINT_PTR id, DWORD) {
  menuWindow = nullptr;
  EnumWindows(FindMenuWindow, 0);
  if (!menuWindow || seen->draws == 0) return;
  KillTimer(nullptr, id);
  cachedWhileOpen = painter->CachedPopups();
  for (WPARAM key : {WPARAM(VK_DOWN), WPARAM(VK_DOWN), WPARAM(VK_RETURN)}) PostMessageW(menuWindow, WM_KEYDOWN, key, 0);
}

}  // namespace

TEST(SkinnedPopup, ShownPickedByKeyboardDrawnByThePainterAndLetGo) {
  ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "window tests need a display";
  TApplication app;
  sSkinMenusStartup();
  SkinFixture skin;
  ASSERT_EQ(DefaultManager, &skin.Manager);
  TsGeneralData frame = PlainSection(u"MAINMENU", 0, 0x00E0D0C0);
  frame.BorderRadius = 12;  // a rounded frame: the window gets a region
  skin.Manager.SkinCommonInfo.Sections[ssMainMenu] = skin.AddSection(frame);
  skin.Manager.SkinCommonInfo.Sections[ssMenuItem] = skin.AddSection(PlainSection(u"MENUITEM", 0, 0x002040F0, 2));

  auto* form = new TForm(&app);
  form->AfterConstruction();
  form->SetBounds(100, 100, 300, 200);
  form->Show();
  auto* menu = new TPopupMenu(form);
  Picked picked;
  std::vector<TMenuItem*> items;
  for (const char16_t* caption : {u"First", u"Second", u"Third"}) {
    auto* item = new TMenuItem(form);
    item->SetCaption(caption);
    item->SetOnClick(TNotifyEvent(&picked, &Picked::Click));
    menu->Items()->Add(item);
    items.push_back(item);
  }

  painter = SkinableMenus();
  ASSERT_NE(painter, nullptr);
  painter->UpdateMenus();  // a new skin: the application's menus are taken over
  ASSERT_TRUE(items[0]->OnAdvancedDrawItem());
  Seen counts;
  seen = &counts;
  painter->OnDrawItem = TsMenuDrawItemEvent(&counts, &Seen::Drawn);
  kvCanHookMenu = false;

  SetTimer(nullptr, 0, 50, PickSecond);
  menu->Popup(200, 150);
  app.ProcessMessages();  // the chosen item's command

  EXPECT_EQ(picked.item, items[1]);
  EXPECT_TRUE(kvCanHookMenu);              // the items were measured by the painter
  EXPECT_GE(counts.draws, 3);              // and drawn by it
  EXPECT_EQ(cachedWhileOpen, 1u);          // one background for the open popup
  EXPECT_EQ(painter->FramesApplied, 1);    // the frame once, though the first item was drawn again
  EXPECT_EQ(painter->CachedPopups(), 0u);  // dropped when the popup closed

  // The skin goes: the painter lets go of the items.
  skin.Manager.SkinCommonInfo.Active = false;
  painter->UpdateMenus();
  for (TMenuItem* item : items) {
    EXPECT_FALSE(item->OnAdvancedDrawItem());
    EXPECT_FALSE(item->OnMeasureItem());
  }
  painter->OnDrawItem = {};
  seen = nullptr;
  painter = nullptr;
  sSkinMenusCleanup();
}
