// Small types the engine shares: the plain object base of skin data, integer quadruples,
// arrow styles, and (with the class library) the glow window and the option objects.
#pragma once

#include "sConst.h"
#include "vcl/Classes.h"

// A plain object; the per-PPI skin data derives from it, and code that is handed one tests its
// class before use.
class TkvObject : public TObject {};

// As corner radii: top-left, top-right, bottom-left, bottom-right.
struct TkvIntValues {
  Integer Value0 = 0, Value1 = 0, Value2 = 0, Value3 = 0;
};

enum TkvArrowsStyle : Byte { arsSolid1, arsLines1, arsSolid2, arsLines2, arsSolid3, arsDefault };
