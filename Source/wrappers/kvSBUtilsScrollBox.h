// Wrappers of containers: scrolling containers and self-painting controls (skinned border and
// scroll bars; the container's client from the skin or left to the control), and the container
// windows and search field of shell dialogs (background, client edge, a three-pixel frame).
#pragma once

#ifdef _WIN32

#include "wrappers/kvSBUtils.h"

class TkvScrollBoxWnd : public TkvScrollWnd {
  TW_CLASS(TkvScrollBoxWnd, TkvScrollWnd)
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;

  void PrepareCache();
  void KV_WMPaint(HDC dc);
  void KV_WMNCPaint(HDC dc);

 protected:
  void HandleAfterScroll(TMessage& message);
};

class TkvNativePaint : public TkvScrollBoxWnd {
  TW_CLASS(TkvNativePaint, TkvScrollBoxWnd)
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;
};

class TkvContainerWnd : public TkvMainWnd {
  TW_CLASS(TkvContainerWnd, TkvMainWnd)
  void AfterCreation() override;
  bool DoPrepareCache() override;
  void kvWndProc(TMessage& message) override;

  void KV_WMPaint(TMessage& message);
  void KV_WMNCPaint(TMessage& message);
  void KV_WMPrint(TMessage& message);

  TRect ClientRect{};
  Integer BorderWidth = 0;
};

class TkvSearchWnd : public TkvMainWnd {
  TW_CLASS(TkvSearchWnd, TkvMainWnd)
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;

  void PrepareCache();
  void KV_WMNCPaint(TMessage& message);

  TRect ClientRect{};
};

#endif
