// Fuzz target: the HTML subset renderer on an arbitrary text. The first byte picks the area's
// width (0: no wrapping), the alignment and the hot and pressed links; the rest is the text as
// UTF-16 units (pairs of bytes). Every piece drawn must lie where the layout said rows go.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "controls/sHtmlParse.h"

namespace {

class Device : public TkvHtmlDevice {
 public:
  TSize Measure(const String& text, const TkvHtmlFont& font) override {
    return {Integer(text.size()) * (font.Bold ? 7 : 6), font.Size + 4};
  }
  void Draw(const String& text, const TkvHtmlFont& font, const TRect& r) override {
    // A run of text is drawn with an italic font's overhang (one "I" more); an entity or "&&"
    // is drawn at its own width.
    const Integer plain = Measure(text, font).cx;
    if (text.empty() || (r.Width() != plain && !(font.Italic && r.Width() == plain + Measure(u"I", font).cx)))
      std::abort();
    if (font.Size < kHtmlMinFontSize || font.Size > kHtmlMaxFontSize) std::abort();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t options = data[0];
  String text;
  for (size_t i = 1; i + 1 < size; i += 2) text += Char(data[i] | (data[i + 1] << 8));
  Device device;
  TsHtml html;
  html.Alignment = TAlignment(options % 3);
  html.StdBreak = options & 0x80;
  html.Init(&device, TkvHtmlFont{}, text, (options >> 3) & 1 ? 0 : -1, (options >> 4) & 1 ? 1 : -1,
            TRect(0, 0, (options & 0x40) ? 0 : 40 + (options & 0x3F) * 4, 0));
  std::vector<TkvLink> links;
  const TRect measured = html.HTMLText(links, true);
  const TRect drawn = html.HTMLText(links, false);
  // Left-aligned rows start where the measuring pass started them: both passes agree.
  if (html.Alignment == taLeftJustify && measured != drawn) std::abort();
  for (const TkvLink& link : links)
    if (link.Ndx < 0) std::abort();
  (void)HtmlPlainText(text);
  return 0;
}
