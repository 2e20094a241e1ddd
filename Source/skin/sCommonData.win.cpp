#include "skin/sCommonData.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <utility>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Controls.h"

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

Integer TsCommonData::ScaleValue(Integer value) { return ScaleInt(value, this, true); }

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

// ---- Font sections, text colours and the click shift ------------------------------------------

namespace {

// The look of a section in a state (limited to 2) of the 96-PPI data is its own: the state is
// one the section has and less than 40 % transparent. nullptr for an invalid section.
const TsGeneralData* SectionOf(DuRiruZireziv* manager, Integer skinIndex) {
  if (!manager || skinIndex < 0) return nullptr;
  const auto& gd = manager->CommonSkinData(96)->gd;
  return skinIndex < static_cast<Integer>(gd.size()) ? &gd[static_cast<size_t>(skinIndex)] : nullptr;
}

bool OwnColoursApply(const TsGeneralData* section, Integer state) {
  return section && state < section->States && section->Props[static_cast<size_t>(std::min(state, 2))].Transparency < 40;
}

// Asks the control which section gives its font (KV_GETFONTINDEX). The answer: -1 keeps
// section, 0 means none (-1 returned), any other the section written into the record (when
// not negative).
Integer AskFontIndex(TControl* ctrl, Integer section, DuRiruZireziv* manager, Integer state, intptr_t& answer) {
  TkvPaintInfo info;
  info.State = state;
  info.FontIndex = section;
  info.R = ctrl->BoundsRect();
  info.SkinManager = manager;
  answer = ctrl->Perform(SM_ALPHACMD, uintptr_t(KV_GETFONTINDEX) << 16, reinterpret_cast<intptr_t>(&info));
  if (answer == -1) return section;
  if (answer == 0) return -1;
  return info.FontIndex >= 0 ? info.FontIndex : section;
}

}  // namespace

Integer GetFontIndex(TControl* ctrl, Integer defSkinIndex, DuRiruZireziv* skinManager, Integer state) {
  if (state > 0 && defSkinIndex >= 0 && OwnColoursApply(SectionOf(skinManager, defSkinIndex), state))
    return defSkinIndex;
  intptr_t answer = -1;
  return ctrl ? AskFontIndex(ctrl, defSkinIndex, skinManager, state, answer) : defSkinIndex;
}

Integer GetFontIndex(TControl* ctrl, TkvPaintInfo* info) {
  if (!ctrl || !info) return 0;
  if (ctrl->Parent()) info->R = OffsRect(info->R, ctrl->Left(), ctrl->Top());
  const auto lParam = reinterpret_cast<intptr_t>(info);
  const uintptr_t wParam = uintptr_t(KV_GETFONTINDEX) << 16;
  auto* wc = dynamic_cast<TWinControl*>(ctrl);
  const intptr_t answer = wc && wc->HandleAllocated() ? TrySendMessage(ctrl, SM_ALPHACMD, wParam, lParam)
                                                      : ctrl->Perform(SM_ALPHACMD, wParam, lParam);
  if (answer == -1 || answer == 0) return ctrl->ComponentState().Contains(csDesigning) ? Integer(answer) : 0;
  return Integer(answer);
}

TColor GetFontColor(TControl* ctrl, Integer defSkinIndex, DuRiruZireziv* skinManager, Integer state,
                    TsCommonData* skinData) {
  if (skinData && skinData->FCustomFont && ctrl) return ctrl->Font()->Color();
  Integer n = defSkinIndex;
  const Integer st = std::min(state, 2);
  const TsGeneralData* section = SectionOf(skinManager, n);
  if (ctrl && (!section || state >= section->States || section->Props[static_cast<size_t>(st)].Transparency > 39)) {
    intptr_t answer = -1;
    n = AskFontIndex(ctrl, n, skinManager, state, answer);
    if (answer == 0) return ctrl->Parent() ? ctrl->Parent()->Font()->Color() : ctrl->Font()->Color();
  }
  if (skinManager && skinManager->IsActive()) {
    section = SectionOf(skinManager, n);
    if (!section) return skinManager->Palette[pcLabelText];
    return TColor(section->Props[static_cast<size_t>(std::max(0, std::min({st, section->States - 1, 2})))].FontColor.Color);
  }
  return ctrl ? ctrl->Font()->Color() : clWindow;
}

bool CanClickShift(Integer skinIndex, TsCommonData* skinData) {
  DuRiruZireziv* manager = skinData ? skinData->GetSkinManager() : nullptr;
  const TsGeneralData* section = SectionOf(manager, skinIndex);
  if (!section) return true;
  return manager->ButtonsOptions.ShiftContentOnClick || section->ShiftOnClick;
}
