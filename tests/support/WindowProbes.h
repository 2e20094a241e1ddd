// What the window tests read back from the system windows behind the class library's
// controls: styles, texts and class names, the picture a window prints, screen points to
// click, the messages a window's procedure gets and the custom-draw answers its parent gives.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "ui/Bitmap.h"
#include "ui/Controls.h"
#include "ui/Subclass.h"

// The window's style and extended style as the system has them.
inline LONG StyleOf(TWinControl* c) { return GetWindowLongW(c->Handle(), GWL_STYLE); }
inline LONG ExStyleOf(TWinControl* c) { return GetWindowLongW(c->Handle(), GWL_EXSTYLE); }

// The window's text and class name as the system has them.
inline String WindowString(HWND wnd) {
  wchar_t buf[512] = {};
  GetWindowTextW(wnd, buf, 512);
  return String(reinterpret_cast<const Char*>(buf));
}
inline String ClassOf(HWND wnd) {
  wchar_t buf[64] = {};
  GetClassNameW(wnd, buf, 64);
  return String(reinterpret_cast<const Char*>(buf));
}

// The screen point at the middle of a control, or of a rectangle of its client area.
inline TPoint CentreOf(TControl* c) { return c->ClientToScreen(TPoint(c->Width() / 2, c->Height() / 2)); }
inline TPoint CentreOf(TControl* c, const TRect& r) {
  return c->ClientToScreen(TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
}

// What a window paints into a bitmap of its client size (WM_PRINTCLIENT).
inline std::unique_ptr<TBitmap> PrintedClient(TWinControl* c) {
  auto bmp = std::make_unique<TBitmap>(c->ClientWidth(), c->ClientHeight(), pf32bit);
  SendMessageW(c->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(bmp->Canvas()->Handle()),
               PRF_CLIENT | PRF_ERASEBKGND);
  return bmp;
}

// A colour as a pixel of PixelAt holds it (0xBBGGRR, a system colour resolved).
inline TColor Rgb(TColor c) { return ColorToRGB(c) & 0xFFFFFF; }
inline TColor PixelAt(TBitmap* b, Integer x, Integer y) { return b->PixelColor(x, y) & 0xFFFFFF; }

// Records every message that reaches a window's procedure (the system's or another's), and
// passes it on.
class TSentMessages : public TObject {
 public:
  explicit TSentMessages(HWND wnd) { subclass_.Attach(wnd, this, &TSentMessages::Proc); }
  size_t Count(Cardinal msg) const {
    return static_cast<size_t>(
        std::count_if(seen.begin(), seen.end(), [&](const TMessage& m) { return m.Msg == msg; }));
  }
  std::vector<TMessage> seen;

 private:
  void Proc(TMessage& m) {
    seen.push_back(m);
    subclass_.CallPrevious(m);
  }
  TWindowSubclass subclass_;
};

// The custom-draw notifications (NM_CUSTOMDRAW) a window's parent gets and what it answers:
// the notification as the parent's handlers left it (TInfo: the control's form of it, such
// as NMLVCUSTOMDRAW), and the result.
template <class TInfo = NMCUSTOMDRAW>
class TCustomDrawAnswers : public TObject {
 public:
  explicit TCustomDrawAnswers(HWND parent) { subclass_.Attach(parent, this, &TCustomDrawAnswers::Proc); }
  struct Answer {
    DWORD stage;
    DWORD_PTR item;
    TLResult result;
    TInfo info;
  };
  std::vector<Answer> answers;

 private:
  void Proc(TMessage& m) {
    subclass_.CallPrevious(m);
    if (m.Msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(m.LParam)->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
      const auto* cd = reinterpret_cast<const NMCUSTOMDRAW*>(m.LParam);
      answers.push_back({cd->dwDrawStage, cd->dwItemSpec, m.Result, *reinterpret_cast<const TInfo*>(m.LParam)});
    }
  }
  TWindowSubclass subclass_;
};

// The visible popup menu window ("#32768") on the desktop; null while no menu is up.
inline BOOL CALLBACK VisibleMenuWindowProbe(HWND wnd, LPARAM found) {
  if (!IsWindowVisible(wnd) || ClassOf(wnd) != u"#32768") return TRUE;
  *reinterpret_cast<HWND*>(found) = wnd;
  return FALSE;
}
inline HWND VisibleMenuWindow() {
  HWND found = nullptr;
  EnumWindows(VisibleMenuWindowProbe, reinterpret_cast<LPARAM>(&found));
  return found;
}
