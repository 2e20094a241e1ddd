// The HTML subset renderer's layout (both passes) over a measuring device that costs nothing,
// in one run: 1 KB of mixed text, 64 KB of it (goal: at most 70 x the 1 KB time, linear), and
// 10^5 unmatched '<' beside 10^4 of them, and 10^5 unknown tags before one far '>' beside 10^4
// of them (both linear: about 10 x).
// Run: build/<dir>/bench/HtmlLayout_bench (native or, under Wine, HtmlLayout_bench.exe)
#include <chrono>
#include <cstdio>
#include <functional>

#include "controls/sHtmlParse.h"

namespace {

class Device : public TkvHtmlDevice {
 public:
  TSize Measure(const String& text, const TkvHtmlFont& font) override {
    return {Integer(text.size()) * (font.Bold ? 7 : 6), font.Size + 4};
  }
  void Draw(const String&, const TkvHtmlFont&, const TRect&) override { ++drawn; }
  long drawn = 0;
};

// Best of five runs, seconds per layout.
double Seconds(int calls, const std::function<void()>& body) {
  double best = 1e300;
  for (int run = 0; run < 5; ++run) {
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) body();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / calls);
  }
  return best;
}

double LayoutSeconds(const String& text, int calls) {
  Device device;
  return Seconds(calls, [&] {
    TsHtml html;
    html.Init(&device, TkvHtmlFont{}, text, -1, 0, TRect(0, 0, 400, 0));
    std::vector<TkvLink> links;
    html.HTMLText(links, false);
  });
}

String Mixed(size_t bytes) {
  static const String unit =
      u"Download <b>finished</b>: <font color=#208020 size=+1>clip.mp4</font> &copy; 2026 "
      u"<a href=\"https://example.com/v\">open folder</a><br>next line with some words &amp; more ";
  String text;
  while (text.size() * 2 < bytes) text += unit;
  return text;
}

}  // namespace

int main() {
  const double kb1 = LayoutSeconds(Mixed(1024), 2000);
  const double kb64 = LayoutSeconds(Mixed(64 * 1024), 30);
  std::printf("%-40s %10.2f us\n", "layout of 1 KB", kb1 * 1e6);
  std::printf("%-40s %10.2f us   ratio %6.1f   goal <= 70: %s\n", "layout of 64 KB", kb64 * 1e6, kb64 / kb1,
              kb64 / kb1 <= 70 ? "met" : "MISSED");
  const double lt4 = LayoutSeconds(String(10000, u'<'), 20);
  const double lt5 = LayoutSeconds(String(100000, u'<'), 5);
  std::printf("%-40s %10.2f us\n", "10^4 unmatched '<'", lt4 * 1e6);
  std::printf("%-40s %10.2f us   ratio %6.1f   goal about 10 (linear): %s\n", "10^5 unmatched '<'", lt5 * 1e6,
              lt5 / lt4, lt5 / lt4 < 20 ? "met" : "MISSED");
  auto farClose = [](int n) {
    String text;
    for (int i = 0; i < n; ++i) text += u"x<";
    return text + u">";
  };
  const double far4 = LayoutSeconds(farClose(10000), 20);
  const double far5 = LayoutSeconds(farClose(100000), 5);
  std::printf("%-40s %10.2f us\n", "10^4 unknown tags, one far '>'", far4 * 1e6);
  std::printf("%-40s %10.2f us   ratio %6.1f   goal about 10 (linear): %s\n", "10^5 unknown tags, one far '>'",
              far5 * 1e6, far5 / far4, far5 / far4 < 20 ? "met" : "MISSED");
  return 0;
}
