// The fixture of the painting wrappers' tests: a form of its own application, a small skin made
// here whose sections are flat colours and whose images are flat colours per state picture (so
// every expected pixel is known), wrapping of raw windows and class-library controls with that
// skin, and reading a window's painting back through WM_PRINT into a 32-bit bitmap.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "base/sMessages.h"
#include "skin/sCommonData.h"
#include "support/FormFixture.h"
#include "support/GdiTracker.h"
#include "support/SkinFixture.h"
#include "support/UserTracker.h"
#include "ui/Bitmap.h"
#include "ui/Canvas.h"
#include "wrappers/kvSBUtils.h"

// A window-sized 32-bit bitmap and the DC that draws on it; reading a pixel waits for GDI.
struct Capture {
  Capture(Integer w, Integer h) : bmp(w, h, pf32bit), dc(bmp.Canvas()->Handle()) {}
  TColor At(Integer x, Integer y) const { return bmp.PixelColor(x, y) & 0xFFFFFF; }
  TBitmap bmp;
  HDC dc;
};

class ControlSkin : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    kvSBUtilsStartup();  // the scroll-bar functions the engine's start-up binds
    skin.Manager.Palette[pcMainColor] = kParent;
  }
  void TearDown() override {
    for (HWND w : windows)
      if (IsWindow(w)) DestroyWindow(w);
    FormTest::TearDown();
  }
  // A flat section of `states` looks, look i coloured colors[i] (the last repeats).
  Integer Section(const char16_t* name, std::vector<TColor> colors, Integer states = 3) {
    TsGeneralData s = PlainSection(name, 0, colors[0], states);
    for (size_t i = 0; i < s.Props.size(); ++i) {
      s.Props[i].Color = Integer(colors[std::min(i, colors.size() - 1)]);
      s.Props[i].FontColor.Color = Integer(kText);
    }
    const Integer index = skin.AddSection(s);
    skin.Data->Reindex();
    return index;
  }
  // An image of `states` pictures w x h, picture i filled with colors[i], placed in the master
  // bitmap after the previous ones.
  Integer Image(Integer w, Integer h, std::vector<TColor> colors) {
    const Integer states = Integer(colors.size());
    if (nextX + w * states > skin.Master->Width()) {
      nextX = 0;
      nextY += rowHeight;
      rowHeight = 0;
    }
    const Integer index = skin.AddImage(TRect(nextX, nextY, nextX + w * states, nextY + h), states, 0);
    for (Integer i = 0; i < states; ++i) skin.Fill(index, i, Pixel(colors[size_t(i)]));
    nextX += w * states;
    rowHeight = std::max(rowHeight, h);
    return index;
  }
  // The image as an image of a section (found by name and key). A border image also becomes the
  // section's border, as the skin loader links it: the painters read the border from the section.
  void Attach(Integer section, const char16_t* key, Integer image) {
    skin.Image(image).SkinIndex = section;
    skin.Image(image).PropertyName = key;
    skin.Image(image).ClassName = skin.Section(section).ClassName;
    if (String(key) == u"BORDERSMASK") skin.Section(section).BorderIndex = image;
    skin.Data->Reindex();
  }
  static uint32_t Pixel(TColor c) {
    return 0xFF000000u | (uint32_t(c & 0xFF) << 16) | (uint32_t(c & 0xFF00)) | (uint32_t(c >> 16) & 0xFF);
  }
  // A raw child window of the form.
  HWND Child(const wchar_t* cls, const wchar_t* text, DWORD style, Integer x, Integer y, Integer w, Integer h,
             DWORD exStyle = 0) {
    HWND wnd = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, form->Handle(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(wnd, nullptr) << GetLastError();
    windows.push_back(wnd);
    return wnd;
  }
  // Wraps a window (a class-library control's when ctrl is given) with a wrapper of class W
  // painting from the fixture's skin.
  template <class W>
  W* Wrap(HWND wnd, TControl* ctrl = nullptr, const String& section = String()) {
    TkvSkinParams params;
    params.Control = ctrl;
    params.SkinSection = section;
    params.UseSkinColor = params.UseSkinFontColor = true;
    W* w = TkvMainWnd::MakeWrapper<W>(wnd, nullptr, &skin.Manager, params, false);
    w->SkinData->SetSkinManager(&skin.Manager);
    w->SkinData->UpdateIndexes(true);
    return w;
  }
  template <class W>
  void Unwrap(HWND wnd, W*& w) {
    TkvMainWnd* base = w;
    UninitializeKVWnd(wnd, true, false, base);
    w = nullptr;
  }
  // The window's painting as WM_PRINT gives it.
  static void Print(HWND wnd, Capture& cap, LPARAM flags = PRF_CLIENT) {
    SendMessageW(wnd, WM_PRINT, reinterpret_cast<WPARAM>(cap.dc), flags);
  }
  // The window's pixels as they are on the screen.
  static void Grab(HWND wnd, Capture& cap) {
    RECT r{};
    GetWindowRect(wnd, &r);
    HDC wdc = GetWindowDC(wnd);
    BitBlt(cap.dc, 0, 0, r.right - r.left, r.bottom - r.top, wdc, 0, 0, SRCCOPY);
    ReleaseDC(wnd, wdc);
  }
  static void Pump() {
    MSG m;
    for (int i = 0; i < 50 && PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE); ++i) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }

  // Runs cycle n times (after a few warm-up rounds) and expects every GDI object, menu, image
  // list and window made meanwhile to be gone again.
  template <class F>
  static void ExpectNoLeaks(F cycle, int n = 1000) {
    for (int i = 0; i < 3; ++i) cycle();
    const int windowsBefore = UserTracker::ThreadWindowCount();
    GdiTracker gdi;
    UserTracker user;
    ASSERT_TRUE(gdi.Active());
    for (int i = 0; i < n; ++i) cycle();
    EXPECT_GT(gdi.Created(), 0);  // the cycle made and freed handles
    const auto live = gdi.Live();
    EXPECT_TRUE(live.empty()) << live.size() << " GDI objects, first " << (live.empty() ? "" : live[0]);
    EXPECT_TRUE(user.Live().empty());
    EXPECT_EQ(UserTracker::ThreadWindowCount(), windowsBefore);
  }

  static constexpr TColor kParent = 0x404040, kText = 0x00FFFF;
  SkinFixture skin{256, 256};
  std::vector<HWND> windows;
  Integer nextX = 0, nextY = 0, rowHeight = 0;
};
