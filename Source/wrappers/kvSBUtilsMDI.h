// The wrapper of the MDI client window of a skinned MDI main form: the form's picture shows
// through as the client's background, the frame and the scroll bars are skinned, the client
// scrolls itself when a thumb is released, and the form's menu line and system menu follow
// new, tiled, cascaded and re-menued children. The form layer reaches the wrapper through
// TkvMDIHost, which its MDI support implements.
#pragma once

#include "wrappers/kvSBUtils.h"

// A thumb released on an MDI client's bar: the position it asks for, kept inside the bar's
// range, and how far the contents move (in the bar's units, pixels for an MDI client). A
// thumb put back where it was moves nothing.
struct TkvThumbScroll {
  Integer NewPos = 0;
  Integer Delta = 0;
};
TkvThumbScroll MDIThumbScroll(const TkvScrollValues& si, Integer requested);

#ifdef _WIN32

#include "wrappers/kvSBUtilsEdit.h"

// What the client wrapper needs of the MDI main form's provider.
class TkvMDIHost {
 public:
  virtual ~TkvMDIHost() = default;
  virtual HWND FormWindow() = 0;
  // The provider's skin data: its cache is the form's window picture.
  virtual TsCommonData* FormSkinData() = 0;
  virtual bool Animating() = 0;
  // Renders the form's window picture anew (the form's PaintAll).
  virtual void RepaintPicture() = 0;
  // The outer border window's offset of the picture (shadow plus frame differences); none
  // without an outer border window.
  virtual bool HasOuterBorder() = 0;
  virtual TPoint PictureOffset() = 0;
  // The picture and the menu line must be rebuilt (BGChanged, the line count reset; with
  // menuChanged also the menu).
  virtual void BackgroundChanged(bool menuChanged) = 0;
  // Repaints the form's menu line (its MDI child buttons).
  virtual void UpdateMDIIconItem() = 0;
  // The items of the form's system menu anew.
  virtual void UpdateSystemMenu() = 0;
  // Repaints the caption.
  virtual void UpdateSkinCaption() = 0;
};

class TkvMDIWnd : public TkvBaseWnd {
  TW_CLASS(TkvMDIWnd, TkvBaseWnd)
  ~TkvMDIWnd() override;
  void kvWndProc(TMessage& message) override;
  // In place of the wall while the active child is maximized: nothing to paint.
  void UpdateGraphControls() {}

  TForm* FForm = nullptr;
  TkvMDIHost* SkinProvider = nullptr;   // not owned
  TsCommonData* MDISkinData = nullptr;  // the provider's, not owned

  // The client's window rectangle in the picture's coordinates, and moved to (0, 0).
  TRect SrcRect();
  TRect DstRect();
  void PaintClient(HDC dc, bool noOffset);
  void PaintBorders(HDC dc);
  // The active child is maximized.
  bool ChildMaximized();

 private:
  bool WallPainted();
};
#endif
