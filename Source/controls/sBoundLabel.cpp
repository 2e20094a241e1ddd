#include "controls/sBoundLabel.h"

#include <algorithm>

TsCaptionLayout MirroredLayout(TsCaptionLayout layout) {
  switch (layout) {
    case sclLeft: return sclRight;
    case sclRight: return sclLeft;
    case sclTopLeft: return sclTopRight;
    case sclTopRight: return sclTopLeft;
    case sclLeftTop: return sclRightTop;
    case sclRightTop: return sclLeftTop;
    case sclBottomLeft: return sclBottomRight;
    case sclBottomRight: return sclBottomLeft;
    case sclLeftLeft: return sclRightRight;
    case sclRightRight: return sclLeftLeft;
    default: return layout;
  }
}

TAlignment LayoutAlignment(TsCaptionLayout layout) {
  switch (layout) {
    case sclLeft:
    case sclTopRight:
    case sclBottomRight:
    case sclRightRight: return taRightJustify;
    case sclTopCenter:
    case sclBottomCenter: return taCenter;
    default: return taLeftJustify;
  }
}

TPoint BoundLabelPlace(TsCaptionLayout layout, const TRect& f, TSize l, Integer spacing, Integer indent, Integer offset,
                       bool clientShorter) {
  const Integer fw = f.Width(), fh = f.Height();
  const Integer middle = f.Top + (fh - l.cy) / 2;
  switch (layout) {
    case sclLeft: return {f.Left - l.cx - spacing - indent, middle - (clientShorter ? 1 : 0) + offset};
    case sclTopLeft: return {f.Left + offset, f.Top - l.cy - indent};
    case sclTopCenter: return {f.Left + (fw - l.cx) / 2 + offset, f.Top - l.cy - indent};
    case sclTopRight: return {f.Left + fw - l.cx + offset, f.Top - l.cy - indent};
    case sclLeftTop: return {f.Left - l.cx - spacing - indent, f.Top + offset + 3};
    case sclBottomLeft: return {f.Left + offset, f.Top + fh + indent};
    case sclBottomCenter: return {f.Left + (fw - l.cx) / 2 + offset, f.Top + fh + indent};
    case sclBottomRight: return {f.Left + fw - l.cx + offset, f.Top + fh + indent};
    case sclRight: return {f.Left + fw + spacing + indent, middle + offset - 1};
    case sclRightTop: return {f.Left + fw + spacing + indent, f.Top + offset + 3};
    case sclLeftLeft: return {f.Left - l.cx - spacing + indent, middle + offset - 1};
    default: return {f.Left + fw + spacing - indent, middle + offset - 1};  // sclRightRight
  }
}

TBoundLabelSide BoundLabelSide(TsCaptionLayout layout, bool controlAlignedLeft, bool controlAlignedRight) {
  if ((layout == sclLeft || layout == sclLeftLeft) && controlAlignedLeft) return TBoundLabelSide::Left;
  if (layout == sclRightRight && controlAlignedRight) return TBoundLabelSide::Right;
  return TBoundLabelSide::None;
}
