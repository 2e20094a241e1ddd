// MDI forms: the frame's client window, its children (made, counted, activated, closed),
// tiling, cascading and arranging icons, the window menu and the child's merged menu.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/FormFixture.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

namespace {

RECT WindowRectIn(HWND wnd, HWND parent) {
  RECT r;
  GetWindowRect(wnd, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// A menu item of the frame under parent (a menu's root or another item).
TMenuItem* AddItem(TComponent* owner, TMenuItem* parent, const char16_t* caption, Byte group = 0) {
  auto* item = new TMenuItem(owner);
  item->SetCaption(caption);
  item->SetGroupIndex(group);
  parent->Add(item);
  return item;
}

bool Overlap(const RECT& a, const RECT& b) {
  RECT i;
  return IntersectRect(&i, &a, &b) != FALSE;
}

class MdiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    app = std::make_unique<TApplication>();
    frame = new TForm(app.get());
    frame->SetFormStyle(fsMDIForm);
    frame->AfterConstruction();
    frame->SetPosition(poDesigned);
    frame->SetBounds(50, 50, 640, 480);
    frame->SetCaption(u"Frame");
  }
  void TearDown() override { app.reset(); }
  TForm* MakeChild(const char16_t* caption) {
    auto* child = new TForm(app.get());
    child->SetFormStyle(fsMDIChild);
    child->SetCaption(caption);
    child->AfterConstruction();
    return child;
  }
  std::unique_ptr<TApplication> app;
  TForm* frame = nullptr;
};

}  // namespace

TEST_F(MdiTest, TheFrameHoldsItsChildrenInTheClientWindow) {
  frame->Show();
  HWND client = frame->ClientHandle();
  ASSERT_NE(client, nullptr);
  wchar_t cls[32] = {};
  GetClassNameW(client, cls, 32);
  EXPECT_EQ(_wcsicmp(cls, L"MDIClient"), 0);
  EXPECT_EQ(GetParent(client), frame->Handle());
  EXPECT_EQ(frame->MDIChildCount(), 0);
  EXPECT_EQ(frame->ActiveMDIChild(), nullptr);
  // The client fills the frame's client area, also after a resize.
  frame->SetBounds(50, 50, 700, 500);
  PumpMessages();
  RECT cr, fr;
  GetClientRect(frame->Handle(), &fr);
  cr = WindowRectIn(client, frame->Handle());
  EXPECT_EQ(cr.right - cr.left, fr.right);
  EXPECT_EQ(cr.bottom - cr.top, fr.bottom);

  TForm* a = MakeChild(u"A");
  TForm* b = MakeChild(u"B");
  TForm* c = MakeChild(u"C");
  EXPECT_TRUE(c->Visible());
  EXPECT_EQ(GetParent(c->Handle()), client);
  EXPECT_TRUE(GetWindowLongW(c->Handle(), GWL_EXSTYLE) & WS_EX_MDICHILD);
  EXPECT_EQ(c->Parent(), nullptr);
  EXPECT_EQ(frame->MDIChildCount(), 3);
  // The order on screen, the front (active) child first.
  EXPECT_EQ(frame->ActiveMDIChild(), c);
  EXPECT_EQ(frame->MDIChildren(0), c);
  EXPECT_EQ(frame->MDIChildren(1), b);
  EXPECT_EQ(frame->MDIChildren(2), a);
  EXPECT_EQ(frame->MDIChildren(3), nullptr);
  SendMessageW(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(a->Handle()), 0);
  EXPECT_EQ(frame->ActiveMDIChild(), a);
  EXPECT_EQ(frame->MDIChildren(0), a);
  // A child that goes leaves the client through it.
  b->Free();
  EXPECT_EQ(frame->MDIChildCount(), 2);
  EXPECT_TRUE(IsWindow(client));
}

TEST_F(MdiTest, TheClientTakesTheRoomTheFramesAlignedControlsLeave) {
  auto* top = new TEdit(frame);  // any control: a bar along the top
  top->SetParent(frame);
  top->SetAutoSize(false);
  top->SetHeight(30);
  top->SetAlign(alTop);
  auto* side = new TEdit(frame);
  side->SetParent(frame);
  side->SetWidth(50);
  side->SetAlign(alLeft);
  frame->Show();
  HWND client = frame->ClientHandle();
  for (TSize size : {TSize(640, 480), TSize(500, 400), TSize(700, 520)}) {
    frame->SetBounds(50, 50, size.cx, size.cy);
    PumpMessages();
    RECT fr;
    GetClientRect(frame->Handle(), &fr);
    RECT cr = WindowRectIn(client, frame->Handle());
    EXPECT_EQ(cr.left, 50) << size.cx;
    EXPECT_EQ(cr.top, 30) << size.cx;
    EXPECT_EQ(cr.right, fr.right) << size.cx;
    EXPECT_EQ(cr.bottom, fr.bottom) << size.cx;
  }
}

TEST_F(MdiTest, TileCascadeAndArrangeIcons) {
  frame->Show();
  std::vector<TForm*> children;
  for (const char16_t* c : {u"1", u"2"}) children.push_back(MakeChild(c));
  HWND client = frame->ClientHandle();
  RECT area;

  // Tiling two children: side by side (vertical) or one above the other (horizontal), no
  // overlap, the client area covered.
  struct Case {
    TTileMode mode;
    bool sideBySide;
  } cases[] = {{tbVertical, true}, {tbHorizontal, false}};
  for (const Case& c : cases) {
    frame->SetTileMode(c.mode);
    frame->Tile();
    GetClientRect(client, &area);  // scroll bars the children needed before are gone now
    RECT r0 = WindowRectIn(children[0]->Handle(), client), r1 = WindowRectIn(children[1]->Handle(), client);
    EXPECT_FALSE(Overlap(r0, r1)) << c.mode;
    // Together they cover the area (the system splits it in whole pixels: a pixel of
    // remainder may stay free at the far edge).
    RECT both;
    UnionRect(&both, &r0, &r1);
    EXPECT_EQ(both.left, 0);
    EXPECT_EQ(both.top, 0);
    EXPECT_NEAR(both.right, area.right, 1) << c.mode;
    EXPECT_NEAR(both.bottom, area.bottom, 1) << c.mode;
    if (c.sideBySide) {
      EXPECT_EQ(r0.bottom - r0.top, area.bottom);
      EXPECT_EQ(r1.bottom - r1.top, area.bottom);
    } else {
      EXPECT_EQ(r0.right - r0.left, area.right);
      EXPECT_EQ(r1.right - r1.left, area.right);
    }
  }

  // Cascading three: one size, each child further right and down than the one in front of it.
  children.push_back(MakeChild(u"3"));
  frame->Cascade();
  std::vector<RECT> stack;
  for (Integer i = frame->MDIChildCount() - 1; i >= 0; --i)
    stack.push_back(WindowRectIn(frame->MDIChildren(i)->Handle(), client));
  ASSERT_EQ(stack.size(), 3u);
  for (size_t i = 1; i < stack.size(); ++i) {
    EXPECT_GT(stack[i].left, stack[i - 1].left);
    EXPECT_GT(stack[i].top, stack[i - 1].top);
    EXPECT_EQ(stack[i].right - stack[i].left, stack[0].right - stack[0].left);
    EXPECT_EQ(stack[i].bottom - stack[i].top, stack[0].bottom - stack[0].top);
  }

  // Icons: minimized children line up along the bottom of the client area.
  children[0]->SetWindowState(wsMinimized);
  children[1]->SetWindowState(wsMinimized);
  PumpMessages();
  ASSERT_TRUE(IsIconic(children[0]->Handle()));
  ASSERT_TRUE(IsIconic(children[1]->Handle()));
  SetWindowPos(children[0]->Handle(), nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  frame->ArrangeIcons();
  GetClientRect(client, &area);
  RECT i0 = WindowRectIn(children[0]->Handle(), client), i1 = WindowRectIn(children[1]->Handle(), client);
  EXPECT_FALSE(Overlap(i0, i1));
  for (const RECT& r : {i0, i1}) {
    EXPECT_GE(r.left, 0);
    EXPECT_LE(r.bottom, area.bottom);
    EXPECT_GT(r.top, area.bottom / 2) << "not along the bottom";
  }
  EXPECT_EQ(i0.top, i1.top);
}

TEST_F(MdiTest, TheWindowMenuListsTheChildrenAndItsEntriesActivateThem) {
  auto* bar = new TMainMenu(frame);
  AddItem(frame, bar->Items(), u"&File");
  TMenuItem* windowItem = AddItem(frame, bar->Items(), u"&Window");
  TMenuItem* tile = AddItem(frame, windowItem, u"&Tile");
  frame->SetMenu(bar);
  frame->SetWindowMenu(windowItem);
  frame->Show();
  EXPECT_EQ(GetMenu(frame->Handle()), bar->Handle());
  TForm* a = MakeChild(u"Alpha");
  TForm* b = MakeChild(u"Beta");
  PumpMessages();
  HMENU wm = windowItem->Handle();
  // "Tile", then the client's entries, one per child.
  auto entryOf = [&](const wchar_t* name) {
    for (int i = 0; i < GetMenuItemCount(wm); ++i) {
      wchar_t t[64] = {};
      GetMenuStringW(wm, static_cast<UINT>(i), t, 64, MF_BYPOSITION);
      if (std::wstring(t).find(name) != std::wstring::npos) return i;
    }
    return -1;
  };
  EXPECT_EQ(entryOf(L"Tile"), 0);
  ASSERT_GT(entryOf(L"Alpha"), 0);
  ASSERT_GT(entryOf(L"Beta"), 0);
  // Choosing Alpha's entry (a command of the client's, not of an item) activates it.
  const UINT alphaId = GetMenuItemID(wm, entryOf(L"Alpha"));
  SendMessageW(frame->Handle(), WM_COMMAND, MAKEWPARAM(alphaId, 0), 0);
  EXPECT_EQ(frame->ActiveMDIChild(), a);
  // A change of the bar keeps the children's entries.
  tile->SetCaption(u"&Tile all");
  EXPECT_EQ(entryOf(L"Tile all"), 0);
  EXPECT_GT(entryOf(L"Alpha"), 0);
  EXPECT_GT(entryOf(L"Beta"), 0);
  b->Free();
  PumpMessages();
  EXPECT_GT(entryOf(L"Alpha"), 0);
  EXPECT_EQ(entryOf(L"Beta"), -1);
}

TEST_F(MdiTest, TheActiveChildsMenuJoinsTheFramesBar) {
  auto* bar = new TMainMenu(frame);
  AddItem(frame, bar->Items(), u"&File");
  AddItem(frame, bar->Items(), u"&Help", 9);
  frame->SetMenu(bar);
  frame->Show();
  TForm* withMenu = MakeChild(u"Document");
  auto* childBar = new TMainMenu(withMenu);
  TMenuItem* docItem = AddItem(withMenu, childBar->Items(), u"&Document", 5);
  withMenu->SetMenu(childBar);
  TForm* plain = MakeChild(u"Plain");
  HMENU frameBar = GetMenu(frame->Handle());
  auto count = [&] { return GetMenuItemCount(frameBar); };
  EXPECT_EQ(frame->ActiveMDIChild(), plain);
  EXPECT_EQ(count(), 2);
  SendMessageW(frame->ClientHandle(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(withMenu->Handle()), 0);
  ASSERT_EQ(frame->ActiveMDIChild(), withMenu);
  EXPECT_EQ(bar->Merged(), childBar);
  // The bar holds File, Document, Help (and, for a maximized child, the system's buttons).
  ASSERT_EQ(count(), 3);
  std::vector<std::wstring> texts;
  for (int i = 0; i < count(); ++i) {
    wchar_t t[32] = {};
    GetMenuStringW(frameBar, static_cast<UINT>(i), t, 32, MF_BYPOSITION);
    texts.push_back(t);
  }
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"&File", L"&Document", L"&Help"}));
  // Its commands come to the frame and reach the child's item.
  Clicks docs;
  docItem->SetOnClick(TNotifyEvent(&docs, &Clicks::Click));
  SendMessageW(frame->Handle(), WM_COMMAND, MAKEWPARAM(docItem->Command(), 0), 0);
  EXPECT_EQ(docs.count, 1);
  SendMessageW(frame->ClientHandle(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(plain->Handle()), 0);
  EXPECT_EQ(bar->Merged(), nullptr);
  EXPECT_EQ(count(), 2);
  // A menu given to the active child shows at once.
  auto* plainBar = new TMainMenu(plain);
  AddItem(plain, plainBar->Items(), u"&View", 5);
  plain->SetMenu(plainBar);
  EXPECT_EQ(bar->Merged(), plainBar);
  EXPECT_EQ(count(), 3);
}

TEST_F(MdiTest, ClosingAChildMinimizesItUnlessItsHandlerFreesIt) {
  frame->Show();
  TForm* child = MakeChild(u"Closable");
  child->Close();
  PumpMessages();
  EXPECT_TRUE(IsIconic(child->Handle()));
  EXPECT_EQ(frame->MDIChildCount(), 1);
  struct TFree : public TObject {
    void Close(TObject*, TCloseAction& action) { action = caFree; }
  } freer;
  child->SetOnClose(TCloseEvent(&freer, &TFree::Close));
  SendMessageW(child->Handle(), WM_CLOSE, 0, 0);
  PumpMessages();
  EXPECT_EQ(frame->MDIChildCount(), 0);
}

TEST(MdiWithoutFrameTest, AChildNeedsAnMdiForm) {
  ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
  TApplication app;
  auto* main = new TForm(&app);
  main->AfterConstruction();
  auto* child = new TForm(&app);
  child->SetFormStyle(fsMDIChild);
  try {
    child->AfterConstruction();
    FAIL() << "an MDI child was made without an MDI form";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), u"Cannot create form. No MDI forms are currently active");
  }
  EXPECT_FALSE(child->HandleAllocated());
  main->Free();
}
