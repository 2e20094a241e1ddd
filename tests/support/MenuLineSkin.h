// The menu line's sections for the form tests' small skin: the line in a colour of its own,
// with a font colour at rest and another when hot, and bar items that show the line at rest
// and a colour of their own when selected. And where the system lays out a bar item on the
// window, in window coordinates.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "support/FormSkin.h"

namespace menuline {

constexpr TColor kLine = 0x0030A0E0;      // the menu line's section
constexpr TColor kLineText = 0x00600020;  // its font colour at rest
constexpr TColor kLineHotText = 0x0000FFFF;
constexpr TColor kItemHot = 0x00208020;  // a selected bar item

inline void AddSections(formskin::FormSkin& fs) {
  SkinFixture& s = fs.skin;
  TsGeneralData line = PlainSection(u"MENULINE", 0, kLine, 2);
  line.Props[0].FontColor.Color = Integer(kLineText);
  line.Props[1].FontColor.Color = Integer(kLineHotText);
  s.Manager.SkinCommonInfo.Sections[ssMenuLine] = s.AddSection(line);
  TsGeneralData item = PlainSection(u"MENUITEM", 0, kItemHot, 2);
  item.Props[0].Transparency = 100;  // bar items at rest show the line
  s.Manager.SkinCommonInfo.Sections[ssMenuItem] = s.AddSection(item);
  s.Manager.SkinCommonInfo.Sections[ssMainMenu] = s.AddSection(PlainSection(u"MAINMENU", 0, 0x00F0F0F0));
  s.Data->Reindex();
}

inline TRect ItemRect(HWND form, Integer position) {
  RECT r{}, w{};
  EXPECT_TRUE(GetMenuItemRect(form, GetMenu(form), UINT(position), &r));
  GetWindowRect(form, &w);
  return TRect(r.left - w.left, r.top - w.top, r.right - w.left, r.bottom - w.top);
}

}  // namespace menuline
