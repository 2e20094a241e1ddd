// sGlyphUtils: the engine's built-in glyphs (open a file or folder, pick a date, more,
// calculator, arrows, window buttons) for controls that have no image list: one list drawn
// from icon-font characters and one of PNG pictures carried as resources.
#pragma once

#include <array>
#include <memory>

#include "base/sConst.h"

struct TkvCharData {
  Char CharCode;
  double Scaling;
  Integer OffsetY;
};

// Characters of the icon font (Font Awesome), in list order.
inline constexpr std::array<TkvCharData, 21> aChars{{
    {0xF016, 1.0, 0}, {0xF115, 1.0, 0}, {0xF274, 1.0, 0}, {0xF141, 1.0, 4}, {0xF1EC, 1.0, 0}, {0xF111, 0.75, 0},
    {0xF00C, 1.0, 0}, {0xF047, 0.9, 1}, {0xF1FB, 1.0, 0}, {0xF00C, 1.1, 0}, {0xF00D, 1.1, 0}, {0xF067, 0.8, 2},
    {0xF0D8, 1.3, 0}, {0xF01E, 0.9, 1}, {0xF048, 0.8, 2}, {0xF053, 0.8, 2}, {0xF054, 0.8, 2}, {0xF051, 0.8, 2},
    {0xF068, 0.8, 2}, {0xF00C, 0.8, 0}, {0xF00D, 0.8, 0},
}};
// Characters of the system symbol font "Marlett" (list indexes 21 to 24).
inline constexpr std::array<TkvCharData, 4> aSysChars{{{u'0', 1.0, 0}, {u'1', 1.0, 0}, {u'2', 1.0, 0}, {u'r', 1.0, 0}}};

// Indexes into the built-in lists.
constexpr Integer iBTN_ARROW = -1;  // no picture: the control draws an arrow
constexpr Integer iBTN_OPENFILE = 0;
constexpr Integer iBTN_OPENFOLDER = 1;
constexpr Integer iBTN_DATE = 2;
constexpr Integer iBTN_ELLIPSIS = 3;
constexpr Integer iBTN_CALC = 4;
constexpr Integer iServCharCount = 20;
constexpr Integer iServCharMin = 21;
constexpr Integer iServCharMax = 22;
constexpr Integer iServCharRest = 23;
constexpr Integer iServCharClose = 24;

// The RCDATA resources of the pictures of kvResImages 0 to 4 (PNG, 48 x 24, two states).
inline constexpr std::array<const Char*, 5> kvGlyphsResNames{u"SF", u"SR", u"SD", u"SE", u"SC"};

#ifdef _WIN32
#include "ui/Classes.h"
#include "ui/ImgList.h"

class TkvImageList;
class TsAlphaImageList;
class TsCharImageList;
class TsCommonData;
class TWinControl;

// Owned by the module, both made on first use and null before it: the icon-font glyphs and
// the PNG glyphs. Drawing 25 characters into a list costs a start-up more than the skin load
// itself, and a program that shows no menu glyph, slider symbol or edit button never needs it.
extern TsCharImageList*& kvCharImages;
extern TsAlphaImageList*& kvResImages;

// The icon-font glyphs, made by the first call. Like all drawing of the engine, called on the
// GUI thread only.
TsCharImageList* CharImages();
// The built-in list in force: the PNG glyphs while kv_OldGlyphsMode is set, else the
// icon-font glyphs.
TkvImageList* kvResImgList();
void MakeCharImages();
TsAlphaImageList* MakeResImages();

void sGlyphUtilsCleanup();

// One extra glyph an engine control shows (the skinned edit's button): an image of its own
// list, or of the built-in list in force. Lives with its owner, which repaints on every change.
class TkvAddedGlyph : public TPersistent {
  TW_CLASS(TkvAddedGlyph, TPersistent)
  TkvAddedGlyph(TWinControl* aOwner, TsCommonData* aSkinData);
  ~TkvAddedGlyph() override;

  // The states lie side by side in square cells: width div height of the image at 96 PPI,
  // 1 when the height is 0 or the width is no multiple of it.
  Integer ImageCount();
  // One state cell at the density of the owner's skin data.
  Integer Width();
  Integer Height();
  // Repaints the owner; with updateCoords also has it re-measure its frame.
  void Invalidate(bool updateCoords);
  void ImageListChange(TObject* sender) {
    (void)sender;
    Invalidate(false);
  }

  Integer Blend() const { return FBlend; }
  void SetBlend(Integer v) { SetInteger(0, v); }
  Integer ImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer v) { SetInteger(1, v); }
  bool Grayed() const { return FGrayed; }
  void SetGrayed(bool v);
  TColor ColorTone() const { return FColorTone; }
  void SetColorTone(TColor v);
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* v);
  // The list the glyph is drawn from: Images when ImageIndex is one of its images, else the
  // built-in list in force.
  TCustomImageList* SourceList();

  Integer FBlend = 0;
  Integer FImageIndex = -1;
  bool FGrayed = false;
  TColor FColorTone = clNone;
  TWinControl* FOwner;
  TCustomImageList* FImages = nullptr;  // not owned
  const std::unique_ptr<TChangeLink> FImageChangeLink = std::make_unique<TChangeLink>();
  TsCommonData* SkinData;  // not owned

 private:
  virtual void SetInteger(Integer index, Integer value);
};
#endif
