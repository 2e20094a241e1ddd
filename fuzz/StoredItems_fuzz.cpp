// Fuzz target: the reader of stored list view items and tree view nodes. Any bytes end in
// items or in EReadError; items read write back to data that reads the same.
#include <cstdint>

#include "ui/StoredItems.h"

namespace {

bool Same(const std::vector<TStoredItem>& a, const std::vector<TStoredItem>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].Text != b[i].Text || a[i].Values != b[i].Values || a[i].Strings != b[i].Strings || !Same(a[i].Children, b[i].Children))
      return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream s;
  if (size > 0) s.WriteBuffer(data, static_cast<Integer>(size));
  s.SetPosition(0);
  std::vector<TStoredItem> items;
  try {
    items = ReadStoredItems(s);
  } catch (const EReadError&) {
    return 0;
  }
  TMemoryStream again;
  WriteStoredItems(again, items);
  again.SetPosition(0);
  if (!Same(ReadStoredItems(again), items)) __builtin_trap();
  return 0;
}
