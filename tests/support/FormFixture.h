// The window tests' fixture: a form of their own application, 300 x 200 at (100, 100) where
// its bounds place it, not shown yet. The test needs a display (Xvfb); the application, and
// with it the form, goes at the end of each test. A fixture that wants the form elsewhere, or
// placed by its Position, calls MakeForm from its own SetUp instead.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "ui/Forms.h"

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(MakeForm(100, 100));
    form->SetPosition(poDesigned);
  }
  void TearDown() override { app.reset(); }
  // Checks for the display, then makes the application and its 300 x 200 form at (left, top).
  void MakeForm(Integer left, Integer top) {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    app = std::make_unique<TApplication>();
    form = new TForm(app.get());
    form->AfterConstruction();
    form->SetBounds(left, top, 300, 200);
  }

  std::unique_ptr<TApplication> app;
  TForm* form = nullptr;
};

// Counts the events it handles (OnClick).
class Clicks : public TObject {
 public:
  int count = 0;
  void Click(TObject*) { ++count; }
};
