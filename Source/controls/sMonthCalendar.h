// The month calendar's module: only its start-up and clean-up belong to this program. The
// start-up reads the localized "today" caption (string 4432 of comctl32.dll).
#pragma once

#ifdef _WIN32

#include "ui/Types.h"

// The caption; empty when comctl32.dll could not be loaded or after the clean-up.
const String& s_Today();

void sMonthCalendarStartup();
void sMonthCalendarCleanup();

#endif
