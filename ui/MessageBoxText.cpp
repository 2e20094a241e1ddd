#include "MessageBoxText.h"

String StripAccessKeys(StringView caption) {
  String out;
  out.reserve(caption.size());
  for (size_t i = 0; i < caption.size(); ++i) {
    // An '&' is not shown: the character after it is ("&&" shows one '&').
    if (caption[i] == u'&' && ++i == caption.size()) break;
    out += caption[i];
  }
  return out;
}

String MessageBoxCopyText(StringView caption, StringView text, const std::vector<String>& buttons) {
  static constexpr StringView kLine = u"---------------------------\r\n";
  static constexpr StringView kEnd = u"\r\n";
  static constexpr StringView kAfterButton = u"   ";
  String out;
  out += kLine;
  out += caption;
  out += kEnd;
  out += kLine;
  out += text;
  out += kEnd;
  out += kLine;
  for (const String& b : buttons) {
    out += StripAccessKeys(b);
    out += kAfterButton;
  }
  out += kEnd;
  out += kLine;
  return out;
}
