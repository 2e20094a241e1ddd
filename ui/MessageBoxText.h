// The text a message box puts on the clipboard when the user presses Ctrl+C or Ctrl+Insert.
// Portable: the layout is plain text.
//
//   MessageBoxCopyText(u"Tarnwick", u"解析成功，可以下载了！", {u"OK"})
#pragma once

#include <vector>

#include "Types.h"

// A button's caption as it reads: each '&' that marks the access key goes, "&&" stands for
// one '&'.
String StripAccessKeys(StringView caption);

// Caption, text and the buttons' captions (access keys stripped), in the layout of the
// system's own message box, the one users paste into reports:
//
//   ---------------------------
//   Caption
//   ---------------------------
//   Text
//   ---------------------------
//   Yes   No   Cancel
//   ---------------------------
//
// Every line ends in CR LF (the last one too); a dash line is 27 dashes; each button's
// caption is followed by three blanks, the last one's too. The text stands as given (its own
// line breaks are kept).
String MessageBoxCopyText(StringView caption, StringView text, const std::vector<String>& buttons);
