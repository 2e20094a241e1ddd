#include "base/kvntTypes.h"

#include <windows.h>

#include "base/SkinDataBase.h"
#include "ui/Bitmap.h"
#include "ui/Controls.h"

TW_DEFINE_CLASS(TkvGlowForm) {}
TW_DEFINE_CLASS(TkvTimer) {}

Integer TkvPaintBorderData::GetCorner(Integer aCorner) {
  const Integer corner = aCorner >= 0 && aCorner <= 2 ? aCorner : 3;
  Integer radius = GetRadius(corner);
  if (radius <= 0) return radius;
  auto* sd = dynamic_cast<TkvSkinDataBase*>(FSkinData);
  if (!sd) return radius;
  if (sd->CurrentPPI != 96) radius = sd->ScaleValue(radius);
  TControl* ctrl = sd->FOwnerControl;
  if (!ctrl) return radius;
  // The shorter side limits the radius, together with the corner that shares that side.
  Integer side, neighbour;
  if (ctrl->Width() > ctrl->Height()) {
    side = ctrl->Height();
    neighbour = GetRadius(corner == 0 ? 2 : corner == 2 ? 0 : corner == 1 ? 3 : 1);
  } else {
    side = ctrl->Width();
    neighbour = GetRadius(corner == 0 ? 1 : corner == 1 ? 0 : corner == 2 ? 3 : 2);
  }
  neighbour = std::max(neighbour, 0);
  if (side - neighbour >= radius) return radius;
  return std::max(side / 2, side - neighbour);
}

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
