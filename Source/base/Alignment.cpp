#include "base/Alignment.h"

const TAlignment BidiAlign[2][3] = {{taLeftJustify, taRightJustify, taCenter},
                                    {taRightJustify, taLeftJustify, taCenter}};

TAlignment AlignmentFromInt(Cardinal value) {
  if (value & 2 /*DT_RIGHT*/) return taRightJustify;
  if (value & 1 /*DT_CENTER*/) return taCenter;
  return taLeftJustify;
}

TVerticalAlignment VertAlignmentFromInt(Cardinal value) {
  if (value & 8 /*DT_BOTTOM*/) return taAlignBottom;
  if (value & 4 /*DT_VCENTER*/) return taVerticalCenter;
  return taAlignTop;
}
