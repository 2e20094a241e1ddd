// The scale queries as painters call them: the default manager stands in for a nil one in
// CurrentPPI, a control's own PPI counts where the manager decides none, and scroll-bar and
// combo-button widths start from the system's.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/WindowQueries.h"
#include "skin/sSkinManager.h"
#include "ui/Forms.h"

namespace {

class ScaleQueries : public testing::Test {
 protected:
  void SetUp() override {
    IsNT = true;
    app = std::make_unique<TApplication>();
  }
  void TearDown() override { app.reset(); }
  std::unique_ptr<TApplication> app;
};

}  // namespace

TEST_F(ScaleQueries, CurrentPPIOfTheManagerOrOfTheControl) {
  TForm* form = new TForm(app.get());
  form->AfterConstruction();
  form->HandleNeeded();
  const Integer formPPI = GetControlPPI(form);
  ASSERT_GT(formPPI, 0);
  // No manager at all: the control's, else the application's.
  ASSERT_EQ(DefaultManager, nullptr);
  EXPECT_EQ(CurrentPPI(nullptr, form, true), formPPI);
  EXPECT_EQ(CurrentPPI(nullptr, nullptr, false), DefaultPPI());

  struct Case {
    TkvScaleMode mode;
    bool active, checkActive;
    Integer ppi;  // 0: the form's own
  };
  const Case cases[] = {
      {sm200, true, true, 192}, {sm125, false, false, 120},     {sm125, false, true, 0},
      {smVCL, true, true, 0},   {smCustomPPI, true, true, 168}, {smOldMode, true, false, 96},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.mode) << ' ' << c.active << c.checkActive);
    DuRiruZireziv m(nullptr);
    m.Options.ScaleMode = c.mode;
    m.Options.PixelsPerInch = 168;
    m.SkinCommonInfo.Active = c.active;
    const Integer expected = c.ppi ? c.ppi : formPPI;
    EXPECT_EQ(CurrentPPI(&m, form, c.checkActive), expected);
    EXPECT_EQ(CurrentPPI(nullptr, form, c.checkActive), expected);  // the default manager
  }
  form->Free();
}

TEST_F(ScaleQueries, SystemPPIUsedNeedsAManagerInVCLMode) {
  EXPECT_FALSE(IsSysPPIUsed(nullptr));
  DuRiruZireziv m(nullptr);
  const Integer appPPI = DefaultPPI();
  const bool standard = appPPI == 96 || appPPI == 120 || appPPI == 144 || appPPI == 192;
  EXPECT_EQ(IsSysPPIUsed(&m), standard);
  m.Options.ScaleMode = sm100;
  EXPECT_FALSE(IsSysPPIUsed(&m));
}

TEST_F(ScaleQueries, ScrollAndComboButtonWidthsFromTheSystemsScrollBar) {
  const Integer system = GetSystemMetrics(SM_CXVSCROLL);
  ASSERT_GT(system, 0);
  const Integer screenPPI = Screen->PixelsPerInch();
  EXPECT_EQ(GetScrollSize(nullptr, 192), system);
  EXPECT_EQ(GetComboBtnSize(nullptr, 192), system);

  DuRiruZireziv m(nullptr);
  m.ScrollsOptions.ScrollSize = 17;
  EXPECT_EQ(GetScrollSize(&m, 144), 26);
  EXPECT_EQ(GetComboBtnSize(&m, 144), MulDiv(system, 144, screenPPI));  // the option is for scroll bars
  m.ScrollsOptions.ScrollSize = -1;
  EXPECT_EQ(GetScrollSize(&m, 144), MulDiv(system, 144, screenPPI));
  m.Options.ScaleMode = smOldMode;
  EXPECT_EQ(GetScrollSize(&m, 144), system);
  EXPECT_EQ(GetComboBtnSize(&m, 144), system);
  m.Options.ScaleMode = sm200;
  m.SysFontScale = 0;
  EXPECT_EQ(GetScrollSize(&m, 96), system * 2);
  EXPECT_EQ(GetComboBtnSize(&m, 96), system * 2);
}
