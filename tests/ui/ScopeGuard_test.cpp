// The scope guard: its undo step on every way out of a scope, dismissed, with a failing undo
// step, the flag and update forms; and a few of the library's operations that hold a flag or
// an update for a scope, left by an exception.
#include "ui/ScopeGuard.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ui/ActnList.h"
#include "ui/Classes.h"
#include "ui/StringList.h"

namespace {

struct TUpdateCounter {
  int updates = 0;
  std::vector<std::string> log;
  void BeginUpdate() {
    ++updates;
    log.push_back("begin");
  }
  void EndUpdate() {
    --updates;
    log.push_back("end");
  }
};

}  // namespace

TEST(ScopeExit, RunsOnceWhenTheScopeEndsNormallyOrByAnException) {
  int runs = 0;
  {
    TScopeExit guard([&] { ++runs; });
  }
  EXPECT_EQ(runs, 1);
  EXPECT_THROW(
      {
        TScopeExit guard([&] { ++runs; });
        throw std::runtime_error("failed");
      },
      std::runtime_error);
  EXPECT_EQ(runs, 2);
}

TEST(ScopeExit, ADismissedGuardDoesNothing) {
  int runs = 0;
  {
    TScopeExit guard([&] { ++runs; });
    guard.Dismiss();
  }
  EXPECT_EQ(runs, 0);
  // The rollback form: dismissed when the work went through, run when it did not.
  auto work = [&](bool fail) {
    TScopeExit rollback([&] { ++runs; });
    if (fail) throw std::runtime_error("failed");
    rollback.Dismiss();
  };
  work(false);
  EXPECT_EQ(runs, 0);
  EXPECT_THROW(work(true), std::runtime_error);
  EXPECT_EQ(runs, 1);
}

TEST(ScopeExit, AFailingUndoReachesTheCallerUnlessAnExceptionIsOnItsWay) {
  auto failingUndo = [] { throw std::logic_error("undo failed"); };
  // Normal end: the undo step's exception goes on, as from a plain call.
  EXPECT_THROW({ TScopeExit guard(failingUndo); }, std::logic_error);
  // Unwinding: the first exception goes on, the undo step's is dropped.
  try {
    TScopeExit guard(failingUndo);
    throw std::runtime_error("first");
  } catch (const std::runtime_error& e) { EXPECT_STREQ(e.what(), "first"); } catch (...) {
    ADD_FAILURE() << "the undo step's exception replaced the first";
  }
  // An undo step that unwinds inside a handler of an earlier exception still raises normally.
  try {
    throw std::runtime_error("handled");
  } catch (const std::runtime_error&) {
    EXPECT_THROW({ TScopeExit guard(failingUndo); }, std::logic_error);
  }
}

TEST(ScopeExit, SetForScopeBringsThePreviousValueBack) {
  bool flag = false;
  {
    auto set = SetForScope(flag, true);
    EXPECT_TRUE(flag);
    {
      auto again = SetForScope(flag, true);  // nested: the outer value survives
    }
    EXPECT_TRUE(flag);
  }
  EXPECT_FALSE(flag);
  std::string text = "before";
  EXPECT_THROW(
      {
        auto set = SetForScope(text, "during");
        EXPECT_EQ(text, "during");
        throw std::runtime_error("failed");
      },
      std::runtime_error);
  EXPECT_EQ(text, "before");
  // The three-value form ends on its own value, whatever came before.
  int level = 5;
  {
    auto set = SetForScope(level, 7, 0);
    EXPECT_EQ(level, 7);
  }
  EXPECT_EQ(level, 0);
  // A change kept on success: dismissed, the new value stays.
  {
    auto set = SetForScope(level, 3);
    set.Dismiss();
  }
  EXPECT_EQ(level, 3);
}

TEST(ScopeExit, UpdateScopeEndsTheUpdateOnEveryWayOut) {
  TUpdateCounter counter;
  {
    auto update = UpdateScope(counter);
    EXPECT_EQ(counter.updates, 1);
  }
  EXPECT_THROW(
      {
        auto update = UpdateScope(counter);
        throw std::runtime_error("failed");
      },
      std::runtime_error);
  EXPECT_EQ(counter.updates, 0);
  EXPECT_EQ(counter.log, (std::vector<std::string>{"begin", "end", "begin", "end"}));
}

// ---- operations of the library that hold an update or a flag for a scope ---------------------

TEST(ScopeExitSites, AStringListEndsItsUpdateWhenAddingFails) {
  struct TChanges : TObject {
    int count = 0;
    void Changed(TObject*) { ++count; }
  } changes;
  TStringList source;
  source.Add(u"b");
  source.Add(u"a");
  source.Add(u"b");
  TStringList target;
  target.SetSorted(true);
  target.SetDuplicates(dupError);
  target.SetOnChange(TNotifyEvent(&changes, &TChanges::Changed));
  EXPECT_THROW(target.AddStrings(source), EStringListError);
  EXPECT_EQ(target.Count(), 2);
  const int afterFailure = changes.count;
  target.Add(u"c");  // no update left open: the change is reported at once
  EXPECT_EQ(changes.count, afterFailure + 1);
}

namespace {

class TRefusingItem : public TCollectionItem {
  TW_CLASS(TRefusingItem, TCollectionItem)
  using TCollectionItem::TCollectionItem;
  bool refuse = false;
  void Assign(const TPersistent* source) override {
    if (static_cast<const TRefusingItem*>(source)->refuse) throw EAssignError("refused");
  }
};
TW_DEFINE_CLASS(TRefusingItem) {}

class TRefusingCollection : public TCollection {
 public:
  TRefusingCollection() : TCollection(TRefusingItem::StaticClass()) {}
  int updates = 0;

 protected:
  void Update(TCollectionItem*) override { ++updates; }
};

}  // namespace

TEST(ScopeExitSites, ACollectionEndsItsUpdateWhenAssigningFails) {
  TRefusingCollection source, target;
  source.Add();
  static_cast<TRefusingItem*>(source.Add())->refuse = true;
  EXPECT_THROW(target.Assign(&source), EAssignError);
  EXPECT_EQ(target.UpdateCount(), 0);
  EXPECT_GT(target.updates, 0);  // the update that ended reported the change
  target.updates = 0;
  target.Add();
  EXPECT_EQ(target.updates, 1);
}

TEST(ScopeExitSites, AnActionForgetsItsComponentWhenItsHandlerFails) {
  TComponent owner(nullptr), caller(nullptr);
  auto* action = new TAction(&owner);
  struct TFailing : TObject {
    TComponent* seen = nullptr;
    void Run(TObject* s) {
      seen = static_cast<TBasicAction*>(s)->ActionComponent();
      throw EInvalidOperation("handler failed");
    }
  } handler;
  action->SetOnExecute(TNotifyEvent(&handler, &TFailing::Run));
  TObject client;
  TActionLink link(&client);
  link.SetAction(action);
  EXPECT_THROW(link.Execute(&caller), EInvalidOperation);
  EXPECT_EQ(handler.seen, &caller);
  EXPECT_EQ(action->ActionComponent(), nullptr);
}
