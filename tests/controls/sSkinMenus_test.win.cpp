// The menu painter: hooking, items measured and drawn into a bitmap one by one over the cached
// popup background, and the command numbers the painter posts instead of item addresses.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "controls/sGlyphUtils.h"
#include "controls/sSkinMenus.h"
#include "images/kvPNG.h"
#include "support/PopupMenuSkin.h"
#include "support/SkinFixture.h"
#include "ui/Forms.h"

namespace {

struct AppHandlers : TObject {
  void Draw(TObject*, TCanvas*, TRect, TOwnerDrawState) {}
  void Measure(TObject*, TCanvas*, Integer&, Integer&) {}
};

}  // namespace

TEST(SkinnedMenus, HookingKeepsTheApplicationsHandlersAndUnhookingRemovesOnlyOurs) {
  MenuSkin s;
  TsSkinableMenus painter(&s.skin.Manager);
  TPopupMenu menu(nullptr);
  TMenuItem* plain = AddItem(&menu, u"Plain");
  TMenuItem* own = AddItem(&menu, u"Own");
  TMenuItem* sub = AddItem(&menu, u"Sub");
  auto* child = new TMenuItem(&menu);
  child->SetCaption(u"Child");
  sub->Add(child);
  AppHandlers app;
  own->SetOnAdvancedDrawItem(TAdvancedMenuDrawItemEvent(&app, &AppHandlers::Draw));

  painter.HookPopupMenu(&menu, true);
  EXPECT_TRUE(menu.OwnerDraw());
  EXPECT_TRUE(menu.MenuAnimation().Contains(maNone));
  EXPECT_TRUE(plain->OnAdvancedDrawItem());
  EXPECT_TRUE(child->OnMeasureItem());  // sub-menus too
  EXPECT_EQ(own->OnAdvancedDrawItem(), TAdvancedMenuDrawItemEvent(&app, &AppHandlers::Draw));
  EXPECT_TRUE(own->OnMeasureItem());  // the event it had no handler for is ours

  painter.HookPopupMenu(&menu, false);
  EXPECT_FALSE(menu.OwnerDraw());
  EXPECT_FALSE(menu.MenuAnimation().Contains(maNone));
  EXPECT_FALSE(plain->OnAdvancedDrawItem());
  EXPECT_FALSE(child->OnMeasureItem());
  EXPECT_EQ(own->OnAdvancedDrawItem(), TAdvancedMenuDrawItemEvent(&app, &AppHandlers::Draw));
  EXPECT_FALSE(own->OnMeasureItem());

  kvIgnoreMenuOwnerDraw = true;  // the painter then takes every item
  painter.HookPopupMenu(&menu, true);
  kvIgnoreMenuOwnerDraw = false;
  EXPECT_NE(own->OnAdvancedDrawItem(), TAdvancedMenuDrawItemEvent(&app, &AppHandlers::Draw));

  s.skin.Manager.SetSkinnedPopups(false);  // no skinned popups: nothing is taken over
  painter.HookPopupMenu(&menu, false);
  painter.HookPopupMenu(&menu, true);
  EXPECT_FALSE(plain->OnAdvancedDrawItem());
}

TEST(SkinnedMenus, ItemsAreDrawnOneByOneOverABackgroundBuiltOnce) {
  MenuSkin s;
  TsSkinableMenus painter(&s.skin.Manager);
  TPopupMenu menu(nullptr);
  TMenuItem* open = AddItem(&menu, u"Open\tCtrl+O");
  TMenuItem* line = AddItem(&menu, u"-");
  TMenuItem* save = AddItem(&menu, u"Save");
  TMenuItem* gone = AddItem(&menu, u"Gone");
  gone->SetEnabled(false);
  painter.HookPopupMenu(&menu, true);

  TBitmap target(300, 200, pf32bit);
  TCanvas* canvas = target.Canvas();
  // Laid out as the system lays out a popup: one column as wide as the widest item.
  std::vector<TRect> rects;
  Integer top = 0, widest = 0;
  for (TMenuItem* item : {open, line, save, gone}) {
    Integer w = 0, h = 0;
    item->OnMeasureItem()(item, canvas, w, h);
    ASSERT_GT(w, 0);
    widest = std::max(widest, w);
    rects.emplace_back(0, top, 0, top + h);
    top += h;
  }
  for (TRect& r : rects) r.Right = widest;
  EXPECT_EQ(rects[1].Height(), 2);  // the divider
  EXPECT_GT(rects[0].Height(), rects[1].Height());

  int drawn = 0;
  struct Counter : TObject {
    int* n;
    void Drawn(TMenuItem*, TCanvas*, TsMenuItemType, TOwnerDrawState, TRect) { ++*n; }
  } counter;
  counter.n = &drawn;
  painter.OnDrawItem = TsMenuDrawItemEvent(&counter, &Counter::Drawn);

  std::vector<TBitmap*> backgrounds;
  for (size_t i = 0; i < 4; ++i) {
    TMenuItem* item = menu.Items()->Items(Integer(i));
    TOwnerDrawState state;
    if (item == save) state.Include(odSelected);
    item->OnAdvancedDrawItem()(item, canvas, rects[i], state);
    ASSERT_EQ(painter.CachedPopups(), 1u);
    backgrounds.push_back(painter.GetMenuInfo(item, nullptr, nullptr)->Bmp.get());
  }
  EXPECT_EQ(drawn, 3);                                          // the normal items (dividers have no event)
  for (TBitmap* b : backgrounds) EXPECT_EQ(b, backgrounds[0]);  // built once, at the first item
  TBitmap* bg = backgrounds[0];
  EXPECT_GT(bg->Width(), 0);
  EXPECT_GT(bg->Height(), top);  // the items plus the frame

  // The selected item shows the section's hot look where no text is; the others the
  // popup's background.
  const Integer x = rects[2].Right - 3;
  EXPECT_EQ(target.PixelColor(x, rects[2].Top + 1), MenuSkin::kHot);
  EXPECT_EQ(target.PixelColor(x, rects[0].Top + 1), MenuSkin::kBack);
  // The divider draws a line on its top row over the background.
  EXPECT_NE(target.PixelColor(rects[1].Left + 100, rects[1].Top), MenuSkin::kBack);
  // "Ctrl+O" is written right-aligned: text pixels right of the caption's area.
  bool inkRight = false;
  for (Integer px = rects[0].Right - 60; px < rects[0].Right - 4 && !inkRight; ++px)
    for (Integer py = rects[0].Top; py < rects[0].Bottom; ++py)
      if (target.PixelColor(px, py) != MenuSkin::kBack) inkRight = true;
  EXPECT_TRUE(inkRight);

  painter.DeleteUnusedBmps();
  EXPECT_EQ(painter.CachedPopups(), 0u);
}

TEST(SkinnedMenus, WithoutAMainMenuSectionTheBackgroundIsBlank) {
  SkinFixture skin;
  skin.AddSection(PlainSection(u"BUTTON", 0, 0xFF));  // an active skin, but without "MAINMENU"
  ASSERT_TRUE(skin.Manager.IsActive());
  TsSkinableMenus painter(&skin.Manager);
  TPopupMenu menu(nullptr);
  TMenuItem* item = AddItem(&menu, u"One");
  painter.HookPopupMenu(&menu, true);
  TBitmap target(100, 40, pf32bit);
  for (Integer y = 0; y < 40; ++y)
    for (Integer x = 0; x < 100; ++x) static_cast<uint32_t*>(target.ScanLine(y))[x] = 0xFF123456;
  item->OnAdvancedDrawItem()(item, target.Canvas(), TRect(0, 0, 100, 20), TOwnerDrawState{});
  ASSERT_EQ(painter.CachedPopups(), 1u);
  TBitmap* bg = painter.GetMenuInfo(item, nullptr, nullptr)->Bmp.get();
  ASSERT_NE(bg, nullptr);
  EXPECT_EQ(bg->PixelColor(0, 0) & 0xFFFFFF, 0u);
  EXPECT_EQ(bg->PixelColor(bg->Width() - 1, bg->Height() - 1) & 0xFFFFFF, 0u);  // no frame either
  EXPECT_EQ(target.PixelColor(99, 0), 0u);  // the item took its slice of the blank picture
}

TEST(SkinnedMenus, PostedCommandNumbersNameOnlyLiveItems) {
  auto* menu = new TPopupMenu(nullptr);
  TMenuItem* item = AddItem(menu, u"One");
  const Word command = item->Command();
  EXPECT_EQ(MenuItemOfCommand(command), item);
  delete menu;
  EXPECT_EQ(MenuItemOfCommand(command), nullptr);  // the item is gone: nothing to dereference
  EXPECT_EQ(MenuItemOfCommand(0), nullptr);
  EXPECT_EQ(MenuItemOfCommand(0x12345678), nullptr);
}

namespace {
// Whether the glyph column of an item drawn at (0, 0) holds anything but the background.
bool GlyphColumnInked(TBitmap& target, const TRect& r) {
  for (Integer y = r.Top; y < r.Bottom; ++y)
    for (Integer x = r.Left; x < r.Left + 24; ++x)
      if (target.PixelColor(x, y) != MenuSkin::kBack) return true;
  return false;
}
std::vector<TColor> GlyphColumn(TBitmap& target, const TRect& r) {
  std::vector<TColor> px;
  for (Integer y = r.Top; y < r.Bottom; ++y)
    for (Integer x = r.Left; x < r.Left + 24; ++x) px.push_back(target.PixelColor(x, y));
  return px;
}
}  // namespace

TEST(SkinnedMenus, CheckMarksAndSystemMenuCommandsWithoutGlyphsGetServiceGlyphs) {
  kvPNGStartup();
  MenuSkin s;
  TsSkinableMenus painter(&s.skin.Manager);
  TPopupMenu menu(nullptr);
  menu.SetName(u"kvSysMenuTest");
  TMenuItem* plain = AddItem(&menu, u"Plain");
  TMenuItem* check = AddItem(&menu, u"Check");
  TMenuItem* radio = AddItem(&menu, u"Radio");
  TMenuItem* close = AddItem(&menu, u"Close");
  radio->SetRadioItem(true);
  close->SetTag(SC_CLOSE);
  painter.HookPopupMenu(&menu, true);
  TBitmap target(200, 200, pf32bit);
  std::vector<TRect> rects;
  Integer top = 0;
  for (TMenuItem* item : {plain, check, radio, close}) {
    Integer w = 0, h = 0;
    item->OnMeasureItem()(item, target.Canvas(), w, h);
    rects.emplace_back(0, top, 150, top + h);
    top += h;
  }
  auto draw = [&](TMenuItem* item, size_t i, TOwnerDrawState state) {
    item->OnAdvancedDrawItem()(item, target.Canvas(), rects[i], state);
  };
  draw(plain, 0, {});
  draw(check, 1, {odChecked});
  draw(radio, 2, {odChecked});
  draw(close, 3, {});
  EXPECT_FALSE(GlyphColumnInked(target, rects[0]));
  EXPECT_TRUE(GlyphColumnInked(target, rects[1]));  // service glyph 6: the skin has no "CHECK"
  EXPECT_TRUE(GlyphColumnInked(target, rects[2]));  // service glyph 5
  EXPECT_TRUE(GlyphColumnInked(target, rects[3]));  // service glyph 24 for SC_CLOSE
  // The radio mark is not the check mark.
  auto a = GlyphColumn(target, rects[1]), b = GlyphColumn(target, rects[2]);
  a.resize(std::min(a.size(), b.size()));
  b.resize(a.size());
  EXPECT_NE(a, b);

  menu.SetName(u"Other");  // only the skinned system menu's commands get them
  painter.DeleteUnusedBmps();
  draw(close, 3, {});
  EXPECT_FALSE(GlyphColumnInked(target, rects[3]));
  sGlyphUtilsCleanup();
  kvPNGCleanup();
}

// A checked radio item shows the skin's "RADIOCHECKED" mark of the global section in the old
// glyph mode, and the built-in radio glyph otherwise.
TEST(SkinnedMenus, CheckedRadioItemsTakeTheSkinsRadioMarkInTheOldGlyphMode) {
  kvPNGStartup();
  MenuSkin s;
  constexpr TColor kMark = 0x0000C000;
  const Integer global = s.skin.AddSection(PlainSection(u"GLOBALINFO", 0, 0x808080));
  s.skin.Manager.SkinCommonInfo.IndexGlobalInfo = global;
  const Integer mark = s.skin.AddImage(TRect(0, 0, 24, 8), 2, 0);
  s.skin.Image(mark).SkinIndex = global;
  for (Integer state = 0; state < 2; ++state) s.skin.Fill(mark, state, 0xFF00C000);
  s.skin.Image(mark).ClassName = u"GLOBALINFO";
  s.skin.Image(mark).PropertyName = u"RADIOCHECKED";
  s.skin.Data->Reindex();
  const bool savedMode = s.skin.Manager.ButtonsOptions.OldGlyphsMode();
  TsSkinableMenus painter(&s.skin.Manager);
  TPopupMenu menu(nullptr);
  TMenuItem* radio = AddItem(&menu, u"Radio");
  radio->SetRadioItem(true);
  painter.HookPopupMenu(&menu, true);
  for (bool oldGlyphs : {true, false}) {
    SCOPED_TRACE(oldGlyphs);
    kv_OldGlyphsMode = oldGlyphs;
    TBitmap target(200, 60, pf32bit);
    Integer w = 0, h = 0;
    radio->OnMeasureItem()(radio, target.Canvas(), w, h);
    const TRect r(0, 0, 150, h);
    radio->OnAdvancedDrawItem()(radio, target.Canvas(), r, TOwnerDrawState{odChecked});
    const auto column = GlyphColumn(target, r);
    const auto marked = std::count(column.begin(), column.end(), kMark);
    if (oldGlyphs) {
      EXPECT_EQ(marked, 12 * 8);  // the whole mark
    } else {
      EXPECT_EQ(marked, 0);
      EXPECT_TRUE(GlyphColumnInked(target, r));  // the built-in glyph
    }
    painter.DeleteUnusedBmps();
  }
  kv_OldGlyphsMode = savedMode;
  sGlyphUtilsCleanup();
  kvPNGCleanup();
}

TEST(SkinnedMenus, TheExtraLineWidensTheFirstColumnAndPaintsItsBandBesideTheItems) {
  MenuSkin s;
  constexpr TColor kBand = 0x0000C000;
  s.skin.AddSection(PlainSection(u"EXTRALINE", 0, kBand));
  s.skin.Data->IndexSections();
  TsSkinableMenus painter(&s.skin.Manager);
  TPopupMenu menu(nullptr);
  TMenuItem* first = AddItem(&menu, u"First");
  TMenuItem* second = AddItem(&menu, u"Second");
  painter.HookPopupMenu(&menu, true);
  TBitmap target(300, 100, pf32bit);
  Integer plainWidth = 0, h = 0;
  first->OnMeasureItem()(first, target.Canvas(), plainWidth, h);

  s.skin.Manager.MenuSupport()->SetUseExtraLine(true);
  painter.DeleteUnusedBmps();
  Integer w = 0, h2 = 0;
  first->OnMeasureItem()(first, target.Canvas(), w, h2);
  EXPECT_EQ(w, plainWidth + 32);
  second->OnMeasureItem()(second, target.Canvas(), w, h2);
  const TRect r1(0, 0, plainWidth + 32, h), r2(0, h, plainWidth + 32, 2 * h);
  first->OnAdvancedDrawItem()(first, target.Canvas(), r1, TOwnerDrawState{});
  second->OnAdvancedDrawItem()(second, target.Canvas(), r2, TOwnerDrawState{odSelected});
  EXPECT_EQ(target.PixelColor(2, r1.Top + 2), kBand);
  EXPECT_EQ(target.PixelColor(2, r2.Top + 2), kBand);  // the selection leaves the band
  EXPECT_EQ(target.PixelColor(r2.Right - 3, r2.Top + 1), MenuSkin::kHot);

  // The skin-selection menu never shows it.
  first->SetName(u"SkinSelectItem");
  painter.DeleteUnusedBmps();
  first->OnMeasureItem()(first, target.Canvas(), w, h2);
  second->OnMeasureItem()(second, target.Canvas(), w, h2);
  first->OnAdvancedDrawItem()(first, target.Canvas(), r1, TOwnerDrawState{});
  EXPECT_EQ(target.PixelColor(2, r1.Top + 2), MenuSkin::kBack);
  s.skin.Manager.MenuSupport()->SetUseExtraLine(false);
}
