// The slider's thumb as the light-circle effect repaints it into its layer.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "controls/kvSlider.h"
#include "raster/kvgpUtils.h"
#include "skin/sCommonData.h"
#include "ui/Forms.h"

TEST(SliderThumb, StateAndCustomImageRules) {
  TsSlider slider(nullptr);
  EXPECT_EQ(slider.CurrentState(), 0);
  slider.FCommonData->FMouseAbove = true;
  EXPECT_EQ(slider.CurrentState(), 1);
  slider.Pressed = true;
  EXPECT_EQ(slider.CurrentState(), 2);
  EXPECT_FALSE(slider.CustomImageUsed());
  TImageList images(nullptr);
  slider.FImages = &images;
  slider.FImageIndexOn = 0;
  slider.FImageIndexOff = 1;
  EXPECT_FALSE(slider.CustomImageUsed());  // glyphs only
  slider.FImagesUsingMode = iumFullPaint;
  EXPECT_TRUE(slider.CustomImageUsed());
  slider.FImageIndexOff = -1;
  EXPECT_FALSE(slider.CustomImageUsed());
  slider.FThumbIndexOn = 4;
  slider.FThumbIndexOff = 3;
  EXPECT_EQ(slider.ThumbImgIndex(), 3);
  slider.FSliderOn = true;
  EXPECT_EQ(slider.ThumbImgIndex(), 4);
}

TEST(SliderThumb, WithoutASkinAWhiteRoundedThumbWithItsCaptionOverTheBackground) {
  kvgpUtilsStartup();
  TsSlider slider(nullptr);
  slider.SetBounds(0, 0, 100, 30);
  slider.ThumbSize = TSize(40, 24);
  slider.ThumbRect = TRect(50, 3, 90, 27);
  TBitmap layer(100, 30, pf32bit);
  for (Integer y = 0; y < 30; ++y)
    for (Integer x = 0; x < 100; ++x) static_cast<uint32_t*>(layer.ScanLine(y))[x] = 0xFF2040C0;  // the background
  PaintThumb(&slider, &layer, false);
  EXPECT_EQ(layer.PixelColor(10, 10), TColor(0xC04020));  // outside the thumb: untouched
  EXPECT_EQ(layer.PixelColor(50, 3), TColor(0xC04020));   // the rounded corner shows the background
  EXPECT_EQ(layer.PixelColor(52, 15), clWhite);           // the thumb's body, away from the text
  bool ink = false;                                       // "OFF" in the control's (dark) font colour
  for (Integer y = 5; y < 25 && !ink; ++y)
    for (Integer x = 55; x < 85; ++x)
      if ((layer.PixelColor(x, y) & 0xFF) < 0x60) ink = true;
  EXPECT_TRUE(ink);
  kvgpUtilsCleanup();
}
