// Records of the skin commands (SM_ALPHACMD) that windows receive: a control that records
// every command it is sent, a recorder hooked into a form, and a hooked dialog window of
// kvSupportedList that records too. All write into one log by name.
//
//   SkinCommandLog log;
//   auto* probe = new TCommandProbe(form, "form.ctrl", log);
//   TFormCommandRecorder rec(form, "form", log);
//   ... broadcast ...
//   EXPECT_EQ(log.Count("form.ctrl", KV_SETNEWSKIN), 1u);
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/sMessages.h"
#include "skin/FormServices.h"
#include "ui/Forms.h"

struct SkinCommand {
  Word command;
  Word arg;  // WParam's low word
  intptr_t lParam;
  String text;  // the string LParam points to, for KV_UPDATESECTION
};

class SkinCommandLog {
 public:
  void Add(const std::string& who, const TMessage& m) {
    String text;
    if (m.WParamHi == KV_UPDATESECTION && m.LParam) text = reinterpret_cast<const Char*>(m.LParam);
    byName[who].push_back({m.WParamHi, m.WParamLo, m.LParam, text});
    order.push_back(who + ":" + std::to_string(m.WParamHi));
  }
  size_t Count(const std::string& who, Word command) const {
    auto it = byName.find(who);
    size_t n = 0;
    if (it != byName.end())
      for (const SkinCommand& c : it->second) n += c.command == command;
    return n;
  }
  // The commands of one receiver, in order, without the queries the engine itself asks.
  std::vector<Word> Commands(const std::string& who) const {
    std::vector<Word> out;
    auto it = byName.find(who);
    if (it != byName.end())
      for (const SkinCommand& c : it->second) out.push_back(c.command);
    return out;
  }
  const SkinCommand* Last(const std::string& who, Word command) const {
    auto it = byName.find(who);
    if (it == byName.end()) return nullptr;
    for (auto c = it->second.rbegin(); c != it->second.rend(); ++c)
      if (c->command == command) return &*c;
    return nullptr;
  }
  void Clear() {
    byName.clear();
    order.clear();
  }
  std::map<std::string, std::vector<SkinCommand>> byName;
  std::vector<std::string> order;
};

// The queries the engine asks on its way (is the window skinned, who is its provider) are not
// commands sent to it.
inline bool IsQuery(Word command) { return command == KV_CTRLHANDLED || command == KV_GETPROVIDER; }

// A windowed control with a window of its own that records the skin commands it gets.
class TCommandProbe : public TCustomControl {
 public:
  TCommandProbe(TWinControl* parent, const char* name, SkinCommandLog& log)
      : TCustomControl(parent), name_(name), log_(log) {
    SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
    SetBounds(5, 5, 40, 30);
    SetParent(parent);
    HandleNeeded();  // a control without a window hears a broadcast, but its children do not
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD) {
      if (!IsQuery(m.WParamHi)) log_.Add(name_, m);
      if (onCommand) onCommand(m);
      return;
    }
    TCustomControl::WndProc(m);
  }
  std::function<void(TMessage&)> onCommand;

 private:
  std::string name_;
  SkinCommandLog& log_;
};

// Records the skin commands a form window receives; unhooks when it goes.
class TFormCommandRecorder : public TObject {
 public:
  TFormCommandRecorder(TCustomForm* f, const char* name, SkinCommandLog& log)
      : form(f), name_(name), log_(log), old(f->WindowProc()) {
    f->SetWindowProc(TWndMethod(this, &TFormCommandRecorder::Proc));
  }
  ~TFormCommandRecorder() override {
    if (form->WindowProc() == TWndMethod(this, &TFormCommandRecorder::Proc)) form->SetWindowProc(old);
  }
  void Proc(TMessage& m) {
    if (m.Msg == SM_ALPHACMD && !IsQuery(m.WParamHi)) log_.Add(name_, m);
    old(m);
  }
  TCustomForm* form;

 private:
  std::string name_;
  SkinCommandLog& log_;
  TWndMethod old;
};

// A dialog the thread hook handed to the dialog skinner: a visible (or hidden) popup window
// whose dialog wrapper is itself, recording into the log as "dialog". Entered into
// kvSupportedList (made when missing); destroyed with the object.
class THookedDialog : public TkvHookedWindow {
 public:
  THookedDialog(SkinCommandLog& log, bool visible) {
    CurrentLog() = &log;
    WNDCLASSW wc{};
    wc.lpfnWndProc = &THookedDialog::Proc;
    wc.lpszClassName = L"TwHookedDialog";
    RegisterClassW(&wc);
    ListSW = CreateWindowExW(0, L"TwHookedDialog", L"", WS_POPUP | (visible ? WS_VISIBLE : 0), 600, 100, 60, 40,
                             nullptr, nullptr, nullptr, nullptr);
  }
  ~THookedDialog() override { DestroyWindow(ListSW); }
  HWND DialogWindow() override { return ListSW; }
  HWND ListSW;  // the dialog wrapper's window

 private:
  static SkinCommandLog*& CurrentLog() {
    static SkinCommandLog* log = nullptr;
    return log;
  }
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
    if (msg != SM_ALPHACMD) return DefWindowProcW(wnd, msg, w, l);
    if (CurrentLog() && !IsQuery(HIWORD(w))) {
      TMessage m;
      m.Msg = msg;
      m.WParam = w;
      m.LParam = l;
      m.Result = 0;
      CurrentLog()->Add("dialog", m);
    }
    return 0;
  }
};

// Enters a hooked dialog into kvSupportedList (made when missing); the list owns it.
inline THookedDialog* AddHookedDialog(SkinCommandLog& log, bool visible) {
  CreateSupportedList();
  auto dialog = std::make_unique<THookedDialog>(log, visible);
  THookedDialog* raw = dialog.get();
  kvSupportedList->push_back(std::move(dialog));
  return raw;
}
