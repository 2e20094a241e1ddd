// Wrappers of tool bars and status bars: a native tool bar painted whole from the skin (bar,
// buttons, separators, images, captions, drop-down arrows), a class-library tool bar through
// its custom-draw events, and a class-library status bar (section, panel frames or dividers,
// texts, owner-drawn panels, grip) from one cache.
#pragma once

#include <vector>

#include "base/sConst.h"

// A native button's caption in at most two lines for a button maxWidth wide: the words that fit
// on the first line, the rest on the second. widths[i] is the width of the first i + 1 words
// joined by spaces. The number of words on the first line; 0: the caption is one block.
Integer SplitCaptionWords(const std::vector<Integer>& prefixWidths, Integer maxWidth);

#ifdef _WIN32

#include "ui/ComCtrls.h"
#include "wrappers/kvSBUtils.h"

class TkvToolBarWnd : public TkvMainWnd {
  TW_CLASS(TkvToolBarWnd, TkvMainWnd)
  bool DoPrepareCache() override;
  void kvWndProc(TMessage& message) override;

  Integer Count();
  TRect GetButtonRect(Integer index);
  void DrawButtons(TBitmap* bmp);
  void DrawBtn(Integer index, TRect r, HDC dc);
  void KV_WMPaint(TMessage& message);
  void KV_WMPrint(HDC dc);
  void KV_WMNCPaint();
  // A button's text: its length asked first, then read into a buffer of that size.
  String ButtonText(Integer commandId);

  TRect ClientRect{};
  Integer BorderWidth = 0;
};

class TkvToolBarVCLWnd : public TkvMainWnd {
  TW_CLASS(TkvToolBarVCLWnd, TkvMainWnd)
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;

  TRect DisplayRect();
  TRect GetButtonRect(Integer index);
  Integer IndexByMouse(TPoint p);
  void OurAdvancedCustomDraw(TToolBar* sender, const TRect& aRect, TCustomDrawStage stage, bool& defaultDraw);
  void OurAdvancedCustomDrawButton(TToolBar* sender, TToolButton* button, TCustomDrawState state,
                                   TCustomDrawStage stage, TTBCustomDrawFlags& flags, bool& defaultDraw);
  void PrepareCache();
  void RepaintButton(Integer index);
  void WMNCPaint(HDC dc);

  TToolBar* ToolBar = nullptr;
  Integer HotButtonIndex = -1;
  TToolButton* DroppedButton = nullptr;
  TTBAdvancedCustomDrawBtnEvent OldDrawBtnEvent;

 private:
  void InstallHandlers();
};

class TkvStatusBarWnd : public TkvMainWnd {
  TW_CLASS(TkvStatusBarWnd, TkvMainWnd)
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;

  Integer PartsCount();
  TRect PartRect(Integer index);
  bool SimplePanel();
  String PartText(Integer index);
  void PaintPanels();
  void DrawPanel(Integer index, TRect r);
  void InternalDrawPanel(Integer index, TRect r);
  void DoDrawText(const String& text, TRect r, Cardinal flags);
  void PaintGrip();
  void PrepareCache();
  void WMPaint(HDC dc);
  void WMNCPaint(HDC dc);

  TStatusBar* StatusBar = nullptr;
};

#endif
