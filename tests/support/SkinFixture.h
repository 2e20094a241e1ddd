// A small synthetic skin for painter tests: an active manager whose 96-PPI skin data holds the
// sections and images a test adds, with the images' pixels in a master bitmap the test fills.
//
//   SkinFixture skin;
//   TsGeneralData s; s.Props[0].Color = clRed;
//   const Integer plain = skin.AddSection(s);
//   const Integer frame = skin.AddImage(TRect(0, 0, 27, 9), 3, 0);   // 3 state pictures
//   skin.Put(frame, 0, 0, 0, 0x00FF00FF);                            // a key-colour corner
#pragma once

#include <memory>

#include "skin/sSkinManager.h"
#include "ui/Bitmap.h"

struct SkinFixture {
  explicit SkinFixture(Integer masterWidth = 64, Integer masterHeight = 64);
  SkinFixture(const SkinFixture&) = delete;
  SkinFixture& operator=(const SkinFixture&) = delete;

  // The section's index.
  Integer AddSection(const TsGeneralData& section);
  // An image lying at r of the master bitmap with `states` state pictures side by side and a
  // mask half below them when maskType is not 0; margins and draw mode as given.
  Integer AddImage(const TRect& r, Integer states, Integer maskType, Integer drawMode = 0, Integer margins = 0);
  // A pixel (pixel order: B, G, R, A) of state picture `state` of an image, at (x, y) in it.
  void Put(Integer image, Integer state, Integer x, Integer y, uint32_t pixel);
  // Fills a whole state picture.
  void Fill(Integer image, Integer state, uint32_t pixel);

  TsGeneralData& Section(Integer index) { return Data->gd[size_t(index)]; }
  TsMaskData& Image(Integer index) { return Data->ma[size_t(index)]; }

  DuRiruZireziv Manager{nullptr};
  TBitmap* Master = nullptr;    // owned by the manager
  TkvSkinData* Data = nullptr;  // owned by the manager
};

// A section of one plain look in every state: that transparency and colour, no border image.
TsGeneralData PlainSection(const String& name, Integer transparency, TColor color, Integer states = 1);
// An opaque section of three states, each one colour: normal, hot and pressed.
TsGeneralData ThreeStateSection(const String& name, TColor normal, TColor hot, TColor pressed);

// A gradient point (for gradients made by hand).
TsGradPoint GradPoint(Integer index, TColor color, Integer percent, Integer mode = 0);
