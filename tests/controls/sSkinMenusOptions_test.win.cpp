// The menu options and the owner's menu events: the shared menu font, a popup item's own font
// and colour, and the extra line's section, caption and glyph asked per popup.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "controls/sSkinMenus.h"
#include "support/PopupMenuSkin.h"
#include "support/SkinFixture.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"

namespace {

constexpr TColor kBand = 0x0000C000, kOwnBand = 0x00C00000;
constexpr TColor kRed = 0x000000FF;

// The popup skin with two extra-line sections: the default one and one an owner names.
struct ExtraLineSkin : MenuSkin {
  ExtraLineSkin() {
    skin.AddSection(PlainSection(u"EXTRALINE", 0, kBand));
    skin.AddSection(PlainSection(u"OWNLINE", 0, kOwnBand));
    skin.Data->IndexSections();
  }
};

Integer CountColour(TBitmap& bmp, const TRect& r, TColor colour) {
  Integer n = 0;
  for (Integer y = r.Top; y < r.Bottom; ++y)
    for (Integer x = r.Left; x < r.Right; ++x) n += bmp.PixelColor(x, y) == colour;
  return n;
}

// Red, give or take the one step the blend of an opaque picture may lose.
bool NearlyRed(TColor c) { return (c & 0xFF) >= 0xFE && (c & 0xFFFF00) == 0; }

}  // namespace

TEST(MenuOptions, TheOptionsFontBecomesTheSharedMenuFontOfEveryItem) {
  auto app = std::make_unique<TApplication>();  // the screen and its menu font
  ASSERT_NE(Screen, nullptr);
  ExtraLineSkin s;
  DuRiruZireziv* const savedDefault = DefaultManager;
  DefaultManager = &s.skin.Manager;
  TScopeExit restore([&] { DefaultManager = savedDefault; });
  TkvMenuSupport* options = s.skin.Manager.MenuSupport();
  TsSkinableMenus painter(&s.skin.Manager);
  TPopupMenu menu(nullptr);
  TMenuItem* item = AddItem(&menu, u"Open");
  painter.HookPopupMenu(&menu, true);
  TBitmap target(300, 100, pf32bit);
  Integer w = 0, screenHeight = 0;
  item->OnMeasureItem()(item, target.Canvas(), w, screenHeight);
  ASSERT_EQ(options->CustomMenuFont(), nullptr);
  EXPECT_EQ(target.Canvas()->Font()->Name(), Screen->MenuFont()->Name());

  TFont big;
  big.SetName(u"Courier New");
  big.SetHeight(-40);
  options->SetFont(&big);
  ASSERT_NE(options->CustomMenuFont(), nullptr);
  EXPECT_EQ(options->Font()->Name(), u"Courier New");
  Integer bigHeight = 0;
  item->OnMeasureItem()(item, target.Canvas(), w, bigHeight);
  EXPECT_EQ(target.Canvas()->Font()->Name(), u"Courier New");
  EXPECT_GT(bigHeight, screenHeight);  // the item is as tall as the shared font's text

  // Off, and neither the skin nor the manager names a main font: no shared font.
  options->SetCustomFont(false);
  EXPECT_EQ(options->CustomMenuFont(), nullptr);
  Integer again = 0;
  item->OnMeasureItem()(item, target.Canvas(), w, again);
  EXPECT_EQ(again, screenHeight);

  // The manager's own main font names the shared font, even with the option off.
  s.skin.Manager.Fonts.MainMode = fmCustom;
  s.skin.Manager.Fonts.MainFont = u"Arial";
  options->SetCustomFont(false);
  ASSERT_NE(options->CustomMenuFont(), nullptr);
  EXPECT_EQ(options->CustomMenuFont()->Name(), u"Arial");
  EXPECT_EQ(options->CustomMenuFont()->Height(), -40);  // the rest is the options' font
  // The skin's main font, when the fonts come from the skin.
  s.skin.Manager.Fonts.MainMode = fmFromSkin;
  s.skin.Manager.SkinCommonInfo.MainFont = u"Tahoma";
  options->SetCustomFont(true);
  EXPECT_TRUE(options->CustomFont());
  EXPECT_EQ(options->CustomMenuFont()->Name(), u"Tahoma");
}

TEST(MenuOptions, TheOwnersItemDataGivesAnItemItsOwnColour) {
  ExtraLineSkin s;
  TsSkinableMenus painter(&s.skin.Manager);
  TPopupMenu menu(nullptr);
  TMenuItem* red = AddItem(&menu, u"WWWW Red");
  TMenuItem* plain = AddItem(&menu, u"WWWW Plain");
  struct Owner : TObject {
    TMenuItem* red = nullptr;
    std::vector<std::pair<TMenuItem*, TOwnerDrawState>> asked;
    void ItemData(TMenuItem* item, TOwnerDrawState state, TFont* font) {
      asked.emplace_back(item, state);
      if (item == red) font->SetColor(kRed);
    }
  } owner;
  owner.red = red;
  s.skin.Manager.OnGetPopupItemData = TkvGetPopupItemDataEvent(&owner, &Owner::ItemData);
  painter.HookPopupMenu(&menu, true);
  TBitmap target(300, 100, pf32bit);
  std::vector<TRect> rects;
  Integer top = 0;
  for (TMenuItem* item : {red, plain}) {
    Integer w = 0, h = 0;
    item->OnMeasureItem()(item, target.Canvas(), w, h);
    rects.emplace_back(0, top, 200, top + h);
    top += h;
  }
  ASSERT_EQ(owner.asked.size(), 2u);  // once per measure, with no state
  EXPECT_EQ(owner.asked[0].first, red);
  EXPECT_TRUE(owner.asked[0].second.Empty());
  red->OnAdvancedDrawItem()(red, target.Canvas(), rects[0], TOwnerDrawState{odSelected});
  plain->OnAdvancedDrawItem()(plain, target.Canvas(), rects[1], TOwnerDrawState{});
  // Drawing passes the item's state (the background's build measures the siblings again).
  Integer selectedAsks = 0;
  for (const auto& [item, state] : owner.asked) selectedAsks += item == red && state.Contains(odSelected);
  EXPECT_EQ(selectedAsks, 1);
  EXPECT_GT(CountColour(target, rects[0], kRed), 0);  // the owner's colour, not the skin's
  EXPECT_EQ(CountColour(target, rects[1], kRed), 0);
  s.skin.Manager.OnGetPopupItemData = {};
}

TEST(MenuOptions, TheOwnersLineDataNamesTheBandsSectionCaptionAndGlyph) {
  ExtraLineSkin s;
  s.skin.Manager.MenuSupport()->SetUseExtraLine(true);
  TsSkinableMenus painter(&s.skin.Manager);
  TPopupMenu menu(nullptr);
  TMenuItem* first = AddItem(&menu, u"First");
  TMenuItem* second = AddItem(&menu, u"Second");
  TMenuItem* third = AddItem(&menu, u"Third");
  struct Owner : TObject {
    bool visible = true;
    String offeredSection, offeredCaption;
    TMenuItem* askedFor = nullptr;
    int calls = 0;
    void LineData(TMenuItem* firstItem, String& section, String& caption, std::unique_ptr<TBitmap>& glyph,
                  bool& lineVisible) {
      ++calls;
      askedFor = firstItem;
      offeredSection = section;
      offeredCaption = caption;
      section = u"OWNLINE";
      caption = u"&Tarn&wick";
      glyph = std::make_unique<TBitmap>(16, 16, pf32bit);
      for (Integer y = 0; y < 16; ++y)
        for (Integer x = 0; x < 16; ++x) static_cast<uint32_t*>(glyph->ScanLine(y))[x] = 0xFFFF0000;  // red
      lineVisible = visible;
    }
  } owner;
  s.skin.Manager.OnGetPopupLineData = TkvGetPopupLineDataEvent(&owner, &Owner::LineData);
  painter.HookPopupMenu(&menu, true);
  TBitmap target(300, 200, pf32bit);
  Integer plainWidth = 0, h = 0;
  {
    // Measured without the line first, to know the items' own width.
    owner.visible = false;
    first->OnMeasureItem()(first, target.Canvas(), plainWidth, h);
    EXPECT_EQ(owner.calls, 1);
    painter.DeleteUnusedBmps();
    owner.visible = true;
  }
  Integer w = 0, h2 = 0;
  first->OnMeasureItem()(first, target.Canvas(), w, h2);
  EXPECT_EQ(w, plainWidth + 32);
  EXPECT_EQ(owner.askedFor, first);
  EXPECT_EQ(owner.offeredSection, u"EXTRALINE");
  EXPECT_EQ(owner.offeredCaption, u"Use OnGetExtraLineData event");
  EXPECT_EQ(painter.ExtraCaption, u"Tarnwick");  // no accelerator marks
  const Integer callsAfterMeasure = owner.calls;
  second->OnMeasureItem()(second, target.Canvas(), w, h2);
  third->OnMeasureItem()(third, target.Canvas(), w, h2);
  EXPECT_EQ(owner.calls, callsAfterMeasure);  // asked once per popup while measuring

  first->OnAdvancedDrawItem()(first, target.Canvas(), TRect(0, 0, w, h), TOwnerDrawState{});
  EXPECT_EQ(painter.ExtraGlyph, nullptr);  // let go once drawn into the background
  TBitmap* bg = painter.GetMenuInfo(first, nullptr, nullptr)->Bmp.get();
  ASSERT_NE(bg, nullptr);
  const Integer H = bg->Height();
  EXPECT_EQ(bg->PixelColor(2, 2) & 0xFFFFFF, kOwnBand);  // the owner's section, not "EXTRALINE"
  // The glyph sits centred in the band with its foot at the skin's spacing above the bottom.
  const Integer spacing = s.skin.Data->Spacing;
  EXPECT_TRUE(NearlyRed(bg->PixelColor(8 + 8, H - spacing - 8))) << std::hex << bg->PixelColor(8 + 8, H - spacing - 8);
  EXPECT_EQ(bg->PixelColor(8 + 8, H - spacing + 1) & 0xFFFFFF, kOwnBand);
  EXPECT_EQ(bg->PixelColor(7, H - spacing - 8) & 0xFFFFFF, kOwnBand);
  // The caption reads upwards from above the glyph: ink in the band there, none near the top.
  const Integer captionFoot = H - (16 + 20);
  Integer ink = 0;
  for (Integer y = 0; y < captionFoot; ++y)
    for (Integer x = 0; x < 32; ++x) ink += (bg->PixelColor(x, y) & 0xFFFFFF) != kOwnBand;
  EXPECT_GT(ink, 0);
  // The band stays opaque under the text.
  EXPECT_EQ(static_cast<const uint32_t*>(bg->ScanLine(captionFoot - 2))[16] >> 24, 0xFFu);

  // A line the owner hides makes no room.
  painter.DeleteUnusedBmps();
  owner.visible = false;
  first->OnMeasureItem()(first, target.Canvas(), w, h2);
  EXPECT_EQ(w, plainWidth);

  // Without a handler every popup shows the plain band, without a caption.
  s.skin.Manager.OnGetPopupLineData = {};
  painter.DeleteUnusedBmps();
  first->OnMeasureItem()(first, target.Canvas(), w, h2);
  EXPECT_EQ(w, plainWidth + 32);
  EXPECT_TRUE(painter.ExtraCaption.empty());
  first->OnAdvancedDrawItem()(first, target.Canvas(), TRect(0, 0, w, h), TOwnerDrawState{});
  bg = painter.GetMenuInfo(first, nullptr, nullptr)->Bmp.get();
  EXPECT_EQ(bg->PixelColor(2, 2) & 0xFFFFFF, kBand);
  s.skin.Manager.MenuSupport()->SetUseExtraLine(false);
}
