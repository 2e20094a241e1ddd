#include "sCommonData.h"

#include <windows.h>

#include <map>
#include <utility>

#include "kvntUtils.h"
#include "sMessages.h"
#include "sSkinManager.h"
#include "sVclUtils.h"
#include "vcl/Controls.h"

namespace {
// (window, property name) -> value; GUI thread only, like every skin data object. The names
// are the engine's own constants, so their addresses identify them.
std::map<std::pair<HWND, const Char*>, void*>& Links() {
  static std::map<std::pair<HWND, const Char*>, void*> links;
  return links;
}
}  // namespace

void kvSetWndProp(HWND handle, const Char* name, void* value) {
  if (!handle) return;
  if (value) {
    SetPropW(handle, reinterpret_cast<LPCWSTR>(name), value);
    Links()[{handle, name}] = value;
  } else {
    RemovePropW(handle, reinterpret_cast<LPCWSTR>(name));
    Links().erase({handle, name});
  }
}

void* kvGetWndProp(HWND handle, const Char* name) {
  if (!handle) return nullptr;
  auto& links = Links();
  const auto it = links.find({handle, name});
  if (it == links.end()) return nullptr;
  // A window destroyed without its link removed: the link goes with it.
  if (!IsWindow(handle)) {
    links.erase(it);
    return nullptr;
  }
  return it->second;
}

void SetCommonData(HWND handle, TsCommonData* data) { kvSetWndProp(handle, KVSDATA, data); }

TsCommonData* GetCommonData(HWND handle) { return static_cast<TsCommonData*>(kvGetWndProp(handle, KVSDATA)); }

bool WndIsSkinned(HWND handle) {
  return GetCommonData(handle) || kvGetWndProp(handle, KVSBSC) || GetBoolMsg(handle, KV_CTRLHANDLED);
}

bool CtrlIsSkinned(TControl* aControl, bool checkActive) {
  if (!aControl) return false;
  auto* win = dynamic_cast<TWinControl*>(aControl);
  if (!win || !win->HandleAllocated()) return aControl->Perform(SM_ALPHACMD, KV_CTRLHANDLED_HI, 0) == 1;
  if (TsCommonData* sd = GetCommonData(win->WindowHandle())) return !checkActive || sd->Skinned(true);
  return SendMessageW(win->WindowHandle(), SM_ALPHACMD, KV_CTRLHANDLED_HI, 0) == 1;
}

Integer GetPPI(TsCommonData* skinData) {
  if (skinData && skinData->FOwnerControl && skinData->FOwnerControl->ComponentState().Contains(csDesigning))
    return 96;
  DuRiruZireziv* manager = skinData ? skinData->GetSkinManager() : DefaultManager;
  if (manager && manager->IsActive())
    if (TkvSkinData* data = skinData ? skinData->GetCommonSkinData() : manager->CommonSkinData(96)) return data->PPI;
  if (manager && manager->Options.ScaleMode == smCustomPPI) return manager->Options.PixelsPerInch;
  HDC screen = GetDC(nullptr);
  const Integer ppi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return ppi > 0 ? ppi : 96;
}

void TsCommonData::Invalidate(bool updateNow) {
  BGChanged = true;
  TControl* owner = FOwnerControl;
  if (!owner) {
    if (FSWHandle && IsWindowVisible(FSWHandle))
      RedrawWindow(FSWHandle, nullptr, nullptr, RDWA_REPAINT | (updateNow ? RDW_UPDATENOW : 0));
    return;
  }
  const TComponentState state = owner->ComponentState();
  if (state.Contains(csLoading) || state.Contains(csDestroying) || !owner->Visible()) return;
  auto* win = dynamic_cast<TWinControl*>(owner);
  if (win && win->HandleAllocated()) {
    RedrawWindow(win->WindowHandle(), nullptr, nullptr, RDWA_REPAINT | (updateNow ? RDW_UPDATENOW : 0));
  } else {
    // A control without a window is painted by its parent.
    owner->Invalidate();
    if (updateNow) owner->Update();
  }
}

Integer ScaleInt(Integer value, TsCommonData* skinData, bool calcVCLMode) {
  if (skinData && skinData->FOwnerControl && skinData->FOwnerControl->ComponentState().Contains(csDesigning))
    return value;
  DuRiruZireziv* manager = skinData ? skinData->GetSkinManager() : DefaultManager;
  if (!manager) return MulDiv(value, DefaultPPI(), 96);
  switch (manager->Options.ScaleMode) {
    case smOldMode: return value;
    case smVCL: {
      if (!calcVCLMode) return value;
      TkvSkinData* data = skinData ? skinData->GetCommonSkinData() : nullptr;
      return MulDiv(value, data ? data->PPI : DefaultPPI(), 96);
    }
    case smCustomPPI: return MulDiv(value, manager->Options.PixelsPerInch, 96);
    default: return ScaleInteger(value, manager->GetScale());
  }
}
