// Skin command delivery to controls: windowless and windowed, the first direct call that
// saves the control's procedure, the Boolean query, and the broadcast over a control tree
// (order, skipped children, skinned children that pass commands on themselves).
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/sMessages.h"
#include "skin/sCommonData.h"
#include "skin/sVclUtils.h"
#include "ui/Forms.h"

namespace {

std::vector<std::string> received;     // "name" per skin command that reached a control
std::vector<std::string> systemRoute;  // windows whose own window procedure saw the command

template <class Base>
class TProbe : public Base {
 public:
  TProbe(TWinControl* parent, const char* name, intptr_t answer = 0) : Base(parent), name_(name), answer_(answer) {
    this->SetControlStyle(this->ControlStyle() + TControlStyle{csAcceptsControls});
    this->SetBounds(0, 0, 20, 20);
    this->SetParent(parent);
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD) {
      // The broadcast's own KV_CTRLHANDLED queries are not what is watched here.
      if (m.WParamHi != KV_CTRLHANDLED) received.push_back(name_);
      m.Result = answer_;
      return;
    }
    Base::WndProc(m);
  }
  std::string name_;
  intptr_t answer_;
};
using TWinProbe = TProbe<TCustomControl>;
using TGraphProbe = TProbe<TGraphicControl>;

// Watches the window's own procedure, so that a delivery through the system can be told
// from a direct call.
std::map<HWND, WNDPROC> originals;
std::map<HWND, std::string> names;
LRESULT CALLBACK Watch(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == SM_ALPHACMD) systemRoute.push_back(names[wnd]);
  return CallWindowProcW(originals[wnd], wnd, msg, wp, lp);
}
void WatchSystemRoute(TWinProbe* c) {
  HWND h = c->Handle();
  names[h] = c->name_;
  originals[h] = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Watch)));
}

class ControlTransport : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "window tests need a display";
    received.clear();
    systemRoute.clear();
    app = std::make_unique<TApplication>();
    form = new TForm(app.get());
    form->AfterConstruction();
    form->SetBounds(0, 0, 300, 200);
    form->HandleNeeded();
  }
  void TearDown() override { app.reset(); }
  std::unique_ptr<TApplication> app;
  TForm* form = nullptr;
};

}  // namespace

TEST_F(ControlTransport, WindowlessAndHandleLessControls) {
  auto* g = new TGraphProbe(form, "g", 5);
  EXPECT_EQ(SendAMessage(g, KV_GETBG), 5);  // through its Perform
  auto* hidden = new TWinProbe(form, "hidden", 6);
  hidden->SetVisible(false);
  ASSERT_FALSE(hidden->HandleAllocated());
  EXPECT_EQ(SendAMessage(hidden, KV_GETBG), 0);  // no window yet: not delivered, none made
  EXPECT_FALSE(hidden->HandleAllocated());
  auto* dying = new TWinProbe(form, "dying", 7);
  dying->HandleNeeded();
  dying->Destroying();
  EXPECT_EQ(SendAMessage(dying, KV_GETBG), 0);
  EXPECT_EQ(received, (std::vector<std::string>{"g"}));
  EXPECT_EQ(TrySendMessage(static_cast<TControl*>(nullptr), SM_ALPHACMD, 0, 0), 0);
}

TEST_F(ControlTransport, FirstDeliverySavesTheProcedureForDirectCalls) {
  auto* w = new TWinProbe(form, "w", 9);
  WatchSystemRoute(w);
  EXPECT_EQ(SendAMessage(w, KV_GETBG), 9);  // no skin data: through the system
  TsCommonData sd(w);
  SetCommonData(w->Handle(), &sd);
  EXPECT_EQ(SendAMessage(w->Handle(), KV_GETBG), 9);  // nothing saved yet: through the system
  sd.FOwnerControl = w;
  EXPECT_EQ(SendAMessage(w, KV_GETBG), 9);  // saves WindowProc and calls it
  EXPECT_TRUE(sd.WndProc == w->WindowProc());
  EXPECT_EQ(SendAMessage(w->Handle(), KV_GETBG), 9);  // now direct by handle too
  EXPECT_EQ(SendAMessage(w, KV_GETBG), 9);            // saved: the control route goes through the system
  EXPECT_EQ(received, (std::vector<std::string>{"w", "w", "w", "w", "w"}));
  EXPECT_EQ(systemRoute, (std::vector<std::string>{"w", "w", "w"}));
  SetCommonData(w->Handle(), nullptr);
}

TEST_F(ControlTransport, SkinDataWithoutOwnerControlUsesTheSystem) {
  auto* w = new TWinProbe(form, "w", 1);
  WatchSystemRoute(w);
  TsCommonData sd(nullptr);
  SetCommonData(w->Handle(), &sd);
  EXPECT_EQ(SendAMessage(w, KV_GETBG), 1);
  EXPECT_FALSE(sd.WndProc);
  EXPECT_EQ(systemRoute, (std::vector<std::string>{"w"}));
  SetCommonData(w->Handle(), nullptr);
}

TEST_F(ControlTransport, GetBoolMsgOnAControlReadsTheLowByte) {
  struct Case {
    intptr_t answer;
    bool out;
  } cases[] = {{0, false}, {1, true}, {2, true}, {256, false}, {257, true}, {-256, false}};
  for (const auto& c : cases) {
    auto* w = new TWinProbe(form, "w", c.answer);
    w->HandleNeeded();
    auto* g = new TGraphProbe(form, "g", c.answer);
    EXPECT_EQ(GetBoolMsg(w, KV_CTRLHANDLED), c.out) << c.answer;
    EXPECT_EQ(GetBoolMsg(g, KV_CTRLHANDLED), c.out) << c.answer;
  }
}

TEST_F(ControlTransport, TreeBroadcastOrderSkipsAndSkinnedChildren) {
  // form: g1 (graphic), a [a.g, a.w], b (skinned) [b.w], c (being destroyed) [c.w], d (no window) [d.w], e
  auto* g1 = new TGraphProbe(form, "g1");
  auto* a = new TWinProbe(form, "a");
  new TGraphProbe(a, "a.g");
  new TWinProbe(a, "a.w");
  auto* b = new TWinProbe(form, "b");
  new TWinProbe(b, "b.w");
  auto* c = new TWinProbe(form, "c");
  new TWinProbe(c, "c.w");
  auto* d = new TWinProbe(form, "d");
  new TWinProbe(d, "d.w");
  d->SetVisible(false);
  new TWinProbe(form, "e");
  for (TWinControl* w : {static_cast<TWinControl*>(form), static_cast<TWinControl*>(a), static_cast<TWinControl*>(b),
                         static_cast<TWinControl*>(c)})
    for (Integer i = 0; i < w->ControlCount(); ++i)
      if (auto* child = dynamic_cast<TWinControl*>(w->Controls(i)); child && child->Visible()) child->HandleNeeded();
  ASSERT_FALSE(d->HandleAllocated());
  TsCommonData bData(b);
  SetCommonData(b->Handle(), &bData);
  c->Destroying();
  (void)g1;

  TMessage m = MakeMessage(SM_ALPHACMD, KV_SETNEWSKIN_HI, 0);
  AlphaBroadCast(form, m);
  // A child being destroyed is skipped and its siblings after it still get the command.
  EXPECT_EQ(received, (std::vector<std::string>{"g1", "a", "a.g", "a.w", "b", "d", "e"}));
  SetCommonData(b->Handle(), nullptr);
}

TEST_F(ControlTransport, ChildrenAddedDuringTheBroadcastAreReached) {
  auto* first = new TWinProbe(form, "first");
  first->HandleNeeded();
  // The count is read at every step, so a child that a receiver adds is reached as well.
  struct TAdder : TWinProbe {
    using TWinProbe::TWinProbe;
    TForm* target = nullptr;
    void WndProc(TMessage& m) override {
      if (m.Msg == SM_ALPHACMD && target) {
        auto* late = new TWinProbe(target, "late");
        late->HandleNeeded();
        target = nullptr;
      }
      TWinProbe::WndProc(m);
    }
  };
  auto* adder = new TAdder(form, "adder");
  adder->target = form;
  adder->HandleNeeded();
  TMessage m = MakeMessage(SM_ALPHACMD, KV_REFRESH_HI, 0);
  AlphaBroadCast(form, m);
  EXPECT_EQ(received, (std::vector<std::string>{"first", "adder", "late"}));
  (void)first;
}

TEST_F(ControlTransport, SkinnedWindowsAndControls) {
  auto* w = new TWinProbe(form, "w", 0);
  HWND h = w->Handle();
  EXPECT_FALSE(WndIsSkinned(h));
  EXPECT_FALSE(CtrlIsSkinned(w, false));
  w->answer_ = 1;  // answers KV_CTRLHANDLED with 1
  EXPECT_TRUE(WndIsSkinned(h));
  EXPECT_TRUE(CtrlIsSkinned(w, true));
  w->answer_ = 0;
  int scrollWrapper = 0;
  kvSetWndProp(h, KVSBSC, &scrollWrapper);
  EXPECT_TRUE(WndIsSkinned(h));
  kvSetWndProp(h, KVSBSC, nullptr);
  TsCommonData sd(w);
  SetCommonData(h, &sd);
  EXPECT_TRUE(WndIsSkinned(h));
  EXPECT_TRUE(CtrlIsSkinned(w, false));
  EXPECT_FALSE(CtrlIsSkinned(w, true));  // skin data, but no skin for it
  SetCommonData(h, nullptr);
  auto* g = new TGraphProbe(form, "g", 1);
  EXPECT_TRUE(CtrlIsSkinned(g, true));
  g->answer_ = 2;
  EXPECT_FALSE(CtrlIsSkinned(g, true));
}
