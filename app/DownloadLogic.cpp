#include "app/DownloadLogic.h"

#include <algorithm>
#include <limits>

#include "ui/CommandLine.h"
#include "ui/SysUtils.h"

// ---- names ---------------------------------------------------------------------------

Int64 UnixTimeOf(int year, int month, int day, int hour, int minute, int second) {
  // Days from the civil date (proleptic Gregorian), counted in eras of 400 years.
  const Int64 y = static_cast<Int64>(year) - (month <= 2 ? 1 : 0);
  const Int64 era = (y >= 0 ? y : y - 399) / 400;
  const Int64 yoe = y - era * 400;
  const Int64 mp = (month + 9) % 12;
  const Int64 doy = (153 * mp + 2) / 5 + day - 1;
  const Int64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const Int64 days = era * 146097 + doe - 719468;
  return days * 86400 + hour * 3600 + minute * 60 + second;
}

String JoinPath(StringView folder, StringView name) {
  String p(folder);
  p += u'\\';
  p += name;
  return p;
}

namespace {

bool InvalidNameChar(Char c) {
  return c < 0x20 || c == u'\\' || c == u'/' || c == u':' || c == u'*' || c == u'?' || c == u'"' || c == u'<' ||
         c == u'>' || c == u'|';
}

void TrimTrailingDotsAndBlanks(String& s) {
  while (!s.empty() && (s.back() == u'.' || s.back() == u' ')) s.pop_back();
}

// Cuts s to at most limit code units without splitting a surrogate pair.
void CutTo(String& s, size_t limit) {
  if (s.size() <= limit) return;
  if (limit > 0 && s[limit - 1] >= 0xD800 && s[limit - 1] <= 0xDBFF && s[limit] >= 0xDC00 && s[limit] <= 0xDFFF)
    --limit;
  s.resize(limit);
}

// The length of the device name at the start of s, when the part before the first dot
// (blanks at its end ignored) is one; 0 otherwise.
size_t DeviceNameLength(StringView s) {
  StringView base = s.substr(0, std::min(s.find(u'.'), s.size()));
  while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
  String upper = UpperCase(base);
  static const StringView kPlain[] = {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"};
  for (StringView d : kPlain)
    if (upper == d) return base.size();
  if (upper.size() == 4 && (upper.starts_with(u"COM") || upper.starts_with(u"LPT"))) {
    Char d = upper[3];
    if ((d >= u'0' && d <= u'9') || d == u'\u00B9' || d == u'\u00B2' || d == u'\u00B3') return 4;
  }
  return 0;
}

}  // namespace

String SafeFileStem(StringView fileName, StringView folder, StringView suffix, StringView ext) {
  const Int64 tail = static_cast<Int64>(suffix.size() + ext.size());
  const Int64 byPath = kMaxPathLength - static_cast<Int64>(folder.size()) - 1 - tail;
  const Int64 limit = std::min<Int64>(kMaxNameLength - tail, byPath);
  if (limit <= 0) return String();

  String s(fileName);
  for (Char& c : s)
    if (InvalidNameChar(c)) c = u'_';
  CutTo(s, static_cast<size_t>(limit));
  TrimTrailingDotsAndBlanks(s);
  if (size_t n = DeviceNameLength(s)) {
    s.insert(n, 1, u'_');
    CutTo(s, static_cast<size_t>(limit));  // the base now ends in '_': no device any more
    TrimTrailingDotsAndBlanks(s);
  }
  return s;
}

String FinalFileCandidate(StringView folder, StringView fileName, StringView ext, int n, StringView fallbackStem) {
  const String suffix = n > 0 ? u"_" + IntToStr(n) : String();
  String stem = SafeFileStem(fileName, folder, suffix, ext);
  if (stem.empty()) stem = fallbackStem;
  return JoinPath(folder, stem + suffix + String(ext));
}

String TempFileCandidate(StringView folder, StringView timeName, StringView ext, int n) {
  String name(timeName);
  if (n > 0) name += u"_" + IntToStr(n);
  return JoinPath(folder, name + String(ext));
}

String FileStemOf(StringView path) {
  size_t slash = path.find_last_of(u"\\/");
  StringView name = slash == StringView::npos ? path : path.substr(slash + 1);
  size_t dot = name.rfind(u'.');
  return String(dot == StringView::npos ? name : name.substr(0, dot));
}

// ---- progress --------------------------------------------------------------------------

bool ContentLengthUsable(Int64 contentLength) {
  return contentLength >= 1 && contentLength <= std::numeric_limits<Integer>::max();
}

Integer ProgressBarMax(Int64 contentLength) {
  return ContentLengthUsable(contentLength) ? static_cast<Integer>(contentLength) : 100;
}

Integer ProgressBarPosition(Int64 received, Int64 contentLength) {
  if (!ContentLengthUsable(contentLength) || received <= 0) return 0;
  return static_cast<Integer>(std::min(received, contentLength));
}

Int64 ProgressPercent(Int64 received, Int64 total) {
  // Split so that received * 100 cannot overflow: q * 100 + r * 100 / total.
  const Int64 q = received / total, r = received % total;
  if (q > std::numeric_limits<Int64>::max() / 100 - 1) return std::numeric_limits<Int64>::max();
  return q * 100 + r * 100 / total;
}

String ProgressLabel(Int64 received, Int64 contentLength) {
  if (ContentLengthUsable(contentLength)) return IntToStr(ProgressPercent(received, contentLength)) + u"%";
  return FormatByteCount(received);
}

String FormatByteCount(Int64 bytes) {
  constexpr Int64 kMiB = 1024 * 1024;
  if (bytes < 0) bytes = 0;
  if (bytes < kMiB) return IntToStr(bytes / 1024) + u" KB";
  return IntToStr(bytes / kMiB) + u"." + IntToStr(bytes % kMiB * 10 / kMiB) + u" MB";
}

bool TProgressCoalescer::Report(Int64 count, Int64 nowMicros) {
  latest_.store(count);
  if (pending_.load()) return false;
  if (queuedOnce_ && nowMicros - lastQueued_ < interval_) return false;
  pending_.store(true);
  queuedOnce_ = true;
  lastQueued_ = nowMicros;
  return true;
}

Int64 TProgressCoalescer::Take() {
  pending_.store(false);  // first: a count reported from here on may queue a new step
  return latest_.load();
}

// ---- the converter -----------------------------------------------------------------------

String ConverterParameters(StringView videoPath, StringView audioPath) {
  return u"-nostdin -n -i " + QuoteArgument(videoPath) + u" -vn -c:a copy " + QuoteArgument(audioPath);
}
