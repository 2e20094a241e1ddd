#include "base/WindowQueries.h"

#include <windows.h>

#include "base/EngineState.h"
#include "base/kvntUtils.h"
#include "ui/Forms.h"
#include "ui/Themes.h"

namespace {
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
  const TPoint centre(r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2);
  TMonitor* monitor = Screen ? Screen->MonitorFromPoint(centre, mdNearest) : nullptr;
  return monitor ? monitor->PixelsPerInch() : 96;
}

Integer GetControlPPI(TControl* ctrl) {
  if (!ctrl || ctrl->ComponentState().Contains(csDesigning)) return 96;
  TWinControl* win = dynamic_cast<TWinControl*>(ctrl);
  if (!win) win = ctrl->Parent();
  return win && win->HandleAllocated() ? GetWndPPI(win->WindowHandle()) : 96;
}

Integer DefaultPPI() {
  if (!Application) return 96;
  if (Application->MainForm()) return GetControlPPI(Application->MainForm());
  for (Integer i = 0; i < Application->ComponentCount(); ++i)
    if (auto* form = dynamic_cast<TCustomForm*>(Application->Components(i))) return GetControlPPI(form);
  return 96;
}

TCustomStyleServices*& kvThemeServices = kvSystem.kvThemeServices;

bool kvThemesEnabled() {
  kvThemeServices = StyleServices();
  return kvThemeServices->Enabled();
}
