// Resources of the program read in place.
#include <windows.h>

#include <gtest/gtest.h>

#include "ui/Streams.h"

TEST(ResourceStream, ReadsAResourceOfTheProgram) {
  // The icon font every program of this build carries (a TrueType file: 00 01 00 00).
  TResourceStream s(nullptr, u"awFont", RT_RCDATA_ID);
  ASSERT_GT(s.GetSize(), 1000);
  Byte head[4];
  s.ReadBuffer(head, 4);
  EXPECT_EQ(head[0], 0x00);
  EXPECT_EQ(head[1], 0x01);
  EXPECT_THROW(s.WriteBuffer(head, 1), EWriteError);
  try {
    TResourceStream missing(nullptr, u"NOSUCHRESOURCE", RT_RCDATA_ID);
    FAIL();
  } catch (const EResNotFound& e) { EXPECT_EQ(e.Message(), u"Resource NOSUCHRESOURCE not found"); }
}
