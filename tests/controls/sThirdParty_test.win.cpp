// The glyph drawing of buttons, tool buttons and menu items: every state of an image-list
// glyph (normal, hot, pressed, disabled, grey), the class library's glyph order, canvas
// targets, plain lists with a mask colour, glyph bitmaps; and the foreign popup-form list.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "controls/sThirdParty.h"
#include "images/kvAlphaImageList.h"
#include "paint/sGraphUtils.h"
#include "skin/sSkinManager.h"
#include "support/ImageLists.h"
#include "ui/Canvas.h"
#include "ui/StringList.h"

namespace {

constexpr uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF;

// A 32 x 16 list whose one image holds two 16 x 16 cells: red (normal) and blue (hot).
std::unique_ptr<TsAlphaImageList> TwoStateList() {
  return PngImageList(32, 16, {PngOf(32, 16, [](int x, int) { return x < 16 ? kRed : kBlue; })});
}

TkvDrawGlyphData Request(TCustomImageList* images, TBitmap* dst) {
  TkvDrawGlyphData d;
  d.Images = images;
  d.ImageIndex = 0;
  d.NumGlyphs = 2;
  d.DstBmp = dst;
  d.ImgRect = TRect(8, 8, 24, 24);
  d.PPI = 96;
  return d;
}

// The pixel at the glyph's centre after drawing the request onto a transparent black bitmap.
uint32_t Drawn(TkvDrawGlyphData d) {
  TBitmap dst(32, 32, pf32bit);
  d.DstBmp = &dst;
  kvDrawGlyphEx(d);
  return dst.View().At(16, 16);
}

bool Reddish(uint32_t p) { return PixR(p) > 200 && PixB(p) < 40; }
bool Bluish(uint32_t p) { return PixB(p) > 200 && PixR(p) < 40; }

class GlyphDrawing : public ::testing::Test {
 protected:
  std::unique_ptr<TsAlphaImageList> list = TwoStateList();
};

}  // namespace

TEST_F(GlyphDrawing, EachButtonStateDrawsItsOwnLook) {
  TkvDrawGlyphData d = Request(list.get(), nullptr);
  const uint32_t normal = Drawn(d);
  EXPECT_TRUE(Reddish(normal)) << std::hex << normal;
  d.CurrentState = 1;
  EXPECT_TRUE(Bluish(Drawn(d)));  // hot: the second cell
  d.CurrentState = 2;
  d.Down = true;
  EXPECT_TRUE(Bluish(Drawn(d)));  // pressed: beyond the cells, the last one
  d = Request(list.get(), nullptr);
  d.Enabled = false;
  d.DisabledGlyphKind = {dgBlended};
  const uint32_t disabled = Drawn(d);  // faded to 50 %
  EXPECT_NEAR(PixR(disabled), 127, 3);
  EXPECT_LT(PixR(disabled), PixR(normal));
  d = Request(list.get(), nullptr);
  d.Grayed = true;
  d.BGColor = clWhite;
  const uint32_t grey = Drawn(d);
  EXPECT_NE(grey, normal);
  EXPECT_LT(std::abs(int(PixR(grey)) - int(PixG(grey))), std::abs(int(PixR(normal)) - int(PixG(normal))));
}

TEST_F(GlyphDrawing, BlendAppliesAtRestOnly) {
  TkvDrawGlyphData d = Request(list.get(), nullptr);
  d.Blend = 70;
  const uint32_t faded = Drawn(d);
  EXPECT_NEAR(PixR(faded), MixByte(0, 255, PercentToWeight(70)), 3);
  d.CurrentState = 1;
  EXPECT_TRUE(Bluish(Drawn(d)));
  // Disabled with a blend of 70 at rest: the larger of the two fades.
  d = Request(list.get(), nullptr);
  d.Blend = 70;
  d.Enabled = false;
  d.DisabledGlyphKind = {dgBlended};
  EXPECT_NEAR(PixR(Drawn(d)), PixR(faded), 3);
}

TEST_F(GlyphDrawing, TheClassLibrarysGlyphOrder) {
  DuRiruZireziv manager(nullptr);
  manager.Options.StdGlyphsOrder = true;
  TkvDrawGlyphData d = Request(list.get(), nullptr);
  d.Enabled = false;  // a disabled control at rest draws the second cell
  EXPECT_TRUE(Bluish(Drawn(d)));
  d.Enabled = true;
  d.CurrentState = 1;  // hot draws the first
  EXPECT_TRUE(Reddish(Drawn(d)));
  d.CurrentState = 2;  // pressed, two cells: the first
  EXPECT_TRUE(Reddish(Drawn(d)));
}

TEST_F(GlyphDrawing, CanvasTargetsGetTheSameGlyph) {
  TBitmap target(32, 32, pf32bit);
  TkvDrawGlyphData d = Request(list.get(), nullptr);
  d.DstBmp = nullptr;
  d.Canvas = target.Canvas();
  kvDrawGlyphEx(d);
  EXPECT_TRUE(Reddish(target.View().At(16, 16)));
  EXPECT_EQ(target.View().At(2, 2), 0u);
}

TEST_F(GlyphDrawing, PlainListsLeaveTheirMaskColourTransparent) {
  TImageList plain(nullptr);
  AddPlainImage(plain, [](int x, int) { return x < 8 ? 0xFF00FFu : 0x00FF00u; });  // fuchsia | green
  TBitmap dst(32, 32, pf32bit);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) dst.View().At(x, y) = 0xFFFFFFFF;
  TkvDrawGlyphData d = Request(&plain, &dst);
  d.NumGlyphs = 1;
  kvDrawGlyphEx(d);
  EXPECT_EQ(dst.View().At(10, 16) & 0xFFFFFF, 0xFFFFFFu);  // fuchsia: the white shows
  EXPECT_EQ(dst.View().At(20, 16) & 0xFFFFFF, 0x00FF00u);
}

TEST_F(GlyphDrawing, GlyphBitmapsDrawTheCellOfTheState) {
  TBitmap glyph(32, 16, pf32bit);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) glyph.View().At(x, y) = x < 16 ? kRed : kBlue;
  TkvDrawGlyphData d = Request(nullptr, nullptr);
  d.Images = nullptr;
  d.Glyph = &glyph;
  EXPECT_TRUE(Reddish(Drawn(d)));
  d.CurrentState = 1;
  EXPECT_TRUE(Bluish(Drawn(d)));
  d.CurrentState = 5;  // beyond the cells: the last
  EXPECT_TRUE(Bluish(Drawn(d)));
  // No image and no glyph: nothing.
  d.Glyph = nullptr;
  EXPECT_EQ(Drawn(d), 0u);
  // An index outside the list falls back to the glyph.
  d = Request(list.get(), nullptr);
  d.ImageIndex = 3;
  d.Glyph = &glyph;
  EXPECT_TRUE(Reddish(Drawn(d)));
}

namespace {
// Counts the change events of a glyph.
class TChangeCounter : public TObject {
 public:
  void Changed(TObject*) { ++changes; }
  int changes = 0;
};
}  // namespace

TEST_F(GlyphDrawing, APreparedGlyphDoesNotTellItsOwnerAndKeepsItsChangeEvent) {
  // A device-dependent glyph without alpha: made a DIB, 32-bit and then 24-bit to be drawn.
  TBitmap glyph(16, 16, pfDevice);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) glyph.View().At(x, y) = 0x00FF0000;
  glyph.View().At(0, 15) = 0;  // the bottom-left pixel names the transparent colour
  glyph.SetHandleType(bmDDB);
  TChangeCounter owner;
  glyph.SetOnChange(TNotifyEvent(&owner, &TChangeCounter::Changed));
  TkvDrawGlyphData d = Request(nullptr, nullptr);
  d.Images = nullptr;
  d.NumGlyphs = 1;
  d.Glyph = &glyph;
  d.Enabled = true;
  EXPECT_TRUE(Reddish(Drawn(d)));
  EXPECT_EQ(glyph.PixelFormat(), pf24bit);
  EXPECT_EQ(glyph.HandleType(), bmDIB);
  EXPECT_EQ(owner.changes, 0);
  glyph.SetSize(8, 8);  // the event is back
  EXPECT_EQ(owner.changes, 1);
}

TEST(ThirdPartyForms, TheForeignPopupFormsAreListedSorted) {
  sThirdPartyStartup();
  ASSERT_NE(ThirdPartySkipForms, nullptr);
  EXPECT_EQ(ThirdPartySkipForms->Count(), 14);
  EXPECT_TRUE(ThirdPartySkipForms->Sorted());
  Integer index = -1;
  EXPECT_TRUE(ThirdPartySkipForms->Find(u"TApplication", index));
  EXPECT_TRUE(ThirdPartySkipForms->Find(u"TPopupDBTreeView", index));
  EXPECT_FALSE(ThirdPartySkipForms->Find(u"TForm", index));
  // Exact names only: another case is another class.
  EXPECT_FALSE(ThirdPartySkipForms->Find(u"tapplication", index));
  EXPECT_FALSE(ThirdPartySkipForms->Find(u"TPOPUPDBTREEVIEW", index));
  EXPECT_EQ(ThirdPartySkipForms->IndexOf(u"TfcPopUp"), -1);
  EXPECT_GE(ThirdPartySkipForms->IndexOf(u"TfcPopup"), 0);
  EXPECT_EQ(RefreshDevEx, nullptr);
  sThirdPartyCleanup();
  EXPECT_EQ(ThirdPartySkipForms, nullptr);
}
