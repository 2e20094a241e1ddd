#include "controls/kvPopupController.h"

#include <windows.h>

#include <algorithm>

#include "base/WorkingBitmaps.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "raster/GdiBitmaps.h"
#include "raster/sGradient.h"
#include "skin/FormServices.h"
#include "skin/SkinState.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"

namespace {
std::unique_ptr<TsPopupController>& IntController() {
  static std::unique_ptr<TsPopupController> controller;
  return controller;
}
// The shadow template used without an active skin, made on first use.
std::unique_ptr<TBitmap>& BuiltInShadow() {
  static std::unique_ptr<TBitmap> shadow;
  return shadow;
}
}  // namespace

// ---- the popup controller ---------------------------------------------------------------------

TkvFormHandler::~TkvFormHandler() { Controller = nullptr; }

TW_DEFINE_CLASS(TsPopupController) {}

TsPopupController::TsPopupController(TComponent* owner) : TComponent(owner) {}

TsPopupController::~TsPopupController() { FormHandlers.clear(); }

namespace {
bool Shown(const TCustomForm* form) { return form && form->HandleAllocated() && IsWindowVisible(form->WindowHandle()); }
}  // namespace

void TsPopupController::KillAllForms(TControl* exceptChild) {
  TCustomForm* exceptForm = exceptChild ? GetParentForm(exceptChild) : nullptr;
  for (auto& h : FormHandlers)
    if (h && !h->ClosingForbidden && Shown(h->PopupForm) && h->PopupForm != exceptForm) h->PopupForm->Close();
  if (PopupCount() > 0) return;
  bool any = false;
  for (auto& h : FormHandlers) {
    if (h && h->ClosingForbidden) h.reset();
    any = any || h;
  }
  if (!any) FormHandlers.clear();
}

Integer TsPopupController::PopupCount(TCustomForm* exceptForm) const {
  Integer n = 0;
  for (const auto& h : FormHandlers)
    if (h && h->PopupForm && h->PopupForm != exceptForm && Shown(h->PopupForm)) ++n;
  return n;
}

Integer TsPopupController::PopupChildCount(TCustomForm* parentForm) const {
  Integer n = 0;
  for (const auto& h : FormHandlers)
    if (h && h->ParentForm == parentForm && Shown(h->PopupForm)) ++n;
  return n;
}

Integer TsPopupController::GetFormIndex(TCustomForm* form) const {
  for (size_t i = 0; i < FormHandlers.size(); ++i)
    if (FormHandlers[i] && FormHandlers[i]->PopupForm == form) return Integer(i);
  return -1;
}

Integer TsPopupController::GetFormIndex(HWND handle) const {
  for (size_t i = 0; i < FormHandlers.size(); ++i) {
    const TCustomForm* f = FormHandlers[i] ? FormHandlers[i]->PopupForm : nullptr;
    if (f && f->HandleAllocated() && f->WindowHandle() == handle) return Integer(i);
  }
  return -1;
}

void TsPopupController::ClosingAllow(TCustomForm* form) {
  for (auto& h : FormHandlers)
    if (h && h->PopupForm == form) h->ClosingForbidden = false;
}

void TsPopupController::ClosingForbide(TCustomForm* form) {
  for (auto& h : FormHandlers)
    if (h && h->PopupForm == form) h->ClosingForbidden = true;
}

TkvFormHandler* TsPopupController::AddForm(TCustomForm* popupForm, TCustomForm* parentForm, TControl* popupCtrl,
                                           bool withShadow) {
  if (!popupForm) return nullptr;
  if (const Integer index = GetFormIndex(popupForm); index >= 0) return FormHandlers[size_t(index)].get();
  auto slot = std::find(FormHandlers.begin(), FormHandlers.end(), nullptr);
  if (slot == FormHandlers.end()) slot = FormHandlers.insert(FormHandlers.end(), nullptr);
  *slot = std::make_unique<TkvFormHandler>();
  TkvFormHandler& h = **slot;
  h.Controller = this;
  h.PopupForm = popupForm;
  h.ParentForm = parentForm;
  h.PopupCtrl = popupCtrl;
  for (TComponent* c :
       {static_cast<TComponent*>(popupForm), static_cast<TComponent*>(parentForm), static_cast<TComponent*>(popupCtrl)})
    if (c) c->FreeNotification(this);
  if (withShadow) h.ShadowForm = TkvShadowForm::CreateNew(popupForm);  // goes with the form
  return &h;
}

void TsPopupController::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  for (auto& h : FormHandlers) {
    if (!h) continue;
    if (h->PopupForm == component) {
      h.reset();  // nothing left to control; the shadow went with the form
      continue;
    }
    if (h->ParentForm == component) h->ParentForm = nullptr;
    if (h->PopupCtrl == component) h->PopupCtrl = nullptr;
    if (h->ClientCtrl == component) h->ClientCtrl = nullptr;
  }
}

TsPopupController* GetIntController() {
  if (!IntController()) IntController() = std::make_unique<TsPopupController>(nullptr);
  return IntController().get();
}

// ---- the shadow window ------------------------------------------------------------------------

TW_DEFINE_CLASS(TkvShadowForm) {}

TkvShadowForm::TkvShadowForm(TComponent* owner) : TkvGlowForm(owner) {}

TkvShadowForm::~TkvShadowForm() {
  // A form being freed is past the point where its procedures may be touched; it takes them along.
  DetachFromForm(FOwnerForm && !FOwnerForm->ComponentState().Contains(csDestroying));
  FFollow.Detach();
}

void TkvShadowForm::AfterConstruction() {
  TkvGlowForm::AfterConstruction();
  SetTag(ExceptTag);  // a shadow is never skinned itself
  FUserBlend = -1;
  FDestroyed = false;
}

TkvShadowForm* TkvShadowForm::CreateNew(TComponent* owner) {
  auto* shadow = new TkvShadowForm(owner);
  shadow->AfterConstruction();
  if (auto* form = dynamic_cast<TCustomForm*>(owner)) shadow->AttachToForm(form);
  return shadow;
}

void TkvShadowForm::AttachToForm(TCustomForm* form) {
  FOwnerForm = form;
  form->FreeNotification(this);
  OldWndProc = form->WindowProc();
  form->SetWindowProc(TWndMethod(this, &TkvShadowForm::FormWndProc));
  FOwnerBlend = form->AlphaBlend() ? form->AlphaBlendValue() : 255;
  TsCommonData* data = nullptr;
  if (form->HandleAllocated()) {
    if (TkvFormProvider* provider = GetFormProvider(form->WindowHandle())) data = provider->SkinData();
    if (!data) data = GetCommonData(form->WindowHandle());
  }
  sd = data;
  // Direct calls through the skin data pass by the form's WindowProc: they are hooked as well.
  if (sd && sd->WndProc) {
    HookedSD = sd;
    OldSDProc = sd->WndProc;
    sd->WndProc = TWndMethod(this, &TkvShadowForm::SkinDataWndProc);
  }
}

void TkvShadowForm::DetachFromForm(bool formIntact) {
  TCustomForm* form = std::exchange(FOwnerForm, nullptr);
  TsCommonData* data = std::exchange(HookedSD, nullptr);
  if (!form || !formIntact) return;
  if (form->WindowProc() == TWndMethod(this, &TkvShadowForm::FormWndProc)) form->SetWindowProc(OldWndProc);
  if (data && data->WndProc == TWndMethod(this, &TkvShadowForm::SkinDataWndProc)) data->WndProc = OldSDProc;
  if (form != Owner()) form->RemoveFreeNotification(this);
}

void TkvShadowForm::Notification(TComponent* component, TOperation operation) {
  TkvGlowForm::Notification(component, operation);
  if (operation == opRemove && component == FOwnerForm) {
    FOwnerForm = nullptr;  // gone: nothing of it is touched any more
    HookedSD = nullptr;
  }
}

HWND TkvShadowForm::OwnerHandle() const {
  if (FOwnerForm) return FOwnerForm->HandleAllocated() ? FOwnerForm->WindowHandle() : nullptr;
  return FOwnerHandle;
}

void TkvShadowForm::CreateNoForm(HWND handle, Byte ownerBlend, TsCommonData* skinData, bool followWindow) {
  FOwnerHandle = handle;
  FOwnerBlend = ownerBlend;
  sd = skinData;
  if (followWindow && handle) FFollow.Attach(handle, this, &TkvShadowForm::NewWndProc);
}

DuRiruZireziv* TkvShadowForm::SkinManager() const {
  DuRiruZireziv* m = sd ? sd->GetSkinManager() : nullptr;
  return m ? m : DefaultManager;
}

TkvShadowMargins TkvShadowForm::ShadowSize() const {
  DuRiruZireziv* m = SkinManager();
  if (!m || !m->IsActive()) return ShadowMargins(false, 0, 0);
  TkvSkinData* data = sd ? const_cast<TsCommonData*>(sd)->GetCommonSkinData() : nullptr;
  if (!data) data = m->CommonSkinData(96);
  return ShadowMargins(true, data->WndShadowSize, data->WndShadowOffset);
}

TBitmap* TkvShadowForm::ShadowTemplate() const {
  DuRiruZireziv* m = SkinManager();
  if (m && m->IsActive()) {
    TkvSkinData* data = sd && sd->SkinIndex >= 0 ? const_cast<TsCommonData*>(sd)->GetCommonSkinData() : nullptr;
    if (!data) data = m->CommonSkinData(96);
    return data ? data->GetPassiveShadow() : nullptr;
  }
  if (!BuiltInShadow()) {
    BuiltInShadow().reset(MakeShadow(0x44000000, 17, 2, 8, 0, 0, false, true));
    if (BuiltInShadow()) BuiltInShadow()->Canvas()->Unlock();
  }
  return BuiltInShadow().get();
}

void TkvShadowForm::UpdateShadowPos() {
  const HWND owner = OwnerHandle();
  if (Locked || !owner || !IsWindowVisible(owner)) return;
  RECT r{};
  if (!GetWindowRect(owner, &r)) return;
  SetNewPos(r.left, r.top, r.right - r.left, r.bottom - r.top, Byte(FUserBlend >= 0 ? FUserBlend : FOwnerBlend));
}

void TkvShadowForm::SetNewPos(Integer left, Integer top, Integer width, Integer height, Byte blendValue) {
  if (!FDestroyed) UpdateLayer(left, top, width, height, blendValue);
}

void TkvShadowForm::UpdateLayer(Integer left, Integer top, Integer width, Integer height, Byte blendValue) {
  FUserBlend = blendValue;
  TBitmap* tpl = ShadowTemplate();
  HWND wnd = Handle();
  if (!tpl || tpl->Empty()) {
    // No template, no shadow.
    ShowWindow(wnd, SW_HIDE);
    return;
  }
  const TkvShadowMargins m = ShadowSize();
  std::unique_ptr<TBitmap> bmp(CreateBmp32(width + m.Left + m.Right, height + m.Top + m.Bottom));
  if (!bmp || bmp->Empty()) return;
  const TkvShadowMargins src{(tpl->Width() - 1) / 2, (tpl->Height() - 1) / 2, (tpl->Width() - 1) / 2,
                             (tpl->Height() - 1) / 2};
  TkvShadowMargins dst = m;
  DuRiruZireziv* manager = sd ? sd->GetSkinManager() : nullptr;
  if (manager && manager->IsActive() && sd->SkinIndex >= 0 && size_t(sd->SkinIndex) < manager->gd().size()) {
    const auto& sections = manager->SkinCommonInfo.Sections;
    const Integer index = sd->SkinIndex;
    if (index == sections[ssMainMenu] || index == sections[ssDialog] || index == sections[ssForm]) {
      const TsGeneralData& g = manager->gd()[size_t(index)];
      const bool image = g.BorderIndex >= 0 && size_t(g.BorderIndex) < manager->ma().size();
      TkvShadowMargins borders;
      if (image) {
        const TsMaskData& md = manager->ma()[size_t(g.BorderIndex)];
        borders = {md.WL, md.WT, md.WR, md.WB};
      }
      dst = ShadowDestinationBorders(m, true, image, borders, g.BorderRadius);
    }
  }
  StretchShadowTemplate(bmp->View(), tpl->View(), src, dst);
  SetWindowLongW(wnd, GWL_EXSTYLE, GetWindowLongW(wnd, GWL_EXSTYLE) | WS_EX_LAYERED);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, blendValue, AC_SRC_ALPHA};
  TSize size(bmp->Width(), bmp->Height());
  TPoint pos(left - m.Left, top - m.Top);
  UpdateLayeredWnd(wnd, bmp.get(), &size, &blend, &pos);
  SetWindowPos(wnd, nullptr, pos.X, pos.Y, size.cx, size.cy, SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOREDRAW);
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  if (const HWND owner = OwnerHandle())
    SetWindowPos(wnd, owner, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER |
                     SWP_NOSENDCHANGING);
}

void TkvShadowForm::HideWnd() {
  if (HandleAllocated()) ShowWindow(WindowHandle(), SW_HIDE);
  Locked = true;
}

void TkvShadowForm::KillShadow() {
  if (FDestroyed) return;
  FDestroyed = true;
  DetachFromForm(FOwnerForm && !FOwnerForm->ComponentState().Contains(csDestroying));
  FFollow.Detach();
  FOwnerHandle = nullptr;
  if (HandleAllocated()) {
    ShowWindow(WindowHandle(), SW_HIDE);
    DestroyHandle();
  }
}

bool TkvShadowForm::BeforeOwnerMessage(TMessage& m) {
  switch (m.Msg) {
    case WM_CLOSE: HideWnd(); break;
    case WM_SHOWWINDOW:
      if (m.WParam == 0) HideWnd();
      break;
    case SM_ALPHACMD:
      if (((m.WParam >> 16) & 0xFFFF) == KV_UPDATESHADOW) {
        Locked = false;
        if (m.LParam == 0) {
          UpdateShadowPos();
        } else {
          struct TPlace {
            int32_t Left, Top, Width, Height;
            Byte Blend;
          };
          const auto* p = reinterpret_cast<const TPlace*>(m.LParam);
          if (p->Height > 0) SetNewPos(p->Left, p->Top, p->Width, p->Height, p->Blend);
        }
        m.Result = 0;
        return true;
      }
      break;
    default: break;
  }
  return false;
}

void TkvShadowForm::AfterOwnerMessage(const TMessage& m) {
  if (m.Msg != WM_SIZE && m.Msg != WM_WINDOWPOSCHANGING && m.Msg != WM_WINDOWPOSCHANGED) return;
  const HWND owner = OwnerHandle();
  if (!owner || !IsWindowVisible(owner)) {
    if (HandleAllocated()) ShowWindow(WindowHandle(), SW_HIDE);
  } else if (!Locked) {
    UpdateShadowPos();
  }
}

void TkvShadowForm::NewWndProc(TMessage& m) {
  if (BeforeOwnerMessage(m)) return;
  FFollow.CallPrevious(m);
  AfterOwnerMessage(m);
}

void TkvShadowForm::FormWndProc(TMessage& m) {
  const TWndMethod previous = OldWndProc;
  // The form's window goes while the form is being freed: the hooks go before it.
  if (m.Msg == WM_DESTROY && FOwnerForm && FOwnerForm->ComponentState().Contains(csDestroying)) {
    HideWnd();
    DetachFromForm(true);
    previous(m);
    return;
  }
  if (BeforeOwnerMessage(m)) return;
  previous(m);
  AfterOwnerMessage(m);
}

void TkvShadowForm::SkinDataWndProc(TMessage& m) {
  if (BeforeOwnerMessage(m)) return;
  if (OldSDProc) OldSDProc(m);
  AfterOwnerMessage(m);
}

TkvShadowForm* AttachShadowWnd(HWND handle, TsCommonData* skinData, Byte ownerBlendValue, bool doShow,
                               bool followWindow) {
  auto* shadow = new TkvShadowForm(nullptr);
  shadow->AfterConstruction();
  shadow->CreateNoForm(handle, ownerBlendValue, skinData, followWindow);
  shadow->Locked = !doShow;
  return shadow;
}

void kvPopupControllerCleanup() {
  IntController().reset();
  BuiltInShadow().reset();
}
