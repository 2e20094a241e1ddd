// A watchdog for the Windows test executables. Under Wine a test that hangs is killed by CTest's
// time-out with nothing said about where it stood; the watchdog prints the running test's name
// and the main thread's stack while the process still lives: once when a test runs longer than
// TW_HANG_REPORT_SECONDS (default 120), and once when the exit after the last test takes longer
// than 30 s. Frames are printed as module+offset; `addr2line -f -C -e <exe>` turns an offset
// added to the image base into a function and line.
#pragma once

#ifdef _WIN32
void StartHangWatch();
void HangWatchTestStarted(const char* suite, const char* name);
void HangWatchTestEnded();
void HangWatchExiting();
#else
inline void StartHangWatch() {}
inline void HangWatchTestStarted(const char*, const char*) {}
inline void HangWatchTestEnded() {}
inline void HangWatchExiting() {}
#endif
