#include "skin/sCommonData.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <utility>

#include "base/WindowQueries.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "skin/FormServices.h"
#include "skin/WrapperServices.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Bitmap.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"

// ---- Window properties --------------------------------------------------------------------

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
    kvGuardPostedCommands();
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

void kvForgetWndPropValue(const void* value) {
  auto& links = Links();
  for (auto it = links.begin(); it != links.end();) {
    if (it->second != value) {
      ++it;
      continue;
    }
    const auto [handle, name] = it->first;
    const auto* prop = reinterpret_cast<LPCWSTR>(name);
    if (IsWindow(handle) && GetPropW(handle, prop) == value) RemovePropW(handle, prop);
    it = links.erase(it);
  }
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
  const HWND wnd = win->WindowHandle();
  if (TsCommonData* sd = GetCommonData(wnd)) return !checkActive || sd->Skinned(false);
  // A window skinned only through the wrapper of its scroll bars.
  if (Kv_GetScrollWndFromHwnd(wnd)) {
    if (!checkActive) return true;
    // The wrapper answers with the skin data it paints the window with.
    auto* sd = reinterpret_cast<TsCommonData*>(SendMessageW(wnd, SM_ALPHACMD, KV_GETSKINDATA_HI, 0));
    return sd && sd->Skinned(false);
  }
  return SendMessageW(wnd, SM_ALPHACMD, KV_CTRLHANDLED_HI, 0) == 1;
}

Integer GetPPI(TsCommonData* skinData) {
  TControl* owner = skinData ? skinData->FOwnerControl : nullptr;
  if (owner && owner->ComponentState().Contains(csDesigning)) return 96;
  DuRiruZireziv* manager = skinData ? skinData->GetSkinManager() : DefaultManager;
  if (!skinData) {
    if (manager && manager->IsActive()) return manager->CommonSkinData(96)->PPI;
    if (manager && manager->Options.ScaleMode == smCustomPPI) return manager->Options.PixelsPerInch;
    return DefaultPPI();
  }
  const bool atHand = manager && skinData->SkinIndex >= 0 && manager->IsActive() && !manager->SkinDataArray.empty();
  if (!atHand) {
    if (manager) return manager->Options.ScaleMode == smCustomPPI ? manager->Options.PixelsPerInch : DefaultPPI();
    return owner ? GetControlPPI(owner) : DefaultPPI();
  }
  if (skinData->FCommonSkinData) return skinData->FCommonSkinData->PPI;
  if (TkvFormProvider* provider = dynamic_cast<TkvFormProvider*>(skinData->FOwnerObject))
    if (TForm* form = provider->ProviderForm(); form && form->HandleAllocated()) {
      const TComponentState state = form->ComponentState();
      return state.Contains(csLoading) || state.Contains(csReading) ? DefaultPPI() : GetWndPPI(form->WindowHandle());
    }
  if (owner && ControlIsReady(owner)) return GetControlPPI(owner);
  return DefaultPPI();
}

// ---- The owner's window and its property ---------------------------------------------------

namespace {

TkvFormProvider* ProviderOf(TsCommonData* sd) { return dynamic_cast<TkvFormProvider*>(sd->FOwnerObject); }

bool IsDestroying(TComponent* c) { return c && c->ComponentState().Contains(csDestroying); }
bool IsLoading(TComponent* c) {
  return c && (c->ComponentState().Contains(csLoading) || c->ComponentState().Contains(csReading));
}

// The windows 10 composition attributes exist (the acrylic and blur frames use them).
bool FluentOS() {
  static const bool fluent =
      IsWin10Up() && GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetWindowCompositionAttribute");
  return fluent;
}

}  // namespace

bool TsCommonData::DoForceOpaque() const { return FOpaqueMode == omForceOpaque && FluentOS(); }

HWND TsCommonData::OwnerHandle() {
  if (TkvFormProvider* provider = ProviderOf(this)) {
    TForm* form = provider->ProviderForm();
    if (IsDestroying(dynamic_cast<TComponent*>(FOwnerObject)) || !form || IsDestroying(form)) return nullptr;
    return form->HandleAllocated() ? form->WindowHandle() : nullptr;
  }
  if (FOwnerControl) {
    if (IsDestroying(FOwnerControl)) return nullptr;
    auto* win = dynamic_cast<TWinControl*>(FOwnerControl);
    return win && win->HandleAllocated() ? win->WindowHandle() : nullptr;
  }
  return FSWHandle;
}

void TsCommonData::InitCommonProp() {
  HWND handle = OwnerHandle();
  if (!handle) return;
  if (auto* provider = dynamic_cast<TkvFormProvider*>(FOwnerObject)) {
    // A form's own scroll wrapper stands in front of its provider: direct calls go through it.
    if (TWndMethod wrapper = provider->ScrollWrapperProc()) WndProc = wrapper;
  } else if (!WndProc) {
    if (auto* win = dynamic_cast<TWinControl*>(FOwnerControl)) WndProc = win->WindowProc();
  }
  // A window made anew (its handle changed) leaves no link to this object behind.
  if (FPropHandle && FPropHandle != handle && GetCommonData(FPropHandle) == this) SetCommonData(FPropHandle, nullptr);
  SetCommonData(handle, this);
  FPropHandle = handle;
}

void TsCommonData::RemoveCommonProp() {
  // Whatever the application's state, no window may keep pointing at an object that goes:
  // the direct-call route of the transport follows the link without asking the window.
  kvForgetWndPropValue(this);
  FPropHandle = nullptr;
}

// ---- Lifetime ------------------------------------------------------------------------------

void TsCommonData::Loaded(bool updateColors) {
  Loading = false;
  SetCommonSkinData(nullptr);
  UpdateData();
  TControl* c = FOwnerControl;
  if (Skinned() && c && c->Parent() && !IsLoading(c)) {
    if (auto* win = dynamic_cast<TWinControl*>(c)) AddToAdapter(win);
    if (!GlassModeInit) UpdateGlassMode(c, true);
    if (updateColors) UpdateCtrlColors(this, false);
  }
  InitCommonProp();
}

// ---- Manager and section --------------------------------------------------------------------

namespace {

// KV_REFRESH (with the section in WParam's low word) while the index is valid for the manager,
// else KV_REMOVESKIN; LParam the manager.
void RefreshOrRemove(TsCommonData* sd, DuRiruZireziv* manager, Word section) {
  TControl* c = sd->FOwnerControl;
  if (ProviderOf(sd) || !c || !c->Parent() || IsDestroying(c)) return;
  const bool valid = manager && manager->IsValidSkinIndex(sd->SkinIndex);
  const uintptr_t wParam = valid ? (uintptr_t{KV_REFRESH} << 16 | section) : KV_REMOVESKIN_HI;
  c->Perform(SM_ALPHACMD, wParam, reinterpret_cast<intptr_t>(manager));
}

}  // namespace

void TsCommonData::SetSkinManager(DuRiruZireziv* value) {
  if (value == FSkinManager) return;
  SetCommonSkinData(nullptr);
  FSkinManager = value == DefaultManager ? nullptr : value;
  if (IsLoading(FOwnerControl)) return;
  if (value && value->LengthOfGD() > 0)
    UpdateIndexes(true);
  else
    SkinIndex = -1;
  RefreshOrRemove(this, value, 0);
}

void TsCommonData::SetSkinSection(const String& value) {
  if (value == FSkinSection) return;
  HideGlowAndCircle(this, false);
  FSkinSection = UpperCase(value);
  DuRiruZireziv* manager = GetSkinManager();
  if (!manager || manager->LengthOfGD() == 0)
    SkinIndex = -1;
  else
    UpdateIndexes(true);
  TControl* c = FOwnerControl;
  if (!c || !c->Parent() || IsLoading(c) || IsDestroying(c) || c->ControlState().Contains(csCreating)) {
    if (ProviderOf(this)) BGChanged = true;
    return;
  }
  if (auto* win = dynamic_cast<TWinControl*>(c)) {
    if (FCacheBmp) FCacheBmp->SetSize(0, 0);
    TMessage m = MakeMessage(SM_ALPHACMD, uintptr_t{KV_SETBGCHANGED} << 16 | 1, 0);
    AlphaBroadCast(win, m);
  }
  if (Loading) return;
  if (FUpdating) {
    UpdateControlColors(this, false);
    return;
  }
  RefreshOrRemove(this, manager, static_cast<Word>(std::max(0, SkinIndex)));
}

void TsCommonData::UpdateIndexes(bool updateMain) {
  BGChanged = true;
  if (updateMain) {
    SetCommonSkinData(nullptr);
    DuRiruZireziv* manager = GetSkinManager();
    SkinIndex = -1;
    // KV_SETNEWSKIN travels before the manager reports itself active: its receivers find their
    // sections in the new skin.
    if (manager && (manager->IsActive() || manager->ManagerState.Contains(msBroadCasting))) {
      auto* win = dynamic_cast<TWinControl*>(FOwnerControl);
      if (!FSkinSection.empty())
        SkinIndex = manager->GetSkinIndex(FSkinSection);
      else if (win && win->HandleAllocated())
        SkinIndex = Integer(SendAMessage(win->WindowHandle(), KV_GETDEFINDEX)) - 1;
      else if (FOwnerControl)
        SkinIndex = Integer(FOwnerControl->Perform(SM_ALPHACMD, KV_GETDEFINDEX_HI, 0)) - 1;
      else if (TkvFormProvider* provider = ProviderOf(this))
        if (TForm* form = provider->ProviderForm())
          SkinIndex = Integer(form->Perform(SM_ALPHACMD, KV_GETDEFINDEX_HI, 0)) - 1;
      if (!manager->IsValidSkinIndex(SkinIndex)) SkinIndex = -1;
    }
  }
  InitBGType();
}

namespace {
// The classes that name their default section themselves (KV_GETDEFINDEX).
constexpr TkvCodeSet kAskOwnerForSection{{2, 10},    {12, 14},   {32, 34},   {50, 51},   {53, 54},   {57, 59},
                                         {74, 76},   {78, 78},   {81, 85},   {92, 94},   {132, 141}, {143, 143},
                                         {151, 152}, {161, 161}, {165, 165}, {224, 224}, {226, 227}};
}  // namespace

void TsCommonData::UpdateData() {
  if (!FSkinSection.empty() || kAskOwnerForSection.Contains(COC)) {
    UpdateIndexes(true);
    return;
  }
  switch (COC) {
    case COC_TsComboBoxEx: SetSkinSection(u"COMBOBOX"); return;
    case COC_TsFrameBar: SetSkinSection(u"BAR"); return;
    case COC_TsBarTitle: SetSkinSection(u"BARTITLE"); return;
    case COC_TsDragBar: SetSkinSection(u"DRAGBAR"); return;
    case COC_TsNavButton: SetSkinSection(u"TOOLBUTTON"); return;
    case COC_TsAdapter: SetSkinSection(u"EDIT"); return;
    default:
      if (FOwnerObject) SetSkinSection(FOwnerObject->ClassName());
  }
}

// ---- Updating and repainting ---------------------------------------------------------------

namespace {
// The owner's own update messages go to the control, or to a provider's form.
void TellOwner(TsCommonData* sd, Word command) {
  if (sd->FOwnerControl)
    sd->FOwnerControl->Perform(SM_ALPHACMD, uintptr_t{command} << 16, 0);
  else if (TkvFormProvider* provider = ProviderOf(sd))
    if (TForm* form = provider->ProviderForm()) form->Perform(SM_ALPHACMD, uintptr_t{command} << 16, 0);
}
}  // namespace

void TsCommonData::BeginUpdate() {
  ++FUpdateCount;
  FUpdating = true;
  CtrlSkinState |= KVS_LOCKED;
  TellOwner(this, KV_BEGINUPDATE);
}

void TsCommonData::EndUpdate(bool repaint) {
  --FUpdateCount;
  FUpdating = false;
  CtrlSkinState &= ~KVS_LOCKED;
  if (FUpdateCount > 0) return;
  FUpdateCount = 0;
  TellOwner(this, KV_ENDUPDATE);
  if (repaint) Invalidate(true);
}

bool TsCommonData::GetUpdating() {
  if (FOwnerControl && FOwnerControl->ComponentState().Contains(csDesigning)) return false;
  if (!GetSkinManager()) return false;
  if (FUpdating) return true;
  if (FOwnerControl) {
    if (IsDestroying(FOwnerControl) || !FOwnerControl->Parent()) return false;
    return GetBoolMsg(FOwnerControl->Parent(), KV_PREPARING);
  }
  if (TkvFormProvider* provider = ProviderOf(this))
    if (TForm* form = provider->ProviderForm(); form && form->Parent()) return GetBoolMsg(form->Parent(), KV_PREPARING);
  return false;
}

bool TsCommonData::InUpdating(bool reset) {
  if (reset) FUpdating = false;
  if (!GetUpdating()) return false;
  FUpdating = true;
  return true;
}

void TsCommonData::Invalidate(bool updateNow) {
  BGChanged = true;
  if (Loading) return;
  if (TControl* owner = FOwnerControl) {
    if (IsLoading(owner) || IsDestroying(owner) || !ControlIsReady(owner) || !owner->Visible()) return;
    if (AnimTimer && AnimTimer->ThreadType != 1) StopTimer();
    auto* win = dynamic_cast<TWinControl*>(owner);
    if (win && win->HandleAllocated()) {
      RedrawWindow(win->WindowHandle(), nullptr, nullptr, updateNow ? RDWA_ALLNOW : RDWA_ALL);
    } else if (COC == COC_TsSpeedButton) {
      owner->Perform(SM_ALPHACMD, uintptr_t{KV_INVALIDATE} << 16, updateNow);
    } else {
      // A control without a window is painted by its parent.
      owner->Invalidate();
      if (updateNow) owner->Update();
    }
    return;
  }
  HWND handle = nullptr;
  if (TkvFormProvider* provider = ProviderOf(this)) {
    if (TForm* form = provider->ProviderForm(); form && form->HandleAllocated()) handle = form->WindowHandle();
  } else if (FSWHandle && IsWindowVisible(FSWHandle)) {
    handle = FSWHandle;
  }
  if (handle) RedrawWindow(handle, nullptr, nullptr, updateNow ? RDWA_ALLNOW : RDWA_ALL);
}

bool TsCommonData::RepaintIfMoved() {
  if (!Skinned() || !FOwnerControl || SkinIsChanging() || !FOwnerControl->Enabled()) return true;
  const TsGenState* normal = SectionState(GetCommonSkinData(), SkinIndex, 0);
  TWinControl* parent = FOwnerControl->Parent();
  if (normal && normal->Transparency > 0 && parent && parent->HandleAllocated())
    return GetBoolMsg(parent, KV_CHILDCHANGED);
  return false;
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

// ---- Colour adjustments and options ----------------------------------------------------------

void TsCommonData::SetColorTone(TColor value) {
  if (value == FColorTone) return;
  FColorTone = value;
  Loaded(true);
  Invalidate(false);
}

void TsCommonData::SetInteger(Integer index, Integer value) {
  Integer* field = index == 0 ? &FHUEOffset : index == 1 ? &FSaturation : nullptr;
  if (!field || *field == value) return;
  *field = value;
  Loaded(true);
  Invalidate(false);
}

void TsCommonData::SetBoolean(Integer index, bool value) {
  bool* field = index == 0 ? &FCustomColor : index == 1 ? &FCustomFont : nullptr;
  if (!field || *field == value) return;
  *field = value;
  TControl* c = FOwnerControl;
  if (!c || IsLoading(c) || Loading) return;
  TColor& saved = index == 0 ? SavedColor : SavedFontColor;
  if (value && saved != kvNoColor) {
    if (index == 0) {
      c->SetColor(saved);
    } else {
      TkvStateBitScope changing(*this, KVS_CHANGING);
      c->Font()->SetColor(saved);
    }
  } else {
    saved = index == 0 ? c->Color() : c->Font()->Color();
  }
  UpdateCtrlColors(this, true);
}

void TsCommonData::SetOpaqueMode(TkvOpaqueMode value) {
  if (value == FOpaqueMode) return;
  FOpaqueMode = value;
  auto* win = dynamic_cast<TWinControl*>(FOwnerControl);
  if (win && !IsLoading(win) && !IsDestroying(win) && !win->ComponentState().Contains(csDesigning) && FluentOS())
    win->Perform(CM_RECREATEWND, 0, 0);
}

bool TsCommonData::ControlIsActive() {
  TControl* c = FOwnerControl;
  if (!c || IsDestroying(c) || c->ComponentState().Contains(csDesigning) || !c->Enabled()) return false;
  if (FFocused) return true;
  if (auto* win = dynamic_cast<TWinControl*>(c); win && win->HandleAllocated() && GetFocus() == win->WindowHandle())
    return COC != COC_TsPanel;  // a focused panel is no active look
  DuRiruZireziv* manager = GetSkinManager();
  if (FMouseAbove && !(manager && manager->Options.NoMouseHover))
    return !sForbidMouse.Contains(COC) && (!sNoHotEdits.Contains(COC) || kv_AllowHotEdits);
  return false;
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
  return section && state < section->States &&
         section->Props[static_cast<size_t>(std::min(state, 2))].Transparency < 40;
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
  const uintptr_t wParam = uintptr_t(KV_GETFONTINDEX) << 16;
  const auto lParam = reinterpret_cast<intptr_t>(&info);
  TkvOwnDelivery own(wParam, lParam);
  answer = ctrl->Perform(SM_ALPHACMD, wParam, lParam);
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
  TkvOwnDelivery own(wParam, lParam);
  const intptr_t answer = wc && wc->HandleAllocated() ? TrySendMessage(ctrl, SM_ALPHACMD, wParam, lParam)
                                                      : ctrl->Perform(SM_ALPHACMD, wParam, lParam);
  if (answer == -1 || answer == 0) return ctrl->ComponentState().Contains(csDesigning) ? Integer(answer) : 0;
  return Integer(answer);
}

Integer GetFontIndex(HWND ctrlHandle, TkvPaintInfo* info) {
  if (!ctrlHandle || !info) return 0;
  return Integer(SendAMessage(ctrlHandle, KV_GETFONTINDEX, reinterpret_cast<intptr_t>(info)));
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
    return TColor(
        section->Props[static_cast<size_t>(std::max(0, std::min({st, section->States - 1, 2})))].FontColor.Color);
  }
  return ctrl ? ctrl->Font()->Color() : clWindow;
}

bool CanClickShift(Integer skinIndex, TsCommonData* skinData) {
  DuRiruZireziv* manager = skinData ? skinData->GetSkinManager() : nullptr;
  const TsGeneralData* section = SectionOf(manager, skinIndex);
  if (!section) return true;
  return manager->ButtonsOptions.ShiftContentOnClick || section->ShiftOnClick;
}
