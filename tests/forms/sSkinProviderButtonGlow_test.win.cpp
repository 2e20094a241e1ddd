// The caption-button glow of a form without an outer border window: the hot look fades in on a
// small layered window over the button of the form itself and out again when the mouse leaves,
// while the form's own picture keeps the normal look. Wine composites layered windows over
// black, so the recorded UpdateLayeredWindow calls are what is checked; the fade's steps are
// driven by the test (its timer event called as the clock).
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"

using namespace formskin;
using layered::LayeredCalls;

namespace {

class Glow : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    SkinAndShow();
    SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  }
  RECT FormRect() {
    RECT r{};
    GetWindowRect(form->Handle(), &r);
    return r;
  }
  void MoveTo(TPoint p, Integer ht) {
    const RECT r = FormRect();
    SendMessageW(form->Handle(), WM_NCMOUSEMOVE, ht, MAKELPARAM(r.left + p.X, r.top + p.Y));
  }
  // The updates of windows other than the form: the button's glow.
  static std::vector<layered::UpdateCall> GlowUpdates(HWND form) { return LayeredCalls::UpdatesExcept(form); }
};

}  // namespace

TEST_F(Glow, HotLookFadesInOverTheFormsButtonAndOutAgain) {
  ASSERT_EQ(sp->BorderForm, nullptr);
  const TPoint close = Centre(sp->ButtonClose);
  const TRect& b = sp->ButtonClose.cpRect;
  const RECT r = FormRect();
  LayeredCalls rec;
  MoveTo(close, HTCLOSE);
  TkvSBAnimation* fade = sp->ButtonClose.cpTimer;
  ASSERT_NE(fade, nullptr);
  EXPECT_TRUE(fade->Enabled());
  EXPECT_EQ(fade->Interval(), 12u);
  auto shown = GlowUpdates(form->Handle());
  ASSERT_EQ(shown.size(), 1u);
  const HWND glow = shown[0].wnd;
  EXPECT_EQ(shown[0].alpha, 25);
  ASSERT_TRUE(shown[0].hasPos);
  EXPECT_EQ(shown[0].pos.x, r.left + b.Left);
  EXPECT_EQ(shown[0].pos.y, r.top + b.Top);
  EXPECT_EQ(shown[0].size.cx, b.Width());
  EXPECT_EQ(shown[0].size.cy, b.Height());
  EXPECT_EQ(shown[0].pixels[size_t(b.Height() / 2) * b.Width() + b.Width() / 2], GlyphPixel(0, 1));
  // Mouse input goes through the glow to the form; it lies right above the form.
  const LONG ex = GetWindowLongW(glow, GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_TRANSPARENT);
  EXPECT_TRUE(ex & WS_EX_NOACTIVATE);
  EXPECT_EQ(GetWindow(form->Handle(), GW_HWNDPREV), glow);
  // The form's picture keeps the normal look under it.
  EXPECT_EQ(sp->FCommonData->FCacheBmp->View().At(close.X, close.Y), GlyphPixel(0, 0));

  SetCursorPos(r.left + close.X, r.top + close.Y);  // the mouse stays on the button
  for (Integer i = 0; i < 9; ++i) fade->OnAnimTimer();
  shown = GlowUpdates(form->Handle());
  ASSERT_EQ(shown.size(), 10u);
  for (Integer i = 1; i < 9; ++i) EXPECT_EQ(shown[size_t(i)].alpha, 25 * (i + 1)) << i;
  EXPECT_EQ(shown[9].alpha, 255);
  EXPECT_TRUE(fade->Enabled());  // watching the mouse

  // Leaving fades it out and ends the fade.
  MoveTo(TPoint(60, sp->VCenter), HTCAPTION);
  ASSERT_EQ(sp->ButtonClose.cpTimer, fade);
  layered::updates.clear();
  for (Integer i = 0; i < 11; ++i) fade->OnAnimTimer();
  shown = GlowUpdates(form->Handle());
  ASSERT_EQ(shown.size(), 10u);
  for (Integer i = 0; i < 10; ++i) EXPECT_EQ(shown[size_t(i)].alpha, 250 - 25 * i) << i;
  EXPECT_FALSE(fade->Enabled());
  EXPECT_FALSE(fade->AForm);
  EXPECT_FALSE(IsWindow(glow));
  sp->KillAnimations();
  EXPECT_EQ(sp->ButtonClose.cpTimer, nullptr);
}

// A mouse that left while the glow was held shows as a leave to the form: the button is
// normal again.
TEST_F(Glow, HeldGlowNoticesTheMouseLeaving) {
  const TPoint close = Centre(sp->ButtonClose);
  const RECT r = FormRect();
  LayeredCalls rec;
  MoveTo(close, HTCLOSE);
  TkvSBAnimation* fade = sp->ButtonClose.cpTimer;
  ASSERT_NE(fade, nullptr);
  SetCursorPos(r.left + close.X, r.top + close.Y);
  for (Integer i = 0; i < 9; ++i) fade->OnAnimTimer();
  EXPECT_EQ(sp->ButtonClose.cpState, 1);
  SetCursorPos(r.left + 60, r.top + 120);
  fade->OnAnimTimer();
  EXPECT_EQ(sp->ButtonClose.cpState, 0);
  EXPECT_NE(sp->CurrentHT, HTCLOSE);
}

// Without glowing the form's own picture shows the hot look at once; nothing layered is made.
TEST_F(Glow, WithoutGlowingThePictureShowsTheHotLook) {
  skin->skin.Manager.Effects.AllowGlowing = false;
  const TPoint close = Centre(sp->ButtonClose);
  LayeredCalls rec;
  MoveTo(close, HTCLOSE);
  EXPECT_EQ(sp->ButtonClose.cpTimer, nullptr);
  EXPECT_TRUE(GlowUpdates(form->Handle()).empty());
  EXPECT_EQ(sp->FCommonData->FCacheBmp->View().At(close.X, close.Y), GlyphPixel(0, 1));
}
