#include "skin/sStyleSimply.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "base/Composition.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "skin/SkinState.h"
#include "skin/sCommonData.h"
#include "skin/sVclUtils.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/Icon.h"

Integer& iLatestTitleHeight = kvSkinState.iLatestTitleHeight;

namespace {

struct TAppIcons {
  bool started = false;  // from the module's start-up to its clean-up
  bool asked = false;    // the shell was asked for them
  std::unique_ptr<TIcon> small, large;
};
TAppIcons appIcons;

TAppIcons& AskedAppIcons() {
  TAppIcons& icons = appIcons;
  if (!icons.started || icons.asked) return icons;
  icons.asked = true;
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return icons;
  const String exe(reinterpret_cast<const Char*>(path), n);
  icons.small.reset(GetIconForFile(exe, SHGFI_SMALLICON));
  icons.large.reset(GetIconForFile(exe, 0));
  return icons;
}

bool ApplicationMinimized() { return Application && IsIconic(Application->Handle()); }

bool IsRegistered(TComponent* form) {
  return std::find(HookedComponents.begin(), HookedComponents.end(), form) != HookedComponents.end();
}

bool IsApplicationForm(TComponent* component) {
  if (!Application) return false;
  for (Integer i = 0; i < Application->ComponentCount(); ++i)
    if (Application->Components(i) == component) return true;
  return false;
}

// The form, its controls and an MDI form's client window.
void SendToForm(TCustomForm* form, TMessage& message) {
  SendMessageW(form->Handle(), message.Msg, message.WParam, message.LParam);
  // A receiver may free the form: its controls are then gone too.
  if (form->IsDestroying()) return;
  AlphaBroadCast(form, message);
  if (form->FormStyle() == fsMDIForm && form->ClientHandle())
    SendMessageW(form->ClientHandle(), message.Msg, message.WParam, message.LParam);
}

// The provider of a registered form of the manager, whatever the form's state; null.
TkvFormProvider* ProviderOf(TComponent* component, DuRiruZireziv* manager) {
  auto* form = dynamic_cast<TCustomForm*>(component);
  if (!form || form->IsDestroying() || !form->HandleAllocated()) return nullptr;
  TkvFormProvider* provider = GetFormProvider(form->WindowHandle());
  if (!provider) return nullptr;
  TsCommonData* sd = provider->SkinData();
  return sd && sd->GetSkinManager() == manager ? provider : nullptr;
}

// Every registered provider of the manager, the hidden and minimized ones included.
void ForEachProvider(DuRiruZireziv* manager, const TkvProviderProc& proc) {
  const std::vector<TComponent*> forms = HookedComponents;
  for (TComponent* c : forms)
    if (IsRegistered(c))
      if (TkvFormProvider* provider = ProviderOf(c, manager)) proc(provider, 0);
}

Byte FormBlendValue(TCustomForm* form) { return form->AlphaBlend() ? form->AlphaBlendValue() : 255; }

void LockFormsCB(TkvFormProvider* provider, Integer) {
  provider->AnimatingMark() = true;
  provider->FormStateBits() |= FS_LOCKED;
  HWND form = provider->ProviderForm()->WindowHandle();
  TkvBorderWindow* border = provider->OuterBorder();
  if (!border) {
    SendMessageW(form, WM_SETREDRAW, 0, 0);
    return;
  }
  HWND layered = border->LayeredWindow();
  if (layered && !border->IsLocked() && provider->Snapshot()) {
    // The border window shows the snapshot over the form until the new look is ready.
    border->ShowingFlag() = true;
    SetWindowRgn(layered, nullptr, FALSE);
    SetFormBlendValue(layered, provider->Snapshot().get(), FormBlendValue(provider->ProviderForm()), nullptr);
    // The snapshot is the border's whole picture: the form lies in it at the border's offsets.
    RECT r{};
    GetWindowRect(form, &r);
    SetWindowPos(layered, TopWndAfter(), r.left - border->OffsetX(), r.top - border->OffsetY(), 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING | SWP_SHOWWINDOW);
  }
  SendMessageW(form, WM_SETREDRAW, 0, 0);
  border->ShowingFlag() = false;
}

void CopyExFormsCB(TkvFormProvider* provider, Integer) {
  TkvBorderWindow* border = provider->OuterBorder();
  if (border && border->LayeredWindow()) {
    provider->FormStateBits() |= FS_CHANGING;
    provider->Snapshot() = provider->GetFormImage();
    provider->FormStateBits() &= ~FS_CHANGING;
    if (TsCommonData* sd = provider->SkinData()) sd->BGChanged = true;
  }
  provider->AnimatingMark() = true;
}

void RedrawForm(HWND form) {
  RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
}

void DoRepaintCB(TkvFormProvider* provider, bool repaint) {
  TCustomForm* form = provider->ProviderForm();
  HWND wnd = form->WindowHandle();
  if (IsIconic(wnd) || GetParent(wnd) || !(provider->FormStateBits() & FS_LOCKED)) return;
  provider->AnimatingMark() = false;
  if (!repaint) {
    provider->FormStateBits() &= ~FS_CHANGING;
    SendMessageW(wnd, WM_SETREDRAW, 1, 0);
    provider->FormStateBits() &= ~FS_LOCKED;
    return;
  }
  const bool nonClient = provider->PaintsNonClientArea();
  DuRiruZireziv* manager = provider->SkinData() ? provider->SkinData()->GetSkinManager() : nullptr;
  if (manager && manager->AnimEffects.SkinChanging.Active) {
    const TkvFormAnimation& anim = manager->AnimEffects.SkinChanging;
    if (nonClient)
      AnimShowControl(form, anim.Time, FormBlendValue(form), anim.Mode == atAero ? atcAero : atcFade);
    else
      AnimShowControl(form, 0, 255, atcFade);
  }
  provider->FormStateBits() &= ~FS_CHANGING;
  TkvBorderWindow* border = provider->OuterBorder();
  if (border && form->WindowState() == wsMaximized) {
    const Integer title = provider->ActualTitleHeight();
    if (title != iLatestTitleHeight) {
      // The maximized frame takes the new title height only when it is shown again.
      iLatestTitleHeight = title;
      HWND active = GetActiveWindow();
      SetWindowLongW(wnd, GWL_STYLE, GetWindowLongW(wnd, GWL_STYLE) & ~WS_VISIBLE);
      ShowWindow(wnd, SW_SHOWMAXIMIZED);
      SetWindowLongW(wnd, GWL_STYLE, GetWindowLongW(wnd, GWL_STYLE) | WS_VISIBLE);
      if (active) SetActiveWindow(active);
    }
  }
  if (nonClient) {
    if (!AeroIsEnabled()) SetWindowRgn(wnd, nullptr, FALSE);
    provider->FillArOR();
    provider->UpdateRgn();
    RedrawForm(wnd);
    TsCommonData* sd = provider->SkinData();
    if (sd && sd->TranspMode != 0)
      IterateControls(form, 0, TkvControlFunc([provider](TControl* c, Integer& data) {
                        return provider->TransparencyCallback(c, data);
                      }));
    if (border && !border->IsLocked()) {
      if (HWND layered = border->LayeredWindow()) SetWindowRgn(layered, border->MakeRgn(), FALSE);
      border->UpdateExBordersPos(true, 255);
    }
  } else {
    RedrawForm(wnd);
  }
  provider->AnimatingMark() = false;
  provider->FormStateBits() &= ~FS_LOCKED;
}

}  // namespace

void IterateForms(DuRiruZireziv* manager, const TkvProviderProc& proc, Integer data) {
  // The length is read at every step: proc may register or unregister forms.
  for (size_t i = 0; i < HookedComponents.size(); ++i) {
    auto* form = dynamic_cast<TCustomForm*>(HookedComponents[i]);
    if (!form || form->IsDestroying() || (form->FormStyle() == fsMDIChild) || form->Parent() ||
        !form->HandleAllocated())
      continue;
    HWND wnd = form->WindowHandle();
    if (IsIconic(wnd) || !IsWindowVisible(wnd)) continue;
    if (TkvFormProvider* provider = ProviderOf(form, manager)) proc(provider, data);
  }
}

void AppBroadCastS(TMessage& message) {
  if (Application) {
    // A receiver may free forms: the walk goes over a copy and checks each form against the
    // application's live ones before it is sent to.
    std::vector<TComponent*> components;
    for (Integer i = 0; i < Application->ComponentCount(); ++i) components.push_back(Application->Components(i));
    for (auto it = components.rbegin(); it != components.rend(); ++it) {
      if (!IsApplicationForm(*it)) continue;
      auto* form = dynamic_cast<TCustomForm*>(*it);
      if (!form || (form->FormStyle() == fsMDIChild) || form->IsLoading() || form->IsDestroying()) continue;
      // Asking for the handle makes the form's window when it has none.
      if (WndIsSkinned(form->Handle())) continue;
      SendToForm(form, message);
    }
  }
  SendToHooked(message);
}

void SendToHooked(TMessage& message) {
  const std::vector<TComponent*> forms = HookedComponents;
  for (TComponent* c : forms) {
    if (!IsRegistered(c)) continue;
    auto* form = dynamic_cast<TCustomForm*>(c);
    if (form && !form->IsDestroying()) SendToForm(form, message);
  }
  for (HWND wnd : SupportedDialogWindows())
    if (IsWindow(wnd) && IsWindowVisible(wnd)) SendMessageW(wnd, message.Msg, message.WParam, message.LParam);
}

void LockForms(DuRiruZireziv* manager) {
  if (ApplicationMinimized()) return;
  if (manager->GetIsDefault() && manager->AnimEffects.SkinChanging.Active) InAnimationProcess = true;
  IterateForms(manager, LockFormsCB);
}

void CopyExForms(DuRiruZireziv* manager) {
  if (ApplicationMinimized() || manager->IsLoading() || manager->ComponentState().Contains(csReading) ||
      manager->IsDesigning())
    return;
  if (manager->GetIsDefault() && manager->AnimEffects.SkinChanging.Active) InAnimationProcess = true;
  IterateForms(manager, CopyExFormsCB);
}

void DropExForms(DuRiruZireziv* manager, bool wasAnimating) {
  ForEachProvider(manager, [](TkvFormProvider* provider, Integer) {
    provider->AnimatingMark() = false;
    provider->FormStateBits() &= ~FS_CHANGING;
    provider->Snapshot().reset();
  });
  if (manager->GetIsDefault()) InAnimationProcess = wasAnimating;
}

void UnLockForms(DuRiruZireziv* manager, bool repaint) {
  if (manager->GetIsDefault()) InAnimationProcess = false;
  // Every locked form draws again, a minimized one too: the application may have been
  // minimized after the forms were locked, and a form left with redraw off stays blank.
  ForEachProvider(manager, [](TkvFormProvider* provider, Integer) {
    if (provider->FormStateBits() & FS_LOCKED)
      SendMessageW(provider->ProviderForm()->WindowHandle(), WM_SETREDRAW, 1, 0);
  });
  if (!ApplicationMinimized())
    IterateForms(manager, [repaint](TkvFormProvider* provider, Integer) { DoRepaintCB(provider, repaint); });
  // The ones the repaint leaves alone (minimized, hidden, parented) are unlocked without it.
  ForEachProvider(manager, [](TkvFormProvider* provider, Integer) {
    if (!(provider->FormStateBits() & FS_LOCKED)) return;
    provider->FormStateBits() &= ~(FS_LOCKED | FS_CHANGING);
    provider->AnimatingMark() = false;
  });
}

TIcon* AppIcon() { return AskedAppIcons().small.get(); }
TIcon* AppIconLarge() { return AskedAppIcons().large.get(); }

void sStyleSimplyStartup() { appIcons.started = true; }

void sStyleSimplyCleanup() {
  appIcons.started = false;
  appIcons.asked = false;
  appIcons.small.reset();
  appIcons.large.reset();
  HookedComponents.clear();
}
