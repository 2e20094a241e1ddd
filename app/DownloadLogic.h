// The downloads' rules without the platform: time names, the names a download's files get,
// the progress display and the converter's command line.
#pragma once

#include <atomic>

#include "ui/Types.h"

// ---- names ---------------------------------------------------------------------------

// Seconds from 1970-01-01 00:00:00 of a local date and time, counted as if it were UTC.
Int64 UnixTimeOf(int year, int month, int day, int hour, int minute, int second);

// folder + "\" + name: one backslash, whatever the folder ends with.
String JoinPath(StringView folder, StringView name);

// The longest full path the file functions take without the long-path prefix, and the
// longest single name.
constexpr int kMaxPathLength = 259;
constexpr int kMaxNameLength = 255;

// The file name (without extension) that fileName becomes in folder when suffix (such as
// "_1") and ext (such as ".mp4") follow it: characters a Windows name cannot hold become
// '_', trailing dots and blanks go, a device name (CON, NUL, COM1 ...) gets '_' appended,
// and the name is cut so that the whole path stays within kMaxPathLength. Empty when
// nothing is left.
String SafeFileStem(StringView fileName, StringView folder, StringView suffix, StringView ext);

// The n-th candidate for a download's final file: n = 0 gives folder\stem + ext, n >= 1
// folder\stem_n + ext, with stem = SafeFileStem(fileName, ...) or, when that is empty,
// fallbackStem (the download's time name).
String FinalFileCandidate(StringView folder, StringView fileName, StringView ext, int n, StringView fallbackStem);

// The n-th candidate for a temporary file: folder\time + ext, then folder\time_n + ext.
String TempFileCandidate(StringView folder, StringView timeName, StringView ext, int n);

// How many names a download tries before it gives up (keeps its file where it is).
constexpr int kMaxNameCandidates = 1000;

// The name of a path's last element without its extension ("C:\a\123_1.mp4" -> "123_1").
String FileStemOf(StringView path);

// ---- progress --------------------------------------------------------------------------

// A Content-Length the progress bar can show: 1 .. 2^31 - 1. Otherwise (absent = -1, 0, or
// larger) the label shows the received size instead of a percentage.
bool ContentLengthUsable(Int64 contentLength);
// The bar's Max for a download: the Content-Length when usable, else 100 (the bar fills
// when the download completes).
Integer ProgressBarMax(Int64 contentLength);
// The bar's Position for a received count: the count (limited to Max) when the length is
// usable, else 0.
Integer ProgressBarPosition(Int64 received, Int64 contentLength);
// received * 100 div total, truncated, exact in 64 bits (total >= 1).
Int64 ProgressPercent(Int64 received, Int64 total);
// The label text: "<percent>%" when the length is usable, else FormatByteCount(received).
String ProgressLabel(Int64 received, Int64 contentLength);
// "<n> KB" below one MiB (whole KiB, truncated), else "<n.d> MB" (one decimal, truncated).
String FormatByteCount(Int64 bytes);

// Hands a worker's received counts to the GUI thread at most once per interval, and never
// more than one step at a time, while the last count always stays readable. The worker
// calls Report for every block; when it answers true the worker queues one GUI step, which
// calls Take for the newest count. The download's completion reads the final count itself,
// so a count whose step was skipped is never lost.
class TProgressCoalescer {
 public:
  static constexpr Int64 kDefaultIntervalMicros = 1000000 / 60;
  explicit TProgressCoalescer(Int64 intervalMicros = kDefaultIntervalMicros) : interval_(intervalMicros) {}
  // Worker thread. nowMicros: any monotonic clock.
  bool Report(Int64 count, Int64 nowMicros);
  // GUI thread: the newest count; from now on a new step may be queued.
  Int64 Take();
  Int64 Latest() const { return latest_.load(); }
  // A step is queued and has not taken its count yet.
  bool StepPending() const { return pending_.load(); }

 private:
  const Int64 interval_;
  std::atomic<Int64> latest_{0};
  std::atomic<bool> pending_{false};
  Int64 lastQueued_ = 0;  // worker thread only
  bool queuedOnce_ = false;
};

// How often the window looks for a count that arrived after the last step and was skipped
// by the coalescer (a transfer that goes quiet right after it): well under a second.
constexpr unsigned kProgressCatchUpMs = 250;

// ---- the converter -----------------------------------------------------------------------

// The converter's parameters: -nostdin -n -i "<video>" -vn -c:a copy "<audio>".
String ConverterParameters(StringView videoPath, StringView audioPath);
