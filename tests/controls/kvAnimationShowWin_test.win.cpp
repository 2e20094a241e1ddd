// The show animation of a repainted form on a real window under Xvfb, its frames waited for on
// a clock the test owns: what each frame hands to UpdateLayeredWindow, the pacing of the frames,
// and the state when the run ends (also when it is cut short by an exception); and a text flight
// that has nowhere to go.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "controls/kvAnimationShow.h"
#include "skin/sVclUtils.h"
#include "support/LayeredCalls.h"
#include "support/ProviderDouble.h"
#include "support/SkinFixture.h"
#include "ui/Clock.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

namespace {

constexpr uint32_t kPicture = 0xFF336699u;

// Each reading is 4 ms later than the one before: a frame's wait ends at its third reading.
class StepClock : public TClock {
 public:
  uint64_t NowMs() const override {
    ++readings;
    if (readings == failAt) throw std::runtime_error("clock failed");
    if (onReading) onReading();
    return now += 4;
  }
  mutable uint64_t now = 1000;
  mutable int readings = 0;
  int failAt = -1;
  std::function<void()> onReading;
};

// A provider whose picture of the form is one colour, and whose shape of the form the test may set.
class PictureProvider : public TProviderDouble {
 public:
  using TProviderDouble::TProviderDouble;
  HRGN GetRgnFromArOR(Integer x, Integer y) override { return shape ? shape(x, y) : nullptr; }
  std::function<HRGN(Integer, Integer)> shape;
  std::unique_ptr<TBitmap> GetFormImage() override {
    ++images;
    auto bmp = std::make_unique<TBitmap>(Form->Width(), Form->Height(), pf32bit);
    const TPixelView v = bmp->View();
    for (Integer y = 0; y < v.Height; ++y)
      for (Integer x = 0; x < v.Width; ++x) v.At(x, y) = kPicture & 0x00FFFFFF;  // the alpha is the animation's to set
    return bmp;
  }
};

class FormShow : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    app = std::make_unique<TApplication>();
    app->SetClock(&clock);
    skin = std::make_unique<SkinFixture>();
    form = new TForm(app.get());
    form->AfterConstruction();
    form->SetPosition(poDesigned);  // the frames are checked at the form's own place
    form->SetBounds(100, 80, 160, 120);
    provider = std::make_unique<PictureProvider>(form, &skin->Manager);
    form->Show();
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
    clock.readings = 0;
  }
  void TearDown() override {
    provider.reset();
    app.reset();
    skin.reset();
  }
  // The calls made for windows other than the form (the cover window).
  static std::vector<layered::UpdateCall> CoverCalls(HWND form) {
    std::vector<layered::UpdateCall> out;
    for (const layered::UpdateCall& c : layered::updates)
      if (c.wnd != form) out.push_back(c);
    return out;
  }
  StepClock clock;
  std::unique_ptr<TApplication> app;
  std::unique_ptr<SkinFixture> skin;
  TForm* form = nullptr;
  std::unique_ptr<PictureProvider> provider;
};

TEST_F(FormShow, AFadeShowsThePictureOnceAndRaisesItsAlphaEveryTwelveMilliseconds) {
  layered::LayeredCalls recorder;
  SendMessageW(form->Handle(), WM_SETREDRAW, 0, 0);
  bool animatingMeanwhile = true;
  clock.onReading = [&] { animatingMeanwhile = animatingMeanwhile && InAnimationProcess; };
  AnimShowControl(form, 240, 255, nullptr, atcFade);
  const std::vector<layered::UpdateCall> calls = CoverCalls(form->Handle());
  const std::vector<TkvFormShowFrame> frames = FormShowFrames(atcFade, 160, 120, 240, 255);
  ASSERT_EQ(frames.size(), 21u);
  ASSERT_EQ(calls.size(), 1u + frames.size()) << "the cover with the picture, then one call a frame";
  EXPECT_EQ(calls[0].alpha, 0);
  EXPECT_EQ(calls[0].pos.x, 100);
  EXPECT_EQ(calls[0].pos.y, 80);
  EXPECT_EQ(calls[0].At(10, 10), kPicture) << "the picture is made opaque";
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(calls[i + 1].alpha, frames[i].Alpha) << i;
    EXPECT_EQ(calls[i + 1].At(80, 60), kPicture) << i;
  }
  EXPECT_EQ(calls.back().alpha, 255);
  // One reading when a frame begins and three until 12 ms have passed.
  EXPECT_EQ(clock.readings, 4 * 21);
  EXPECT_TRUE(animatingMeanwhile);
  EXPECT_FALSE(InAnimationProcess);
  EXPECT_FALSE(IsWindow(calls[0].wnd)) << "the cover window goes";
  EXPECT_TRUE(GetWindowLongW(form->Handle(), GWL_STYLE) & WS_VISIBLE) << "the form's redraw is back on";
  EXPECT_EQ(provider->images, 1);
}

TEST_F(FormShow, TheZoomGrowsThePictureFromAThirtySecondInset) {
  layered::LayeredCalls recorder;
  AnimShowControl(form, 240, 255, nullptr, atcAero);
  const std::vector<layered::UpdateCall> calls = CoverCalls(form->Handle());
  ASSERT_EQ(calls.size(), 22u);
  // First frame: the picture in (5, 4)-(155, 116) of the 160 x 120 frame.
  EXPECT_EQ(calls[1].At(2, 2), 0u);
  EXPECT_EQ(calls[1].At(157, 60), 0u);
  EXPECT_EQ(calls[1].At(5, 4), kPicture);
  EXPECT_EQ(calls[1].At(154, 115), kPicture);
  EXPECT_EQ(calls.back().At(0, 0), kPicture) << "the last frame is the whole picture";
  EXPECT_EQ(calls.back().At(159, 119), kPicture);
}

TEST_F(FormShow, UnderTwelveMillisecondsThePictureShowsAtOnce) {
  layered::LayeredCalls recorder;
  AnimShowControl(form, 11, 200, nullptr, atcFade);
  const std::vector<layered::UpdateCall> calls = CoverCalls(form->Handle());
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].alpha, 200);
  EXPECT_EQ(clock.readings, 0) << "no frames to wait for";
  EXPECT_FALSE(InAnimationProcess);
}

TEST_F(FormShow, AnAlphaBlendedFormEndsAtItsOwnOpacity) {
  form->SetAlphaBlend(true);
  form->SetAlphaBlendValue(255);
  layered::LayeredCalls recorder;
  AnimShowControl(form, 48, 180, nullptr, atcFade);
  const std::vector<layered::UpdateCall> calls = CoverCalls(form->Handle());
  ASSERT_EQ(calls.size(), 1u + 5u);
  EXPECT_EQ(calls[1].alpha, 45);
  EXPECT_EQ(calls.back().alpha, 180);
  EXPECT_EQ(form->AlphaBlendValue(), 180);
}

TEST_F(FormShow, AHiddenOrMinimisedFormIsNotAnimated) {
  layered::LayeredCalls recorder;
  form->Hide();
  AnimShowControl(form, 240, 255, nullptr, atcFade);
  form->Show();
  ShowWindow(form->Handle(), SW_MINIMIZE);
  AnimShowControl(form, 240, 255, nullptr, atcFade);
  EXPECT_TRUE(CoverCalls(form->Handle()).empty());
  EXPECT_EQ(provider->images, 0);
  EXPECT_EQ(clock.readings, 0);
}

TEST_F(FormShow, AFailureInTheMiddleLeavesNoFlagAndNoCoverBehind) {
  layered::LayeredCalls recorder;
  clock.failAt = 10;
  EXPECT_THROW(AnimShowControl(form, 240, 255, nullptr, atcFade), std::runtime_error);
  EXPECT_FALSE(InAnimationProcess);
  const std::vector<layered::UpdateCall> calls = CoverCalls(form->Handle());
  ASSERT_FALSE(calls.empty());
  EXPECT_FALSE(IsWindow(calls[0].wnd));
}

TEST_F(FormShow, EachFrameIsHandedToThePerFrameProcedure) {
  layered::LayeredCalls recorder;
  std::vector<Integer> blends;
  AnimShowControl(
      form, 36, 255,
      [&](TkvIterationData& d) {
        EXPECT_EQ(d.Ctrl, form);
        EXPECT_EQ(d.OutRect, TRect(100, 80, 260, 200));
        blends.push_back(d.Blend);
      },
      atcFade);
  EXPECT_EQ(blends, (std::vector<Integer>{85, 170, 255, 255}));
}

TEST_F(FormShow, TheCoverTakesTheShapeOfTheForm) {
  // The provider cuts 6 x 6 corners out of the form, as a skin with rounded corners does.
  provider->shape = [](Integer x, Integer y) {
    HRGN rgn = CreateRectRgn(x, y, x + 160, y + 120);
    for (const RECT& corner : {RECT{0, 0, 6, 6}, RECT{154, 0, 160, 6}, RECT{0, 114, 6, 120}, RECT{154, 114, 160, 120}}) {
      HRGN cut = CreateRectRgn(x + corner.left, y + corner.top, x + corner.right, y + corner.bottom);
      CombineRgn(rgn, rgn, cut, RGN_DIFF);
      DeleteObject(cut);
    }
    return rgn;
  };
  layered::LayeredCalls recorder;
  struct Seen {
    bool asked = false;
    bool hasRegion = false;
    bool corners = false, inside = false, edges = false;
  } seen;
  clock.onReading = [&] {
    if (seen.asked) return;
    const std::vector<layered::UpdateCall> calls = CoverCalls(form->Handle());
    if (calls.empty()) return;
    seen.asked = true;
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    seen.hasRegion = GetWindowRgn(calls[0].wnd, rgn) != ERROR;
    seen.corners = PtInRegion(rgn, 2, 2) || PtInRegion(rgn, 157, 2) || PtInRegion(rgn, 2, 117) || PtInRegion(rgn, 157, 117);
    seen.inside = PtInRegion(rgn, 80, 60);
    seen.edges = PtInRegion(rgn, 7, 0) && PtInRegion(rgn, 0, 7) && PtInRegion(rgn, 159, 60) && PtInRegion(rgn, 80, 119);
    DeleteObject(rgn);
  };
  AnimShowControl(form, 48, 255, nullptr, atcFade);
  ASSERT_TRUE(seen.asked) << "the cover was there while the frames ran";
  EXPECT_TRUE(seen.hasRegion);
  EXPECT_FALSE(seen.corners) << "the corners the skin leaves transparent are cut away";
  EXPECT_TRUE(seen.inside);
  EXPECT_TRUE(seen.edges);
  EXPECT_EQ(provider->corner_fills, 1) << "the corners are worked out for the new skin first";
}

TEST_F(FormShow, ATextFlightWithNowhereToGoShowsItsEndAtOnce) {
  layered::LayeredCalls recorder;
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetBounds(10, 10, 80, 20);
  TkvMoveTextData from, to;
  from.Text = u"Paste a link";
  to.Text = u"Paste a link";
  from.R = to.R = TRect(200, 200, 280, 216);
  to.Ctrl = label;
  AnimMoveText(from, to);
  EXPECT_TRUE(layered::updates.empty()) << "no flight window";
  EXPECT_EQ(clock.readings, 0) << "no frames waited for";
}

}  // namespace
