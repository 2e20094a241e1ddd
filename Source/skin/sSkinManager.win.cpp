// The skin manager's window side: its broadcasts to the application's forms, freezing and
// repainting them, the thread CBT hook, message boxes and common dialogs, the image lists, the
// application font, mouse tracking, and the module's start-up.
#include <windows.h>
#include <shellapi.h>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "images/kvAlphaImageList.h"
#include "raster/GdiBitmaps.h"
#include "skin/ControlServices.h"
#include "skin/FormServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sSkinManagerSysColors.h"
#include "skin/sStyleSimply.h"
#include "skin/sVclUtils.h"
#include "ui/Dialogs.h"
#include "ui/Forms.h"

void (*RefreshDevEx)() = nullptr;
bool IsNT = false;

// ---- Broadcasts and forms -----------------------------------------------------------------

void DuRiruZireziv::BroadcastToForms(Word command, intptr_t lParam, Word arg) {
  TMessage message = MakeMessage(SM_ALPHACMD, (uintptr_t{command} << 16) | arg, lParam);
  if (!IsDesigning()) {
    AppBroadCastS(message);
    return;
  }
  // At design time the command goes to the controls of the forms being designed.
  for (Integer i = 0; Screen && i < Screen->FormCount(); ++i) {
    TCustomForm* form = Screen->Forms(i);
    if (!form->IsDesigning()) continue;
    AlphaBroadCast(form, message);
    SendToHooked(message);
  }
}

void DuRiruZireziv::BroadcastToHooked(Word command, intptr_t lParam) {
  TMessage message = MakeMessage(SM_ALPHACMD, uintptr_t{command} << 16, lParam);
  SendToHooked(message);
}

void DuRiruZireziv::LockAllForms() { LockForms(this); }

void DuRiruZireziv::UnlockAllForms(bool repaint) { UnLockForms(this, repaint); }

void DuRiruZireziv::SnapshotForms() { CopyExForms(this); }

void DuRiruZireziv::DropSnapshots(bool wasAnimating) { DropExForms(this, wasAnimating); }

void DuRiruZireziv::RedrawHookedDialogs() {
  for (HWND wnd : SupportedDialogWindows())
    if (IsWindow(wnd) && IsWindowVisible(wnd))
      RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void DuRiruZireziv::SkinOwnerForm() {
  TCustomForm* form = GetOwnerForm(this);
  if (!form || !form->HandleAllocated()) return;
  CreateSupportedList();
  AddSupportedForm(form->WindowHandle());
}

bool DuRiruZireziv::GetExtendedBorders() const { return FExtendedBorders && kvLayered(); }

// ---- The thread hook and the common dialogs -------------------------------------------------

void DuRiruZireziv::InstallHook() {
  if (IsDesigning() || !GetIsDefault() || GlobalHookInstalled) return;
  GlobalHookInstalled = true;
  CreateSupportedList();
  HookCallback = SetWindowsHookExW(WH_CBT, reinterpret_cast<HOOKPROC>(&SkinHookCBT), nullptr, GetCurrentThreadId());
  if (Options.ChangeSysColors) UpdateColorsHooks(true);
}

void DuRiruZireziv::UnInstallHook() {
  if (IsDesigning() || !GetIsDefault() || !GlobalHookInstalled) return;
  ClearMnuArray();
  if (HookCallback) UnhookWindowsHookEx(HookCallback);
  kvSupportedList.reset();
  if (Options.ChangeSysColors) UpdateColorsHooks(false);
  GlobalHookInstalled = false;
  HookCallback = nullptr;
}

void DuRiruZireziv::UpdateCommonDlgs() {
  // While a skin is active, message boxes are the class library's own forms, which the thread
  // hook skins; the system's task dialogs would stay unskinned. Without a loaded skin (none
  // found) the program keeps the system's.
  if (GetIsDefault())
    UseLatestCommonDialogs =
        !(FSkinningRules.Contains(srStdDialogs) && FActive && IsActive() && !kvAllowLatestCommonDialogs);
}

void DuRiruZireziv::ReportError(const String& text) { ShowError(text); }

// ---- Image lists ----------------------------------------------------------------------------

namespace {
void ClearCharlistCaches(TkvImageList* list, Integer) {
  if (auto* chars = dynamic_cast<TsCharImageList*>(list)) chars->ClearCache(-1);
}
void ScaleList(TkvImageList* list, Integer ppi) { ScaleImageList(list, ppi); }
void BaseColorOf(TkvImageList* list, Integer color) { SetBaseColor(list, color); }
}  // namespace

void DuRiruZireziv::ClearImageListCaches() {
  IterateImageLists(ClearCharlistCaches, 0);
  if (RefreshDevEx) RefreshDevEx();
}

void DuRiruZireziv::RecolorImageLists() { IterateImageLists(BaseColorOf, kvColorToRGB(clWindowText, this)); }

void DuRiruZireziv::ScaleImageLists() {
  Integer ppi;
  if (Application && Application->MainForm()) {
    ppi = Application->MainForm()->CurrentPPI();
  } else {
    HDC dc = GetDC(nullptr);
    ppi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
  }
  if (ppi != 96) IterateImageLists(ScaleList, ppi);
}

// ---- Layout, density, fonts -------------------------------------------------------------------

bool DuRiruZireziv::LayoutIsRightToLeft() const {
  if (!Application) return false;
  TCustomForm* main = Application->MainForm();
  return Application->BiDiMode() == bdRightToLeft || (main && main->IsRightToLeft());
}

Integer DuRiruZireziv::ApplicationPPI() const { return DefaultPPI(); }

void DuRiruZireziv::StoreDefFont() {
  if (!DefStoredFontName.empty() || !Application) return;
  TCustomForm* main = Application->MainForm();
  DefStoredFontName = main ? main->Font()->Name() : Application->DefaultFont()->Name();
  DefOldFontName = DefStoredFontName;
}

bool DuRiruZireziv::UpdateFontName(TControl* ctrl) {
  if (!ctrl) return false;
  // During the broadcast of a new skin the manager is not active yet; the new font is meant.
  const bool skinned = IsActive() || ManagerState.Contains(msBroadCasting);
  const String& font = skinned ? DefNewFontName : DefStoredFontName;
  if (ctrl->Parent() && ctrl->ParentFont()) return false;
  const String current = ctrl->Font()->Name();
  if (current != DefOldFontName && current != DefStoredFontName) return false;
  if (auto* win = dynamic_cast<TWinControl*>(ctrl); win && !win->HandleAllocated()) return false;
  if (!dynamic_cast<TWinControl*>(ctrl) && !ctrl->Parent()) return false;
  ctrl->Font()->SetName(font);
  return true;
}

// ---- Mouse tracking -------------------------------------------------------------------------

void DuRiruZireziv::SetActiveControl(HWND value) {
  if (value == FActiveControl) return;
  if (FActiveControl && kvMouseInControlDC(FActiveControl) && ContainsWnd(value, FActiveControl)) return;
  const auto self = reinterpret_cast<intptr_t>(this);
  if (FActiveControl && FActiveGraphControl) {
    SetActiveGraphControl(nullptr);
    if (FActiveGraphControl) {
      // The graphic control still has the mouse: its window only hears that the mouse left.
      SendAMessage(FActiveControl, KV_MOUSELEAVE, self);
      return;
    }
  }
  HWND previous = FActiveControl;
  FActiveControl = value;
  if (previous) SendAMessage(previous, KV_MOUSELEAVE, self);
  if (value) SendAMessage(value, KV_MOUSEENTER, self);
}

void DuRiruZireziv::SetActiveGraphControl(TGraphicControl* value) {
  if ((Owner() && Owner()->IsDestroying()) || value == FActiveGraphControl) return;
  TControl* current = FActiveGraphControl;
  if (!value && current) {
    auto* sd = reinterpret_cast<TsCommonData*>(current->Perform(SM_ALPHACMD, KV_GETSKINDATA_HI, 0));
    if (sd && sd->FMouseAbove) return;
  }
  FActiveGraphControl = value;
  if (current && !current->IsDestroying())
    current->Perform(SM_ALPHACMD, uintptr_t{KV_MOUSELEAVE} << 16, reinterpret_cast<intptr_t>(this));
}

// ---- Module start-up ----------------------------------------------------------------------

void sSkinManagerStartup() {
  for (Integer i = 0; i < Integer(StdScaleArray.size()); ++i) StdScaleData(i);
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  IsNT = GetVersionExW(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
#pragma GCC diagnostic pop
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return;
  std::vector<String> params;
  for (int i = 1; i < argc; ++i) params.emplace_back(reinterpret_cast<const Char*>(argv[i]));
  if (HasVersionSwitch(params)) ShowMessagePos(String(u"Kavrello v") + kvCurrentVersion, -1, -1);
  LocalFree(argv);
}

void DuRiruZireziv::SysColorsOptionChanged() {
  if (GetIsDefault() && IsActive() && !IsDesigning() && !IsLoading()) UpdateColorsHooks(Options.ChangeSysColors);
}
