// The standard controls of StdCtrls.h over their system windows: made from a description,
// their properties reach the window (read back with the window's own messages and styles),
// and their events fire on input the system delivers (clicks, keys, typing).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/FormFixture.h"
#include "support/WindowProbes.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"

namespace {

// Counts events of any signature the tests bind.
class TEvents : public TObject {
 public:
  std::vector<std::string> log;
  void Click(TObject* sender) { log.push_back("click " + Name(sender)); }
  void Change(TObject* sender) { log.push_back("change " + Name(sender)); }
  void Scroll(TObject*, TScrollCode code, Integer& pos) {
    log.push_back("scroll " + std::string(StringToUtf8(EnumInfoOf<TScrollCode>().NameOf(code))) + " " +
                  std::to_string(pos));
  }
  size_t Count(const std::string& entry) const {
    return static_cast<size_t>(std::count(log.begin(), log.end(), entry));
  }

 private:
  static std::string Name(TObject* sender) { return StringToUtf8(static_cast<TComponent*>(sender)->Name()); }
};

class StdControlsTest : public FormTest {
 protected:
  TEvents events;
};

}  // namespace

TEST_F(StdControlsTest, EditPropertiesReachTheWindow) {
  LoadForm(
      u"object F: TForm\n"
      u"  object ed: TEdit\n"
      u"    Left = 8\n    Top = 8\n    Width = 150\n"
      u"    Text = \"abc\"\n"
      u"    TextHint = \"Search here\"\n"
      u"    Alignment = taRightJustify\n"
      u"    MaxLength = 12\n"
      u"    ReadOnly = True\n"
      u"    PasswordChar = \"*\"\n"
      u"    Ctl3D = False\n"
      u"    BevelKind = bkFlat\n"
      u"    BevelInner = bvNone\n"
      u"    BevelOuter = bvRaised\n"
      u"    BevelWidth = 2\n"
      u"  end\n"
      u"end\n");
  auto* ed = Find<TEdit>(u"ed");
  HWND h = ed->Handle();
  wchar_t cue[64] = {};
  ASSERT_TRUE(SendMessageW(h, EM_GETCUEBANNER, reinterpret_cast<WPARAM>(cue), 64));
  EXPECT_STREQ(cue, L"Search here");
  EXPECT_NE(StyleOf(ed) & ES_RIGHT, 0);
  EXPECT_NE(StyleOf(ed) & ES_READONLY, 0);
  EXPECT_NE(StyleOf(ed) & ES_PASSWORD, 0);
  EXPECT_EQ(SendMessageW(h, EM_GETLIMITTEXT, 0, 0), 12);
  EXPECT_EQ(SendMessageW(h, EM_GETPASSWORDCHAR, 0, 0), '*');
  EXPECT_EQ(WindowString(h), u"abc");
  // Without Ctl3D the border is the edit's own flat line (drawn inside its client area), not
  // the sunken client edge; the bevel (one raised edge, 2 pixels) lies around the window's
  // client area.
  auto frame = [&] {
    RECT window{}, client{};
    GetWindowRect(ed->Handle(), &window);
    GetClientRect(ed->Handle(), &client);
    return (window.right - window.left) - client.right;
  };
  EXPECT_EQ(ExStyleOf(ed) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(frame(), 2 * 2);
  EXPECT_EQ(ed->BevelSize(), TRect(2, 2, 2, 2));
  // With Ctl3D the system's sunken edge (2 pixels) comes inside the bevel.
  ed->SetCtl3D(true);
  EXPECT_NE(ExStyleOf(ed) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(frame(), 2 * (2 + GetSystemMetrics(SM_CXEDGE)));
  h = ed->Handle();
  // Changed at run time: the window follows.
  ed->SetTextHint(u"Other");
  SendMessageW(h, EM_GETCUEBANNER, reinterpret_cast<WPARAM>(cue), 64);
  EXPECT_STREQ(cue, L"Other");
  ed->SetAlignment(taCenter);
  EXPECT_NE(StyleOf(ed) & ES_CENTER, 0);
  EXPECT_EQ(WindowString(ed->Handle()), u"abc");  // kept across the new window
  ed->SetReadOnly(false);
  EXPECT_EQ(StyleOf(ed) & ES_READONLY, 0);
}

TEST_F(StdControlsTest, EditEventsFireOnTypingAndClicking) {
  LoadForm(
      u"object F: TForm\n"
      u"  object ed: TEdit\n    Left = 8\n    Top = 8\n    Width = 150\n  end\n"
      u"end\n");
  auto* ed = Find<TEdit>(u"ed");
  ed->SetOnChange(TNotifyEvent(&events, &TEvents::Change));
  ed->SetOnClick(TNotifyEvent(&events, &TEvents::Click));
  ShowInFront();
  ClickAt(CentreOf(ed));
  PumpMessages(100);
  EXPECT_EQ(events.Count("click ed"), 1u);
  EXPECT_TRUE(ed->Focused());
  TypeText(u"hey");
  PumpMessages(100);
  EXPECT_EQ(ed->Text(), u"hey");
  EXPECT_EQ(events.Count("change ed"), 3u);
}

TEST_F(StdControlsTest, MemoLinesScrollBarsAndTheKeysItWants) {
  LoadForm(
      u"object F: TForm\n"
      u"  object memo: TMemo\n"
      u"    Left = 8\n    Top = 8\n    Width = 200\n    Height = 80\n"
      u"    Lines = (\"one\" \"two\")\n"
      u"    ScrollBars = ssVertical\n"
      u"    WordWrap = False\n"
      u"    WantReturns = False\n"
      u"    WantTabs = True\n"
      u"  end\n"
      u"  object after: TEdit\n    Left = 8\n    Top = 100\n  end\n"
      u"end\n");
  auto* memo = Find<TMemo>(u"memo");
  auto* after = Find<TEdit>(u"after");
  HWND h = memo->Handle();
  EXPECT_EQ(WindowString(h), u"one\r\ntwo");
  EXPECT_NE(StyleOf(memo) & ES_MULTILINE, 0);
  EXPECT_NE(StyleOf(memo) & WS_VSCROLL, 0);
  EXPECT_EQ(StyleOf(memo) & WS_HSCROLL, 0);
  EXPECT_NE(StyleOf(memo) & ES_AUTOHSCROLL, 0);  // no word wrap: lines scroll sideways
  EXPECT_EQ(StyleOf(memo) & ES_WANTRETURN, 0);
  const LRESULT code = SendMessageW(h, WM_GETDLGCODE, 0, 0);
  EXPECT_NE(code & DLGC_WANTTAB, 0);
  EXPECT_EQ(code & DLGC_WANTALLKEYS, 0);
  // Lines set by code reach the window; text the user types reaches Lines.
  memo->Lines()->Add(u"three");
  EXPECT_EQ(WindowString(h), u"one\r\ntwo\r\nthree");
  ShowInFront();
  memo->SetFocus();
  SendMessageW(h, EM_SETSEL, 0, 0);
  TypeText(u"X");
  PressKey(VK_TAB);  // wanted: goes into the text
  PumpMessages(100);
  ASSERT_EQ(memo->Lines()->Count(), 3);
  EXPECT_EQ(memo->Lines()->Strings(0), u"X\tone");
  EXPECT_TRUE(memo->Focused());
  // Not wanted any more: Tab moves the focus on.
  memo->SetWantTabs(false);
  PressKey(VK_TAB);
  PumpMessages(100);
  EXPECT_TRUE(after->Focused());
  // Word wrap takes the sideways scrolling away (a new window, the text kept).
  memo->SetWordWrap(true);
  EXPECT_EQ(StyleOf(memo) & ES_AUTOHSCROLL, 0);
  EXPECT_EQ(memo->Lines()->Strings(2), u"three");
}

TEST_F(StdControlsTest, StaticTextStylesAndItsAcceleratorFocusesItsControl) {
  LoadForm(
      u"object F: TForm\n"
      u"  object caption: TStaticText\n"
      u"    Left = 8\n    Top = 8\n"
      u"    Caption = \"&Name\"\n"
      u"    Alignment = taCenter\n"
      u"    BorderStyle = sbsSunken\n"
      u"    BevelKind = bkTile\n"
      u"    FocusControl = ed\n"
      u"  end\n"
      u"  object first: TEdit\n    Left = 8\n    Top = 40\n  end\n"
      u"  object ed: TEdit\n    Left = 8\n    Top = 70\n  end\n"
      u"end\n");
  auto* text = Find<TStaticText>(u"caption");
  EXPECT_EQ(WindowString(text->Handle()), u"&Name");
  EXPECT_EQ(StyleOf(text) & SS_TYPEMASK, SS_CENTER);
  EXPECT_NE(StyleOf(text) & SS_SUNKEN, 0);
  EXPECT_NE(StyleOf(text) & SS_NOTIFY, 0);
  EXPECT_EQ(text->BevelSize(), TRect(2, 2, 2, 2));  // the default cuts, lowered and raised
  // AutoSize: the control fits its caption (plus the border and the bevel).
  EXPECT_GT(text->Width(), 20);
  EXPECT_LT(text->Width(), 80);
  text->SetOnClick(TNotifyEvent(&events, &TEvents::Click));
  ShowInFront();
  Find<TEdit>(u"first")->SetFocus();
  PressKey('N', false, false, true);
  PumpMessages(100);
  EXPECT_TRUE(Find<TEdit>(u"ed")->Focused());
  ClickAt(CentreOf(text));
  PumpMessages(100);
  EXPECT_EQ(events.Count("click caption"), 1u);
}

TEST_F(StdControlsTest, GroupBoxHoldsItsChildrenBelowTheCaptionAndTakesTheMouse) {
  LoadForm(
      u"object F: TForm\n"
      u"  object group: TGroupBox\n"
      u"    Left = 8\n    Top = 8\n    Width = 200\n    Height = 120\n"
      u"    Caption = \"Options\"\n"
      u"    object inside: TPanel\n      Align = alClient\n    end\n"
      u"  end\n"
      u"end\n");
  auto* group = Find<TGroupBox>(u"group");
  auto* inside = Find<TPanel>(u"inside");
  EXPECT_EQ(StyleOf(group) & BS_TYPEMASK, BS_GROUPBOX);
  EXPECT_EQ(WindowString(group->Handle()), u"Options");
  // The child fills the frame below the caption.
  TEXTMETRICW tm{};
  {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, group->Font()->Handle());
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
  }
  EXPECT_GE(inside->Top(), tm.tmHeight);
  EXPECT_GT(inside->Left(), 0);
  EXPECT_LT(inside->Left() + inside->Width(), group->Width());
  EXPECT_LT(inside->Top() + inside->Height(), group->Height());
  // The system's group box lets the mouse through; the library's takes it.
  ShowInFront();
  const TPoint edge = group->ClientToScreen(TPoint(2, group->Height() - 2));
  EXPECT_EQ(SendMessageW(group->Handle(), WM_NCHITTEST, 0, MAKELPARAM(edge.X, edge.Y)), HTCLIENT);
  POINT p{edge.X, edge.Y};
  EXPECT_EQ(WindowFromPoint(p), group->Handle());
}

TEST_F(StdControlsTest, CheckBoxStatesCycleOnClicksAndReachTheWindow) {
  LoadForm(
      u"object F: TForm\n"
      u"  object box: TCheckBox\n"
      u"    Left = 8\n    Top = 8\n    Width = 150\n"
      u"    Caption = \"&Tristate\"\n"
      u"    AllowGrayed = True\n"
      u"    State = cbGrayed\n"
      u"    Alignment = taLeftJustify\n"
      u"    WordWrap = True\n"
      u"  end\n"
      u"end\n");
  auto* box = Find<TCheckBox>(u"box");
  HWND h = box->Handle();
  EXPECT_EQ(StyleOf(box) & BS_TYPEMASK, BS_3STATE);
  EXPECT_NE(StyleOf(box) & BS_LEFTTEXT, 0);
  EXPECT_NE(StyleOf(box) & BS_MULTILINE, 0);
  EXPECT_EQ(SendMessageW(h, BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  box->SetOnClick(TNotifyEvent(&events, &TEvents::Click));
  ShowInFront();
  // Grayed, checked, unchecked, grayed: each click one step, each step one OnClick.
  const struct {
    TCheckBoxState state;
    LRESULT check;
  } kCycle[] = {{cbChecked, BST_CHECKED}, {cbUnchecked, BST_UNCHECKED}, {cbGrayed, BST_INDETERMINATE}};
  size_t clicks = 0;
  for (const auto& step : kCycle) {
    ClickAt(CentreOf(box));
    PumpMessages(80);
    EXPECT_EQ(box->State(), step.state);
    EXPECT_EQ(SendMessageW(h, BM_GETCHECK, 0, 0), step.check);
    EXPECT_EQ(events.Count("click box"), ++clicks);
  }
  // The space key toggles the focused box; the accelerator toggles it from elsewhere.
  box->SetAllowGrayed(false);
  box->SetFocus();
  PressKey(VK_SPACE);
  PumpMessages(80);
  EXPECT_TRUE(box->Checked());
  PressKey('T', false, false, true);
  PumpMessages(80);
  EXPECT_FALSE(box->Checked());
  // Set by code: the window follows and OnClick runs, as for the user.
  box->SetChecked(true);
  EXPECT_EQ(SendMessageW(h, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(events.Count("click box"), clicks + 3);
}

TEST_F(StdControlsTest, RadioButtonsAreGroupedByTheirParent) {
  LoadForm(
      u"object F: TForm\n"
      u"  object a: TRadioButton\n    Left = 8\n    Top = 8\n    Caption = \"A\"\n    Checked = True\n  end\n"
      u"  object b: TRadioButton\n    Left = 8\n    Top = 30\n    Caption = \"B\"\n  end\n"
      u"  object other: TPanel\n    Left = 150\n    Top = 8\n    Width = 140\n    Height = 60\n"
      u"    object c: TRadioButton\n      Left = 4\n      Top = 4\n      Caption = \"C\"\n      Checked = True\n    "
      u"end\n"
      u"  end\n"
      u"end\n");
  auto* a = Find<TRadioButton>(u"a");
  auto* b = Find<TRadioButton>(u"b");
  auto* c = Find<TRadioButton>(u"c");
  EXPECT_EQ(StyleOf(a) & BS_TYPEMASK, BS_RADIOBUTTON);
  EXPECT_EQ(SendMessageW(a->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(a->TabStop());  // the checked one of a group is the one Tab reaches
  EXPECT_FALSE(b->TabStop());
  b->SetOnClick(TNotifyEvent(&events, &TEvents::Click));
  ShowInFront();
  ClickAt(CentreOf(b));
  PumpMessages(80);
  EXPECT_TRUE(b->Checked());
  EXPECT_FALSE(a->Checked());
  EXPECT_EQ(SendMessageW(a->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(b->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(c->Checked());  // another parent, another group
  EXPECT_EQ(events.Count("click b"), 1u);
  // Clicking the checked one again changes nothing and tells nothing.
  ClickAt(CentreOf(b));
  PumpMessages(80);
  EXPECT_EQ(events.Count("click b"), 1u);
}

TEST_F(StdControlsTest, ScrollBarRangeAndScrollRequestsFromTheMouse) {
  LoadForm(
      u"object F: TForm\n"
      u"  object bar: TScrollBar\n"
      u"    Left = 200\n    Top = 8\n    Width = 17\n    Height = 150\n"
      u"    Kind = sbVertical\n"
      u"    Min = 10\n    Max = 200\n    Position = 50\n    PageSize = 20\n"
      u"    SmallChange = 5\n    LargeChange = 30\n"
      u"  end\n"
      u"end\n");
  auto* bar = Find<TScrollBar>(u"bar");
  EXPECT_EQ(StyleOf(bar) & SBS_VERT, SBS_VERT);
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(SendMessageW(bar->Handle(), SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&si)));
  EXPECT_EQ(si.nMin, 10);
  EXPECT_EQ(si.nMax, 200);
  EXPECT_EQ(si.nPage, 20u);
  EXPECT_EQ(si.nPos, 50);
  bar->SetOnScroll(TScrollEvent(&events, &TEvents::Scroll));
  bar->SetOnChange(TNotifyEvent(&events, &TEvents::Change));
  ShowInFront();
  // The lower arrow: one small change; the track below the thumb: one large change.
  ClickAt(bar->ClientToScreen(TPoint(8, bar->Height() - 5)));
  PumpMessages(100);
  EXPECT_EQ(bar->Position(), 55);
  EXPECT_EQ(events.Count("scroll scLineDown 55"), 1u);
  EXPECT_EQ(events.Count("change bar"), 1u);
  ClickAt(bar->ClientToScreen(TPoint(8, bar->Height() - 25)));
  PumpMessages(100);
  EXPECT_EQ(bar->Position(), 85);
  EXPECT_EQ(events.Count("scroll scPageDown 85"), 1u);
  SendMessageW(bar->Handle(), SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&si));
  EXPECT_EQ(si.nPos, 85);
  // The position stops where the page ends; a range below its start is refused.
  bar->SetPosition(1000);
  EXPECT_EQ(bar->Position(), 200 - 19);
  EXPECT_THROW(bar->SetMax(5), EInvalidOperation);
}
