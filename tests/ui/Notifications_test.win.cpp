// The library's notifications where they arise: CM_CHANGED, CM_SYSFONTCHANGED,
// CM_WININICHANGE, CM_CANCELMODE, CM_UIACTIVATE, CM_DIALOGCHAR, CM_HITTEST,
// CM_PARENTBIDIMODECHANGED and CM_FLOAT.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "support/FormFixture.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

namespace {

// A windowed container.
class TBox : public TCustomControl {
 public:
  explicit TBox(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  }
};

// A windowless control that lets the mouse through where its flag says so.
class TSeeThrough : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  bool transparent = true;
  int downs = 0;
  void Dispatch(TMessage& m) override {
    if (m.Msg == CM_HITTEST && transparent) {
      m.Result = 0;
      return;
    }
    if (m.Msg == WM_LBUTTONDOWN) ++downs;
    TGraphicControl::Dispatch(m);
  }
};

TLParam Of(const void* p) { return reinterpret_cast<TLParam>(p); }

class NotificationsTest : public FormTest {};

}  // namespace

TEST_F(NotificationsTest, AChangedValueTellsTheControlAndEveryContainerAboveIt) {
  auto* box = new TBox(form);
  box->SetParent(form);
  auto* edit = new TEdit(form);
  edit->SetParent(box);
  form->Show();
  TMessageRecorder atEdit(edit), atBox(box), atForm(form);
  SendMessageW(edit->Handle(), WM_CHAR, 'x', 1);  // typed: the edit reports EN_CHANGE
  ASSERT_EQ(edit->Text(), u"x");
  for (TMessageRecorder* r : {&atEdit, &atBox, &atForm}) {
    auto changed = r->Of(CM_CHANGED);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].LParam, Of(edit));
  }
  edit->SetText(u"set by code");
  EXPECT_EQ(atForm.Of(CM_CHANGED).size(), 2u);
}

TEST_F(NotificationsTest, SettingChangesReachEveryFormAndControl) {
  auto* box = new TBox(form);
  box->SetParent(form);
  auto* edit = new TEdit(form);
  edit->SetParent(box);
  auto* other = new TForm(app.get());
  other->AfterConstruction();
  auto* label = new TLabel(other);
  label->SetParent(other);
  TMessageRecorder atEdit(edit), atLabel(label), atForm(form);
  struct Case {
    WPARAM what;
    bool fonts;
  } cases[] = {{SPI_SETNONCLIENTMETRICS, true}, {SPI_SETICONTITLELOGFONT, true}, {SPI_SETDESKWALLPAPER, false}};
  for (const Case& c : cases) {
    for (TMessageRecorder* r : {&atEdit, &atLabel, &atForm}) r->seen.clear();
    static const wchar_t kArea[] = L"Desktop";
    SendMessageW(Application->Handle(), WM_SETTINGCHANGE, c.what, reinterpret_cast<LPARAM>(kArea));
    for (TMessageRecorder* r : {&atEdit, &atLabel, &atForm}) {
      auto ini = r->Of(CM_WININICHANGE);
      ASSERT_EQ(ini.size(), 1u) << c.what;
      EXPECT_EQ(ini[0].WParam, c.what);
      EXPECT_EQ(ini[0].LParam, reinterpret_cast<TLParam>(kArea));
      EXPECT_EQ(r->Of(CM_SYSFONTCHANGED).size(), c.fonts ? 1u : 0u) << c.what;
    }
  }
}

TEST_F(NotificationsTest, CancelModeGoesToTheControlThatLosesTheFocusAndToOneToldSo) {
  auto* first = new TEdit(form);
  first->SetParent(form);
  auto* second = new TEdit(form);
  second->SetParent(form);
  second->SetTop(40);
  form->Show();
  SetForegroundWindow(form->Handle());
  first->SetFocus();
  PumpMessages(30);
  TMessageRecorder atFirst(first), atSecond(second);
  second->SetFocus();
  PumpMessages(30);
  auto cancel = atFirst.Of(CM_CANCELMODE);
  ASSERT_EQ(cancel.size(), 1u);
  EXPECT_EQ(cancel[0].LParam, Of(second));
  // Before the control hears that it lost the focus.
  auto order = [&](Cardinal a, Cardinal b) {
    int ia = -1, ib = -1;
    for (int i = 0; i < static_cast<int>(atFirst.seen.size()); ++i) {
      if (atFirst.seen[static_cast<size_t>(i)].Msg == a && ia < 0) ia = i;
      if (atFirst.seen[static_cast<size_t>(i)].Msg == b && ib < 0) ib = i;
    }
    return ia >= 0 && ib >= 0 && ia < ib;
  };
  EXPECT_TRUE(order(CM_CANCELMODE, CM_EXIT));
  EXPECT_TRUE(atSecond.Of(CM_CANCELMODE).empty());
  SendMessageW(second->Handle(), WM_CANCELMODE, 0, 0);
  cancel = atSecond.Of(CM_CANCELMODE);
  ASSERT_EQ(cancel.size(), 1u);
  EXPECT_EQ(cancel[0].LParam, 0);
}

TEST_F(NotificationsTest, TheActiveControlHearsWhenItsFormIsActivated) {
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  auto* other = new TForm(app.get());
  other->AfterConstruction();
  other->SetBounds(500, 100, 200, 150);
  form->Show();
  other->Show();
  SetForegroundWindow(other->Handle());
  PumpMessages(50);
  TMessageRecorder atEdit(edit);
  SetForegroundWindow(form->Handle());
  PumpMessages(50);
  ASSERT_TRUE(form->Active());
  EXPECT_EQ(atEdit.Of(CM_UIACTIVATE).size(), 1u);
  EXPECT_EQ(GetFocus(), edit->Handle());
}

TEST_F(NotificationsTest, DialogCharactersReachTheControlWhoseCaptionMarksThem) {
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  auto* save = new TButton(form);
  save->SetParent(form);
  save->SetCaption(u"&Save");
  save->SetTop(40);
  auto* both = new TButton(form);
  both->SetParent(form);
  both->SetCaption(u"Fish && &Chips");
  both->SetTop(80);
  Clicks saves, chips;
  save->SetOnClick(TNotifyEvent(&saves, &Clicks::Click));
  both->SetOnClick(TNotifyEvent(&chips, &Clicks::Click));
  form->Show();
  SetForegroundWindow(form->Handle());
  edit->SetFocus();
  PumpMessages(30);
  TMessageRecorder atEdit(edit);
  // A letter typed into the edit stays there.
  EXPECT_EQ(edit->Perform(CN_CHAR, 's', 0), 0);
  EXPECT_EQ(saves.count, 0);
  // Alt+letter goes round the form: the button with that accelerator is clicked.
  EXPECT_EQ(edit->Perform(CN_SYSCHAR, 'S', 0), 1);
  EXPECT_EQ(saves.count, 1);
  EXPECT_EQ(atEdit.Of(CM_DIALOGCHAR).size(), 1u);  // the broadcast passed the edit
  EXPECT_EQ(edit->Perform(CN_SYSCHAR, 'c', 0), 1);
  EXPECT_EQ(chips.count, 1);
  EXPECT_EQ(edit->Perform(CN_SYSCHAR, 'f', 0), 0);  // "&&" is a plain ampersand, not a mark
  // A control that takes no characters passes plain letters round too.
  EXPECT_EQ(save->Perform(CN_CHAR, 'c', 0), 1);
  EXPECT_EQ(chips.count, 2);
  // Through the message loop, as typed.
  PostMessageW(edit->Handle(), WM_SYSCHAR, 's', 1 << 29);
  PumpMessages();
  EXPECT_EQ(saves.count, 2);
  // A disabled button is not reached.
  save->SetEnabled(false);
  EXPECT_EQ(edit->Perform(CN_SYSCHAR, 's', 0), 0);
  EXPECT_EQ(saves.count, 2);
}

TEST_F(NotificationsTest, AControlThatAnswersNoToTheHitTestLetsTheMouseThrough) {
  auto* below = new TSeeThrough(form);
  below->SetParent(form);
  below->transparent = false;
  below->SetBounds(10, 10, 100, 100);
  auto* above = new TSeeThrough(form);
  above->SetParent(form);
  above->SetBounds(50, 50, 100, 100);
  form->Show();
  struct Case {
    TPoint at;
    bool aboveTransparent;
    TControl* expected;
  } cases[] = {
      {{60, 60}, true, below},     {{60, 60}, false, above},   {{20, 20}, true, below},
      {{120, 120}, true, nullptr}, {{120, 120}, false, above},
  };
  for (const Case& c : cases) {
    above->transparent = c.aboveTransparent;
    EXPECT_EQ(form->ControlAtPos(c.at, false), c.expected) << c.at.X << "," << c.at.Y << " " << c.aboveTransparent;
  }
  // The mouse goes where the hit test says.
  above->transparent = true;
  SendMessageW(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 60));
  SendMessageW(form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(60, 60));
  EXPECT_EQ(below->downs, 1);
  EXPECT_EQ(above->downs, 0);
  // A plain control answers that the point is on it.
  EXPECT_EQ(below->Perform(CM_HITTEST, 0, PointToLParam(5, 5)), HTCLIENT);
}

TEST_F(NotificationsTest, ChildrenFollowTheirParentsReadingOrderUnlessTheyHaveTheirOwn) {
  auto* box = new TBox(form);
  box->SetParent(form);
  auto* inner = new TLabel(form);
  inner->SetParent(box);
  auto* own = new TLabel(form);
  own->SetParent(box);
  own->SetBiDiMode(bdLeftToRight);  // its own: no longer follows
  EXPECT_FALSE(own->ParentBiDiMode());
  EXPECT_TRUE(inner->ParentBiDiMode());
  TMessageRecorder atBox(box), atInner(inner), atOwn(own);
  form->SetBiDiMode(bdRightToLeft);
  EXPECT_EQ(atBox.Of(CM_PARENTBIDIMODECHANGED).size(), 1u);
  EXPECT_EQ(box->BiDiMode(), bdRightToLeft);
  EXPECT_EQ(inner->BiDiMode(), bdRightToLeft);
  EXPECT_EQ(atInner.Of(CM_PARENTBIDIMODECHANGED).size(), 1u);
  EXPECT_EQ(atInner.Of(CM_BIDIMODECHANGED).size(), 1u);
  EXPECT_EQ(atOwn.Of(CM_PARENTBIDIMODECHANGED).size(), 1u);
  EXPECT_EQ(own->BiDiMode(), bdLeftToRight);
  // A control placed on the parent takes its order; switching ParentBiDiMode on follows again.
  auto* late = new TLabel(form);
  late->SetParent(box);
  EXPECT_EQ(late->BiDiMode(), bdRightToLeft);
  own->SetParentBiDiMode(true);
  EXPECT_EQ(own->BiDiMode(), bdRightToLeft);
}

TEST_F(NotificationsTest, AFormTakenOutOfItsParentFloats) {
  auto* host = new TBox(form);
  host->SetParent(form);
  host->SetBounds(0, 0, 200, 150);
  auto* inner = new TForm(app.get());
  inner->AfterConstruction();
  inner->SetParent(host);
  inner->Show();
  form->Show();
  ASSERT_TRUE(GetWindowLongW(inner->Handle(), GWL_STYLE) & WS_CHILD);
  TMessageRecorder atInner(inner);
  inner->SetParent(nullptr);
  EXPECT_EQ(atInner.Of(CM_FLOAT).size(), 1u);
  inner->Show();
  EXPECT_FALSE(GetWindowLongW(inner->Handle(), GWL_STYLE) & WS_CHILD);
  EXPECT_EQ(GetAncestor(inner->Handle(), GA_PARENT), GetDesktopWindow());
  // Placing it somewhere is no float.
  atInner.seen.clear();
  inner->SetParent(host);
  EXPECT_TRUE(atInner.Of(CM_FLOAT).empty());
}
