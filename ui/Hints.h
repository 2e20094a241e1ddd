// THintWindow: the class library's plain hint window (a popup with a border, in the
// tooltip colours), and HintWindowClass, the class the program makes hint windows of.
// Windows only.
//
//   THintWindow* h = CreateHintWindow(nullptr);
//   TRect r = h->CalcHintRect(800, text, nullptr);      // (0, 0, w, h) for the text
//   OffsetRect(r, x, y); h->ActivateHint(r, text);        // shown topmost, not activated
#pragma once

#ifdef _WIN32

#include "Controls.h"

class THintWindow : public TCustomControl {
  TW_CLASS(THintWindow, TCustomControl)
  explicit THintWindow(TComponent* owner);

  // The rectangle the text needs when wrapped at maxWidth: (0, 0, width, height).
  virtual TRect CalcHintRect(Integer maxWidth, const String& hint, void* data);
  // Shows the hint: the text, the rectangle (4 pixels taller) in screen coordinates,
  // topmost, without taking the activation.
  virtual void ActivateHint(TRect rect, const String& hint);
  // Hides it again.
  void ReleaseHandle() { DestroyHandle(); }

 protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
};

// The class hint windows are made of; the engine may put its own here.
extern const TClassInfo* HintWindowClass;
// A hint window of HintWindowClass.
THintWindow* CreateHintWindow(TComponent* owner);

// user32's AnimateWindow, bound by name on first use; nullptr when the system lacks it.
using TAnimateWindowProc = int(__stdcall*)(HWND, unsigned long, unsigned long);
TAnimateWindowProc AnimateWindowProc();

#endif
