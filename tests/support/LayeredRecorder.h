// Records what the program hands to UpdateLayeredWindow (Wine composites layered windows over
// black, so the picture handed over is what a test checks), and still calls the system.
//
//   sGraphUtilsCleanup();
//   BindLayeredRecorder([] { sGraphUtilsStartup(); });  // the start-up binds the recorder
//   ... LayeredCalls() holds every call since, in order.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "ui/Types.h"

// One call of UpdateLayeredWindow as the program made it, with the picture it handed over.
struct LayeredCall {
  HWND wnd;
  bool hasPos;
  POINT pos;
  SIZE size;
  Byte alpha;
  DWORD flags;
  std::vector<uint32_t> pixels;  // the source bitmap, top row first
  uint32_t At(Integer x, Integer y) const { return pixels[size_t(y) * size_t(size.cx) + size_t(x)]; }
};

// The calls recorded so far; the test clears it when it likes.
std::vector<LayeredCall>& LayeredCalls();
// Runs bind (a start-up that binds UpdateLayeredWindow by name) with GetProcAddress answering
// the recorder for that name.
void BindLayeredRecorder(const std::function<void()>& bind);
#endif
