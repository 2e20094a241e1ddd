// The density of windows, controls and the application, and whether visual styles are in use:
// the window queries that the image lists and the skin layer ask (the rest of the window and
// control utilities are in skin/sVclUtils.h, which includes this header).
#pragma once

#include "ui/Types.h"
#include "ui/WinFwd.h"

#ifdef _WIN32
class TControl;
class TCustomStyleServices;

// The PPI of the monitor that holds the window's centre (before Windows 8.1: the screen's).
Integer GetWndPPI(HWND handle);
// The PPI a control is drawn at: 96 for nothing or while designing; a windowless control
// asks its parent; a windowed control its window's monitor (96 without a window: asking
// never makes one).
Integer GetControlPPI(TControl* ctrl);
// The PPI of the main form, or of the first form the application owns; 96 without one.
Integer DefaultPPI();

// The class library's style services, taken at start-up and by every kvThemesEnabled.
extern TCustomStyleServices*& kvThemeServices;
// Visual styles are in use: the class library's StyleServices Enabled. Keeps the services
// object in kvThemeServices.
bool kvThemesEnabled();
#endif
