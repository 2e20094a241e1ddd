// Colour names as form descriptions and the class library write them ("clBtnFace"), and
// the text form of any colour: its name, or "$00BBGGRR" in hexadecimal. Portable.
#pragma once

#include "Types.h"

bool ColorToIdent(TColor color, String& ident);
bool IdentToColor(StringView ident, TColor& color);  // names compared without regard to case
String ColorToString(TColor color);
// A colour name or an integer (decimal, '$' or "0x" hexadecimal; negative values are the
// system colours' two's complement). Raises EConvertError for anything else.
TColor StringToColor(StringView text);
