// Snapping and gluing arithmetic: edges within the snap buffer, the order in which edges are
// tried, the strips beside other forms, the frame margins, and the couples of glued forms.
#include "forms/sSkinProviderGlue.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct EdgeCase {
  Integer dynamic, stat, snap, expected;
};

TEST(HandleEdge, SnapsWithinTheBufferBothEndsIncluded) {
  const EdgeCase cases[] = {
      {110, 100, 10, 10}, {90, 100, 10, -10}, {111, 100, 10, 0}, {89, 100, 10, 0},
      {100, 100, 10, 0},  {105, 100, 10, 5},  {95, 100, 0, 0},   {-3, 0, 5, -3},
  };
  for (const EdgeCase& c : cases)
    EXPECT_EQ(HandleEdge(c.dynamic, c.stat, c.snap), c.expected) << c.dynamic << " vs " << c.stat;
}

TEST(CheckEdges, LeftAndTopFirstThenRightAndBottom) {
  const TRect area(0, 0, 1000, 800);
  const TRect form(0, 0, 200, 100);  // only its size counts
  struct Case {
    Integer x, y;
    TPoint expected;
  } cases[] = {
      {5, 7, {5, 7}},        // near left and top
      {795, 695, {-5, -5}},  // right edge 995, bottom 795: near right and bottom
      {0, 300, {0, 0}},      // on the left edge: 0, then the right edge (200 from 1000) misses
      {400, 300, {0, 0}},    // far from all
      {808, 3, {8, 3}},      // right edge at 1008, top at 3
  };
  for (const Case& c : cases) EXPECT_EQ(CheckEdges(area, form, c.x, c.y, 10), c.expected) << c.x << "," << c.y;
}

TEST(LimitRect, OuterBorderGoesOutwardsWhenInvertedAndUWPInwards) {
  const TRect r(100, 100, 300, 250);
  TkvFrameShape plain;
  EXPECT_EQ(LimitRect(plain, r, true), r);
  TkvFrameShape border{TkvFrameShape::fsOuterBorder, TRect(4, 30, 5, 6)};
  EXPECT_EQ(LimitRect(border, r, true), TRect(96, 70, 305, 256));
  EXPECT_EQ(LimitRect(border, r, false), TRect(104, 130, 295, 244));
  TkvFrameShape uwp{TkvFrameShape::fsUWP, TRect(2, 25, 2, 2)};
  EXPECT_EQ(LimitRect(uwp, r, true), TRect(102, 125, 298, 248));
  EXPECT_EQ(LimitRect(uwp, r, false), TRect(98, 75, 302, 252));
}

TkvSnapScene Scene(TRect bounds, std::vector<TRect> others = {}) {
  TkvSnapScene s;
  s.Work = TRect(0, 0, 1200, 900);
  s.Bounds = bounds;
  s.Others = std::move(others);
  s.SnapBuffer = 10;
  return s;
}

TEST(SnapPosition, SnapsToTheWorkAreaEdges) {
  const TRect b(300, 300, 500, 450);  // 200 x 150
  struct Case {
    Integer x, y;
    TPoint expected;
  } cases[] = {
      {8, 9, {0, 0}},         {-10, 400, {0, 400}},   {1005, 300, {1000, 300}},  // right edge 1205
      {500, 752, {500, 750}}, {500, 739, {500, 739}}, {11, 11, {11, 11}},
  };
  for (const Case& c : cases) EXPECT_EQ(SnapPosition(Scene(b), c.x, c.y), c.expected) << c.x << "," << c.y;
}

TEST(SnapPosition, SnapsBesideAnotherFormOnlyWhereTheyOverlap) {
  const TRect other(400, 200, 600, 400);
  struct Case {
    TRect bounds;  // where the form is now (overlap decides which strips count)
    Integer x, y;
    TPoint expected;
  } cases[] = {
      // the moving form is 200 x 150
      // Right edge 8 px before the other's left, overlapping it vertically: snaps to it, and
      // its top 5 px below the other's top snaps too.
      {TRect(192, 205, 392, 355), 192, 205, {200, 200}},
      // Left edge 6 px after the other's right: snaps onto it.
      {TRect(606, 250, 806, 400), 606, 250, {600, 250}},
      // Top 7 px below the other's bottom, overlapping horizontally: snaps under it.
      {TRect(450, 407, 650, 557), 450, 407, {450, 400}},
      // The same height but far to the right: no horizontal overlap, no vertical snap to it.
      {TRect(800, 407, 1000, 557), 800, 407, {800, 407}},
  };
  for (const Case& c : cases) {
    TkvSnapScene s = Scene(c.bounds, {other});
    EXPECT_EQ(SnapPosition(s, c.x, c.y), c.expected) << c.x << "," << c.y;
  }
}

TEST(SnapPosition, OuterBorderFormsMeetFrameToFrame) {
  // Shadows of 10 px left and right: the window rectangles are inside the frames.
  TkvSnapScene s = Scene(TRect(100, 300, 300, 450), {TRect(400, 300, 600, 450)});
  s.Shape = {TkvFrameShape::fsOuterBorder, TRect(10, 0, 10, 0)};
  // The other's frame starts at 390; the strip left of it, brought back inwards, ends at 380:
  // the moving form's right edge snaps to 380 (its frame then touches at 390).
  EXPECT_EQ(SnapPosition(s, 175, 300), TPoint(180, 300));
}

TEST(FramesTouch, EdgeOnEdgeInEitherDirection) {
  const TRect m(100, 100, 300, 200);
  EXPECT_TRUE(FramesTouch(m, TRect(100, 200, 300, 260)));  // below
  EXPECT_TRUE(FramesTouch(m, TRect(300, 120, 400, 180)));  // right
  EXPECT_TRUE(FramesTouch(m, TRect(100, 40, 300, 100)));   // above
  EXPECT_TRUE(FramesTouch(m, TRect(20, 100, 100, 200)));   // left
  EXPECT_FALSE(FramesTouch(m, TRect(301, 120, 400, 180)));
  EXPECT_FALSE(FramesTouch(m, TRect(120, 120, 200, 180)));
}

struct FakeForm {
  int id;
};
using Couple = TkvFormsCoupleOf<FakeForm>;

std::vector<int> Slaves(const std::vector<Couple>& a) {
  std::vector<int> out;
  for (const Couple& c : a) out.push_back(c.Slave->id);
  return out;
}

TEST(GluedCouples, RemovingASlaveKeepsTheOthersWholeAndChecksTheMovedInCouple) {
  FakeForm m{0}, a{1}, b{2}, c{3};
  // The last couple names the removed slave too: it moves into the freed place and must go.
  std::vector<Couple> couples = {{&a, &m, {1, 1}}, {&b, &m, {2, 2}}, {&c, &m, {3, 3}}, {&a, &m, {4, 4}}};
  RemoveCouplesOf(couples, &a, false);
  EXPECT_EQ(Slaves(couples), (std::vector<int>{3, 2}));
  EXPECT_EQ(couples[0].Pos, TPoint(3, 3));
}

TEST(GluedCouples, AGoingMasterTakesItsCouplesWithIt) {
  FakeForm m{0}, n{9}, a{1}, b{2}, c{3};
  std::vector<Couple> couples = {{&a, &m, {}}, {&b, &n, {}}, {&c, &m, {}}, {&m, &n, {}}};
  // Moved by itself, a master stays a master.
  RemoveCouplesOf(couples, &m, false);
  EXPECT_EQ(Slaves(couples), (std::vector<int>{1, 2, 3}));
  // Gone, it is neither.
  RemoveCouplesOf(couples, &m, true);
  EXPECT_EQ(Slaves(couples), (std::vector<int>{2}));
  EXPECT_EQ(couples[0].Master, &n);
}

TEST(GluedCouples, GluingAgainRenewsTheOffset) {
  FakeForm m{0}, a{1};
  std::vector<Couple> couples;
  GlueCouple(couples, &m, &a, TPoint(200, 0));
  GlueCouple(couples, &m, &a, TPoint(0, 150));
  ASSERT_EQ(couples.size(), 1u);
  EXPECT_EQ(couples[0].Pos, TPoint(0, 150));
  EXPECT_EQ(couples[0].Master, &m);
}

}  // namespace
