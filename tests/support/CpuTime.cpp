#include "support/CpuTime.h"

#ifndef _WIN32

#include <time.h>

double ProcessCpuSeconds() {
  timespec used{};
  if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used) != 0) return 0;
  return double(used.tv_sec) + double(used.tv_nsec) / 1e9;
}

#endif
