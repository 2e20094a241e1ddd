// The track bar's position tooltip beside the effect's spot.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "controls/sTrackBar.h"
#include "paint/sGraphUtils.h"
#include "ui/Forms.h"

namespace {
struct Changer : TObject {
  void Info(TObject*, TkvToolTipInfo& info) { info.Text = u"Position " + info.Text + u" of 100"; }
};
}  // namespace

TEST(TrackBarToolTip, ShowsThePositionBesideTheSpotAndGoesAway) {
  ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "window tests need a display";
  sGraphUtilsStartup();
  TApplication app;
  auto* form = new TForm(&app);
  form->AfterConstruction();
  auto* bar = new TsTrackBar(form);
  bar->SetParent(form);
  bar->SetMax(100);
  bar->SetPosition(42);
  const TRect spot(300, 300, 340, 340);

  ShowToolTip(bar, spot);  // ptNone: nothing
  EXPECT_FALSE(bar->ToolTipForm);

  bar->SetPositionToolTip(ptBottom);
  ShowToolTip(bar, spot);
  ASSERT_TRUE(bar->ToolTipForm);
  HWND tip = bar->ToolTipForm->Handle();
  EXPECT_TRUE(IsWindowVisible(tip));
  EXPECT_TRUE(GetWindowLongW(tip, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_TRUE(GetWindowLongW(tip, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT r{};
  GetWindowRect(tip, &r);
  EXPECT_EQ(r.top, 340);                                 // below the spot
  EXPECT_LE(std::abs((r.left + r.right) / 2 - 320), 1);  // centred under it
  const LONG plainWidth = r.right - r.left;
  EXPECT_GT(plainWidth, 8);

  Changer changer;
  bar->OnGetToolTipInfo = TkvToolTipInfoEvent(&changer, &Changer::Info);
  bar->SetPositionToolTip(ptRight);
  ShowToolTip(bar, spot);
  GetWindowRect(tip, &r);
  EXPECT_EQ(r.left, 340);                   // right of the spot
  EXPECT_GT(r.right - r.left, plainWidth);  // the longer text the handler gave

  HideToolTip(bar);
  EXPECT_FALSE(bar->ToolTipForm);
  EXPECT_FALSE(IsWindow(tip));
}
