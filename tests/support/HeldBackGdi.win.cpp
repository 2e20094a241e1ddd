#include "support/HeldBackGdi.h"

#include <windows.h>

#include <vector>

#include "support/ImportHook.h"

namespace {

// One drawing call held back: a PatBlt, or a FillRect whose brush is kept by its colour (the
// caller may delete the brush before the flush, as GDI's own batch allows).
struct HeldCall {
  bool patBlt;
  HDC dc;
  RECT r;
  DWORD ropOrColor;
};

std::vector<HeldCall> held;
int flushes = 0;
using PatBltFn = BOOL(WINAPI*)(HDC, int, int, int, int, DWORD);
using FillRectFn = int(WINAPI*)(HDC, const RECT*, HBRUSH);
using GdiFlushFn = BOOL(WINAPI*)();
PatBltFn realPatBlt = nullptr;
FillRectFn realFillRect = nullptr;
GdiFlushFn realGdiFlush = nullptr;

BOOL WINAPI HoldPatBlt(HDC dc, int x, int y, int w, int h, DWORD rop) {
  held.push_back({true, dc, {x, y, x + w, y + h}, rop});
  return TRUE;
}

int WINAPI HoldFillRect(HDC dc, const RECT* r, HBRUSH brush) {
  LOGBRUSH lb{};
  if (!r || !GetObjectW(brush, sizeof lb, &lb) || lb.lbStyle != BS_SOLID) return realFillRect(dc, r, brush);
  held.push_back({false, dc, *r, lb.lbColor});
  return 1;
}

BOOL WINAPI CarryOut() {
  ++flushes;
  for (const HeldCall& c : held) {
    if (c.patBlt) {
      realPatBlt(c.dc, c.r.left, c.r.top, c.r.right - c.r.left, c.r.bottom - c.r.top, c.ropOrColor);
    } else {
      HBRUSH brush = CreateSolidBrush(c.ropOrColor);
      realFillRect(c.dc, &c.r, brush);
      DeleteObject(brush);
    }
  }
  held.clear();
  return realGdiFlush();
}

}  // namespace

struct HeldBackGdi::Hooks {
  ImportHook patBlt{"gdi32.dll", "PatBlt", &HoldPatBlt};
  ImportHook fillRect{"user32.dll", "FillRect", &HoldFillRect};
  ImportHook flush{"gdi32.dll", "GdiFlush", &CarryOut};
};

HeldBackGdi::HeldBackGdi() {
  held.clear();
  flushes = 0;
  hooks_ = std::make_unique<Hooks>();
  realPatBlt = hooks_->patBlt.Original<PatBltFn>();
  realFillRect = hooks_->fillRect.Original<FillRectFn>();
  realGdiFlush = hooks_->flush.Original<GdiFlushFn>();
}

HeldBackGdi::~HeldBackGdi() {
  hooks_.reset();
  held.clear();
}

int HeldBackGdi::Held() const { return static_cast<int>(held.size()); }
int HeldBackGdi::Flushes() const { return flushes; }
