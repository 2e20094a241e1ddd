// The alignment flags of DrawText and the class library's alignments, both ways.
#pragma once

#include <array>

#include "ui/Classes.h"

// DT_ flags by alignment left, right, centre.
inline constexpr std::array<Cardinal, 3> AlignToInt{0 /*DT_LEFT*/, 2 /*DT_RIGHT*/, 1 /*DT_CENTER*/};
// By TAlignment (left, right, centre): the alignment as shown to a right-to-left reader.
extern const TAlignment BidiAlign[2][3];
// DT_RIGHT wins over DT_CENTER; neither is left.
TAlignment AlignmentFromInt(Cardinal value);
// DT_BOTTOM wins over DT_VCENTER; neither is top.
TVerticalAlignment VertAlignmentFromInt(Cardinal value);
