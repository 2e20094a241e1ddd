// Painting of a skinned standard dialog: the caption in the title font on the skin's caption
// plate with its glow, the client background painted around the child windows, the frame handed
// back to the system and taken again, and the title icons placed as the skin aligns them.
#include <vector>

#include "base/Composition.h"
#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "skin/sCommonData.h"
#include "support/DialogFixture.h"
#include "ui/Bitmap.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"

using namespace formskin;
using namespace dialogtest;

namespace {

constexpr TColor kPlate = 0x0030C060;  // the caption plate's colour (TColor, 0x00BBGGRR)
constexpr TColor kGlow = 0x000000FF;   // a pure red glow

class DialogPainting : public DialogWrapper {
 protected:
  // The skin gets a caption section: a plate of its own colour with black text.
  Integer AddCaptionPlate(Integer glowSize = 0) {
    TsGeneralData plate = PlainSection(u"CAPTION", 0, kPlate, 2);
    plate.Props[1].Color = Integer(kPlate);
    for (auto& look : plate.Props) {
      look.FontColor.Color = 0;
      look.GlowSize = glowSize;
      look.GlowColor = Integer(kGlow);
    }
    const Integer index = skin->skin.AddSection(plate);
    skin->skin.Manager.SkinCommonInfo.Sections[ssCaption] = index;
    skin->skin.Data->Reindex();
    return index;
  }
  // The shown dialog with a caption, its wrapper.
  TkvDialogWnd* ShowCaptioned(const wchar_t* caption) {
    if (!MakeDialog()) return nullptr;
    SetWindowTextW(dlg, caption);
    ShowDialog();
    return Wrapper();
  }
  // The title's text room on the screen: below the top border, from the caption's start to the
  // first border icon (window coordinates).
  TRect TextRoom(TkvDialogWnd* w) {
    Integer right = w->Icons[TkvDialogWnd::biClose].Rect.Left;
    for (const auto& icon : w->Icons)
      if (!icon.Rect.IsEmpty()) right = Mini(right, icon.Rect.Left);
    return TRect(w->SysBorderWidth() + 4, kBorder, right - 2, w->HeaderHeight());
  }
};

// The rows that hold pixels other than the background in an area of a bitmap.
struct InkRows {
  Integer top = -1, bottom = -1;
  Integer Height() const { return top < 0 ? 0 : bottom - top + 1; }
};

InkRows InkIn(TBitmap& bmp, const TRect& area, TColor background, TColor border = clNone) {
  InkRows ink;
  for (Integer y = area.Top; y < area.Bottom; ++y)
    for (Integer x = area.Left; x < area.Right; ++x)
      if (const TColor p = bmp.PixelColor(x, y) & 0xFFFFFF; p != background && p != border) {
        if (ink.top < 0) ink.top = y;
        ink.bottom = y;
        break;
      }
  return ink;
}

// How high the text stands when drawn in the font of lf, by the system, black on white.
Integer InkHeightOf(const wchar_t* text, const LOGFONTW& lf) {
  TBitmap bmp(300, 80, pf32bit);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(TRect(0, 0, 300, 80));
  c->Font()->SetHandle(CreateFontIndirectW(&lf));
  SetTextColor(c->Handle(), 0);
  SetBkMode(c->Handle(), TRANSPARENT);
  RECT r{4, 4, 296, 76};
  DrawTextW(c->Handle(), text, -1, &r, DT_SINGLELINE | DT_NOPREFIX);
  return InkIn(bmp, TRect(0, 0, 300, 80), clWhite).Height();
}

LOGFONTW FontOf(HFONT font) {
  LOGFONTW lf{};
  GetObjectW(font, sizeof lf, &lf);
  return lf;
}

}  // namespace

// The caption is written in the system's caption font at 11 pixels, named as the manager's font
// mode says, whatever font the picture's canvas held before.
TEST_F(DialogPainting, CaptionIsWrittenInTheTitleFontOfTheFontMode) {
  const auto noGlow = SetForScope(skin->skin.Manager.Effects.AllowGlowing, false);
  AddDialogTitle();
  const LOGFONTW system = FontOf(TOwnedFont(kvGetTitleFont(skin->skin.Data->PPI)).get());
  ASSERT_NE(system.lfHeight, 0) << "no caption font from the system";
  struct Case {
    const char* what;
    TkvFontMode mode;
    const char16_t* face;  // null: the system's caption font
  } cases[] = {
      {"the system's font", fmDefault, nullptr},
      {"the skin's font", fmFromSkin, u"Courier New"},
      {"the manager's font", fmCustom, u"Times New Roman"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto mode = SetForScope(skin->skin.Manager.Fonts.MainMode, c.mode);
    const auto skinFont = SetForScope(skin->skin.Manager.SkinCommonInfo.MainFont, String(u"Courier New"));
    const auto ownFont = SetForScope(skin->skin.Manager.Fonts.MainFont, String(u"Times New Roman"));
    TkvDialogWnd* w = ShowCaptioned(L"WHW");
    ASSERT_NE(w, nullptr);
    ASSERT_NE(w->SkinData->FCacheBmp, nullptr);
    // A huge font left on the canvas must not be the one the caption is written in.
    w->SkinData->FCacheBmp->Canvas()->Font()->SetHeight(-40);
    w->SkinData->BGChanged = true;
    RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    const LOGFONTW used = FontOf(w->SkinData->FCacheBmp->Canvas()->Font()->Handle());
    EXPECT_EQ(used.lfHeight, ScaleInt(-11, w->SkinData));
    EXPECT_EQ(used.lfCharSet, DEFAULT_CHARSET);
    const String face = c.face ? String(c.face) : String(reinterpret_cast<const Char*>(system.lfFaceName));
    EXPECT_EQ(String(reinterpret_cast<const Char*>(used.lfFaceName)), face);
    // On the screen the text stands as high as in that font.
    LOGFONTW expected = used;
    auto shot = Shot();
    TRect room = TextRoom(w);
    room.Top = 0;  // the text may reach into the top border
    const InkRows ink = InkIn(*shot, room, kDialogClient, ColorOfPixel(kBorderPixel));
    EXPECT_GT(ink.Height(), 4);
    EXPECT_NEAR(ink.Height(), InkHeightOf(L"WHW", expected), 1);
    DestroyWindow(dlg);
    dlg = nullptr;
    CleanSupportedList();
  }
}

// With a caption section in the skin the caption lies on its plate: the plate spans the text
// and 4 pixels beside it, no further along the title.
TEST_F(DialogPainting, CaptionLiesOnTheSkinsCaptionPlate) {
  const auto noGlow = SetForScope(skin->skin.Manager.Effects.AllowGlowing, false);
  const Integer plate = AddCaptionPlate();
  TkvDialogWnd* w = ShowCaptioned(L"WW");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->FCaptionSkinIndex, plate);
  auto shot = Shot();
  const TRect room = TextRoom(w);
  // The plate's pixels and the text's (neither plate nor title) along the title.
  Integer plateLeft = -1, plateRight = -1, textLeft = -1, textRight = -1;
  for (Integer y = room.Top; y < room.Bottom; ++y)
    for (Integer x = room.Left - 4; x < room.Right; ++x) {
      const TColor p = shot->PixelColor(x, y) & 0xFFFFFF;
      if (p == kPlate) {
        plateLeft = plateLeft < 0 ? x : Mini(plateLeft, x);
        plateRight = Maxi(plateRight, x);
      } else if (p != kDialogClient && x >= room.Left) {
        textLeft = textLeft < 0 ? x : Mini(textLeft, x);
        textRight = Maxi(textRight, x);
      }
    }
  ASSERT_GE(plateLeft, 0) << "no plate behind the caption";
  ASSERT_GE(textLeft, 0) << "no caption";
  EXPECT_LT(plateLeft, textLeft);
  EXPECT_GT(plateRight, textRight);
  // The plate ends with the text: the rest of the title keeps the title's colour.
  EXPECT_LE(plateRight - textRight, 8);
  EXPECT_LT(plateRight, room.Right - 10);
  EXPECT_EQ(shot->PixelColor(room.Right - 4, (room.Top + room.Bottom) / 2) & 0xFFFFFF, kDialogClient);
}

// The caption plate's glow lies around the text, unless the process is a 32-bit one on 64-bit
// Windows without composition.
TEST_F(DialogPainting, CaptionGlowsUnlessTheSystemCannotShowIt) {
  const auto noGlow = SetForScope(skin->skin.Manager.Effects.AllowGlowing, false);
  AddCaptionPlate(4);
  for (const bool withoutAero : {false, true}) {
    SCOPED_TRACE(withoutAero ? "without composition" : "with glow");
    const auto aero = SetForScope(x64woAero, withoutAero);
    TkvDialogWnd* w = ShowCaptioned(L"WW");
    ASSERT_NE(w, nullptr);
    auto shot = Shot();
    const TRect room = TextRoom(w);
    Integer reddish = 0;
    for (Integer y = 0; y < room.Bottom; ++y)
      for (Integer x = room.Left - 6; x < room.Right; ++x) {
        const TColor p = shot->PixelColor(x, y);
        const Integer r = p & 0xFF, g = p >> 8 & 0xFF, b = p >> 16 & 0xFF;
        if (r > g + 40 && r > b + 40) ++reddish;
      }
    if (withoutAero) {
      EXPECT_EQ(reddish, 0);
    } else {
      EXPECT_GT(reddish, 10);
    }
    DestroyWindow(dlg);
    dlg = nullptr;
    CleanSupportedList();
  }
}

namespace {
HWND ChildAt(HWND dlg, const wchar_t* cls, DWORD style, Integer x, Integer y) {
  return CreateWindowExW(0, cls, L"", WS_CHILD | style, x, y, 40, 16, dlg, nullptr, nullptr, nullptr);
}
}  // namespace

// The client background is painted around the visible child windows, so that their pixels are
// not drawn over; statics that open a group, group boxes and hidden children take it.
TEST_F(DialogPainting, ClientBackgroundLeavesTheChildWindowsAlone) {
  ASSERT_NE(MakeDialog(), nullptr);
  struct Case {
    const char* what;
    const wchar_t* cls;
    DWORD style;
    bool keptFree;
  } cases[] = {
      {"edit", L"EDIT", WS_VISIBLE, true},
      {"plain static", L"STATIC", WS_VISIBLE | SS_LEFT, true},
      {"static opening a group", L"STATIC", WS_VISIBLE | WS_GROUP | SS_LEFT, false},
      {"group box", L"BUTTON", WS_VISIBLE | BS_GROUPBOX, false},
      {"hidden push button", L"BUTTON", BS_PUSHBUTTON, false},
  };
  std::vector<HWND> children;
  Integer y = 2;
  for (const Case& c : cases) {
    children.push_back(ChildAt(dlg, c.cls, c.style, 4, y));
    y += 20;
  }
  ShowDialog();
  RECT client{};
  GetClientRect(dlg, &client);
  TBitmap bmp(client.right, client.bottom, pf32bit);
  bmp.Canvas()->Brush()->SetColor(clFuchsia);
  bmp.Canvas()->FillRect(TRect(0, 0, client.right, client.bottom));
  EXPECT_EQ(SendMessageW(dlg, WM_ERASEBKGND, WPARAM(bmp.Canvas()->Handle()), 0), 1);
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].what);
    const Integer cy = 2 + Integer(i) * 20 + 8;
    EXPECT_EQ(bmp.PixelColor(24, cy) & 0xFFFFFF, cases[i].keptFree ? clFuchsia : kDialogClient);
  }
  EXPECT_EQ(bmp.PixelColor(client.right - 4, client.bottom - 4) & 0xFFFFFF, kDialogClient);
}

namespace {
Integer gParentReady = 0;
LRESULT CALLBACK CountParentReady(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == SM_ALPHACMD && HIWORD(wp) == KV_ENDPARENTUPDATE) ++gParentReady;
  return DefWindowProcW(h, msg, wp, lp);
}
}  // namespace

// Erasing without a DC paints through the window's own; updating ends with it, and the
// children hear that the background is ready.
TEST_F(DialogPainting, ErasingWithoutADcPaintsTheWindowAndTellsTheChildren) {
  const ProbeWindowClass probe(L"DialogPaintingProbeChild", &CountParentReady);
  ASSERT_NE(MakeDialog(), nullptr);
  ASSERT_NE(ChildAt(dlg, probe.Name(), WS_VISIBLE, 100, 4), nullptr);
  ShowDialog();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  const TPoint client = ClientOrigin(dlg);
  {
    const TWindowDC dc(dlg);
    const TOwnedBrush black(CreateSolidBrush(0));
    RECT r{client.X, client.Y, client.X + 20, client.Y + 20};
    FillRect(dc, &r, black.get());
  }
  ASSERT_EQ(At(client.X + 10, client.Y + 10), TColor(0));
  w->SkinData->FUpdating = true;
  gParentReady = 0;
  EXPECT_EQ(SendMessageW(dlg, WM_ERASEBKGND, 0, 0), 1);
  EXPECT_EQ(At(client.X + 10, client.Y + 10), kDialogClient);
  EXPECT_FALSE(w->SkinData->FUpdating);
  EXPECT_EQ(gParentReady, 1);
  DestroyWindow(dlg);
  dlg = nullptr;
}

// The frame handed back to the system loses the shadow window and the window region; taken
// again, both come back. The dialog answers whether it is updating.
TEST_F(DialogPainting, FrameIsHandedToTheSystemAndTakenBack) {
  GiveShadow(*skin, TRect(5, 5, 5, 5));
  ASSERT_NE(MakeDialog(), nullptr);
  // The skin the dialog gets when it is made does not show it before its owner does.
  ASSERT_NE(Wrapper(), nullptr);
  EXPECT_FALSE(IsWindowVisible(dlg));
  TkvDialogWnd* w = ShowWithOuterBorder();
  ASSERT_NE(w, nullptr);
  const auto hasRegion = [&] {
    const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
    return GetWindowRgn(dlg, rgn.get()) != ERROR;
  };
  ASSERT_TRUE(hasRegion());
  {
    const auto off = SetForScope(skin->skin.Manager.Options.DrawNonClientArea, false);
    SendMessageW(dlg, SM_ALPHACMD, uintptr_t(KV_SETNCSKINNED) << 16, 0);
    EXPECT_EQ(w->BorderForm, nullptr);
    EXPECT_FALSE(hasRegion());
    // The system paints the frame now: the skin's border colour is gone from the left side.
    RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    EXPECT_NE(At(1, Shot()->Height() / 2), ColorOfPixel(kBorderPixel));
    // Nor are the skin's border icons there to hit.
    const TRect& close = w->Icons[TkvDialogWnd::biClose].Rect;
    ASSERT_FALSE(close.IsEmpty());
    const POINT p = ScreenPoint(TPoint((close.Left + close.Right) / 2, (close.Top + close.Bottom) / 2));
    EXPECT_NE(SendMessageW(dlg, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTCLOSE);
    EXPECT_EQ(w->CurrentHT, 0);
  }
  SendMessageW(dlg, SM_ALPHACMD, uintptr_t(KV_SETNCSKINNED) << 16, 1);
  EXPECT_NE(w->BorderForm, nullptr);
  EXPECT_TRUE(hasRegion());
  for (const bool updating : {true, false}) {
    w->SkinData->FUpdating = updating;
    EXPECT_EQ(SendMessageW(dlg, SM_ALPHACMD, uintptr_t(KV_PREPARING) << 16, 0), updating ? 1 : 0);
  }
}

// A skin that aligns its title icons at the top puts them at the frame's top edge; otherwise
// they are centred on the title.
TEST_F(DialogPainting, BorderIconsFollowTheSkinsVerticalAlignment) {
  for (const Integer align : {0, 1}) {
    SCOPED_TRACE(align);
    const auto va = SetForScope(skin->skin.Manager.SkinCommonInfo.BIVAlign, align);
    ASSERT_NE(MakeDialog(), nullptr);
    ShowDialog();
    TkvDialogWnd* w = Wrapper();
    ASSERT_NE(w, nullptr);
    const TRect& close = w->Icons[TkvDialogWnd::biClose].Rect;
    ASSERT_FALSE(close.IsEmpty());
    EXPECT_EQ(close.Top, align == 1 ? 0 : (w->HeaderHeight() - kGlyphH) / 2);
    // The picture shows the icon there.
    const TPoint at((close.Left + close.Right) / 2, close.Top + 1);
    EXPECT_EQ(At(at.X, at.Y), ColorOfPixel(GlyphPixel(0, 0)));
    DestroyWindow(dlg);
    dlg = nullptr;
    CleanSupportedList();
  }
}

namespace {
// Whether the dialog was layered while the system handled its showing, and how often it was shown.
struct ShowProbe {
  Integer shows = 0;
  bool layeredWhileShown = false;
};
ShowProbe gShowProbe;
INT_PTR CALLBACK ProbeShowDialogProc(HWND wnd, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_SHOWWINDOW && wp) {
    ++gShowProbe.shows;
    gShowProbe.layeredWhileShown = (GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
  }
  return FALSE;
}
}  // namespace

// Under composition the system shows the dialog while it is layered, so that its own picture of
// the window does not appear before the skinned one; the style goes again afterwards.
TEST_F(DialogPainting, ShownLayeredUnderCompositionOnly) {
  const Integer aero = iAeroStatus;
  const TScopeExit restore([&] { iAeroStatus = aero; });
  for (const bool composition : {false, true}) {
    SCOPED_TRACE(composition ? "composition" : "no composition");
    iAeroStatus = composition ? 1 : 0;
    gShowProbe = {};
    ASSERT_NE(MakeDialogWithProc(&ProbeShowDialogProc), nullptr);
    ASSERT_NE(Wrapper(), nullptr);
    ShowDialog();
    EXPECT_EQ(gShowProbe.shows, 1);
    EXPECT_EQ(gShowProbe.layeredWhileShown, composition);
    EXPECT_FALSE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_LAYERED);
    DestroyWindow(dlg);
    dlg = nullptr;
    CleanSupportedList();
  }
}

namespace {
constexpr TColor kIconColor = 0x0000C000;  // green
// A 16 x 16 icon: its left half transparent, its right half green.
HICON HalfGreenIcon() {
  // 0x00RRGGBB without alpha, so that the mask decides; black where transparent (XOR-ed there).
  std::vector<uint32_t> colour(16 * 16, 0x0000C000u);
  for (Integer y = 0; y < 16; ++y)
    for (Integer x = 0; x < 8; ++x) colour[size_t(y * 16 + x)] = 0;
  const TOwnedBitmap bits(CreateBitmap(16, 16, 1, 32, colour.data()));
  std::vector<Byte> mask(2 * 16);
  for (Integer y = 0; y < 16; ++y) mask[size_t(2 * y)] = 0xFF;  // set bits: transparent
  const TOwnedBitmap maskBits(CreateBitmap(16, 16, 1, 1, mask.data()));
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = bits.get();
  info.hbmMask = maskBits.get();
  return CreateIconIndirect(&info);
}
}  // namespace

// The dialog's small icon is taken when it shows, drawn on the key colour for its glyph and at
// the small size on the title; an icon that can no longer be copied gives way to the system's
// application icon.
TEST_F(DialogPainting, SmallIconOnTheTitleAndTheApplicationIconInstead) {
  HICON icon = HalfGreenIcon();
  ASSERT_NE(icon, nullptr);
  ASSERT_NE(MakeDialog(), nullptr);
  SendMessageW(dlg, WM_SETICON, ICON_SMALL, LPARAM(icon));
  ShowDialog();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->TitleIcon, icon);
  const Integer iw = GetSystemMetrics(SM_CXSMICON), ih = GetSystemMetrics(SM_CYSMICON);
  ASSERT_NE(w->TitleGlyph, nullptr);
  EXPECT_EQ(w->TitleGlyph->Width(), iw);
  EXPECT_EQ(w->TitleGlyph->PixelColor(iw / 4, ih / 2) & 0xFFFFFF, clFuchsia);
  EXPECT_EQ(w->TitleGlyph->PixelColor(iw * 3 / 4, ih / 2) & 0xFFFFFF, kIconColor);
  const TPoint at(w->SysBorderWidth() + skin->skin.Data->BILeftMargin, (w->HeaderHeight() - ih) / 2);
  EXPECT_EQ(At(at.X + iw / 4, at.Y + ih / 2), kDialogClient);
  EXPECT_EQ(At(at.X + iw * 3 / 4, at.Y + ih / 2), kIconColor);
  const auto countIconColour = [&] {
    auto shot = Shot();
    Integer green = 0, other = 0;
    for (Integer y = at.Y; y < at.Y + ih; ++y)
      for (Integer x = at.X; x < at.X + iw; ++x) {
        const TColor p = shot->PixelColor(x, y) & 0xFFFFFF;
        green += p == kIconColor;
        other += p != kIconColor && p != kDialogClient;
      }
    return std::pair<Integer, Integer>(green, other);
  };
  EXPECT_GT(countIconColour().first, iw * ih / 4);
  DestroyIcon(icon);
  w->SkinData->BGChanged = true;
  RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
  const auto [green, other] = countIconColour();
  EXPECT_EQ(green, 0);
  EXPECT_GT(other, 0) << "no application icon";
}

namespace {
// What the dialog looked like while the system handled a size change.
struct SizeProbe {
  Integer sizes = 0;
  RECT pending{};        // the part waiting to be painted
  bool drawing = false;  // WS_VISIBLE: drawing was not suspended
};
SizeProbe gSizeProbe;
INT_PTR CALLBACK ProbeSizeDialogProc(HWND wnd, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_SIZE) {
    ++gSizeProbe.sizes;
    GetUpdateRect(wnd, &gSizeProbe.pending, FALSE);
    gSizeProbe.drawing = (GetWindowLongW(wnd, GWL_STYLE) & WS_VISIBLE) != 0;
  }
  return FALSE;
}
}  // namespace

// With an outer border, a client that shrinks has what stays of the skin's old right corner image
// drawn again, drawing is suspended under composition while the system handles the change,
// and a size message that leaves the picture fitting repaints nothing.
TEST_F(DialogPainting, SizeChangesRenewTheCornerImagesOnly) {
  GiveShadow(*skin, TRect(5, 5, 5, 5));
  const Integer corner = skin->skin.AddImage(TRect(140, 0, 152, 10), 1, 0);
  skin->skin.Image(corner).ClassName = u"DIALOG";
  skin->skin.Image(corner).PropertyName = u"IMGBTMRIGHT";
  skin->skin.Image(corner).SkinIndex = skin->dialog;
  skin->skin.Data->Reindex();
  const Integer aero = iAeroStatus;
  const TScopeExit restore([&] { iAeroStatus = aero; });
  for (const bool composition : {false, true}) {
    SCOPED_TRACE(composition ? "composition" : "no composition");
    iAeroStatus = composition ? 1 : 0;
    ASSERT_NE(MakeDialogWithProc(&ProbeSizeDialogProc), nullptr);
    TkvDialogWnd* w = ShowWithOuterBorder();
    ASSERT_NE(w, nullptr);
    RECT r{};
    GetWindowRect(dlg, &r);
    RECT c{};
    GetClientRect(dlg, &c);
    EXPECT_EQ(w->LastClientRect.Width(), c.right) << "the client before the first change";
    // Growing leaves the corner alone; shrinking has what stays of the old one drawn again.
    for (const Integer delta : {20, -5}) {
      SCOPED_TRACE(delta);
      GetClientRect(dlg, &c);
      gSizeProbe = {};
      GetWindowRect(dlg, &r);
      SetWindowPos(dlg, nullptr, 0, 0, r.right - r.left + delta, r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      EXPECT_EQ(gSizeProbe.sizes, 1);
      EXPECT_EQ(gSizeProbe.drawing, !composition);
      const bool cornerPending = gSizeProbe.pending.left <= c.right - 12 && gSizeProbe.pending.right >= c.right - 5 &&
                                 gSizeProbe.pending.top <= c.bottom - 10 && gSizeProbe.pending.bottom >= c.bottom;
      // (A window whose drawing is suspended tells no pending part.)
      if (!composition) { EXPECT_EQ(cornerPending, delta < 0); }
      EXPECT_TRUE(IsWindowVisible(dlg));
    }
    GetClientRect(dlg, &c);
    EXPECT_EQ(w->LastClientRect.Width(), c.right);
    // A size message for the size the picture already has: the picture is left as it is.
    TBitmap* picture = w->SkinData->FCacheBmp.get();
    ASSERT_NE(picture, nullptr);
    const TPoint mark(picture->Width() / 2, picture->Height() / 2);
    picture->View().At(mark.X, mark.Y) = 0xFF123456u;
    SendMessageW(dlg, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.right, c.bottom));
    EXPECT_EQ(w->SkinData->FCacheBmp->View().At(mark.X, mark.Y), 0xFF123456u);
    DestroyWindow(dlg);
    dlg = nullptr;
    CleanSupportedList();
  }
}

namespace {
// The system commands the dialog was sent; moves and sizes are refused, so that no modal loop runs.
std::vector<WPARAM> gCommands;
INT_PTR CALLBACK ProbeCommandsDialogProc(HWND, UINT msg, WPARAM wp, LPARAM) {
  if (msg != WM_SYSCOMMAND) return FALSE;
  gCommands.push_back(wp);
  const WPARAM kind = wp & 0xFFF0;
  return kind == SC_MOVE || kind == SC_SIZE;
}
}  // namespace

// A press on a minimized dialog moves it, wherever it lands; a press on the title of a maximized
// one only activates it; a normal dialog's frame sizes as the system does it.
TEST_F(DialogPainting, PressesOnMinimizedAndMaximizedDialogs) {
  struct Case {
    const char* what;
    Integer show;
    WPARAM hit;
    bool atTitle;
    std::vector<WPARAM> commands;
  } cases[] = {
      {"minimized, on its bottom", SW_MINIMIZE, HTBOTTOM, false, {SC_DRAGMOVE}},
      {"maximized, on its title", SW_MAXIMIZE, HTCAPTION, true, {}},
      {"normal, on its bottom", SW_SHOWNORMAL, HTBOTTOM, false, {SC_SIZE | WMSZ_BOTTOM}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DialogTemplate tmpl{};
    tmpl.t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    tmpl.t.cx = 160;
    tmpl.t.cy = 80;
    dlg = CreateDialogIndirectParamW(nullptr, &tmpl.t, nullptr, &ProbeCommandsDialogProc, 0);
    ASSERT_NE(dlg, nullptr);
    ShowDialog();
    ShowWindow(dlg, c.show);
    Application->ProcessMessages();
    ASSERT_NE(Wrapper(), nullptr);
    // Another window is active when the press comes.
    SetActiveWindow(form->Handle());
    RECT w{};
    GetWindowRect(dlg, &w);
    const POINT p{w.left + (w.right - w.left) / 2, c.atTitle ? w.top + Wrapper()->HeaderHeight() / 2 : w.bottom - 2};
    gCommands.clear();
    SendMessageW(dlg, WM_NCLBUTTONDOWN, c.hit, MAKELPARAM(p.x, p.y));
    EXPECT_EQ(gCommands, c.commands);
    if (c.show == SW_MAXIMIZE) { EXPECT_EQ(GetActiveWindow(), dlg); }
    DestroyWindow(dlg);
    dlg = nullptr;
    CleanSupportedList();
  }
}

// Whichever comes first, the frame's paint or the client's, gives the children their wrappers.
TEST_F(DialogPainting, FramePaintGivesTheChildrenTheirWrappers) {
  ASSERT_NE(MakeDialog(), nullptr);
  ShowDialog();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(w->Initialized);
  // As if nothing had been painted yet, with a child made since.
  w->Initialized = false;
  const HWND button = ChildAt(dlg, L"BUTTON", WS_VISIBLE | BS_PUSHBUTTON, 10, 10);
  ASSERT_NE(button, nullptr);
  ASSERT_FALSE(WndIsSkinned(button));
  SendMessageW(dlg, WM_NCPAINT, 1, 0);
  EXPECT_TRUE(w->Initialized);
  EXPECT_TRUE(WndIsSkinned(button));
}

// A minimized dialog takes its frame from the system's metrics: its icons lie on it, and the
// maximize icon maximizes only a frame that can be maximized.
TEST_F(DialogPainting, MaximizeIconOfAMinimizedDialogFollowsItsFrame) {
  struct Case {
    const char* what;
    DWORD frame;
    std::vector<WPARAM> commands;
  } cases[] = {
      {"dialog frame", DS_MODALFRAME, {}},
      {"sizing frame", WS_THICKFRAME, {SC_MAXIMIZE}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DialogTemplate tmpl{};
    tmpl.t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | c.frame;
    tmpl.t.cx = 160;
    tmpl.t.cy = 80;
    dlg = CreateDialogIndirectParamW(nullptr, &tmpl.t, nullptr, &ProbeCommandsDialogProc, 0);
    ASSERT_NE(dlg, nullptr);
    ShowDialog();
    ShowWindow(dlg, SW_MINIMIZE);
    Application->ProcessMessages();
    TkvDialogWnd* w = Wrapper();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(IsIconic(dlg));
    // Pressed and released on the icon.
    const TRect& icon = w->Icons[TkvDialogWnd::biMax].Rect;
    ASSERT_FALSE(icon.IsEmpty());
    // Placed on the minimized frame, by the system's caption metrics.
    RECT wr{};
    GetWindowRect(dlg, &wr);
    EXPECT_LE(icon.Right, wr.right - wr.left);
    EXPECT_EQ(w->CaptionHeight(), GetSystemMetrics(SM_CYCAPTION));
    const LPARAM at = ScreenParam(TPoint((icon.Left + icon.Right) / 2, (icon.Top + icon.Bottom) / 2));
    ASSERT_EQ(SendMessageW(dlg, WM_NCHITTEST, 0, at), HTMAXBUTTON);
    gCommands.clear();
    SendMessageW(dlg, WM_NCLBUTTONDOWN, HTMAXBUTTON, at);
    SendMessageW(dlg, WM_NCLBUTTONUP, HTMAXBUTTON, at);
    EXPECT_EQ(gCommands, c.commands);
    DestroyWindow(dlg);
    dlg = nullptr;
    CleanSupportedList();
  }
}
