#include "ui/CommandLine.h"

String QuoteArgument(StringView arg) {
  String out = u"\"";
  size_t backslashes = 0;
  for (Char c : arg) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes are literal unless a quote follows them; then each must be doubled.
    out.append(c == u'"' ? backslashes * 2 + 1 : backslashes, u'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, u'\\');  // they stand before the closing quote
  out += u'"';
  return out;
}
