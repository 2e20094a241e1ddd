// The child-control adapter: the walk over a form's components and controls, its guard against
// walks started from its own events, plain labels coloured from the skin and given their own
// colours back, and windowed controls handed to the wrapper of the first list that names them.
#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "base/sMessages.h"
#include "forms/kvDials.h"
#include "support/FormSkin.h"
#include "support/GuardedObject.h"
#include "support/WindowProbes.h"
#include "ui/Buttons.h"
#include "ui/ExtCtrls.h"
#include "ui/ScopeGuard.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtils.h"

using namespace formskin;

namespace {

// A wrapper that only records which kind made it.
class TKindWnd : public TkvMainWnd {
 public:
  Integer Kind = -1;
};
template <Integer K>
TkvMainWnd* MakeKind(HWND wnd, DuRiruZireziv* manager, TkvSkinParams& params) {
  auto* w = TkvMainWnd::MakeWrapper<TKindWnd>(wnd, nullptr, manager, params, false);
  w->Kind = K;
  return w;
}

// A scroll wrapper that counts the times it gives its window the standard look back.
int gRestores = 0;
class TRestoreCountingWnd : public TkvScrollWnd {
 public:
  void RestoreStdParams() override {
    ++gRestores;
    TkvScrollWnd::RestoreStdParams();
  }
};
TkvMainWnd* MakeRestoreCounting(HWND wnd, DuRiruZireziv* manager, TkvSkinParams& params) {
  return TkvMainWnd::MakeWrapper<TRestoreCountingWnd>(wnd, nullptr, manager, params, false);
}

class Adapter : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 200, 80);
    inner = new TLabel(form);
    inner->SetParent(panel);
    inner->SetCaption(u"inner");
    outer = new TLabel(form);
    outer->SetParent(form);
    outer->SetBounds(10, 120, 80, 20);
    outer->SetCaption(u"outer");
    outer->Font()->SetColor(clRed);
    inner->SetParentFont(true);
    form->HandleNeeded();
    panel->HandleNeeded();
    savedTypes = WndTypes;
  }
  void TearDown() override {
    WndTypes = savedTypes;
    SkinnedForm::TearDown();
  }
  // A control of class C on the form at (left, top), with its window.
  template <class C>
  C* OnForm(Integer left, Integer top, Integer width, Integer height) {
    auto* c = new C(form);
    c->SetParent(form);
    c->SetBounds(left, top, width, height);
    c->HandleNeeded();
    return c;
  }
  TPanel* panel = nullptr;
  TLabel* inner = nullptr;
  TLabel* outer = nullptr;
  std::array<TkvWrapperMaker, kvLastSupportedType + 1> savedTypes{};
};

// Counts the skin events per component and, when reentering, starts a new walk from inside the
// event, as an application handler could.
struct EventCounter {
  void OnItem(TComponent* item, bool&, String&) {
    ++events[item];
    if (reenter && sp->Adapter) sp->Adapter->AddAllItems(nullptr);
  }
  TsSkinProvider* sp = nullptr;
  bool reenter = false;
  std::map<TComponent*, int> events;
};

}  // namespace

TEST_F(Adapter, AWalkStartedFromItsOwnEventReturnsAtOnce) {
  TsSkinProvider* p = Skin();
  EventCounter plain;
  plain.sp = p;
  p->OnSkinItem = decltype(p->OnSkinItem)(&plain, &EventCounter::OnItem);
  p->Adapter.reset();
  p->AdapterCreate();  // one walk of the whole form
  ASSERT_NE(p->Adapter, nullptr);
  ASSERT_GT(plain.events[outer], 0);

  // The same walk whose events start walks of their own: the label inside the panel comes
  // before the outer one, and after the descent into the panel the guard is still up, so no
  // event starts a second walk and each label is asked as often as in the plain walk.
  EventCounter reentering;
  reentering.sp = p;
  reentering.reenter = true;
  p->OnSkinItem = decltype(p->OnSkinItem)(&reentering, &EventCounter::OnItem);
  p->Adapter.reset();
  p->AdapterCreate();
  EXPECT_EQ(reentering.events[inner], plain.events[inner]);
  EXPECT_EQ(reentering.events[outer], plain.events[outer]);
  EXPECT_FALSE(p->Adapter->Walking());
  // A later walk, outside any walk, runs again.
  p->Adapter->AddAllItems(nullptr);
  EXPECT_EQ(reentering.events[outer], 2 * plain.events[outer]);
}

TEST_F(Adapter, PlainLabelsTakeTheSkinColoursAndGetTheirOwnBack) {
  TsSkinProvider* p = Skin();
  p->LoadInit();
  EXPECT_EQ(outer->Font()->Color(), kFormText);
  EXPECT_TRUE(outer->Transparent());
  SendMessageW(form->Handle(), SM_ALPHACMD, KV_REMOVESKIN_HI, reinterpret_cast<LPARAM>(&skin->skin.Manager));
  EXPECT_EQ(outer->Font()->Color(), clRed);
  EXPECT_TRUE(inner->ParentFont());
  EXPECT_TRUE(p->SavedLabelColors.empty());
}

TEST_F(Adapter, LabelWithTheExceptionTagKeepsItsColour) {
  outer->SetTag(ExceptTag);
  TsSkinProvider* p = Skin();
  p->LoadInit();
  EXPECT_EQ(outer->Font()->Color(), clRed);
}

// The message box road: a listed button class gets the wrapper of its list's kind; a class
// named in two lists gets the lower kind's.
TEST_F(Adapter, ListedControlsGetTheWrapperOfTheFirstListThatNamesThem) {
  auto* button = OnForm<TButton>(10, 150, 75, 25);
  auto* edit = OnForm<TEdit>(100, 150, 75, 21);
  auto& lists = skin->skin.Manager.ThirdLists;
  lists[tpButton]->Add(u"TButton");
  lists[tpEdit]->Add(u"TEdit");
  lists[tpPanel]->Add(u"TEdit");
  WndTypes[tpButton] = &MakeKind<tpButton>;
  WndTypes[tpEdit] = &MakeKind<tpEdit>;
  WndTypes[tpPanel] = &MakeKind<tpPanel>;
  TsSkinProvider* p = Skin();
  p->LoadInit();
  ASSERT_NE(p->Adapter, nullptr);
  std::map<TWinControl*, Integer> kinds;
  for (const auto& item : p->Adapter->Items) kinds[item->WinCtrl] = static_cast<TKindWnd*>(item->ScrollWnd)->Kind;
  EXPECT_EQ(kinds[button], tpButton);
  EXPECT_EQ(kinds[edit], tpEdit);
  EXPECT_EQ(kinds.count(panel), 0u);  // a class in no list gets nothing
  EXPECT_TRUE(WndIsSkinned(button->Handle()));
  // The skin goes: the wrappers go with the adapter.
  SendMessageW(form->Handle(), SM_ALPHACMD, KV_REMOVESKIN_HI, reinterpret_cast<LPARAM>(&skin->skin.Manager));
  EXPECT_EQ(p->Adapter, nullptr);
  EXPECT_FALSE(WndIsSkinned(button->Handle()));
  lists[tpButton]->Clear();
  lists[tpEdit]->Clear();
  lists[tpPanel]->Clear();
}

TEST_F(Adapter, AControlMadeOnTheVisibleFormIsAdapted) {
  skin->skin.Manager.ThirdLists[tpButton]->Add(u"TButton");
  WndTypes[tpButton] = &MakeKind<tpButton>;
  TsSkinProvider* p = Skin();
  p->LoadInit();
  ShowForm();
  auto* button = new TButton(form);
  button->SetParent(form);
  button->SetBounds(10, 150, 75, 25);
  button->HandleNeeded();
  EXPECT_EQ(p->LastNewChild, button);
  EXPECT_TRUE(WndIsSkinned(button->Handle()));
  skin->skin.Manager.ThirdLists[tpButton]->Clear();
}

// Pixels of one colour inside a rectangle of the form's client area, as the screen shows it.
int CountInClient(TForm* form, const TRect& r, TColor color) {
  const auto shot = formskin::WindowShot(form->Handle());
  POINT origin{0, 0};
  ClientToScreen(form->Handle(), &origin);
  RECT w{};
  GetWindowRect(form->Handle(), &w);
  const Integer dx = origin.x - w.left, dy = origin.y - w.top;
  int n = 0;
  for (Integer y = r.Top; y < r.Bottom; ++y)
    for (Integer x = r.Left; x < r.Right; ++x)
      if (PixelAt(shot.get(), dx + x, dy + y) == ::Rgb(color)) ++n;
  return n;
}

void Repaint(TForm* form) {
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Application->ProcessMessages();
}

// Controls put on the shown, adapted form and taken off it while the program runs. The graphic
// ones end right before an inaccessible page, so that treating one as a windowed control faults;
// they are left to the form, which paints them; the windowed one gets its wrapper.
TEST_F(Adapter, ControlsPutOnAndTakenOffTheShownFormAtRunTime) {
  auto& lists = skin->skin.Manager.ThirdLists;
  lists[tpButton]->Add(u"TButton");
  const TScopeExit clear([&] { lists[tpButton]->Clear(); });
  WndTypes[tpButton] = &MakeKind<tpButton>;
  TsSkinProvider* p = Skin();
  p->LoadInit();
  ShowForm();
  ASSERT_NE(p->Adapter, nullptr);

  auto label = MakeGuarded<TLabel>(nullptr);
  label->SetBounds(150, 110, 120, 20);
  label->SetCaption(u"WWWWWWWW");
  label->SetParentFont(false);  // keeps its own colour on the form
  label->Font()->SetColor(clRed);
  label->SetTransparent(true);
  auto speed = MakeGuarded<TSpeedButton>(nullptr);
  speed->SetBounds(150, 140, 100, 30);
  speed->SetCaption(u"WWWWWW");
  speed->SetParentFont(false);
  speed->Font()->SetColor(clBlue);
  const TRect labelRect(150, 110, 270, 130), speedRect(150, 140, 250, 170);

  label->SetParent(form);
  speed->SetParent(form);
  auto* button = new TButton(form);
  button->SetParent(form);
  button->SetBounds(10, 150, 75, 25);
  button->HandleNeeded();
  Repaint(form);
  EXPECT_TRUE(WndIsSkinned(button->Handle()));
  // A plain label on a skinned form writes in the skin's text colour.
  const TColor labelText = label->Font()->Color();
  EXPECT_GT(CountInClient(form, labelRect, labelText), 20);
  EXPECT_GT(CountInClient(form, speedRect, clBlue), 20);

  label->SetParent(nullptr);
  speed->SetParent(nullptr);
  button->SetParent(nullptr);
  EXPECT_FALSE(button->HandleAllocated());
  delete button;
  Repaint(form);
  EXPECT_EQ(CountInClient(form, labelRect, labelText), 0);
  EXPECT_EQ(CountInClient(form, speedRect, clBlue), 0);
  // The adapter walks the form again without meeting the controls that went.
  p->Adapter->AddAllItems(nullptr);
  for (const auto& item : p->Adapter->Items) EXPECT_NE(item->WinCtrl, static_cast<TWinControl*>(button));
}

namespace {

// A control without a window and without fields of its own.
struct WindowlessControl : TControl {
  WindowlessControl() : TControl(nullptr) {}
};

// The components the provider asks its skin event about.
struct AskedItems {
  void OnItem(TComponent* item, bool&, String&) { asked.push_back(item); }
  std::vector<const void*> asked;
};

}  // namespace

// The form hears of every control put on it, windowed or not. A control without a window is put
// on the shown, adapted form and taken off again while a windowed one comes and goes too: only
// the windowed one reaches the adapter (read as a windowed control, the other would be asked
// about by its window handle, which it has not, and offered to the skin event).
TEST_F(Adapter, AControlWithoutAWindowPutOnTheShownFormNeverReachesTheAdapter) {
  auto& lists = skin->skin.Manager.ThirdLists;
  lists[tpButton]->Add(u"TButton");
  const TScopeExit clear([&] { lists[tpButton]->Clear(); });
  WndTypes[tpButton] = &MakeKind<tpButton>;
  TsSkinProvider* p = Skin();
  p->LoadInit();
  ShowForm();
  ASSERT_NE(p->Adapter, nullptr);
  ASSERT_TRUE(p->FAllowSkin3rdParty);
  AskedItems events;
  p->OnSkinItem = decltype(p->OnSkinItem)(&events, &AskedItems::OnItem);
  const TScopeExit unhook([p] { p->OnSkinItem = nullptr; });
  // In a page of its own, zeroed, the page after it inaccessible.
  auto bare = MakeGuarded<WindowlessControl>();
  bare->SetBounds(20, 20, 10, 10);
  bare->SetParent(form);
  ASSERT_EQ(bare->Parent(), form);
  auto* button = new TButton(form);
  button->SetParent(form);
  button->SetBounds(10, 150, 75, 25);
  button->HandleNeeded();
  EXPECT_TRUE(WndIsSkinned(button->Handle()));
  bare->SetParent(nullptr);
  const void* buttonAt = button;
  button->SetParent(nullptr);
  delete button;
  const void* bareAt = bare.get();
  EXPECT_EQ(std::count(events.asked.begin(), events.asked.end(), bareAt), 0);
  EXPECT_GT(std::count(events.asked.begin(), events.asked.end(), buttonAt), 0);
  for (const auto& item : p->Adapter->Items) EXPECT_NE(static_cast<const void*>(item->WinCtrl), bareAt);
}

// The provider goes with its form while the skin stays: the adapter takes every wrapper out of
// its control's procedure, but leaves the look of controls about to go as it is (no colours
// put back, no frame repainted). While the skin is being removed the look comes back.
TEST_F(Adapter, AGoingProviderTakesItsWrappersOffAndLeavesTheLookUnlessTheSkinGoes) {
  kvDialsStartup();
  const TScopeExit cleanup([] { kvDialsCleanup(); });
  auto* edit = OnForm<TEdit>(100, 150, 75, 21);
  auto& lists = skin->skin.Manager.ThirdLists;
  lists[tpEdit]->Add(u"TEdit");
  WndTypes[tpEdit] = &MakeRestoreCounting;
  const TWndMethod original = edit->WindowProc();
  for (const bool skinRemoving : {false, true}) {
    SCOPED_TRACE(skinRemoving);
    gRestores = 0;
    TsSkinProvider* p = Skin();
    p->LoadInit();
    ShowForm();
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    ASSERT_NE(p->Adapter, nullptr);
    ASSERT_EQ(p->Adapter->ItemCount(), 1);
    // Painted once (this wrapper paints nothing itself): no update holds the frame back.
    p->Adapter->Items[0]->ScrollWnd->SkinData->FUpdating = false;
    ASSERT_FALSE(p->Adapter->Items[0]->ScrollWnd->SkinData->GetUpdating());
    EXPECT_EQ(p->Adapter->Items[0]->ScrollWnd->Adapter, p->Adapter.get());
    EXPECT_FALSE(edit->WindowProc() == original);
    EXPECT_TRUE(WndIsSkinned(edit->Handle()));
    TSentMessages sent(edit->Handle());
    {
      std::optional<TkvManagerStateScope> removing;
      if (skinRemoving) removing.emplace(skin->skin.Manager, msSkinRemoving);
      delete p;
    }
    EXPECT_FALSE(ItemsRemoving);
    EXPECT_TRUE(edit->WindowProc() == original);
    EXPECT_FALSE(WndIsSkinned(edit->Handle()));
    EXPECT_EQ(gRestores, skinRemoving ? 1 : 0);
    EXPECT_EQ(sent.Count(WM_NCCALCSIZE) + sent.Count(WM_NCPAINT) > 0, skinRemoving)
        << sent.Count(WM_NCCALCSIZE) << " " << sent.Count(WM_NCPAINT);
    // The control still answers through its own procedure.
    edit->SetText(u"after");
    EXPECT_EQ(edit->Text(), u"after");
  }
  lists[tpEdit]->Clear();
}
