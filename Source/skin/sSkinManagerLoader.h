// What the loader's files of the skin manager share among themselves (not for other modules):
// integer reads of the skin text, scaling, image references, the loader's friend class.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "skin/sSkinManager.h"
#include "skin/sSkinManagerSources.h"
#include "ui/IniFiles.h"

class TStringList;

// ---- what a skin may ask for ----------------------------------------------------------------
// A skin is a file from anywhere, and a few hundred bytes of it may claim gigabytes (a picture
// header, a million empty sections). Each limit is checked before the memory it guards is
// taken; a skin beyond one is refused whole (ESkinRefused), so the skin in force stays. Beside
// these: the options text at most kMaxOptionsBytes and the packed file's own limits
// (sSkinManagerSources.h).

// Lines of the options text (blank and comment lines too).
inline constexpr Integer kMaxOptionsLines = 400000;
// Section headers of the options text.
inline constexpr Integer kMaxSkinSections = 5000;
// Key lines of the options text, all sections together.
inline constexpr Integer kMaxSkinKeys = 200000;
// One picture of the skin (a file or the master bitmap), as its header states it: 4096 x 4096.
inline constexpr Int64 kMaxImagePixels = Int64(1) << 24;
// All bitmaps that the PPI slots of a skin make together (pictures decoded, rescaled or
// generated), the master bitmap apart: 128 MB at 32 bits.
inline constexpr Int64 kMaxSkinPixels = Int64(32) << 20;
// Sizes that make shadow bitmaps, at 96 PPI and bounded before they are scaled: a window
// shadow's radius and size (0 to this) and offset (minus this to this), and the distances from
// the body that size an outer-effect mask. At 192 PPI a window shadow is then at most 513 x 641
// pixels (1.3 MB) and an outer-effect mask 753 x 1506 (4.5 MB).
inline constexpr Integer kMaxShadowSize = 64;
// Bytes of one picture file of a folder skin.
inline constexpr Int64 kMaxImageFileBytes = kMaxEntryBytes;

// A skin beyond one of the limits above; the message names what and how much.
TW_DECLARE_EXCEPTION(ESkinRefused, Exception);

// Refuses an options text (its raw bytes, any encoding) with more lines, sections or keys than
// the limits allow, before it is split into lines.
void CheckOptionsText(const Byte* data, size_t size);
void CheckOptionsLines(const TStringList& lines);

// The size a picture's header states (PNG, BMP or JPEG, told by their first bytes); false when
// there is no header of these kinds to read (the decoder then decides).
bool PictureHeaderSize(const Byte* data, size_t size, Int64& width, Int64& height);
// Raises ESkinRefused when the picture's header states more than kMaxImagePixels; what names
// the picture in the message.
void CheckPicture(const String& what, TMemoryStream& stream);
// Counts a bitmap of width x height that the slot is about to make; raises ESkinRefused when
// the bitmaps of the skin's slots would pass kMaxSkinPixels.
void ReservePixels(TkvSkinData& data, Int64 width, Int64 height, const String& what);
// Gives back what a bitmap the slot made and dropped had reserved.
void ReleasePixels(TkvSkinData& data, Int64 pixels);
// kMaxShadowSize scaled for the slot as its lengths are.
Integer ShadowSizeLimit(const TkvSkinData& data);
// Borders of an image read from the skin, within one state picture, leaving a middle part.
void ClampBorders(TsMaskData& md, Integer stateWidth, Integer stateHeight);

// The version as the warnings show it: two decimals, the given decimal separator; any double.
String FormatSkinVersion(double version, const String& decimalSeparator);
// The user's decimal separator ("." natively).
String UserDecimalSeparator();

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

// Runs load with the values of the skin text resolved once for all the slots it loads.
void ShareSkinText(TkvSkinSet& skin, const std::function<void()>& load);

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
