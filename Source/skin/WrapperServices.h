// What the layers up to the controls ask of the window wrappers that skin standard windows,
// which build on them: handing a message to a wrapped window's procedure without the system,
// the scroll wrapper of a window (window property "KVSBSC") and its skinned scroll bars, the
// popup-menu window wrapper. Declared here, implemented in wrappers/: the wrappers layer
// registers it at start-up in TkvServiceSlot<TkvWrapperServices>, and a caller finds the slot
// empty until then and does without. Its operations are added with the first caller that
// needs them.
#pragma once

#include "base/ServiceSlot.h"

class TkvWrapperServices {
 public:
  virtual ~TkvWrapperServices() = default;
};
