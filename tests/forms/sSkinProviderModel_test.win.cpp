// The provider's own parts of the caption and the client: the title icon's glyph, the added
// title after the caption, the header band under the caption and its font answer, the
// provider's own class-name lists, the link to the form's title bar, and the background answer
// a child gets from the form.
#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "forms/kvTitleBar.h"
#include "forms/sMDIForm.h"
#include "forms/sSkinProvider.h"
#include "raster/Shapes.h"
#include "skin/sVclUtils.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/Menus.h"
#include "ui/ScopeGuard.h"
#include "ui/StdCtrls.h"
#include "ui/StringList.h"
#include "wrappers/kvSBUtils.h"

using namespace formskin;

namespace {

constexpr TColor kHeaderColor = 0x00206020;  // dark green (TColor 0x00BBGGRR)
constexpr uint32_t kGlyphRed = 0xFFE01010;   // 0xAARRGGBB
constexpr TColor kAddedRed = 0x000000FF;     // pure red as a TColor

uint32_t CachePixel(TsSkinProvider* sp, Integer x, Integer y) { return sp->FCommonData->FCacheBmp->View().At(x, y); }

// Pixels of the picture's rectangle whose colour (0xAARRGGBB) passes a test.
std::vector<TPoint> CacheWhere(TsSkinProvider* sp, const TRect& r, const std::function<bool(uint32_t)>& test) {
  std::vector<TPoint> out;
  for (Integer y = r.Top; y < r.Bottom; ++y)
    for (Integer x = r.Left; x < r.Right; ++x)
      if (test(CachePixel(sp, x, y))) out.push_back(TPoint(x, y));
  return out;
}

// The glyph's red within the rounding of the alpha compositing, opaque.
bool IsGlyphRed(uint32_t p) {
  auto within2 = [](uint32_t a, uint32_t b) { return (a > b ? a - b : b - a) <= 2; };
  return (p >> 24) == 0xFF && within2(p >> 16 & 0xFF, 0xE0) && within2(p >> 8 & 0xFF, 0x10) && within2(p & 0xFF, 0x10);
}

bool IsRed(uint32_t p) { return (p >> 16 & 0xFF) >= 0xC0 && (p >> 8 & 0xFF) < 0x50 && (p & 0xFF) < 0x50; }
bool IsWhite(uint32_t p) { return (p >> 16 & 0xFF) >= 0xF0 && (p >> 8 & 0xFF) >= 0xF0 && (p & 0xFF) >= 0xF0; }

void Repaint(TsSkinProvider* sp) {
  sp->FCommonData->BGChanged = true;
  ASSERT_TRUE(sp->PaintAll());
}

// A glyph of one colour; a 24-bit one has its left column in the key colour.
std::unique_ptr<TBitmap> Glyph(Integer w, Integer h, TPixelFormat format) {
  auto g = std::make_unique<TBitmap>(w, h, format);
  const HDC dc = g->Canvas()->Handle();
  const TOwnedBrush red(CreateSolidBrush(RGB(0xE0, 0x10, 0x10)));
  const RECT all{0, 0, w, h};
  FillRect(dc, &all, red.get());
  if (format == pf32bit) {
    TPixelView v = g->View();
    for (Integer y = 0; y < h; ++y)
      for (Integer x = 0; x < w; ++x) v.At(x, y) = kGlyphRed;
  } else {
    const TOwnedBrush key(CreateSolidBrush(RGB(0xFF, 0x00, 0xFF)));
    const RECT left{0, 0, 1, h};
    FillRect(dc, &left, key.get());
  }
  return g;
}

// A paint handler that does nothing: the form counts as painting itself.
struct NoPaint {
  void Paint(TObject*) {}
};

class ProviderModel : public SkinnedForm {
 protected:
  NoPaint noPaint;
  // The text room of the title: from the icon to the first caption button, around the centre.
  TRect TitleRow() {
    const Integer left = sp->FIconRect.Width() > 0 ? sp->FIconRect.Right : 0;
    return TRect(left, sp->VCenter - 9, sp->ButtonMin.cpRect.Left, sp->VCenter + 9);
  }
};

// ---- Title icon -------------------------------------------------------------------------------

TEST_F(ProviderModel, TitleIconGlyphIsDrawnThroughItsAlphaAtItsSize) {
  SkinAndShow();
  ASSERT_TRUE(sp->IconVisible());
  sp->FTitleIcon->SetGlyph(Glyph(12, 10, pf32bit).get());
  EXPECT_EQ(sp->TitleIconWidth(), 12);
  EXPECT_EQ(sp->TitleIconHeight(), 10);
  Repaint(sp);
  const TRect r = sp->FIconRect;
  ASSERT_EQ(r.Width(), 12);
  ASSERT_EQ(r.Height(), 10);
  EXPECT_TRUE(IsGlyphRed(CachePixel(sp, r.Left, r.Top)));
  EXPECT_TRUE(IsGlyphRed(CachePixel(sp, r.Right - 1, r.Bottom - 1)));
  // Nothing of it outside its rectangle.
  EXPECT_FALSE(IsGlyphRed(CachePixel(sp, r.Right, r.Top + 4)));
}

TEST_F(ProviderModel, TitleIconGlyphOfAnotherFormatKeepsItsKeyColourTransparent) {
  SkinAndShow();
  sp->FTitleIcon->SetGlyph(Glyph(8, 8, pf24bit).get());
  Repaint(sp);
  const TRect r = sp->FIconRect;
  ASSERT_EQ(r.Width(), 8);
  // The key column shows the title behind it; the rest is the glyph, opaque.
  EXPECT_EQ(Rgb(CachePixel(sp, r.Left, r.Top + 3)), RgbOfColor(kTitleActive));
  EXPECT_TRUE(IsGlyphRed(CachePixel(sp, r.Left + 4, r.Top + 3)));
}

TEST_F(ProviderModel, TitleIconSizeStretchesTheGlyph) {
  SkinAndShow();
  sp->FTitleIcon->Width = 20;
  sp->FTitleIcon->Height = 14;
  sp->FTitleIcon->SetGlyph(Glyph(10, 7, pf32bit).get());
  EXPECT_EQ(sp->TitleIconWidth(), 20);
  EXPECT_EQ(sp->TitleIconHeight(), 14);
  Repaint(sp);
  const TRect r = sp->FIconRect;
  ASSERT_EQ(r.Width(), 20);
  EXPECT_TRUE(IsGlyphRed(CachePixel(sp, r.Left + 19, r.Top + 13)));
}

TEST_F(ProviderModel, HiddenTitleIconTakesNoRoomAndIsNotDrawn) {
  SkinAndShow();
  sp->FTitleIcon->SetGlyph(Glyph(12, 10, pf32bit).get());
  Repaint(sp);
  const TRect shown = sp->FIconRect;
  sp->FTitleIcon->SetVisible(false);
  EXPECT_FALSE(sp->IconVisible());
  EXPECT_EQ(sp->TitleIconWidth(), 0);
  EXPECT_EQ(sp->TitleIconHeight(), 0);
  Repaint(sp);
  EXPECT_EQ(sp->FIconRect.Width(), 0);
  EXPECT_TRUE(CacheWhere(sp, shown, IsGlyphRed).empty());
}

TEST_F(ProviderModel, TitleIconWithoutGlyphTakesTheSkinsSizeAndAnIcon) {
  SkinAndShow();
  ASSERT_TRUE(sp->FTitleIcon->Glyph()->Empty());
  EXPECT_EQ(sp->TitleIconWidth(), GetNearestSize(sp->CaptionHeight(true) - sp->SkinDataFor()->BITopMargin));
  sp->FTitleIcon->Width = 18;
  EXPECT_EQ(sp->TitleIconWidth(), 18);
  sp->FTitleIcon->Width = 0;
  Repaint(sp);
  // Some icon stands in the rectangle: its pixels differ from the plain title there.
  const auto drawn = CacheWhere(sp, sp->FIconRect, [](uint32_t p) { return Rgb(p) != RgbOfColor(kTitleActive); });
  EXPECT_FALSE(drawn.empty());
}

TEST_F(ProviderModel, TitleIconWithoutGlyphIsTheFormsOwnIconFirst) {
  SkinAndShow();
  // A green icon of the form's own.
  const std::unique_ptr<TBitmap> picture(new TBitmap(16, 16, pf32bit));
  TPixelView v = picture->View();
  for (Integer y = 0; y < 16; ++y)
    for (Integer x = 0; x < 16; ++x) v.At(x, y) = 0xFF10C010u;
  const HICON green = MakeCompIcon(picture.get());
  ASSERT_NE(green, nullptr);
  auto greenPixels = [this] {
    return CacheWhere(sp, sp->FIconRect, [](uint32_t p) {
      return (p >> 24) == 0xFF && (p >> 16 & 0xFF) < 0x30 && (p >> 8 & 0xFF) > 0xA0 && (p & 0xFF) < 0x30;
    });
  };
  SendMessageW(form->Handle(), WM_SETICON, ICON_SMALL, LPARAM(green));
  SendMessageW(form->Handle(), WM_SETICON, ICON_BIG, LPARAM(green));
  Repaint(sp);
  ASSERT_GT(sp->FIconRect.Width(), 0);
  EXPECT_EQ(Integer(greenPixels().size()), sp->FIconRect.Width() * sp->FIconRect.Height());
  // Without it another source gives the icon.
  SendMessageW(form->Handle(), WM_SETICON, ICON_SMALL, 0);
  SendMessageW(form->Handle(), WM_SETICON, ICON_BIG, 0);
  Repaint(sp);
  EXPECT_TRUE(greenPixels().empty());
  DestroyIcon(green);
}

// ---- Added title ------------------------------------------------------------------------------

TEST_F(ProviderModel, AddedTitleFollowsTheCaptionInItsOwnColour) {
  SkinAndShow();
  Repaint(sp);
  EXPECT_TRUE(CacheWhere(sp, TitleRow(), IsRed).empty());
  const auto caption = CacheWhere(sp, TitleRow(), IsWhite);
  ASSERT_FALSE(caption.empty());
  Integer captionRight = 0;
  for (const TPoint& p : caption) captionRight = Maxi(captionRight, p.X);

  sp->FAddedTitle->Font()->SetColor(kAddedRed);
  sp->FAddedTitle->SetText(u"IIIIII");
  Repaint(sp);
  const auto added = CacheWhere(sp, TitleRow(), IsRed);
  ASSERT_FALSE(added.empty());
  for (const TPoint& p : added) EXPECT_GT(p.X, captionRight);
  EXPECT_FALSE(CacheWhere(sp, TitleRow(), IsWhite).empty());  // the caption is still there
}

TEST_F(ProviderModel, AddedTitleTakesTheCaptionsPlaceWhenTheCaptionIsHidden) {
  SkinAndShow();
  sp->FAddedTitle->Font()->SetColor(kAddedRed);
  sp->FAddedTitle->SetText(u"IIIIII");
  sp->FAddedTitle->SetShowMainCaption(false);
  Repaint(sp);
  EXPECT_TRUE(CacheWhere(sp, TitleRow(), IsWhite).empty());
  const auto added = CacheWhere(sp, TitleRow(), IsRed);
  ASSERT_FALSE(added.empty());
  Integer left = added.front().X;
  for (const TPoint& p : added) left = Mini(left, p.X);
  // It starts where the caption would.
  EXPECT_LT(left, TitleRow().Left + 12);
}

TEST_F(ProviderModel, AddedTitleInTheSkinsColourAndDimmedOnAnInactiveForm) {
  SkinAndShow();
  sp->FAddedTitle->SetShowMainCaption(false);
  sp->FAddedTitle->SetText(u"IIIIII");
  Repaint(sp);
  // The title section's text colour (white) without a colour of its own.
  EXPECT_FALSE(CacheWhere(sp, TitleRow(), IsWhite).empty());
  sp->FAddedTitle->Font()->SetColor(kAddedRed);
  sp->FormActive = false;
  Repaint(sp);
  // Half way between red and the inactive title's white: no pure red, but pink.
  EXPECT_TRUE(CacheWhere(sp, TitleRow(), IsRed).empty());
  const auto pink = CacheWhere(sp, TitleRow(), [](uint32_t p) {
    return (p >> 16 & 0xFF) >= 0xF0 && (p >> 8 & 0xFF) >= 0x70 && (p >> 8 & 0xFF) <= 0x90 && (p & 0xFF) >= 0x70 &&
           (p & 0xFF) <= 0x90;
  });
  EXPECT_FALSE(pink.empty());
}

// ---- Header band ------------------------------------------------------------------------------

class HeaderBand : public ProviderModel {
 protected:
  void SetUp() override {
    ProviderModel::SetUp();
    TsGeneralData h = PlainSection(u"FORMHEADER", 0, kHeaderColor, 2);
    h.Props[1].Color = Integer(kHeaderColor);
    header = skin->skin.AddSection(h);
    skin->skin.Manager.SkinCommonInfo.Sections[ssFormHeader] = header;
    skin->skin.Data->Reindex();
  }
  Integer header = -1;
};

TEST_F(HeaderBand, BandOfItsHeightUnderTheCaptionInThePicture) {
  SkinAndShow();
  const Integer x = sp->OffsetX() + 40, top = sp->OffsetY();
  Repaint(sp);
  EXPECT_EQ(Rgb(CachePixel(sp, x, top + 2)), RgbOfColor(kClientActive));
  EXPECT_FALSE(sp->HeaderUsed());

  sp->FFormHeader->SetAdditionalHeight(20);
  EXPECT_TRUE(sp->HeaderUsed());
  Repaint(sp);
  EXPECT_EQ(Rgb(CachePixel(sp, x, top + 2)), RgbOfColor(kHeaderColor));
  EXPECT_EQ(Rgb(CachePixel(sp, x, top + 19)), RgbOfColor(kHeaderColor));
  EXPECT_EQ(Rgb(CachePixel(sp, x, top + 20)), RgbOfColor(kClientActive));
}

TEST_F(HeaderBand, UsedOnlyWithASectionOfTwoStates) {
  skin->skin.Data->gd[size_t(header)].States = 1;
  SkinAndShow();
  sp->FFormHeader->SetAdditionalHeight(20);
  EXPECT_FALSE(sp->HeaderUsed());
  sp->FFormHeader->SetAdditionalHeight(0);
  skin->skin.Data->gd[size_t(header)].States = 2;
  EXPECT_FALSE(sp->HeaderUsed());
}

TEST_F(HeaderBand, ControlsOnTheBandWriteInItsColours) {
  SkinAndShow();
  sp->FFormHeader->SetAdditionalHeight(20);
  struct Case {
    Integer top;
    Integer fontIndex;
  };
  for (const Case c : {Case{5, header}, Case{19, header}, Case{20, skin->form}, Case{60, skin->form}}) {
    TkvPaintInfo info;
    info.R = TRect(10, c.top, 50, c.top + 20);
    info.FontIndex = -7;
    SendMessageW(form->Handle(), SM_ALPHACMD, MAKEWPARAM(0, KV_GETFONTINDEX), LPARAM(&info));
    EXPECT_EQ(info.FontIndex, c.fontIndex) << "top " << c.top;
    EXPECT_EQ(info.SkinManager, sp->SkinManager()) << "top " << c.top;
  }
}

// ---- Class-name lists -------------------------------------------------------------------------

TEST_F(ProviderModel, OwnClassNamesAreLoadedIntoTheListsAndUsedInsteadOfTheManagers) {
  Skin();
  EXPECT_FALSE(sp->OwnThirdLists);
  EXPECT_EQ(sp->ActiveThirdLists(), &skin->skin.Manager.ThirdLists);
  for (const auto& list : sp->ThirdLists) {
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_TRUE(list->CaseSensitive());
  }
  sp->FThirdParty->SetString(tpButton, u"TMyButton\r\nTOtherButton");
  sp->Loaded();
  EXPECT_TRUE(sp->OwnThirdLists);
  EXPECT_EQ(sp->ActiveThirdLists(), &sp->ThirdLists);
  ASSERT_EQ(sp->ThirdLists[tpButton]->Count(), 2);
  EXPECT_EQ(sp->ThirdLists[tpButton]->Strings(1), u"TOtherButton");
  EXPECT_TRUE(SearchSupport(sp->ThirdLists, u"TMyButton"));
  EXPECT_FALSE(SearchSupport(sp->ThirdLists, u"tmybutton"));

  // The lists' texts go back into the strings.
  sp->ThirdLists[tpEdit]->Add(u"TMyEdit");
  sp->UpdateProviderThirdNames();
  EXPECT_EQ(sp->FThirdParty->GetString(tpEdit), sp->ThirdLists[tpEdit]->Text());
  EXPECT_NE(sp->FThirdParty->GetString(tpEdit).find(u"TMyEdit"), String::npos);
}

// ---- Title bar link ---------------------------------------------------------------------------

TEST_F(ProviderModel, RunTimeProviderLinksTheLastTitleBarAndForgetsARemovedOne) {
  new TsTitleBar(form);
  auto* last = new TsTitleBar(form);
  sp = TsSkinProvider::CreateRT(form);
  sp->AfterConstruction();
  EXPECT_EQ(sp->FTitleBar, last);
  delete last;
  EXPECT_EQ(sp->FTitleBar, nullptr);
}

TEST_F(ProviderModel, InsertedTitleBarIsLinkedWhileNoneIs) {
  Skin();
  EXPECT_EQ(sp->FTitleBar, nullptr);
  // Bars made on another form and moved over: the provider hears of them whole.
  const std::unique_ptr<TForm> other(new TForm(app.get()));
  auto* first = new TsTitleBar(other.get());
  auto* second = new TsTitleBar(other.get());
  other->RemoveComponent(first);
  form->InsertComponent(first);
  EXPECT_EQ(sp->FTitleBar, first);
  other->RemoveComponent(second);
  form->InsertComponent(second);
  EXPECT_EQ(sp->FTitleBar, first);
  form->RemoveComponent(first);
  EXPECT_EQ(sp->FTitleBar, nullptr);
  other->InsertComponent(first);
}

// ---- Background answer ------------------------------------------------------------------------

TkvBGInfo AskBackground(HWND wnd, TkvBGInfo info = {}) {
  SendMessageW(wnd, SM_ALPHACMD, MAKEWPARAM(0, KV_GETBG), LPARAM(&info));
  return info;
}

TEST_F(ProviderModel, BackgroundDrawnForTheAskerComesFromTheClientArea) {
  SkinAndShow();
  Repaint(sp);
  const std::unique_ptr<TBitmap> target(new TBitmap(10, 10, pf32bit));
  TkvBGInfo info;
  info.PleaseDraw = true;
  info.DrawDC = target->Canvas()->Handle();
  info.R = TRect(0, 0, 10, 10);
  AskBackground(form->Handle(), info);
  // From the client's top-left, not from the frame's corner (the skin's border reaches a few
  // pixels into the client).
  EXPECT_EQ(Rgb(target->View().At(4, 4)), RgbOfColor(kClientActive));
  EXPECT_EQ(Rgb(target->View().At(9, 9)), RgbOfColor(kClientActive));
}

// What a case of the background table works on.
struct BackgroundCase {
  TForm* form;
  TsSkinProvider* sp;
  FormSkin* skin;
  NoPaint* noPaint;
};

TEST_F(ProviderModel, BackgroundAnswers) {
  struct Case {
    const char* name;
    std::function<void(const BackgroundCase&)> setup;
    std::function<void(const BackgroundCase&, const TkvBGInfo&)> check;
  };
  const Case cases[] = {
      {"form painting itself: the picture at the client's place",
       [](const BackgroundCase& t) { t.form->SetOnPaint(TNotifyEvent(t.noPaint, &NoPaint::Paint)); },
       [](const BackgroundCase& t, const TkvBGInfo& i) {
         EXPECT_EQ(i.BgType, btCache);
         EXPECT_EQ(i.Bmp, t.sp->FCommonData->FCacheBmp.get());
         EXPECT_EQ(i.Offset, TPoint(t.sp->OffsetX(), t.sp->OffsetY()));
       }},
      {"client not drawn: the button face", [](const BackgroundCase& t) { t.sp->SetBoolean(5, false); },
       [](const BackgroundCase&, const TkvBGInfo& i) {
         EXPECT_EQ(i.BgType, btFill);
         EXPECT_EQ(i.Bmp, nullptr);
         EXPECT_EQ(i.Color, ColorToRGB(clBtnFace));
       }},
      {"one-state section on an active form: its only look",
       [](const BackgroundCase& t) {
         TsGeneralData& f = t.skin->skin.Data->gd[size_t(t.skin->form)];
         f.States = 1;
         f.Props[1].Color = 0x000000FF;
       },
       [](const BackgroundCase& t, const TkvBGInfo& i) {
         TkvBGInfo normal;
         InitBGInfo(t.sp->FCommonData.get(), &normal, 0);
         EXPECT_EQ(i.BgType, normal.BgType);
         EXPECT_EQ(i.Color, normal.Color);
         EXPECT_NE(i.Color, TColor(0x000000FF));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SkinAndShow();
    const BackgroundCase ctx{form, sp, skin.get(), &noPaint};
    c.setup(ctx);
    Repaint(sp);
    ASSERT_TRUE(sp->FormActive);
    c.check(ctx, AskBackground(form->Handle()));
    RenewForm();
  }
}

// A form with an outer border window, its layered-window calls recorded.
class OuterBorderModel : public ProviderModel {
 protected:
  void ShowWithBorder() {
    recorder.emplace();
    GiveShadow(*skin, TRect(10, 8, 12, 14));
    skin->skin.Data->ExTitleHeight = 30;
    skin->skin.Data->ExBorderWidth = 4;
    skin->skin.Data->Reindex();
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
    SkinAndShow();
    SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  }
  void TearDown() override {
    ProviderModel::TearDown();
    recorder.reset();
  }
  std::optional<layered::LayeredCalls> recorder;
};

TEST_F(OuterBorderModel, NoBackgroundWhileTheOuterBorderWindowIsStillToCome) {
  ShowWithBorder();
  ASSERT_NE(sp->BorderForm, nullptr);
  // The border window is gone for the moment (it comes back with the next showing or refresh):
  // the provider gives no answer and renders nothing (the form's scroll wrapper, which stands
  // in front of it, then answers from the skin data alone).
  sp->BorderForm.reset();
  auto ask = [this](TkvBGInfo& info) {
    TMessage m = MakeMessage(SM_ALPHACMD, uintptr_t{KV_GETBG} << 16, reinterpret_cast<intptr_t>(&info));
    return sp->KV_SMAlphaCmd_Common(m);
  };
  sp->FCommonData->BGChanged = true;
  TkvBGInfo waiting;
  EXPECT_FALSE(ask(waiting));
  EXPECT_EQ(waiting.BgType, btUnknown);
  EXPECT_TRUE(sp->FCommonData->BGChanged);
  // Without extended borders the same form answers.
  skin->skin.Manager.SetExtendedBorders(false);
  TkvBGInfo answered;
  EXPECT_TRUE(ask(answered));
  EXPECT_NE(answered.BgType, btUnknown);
  EXPECT_FALSE(sp->FCommonData->BGChanged);
}

// ---- Setters and lifecycle steps --------------------------------------------------------------

TEST_F(OuterBorderModel, AllowingExtendedBordersMakesAndFreesTheBorderWindow) {
  ShowWithBorder();
  ASSERT_NE(sp->BorderForm, nullptr);
  sp->SetBoolean(0, false);
  EXPECT_FALSE(sp->FAllowExtBorders);
  EXPECT_EQ(sp->BorderForm, nullptr);
  EXPECT_TRUE(sp->FCommonData->BGChanged || sp->FCommonData->FCacheBmp->Width() == form->Width());
  sp->SetBoolean(0, true);
  EXPECT_NE(sp->BorderForm, nullptr);
  // The manager's setting still rules: without extended borders none comes.
  sp->SetBoolean(0, false);
  skin->skin.Manager.SetExtendedBorders(false);
  sp->SetBoolean(0, true);
  EXPECT_EQ(sp->BorderForm, nullptr);
}

TEST_F(OuterBorderModel, NewTitleSectionReachesTheBorderWindowOrTheFrame) {
  ShowWithBorder();
  ASSERT_NE(sp->BorderForm, nullptr);
  const HWND bw = sp->BorderForm->LayeredWindow();
  auto shown = [bw] {
    size_t n = 0;
    for (const auto& c : layered::updates) n += c.wnd == bw ? 1 : 0;
    return n;
  };
  const size_t before = shown();
  sp->SetSkinSection(0, u"FORMTITLE");
  EXPECT_GT(shown(), before);
  EXPECT_EQ(sp->FTitleSkinIndex, skin->title);
  // Unchanged: nothing happens.
  const size_t again = shown();
  sp->SetSkinSection(0, u"FORMTITLE");
  EXPECT_EQ(shown(), again);
}

TEST_F(ProviderModel, MenuLineSectionIsStoredOnceChanged) {
  Skin();
  sp->SetSkinSection(1, u"MYMENULINE");
  EXPECT_EQ(sp->FMenuLineSkin, u"MYMENULINE");
  sp->SetSkinSection(1, u"MYMENULINE");
  EXPECT_EQ(sp->FMenuLineSkin, u"MYMENULINE");
}

TEST_F(ProviderModel, NewApplicationFontReachesTheTextsThatFollowedTheOldOne) {
  auto* bar = new TsTitleBar(form);
  TkvTitleBarItem* follows = bar->Items()->Add();
  TkvTitleBarItem* own = bar->Items()->Add();
  TkvTitleBarItem* system = bar->Items()->Add();
  follows->SetCaption(u"Go");
  follows->FFontData->SetUseSys(1, false);
  follows->FFontData->FFont->SetName(u"Tahoma");
  own->FFontData->SetUseSys(1, false);
  own->FFontData->FFont->SetName(u"Courier New");
  system->FFontData->FFont->SetName(u"Tahoma");  // takes the system's font name anyway
  sp = TsSkinProvider::CreateRT(form);
  sp->AfterConstruction();
  ASSERT_EQ(sp->FTitleBar, bar);
  ShowForm();
  sp->FAddedTitle->Font()->SetName(u"Tahoma");
  Repaint(sp);
  ASSERT_TRUE(bar->Initialized);
  ASSERT_EQ(follows->FFontData->UsedFont->Name(), u"Tahoma");

  DuRiruZireziv& manager = skin->skin.Manager;
  manager.DefOldFontName = u"Tahoma";
  manager.DefNewFontName = u"Arial";
  SendMessageW(form->Handle(), SM_ALPHACMD, MAKEWPARAM(0, KV_FONTSCHANGED), LPARAM(&manager));
  EXPECT_EQ(sp->FAddedTitle->Font()->Name(), u"Arial");
  EXPECT_EQ(follows->FFontData->FFont->Name(), u"Arial");
  EXPECT_EQ(own->FFontData->FFont->Name(), u"Courier New");
  EXPECT_EQ(system->FFontData->FFont->Name(), u"Tahoma");
  // The auto-sized item is measured anew with the new font (the caption's repaint did it).
  EXPECT_EQ(follows->FFontData->UsedFont->Name(), u"Arial");
}

TEST_F(ProviderModel, RightToLeftFormMirrorsTheManagersImagesWhenLoaded) {
  DuRiruZireziv& manager = skin->skin.Manager;
  manager.ButtonsOptions.AllowRTLSysButtons = true;
  Skin();
  ASSERT_TRUE(manager.IsActive());
  sp->Loaded();
  EXPECT_FALSE(manager.ManagerState.Contains(msRTLFlipped));
  form->SetBiDiMode(bdRightToLeft);
  sp->Loaded();
  EXPECT_TRUE(manager.ManagerState.Contains(msRTLFlipped));
  manager.FlipImages(false);
}

TEST_F(ProviderModel, OwnerDrawnMenuKeepsItsDrawing) {
  auto* menu = new TMainMenu(form);
  menu->SetOwnerDraw(true);
  form->SetMenu(menu);
  Skin();
  sp->PrepareForm();
  EXPECT_TRUE(sp->FMenuOwnerDraw);
  EXPECT_TRUE(sp->MenusInitialized);
  menu->SetOwnerDraw(false);
  sp->PrepareForm();
  EXPECT_FALSE(sp->FMenuOwnerDraw);
}

TkvMainWnd* MakeScrollWrapper(HWND wnd, DuRiruZireziv* manager, TkvSkinParams& params) {
  return TkvMainWnd::MakeWrapper<TkvScrollWnd>(wnd, nullptr, manager, params, false);
}

// A control moved onto the form from another owner is handed to the adapter when it is
// inserted (a control made on the form is adapted when its window comes).
TEST_F(ProviderModel, ControlInsertedIntoTheFormIsAdapted) {
  skin->skin.Manager.ThirdLists[tpButton]->Add(u"TButton");
  const TkvWrapperMaker saved = WndTypes[tpButton];
  WndTypes[tpButton] = &MakeScrollWrapper;
  const TScopeExit restore([saved] { WndTypes[tpButton] = saved; });
  Skin();
  sp->LoadInit();
  ShowForm();
  ASSERT_NE(sp->Adapter, nullptr);
  const std::unique_ptr<TForm> other(new TForm(app.get()));
  // Parented while the provider leaves foreign controls alone: not adapted yet.
  sp->FAllowSkin3rdParty = false;
  auto* button = new TButton(other.get());
  button->SetParent(form);
  button->SetBounds(10, 150, 75, 25);
  button->HandleNeeded();
  const Integer before = sp->Adapter->ItemCount();
  EXPECT_FALSE(WndIsSkinned(button->Handle()));
  sp->FAllowSkin3rdParty = true;
  other->RemoveComponent(button);
  form->InsertComponent(button);
  EXPECT_EQ(sp->Adapter->ItemCount(), before + 1);
  EXPECT_TRUE(WndIsSkinned(button->Handle()));
}

// ---- Going ------------------------------------------------------------------------------------

class ProviderMdi : public SkinnedMdiFrame {};

TEST_F(ProviderMdi, ChildWithAMenuThatGoesHasTheMainFormsMenuLineCountedAnew) {
  ASSERT_EQ(MDISkinProvider, sp);
  TForm* child = MakeChild(u"Child");
  child->SetMenu(new TMainMenu(child));
  auto* childSp = new TsSkinProvider(child);
  childSp->AfterConstruction();
  PumpMessages();
  sp->FLinesCount = 7;  // a count no line holds: a recount replaces it
  delete childSp;
  EXPECT_NE(sp->FLinesCount, 7);
  EXPECT_EQ(MDISkinProvider, sp);
}

TEST_F(ProviderMdi, MainFormsProviderThatGoesIsNoLongerTheMainOne) {
  ASSERT_EQ(MDISkinProvider, sp);
  delete sp;
  sp = nullptr;
  EXPECT_EQ(MDISkinProvider, nullptr);
}

}  // namespace
