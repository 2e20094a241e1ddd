// Fuzz target: a whole skin load from an arbitrary options text. The first byte picks the
// colour adjustments, the border settings and a second PPI; the rest is "Options.dat". The
// skin is packed in memory with a small master bitmap "M.BMP" and a picture "A.BMP" that the
// text may name, and loaded as an internal skin (no files are touched). Bytes after a line
// "#PICTURE" are a further picture, packed as "X.PNG", "X.BMP" and "X.JPG", so that picture
// headers are fuzzed too. A skin beyond the reader's limits is refused (ESkinRefused).
#include <zlib.h>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "skin/sSkinManagerLoader.h"
#include "ui/Bitmap.h"

namespace {

void Le32(std::vector<Byte>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(Byte(v >> (8 * i)));
}

void Entry(std::vector<Byte>& out, const std::string& name, const std::vector<Byte>& data) {
  Le32(out, uint32_t(name.size()));
  out.insert(out.end(), name.begin(), name.end());
  Le32(out, uint32_t(data.size()));
  uLongf n = compressBound(uLong(data.size()));
  std::vector<Byte> z(n);
  compress2(z.data(), &n, data.data(), uLong(data.size()), 1);
  out.insert(out.end(), z.begin(), z.begin() + long(n));
}

std::vector<Byte> BmpFile(Integer w, Integer h, uint32_t seed) {
  TBitmap b(w, h, pf32bit);
  const TPixelView v = b.View();
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      v.At(x, y) = (seed >> 8) % 5 == 0 ? 0x00FF00FFu : seed | 0xFF000000u;
    }
  TMemoryStream s;
  b.SaveToStream(s);
  return s.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 65536) return 0;
  static const std::vector<Byte> master = BmpFile(64, 64, 1), picture = BmpFile(24, 12, 2);
  const Byte control = data[0];
  const std::string_view all(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t mark = all.find("\n#PICTURE\n");
  const std::string_view text = all.substr(0, mark);
  std::vector<Byte> packed{'T', 'w', 'S', 'k'};
  Le32(packed, mark == std::string_view::npos ? 3 : 6);
  Entry(packed, "Options.dat", std::vector<Byte>(text.begin(), text.end()));
  Entry(packed, "M.BMP", master);
  Entry(packed, "A.BMP", picture);
  if (mark != std::string_view::npos) {
    const std::string_view bytes = all.substr(mark + 10);
    const std::vector<Byte> x(bytes.begin(), bytes.end());
    for (const char* name : {"X.PNG", "X.BMP", "X.JPG"}) Entry(packed, name, x);
  }
  TMemoryStream stored;
  stored.WriteBuffer(packed.data(), Integer(packed.size()));

  static const Integer kSecond[] = {96, 120, 144, 192, 250, 130, 110, 300};
  DuRiruZireziv manager(nullptr);
  TkvSkinSet set;
  set.Settings.SkinName = u"Fuzz";
  set.Settings.SkinDirectory = u"/nonexistent-skin-folder/";
  set.Settings.InternalSkins = {{u"Fuzz", &stored}};
  set.Settings.HueOffset = (control & 1) ? 77 : 0;
  set.Settings.Saturation = (control & 2) ? -40 : 0;
  set.Settings.Brightness = (control & 4) ? 30 : 0;
  set.Settings.ExtendedBorders = (control & 8) != 0;
  set.Settings.ExtBordersShadow = (control & 16) != 0;
  if (control & 32) set.Settings.CommonSections = {u"[BUTTON2]", u"PARENTCLASS=BUTTON", u"[NEW]", u"BORDERSMASK=-1"};
  try {
    if (manager.LoadSkin(set, {96, kSecond[control >> 5]}) != slsLoaded) return 0;
  } catch (const Exception&) {
    return 0;  // a broken master bitmap raises its picture's error
  }
  manager.TakeSkin(set);
  manager.ButtonsOptions.AllowRTLSysButtons = true;
  manager.FlipImages(true);
  manager.FlipImages(false);
  for (const auto& slot : manager.SkinDataArray) {
    if (!slot) continue;
    for (const auto& md : slot->ma) {
      TBitmap* bmp = slot->BitmapOf(md);
      if (!bmp) std::abort();
      if (md.R.Left < 0 || md.R.Top < 0 || md.R.Right > bmp->Width() || md.R.Bottom > bmp->Height()) std::abort();
      if (md.ImageCount < 1) std::abort();
    }
    for (const auto& s : slot->gd)
      if (s.States < 1) std::abort();
    (void)slot->GetActiveShadow();
  }
  return 0;
}
