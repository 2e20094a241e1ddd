// The window picture of a skinned form as the screen shows it: title, border, caption buttons
// and client background at chosen points, the caption's active and inactive looks, a hot
// button repainted without rebuilding the picture, the window region cut from the skin's
// corner masks, and no handle leaked over many resize and activation cycles.
#include "support/FormSkin.h"
#include "ui/Bitmap.h"
#include "ui/GdiScopes.h"

using namespace formskin;

namespace {

TColor ColorOfPixel(uint32_t argb) { return TColor((argb >> 16 & 0xFF) | (argb & 0xFF00) | (argb & 0xFF) << 16); }

class Picture : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    SkinAndShow();
  }
  // The window as it is on the screen (through its window DC), read through a bitmap.
  std::unique_ptr<TBitmap> Shot() { return WindowShot(form->Handle()); }
  TPoint TitlePoint() { return TPoint(sp->ButtonMin.cpRect.Left - 12, sp->VCenter); }
};

}  // namespace

TEST_F(Picture, TitleBorderButtonsAndClientFromTheSkin) {
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  form->Repaint();
  auto shot = Shot();
  const Integer w = shot->Width(), h = shot->Height();
  EXPECT_EQ(shot->PixelColor(TitlePoint().X, TitlePoint().Y), kTitleActive);
  EXPECT_EQ(shot->PixelColor(1, h / 2), ColorOfPixel(kBorderPixel));
  EXPECT_EQ(shot->PixelColor(w - 2, h / 2), ColorOfPixel(kBorderPixel));
  EXPECT_EQ(shot->PixelColor(w / 2, h - 2), ColorOfPixel(kBorderPixel));
  const TPoint close = Centre(sp->ButtonClose), max = Centre(sp->ButtonMax), min = Centre(sp->ButtonMin);
  EXPECT_EQ(shot->PixelColor(close.X, close.Y), ColorOfPixel(GlyphPixel(0, 0)));
  EXPECT_EQ(shot->PixelColor(max.X, max.Y), ColorOfPixel(GlyphPixel(1, 0)));
  EXPECT_EQ(shot->PixelColor(min.X, min.Y), ColorOfPixel(GlyphPixel(2, 0)));
  POINT client{form->ClientWidth() / 2, form->ClientHeight() / 2};
  ClientToScreen(form->Handle(), &client);
  RECT wr{};
  GetWindowRect(form->Handle(), &wr);
  EXPECT_EQ(shot->PixelColor(client.x - wr.left, client.y - wr.top), kClientActive);
  // The caption text is written in the title section's font colour (white).
  Integer white = 0;
  for (Integer x = sp->FIconRect.Right; x < sp->ButtonMin.cpRect.Left; ++x)
    for (Integer y = sp->VCenter - 6; y <= sp->VCenter + 6; ++y) white += shot->PixelColor(x, y) == clWhite;
  EXPECT_GT(white, 10);
}

TEST_F(Picture, ActivationChangesTheCaption) {
  SendMessageW(form->Handle(), WM_NCACTIVATE, FALSE, 0);
  EXPECT_FALSE(sp->FormActive);
  EXPECT_EQ(Shot()->PixelColor(TitlePoint().X, TitlePoint().Y), kTitleInactive);
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  EXPECT_TRUE(sp->FormActive);
  EXPECT_EQ(Shot()->PixelColor(TitlePoint().X, TitlePoint().Y), kTitleActive);
}

// Hover and press repaint one button from the saved title strip: the picture is not rebuilt.
TEST_F(Picture, HotAndPressedButtonRepaintWithoutARebuild) {
  // Nothing glows: the form's own picture shows the looks.
  skin->skin.Manager.Effects.AllowGlowing = false;
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  ASSERT_FALSE(sp->FCommonData->BGChanged);
  const TPoint close = Centre(sp->ButtonClose);
  RECT wr{};
  GetWindowRect(form->Handle(), &wr);
  SendMessageW(form->Handle(), WM_NCMOUSEMOVE, HTCLOSE, MAKELPARAM(wr.left + close.X, wr.top + close.Y));
  EXPECT_FALSE(sp->FCommonData->BGChanged);
  EXPECT_EQ(Shot()->PixelColor(close.X, close.Y), ColorOfPixel(GlyphPixel(0, 1)));
  SetCursorPos(wr.left + close.X, wr.top + close.Y);
  SendMessageW(form->Handle(), WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(wr.left + close.X, wr.top + close.Y));
  EXPECT_EQ(Shot()->PixelColor(close.X, close.Y), ColorOfPixel(GlyphPixel(0, 2)));
  SetCursorPos(wr.left + 150, wr.top + 120);
  SendMessageW(form->Handle(), WM_NCLBUTTONUP, HTCAPTION, MAKELPARAM(wr.left + 150, wr.top + 120));
  SendMessageW(form->Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(Shot()->PixelColor(close.X, close.Y), ColorOfPixel(GlyphPixel(0, 0)));
  EXPECT_FALSE(sp->FCommonData->BGChanged);
  EXPECT_EQ(Shot()->PixelColor(TitlePoint().X, TitlePoint().Y), kTitleActive);
}

TEST_F(Picture, RegionCutsTheKeyCornersOfTheBorderMask) {
  SendMessageW(form->Handle(), WM_NCPAINT, 1, 0);
  const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(GetWindowRgn(form->Handle(), rgn.get()), ERROR);
  RECT wr{};
  GetWindowRect(form->Handle(), &wr);
  const Integer w = wr.right - wr.left, h = wr.bottom - wr.top;
  struct Case {
    Integer x, y;
    bool inside;
  } cases[] = {{0, 0, false},    {1, 0, false},     {0, 1, false},       {2, 0, true},
               {1, 1, true},     {w - 1, 0, false}, {w - 2, 0, false},   {w - 1, 1, false},
               {w - 3, 0, true}, {0, h - 1, true},  {w - 1, h - 1, true}};
  for (const Case& c : cases) EXPECT_EQ(PtInRegion(rgn.get(), c.x, c.y) != 0, c.inside) << c.x << "," << c.y;
}

TEST_F(Picture, MaximizedFormRegionIsTheFramelessRectangle) {
  ShowWindow(form->Handle(), SW_MAXIMIZE);
  Application->ProcessMessages();
  SendMessageW(form->Handle(), WM_NCPAINT, 1, 0);
  const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(GetWindowRgn(form->Handle(), rgn.get()), ERROR);
  RECT box{};
  GetRgnBox(rgn.get(), &box);
  const Integer b = SysBorderWidth(form->Handle(), nullptr, false);
  EXPECT_EQ(box.left, b);
  EXPECT_EQ(box.top, b);
  EXPECT_TRUE(PtInRegion(rgn.get(), b, b));  // no corner cut
}

TEST_F(Picture, NoHandleLeakedOverResizeAndActivationCycles) {
  auto cycle = [&](Integer i) {
    form->SetBounds(120, 110, 300 + i % 40, 200 + i % 30);
    SendMessageW(form->Handle(), WM_NCACTIVATE, i % 2, 0);
    SendMessageW(form->Handle(), WM_NCPAINT, 1, 0);
    form->Update();
  };
  for (Integer i = 0; i < 20; ++i) cycle(i);  // caches made once
  const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  for (Integer i = 0; i < 1000; ++i) cycle(i);
  EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi + 2);
  EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user + 2);
}

// The title icon takes the nearest icon size of the caption and is opaque in the picture (the
// icon drawing leaves alpha as it was; layered pictures need it).
TEST_F(Picture, TitleIconIsSizedFromTheCaptionAndOpaque) {
  ASSERT_TRUE(sp->IconVisible());
  EXPECT_EQ(sp->TitleIconWidth(), GetNearestSize(sp->CaptionHeight(true)));
  EXPECT_EQ(sp->FIconRect.Width(), sp->TitleIconWidth());
  EXPECT_EQ(sp->FIconRect.Height(), sp->TitleIconHeight());
  sp->FCommonData->BGChanged = true;
  sp->PaintAll();
  TBitmap& cache = *sp->FCommonData->FCacheBmp;
  Integer iconPixels = 0, transparent = 0;
  for (Integer y = sp->FIconRect.Top; y < sp->FIconRect.Bottom; ++y)
    for (Integer x = sp->FIconRect.Left; x < sp->FIconRect.Right; ++x) {
      const uint32_t px = cache.View().At(x, y);
      if ((px & 0xFFFFFF) == RgbOfColor(kTitleActive)) continue;  // the title shows through
      ++iconPixels;
      transparent += (px >> 24) != 0xFF;
    }
  EXPECT_GT(iconPixels, 20);
  EXPECT_EQ(transparent, 0);
}

TEST(NearestIconSize, BySize) {
  EXPECT_EQ(GetNearestSize(23), 16);
  EXPECT_EQ(GetNearestSize(47), 16);
  EXPECT_EQ(GetNearestSize(48), 24);
  EXPECT_EQ(GetNearestSize(64), 24);
  EXPECT_EQ(GetNearestSize(65), 32);
}

// WM_PRINT gives the skinned window, frame and client, as the layered animations take it.
TEST_F(Picture, PrintGivesTheSkinnedWindow) {
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  RECT wr{};
  GetWindowRect(form->Handle(), &wr);
  TBitmap bmp(wr.right - wr.left, wr.bottom - wr.top, pf32bit);
  SendMessageW(form->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(bmp.Canvas()->Handle()),
               PRF_NONCLIENT | PRF_CLIENT | PRF_CHILDREN);
  EXPECT_EQ(bmp.PixelColor(TitlePoint().X, TitlePoint().Y), kTitleActive);
  const TPoint close = Centre(sp->ButtonClose);
  EXPECT_EQ(bmp.PixelColor(close.X, close.Y), ColorOfPixel(GlyphPixel(0, 0)));
  EXPECT_EQ(bmp.PixelColor(1, bmp.Height() / 2), ColorOfPixel(kBorderPixel));
  EXPECT_EQ(bmp.PixelColor(sp->OffsetX() + form->ClientWidth() / 2, sp->OffsetY() + form->ClientHeight() / 2),
            kClientActive);

  // Only the background when asked to erase: at the device context's origin, the frame left alone.
  TBitmap erase(form->ClientWidth(), form->ClientHeight(), pf32bit);
  SendMessageW(form->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(erase.Canvas()->Handle()), PRF_ERASEBKGND);
  EXPECT_EQ(erase.PixelColor(form->ClientWidth() / 2, form->ClientHeight() / 2), kClientActive);
}

// A form whose skin data takes its own colour shows the form's Color over the whole picture the
// skin would fill, client included; without it the skin's look.
TEST_F(Picture, FormsOwnColourFillsItsPictureWhenItTakesItsOwnColour) {
  constexpr TColor kOwn = 0x2080E0;
  form->SetColor(kOwn);
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  auto clientPixel = [&] {
    auto shot = Shot();
    POINT client{form->ClientWidth() / 2, form->ClientHeight() / 2};
    ClientToScreen(form->Handle(), &client);
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    return shot->PixelColor(client.x - wr.left, client.y - wr.top);
  };
  sp->FCommonData->FCustomColor = false;
  sp->FCommonData->BGChanged = true;
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  EXPECT_EQ(clientPixel(), kClientActive);
  sp->FCommonData->FCustomColor = true;
  sp->FCommonData->BGChanged = true;
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  EXPECT_EQ(clientPixel(), kOwn);
  sp->FCommonData->FCustomColor = false;
}
