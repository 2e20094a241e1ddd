// Parses arbitrary bytes the way the program reads a parse answer: UTF-8 text, JSON, then the
// members it takes. Any text must end in a value or in EJSONException, never in a crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/ParseLogic.h"
#include "ui/Json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const String text = Utf8ToString(std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    auto v = ParseJSONValue(text);
    // What the writer gives back parses again to the same text, unless it holds a raw
    // control character (which the class library's writer leaves unescaped).
    const String json = v->ToJSON();
    bool raw = false;
    for (Char c : json) raw |= c < 0x20;
    if (!raw && ParseJSONValue(json)->ToJSON() != json) __builtin_trap();
  } catch (const EJSONException&) {}
  try {
    TakeParseAnswer(text);
  } catch (const EJSONException&) {}
  return 0;
}
