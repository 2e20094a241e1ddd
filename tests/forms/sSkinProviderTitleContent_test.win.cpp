// What the window picture of a skinned form holds besides its frame: the size grip at its
// place inside the frame (with and without an outer border, with the form's scroll bars) and
// drawn on a device context over the form's background; the status bar section run on into
// the bottom border; a child form over its parent's picture; the form's own OnPaint in the
// picture; the caption buttons, user buttons and title bar items in their painting order.
#include <optional>

#include "base/WorkingBitmaps.h"
#include "base/sMessages.h"
#include "forms/kvTitleBar.h"
#include "raster/sGradient.h"
#include "skin/sVclUtils.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"
#include "ui/Bitmap.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/GdiScopes.h"

using namespace formskin;

namespace {

constexpr uint32_t kGripPixel = 0xFF10A0E0;    // the grip image's opaque part
constexpr uint32_t kStatusPixel = 0xFF2080C0;  // not a colour of FormSkin
constexpr TColor kStatusColor = 0x00C08020;    // kStatusPixel as a TColor
constexpr Integer kGrip = 12;

uint32_t At(TBitmap& bmp, Integer x, Integer y) { return bmp.View().At(x, y); }

class TitleContent : public SkinnedForm {
 protected:
  // A grip image of kGrip square: opaque but for a key-colour top-left triangle and its whole
  // top row, where the background behind the grip shows.
  Integer AddGrip() {
    TkvSkinData& d = *skin->skin.Data;
    d.GripRightBottom = skin->skin.AddImage(TRect(140, 0, 140 + kGrip, kGrip), 1, 0);
    skin->skin.Fill(d.GripRightBottom, 0, kGripPixel);
    for (Integer y = 0; y < kGrip; ++y)
      for (Integer x = 0; x + y < kGrip - 1; ++x) skin->skin.Put(d.GripRightBottom, 0, x, y, kKey);
    skin->skin.Put(d.GripRightBottom, 0, kGrip - 1, 0, kKey);
    return d.GripRightBottom;
  }
  TBitmap& Rebuilt() {
    sp->FCommonData->BGChanged = true;
    EXPECT_TRUE(sp->PaintAll());
    return *sp->FCommonData->FCacheBmp;
  }
  TRect Shadow() { return sp->ShadowSize(); }
};

}  // namespace

// The grip's bottom-right pixel lies one pixel inside the inner edge of the frame, whatever
// lies around the form in the picture; the hit test answers the sizing corner over the drawn
// grip only.
TEST_F(TitleContent, GripStandsInsideTheFrameAndAnswersTheSizingCorner) {
  struct Case {
    const char* what;
    bool outerBorder, scrollBars;
  } cases[] = {{"own frame", false, false}, {"scroll bars", false, true}, {"outer border", true, false}};
  const Integer grip = AddGrip();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RenewForm();
    // The last case: the skin draws extended borders from here on (on a layered window).
    std::optional<layered::LayeredCalls> layeredBound;
    if (c.outerBorder) {
      layeredBound.emplace();
      GiveShadow(*skin, TRect(9, 7, 11, 13));
    }
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
    Skin();
    if (c.scrollBars) {
      SetScrollRange(form->Handle(), SB_VERT, 0, 999, FALSE);
      SetScrollRange(form->Handle(), SB_HORZ, 0, 999, FALSE);
      ShowScrollBar(form->Handle(), SB_BOTH, TRUE);
    }
    sp->FGripMode = gmRightBottom;
    ShowForm();
    ASSERT_EQ(sp->BorderForm != nullptr, c.outerBorder);
    ASSERT_TRUE(IsGripVisible(sp));
    TBitmap& pic = Rebuilt();
    const TRect shadow = Shadow();
    const Integer bw = SysBorderWidth(form->Handle(), sp->OuterBorder(), true);
    const TPoint p = sp->RBGripPoint(grip);
    // Its last column and row, one pixel before the frame's inner edge.
    const Integer right = pic.Width() - shadow.Right - bw - 2, bottom = pic.Height() - shadow.Bottom - bw - 2;
    EXPECT_EQ(p.X + kGrip - 1, right);
    EXPECT_EQ(p.Y + kGrip - 1, bottom);
    EXPECT_EQ(At(pic, right, bottom), kGripPixel);
    EXPECT_EQ(At(pic, right, p.Y + 1), kGripPixel);  // the opaque edge of the image
    EXPECT_EQ(At(pic, p.X, bottom), kGripPixel);
    EXPECT_NE(At(pic, right + 1, bottom), kGripPixel);
    EXPECT_NE(At(pic, right, bottom + 1), kGripPixel);
    EXPECT_NE(At(pic, p.X - 1, bottom), kGripPixel);
    // The hit test works in the form window, which lies inside the outer border's picture.
    const TPoint inWindow = sp->GripPointInWindow(grip);
    EXPECT_EQ(inWindow.X, p.X - (c.outerBorder ? shadow.Left + DiffBorder(sp->BorderForm.get()) : 0));
    EXPECT_EQ(inWindow.Y, p.Y - (c.outerBorder ? shadow.Top + DiffTitle(sp->BorderForm.get()) : 0));
    EXPECT_EQ(HitTest(inWindow.X + kGrip - 1, inWindow.Y + kGrip - 1), HTBOTTOMRIGHT);
    // Left of and above the grip: the client (with scroll bars their size box answers there).
    if (!c.scrollBars) { EXPECT_EQ(HitTest(inWindow.X, inWindow.Y), HTCLIENT); }
  }
}

// A form whose picture is gone (a new skin drops it) has no grip to size by until the next
// picture: no corner of the client answers the sizing code.
TEST_F(TitleContent, WithoutAPictureNoPointIsTheGrip) {
  AddGrip();
  Skin();
  sp->FGripMode = gmRightBottom;
  ShowForm();
  const TPoint centre(form->Width() / 2, form->Height() / 2);
  ASSERT_EQ(HitTest(centre.X, centre.Y), HTCLIENT);
  sp->FCommonData->FCacheBmp->SetSize(0, 0);
  EXPECT_EQ(sp->RBGripPoint(skin->skin.Data->GripRightBottom).X,
            -kGrip - SysBorderWidth(form->Handle(), nullptr, true) - 1);
  EXPECT_EQ(HitTest(centre.X, centre.Y), HTCLIENT);
  EXPECT_EQ(HitTest(form->Width() - 1, form->Height() - 1), HTBOTTOMRIGHT);  // the system's own frame corner
}

// The grip drawn straight on a device context: over a plain form colour the frame's inner
// edges (where the border image is wider than the system border) show behind its transparent
// part; over a textured form the picture itself does.
TEST_F(TitleContent, PaintGripDrawsOverTheFormBackground) {
  struct Case {
    const char* what;
    bool textured;
  } cases[] = {{"plain colour", false}, {"gradient", true}};
  const Integer grip = AddGrip();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RenewForm();
    form->SetBounds(120, 110, 300, 200);
    if (c.textured)
      for (Integer s : {0, 1}) {
        TsGenState& look = skin->skin.Section(skin->form).Props[size_t(s)];
        look.GradientPercent = 100;
        look.GradientArray = {GradPoint(0, clBlack, 0, 0), GradPoint(1, clWhite, 100)};
      }
    Skin();
    sp->FGripMode = gmRightBottom;
    ShowForm();
    TBitmap& pic = Rebuilt();
    const TPoint p = sp->RBGripPoint(grip);
    TBitmap out(pic.Width(), pic.Height(), pf32bit);
    FillRect32(&out, TRect(0, 0, out.Width(), out.Height()), 0x00FFFFFF, 255);
    PaintGrip(out.Canvas()->Handle(), sp);
    const Integer bw = SysBorderWidth(form->Handle(), nullptr, true);
    ASSERT_GT(kBorder, bw) << "the fixture's border image reaches into the client";
    const Integer inner = kBorder - bw;  // columns and rows of the frame inside the grip
    ASSERT_GE(inner, 2) << "the grip's transparent top row reaches into the frame's strip";
    // The opaque part is the grip; around it the DC is untouched.
    EXPECT_EQ(Rgb(At(out, p.X + kGrip - 1, p.Y + kGrip - 1)), Rgb(kGripPixel));
    EXPECT_EQ(Rgb(At(out, p.X - 1, p.Y)), 0xFFFFFFu);
    EXPECT_EQ(Rgb(At(out, p.X + kGrip, p.Y)), 0xFFFFFFu);
    // The transparent top-left: the frame's inner edge at the right, the form's background
    // elsewhere (the picture's pixels for a textured form, the form's colour for a plain one).
    const TPoint middle(p.X + 2, p.Y + 2), edge(p.X + kGrip - 1, p.Y);
    EXPECT_EQ(Rgb(At(out, edge.X, edge.Y)), Rgb(At(pic, edge.X, edge.Y)));
    EXPECT_EQ(Rgb(At(out, edge.X, edge.Y)), Rgb(kBorderPixel));
    if (c.textured)
      EXPECT_EQ(Rgb(At(out, middle.X, middle.Y)), Rgb(At(pic, middle.X, middle.Y)));
    else
      EXPECT_EQ(Rgb(At(out, middle.X, middle.Y)), RgbOfColor(kClientActive));
  }
  // Without a picture there is nothing to draw it over.
  sp->FCommonData->FCacheBmp.reset();
  TBitmap out(50, 50, pf32bit);
  FillRect32(&out, TRect(0, 0, 50, 50), 0x00FFFFFF, 255);
  PaintGrip(out.Canvas()->Handle(), sp);
  EXPECT_EQ(Rgb(At(out, 0, 0)), 0xFFFFFFu);
}

// A skin that merges the status bar into the frame paints the bar's section from the bar's
// top over the form's bottom border; otherwise the border stays.
TEST_F(TitleContent, StatusBarSectionRunsIntoTheBottomBorderWhenTheSkinMergesIt) {
  const Integer barSection = skin->skin.AddSection(PlainSection(u"STATUSBAR", 0, kStatusColor, 2));
  skin->skin.Manager.SkinCommonInfo.Sections[ssStatusBar] = barSection;
  skin->skin.Data->Reindex();
  skin->skin.Manager.ThirdLists[size_t(tpStatusBar)]->Add(u"TStatusBar");
  for (const bool merged : {true, false}) {
    SCOPED_TRACE(merged ? "merged" : "not merged");
    RenewForm();
    form->SetBounds(120, 110, 300, 200);
    skin->skin.Section(barSection).ReservedBoolean = merged;
    auto* status = new TStatusBar(form);
    status->SetParent(form);
    status->SetAlign(alBottom);
    Skin();
    sp->LoadInit();
    ShowForm();
    ASSERT_NE(SendAMessage(status, KV_GETSKINDATA), 0) << "the status bar has its wrapper";
    SendMessageW(form->Handle(), SM_ALPHACMD, MAKEWPARAM(1, KV_STATUSBAR), reinterpret_cast<LPARAM>(status));
    ASSERT_EQ(sp->StatusBar, status);
    TBitmap& pic = Rebuilt();
    const Integer barTop = status->Top() + sp->OffsetY();
    // The bottom border below the bar, and the client just above it.
    EXPECT_EQ(Rgb(At(pic, pic.Width() / 2, pic.Height() - 2)), merged ? Rgb(kStatusPixel) : Rgb(kBorderPixel));
    EXPECT_EQ(Rgb(At(pic, 1, barTop + 2)), merged ? Rgb(kStatusPixel) : Rgb(kBorderPixel));
    EXPECT_EQ(Rgb(At(pic, pic.Width() / 2, barTop - 2)), RgbOfColor(kClientActive));
  }
}

namespace {

// A parent that is still building its picture.
class TNotReadyParent : public TWinControl {
 public:
  using TWinControl::TWinControl;
  void WndProc(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD && m.WParamHi == KV_GETBG) {
      reinterpret_cast<TkvBGInfo*>(m.LParam)->BgType = btNotReady;
      m.Result = 1;
      return;
    }
    TWinControl::WndProc(m);
  }
};

}  // namespace

// A child form of a wholly transparent section shows exactly its parent's textured picture
// at its place; a parent that is not ready yet leaves the child's picture as it was, to be
// asked again later.
TEST_F(TitleContent, ChildFormTakesItsBackgroundFromTheParentPicture) {
  for (Integer s : {0, 1}) {
    TsGenState& look = skin->skin.Section(skin->form).Props[size_t(s)];
    look.GradientPercent = 100;
    look.GradientArray = {GradPoint(0, clBlack, 0, 0), GradPoint(1, clWhite, 100)};
  }
  skin->skin.AddSection(PlainSection(u"GLASSFORM", 100, clRed, 2));
  skin->skin.Data->Reindex();
  SkinAndShow();
  auto* child = new TForm(form);
  child->AfterConstruction();
  child->SetBorderStyle(bsNone);
  child->SetParent(form);
  child->SetBounds(40, 30, 120, 80);
  auto* childSp = new TsSkinProvider(child);
  childSp->AfterConstruction();
  childSp->FCommonData->SetSkinSection(u"GLASSFORM");
  child->Show();
  Application->ProcessMessages();
  TBitmap& parentPic = Rebuilt();
  childSp->FCommonData->BGChanged = true;
  ASSERT_TRUE(childSp->PaintAll());
  TBitmap& childPic = *childSp->FCommonData->FCacheBmp;
  ASSERT_EQ(childPic.Width(), 120);
  const TPoint origin(sp->OffsetX() + 40, sp->OffsetY() + 30);
  for (const TPoint q : {TPoint(0, 0), TPoint(60, 40), TPoint(119, 79), TPoint(10, 70)}) {
    EXPECT_EQ(Rgb(At(childPic, q.X, q.Y)), Rgb(At(parentPic, origin.X + q.X, origin.Y + q.Y))) << q.X << "," << q.Y;
  }
  EXPECT_NE(Rgb(At(childPic, 0, 0)), Rgb(At(childPic, 119, 79))) << "the parent's gradient shows";

  // The same child under a parent still building its picture.
  auto* waiting = new TNotReadyParent(form);
  waiting->SetParent(form);
  waiting->SetBounds(0, 0, 200, 150);
  child->SetParent(waiting);
  Application->ProcessMessages();
  const uint32_t before = At(childPic, 60, 40);
  childSp->FCommonData->FUpdating = false;
  childSp->FCommonData->BGChanged = true;
  EXPECT_FALSE(childSp->PaintAll());
  EXPECT_TRUE(childSp->FCommonData->FUpdating);
  EXPECT_TRUE(childSp->FCommonData->BGChanged) << "still to be rebuilt";
  EXPECT_EQ(At(*childSp->FCommonData->FCacheBmp, 60, 40), before);
}

namespace {

// Paints a red square at the client's top-left through the form's canvas and notes whether a
// picture rebuild could start under it.
struct TClientPainter : TObject {
  void Paint(TObject*) {
    ++calls;
    blendMoving = sp->FormState() & FS_BLENDMOVING;
    canvas->Brush()->SetColor(clRed);
    canvas->FillRect(TRect(0, 0, 10, 10));
    rebuiltInside = sp->PaintAll();
  }
  TsSkinProvider* sp = nullptr;
  TCanvas* canvas = nullptr;
  Integer calls = 0;
  bool blendMoving = false, rebuiltInside = false;
};

}  // namespace

// The form's own OnPaint draws into the picture at the client's place; a minimized form's
// picture waits for the restore.
TEST_F(TitleContent, OnPaintDrawsIntoThePictureAtTheClient) {
  SkinAndShow();
  TClientPainter painter;
  painter.sp = sp;
  painter.canvas = form->Canvas();
  form->SetOnPaint(TNotifyEvent(&painter, &TClientPainter::Paint));
  TBitmap& pic = Rebuilt();
  ASSERT_GE(painter.calls, 1);
  EXPECT_TRUE(painter.blendMoving);
  EXPECT_FALSE(sp->FormState() & FS_BLENDMOVING);
  EXPECT_TRUE(painter.rebuiltInside);  // the nested call did nothing and said so
  const Integer x = sp->OffsetX(), y = sp->OffsetY();
  EXPECT_EQ(Rgb(At(pic, x, y)), 0xFF0000u);
  EXPECT_EQ(Rgb(At(pic, x + 9, y + 9)), 0xFF0000u);
  EXPECT_EQ(Rgb(At(pic, x + 10, y + 10)), RgbOfColor(kClientActive));
  EXPECT_EQ(Rgb(At(pic, x - 1, y + 5)), Rgb(kBorderPixel));  // the frame is not painted over

  // A minimized form (not the main form) shows no client: the event waits for the restore.
  ShowWindow(form->Handle(), SW_MINIMIZE);
  Application->ProcessMessages();
  ASSERT_TRUE(sp->IsIconicForm());
  ASSERT_NE(Application->MainForm(), form);
  const Integer calls = painter.calls;
  sp->FCommonData->BGChanged = true;
  EXPECT_TRUE(sp->PaintAll());
  EXPECT_EQ(painter.calls, calls);
  EXPECT_TRUE(sp->FCommonData->BGChanged) << "the restored form's picture is rebuilt";
  form->SetOnPaint(TNotifyEvent());
}

// With the system blur the picture starts clear and holds no form background: the blur shows
// through the client; the frame's title is still the skin's.
TEST_F(TitleContent, SystemBlurLeavesTheBackgroundClear) {
  SkinAndShow();
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  TBitmap& plain = Rebuilt();
  const Integer x = sp->OffsetX() + 20, y = sp->OffsetY() + 20;
  ASSERT_EQ(Rgb(At(plain, x, y)), RgbOfColor(kClientActive));
  sp->FSystemBlur->FActive = true;
  TBitmap& blurred = Rebuilt();
  EXPECT_EQ(At(blurred, x, y), 0u);
  EXPECT_EQ(Rgb(At(blurred, sp->ButtonMin.cpRect.Left - 12, sp->VCenter)), RgbOfColor(kTitleActive));
  sp->FSystemBlur->FActive = false;
}

// Overlapping title elements: the user buttons are painted after the system buttons; the title
// bar items last to first with the pressed tabs after the others, so the first item and a
// pressed tab lie on top; an item that reaches the picture's edge is left out.
TEST_F(TitleContent, TitleElementsArePaintedInTheirOrder) {
  constexpr TColor kItem = 0x0040A0F0, kTab = 0x00A0A000;
  skin->skin.Manager.SkinCommonInfo.Sections[ssTBBtn] = skin->skin.AddSection(PlainSection(u"TB_BTN", 0, kItem, 3));
  skin->skin.Manager.SkinCommonInfo.Sections[ssTBTab] = skin->skin.AddSection(PlainSection(u"TB_TAB", 0, kTab, 3));
  skin->skin.Data->Reindex();
  skin->skin.Manager.Effects.AllowGlowing = false;
  auto* bar = new TsTitleBar(form);
  auto add = [&](TkvBtnStyle style) {
    TkvTitleBarItem* it = bar->Items()->Add();
    it->FAutoSize = false;
    it->FWidth = 30;
    it->FHeight = 16;
    it->FStyle = style;
    return it;
  };
  TkvTitleBarItem* first = add(bsButton);
  TkvTitleBarItem* tab = add(bsTab);
  TkvTitleBarItem* edge = add(bsButton);
  SkinAndShow();
  TsTitleButton* user = sp->FTitleButtons->Add();
  user->UseSkinData = false;
  user->Glyph = std::make_unique<TBitmap>(6, 6, pf32bit);
  FillRect32(user->Glyph.get(), TRect(0, 0, 6, 6), clBlue, 255);
  TBitmap& pic = Rebuilt();
  const Integer width = pic.Width();
  const TColor title = kTitleActive;
  auto colourAt = [&](Integer x, Integer y) { return pic.PixelColor(x, y); };
  // A user button laid over the close button covers it.
  user->Data.cpRect = sp->ButtonClose.cpRect;
  // The tab over the right half of the first item; the third item at the picture's left edge.
  const Integer top = sp->VCenter - 8;
  first->Rect = TRect(100, top, 130, top + 16);
  tab->Rect = TRect(115, top, 145, top + 16);
  edge->Rect = TRect(0, top, 30, top + 16);
  struct Case {
    const char* what;
    bool tabDown;
    TColor overlap;
  } cases[] = {{"unpressed tab under the first item", false, kItem}, {"pressed tab on top", true, kTab}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tab->FDown = c.tabDown;
    FillRect32(&pic, TRect(0, top - 2, width / 2, top + 18), title, 255);
    sp->PaintTitleContent(&pic);
    EXPECT_EQ(colourAt(122, top + 12), c.overlap);
    EXPECT_EQ(colourAt(105, top + 12), kItem);
    EXPECT_EQ(colourAt(140, top + 12), kTab);
    EXPECT_EQ(colourAt(10, top + 12), title) << "an item at the picture's edge is not drawn";
  }
  edge->Rect = TRect(width - 30, top, width, top + 16);
  sp->PaintTitleContent(&pic);
  EXPECT_NE(colourAt(width - 2, top + 12), kItem) << "nor one that reaches its right edge";
  const TPoint c = Centre(sp->ButtonClose);
  const TColor glyph = colourAt(c.X, c.Y);
  EXPECT_TRUE((glyph & 0xFFFF) == 0 && (glyph >> 16) >= 0xFE)
      << "the user button's blue glyph over the close button " << std::hex << glyph;
  EXPECT_EQ(user->Data.cpHitCode, Cardinal(HTUDBTN));
  EXPECT_EQ(Rgb(At(pic, sp->ButtonClose.cpRect.Left, c.Y)), Rgb(GlyphPixel(0, 0)));
}

// A user button's glyph of another pixel format takes its bottom-left colour as transparent;
// a disabled user button shows its image in the reduced look on an active form.
TEST_F(TitleContent, UserButtonGlyphsAndTheDisabledLook) {
  SkinAndShow();
  TsTitleButton* btn = sp->FTitleButtons->Add();
  auto glyph = std::make_unique<TBitmap>(8, 8, pf24bit);
  glyph->Canvas()->Brush()->SetColor(clLime);  // the transparent colour at the bottom-left
  glyph->Canvas()->FillRect(TRect(0, 0, 8, 8));
  glyph->Canvas()->Brush()->SetColor(clRed);
  glyph->Canvas()->FillRect(TRect(2, 2, 6, 6));
  btn->Glyph = std::move(glyph);
  btn->UseSkinData = false;
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  ASSERT_TRUE(sp->FormActive);
  TBitmap& pic = Rebuilt();
  const TRect r = btn->Data.cpRect;
  ASSERT_GT(r.Width(), 8);
  const Integer x0 = r.Left + (r.Width() - 8) / 2, y0 = r.Top + (r.Height() - 8) / 2;
  EXPECT_EQ(Rgb(At(pic, x0 + 3, y0 + 3)), 0xFF0000u);
  EXPECT_EQ(At(pic, x0 + 3, y0 + 3) >> 24, 0xFFu);
  EXPECT_EQ(Rgb(At(pic, x0, y0)), RgbOfColor(kTitleActive)) << "the key colour is not copied";

  // The skin's user-button image: full strength while enabled, reduced while disabled.
  btn->Glyph.reset();
  btn->UseSkinData = true;
  sp->UserBtnIndex = skin->glyph[4];
  struct Case {
    bool enabled;
    bool full;
  } cases[] = {{true, true}, {false, false}};
  for (const Case& c : cases) {
    btn->Enabled = c.enabled;
    TBitmap& p = Rebuilt();
    const TRect b = btn->Data.cpRect;
    const uint32_t centre = At(p, (b.Left + b.Right) / 2, (b.Top + b.Bottom) / 2);
    EXPECT_EQ(Rgb(centre) == Rgb(GlyphPixel(4, 0)), c.full)
        << (c.enabled ? "enabled" : "disabled") << std::hex << " " << centre;
  }
}

// The clean strip behind the caption buttons is kept from the picture one column before the
// right end of the title, and a hot button repaints over the same background: after a hover,
// the textured title around and under a button's see-through part is as it was.
TEST_F(TitleContent, ButtonBackgroundIsKeptAndGivenBackAtItsPlace) {
  for (Integer s : {0, 1}) {
    TsGenState& look = skin->skin.Section(skin->title).Props[size_t(s)];
    look.GradientPercent = 100;
    look.GradientArray = {GradPoint(0, clBlack, 0, PM_VERTICAL), GradPoint(1, clWhite, 50), GradPoint(2, clBlack, 100)};
  }
  // The close glyph lets the title through its left columns in every state.
  for (Integer state = 0; state < 3; ++state)
    for (Integer y = 0; y < kGlyphH; ++y)
      for (Integer x = 0; x < 5; ++x) skin->skin.Put(skin->glyph[0], state, x, y, kKey);
  skin->skin.Manager.Effects.AllowGlowing = false;
  SkinAndShow();
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  TBitmap& pic = Rebuilt();
  TBitmap& kept = *sp->TempBmp;
  ASSERT_GT(kept.Width(), 0);
  const Integer from = pic.Width() - kept.Width() - 1;
  // Where no button was painted over it since, the picture still holds what was kept.
  auto underButton = [&](Integer x, Integer y) {
    for (const TsCaptionButton* b : {&sp->ButtonClose, &sp->ButtonMax, &sp->ButtonMin})
      if (b->cpRect.Contains(TPoint(x, y))) return true;
    return false;
  };
  for (Integer y = 0; y < kept.Height(); ++y)
    for (Integer x = 0; x < kept.Width(); ++x)
      if (!underButton(from + x, y)) { ASSERT_EQ(At(kept, x, y), At(pic, from + x, y)) << x << "," << y; }
  const std::unique_ptr<TBitmap> before(CreateBmp32(pic.Width(), pic.Height()));
  CopyPixels(before->View(), 0, 0, pic.View(), TRect(0, 0, pic.Width(), pic.Height()));
  const TPoint close = Centre(sp->ButtonClose);
  const TPoint s = Screen(close.X, close.Y);
  SendMessageW(form->Handle(), WM_NCMOUSEMOVE, HTCLOSE, MAKELPARAM(s.X, s.Y));
  ASSERT_EQ(sp->ButtonClose.cpState, 1);
  sp->SetHotHT(0);
  ASSERT_EQ(sp->ButtonClose.cpState, 0);
  EXPECT_FALSE(sp->FCommonData->BGChanged);
  const TRect r = sp->ButtonClose.cpRect;
  for (Integer y = r.Top; y < r.Bottom; ++y)
    for (Integer x = r.Left; x < r.Right; ++x) ASSERT_EQ(At(pic, x, y), At(*before, x, y)) << x << "," << y;
}

namespace {

constexpr TColor kAreaColor = 0x00305070;

class MdiPicture : public SkinnedMdiFrame {
 protected:
  TBitmap& Rebuilt() {
    sp->FCommonData->BGChanged = true;
    EXPECT_TRUE(sp->PaintAll());
    return *sp->FCommonData->FCacheBmp;
  }
};

struct ShowProbe : TObject {
  void Shown(TObject*) {
    TCustomForm* active = main->Form->ActiveMDIChild();
    seenShowing = active == child && child->WindowState() == wsMaximized;
    main->MenuChanged = true;
    main->FCommonData->BGChanged = true;
    main->PaintAll();
    heldWhileShowing = main->FCommonData->BGChanged;
  }
  TsSkinProvider* main = nullptr;
  TForm* child = nullptr;
  bool seenShowing = false, heldWhileShowing = false;
};

}  // namespace

// The skin's MDI area fills what the aligned controls leave of the client, inside the frame.
TEST_F(MdiPicture, TheMdiAreaSectionFillsTheClientBesideTheAlignedControls) {
  skin->skin.AddSection(PlainSection(u"MDIAREA", 0, kAreaColor, 2));
  skin->skin.Data->Reindex();
  auto* panel = new TPanel(frame);
  panel->SetParent(frame);
  panel->SetAlign(alTop);
  panel->SetHeight(30);
  PumpMessages();
  TBitmap& pic = Rebuilt();
  const Integer x = sp->OffsetX(), y = sp->OffsetY();
  EXPECT_EQ(pic.PixelColor(x + 20, y + 30), kAreaColor);
  EXPECT_EQ(pic.PixelColor(x, pic.Height() - sp->BorderWidth(true) - 1), kAreaColor);
  EXPECT_NE(pic.PixelColor(x + 20, y + 29), kAreaColor) << "the panel's place";
  EXPECT_NE(pic.PixelColor(x - 1, y + 40), kAreaColor) << "the frame";
  EXPECT_NE(pic.PixelColor(x + 20, pic.Height() - sp->BorderWidth(true)), kAreaColor) << "the bottom border";
}

// While a maximized child is being shown its menu is still merging: the main form's frame is
// not rebuilt for a menu change then, and is once the child is shown.
TEST_F(MdiPicture, AMenuChangeWhileAMaximizedChildIsShownWaits) {
  TForm* child = MakeChild(u"A");
  child->SetWindowState(wsMaximized);
  PumpMessages();
  child->Hide();
  PumpMessages();
  ShowProbe probe;
  probe.main = sp;
  probe.child = child;
  child->SetOnShow(TNotifyEvent(&probe, &ShowProbe::Shown));
  child->Show();
  PumpMessages();
  child->SetOnShow(TNotifyEvent());
  ASSERT_TRUE(probe.seenShowing) << "the child was the maximized active child while it was shown";
  EXPECT_TRUE(probe.heldWhileShowing);
  sp->MenuChanged = true;
  sp->FCommonData->BGChanged = true;
  EXPECT_TRUE(sp->PaintAll());
  EXPECT_FALSE(sp->FCommonData->BGChanged);
}

// Drawn with the whole title, the minimize button is dimmed when it is normal or fading and
// the form is inactive or disabled; a fading button shows its normal look (its fade shows the
// rest); a hot button without a fade on an inactive form keeps its full hot look.
TEST_F(TitleContent, SystemButtonsAreDimmedOnAnInactiveOrDisabledFormAndWhileFading) {
  SkinAndShow();
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  const TsCaptionButton& b = sp->ButtonMin;
  ASSERT_GT(b.cpRect.Width(), 0);
  struct Case {
    const char* what;
    bool active, enabled, fading;
    Integer state;  // the look drawn at full strength; -1: dimmed
  } cases[] = {
      {"active", true, true, false, 0},
      {"active, disabled form", true, false, false, -1},
      {"inactive", false, true, false, -1},
      {"inactive, hot", false, true, false, 1},
      {"inactive, fading", false, true, true, -1},
      {"active, fading", true, true, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    skin->skin.Manager.Effects.AllowGlowing = c.fading;
    sp->SetHotHT(c.state == 1 || c.fading ? HTMINBUTTON : 0, c.fading);
    ASSERT_EQ(b.cpTimer != nullptr, c.fading);
    form->SetEnabled(c.enabled);
    sp->FormActive = c.active;
    TBitmap& pic = Rebuilt();
    const uint32_t centre = Rgb(At(pic, (b.cpRect.Left + b.cpRect.Right) / 2, (b.cpRect.Top + b.cpRect.Bottom) / 2));
    if (c.state >= 0)
      EXPECT_EQ(centre, Rgb(GlyphPixel(2, c.state))) << std::hex << centre;
    else
      for (Integer s : {0, 1, 2}) EXPECT_NE(centre, Rgb(GlyphPixel(2, s))) << std::hex << centre;
    sp->KillAnimations();
    sp->SetHotHT(0, false);
    form->SetEnabled(true);
  }
}
