// The thumb arithmetic of the MDI client wrapper.
#include "wrappers/kvSBUtilsMDI.h"

#include <algorithm>

TkvThumbScroll MDIThumbScroll(const TkvScrollValues& si, Integer requested) {
  // The highest position a thumb can take: the range less one page.
  const Integer top = std::max(si.nMin, si.nMax - std::max<Integer>(si.nPage - 1, 0));
  TkvThumbScroll out;
  out.NewPos = std::clamp(requested, si.nMin, top);
  out.Delta = out.NewPos - si.nPos;
  return out;
}
