// Push-button wrappers: push buttons of any window (dialog and message-box buttons without a
// class-library control), split buttons and command links, the class library's TButton with
// its image-list glyph, and bitmap buttons. The button keeps its own behaviour; the wrapper
// renders it from the skin section "BUTTON" into its cache and copies that to the window. OK,
// Yes, Cancel and No buttons take the manager's modal-buttons colouring.
//
// Sections:
//   1. TkvBtnWnd and its added virtual slots
//   2. TkvSplitBtnWnd, TkvButtonWnd, TkvBitBtnWnd
//   3. The modal-buttons colouring
#pragma once

#include "wrappers/kvSBUtils.h"

#ifdef _WIN32

class TButton;
class TsCtrlSkinData;

// ---- 1. TkvBtnWnd ------------------------------------------------------------------------------

class TkvBtnWnd : public TkvMainWnd {
  TW_CLASS(TkvBtnWnd, TkvMainWnd)
  // The section "BUTTON" unless the creator named one, the button class code, the dialog
  // identity; the skin data reports the mouse light back here.
  void AfterCreation() override;
  // A TsCtrlSkinData (the skin data the mouse light knows).
  void InitSkinData() override;
  void kvWndProc(TMessage& message) override;

  // The slots buttons add, in their fixed order.
  // 0 normal, 1 hot or active, 2 pressed, 3 default button at rest.
  virtual Integer CurrentState();
  // The glyph into the cache (nothing in the base).
  virtual void DrawGlyph();
  // The glyph's size ((0, 0) in the base).
  virtual void GlyphSize(TSize& size);
  // Where the caption is drawn, in cache coordinates.
  virtual void CaptionRect(TRect& r);
  // The width the caption may wrap in.
  virtual Integer MaxCaptionWidth();
  // Renders the button into the skin data's cache.
  virtual void PrepareCache();

  // GWL_STYLE of the window.
  LONG CtrlStyle() const;
  // BM_GETSTATE (through the wrapper's own procedure) shows the button pushed.
  bool Down();
  // The caption's size as drawn on the cache canvas.
  void TextRectSize(TSize& size);
  // The caption, in the colouring's text colour when it has one.
  void DrawCaption(const TkvColoring& coloring);
  void DoDrawText(TRect& r, Cardinal flags, bool canGlow);
  // The modal-buttons colouring of the current state.
  void GetColoring(TkvColoring& coloring);
  // RedrawWindow with RDW_INVALIDATE | RDW_UPDATENOW.
  void Repaint();
  // The mouse light moved over the button.
  void UpdateLight(TControl* sender, TkvAnimEventData& data);
  // WM_PAINT and WM_PRINT: a print goes into its own DC without BeginPaint.
  void kv_WMPaint(TMessage& message);

  // The dialog identity: 1 OK, 2 Cancel, 6 Yes, 7 No (a TButton's by its modal result).
  Cardinal ID = 0;

 protected:
  // Renders into the cache without the split arrow (the split button adds it).
  void RenderButton();
  // 2 pressed, 0 disabled, 1 active or focused; -1 when the button is at rest.
  Integer PressedOrActiveState();
  // The skin data as a button's.
  TsCtrlSkinData* ButtonData() const;
};

// ---- 2. The other push buttons ------------------------------------------------------------------

class TkvSplitBtnWnd : public TkvBtnWnd {
  TW_CLASS(TkvSplitBtnWnd, TkvBtnWnd)
  void CaptionRect(TRect& r) override;
  void PrepareCache() override;
  // The split arrow's place: the right 2 x ArrowWidth + 6 pixels of the cache.
  void ArrowRect(TRect& r);
  Integer ArrowWidth = 8;
};

class TkvButtonWnd : public TkvBtnWnd {
  TW_CLASS(TkvButtonWnd, TkvBtnWnd)
  void AfterCreation() override;
  void DrawGlyph() override;
  void GlyphSize(TSize& size) override;
  void CaptionRect(TRect& r) override;
  // The button has an image list and a valid image index.
  bool HaveImage() const;
  // The image of the current state (disabled, pressed, focused, hot, normal).
  Integer GlyphIndex();
  void GlyphRect(TRect& r);
  TButton* Btn = nullptr;  // the wrapped button (the skin data's owner control)
};

class TkvBitBtnWnd : public TkvBtnWnd {
  TW_CLASS(TkvBitBtnWnd, TkvBtnWnd)
  Integer CurrentState() override;
  void DrawGlyph() override;
  void GlyphSize(TSize& size) override;
  void CaptionRect(TRect& r) override;
  Integer MaxCaptionWidth() override;
  void GlyphRect(TRect& r);
};

// ---- 3. The modal-buttons colouring ---------------------------------------------------------------

// Whether a button with modal result / dialog identity aID stands beside the button: among the
// TButton siblings of a class-library button, else among all windows under the button's parent.
bool HaveID(HWND ctrlHandle, Cardinal aID, TkvMainWnd* wndData);

#endif
