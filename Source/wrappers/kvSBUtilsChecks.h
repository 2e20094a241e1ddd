// Wrappers of the button-class controls that are not push buttons: check boxes and radio
// buttons (the section "CHECKBOX" under the skin's check or radio glyph and the caption) and
// group boxes (the section "GROUPBOX" as a frame starting half a caption below the top, the
// caption over the parent's background). The controls keep their own behaviour.
#pragma once

#ifdef _WIN32

#include "wrappers/kvSBUtils.h"

class TkvCheckBoxWnd : public TkvMainWnd {
  TW_CLASS(TkvCheckBoxWnd, TkvMainWnd)
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;

  // 0 unchecked, 1 checked, 2 grayed.
  Integer State();
  // 0 normal, 1 hot, 2 pressed.
  Integer CtlState();
  // The skin image of a check state: the radio images for radio buttons, else the check-box
  // ones; -1 none.
  Integer GlyphMaskIndex(Integer aState);
  bool IsRadio() const;
  void SkinCheckRect(Integer index, TRect& r);
  void CheckRect(TRect& r);
  void GlyphScreenRect(TRect& r);
  // Shows the light circle over the check mark while the mouse is on it (in circle click
  // mode), hides it when it leaves.
  void SetMouseInGlyph(bool value);
  // The circle after a press or release: animated when the manager animates, else at once.
  void CircleStep();
  void DrawSkinGlyph(Integer index);
  void DrawCheckText();
  void PrepareCache();
  void KV_WMPaint(TMessage& message);

  bool OwnerDraw = false;
  bool FMouseInGlyph = false;
};

class TkvGroupBoxWnd : public TkvMainWnd {
  TW_CLASS(TkvGroupBoxWnd, TkvMainWnd)
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;

  void CaptionRect(TRect& r);
  void PrepareCache();
  void WriteText(TRect r);
  void KV_WMPaint(TMessage& message);

 private:
  TkvBGInfo FBG;
};

#endif
