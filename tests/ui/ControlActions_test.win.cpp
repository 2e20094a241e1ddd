// Controls with actions on a shown form: what follows the action, a control left disabled
// by an action without a handler, clicks that run the action, tool buttons, CM_ACTIONUPDATE
// through the active form, updates while the application is idle, and actions in a form
// description.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "support/FormFixture.h"
#include "ui/ActnList.h"
#include "ui/ComCtrls.h"
#include "ui/FormReader.h"
#include "ui/FormWriter.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

namespace {

void Pump() {
  for (int i = 0; i < 3; ++i) {
    Application->ProcessMessages();
    Sleep(5);
  }
}

class TRunner : public TObject {
 public:
  std::vector<TComponent*> ranFor;
  int updates = 0;
  int ownClicks = 0;
  void Run(TObject* sender) { ranFor.push_back(static_cast<TBasicAction*>(sender)->ActionComponent()); }
  void Check(TObject*) { ++updates; }
  void OwnClick(TObject*) { ++ownClicks; }
};

// Records the action messages a control gets and may answer them.
class TActionHook : public TObject {
 public:
  explicit TActionHook(TControl* c) : control(c), old(c->WindowProc()) {
    c->SetWindowProc(TWndMethod(this, &TActionHook::Proc));
  }
  ~TActionHook() override { control->SetWindowProc(old); }
  void Proc(TMessage& m) {
    old(m);
    if (m.Msg == CM_ACTIONUPDATE || m.Msg == CM_ACTIONEXECUTE) {
      seen.push_back(m);
      if (answer) m.Result = 1;
    }
  }
  TControl* control;
  TWndMethod old;
  std::vector<TMessage> seen;
  bool answer = false;
};

class ControlActionsTest : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    list = new TActionList(form);
    save = new TAction(form);
    save->SetActionList(list);
    save->SetCaption(u"Save");
    save->SetHint(u"Save|Saves the file");
    save->SetHelpContext(30);
    save->SetImageIndex(4);
    save->SetOnExecute(TNotifyEvent(&runner, &TRunner::Run));
    button = new TButton(form);
    button->SetParent(form);
  }
  void ClickButton() {
    SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button->Handle()), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button->Handle()));
  }
  TRunner runner;
  TActionList* list = nullptr;
  TAction* save = nullptr;
  TButton* button = nullptr;
};

TEST_F(ControlActionsTest, TheControlFollowsItsAction) {
  button->SetAction(save);
  EXPECT_EQ(button->Action(), save);
  EXPECT_EQ(button->Caption(), u"Save");
  EXPECT_EQ(button->Hint(), u"Save|Saves the file");
  EXPECT_EQ(button->HelpContext(), 30);
  EXPECT_EQ(GetWindowTextLengthW(button->Handle()), 4);
  save->SetEnabled(false);
  EXPECT_FALSE(button->Enabled());
  EXPECT_FALSE(IsWindowEnabled(button->Handle()));
  save->SetEnabled(true);
  save->SetCaption(u"Save as");
  EXPECT_EQ(button->Caption(), u"Save as");
  save->SetVisible(false);
  EXPECT_FALSE(button->Visible());
  // Unlinked, the control keeps what it had and hears nothing more.
  button->SetAction(nullptr);
  save->SetCaption(u"Other");
  EXPECT_EQ(button->Caption(), u"Save as");
  EXPECT_EQ(save->ClientCount(), 0);
}

TEST_F(ControlActionsTest, AnActionWithoutAHandlerLeavesItsControlDisabled) {
  auto* idle = new TAction(form);
  idle->SetActionList(list);
  idle->SetCaption(u"Later");
  button->SetAction(idle);
  EXPECT_FALSE(idle->Enabled());
  EXPECT_FALSE(button->Enabled());
  idle->SetOnExecute(TNotifyEvent(&runner, &TRunner::Run));
  EXPECT_TRUE(button->Enabled());
  // A plain custom action does not do that.
  TCustomAction plain(form);
  auto* other = new TButton(form);
  other->SetParent(form);
  other->SetAction(&plain);
  EXPECT_TRUE(other->Enabled());
  other->SetAction(nullptr);
}

TEST_F(ControlActionsTest, ClicksRunTheActionUnlessTheControlHasItsOwnHandler) {
  button->SetAction(save);
  button->SetModalResult(mrOk);
  ClickButton();
  ASSERT_EQ(runner.ranFor.size(), 1u);
  EXPECT_EQ(runner.ranFor[0], button);
  EXPECT_EQ(form->ModalResult(), mrOk);  // the button's own part of a click still happens
  // The action's handler became the control's OnClick; another one of its own runs instead.
  EXPECT_TRUE(button->OnClick() == save->OnExecute());
  button->SetOnClick(TNotifyEvent(&runner, &TRunner::OwnClick));
  ClickButton();
  EXPECT_EQ(runner.ranFor.size(), 1u);
  EXPECT_EQ(runner.ownClicks, 1);
  // A disabled action does not run.
  button->SetOnClick(save->OnExecute());
  save->SetEnabled(false);
  button->Click();
  EXPECT_EQ(runner.ranFor.size(), 1u);
}

TEST_F(ControlActionsTest, ToolButtonsTakeTheImageIndexAndCheckedState) {
  auto* bar = new TToolBar(form);
  bar->SetParent(form);
  auto* tool = new TToolButton(form);
  tool->SetParent(bar);
  tool->SetAction(save);
  EXPECT_EQ(tool->ImageIndex(), 4);
  EXPECT_FALSE(tool->Down());
  save->SetChecked(true);
  save->SetImageIndex(7);
  EXPECT_TRUE(tool->Down());
  EXPECT_EQ(tool->ImageIndex(), 7);
  // The index comes from the action, so a description leaves it out.
  const TPropInfo* index = tool->ClassInfo().FindProperty(u"ImageIndex");
  EXPECT_TRUE(IsDefaultPropValue(tool, *index));
  tool->SetImageIndex(1);
  EXPECT_FALSE(IsDefaultPropValue(tool, *index));
}

TEST_F(ControlActionsTest, UnhandledUpdatesReachTheActiveFormsControls) {
  auto* later = new TButton(form);
  later->SetTop(40);
  later->SetParent(form);
  TActionHook onButton(button), onLater(later);
  form->SetActiveControl(button);
  form->Show();
  SetForegroundWindow(form->Handle());
  SetActiveWindow(form->Handle());
  Pump();
  ASSERT_EQ(Screen->ActiveForm(), form);
  EXPECT_FALSE(save->Update());
  ASSERT_EQ(onButton.seen.size(), 1u);
  EXPECT_EQ(onButton.seen[0].LParam, reinterpret_cast<TLParam>(save));
  EXPECT_EQ(onLater.seen.size(), 1u);
  // The active control is asked first; when it answers, the others are not asked.
  onButton.answer = true;
  EXPECT_TRUE(save->Update());
  EXPECT_EQ(onLater.seen.size(), 1u);
  // With its own OnUpdate nobody else is asked.
  save->SetOnUpdate(TNotifyEvent(&runner, &TRunner::Check));
  EXPECT_TRUE(save->Update());
  EXPECT_EQ(onButton.seen.size(), 2u);
  EXPECT_EQ(runner.updates, 1);
}

TEST_F(ControlActionsTest, TheIdleApplicationUpdatesTheActionsOfShownControls) {
  save->SetOnUpdate(TNotifyEvent(&runner, &TRunner::Check));
  auto* hidden = new TButton(form);
  hidden->SetParent(form);
  auto* quiet = new TAction(form);
  quiet->SetOnUpdate(TNotifyEvent(&runner, &TRunner::Check));
  quiet->SetOnExecute(TNotifyEvent(&runner, &TRunner::Run));
  quiet->SetVisible(false);  // its control goes with it
  button->SetAction(save);
  hidden->SetAction(quiet);
  ASSERT_FALSE(hidden->Visible());
  runner.updates = 0;
  form->Show();
  Pump();
  runner.updates = 0;
  // With nothing to do the application is idle once before it waits; a timer wakes it.
  UINT_PTR timer = SetTimer(nullptr, 0, 20, nullptr);
  for (int i = 0; i < 50 && runner.updates == 0; ++i) app->HandleMessage();
  KillTimer(nullptr, timer);
  EXPECT_EQ(runner.updates, 1);  // save only: the hidden button's action is not asked
}

TEST_F(ControlActionsTest, ActionsGoingAwayAndDescriptionsKeepingThem) {
  button->SetAction(save);
  save->Free();
  EXPECT_EQ(button->Action(), nullptr);
  EXPECT_EQ(button->Caption(), u"Save");

  RegisterLibraryClasses();
  RegisterClass<TActionList>();
  RegisterClass<TAction>();
  auto* loaded = new TForm(app.get());
  loaded->AfterConstruction();
  ReadComponentText(loaded,
                    u"object Actions1: TForm\n"
                    u"  object open: TButton\n"
                    u"    Left = 8\n"
                    u"    Top = 8\n"
                    u"    Width = 75\n"
                    u"    Height = 25\n"
                    u"    Action = actOpen\n"
                    u"  end\n"
                    u"  object labeled: TButton\n"
                    u"    Left = 8\n"
                    u"    Top = 40\n"
                    u"    Width = 75\n"
                    u"    Height = 25\n"
                    u"    Caption = \"Own caption\"\n"
                    u"    Action = actOpen\n"
                    u"  end\n"
                    u"  object actions: TActionList\n"
                    u"    object actOpen: TAction\n"
                    u"      Caption = \"Open\"\n"
                    u"      Hint = \"Open a file\"\n"
                    u"    end\n"
                    u"  end\n"
                    u"end\n");
  auto* open = dynamic_cast<TButton*>(loaded->FindComponent(u"open"));
  auto* labeled = dynamic_cast<TButton*>(loaded->FindComponent(u"labeled"));
  ASSERT_TRUE(open && labeled);
  EXPECT_EQ(open->Caption(), u"Open");
  EXPECT_EQ(open->Hint(), u"Open a file");
  EXPECT_EQ(labeled->Caption(), u"Own caption");  // what the description says stays
  EXPECT_EQ(labeled->Hint(), u"Open a file");
  String written = WriteComponentText(loaded);
  // The values that come from the action are not written; the control's own are.
  EXPECT_EQ(written.find(u"Caption = \"Open\"", written.find(u"object open")),
            written.find(u"Caption = \"Open\"", written.find(u"object actOpen")));
  EXPECT_NE(written.find(u"Caption = \"Own caption\""), String::npos);
  EXPECT_EQ(written.find(u"Hint = \"Open a file\""), written.rfind(u"Hint = \"Open a file\""));
  loaded->Free();  // the next one reads under the same name
  auto* again = new TForm(app.get());
  again->AfterConstruction();
  ReadComponentText(again, written);
  EXPECT_EQ(WriteComponentText(again), written);
  EXPECT_EQ(dynamic_cast<TButton*>(again->FindComponent(u"open"))->Caption(), u"Open");
}

}  // namespace
