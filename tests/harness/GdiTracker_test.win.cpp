// The GDI tracker that the leak tests rely on: what the program still has to free is live,
// what it freed or handed to the system is not.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/GdiTracker.h"

namespace {

std::string Described(const char* kind, HGDIOBJ h) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%s %p", kind, static_cast<void*>(h));
  return buf;
}

}  // namespace

TEST(GdiTracker, ARegionAWindowTookIsTheSystemsARefusedOneStaysLive) {
  HWND wnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 60, 40, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(wnd);
  GdiTracker gdi;
  ASSERT_TRUE(gdi.Active());

  HRGN given = CreateRectRgn(0, 0, 30, 20);
  HRGN refused = CreateRectRgn(0, 0, 10, 10);
  HRGN kept = CreateRectRgn(0, 0, 5, 5);
  ASSERT_TRUE(given && refused && kept);
  EXPECT_EQ(gdi.Created(), 3);
  EXPECT_NE(SetWindowRgn(wnd, given, FALSE), 0);
  EXPECT_EQ(SetWindowRgn(nullptr, refused, FALSE), 0);  // no window: the region stays the caller's

  std::vector<std::string> live = gdi.Live();
  std::vector<std::string> expected{Described("HRGN", refused), Described("HRGN", kept)};
  std::sort(live.begin(), live.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(live, expected);

  EXPECT_TRUE(DeleteObject(refused));
  EXPECT_TRUE(DeleteObject(kept));
  EXPECT_TRUE(gdi.Live().empty());
  DestroyWindow(wnd);
}
