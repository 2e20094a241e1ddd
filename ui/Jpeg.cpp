#include "Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "Picture.h"
#include "Streams.h"

namespace {

constexpr Int64 kMaxPixels = Int64(1) << 26;
constexpr Int64 kMaxFileBytes = Int64(256) << 20;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void OnJpegError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

extern "C" void OnJpegMessage(j_common_ptr, int) {}  // warnings are not reported

// Decodes into rows of B, G, R (top row first) in `pixels`. No C++ object with a destructor
// lives in this frame across setjmp, so the long jump skips nothing that needs cleaning.
// Returns an error text, or nullptr.
const char* Decode(const std::vector<Byte>& data, std::vector<Byte>& pixels, Integer& width, Integer& height,
                   bool& gray, ErrorManager& err) {
  jpeg_decompress_struct cinfo;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnJpegError;
  err.pub.emit_message = OnJpegMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return err.message;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = 512L << 20;
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  if (Int64(cinfo.image_width) * cinfo.image_height > kMaxPixels) {
    jpeg_destroy_decompress(&cinfo);
    return "picture too large";
  }
  jpeg_start_decompress(&cinfo);
  width = static_cast<Integer>(cinfo.output_width);
  height = static_cast<Integer>(cinfo.output_height);
  gray = cinfo.jpeg_color_space == JCS_GRAYSCALE;
  const size_t rowBytes = size_t(width) * 3;
  pixels.assign(rowBytes * size_t(height), 0);
  static thread_local std::vector<Byte> scratch;  // CMYK rows; outlives any long jump
  scratch.assign(cmyk ? size_t(width) * 4 : 0, 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    Byte* dst = pixels.data() + rowBytes * cinfo.output_scanline;
    JSAMPROW row = cmyk ? scratch.data() : dst;
    jpeg_read_scanlines(&cinfo, &row, 1);
    if (cmyk) {
      // Adobe writes CMYK inverted (the usual case); scale each channel by K.
      const bool inverted = cinfo.saw_Adobe_marker;
      for (Integer x = 0; x < width; ++x) {
        unsigned c = row[x * 4], m = row[x * 4 + 1], y = row[x * 4 + 2], k = row[x * 4 + 3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        dst[x * 3 + 0] = static_cast<Byte>((y * k + 127) / 255);
        dst[x * 3 + 1] = static_cast<Byte>((m * k + 127) / 255);
        dst[x * 3 + 2] = static_cast<Byte>((c * k + 127) / 255);
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return nullptr;
}

}  // namespace

bool TJPEGImage::IsSignature(const Byte* head, size_t size) {
  return size >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

void TJPEGImage::SetSize(Integer width, Integer height) {
  if (width == Width() && height == Height()) return;
  throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}

void TJPEGImage::LoadFromStream(TStream& stream) {
  Int64 size = stream.GetSize() - stream.GetPosition();
  if (size <= 0 || size > kMaxFileBytes) throw EInvalidGraphic("JPEG error: no data or too much data");
  std::vector<Byte> data(static_cast<size_t>(size));
  stream.ReadBuffer(data.data(), static_cast<Integer>(size));
  std::vector<Byte> pixels;
  Integer w = 0, h = 0;
  bool gray = false;
  ErrorManager err{};
  if (const char* error = Decode(data, pixels, w, h, gray, err))
    throw EInvalidGraphic(u"JPEG error: " + AsciiToString(error));
  TBitmap bmp(w, h, pf24bit);
  for (Integer y = 0; y < h; ++y) std::memcpy(bmp.ScanLine(y), pixels.data() + size_t(y) * w * 3, size_t(w) * 3);
  bitmap_.Assign(&bmp);
  data_ = std::move(data);
  grayscale_ = gray;
}

void TJPEGImage::SaveToStream(TStream& stream) const {
  if (!data_.empty()) stream.WriteBuffer(data_.data(), static_cast<Integer>(data_.size()));
}

void TJPEGImage::Assign(const TPersistent* source) {
  auto* other = dynamic_cast<const TJPEGImage*>(source);
  if (!other) {
    TGraphic::Assign(source);
    return;
  }
  if (other == this) return;
  data_ = other->data_;
  bitmap_.Assign(&other->bitmap_);
  grayscale_ = other->grayscale_;
}

void TJPEGImage::AssignTo(TPersistent* dest) const {
  if (auto* bmp = dynamic_cast<TBitmap*>(dest)) {
    bmp->Assign(&bitmap_);
    return;
  }
  TGraphic::AssignTo(dest);
}

#ifdef _WIN32
void TJPEGImage::Draw(TCanvas* canvas, const TRect& r) { bitmap_.Draw(canvas, r); }
#endif

void RegisterJPEGImage() {
  for (const char16_t* ext : {u"jpg", u"jpeg", u"jpe", u"jfif"})
    TPicture::RegisterFileFormat<TJPEGImage>(ext, u"JPEG Image File", &TJPEGImage::IsSignature);
}
