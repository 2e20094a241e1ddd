#include "skin/sVclUtils.h"

#include <windows.h>

#include <optional>

#include "base/EngineState.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "raster/Blend.h"
#include "skin/SkinState.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "ui/ComCtrls.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/WinHandles.h"

// ---- Skin command transport -----------------------------------------------------------

TMessage MakeMessage(Cardinal msg, uintptr_t wParam, intptr_t lParam, intptr_t result) {
  TMessage m;
  m.Msg = msg;
  m.WParam = wParam;
  m.LParam = lParam;
  m.Result = result;
  return m;
}

namespace {
// The engine's own skin command on its way: the receiver obeys it even while this thread is
// answering another thread's message (the receivers' gate lets nothing else through then).
struct TOwnCommandScope {
  TOwnCommandScope(Cardinal msg, uintptr_t wParam, intptr_t lParam) {
    if (msg == SM_ALPHACMD) own.emplace(wParam, lParam);
  }
  std::optional<TkvOwnDelivery> own;
};
}  // namespace

intptr_t TrySendMessage(HWND handle, Cardinal msg, uintptr_t wParam, intptr_t lParam) {
  TOwnCommandScope own(msg, wParam, lParam);
  TsCommonData* sd = GetCommonData(handle);
  if (sd && sd->WndProc) {
    // The direct call skips the system's dispatch for the frequent queries.
    TMessage m = MakeMessage(msg, wParam, lParam);
    try {
      sd->WndProc(m);
    } catch (const std::exception& e) {
      // The system's dispatch would have handed the error to the application: so does the
      // direct call, and the message is not handled.
      if (Application) Application->HandleException(sd->FOwnerObject, &e);
      return 0;
    } catch (...) {
      if (Application) Application->HandleException(sd->FOwnerObject, nullptr);
      return 0;
    }
    return m.Result;
  }
  return SendMessageW(handle, msg, wParam, lParam);
}

intptr_t SendAMessage(HWND handle, Word command, intptr_t lParam) {
  return TrySendMessage(handle, SM_ALPHACMD, static_cast<uintptr_t>(command) << 16, lParam);
}

bool GetBoolMsg(HWND handle, Word command) { return SendAMessage(handle, command, 0) == 1; }

intptr_t TrySendMessage(TControl* control, Cardinal msg, uintptr_t wParam, intptr_t lParam) {
  TOwnCommandScope own(msg, wParam, lParam);
  auto* win = dynamic_cast<TWinControl*>(control);
  if (!win) return control ? control->Perform(msg, wParam, lParam) : 0;
  if (win->ComponentState().Contains(csDestroying) || !win->HandleAllocated()) return 0;
  HWND handle = win->WindowHandle();
  TsCommonData* sd = GetCommonData(handle);
  if (sd && !sd->WndProc && sd->FOwnerControl) {
    // The first delivery saves the control's procedure; later ones by handle call it directly.
    sd->WndProc = win->WindowProc();
    TMessage m = MakeMessage(msg, wParam, lParam);
    sd->WndProc(m);
    return m.Result;
  }
  return SendMessageW(handle, msg, wParam, lParam);
}

intptr_t SendAMessage(TControl* control, Word command, intptr_t lParam) {
  return TrySendMessage(control, SM_ALPHACMD, static_cast<uintptr_t>(command) << 16, lParam);
}

bool GetBoolMsg(TControl* control, Word command) { return (SendAMessage(control, command, 0) & 0xFF) != 0; }

void AlphaBroadCast(TWinControl* control, TMessage& message) {
  // The count is read anew at every step: a receiver may add or remove children.
  for (Integer i = 0; i < control->ControlCount(); ++i) {
    TControl* child = control->Controls(i);
    // A child on its way out gets nothing, but its siblings still must hear of the change.
    if (child->ComponentState().Contains(csDestroying)) continue;
    auto* win = dynamic_cast<TWinControl*>(child);
    if (win && win->HandleAllocated()) {
      TrySendMessage(win->WindowHandle(), message.Msg, message.WParam, message.LParam);
      if (!WndIsSkinned(win->WindowHandle())) AlphaBroadCast(win, message);
    } else {
      child->Perform(message.Msg, message.WParam, message.LParam);
    }
  }
}

namespace {
struct ChildBroadcast {
  HWND parent;
  TMessage* message;
};
}  // namespace

int __stdcall SendToChildren(HWND child, intptr_t data) {
  auto* b = reinterpret_cast<ChildBroadcast*>(data);
  if (GetParent(child) == b->parent) TrySendMessage(child, b->message->Msg, b->message->WParam, b->message->LParam);
  return TRUE;
}

void AlphaBroadCast(HWND handle, TMessage& message) {
  ChildBroadcast b{handle, &message};
  EnumChildWindows(handle, reinterpret_cast<WNDENUMPROC>(&SendToChildren), reinterpret_cast<LPARAM>(&b));
}

void BroadCastMsg(HWND handle, TMessage& message) {
  for (HWND child = GetTopWindow(handle); child; child = GetWindow(child, GW_HWNDNEXT))
    if (GetWindowLongW(child, GWL_STYLE) & WS_CHILD) TrySendMessage(child, message.Msg, message.WParam, message.LParam);
}

void SetParentUpdated(HWND pHwnd) {
  for (HWND child = GetTopWindow(pHwnd); child; child = GetWindow(child, GW_HWNDNEXT))
    if (GetWindowLongW(child, GWL_STYLE) & WS_CHILD) SendAMessage(child, KV_ENDPARENTUPDATE);
}

void SetRedraw(HWND handle, Integer value) { TrySendMessage(handle, WM_SETREDRAW, static_cast<uintptr_t>(value), 0); }

// ---- Windows and geometry -------------------------------------------------------------

namespace {
TRect ToRect(const RECT& r) { return TRect(r.left, r.top, r.right, r.bottom); }
}  // namespace

TPoint GetClientPos(HWND handle) {
  RECT wr{};
  GetWindowRect(handle, &wr);
  POINT p{wr.left, wr.top};
  ScreenToClient(handle, &p);
  return TPoint(-p.x, -p.y);
}

TRect kvClientRect(HWND handle) {
  RECT cr{}, wr{};
  GetClientRect(handle, &cr);
  GetWindowRect(handle, &wr);
  POINT origin{0, 0};
  ClientToScreen(handle, &origin);
  OffsetRect(&cr, origin.x - wr.left, origin.y - wr.top);
  return ToRect(cr);
}

namespace {
struct FirstWorkArea {
  POINT point;
  bool found;
  RECT work;
};

BOOL CALLBACK FindWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto* f = reinterpret_cast<FirstWorkArea*>(data);
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  if (GetMonitorInfoW(monitor, &mi) && PtInRect(&mi.rcWork, f->point)) {
    f->found = true;
    f->work = mi.rcWork;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

TRect kvWorkRect(TPoint coord) {
  FirstWorkArea f{{coord.X, coord.Y}, false, {}};
  EnumDisplayMonitors(nullptr, nullptr, FindWorkArea, reinterpret_cast<LPARAM>(&f));
  if (f.found) return ToRect(f.work);
  // Outside every work area (on a taskbar, beyond the desktop): the nearest monitor's, so that
  // what is placed there stays on a screen instead of at its corner.
  MONITORINFO mi{};
  mi.cbSize = sizeof(mi);
  if (GetMonitorInfoW(MonitorFromPoint(f.point, MONITOR_DEFAULTTONEAREST), &mi)) return ToRect(mi.rcWork);
  return TRect();
}

HWND TopWndAfter() { return HWND_TOPMOST; }

String GetWndClassName(HWND hwnd) {
  wchar_t buf[128];
  const int len = GetClassNameW(hwnd, buf, 128);
  return String(reinterpret_cast<const Char*>(buf), len > 0 ? static_cast<size_t>(len) : 0);
}

String GetWndText(HWND hwnd) {
  const int len = GetWindowTextLengthW(hwnd);
  if (len <= 0) return String();
  std::wstring buf(static_cast<size_t>(len) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, buf.data(), len + 1);
  return String(reinterpret_cast<const Char*>(buf.data()), got > 0 ? static_cast<size_t>(got) : 0);
}

HWND GetRootParent(HWND handle) {
  for (HWND parent = GetParent(handle); parent; parent = GetParent(handle)) handle = parent;
  return handle;
}

HWND GetParentFormHandle(HWND ctrlHandle) { return GetRootParent(ctrlHandle); }

bool ContainsWnd(HWND aHandle, HWND aParent) {
  for (HWND h = aHandle; h; h = GetParent(h))
    if (h == aParent) return true;
  return false;
}

bool RectIsOverlapped(HWND aWnd, const TRect& aRect) {
  for (HWND w = GetWindow(aWnd, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) {
    // Glows, shadows and animation surfaces never count as cover.
    if (!IsWindowVisible(w) || (GetWindowLongW(w, GWL_EXSTYLE) & (WS_EX_LAYERED | WS_EX_TRANSPARENT)) != 0) continue;
    RECT r{};
    GetWindowRect(w, &r);
    if (RectInRect(ToRect(r), aRect, true)) return true;
  }
  return false;
}

// ---- Mouse and PPI --------------------------------------------------------------------

TPoint kvMousePos() {
  POINT p{};
  if (!GetCursorPos(&p)) return TPoint(0, 0);
  return TPoint(p.x, p.y);
}

bool kvMouseInControlDC(HWND handle) {
  if (!IsWindowVisible(handle)) return false;
  RECT clip{};
  const int kind = GetClipBox(TWindowDC(handle), &clip);
  if (kind != SIMPLEREGION) return false;
  RECT wr{};
  GetWindowRect(handle, &wr);
  OffsetRect(&clip, wr.left, wr.top);
  POINT cursor{};
  GetCursorPos(&cursor);
  return PtInRect(&clip, cursor) != FALSE;
}

void EnableNCDpiScaling(HWND wndHandle) {
  if (!IsWin10Up()) return;
  const UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  const TOwnedModule user32(LoadLibraryW(L"user32.dll"));
  SetErrorMode(oldMode);
  if (!user32) return;
  using EnableNonClientDpiScalingFn = BOOL(WINAPI*)(HWND);
  if (auto fn = reinterpret_cast<EnableNonClientDpiScalingFn>(
          reinterpret_cast<void*>(GetProcAddress(user32.get(), "EnableNonClientDpiScaling"))))
    if (!fn(wndHandle)) CheckLastError();
}

// ---- Module state ---------------------------------------------------------------------

HMODULE& uxthemeLib = kvSystem.uxthemeLib;
TkvSetWindowTheme& kv_SetWindowTheme = kvSystem.kv_SetWindowTheme;

void sVclUtilsStartup() {
  kvThemeServices = StyleServices();
  HMODULE lib = LoadLibraryW(L"UXTHEME");
  uxthemeLib = reinterpret_cast<uintptr_t>(lib) <= 32 ? nullptr : lib;
  if (uxthemeLib)
    kv_SetWindowTheme =
        reinterpret_cast<TkvSetWindowTheme>(reinterpret_cast<void*>(GetProcAddress(uxthemeLib, "SetWindowTheme")));
}

void sVclUtilsCleanup() {
  if (uxthemeLib) FreeLibrary(uxthemeLib);
  uxthemeLib = nullptr;
}

// ---- Colours and the parent background ------------------------------------------------

TColor GetControlColor(TControl* control) {
  if (!control) return 0xFF00FF;
  if (CtrlIsSkinned(control, true))
    return ColorToRGB(static_cast<TColor>(control->Perform(SM_ALPHACMD, KV_GETCONTROLCOLOR_HI, 0xFF00FF)));
  return ColorToRGB(control->Color());
}

TColor GetControlColor(HWND handle) {
  if (!handle) return 0xFF00FF;
  return ColorToRGB(static_cast<TColor>(TrySendMessage(handle, SM_ALPHACMD, KV_GETCONTROLCOLOR_HI, 0xFF00FF)));
}

namespace {

// The window or control paints its own background into the record's device context, moved so
// that the asker's rectangle lands where the asker wants it.
template <typename Send>
void PaintParentInto(TkvBGInfo* info, Send send) {
  HDC dc = info->DrawDC;
  TSaveDC saved(dc);
  POINT origin{};
  GetViewportOrgEx(dc, &origin);
  SetViewportOrgEx(dc, origin.x - info->Offset.X, origin.y - info->Offset.Y, nullptr);
  // The clip moves with the origin; the record's rectangle stays the asker's, so that the same
  // record can ask again (the next frame of an animation) without drifting.
  const TRect r = OffsRect(info->R, info->Offset.X, info->Offset.Y);
  IntersectClipRect(dc, r.Left, r.Top, r.Right, r.Bottom);
  send(WM_ERASEBKGND);
  send(WM_PAINT);
}

void Reset(TkvBGInfo* info, bool pleaseDraw) {
  info->BgType = btUnknown;
  info->PleaseDraw = pleaseDraw;
  info->FillRect = TRect(0, 0, 0, 0);
}

}  // namespace

bool GetBGInfo(TkvBGInfo* info, HWND handle, bool pleaseDraw) {
  Reset(info, pleaseDraw);
  SendAMessage(handle, KV_GETBG, reinterpret_cast<intptr_t>(info));
  if (info->BgType != btUnknown) return true;
  info->Offset = GetClientPos(handle);
  if (pleaseDraw) {
    PaintParentInto(info, [&](UINT msg) { SendMessageW(handle, msg, reinterpret_cast<WPARAM>(info->DrawDC), 0); });
    return false;
  }
  if (DefaultManager && DefaultManager->IsActive())
    info->Color = DefaultManager->GetGlobalColor();
  else if (TWinControl* control = FindControl(handle))
    info->Color = GetControlColor(control);
  else
    info->Color = clBtnFace;
  info->BgType = btFill;
  return false;
}

bool GetBGInfo(TkvBGInfo* info, TControl* control, bool pleaseDraw) {
  info->Bmp = nullptr;
  Reset(info, pleaseDraw);
  SendAMessage(control, KV_GETBG, reinterpret_cast<intptr_t>(info));
  if (info->BgType != btUnknown) return true;
  if (pleaseDraw) {
    PaintParentInto(info, [&](UINT msg) { control->Perform(msg, reinterpret_cast<WPARAM>(info->DrawDC), 0); });
    return true;
  }
  info->BgType = btFill;
  const auto answer = static_cast<TColor>(control->Perform(SM_ALPHACMD, KV_GETCONTROLCOLOR_HI, 0));
  info->Color = answer != 0 ? answer : ColorToRGB(control->Color());
  return true;
}

TCacheInfo BGInfoToCI(const TkvBGInfo* info) {
  if (info->BgType == btCache) return MakeCacheInfo(info->Bmp, info->Offset.X, info->Offset.Y);
  return TCacheInfo{info->Bmp, info->Offset.X, info->Offset.Y, ColorToRGB(info->Color), info->FillRect, false};
}

// ---- Controls -------------------------------------------------------------------------

TPoint kvMousePos(TControl* ctrl) {
  const TPoint p = kvMousePos();
  if (!ctrl) return p;
  const TRect r = GetCtrlScreenBounds(ctrl);
  return TPoint(kvSub(p.X, r.Left), kvSub(p.Y, r.Top));
}

TRect GetCtrlScreenBounds(TControl* ctrl) {
  if (auto* win = dynamic_cast<TWinControl*>(ctrl)) {
    RECT r{};
    GetWindowRect(win->Handle(), &r);
    return TRect(r.left, r.top, r.right, r.bottom);
  }
  const TPoint p = ctrl->Parent()->ClientOrigin();
  return OffsRect(TRect(0, 0, ctrl->Width(), ctrl->Height()), kvAdd(ctrl->Left(), p.X), kvAdd(ctrl->Top(), p.Y));
}

bool ControlIsReady(TControl* control) {
  if (!control || !control->Parent()) return false;
  if (auto* win = dynamic_cast<TWinControl*>(control); win && !win->HandleAllocated()) return false;
  const TComponentState cs = control->ComponentState();
  if (cs.Contains(csLoading) || cs.Contains(csDestroying)) return false;
  const TControlState st = control->ControlState();
  return !st.Contains(csReadingState) && !st.Contains(csCreating);
}

TCustomForm* GetOwnerForm(TComponent* component) {
  for (TComponent* c = component; c; c = c->Owner())
    if (auto* form = dynamic_cast<TCustomForm*>(c)) return form;
  return nullptr;
}

TRect kvWorkRect(TForm* form) { return form->Monitor()->WorkareaRect(); }

void SetParentUpdated(TWinControl* wc) {
  if (wc->ComponentState().Contains(csDesigning) || InAnimationProcess) return;
  for (Integer i = 0; i < wc->ControlCount(); ++i) {
    TControl* child = wc->Controls(i);
    if (child->ComponentState().Contains(csDestroying)) continue;
    if (auto* win = dynamic_cast<TWinControl*>(child)) {
      if (win->HandleAllocated() && win->Showing())
        TrySendMessage(win->WindowHandle(), SM_ALPHACMD, KV_ENDPARENTUPDATE_HI, 0);
    } else {
      child->Perform(SM_ALPHACMD, KV_ENDPARENTUPDATE_HI, 0);
    }
  }
}

void AddToAdapter(TWinControl* ctrl) {
  if (!ctrl) return;
  const TComponentState cs = ctrl->ComponentState();
  if (cs.Contains(csLoading) || cs.Contains(csDesigning)) return;
  if (TCustomForm* form = GetParentForm(ctrl, true); form && form->HandleAllocated())
    TrySendMessage(form->WindowHandle(), SM_ALPHACMD, Cardinal{KV_CONTROLLOADED} << 16,
                   reinterpret_cast<intptr_t>(ctrl));
}

// ---- PPI, mouse and visibility of controls --------------------------------------------

bool kvMouseInControl(TControl* control) {
  if (!control || !control->Visible()) return false;
  const TPoint cursor = kvMousePos();
  const POINT pt{cursor.X, cursor.Y};
  auto* win = dynamic_cast<TWinControl*>(control);
  if (win) {
    if (!win->HandleAllocated()) return false;
    RECT wr{};
    GetWindowRect(win->WindowHandle(), &wr);
    if (!PtInRect(&wr, pt)) return false;
    // Under the cursor must be the control's window or one inside it.
    HWND under = WindowFromPoint(pt);
    return !under || ContainsWnd(under, win->WindowHandle());
  }
  TWinControl* parent = control->Parent();
  if (!parent || !parent->HandleAllocated()) return false;
  TCustomForm* form = GetParentForm(control, true);
  if (form) {
    // A form blocked by a modal window takes no hover.
    if (Application && Application->ModalLevel() > 0 && Screen && Screen->ActiveForm() != form &&
        form->HandleAllocated() && (GetWindowLongW(form->WindowHandle(), GWL_STYLE) & WS_POPUP) == 0)
      return false;
  } else if (!IsWindowEnabled(GetRootParent(parent->WindowHandle()))) {
    return false;
  }
  const TPoint local = control->ScreenToClient(cursor);
  if (!TRect(0, 0, control->Width(), control->Height()).Contains(local)) return false;
  // Only graphic controls are drawn into the parent's visible area; any other windowless
  // control has nothing on screen that the mouse could be over.
  if (!dynamic_cast<TGraphicControl*>(control)) return false;
  // Only what the parent's visible area shows counts.
  HDC dc = GetDC(parent->WindowHandle());
  RECT clip{};
  const int kind = GetClipBox(dc, &clip);
  ReleaseDC(parent->WindowHandle(), dc);
  if (kind == ERROR) return false;
  const Integer x = local.X + control->Left(), y = local.Y + control->Top();
  return x >= clip.left && x <= clip.right && y >= clip.top && y <= clip.bottom;
}

TControl* CtrlUnderMouse() {
  if (DefaultManager && DefaultManager->ActiveGraphControl()) return DefaultManager->ActiveGraphControl();
  const TPoint cursor = kvMousePos();
  TWinControl* win = FindVCLWindow(WindowFromPoint(POINT{cursor.X, cursor.Y}));
  if (!win) return nullptr;
  const TPoint p = win->ScreenToClient(cursor);
  for (Integer i = win->ControlCount() - 1; i >= 0; --i) {
    TControl* c = win->Controls(i);
    if (c->Visible() && c->BoundsRect().Contains(p)) return c;
  }
  return win;
}

bool CtrlIsOverlapped(TControl* ctrl) {
  if (!ctrl) return false;
  auto* win = dynamic_cast<TWinControl*>(ctrl);
  TCustomForm* form = GetParentForm(win ? ctrl : ctrl->Parent(), true);
  if (!form || !form->HandleAllocated()) return false;
  return RectIsOverlapped(form->WindowHandle(), GetCtrlScreenBounds(ctrl));
}

bool CtrlDCIsVisible(TControl* ctrl) {
  TWinControl* win = dynamic_cast<TWinControl*>(ctrl);
  if (!win && ctrl) win = ctrl->Parent();
  if (!win || !win->HandleAllocated()) return false;
  RECT clip{};
  const int kind = GetClipBox(TWindowDC(win->WindowHandle()), &clip);
  return kind > NULLREGION;
}

// ---- Walks over controls --------------------------------------------------------------

void IterateControls(TWinControl* owner, Integer data, const TkvControlProc& callBack) {
  for (Integer i = 0; i < owner->ControlCount(); ++i) {
    TControl* c = owner->Controls(i);
    callBack(c, data);
    if (auto* win = dynamic_cast<TWinControl*>(c)) IterateControls(win, data, callBack);
  }
}

bool IterateControls(TWinControl* owner, Integer data, const TkvControlFunc& callBack) {
  for (Integer i = 0; i < owner->ControlCount(); ++i) {
    TControl* c = owner->Controls(i);
    Integer copy = data;
    if (callBack(c, copy)) return true;
    if (auto* win = dynamic_cast<TWinControl*>(c); win && IterateControls(win, copy, callBack)) return true;
  }
  return false;
}

void UpdateGlassMode(TControl* ctrl, bool childInclude) {
  if (!ctrl) return;
  TWinControl* parent = ctrl->Parent();
  if (!parent || !parent->HandleAllocated() || parent->ComponentState().Contains(csLoading)) return;
  TsCommonData* sd = GetCommonData(parent->WindowHandle());
  // A tab sheet without skin data of its own takes the mode of its page control's.
  if (!sd)
    if (auto* sheet = dynamic_cast<TTabSheet*>(parent); sheet && sheet->Parent() && sheet->Parent()->HandleAllocated())
      sd = GetCommonData(sheet->Parent()->WindowHandle());
  if (!sd || sd->TranspMode == 0) return;
  ctrl->Perform(SM_ALPHACMD, Cardinal{KV_SETGLASSMODE} << 16,
                static_cast<intptr_t>(static_cast<Cardinal>(sd->TranspMode) << 16 | (childInclude ? 1u : 0u)));
}

Cardinal GetTransMode(TsCommonData* aSkinData, Integer aSkinIndex, Integer aState) {
  if (!aSkinData || aSkinData->TranspMode == 0 || !aSkinData->FOwnerControl) return 0;
  const Integer index = aSkinIndex < 0 ? aSkinData->SkinIndex : aSkinIndex;
  if (index < 0) return 0;
  if (aSkinData->FOpaqueMode == omAlphaChannel) return 2;
  if (aSkinData->TranspMode != 1 && NeedParentFont(aSkinData->GetSkinManager(), index, aState, nullptr)) return 2;
  return 1;
}

bool FontsEqual(TFont* font1, TFont* font2) {
  return font1->Style() == font2->Style() && font1->Size() == font2->Size() && font1->Color() == font2->Color() &&
         font1->Name() == font2->Name();
}

bool IsCustomFont(TControl* ctrl, TFont* aFont, bool saveColor) {
  TFont reference;
  if (ctrl && ctrl->Parent()) {
    // In a frame, a control that does not take the frame's font has a font of its own.
    if (dynamic_cast<TCustomFrame*>(ctrl->Parent()) && !ctrl->ParentFont()) return true;
    reference.Assign(ctrl->Parent()->Font());
    if (!saveColor) reference.SetColor(ctrl->Font()->Color());
  } else if (!saveColor) {
    reference.SetColor(aFont->Color());
  }
  return !FontsEqual(&reference, aFont);
}

// ---- Rectangles and points of controls, links -----------------------------------------

TRect MkRect(TControl* ctrl) { return TRect(0, 0, ctrl->Width(), ctrl->Height()); }
TPoint MkPoint(TControl* ctrl) { return TPoint(ctrl->Left(), ctrl->Top()); }

void AddObjLink(TObject* obj, TControl* container) {
  container->Perform(SM_ALPHACMD, Cardinal{KV_LINKOBJ} << 16 | 1, reinterpret_cast<intptr_t>(obj));
}

void DelObjLink(TObject* obj, TControl* container) {
  container->Perform(SM_ALPHACMD, Cardinal{KV_LINKOBJ} << 16, reinterpret_cast<intptr_t>(obj));
}

// ---- Alignment tables ----------------------------------------------------------------

const Cardinal ShowCommands[3] = {SW_SHOWNORMAL, SW_SHOWMINNOACTIVE, SW_SHOWMAXIMIZED};

Cardinal GetStringFlags(TControl* control, TAlignment al) {
  const Cardinal flags = AlignToInt[al] | DT_EXPANDTABS | DT_VCENTER;
  return control ? control->DrawTextBiDiModeFlags(flags) : flags;
}

Integer GetAlignShift(TWinControl* ctrl, TAlign align, bool graphCtrlsToo) {
  if (!ctrl) return 0;
  Integer shift = 0;
  for (Integer i = 0; i < ctrl->ControlCount(); ++i) {
    TControl* c = ctrl->Controls(i);
    if (!c->Visible() || c->Align() != align) continue;
    if (!graphCtrlsToo && dynamic_cast<TGraphicControl*>(c)) continue;
    switch (align) {
      case alTop:
      case alBottom: shift = kvAdd(shift, c->Height()); break;
      case alLeft:
      case alRight: shift = kvAdd(shift, c->Width()); break;
      default: break;
    }
  }
  return shift;
}

// ---- The output window ----------------------------------------------------------------

TOutputWindow*& ow = kvSkinState.ow;

TW_DEFINE_CLASS(TOutputWindow) {}

TOutputWindow::TOutputWindow(TComponent* aOwner) : TCustomControl(aOwner) {
  // Two made within one tick under the same owner would share a name (the owner refuses the
  // second): a count of the windows made so far keeps every name apart.
  static Cardinal made = 0;
  const String name = u"kvOW" + IntToStr(GetTickCount()) + u"_" + IntToStr(Integer(++made));
  SetName(name);
  SetText(name);
  SetVisible(false);
  SetColor(0xFF00FF);
  SetTag(ExceptTag);
}

void TOutputWindow::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  if (Parent() || ParentWindow()) return;
  params.Style = WS_POPUP;
  if (auto* owner = dynamic_cast<TWinControl*>(Owner());
      owner && owner->HandleAllocated() && (GetWindowLongW(owner->WindowHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST))
    params.ExStyle |= WS_EX_TOPMOST;
  params.WndParent = Application ? Application->Handle() : nullptr;
}

void TOutputWindow::WndProc(TMessage& m) {
  // Its picture comes only from what the animation paints into it.
  if (m.Msg == WM_ERASEBKGND) {
    m.Result = 1;
    return;
  }
  if (m.Msg == WM_NCPAINT) {
    m.Result = 0;
    return;
  }
  TCustomControl::WndProc(m);
}

// ---- Skin colours of colour constants ---------------------------------------------------

namespace {

// The colour of a look of a standard section of the 96-PPI skin data; fallback when the skin
// has no such section.
Integer SectionColor(DuRiruZireziv* m, TkvSection section, Integer look, bool font, TColor fallback) {
  const Integer index = m->SkinCommonInfo.Sections[section];
  TkvSkinData* sd = m->CommonSkinData(96);
  if (index < 0 || index >= static_cast<Integer>(sd->gd.size())) return static_cast<Integer>(fallback);
  const TsGenState& s = sd->gd[static_cast<size_t>(index)].Props[static_cast<size_t>(look)];
  return font ? s.FontColor.Color : s.Color;
}

}  // namespace

Integer kvColorToRGB(Integer value, TObject* skinManager) {
  if (value >= 0) return static_cast<Integer>(ColorToRGB(static_cast<TColor>(value)));
  auto* m = skinManager ? dynamic_cast<DuRiruZireziv*>(skinManager) : DefaultManager;
  if (!m || (!m->IsActive() && !m->ManagerState.Contains(msSkinChanging))) return UnskinnedColorToRGB(value);
  const TkvPalette& p = m->Palette;
  auto pal = [&](TkvPaletteColors c) { return static_cast<Integer>(p[c]); };
  switch (static_cast<TColor>(value)) {
    case clScrollBar:
    case clBackground:
    case clMenu:
    case clAppWorkSpace:
    case clBtnFace:
    case clMenuBar:
    case slMainColor: return pal(pcMainColor);
    case clActiveCaption:
    case clGradientActiveCaption: return SectionColor(m, ssFormTitle, 1, false, p[pcMainColor]);
    case clInactiveCaption:
    case clGradientInactiveCaption: return SectionColor(m, ssFormTitle, 0, false, p[pcMainColor]);
    case clWindow: return pal(pcEditBG);
    case clWindowFrame:
    case clActiveBorder:
    case clInactiveBorder: return pal(pcBorder);
    case clMenuText:
    case clBtnText: return pal(pcLabelText);
    case clWindowText: return pal(pcEditText);
    case clCaptionText: return SectionColor(m, ssFormTitle, 1, true, p[pcLabelText]);
    case clInactiveCaptionText: return SectionColor(m, ssFormTitle, 0, true, p[pcLabelText]);
    case clHighlight:
    case clMenuHighlight: return pal(pcSelectionBG_Focused);
    case clHighlightText: return pal(pcSelectionText_Focused);
    case clHotLight: return pal(pcWebTextHot);
    case clBtnShadow: return static_cast<Integer>(BlendColors(p[pcMainColor], 0, 230));
    case cl3DDkShadow: return static_cast<Integer>(BlendColors(p[pcMainColor], 0, 210));
    case cl3DLight: return static_cast<Integer>(BlendColors(p[pcMainColor], 0xFFFFFF, 180));
    case clGrayText: return static_cast<Integer>(BlendColors(p[pcMainColor], p[pcLabelText], 127));
    case clBtnHighlight: return static_cast<Integer>(BlendColors(p[pcMainColor], p[pcSelectionBG_Focused], 127));
    case clInfoText: return SectionColor(m, ssHint, 0, true, p[pcEditText]);
    case clInfoBk: return SectionColor(m, ssHint, 0, false, p[pcEditBG]);
    case slBtnRed: return pal(pcBtnToneRed);
    case slBtnRedActive: return pal(pcBtnToneRedActive);
    case slBtnGreen: return pal(pcBtnToneGreen);
    case slBtnGreenActive: return pal(pcBtnToneGreenActive);
    case slBtnBlue: return pal(pcBtnToneBlue);
    case slBtnBlueActive: return pal(pcBtnToneBlueActive);
    case slBtnYellow: return pal(pcBtnToneYellow);
    case slBtnYellowActive: return pal(pcBtnToneYellowActive);
    case slBtnRedText: return pal(pcBtnRedText);
    case slBtnRedTextActive: return pal(pcBtnRedTextActive);
    case slBtnGreenText: return pal(pcBtnGreenText);
    case slBtnGreenTextActive: return pal(pcBtnGreenTextActive);
    case slBtnBlueText: return pal(pcBtnBlueText);
    case slBtnBlueTextActive: return pal(pcBtnBlueTextActive);
    case slBtnYellowText: return pal(pcBtnYellowText);
    case slBtnYellowTextActive: return pal(pcBtnYellowTextActive);
    case slEditGreen: return pal(pcEditBG_Ok);
    case slEditYellow: return pal(pcEditBG_Warning);
    case slEditRed: return pal(pcEditBG_Alert);
    case slEditGreenText: return pal(pcEditText_Ok);
    case slEditYellowText: return pal(pcEditText_Warning);
    case slEditRedText: return pal(pcEditText_Alert);
    default: return static_cast<Integer>(ColorToRGB(static_cast<TColor>(value)));
  }
}

void CleanPixelsByRects(const std::vector<TRect>& rects, TBitmap* bmp) {
  for (const TRect& r : rects) FillRect32(bmp, r, 0, 0);
}
