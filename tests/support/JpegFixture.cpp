#include "support/JpegFixture.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

std::vector<uint8_t> MakeJpeg(int width, int height, uint32_t (*rgb)(int x, int y), bool gray) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = gray ? 1 : 3;
  c.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  for (int i = 0; i < c.num_components; ++i) c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(width) * c.input_components);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t v = rgb(x, y);
      if (gray) {
        row[x] = static_cast<uint8_t>(v & 0xFF);
      } else {
        row[x * 3] = static_cast<uint8_t>(v >> 16);
        row[x * 3 + 1] = static_cast<uint8_t>(v >> 8);
        row[x * 3 + 2] = static_cast<uint8_t>(v);
      }
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<uint8_t> bytes(out, out + size);
  std::free(out);
  return bytes;
}
