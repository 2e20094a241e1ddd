#include "forms/sSkinProvider.h"

void sSkinProviderCleanup() { FreeDwmApi(); }
