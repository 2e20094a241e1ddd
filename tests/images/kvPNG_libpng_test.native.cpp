// The PNG reader against libpng, the reference decoder: the same bytes must give the same
// pixels (after the reader's documented depth, palette and gamma mapping). Native only.
#include <png.h>

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstring>
#include <filesystem>

#include "images/kvPNG.h"
#include "support/PngExpect.h"
#include "support/PngWriter.h"
#include "support/TrickleStream.h"

using namespace testpng;

namespace {

// libpng's view of a file: one value per sample (low depths unpacked, 16-bit in host order),
// the palette, the transparency table and the gAMA value.
struct LibpngImage {
  bool ok = false;
  uint32_t width = 0, height = 0;
  Byte bitDepth = 0, colorType = 0;
  int channels = 0;
  std::vector<uint16_t> samples;
  Bytes palette, trns;
  uint32_t gAMA = 0;

  uint16_t Sample(uint32_t x, uint32_t y, int c) const { return samples[(size_t(y) * width + x) * channels + c]; }
  Reference AsReference() const {
    Reference r;
    r.width = width, r.height = height, r.bitDepth = bitDepth, r.colorType = colorType;
    r.sample = [this](uint32_t x, uint32_t y, int c) { return Sample(x, y, c); };
    r.palette = palette;
    r.gAMA = gAMA;
    return r;
  }
};

struct MemoryReader {
  const Bytes* data;
  size_t at = 0;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (r->at + n > r->data->size()) png_error(png, "read past the end");
  std::memcpy(out, r->data->data() + r->at, n);
  r->at += n;
}

void QuietWarning(png_structp, png_const_charp) {}

// Everything that must survive a longjmp lives outside DecodeWithLibpng's frame.
struct LibpngState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<Byte> pixels;
  std::vector<png_bytep> rows;
};

void DecodeInto(LibpngState& s, MemoryReader& reader, LibpngImage& out) {
  if (setjmp(png_jmpbuf(s.png))) return;
  png_set_read_fn(s.png, &reader, ReadFromMemory);
  png_read_info(s.png, s.info);
  out.width = png_get_image_width(s.png, s.info);
  out.height = png_get_image_height(s.png, s.info);
  out.bitDepth = png_get_bit_depth(s.png, s.info);
  out.colorType = png_get_color_type(s.png, s.info);
  out.channels = png_get_channels(s.png, s.info);
  if (out.bitDepth < 8) png_set_packing(s.png);
  png_set_interlace_handling(s.png);
  png_read_update_info(s.png, s.info);
  const size_t rowBytes = png_get_rowbytes(s.png, s.info);
  s.pixels.resize(rowBytes * out.height);
  s.rows.resize(out.height);
  for (uint32_t y = 0; y < out.height; ++y) s.rows[y] = s.pixels.data() + y * rowBytes;
  png_read_image(s.png, s.rows.data());
  png_read_end(s.png, nullptr);
  png_colorp palette;
  int count;
  if (png_get_PLTE(s.png, s.info, &palette, &count))
    for (int i = 0; i < count; ++i)
      out.palette.insert(out.palette.end(), {palette[i].red, palette[i].green, palette[i].blue});
  png_bytep alpha;
  png_color_16p key;
  if (png_get_tRNS(s.png, s.info, &alpha, &count, &key) && out.colorType == 3) out.trns.assign(alpha, alpha + count);
  png_fixed_point gamma;
  if (png_get_gAMA_fixed(s.png, s.info, &gamma)) out.gAMA = static_cast<uint32_t>(gamma);
  out.ok = true;
}

LibpngImage DecodeWithLibpng(const Bytes& file) {
  LibpngImage out;
  LibpngState s;
  MemoryReader reader{&file};
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, QuietWarning);
  s.info = png_create_info_struct(s.png);
  png_set_error_fn(
      s.png, nullptr, [](png_structp png, png_const_charp) { png_longjmp(png, 1); }, QuietWarning);
  DecodeInto(s, reader, out);
  png_destroy_read_struct(&s.png, &s.info, nullptr);
  if (!out.ok) return out;
  out.samples.resize(size_t(out.width) * out.height * out.channels);
  const size_t rowBytes = s.pixels.size() / std::max<uint32_t>(out.height, 1);
  for (uint32_t y = 0; y < out.height; ++y)
    for (size_t i = 0; i < size_t(out.width) * out.channels; ++i) {
      const Byte* p = s.pixels.data() + y * rowBytes;
      out.samples[y * size_t(out.width) * out.channels + i] =
          out.bitDepth == 16 ? static_cast<uint16_t>(p[2 * i] << 8 | p[2 * i + 1]) : p[i];
    }
  return out;
}

// Ours against libpng on one file; an empty text when they agree.
std::string CompareWithLibpng(const Bytes& file, const LibpngImage& ref) {
  TPNGGraphic png;
  try {
    TrickleStream s(file, 1 << 30);
    png.LoadFromStream(s);
  } catch (const Exception& e) { return "our reader raised: " + StringToUtf8(e.Message()); }
  std::string diff = CompareWithReference(png, ref.AsReference());
  if (!diff.empty() || ref.trns.empty()) return diff;
  // An indexed image's transparency table reaches the alpha channel of the loaded bitmap.
  TBitmap bmp;
  UpdateTransparency(bmp, png);
  for (uint32_t y = 0; y < ref.height; ++y)
    for (uint32_t x = 0; x < ref.width; ++x) {
      const uint16_t index = ref.Sample(x, y, 0);
      const uint32_t want = index < ref.trns.size() ? ref.trns[index] : 255;
      if (bmp.View().At(int(x), int(y)) >> 24 != want)
        return "alpha of (" + std::to_string(x) + "," + std::to_string(y) + ") differs";
    }
  return "";
}

}  // namespace

TEST(PNGAgainstLibpng, EveryColourTypeDepthFilterAndInterlace) {
  const std::pair<Byte, Byte> kinds[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                                         {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
  int compared = 0;
  for (auto [type, depth] : kinds)
    for (bool interlaced : {false, true})
      for (int filter = 0; filter <= kFilterCycle; ++filter)
        for (auto [w, h] : {std::pair<uint32_t, uint32_t>{1, 1}, {7, 3}, {33, 17}}) {
          for (bool extras : {false, true}) {
            const int colours = 1 << std::min<int>(depth, 8);
            Image img = RandomImage(w, h, type, depth, w * 31 + h + filter, colours);
            img.interlaced = interlaced;
            EncodeOptions o;
            o.filter = filter;
            o.idatPiece = extras ? 64 : 0;
            if (extras) o.before.push_back({"gAMA", Be32(type == 3 ? 100000 : 50000)});
            if (type == 3) o.before.push_back({"PLTE", Palette(colours)});
            if (extras && type == 3) o.before.push_back({"tRNS", {10, 20, 30}});
            const Bytes file = Encode(img, o);
            const LibpngImage ref = DecodeWithLibpng(file);
            const std::string name = "type " + std::to_string(type) + " depth " + std::to_string(depth) +
                                     (interlaced ? " Adam7" : "") + " filter " + std::to_string(filter) + " " +
                                     std::to_string(w) + "x" + std::to_string(h) + (extras ? " gAMA" : "");
            ASSERT_TRUE(ref.ok) << name;
            ASSERT_EQ(ref.samples, img.samples) << name << ": the test encoder and libpng disagree";
            EXPECT_EQ(CompareWithLibpng(file, ref), "") << name;
            ++compared;
          }
        }
  EXPECT_EQ(compared, 15 * 2 * 6 * 3 * 2);
}

// Every PNG that Debian ships under /usr/share (icons, documentation pictures) decodes to
// libpng's pixels. Files libpng itself refuses are left out.
TEST(PNGAgainstLibpng, DebianPicturesOnThisMachine) {
  namespace fs = std::filesystem;
  int compared = 0, refusedByLibpng = 0;
  std::vector<std::string> failures;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator("/usr/share", fs::directory_options::skip_permission_denied, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) break;
    if (!it->is_regular_file(ec) || it->path().extension() != ".png") continue;
    const Bytes file = ReadFileBytes(Utf8ToString(it->path().string()));
    const LibpngImage ref = DecodeWithLibpng(file);
    if (!ref.ok) {
      ++refusedByLibpng;
      continue;
    }
    ++compared;
    const std::string diff = CompareWithLibpng(file, ref);
    if (!diff.empty() && failures.size() < 20) failures.push_back(it->path().string() + ": " + diff);
  }
  for (const std::string& f : failures) ADD_FAILURE() << f;
  EXPECT_GE(compared, 50) << "too few PNG files found under /usr/share";
  std::printf("compared %d Debian PNG files with libpng (%d refused by libpng)\n", compared, refusedByLibpng);
}
