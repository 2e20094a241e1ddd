// Window and control routines of the engine: colours of the active skin, PPI of windows and
// controls, mouse and visibility tests, control walks, the skin command transport, small
// conversions and the text helpers.
//
// Sections:
//   1. Texts and conversions (portable)
//   2. Windows: skin command transport, colours, PPI, mouse, visibility, controls, geometry
#pragma once

#include "sConst.h"
#include "vcl/SysUtils.h"

// ---- 1. Texts and conversions ---------------------------------------------------------

// DT_ flags by alignment left, right, centre.
inline constexpr std::array<Cardinal, 3> AlignToInt{0 /*DT_LEFT*/, 2 /*DT_RIGHT*/, 1 /*DT_CENTER*/};

// The text without its tags: line breaks of the source are dropped; with convertBreakLine an
// "<br>" tag (any letter case) becomes CR LF. An unclosed tag swallows the rest.
String GetPlainText(const String& htmlText, bool convertBreakLine);
