// Where a bound label goes on each side of its control, and the mirror for right to left.
#include <gtest/gtest.h>

#include "controls/sBoundLabel.h"

#include <vector>

namespace {

TEST(BoundLabelPlace, EverySide) {
  // A 100 x 30 control at (200, 100); a 40 x 14 label; spacing 2, indent 3, offset 1.
  const TRect control(200, 100, 300, 130);
  const TSize label(40, 14);
  struct Case {
    TsCaptionLayout layout;
    TPoint at;
    TAlignment alignment;
  } cases[] = {
      {sclLeft, {155, 108}, taRightJustify},   // 200 - 40 - 2 - 3; 100 + 8 - 1 + 1
      {sclTopLeft, {201, 83}, taLeftJustify},  // 100 - 14 - 3
      {sclTopCenter, {231, 83}, taCenter},
      {sclTopRight, {261, 83}, taRightJustify},
      {sclLeftTop, {155, 104}, taLeftJustify},  // 100 + 1 + 3
      {sclBottomLeft, {201, 133}, taLeftJustify},
      {sclBottomCenter, {231, 133}, taCenter},
      {sclBottomRight, {261, 133}, taRightJustify},
      {sclRight, {305, 108}, taLeftJustify},
      {sclRightTop, {305, 104}, taLeftJustify},
      {sclLeftLeft, {161, 108}, taLeftJustify},  // the indent moves it towards the control
      {sclRightRight, {299, 108}, taRightJustify},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BoundLabelPlace(c.layout, control, label, 2, 3, 1, true), c.at) << int(c.layout);
    EXPECT_EQ(LayoutAlignment(c.layout), c.alignment) << int(c.layout);
  }
  // A control whose client area is its whole height is not lifted by a pixel on the left.
  EXPECT_EQ(BoundLabelPlace(sclLeft, control, label, 2, 3, 1, false), TPoint(155, 109));
}

TEST(BoundLabelPlace, RightToLeftMirrorsSidesAndKeepsCentres) {
  EXPECT_EQ(MirroredLayout(sclRight), sclLeft);
  EXPECT_EQ(MirroredLayout(sclRightRight), sclLeftLeft);
  EXPECT_EQ(MirroredLayout(sclTopLeft), sclTopRight);
  EXPECT_EQ(MirroredLayout(sclBottomRight), sclBottomLeft);
  EXPECT_EQ(MirroredLayout(sclLeftTop), sclRightTop);
  EXPECT_EQ(MirroredLayout(sclTopCenter), sclTopCenter);
  EXPECT_EQ(MirroredLayout(sclBottomCenter), sclBottomCenter);
}

TEST(BoundLabelPlace, SideOfALabelBesideAnAlignedControl) {
  struct Case {
    TsCaptionLayout layout;
    bool alignedLeft, alignedRight;
    TBoundLabelSide side;
  } cases[] = {
      {sclLeft, true, false, TBoundLabelSide::Left},        {sclLeftLeft, true, false, TBoundLabelSide::Left},
      {sclRightRight, false, true, TBoundLabelSide::Right}, {sclLeft, false, false, TBoundLabelSide::None},
      {sclLeft, false, true, TBoundLabelSide::None},        {sclRight, false, true, TBoundLabelSide::None},
      {sclRightRight, true, false, TBoundLabelSide::None},  {sclTopLeft, true, false, TBoundLabelSide::None},
      {sclLeftTop, true, false, TBoundLabelSide::None},
  };
  for (const Case& c : cases)
    EXPECT_EQ(BoundLabelSide(c.layout, c.alignedLeft, c.alignedRight), c.side)
        << int(c.layout) << ' ' << c.alignedLeft << c.alignedRight;
}

TEST(BoundLabelPlace, WorkingWidthIsTheMaximumOrWideOpen) {
  EXPECT_EQ(BoundLabelWorkingWidth(0), 9999);
  EXPECT_EQ(BoundLabelWorkingWidth(-5), 9999);
  EXPECT_EQ(BoundLabelWorkingWidth(120), 120);
}

TEST(BoundLabelPlace, LayoutsHaveTheirNames) {
  const TEnumInfo& info = EnumInfoOf<TsCaptionLayout>();
  EXPECT_EQ(info.NameOf(sclLeft), u"sclLeft");
  EXPECT_EQ(info.NameOf(sclRightRight), u"sclRightRight");
  EXPECT_EQ(info.Count(), 12);
  EXPECT_EQ(info.ValueOf(u"sclBottomCenter"), Integer(sclBottomCenter));
}

}  // namespace
