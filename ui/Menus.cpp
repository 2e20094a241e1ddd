// Shortcut keys: the key code and modifiers in one word, and their text in menus.
#include "Menus.h"

namespace {

// Names of the keys that are not a letter or a digit, as menus show them (virtual key codes,
// which are the same everywhere).
struct KeyName {
  Word key;
  const char16_t* name;
};
constexpr KeyName kKeyNames[] = {
    {0x08, u"BkSp"}, {0x09, u"Tab"},   {0x0D, u"Enter"}, {0x1B, u"Esc"},  {0x20, u"Space"},
    {0x21, u"PgUp"}, {0x22, u"PgDn"},  {0x23, u"End"},   {0x24, u"Home"}, {0x25, u"Left"},
    {0x26, u"Up"},   {0x27, u"Right"}, {0x28, u"Down"},  {0x2D, u"Ins"},  {0x2E, u"Del"},
};
constexpr Word kF1 = 0x70, kF24 = 0x87;

// The modifiers in the order the text writes them.
struct Modifier {
  TShortCut bit;
  const char16_t* prefix;
};
constexpr Modifier kModifiers[] = {{scShift, u"Shift+"}, {scCtrl, u"Ctrl+"}, {scAlt, u"Alt+"}};

String KeyText(Word key) {
  if ((key >= u'A' && key <= u'Z') || (key >= u'0' && key <= u'9')) return String(1, static_cast<Char>(key));
  if (key >= kF1 && key <= kF24) return u"F" + IntToStr(key - kF1 + 1);
  for (const KeyName& k : kKeyNames)
    if (k.key == key) return k.name;
  return String();
}

Word KeyOfText(StringView text) {
  if (text.size() == 1) {
    Char c = text[0];
    if (c >= u'a' && c <= u'z') c = static_cast<Char>(c - u'a' + u'A');
    if ((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')) return c;
  }
  if (text.size() >= 2 && (text[0] == u'F' || text[0] == u'f')) {
    Integer n = 0;
    if (TryStrToInt(text.substr(1), n) && n >= 1 && n <= kF24 - kF1 + 1) return static_cast<Word>(kF1 + n - 1);
  }
  for (const KeyName& k : kKeyNames)
    if (SameText(k.name, text)) return k.key;
  return 0;
}

bool StartsWithText(StringView text, StringView prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

}  // namespace

TShortCut ShortCut(Word key, TShiftState shift) {
  if (key & 0xFF00) return scNone;  // not a virtual key
  TShortCut result = key;
  if (shift.Contains(ssShift)) result |= scShift;
  if (shift.Contains(ssCtrl)) result |= scCtrl;
  if (shift.Contains(ssAlt)) result |= scAlt;
  return result;
}

void ShortCutToKey(TShortCut shortCut, Word& key, TShiftState& shift) {
  key = shortCut & 0xFF;
  shift = {};
  if (shortCut & scShift) shift += ssShift;
  if (shortCut & scCtrl) shift += ssCtrl;
  if (shortCut & scAlt) shift += ssAlt;
}

String ShortCutToText(TShortCut shortCut) {
  String key = KeyText(shortCut & 0xFF);
  if (key.empty()) return String();
  String text;
  for (const Modifier& m : kModifiers)
    if (shortCut & m.bit) text += m.prefix;
  return text + key;
}

TShortCut TextToShortCut(StringView text) {
  TShortCut mods = 0;
  for (bool found = true; found;) {
    found = false;
    for (const Modifier& m : kModifiers)
      if (StartsWithText(text, m.prefix)) {
        mods |= m.bit;
        text.remove_prefix(StringView(m.prefix).size());
        found = true;
      }
  }
  const Word key = KeyOfText(text);
  return key ? static_cast<TShortCut>(key | mods) : scNone;
}
