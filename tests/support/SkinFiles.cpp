#include "support/SkinFiles.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "support/PngWriter.h"
#include "ui/Streams.h"
#include "ui/SysUtils.h"

namespace fs = std::filesystem;

namespace skinfiles {

namespace {

void Le32(Bytes& out, int64_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out.push_back(Byte(u >> (8 * i)));
}

fs::path PathOf(const String& s) { return fs::path(std::u16string(s.begin(), s.end())); }

}  // namespace

std::unique_ptr<TBitmap> Picture(Integer w, Integer h, uint32_t pixel) {
  auto bmp = std::make_unique<TBitmap>(w, h, pf32bit);
  const TPixelView v = bmp->View();
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) v.At(x, y) = pixel;
  return bmp;
}

Bytes PngOf(TBitmap& bmp) {
  testpng::Image img;
  img.width = uint32_t(bmp.Width());
  img.height = uint32_t(bmp.Height());
  img.colorType = 6;
  img.bitDepth = 8;
  const TPixelView v = bmp.View();
  for (Integer y = 0; y < v.Height; ++y)
    for (Integer x = 0; x < v.Width; ++x) {
      const uint32_t p = v.At(x, y);
      img.samples.push_back(uint16_t(p >> 16 & 0xFF));
      img.samples.push_back(uint16_t(p >> 8 & 0xFF));
      img.samples.push_back(uint16_t(p & 0xFF));
      img.samples.push_back(uint16_t(p >> 24));
    }
  return testpng::Encode(img);
}

Bytes BmpOf(TBitmap& bmp, bool bits24) {
  TBitmap copy(bmp.Width(), bmp.Height(), pf32bit);
  const TPixelView src = bmp.View(), dst = copy.View();
  for (Integer y = 0; y < src.Height; ++y)
    for (Integer x = 0; x < src.Width; ++x) dst.At(x, y) = src.At(x, y);
  if (bits24) copy.SetPixelFormat(pf24bit);
  TMemoryStream s;
  copy.SaveToStream(s);
  return s.Bytes();
}

Bytes PackEntries(const std::vector<PackedEntry>& entries, std::optional<int64_t> statedCount,
                  const std::string& signature) {
  Bytes out(signature.begin(), signature.end());
  Le32(out, statedCount.value_or(int64_t(entries.size())));
  for (const auto& e : entries) {
    Le32(out, e.nameLength.value_or(int64_t(e.name.size())));
    out.insert(out.end(), e.name.begin(), e.name.end());
    Le32(out, e.statedSize.value_or(int64_t(e.data.size())));
    const Bytes z = e.zlib.empty() ? testpng::ZlibCompress(e.data) : e.zlib;
    out.insert(out.end(), z.begin(), z.end());
  }
  return out;
}

Bytes PreviewBlock(const Bytes& picture, std::optional<int64_t> statedCount) {
  const std::string marker = "previewimg";
  Bytes out(marker.begin(), marker.end());
  Le32(out, statedCount.value_or(int64_t(picture.size())));
  out.insert(out.end(), picture.begin(), picture.end());
  return out;
}

void WriteFile(const String& path, const Bytes& bytes) {
  const fs::path p = PathOf(path);
  std::error_code ec;
  fs::create_directories(p.parent_path(), ec);
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  if (!f) throw std::runtime_error("cannot write " + p.string());
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes ReadFile(const String& path) {
  std::ifstream f(PathOf(path), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

String Join(const String& folder, const std::string& name) {
  String s = folder;
  if (!s.empty() && s.back() != u'/' && s.back() != u'\\') s += u'/';
  return s + Utf8ToString(name);
}

TkvSkinLoadSettings SettingsFor(const String& skinDir, const std::string& name) {
  TkvSkinLoadSettings s;
  s.SkinDirectory = skinDir;
  if (!s.SkinDirectory.empty() && s.SkinDirectory.back() != u'/' && s.SkinDirectory.back() != u'\\')
    s.SkinDirectory += u'/';
  s.SkinName = Utf8ToString(name);
  return s;
}

SkinFiles& SkinFiles::Set(const std::string& section, const std::string& key, const std::string& value) {
  Section* s = nullptr;
  for (auto& x : sections_)
    if (x.name == section) s = &x;
  if (!s) {
    sections_.push_back({section, {}});
    s = &sections_.back();
  }
  for (auto& [k, v] : s->keys)
    if (k == key) {
      v = value;
      return *this;
    }
  s->keys.emplace_back(key, value);
  return *this;
}

SkinFiles& SkinFiles::Set(const std::string& section, const std::string& key, int64_t value) {
  return Set(section, key, std::to_string(value));
}

SkinFiles& SkinFiles::Raw(const std::string& text) {
  raw_ += text;
  return *this;
}

SkinFiles& SkinFiles::File(const std::string& name, Bytes bytes) {
  files_.emplace_back(name, std::move(bytes));
  return *this;
}

std::string SkinFiles::OptionsText() const {
  std::string t;
  for (const auto& s : sections_) {
    t += "[" + s.name + "]\r\n";
    for (const auto& [k, v] : s.keys) t += k + "=" + v + "\r\n";
    t += "\r\n";
  }
  return t + raw_;
}

String SkinFiles::WriteFolder(const String& skinDir, const std::string& name) const {
  const String folder = Join(skinDir, name);
  const std::string text = OptionsText();
  WriteFile(Join(folder, "Options.dat"), Bytes(text.begin(), text.end()));
  for (const auto& [file, bytes] : files_) WriteFile(Join(folder, file), bytes);
  return folder;
}

Bytes SkinFiles::Packed(const Bytes& preview) const {
  std::vector<PackedEntry> entries;
  const std::string text = OptionsText();
  entries.push_back({"Options.dat", Bytes(text.begin(), text.end())});
  for (const auto& [file, bytes] : files_) entries.push_back({file, bytes});
  Bytes out = PackEntries(entries);
  if (!preview.empty()) {
    const Bytes block = PreviewBlock(preview);
    out.insert(out.end(), block.begin(), block.end());
  }
  return out;
}

String SkinFiles::WritePacked(const String& skinDir, const std::string& name, const Bytes& preview) const {
  const String path = Join(skinDir, name + ".kpz");
  WriteFile(path, Packed(preview));
  return path;
}

LoadedSkin::LoadedSkin(const SkinFiles& files, std::vector<Integer> ppis, Form form,
                       const std::function<void(TkvSkinLoadSettings&)>& adjust) {
  if (form == Folder)
    files.WriteFolder(Dir.Path(), "Fixture");
  else
    files.WritePacked(Dir.Path(), "Fixture");
  Set.Settings = SettingsFor(Dir.Path(), "Fixture");
  if (adjust) adjust(Set.Settings);
  Status = Manager.LoadSkin(Set, ppis);
}

TkvSkinData& LoadedSkin::Data(Integer ppi) {
  TkvSkinData* d = Set.Slot(TkvSkinSet::SlotOf(ppi, Set.Settings));
  if (!d) throw std::runtime_error("no slot for that PPI");
  return *d;
}

TsGeneralData* LoadedSkin::Section(const char16_t* name, Integer ppi) {
  TkvSkinData& d = Data(ppi);
  const Integer i = d.GetSkinIndex(name);
  return i >= 0 ? &d.gd[size_t(i)] : nullptr;
}

Integer LoadedSkin::ImageIndex(const char16_t* section, const char16_t* key, Integer ppi) {
  TkvSkinData& d = Data(ppi);
  return d.GetMaskIndex(d.GetSkinIndex(section), key);
}

TsMaskData* LoadedSkin::Image(const char16_t* section, const char16_t* key, Integer ppi) {
  const Integer i = ImageIndex(section, key, ppi);
  return i >= 0 ? &Data(ppi).ma[size_t(i)] : nullptr;
}

}  // namespace skinfiles
