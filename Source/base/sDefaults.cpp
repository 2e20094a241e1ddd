#include "base/sDefaults.h"

#include "base/EngineState.h"

bool& kvSysDPIAware = kvSystem.kvSysDPIAware;
bool& kvIsDPIAware = kvSystem.kvIsDPIAware;
