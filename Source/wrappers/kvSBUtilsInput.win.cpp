// The skinned scroll bars' input and the scroll wrapper's window procedure.
//
// Sections:
//   1. Press: Kv_NCLButtonDown and its first step on arrows and page areas
//   2. Held button: Kv_MouseMove, Kv_LButtonUp, thumb dragging
//   3. Timers and hover: Kv_Timer, Kv_NCMouseMove
//   4. TkvScrollWnd::kvWndProc
//
// The press, drag and hover state is the module's one set of globals (kvScrollState): one bar is
// pressed or dragged at a time. Every scroll notification may make the control set its scroll
// info with redraw, which paints the system bar where the skinned one sits, so the skinned bar is
// painted again after each one.
#include "wrappers/kvSBUtils.h"

#include <windows.h>

#include <algorithm>

#include "base/sMessages.h"
#include "skin/ControlServices.h"
#include "skin/FormServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtilsCombo.h"

namespace {

TkvScrollBar* BarOf(TkvScrollWnd* sw, Integer nBar) {
  return nBar == SB_HORZ ? sw->sBarHorz : nBar == SB_VERT ? sw->sBarVert : nullptr;
}

// The bar rectangle without extra buttons (screen coordinates).
TRect RealBarRect(TkvScrollWnd* sw, HWND handle, TkvScrollBar* sb) {
  TRect r;
  GetScrollRect(sw, sb->nBarType, handle, r);
  Kv_GetRealScrollRect(sb, r);
  return r;
}

// The cursor of the message being handled (screen coordinates); the cursor itself when the
// message has none.
TPoint MessagePoint() {
  const DWORD pos = GetMessagePos();
  return TPoint(int16_t(LOWORD(pos)), int16_t(HIWORD(pos)));
}

// List views keep the system position until the release: their vertical drag only notifies.
bool SetsPositionWhileDragging(TkvScrollWnd* sw, Integer nBar) {
  return nBar == SB_HORZ || !sw->SkinData || sw->SkinData->COC != 10;
}

bool IsListView(TkvScrollWnd* sw) { return sw->SkinData && sw->SkinData->COC == 10; }

// A form's provider and a frame's adapter keep their own procedure behind the scroll wrapper and
// answer the update and child-background commands from their own state.
bool OwnerAnswersCommands(const TsCommonData* sd) {
  return sd->COC == COC_TsSkinProvider || sd->COC == COC_TsFrameAdapter;
}

// Scroll notification from a press, then the skinned bars painted over whatever the control's
// SetScrollInfo drew.
void Notify(TkvScrollWnd* sw, HWND handle, Integer code, Integer pos, bool doSetScrollInfo) {
  const bool dontRepaint = sw->DontRepaint;
  sw->DontRepaint = true;
  SendScrollMessage(handle, kvScrollState.uScrollTimerMsg, code, pos, doSetScrollInfo);
  if (!IsWindow(handle)) return;
  sw->DontRepaint = dontRepaint;
}

void RepaintAfterNotify(TkvScrollWnd* sw, HWND handle) {
  if (!IsWindow(handle) || sw->Destroyed) return;
  UpdateScrolls(sw, true);
}

void ClearPress() {
  TkvScrollTracking& st = kvScrollState;
  st.uCurrentScrollPortion = st.uScrollTimerPortion = HTSCROLL_NONE;
  st.uCurrentScrollbar = -1;
  st.uScrollTimerId = 0;
  st.uScrollTimerMsg = 0;
}

TLResult PassOn(TkvScrollWnd* sw, HWND handle, UINT msg, TWParam wParam, TLParam lParam) {
  TLParam lp = lParam;
  return sw->CallPrevWndProc(handle, msg, wParam, lp);
}

TLResult ThumbTrack(TkvScrollBar* sbar, HWND handle, Integer x, Integer y, bool vert) {
  TkvScrollWnd* sw = sbar ? sbar->sw : nullptr;
  if (!sw) return 0;
  TkvScrollTracking& st = kvScrollState;
  const Integer but = GetScrollMetric(sbar, SM_BTNSIZE);
  const TRect& b = st.rcThumbBounds;
  const Integer trackStart = (vert ? b.Top : b.Left) + but;
  const Integer trackEnd = (vert ? b.Bottom : b.Right) - but;
  const TkvThumbDrag drag = Kv_ThumbDragStep(Kv_ScrollValues(sbar->ScrollInfo), trackStart, trackEnd, st.nThumbSize,
                                             st.nThumbMouseOffset, vert ? y : x);
  if (!drag.Tracks) return 0;
  if (drag.Position != st.nLastSBPos) {
    st.nTrackPos = drag.Position;
    Notify(sw, handle, SB_THUMBTRACK, st.nTrackPos, !vert || SetsPositionWhileDragging(sw, SB_VERT));
    if (!IsWindow(handle) || sw->Destroyed) return 0;
  }
  st.nLastSBPos = drag.Position;
  st.nThumbPos = drag.ThumbPos;
  // Painted after the notification: the control's own scroll-info update draws the system bar.
  TRect r;
  GetScrollRect(sw, sbar->nBarType, handle, r);
  RECT wr{};
  GetWindowRect(handle, &wr);
  const TRect local(r.Left - wr.left, r.Top - wr.top, r.Right - wr.left, r.Bottom - wr.top);
  const Integer along = (vert ? wr.top : wr.left);
  TWindowDC dc(handle);
  ++kvScrollPaintCounts.WindowDCs;
  Kv_DrawDraggedBar(sbar, handle, dc.get(), local, drag.ThumbPos - along, st.nThumbSize);
  return 0;
}

}  // namespace

// ---- 1. Press ----------------------------------------------------------------------------------

namespace {

// The first step of a press on an arrow or a page area: scroll once, show the portion pressed and
// start the first-delay timer. False when the bar takes no input.
bool JustDoIt(TkvScrollWnd* sw, HWND handle, TkvScrollBar* sb, const TRect& r, const TPoint& p) {
  if (!Kv_IsScrollbarActive(sb)) return false;
  TkvScrollTracking& st = kvScrollState;
  st.uScrollTimerPortion = Kv_GetPortion(sb, handle, r, p.X, p.Y);
  Kv_RepaintBar(sw, handle, st.uCurrentScrollbar, st.uScrollTimerPortion);
  Notify(sw, handle, st.uCurrentScrollPortion, 0, !IsListView(sw));
  if (!IsWindow(handle)) return false;
  st.uScrollTimerPortion = st.uCurrentScrollPortion;
  Kv_RepaintBar(sw, handle, st.uCurrentScrollbar, st.uScrollTimerPortion);
  st.uScrollTimerId = SetTimer(handle, COOLSB_TIMERID1, 300, nullptr);
  return true;
}

// The thumb's place and the bar for a drag or a jump.
void TakeThumb(TkvScrollBar* sb, const TRect& r) {
  TkvScrollTracking& st = kvScrollState;
  sb->ScrollInfo.cbSize = sizeof(SCROLLINFO);
  sb->ScrollInfo.fMask = SIF_ALL;
  if (sb->sw) GetScrollInfo(sb->sw->CtrlHandle, sb->nBarType, &sb->ScrollInfo);
  Kv_CalcThumbSize(sb, r, st.nThumbSize, st.nThumbPos);
  st.rcThumbBounds = r;
}

}  // namespace

TLResult Kv_NCLButtonDown(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam) {
  TkvScrollTracking& st = kvScrollState;
  st.hwndCurSB = handle;
  const TPoint p(int16_t(LOWORD(lParam)), int16_t(HIWORD(lParam)));
  TkvScrollBar* sb = nullptr;
  if (wParam == HTHSCROLL) {
    st.uScrollTimerMsg = WM_HSCROLL;
    st.uCurrentScrollbar = SB_HORZ;
    sb = sw->sBarHorz;
  } else if (wParam == HTVSCROLL) {
    st.uScrollTimerMsg = WM_VSCROLL;
    st.uCurrentScrollbar = SB_VERT;
    sb = sw->sBarVert;
  }
  if (!sb) {
    st.uCurrentScrollPortion = HTSCROLL_NONE;
    return PassOn(sw, handle, WM_NCLBUTTONDOWN, wParam, lParam);
  }
  TRect bar;
  GetScrollRect(sw, sb->nBarType, handle, bar);
  st.uCurrentScrollPortion = Kv_GetPortion(sb, handle, bar, p.X, p.Y);
  const bool vert = sb->nBarType == SB_VERT;
  bool captured = false;
  switch (st.uCurrentScrollPortion) {
    case HTSCROLL_LEFT: captured = !(sb->fScrollFlags & ESB_DISABLE_LTUP) && JustDoIt(sw, handle, sb, bar, p); break;
    case HTSCROLL_RIGHT: captured = !(sb->fScrollFlags & ESB_DISABLE_RTDN) && JustDoIt(sw, handle, sb, bar, p); break;
    case HTSCROLL_PAGELEFT:
    case HTSCROLL_PAGERIGHT: captured = JustDoIt(sw, handle, sb, bar, p); break;
    case HTSCROLL_PAGEGOTO: {
      // The thumb's middle jumps to the click: one SB_THUMBTRACK, no capture.
      TakeThumb(sb, RealBarRect(sw, handle, sb));
      st.nThumbMouseOffset = st.nThumbSize / 2;
      st.nLastSBPos = -1;
      ThumbTrack(sb, handle, p.X, p.Y, vert);
      break;
    }
    case HTSCROLL_THUMB:
      if (Kv_IsScrollbarActive(sb)) {
        TakeThumb(sb, RealBarRect(sw, handle, sb));
        sw->fThumbTracking = true;
        st.nTrackPos = sb->ScrollInfo.nPos;
        st.nThumbMouseOffset = (vert ? p.Y : p.X) - st.nThumbPos;
        st.nLastSBPos = sb->ScrollInfo.nPos;
        captured = true;
      }
      break;
    default: return PassOn(sw, handle, WM_NCLBUTTONDOWN, wParam, lParam);
  }
  if (!IsWindow(handle)) return 0;
  if (captured) {
    SetCapture(handle);
  } else {
    // Nothing holds the press: the control's next mouse moves and its next release are its own.
    ClearPress();
    if (!sw->Destroyed) kv_NCDraw(sw, handle, -1, nullptr);
  }
  return 0;
}

// ---- 2. Held button ----------------------------------------------------------------------------

namespace {

// The pressed portion shown pressed while the cursor (screen point p) is on it.
void FollowCursor(TkvScrollWnd* sw, HWND handle, const TPoint& p) {
  TkvScrollTracking& st = kvScrollState;
  TkvScrollBar* sb = BarOf(sw, st.uCurrentScrollbar);
  if (!sb) return;
  TRect bar;
  GetScrollRect(sw, sb->nBarType, handle, bar);
  const Integer under = Kv_GetPortion(sb, handle, bar, p.X, p.Y);
  const Integer shown = under == st.uCurrentScrollPortion ? st.uCurrentScrollPortion : HTSCROLL_NONE;
  // Repainted only when what shows pressed changes.
  if (shown == st.uScrollTimerPortion) return;
  st.uScrollTimerPortion = shown;
  Kv_RepaintBar(sw, handle, st.uCurrentScrollbar, shown);
}

// The dropped list of a combo box (no class-library control of its own, not a simple box's list)
// is the box's tracking window: the box holds the capture on it while it is down, and a release
// on its bar is no click on an item (the list would take it as a choice and close).
bool IsDroppedList(TkvScrollWnd* sw) {
  const auto* list = dynamic_cast<TkvComboListWnd*>(sw);
  return list && !list->OwnerControl() && !list->SimplyBox;
}

// The end of a thumb drag: the position it reached, then the drag is over.
void EndThumbDrag(TkvScrollWnd* sw, HWND handle, Integer last) {
  Notify(sw, handle, SB_THUMBPOSITION, last, !IsListView(sw));
  sw->fThumbTracking = false;
}

}  // namespace

TLResult Kv_MouseMove(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam) {
  TkvScrollTracking& st = kvScrollState;
  if (sw->fThumbTracking) {
    const TPoint p = MessagePoint();
    return st.uCurrentScrollbar == SB_HORZ ? Kv_ThumbTrackHorz(sw->sBarHorz, handle, p.X, p.Y)
                                           : Kv_ThumbTrackVert(sw->sBarVert, handle, p.X, p.Y);
  }
  if (st.uCurrentScrollPortion == HTSCROLL_NONE || st.hwndCurSB != handle)
    return PassOn(sw, handle, WM_MOUSEMOVE, wParam, lParam);
  if (st.uCurrentScrollPortion <= HTSCROLL_PAGERIGHT || st.uCurrentScrollPortion == HTSCROLL_THUMB)
    FollowCursor(sw, handle, MessagePoint());
  return 0;
}

TLResult Kv_LButtonUp(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam) {
  TkvScrollTracking& st = kvScrollState;
  if (st.uCurrentScrollPortion == HTSCROLL_NONE || st.hwndCurSB != handle)
    return PassOn(sw, handle, WM_LBUTTONUP, wParam, lParam);
  const bool droppedList = IsDroppedList(sw);
  // A list marked with Tag -1 gives the capture back all the same.
  if (!droppedList || sw->Tag == -1) {
    st.bReleasing = true;
    ReleaseCapture();
    st.bReleasing = false;
  }
  const Integer portion = st.uCurrentScrollPortion;
  if (portion >= HTSCROLL_LEFT && portion <= HTSCROLL_PAGERIGHT) {
    KillTimer(handle, COOLSB_TIMERID1);
    KillTimer(handle, COOLSB_TIMERID2);
    // An arrow pressed while the thumb was still being dragged: the drag ends where it was.
    if (sw->fThumbTracking) EndThumbDrag(sw, handle, st.nLastSBPos);
    if (IsWindow(handle)) Notify(sw, handle, SB_ENDSCROLL, 0, !IsListView(sw));
  } else if (portion == HTSCROLL_THUMB) {
    Integer last = st.nLastSBPos;
    auto* rows = dynamic_cast<TkvComboListWnd*>(sw);
    if (TkvScrollBar* sb = BarOf(sw, st.uCurrentScrollbar); rows && rows->DBScroll && sb) {
      TRect r;
      GetScrollRect(sw, sb->nBarType, handle, r);
      Integer thumbSize = 0, thumbPos = 0;
      Kv_CalcThumbSize(sb, r, thumbSize, thumbPos);
      const TPoint p = MessagePoint();
      const bool vert = sb->nBarType == SB_VERT;
      last = Kv_RowListReleaseCode(vert ? p.Y - r.Top : p.X - r.Left, thumbSize, GetScrollMetric(sb, SM_BTNSIZE),
                                   vert ? r.Height() : r.Width());
    }
    EndThumbDrag(sw, handle, last);
    if (IsWindow(handle)) Notify(sw, handle, SB_ENDSCROLL, last, !IsListView(sw));
  }
  sw->fThumbTracking = false;
  ClearPress();
  st.nLastSBPos = -1;
  if (!IsWindow(handle)) return 0;
  RepaintAfterNotify(sw, handle);
  if (wParam != TWParam(-1)) {
    TControl* owner = sw->OwnerControl();
    const bool swallowed =
        droppedList || (owner && (owner->ClassNameIs(u"TImageEnView") || owner->ClassNameIs(u"TImageEnVect")));
    if (!swallowed) return PassOn(sw, handle, WM_LBUTTONUP, wParam, lParam);
  }
  return 0;
}

TLResult Kv_ThumbTrackHorz(TkvScrollBar* sbar, HWND handle, Integer x, Integer y) {
  return ThumbTrack(sbar, handle, x, y, false);
}

TLResult Kv_ThumbTrackVert(TkvScrollBar* sbar, HWND handle, Integer x, Integer y) {
  return ThumbTrack(sbar, handle, x, y, true);
}

// ---- 3. Timers and hover -------------------------------------------------------------------------

TLResult Kv_Timer(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam) {
  TkvScrollTracking& st = kvScrollState;
  bool passed = false;
  TLResult result = 0;
  if (st.uScrollTimerId == 0 && st.uMouseOverId == 0) {
    result = PassOn(sw, handle, WM_TIMER, wParam, lParam);
    passed = true;
    if (!IsWindow(handle)) return result;
  }
  switch (wParam) {
    case COOLSB_TIMERID3: {
      // A hover timer left on a window the mouse no longer hovers ends there.
      if (st.hwndMouseOver != handle) {
        KillTimer(handle, COOLSB_TIMERID3);
        return 0;
      }
      if (sw->fThumbTracking) return 0;
      const TPoint p = kvMousePos();
      if (!st.MouseOverRect.Contains(p)) {
        KillTimer(handle, COOLSB_TIMERID3);
        const Integer bar = st.uMouseOverScrollbar;
        st.uMouseOverId = 0;
        st.hwndMouseOver = nullptr;
        st.uMouseOverScrollbar = -1;
        st.uLastHitTestPortion = st.uHitTestPortion = HTSCROLL_NONE;
        Kv_RepaintBar(sw, handle, bar,
                      st.hwndCurSB == handle && st.uCurrentScrollbar == bar ? st.uScrollTimerPortion : HTSCROLL_NONE);
        return 0;
      }
      TkvScrollBar* sb = BarOf(sw, st.uMouseOverScrollbar);
      if (!sb) return 0;
      st.uHitTestPortion = Kv_GetPortion(sb, handle, st.MouseOverRect, p.X, p.Y);
      if (st.uHitTestPortion != st.uLastHitTestPortion) {
        const bool pressedHere = st.hwndCurSB == handle && st.uCurrentScrollbar == st.uMouseOverScrollbar;
        Kv_RepaintBar(sw, handle, st.uMouseOverScrollbar, pressedHere ? st.uScrollTimerPortion : HTSCROLL_NONE);
      }
      st.uLastHitTestPortion = st.uHitTestPortion;
      return 0;
    }
    case COOLSB_TIMERID1:
      KillTimer(handle, COOLSB_TIMERID1);
      if (st.hwndCurSB != handle || st.uCurrentScrollPortion == HTSCROLL_NONE) return 0;
      st.uScrollTimerId = SetTimer(handle, COOLSB_TIMERID2, 55, nullptr);
      return 0;
    case COOLSB_TIMERID2: {
      // A repeat timer of a press that ended elsewhere ends too.
      if (st.hwndCurSB != handle || st.uCurrentScrollPortion == HTSCROLL_NONE) {
        KillTimer(handle, COOLSB_TIMERID2);
        return 0;
      }
      FollowCursor(sw, handle, kvMousePos());
      if (st.uScrollTimerPortion != HTSCROLL_NONE) {
        Notify(sw, handle, st.uScrollTimerPortion, 0, !IsListView(sw));
        if (IsWindow(handle) && !sw->Destroyed) Kv_RepaintBar(sw, handle, st.uCurrentScrollbar, st.uScrollTimerPortion);
      }
      return 0;
    }
    default: return passed ? result : PassOn(sw, handle, WM_TIMER, wParam, lParam);
  }
}

TLResult Kv_NCMouseMove(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam) {
  TkvScrollTracking& st = kvScrollState;
  st.hwndCurSB = handle;
  const Integer bar = wParam == HTHSCROLL ? SB_HORZ : wParam == HTVSCROLL ? SB_VERT : -1;
  if (bar != -1 && (bar != st.uMouseOverScrollbar || handle != st.hwndMouseOver)) {
    // Hover moves to this (window, bar): the old window's timer and hot look end first.
    HWND old = st.hwndMouseOver;
    const Integer oldBar = st.uMouseOverScrollbar;
    if (old && old != handle) {
      KillTimer(old, COOLSB_TIMERID3);
      st.hwndMouseOver = nullptr;
      st.uMouseOverScrollbar = -1;
      if (TkvScrollWnd* oldSw = TkvScrollWnd::FromHwnd(old)) Kv_RepaintBar(oldSw, old, oldBar, HTSCROLL_NONE);
    }
    st.uLastHitTestPortion = st.uHitTestPortion = HTSCROLL_NONE;
    GetScrollRect(sw, bar, handle, st.MouseOverRect);
    st.uMouseOverScrollbar = bar;
    st.hwndMouseOver = handle;
    st.uMouseOverId = SetTimer(handle, COOLSB_TIMERID3, 20, nullptr);
    kv_NCDraw(sw, handle, -1, nullptr);
  }
  return PassOn(sw, handle, WM_NCMOUSEMOVE, wParam, lParam);
}

TLResult Kv_StyleChange(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam) {
  sw->UpdateLeftScroll();
  return PassOn(sw, handle, WM_STYLECHANGED, wParam, lParam);
}

TLResult Kv_Notify(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam) {
  return PassOn(sw, handle, WM_NOTIFY, wParam, lParam);
}

TLResult Kv_SetCursor(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam) {
  return PassOn(sw, handle, WM_SETCURSOR, wParam, lParam);
}

// ---- 4. The scroll wrapper's procedure -----------------------------------------------------------

namespace {

bool ScrollNotifyMessage(Cardinal msg) { return msg == WM_NOTIFY || msg == CN_NOTIFY; }

// Messages in which a control may set its scroll info with redraw, which makes the system paint
// its bar where the skinned one sits: 2 where the system repaints its bar whether or not the
// state changed (an edit updates its bars after every key and edit), 1 where a changed state
// tells (clicks and drags in the client area, scrolling, list messages), 0 for the rest.
Integer MayScroll(const TMessage& m) {
  switch (m.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR:
    case WM_SETTEXT:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case WM_SIZE:
    case WM_SETFONT:
    case WM_HSCROLL:
    case WM_VSCROLL: return 2;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: return 1;
    case WM_MOUSEMOVE: return (m.WParam & MK_LBUTTON) != 0 ? 1 : 0;
    default:
      if (m.Msg >= EM_GETSEL && m.Msg <= EM_GETIMESTATUS)
        return m.Msg == EM_REPLACESEL || m.Msg == EM_LINESCROLL || m.Msg == EM_SCROLL || m.Msg == EM_SCROLLCARET ? 2
                                                                                                                 : 1;
      return m.Msg >= LB_ADDSTRING && m.Msg <= LB_MSGMAX ? 1 : 0;
  }
}

// The bars' state differs from what they were last painted with.
bool ScrollInfoChanged(TkvScrollWnd* sw) {
  int code = SB_HORZ;
  for (TkvScrollBar* sb : {sw->sBarHorz, sw->sBarVert}) {
    const int barCode = code;
    code = SB_VERT;
    if (!sb || !sb->fScrollVisible) continue;
    SCROLLINFO si{sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(sw->CtrlHandle, barCode, &si);
    const SCROLLINFO& was = sb->ScrollInfo;
    if (si.nMin != was.nMin || si.nMax != was.nMax || si.nPage != was.nPage || si.nPos != was.nPos) return true;
  }
  return false;
}

void KillChildTimers(TControl* owner) {
  auto* ctrl = dynamic_cast<TWinControl*>(owner);
  if (!ctrl || !ctrl->HandleAllocated() || ctrl->ComponentState().Contains(csDestroying)) return;
  TMessage m = MakeMessage(SM_ALPHACMD, MAKEWPARAM(0, KV_KILLTIMERS), 0);
  BroadCastMsg(ctrl->Handle(), m);
}

// Messages of a skinned window; True when handled (nothing more to do).
bool SkinnedStep(TkvScrollWnd* sw, TMessage& message) {
  HWND wnd = sw->CtrlHandle;
  TsCommonData* sd = sw->SkinData;
  switch (message.Msg) {
    case WM_NOTIFY: message.Result = Kv_Notify(sw, wnd, message.WParam, message.LParam); return true;
    case WM_STYLECHANGED:
      // Our own removal of the scroll styles while the frame is computed.
      message.Result = sw->bPreventStyleChange ? 0 : Kv_StyleChange(sw, wnd, message.WParam, message.LParam);
      return true;
    case WM_NCCALCSIZE:
      message.Result = Kv_NCCalcSize(sw, wnd, message.WParam, message.LParam);
      sw->ScrollsInitialized = true;
      return true;
    case WM_NCHITTEST: message.Result = Kv_NCHitTest(sw, wnd, message.WParam, message.LParam); return true;
    case WM_NCPAINT:
      if (!IsWindowVisible(wnd)) return false;
      if (!sw->ScrollsInitialized) SetWindowPos(wnd, nullptr, 0, 0, 0, 0, 0x737);
      // The default frame painting draws the system bars from the style bits, so the skinned
      // bars are painted after it, over them.
      message.Result = sw->CallPrevWndProc(wnd, message.Msg, message.WParam, message.LParam);
      if (!sw->Destroyed && sw->ScrollsInitialized && !sw->DontRepaint && !sd->InUpdating(false))
        kv_NCDraw(sw, wnd, -1, nullptr);
      return true;
    case WM_NCMOUSEMOVE:
      message.Result = Kv_NCMouseMove(sw, wnd, message.WParam, message.LParam);
      // The system tracks the mouse over the bars it thinks it has and paints their hot look.
      if ((message.WParam == HTHSCROLL || message.WParam == HTVSCROLL) && !sw->Destroyed && IsWindow(wnd))
        kv_NCDraw(sw, wnd, -1, nullptr);
      return true;
    case WM_NCMOUSELEAVE:
      message.Result = sw->CallPrevWndProc(wnd, message.Msg, message.WParam, message.LParam);
      if (!sw->Destroyed && IsWindow(wnd)) kv_NCDraw(sw, wnd, -1, nullptr);
      return true;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (message.WParam != HTHSCROLL && message.WParam != HTVSCROLL) return false;
      message.Result = Kv_NCLButtonDown(sw, wnd, message.WParam, message.LParam);
      return true;
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONUP:
      if (message.WParam != HTHSCROLL && message.WParam != HTVSCROLL) return false;
      message.Result = 0;
      return true;
    case WM_SYSCOMMAND:
      // The system's own scroll loop over the bar it no longer draws.
      if ((message.WParam & 0xFFFF) == 0xF077) return true;
      return false;
    case WM_TIMER:
      message.Result = Kv_Timer(sw, wnd, message.WParam, message.LParam);
      if (!sw->Destroyed && !sw->DontRepaint && !sw->fThumbTracking && IsWindow(wnd)) UpdateScrolls(sw, true);
      return true;
    case WM_VSCROLL: KillChildTimers(sw->OwnerControl()); return false;
    case WM_MOUSEMOVE: message.Result = Kv_MouseMove(sw, wnd, message.WParam, message.LParam); return true;
    case WM_LBUTTONUP: message.Result = Kv_LButtonUp(sw, wnd, message.WParam, message.LParam); return true;
    case WM_CAPTURECHANGED:
      // Taking the capture the window already holds (a dropped combo list does) tells it too:
      // nothing is lost then.
      if (reinterpret_cast<HWND>(message.LParam) != wnd) Kv_EndLostPress(sw, wnd);
      return false;
    case WM_CANCELMODE: Kv_EndLostPress(sw, wnd); return false;
    default: break;
  }
  if (message.Msg != SM_ALPHACMD) return false;
  DuRiruZireziv* own = sd->GetSkinManager();
  const bool fromOwn = reinterpret_cast<DuRiruZireziv*>(message.LParam) == own;
  TControl* owner = sw->OwnerControl();
  switch (message.WParamHi) {
    case KV_SETNEWSKIN:
      if (!fromOwn) return false;
      sd->UpdateIndexes(true);
      message.Result = sw->CallPrevWndProc(wnd, message.Msg, message.WParam, message.LParam);
      AlphaBroadCast(wnd, message);
      return true;
    case KV_REMOVESKIN:
      if (fromOwn && !sw->Destroyed) sw->RestoreStdParams();
      return false;
    case KV_REFRESH:
      if (RefreshNeeded(sd, message)) {
        sd->UpdateIndexes(true);
        sd->BGChanged = true;
      }
      return false;
    case KV_ENDPARENTUPDATE:
      if (OwnerAnswersCommands(sd)) {
        message.Result = sw->CallPrevWndProc(wnd, message.Msg, message.WParam, message.LParam);
        return true;
      }
      if (sd->FUpdating && !sd->InUpdating(true)) {
        RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
        SetParentUpdated(wnd);
      }
      return true;
    case KV_CTRLHANDLED: message.Result = 1; return true;
    case KV_UPDATING: sd->FUpdating = message.WParamLo == 1; return false;
    case KV_GETLISTSW: message.Result = reinterpret_cast<TLResult>(static_cast<TkvMainWnd*>(sw)); return true;
    case KV_SETSECTION: message.Result = Kv_SetSectionCommand(sd, message.LParam); return true;
    case KV_CHILDCHANGED:
      if (OwnerAnswersCommands(sd)) {
        // The owner also writes its answer into LParam for callers that read it there.
        message.Result = message.LParam = sw->CallPrevWndProc(wnd, message.Msg, message.WParam, message.LParam);
      } else {
        message.Result = ChildBgIsChanged(sd) ? 1 : 0;
      }
      if (message.WParamLo == 1) KillChildTimers(owner);
      return true;
    case KV_GETCONTROLCOLOR:
      message.Result = sw->CallPrevWndProc(wnd, message.Msg, message.WParam, message.LParam);
      if (message.Result == 0) message.Result = TLResult(GetBGColor(sd, 0));
      return true;
    case KV_PREPARECACHE:
      message.Result = sw->CallPrevWndProc(wnd, message.Msg, message.WParam, message.LParam);
      if (sd->BGChanged && !sd->GetUpdating() && message.Result != -2) {
        InitCtrlData(wnd, sw->ParentWnd, sw->WndRect, sw->WndPos, sw->WndSize, sw->ParentRect);
        PrepareCache(sd, wnd, sw->DlgMode);
        UpdateWndCorners(sd, 0, sw);
      }
      return true;
    case KV_MOUSEENTER:
    case KV_MOUSELEAVE: {
      TMessage m = MakeMessage(message.WParamHi == KV_MOUSEENTER ? CM_MOUSEENTER : CM_MOUSELEAVE, 0, 0);
      CommonWndProc(m, sd);
      return true;
    }
    case KV_GETBG:
      message.Result = sw->CallPrevWndProc(wnd, message.Msg, message.WParam, message.LParam);
      if (auto* info = reinterpret_cast<TkvBGInfo*>(message.LParam); info && info->BgType == btUnknown)
        InitBGInfo(sd, info, 0);
      return true;
    case KV_GETSKINDATA: message.Result = reinterpret_cast<TLResult>(sd); return true;
    case KV_GETAPPLICATION: message.Result = reinterpret_cast<TLResult>(Application); return true;
    case KV_GETFONTINDEX: {
      auto* info = reinterpret_cast<TkvPaintInfo*>(message.LParam);
      if (!info) return true;
      if (!NeedParentFont(sd, info->State)) {
        if (sw->CallPrevWndProc(wnd, message.Msg, message.WParam, message.LParam) == 0) info->FontIndex = sd->SkinIndex;
        message.Result = 1;
      } else if (owner && owner->Parent()) {
        message.Result = GetFontIndex(owner->Parent(), info);
      } else {
        message.Result = GetFontIndex(GetParent(sd->FSWHandle), info);
      }
      return true;
    }
    case KV_GETSCALE: message.Result = sd->CurrentPPI; return true;
    default: return false;
  }
}

}  // namespace

void TkvScrollWnd::kvWndProc(TMessage& message) {
  HWND wnd = CtrlHandle;
  switch (message.Msg) {
    case WM_SETTINGCHANGE:
    case WM_DPICHANGED:
    case WM_THEMECHANGED:
    case SM_ALPHACMD:
      // The bars' sizes may follow.
      Kv_ForgetScrollMetrics(this);
      break;
    default: break;
  }
  switch (message.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY:
      if (Destroyed) break;
      // The timers and the press go with the window; the detach itself is the base's.
      Kv_ResetScrollTracking(wnd);
      TkvMainWnd::kvWndProc(message);
      return;
    case WM_UPDATEUISTATE: return;
    case WM_CONTEXTMENU:
      if (SkinData) {
        TControl* owner = OwnerControl();
        DuRiruZireziv* manager = SkinData->GetSkinManager();
        auto* menus = TkvServiceSlot<TkvMenuServices>::Get();
        if (owner && owner->PopupMenu() && manager && menus)
          menus->HookPopupMenu(owner->PopupMenu(), manager->Active());
      }
      break;
    case WM_STYLECHANGED: UpdateLeftScroll(); break;
    case CM_RECREATEWND:
      if (!IsWindowVisible(wnd)) {
        auto* combo = dynamic_cast<TCustomComboBox*>(OwnerControl());
        if (combo && combo->Name().empty()) return;
      }
      break;
    default: break;
  }
  if (Destroyed) {
    if (ScrollNotifyMessage(message.Msg))
      message.Result = CallPrevWndProc(wnd, message.Msg, message.WParam, message.LParam);
    return;
  }
  if (SkinData && SkinData->Skinned()) {
    if (SkinnedStep(this, message)) return;
    message.Result = CallPrevWndProc(wnd, message.Msg, message.WParam, message.LParam);
    if (Destroyed || !IsWindow(wnd)) return;
    switch (message.Msg) {
      case WM_MOUSEWHEEL:
      case CM_MOUSEWHEEL:
        // The control may have set its scroll info with redraw.
        if (!DontRepaint) UpdateScrolls(this, true);
        break;
      case CM_FOCUSCHANGED:
        if (SkinData->FFocused) UpdateScrolls(this, true);
        break;
      case CM_BIDIMODECHANGED:
        UpdateLeftScroll();
        SetWindowPos(wnd, nullptr, 0, 0, 0, 0, 0x737);
        break;
      default:
        if (!DontRepaint && !fThumbTracking) {
          const Integer may = MayScroll(message);
          if (may == 2 || (may == 1 && ScrollInfoChanged(this))) UpdateScrolls(this, true);
        }
        break;
    }
    return;
  }
  // Not skinned.
  if (message.Msg == SM_ALPHACMD && SkinData) {
    switch (message.WParamHi) {
      case KV_SETNEWSKIN:
        if (reinterpret_cast<DuRiruZireziv*>(message.LParam) == SkinData->GetSkinManager())
          SkinData->UpdateIndexes(true);
        break;
      case KV_REMOVESKIN:
        // A derived wrapper may have let the skin data drop the skin before the message got
        // here: the control's own values still come back.
        if (reinterpret_cast<DuRiruZireziv*>(message.LParam) == SkinData->GetSkinManager()) RestoreStdParams();
        break;
      case KV_GETPROVIDER:
        // Skin data of a form's skin provider answers with the provider.
        // (as the provider itself answers: its form-provider face, not the object's start)
        if (auto* provider = dynamic_cast<TkvFormProvider*>(SkinData->FOwnerObject))
          message.Result = reinterpret_cast<TLResult>(provider);
        return;
      case KV_GETSKINDATA: message.Result = reinterpret_cast<TLResult>(SkinData); return;
      default: break;
    }
  }
  message.Result = CallPrevWndProc(wnd, message.Msg, message.WParam, message.LParam);
}
