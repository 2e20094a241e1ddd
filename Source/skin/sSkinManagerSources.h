// Where a skin comes from: the packed skin file (kpz) and its reader, the preview picture in
// it, the internal skins a manager keeps in its form description, and the skin folder rules.
// Portable: natively the readers run under the sanitizers and the fuzzers.
//
// ---- The packed skin file ------------------------------------------------------------------
//
// All integers are 32-bit signed little-endian.
//
//   offset  size  field
//   0       4     signature "TwSk" (0x54 0x77 0x53 0x6B)
//   4       4     entry count n, the options entry included
//   8       ...   n entries, back to back
//   ...           optionally the preview block, anywhere after the entries
//
// One entry:
//
//   0            4      NameLength
//   4            L      Name: 8-bit characters, no terminator. "Options.dat" (any case) is the
//                       skin's ini text; any other name is a file of the skin with its extension
//   4 + L        4      Size: the number of bytes the zlib stream inflates to
//   8 + L        ...    a zlib stream (RFC 1950); the next entry begins after its last byte
//
// Preview block: the ten bytes "previewimg", a 32-bit byte count N, then N bytes of a PNG
// picture (140 x 100) stored as they are. The first "previewimg" in the file is the marker.
//
// The header has one kind: entries begin at byte 8 and Size is taken as stored (no size
// adjustment). tools/skin/pack_skin.py writes this format.
//
// Limits (the file is untrusted; a file outside them is not a skin, nothing of it is kept):
//   - the whole file at most kMaxPackedBytes (256 MiB);
//   - 1 to kMaxPackedEntries (4096) entries, all within the data (the count is checked
//     against the bytes left before anything is allocated);
//   - NameLength 1 to 255;
//   - Size 0 to kMaxEntryBytes (64 MiB) per entry, and the sizes of all entries together at
//     most kMaxPackedBytes;
//   - every zlib stream must inflate to exactly Size bytes and end there; a damaged stream is
//     a broken file (zlib's own error is not passed on);
//   - entry names are keys in memory (matched against the skin's references), never paths;
//   - the "Options.dat" entry at most kMaxOptionsBytes (4 MiB), checked before it is inflated.
// Preview: a count below 0 or beyond the end of the data gives no preview.
#pragma once

#include <memory>
#include <vector>

#include "ui/Bitmap.h"
#include "ui/Classes.h"
#include "ui/Streams.h"

struct TkvSkinNotice;
class DuRiruZireziv;
class TStringList;

inline constexpr char kvPackedSignature[4] = {'T', 'w', 'S', 'k'};
inline constexpr Integer kvPackedHeaderSize = 8;
inline constexpr Int64 kMaxPackedBytes = Int64(256) << 20;
inline constexpr Integer kMaxPackedEntries = 4096;
inline constexpr Integer kMaxPackedNameBytes = 255;
inline constexpr Int64 kMaxEntryBytes = Int64(64) << 20;
// The largest options text a skin may have, from a folder, a packed file or an internal skin.
inline constexpr Int64 kMaxOptionsBytes = Int64(4) << 20;
// The text of the error shown when data is not a packed skin.
inline constexpr char16_t kvNotPackedText[] = u"Loaded data is not a packed Velloran file";

enum TkvFileType : Byte { ftBmp, ftFont, ftOther };

// One file of a packed skin: its name as stored, its kind by extension, its inflated bytes.
struct TkvFileItem {
  String Name;
  TkvFileType FileType = ftOther;
  std::unique_ptr<TMemoryStream> Stream;
};

// The unpacked contents of one packed skin (file or internal skin).
class TkvSkinConvertor : public TPersistent {
  TW_CLASS(TkvSkinConvertor, TPersistent)
  TkvSkinConvertor() = default;
  ~TkvSkinConvertor() override { Clear(); }

  std::unique_ptr<TMemoryStream> Options;     // the options text; null when there was none
  std::unique_ptr<TMemoryStream> PackedData;  // the packed bytes while they are unpacked
  Integer FileCount = 0;                      // entries less the options entry
  std::vector<TkvFileItem> Files;             // in entry order

  // Frees every file (last first), the options and the packed data.
  void Clear();
  // The first file whose upper-cased name equals name (name as given); null when none.
  TkvFileItem* FindFile(StringView upperName);
};

// The kind of a file of a packed skin by its upper-cased extension (".BMP"; ".TTF", ".OTF").
TkvFileType FileTypeOf(StringView name);

// Unpacks convertor.PackedData (read from its start) into Options and Files. False when the
// data is not a packed skin (a notice "Loaded data is not a packed Velloran file" is added
// when notices is given) or is broken; the convertor then holds no options and no files.
bool ExtractPackedData(TkvSkinConvertor& convertor, std::vector<TkvSkinNotice>* notices);
// Reads a packed skin file into the convertor (cleared first) and unpacks it; False when the
// file does not exist, is too large, or is not a valid packed skin.
bool LoadSkinFromFile(const String& fileName, TkvSkinConvertor& convertor, std::vector<TkvSkinNotice>* notices);

// The preview picture of a packed skin (file or bytes) into aStream, rewound. False without a
// marker, with a count below 0 or beyond the data, or when the file does not exist; aStream is
// then left alone.
bool GetPreviewStream(TMemoryStream& aStream, const String& skinFileName);
bool GetPreviewStream(TMemoryStream& aStream, TStream& srcStream);

// Boyer-Moore-Horspool search of p in s from the 1-based position startPos: the 1-based
// position of the first occurrence, 0 when none.
Integer BMSearch(Integer startPos, const std::string& p, const std::string& s);
// The same on bytes (no copy of the text).
Integer BMSearch(Integer startPos, const char* p, size_t m, const Byte* s, size_t n);

// The skin editor's live preview text while the manager applies it; null at all other times.
extern TStringList* kvEditorSkinFile;

// ---- The skin folder --------------------------------------------------------------------------

// The skin directory as an absolute folder with a trailing separator, resolved against the
// program's folder appFolder (with its trailing separator): "..\x" under the parent, ".\x" and
// names without ":" or "\\" under the program's folder, "." and "" the program's folder itself;
// anything else stays.
String FullSkinDirectory(const String& skinDirectory, const String& appFolder);

// A file name of a skin resolved inside its folder: folder + name, with the name's separators
// made the system's. Empty (no file) when the name could reach outside the folder: a drive
// letter or any ":", a name that begins with a separator (a rooted or UNC path), a ".."
// part, or a part that is a device name; and for an empty name.
String SkinFilePath(const String& folder, const String& name);
// A DOS device name (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9, LPT1-9) with any extension:
// opening it reaches the device, wherever the folder.
bool IsDeviceName(StringView part);

// The system's path separator.
#ifdef _WIN32
inline constexpr Char kvPathDelim = u'\\';
#else
inline constexpr Char kvPathDelim = u'/';
#endif

// Reads a whole file into a memory stream; False when it cannot be opened or holds more than
// maxBytes (the stream is then empty).
bool ReadWholeFile(const String& fileName, TMemoryStream& into, Int64 maxBytes);

// ---- Internal skins -----------------------------------------------------------------------

// One skin kept in the form description of the manager's owner: a packed skin's bytes with
// its name and description.
class TsStoredSkin : public TCollectionItem {
  TW_CLASS(TsStoredSkin, TCollectionItem)
  explicit TsStoredSkin(TCollection* collection);
  ~TsStoredSkin() override;

  const String& Name() const { return FName; }
  void SetName(const String& v) { FName = v; }
  TBitmap* MasterBitmap() const { return FMasterBitmap.get(); }
  TColor Shadow1Color = 0;
  Integer Shadow1Offset = 0;
  Integer Shadow1Blur = -1;
  Integer Shadow1Transparency = 0;
  TColor BorderColor = 0xFF00FF;
  double Version = 0;
  String Author;
  String Description;

  String OrigName;                            // the stored "OriginName"
  std::unique_ptr<TMemoryStream> PackedData;  // the bytes of a packed skin file (stored as "Data")

  // Copies packed data, master bitmap, names and values (not OrigName).
  void Assign(const TPersistent* source) override;
  void ReadData(TStream& reader);
  void WriteData(TStream& writer) const;

 private:
  String FName;
  std::unique_ptr<TBitmap> FMasterBitmap;
};

// The manager's InternalSkins.
class TsStoredSkins : public TCollection {
  TW_CLASS(TsStoredSkins, TCollection)
  explicit TsStoredSkins(DuRiruZireziv* owner = nullptr);
  ~TsStoredSkins() override;

  TsStoredSkin* Items(Integer index) const { return ItemsAs<TsStoredSkin>(index); }
  TsStoredSkin* Add() { return static_cast<TsStoredSkin*>(TCollection::Add()); }
  // The index of the first skin named exactly name (case included); -1 when none.
  Integer IndexOf(StringView name) const;
  // Does nothing: internal skins are copied one by one.
  void Assign(const TPersistent* source) override;

  DuRiruZireziv* FOwner;

 protected:
  // The owner's OnSkinListChanged, once per change or once at the end of a batch
  // (BeginUpdate ... EndUpdate).
  void Update(TCollectionItem* item) override;
};
