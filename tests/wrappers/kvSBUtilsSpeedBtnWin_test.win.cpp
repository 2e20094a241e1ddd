// Speed buttons painted by their handler from a flat skin: states at rest and pressed, the
// skin's removal giving the button its own painting back, and a button freed while hooked
// leaving its handler with nothing to touch.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "support/ControlSkin.h"
#include "ui/Buttons.h"
#include "ui/ExtCtrls.h"
#include "wrappers/kvSBUtilsSpeedBtn.h"

namespace {

constexpr TColor kSpeed[3] = {0x4080C0, 0x4090C0, 0x40A0C0};

class SpeedButtons : public ControlSkin {
 protected:
  void SetUp() override {
    ControlSkin::SetUp();
    Section(u"SPEEDBUTTON", {kSpeed[0], kSpeed[1], kSpeed[2]});
    LoadForm(
        u"object F: TForm\n"
        u"  object sb1: TSpeedButton\n    Left = 8\n    Top = 8\n    Width = 60\n    Height = 24\n  end\n"
        u"  object sb2: TSpeedButton\n    Left = 80\n    Top = 8\n    Width = 60\n    Height = 24\n"
        u"    GroupIndex = 1\n    Down = True\n  end\n"
        u"  object sb3: TSpeedButton\n    Left = 150\n    Top = 8\n    Width = 60\n    Height = 24\n  end\n"
        u"end\n");
  }
  // What the adapter's graphic item makes for a speed button: its skin data and the handler.
  struct Hooked {
    std::unique_ptr<TsCommonData> data;
    std::unique_ptr<TkvSpeedButtonHandler> handler;
  };
  Hooked Hook(TSpeedButton* b) {
    Hooked h;
    h.data = std::make_unique<TsCommonData>(b, true);
    h.data->SetSkinManager(&skin.Manager);
    h.handler = std::make_unique<TkvSpeedButtonHandler>(b, true, u"SPEEDBUTTON", &skin.Manager, h.data.get());
    h.data->Loading = false;
    h.data->UpdateIndexes(true);
    return h;
  }
  TColor OnForm(TControl* c, Integer dx, Integer dy) {
    form->Repaint();
    Pump();
    HDC dc = GetDC(form->Handle());
    const COLORREF px = GetPixel(dc, c->Left() + dx, c->Top() + dy);
    ReleaseDC(form->Handle(), dc);
    return TColor(px);
  }
};

}  // namespace

TEST_F(SpeedButtons, AtRestAndPressed) {
  ShowInFront();
  auto* b1 = Find<TSpeedButton>(u"sb1");
  auto* b2 = Find<TSpeedButton>(u"sb2");
  Hooked h1 = Hook(b1), h2 = Hook(b2);
  EXPECT_EQ(h1.handler->CurrentState(), 0);
  EXPECT_EQ(h2.handler->CurrentState(), 2);
  EXPECT_EQ(OnForm(b1, 2, 2), kSpeed[0]);
  EXPECT_EQ(OnForm(b2, 2, 2), kSpeed[2]);
}

TEST_F(SpeedButtons, RemovingTheSkinGivesTheButtonItsPaintingBack) {
  auto* b1 = Find<TSpeedButton>(u"sb1");
  const TWndMethod own = b1->WindowProc();
  Hooked h = Hook(b1);
  EXPECT_FALSE(b1->WindowProc() == own);
  TMessage m;
  m.Msg = SM_ALPHACMD;
  m.WParam = TWParam{KV_REMOVESKIN} << 16;
  m.LParam = reinterpret_cast<TLParam>(&skin.Manager);
  m.Result = 0;
  b1->WindowProc()(m);
  EXPECT_TRUE(b1->WindowProc() == own);
  EXPECT_TRUE(h.handler->Destroyed);
}

TEST_F(SpeedButtons, ButtonFreedWithoutDestroyMessageIsNeverTouchedAgain) {
  ShowInFront();
  auto* b3 = Find<TSpeedButton>(u"sb3");
  Hooked h = Hook(b3);
  EXPECT_EQ(OnForm(b3, 2, 2), kSpeed[0]);
  delete b3;  // no WM_DESTROY reaches a windowless control freed on its own
  EXPECT_EQ(h.handler->Ctrl, nullptr);
  EXPECT_TRUE(h.handler->Destroyed);
  EXPECT_FALSE(bool(h.data->WndProc));
  // The skin goes: the command and the handler's end touch no control.
  TMessage m;
  m.Msg = SM_ALPHACMD;
  m.WParam = TWParam{KV_REMOVESKIN} << 16;
  m.LParam = reinterpret_cast<TLParam>(&skin.Manager);
  m.Result = 0;
  h.handler->kvWndProc(m);
  h.handler.reset();
  form->Repaint();
  Pump();
}

TEST_F(SpeedButtons, SpinButtonsPointUpAboveAndDownBelow) {
  skin.Manager.SkinCommonInfo.Sections[ssSpeedButton] = skin.Data->GetSkinIndex(u"SPEEDBUTTON");
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(20, 50, 24, 48);
  auto* up = new TTimerSpeedButton(form);
  up->SetParent(panel);
  up->SetBounds(0, 0, 24, 24);
  auto* down = new TTimerSpeedButton(form);
  down->SetParent(panel);
  down->SetBounds(0, 24, 24, 24);
  ShowInFront();
  Hooked hu = Hook(up), hd = Hook(down);
  EXPECT_TRUE(hu.handler->IsUpDown);
  panel->Repaint();
  Pump();
  // The arrow's rows: an up arrow widens downwards, a down arrow narrows.
  auto widths = [&](TControl* b) {
    std::vector<Integer> rows;
    HDC dc = GetDC(panel->Handle());
    for (Integer y = 0; y < 24; ++y) {
      Integer n = 0;
      for (Integer x = 0; x < 24; ++x)
        if (TColor(GetPixel(dc, b->Left() + x, b->Top() + y)) != kSpeed[0]) ++n;
      if (n > 0) rows.push_back(n);
    }
    ReleaseDC(panel->Handle(), dc);
    return rows;
  };
  const auto u = widths(up), d = widths(down);
  ASSERT_GE(u.size(), 2u);
  ASSERT_GE(d.size(), 2u);
  EXPECT_LT(u.front(), u.back());
  EXPECT_GT(d.front(), d.back());
}

TEST_F(SpeedButtons, NoHandleLeaksOverPaintsAndHookCycles) {
  ShowInFront();
  auto* b1 = Find<TSpeedButton>(u"sb1");
  ExpectNoLeaks([&] {
    Hooked h = Hook(b1);
    HDC dc = GetDC(form->Handle());
    b1->Perform(WM_PAINT, reinterpret_cast<TWParam>(dc), 0);
    ReleaseDC(form->Handle(), dc);
  });
}

// The speed buttons of a wrapped panel hear of the panel window's end from its wrapper: their
// hooks let go and the buttons have their own WindowProc back.
TEST_F(SpeedButtons, ParentWindowsEndUnhooksItsSpeedButtons) {
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(20, 50, 100, 48);
  auto* inside = new TSpeedButton(form);
  inside->SetParent(panel);
  inside->SetBounds(0, 0, 24, 24);
  auto* outside = Find<TSpeedButton>(u"sb1");
  ShowInFront();
  const TWndMethod insideOwn = inside->WindowProc();
  Hooked hi = Hook(inside), ho = Hook(outside);
  auto* w = Wrap<TkvScrollWnd>(panel->Handle(), panel);
  DestroyWindow(panel->Handle());
  EXPECT_TRUE(hi.handler->Destroyed);
  EXPECT_TRUE(inside->WindowProc() == insideOwn);
  EXPECT_FALSE(ho.handler->Destroyed);  // not a child of the panel
  ASSERT_TRUE(w->Destroyed);
  w->Free();
}

// A see-through spin button draws its arrow in the text colour of what lies under the spin, not
// in its own section's font colour.
TEST_F(SpeedButtons, SeeThroughSpinButtonsDrawTheirArrowsInTheColourUnderThem) {
  constexpr TColor kUnder = 0x2020E0, kOwn = 0xE02020;
  const Integer section = skin.Data->GetSkinIndex(u"SPEEDBUTTON");
  for (auto& look : skin.Section(section).Props) {
    look.Transparency = 100;
    look.FontColor.Color = Integer(kOwn);
  }
  skin.Data->Reindex();
  skin.Manager.SkinCommonInfo.Sections[ssSpeedButton] = section;
  form->Font()->SetColor(kUnder);
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(20, 50, 24, 48);
  auto* up = new TTimerSpeedButton(form);
  up->SetParent(panel);
  up->SetBounds(0, 0, 24, 24);
  ShowInFront();
  Hooked hu = Hook(up);
  ASSERT_TRUE(hu.handler->IsUpDown);
  panel->Repaint();
  Pump();
  int under = 0, own = 0;
  HDC dc = GetDC(panel->Handle());
  for (Integer y = 0; y < 24; ++y)
    for (Integer x = 0; x < 24; ++x) {
      const TColor c = TColor(GetPixel(dc, x, y));
      under += c == kUnder;
      own += c == kOwn;
    }
  ReleaseDC(panel->Handle(), dc);
  EXPECT_GT(under, 3);
  EXPECT_EQ(own, 0);
}
