// The label's ellipsis shortening of a wrapped caption (portable).
#include "controls/sLabel.h"

namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

String ShortenWithEllipsis(const String& text, Integer limit, const std::function<Integer(const String&)>& height) {
  static const String kDots = u"...";
  String shown = text;
  if (height(shown) <= limit) return text;
  // Each round makes the text shorter, so the loop ends.
  do {
    const size_t blank = shown.find_last_of(u" \t");
    if (blank != String::npos) {
      shown.resize(blank);
    } else {
      size_t cut = shown.size() - 1;
      if (cut > 0 && IsLowSurrogate(shown[cut]) && IsHighSurrogate(shown[cut - 1])) --cut;
      shown.resize(cut);
    }
  } while (!shown.empty() && height(shown + kDots) > limit);
  return shown + kDots;
}
