// The Windows half of kvPNG: pictures kept as resources of a module.
#include "kvPNG.h"

void TPNGGraphic::LoadFromResourceName(HINSTANCE instance, const String& resName) {
  TResourceStream stream(instance, resName, RT_RCDATA_ID);
  LoadFromStream(stream);
}
