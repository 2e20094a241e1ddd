// Desktop composition: whether the desktop window manager composes the screen. Every layer
// asks it (the premultiplying of layered pictures, the start-up of the helpers, the layered
// animations, later the form frames), so the query lives here with the state it keeps; the
// form provider's module (forms/sSkinProvider.h) offers it under the same names and frees the
// library at its clean-up.
#pragma once

#include "ui/Types.h"
#ifdef _WIN32
#include "ui/WinFwd.h"
#endif

#ifdef _WIN32
// Composition state: -1 until AeroIsEnabled first asks the system, then 0 or 1 for the rest of
// the run. Tests set it to take either branch of code that depends on composition.
extern Integer& iAeroStatus;

// Loads "DWMAPI.DLL" once; FreeDwmApi frees it (and lets a later InitDwmApi load it again).
void InitDwmApi();
void FreeDwmApi();
// The loaded "DWMAPI.DLL"; null until InitDwmApi loaded it.
HMODULE DwmApiModule();
// Desktop composition is on: Vista or later and DwmIsCompositionEnabled reports it. Asked once.
bool AeroIsEnabled();
#endif
