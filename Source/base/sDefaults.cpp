#include "base/sDefaults.h"

bool kvSysDPIAware = false;
bool kvIsDPIAware = false;
