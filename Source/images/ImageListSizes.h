// The size of an image of any image list at a density: the engine's alpha and icon-font lists
// and the class library's plain lists alike. Part of sThirdParty's measuring (controls/
// sThirdParty.h includes it); here because the image lists measure themselves with it.
#pragma once

#include "ui/Types.h"

#ifdef _WIN32
class TCustomImageList;

// 0 for none, else the list's count.
Integer GetImageCount(TCustomImageList* imgList);
// The size of one image (all its state cells) at ppi: alpha lists and icon-font lists that
// follow the density scale by ppi / 96, plain lists do not. An icon-font item's own scaling
// and vertical offset count in; index -1 measures the list. useAngle has no effect.
Integer GetImageWidth(TCustomImageList* imgList, Integer index, Integer ppi, bool useAngle);
Integer GetImageHeight(TCustomImageList* imgList, Integer index, Integer ppi, bool useAngle);
#endif
