// The skinned slider's thumb as the light-circle effect repaints it into its layer: the thumb
// of a state (custom image, skin section, or a rounded rectangle) over the slider's background,
// with its content (on/off symbol or caption). The slider here carries only what the thumb
// painting reads.
#pragma once

#ifdef _WIN32

#include <array>
#include <memory>

#include "ui/Controls.h"
#include "ui/ImgList.h"

class TsCommonData;

enum TkvImagesUsingMode { iumGlyphsOnly = 0, iumFullPaint = 1 };
enum TkvSliderContentPlacing { scpThumb = 0, scpBackground = 1 };

// Radius of an unstretched thumb without a skin image, the content's margin, and the radius
// step of the light circle.
constexpr Integer DefRadius = 10, ContentMargin = 8, iRadiusDiff = 6;
// The built-in symbols of the on and off states.
constexpr Integer kSliderSymbolOn = 19, kSliderSymbolOff = 20;

class TsSlider : public TCustomControl {
  TW_CLASS(TsSlider, TCustomControl)
  explicit TsSlider(TComponent* owner);
  ~TsSlider() override;

  // Answers KV_GETMOUSEAREA with the thumb on the screen (where its light circle shines).
  void WndProc(TMessage& message) override;

  // 2 while pressed; 0 at design time or while the mouse is not over it; else 1.
  Integer CurrentState() const;
  bool CustomImageUsed() const;
  Integer ThumbImgIndex() const { return FSliderOn ? FThumbIndexOn : FThumbIndexOff; }

  bool FSliderOn = false, Pressed = false, FStretched = false, FUseSymbols = false, FShowCaption = true;
  TkvImagesUsingMode FImagesUsingMode = iumGlyphsOnly;
  TCustomImageList* FImages = nullptr;
  Integer FImageIndexOn = -1, FImageIndexOff = -1, FThumbIndexOn = -1, FThumbIndexOff = -1;
  String FSliderCaptionOn = u"ON", FSliderCaptionOff = u"OFF";
  std::unique_ptr<TFont> FFontOn;
  Integer FThumbSizeInPercent = 50;
  std::array<Integer, 2> ThumbSkinIndexes{-1, -1};   // off, on
  std::array<Integer, 2> SliderSkinIndexes{-1, -1};  // off, on
  Integer StretchedThumbPPI = -1;                    // no stretched thumb prepared
  TkvSliderContentPlacing FContentPlacing = scpThumb;
  TSize ThumbSize;
  TRect ThumbRect;
  std::unique_ptr<TsCommonData> FCommonData;
};

// Paints the thumb of that state into bmp (the layer, holding the slider's background) at
// ThumbRect.
void PaintThumb(TsSlider* slider, TBitmap* bmp, bool sliderOn);
// The thumb's content (symbol, or caption) into rect of bmp.
void PaintContent(TsSlider* slider, const TRect& rect, TBitmap* bmp, bool sliderOn);

#endif
