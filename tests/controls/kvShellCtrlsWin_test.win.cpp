// The shell module's objects (made on first use after its start-up) and identifier lists from
// the shell's allocator.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "controls/kvShellCtrls.h"
#include "images/kvAlphaImageList.h"

TEST(ShellModule, TheDesktopFolderAndTheSmallIconListAreMadeOnFirstUseAndCleanUpFreesThem) {
  EXPECT_EQ(DesktopFolder(), nullptr);  // not started: nothing is made
  EXPECT_EQ(SysSmallImages(), nullptr);
  kvShellCtrlsStartup();
  ASSERT_NE(DesktopFolder(), nullptr);
  EXPECT_EQ(DesktopFolder()->FParent, nullptr);  // the desktop has none
  EXPECT_FALSE(DesktopFolder()->DisplayName().empty());
  ASSERT_NE(SysSmallImages(), nullptr);
  ASSERT_NE(SysSmallImageList(), nullptr);
  EXPECT_TRUE(SysSmallImageList()->ShareImages());
  EXPECT_GT(ImageList_GetImageCount(SysSmallImages()), 0);
  // OLE is up for the thread: a second initialization only counts.
  EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
  OleUninitialize();
  kvShellCtrlsCleanup();
  EXPECT_EQ(DesktopFolder(), nullptr);
  EXPECT_EQ(SysSmallImageList(), nullptr);
}

TEST(ShellModule, ConcatenatingOntoNothingCopiesTheSecondList) {
  LPITEMIDLIST b = CreatePIDL(16);
  reinterpret_cast<Byte*>(b)[0] = 14;  // one item of 14 bytes, then the terminator
  reinterpret_cast<Byte*>(b)[5] = 0x5A;
  LPITEMIDLIST joined = ConcatPIDLs(nullptr, b);
  ASSERT_EQ(GetPIDLSize(joined), 16u);
  EXPECT_EQ(std::memcmp(joined, b, 16), 0);
  EXPECT_NE(joined, b);
  LPITEMIDLIST twice = ConcatPIDLs(b, b);
  EXPECT_EQ(GetPIDLSize(twice), 30u);
  DisposePIDL(twice);
  DisposePIDL(joined);
  DisposePIDL(b);
}
