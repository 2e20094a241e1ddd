// Linux programs run from a test: the exit code comes back, and the process keeps its handles.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "support/UnixShell.h"

namespace {

// Every handle number of the process that names an object now.
std::vector<HANDLE> OpenHandles() {
  std::vector<HANDLE> open;
  for (ULONG_PTR value = 4; value < 0x4000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) open.push_back(reinterpret_cast<HANDLE>(value));
  }
  return open;
}

}  // namespace

TEST(UnixShell, GivesTheExitCode) {
  EXPECT_EQ(RunUnixShell("true"), 0);
  EXPECT_EQ(RunUnixShell("(exit 7)"), 7);
  EXPECT_EQ(RunUnixShell("test \"$(printf %s 'a b')\" = 'a b'"), 0);
}

// Wine starts a Linux program outside its own process table and can hand back a thread handle
// that is not the program's but a stale number; closing it closed a handle of ours instead (the
// current user's registry root, so every later registry write of the process failed).
TEST(UnixShell, LeavesEveryHandleOfTheProcessOpen) {
  HKEY software = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &software), ERROR_SUCCESS);
  const std::vector<HANDLE> before = OpenHandles();
  ASSERT_EQ(RunUnixShell("true"), 0);
  ASSERT_EQ(RunUnixShell("true"), 0);
  for (HANDLE handle : before) {
    DWORD flags = 0;
    EXPECT_TRUE(GetHandleInformation(handle, &flags)) << "handle " << handle << " was closed";
  }
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Tarnwick tests", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  if (key) {
    RegCloseKey(key);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Tarnwick tests");
  }
  RegCloseKey(software);
}
