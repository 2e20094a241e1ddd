#include "sVclUtils.h"

#include <windows.h>

#include "sCommonData.h"
#include "kvntUtils.h"
#include "sMessages.h"
#include "vcl/Controls.h"

// ---- Skin command transport -----------------------------------------------------------

TMessage MakeMessage(Cardinal msg, uintptr_t wParam, intptr_t lParam, intptr_t result) {
  TMessage m;
  m.Msg = msg;
  m.WParam = wParam;
  m.LParam = lParam;
  m.Result = result;
  return m;
}

intptr_t TrySendMessage(HWND handle, Cardinal msg, uintptr_t wParam, intptr_t lParam) {
  TsCommonData* sd = GetCommonData(handle);
  if (sd && sd->WndProc) {
    // The direct call skips the system's dispatch for the frequent queries.
    TMessage m = MakeMessage(msg, wParam, lParam);
    try {
      sd->WndProc(m);
    } catch (...) {
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

void SetRedraw(HWND handle, Integer value) {
  TrySendMessage(handle, WM_SETREDRAW, static_cast<uintptr_t>(value), 0);
}

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
  HDC dc = GetWindowDC(handle);
  RECT clip{};
  const int kind = GetClipBox(dc, &clip);
  ReleaseDC(handle, dc);
  if (kind != SIMPLEREGION) return false;
  RECT wr{};
  GetWindowRect(handle, &wr);
  OffsetRect(&clip, wr.left, wr.top);
  POINT cursor{};
  GetCursorPos(&cursor);
  return PtInRect(&clip, cursor) != FALSE;
}

namespace {
// The effective PPI of a monitor (shcore's GetDpiForMonitor, bound on first use); 0 when the
// system cannot tell.
Integer MonitorPPI(HMONITOR monitor) {
  using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static GetDpiForMonitorFn fn = [] {
    HMODULE shcore = LoadLibraryW(L"Shcore.dll");
    return shcore ? reinterpret_cast<GetDpiForMonitorFn>(reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                  : nullptr;
  }();
  UINT x = 0, y = 0;
  if (fn && SUCCEEDED(fn(monitor, 0 /*MDT_EFFECTIVE_DPI*/, &x, &y))) return static_cast<Integer>(y);
  return 0;
}

Integer ScreenPPI() {
  HDC dc = GetDC(nullptr);
  const Integer ppi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return ppi;
}
}  // namespace

Integer GetWndPPI(HWND handle) {
  if (!SysReadyForDPI()) return ScreenPPI();
  RECT r{};
  GetWindowRect(handle, &r);
  const POINT centre{r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2};
  HMONITOR monitor = MonitorFromPoint(centre, MONITOR_DEFAULTTONEAREST);
  if (!monitor) return 96;
  const Integer ppi = MonitorPPI(monitor);
  return ppi > 0 ? ppi : ScreenPPI();
}

void EnableNCDpiScaling(HWND wndHandle) {
  if (!IsWin10Up()) return;
  const UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  HMODULE user32 = LoadLibraryW(L"user32.dll");
  SetErrorMode(oldMode);
  if (!user32) return;
  using EnableNonClientDpiScalingFn = BOOL(WINAPI*)(HWND);
  if (auto fn = reinterpret_cast<EnableNonClientDpiScalingFn>(
          reinterpret_cast<void*>(GetProcAddress(user32, "EnableNonClientDpiScaling"))))
    if (!fn(wndHandle)) CheckLastError();
  FreeLibrary(user32);
}

// ---- Module state ---------------------------------------------------------------------

HMODULE uxthemeLib = nullptr;
TkvSetWindowTheme kv_SetWindowTheme = nullptr;

void sVclUtilsStartup() {
  HMODULE lib = LoadLibraryW(L"UXTHEME");
  uxthemeLib = reinterpret_cast<uintptr_t>(lib) <= 32 ? nullptr : lib;
  if (uxthemeLib)
    kv_SetWindowTheme = reinterpret_cast<TkvSetWindowTheme>(reinterpret_cast<void*>(GetProcAddress(uxthemeLib, "SetWindowTheme")));
}

void sVclUtilsCleanup() {
  if (uxthemeLib) FreeLibrary(uxthemeLib);
  uxthemeLib = nullptr;
}
