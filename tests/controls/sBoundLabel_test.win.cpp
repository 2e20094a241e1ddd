// A bound label over its edit: made on the edit's parent with the edit's name, placed beside the
// edit and following it, hidden and disabled with it, scaled without skin data, measured as
// drawn, painted by the edit's manager, and gone when switched off or when the form goes first.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/WindowQueries.h"
#include "controls/sButton.h"
#include "controls/sEdit.h"
#include "skin/sSkinManager.h"
#include "support/FormFixture.h"
#include "ui/Canvas.h"

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

TEST_F(BoundLabel, MaxWidthWrapsTheCaption) {
  TsBoundLabel* b = edit->BoundLabel();
  b->SetLayout(sclTopLeft);
  b->SetCaption(u"The folder the downloaded videos go to");
  b->SetActive(true);
  TsEditLabel* l = b->TheLabel();
  ASSERT_NE(l, nullptr);
  const Integer oneLineWidth = l->Width(), oneLineHeight = l->Height();
  ASSERT_GT(oneLineWidth, 90);
  b->SetMaxWidth(80);  // at 96 PPI: no scaling here
  EXPECT_LE(l->Width(), 80);
  EXPECT_GT(l->Height(), oneLineHeight);  // wrapped onto more lines
  EXPECT_EQ(l->Top(), 60 - l->Height());  // still right above the edit
  EXPECT_EQ(l->Constraints()->MaxWidth(), 80);
  b->SetMaxWidth(0);
  EXPECT_EQ(l->Width(), oneLineWidth);
  EXPECT_EQ(l->Height(), oneLineHeight);
  EXPECT_EQ(l->Constraints()->MaxWidth(), 0);
}

TEST_F(BoundLabel, LeftLeftWithAMaxWidthKeepsThatWidth) {
  TsBoundLabel* b = edit->BoundLabel();
  b->SetCaption(u"Go");
  b->SetLayout(sclLeftLeft);
  b->SetMaxWidth(70);
  b->SetActive(true);
  TsEditLabel* l = b->TheLabel();
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->Width(), 70);  // not shrunk to the short caption
  EXPECT_FALSE(l->AutoSize());
  EXPECT_EQ(l->Left(), 120 - 70);
}

TEST_F(BoundLabel, BesideAControlAlignedLeftTheLabelTakesTheLeftToo) {
  TsBoundLabel* b = edit->BoundLabel();
  b->SetCaption(u"Link:");
  b->SetActive(true);
  TsEditLabel* l = b->TheLabel();
  ASSERT_NE(l, nullptr);
  edit->SetAlign(alLeft);
  PumpMessages();
  EXPECT_EQ(l->Align(), alLeft);
  EXPECT_EQ(l->Layout(), tlCenter);
  EXPECT_EQ(l->Left(), 0);              // first on the left ...
  EXPECT_EQ(edit->Left(), l->Width());  // ... then the edit
  EXPECT_EQ(l->Height(), edit->Height());
}

TEST_F(BoundLabel, BesideAControlAlignedRightRightRightTakesTheRight) {
  TsBoundLabel* b = edit->BoundLabel();
  b->SetCaption(u"Size");
  b->SetLayout(sclRightRight);
  b->SetActive(true);
  TsEditLabel* l = b->TheLabel();
  ASSERT_NE(l, nullptr);
  edit->SetAlign(alRight);
  PumpMessages();
  EXPECT_EQ(l->Align(), alRight);
  EXPECT_EQ(l->Alignment(), taRightJustify);
  EXPECT_EQ(l->Left() + l->Width(), form->ClientWidth());  // outermost on the right
  EXPECT_EQ(edit->Left() + edit->Width(), l->Left());
  edit->SetAlign(alNone);  // free again: placed beside the edit
  b->SetLayout(sclRight);
  EXPECT_EQ(l->Align(), alNone);
  EXPECT_EQ(l->Left(), edit->Left() + edit->Width());
}

TEST_F(BoundLabel, OwnFontAndColour) {
  TsBoundLabel* b = edit->BoundLabel();
  b->SetCaption(u"Link:");
  b->SetActive(true);
  TsEditLabel* l = b->TheLabel();
  ASSERT_NE(l, nullptr);
  EXPECT_TRUE(b->ParentFont());
  EXPECT_TRUE(l->ParentFont());
  EXPECT_FALSE(b->DoStoreFont());
  EXPECT_EQ(b->Font()->Name(), form->Font()->Name());  // the parent's font, copied
  const Integer smallHeight = l->Height();
  b->Font()->SetSize(b->Font()->Size() * 2);  // a change of the own font makes it the label's
  EXPECT_FALSE(b->ParentFont());
  EXPECT_FALSE(l->ParentFont());
  EXPECT_EQ(l->Font()->Size(), b->Font()->Size());
  EXPECT_GT(l->Height(), smallHeight);
  EXPECT_EQ(l->Left() + l->Width(), 120);  // placed again at its new size
  EXPECT_TRUE(b->DoStoreFont());
  b->Font()->SetColor(clRed);
  b->SetUseSkinColor(false);
  EXPECT_FALSE(l->UseSkinColor());
  EXPECT_EQ(l->Font()->Color(), clRed);
  b->SetParentFont(true);
  EXPECT_TRUE(l->ParentFont());
  EXPECT_EQ(l->Font()->Size(), form->Font()->Size());
  EXPECT_FALSE(b->DoStoreFont());
}

TEST_F(BoundLabel, PublishedSettings) {
  TsBoundLabel* b = edit->BoundLabel();
  SetPropValue(b, u"Layout", u"sclBottomRight");
  EXPECT_EQ(b->Layout(), sclBottomRight);
  EXPECT_EQ(GetPropValue(b, u"Layout"), u"sclBottomRight");
  SetPropValue(b, u"MaxWidth", u"150");
  EXPECT_EQ(b->MaxWidth(), 150);
  SetPropValue(b, u"UseHTML", u"True");
  EXPECT_TRUE(b->UseHTML());
  EXPECT_THROW(SetPropValue(b, u"Layout", u"sclNowhere"), EPropertyConvertError);
}

TEST_F(BoundLabel, ANewPPILaysTheLabelOutAgain) {
  TsBoundLabel* b = edit->BoundLabel();
  b->SetActive(true);
  ASSERT_NE(b->TheLabel(), nullptr);
  EXPECT_EQ(b->CurrentPPI(), 96);
  b->UpdateScale(144);
  EXPECT_EQ(b->CurrentPPI(), 144);
  b->SetActive(false);
  b->UpdateScale(120);  // no label: nothing to lay out, the PPI stays
  EXPECT_EQ(b->CurrentPPI(), 144);
}

TEST_F(BoundLabel, WithoutSkinDataTheApplicationsDensityScalesTheFont) {
  // A plain edit's bound label has no skin data to go by.
  auto* plain = new TEdit(form);
  plain->SetName(u"edtPlain");
  plain->SetBounds(120, 120, 150, 24);
  plain->SetParent(form);
  TsBoundLabel b(plain);
  b.SetParentFont(false);
  b.Font()->SetHeight(-15);
  b.SetActive(true);
  ASSERT_NE(b.TheLabel(), nullptr);
  b.UpdateScale(144);  // laid out for another density since
  ASSERT_EQ(b.CurrentPPI(), 144);
  // A new label takes the density of the application's main form again, its font scaled to it.
  b.SetActive(false);
  b.SetActive(true);
  ASSERT_NE(b.TheLabel(), nullptr);
  EXPECT_EQ(b.CurrentPPI(), DefaultPPI());
  EXPECT_EQ(b.TheLabel()->Font()->Height(), kvMulDiv(-15, DefaultPPI(), 96));
  // A default manager that scales forms itself leaves the density as it was.
  DuRiruZireziv manager(nullptr);
  ASSERT_EQ(DefaultManager, &manager);
  manager.Options.ScaleMode = sm150;
  b.UpdateScale(120);
  b.SetActive(false);
  b.SetActive(true);
  EXPECT_EQ(b.CurrentPPI(), 120);
  b.SetActive(false);
}

TEST_F(BoundLabel, TextRectIsWhereTheLabelDrawsItsCaption) {
  TsBoundLabel* b = edit->BoundLabel();
  EXPECT_EQ(b->GetTextRect(), TRect());  // no label
  b->SetCaption(u"Link:");
  b->SetActive(true);
  TsEditLabel* l = b->TheLabel();
  ASSERT_NE(l, nullptr);
  const TRect r = b->GetTextRect();
  TCanvas* canvas = l->Canvas();
  canvas->Font()->Assign(l->Font());
  EXPECT_EQ(r.Left, 0);
  EXPECT_EQ(r.Top, 0);
  EXPECT_EQ(r.Width(), canvas->TextWidth(u"Link:"));
  EXPECT_EQ(r.Height(), canvas->TextHeight(u"Link:"));
  // A longer caption measures wider; the label sized itself to it.
  b->SetCaption(u"The link to download:");
  EXPECT_GT(b->GetTextRect().Width(), r.Width());
  EXPECT_EQ(b->GetTextRect().Width(), l->Width());
}

TEST_F(BoundLabel, TheLabelIsPaintedByTheControlsOwnManager) {
  DuRiruZireziv own(nullptr);
  edit->SkinData()->FSkinManager = &own;
  edit->BoundLabel()->SetActive(true);
  ASSERT_NE(edit->BoundLabel()->TheLabel(), nullptr);
  EXPECT_EQ(edit->BoundLabel()->TheLabel()->SkinManager(), &own);
  edit->BoundLabel()->SetActive(false);
  edit->SkinData()->FSkinManager = nullptr;
  edit->BoundLabel()->SetActive(true);  // the default manager's then: none named
  EXPECT_EQ(edit->BoundLabel()->TheLabel()->SkinManager(), nullptr);
}

TEST_F(BoundLabel, ClicksAndDoubleClicksOnTheLabelClickTheEditWhenAllowed) {
  struct Count {
    int clicks = 0;
    void Click(TObject*) { ++clicks; }
  } count;
  edit->SetOnClick(TNotifyEvent(&count, &Count::Click));
  TsBoundLabel* b = edit->BoundLabel();
  b->SetActive(true);
  ASSERT_NE(b->TheLabel(), nullptr);
  b->TheLabel()->Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2));
  b->TheLabel()->Perform(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(count.clicks, 0);  // not allowed
  b->SetAllowClick(true);
  b->TheLabel()->Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2));
  EXPECT_EQ(count.clicks, 1);
  b->TheLabel()->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  b->TheLabel()->Perform(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(count.clicks, 2);
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
