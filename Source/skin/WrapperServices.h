// What the layers up to the controls ask of the window wrappers that skin standard windows,
// which build on them: handing a message to a wrapped window's procedure without the system,
// the scroll wrapper of a window (window property "KVSBSC") and its skinned scroll bars, the
// popup-menu window wrapper. Declared here, implemented in wrappers/: the wrappers layer
// registers it at start-up in TkvServiceSlot<TkvWrapperServices>, and a caller finds the slot
// empty until then and does without. Its operations are added with the first caller that
// needs them.
//
// A window's scroll wrapper is found through the window itself: the wrapper stores itself,
// as a TkvScrollWrapper*, in the window's "KVSBSC" property (kvSetWndProp); a window without
// one has no wrapper.
#pragma once

#include "base/ServiceSlot.h"
#include "base/sConst.h"

class TkvWrapperServices {
 public:
  virtual ~TkvWrapperServices() = default;
};

#ifdef _WIN32

#include "ui/WinFwd.h"

// The window wrapper with skinned scroll bars, as the lower layers read it.
class TkvScrollWrapper {
 public:
  virtual ~TkvScrollWrapper() = default;
  // The wrapped window.
  virtual HWND WrappedWindow() const = 0;
  // How many skinned scroll bars of the kind (SB_HORZ or SB_VERT) it shows.
  virtual Integer ShownBars(Integer bar) = 0;
  // The pixel thickness of a skinned scroll bar of the kind.
  virtual Integer GetScrollMetric(Integer bar, bool thickness) = 0;
};

// The scroll wrapper stored in the window's "KVSBSC" property; null when none.
TkvScrollWrapper* Kv_GetScrollWndFromHwnd(HWND wnd);

#endif
