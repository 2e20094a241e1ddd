// The popup-menu tests' skin and items: a plain "MAINMENU" background and a "MENUITEM" whose
// normal look shows the background and whose selected look is a plain colour.
#pragma once
#ifdef _WIN32

#include "support/SkinFixture.h"
#include "ui/Menus.h"

struct MenuSkin {
  MenuSkin() {
    skin.Manager.SkinCommonInfo.Sections[ssMainMenu] = skin.AddSection(PlainSection(u"MAINMENU", 0, kBack));
    TsGeneralData item = PlainSection(u"MENUITEM", 0, kHot, 2);
    item.Props[0].Transparency = 100;  // items at rest show the popup's background
    skin.Manager.SkinCommonInfo.Sections[ssMenuItem] = skin.AddSection(item);
  }
  static constexpr TColor kBack = 0x00E0D0C0, kHot = 0x002040F0;
  SkinFixture skin;
};

// A new item with the caption at the end of the menu (the menu owns it).
inline TMenuItem* AddItem(TMenu* menu, const String& caption) {
  auto* item = new TMenuItem(menu);
  item->SetCaption(caption);
  menu->Items()->Add(item);
  return item;
}

#endif
