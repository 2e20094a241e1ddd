// The most heap the process held while a piece of work ran, above what it held when the
// measure began, where the build can tell: the sanitizer builds count every allocation.
// Elsewhere Known() is false and the caller checks what it can without it.
//
//   HeapPeak peak;
//   LoadSomething();
//   if (peak.Known()) EXPECT_LT(peak.Bytes(), 200u << 20);
#pragma once

#include <atomic>
#include <cstddef>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TW_HEAP_PEAK_KNOWN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) && !defined(TW_HEAP_PEAK_KNOWN)
#define TW_HEAP_PEAK_KNOWN 1
#endif

#ifdef TW_HEAP_PEAK_KNOWN
#include <sanitizer/allocator_interface.h>
#endif

class HeapPeak {
 public:
  HeapPeak() {
#ifdef TW_HEAP_PEAK_KNOWN
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(&OnMalloc, &OnFree) != 0;
    (void)installed;
    base_ = __sanitizer_get_current_allocated_bytes();
    Peak().store(base_);
#endif
  }
  static constexpr bool Known() {
#ifdef TW_HEAP_PEAK_KNOWN
    return true;
#else
    return false;
#endif
  }
  size_t Bytes() const { return Peak().load() - base_; }

 private:
  static std::atomic<size_t>& Peak() {
    static std::atomic<size_t> peak{0};
    return peak;
  }
#ifdef TW_HEAP_PEAK_KNOWN
  static void OnMalloc(const volatile void*, size_t) {
    const size_t now = __sanitizer_get_current_allocated_bytes();
    size_t seen = Peak().load(std::memory_order_relaxed);
    while (now > seen && !Peak().compare_exchange_weak(seen, now)) {}
  }
  static void OnFree(const volatile void*) {}
#endif
  size_t base_ = 0;
};
