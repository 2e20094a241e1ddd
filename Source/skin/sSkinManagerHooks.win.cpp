// The default manager's hooks: the application-window hook (minimize and restore from the
// taskbar, the taskbar button's system menu and thumbnails, the skin editor's preview, the
// repaint on reactivation, the frames of skinned popup menus) and the taskbar's iconic
// thumbnail switch. The thread CBT hook's install and uninstall are in sSkinManager.win.cpp.
#include <windows.h>

#include <dwmapi.h>

#include "base/Composition.h"
#include "base/kvntTypes.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "raster/GdiBitmaps.h"
#include "skin/ControlServices.h"
#include "skin/FormServices.h"
#include "skin/HideAnimation.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sSkinManagerPreview.h"
#include "skin/sVclUtils.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/ScopeGuard.h"

TkvAnimHideProc kvAnimHideMainForm = nullptr;

String AnsiBytesToString(std::string_view bytes) {
  if (bytes.empty()) return {};
  const int count = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
  String text(size_t(count > 0 ? count : 0), u'\0');
  if (count > 0)
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), reinterpret_cast<wchar_t*>(text.data()), count);
  return text;
}

namespace {

constexpr UINT kTaskbarButtonMenu = 0x313;  // the taskbar button was right-clicked

TCustomForm* MainForm() { return Application ? Application->MainForm() : nullptr; }

TkvFormProvider* ProviderOf(TCustomForm* form) {
  return form && form->HandleAllocated() ? GetFormProvider(form->WindowHandle()) : nullptr;
}

// Runs fn with the system's own minimize and restore animation switched off.
template <class F>
void WithoutSystemAnimation(F fn) {
  const bool animation = kvGetAnimation();
  kvSetAnimation(false);
  TScopeExit restore([animation] { kvSetAnimation(animation); });
  fn();
}

void RedrawForm(HWND wnd, UINT extra) {
  RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | extra);
}

bool IsMenuWindow(HWND wnd) {
  wchar_t name[16]{};
  return wnd && GetClassNameW(wnd, name, 16) && lstrcmpW(name, L"#32768") == 0;
}

// The window of the popup menu that shows item's parent menu: the window at the centre of the
// parent's first item; null when that item's rectangle cannot be found.
HWND PopupWindowOf(TMenuItem* item) {
  TMenuItem* parent = item ? item->Parent() : nullptr;
  if (!parent) return nullptr;
  HMENU menu = parent->Handle();
  RECT r{};
  if (!GetMenuItemRect(nullptr, menu, 0, &r)) {
    if (!PopupList || !GetMenuItemRect(PopupList->Window(), menu, 0, &r)) return nullptr;
  }
  return WindowFromPoint(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

// The application hides its window while it terminates: the main form closes with the hide
// animation when everything it needs is there.
void CloseMainFormAnimated(DuRiruZireziv& m) {
  const TkvFormHide& hide = m.AnimEffects.FormHide;
  if (!kvAnimHideMainForm || !kvLayered() || !hide.Active || !m.Effects.AllowAnimation || hide.Time == 0) return;
  if (!Application || IsIconic(Application->Handle()) || !Application->Terminated()) return;
  TCustomForm* main = MainForm();
  if (!main || !main->HandleAllocated() || !main->Visible()) return;
  TkvFormProvider* provider = ProviderOf(main);
  if (!provider || !provider->PaintsNonClientArea() || !m.Options.DrawNonClientArea) return;
  if (provider->SkipAnimationMark() || !provider->AllowsAnimation()) return;
  provider->SkipAnimationMark() = true;
  provider->FormStateBits() |= FS_ANIMCLOSING;
  const HWND wnd = main->WindowHandle();
  if (TkvBorderWindow* border = provider->OuterBorder(); border && border->LayeredWindow())
    SetWindowRgn(border->LayeredWindow(), border->MakeRgn(), FALSE);
  if (AeroIsEnabled()) DoLayered(wnd, true, 254);
  main->Update();
  kvHideTimer = nullptr;
  kvAnimHideMainForm(provider, hide.Time, hide.Mode);
}

}  // namespace

void DuRiruZireziv::HookApplication(bool hook) {
  if (!Application || hook == FAppHooked) return;
  const TWindowHook proc(this, &DuRiruZireziv::MainWindowHook);
  if (hook)
    Application->HookMainWindow(proc);
  else
    Application->UnhookMainWindow(proc);
  FAppHooked = hook;
}

bool DuRiruZireziv::MainWindowHook(TMessage& message) {
  switch (message.Msg) {
    case WM_WINDOWPOSCHANGED: {
      // The application hides its window on the way out: the main form closes animated.
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(message.LParam);
      if (pos && (pos->flags & SWP_HIDEWINDOW)) CloseMainFormAnimated(*this);
      return false;
    }
    case WM_SYSCOMMAND: {
      if (!IsActive()) return false;
      switch (message.WParam & 0xFFF0) {
        case SC_MINIMIZE: return MinimizeFromHook();
        case SC_RESTORE: return RestoreFromHook();
        default: ShowState = saIgnore; return false;
      }
    }
    case kTaskbarButtonMenu: {
      TCustomForm* main = MainForm();
      if (!Application->MainFormOnTaskbar() || !main) return false;
      TkvFormProvider* provider = ProviderOf(main);
      if (!provider) return false;
      POINT p{};
      GetCursorPos(&p);
      return provider->DropSysMenu(p.x, p.y);
    }
    case WM_THEMECHANGED: return true;  // the application window never repaints for a theme of its own
    case WM_DWMSENDICONICTHUMBNAIL:
    case WM_DWMSENDICONICLIVEPREVIEWBITMAP: {
      TCustomForm* main = MainForm();
      if (!kv_ChangeThumbPreviews || !main) return false;
      const auto lp = static_cast<uintptr_t>(message.LParam);
      const Integer maxWidth = Integer((lp >> 16) & 0xFFFF), maxHeight = Integer(lp & 0xFFFF);
      if (message.Msg == WM_DWMSENDICONICTHUMBNAIL && (maxWidth == 0 || maxHeight == 0)) return false;
      TkvFormProvider* provider = ProviderOf(main);
      if (!provider) return false;
      const bool answered = message.Msg == WM_DWMSENDICONICTHUMBNAIL
                                ? provider->SetThumbIcon(Application->Handle(), maxWidth, maxHeight)
                                : provider->SetPreviewBmp(Application->Handle());
      message.Result = 0;
      return answered;
    }
    case WM_DRAWMENUBORDER:
    case WM_DRAWMENUBORDER2: {
      if (!FSkinnedPopups) return false;
      TkvMenuServices* menus = TkvServiceSlot<TkvMenuServices>::Get();
      if (message.Msg == WM_DRAWMENUBORDER) {
        // The painter posts the item's command number: only an item that still lives is used.
        TMenuItem* item = MenuItemOfCommand(uintptr_t(message.LParam));
        HWND wnd = PopupWindowOf(item);
        if (menus && IsMenuWindow(wnd)) menus->DrawMenuBorder(wnd, item);
      } else {
        HWND wnd = reinterpret_cast<HWND>(message.LParam);
        if (menus && IsMenuWindow(wnd)) menus->DrawMenuBorder(wnd, nullptr);
      }
      return true;  // a menu whose rectangle is not found is swallowed without drawing
    }
    default: break;
  }
  if (message.Msg == SM_ALPHACMD && ((message.WParam >> 16) & 0xFFFF) == KV_COPYDATA) {
    // Later preview records are already on their way: peek without taking them.
    MSG pending;
    PeekMessageW(&pending, Application->Handle(), SM_ALPHACMD, SM_ALPHACMD, PM_NOREMOVE);
    ReceiveData();
    return false;
  }
  if (message.Msg == CM_ACTIVATE && Screen) {
    for (Integer i = Screen->FormCount() - 1; i >= 0; --i) {
      TCustomForm* form = Screen->Forms(i);
      if (form->HandleAllocated()) SendAMessage(form->WindowHandle(), KV_INVALIDATE);
    }
  }
  return false;
}

bool DuRiruZireziv::MinimizeFromHook() {
  ShowState = saMinimize;
  TCustomForm* main = MainForm();
  if (IsIconic(Application->Handle()) || !main || !main->Visible()) return false;
  TkvFormProvider* provider = ProviderOf(main);
  if (!provider) return false;
  TkvBorderWindow* border = provider->OuterBorder();
  if (!(AnimEffects.Minimizing.Active && Effects.AllowAnimation)) {
    if (border && border->LayeredWindow()) {
      border->ShowingFlag() = true;
      border->FreeLayeredWindow();
    }
    return false;
  }
  if (!provider->PaintsNonClientArea() || !Options.DrawNonClientArea) return false;
  provider->SkipAnimationMark() = true;
  const bool animating = provider->StartMinimizing();
  bool handled = false;
  if (!AeroIsEnabled()) {
    handled = true;
    WithoutSystemAnimation([] { Application->Minimize(); });
  }
  if (!animating && border && border->LayeredWindow() && !(provider->FormStateBits() & FS_ANIMMINIMIZING)) {
    border->ShowingFlag() = true;
    border->FreeLayeredWindow();
    border->ShowingFlag() = false;
  }
  return handled;
}

bool DuRiruZireziv::RestoreFromHook() {
  ShowState = saRestore;
  TCustomForm* main = MainForm();
  if (!main || !(main->Showing() || Application->MainFormOnTaskbar())) return false;
  TkvFormProvider* provider = ProviderOf(main);
  if (!provider) return false;
  HWND wnd = main->WindowHandle();
  if (provider->FormStateBits() & FS_ANIMCLOSING) {
    provider->FormStateBits() &= ~FS_ANIMCLOSING;
    TkvBorderWindow* border = provider->OuterBorder();
    if (GetExtendedBorders() && !border)
      if (TsCommonData* sd = provider->SkinData()) sd->FCacheBmp.reset();
    if (border) border->ShowingFlag() = false;
    WithoutSystemAnimation([&] {
      Application->Restore();
      if (AeroIsEnabled()) {
        RedrawForm(wnd, 0);
        if (GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_LAYERED) {
          if (TsCommonData* sd = provider->SkinData()) sd->BGChanged = true;
          SetWindowLongW(wnd, GWL_EXSTYLE, GetWindowLongW(wnd, GWL_EXSTYLE) & ~WS_EX_LAYERED);
        }
      }
    });
    return false;
  }
  if (AnimEffects.Minimizing.Active && Effects.AllowAnimation && main->Visible()) {
    if (!provider->PaintsNonClientArea() || !Options.DrawNonClientArea) return false;
    if (!provider->StartRestoring()) {
      // A cover window still over the form hides the repaint: the form goes right behind it,
      // is repainted there, and the cover goes.
      if (const std::unique_ptr<TkvGlowForm> cover = provider->TakeCoverForm()) {
        if (cover->HandleAllocated())
          SetWindowPos(wnd, cover->WindowHandle(), 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOOWNERZORDER |
                           SWP_NOSENDCHANGING | SWP_SHOWWINDOW);
      } else {
        ShowWindow(wnd, SW_RESTORE);
      }
      RedrawForm(wnd, RDW_UPDATENOW);
    }
    if (AeroIsEnabled()) return false;
    WithoutSystemAnimation([] { Application->Restore(); });
    return true;
  }
  if (AeroIsEnabled() && !Application->MainFormOnTaskbar()) {
    WithoutSystemAnimation([&] {
      Application->Restore();
      if (!main->Visible()) main->Show();
    });
    RedrawForm(wnd, 0);
    return true;
  }
  return false;
}

void DuRiruZireziv::UpdatePreview(HWND wnd, bool value) {
  if (!kv_ChangeThumbPreviews) return;
  const BOOL on = value;
  if (SUCCEEDED(DwmSetWindowAttribute(wnd, DWMWA_HAS_ICONIC_BITMAP, &on, sizeof on)))
    DwmSetWindowAttribute(wnd, DWMWA_FORCE_ICONIC_REPRESENTATION, &on, sizeof on);
  DwmInvalidateIconicBitmaps(wnd);
}
