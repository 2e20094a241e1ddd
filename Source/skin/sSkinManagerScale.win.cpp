// Rescaling forms for the manager's scale modes, and locking them around a scale change.
#include <windows.h>

#include <algorithm>
#include <optional>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "images/kvAlphaImageList.h"
#include "skin/ControlServices.h"
#include "skin/FormServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sStyleSimply.h"
#include "skin/sVclUtils.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"

void DuRiruZireziv::UpdateScale(TControl* ctrl, Integer iCurrentPPI, Integer iNewDPI) {
  if (!ctrl) return;
  auto* form = dynamic_cast<TCustomForm*>(ctrl);
  if (form) {
    if (form->HandleAllocated())
      if (TkvFormProvider* provider = GetFormProvider(form->WindowHandle()))
        if (TsCommonData* sd = provider->SkinData(); sd && sd->GetSkinManager() != this) return;
    form->SetScaled(Options.ScaleMode == smVCL);
  }
  if (Options.ScaleMode == smVCL && (iNewDPI == 0 || iNewDPI == iCurrentPPI)) return;
  StoreDefFont();
  Integer oldPPI = iCurrentPPI;
  if (iNewDPI == 0) {
    oldPPI = Integer(ctrl->Perform(SM_ALPHACMD, uintptr_t{KV_GETSCALE} << 16, 1));
    if (oldPPI == 0) oldPPI = 96;
  }
  Integer newPPI = iNewDPI;
  if (iNewDPI == 0) {
    if (Options.ScaleMode == smCustomPPI) {
      newPPI = Options.PixelsPerInch;
    } else {
      if (oldPPI == -1) return;
      newPPI = aPPIArray[size_t(std::clamp(GetScale(), 0, 3))];
    }
  }
  if (newPPI == 0 || newPPI == oldPPI) return;
  if (form) form->DoBeforeMonitorDpiChanged(oldPPI, newPPI);
  {
    TkvManagerStateScope scaling(*this, msFormScaling);
    const Integer clientWidth = MulDiv(ctrl->ClientWidth(), newPPI, oldPPI);
    const Integer clientHeight = MulDiv(ctrl->ClientHeight(), newPPI, oldPPI);
    const TRect bounds = ctrl->BoundsRect();
    auto noAnimation = SetForScope(Effects.AllowAnimation, false);
    auto* win = dynamic_cast<TWinControl*>(ctrl);
    {
      std::optional<TAlignSuspended> aligning;
      if (win) aligning.emplace(win);
      ctrl->ChangeScale(newPPI, oldPPI);
      ctrl->SetBounds(bounds.Left, bounds.Top, ctrl->Width(), ctrl->Height());
      ctrl->SetClientSize(TSize(clientWidth, clientHeight));
      ctrl->Perform(SM_ALPHACMD, uintptr_t{KV_SETSCALE} << 16, newPPI);
    }
    if (newPPI < oldPPI) {
      const RECT r{bounds.Left, bounds.Top, bounds.Right, bounds.Bottom};
      InvalidateRect(nullptr, &r, TRUE);
    }
  }
  if (form) form->DoAfterMonitorDpiChanged(oldPPI, newPPI);
}

void DuRiruZireziv::UpdateAllScale() {
  if (TkvMenuServices* menus = TkvServiceSlot<TkvMenuServices>::Get()) menus->ForgetSkinData();
  if (!SkinDataArray.empty() && SkinDataArray[0])
    IterateImageLists([](TkvImageList* list, Integer ppi) { ScaleImageList(list, ppi); }, SkinDataArray[0]->PPI);
  const std::vector<TComponent*> hooked = HookedComponents;  // a copy: rescaling may register more
  for (TComponent* c : hooked)
    if (auto* form = dynamic_cast<TCustomForm*>(c)) UpdateScale(form, 96, 0);
}

namespace {

void LockFormUpdate(TkvFormProvider* provider, Integer flags) {
  const bool locking = !(flags & DuRiruZireziv::LF_UNLOCK);
  TkvBorderWindow* border = provider->OuterBorder();
  Cardinal& state = provider->FormStateBits();
  if (locking) {
    state |= FS_CHANGING | FS_ANIMMINIMIZING | FS_BLENDMOVING;
    if (border) border->UpdateExBordersPos(false, 255);
    provider->AnimatingMark() = true;
    state |= FS_LOCKED;
  } else {
    state &= ~(FS_LOCKED | FS_CHANGING | FS_ANIMMINIMIZING | FS_BLENDMOVING);
    TsCommonData* sd = provider->SkinData();
    if (sd) sd->BGChanged = true;
    SendAMessage(provider->ProviderForm()->WindowHandle(), KV_PREPARECACHE);
    state = 0;
  }
  if (border) border->ShowingFlag() = locking;
  HWND wnd = provider->ProviderForm()->WindowHandle();
  if (provider->ProviderForm()->BorderStyle() != bsNone) TrySendMessage(wnd, WM_SETREDRAW, locking ? 0 : 1, 0);
  TsCommonData* sd = provider->SkinData();
  if (!sd || sd->SkinIndex < 0)
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
}

}  // namespace

void DuRiruZireziv::LockFormsForScale(Integer flags) { IterateForms(this, LockFormUpdate, flags); }

Integer DuRiruZireziv::MainFormPPI() const {
  if (Application && Application->MainForm()) return Application->MainForm()->CurrentPPI();
  return aPPIArray[size_t(std::clamp(SysFontScale, 0, 3))];
}

void DuRiruZireziv::ScaleMessageFont(Integer newPercent, Integer oldPercent) {
  if (!Screen || oldPercent == 0) return;
  if (TFont* font = Screen->MessageFont()) font->SetSize(MulDiv(font->Size(), newPercent, oldPercent));
}
