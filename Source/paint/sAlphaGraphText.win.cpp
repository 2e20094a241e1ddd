// sAlphaGraph: captions in a skin section's colours on 32-bit bitmaps whose alpha must stay right
// (layered windows, hints, title bars), through WriteColor.
#include <windows.h>

#include <algorithm>
#include <memory>

#include "base/kvntUtils.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "skin/sSkinManager.h"
#include "ui/Canvas.h"
#include "ui/Graphics.h"

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
