#include "ui/Streams.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "support/TempDir.h"

TEST(MemoryStream, ReadsWritesAndSeeks) {
  TMemoryStream m;
  const char text[] = "hello world";
  m.WriteBuffer(text, 11);
  EXPECT_EQ(m.GetSize(), 11);
  EXPECT_EQ(m.GetPosition(), 11);
  m.SetPosition(6);
  char buf[8] = {};
  EXPECT_EQ(m.Read(buf, 8), 5);  // short read at the end
  EXPECT_STREQ(buf, "world");
  EXPECT_EQ(m.Read(buf, 8), 0);
  EXPECT_EQ(m.Seek(-5, soEnd), 6);
  EXPECT_EQ(m.Seek(-100, soCurrent), 0);
  m.SetSize(3);
  EXPECT_EQ(m.GetSize(), 3);
}

TEST(MemoryStream, ReadBufferRaisesOnShortData) {
  TMemoryStream m;
  m.WriteBuffer("abc", 3);
  m.SetPosition(1);
  char buf[4];
  try {
    m.ReadBuffer(buf, 4);
    FAIL() << "no exception";
  } catch (const EReadError& e) { EXPECT_EQ(e.Message(), u"Stream read error"); }
}

TEST(Stream, CopyFromWholeAndPart) {
  TMemoryStream src, dst;
  src.WriteBuffer("0123456789", 10);
  src.SetPosition(4);
  EXPECT_EQ(dst.CopyFrom(src, 3), 3);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(dst.Memory()), 3), "456");
  TMemoryStream all;
  EXPECT_EQ(all.CopyFrom(src, 0), 10);  // 0 copies everything from the start
  EXPECT_EQ(all.Bytes().size(), 10u);
  TMemoryStream tooMuch;
  src.SetPosition(8);
  EXPECT_THROW(tooMuch.CopyFrom(src, 5), EReadError);
}

TEST(FileStream, CreatesReadsAndRefusesToClobber) {
  TempDir dir;
  String path = dir.Path() + u"/f.bin";
  {
    TFileStream f(path, fmCreate);
    f.WriteBuffer("data", 4);
  }
  EXPECT_EQ(ReadFileBytes(path).size(), 4u);
  EXPECT_THROW(TFileStream(path, fmCreate | fmCreateNew), EFCreateError);
  EXPECT_EQ(ReadFileBytes(path).size(), 4u);  // the failed exclusive create left it alone
  try {
    TFileStream missing(dir.Path() + u"/none.bin", fmOpenRead);
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind(u"Cannot open file \"" + dir.Path() + u"/none.bin\". ", 0), 0u);
  }
}

TEST(ReadOnlyMemoryStream, ReadsSeeksAndRefusesWrites) {
  const Byte data[] = {1, 2, 3, 4, 5};
  TReadOnlyMemoryStream s(data, 5);
  Byte buf[8] = {};
  EXPECT_EQ(s.Read(buf, 3), 3);
  EXPECT_EQ(buf[2], 3);
  EXPECT_EQ(s.Read(buf, 8), 2);
  EXPECT_EQ(s.Read(buf, 8), 0);
  s.Seek(-1, soEnd);
  EXPECT_EQ(s.Read(buf, 1), 1);
  EXPECT_EQ(buf[0], 5);
  EXPECT_EQ(s.Seek(-10, soBeginning), 0);
  EXPECT_THROW(s.WriteBuffer(data, 1), EWriteError);
  EXPECT_THROW(s.ReadBuffer(buf, 6), EReadError);
  EXPECT_EQ(s.GetSize(), 5);
}
