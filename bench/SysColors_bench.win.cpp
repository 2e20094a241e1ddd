// GetSysColor with system-colour patching off, with the patch that stays in place (the real
// function reached past the hot-patch jump), and with the entry jump that is taken away and
// put back around each call of the real function. A colour the skin does not answer
// (COLOR_BTNFACE) goes to the real function every time, so the patch's own cost shows.
#include <windows.h>

#include <cstdio>
#include <memory>

#include "BenchTiming.h"
#include "skin/sSkinManager.h"
#include "skin/sSkinManagerSysColors.h"

int main() {
  constexpr int kCalls = 200000;
  volatile DWORD sink = 0;
  const auto body = [&] { sink = sink + GetSysColor(COLOR_BTNFACE); };
  DuRiruZireziv manager(nullptr);
  const double off = bench::SecondsPerCall(kCalls, body);

  UpdateColorsHooks(true);
  const bool hot = SysColorPatchKind() == TkvPatchKind::HotPatch;
  const double inPlace = bench::SecondsPerCall(kCalls, body);
  UpdateColorsHooks(false);

  ForceEntryJumpPatches(true);
  UpdateColorsHooks(true);
  const double toggled = bench::SecondsPerCall(kCalls / 10, body);
  UpdateColorsHooks(false);
  ForceEntryJumpPatches(false);

  std::printf("GetSysColor(COLOR_BTNFACE), ns per call\n");
  std::printf("  unpatched                       %8.1f\n", off * 1e9);
  std::printf("  patched, stays in place (%s)  %8.1f  x%.2f of unpatched\n", hot ? "hot" : "n/a", inPlace * 1e9,
              inPlace / off);
  std::printf("  patched, entry jump toggled     %8.1f  x%.2f of unpatched, x%.1f of in place\n", toggled * 1e9,
              toggled / off, toggled / inPlace);
  return 0;
}
