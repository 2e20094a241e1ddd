#include "ui/Classes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records what happens to components, in order, as "<receiver>:<op>:<subject>".
std::vector<std::string> gLog;

std::string Utf8(const String& s) { return StringToUtf8(s); }

class TProbe : public TComponent {
  TW_CLASS(TProbe, TComponent)
  explicit TProbe(TComponent* owner, const char16_t* name = u"") : TComponent(owner) { SetName(name); }
  ~TProbe() override {
    gLog.push_back(Utf8(Name()) + ":destroy:" + (IsDestroying() ? "destroying" : "not-destroying"));
  }
  TProbe* ref = nullptr;  // a reference kept safe by free notification
  void Loaded() override {
    gLog.push_back(Utf8(Name()) + ":loaded:" + (IsLoading() ? "loading" : "done"));
    TComponent::Loaded();
  }

 protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    gLog.push_back(Utf8(Name()) + (op == opInsert ? ":insert:" : ":remove:") + Utf8(c->Name()));
    if (op == opRemove && c == ref) ref = nullptr;
  }
};

TW_DEFINE_CLASS(TProbe) {}

class TTarget : public TObject {
 public:
  int clicks = 0;
  TObject* lastSender = nullptr;
  void Click(TObject* sender) {
    ++clicks;
    lastSender = sender;
  }
  void Other(TObject*) { clicks += 100; }
  virtual int Twice(int x) { return 2 * x; }
};

class TDerivedTarget : public TTarget {
 public:
  int Twice(int x) override { return 20 * x; }
};

}  // namespace

TEST(Events, CallTheBoundMethodAndCompareByObjectAndMethod) {
  TTarget a, b;
  TNotifyEvent e(&a, &TTarget::Click);
  ASSERT_TRUE(e);
  e(&b);
  EXPECT_EQ(a.clicks, 1);
  EXPECT_EQ(a.lastSender, &b);

  EXPECT_EQ(e, TNotifyEvent(&a, &TTarget::Click));
  EXPECT_NE(e, TNotifyEvent(&b, &TTarget::Click));  // same method, other object
  EXPECT_NE(e, TNotifyEvent(&a, &TTarget::Other));  // same object, other method
  EXPECT_NE(e, TNotifyEvent());
  EXPECT_EQ(TNotifyEvent(), TNotifyEvent(nullptr));
  EXPECT_FALSE(TNotifyEvent());
  EXPECT_EQ(e.Data(), &a);

  // Saving, replacing and restoring a handler, as hooks do.
  TNotifyEvent saved = e;
  e = TNotifyEvent(&b, &TTarget::Other);
  EXPECT_NE(e, saved);
  e = saved;
  e(nullptr);
  EXPECT_EQ(a.clicks, 2);
  TNotifyEvent().Call(nullptr);  // an empty event does nothing
}

TEST(Events, VirtualMethodsDispatchOnTheObject) {
  TDerivedTarget d;
  TEvent<int(int)> e(&d, &TTarget::Twice);  // bound through the base's method
  EXPECT_EQ(e(3), 60);
  EXPECT_EQ(e, (TEvent<int(int)>(static_cast<TTarget*>(&d), &TTarget::Twice)));
  EXPECT_EQ(TEvent<int(int)>().Call(5), 0);
}

TEST(Component, OwnerFreesItsComponentsLastFirstAndTheyKnowTheyAreDying) {
  gLog.clear();
  auto* owner = new TProbe(nullptr, u"owner");
  new TProbe(owner, u"a");
  new TProbe(owner, u"b");
  ASSERT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->Components(1)->Name(), u"b");
  EXPECT_EQ(owner->Components(1)->ComponentIndex(), 1);
  EXPECT_EQ(owner->FindComponent(u"A"), owner->Components(0));  // names ignore case
  EXPECT_EQ(owner->FindComponent(u"c"), nullptr);
  EXPECT_THROW(owner->Components(2), EListError);
  gLog.clear();
  owner->Free();
  // The owner's own destructor body runs first, then TComponent's frees the owned ones.
  EXPECT_EQ(gLog,
            (std::vector<std::string>{"owner:destroy:destroying", "b:destroy:destroying", "a:destroy:destroying"}));
}

TEST(Component, NamesMustBeIdentifiersAndUniqueWithinTheOwner) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  a->SetName(u"edtJx");
  auto* b = new TComponent(&owner);
  EXPECT_THROW(b->SetName(u"EDTJX"), EComponentError);
  EXPECT_THROW(b->SetName(u"1abc"), EComponentError);
  EXPECT_THROW(b->SetName(u"a b"), EComponentError);
  EXPECT_EQ(b->Name(), u"");
  b->SetName(u"_x1");
  a->SetName(u"EDTJX");  // renaming itself in another case is allowed
  EXPECT_EQ(a->Name(), u"EDTJX");
  try {
    b->SetName(u"edtjx");
    FAIL();
  } catch (const EComponentError& e) { EXPECT_EQ(e.Message(), u"A component named edtjx already exists"); }
}

TEST(Component, OwnerAndSiblingsHearOfInsertAndRemove) {
  gLog.clear();
  TProbe owner(nullptr, u"owner");
  auto* a = new TProbe(&owner, u"");
  a->SetName(u"a");
  auto* b = new TProbe(&owner, u"b");
  gLog.clear();
  owner.RemoveComponent(b);
  // The owner and every component it still owns hear of the removal.
  EXPECT_EQ(gLog, (std::vector<std::string>{"b:remove:b", "a:remove:b", "owner:remove:b"}));
  EXPECT_EQ(b->Owner(), nullptr);
  gLog.clear();
  owner.InsertComponent(b);
  EXPECT_EQ(gLog, (std::vector<std::string>{"b:insert:b", "a:insert:b", "owner:insert:b"}));
  EXPECT_EQ(b->Owner(), &owner);
}

TEST(Component, FreeNotificationClearsReferencesAcrossOwners) {
  gLog.clear();
  auto* holder = new TProbe(nullptr, u"holder");
  auto* target = new TProbe(nullptr, u"target");
  holder->ref = target;
  target->FreeNotification(holder);
  EXPECT_TRUE(target->ComponentState().Contains(csFreeNotification));
  target->Free();
  EXPECT_EQ(holder->ref, nullptr);

  // After RemoveFreeNotification nothing is heard.
  auto* t2 = new TProbe(nullptr, u"t2");
  holder->ref = t2;
  t2->FreeNotification(holder);
  t2->RemoveFreeNotification(holder);
  gLog.clear();
  t2->Free();
  EXPECT_EQ(holder->ref, t2);  // stale on purpose: it was not told
  EXPECT_EQ(gLog, (std::vector<std::string>{"t2:destroy:destroying"}));

  // The link is mutual: the holder going first does not leave the target with a dangling
  // entry (which ASan would report when the target later goes).
  auto* t3 = new TProbe(nullptr, u"t3");
  t3->FreeNotification(holder);
  holder->Free();
  t3->Free();
}

TEST(Component, DesigningPassesToOwnedComponents) {
  TComponent owner(nullptr);
  owner.SetDesigning(true);
  auto* a = new TComponent(&owner);
  EXPECT_TRUE(a->IsDesigning());  // inserted later: takes the owner's state
  owner.SetDesigning(false);
  EXPECT_FALSE(a->IsDesigning());
}

TEST(Component, PlainDeleteStillNotifies) {
  TProbe holder(nullptr, u"holder");
  auto* t = new TProbe(nullptr, u"t");
  holder.ref = t;
  t->FreeNotification(&holder);
  delete t;
  EXPECT_EQ(holder.ref, nullptr);
}

TEST(Component, ClassNameIsTheCppClassName) {
  TProbe p(nullptr);
  EXPECT_EQ(p.ClassName(), u"TProbe");
  EXPECT_TRUE(p.ClassNameIs(u"tprobe"));
  EXPECT_EQ(p.ClassInfo().Name(), u"TProbe");
  EXPECT_TRUE(p.ClassInfo().InheritsFrom(TComponent::StaticClass()));
  EXPECT_FALSE(TComponent::StaticClass().InheritsFrom(TProbe::StaticClass()));
  EXPECT_EQ(ClassNameOf(nullptr), u"nil");
}

// ---- collections ----------------------------------------------------------------------

namespace {

class TNamedItem : public TCollectionItem {
  TW_CLASS(TNamedItem, TCollectionItem)
  using TCollectionItem::TCollectionItem;
  String text;
  void Assign(const TPersistent* source) override {
    if (auto* o = dynamic_cast<const TNamedItem*>(source)) {
      text = o->text;
      return;
    }
    TCollectionItem::Assign(source);
  }
};
TW_DEFINE_CLASS(TNamedItem) {}

class TCountingCollection : public TCollection {
 public:
  TCountingCollection() : TCollection(TNamedItem::StaticClass()) {}
  int updates = 0;
  std::vector<std::string> notes;

 protected:
  void Update(TCollectionItem*) override { ++updates; }
  void Notify(TCollectionItem* item, TCollectionNotification action) override {
    notes.push_back(std::to_string(item->ID()) + (action == cnAdded ? "+" : action == cnDeleting ? "d" : "x"));
  }
};

}  // namespace

TEST(Collection, AddsItemsOfItsClassAndKeepsIdsAndOrder) {
  TCountingCollection c;
  auto* a = static_cast<TNamedItem*>(c.Add());
  auto* b = c.ItemsAs<TNamedItem>(c.Add()->Index());
  a->text = u"a";
  b->text = u"b";
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(a->ID(), 0);
  EXPECT_EQ(b->ID(), 1);
  EXPECT_EQ(c.FindItemID(1), b);
  b->SetIndex(0);
  EXPECT_EQ(c.Items(0), b);
  EXPECT_EQ(a->Index(), 1);
  EXPECT_THROW(c.Items(2), EListError);
  c.Delete(0);  // b
  EXPECT_EQ(c.Count(), 1);
  auto* d = c.Insert(0);
  EXPECT_EQ(d->ID(), 2);  // ids are never reused
  EXPECT_EQ(c.Items(0), d);
  EXPECT_EQ(c.notes, (std::vector<std::string>{"0+", "1+", "1d", "1x", "2+"}));
}

TEST(Collection, FreeingAnItemRemovesItAndUpdatesAreBatched) {
  TCountingCollection c;
  c.Add();
  auto* x = c.Add();
  c.updates = 0;
  x->Free();
  EXPECT_EQ(c.Count(), 1);
  EXPECT_EQ(c.updates, 1);
  c.updates = 0;
  c.BeginUpdate();
  c.Add();
  c.Add();
  c.Clear();
  EXPECT_EQ(c.updates, 0);
  c.EndUpdate();
  EXPECT_EQ(c.updates, 1);
  EXPECT_EQ(c.Count(), 0);
}

TEST(Collection, AssignCopiesItemByItem) {
  TCountingCollection a, b;
  static_cast<TNamedItem*>(a.Add())->text = u"x";
  static_cast<TNamedItem*>(a.Add())->text = u"y";
  b.Add();
  b.Assign(&a);
  ASSERT_EQ(b.Count(), 2);
  EXPECT_EQ(b.ItemsAs<TNamedItem>(1)->text, u"y");
  TComponent notACollection(nullptr);
  EXPECT_THROW(b.Assign(&notACollection), EConvertError);
}

TEST(Collection, RefusesAClassThatIsNotAnItemClass) {
  EXPECT_THROW(TCollection c(TComponent::StaticClass()), EComponentError);
  TCollection abstractItems(TCollectionItem::StaticClass());
  EXPECT_NO_THROW(abstractItems.Add());  // TCollectionItem itself can be made
}

// An object in use (a window procedure of it on the stack) is freed when its outermost use
// ends; one not in use goes at once.
TEST(ObjectInUseTest, FreeWaitsForTheOutermostScope) {
  struct TCounted : public TObject {
    explicit TCounted(int& d) : deleted(d) {}
    ~TCounted() override { ++deleted; }
    int& deleted;
  };
  int deleted = 0;
  auto* obj = new TCounted(deleted);
  {
    TObjectInUse outer(obj);
    {
      TObjectInUse inner(obj);
      obj->Free();
      EXPECT_TRUE(TObjectInUse::FreePending(obj));
    }
    EXPECT_EQ(deleted, 0);
    EXPECT_TRUE(TObjectInUse::InUse(obj));
  }
  EXPECT_EQ(deleted, 1);
  auto* other = new TCounted(deleted);
  { TObjectInUse use(other); }
  EXPECT_FALSE(TObjectInUse::InUse(other));
  other->Free();  // not in use: at once
  EXPECT_EQ(deleted, 2);
  TObjectInUse none(nullptr);  // allowed, does nothing
}
