// The show animation of a repainted form on a real window under Xvfb, its frames waited for on
// a clock the test owns: what each frame hands to UpdateLayeredWindow, the pacing of the frames,
// and the state when the run ends (also when it is cut short by an exception); and a text flight
// that has nowhere to go.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "base/WindowQueries.h"
#include "controls/kvAnimationShow.h"
#include "raster/GdiBitmaps.h"
#include "raster/Pixels.h"
#include "skin/sVclUtils.h"
#include "support/LayeredCalls.h"
#include "support/ProviderDouble.h"
#include "support/SkinFixture.h"
#include "ui/Clock.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
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
    for (const RECT& corner :
         {RECT{0, 0, 6, 6}, RECT{154, 0, 160, 6}, RECT{0, 114, 6, 120}, RECT{154, 114, 160, 120}}) {
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
    seen.corners =
        PtInRegion(rgn, 2, 2) || PtInRegion(rgn, 157, 2) || PtInRegion(rgn, 2, 117) || PtInRegion(rgn, 157, 117);
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

// ---- Without layered windows ----

// While it lives, UpdateLayeredWindow is not bound, as on a system without layered windows.
class NoLayeredWindows {
 public:
  NoLayeredWindows() { sGraphUtilsCleanup(); }
  ~NoLayeredWindows() { sGraphUtilsStartup(); }
  NoLayeredWindows(const NoLayeredWindows&) = delete;
  NoLayeredWindows& operator=(const NoLayeredWindows&) = delete;
};

uint32_t Rgb(TColor c) {
  const uint32_t v = uint32_t(ColorToRGB(c));
  return (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF);
}

// A skinned form prints its whole picture whatever it is asked for: here its colour.
LRESULT CALLBACK PrintsItsColour(HWND wnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR data) {
  if (msg != WM_PRINT) return DefSubclassProc(wnd, msg, w, l);
  RECT r{};
  GetWindowRect(wnd, &r);
  const TOwnedBrush brush(CreateSolidBrush(ColorToRGB(reinterpret_cast<TForm*>(data)->Color())));
  RECT all{0, 0, r.right - r.left, r.bottom - r.top};
  FillRect(reinterpret_cast<HDC>(w), &all, brush.get());
  return 0;
}

// The form on screen in its old colour, its redraw locked, its new colour set: the picture it
// prints from now on is the new look, the screen still shows the old one.
void ChangeBehindLockedRedraw(TForm* form, TColor oldColor, TColor newColor) {
  SetWindowSubclass(form->Handle(), PrintsItsColour, 1, reinterpret_cast<DWORD_PTR>(form));
  form->SetColor(oldColor);
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
  for (int i = 0; i < 3; ++i) Application->ProcessMessages();
  SendMessageW(form->Handle(), WM_SETREDRAW, 0, 0);
  form->SetColor(newColor);
}

TEST_F(FormShow, WithoutLayeredWindowsTheNewLookIsMixedIntoACoverEveryTwentyFourMilliseconds) {
  ChangeBehindLockedRedraw(form, clRed, clBlue);
  NoLayeredWindows noLayers;
  ASSERT_FALSE(kvLayered());
  const TPoint client = form->ClientOrigin();
  RECT wr{};
  GetWindowRect(form->Handle(), &wr);
  const Integer cx = client.X - wr.left + 40, cy = client.Y - wr.top + 30;  // a point of the client area
  struct Seen {
    Integer blend;
    uint32_t frame;
    bool coverShown;
    bool coverLayered;
    RECT coverRect;
    uint32_t coverPixel;
    bool animating;
  };
  std::vector<Seen> seen;
  AnimShowControl(
      form, 120, 255,
      [&](TkvIterationData& d) {
        Seen s{};
        s.blend = d.Blend;
        s.frame = d.BmpOut->View().At(cx, cy);
        ASSERT_NE(ow, nullptr) << "the cover is held while the frames run";
        const HWND cover = ow->WindowHandle();
        s.coverShown = IsWindowVisible(cover);
        s.coverLayered = GetWindowLongW(cover, GWL_EXSTYLE) & WS_EX_LAYERED;
        GetWindowRect(cover, &s.coverRect);
        // What the cover window shows.
        TBitmap shot(1, 1, pf32bit);
        const TWindowDC dc(cover);
        BitBlt(shot.Canvas()->Handle(), 0, 0, 1, 1, dc, cx, cy, SRCCOPY);
        s.coverPixel = shot.View().At(0, 0) & 0xFFFFFF;
        s.animating = InAnimationProcess;
        seen.push_back(s);
      },
      atcFade);

  const std::vector<TkvCoverFrame> frames = CoverShowFrames(atcFade, 120, 96);
  ASSERT_EQ(frames.size(), 5u);
  ASSERT_EQ(seen.size(), frames.size());
  const uint32_t red = Rgb(clRed), blue = Rgb(clBlue);
  for (size_t i = 0; i < frames.size(); ++i) {
    SCOPED_TRACE(i);
    // The old look (red, from the screen) mixed with the new one (blue, printed) by the frame's weight.
    const Byte w = frames[i].OldWeight;
    const uint32_t expected = 0xFF000000u | uint32_t(MixByte(blue >> 16 & 0xFF, red >> 16 & 0xFF, w)) << 16 |
                              uint32_t(MixByte(blue >> 8 & 0xFF, red >> 8 & 0xFF, w)) << 8 |
                              MixByte(blue & 0xFF, red & 0xFF, w);
    EXPECT_EQ(seen[i].frame, expected);
    EXPECT_EQ(seen[i].blend, 255 - w);
    EXPECT_TRUE(seen[i].coverShown);
    EXPECT_FALSE(seen[i].coverLayered);
    EXPECT_EQ(seen[i].coverRect.left, wr.left);
    EXPECT_EQ(seen[i].coverRect.top, wr.top);
    EXPECT_EQ(seen[i].coverRect.right, wr.right);
    EXPECT_EQ(seen[i].coverRect.bottom, wr.bottom);
    EXPECT_EQ(seen[i].coverPixel, expected & 0xFFFFFF) << "the frame is what the cover shows";
    EXPECT_TRUE(seen[i].animating);
  }
  EXPECT_EQ(seen.front().frame & 0xFFFFFF, 0xCB0033u) << "a fifth of the way: mostly red still";
  EXPECT_EQ(seen.back().frame & 0xFFFFFF, blue);
  // One reading when a frame begins and six until 24 ms have passed.
  EXPECT_EQ(clock.readings, 7 * 5);
  EXPECT_EQ(provider->images, 0) << "the layered picture is not asked for";
  EXPECT_EQ(ow, nullptr) << "the cover window goes";
  EXPECT_FALSE(InAnimationProcess);
  EXPECT_TRUE(GetWindowLongW(form->Handle(), GWL_STYLE) & WS_VISIBLE) << "the form's redraw is back on";
}

TEST_F(FormShow, WithoutLayeredWindowsTheRunupSlidesTheNewLookUp) {
  ChangeBehindLockedRedraw(form, clRed, clBlue);
  NoLayeredWindows noLayers;
  const TPoint client = form->ClientOrigin();
  RECT wr{};
  GetWindowRect(form->Handle(), &wr);
  const Integer x = client.X - wr.left + 40, y = client.Y - wr.top + 30;
  // The window's fifth row as the screen shows it before the change.
  TBitmap screen(1, 1, pf32bit);
  {
    const TWindowDC dc(form->Handle());
    BitBlt(screen.Canvas()->Handle(), 0, 0, 1, 1, dc, x, 5, SRCCOPY);
  }
  std::vector<std::pair<uint32_t, uint32_t>> pixels;  // row 5 and the client point
  AnimShowControl(
      form, 24, 255,
      [&](TkvIterationData& d) {
        pixels.emplace_back(d.BmpOut->View().At(x, 5) & 0xFFFFFF, d.BmpOut->View().At(x, y) & 0xFFFFFF);
      },
      atcRunup);
  const std::vector<TkvCoverFrame> frames = CoverShowFrames(atcRunup, 24, GetWndPPI(form->Handle()));
  ASSERT_EQ(pixels.size(), frames.size());
  ASSERT_FALSE(frames.empty());
  const uint32_t red = Rgb(clRed), blue = Rgb(clBlue);
  ASSERT_GT(frames.front().Offset, 5);
  // The new picture comes in from below: on the first frame the rows above its offset still
  // show the old look, whatever the weights.
  EXPECT_EQ(pixels.front().first, screen.View().At(0, 0) & 0xFFFFFF);
  // The client point sees the new picture's client area at every offset, mixed by the weights.
  for (size_t i = 0; i < frames.size(); ++i) {
    const Byte w = frames[i].OldWeight;
    const uint32_t mixed =
        uint32_t(MixByte(blue >> 16 & 0xFF, red >> 16 & 0xFF, w)) << 16 | MixByte(blue & 0xFF, red & 0xFF, w);
    EXPECT_EQ(pixels[i].second, mixed) << i;
  }
  EXPECT_FALSE(InAnimationProcess);
  EXPECT_EQ(ow, nullptr);
}

// The zooming blur squeezes the new look of the form's visible children about their centres:
// the frame is the mix of the old screen and the printed new look over the child's rectangle
// in the window, which it would not be without the zoom.
TEST_F(FormShow, WithoutLayeredWindowsTheZoomingBlurSqueezesTheChildren) {
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(20, 16, 64, 40);
  auto* hidden = new TPanel(form);  // not shown: not zoomed
  hidden->SetParent(form);
  hidden->SetBounds(90, 10, 30, 30);
  hidden->SetVisible(false);
  for (int i = 0; i < 3; ++i) Application->ProcessMessages();
  ChangeBehindLockedRedraw(form, clRed, clBlue);
  NoLayeredWindows noLayers;
  RECT wr{};
  GetWindowRect(form->Handle(), &wr);
  const Integer w = wr.right - wr.left, h = wr.bottom - wr.top;
  const TPoint client = form->ClientOrigin();
  const Integer dx = client.X - wr.left, dy = client.Y - wr.top;
  const TRect child(20 + dx, 16 + dy, 84 + dx, 56 + dy);
  // The old look as the screen shows it.
  TBitmap oldLook(w, h, pf32bit);
  {
    const TWindowDC dc(form->Handle());
    BitBlt(oldLook.Canvas()->Handle(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
  }
  std::vector<TkvCoverFrame> frames;
  std::vector<uint32_t> expected, unzoomed, shown;
  AnimShowControl(
      form, 48, 255,
      [&](TkvIterationData& d) {
        if (!frames.empty()) return;
        frames = CoverShowFrames(atcBlur, 48, GetWndPPI(form->Handle()));
        ASSERT_TRUE(frames.front().ZoomChildren);
        ASSERT_EQ(d.BmpTo->Width(), w);
        ASSERT_EQ(d.BmpTo->Height(), h);
        TBitmap mine(w, h, pf32bit);
        const auto grab = [&](std::vector<uint32_t>& out, const TPixelView& v) {
          for (Integer y = 0; y < h; ++y) out.insert(out.end(), v.Row(y), v.Row(y) + w);
        };
        DrawCoverFrame(mine.View(), oldLook.View(), d.BmpTo->View(), frames.front(), {child});
        grab(expected, mine.View());
        TkvCoverFrame plain = frames.front();
        plain.ZoomChildren = false;
        DrawCoverFrame(mine.View(), oldLook.View(), d.BmpTo->View(), plain);
        grab(unzoomed, mine.View());
        grab(shown, d.BmpOut->View());
      },
      atcBlur);
  ASSERT_FALSE(frames.empty());
  ASSERT_EQ(shown.size(), size_t(w) * size_t(h));
  EXPECT_NE(expected, unzoomed) << "the zoom has to show in this frame";
  size_t differing = 0;
  for (size_t i = 0; i < shown.size(); ++i) differing += shown[i] != expected[i];
  EXPECT_EQ(differing, 0u);
  // The squeezed child leaves a ring of the old look at its edges.
  const TRect inner = ZoomedChildRect(child, frames.front().OldWeight);
  EXPECT_GT(inner.Left, child.Left);
  EXPECT_LT(inner.Bottom, child.Bottom);
  EXPECT_FALSE(InAnimationProcess);
  EXPECT_EQ(ow, nullptr);
}

// A control inside a form gets its cover as a child of the form, over the control and in front
// of its siblings.
TEST_F(FormShow, AChildControlIsCoveredInsideItsParent) {
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(20, 15, 90, 60);
  auto* sibling = new TPanel(form);
  sibling->SetParent(form);
  sibling->SetBounds(0, 0, 40, 40);  // above the panel in the child order, overlapping it
  for (int i = 0; i < 3; ++i) Application->ProcessMessages();
  RECT pr{};
  GetWindowRect(panel->Handle(), &pr);
  struct Seen {
    HWND cover = nullptr, parent = nullptr, topChild = nullptr;
    bool visible = false;
    RECT rect{};
  };
  std::vector<Seen> seen;
  AnimShowControl(
      panel, 48, 255,
      [&](TkvIterationData&) {
        Seen s;
        s.cover = ow->WindowHandle();
        s.parent = GetParent(s.cover);
        s.visible = IsWindowVisible(s.cover);
        s.topChild = GetWindow(form->Handle(), GW_CHILD);
        GetWindowRect(ow->WindowHandle(), &s.rect);
        seen.push_back(s);
      },
      atcFade);
  ASSERT_EQ(seen.size(), CoverShowFrames(atcFade, 48, 96).size());
  for (const Seen& s : seen) {
    EXPECT_EQ(s.parent, form->Handle());
    EXPECT_EQ(s.topChild, s.cover) << "in front of the control's siblings";
    EXPECT_TRUE(s.visible);
    EXPECT_EQ(s.rect.left, pr.left);
    EXPECT_EQ(s.rect.top, pr.top);
    EXPECT_EQ(s.rect.right, pr.right);
    EXPECT_EQ(s.rect.bottom, pr.bottom);
  }
  EXPECT_EQ(ow, nullptr);
  EXPECT_FALSE(InAnimationProcess);
}

// A time too short for a frame only redraws the form.
TEST_F(FormShow, WithoutFramesTheFormIsOnlyRedrawn) {
  ChangeBehindLockedRedraw(form, clRed, clBlue);
  NoLayeredWindows noLayers;
  int frames = 0;
  AnimShowControl(
      form, 23, 255, [&](TkvIterationData&) { ++frames; }, atcFade);
  EXPECT_EQ(frames, 0);
  EXPECT_EQ(clock.readings, 0);
  EXPECT_EQ(ow, nullptr);
  EXPECT_TRUE(GetWindowLongW(form->Handle(), GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(InAnimationProcess);
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
