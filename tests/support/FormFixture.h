// The window tests' fixture: a form of their own application, 300 x 200 at (100, 100) where
// its bounds place it, not shown yet. The test needs a display (Xvfb); the application, and
// with it the form, goes at the end of each test. A fixture that wants the form elsewhere, or
// placed by its Position, calls MakeForm from its own SetUp instead. LoadForm reads a form
// description ("object Name: TForm ... end") into the form; Find gives a component of it.
//
// Input as a user gives it, through the system (SendInput): ClickAt, PressKey, TypeText. The
// window under the point (or the focused one) gets it; the test shows its form first.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ui/FormReader.h"
#include "ui/Forms.h"
#include "ui/Streams.h"

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

  // Reads a description of the form (its classes are the library's).
  void LoadForm(StringView description) {
    RegisterLibraryClasses();
    ReadComponentText(form, description);
  }
  // The form's component of that name, as T; fails the test when there is none of that class.
  template <class T>
  T* Find(StringView name) {
    T* c = dynamic_cast<T*>(form->FindComponent(name));
    EXPECT_NE(c, nullptr) << "no component of that class";
    return c;
  }
  // Shows the form in front, ready for input.
  void ShowInFront() {
    form->Show();
    SetForegroundWindow(form->Handle());
    form->Update();
    Application->ProcessMessages();
  }

  std::unique_ptr<TApplication> app;
  TForm* form = nullptr;
};

// Bytes as a description writes binary data: hexadecimal digits, for "Name = {...}".
inline String DescriptionBytes(TMemoryStream& data) {
  static const char16_t kDigits[] = u"0123456789ABCDEF";
  String hex;
  for (Integer i = 0; i < static_cast<Integer>(data.GetSize()); ++i) {
    hex += kDigits[data.Memory()[i] >> 4];
    hex += kDigits[data.Memory()[i] & 15];
  }
  return hex;
}

// A mouse click (or double click) at a screen point, as the user gives it.
inline void ClickAt(TPoint screen, bool doubleClick = false, bool right = false) {
  SetCursorPos(screen.X, screen.Y);
  INPUT in[4]{};
  for (INPUT& i : in) i.type = INPUT_MOUSE;
  in[0].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
  in[2] = in[0];
  in[3] = in[1];
  SendInput(doubleClick ? 4 : 2, in, sizeof(INPUT));
}

// A key pressed and let go (with Shift, Ctrl or Alt held when asked).
inline void PressKey(WORD vk, bool shift = false, bool ctrl = false, bool alt = false) {
  std::vector<INPUT> in;
  auto key = [&](WORD k, bool up) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = k;
    i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    in.push_back(i);
  };
  if (shift) key(VK_SHIFT, false);
  if (ctrl) key(VK_CONTROL, false);
  if (alt) key(VK_MENU, false);
  key(vk, false);
  key(vk, true);
  if (alt) key(VK_MENU, true);
  if (ctrl) key(VK_CONTROL, true);
  if (shift) key(VK_SHIFT, true);
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

// Characters typed into the focused window.
inline void TypeText(StringView text) {
  std::vector<INPUT> in;
  for (Char c : text)
    for (bool up : {false, true}) {
      INPUT i{};
      i.type = INPUT_KEYBOARD;
      i.ki.wScan = c;
      i.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
      in.push_back(i);
    }
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

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
