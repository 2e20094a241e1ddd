// The unskinned push button with an image list: its state follows the real button (mouse over
// it, pressed, focus, default, disabled), and its owner drawing puts the state's image at the
// glyph rectangle through DrawBtnGlyph.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/kvntUtils.h"
#include "controls/sButton.h"
#include "controls/sThirdParty.h"
#include "images/kvAlphaImageList.h"
#include "support/FormFixture.h"
#include "support/ImageLists.h"
#include "ui/Forms.h"
#include "ui/ImgList.h"

namespace {

void Pump() {
  for (int i = 0; i < 5; ++i) Application->ProcessMessages();
}

// The button's window as it draws itself, pixels as 0xRRGGBB.
struct Shot {
  std::unique_ptr<TBitmap> bmp;
  uint32_t At(Integer x, Integer y) const { return bmp->View().At(x, y) & 0xFFFFFF; }
};

Shot Print(TsButton* b) {
  Shot s{std::make_unique<TBitmap>(b->Width(), b->Height(), pf32bit)};
  SendMessageW(b->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.bmp->Canvas()->Handle()), PRF_CLIENT);
  return s;
}

// Solid 16 x 16 images: red, green, blue, yellow (0xRRGGBB).
constexpr uint32_t kColors[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};

class ButtonGlyph : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    list = SolidImageList({kColors[0], kColors[1], kColors[2], kColors[3]});
    button = new TsButton(form);
    button->SetBounds(20, 20, 120, 40);
    button->SetCaption(u"Go");
    button->SetParent(form);
    button->SetImages(list.get());
    button->SetImageIndex(0);
    button->SetHotImageIndex(1);
    button->SetPressedImageIndex(2);
    button->SetDisabledImageIndex(3);
    other = new TButton(form);  // takes the focus away from the button under test
    other->SetBounds(20, 100, 60, 25);
    other->SetParent(form);
    form->Show();
    other->SetFocus();
    Pump();
  }
  void TearDown() override {
    FormTest::TearDown();
    list.reset();
  }
  // The glyph's centre and whether the whole glyph rectangle shows the expected colour.
  void ExpectGlyph(uint32_t color, const char* what) {
    const TRect g = button->GlyphRect();
    const Shot s = Print(button);
    EXPECT_EQ(s.At(g.Left, g.Top), color) << what;
    EXPECT_EQ(s.At(g.Right - 1, g.Bottom - 1), color) << what;
    EXPECT_EQ(s.At((g.Left + g.Right) / 2, (g.Top + g.Bottom) / 2), color) << what;
    EXPECT_NE(s.At(g.Right + 1, (g.Top + g.Bottom) / 2), color) << what;  // nothing beside it
  }

  std::unique_ptr<TsAlphaImageList> list;
  TsButton* button = nullptr;
  TButton* other = nullptr;
};

}  // namespace

TEST_F(ButtonGlyph, TheButtonIsOwnerDrawnWithoutDoubleClicks) {
  const LONG style = GetWindowLongW(button->Handle(), GWL_STYLE);
  EXPECT_EQ(style & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_EQ(GetClassLongW(button->Handle(), GCL_STYLE) & CS_DBLCLKS, 0u);
}

TEST_F(ButtonGlyph, GlyphRectSitsLeftOfTheCaptionAndCentred) {
  EXPECT_EQ(button->GlyphRect(), TRect(6, 12, 22, 28));  // content margin 6; (40 - 16) / 2
  EXPECT_EQ(button->ImageSize(), TSize(16, 16));
  TCanvas* canvas = form->Canvas();
  const TRect caption = button->CaptionRect(canvas);
  EXPECT_EQ(caption.Left, 6 + 6 + 16);  // spacing, margin, glyph width
  EXPECT_EQ(caption.Right, 120 - 6);
  button->SetImages(nullptr);
  EXPECT_EQ(button->GlyphRect(), TRect());
  EXPECT_FALSE(button->GlyphExist());
}

TEST_F(ButtonGlyph, EachStateShowsItsImage) {
  EXPECT_EQ(button->CurrentState(), 0);
  ExpectGlyph(kColors[0], "normal");

  // The mouse comes over the button: hot.
  SendMessageW(button->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(50, 20));
  EXPECT_EQ(button->CurrentState(), 1);
  ExpectGlyph(kColors[1], "hot");

  // Pressed by the mouse: the system's pushed state; the content moves by one pixel.
  Clicks clicks;
  button->SetOnClick(TNotifyEvent(&clicks, &Clicks::Click));
  const TRect rest = button->GlyphRect();
  SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 20));
  EXPECT_EQ(button->CurrentState(), 2);
  EXPECT_EQ(button->GlyphRect(), OffsRect(rest, 1, 1));
  ExpectGlyph(kColors[2], "pressed");
  EXPECT_NE(Print(button).At(rest.Left, rest.Top), kColors[2]);  // the shifted glyph left its old corner
  SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(50, 20));
  Pump();
  EXPECT_EQ(clicks.count, 1);
  EXPECT_NE(button->CurrentState(), 2);

  // The mouse leaves: at rest again.
  SendMessageW(button->Handle(), WM_MOUSELEAVE, 0, 0);
  other->SetFocus();
  Pump();
  EXPECT_EQ(button->CurrentState(), 0);
  ExpectGlyph(kColors[0], "normal again");

  // Down shows pressed whatever the mouse does.
  button->SetDown(true);
  EXPECT_EQ(button->CurrentState(), 2);
  ExpectGlyph(kColors[2], "down");
  button->SetDown(false);

  button->SetEnabled(false);
  Pump();
  ExpectGlyph(kColors[3], "disabled");
}

TEST_F(ButtonGlyph, FocusAndTheDefaultLook) {
  button->SetSelectedImageIndex(1);
  button->SetFocus();
  Pump();
  EXPECT_EQ(button->CurrentState(), 1);       // focused: active
  EXPECT_EQ(button->CurrentImageIndex(), 1);  // the selected image
  other->SetFocus();
  Pump();
  EXPECT_EQ(button->CurrentState(), 0);
  button->SetDefault(true);
  Pump();
  EXPECT_EQ(button->CurrentState(), 3);  // a default button at rest
  ExpectGlyph(kColors[1], "default at rest");
}

TEST_F(ButtonGlyph, MissingImagesFallBackToImageIndex) {
  button->SetHotImageIndex(9);  // no such image
  SendMessageW(button->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(50, 20));
  EXPECT_EQ(button->CurrentImageIndex(), 0);
  ExpectGlyph(kColors[0], "hot without an image of its own");
}

TEST_F(ButtonGlyph, APlainListDrawsDisabledImagesBlended) {
  TImageList plain(nullptr);
  AddPlainImage(plain, [](int, int) { return 0xFF0000u; });  // red
  button->SetImages(&plain);
  button->SetDisabledImageIndex(-1);
  ExpectGlyph(0xFF0000, "plain list, enabled");
  button->SetEnabled(false);
  Pump();
  const TRect g = button->GlyphRect();
  EXPECT_NE(Print(button).At(g.Left + 8, g.Top + 8), 0xFF0000u);  // blended by the list
  button->SetImages(nullptr);
}

TEST_F(ButtonGlyph, OtherControlsDrawNothing) {
  TBitmap target(40, 40, pf32bit);
  target.Canvas()->Brush()->SetColor(clWhite);
  target.Canvas()->FillRect(TRect(0, 0, 40, 40));
  DrawBtnGlyph(other, target.Canvas(), clNone);
  DrawBtnGlyph(nullptr, target.Canvas(), clNone);
  for (Integer y = 0; y < 40; ++y)
    for (Integer x = 0; x < 40; ++x) ASSERT_EQ(target.View().At(x, y) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(ButtonGlyph, TheListGoingAwayLeavesNoDanglingReference) {
  auto* owned = new TImageList(form);
  button->SetImages(owned);
  delete owned;
  EXPECT_EQ(button->Images(), nullptr);
  Print(button);  // paints without the list
}
