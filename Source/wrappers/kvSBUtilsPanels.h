// Wrappers of panel-like windows: class-library panels and dialog panels (background and
// borders by bevels, caption from the skin), nested dialog panels (the parent's background)
// and the size grip of dialogs.
#pragma once

#ifdef _WIN32

#include "wrappers/kvSBUtils.h"

class TWinControl;
class TCanvas;

class TkvPanelWnd : public TkvMainWnd {
  TW_CLASS(TkvPanelWnd, TkvMainWnd)
  void AfterCreation() override;
  bool DoPrepareCache() override;
  void kvWndProc(TMessage& message) override;

  void KV_WMPaint(HDC dc);
  void KV_WMNCPaint(HDC dc);
  void WriteText(TRect r, TCanvas* canvas);

  TWinControl* Panel = nullptr;
};

// The section of a class-library panel by its bevels and border.
String PanelSection(TWinControl* panel);

class TkvTransPanelWnd : public TkvMainWnd {
  TW_CLASS(TkvTransPanelWnd, TkvMainWnd)
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;
  void KV_WMPaint(TMessage& message);
};

class TkvSizerWnd : public TkvMainWnd {
  TW_CLASS(TkvSizerWnd, TkvMainWnd)
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;
  void KV_WMPaint(TMessage& message);
};

#endif
