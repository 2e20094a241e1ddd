// The committed private memory of the test's own process (heaps, stacks, private mappings),
// summed over its address space: Wine reports no private usage through GetProcessMemoryInfo.
// For tests that check that repeated work leaves no memory behind.
#pragma once

#include <windows.h>

inline SIZE_T PrivateBytes() {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION m{};
  for (const BYTE* at = nullptr; VirtualQuery(at, &m, sizeof m) == sizeof m;) {
    if (m.State == MEM_COMMIT && m.Type == MEM_PRIVATE) total += m.RegionSize;
    const BYTE* next = static_cast<const BYTE*>(m.BaseAddress) + m.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return total;
}
