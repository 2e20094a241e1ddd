// Fuzz target: the reader of stored list view items and tree view nodes. Any bytes end in
// items or in EReadError; items read write back to data that reads the same.
#include <cstdint>

#include "ui/StoredItems.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream s;
  if (size > 0) s.WriteBuffer(data, static_cast<Integer>(size));
  s.SetPosition(0);
  std::vector<TStoredItem> items;
  try {
    items = ReadStoredItems(s);
  } catch (const EReadError&) { return 0; }
  TMemoryStream again;
  WriteStoredItems(again, items);
  again.SetPosition(0);
  if (ReadStoredItems(again) != items) __builtin_trap();
  return 0;
}
