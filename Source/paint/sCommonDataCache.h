// The steps of a control's skin data that repaint the corners of its rendered picture: the
// recolouring of a rendered bitmap, the copies of the cache around a control's children, and
// the region of a bitmap without a section's transparent corners. They live above the skin
// layer because the corner refresh does.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include "base/kvntTypes.h"
#include "ui/GdiScopes.h"

class TBitmap;
class TWinControl;
class TkvSkinData;
class TsCommonData;

// Lays the control's colour tone (ColorToneBG for buttons), hue and saturation over bmp, key
// pixels (0xFF00FF) kept, then repaints the corners of the control's cache for state.
// checkCorners changes nothing; it is kept for the callers' signature.
void UpdateBmpColors(TBitmap* bmp, TsCommonData* skinData, bool checkCorners, Integer state, Integer colorToneBG);

// Copies dstRect's size of the control's cache from srcRect's top-left to dstRect in dstDC,
// leaving the opaque children's areas (their bounds moved by offsetX, offsetY) untouched.
void CopyWinControlCache(TWinControl* control, TsCommonData* skinData, const TRect& srcRect, const TRect& dstRect,
                         HDC dstDC, bool updateCorners, Integer offsetX = 0, Integer offsetY = 0);
// The same for a raw window: its visible child windows are left out, a group box only along
// its frame.
void CopyHwndCache(HWND hwnd, TsCommonData* skinData, const TRect& srcRect, const TRect& dstRect, HDC dstDC,
                   bool updateCorners, Integer offsetX = 0, Integer offsetY = 0);

// The region of bmp without the transparent corner pixels of the section's border image;
// those pixels are cleared (colour and alpha 0) in bmp. Null when the section is not valid or
// has no border image.
TOwnedRegion GetTransCornersRgn(Integer sectionIndex, TBitmap* bmp, TkvSkinData* sd);
#endif
