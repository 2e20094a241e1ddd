// Form skinning: the skin provider of a form. So far its desktop-composition query (kept in
// base/Composition.h, because the layers below ask it too) and the clean-up of the library
// that query binds.
#pragma once

#include "base/Composition.h"

#ifdef _WIN32
void sSkinProviderCleanup();
#endif
