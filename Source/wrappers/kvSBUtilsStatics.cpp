#include "wrappers/kvSBUtilsStatics.h"

namespace {

Char Lower(Char c) { return c >= u'A' && c <= u'Z' ? Char(c + (u'a' - u'A')) : c; }

// The tag at i: "<a" followed by white space or ">", or "</a" followed by optional white space
// and ">". Its length, or 0 when none starts there.
size_t TagAt(const String& s, size_t i) {
  if (s[i] != u'<') return 0;
  size_t j = i + 1;
  const bool closing = j < s.size() && s[j] == u'/';
  if (closing) ++j;
  if (j >= s.size() || Lower(s[j]) != u'a') return 0;
  ++j;
  if (j >= s.size()) return 0;
  if (closing) {
    while (j < s.size() && (s[j] == u' ' || s[j] == u'\t')) ++j;
    return j < s.size() && s[j] == u'>' ? j + 1 - i : 0;
  }
  if (s[j] != u'>' && s[j] != u' ' && s[j] != u'\t' && s[j] != u'\r' && s[j] != u'\n') return 0;
  // An attribute value in quotes may hold '>'.
  Char quote = 0;
  for (; j < s.size(); ++j) {
    if (quote) {
      if (s[j] == quote) quote = 0;
    } else if (s[j] == u'"' || s[j] == u'\'') {
      quote = s[j];
    } else if (s[j] == u'>') {
      return j + 1 - i;
    }
  }
  return 0;  // an unclosed tag is text
}

}  // namespace

String StripLinkTags(const String& caption) {
  String out;
  out.reserve(caption.size());
  for (size_t i = 0; i < caption.size();) {
    if (const size_t n = TagAt(caption, i)) {
      i += n;
    } else {
      out += caption[i++];
    }
  }
  return out;
}
