// GDI on Windows may hold a thread's drawing back in a batch until it is flushed; Wine draws at
// once. While a HeldBackGdi lives, the program's PatBlt and FillRect calls are held back in the
// same way (through ImportHook) and carried out, in order, only when the program calls
// GdiFlush, so that a test can prove that code reading pixels waits for GDI's drawing. One at
// a time; GUI thread.
#pragma once

#ifdef _WIN32

#include <memory>

class HeldBackGdi {
 public:
  HeldBackGdi();
  ~HeldBackGdi();  // what is still held back is dropped
  HeldBackGdi(const HeldBackGdi&) = delete;
  HeldBackGdi& operator=(const HeldBackGdi&) = delete;

  int Held() const;     // drawing calls held back right now
  int Flushes() const;  // GdiFlush calls of the program so far

 private:
  struct Hooks;
  std::unique_ptr<Hooks> hooks_;
};

#endif
