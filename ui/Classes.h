// The object model: TObject, TPersistent, TComponent (ownership, names, states, free
// notification, loading) and TCollection/TCollectionItem. Portable.
//
// Ownership: a component created with an owner is freed by that owner (in its destructor,
// last created first). Free a component yourself with Free() (or FreeAndNil): Free sets
// csDestroying before any destructor runs, so code reached during destruction can test it;
// a plain `delete` works too but sets the state only when TComponent's own destructor runs.
//
// Free notification: a.FreeNotification(&b) asks that b.Notification(&a, opRemove) is
// called when a is destroyed (and the other way round: the link is mutual), so that b can
// drop its reference. An owner also hears (opInsert/opRemove) about every component that
// is inserted into or removed from it, and passes that on to the components it owns.
//
// Loading: while a form description is being read, its components carry csLoading (and
// csReading while their own properties are read); Loaded() runs for each of them at the
// end, owner first, and clears csLoading.
#pragma once

#include <vector>

#include "Events.h"
#include "SysUtils.h"
#include "TypInfo.h"

// Horizontal and vertical alignment of text, and the reading order of a control.
TW_ENUM(TAlignment, taLeftJustify, taRightJustify, taCenter)
TW_ENUM(TVerticalAlignment, taAlignTop, taAlignBottom, taVerticalCenter)
TW_ENUM(TBiDiMode, bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly)

TW_DECLARE_EXCEPTION(EComponentError, Exception);
TW_DECLARE_EXCEPTION(EAssignError, Exception);

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  // The C++ class name without namespaces ("TBitmap", "TForm1").
  virtual String ClassName() const;
  bool ClassNameIs(StringView name) const { return SameText(ClassName(), name); }
  // The run-time information of the nearest class that declares TW_CLASS.
  static const TClassInfo& StaticClass();
  virtual const TClassInfo& ClassInfo() const { return StaticClass(); }

  // Run by the creating code right after the constructor of the most derived class
  // (TClassBuilder and the form helpers do it), and by Free right before the destructors.
  virtual void AfterConstruction() {}
  virtual void BeforeDestruction() {}
  // BeforeDestruction, then delete. An object in use (TObjectInUse) is freed only when the
  // outermost use ends.
  void Free();

 private:
  friend class TObjectInUse;
  // Open TObjectInUse scopes, and whether Free was asked for meanwhile. Kept in the object:
  // the window procedure chain opens a scope around every message, and a lookup elsewhere
  // would cost more than the rest of the dispatch.
  int32_t useCount_ = 0;
  bool freePending_ = false;
};

// Marks an object as in use for the scope's lifetime. Free called meanwhile only notes the
// wish; the object is freed when its outermost scope closes (on the thread that closes it). The window
// procedure chain (Subclass.h) opens one around every call of an object's procedure, so a
// window wrapper freed from inside one of its own messages lives until that message has
// returned, and code that runs after the free still finds it intact.
class TObjectInUse {
 public:
  // obj may be nullptr: the scope then does nothing.
  explicit TObjectInUse(TObject* obj);
  ~TObjectInUse();
  TObjectInUse(const TObjectInUse&) = delete;
  TObjectInUse& operator=(const TObjectInUse&) = delete;

  // True while a scope for obj is open.
  static bool InUse(const TObject* obj);
  // True when obj is in use and Free has been asked for it.
  static bool FreePending(const TObject* obj);

 private:
  TObject* obj_;
};

// Frees the object and clears the pointer first, so the pointer never names a dying object.
template <class T>
void FreeAndNil(T*& obj) {
  T* tmp = obj;
  obj = nullptr;
  if (tmp) tmp->Free();
}

// The class name of an object as ClassName would give it; "nil" for a null pointer.
String ClassNameOf(const TObject* obj);

class TPersistent : public TObject {
  TW_CLASS(TPersistent, TObject)
  // Copies source into this object. Raises EConvertError
  // "Cannot assign a <source class> to a <this class>" when neither side knows how.
  virtual void Assign(const TPersistent* source);

 protected:
  virtual void AssignTo(TPersistent* dest) const;
};

// ---- TComponent -----------------------------------------------------------------------

enum TComponentStateFlag {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance
};
using TComponentState = TSet<TComponentStateFlag>;
enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
  TW_CLASS(TComponent, TPersistent)
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  void BeforeDestruction() override;

  TComponent* Owner() const { return owner_; }
  Integer ComponentCount() const { return static_cast<Integer>(components_.size()); }
  // Raises EListError "List index out of bounds (<i>)" for a bad index.
  TComponent* Components(Integer index) const;
  // Position in the owner's list; -1 without an owner.
  Integer ComponentIndex() const;
  // The owned component of that name (compared without regard to case); nullptr.
  TComponent* FindComponent(StringView name) const;
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  // Frees every owned component, last first.
  void DestroyComponents();

  const String& Name() const { return name_; }
  // Raises EComponentError "Component name "<n>" is not valid" for a name that is not an
  // identifier, and "A component named <n> already exists" for a name another component of
  // the same owner has. An empty name is always allowed.
  virtual void SetName(const String& name);
  intptr_t Tag() const { return tag_; }
  void SetTag(intptr_t tag) { tag_ = tag; }

  TComponentState ComponentState() const { return state_; }
  bool IsLoading() const { return state_.Contains(csLoading); }
  bool IsDesigning() const { return state_.Contains(csDesigning); }
  bool IsDestroying() const { return state_.Contains(csDestroying); }
  // Sets or clears csDesigning on this component and everything it owns.
  void SetDesigning(bool value, bool setChildren = true);
  // Sets csDestroying and tells owned components the same (the first step of freeing).
  virtual void Destroying();

  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // The component that contains this one in the description (its Parent for a control).
  // Components that are not controls have none.
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual bool HasParent() const { return false; }
  virtual void SetParentComponent(TComponent* /*parent*/) {}

  // The components whose descriptions are written inside this one's, in order (the form
  // writer): a windowed control lists its child controls that root owns. The base class has
  // none. (Besides these, the root's description holds every component it owns that has no
  // parent.)
  virtual void GetChildren(std::vector<TComponent*>& /*children*/, TComponent* /*root*/) const {}

  // The form reader's entry points; Loaded clears csLoading.
  virtual void Loaded();
  void SetLoading(bool loading);  // csLoading on or off (the form reader)
  void SetReading(bool reading);  // csReading on or off (the form reader)
  void SetWriting(bool writing);  // csWriting on or off (the form writer)

 protected:
  // Something was inserted into or removed from the owner, or a free-notified component is
  // going away. The base class drops its notification link on opRemove and passes the call
  // on to every owned component.
  virtual void Notification(TComponent* component, TOperation operation);
  // Checks a new name; the base class applies the rules of SetName.
  virtual void ValidateRename(TComponent* component, const String& curName, const String& newName);

 private:
  void Insert(TComponent* component);
  void Remove(TComponent* component);
  void RemoveNotification(TComponent* component);
  void NotifyAll(TComponent* component, TOperation operation);

  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
  String name_;
  intptr_t tag_ = 0;
  TComponentState state_;
};

// True when the text is a valid component name (a letter or '_', then letters, digits, '_').
bool IsValidIdent(StringView name);

// Points a component's reference to another component (field) at value, moving the client's
// free notification from the component it pointed at to the new one; false when it already
// pointed there. ReplaceReference(this, field, nullptr) in a destructor lets go of it.
template <class T>
bool ReplaceReference(TComponent* client, T*& field, T* value) {
  if (field == value) return false;
  if (field) field->RemoveFreeNotification(client);
  field = value;
  if (value) value->FreeNotification(client);
  return true;
}

// ---- collections ----------------------------------------------------------------------

class TCollection;

// One item of a collection; it belongs to its collection and is freed by it (freeing an
// item yourself removes it from the collection).
class TCollectionItem : public TPersistent {
  TW_CLASS(TCollectionItem, TPersistent)
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;

  TCollection* Collection() const { return collection_; }
  // Moves the item into another collection (nullptr: none).
  void SetCollection(TCollection* collection);
  Integer Index() const;
  void SetIndex(Integer index);
  Integer ID() const { return id_; }
  virtual String DisplayName() const;

 protected:
  // Tells the collection that this item changed (AllItems: the whole collection did).
  void Changed(bool allItems);

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  Integer id_ = 0;
};

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection : public TPersistent {
  TW_CLASS(TCollection, TPersistent)
  // itemClass: the class of the items Add makes; must be a TCollectionItem class.
  explicit TCollection(const TClassInfo& itemClass);
  ~TCollection() override;

  const TClassInfo& ItemClass() const { return *itemClass_; }
  Integer Count() const { return static_cast<Integer>(items_.size()); }
  // Raises EListError "List index out of bounds (<i>)".
  TCollectionItem* Items(Integer index) const;
  template <class T>
  T* ItemsAs(Integer index) const {
    return static_cast<T*>(Items(index));
  }
  // A new item of the item class at the end.
  TCollectionItem* Add();
  TCollectionItem* Insert(Integer index);
  void Delete(Integer index);
  void Clear();
  TCollectionItem* FindItemID(Integer id) const;
  // Copies another collection item by item (items are made of this collection's item class
  // and assigned from the source's).
  void Assign(const TPersistent* source) override;

  // Batches change notifications: Update runs once at the outermost EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  Integer UpdateCount() const { return updateCount_; }

  // The persistent that holds this collection (the owner of an owned collection).
  TPersistent* Owner() const { return owner_; }
  void SetOwner(TPersistent* owner) { owner_ = owner; }

 protected:
  // An item changed (nullptr: the whole collection).
  virtual void Update(TCollectionItem* /*item*/) {}
  virtual void Notify(TCollectionItem* /*item*/, TCollectionNotification /*action*/) {}
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);

  const TClassInfo* itemClass_;
  std::vector<TCollectionItem*> items_;
  TPersistent* owner_ = nullptr;
  Integer nextId_ = 0;
  Integer updateCount_ = 0;
};
