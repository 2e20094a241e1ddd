// The layered show and hide animations of a skinned form: what the stand-in window is handed
// frame by frame (alpha, place, the picture's pixels at chosen points), how the real form is
// revealed or hidden at the end, the after-animation event, and the one-pixel relayout of a
// layered form. Frames are paced on a clock the test owns: every wait is recorded, none spins.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <vector>

#include "base/Composition.h"
#include "base/kvntUtils.h"
#include "base/sDefaults.h"
#include "controls/kvAnimationShow.h"
#include "forms/kvDials.h"
#include "forms/sSkinProviderAnim.h"
#include "raster/Blend.h"
#include "skin/sVclUtils.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"
#include "ui/Clock.h"
#include "ui/ScopeGuard.h"

using namespace formskin;
using layered::LayeredCalls;

namespace {

std::vector<Integer> waits;
void RecordWait(Cardinal, Integer delay) { waits.push_back(delay); }

struct EventLog {
  std::vector<TkvAnimEvent> events;
  void On(TkvAnimEvent e) { events.push_back(e); }
};

uint32_t At(const layered::UpdateCall& c, Integer x, Integer y) { return c.pixels[size_t(y) * c.size.cx + x]; }

class FormAnimation : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    savedWait_ = kvWaitHandler;
    kvWaitHandler = &RecordWait;
    waits.clear();
    savedAware_ = kvIsDPIAware;
    kvIsDPIAware = false;
    savedAero_ = iAeroStatus;
    // The fixture's own shows come up plainly: each test plays the animation it looks at.
    skin->skin.Manager.AnimEffects.FormShow.Active = false;
    Skin();
    sp->OnAfterAnimation = TEvent<void(TkvAnimEvent)>(&log, &EventLog::On);
  }
  void TearDown() override {
    SkinnedForm::TearDown();
    kvWaitHandler = savedWait_;
    kvIsDPIAware = savedAware_;
    iAeroStatus = savedAero_;
  }
  // The form shown once, then hidden again, as a form is before it is shown once more.
  void ShownThenHidden() {
    ShowForm();
    sp->CalcItems();
    ShowWindow(form->Handle(), SW_HIDE);
  }
  // The layered-window updates made for windows other than the form.
  static std::vector<layered::UpdateCall> StandInUpdates(HWND form) {
    std::vector<layered::UpdateCall> out;
    for (const auto& c : layered::updates)
      if (c.wnd != form) out.push_back(c);
    return out;
  }
  bool Layered() { return GetWindowLongW(form->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED; }
  // The skin draws extended borders: a 4-pixel frame, a 30-pixel title and a shadow of these
  // margins from half-transparent dark grey templates.
  void UseOuterBorder(const TRect& shadow) {
    skin->skin.Manager.SetExtendedBorders(true);
    TkvSkinData& d = *skin->skin.Data;
    d.ExTitleHeight = 30;
    d.ExBorderWidth = 4;
    d.FormShadowSize = shadow;
    for (auto* slot : {&d.ShdaTemplate, &d.ShdiTemplate}) {
      *slot = std::make_unique<TBitmap>(7, 7, pf32bit);
      FillRect32(slot->get(), TRect(0, 0, 7, 7), 0x00202020, 0xC0);
    }
  }
  TPoint TitlePoint() { return TPoint(sp->ButtonMin.cpRect.Left - 12, sp->VCenter); }
  TPoint ClientPoint() {
    return TPoint(sp->OffsetX() + form->ClientWidth() / 2, sp->OffsetY() + form->ClientHeight() / 2);
  }
  uint32_t TitleRgb() { return RgbOfColor(sp->FormActive ? kTitleActive : kTitleInactive); }
  uint32_t ClientRgb() { return RgbOfColor(sp->FormActive ? kClientActive : kClientInactive); }

  EventLog log;
  TkvWaitHandler savedWait_ = nullptr;
  bool savedAware_ = false;
  Integer savedAero_ = -1;
};

}  // namespace

TEST_F(FormAnimation, ShowFadesTheWholeFormInThenRevealsTheForm) {
  ShownThenHidden();
  const HWND h = form->Handle();
  RECT wr{};
  GetWindowRect(h, &wr);
  // Hidden, the form is inactive: its picture shows the inactive look.
  const bool active = sp->FormActive;
  EXPECT_FALSE(active);
  sp->PaintAll();
  const TPoint close = Centre(sp->ButtonClose);
  const uint32_t closeInCache = sp->FCommonData->FCacheBmp->View().Row(close.Y)[close.X] & 0xFFFFFF;
  LayeredCalls rec;
  AnimShowForm(sp, 120, 255, atFading);

  const auto shown = StandInUpdates(h);
  const auto schedule = ShowSchedule(atFading, wr.right - wr.left, wr.bottom - wr.top, 120, 255, false);
  ASSERT_EQ(schedule.size(), 11u);
  ASSERT_EQ(shown.size(), 1 + schedule.size() + 1);  // loaded, the frames, the final picture
  const HWND stand = shown.front().wnd;
  EXPECT_EQ(shown.front().alpha, 0);
  ASSERT_TRUE(shown.front().hasPos);
  EXPECT_EQ(shown.front().pos.x, wr.left);
  EXPECT_EQ(shown.front().pos.y, wr.top);
  for (size_t i = 0; i < schedule.size(); ++i) {
    EXPECT_EQ(shown[1 + i].wnd, stand);
    EXPECT_EQ(shown[1 + i].alpha, schedule[i].Alpha) << i;
  }
  EXPECT_EQ(shown.back().alpha, 255);
  // The picture is the skinned form: title, border, caption button, client; the corners that
  // the skin's mask cuts are transparent, everything else opaque.
  const layered::UpdateCall& pic = shown.back();
  ASSERT_EQ(pic.size.cx, wr.right - wr.left);
  ASSERT_EQ(pic.size.cy, wr.bottom - wr.top);
  const TPoint title = TitlePoint(), client = ClientPoint();
  EXPECT_EQ(At(pic, title.X, title.Y), 0xFF000000u | RgbOfColor(active ? kTitleActive : kTitleInactive));
  EXPECT_EQ(At(pic, 1, pic.size.cy / 2), kBorderPixel);
  EXPECT_EQ(At(pic, client.X, client.Y), 0xFF000000u | RgbOfColor(active ? kClientActive : kClientInactive));
  // The caption button as the provider's own picture of the frame has it.
  EXPECT_EQ(At(pic, close.X, close.Y) & 0xFFFFFF, closeInCache);
  EXPECT_NE(At(pic, close.X, close.Y) & 0xFFFFFF, At(pic, title.X, title.Y) & 0xFFFFFF);
  EXPECT_EQ(At(pic, 0, 0), 0u);
  EXPECT_EQ(At(pic, pic.size.cx - 1, 0), 0u);
  // One wait of a frame's time after each frame.
  EXPECT_EQ(waits, std::vector<Integer>(schedule.size(), 12));

  // The form stands revealed and opaque, its stand-in gone, the event raised once.
  EXPECT_TRUE(IsWindowVisible(h));
  EXPECT_FALSE(Layered());
  const auto formAlphas = LayeredCalls::AlphasOf(h);
  ASSERT_GE(formAlphas.size(), 2u);
  EXPECT_EQ(formAlphas.front(), 0);  // revealed transparent behind the stand-in
  EXPECT_EQ(formAlphas.back(), 255);
  EXPECT_FALSE(IsWindow(stand));
  EXPECT_FALSE(InAnimationProcess);
  EXPECT_EQ(log.events, std::vector<TkvAnimEvent>{aeShowing});
}

// Without a frame time the picture is shown at once at the final opacity, with no wait.
TEST_F(FormAnimation, ShowWithoutTimeShowsThePictureAtOnce) {
  ShownThenHidden();
  LayeredCalls rec;
  AnimShowForm(sp, 0, 200, atAero);
  const auto shown = StandInUpdates(form->Handle());
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].alpha, 200);
  EXPECT_EQ(shown[1].alpha, 200);
  EXPECT_TRUE(waits.empty());
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_EQ(log.events.size(), 1u);
}

// Showing the form runs the manager's form-show animation. With no time the form looks, once
// shown, exactly as it does when it comes up without the animation: the stand-in showed the
// picture at once at full opacity and is gone.
TEST_F(FormAnimation, ShowingWithoutTimeLooksAsShowingWithoutTheAnimation) {
  const HWND h = form->Handle();
  ShowForm();
  const auto plain = WindowShot(h);
  EXPECT_TRUE(log.events.empty());
  form->Hide();
  Application->ProcessMessages();

  TkvFormShow& show = skin->skin.Manager.AnimEffects.FormShow;
  show.Active = true;
  show.Time = 0;
  LayeredCalls rec;
  ShowForm();
  const auto shown = StandInUpdates(h);
  ASSERT_EQ(shown.size(), 2u);  // loaded, then the final picture: no frames between
  EXPECT_EQ(shown[0].alpha, 255);
  EXPECT_EQ(shown[1].alpha, 255);
  EXPECT_FALSE(IsWindow(shown[0].wnd));
  EXPECT_TRUE(waits.empty());
  EXPECT_EQ(log.events, std::vector<TkvAnimEvent>{aeShowing});
  EXPECT_TRUE(IsWindowVisible(h));
  EXPECT_FALSE(Layered());
  EXPECT_FALSE(sp->FInAnimation);
  const auto animated = WindowShot(h);
  ASSERT_EQ(animated->Width(), plain->Width());
  ASSERT_EQ(animated->Height(), plain->Height());
  Integer differing = 0;
  for (Integer y = 0; y < plain->Height(); ++y)
    for (Integer x = 0; x < plain->Width(); ++x)
      if ((plain->PixelColor(x, y) & 0xFFFFFF) != (animated->PixelColor(x, y) & 0xFFFFFF)) ++differing;
  EXPECT_EQ(differing, 0);
}

// With a time the form comes up transparent behind a stand-in that fades the picture in frame
// by frame, then is revealed opaque.
TEST_F(FormAnimation, ShowingWithATimeFadesTheFormIn) {
  ShownThenHidden();
  form->Hide();
  Application->ProcessMessages();
  log.events.clear();
  const HWND h = form->Handle();
  TkvFormShow& show = skin->skin.Manager.AnimEffects.FormShow;
  show.Active = true;
  show.Time = 36;
  show.Mode = atFading;
  LayeredCalls rec;
  ShowForm();
  RECT wr{};
  GetWindowRect(h, &wr);
  const auto shown = StandInUpdates(h);
  const auto schedule = ShowSchedule(atFading, wr.right - wr.left, wr.bottom - wr.top, 36, 255, false);
  ASSERT_EQ(schedule.size(), 4u);
  ASSERT_EQ(shown.size(), 1 + schedule.size() + 1);
  EXPECT_EQ(shown.front().alpha, 0);
  for (size_t i = 0; i < schedule.size(); ++i) EXPECT_EQ(shown[1 + i].alpha, schedule[i].Alpha) << i;
  EXPECT_EQ(shown.back().alpha, 255);
  EXPECT_EQ(waits, std::vector<Integer>(schedule.size(), 12));
  // The form itself went up transparent and ends opaque and unlayered.
  const auto formAlphas = LayeredCalls::AlphasOf(h);
  ASSERT_GE(formAlphas.size(), 2u);
  EXPECT_EQ(formAlphas.front(), 0);
  EXPECT_EQ(formAlphas.back(), 255);
  EXPECT_TRUE(IsWindowVisible(h));
  EXPECT_FALSE(Layered());
  EXPECT_EQ(log.events, std::vector<TkvAnimEvent>{aeShowing});
  // A form whose provider does not allow animations comes up plainly.
  form->Hide();
  Application->ProcessMessages();
  sp->FAllowAnimation = false;
  LayeredCalls plain;
  ShowForm();
  EXPECT_TRUE(StandInUpdates(h).empty());
  EXPECT_EQ(log.events.size(), 1u);
}

// The form's own opacity comes back whether or not the desktop composes: a form left layered
// at opacity 0 would stay invisible. A blending form keeps its blend value.
TEST_F(FormAnimation, TheRevealedFormGetsItsOpacityBack) {
  struct Case {
    Integer aero;
    bool blend;
  };
  for (const Case c : {Case{0, false}, Case{1, false}, Case{0, true}}) {
    SCOPED_TRACE(testing::Message() << "composition " << c.aero << " blend " << c.blend);
    iAeroStatus = c.aero;
    form->SetAlphaBlendValue(180);
    form->SetAlphaBlend(c.blend);
    ShownThenHidden();
    LayeredCalls rec;
    AnimShowForm(sp, 24, 255, atFading);
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(Layered(), c.blend);
    const auto alphas = LayeredCalls::AlphasOf(form->Handle());
    ASSERT_FALSE(alphas.empty());
    EXPECT_EQ(alphas.back(), c.blend ? 180 : 255);
  }
}

// A topmost form keeps its stand-in topmost while the frames run.
TEST_F(FormAnimation, TheStandInOfATopmostFormIsTopmost) {
  ShownThenHidden();
  SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  static LONG standStyle;
  standStyle = 0;
  kvWaitHandler = [](Cardinal, Integer) {
    for (const auto& c : layered::updates)
      if (!standStyle) standStyle = GetWindowLongW(c.wnd, GWL_EXSTYLE);
  };
  LayeredCalls rec;
  AnimShowForm(sp, 36, 255, atFading);
  EXPECT_TRUE(standStyle & WS_EX_TOPMOST);
  EXPECT_TRUE(standStyle & WS_EX_NOACTIVATE);
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

TEST_F(FormAnimation, AMinimizedFormGetsNoShowAnimation) {
  ShowForm();
  ShowWindow(form->Handle(), SW_MINIMIZE);
  LayeredCalls rec;
  AnimShowForm(sp, 120, 255, atFading);
  EXPECT_TRUE(StandInUpdates(form->Handle()).empty());
  EXPECT_FALSE(InAnimationProcess);
  EXPECT_TRUE(log.events.empty());
}

TEST_F(FormAnimation, HideFadesTheFormOutThenHidesItAndRaisesTheEventOnce) {
  ShowForm();
  sp->CalcItems();
  const HWND h = form->Handle();
  LayeredCalls rec;
  AnimHideForm(sp, 60, atFading);

  EXPECT_FALSE(IsWindowVisible(h));
  EXPECT_FALSE(Layered());
  EXPECT_FALSE(InAnimationProcess);
  // The stand-in (a cover of the form) is loaded with the form's picture at full opacity after
  // its own snapshot, then fades out frame by frame.
  const auto shown = StandInUpdates(h);
  const auto schedule = HideSchedule(atFading, 0, 0, 60, 255);
  ASSERT_EQ(shown.size(), 2 + schedule.size());
  const layered::UpdateCall& load = shown[1];
  EXPECT_EQ(load.alpha, 255);
  const TPoint title = TitlePoint(), client = ClientPoint();
  EXPECT_EQ(At(load, title.X, title.Y) & 0xFFFFFF, TitleRgb());
  EXPECT_EQ(At(load, client.X, client.Y) & 0xFFFFFF, ClientRgb());
  EXPECT_EQ(At(load, 1, load.size.cy / 2), kBorderPixel);
  EXPECT_EQ(At(load, 0, 0), 0u);  // a cut corner
  for (size_t i = 0; i < schedule.size(); ++i) EXPECT_EQ(shown[2 + i].alpha, schedule[i].Alpha) << i;
  EXPECT_EQ(shown.back().alpha, 0);
  EXPECT_FALSE(IsWindow(shown.front().wnd));
  EXPECT_EQ(waits, std::vector<Integer>(schedule.size(), 12));
  EXPECT_EQ(log.events, std::vector<TkvAnimEvent>{aeHiding});
  // The timer going later calls nothing more.
  delete kvHideTimer;
  EXPECT_EQ(log.events.size(), 1u);
}

// A hide from a blending form starts at its blend value and leaves the form layered at it.
TEST_F(FormAnimation, HideOfABlendingFormStartsAtItsBlendValue) {
  form->SetAlphaBlendValue(150);
  form->SetAlphaBlend(true);
  ShowForm();
  LayeredCalls rec;
  AnimHideForm(sp, 24, atAero);
  const auto shown = StandInUpdates(form->Handle());
  ASSERT_EQ(shown.size(), 2u + 3);  // snapshot, loaded, steps 0 to 2
  EXPECT_EQ(shown[1].alpha, 150);
  EXPECT_EQ(shown[2].alpha, 75);
  EXPECT_EQ(shown[3].alpha, 0);
  EXPECT_EQ(shown[4].alpha, 0);
  EXPECT_TRUE(Layered());
  EXPECT_EQ(LayeredCalls::AlphasOf(form->Handle()).back(), 150);
}

TEST_F(FormAnimation, HideWithoutTimeFreesItsStandIn) {
  ShowForm();
  LayeredCalls rec;
  AnimHideForm(sp, 0, atFading);
  const auto shown = StandInUpdates(form->Handle());
  ASSERT_EQ(shown.size(), 1u);  // the cover's snapshot only
  EXPECT_FALSE(IsWindow(shown.front().wnd));
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
  EXPECT_TRUE(log.events.empty());
}

// Hiding a shown form runs the manager's form-hide animation when it has a time; the
// program's own setting (active, time 0) hides the form at once.
TEST_F(FormAnimation, HidingTheFormRunsTheManagersHideAnimation) {
  TkvFormHide& hide = skin->skin.Manager.AnimEffects.FormHide;
  hide.Active = true;
  hide.Mode = atFading;
  skin->skin.Manager.Effects.AllowAnimation = true;
  struct Case {
    Word time;
    size_t frames;
  };
  for (const Case c : {Case{36, 4}, Case{0, 0}}) {
    SCOPED_TRACE(c.time);
    hide.Time = c.time;
    log.events.clear();
    ShowForm();
    sp->PaintAll();
    LayeredCalls rec;
    ShowWindow(form->Handle(), SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    const auto shown = StandInUpdates(form->Handle());
    if (c.frames == 0) {
      EXPECT_TRUE(shown.empty());
      EXPECT_TRUE(log.events.empty());
      continue;
    }
    ASSERT_EQ(shown.size(), 2 + c.frames);  // the cover's snapshot, loaded whole, the frames
    EXPECT_EQ(shown[1].alpha, 255);
    EXPECT_EQ(shown.back().alpha, 0);
    EXPECT_EQ(log.events, std::vector<TkvAnimEvent>{aeHiding});
    EXPECT_FALSE(sp->SkipAnimation);
    EXPECT_FALSE(Layered());
  }
}

// With an outer border the border's own layered window plays the show: the picture is the
// border's (form, frame and shadow), placed so that the form lands where it is, and the window
// stays with the border afterwards.
TEST_F(FormAnimation, ShowOfAFormWithAnOuterBorderPlaysInTheBordersWindow) {
  constexpr TRect shadow(10, 8, 12, 14);
  UseOuterBorder(shadow);
  ShowForm();
  ASSERT_TRUE(sp->BorderForm);
  ShowWindow(form->Handle(), SW_HIDE);
  const HWND h = form->Handle();
  RECT wr{};
  GetWindowRect(h, &wr);
  LayeredCalls rec;
  AnimShowForm(sp, 24, 255, atFading);
  ASSERT_TRUE(sp->BorderForm->AForm);
  const HWND stand = sp->BorderForm->AForm->Handle();
  const auto shown = LayeredCalls::UpdatesOf(stand);
  ASSERT_GE(shown.size(), 1u + 3 + 1);
  const layered::UpdateCall& last = shown[1 + 3];  // the final frame of the run
  EXPECT_EQ(last.alpha, 255);
  EXPECT_EQ(last.size.cx, sp->FCommonData->FCacheBmp->Width());
  EXPECT_EQ(last.size.cy, sp->FCommonData->FCacheBmp->Height());
  EXPECT_GT(last.size.cx, wr.right - wr.left);  // the shadow around the form
  ASSERT_TRUE(last.hasPos);
  const Integer cx =
      SkinBorderWidth(sp->BorderForm.get()) - SysBorderWidth(h, sp->BorderForm.get(), true) + shadow.Left;
  EXPECT_EQ(last.pos.x, wr.left - cx);
  EXPECT_TRUE(IsWindowVisible(h));
  EXPECT_TRUE(IsWindow(stand));
  EXPECT_FALSE(sp->BorderForm->ExBorderShowing);
  EXPECT_EQ(log.events, std::vector<TkvAnimEvent>{aeShowing});
}

// ---- The show after a skin change -------------------------------------------------------------

namespace {

// Each reading is 4 ms later than the one before: a frame's wait ends at its third reading.
class StepClock : public TClock {
 public:
  uint64_t NowMs() const override { return now += 4; }
  mutable uint64_t now = 1000;
};

}  // namespace

// With an outer border the new look fades in in a fresh border window that carries the whole
// picture, shadow included, placed so that the form lands where it is; the old border window
// fades out meanwhile and goes, and the fresh one stays with the border.
TEST_F(FormAnimation, TheSkinChangeShowOfABorderedFormFadesItsPictureWithTheShadowIn) {
  constexpr TRect shadow(10, 8, 12, 14);
  UseOuterBorder(shadow);
  ShowForm();
  ASSERT_TRUE(sp->BorderForm);
  TkvBorderForm* border = sp->BorderForm.get();
  const HWND oldBorder = border->LayeredWindow();
  ASSERT_NE(oldBorder, nullptr);
  const HWND h = form->Handle();
  RECT wr{};
  GetWindowRect(h, &wr);
  StepClock clock;
  app->SetClock(&clock);
  const TScopeExit clockBack([&] { app->SetClock(nullptr); });
  sp->PaintAll();
  TBitmap* cache = sp->FCommonData->FCacheBmp.get();
  const Integer w = cache->Width(), ht = cache->Height();
  ASSERT_EQ(w, (wr.right - wr.left) + shadow.Left + shadow.Right +
                   2 * (SkinBorderWidth(border) - SysBorderWidth(h, border, true)));
  // A point of the left shadow margin half way down, as the border's picture has it.
  const TPoint inShadow(shadow.Left / 2, ht / 2);
  const uint32_t shadowPixel = cache->View().At(inShadow.X, inShadow.Y);
  ASSERT_GT(shadowPixel >> 24, 0u);
  ASSERT_LT(shadowPixel >> 24, 255u);

  LayeredCalls rec;
  AnimShowControl(form, 48, 255, nullptr, atcFade);

  const HWND fresh = border->LayeredWindow();
  ASSERT_NE(fresh, nullptr);
  EXPECT_NE(fresh, oldBorder);
  EXPECT_FALSE(IsWindow(oldBorder)) << "the old border window goes";
  const auto shown = LayeredCalls::UpdatesOf(fresh);
  const auto frames = FormShowFrames(atcFade, w, ht, 48, 255);
  ASSERT_EQ(frames.size(), 5u);
  ASSERT_GE(shown.size(), 1 + frames.size());
  // Loaded with the whole picture, transparent, placed so that the form lies where it is.
  const layered::UpdateCall& load = shown[0];
  EXPECT_EQ(load.alpha, 0);
  EXPECT_EQ(load.size.cx, w);
  EXPECT_EQ(load.size.cy, ht);
  ASSERT_TRUE(load.hasPos);
  const Integer cx = SkinBorderWidth(border) - SysBorderWidth(h, border, true) + shadow.Left;
  EXPECT_EQ(load.pos.x, wr.left - cx);
  EXPECT_EQ(load.pos.y, wr.top - border->OffsetY());
  EXPECT_GE(border->OffsetY(), shadow.Top);
  // The shadow keeps its own transparency; the client area is opaque.
  EXPECT_EQ(load.At(inShadow.X, inShadow.Y), shadowPixel);
  const TPoint client(sp->OffsetX() + form->ClientWidth() / 2, sp->OffsetY() + form->ClientHeight() / 2);
  EXPECT_EQ(load.At(client.X, client.Y) >> 24, 255u);
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(shown[1 + i].alpha, frames[i].Alpha) << i;
    EXPECT_EQ(shown[1 + i].size.cx, w) << i;
    EXPECT_EQ(shown[1 + i].At(inShadow.X, inShadow.Y), shadowPixel) << i;
  }
  // The old border window shows its old look ever fainter while the new one comes.
  const auto fading = LayeredCalls::UpdatesOf(oldBorder);
  ASSERT_EQ(fading.size(), frames.size());
  for (size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(fading[i].alpha, 255 - frames[i].Alpha) << i;
  // Afterwards the fresh window is the border's: at its place, with the border's shape (the
  // form's client area cut out).
  EXPECT_TRUE(IsWindowVisible(fresh));
  RECT fr{};
  GetWindowRect(fresh, &fr);
  EXPECT_EQ(fr.left, wr.left - cx);
  EXPECT_EQ(fr.right - fr.left, w);
  const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(GetWindowRgn(fresh, rgn.get()), ERROR);
  EXPECT_TRUE(PtInRegion(rgn.get(), inShadow.X, inShadow.Y));
  EXPECT_FALSE(PtInRegion(rgn.get(), client.X, client.Y));
  EXPECT_FALSE(InAnimationProcess);
  EXPECT_FALSE(border->ExBorderShowing);
}

// ---- The one-pixel relayout --------------------------------------------------------------------

namespace {

std::vector<Integer> heights;
LRESULT CALLBACK RecordSizes(HWND h, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
  if (msg == WM_WINDOWPOSCHANGED) {
    const auto* wp = reinterpret_cast<const WINDOWPOS*>(l);
    if (!(wp->flags & SWP_NOSIZE)) heights.push_back(wp->cy);
  }
  return DefSubclassProc(h, msg, w, l);
}

struct ResizeCount {
  int calls = 0;
  void On(TObject*) { ++calls; }
};

}  // namespace

TEST_F(FormAnimation, RelayoutShrinksByOnePixelAndBackWithoutResizeEvent) {
  ShowForm();
  const HWND h = form->Handle();
  const Integer height = form->Height();
  form->Constraints()->SetMinHeight(height);
  ResizeCount resized;
  form->SetOnResize(TNotifyEvent(&resized, &ResizeCount::On));
  heights.clear();
  ASSERT_TRUE(SetWindowSubclass(h, RecordSizes, 1, 0));
  UpdateLayerVisibility(sp->FCommonData.get(), h);
  RemoveWindowSubclass(h, RecordSizes, 1);
  EXPECT_EQ(heights, (std::vector<Integer>{height - 1, height}));
  EXPECT_EQ(form->Height(), height);
  EXPECT_EQ(form->Constraints()->MinHeight(), height);
  EXPECT_EQ(resized.calls, 0);
  EXPECT_FALSE(sp->FCommonData->FUpdating);
  // Skin data that is not the provider's moves nothing.
  TsCommonData other(nullptr, true);
  heights.clear();
  ASSERT_TRUE(SetWindowSubclass(h, RecordSizes, 1, 0));
  UpdateLayerVisibility(&other, h);
  RemoveWindowSubclass(h, RecordSizes, 1);
  EXPECT_TRUE(heights.empty());
}

// ---- Dialogs ---------------------------------------------------------------------------------------

namespace {

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

struct DialogTemplate {
  DLGTEMPLATE t;
  WORD menu, cls, title;
};

// An ownerless dialog that the thread hook gives its wrapper, with a grey rectangle (a static
// control that gets no wrapper, in the system's shadow colour) at (10, 10) of its client area,
// not shown yet.
class DialogAnimation : public FormAnimation {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormAnimation::SetUp());
    kvDialsStartup();
    skin->skin.Manager.InstallHook();
    DialogTemplate tmpl{};
    tmpl.t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    tmpl.t.x = 40;
    tmpl.t.y = 40;
    tmpl.t.cx = 160;
    tmpl.t.cy = 80;
    dlg = CreateDialogIndirectParamW(nullptr, &tmpl.t, nullptr, &PlainDialogProc, 0);
    ASSERT_NE(dlg, nullptr);
    CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_GRAYRECT, 10, 10, 30, 20, dlg, nullptr, nullptr,
                    nullptr);
    ASSERT_NE(FindFormInList(dlg), nullptr);
  }
  void TearDown() override {
    if (dlg && IsWindow(dlg)) DestroyWindow(dlg);
    skin->skin.Manager.UnInstallHook();
    kvDialsCleanup();
    FormAnimation::TearDown();
  }
  TkvAnimEffects& Effects() { return skin->skin.Manager.AnimEffects; }
  TkvDialogWnd* Wrapper() { return FindFormInList(dlg)->DlgWnd.get(); }
  // A point of the client area in window coordinates.
  TPoint Client(Integer x, Integer y) {
    const TPoint o = ClientOrigin(dlg);
    return TPoint(o.X + x, o.Y + y);
  }
  // The static's pixel (0xAARRGGBB without alpha).
  static uint32_t Dark() { return RgbOfColor(TColor(GetSysColor(COLOR_3DSHADOW))); }
  HWND dlg = nullptr;
};

}  // namespace

TEST_F(DialogAnimation, ShowFadesTheDialogWithItsControlsIn) {
  Effects().DialogShow.Active = true;
  Effects().DialogShow.Time = 48;
  Effects().DialogShow.Mode = atFading;
  LayeredCalls rec;
  ShowWindow(dlg, SW_SHOW);

  const auto shown = StandInUpdates(dlg);
  RECT wr{};
  GetWindowRect(dlg, &wr);
  const auto schedule = ShowSchedule(atFading, wr.right - wr.left, wr.bottom - wr.top, 48, 255, true);
  ASSERT_EQ(schedule.size(), 5u);
  ASSERT_EQ(shown.size(), 1 + schedule.size() + 1);
  // A dialog's opacity rises by a fifth of the whole per frame.
  for (size_t i = 0; i < schedule.size(); ++i) EXPECT_EQ(shown[1 + i].alpha, 51 * (i + 1)) << i;
  const layered::UpdateCall& pic = shown.back();
  ASSERT_TRUE(pic.hasPos);
  EXPECT_EQ(pic.pos.x, wr.left);
  EXPECT_EQ(pic.pos.y, wr.top);
  const TPoint control = Client(20, 20), background = Client(100, 50);
  EXPECT_EQ(At(pic, control.X, control.Y), 0xFF000000u | Dark());  // the static printed into the picture
  EXPECT_EQ(At(pic, background.X, background.Y), 0xFF000000u | RgbOfColor(kDialogClient));
  EXPECT_EQ(At(pic, 1, pic.size.cy / 2), kBorderPixel);
  EXPECT_EQ(At(pic, 0, 0), 0u);  // a corner that the skin's border image cuts
  EXPECT_EQ(At(pic, pic.size.cx - 1, 0), 0u);
  EXPECT_EQ(waits, std::vector<Integer>(schedule.size(), 12));
  EXPECT_TRUE(IsWindowVisible(dlg));
  EXPECT_FALSE(IsWindow(shown.front().wnd));
  EXPECT_FALSE(InAnimationProcess);
}

// The skinned dialogs' settings show them at once: a stand-in at full opacity, no frames.
TEST_F(DialogAnimation, ShowWithoutTimeShowsAtOnce) {
  LayeredCalls rec;
  ShowWindow(dlg, SW_SHOW);
  const auto shown = StandInUpdates(dlg);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].alpha, 255);
  EXPECT_EQ(shown[1].alpha, 255);
  EXPECT_TRUE(waits.empty());
  EXPECT_TRUE(IsWindowVisible(dlg));
}

// Cancel prints the controls into the dialog's picture; the hide then fades that picture out.
TEST_F(DialogAnimation, HideAfterCancelFadesThePictureWithItsControlsOut) {
  ShowWindow(dlg, SW_SHOW);
  Application->ProcessMessages();
  Effects().DialogHide.Active = true;
  Effects().DialogHide.Time = 36;
  Effects().DialogHide.Mode = atFading;
  SendMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
  waits.clear();
  LayeredCalls rec;
  ShowWindow(dlg, SW_HIDE);

  EXPECT_FALSE(IsWindowVisible(dlg));
  const auto shown = StandInUpdates(dlg);
  const auto schedule = HideSchedule(atFading, 0, 0, 36, 255);
  ASSERT_EQ(shown.size(), 2 + schedule.size());  // the cover's snapshot, loaded, the frames
  const layered::UpdateCall& load = shown[1];
  EXPECT_EQ(load.alpha, 255);
  const TPoint control = Client(20, 20), background = Client(100, 50);
  EXPECT_EQ(At(load, control.X, control.Y) & 0xFFFFFF, Dark());
  EXPECT_EQ(At(load, background.X, background.Y) & 0xFFFFFF, RgbOfColor(kDialogClient));
  for (size_t i = 0; i < schedule.size(); ++i) EXPECT_EQ(shown[2 + i].alpha, schedule[i].Alpha) << i;
  EXPECT_EQ(waits, std::vector<Integer>(schedule.size(), 12));
  EXPECT_FALSE(IsWindow(shown.front().wnd));
  EXPECT_FALSE(InAnimationProcess);
  EXPECT_FALSE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_LAYERED);
}

// The dialog's client copied from the screen lands at the client offset, made opaque; the
// frame part of the picture is left as it was.
TEST_F(DialogAnimation, ClientCopiedFromTheScreenLandsAtTheClientOffset) {
  ShowWindow(dlg, SW_SHOW);
  SetForegroundWindow(dlg);
  UpdateWindow(dlg);
  Application->ProcessMessages();
  RECT wr{};
  GetWindowRect(dlg, &wr);
  TBitmap pic(wr.right - wr.left, wr.bottom - wr.top, pf32bit);
  FillRect32(&pic, TRect(0, 0, pic.Width(), pic.Height()), 0x00123456, 0);
  PrintDlgClient(Wrapper(), &pic, true);
  const TPoint control = Client(20, 20), background = Client(100, 50);
  EXPECT_EQ(pic.View().Row(control.Y)[control.X], 0xFF000000u | Dark());
  EXPECT_EQ(pic.View().Row(background.Y)[background.X], 0xFF000000u | RgbOfColor(kDialogClient));
  EXPECT_EQ(pic.View().Row(1)[1] >> 24, 0u);  // the frame part untouched
}

// The dialog's window region leaves out the corners that the skin's border image marks with
// the key colour; a new size gives a new region.
TEST_F(DialogAnimation, RegionCutsTheKeyCornersOfTheBorderImage) {
  ShowWindow(dlg, SW_SHOW);
  UpdateWindow(dlg);
  for (const Integer grow : {0, 30}) {
    SCOPED_TRACE(grow);
    if (grow) {
      RECT wr{};
      GetWindowRect(dlg, &wr);
      SetWindowPos(dlg, nullptr, 0, 0, wr.right - wr.left + grow, wr.bottom - wr.top, SWP_NOMOVE | SWP_NOZORDER);
    }
    SendMessageW(dlg, WM_NCPAINT, 1, 0);
    const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(dlg, rgn.get()), ERROR);
    RECT wr{};
    GetWindowRect(dlg, &wr);
    const Integer w = wr.right - wr.left, h = wr.bottom - wr.top;
    struct Case {
      Integer x, y;
      bool inside;
    } cases[] = {{0, 0, false},    {1, 0, false},        {0, 1, false},     {2, 0, true},
                 {1, 1, true},     {w - 1, 0, false},    {w - 2, 0, false}, {w - 1, 1, false},
                 {w - 3, 0, true}, {w / 2, h / 2, true}, {w, 5, false}};
    for (const Case& c : cases) EXPECT_EQ(PtInRegion(rgn.get(), c.x, c.y) != 0, c.inside) << c.x << "," << c.y;
  }
}

// ---- Dialogs with an outer border ----------------------------------------------------------------

namespace {

constexpr TRect kDialogShadow(9, 7, 11, 13);

// The dialog's picture with the shadow around it: the window's pixel (x, y) lies at the shadow's
// top-left plus (x, y).
uint32_t InPicture(const layered::UpdateCall& c, TPoint windowPoint) {
  return At(c, kDialogShadow.Left + windowPoint.X, kDialogShadow.Top + windowPoint.Y);
}

bool RegionHas(HWND wnd, Integer x, Integer y) {
  const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
  if (GetWindowRgn(wnd, rgn.get()) == ERROR) return true;  // no region: the whole window
  return PtInRegion(rgn.get(), x, y) != 0;
}

}  // namespace

// With extended borders the dialog's show plays in its outer border's window: the picture is
// the dialog (frame, controls) inside the shadow, placed so that the dialog lands where it is;
// the window then stays right behind the dialog, showing only the shadow.
TEST_F(DialogAnimation, ShowWithAnOuterBorderPlaysInTheBordersWindowAndKeepsIt) {
  GiveShadow(*skin, kDialogShadow);
  Effects().DialogShow.Active = true;
  Effects().DialogShow.Time = 48;
  Effects().DialogShow.Mode = atFading;
  LayeredCalls rec;
  ShowWindow(dlg, SW_SHOW);

  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w->BorderForm, nullptr);
  const HWND bw = w->BorderForm->LayeredWindow();
  ASSERT_NE(bw, nullptr);
  RECT wr{};
  GetWindowRect(dlg, &wr);
  const Integer width = wr.right - wr.left, height = wr.bottom - wr.top;
  const auto shown = LayeredCalls::UpdatesOf(bw);
  const auto schedule = ShowSchedule(atFading, width + 20, height + 20, 48, 255, true);
  ASSERT_EQ(schedule.size(), 5u);
  ASSERT_GE(shown.size(), 1 + schedule.size() + 1);
  for (size_t i = 0; i < schedule.size(); ++i) EXPECT_EQ(shown[1 + i].alpha, 51 * (i + 1)) << i;
  const layered::UpdateCall& pic = shown[1 + schedule.size()];
  EXPECT_EQ(pic.alpha, 255);
  ASSERT_EQ(pic.size.cx, width + kDialogShadow.Left + kDialogShadow.Right);
  ASSERT_EQ(pic.size.cy, height + kDialogShadow.Top + kDialogShadow.Bottom);
  ASSERT_TRUE(pic.hasPos);
  EXPECT_EQ(pic.pos.x, wr.left - kDialogShadow.Left);
  EXPECT_EQ(pic.pos.y, wr.top - kDialogShadow.Top);
  EXPECT_EQ(InPicture(pic, Client(20, 20)), 0xFF000000u | Dark());  // the static printed in place
  EXPECT_EQ(InPicture(pic, Client(100, 50)), 0xFF000000u | RgbOfColor(kDialogClient));
  EXPECT_EQ(InPicture(pic, TPoint(1, height / 2)), kBorderPixel);
  const uint32_t shade = At(pic, kDialogShadow.Left / 2, kDialogShadow.Top + height / 2) >> 24;
  EXPECT_GT(shade, 0u);  // the shadow: partly transparent
  EXPECT_LT(shade, 255u);
  EXPECT_EQ(waits, std::vector<Integer>(schedule.size(), 12));

  EXPECT_TRUE(IsWindowVisible(dlg));
  EXPECT_TRUE(IsWindowVisible(bw));
  EXPECT_EQ(w->BorderForm->LayeredWindow(), bw);
  EXPECT_FALSE(w->BorderForm->ExBorderShowing);
  EXPECT_EQ(GetWindow(bw, GW_OWNER), dlg);  // it goes and comes with the dialog
  // Its region leaves the dialog's window out and keeps the shadow.
  EXPECT_FALSE(RegionHas(bw, kDialogShadow.Left + width / 2, kDialogShadow.Top + height / 2));
  EXPECT_TRUE(RegionHas(bw, 2, kDialogShadow.Top + height / 2));
  EXPECT_FALSE(InAnimationProcess);
}

// Cancel with a hide animation: the border window shows the whole picture (the client printed
// in) without a region; the hide then fades that window out, and the border goes with the dialog.
TEST_F(DialogAnimation, HideWithAnOuterBorderFadesTheBordersWindowAndDropsTheBorder) {
  GiveShadow(*skin, kDialogShadow);
  ShowWindow(dlg, SW_SHOW);
  Application->ProcessMessages();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w->BorderForm, nullptr);
  const HWND bw = w->BorderForm->LayeredWindow();
  ASSERT_NE(bw, nullptr);
  Effects().DialogHide.Active = true;
  Effects().DialogHide.Time = 36;
  Effects().DialogHide.Mode = atFading;
  LayeredCalls rec;
  SendMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(w->AnimClosing);
  EXPECT_EQ(w->CoverForm, nullptr);  // the border window is the cover
  EXPECT_TRUE(w->BorderForm->ExBorderShowing);
  EXPECT_TRUE(RegionHas(bw, kDialogShadow.Left + 20, kDialogShadow.Top + 20));
  auto shown = LayeredCalls::UpdatesOf(bw);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].alpha, 255);
  EXPECT_EQ(InPicture(shown[0], Client(20, 20)) & 0xFFFFFF, Dark());

  waits.clear();
  layered::updates.clear();
  ShowWindow(dlg, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(dlg));
  shown = LayeredCalls::UpdatesOf(bw);
  const auto schedule = HideSchedule(atFading, 0, 0, 36, 255);
  ASSERT_EQ(shown.size(), 1 + schedule.size());  // loaded, then the frames
  EXPECT_EQ(shown[0].alpha, 255);
  EXPECT_EQ(InPicture(shown[0], Client(20, 20)) & 0xFFFFFF, Dark());
  for (size_t i = 0; i < schedule.size(); ++i) EXPECT_EQ(shown[1 + i].alpha, schedule[i].Alpha) << i;
  EXPECT_EQ(waits, std::vector<Integer>(schedule.size(), 12));
  EXPECT_FALSE(IsWindow(bw));
  EXPECT_EQ(w->BorderForm, nullptr);
  EXPECT_FALSE(w->AnimClosing);
  EXPECT_FALSE(InAnimationProcess);
  // Shown again, the dialog gets a new border window.
  ShowWindow(dlg, SW_SHOW);
  ASSERT_NE(w->BorderForm, nullptr);
  EXPECT_NE(w->BorderForm->LayeredWindow(), nullptr);
}

// The border window goes while the dialog is minimized, comes back with it, and goes when the
// dialog closes.
TEST_F(DialogAnimation, TheBordersWindowFollowsMinimizeRestoreAndClose) {
  GiveShadow(*skin, kDialogShadow);
  ShowWindow(dlg, SW_SHOW);
  Application->ProcessMessages();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w->BorderForm, nullptr);
  const HWND first = w->BorderForm->LayeredWindow();
  ASSERT_NE(first, nullptr);
  ShowWindow(dlg, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(dlg));
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(w->BorderForm->LayeredWindow(), nullptr);
  ShowWindow(dlg, SW_RESTORE);
  ASSERT_FALSE(IsIconic(dlg));
  const HWND again = w->BorderForm->LayeredWindow();
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(IsWindowVisible(again));
  // Moved, it follows the dialog.
  SetWindowPos(dlg, nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT br{};
  GetWindowRect(again, &br);
  EXPECT_EQ(br.left, 200 - kDialogShadow.Left);
  EXPECT_EQ(br.top, 150 - kDialogShadow.Top);
  DestroyWindow(dlg);
  dlg = nullptr;
  EXPECT_FALSE(IsWindow(again));
}

namespace {
// Stands in for the form's own procedure under its provider: records the UI-state queries that
// reach it while an animation runs, and passes everything on.
struct UiStateRecorder : TObject {
  TWndMethod next;
  std::vector<std::pair<WPARAM, bool>> queries;  // (wParam, during an animation)
  void Proc(TMessage& m) {
    if (m.Msg == WM_QUERYUISTATE) queries.emplace_back(m.WParam, InAnimationProcess);
    next(m);
  }
};
}  // namespace

// A UI-state query posted to the form while its show animation runs is answered by the form's own
// procedure at each frame, and stays queued for the form afterwards.
TEST_F(FormAnimation, AWaitingUiStateQueryIsHandedOnDuringTheShow) {
  ShownThenHidden();
  const HWND h = form->Handle();
  UiStateRecorder recorder;
  recorder.next = sp->OldWndProc;
  auto restore = SetForScope(sp->OldWndProc, TWndMethod(&recorder, &UiStateRecorder::Proc), recorder.next);
  PostMessageW(h, WM_QUERYUISTATE, 7, 0);
  LayeredCalls rec;
  AnimShowForm(sp, 60, 255, atFading);
  ASSERT_FALSE(recorder.queries.empty());
  for (const auto& q : recorder.queries) {
    EXPECT_EQ(q.first, WPARAM(7));
    EXPECT_TRUE(q.second);
  }
  MSG left{};
  EXPECT_TRUE(PeekMessageW(&left, h, WM_QUERYUISTATE, WM_QUERYUISTATE, PM_REMOVE));
}

// The picture a bordered form shows in its show animation: every pixel outside the form's client
// area (frame, outer border and shadow, the right and bottom strips included) as the border's
// picture has it.
TEST_F(FormAnimation, TheShowPictureOfABorderedFormHasEveryPixelOfItsFrameAndShadow) {
  constexpr TRect shadow(10, 8, 12, 14);
  UseOuterBorder(shadow);
  ShowForm();
  ASSERT_TRUE(sp->BorderForm);
  ShowWindow(form->Handle(), SW_HIDE);
  const HWND h = form->Handle();
  LayeredCalls rec;
  AnimShowForm(sp, 24, 255, atFading);
  ASSERT_TRUE(sp->BorderForm->AForm);
  const auto shown = LayeredCalls::UpdatesOf(sp->BorderForm->AForm->Handle());
  ASSERT_GE(shown.size(), 2u);
  const layered::UpdateCall& last = shown.back();
  ASSERT_TRUE(last.hasPos);
  TBitmap* cache = sp->FCommonData->FCacheBmp.get();
  ASSERT_EQ(last.size.cx, cache->Width());
  ASSERT_EQ(last.size.cy, cache->Height());
  POINT origin{0, 0};
  ClientToScreen(h, &origin);
  const TRect client(origin.x - last.pos.x, origin.y - last.pos.y, origin.x - last.pos.x + form->ClientWidth(),
                     origin.y - last.pos.y + form->ClientHeight());
  ASSERT_GT(client.Left, 0);
  ASSERT_LT(client.Right, last.size.cx);
  ASSERT_LT(client.Bottom, last.size.cy);
  int frameMismatches = 0, compared = 0;
  for (Integer y = 0; y < last.size.cy; ++y)
    for (Integer x = 0; x < last.size.cx; ++x)
      if (!client.Contains(TPoint(x, y))) {
        ++compared;
        frameMismatches += At(last, x, y) != cache->View().At(x, y);
      }
  EXPECT_GT(compared, 2 * last.size.cx * (shadow.Top + shadow.Bottom));
  EXPECT_EQ(frameMismatches, 0);
  // The right and bottom strips hold the border's shadow, not black.
  EXPECT_GT(At(last, last.size.cx - shadow.Right / 2, last.size.cy / 2) >> 24, 0u);
  EXPECT_GT(At(last, last.size.cx / 2, last.size.cy - shadow.Bottom / 2) >> 24, 0u);
  // The middle of the client shows the client's look.
  EXPECT_EQ(At(last, (client.Left + client.Right) / 2, (client.Top + client.Bottom) / 2) & 0xFFFFFF, ClientRgb());
}
