// Form skinning: the skin provider of a form. So far only the desktop-composition query.
#pragma once

#include "ui/Types.h"

#ifdef _WIN32
// Composition state: -1 until AeroIsEnabled first asks the system, then 0 or 1 for the rest of
// the run. Tests set it to take either branch of code that depends on composition.
extern Integer iAeroStatus;

// Loads "DWMAPI.DLL" once; the clean-up step frees it.
void InitDwmApi();
// Desktop composition is on: Vista or later and DwmIsCompositionEnabled reports it. Asked once.
bool AeroIsEnabled();
void sSkinProviderCleanup();
#endif
