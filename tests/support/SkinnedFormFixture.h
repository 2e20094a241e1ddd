// A form over a small synthetic skin, for tests of skinned controls: the application, the skin
// fixture (its manager the default one, active) and a white 320 x 200 form at (100, 100), not
// shown yet. The test adds its sections to skin and gives its controls their section indexes
// after the form has shown (showing looks the sections up again). Needs a display (Xvfb).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "support/SkinFixture.h"
#include "ui/Forms.h"

class SkinnedFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    app = std::make_unique<TApplication>();
    skin = std::make_unique<SkinFixture>();
    form = new TForm(app.get());
    form->AfterConstruction();
    form->SetBounds(100, 100, 320, 200);
    form->SetColor(clWhite);
  }
  void TearDown() override {
    app.reset();
    skin.reset();
  }
  static void Pump() {
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
  }
  // The client rectangle of a window in its window's coordinates.
  static TRect ClientInWindow(HWND wnd) {
    RECT window{}, client{};
    GetWindowRect(wnd, &window);
    GetClientRect(wnd, &client);
    POINT origin{0, 0};
    ClientToScreen(wnd, &origin);
    return TRect(origin.x - window.left, origin.y - window.top, origin.x - window.left + client.right,
                 origin.y - window.top + client.bottom);
  }

  std::unique_ptr<TApplication> app;
  std::unique_ptr<SkinFixture> skin;
  TForm* form = nullptr;
};
