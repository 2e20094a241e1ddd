// One skin image: where it lies (in the skin's master bitmap or a bitmap of its own), how many
// state pictures it holds, its mask half, its draw mode and its nine-part border widths.
#pragma once

#include "base/sConst.h"
#include "raster/MaskImages.h"

class TBitmap;
class DuRiruZireziv;

struct TsMaskData {
  TBitmap* Bmp = nullptr;  // own bitmap; null when the image lies in the manager's MasterBitmap
  String ClassName;        // section that names the image
  String PropertyName;     // its key in the section
  TRect R;                 // state pictures side by side, mask rows below them
  int16_t ImageCount = 0;  // state pictures
  int16_t MaskType = 0;    // mask rows below the image rows (0 none)
  int16_t DrawMode = 0;    // frame images: BDM_ flags; textures: fill mode 0..14
  TkvImgType ImgType = itisaBorder;
  DuRiruZireziv* Manager = nullptr;
  int16_t WL = 0, WT = 0, WR = 0, WB = 0;  // border part widths, scaled for the skin data's PPI
  Integer Cfg = 0;                         // bit 0: a corner holds transparent pixels
  Integer MulPPi = 96;                     // the PPI the image is prepared for
  Integer DivPPI = 96;                     // the PPI of its source
  Integer SkinIndex = -1;                  // the section the image belongs to
  Integer Width = 0;                       // one state picture, without the mask rows
  Integer Height = 0;
};

// (Width, Height) of one state picture.
inline TSize MkSize(const TsMaskData& md) { return TSize(md.Width, md.Height); }

// The pixels and fields of a skin image record as the raster kernels take them: its own
// bitmap, else its manager's master bitmap (an empty view when it has neither or it is not
// 32-bit).
TMaskImage MaskImageOf(const TsMaskData& md);
