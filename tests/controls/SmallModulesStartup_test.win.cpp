// Start-up and clean-up steps of the colour dialog's and month calendar's modules.
#include <windows.h>

#include <gtest/gtest.h>

#include "controls/sColorDialog.h"
#include "controls/sMonthCalendar.h"
#include "ui/Forms.h"

namespace {
void Start() {
  sColorDialogStartup();
  sMonthCalendarStartup();
}
void Stop() {
  sMonthCalendarCleanup();
  sColorDialogCleanup();
}
}  // namespace

TEST(SmallModulesStartup, PipetteCursorCustomColoursAndTodayCaption) {
  ASSERT_EQ(Screen, nullptr);
  Start();
  ASSERT_NE(Screen, nullptr);
  HCURSOR pipette = Screen->Cursors(crPipette);
  ASSERT_NE(pipette, nullptr);
  EXPECT_NE(pipette, Screen->Cursors(0));  // not the arrow every unknown index gives
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(pipette, &info));
  EXPECT_EQ(info.xHotspot, 1u);
  EXPECT_EQ(info.yHotspot, 30u);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);

  ASSERT_NE(kvCustomColors(), nullptr);
  ASSERT_EQ(kvCustomColors()->Count(), 18);
  for (Integer i = 0; i < 18; ++i) EXPECT_EQ(kvCustomColors()->Strings(i), u"FFFFFF");
  EXPECT_FALSE(s_Today().empty());

  Stop();
  EXPECT_EQ(kvCustomColors(), nullptr);
  EXPECT_TRUE(s_Today().empty());
  EXPECT_EQ(Screen, nullptr);  // the screen made for the cursor went with the engine
}

TEST(SmallModulesStartup, AnApplicationTakesTheScreenWithTheCursorOver) {
  Start();
  HCURSOR pipette = Screen->Cursors(crPipette);
  {
    TApplication app;
    EXPECT_EQ(Screen->Cursors(crPipette), pipette);
  }
  EXPECT_EQ(Screen, nullptr);
  Stop();  // nothing left to free twice
  EXPECT_EQ(Screen, nullptr);
}
