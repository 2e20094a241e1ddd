// Wrappers of windows that paint their own text or list client while the skin paints their
// frame and scroll bars: edits, memos and list boxes (TkvEditWnd), and the common base it shares
// with the MDI client wrapper (TkvBaseWnd). The list view, tree view, combo box and grid wrappers
// build on TkvEditWnd (kvSBUtilsLists.h, kvSBUtilsCombo.h, kvSBUtilsGrid.h).
//
// Sections:
//   1. TkvBaseWnd: a scroll wrapper that keeps the background flag and the frame up to date
//   2. TkvEditWnd: colours pushed into the control and given back, the frame and bars painted
//      over the control's own painting, skin commands
#pragma once
#ifdef _WIN32

#include "wrappers/kvSBUtils.h"

// ---- 1. TkvBaseWnd ----------------------------------------------------------------------------

class TkvBaseWnd : public TkvScrollWnd {
  TW_CLASS(TkvBaseWnd, TkvScrollWnd)
  void kvWndProc(TMessage& message) override;
};

// ---- 2. TkvEditWnd ----------------------------------------------------------------------------

// CtrlState bits.
constexpr Cardinal csPaintNeeded = 1;    // the client must repaint: its colours changed
constexpr Cardinal csNCPaintNeeded = 2;  // the frame must repaint: the hot look changed

// The control-class codes the edit wrappers give their own skin data.
constexpr Byte COC_EditWnd = 231;

class TkvEditWnd : public TkvBaseWnd {
  TW_CLASS(TkvEditWnd, TkvBaseWnd)
  ~TkvEditWnd() override;

  void Create(HWND aHandle, TsCommonData* aSkinData, DuRiruZireziv* aSkinManager, TkvSkinParams& skinParams,
              bool repaint) override;
  void SaveStdParams() override;
  void RestoreStdParams() override;
  void kvWndProc(TMessage& message) override;
  void SetSkinParams() override;
  // Answers skin commands; True when the command is fully handled.
  virtual bool HandleAlphaCmd(TMessage& message);
  // The non-client area holds more than the border (an edit with its own extra frame content).
  bool NCContent();

  TRect FClientRect{0, -1, 0, 0};
  TColor FrameColor = 0;
  Cardinal CtrlState = 0;
  bool StdNCPaint = false;
  bool SingleLineEdit = false;
  bool CtrlListChanged = false;
  TColor FocusColor = 0;
  bool HasFocusColor = false;  // the owner publishes "FocusColor"
  TColor FixedGradientFrom = 0;
  TColor FixedGradientTo = 0;
  Integer DrawingStyle = 0;
  bool IsGridOwner = false;  // the owner publishes a grid's drawing style and gradient
  TColor Color = 0;
  bool FInBufferedPrintClient = false;

  // The wrapper is one of the grid or virtual tree kinds (they keep their theme).
  virtual bool KeepsTheme() const { return false; }
  // A combo box's list wrapper: made only when repaint is asked.
  virtual bool IsDropDownList() const { return false; }

  // The frame strips of the cache onto dc (window coordinates), at most maxTop rows at the top;
  // the measured edges on each side, or (borderOnly) the left border's width all round.
  void CopyFrame(HDC dc, Integer maxTop, bool borderOnly = false);

 protected:
  // The state look s (1 for the hot look when the control is active and the section has more
  // than one state).
  Integer HotState();
  // The section of the skin data; null when not valid.
  const TsGeneralData* Section();
  // The previous procedure validates the window without painting.
  void EmulPaint();
  // WM_PAINT, WM_ERASEBKGND, WM_NCPAINT and WM_PRINT of a skinned window.
  bool HandlePaintMessage(TMessage& message);
  void DoPrint(TMessage& message);
};

// The dialog look of a cache: the system window colour framed in the manager's border colour.
// False, and nothing painted, without a manager or when its border colour is the key colour
// (the section paints the cache then).
bool kvPaintDialogCache(TBitmap* cache, DuRiruZireziv* manager);

#endif
