// The window tests' fixture: a form of their own application, 300 x 200 at (100, 100) where
// its bounds place it, not shown yet. The test needs a display (Xvfb); the application, and
// with it the form, goes at the end of each test. A fixture that wants the form elsewhere, or
// placed by its Position, calls MakeForm from its own SetUp instead.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

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

// Handles the messages waiting now; with ms, keeps doing so for that long.
inline void PumpMessages(int ms = 0) {
  DWORD end = GetTickCount() + static_cast<DWORD>(ms);
  do {
    Application->ProcessMessages();
    if (ms) Sleep(5);
  } while (ms && static_cast<int>(end - GetTickCount()) > 0);
}

// Hooks a control's WindowProc, passes every message on and keeps the library's own ones
// (CM_ and CN_); unhooks when it goes.
class TMessageRecorder : public TObject {
 public:
  explicit TMessageRecorder(TControl* c) : control(c), old(c->WindowProc()) {
    c->SetWindowProc(TWndMethod(this, &TMessageRecorder::Proc));
  }
  ~TMessageRecorder() override {
    if (control->WindowProc() == TWndMethod(this, &TMessageRecorder::Proc)) control->SetWindowProc(old);
  }
  void Proc(TMessage& m) {
    if (m.Msg >= CM_BASE) seen.push_back(m);
    old(m);
  }
  std::vector<TMessage> Of(Cardinal msg) const {
    std::vector<TMessage> out;
    for (const TMessage& m : seen)
      if (m.Msg == msg) out.push_back(m);
    return out;
  }
  TControl* control;
  TWndMethod old;
  std::vector<TMessage> seen;
};
