// Functions of system libraries bound on first use: loading only then, calling through, and
// the errors that name what is missing.
#include "ui/LateBinding.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// The audio compression manager's version query, declared here: its header needs the
// multimedia headers first.
using AcmGetVersion = DWORD WINAPI();

bool Contains(const String& text, const String& part) { return text.find(part) != String::npos; }

// Runs body, which must raise ELateBindingError, and returns the error's text.
template <typename Body>
String BindingError(Body body) {
  try {
    body();
  } catch (const ELateBindingError& e) { return e.Message(); }
  ADD_FAILURE() << "no ELateBindingError raised";
  return String();
}

TEST(LateBinding, CallsThroughToTheSystemFunction) {
  TLateLibrary kernel(L"kernel32.dll");
  TLateProc<decltype(lstrlenW)> length(kernel, "lstrlenW");
  TLateProc<decltype(GetCurrentProcessId)> processId(kernel, "GetCurrentProcessId");
  EXPECT_EQ(length(L"seven 7"), 7);
  EXPECT_EQ(length(L""), 0);
  EXPECT_EQ(processId(), GetCurrentProcessId());
  EXPECT_EQ(reinterpret_cast<void*>(length.Get()),
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "lstrlenW")));
}

// The point of the binding: the library is not in the process until a function is asked for.
TEST(LateBinding, LoadsTheLibraryOnlyAtTheFirstCall) {
  // A library nothing in the tests imports or loads.
  ASSERT_EQ(GetModuleHandleW(L"msacm32.dll"), nullptr);
  TLateLibrary acm(L"msacm32.dll");
  TLateProc<AcmGetVersion> version(acm, "acmGetVersion");
  EXPECT_FALSE(acm.Loaded());
  EXPECT_EQ(GetModuleHandleW(L"msacm32.dll"), nullptr);
  const DWORD v = version();
  EXPECT_NE(v, 0u);
  EXPECT_TRUE(acm.Loaded());
  EXPECT_EQ(acm.Module(), GetModuleHandleW(L"msacm32.dll"));
  EXPECT_EQ(version(), v);
}

TEST(LateBinding, AMissingLibraryIsNamedAndTriedAgain) {
  TLateLibrary missing(L"no-such-library-7f3c.dll");
  TLateProc<decltype(lstrlenW)> length(missing, "lstrlenW");
  for (int attempt = 0; attempt < 2; ++attempt) {
    const String text = BindingError([&] { length(L"x"); });
    EXPECT_TRUE(Contains(text, u"no-such-library-7f3c.dll")) << text.size();
    EXPECT_TRUE(Contains(text, u"cannot be loaded")) << text.size();
    // The system's error code for a file that is not there (ERROR_MOD_NOT_FOUND).
    EXPECT_TRUE(Contains(text, u"(126)")) << text.size();
    EXPECT_FALSE(missing.Loaded());
  }
}

TEST(LateBinding, AMissingFunctionIsNamedWithItsLibrary) {
  TLateLibrary kernel(L"kernel32.dll");
  TLateProc<decltype(lstrlenW)> missing(kernel, "NoSuchFunctionAnywhere");
  const String text = BindingError([&] { missing.Get(); });
  EXPECT_TRUE(Contains(text, u"kernel32.dll")) << text.size();
  EXPECT_TRUE(Contains(text, u"has no function NoSuchFunctionAnywhere")) << text.size();
  // The library itself loaded: another function of it still binds.
  TLateProc<decltype(lstrlenW)> length(kernel, "lstrlenW");
  EXPECT_EQ(length(L"ab"), 2);
}

// Threads that call first at the same moment all get the same function.
TEST(LateBinding, ThreadsBindingAtOnceAgree) {
  TLateLibrary kernel(L"kernel32.dll");
  TLateProc<decltype(lstrlenW)> length(kernel, "lstrlenW");
  std::vector<void*> seen(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&, i] { seen[i] = reinterpret_cast<void*>(length.Get()); });
  for (auto& t : threads) t.join();
  for (void* p : seen) EXPECT_EQ(p, seen[0]);
  EXPECT_NE(seen[0], nullptr);
}

}  // namespace
