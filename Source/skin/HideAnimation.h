// The close animation of the application's main form. The application-window hook of the
// default manager starts it when the application hides its window on the way out; the form
// layer, which draws the form's picture, runs it. The form layer sets the pointer at its
// start-up and clears it at its clean-up; without it the form simply goes.
#pragma once

#include "base/sConst.h"

class TkvFormProvider;

// Runs the hide animation of the provider's form (time ms, of the given kind) to its end.
using TkvAnimHideProc = void (*)(TkvFormProvider* provider, Integer time, TkvAnimType mode);
extern TkvAnimHideProc kvAnimHideMainForm;
