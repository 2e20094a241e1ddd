// Actions, their links and action lists.
//
// Sections:
//   1. the application's turn
//   2. TBasicActionLink, TBasicAction
//   3. TContainedAction, TCustomAction
//   4. TCustomActionList
#include "ActnList.h"

#include <algorithm>

#include "ScopeGuard.h"

// ---- 1. the application's turn ----------------------------------------------------------

namespace {
TActionDispatch gDispatch = nullptr;
}  // namespace

void SetActionDispatch(TActionDispatch dispatch) { gDispatch = dispatch; }

// ---- 2. TBasicActionLink, TBasicAction --------------------------------------------------

TBasicActionLink::~TBasicActionLink() { SetAction(nullptr); }

void TBasicActionLink::SetAction(TBasicAction* action) {
  if (action == action_) return;
  if (action_) {
    auto& links = action_->links_;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
  }
  action_ = action;
  if (action_) action_->links_.push_back(this);
}

bool TBasicActionLink::Execute(TComponent* component) {
  if (!action_) return false;
  TBasicAction* action = action_;
  TComponent* before = action->ActionComponent();
  action->SetActionComponent(component);
  TScopeExit restore([action, before] { action->SetActionComponent(before); });
  return action->Execute();
}

bool TBasicActionLink::Update() { return action_ && action_->Update(); }

void TBasicActionLink::Change() { OnChange.Call(action_); }

TW_DEFINE_CLASS(TBasicAction) {}

TBasicAction::TBasicAction(TComponent* owner) : TComponent(owner) {}

TBasicAction::~TBasicAction() {
  // The clients keep their links; the links forget the action.
  for (TBasicActionLink* link : links_) link->action_ = nullptr;
  links_.clear();
}

bool TBasicAction::Execute() {
  if (!onExecute_) return false;
  onExecute_(this);
  return true;
}

bool TBasicAction::Update() {
  if (!onUpdate_) return false;
  onUpdate_(this);
  return true;
}

void TBasicAction::SetOnExecute(TNotifyEvent e) {
  if (e == onExecute_) return;
  onExecute_ = e;
  Change();
}

void TBasicAction::Change() {
  // A copy: a client may drop its link while it hears of the change.
  std::vector<TBasicActionLink*> links = links_;
  for (TBasicActionLink* link : links)
    if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->Change();
}

void TBasicAction::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == actionComponent_) actionComponent_ = nullptr;
}

// ---- 3. TContainedAction, TCustomAction -------------------------------------------------

TW_DEFINE_CLASS(TContainedAction) {}

TContainedAction::~TContainedAction() { SetActionList(nullptr); }

void TContainedAction::SetActionList(TCustomActionList* list) {
  if (list == actionList_) return;
  if (actionList_) {
    auto& actions = actionList_->actions_;
    actions.erase(std::remove(actions.begin(), actions.end(), this), actions.end());
  }
  actionList_ = list;
  if (list) list->actions_.push_back(this);
}

Integer TContainedAction::Index() const {
  if (!actionList_) return -1;
  auto& actions = actionList_->actions_;
  auto it = std::find(actions.begin(), actions.end(), this);
  return it == actions.end() ? -1 : static_cast<Integer>(it - actions.begin());
}

bool TContainedAction::Execute() {
  if (actionList_ && actionList_->ExecuteAction(this)) return true;
  if (TBasicAction::Execute()) return true;
  return gDispatch && gDispatch(this, true);
}

bool TContainedAction::Update() {
  if (actionList_ && actionList_->UpdateAction(this)) return true;
  if (TBasicAction::Update()) return true;
  return gDispatch && gDispatch(this, false);
}

TComponent* TContainedAction::GetParentComponent() const { return actionList_; }

void TContainedAction::SetParentComponent(TComponent* parent) {
  if (auto* list = dynamic_cast<TCustomActionList*>(parent)) SetActionList(list);
}

TW_DEFINE_CLASS(TCustomAction) {}

TW_DEFINE_CLASS(TAction) {
  b.Property(u"Caption", &TAction::Caption, &TAction::SetCaption);
  b.Property(u"Checked", &TAction::Checked, &TAction::SetChecked).Default(false);
  b.Property(u"Enabled", &TAction::Enabled, &TAction::SetEnabled).Default(true).Stored(&TAction::IsEnabledStored);
  b.Property(u"HelpContext", &TAction::HelpContext, &TAction::SetHelpContext).Default(0);
  b.Property(u"Hint", &TAction::Hint, &TAction::SetHint);
  b.Property(u"ImageIndex", &TAction::ImageIndex, &TAction::SetImageIndex).Default(-1);
  b.Property(u"Visible", &TAction::Visible, &TAction::SetVisible).Default(true);
  b.Property(u"OnExecute", &TAction::OnExecute, &TAction::SetOnExecute);
  b.Property(u"OnUpdate", &TAction::OnUpdate, &TAction::SetOnUpdate);
}

namespace {

template <class T>
bool Store(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  return true;
}

}  // namespace

void TCustomAction::SetCaption(const String& v) {
  if (Store(caption_, v)) Change();
}

void TCustomAction::SetChecked(bool v) {
  if (Store(checked_, v)) Change();
}

void TCustomAction::SetEnabled(bool v) {
  disabledForNoHandler_ = false;
  if (Store(enabled_, v)) Change();
}

void TCustomAction::SetHelpContext(Integer v) {
  if (Store(helpContext_, v)) Change();
}

void TCustomAction::SetHint(const String& v) {
  if (Store(hint_, v)) Change();
}

void TCustomAction::SetImageIndex(Integer v) {
  if (Store(imageIndex_, v)) Change();
}

void TCustomAction::SetVisible(bool v) {
  if (Store(visible_, v)) Change();
}

void TCustomAction::SetOnExecute(TNotifyEvent e) {
  // An action that went off for want of a handler comes back with one.
  if (e && disabledForNoHandler_) {
    disabledForNoHandler_ = false;
    enabled_ = true;
  }
  TBasicAction::SetOnExecute(e);
}

bool TCustomAction::Execute() {
  Update();
  return enabled_ && TContainedAction::Execute();
}

bool TCustomAction::Update() {
  bool handled = TContainedAction::Update();
  if (!handled && disableIfNoHandler_ && !OnExecute() && enabled_) {
    SetEnabled(false);
    disabledForNoHandler_ = true;
  }
  return handled;
}

// ---- 4. TCustomActionList ---------------------------------------------------------------

TW_DEFINE_CLASS(TCustomActionList) {}

TW_DEFINE_CLASS(TActionList) {
  b.Property(u"OnExecute", &TActionList::OnExecute, &TActionList::SetOnExecute);
  b.Property(u"OnUpdate", &TActionList::OnUpdate, &TActionList::SetOnUpdate);
}

TCustomActionList::~TCustomActionList() {
  for (TContainedAction* a : actions_) a->actionList_ = nullptr;
  actions_.clear();
}

TContainedAction* TCustomActionList::Actions(Integer index) const {
  if (index < 0 || index >= ActionCount()) throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
  return actions_[static_cast<size_t>(index)];
}

bool TCustomActionList::ExecuteAction(TBasicAction* action) {
  bool handled = false;
  onExecute_.Call(action, handled);
  return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* action) {
  bool handled = false;
  onUpdate_.Call(action, handled);
  return handled;
}

void TCustomActionList::GetChildren(std::vector<TComponent*>& children, TComponent* root) const {
  for (TContainedAction* a : actions_)
    if (a->Owner() == root) children.push_back(a);
}
