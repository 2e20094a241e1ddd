// The system commands of a skinned form (minimize, maximize, restore, close, move, the keyboard
// system menu) for plain forms, MDI children and MDI main forms, and the form messages that
// follow system settings and menu loops: colour and setting changes, entering and leaving a
// menu loop (the maximized MDI child's icons stay visible over the menu bar) and the custom-draw
// notification that brings new controls to the child-control adapter.
//
// Sections:
//   1. System commands: the part for forms other than MDI children (the provider's own minimize
//      and restore animation, the outer border window around the state change), then the part
//      for every form by its style.
//   2. Settings, colours, menu loops and notifications.
#include <windows.h>
#include <commctrl.h>

#include "base/Composition.h"
#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "forms/sMDIForm.h"
#include "forms/sSkinProvider.h"
#include "forms/sSkinProviderMotion.h"
#include "skin/sVclUtils.h"
#include "ui/ScopeGuard.h"

namespace {

// A drag of the caption starts (SC_MOVE with the caption's code in the low bits).
constexpr Cardinal SC_CAPTIONDRAG = 0xF012;

bool MinimizeAnimationOn(DuRiruZireziv* manager) {
  return manager && manager->AnimEffects.Minimizing.Active && manager->Effects.AllowAnimation;
}

// The minimize timer while it keeps the form minimized (its picture rests on the taskbar).
TkvMinTimer* HoldingMinTimer(TsSkinProvider* sp) {
  auto* mt = dynamic_cast<TkvMinTimer*>(sp->FormTimer.get());
  return mt && mt->Minimized ? mt : nullptr;
}

// The system's window animation is switched off while the provider animates the change itself,
// and comes back afterwards whatever happens.
class SystemAnimationOff {
 public:
  explicit SystemAnimationOff(bool restoreTo) : restoreTo_(restoreTo) { kvSetAnimation(false); }
  ~SystemAnimationOff() { kvSetAnimation(restoreTo_); }
  SystemAnimationOff(const SystemAnimationOff&) = delete;
  SystemAnimationOff& operator=(const SystemAnimationOff&) = delete;

 private:
  bool restoreTo_;
};

bool IsApplicationMainForm(TsSkinProvider* sp) { return Application && Application->MainForm() == sp->Form; }

bool ComponentGoing(TComponent* c) { return c->ComponentState().Contains(csDestroying); }

}  // namespace

// ---- 1. System commands ----------------------------------------------------------------------

// The outer border stays around a maximized form unless the skin or the manager (native borders
// when maximized) leaves the maximized form its system frame.
static bool BorderWantedMaximized(TsSkinProvider* sp) {
  DuRiruZireziv* manager = sp->SkinManager();
  return sp->ExtBordersNeeded(true) && !(manager && manager->Options.NativeBordersMaximized);
}

// The part of a system command that concerns forms other than MDI children. True when the
// command has been carried out completely.
bool TsSkinProvider::SysCommandBeforeStyle(TMessage& m) {
  const Cardinal exact = Cardinal(m.WParam);
  const Cardinal cmd = exact & 0xFFF0;
  const HWND h = FormWnd(this);
  DuRiruZireziv* manager = SkinManager();
  if (exact == SC_CAPTIONDRAG) {
    // The caption drag starts from a picture that is up to date.
    Form->Repaint();
    return false;
  }
  switch (cmd) {
    case SC_MINIMIZE: {
      // A minimized captionless form shows its caption on the taskbar's terms.
      UWPCaptionUpdate(false);
      MaxRestore = IsZoomed();
      // The application's main form minimizes through the application window (the system
      // animates it).
      if (IsApplicationMainForm(this) || !MinimizeAnimationOn(manager) || !h) return false;
      {
        const SystemAnimationOff off(kvGetAnimation());
        StartMinimizing();
        PassOn(m);
      }
      return true;
    }
    case SC_MAXIMIZE:
      MaxRestore = false;
      // The border goes before the system sizes the form, so that the form is maximized as a
      // form with its own frame.
      if (BorderForm && !BorderWantedMaximized(this)) {
        BorderForm.reset();
        RgnChanged = true;
        FCommonData->BGChanged = true;
      }
      if (!Form->Parent() && HoldingMinTimer(this)) {
        // Maximized straight from the taskbar: the picture flies back first.
        SetFormState(FFormState | FS_ZOOMING);
        const TScopeExit zoomed([this] { SetFormState(FFormState & ~FS_ZOOMING); });
        const SystemAnimationOff off(kvGetAnimation());
        StartRestoring();
        PassOn(m);
        return true;
      }
      UWPCaptionUpdate(true);
      return false;
    case SC_RESTORE:
      if (FFormState & FS_ANIMCLOSING) {
        // Restored while the close animation was prepared: no restore animation.
        SetFormState((FFormState | FS_RESTORING) & ~FS_ANIMCLOSING);
        const TScopeExit restored([this] { SetFormState(FFormState & ~FS_RESTORING); });
        if (BorderForm) BorderForm->ExBorderShowing = false;
        const SystemAnimationOff off(kvGetAnimation());
        PassOn(m);
        return true;
      }
      if (IsApplicationMainForm(this) && !Application->MainFormOnTaskbar()) {
        MaxRestore = false;
        return false;
      }
      if (h && IsIconic(h)) {
        SetFormState(FFormState | FS_RESTORING);
        const TScopeExit restored([this] { SetFormState(FFormState & ~FS_RESTORING); });
        if (!HoldingMinTimer(this))
          if (auto* mt = dynamic_cast<TkvMinTimer*>(FormTimer.get())) {
            // A form minimized by the system: the timer flies it back from the taskbar.
            mt->Minimized = true;
            if (!mt->AnimForm) mt->InitData();
          }
        // The user's setting comes back as it was, also after a minimize by the system.
        const SystemAnimationOff off(kvGetAnimation());
        RgnChanged = true;
        StartRestoring();
        FCommonData->BGChanged = true;
        if (manager && manager->Options.NativeBordersMaximized && MaxRestore && BorderForm) BorderForm.reset();
        PassOn(m);
        if (BorderForm && !BorderForm->LayeredWindow()) {
          FInAnimation = false;
          BorderForm->UpdateExBordersPos(true, 255);
        }
        return true;
      }
      // A border object that lost its window, or a border that should be there and is not, is
      // made anew.
      if ((BorderForm && !BorderForm->LayeredWindow()) || (!BorderForm && ExtBordersNeeded(false))) {
        BorderForm.reset();
        InitExBorders(true);
        UpdateRgn(false, false);
      }
      MaxRestore = false;
      return false;
    default: break;
  }
  // Any other command on the main form minimized to the taskbar.
  if (Application && Application->MainFormOnTaskbar() && IsApplicationMainForm(this) && h && IsIconic(h) &&
      !Form->Parent()) {
    if (FormTimer) {
      m.Result = SendMessageW(Application->Handle(), WM_SYSCOMMAND, m.WParam, m.LParam);
      return true;
    }
    if (!BorderForm && AeroIsEnabled()) {
      PassOn(m);
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
      InvalidateRect(h, nullptr, TRUE);
      return true;
    }
  }
  return false;
}

void TsSkinProvider::MDIChildSysCommand(TMessage& m) {
  const Cardinal cmd = Cardinal(m.WParam) & 0xFFF0;
  const HWND h = FormWnd(this);
  TsSkinProvider* main = MDISkinProvider;
  if (main && (!main->Form || !main->FCommonData)) main = nullptr;
  bool mainRepaintDue = IsZoomed() && cmd != SC_MAXIMIZE;
  // The main form paints once, after the child's change.
  if (main) main->FCommonData->BeginUpdate();
  const TScopeExit updated([main] {
    if (main) main->FCommonData->EndUpdate();
  });
  switch (cmd) {
    case SC_CLOSE:
      if (!main) {
        PassOn(m);
        return;
      }
      if (main->MDIForm && mainRepaintDue) UpdateMainForm(true);
      {
        // The menu line holds still while the child goes.
        const auto inMenu = SetForScope(main->InMenu, true);
        PassOn(m);
        if (!ComponentGoing(Form) && !ComponentGoing(this)) SetHotHT(0, false);
      }
      if (main->MDIForm && mainRepaintDue) UpdateMainForm(true);
      return;
    case SC_MINIMIZE:
      PassOn(m);
      if (mainRepaintDue) UpdateMainForm(true);
      if (SystemMenu) SystemMenu->UpdateItems(true);
      FCommonData->BGChanged = true;
      UpdateMainForm(true);
      return;
    case SC_MAXIMIZE: {
      // The child is maximized hidden: the system would paint its own frame in between.
      if (h) {
        SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) & ~LONG(WS_VISIBLE));
        const TScopeExit shown([h] { SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) | LONG(WS_VISIBLE)); });
        PassOn(m);
      } else {
        PassOn(m);
      }
      if (h) RedrawWindow(h, nullptr, nullptr, RDW_INTERNALPAINT | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
      if (main && main->MDIForm) UpdateMainForm(true);
      if (SystemMenu) SystemMenu->UpdateItems(true);
      return;
    }
    case SC_RESTORE: {
      if (h && IsIconic(h)) mainRepaintDue = true;
      if (MDICreating) return;  // a child being made maximized: its restore waits
      PassOn(m);
      FCommonData->BGChanged = true;
      // The skinned caption draws the child's buttons; the system must not.
      if (h && CanDrawNCArea()) SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) & ~LONG(WS_SYSMENU));
      if (h) RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
      if (main) {
        for (Integer i = 0; i < main->Form->MDIChildCount(); ++i) {
          TCustomForm* other = main->Form->MDIChildren(i);
          if (!other || other == Form || !other->HandleAllocated() || !::IsZoomed(other->WindowHandle())) continue;
          other->SetWindowState(wsNormal);
          RedrawWindow(other->WindowHandle(), nullptr, nullptr,
                       RDW_INTERNALPAINT | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
        }
      }
      if (mainRepaintDue) UpdateMainForm(true);
      if (SystemMenu) SystemMenu->UpdateItems(true);
      return;
    }
    case SC_KEYMENU:
      // The main form's menu line serves the keyboard.
      return;
    default: PassOn(m); return;
  }
}

void TsSkinProvider::MDIMainSysCommand(TMessage& m) {
  const Cardinal cmd = Cardinal(m.WParam) & 0xFFF0;
  if (cmd == SC_RESTORE) SetFormState(FFormState | FS_RESTORING);
  const TScopeExit restored([this, cmd] {
    if (cmd == SC_RESTORE) SetFormState(FFormState & ~FS_RESTORING);
  });
  PassOn(m);
  if (cmd != SC_MINIMIZE && cmd != SC_MAXIMIZE && cmd != SC_RESTORE) return;
  FCommonData->BGChanged = true;
  FLinesCount = -1;
  ProcessMessage(WM_NCPAINT);
  if (cmd == SC_MAXIMIZE && BorderForm) {
    if (BorderWantedMaximized(this))
      BorderForm->UpdateExBordersPos(true, 255);
    else
      BorderForm.reset();
  }
  if (cmd == SC_MAXIMIZE && BorderForm) BorderForm->UpdateExBordersPos(true, 255);
}

void TsSkinProvider::OtherFormSysCommand(TMessage& m) {
  const Cardinal cmd = Cardinal(m.WParam) & 0xFFF0;
  const HWND h = FormWnd(this);
  if (cmd == SC_MAXIMIZE) {
    if (BorderForm && !BorderWantedMaximized(this)) BorderForm.reset();
    {
      // The old procedure maximizes once.
      SetFormState(FFormState | FS_ZOOMING);
      const TScopeExit zoomed([this] { SetFormState(FFormState & ~FS_ZOOMING); });
      PassOn(m);
    }
    // Some systems report the maximized state only now: a border the maximized form does not
    // want goes once the form knows it is maximized.
    if (BorderForm && !BorderWantedMaximized(this)) {
      BorderForm.reset();
      RgnChanged = true;
      FCommonData->BGChanged = true;
      ProcessMessage(WM_NCPAINT);
    }
    if (SystemMenu && SystemMenu->VisibleMax()) CurrentHT = HTMAXBUTTON;
    SetHotHT(0, true);
    return;
  }
  PassOn(m);
  if (cmd == SC_KEYMENU && LOWORD(m.LParam) == 0x20 && Form->BorderIcons().Contains(biSystemMenu) &&
      Form->BorderStyle() != bsNone) {
    // Alt+Space: the skinned system menu under the window icon (higher on a minimized form).
    TPoint lt;
    FormLeftTop(lt);
    const Integer y = lt.Y + BorderHeight(true) + FIconRect.Height() - (IsIconicForm() ? 16 : 0);
    DropSysMenu(SysBorderWidth(h, OuterBorder(), true) + lt.X, y);
    return;
  }
  if (cmd != SC_RESTORE) return;
  // Restored: a minimize timer that held the form on the taskbar has nothing more to do.
  if (HoldingMinTimer(this)) FormTimer.reset();
  if (SystemMenu && SystemMenu->VisibleMax()) CurrentHT = HTMAXBUTTON;
  SetHotHT(0, true);
  FCommonData->BGChanged = true;
  if (!HaveBorder()) {
    if (h) SetWindowRgn(h, nullptr, TRUE);
  } else if (DuRiruZireziv* manager = SkinManager(); manager && manager->GetExtendedBorders() && FAllowExtBorders &&
                                                     CanDrawNCArea() && !Form->Parent() &&
                                                     Form->FormStyle() != fsMDIChild) {
    // The outer border comes back (or follows) once the form is restored.
    if (BorderForm) {
      FInAnimation = false;
      BorderForm->UpdateExBordersPos(true, 255);
    } else {
      InitExBorders(true);
      UpdateRgn(true, true);
    }
  }
  if (h) RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
}

void TsSkinProvider::KV_WMSysCommand(TMessage& m) {
  const bool mdiChild = Form->FormStyle() == fsMDIChild;
  if (!mdiChild && SysCommandBeforeStyle(m)) return;
  if (OwnFrameSysCommand(m)) return;
  if (mdiChild)
    MDIChildSysCommand(m);
  else if (Form->FormStyle() == fsMDIForm)
    MDIMainSysCommand(m);
  else
    OtherFormSysCommand(m);
  if (Cardinal(m.WParam) != SC_MINIMIZE) return;
  // Minimized by the system: the border window goes (the object stays for the restore).
  if (MinimizeAnimationOn(SkinManager())) fAnimating = false;
  if (BorderForm && BorderForm->LayeredWindow() && !(FFormState & FS_ANIMMINIMIZING)) {
    const auto showing = SetForScope(BorderForm->ExBorderShowing, true, false);
    BorderForm->FreeLayeredWindow();
  }
}

// ---- 2. Settings, colours, menu loops and notifications --------------------------------------

void TsSkinProvider::KV_WMSysColorChange(TMessage& m) {
  PassOn(m);
  UpdateMenu();
}

void TsSkinProvider::KV_WMSettingChange(TMessage& m) {
  FCommonData->BGChanged = true;
  auto* mt = dynamic_cast<TkvMinTimer*>(FormTimer.get());
  if (m.WParam == SPI_SETWORKAREA && mt && mt->Enabled()) {
    // The taskbar moved while the picture flies: the flight aims at its new place.
    FCommonData->BGChanged = true;
    const TRect to = mt->GetRectTo(mt->Motion.RectFrom);
    if (!to.IsEmpty()) {
      UpdateDstRect(mt->Motion, mt->Motion.RectFrom, to);
      mt->Motion.CurLeft = to.Left;
      mt->Motion.CurTop = to.Top;
      mt->Motion.CurRight = to.Right;
      mt->Motion.CurBottom = to.Bottom;
    }
  }
  PassOn(m);
}

// The small window that keeps a maximized MDI child's icons over the main form's menu bar while
// a menu loop runs (the system paints the bar then): it shows the piece of the form's picture
// under it. Never skinned, never in the taskbar, no shadow.
class TkvMDIIconsForm : public TForm {
  TW_CLASS(TkvMDIIconsForm, TForm)
  TkvMDIIconsForm(TComponent* owner, TsSkinProvider* provider) : TForm(owner), provider_(provider) {}
  // Painted only while its provider is still the MDI main form's: the window may outlive a
  // provider that went during the loop.
  void PaintIcons(TObject* sender) {
    if (provider_ && MDISkinProvider == provider_) MdiIcoFormPaint(*provider_, static_cast<TCustomForm*>(sender));
  }

 protected:
  void CreateParams(TCreateParams& params) override {
    TForm::CreateParams(params);
    // A class of its own: the drop shadow is a class bit, and the forms' class keeps it.
    params.WinClassName = u"TkvMDIIconsForm";
    params.ClassStyle &= ~Cardinal(CS_DROPSHADOW);
  }

 private:
  TsSkinProvider* provider_;
};

TW_DEFINE_CLASS(TkvMDIIconsForm) {}

namespace {
std::unique_ptr<TkvMDIIconsForm> gMDIIconsForm;
}  // namespace

TCustomForm* MDIIconsForm() { return gMDIIconsForm.get(); }

void TsSkinProvider::KV_WMEnterMenuLoop(TMessage& m) {
  TCustomForm* child = Form->FormStyle() == fsMDIForm ? Form->ActiveMDIChild() : nullptr;
  if (!InMenu && child && child->HandleAllocated() && ::IsZoomed(child->WindowHandle())) {
    InMenu = true;
    if (!gMDIIconsForm && Form->HandleAllocated()) {
      // Held here, not by the application: it goes when the loop ends.
      gMDIIconsForm = std::make_unique<TkvMDIIconsForm>(nullptr, this);
      TkvMDIIconsForm* icons = gMDIIconsForm.get();
      icons->AfterConstruction();
      icons->SetBorderStyle(bsNone);
      icons->SetTag(ExceptTag);
      icons->SetVisible(false);
      icons->SetName(u"kvMDIIcons");
      icons->SetOnPaint(TNotifyEvent(icons, &TkvMDIIconsForm::PaintIcons));
      const HWND h = Form->WindowHandle();
      RECT r{};
      GetWindowRect(h, &r);
      const Integer border = SysBorderWidth(h, OuterBorder(), true);
      SetWindowPos(icons->Handle(), HWND_TOP, r.right - border - 60, r.top + SysCaptHeight(this) + border, 60,
                   GetSystemMetrics(SM_CYMENU) + 3, SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
  }
  PassOn(m);
}

void TsSkinProvider::KV_WMExitMenuLoop(TMessage& m) {
  InMenu = false;
  gMDIIconsForm.reset();
  PassOn(m);
}

void TsSkinProvider::KV_WMNotify(TMessage& m) {
  PassOn(m);
  // A custom-drawing control may have made windows of its own (a header, an editor).
  const auto* hdr = reinterpret_cast<const NMHDR*>(m.LParam);
  if (hdr && hdr->code == UINT(NM_CUSTOMDRAW) && Adapter) Adapter->AddAllItems(nullptr);
}
