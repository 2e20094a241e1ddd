// Skin command delivery to windows: the direct call through "KVSDATA", the system route,
// broadcasts to children (order, depth) and the Boolean queries.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/sMessages.h"
#include "skin/sCommonData.h"
#include "skin/sVclUtils.h"
#include "ui/Forms.h"
#include "ui/SysUtils.h"

namespace {

struct Delivery {
  HWND wnd;
  std::string route;  // "system" or "direct"
  Cardinal msg;
  uintptr_t wParam;
  intptr_t lParam;
  bool operator==(const Delivery&) const = default;
};

std::vector<Delivery> deliveries;
std::map<HWND, intptr_t> answers;  // what each window answers

LRESULT CALLBACK RecordingProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == SM_ALPHACMD || msg == WM_SETREDRAW) {
    deliveries.push_back({wnd, "system", msg, wp, lp});
    return answers[wnd];
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

// The window procedure a skinned control saved in its skin data.
class Receiver {
 public:
  explicit Receiver(HWND wnd) : wnd_(wnd), data_(nullptr) { data_.WndProc = TWndMethod(this, &Receiver::Handle); }
  void Attach() { SetCommonData(wnd_, &data_); }
  void Detach() { SetCommonData(wnd_, nullptr); }
  void Handle(TMessage& m) {
    deliveries.push_back({wnd_, "direct", m.Msg, m.WParam, m.LParam});
    if (throws) throw Exception(u"failed inside");
    if (onCall) onCall();
    m.Result = answers[wnd_];
  }
  TsCommonData& Data() { return data_; }
  bool throws = false;
  std::function<void()> onCall;

 private:
  HWND wnd_;
  TsCommonData data_;
};

class Transport : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TwTransportProbe";
    RegisterClassW(&wc);
  }
  void SetUp() override {
    deliveries.clear();
    answers.clear();
    parent_ = CreateWindowExW(0, L"TwTransportProbe", L"parent", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "window tests need a display";
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override { DestroyWindow(parent_); }
  HWND Child(HWND parent) {
    return CreateWindowExW(0, L"TwTransportProbe", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  }
  std::vector<HWND> Receivers() const {
    std::vector<HWND> out;
    for (const auto& d : deliveries) out.push_back(d.wnd);
    return out;
  }
  HWND parent_ = nullptr;
};

}  // namespace

TEST_F(Transport, SystemRouteWithoutSkinDataOrSavedProcedure) {
  HWND w = Child(parent_);
  answers[w] = 42;
  EXPECT_EQ(TrySendMessage(w, SM_ALPHACMD, 5, 6), 42);
  Receiver r(w);
  r.Data().WndProc = nullptr;
  r.Attach();
  EXPECT_EQ(TrySendMessage(w, SM_ALPHACMD, 7, 8), 42);  // skin data, but nothing saved
  EXPECT_EQ(deliveries, (std::vector<Delivery>{{w, "system", SM_ALPHACMD, 5, 6}, {w, "system", SM_ALPHACMD, 7, 8}}));
  r.Detach();
  EXPECT_EQ(TrySendMessage(HWND(nullptr), SM_ALPHACMD, 1, 1), 0);  // no window: not handled
}

TEST_F(Transport, SkinDataLinkIsTheWindowProperty) {
  HWND w = Child(parent_);
  TsCommonData data(nullptr);
  EXPECT_EQ(GetCommonData(w), nullptr);
  SetCommonData(w, &data);
  EXPECT_EQ(GetCommonData(w), &data);
  EXPECT_EQ(GetPropW(w, L"KVSDATA"), &data);
  SetCommonData(w, nullptr);
  EXPECT_EQ(GetCommonData(w), nullptr);
  EXPECT_EQ(GetPropW(w, L"KVSDATA"), nullptr);
  SetCommonData(w, &data);
  DestroyWindow(w);  // destroyed without removing the link
  EXPECT_EQ(GetCommonData(w), nullptr);
  EXPECT_EQ(TrySendMessage(w, SM_ALPHACMD, KV_GETBG_HI, 0), 0);
  EXPECT_EQ(GetCommonData(nullptr), nullptr);
}

TEST_F(Transport, DirectCallThroughTheSavedProcedure) {
  HWND w = Child(parent_);
  Receiver r(w);
  r.Attach();
  answers[w] = 7;
  EXPECT_EQ(SendAMessage(w, KV_GETBG, 1234), 7);
  EXPECT_EQ(deliveries, (std::vector<Delivery>{{w, "direct", SM_ALPHACMD, KV_GETBG_HI, 1234}}));
  r.throws = true;
  EXPECT_EQ(SendAMessage(w, KV_GETBG, 0), 0);  // an exception inside answers 0
  r.Detach();
}

// A procedure's error reaches the application, as through the system's dispatch, and the
// message answers 0 (not handled).
TEST_F(Transport, AnErrorInTheDirectCallGoesToTheApplication) {
  struct TErrors {
    void OnError(TObject* sender, const Exception& e) {
      texts.push_back(StringToUtf8(e.Message()));
      senders.push_back(sender);
    }
    std::vector<std::string> texts;
    std::vector<TObject*> senders;
  } errors;
  TApplication app;
  app.SetOnException(TExceptionEvent(&errors, &TErrors::OnError));
  HWND w = Child(parent_);
  Receiver r(w);
  TObject owner;
  r.Data().FOwnerObject = &owner;
  r.Attach();
  answers[w] = 7;
  r.throws = true;
  EXPECT_EQ(SendAMessage(w, KV_GETBG, 0), 0);
  EXPECT_EQ(errors.texts, (std::vector<std::string>{"failed inside"}));
  EXPECT_EQ(errors.senders, (std::vector<TObject*>{&owner}));
  r.throws = false;
  EXPECT_EQ(SendAMessage(w, KV_GETBG, 0), 7);
  EXPECT_EQ(errors.texts.size(), 1u);  // a call that succeeds reports nothing
  r.Detach();
  r.Data().FOwnerObject = nullptr;
}

TEST_F(Transport, NestedDeliveryFromInsideADirectCall) {
  HWND a = Child(parent_), b = Child(parent_);
  Receiver ra(a), rb(b);
  ra.Attach();
  rb.Attach();
  answers[b] = 3;
  intptr_t inner = 0;
  ra.onCall = [&] { inner = SendAMessage(b, KV_GETFONTINDEX, 0); };
  SendAMessage(a, KV_GETFONTINDEX, 0);
  EXPECT_EQ(inner, 3);
  EXPECT_EQ(Receivers(), (std::vector<HWND>{a, b}));
  ra.Detach();
  rb.Detach();
}

TEST_F(Transport, GetBoolMsgOnAWindowTakesOnlyOne) {
  HWND w = Child(parent_);
  struct Case {
    intptr_t answer;
    bool out;
  } cases[] = {{1, true}, {0, false}, {2, false}, {256, false}, {257, false}, {-1, false}};
  for (const auto& c : cases) {
    answers[w] = c.answer;
    EXPECT_EQ(GetBoolMsg(w, KV_CTRLHANDLED), c.out) << c.answer;
  }
  EXPECT_EQ(deliveries.back().wParam, KV_CTRLHANDLED_HI);
}

TEST_F(Transport, HandleBroadcastReachesDirectChildrenOnly) {
  HWND a = Child(parent_), b = Child(parent_), c = Child(parent_);
  HWND grandchild = Child(a);
  ASSERT_NE(grandchild, nullptr);
  Receiver rb(b);
  rb.Attach();
  TMessage m = MakeMessage(SM_ALPHACMD, KV_SETNEWSKIN_HI, 99);
  AlphaBroadCast(parent_, m);
  std::vector<HWND> got = Receivers();
  std::sort(got.begin(), got.end());
  std::vector<HWND> want{a, b, c};
  std::sort(want.begin(), want.end());
  EXPECT_EQ(got, want);
  for (const auto& d : deliveries) {
    EXPECT_EQ(d.route, d.wnd == b ? "direct" : "system");
    EXPECT_EQ(d.lParam, 99);
  }
  rb.Detach();
}

TEST_F(Transport, ZOrderBroadcastTopFirstWithoutRecursion) {
  HWND a = Child(parent_), b = Child(parent_), c = Child(parent_);
  Child(b);  // a grandchild gets nothing
  for (HWND w : {a, b, c}) SetWindowPos(w, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  TMessage m = MakeMessage(SM_ALPHACMD, KV_REFRESH_HI, 0);
  BroadCastMsg(parent_, m);
  EXPECT_EQ(Receivers(), (std::vector<HWND>{a, b, c}));
  deliveries.clear();
  SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetParentUpdated(parent_);
  EXPECT_EQ(Receivers(), (std::vector<HWND>{c, a, b}));
  for (const auto& d : deliveries) EXPECT_EQ(d.wParam, KV_ENDPARENTUPDATE_HI);
}

TEST_F(Transport, SetRedrawUsesTheDirectRouteWhenThereIsOne) {
  HWND w = Child(parent_);
  SetRedraw(w, 0);
  Receiver r(w);
  r.Attach();
  SetRedraw(w, 1);
  EXPECT_EQ(deliveries, (std::vector<Delivery>{{w, "system", WM_SETREDRAW, 0, 0}, {w, "direct", WM_SETREDRAW, 1, 0}}));
  r.Detach();
}
