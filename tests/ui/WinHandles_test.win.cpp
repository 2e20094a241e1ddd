// The system's owned and borrowed handles with real objects: a window destroyed, a hook
// unhooked, an event closed and a window property removed when their owner goes, and never
// by a borrower or an owner they were moved away from.
#include "ui/WinHandles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

HWND MakeWindow() {
  return CreateWindowExW(0, L"STATIC", L"handle test", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

bool HandleIsOpen(HANDLE h) {
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) != FALSE;
}

int gCreates = 0;
LRESULT CALLBACK CountCreates(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) ++gCreates;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

TEST(WinHandles, AnOwnedWindowIsDestroyedByItsLastOwnerOnly) {
  HWND raw = MakeWindow();
  ASSERT_NE(raw, nullptr);
  {
    TOwnedWindow first(raw);
    TBorrowedWindow borrowed = first.Borrow();
    {
      TBorrowedWindow copy = borrowed;
      EXPECT_EQ(copy.get(), raw);
    }
    EXPECT_TRUE(IsWindow(raw)) << "a borrower destroyed the window";
    TOwnedWindow second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.get(), raw);
    EXPECT_TRUE(IsWindow(borrowed.get()));
  }
  EXPECT_FALSE(IsWindow(raw));
  HWND kept = MakeWindow();
  {
    TOwnedWindow owner(kept);
    EXPECT_EQ(owner.release(), kept);
  }
  EXPECT_TRUE(IsWindow(kept));  // released: the caller destroys it
  TOwnedWindow again(kept);
  again.reset();
  EXPECT_FALSE(IsWindow(kept));
}

TEST(WinHandles, AnOwnedHookIsUnhookedWhenItGoes) {
  // The system may make windows of its own on the way (the thread's input-method window), so
  // the test looks only at whether the count grows.
  gCreates = 0;
  {
    TOwnedHook hook(SetWindowsHookExW(WH_CBT, CountCreates, nullptr, GetCurrentThreadId()));
    ASSERT_TRUE(hook);
    TOwnedWindow wnd(MakeWindow());
    EXPECT_GT(gCreates, 0);
    TOwnedHook moved(std::move(hook));
    const int beforeMoved = gCreates;
    TOwnedWindow another(MakeWindow());
    EXPECT_GT(gCreates, beforeMoved) << "the hook went with the owner it was moved away from";
  }
  const int unhooked = gCreates;
  TOwnedWindow after(MakeWindow());
  EXPECT_EQ(gCreates, unhooked) << "the hook still runs";
}

TEST(WinHandles, AnOwnedEventIsClosedOnceAndABorrowerLeavesItOpen) {
  HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  {
    TOwnedEvent event(raw);
    TBorrowedEvent borrowed = event.Borrow();
    EXPECT_TRUE(SetEvent(borrowed.get()));
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
    TOwnedEvent moved;
    moved = std::move(event);
    EXPECT_FALSE(event);
    EXPECT_TRUE(HandleIsOpen(raw));
  }
  EXPECT_FALSE(HandleIsOpen(raw));
  TOwnedFile none;
  EXPECT_FALSE(none);
  EXPECT_EQ(none.get(), INVALID_HANDLE_VALUE);
  TOwnedFile missing(CreateFileW(L"Z:\\no\\such\\folder\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(missing);
}

namespace {
constexpr Char kPropName[] = u"TW_OWNED_PROP";
std::vector<std::string> gStoreLog;
void LoggingStore(HWND wnd, const Char* name, void* value) {
  gStoreLog.push_back(value ? "set" : "remove");
  TOwnedWindowProp::SystemStore(wnd, name, value);
}
}  // namespace

TEST(WinHandles, AnOwnedWindowPropertyIsRemovedWhenItsOwnerGoes) {
  TOwnedWindow wnd(MakeWindow());
  int value = 0;
  const auto key = reinterpret_cast<LPCWSTR>(kPropName);
  {
    TOwnedWindowProp prop(wnd.get(), kPropName, &value);
    EXPECT_EQ(GetPropW(wnd.get(), key), &value);
    TOwnedWindowProp moved(std::move(prop));
    EXPECT_FALSE(prop);
    EXPECT_EQ(moved.Window(), wnd.get());
  }
  EXPECT_EQ(GetPropW(wnd.get(), key), nullptr);
  {
    TOwnedWindowProp prop(wnd.get(), kPropName, &value);
    EXPECT_EQ(prop.release(), wnd.get());
  }
  EXPECT_EQ(GetPropW(wnd.get(), key), &value);  // released: it stays on the window
  RemovePropW(wnd.get(), key);
  // A store of the caller's own sees every set and remove, once each.
  gStoreLog.clear();
  {
    TOwnedWindowProp prop(wnd.get(), kPropName, &value, LoggingStore);
    TOwnedWindowProp other;
    other = std::move(prop);
    other.reset();
    EXPECT_EQ(GetPropW(wnd.get(), key), nullptr);
    TOwnedWindowProp nothing(wnd.get(), kPropName, nullptr, LoggingStore);  // no value: no property
    EXPECT_FALSE(nothing);
  }
  EXPECT_EQ(gStoreLog, (std::vector<std::string>{"set", "remove"}));
}
