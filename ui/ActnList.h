// Actions: a command with its caption, enabled state, hint, image index and handlers that
// controls link to (a control's Action), so that they look and act as the action says;
// action lists hold them in form descriptions. Portable; the controls' side is in
// Controls.h.
//
//   auto* save = new TAction(form);  save->SetActionList(list);
//   save->SetCaption(u"Save");  save->SetOnExecute(TNotifyEvent(this, &TForm1::SaveClick));
//   button->SetAction(save);            // the button shows "Save"; a click runs SaveClick
//   save->SetEnabled(false);            // the button is disabled too
//
// Updating: the application asks every action linked to a visible control of a shown form
// to update when it is idle (Update). Handled by its list's OnUpdate, else by its OnUpdate,
// else by the application (CM_ACTIONUPDATE to the active form, which offers it to its
// controls); when nobody handled it, a TAction without an OnExecute handler disables
// itself (DisableIfNoHandler), and is enabled again when it gets one. Executing goes the
// same way: the list's OnExecute, OnExecute, the application (CM_ACTIONEXECUTE).
#pragma once

#include <vector>

#include "Classes.h"

class TBasicAction;
class TCustomActionList;

// What an action's client keeps: the link to its action. The client hears of every change
// of the action through OnChange (Sender: the action).
class TBasicActionLink : public TObject {
 public:
  explicit TBasicActionLink(TObject* client) : client_(client) {}
  ~TBasicActionLink() override;  // leaves the action's clients
  TObject* Client() const { return client_; }
  TBasicAction* Action() const { return action_; }
  void SetAction(TBasicAction* action);
  // Runs the action on behalf of component (its ActionComponent meanwhile); true when handled.
  virtual bool Execute(TComponent* component);
  virtual bool Update();
  // Whether the client's OnClick is the action's OnExecute.
  virtual bool IsOnExecuteLinked() const { return false; }
  TNotifyEvent OnChange;

 protected:
  virtual void Change();

 private:
  friend class TBasicAction;
  TObject* client_;
  TBasicAction* action_ = nullptr;
};

// The link of a TCustomAction's client: which of the client's values still follow the
// action (they are equal to the action's), for the client's stored rules.
class TActionLink : public TBasicActionLink {
 public:
  using TBasicActionLink::TBasicActionLink;
  virtual bool IsCaptionLinked() const { return false; }
  virtual bool IsCheckedLinked() const { return false; }
  virtual bool IsEnabledLinked() const { return false; }
  virtual bool IsHelpContextLinked() const { return false; }
  virtual bool IsHintLinked() const { return false; }
  virtual bool IsImageIndexLinked() const { return false; }
  virtual bool IsVisibleLinked() const { return false; }
};

class TBasicAction : public TComponent {
  TW_CLASS(TBasicAction, TComponent)
  explicit TBasicAction(TComponent* owner);
  ~TBasicAction() override;

  // OnExecute; true when it ran.
  virtual bool Execute();
  // OnUpdate; true when it ran.
  virtual bool Update();
  TNotifyEvent OnExecute() const { return onExecute_; }
  virtual void SetOnExecute(TNotifyEvent e);
  TNotifyEvent OnUpdate() const { return onUpdate_; }
  void SetOnUpdate(TNotifyEvent e) { onUpdate_ = e; }
  // The component on whose behalf the action runs right now (nullptr: none).
  TComponent* ActionComponent() const { return actionComponent_; }
  void SetActionComponent(TComponent* c) { actionComponent_ = c; }
  Integer ClientCount() const { return static_cast<Integer>(links_.size()); }

 protected:
  // Tells every client's link.
  void Change();
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TBasicActionLink;
  std::vector<TBasicActionLink*> links_;
  TComponent* actionComponent_ = nullptr;
  TNotifyEvent onExecute_, onUpdate_;
};

// An action that belongs to an action list (its parent in descriptions).
class TContainedAction : public TBasicAction {
  TW_CLASS(TContainedAction, TBasicAction)
  using TBasicAction::TBasicAction;
  ~TContainedAction() override;

  TCustomActionList* ActionList() const { return actionList_; }
  void SetActionList(TCustomActionList* list);
  // Its place in the list; -1 without one.
  Integer Index() const;
  // The list's handlers, then the application, then its own.
  bool Execute() override;
  bool Update() override;

  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return actionList_ != nullptr; }
  void SetParentComponent(TComponent* parent) override;

 private:
  friend class TCustomActionList;
  TCustomActionList* actionList_ = nullptr;
};

class TCustomAction : public TContainedAction {
  TW_CLASS(TCustomAction, TContainedAction)
  using TContainedAction::TContainedAction;

  const String& Caption() const { return caption_; }
  void SetCaption(const String& v);
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  Integer HelpContext() const { return helpContext_; }
  void SetHelpContext(Integer v);
  const String& Hint() const { return hint_; }
  void SetHint(const String& v);
  Integer ImageIndex() const { return imageIndex_; }
  void SetImageIndex(Integer v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  // Off in TCustomAction, on in TAction: see the top of the file.
  bool DisableIfNoHandler() const { return disableIfNoHandler_; }
  void SetDisableIfNoHandler(bool v) { disableIfNoHandler_ = v; }
  // Enabled is the action's own, not off for want of a handler (descriptions keep only that).
  bool IsEnabledStored() const { return !disabledForNoHandler_; }

  // Runs only when enabled (after updating).
  bool Execute() override;
  bool Update() override;
  void SetOnExecute(TNotifyEvent e) override;

 protected:
  bool disableIfNoHandler_ = false;

 private:
  String caption_, hint_;
  bool checked_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  bool disabledForNoHandler_ = false;  // Enabled went off because OnExecute was missing
  Integer helpContext_ = 0;
  Integer imageIndex_ = -1;
};

class TAction : public TCustomAction {
  TW_CLASS(TAction, TCustomAction)
  explicit TAction(TComponent* owner) : TCustomAction(owner) { disableIfNoHandler_ = true; }
};

using TActionEvent = TEvent<void(TBasicAction* Action, bool& Handled)>;

class TCustomActionList : public TComponent {
  TW_CLASS(TCustomActionList, TComponent)
  using TComponent::TComponent;
  ~TCustomActionList() override;

  Integer ActionCount() const { return static_cast<Integer>(actions_.size()); }
  // Raises EListError "List index out of bounds (<i>)".
  TContainedAction* Actions(Integer index) const;
  // OnExecute / OnUpdate of the list; true when its handler said Handled.
  virtual bool ExecuteAction(TBasicAction* action);
  virtual bool UpdateAction(TBasicAction* action);
  TActionEvent OnExecute() const { return onExecute_; }
  void SetOnExecute(TActionEvent e) { onExecute_ = e; }
  TActionEvent OnUpdate() const { return onUpdate_; }
  void SetOnUpdate(TActionEvent e) { onUpdate_ = e; }
  // Its actions that root owns, in list order (the form writer).
  void GetChildren(std::vector<TComponent*>& children, TComponent* root) const override;

 private:
  friend class TContainedAction;
  std::vector<TContainedAction*> actions_;
  TActionEvent onExecute_, onUpdate_;
};

class TActionList : public TCustomActionList {
  TW_CLASS(TActionList, TCustomActionList)
  using TCustomActionList::TCustomActionList;
};

// The application's turn for an action that neither it nor its list handled (execute:
// CM_ACTIONEXECUTE, else CM_ACTIONUPDATE); true when handled. Set by the application
// object; none: nobody else handles actions.
using TActionDispatch = bool (*)(TBasicAction* action, bool execute);
void SetActionDispatch(TActionDispatch dispatch);
