#include "controls/ControlsState.h"

TkvControlsState kvControlsState;

void ResetControlsState() { kvControlsState = TkvControlsState{}; }
