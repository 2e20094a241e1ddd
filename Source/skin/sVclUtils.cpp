#include "skin/sVclUtils.h"

#include "base/EngineState.h"

String GetPlainText(const String& htmlText, bool convertBreakLine) {
  String result;
  result.reserve(htmlText.size());
  bool inTag = false;
  size_t tagStart = 0;
  for (size_t i = 0; i < htmlText.size(); ++i) {
    const Char c = htmlText[i];
    if (!inTag) {
      if (c == u'\r' || c == u'\n') continue;
      if (c == u'<') {
        inTag = true;
        tagStart = i;
      } else {
        result.push_back(c);
      }
    } else if (c == u'>') {
      inTag = false;
      if (convertBreakLine && SameText(StringView(htmlText).substr(tagStart, i + 1 - tagStart), u"<br>"))
        result += u"\r\n";
    }
  }
  return result;
}

bool& InAnimationProcess = kvRunState.InAnimationProcess;
bool& kvGraphPainting = kvRunState.kvGraphPainting;
