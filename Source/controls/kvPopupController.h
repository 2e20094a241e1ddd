// Two small services: the popup controller, which keeps the drop-down forms shown under
// controls so that they can be counted, found and closed together, and the shadow window, a
// layered click-through window that draws a soft shadow around another window (a skinned
// popup menu) and follows it.
//
// Nothing in this program adds a form to the controller (AddForm is there for a library user),
// so its list stays empty.
#pragma once

#ifdef _WIN32

#include <memory>
#include <vector>

#include "base/kvThdTimer.h"
#include "base/kvntTypes.h"
#include "controls/sSkinMenusLayout.h"
#include "ui/Forms.h"
#include "ui/Subclass.h"

class DuRiruZireziv;
class TsCommonData;
class TsPopupController;
class TkvShadowForm;

// One popup form under control.
class TkvFormHandler : public TObject {
 public:
  ~TkvFormHandler() override;
  TControl* ClientCtrl = nullptr;
  bool Initialized = false;
  bool ClosingForbidden = false;
  HWND CaptureHandle = nullptr;
  std::unique_ptr<TkvThreadedTimer> CheckTimer;
  TsPopupController* Controller = nullptr;
  bool Closed = false;
  TCustomForm* PopupForm = nullptr;
  TCustomForm* ParentForm = nullptr;
  TControl* PopupCtrl = nullptr;
  TkvShadowForm* ShadowForm = nullptr;
};

class TsPopupController : public TComponent {
  TW_CLASS(TsPopupController, TComponent)
  explicit TsPopupController(TComponent* owner);
  ~TsPopupController() override;

  // Closes every visible popup form that may close, except the one that owns exceptChild;
  // when then no popup is visible, the handlers kept from closing are freed.
  void KillAllForms(TControl* exceptChild = nullptr);
  Integer PopupCount(TCustomForm* exceptForm = nullptr) const;
  Integer PopupChildCount(TCustomForm* parentForm) const;
  Integer GetFormIndex(TCustomForm* form) const;
  Integer GetFormIndex(HWND handle) const;
  void ClosingAllow(TCustomForm* form);
  void ClosingForbide(TCustomForm* form);
  // Puts a popup form under control (in the first empty slot); with a shadow, the form gets one
  // in form mode. A form already under control keeps its handler. The controller forgets a form
  // (and its shadow) when the form is freed.
  TkvFormHandler* AddForm(TCustomForm* popupForm, TCustomForm* parentForm, TControl* popupCtrl, bool withShadow);

  bool DoSetFocus = false, SkipOpen = false, ZoomAnimation = false, MousePressed = false, IgnoreCapture = false;
  Integer AnimDirection = 0;
  std::vector<std::unique_ptr<TkvFormHandler>> FormHandlers;  // slots may be empty

 private:
  void Notification(TComponent* component, TOperation operation) override;
};

// The library's internal controller (made on first use).
TsPopupController* GetIntController();

class TkvShadowForm : public TkvGlowForm {
  TW_CLASS(TkvShadowForm, TkvGlowForm)
  explicit TkvShadowForm(TComponent* owner);
  ~TkvShadowForm() override;
  void AfterConstruction() override;

  // A new shadow owned by owner. Form mode when the owner is a form: the shadow hooks the form's
  // WindowProc (and its skin data's window procedure), so it hides, follows and answers the
  // update command by itself; it takes the form's opacity.
  static TkvShadowForm* CreateNew(TComponent* owner);
  // Handle mode: the shadow of a window the library did not make. With followWindow the
  // shadowed window's messages reach the shadow first (it hides and follows by itself).
  void CreateNoForm(HWND handle, Byte ownerBlend, TsCommonData* skinData, bool followWindow);
  // The shadowed window: the form's (none before it has one) in form mode, else the handle's.
  HWND OwnerHandle() const;
  TCustomForm* OwnerForm() const { return FOwnerForm; }

  // Follows the shadowed window (unless locked, ownerless or the window is hidden).
  void UpdateShadowPos();
  // Rebuilds the layer for a window at that place and size, at that opacity.
  void SetNewPos(Integer left, Integer top, Integer width, Integer height, Byte blendValue);
  // Hidden and locked: moves of the window no longer move or show it.
  void HideWnd();
  // Takes the shadow down for good (once).
  void KillShadow();
  TkvShadowMargins ShadowSize() const;
  // The picture stretched around the window; null when there is none (then no shadow shows).
  TBitmap* ShadowTemplate() const;
  DuRiruZireziv* SkinManager() const;

  TsCommonData* sd = nullptr;
  Byte FOwnerBlend = 255;
  bool FDestroyed = false;
  bool Locked = false;
  Integer FUserBlend = -1;

 private:
  void UpdateLayer(Integer left, Integer top, Integer width, Integer height, Byte blendValue);
  // The shadowed window's messages: before (true: answered here) and after its own handling.
  bool BeforeOwnerMessage(TMessage& m);
  void AfterOwnerMessage(const TMessage& m);
  void NewWndProc(TMessage& m);
  void FormWndProc(TMessage& m);
  void SkinDataWndProc(TMessage& m);
  void AttachToForm(TCustomForm* form);
  // Forgets the form; while it is intact, it and its skin data get their window procedures back.
  void DetachFromForm(bool formIntact);
  void Notification(TComponent* component, TOperation operation) override;
  HWND FOwnerHandle = nullptr;
  TWindowSubclass FFollow;
  TCustomForm* FOwnerForm = nullptr;
  TWndMethod OldWndProc, OldSDProc;
  TsCommonData* HookedSD = nullptr;  // the skin data whose window procedure is ours
};

// A new shadow of a window in handle mode, locked until its first UpdateShadowPos unless doShow.
TkvShadowForm* AttachShadowWnd(HWND handle, TsCommonData* skinData, Byte ownerBlendValue, bool doShow,
                               bool followWindow);

// Clean-up: frees the internal controller and the built-in shadow template.
void kvPopupControllerCleanup();

#endif
