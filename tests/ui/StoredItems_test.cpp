// The stored form of list view items and tree view nodes: what is written reads back the
// same, and data that breaks the reader's limits, or ends early, is refused whole.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ui/StoredItems.h"

namespace {

std::vector<TStoredItem> Sample() {
  std::vector<TStoredItem> items(2);
  items[0].Text = u"Fruit \u82F9\u679C";
  items[0].Values = {0, -1, 7};
  items[0].Children.resize(2);
  items[0].Children[0].Text = u"Apple";
  items[0].Children[0].Strings = {u"red", u""};
  items[0].Children[1].Text = u"";
  items[1].Text = u"Lazy";
  return items;
}

TMemoryStream Written(const std::vector<TStoredItem>& items) {
  TMemoryStream s;
  WriteStoredItems(s, items);
  s.SetPosition(0);
  return s;
}

void PutInt(TMemoryStream& s, int32_t v) {
  uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  s.WriteBuffer(b, 4);
}

}  // namespace

TEST(StoredItems, WhatIsWrittenReadsBackTheSame) {
  TMemoryStream s = Written(Sample());
  EXPECT_EQ(ReadStoredItems(s), Sample());
  EXPECT_EQ(s.GetPosition(), s.GetSize());  // every byte taken
  TMemoryStream empty = Written({});
  EXPECT_EQ(empty.GetSize(), 4);
  EXPECT_TRUE(ReadStoredItems(empty).empty());
}

TEST(StoredItems, TheLayoutIsLittleEndianCountsAndUtf16) {
  std::vector<TStoredItem> one(1);
  one[0].Text = u"Ab";
  one[0].Values = {-2};
  TMemoryStream s = Written(one);
  const uint8_t expected[] = {1, 0, 0,    0,    2,    0,    0, 0, 'A', 0, 'b', 0, 1, 0,
                              0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0,   0, 0,   0, 0, 0};
  ASSERT_EQ(s.GetSize(), static_cast<Int64>(sizeof expected));
  EXPECT_EQ(std::memcmp(s.Memory(), expected, sizeof expected), 0);
}

TEST(StoredItems, BrokenDataIsRefusedWhole) {
  TMemoryStream whole = Written(Sample());
  // Cut anywhere before the end.
  for (Int64 cut = 0; cut < whole.GetSize(); ++cut) {
    TMemoryStream part;
    if (cut > 0) part.WriteBuffer(whole.Memory(), static_cast<Integer>(cut));
    part.SetPosition(0);
    EXPECT_THROW(ReadStoredItems(part), EReadError) << cut;
  }
  const struct {
    const char* what;
    std::vector<int32_t> ints;
  } kCases[] = {
      {"a negative count", {-1}},
      {"more items than the bytes could hold", {1000}},
      {"a string longer than what is left", {1, 0x10000000}},
      {"a negative string length", {1, -5}},
      {"more values than the bytes could hold", {1, 0, 0x40000000}},
  };
  for (const auto& c : kCases) {
    TMemoryStream s;
    for (int32_t v : c.ints) PutInt(s, v);
    for (int i = 0; i < 8; ++i) PutInt(s, 0);
    s.SetPosition(0);
    EXPECT_THROW(ReadStoredItems(s), EReadError) << c.what;
  }
}

TEST(StoredItems, NestingBeyondTheLimitIsRefused) {
  // A chain of single children, each level one record.
  auto chain = [](int depth) {
    TMemoryStream s;
    for (int i = 0; i < depth; ++i) {
      PutInt(s, 1);  // one item
      PutInt(s, 0);  // empty text
      PutInt(s, 0);  // no values
      PutInt(s, 0);  // no strings
    }
    PutInt(s, 0);  // the deepest has no children
    s.SetPosition(0);
    return s;
  };
  TMemoryStream ok = chain(kMaxStoredDepth);
  EXPECT_NO_THROW(ReadStoredItems(ok));
  TMemoryStream deep = chain(kMaxStoredDepth + 1);
  EXPECT_THROW(ReadStoredItems(deep), EReadError);
}
