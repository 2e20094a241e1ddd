// The wrapper of up-down controls ("msctls_updown32"): both arrow buttons painted from the
// skin, with hot and pressed looks that follow the mouse. Also the page scroller of tab
// controls.
#pragma once

#ifdef _WIN32

#include "wrappers/kvSBUtils.h"

class TkvSpinWnd : public TkvMainWnd {
  TW_CLASS(TkvSpinWnd, TkvMainWnd)
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;

  bool IsVertical() const;
  void SetRTL();
  void PrepareCache();
  void KV_WMPaint(TMessage& message);
  // The button rectangles (first: up or left).
  void ButtonRects(TRect& first, TRect& second) const;

  Integer Btn1State = 0;
  Integer Btn2State = 0;
  bool RTL = false;
  bool bMousePressed = false;
  bool Skinned = false;
  Integer lOffset = 0;
  HWND OwnerWnd = nullptr;
};

#endif
