// The platform-independent message record of the class library: what window procedures of
// controls (WindowProc, Perform, Dispatch) receive, and the method type that holds one.
// Portable. WParam and LParam are pointer-sized, as the platform's; their 16-bit halves are
// the low 32 bits' halves.
#pragma once

#include <cstdint>

#include "Events.h"
#include "Types.h"

struct TMessage {
  Cardinal Msg = 0;
  union {
    uintptr_t WParam = 0;
    struct { Word WParamLo, WParamHi; };
  };
  union {
    intptr_t LParam = 0;
    struct { Word LParamLo, LParamHi; };
  };
  union {
    intptr_t Result = 0;
    struct { Word ResultLo, ResultHi; };
  };
};

// A window procedure bound to its object (TControl::WindowProc and saved copies of it).
using TWndMethod = TEvent<void(TMessage& Message)>;
