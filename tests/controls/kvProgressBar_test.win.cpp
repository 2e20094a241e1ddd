// The progress bar's position rules over its window: positions clamped to the range, the
// previous position as the answer, the stored range and position in the window from its
// creation on, and a range from -2^31 that fills by the right fraction; a skinned marquee
// starts moving at its first paint.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "controls/kvProgressBar.h"
#include "support/FormFixture.h"
#include "support/SkinnedFormFixture.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"

namespace {

class ProgressPosition : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    bar = new TsProgressBar(form);
    bar->SetBounds(10, 10, 406, 21);
    bar->SetMax(200);
    bar->SetMin(-50);
    bar->SetPosition(30);
    bar->SetParent(form);
  }
  LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) { return SendMessageW(bar->Handle(), msg, w, l); }
  TsProgressBar* bar = nullptr;
};

TEST_F(ProgressPosition, TheWindowStartsWithTheStoredRangeAndPosition) {
  EXPECT_EQ(Send(PBM_GETPOS), 30);  // never -1 before a first position
  PBRANGE range{};
  Send(PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, -50);
  EXPECT_EQ(range.iHigh, 200);
}

TEST_F(ProgressPosition, SetPosClampsAndAnswersThePreviousPosition) {
  struct Step {
    int sent, previous, kept;
  } steps[] = {{80, 30, 80}, {500, 80, 200}, {-9000, 200, -50}, {0, -50, 0}, {INT_MAX, 0, 200}, {INT_MIN, 200, -50}};
  for (const Step& s : steps) {
    EXPECT_EQ(Send(PBM_SETPOS, WPARAM(s.sent)), s.previous) << s.sent;
    EXPECT_EQ(Send(PBM_GETPOS), s.kept) << s.sent;
    EXPECT_EQ(bar->Shape().Position, s.kept) << s.sent;
  }
}

TEST_F(ProgressPosition, TheWholeIntegerRangeFillsByItsFraction) {
  bar->SetMin(INT_MIN);
  bar->SetMax(INT_MAX);
  Send(PBM_SETPOS, 0);
  const TkvProgressShape shape = bar->Shape();
  EXPECT_EQ(ProgressItemCount(shape), 15);  // half of 30 items
  EXPECT_EQ(ProgressFillRect(shape).Right, 203);
}

TEST_F(ProgressPosition, AWindowMadeAgainKeepsThePosition) {
  bar->SetPosition(120);
  bar->SetSmooth(true);  // makes the window again
  EXPECT_EQ(Send(PBM_GETPOS), 120);
}

}  // namespace

// ---- A marquee over a skin ---------------------------------------------------------------------------

namespace {

class SkinnedMarquee : public SkinnedFormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SkinnedFormTest::SetUp());
    const Integer gauge = skin->AddSection(PlainSection(u"GAUGE", 0, clBlack, 1));
    skin->AddSection(PlainSection(u"PROGRESSH", 0, clYellow, 1));
    skin->Data->IndexSections();
    bar = new TsProgressBar(form);
    bar->SetBounds(10, 10, 200, 20);
    bar->SetParent(form);
    bar->HandleNeeded();
    bar->SkinData()->SkinIndex = gauge;
    bar->SkinData()->SetCommonSkinData(nullptr);
  }
  void Print() {
    TBitmap bmp(bar->Width(), bar->Height(), pf32bit);
    SendMessageW(bar->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(bmp.Canvas()->Handle()), PRF_CLIENT);
  }
  TsProgressBar* bar = nullptr;
};

TEST_F(SkinnedMarquee, ABarMadeAMarqueeLaterMovesFromItsFirstPaint) {
  Print();
  EXPECT_FALSE(bar->MarqueeRunning());  // a normal bar has no timer
  bar->SetStyle(pbstMarquee);
  bar->HandleNeeded();
  EXPECT_FALSE(bar->MarqueeRunning());
  Print();
  EXPECT_TRUE(bar->MarqueeRunning());
}

TEST_F(SkinnedMarquee, APaintWithoutTheSkinStartsNothing) {
  bar->SetStyle(pbstMarquee);
  bar->HandleNeeded();
  bar->SkinData()->SkinIndex = -1;  // not skinned: the system control paints
  Print();
  EXPECT_FALSE(bar->MarqueeRunning());
}

}  // namespace
