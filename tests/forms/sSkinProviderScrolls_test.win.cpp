// The form's own skinned scroll bars: the scroll wrapper the provider gives a skinned form with
// scroll bars, its place in front of the provider in the form's window chain, the bars' pixels
// on the screen, the hit tests of the bars and of the size box where they meet, and the wrapper
// going with the skin (nothing left behind) and coming back with it.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/sMessages.h"
#include "forms/sSkinProvider.h"
#include "forms/sSkinProviderMotion.h"
#include "skin/sVclUtils.h"
#include "support/FormSkin.h"
#include "support/GdiTracker.h"
#include "support/ScrollSkin.h"
#include "support/UserTracker.h"
#include "wrappers/kvSBUtils.h"

using namespace formskin;

namespace {

constexpr Integer kBar = 17, kArrow = 15;

class FormScrolls : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    kvSBUtilsStartup();  // the flat scroll-bar functions the engine's start-up binds
    AddScrollParts(skin->skin);
    skin->skin.Data->Reindex();
  }
  static void SetRange(HWND h, int bar, int max, UINT page, int pos) {
    SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, max, page, pos, 0};
    SetScrollInfo(h, bar, &si, FALSE);
  }
  // Skinned with both bars (content ten pages long each way, at the start), then shown.
  void SkinWithBars(bool both = true) {
    Skin();
    for (TkvScrollData* d : {sp->FCommonData->FHorzScrollData.get(), sp->FCommonData->FVertScrollData.get()}) {
      d->FScrollWidth = kBar;
      d->FButtonsSize = kArrow;
    }
    const HWND h = form->Handle();
    SetRange(h, SB_VERT, 999, 100, 0);
    if (both) SetRange(h, SB_HORZ, 999, 100, 0);
    ShowScrollBar(h, both ? SB_BOTH : SB_VERT, TRUE);
    ShowForm();
  }
  // A bar's rectangle in window coordinates.
  TRect Bar(int bar) {
    TRect r;
    if (bar == SB_HORZ)
      kv_GetHScrollRect(sp->ListSW, form->Handle(), r);
    else
      kv_GetVScrollRect(sp->ListSW, form->Handle(), r);
    const TPoint lt = Screen(0, 0);
    return TRect(r.Left - lt.X, r.Top - lt.Y, r.Right - lt.X, r.Bottom - lt.Y);
  }
  void Command(Word command) {
    SendMessageW(form->Handle(), SM_ALPHACMD, uintptr_t(command) << 16, reinterpret_cast<LPARAM>(&skin->skin.Manager));
  }
  // The skin goes as the manager takes it away: inactive first, then the command.
  void RemoveSkin() {
    skin->skin.Manager.SkinCommonInfo.Active = false;
    Command(KV_REMOVESKIN);
  }
  // And comes back as the manager brings a new one: the command, then the refresh.
  void NewSkin() {
    skin->skin.Manager.SkinCommonInfo.Active = true;
    Command(KV_SETNEWSKIN);
    Command(KV_REFRESH);
    Application->ProcessMessages();
  }
  static TColor Pixel(const TBitmap& shot, Integer x, Integer y) { return shot.PixelColor(x, y) & 0xFFFFFF; }
};

}  // namespace

TEST_F(FormScrolls, ShownFormGetsItsOwnWrapperInFrontOfTheProvider) {
  SkinWithBars();
  const HWND h = form->Handle();
  ASSERT_NE(sp->ListSW, nullptr);
  EXPECT_EQ(TkvScrollWnd::FromHwnd(h), sp->ListSW);
  EXPECT_EQ(sp->ListSW->SkinData, sp->FCommonData.get());
  EXPECT_TRUE(sp->ListSW->sBarHorz->fScrollVisible);
  EXPECT_TRUE(sp->ListSW->sBarVert->fScrollVisible);
  // The form's messages, and the direct calls through the skin data, reach the wrapper first.
  const TWndMethod entry = sp->ListSW->EntryProc();
  EXPECT_TRUE(form->WindowProc() == entry);
  EXPECT_TRUE(sp->FCommonData->WndProc == entry);
  EXPECT_TRUE(sp->ScrollWrapperProc() == entry);
  // The skin data finds its way to the wrapper again whatever its procedure was.
  sp->FCommonData->WndProc = TWndMethod(sp, &TsSkinProvider::NewWndProc);
  sp->FCommonData->InitCommonProp();
  EXPECT_TRUE(sp->FCommonData->WndProc == entry);
  // The provider still answers for the form through it.
  EXPECT_EQ(GetFormProvider(h), static_cast<TkvFormProvider*>(sp));
  // The client ends where the skinned bars begin.
  const TRect vert = Bar(SB_VERT), horz = Bar(SB_HORZ);
  EXPECT_EQ(vert.Width(), kBar);
  EXPECT_EQ(horz.Height(), kBar);
  POINT clientRight{form->ClientWidth(), form->ClientHeight()};
  ClientToScreen(h, &clientRight);
  const TPoint lt = Screen(0, 0);
  EXPECT_EQ(clientRight.x - lt.X, vert.Left);
  EXPECT_EQ(clientRight.y - lt.Y, horz.Top);
  // The border width a child asks for is the frame's measured left edge, not half of what
  // the bars take from the client's width.
  ASSERT_GT(sp->ListSW->cxLeftEdge, 0);
  EXPECT_EQ(SendMessageW(h, SM_ALPHACMD, uintptr_t(KV_GETBORDERWIDTH) << 16, 0),
            sp->ListSW->cxLeftEdge - form->BorderWidth());
  // The header is the same with the horizontal bar or without it.
  const Integer header = sp->HeaderHeight();
  ShowScrollBar(h, SB_HORZ, FALSE);
  Application->ProcessMessages();
  ASSERT_FALSE(sp->ListSW->sBarHorz->fScrollVisible);
  EXPECT_EQ(sp->HeaderHeight(), header);
}

TEST_F(FormScrolls, BarsArePaintedFromTheSkinBetweenTheFrameAndTheClient) {
  SkinWithBars();
  const TRect vert = Bar(SB_VERT), horz = Bar(SB_HORZ);
  const auto shot = WindowShot(form->Handle());
  const TColor client = sp->FormActive ? kClientActive : kClientInactive;
  const TColor border = RgbOfColor(Rgb(kBorderPixel));  // as a colour
  struct Probe {
    const char* what;
    Integer x, y;
    TColor color;
  } probes[] = {
      {"up arrow", vert.Left + 2, vert.Top + 2, kBtnTop},
      {"down arrow", vert.Left + 2, vert.Bottom - 3, kBtnBottom},
      {"vertical thumb", vert.Left + 2, vert.Top + kArrow + 3, kThumbV},
      {"vertical track", vert.Left + kBar / 2, (vert.Top + vert.Bottom) / 2, kTrackBottom},
      {"left arrow", horz.Left + 2, horz.Top + 2, kBtnLeft},
      {"right arrow", horz.Right - 3, horz.Top + 2, kBtnRight},
      {"horizontal thumb", horz.Left + kArrow + 3, horz.Top + 2, kThumbH},
      {"size box", horz.Right + kBar / 2, horz.Top + kBar / 2, kTrackLeft},
      // The provider's frame and client around them are untouched.
      {"left border", 1, shot->Height() / 2, border},
      {"right border", shot->Width() - 2, shot->Height() / 2, border},
      {"bottom border", shot->Width() / 2, shot->Height() - 2, border},
      {"client", vert.Left / 2, horz.Top / 2, client},
  };
  for (const Probe& p : probes) EXPECT_EQ(Pixel(*shot, p.x, p.y), p.color) << p.what;
  // The caption painted again on its own (a new text, icon or title item) leaves the bars be.
  sp->UpdateSkinCaption();
  const auto again = WindowShot(form->Handle());
  for (const Probe& p : probes) EXPECT_EQ(Pixel(*again, p.x, p.y), p.color) << p.what << " after the caption";
}

TEST_F(FormScrolls, HitTestsFindTheBarsAndTheSizeBoxWhereTheyMeet) {
  SkinWithBars();
  const TRect vert = Bar(SB_VERT), horz = Bar(SB_HORZ);
  const TRect box = sp->ScrollSizeBox();
  EXPECT_EQ(box, TRect(horz.Right, horz.Top, vert.Right, horz.Bottom));
  struct Case {
    const char* where;
    Integer x, y;
    LRESULT code;
  } cases[] = {
      {"vertical bar", vert.Left + kBar / 2, (vert.Top + vert.Bottom) / 2, HTVSCROLL},
      {"horizontal bar", (horz.Left + horz.Right) / 2, horz.Top + kBar / 2, HTHSCROLL},
      {"size box", box.Left + kBar / 2, box.Top + kBar / 2, HTBOTTOMRIGHT},
      {"client", vert.Left / 2, horz.Top / 2, HTCLIENT},
  };
  for (const Case& c : cases) EXPECT_EQ(HitTest(c.x, c.y), c.code) << c.where;
}

// The provider's own hit test: with a grip image in the skin, the size box answers the sizing
// corner right of and below where the grip is drawn; with one bar only there is no size box.
TEST_F(FormScrolls, ProviderAnswersTheSizingCornerInTheSizeBoxWhenTheSkinHasAGrip) {
  TkvSkinData& d = *skin->skin.Data;
  d.GripRightBottom = skin->skin.AddImage(TRect(200, 0, 208, 8), 1, 0);
  SkinWithBars();
  const TRect box = sp->ScrollSizeBox();
  ASSERT_FALSE(box.IsEmpty());
  const TsMaskData& grip = d.ma[size_t(d.GripRightBottom)];
  const TPoint anchor(form->Width() - grip.Width - sp->BorderWidth(true),
                      form->Height() - grip.Height - sp->BorderHeight(true));
  const TPoint inBox(box.Right - 1, box.Bottom - 1);
  ASSERT_GT(inBox.X, anchor.X);
  ASSERT_GT(inBox.Y, anchor.Y);
  auto providerHit = [&](TPoint p) {
    const TPoint s = Screen(p.X, p.Y);
    TMessage m = MakeMessage(WM_NCHITTEST, 0, MAKELPARAM(s.X, s.Y));
    return sp->HTProcess(m);
  };
  EXPECT_EQ(providerHit(inBox), HTBOTTOMRIGHT);
  EXPECT_EQ(providerHit(TPoint(box.Left - 3, box.Top - 3)), HTCLIENT);  // the vertical bar's end
  // Without the horizontal bar the corner is the vertical bar's, not a size box.
  ShowScrollBar(form->Handle(), SB_HORZ, FALSE);
  Application->ProcessMessages();
  EXPECT_TRUE(sp->ScrollSizeBox().IsEmpty());
  EXPECT_EQ(providerHit(inBox), HTCLIENT);
}

TEST_F(FormScrolls, RemovedSkinTakesTheWrapperAwayAndANewSkinBringsOneBack) {
  SkinWithBars();
  const HWND h = form->Handle();
  ASSERT_NE(sp->ListSW, nullptr);
  RemoveSkin();
  EXPECT_EQ(sp->ListSW, nullptr);
  EXPECT_EQ(TkvScrollWnd::FromHwnd(h), nullptr);
  EXPECT_EQ(GetPropW(h, L"KVSBSC"), nullptr);
  // The chain ends in the provider again, for the system and for direct calls.
  const TWndMethod provider(sp, &TsSkinProvider::NewWndProc);
  EXPECT_TRUE(form->WindowProc() == provider);
  EXPECT_TRUE(sp->FCommonData->WndProc == provider);
  // An activation of the unskinned form makes none.
  SendMessageW(h, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(sp->ListSW, nullptr);

  NewSkin();
  ASSERT_NE(sp->ListSW, nullptr);
  EXPECT_EQ(TkvScrollWnd::FromHwnd(h), sp->ListSW);
  EXPECT_TRUE(form->WindowProc() == sp->ListSW->EntryProc());
  EXPECT_TRUE(sp->ListSW->sBarVert->fScrollVisible);
}

TEST_F(FormScrolls, SkinGoingAndComingBackLeavesNoHandleBehind) {
  SkinWithBars();
  RemoveSkin();
  NewSkin();
  GdiTracker gdi;
  ASSERT_TRUE(gdi.Active());
  const int windows = UserTracker::ThreadWindowCount();
  size_t liveAfterFirst = 0;
  for (int round = 0; round < 6; ++round) {
    RemoveSkin();
    NewSkin();
    ASSERT_NE(sp->ListSW, nullptr);
    if (round == 0) liveAfterFirst = gdi.Live().size();
  }
  // What a round makes (the form's picture) it frees in the next one.
  EXPECT_EQ(gdi.Live().size(), liveAfterFirst);
  EXPECT_GT(gdi.Created(), 0);
  EXPECT_EQ(UserTracker::ThreadWindowCount(), windows);
}

TEST_F(FormScrolls, WrapperOfAWindowMadeAnewIsReplaced) {
  SkinWithBars();
  ASSERT_NE(sp->ListSW, nullptr);
  // The window goes from under the wrapper (the form makes a new one): the wrapper lets go
  // of it, and the form's new window gets a wrapper of its own.
  form->RecreateWnd();
  form->HandleNeeded();
  Application->ProcessMessages();
  const HWND h = form->Handle();
  sp->RefreshFormScrolls();
  ASSERT_NE(sp->ListSW, nullptr);
  EXPECT_FALSE(sp->ListSW->Destroyed);
  EXPECT_EQ(sp->ListSW->CtrlHandle, h);
  EXPECT_EQ(TkvScrollWnd::FromHwnd(h), sp->ListSW);
  EXPECT_TRUE(form->WindowProc() == sp->ListSW->EntryProc());
}

// A form taken out of its parent gets a frame of its own: its wrapper is made anew on the
// refresh that follows.
TEST_F(FormScrolls, FloatingFormGetsItsWrapperAnew) {
  SkinWithBars();
  ASSERT_NE(sp->ListSW, nullptr);
  form->Perform(CM_FLOAT, 0, 0);
  ASSERT_NE(sp->ListSW, nullptr);
  EXPECT_EQ(TkvScrollWnd::FromHwnd(form->Handle()), sp->ListSW);
  EXPECT_TRUE(form->WindowProc() == sp->ListSW->EntryProc());
  EXPECT_TRUE(sp->ListSW->sBarVert->fScrollVisible);
}

TEST_F(FormScrolls, FormWithoutBarsHasAWrapperThatShowsNone) {
  Skin();
  ShowForm();
  ASSERT_NE(sp->ListSW, nullptr);
  EXPECT_FALSE(sp->ListSW->sBarHorz->fScrollVisible);
  EXPECT_FALSE(sp->ListSW->sBarVert->fScrollVisible);
  EXPECT_EQ(sp->SkinnedScrollThickness(SB_VERT), 0);
  EXPECT_TRUE(sp->ScrollSizeBox().IsEmpty());
  // No bar appears when the wrapper goes and the flat scroll bars come back.
  RemoveSkin();
  EXPECT_EQ(GetWindowLongW(form->Handle(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), 0);
}

TEST_F(FormScrolls, ProviderGoingFreesTheWrapperAndGivesTheFormItsProcedureBack) {
  const TWndMethod before = form->WindowProc();
  SkinWithBars();
  ASSERT_NE(sp->ListSW, nullptr);
  delete sp;
  sp = nullptr;
  EXPECT_TRUE(form->WindowProc() == before);
  EXPECT_EQ(TkvScrollWnd::FromHwnd(form->Handle()), nullptr);
  // The form goes on working without them.
  EXPECT_EQ(SendMessageW(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(Screen(150, 100).X, Screen(150, 100).Y)),
            HTCLIENT);
}

// The form's picture, as its animations take it (each child printed), shows the skinned bars
// where the screen shows them: no dark band where the frame has no bar of the system's.
TEST_F(FormScrolls, ThePrintedFormShowsItsSkinnedBars) {
  SkinWithBars();
  const TRect vert = Bar(SB_VERT), horz = Bar(SB_HORZ);
  const std::unique_ptr<TBitmap> image = GetFormImage(sp, false);
  ASSERT_TRUE(image);
  const auto shot = WindowShot(form->Handle());
  const struct {
    const char* where;
    TPoint p;
  } points[] = {
      {"vertical bar", TPoint(vert.Left + kBar / 2, (vert.Top + vert.Bottom) / 2)},
      {"horizontal bar", TPoint((horz.Left + horz.Right) / 2, horz.Top + kBar / 2)},
  };
  for (const auto& at : points) {
    const TColor screen = shot->PixelColor(at.p.X, at.p.Y);
    ASSERT_NE(screen & 0xFFFFFF, 0u) << at.where << ": the screen shows a bar";
    EXPECT_EQ(image->PixelColor(at.p.X, at.p.Y) & 0xFFFFFF, screen & 0xFFFFFF) << at.where;
  }
}

// A child window made or destroyed on the form may change its scroll range: the skinned bars
// read the form's scroll state again, with or without a child-control adapter.
TEST_F(FormScrolls, AChildComingOrGoingRefreshesTheBarsWithOrWithoutAnAdapter) {
  SkinWithBars();
  ASSERT_NE(sp->ListSW, nullptr);
  const HWND h = form->Handle();
  struct Case {
    const char* what;
    bool adapter;
    WORD event;
  } cases[] = {{"made, adapter", true, WM_CREATE},
               {"made, no adapter", false, WM_CREATE},
               {"destroyed, no adapter", false, WM_DESTROY}};
  int pos = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.adapter) sp->Adapter.reset();
    if (c.adapter && !sp->Adapter) sp->AdapterCreate();
    pos += 50;
    SCROLLINFO si{sizeof(si), SIF_POS, 0, 0, 0, pos, 0};
    SetScrollInfo(h, SB_VERT, &si, FALSE);
    ASSERT_NE(sp->ListSW->sBarVert->ScrollInfo.nPos, pos);
    SendMessageW(h, WM_PARENTNOTIFY, MAKEWPARAM(c.event, 0), 0);
    EXPECT_EQ(sp->ListSW->sBarVert->ScrollInfo.nPos, pos);
  }
}
