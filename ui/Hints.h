// THintWindow: the class library's plain hint window (a popup with a border, in the
// tooltip colours and the screen's hint font), HintWindowClass, the class the program makes
// hint windows of, and what the application's hint engine (Forms.h) hands to the control
// and to OnShowHint before a hint is shown. Windows only.
//
//   THintWindow* h = CreateHintWindow(nullptr);
//   TRect r = h->CalcHintRect(800, text, nullptr);      // (0, 0, w, h) for the text
//   OffsetRect(r, x, y); h->ActivateHint(r, text);        // shown topmost, not activated
//
// A control's Hint may hold two parts, "short|long": the hint window shows the short one,
// Application->Hint (a status line) the long one; without '|' both are the whole text.
#pragma once

#ifdef _WIN32

#include "Controls.h"

// What a hint about to be shown will look like. The control gets it with CM_HINTSHOW
// (LParam: THintInfo*; a non-zero result forbids the hint), then Application->OnShowHint;
// either may change it.
struct THintInfo {
  TControl* HintControl = nullptr;
  const TClassInfo* HintWindowClass = nullptr;  // the class the window is made of
  TPoint HintPos;                               // the window's top-left on the screen
  Integer HintMaxWidth = 0;                     // where the text wraps
  TColor HintColor = clInfoBk;
  TRect CursorRect;           // in the control's client coordinates: the hint stays while the mouse is inside
  TPoint CursorPos;           // the mouse, in the control's client coordinates
  Integer ReshowTimeout = 0;  // ms after which the hint is asked for again; 0: never
  Integer HideTimeout = 0;    // ms after which it hides; 0: it stays
  String HintStr;             // the text shown
  void* HintData = nullptr;   // handed to the window's CalcHintRect and ActivateHintData
};

using TShowHintEvent = TEvent<void(String& HintStr, bool& CanShow, THintInfo& HintInfo)>;

// The parts of a hint text "short|long".
String GetShortHint(StringView hint);
String GetLongHint(StringView hint);
// The control's Hint, or the nearest parent's that has one.
String GetHint(const TControl* control);

class THintWindow : public TCustomControl {
  TW_CLASS(THintWindow, TCustomControl)
  explicit THintWindow(TComponent* owner);

  // The rectangle the text needs when wrapped at maxWidth: (0, 0, width, height).
  virtual TRect CalcHintRect(Integer maxWidth, const String& hint, void* data);
  // Shows the hint: the text, the rectangle (4 pixels taller) in screen coordinates,
  // topmost, without taking the activation.
  virtual void ActivateHint(TRect rect, const String& hint);
  // As ActivateHint, for a hint that came with data (THintInfo::HintData).
  virtual void ActivateHintData(TRect rect, const String& hint, void* /*data*/) { ActivateHint(rect, hint); }
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
