// The milliseconds the library's timed behaviour reads (the application's hint pauses).
// Tests put a clock they step themselves in its place, so that a pause of seconds passes
// in no time and exactly when they say. Portable.
#pragma once

#include <cstdint>

class TClock {
 public:
  virtual ~TClock() = default;
  // Milliseconds from any fixed start; never goes back.
  virtual uint64_t NowMs() const = 0;
};

// The system's monotonic clock.
TClock& SystemClock();
