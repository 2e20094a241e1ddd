// Scrolling controls: the scroll box's ranges from its children, its scroll bars moving them
// (clicks and the wheel), ScrollInView, fixed ranges; the frame made from its own
// description and embedded by another form's, whose objects change the frame's components.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/FormFixture.h"
#include "ui/ExtCtrls.h"
#include "ui/FormReader.h"
#include "ui/StdCtrls.h"

namespace {

// The test's frame: its description is the resource TADDRESSFRAME.
class TAddressFrame : public TFrame {
  TW_CLASS(TAddressFrame, TFrame)
  using TFrame::TFrame;
  TLabel* caption = nullptr;
  TEdit* street = nullptr;
};

SCROLLINFO BarInfo(HWND wnd, int bar) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  GetScrollInfo(wnd, bar, &si);
  return si;
}

class ScrollingControlsTest : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    RegisterClass<TAddressFrame>();
  }
};

}  // namespace

TW_DEFINE_CLASS(TAddressFrame) {
  b.Field(u"caption", &TAddressFrame::caption);
  b.Field(u"street", &TAddressFrame::street);
}

TEST_F(ScrollingControlsTest, ScrollBoxRangesFollowItsChildrenAndItsBarsMoveThem) {
  LoadForm(
      u"object F: TForm\n"
      u"  object box: TScrollBox\n"
      u"    Left = 8\n    Top = 8\n    Width = 150\n    Height = 120\n"
      u"    VertScrollBar.Increment = 10\n"
      u"    object top: TPanel\n      Left = 0\n      Top = 0\n      Width = 100\n      Height = 30\n    end\n"
      u"    object lower: TPanel\n      Left = 10\n      Top = 300\n      Width = 100\n      Height = 40\n    end\n"
      u"  end\n"
      u"end\n");
  auto* box = Find<TScrollBox>(u"box");
  auto* lower = Find<TPanel>(u"lower");
  HWND h = box->Handle();
  EXPECT_EQ(box->VertScrollBar()->Range(), 340);
  EXPECT_TRUE(box->VertScrollBar()->IsScrollBarVisible());
  EXPECT_FALSE(box->HorzScrollBar()->IsScrollBarVisible());
  EXPECT_NE(GetWindowLongW(h, GWL_STYLE) & WS_VSCROLL, 0);
  EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & WS_HSCROLL, 0);
  SCROLLINFO si = BarInfo(h, SB_VERT);
  EXPECT_EQ(si.nMin, 0);
  EXPECT_EQ(si.nMax, 339);
  EXPECT_EQ(static_cast<Integer>(si.nPage), box->ClientHeight());
  ShowInFront();
  // The lower arrow: one increment; the children move up.
  ClickAt(box->ClientToScreen(TPoint(box->ClientWidth() + 5, box->ClientHeight() - 5)));
  PumpMessages(150);
  EXPECT_EQ(box->VertScrollBar()->Position(), 10);
  EXPECT_EQ(lower->Top(), 290);
  EXPECT_EQ(BarInfo(h, SB_VERT).nPos, 10);
  // The wheel: three increments a notch.
  SetCursorPos(box->ClientToScreen(TPoint(50, 50)).X, box->ClientToScreen(TPoint(50, 50)).Y);
  INPUT wheel{};
  wheel.type = INPUT_MOUSE;
  wheel.mi.dwFlags = MOUSEEVENTF_WHEEL;
  wheel.mi.mouseData = static_cast<DWORD>(-WHEEL_DELTA);
  SendInput(1, &wheel, sizeof(INPUT));
  PumpMessages(150);
  EXPECT_EQ(box->VertScrollBar()->Position(), 40);
  EXPECT_EQ(lower->Top(), 260);
  // ScrollInView brings a child wholly into view; positions stop at the range's end.
  box->ScrollInView(lower);
  EXPECT_GE(lower->Top(), 0);
  EXPECT_LE(lower->Top() + lower->Height(), box->ClientHeight());
  box->VertScrollBar()->SetPosition(10000);
  EXPECT_EQ(box->VertScrollBar()->Position(), 340 - box->ClientHeight());
  box->VertScrollBar()->SetPosition(0);
  EXPECT_EQ(lower->Top(), 300);
  // A child moved within the client area: nothing left to scroll.
  lower->SetTop(50);
  EXPECT_FALSE(box->VertScrollBar()->IsScrollBarVisible());
  EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & WS_VSCROLL, 0);
}

TEST_F(ScrollingControlsTest, AFixedRangeTurnsAutoScrollOff) {
  auto* box = new TScrollBox(form);
  box->SetParent(form);
  box->SetBounds(8, 8, 150, 100);
  box->HorzScrollBar()->SetRange(600);
  EXPECT_FALSE(box->AutoScroll());
  HWND h = box->Handle();
  EXPECT_TRUE(box->HorzScrollBar()->IsScrollBarVisible());
  EXPECT_EQ(BarInfo(h, SB_HORZ).nMax, 599);
  box->HorzScrollBar()->SetVisible(false);
  EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & WS_HSCROLL, 0);
  EXPECT_NE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);  // the default single border
}

TEST_F(ScrollingControlsTest, FramesReadTheirOwnDescriptionAndTakeTheEmbeddingFormsChanges) {
  LoadForm(
      u"object F: TForm\n"
      u"  object home: TAddressFrame\n"
      u"    Left = 10\n    Top = 10\n"
      u"    object street: TEdit\n      Text = \"Elm St\"\n    end\n"
      u"  end\n"
      u"  object work: TAddressFrame\n"
      u"    Left = 10\n    Top = 100\n"
      u"  end\n"
      u"end\n");
  auto* home = Find<TAddressFrame>(u"home");
  auto* work = Find<TAddressFrame>(u"work");
  for (TAddressFrame* f : {home, work}) {
    SCOPED_TRACE(StringToUtf8(f->Name()));
    EXPECT_EQ(f->Parent(), form);
    EXPECT_EQ(f->Width(), 200);  // from the frame's own description
    EXPECT_EQ(f->Height(), 80);
    ASSERT_NE(f->street, nullptr);
    ASSERT_NE(f->caption, nullptr);
    EXPECT_EQ(f->street->Owner(), f);
    EXPECT_EQ(f->street->Parent(), f);
    EXPECT_EQ(f->caption->Caption(), u"Street");
    EXPECT_EQ(f->street->Width(), 150);
    EXPECT_FALSE(f->street->IsLoading());
  }
  EXPECT_EQ(home->BoundsRect(), TRect(10, 10, 210, 90));
  EXPECT_EQ(work->Top(), 100);
  EXPECT_NE(home->street, work->street);
  // The embedding form changed one frame's edit; the other keeps the frame's text.
  EXPECT_EQ(home->street->Text(), u"Elm St");
  EXPECT_EQ(work->street->Text(), u"Main St");
  // An object of the wrong class for the frame's component is an error.
  EXPECT_THROW(ReadComponentText(new TForm(app.get()),
                                 u"object G: TForm\n"
                                 u"  object other: TAddressFrame\n"
                                 u"    object street: TLabel\n    end\n"
                                 u"  end\n"
                                 u"end\n"),
               EFormDescriptionError);
}
