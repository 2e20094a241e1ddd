// The track bar, the up-down, the status bar and the tool bar's custom draw: made from
// descriptions, read back with the controls' messages, driven by keys and clicks; the
// custom-draw and owner-draw events get their stages, buttons and rectangles.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/FormFixture.h"
#include "support/WindowProbes.h"
#include "ui/ComCtrls.h"
#include "ui/StdCtrls.h"
#include "ui/Subclass.h"

namespace {

class TEvents : public TObject {
 public:
  std::vector<std::string> log;
  bool allow = true;
  void Change(TObject*) { log.push_back("change"); }
  void UpDownClick(TObject*, TUDBtnType button) { log.push_back(button == btNext ? "next" : "prev"); }
  void Changing(TObject*, bool& allowChange) {
    log.push_back("changing");
    allowChange = allow;
  }
  size_t Count(const std::string& e) const { return static_cast<size_t>(std::count(log.begin(), log.end(), e)); }
};

class ComControlsTest : public FormTest {
 protected:
  TEvents events;
};

}  // namespace

TEST_F(ComControlsTest, TrackBarPropertiesReachTheWindowAndKeysMoveIt) {
  LoadForm(
      u"object F: TForm\n"
      u"  object track: TTrackBar\n"
      u"    Left = 8\n    Top = 8\n    Width = 60\n    Height = 160\n"
      u"    Orientation = trVertical\n"
      u"    Min = 5\n    Max = 50\n    Position = 20\n"
      u"    Frequency = 5\n"
      u"    TickMarks = tmBoth\n"
      u"    SelStart = 10\n    SelEnd = 30\n"
      u"    PageSize = 7\n    LineSize = 3\n"
      u"    ThumbLength = 24\n"
      u"    PositionToolTip = ptLeft\n"
      u"  end\n"
      u"end\n");
  auto* track = Find<TTrackBar>(u"track");
  HWND h = track->Handle();
  const struct {
    UINT msg;
    LRESULT expected;
  } kReads[] = {{TBM_GETRANGEMIN, 5},  {TBM_GETRANGEMAX, 50},    {TBM_GETPOS, 20},
                {TBM_GETSELSTART, 10}, {TBM_GETSELEND, 30},      {TBM_GETPAGESIZE, 7},
                {TBM_GETLINESIZE, 3},  {TBM_GETTHUMBLENGTH, 24}, {TBM_GETNUMTICS, 10}};
  for (const auto& r : kReads) EXPECT_EQ(SendMessageW(h, r.msg, 0, 0), r.expected) << std::hex << r.msg;
  for (LONG bit : {TBS_VERT, TBS_BOTH, TBS_AUTOTICKS, TBS_ENABLESELRANGE, TBS_FIXEDLENGTH, TBS_TOOLTIPS})
    EXPECT_EQ(StyleOf(track) & bit, bit) << std::hex << bit;
  EXPECT_NE(SendMessageW(h, TBM_GETTOOLTIPS, 0, 0), 0);
  track->SetOnChange(TNotifyEvent(&events, &TEvents::Change));
  ShowInFront();
  track->SetFocus();
  PressKey(VK_DOWN);
  PumpMessages(80);
  EXPECT_EQ(track->Position(), 23);
  PressKey(VK_NEXT);
  PumpMessages(80);
  EXPECT_EQ(track->Position(), 30);
  EXPECT_EQ(events.Count("change"), 2u);
  // Set by code: the window and OnChange follow; outside the range it stops at the end.
  track->SetPosition(100);
  EXPECT_EQ(SendMessageW(h, TBM_GETPOS, 0, 0), 50);
  EXPECT_EQ(events.Count("change"), 3u);
  track->SetTickStyle(tsNone);
  EXPECT_NE(StyleOf(track) & TBS_NOTICKS, 0);
  EXPECT_EQ(SendMessageW(track->Handle(), TBM_GETPOS, 0, 0), 50);  // kept by the new window
}

TEST_F(ComControlsTest, UpDownStepsItsAssociateAndAsksBeforeChanging) {
  LoadForm(
      u"object F: TForm\n"
      u"  object number: TEdit\n    Left = 8\n    Top = 8\n    Width = 80\n  end\n"
      u"  object spin: TUpDown\n"
      u"    Associate = number\n"
      u"    Min = 0\n    Max = 10\n    Position = 6\n    Increment = 2\n"
      u"    Wrap = True\n"
      u"  end\n"
      u"end\n");
  auto* number = Find<TEdit>(u"number");
  auto* spin = Find<TUpDown>(u"spin");
  HWND h = spin->Handle();
  INT low = -1, high = -1;
  SendMessageW(h, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 10);
  EXPECT_EQ(SendMessageW(h, UDM_GETPOS32, 0, 0), 6);
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(h, UDM_GETBUDDY, 0, 0)), number->Handle());
  UDACCEL accel{};
  SendMessageW(h, UDM_GETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  EXPECT_EQ(accel.nInc, 2u);
  EXPECT_NE(StyleOf(spin) & UDS_WRAP, 0);
  EXPECT_NE(StyleOf(spin) & UDS_ALIGNRIGHT, 0);
  EXPECT_EQ(WindowString(number->Handle()), u"6");
  // Placed at the associate's right edge.
  EXPECT_EQ(spin->Left(), number->Left() + number->Width());
  EXPECT_EQ(spin->Top(), number->Top());
  spin->SetOnClick(TUDClickEvent(&events, &TEvents::UpDownClick));
  spin->SetOnChanging(TUDChangingEvent(&events, &TEvents::Changing));
  ShowInFront();
  const TPoint up = spin->ClientToScreen(TPoint(spin->Width() / 2, 3));
  const TPoint down = spin->ClientToScreen(TPoint(spin->Width() / 2, spin->Height() - 3));
  ClickAt(up);
  PumpMessages(100);
  EXPECT_EQ(spin->Position(), 8);
  EXPECT_EQ(WindowString(number->Handle()), u"8");
  ClickAt(up);
  PumpMessages(100);
  EXPECT_EQ(spin->Position(), 10);
  spin->SetIncrement(1);
  ClickAt(up);  // past the end: round to the start (Wrap)
  PumpMessages(100);
  EXPECT_EQ(spin->Position(), 0);
  ClickAt(down);
  PumpMessages(100);
  EXPECT_EQ(spin->Position(), 10);
  EXPECT_EQ(events.log,
            (std::vector<std::string>{"changing", "next", "changing", "next", "changing", "next", "changing", "prev"}));
  // OnChanging says no: the position stays.
  events.log.clear();
  events.allow = false;
  ClickAt(down);
  PumpMessages(100);
  EXPECT_EQ(spin->Position(), 10);
  EXPECT_EQ(events.log, std::vector<std::string>{"changing"});
}

TEST_F(ComControlsTest, StatusBarPanelsTextsStylesAndOwnerDrawing) {
  LoadForm(
      u"object F: TForm\n"
      u"  object status: TStatusBar\n"
      u"    SizeGrip = False\n"
      u"    Panels = <\n"
      u"      item\n        Text = \"Ready\"\n        Width = 100\n        Alignment = taCenter\n      end\n"
      u"      item\n        Text = \"Line 3\"\n        Width = 80\n        Bevel = pbRaised\n      end\n"
      u"      item\n        Style = psOwnerDraw\n      end>\n"
      u"  end\n"
      u"end\n");
  auto* status = Find<TStatusBar>(u"status");
  HWND h = status->Handle();
  // At the form's bottom, across it.
  EXPECT_EQ(status->Align(), alBottom);
  EXPECT_EQ(status->Top() + status->Height(), form->ClientHeight());
  EXPECT_EQ(status->Width(), form->ClientWidth());
  EXPECT_EQ(StyleOf(status) & SBARS_SIZEGRIP, 0);
  int edges[4] = {};
  ASSERT_EQ(SendMessageW(h, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 3);
  EXPECT_EQ(edges[0], 100);
  EXPECT_EQ(edges[1], 180);
  EXPECT_EQ(edges[2], -1);
  wchar_t text[64] = {};
  const LRESULT first = SendMessageW(h, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"\tReady");  // a tab before the text centres it
  EXPECT_EQ(HIWORD(first) & SBT_POPOUT, 0);
  const LRESULT second = SendMessageW(h, SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"Line 3");
  EXPECT_NE(HIWORD(second) & SBT_POPOUT, 0);
  EXPECT_NE(HIWORD(SendMessageW(h, SB_GETTEXTLENGTHW, 2, 0)) & SBT_OWNERDRAW, 0);
  // The owner-drawn panel is painted by OnDrawPanel on Canvas, in its part's rectangle.
  struct TPainter : TObject {
    std::vector<std::pair<TStatusPanel*, TRect>> calls;
    void Draw(TStatusBar* bar, TStatusPanel* panel, const TRect& r) {
      calls.push_back({panel, r});
      bar->Canvas()->Brush()->SetColor(clRed);
      bar->Canvas()->FillRect(r);
    }
  } painter;
  status->SetOnDrawPanel(TDrawPanelEvent(&painter, &TPainter::Draw));
  ShowInFront();
  RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  ASSERT_FALSE(painter.calls.empty());
  EXPECT_EQ(painter.calls.back().first, status->Panels()->Items(2));
  RECT part{};
  SendMessageW(h, SB_GETRECT, 2, reinterpret_cast<LPARAM>(&part));
  const TRect r = painter.calls.back().second;
  EXPECT_GE(r.Left, part.left);
  EXPECT_LE(r.Right, part.right);
  EXPECT_GT(r.Width(), 0);
  HDC dc = GetDC(h);
  EXPECT_EQ(GetPixel(dc, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2), ColorToRGB(clRed));
  ReleaseDC(h, dc);
  // A panel changed later reaches the window; the simple panel shows SimpleText alone.
  status->Panels()->Items(1)->SetText(u"Line 4");
  SendMessageW(h, SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"Line 4");
  // What the window is told: the simple mode, then the text of the simple part.
  struct TTexts : TObject {
    explicit TTexts(HWND wnd) { sub.Attach(wnd, this, &TTexts::Proc); }
    void Proc(TMessage& m) {
      if (m.Msg == SB_SETTEXTW) set.push_back({LOBYTE(m.WParam), reinterpret_cast<const Char*>(m.LParam)});
      if (m.Msg == SB_SIMPLE) simple.push_back(m.WParam != 0);
      sub.CallPrevious(m);
    }
    std::vector<std::pair<int, String>> set;
    std::vector<bool> simple;
    TWindowSubclass sub;
  } told(h);
  status->SetSimpleText(u"Busy");
  status->SetSimplePanel(true);
  EXPECT_TRUE(SendMessageW(h, SB_ISSIMPLE, 0, 0));
  ASSERT_FALSE(told.simple.empty());
  EXPECT_TRUE(told.simple.back());
  ASSERT_FALSE(told.set.empty());
  EXPECT_EQ(told.set.back(), std::make_pair(static_cast<int>(SB_SIMPLEID), String(u"Busy")));
  SendMessageW(h, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"Busy");
}

TEST_F(ComControlsTest, ToolBarCustomDrawStagesButtonsAndAnswers) {
  auto* bar = new TToolBar(form);
  bar->SetBounds(0, 0, 200, 30);  // wholly inside the form: the stage covers all of it
  bar->SetParent(form);
  auto* plain = new TToolButton(form);
  plain->SetParent(bar);
  auto* painted = new TToolButton(form);
  painted->SetParent(bar);
  struct TDrawer : TObject {
    TToolButton* painted = nullptr;
    std::vector<std::pair<TCustomDrawStage, TRect>> control;
    std::vector<std::pair<TToolButton*, TCustomDrawStage>> buttons;
    void Bar(TToolBar*, const TRect& r, TCustomDrawStage stage, bool&) { control.push_back({stage, r}); }
    void Button(TToolBar* bar, TToolButton* button, TCustomDrawState, TCustomDrawStage stage, TTBCustomDrawFlags& flags,
                bool& defaultDraw) {
      buttons.push_back({button, stage});
      if (stage != cdPrePaint) return;
      if (button == painted) {
        // Drawn by the handler alone.
        bar->Canvas()->Brush()->SetColor(clRed);
        bar->Canvas()->FillRect(button->BoundsRect());
        defaultDraw = false;
      } else {
        flags += tbNoEdges;
        flags += tbNoOffset;
      }
    }
  } drawer;
  drawer.painted = painted;
  bar->SetOnAdvancedCustomDraw(TTBAdvancedCustomDrawEvent(&drawer, &TDrawer::Bar));
  bar->SetOnAdvancedCustomDrawButton(TTBAdvancedCustomDrawBtnEvent(&drawer, &TDrawer::Button));
  TCustomDrawAnswers<> answers(form->Handle());
  ShowInFront();
  drawer.control.clear();
  drawer.buttons.clear();
  answers.answers.clear();
  RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  // The whole bar: before and after painting, over its client area.
  ASSERT_GE(drawer.control.size(), 2u);
  EXPECT_EQ(drawer.control.front().first, cdPrePaint);
  EXPECT_EQ(drawer.control.front().second, bar->ClientRect());
  EXPECT_NE(std::find_if(drawer.control.begin(), drawer.control.end(), [](auto& c) { return c.first == cdPostPaint; }),
            drawer.control.end());
  // Each button, with its own object.
  for (TToolButton* b : {plain, painted})
    EXPECT_NE(std::find(drawer.buttons.begin(), drawer.buttons.end(), std::make_pair(b, cdPrePaint)),
              drawer.buttons.end());
  // What the bar was told: items wanted at the start; the flags or the skip per button.
  auto answerOf = [&](DWORD stage, DWORD_PTR item) -> TLResult {
    for (auto& a : answers.answers)
      if (a.stage == stage && (stage == CDDS_PREPAINT || a.item == item)) return a.result;
    return -1;
  };
  EXPECT_NE(answerOf(CDDS_PREPAINT, 0) & CDRF_NOTIFYITEMDRAW, 0);
  EXPECT_NE(answerOf(CDDS_PREPAINT, 0) & CDRF_NOTIFYPOSTPAINT, 0);
  EXPECT_EQ(answerOf(CDDS_ITEMPREPAINT, 0) & (TBCDRF_NOEDGES | TBCDRF_NOOFFSET), TBCDRF_NOEDGES | TBCDRF_NOOFFSET);
  EXPECT_EQ(answerOf(CDDS_ITEMPREPAINT, 1) & CDRF_SKIPDEFAULT, CDRF_SKIPDEFAULT);
  HDC dc = GetDC(bar->Handle());
  const TPoint c{painted->Left() + painted->Width() / 2, painted->Top() + painted->Height() / 2};
  EXPECT_EQ(GetPixel(dc, c.X, c.Y), ColorToRGB(clRed));
  ReleaseDC(bar->Handle(), dc);
}
