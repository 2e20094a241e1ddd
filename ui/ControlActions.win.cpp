// Controls and their actions: the link, what a control takes from its action, a click
// that runs it, and the application's turn for actions nobody else handled (the active
// form offers CM_ACTIONEXECUTE / CM_ACTIONUPDATE to its controls).
#include <windows.h>

#include "Controls.h"
#include "Forms.h"

// ---- the link -------------------------------------------------------------------------

TCustomAction* TControlActionLink::CustomAction() const { return dynamic_cast<TCustomAction*>(Action()); }

namespace {

// Whether the control's value equals its action's (there is a custom action).
template <class Get, class GetOfAction>
bool Same(const TControl* control, const TCustomAction* action, Get get, GetOfAction getOfAction) {
  return action && (control->*get)() == (action->*getOfAction)();
}

}  // namespace

bool TControlActionLink::IsCaptionLinked() const {
  return Same(control_, CustomAction(), &TControl::Caption, &TCustomAction::Caption);
}
bool TControlActionLink::IsEnabledLinked() const {
  return Same(control_, CustomAction(), &TControl::Enabled, &TCustomAction::Enabled);
}
bool TControlActionLink::IsHintLinked() const {
  return Same(control_, CustomAction(), &TControl::Hint, &TCustomAction::Hint);
}
bool TControlActionLink::IsVisibleLinked() const {
  return Same(control_, CustomAction(), &TControl::Visible, &TCustomAction::Visible);
}
bool TControlActionLink::IsHelpContextLinked() const {
  return Same(control_, CustomAction(), &TControl::HelpContext, &TCustomAction::HelpContext);
}

bool TControlActionLink::IsOnExecuteLinked() const {
  TBasicAction* a = Action();
  return a && control_->OnClick() == a->OnExecute();
}

// ---- the control ------------------------------------------------------------------------

TBasicAction* TControl::Action() const { return actionLink_ ? actionLink_->Action() : nullptr; }

void TControl::SetAction(TBasicAction* action) {
  if (!action) {
    actionLink_.reset();
    return;
  }
  if (!actionLink_) {
    actionLink_ = std::make_unique<TControlActionLink>(this);
    actionLink_->OnChange = TNotifyEvent(this, &TControl::DoActionChange);
  }
  actionLink_->SetAction(action);
  action->FreeNotification(this);
  ActionChange(action, action->IsLoading());
  // Its present state at once (an action without a handler disables itself), unless a
  // description is still being read: its handlers may need what is not read yet.
  if (!IsLoading() && !action->IsLoading()) InitiateAction();
}

void TControl::DoActionChange(TObject* sender) {
  if (sender && sender == Action()) ActionChange(sender, false);
}

void TControl::ActionChange(TObject* sender, bool checkDefaults) {
  auto* a = dynamic_cast<TCustomAction*>(sender);
  if (!a) return;
  if (!checkDefaults || Caption().empty() || Caption() == Name()) SetCaption(a->Caption());
  if (!checkDefaults || Enabled()) SetEnabled(a->Enabled());
  if (!checkDefaults || Hint().empty()) SetHint(a->Hint());
  if (!checkDefaults || Visible()) SetVisible(a->Visible());
  if (!checkDefaults || HelpContext() == 0) SetHelpContext(a->HelpContext());
  if (!checkDefaults || !onClick_) onClick_ = a->OnExecute();
}

void TControl::InitiateAction() {
  if (actionLink_) actionLink_->Update();
}

bool TControl::IsCaptionStored() const { return !actionLink_ || !actionLink_->IsCaptionLinked(); }
bool TControl::IsEnabledStored() const { return !actionLink_ || !actionLink_->IsEnabledLinked(); }
bool TControl::IsHintStored() const { return !actionLink_ || !actionLink_->IsHintLinked(); }
bool TControl::IsVisibleStored() const { return !actionLink_ || !actionLink_->IsVisibleLinked(); }
bool TControl::IsHelpContextStored() const { return !actionLink_ || !actionLink_->IsHelpContextLinked(); }
bool TControl::IsOnClickStored() const { return !actionLink_ || !actionLink_->IsOnExecuteLinked(); }

void TControl::Click() {
  TBasicAction* action = Action();
  // An OnClick of its own runs instead of the action; the action's OnExecute as OnClick,
  // or none, means the action runs (with its list's and the application's handlers).
  if (onClick_ && action && !(onClick_ == action->OnExecute())) {
    onClick_(this);
  } else if (action) {
    actionLink_->Execute(this);
  } else {
    onClick_.Call(this);
  }
}

// ---- the form and the application ------------------------------------------------------

namespace {

// Offers an action message to the control and, depth first, to its visible children
// (skip: the one that was asked already).
bool OfferAction(TControl* c, TMessage& m, const TControl* skip) {
  if (!c || !c->Visible()) return false;
  if (c != skip && c->Perform(m.Msg, m.WParam, m.LParam) == 1) return true;
  if (auto* w = dynamic_cast<TWinControl*>(c))
    for (Integer i = 0; i < w->ControlCount(); ++i)
      if (OfferAction(w->Controls(i), m, skip)) return true;
  return false;
}

bool DispatchToForms(TBasicAction* action, bool execute) {
  const Cardinal msg = execute ? CM_ACTIONEXECUTE : CM_ACTIONUPDATE;
  const TLParam lp = reinterpret_cast<TLParam>(action);
  TCustomForm* active = Screen ? Screen->ActiveForm() : nullptr;
  if (active && active->Perform(msg, 0, lp) == 1) return true;
  TCustomForm* main = Application ? Application->MainForm() : nullptr;
  return main && main != active && main->Perform(msg, 0, lp) == 1;
}

}  // namespace

void TCustomForm::CMActionDispatch(TMessage& m) {
  // The active control first, then every visible control (the form itself only passes on).
  m.Result = 0;
  if (!Showing()) return;
  if (activeControl_ && activeControl_ != this && activeControl_->Perform(m.Msg, m.WParam, m.LParam) == 1) {
    m.Result = 1;
    return;
  }
  for (Integer i = 0; i < ControlCount(); ++i)
    if (OfferAction(Controls(i), m, activeControl_)) {
      m.Result = 1;
      return;
    }
}

void TCustomForm::UpdateActions() {
  if (!Showing()) return;
  InitiateAction();
  struct Walk {
    static void Run(TWinControl* parent) {
      for (Integer i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (!c->Visible()) continue;
        c->InitiateAction();
        if (auto* w = dynamic_cast<TWinControl*>(c)) Run(w);
      }
    }
  };
  Walk::Run(this);
}

void TApplication::InstallActionDispatch() { SetActionDispatch(&DispatchToForms); }

void TApplication::UpdateFormActions() {
  if (!Screen) return;
  for (Integer i = 0; i < Screen->FormCount(); ++i) Screen->Forms(i)->UpdateActions();
}
