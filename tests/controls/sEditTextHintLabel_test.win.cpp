// A skinned edit with LabelFromTextHint: its text hint becomes its bound label while it has the
// focus and is empty (flying there first, on a clock the test steps), and goes back into the edit
// when the focus leaves it empty.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/sConst.h"
#include "controls/kvAnimationShow.h"
#include "controls/sEdit.h"
#include "support/SkinFixture.h"
#include "ui/Clock.h"
#include "ui/Forms.h"

namespace {

// Each reading is a frame time (12 ms) later than the one before, so a frame's wait ends at its
// second reading. It notes what the edit and its label look like at every reading.
class TFlightClock : public TClock {
 public:
  uint64_t NowMs() const override {
    ++readings;
    if (watched) {
      TsEditLabel* l = watched->BoundLabel()->TheLabel();
      if (l && l->Visible()) ++labelShownDuringFlight;
      if (!(watched->SkinData()->CtrlSkinState & KVS_TEXTANIMATING)) ++notMarked;
    }
    return now += 12;
  }
  mutable uint64_t now = 5000;
  mutable int readings = 0, labelShownDuringFlight = 0, notMarked = 0;
  TsEdit* watched = nullptr;
};

class EditHintLabel : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    app = std::make_unique<TApplication>();
    app->SetClock(&clock);
    skin = std::make_unique<SkinFixture>();
    form = new TForm(app.get());
    form->AfterConstruction();
    form->SetBounds(100, 100, 320, 200);
    section = skin->AddSection(PlainSection(u"EDIT", 0, clWhite, 2));
    skin->Data->IndexSections();
    other = new TsEdit(form);
    other->SetBounds(20, 20, 200, 26);
    other->SetParent(form);
    edit = new TsEdit(form);
    edit->SetName(u"edtLink");
    edit->SetBounds(20, 90, 200, 26);
    edit->SetParent(form);
    edit->SetTextHint(u"Paste a link");
    edit->SetLabelFromTextHint(true);
    edit->BoundLabel()->SetLayout(sclTopLeft);
    edit->HandleNeeded();
    form->Show();
    other->SetFocus();
    Pump();
    edit->SkinData()->SkinIndex = section;
    edit->SkinData()->SetCommonSkinData(nullptr);
    ASSERT_TRUE(edit->SkinData()->Skinned());
  }
  void TearDown() override {
    app.reset();
    skin.reset();
  }
  static void Pump() {
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
  }
  TFlightClock clock;
  std::unique_ptr<TApplication> app;
  std::unique_ptr<SkinFixture> skin;
  TForm* form = nullptr;
  TsEdit *edit = nullptr, *other = nullptr;
  Integer section = -1;
};

TEST_F(EditHintLabel, HintBecomesTheLabelWhileFocusedAndEmpty) {
  TsBoundLabel* b = edit->BoundLabel();
  ASSERT_FALSE(b->Active());
  edit->SetFocus();
  Pump();
  ASSERT_TRUE(b->Active());
  ASSERT_NE(b->TheLabel(), nullptr);
  EXPECT_EQ(b->TheLabel()->Caption(), u"Paste a link");
  EXPECT_TRUE(b->TheLabel()->Visible());
  EXPECT_EQ(b->TheLabel()->Top() + b->TheLabel()->Height(), 90);  // above the edit
  other->SetFocus();
  Pump();
  EXPECT_FALSE(b->Active());  // the hint is the edit's again
  EXPECT_EQ(b->TheLabel(), nullptr);
}

TEST_F(EditHintLabel, ALabelStaysOnceTheEditHasText) {
  TsBoundLabel* b = edit->BoundLabel();
  edit->SetFocus();
  Pump();
  ASSERT_TRUE(b->Active());
  edit->SetText(u"https://v.example/abc");
  other->SetFocus();
  Pump();
  EXPECT_TRUE(b->Active());  // no hint shows in the edit now: the label keeps saying what it is
}

TEST_F(EditHintLabel, NothingWithoutTheSettingOrWithoutAHint) {
  TsBoundLabel* b = edit->BoundLabel();
  edit->SetLabelFromTextHint(false);
  edit->SetFocus();
  Pump();
  EXPECT_FALSE(b->Active());
  other->SetFocus();
  edit->SetLabelFromTextHint(true);
  edit->SetTextHint(u"");
  Pump();
  edit->SetFocus();
  Pump();
  EXPECT_FALSE(b->Active());
}

TEST_F(EditHintLabel, AnOwnCaptionIsKept) {
  TsBoundLabel* b = edit->BoundLabel();
  b->SetCaption(u"Link");
  edit->SetFocus();
  Pump();
  ASSERT_NE(b->TheLabel(), nullptr);
  EXPECT_EQ(b->TheLabel()->Caption(), u"Link");
}

TEST_F(EditHintLabel, ASkinnedEditKeepsTheSkinsSpacingToItsLabel) {
  TsBoundLabel* b = edit->BoundLabel();
  b->SetLayout(sclLeft);
  b->SetCaption(u"Link");
  b->SetActive(true);
  ASSERT_NE(b->TheLabel(), nullptr);
  TkvSkinData* skin = edit->SkinData()->GetCommonSkinData();
  ASSERT_NE(skin, nullptr);
  ASSERT_GT(skin->Spacing, 0);
  EXPECT_EQ(b->TheLabel()->Left() + b->TheLabel()->Width(), edit->Left() - skin->Spacing);
}

TEST_F(EditHintLabel, TheHintFliesIntoTheLabelBeforeItShows) {
  TsBoundLabel* b = edit->BoundLabel();
  clock.watched = edit;
  clock.readings = 0;
  edit->SetFocus();
  Pump();
  clock.watched = nullptr;
  // Two readings a frame, and a flight of 50 pixels up takes 22 frames (50 x (5/6)^22 < 0.5).
  EXPECT_GE(clock.readings, 2 * 20);
  EXPECT_EQ(clock.readings % 2, 0);
  EXPECT_EQ(clock.labelShownDuringFlight, 0) << "the label shows only when the text has arrived";
  EXPECT_EQ(clock.notMarked, 0) << "the edit is marked as animating throughout";
  ASSERT_NE(b->TheLabel(), nullptr);
  EXPECT_TRUE(b->TheLabel()->Visible());
  EXPECT_FALSE(b->PreventVisible);
  EXPECT_FALSE(edit->SkinData()->CtrlSkinState & KVS_TEXTANIMATING);
}

TEST_F(EditHintLabel, AHiddenOrUpdatingEditShowsTheLabelAtOnce) {
  TsBoundLabel* b = edit->BoundLabel();
  clock.readings = 0;
  edit->SkinData()->FUpdating = true;
  MakeLabelTextHint(edit->SkinData(), b, u"Paste a link");
  EXPECT_TRUE(b->Active());
  ASSERT_NE(b->TheLabel(), nullptr);
  EXPECT_TRUE(b->TheLabel()->Visible());
  EXPECT_EQ(clock.readings, 0) << "no flight";
  edit->SkinData()->FUpdating = false;
  b->SetActive(false);
  edit->SetVisible(false);
  MakeLabelTextHint(edit->SkinData(), b, u"Paste a link");
  EXPECT_TRUE(b->Active());
  EXPECT_EQ(clock.readings, 0);
  // An active label or an empty hint: nothing at all.
  b->SetActive(false);
  edit->SetVisible(true);
  MakeLabelTextHint(edit->SkinData(), b, u"");
  EXPECT_FALSE(b->Active());
}

TEST_F(EditHintLabel, AnUnskinnedEditMovesItsHintIntoTheLabelToo) {
  edit->SkinData()->SkinIndex = -1;
  edit->SkinData()->SetCommonSkinData(nullptr);
  ASSERT_FALSE(edit->SkinData()->Skinned());
  TsBoundLabel* b = edit->BoundLabel();
  edit->SetFocus();
  Pump();
  ASSERT_TRUE(b->Active());
  ASSERT_NE(b->TheLabel(), nullptr);
  EXPECT_EQ(b->TheLabel()->Caption(), u"Paste a link");
  EXPECT_TRUE(b->TheLabel()->Visible());
  other->SetFocus();
  Pump();
  EXPECT_FALSE(b->Active());
}

}  // namespace
