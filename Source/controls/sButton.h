// TsButton: the skinned push button. It is made owner-drawn and, while it is not skinned,
// draws the plain or themed Windows look itself, with an image of its image list beside the
// caption (through DrawBtnGlyph). Its skin data is there for the engine to find.
//
// The glyph drawer reads the button through GetImages, CurrentImageIndex, CurrentState,
// GlyphRect, Reflected, Enabled, Color and SkinData. CurrentState follows the real button:
// the mouse over it (CM_MOUSEENTER/CM_MOUSELEAVE), the system's pushed state (BM_GETSTATE),
// Down, focus, and the default-button style the form gives it (SetButtonStyle).
#pragma once

#ifdef _WIN32

#include <memory>

#include "skin/sCommonData.h"
#include "ui/ImgList.h"
#include "ui/StdCtrls.h"

struct tagDRAWITEMSTRUCT;

class TsButton : public TButton {
  TW_CLASS(TsButton, TButton)
  explicit TsButton(TComponent* owner);
  ~TsButton() override;
  TsCommonData* SkinData() const { return FCommonData.get(); }

  // ---- images: one list, an image per state (-1: the state shows ImageIndex) ----
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* value);
  Integer ImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer value) { SetIndex(FImageIndex, value); }
  Integer HotImageIndex() const { return FHotImageIndex; }
  void SetHotImageIndex(Integer value) { SetIndex(FHotImageIndex, value); }
  Integer PressedImageIndex() const { return FPressedImageIndex; }
  void SetPressedImageIndex(Integer value) { SetIndex(FPressedImageIndex, value); }
  Integer SelectedImageIndex() const { return FSelectedImageIndex; }
  void SetSelectedImageIndex(Integer value) { SetIndex(FSelectedImageIndex, value); }
  Integer DisabledImageIndex() const { return FDisabledImageIndex; }
  void SetDisabledImageIndex(Integer value) { SetIndex(FDisabledImageIndex, value); }
  // Drawn pressed whatever the mouse does.
  bool Down() const { return FDown; }
  void SetDown(bool value) { SetFlag(FDown, value); }
  // The glyph is drawn with a fading reflection below it.
  bool Reflected() const { return FReflected; }
  void SetReflected(bool value) { SetFlag(FReflected, value); }

  // ---- what the glyph drawer reads ----
  virtual TCustomImageList* GetImages() const { return FImages; }
  virtual Integer CurrentImageIndex() { return GlyphIndex(); }
  // 2 pressed (Down, or pushed by the mouse over it or by the keyboard); 1 active (focused or
  // under the mouse); 3 a default button at rest; 0 at rest.
  virtual Integer CurrentState();
  // The image of the state: disabled, pressed, focused (the selected image) or the current
  // state's; an index that is no image of the list falls back to ImageIndex.
  Integer GlyphIndex();
  // An image list is set and CurrentImageIndex is one of its images.
  bool GlyphExist();
  // The glyph's size at the skin data's density; 0 x 0 without a glyph.
  TSize ImageSize();
  // Left of the caption, vertically centred, ContentMargin from the edge; moved by (1, 1)
  // while pressed when the section shifts its content. Empty without a glyph.
  TRect GlyphRect();
  // The caption's rectangle for its size measured on canvas (with the button's font).
  TRect CaptionRect(TCanvas* canvas);

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  // Keeps the default-button look in the button's own state: the window stays owner-drawn.
  void SetButtonStyle(bool isDefault) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void SetIndex(Integer& field, Integer value);
  void SetFlag(bool& field, bool value);
  // Redraws the window now, without erasing (mouse and state changes).
  void RedrawNow();
  Integer PPI();
  TSize CaptionSize(TCanvas* canvas);
  void DrawCaption(TCanvas* canvas);
  // The unskinned look: frame (themed or classic), caption, glyph.
  void StdDrawItem(const tagDRAWITEMSTRUCT& item);

  std::unique_ptr<TsCommonData> FCommonData;
  TCustomImageList* FImages = nullptr;
  Integer FImageIndex = -1, FHotImageIndex = -1, FPressedImageIndex = -1, FSelectedImageIndex = -1,
          FDisabledImageIndex = -1;
  bool FDown = false;
  bool FReflected = false;
  bool FMouseAbove = false;
  bool IsFocused = false;  // wears the default-button look
};

// Gap between the glyph and the caption at 96 PPI; space between the content and the edges.
inline constexpr Integer iContentSpacing = 6;
inline constexpr Integer iContentMargin = 6;
// The gap between glyph and caption for the button's density.
Integer ContentSpacing(TsButton* button);

#endif
