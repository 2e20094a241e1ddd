#include "controls/kvAlphaHintsTemplates.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "controls/ControlsState.h"
#include "ui/ScopeGuard.h"
#include "ui/SysUtils.h"

// ---- size and draw-mode sets ----------------------------------------------------------------

TW_DEFINE_CLASS(TkvBordersSizes) {
  const char16_t* names[] = {u"Top", u"Left", u"Bottom", u"Right"};
  for (Integer i = 0; i < 4; ++i)
    b.Property(
        names[i], [i](const TkvBordersSizes& s) { return s.Get(i); },
        [i](TkvBordersSizes& s, Integer v) { s.Set(i, v); });
}

namespace {
Integer* SizeField(TkvBordersSizes& s, Integer index) {
  switch (index) {
    case 0: return &s.FTop;
    case 1: return &s.FLeft;
    case 2: return &s.FBottom;
    case 3: return &s.FRight;
    default: return nullptr;
  }
}
// A size change being reported does not start another report.
bool& kvLocalUpd = kvControlsState.kvLocalUpd;
}  // namespace

Integer TkvBordersSizes::Get(Integer index) const {
  const Integer* f = SizeField(const_cast<TkvBordersSizes&>(*this), index);
  return f && *f > 0 ? *f : 0;
}

void TkvBordersSizes::Set(Integer index, Integer value) {
  Integer* f = SizeField(*this, index);
  if (!f || *f == value) return;
  *f = value;
  if (FOwner && !kvLocalUpd) {
    auto reporting = SetForScope(kvLocalUpd, true, false);
    FOwner->ReportChange();
  }
}

void TkvBordersSizes::SetValues(Integer left, Integer top, Integer right, Integer bottom) {
  Set(1, left);
  Set(0, top);
  Set(3, right);
  Set(2, bottom);
}

void TkvBordersSizes::Assign(const TPersistent* source) {
  if (auto* s = dynamic_cast<const TkvBordersSizes*>(source)) {
    FTop = s->FTop;
    FLeft = s->FLeft;
    FRight = s->FRight;
    FBottom = s->FBottom;
    return;
  }
  TPersistent::Assign(source);
}

TW_DEFINE_CLASS(TkvBorderDrawModes) {
  const char16_t* names[] = {u"Top", u"Left", u"Bottom", u"Right", u"Center"};
  for (Integer i = 0; i < 5; ++i)
    b.Property(
        names[i], [i](const TkvBorderDrawModes& m) { return Integer(m.Get(i)); },
        [i](TkvBorderDrawModes& m, Integer v) { m.SetDrawMode(i, v ? dmStretch : dmRepeat); });
}

TkvBorderDrawMode TkvBorderDrawModes::Get(Integer index) const {
  switch (index) {
    case 0: return FTop;
    case 1: return FLeft;
    case 2: return FBottom;
    case 3: return FRight;
    case 4: return FCenter;
    default: return dmStretch;
  }
}

void TkvBorderDrawModes::SetDrawMode(Integer index, TkvBorderDrawMode value) {
  TkvBorderDrawMode* f = index == 0   ? &FTop
                         : index == 1 ? &FLeft
                         : index == 2 ? &FBottom
                         : index == 3 ? &FRight
                         : index == 4 ? &FCenter
                                      : nullptr;
  if (!f) return;
  *f = value;
  if (FOwner) FOwner->ReportChange();
}

void TkvBorderDrawModes::Assign(const TPersistent* source) {
  if (auto* s = dynamic_cast<const TkvBorderDrawModes*>(source)) {
    FTop = s->FTop;
    FLeft = s->FLeft;
    FRight = s->FRight;
    FCenter = s->FCenter;
    FBottom = s->FBottom;
    return;
  }
  TPersistent::Assign(source);
}

// ---- images ---------------------------------------------------------------------------------

TW_DEFINE_CLASS(TkvHintImage) {
  b.Property(u"OffsetHorz", &TkvHintImage::OffsetHorz, &TkvHintImage::SetOffsetHorz).Default(0);
  b.Property(u"OffsetVert", &TkvHintImage::OffsetVert, &TkvHintImage::SetOffsetVert).Default(0);
  // Read from descriptions and ignored: the picture's own size counts.
  b.Property(u"ImageHeight", &TkvHintImage::ImageHeight, [](TkvHintImage&, Integer) {});
  b.Property(u"ImageWidth", &TkvHintImage::ImageWidth, [](TkvHintImage&, Integer) {});
  b.Property(u"Image", &TkvHintImage::Picture, &TkvHintImage::SetPicture).Stored([](const TkvHintImage& i) {
    return i.BitmapStored();
  });
  b.Property(u"BorderDrawModes", &TkvHintImage::BorderDrawModes);
  b.Property(u"ClientMargins", &TkvHintImage::ClientMargins);
  b.Property(u"BordersWidths", &TkvHintImage::BordersWidths);
  b.Property(u"ShadowSizes", &TkvHintImage::ShadowSizes);
  b.Binary(u"ImgData", &TkvHintImage::ReadData, &TkvHintImage::WriteData);
}

void TkvHintImage::ReadData(TStream& reader) {
  FImageData->Clear();
  const Int64 count = reader.GetSize() - reader.GetPosition();
  if (count > 0) FImageData->CopyFrom(reader, count);
  FImageData->SetPosition(0);
}

void TkvHintImage::WriteData(TStream& writer) const {
  if (!HasImageData()) return;
  FImageData->SetPosition(0);
  writer.CopyFrom(*FImageData, FImageData->GetSize());
}

TkvHintImage::TkvHintImage(TkvHintTemplate* owner)
    : FShadowSizes(std::make_unique<TkvBordersSizes>(this)),
      FClientMargins(std::make_unique<TkvBordersSizes>(this)),
      FBordersWidths(std::make_unique<TkvBordersSizes>(this)),
      FBorderDrawModes(std::make_unique<TkvBorderDrawModes>(this)),
      FImage(std::make_unique<TPNGGraphic>()),
      FOwner(owner),
      FImageData(std::make_unique<TMemoryStream>()) {}

TkvHintImage::~TkvHintImage() = default;

void TkvHintImage::ReportChange() {
  if (FOwner) FOwner->ReportChange();
}

void TkvHintImage::SetOffsetHorz(Integer v) {
  FOffsetHorz = v;
  ReportChange();
}

void TkvHintImage::SetOffsetVert(Integer v) {
  FOffsetVert = v;
  ReportChange();
}

void TkvHintImage::SetImage(const TBitmap* picture) {
  FImage->Assign(picture);
  FImageData->Clear();
  ImageChanged();
  ReportChange();
}

void TkvHintImage::ImageChanged() {
  const Integer h = (ImageWidth() - 1) / 2, v = (ImageHeight() - 1) / 2;
  FBordersWidths->FLeft = FBordersWidths->FRight = FClientMargins->FLeft = FClientMargins->FRight = h;
  FBordersWidths->FTop = FBordersWidths->FBottom = FClientMargins->FTop = FClientMargins->FBottom = v;
}

void TkvHintImage::StreamChanged() {
  if (!HasImageData()) return;
  FImageData->SetPosition(0);
  FImage->LoadFromStream(*FImageData);
  ReportChange();
}

void TkvHintImage::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TkvHintImage*>(source);
  if (!s) return TPersistent::Assign(source);
  FImage->Assign(s->FImage.get());
  FImageData->Clear();
  if (s->HasImageData()) {
    s->FImageData->SetPosition(0);
    FImageData->CopyFrom(*s->FImageData, 0);
  }
  FOffsetHorz = s->FOffsetHorz;
  FOffsetVert = s->FOffsetVert;
  FClientMargins->Assign(s->FClientMargins.get());
  FBorderDrawModes->Assign(s->FBorderDrawModes.get());
  FBordersWidths->Assign(s->FBordersWidths.get());
  FShadowSizes->Assign(s->FShadowSizes.get());
}

// ---- templates ------------------------------------------------------------------------------

TW_DEFINE_CLASS(TkvHintTemplate) {
  const char16_t* images[] = {u"ImageDefault", u"Img_LeftBottom", u"Img_RightBottom", u"Img_RightTop"};
  for (Integer i = 0; i < 4; ++i)
    b.Property(
        images[i], [i](const TkvHintTemplate& t) { return t.HintImage(i); },
        [i](TkvHintTemplate& t, TkvHintImage* v) { t.SetHintImage(i, v); });
  b.Property(u"Font", &TkvHintTemplate::Font, [](TkvHintTemplate& t, TFont* f) { t.SetFont(f); });
  b.Property(
       u"HintAlign", [](const TkvHintTemplate& t) { return Integer(t.HintAlign()); },
       [](TkvHintTemplate& t, Integer v) { t.SetHintAlign(v ? haVertCenter : haHorzCenter); })
      .Default(0);
  b.Property(u"Name", &TkvHintTemplate::Name, &TkvHintTemplate::SetName);
}

TkvHintTemplate::TkvHintTemplate(TCollection* collection)
    : TCollectionItem(collection),
      FImageDefault(std::make_unique<TkvHintImage>(this)),
      FImageRightTop(std::make_unique<TkvHintImage>(this)),
      FImageLeftBottom(std::make_unique<TkvHintImage>(this)),
      FImageRightBottom(std::make_unique<TkvHintImage>(this)),
      FFont(std::make_unique<TFont>()) {
  FFont->SetHeight(-12);
}

TkvHintTemplate::~TkvHintTemplate() = default;

TkvHintImage* TkvHintTemplate::HintImage(Integer index) const {
  switch (index) {
    case 0: return FImageDefault.get();
    case 1: return FImageLeftBottom.get();
    case 2: return FImageRightBottom.get();
    case 3: return FImageRightTop.get();
    default: return nullptr;
  }
}

void TkvHintTemplate::SetHintImage(Integer index, const TkvHintImage* value) {
  if (TkvHintImage* img = HintImage(index)) img->Assign(value);
}

void TkvHintTemplate::SetFont(const TFont* font) {
  FFont->Assign(font);
  ReportChange();
}

void TkvHintTemplate::ReportChange() {
  // Only templates of a component's collection report; the default template has none.
  if (auto* c = dynamic_cast<TkvHintTemplates*>(Collection())) c->Changed();
}

void TkvHintTemplate::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TkvHintTemplate*>(source);
  if (!s) return TCollectionItem::Assign(source);
  FImageDefault->Assign(s->FImageDefault.get());
  FImageLeftBottom->Assign(s->FImageLeftBottom.get());
  FImageRightBottom->Assign(s->FImageRightBottom.get());
  FImageRightTop->Assign(s->FImageRightTop.get());
  FHintAlign = s->FHintAlign;
  FFont->Assign(s->FFont.get());
  FName = s->FName;
}

TW_DEFINE_CLASS(TkvHintTemplates) {}

TkvHintTemplates::TkvHintTemplates(TPersistent* owner, TNotifyEvent onChange)
    : TCollection(TkvHintTemplate::StaticClass()), FOnChange(onChange) {
  SetOwner(owner);
}

void TkvHintTemplates::DecodePictures() {
  for (Integer i = 0; i < Count(); ++i)
    for (Integer k = 0; k < 4; ++k) {
      TkvHintImage* img = Items(i)->HintImage(k);
      if (img->HasImageData()) img->StreamChanged();
    }
}

Integer TkvHintTemplates::IndexOfName(const String& name) const {
  for (Integer i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), name)) return i;
  return -1;
}

// ---- the template file ----------------------------------------------------------------------

namespace {

constexpr char kMagic[4] = {'K', 'P', 'h', 'h'};
constexpr Integer kBlockHeaderBytes = 5 + 3 * 16 + 1 + 4;
constexpr Integer kMaxFontPoints = 1000;
// The longest file that can hold four pictures of the largest size.
constexpr Int64 kMaxFileBytes =
    18 + kvHintFileMaxNameBytes + 4 * (Int64(kBlockHeaderBytes) + kvHintFileMaxPictureBytes);

// A cursor over the file's bytes that never reads past them.
class TFileCursor {
 public:
  explicit TFileCursor(const std::vector<Byte>& bytes) : bytes_(bytes) {}
  size_t Left() const { return bytes_.size() - pos_; }
  bool Byte1(Byte& v) {
    if (Left() < 1) return false;
    v = bytes_[pos_++];
    return true;
  }
  bool Int32(Integer& v) {
    if (Left() < 4) return false;
    const Byte* p = &bytes_[pos_];
    v = Integer(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
    pos_ += 4;
    return true;
  }
  bool Bytes(size_t count, const Byte*& p) {
    if (Left() < count) return false;
    p = &bytes_[pos_];
    pos_ += count;
    return true;
  }

 private:
  const std::vector<Byte>& bytes_;
  size_t pos_ = 0;
};

void PutInt32(TStream& s, Integer v) {
  const uint32_t u = uint32_t(v);
  const Byte b[4] = {Byte(u), Byte(u >> 8), Byte(u >> 16), Byte(u >> 24)};
  s.WriteBuffer(b, 4);
}

void PutByte(TStream& s, Byte v) { s.WriteBuffer(&v, 1); }

bool ReadSizes(TFileCursor& c, TkvBordersSizes& s) {
  return c.Int32(s.FTop) && c.Int32(s.FLeft) && c.Int32(s.FRight) && c.Int32(s.FBottom);
}

void WriteSizes(TStream& s, const TkvBordersSizes& v) {
  PutInt32(s, v.FTop);
  PutInt32(s, v.FLeft);
  PutInt32(s, v.FRight);
  PutInt32(s, v.FBottom);
}

uint32_t BigEndian32(const Byte* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
Int64 LittleEndian32(const Byte* p) {
  return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

// The picture's size from its header, before any pixel is decoded; false when it is larger
// than a template picture may be (or has no header of its kind).
bool PictureSizeAllowed(const Byte* p, size_t n, bool png) {
  Int64 w = 0, h = 0;
  if (png) {
    if (n < 24) return false;
    w = BigEndian32(p + 16);
    h = BigEndian32(p + 20);
  } else {
    if (n < 26) return false;
    w = LittleEndian32(p + 18);
    h = LittleEndian32(p + 22);
    if (h < 0) h = -h;
  }
  return w > 0 && h > 0 && w <= kvHintFileMaxPictureSide && h <= kvHintFileMaxPictureSide;
}

Integer Clamped(Integer v, Integer lo, Integer hi) { return std::min(std::max(v, lo), hi); }

// Sizes a bad file may carry are clamped to what a hint can use: border widths inside the
// picture (negative ones stay: they read as 0), margins and shadows within kvHintMaxInset.
void ClampSizes(TkvHintImage& img) {
  const Integer w = img.ImageWidth(), h = img.ImageHeight();
  TkvBordersSizes& b = *img.FBordersWidths;
  b.FLeft = std::min(b.FLeft, w);
  b.FRight = std::min(b.FRight, w - std::max(b.FLeft, 0));
  b.FTop = std::min(b.FTop, h);
  b.FBottom = std::min(b.FBottom, h - std::max(b.FTop, 0));
  for (TkvBordersSizes* s : {img.FClientMargins.get(), img.FShadowSizes.get()}) {
    s->FLeft = Clamped(s->FLeft, -kvHintMaxInset, kvHintMaxInset);
    s->FTop = Clamped(s->FTop, -kvHintMaxInset, kvHintMaxInset);
    s->FRight = Clamped(s->FRight, -kvHintMaxInset, kvHintMaxInset);
    s->FBottom = Clamped(s->FBottom, -kvHintMaxInset, kvHintMaxInset);
  }
}

bool ReadBlock(TFileCursor& c, TkvHintImage& img) {
  TkvBorderDrawModes& m = *img.FBorderDrawModes;
  Byte modes[5];
  for (Byte& v : modes)
    if (!c.Byte1(v)) return false;
  TkvBorderDrawMode* order[5] = {&m.FTop, &m.FLeft, &m.FRight, &m.FBottom, &m.FCenter};
  for (int i = 0; i < 5; ++i) *order[i] = modes[i] == 0 ? dmRepeat : dmStretch;
  if (!ReadSizes(c, *img.FBordersWidths) || !ReadSizes(c, *img.FClientMargins) || !ReadSizes(c, *img.FShadowSizes))
    return false;
  Byte kind = 0;
  Integer length = 0;
  if (!c.Byte1(kind) || !c.Int32(length)) return false;
  if (length <= 0 || length > kvHintFileMaxPictureBytes || size_t(length) > c.Left()) return false;
  const Byte* data = nullptr;
  c.Bytes(size_t(length), data);
  const bool png = kind != '0';
  if (!PictureSizeAllowed(data, size_t(length), png)) return false;
  try {
    TReadOnlyMemoryStream picture(data, length);
    if (png) {
      img.FImageData->WriteBuffer(data, length);
      img.FImageData->SetPosition(0);
      img.FImage->LoadFromStream(*img.FImageData);
    } else {
      // A BMP picture keeps its pixel format, so a 32-bit one keeps its alpha.
      TBitmap bmp;
      bmp.LoadFromStream(picture);
      img.FImage->Assign(&bmp);
      img.FImageData->Clear();
    }
  } catch (const Exception&) { return false; }
  if (img.FImage->Empty()) return false;
  ClampSizes(img);
  return true;
}

void WriteBlock(TStream& s, const TkvHintImage& img) {
  const TkvBorderDrawModes& m = *img.FBorderDrawModes;
  for (TkvBorderDrawMode v : {m.FTop, m.FLeft, m.FRight, m.FBottom, m.FCenter}) PutByte(s, Byte(v));
  WriteSizes(s, *img.FBordersWidths);
  WriteSizes(s, *img.FClientMargins);
  WriteSizes(s, *img.FShadowSizes);
  TMemoryStream picture;
  if (img.HasImageData()) {
    PutByte(s, '1');
    img.FImageData->SetPosition(0);
    picture.CopyFrom(*img.FImageData, 0);
  } else {
    PutByte(s, '0');
    img.FImage->SaveToStream(picture);
  }
  PutInt32(s, Integer(picture.GetSize()));
  picture.SetPosition(0);
  s.CopyFrom(picture, 0);
}

}  // namespace

#ifndef _WIN32
// Natively the system code page is UTF-8.
std::string HintFontNameToBytes(const String& name) {
  std::string bytes = StringToUtf8(name);
  size_t cut = std::min(bytes.size(), size_t(kvHintFileMaxNameBytes));
  while (cut < bytes.size() && cut > 0 && (Byte(bytes[cut]) & 0xC0) == 0x80) --cut;  // whole characters
  bytes.resize(cut);
  return bytes;
}
String HintFontNameFromBytes(const std::string& bytes) { return Utf8ToString(bytes); }
#endif

TkvHintFileResult ReadHintTemplate(TStream& stream, std::unique_ptr<TkvHintTemplate>& result) {
  result.reset();
  stream.SetPosition(0);
  const Int64 size = stream.GetSize();
  char magic[4] = {};
  if (size < 4 || stream.Read(magic, 4) != 4 || std::memcmp(magic, kMagic, 4) != 0)
    return TkvHintFileResult::UnknownFormat;
  if (size > kMaxFileBytes) return TkvHintFileResult::Malformed;
  std::vector<Byte> bytes(size_t(size - 4));
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), Integer(bytes.size()));
  TFileCursor c(bytes);

  auto tpl = std::make_unique<TkvHintTemplate>();
  Byte count = 0, style = 0;
  Integer color = 0, points = 0, nameBytes = 0;
  if (!c.Byte1(count) || !c.Int32(color) || !c.Int32(points) || !c.Byte1(style) || !c.Int32(nameBytes))
    return TkvHintFileResult::Malformed;
  if (nameBytes < 0 || nameBytes > kvHintFileMaxNameBytes || size_t(nameBytes) > c.Left())
    return TkvHintFileResult::Malformed;
  const Byte* name = nullptr;
  c.Bytes(size_t(nameBytes), name);
  TFont& font = *tpl->FFont;
  font.SetColor(color < 0 ? TColor(0) : TColor(color));
  font.SetSize(Clamped(points, -kMaxFontPoints, kMaxFontPoints));
  TFontStyles styles;
  if (style & 1) styles.Include(fsBold);
  if (style & 2) styles.Include(fsItalic);
  if (style & 4) styles.Include(fsUnderline);
  if (style & 8) styles.Include(fsStrikeOut);
  font.SetStyle(styles);
  font.SetName(HintFontNameFromBytes(std::string(reinterpret_cast<const char*>(name), size_t(nameBytes))));

  if (!ReadBlock(c, *tpl->FImageDefault)) return TkvHintFileResult::Malformed;
  if (count == '1' && c.Left() > 0) {
    for (TkvHintImage* img : {tpl->FImageRightTop.get(), tpl->FImageRightBottom.get(), tpl->FImageLeftBottom.get()})
      if (!ReadBlock(c, *img)) return TkvHintFileResult::Malformed;
  }
  result = std::move(tpl);
  return TkvHintFileResult::Ok;
}

void WriteHintTemplate(const TkvHintTemplate& tpl, TStream& stream) {
  stream.WriteBuffer(kMagic, 4);
  PutByte(stream, '1');  // the reader takes the further pictures only when bytes are left
  const TFont& font = *tpl.FFont;
  const TColor color = font.Color();
  PutInt32(stream, Integer(color) < 0 ? 0 : Integer(color));  // a system colour is written as 0
  PutInt32(stream, font.Size());
  Byte style = 0;
  if (font.Style().Contains(fsBold)) style |= 1;
  if (font.Style().Contains(fsItalic)) style |= 2;
  if (font.Style().Contains(fsUnderline)) style |= 4;
  if (font.Style().Contains(fsStrikeOut)) style |= 8;
  PutByte(stream, style);
  const std::string name = HintFontNameToBytes(font.Name());
  PutInt32(stream, Integer(name.size()));
  if (!name.empty()) stream.WriteBuffer(name.data(), Integer(name.size()));
  WriteBlock(stream, *tpl.FImageDefault);
  if (!tpl.SingleImageUsed()) {
    WriteBlock(stream, *tpl.FImageRightTop);
    WriteBlock(stream, *tpl.FImageRightBottom);
    WriteBlock(stream, *tpl.FImageLeftBottom);
  }
}

String HintTemplateNameOfFile(const String& fileName) {
  const size_t slash = fileName.find_last_of(u"\\/");
  String name = slash == String::npos ? fileName : fileName.substr(slash + 1);
  const size_t dot = name.find(u'.');
  if (dot != String::npos) name.resize(dot);
  return name;
}

void SetDefaultHintTemplateSizes(TkvHintTemplate& tpl) {
  TkvHintImage& img = *tpl.FImageDefault;
  img.FBordersWidths->SetValues(11, 10, 14, 15);
  img.FShadowSizes->SetValues(6, 5, 7, 8);
  img.FClientMargins->SetValues(11, 8, 16, 15);
}
