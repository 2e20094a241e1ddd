// Owned and borrowed handles with a handle kind of the test's own, whose closing is counted:
// who closes, how often, after moves, releases and resets.
#include "ui/UniqueHandle.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

namespace {

// Handles are small numbers; -1 means none, so that 0 is a real handle here.
std::map<int, int> gClosed;

struct TCountedTraits {
  using Handle = int;
  static int Invalid() { return -1; }
  static void Close(int h) { ++gClosed[h]; }
};
using TOwned = TUniqueHandle<TCountedTraits>;

class UniqueHandle : public ::testing::Test {
 protected:
  void SetUp() override { gClosed.clear(); }
};

}  // namespace

TEST_F(UniqueHandle, AnOwnedHandleIsClosedOnceWhenItGoes) {
  {
    TOwned none;
    EXPECT_FALSE(none);
    EXPECT_EQ(none.get(), -1);
    TOwned zero(0);
    EXPECT_TRUE(zero);
    EXPECT_EQ(zero.get(), 0);
  }
  EXPECT_EQ(gClosed, (std::map<int, int>{{0, 1}}));  // the empty one closes nothing
}

TEST_F(UniqueHandle, AMoveHandsTheHandleOverAndOnlyTheNewOwnerCloses) {
  {
    TOwned a(1);
    TOwned b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), 1);
    TOwned c(2);
    c = std::move(b);  // c's own handle closes now
    EXPECT_EQ(gClosed, (std::map<int, int>{{2, 1}}));
    EXPECT_EQ(c.get(), 1);
    auto& self = c;
    c = std::move(self);  // moving onto itself keeps the handle
    EXPECT_EQ(c.get(), 1);
    EXPECT_EQ(gClosed, (std::map<int, int>{{2, 1}}));
  }
  EXPECT_EQ(gClosed, (std::map<int, int>{{1, 1}, {2, 1}}));
}

TEST_F(UniqueHandle, ReleaseHandsOverWithoutClosingAndResetClosesNow) {
  TOwned a(3);
  EXPECT_EQ(a.release(), 3);
  EXPECT_FALSE(a);
  EXPECT_TRUE(gClosed.empty());
  a.reset(4);
  a.reset(5);  // 4 closes, 5 is held
  EXPECT_EQ(gClosed, (std::map<int, int>{{4, 1}}));
  a.reset();
  EXPECT_FALSE(a);
  a.reset();  // nothing more to close
  EXPECT_EQ(gClosed, (std::map<int, int>{{4, 1}, {5, 1}}));
}

TEST_F(UniqueHandle, ABorrowedHandleNamesWithoutClosing) {
  {
    TOwned owner(6);
    TBorrowedHandle<int> borrowed = owner.Borrow();
    {
      TBorrowedHandle<int> copy = borrowed;  // copies freely
      EXPECT_EQ(copy.get(), 6);
      EXPECT_EQ(copy, borrowed);
    }
    EXPECT_TRUE(gClosed.empty());
    EXPECT_EQ(TBorrowedHandle<int>().get(), 0);
  }
  EXPECT_EQ(gClosed, (std::map<int, int>{{6, 1}}));
}
