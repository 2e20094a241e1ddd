// Counts the USER objects that this program's own code makes and frees, the way GdiTracker
// counts GDI objects (Wine answers 0 to GetGuiResources): menus (CreateMenu, CreatePopupMenu,
// DestroyMenu) and comctl32 image lists (ImageList_Create, ImageList_Duplicate, ImageList_Read,
// ImageList_Destroy), by redirecting the program's imports while a tracker exists; and the
// windows of the calling thread, counted on demand. Windows only; one tracker at a time; GUI
// thread.
#pragma once

#ifdef _WIN32

#include <string>
#include <vector>

class UserTracker {
 public:
  UserTracker();
  ~UserTracker();
  UserTracker(const UserTracker&) = delete;
  UserTracker& operator=(const UserTracker&) = delete;

  // Menus and image lists made since the tracker started and not yet freed, described.
  std::vector<std::string> Live() const;
  // How many were made since the start (to show the code under test made some).
  int Created() const;
  // Whether the redirection is in place for every function.
  bool Active() const;
  // The windows of the calling thread: top-level ones and all their descendants.
  static int ThreadWindowCount();
};

#endif
