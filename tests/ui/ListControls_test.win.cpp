// The list box and the combo box: items (with objects) that the window follows by the
// smallest edit, selection, sorting, styles, owner drawing with its states and rectangles,
// the combo box's child windows and its drop-down events, all driven by real input.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/FormFixture.h"
#include "support/WindowProbes.h"
#include "ui/StdCtrls.h"
#include "ui/Subclass.h"

namespace {

String ListText(HWND list, int index, UINT getText = LB_GETTEXT) {
  wchar_t buf[256] = {};
  SendMessageW(list, getText, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf));
  return String(reinterpret_cast<const Char*>(buf));
}

class TEvents : public TObject {
 public:
  std::vector<std::string> log;
  struct Drawn {
    Integer index;
    TRect rect;
    TOwnerDrawState state;
  };
  std::vector<Drawn> drawn;
  std::vector<Integer> measured;
  void Click(TObject*) { log.push_back("click"); }
  void DblClick(TObject*) { log.push_back("dblclick"); }
  void Change(TObject*) { log.push_back("change"); }
  void Select(TObject*) { log.push_back("select"); }
  void DropDown(TObject*) { log.push_back("dropdown"); }
  void CloseUp(TObject*) { log.push_back("closeup"); }
  void DrawItem(TWinControl* control, Integer index, TRect rect, TOwnerDrawState state) {
    drawn.push_back({index, rect, state});
    // Drawn on Canvas: the control's own DC for the item.
    auto* sys = dynamic_cast<TSystemControl*>(control);
    sys->Canvas()->Brush()->SetColor(state.Contains(odSelected) ? clNavy : clWhite);
    sys->Canvas()->FillRect(rect);
  }
  void MeasureItem(TWinControl*, Integer index, Integer& height) {
    measured.push_back(index);
    height = 12 + 4 * index;
  }
  size_t Count(const std::string& e) const { return static_cast<size_t>(std::count(log.begin(), log.end(), e)); }
};

class ListControlsTest : public FormTest {
 protected:
  TEvents events;
};

}  // namespace

TEST_F(ListControlsTest, ListBoxItemsStylesAndSortingReachTheWindow) {
  LoadForm(
      u"object F: TForm\n"
      u"  object list: TListBox\n"
      u"    Left = 8\n    Top = 8\n    Width = 200\n    Height = 100\n"
      u"    Items = (\"pear\" \"Apple\" \"fig\")\n"
      u"    Sorted = True\n"
      u"    MultiSelect = True\n"
      u"    ExtendedSelect = False\n"
      u"    Columns = 2\n"
      u"  end\n"
      u"end\n");
  auto* list = Find<TListBox>(u"list");
  HWND h = list->Handle();
  EXPECT_NE(StyleOf(list) & LBS_SORT, 0);
  EXPECT_NE(StyleOf(list) & LBS_MULTIPLESEL, 0);
  EXPECT_NE(StyleOf(list) & LBS_MULTICOLUMN, 0);
  ASSERT_EQ(SendMessageW(h, LB_GETCOUNT, 0, 0), 3);
  const char16_t* kSorted[] = {u"Apple", u"fig", u"pear"};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ListText(h, i), kSorted[i]);
  // An object is the item's data; sorted items go to their place.
  TObject marker;
  list->Items()->AddObject(u"banana", &marker);
  EXPECT_EQ(ListText(h, 1), u"banana");
  EXPECT_EQ(SendMessageW(h, LB_GETITEMDATA, 1, 0), reinterpret_cast<LRESULT>(&marker));
  list->SetSelected(0, true);
  list->SetSelected(3, true);
  EXPECT_EQ(list->SelCount(), 2);
  EXPECT_GT(SendMessageW(h, LB_GETSEL, 3, 0), 0);
  // A new window (another style) gets the items and the list's order again.
  list->SetMultiSelect(false);
  list->SetItemIndex(2);
  list->SetSorted(false);
  EXPECT_EQ(StyleOf(list) & (LBS_SORT | LBS_MULTIPLESEL), 0);
  ASSERT_EQ(SendMessageW(list->Handle(), LB_GETCOUNT, 0, 0), 4);
  EXPECT_EQ(ListText(list->Handle(), 2), u"fig");
  EXPECT_EQ(list->ItemIndex(), 2);
}

TEST_F(ListControlsTest, AMultiSelectionListKeepsEverySelectedItemWhenItsWindowIsMadeAgain) {
  LoadForm(
      u"object F: TForm\n"
      u"  object list: TListBox\n"
      u"    Left = 8\n    Top = 8\n    Width = 200\n    Height = 100\n"
      u"    Items = (\"a\" \"b\" \"c\" \"d\" \"e\")\n"
      u"    MultiSelect = True\n"
      u"  end\n"
      u"end\n");
  auto* list = Find<TListBox>(u"list");
  HWND before = list->Handle();
  list->SetSelected(1, true);
  list->SetSelected(3, true);
  SendMessageW(before, LB_SETCARETINDEX, 3, FALSE);
  // Another selection style makes the window again.
  list->SetExtendedSelect(false);
  HWND after = list->Handle();
  ASSERT_NE(StyleOf(list) & LBS_MULTIPLESEL, 0);
  const bool kSelected[] = {false, true, false, true, false};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(SendMessageW(after, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0, kSelected[i]) << "item " << i;
    EXPECT_EQ(list->Selected(i), kSelected[i]) << "item " << i;
  }
  EXPECT_EQ(list->SelCount(), 2);
  EXPECT_EQ(list->ItemIndex(), 3);
  // Leaving multi-selection keeps the focused item as the one selected.
  list->SetMultiSelect(false);
  EXPECT_EQ(list->ItemIndex(), 3);
  EXPECT_EQ(list->SelCount(), 1);
}

TEST_F(ListControlsTest, TheWindowFollowsItsItemsByTheSmallestEdit) {
  auto* list = new TListBox(form);
  list->SetParent(form);
  for (int i = 0; i < 200; ++i) list->Items()->Add(u"item " + IntToStr(i));
  list->SetItemIndex(50);
  TSentMessages sent(list->Handle());
  // A change at one place is one message there; the selection stays on its item.
  const struct {
    const char* what;
    void (*change)(TStringList*);
    size_t inserts, deletes, resets;
  } kCases[] = {
      {"append", [](TStringList* s) { s->Add(u"last"); }, 1, 0, 0},
      {"insert at the head", [](TStringList* s) { s->Insert(0, u"first"); }, 1, 0, 0},
      {"delete in the middle", [](TStringList* s) { s->Delete(100); }, 0, 1, 0},
      {"rename one", [](TStringList* s) { s->SetStrings(10, u"renamed"); }, 1, 1, 0},
      {"a block of changes",
       [](TStringList* s) {
         s->BeginUpdate();
         s->Delete(150);
         s->Delete(150);
         s->Insert(150, u"new");
         s->EndUpdate();
       },
       1, 2, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    sent.seen.clear();
    c.change(list->Items());
    EXPECT_EQ(sent.Count(LB_INSERTSTRING), c.inserts);
    EXPECT_EQ(sent.Count(LB_DELETESTRING), c.deletes);
    EXPECT_EQ(sent.Count(LB_RESETCONTENT), c.resets);
    ASSERT_EQ(SendMessageW(list->Handle(), LB_GETCOUNT, 0, 0), list->Items()->Count());
    for (Integer i = 0; i < list->Items()->Count(); i += 37)
      EXPECT_EQ(ListText(list->Handle(), i), list->Items()->Strings(i));
  }
  EXPECT_EQ(list->Items()->Strings(list->ItemIndex()), u"item 50");
  sent.seen.clear();
  list->Items()->Clear();
  EXPECT_EQ(sent.Count(LB_RESETCONTENT), 1u);
  EXPECT_EQ(sent.Count(LB_DELETESTRING), 0u);
}

TEST_F(ListControlsTest, ListBoxSelectionFollowsClicksAndKeys) {
  LoadForm(
      u"object F: TForm\n"
      u"  object list: TListBox\n"
      u"    Left = 8\n    Top = 8\n    Width = 200\n    Height = 100\n"
      u"    Items = (\"one\" \"two\" \"three\")\n"
      u"    ItemIndex = 0\n"
      u"  end\n"
      u"end\n");
  auto* list = Find<TListBox>(u"list");
  EXPECT_EQ(SendMessageW(list->Handle(), LB_GETCURSEL, 0, 0), 0);
  list->SetOnClick(TNotifyEvent(&events, &TEvents::Click));
  list->SetOnDblClick(TNotifyEvent(&events, &TEvents::DblClick));
  ShowInFront();
  const TRect second = list->ItemRect(1);
  ClickAt(list->ClientToScreen(TPoint(second.Left + 10, (second.Top + second.Bottom) / 2)));
  PumpMessages(100);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(events.Count("click"), 1u);
  PressKey(VK_DOWN);
  PumpMessages(100);
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(events.Count("click"), 2u);
  ClickAt(list->ClientToScreen(TPoint(second.Left + 10, (second.Top + second.Bottom) / 2)), true);
  PumpMessages(100);
  EXPECT_EQ(events.Count("dblclick"), 1u);
  // Set by code: no click.
  list->SetItemIndex(0);
  EXPECT_EQ(events.Count("click"), 3u);
}

TEST_F(ListControlsTest, OwnerDrawnListItemsGetTheirRectanglesStatesAndHeights) {
  auto* fixed = new TListBox(form);
  fixed->SetParent(form);
  fixed->SetBounds(8, 8, 120, 150);
  fixed->SetStyle(lbOwnerDrawFixed);
  fixed->SetItemHeight(20);
  fixed->SetOnDrawItem(TDrawItemEvent(&events, &TEvents::DrawItem));
  for (const char16_t* s : {u"a", u"b", u"c"}) fixed->Items()->Add(s);
  fixed->SetItemIndex(1);
  EXPECT_NE(StyleOf(fixed) & LBS_OWNERDRAWFIXED, 0);
  EXPECT_NE(StyleOf(fixed) & LBS_HASSTRINGS, 0);  // the strings stay readable from the window
  EXPECT_EQ(SendMessageW(fixed->Handle(), LB_GETITEMHEIGHT, 0, 0), 20);
  EXPECT_EQ(ListText(fixed->Handle(), 2), u"c");
  ShowInFront();
  events.drawn.clear();
  RedrawWindow(fixed->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  ASSERT_GE(events.drawn.size(), 3u);
  for (Integer i = 0; i < 3; ++i) {
    auto it =
        std::find_if(events.drawn.begin(), events.drawn.end(), [&](const TEvents::Drawn& d) { return d.index == i; });
    ASSERT_NE(it, events.drawn.end()) << i;
    EXPECT_EQ(it->rect, fixed->ItemRect(i));
    EXPECT_EQ(it->rect.Height(), 20);
    EXPECT_EQ(it->state.Contains(odSelected), i == 1) << i;
  }
  // What the handler drew is on the screen: the selected item navy.
  HDC dc = GetDC(fixed->Handle());
  const TRect sel = fixed->ItemRect(1);
  EXPECT_EQ(GetPixel(dc, sel.Left + 5, sel.Top + 5), ColorToRGB(clNavy));
  ReleaseDC(fixed->Handle(), dc);

  auto* variable = new TListBox(form);
  variable->SetParent(form);
  variable->SetBounds(140, 8, 120, 150);
  variable->SetStyle(lbOwnerDrawVariable);
  variable->SetOnMeasureItem(TMeasureItemEvent(&events, &TEvents::MeasureItem));
  for (const char16_t* s : {u"a", u"b", u"c"}) variable->Items()->Add(s);
  EXPECT_EQ(events.measured, (std::vector<Integer>{0, 1, 2}));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(SendMessageW(variable->Handle(), LB_GETITEMHEIGHT, i, 0), 12 + 4 * i) << i;
}

TEST_F(ListControlsTest, ComboBoxPropertiesAndItsChildWindows) {
  LoadForm(
      u"object F: TForm\n"
      u"  object pick: TComboBox\n"
      u"    Left = 8\n    Top = 8\n    Width = 150\n"
      u"    Style = csDropDownList\n"
      u"    Items = (\"red\" \"green\" \"blue\")\n"
      u"    ItemIndex = 1\n"
      u"    DropDownCount = 5\n"
      u"  end\n"
      u"  object typed: TComboBox\n"
      u"    Left = 8\n    Top = 40\n    Width = 150\n"
      u"    Items = (\"one\" \"two\")\n"
      u"    Text = \"free text\"\n"
      u"    MaxLength = 20\n"
      u"  end\n"
      u"end\n");
  auto* pick = Find<TComboBox>(u"pick");
  auto* typed = Find<TComboBox>(u"typed");
  HWND h = pick->Handle();
  EXPECT_EQ(StyleOf(pick) & 3, CBS_DROPDOWNLIST);
  EXPECT_EQ(SendMessageW(h, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessageW(h, CB_GETMINVISIBLE, 0, 0), 5);
  EXPECT_EQ(ListText(h, 2, CB_GETLBTEXT), u"blue");
  EXPECT_EQ(pick->Text(), u"green");
  EXPECT_EQ(pick->EditHandle(), nullptr);  // a drop-down list has no edit field
  ASSERT_NE(pick->ListHandle(), nullptr);
  EXPECT_EQ(ClassOf(pick->ListHandle()), u"ComboLBox");
  // The text of a drop-down list names its item.
  pick->SetText(u"blue");
  EXPECT_EQ(pick->ItemIndex(), 2);
  EXPECT_EQ(typed->EditHandle(), nullptr);  // no window yet, no child windows
  typed->HandleNeeded();
  ASSERT_NE(typed->EditHandle(), nullptr);
  EXPECT_EQ(ClassOf(typed->EditHandle()), u"Edit");
  EXPECT_EQ(GetParent(typed->EditHandle()), typed->Handle());
  EXPECT_EQ(typed->Text(), u"free text");
  EXPECT_EQ(SendMessageW(typed->EditHandle(), EM_GETLIMITTEXT, 0, 0), 20);
  // The edit field's typing is the combo box's change.
  typed->SetOnChange(TNotifyEvent(&events, &TEvents::Change));
  ShowInFront();
  typed->SetFocus();
  SendMessageW(typed->EditHandle(), EM_SETSEL, 0, -1);
  TypeText(u"ok");
  PumpMessages(100);
  EXPECT_EQ(typed->Text(), u"ok");
  EXPECT_EQ(events.Count("change"), 2u);
  EXPECT_EQ(form->ActiveControl(), typed);  // the edit field's focus is the combo box's
}

TEST_F(ListControlsTest, ComboBoxDropsDownAndSelectsFromItsList) {
  auto* combo = new TComboBox(form);
  combo->SetParent(form);
  combo->SetBounds(8, 8, 150, 25);
  combo->SetStyle(csDropDownList);
  for (const char16_t* s : {u"one", u"two", u"three"}) combo->Items()->Add(s);
  combo->SetOnDropDown(TNotifyEvent(&events, &TEvents::DropDown));
  combo->SetOnCloseUp(TNotifyEvent(&events, &TEvents::CloseUp));
  combo->SetOnSelect(TNotifyEvent(&events, &TEvents::Select));
  combo->SetOnClick(TNotifyEvent(&events, &TEvents::Click));
  TMessageRecorder recorder(combo);
  ShowInFront();
  ClickAt(combo->ClientToScreen(TPoint(combo->Width() - 8, combo->Height() / 2)));
  PumpMessages(150);
  EXPECT_EQ(events.log, std::vector<std::string>{"dropdown"});
  ASSERT_TRUE(combo->DroppedDown());
  ASSERT_TRUE(IsWindowVisible(combo->ListHandle()));
  RECT item{};
  SendMessageW(combo->ListHandle(), LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
  POINT at{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  ClientToScreen(combo->ListHandle(), &at);
  ClickAt({at.x, at.y});
  PumpMessages(150);
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(combo->Text(), u"three");
  EXPECT_EQ(events.Count("closeup"), 1u);
  EXPECT_EQ(events.Count("select"), 1u);
  EXPECT_EQ(events.Count("click"), 1u);
  EXPECT_EQ(recorder.Of(CN_DROPDOWNCLOSED).size(), 1u);
  // Without OnSelect the selection is a change.
  combo->SetOnSelect(nullptr);
  combo->SetOnChange(TNotifyEvent(&events, &TEvents::Change));
  combo->SetFocus();
  PressKey(VK_UP);
  PumpMessages(100);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(events.Count("change"), 1u);
}

TEST_F(ListControlsTest, OwnerDrawnComboBoxDrawsItsEditPartAndItsItems) {
  auto* combo = new TComboBox(form);
  combo->SetParent(form);
  combo->SetBounds(8, 8, 150, 25);
  combo->SetStyle(csOwnerDrawFixed);
  combo->SetItemHeight(18);
  combo->SetOnDrawItem(TDrawItemEvent(&events, &TEvents::DrawItem));
  for (const char16_t* s : {u"one", u"two"}) combo->Items()->Add(s);
  combo->SetItemIndex(1);
  EXPECT_NE(StyleOf(combo) & CBS_OWNERDRAWFIXED, 0);
  EXPECT_EQ(SendMessageW(combo->Handle(), CB_GETITEMHEIGHT, 0, 0), 18);
  ShowInFront();
  events.drawn.clear();
  RedrawWindow(combo->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  // The edit part: the selected item, marked as the edit part, inside the field.
  auto edit = std::find_if(events.drawn.begin(), events.drawn.end(),
                           [](const TEvents::Drawn& d) { return d.state.Contains(odComboBoxEdit); });
  ASSERT_NE(edit, events.drawn.end());
  EXPECT_EQ(edit->index, 1);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetComboBoxInfo(combo->Handle(), &info));
  EXPECT_GE(edit->rect.Left, info.rcItem.left);
  EXPECT_LE(edit->rect.Right, info.rcItem.right);
  // Dropped: the list's items, each at its rectangle of the list.
  events.drawn.clear();
  combo->SetDroppedDown(true);
  PumpMessages(100);
  UpdateWindow(combo->ListHandle());
  for (Integer i = 0; i < 2; ++i) {
    auto it = std::find_if(events.drawn.begin(), events.drawn.end(),
                           [&](const TEvents::Drawn& d) { return d.index == i && !d.state.Contains(odComboBoxEdit); });
    ASSERT_NE(it, events.drawn.end()) << i;
    RECT r{};
    SendMessageW(combo->ListHandle(), LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(it->rect, TRect(r.left, r.top, r.right, r.bottom)) << i;
  }
  combo->SetDroppedDown(false);
}
