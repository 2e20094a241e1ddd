// PNG decode throughput of the engine's reader beside libpng and spng, on the same bytes and
// to the same pixels: a 1920x1080 RGBA picture, a 256x256 palette picture and a set of small
// skin images (glyphs, button strips, borders, textures, masks). Each library decodes to the
// form the reader gives: BGRA rows for RGBA (spng has no BGR order and gives RGBA), palette
// indexes for indexed pictures, grey bytes for grey ones. The *32 benchmarks take the skin
// path instead: every picture to 32-bit BGRA with straight alpha (LoadBmpFromPngStream; libpng
// and spng expanding palettes, tRNS and grey). Files are written by libpng with its
// default filter choice and zlib level, as image tools write them.
//
// Reported per benchmark: Mpix/s (decoded pixels) and MB/s (file bytes).
#include <benchmark/benchmark.h>
#include <png.h>
#include <spng.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "images/kvPNG.h"

namespace {

using Bytes = std::vector<Byte>;

struct TestImage {
  std::string name;
  Bytes file;
  uint32_t width = 0, height = 0;
};

// ---- making the files ---------------------------------------------------------------------

Bytes WritePng(png_image& image, const void* pixels, const void* colormap = nullptr) {
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, colormap);
  Bytes out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels, 0, colormap)) {
    std::fprintf(stderr, "libpng could not write: %s\n", image.message);
    std::abort();
  }
  out.resize(size);
  return out;
}

TestImage MakeImage(const std::string& name, uint32_t w, uint32_t h, png_uint_32 format,
                    const std::vector<Byte>& pixels, const std::vector<Byte>& colormap = {}, int colours = 0) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = w;
  image.height = h;
  image.format = format;
  image.colormap_entries = static_cast<png_uint_32>(colours);
  return {name, WritePng(image, pixels.data(), colormap.empty() ? nullptr : colormap.data()), w, h};
}

// A photo-like picture: soft gradients, waves, a little noise, a soft-edged alpha shape.
TestImage Photo(uint32_t w, uint32_t h) {
  std::mt19937 rng(1);
  std::vector<Byte> px(size_t(w) * h * 4);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      Byte* p = &px[(size_t(y) * w + x) * 4];
      const double fx = double(x) / w, fy = double(y) / h;
      const int noise = int(rng() % 7) - 3;
      p[0] = Byte(std::clamp(int(120 + 100 * std::sin(fx * 7 + fy * 3)) + noise, 0, 255));
      p[1] = Byte(std::clamp(int(90 + 80 * fy + 40 * std::cos(fx * 11)) + noise, 0, 255));
      p[2] = Byte(std::clamp(int(200 * fx * fy + 30) + noise, 0, 255));
      const double d = std::hypot(fx - 0.5, fy - 0.5);
      p[3] = Byte(std::clamp(int((0.45 - d) * 2000), 0, 255));
    }
  return MakeImage("photo 1920x1080 RGBA", w, h, PNG_FORMAT_RGBA, px);
}

TestImage PalettePicture() {
  const uint32_t w = 256, h = 256;
  std::vector<Byte> colormap(256 * 3), px(size_t(w) * h);
  for (int i = 0; i < 256; ++i)
    colormap[3 * i] = Byte(i), colormap[3 * i + 1] = Byte(255 - i), colormap[3 * i + 2] = Byte(i * 7);
  std::mt19937 rng(2);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      px[size_t(y) * w + x] = Byte((x / 8 + y / 8) * 9 + (rng() % 16 == 0 ? rng() % 5 : 0));
  return MakeImage("palette 256x256", w, h, PNG_FORMAT_RGB | PNG_FORMAT_FLAG_COLORMAP, px, colormap, 256);
}

// What a skin folder holds: many small pictures.
std::vector<TestImage> SkinSet() {
  std::vector<TestImage> set;
  auto rgba = [&](const std::string& name, uint32_t w, uint32_t h, auto&& shade) {
    std::vector<Byte> px(size_t(w) * h * 4);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) shade(x, y, &px[(size_t(y) * w + x) * 4]);
    set.push_back(MakeImage(name, w, h, PNG_FORMAT_RGBA, px));
  };
  for (int i = 0; i < 12; ++i)  // antialiased round glyphs
    rgba("glyph", 16, 16, [i](uint32_t x, uint32_t y, Byte* p) {
      const double d = std::hypot(x - 7.5, y - 7.5);
      p[0] = Byte(40 + i * 15), p[1] = Byte(200 - i * 10), p[2] = 90;
      p[3] = Byte(std::clamp(int((6.5 - d) * 255), 0, 255));
    });
  for (int i = 0; i < 6; ++i)  // button strips: three states side by side, a border and a gradient
    rgba("button", 225, 25, [i](uint32_t x, uint32_t y, Byte* p) {
      const uint32_t sx = x % 75;
      const bool border = sx == 0 || sx == 74 || y == 0 || y == 24;
      const int state = int(x / 75);
      p[0] = border ? 60 : Byte(180 + state * 20 - y * 2 + i);
      p[1] = border ? 60 : Byte(190 + state * 15 - y * 2);
      p[2] = border ? 70 : Byte(210 - y * 3);
      p[3] = (sx == 0 || sx == 74) && (y == 0 || y == 24) ? 0 : 255;  // rounded corners
    });
  for (int i = 0; i < 4; ++i)  // nine-part borders with a shadow falloff
    rgba("border", 60, 60, [i](uint32_t x, uint32_t y, Byte* p) {
      const int edge = int(std::min(std::min(x, 59 - x), std::min(y, 59 - y)));
      p[0] = p[1] = p[2] = Byte(20 + i * 30);
      p[3] = Byte(edge >= 8 ? 0 : 255 - edge * 30);
    });
  for (int i = 0; i < 3; ++i) {  // gradient textures without alpha
    std::vector<Byte> px(256 * 32 * 3);
    for (uint32_t y = 0; y < 32; ++y)
      for (uint32_t x = 0; x < 256; ++x) {
        Byte* p = &px[(y * 256 + x) * 3];
        p[0] = Byte(x), p[1] = Byte(255 - x / 2 + i * 10), p[2] = Byte(y * 8);
      }
    set.push_back(MakeImage("texture", 256, 32, PNG_FORMAT_RGB, px));
  }
  for (int i = 0; i < 2; ++i) {  // grey masks
    std::vector<Byte> px(100 * 40);
    for (uint32_t y = 0; y < 40; ++y)
      for (uint32_t x = 0; x < 100; ++x)
        px[y * 100 + x] = Byte(std::clamp(int(255 - std::hypot(x - 50.0, (y - 20.0) * 2.5) * 6), 0, 255));
    set.push_back(MakeImage("mask", 100, 40, PNG_FORMAT_GRAY, px));
  }
  for (int i = 0; i < 2; ++i) {  // small palette pictures
    std::vector<Byte> colormap(16 * 3), px(64 * 64);
    for (int c = 0; c < 16; ++c)
      colormap[3 * c] = Byte(c * 16), colormap[3 * c + 1] = Byte(c * 8 + i), colormap[3 * c + 2] = 200;
    for (uint32_t y = 0; y < 64; ++y)
      for (uint32_t x = 0; x < 64; ++x) px[y * 64 + x] = Byte(((x / 4) ^ (y / 4)) & 15);
    set.push_back(MakeImage("palette icon", 64, 64, PNG_FORMAT_RGB | PNG_FORMAT_FLAG_COLORMAP, px, colormap, 16));
  }
  return set;
}

// ---- the three decoders -------------------------------------------------------------------

// The reader's pixels, top row first, rows packed.
Bytes DecodeOurs(const Bytes& file, TMemoryStream& stream) {
  stream.SetPosition(0);
  TPNGGraphic png;
  png.LoadFromStream(stream);
  const size_t rowBytes = size_t(png.Width()) * TBitmap::BitsPerPixel(png.PixelFormat()) / 8;
  Bytes out(rowBytes * png.Height());
  for (Integer y = 0; y < png.Height(); ++y) std::memcpy(&out[y * rowBytes], png.ScanLine(y), rowBytes);
  (void)file;
  return out;
}

struct MemoryReader {
  const Bytes* data;
  size_t at;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (r->at + n > r->data->size()) png_error(png, "short file");
  std::memcpy(out, r->data->data() + r->at, n);
  r->at += n;
}

// libpng's classic reader: BGRA for colour, indexes for palettes, as ours. The row buffer is
// allocated per decode, as a fresh picture needs one.
size_t DecodeLibpng(const Bytes& file, std::unique_ptr<Byte[]>& keep, bool toBGR = true) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  MemoryReader reader{&file, 0};
  size_t size = 0;
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return 0;
  }
  png_set_read_fn(png, &reader, ReadFromMemory);
  png_read_info(png, info);
  if (toBGR) png_set_bgr(png);
  png_read_update_info(png, info);
  const uint32_t h = png_get_image_height(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  size = rowBytes * h;
  keep.reset(new Byte[size]);
  rows.resize(h);
  for (uint32_t y = 0; y < h; ++y) rows[y] = keep.get() + y * rowBytes;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return size;
}

// spng: RGBA8 for colour pictures (it has no BGR order), the file's own format otherwise.
size_t DecodeSpng(const Bytes& file, std::unique_ptr<Byte[]>& keep) {
  spng_ctx* ctx = spng_ctx_new(0);
  spng_set_png_buffer(ctx, file.data(), file.size());
  spng_ihdr ihdr;
  spng_get_ihdr(ctx, &ihdr);
  const int format = ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA ? SPNG_FMT_RGBA8
                     : ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR     ? SPNG_FMT_RGB8
                                                                        : SPNG_FMT_PNG;
  size_t size = 0;
  spng_decoded_image_size(ctx, format, &size);
  keep.reset(new Byte[size]);
  const int error = spng_decode_image(ctx, keep.get(), size, format, 0);
  spng_ctx_free(ctx);
  return error ? 0 : size;
}

// Same pixels from all three, or the benchmark is meaningless.
void CheckSameOutput(const TestImage& img) {
  TMemoryStream stream;
  stream.WriteBuffer(img.file.data(), static_cast<Integer>(img.file.size()));
  const Bytes ours = DecodeOurs(img.file, stream);
  std::unique_ptr<Byte[]> lib, sp;
  const size_t libSize = DecodeLibpng(img.file, lib), spSize = DecodeSpng(img.file, sp);
  bool same = libSize == ours.size() && std::memcmp(lib.get(), ours.data(), libSize) == 0;
  // spng's colour rows are RGB(A): compare with the red and blue bytes exchanged.
  const size_t pixel = std::max<size_t>(1, ours.size() / (size_t(img.width) * img.height));  // packed: 1
  bool spSame = spSize == ours.size();
  for (size_t i = 0; spSame && i < ours.size(); ++i) {
    const size_t channel = i % pixel;
    const size_t swapped = pixel >= 3 && channel < 3 ? i - channel + (2 - channel) : i;
    spSame = sp[swapped] == ours[i];
  }
  if (!same || !spSame) {
    std::fprintf(stderr, "%s: outputs differ (libpng %s, spng %s)\n", img.name.c_str(), same ? "same" : "differs",
                 spSame ? "same" : "differs");
    std::abort();
  }
}

const TestImage& PhotoImage() {
  static const TestImage img = Photo(1920, 1080);
  return img;
}
const TestImage& PaletteImage() {
  static const TestImage img = PalettePicture();
  return img;
}
const std::vector<TestImage>& Skins() {
  static const std::vector<TestImage> set = SkinSet();
  return set;
}

void SetCounters(benchmark::State& state, const std::vector<const TestImage*>& images) {
  double pixels = 0, bytes = 0;
  for (const TestImage* i : images) pixels += double(i->width) * i->height, bytes += double(i->file.size());
  state.counters["Mpix/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["MB/s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

std::vector<const TestImage*> Inputs(int which) {
  if (which == 0) return {&PhotoImage()};
  if (which == 1) return {&PaletteImage()};
  std::vector<const TestImage*> v;
  for (const TestImage& i : Skins()) v.push_back(&i);
  return v;
}

const char* InputName(int which) {
  return which == 0 ? "photo1920x1080_rgba" : which == 1 ? "palette256x256" : "skin_set_29";
}

// The files as streams, for our reader, which reads streams.
std::vector<std::unique_ptr<TMemoryStream>> StreamsOf(const std::vector<const TestImage*>& images) {
  std::vector<std::unique_ptr<TMemoryStream>> streams;
  for (const TestImage* i : images) {
    streams.push_back(std::make_unique<TMemoryStream>());
    streams.back()->WriteBuffer(i->file.data(), static_cast<Integer>(i->file.size()));
  }
  return streams;
}

void BM_Ours(benchmark::State& state) {
  const auto images = Inputs(int(state.range(0)));
  for (const TestImage* i : images) CheckSameOutput(*i);
  const auto streams = StreamsOf(images);
  state.SetLabel(InputName(int(state.range(0))));
  for (auto _ : state)
    for (auto& s : streams) {
      s->SetPosition(0);
      TPNGGraphic png;
      png.LoadFromStream(*s);
      benchmark::DoNotOptimize(png.ScanLine(0));
    }
  SetCounters(state, images);
}

// A reference decoder, decode(file, keep), over the case's inputs; the label is the inputs'
// name and labelEnd.
template <class Decode>
void RunReference(benchmark::State& state, Decode decode, const char* labelEnd) {
  const auto images = Inputs(int(state.range(0)));
  state.SetLabel(std::string(InputName(int(state.range(0)))) + labelEnd);
  std::unique_ptr<Byte[]> out;
  for (auto _ : state)
    for (const TestImage* i : images) benchmark::DoNotOptimize(decode(i->file, out));
  SetCounters(state, images);
}

void BM_Libpng(benchmark::State& state) {
  RunReference(
      state, [](const Bytes& file, std::unique_ptr<Byte[]>& keep) { return DecodeLibpng(file, keep); }, "");
}
void BM_Spng(benchmark::State& state) { RunReference(state, DecodeSpng, ""); }

// ---- the skin path: every picture to 32-bit BGRA with straight alpha -----------------------

// libpng expanding everything to BGRA: palettes and low depths to 8 bits, tRNS to alpha, grey
// to colour, an opaque filler where the file has no alpha.
size_t DecodeLibpng32(const Bytes& file, std::unique_ptr<Byte[]>& keep) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  MemoryReader reader{&file, 0};
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return 0;
  }
  png_set_read_fn(png, &reader, ReadFromMemory);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(png);
  png_read_update_info(png, info);
  const uint32_t h = png_get_image_height(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  keep.reset(new Byte[rowBytes * h]);
  rows.resize(h);
  for (uint32_t y = 0; y < h; ++y) rows[y] = keep.get() + y * rowBytes;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return rowBytes * h;
}

size_t DecodeSpng32(const Bytes& file, std::unique_ptr<Byte[]>& keep) {
  spng_ctx* ctx = spng_ctx_new(0);
  spng_set_png_buffer(ctx, file.data(), file.size());
  size_t size = 0;
  spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size);
  keep.reset(new Byte[size]);
  const int error = spng_decode_image(ctx, keep.get(), size, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS);
  spng_ctx_free(ctx);
  return error ? 0 : size;
}

void CheckSameOutput32(const TestImage& img) {
  TMemoryStream stream;
  stream.WriteBuffer(img.file.data(), static_cast<Integer>(img.file.size()));
  stream.SetPosition(0);
  TBitmap bmp;
  LoadBmpFromPngStream(bmp, stream);
  Bytes ours(size_t(img.width) * img.height * 4);
  for (uint32_t y = 0; y < img.height; ++y)
    std::memcpy(&ours[y * img.width * 4], bmp.ScanLine(Integer(y)), img.width * 4);
  std::unique_ptr<Byte[]> lib, sp;
  const bool same =
      DecodeLibpng32(img.file, lib) == ours.size() && std::memcmp(lib.get(), ours.data(), ours.size()) == 0;
  bool spSame = DecodeSpng32(img.file, sp) == ours.size();
  for (size_t i = 0; spSame && i < ours.size(); ++i) spSame = sp[i % 4 < 3 ? i - i % 4 + 2 - i % 4 : i] == ours[i];
  if (!same || !spSame) {
    std::fprintf(stderr, "%s: 32-bit outputs differ (libpng %s, spng %s)\n", img.name.c_str(),
                 same ? "same" : "differs", spSame ? "same" : "differs");
    std::abort();
  }
}

void BM_Ours32(benchmark::State& state) {
  const auto images = Inputs(int(state.range(0)));
  for (const TestImage* i : images) CheckSameOutput32(*i);
  const auto streams = StreamsOf(images);
  state.SetLabel(std::string(InputName(int(state.range(0)))) + " to BGRA");
  for (auto _ : state)
    for (auto& s : streams) {
      s->SetPosition(0);
      TBitmap bmp;
      LoadBmpFromPngStream(bmp, *s);
      benchmark::DoNotOptimize(bmp.ScanLine(0));
    }
  SetCounters(state, images);
}

void BM_Libpng32(benchmark::State& state) { RunReference(state, DecodeLibpng32, " to BGRA"); }
void BM_Spng32(benchmark::State& state) { RunReference(state, DecodeSpng32, " to RGBA"); }

}  // namespace

BENCHMARK(BM_Ours)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libpng)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Spng)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ours32)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libpng32)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Spng32)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
