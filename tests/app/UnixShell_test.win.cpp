// The tests' way of running Linux programs: exit codes, and the test process's own handles
// left open however often a shell runs.
#include "support/UnixShell.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

const wchar_t kTestKey[] = L"Software\\Tarnwick tests\\UnixShell";

struct OwnedEvent {
  HANDLE handle;
  explicit OwnedEvent() : handle(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  OwnedEvent(OwnedEvent&& other) noexcept : handle(other.handle) { other.handle = nullptr; }
  OwnedEvent(const OwnedEvent&) = delete;
  OwnedEvent& operator=(const OwnedEvent&) = delete;
  OwnedEvent& operator=(OwnedEvent&&) = delete;
  ~OwnedEvent() {
    if (handle) CloseHandle(handle);
  }
};

bool Open(HANDLE h) {
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) != 0;
}

}  // namespace

TEST(UnixShell, GivesTheShellsExitCode) {
  EXPECT_EQ(RunUnixShell("true"), 0);
  EXPECT_EQ(RunUnixShell("(exit 7)"), 7);
  EXPECT_EQ(RunUnixShell("test \"$(printf %s 'a b')\" = 'a b'"), 0);
}

// Wine hands back no handles of its own for a Linux program, only what its stack held: closing
// them closed whichever handle of this process had that number, once the cached key of
// HKEY_CURRENT_USER, after which every key under it failed to open.
TEST(UnixShell, LeavesTheCallersHandlesOpen) {
  std::vector<OwnedEvent> events;
  for (int i = 0; i < 32; ++i) {
    events.emplace_back();
    ASSERT_NE(events.back().handle, nullptr);
  }
  for (int round = 0; round < 8; ++round) {
    // The key opened right before the shell starts is the handle most likely to be hit.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << "round " << round;
    RegCloseKey(key);
    ASSERT_EQ(RunUnixShell("true"), 0);
    for (size_t i = 0; i < events.size(); ++i)
      EXPECT_TRUE(Open(events[i].handle)) << "round " << round << ", event " << i;
  }
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  if (key) RegCloseKey(key);
  RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey);
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Tarnwick tests");
}
