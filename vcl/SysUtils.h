// Exceptions and string helpers of the class library. Portable: no platform headers.
#pragma once

#include <exception>
#include <string>
#include <vector>

#include "Types.h"

// The root of every exception the class library and the engine raise. Message is the
// text the application's default handler shows to the user.
class Exception : public std::exception {
 public:
  explicit Exception(String message) : message_(std::move(message)) {}
  explicit Exception(const char* asciiMessage);
  const String& Message() const { return message_; }
  const char* what() const noexcept override;

 private:
  String message_;
  mutable std::string utf8_;
};

#define TW_DECLARE_EXCEPTION(Name, Base) \
  class Name : public Base {             \
   public:                               \
    using Base::Base;                    \
  }

TW_DECLARE_EXCEPTION(EStreamError, Exception);
TW_DECLARE_EXCEPTION(EReadError, EStreamError);
TW_DECLARE_EXCEPTION(EWriteError, EStreamError);
TW_DECLARE_EXCEPTION(EFOpenError, EStreamError);
TW_DECLARE_EXCEPTION(EFCreateError, EStreamError);
TW_DECLARE_EXCEPTION(EConvertError, Exception);
TW_DECLARE_EXCEPTION(ERangeError, Exception);
TW_DECLARE_EXCEPTION(EIntOverflow, Exception);
TW_DECLARE_EXCEPTION(EListError, Exception);
TW_DECLARE_EXCEPTION(EOutOfResources, Exception);
TW_DECLARE_EXCEPTION(EInvalidOperation, Exception);
TW_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
TW_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);
TW_DECLARE_EXCEPTION(EOSError, Exception);

// UTF-8 <-> UTF-16. Invalid input is replaced by U+FFFD, never rejected.
String Utf8ToString(std::string_view utf8);
std::string StringToUtf8(StringView text);
// Only for ASCII literals in code (texts, format strings).
String AsciiToString(std::string_view ascii);

String IntToStr(Int64 value);
String UpperCase(StringView s);  // ASCII letters only, as the class library's UpperCase
String LowerCase(StringView s);
String AnsiUpperCase(StringView s);  // every letter that has a simple upper case
bool SameText(StringView a, StringView b);  // ASCII case-insensitive
// Ordinal comparisons (-1, 0, 1): exact, and with the letters AnsiUpperCase knows folded.
int CompareStr(StringView a, StringView b);
int AnsiCompareText(StringView a, StringView b);
bool AnsiSameText(StringView a, StringView b);
String Trim(StringView s);                  // removes characters <= ' ' at both ends
String TrimLeft(StringView s);
String TrimRight(StringView s);
// Integer parsing with the class library's rules: optional sign, decimal or '$'/'0x' hex.
bool TryStrToInt(StringView s, Integer& value);
bool TryStrToInt64(StringView s, Int64& value);
Integer StrToIntDef(StringView s, Integer def);
Integer StrToInt(StringView s);  // raises EConvertError "'<s>' is not a valid integer value"
