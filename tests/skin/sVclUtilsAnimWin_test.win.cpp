// The layered show and hide animations of a real form under Xvfb: what each frame hands to
// UpdateLayeredWindow, and the state when the run ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/kvntTypes.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/Resampling.h"
#include "raster/kvgpUtils.h"
#include "skin/sVclUtils.h"
#include "support/Bitmap32.h"
#include "support/GdiTracker.h"
#include "support/LayeredCalls.h"
#include "ui/Canvas.h"
#include "ui/Forms.h"
#include "ui/Hints.h"

namespace {

// Every UpdateLayeredWindow call of a test, as the program made it.
std::vector<layered::UpdateCall>& calls = layered::updates;

struct LayeredAnimation : ::testing::Test {
  void SetUp() override {
    kvgpUtilsStartup();
    app = std::make_unique<TApplication>();
    // The layered-window functions are bound once more, this time to the recorder.
    recorder = std::make_unique<layered::LayeredCalls>();
    form = new TForm(app.get());
    form->AfterConstruction();
    form->SetBounds(100, 80, 160, 120);
    form->SetColor(clBlue);
  }
  void TearDown() override {
    recorder.reset();
    app.reset();
  }
  // The form's own picture, drawn by the class library.
  std::unique_ptr<TBitmap> Picture() {
    RECT wr;
    GetWindowRect(form->Handle(), &wr);
    std::unique_ptr<TBitmap> pic(CreateBmp32(wr.right - wr.left, wr.bottom - wr.top));
    form->PaintTo(pic->Canvas()->Handle(), 0, 0);
    FillAlphaRect(pic.get(), TRect(0, 0, pic->Width(), pic->Height()), 255, clNone);
    return pic;
  }
  TkvGlowForm* NewLayered() {
    auto* glow = new TkvGlowForm(app.get());
    glow->AfterConstruction();
    glow->HandleNeeded();
    return glow;
  }
  std::unique_ptr<TApplication> app;
  std::unique_ptr<layered::LayeredCalls> recorder;
  TForm* form = nullptr;
};

}  // namespace

TEST_F(LayeredAnimation, ShowOfAFormFadesItsPictureInAndEndsWithTheWholePicture) {
  std::unique_ptr<TBitmap> pic = Picture();
  TkvGlowForm* glow = NewLayered();
  RECT wr;
  GetWindowRect(form->Handle(), &wr);
  AnimShowLayered(glow, pic.get(), TPoint(wr.left, wr.top), 120, 255, atFading, false, nullptr);
  const auto schedule = ShowSchedule(atFading, pic->Width(), pic->Height(), 120, 255, false);
  ASSERT_EQ(calls.size(), 1 + schedule.size() + 1);  // loaded, 11 frames, the final one
  // Loaded with the whole picture, placed where the form is, before any frame.
  EXPECT_EQ(calls.front().alpha, 0);
  EXPECT_EQ(calls.front().pixels, PixelsOf(pic.get()));
  ASSERT_TRUE(calls.front().hasPos);
  EXPECT_EQ(calls.front().pos.x, wr.left);
  EXPECT_EQ(calls.front().pos.y, wr.top);
  for (size_t i = 0; i < schedule.size(); ++i) {
    const layered::UpdateCall& c = calls[1 + i];
    EXPECT_EQ(c.wnd, glow->Handle());
    EXPECT_EQ(c.alpha, schedule[i].Alpha) << i;
    EXPECT_EQ(c.size.cx, pic->Width());
    EXPECT_EQ(c.pixels, PixelsOf(pic.get())) << i;  // fading: the whole picture every frame
  }
  const layered::UpdateCall& last = calls.back();
  EXPECT_EQ(last.alpha, 255);
  ASSERT_TRUE(last.hasPos);
  EXPECT_EQ(last.pos.x, wr.left);
  EXPECT_EQ(last.pos.y, wr.top);
  EXPECT_EQ(last.pixels, PixelsOf(pic.get()));
  EXPECT_TRUE(IsWindowVisible(glow->Handle()));
  EXPECT_TRUE(GetWindowLongW(glow->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
  RECT gr;
  GetWindowRect(glow->Handle(), &gr);
  EXPECT_EQ(gr.left, wr.left);
  EXPECT_EQ(gr.top, wr.top);
  // The form is revealed under the layered window at opacity 0, which then goes.
  EXPECT_TRUE(DoLayered(form->Handle(), true, 0));
  ShowWindow(form->Handle(), SW_SHOWNOACTIVATE);
  glow->Free();
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

TEST_F(LayeredAnimation, AeroShowGrowsTheStretchedPicture) {
  std::unique_ptr<TBitmap> pic = Picture();
  TkvGlowForm* glow = NewLayered();
  AnimShowLayered(glow, pic.get(), TPoint(100, 80), 48, 200, atAero, true, nullptr);
  ASSERT_EQ(calls.size(), 1u + 5 + 1);
  // Frame 0: the picture inset by 1/32 on each side, transparent black around it.
  const layered::UpdateCall& first = calls[1];
  const Integer w = pic->Width(), h = pic->Height();
  EXPECT_EQ(first.alpha, 40);  // a dialog's 200 / (4 + 1)
  EXPECT_EQ(first.pixels[0], 0u);
  EXPECT_NE(first.pixels[size_t(h / 2) * w + w / 2], 0u);
  EXPECT_EQ(calls.back().alpha, 200);
  glow->Free();
}

TEST_F(LayeredAnimation, HideOfAFormFadesItOutAndFreesWindowAndPicture) {
  TkvGlowForm* glow = NewLayered();
  const HWND glowWnd = glow->Handle();
  std::unique_ptr<TBitmap> formPicture = Picture();
  const std::vector<uint32_t> picPixels = PixelsOf(formPicture.get());
  GdiTracker tracker;
  ASSERT_TRUE(tracker.Active());
  // The picture handed over is made inside the tracker, so its freeing shows.
  TBitmap* pic = CreateBmp32(formPicture->Width(), formPicture->Height());
  CopyPixels(ViewOf(pic), 0, 0, ViewOf(formPicture.get()), TRect(0, 0, pic->Width(), pic->Height()));
  pic->Canvas()->Handle();
  HideAnimForm(glow, pic, 60, 250, atFading, form);
  EXPECT_EQ(glow, nullptr);
  EXPECT_FALSE(IsWindow(glowWnd));
  const auto schedule = HideSchedule(atFading, 0, 0, 60, 250);
  ASSERT_EQ(calls.size(), 1 + schedule.size());  // loaded whole at the start value, then the run
  EXPECT_EQ(calls[0].alpha, 250);
  EXPECT_EQ(calls[0].pixels, picPixels);
  for (size_t i = 0; i < schedule.size(); ++i) {
    EXPECT_EQ(calls[1 + i].alpha, schedule[i].Alpha) << i;
    EXPECT_EQ(calls[1 + i].pixels, picPixels) << i;
  }
  EXPECT_EQ(calls.back().alpha, 0);
  EXPECT_EQ(kvHideTimer->Form, nullptr);
  EXPECT_EQ(kvHideTimer->SrcBmp, nullptr);
  EXPECT_EQ(kvHideTimer->DstBmp, nullptr);
  EXPECT_TRUE(tracker.Live().empty()) << tracker.Live().front();
}

TEST_F(LayeredAnimation, DropDownHideRollsUpAtFullOpacity) {
  TkvGlowForm* glow = NewLayered();
  TBitmap* pic = Picture().release();
  HideAnimForm(glow, pic, 120, 255, atDropDown, nullptr);
  EXPECT_EQ(glow, nullptr);
  ASSERT_GE(calls.size(), 3u);
  for (const auto& c : calls) EXPECT_EQ(c.alpha, 255);
  // A rolled-up frame is transparent at its bottom.
  const layered::UpdateCall& late = calls.back();
  EXPECT_EQ(late.pixels.back() >> 24, 0u);
}

TEST_F(LayeredAnimation, HideWithoutTimeFreesThePictureAndKeepsTheWindow) {
  TkvGlowForm* glow = NewLayered();
  {
    GdiTracker tracker;
    ASSERT_TRUE(tracker.Active());
    TBitmap* pic = CreateBmp32(40, 30);
    pic->Canvas()->Handle();
    HideAnimForm(glow, pic, 0, 255, atFading, nullptr);
    EXPECT_TRUE(tracker.Live().empty()) << tracker.Live().front();
  }
  EXPECT_NE(glow, nullptr);
  EXPECT_TRUE(calls.empty());
  glow->Free();
}

TEST_F(LayeredAnimation, DoLayeredAddsTheStyleOrHidesTheWindow) {
  const HWND wnd = form->Handle();
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  EXPECT_TRUE(DoLayered(wnd, true, 128));
  EXPECT_FALSE(DoLayered(wnd, true, 255));  // already layered
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(wnd, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 255);
  EXPECT_FALSE(DoLayered(wnd, false, 0));
  EXPECT_FALSE(GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_FALSE(GetWindowLongW(wnd, GWL_STYLE) & WS_VISIBLE);
}

TEST_F(LayeredAnimation, PlainHintWindowNearThePointInsideTheWorkArea) {
  EXPECT_EQ(kvShowHintWnd(u"", TPoint(100, 100)), nullptr);
  std::unique_ptr<THintWindow> hint(kvShowHintWnd(u"Downloading", TPoint(100, 100)));
  ASSERT_NE(hint, nullptr);
  const HWND wnd = hint->Handle();
  EXPECT_TRUE(IsWindowVisible(wnd));
  EXPECT_TRUE(GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT r;
  GetWindowRect(wnd, &r);
  EXPECT_EQ(r.left, 108);
  EXPECT_EQ(r.top, 116);
  const TRect work = kvWorkRect(TPoint(100, 100));
  std::unique_ptr<THintWindow> corner(kvShowHintWnd(u"Downloading", TPoint(work.Right - 2, work.Bottom - 2)));
  GetWindowRect(corner->Handle(), &r);
  EXPECT_LE(r.right, work.Right);
  EXPECT_LE(r.bottom, work.Bottom + 4);  // the 4 pixels added below the text
  EXPECT_GT(r.left, work.Right - 200);
}
