// The menu line of a skinned form with a main menu: its height in the frame at two PPIs, its
// pixels as the screen shows them (the line's section, the items' texts in the line's colours),
// hit tests over its items, an item selected and opened in the system's menu loop, and the line
// painted again after the menu changed.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "base/kvntUtils.h"
#include "controls/sSkinMenus.h"
#include "forms/sMDIForm.h"
#include "support/FormFixture.h"
#include "support/FormSkin.h"
#include "support/MenuLineSkin.h"
#include "support/MenuLoopShot.h"
#include "ui/Bitmap.h"
#include "ui/GdiScopes.h"
#include "ui/Menus.h"
#include "ui/ScopeGuard.h"

using namespace formskin;
using namespace menuline;

namespace {

TColor ColorOfPixel(uint32_t argb) { return TColor((argb >> 16 & 0xFF) | (argb & 0xFF00) | (argb & 0xFF) << 16); }

// The menu's system metric at a PPI, for the provider's metrics at another PPI than Wine's.
int WINAPI ScaledMetrics(int index, UINT dpi) {
  if (index == SM_CYMENU) return MulDiv(20, int(dpi), 96);
  return MulDiv(GetSystemMetrics(index), int(dpi), 96);
}

class MenuLine : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    menuline::AddSections(*skin);

    menu = new TMainMenu(form);
    file = AddItem(menu->Items(), u"&File");
    AddItem(file, u"&Open");
    AddItem(file, u"E&xit");
    edit = AddItem(menu->Items(), u"&Edit");
    AddItem(edit, u"&Copy");
    view = AddItem(menu->Items(), u"&View");
    form->SetMenu(menu);
  }
  TMenuItem* AddItem(TMenuItem* parent, const String& caption) {
    auto* item = new TMenuItem(form);
    item->SetCaption(caption);
    parent->Add(item);
    return item;
  }
  void SkinAndShow() {
    Skin();
    ShowForm();
    SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
    Pump();
  }
  static void Pump() {
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
  }
  std::unique_ptr<TBitmap> Shot() { return WindowShot(form->Handle()); }
  // An item of the bar in window coordinates.
  TRect ItemRect(Integer position) { return menuline::ItemRect(form->Handle(), position); }
  static Integer Count(TBitmap* bmp, const TRect& r, TColor c) {
    Integer n = 0;
    for (Integer y = r.Top; y < r.Bottom; ++y)
      for (Integer x = r.Left; x < r.Right; ++x) n += bmp->PixelColor(x, y) == c;
    return n;
  }

  TMainMenu* menu = nullptr;
  TMenuItem* file = nullptr;
  TMenuItem* edit = nullptr;
  TMenuItem* view = nullptr;
};

// Whether the provider had its menu line ready when the form was told it is being shown, which
// comes before any paint of the showing.
int menuReadyAtShow = -1;
LRESULT CALLBACK NoteMenuAtShow(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  if (msg == WM_SHOWWINDOW && wp) menuReadyAtShow = reinterpret_cast<TsSkinProvider*>(data)->MenusInitialized ? 1 : 0;
  return DefSubclassProc(wnd, msg, wp, lp);
}

}  // namespace

TEST_F(MenuLine, TheLineIsPreparedWhenTheFormShowsBeforeItsFirstPaint) {
  Skin();
  // The line's painting prepares it too; with skinned popups off only the showing does.
  DuRiruZireziv& manager = skin->skin.Manager;
  manager.SetSkinnedPopups(false);
  const TScopeExit popupsBack([&manager] { manager.SetSkinnedPopups(true); });
  sp->MenusInitialized = false;
  menuReadyAtShow = -1;
  ASSERT_TRUE(SetWindowSubclass(form->Handle(), NoteMenuAtShow, 1, reinterpret_cast<DWORD_PTR>(sp)));
  ShowForm();
  RemoveWindowSubclass(form->Handle(), NoteMenuAtShow, 1);
  EXPECT_EQ(menuReadyAtShow, 1);
  EXPECT_TRUE(sp->MenusInitialized);
}

TEST_F(MenuLine, HeightInTheFrameAtTwoPPIs) {
  SkinAndShow();
  ASSERT_TRUE(sp->IsMenuVisible());
  EXPECT_TRUE(sp->MenuPresent());
  EXPECT_EQ(sp->MenuHeight(), kv_GetSysMetrics(SM_CYMENU, sp->FormPPI()) - 1);
  EXPECT_EQ(sp->LinesCount(), 1);
  // The line fills the frame between the caption and the client (the system may draw a line
  // of its own under the bar).
  const Integer captionBottom = SysBorderHeight(form->Handle(), nullptr, false) + sp->CaptionHeight(true);
  EXPECT_NEAR(sp->OffsetY() - captionBottom, sp->LinesCount() * sp->MenuHeight() + 1, 1);

  const TkvSysMetricsFn saved = kvSysMetricsForDpi;
  kvSysMetricsForDpi = &ScaledMetrics;
  auto scaled = std::make_unique<TkvSkinData>(&skin->skin.Manager, 144);
  scaled->PPI = 144;
  scaled->gd = skin->skin.Data->gd;
  scaled->ma = skin->skin.Data->ma;
  scaled->TitleGlyphs = skin->skin.Data->TitleGlyphs;
  scaled->Reindex();
  sp->FCommonData->SetCommonSkinData(scaled.get());
  sp->InitSysParams(144);
  EXPECT_EQ(sp->FormPPI(), 144);
  EXPECT_EQ(sp->MenuHeight(), 30 - 1);
  sp->FCommonData->SetCommonSkinData(skin->skin.Data);
  sp->InitSysParams(96);
  EXPECT_EQ(sp->MenuHeight(), 20 - 1);
  kvSysMetricsForDpi = saved;
}

TEST_F(MenuLine, FormsWithoutTheirOwnBarHaveNoLine) {
  Skin();
  form->SetMenu(nullptr);
  EXPECT_FALSE(sp->IsMenuVisible());
  EXPECT_EQ(sp->MenuHeight(), 0);
  EXPECT_EQ(sp->LinesCount(), 0);
  form->SetMenu(menu);
  form->SetBorderStyle(bsDialog);
  EXPECT_FALSE(sp->IsMenuVisible());
  EXPECT_FALSE(sp->MenuPresent());
  EXPECT_EQ(sp->MenuHeight(), 0);
  form->SetBorderStyle(bsSizeable);
  // A menu that joins the main form's bar (this form is not the main form).
  ASSERT_NE(Application->MainForm(), static_cast<TCustomForm*>(form));
  menu->SetAutoMerge(true);
  EXPECT_FALSE(sp->IsMenuVisible());
  EXPECT_EQ(sp->MenuHeight(), 0);
}

TEST_F(MenuLine, TheScreenShowsTheSkinnedLineAndItsItems) {
  SkinAndShow();
  ASSERT_NE(sp->MenuLineBmp, nullptr);
  EXPECT_FALSE(sp->MenuLineBmp->Empty());
  auto shot = Shot();
  const TRect last = ItemRect(2);
  const Integer midY = (last.Top + last.Bottom) / 2;
  // Right of the items the line shows its section; the frame's sides stay beside it.
  EXPECT_EQ(shot->PixelColor((last.Right + shot->Width()) / 2, midY), kLine);
  EXPECT_EQ(shot->PixelColor(1, midY), ColorOfPixel(kBorderPixel));
  EXPECT_EQ(shot->PixelColor(shot->Width() - 2, midY), ColorOfPixel(kBorderPixel));
  // Every item: the line behind it, its caption written in the line's colour.
  for (Integer i = 0; i < 3; ++i) {
    const TRect r = ItemRect(i);
    EXPECT_EQ(shot->PixelColor(r.Left + 1, r.Top + 1), kLine) << i;
    EXPECT_GT(Count(shot.get(), r, kLineText), 5) << i;
    EXPECT_EQ(Count(shot.get(), r, kItemHot), 0) << i;
  }
  // The title and the client are where they were.
  EXPECT_EQ(shot->PixelColor(sp->ButtonMin.cpRect.Left - 12, sp->VCenter), kTitleActive);
  POINT client{form->ClientWidth() / 2, form->ClientHeight() / 2};
  ClientToScreen(form->Handle(), &client);
  RECT wr{};
  GetWindowRect(form->Handle(), &wr);
  EXPECT_EQ(shot->PixelColor(client.x - wr.left, client.y - wr.top), kClientActive);
}

TEST_F(MenuLine, HitTestsOverTheItems) {
  SkinAndShow();
  for (Integer i = 0; i < 3; ++i) {
    const TRect r = ItemRect(i);
    EXPECT_EQ(HitTest((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2), HTMENU) << i;
    const TPoint p = Screen((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    TMessage m{};
    m.Msg = WM_NCHITTEST;
    m.LParam = MAKELPARAM(p.X, p.Y);
    EXPECT_EQ(sp->HTProcess(m), HTMENU) << i;
  }
  EXPECT_EQ(HitTest(sp->ButtonMin.cpRect.Left - 12, sp->VCenter), HTCAPTION);
  POINT client{form->ClientWidth() / 2, form->ClientHeight() / 2};
  ClientToScreen(form->Handle(), &client);
  EXPECT_EQ(SendMessageW(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(client.x, client.y)), HTCLIENT);
}

TEST_F(MenuLine, AnItemRepaintsAloneInItsSelectedLook) {
  SkinAndShow();
  const TRect r = ItemRect(1);
  sp->RepaintMenuItem(edit, r, TOwnerDrawState{odSelected});
  auto shot = Shot();
  EXPECT_EQ(shot->PixelColor(r.Left + 1, r.Top + 1), kItemHot);
  EXPECT_GT(Count(shot.get(), r, kLineHotText), 5);
  // Its neighbours stay at rest; back to normal it shows the line again.
  const TRect other = ItemRect(0);
  EXPECT_EQ(shot->PixelColor(other.Left + 1, other.Top + 1), kLine);
  sp->RepaintMenuItem(edit, r, TOwnerDrawState{});
  EXPECT_EQ(Shot()->PixelColor(r.Left + 1, r.Top + 1), kLine);
  // A disabled item is mixed back towards the line: its text is no longer in the text colour.
  edit->SetEnabled(false);
  sp->RepaintMenuItem(edit, r, TOwnerDrawState{});
  shot = Shot();
  EXPECT_EQ(shot->PixelColor(r.Left + 1, r.Top + 1), kLine);
  EXPECT_EQ(Count(shot.get(), r, kLineText), 0);
}

TEST_F(MenuLine, AnItemIsSelectedAndOpenedInTheMenuLoop) {
  SkinAndShow();
  const TRect r = ItemRect(0);
  // Alt+F: the bar's first item is selected and its menu drops down.
  const MenuLoopShot seen = ShotInMenuLoop(form->Handle(), 'f');
  ASSERT_NE(seen.shot, nullptr);
  EXPECT_TRUE(seen.popup);
  EXPECT_EQ(seen.shot->PixelColor(r.Left + 1, r.Top + 1), kItemHot);
  EXPECT_GT(Count(seen.shot.get(), r, kLineHotText), 5);
  Pump();
  // After the loop the item is at rest again.
  EXPECT_EQ(Shot()->PixelColor(r.Left + 1, r.Top + 1), kLine);
}

TEST_F(MenuLine, TheLineIsPaintedAgainAfterTheMenuChanged) {
  SkinAndShow();
  AddItem(menu->Items(), u"&Help");
  Pump();
  ASSERT_EQ(GetMenuItemCount(GetMenu(form->Handle())), 4);
  const TRect r = ItemRect(3);
  auto shot = Shot();
  EXPECT_EQ(shot->PixelColor(r.Left + 1, r.Top + 1), kLine);
  EXPECT_GT(Count(shot.get(), r, kLineText), 5);
  // A caption that changes shows at once.
  const TRect before = ItemRect(2);
  view->SetCaption(u"&Window list");
  Pump();
  const TRect after = ItemRect(2);
  EXPECT_GT(after.Width(), before.Width());
  shot = Shot();
  EXPECT_GT(Count(shot.get(), TRect(before.Right, after.Top, after.Right, after.Bottom), kLineText), 3);
}

TEST_F(MenuLine, SystemMenuDropsWithoutSizeAndOthersPassUnchanged) {
  SkinAndShow();
  // A window menu of the test's own, as the system hands it over with the system-menu flag.
  HMENU sys = CreatePopupMenu();
  ASSERT_NE(sys, nullptr);
  AppendMenuW(sys, MF_STRING, SC_MOVE, L"Move");
  AppendMenuW(sys, MF_STRING, SC_SIZE, L"Size");
  skin->skin.Manager.SetSkinnedPopups(false);
  SendMessageW(form->Handle(), WM_INITMENUPOPUP, WPARAM(sys), MAKELPARAM(0, 1));
  EXPECT_FALSE(GetMenuState(sys, SC_SIZE, MF_BYCOMMAND) & MF_GRAYED);
  skin->skin.Manager.SetSkinnedPopups(true);
  kvCanHookMenu = true;
  SendMessageW(form->Handle(), WM_INITMENUPOPUP, WPARAM(sys), MAKELPARAM(0, 1));
  EXPECT_TRUE(GetMenuState(sys, SC_SIZE, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_TRUE(kvCanHookMenu);
  EXPECT_FALSE(GetMenuState(sys, SC_MOVE, MF_BYCOMMAND) & MF_GRAYED);
  SendMessageW(form->Handle(), WM_INITMENUPOPUP, WPARAM(file->Handle()), MAKELPARAM(0, 0));
  EXPECT_FALSE(kvCanHookMenu);
  DestroyMenu(sys);
}

TEST_F(MenuLine, ANarrowFormWrapsItsBarAndAWideOneDoesNot) {
  for (const char16_t* caption : {u"&Tools", u"&Options", u"&Window", u"&Help"}) AddItem(menu->Items(), caption);
  // Seven items need more than the fixture's width: the form starts wide enough for one line.
  form->SetWidth(600);
  SkinAndShow();
  EXPECT_EQ(sp->LinesCount(), 1);
  form->SetWidth(140);
  Pump();
  sp->RepaintMenu();
  EXPECT_GE(sp->LinesCount(), 2);
  const Integer captionBottom = SysBorderHeight(form->Handle(), nullptr, false) + sp->CaptionHeight(true);
  EXPECT_NEAR(sp->OffsetY() - captionBottom, sp->LinesCount() * sp->MenuHeight() + 1, sp->LinesCount());
  form->SetWidth(600);
  Pump();
  sp->RepaintMenu();
  EXPECT_EQ(sp->LinesCount(), 1);
}

namespace {

// A skinned MDI main form with a main menu whose "Window" item lists the children.
class MdiMenuLine : public SkinnedMdiFrame {
 protected:
  void SetUp() override {
    SkinnedMdiFrame::SetUp();
    auto* menu = new TMainMenu(frame);
    auto* file = new TMenuItem(frame);
    file->SetCaption(u"&File");
    menu->Items()->Add(file);
    window = new TMenuItem(frame);
    window->SetCaption(u"&Window");
    menu->Items()->Add(window);
    auto* cascade = new TMenuItem(frame);
    cascade->SetCaption(u"&Cascade");
    window->Add(cascade);
    frame->SetMenu(menu);
    frame->SetWindowMenu(window);
    PumpMessages();
  }
  LRESULT DropWindowMenu() {
    return SendMessageW(frame->Handle(), WM_INITMENUPOPUP, WPARAM(window->Handle()), MAKELPARAM(1, 0));
  }
  std::vector<TMenuItem*> ChildItems() {
    std::vector<TMenuItem*> items;
    for (Integer i = 0; i < window->Count(); ++i)
      if (window->Items(i)->Tag() & 0x200) items.push_back(window->Items(i));
    return items;
  }

  TMenuItem* window = nullptr;
};

}  // namespace

TEST_F(MdiMenuLine, WindowMenuListsTheVisibleChildrenAndClickingOneBringsItToTheFront) {
  TForm* a = MakeChild(u"Alpha");
  TForm* b = MakeChild(u"Beta");
  b->Hide();
  a->BringToFront();
  PumpMessages();
  DropWindowMenu();
  std::vector<TMenuItem*> items = ChildItems();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0]->Caption(), u"Alpha");
  EXPECT_TRUE(items[0]->Checked());
  // A separator parts the window menu's own items from the children's.
  const Integer at = window->IndexOf(items[0]);
  ASSERT_GE(at, 1);
  EXPECT_EQ(window->Items(at - 1)->Caption(), u"-");
  EXPECT_EQ(window->Items(0)->Caption(), u"&Cascade");

  // Dropped again: the items are made anew, not added twice, and one separator stays.
  DropWindowMenu();
  EXPECT_EQ(ChildItems().size(), 1u);
  Integer separators = 0;
  for (Integer i = 0; i < window->Count(); ++i) separators += window->Items(i)->Caption() == u"-";
  EXPECT_EQ(separators, 1);

  // Both visible: the click on the second child's item brings it to the front.
  b->Show();
  a->BringToFront();
  PumpMessages();
  ASSERT_EQ(frame->ActiveMDIChild(), static_cast<TCustomForm*>(a));
  DropWindowMenu();
  items = ChildItems();
  ASSERT_EQ(items.size(), 2u);
  TMenuItem* other = nullptr;
  for (TMenuItem* item : items)
    if (item->Caption() == u"Beta") other = item;
  ASSERT_NE(other, nullptr);
  EXPECT_FALSE(other->Checked());
  other->Click();
  PumpMessages();
  EXPECT_EQ(frame->ActiveMDIChild(), static_cast<TCustomForm*>(b));
}

TEST_F(MdiMenuLine, TheMenuFilterHookLivesWhileTheFormIsSkinned) {
  MakeChild(u"Alpha");
  ASSERT_EQ(MDISkinProvider, sp);
  // Inside menu tracking a press right of the bar's last item is eaten; one on an item is not.
  sp->LastMenuItemRect = TRect(100, 60, 140, 78);
  MSG msg{};
  msg.message = WM_LBUTTONDOWN;
  const Integer formRight = frame->Left() + frame->Width();
  SetCursorPos(120, 70);
  EXPECT_EQ(CallMsgFilterW(&msg, MSGF_MENU), FALSE);
  SetCursorPos((140 + formRight) / 2, 70);
  EXPECT_EQ(CallMsgFilterW(&msg, MSGF_MENU), TRUE);
  msg.message = WM_KEYDOWN;
  EXPECT_EQ(CallMsgFilterW(&msg, MSGF_MENU), FALSE);
  // Unhooked with the MDI support.
  msg.message = WM_LBUTTONDOWN;
  HookMDI(*sp, false);
  EXPECT_EQ(CallMsgFilterW(&msg, MSGF_MENU), FALSE);
}
