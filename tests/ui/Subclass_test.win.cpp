// The window procedure chain: order of the procedures, detaching in every order (also while
// messages are on the stack), a window destroyed and its wrapper freed from inside its own
// click, foreign subclasses above ours, and the objects' lifetime around their messages.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ui/Forms.h"
#include "ui/Subclass.h"

namespace {

constexpr UINT kProbe = WM_USER + 1;
constexpr UINT kNested = WM_USER + 2;

std::string gLog;  // who saw a message, in order

LRESULT CALLBACK ProbeClassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kProbe || msg == kNested) {
    gLog += "orig ";
    return 42;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

HWND MakeProbeWindow() {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ProbeClassProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TwSubclassProbe";
    return RegisterClassW(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  return CreateWindowExW(0, L"TwSubclassProbe", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

LONG_PTR WndProcOf(HWND wnd) { return GetWindowLongPtrW(wnd, GWLP_WNDPROC); }

// A procedure that notes its name and passes every message on.
class TNamedProc : public TObject {
 public:
  explicit TNamedProc(std::string name) : name(std::move(name)) {}
  bool Attach(HWND wnd) { return sub.Attach(wnd, this, &TNamedProc::Proc); }
  void Proc(TMessage& m) {
    if (m.Msg == kProbe || m.Msg == kNested) gLog += name + " ";
    if (m.Msg == kNested && onNested) {
      auto once = std::move(onNested);  // runs once; the handler may touch this object
      onNested = nullptr;
      once(*this);
    }
    sub.CallPrevious(m);
  }
  std::string name;
  TWindowSubclass sub;
  std::function<void(TNamedProc&)> onNested;
};

class SubclassTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gLog.clear();
    wnd = MakeProbeWindow();
    ASSERT_NE(wnd, nullptr);
    original = WndProcOf(wnd);
  }
  void TearDown() override {
    if (IsWindow(wnd)) DestroyWindow(wnd);
    EXPECT_EQ(SubclassedWindowCount(), 0) << "a chain outlived its window";
  }
  // "a", "b" and "c" attached in this order.
  std::vector<std::unique_ptr<TNamedProc>> AttachThree() {
    std::vector<std::unique_ptr<TNamedProc>> procs;
    for (const char* n : {"a", "b", "c"}) {
      procs.push_back(std::make_unique<TNamedProc>(n));
      EXPECT_TRUE(procs.back()->Attach(wnd));
    }
    return procs;
  }
  std::string Send(UINT msg = kProbe) {
    gLog.clear();
    EXPECT_EQ(SendMessageW(wnd, msg, 0, 0), 42);
    return gLog;
  }

  HWND wnd = nullptr;
  LONG_PTR original = 0;
};

}  // namespace

TEST_F(SubclassTest, TheProcedureAttachedLastHearsFirstAndTheWindowsOwnLast) {
  TNamedProc a("a"), b("b");
  ASSERT_TRUE(a.Attach(wnd));
  ASSERT_TRUE(b.Attach(wnd));
  EXPECT_EQ(Send(), "b a orig ");
  EXPECT_EQ(WindowSubclassCount(wnd), 2);
  EXPECT_TRUE(a.sub.Attached());
  EXPECT_EQ(a.sub.Handle(), wnd);
  EXPECT_NE(WndProcOf(wnd), original);
}

TEST_F(SubclassTest, DetachingInEveryOrderKeepsTheRestInOrderAndGivesTheProcedureBack) {
  std::array<int, 3> order{0, 1, 2};
  do {
    std::vector<std::unique_ptr<TNamedProc>> procs = AttachThree();
    ASSERT_EQ(WindowSubclassCount(wnd), 3);
    std::vector<std::string> left{"c", "b", "a"};
    for (int i : order) {
      procs[static_cast<size_t>(i)]->sub.Detach();
      EXPECT_FALSE(procs[static_cast<size_t>(i)]->sub.Attached());
      left.erase(std::find(left.begin(), left.end(), procs[static_cast<size_t>(i)]->name));
      std::string expected;
      for (const std::string& n : left) expected += n + " ";
      EXPECT_EQ(Send(), expected + "orig ") << "order " << order[0] << order[1] << order[2];
      EXPECT_EQ(WindowSubclassCount(wnd), static_cast<int>(left.size()));
    }
    EXPECT_EQ(WndProcOf(wnd), original);
    EXPECT_EQ(SubclassedWindowCount(), 0);
  } while (std::next_permutation(order.begin(), order.end()));
}

TEST_F(SubclassTest, DetachingInEveryOrderWhileAMessageIsOnTheStackFreesNothingItStillWalks) {
  std::array<int, 3> order{0, 1, 2};
  do {
    std::vector<std::unique_ptr<TNamedProc>> procs = AttachThree();
    ASSERT_EQ(WindowSubclassCount(wnd), 3);
    // "c" (called first) detaches everyone, itself included, in the given order, one of them
    // from a nested message; the outer message then passes on through the emptied chain.
    procs[2]->onNested = [&](TNamedProc&) {
      procs[static_cast<size_t>(order[0])]->sub.Detach();
      EXPECT_EQ(SendMessageW(wnd, kProbe, 0, 0), 42);  // nested: the two left and the window
      procs[static_cast<size_t>(order[1])]->sub.Detach();
      procs[static_cast<size_t>(order[2])]->sub.Detach();
      EXPECT_EQ(WindowSubclassCount(wnd), 0);
      EXPECT_NE(WndProcOf(wnd), original) << "given back while a message still walks the chain";
    };
    gLog.clear();
    EXPECT_EQ(SendMessageW(wnd, kNested, 0, 0), 42);
    // The outer message reached the window's own procedure past the detached places.
    EXPECT_EQ(gLog.substr(gLog.size() - 5), "orig ") << gLog;
    EXPECT_EQ(WndProcOf(wnd), original);
    EXPECT_EQ(SubclassedWindowCount(), 0);
    EXPECT_EQ(Send(), "orig ");
  } while (std::next_permutation(order.begin(), order.end()));
}

TEST_F(SubclassTest, AFreedObjectsSubclassGoesWithItAndAttachingAgainMovesIt) {
  auto* a = new TNamedProc("a");
  TNamedProc b("b");
  ASSERT_TRUE(a->Attach(wnd));
  ASSERT_TRUE(b.Attach(wnd));
  a->Free();
  EXPECT_EQ(Send(), "b orig ");
  HWND other = MakeProbeWindow();
  ASSERT_TRUE(b.Attach(other));  // moves: the first window is free of it
  EXPECT_EQ(Send(), "orig ");
  EXPECT_EQ(WndProcOf(wnd), original);
  gLog.clear();
  EXPECT_EQ(SendMessageW(other, kProbe, 0, 0), 42);
  EXPECT_EQ(gLog, "b orig ");
  DestroyWindow(other);
  EXPECT_FALSE(b.sub.Attached());
  EXPECT_EQ(b.sub.Handle(), nullptr);
}

TEST_F(SubclassTest, PassingOnWorksOutsideTheWindowsOwnMessages) {
  TNamedProc a("a"), b("b");
  ASSERT_TRUE(a.Attach(wnd));
  ASSERT_TRUE(b.Attach(wnd));
  // A direct call of b's procedure (a wrapper handing itself a message) walks b's own place on.
  gLog.clear();
  TMessage m{kProbe, 0, 0, 0};
  b.Proc(m);
  EXPECT_EQ(m.Result, 42);
  EXPECT_EQ(gLog, "b a orig ");
  gLog.clear();
  EXPECT_EQ(a.sub.CallPrevious(kProbe, 0, 0), 42);
  EXPECT_EQ(gLog, "orig ");
}

TEST_F(SubclassTest, NoWindowNoThreadNoProcedureNoAttach) {
  TNamedProc a("a");
  TWindowSubclass s;
  EXPECT_FALSE(s.Attach(nullptr, TWndMethod(&a, &TNamedProc::Proc), &a));
  EXPECT_FALSE(s.Attach(wnd, TWndMethod(), nullptr));
  HWND dead = MakeProbeWindow();
  DestroyWindow(dead);
  EXPECT_FALSE(s.Attach(dead, TWndMethod(&a, &TNamedProc::Proc), &a));
  // A window of another thread: its messages run there, so it is not ours to subclass.
  HWND foreign = nullptr;
  HANDLE made = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread t([&] {
    foreign = MakeProbeWindow();
    SetEvent(made);
    WaitForSingleObject(done, 10000);
    DestroyWindow(foreign);
  });
  WaitForSingleObject(made, 10000);
  EXPECT_FALSE(s.Attach(foreign, TWndMethod(&a, &TNamedProc::Proc), &a));
  SetEvent(done);
  t.join();
  CloseHandle(made);
  CloseHandle(done);
  EXPECT_FALSE(s.Attached());
  EXPECT_EQ(SubclassedWindowCount(), 0);
}

// ---- foreign subclasses above ours ----

namespace {

WNDPROC gForeignNext = nullptr;
LRESULT CALLBACK ForeignProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kProbe) gLog += "foreign ";
  return CallWindowProcW(gForeignNext, wnd, msg, wp, lp);
}

LRESULT CALLBACK ComctlProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (msg == kProbe) gLog += "comctl ";
  return DefSubclassProc(wnd, msg, wp, lp);
}

}  // namespace

TEST_F(SubclassTest, ASubclassAboveOursKeepsTheChainPassingOnUntilTheWindowGoes) {
  TNamedProc a("a");
  ASSERT_TRUE(a.Attach(wnd));
  gForeignNext =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignProc)));
  EXPECT_EQ(Send(), "foreign a orig ");
  a.sub.Detach();
  // Ours cannot be undone under the foreign one: it stays, passing everything on.
  EXPECT_EQ(WndProcOf(wnd), reinterpret_cast<LONG_PTR>(&ForeignProc));
  EXPECT_EQ(Send(), "foreign orig ");
  EXPECT_EQ(SubclassedWindowCount(), 1);
  DestroyWindow(wnd);
  EXPECT_EQ(SubclassedWindowCount(), 0);
}

TEST_F(SubclassTest, LivesWithThePlatformsSubclassHelpers) {
  // The platform's helpers above ours: removed in either order.
  for (bool oursFirst : {true, false}) {
    TNamedProc a("a");
    ASSERT_TRUE(a.Attach(wnd));
    ASSERT_TRUE(SetWindowSubclass(wnd, ComctlProc, 7, 0));
    EXPECT_EQ(Send(), "comctl a orig ");
    if (oursFirst) {
      a.sub.Detach();
      EXPECT_EQ(Send(), "comctl orig ");
      ASSERT_TRUE(RemoveWindowSubclass(wnd, ComctlProc, 7));
    } else {
      ASSERT_TRUE(RemoveWindowSubclass(wnd, ComctlProc, 7));
      EXPECT_EQ(Send(), "a orig ");
      a.sub.Detach();
    }
    EXPECT_EQ(Send(), "orig ");
    // The chain found itself empty and under nobody: the window's own procedure is back.
    EXPECT_EQ(WndProcOf(wnd), original) << oursFirst;
    EXPECT_EQ(SubclassedWindowCount(), 0) << oursFirst;
  }
  // Ours above the helpers: ours goes first (the helpers put the window's original procedure
  // back when their last subclass goes, whatever lies above them).
  ASSERT_TRUE(SetWindowSubclass(wnd, ComctlProc, 7, 0));
  TNamedProc b("b");
  ASSERT_TRUE(b.Attach(wnd));
  EXPECT_EQ(Send(), "b comctl orig ");
  b.sub.Detach();
  EXPECT_EQ(Send(), "comctl orig ");
  ASSERT_TRUE(RemoveWindowSubclass(wnd, ComctlProc, 7));
  EXPECT_EQ(WndProcOf(wnd), original);
  EXPECT_EQ(SubclassedWindowCount(), 0);
}

// ---- destroyed from inside its own click ----

namespace {

constexpr uint32_t kAlive = 0x600DCAFE;

// A wrapper whose freed memory is poisoned and kept, so that any later touch shows.
class TPoisonedWrapper : public TObject {
 public:
  static int deleted;
  static int touchedAfterFree;
  static std::vector<void*> quarantine;

  explicit TPoisonedWrapper(HWND button) { sub.Attach(button, this, &TPoisonedWrapper::Proc); }
  ~TPoisonedWrapper() override { ++deleted; }

  // Not inlined, so the compiler pairs this class's delete with this class's new, not the
  // global new.
  [[gnu::noinline]] static void* operator new(size_t size) { return ::operator new(size); }
  static void operator delete(void* p, size_t size) {
    std::memset(p, 0xDD, size);
    quarantine.push_back(p);
  }
  static void FreeQuarantine() {
    for (void* p : quarantine) ::operator delete(p);
    quarantine.clear();
  }

  void Proc(TMessage& m) {
    Check();
    ++messages;
    sub.CallPrevious(m);
    Check();  // a wrapper goes on after passing the message on (paints, updates its state)
  }
  void Check() const {
    if (magic != kAlive) ++touchedAfterFree;
  }

  uint32_t magic = kAlive;
  int messages = 0;
  TWindowSubclass sub;
};
int TPoisonedWrapper::deleted = 0;
int TPoisonedWrapper::touchedAfterFree = 0;
std::vector<void*> TPoisonedWrapper::quarantine;

struct ClickScene {
  HWND button = nullptr;
  TPoisonedWrapper* wrapper = nullptr;
  bool clicked = false;
  int deletedInHandler = -1;
};
ClickScene* gScene = nullptr;

LRESULT CALLBACK ParentProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED && gScene && reinterpret_cast<HWND>(lp) == gScene->button) {
    gScene->clicked = true;
    DestroyWindow(gScene->button);
    FreeAndNil(gScene->wrapper);
    gScene->deletedInHandler = TPoisonedWrapper::deleted;
    return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace

TEST_F(SubclassTest, AWindowDestroyedAndItsWrapperFreedInItsOwnClickTouchesNoFreedMemory) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ParentProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TwSubclassClickParent";
  RegisterClassW(&wc);
  HWND parent = CreateWindowExW(0, L"TwSubclassClickParent", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(parent, nullptr);
  ClickScene scene;
  gScene = &scene;
  scene.button = CreateWindowExW(0, L"BUTTON", L"Go", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 80, 30, parent,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(scene.button, nullptr);
  TPoisonedWrapper::deleted = 0;
  TPoisonedWrapper::touchedAfterFree = 0;
  scene.wrapper = new TPoisonedWrapper(scene.button);
  ASSERT_TRUE(scene.wrapper->sub.Attached());

  // BM_CLICK presses and releases the button through its own messages: the release notifies
  // the parent while the wrapper's BM_CLICK and WM_LBUTTONUP are both on the stack.
  SendMessageW(scene.button, BM_CLICK, 0, 0);

  EXPECT_TRUE(scene.clicked);
  EXPECT_FALSE(IsWindow(scene.button));
  EXPECT_EQ(scene.deletedInHandler, 0) << "freed while its messages were still on the stack";
  EXPECT_EQ(TPoisonedWrapper::deleted, 1) << "not freed when its outermost message returned";
  EXPECT_EQ(TPoisonedWrapper::touchedAfterFree, 0);
  EXPECT_EQ(SubclassedWindowCount(), 0) << "a leaked subclass";
  gScene = nullptr;
  DestroyWindow(parent);
  TPoisonedWrapper::FreeQuarantine();
}

TEST_F(SubclassTest, AnObjectFreedOutsideItsMessagesGoesAtOnceAndHearsNothingMore) {
  auto* w = new TPoisonedWrapper(wnd);
  TPoisonedWrapper::deleted = 0;
  TPoisonedWrapper::touchedAfterFree = 0;
  SendMessageW(wnd, kProbe, 0, 0);
  EXPECT_EQ(w->messages, 1);
  EXPECT_FALSE(TObjectInUse::InUse(w));
  w->Free();
  EXPECT_EQ(TPoisonedWrapper::deleted, 1);
  EXPECT_EQ(SendMessageW(wnd, kProbe, 0, 0), 42);
  EXPECT_EQ(TPoisonedWrapper::touchedAfterFree, 0);
  EXPECT_EQ(WndProcOf(wnd), original);
  TPoisonedWrapper::FreeQuarantine();
}

TEST_F(SubclassTest, AnExceptionFromAProcedureGoesToTheApplicationAndTheMessageAnswersZero) {
  struct TThrower : public TObject {
    void Proc(TMessage& m) {
      if (m.Msg == kProbe) throw EConvertError("bad message");
      sub.CallPrevious(m);
    }
    void OnError(TObject* sender, const Exception& e) {
      errors.push_back(StringToUtf8(e.Message()));
      senders.push_back(sender);
    }
    TWindowSubclass sub;
    std::vector<std::string> errors;
    std::vector<TObject*> senders;
  } t;
  TApplication app;
  app.SetOnException(TExceptionEvent(&t, &TThrower::OnError));
  ASSERT_TRUE(t.sub.Attach(wnd, &t, &TThrower::Proc));
  EXPECT_EQ(SendMessageW(wnd, kProbe, 0, 0), 0);
  ASSERT_EQ(t.errors.size(), 1u);
  EXPECT_EQ(t.errors[0], "bad message");
  EXPECT_EQ(t.senders[0], &t);
  EXPECT_TRUE(t.sub.Attached());
}
