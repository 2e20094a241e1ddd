// The levels of a caption button's fade: a fade-in shows Step x level for the levels 1 to
// MaxIterations - 1, then the whole picture; a fade-out counts the levels down to 0 and ends.
#include <algorithm>

#include "forms/sSkinProvider.h"

Integer TkvButtonFade::Step() const {
  const Integer s = MaxIterations != 0 ? 255 / MaxIterations : 0;
  return s > 0 ? s : 0;
}

Integer TkvButtonFade::Start(Integer newState, bool toUp) {
  if (newState == CurrentState) return -1;
  CurrentState = newState;
  Integer alpha;
  if (newState != 0) {
    CurrentLevel = 1;
    Up = toUp;
    alpha = std::min(Step(), 255);
    CurrentLevel = 2;
  } else {
    Up = false;
    --CurrentLevel;
    alpha = std::min(Step(), 255);
  }
  TimerOn = MaxIterations > 1;
  return alpha;
}

TkvButtonFade::TStep TkvButtonFade::Tick() {
  TStep s;
  if (Up) {
    if (CurrentLevel >= MaxIterations) {
      // Held at full: the timer stays on to watch the mouse; the whole picture shows once.
      s.Action = faWatchMouse;
      s.Alpha = -1;
      if (MaxIterations != -1) {
        MaxIterations = -1;
        s.Alpha = 255;
      }
      return s;
    }
    s.Action = faShow;
    s.Alpha = std::clamp(Step() * CurrentLevel, 0, 255);
    ++CurrentLevel;
    return s;
  }
  if (CurrentLevel <= 0) {
    CurrentState = -1;
    TimerOn = false;
    s.Action = faFinish;
    return s;
  }
  s.Action = faShow;
  s.Alpha = std::clamp(Step() * CurrentLevel, 0, 255);
  --CurrentLevel;
  return s;
}
