// The non-client mouse of a skinned form with and without an outer border window: the border
// window carried along a sizing drag, the hit test of a form whose border window tests the
// caption buttons, the maximized child's buttons only in the menu line, and the press,
// release, double click and right click actions as the form's procedure sees them.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "controls/kvGlow.h"
#include "forms/kvTitleBar.h"
#include "forms/sMDIForm.h"
#include "skin/sVclUtils.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"
#include "support/MenuDropRecorder.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"

using namespace formskin;

namespace {

// What reaches the form's own procedure under the provider.
struct PassedOn {
  void Proc(TMessage& m) {
    seen.push_back(m.Msg);
    if (m.Msg == WM_SYSCOMMAND) commands.push_back(Cardinal(m.WParam & 0xFFF0));
    if (m.Msg == WM_SIZING && bw) {
      RECT r{};
      GetWindowRect(bw, &r);
      borderAtSizing.push_back(TPoint(r.left, r.top));
    }
    old(m);
  }
  Integer Count(UINT msg) const { return Integer(std::count(seen.begin(), seen.end(), msg)); }
  TWndMethod old;
  HWND bw = nullptr;
  std::vector<UINT> seen;
  std::vector<Cardinal> commands;
  std::vector<TPoint> borderAtSizing;  // where the border window was when the form's procedure saw WM_SIZING
};

constexpr TRect kShadow(10, 8, 12, 14);

class NCMouse : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    ASSERT_NO_FATAL_FAILURE();
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
    SetCursorPos(0, 0);
  }
  void TearDown() override {
    if (sp && watch) sp->OldWndProc = watch->old;
    watch.reset();
    SetCursorPos(0, 0);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    SkinnedForm::TearDown();
    recorder.reset();
  }
  void WithBorder() {
    recorder.emplace();
    GiveShadow(*skin, kShadow);
    skin->skin.Data->ExBorderWidth = 4;
    skin->skin.Data->ExTitleHeight = 30;
  }
  // The form's procedure under the provider records what is passed on.
  PassedOn& Watch() {
    watch = std::make_unique<PassedOn>();
    watch->old = sp->OldWndProc;
    sp->OldWndProc = TWndMethod(watch.get(), &PassedOn::Proc);
    return *watch;
  }
  TPoint BorderTopLeft() {
    RECT r{};
    GetWindowRect(sp->BorderForm->LayeredWindow(), &r);
    return TPoint(r.left, r.top);
  }
  // Where the border window belongs: the form's top-left minus the form's place in it.
  TPoint BorderHome() {
    RECT f{};
    GetWindowRect(form->Handle(), &f);
    return TPoint(f.left - sp->BorderForm->OffsetX(), f.top - sp->BorderForm->OffsetY());
  }
  // A title bar with one 30 x 16 button item at its left, drawn from a section of its own.
  TkvTitleBarItem* AddTitleBarItem() {
    skin->skin.Manager.SkinCommonInfo.Sections[ssTBBtn] =
        skin->skin.AddSection(PlainSection(u"TB_BTN", 0, 0x002060A0, 3));
    skin->skin.Data->Reindex();
    auto* bar = new TsTitleBar(form);
    TkvTitleBarItem* item = bar->Items()->Add();
    item->FAutoSize = false;
    item->FWidth = 30;
    item->FHeight = 16;
    item->FAlign = tbaLeft;
    return item;
  }
  std::optional<layered::LayeredCalls> recorder;
  std::unique_ptr<PassedOn> watch;
};

}  // namespace

// Each step of a system sizing drag passes WM_SIZING on and brings the border window back to
// the form, wherever it was left.
TEST_F(NCMouse, ASizingDragCarriesTheBorderWindowAlong) {
  WithBorder();
  SkinAndShow();
  ASSERT_TRUE(sp->BorderForm);
  const HWND bw = sp->BorderForm->LayeredWindow();
  ASSERT_TRUE(bw);
  PassedOn& w = Watch();
  w.bw = bw;
  const HWND h = form->Handle();
  SendMessageW(h, WM_ENTERSIZEMOVE, 0, 0);
  RECT f{};
  GetWindowRect(h, &f);
  std::vector<TPoint> after;
  const TPoint away[] = {TPoint(3, 4), TPoint(40, 2), TPoint(7, 60)};
  for (Integer step = 0; step < 3; ++step) {
    SCOPED_TRACE(step);
    // The border window is somewhere else (as a drag leaves it between steps).
    SetWindowPos(bw, nullptr, away[step].X, away[step].Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_EQ(BorderTopLeft(), away[step]);
    RECT proposed{f.left, f.top, f.right + 10 * (step + 1), f.bottom + 5 * (step + 1)};
    SendMessageW(h, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&proposed));
    after.push_back(BorderTopLeft());
    // The system then sizes the form to the proposed rectangle.
    SetWindowPos(h, nullptr, 0, 0, proposed.right - proposed.left, proposed.bottom - proposed.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SendMessageW(h, WM_EXITSIZEMOVE, 0, 0);
  ASSERT_EQ(w.Count(WM_SIZING), 3) << "every step reaches the form's own procedure";
  // The form's procedure saw each step before the border window moved (the previous procedure
  // runs first).
  for (Integer step = 0; step < 3; ++step) EXPECT_EQ(w.borderAtSizing[size_t(step)], away[step]) << step;
  const TPoint home = BorderHome();
  for (Integer step = 0; step < 3; ++step) EXPECT_EQ(after[size_t(step)], home) << step;
}

// Without a border window WM_SIZING only reaches the form's own procedure.
TEST_F(NCMouse, SizingWithoutABorderWindowOnlyPassesOn) {
  SkinAndShow();
  ASSERT_FALSE(sp->BorderForm);
  PassedOn& w = Watch();
  RECT f{};
  GetWindowRect(form->Handle(), &f);
  SendMessageW(form->Handle(), WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&f));
  EXPECT_EQ(w.Count(WM_SIZING), 1);
}

namespace {

// The form's procedure answers a press on the title icon as the application chooses (and the
// system's own menu never opens under the test).
struct IconPressAnswer {
  void Proc(TMessage& m) {
    if (m.Msg == WM_NCLBUTTONDOWN && m.WParam == HTSYSMENU) {
      ++seen;
      m.Result = answer;
      return;
    }
    old(m);
  }
  TWndMethod old;
  LRESULT answer = 0;
  Integer seen = 0;
};

std::vector<Integer> waits;
void RecordWait(Cardinal, Integer delay) { waits.push_back(delay); }

class IconPress : public NCMouse {
 protected:
  void Start(bool rtl) {
    if (rtl) form->SetBiDiMode(bdRightToLeft);
    skin->skin.Manager.ButtonsOptions.AllowRTLSysButtons = rtl;
    rec = new TMenuDropRecorder(form);
    sp = rec;
    sp->AfterConstruction();
    ShowForm();
    sp->CalcItems();
    answer.seen = 0;
    answer.old = sp->OldWndProc;
    sp->OldWndProc = TWndMethod(&answer, &IconPressAnswer::Proc);
  }
  void TearDown() override {
    if (sp) sp->OldWndProc = answer.old;
    NCMouse::TearDown();
  }
  void PressIcon() {
    RECT w{};
    GetWindowRect(form->Handle(), &w);
    SendMessageW(form->Handle(), WM_NCLBUTTONDOWN, HTSYSMENU, MAKELPARAM(w.left + 8, w.top + 8));
  }
  TMenuDropRecorder* rec = nullptr;
  IconPressAnswer answer;
};

}  // namespace

// The menu drops under the icon: at the left frame edge, or the right one right to left,
// below the frame, the icon and the system's border.
TEST_F(IconPress, TheMenuDropsUnderTheIconOnEitherSide) {
  for (bool rtl : {false, true}) {
    SCOPED_TRACE(rtl ? "right to left" : "left to right");
    RenewForm();
    Start(rtl);
    ASSERT_EQ(sp->SysRTLAllowed(), rtl);
    const HWND h = form->Handle();
    RECT w{};
    GetWindowRect(h, &w);
    PressIcon();
    ASSERT_EQ(rec->drops.size(), 1u);
    EXPECT_EQ(answer.seen, 1) << "the application is asked first";
    const Integer sysBorder = SysBorderWidth(h, nullptr, false);
    EXPECT_EQ(rec->drops[0].X, rtl ? w.right - sysBorder : w.left + sysBorder);
    EXPECT_EQ(rec->drops[0].Y,
              w.top + sp->BorderHeight(true) + sp->FIconRect.Height() + SysBorderHeight(h, nullptr, false));
    EXPECT_FALSE(sp->biClicked);
    sp->OldWndProc = answer.old;
  }
  sp = nullptr;  // the last form goes with the fixture
  form->SetBiDiMode(bdLeftToRight);
}

// An application that answers the press itself keeps the skinned menu closed.
TEST_F(IconPress, AnApplicationsOwnAnswerEndsThePress) {
  Start(false);
  answer.answer = 1;
  PressIcon();
  EXPECT_EQ(answer.seen, 1);
  EXPECT_TRUE(rec->drops.empty());
  answer.answer = 0;
  PressIcon();
  EXPECT_EQ(rec->drops.size(), 1u);
}

// Without skinned popups the press waits 200 ms before the menu drops; with them it does not.
TEST_F(IconPress, UnskinnedPopupsWaitBeforeTheMenuDrops) {
  const TkvWaitHandler saved = kvWaitHandler;
  kvWaitHandler = &RecordWait;
  const TScopeExit back([&] {
    kvWaitHandler = saved;
    skin->skin.Manager.SetSkinnedPopups(true);
  });
  Start(false);
  struct Case {
    bool skinned;
    std::vector<Integer> waited;
  } cases[] = {{true, {}}, {false, {200}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.skinned);
    skin->skin.Manager.SetSkinnedPopups(c.skinned);
    waits.clear();
    rec->drops.clear();
    PressIcon();
    EXPECT_EQ(waits, c.waited);
    EXPECT_EQ(rec->drops.size(), 1u);
  }
}

// With an outer border window the form's own hit test names no caption button (the border
// window tests them), sizes nothing (the border window's bands do) and still tells the
// title from the client; a message the border window handed on (-1) is judged by the border
// window's test.
TEST_F(NCMouse, WithABorderWindowTheFormsOwnTestLeavesTheButtonsToIt) {
  WithBorder();
  SkinAndShow();
  ASSERT_TRUE(sp->BorderForm);
  const HWND h = form->Handle();
  RECT w{}, b{};
  GetWindowRect(h, &w);
  GetWindowRect(sp->BorderForm->LayeredWindow(), &b);
  const Integer width = w.right - w.left, height = w.bottom - w.top;
  auto own = [&](TPoint screen) {
    TMessage m = MakeMessage(WM_NCHITTEST, 0, PointToLParam(screen.X, screen.Y));
    return sp->HTProcess(m);
  };
  auto forwarded = [&](TPoint screen) {
    TMessage m = MakeMessage(WM_NCHITTEST, 0, PointToLParam(screen.X, screen.Y));
    return sp->ForwardedHitTest(m);
  };
  // The close button as the border window shows it, on the screen.
  const TRect& close = sp->ButtonClose.cpRect;
  ASSERT_GT(close.Width(), 0);
  const TPoint closeOnScreen(b.left + (close.Left + close.Right) / 2, b.top + (close.Top + close.Bottom) / 2);
  EXPECT_EQ(forwarded(closeOnScreen), HTCLOSE);
  EXPECT_NE(own(closeOnScreen), HTCLOSE) << "the form's own test names no button";
  const Integer titleY = SysBorderHeight(h, nullptr, true) + 2;
  struct Case {
    const char* where;
    TPoint screen;
    Integer code;
  } cases[] = {
      {"the title", TPoint(w.left + width / 2, w.top + titleY), Integer(HTCAPTION)},
      {"the left edge", TPoint(w.left, w.top + height / 2), Integer(HTCLIENT)},
      {"the bottom right corner", TPoint(w.right - 1, w.bottom - 1), Integer(HTCLIENT)},
      {"the client", TPoint(w.left + width / 2, w.top + height / 2), Integer(HTCLIENT)},
  };
  for (const Case& c : cases) EXPECT_EQ(own(c.screen), c.code) << c.where;
}

// A press the border window passes on as HTOBJECT is the form's procedure's: nothing of the
// caption changes.
TEST_F(NCMouse, AnObjectPressWithABorderWindowGoesStraightOn) {
  WithBorder();
  SkinAndShow();
  ASSERT_TRUE(sp->BorderForm);
  PassedOn& w = Watch();
  sp->SetHotHT(HTMINBUTTON, true);
  ASSERT_EQ(sp->CurrentHT, HTMINBUTTON);
  const TPoint s = Screen(100, 100);
  SendMessageW(form->Handle(), WM_NCLBUTTONDOWN, HTOBJECT, MAKELPARAM(s.X, s.Y));
  EXPECT_EQ(w.Count(WM_NCLBUTTONDOWN), 1);
  EXPECT_EQ(sp->CurrentHT, HTMINBUTTON) << "the hot button stays";
  EXPECT_FALSE(sp->biClicked);
}

// A user button's hint goes with the press.
TEST_F(NCMouse, PressingAUserButtonHidesItsHint) {
  Skin();
  TsTitleButton* pin = sp->FTitleButtons->Add();
  pin->Hint = u"Keep on top";
  ShowForm();
  sp->CalcItems();
  const TPoint c = Centre(pin->Data);
  const TPoint s = Screen(c.X, c.Y);
  SetCursorPos(s.X, s.Y);
  SendMessageW(form->Handle(), WM_NCMOUSEMOVE, HTUDBTN, MAKELPARAM(s.X, s.Y));
  ASSERT_NE(pin->HintWnd, nullptr);
  SendMessageW(form->Handle(), WM_NCLBUTTONDOWN, HTUDBTN, MAKELPARAM(s.X, s.Y));
  EXPECT_EQ(pin->Data.cpState, 2);
  EXPECT_EQ(pin->HintWnd, nullptr);
}

// The mouse over the frame or the client makes the form the manager's control under the
// mouse.
TEST_F(NCMouse, TheMouseOverTheFormMakesItTheActiveControl) {
  SkinAndShow();
  DuRiruZireziv& manager = skin->skin.Manager;
  const HWND h = form->Handle();
  struct Case {
    const char* name;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
  } cases[] = {
      {"non-client move", WM_NCMOUSEMOVE, HTCAPTION, MAKELPARAM(Screen(150, 10).X, Screen(150, 10).Y)},
      {"client move", WM_MOUSEMOVE, 0, MAKELPARAM(20, 20)},
      {"mouse enter", CM_MOUSEENTER, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    manager.SetActiveControl(nullptr);
    ASSERT_EQ(manager.ActiveControl(), nullptr);
    SendMessageW(h, c.msg, c.wParam, c.lParam);
    EXPECT_EQ(manager.ActiveControl(), h);
  }
  manager.SetActiveControl(nullptr);
}

// The mouse coming back from the border window leaves the border window's hot button behind
// and gives the border window the region it asked for.
TEST_F(NCMouse, TheMouseEnteringFromTheBorderWindowClearsItsHotButtonAndRegion) {
  WithBorder();
  SkinAndShow();
  ASSERT_TRUE(sp->BorderForm);
  sp->SetHotHT(HTCLOSE, true);
  ASSERT_EQ(sp->ButtonClose.cpState, 1);
  sp->BorderForm->ResetRgn = true;
  SendMessageW(form->Handle(), CM_MOUSEENTER, 0, 0);
  EXPECT_EQ(sp->CurrentHT, -1);
  EXPECT_EQ(sp->ButtonClose.cpState, 0);
  EXPECT_FALSE(sp->BorderForm->ResetRgn) << "the region is made anew";
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(GetWindowRgn(sp->BorderForm->LayeredWindow(), rgn), ERROR);
  DeleteObject(rgn);
  // Without a border window the hot button stays for the caption's own moves to settle.
  sp->InitExBorders(false);
  sp->SetHotHT(HTMINBUTTON, true);
  SendMessageW(form->Handle(), CM_MOUSEENTER, 0, 0);
  EXPECT_EQ(sp->CurrentHT, HTMINBUTTON);
}

namespace {

// A caption painted in place (the form in a state of its own, so no fade window takes the
// hot look), with glow images for the minimize and close kinds.
class CaptionInPlace : public NCMouse {
 protected:
  void SetUp() override {
    NCMouse::SetUp();
    ASSERT_NO_FATAL_FAILURE();
    recorder.emplace();  // binds the layered-window functions the halo's window needs
    TkvSkinData& d = *skin->skin.Data;
    halo = skin->skin.AddImage(TRect(0, 100, 40, 128), 1, 0);
    skin->skin.Fill(halo, 0, 0x80FFFFFF);
    for (TkvTitleGlyph kind : {tgMin, tgClose}) {
      d.TitleGlows[kind] = {halo};
      d.GlowMargins[kind] = 6;
    }
    d.Reindex();
  }
  void TearDown() override {
    if (sp) sp->FFormState = 0;
    NCMouse::TearDown();
  }
  void Start() {
    SkinAndShow();
    sp->FFormState = FS_ACTIVATE;
  }
  uint32_t CacheAt(TPoint p) { return sp->FCommonData->FCacheBmp->View().At(p.X, p.Y) & 0xFFFFFF; }
  Integer halo = -1;
};

}  // namespace

// A hot close or minimize button drawn in place shows the skin's halo around it on the screen
// while glowing is allowed; leaving the button takes the halo away.
TEST_F(CaptionInPlace, AHotButtonShowsTheSkinsHaloAroundItUntilTheMouseLeaves) {
  Start();
  struct Case {
    Integer ht;
    bool glowing;
    bool halo;
  } cases[] = {
      {HTMINBUTTON, true, true},
      {HTCLOSE, true, true},
      {HTMAXBUTTON, true, false},  // the skin has no glow for it
      {HTMINBUTTON, false, false},
  };
  RECT w{};
  GetWindowRect(form->Handle(), &w);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ht);
    skin->skin.Manager.Effects.AllowGlowing = c.glowing;
    // The halo window going makes the system send an activation message, whose handling
    // ends the state: each case starts in it again.
    sp->FFormState = FS_ACTIVATE;
    TsCaptionButton* btn = sp->ButtonByHT(c.ht);
    ASSERT_NE(btn, nullptr);
    sp->SetHotHT(c.ht, true);
    ASSERT_EQ(btn->cpState, 1);
    EXPECT_EQ(btn->cpTimer, nullptr) << "painted in place, no fade";
    EXPECT_EQ(CacheAt(Centre(*btn)), Rgb(GlyphPixel(c.ht == HTCLOSE ? 0 : c.ht == HTMAXBUTTON ? 1 : 2, 1)));
    if (c.halo) {
      ASSERT_GE(btn->cpGlowID, 0);
      TkvLayeredEffect* effect = EffectAt(btn->cpGlowID);
      ASSERT_NE(effect, nullptr);
      ASSERT_TRUE(effect->Wnd && effect->Wnd->HandleAllocated());
      // The halo lies over the button on the screen.
      RECT g{};
      GetWindowRect(effect->Wnd->WindowHandle(), &g);
      const TPoint centre(w.left + Centre(*btn).X, w.top + Centre(*btn).Y);
      EXPECT_TRUE(g.left <= centre.X && centre.X < g.right && g.top <= centre.Y && centre.Y < g.bottom);
    } else {
      EXPECT_EQ(btn->cpGlowID, -1);
    }
    const Integer id = btn->cpGlowID;
    sp->SetHotHT(0, true);
    EXPECT_EQ(btn->cpGlowID, -1);
    if (id >= 0) { EXPECT_EQ(EffectAt(id), nullptr); }
  }
  skin->skin.Manager.Effects.AllowGlowing = true;
}

// A button in state -1 is not drawn: its halo goes, and its place in the picture is left as
// it is.
TEST_F(CaptionInPlace, AButtonThatIsNotDrawnOnlyGivesItsHaloBack) {
  Start();
  sp->SetHotHT(HTMINBUTTON, true);
  const Integer id = sp->ButtonMin.cpGlowID;
  ASSERT_GE(id, 0);
  sp->ButtonMin.cpState = -1;
  sp->RepaintButton(HTMINBUTTON);
  EXPECT_EQ(sp->ButtonMin.cpGlowID, -1);
  EXPECT_EQ(EffectAt(id), nullptr);
  // Without a halo to give back nothing at all happens: a mark where the button is stays.
  Application->ProcessMessages();
  const TPoint c = Centre(sp->ButtonMin);
  sp->FCommonData->FCacheBmp->View().At(c.X, c.Y) = 0xFF123456u;
  sp->RepaintButton(HTMINBUTTON);
  EXPECT_EQ(CacheAt(c), 0x123456u);
}

namespace {

// A glyph of w x h filled with one colour, its bottom-left pixel another.
std::unique_ptr<TBitmap> Glyph(TPixelFormat format, TColor fill, TColor corner) {
  auto g = std::make_unique<TBitmap>(10, 8, format);
  const HDC dc = g->Canvas()->Handle();
  HBRUSH b1 = CreateSolidBrush(fill), b2 = CreateSolidBrush(corner);
  RECT all{0, 0, 10, 8}, bl{0, 7, 1, 8};
  FillRect(dc, &all, b1);
  FillRect(dc, &bl, b2);
  DeleteObject(b1);
  DeleteObject(b2);
  if (format == pf32bit) {
    const TPixelView v = g->View();
    for (Integer y = 0; y < v.Height; ++y)
      for (Integer x = 0; x < v.Width; ++x) v.At(x, y) |= 0xFF000000u;
  }
  return g;
}

}  // namespace

// A user button's glyph without alpha is keyed by its bottom-left pixel's colour, in the
// form's picture and in the fade's picture; a pressed one moves a pixel right and down.
TEST_F(CaptionInPlace, AUserGlyphWithoutAlphaIsKeyedByItsCorner) {
  Skin();
  TsTitleButton* pin = sp->FTitleButtons->Add();
  pin->UseSkinData = false;
  const TColor red = 0x000000E0, green = 0x0000E000;
  pin->Glyph = Glyph(pf24bit, red, green);
  ShowForm();
  sp->CalcItems();
  const TRect r = pin->Data.cpRect;
  ASSERT_GT(r.Width(), 10);
  const TPoint glyphTopLeft(r.Left + (r.Width() - 10) / 2, r.Top + (r.Height() - 8) / 2);
  const TPoint corner(glyphTopLeft.X, glyphTopLeft.Y + 7);
  const uint32_t under = CacheAt(corner);
  // In place.
  sp->FFormState = FS_ACTIVATE;
  sp->SetHotHT(HTUDBTN, true);
  EXPECT_EQ(CacheAt(TPoint(glyphTopLeft.X + 4, glyphTopLeft.Y + 3)), RgbOfColor(red));
  EXPECT_EQ(CacheAt(corner), under) << "the key colour is not drawn";
  sp->SetHotHT(0, true);
  // On the fade's picture (glowing allowed, the form at rest): centred in the picture.
  sp->FFormState = 0;
  sp->SetHotHT(HTUDBTN, true);
  ASSERT_NE(pin->Data.cpTimer, nullptr);
  TBitmap* fade = pin->Data.cpTimer->ABmp.get();
  ASSERT_NE(fade, nullptr);
  const TPoint inFade((fade->Width() - 10) / 2, (fade->Height() - 8) / 2);
  EXPECT_EQ(fade->View().At(inFade.X + 4, inFade.Y + 3), 0xFF000000u | RgbOfColor(red));
  EXPECT_EQ(fade->View().At(inFade.X, inFade.Y + 7) >> 24, 0u) << "the key colour stays clear";
  sp->SetHotHT(0, true);
  // Pressed, a 32-bit glyph through its alpha, one pixel right and down.
  pin->Glyph = Glyph(pf32bit, 0x00E00000, 0x00E00000);
  const TPoint s = Screen(Centre(pin->Data).X, Centre(pin->Data).Y);
  SetCursorPos(s.X, s.Y);
  SendMessageW(form->Handle(), WM_NCLBUTTONDOWN, HTUDBTN, MAKELPARAM(s.X, s.Y));
  fade = pin->Data.cpTimer ? pin->Data.cpTimer->ABmp.get() : nullptr;
  ASSERT_NE(fade, nullptr);
  EXPECT_EQ(fade->View().At(inFade.X, inFade.Y) >> 24, 0u) << "moved away from the top-left";
  // Blended through its alpha: the blue within one step of rounding, nothing else.
  const uint32_t moved = fade->View().At(inFade.X + 1, inFade.Y + 1);
  EXPECT_NEAR(Integer(moved & 0xFF), 0xE0, 1);
  EXPECT_EQ(moved & 0xFFFF00, 0u);
}

// A right click on the caption drops the menu at the click; a right press elsewhere released
// on the caption does not.
TEST_F(IconPress, ARightClickOnTheCaptionDropsTheMenuThere) {
  Start(false);
  const TPoint caption = Screen(120, SysBorderHeight(form->Handle(), nullptr, true) + 4);
  const TPoint client = Screen(150, 120);
  struct Case {
    const char* name;
    WPARAM downCode;
    TPoint down;
    size_t drops;
  } cases[] = {
      {"pressed and released on the caption", HTCAPTION, caption, 1},
      {"pressed in the client", HTCLIENT, client, 0},
  };
  ASSERT_EQ(HitTest(caption.X - Screen(0, 0).X, caption.Y - Screen(0, 0).Y), HTCAPTION);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    rec->drops.clear();
    SendMessageW(form->Handle(), WM_NCRBUTTONDOWN, c.downCode, MAKELPARAM(c.down.X, c.down.Y));
    SendMessageW(form->Handle(), WM_NCRBUTTONUP, HTCAPTION, MAKELPARAM(caption.X, caption.Y));
    ASSERT_EQ(rec->drops.size(), c.drops);
    if (c.drops) { EXPECT_EQ(rec->drops[0], caption); }
    EXPECT_FALSE(sp->RightPressed);
  }
}

// A double click on the caption of a form whose menu allows neither Maximize nor Restore goes
// to the form's own procedure; on the title icon it closes the form.
TEST_F(IconPress, DoubleClicksOnTheCaptionAndTheIcon) {
  form->SetBorderIcons(TBorderIcons{biSystemMenu, biMinimize});
  Start(false);
  PassedOn& w = Watch();
  const TPoint caption = Screen(120, SysBorderHeight(form->Handle(), nullptr, true) + 4);
  SendMessageW(form->Handle(), WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(caption.X, caption.Y));
  EXPECT_FALSE(IsZoomed(form->Handle()));
  EXPECT_EQ(w.Count(WM_NCLBUTTONDBLCLK), 1);
  SendMessageW(form->Handle(), WM_NCLBUTTONDBLCLK, HTSYSMENU, MAKELPARAM(caption.X, caption.Y));
  Application->ProcessMessages();
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
}

namespace {

struct ItemClicks {
  void Down(TObject*, TMouseButton b, TShiftState, Integer, Integer) { downs.push_back(b); }
  void Up(TObject*, TMouseButton b, TShiftState, Integer, Integer) { ups.push_back(b); }
  std::vector<TMouseButton> downs, ups;
};

}  // namespace

// A right click on a title bar item reaches the item's events with the right button.
TEST_F(NCMouse, ARightClickOnATitleBarItemReachesItsEvents) {
  TkvTitleBarItem* item = AddTitleBarItem();
  ItemClicks clicks;
  item->FOnMouseDown = TMouseEvent(&clicks, &ItemClicks::Down);
  item->FOnMouseUp = TMouseEvent(&clicks, &ItemClicks::Up);
  SkinAndShow();
  const TPoint c((item->Rect.Left + item->Rect.Right) / 2, (item->Rect.Top + item->Rect.Bottom) / 2);
  ASSERT_EQ(HitTest(c.X, c.Y), HTITEM);
  const TPoint s = Screen(c.X, c.Y);
  SendMessageW(form->Handle(), WM_NCRBUTTONDOWN, HTITEM, MAKELPARAM(s.X, s.Y));
  EXPECT_TRUE(sp->RightPressed);
  SendMessageW(form->Handle(), WM_NCRBUTTONUP, HTITEM, MAKELPARAM(s.X, s.Y));
  EXPECT_FALSE(sp->RightPressed);
  EXPECT_EQ(clicks.downs, std::vector<TMouseButton>{mbRight});
  EXPECT_EQ(clicks.ups, std::vector<TMouseButton>{mbRight});
}

// While the manager scales the skin step by step, the caption has no hot element to change.
TEST_F(NCMouse, NoHotElementChangesDuringAnAnimatedScaleChange) {
  SkinAndShow();
  DuRiruZireziv& manager = skin->skin.Manager;
  manager.ManagerState.Include(msAnimScaling);
  const TScopeExit back([&] { manager.ManagerState.Exclude(msAnimScaling); });
  sp->SetHotHT(HTMINBUTTON, true);
  EXPECT_EQ(sp->CurrentHT, 0);
  EXPECT_EQ(sp->ButtonMin.cpState, 0);
  manager.ManagerState.Exclude(msAnimScaling);
  sp->SetHotHT(HTMINBUTTON, true);
  EXPECT_EQ(sp->ButtonMin.cpState, 1);
}

namespace {

class ChildButtons : public SkinnedMdiFrame {
 protected:
  // A skinned maximized child with the given border icons, under a frame with a menu line.
  TForm* MaximizedChild(TBorderIcons icons) {
    auto* menu = new TMainMenu(frame);
    auto* item = new TMenuItem(frame);
    item->SetCaption(u"File");
    menu->Items()->Add(item);
    frame->SetMenu(menu);
    TForm* child = MakeChild(u"Child");
    child->SetBorderIcons(icons);
    (new TsSkinProvider(child))->AfterConstruction();
    child->SetWindowState(wsMaximized);
    PumpMessages();
    return child;
  }
};

}  // namespace

// The minimize button of a maximized child in the menu line presses only while the child's
// menu allows both Minimize and Restore.
TEST_F(ChildButtons, TheChildsMinimizeButtonPressesOnlyWhenTheChildMayMinimize) {
  struct Case {
    const char* name;
    TBorderIcons icons;
    bool presses;
  } cases[] = {
      {"minimize allowed", {biSystemMenu, biMinimize, biMaximize}, true},
      {"no minimize", {biSystemMenu, biMaximize}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TForm* child = MaximizedChild(c.icons);
    ASSERT_TRUE(MDIButtonsNeeded(*sp));
    sp->CalcItems();
    CalcMDIButtons(*sp);
    const TRect& r = sp->MDIMin.cpRect;
    ASSERT_GT(r.Width(), 0);
    RECT w{};
    GetWindowRect(frame->Handle(), &w);
    const TPoint p(w.left + (r.Left + r.Right) / 2, w.top + (r.Top + r.Bottom) / 2);
    ASSERT_EQ(SendMessageW(frame->Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.X, p.Y)), HTCHILDMIN);
    SendMessageW(frame->Handle(), WM_NCLBUTTONDOWN, HTCHILDMIN, MAKELPARAM(p.X, p.Y));
    EXPECT_EQ(sp->biClicked, c.presses);
    EXPECT_EQ(sp->MDIMin.cpState, c.presses ? 2 : 0);
    // Released elsewhere: nothing happens to the child.
    SetCursorPos(0, 0);
    SendMessageW(frame->Handle(), WM_NCLBUTTONUP, HTCAPTION, MAKELPARAM(0, 0));
    EXPECT_EQ(child->WindowState(), wsMaximized);
    sp->biClicked = false;
    delete child;
    PumpMessages();
  }
}

// The mouse leaving the form clears the hot element, except a title bar item's while the
// border window, which shows the item, has the mouse.
TEST_F(NCMouse, LeavingTheFormKeepsAHotTitleBarItemOnlyOverTheBorderWindow) {
  struct Case {
    const char* name;
    bool border;
    Integer hot;
    Integer after;
  } cases[] = {
      {"item, border window", true, HTITEM, HTITEM},
      {"item, no border window", false, HTITEM, -1},
      {"button, border window", true, HTMINBUTTON, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RenewForm();
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
    if (c.border) WithBorder();
    AddTitleBarItem();
    SkinAndShow();
    ASSERT_EQ(bool(sp->BorderForm), c.border);
    sp->SetHotHT(c.hot, true);
    ASSERT_EQ(sp->CurrentHT, c.hot);
    SendMessageW(form->Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(sp->CurrentHT, c.after);
    EXPECT_FALSE(sp->biClicked);
    skin->skin.Manager.SetExtendedBorders(false);
  }
}

// A click on a minimized child's caption drops the child's menu where the mouse is.
TEST_F(ChildButtons, AClickOnAMinimizedChildDropsItsMenuAtTheMouse) {
  TForm* child = MakeChild(u"Child");
  auto* rec = new TMenuDropRecorder(child);
  rec->AfterConstruction();
  child->SetWindowState(wsMinimized);
  PumpMessages();
  ASSERT_TRUE(IsIconic(child->Handle()));
  RECT w{};
  GetWindowRect(child->Handle(), &w);
  const TPoint at(w.left + 10, w.top + 5);
  SetCursorPos(at.X, at.Y);
  SendMessageW(child->Handle(), WM_NCLBUTTONUP, HTCAPTION, MAKELPARAM(at.X, at.Y));
  ASSERT_EQ(rec->drops.size(), 1u);
  EXPECT_EQ(rec->drops[0], kvMousePos());
  SetCursorPos(0, 0);
}

namespace {

// The mouse moved to a screen point as the user moves it.
void MoveMouseTo(TPoint screen) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = MulDiv(screen.X, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
  in.mi.dy = MulDiv(screen.Y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

// Handles messages until the condition holds or the time is up; answers the condition.
template <class F>
bool PumpUntil(F done, int ms = 2000) {
  const DWORD end = GetTickCount() + DWORD(ms);
  while (!done() && GetTickCount() < end) {
    Application->ProcessMessages();
    Sleep(10);
  }
  return done();
}

}  // namespace

// Without glowing and without an outer border window nothing watches a hot caption button but
// the system's report that the mouse left the window's frame: the mouse goes straight from the
// button out of the window, and the button looks normal again.
TEST_F(NCMouse, TheMouseLeavingTheWindowFromAHotButtonGivesItsNormalLookBack) {
  skin->skin.Manager.Effects.AllowGlowing = false;
  SkinAndShow();
  ASSERT_EQ(sp->BorderForm, nullptr);
  const TPoint c = Centre(sp->ButtonMin);
  const TsCaptionButton& b = sp->ButtonMin;
  auto lookAt = [&] { return RgbOfColor(WindowShot(form->Handle())->PixelColor(c.X, c.Y) & 0xFFFFFF); };
  ASSERT_EQ(lookAt(), Rgb(GlyphPixel(2, 0)));
  MoveMouseTo(Screen(c.X, c.Y));
  ASSERT_TRUE(PumpUntil([&] { return b.cpState == 1; }));
  EXPECT_EQ(sp->CurrentHT, HTMINBUTTON);
  EXPECT_EQ(lookAt(), Rgb(GlyphPixel(2, 1)));
  // Straight up, off the window.
  MoveMouseTo(Screen(c.X, -40));
  EXPECT_TRUE(PumpUntil([&] { return b.cpState == 0; }));
  EXPECT_EQ(sp->CurrentHT, -1);
  EXPECT_EQ(lookAt(), Rgb(GlyphPixel(2, 0)));
}
