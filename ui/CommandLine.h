// Windows command lines: quoting one argument so that CommandLineToArgvW and the C runtime read
// it back as it was.
#pragma once

#include "ui/Types.h"

// One argument for a Windows command line: always in double quotes, backslashes doubled before a
// quote and at the end, quotes escaped.
String QuoteArgument(StringView arg);
