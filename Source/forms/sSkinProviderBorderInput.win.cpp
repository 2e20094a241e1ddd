// The outer border window's input: the hit test of its frame, caption and buttons, the shadow
// that lets clicks through to the windows below (through one-pixel holes in its region), the
// sizing cursors, and its window procedure, which hands the frame's mouse actions to the form.
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "controls/kvPopupController.h"
#include "forms/kvDialogWnd.h"
#include "forms/kvTitleBar.h"
#include "forms/sSkinProvider.h"
#include "forms/sSkinProviderMotion.h"
#include "skin/sVclUtils.h"
#include "ui/ScopeGuard.h"

namespace {

TkvSkinData* SkinDataOf(TkvBorderForm& bf) { return bf.sp ? bf.sp->SkinDataFor() : nullptr; }

bool AnimScaling(DuRiruZireziv* manager) { return manager && manager->ManagerState.Contains(msAnimScaling); }

TPoint WindowTopLeft(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  return TPoint(r.left, r.top);
}

// Moving the mouse this far from a caption press on a maximized form restores it for a drag.
constexpr Integer kDragToRestore = 6;

// A caption drag of the provider's form fades it (the manager's blend on moving): where layered
// windows are composed only when the fade makes a difference.
bool BlendsOnMoving(TsSkinProvider* sp, DuRiruZireziv* manager) {
  if (!sp || !manager || !manager->AnimEffects.BlendOnMoving.Active) return false;
  return !AeroIsEnabled() || (manager->AnimEffects.BlendOnMoving.BlendValue < 255 && sp->FAllowBlendOnMoving);
}

// The messages of a dialog's border window that are its input: the frame's mouse actions go to
// the dialog.
// The border window's rows that a dialog owner shares with a form's provider; the provider's
// own work in them is skipped for a dialog.
bool IsOwnerIndependentBorderRow(UINT msg) {
  switch (msg) {
    case WM_MOVE:
    case WM_SETFOCUS:
    case WM_ERASEBKGND:
    case WM_NCPAINT:
    case WM_SHOWWINDOW:
    case WM_WINDOWPOSCHANGED:
    case WM_DPICHANGED: return true;
    default: return false;
  }
}

bool IsDialogBorderInput(UINT msg) {
  switch (msg) {
    case WM_NCHITTEST:
    case WM_SETCURSOR:
    case WM_MOUSEACTIVATE:
    case WM_NCMOUSEMOVE:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP: return true;
    default: return msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK;
  }
}

bool IsCaptionElementCode(Integer ht) {
  return ht == HTMINBUTTON || ht == HTMAXBUTTON || ht == HTCLOSE || ht == HTHELP ||
         (ht >= HTUDBTN && ht <= HTITEM + 100);
}

}  // namespace

// ---- Hit test ----------------------------------------------------------------------------------

Integer TkvBorderForm::Ex_WMNCHitTest(TMessage& m) {
  const HWND wnd = LayeredWindow();
  const HWND h = OwnerHandle();
  if (!wnd || !h || (!sp && !Dlg)) return HTNOWHERE;
  if (AnimScaling(BorderManagerOf(this))) return HTNOWHERE;
  if (sp) {
    TMessage asked = m;
    asked.Result = 0;
    sp->OnExtHitTest.Call(asked);
    if (asked.Result != 0) return Integer(asked.Result);
  }
  const TPoint lt = WindowTopLeft(wnd);
  const TPoint p(m.XPos() - lt.X, m.YPos() - lt.Y);
  if (!IsWindowEnabled(h)) return HTTRANSPARENT;
  if (Dlg) return DialogHitTest(p);

  // Caption buttons, user title buttons and title bar items, as the caption lays them out.
  sp->CalcItems();
  for (const TkvCaptionElement& e : sp->CaptionElements()) {
    if (!e.Button->cpRect.Contains(p)) continue;
    if (e.HitCode == HTCLOSE && !sp->SystemMenu->VisibleClose()) return HTNOWHERE;
    const Integer code = sp->CaptionElementCode(e);
    if (code != 0) return code;
  }
  if (const Integer item = TitleItemHitTest(*sp, p)) return item;

  // Sizing zones.
  const bool sizeable = IsSizeBox(h) || (sp->FUWPMode && sp->FluentBorderStyle == bsSizeable);
  const TkvBorderFrame frame = Frame();
  if (!IsZoomed(h) && sizeable)
    if (const Integer zone = FrameSizingHit(frame, p)) return zone;

  // Caption, menu line and body.
  const TRect shadow = frame.Shadow;
  const Integer captionBottom = SysBorderHeight(h, this, false) + CaptionHeight(true) + shadow.Top;
  if (p.Y >= 0 && p.Y <= captionBottom) return IconRect().Contains(p) ? HTSYSMENU : HTCAPTION;
  if (p.Y > captionBottom + MenuHeight()) {
    const TRect body(shadow.Left, shadow.Top, frame.Width - shadow.Right, frame.Height - shadow.Bottom);
    TkvSkinData* data = SkinDataOf(*this);
    // The form's size box where its skinned bars meet, in border-window coordinates.
    const bool inSizeBox = OffsRect(sp->ScrollSizeBox(), OffsetX(), OffsetY()).Contains(p);
    if (body.Contains(p) && (IsGripVisible(sp) || inSizeBox) && data && data->GripRightBottom >= 0 &&
        data->GripRightBottom < Integer(data->ma.size())) {
      // Where the picture draws the grip.
      const TPoint anchor = sp->RBGripPoint(data->GripRightBottom);
      if (p.X > anchor.X && p.Y > anchor.Y) return HTBOTTOMRIGHT;
    }
    return HTTRANSPARENT;
  }
  return HTMENU;
}

// A dialog's frame on the border window: its border icons, the sizing zones of a sizeable
// dialog, the title with the small icon; the rest (the client, the shadow) is not ours.
Integer TkvBorderForm::DialogHitTest(TPoint p) {
  const HWND h = OwnerHandle();
  const TPoint o = Dlg->FrameOrigin();
  const Integer icon = Dlg->IconHit(TPoint(p.X - o.X, p.Y - o.Y));
  if (icon >= 0) return icon;
  const TkvBorderFrame frame = Frame();
  if (!IsZoomed(h) && IsSizeBox(h))
    if (const Integer zone = FrameSizingHit(frame, p)) return zone;
  const Integer captionBottom = CaptionHeight(true) + frame.Shadow.Top;
  if (Dlg->CaptionHeight() > 0 && p.Y >= 0 && p.Y <= captionBottom)
    return IconRect().Contains(p) ? HTSYSMENU : HTCAPTION;
  return HTTRANSPARENT;
}

bool TkvBorderForm::MouseAboveTheShadow(TMessage& m) {
  DuRiruZireziv* manager = BorderManagerOf(this);
  if (!manager || (FormState() & FS_BLENDMOVING) || AnimScaling(manager) || Locked) return false;
  UpdateRgn();
  const HWND wnd = LayeredWindow();
  const HWND h = OwnerHandle();
  if ((Application && Application->Terminated()) || !SkinData || !wnd || !h || !manager->IsActive()) return false;
  // The client mouse messages of this borderless window carry window coordinates; the
  // non-client ones, screen coordinates.
  TPoint p(m.XPos(), m.YPos());
  if (m.Msg < WM_MOUSEFIRST || m.Msg > WM_MBUTTONDBLCLK) {
    const TPoint lt = WindowTopLeft(wnd);
    p = TPoint(p.X - lt.X, p.Y - lt.Y);
  }
  if (IsZoomed(h)) return false;
  if (InsideInclusive(FrameOuterRect(Frame()), p)) return false;
  SetHotHT(-1, true);
  return true;
}

bool TkvBorderForm::Ex_WMSetCursor() {
  if (AnimScaling(BorderManagerOf(this))) return false;
  const TPoint cursor = kvMousePos();
  TMessage probe = MakeMessage(WM_NCHITTEST, 0, PointToLParam(cursor.X, cursor.Y));
  const Integer ht = Ex_WMNCHitTest(probe);
  if (MouseAboveTheShadow(probe)) return false;
  LPCWSTR shape = nullptr;
  switch (ht) {
    case HTCAPTION:
    case HTMENU: shape = IDC_ARROW; break;
    case HTLEFT:
    case HTRIGHT: shape = IDC_SIZEWE; break;
    case HTTOP:
    case HTBOTTOM: shape = IDC_SIZENS; break;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT: shape = IDC_SIZENWSE; break;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: shape = IDC_SIZENESW; break;
    default: return false;
  }
  SetCursor(LoadCursorW(nullptr, shape));
  return true;
}

// ---- Window procedure ----------------------------------------------------------------------------

void TkvBorderForm::SendToOwner(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (const HWND h = OwnerHandle()) SendMessageW(h, msg, wParam, lParam);
}

// A double click on the top or bottom edge stretches the form to the work area's height (the
// left or right edge: its width); a second one gives the saved bounds back.
void TkvBorderForm::DoubleClickStretch(Integer ht) {
  const HWND h = OwnerHandle();
  if (!h || !IsSizeBox(h)) return;
  RECT work{};
  const HMONITOR monitor = MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST);
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (!monitor || !GetMonitorInfoW(monitor, &mi)) return;
  work = mi.rcWork;
  TForm* form = sp->Form;
  TRect& saved = sp->NormalBounds;  // Left, Top, Right and Bottom hold left, top, width and height
  const Integer diffTitle = DiffTitle(this), diffBorder = DiffBorder(this);
  if (ht == HTTOP || ht == HTBOTTOM) {
    if (sp->FFormState & FS_MAXHEIGHT) {
      form->SetBounds(form->Left(), saved.Top, form->Width(), saved.Bottom);
      sp->FFormState &= ~FS_MAXHEIGHT;
    } else {
      saved.Top = form->Top();
      saved.Bottom = form->Height();
      form->SetBounds(form->Left(), work.top + diffTitle, form->Width(),
                      (work.bottom - work.top) - diffTitle - diffBorder);
      sp->FFormState |= FS_MAXHEIGHT;
    }
  } else {
    if (sp->FFormState & FS_MAXWIDTH) {
      form->SetBounds(saved.Left, form->Top(), saved.Right, form->Height());
      sp->FFormState &= ~FS_MAXWIDTH;
    } else {
      saved.Left = form->Left();
      saved.Right = form->Width();
      form->SetBounds(work.left + diffBorder, form->Top(), (work.right - work.left) - 2 * diffBorder, form->Height());
      sp->FFormState |= FS_MAXWIDTH;
    }
  }
}

void TkvBorderForm::BorderProc(TMessage& m) {
  // The handling may free this object (the form closes or hides): nothing of it is touched
  // after a message went to the owner, and the depth is a module value.
  ++BorderProcDepth;
  const TScopeExit left([] { --BorderProcDepth; });
  // A dialog's border window keeps the rows that concern any owner (its own moves, focus,
  // showing, painting, scale and stacking); the rest goes to the window's own procedure.
  if (Dlg && !IsDialogBorderInput(m.Msg) && !IsOwnerIndependentBorderRow(m.Msg)) {
    PassOn(m);
    return;
  }
  const HWND h = OwnerHandle();
  DuRiruZireziv* manager = BorderManagerOf(this);
  switch (m.Msg) {
    case WM_MOVE:
      if (sp && (FormState() & FS_BLENDMOVING) && LayeredWindow()) {
        RECT r{};
        GetWindowRect(LayeredWindow(), &r);
        if (r.top < MinTopCoord() || MovRgnChanged) {
          ResetRgn = true;
          UpdateRgn();
        }
        // The glued forms follow the dragged picture.
        sp->MoveGluedForms(true);
      }
      return;
    case WM_SETFOCUS:
      if (sp && h && !sp->Form->IsDestroying() && IsWindowVisible(h) && sp->Form->CanFocus() && sp->Form->Enabled())
        SetFocus(h);
      return;
    case WM_ERASEBKGND:
    case WM_NCPAINT: m.Result = 0; return;
    case WM_SHOWWINDOW: {
      // The border window follows the form's own visibility (its updates free and remake it);
      // the system's hiding of owned windows is left out, but the main form's own window on
      // the taskbar keeps the usual behaviour.
      const bool mainForm = sp && Application && Application->MainForm() == sp->Form;
      if (mainForm && Application->MainFormOnTaskbar()) {
        if (m.WParam == 0 && (FormState() & (FS_ANIMMINIMIZING | FS_ANIMCLOSING))) {
          m.Result = 0;
          return;
        }
        PassOn(m);
        return;
      }
      if (mainForm && (!(Application->Terminated() || Application->MainFormOnTaskbar()) || m.WParam == 1)) PassOn(m);
      return;
    }
    case WM_SETCURSOR:
      if (sp && sp->CurrentHT >= HTITEM && sp->CurrentHT < HTITEM + kvMaxCaptionItems) return;
      if (!Ex_WMSetCursor())
        PassOn(m);
      else
        m.Result = 1;
      return;
    case WM_MOUSEACTIVATE:
      m.Result = MA_NOACTIVATE;
      if (CanBringForm()) SetForegroundWindow(h);
      return;
    case WM_WINDOWPOSCHANGING: {
      auto* wp = reinterpret_cast<WINDOWPOS*>(m.LParam);
      const bool dragged = sp && (FormState() & FS_BLENDMOVING) && LayeredWindow() && wp && !(wp->flags & SWP_NOMOVE);
      if (dragged && sp->FScreenSnap && h && !IsZoomed(h) && (wp->x != 0 || wp->y != 0)) {
        // The picture snaps at its frame, measured as the form's own position would be.
        const TPoint offset = FrameOffset();
        Integer x = wp->x + offset.X, y = wp->y + offset.Y;
        sp->CheckNewPosition(x, y);
        wp->x = x - offset.X;
        wp->y = y - offset.Y;
      }
      PassOn(m);
      if (dragged) LastTopLeft = TPoint(wp->x, wp->y);
      return;
    }
    case WM_WINDOWPOSCHANGED: {
      // The glows are drawn at the window's place: only a real move or size outdates them. The
      // system restacks the window often (every activation), which must leave a fade running.
      const auto* wp = reinterpret_cast<const WINDOWPOS*>(m.LParam);
      if (!wp || (wp->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) KillAnimations();
      PassOn(m);
      if (sp && h && !sp->IsDestroying() && AForm) {
        if (IsIconic(h) && !(FormState() & FS_ANIMMINIMIZING)) {
          SkinData->BGChanged = true;
          UpdateExBordersPos(false, 255);
        }
        if (sp->Form->FormStyle() == fsStayOnTop && LayeredWindow()) {
          const bool activeMain =
              AeroIsEnabled() && Application && Application->MainForm() == sp->Form && GetActiveWindow() == h;
          SetWindowPos(LayeredWindow(), activeMain ? GetTopWnd() : h, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER);
        }
      }
      return;
    }
    case WM_NCHITTEST:
      if (MouseAboveTheShadow(m)) {
        // The window's own answer stands: the mouse messages that follow punch the holes
        // through which the clicks reach the windows below.
        m.Result = HTTRANSPARENT;
        PassOn(m);
        return;
      }
      PassOn(m);
      // Every mouse action on the frame arrives as a non-client message.
      m.Result = HTOBJECT;
      return;
    case WM_NCMOUSEMOVE: {
      if (manager) manager->SetActiveGraphControl(nullptr);
      const Integer ht = Ex_WMNCHitTest(m);
      if (IsCaptionElementCode(ht)) {
        SetHotHT(ht, true);
        return;
      }
      SetHotHT(0, true);
      if (sp && MaxMoving && h && IsZoomed(h)) {
        const TPoint cursor = kvMousePos();
        if (std::abs(cursor.X - LastMousePos.X) >= kDragToRestore ||
            std::abs(cursor.Y - LastMousePos.Y) >= kDragToRestore) {
          {
            const auto busy = SetForScope(ExBorderShowing, true, false);
            sp->Form->SetWindowState(wsNormal);
            const Integer top = cursor.Y >= 0 && cursor.Y <= 24 ? -8 : cursor.Y - 8;
            sp->Form->SetBounds(cursor.X - sp->Form->Width() / 2, top, sp->Form->Width(), sp->Form->Height());
          }
          // The press goes on as a caption press: the flag stays until it has, so that the
          // border window hands on the caption's code and not what its old place shows there.
          // The move may take this object with it.
          TsSkinProvider* const provider = sp;
          const HWND form = h;
          if (manager && manager->AnimEffects.BlendOnMoving.Active &&
              manager->AnimEffects.BlendOnMoving.BlendValue < 255 && sp->FAllowBlendOnMoving)
            sp->StartMoveForm();
          else
            SendMessageW(LayeredWindow(), WM_NCLBUTTONDOWN, HTCAPTION, PointToLParam(cursor.X, cursor.Y));
          if (IsWindow(form) && ProviderOf(form) == provider && provider->BorderForm.get() == this) MaxMoving = false;
        }
      }
      return;
    }
    case WM_NCLBUTTONDOWN: {
      if (MouseAboveTheShadow(m)) return;
      // A press on the frame ends the popups of the engine's controls, also one that stops here.
      GetIntController()->KillAllForms();
      ExBorderShowing = false;
      if (!MaxMoving) m.WParam = WPARAM(-1);
      const Integer ht = Ex_WMNCHitTest(m);
      // A dialog decides itself, from the code its hit test gives it, whether a caption press
      // fades it while it moves or starts the system's move.
      if (ht == HTCAPTION && sp && h && IsZoomed(h)) {
        MaxMoving = true;
        LastMousePos = kvMousePos();
        return;
      }
      if (ht == HTCAPTION && h && !IsIconic(h) && BlendsOnMoving(sp, manager)) {
        // The move loop runs on this window; the object may be gone afterwards.
        StartBlendOnMoving(sp, true);
        return;
      }
      if (ht == HTSYSMENU) {
        SendToOwner(WM_NCLBUTTONDOWN, HTSYSMENU, m.LParam);
        return;
      }
      SendToOwner(WM_NCLBUTTONDOWN, m.WParam, m.LParam);
      return;
    }
    case WM_NCLBUTTONUP:
      if (MouseAboveTheShadow(m)) return;
      MaxMoving = false;
      SendToOwner(WM_NCLBUTTONUP, WPARAM(-1), m.LParam);
      return;
    case WM_NCLBUTTONDBLCLK: {
      MaxMoving = false;
      // A drag of the own move and size frame ends here, at the point.
      if (sp) sp->OwnFrameRelease(m, false);
      const Integer ht = Ex_WMNCHitTest(m);
      m.WParam = WPARAM(ht);
      if (!sp || !h) return;
      if (ht == HTCAPTION) {
        TsSkinProvider* const provider = sp;  // outlives this object, which the command may free
        const bool canZoom =
            provider->SystemMenu && (provider->SystemMenu->EnabledMax() || provider->SystemMenu->EnabledRestore());
        if (canZoom || (IsIconic(h) && !provider->HaveBorder()))
          SendToOwner(WM_SYSCOMMAND, IsZoomed(h) || IsIconic(h) ? SC_RESTORE : SC_MAXIMIZE, 0);
        else if (IsIconic(h))
          SendToOwner(WM_SYSCOMMAND, SC_RESTORE, 0);
        if (provider->SystemMenu) provider->SystemMenu->UpdateItems(false);
        m.WParam = 0;
      } else if (ht == HTSYSMENU) {
        SendToOwner(WM_SYSCOMMAND, SC_CLOSE, 0);
      } else if (ht == HTTOP || ht == HTBOTTOM || ht == HTLEFT || ht == HTRIGHT) {
        DoubleClickStretch(ht);
      } else if (TkvTitleBarItem* item = TitleItemByHT(*sp, ht)) {
        // The second press of a double click on an item: tabs, spacers, info items and
        // drop-down buttons take it as a press of their own; a plain button clicks again.
        item->Timer.reset();
        const bool dropsDown = item->FDropdownMenu && item->FDropdownMenu->Items()->Count() > 0;
        if (item->FStyle > bsMenu || dropsDown) {
          const TPoint lt = WindowTopLeft(LayeredWindow());
          item->DoMouseDown(mbLeft, TShiftState(), m.XPos() - lt.X - item->Rect.Left, m.YPos() - lt.Y - item->Rect.Top);
        } else {
          SendMessageW(LayeredWindow(), WM_NCLBUTTONDOWN, WPARAM(ht), m.LParam);
          SendMessageW(LayeredWindow(), WM_NCLBUTTONUP, WPARAM(ht), m.LParam);
        }
      } else if (ht >= HTUDBTN && ht < HTITEM + kvMaxCaptionItems) {
        SendMessageW(LayeredWindow(), WM_NCLBUTTONDOWN, WPARAM(ht), m.LParam);
        SendMessageW(LayeredWindow(), WM_NCLBUTTONUP, WPARAM(ht), m.LParam);
      }
      return;
    }
    case WM_NCRBUTTONDOWN:
      if (MouseAboveTheShadow(m)) return;
      SendToOwner(WM_NCRBUTTONDOWN, WPARAM(Ex_WMNCHitTest(m)), m.LParam);
      return;
    case WM_NCRBUTTONUP:
      if (MouseAboveTheShadow(m)) return;
      SendToOwner(WM_NCRBUTTONUP, WPARAM(-1), m.LParam);
      return;
    case WM_DPICHANGED: m.Result = 1; return;
    default: break;
  }
  if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MBUTTONDBLCLK) {
    if (MouseAboveTheShadow(m) && FormState() == 0) {
      if (manager) manager->SetActiveGraphControl(nullptr);
      const auto inMouse = SetForScope(kvInMouseMsg, true, false);
      const HWND wnd = LayeredWindow();
      RECT r{};
      GetWindowRect(wnd, &r);
      HRGN rgn = MakeRgn(0, 0);
      if (!rgn) rgn = CreateRectRgn(0, 0, r.right - r.left, r.bottom - r.top);
      // A hole under the mouse: the next click there reaches the window below.
      HRGN dot = CreateRectRgn(m.XPos(), m.YPos(), m.XPos() + 1, m.YPos() + 1);
      CombineRgn(rgn, rgn, dot, RGN_XOR);
      DeleteObject(dot);
      if (sp && sp->Form->FormState().Contains(fsModal))
        DeleteObject(rgn);
      else
        SetWindowRgn(wnd, rgn, FALSE);
      ResetRgn = true;
    }
    return;
  }
  PassOn(m);
}
