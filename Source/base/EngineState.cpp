#include "base/EngineState.h"

#include "base/ServiceSlot.h"

TkvSettings kvSettings;
TkvSystem kvSystem;
TkvRunState kvRunState;

void ResetBaseState() {
  kvSettings = TkvSettings{};
  kvSystem = TkvSystem{};
  kvRunState = TkvRunState{};
  ClearServiceSlots();
}
