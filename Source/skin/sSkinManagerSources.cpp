// The packed skin reader, the preview block, the skin folder rules and the internal skins.
// The format and its limits are described at the top of sSkinManagerSources.h.
#include "skin/sSkinManagerSources.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "images/kvZLibEx.h"
#include "skin/sSkinManager.h"
#include "ui/SysUtils.h"

namespace {

// An entry's inflate stream that can tell whether its zlib data ended where the reads stopped.
class TEntryInflater final : public TZDecompressionStream {
 public:
  using TZDecompressionStream::TZDecompressionStream;
  // True when the zlib stream has reached its end code (and its checksum was right).
  bool Finished() {
    Byte dummy = 0;
    FZStream.next_out = &dummy;
    FZStream.avail_out = 0;
    return inflate(&FZStream, Z_NO_FLUSH) == Z_STREAM_END;
  }
};

// The reading position in the packed bytes; every read is bounds-checked.
struct TPackedCursor {
  const Byte* data;
  Int64 size;
  Int64 pos;

  Int64 Left() const { return size - pos; }
  bool ReadInt32(Integer& v) {
    if (Left() < 4) return false;
    uint32_t u = uint32_t(data[pos]) | uint32_t(data[pos + 1]) << 8 | uint32_t(data[pos + 2]) << 16 |
                 uint32_t(data[pos + 3]) << 24;
    v = static_cast<Integer>(u);
    pos += 4;
    return true;
  }
};

// The least bytes an entry can take: name length, one name byte, size, the shortest zlib stream.
constexpr Int64 kMinEntryBytes = 4 + 1 + 4 + 8;
constexpr Integer kCopyBuffer = 0x100000;

String NameFromBytes(const Byte* p, Integer n) {
  String s(static_cast<size_t>(n), u'\0');
  for (Integer i = 0; i < n; ++i) s[size_t(i)] = Char(p[i]);  // the 8-bit code page read as Latin-1
  return s;
}

// Inflates exactly `size` bytes of one entry from the packed data at its position into out,
// and leaves the packed data right after the zlib stream. False when the stream inflates to
// fewer or more bytes, does not end there, or is damaged.
bool InflateEntry(TMemoryStream& packed, Int64 size, TMemoryStream& out) {
  TEntryInflater inflater(packed);
  std::vector<Byte> buffer(static_cast<size_t>(std::min<Int64>(kCopyBuffer, std::max<Int64>(size, 1))));
  Int64 left = size;
  while (left > 0) {
    const Integer want = static_cast<Integer>(std::min<Int64>(left, Int64(buffer.size())));
    const Integer got = inflater.Read(buffer.data(), want);
    if (got <= 0) return false;  // shorter than stated
    out.WriteBuffer(buffer.data(), got);
    left -= got;
  }
  Byte extra;
  if (inflater.Read(&extra, 1) != 0) return false;  // longer than stated
  return inflater.Finished();
}

}  // namespace

// ---- the convertor ------------------------------------------------------------------------------

TW_DEFINE_CLASS(TkvSkinConvertor) {}

void TkvSkinConvertor::Clear() {
  while (!Files.empty()) Files.pop_back();  // last first
  FileCount = 0;
  Options.reset();
  PackedData.reset();
}

TkvFileItem* TkvSkinConvertor::FindFile(StringView upperName) {
  for (auto& f : Files)
    if (UpperCase(f.Name) == upperName) return &f;
  return nullptr;
}

TkvFileType FileTypeOf(StringView name) {
  const String upper = UpperCase(name);
  const size_t dot = upper.rfind(u'.');
  if (dot == String::npos) return ftOther;
  const StringView ext = StringView(upper).substr(dot);
  if (ext == u".BMP") return ftBmp;
  if (ext == u".TTF" || ext == u".OTF") return ftFont;
  return ftOther;
}

bool ExtractPackedData(TkvSkinConvertor& convertor, std::vector<TkvSkinNotice>* notices) {
  TMemoryStream* packed = convertor.PackedData.get();
  convertor.Options.reset();
  convertor.Files.clear();
  convertor.FileCount = 0;
  if (!packed) return false;
  TPackedCursor c{packed->Memory(), packed->GetSize(), 0};
  if (c.size < kvPackedHeaderSize || std::memcmp(c.data, kvPackedSignature, 4) != 0 || c.size > kMaxPackedBytes) {
    if (notices) notices->push_back({TkvSkinNotice::Error, kvNotPackedText});
    return false;
  }
  c.pos = 4;
  Integer count = 0;
  c.ReadInt32(count);
  if (count < 1 || count > kMaxPackedEntries || Int64(count) * kMinEntryBytes > c.Left()) return false;

  std::unique_ptr<TMemoryStream> options;
  std::vector<TkvFileItem> files;
  Int64 total = 0;
  try {
    for (Integer i = 0; i < count; ++i) {
      Integer nameLength = 0, size = 0;
      if (!c.ReadInt32(nameLength) || nameLength < 1 || nameLength > kMaxPackedNameBytes || c.Left() < nameLength)
        return false;
      const String name = NameFromBytes(c.data + c.pos, nameLength);
      c.pos += nameLength;
      if (!c.ReadInt32(size) || size < 0 || size > kMaxEntryBytes) return false;
      total += size;
      if (total > kMaxPackedBytes) return false;
      if (size > kMaxOptionsBytes && UpperCase(name) == u"OPTIONS.DAT") return false;
      auto stream = std::make_unique<TMemoryStream>();
      packed->SetPosition(c.pos);
      if (!InflateEntry(*packed, size, *stream)) return false;
      c.pos = packed->GetPosition();
      stream->SetPosition(0);
      if (UpperCase(name) == u"OPTIONS.DAT") {
        options = std::move(stream);
      } else {
        TkvFileItem item;
        item.Name = name;
        item.FileType = FileTypeOf(name);
        item.Stream = std::move(stream);
        files.push_back(std::move(item));
      }
    }
  } catch (const EZLibError&) {
    return false;  // a damaged zlib stream: the file is broken
  } catch (const EStreamError&) { return false; }
  convertor.Options = std::move(options);
  convertor.Files = std::move(files);
  convertor.FileCount = static_cast<Integer>(convertor.Files.size());
  return true;
}

bool LoadSkinFromFile(const String& fileName, TkvSkinConvertor& convertor, std::vector<TkvSkinNotice>* notices) {
  convertor.Clear();
  auto packed = std::make_unique<TMemoryStream>();
  if (!ReadWholeFile(fileName, *packed, kMaxPackedBytes)) return false;
  convertor.PackedData = std::move(packed);
  const bool ok = ExtractPackedData(convertor, notices);
  convertor.PackedData.reset();
  return ok;
}

// ---- the preview ------------------------------------------------------------------------------

Integer BMSearch(Integer startPos, const char* p, size_t m, const Byte* s, size_t n) {
  if (m == 0 || startPos < 1) return 0;
  std::array<size_t, 256> shift;
  shift.fill(m);
  for (size_t i = m; i >= 1; --i) {
    auto& entry = shift[static_cast<Byte>(p[i - 1])];
    if (entry == m) entry = m - i;
  }
  size_t pos = size_t(startPos) + m - 1;  // 1-based position under p's last character
  for (;;) {
    if (pos > n) return 0;
    const Byte ch = s[pos - 1];
    if (ch != static_cast<Byte>(p[m - 1])) {
      pos += shift[ch];
    } else if (m == 1) {
      return static_cast<Integer>(pos);
    } else {
      size_t i = m - 1;
      while (i >= 1 && static_cast<Byte>(p[i - 1]) == s[pos - m + i - 1]) --i;
      if (i == 0) return static_cast<Integer>(pos - m + 1);
      pos += 1;
    }
  }
}

Integer BMSearch(Integer startPos, const std::string& p, const std::string& s) {
  return BMSearch(startPos, p.data(), p.size(), reinterpret_cast<const Byte*>(s.data()), s.size());
}

bool GetPreviewStream(TMemoryStream& aStream, TStream& srcStream) {
  srcStream.SetPosition(0);
  const Int64 size = srcStream.GetSize();
  if (size <= 0 || size > kMaxPackedBytes) return false;
  std::vector<Byte> bytes(static_cast<size_t>(size));
  srcStream.ReadBuffer(bytes.data(), static_cast<Integer>(size));
  static constexpr char kMarker[] = "previewimg";
  const Integer p = BMSearch(1, kMarker, 10, bytes.data(), bytes.size());
  if (p == 0) return false;
  TPackedCursor c{bytes.data(), size, Int64(p) + 9};
  Integer n = 0;
  if (!c.ReadInt32(n) || n < 0 || n > c.Left()) return false;
  aStream.SetSize(n);
  aStream.SetPosition(0);
  if (n > 0) aStream.WriteBuffer(bytes.data() + c.pos, n);
  aStream.SetPosition(0);
  return true;
}

bool GetPreviewStream(TMemoryStream& aStream, const String& skinFileName) {
  TMemoryStream file;
  if (!ReadWholeFile(skinFileName, file, kMaxPackedBytes)) return false;
  return GetPreviewStream(aStream, file);
}

// ---- the skin folder ---------------------------------------------------------------------------

namespace {

bool IsDelim(Char c) { return c == u'\\' || c == u'/'; }

// A trailing separator: "/" becomes the system's, a missing one is added, a drive letter gets
// ":" and the separator.
String NormalFolder(const String& dir) {
  if (dir.empty()) return dir;
  String d = dir;
  if (IsDelim(d.back())) {
    d.back() = kvPathDelim;
    return d;
  }
  if (d.size() == 1) return d + u":\\";
  return d + kvPathDelim;
}

}  // namespace

String FullSkinDirectory(const String& skinDirectory, const String& appFolder) {
  String d = skinDirectory;
  const auto startsWith = [&](StringView p) { return StringView(d).substr(0, p.size()) == p; };
  if (startsWith(u"..")) {
    String parent = appFolder;
    if (!parent.empty() && IsDelim(parent.back())) parent.pop_back();
    while (!parent.empty() && !IsDelim(parent.back())) parent.pop_back();
    d = parent + d.substr(std::min<size_t>(3, d.size()));
  } else if (d.size() >= 2 && d[0] == u'.' && IsDelim(d[1])) {
    d = appFolder + d.substr(2);
  } else if (d == u".") {
    d = appFolder;
#ifndef _WIN32
  } else if (!d.empty() && d[0] == u'/') {
    // An absolute POSIX folder stays, as a drive path does on Windows.
#endif
  } else if (d.find(u':') == String::npos && d.find(u"\\\\") == String::npos) {
    d = appFolder + d;
  }
  return NormalFolder(d);
}

bool IsDeviceName(StringView part) {
  // Windows opens the device whatever extension follows, and drops trailing blanks and dots
  // of the name before it.
  StringView base = part.substr(0, part.find(u'.'));
  while (!base.empty() && (base.back() == u' ' || base.back() == u'.')) base.remove_suffix(1);
  const String upper = UpperCase(base);
  if (upper == u"CON" || upper == u"PRN" || upper == u"AUX" || upper == u"NUL" || upper == u"CONIN$" ||
      upper == u"CONOUT$")
    return true;
  // COM1-9 and LPT1-9, also with the superscript digits Windows takes as digits.
  if (upper.size() != 4 || !(upper.compare(0, 3, u"COM") == 0 || upper.compare(0, 3, u"LPT") == 0)) return false;
  const Char d = upper[3];
  return (d >= u'1' && d <= u'9') || d == u'\u00B9' || d == u'\u00B2' || d == u'\u00B3';
}

String SkinFilePath(const String& folder, const String& name) {
  if (name.empty() || name.find(u':') != String::npos || IsDelim(name[0])) return String();
  String rel;
  rel.reserve(name.size());
  size_t partStart = 0;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i == name.size() || IsDelim(name[i])) {
      const StringView part = StringView(name).substr(partStart, i - partStart);
      if (part == u".." || IsDeviceName(part)) return String();
      if (i < name.size()) {
        rel += part;
        rel += kvPathDelim;
      } else {
        rel += part;
      }
      partStart = i + 1;
    } else if (name[i] == u'\0') {
      return String();
    }
  }
  String base = folder;
  if (!base.empty() && !IsDelim(base.back())) base += kvPathDelim;
#ifndef _WIN32
  for (auto& ch : base)
    if (ch == u'\\') ch = u'/';
#endif
  return base + rel;
}

bool ReadWholeFile(const String& fileName, TMemoryStream& into, Int64 maxBytes) {
  into.Clear();
  if (fileName.empty()) return false;
  try {
    TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
    const Int64 size = f.GetSize();
    if (size < 0 || size > maxBytes) return false;
    into.SetSize(size);
    if (size > 0) f.ReadBuffer(into.Memory(), static_cast<Integer>(size));
    into.SetPosition(0);
    return true;
  } catch (const EStreamError&) {
    into.Clear();
    return false;  // missing, unreadable, or a folder of that name
  }
}

// ---- internal skins -----------------------------------------------------------------------------

TW_DEFINE_CLASS(TsStoredSkin) {
  b.Property(u"Name", &TsStoredSkin::Name, &TsStoredSkin::SetName)
      .Property(u"MasterBitmap", &TsStoredSkin::MasterBitmap)
      .Color(u"Shadow1Color", &TsStoredSkin::Shadow1Color, &TsStoredSkin::Shadow1Color)
      .Default(TColor(0))
      .Property(u"Shadow1Offset", &TsStoredSkin::Shadow1Offset, &TsStoredSkin::Shadow1Offset)
      .Default(0)
      .Property(u"Shadow1Blur", &TsStoredSkin::Shadow1Blur, &TsStoredSkin::Shadow1Blur)
      .Default(-1)
      .Property(u"Shadow1Transparency", &TsStoredSkin::Shadow1Transparency, &TsStoredSkin::Shadow1Transparency)
      .Default(0)
      .Color(u"BorderColor", &TsStoredSkin::BorderColor, &TsStoredSkin::BorderColor)
      .Default(TColor(0xFF00FF))
      .Property(u"Version", &TsStoredSkin::Version, &TsStoredSkin::Version)
      .Property(u"Author", &TsStoredSkin::Author, &TsStoredSkin::Author)
      .Property(u"Description", &TsStoredSkin::Description, &TsStoredSkin::Description)
      .Property(u"OriginName", &TsStoredSkin::OrigName, &TsStoredSkin::OrigName)
      .Stored(true)
      .Binary(u"Data", &TsStoredSkin::ReadData, &TsStoredSkin::WriteData)
      .Stored(true);
}

TsStoredSkin::TsStoredSkin(TCollection* collection)
    : TCollectionItem(collection),
      PackedData(std::make_unique<TMemoryStream>()),
      FMasterBitmap(std::make_unique<TBitmap>()) {
  // The owner's skin list no longer holds every internal skin.
  if (auto* skins = dynamic_cast<TsStoredSkins*>(collection); skins && skins->FOwner)
    skins->FOwner->InternalSkinsChanged();
}

TsStoredSkin::~TsStoredSkin() = default;

void TsStoredSkin::Assign(const TPersistent* source) {
  const auto* src = dynamic_cast<const TsStoredSkin*>(source);
  if (!src) {
    TCollectionItem::Assign(source);
    return;
  }
  PackedData->Clear();
  if (src->PackedData->GetSize() > 0) {
    PackedData->SetSize(src->PackedData->GetSize());
    std::memcpy(PackedData->Memory(), src->PackedData->Memory(), size_t(src->PackedData->GetSize()));
  }
  FMasterBitmap->Assign(src->FMasterBitmap.get());
  FName = src->FName;
  Author = src->Author;
  Version = src->Version;
  BorderColor = src->BorderColor;
  Description = src->Description;
  Shadow1Blur = src->Shadow1Blur;
  Shadow1Color = src->Shadow1Color;
  Shadow1Offset = src->Shadow1Offset;
  Shadow1Transparency = src->Shadow1Transparency;
}

void TsStoredSkin::ReadData(TStream& reader) {
  PackedData->Clear();
  PackedData->LoadFromStream(reader);
  PackedData->SetPosition(0);
}

void TsStoredSkin::WriteData(TStream& writer) const {
  if (PackedData->GetSize() > 0) writer.WriteBuffer(PackedData->Memory(), static_cast<Integer>(PackedData->GetSize()));
}

TW_DEFINE_CLASS(TsStoredSkins) {}

TsStoredSkins::TsStoredSkins(DuRiruZireziv* owner) : TCollection(TsStoredSkin::StaticClass()), FOwner(owner) {
  SetOwner(owner);
}

TsStoredSkins::~TsStoredSkins() { FOwner = nullptr; }

Integer TsStoredSkins::IndexOf(StringView name) const {
  for (Integer i = 0; i < Count(); ++i)
    if (Items(i)->Name() == name) return i;
  return -1;
}

void TsStoredSkins::Assign(const TPersistent*) {}

void TsStoredSkins::Update(TCollectionItem* item) {
  TCollection::Update(item);
  if (FOwner && FOwner->OnSkinListChanged) FOwner->OnSkinListChanged(FOwner);
}
