// Shortcut keys of menus: key and modifiers in one word, and the text menus show for them.
#include <gtest/gtest.h>

#include "ui/Menus.h"

TEST(ShortCutTest, KeysAndModifiersMakeOneWordAndComeBack) {
  struct Case {
    Word key;
    TShiftState shift;
    TShortCut expected;
  } cases[] = {
      {'S', {ssCtrl}, 0x4053},      {'O', {ssCtrl, ssShift}, 0x604F},        {0x73 /* F4 */, {ssAlt}, 0x8073},
      {0x2E /* Del */, {}, 0x002E}, {'1', {ssAlt, ssCtrl, ssShift}, 0xE031},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShortCut(c.key, c.shift), c.expected) << c.key;
    Word key = 0;
    TShiftState shift{ssLeft};
    ShortCutToKey(c.expected, key, shift);
    EXPECT_EQ(key, c.key);
    EXPECT_EQ(shift, c.shift);
  }
  EXPECT_EQ(ShortCut(0x1234, {}), scNone);  // not a virtual key
}

TEST(ShortCutTest, TextAsMenusShowItAndBack) {
  struct Case {
    TShortCut shortCut;
    const char16_t* text;
  } cases[] = {
      {0x4053, u"Ctrl+S"},    {0x8073, u"Alt+F4"}, {0x604F, u"Shift+Ctrl+O"}, {0x002E, u"Del"},
      {0x0070, u"F1"},        {0x0087, u"F24"},    {0x2009, u"Shift+Tab"},    {0xC00D, u"Ctrl+Alt+Enter"},
      {0x4021, u"Ctrl+PgUp"}, {0x0020, u"Space"},  {0x4030, u"Ctrl+0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShortCutToText(c.shortCut), c.text);
    EXPECT_EQ(TextToShortCut(c.text), c.shortCut) << StringToUtf8(c.text);
  }
  // Names and modifiers in any case; unknown keys and empty text give none.
  EXPECT_EQ(TextToShortCut(u"ctrl+shift+s"), 0x6053);
  EXPECT_EQ(TextToShortCut(u"ALT+f4"), 0x8073);
  EXPECT_EQ(TextToShortCut(u""), scNone);
  EXPECT_EQ(TextToShortCut(u"Ctrl+"), scNone);
  EXPECT_EQ(TextToShortCut(u"Ctrl+Banana"), scNone);
  EXPECT_EQ(TextToShortCut(u"F25"), scNone);
  EXPECT_EQ(TextToShortCut(u"F0"), scNone);
  EXPECT_EQ(ShortCutToText(scNone), u"");
  EXPECT_EQ(ShortCutToText(0x40FF), u"");  // a key without a name
}
