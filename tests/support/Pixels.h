// Small pixel fixtures for the raster tests: an owned block of 32-bit pixels with a view, in
// top-down or bottom-up row order, and a deterministic generator of pixel values.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "ui/Bitmap.h"

struct TestPixels {
  std::vector<uint32_t> Mem;
  TPixelView View;

  TestPixels(Integer w, Integer h, uint32_t fill = 0, bool bottomUp = false) : Mem(size_t(w) * h, fill) {
    Byte* base = reinterpret_cast<Byte*>(Mem.data());
    if (bottomUp)
      View = {base + size_t(h - 1) * w * 4, -w * 4, w, h};
    else
      View = {base, w * 4, w, h};
  }
  // A copy owns its own pixels in the same row order.
  TestPixels(const TestPixels& o) : Mem(o.Mem), View(o.View) {
    View.Line0 = reinterpret_cast<Byte*>(Mem.data()) + (o.View.Line0 - reinterpret_cast<const Byte*>(o.Mem.data()));
  }
  TestPixels& operator=(const TestPixels& o) {
    const ptrdiff_t offset = o.View.Line0 - reinterpret_cast<const Byte*>(o.Mem.data());
    Mem = o.Mem;
    View = o.View;
    View.Line0 = reinterpret_cast<Byte*>(Mem.data()) + offset;
    return *this;
  }
  uint32_t& At(Integer x, Integer y) { return View.At(x, y); }
  uint32_t At(Integer x, Integer y) const { return View.At(x, y); }
};

// A w x h view inside a larger block whose margin (on every side, also left and right of every
// row) holds a canary value: a routine that writes outside the view changes the margin.
struct GuardedPixels {
  static constexpr uint32_t kCanary = 0xA5C3E10Fu;
  static constexpr Integer kMargin = 8;
  TestPixels Block;
  TPixelView View;

  GuardedPixels(Integer w, Integer h, uint32_t fill = 0)
      : Block(w + 2 * kMargin, h + 2 * kMargin, kCanary),
        View{Block.View.Line0 + kMargin * Block.View.Delta + kMargin * 4, Block.View.Delta, w, h} {
    for (Integer y = 0; y < h; ++y)
      for (Integer x = 0; x < w; ++x) View.At(x, y) = fill;
  }
  GuardedPixels(const GuardedPixels&) = delete;
  GuardedPixels& operator=(const GuardedPixels&) = delete;

  // How many margin pixels no longer hold the canary.
  int ChangedMarginPixels() const {
    int changed = 0;
    for (Integer y = 0; y < Block.View.Height; ++y)
      for (Integer x = 0; x < Block.View.Width; ++x) {
        const bool inside = x >= kMargin && x < kMargin + View.Width && y >= kMargin && y < kMargin + View.Height;
        changed += !inside && Block.At(x, y) != kCanary;
      }
    return changed;
  }
};

// xorshift32: the same sequence on every platform.
struct TestRandom {
  uint32_t State;
  explicit TestRandom(uint32_t seed = 0x9E3779B9u) : State(seed ? seed : 1) {}
  uint32_t Next() {
    State ^= State << 13;
    State ^= State >> 17;
    State ^= State << 5;
    return State;
  }
  int Range(int lo, int hi) { return lo + static_cast<int>(Next() % uint32_t(hi - lo + 1)); }
};

inline void FillRandom(TestPixels& p, TestRandom& rnd) {
  for (auto& v : p.Mem) v = rnd.Next();
}

inline std::string Hex(uint32_t v) {
  char b[16];
  std::snprintf(b, sizeof b, "%08X", v);
  return b;
}
