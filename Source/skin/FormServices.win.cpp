#include "skin/FormServices.h"

#include <windows.h>

#include "base/kvntTypes.h"
#include "base/sMessages.h"
#include "skin/sVclUtils.h"
#include "ui/Forms.h"

std::unique_ptr<TkvSupportedList> kvSupportedList;
HHOOK HookCallback = nullptr;

std::unique_ptr<TkvGlowForm> TkvFormProvider::TakeCoverForm() { return nullptr; }

TkvFormProvider* GetFormProvider(HWND form) {
  if (!form || !IsWindow(form)) return nullptr;
  return reinterpret_cast<TkvFormProvider*>(SendAMessage(form, KV_GETPROVIDER));
}

TkvFormProvider* GetSkinProvider(TComponent* component) {
  TCustomForm* form = component ? GetOwnerForm(component) : nullptr;
  if (!form || !form->HandleAllocated()) return nullptr;
  return GetFormProvider(form->WindowHandle());
}

void CreateSupportedList() {
  if (!kvSupportedList) kvSupportedList = std::make_unique<TkvSupportedList>();
}

std::vector<HWND> SupportedDialogWindows() {
  std::vector<HWND> windows;
  if (!kvSupportedList) return windows;
  windows.reserve(kvSupportedList->size());
  for (const auto& entry : *kvSupportedList)
    if (HWND wnd = entry ? entry->DialogWindow() : nullptr) windows.push_back(wnd);
  return windows;
}

intptr_t __stdcall SkinHookCBT(int code, uintptr_t wParam, intptr_t lParam) {
  if (TkvFormServices* forms = TkvServiceSlot<TkvFormServices>::Get()) return forms->HookCBT(code, wParam, lParam);
  return CallNextHookEx(HookCallback, code, wParam, lParam);
}

void AddSupportedForm(HWND wnd) {
  if (TkvFormServices* forms = TkvServiceSlot<TkvFormServices>::Get()) forms->AddSupportedForm(wnd);
}

void ClearMnuArray() {
  if (TkvFormServices* forms = TkvServiceSlot<TkvFormServices>::Get()) forms->ClearMnuArray();
}

TkvGlowForm* MakeCoverForm(HWND parentWnd, const TRect& r) {
  TkvFormServices* forms = TkvServiceSlot<TkvFormServices>::Get();
  return forms ? forms->MakeCoverForm(parentWnd, r) : nullptr;
}

bool AdapterItemsRemoving() {
  TkvFormServices* forms = TkvServiceSlot<TkvFormServices>::Get();
  return forms && forms->AdapterItemsRemoving();
}

DuRiruZireziv* AdapterSkinManager(TkvCtrlAdapter* adapter) {
  TkvFormServices* forms = TkvServiceSlot<TkvFormServices>::Get();
  return forms && adapter ? forms->AdapterSkinManager(adapter) : nullptr;
}

TCustomForm* MDIProviderForm() {
  TkvFormServices* forms = TkvServiceSlot<TkvFormServices>::Get();
  return forms ? forms->MDIProviderForm() : nullptr;
}
