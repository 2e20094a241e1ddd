// sAlphaGraph: text on 32-bit bitmaps whose alpha must stay right (layered windows, hints,
// title bars): GDI draws the text black on white into a temporary picture, whose grey levels
// become the ink's coverage.
#include <windows.h>

#include <algorithm>
#include <memory>

#include "base/kvntUtils.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "skin/sSkinManager.h"
#include "ui/Canvas.h"
#include "ui/Graphics.h"

void WriteColor(TBitmap* bmp, const String& text, bool enabled, const TRect& lRect, Cardinal flags, TColor color,
                bool /*isAnsi*/) {
  if (!bmp || bmp->PixelFormat() != pf32bit) return;
  const Integer w = lRect.Width(), h = lRect.Height();
  if (w <= 0 || h <= 0) return;
  std::unique_ptr<TBitmap> tmp(CreateBmp32(w, h));
  if (tmp->Empty()) return;
  FillRect32(tmp.get(), TRect(0, 0, w, h), clWhite, 0);  // untouched white: 0x00FFFFFF
  tmp->Canvas()->Font()->Assign(bmp->Canvas()->Font());
  HDC dc = tmp->Canvas()->Handle();
  SetTextColor(dc, 0);
  SetBkColor(dc, 0xFFFFFF);
  TRect r(0, 0, w, h);
  kvDrawText(dc, text, r, flags & ~DT_ALPHATEXT);
  GdiFlush();
  WriteColorPixels(bmp->View(), tmp->View(), lRect.TopLeft(), enabled, ColorToRGB(color));
}

void WriteText32(TBitmap* bmp, const String& text, bool enabled, TRect& aRect, Cardinal flags, Integer skinIndex,
                 Integer state, DuRiruZireziv* skinManager, bool /*isAnsi*/) {
  if (!bmp || text.empty() || aRect.IsEmpty()) return;
  if (!skinManager) skinManager = DefaultManager;
  if (!skinManager || !skinManager->IsValidSkinIndex(skinIndex)) {
    WriteColor(bmp, text, enabled, aRect, flags, bmp->Canvas()->Font()->Color());
    return;
  }
  const TsGeneralData& section = skinManager->CommonSkinData(96)->gd[size_t(skinIndex)];
  const TsFontColor& colors = section.Props[size_t(std::clamp(state, 0, 2))].FontColor;
  if (enabled) {
    const Integer outline[4] = {colors.Left, colors.Top, colors.Right, colors.Bottom};
    const TPoint shift[4] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
    for (int side = 0; side < 4; ++side)
      if (outline[side] != -1)
        WriteColor(bmp, text, true, OffsRect(aRect, shift[side].X, shift[side].Y), flags, TColor(outline[side]));
  }
  WriteColor(bmp, text, enabled, aRect, flags, TColor(colors.Color));
}
