// The skin commands an ownerless standard dialog passes to its child windows: a new skin, a
// refresh and the skin's removal reach each direct child once, top of the z-order first, and
// neither a grandchild (its parent passes commands on itself) nor a window the dialog only owns.
#include <windows.h>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "base/sMessages.h"
#include "forms/kvDials.h"
#include "support/DialogFixture.h"

using namespace formskin;
using namespace dialogtest;

namespace {

// Every skin command a probe window was sent, with the window, in the order they came.
std::vector<std::pair<HWND, Integer>> gReached;
// A window that a probe destroys when it is told of a command first (none: nothing destroyed).
HWND gDestroyOnFirst = nullptr;

LRESULT CALLBACK RecordingProbeProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == SM_ALPHACMD) {
    gReached.emplace_back(wnd, Integer(HIWORD(wParam)));
    if (gDestroyOnFirst) {
      const HWND victim = gDestroyOnFirst;
      gDestroyOnFirst = nullptr;
      DestroyWindow(victim);
    }
    return 0;
  }
  return DefWindowProcW(wnd, msg, wParam, lParam);
}

constexpr wchar_t kProbeClass[] = L"TwBroadcastProbe";

HWND MakeProbe(HWND parent, DWORD style) {
  return CreateWindowExW(0, kProbeClass, L"", style, 4, 4, 20, 20, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}
HWND MakeChild(HWND parent) { return MakeProbe(parent, WS_CHILD | WS_VISIBLE); }

// The direct children of a window, top of the z-order first.
std::vector<HWND> ChildrenInZOrder(HWND wnd) {
  std::vector<HWND> out;
  for (HWND child = GetWindow(wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) out.push_back(child);
  return out;
}

// A skin command as the skin manager sends it (no manager named).
TMessage Command(Word code) {
  TMessage m{};
  m.Msg = SM_ALPHACMD;
  m.WParam = TWParam{code} << 16;
  return m;
}

std::vector<std::pair<HWND, Integer>> Each(const std::vector<HWND>& windows, Integer command) {
  std::vector<std::pair<HWND, Integer>> out;
  for (HWND w : windows) out.emplace_back(w, command);
  return out;
}

// Three children whose z-order is not their order of creation (the last made on top, the first
// at the bottom), the middle one with a child of its own, and a popup window the parent owns.
struct Family {
  HWND first = nullptr, middle = nullptr, last = nullptr, grandchild = nullptr, owned = nullptr;
  bool Make(HWND parent) {
    first = MakeChild(parent);
    middle = MakeChild(parent);
    last = MakeChild(parent);
    grandchild = middle ? MakeChild(middle) : nullptr;
    owned = MakeProbe(parent, WS_POPUP);
    if (!first || !middle || !last || !grandchild || !owned) return false;
    SetWindowPos(last, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(first, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
  }
  std::vector<HWND> TopFirst() const { return {last, middle, first}; }
  ~Family() {
    if (owned && IsWindow(owned)) DestroyWindow(owned);
  }
};

class DialogChildBroadcast : public DialogWrapper {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(DialogWrapper::SetUp());
    gReached.clear();
    gDestroyOnFirst = nullptr;
  }
  void TearDown() override {
    gDestroyOnFirst = nullptr;
    DialogWrapper::TearDown();
  }
  ProbeWindowClass probeClass{kProbeClass, &RecordingProbeProc};
};

}  // namespace

// Sent to a bare window: each direct child once, top first; the grandchild and the owned popup
// never.
TEST_F(DialogChildBroadcast, ReachesEachDirectChildOnceTopFirst) {
  const HWND parent = MakeProbe(nullptr, WS_POPUP);
  ASSERT_NE(parent, nullptr);
  Family family;
  ASSERT_TRUE(family.Make(parent));
  ASSERT_EQ(ChildrenInZOrder(parent), family.TopFirst());
  BroadCastHwnd(parent, Command(KV_REFRESH));
  EXPECT_EQ(gReached, Each(family.TopFirst(), KV_REFRESH));
  DestroyWindow(parent);
}

// A child that destroys a later sibling while it is told: the sibling is skipped, the rest
// still hear of it, and a window without children gets nothing sent anywhere.
TEST_F(DialogChildBroadcast, SiblingDestroyedMeanwhileIsSkipped) {
  const HWND parent = MakeProbe(nullptr, WS_POPUP);
  ASSERT_NE(parent, nullptr);
  Family family;
  ASSERT_TRUE(family.Make(parent));
  gDestroyOnFirst = family.middle;
  const TMessage m = Command(KV_SETNEWSKIN);
  BroadCastHwnd(parent, m);
  EXPECT_FALSE(IsWindow(family.middle));
  EXPECT_EQ(gReached, Each({family.last, family.first}, KV_SETNEWSKIN));
  gReached.clear();
  BroadCastHwnd(family.first, m);
  EXPECT_TRUE(gReached.empty());
  DestroyWindow(parent);
}

// The skinned dialog passes a new skin, a refresh and the skin's removal from its own manager to
// each direct child once, top first; a new skin that names no manager goes to nobody.
TEST_F(DialogChildBroadcast, DialogPassesSkinCommandsToItsDirectChildren) {
  ASSERT_NE(MakeDialog(), nullptr);
  ASSERT_NE(Wrapper(), nullptr);
  ShowDialog();
  Family family;
  ASSERT_TRUE(family.Make(dlg));
  ASSERT_EQ(ChildrenInZOrder(dlg), family.TopFirst());
  DuRiruZireziv& manager = skin->skin.Manager;
  struct Case {
    const char* what;
    Word code;
    bool fromManager;
    bool active;
    bool reached;
  } cases[] = {
      {"new skin", KV_SETNEWSKIN, true, true, true},
      {"refresh", KV_REFRESH, true, true, true},
      {"new skin of no manager", KV_SETNEWSKIN, false, true, false},
      {"skin removed", KV_REMOVESKIN, true, false, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    gReached.clear();
    manager.SkinCommonInfo.Active = k.active;
    SendMessageW(dlg, SM_ALPHACMD, uintptr_t(k.code) << 16, k.fromManager ? reinterpret_cast<LPARAM>(&manager) : 0);
    const std::vector<std::pair<HWND, Integer>> none;
    EXPECT_EQ(gReached, k.reached ? Each(family.TopFirst(), k.code) : none);
  }
  manager.SkinCommonInfo.Active = true;
}
