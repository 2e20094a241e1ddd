// Fuzz target: the image references of skin texts ("^", "@", "~", "!", "&" and file names):
// the normalized form, its fields, and the rescaling and corner test of an image made from
// them over a small master bitmap.
#include <cstdint>
#include <cstdlib>

#include "skin/sSkinManagerLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  String value;
  for (size_t i = 0; i < size; ++i) value += Char(data[i]);  // 8-bit text, as skin files are read
  value = UpperCase(value);
  (void)IsImageValue(value);
  String normalized;
  try {
    normalized = ConvertSkinStr(value);
  } catch (const EConvertError&) { return 0; }
  if (!value.empty() && normalized.empty()) std::abort();
  TkvImageRef ref;
  if (!ParseImageRef(normalized, ref)) return 0;
  if (ref.ImageCount < 0 || ref.ImageCount > 9 || ref.MaskType < 0 || ref.MaskType > 9) std::abort();
  // An image of that reference over a 64 x 64 master bitmap, rescaled to 144 PPI.
  static TBitmap master(64, 64, pf32bit);
  TsMaskData md;
  md.R = ref.R;
  md.ImageCount = int16_t(ref.ImageCount);
  md.MaskType = int16_t(ref.MaskType);
  md.DrawMode = int16_t(ref.DrawMode);
  md.ImgType = ref.ImgType;
  md.WL = int16_t(ref.WL);
  md.WT = int16_t(ref.WT);
  md.WR = int16_t(ref.WR);
  md.WB = int16_t(ref.WB);
  if (md.R.Left < 0 || md.R.Top < 0 || md.R.Right > 64 || md.R.Bottom > 64 || md.R.Right <= md.R.Left ||
      md.R.Bottom <= md.R.Top)
    return 0;  // the loader drops such an image
  (void)CornerTypeOf(md, &master);
  md.DivPPI = 96;
  md.MulPPi = 144;
  if (auto scaled = ScaleMaskData(md, &master, false, 0x808080)) {
    if (md.Bmp != scaled.get() || md.R.Right != scaled->Width() || md.R.Bottom != scaled->Height()) std::abort();
    (void)CornerTypeOf(md, scaled.get());
    (void)PtIsTransparent(1, 1, md, 100, 40);
  }
  return 0;
}
