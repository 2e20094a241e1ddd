// The items of a list view and the nodes of a tree view as a form description stores them
// (their binary properties "ItemData" and "NodeData"): a tree of plain records. Portable.
//
// Format (little-endian 32-bit integers; strings as a count of UTF-16 units and the units):
//   list  := count item*
//   item  := text valueCount value* stringCount string* list      (the list: its children)
//
// Limits of the reader: at most kMaxStoredItems records in all, kMaxStoredDepth levels, and
// no count larger than the bytes left could hold. Data that breaks them, or ends early,
// raises EReadError "Invalid item data"; nothing is kept of it.
#pragma once

#include <vector>

#include "Streams.h"
#include "SysUtils.h"

constexpr Integer kMaxStoredItems = 1 << 20;
constexpr Integer kMaxStoredDepth = 256;

struct TStoredItem {
  String Text;
  std::vector<Integer> Values;  // images, state: by what the record stands for
  std::vector<String> Strings;  // a list item's sub-item texts
  std::vector<TStoredItem> Children;

  bool operator==(const TStoredItem&) const = default;
};

void WriteStoredItems(TStream& stream, const std::vector<TStoredItem>& items);
// Reads to the end of what the writer wrote; see the limits above.
std::vector<TStoredItem> ReadStoredItems(TStream& stream);
