// A bound label over its edit: made on the edit's parent with the edit's name, placed beside the
// edit and following it, hidden and disabled with it, and gone when switched off or when the
// form goes first.
#include <windows.h>

#include <gtest/gtest.h>

#include "controls/sButton.h"
#include "controls/sEdit.h"
#include "support/FormFixture.h"

namespace {

class BoundLabel : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    edit = new TsEdit(form);
    edit->SetName(u"edtLink");
    edit->SetBounds(120, 60, 150, 24);
    edit->SetParent(form);
    form->Show();
    PumpMessages();
  }
  TsEdit* edit = nullptr;
};

TEST_F(BoundLabel, MadeWithTheEditsNameAndPlacedLeft) {
  TsBoundLabel* b = edit->BoundLabel();
  b->SetActive(true);
  TsEditLabel* l = b->TheLabel();
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->Parent(), form);
  EXPECT_EQ(l->Name(), u"edtLinkLabel");
  EXPECT_EQ(l->Caption(), u"edtLink");  // an empty caption shows the name
  EXPECT_GT(l->Width(), 0);
  EXPECT_EQ(l->Left() + l->Width(), 120);  // right next to the edit
  EXPECT_EQ(l->Top(), 60 + (24 - l->Height()) / 2 - (edit->ClientHeight() != edit->Height() ? 1 : 0));
  b->SetCaption(u"Link:");
  EXPECT_EQ(l->Caption(), u"Link:");
  EXPECT_EQ(l->Left() + l->Width(), 120);
}

TEST_F(BoundLabel, FollowsTheEditOnEverySide) {
  TsBoundLabel* b = edit->BoundLabel();
  b->SetCaption(u"Folder");
  b->SetActive(true);
  TsEditLabel* l = b->TheLabel();
  ASSERT_NE(l, nullptr);
  for (TsCaptionLayout layout : {sclLeft, sclTopLeft, sclTopCenter, sclTopRight, sclLeftTop, sclBottomLeft,
                                 sclBottomCenter, sclBottomRight, sclRight, sclRightTop, sclLeftLeft, sclRightRight}) {
    b->SetLayout(layout);
    edit->SetBounds(100, 80, 150, 24);
    const bool shorter = edit->ClientHeight() != edit->Height();
    EXPECT_EQ(TPoint(l->Left(), l->Top()),
              BoundLabelPlace(layout, edit->BoundsRect(), TSize(l->Width(), l->Height()), 0, 0, 0, shorter))
        << int(layout);
    edit->SetBounds(130, 40, 150, 24);  // moved: the label follows
    EXPECT_EQ(TPoint(l->Left(), l->Top()),
              BoundLabelPlace(layout, edit->BoundsRect(), TSize(l->Width(), l->Height()), 0, 0, 0, shorter))
        << int(layout);
  }
}

TEST_F(BoundLabel, HiddenAndDisabledWithTheEdit) {
  TsBoundLabel* b = edit->BoundLabel();
  b->SetActive(true);
  TsEditLabel* l = b->TheLabel();
  ASSERT_NE(l, nullptr);
  edit->SetEnabled(false);
  EXPECT_FALSE(l->Enabled());
  b->SetEnabledAlways(true);
  EXPECT_TRUE(l->Enabled());
  edit->SetVisible(false);
  EXPECT_FALSE(l->Visible());
  edit->SetVisible(true);
  EXPECT_TRUE(l->Visible());
  b->SetActive(false);
  EXPECT_EQ(b->TheLabel(), nullptr);
  EXPECT_EQ(form->ControlCount(), 1);
}

TEST_F(BoundLabel, FormGoingFirstLeavesNoLabelBehind) {
  edit->BoundLabel()->SetActive(true);
  ASSERT_NE(edit->BoundLabel()->TheLabel(), nullptr);
  TComponentWatch label(edit->BoundLabel()->TheLabel()), owner(edit);
  app.reset();  // the form frees its children, the label among them, and the edit
  EXPECT_FALSE(label.Alive());
  EXPECT_FALSE(owner.Alive());
}

}  // namespace
