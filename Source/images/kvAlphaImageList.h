// kvAlphaImageList: the engine's image lists. Lists that keep their images' files (PNG, ICO,
// 32-bit BMP) and hand out 32-bit bitmaps with a real alpha channel at any PPI, lists drawn
// from icon-font glyphs, the outline contours of font glyphs, and the drawing of one image of
// any image list.
//
// Sections:
//   1. Glyph outline contours: the parser of GetGlyphOutline buffers and the fitting (portable)
//   2. Image file formats and the checks of untrusted ICO and BMP data (portable)
//   3. Icon-font rendering kernels (portable pixel work)
//   4. Items of the alpha image list and the "ImgData" property (portable)
//   5. TkvImageList, the registry of lists (Windows)
//   6. TsAlphaImageList (Windows)
//   7. TsCharImageList, its items and embedded fonts (Windows)
//   8. Drawing any image list: DrawAlphaImgList and its geometry
//   9. Start-up and clean-up (Windows)
//
// Every byte of an image file is untrusted: items come from form descriptions and files.
// Limits:
//  - an ICO file holds at most 256 directory entries; each image lies wholly inside the file,
//    is at most 256 x 256, has 1 plane and 1, 4, 8, 16, 24 or 32 bits, an uncompressed
//    colour table of at most 2^bits entries (256 for deeper images), and its colour and mask
//    rows fit in the image's bytes; a PNG image inside needs a well-formed IHDR chunk;
//  - a BMP file's headers, colour table and every pixel row lie inside the data, width x
//    height is at most kMaxItemPixels, and only the layouts the bitmap reader supports pass;
//  - a glyph outline record that does not fit in what is left of its buffer ends parsing.
// Data that fail a check raise EInvalidGraphic with the class library's reader texts
// ("Invalid icon", "Bitmap image is not valid") before any reader or platform call sees them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/sConst.h"
#include "ui/Bitmap.h"
#include "ui/Classes.h"
#include "ui/Streams.h"
#include "ui/TypInfo.h"

// ---- 1. Glyph outline contours ------------------------------------------------------------

// One straight piece of a glyph's outline, in the outline's units (y pointing up).
struct TFontStroke {
  Integer GlyphNumber = 0;  // the closed contour it belongs to, from 0
  TPoint Pt1, Pt2;
  friend bool operator==(const TFontStroke&, const TFontStroke&) = default;
};

// The strokes of one character, in outline order.
class TkvStrokeCollection {
 public:
  Integer Count() const { return static_cast<Integer>(FStrokes.size()); }
  // The GlyphNumber of the last stroke + 1; 0 when empty.
  Integer NumGlyphs() const;
  // Raises EListError "List index out of bounds (<i>)".
  TFontStroke Stroke(Integer index) const;
  // Least and greatest X and Y over all points; (0, 0, 0, 0) when empty.
  TRect Bounds() const;
  // Index of the first stroke of a contour; -1 for a number outside 0 .. NumGlyphs - 1.
  Integer StartOfGlyph(Integer glyphNumber) const;
  // Number of strokes of a contour; -1 for an invalid number.
  Integer GlyphNumStrokes(Integer glyphNumber) const;
  void Add(const TFontStroke& stroke) { FStrokes.push_back(stroke); }
  void FreeStrokes() { FStrokes.clear(); }

 private:
  std::vector<TFontStroke> FStrokes;
};

// Curves are cut into this many straight steps.
constexpr Integer SplinePrecision = 7;

// A 16.16 fixed-point value as GetGlyphOutline writes it (fraction word first).
double Fix2Double(uint32_t fixed);

struct TkvOutlinePoint {
  double X = 0, Y = 0;
  friend bool operator==(const TkvOutlinePoint&, const TkvOutlinePoint&) = default;
};

// Adds a stroke with both points rounded to integers (halves to even).
void NewStroke(TkvStrokeCollection& strokes, Integer glyphNumber, TkvOutlinePoint p1, TkvOutlinePoint p2);
// The quadratic curve from A through B to C in SplinePrecision steps (single precision);
// C becomes the curve's computed end point.
void DrawQSpline(TkvStrokeCollection& strokes, Integer glyphNumber, TkvOutlinePoint a, TkvOutlinePoint b,
                 TkvOutlinePoint& c);

constexpr uint32_t kTT_POLYGON_TYPE = 24;
constexpr uint16_t kTT_PRIM_LINE = 1;
constexpr uint16_t kTT_PRIM_QSPLINE = 2;

// Turns a GGO_NATIVE buffer (polygon headers of 16 bytes, each followed by curve records of
// 4 + 8 x count bytes) into strokes. Nothing when the first header is not TT_POLYGON_TYPE.
// A polygon whose byte count is below its header or beyond the buffer, or a record that
// does not fit in what is left of its polygon, ends parsing (the contour in progress is
// closed; everything before it is kept).
void ParseGlyphOutline(const Byte* buffer, size_t size, TkvStrokeCollection& strokes);

// The outline fitted into a rectangle keeping its aspect ratio.
struct TkvContourFit {
  bool Empty = true;  // no strokes, or bounds without width or height
  TRect Rect;         // with CalcRect: (0, 0, cx, cy)
  // Without CalcRect: one closed polygon per contour, in stroke order (device pixels).
  std::vector<std::vector<TPoint>> Polygons;
};
// fontHeight: the height of the canvas's font, which limits a height-limited fit.
TkvContourFit FitContour(const TkvStrokeCollection& strokes, const TRect& aRect, Integer fontHeight, bool calcRect);

// ---- 2. Image file formats and checks of untrusted data ------------------------------------

TW_ENUM(TsImageFormat, ifPNG, ifICO, ifBMP32)

inline constexpr Byte IcoMagic[2] = {0, 0};
inline constexpr Byte BmpMagic[2] = {'B', 'M'};

// Compares min(size, 8) bytes at the stream's position with magic, only when strictly more
// bytes than that follow the position; the position is left after the bytes read.
bool HaveMagic(TStream& stream, const Byte* magic, Integer size);
// The same on a file opened for reading (others may not write while it is open); a file that
// cannot be opened raises the file stream's error.
bool HaveMagic(const String& fileName, const Byte* magic, Integer size);
// By content: PNG, then ICO (only with the extension "ico", any case; otherwise False at
// once), then BMP.
bool GetImageFormat(const String& fileName, TsImageFormat& imageFormat);
// A stream is always taken as PNG.
bool GetImageFormat(TStream& stream, TsImageFormat& imageFormat);

// comctl32 colours to the class library's: CLR_DEFAULT to clDefault, CLR_NONE to clNone.
constexpr TColor kCLR_NONE = 0xFFFFFFFF;
constexpr TColor kCLR_DEFAULT = 0xFF000000;
constexpr TColor GetColor(TColor value) {
  return value == kCLR_DEFAULT ? clDefault : value == kCLR_NONE ? clNone : value;
}

// Largest picture of an item (pixels).
constexpr int64_t kMaxItemPixels = int64_t(1) << 24;

// Raise EInvalidGraphic unless the bytes are an ICO or BMP file within the limits above.
void CheckIcoData(const Byte* data, size_t size);
void CheckBmpData(const Byte* data, size_t size);
// The same on the whole of a memory stream.
void CheckImageData(const TMemoryStream& data, TsImageFormat format);

// ---- 3. Icon-font rendering kernels ---------------------------------------------------------

// The ink of a glyph drawn black on white: 255 - (R + 2G + B) shr 2.
constexpr Byte InkOf(uint32_t pixel) {
  return static_cast<Byte>(255 - (((pixel >> 16 & 0xFF) + 2 * (pixel >> 8 & 0xFF) + (pixel & 0xFF)) >> 2));
}
// Dezev of a glyph pixel: the ink, weighted by blendValue unless opaque (a control state
// other than 0, or a blend value of 255).
constexpr Byte aProcOpaque(uint32_t pixel) { return InkOf(pixel); }
constexpr Byte aProcBlended(uint32_t pixel, Byte blendValue) {
  return static_cast<Byte>(InkOf(pixel) * blendValue >> 8);
}

// Turns a black-on-white drawing into the glyph colour with the ink as alpha. colorPixel and
// secondPixel are pixel values (blue in byte 0); with a second colour the colour runs from
// the first at the top row to the second at the bottom row, and pixels without ink become 0.
void InkToAlpha(const TPixelView& v, uint32_t colorPixel, bool hasSecond, uint32_t secondPixel, bool opaque,
                Byte blendValue);

// Lays an added character over a glyph. glyph: the character drawn black on white (its own
// size); halo: the same drawing placed pad pixels in from each edge of a larger picture and
// blurred. Where the character has ink the target moves towards addedPixel and takes the
// ink as alpha; elsewhere the blurred halo cuts a transparent ring out of the target.
void BlendAddedGlyph(const TPixelView& target, TPoint at, const TPixelView& glyph, const TPixelView& halo, Integer pad,
                     uint32_t addedPixel, bool opaque, Byte blendValue);

// ---- 4. Items of the alpha image list -------------------------------------------------------

class TsAlphaImageList;
class TsImgListItems;

// One image of an alpha image list: the bytes of its image file and its last 32-bit picture.
class TsImgListItem : public TCollectionItem {
  TW_CLASS(TsImgListItem, TCollectionItem)
  explicit TsImgListItem(TCollection* collection);
  ~TsImgListItem() override;

  // Copies format, name, pixel format, stored size, text and the whole data; the source's
  // data is rewound.
  void Assign(const TPersistent* source) override;

  TsImageFormat ImageFormat() const { return FImageFormat; }
  void SetImageFormat(TsImageFormat v) { FImageFormat = v; }
  const String& ImageName() const { return FImageName; }
  void SetImageName(const String& v) { FImageName = v; }
  TPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TPixelFormat v) { FPixelFormat = v; }
  const String& Text() const { return FText; }
  void SetText(const String& v) { FText = v; }

  // The "ImgData" property: the value is exactly the bytes of the image file.
  void ReadData(TStream& reader);
  void WriteData(TStream& writer) const;

  TsImgListItems* Owner() const;
  void FreeCache();

  String FText;
  String FImageName;
  TsImageFormat FImageFormat = ifPNG;
  TPixelFormat FPixelFormat = pf32bit;
  Integer OrigWidth = 0;
  Integer OrigHeight = 0;
  TBitmap* CacheBmp = nullptr;  // owned
  TMemoryStream* ImgData;       // owned

 protected:
  void AssignTo(TPersistent* dest) const override;
};

class TsImgListItems : public TCollection {
  TW_CLASS(TsImgListItems, TCollection)
  explicit TsImgListItems(TsAlphaImageList* owner);
  ~TsImgListItems() override;
  TsImgListItem* Items(Integer index) const { return ItemsAs<TsImgListItem>(index); }
  TsImgListItem* Add() { return static_cast<TsImgListItem*>(TCollection::Add()); }

  TsAlphaImageList* FOwner;
};

#ifdef _WIN32

#include "base/kvFontStore.h"
#include "ui/Graphics.h"
#include "ui/ImgList.h"

class TCanvas;

// ---- 5. TkvImageList and the registry of lists ------------------------------------------

// The base of the engine's image lists: hands out 32-bit bitmaps of its images.
class TkvImageList : public TImageList {
  TW_CLASS(TkvImageList, TImageList)
  explicit TkvImageList(TComponent* owner);
  ~TkvImageList() override;

  TColor ForeColor = clNone;        // the colour of the next rendering (the target's text colour)
  Integer PixelsPerInch = 96;       // the density images are produced for
  bool IgnoreTransparency = false;  // DrawAlphaImgList copies instead of blending

  // Drops the cached picture of an item (an index that is no item: of all items).
  virtual void ClearCache(Integer index) = 0;
  // A new width x height 32-bit bitmap of image index; the caller owns it.
  virtual TBitmap* CreateBitmap32(Integer index, Integer width, Integer height, Integer glyphHeight) = 0;
  // Fills image (owned and sized by the caller) with image index.
  virtual bool GetBitmap32(Integer index, TBitmap* image, Integer glyphHeight) = 0;

  // The "Bitmap" property carries nothing: the images travel in the items.
  void ReadData(TStream& stream) override;
  void WriteData(TStream& stream) const override;

  // Adds (index < 0) or replaces image index of the platform list with a 32-bit bitmap,
  // resampled to the list's size first when its size differs.
  void AddAsIcon(TBitmap* bmp, Integer index);
  // The picture AddAsIcon makes of a bitmap of another size: the list's width and height,
  // resampled (a source under 2 pixels gives colour 0 at alpha 1). Null when bmp already has
  // the list's size. The caller owns the result.
  TBitmap* ResampledForList(TBitmap* bmp) const;

  // A list made in code is ready at once; one read from a form description waits for Loaded.
  void AfterConstruction() override;
  TColor GetBkColor() const override;
  void SetBkColor(TColor value) override;

  // The platform list: made from the items at the design size, dropped when that changes.
  virtual void CreateImgList() = 0;
  void KillImgList();
  void KvBeginUpdate() { AcChanging = true; }

  // Height (index 0) and width (index 1): the value becomes the design size once loaded.
  virtual void SetDimension(Integer index, Integer value) = 0;
  void SetWidth(Integer value) override { SetDimension(1, value); }
  void SetHeight(Integer value) override { SetDimension(0, value); }

  bool AllowScale() const { return FAllowScale; }
  void SetAllowScale(bool v) { FAllowScale = v; }

  bool FLoaded = false;
  bool AcChanging = false;
  bool FAllowScale = true;
  bool StdListIsGenerated = false;
  TColor FBkColor = clNone;
  Integer FSavedScale = 0;
  Integer SavedHeight = 0;
  Integer SavedWidth = 0;

 protected:
  // Makes and takes a width x height platform list (no change of the images); false when
  // the size is empty or the platform refuses.
  bool MakePlatformList(Integer width, Integer height);
  // Sets the height (index 0) or width; with asDesignSize the value is remembered too.
  void ApplyDimension(Integer index, Integer value, bool asDesignSize);
  // Once loaded, the first size the platform list is made at becomes the design size.
  void RememberDesignSize();
  // The platform list exists (made when missing) and a design size is known.
  bool EnsurePlatformList();
  // Assign of a list of the same kind (null: the platform list goes), as one update: the
  // class library's settings, the size CopySizeFrom sets (the design size from then on), a new
  // platform list in src's background colour, then what CopyContentFrom copies.
  void AssignList(TkvImageList* src);
  virtual void CopySizeFrom(TkvImageList& src) = 0;
  virtual void CopyContentFrom(TkvImageList& src) = 0;
};

using TkvImgListProc = void (*)(TkvImageList* list, Integer data);
// Calls proc for every live engine image list, in creation order.
void IterateImageLists(TkvImgListProc proc, Integer data);
// When set, the alpha lists do not tone their PNG images with BlendColor.
extern bool& kvIgnoreBlendColor;
// The screen's bits per pixel.
Integer GetBpp();

// ---- 6. TsAlphaImageList ------------------------------------------------------------------

// Keeps the files of its images (PNG, ICO or 32-bit BMP) in its items and builds the platform
// list from them at the design size; hands out cached 32-bit bitmaps at any size.
class TsAlphaImageList : public TkvImageList {
  TW_CLASS(TsAlphaImageList, TkvImageList)
  explicit TsAlphaImageList(TComponent* owner);
  ~TsAlphaImageList() override;
  void Loaded() override;

  void Assign(const TPersistent* source) override;
  void CopyImages(TsAlphaImageList* imgList);

  Integer Add(TBitmap* image, TBitmap* mask) override;
  Integer AddImage(TCustomImageList* value, Integer index) override;
  using TCustomImageList::Replace;
  void Replace(Integer aIndex, TBitmap* aBmp32);
  void Delete(Integer index) override;
  void MoveItem(Integer curIndex, Integer newIndex);
  void Clear() override;

  // Raises Exception "Cannot load <name>\r\nInvalid or unexpected image format." when the
  // file is not one of the list's formats or its data are broken.
  void LoadFromFile(const String& fileName);
  bool TryLoadFromFile(const String& fileName);
  void LoadFromPngStream(TStream& stream);
  bool TryLoadFromPngStream(TStream& stream);

  void GenerateStdList();
  void UpdateFromStd();
  void CreateImgList() override;
  using TCustomImageList::SetNewDimensions;

  void KvEndUpdate(bool doChange);

  TBitmap* CreateBitmap32(Integer index, Integer width, Integer height, Integer glyphHeight) override;
  bool GetBitmap32(Integer index, TBitmap* image, Integer glyphHeight) override;
  void ClearCache(Integer imgIndex) override;

  Integer GetCount() override;
  void Change() override;
  bool IsDuplicated() const { return DoubleData || IsDesigning(); }

  bool UseCache() const { return FUseCache; }
  void SetUseCache(bool v);
  TsImgListItems* Items() const { return FItems; }
  void SetItems(TsImgListItems* v) { FItems->Assign(v); }
  void SetDimension(Integer index, Integer value) override;

  // An item is going away: its platform image goes too, unless the list itself is clearing
  // its items, is being destroyed or has no platform list.
  void ItemDestroying(Integer index);

  bool FUseCache = true;
  bool ItemsUpdating = false;
  TsImgListItems* FItems;
  bool StdMode = false;
  bool DoubleData = true;

 protected:
  void AssignTo(TPersistent* dest) const override;
  void DoDraw(Integer index, TCanvas* canvas, Integer x, Integer y, Cardinal style, bool enabled) override;
  void CopySizeFrom(TkvImageList& src) override;
  void CopyContentFrom(TkvImageList& src) override;

 private:
  // Appends the platform image of one item, recording its stored size.
  void AddItemImage(TsImgListItem* item);
  void RemoveAllItems();
};

// ---- 7. TsCharImageList -------------------------------------------------------------------

TW_ENUM(TkvBlendingMode, bmInactive, bmAlways)

class TsCharImageList;
class TkvCharListItems;

// Font files carried by an icon-font list. As the embedded fonts of components, except that
// assigning a collection starts with an item "FontAwesome" (the font of new items) and that
// the installed fonts stay installed when an item goes.
class TkvListFont : public TkvEmbeddedFont {
  TW_CLASS(TkvListFont, TkvEmbeddedFont)
  using TkvEmbeddedFont::TkvEmbeddedFont;
  ~TkvListFont() override;
};

class TkvListFonts : public TkvEmbeddedFonts {
  TW_CLASS(TkvListFonts, TkvEmbeddedFonts)
  explicit TkvListFonts(TComponent* owner);
  TkvListFont* Items(Integer index) const { return ItemsAs<TkvListFont>(index); }
  TkvListFont* Add() { return static_cast<TkvListFont*>(TCollection::Add()); }
  // Clears, adds "FontAwesome" without data when the source is empty or its first item holds
  // font data, then copies of every source item.
  void Assign(const TPersistent* source) override;
};

// One character of a font as an image.
class TkvCharListItem : public TCollectionItem {
  TW_CLASS(TkvCharListItem, TCollectionItem)
  explicit TkvCharListItem(TCollection* collection);
  ~TkvCharListItem() override;
  void Assign(const TPersistent* source) override;

  TsCharImageList* ImgList() const;
  // Frees the cached picture and tells the list.
  void Invalidate();
  // The rendering at CharHeight (0: the list's height at its density); cached when the list
  // may cache (then owned by the item), else new and owned by the caller.
  TBitmap* GetImage(Integer charHeight);
  Integer ActualWidth(bool useAngle) const;

  Integer Angle() const { return FAngle; }
  void SetAngle(Integer v) { SetInteger(0, v); }
  Integer Orientation() const { return FOrientation; }
  void SetOrientation(Integer v) { SetInteger(1, v); }
  Integer OffsetY() const { return FOffsetY; }
  void SetOffsetY(Integer v) { SetInteger(2, v); }
  Integer AddedOffsetX() const { return FAddedOffsetX; }
  void SetAddedOffsetX(Integer v) { SetInteger(3, v); }
  Integer AddedOffsetY() const { return FAddedOffsetY; }
  void SetAddedOffsetY(Integer v) { SetInteger(4, v); }
  Integer AddedSize() const { return FAddedSize; }
  void SetAddedSize(Integer v) { SetInteger(5, v); }
  Char CharCode() const { return FChar; }
  void SetChar(Char v);
  Char AddedChar() const { return FAddedChar; }
  void SetAddedChar(Char v);
  const String& FontName() const { return FFontName; }
  void SetFontName(const String& v);
  const String& AddedFontName() const { return FAddedFontName; }
  void SetAddedFontName(const String& v);
  const String& ImageName() const { return FImageName; }
  void SetImageName(const String& v) { FImageName = v; }
  TColor Color() const { return FColor; }
  void SetColor(TColor v) { SetColorIndex(0, v); }
  TColor SecondColor() const { return FSecondColor; }
  void SetSecondColor(TColor v) { SetColorIndex(1, v); }
  TColor AddedColor() const { return FAddedColor; }
  void SetAddedColor(TColor v) { SetColorIndex(2, v); }
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch v);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles v);
  double ScalingFactor() const { return FScalingFactor; }
  void SetScalingFactor(double v);
  bool DrawContour() const { return FDrawContour; }
  void SetDrawContour(bool v);
  Byte Charset() const { return FCharset; }
  void SetCharset(Byte v);
  Byte AddedCharset() const { return FAddedCharset; }
  void SetAddedCharset(Byte v);

  Integer FAngle = 0;
  Integer FOffsetY = 0;
  Integer ActBlend = 255;
  Integer FAddedSize = 50;
  Integer CachedState = 0;
  Integer FOrientation = 0;
  Integer FAddedOffsetX = 0;
  Integer FAddedOffsetY = 0;
  String FFontName = u"FontAwesome";
  String FImageName;
  String FAddedFontName;
  TColor FColor = clNone;
  TColor FAddedColor = clNone;
  TColor FSecondColor = clNone;
  Char FChar = 0;
  Char FAddedChar = 0;
  TFontPitch FPitch = fpDefault;
  TFontStyles FStyle;
  double FScalingFactor = 1.0;
  bool FDrawContour = false;
  Byte FCharset = 1;  // DEFAULT_CHARSET
  Byte FAddedCharset = 1;
  TBitmap* CacheBmp = nullptr;  // owned
  TColor CacheColor = clNone;   // the colour the cache was rendered for

 private:
  void SetInteger(Integer index, Integer value);
  void SetColorIndex(Integer index, TColor value);
};

class TkvCharListItems : public TCollection {
  TW_CLASS(TkvCharListItems, TCollection)
  explicit TkvCharListItems(TsCharImageList* owner);
  ~TkvCharListItems() override;
  TkvCharListItem* Items(Integer index) const { return ItemsAs<TkvCharListItem>(index); }
  TkvCharListItem* Add() { return static_cast<TkvCharListItem*>(TCollection::Add()); }
  // Items stored with a scaling factor of 0 get the font's default scaling and lose their
  // colour.
  void CheckItems();

  TsCharImageList* FOwner;
};

// The argument of TsCharImageList::AddItem.
struct TkvCharItemData {
  Integer Angle = 0, OffsetY = 0, Orientation = 0;
  TColor Color = clNone, SecondColor = clNone;
  Char CharCode = 0;
  HFONT Handle = nullptr;
  String FontName = u"FontAwesome";
  bool DrawContour = false;
  TFontPitch Pitch = fpDefault;
  TFontStyles Style;
  Byte Charset = 1;
  double ScalingFactor = 1.0;
  Integer AddedOffsetX = 0, AddedOffsetY = 0, AddedSize = 50;
  Char AddedChar = 0;
  TColor AddedColor = clNone;
  Byte AddedCharset = 1;
};

// The character cell height at which a font's glyphs fill their image: CharSize / 96 of the
// font's height at CharSize.
constexpr Integer CharSize = 96;

// An image list whose images are characters of a font (the icon font by default), rendered
// at any size and colour into 32-bit bitmaps with alpha.
class TsCharImageList : public TkvImageList {
  TW_CLASS(TsCharImageList, TkvImageList)
  explicit TsCharImageList(TComponent* owner);
  ~TsCharImageList() override;
  void Loaded() override;
  void Assign(const TPersistent* source) override;
  void CopyImages(TsCharImageList* imgList);

  Integer AddItem(const TkvCharItemData& itemData);
  bool AddEmbeddedFont(const String& fileName, const String& fontName);
  Integer FontIndex(const String& aFontName) const;
  void LoadAllFonts();

  TBitmap* CreateBitmap32(Integer index, Integer width, Integer height, Integer glyphHeight) override;
  TBitmap* CreateBitmap32Color(Integer index, Integer width, Integer height, TColor charColor, Integer glyphHeight);
  bool GetBitmap32(Integer index, TBitmap* image, Integer glyphHeight) override;
  void ClearCache(Integer imgIndex) override;
  bool ItemIsCached(const TkvCharListItem* item, Integer width, TColor color, Integer charHeight, Integer height) const;
  bool CanUseCache() const { return FBlendingMode == bmAlways || State == 0; }
  // The colour of the next rendering: with ignoreDefault every item takes aColor (no
  // gradient); otherwise an item with a colour of its own keeps it.
  void SetCharColor(TColor aColor, Integer aIndex, bool ignoreDefault);

  void GenerateStdList(TColor baseColor);
  void UpdateStd(Integer i);
  void CreateImgList() override;
  // Renders item index into bmp (black on white, then coloured with the ink as alpha).
  void PrepareBmp(TBitmap* bmp, Integer index, Integer offset, Integer charHeight, const TRect& aRect);

  void KvEndUpdate(bool doChange);

  Integer GetCount() override;
  void Clear() override;
  void Change() override;
  void SetBlendValue(Byte value);
  void SetBlendingMode(TkvBlendingMode value);
  void SetDimension(Integer index, Integer value) override;
  using TCustomImageList::SetNewDimensions;
  void SetItems(TkvCharListItems* v) { FItems->Assign(v); }
  void SetEmbeddedFonts(TkvListFonts* v) { FEmbeddedFonts->Assign(v); }

  TkvCharListItems* Items() const { return FItems; }
  TkvListFonts* EmbeddedFonts() const { return FEmbeddedFonts; }
  Byte BlendValue() const { return FBlendValue; }
  TkvBlendingMode BlendingMode() const { return FBlendingMode; }

  // The design size, or the current one when none is remembered.
  Integer DesignWidth() const { return SavedWidth ? SavedWidth : Width(); }
  Integer DesignHeight() const { return SavedHeight ? SavedHeight : Height(); }
  // The list's height at its density (at 96 when the density is 0).
  Integer HeightAtPPI() const;

  TColor ForeColor2 = clNone;
  TkvCharListItems* FItems;
  TkvListFonts* FEmbeddedFonts;
  TkvBlendingMode FBlendingMode = bmInactive;
  Byte FBlendValue = 255;
  Integer State = 0;

 protected:
  void AssignTo(TPersistent* dest) const override;
  void DoDraw(Integer index, TCanvas* canvas, Integer x, Integer y, Cardinal style, bool enabled) override;
  void CopySizeFrom(TkvImageList& src) override;
  void CopyContentFrom(TkvImageList& src) override;

 private:
  // The density the platform list is built at.
  Integer StdListPPI() const;
  // After a change of what the images look like: the platform list again, once loaded.
  void RebuildWhenLoaded();
  // The item's added character over bmp's bottom-right corner (col: the glyph's pixel
  // colour, the added character's colour when it has none of its own).
  void DrawAddedGlyph(TBitmap* bmp, TkvCharListItem* item, const TRect& aRect, uint32_t col);
};

// The font's own scaling: its height (without leading) at CharSize pixels, divided by 96.
double GetDefScaling(Byte charset, const String& fontName);
// For an icon-font list that follows the density: rebuilds it at ppi when that changes it.
void ScaleImageList(TkvImageList* imgList, Integer ppi);
// For an icon-font list: rebuilds its platform list in baseColor at the manager's density.
void SetBaseColor(TkvImageList* imgList, Integer baseColor);

// The outline of one character of the canvas's font, fitted into aRect: with calcRect aRect
// becomes the size it takes; otherwise it is drawn centred in aRect, turned by aAngle whole
// degrees, aLineWidth pixels wide, in black. Nothing for a character without an outline.
void DrawContour(TCanvas* aCanvas, Char aChar, TRect& aRect, Integer aLineWidth, Integer aAngle, bool calcRect);
// The strokes of a character of the canvas's font read at 512 points; nullptr when it has
// no outline. The caller frees the collection.
TkvStrokeCollection* GetCharacterGlyphs(TCanvas* aCanvas, Char charCode);

// The handle of the installed icon font (0 when not installed) and its font count.
extern HANDLE& awFont;
extern Integer& FontsCount;

#endif  // _WIN32

// ---- 8. Drawing any image list ---------------------------------------------------------------

// Where one glyph cell of an image goes and where it comes from.
struct TkvGlyphCell {
  TRect Dst;   // R1
  TRect Src;   // R2
  TSize Size;  // the cell's width and height
};
// The cell of state among count cells (count below 1: one) of an imageWidth x imageHeight
// image; a state at or above the count draws the last cell.
TkvGlyphCell GlyphCellOf(Integer left, Integer top, Integer imageWidth, Integer imageHeight, Integer numGlyphs,
                         Integer state);

#ifdef _WIN32
// Draws one state cell of image imageIndex of any image list into a 32-bit bitmap at (left,
// top): blend is the transparency percentage, grayedColor a grey tint (clNone: none),
// reflected adds a fading mirror image below. Returns the cell's size (empty when nothing was
// drawn).
TSize DrawAlphaImgList(TCustomImageList* imgList, TBitmap* destBmp, Integer left, Integer top, Integer imageIndex,
                       Integer blend, TColor grayedColor, Integer state, Integer numGlyphs, bool reflected,
                       Integer ppi);
// The same onto a device context.
void DrawAlphaImgListDC(TCustomImageList* imgList, HDC dc, Integer left, Integer top, Integer imageIndex, Integer blend,
                        TColor grayedColor, Integer state, Integer numGlyphs, bool reflected, Integer ppi);
// Stores ppi in an alpha list, or an icon-font list that follows the density; True when it
// changed the value.
bool SetImagesPPI(TCustomImageList* imgList, Integer ppi);
// Stores the state of the control being drawn in an icon-font list.
void SetImagesState(TCustomImageList* imgList, Integer aState);

// ---- 9. Start-up and clean-up ------------------------------------------------------------------

// Installs the icon font from the program's data resource "awFont" (once).
void kvAlphaImageListStartup();
// Removes the icon font and frees the registry of lists.
void kvAlphaImageListCleanup();
#endif
