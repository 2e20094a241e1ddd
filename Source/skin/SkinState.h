// The skin layer's global state (beside the foundation's records in base/EngineState.h): the
// default manager, the standard skin data served while no skin is active, and the windows and
// timer the show and hide animations keep, and the painting flags and counters. Each keeps its
// name as a reference to its field (DefaultManager, StdScaleArray, ow, kvHideTimer,
// RestrictDrawing ...).
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
  bool RestrictDrawing = false;         // skinned controls paint nothing (a skin change is under way)
  Integer kvSkinDataLookups = 0;        // how often a control looked its skin data up anew
  Integer iLatestTitleHeight = 0;       // the title height last measured for a form
};

extern TkvSkinState kvSkinState;

// Puts the record back to its first values (the standard skin data go) and takes the default
// manager's link away from the layers below.
void ResetSkinState();
