#include "Classes.h"

#include "ScopeGuard.h"
#include "Threads.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <typeindex>

#if defined(__GNUC__)
#include <cxxabi.h>
#endif

// ---- TObject --------------------------------------------------------------------------

namespace {

String DemangledName(const std::type_info& type) {
  const char* raw = type.name();
  std::string name = raw;
#if defined(__GNUC__)
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(raw, nullptr, nullptr, &status), std::free);
  if (status == 0 && demangled) name = demangled.get();
#endif
  auto colon = name.rfind("::");
  if (colon != std::string::npos) name = name.substr(colon + 2);
  return AsciiToString(name);
}

}  // namespace

String TObject::ClassName() const {
  // Demangling costs an allocation or two; the engine asks often, so names are kept.
  static std::mutex lock;
  static std::map<std::type_index, String> names;
  const std::type_info& type = typeid(*this);
  std::lock_guard<std::mutex> guard(lock);
  auto it = names.find(type);
  if (it == names.end()) it = names.emplace(type, DemangledName(type)).first;
  return it->second;
}

const TClassInfo& TObject::StaticClass() {
  static const TClassInfo info(u"TObject", nullptr);
  return info;
}

// ---- objects in use -------------------------------------------------------------------

TObjectInUse::TObjectInUse(TObject* obj) : obj_(obj) {
  if (obj) ++obj->useCount_;
}

TObjectInUse::~TObjectInUse() {
  if (!obj_ || --obj_->useCount_ > 0 || !obj_->freePending_) return;
  obj_->freePending_ = false;
  try {
    obj_->Free();
  } catch (...) {
    // A destructor path that throws must not unwind through the closing scope (it may be
    // closing during another unwind); the object is gone either way.
  }
}

bool TObjectInUse::InUse(const TObject* obj) { return obj && obj->useCount_ > 0; }

bool TObjectInUse::FreePending(const TObject* obj) { return obj && obj->freePending_; }

void TObject::Free() {
  if (useCount_ > 0) {
    freePending_ = true;
    return;
  }
  BeforeDestruction();
  delete this;
}

String ClassNameOf(const TObject* obj) { return obj ? obj->ClassName() : String(u"nil"); }

// ---- TPersistent ----------------------------------------------------------------------

TW_DEFINE_CLASS(TPersistent) {}

void TPersistent::Assign(const TPersistent* source) {
  if (source) {
    source->AssignTo(this);
    return;
  }
  AssignTo(this);  // assigning nil: only classes that accept it override this
}

void TPersistent::AssignTo(TPersistent* dest) const {
  throw EConvertError(u"Cannot assign a " + ClassNameOf(this) + u" to a " + ClassNameOf(dest));
}

// ---- TComponent -----------------------------------------------------------------------

TW_DEFINE_CLASS(TComponent) {
  b.Property(u"Name", &TComponent::Name, &TComponent::SetName);
  b.Property(u"Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

namespace {

[[noreturn]] void ListIndexError(Integer index) {
  throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
}

}  // namespace

bool IsValidIdent(StringView name) {
  if (name.empty()) return false;
  auto alpha = [](Char c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_'; };
  if (!alpha(name[0])) return false;
  for (Char c : name.substr(1))
    if (!alpha(c) && !(c >= u'0' && c <= u'9')) return false;
  return true;
}

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

void TComponent::BeforeDestruction() {
  if (!state_.Contains(csDestroying)) Destroying();
}

TComponent::~TComponent() {
  Destroying();
  // Calls queued for this component from other threads must not run after it is gone.
  TThread::RemoveQueuedEvents(this);
  // Everyone who asked to hear about this component's end hears it now.
  while (!freeNotifies_.empty()) {
    TComponent* other = freeNotifies_.back();
    freeNotifies_.pop_back();
    other->RemoveNotification(this);
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_ += csDestroying;
  for (TComponent* c : components_) c->Destroying();
}

TComponent* TComponent::Components(Integer index) const {
  if (index < 0 || index >= ComponentCount()) ListIndexError(index);
  return components_[static_cast<size_t>(index)];
}

Integer TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  auto& list = owner_->components_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<Integer>(it - list.begin());
}

TComponent* TComponent::FindComponent(StringView name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->name_, name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component) return;
  ValidateRename(component, String(), component->name_);
  Insert(component);
  // The owner's state flags that describe the whole tree pass to the new member.
  if (state_.Contains(csDesigning)) component->SetDesigning(true);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->owner_ != this) return;
  Notification(component, opRemove);
  Remove(component);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* c = components_.back();
    Remove(c);
    c->Free();
  }
}

void TComponent::Insert(TComponent* component) {
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::Remove(TComponent* component) {
  auto it = std::find(components_.begin(), components_.end(), component);
  if (it != components_.end()) components_.erase(it);
  component->owner_ = nullptr;
}

void TComponent::SetName(const String& name) {
  if (name == name_) return;
  if (owner_)
    owner_->ValidateRename(this, name_, name);
  else
    ValidateRename(nullptr, name_, name);
  name_ = name;
}

void TComponent::ValidateRename(TComponent* component, const String& curName, const String& newName) {
  if (newName.empty()) return;
  if (!IsValidIdent(newName)) throw EComponentError(u"Component name \"" + newName + u"\" is not valid");
  if (!component || SameText(curName, newName)) return;
  TComponent* other = FindComponent(newName);
  if (other && other != component) throw EComponentError(u"A component named " + newName + u" already exists");
}

void TComponent::SetDesigning(bool value, bool setChildren) {
  if (value)
    state_ += csDesigning;
  else
    state_ -= csDesigning;
  if (setChildren)
    for (TComponent* c : components_) c->SetDesigning(value, true);
}

void TComponent::SetLoading(bool loading) {
  if (loading)
    state_ += csLoading;
  else
    state_ -= csLoading;
}

void TComponent::SetReading(bool reading) {
  if (reading)
    state_ += csReading;
  else
    state_ -= csReading;
}

void TComponent::SetWriting(bool writing) {
  if (writing)
    state_ += csWriting;
  else
    state_ -= csWriting;
}

void TComponent::Loaded() { state_ -= csLoading; }

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  // A component owned by the same owner already hears about the other's removal through the
  // owner, but the class library links them anyway; linking twice is harmless.
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
    freeNotifies_.push_back(component);
  if (std::find(component->freeNotifies_.begin(), component->freeNotifies_.end(), this) ==
      component->freeNotifies_.end())
    component->freeNotifies_.push_back(this);
  state_ += csFreeNotification;
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  RemoveNotification(component);
  component->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* component) {
  auto it = std::find(freeNotifies_.begin(), freeNotifies_.end(), component);
  if (it != freeNotifies_.end()) freeNotifies_.erase(it);
  if (freeNotifies_.empty()) state_ -= csFreeNotification;
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component) RemoveFreeNotification(component);
  NotifyAll(component, operation);
}

void TComponent::NotifyAll(TComponent* component, TOperation operation) {
  // A handler may free components of this owner; walk by index from the end, as the list
  // may shrink under us.
  for (size_t i = components_.size(); i-- > 0;) {
    if (i >= components_.size()) continue;
    components_[i]->Notification(component, operation);
  }
}

// ---- collections ----------------------------------------------------------------------

TW_DEFINE_CLASS(TCollectionItem) {}

TCollectionItem::TCollectionItem(TCollection* collection) { SetCollection(collection); }

TCollectionItem::~TCollectionItem() { SetCollection(nullptr); }

void TCollectionItem::SetCollection(TCollection* collection) {
  if (collection == collection_) return;
  if (collection_) collection_->RemoveItem(this);
  if (collection) collection->InsertItem(this);
}

Integer TCollectionItem::Index() const {
  if (!collection_) return -1;
  auto& list = collection_->items_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<Integer>(it - list.begin());
}

void TCollectionItem::SetIndex(Integer index) {
  Integer cur = Index();
  if (cur < 0 || index == cur) return;
  auto& list = collection_->items_;
  if (index < 0 || index >= static_cast<Integer>(list.size())) ListIndexError(index);
  list.erase(list.begin() + cur);
  list.insert(list.begin() + index, this);
  Changed(true);
}

String TCollectionItem::DisplayName() const { return ClassName(); }

void TCollectionItem::Changed(bool allItems) {
  if (collection_ && collection_->updateCount_ == 0) collection_->Update(allItems ? nullptr : this);
}

TW_DEFINE_CLASS(TCollection) {}

TCollection::TCollection(const TClassInfo& itemClass) : itemClass_(&itemClass) {
  if (!itemClass.InheritsFrom(TCollectionItem::StaticClass()))
    throw EComponentError(u"Class " + itemClass.Name() + u" is not a collection item class");
}

TCollection::~TCollection() {
  updateCount_ = 1;  // no Update calls while the items go
  while (!items_.empty()) items_.back()->Free();
}

TCollectionItem* TCollection::Items(Integer index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
  return items_[static_cast<size_t>(index)];
}

TCollectionItem* TCollection::Add() {
  TCollectionItem* item = itemClass_->CreateItem(this);
  if (!item) throw EComponentError(u"Cannot create an item of the abstract class " + itemClass_->Name());
  Changed();
  return item;
}

TCollectionItem* TCollection::Insert(Integer index) {
  TCollectionItem* item = Add();
  item->SetIndex(index);
  return item;
}

void TCollection::Delete(Integer index) {
  TCollectionItem* item = Items(index);
  Notify(item, cnDeleting);
  item->Free();
}

void TCollection::Clear() {
  if (items_.empty()) return;
  auto update = UpdateScope(*this);
  while (!items_.empty()) {
    Notify(items_.back(), cnDeleting);
    items_.back()->Free();
  }
}

TCollectionItem* TCollection::FindItemID(Integer id) const {
  for (TCollectionItem* item : items_)
    if (item->id_ == id) return item;
  return nullptr;
}

void TCollection::Assign(const TPersistent* source) {
  auto* other = dynamic_cast<const TCollection*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  auto update = UpdateScope(*this);
  Clear();
  for (TCollectionItem* item : other->items_) Add()->Assign(item);
}

void TCollection::BeginUpdate() { ++updateCount_; }

void TCollection::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
  Changed();
}

void TCollection::Changed() {
  if (updateCount_ == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item) {
  items_.push_back(item);
  item->collection_ = this;
  item->id_ = nextId_++;
  Notify(item, cnAdded);
}

void TCollection::RemoveItem(TCollectionItem* item) {
  Notify(item, cnExtracting);
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it != items_.end()) items_.erase(it);
  item->collection_ = nullptr;
  Changed();
}
