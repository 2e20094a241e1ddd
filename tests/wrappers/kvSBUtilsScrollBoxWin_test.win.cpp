// Scrolling containers, self-painting controls, shell containers and search fields with their
// wrappers: skinned border, client and frame pixels, the capture of a held scroll-bar press kept
// over the after-scroll step, and no handle left behind.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/ControlSkin.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "wrappers/kvSBUtilsScrollBox.h"

namespace {

constexpr TColor kBox = 0x2050A0, kPlain = 0x30A050;

class Containers : public ControlSkin {
 protected:
  void SetUp() override {
    ControlSkin::SetUp();
    Section(u"PANEL_LOW", {kBox});
    Section(u"TRANSPARENT", {kPlain});
  }
};

}  // namespace

TEST_F(Containers, ScrollBoxBorderAndClientFromTheSkin) {
  LoadForm(
      u"object F: TForm\n  object box: TScrollBox\n    Left = 8\n    Top = 8\n    Width = 150\n"
      u"    Height = 100\n  end\nend\n");
  auto* box = Find<TScrollBox>(u"box");
  ShowInFront();
  auto* w = Wrap<TkvScrollBoxWnd>(box->Handle(), box);
  EXPECT_EQ(w->SkinData->SkinSection(), String(u"PANEL_LOW"));
  RedrawWindow(box->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  Pump();
  Capture cap(150, 100);
  Grab(box->Handle(), cap);
  EXPECT_EQ(cap.At(0, 0), kBox);
  EXPECT_EQ(cap.At(75, 50), kBox);
  Capture printed(150, 100);
  Print(box->Handle(), printed, PRF_CLIENT | PRF_NONCLIENT);
  EXPECT_EQ(printed.At(1, 1), kBox);
  Unwrap(box->Handle(), w);
}

TEST_F(Containers, AfterScrollKeepsTheCaptureOfAHeldPress) {
  LoadForm(
      u"object F: TForm\n  object box: TScrollBox\n    Left = 8\n    Top = 8\n    Width = 150\n"
      u"    Height = 100\n  end\nend\n");
  auto* box = Find<TScrollBox>(u"box");
  ShowInFront();
  HWND h = box->Handle();
  auto* w = Wrap<TkvScrollBoxWnd>(h, box);
  const TWParam afterScroll = TWParam{KV_AFTERSCROLL} << 16;
  // A held arrow of the skinned vertical bar: the repeats need the capture.
  SetCapture(h);
  kvScrollState.hwndCurSB = h;
  kvScrollState.uCurrentScrollbar = SB_VERT;
  w->ProcessMessage(SM_ALPHACMD, afterScroll, SB_LINEDOWN);
  EXPECT_EQ(GetCapture(), h);
  w->ProcessMessage(SM_ALPHACMD, afterScroll, SB_LINEDOWN);
  EXPECT_EQ(GetCapture(), h);
  // No press: the capture goes after a scroll, but not while the thumb is dragged.
  kvScrollState = TkvScrollTracking();
  w->ProcessMessage(SM_ALPHACMD, afterScroll, SB_THUMBTRACK);
  EXPECT_EQ(GetCapture(), h);
  w->ProcessMessage(SM_ALPHACMD, afterScroll, SB_LINEDOWN);
  EXPECT_EQ(GetCapture(), nullptr);
  Unwrap(h, w);
}

TEST_F(Containers, SelfPaintingControlKeepsItsClient) {
  LoadForm(
      u"object F: TForm\n  object p: TPanel\n    Left = 8\n    Top = 8\n    Width = 120\n    Height = 80\n"
      u"    BevelOuter = bvNone\n    BorderStyle = bsSingle\n    Color = clBlack\n"
      u"    ParentBackground = False\n    ShowCaption = False\n  end\nend\n");
  auto* panel = Find<TPanel>(u"p");
  ShowInFront();
  auto* w = Wrap<TkvNativePaint>(panel->Handle(), panel);
  EXPECT_EQ(w->SkinData->SkinSection(), String(u"TRANSPARENT"));
  RedrawWindow(panel->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  Pump();
  Capture cap(120, 80);
  Grab(panel->Handle(), cap);
  EXPECT_EQ(cap.At(60, 40), TColor(0));  // its own black client
  EXPECT_EQ(cap.At(0, 0), kPlain);       // the skinned border
  Unwrap(panel->Handle(), w);
}

TEST_F(Containers, ShellContainerEdgeAndClient) {
  HWND h = Child(L"STATIC", L"", SS_WHITERECT, 10, 10, 120, 80, WS_EX_CLIENTEDGE);
  auto* w = Wrap<TkvContainerWnd>(h);
  ShowInFront();
  RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  Pump();
  Capture cap(120, 80);
  Grab(h, cap);
  EXPECT_EQ(cap.At(0, 0), kPlain);
  EXPECT_EQ(cap.At(60, 40), kPlain);  // the container's background instead of its white
  Capture printed(116, 76);
  Print(h, printed);
  EXPECT_EQ(printed.At(10, 10), kPlain);
  EXPECT_EQ(printed.bmp.View().At(10, 10) >> 24, 255u);  // made opaque
  Unwrap(h, w);
}

// A border image whose corner pixels hold the key colour: the shell container shows its
// parent's background there, not the key colour. The form is not skinned and does not answer
// the background query, so its background is the active manager's main colour.
TEST_F(Containers, ShellContainerCornersShowTheParentThroughTheKeyColour) {
  constexpr TColor kEdge = 0x8040C0;
  const Integer section = Section(u"FRAMED", {kPlain});
  const Integer border = skin.AddImage(TRect(200, 200, 209, 209), 1, 0, 0, 3);
  skin.Fill(border, 0, Pixel(kEdge));
  skin.Put(border, 0, 0, 0, 0x00FF00FF);
  Attach(section, u"BORDERSMASK", border);
  HWND h = Child(L"STATIC", L"", SS_WHITERECT, 10, 10, 120, 80, WS_EX_CLIENTEDGE);
  auto* w = Wrap<TkvContainerWnd>(h, nullptr, u"FRAMED");
  ShowInFront();
  RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  Pump();
  Capture cap(120, 80);
  Grab(h, cap);
  EXPECT_EQ(cap.At(1, 1), kEdge);
  EXPECT_EQ(cap.At(119, 79), kEdge);
  EXPECT_EQ(cap.At(0, 0), kParent);
  EXPECT_EQ(cap.At(1, 0), kEdge);  // only the key-coloured pixel shows the parent
  ASSERT_NE(w->SkinData->FCacheBmp, nullptr);
  EXPECT_EQ(w->SkinData->FCacheBmp->PixelColor(0, 0) & 0xFFFFFF, kParent);
  Unwrap(h, w);
}

TEST_F(Containers, SearchFieldGetsAThreePixelFrame) {
  HWND h = Child(L"STATIC", L"", SS_WHITERECT, 10, 10, 160, 24);
  auto* w = Wrap<TkvSearchWnd>(h);
  ShowInFront();
  RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  Pump();
  Capture cap(160, 24);
  Grab(h, cap);
  EXPECT_EQ(cap.At(2, 12), kPlain);
  EXPECT_EQ(cap.At(80, 2), kPlain);
  EXPECT_EQ(cap.At(80, 12), TColor(0xFFFFFF));  // its own drawing inside
  Unwrap(h, w);
}

TEST_F(Containers, NoHandleLeaksOverPaintsAndAttachCycles) {
  LoadForm(
      u"object F: TForm\n  object box: TScrollBox\n    Left = 8\n    Top = 8\n    Width = 150\n"
      u"    Height = 100\n  end\nend\n");
  auto* box = Find<TScrollBox>(u"box");
  HWND c = Child(L"STATIC", L"", SS_WHITERECT, 170, 10, 100, 60, WS_EX_CLIENTEDGE);
  ShowInFront();
  Capture cap(150, 100);
  ExpectNoLeaks([&] {
    auto* w = Wrap<TkvScrollBoxWnd>(box->Handle(), box);
    auto* cw = Wrap<TkvContainerWnd>(c);
    Print(box->Handle(), cap, PRF_CLIENT | PRF_NONCLIENT);
    Print(c, cap);
    Unwrap(box->Handle(), w);
    Unwrap(c, cw);
  });
}
