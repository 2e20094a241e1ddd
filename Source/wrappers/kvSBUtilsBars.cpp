#include "wrappers/kvSBUtilsBars.h"

Integer SplitCaptionWords(const std::vector<Integer>& prefixWidths, Integer maxWidth) {
  // One word, or all of it fits: one block.
  if (prefixWidths.size() < 2 || prefixWidths.back() <= maxWidth) return 0;
  Integer fit = 0;
  while (size_t(fit) < prefixWidths.size() && prefixWidths[size_t(fit)] <= maxWidth) ++fit;
  // The first word alone is too wide: one block, cut by the ellipsis.
  if (fit == 0) return 0;
  return fit;
}
