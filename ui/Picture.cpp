#include "Picture.h"

#include <algorithm>
#include <mutex>

#include "Icon.h"
#include "Streams.h"

namespace {

bool IsBmp(const Byte* p, size_t n) { return n >= 2 && p[0] == 'B' && p[1] == 'M'; }
bool IsIco(const Byte* p, size_t n) { return n >= 4 && p[0] == 0 && p[1] == 0 && p[2] == 1 && p[3] == 0; }

struct FormatRegistry {
  std::mutex lock;
  std::vector<TPictureFormat> formats;
  FormatRegistry() {
    formats.push_back({u"bmp", u"Bitmaps", u"TBitmap", [] { return static_cast<TGraphic*>(new TBitmap()); }, &IsBmp});
    formats.push_back({u"ico", u"Icons", u"TIcon", [] { return static_cast<TGraphic*>(new TIcon()); }, &IsIco});
  }
};

FormatRegistry& Registry() {
  static FormatRegistry r;
  return r;
}

String ExtensionOf(const String& fileName) {
  size_t dot = fileName.find_last_of(u'.');
  size_t slash = fileName.find_last_of(u"\\/");
  if (dot == String::npos || (slash != String::npos && dot < slash)) return String();
  return fileName.substr(dot + 1);
}

TGraphic* CreateByClassName(StringView className) {
  const TPictureFormat* f = TPicture::FindClassName(className);
  if (!f) throw EInvalidGraphic(u"Unknown picture class " + String(className));
  return f->Create();
}

}  // namespace

TW_DEFINE_CLASS(TPicture) {
  b.Binary(u"Data", &TPicture::ReadData, &TPicture::WriteData).Stored([](const TPicture& p) {
    return p.Graphic() != nullptr;
  });
}

TPicture::~TPicture() = default;

void TPicture::RegisterFormat(TPictureFormat format) {
  FormatRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  auto same = [&](const TPictureFormat& f) { return SameText(f.Extension, format.Extension); };
  r.formats.erase(std::remove_if(r.formats.begin(), r.formats.end(), same), r.formats.end());
  r.formats.push_back(std::move(format));
}

void TPicture::UnregisterGraphicClass(StringView className) {
  FormatRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  auto same = [&](const TPictureFormat& f) { return f.ClassName == className; };
  r.formats.erase(std::remove_if(r.formats.begin(), r.formats.end(), same), r.formats.end());
}

const TPictureFormat* TPicture::FindExtension(StringView extension) {
  FormatRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  if (!extension.empty() && extension[0] == u'.') extension.remove_prefix(1);
  for (const TPictureFormat& f : r.formats)
    if (SameText(f.Extension, extension)) return &f;
  return nullptr;
}

const TPictureFormat* TPicture::FindClassName(StringView className) {
  FormatRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (const TPictureFormat& f : r.formats)
    if (f.ClassName == className) return &f;
  return nullptr;
}

std::vector<TPictureFormat> TPicture::Formats() {
  FormatRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.lock);
  return r.formats;
}

void TPicture::Changed() {
  if (onChange_) onChange_(this);
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
  graphic_ = std::move(graphic);
  Changed();
}

void TPicture::SetGraphic(const TGraphic* graphic) {
  if (!graphic) {
    SetGraphic(std::unique_ptr<TGraphic>());
    return;
  }
  if (graphic == graphic_.get()) return;
  std::unique_ptr<TGraphic> copy(CreateByClassName(graphic->ClassName()));
  copy->Assign(graphic);
  SetGraphic(std::move(copy));
}

TBitmap* TPicture::Bitmap() {
  if (auto* b = dynamic_cast<TBitmap*>(graphic_.get())) return b;
  SetGraphic(std::make_unique<TBitmap>());
  return static_cast<TBitmap*>(graphic_.get());
}

void TPicture::LoadFromFile(const String& fileName) {
  String ext = ExtensionOf(fileName);
  const TPictureFormat* f = FindExtension(ext);
  if (!f) throw EInvalidGraphic(u"Unknown picture file extension (." + ext + u")");
  std::unique_ptr<TGraphic> g(f->Create());
  g->LoadFromFile(fileName);
  SetGraphic(std::move(g));
}

void TPicture::SaveToFile(const String& fileName) const {
  if (graphic_) graphic_->SaveToFile(fileName);
}

void TPicture::LoadFromStream(TStream& stream) {
  Byte head[16] = {};
  Int64 start = stream.GetPosition();
  Integer n = stream.Read(head, sizeof head);
  stream.SetPosition(start);
  std::unique_ptr<TGraphic> g;
  for (const TPictureFormat& f : Formats())
    if (f.IsSignature && f.IsSignature(head, static_cast<size_t>(n))) {
      g.reset(f.Create());
      break;
    }
  if (!g) throw EInvalidGraphic("Unsupported picture format");
  g->LoadFromStream(stream);
  SetGraphic(std::move(g));
}

void TPicture::SaveToStream(TStream& stream) const {
  if (graphic_) graphic_->SaveToStream(stream);
}

void TPicture::Assign(const TPersistent* source) {
  if (!source) {
    SetGraphic(std::unique_ptr<TGraphic>());
    return;
  }
  if (auto* p = dynamic_cast<const TPicture*>(source)) {
    if (p != this) SetGraphic(p->graphic_.get());
    return;
  }
  if (auto* g = dynamic_cast<const TGraphic*>(source)) {
    SetGraphic(g);
    return;
  }
  TPersistent::Assign(source);
}

void TPicture::ReadData(TStream& stream) {
  Byte len = 0;
  stream.ReadBuffer(&len, 1);
  std::string name(len, '\0');
  if (len) stream.ReadBuffer(name.data(), len);
  if (len == 0) {
    SetGraphic(std::unique_ptr<TGraphic>());
    return;
  }
  std::unique_ptr<TGraphic> g(CreateByClassName(AsciiToString(name)));
  g->LoadFromStream(stream);
  SetGraphic(std::move(g));
}

void TPicture::WriteData(TStream& stream) const {
  std::string name = graphic_ ? StringToUtf8(graphic_->ClassName()) : std::string();
  Byte len = static_cast<Byte>(name.size());
  stream.WriteBuffer(&len, 1);
  if (len) {
    stream.WriteBuffer(name.data(), len);
    graphic_->SaveToStream(stream);
  }
}
