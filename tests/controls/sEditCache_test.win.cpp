// The skinned edit's whole window from its cache: without the focus its text is drawn there in
// the skin's text colour (a password as circles), with the focus the system draws it; the added
// glyph takes its room beside the text, skinned and unskinned, and a click on it is a click on
// the edit that leaves the caret where it was.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/kvAnimation.h"
#include "controls/sButton.h"
#include "controls/sEdit.h"
#include "support/ImageLists.h"
#include "support/ManualTimerDriver.h"
#include "support/SkinnedFormFixture.h"
#include "ui/Bitmap.h"
#include "ui/Canvas.h"
#include "ui/Forms.h"

namespace {

constexpr uint32_t kSkinText = 0xFF0000;  // 0xRRGGBB: the section's text colour
constexpr uint32_t kGlyph = 0x0000FF;

struct ClickCount {
  int count = 0;
  void Click(TObject*) { ++count; }
};

class EditCache : public SkinnedFormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SkinnedFormTest::SetUp());
    TsGeneralData look = PlainSection(u"EDIT", 0, clWhite, 2);
    for (auto& state : look.Props) state.FontColor.Color = 0x0000FF;  // red as TColor
    section = skin->AddSection(look);
    skin->Data->IndexSections();
    edit = new TsEdit(form);
    edit->SetBounds(20, 20, 220, 26);
    edit->SetParent(form);
    edit->SetColor(clWhite);
    edit->Font()->SetColor(clBlack);
    edit->Font()->SetSize(12);
    other = new TsButton(form);
    other->SetBounds(20, 100, 100, 30);
    other->SetParent(form);
    list = SolidImageList({kGlyph});
    form->Show();
    other->SetFocus();
    Pump();
  }
  void TearDown() override {
    SkinnedFormTest::TearDown();
    list.reset();
  }
  void Skin() {
    edit->SkinData()->SkinIndex = section;
    edit->SkinData()->SetCommonSkinData(nullptr);
    Redraw();
  }
  void Redraw() {
    edit->SkinData()->BGChanged = true;
    RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Pump();
  }
  // The edit's whole window as shown.
  std::unique_ptr<TBitmap> Shot() {
    auto bmp = std::make_unique<TBitmap>(edit->Width(), edit->Height(), pf32bit);
    HDC dc = GetWindowDC(edit->Handle());
    BitBlt(bmp->Canvas()->Handle(), 0, 0, edit->Width(), edit->Height(), dc, 0, 0, SRCCOPY);
    ReleaseDC(edit->Handle(), dc);
    return bmp;
  }
  struct Ink {
    int count = 0;
    Integer left = INT32_MAX, right = -1;
  };
  Ink InkOf(uint32_t rgb) {
    const auto bmp = Shot();
    Ink ink;
    for (Integer y = 0; y < bmp->Height(); ++y)
      for (Integer x = 0; x < bmp->Width(); ++x)
        if ((bmp->View().At(x, y) & 0xFFFFFF) == rgb) {
          ++ink.count;
          ink.left = std::min(ink.left, x);
          ink.right = std::max(ink.right, x);
        }
    return ink;
  }
  uint32_t At(Integer x, Integer y) { return Shot()->View().At(x, y) & 0xFFFFFF; }
  TRect Client() { return ClientInWindow(edit->Handle()); }
  void AddGlyph() {
    edit->AddedGlyph()->SetImages(list.get());
    edit->AddedGlyph()->SetImageIndex(0);
    Pump();
  }
  std::unique_ptr<TsAlphaImageList> list;
  TsEdit* edit = nullptr;
  TsButton* other = nullptr;
  Integer section = -1;
};

TEST_F(EditCache, UnfocusedTheTextComesFromTheCacheInTheSkinsColour) {
  edit->SetText(u"Hello world");
  Skin();
  EXPECT_GT(InkOf(kSkinText).count, 20);
  EXPECT_EQ(InkOf(0x000000).count, 0);
  // Focused, the system draws text, caret and selection (the cache never draws a selection).
  const COLORREF h = GetSysColor(COLOR_HIGHLIGHT);
  const uint32_t highlight = (uint32_t(GetRValue(h)) << 16) | (uint32_t(GetGValue(h)) << 8) | GetBValue(h);
  edit->SetFocus();
  Pump();
  SendMessageW(edit->Handle(), EM_SETSEL, 0, -1);
  Redraw();
  EXPECT_GT(InkOf(highlight).count, 50) << "focused: the system draws the text";
  // While a hint flies into the bound label the cache paints, focus or not.
  edit->SkinData()->CtrlSkinState |= KVS_TEXTANIMATING;
  Redraw();
  EXPECT_EQ(InkOf(highlight).count, 0);
  EXPECT_GT(InkOf(kSkinText).count + InkOf(0x00C000).count, 20);
  edit->SkinData()->CtrlSkinState &= ~KVS_TEXTANIMATING;
  // The focus gone, the text is the cache's again, rendered anew from the section.
  for (auto& state : skin->Section(section).Props) state.FontColor.Color = 0x00C000;
  other->SetFocus();
  Pump();
  Redraw();
  EXPECT_EQ(InkOf(highlight).count, 0);
  EXPECT_GT(InkOf(0x00C000).count, 20);
}

TEST_F(EditCache, ATextSetWhileUnfocusedShowsAtOnce) {
  Skin();
  EXPECT_EQ(InkOf(kSkinText).count, 0);
  edit->SetText(u"https://v.example/abc");
  Pump();
  EXPECT_GT(InkOf(kSkinText).count, 20);
}

TEST_F(EditCache, APasswordShowsOneCirclePerCharacter) {
  edit->SetPasswordChar(u'*');
  edit->SetText(u"abcd");
  Skin();
  const Ink ink = InkOf(kSkinText);
  ASSERT_GT(ink.count, 10);
  TBitmap probe(10, 10, pf32bit);
  TCanvas* c = probe.Canvas();
  c->Font()->Assign(edit->Font());
  const Integer circles = c->TextWidth(String(4, Char(0x25CF)));
  const Integer stars = c->TextWidth(u"****");
  ASSERT_GT(std::abs(circles - stars), 4) << "the font must tell circles from stars";
  // The ink spans the four circles (their side bearings aside).
  EXPECT_NEAR(ink.right - ink.left + 1, circles, 4);
}

TEST_F(EditCache, TheAddedGlyphTakesItsRoomBesideTheTextWhenSkinned) {
  Skin();
  const TRect bare = Client();
  AddGlyph();
  Redraw();
  const Integer space = edit->AddedGlyphSpace();
  EXPECT_EQ(space, 16 + skin->Data->Spacing / 2);
  EXPECT_EQ(Client().Left, bare.Left + space);
  EXPECT_EQ(Client().Right, bare.Right);
  const TRect g = edit->AddedGlyphRect();
  EXPECT_EQ(g, EditAddedGlyphRect(edit->Width(), edit->Height(), 2, TRect(), 16, false));  // inside the Ctl3D frame
  // Drawn centred in its rectangle.
  EXPECT_EQ(At(g.Left + 8, (g.Top + g.Bottom) / 2), kGlyph);
  EXPECT_NE(At(g.Right + 2, (g.Top + g.Bottom) / 2), kGlyph);
  // Focused too: the glyph lies in the frame, which the cache paints.
  edit->SetFocus();
  Pump();
  Redraw();
  EXPECT_EQ(At(g.Left + 8, (g.Top + g.Bottom) / 2), kGlyph);
}

TEST_F(EditCache, UnskinnedTheGlyphsRoomIsPartOfThePadding) {
  skin->Manager.SkinCommonInfo.Active = false;
  edit->SkinData()->SkinIndex = -1;
  SetWindowPos(edit->Handle(), nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  const TRect bare = Client();
  AddGlyph();
  Redraw();
  const Integer space = edit->AddedGlyphSpace();
  EXPECT_GT(space, 16);
  EXPECT_EQ(edit->AddedPadding().Left, space);
  EXPECT_EQ(Client().Left, bare.Left + space);
  const TRect g = edit->AddedGlyphRect();
  EXPECT_EQ(At(g.Left + 8, (g.Top + g.Bottom) / 2), kGlyph);
  // Without an image the room goes again.
  edit->AddedGlyph()->SetImageIndex(5);
  Pump();
  EXPECT_EQ(Client().Left, bare.Left);
  EXPECT_EQ(edit->AddedPadding().Left, 0);
}

TEST_F(EditCache, AClickOnTheGlyphClicksTheEditAndLeavesTheCaret) {
  edit->SetText(u"some text");
  AddGlyph();
  ClickCount clicks;
  edit->SetOnClick(TNotifyEvent(&clicks, &ClickCount::Click));
  edit->SetFocus();
  Pump();
  SendMessageW(edit->Handle(), EM_SETSEL, 4, 4);
  const TRect g = edit->AddedGlyphRect();
  RECT w{};
  GetWindowRect(edit->Handle(), &w);
  const LPARAM onGlyph = MAKELPARAM(w.left + g.Left + 8, w.top + (g.Top + g.Bottom) / 2);
  EXPECT_EQ(SendMessageW(edit->Handle(), WM_NCHITTEST, 0, onGlyph), HTBORDER);
  // The padding and the text area are client area.
  EXPECT_EQ(SendMessageW(edit->Handle(), WM_NCHITTEST, 0, MAKELPARAM(w.left + g.Right + 20, w.top + 12)), HTCLIENT);
  SendMessageW(edit->Handle(), WM_NCLBUTTONDOWN, HTBORDER, onGlyph);
  SendMessageW(edit->Handle(), WM_NCLBUTTONUP, HTBORDER, onGlyph);
  Pump();
  EXPECT_EQ(clicks.count, 1);
  DWORD start = 0, end = 0;
  SendMessageW(edit->Handle(), EM_GETSEL, WPARAM(&start), LPARAM(&end));
  EXPECT_EQ(start, 4u);
  EXPECT_EQ(end, 4u);
  // A release without a press on the glyph clicks nothing.
  SendMessageW(edit->Handle(), WM_NCLBUTTONUP, HTBORDER, onGlyph);
  EXPECT_EQ(clicks.count, 1);
}

TEST_F(EditCache, TheGlyphListGoingClearsTheGlyph) {
  AddGlyph();
  ASSERT_TRUE(edit->AddedGlyphVisible());
  list.reset();
  EXPECT_EQ(edit->AddedGlyph()->Images(), nullptr);
  EXPECT_FALSE(edit->AddedGlyphVisible());
}

TEST_F(EditCache, SelectionChangedFiresWhenAKeyMovesTheCaret) {
  edit->SetText(u"abcdef");
  ClickCount changes;
  edit->SetOnSelectionChanged(TNotifyEvent(&changes, &ClickCount::Click));
  edit->SetFocus();
  Pump();
  SendMessageW(edit->Handle(), EM_SETSEL, 2, 2);  // not a key: no event
  EXPECT_EQ(changes.count, 0);
  SendMessageW(edit->Handle(), WM_KEYDOWN, VK_RIGHT, 0x014D0001);
  EXPECT_EQ(changes.count, 1);
  SendMessageW(edit->Handle(), WM_KEYUP, VK_RIGHT, LPARAM(0xC14D0001));  // moves nothing
  EXPECT_EQ(changes.count, 1);
  SendMessageW(edit->Handle(), WM_KEYDOWN, VK_END, 0x014F0001);
  EXPECT_EQ(changes.count, 2);
  DWORD start = 0, end = 0;
  SendMessageW(edit->Handle(), EM_GETSEL, WPARAM(&start), LPARAM(&end));
  EXPECT_EQ(start, 6u);
}

TEST_F(EditCache, SkinCommandsOfTheEdit) {
  auto command = [&](Word code, LPARAM l = 0) {
    return SendMessageW(edit->Handle(), SM_ALPHACMD, WPARAM(Cardinal{code} << 16), l);
  };
  EXPECT_EQ(command(KV_GETDEFSECTION), 1);  // "EDIT", the first standard section
  // Unskinned, the edit's own colour is its control colour.
  skin->Manager.SkinCommonInfo.Active = false;
  edit->SkinData()->SkinIndex = -1;
  edit->SetColor(clYellow);
  EXPECT_EQ(command(KV_GETCONTROLCOLOR), LRESULT(0x00FFFF));
  // A new scale lays the bound label out for it.
  edit->BoundLabel()->SetActive(true);
  ASSERT_NE(edit->BoundLabel()->TheLabel(), nullptr);
  command(KV_SETSCALE, 144);
  EXPECT_EQ(edit->BoundLabel()->CurrentPPI(), 144);
}

TEST_F(EditCache, PrintingDrawsTheWindowOrItsClientFromTheCache) {
  edit->SetText(u"Hello world");
  Skin();
  edit->SetFocus();  // printed as the cache has it, focus or not
  Pump();
  auto inkIn = [](TBitmap& bmp, uint32_t rgb) {
    int n = 0;
    for (Integer y = 0; y < bmp.Height(); ++y)
      for (Integer x = 0; x < bmp.Width(); ++x) n += (bmp.View().At(x, y) & 0xFFFFFF) == rgb;
    return n;
  };
  TBitmap whole(edit->Width(), edit->Height(), pf32bit);
  SendMessageW(edit->Handle(), WM_PRINT, WPARAM(whole.Canvas()->Handle()), PRF_NONCLIENT | PRF_CLIENT);
  const int wholeInk = inkIn(whole, kSkinText);
  EXPECT_GT(wholeInk, 20);
  const TRect client = Client();
  TBitmap inner(client.Width(), client.Height(), pf32bit);
  SendMessageW(edit->Handle(), WM_PRINT, WPARAM(inner.Canvas()->Handle()), PRF_CLIENT);
  EXPECT_EQ(inkIn(inner, kSkinText), wholeInk) << "the text lies in the client area";
  // The client picture is the window's picture at the client's place.
  EXPECT_EQ(inner.View().At(5, client.Height() / 2),
            whole.View().At(client.Left + 5, client.Top + client.Height() / 2));
}

}  // namespace

namespace {

TEST_F(EditCache, AnAttentionPulseShowsItsOwnFrame) {
  const TkvTimerDriverFactory saved = kvTimerDriverFactory;
  kvTimerDriverFactory = ManualTimerDriver::Factory();
  struct TRestore {
    TkvTimerDriverFactory f;
    ~TRestore() { kvTimerDriverFactory = f; }
  } restore{saved};
  Skin();
  ASSERT_EQ(At(edit->Width() / 2, edit->Height() / 2), 0xFFFFFFu);
  StartAttention(edit, TkvAttentionData{Integer(clYellow), 20, amColor});
  TkvThreadedTimer* pulse = edit->SkinData()->PulsTimer.get();
  ASSERT_TRUE(pulse && pulse->Enabled());
  // The pulse's frame, whatever it holds, is what the window shows.
  // (The timer owns its frame bitmap and frees it.)
  delete pulse->BmpOut;
  pulse->BmpOut = new TBitmap(edit->Width(), edit->Height(), pf32bit);
  TPixelView v = pulse->BmpOut->View();
  for (Integer y = 0; y < v.Height; ++y)
    for (Integer x = 0; x < v.Width; ++x) v.Row(y)[x] = 0xFF00FF00u;
  RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(At(edit->Width() / 2, edit->Height() / 2), 0x00FF00u);
  EXPECT_EQ(At(3, 3), 0x00FF00u);
  StopAttention(edit->SkinData());
  Redraw();
  EXPECT_EQ(At(edit->Width() / 2, edit->Height() / 2), 0xFFFFFFu);
}

}  // namespace
