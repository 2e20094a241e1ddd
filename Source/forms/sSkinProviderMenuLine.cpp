#include "forms/sSkinProviderMenuLine.h"

bool MenuLineVisible(const TkvMenuLineForm& f) {
  return f.HasMenu && !f.AutoMerged && f.ItemCount > 0 && !f.MDIChild && !f.DialogBorder;
}

Integer MenuLineHeight(bool visible, Integer cyMenu) { return visible && cyMenu > 0 ? cyMenu - 1 : 0; }

Integer MenuLineClientTop(Integer formTop, Integer formHeight, Integer clientHeight, Integer borderHeight,
                          Integer hScrollHeight, Integer formBorderWidth) {
  return formTop + formHeight - clientHeight - borderHeight - hScrollHeight - 2 * formBorderWidth;
}

Integer MenuLinesFromGeometry(Integer firstItemBottom, Integer clientTop, Integer cyMenu) {
  if (firstItemBottom >= clientTop) return 1;
  const Integer step = cyMenu - 2;
  if (step <= 0) return 1;
  return (clientTop - firstItemBottom) / step + 1;
}

bool InMDIMenuGap(const TRect& lastItem, Integer formRight, const TPoint& p) {
  if (lastItem.Left == lastItem.Right) return false;
  return p.X >= lastItem.Right && p.X < formRight && p.Y >= lastItem.Top && p.Y < lastItem.Bottom;
}
