// The minimize and restore flight of a skinned form, frame by frame on a clock the test steps:
// what each frame hands to UpdateLayeredWindow (place, size, alpha, pixels), how the flight ends,
// the restore that starts one pixel from home, and the target that never asks the taskbar's
// process.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "base/Composition.h"
#include "base/sConst.h"
#include "forms/sSkinProviderMotion.h"
#include "support/FormSkin.h"
#include "support/ImportHook.h"
#include "support/LayeredCalls.h"
#include "support/ManualTimerDriver.h"
#include "support/MinimizeFlight.h"
#include "ui/Menus.h"

using namespace formskin;
using layered::LayeredCalls;

namespace {

LRESULT CALLBACK PlainProc(HWND h, UINT msg, WPARAM w, LPARAM l) { return DefWindowProcW(h, msg, w, l); }

using taskbarwnd::Taskbar;

class Minimize : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    flight.emplace(skin->skin.Manager);
    Prepare();
    Skin();
    ShowForm();
    taskbar = std::make_unique<Taskbar>();
  }
  // What a fixture sets up before the form is skinned.
  virtual void Prepare() {}
  void TearDown() override {
    taskbar.reset();
    SkinnedForm::TearDown();
    flight.reset();
  }
  TRect FormRect() {
    RECT r{};
    GetWindowRect(form->Handle(), &r);
    return TRect(r.left, r.top, r.right, r.bottom);
  }
  TkvMinTimer* Timer() { return dynamic_cast<TkvMinTimer*>(sp->FormTimer.get()); }
  bool Layered() { return GetWindowLongW(form->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED; }
  // Steps the timer until it stops; the number of ticks.
  int RunOut(TkvMinTimer* t) {
    int ticks = 0;
    while (t->Enabled() && ticks < 1000) {
      t->OnTimer2(nullptr);
      ++ticks;
    }
    return ticks;
  }

  std::unique_ptr<Taskbar> taskbar;
  std::optional<taskbarwnd::MinimizeFlight> flight;
};

}  // namespace

TEST_F(Minimize, ThePictureFliesShrinkingAndFadingToTheTaskbar) {
  LayeredCalls rec;
  const TRect from = FormRect();
  // The client keeps the pixels it had (the frame is repainted active when it was not).
  const uint32_t client = RgbOfColor(sp->FormActive ? kClientActive : kClientInactive);
  ASSERT_TRUE(sp->StartMinimizing());
  TkvMinTimer* t = Timer();
  ASSERT_NE(t, nullptr);
  EXPECT_TRUE(t->Enabled());
  EXPECT_EQ(t->Interval(), 6u);
  EXPECT_TRUE(sp->FormState() & FS_ANIMMINIMIZING);
  // The form itself is transparent meanwhile.
  EXPECT_TRUE(Layered());
  ASSERT_FALSE(LayeredCalls::AlphasOf(form->Handle()).empty());
  EXPECT_EQ(LayeredCalls::AlphasOf(form->Handle()).back(), 0);
  ASSERT_NE(t->AnimForm, nullptr);
  const HWND anim = t->AnimForm->Handle();

  TkvMinMotion expected;
  InitMinimize(expected, from, TaskbarFallbackRect(from, taskbar->Rect()), 60, 63);
  layered::updates.clear();
  for (int frame = 1; frame <= 9; ++frame) {
    t->OnTimer2(nullptr);
    const bool last = MinimizeStep(expected);
    EXPECT_EQ(last, frame == 9);
    const auto shown = LayeredCalls::UpdatesOf(anim);
    ASSERT_EQ(shown.size(), size_t(frame)) << frame;
    const layered::UpdateCall& c = shown.back();
    EXPECT_EQ(c.alpha, 63 - 7 * frame) << frame;  // a quarter of the form's alpha, down by 7
    ASSERT_TRUE(c.hasPos);
    EXPECT_EQ(c.pos.x, MotionTopLeft(expected).X) << frame;
    EXPECT_EQ(c.pos.y, MotionTopLeft(expected).Y) << frame;
    EXPECT_EQ(c.size.cx, from.Width());
    EXPECT_EQ(c.size.cy, from.Height());
    const TSize s = MotionSize(expected);
    ASSERT_EQ(c.pixels.size(), size_t(from.Width()) * from.Height());
    if (last) {
      for (uint32_t p : c.pixels) ASSERT_EQ(p, 0u);  // the last frame shows nothing
      break;
    }
    // The stretched picture in the top-left corner, transparent black around it.
    size_t outsideLit = 0;
    for (Integer y = 0; y < from.Height(); ++y)
      for (Integer x = 0; x < from.Width(); ++x)
        if ((x >= s.cx || y >= s.cy) && c.pixels[size_t(y) * from.Width() + x] != 0) ++outsideLit;
    EXPECT_EQ(outsideLit, 0u) << frame;
    const uint32_t centre = c.pixels[size_t(s.cy / 2) * from.Width() + s.cx / 2];
    EXPECT_EQ(centre & 0xFFFFFF, client) << frame;
    EXPECT_EQ(centre >> 24, 0xFFu) << frame;
  }
  EXPECT_FALSE(t->Enabled());
  EXPECT_TRUE(t->Minimized);
  EXPECT_FALSE(sp->FormState() & FS_ANIMMINIMIZING);
  EXPECT_FALSE(Layered());
  EXPECT_FALSE(IsWindowVisible(anim));  // kept hidden for the restore
}

namespace {

struct RestoreCounter {
  void Restored(TObject*) { ++count; }
  int count = 0;
};

}  // namespace

TEST_F(Minimize, TheRestoreFliesBackAndGivesTheFormItsWindow) {
  ASSERT_TRUE(sp->StartMinimizing());
  TkvMinTimer* t = Timer();
  ASSERT_NE(t, nullptr);
  RunOut(t);
  const TRect from = FormRect();
  LayeredCalls rec;
  RestoreCounter restored;
  Application->SetOnRestore(TNotifyEvent(&restored, &RestoreCounter::Restored));
  const HWND anim = t->AnimForm->Handle();
  ASSERT_TRUE(sp->StartRestoring());
  EXPECT_TRUE(sp->FormState() & FS_ANIMRESTORING);
  EXPECT_EQ(restored.count, 0);
  const int frames = 1 + RunOut(t);  // the first frame runs at once
  Application->SetOnRestore(nullptr);
  EXPECT_EQ(frames, 11);
  // The application hears of it once, when the picture is home.
  EXPECT_EQ(restored.count, 1);
  EXPECT_FALSE(sp->FormState() & FS_ANIMRESTORING);
  EXPECT_FALSE(t->Minimized);
  EXPECT_EQ(t->AnimForm, nullptr);
  EXPECT_FALSE(Layered());
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  // The first frame starts below the target, nearly transparent; the last is the whole picture
  // at the form's place.
  const auto shown = LayeredCalls::UpdatesOf(anim);
  ASSERT_GE(shown.size(), 2u);
  // 255 - 254 / 255^(1/11), rounded.
  EXPECT_EQ(shown.front().alpha, 102);
  EXPECT_GT(shown.front().pos.y, from.Top);
  for (size_t i = 1; i < shown.size(); ++i) EXPECT_GE(shown[i].alpha, shown[i - 1].alpha) << i;
  EXPECT_EQ(shown.back().alpha, 255);
  EXPECT_EQ(shown.back().pos.x, from.Left);
  EXPECT_EQ(shown.back().pos.y, from.Top);
}

TEST_F(Minimize, ARestoreStartingOnePixelFromHomeEnds) {
  ASSERT_TRUE(sp->StartMinimizing());
  TkvMinTimer* t = Timer();
  ASSERT_NE(t, nullptr);
  RunOut(t);
  // A target 4 px to the right: the restore starts a quarter of that, 1 px, from home, where
  // dividing the distance by the step divisor (1) never shrinks it.
  const TRect from = t->Motion.RectFrom;
  t->Motion.RectTo = TRect(from.Left + 4, from.Top + 400, from.Left + 4 + 200, from.Top + 550);
  ASSERT_TRUE(sp->StartRestoring());
  EXPECT_EQ(1 + RunOut(t), 11);
  EXPECT_FALSE(t->Enabled());
  EXPECT_FALSE(Layered());
  EXPECT_FALSE(sp->FormState() & FS_ANIMRESTORING);
}

TEST_F(Minimize, AFormWithItsOwnAlphaEndsTheRestoreAtThatAlpha) {
  form->SetAlphaBlend(true);
  form->SetAlphaBlendValue(200);
  Application->ProcessMessages();
  ASSERT_TRUE(sp->StartMinimizing());
  TkvMinTimer* t = Timer();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->AlphaFrom(), 50);  // a quarter of 200
  RunOut(t);
  LayeredCalls rec;
  ASSERT_TRUE(sp->StartRestoring());
  RunOut(t);
  ASSERT_FALSE(LayeredCalls::AlphasOf(form->Handle()).empty());
  EXPECT_EQ(LayeredCalls::AlphasOf(form->Handle()).back(), 200);
  EXPECT_TRUE(Layered());
}

TEST_F(Minimize, AVeryShortTimeRunsItsOneStepAtOnce) {
  skin->skin.Manager.AnimEffects.Minimizing.Time = 6;
  ASSERT_TRUE(sp->StartMinimizing());
  TkvMinTimer* t = Timer();
  ASSERT_NE(t, nullptr);
  EXPECT_FALSE(t->Enabled());
  EXPECT_TRUE(t->Minimized);
  EXPECT_FALSE(sp->FormState() & FS_ANIMMINIMIZING);
}

TEST_F(Minimize, WithoutCompositionOnNewerSystemsNothingFlies) {
  iAeroStatus = 0;
  EXPECT_FALSE(sp->StartMinimizing());
  EXPECT_EQ(Timer(), nullptr);
  EXPECT_FALSE(Layered());
}

namespace {

int taskbarQueries = 0;
WNDPROC toolbarProc = nullptr;
LRESULT CALLBACK CountingToolbar(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == TB_BUTTONCOUNT || msg == TB_GETBUTTON || msg == TB_GETITEMRECT) ++taskbarQueries;
  return CallWindowProcW(toolbarProc, h, msg, w, l);
}

}  // namespace

TEST_F(Minimize, TheTargetComesFromTheTaskbarWindowWithoutAskingItsButtons) {
  ASSERT_TRUE(sp->StartMinimizing());
  TkvMinTimer* t = Timer();
  ASSERT_NE(t, nullptr);
  iAeroStatus = 0;  // the case in which the buttons used to be read
  // The taskbar's window chain down to a button list with a button for this program (the
  // chain is found by class names: plain windows stand for the bands).
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSW wc{};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  for (const wchar_t* name : {L"ReBarWindow32", L"MSTaskSwWClass"}) {
    wc.lpszClassName = name;
    RegisterClassW(&wc);
  }
  HWND rebar =
      CreateWindowExW(0, L"ReBarWindow32", L"", WS_CHILD, 0, 0, 100, 40, taskbar->wnd, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(rebar, nullptr);
  HWND sw = CreateWindowExW(0, L"MSTaskSwWClass", L"", WS_CHILD, 0, 0, 100, 40, rebar, nullptr, wc.hInstance, nullptr);
  HWND toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", WS_CHILD, 0, 0, 100, 40, sw, nullptr, nullptr, nullptr);
  ASSERT_NE(toolbar, nullptr);
  SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  TBBUTTON button{};
  button.iBitmap = I_IMAGENONE;
  button.fsState = TBSTATE_ENABLED;
  button.dwData = reinterpret_cast<DWORD_PTR>(form->Handle());
  SendMessageW(toolbar, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
  taskbarQueries = 0;
  toolbarProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(toolbar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingToolbar)));
  const TRect from = FormRect();
  EXPECT_EQ(t->GetRectTo(from), TaskbarFallbackRect(from, taskbar->Rect()));
  EXPECT_EQ(taskbarQueries, 0);
  DestroyWindow(rebar);
}

// ---- With an outer border ----------------------------------------------------------------------

namespace {

constexpr TRect kShadow(10, 8, 12, 14);

std::unique_ptr<TBitmap> ShadowTemplate() {
  auto bmp = std::make_unique<TBitmap>(7, 7, pf32bit);
  TPixelView v = bmp->View();
  for (Integer y = 0; y < 7; ++y)
    for (Integer x = 0; x < 7; ++x) v.At(x, y) = 0x80000000u;
  return bmp;
}

// A form whose skin draws extended borders: the border window flies the picture.
class MinimizeBordered : public Minimize {
 protected:
  void Prepare() override {
    skin->skin.Manager.SetExtendedBorders(true);
    TkvSkinData& d = *skin->skin.Data;
    d.ExTitleHeight = 30;
    d.ExBorderWidth = 4;
    d.FormShadowSize = kShadow;
    d.ShdaTemplate = ShadowTemplate();
    d.ShdiTemplate = ShadowTemplate();
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
  }
  TRect BorderRect(HWND bw) {
    RECT r{};
    GetWindowRect(bw, &r);
    return TRect(r.left, r.top, r.right, r.bottom);
  }
};

}  // namespace

TEST_F(MinimizeBordered, TheBorderWindowFliesToTheTaskbarAndBack) {
  ASSERT_TRUE(sp->BorderForm);
  const HWND bw = sp->BorderForm->LayeredWindow();
  ASSERT_TRUE(bw);
  const TRect from = BorderRect(bw);
  const uint32_t client = RgbOfColor(kClientActive);
  LayeredCalls rec;
  ASSERT_TRUE(sp->StartMinimizing());
  TkvMinTimer* t = Timer();
  ASSERT_NE(t, nullptr);
  ASSERT_NE(t->AnimForm, nullptr);
  EXPECT_EQ(t->AnimForm->Handle(), bw);  // no cover of its own
  EXPECT_FALSE(t->AlphaFormWasCreated);
  EXPECT_EQ(t->Motion.RectFrom, from);
  EXPECT_TRUE(sp->BorderForm->ExBorderShowing);
  // The picture is the border window's whole image: shadow margins around the form.
  EXPECT_EQ(t->SavedImage->Width(), from.Width());
  EXPECT_EQ(t->SavedImage->Height(), from.Height());
  EXPECT_EQ(LayeredCalls::AlphasOf(form->Handle()).back(), 0);

  TkvMinMotion expected;
  InitMinimize(expected, from, TaskbarFallbackRect(from, taskbar->Rect()), 60, 63);
  layered::updates.clear();
  for (int frame = 1; frame <= 9; ++frame) {
    t->OnTimer2(nullptr);
    const bool last = MinimizeStep(expected);
    if (last) break;
    const auto shown = LayeredCalls::UpdatesOf(bw);
    ASSERT_EQ(shown.size(), size_t(frame)) << frame;
    const layered::UpdateCall& c = shown.back();
    EXPECT_EQ(c.alpha, 63 - 7 * frame) << frame;
    EXPECT_EQ(c.pos.x, MotionTopLeft(expected).X) << frame;
    EXPECT_EQ(c.pos.y, MotionTopLeft(expected).Y) << frame;
    EXPECT_EQ(c.size.cx, from.Width());
    const TSize s = MotionSize(expected);
    const uint32_t centre = c.pixels[size_t(s.cy / 2) * from.Width() + s.cx / 2];
    EXPECT_EQ(centre & 0xFFFFFF, client) << frame;
    // The shadow's corner is in the picture too (the form's own window has none).
    EXPECT_NE(c.pixels[size_t(1) * from.Width() + 1], 0u) << frame;
  }
  EXPECT_FALSE(t->Enabled());
  EXPECT_TRUE(t->Minimized);
  EXPECT_FALSE(sp->FormState() & FS_ANIMMINIMIZING);
  EXPECT_FALSE(Layered());
  // The window that flew is gone; the border object stays for the restore.
  EXPECT_FALSE(IsWindow(bw));
  ASSERT_TRUE(sp->BorderForm);
  EXPECT_FALSE(sp->BorderForm->ExBorderShowing);

  layered::updates.clear();
  ASSERT_TRUE(sp->StartRestoring());
  const HWND back = sp->BorderForm->LayeredWindow();
  ASSERT_TRUE(back);
  EXPECT_EQ(t->AnimForm->Handle(), back);
  EXPECT_TRUE(sp->BorderForm->ExBorderShowing);
  EXPECT_EQ(1 + RunOut(t), 11);
  EXPECT_FALSE(sp->FormState() & FS_ANIMRESTORING);
  EXPECT_EQ(t->AnimForm, nullptr);
  EXPECT_FALSE(Layered());
  // The border window ends the flight with the whole picture at home and follows the form again.
  const auto shown = LayeredCalls::UpdatesOf(back);
  ASSERT_GE(shown.size(), 2u);
  const auto home = std::find_if(shown.begin(), shown.end(), [&](const layered::UpdateCall& c) {
    return c.alpha == 255 && c.pos.x == from.Left && c.pos.y == from.Top;
  });
  EXPECT_NE(home, shown.end());
  ASSERT_TRUE(sp->BorderForm);
  EXPECT_EQ(sp->BorderForm->LayeredWindow(), back);
  EXPECT_FALSE(sp->BorderForm->ExBorderShowing);
  EXPECT_EQ(BorderRect(back), from);
}

// A form that restores to maximized keeps the system's frame when the manager asks for native
// borders on maximized forms: its border object goes before the restore flies.
TEST_F(MinimizeBordered, ARestoreToMaximizedWithNativeBordersDropsTheBorder) {
  ASSERT_TRUE(sp->BorderForm);
  ASSERT_TRUE(sp->StartMinimizing());
  TkvMinTimer* t = Timer();
  ASSERT_NE(t, nullptr);
  RunOut(t);
  skin->skin.Manager.Options.NativeBordersMaximized = true;
  sp->MaxRestore = true;
  ASSERT_TRUE(sp->StartRestoring());
  EXPECT_FALSE(sp->BorderForm);
  RunOut(t);
  EXPECT_FALSE(sp->FormState() & FS_ANIMRESTORING);
  EXPECT_FALSE(Layered());
  skin->skin.Manager.Options.NativeBordersMaximized = false;
  sp->MaxRestore = false;
}

// A restore asked for while the picture still flies to the taskbar turns the flight round from
// where the picture is: the border window brings it home and follows the form again; a second
// minimize then flies from the form's place once more.
TEST_F(MinimizeBordered, ARestoreStartedWhileTheMinimizeRunsTurnsTheFlightRound) {
  ASSERT_TRUE(sp->BorderForm);
  const HWND bw = sp->BorderForm->LayeredWindow();
  ASSERT_TRUE(bw);
  const TRect from = BorderRect(bw);
  ASSERT_TRUE(sp->StartMinimizing());
  TkvMinTimer* t = Timer();
  ASSERT_NE(t, nullptr);
  for (int frame = 0; frame < 3; ++frame) t->OnTimer2(nullptr);
  ASSERT_TRUE(t->Enabled());
  ASSERT_TRUE(sp->FormState() & FS_ANIMMINIMIZING);
  ASSERT_FALSE(t->Minimized);

  LayeredCalls rec;
  ASSERT_TRUE(sp->StartRestoring());
  EXPECT_FALSE(sp->FormState() & FS_ANIMMINIMIZING);
  EXPECT_TRUE(sp->FormState() & FS_ANIMRESTORING);
  // The border window that was flying is the one that flies back.
  EXPECT_EQ(sp->BorderForm->LayeredWindow(), bw);
  ASSERT_NE(t->AnimForm, nullptr);
  EXPECT_EQ(t->AnimForm->Handle(), bw);
  EXPECT_TRUE(t->Minimized);
  RunOut(t);
  EXPECT_FALSE(t->Enabled());
  EXPECT_FALSE(sp->FormState() & (FS_ANIMRESTORING | FS_ANIMMINIMIZING));
  EXPECT_FALSE(t->Minimized);
  EXPECT_FALSE(Layered());
  EXPECT_FALSE(IsIconic(form->Handle()));
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  // Home: the whole picture at the border window's place, which follows the form again.
  const auto shown = LayeredCalls::UpdatesOf(bw);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().alpha, 255);
  EXPECT_EQ(shown.back().pos.x, from.Left);
  EXPECT_EQ(shown.back().pos.y, from.Top);
  ASSERT_TRUE(sp->BorderForm);
  EXPECT_FALSE(sp->BorderForm->ExBorderShowing);
  EXPECT_EQ(BorderRect(sp->BorderForm->LayeredWindow()), from);

  // Minimized again: the flight starts at the form's place with a fresh picture.
  ASSERT_TRUE(sp->StartMinimizing());
  EXPECT_TRUE(sp->FormState() & FS_ANIMMINIMIZING);
  EXPECT_EQ(t->Motion.RectFrom, from);
  RunOut(t);
  EXPECT_TRUE(t->Minimized);
  EXPECT_FALSE(sp->FormState() & FS_ANIMMINIMIZING);
}

// The caption buttons' glows end when the picture starts to fly: they would stay on the screen
// over the place the form left.
TEST_F(Minimize, StartingTheFlightStopsTheCaptionButtonsGlows) {
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  sp->CalcItems();
  RECT r{};
  GetWindowRect(form->Handle(), &r);
  const TPoint close = Centre(sp->ButtonClose);
  SendMessageW(form->Handle(), WM_NCMOUSEMOVE, HTCLOSE, MAKELPARAM(r.left + close.X, r.top + close.Y));
  ASSERT_NE(sp->ButtonClose.cpTimer, nullptr);
  ASSERT_TRUE(sp->StartMinimizing());
  EXPECT_EQ(sp->ButtonClose.cpTimer, nullptr);
  RunOut(Timer());
}

// ---- The restore's last steps ----------------------------------------------------------------

namespace {

// The waits the code asks for, each with whether the flying picture was on the screen then.
struct Wait {
  DWORD ms;
  bool pictureShown;
};
std::vector<Wait> waits;
HWND flyingPicture = nullptr;
void WINAPI RecordWait(DWORD ms) { waits.push_back({ms, flyingPicture && IsWindowVisible(flyingPicture)}); }

}  // namespace

// A disabled form's layer is made anew from what the screen shows when the picture is home: the
// picture is shown first and given 50 ms to reach the screen.
TEST_F(Minimize, ADisabledFormsRestoreShowsThePictureAndWaitsBeforeItsLayerIsMadeAgain) {
  ASSERT_TRUE(sp->StartMinimizing());
  TkvMinTimer* t = Timer();
  ASSERT_NE(t, nullptr);
  RunOut(t);
  ASSERT_TRUE(sp->StartRestoring());
  ASSERT_NE(t->AnimForm, nullptr);
  flyingPicture = t->AnimForm->Handle();
  sp->SetDisabledBlendValue(128);
  form->SetEnabled(false);
  ASSERT_TRUE(sp->FormState() & FS_DISABLED);
  waits.clear();
  {
    ImportHook hook("kernel32.dll", "Sleep", &RecordWait);
    RunOut(t);
  }
  flyingPicture = nullptr;
  EXPECT_FALSE(sp->FormState() & FS_ANIMRESTORING);
  const bool waited =
      std::any_of(waits.begin(), waits.end(), [](const Wait& w) { return w.ms == 50 && w.pictureShown; });
  EXPECT_TRUE(waited) << waits.size() << " waits";
  // The layer is there again over the restored form.
  EXPECT_NE(sp->LayerForm, nullptr);
  form->SetEnabled(true);
  EXPECT_EQ(sp->LayerForm, nullptr);
}

// A form with a main menu under composition paints its frame anew when the picture is home: the
// menu line of its old picture was drawn before the form was hidden.
TEST_F(Minimize, AFormWithAMainMenuPaintsItsFrameAnewWhenTheRestoreEnds) {
  auto* menu = new TMainMenu(form);
  auto* item = new TMenuItem(form);
  item->SetCaption(u"File");
  menu->Items()->Add(item);
  form->SetMenu(menu);
  Application->ProcessMessages();
  ASSERT_TRUE(sp->StartMinimizing());
  TkvMinTimer* t = Timer();
  ASSERT_NE(t, nullptr);
  RunOut(t);
  ASSERT_TRUE(sp->StartRestoring());
  // A mark in the frame's picture, in the middle of the title: only a repaint takes it away.
  TBitmap* cache = sp->FCommonData->FCacheBmp.get();
  ASSERT_NE(cache, nullptr);
  const TPoint mark(cache->Width() / 2, sp->CaptionHeight(true) / 2);
  const uint32_t marker = 0xFF030201u;
  cache->View().At(mark.X, mark.Y) = marker;
  ASSERT_EQ(cache->View().At(mark.X, mark.Y), marker);
  RunOut(t);
  EXPECT_FALSE(sp->FormState() & FS_ANIMRESTORING);
  cache = sp->FCommonData->FCacheBmp.get();
  ASSERT_NE(cache, nullptr);
  EXPECT_NE(cache->View().At(mark.X, mark.Y), marker);
  form->SetMenu(nullptr);
}
