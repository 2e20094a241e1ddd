// The glyphs of wrapped class-library buttons: discoloured at rest when the skin asks, icon-font
// images in the look's text colour, images at the skin's density, a disabled plain image faded
// with the button, and the alpha of a bitmap button's 32-bit glyph.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "images/kvAlphaImageList.h"
#include "support/ControlSkin.h"
#include "support/ImageLists.h"
#include "ui/Buttons.h"
#include "ui/ImgList.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtilsButtons.h"

namespace {

constexpr TColor kFace = 0x808080;
constexpr Char kCircle = 0xF111;  // a filled circle of the icon font

int R(TColor c) { return c & 0xFF; }
int G(TColor c) { return (c >> 8) & 0xFF; }
int B(TColor c) { return (c >> 16) & 0xFF; }

// Colours equal but for the rounding of blending and resampling.
::testing::AssertionResult Near(TColor a, TColor b, int tolerance = 3) {
  if (std::abs(R(a) - R(b)) <= tolerance && std::abs(G(a) - G(b)) <= tolerance && std::abs(B(a) - B(b)) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << std::hex << a << " is not " << b;
}

class ButtonGlyphs : public ControlSkin {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ControlSkin::SetUp());
    Section(u"BUTTON", {kFace});
    LoadForm(
        u"object F: TForm\n"
        u"  object b: TButton\n    Left = 8\n    Top = 8\n    Width = 80\n    Height = 40\n  end\n"
        u"  object bb: TBitBtn\n    Left = 100\n    Top = 8\n    Width = 80\n    Height = 40\n  end\n"
        u"end\n");
    button = Find<TButton>(u"b");
    bitBtn = Find<TBitBtn>(u"bb");
    ShowInFront();
  }
  void TearDown() override {
    if (sw) Unwrap(sw->CtrlHandle, sw);
    button->SetImages(nullptr);
    ControlSkin::TearDown();
  }
  // The button with image 0 of the list centred on it, wrapped; its picture.
  std::unique_ptr<Capture> PrintButton(TCustomImageList* list) {
    button->SetImages(list);
    button->SetImageAlignment(iaCenter);
    button->SetImageIndex(0);
    if (!sw) sw = Wrap<TkvButtonWnd>(button->Handle(), button);
    auto cap = std::make_unique<Capture>(80, 40);
    Print(button->Handle(), *cap);
    return cap;
  }
  std::unique_ptr<Capture> PrintBitBtn() {
    if (!sw) sw = Wrap<TkvBitBtnWnd>(bitBtn->Handle(), bitBtn);
    auto cap = std::make_unique<Capture>(80, 40);
    Print(bitBtn->Handle(), *cap);
    return cap;
  }
  TButton* button = nullptr;
  TBitBtn* bitBtn = nullptr;
  TkvMainWnd* sw = nullptr;
};

}  // namespace

TEST_F(ButtonGlyphs, DiscolouredAtRestOnlyWhenTheSkinAsks) {
  auto list = SolidImageList({0xFF0000});
  EXPECT_TRUE(Near(PrintButton(list.get())->At(40, 20), 0x0000FF));
  skin.Manager.Effects.DiscoloredGlyphs = true;
  const TColor grey = PrintButton(list.get())->At(40, 20);
  EXPECT_LT(std::max({R(grey), G(grey), B(grey)}) - std::min({R(grey), G(grey), B(grey)}), 40) << std::hex << grey;
}

TEST_F(ButtonGlyphs, IconFontImageTakesTheTextColourOfTheLook) {
  auto list = std::make_unique<TsCharImageList>(nullptr);
  list->AfterConstruction();
  list->PixelsPerInch = 96;
  list->SetWidth(16);
  list->SetHeight(16);
  TkvCharListItem* item = list->Items()->Add();
  item->SetChar(kCircle);
  item->SetColor(clNone);
  // The circle's middle is full ink.
  EXPECT_TRUE(Near(PrintButton(list.get())->At(40, 20), kText));
}

TEST_F(ButtonGlyphs, ImageDrawnAtTheSkinsDensity) {
  skin.Data->PPI = 144;
  auto list = SolidImageList({0xFF0000});
  auto cap = PrintButton(list.get());
  // Placed for 16 pixels at (32, 12), drawn 24 wide and high.
  EXPECT_TRUE(Near(cap->At(32 + 2, 12 + 2), 0x0000FF, 8));
  EXPECT_TRUE(Near(cap->At(32 + 21, 12 + 21), 0x0000FF, 8));
  EXPECT_TRUE(Near(cap->At(32 + 26, 12 + 26), kFace));
}

TEST_F(ButtonGlyphs, DisabledPlainImageFadesWithTheButtonAndKeepsItsColours) {
  TImageList list(form);
  AddPlainImage(list, [](int, int) { return 0xFF0000u; });
  auto enabled = PrintButton(&list);
  const TColor faceOn = enabled->At(3, 3), glyphOn = enabled->At(40, 20);
  ASSERT_TRUE(Near(glyphOn, 0x0000FF));
  button->SetEnabled(false);
  auto disabled = PrintButton(&list);
  const TColor faceOff = disabled->At(3, 3), glyphOff = disabled->At(40, 20);
  const TColor parent = ColorToRGB(GetParentCacheHwnd(button->Handle()).FillColor);
  // The fade towards the parent, as the face shows it, laid over the image too.
  for (int shift : {0, 8, 16}) {
    const int p = (parent >> shift) & 0xFF, fOn = (faceOn >> shift) & 0xFF, fOff = (faceOff >> shift) & 0xFF;
    if (p == fOn) continue;
    const double t = double(fOff - fOn) / (p - fOn);
    const int gOn = (glyphOn >> shift) & 0xFF, gOff = (glyphOff >> shift) & 0xFF;
    EXPECT_NEAR(gOff, gOn + t * (p - gOn), 3) << shift;
  }
}

TEST_F(ButtonGlyphs, BitmapButtonKeepsTheAlphaOfItsGlyph) {
  TBitmap glyph(16, 16, pf32bit);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) glyph.View().At(x, y) = 0x80FF0000u;  // red, half covering
  bitBtn->SetGlyph(&glyph);
  const TColor c = PrintBitBtn()->At(40, 20);
  // Half red, half the grey face.
  EXPECT_NEAR(R(c), (255 + 128) / 2, 12) << std::hex << c;
  EXPECT_NEAR(G(c), 128 / 2, 12) << std::hex << c;
  EXPECT_NEAR(B(c), 128 / 2, 12) << std::hex << c;
}
