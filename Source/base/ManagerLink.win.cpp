#include "base/ManagerLink.h"

#include <windows.h>

#include "base/WindowQueries.h"
#include "ui/Graphics.h"

Integer UnskinnedColorToRGB(Integer value) {
  if (value >= 0) return static_cast<Integer>(ColorToRGB(static_cast<TColor>(value)));
  const Integer rgb = value & 0xFFFFFF;
  return rgb > 100 ? rgb : static_cast<Integer>(ColorToRGB(static_cast<TColor>(value)));
}

Integer DefaultColorToRGB(Integer value) {
  TkvManagerLink* link = DefaultManagerLink();
  return link ? link->ColorToRGB(value) : UnskinnedColorToRGB(value);
}

Integer DefaultScaleInt(Integer value) {
  TkvManagerLink* link = DefaultManagerLink();
  return link ? link->ScaleInt(value) : MulDiv(value, DefaultPPI(), 96);
}
