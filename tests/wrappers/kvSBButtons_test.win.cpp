// Push-button wrappers: the modal-buttons colouring of dialog and class-library buttons, the
// paint of WM_PRINT into its own DC (also while a fade runs), the states, and the font a wrapper
// gives a window and takes back.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "base/kvThdTimer.h"
#include "base/sMessages.h"
#include "controls/kvGlow.h"
#include "paint/sGraphUtils.h"
#include "raster/ColorTransforms.h"
#include "skin/sCommonData.h"
#include "skin/sVclUtils.h"
#include "support/SkinFixture.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtilsButtons.h"

namespace {

constexpr TColor kFace = 0x808080;
constexpr TColor kGreen = 0x00C000, kRed = 0x0000C0, kBlue = 0xC00000;

// The dialog the buttons sit on: a plain top-level window standing in for a message form.
LRESULT CALLBACK DialogProc(HWND wnd, UINT msg, WPARAM w, LPARAM l) { return DefWindowProcW(wnd, msg, w, l); }

class ButtonWrappers : public testing::Test {
 protected:
  void SetUp() override {
    app = std::make_unique<TApplication>();
    button = skin.AddSection(PlainSection(u"BUTTON", 0, kFace, 3));
    skin.Manager.Palette[pcBtnToneGreen] = skin.Manager.Palette[pcBtnToneGreenActive] = kGreen;
    skin.Manager.Palette[pcBtnToneRed] = skin.Manager.Palette[pcBtnToneRedActive] = kRed;
    skin.Manager.Palette[pcBtnToneBlue] = skin.Manager.Palette[pcBtnToneBlueActive] = kBlue;
    skin.Manager.ButtonsOptions.ModalButtonsColoring = TSet<TkvModalButtonsColoringValue>{bcBackground};
    static const ATOM cls = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = DialogProc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"TwButtonDialog";
      return RegisterClassW(&wc);
    }();
    dialog = CreateWindowExW(0, MAKEINTATOM(cls), L"", WS_POPUP, 0, 0, 400, 100, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(dialog, nullptr);
  }
  void TearDown() override {
    for (TkvMainWnd* w : wrappers) {
      TkvMainWnd* held = w;
      UninitializeKVWnd(held->CtrlHandle, true, false, held);
    }
    DestroyWindow(dialog);
    app.reset();
  }
  HWND AddButton(Integer id, const wchar_t* text, Integer x, DWORD style = BS_PUSHBUTTON) {
    HWND b = CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | style, x, 10, 80, 26, dialog,
                             reinterpret_cast<HMENU>(intptr_t(id)), GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(b, nullptr);
    return b;
  }
  template <class W = TkvBtnWnd>
  W* Wrap(HWND b, TControl* ctrl = nullptr) {
    TkvSkinParams params;
    params.Control = ctrl;
    W* w = TkvMainWnd::MakeWrapper<W>(b, nullptr, &skin.Manager, params, false);
    w->SkinData->SetSkinManager(&skin.Manager);
    EXPECT_EQ(w->SkinData->FSkinSection, u"BUTTON");
    w->SkinData->SkinIndex = button;  // the small skin has no section names to look up
    wrappers.push_back(w);
    return w;
  }
  // The button's face colour as WM_PRINT renders it (a pixel away from the caption).
  static TColor Face(HWND b) {
    TBitmap bmp(80, 26, pf32bit);
    SendMessageW(b, WM_PRINT, reinterpret_cast<WPARAM>(bmp.Canvas()->Handle()), PRF_CLIENT);
    return bmp.PixelColor(3, 3) & 0xFFFFFF;
  }
  // The face toned as the colouring tones it.
  static TColor Toned(TColor tone) {
    TBitmap ref(1, 1, pf32bit);
    ref.Canvas()->SetPixels(0, 0, kFace);
    ChangeBitmapPixels(&ref, ChangeColorTone, tone, clFuchsia);
    return ref.PixelColor(0, 0) & 0xFFFFFF;
  }

  std::unique_ptr<TApplication> app;
  SkinFixture skin;
  Integer button = -1;
  HWND dialog = nullptr;
  std::vector<TkvMainWnd*> wrappers;
};

}  // namespace

TEST_F(ButtonWrappers, MessageBoxButtonsColouredByModalResult) {
  ASSERT_NE(Toned(kGreen), kFace);
  struct Case {
    const char* name;
    std::vector<Integer> ids;
    std::vector<TColor> faces;
  };
  const Case cases[] = {
      {"OK, Cancel and No", {IDOK, IDCANCEL, IDNO}, {Toned(kGreen), Toned(kBlue), Toned(kRed)}},
      {"OK and Cancel", {IDOK, IDCANCEL}, {Toned(kGreen), Toned(kRed)}},
      {"Yes and No", {IDYES, IDNO}, {Toned(kGreen), Toned(kRed)}},
      {"a lone Cancel", {IDCANCEL}, {kFace}},
      {"a button of another id", {42}, {kFace}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<HWND> buttons;
    for (size_t i = 0; i < c.ids.size(); ++i) buttons.push_back(AddButton(c.ids[i], L"", 10 + Integer(i) * 90));
    for (HWND b : buttons) Wrap(b);
    for (size_t i = 0; i < buttons.size(); ++i) EXPECT_EQ(Face(buttons[i]), c.faces[i]) << i;
    for (TkvMainWnd* w : wrappers) {
      TkvMainWnd* held = w;
      UninitializeKVWnd(held->CtrlHandle, true, false, held);
    }
    wrappers.clear();
    for (HWND b : buttons) DestroyWindow(b);
  }
}

TEST_F(ButtonWrappers, ColouringOfClassLibraryButtons) {
  auto* form = new TForm(app.get());
  form->AfterConstruction();
  auto make = [&](TModalResult result) {
    auto* b = new TButton(form);
    b->SetParent(form);
    b->SetModalResult(result);
    b->HandleNeeded();
    return b;
  };
  TButton* ok = make(mrOk);
  TButton* cancel = make(mrCancel);
  TButton* no = make(mrNo);
  auto* okW = Wrap<TkvButtonWnd>(ok->Handle(), ok);
  auto* cancelW = Wrap<TkvButtonWnd>(cancel->Handle(), cancel);
  auto* noW = Wrap<TkvButtonWnd>(no->Handle(), no);
  EXPECT_EQ(okW->Btn, ok);
  EXPECT_EQ(okW->ID, 1u);
  EXPECT_EQ(cancelW->ID, 7u);
  TkvColoring c;
  okW->GetColoring(c);
  EXPECT_EQ(c.ColorToneBG, Integer(slBtnGreen));
  cancelW->GetColoring(c);
  EXPECT_EQ(c.ColorToneBG, Integer(slBtnBlue));  // a Cancel beside a No is blue
  noW->GetColoring(c);
  EXPECT_EQ(c.ColorToneBG, Integer(slBtnRed));
  EXPECT_EQ(c.ColorText, 0x1FFFFFFF);  // text only under bcText
  skin.Manager.ButtonsOptions.ModalButtonsColoring = TSet<TkvModalButtonsColoringValue>{bcText};
  noW->GetColoring(c);
  EXPECT_EQ(c.ColorToneBG, 0x1FFFFFFF);
  EXPECT_EQ(c.ColorText, Integer(slBtnRedText));
  for (TkvMainWnd* w : wrappers) {
    TkvMainWnd* held = w;
    UninitializeKVWnd(held->CtrlHandle, true, false, held);
  }
  wrappers.clear();
  delete form;
}

TEST_F(ButtonWrappers, ColourToneAnsweredForTheGlow) {
  HWND ok = AddButton(IDOK, L"OK", 10);
  HWND cancel = AddButton(IDCANCEL, L"Cancel", 100);
  Wrap(ok);
  Wrap(cancel);
  TkvColoring c;
  EXPECT_EQ(SendMessageW(ok, SM_ALPHACMD, MAKEWPARAM(0, KV_GETCOLORTONE), reinterpret_cast<LPARAM>(&c)), 1);
  EXPECT_EQ(c.ColorToneBG, Integer(slBtnGreen));
  TkvColoring d;
  EXPECT_EQ(SendMessageW(cancel, SM_ALPHACMD, MAKEWPARAM(0, KV_GETCOLORTONE), reinterpret_cast<LPARAM>(&d)), 1);
  EXPECT_EQ(d.ColorToneBG, Integer(slBtnRedText));
}

// WM_PRINT paints into the DC it brings and leaves the window's pending update alone; while a
// fade runs it copies the fade's frame there too.
TEST_F(ButtonWrappers, PrintGoesToItsOwnDCAlsoDuringAFade) {
  HWND ok = AddButton(IDOK, L"", 10);
  ShowWindow(dialog, SW_SHOWNOACTIVATE);
  TkvBtnWnd* w = Wrap(ok);
  EXPECT_EQ(Face(ok), Toned(kGreen));
  InvalidateRect(ok, nullptr, FALSE);
  Face(ok);
  RECT pending{};
  EXPECT_TRUE(GetUpdateRect(ok, &pending, FALSE));  // still to be painted

  GetNewTimer(w->SkinData->AnimTimer, app.get(), 0);
  ASSERT_TRUE(w->SkinData->TimerIsActive());
  auto* frame = new TBitmap(80, 26, pf32bit);
  frame->Canvas()->Brush()->SetColor(TColor(0x123456));
  frame->Canvas()->FillRect(TRect(0, 0, 80, 26));
  w->SkinData->AnimTimer->BmpOut = frame;
  EXPECT_EQ(Face(ok), TColor(0x123456));
  w->SkinData->StopTimer();
}

TEST_F(ButtonWrappers, StatesOfADialogButton) {
  HWND plain = AddButton(42, L"", 10);
  HWND def = AddButton(43, L"", 100, BS_DEFPUSHBUTTON);
  TkvBtnWnd* p = Wrap(plain);
  TkvBtnWnd* d = Wrap(def);
  EXPECT_EQ(p->CurrentState(), 0);
  EXPECT_EQ(d->CurrentState(), 3);  // the default button at rest
  SendMessageW(plain, BM_SETSTATE, TRUE, 0);
  EXPECT_EQ(p->CurrentState(), 2);
  SendMessageW(plain, BM_SETSTATE, FALSE, 0);
  EnableWindow(def, FALSE);
  EXPECT_EQ(d->CurrentState(), 0);
  EXPECT_EQ(p->SkinData->COC, COC_TsButton);
  EXPECT_EQ(p->ID, 42u);
}

// A font the wrapper hands its window belongs to the wrapper until it goes; the window gets its
// own font back then.
TEST_F(ButtonWrappers, FontGivenToTheWindowIsKeptAndGivenBack) {
  HWND b = AddButton(42, L"text", 10);
  HFONT original = CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, L"Arial");
  SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(original), 0);
  TkvBtnWnd* w = Wrap(b);
  LoadCtrlFont(w, true);
  HFONT given = reinterpret_cast<HFONT>(SendMessageW(b, WM_GETFONT, 0, 0));
  ASSERT_NE(given, original);
  EXPECT_EQ(given, w->WindowFont());
  LOGFONTW lf{};
  ASSERT_EQ(GetObjectW(given, sizeof(lf), &lf), int(sizeof(lf)));
  EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);  // an ANSI font is made default
  // The cache canvas's font is another handle: changing it leaves the window's font alive.
  w->SkinData->FCacheBmp->Canvas()->Font()->SetName(u"Courier New");
  w->SkinData->FCacheBmp->Canvas()->Handle();
  EXPECT_EQ(GetObjectW(given, sizeof(lf), &lf), int(sizeof(lf)));
  // Loading again keeps the same font.
  LoadCtrlFont(w, true);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(b, WM_GETFONT, 0, 0)), given);
  TkvMainWnd* held = w;
  wrappers.clear();
  UninitializeKVWnd(b, true, false, held);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(b, WM_GETFONT, 0, 0)), original);
  EXPECT_EQ(GetObjectW(given, sizeof(lf), &lf), 0);  // the wrapper's font is gone with it
  DeleteObject(original);
}

TEST_F(ButtonWrappers, SplitButtonLayout) {
  skin.Section(button).Props[0].FontColor.Color = 0x0000FF;
  HWND split = AddButton(42, L"Split", 10, 0x0000000C);  // BS_SPLITBUTTON
  HWND plainButton = AddButton(43, L"Split", 100);
  auto* s = Wrap<TkvSplitBtnWnd>(split);
  TkvBtnWnd* p = Wrap(plainButton);
  Face(split);
  Face(plainButton);
  TRect rs, rp;
  s->CaptionRect(rs);
  p->CaptionRect(rp);
  // The caption sits 8 pixels left of where a plain button's does; the arrow in the right 22.
  EXPECT_EQ(rs, TRect(rp.Left - 8, rp.Top, rp.Right - 8, rp.Bottom));
  TRect arrow;
  s->ArrowRect(arrow);
  EXPECT_EQ(arrow, TRect(80 - 22, 0, 80, 26));
  TBitmap bmp(80, 26, pf32bit);
  SendMessageW(split, WM_PRINT, reinterpret_cast<WPARAM>(bmp.Canvas()->Handle()), PRF_CLIENT);
  int arrowPixels = 0;
  for (Integer y = 0; y < 26; ++y)
    for (Integer x = arrow.Left; x < 80; ++x)
      arrowPixels += (bmp.PixelColor(x, y) & 0xFFFFFF) == TColor(0x0000FF) ? 1 : 0;
  EXPECT_GT(arrowPixels, 4);
}

TEST_F(ButtonWrappers, PressedCaptionShiftsAndMultilineCaptionsWrap) {
  HWND b = AddButton(42, L"one two three four five six", 10, BS_MULTILINE);
  TkvBtnWnd* w = Wrap(b);
  Face(b);
  TSize wrapped;
  w->TextRectSize(wrapped);
  SetWindowLongW(b, GWL_STYLE, GetWindowLongW(b, GWL_STYLE) & ~BS_MULTILINE);
  TSize single;
  w->TextRectSize(single);
  EXPECT_GT(wrapped.cy, single.cy);  // more than one line
  TRect rest, pressed;
  w->CaptionRect(rest);
  SendMessageW(b, BM_SETSTATE, TRUE, 0);
  w->CaptionRect(pressed);
  EXPECT_EQ(pressed, TRect(rest.Left + 1, rest.Top + 1, rest.Right + 1, rest.Bottom + 1));
  SendMessageW(b, BM_SETSTATE, FALSE, 0);
}

// A disabled button has its parent's background laid over it.
TEST_F(ButtonWrappers, DisabledButtonFadesTowardsItsParent) {
  HWND b = AddButton(42, L"", 10);
  Wrap(b);
  const TColor enabled = Face(b);
  EnableWindow(b, FALSE);
  const TColor disabled = Face(b);
  const TColor parent = ColorToRGB(GetParentCacheHwnd(b).FillColor);
  ASSERT_NE(parent & 0xFF, enabled & 0xFF);
  EXPECT_NE(disabled, enabled);
  for (int shift : {0, 8, 16}) {
    const int e = (enabled >> shift) & 0xFF, p = (parent >> shift) & 0xFF, d = (disabled >> shift) & 0xFF;
    EXPECT_GE(d, std::min(e, p)) << shift;
    EXPECT_LE(d, std::max(e, p)) << shift;
  }
}

// A shown glow follows its button's new size at once.
TEST_F(ButtonWrappers, GlowFollowsTheButtonsNewSize) {
  sGraphUtilsStartup();  // layered windows
  kvGlowStartup();
  skin.Section(button).GlowCount = 1;
  const Integer mask = skin.AddImage(TRect(0, 0, 24, 24), 1, 0, 0, 8);  // borders of 8 pixels
  skin.Image(mask).ClassName = u"BUTTON";
  skin.Image(mask).PropertyName = u"GLOW0";
  skin.Fill(mask, 0, 0xFF20C040);
  skin.Data->IndexSections();
  ShowWindow(dialog, SW_SHOWNOACTIVATE);
  HWND b = AddButton(1, L"Go", 20);
  TkvBtnWnd* w = Wrap(b);
  RECT r{};
  GetWindowRect(b, &r);
  w->SkinData->GlowID =
      ShowGlow(TRect(r.left, r.top, r.right, r.bottom), u"BUTTON", u"GLOW", 0, 255, dialog, w->SkinData);
  ASSERT_GE(w->SkinData->GlowID, 0);
  TkvLayeredEffect* glow = EffectAt(w->SkinData->GlowID);
  ASSERT_TRUE(glow && glow->Wnd && glow->Wnd->HandleAllocated());
  auto glowSize = [&] {
    RECT g{};
    GetWindowRect(glow->Wnd->WindowHandle(), &g);
    return TPoint(g.right - g.left, g.bottom - g.top);
  };
  EXPECT_EQ(glowSize(), TPoint(80 + 16, 26 + 16));
  SetWindowPos(b, nullptr, 0, 0, 120, 40, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(glowSize(), TPoint(120 + 16, 40 + 16));
  ASSERT_NE(glow->AlphaBmp, nullptr);
  EXPECT_EQ(glow->AlphaBmp->Width(), 120 + 16);
  HideGlow(w->SkinData->GlowID, false);
  ClearGlows(true, false);
  kvGlowCleanup();
}
