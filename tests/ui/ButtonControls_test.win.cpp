// Buttons: the push button's state images, styles (command link, split button with its
// drop-down menu), note and shield; the bit button (kind, glyph, owner drawing); the speed
// button (groups, flat look) and the timer speed button; the layout of glyph and caption.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/FormFixture.h"
#include "support/WindowProbes.h"
#include "ui/Buttons.h"
#include "ui/ImgList.h"
#include "ui/Menus.h"
#include "ui/Subclass.h"

namespace {

// A 16 x 16 bitmap of one colour.
std::unique_ptr<TBitmap> Solid(TColor color, Integer w = 16, Integer h = 16) {
  auto bmp = std::make_unique<TBitmap>(w, h, pf24bit);
  bmp->Canvas()->Brush()->SetColor(color);
  bmp->Canvas()->FillRect({0, 0, w, h});
  return bmp;
}

// Image `index` of a comctl32 list drawn alone: its centre pixel.
TColor ImageColor(HIMAGELIST list, int index) {
  TBitmap bmp(16, 16, pf32bit);
  ImageList_Draw(list, index, bmp.Canvas()->Handle(), 0, 0, ILD_NORMAL);
  return PixelAt(&bmp, 8, 8);
}

class TEvents : public TObject {
 public:
  std::vector<std::string> log;
  void Click(TObject* sender) { log.push_back("click " + StringToUtf8(static_cast<TComponent*>(sender)->Name())); }
  void DropDown(TObject*) {
    log.push_back("dropdown");
    // The menu that drops next is closed as soon as it is open.
    SetTimer(nullptr, 0, 150, &CloseMenu);
  }
  static void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
  }
  size_t Count(const std::string& e) const { return static_cast<size_t>(std::count(log.begin(), log.end(), e)); }
};

class ButtonsTest : public FormTest {
 protected:
  TEvents events;
};

}  // namespace

TEST(ButtonContentLayout, GlyphAndCaptionArePlacedByLayoutMarginAndSpacing) {
  // A face of 100 x 40, a glyph of 16 x 16, a caption of 30 x 12.
  const struct {
    TButtonLayout layout;
    Integer margin, spacing;
    TPoint glyph;
    TRect text;
  } kCases[] = {
      // Centred as a group: (100 - 16 - 4 - 30 + 1) / 2 = 25 from the edge.
      {blGlyphLeft, -1, 4, {25, 12}, {45, 14, 75, 26}},
      {blGlyphRight, -1, 4, {59, 12}, {25, 14, 55, 26}},
      {blGlyphLeft, 5, 4, {5, 12}, {25, 14, 55, 26}},
      // Spacing -1 with a margin: the rest split on both sides of the caption.
      {blGlyphLeft, 5, -1, {5, 12}, {45, 14, 75, 26}},
      // Both -1: margin and spacing a third each of what is left: (100 - 46) / 3 = 18.
      {blGlyphLeft, -1, -1, {18, 12}, {52, 14, 82, 26}},
      // Vertical: (40 - 16 - 2 - 12 + 1) / 2 = 5 from the top.
      {blGlyphTop, -1, 2, {42, 5}, {35, 23, 65, 35}},
      {blGlyphBottom, 3, 2, {42, 21}, {35, 7, 65, 19}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.layout) * 100 + c.margin);
    const TButtonContentLayout l = ButtonContentLayout({100, 40}, {16, 16}, {30, 12}, c.layout, c.margin, c.spacing);
    EXPECT_EQ(l.GlyphPos, c.glyph);
    EXPECT_EQ(l.TextRect, c.text);
  }
  // Without a caption spacing is ignored: the glyph alone is centred.
  EXPECT_EQ(ButtonContentLayout({100, 40}, {16, 16}, {0, 0}, blGlyphLeft, -1, 10).GlyphPos, TPoint(42, 12));
}

TEST(ButtonGlyph, SettersHoldTheirRangesAndSayWhetherTheLookChanged) {
  TButtonGlyph g;
  EXPECT_TRUE(g.Glyph()->Empty());
  EXPECT_FALSE(g.SetNumGlyphs(1));  // already
  EXPECT_TRUE(g.SetNumGlyphs(9));
  EXPECT_EQ(g.NumGlyphs(), 4);
  EXPECT_TRUE(g.SetNumGlyphs(0));
  EXPECT_EQ(g.NumGlyphs(), 1);
  EXPECT_FALSE(g.SetMargin(-2));  // refused
  EXPECT_EQ(g.Margin(), -1);
  EXPECT_TRUE(g.SetMargin(3));
  EXPECT_FALSE(g.SetMargin(3));
  EXPECT_TRUE(g.SetLayout(blGlyphBottom));
  EXPECT_FALSE(g.SetLayout(blGlyphBottom));
  EXPECT_TRUE(g.SetSpacing(-1));
  EXPECT_EQ(g.Spacing(), -1);
  TBitmap strip(32, 16, pf24bit);
  EXPECT_TRUE(g.SetGlyph(&strip));
  EXPECT_EQ(g.Glyph()->Width(), 32);
  EXPECT_TRUE(g.SetGlyph(nullptr));
  EXPECT_TRUE(g.Glyph()->Empty());
}

TEST_F(ButtonsTest, PushButtonStateImagesReachTheSystemButton) {
  LoadForm(
      u"object F: TForm\n"
      u"  object imgs: TImageList\n  end\n"
      u"  object btn: TButton\n"
      u"    Left = 8\n    Top = 8\n    Width = 120\n    Height = 32\n"
      u"    Caption = \"Save\"\n"
      u"    Images = imgs\n"
      u"    ImageIndex = 0\n"
      u"    HotImageIndex = 1\n"
      u"    PressedImageIndex = 2\n"
      u"    DisabledImageIndex = 3\n"
      u"    SelectedImageIndex = 4\n"
      u"    ImageAlignment = iaRight\n"
      u"    ImageMargins.Left = 3\n"
      u"    ImageMargins.Right = 5\n"
      u"  end\n"
      u"end\n");
  auto* imgs = Find<TImageList>(u"imgs");
  auto* btn = Find<TButton>(u"btn");
  const TColor kColors[] = {clRed, clLime, clBlue, clGray, clYellow};
  for (TColor c : kColors) imgs->Add(Solid(c).get(), nullptr);
  ASSERT_EQ(ImageColor(imgs->Handle(), 1), Rgb(clLime));
  BUTTON_IMAGELIST bil{};
  ASSERT_TRUE(SendMessageW(btn->Handle(), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil)));
  ASSERT_NE(bil.himl, nullptr);
  EXPECT_EQ(bil.uAlign, static_cast<UINT>(BUTTON_IMAGELIST_ALIGN_RIGHT));
  EXPECT_EQ(bil.margin.left, 3);
  EXPECT_EQ(bil.margin.right, 5);
  // The system's state order: normal, hot, pressed, disabled, default, stylus hot.
  ASSERT_EQ(ImageList_GetImageCount(bil.himl), 6);
  const TColor kByState[] = {clRed, clLime, clBlue, clGray, clYellow, clLime};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(ImageColor(bil.himl, i), Rgb(kByState[i])) << "state image " << i;
  // A state without an index of its own shows ImageIndex; without ImageIndex no image.
  btn->SetPressedImageIndex(-1);
  SendMessageW(btn->Handle(), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil));
  EXPECT_EQ(ImageColor(bil.himl, 2), Rgb(clRed));
  btn->SetImageIndex(-1);
  SendMessageW(btn->Handle(), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil));
  EXPECT_EQ(bil.himl, nullptr);
  // The list going away takes the images with it.
  btn->SetImageIndex(0);
  imgs->Free();
  EXPECT_EQ(btn->Images(), nullptr);
  SendMessageW(btn->Handle(), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil));
  EXPECT_EQ(bil.himl, nullptr);
}

TEST_F(ButtonsTest, CommandLinkNoteAndShield) {
  LoadForm(
      u"object F: TForm\n"
      u"  object link: TButton\n"
      u"    Left = 8\n    Top = 8\n    Width = 250\n    Height = 60\n"
      u"    Caption = \"Install\"\n"
      u"    Style = bsCommandLink\n"
      u"    CommandLinkHint = \"Copies the files\"\n"
      u"    Default = True\n"
      u"  end\n"
      u"end\n");
  auto* link = Find<TButton>(u"link");
  EXPECT_EQ(StyleOf(link) & BS_TYPEMASK, BS_DEFCOMMANDLINK);
  wchar_t note[64] = {};
  DWORD size = 64;
  ASSERT_TRUE(
      SendMessageW(link->Handle(), BCM_GETNOTE, reinterpret_cast<WPARAM>(&size), reinterpret_cast<LPARAM>(note)));
  EXPECT_STREQ(note, L"Copies the files");
  EXPECT_EQ(SendMessageW(link->Handle(), BCM_GETNOTELENGTH, 0, 0), 16);
  // The shield has no query of its own: what the window is told is what counts.
  TSentMessages sent(link->Handle());
  link->SetElevationRequired(true);
  link->SetElevationRequired(false);
  std::vector<TLParam> shields;
  for (const TMessage& m : sent.seen)
    if (m.Msg == BCM_SETSHIELD) shields.push_back(m.LParam);
  EXPECT_EQ(shields, (std::vector<TLParam>{TRUE, FALSE}));
  // Not the default any more: the plain command link.
  link->SetDefault(false);
  form->Perform(CM_FOCUSCHANGED, 0, 0);
  EXPECT_EQ(StyleOf(link) & BS_TYPEMASK, BS_COMMANDLINK);
}

TEST_F(ButtonsTest, SplitButtonDropsItsMenuFromTheArrowAndClicksFromTheRest) {
  LoadForm(
      u"object F: TForm\n"
      u"  object menu: TPopupMenu\n"
      u"    object item: TMenuItem\n      Caption = \"More\"\n    end\n"
      u"  end\n"
      u"  object split: TButton\n"
      u"    Left = 8\n    Top = 8\n    Width = 120\n    Height = 30\n"
      u"    Caption = \"Send\"\n"
      u"    Style = bsSplitButton\n"
      u"    DropDownMenu = menu\n"
      u"  end\n"
      u"end\n");
  auto* split = Find<TButton>(u"split");
  auto* menu = Find<TPopupMenu>(u"menu");
  EXPECT_EQ(StyleOf(split) & BS_TYPEMASK, BS_SPLITBUTTON);
  split->SetOnClick(TNotifyEvent(&events, &TEvents::Click));
  split->SetOnDropDownClick(TNotifyEvent(&events, &TEvents::DropDown));
  TMessageRecorder recorder(split);
  ShowInFront();
  ClickAt(split->ClientToScreen(TPoint(split->Width() - 6, split->Height() / 2)));
  PumpMessages(500);
  EXPECT_EQ(events.Count("dropdown"), 1u);
  EXPECT_EQ(events.Count("click split"), 0u);
  EXPECT_EQ(menu->PopupComponent(), split);
  EXPECT_EQ(recorder.Of(CN_DROPDOWNCLOSED).size(), 1u);
  ClickAt(split->ClientToScreen(TPoint(20, split->Height() / 2)));
  PumpMessages(150);
  EXPECT_EQ(events.Count("click split"), 1u);
  EXPECT_EQ(events.Count("dropdown"), 1u);
}

TEST_F(ButtonsTest, BitButtonKindsGiveCaptionsResultsAndRoles) {
  const struct {
    TBitBtnKind kind;
    const char16_t* caption;
    TModalResult result;
    bool isDefault, isCancel;
  } kKinds[] = {
      {bkOK, u"OK", mrOk, true, false},
      {bkCancel, u"Cancel", mrCancel, false, true},
      {bkYes, u"&Yes", mrYes, true, false},
      {bkNo, u"&No", mrNo, false, true},
      {bkAbort, u"Abort", mrAbort, false, false},
      {bkRetry, u"&Retry", mrRetry, false, false},
      {bkIgnore, u"&Ignore", mrIgnore, false, false},
      {bkAll, u"&All", mrAll, false, false},
      {bkHelp, u"&Help", mrNone, false, false},
      {bkClose, u"&Close", mrNone, false, false},
  };
  for (const auto& k : kKinds) {
    SCOPED_TRACE(StringToUtf8(k.caption));
    auto* b = new TBitBtn(form);
    b->SetParent(form);
    b->SetKind(k.kind);
    EXPECT_EQ(b->Caption(), k.caption);
    EXPECT_EQ(b->ModalResult(), k.result);
    EXPECT_EQ(b->Default(), k.isDefault);
    EXPECT_EQ(b->Cancel(), k.isCancel);
    EXPECT_FALSE(b->IsCustomCaption());
    EXPECT_EQ(StyleOf(b) & BS_TYPEMASK, BS_OWNERDRAW);
    b->Free();
  }
  // A caption of the program's own stays through a change of kind.
  auto* b = new TBitBtn(form);
  b->SetParent(form);
  b->SetCaption(u"Go on");
  b->SetKind(bkOK);
  EXPECT_EQ(b->Caption(), u"Go on");
  EXPECT_TRUE(b->IsCustomCaption());
}

TEST_F(ButtonsTest, BitButtonClicksSetTheResultOrCloseTheForm) {
  auto* ok = new TBitBtn(form);
  ok->SetParent(form);
  ok->SetBounds(8, 8, 90, 30);
  ok->SetKind(bkOK);
  auto* close = new TBitBtn(form);
  close->SetParent(form);
  close->SetBounds(108, 8, 90, 30);
  close->SetKind(bkClose);
  close->SetOnClick(TNotifyEvent(&events, &TEvents::Click));
  ShowInFront();
  ClickAt(CentreOf(ok));
  PumpMessages(100);
  EXPECT_EQ(form->ModalResult(), mrOk);
  ClickAt(CentreOf(close));
  PumpMessages(100);
  EXPECT_FALSE(form->Visible());    // closed (hidden: not the main form)
  EXPECT_TRUE(events.log.empty());  // closing takes the click's place
}

TEST_F(ButtonsTest, BitButtonDrawsItsGlyphFromTheDescription) {
  // A 32 x 16 strip of two glyphs: red (up) and blue (disabled), fuchsia at the transparent
  // bottom-left corner of each.
  TBitmap strip(32, 16, pf24bit);
  strip.Canvas()->Brush()->SetColor(clRed);
  strip.Canvas()->FillRect({0, 0, 16, 16});
  strip.Canvas()->Brush()->SetColor(clBlue);
  strip.Canvas()->FillRect({16, 0, 32, 16});
  strip.Canvas()->Brush()->SetColor(clFuchsia);
  strip.Canvas()->FillRect({0, 12, 4, 16});
  strip.Canvas()->FillRect({16, 12, 20, 16});
  TMemoryStream bmp;
  strip.SaveToStream(bmp);
  const String hex = DescriptionBytes(bmp);
  LoadForm(
      u"object F: TForm\n"
      u"  object glyphBtn: TBitBtn\n"
      u"    Left = 8\n    Top = 8\n    Width = 100\n    Height = 40\n"
      u"    Caption = \"\"\n"
      u"    NumGlyphs = 2\n"
      u"    Margin = 10\n"
      u"    Glyph.Data = {" +
      hex +
      u"}\n"
      u"  end\n"
      u"end\n");
  auto* btn = Find<TBitBtn>(u"glyphBtn");
  ASSERT_EQ(btn->Glyph()->Width(), 32);
  const TPoint at =
      ButtonContentLayout({btn->ClientWidth() - 6, btn->ClientHeight() - 6}, {16, 16}, {0, 0}, blGlyphLeft, 10, 4)
          .GlyphPos;
  // The face lies inside the frame (3 pixels with the default look and the system's edge).
  auto picture = PrintedClient(btn);
  const Integer gx = 3 + at.X, gy = 3 + at.Y;
  EXPECT_EQ(PixelAt(picture.get(), gx + 8, gy + 4), Rgb(clRed));
  EXPECT_NE(PixelAt(picture.get(), gx + 1, gy + 14), Rgb(clFuchsia));  // transparent there
  btn->SetEnabled(false);
  picture = PrintedClient(btn);
  EXPECT_EQ(PixelAt(picture.get(), gx + 8, gy + 4), Rgb(clBlue));  // the disabled glyph
}

TEST_F(ButtonsTest, SpeedButtonsOfAGroupStayDownOneAtATime) {
  LoadForm(
      u"object F: TForm\n"
      u"  object one: TSpeedButton\n    Left = 8\n    Top = 8\n    GroupIndex = 1\n    Down = True\n    Caption = "
      u"\"1\"\n  end\n"
      u"  object two: TSpeedButton\n    Left = 40\n    Top = 8\n    GroupIndex = 1\n    Caption = \"2\"\n  end\n"
      u"  object free: TSpeedButton\n    Left = 72\n    Top = 8\n    Caption = \"3\"\n    Flat = True\n  end\n"
      u"end\n");
  auto* one = Find<TSpeedButton>(u"one");
  auto* two = Find<TSpeedButton>(u"two");
  auto* free = Find<TSpeedButton>(u"free");
  EXPECT_EQ(one->State(), bsExclusive);
  for (TSpeedButton* b : {one, two, free}) b->SetOnClick(TNotifyEvent(&events, &TEvents::Click));
  ShowInFront();
  ClickAt(CentreOf(two));
  PumpMessages(100);
  EXPECT_TRUE(two->Down());
  EXPECT_FALSE(one->Down());
  EXPECT_EQ(one->State(), bsUp);
  EXPECT_EQ(events.Count("click two"), 1u);
  // A second click leaves it down (AllowAllUp is off) and still clicks.
  ClickAt(CentreOf(two));
  PumpMessages(100);
  EXPECT_TRUE(two->Down());
  EXPECT_EQ(events.Count("click two"), 2u);
  // With AllowAllUp (given to the whole group) it comes up.
  one->SetAllowAllUp(true);
  EXPECT_TRUE(two->AllowAllUp());
  ClickAt(CentreOf(two));
  PumpMessages(100);
  EXPECT_FALSE(two->Down());
  // A button of no group never stays down.
  ClickAt(CentreOf(free));
  PumpMessages(100);
  EXPECT_FALSE(free->Down());
  EXPECT_EQ(events.Count("click free"), 1u);
  // A press that leaves the button before the release does not click.
  const TPoint start = CentreOf(free);
  SetCursorPos(start.X, start.Y);
  INPUT in[3]{};
  for (INPUT& i : in) i.type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in[1].mi.dx = MulDiv(start.X + 100, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  in[1].mi.dy = MulDiv(start.Y + 100, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(3, in, sizeof(INPUT));
  PumpMessages(100);
  EXPECT_EQ(events.Count("click free"), 1u);
}

TEST_F(ButtonsTest, FlatSpeedButtonShowsItsEdgeOnlyWhenPressed) {
  auto* b = new TSpeedButton(form);
  b->SetParent(form);
  b->SetBounds(20, 20, 40, 30);
  b->SetFlat(true);
  form->SetColor(clWhite);
  form->HandleNeeded();
  auto rest = PrintedClient(form);
  EXPECT_EQ(PixelAt(rest.get(), 20, 20), Rgb(clWhite));  // transparent at rest: the form shows
  b->SetGroupIndex(1);
  b->SetDown(true);
  auto down = PrintedClient(form);
  EXPECT_EQ(PixelAt(down.get(), 20, 20), Rgb(clBtnShadow));  // the sunken edge
  EXPECT_EQ(PixelAt(down.get(), 59, 49), Rgb(clBtnHighlight));
  // Up again and not transparent: its own colour covers the form, still without an edge.
  b->SetAllowAllUp(true);
  b->SetDown(false);
  b->SetTransparent(false);
  auto opaque = PrintedClient(form);
  EXPECT_EQ(PixelAt(opaque.get(), 20, 20), Rgb(clBtnFace));
  EXPECT_EQ(PixelAt(opaque.get(), 40, 35), Rgb(clBtnFace));
  EXPECT_EQ(PixelAt(opaque.get(), 19, 19), Rgb(clWhite));  // the form around it
}

TEST_F(ButtonsTest, TimerSpeedButtonRepeatsItsClickWhileHeld) {
  auto* b = new TTimerSpeedButton(form);
  b->SetParent(form);
  b->SetBounds(20, 20, 40, 30);
  b->SetName(u"repeat");
  b->SetOnClick(TNotifyEvent(&events, &TEvents::Click));
  ShowInFront();
  const TPoint at = CentreOf(b);
  SetCursorPos(at.X, at.Y);
  INPUT down{};
  down.type = INPUT_MOUSE;
  down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  SendInput(1, &down, sizeof(INPUT));
  // The first repeat after 400 ms, then one each 100 ms.
  PumpMessages(300);
  EXPECT_EQ(events.Count("click repeat"), 0u);
  PumpMessages(450);
  const size_t held = events.Count("click repeat");
  EXPECT_GE(held, 2u);
  EXPECT_LE(held, 6u);
  INPUT up{};
  up.type = INPUT_MOUSE;
  up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &up, sizeof(INPUT));
  PumpMessages(50);
  const size_t released = events.Count("click repeat");
  EXPECT_EQ(released, held + 1);  // the release's own click
  PumpMessages(300);
  EXPECT_EQ(events.Count("click repeat"), released);
}
