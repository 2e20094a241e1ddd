// The palette of a skin and its order of evaluation, recolouring by hue, saturation and
// brightness (each thing tinted once, however many PPI slots are loaded), and the window
// shadows of a skin data object.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "raster/ColorTransforms.h"
#include "skin/sSkinManagerLoader.h"
#include "support/SkinFiles.h"
#include "support/SkinFixture.h"
#include "ui/SysUtils.h"

using namespace skinfiles;

namespace {

SkinFiles Base() {
  SkinFiles s;
  s.Set("GLOBALINFO", "VERSION", "16.22");
  return s;
}

TColor Rgb(TColor c) { return c & 0xFFFFFF; }

// A picture whose every pixel tells its place: x in the green byte, y in the blue one.
uint32_t PlacePixel(Integer x, Integer y) { return 0xFF000000u | uint32_t(x) << 8 | uint32_t(y); }

std::unique_ptr<TBitmap> PlacePicture(Integer w, Integer h) {
  auto pic = Picture(w, h, 0);
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) pic->View().At(x, y) = PlacePixel(x, y);
  return pic;
}

// An "EXBORDER" value: a border image at r of the master bitmap, with 2-pixel borders.
std::string ExBorderValue(const TRect& r, Integer states, Integer maskType) {
  char v[64];
  std::snprintf(v, sizeof v, "^%04d^%04d^%04d^%04d^0002^0002^0002^0002^%d^%d^00", int(r.Left), int(r.Top), int(r.Right),
                int(r.Bottom), int(states), int(maskType));
  return v;
}

// Whether a picture is state `state` of an image lying at r of a place picture, pixel for pixel.
::testing::AssertionResult IsStateOf(TBitmap* pic, const TRect& r, Integer width, Integer height, Integer state) {
  if (!pic) return ::testing::AssertionFailure() << "no picture";
  if (pic->Width() != width || pic->Height() != height)
    return ::testing::AssertionFailure() << "size " << pic->Width() << "x" << pic->Height();
  for (Integer y = 0; y < height; ++y)
    for (Integer x = 0; x < width; ++x) {
      const uint32_t want = PlacePixel(r.Left + state * width + x, r.Top + y);
      if (pic->View().At(x, y) != want)
        return ::testing::AssertionFailure()
               << "at " << x << "," << y << ": " << std::hex << pic->View().At(x, y) << " instead of " << want;
    }
  return ::testing::AssertionSuccess();
}

// The colour bytes of two pixels differ by at most tol each (resampling rounds).
::testing::AssertionResult Near(uint32_t a, uint32_t b, int tol = 1) {
  for (int shift : {0, 8, 16})
    if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > tol)
      return ::testing::AssertionFailure() << std::hex << a << " is not near " << b;
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST(Palette, SystemColoursStandInForMissingSections) {
  SkinFiles f = Base();
  f.Set("GLOBALINFO", "COLOR", "0x303030").Set("GLOBALINFO", "FONTCOLOR", "0x0000AA");
  LoadedSkin skin(f);
  ASSERT_EQ(skin.Status, slsLoaded);
  const TkvPalette& p = skin.Set.Palette;
  const TkvSystemColors sys;
  EXPECT_EQ(p[pcMainColor], 0x303030u);
  EXPECT_EQ(p[pcLabelText], 0x0000AAu);
  EXPECT_EQ(p[pcEditText], sys.RGBOf(clWindowText));
  EXPECT_EQ(p[pcEditBG], sys.RGBOf(clWindow));
  EXPECT_EQ(p[pcEditBG_OddRow], p[pcEditBG]);
  EXPECT_EQ(p[pcEditBG_EvenRow], BlendColors(p[pcEditText], p[pcEditBG], 13));
  EXPECT_EQ(p[pcGrid], BlendColors(p[pcEditText], p[pcEditBG], 30));
  EXPECT_EQ(p[pcEditBG_Inverted], p[pcEditText]);
  EXPECT_EQ(p[pcEditText_Inverted], p[pcEditBG]);
  EXPECT_EQ(p[pcHintBG], sys.RGBOf(clInfoBk));
  EXPECT_EQ(p[pcHintText], sys.RGBOf(clInfoText));
  // No selection and no menu item: the system's highlight colours.
  EXPECT_EQ(p[pcSelectionText], sys.RGBOf(clHighlightText));
  EXPECT_EQ(p[pcSelectionText_Focused], sys.RGBOf(clHighlightText));
  EXPECT_EQ(p[pcSelectionBG], sys.RGBOf(clHighlight));
  EXPECT_EQ(p[pcSelectionBG_Focused], sys.RGBOf(clHighlight));
  // Buttons in palette mode: from the main colour, with a full alpha byte.
  EXPECT_EQ(p[pcBtnColor1Normal], 0xFF303030u);
  EXPECT_EQ(p[pcBtnColor2Active], 0xFF303030u);
  EXPECT_EQ(p[pcBtnColor1Active], 0xFF000000u | BlendColors(0x303030, 0xFFFFFF, 177));
  EXPECT_EQ(p[pcBtnColor2Normal], 0xFF000000u | BlendColors(0x303030, 0, 244));
  EXPECT_EQ(p[pcBtnColor1Pressed], 0xFF000000u | BlendColors(0x303030, 0, 233));
  EXPECT_EQ(p[pcBtnFontNormal], 0x0000AAu);
  EXPECT_EQ(p[pcBtnBorderPressed], p[pcBorder]);
  EXPECT_EQ(p[pcBtnToneRed], 0x9E9EFFu);
  EXPECT_EQ(p[pcBtnToneRedActive], 0x9E9EFFu);
  EXPECT_EQ(p[pcEditText_Caution], 0x00006Cu);
  EXPECT_EQ(p[pcWebText], 0xFF0000u);
  EXPECT_EQ(p[pcWebTextHot], 0x0000FFu);
}

TEST(Palette, SectionsAndKeysOfTheSkin) {
  SkinFiles f = Base();
  f.Set("EDIT", "COLOR", "0x112233").Set("EDIT", "FONTCOLOR", "0x445566");
  f.Set("HINT", "COLOR", "0x010101").Set("HINT", "FONTCOLOR", "0x020202");
  f.Set("SELECTION", "STATES", "1").Set("SELECTION", "COLOR", "0x0A0A0A").Set("SELECTION", "FONTCOLOR", "0x0B0B0B");
  f.Set("SELECTION", "HOTCOLOR", "0x0C0C0C");
  f.Set("GLOBALINFO", "COLORTONERED", "0x000001").Set("GLOBALINFO", "COLORTONEBLUETEXTActive", "0x000002");
  f.Set("GLOBALINFO", "COLORTONEBLUETEXTACTIVE", "0x000003").Set("GLOBALINFO", "EDITBG_ODD", "0x000004");
  f.Set("GLOBALINFO", "BTNCOLOR1ACTIVE", "0xZZ").Set("GLOBALINFO", "BTNCOLOR2ACTIVE", "$1FF00FF00");
  f.Set("GLOBALINFO", "GRIDLINE", "0x000005").Set("GLOBALINFO", "COLOR", "0x202020");
  LoadedSkin skin(f);
  ASSERT_EQ(skin.Status, slsLoaded);
  const TkvPalette& p = skin.Set.Palette;
  EXPECT_EQ(p[pcEditBG], 0x112233u);
  EXPECT_EQ(p[pcEditText], 0x445566u);
  EXPECT_EQ(p[pcEditBG_Inverted], 0x445566u);
  EXPECT_EQ(p[pcEditBG_OddRow], 0x000004u);
  EXPECT_EQ(p[pcEditBG_EvenRow], BlendColors(0x445566, 0x112233, 13));
  EXPECT_EQ(p[pcHintBG], 0x010101u);
  EXPECT_EQ(p[pcHintText], 0x020202u);
  // One state: focused and unfocused selection come from state 0.
  EXPECT_EQ(p[pcSelectionBG], 0x0A0A0Au);
  EXPECT_EQ(p[pcSelectionBG_Focused], 0x0A0A0Au);
  EXPECT_EQ(p[pcSelectionText_Focused], 0x0B0B0Bu);
  EXPECT_EQ(p[pcBtnToneRed], 0x000001u);
  EXPECT_EQ(p[pcBtnToneRedActive], 0x000001u);
  EXPECT_EQ(p[pcBtnBlueTextActive], 0x000002u);  // the key as the palette writes it, in mixed case
  EXPECT_EQ(p[pcGrid], 0x000005u);
  // A button colour that is no number takes its default; a 64-bit one keeps its low 32 bits.
  EXPECT_EQ(p[pcBtnColor1Active], 0xFF000000u | BlendColors(0x202020, 0xFFFFFF, 177));
  EXPECT_EQ(p[pcBtnColor2Active], 0xFF00FF00u);
}

TEST(Palette, TheSelectionTextFallsBackToTheMenuItem) {
  SkinFiles f = Base();
  f.Set("SELECTION", "FONTCOLOR", "0xFF00FF").Set("SELECTION", "COLOR", "0x111111");
  f.Set("MENUITEM", "STATES", "2").Set("MENUITEM", "HOTCOLOR", "0x00AA00").Set("MENUITEM", "HOTFONTCOLOR", "0x0000BB");
  LoadedSkin skin(f);
  ASSERT_EQ(skin.Status, slsLoaded);
  const TkvPalette& p = skin.Set.Palette;
  EXPECT_EQ(p[pcSelectionText], 0x0000BBu);
  EXPECT_EQ(p[pcSelectionText_Focused], 0x0000BBu);
  EXPECT_EQ(p[pcSelectionBG], 0x00AA00u);
  EXPECT_EQ(p[pcSelectionBG_Focused], 0x00AA00u);

  SkinFiles g = Base();
  g.Set("SELECTION", "FONTCOLOR", "0xFF00FF");
  g.Set("MENUITEM", "STATES", "2").Set("MENUITEM", "HOTFONTCOLOR", "-1");
  LoadedSkin none(g);
  ASSERT_EQ(none.Status, slsLoaded);
  EXPECT_EQ(none.Set.Palette[pcSelectionText], TkvSystemColors().RGBOf(clHighlightText));
}

// ---- recolouring -----------------------------------------------------------------------------------

namespace {

constexpr uint32_t kPixel = 0xFF2050C0;  // opaque, pixel order (blue 0x20)

// A skin whose master bitmap holds caption glyphs and a masked frame, and whose button has a
// picture file of its own.
SkinFiles Colourful(TBitmap& master, TBitmap& file) {
  SkinFiles f = Base();
  f.Set("GLOBALINFO", "MASTERBITMAP", "M.PNG").Png("M.PNG", master).Png("B.PNG", file);
  f.Set("GLOBALINFO", "COLOR", "0x3050A0").Set("GLOBALINFO", "SHADOW1COLOR", "0x204080");
  f.Set("GLOBALINFO", "BICONCLOSE", "^0000^0000^0010^0010^0000^0000^0000^0000^1^0^08");
  f.Set("GLOBALINFO", "BICONMAX", "^0010^0000^0020^0010^0000^0000^0000^0000^1^0^08");
  f.Set("GLOBALINFO", "SICONHELP", "^0020^0000^0030^0010^0000^0000^0000^0000^1^0^08");
  f.Set("GLOBALINFO", "BICONCLOSE*150", "^0030^0000^0045^0015^0000^0000^0000^0000^1^0^08");
  f.Set("FRAME", "BORDERSMASK", "^0000^0020^0020^0060^0004^0004^0004^0004^1^1^01");  // 20 x 20 over its mask
  f.Set("BUTTON", "BORDERSMASK", "!B.PNG!1!0!0!0004!0004!0004!0004!0");
  f.Set("BUTTON", "COLOR", "0x3050A0").Set("BUTTON", "HOTCOLOR", "-1").Set("BUTTON", "STATES", "2");
  f.Set("BUTTON", "BORDERCOLOR0", "0xFF00FF").Set("BUTTON", "FONTCOLOR", "0x102030");
  f.Set("BUTTON", "GRADIENTDATA", "3166368;0;0;0;0;100;0;0;0");
  return f;
}

struct Tinted {
  std::unique_ptr<TBitmap> master = Picture(60, 60, kPixel);
  std::unique_ptr<TBitmap> file = Picture(20, 20, kPixel);
  std::unique_ptr<LoadedSkin> skin;
  Tinted(std::vector<Integer> ppis, const std::function<void(TkvSkinLoadSettings&)>& adjust, Integer keepHue = 0) {
    // The mask half of the frame: mid grey.
    for (Integer y = 40; y < 60; ++y)
      for (Integer x = 0; x < 20; ++x) master->View().At(x, y) = 0xFF808080;
    SkinFiles f = Colourful(*master, *file);
    if (keepHue) f.Set("GLOBALINFO", "BIKEEPHUE", keepHue);
    skin = std::make_unique<LoadedSkin>(f, ppis, LoadedSkin::Folder, adjust);
  }
  uint32_t Master(Integer x, Integer y) { return skin->Set.MasterBitmap->View().At(x, y); }
};

}  // namespace

TEST(Recolouring, NothingChangesWithoutSettings) {
  Tinted t({96}, {});
  ASSERT_EQ(t.skin->Status, slsLoaded);
  EXPECT_EQ(t.Master(5, 5), kPixel);
  EXPECT_EQ(t.skin->Set.Palette[pcMainColor], 0x3050A0u);
  EXPECT_EQ(t.skin->Section(u"BUTTON")->Props[0].Color, 0x3050A0);
  EXPECT_EQ(t.skin->Set.SkinCommonInfo.Shadow1Color, 0x204080u);
  EXPECT_EQ(t.skin->Image(u"BUTTON", u"BORDERSMASK")->Bmp->View().At(10, 10), kPixel);
}

TEST(Recolouring, HueOnceWhateverTheSlots) {
  Tinted t({96, 144, 192}, [](TkvSkinLoadSettings& s) { s.HueOffset = 90; });
  ASSERT_EQ(t.skin->Status, slsLoaded);
  const uint32_t once = ChangeHuePixel(90, kPixel);
  ASSERT_NE(once, kPixel);
  EXPECT_EQ(t.Master(5, 5), once);  // the master bitmap: once, not once per slot
  EXPECT_EQ(t.Master(50, 50), once);
  EXPECT_EQ(t.skin->Set.Palette[pcMainColor], Rgb(ChangeHue(90, 0x3050A0)));
  EXPECT_EQ(t.skin->Set.SkinCommonInfo.Shadow1Color, Rgb(ChangeHue(90, 0x204080)));
  Tinted plain({96}, {});
  const TsGenState& untinted = plain.skin->Section(u"BUTTON")->Props[0];
  for (Integer ppi : {96, 144, 192}) {
    // Each slot's own bitmaps and section colours: once.
    const TsMaskData* b = t.skin->Image(u"BUTTON", u"BORDERSMASK", ppi);
    ASSERT_NE(b, nullptr) << ppi;
    EXPECT_TRUE(Near(b->Bmp->View().At(b->Bmp->Width() / 2, b->Bmp->Height() / 2), once)) << ppi;
    const TsGeneralData* s = t.skin->Section(u"BUTTON", ppi);
    EXPECT_EQ(s->Props[0].Color, Integer(Rgb(ChangeHue(90, 0x3050A0)))) << ppi;
    EXPECT_EQ(s->Props[0].FontColor.Color, Integer(Rgb(ChangeHue(90, 0x102030)))) << ppi;
    EXPECT_EQ(s->Props[1].Color, -1) << ppi;              // none stays none
    EXPECT_EQ(s->Props[0].BorderColor, 0xFF00FF) << ppi;  // no border line stays
    ASSERT_FALSE(s->Props[0].GradientArray.empty());
    ASSERT_EQ(s->Props[0].GradientArray.size(), untinted.GradientArray.size());
    for (size_t i = 0; i < untinted.GradientArray.size(); ++i)
      EXPECT_EQ(TColor(s->Props[0].GradientArray[i].Color.C) & 0xFFFFFF,
                Rgb(ChangeHue(90, TColor(untinted.GradientArray[i].Color.C))))
          << ppi;
    // A piece of the master bitmap rescaled for this slot carries the master's tint only.
    const TsMaskData* frame = t.skin->Image(u"FRAME", u"BORDERSMASK", ppi);
    ASSERT_NE(frame, nullptr);
    const TPixelView v = ViewOf(t.skin->Data(ppi).BitmapOf(*frame));
    EXPECT_TRUE(Near(v.At(frame->R.Left + frame->Width / 2, frame->R.Top + frame->Height / 2), once)) << ppi;
  }
  // Entries that recolouring leaves alone.
  EXPECT_EQ(t.skin->Set.Palette[pcEditText_Ok], 0x404000u);
  EXPECT_EQ(t.skin->Set.Palette[pcBtnToneRed], 0x9E9EFFu);
  EXPECT_EQ(t.skin->Set.Palette[pcWebTextHot], 0x0000FFu);
}

TEST(Recolouring, SaturationAmountIsLimited) {
  Tinted up({96}, [](TkvSkinLoadSettings& s) { s.Saturation = 150; });
  Tinted down({96}, [](TkvSkinLoadSettings& s) { s.Saturation = -150; });
  EXPECT_EQ(up.skin->Set.Palette[pcMainColor], Rgb(ChangeSaturation(0x3050A0, 255)));
  EXPECT_EQ(down.skin->Set.Palette[pcMainColor], Rgb(ChangeSaturation(0x3050A0, -255)));
  EXPECT_EQ(up.Master(5, 5), ChangeSaturationPixel(255, kPixel));
  EXPECT_EQ(up.skin->Set.Palette[pcBtnToneGreen], 0x7BD098u);
}

TEST(Recolouring, BrightnessKeepsMaskHalvesAndLeavesThePalette) {
  Tinted t({96, 144}, [](TkvSkinLoadSettings& s) { s.Brightness = 40; });
  ASSERT_EQ(t.skin->Status, slsLoaded);
  EXPECT_EQ(t.Master(5, 5), ChangeBrightness(kPixel, 40));
  EXPECT_EQ(t.Master(5, 50), 0xFF808080u);  // the frame's mask half
  EXPECT_EQ(t.skin->Set.Palette[pcMainColor], 0x3050A0u);
  EXPECT_EQ(t.skin->Set.SkinCommonInfo.Shadow1Color, 0x204080u);
  EXPECT_EQ(t.skin->Section(u"BUTTON")->Props[0].Color, Integer(Rgb(ChangeBrightness(0x3050A0, 40))));
  // The rescaled frame: its mask half unchanged by the brightness.
  const TsMaskData* frame = t.skin->Image(u"FRAME", u"BORDERSMASK", 144);
  ASSERT_NE(frame->Bmp, nullptr);
  const TPixelView v = frame->Bmp->View();
  EXPECT_TRUE(Near(v.At(v.Width / 2, v.Height * 3 / 4), 0x808080u));
}

TEST(Recolouring, CaptionGlyphsThatKeepTheirHue) {
  const auto hue = [](TkvSkinLoadSettings& s) { s.HueOffset = 120; };
  const uint32_t shifted = ChangeHuePixel(120, kPixel);
  Tinted closeOnly({96}, hue, 2);
  EXPECT_EQ(closeOnly.Master(5, 5), kPixel);    // close glyph kept
  EXPECT_EQ(closeOnly.Master(35, 5), kPixel);   // its 144-PPI variant too
  EXPECT_EQ(closeOnly.Master(15, 5), shifted);  // maximize follows
  EXPECT_EQ(closeOnly.Master(25, 5), shifted);
  Tinted all({96}, hue, 1);
  EXPECT_EQ(all.Master(5, 5), kPixel);
  EXPECT_EQ(all.Master(15, 5), kPixel);   // maximize kept
  EXPECT_EQ(all.Master(25, 5), shifted);  // the small help glyph is not among them
  EXPECT_EQ(all.Master(50, 30), shifted);
}

// ---- window shadows --------------------------------------------------------------------------------

TEST(WindowShadows, CachedShadowsAreMadeOnce) {
  LoadedSkin skin(Base());
  TkvSkinData& d = skin.Data();
  TBitmap* a = d.GetActiveShadow();
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(d.GetActiveShadow(), a);
  EXPECT_NE(d.GetPassiveShadow(), a);
  EXPECT_EQ(a->Width(), 2 * 17 + 2 * 13 + 1);
}

TEST(WindowShadows, FormShadowSizes) {
  SkinFiles shadow = Base();
  shadow.Set("GLOBALINFO", "WSHSIZE", "13").Set("GLOBALINFO", "WSHOFFS", "2");
  LoadedSkin off(shadow);
  EXPECT_EQ(off.Data().FormShadowSize, TRect());  // no extended borders
  LoadedSkin on(shadow, {96}, LoadedSkin::Folder, [](TkvSkinLoadSettings& s) { s.ExtendedBorders = true; });
  EXPECT_EQ(on.Data().FormShadowSize, TRect(13, 11, 13, 15));
  ASSERT_NE(on.Data().ShdaTemplate, nullptr);
  EXPECT_EQ(on.Data().ShdaTemplate->Width(), on.Data().GetActiveShadow()->Width());

  auto master = Picture(100, 50, 0xFF000000);
  for (Integer x = 0; x < 100; ++x) master->View().At(x, 0) = 0xFF000000u | uint32_t(x);
  SkinFiles ex = Base();
  ex.Set("GLOBALINFO", "MASTERBITMAP", "M.PNG").Png("M.PNG", *master);
  ex.Set("GLOBALINFO", "EXBORDER", "^0010^0000^0090^0050^0012^0030^0012^0012^2^0^08");
  ex.Set("GLOBALINFO", "FORMOFFSET", "4");
  LoadedSkin border(ex, {96}, LoadedSkin::Folder, [](TkvSkinLoadSettings& s) { s.ExtendedBorders = true; });
  TkvSkinData& d = border.Data();
  ASSERT_GE(d.ExBorder, 0);
  EXPECT_EQ(d.ExContentOffs, 4);
  EXPECT_EQ(d.FormShadowSize, TRect(8, 26, 8, 8));
  // The image lies in the master bitmap: the templates are its two states from there.
  ASSERT_NE(d.ShdiTemplate, nullptr);
  ASSERT_NE(d.ShdaTemplate, nullptr);
  EXPECT_EQ(d.ShdiTemplate->Width(), 40);
  EXPECT_EQ(d.ShdiTemplate->View().At(0, 0), 0xFF00000Au);  // x = 10
  EXPECT_EQ(d.ShdaTemplate->View().At(0, 0), 0xFF000032u);  // x = 50, the second state
  LoadedSkin mode(ex, {96}, LoadedSkin::Folder, [](TkvSkinLoadSettings& s) { s.ExtendedBorders = true; });
  mode.Data().ExDrawMode = 1;
  mode.Data().CheckShadows();
  EXPECT_EQ(mode.Data().FormShadowSize, TRect(4, 4, 4, 4));
}

// A state picture cut out of the border image of a loaded skin is that state's pixels of the
// master bitmap: for a one-state image, states sharing the width evenly, a width the states do
// not divide (each is width / count wide, from the left; the columns left over belong to none),
// and states above a mask half (the mask rows are not cut). The kept pictures and the templates
// are the same states: the second for the active look when there is one, else the first.
TEST(WindowShadows, CutStatesAreTheBorderImagesStatePictures) {
  const auto master = PlacePicture(160, 40);
  struct Case {
    TRect r;
    Integer states, maskType, width, height;
  };
  const Case cases[] = {
      {TRect(7, 3, 37, 15), 1, 0, 30, 12},
      {TRect(5, 20, 41, 30), 3, 0, 12, 10},
      {TRect(50, 2, 92, 10), 4, 0, 10, 8},     // 42 columns: two left over after the fourth state
      {TRect(100, 0, 140, 20), 2, 1, 20, 10},  // mask rows below the states
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.states << " states over " << c.r.Width() << " columns");
    SkinFiles ex = Base();
    ex.Set("GLOBALINFO", "MASTERBITMAP", "M.PNG").Png("M.PNG", *master);
    ex.Set("GLOBALINFO", "EXBORDER", ExBorderValue(c.r, c.states, c.maskType));
    LoadedSkin skin(ex, {96}, LoadedSkin::Folder, [](TkvSkinLoadSettings& s) { s.ExtendedBorders = true; });
    TkvSkinData& d = skin.Data();
    ASSERT_GE(d.ExBorder, 0);
    const TsMaskData& md = d.ma[size_t(d.ExBorder)];
    ASSERT_EQ(md.Width, c.width);
    ASSERT_EQ(md.Height, c.height);
    for (Integer k = 0; k < c.states; ++k) {
      EXPECT_TRUE(IsStateOf(d.CutImageState(md, k).get(), c.r, c.width, c.height, k)) << k;
    }
    const Integer activeState = c.states > 1 ? 1 : 0;
    EXPECT_TRUE(IsStateOf(d.ExBorderPicture(false), c.r, c.width, c.height, 0));
    EXPECT_TRUE(IsStateOf(d.ExBorderPicture(true), c.r, c.width, c.height, activeState));
    EXPECT_TRUE(IsStateOf(d.ShdiTemplate.get(), c.r, c.width, c.height, 0));
    EXPECT_TRUE(IsStateOf(d.ShdaTemplate.get(), c.r, c.width, c.height, activeState));
  }
}

// Skin data made by hand have no skin to take the pixels from: an image lies in its manager's
// master bitmap, or in a bitmap of its own, which wins. A state reaching past the bitmap is cut
// as far as the bitmap goes and stays clear beyond it.
TEST(WindowShadows, CutStatesOfHandMadeSkinData) {
  SkinFixture f(64, 32);
  for (Integer y = 0; y < 32; ++y)
    for (Integer x = 0; x < 64; ++x) f.Master->View().At(x, y) = PlacePixel(x, y);
  const Integer img = f.AddImage(TRect(4, 6, 24, 14), 2, 0);
  const TRect r = f.Image(img).R;
  EXPECT_TRUE(IsStateOf(f.Data->CutImageState(f.Image(img), 1).get(), r, 10, 8, 1));
  auto own = PlacePicture(30, 20);
  own->View().At(3, 2) = 0xFF123456u;  // a pixel the master does not have
  TsMaskData md = f.Image(img);
  md.Bmp = own.get();
  md.R = TRect(1, 2, 21, 10);
  const auto fromOwn = f.Data->CutImageState(md, 0);
  ASSERT_EQ(fromOwn->View().At(2, 0), 0xFF123456u);
  fromOwn->View().At(2, 0) = PlacePixel(3, 2);
  EXPECT_TRUE(IsStateOf(fromOwn.get(), md.R, 10, 8, 0));
  // The second state of an image at the bitmap's right edge: columns 25..29 lie in it, 30..34 not.
  md.R = TRect(15, 0, 35, 8);
  const auto edge = f.Data->CutImageState(md, 1);
  ASSERT_EQ(edge->Width(), 10);
  for (Integer x = 0; x < 10; ++x) EXPECT_EQ(edge->View().At(x, 3), x < 5 ? PlacePixel(25 + x, 3) : 0u) << x;
}

// The border image's pictures are cut once and kept: later requests return the kept picture
// (a mark made in it stays). Making the shadows again (what a change of the border mode runs)
// or naming another image cuts them anew; Reset drops them.
TEST(WindowShadows, TheBorderImagesPicturesAreCutOnceAndRemadeWithTheShadows) {
  SkinFiles ex = Base();
  ex.Set("GLOBALINFO", "MASTERBITMAP", "M.PNG").Png("M.PNG", *PlacePicture(100, 20));
  const TRect r(10, 0, 50, 12);
  ex.Set("GLOBALINFO", "EXBORDER", ExBorderValue(r, 2, 0));
  LoadedSkin skin(ex, {96}, LoadedSkin::Folder, [](TkvSkinLoadSettings& s) { s.ExtendedBorders = true; });
  TkvSkinData& d = skin.Data();
  TBitmap* active = d.ExBorderPicture(true);
  ASSERT_NE(active, nullptr);
  EXPECT_EQ(d.ExBorderPicture(true), active);
  EXPECT_NE(d.ExBorderPicture(false), active);
  constexpr uint32_t kMark = 0x12345678u;
  active->View().At(0, 0) = kMark;
  EXPECT_EQ(d.ExBorderPicture(true)->View().At(0, 0), kMark);
  d.CheckShadows();
  EXPECT_TRUE(IsStateOf(d.ExBorderPicture(true), r, 20, 12, 1));
  // Another image named by hand: its own pictures, one state for both looks.
  d.ExBorderPicture(true)->View().At(0, 0) = kMark;
  TsMaskData other = d.ma[size_t(d.ExBorder)];
  other.R = TRect(60, 4, 80, 16);
  other.ImageCount = 1;
  other.Width = 20;
  d.ma.push_back(other);
  d.ExBorder = Integer(d.ma.size()) - 1;
  EXPECT_TRUE(IsStateOf(d.ExBorderPicture(true), other.R, 20, 12, 0));
  EXPECT_EQ(d.ExBorderPicture(true), d.ExBorderPicture(false));
  d.Reset();
  EXPECT_EQ(d.ExBorderPicture(true), nullptr);
}
