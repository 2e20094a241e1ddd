// What the layers up to the controls read of the window wrappers that skin standard windows,
// which build on them: the scroll wrapper of a window and its skinned scroll bars. A window's
// scroll wrapper is found through the window itself: the wrapper stores itself, as a
// TkvScrollWrapper*, in the window's "KVSBSC" property (kvSetWndProp); a window without one has
// no wrapper. Nothing here needs a service slot: the window carries the link.
#pragma once

#include "base/sConst.h"

#ifdef _WIN32

#include "ui/WinFwd.h"

// The window wrapper with skinned scroll bars, as the lower layers read it.
class TkvScrollWrapper {
 public:
  virtual ~TkvScrollWrapper() = default;
  // The wrapped window.
  virtual HWND WrappedWindow() const = 0;
  // How many skinned scroll bars of the kind (SB_HORZ or SB_VERT) it shows.
  virtual Integer ShownBars(Integer bar) const = 0;
  // The pixel thickness (else the arrow length) of a skinned scroll bar at the window's PPI.
  virtual Integer GetScrollMetric(Integer bar, bool thickness) const = 0;
};

// The scroll wrapper stored in the window's "KVSBSC" property; null when none.
TkvScrollWrapper* Kv_GetScrollWndFromHwnd(HWND wnd);

#endif
