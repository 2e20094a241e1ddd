// Stand-alone scroll-bar controls painted by their wrapper: buttons, track parts and thumb in
// their sections, the disabled look without thumb, hot and pressed parts, and the
// application's redraw lock kept over a press.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/ControlSkin.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtilsScrollBarCtrl.h"

namespace {

constexpr TColor kTrack1 = 0x000080, kTrack2 = 0x800000, kBtnL = 0x0000C0, kBtnR = 0xC00000, kThumb = 0x204060;

class ScrollBarControl : public ControlSkin {
 protected:
  void SetUp() override {
    ControlSkin::SetUp();
    TkvSkinData& d = *skin.Data;
    auto element = [&](const char16_t* name, TColor c) {
      TkvConstElementData e;
      e.SkinIndex = Section(name, {c});
      return e;
    };
    d.Scrolls = {element(u"SCROLLH1", kTrack1), element(u"SCROLLV1", kTrack1), element(u"SCROLLH2", kTrack2),
                 element(u"SCROLLV2", kTrack2)};
    d.ScrollBtns = {element(u"BTNL", kBtnL), element(u"BTNT", kBtnL), element(u"BTNR", kBtnR), element(u"BTNB", kBtnR)};
    d.Sliders = {element(u"THUMBH", kThumb), element(u"THUMBV", kThumb)};
    Section(u"TRANSPARENT", {0x102030});
    LoadForm(
        u"object F: TForm\n  object sb: TScrollBar\n    Left = 8\n    Top = 8\n    Width = 200\n"
        u"    Height = 17\n    PageSize = 20\n  end\nend\n");
    bar = Find<TScrollBar>(u"sb");
    ShowInFront();
  }
  TScrollBar* bar = nullptr;
};

}  // namespace

TEST_F(ScrollBarControl, PartsInTheirSections) {
  auto* w = Wrap<TkvSBWnd>(bar->Handle(), bar);
  const TkvSBControlGeometry g = w->Geometry();
  EXPECT_EQ(g.Length, 200);
  EXPECT_EQ(g.nMax, 100);
  EXPECT_EQ(g.nPage, 20);
  Capture cap(200, 17);
  Print(bar->Handle(), cap);
  const TRect s = g.SliderRect();
  EXPECT_EQ(cap.At(2, 8), kBtnL);
  EXPECT_EQ(cap.At(197, 8), kBtnR);
  EXPECT_EQ(cap.At((s.Left + s.Right) / 2, 8), kThumb);
  EXPECT_EQ(cap.At(150, 8), kTrack2);
  bar->SetPosition(81);
  w->ProcessMessage(SM_ALPHACMD, TWParam{KV_INVALIDATE} << 16, 0);
  Print(bar->Handle(), cap);
  const TRect e = w->Geometry().SliderRect();
  EXPECT_GT(e.Left, s.Left);
  EXPECT_EQ(cap.At((e.Left + e.Right) / 2, 8), kThumb);
  EXPECT_EQ(cap.At(50, 8), kTrack1);
  Unwrap(bar->Handle(), w);
}

TEST_F(ScrollBarControl, DisabledBarShowsNoThumb) {
  auto* w = Wrap<TkvSBWnd>(bar->Handle(), bar);
  bar->SetEnabled(false);
  Capture cap(200, 17);
  Print(bar->Handle(), cap);
  const TRect s = w->Geometry().SliderRect();
  EXPECT_NE(cap.At((s.Left + s.Right) / 2, 8), kThumb);
  EXPECT_NE(cap.At(150, 8), kTrack2);  // blended with the parent
  Unwrap(bar->Handle(), w);
}

TEST_F(ScrollBarControl, HotAndPressedParts) {
  auto* w = Wrap<TkvSBWnd>(bar->Handle(), bar);
  w->LMouseDown(2, 8);
  EXPECT_EQ(w->FBtn1State, 2);
  EXPECT_EQ(w->ScrollCode, SB_LINEUP);
  w->LMouseUp(2, 8);
  EXPECT_EQ(w->FBtn1State, 1);
  EXPECT_EQ(w->ScrollCode, SB_ENDSCROLL);
  w->LMouseDown(150, 8);
  EXPECT_EQ(w->ScrollCode, SB_PAGEDOWN);
  EXPECT_EQ(w->FBar2State, 2);
  EXPECT_EQ(w->FBtn1State, 0);
  w->LMouseUp(150, 8);
  const TRect s = w->Geometry().SliderRect();
  w->LMouseDown(s.Left + 5, 8);
  EXPECT_EQ(w->ScrollCode, SB_THUMBTRACK);
  EXPECT_EQ(w->FSliderState, 2);
  Unwrap(bar->Handle(), w);
}

TEST_F(ScrollBarControl, PressKeepsTheApplicationsRedrawLock) {
  auto* w = Wrap<TkvSBWnd>(bar->Handle(), bar);
  HWND h = bar->Handle();
  SendMessageW(h, WM_SETREDRAW, FALSE, 0);
  EXPECT_EQ(w->FLockCount, 1);
  EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE, 0);
  // A click on the track: the release is waiting, so the system's tracking ends at once.
  PostMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(150, 8));
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 8));
  EXPECT_EQ(w->FLockCount, 1);
  EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE, 0) << "redraw switched on by the press";
  SendMessageW(h, WM_SETREDRAW, TRUE, 0);
  EXPECT_EQ(w->FLockCount, 0);
  EXPECT_NE(GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE, 0);
  // The same through a change of the scroll information.
  SendMessageW(h, WM_SETREDRAW, FALSE, 0);
  SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, 30, 0};
  SendMessageW(h, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si));
  EXPECT_EQ(w->FLockCount, 1);
  EXPECT_EQ(w->FCurrPos, 30);
  EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE, 0);
  SendMessageW(h, WM_SETREDRAW, TRUE, 0);
  Unwrap(h, w);
}

TEST_F(ScrollBarControl, NoHandleLeaksOverPaintsAndAttachCycles) {
  Capture cap(200, 17);
  ExpectNoLeaks([&] {
    auto* w = Wrap<TkvSBWnd>(bar->Handle(), bar);
    Print(bar->Handle(), cap);
    Unwrap(bar->Handle(), w);
  });
}
