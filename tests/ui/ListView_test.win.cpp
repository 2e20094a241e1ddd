// The list view: columns, items with sub-items, images and state from a description in the
// window; selection, column clicks and keys from real input; the custom-draw events with
// their stages, items, sub-items and rectangles, and what the window is answered; OwnerData.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/FormFixture.h"
#include "support/WindowProbes.h"
#include "ui/ComCtrls.h"
#include "ui/ImgList.h"
#include "ui/StoredItems.h"
#include "ui/Subclass.h"

namespace {

String ItemText(HWND lv, int item, int sub) {
  wchar_t buf[128] = {};
  LVITEMW it{};
  it.iSubItem = sub;
  it.pszText = buf;
  it.cchTextMax = 128;
  SendMessageW(lv, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it));
  return String(reinterpret_cast<const Char*>(buf));
}

// The items of the description: caption, image, state image, sub-items.
String ItemData() {
  std::vector<TStoredItem> items(3);
  const char16_t* names[] = {u"alpha.txt", u"beta.png", u"gamma.doc"};
  for (int i = 0; i < 3; ++i) {
    items[static_cast<size_t>(i)].Text = names[i];
    items[static_cast<size_t>(i)].Values = {i, 2 - i, -1, 0};
    items[static_cast<size_t>(i)].Strings = {IntToStr((i + 1) * 100) + u" KB", u"type " + IntToStr(i)};
  }
  TMemoryStream data;
  WriteStoredItems(data, items);
  return DescriptionBytes(data);
}

class TEvents : public TObject {
 public:
  std::vector<std::string> log;
  TListItem* recolored = nullptr;
  void Select(TObject*, TListItem* item, bool selected) {
    log.push_back((selected ? "select " : "deselect ") + StringToUtf8(item->Caption()));
  }
  void Column(TObject*, TListColumn* c) { log.push_back("column " + StringToUtf8(c->Caption())); }
  void Click(TObject*) { log.push_back("click"); }
  void Data(TObject*, TListItem* item) {
    item->SetCaption(u"Row " + IntToStr(item->Index()));
    item->SubItems()->Add(IntToStr(item->Index() * 2));
  }
  // custom draw
  std::vector<std::pair<TCustomDrawStage, TRect>> control;
  std::vector<std::pair<TListItem*, TCustomDrawStage>> items;
  std::vector<std::pair<TListItem*, Integer>> subItems;
  void Control(TCustomListView*, const TRect& r, TCustomDrawStage stage, bool&) { control.push_back({stage, r}); }
  void Item(TCustomListView* lv, TListItem* item, TCustomDrawState, TCustomDrawStage stage, bool&) {
    items.push_back({item, stage});
    if (item == recolored && stage == cdPrePaint) lv->Canvas()->Font()->SetColor(clRed);
  }
  void SubItem(TCustomListView*, TListItem* item, Integer sub, TCustomDrawState, bool&) {
    subItems.push_back({item, sub});
  }
  size_t Count(const std::string& e) const { return static_cast<size_t>(std::count(log.begin(), log.end(), e)); }
};

class ListViewTest : public FormTest {
 protected:
  TCustomListView* Load() {
    LoadForm(
        u"object F: TForm\n"
        u"  object imgs: TImageList\n  end\n"
        u"  object states: TImageList\n  end\n"
        u"  object files: TListView\n"
        u"    Left = 8\n    Top = 8\n    Width = 280\n    Height = 150\n"
        u"    ViewStyle = vsReport\n"
        u"    SmallImages = imgs\n"
        u"    StateImages = states\n"
        u"    MultiSelect = True\n"
        u"    ReadOnly = True\n"
        u"    RowSelect = True\n"
        u"    GridLines = True\n"
        u"    HideSelection = False\n"
        u"    Columns = <\n"
        u"      item\n        Caption = \"Name\"\n        Width = 120\n      end\n"
        u"      item\n        Caption = \"Size\"\n        Width = 70\n        Alignment = taRightJustify\n      end\n"
        u"      item\n        Caption = \"Type\"\n      end>\n"
        u"    Items.ItemData = {" +
        ItemData() +
        u"}\n"
        u"  end\n"
        u"end\n");
    return Find<TListView>(u"files");
  }
  TEvents events;
};

}  // namespace

TEST_F(ListViewTest, ColumnsItemsImagesAndStylesReachTheWindow) {
  TCustomListView* lv = Load();
  HWND h = lv->Handle();
  EXPECT_EQ(StyleOf(lv) & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_NE(StyleOf(lv) & LVS_SHAREIMAGELISTS, 0);  // the lists stay the program's
  EXPECT_EQ(StyleOf(lv) & (LVS_SINGLESEL | LVS_EDITLABELS), 0);
  EXPECT_NE(StyleOf(lv) & LVS_SHOWSELALWAYS, 0);
  const LRESULT ex = SendMessageW(h, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  EXPECT_EQ(ex & (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES), LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(h, LVM_GETIMAGELIST, LVSIL_SMALL, 0)),
            Find<TImageList>(u"imgs")->Handle());
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(h, LVM_GETIMAGELIST, LVSIL_STATE, 0)),
            Find<TImageList>(u"states")->Handle());
  // Columns.
  ASSERT_NE(lv->HeaderHandle(), nullptr);
  EXPECT_EQ(SendMessageW(lv->HeaderHandle(), HDM_GETITEMCOUNT, 0, 0), 3);
  const int kWidths[] = {120, 70, 50};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(SendMessageW(h, LVM_GETCOLUMNWIDTH, i, 0), kWidths[i]) << i;
  wchar_t caption[32] = {};
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT | LVCF_FMT;
  col.pszText = caption;
  col.cchTextMax = 32;
  SendMessageW(h, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&col));
  EXPECT_STREQ(caption, L"Size");
  EXPECT_EQ(col.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_RIGHT);
  // Items, their sub-items, images and state images.
  ASSERT_EQ(SendMessageW(h, LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(lv->Items()->Count(), 3);
  EXPECT_EQ(ItemText(h, 1, 0), u"beta.png");
  EXPECT_EQ(ItemText(h, 1, 1), u"200 KB");
  EXPECT_EQ(ItemText(h, 2, 2), u"type 2");
  for (int i = 0; i < 3; ++i) {
    LVITEMW it{};
    it.mask = LVIF_IMAGE | LVIF_STATE | LVIF_PARAM;
    it.iItem = i;
    it.stateMask = LVIS_STATEIMAGEMASK;
    SendMessageW(h, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    EXPECT_EQ(it.iImage, i);
    EXPECT_EQ(static_cast<int>((it.state & LVIS_STATEIMAGEMASK) >> 12), 3 - i);  // state image + 1
    EXPECT_EQ(reinterpret_cast<TListItem*>(it.lParam), lv->Items()->Items(i));
  }
  // Changed by code: the window follows.
  TListItem* beta = lv->Items()->Items(1);
  beta->SetCaption(u"beta.jpg");
  beta->SubItems()->SetStrings(0, u"1 MB");
  EXPECT_EQ(ItemText(h, 1, 0), u"beta.jpg");
  EXPECT_EQ(ItemText(h, 1, 1), u"1 MB");
  lv->Columns()->Items(0)->SetCaption(u"File");
  SendMessageW(h, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&col));
  EXPECT_STREQ(caption, L"File");
  lv->Items()->Insert(0)->SetCaption(u"first");
  EXPECT_EQ(ItemText(h, 0, 0), u"first");
  EXPECT_EQ(ItemText(h, 2, 1), u"1 MB");
  // Another view: the same items in the window.
  lv->SetViewStyle(vsList);
  EXPECT_EQ(StyleOf(lv) & LVS_TYPEMASK, LVS_LIST);
  lv->SetBorderStyle(bsNone);  // a new window
  EXPECT_EQ(SendMessageW(lv->Handle(), LVM_GETITEMCOUNT, 0, 0), 4);
  EXPECT_EQ(ItemText(lv->Handle(), 2, 0), u"beta.jpg");
}

TEST_F(ListViewTest, SelectionAndColumnClicksFromTheMouseAndKeys) {
  TCustomListView* lv = Load();
  lv->SetOnSelectItem(TLVSelectItemEvent(&events, &TEvents::Select));
  lv->SetOnColumnClick(TLVColumnClickEvent(&events, &TEvents::Column));
  lv->SetOnClick(TNotifyEvent(&events, &TEvents::Click));
  ShowInFront();
  ClickAt(CentreOf(lv, lv->Items()->Items(2)->DisplayRect(drLabel)));
  PumpMessages(150);
  EXPECT_EQ(lv->Selected(), lv->Items()->Items(2));
  EXPECT_EQ(lv->ItemIndex(), 2);
  EXPECT_EQ(events.Count("select gamma.doc"), 1u);
  EXPECT_EQ(events.Count("click"), 1u);
  PressKey(VK_UP);
  PumpMessages(100);
  EXPECT_EQ(lv->Selected(), lv->Items()->Items(1));
  EXPECT_EQ(events.Count("deselect gamma.doc"), 1u);
  EXPECT_EQ(events.Count("select beta.png"), 1u);
  // Shift and the arrow: two selected (MultiSelect).
  PressKey(VK_UP, true);
  PumpMessages(100);
  EXPECT_EQ(lv->SelCount(), 2);
  EXPECT_TRUE(lv->Items()->Items(0)->Selected());
  // The header's second column.
  RECT r{};
  SendMessageW(lv->HeaderHandle(), HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(lv->HeaderHandle(), &p);
  ClickAt({p.x, p.y});
  PumpMessages(150);
  EXPECT_EQ(events.Count("column Size"), 1u);
  // Selected by code.
  lv->SetSelected(lv->Items()->Items(0));
  EXPECT_EQ(SendMessageW(lv->Handle(), LVM_GETSELECTEDCOUNT, 0, 0), 1);
  EXPECT_EQ(lv->ItemFocused(), lv->Items()->Items(0));
}

TEST_F(ListViewTest, CustomDrawEventsGetTheirStagesItemsAndSubItems) {
  TCustomListView* lv = Load();
  events.recolored = lv->Items()->Items(1);
  lv->SetOnAdvancedCustomDraw(TLVAdvancedCustomDrawEvent(&events, &TEvents::Control));
  lv->SetOnAdvancedCustomDrawItem(TLVAdvancedCustomDrawItemEvent(&events, &TEvents::Item));
  lv->SetOnCustomDrawSubItem(TLVCustomDrawSubItemEvent(&events, &TEvents::SubItem));
  TCustomDrawAnswers<NMLVCUSTOMDRAW> answers(form->Handle());
  ShowInFront();
  events.control.clear();
  events.items.clear();
  events.subItems.clear();
  answers.answers.clear();
  RedrawWindow(lv->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  ASSERT_FALSE(events.control.empty());
  EXPECT_EQ(events.control.front().first, cdPrePaint);
  EXPECT_EQ(events.control.front().second, lv->ClientRect());
  EXPECT_NE(std::find_if(events.control.begin(), events.control.end(), [](auto& c) { return c.first == cdPostPaint; }),
            events.control.end());
  for (Integer i = 0; i < 3; ++i) {
    TListItem* item = lv->Items()->Items(i);
    EXPECT_NE(std::find(events.items.begin(), events.items.end(), std::make_pair(item, cdPrePaint)), events.items.end())
        << i;
    for (Integer sub = 1; sub < 3; ++sub)
      EXPECT_NE(std::find(events.subItems.begin(), events.subItems.end(), std::make_pair(item, sub)),
                events.subItems.end())
          << i << "/" << sub;
  }
  // The window was asked for items and sub-items; the recoloured item came back with its
  // new font colour.
  bool askedItems = false, recolored = false;
  for (const auto& a : answers.answers) {
    if (a.stage == CDDS_PREPAINT) askedItems = (a.result & CDRF_NOTIFYITEMDRAW) != 0;
    if (a.stage == CDDS_ITEMPREPAINT && a.item == 1) {
      EXPECT_NE(a.result & CDRF_NOTIFYSUBITEMDRAW, 0);
      recolored = (a.result & CDRF_NEWFONT) && a.info.clrText == ColorToRGB(clRed);
    }
  }
  EXPECT_TRUE(askedItems);
  EXPECT_TRUE(recolored);
}

TEST_F(ListViewTest, OwnerDataItemsComeFromOnData) {
  auto* lv = new TListView(form);
  lv->SetParent(form);
  lv->SetBounds(8, 8, 250, 150);
  lv->SetViewStyle(vsReport);
  lv->Columns()->Add()->SetCaption(u"Row");
  lv->Columns()->Add()->SetCaption(u"Twice");
  lv->SetOwnerData(true);
  lv->SetOnData(TLVOwnerDataEvent(&events, &TEvents::Data));
  lv->Items()->SetCount(1000);
  HWND h = lv->Handle();
  EXPECT_NE(StyleOf(lv) & LVS_OWNERDATA, 0);
  EXPECT_EQ(SendMessageW(h, LVM_GETITEMCOUNT, 0, 0), 1000);
  EXPECT_EQ(ItemText(h, 500, 0), u"Row 500");
  EXPECT_EQ(ItemText(h, 500, 1), u"1000");
  EXPECT_EQ(lv->Items()->Items(7)->Caption(), u"Row 7");
  EXPECT_EQ(lv->Items()->Items(7)->Index(), 7);
  EXPECT_THROW(lv->Items()->Add(), EInvalidOperation);
}
