// The title bar's arithmetic: item sizes, the placement of the alignment groups, the steps of
// an item's fade, the menu-button picture's alpha and the key-colour copy.
#include "forms/kvTitleBar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TkvItemMeasure Item(TkvBtnStyle style) {
  TkvItemMeasure m;
  m.Style = style;
  return m;
}

}  // namespace

TEST(TitleItemMeasure, SizesByCase) {
  struct Case {
    const char* name;
    TkvItemMeasure m;
    Integer width, height;
  };
  TkvItemMeasure empty = Item(bsButton);
  TkvItemMeasure menu = Item(bsMenu);
  TkvItemMeasure caption = Item(bsButton);
  caption.HasCaption = true;
  caption.Text = TSize(40, 13);
  TkvItemMeasure menuCaption = caption;
  menuCaption.Style = bsMenu;
  TkvItemMeasure imageCaption = caption;
  imageCaption.HasListImage = true;
  imageCaption.ListImage = TSize(16, 16);
  TkvItemMeasure tabImageCaption = imageCaption;
  tabImageCaption.Style = bsTab;
  TkvItemMeasure glyphStrip = Item(bsButton);
  glyphStrip.Glyph = TSize(60, 20);
  glyphStrip.NumGlyphs = 3;
  TkvItemMeasure scaled = imageCaption;
  scaled.PPI = 144;
  scaled.ListImage = TSize(24, 24);
  TkvItemMeasure dropdown = caption;
  dropdown.HasDropdown = true;
  dropdown.ArrowSize = 5;
  TkvItemMeasure stretch = Item(bsButton);
  stretch.StretchImage = true;
  stretch.AutoSize = false;
  stretch.Width = 30;
  stretch.Height = 20;
  stretch.PPI = 120;
  const Case cases[] = {
      {"empty button", empty, 16, 16},
      // (4 + 3) * 2 = 14 wide plus no content: at least 16; its content is one pixel taller.
      {"empty menu", menu, 16, 16},
      {"caption only", caption, 40 + 2 + 6, 19},
      {"menu caption", menuCaption, 40 + 2 + 14, 20},
      {"image and caption", imageCaption, 16 + 4 + 40 + 2 + 6, 22},
      {"tab: twice the spacing", tabImageCaption, 16 + 8 + 40 + 2 + 6, 23},
      {"glyph strip of three", glyphStrip, 20 + 6, 26},
      {"at 144 PPI", scaled, 24 + 6 + 40 + 2 + 9, 33},
      {"drop-down arrow", dropdown, 40 + 2 + 4 + 5 + 4 + 6, 19},
      {"stretched image at 120 PPI", stretch, 37 + 7, 25 + 7},
  };
  for (const Case& c : cases) {
    const TkvItemSize s = MeasureTitleItem(c.m, false);
    EXPECT_TRUE(s.Resized) << c.name;
    EXPECT_EQ(s.Width, c.width) << c.name;
    EXPECT_EQ(s.Height, c.height) << c.name;
  }
}

TEST(TitleItemMeasure, SpacersAndContentOnlyKeepTheStoredSize) {
  TkvItemMeasure spacer = Item(bsSpacing);
  spacer.HasCaption = true;
  spacer.Text = TSize(30, 10);
  const TkvItemSize s = MeasureTitleItem(spacer, false);
  EXPECT_FALSE(s.Resized);
  EXPECT_EQ(s.Content.cx, 32);
  TkvItemMeasure button = Item(bsButton);
  button.NumGlyphs = 0;  // no division by zero
  button.Glyph = TSize(10, 10);
  EXPECT_FALSE(MeasureTitleItem(button, true).Resized);
  EXPECT_EQ(MeasureTitleItem(button, true).Content.cx, 10);
}

TEST(TitleItemGlyph, StateImageOfAStrip) {
  EXPECT_EQ(GlyphStateRect(TSize(60, 20), 3, 0, false), TRect(0, 0, 20, 20));
  EXPECT_EQ(GlyphStateRect(TSize(60, 20), 3, 1, false), TRect(20, 0, 40, 20));
  EXPECT_EQ(GlyphStateRect(TSize(60, 20), 3, 2, false), TRect(40, 0, 60, 20));
  EXPECT_EQ(GlyphStateRect(TSize(60, 20), 3, 0, true), TRect(0, 0, 20, 20));  // no disabled image
  EXPECT_EQ(GlyphStateRect(TSize(80, 20), 4, 0, true), TRect(60, 0, 80, 20));
  EXPECT_EQ(GlyphStateRect(TSize(30, 20), 1, 2, false), TRect(0, 0, 30, 20));  // one image: whole
}

namespace {

TkvItemBox Box(TkvItemAlign align, Integer w, Integer h = 16, TkvBtnStyle style = bsButton, bool visible = true) {
  TkvItemBox b;
  b.Align = align;
  b.Width = w;
  b.Height = h;
  b.Style = style;
  b.Visible = visible;
  return b;
}

TkvBarLayout Bar() {
  TkvBarLayout bar;
  bar.BarRect = TRect(30, 0, 230, 30);
  bar.FullRight = 250;
  bar.BarVCenter = 15;
  bar.SkinSpacing = 2;
  bar.RightSpacing = 5;
  return bar;
}

std::vector<TRect> Rects(const std::vector<TkvItemBox>& items) {
  std::vector<TRect> r;
  for (const TkvItemBox& it : items) r.push_back(it.Rect);
  return r;
}

}  // namespace

TEST(TitleBarPlacement, GroupsRunLeftToRightFromTheirStart) {
  TkvBarLayout bar = Bar();
  std::vector<TkvItemBox> items = {Box(tbaLeft, 20),
                                   Box(tbaRight, 30),
                                   Box(tbaLeft, 10),
                                   Box(tbaCenter, 40),
                                   Box(tbaRight, 16, 16, bsButton, false),
                                   Box(tbaCenterInSpace, 24),
                                   Box(tbaRight, 12)};
  PlaceTitleItems(bar, items);
  EXPECT_EQ(bar.LeftWidth, 2 + 20 + 10);
  EXPECT_EQ(bar.RightWidth, 5 + 30 + 12);  // the hidden item takes no room
  EXPECT_EQ(bar.CenterWidth, 40);
  EXPECT_EQ(bar.CenterWidthS, 24);
  const Integer cs = 30 + 32 + (200 - 47 - 32 - 24) / 2;
  const std::vector<TRect> want = {
      TRect(30, 7, 50, 23),      TRect(183, 7, 213, 23), TRect(50, 7, 60, 23), TRect(120, 7, 160, 23), TRect(),
      TRect(cs, 7, cs + 24, 23), TRect(213, 7, 225, 23)};
  EXPECT_EQ(Rects(items), want);
}

TEST(TitleBarPlacement, MenusHangFromTheTopTabsStandOnTheBottom) {
  TkvBarLayout bar = Bar();
  std::vector<TkvItemBox> items = {Box(tbaLeft, 20, 24, bsMenu), Box(tbaLeft, 20, 22, bsTab),
                                   Box(tbaLeft, 20, 10, bsInfo), Box(tbaLeft, 20, 11, bsSpacing)};
  PlaceTitleItems(bar, items);
  EXPECT_EQ(items[0].Rect, TRect(30, 0, 50, 24));
  EXPECT_EQ(items[1].Rect, TRect(50, 8, 70, 30));
  EXPECT_EQ(items[2].Rect, TRect(70, 10, 90, 20));
  EXPECT_EQ(items[3].Rect, TRect(90, 10, 110, 21));
}

TEST(TitleBarPlacement, StoredSizesOfFixedItemsAreScaled) {
  TkvBarLayout bar = Bar();
  bar.PPI = 144;
  TkvItemBox fixed = Box(tbaLeft, 20, 16);
  fixed.AutoSize = false;
  std::vector<TkvItemBox> items = {fixed, Box(tbaLeft, 20, 16)};
  PlaceTitleItems(bar, items);
  EXPECT_EQ(items[0].Rect, TRect(30, 3, 60, 27));
  EXPECT_EQ(items[1].Rect, TRect(60, 7, 80, 23));  // measured in device pixels already
  EXPECT_EQ(bar.LeftWidth, 2 + 30 + 20);
}

TEST(TitleBarPlacement, RightToLeftSwapsTheSidesAndTheOrder) {
  TkvBarLayout bar = Bar();
  bar.RightToLeft = true;
  std::vector<TkvItemBox> items = {Box(tbaLeft, 20), Box(tbaLeft, 10), Box(tbaRight, 30)};
  PlaceTitleItems(bar, items);
  EXPECT_EQ(bar.RightWidth, 5 + 20 + 10);
  EXPECT_EQ(bar.LeftWidth, 2 + 30);
  // The left items now run from the right group's start, last item first.
  EXPECT_EQ(items[1].Rect.Left, 230 - 35);
  EXPECT_EQ(items[0].Rect.Left, 230 - 35 + 10);
  EXPECT_EQ(items[2].Rect.Left, 30);
}

namespace {

// Records what the fade asks of its window.
struct Surface : TkvFadeSurface {
  void ShowAt(Byte blend) override { log += "show" + std::to_string(blend) + " "; }
  void DropImage() override { log += "dropImage "; }
  void DropWindow() override { log += "dropWindow "; }
  void KeepWindowAsOld() override { log += "keepOld "; }
  void DropOldWindow() override { log += "dropOld "; }
  bool CursorOutsideItem() override { return outside; }
  void MouseLeft() override { log += "left "; }
  std::string Take() { return std::exchange(log, std::string()); }
  std::string log;
  bool outside = false;
};

}  // namespace

TEST(TitleItemFade, TenStepsInAndOut) {
  Surface s;
  TkvItemFade f(s);
  f.MaxIterations = 10;
  f.Start(1, true);  // a new animation turning hot
  EXPECT_EQ(s.Take(), "show25 ");
  EXPECT_TRUE(f.Running);
  for (Integer i = 0; i < 8; ++i) f.Tick();
  EXPECT_EQ(s.Take(), "show50 show75 show100 show125 show150 show175 show200 show225 ");
  f.Tick();  // the ninth tick: full look, the cursor still over the item
  EXPECT_EQ(s.Take(), "show255 dropOld ");
  EXPECT_EQ(f.MaxIterations, -1);
  f.Tick();  // shown: only watches the cursor
  EXPECT_EQ(s.Take(), "dropOld ");
  EXPECT_TRUE(f.Running);

  f.Restart(0, 10, false);  // back to normal
  EXPECT_EQ(s.Take(), "show255 ");
  for (Integer i = 0; i < 9; ++i) f.Tick();
  EXPECT_EQ(s.Take(), "show225 show200 show175 show150 show125 show100 show75 show50 show25 dropImage dropWindow ");
  EXPECT_EQ(f.CurrentState, -1);
  EXPECT_FALSE(f.Running);
}

TEST(TitleItemFade, WithoutAnimationTheLookIsFullAtOnceAndGoesOnTheNextTick) {
  Surface s;
  TkvItemFade f(s);
  f.MaxIterations = 1;
  f.Start(1, true);
  EXPECT_EQ(s.Take(), "show255 ");
  f.Tick();
  EXPECT_EQ(s.Take(), "show255 dropOld ");
  f.Restart(0, 1, false);
  EXPECT_EQ(s.Take(), "show255 ");
  f.Tick();
  EXPECT_EQ(s.Take(), "show255 dropImage dropWindow ");
  EXPECT_FALSE(f.Running);
}

TEST(TitleItemFade, PressingReplacesTheHotLookWithoutFading) {
  Surface s;
  TkvItemFade f(s);
  f.MaxIterations = 10;
  f.Start(1, true);
  s.Take();
  f.Restart(2, 10, true);
  // The hot window is kept until the pressed look is shown at full strength on the next tick.
  EXPECT_EQ(s.Take(), "dropOld keepOld dropImage ");
  EXPECT_EQ(f.CurrentLevel, 10);
  f.Tick();
  EXPECT_EQ(s.Take(), "show255 dropOld ");
  f.Restart(1, 10, true);  // released over the item: hot again at once
  EXPECT_EQ(s.Take(), "dropOld keepOld dropImage ");
  f.Tick();
  EXPECT_EQ(s.Take(), "show255 dropOld ");
}

TEST(TitleItemFade, LeavingTheShownItemStopsTheTimerAndTellsTheForm) {
  Surface s;
  TkvItemFade f(s);
  f.MaxIterations = 2;
  f.Start(1, true);
  f.Tick();
  s.Take();
  s.outside = true;
  f.Tick();
  EXPECT_EQ(s.Take(), "dropOld left ");
  EXPECT_FALSE(f.Running);
}

TEST(TitleBarPixels, MenuButtonAlphaIsInvertedAndPremultiplied) {
  uint32_t px[4] = {0x00FF00FFu, 0x00804020u, 0xFF804020u, 0x80FF0000u};
  const TPixelView v{reinterpret_cast<Byte*>(px), 16, 4, 1};
  UpdateAlphaTitle(v);
  EXPECT_EQ(px[0], 0x00FF00FFu);  // the key colour stays
  EXPECT_EQ(px[1], 0xFF7F3F1Fu);  // stored alpha 0: opaque
  EXPECT_EQ(px[2], 0x00000000u);  // stored alpha 255: clear
  EXPECT_EQ(px[3], 0x7F7E0000u);
}

TEST(TitleBarPixels, KeyColourCopyIsInclusiveAndClipped) {
  uint32_t src[3 * 3] = {1, 2, 3, 4, 0x00FF00FFu, 6, 7, 8, 9};
  uint32_t dst[4 * 4] = {};
  const TPixelView s{reinterpret_cast<Byte*>(src), 12, 3, 3};
  const TPixelView d{reinterpret_cast<Byte*>(dst), 16, 4, 4};
  CopyTransRect(d, s, 2, TRect(0, 0, 5, 1), 3);  // right and bottom beyond the source
  // Rows 0 and 1 of the source; row 1 lands below the destination and is skipped; columns
  // beyond the destination are not written.
  const uint32_t want[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2};
  for (Integer i = 0; i < 16; ++i) EXPECT_EQ(dst[i], want[i]) << i;
  uint32_t dst2[4 * 4] = {};
  const TPixelView d2{reinterpret_cast<Byte*>(dst2), 16, 4, 4};
  CopyTransRect(d2, s, 0, TRect(0, 0, 2, 2), 0);
  EXPECT_EQ(dst2[4 + 0], 4u);
  EXPECT_EQ(dst2[4 + 1], 0u);  // the key colour is skipped
  EXPECT_EQ(dst2[8 + 2], 9u);
}
