// The skin layer's global state (beside the foundation's records in base/EngineState.h): the
// default manager, the standard skin data served while no skin is active, and the windows and
// timer the show and hide animations keep. Each keeps its name as a reference to its field
// (DefaultManager, StdScaleArray, ow, kvHideTimer).
#pragma once

#include <array>
#include <memory>

#include "skin/sSkinManager.h"

class TOutputWindow;
class TkvHideTimer;

struct TkvSkinState {
  DuRiruZireziv* DefaultManager = nullptr;  // the first manager made; none before it and after it
  // One standard skin data per scale index (96, 120, 144 and 192 PPI), without sections.
  std::array<std::unique_ptr<TkvSkinData>, 4> StdScaleArray;
  TOutputWindow* ow = nullptr;          // owned by the application
  TkvHideTimer* kvHideTimer = nullptr;  // owned by the application
};

extern TkvSkinState kvSkinState;

// Puts the record back to its first values (the standard skin data go) and takes the default
// manager's link away from the layers below.
void ResetSkinState();
