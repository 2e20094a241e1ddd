#include "skin/sMaskData.h"

#include "base/WorkingBitmaps.h"
#include "skin/sSkinManager.h"

TMaskImage MaskImageOf(const TsMaskData& md) {
  TMaskImage img;
  TBitmap* src = md.Bmp ? md.Bmp : md.Manager ? md.Manager->MasterBitmap.get() : nullptr;
  img.Src = ViewOf(src);
  img.R = md.R;
  img.ImageCount = md.ImageCount;
  img.MaskType = md.MaskType;
  img.DrawMode = md.DrawMode;
  img.WL = md.WL;
  img.WT = md.WT;
  img.WR = md.WR;
  img.WB = md.WB;
  img.Cfg = md.Cfg;
  img.Width = md.Width;
  img.Height = md.Height;
  return img;
}
