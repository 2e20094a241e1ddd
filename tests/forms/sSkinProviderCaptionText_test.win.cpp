// The caption text of a skinned form: a new caption reaches the form's own frame and the outer
// border window's picture, the skin's caption plate and text glow, text written with alpha over
// an extended frame, the title's centre offset, right-to-left captions, the icon change with and
// without desktop composition, and the style changes that touch the caption (the system-menu
// close item, the system-menu bit, the layered bit).
#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "base/kvntUtils.h"
#include "forms/sSkinProvider.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"
#include "support/ShadowTemplate.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"

using namespace formskin;

namespace {

constexpr TColor kPlateColor = 0x000000C0;  // dark red (TColor 0x00BBGGRR)
constexpr TColor kPlateText = 0x0000FFFF;   // yellow
constexpr TColor kGlowColor = 0x0000FF00;   // green
constexpr TRect kShadow(10, 8, 12, 14);
constexpr Integer kTpl = 7;

// A picture to read pixels from: (x, y) gives 0xAARRGGBB.
using Reader = std::function<uint32_t(Integer, Integer)>;

// The pixels of a rectangle whose colour (0x00RRGGBB) passes a test.
std::vector<TPoint> PixelsWhere(const Reader& at, const TRect& r, const std::function<bool(uint32_t)>& test) {
  std::vector<TPoint> out;
  for (Integer y = r.Top; y < r.Bottom; ++y)
    for (Integer x = r.Left; x < r.Right; ++x)
      if (test(at(x, y))) out.push_back(TPoint(x, y));
  return out;
}

Reader FromBitmap(const TBitmap& bmp) {
  return [&bmp](Integer x, Integer y) { return 0xFF000000u | RgbOfColor(bmp.PixelColor(x, y)); };
}

Reader FromCall(const layered::UpdateCall& c) {
  return [&c](Integer x, Integer y) { return c.At(x, y); };
}

// The text's colour: white, or as near as the alpha-correct writer's coverage gets it.
bool IsWhite(uint32_t p) { return (p >> 16 & 0xFF) >= 0xF0 && (p >> 8 & 0xFF) >= 0xF0 && (p & 0xFF) >= 0xF0; }

// A form of the tests' skin, skinned and shown; with a shadow, through an outer border window
// whose pictures are recorded.
class CaptionText : public SkinnedForm {
 protected:
  void Prepare(bool outer, const std::function<void(FormSkin&)>& adjust = {}) {
    recorder.emplace();
    layered::updates.clear();
    if (outer) {
      GiveShadow(*skin, kShadow);
      TkvSkinData& d = *skin->skin.Data;
      d.ExTitleHeight = 30;
      d.ExBorderWidth = 4;
      d.ShdaTemplate = shadowtpl::Make(kTpl, 0x11);
      d.ShdiTemplate = shadowtpl::Make(kTpl, 0x22);
    }
    if (adjust) adjust(*skin);
    skin->skin.Data->Reindex();
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
    SetCursorPos(0, 0);
    SkinAndShow();
    SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
    if (outer) {
      ASSERT_TRUE(sp->BorderForm);
      bw = sp->BorderForm->LayeredWindow();
      ASSERT_TRUE(bw);
    }
  }
  void TearDown() override {
    SetCursorPos(0, 0);
    SkinnedForm::TearDown();
    recorder.reset();
  }
  const layered::UpdateCall* LastUpdate() {
    for (auto it = layered::updates.rbegin(); it != layered::updates.rend(); ++it)
      if (it->wnd == bw) return &*it;
    return nullptr;
  }
  // The caption's room in the picture: from the icon to the first caption button, the title's
  // rows around its centre line.
  TRect TextRoom() {
    const Integer left = sp->FIconRect.Width() > 0 ? sp->FIconRect.Right : sp->ShadowSize().Left;
    return TRect(left, sp->VCenter - 9, sp->ButtonMin.cpRect.Left, sp->VCenter + 9);
  }
  std::optional<layered::LayeredCalls> recorder;
  HWND bw = nullptr;
};

// The messages a form's previous window procedure receives, in order.
class MessageLog {
 public:
  explicit MessageLog(TsSkinProvider* sp) : sp_(sp), old_(sp->OldWndProc) {
    sp->OldWndProc = TWndMethod(this, &MessageLog::Proc);
  }
  ~MessageLog() { sp_->OldWndProc = old_; }
  MessageLog(const MessageLog&) = delete;
  MessageLog& operator=(const MessageLog&) = delete;
  void Proc(TMessage& m) {
    if (m.Msg == WM_SETREDRAW || m.Msg == WM_SETICON) seen.push_back({m.Msg, Integer(m.WParam)});
    old_(m);
  }
  struct Seen {
    Cardinal msg;
    Integer wParam;
    bool operator==(const Seen& o) const { return msg == o.msg && wParam == o.wParam; }
  };
  std::vector<Seen> seen;

 private:
  TsSkinProvider* sp_;
  TWndMethod old_;
};

}  // namespace

// A short caption leaves the right part of the caption's room to the title; a long one fills
// it: on the form's own frame as the screen shows it.
TEST_F(CaptionText, ANewCaptionReachesTheFormsOwnFrame) {
  Prepare(false);
  const TRect room = TextRoom();
  const TRect farPart(room.Left + 60, room.Top, room.Right, room.Bottom);
  form->SetCaption(u"I");
  auto shot = WindowShot(form->Handle());
  EXPECT_TRUE(PixelsWhere(FromBitmap(*shot), farPart, IsWhite).empty());
  EXPECT_FALSE(PixelsWhere(FromBitmap(*shot), room, IsWhite).empty());
  // The title around the text is the skin's, not the system's caption.
  EXPECT_EQ(shot->PixelColor(room.Right - 3, sp->VCenter), kTitleActive);
  form->SetCaption(u"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
  shot = WindowShot(form->Handle());
  EXPECT_GT(PixelsWhere(FromBitmap(*shot), farPart, IsWhite).size(), 20u);
}

// With an outer border window the form's region shows no title: the new caption reaches the
// border window's picture.
TEST_F(CaptionText, ANewCaptionReachesTheBorderWindow) {
  Prepare(true);
  const TRect room = TextRoom();
  const TRect farPart(room.Left + 60, room.Top, room.Right, room.Bottom);
  form->SetCaption(u"I");
  const layered::UpdateCall* before = LastUpdate();
  ASSERT_NE(before, nullptr);
  EXPECT_TRUE(PixelsWhere(FromCall(*before), farPart, IsWhite).empty());
  EXPECT_FALSE(PixelsWhere(FromCall(*before), room, IsWhite).empty());
  const size_t calls = layered::updates.size();
  form->SetCaption(u"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
  ASSERT_GT(layered::updates.size(), calls);
  const layered::UpdateCall* after = LastUpdate();
  ASSERT_NE(after, nullptr);
  const auto text = PixelsWhere(FromCall(*after), farPart, IsWhite);
  EXPECT_GT(text.size(), 20u);
  // The text lies over the opaque title.
  for (const TPoint& p : text) EXPECT_EQ(after->At(p.X, p.Y) >> 24, 0xFFu) << p.X << "," << p.Y;
}

// Over the frame the outer window draws from the skin's extended-border image (the shadow
// template, not opaque), the caption is written with alpha: its pixels are opaque text, no
// holes.
TEST_F(CaptionText, OverAnExtendedFrameTheTextKeepsItsAlpha) {
  Prepare(true, [](FormSkin& s) {
    TkvSkinData& d = *s.skin.Data;
    d.ExDrawMode = 1;
    d.ExContentOffs = 4;
    const Integer img = s.skin.AddImage(TRect(200, 0, 200 + kTpl, kTpl), 1, 0, 1, 3);
    for (Integer y = 0; y < kTpl; ++y)
      for (Integer x = 0; x < kTpl; ++x) s.skin.Put(img, 0, x, y, shadowtpl::Pixel(x, y, 0x11));
    d.ExBorder = img;
  });
  ASSERT_TRUE(sp->ExtendedFrameDrawing());
  form->SetCaption(u"WWWWWWWWWW");
  const layered::UpdateCall* c = LastUpdate();
  ASSERT_NE(c, nullptr);
  const auto text = PixelsWhere(FromCall(*c), TextRoom(), IsWhite);
  ASSERT_GT(text.size(), 20u);
  Integer holes = 0;
  // Opaque within the writer's rounding (a plain text output leaves alpha 0 there).
  for (const TPoint& p : text) holes += (c->At(p.X, p.Y) >> 24) < 0xF0;
  EXPECT_EQ(holes, 0);
}

// The skin's centre offset of its extended title moves the caption's text (and what is centred
// with it) down by that many pixels.
TEST_F(CaptionText, TheTitlesCentreOffsetMovesTheText) {
  auto middleRow = [&](Integer offset) {
    Prepare(true, [offset](FormSkin& s) { s.skin.Data->ExCenterOffs = offset; });
    form->SetCaption(u"WWWWWWWWWW");
    const layered::UpdateCall* c = LastUpdate();
    EXPECT_NE(c, nullptr);
    if (!c) return std::pair<double, Integer>(0, 0);
    const TRect room(sp->FIconRect.Right, kShadow.Top, sp->ButtonMin.cpRect.Left, kShadow.Top + 30 + 4);
    const auto text = PixelsWhere(FromCall(*c), room, IsWhite);
    double sum = 0;
    for (const TPoint& p : text) sum += p.Y;
    const Integer buttonTop = sp->ButtonClose.cpRect.Top;
    RenewForm();
    recorder.reset();
    return std::pair<double, Integer>(text.empty() ? 0 : sum / double(text.size()), buttonTop);
  };
  const auto plain = middleRow(0);
  const auto moved = middleRow(5);
  ASSERT_GT(plain.first, 0);
  EXPECT_NEAR(moved.first - plain.first, 5.0, 0.01);
  EXPECT_EQ(moved.second - plain.second, 5);
}

// A caption plate section: painted behind the text, a few pixels wider, and its font colour
// writes the text.
TEST_F(CaptionText, ThePlateSectionLiesBehindTheTextAndGivesItsColour) {
  Prepare(false, [](FormSkin& s) {
    TsGeneralData plate = PlainSection(u"CAPTION", 0, kPlateColor, 2);
    plate.Props[1].Color = Integer(kPlateColor);
    plate.Props[0].FontColor.Color = plate.Props[1].FontColor.Color = Integer(kPlateText);
    s.skin.Manager.SkinCommonInfo.Sections[ssCaption] = s.skin.AddSection(plate);
  });
  ASSERT_GE(sp->FCaptionSkinIndex, 0);
  form->SetCaption(u"WWWWWW");
  auto shot = WindowShot(form->Handle());
  const Reader at = FromBitmap(*shot);
  const TRect room = TextRoom();
  const auto yellow = PixelsWhere(at, room, [](uint32_t p) { return (p & 0xFFFFFF) == RgbOfColor(kPlateText); });
  EXPECT_GT(yellow.size(), 20u);
  EXPECT_TRUE(PixelsWhere(at, room, IsWhite).empty());
  // The plate: left of the text's first column, on the centre line.
  Integer textLeft = room.Right;
  for (const TPoint& p : yellow) textLeft = Mini(textLeft, p.X);
  EXPECT_EQ(shot->PixelColor(textLeft - 2, sp->VCenter), kPlateColor);
  // Far right of the text the title shows again.
  EXPECT_EQ(shot->PixelColor(room.Right - 3, sp->VCenter), kTitleActive);
}

// A glow size in the title section's active look draws a glow around the text first: pixels
// of the title turn towards the glow colour; its mask is kept for the next picture and goes
// with a new caption.
TEST_F(CaptionText, TheTitlesGlowSurroundsTheText) {
  struct Case {
    Integer glow;
    bool glowing;
  };
  for (const Case c : {Case{0, false}, Case{3, true}}) {
    SCOPED_TRACE(c.glow);
    Prepare(false, [&](FormSkin& s) {
      TsGeneralData& title = s.skin.Data->gd[size_t(s.title)];
      title.Props[1].GlowSize = c.glow;
      title.Props[1].GlowColor = Integer(kGlowColor);
    });
    form->SetCaption(u"WWWWWW");
    EXPECT_EQ(sp->FGlow1 != nullptr, c.glowing);
    auto shot = WindowShot(form->Handle());
    // The title (R 0x40, G 0x80, B 0xC0) moved towards green: more green, less blue. White text
    // blended over the title only adds blue.
    const auto green = PixelsWhere(FromBitmap(*shot), TextRoom(),
                                   [](uint32_t p) { return (p >> 8 & 0xFF) > 0x90 && (p & 0xFF) < 0xB0; });
    if (c.glowing)
      EXPECT_GT(green.size(), 20u);
    else
      EXPECT_TRUE(green.empty());
    RenewForm();
    recorder.reset();
  }
}

// The glow masks go when the caption changes (a mask is reused while its size fits, so a
// caption of the same size would show the old text's glow); the next picture makes them anew.
TEST_F(CaptionText, ANewCaptionDropsTheGlowMask) {
  Prepare(false, [](FormSkin& s) {
    TsGeneralData& title = s.skin.Data->gd[size_t(s.title)];
    title.Props[1].GlowSize = 3;
    title.Props[1].GlowColor = Integer(kGlowColor);
  });
  // Without composition the text change repaints through the frame paint, which waits while
  // redraw is locked: what the text change leaves is seen.
  const Integer savedAero = iAeroStatus;
  const TScopeExit restore([&] { iAeroStatus = savedAero; });
  iAeroStatus = 0;
  form->SetCaption(u"AAAA");
  ASSERT_NE(sp->FGlow1, nullptr);
  sp->LockCount = 1;
  form->SetCaption(u"BBBB");
  EXPECT_EQ(sp->FGlow1, nullptr);
  sp->LockCount = 0;
  SendMessageW(form->Handle(), WM_NCPAINT, 1, 0);
  EXPECT_NE(sp->FGlow1, nullptr);
}

// Right to left: the icon stands at the right, the buttons at the left; the caption is aligned
// to the right end of its room, before the icon.
TEST_F(CaptionText, ARightToLeftCaptionStandsAtTheRightBeforeTheIcon) {
  Prepare(false, [](FormSkin& s) { s.skin.Manager.ButtonsOptions.AllowRTLSysButtons = true; });
  form->SetBiDiMode(bdRightToLeft);
  ASSERT_TRUE(sp->SysRTLAllowed());
  form->SetCaption(u"WWWW");
  sp->CalcItems();
  sp->FCommonData->BGChanged = true;
  SendMessageW(form->Handle(), WM_NCPAINT, 1, 0);
  auto shot = WindowShot(form->Handle());
  ASSERT_GT(sp->FIconRect.Width(), 0);
  ASSERT_LT(sp->ButtonClose.cpRect.Right, shot->Width() / 2);
  const TRect room(sp->ButtonClose.cpRect.Right, sp->VCenter - 9, sp->FIconRect.Left, sp->VCenter + 9);
  const auto text = PixelsWhere(FromBitmap(*shot), room, IsWhite);
  ASSERT_GT(text.size(), 20u);
  Integer left = shot->Width(), right = 0;
  for (const TPoint& p : text) {
    left = Mini(left, p.X);
    right = Maxi(right, p.X);
  }
  EXPECT_GT(left, shot->Width() / 2);
  EXPECT_GT(right, sp->FIconRect.Left - 16);
}

// A new icon: with composition off the form's redraw is switched off around the system's
// handling (the skinned caption follows); with composition on the system handles it plainly.
// Both show the new icon in the caption.
TEST_F(CaptionText, ANewIconIsPassedOnQuietlyAndShowsInTheCaption) {
  struct Case {
    Integer aero;
    bool quiet;
  };
  const Integer savedAero = iAeroStatus;
  const TScopeExit restore([&] { iAeroStatus = savedAero; });
  const HICON icons[2] = {LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_WARNING)),
                          LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_ERROR))};
  Prepare(false);
  Integer n = 0;
  for (const Case c : {Case{0, true}, Case{1, false}}) {
    SCOPED_TRACE(c.aero);
    iAeroStatus = c.aero;
    const auto before = WindowShot(form->Handle());
    std::vector<MessageLog::Seen> seen;
    {
      MessageLog log(sp);
      SendMessageW(form->Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons[n++]));
      seen = log.seen;
    }
    using S = MessageLog::Seen;
    const std::vector<S> expected = c.quiet
                                        ? std::vector<S>{{WM_SETREDRAW, 0}, {WM_SETICON, ICON_SMALL}, {WM_SETREDRAW, 1}}
                                        : std::vector<S>{{WM_SETICON, ICON_SMALL}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(sp->LockCount, 0);
    const auto after = WindowShot(form->Handle());
    Integer changed = 0;
    for (Integer y = sp->FIconRect.Top; y < sp->FIconRect.Bottom; ++y)
      for (Integer x = sp->FIconRect.Left; x < sp->FIconRect.Right; ++x)
        changed += before->PixelColor(x, y) != after->PixelColor(x, y);
    EXPECT_GT(changed, 10);
  }
}

// A removed icon (0) is only passed on: no redraw switching.
TEST_F(CaptionText, ARemovedIconIsOnlyPassedOn) {
  Prepare(false);
  MessageLog log(sp);
  SendMessageW(form->Handle(), WM_SETICON, ICON_SMALL, 0);
  using S = MessageLog::Seen;
  EXPECT_EQ(log.seen, (std::vector<S>{{WM_SETICON, ICON_SMALL}}));
}

// The system menu's close item that no longer matches the form's system-menu icon is rebuilt
// at the next style change, and that change ends there (the system-menu bit is not touched).
TEST_F(CaptionText, AStyleChangeRebuildsAStaleCloseItemFirst) {
  Prepare(false);
  ASSERT_TRUE(sp->SystemMenu);
  sp->SystemMenu->UpdateItems(true);
  ASSERT_TRUE(sp->SystemMenu->ItemClose);
  sp->SystemMenu->ItemClose->SetVisible(false);
  const HWND h = form->Handle();
  SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) | WS_SYSMENU);
  EXPECT_TRUE(sp->SystemMenu->ItemClose->Visible());
  sp->SystemMenu->ItemClose->SetVisible(false);
  SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) | WS_EX_CONTEXTHELP);
  EXPECT_TRUE(sp->SystemMenu->ItemClose->Visible());
  EXPECT_TRUE(GetWindowLongW(h, GWL_STYLE) & WS_SYSMENU);
  // Once the item matches, the extended-style change takes the bit away as before.
  SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) & ~WS_EX_CONTEXTHELP);
  EXPECT_FALSE(GetWindowLongW(h, GWL_STYLE) & WS_SYSMENU);
}

// With an outer border window the form's own caption buttons are hidden by its region: an
// extended-style change keeps the system-menu bit and hands the border window a new picture.
// Without the bit, only a change of the layered bit does.
TEST_F(CaptionText, ExtendedStyleChangesUpdateTheBorderWindow) {
  Prepare(true);
  const HWND h = form->Handle();
  struct Case {
    bool sysMenu;
    LONG exBit;
    bool update;
  };
  for (const Case c :
       {Case{true, WS_EX_CONTEXTHELP, true}, Case{false, WS_EX_CONTEXTHELP, false}, Case{false, WS_EX_LAYERED, true}}) {
    SCOPED_TRACE(c.exBit);
    const LONG style = GetWindowLongW(h, GWL_STYLE);
    SetWindowLongW(h, GWL_STYLE, c.sysMenu ? style | WS_SYSMENU : style & ~WS_SYSMENU);
    const size_t calls = layered::LayeredCalls::UpdatesOf(bw).size();
    const LONG ex = GetWindowLongW(h, GWL_EXSTYLE);
    SetWindowLongW(h, GWL_EXSTYLE, ex ^ c.exBit);
    EXPECT_EQ(layered::LayeredCalls::UpdatesOf(bw).size() > calls, c.update);
    EXPECT_EQ((GetWindowLongW(h, GWL_STYLE) & WS_SYSMENU) != 0, c.sysMenu);
    SetWindowLongW(h, GWL_EXSTYLE, ex);
  }
}
