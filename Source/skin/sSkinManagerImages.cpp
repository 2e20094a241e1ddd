// Skin images: the image references of the skin text, which values become images, where an
// image's pixels come from (the master bitmap, a file of a folder skin, an entry of a packed
// skin), the bitmap list of a PPI, sections made in code, and the last step that links
// sections to their images.
//
// Sections:
//   1. Image references ("&", "^", "@", "~", "!" and bare file names)
//   2. Loading the images of every section (LoadAllMasks)
//   3. Bitmaps: defining, loading files, the bitmap list
//   4. Sections made in code
//   5. Linking sections to images, completing sizes (InitMaskIndexes), extended-border metrics
#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "images/kvPNG.h"
#include "raster/Blend.h"
#include "raster/MaskImages.h"
#include "skin/sSkinManagerLoader.h"
#include "ui/IniFiles.h"
#include "ui/Jpeg.h"
#include "ui/StringList.h"
#include "ui/SysUtils.h"

namespace {

Integer StateCount(const TsMaskData& md) { return std::max<Integer>(1, md.ImageCount); }

// ---- 1. Image references --------------------------------------------------------------------------

// The fields of a value split at its marker character (counted from 1 after the marker);
// empty fields are skipped.
std::vector<String> FieldsOf(const String& s) {
  std::vector<String> fields;
  const Char delim = s[0];
  size_t start = 1;
  for (size_t i = 1; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == delim) {
      if (i > start) fields.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  return fields;
}

// Field n (1-based), or the given filler when there is none.
String Field(const std::vector<String>& f, size_t n, const String& filler) {
  return n >= 1 && n <= f.size() ? f[n - 1] : filler;
}

// A field with leading zeros up to width characters (a longer one stays as it is).
String Padded(const std::vector<String>& f, size_t n, size_t width) {
  String v = Field(f, n, String());
  while (v.size() < width) v.insert(v.begin(), u'0');
  return v;
}

// Field n as an integer; 0 when it is not one.
Integer ExtInt(const std::vector<String>& f, size_t n) {
  Integer v = 0;
  return TryStrToInt(Field(f, n, String()), v) ? v : 0;
}

// The characters at the 1-based position as an integer (false when they are not one).
bool CopyInt(const String& s, size_t pos, size_t size, Integer& v) {
  if (pos < 1 || pos - 1 + size > s.size()) return false;
  return TryStrToInt(StringView(s).substr(pos - 1, size), v);
}

String Normalized(const String& rect, const String& borders, Char count, Char mask, Integer imgType,
                  const String& drawMode, const String& file) {
  String out = u"&";
  out += rect;
  out += borders;
  out += count;
  out += mask;
  out += Char(u'0' + std::clamp<Integer>(imgType, 0, 4));
  out += drawMode;
  out += u"000000";
  out += file;
  return out;
}

Char OneChar(const std::vector<String>& f, size_t n) {
  const String v = Field(f, n, u"0");
  return v.empty() ? u'0' : v[0];
}

// The four border fields of a "^" value, completed from field 12 or the rectangle when they
// are all "0000" and the value asks for it (longer than 47 characters).
String CaretBorders(const String& s, const std::vector<String>& f) {
  String borders = Padded(f, 5, 4) + Padded(f, 6, 4) + Padded(f, 7, 4) + Padded(f, 8, 4);
  if (s.size() <= 47 || borders != u"0000000000000000") return borders;
  const String all = Padded(f, 12, 4);
  if (all != u"0000") return all + all + all + all;
  Integer l = 0, t = 0, r = 0, b = 0;
  if (!CopyInt(s, 2, 4, l) || !CopyInt(s, 7, 4, t) || !CopyInt(s, 12, 4, r) || !CopyInt(s, 17, 4, b)) return borders;
  Integer count = 0, mask = 0;
  TryStrToInt(Field(f, 9, u"1"), count);
  TryStrToInt(Field(f, 10, u"0"), mask);
  count = std::max<Integer>(1, count);  // a zero count would divide by zero
  mask = std::max<Integer>(0, mask);
  const Integer w = std::max<Integer>(0, (SafeExtent(l, r) / count - 1) / 2);
  const Integer h = std::max<Integer>(0, (SafeExtent(t, b) / (mask + 1) - 1) / 2);
  const auto four = [](Integer v) {
    String d = IntToStr(std::min<Integer>(v, 9999));
    while (d.size() < 4) d.insert(d.begin(), u'0');
    return d;
  };
  return four(w) + four(h) + four(w) + four(h);
}

}  // namespace

String ConvertSkinStr(const String& s) {
  if (s.empty() || s[0] == u'&') return s;
  const Char marker = s[0];
  const bool marked = marker == u'^' || marker == u'@' || marker == u'~' || marker == u'!';
  const std::vector<String> f = marked ? FieldsOf(s) : std::vector<String>{};
  const String zeroRect = u"0000000000000000";
  if (s.size() <= 3) {
    Integer type = itisaTexture;
    String file;
    if (marker == u'^')
      type = itisaBorder;
    else if (marker == u'@')
      type = itisaGlyph;
    else if (marker == u'~')
      file = Field(f, 7, String());
    else if (marker == u'!') {
      type = std::clamp<Integer>(ExtInt(f, 4), 0, 4);
      file = Field(f, 1, String());
    } else
      file = s;
    return Normalized(zeroRect, zeroRect, u'3', u'0', type, u"01", file);
  }
  const String rect = marked ? Padded(f, 1, 4) + Padded(f, 2, 4) + Padded(f, 3, 4) + Padded(f, 4, 4) : zeroRect;
  switch (marker) {
    case u'^':
      return Normalized(rect, CaretBorders(s, f), OneChar(f, 9), OneChar(f, 10), itisaBorder, Padded(f, 11, 2),
                        String());
    case u'@': return Normalized(rect, zeroRect, OneChar(f, 5), OneChar(f, 6), itisaGlyph, u"00", String());
    case u'~':
      return Normalized(rect, zeroRect, u'1', s.size() >= 25 ? s[24] : u'0', itisaTexture, Padded(f, 5, 2),
                        f.size() > 6 ? f[6] : String());
    case u'!': {
      const Integer type = std::clamp<Integer>(ExtInt(f, 4), 0, 4);
      const String file = Field(f, 1, String());
      const String borders = Padded(f, 5, 4) + Padded(f, 6, 4) + Padded(f, 7, 4) + Padded(f, 8, 4);
      switch (type) {
        case itisaBorder:
          return Normalized(zeroRect, borders, OneChar(f, 2), OneChar(f, 3), type, Padded(f, 9, 2), file);
        case itisaTexture:
          return Normalized(zeroRect, zeroRect, OneChar(f, 2), OneChar(f, 3), type, Padded(f, 9, 2), file);
        case itisaGlow:
          if (f.size() >= 5)
            return Normalized(zeroRect, borders, OneChar(f, 2), OneChar(f, 3), type, Padded(f, 9, 2), file);
          return Normalized(zeroRect, zeroRect, u'1', u'0', type, u"00", file);
        default:  // glyphs: a rectangle within the file when there are five fields or more
          if (f.size() >= 5)
            return Normalized(borders, zeroRect, OneChar(f, 2), OneChar(f, 3), type, Padded(f, 9, 2), file);
          return Normalized(zeroRect, zeroRect, OneChar(f, 2), OneChar(f, 3), type, Padded(f, 9, 2), file);
      }
    }
    default: return Normalized(zeroRect, zeroRect, u'1', u'0', itisaTexture, u"00", s);
  }
}

bool ParseImageRef(const String& n, TkvImageRef& ref) {
  if (n.size() < 44 || n[0] != u'&') return false;
  Integer l, t, r, b, wl, wt, wr, wb, count, mask, type, drawMode;
  if (!CopyInt(n, 2, 4, l) || !CopyInt(n, 6, 4, t) || !CopyInt(n, 10, 4, r) || !CopyInt(n, 14, 4, b) ||
      !CopyInt(n, 18, 4, wl) || !CopyInt(n, 22, 4, wt) || !CopyInt(n, 26, 4, wr) || !CopyInt(n, 30, 4, wb) ||
      !CopyInt(n, 34, 1, count) || !CopyInt(n, 35, 1, mask) || !CopyInt(n, 36, 1, type) || !CopyInt(n, 37, 2, drawMode))
    return false;
  ref.R = TRect(l, t, r, b);
  ref.WL = wl;
  ref.WT = wt;
  ref.WR = wr;
  ref.WB = wb;
  ref.ImageCount = count;
  ref.MaskType = mask;
  ref.ImgType = kvImgTypes[size_t(std::clamp<Integer>(type, 0, 4))];
  ref.DrawMode = drawMode;
  ref.FileName = n.substr(44);
  return true;
}

bool IsImageValue(const String& v) {
  if (v.empty()) return false;
  const Char c = v[0];
  return c == u'!' || c == u'&' || c == u'@' || c == u'^' || c == u'~' || v.find(u".JPG") != String::npos ||
         v.find(u".BMP") != String::npos;
}

// ---- 2. Loading the images of every section ---------------------------------------------------------

namespace {

struct TImageLoader {
  TkvSkinData& data;
  const TMemIniFile* ini;  // the skin text, or the common-section text

  // The first per-scale variant of key with a value, from the object's scale upward, then
  // downward; false when no variant has one.
  bool SearchScaledSrc(const String& section, const String& key, String& value, Integer& srcPPI) const {
    Integer start = PPIToIndex(data.PPI);
    if (aPPIArray[size_t(start)] < data.PPI) ++start;
    start = std::min<Integer>(start, 3);  // above 192 PPI the last scale is the nearest
    const auto tryIndex = [&](Integer i) {
      const String v = UpperCase(IniString(ini, section, key + aSfxs[size_t(i)]));
      if (v.empty()) return false;
      value = v;
      srcPPI = aPPIArray[size_t(i)];
      return true;
    };
    for (Integer i = start; i <= 3; ++i)
      if (tryIndex(i)) return true;
    for (Integer i = start - 1; i >= 0; --i)
      if (tryIndex(i)) return true;
    return false;
  }

  void LoadImage(const String& section, Integer skinIndex, const String& key) const {
    String value;
    Integer srcPPI = 96;
    if (!SearchScaledSrc(section, key, value, srcPPI)) return;
    TkvImageRef ref;
    try {
      if (!ParseImageRef(ConvertSkinStr(value), ref)) return;  // a field that is no number: no image
    } catch (const EConvertError&) { return; }
    const Integer n =
        data.MakeNewItem(skinIndex, key, section, ref.ImgType, ref.R, ref.ImageCount, ref.DrawMode, ref.MaskType);
    TsMaskData& md = data.ma[size_t(n)];
    md.DivPPI = srcPPI;
    md.WL = int16_t(std::clamp<Integer>(ref.WL, 0, INT16_MAX));
    md.WT = int16_t(std::clamp<Integer>(ref.WT, 0, INT16_MAX));
    md.WR = int16_t(std::clamp<Integer>(ref.WR, 0, INT16_MAX));
    md.WB = int16_t(std::clamp<Integer>(ref.WB, 0, INT16_MAX));
    const bool ignoreFuchsia = ref.ImgType == itisaTexture || ref.ImgType == itisaGlow;
    // A piece of the master bitmap must lie in it before anything is copied from it.
    if ((ref.FileName.empty() && !ValidateImage(md)) || !data.DefineBmp(md, ref.FileName, ref.R, ignoreFuchsia) ||
        !ValidateImage(md)) {
      TkvSkinDataLoader::DropLastImage(data);
      return;
    }
    if (md.ImgType == itisaBorder) md.Cfg |= CornerTypeOf(md, data.BitmapOf(md));
  }

  // An image whose rectangle does not lie in its bitmap is dropped; its borders are clamped to
  // one state picture.
  bool ValidateImage(TsMaskData& md) const {
    TBitmap* bmp = data.BitmapOf(md);
    if (!bmp) return false;
    const TRect& r = md.R;
    if (r.Left < 0 || r.Top < 0 || r.Right > bmp->Width() || r.Bottom > bmp->Height() || r.Right <= r.Left ||
        r.Bottom <= r.Top)
      return false;
    const Integer w1 = r.Width() / StateCount(md);
    const Integer h1 = r.Height() / std::max<Integer>(1, md.MaskType + 1);
    ClampBorders(md, w1, h1);
    return true;
  }

  void LoadSection(const String& section, Integer skinIndex, bool skipMaster) const {
    TStringList keys;
    ini->ReadSection(section, keys);
    for (Integer k = 0; k < keys.Count(); ++k) {
      const String& key = keys[k];
      if (skipMaster && key == u"MASTERBITMAP") continue;
      if (key.find(u'*') != String::npos) continue;
      const String value = UpperCase(ini->ReadString(section, key, String()));
      if (value.empty() || !IsImageValue(value)) continue;
      LoadImage(section, skinIndex, key);
    }
  }
};

}  // namespace

void TkvSkinDataLoader::DropLastImage(TkvSkinData& d) {
  const TsMaskData& md = d.ma.back();
  if (md.SkinIndex >= 0 && size_t(md.SkinIndex) < d.imagesOf_.size()) {
    auto& list = d.imagesOf_[size_t(md.SkinIndex)];
    if (!list.empty() && list.back().second == Integer(d.ma.size()) - 1) list.pop_back();
  }
  d.ma.pop_back();
}

void TkvSkinData::LoadAllMasks() {
  FreeBitmaps();
  ma.clear();
  imagesOf_.clear();
  if (!Skin || !Skin->SkinFile) return;
  const TMemIniFile* ini = Skin->SkinFile;
  // The main colour that rescaling gives key pixels; once the palette is made (and tinted) it
  // stays as it is.
  if (!Skin->PaletteLoaded)
    Skin->Palette[pcMainColor] =
        TColor(IniInteger(ini, u"GLOBALINFO", u"COLOR", Integer(Skin->Settings.System.RGBOf(clBtnFace))));
  TStringList sections;
  ini->ReadSections(sections);
  TImageLoader skinLoader{*this, ini};
  for (Integer i = 0; i < sections.Count(); ++i) skinLoader.LoadSection(sections[i], i, sections[i] == u"GLOBALINFO");

  const auto& common = Skin->Settings.CommonSections;
  if (common.empty()) return;
  TStringList lines;
  for (const auto& line : common) lines.Add(line);
  TMemIniFile commonIni(String(), true);
  commonIni.SetStrings(lines);
  TStringList commonSections;
  commonIni.ReadSections(commonSections);
  // A common section takes the index it gets among the sections: the skin's own when the skin
  // has it, else the next free one in the order of the common text.
  Integer next = sections.Count();
  TImageLoader commonLoader{*this, &commonIni};
  for (Integer i = 0; i < commonSections.Count(); ++i) {
    const String& name = commonSections[i];
    if (UpperCase(name) == u"GLOBALINFO") continue;
    Integer own = -1;
    for (Integer k = 0; k < sections.Count() && own < 0; ++k)
      if (sections[k] == name) own = k;
    const Integer index = own >= 0 ? own : next++;
    commonLoader.LoadSection(name, index, false);
  }
}

// ---- 3. Bitmaps ---------------------------------------------------------------------------------------

Integer TkvSkinData::MakeNewItem(Integer skinIndex, const String& propertyName, const String& className,
                                 TkvImgType imgType, const TRect& r, Integer count, Integer drawMode,
                                 Integer maskType) {
  TsMaskData md;
  md.SkinIndex = skinIndex;
  md.PropertyName = propertyName;
  md.ClassName = className;
  md.ImgType = imgType;
  md.R = r;
  md.ImageCount = int16_t(std::clamp<Integer>(count, INT16_MIN, INT16_MAX));
  md.DrawMode = int16_t(std::clamp<Integer>(drawMode, INT16_MIN, INT16_MAX));
  md.MaskType = int16_t(std::clamp<Integer>(maskType, INT16_MIN, INT16_MAX));
  md.Manager = FOwner;
  md.DivPPI = 96;
  md.MulPPi = PPI;
  ma.push_back(std::move(md));
  TkvSkinDataLoader::AddImageToIndex(*this, Integer(ma.size()) - 1);
  return Integer(ma.size()) - 1;
}

Integer TkvSkinData::SearchBmpIndex(const String& imgName, const TRect& r) const {
  for (size_t i = 0; i < BmpArray.size(); ++i)
    if (BmpArray[i].FileName == imgName && (!imgName.empty() || BmpArray[i].SrcRect == r)) return Integer(i);
  return -1;
}

void TkvSkinData::UpdateItem(TsMaskData& md, Integer bmpIndex) {
  const TkvBmpData& e = BmpArray[size_t(bmpIndex)];
  if (e.Bmp) {
    md.Bmp = e.Bmp.get();
    md.R = TRect(0, 0, e.Bmp->Width(), e.Bmp->Height());
    md.Width = e.Bmp->Width();
    md.Height = e.Bmp->Height();
  } else {
    md.Width = md.R.Width();
    md.Height = md.R.Height();
  }
  md.MulPPi = e.MulPPI;
  md.DivPPI = e.DivPPI;
  const Integer wl = kvMulDiv(md.WL, md.MulPPi, md.DivPPI);
  const Integer wt = kvMulDiv(md.WT, md.MulPPi, md.DivPPI);
  md.WL = int16_t(std::clamp<Integer>(wl, 0, INT16_MAX));
  md.WT = int16_t(std::clamp<Integer>(wt, 0, INT16_MAX));
  md.WR = int16_t(std::clamp<Integer>(
      std::min(kvMulDiv(md.WR, md.MulPPi, md.DivPPI), md.Width / StateCount(md) - md.WL - 1), 0, INT16_MAX));
  md.WB = int16_t(std::clamp<Integer>(
      std::min(kvMulDiv(md.WB, md.MulPPi, md.DivPPI), md.Height / std::max<Integer>(1, md.MaskType + 1) - md.WT - 1), 0,
      INT16_MAX));
}

Integer TkvSkinData::AddImage(std::unique_ptr<TBitmap> bmp, const String& fileName, const String& propName,
                              const TRect& r, const TRect& srcRect, Integer srcPPI, Integer maskType, bool ext) {
  TkvBmpData e;
  e.R = r.IsEmpty() && bmp ? TRect(0, 0, bmp->Width(), bmp->Height()) : r;
  e.Bmp = std::move(bmp);
  e.FileName = fileName;
  e.MulPPI = PPI;
  e.DivPPI = srcPPI;
  e.MaskType = maskType;
  e.Path = propName;
  e.SrcRect = srcRect;
  e.Ext = ext;
  // A piece of the master bitmap copied after the master was recoloured carries the tint.
  e.Tinted = !ext && fileName.empty() && !srcRect.IsEmpty() && Skin && Skin->CommonDataLoaded;
  BmpArray.push_back(std::move(e));
  return Integer(BmpArray.size()) - 1;
}

namespace {

// Decodes a skin picture by its upper-cased name; an empty bitmap for an unknown kind. Raises
// the decoder's error for a broken picture.
std::unique_ptr<TBitmap> DecodePicture(const String& upperName, TStream& stream, bool premultiply) {
  auto bmp = std::make_unique<TBitmap>();
  if (upperName.find(u".BMP") != String::npos) {
    bmp->LoadFromStream(stream);
  } else if (upperName.find(u".JPG") != String::npos || upperName.find(u".JPEG") != String::npos) {
    TJPEGImage jpeg;
    jpeg.LoadFromStream(stream);
    bmp->Assign(&jpeg);
  } else if (upperName.find(u".PNG") != String::npos) {
    LoadBmpFromPngStream(*bmp, stream);
    if (bmp->PixelFormat() != pf32bit) bmp->SetPixelFormat(pf32bit);
    if (premultiply) UpdateAlpha(bmp.get());
    return bmp;
  } else {
    return bmp;
  }
  if (bmp->PixelFormat() != pf32bit) {
    bmp->SetPixelFormat(pf32bit);
    FillAlphaRect(bmp.get(), TRect(0, 0, bmp->Width(), bmp->Height()), 255, TColor(sFuchsia));
  }
  return bmp;
}

uint32_t BigEndian32(const Byte* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint32_t LittleEndian32(const Byte* p) {
  return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

// The frame size of a JPEG: the first start-of-frame segment, found by walking the segments.
bool JpegSize(const Byte* d, size_t size, Int64& width, Int64& height) {
  size_t p = 2;
  while (p + 4 <= size) {
    if (d[p] != 0xFF) return false;
    const Byte marker = d[p + 1];
    if (marker == 0xFF) {  // fill byte
      ++p;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9)) {  // no length follows
      p += 2;
      continue;
    }
    const size_t length = size_t(d[p + 2]) << 8 | d[p + 3];
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (p + 9 > size || length < 7) return false;
      height = Int64(d[p + 5]) << 8 | d[p + 6];
      width = Int64(d[p + 7]) << 8 | d[p + 8];
      return true;
    }
    if (length < 2) return false;
    p += 2 + length;
  }
  return false;
}

}  // namespace

bool PictureHeaderSize(const Byte* d, size_t size, Int64& width, Int64& height) {
  static constexpr Byte kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (size >= 24 && std::equal(kPng, kPng + 8, d)) {
    width = BigEndian32(d + 16);
    height = BigEndian32(d + 20);
    return true;
  }
  if (size >= 26 && d[0] == 'B' && d[1] == 'M') {
    const uint32_t headerSize = LittleEndian32(d + 14);
    if (headerSize == 12) {  // the old core header: 16-bit sizes
      width = Int64(d[18]) | Int64(d[19]) << 8;
      height = Int64(d[20]) | Int64(d[21]) << 8;
      return true;
    }
    width = std::abs(Int64(int32_t(LittleEndian32(d + 18))));
    height = std::abs(Int64(int32_t(LittleEndian32(d + 22))));  // negative: rows top-down
    return true;
  }
  if (size >= 4 && d[0] == 0xFF && d[1] == 0xD8) return JpegSize(d, size, width, height);
  return false;
}

void CheckPicture(const String& what, TMemoryStream& stream) {
  Int64 w = 0, h = 0;
  if (!PictureHeaderSize(static_cast<const Byte*>(stream.Memory()), size_t(stream.GetSize()), w, h)) return;
  if (w * h > kMaxImagePixels)
    throw ESkinRefused(what + u" is " + IntToStr(w) + u" x " + IntToStr(h) + u" pixels; a skin picture may have " +
                       IntToStr(kMaxImagePixels) + u" pixels at most.");
}

void ReservePixels(TkvSkinData& data, Int64 width, Int64 height, const String& what) {
  const Int64 pixels = std::max<Int64>(0, width) * std::max<Int64>(0, height);
  Int64& total = data.Skin ? data.Skin->PixelsMade : data.PixelsMade;
  if (total + pixels > kMaxSkinPixels)
    throw ESkinRefused(u"The pictures of the skin need more than " + IntToStr(kMaxSkinPixels) + u" pixels (" + what +
                       u" at " + IntToStr(data.PPI) + u" PPI).");
  if (data.Skin) data.PixelsMade += pixels;
  total += pixels;
}

void ReleasePixels(TkvSkinData& data, Int64 pixels) {
  if (data.Skin) data.Skin->PixelsMade -= pixels;
  data.PixelsMade -= pixels;
}

Integer ShadowSizeLimit(const TkvSkinData& data) {
  return data.Skin ? ScaleIntAt(data.Skin->Settings, kMaxShadowSize, data.ScaleValue) : kMaxShadowSize;
}

void ClampBorders(TsMaskData& md, Integer stateWidth, Integer stateHeight) {
  // At least one pixel of each state stays between the borders for the middle part.
  md.WL = int16_t(std::clamp<Integer>(md.WL, 0, std::clamp<Integer>(stateWidth - 1, 0, INT16_MAX)));
  md.WR = int16_t(std::clamp<Integer>(md.WR, 0, std::clamp<Integer>(stateWidth - md.WL - 1, 0, INT16_MAX)));
  md.WT = int16_t(std::clamp<Integer>(md.WT, 0, std::clamp<Integer>(stateHeight - 1, 0, INT16_MAX)));
  md.WB = int16_t(std::clamp<Integer>(md.WB, 0, std::clamp<Integer>(stateHeight - md.WT - 1, 0, INT16_MAX)));
}

namespace {}  // namespace

bool TkvSkinData::DefineBmp(TsMaskData& md, const String& imgName, const TRect& r, bool ignoreFuchsia) {
  const Integer listed = SearchBmpIndex(imgName, r);
  if (listed >= 0) {
    UpdateItem(md, listed);
  } else if (!imgName.empty()) {
    if (!Skin) return false;
    TMemoryStream* stream = nullptr;
    TMemoryStream file;
    if (Skin->SkinIsPacked && Skin->sc) {
      if (TkvFileItem* item = Skin->sc->FindFile(imgName)) stream = item->Stream.get();
    }
    if (!stream) {
      // A folder skin, or a packed skin's file beside it: only inside the skin folder.
      if (!ReadWholeFile(SkinFilePath(Skin->SkinCommonInfo.SkinPath, imgName), file, kMaxImageFileBytes)) return false;
      stream = &file;
    }
    // What the header claims is refused before the decoder allocates it.
    const String what = u"The picture \"" + imgName + u"\"";
    CheckPicture(what, *stream);
    Int64 w = 0, h = 0;
    const bool sized = PictureHeaderSize(static_cast<const Byte*>(stream->Memory()), size_t(stream->GetSize()), w, h);
    if (sized) ReservePixels(*this, w, h, imgName);
    stream->SetPosition(0);
    std::unique_ptr<TBitmap> bmp;
    try {
      const bool premultiply = Skin->Settings.Brightness <= 0 && md.ImgType != itisaBorder;
      bmp = DecodePicture(imgName, *stream, premultiply);
    } catch (const Exception&) {
      return false;  // a broken picture drops its image
    }
    if (!sized) {
      if (Int64(bmp->Width()) * bmp->Height() > kMaxImagePixels) return false;
      ReservePixels(*this, bmp->Width(), bmp->Height(), imgName);
    }
    md.Bmp = bmp.get();
    md.R = TRect(0, 0, bmp->Width(), bmp->Height());
    md.Width = bmp->Width();
    md.Height = bmp->Height();
    if (md.MulPPi != md.DivPPI) {
      ReservePixels(*this, kvMulDiv(md.Width, md.MulPPi, md.DivPPI), kvMulDiv(md.Height, md.MulPPi, md.DivPPI),
                    imgName);
      const bool keepKey = ignoreFuchsia || md.ImgType == itisaTexture || md.ImgType == itisaPngGlyph;
      if (auto scaled = ScaleMaskData(md, bmp.get(), keepKey, Skin->Palette[pcMainColor])) {
        ReleasePixels(*this, Int64(bmp->Width()) * bmp->Height());  // the decoded picture goes
        bmp = std::move(scaled);
      }
    }
    AddImage(std::move(bmp), imgName, md.ClassName + u"-" + md.PropertyName, md.R, TRect(), md.DivPPI, md.MaskType,
             true);
  } else if (md.MulPPi != md.DivPPI && !(md.DrawMode & BDM_NOSCALE) && Skin) {
    const TRect src = md.R;
    ReservePixels(*this, kvMulDiv(src.Width(), md.MulPPi, md.DivPPI), kvMulDiv(src.Height(), md.MulPPi, md.DivPPI),
                  md.ClassName + u"-" + md.PropertyName);
    if (auto scaled = ScaleMaskData(md, Skin->MasterBitmap.get(), ignoreFuchsia, Skin->Palette[pcMainColor]))
      AddImage(std::move(scaled), String(), md.ClassName + u"-" + md.PropertyName, md.R, src, md.DivPPI, md.MaskType,
               false);
  }
  if (md.R.IsEmpty() && md.Bmp) md.R = TRect(0, 0, md.Bmp->Width(), md.Bmp->Height());
  return true;
}

Integer DuRiruZireziv::GetScaledMaskData(const String& aSectionName, const String& aPropName, TsMaskData& md,
                                         Integer aMulPPI, std::unique_ptr<TBitmap>& bitmap) {
  bitmap.reset();
  if (!IsActive() || !SkinFile) return -1;
  // The density whose key has a value: the lowest at or above the target, else the highest below.
  String value;
  Integer srcPPI = 0;
  const auto tryIndex = [&](size_t i) {
    String v = UpperCase(IniString(SkinFile, aSectionName, aPropName + aSfxs[i]));
    if (v.empty()) return false;
    value = std::move(v);
    srcPPI = aPPIArray[i];
    return true;
  };
  bool found = false;
  for (size_t i = 0; i < aPPIArray.size() && !found; ++i) found = aPPIArray[i] >= aMulPPI && tryIndex(i);
  for (size_t i = aPPIArray.size(); i-- > 0 && !found;) found = aPPIArray[i] <= aMulPPI && tryIndex(i);
  if (!found) return -1;
  TkvImageRef ref;
  try {
    if (!ParseImageRef(ConvertSkinStr(value), ref)) return -1;
  } catch (const EConvertError&) { return -1; }

  md = TsMaskData();
  md.ClassName = aSectionName;
  md.PropertyName = aPropName;
  md.SkinIndex = 0;
  md.Manager = this;
  md.DrawMode = int16_t(std::clamp<Integer>(ref.DrawMode, INT16_MIN, INT16_MAX));
  md.MaskType = int16_t(std::clamp<Integer>(ref.MaskType, INT16_MIN, INT16_MAX));
  md.ImgType = ref.ImgType;
  md.ImageCount = int16_t(std::clamp<Integer>(ref.ImageCount, INT16_MIN, INT16_MAX));
  md.R = ref.R;
  md.WL = int16_t(std::clamp<Integer>(ref.WL, 0, INT16_MAX));
  md.WT = int16_t(std::clamp<Integer>(ref.WT, 0, INT16_MAX));
  md.WR = int16_t(std::clamp<Integer>(ref.WR, 0, INT16_MAX));
  md.WB = int16_t(std::clamp<Integer>(ref.WB, 0, INT16_MAX));
  md.DivPPI = srcPPI;
  md.MulPPi = aMulPPI;

  std::unique_ptr<TBitmap> picture;
  if (!ref.FileName.empty()) {
    TMemoryStream* stream = nullptr;
    TMemoryStream file;
    if (SkinIsPacked) {
      TkvFileItem* item = sc ? sc->FindFile(ref.FileName) : nullptr;
      if (!item) return -1;  // the packed skin is closed, or has no such entry
      stream = item->Stream.get();
    } else {
      if (!ReadWholeFile(SkinFilePath(SkinCommonInfo.SkinPath, ref.FileName), file, kMaxImageFileBytes)) return -1;
      stream = &file;
    }
    // A picture whose header claims more than a skin picture may hold is not decoded at all.
    Int64 w = 0, h = 0;
    if (PictureHeaderSize(static_cast<const Byte*>(stream->Memory()), size_t(stream->GetSize()), w, h) &&
        w * h > kMaxImagePixels)
      return -1;
    stream->SetPosition(0);
    try {
      picture = DecodePicture(ref.FileName, *stream, false);
    } catch (const Exception&) { return -1; }
    if (!picture || picture->Width() <= 0 || picture->Height() <= 0 ||
        Int64(picture->Width()) * picture->Height() > kMaxImagePixels)
      return -1;
    md.R = TRect(0, 0, picture->Width(), picture->Height());
  } else {
    TBitmap* master = MasterBitmap.get();
    const TRect& r = md.R;
    if (!master || r.Left < 0 || r.Top < 0 || r.Right > master->Width() || r.Bottom > master->Height() ||
        r.Right <= r.Left || r.Bottom <= r.Top)
      return -1;
    if (md.MulPPi != md.DivPPI && !(md.DrawMode & BDM_NOSCALE))
      picture = ScaleMaskData(md, master, md.ImgType == itisaTexture || md.ImgType == itisaGlow, Palette[pcMainColor]);
    if (!picture) {
      // Kept at its pixel size (or too small to rescale): a copy of its piece of the master.
      picture = std::unique_ptr<TBitmap>(CreateBmp32(r.Width(), r.Height()));
      CopyPixels(ViewOf(picture.get()), 0, 0, ViewOf(master), r);
      md.R = TRect(0, 0, r.Width(), r.Height());
    }
  }
  const Integer count = std::max<Integer>(1, md.ImageCount);
  md.Bmp = picture.get();
  md.Width = md.R.Width() / count;
  md.Height = (md.DrawMode & BDM_ALPHA) ? md.R.Height() : md.R.Height() / std::max<Integer>(1, md.MaskType + 1);
  if (md.ImgType == itisaBorder) md.Cfg = CornerTypeOf(md, picture.get());
  bitmap = std::move(picture);
  return aMulPPI;
}

// ---- 4. Sections made in code ---------------------------------------------------------------------------

Integer TkvSkinData::AddNewSection(const String& name, Integer parentSection, Integer states, Integer transparency,
                                   TColor color, TColor fontColor) {
  TsGeneralData s;
  if (parentSection >= 0 && parentSection < Integer(gd.size())) {
    s = gd[size_t(parentSection)];
    s.ParentClass = gd[size_t(parentSection)].ClassName;
  } else {
    // At least one state: painters index the looks by a state clamped to States - 1.
    s.States = std::max<Integer>(1, states);
    for (auto& p : s.Props) {
      p.Transparency = transparency;
      p.Color = Integer(color);
      p.FontColor = TsFontColor{Integer(fontColor), -1, -1, -1, -1};
    }
  }
  s.ClassName = name;
  gd.push_back(std::move(s));
  const Integer index = Integer(gd.size()) - 1;
  sectionIndex_.emplace(name, index);
  return index;
}

// ---- 5. Linking sections to images, completing sizes ---------------------------------------------------

void TkvSkinData::InitMaskIndexes() {
  const Integer global = GetSkinIndex(u"GLOBALINFO");
  // Images found through PARENTCLASS, each (section, key) resolved once: chains have no depth
  // limit, so walking one per lookup would cost the square of the section count. A chain that
  // runs in a circle finds nothing.
  constexpr Integer kUnknown = -2, kOnPath = -3;
  std::vector<Integer> parentOf(gd.size(), -1);
  for (size_t i = 0; i < gd.size(); ++i) {
    const Integer p = GetSkinIndex(gd[i].ParentClass);
    if (p != Integer(i)) parentOf[i] = p;
  }
  std::unordered_map<String, std::vector<Integer>> found;
  std::vector<Integer> path;
  const auto imageOf = [&](Integer section, const Char* key) {
    std::vector<Integer>& memo = found.try_emplace(key, gd.size(), kUnknown).first->second;
    path.clear();
    Integer at = section, image = -1;
    while (at >= 0 && size_t(at) < memo.size()) {
      const Integer known = memo[size_t(at)];
      if (known == kOnPath) break;
      if (known != kUnknown) {
        image = known;
        break;
      }
      image = OwnImage(at, key, false);
      if (image >= 0) {
        memo[size_t(at)] = image;
        break;
      }
      memo[size_t(at)] = kOnPath;
      path.push_back(at);
      at = parentOf[size_t(at)];
    }
    for (const Integer p : path) memo[size_t(p)] = image;
    return image;
  };
  for (Integer i = 0; i < Integer(gd.size()); ++i) {
    if (i == global) continue;
    TsGeneralData& s = gd[size_t(i)];
    if (s.BorderIndex == 0) s.BorderIndex = imageOf(i, u"BORDERSMASK");
    s.ImgTL = imageOf(i, u"IMGTOPLEFT");
    s.ImgTR = imageOf(i, u"IMGTOPRIGHT");
    s.ImgBL = imageOf(i, u"IMGBTMLEFT");
    s.ImgBR = imageOf(i, u"IMGBTMRIGHT");
    switch (s.OuterMode) {
      case 0: s.OuterMask = -1; break;
      case 1:
      case 2: s.OuterMask = imageOf(i, u"OUTERMASK"); break;
      case 3:
      case 4:
        s.OuterMask = imageOf(i, u"OUTERMASK");
        if (s.OuterMask < 0) PrepareOuter(*this, i);
        break;
      default: break;
    }
    TsGeneralData& t = s;
    t.Props[0].TextureIndex = imageOf(i, u"PATTERN");
    if (t.States > 1) t.Props[1].TextureIndex = imageOf(i, u"HOTPATTERN");
    if (t.States > 2 && t.UseState2)
      t.Props[2].TextureIndex = imageOf(i, u"PATTERN2");
    else
      t.Props[2].TextureIndex = t.Props[1].TextureIndex;
    if (t.BorderIndex < 0) {
      if (t.BorderRadius >= 1 || t.BorderWidth < 1)
        t.ScrollBorderOffset = 0;
      else
        t.ScrollBorderOffset = t.BorderWidth == 1 ? -1 : -2;
    }
  }
  for (auto& md : ma) {
    md.Width = md.ImageCount > 0 ? md.R.Width() / md.ImageCount : 0;
    if (md.MaskType == -1)
      md.Height = 0;
    else
      md.Height = md.R.Height() / std::max<Integer>(1, md.MaskType + 1);
    if (md.ImageCount <= 0) {
      md.Width = md.R.Width();
      if (md.WT <= 0) md.WT = int16_t((md.Height - 1) / std::max<Integer>(1, md.MaskType * 2 + 2));
      if (md.WB <= 0) md.WB = int16_t((md.Height - 1) / std::max<Integer>(1, md.MaskType * 2 + 2));
      if (md.WL <= 0) md.WL = int16_t((md.Width - 1) / 2);
      if (md.WR <= 0) md.WR = int16_t((md.Width - 1) / 2);
      md.ImageCount = 1;
    }
    if (md.ImgType == itisaBorder) md.Cfg |= CornerTypeOf(md, BitmapOf(md));
  }
}

void TkvSkinData::InitMaskParams() {
  if (!Skin) return;
  ExContentOffs = ScaledInteger(u"FORMOFFSET", Skin->Settings.System.SizingFrameWidth, ExBorder, true);
  if (Skin->Settings.ExtBordersShadow) {
    ExBorderWidth = ScaleIntValue(4);
    ExTitleHeight = ExMaxHeight = ScaleIntValue(30);
    ExCenterOffs = 0;
    return;
  }
  constexpr Integer kMaxFrameMetric = 1024;
  ExBorderWidth = std::min(ScaledInteger(u"BORDERWIDTH", 4, ExBorder, true), kMaxFrameMetric);
  if (ExBorderWidth < 2) ExBorderWidth = 1;
  ExTitleHeight = std::min(ScaledInteger(u"TITLEHEIGHT", 30, ExBorder, true), kMaxFrameMetric);
  if (ExTitleHeight <= 0) ExTitleHeight = ScaleIntValue(30);
  ExMaxHeight = std::min(ScaledInteger(u"MAXHEIGHT", 0, ExBorder, true), kMaxFrameMetric);
  if (ExMaxHeight <= 0) ExMaxHeight = ExTitleHeight;
  ExCenterOffs = std::clamp(ScaledInteger(u"CENTEROFFSET", 0, ExBorder, true), -kMaxFrameMetric, kMaxFrameMetric);
  ExContentOffs = std::clamp(ExContentOffs, -kMaxFrameMetric, kMaxFrameMetric);
}
