// Panels, nested dialog panels and size grips painted by their wrappers: the section by bevels
// and border, the caption or none (ShowCaption off, the dialog skinner's mark), border first and
// client shifted by it under WM_PRINT, the grip over the parent and its hit code.
#include <windows.h>

#include <gtest/gtest.h>

#include "raster/kvgpUtils.h"
#include "support/ControlSkin.h"
#include "ui/ExtCtrls.h"
#include "ui/SysUtils.h"
#include "wrappers/kvSBUtilsPanels.h"

namespace {

constexpr TColor kPanel = 0x708090, kLow = 0x102080, kGroup = 0x108020, kTrans = 0x555511, kGrip = 0xE000E0;

class Panels : public ControlSkin {
 protected:
  void SetUp() override {
    ControlSkin::SetUp();
    Section(u"PANEL", {kPanel});
    Section(u"PANEL_LOW", {kLow});
    Section(u"GROUPBOX", {kGroup});
    Section(u"TRANSPARENT", {kTrans});
  }
  bool HasText(const Capture& cap, Integer w, Integer h) {
    for (Integer x = 0; x < w; ++x)
      for (Integer y = 0; y < h; ++y)
        if (cap.At(x, y) == kText) return true;
    return false;
  }
};

}  // namespace

TEST_F(Panels, SectionByBevelsAndBorder) {
  LoadForm(
      u"object F: TForm\n"
      u"  object a: TPanel\n    Width = 80\n    Height = 40\n    BevelOuter = bvNone\n"
      u"    BorderStyle = bsSingle\n  end\n"
      u"  object b: TPanel\n    Width = 80\n    Height = 40\n    BevelOuter = bvNone\n  end\n"
      u"  object c: TPanel\n    Width = 80\n    Height = 40\n    BevelOuter = bvRaised\n    BevelInner = bvLowered\n  "
      u"end\n"
      u"  object d: TPanel\n    Width = 80\n    Height = 40\n  end\n"
      u"end\n");
  const struct {
    const char16_t* name;
    const char16_t* section;
    TColor color;
  } cases[] = {{u"a", u"PANEL_LOW", kLow},
               {u"b", u"TRANSPARENT", kTrans},
               {u"c", u"GROUPBOX", kGroup},
               {u"d", u"PANEL", kPanel}};
  for (const auto& k : cases) {
    auto* p = Find<TPanel>(k.name);
    EXPECT_EQ(PanelSection(p), String(k.section)) << StringToUtf8(k.name);
    auto* w = Wrap<TkvPanelWnd>(p->Handle(), p);
    Capture cap(80, 40);
    Print(p->Handle(), cap);
    EXPECT_EQ(cap.At(40, 3), k.color) << StringToUtf8(k.name);
    Unwrap(p->Handle(), w);
  }
}

TEST_F(Panels, CaptionShownUnlessSwitchedOffOrMarked) {
  LoadForm(
      u"object F: TForm\n"
      u"  object a: TPanel\n    Width = 100\n    Height = 40\n    Caption = \"WWW\"\n  end\n"
      u"  object b: TPanel\n    Width = 100\n    Height = 40\n    Caption = \"WWW\"\n    ShowCaption = False\n  end\n"
      u"  object c: TPanel\n    Width = 100\n    Height = 40\n    Caption = \"WWW\"\n    Tag = 999\n  end\n"
      u"end\n");
  const struct {
    const char16_t* name;
    bool text;
  } cases[] = {{u"a", true}, {u"b", false}, {u"c", false}};
  for (const auto& k : cases) {
    auto* p = Find<TPanel>(k.name);
    auto* w = Wrap<TkvPanelWnd>(p->Handle(), p);
    Capture cap(100, 40);
    Print(p->Handle(), cap);
    EXPECT_EQ(HasText(cap, 100, 40), k.text) << StringToUtf8(k.name);
    Unwrap(p->Handle(), w);
  }
}

TEST_F(Panels, PrintDrawsTheBorderThenTheClientShifted) {
  LoadForm(
      u"object F: TForm\n  object a: TPanel\n    Width = 80\n    Height = 40\n    BevelOuter = bvNone\n"
      u"    BorderStyle = bsSingle\n  end\nend\n");
  auto* p = Find<TPanel>(u"a");
  auto* w = Wrap<TkvPanelWnd>(p->Handle(), p);
  RECT c{};
  GetClientRect(p->Handle(), &c);
  const Integer b = (80 - c.right) / 2;
  ASSERT_GT(b, 0);
  Capture cap(80, 40);
  FillDC(cap.dc, TRect(0, 0, 80, 40), 0x123456);
  Print(p->Handle(), cap, PRF_CLIENT | PRF_NONCLIENT);
  EXPECT_EQ(cap.At(0, 0), kLow);  // the border
  EXPECT_EQ(cap.At(b, b), kLow);  // the client, from the border's width on
  EXPECT_EQ(cap.At(79 - b, 39 - b), kLow);
  EXPECT_EQ(cap.At(79, 39), kLow);
  Unwrap(p->Handle(), w);
}

TEST_F(Panels, NestedDialogPanelShowsTheParentsBackground) {
  HWND h = Child(L"STATIC", L"", SS_BLACKRECT, 10, 10, 60, 40);
  auto* w = Wrap<TkvTransPanelWnd>(h);
  Capture cap(60, 40);
  SendMessageW(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(cap.dc), 0);
  EXPECT_EQ(cap.At(30, 20), kTrans);
  Unwrap(h, w);
}

TEST_F(Panels, SizeGripOverTheParentAnswersBottomRight) {
  skin.Data->GripRightBottom = Image(8, 8, {kGrip});
  HWND h = Child(L"SCROLLBAR", L"", SBS_SIZEGRIP, 100, 100, 16, 16);
  auto* w = Wrap<TkvSizerWnd>(h);
  Capture cap(16, 16);
  SendMessageW(h, WM_PAINT, reinterpret_cast<WPARAM>(cap.dc), 0);
  EXPECT_EQ(cap.At(15, 15), kGrip);
  EXPECT_EQ(cap.At(9, 9), kGrip);
  EXPECT_NE(cap.At(2, 2), kGrip);
  RECT r{};
  GetWindowRect(h, &r);
  EXPECT_EQ(SendMessageW(h, WM_NCHITTEST, 0, MAKELPARAM(r.left + 8, r.top + 8)), HTBOTTOMRIGHT);
  Unwrap(h, w);
}

TEST_F(Panels, NoHandleLeaksOverPaintsAndAttachCycles) {
  LoadForm(
      u"object F: TForm\n  object a: TPanel\n    Width = 80\n    Height = 40\n    Caption = \"P\"\n"
      u"    BorderStyle = bsSingle\n  end\nend\n");
  auto* p = Find<TPanel>(u"a");
  skin.Data->GripRightBottom = Image(8, 8, {kGrip});
  HWND grip = Child(L"SCROLLBAR", L"", SBS_SIZEGRIP, 100, 100, 16, 16);
  Capture cap(80, 40);
  ExpectNoLeaks([&] {
    auto* w = Wrap<TkvPanelWnd>(p->Handle(), p);
    auto* g = Wrap<TkvSizerWnd>(grip);
    Print(p->Handle(), cap, PRF_CLIENT | PRF_NONCLIENT);
    SendMessageW(grip, WM_PAINT, reinterpret_cast<WPARAM>(cap.dc), 0);
    Unwrap(p->Handle(), w);
    Unwrap(grip, g);
  });
}
