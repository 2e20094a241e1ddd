// Actions without windows: who runs and updates an action and in which order, the
// disabling of actions without a handler, links hearing of changes and of the action's
// end, action lists, and an action list written and read back.
#include "ui/ActnList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/FormReader.h"
#include "ui/FormWriter.h"

namespace {

std::vector<std::string> gLog;

bool DispatchLogged(TBasicAction* action, bool execute) {
  gLog.push_back(std::string(execute ? "app execute " : "app update ") + StringToUtf8(action->Name()));
  return false;
}

class THandlers : public TComponent {
  TW_CLASS(THandlers, TComponent)
  using TComponent::TComponent;
  bool listHandles = false;
  void Run(TObject* s) { gLog.push_back("execute " + StringToUtf8(static_cast<TComponent*>(s)->Name())); }
  void Check(TObject* s) { gLog.push_back("update " + StringToUtf8(static_cast<TComponent*>(s)->Name())); }
  void ListRun(TBasicAction* a, bool& handled) {
    gLog.push_back("list execute " + StringToUtf8(a->Name()));
    handled = listHandles;
  }
  void ListCheck(TBasicAction* a, bool& handled) {
    gLog.push_back("list update " + StringToUtf8(a->Name()));
    handled = listHandles;
  }
};
TW_DEFINE_CLASS(THandlers) {
  b.Method(u"Run", &THandlers::Run);
  b.Method(u"ListRun", &THandlers::ListRun);
}

// A client that counts what its link tells it.
class TClient : public TObject {
 public:
  TClient() : link(this) { link.OnChange = TNotifyEvent(this, &TClient::Changed); }
  void Changed(TObject* sender) { changes.push_back(sender); }
  TActionLink link;
  std::vector<TObject*> changes;
};

class ActnListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gLog.clear();
    SetActionDispatch(&DispatchLogged);
    list = new TActionList(&owner);
    list->SetName(u"list");
    action = new TAction(&owner);
    action->SetName(u"act");
    action->SetActionList(list);
  }
  void TearDown() override { SetActionDispatch(nullptr); }
  THandlers owner{nullptr};
  TActionList* list = nullptr;
  TAction* action = nullptr;
};

TEST_F(ActnListTest, ExecuteAsksTheListThenTheActionThenTheApplication) {
  list->SetOnExecute(TActionEvent(&owner, &THandlers::ListRun));
  // Nobody runs it: the list and the application are asked, and without a handler the
  // action is disabled on the way, so it does not run at all.
  EXPECT_FALSE(action->Execute());
  EXPECT_FALSE(action->Enabled());
  EXPECT_EQ(gLog, (std::vector<std::string>{"app update act"}));
  gLog.clear();
  action->SetOnExecute(TNotifyEvent(&owner, &THandlers::Run));
  EXPECT_TRUE(action->Enabled());  // back with a handler
  EXPECT_TRUE(action->Execute());
  EXPECT_EQ(gLog, (std::vector<std::string>{"app update act", "list execute act", "execute act"}));
  gLog.clear();
  owner.listHandles = true;  // the list takes it: the action's own handler is not asked
  EXPECT_TRUE(action->Execute());
  EXPECT_EQ(gLog, (std::vector<std::string>{"app update act", "list execute act"}));
}

TEST_F(ActnListTest, UpdateAsksTheListThenTheActionThenTheApplication) {
  action->SetOnExecute(TNotifyEvent(&owner, &THandlers::Run));
  EXPECT_FALSE(action->Update());
  EXPECT_EQ(gLog, (std::vector<std::string>{"app update act"}));
  EXPECT_TRUE(action->Enabled());  // it has a handler
  gLog.clear();
  list->SetOnUpdate(TActionEvent(&owner, &THandlers::ListCheck));
  action->SetOnUpdate(TNotifyEvent(&owner, &THandlers::Check));
  EXPECT_TRUE(action->Update());
  EXPECT_EQ(gLog, (std::vector<std::string>{"list update act", "update act"}));
  gLog.clear();
  owner.listHandles = true;
  EXPECT_TRUE(action->Update());
  EXPECT_EQ(gLog, (std::vector<std::string>{"list update act"}));
}

TEST_F(ActnListTest, OnlyTheActionsThatAskDisableThemselvesWithoutAHandler) {
  TCustomAction plain(nullptr);
  plain.Update();
  EXPECT_TRUE(plain.Enabled());
  action->Update();
  EXPECT_FALSE(action->Enabled());
  EXPECT_FALSE(action->IsEnabledStored());
  // An action the program disabled itself stays disabled when it gets a handler.
  action->SetEnabled(false);
  EXPECT_TRUE(action->IsEnabledStored());
  action->SetOnExecute(TNotifyEvent(&owner, &THandlers::Run));
  EXPECT_FALSE(action->Enabled());
  // An update someone handled leaves Enabled alone.
  action->SetOnExecute(nullptr);
  action->SetEnabled(true);
  action->SetOnUpdate(TNotifyEvent(&owner, &THandlers::Check));
  action->Update();
  EXPECT_TRUE(action->Enabled());
}

TEST_F(ActnListTest, LinksHearOfChangesAndOfTheActionsEnd) {
  TClient a, b;
  a.link.SetAction(action);
  b.link.SetAction(action);
  EXPECT_EQ(action->ClientCount(), 2);
  action->SetCaption(u"Save");
  action->SetCaption(u"Save");  // no change, no notice
  action->SetHint(u"Save it");
  action->SetImageIndex(3);
  action->SetChecked(true);
  action->SetVisible(false);
  action->SetHelpContext(12);
  EXPECT_EQ(a.changes.size(), 6u);
  EXPECT_EQ(a.changes[0], action);
  b.link.SetAction(nullptr);
  action->SetEnabled(false);
  EXPECT_EQ(a.changes.size(), 7u);
  EXPECT_EQ(b.changes.size(), 6u);
  // The action goes first: the link is left without it, and leaves nothing behind.
  action->Free();
  EXPECT_EQ(a.link.Action(), nullptr);
  EXPECT_EQ(list->ActionCount(), 0);
  EXPECT_FALSE(a.link.Update());
  EXPECT_FALSE(a.link.Execute(nullptr));
}

TEST_F(ActnListTest, ListsKnowTheirActionsAndTheActionsTheirList) {
  auto* second = new TAction(&owner);
  second->SetActionList(list);
  EXPECT_EQ(list->ActionCount(), 2);
  EXPECT_EQ(list->Actions(1), second);
  EXPECT_EQ(second->Index(), 1);
  EXPECT_EQ(action->GetParentComponent(), list);
  EXPECT_TRUE(action->HasParent());
  EXPECT_THROW(list->Actions(2), EListError);
  TActionList other(nullptr);
  second->SetParentComponent(&other);
  EXPECT_EQ(list->ActionCount(), 1);
  EXPECT_EQ(second->ActionList(), &other);
  list->Free();
  EXPECT_EQ(action->ActionList(), nullptr);
  EXPECT_EQ(action->Index(), -1);
  second->SetActionList(nullptr);
  EXPECT_EQ(other.ActionCount(), 0);
}

TEST_F(ActnListTest, ExecuteNamesTheComponentItRunsFor) {
  struct TWatch : TObject {
    TComponent* seen = nullptr;
    void Run(TObject* s) { seen = static_cast<TBasicAction*>(s)->ActionComponent(); }
  } watch;
  action->SetOnExecute(TNotifyEvent(&watch, &TWatch::Run));
  TClient client;
  client.link.SetAction(action);
  EXPECT_TRUE(client.link.Execute(&owner));
  EXPECT_EQ(watch.seen, &owner);
  EXPECT_EQ(action->ActionComponent(), nullptr);
}

TEST_F(ActnListTest, ActionListsRoundTripThroughDescriptions) {
  RegisterClass<TActionList>();
  RegisterClass<TAction>();
  RegisterClass<THandlers>();
  owner.SetName(u"Owner");
  action->SetCaption(u"&Save");
  action->SetHint(u"Save|Saves the file");
  action->SetImageIndex(2);
  action->SetOnExecute(TNotifyEvent(&owner, &THandlers::Run));
  auto* off = new TAction(&owner);
  off->SetName(u"off");
  off->SetActionList(list);
  off->Update();  // no handler: disabled, which a description does not keep
  list->SetOnExecute(TActionEvent(&owner, &THandlers::ListRun));
  const String text = WriteComponentText(&owner);
  EXPECT_EQ(StringToUtf8(text),
            "object Owner: THandlers\n"
            "  object list: TActionList\n"
            "    OnExecute = ListRun\n"
            "    object act: TAction\n"
            "      Caption = \"&Save\"\n"
            "      Hint = \"Save|Saves the file\"\n"
            "      ImageIndex = 2\n"
            "      OnExecute = Run\n"
            "    end\n"
            "    object off: TAction\n"
            "    end\n"
            "  end\n"
            "end\n");
  THandlers back(nullptr);
  ReadComponentText(&back, text);
  auto* backList = dynamic_cast<TActionList*>(back.FindComponent(u"list"));
  ASSERT_NE(backList, nullptr);
  ASSERT_EQ(backList->ActionCount(), 2);
  auto* backAct = dynamic_cast<TAction*>(backList->Actions(0));
  EXPECT_EQ(backAct->Caption(), u"&Save");
  EXPECT_EQ(backAct->ImageIndex(), 2);
  EXPECT_TRUE(backList->Actions(1)->ActionList() == backList);
  EXPECT_EQ(WriteComponentText(&back), text);
}

}  // namespace
