#include "controls/kvPopupController.h"

#include <windows.h>

#include <algorithm>

#include "base/WorkingBitmaps.h"
#include "base/sMessages.h"
#include "raster/GdiBitmaps.h"
#include "raster/sGradient.h"
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

TsPopupController* GetIntController() {
  if (!IntController()) IntController() = std::make_unique<TsPopupController>(nullptr);
  return IntController().get();
}

// ---- the shadow window ------------------------------------------------------------------------

TW_DEFINE_CLASS(TkvShadowForm) {}

TkvShadowForm::TkvShadowForm(TComponent* owner) : TkvGlowForm(owner) {}

TkvShadowForm::~TkvShadowForm() { FFollow.Detach(); }

void TkvShadowForm::AfterConstruction() {
  TkvGlowForm::AfterConstruction();
  FUserBlend = -1;
  FDestroyed = false;
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
  if (Locked || !FOwnerHandle || !IsWindowVisible(FOwnerHandle)) return;
  RECT r{};
  if (!GetWindowRect(FOwnerHandle, &r)) return;
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
  if (FOwnerHandle)
    SetWindowPos(wnd, FOwnerHandle, 0, 0, 0, 0,
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
  FFollow.Detach();
  FOwnerHandle = nullptr;
  if (HandleAllocated()) {
    ShowWindow(WindowHandle(), SW_HIDE);
    DestroyHandle();
  }
}

void TkvShadowForm::NewWndProc(TMessage& m) {
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
        return;
      }
      break;
    default: break;
  }
  FFollow.CallPrevious(m);
  if (m.Msg == WM_SIZE || m.Msg == WM_WINDOWPOSCHANGING || m.Msg == WM_WINDOWPOSCHANGED) {
    if (!FOwnerHandle || !IsWindowVisible(FOwnerHandle)) {
      if (HandleAllocated()) ShowWindow(WindowHandle(), SW_HIDE);
    } else if (!Locked) {
      UpdateShadowPos();
    }
  }
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
