#include <windows.h>

#include <gtest/gtest.h>

#include "base/sDefaults.h"

TEST(sDefaultsStartup, MakesTheProcessDPIAware) {
  ASSERT_FALSE(kvSysDPIAware);
  sDefaultsStartup();
  EXPECT_TRUE(kvSysDPIAware);
  EXPECT_TRUE(IsProcessDPIAware());

  // kvIsDPIAware tells whether the awareness the system now reports is per monitor (2).
  HMODULE shcore = LoadLibraryW(L"Shcore.dll");
  ASSERT_NE(shcore, nullptr);
  using Fn = HRESULT(WINAPI*)(HANDLE, int*);
  auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(shcore, "GetProcessDpiAwareness")));
  ASSERT_NE(fn, nullptr);
  int level = -1;
  ASSERT_EQ(fn(nullptr, &level), S_OK);
  EXPECT_NE(level, 0);
  EXPECT_EQ(kvIsDPIAware, level == 2);
  FreeLibrary(shcore);

  kvSysDPIAware = false;
  sDefaultsStartup();  // runs once
  EXPECT_FALSE(kvSysDPIAware);
}
