// Frame metrics of a skinned form at 96, 120, 144 and 192 PPI. Wine has one system DPI and
// sends no WM_DPICHANGED, so the tests give the provider the skin data of each PPI (as a PPI
// change does) and the system metrics of each PPI through a stand-in for
// GetSystemMetricsForDpi with fixed numbers.
#include "base/kvntUtils.h"
#include "skin/sSkinManager.h"
#include "support/FormSkin.h"
#include "support/PpiSkin.h"
#include "support/ScrollSkin.h"
#include "wrappers/kvSBUtils.h"

using formskin::SkinnedForm;

namespace {

using ppiskin::FixedMetrics;
using ppiskin::ScaledCopy;

struct MetricsRow {
  Integer ppi;
  Integer caption;          // bsSizeable: the system caption
  Integer sizeableBorder;   // sizing frame + padded border
  Integer singleBorder;     // dialog frame + 5
  Integer dialogCaption10;  // bsDialog on Windows 10: the small caption
  Integer dialogCaption8;   // bsDialog on Windows 8: the normal caption
  Integer buttonWidth;      // the close glyph at that PPI
  Integer buttonsWidth;     // margin + close + (spacing + max) + (spacing + min)
};

const MetricsRow kRows[] = {
    {96, 23, 8, 8, 17, 23, 20, 3 + 20 + 21 + 21},
    {120, 29, 10, 9, 21, 29, 25, 4 + 25 + 26 + 26},
    {144, 35, 12, 10, 26, 35, 30, 5 + 30 + 32 + 32},
    {192, 46, 16, 11, 34, 46, 40, 6 + 40 + 42 + 42},
};

class FrameMetrics : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    saved = kvSysMetricsForDpi;
    savedMajor = kvWinMajorVer;
    savedMinor = kvWinMinorVer;
    kvSysMetricsForDpi = &FixedMetrics;
    skin->skin.Data->BIRightMargin = 3;
    skin->skin.Data->BISpacing = 1;
  }
  void TearDown() override {
    kvSysMetricsForDpi = saved;
    kvWinMajorVer = savedMajor;
    kvWinMinorVer = savedMinor;
    slots.clear();
    SkinnedForm::TearDown();
  }
  // The provider drawn with the skin data of that PPI.
  void UsePPI(TsSkinProvider* p, Integer ppi) {
    if (ppi == 96) {
      p->FCommonData->SetCommonSkinData(skin->skin.Data);
    } else {
      slots.push_back(ScaledCopy(*skin->skin.Data, &skin->skin.Manager, ppi));
      p->FCommonData->SetCommonSkinData(slots.back().get());
    }
    p->InitSysParams(ppi);
  }
  TkvSysMetricsFn saved = nullptr;
  Byte savedMajor = 0, savedMinor = 0;
  std::vector<std::unique_ptr<TkvSkinData>> slots;
};

}  // namespace

TEST_F(FrameMetrics, TableAtEachPPI) {
  TsSkinProvider* p = Skin();
  for (const MetricsRow& row : kRows) {
    SCOPED_TRACE(row.ppi);
    // A new border style makes the window anew: made before the PPI is given.
    form->SetBorderStyle(bsSizeable);
    form->HandleNeeded();
    UsePPI(p, row.ppi);
    EXPECT_EQ(p->FormPPI(), row.ppi);
    EXPECT_EQ(p->CYCaption, row.caption);
    EXPECT_EQ(p->CaptionHeight(true), row.caption);
    EXPECT_EQ(SysBorderWidth(form->Handle(), nullptr, true), row.sizeableBorder);
    EXPECT_EQ(p->BorderWidth(true), row.sizeableBorder);
    EXPECT_EQ(p->SysButtonWidth(p->ButtonClose), row.buttonWidth);
    EXPECT_EQ(p->ButtonHeight(), kvMulDiv(formskin::kGlyphH, row.ppi, 96));
    EXPECT_EQ(p->TitleBtnsWidth(), row.buttonsWidth);

    form->SetBorderStyle(bsSingle);
    form->HandleNeeded();
    p->FCommonData->SetCommonSkinData(slots.empty() || row.ppi == 96 ? skin->skin.Data : slots.back().get());
    EXPECT_EQ(SysBorderWidth(form->Handle(), nullptr, true), row.singleBorder);
    EXPECT_EQ(p->FramePadding(), 0);

    form->SetBorderStyle(bsDialog);
    form->HandleNeeded();
    p->FCommonData->SetCommonSkinData(slots.empty() || row.ppi == 96 ? skin->skin.Data : slots.back().get());
    kvWinMajorVer = 10;
    kvWinMinorVer = 0;
    EXPECT_EQ(SysCaptHeight(p, row.ppi), row.dialogCaption10);
    kvWinMajorVer = 6;
    kvWinMinorVer = 2;
    EXPECT_EQ(SysCaptHeight(p, row.ppi), row.dialogCaption8);
  }
}

TEST_F(FrameMetrics, SystemMetricsForDpiIsBoundAndScales) {
  kvSysMetricsForDpi = saved;
  ASSERT_NE(kvSysMetricsForDpi, nullptr);
  EXPECT_EQ(kv_GetSysMetrics(SM_CYCAPTION, 96), GetSystemMetricsForDpi(SM_CYCAPTION, 96));
  EXPECT_GT(kv_GetSysMetrics(SM_CYCAPTION, 192), kv_GetSysMetrics(SM_CYCAPTION, 96));
}

TEST_F(FrameMetrics, NoSystemButtonsWithoutSystemMenuEvenWithHelp) {
  TsSkinProvider* p = Skin();
  EXPECT_EQ(p->SysButtonsCount(), 3);
  form->SetBorderIcons(TBorderIcons{biHelp, biMinimize, biMaximize});
  EXPECT_EQ(p->SysButtonsCount(), 0);
  form->SetBorderIcons(TBorderIcons{biSystemMenu, biHelp});
  EXPECT_EQ(p->SysButtonsCount(), 2);
}

TEST_F(FrameMetrics, ButtonBlockCountsHiddenUserButtons) {
  TsSkinProvider* p = Skin();
  const Integer without = p->TitleBtnsWidth();
  p->FTitleButtons->Add();
  p->FTitleButtons->Add()->Visible = false;
  // The spacing once, then each button, hidden or not, at the user image's fallback width.
  EXPECT_EQ(p->TitleBtnsWidth(), without + skin->skin.Data->Spacing + 2 * (skin->skin.Data->BISpacing + 21));
}

TEST_F(FrameMetrics, MaxButtonOffsetOnlyForATallerSkinTitle) {
  TsSkinProvider* p = Skin();
  UsePPI(p, 96);
  skin->skin.Data->ExTitleHeight = skin->skin.Data->ExMaxHeight = 23 + 4;
  EXPECT_EQ(MaxBtnOffset(p, true), 0);
  skin->skin.Data->ExMaxHeight = 23 + 4 + 7;
  EXPECT_EQ(MaxBtnOffset(p, true), 7);
}

// The client's place in the picture, for every border style, with and without the form's own
// skinned bars: half of what the window is wider than the client (the vertical bar aside), and
// what it is taller less the bottom edge (a frame with a border has one as wide as its sides)
// and the horizontal bar. That is where the system put the client (a dialog frame is thinner
// than the border metric with its added margin).
TEST_F(FrameMetrics, ClientOffsetsFollowTheWindowFrame) {
  kvSBUtilsStartup();  // the flat scroll-bar functions the engine's start-up binds
  AddScrollParts(skin->skin);
  skin->skin.Data->Reindex();
  TsSkinProvider* p = Skin();
  constexpr Integer kBar = 17;
  for (TkvScrollData* d : {p->FCommonData->FHorzScrollData.get(), p->FCommonData->FVertScrollData.get()}) {
    d->FScrollWidth = kBar;
    d->FButtonsSize = 15;
  }
  ShowForm();
  for (bool bars : {false, true}) {
    for (TFormBorderStyle style : {bsSizeable, bsSingle, bsDialog, bsToolWindow, bsSizeToolWin, bsNone}) {
      SCOPED_TRACE(testing::Message() << "style " << int(style) << (bars ? " with bars" : ""));
      form->SetBorderStyle(style);
      const HWND h = form->Handle();
      if (bars) {
        SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 999, 100, 0, 0};
        SetScrollInfo(h, SB_VERT, &si, FALSE);
        SetScrollInfo(h, SB_HORZ, &si, FALSE);
        ShowScrollBar(h, SB_BOTH, TRUE);
        Application->ProcessMessages();
      }
      const LONG ws = GetWindowLongW(h, GWL_STYLE);
      ASSERT_EQ((ws & WS_VSCROLL) != 0, bars);
      ASSERT_EQ((ws & WS_HSCROLL) != 0, bars);
      const Integer v = bars ? kBar : 0, hb = bars ? kBar : 0;
      RECT w{}, c{};
      GetWindowRect(h, &w);
      GetClientRect(h, &c);
      const Integer dw = w.right - w.left - c.right, dh = w.bottom - w.top - c.bottom;
      const Integer side = (dw - v) / 2;
      EXPECT_EQ(p->OffsetX(), side);
      EXPECT_EQ(p->OffsetY(), dh - ((ws & WS_BORDER) ? side : 0) - hb);
      POINT origin{0, 0};
      ClientToScreen(h, &origin);
      EXPECT_EQ(p->OffsetX(), origin.x - w.left);
      EXPECT_EQ(p->OffsetY(), origin.y - w.top);
    }
  }
}

// A form whose window has no caption bits reports no caption, until it is minimized: the
// minimized window shows a caption of the system's height whatever its style.
TEST_F(FrameMetrics, ACaptionlessFormReportsACaptionOnlyWhenMinimized) {
  TsSkinProvider* p = Skin();
  UsePPI(p, 96);
  form->Show();
  PumpMessages();
  const HWND h = form->Handle();
  SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) & ~LONG(WS_CAPTION));
  SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  ASSERT_FALSE(IsIconic(h));
  EXPECT_EQ(p->CaptionHeight(true), 0);
  ShowWindow(h, SW_MINIMIZE);
  PumpMessages();
  ASSERT_TRUE(IsIconic(h));
  ASSERT_EQ(GetWindowLongW(h, GWL_STYLE) & WS_CAPTION, 0);
  EXPECT_EQ(p->CaptionHeight(true), kRows[0].caption);
  EXPECT_EQ(p->CaptionHeight(false), kRows[0].caption);
}
