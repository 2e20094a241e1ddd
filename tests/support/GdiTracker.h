// Counts the GDI objects, DCs and icons that this program's own code makes and frees, by
// redirecting its imports of the creating and freeing functions (gdi32 and user32, through
// ImportHook) while a tracker exists. Wine answers 0 to GetGuiResources, so this is how a
// test proves under Wine that a piece of code leaks nothing: every handle made inside the
// scope must be gone at its end. A region a window takes (SetWindowRgn) counts as gone: the
// system owns and frees it. Windows only; one tracker at a time; GUI thread.
#pragma once

#ifdef _WIN32

#include <string>
#include <vector>

class GdiTracker {
 public:
  GdiTracker();
  ~GdiTracker();
  GdiTracker(const GdiTracker&) = delete;
  GdiTracker& operator=(const GdiTracker&) = delete;

  // Handles made since the tracker started and not yet freed, described ("HFONT 0x1234").
  std::vector<std::string> Live() const;
  // How many objects were made since the start (to show the code under test made some).
  int Created() const;
  // Whether the redirection is in place (false would make the test meaningless).
  bool Active() const;
};

#endif
