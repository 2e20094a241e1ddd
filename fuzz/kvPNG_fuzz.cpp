// Fuzz target: the PNG reader (and, through it, the BMP fallback) over arbitrary bytes,
// followed by the alpha step every skin image goes through.
#include <cstdint>

#include "images/kvPNG.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Images up to the reader's own budget are legal but slow to fill; the budget is tested by
  // the unit tests, so the fuzzer spends its time on small ones.
  if (size >= 24 && (data[12] & 0xDF) == 'I' && (data[13] & 0xDF) == 'H' && (data[14] & 0xDF) == 'D' &&
      (data[15] & 0xDF) == 'R') {
    const uint64_t width = uint64_t(data[16]) << 24 | data[17] << 16 | data[18] << 8 | data[19];
    const uint64_t height = uint64_t(data[20]) << 24 | data[21] << 16 | data[22] << 8 | data[23];
    if (width * height > (uint64_t(1) << 22)) return -1;
  }
  if (size >= 26 && data[0] == 'B' && data[1] == 'M') {  // the same for the bitmap reader
    const int64_t width = int32_t(data[18] | data[19] << 8 | data[20] << 16 | uint32_t(data[21]) << 24);
    const int64_t height = int32_t(data[22] | data[23] << 8 | data[24] << 16 | uint32_t(data[25]) << 24);
    if (width * (height < 0 ? -height : height) > (int64_t(1) << 22)) return -1;
  }
  TMemoryStream stream;
  if (size) stream.WriteBuffer(data, static_cast<Integer>(size));
  stream.SetPosition(0);
  try {
    TPNGGraphic png;
    png.LoadFromStream(stream);
    TBitmap bmp;
    UpdateTransparency(bmp, png);
  } catch (const Exception&) {
    // Malformed files must end in one of the reader's errors, nothing worse.
  }
  return 0;
}
