#include "controls/sSkinMenusLine.h"

String MenuLineCaptionText(StringView caption) {
  String text;
  text.reserve(caption.size());
  for (char16_t c : caption)
    if (c != u'&') text.push_back(c);
  return text;
}

Integer MenuLineItemWidth(Integer textWidth, Integer pictureSide) {
  return textWidth + (pictureSide > 0 ? pictureSide + 6 : 0);
}

Integer MenuLineItemHeight(Integer cyMenu) { return cyMenu - 1; }

TPoint MenuLineItemOffset(const TRect& itemRect, const TPoint& lineOrigin) {
  return TPoint(itemRect.Left - lineOrigin.X, itemRect.Top - lineOrigin.Y);
}

TPoint MenuLineGlyphPos(const TRect& itemBmpRect, const TSize& glyph, bool rightToLeft) {
  const Integer y = itemBmpRect.Top + (itemBmpRect.Height() - glyph.cy) / 2;
  const Integer x = rightToLeft ? itemBmpRect.Right - 3 - glyph.cx : itemBmpRect.Left + 3;
  return TPoint(x, y);
}

TRect MenuLineTextRect(const TRect& itemBmpRect, const TRect& glyph, Integer margin, bool rightToLeft) {
  TRect r = itemBmpRect;
  if (glyph.Width() > 0) {
    if (rightToLeft)
      r.Right = glyph.Left;
    else
      r.Left = glyph.Right;
  }
  r.Left += margin;
  r.Right -= margin;
  if (r.Right < r.Left) r.Right = r.Left;
  return r;
}
