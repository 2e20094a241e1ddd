// Small original skins for tests, written the way skins are delivered: a folder skin (the ini
// text "Options.dat" and its picture and font files) or a packed skin file (kpz), plus packed
// files made entry by entry for hostile cases. Portable.
//
//   SkinFiles skin;
//   skin.Set("GLOBALINFO", "VERSION", "16.22");
//   skin.Set("BUTTON", "BORDERSMASK", "!BUTTON.PNG!3!0!0!0004!0004!0004!0004!1");
//   skin.Png("BUTTON.PNG", Picture(90, 20, 0xFF3060C0));
//   skin.WriteFolder(dir.Path(), "Tiny");          // <dir>/Tiny/Options.dat, <dir>/Tiny/BUTTON.PNG
//   skin.WritePacked(dir.Path(), "Tiny");          // <dir>/Tiny.kpz
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "skin/sSkinManager.h"
#include "support/TempDir.h"
#include "ui/Bitmap.h"

namespace skinfiles {

using Bytes = std::vector<Byte>;

// A 32-bit picture of w x h pixels (pixel order B, G, R, A), all `pixel`.
std::unique_ptr<TBitmap> Picture(Integer w, Integer h, uint32_t pixel);
// A PNG file (8-bit RGBA) of a 32-bit bitmap, alpha as it is.
Bytes PngOf(TBitmap& bmp);
// A Windows BMP file of the bitmap, 24-bit (alpha dropped) or 32-bit.
Bytes BmpOf(TBitmap& bmp, bool bits24);

// One entry of a packed file as it is written; every field may be falsified.
struct PackedEntry {
  PackedEntry(std::string n, Bytes d, std::optional<int64_t> size = std::nullopt, Bytes z = {},
              std::optional<int64_t> length = std::nullopt)
      : name(std::move(n)), data(std::move(d)), statedSize(size), zlib(std::move(z)), nameLength(length) {}
  std::string name;
  Bytes data;                         // the inflated bytes
  std::optional<int64_t> statedSize;  // the Size field; none: data.size()
  Bytes zlib;                         // the zlib stream; empty: data compressed
  std::optional<int64_t> nameLength;  // the NameLength field; none: name.size()
};
// A packed file: signature, entry count (none: the number of entries), entries.
Bytes PackEntries(const std::vector<PackedEntry>& entries, std::optional<int64_t> statedCount = std::nullopt,
                  const std::string& signature = "TwSk");
// The preview block: "previewimg", the count (none: the picture's size), the picture.
Bytes PreviewBlock(const Bytes& picture, std::optional<int64_t> statedCount = std::nullopt);

// Writes bytes to a file (folders are made as needed).
void WriteFile(const String& path, const Bytes& bytes);
Bytes ReadFile(const String& path);
// A path joined with '/'.
String Join(const String& folder, const std::string& name);

// Load settings for the skin `name` in the folder skinDir (the system colours stay the fixed
// ones, so results do not depend on the desktop).
TkvSkinLoadSettings SettingsFor(const String& skinDir, const std::string& name);

class SkinFiles {
 public:
  // A value of the ini text (sections and keys in the order they are first set; setting a key
  // again replaces its value).
  SkinFiles& Set(const std::string& section, const std::string& key, const std::string& value);
  SkinFiles& Set(const std::string& section, const std::string& key, int64_t value);
  // Text added after the sections, as it stands.
  SkinFiles& Raw(const std::string& text);
  // A file of the skin.
  SkinFiles& File(const std::string& name, Bytes bytes);
  SkinFiles& Png(const std::string& name, TBitmap& bmp) { return File(name, PngOf(bmp)); }
  SkinFiles& Bmp(const std::string& name, TBitmap& bmp, bool bits24 = true) { return File(name, BmpOf(bmp, bits24)); }

  std::string OptionsText() const;
  // <skinDir>/<name>/Options.dat and the files; the skin folder.
  String WriteFolder(const String& skinDir, const std::string& name) const;
  // The packed form: "Options.dat" first, then the files in the order given; the preview
  // block at the end when preview is not empty.
  Bytes Packed(const Bytes& preview = {}) const;
  // <skinDir>/<name>.kpz; its path.
  String WritePacked(const String& skinDir, const std::string& name, const Bytes& preview = {}) const;

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys;
  };
  std::vector<Section> sections_;
  std::string raw_;
  std::vector<std::pair<std::string, Bytes>> files_;
};

// A skin written to a temporary folder (as a folder skin or packed) and loaded for the given
// PPIs into a set of a manager of its own.
//
//   LoadedSkin skin(files, {96, 144});
//   ASSERT_EQ(skin.Status, slsLoaded);
//   const TsMaskData* frame = skin.Image(u"BUTTON", u"BORDERSMASK", 144);
struct LoadedSkin {
  enum Form { Folder, Packed };
  explicit LoadedSkin(const SkinFiles& files, std::vector<Integer> ppis = {96}, Form form = Folder,
                      const std::function<void(TkvSkinLoadSettings&)>& adjust = {});
  LoadedSkin(const LoadedSkin&) = delete;
  LoadedSkin& operator=(const LoadedSkin&) = delete;

  // The slot serving a PPI (under the settings used).
  TkvSkinData& Data(Integer ppi = 96);
  // A section by name, and an image of a section by key (through PARENTCLASS); null when none.
  TsGeneralData* Section(const char16_t* name, Integer ppi = 96);
  TsMaskData* Image(const char16_t* section, const char16_t* key, Integer ppi = 96);
  Integer ImageIndex(const char16_t* section, const char16_t* key, Integer ppi = 96);

  TempDir Dir;
  DuRiruZireziv Manager{nullptr};
  TkvSkinSet Set;
  TkvSkinLoadStatus Status = slsNoSource;
};

}  // namespace skinfiles
