// Track bars painted by their wrapper: body, thumb at the control's position, plain tick marks
// on the sides the style asks for, none without ticks or with fewer than two.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "support/ControlSkin.h"
#include "ui/ComCtrls.h"
#include "wrappers/kvSBUtilsTrackBar.h"

namespace {

constexpr TColor kBody = 0x303060, kThumb[2] = {0x00C0C0, 0x00D0D0};

class TrackBars : public ControlSkin {
 protected:
  void SetUp() override {
    ControlSkin::SetUp();
    trackSection = Section(u"TRACKBAR", {kBody});
  }
  HWND Track(DWORD style, Integer max, Integer w = 200, Integer h = 40) {
    HWND t = Child(TRACKBAR_CLASSW, L"", style, 10, 10, w, h);
    SendMessageW(t, TBM_SETRANGE, TRUE, MAKELPARAM(0, max));
    return t;
  }
  // A thumb image of the control's thumb size.
  void ThumbImageFor(HWND t) {
    RECT r{};
    SendMessageW(t, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&r));
    Attach(trackSection, u"SLIDERMASK", Image(r.right - r.left, r.bottom - r.top, {kThumb[0], kThumb[1]}));
  }
  static bool IsMark(TColor c) { return c == TColor(0xFFFFFF) || c == TColor(ColorToRGB(clBtnShadow) & 0xFFFFFF); }
  Integer trackSection = -1;
};

}  // namespace

TEST_F(TrackBars, ThumbAtThePositionAndTicksBelowTheChannel) {
  HWND t = Track(TBS_AUTOTICKS, 4);
  ThumbImageFor(t);
  SendMessageW(t, TBM_SETPOS, TRUE, 2);
  auto* w = Wrap<TkvTrackWnd>(t, nullptr, u"TRACKBAR");
  Capture cap(200, 40);
  Print(t, cap);
  const TRect th = [&] {
    TRect r;
    SendMessageW(t, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r;
  }();
  EXPECT_EQ(cap.At((th.Left + th.Right) / 2, (th.Top + th.Bottom) / 2), kThumb[0]);
  EXPECT_EQ(cap.At(1, 1), kBody);
  const auto ticks = w->TicksArray();
  ASSERT_EQ(ticks.size(), 5u);
  ASSERT_LT(th.Bottom, 40) << th.Top;
  TRect ch;
  SendMessageW(t, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&ch));
  const Integer c = (th.Height() - ch.Height()) / 2 + 2;
  for (const TPoint& p : ticks) {
    EXPECT_TRUE(IsMark(cap.At(p.X, ch.Bottom + c))) << p.X;  // below: bottom ticks
    if (ch.Top - c - 4 >= 0) {
      EXPECT_EQ(cap.At(p.X, ch.Top - c - 4), kBody) << p.X;  // nothing above
    }
  }
  w->bMousePressed = true;
  Print(t, cap);
  EXPECT_EQ(cap.At((th.Left + th.Right) / 2, (th.Top + th.Bottom) / 2), kThumb[1]);
  Unwrap(t, w);
}

TEST_F(TrackBars, BothSidesNoTicksAndTooFewTicks) {
  struct Case {
    DWORD style;
    Integer max;
    bool above, below;
  };
  const Case cases[] = {
      {TBS_AUTOTICKS | TBS_BOTH, 4, true, true},
      {TBS_AUTOTICKS | TBS_NOTICKS, 4, false, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.style);
    HWND t = Track(k.style, k.max);
    auto* w = Wrap<TkvTrackWnd>(t, nullptr, u"TRACKBAR");
    Capture cap(200, 40);
    Print(t, cap);
    TRect ch, th;
    SendMessageW(t, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&ch));
    SendMessageW(t, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&th));
    const Integer c = (th.Height() - ch.Height()) / 2 + 2;
    Integer above = 0, below = 0;
    for (Integer x = 0; x < 200; ++x) {
      if (ch.Top - c - 4 >= 0 && IsMark(cap.At(x, ch.Top - c - 4))) ++above;
      if (ch.Bottom + c < 40 && IsMark(cap.At(x, ch.Bottom + c))) ++below;
    }
    EXPECT_EQ(above > 0, k.above);
    EXPECT_EQ(below > 0, k.below);
    Unwrap(t, w);
  }
}

TEST_F(TrackBars, DisabledTrackBarIsBlendedWithTheParent) {
  HWND t = Track(TBS_AUTOTICKS, 4);
  auto* w = Wrap<TkvTrackWnd>(t, nullptr, u"TRACKBAR");
  EnableWindow(t, FALSE);
  Capture cap(200, 40);
  Print(t, cap);
  EXPECT_NE(cap.At(1, 1), kBody);
  Unwrap(t, w);
}

TEST_F(TrackBars, ClassLibraryTrackBar) {
  LoadForm(
      u"object F: TForm\n  object tb: TTrackBar\n    Left = 8\n    Top = 8\n    Width = 150\n"
      u"    Height = 40\n    Max = 4\n  end\nend\n");
  auto* tb = Find<TTrackBar>(u"tb");
  auto* w = Wrap<TkvTrackWnd>(tb->Handle(), tb, u"TRACKBAR");
  Capture cap(150, 40);
  Print(tb->Handle(), cap);
  EXPECT_EQ(cap.At(1, 1), kBody);
  EXPECT_EQ(w->TickCount(), Integer(SendMessageW(tb->Handle(), TBM_GETNUMTICS, 0, 0)));
  Unwrap(tb->Handle(), w);
}

TEST_F(TrackBars, NoHandleLeaksOverPaintsAndAttachCycles) {
  HWND t = Track(TBS_AUTOTICKS | TBS_BOTH, 4);
  ThumbImageFor(t);
  Capture cap(200, 40);
  ExpectNoLeaks([&] {
    auto* w = Wrap<TkvTrackWnd>(t, nullptr, u"TRACKBAR");
    Print(t, cap);
    Unwrap(t, w);
  });
}
