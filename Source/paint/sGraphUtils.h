// sGraphUtils: the raster core of the engine and the skin item painter. The module's pixel
// kernels live in the raster layer (pixels and views, fills, blends and compositing, colour
// transforms, blur and resampling, the GDI steps of bitmaps, regions, text, shapes) and are
// included here, so that the module's routines are all reached through this header; what is
// declared below paints from a skin's records.
//
// Sections
//   1. Texture tiling of skin images
//   2. Regions of skin border images
//   3. Templates, glyphs and border copies (Windows)
//   4. The skin item painter (portable, over the GDI steps handed in)
//   5. Captions in a skin section's colours
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "base/kvntTypes.h"
#include "base/sConst.h"
#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "raster/GdiBitmaps.h"
#include "raster/MaskImages.h"
#include "raster/Pixels.h"
#include "raster/Regions.h"
#include "raster/Resampling.h"
#include "raster/Shapes.h"
#include "raster/Text.h"
#include "raster/sGradient.h"
#include "ui/Bitmap.h"
#include "ui/Types.h"

struct TsMaskData;

// ---- 1. Texture tiling of skin images ----------------------------------------------------------

// Paints the texture of maskData (its rectangle R in its own bitmap or the skin's master
// bitmap) into aRect of target by the fill mode, and hands back in aRect what it did not
// cover ((-1, -1, -1, -1) when everything). graphic is not used.
void TileBitmap(TBitmap* target, TRect& aRect, TGraphic* graphic, const TsMaskData& maskData, TkvFillMode fillMode);
// A texture with a mask half, through its mask, with ci behind its transparent pixels.
void TileMasked(TBitmap* bmp, TRect& aRect, const TCacheInfo& ci, const TsMaskData& maskData, TkvFillMode fillMode);
#ifdef _WIN32
class TCanvas;
// TileBitmap on a canvas: paints when the canvas holds a 32-bit DIB section.
void TileBitmap(TCanvas* canvas, TRect& aRect, TGraphic* graphic, const TsMaskData& maskData, TkvFillMode fillMode);
#endif

// ---- 2. Regions of skin border images ------------------------------------------------------------

// The key runs of a skin border image (its own bitmap or the skin's master bitmap, key 0xFF00FF).
void AddRgn(std::vector<TRect>& aor, Integer width, const TsMaskData& maskData, Integer vertOffset, bool bottom,
            Integer iPadding);

// ---- 3. Templates, glyphs and border copies ------------------------------------------------------

#ifdef _WIN32
class TWinControl;

// A nine-part template of srcBmp (corners, sides tiled or stretched by bit 0 of drawModes'
// sides, centre only with fillCenter) into dstRect of dstBmp; sides at most borderMaxWidths.
void PaintControlByTemplate(TBitmap* dstBmp, TBitmap* srcBmp, const TRect& dstRect, const TRect& srcRect,
                            const TRect& borderWidths, const TRect& borderMaxWidths, const TRect& drawModes,
                            bool stretchCenter, bool fillCenter);
// Copies a frame of the side widths (a negative bottom takes the left width for the unset ones).
void BitBltBorder(HDC destDC, Integer x, Integer y, Integer width, Integer height, HDC srcDC, Integer xSrc,
                  Integer ySrc, Integer widthLeft, Integer widthTop, Integer widthRight, Integer widthBottom);
// Clips the visible children of ctrl out of dc.
void ExcludeControls(HDC dc, TWinControl* ctrl, Integer offsetX, Integer offsetY);
// The bitmap minus its key-colour pixels; the caller owns the region.
void GetRgnFromBmp(HRGN& rgn, TBitmap* maskBmp, TColor transColor);
// One glyph of a strip of numGlyphs glyphs, chosen by state, into r of dstBmp; disabled ones
// blended by blend; reflected: with its mirror image below.
void DrawGlyphEx(TBitmap* glyph, TBitmap* dstBmp, const TRect& r, Integer numGlyphs, bool enabled,
                 TSet<TsDisabledGlyphKind> disabledGlyphKind, Integer state, Integer blend, bool down, bool reflected);
#endif

// ---- 4. The skin item painter -------------------------------------------------------------------
//
// One skin section in one state painted into a rectangle of a bitmap over the parent's
// background (ci): background or fill colour as far as the look is transparent, colour,
// gradient and texture in their shares, an overlay gradient, a masked hot texture, the four
// corner images, the border (nine-part mask or a GDI+ line with rounded corners) and, for a
// control, its tone, hue and saturation. commonSkinData is the per-PPI skin data (TkvSkinData);
// anything else paints nothing. Filling, BGIndex, BGHotIndex, OffsetX and OffsetY are accepted
// for the callers' sake and change nothing.
//
// The pixel work is portable (TkvItemPainter); the few steps that need GDI are handed in
// (TkvItemSteps). The Windows forms further below paint with GDI's steps.

struct TsGeneralData;
class TkvObject;
class TkvSkinData;
class DuRiruZireziv;

// The section skinIndex of per-PPI skin data whose manager accepts the index; else nullptr.
const TsGeneralData* SkinSection(const TkvSkinData* skinData, Integer skinIndex);
// An image of the skin data; nullptr for an index out of range.
const TsMaskData* SkinImage(const TkvSkinData* skinData, Integer index);
// The bitmap an image's pixels lie in: its own, else its manager's master bitmap.
TBitmap* SkinImageBitmap(const TsMaskData& md);
// A texture's fill mode through kvFillModes; false for a draw mode outside the table.
bool SkinFillMode(const TsMaskData& md, TkvFillMode& mode);

// A border line as the painter draws it, from a section's look or a control's custom border.
struct TkvBorderLine {
  Integer Width = 0;         // at 96 PPI
  TColor Color = clFuchsia;  // clFuchsia: no line (the corners are still rounded)
  bool HasRadii = false;
  TkvIntValues Radii;    // top-left, top-right, bottom-left, bottom-right; 0 or less square
  bool AllSides = true;  // else only Sides
  TSet<TkvSide> Sides;
};

// The border line of a section's look for a state: its BorderWidth and BorderColor, the
// corners of its BorderRadius, or four times -1 when a corner procedure will give them.
TkvBorderLine SectionBorderLine(const TsGeneralData& gd, Integer state, bool cornersProcGiven);

// The layer of the painter's mixes: paint draws r (moved into the layer; shift is where the
// layer's origin lies from r's top-left) on a 32-bit layer as large as the part of r inside t,
// which is then mixed into t there, t's own pixels weighing `weight` (SumBmpRect). Only that
// part ever reaches t, so a rectangle reaching far out of t costs no more than t itself.
void MixInLayer(TBitmap* t, const TRect& r, Byte weight,
                const std::function<void(TBitmap* layer, const TRect& r, const TPoint& shift)>& paint);

// The steps of the painter that need GDI. A missing step is left out: natively (tests, the
// fuzzer) an item of another format than pf32bit gets no fill, a gradient no translucent
// segments, a corner no rounding and a border no line unless the caller hands them in.
struct TkvItemSteps {
  // r of an item that is not pf32bit filled with an opaque colour.
  void (*FillForeign)(TBitmap* item, const TRect& r, TColor color) = nullptr;
  // w x h pixels from (sx, sy) of src to (dx, dy) of dst when one of them is not pf32bit.
  void (*CopyForeign)(TBitmap* dst, Integer dx, Integer dy, Integer w, Integer h, TBitmap* src, Integer sx,
                      Integer sy) = nullptr;
  // The device that draws a gradient's translucent and diagonal segments on bmp.
  std::unique_ptr<TGradientDevice> (*GradientDevice)(TBitmap* bmp) = nullptr;
  // The cached round mask of a radius (an empty view leaves that corner square).
  TRoundMaskSource RoundMask = nullptr;
  // The line of a border (line.Width already scaled) along r of bmp: rounded with radii.
  void (*BorderLine)(TBitmap* bmp, const TRect& r, const TkvBorderLine& line) = nullptr;
  // A caller handed something that is not per-PPI skin data to the named procedure.
  void (*WrongSkinData)(const char16_t* procedure) = nullptr;
};

// What the control form of PaintItem takes from a control's skin data, resolved by its caller.
struct TkvControlItem {
  TkvSkinData* SkinData = nullptr;  // the skin data of the control's density
  DuRiruZireziv* Manager = nullptr;
  Integer SkinIndex = -1;
  TColor CustomColor = clFuchsia;                // the control's own colour, clFuchsia for the look
  bool CustomBorder = false;                     // the control's custom border is set: it is drawn as Border
  const TsGeneralData* BorderSection = nullptr;  // the 96-PPI section whose line Border is
  TkvBorderLine Border;                          // the line of a border drawn by GDI+ (radii resolved)
  Integer PPI = 96;                              // the control's density, for the line's width
  bool HasTone = false;
  TColor Tone = 0;  // as a colour value
  Integer HueOffset = 0, Saturation = 0;
};

// The item painter over the steps given. The forms follow the Windows ones below (and their
// description) without the arguments that change nothing.
class TkvItemPainter {
 public:
  explicit TkvItemPainter(const TkvItemSteps& steps) : steps_(steps) {}

  void PaintItem(Integer skinIndex, const TCacheInfo& ci, Integer state, const TRect& r, const TPoint& pP,
                 TBitmap* itemBmp, TkvObject* commonSkinData) const;
  void PaintItem(Integer skinIndex, const TCacheInfo& ci, Integer state, const TRect& r, const TPoint& pP,
                 TBitmap* itemBmp, TkvObject* commonSkinData, const TsMaskData& md) const;
  void PaintItemFast(Integer skinIndex, Integer maskIndex, Integer bgIndex, Integer bgHotIndex, const TCacheInfo& ci,
                     Integer state, const TRect& r, const TPoint& pP, TBitmap* itemBmp,
                     TkvObject* commonSkinData) const;
  void PaintItemBG(Integer skinIndex, const TCacheInfo& ci, Integer state, const TRect& r, const TPoint& pP,
                   TBitmap* itemBmp, TkvObject* commonSkinData, Integer textureIndex = -1, Integer hotTextureIndex = -1,
                   TColor customColor = clFuchsia) const;
  void PaintItemBGFast(Integer skinIndex, Integer bgIndex, Integer bgHotIndex, const TCacheInfo& ci, Integer state,
                       const TRect& r, const TPoint& pP, TBitmap* itemBmp, TkvObject* commonSkinData) const;
  // The control form; the caller has checked the control's manager and section.
  void PaintControlItem(const TkvControlItem& item, const TCacheInfo& ci, Integer state, const TRect& r,
                        const TPoint& pP, TBitmap* itemBmp, bool updateCorners, bool colorsAutoUpdate) const;
  // The border line (or, without one, the rounded corners) of gd's look of aState over
  // bgRef; true when a line was drawn. iPPI scales the line's width.
  bool PaintBorder(TBitmap* aBmp, const TRect& aRect, const TsGeneralData& gd, Integer aState, const TCacheInfo& bgRef,
                   TkvBorderLine line, Integer iPPI) const;
  // The rounding form of UpdateCorners (paint/sAlphaGraph.h).
  void UpdateCorners(const TsGeneralData& gd, TBitmap* bmp, const TRect& r, const TCacheInfo& ci,
                     const TkvIntValues* radii, bool extSource) const;
  // The 32-bit painter (paint/sAlphaGraph.h, section 6), without the premultiplying of a whole
  // item: true when the item was painted.
  bool PaintItem32(Integer skinIndex, Integer state, const TRect& r, TBitmap* itemBmp, TObject* commonSkinData) const;
  void PaintItemBG32(Integer skinIndex, Integer state, const TRect& r, TBitmap* itemBmp, TObject* commonSkinData,
                     TColor customColor) const;

 private:
  const TkvItemSteps& steps_;
};

#ifdef _WIN32
class TkvPaintBorderData;
// The steps of the Windows build: GDI fills and blits, GDI+ gradients, round masks and lines.
const TkvItemSteps& GdiItemSteps();

// May change the corner radii (and the sides) of a GDI+ border before it is drawn.
using TkvUpdateCornersProc = void (*)(TkvPaintBorderData* paintBorderData, TkvIntValues& outCorners,
                                      TSet<TkvSide>*& outSides);

class TsCommonData;

// The main road of a skinned control: its section in a state, with its custom border and
// colour, and (colorsAutoUpdate) its tone, hue and saturation applied to the whole bitmap.
void PaintItem(TsCommonData* skinData, const TCacheInfo& ci, bool filling, Integer state, const TRect& r,
               const TPoint& pP, TBitmap* itemBmp, bool updateCorners, Integer offsetX = 0, Integer offsetY = 0,
               bool colorsAutoUpdate = true);
void PaintItemBG(TsCommonData* skinData, const TCacheInfo& ci, Integer state, const TRect& r, const TPoint& pP,
                 TBitmap* itemBmp, Integer offsetX = 0, Integer offsetY = 0);
void PaintItem(Integer skinIndex, const TCacheInfo& ci, bool filling, Integer state, const TRect& r, const TPoint& pP,
               TBitmap* itemBmp, TkvObject* commonSkinData, Integer bgIndex = -1, Integer bgHotIndex = -1);
// With a border mask chosen by the caller (drawn when the section has one).
void PaintItem(Integer skinIndex, const TCacheInfo& ci, bool filling, Integer state, const TRect& r, const TPoint& pP,
               TBitmap* itemBmp, TkvObject* commonSkinData, const TsMaskData& md);
// Onto a device context, through a 32-bit bitmap of r's size.
void PaintItem(Integer skinIndex, const TCacheInfo& ci, bool filling, Integer state, const TRect& r, const TPoint& pP,
               HDC dc, TkvObject* commonSkinData);
// Border mask and textures given by image index (scroll-bar parts).
void PaintItemFast(Integer skinIndex, Integer maskIndex, Integer bgIndex, Integer bgHotIndex, const TCacheInfo& ci,
                   bool filling, Integer state, const TRect& r, const TPoint& pP, TBitmap* itemBmp,
                   TkvObject* commonSkinData);
// The background layers only; customColor other than clFuchsia paints that colour opaque.
void PaintItemBG(Integer skinIndex, const TCacheInfo& ci, Integer state, const TRect& r, const TPoint& pP,
                 TBitmap* itemBmp, TkvObject* commonSkinData, Integer textureIndex = -1, Integer hotTextureIndex = -1,
                 TColor customColor = clFuchsia);
void PaintItemBGFast(Integer skinIndex, Integer bgIndex, Integer bgHotIndex, const TCacheInfo& ci, Integer state,
                     const TRect& r, const TPoint& pP, TBitmap* itemBmp, TkvObject* commonSkinData);
// The whole bitmap as one item of sectionIndex (else secondIndex) over parentDC (or bgColor);
// the section used, negative when none was.
Integer PaintSection(TBitmap* bmp, Integer sectionIndex, Integer secondIndex, Integer state, TkvObject* commonSkinData,
                     const TPoint& parentOffset, TColor bgColor, HDC parentDC);
// The GDI+ border line of a section (or of a custom border); True when a line was drawn.
bool TryPaintBorder(TBitmap* aBmp, const TRect& aRect, const TsGeneralData& gd, Integer aState, const TCacheInfo& bgRef,
                    TkvPaintBorderData* customBorderData, Integer iPPI, TkvUpdateCornersProc updateCornersProc);
// Keeps two corners on one side of a control from exceeding that side less one pixel.
void UpdateCtrlCornersProc(TkvPaintBorderData* paintBorderData, TkvIntValues& outCorners, TSet<TkvSide>*& outSides);
#endif

// ---- 5. Captions in a skin section's colours ------------------------------------------------------

#ifdef _WIN32
class TCanvas;
class TsCommonData;
class DuRiruZireziv;

// A caption in the colours of section skinIndex for state hot (0 normal, 1 hot): outline copies
// one pixel left, up, right, down, then the main colour; disabled: blended towards the look's
// background colour. Without a manager or section: the canvas's own colour.
void WriteTextEx(TCanvas* canvas, const String& text, bool enabled, TRect& aRect, Cardinal flags, Integer skinIndex,
                 Integer hot, DuRiruZireziv* skinManager = nullptr);
void kvWriteTextEx(TCanvas* canvas, const String& text, bool enabled, TRect& aRect, Cardinal flags, Integer skinIndex,
                   Integer hot, DuRiruZireziv* skinManager = nullptr);
// A control's caption: the section that gives the font (its own, or what its parents answer to
// KV_GETFONTINDEX), its glow into the control's cache bitmap (canGlow), outline copies, the
// disabled blend towards the skin's global colour, and the control's tone, hue and saturation.
// Unskinned controls and controls with their own font get the plain (or embossed) caption.
// skinManager is not used: the control's own manager applies.
void WriteTextEx(TCanvas* canvas, const String& text, bool enabled, TRect& aRect, Cardinal flags,
                 TsCommonData* skinData, Integer hot, DuRiruZireziv* skinManager = nullptr, bool canGlow = true);
void kvWriteTextEx(TCanvas* canvas, const String& text, bool enabled, TRect& aRect, Cardinal flags,
                   TsCommonData* skinData, Integer hot, DuRiruZireziv* skinManager = nullptr, bool canGlow = true);
void kvWriteText(TCanvas* canvas, const String& text, bool enabled, TRect& aRect, Cardinal flags);
// A text colour after the control's tone, hue offset and saturation.
TColor UpdateColor(TColor color, const TsCommonData* skinData);
#endif
