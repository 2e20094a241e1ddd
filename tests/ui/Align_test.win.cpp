// Align layout without windows: tables of parent sizes and the rectangles the aligned and
// anchored children get, the order among equals, margins, padding, size limits, the align
// level, custom alignment and scaling to another density.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "ui/Controls.h"

namespace {

// A parent that counts its align passes and what its children saw during them.
class TCountingParent : public TWinControl {
 public:
  using TWinControl::TWinControl;
  int passes = 0;
  void AlignControls(TControl* control, TRect& rect) override {
    ++passes;
    aligningSeen = ControlState().Contains(csAligning);
    TWinControl::AlignControls(control, rect);
  }
  bool aligningSeen = false;
};

struct Rect4 {
  Integer l, t, w, h;
  bool operator==(const Rect4&) const = default;
};
void PrintTo(const Rect4& r, std::ostream* os) {
  *os << "(" << r.l << ", " << r.t << ", " << r.w << " x " << r.h << ")";
}

Rect4 Of(const TControl* c) { return {c->Left(), c->Top(), c->Width(), c->Height()}; }

class AlignTest : public ::testing::Test {
 protected:
  TControl* Child(TAlign a, Integer w, Integer h, bool windowed = false, Integer top = 0) {
    TControl* c = windowed ? static_cast<TControl*>(new TWinControl(nullptr)) : new TGraphicControl(nullptr);
    c->SetBounds(0, top, w, h);
    c->SetAlign(a);
    c->SetParent(&parent);
    return c;
  }
  TCountingParent parent{nullptr};
};

TEST_F(AlignTest, EachAlignmentTakesItsEdgeForEveryParentSize) {
  TControl* top = Child(alTop, 10, 20);
  TControl* bottom = Child(alBottom, 10, 30);
  TControl* left = Child(alLeft, 40, 10);
  TControl* right = Child(alRight, 50, 10, true);
  TControl* client = Child(alClient, 5, 5, true);
  struct Case {
    Integer w, h;
    Rect4 top, bottom, left, right, client;
  } cases[] = {
      {300, 200, {0, 0, 300, 20}, {0, 170, 300, 30}, {0, 20, 40, 150}, {250, 20, 50, 150}, {40, 20, 210, 150}},
      {100, 60, {0, 0, 100, 20}, {0, 30, 100, 30}, {0, 20, 40, 10}, {50, 20, 50, 10}, {40, 20, 10, 10}},
      // Too small: the later controls get no room, never negative sizes.
      {60, 40, {0, 0, 60, 20}, {0, 10, 60, 30}, {0, 20, 40, 0}, {10, 20, 50, 0}, {40, 20, 0, 0}},
      {0, 0, {0, 0, 0, 20}, {0, -30, 0, 30}, {0, 20, 40, 0}, {-50, 20, 50, 0}, {40, 20, 0, 0}},
      {1000, 20, {0, 0, 1000, 20}, {0, -10, 1000, 30}, {0, 20, 40, 0}, {950, 20, 50, 0}, {40, 20, 910, 0}},
  };
  for (const Case& c : cases) {
    parent.SetBounds(0, 0, c.w, c.h);
    SCOPED_TRACE(testing::Message() << "parent " << c.w << " x " << c.h);
    EXPECT_EQ(Of(top), c.top);
    EXPECT_EQ(Of(bottom), c.bottom);
    EXPECT_EQ(Of(left), c.left);
    EXPECT_EQ(Of(right), c.right);
    EXPECT_EQ(Of(client), c.client);
  }
}

TEST_F(AlignTest, MarginsPaddingAndBorderWidthKeepSpaceFree) {
  parent.SetBounds(0, 0, 300, 200);
  parent.Padding()->SetBounds(5, 6, 7, 8);
  TControl* top = Child(alTop, 10, 20);
  top->SetAlignWithMargins(true);  // 3 on every side unless set
  TControl* left = Child(alLeft, 40, 10);
  left->Margins()->SetBounds(1, 2, 3, 4);
  TControl* client = Child(alClient, 5, 5);
  client->Margins()->SetBounds(10, 10, 10, 10);  // no effect without AlignWithMargins
  EXPECT_EQ(Of(top), (Rect4{8, 9, 282, 20}));
  EXPECT_EQ(Of(left), (Rect4{5, 32, 40, 160}));
  EXPECT_EQ(Of(client), (Rect4{45, 32, 248, 160}));
  left->SetAlignWithMargins(true);
  EXPECT_EQ(Of(left), (Rect4{6, 34, 40, 154}));
  EXPECT_EQ(Of(client), (Rect4{49, 32, 244, 160}));
  // The border is outside the client area, so the children move in by it.
  parent.SetBorderWidth(4);
  EXPECT_EQ(parent.ClientRect(), TRect(0, 0, 292, 192));
  EXPECT_EQ(Of(top), (Rect4{8, 9, 274, 20}));
  EXPECT_EQ(Of(client), (Rect4{49, 32, 236, 152}));
}

TEST_F(AlignTest, OrderAmongEqualsFollowsPositionAndTheAskingControl) {
  parent.SetBounds(0, 0, 100, 100);
  TControl* a = Child(alTop, 1, 10, false, 0);
  TControl* b = Child(alTop, 1, 10, false, 10);
  TControl* c = Child(alTop, 1, 10, false, 20);
  EXPECT_EQ(a->Top(), 0);
  EXPECT_EQ(b->Top(), 10);
  EXPECT_EQ(c->Top(), 20);
  // Moved to the top edge, a control goes first among those at the top.
  c->SetTop(0);
  EXPECT_EQ(c->Top(), 0);
  EXPECT_EQ(a->Top(), 10);
  EXPECT_EQ(b->Top(), 20);
  // Moved between two, it goes between them.
  c->SetTop(15);
  EXPECT_EQ(a->Top(), 0);
  EXPECT_EQ(c->Top(), 10);
  EXPECT_EQ(b->Top(), 20);

  // A new control at the position of others goes first among them.
  TControl* d = Child(alTop, 1, 10, false, 0);
  EXPECT_EQ(d->Top(), 0);
  EXPECT_EQ(a->Top(), 10);

  // At the bottom the later of equals goes nearest the edge.
  TControl* x = new TGraphicControl(nullptr);
  TControl* y = new TGraphicControl(nullptr);
  parent.DisableAlign();
  for (TControl* k : {x, y}) {
    k->SetBounds(0, 0, 1, 5);
    k->SetAlign(alBottom);
    k->SetParent(&parent);
  }
  parent.EnableAlign();
  EXPECT_EQ(y->Top(), 95);
  EXPECT_EQ(x->Top(), 90);
  // A bottom control moved up goes above the others.
  y->SetTop(0);
  EXPECT_EQ(x->Top(), 95);
  EXPECT_EQ(y->Top(), 90);
}

TEST_F(AlignTest, AnchorsKeepDistancesToTheParentsEdges) {
  parent.SetBounds(0, 0, 200, 100);
  struct Case {
    TAnchors anchors;
    Rect4 grown, shrunk;
  } cases[] = {
      {{akLeft, akTop}, {20, 30, 50, 40}, {20, 30, 50, 40}},
      {{akRight, akBottom}, {120, 90, 50, 40}, {-130, 0, 50, 40}},
      {{akLeft, akTop, akRight, akBottom}, {20, 30, 150, 100}, {20, 30, 0, 10}},
      {{akTop, akRight}, {120, 30, 50, 40}, {-130, 30, 50, 40}},
      // Neither edge of an axis: the centre stays at the same proportion (45/200, 50/100).
      {{}, {43, 60, 50, 40}, {-14, 15, 50, 40}},
  };
  for (const Case& c : cases) {
    TControl* child = new TGraphicControl(nullptr);
    child->SetParent(&parent);
    child->SetBounds(20, 30, 50, 40);
    child->SetAnchors(c.anchors);
    parent.SetBounds(0, 0, 300, 160);
    EXPECT_EQ(Of(child), c.grown) << testing::PrintToString(c.anchors.Bits());
    parent.SetBounds(0, 0, 50, 70);
    EXPECT_EQ(Of(child), c.shrunk) << testing::PrintToString(c.anchors.Bits());
    parent.SetBounds(0, 0, 200, 100);
    EXPECT_EQ(Of(child), (Rect4{20, 30, 50, 40})) << "back at the size it was placed at";
    delete child;
  }
  // A control moved by hand keeps the distances from its new place.
  TControl* moved = new TGraphicControl(nullptr);
  moved->SetParent(&parent);
  moved->SetAnchors({akRight, akTop});
  moved->SetBounds(100, 0, 20, 20);
  parent.SetBounds(0, 0, 250, 100);
  EXPECT_EQ(moved->Left(), 150);
}

TEST_F(AlignTest, ConstraintsLimitEverySize) {
  parent.SetBounds(0, 0, 300, 200);
  TControl* top = Child(alTop, 10, 20);
  top->Constraints()->SetMaxWidth(100);
  TControl* bottom = Child(alBottom, 10, 30);
  bottom->Constraints()->SetMinHeight(50);  // applied at once, then placed by its new height
  TControl* client = Child(alClient, 5, 5);
  client->Constraints()->SetMaxHeight(60);
  client->Constraints()->SetMinWidth(400);
  EXPECT_EQ(Of(top), (Rect4{0, 0, 100, 20}));
  EXPECT_EQ(Of(bottom), (Rect4{0, 150, 300, 50}));
  EXPECT_EQ(Of(client), (Rect4{0, 20, 400, 60}));
  // Set from outside too, and a maximum below the minimum is raised to it.
  TControl* loose = new TGraphicControl(nullptr);
  loose->Constraints()->SetMinWidth(30);
  loose->Constraints()->SetMaxWidth(10);
  EXPECT_EQ(loose->Constraints()->MaxWidth(), 30);
  loose->SetBounds(0, 0, 5, 5);
  EXPECT_EQ(loose->Width(), 30);
  loose->SetBounds(0, 0, 99, 5);
  EXPECT_EQ(loose->Width(), 30);
  delete loose;
}

TEST_F(AlignTest, AlignLevelDefersToOnePassAtTheEnd) {
  parent.SetBounds(0, 0, 300, 200);
  TControl* top = Child(alTop, 10, 20);
  TControl* client = Child(alClient, 5, 5);
  parent.passes = 0;
  parent.DisableAlign();
  parent.DisableAlign();
  EXPECT_TRUE(parent.AlignDisabled());
  top->SetHeight(50);
  parent.SetBounds(0, 0, 400, 300);
  top->SetVisible(false);
  top->SetVisible(true);
  EXPECT_EQ(parent.passes, 0);
  EXPECT_EQ(client->Top(), 20);  // not placed yet
  parent.EnableAlign();
  EXPECT_EQ(parent.passes, 0);
  parent.EnableAlign();
  EXPECT_EQ(parent.passes, 1);
  EXPECT_TRUE(parent.aligningSeen);
  EXPECT_FALSE(parent.ControlState().Contains(csAligning));
  EXPECT_EQ(Of(top), (Rect4{0, 0, 400, 50}));
  EXPECT_EQ(Of(client), (Rect4{0, 50, 400, 250}));
  // Nothing asked while disabled: enabling aligns nothing.
  parent.DisableAlign();
  parent.EnableAlign();
  EXPECT_EQ(parent.passes, 1);
  // A hidden aligned control gives its space away; shown again it takes it back.
  top->Hide();
  EXPECT_EQ(Of(client), (Rect4{0, 0, 400, 300}));
  top->Show();
  EXPECT_EQ(Of(client), (Rect4{0, 50, 400, 250}));
}

TEST_F(AlignTest, ASuspendedScopeAlignsOnceAtItsEnd) {
  parent.SetBounds(0, 0, 100, 100);
  TControl* top = Child(alTop, 10, 20);
  TControl* client = Child(alClient, 5, 5);
  parent.passes = 0;
  {
    TAlignSuspended suspended(&parent);
    top->SetHeight(30);
    top->SetHeight(35);
    EXPECT_TRUE(parent.AlignDisabled());
  }
  EXPECT_FALSE(parent.AlignDisabled());
  EXPECT_EQ(parent.passes, 1);
  EXPECT_EQ(client->Top(), 35);
  // Left by an exception: the level comes down, and the next pass does the waiting work.
  try {
    TAlignSuspended suspended(&parent);
    top->SetHeight(40);
    throw EInvalidOperation("stop");
  } catch (const EInvalidOperation&) {}
  EXPECT_FALSE(parent.AlignDisabled());
  EXPECT_EQ(parent.passes, 1);
  EXPECT_EQ(client->Top(), 35);
  parent.Realign();
  EXPECT_EQ(client->Top(), 40);
}

TEST_F(AlignTest, ChangingTheAlignmentSwapsOrRestoresTheBounds) {
  parent.SetBounds(0, 0, 300, 200);
  TControl* c = new TGraphicControl(nullptr);
  c->SetParent(&parent);
  c->SetBounds(10, 20, 30, 40);
  c->SetAlign(alTop);
  EXPECT_EQ(Of(c), (Rect4{0, 0, 300, 40}));
  EXPECT_EQ(c->Anchors(), (TAnchors{akLeft, akTop, akRight}));
  c->SetAlign(alLeft);  // the height it had becomes its width
  EXPECT_EQ(Of(c), (Rect4{0, 0, 40, 200}));
  c->SetAlign(alNone);  // back to the last bounds it was given itself (the swapped ones)
  EXPECT_EQ(Of(c), (Rect4{0, 0, 40, 300}));
  EXPECT_EQ(c->Anchors(), (TAnchors{akLeft, akTop}));
  c->SetBounds(10, 20, 30, 40);
  c->SetAlign(alClient);
  EXPECT_EQ(Of(c), (Rect4{0, 0, 300, 200}));
  EXPECT_EQ(c->ExplicitBounds(), TRect(10, 20, 40, 60));
  c->SetAlign(alNone);
  EXPECT_EQ(Of(c), (Rect4{10, 20, 30, 40}));
}

TEST_F(AlignTest, CustomAlignmentAsksTheParent) {
  struct THooks : TObject {
    void Before(TWinControl*, TControl* c1, TControl* c2, bool& before) { before = c1->Tag() < c2->Tag(); }
    void Place(TWinControl*, TControl* c, Integer& l, Integer& t, Integer& w, Integer& h, TRect& r,
               const TAlignInfo& info) {
      // A row from the right, each control as wide as its tag.
      l = r.Right - w * (info.ControlIndex + 1);
      t = r.Top;
      w = c->Tag();
      h = 7;
      order.push_back(c->Tag());
    }
    std::vector<intptr_t> order;
  } hooks;
  parent.SetBounds(0, 0, 100, 50);
  parent.SetOnAlignInsertBefore(TAlignInsertBeforeEvent(&hooks, &THooks::Before));
  parent.SetOnAlignPosition(TAlignPositionEvent(&hooks, &THooks::Place));
  TControl* a = Child(alNone, 10, 10);
  a->SetTag(30);
  TControl* b = Child(alNone, 10, 10);
  b->SetTag(20);
  parent.DisableAlign();
  a->SetAlign(alCustom);
  b->SetAlign(alCustom);
  hooks.order.clear();
  parent.EnableAlign();
  EXPECT_EQ(hooks.order, (std::vector<intptr_t>{20, 30}));
  EXPECT_EQ(Of(b), (Rect4{90, 0, 20, 7}));
  EXPECT_EQ(Of(a), (Rect4{80, 0, 30, 7}));
}

TEST_F(AlignTest, ScalingToAnotherDensityKeepsTheLayout) {
  parent.SetBounds(0, 0, 200, 100);
  TControl* top = Child(alTop, 10, 20);
  top->SetAlignWithMargins(true);
  TControl* anchored = new TGraphicControl(nullptr);
  anchored->SetParent(&parent);
  anchored->SetBounds(150, 60, 40, 30);
  anchored->SetAnchors({akRight, akBottom});
  anchored->Constraints()->SetMaxWidth(45);
  parent.passes = 0;
  parent.ChangeScale(192, 96);
  EXPECT_EQ(parent.passes, 1);  // once, after everything is scaled
  EXPECT_EQ(Of(top), (Rect4{6, 6, 388, 40}));
  EXPECT_EQ(Of(anchored), (Rect4{300, 120, 80, 60}));
  EXPECT_EQ(anchored->Constraints()->MaxWidth(), 90);
  // The anchors measure from the scaled parent: growing it moves the control as before.
  parent.SetBounds(0, 0, 500, 200);
  EXPECT_EQ(Of(anchored), (Rect4{400, 120, 80, 60}));
}

}  // namespace
