// The arithmetic of skinned menus and popup shadows.
#include "controls/sSkinMenusLayout.h"

#include <gtest/gtest.h>

TEST(MenuItemKinds, DividersCaptionItemsAndNormalItems) {
  struct Case {
    const char16_t* caption;
    TsMenuItemType kind;
  } cases[] = {{u"-", smDivider},    {u"-Files-", smCaption}, {u"--", smCaption}, {u"Open", smNormal},
               {u"-Open", smNormal}, {u"Open-", smNormal},    {u"", smNormal}};
  for (const Case& c : cases) EXPECT_EQ(MenuItemKind(c.caption), c.kind) << String(c.caption).size();
  EXPECT_EQ(CaptionItemText(u"-Files-"), u"Files");
  EXPECT_EQ(CaptionItemText(u"--"), u"");
}

TEST(MenuItemText, TabSplitsOffARightTextAndABackspaceRightAligns) {
  TkvMenuItemText t = SplitMenuItemText(u"Open\tCtrl+O");
  EXPECT_EQ(t.Text, u"Open");
  EXPECT_EQ(t.RightText, u"Ctrl+O");
  EXPECT_FALSE(t.RightAligned);
  t = SplitMenuItemText(u"\bHelp");
  EXPECT_EQ(t.Text, u"Help      ");
  EXPECT_TRUE(t.RightAligned);
  EXPECT_TRUE(t.RightText.empty());
  t = SplitMenuItemText(u"\bA\tB");  // the tab rule comes first: the backspace stays
  EXPECT_EQ(t.Text, u"\bA");
  EXPECT_EQ(t.RightText, u"B");
}

TEST(MenuItemSizes, HeightsAndWidthsByKind) {
  TkvMenuMetrics m;  // margin 2, spacing 8, frame 3
  EXPECT_EQ(MenuItemHeight(smDivider, 15, 16, m), 2);
  EXPECT_EQ(MenuItemHeight(smCaption, 15, 16, m), 15 + 4 + 3);
  EXPECT_EQ(MenuItemHeight(smNormal, 15, 16, m), 16 + 4 + 2);  // the glyph is taller
  EXPECT_EQ(MenuItemHeight(smNormal, 20, 16, m), 20 + 4 + 2);
  EXPECT_EQ(MenuItemWidth(smNormal, 50, 16, m), 50 + 32 + 6 + 8);
  EXPECT_EQ(MenuItemWidth(smDivider, 50, 16, m), 32 + 6 + 8);
  m.NoBorder = true;
  EXPECT_EQ(MenuItemWidth(smNormal, 50, 16, m), 50 + 32 + 6 + 8 - 6);
  EXPECT_EQ(MenuItemWidth(smDivider, 50, 16, m), 32 + 6 + 8);  // a divider is not narrowed
}

TEST(MenuColumns, TallestColumnAndSummedWidths) {
  std::vector<TkvMenuColumnItem> one = {{40, 20, false}, {60, 20, false}, {30, 2, false}};
  EXPECT_EQ(MenuColumnsHeight(one), 42);
  EXPECT_EQ(MenuColumnsWidth(one), 60 + 12);
  std::vector<TkvMenuColumnItem> two = {
      {40, 20, false}, {60, 20, false}, {30, 20, true}, {35, 20, false}, {20, 20, false}};
  EXPECT_EQ(MenuColumnsHeight(two), 60);
  EXPECT_EQ(MenuColumnsWidth(two), (60 + 12) + 4 + (35 + 12));
  EXPECT_EQ(MenuColumnsHeight({}), 0);
  EXPECT_EQ(MenuColumnsWidth({}), 0);
}

TEST(MenuFrame, SkinBorderWidthFromImageOrRadius) {
  EXPECT_EQ(MenuSkinBorderWidth(true, 5, 0), 3);
  EXPECT_EQ(MenuSkinBorderWidth(true, 2, 0), 2);
  EXPECT_EQ(MenuSkinBorderWidth(true, 0, 0), 3);
  EXPECT_EQ(MenuSkinBorderWidth(false, 0, 6), 0);
  EXPECT_EQ(MenuSkinBorderWidth(false, 0, 14), 3);
  EXPECT_EQ(MenuExtraLineWidth(32, 144), 48);
  EXPECT_EQ(MenuExtraLineWidth(32, 96), 32);
}

TEST(ShadowGeometry, MarginsWithAndWithoutASkin) {
  EXPECT_EQ(ShadowMargins(false, 10, 3), (TkvShadowMargins{13, 13, 13, 13}));
  EXPECT_EQ(ShadowMargins(true, 10, 3), (TkvShadowMargins{10, 7, 10, 13}));
  EXPECT_EQ(ShadowMargins(true, 2, 5), (TkvShadowMargins{2, 0, 2, 7}));
  EXPECT_EQ(ShadowMargins(true, 2, -5), (TkvShadowMargins{2, 7, 2, 0}));
}

TEST(ShadowGeometry, DestinationBordersGrowByTheSectionsBorder) {
  const TkvShadowMargins m{10, 7, 10, 13};
  EXPECT_EQ(ShadowDestinationBorders(m, true, true, {2, 2, 2, 2}, 9), (TkvShadowMargins{12, 9, 12, 15}));
  EXPECT_EQ(ShadowDestinationBorders(m, true, false, {2, 2, 2, 2}, 4), (TkvShadowMargins{14, 11, 14, 17}));
  EXPECT_EQ(ShadowDestinationBorders(m, false, true, {2, 2, 2, 2}, 4), m);
}

TEST(ShadowGeometry, TheTemplatesSidesStretchToTheDestinationsAndTheCentreStaysEmpty) {
  // A 5 x 5 template: borders 2, a one-pixel centre; every pixel tells where it came from.
  std::vector<uint32_t> src(25), dst(14 * 12, 0);
  for (uint32_t y = 0; y < 5; ++y)
    for (uint32_t x = 0; x < 5; ++x) src[y * 5 + x] = 0xFF000000u | y << 8 | x;
  const TPixelView s{reinterpret_cast<Byte*>(src.data()), 5 * 4, 5, 5};
  const TPixelView d{reinterpret_cast<Byte*>(dst.data()), 14 * 4, 14, 12};
  StretchShadowTemplate(d, s, {2, 2, 2, 2}, {4, 3, 4, 5});
  auto from = [&](Integer x, Integer y) { return dst[size_t(y) * 14 + x]; };
  EXPECT_EQ(from(0, 0), 0xFF000000u | 0 << 8 | 0);    // top-left corner
  EXPECT_EQ(from(3, 2), 0xFF000000u | 1 << 8 | 1);    // its far pixel: corner doubled in size
  EXPECT_EQ(from(13, 0), 0xFF000000u | 0 << 8 | 4);   // top-right corner
  EXPECT_EQ(from(13, 11), 0xFF000000u | 4 << 8 | 4);  // bottom-right corner (5 rows tall)
  EXPECT_EQ(from(7, 0), 0xFF000000u | 0 << 8 | 2);    // the top side from the template's middle column
  EXPECT_EQ(from(0, 5), 0xFF000000u | 2 << 8 | 0);    // the left side from its middle row
  for (Integer y = 3; y < 12 - 5; ++y)
    for (Integer x = 4; x < 14 - 4; ++x) EXPECT_EQ(from(x, y), 0u) << x << "," << y;  // the window's place
}
