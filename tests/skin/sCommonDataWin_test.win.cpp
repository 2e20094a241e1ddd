// Scaling of lengths for a skin data's owner, and the corner radii of a custom border that
// follow from it and from the control's size.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/kvntTypes.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "ui/Forms.h"

namespace {

class Scaling : public testing::Test {
 protected:
  void SetUp() override {
    app = std::make_unique<TApplication>();
    form = new TForm(app.get());
    form->AfterConstruction();
    ctrl = new TCustomControl(form);
    ctrl->SetParent(form);
  }
  void TearDown() override { app.reset(); }
  std::unique_ptr<TApplication> app;
  TForm* form = nullptr;
  TCustomControl* ctrl = nullptr;
};

}  // namespace

TEST_F(Scaling, ScaleIntByTheManagersMode) {
  EXPECT_EQ(ScaleInt(10), 10);         // no manager: the application's 96 PPI
  EXPECT_EQ(DefaultScaleInt(10), 10);  // the same through the default manager's link
  DuRiruZireziv manager(nullptr);
  auto data = std::make_unique<TkvSkinData>();
  data->FOwner = &manager;
  data->PPI = 144;
  data->gd.resize(1);
  TsCommonData sd(ctrl);
  sd.FOwnerControl = ctrl;
  // A skin at hand (active, with the control's section) whose 144-PPI data the control cached.
  sd.SkinIndex = 0;
  manager.SkinDataArray.push_back(std::make_unique<TkvSkinData>(&manager, 96));
  manager.SkinCommonInfo.Active = true;
  sd.FCommonSkinData = data.get();
  struct Case {
    TkvScaleMode mode;
    bool calcVCL;
    Integer out;
  } cases[] = {
      {smVCL, true, 15}, {smVCL, false, 10}, {smOldMode, true, 10}, {sm150, true, 15},
      {sm125, true, 12}, {sm200, true, 20},  {sm100, true, 10},     {smCustomPPI, true, 13},  // 12.5 rounds up
  };
  manager.Options.PixelsPerInch = 120;
  for (const auto& c : cases) {
    manager.Options.ScaleMode = c.mode;
    EXPECT_EQ(ScaleInt(10, &sd, c.calcVCL), c.out) << int(c.mode);
  }
  manager.Options.ScaleMode = sm150;
  EXPECT_EQ(ScaleInt(10), 15);  // without skin data: the default manager
  EXPECT_EQ(DefaultScaleInt(10), 15);
  EXPECT_EQ(sd.ScaleValue(10), ScaleInt(10, &sd));  // what a custom border asks its skin data
  ctrl->SetDesigning(true);
  EXPECT_EQ(ScaleInt(10, &sd), 10);  // a control being designed keeps its lengths
}

TEST_F(Scaling, CornerRadiiOfACustomBorder) {
  TsCommonData sd(ctrl);
  sd.FOwnerControl = ctrl;
  TkvPaintBorderData border(ctrl, &sd, nullptr);
  ctrl->SetBounds(0, 0, 100, 20);
  for (Integer i = 0; i < 4; ++i) border.SetRadius(i, 30);
  EXPECT_EQ(border.GetCorner(0), 10);  // height 20 limits; the neighbour's 30 leaves 20 div 2
  border.SetRadius(2, -1);
  EXPECT_EQ(border.GetCorner(0), 20);  // a neighbour from the skin counts as 0
  EXPECT_EQ(border.GetCorner(2), -1);  // from the skin: unchanged
  border.SetRadius(1, 4);
  border.SetRadius(3, 10);
  EXPECT_EQ(border.GetCorner(1), 4);  // fits beside its neighbour
  border.SetRadius(3, 30);
  EXPECT_EQ(border.GetCorner(1), 10);  // a large neighbour: half the side, even above the radius asked
  border.SetRadius(0, 0);
  EXPECT_EQ(border.GetCorner(0), 0);  // square
  ctrl->SetBounds(0, 0, 20, 100);     // higher than wide: the width and the top/bottom neighbour
  border.SetRadius(0, 30);
  border.SetRadius(1, 15);
  EXPECT_EQ(border.GetCorner(0), 10);  // max(20 div 2, 20 - 15)
  EXPECT_EQ(border.GetCorner(7), 20);  // any other corner is bottom-right (its neighbour is from the skin)

  DuRiruZireziv manager(nullptr);
  manager.Options.ScaleMode = sm200;
  sd.CurrentPPI = 192;
  ctrl->SetBounds(0, 0, 200, 200);
  border.SetRadius(3, 8);
  EXPECT_EQ(border.GetCorner(3), 16);  // scaled for the control's PPI

  TkvPaintBorderData loose(nullptr, nullptr, nullptr);
  loose.SetRadius(0, 50);
  EXPECT_EQ(loose.GetCorner(0), 50);  // no skin data: unscaled, unlimited
  TsCommonData orphan(nullptr);
  TkvPaintBorderData noControl(nullptr, &orphan, nullptr);
  noControl.SetRadius(0, 50);
  EXPECT_EQ(noControl.GetCorner(0), 50);
}

TEST_F(Scaling, ThePPIAControlIsDrawnAt) {
  TsCommonData sd(ctrl);
  sd.FOwnerControl = ctrl;
  HDC screen = GetDC(nullptr);
  const Integer screenPPI = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(GetPPI(&sd), screenPPI);  // no manager: the screen's
  EXPECT_EQ(GetPPI(nullptr), screenPPI);
  DuRiruZireziv manager(nullptr);
  manager.Options.ScaleMode = smCustomPPI;
  manager.Options.PixelsPerInch = 168;
  EXPECT_EQ(GetPPI(&sd), 168);  // inactive: the custom density
  auto data = std::make_unique<TkvSkinData>();
  data->FOwner = &manager;
  data->PPI = 144;
  data->gd.resize(1);
  sd.SkinIndex = 0;
  manager.SkinDataArray.push_back(std::make_unique<TkvSkinData>(&manager, 96));
  sd.FCommonSkinData = data.get();
  manager.SkinCommonInfo.Active = true;
  EXPECT_EQ(GetPPI(&sd), 144);  // active: the density of its skin data
  ctrl->SetDesigning(true);
  EXPECT_EQ(GetPPI(&sd), 96);
}

TEST_F(Scaling, InvalidateRedrawsAVisibleOwnerOnly) {
  form->SetBounds(0, 0, 200, 200);
  ctrl->SetBounds(10, 10, 50, 50);
  form->Show();
  HWND wnd = ctrl->Handle();
  TsCommonData sd(ctrl);
  sd.FOwnerControl = ctrl;
  auto pending = [&] {
    RECT r;
    return GetUpdateRect(wnd, &r, FALSE) != FALSE;
  };
  sd.Loaded(false);  // what the owner does when it is ready; before, nothing is redrawn
  ValidateRect(wnd, nullptr);
  sd.BGChanged = false;
  sd.Invalidate(false);
  EXPECT_TRUE(sd.BGChanged);
  EXPECT_TRUE(pending());
  sd.Invalidate(true);  // at once: painted now, nothing left to do
  EXPECT_FALSE(pending());
  ctrl->SetLoading(true);
  sd.Invalidate(false);
  EXPECT_FALSE(pending());
  ctrl->SetLoading(false);
  ctrl->SetVisible(false);
  sd.BGChanged = false;
  sd.Invalidate(false);
  EXPECT_TRUE(sd.BGChanged);  // marked, but a hidden control is not redrawn
  EXPECT_FALSE(pending());
}
