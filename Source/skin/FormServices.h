// What the layers up to the wrappers ask of form skinning, which builds on them: the skin
// provider of a form (its frame painted into its cache, caption and border metrics, region
// and corner rectangles, the outer border and shadow window, cover windows, the form
// animations' events), the dialog skinner behind the thread hook, and the desktop window
// manager's functions beyond the composition query (which every layer asks, and which is in
// base/Composition.h). Declared here, implemented in forms/: the form layer registers it at
// start-up in TkvServiceSlot<TkvFormServices>, and a caller finds the slot empty until then
// and does without. Its operations are added with the first caller that needs them.
#pragma once

#include "base/ServiceSlot.h"

class TkvFormServices {
 public:
  virtual ~TkvFormServices() = default;
};
