#include "Clock.h"

#include <chrono>

namespace {

class SteadyClock : public TClock {
 public:
  uint64_t NowMs() const override {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
  }
};

}  // namespace

TClock& SystemClock() {
  static SteadyClock clock;
  return clock;
}
