#include "controls/sEdit.h"

#include <algorithm>

#include "base/sConst.h"
#include "raster/Pixels.h"

namespace {

Integer Scaled(Integer value, Integer ppi) { return Integer(Int64(value) * ppi / 96); }

}  // namespace

TRect EditAddedPadding(const TRect& padding96, Integer ppi, TVerticalAlignment alignment, Integer textHeight,
                       Integer height) {
  TRect added(Scaled(padding96.Left, ppi), Scaled(padding96.Top, ppi), Scaled(padding96.Right, ppi),
              Scaled(padding96.Bottom, ppi));
  const Integer free = height - textHeight - added.Top - added.Bottom;
  if (alignment == taAlignBottom) {
    added.Top += free;
  } else if (alignment == taVerticalCenter) {
    added.Top += free / 2;
    added.Bottom += free / 2;
  }
  added.Left = std::max(added.Left, 0);
  added.Top = std::max(added.Top, 0);
  added.Right = std::max(added.Right, 0);
  added.Bottom = std::max(added.Bottom, 0);
  return added;
}

TRect ShrinkEditClient(const TRect& client, const TRect& added) {
  TRect r(client.Left + added.Left, client.Top + added.Top, client.Right - added.Right, client.Bottom - added.Bottom);
  // Too little room: the client area keeps its near edges and has no size.
  if (r.Right < r.Left) r.Right = r.Left = std::min(r.Left, client.Right);
  if (r.Bottom < r.Top) r.Bottom = r.Top = std::min(r.Top, client.Bottom);
  return r;
}

Integer EditBorderWidth(bool bordered, bool ctl3D, Integer bevels) { return (bordered ? (ctl3D ? 2 : 1) : 0) + bevels; }

TRect EditTextRect(Integer width, Integer height, const TEditTextFrame& f, const TRect& added) {
  // A bordered edit counts its bevels twice: once in the frame, once more for the bevel's shade.
  const Integer b = f.Bordered ? EditBorderWidth(true, f.Ctl3D, f.Bevels) + f.Bevels : 0;
  const Integer s = f.Bordered ? 1 : 0;
  TRect r = f.RightToLeft
                ? TRect(b + (f.Ctl3D ? 0 : 2), b + s, s + width - b - f.GlyphSpace - f.Spacing / 2, height - b)
                : TRect(b + s + f.GlyphSpace, b + s, width - b - s, height - b);
  r.Left += added.Left;
  r.Top += added.Top;
  r.Right -= added.Right;
  r.Bottom -= added.Bottom;
  return r;
}

TColor TextHintColor(TColor text, TColor background) { return BlendColors(text, background, Byte(kv_TextHintBlend)); }

TRect EditAddedGlyphRect(Integer width, Integer height, Integer border, const TRect& padding, Integer glyphWidth,
                         bool rightToLeft) {
  const Integer left = rightToLeft ? width - border - glyphWidth - padding.Right : border + padding.Left;
  return TRect(left, border + padding.Top, left + glyphWidth, height - border - padding.Bottom);
}
