#include "app/ShellExec.h"

#include <cstring>

void ResetMemory(void* p, Integer size) {
  if (size > 0) std::memset(p, 0, static_cast<size_t>(size));
}
