// Timing for the benchmarks that run under Wine: the performance counter, and the best of five
// runs of a loop, per call.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>

namespace bench {

// Seconds on the performance counter.
inline double Now() {
  static const LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

// Whether each run ends with GdiFlush inside its timing, so that batched drawing is counted.
enum class Flush { None, Gdi };

// Best of five runs of `calls` calls of body, in seconds per call.
inline double SecondsPerCall(int calls, const std::function<void()>& body, Flush flush = Flush::None) {
  double best = 1e300;
  for (int run = 0; run < 5; ++run) {
    const double t0 = Now();
    for (int i = 0; i < calls; ++i) body();
    if (flush == Flush::Gdi) GdiFlush();
    best = std::min(best, (Now() - t0) / calls);
  }
  return best;
}

inline double MsPerCall(int calls, const std::function<void()>& body, Flush flush = Flush::None) {
  return SecondsPerCall(calls, body, flush) * 1e3;
}
inline double UsPerCall(int calls, const std::function<void()>& body, Flush flush = Flush::None) {
  return SecondsPerCall(calls, body, flush) * 1e6;
}
inline double NsPerCall(int calls, const std::function<void()>& body, Flush flush = Flush::None) {
  return SecondsPerCall(calls, body, flush) * 1e9;
}

}  // namespace bench
