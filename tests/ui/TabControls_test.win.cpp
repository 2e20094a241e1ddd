// The tab control and the page control with its tab sheets: tabs, styles and sizes in the
// window, changes asked and told on clicks, owner-drawn tabs with their rectangles and
// active state, pages as windows of their own placed in the display area.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/FormFixture.h"
#include "support/WindowProbes.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/ImgList.h"
#include "ui/StdCtrls.h"

namespace {

String TabText(HWND tabs, int index) {
  wchar_t buf[64] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = buf;
  item.cchTextMax = 64;
  SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  return String(reinterpret_cast<const Char*>(buf));
}

int TabImage(HWND tabs, int index) {
  TCITEMW item{};
  item.mask = TCIF_IMAGE;
  SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  return item.iImage;
}

TPoint TabCentre(TCustomTabControl* c, int index) {
  const TRect r = c->TabRect(index);
  return c->ClientToScreen(TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
}

class TEvents : public TObject {
 public:
  std::vector<std::string> log;
  bool allow = true;
  TPageControl* pages = nullptr;
  void Change(TObject*) { log.push_back(pages ? "change to " + StringToUtf8(pages->ActivePage()->Name()) : "change"); }
  void Changing(TObject*, bool& allowChange) {
    log.push_back("changing");
    allowChange = allow;
  }
  void Show(TObject* s) { log.push_back("show " + StringToUtf8(static_cast<TComponent*>(s)->Name())); }
  void Hide(TObject* s) { log.push_back("hide " + StringToUtf8(static_cast<TComponent*>(s)->Name())); }
  struct Drawn {
    Integer index;
    TRect rect;
    bool active;
  };
  std::vector<Drawn> drawn;
  void DrawTab(TCustomTabControl*, Integer index, const TRect& rect, bool active) {
    drawn.push_back({index, rect, active});
  }
  void ImageIndex(TObject*, Integer tab, Integer& image) { image = 10 + tab; }
};

class TabControlsTest : public FormTest {
 protected:
  TEvents events;
};

}  // namespace

TEST_F(TabControlsTest, TabControlTabsStylesAndSizesReachTheWindow) {
  LoadForm(
      u"object F: TForm\n"
      u"  object tabs: TTabControl\n"
      u"    Left = 8\n    Top = 8\n    Width = 280\n    Height = 150\n"
      u"    Tabs = (\"One\" \"Two\" \"Three\")\n"
      u"    TabIndex = 1\n"
      u"    TabPosition = tpBottom\n"
      u"    Style = tsButtons\n"
      u"    HotTrack = True\n"
      u"    TabWidth = 60\n"
      u"    TabHeight = 24\n"
      u"    object inside: TPanel\n      Align = alClient\n    end\n"
      u"  end\n"
      u"end\n");
  auto* tabs = Find<TTabControl>(u"tabs");
  HWND h = tabs->Handle();
  ASSERT_EQ(SendMessageW(h, TCM_GETITEMCOUNT, 0, 0), 3);
  const char16_t* kTexts[] = {u"One", u"Two", u"Three"};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(TabText(h, i), kTexts[i]);
  EXPECT_EQ(SendMessageW(h, TCM_GETCURSEL, 0, 0), 1);
  for (LONG bit : {TCS_BOTTOM, TCS_BUTTONS, TCS_HOTTRACK, TCS_FIXEDWIDTH})
    EXPECT_EQ(StyleOf(tabs) & bit, bit) << std::hex << bit;
  EXPECT_EQ(tabs->TabRect(0).Width(), 60);
  EXPECT_EQ(tabs->TabRect(0).Height(), 24);
  // The children fill the display area: above the tabs here.
  EXPECT_EQ(Find<TPanel>(u"inside")->BoundsRect(), tabs->DisplayRect());
  EXPECT_LT(tabs->DisplayRect().Bottom, tabs->TabRect(0).Top);
  // Tabs changed later follow.
  tabs->Tabs()->Insert(0, u"Zero");
  ASSERT_EQ(SendMessageW(h, TCM_GETITEMCOUNT, 0, 0), 4);
  EXPECT_EQ(TabText(h, 0), u"Zero");
  EXPECT_EQ(TabText(h, 3), u"Three");
  tabs->SetTabPosition(tpLeft);
  EXPECT_EQ(StyleOf(tabs) & TCS_VERTICAL, TCS_VERTICAL);
  EXPECT_EQ(SendMessageW(tabs->Handle(), TCM_GETITEMCOUNT, 0, 0), 4);  // the new window has them too
  EXPECT_EQ(Find<TPanel>(u"inside")->BoundsRect(), tabs->DisplayRect());
}

TEST_F(TabControlsTest, MultiLineTabsWrapIntoRowsAndFlatButtonsReachTheWindow) {
  LoadForm(
      u"object F: TForm\n"
      u"  object tabs: TTabControl\n"
      u"    Left = 8\n    Top = 8\n    Width = 150\n    Height = 150\n"
      u"    Tabs = (\"January\" \"February\" \"March\" \"April\" \"May\" \"June\")\n"
      u"    MultiLine = True\n"
      u"    Style = tsFlatButtons\n"
      u"  end\n"
      u"end\n");
  auto* tabs = Find<TTabControl>(u"tabs");
  EXPECT_EQ(StyleOf(tabs) & (TCS_MULTILINE | TCS_BUTTONS | TCS_FLATBUTTONS),
            TCS_MULTILINE | TCS_BUTTONS | TCS_FLATBUTTONS);
  // Six tabs do not fit in one row of 150 pixels: they wrap, and the display area starts below them.
  const LRESULT rows = SendMessageW(tabs->Handle(), TCM_GETROWCOUNT, 0, 0);
  EXPECT_GT(rows, 1);
  EXPECT_GT(tabs->DisplayRect().Top, tabs->TabRect(0).Bottom);
  // One line again: one row that scrolls, and plain tabs.
  tabs->SetMultiLine(false);
  tabs->SetStyle(tsTabs);
  EXPECT_EQ(StyleOf(tabs) & (TCS_MULTILINE | TCS_BUTTONS | TCS_FLATBUTTONS), 0);
  EXPECT_EQ(SendMessageW(tabs->Handle(), TCM_GETROWCOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessageW(tabs->Handle(), TCM_GETITEMCOUNT, 0, 0), 6);
}

TEST_F(TabControlsTest, TabClicksAskBeforeAndTellAfterTheChange) {
  auto* tabs = new TTabControl(form);
  tabs->SetParent(form);
  tabs->SetBounds(8, 8, 260, 120);
  for (const char16_t* t : {u"Alpha", u"Beta", u"Gamma"}) tabs->Tabs()->Add(t);
  tabs->SetTabIndex(0);
  tabs->SetOnChange(TNotifyEvent(&events, &TEvents::Change));
  tabs->SetOnChanging(TTabChangingEvent(&events, &TEvents::Changing));
  ShowInFront();
  ClickAt(TabCentre(tabs, 2));
  PumpMessages(100);
  EXPECT_EQ(tabs->TabIndex(), 2);
  EXPECT_EQ(events.log, (std::vector<std::string>{"changing", "change"}));
  events.log.clear();
  events.allow = false;
  ClickAt(TabCentre(tabs, 1));
  PumpMessages(100);
  EXPECT_EQ(tabs->TabIndex(), 2);
  EXPECT_EQ(events.log, std::vector<std::string>{"changing"});
}

TEST_F(TabControlsTest, OwnerDrawnTabsGetTheirRectanglesAndTheActiveOne) {
  auto* tabs = new TTabControl(form);
  tabs->SetParent(form);
  tabs->SetBounds(8, 8, 260, 120);
  tabs->SetOwnerDraw(true);
  tabs->SetOnDrawTab(TDrawTabEvent(&events, &TEvents::DrawTab));
  for (const char16_t* t : {u"Alpha", u"Beta"}) tabs->Tabs()->Add(t);
  tabs->SetTabIndex(1);
  EXPECT_EQ(StyleOf(tabs) & TCS_OWNERDRAWFIXED, TCS_OWNERDRAWFIXED);
  ShowInFront();
  events.drawn.clear();
  RedrawWindow(tabs->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  for (Integer i = 0; i < 2; ++i) {
    auto it =
        std::find_if(events.drawn.begin(), events.drawn.end(), [&](const TEvents::Drawn& d) { return d.index == i; });
    ASSERT_NE(it, events.drawn.end()) << i;
    // Inside the tab's rectangle (the system keeps a frame around what the owner draws).
    const TRect tab = tabs->TabRect(i);
    EXPECT_GE(it->rect.Left, tab.Left - 2) << i;
    EXPECT_LE(it->rect.Right, tab.Right + 2) << i;
    EXPECT_GT(it->rect.Width(), tab.Width() / 2) << i;
    EXPECT_EQ(it->active, i == 1) << i;
  }
}

TEST_F(TabControlsTest, TabImagesComeFromTheListAndOnGetImageIndex) {
  auto* images = new TImageList(form);
  auto* tabs = new TTabControl(form);
  tabs->SetParent(form);
  tabs->SetBounds(8, 8, 260, 120);
  tabs->SetImages(images);
  for (const char16_t* t : {u"Alpha", u"Beta"}) tabs->Tabs()->Add(t);
  HWND h = tabs->Handle();
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(h, TCM_GETIMAGELIST, 0, 0)), images->Handle());
  EXPECT_EQ(TabImage(h, 1), 1);  // by default a tab shows the image of its index
  tabs->SetOnGetImageIndex(TTabGetImageEvent(&events, &TEvents::ImageIndex));
  images->Change();  // the images are given again
  EXPECT_EQ(TabImage(h, 0), 10);
  EXPECT_EQ(TabImage(h, 1), 11);
  images->Free();
  EXPECT_EQ(SendMessageW(h, TCM_GETIMAGELIST, 0, 0), 0);
}

TEST_F(TabControlsTest, PageControlPagesAreWindowsShownOneAtATime) {
  LoadForm(
      u"object F: TForm\n"
      u"  object pages: TPageControl\n"
      u"    Left = 8\n    Top = 8\n    Width = 280\n    Height = 170\n"
      u"    ActivePage = third\n"
      u"    object first: TTabSheet\n      Caption = \"First\"\n      ImageIndex = 4\n"
      u"      object edit: TEdit\n        Left = 8\n        Top = 8\n      end\n"
      u"    end\n"
      u"    object hidden: TTabSheet\n      Caption = \"Hidden\"\n      TabVisible = False\n    end\n"
      u"    object third: TTabSheet\n      Caption = \"Third\"\n    end\n"
      u"  end\n"
      u"end\n");
  auto* pages = Find<TPageControl>(u"pages");
  auto* first = Find<TTabSheet>(u"first");
  auto* hidden = Find<TTabSheet>(u"hidden");
  auto* third = Find<TTabSheet>(u"third");
  ASSERT_EQ(pages->PageCount(), 3);
  EXPECT_EQ(pages->Pages(1), hidden);
  EXPECT_EQ(hidden->PageIndex(), 1);
  HWND h = pages->Handle();
  ASSERT_EQ(SendMessageW(h, TCM_GETITEMCOUNT, 0, 0), 2);  // the hidden one has no tab
  EXPECT_EQ(TabText(h, 0), u"First");
  EXPECT_EQ(TabText(h, 1), u"Third");
  EXPECT_EQ(TabImage(h, 0), 4);
  EXPECT_EQ(hidden->TabIndex(), -1);
  EXPECT_EQ(third->TabIndex(), 1);
  EXPECT_EQ(pages->ActivePage(), third);
  EXPECT_EQ(SendMessageW(h, TCM_GETCURSEL, 0, 0), 1);
  ShowInFront();
  // Each page is a window of its own inside the page control, filling the display area;
  // only the active one is shown.
  for (TTabSheet* p : {first, hidden, third}) {
    ASSERT_TRUE(p->HandleAllocated());
    EXPECT_EQ(GetParent(p->WindowHandle()), h);
    EXPECT_EQ(p->BoundsRect(), pages->DisplayRect());
    EXPECT_EQ(IsWindowVisible(p->WindowHandle()) != 0, p == third) << StringToUtf8(p->Name());
  }
  // A click on a tab shows its page, before OnChange runs.
  events.pages = pages;
  pages->SetOnChange(TNotifyEvent(&events, &TEvents::Change));
  pages->SetOnChanging(TTabChangingEvent(&events, &TEvents::Changing));
  first->SetOnShow(TNotifyEvent(&events, &TEvents::Show));
  third->SetOnHide(TNotifyEvent(&events, &TEvents::Hide));
  ClickAt(TabCentre(pages, 0));
  PumpMessages(100);
  EXPECT_EQ(pages->ActivePage(), first);
  EXPECT_TRUE(IsWindowVisible(first->WindowHandle()));
  EXPECT_FALSE(IsWindowVisible(third->WindowHandle()));
  EXPECT_EQ(events.log, (std::vector<std::string>{"changing", "hide third", "show first", "change to first"}));
  EXPECT_TRUE(IsWindowVisible(Find<TEdit>(u"edit")->WindowHandle()));
}

TEST_F(TabControlsTest, PagesComeGoAndMoveWithTheirTabs) {
  auto* pages = new TPageControl(form);
  pages->SetParent(form);
  pages->SetBounds(8, 8, 280, 170);
  auto page = [&](const char16_t* caption) {
    auto* p = new TTabSheet(form);
    p->SetCaption(caption);
    p->SetPageControl(pages);
    return p;
  };
  TTabSheet* a = page(u"A");
  TTabSheet* b = page(u"B");
  TTabSheet* c = page(u"C");
  EXPECT_EQ(pages->ActivePage(), a);  // the first page of a page control made by code
  HWND h = pages->Handle();
  c->SetPageIndex(0);
  EXPECT_EQ(TabText(h, 0), u"C");
  EXPECT_EQ(TabText(h, 1), u"A");
  EXPECT_EQ(pages->ActivePageIndex(), 1);
  EXPECT_EQ(SendMessageW(h, TCM_GETCURSEL, 0, 0), 1);  // still on A's tab
  b->SetCaption(u"Bee");
  EXPECT_EQ(TabText(h, 2), u"Bee");
  pages->SelectNextPage(true);
  EXPECT_EQ(pages->ActivePage(), b);
  // The active page goes: the next one shows.
  b->Free();
  EXPECT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(SendMessageW(h, TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(pages->ActivePage(), c);
  // A page put elsewhere leaves the page control.
  a->SetParent(form);
  EXPECT_EQ(a->PageControl(), nullptr);
  EXPECT_EQ(pages->PageCount(), 1);
  EXPECT_EQ(TabText(h, 0), u"C");
}
