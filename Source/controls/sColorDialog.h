// The colour dialog's module: only its start-up and clean-up belong to this program. The
// start-up installs the pipette cursor (resource "CRKPPIPETTE") as screen cursor
// crPipette and fills the 18 custom colours with "FFFFFF"; the clean-up frees the list.
#pragma once

#ifdef _WIN32

#include "ui/StringList.h"

// The screen cursor index of the pipette.
constexpr Integer crPipette = -50;
// The colour dialog's custom colours (hex RGB texts); null outside start-up and clean-up.
TStringList* kvCustomColors();

void sColorDialogStartup();
void sColorDialogCleanup();

#endif
