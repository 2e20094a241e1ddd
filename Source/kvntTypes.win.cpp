#include "kvntTypes.h"

#include <windows.h>

#include "vcl/Bitmap.h"

TW_DEFINE_CLASS(TkvGlowForm) {}

TkvGlowForm::TkvGlowForm(TComponent* owner) : TCustomForm(owner) {}

TkvGlowForm::~TkvGlowForm() {
  TBitmap* bmp = AlphaBmp;
  AlphaBmp = nullptr;
  delete bmp;
}

void TkvGlowForm::AfterConstruction() {
  TCustomForm::AfterConstruction();
  AlphaBmp = nullptr;
  SetTag(ExceptTag);  // no skinning layer ever touches it
  SetBorderStyle(bsNone);
  TransparentMouse = true;
}

void TkvGlowForm::CreateWnd() {
  TCustomForm::CreateWnd();
  if (!HandleAllocated()) return;
  HWND h = WindowHandle();
  // No taskbar button, never activated by clicks or by being shown.
  SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE);
  // The system must never draw a shadow of its own under a glow.
  const DWORD classStyle = GetClassLongW(h, GCL_STYLE);
  if (classStyle & NCS_DROPSHADOW) SetClassLongW(h, GCL_STYLE, classStyle & ~NCS_DROPSHADOW);
}

void TkvGlowForm::Loaded() {
  if (kvCurrentScaleMode == smVCL) SetScaled(true);
  TCustomForm::Loaded();
}

void TkvGlowForm::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_SHOWWINDOW:
    case CM_VISIBLECHANGED:
      // Hiding a glow must neither activate another window nor reorder owners.
      if (m.WParam == 0 && !ComponentState().Contains(csDestroying) && HandleAllocated() &&
          IsWindowVisible(WindowHandle()))
        SetWindowPos(WindowHandle(), nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_HIDEWINDOW | SWP_NOOWNERZORDER |
                         SWP_NOSENDCHANGING);
      break;
    case WM_NCHITTEST:
      // Answered here and not passed on: the form's own hit test would overwrite it and the
      // glow would catch the clicks meant for the windows below.
      if (TransparentMouse) {
        m.Result = HTTRANSPARENT;
        return;
      }
      break;
    case WM_WINDOWPOSCHANGING:
      if (!HandleAllocated()) return;
      break;
  }
  TCustomForm::WndProc(m);
}
