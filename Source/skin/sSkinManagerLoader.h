// What the loader's files of the skin manager share among themselves (not for other modules):
// integer reads of the skin text, scaling, image references, the loader's friend class.
#pragma once

#include <cstdint>
#include <memory>

#include "skin/sSkinManager.h"
#include "ui/IniFiles.h"

class TStringList;

// A length at 96 PPI scaled for a scale index by the manager's scale mode: unchanged in
// smOldMode, by the custom PPI in smCustomPPI, else by the scale index (125, 150, 200 %).
Integer ScaleIntAt(const TkvSkinLoadSettings& settings, Integer value, Integer scaleIndex);

// An integer of the skin text: decimal, or hexadecimal after "$" or "0x"; missing: def.
// Values that do not parse count as missing.
Integer IniInteger(const TMemIniFile* ini, StringView section, StringView key, Integer def);
// The text of a key, def when missing.
String IniString(const TMemIniFile* ini, StringView section, StringView key, const String& def = String());
bool IniHasKey(const TMemIniFile* ini, StringView section, StringView key);

// ---- image references ----------------------------------------------------------------------

// One image reference taken apart (the fields of the normalized "&" form).
struct TkvImageRef {
  TRect R;
  Integer WL = 0, WT = 0, WR = 0, WB = 0;
  Integer ImageCount = 0, MaskType = 0, DrawMode = 0;
  TkvImgType ImgType = itisaBorder;
  String FileName;  // empty: the image lies in the master bitmap at R
};

// The normalized "&" form of an upper-cased reference (the forms "^", "@", "~", "!", "&" and
// bare file names). Raises EConvertError when a fixed field is not a number.
String ConvertSkinStr(const String& s);
// Takes a normalized reference apart; false when it is too short or a field is not a
// number (the image is then dropped).
bool ParseImageRef(const String& normalized, TkvImageRef& ref);
// Whether an upper-cased value names an image: a marker first or a .JPG/.BMP inside.
bool IsImageValue(const String& upperValue);

// The loading steps of TkvSkinData that need its private parts.
class TkvSkinDataLoader {
 public:
  static void AddImageToIndex(TkvSkinData& d, Integer imageIndex);
  static void RebuildImageIndex(TkvSkinData& d);
  // Removes the last image (one that could not be made).
  static void DropLastImage(TkvSkinData& d);
};

// Mirrors the state images of one image in place (mask rows included).
void FlipImage(TkvSkinData& data, const TsMaskData& md);
// Generated outer image of a section with OuterMode 3 or 4 and no "OUTERMASK".
void PrepareOuter(TkvSkinData& data, Integer sectionIndex);
// Rescales an image from DivPPI to MulPPi into a new bitmap of its own (md.Bmp points to it,
// the caller lists it); null when nothing was done. source: the bitmap the image lies in now.
// mainColor: the colour key pixels take (with alpha 0) before resampling.
std::unique_ptr<TBitmap> ScaleMaskData(TsMaskData& md, TBitmap* source, bool ignoreFuchsia, TColor mainColor);
// The colour layer of an outer image into R of a 32-bit bitmap.
void PaintMainLayer(TBitmap* bmp, const TRect& r, TColor colorL, TColor colorT, TColor colorR, TColor colorB);
// 1 when a corner area of a border image holds a transparent pixel.
Integer CornerTypeOf(const TsMaskData& md, TBitmap* bmp);
// A new 32-bit bitmap with a round shadow (or its mask), premultiplied with doUpdateAlpha.
std::unique_ptr<TBitmap> MakeShadowBitmap(TColor color, Integer radius, Integer offset, Integer bodyHeight,
                                          Integer bodyWidth, Integer blurSize, bool maskMode, bool doUpdateAlpha);

// Recolouring of one slot (its own bitmaps and section colours) and of the skin-wide parts.
void RecolourSlot(TkvSkinSet& skin, TkvSkinData& data);
void RecolourMaster(TkvSkinSet& skin);
void RecolourPalette(TkvSkinSet& skin);
// The palette of the skin from the sections of data.
void MakePalette(TkvSkinSet& skin, const TkvSkinData& data);

// "FontName<n>" of the first n whose "FontFile<n>" equals fName; empty when none does.
String FileToFontName(const TMemIniFile* ini, const String& fName);
// "VERSION" of "GLOBALINFO" with "." as decimal separator; 0 when absent or unreadable.
double GetSkinVersion(const TMemIniFile* ini);

// What a load asks of the system (sSkinManagerLoad.win.cpp; nothing natively).
// The system colours and the sizing-frame width.
void ReadSystemColors(TkvSystemColors& colors);
// Registers the fonts of a skin for this process.
void RegisterSkinFonts(TkvSkinSet& skin);
// The program was started with "/kvpreview" as its first parameter (skin-editor preview).
bool StartedForPreview();
