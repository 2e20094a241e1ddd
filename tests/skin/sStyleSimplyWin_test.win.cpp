// The application-wide broadcasts, the walk over a manager's providers, and the freezing,
// snapshotting and thawing of forms around a skin change, with providers played by a test
// double (support/ProviderDouble.h).
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "skin/FormServices.h"
#include "skin/WrapperServices.h"
#include "skin/sSkinManager.h"
#include "skin/sStyleSimply.h"
#include "skin/sVclUtils.h"
#include "support/FormFixture.h"
#include "support/ProviderDouble.h"
#include "support/SkinCommands.h"
#include "ui/Forms.h"
#include "ui/Icon.h"

namespace {

class Broadcasts : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    HookedComponents.clear();
  }
  void TearDown() override {
    kvSupportedList.reset();
    providers.clear();
    recorders.clear();
    manager.reset();
    FormTest::TearDown();
    HookedComponents.clear();
    InAnimationProcess = false;
  }
  TForm* NewForm(const char* name, Integer left) {
    auto* f = new TForm(app.get());
    f->AfterConstruction();
    f->SetBounds(left, 100, 200, 150);
    recorders.push_back(std::make_unique<TFormCommandRecorder>(f, name, log));
    return f;
  }
  TProviderDouble* Provide(TForm* f) {
    providers.push_back(std::make_unique<TProviderDouble>(f, manager.get()));
    return providers.back().get();
  }
  void MakeDialog(bool visible) { AddHookedDialog(log, visible); }
  TMessage Command(Word command, intptr_t lParam = 0) {
    return MakeMessage(SM_ALPHACMD, uintptr_t{command} << 16, lParam);
  }
  size_t Count(const std::string& who, Word command) { return log.Count(who, command); }

  std::unique_ptr<DuRiruZireziv> manager = std::make_unique<DuRiruZireziv>(nullptr);
  SkinCommandLog log;
  std::vector<std::unique_ptr<TFormCommandRecorder>> recorders;
  std::vector<std::unique_ptr<TProviderDouble>> providers;
};

}  // namespace

TEST_F(Broadcasts, ReachEveryFormControlAndHookedDialogOnce) {
  recorders.push_back(std::make_unique<TFormCommandRecorder>(form, "plain", log));
  auto* outer = new TCommandProbe(form, "plain.outer", log);
  new TCommandProbe(outer, "plain.inner", log);
  TForm* skinned = NewForm("skinned", 320);
  new TCommandProbe(skinned, "skinned.ctrl", log);
  Provide(skinned);
  TForm* noWindow = NewForm("nowindow", 540);
  ASSERT_FALSE(noWindow->HandleAllocated());
  MakeDialog(true);

  TMessage m = Command(KV_SETNEWSKIN, reinterpret_cast<intptr_t>(manager.get()));
  AppBroadCastS(m);
  for (const char* who : {"plain", "plain.outer", "plain.inner", "skinned", "skinned.ctrl", "nowindow", "dialog"})
    EXPECT_EQ(Count(who, KV_SETNEWSKIN), 1u) << who;
  // Asking a form for its window made the window of the one that had none.
  EXPECT_TRUE(noWindow->HandleAllocated());
}

TEST_F(Broadcasts, HiddenHookedDialogsAndFormsBeingDestroyedGetNothing) {
  TForm* skinned = NewForm("skinned", 320);
  Provide(skinned);
  MakeDialog(false);
  TMessage m = Command(KV_REFRESH);
  SendToHooked(m);
  EXPECT_EQ(Count("skinned", KV_REFRESH), 1u);
  EXPECT_EQ(Count("dialog", KV_REFRESH), 0u);
  EXPECT_EQ(Count("plain", KV_REFRESH), 0u);  // no provider: not in the registry
}

TEST_F(Broadcasts, AFormFreedByAReceiverDoesNotEndTheWalk) {
  // The application's forms are walked from the last to the first: the one made last hears
  // the command first and frees a form the walk has not reached yet.
  TForm* victim = NewForm("victim", 320);
  new TCommandProbe(victim, "victim.ctrl", log);
  TForm* skinned = NewForm("skinned", 540);
  new TCommandProbe(skinned, "skinned.ctrl", log);
  Provide(skinned);
  TForm* killer = NewForm("killer", 760);
  auto* trigger = new TCommandProbe(killer, "killer.ctrl", log);
  trigger->onCommand = [&](TMessage&) {
    if (!victim) return;
    recorders.erase(recorders.begin() + 1);  // the victim's recorder goes with it
    TForm* v = victim;
    victim = nullptr;
    v->Free();
  };
  MakeDialog(true);
  recorders.insert(recorders.begin(), std::make_unique<TFormCommandRecorder>(form, "plain", log));

  TMessage m = Command(KV_SETNEWSKIN);
  AppBroadCastS(m);
  EXPECT_EQ(Count("killer.ctrl", KV_SETNEWSKIN), 1u);
  EXPECT_EQ(Count("victim.ctrl", KV_SETNEWSKIN), 0u);
  // The forms after it, the registered ones and the hooked dialogs are still reached.
  EXPECT_EQ(Count("plain", KV_SETNEWSKIN), 1u);
  EXPECT_EQ(Count("skinned", KV_SETNEWSKIN), 1u);
  EXPECT_EQ(Count("skinned.ctrl", KV_SETNEWSKIN), 1u);
  EXPECT_EQ(Count("dialog", KV_SETNEWSKIN), 1u);
}

TEST_F(Broadcasts, ARegisteredFormFreedDuringTheBroadcastIsSkipped) {
  TForm* first = NewForm("first", 320);
  auto* trigger = new TCommandProbe(first, "first.ctrl", log);
  Provide(first);
  TForm* second = NewForm("second", 540);
  Provide(second);
  trigger->onCommand = [&](TMessage&) {
    if (providers.size() < 2) return;
    providers.pop_back();  // the second provider goes: its form leaves the registry
    recorders.pop_back();
    second->Free();
  };
  MakeDialog(true);
  TMessage m = Command(KV_REFRESH);
  SendToHooked(m);
  EXPECT_EQ(Count("first", KV_REFRESH), 1u);
  EXPECT_EQ(Count("second", KV_REFRESH), 0u);
  EXPECT_EQ(Count("dialog", KV_REFRESH), 1u);
}

TEST_F(Broadcasts, FrameSwitchGoesToRegisteredFormsOnly) {
  recorders.push_back(std::make_unique<TFormCommandRecorder>(form, "plain", log));
  TForm* skinned = NewForm("skinned", 320);
  Provide(skinned);
  MakeDialog(true);
  manager->Options.SetBool(6, false);  // DrawNonClientArea
  EXPECT_EQ(Count("skinned", KV_SETNCSKINNED), 1u);
  EXPECT_EQ(Count("dialog", KV_SETNCSKINNED), 1u);
  EXPECT_EQ(Count("plain", KV_SETNCSKINNED), 0u);
  manager->Options.SetBool(6, false);  // unchanged: nothing sent
  EXPECT_EQ(Count("skinned", KV_SETNCSKINNED), 1u);
}

TEST_F(Broadcasts, IterateFormsVisitsTheVisibleFormsOfTheManager) {
  TForm* shown = NewForm("shown", 320);
  Provide(shown);
  TForm* hidden = NewForm("hidden", 540);
  Provide(hidden);
  TForm* minimized = NewForm("minimized", 760);
  Provide(minimized);
  TForm* other = NewForm("other", 100);
  DuRiruZireziv otherManager(nullptr);
  providers.push_back(std::make_unique<TProviderDouble>(other, &otherManager));
  shown->Show();
  minimized->Show();
  other->Show();
  ShowWindow(minimized->WindowHandle(), SW_MINIMIZE);
  PumpMessages();
  std::vector<TForm*> visited;
  IterateForms(
      manager.get(),
      [&](TkvFormProvider* p, Integer data) {
        EXPECT_EQ(data, 7);
        visited.push_back(p->ProviderForm());
      },
      7);
  EXPECT_EQ(visited, std::vector<TForm*>{shown});
  providers.pop_back();
}

TEST_F(Broadcasts, LockThenUnlockRepaintsEachFormOnce) {
  TForm* a = NewForm("a", 320);
  TProviderDouble* pa = Provide(a);
  TForm* b = NewForm("b", 540);
  TProviderDouble* pb = Provide(b);
  a->Show();
  b->Show();
  PumpMessages();
  LockForms(manager.get());
  for (TProviderDouble* p : {pa, pb}) {
    EXPECT_TRUE(p->FFormState & FS_LOCKED);
    EXPECT_TRUE(p->FInAnimation);
    // Redraw switched off clears the visible bit of the style without hiding the window.
    EXPECT_EQ(GetWindowLongW(p->Form->WindowHandle(), GWL_STYLE) & WS_VISIBLE, 0);
  }
  EXPECT_TRUE(InAnimationProcess);  // the default manager with the skin-changing animation on
  UnLockForms(manager.get(), true);
  EXPECT_FALSE(InAnimationProcess);
  for (TProviderDouble* p : {pa, pb}) {
    EXPECT_FALSE(p->FFormState & FS_LOCKED);
    EXPECT_FALSE(p->FInAnimation);
    EXPECT_NE(GetWindowLongW(p->Form->WindowHandle(), GWL_STYLE) & WS_VISIBLE, 0);
    EXPECT_EQ(p->corner_fills, 1);
    EXPECT_EQ(p->region_updates, 1);
  }
}

TEST_F(Broadcasts, UnlockWithoutRepaintOnlyLetsTheFormsDrawAgain) {
  TForm* a = NewForm("a", 320);
  TProviderDouble* pa = Provide(a);
  a->Show();
  PumpMessages();
  LockForms(manager.get());
  UnLockForms(manager.get(), false);
  EXPECT_FALSE(pa->FFormState & FS_LOCKED);
  EXPECT_NE(GetWindowLongW(a->WindowHandle(), GWL_STYLE) & WS_VISIBLE, 0);
  EXPECT_EQ(pa->corner_fills, 0);
  EXPECT_EQ(pa->region_updates, 0);
}

TEST_F(Broadcasts, FormsLockedBeforeTheApplicationWasMinimizedAreUnlocked) {
  TForm* a = NewForm("a", 320);
  TProviderDouble* pa = Provide(a);
  a->Show();
  PumpMessages();
  LockForms(manager.get());
  ASSERT_TRUE(pa->FFormState & FS_LOCKED);
  ShowWindow(app->Handle(), SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(app->Handle()));
  UnLockForms(manager.get(), true);
  EXPECT_FALSE(pa->FFormState & FS_LOCKED);
  EXPECT_FALSE(pa->FInAnimation);
  EXPECT_NE(GetWindowLongW(a->WindowHandle(), GWL_STYLE) & WS_VISIBLE, 0);
  EXPECT_FALSE(InAnimationProcess);
  ShowWindow(app->Handle(), SW_RESTORE);
}

TEST_F(Broadcasts, NothingIsLockedWhileTheApplicationIsMinimized) {
  TForm* a = NewForm("a", 320);
  TProviderDouble* pa = Provide(a);
  a->Show();
  PumpMessages();
  ShowWindow(app->Handle(), SW_MINIMIZE);
  LockForms(manager.get());
  EXPECT_FALSE(pa->FFormState & FS_LOCKED);
  EXPECT_NE(GetWindowLongW(a->WindowHandle(), GWL_STYLE) & WS_VISIBLE, 0);
  ShowWindow(app->Handle(), SW_RESTORE);
}

TEST_F(Broadcasts, SnapshotsAndTheirRelease) {
  TForm* a = NewForm("a", 320);
  TProviderDouble* pa = Provide(a);
  TBorderDouble border;
  border.CreateNewForm();
  pa->BorderForm = &border;
  TForm* b = NewForm("b", 540);
  TProviderDouble* pb = Provide(b);  // no outer border: marked only
  a->Show();
  b->Show();
  PumpMessages();
  pa->FCommonData->BGChanged = false;
  CopyExForms(manager.get());
  EXPECT_EQ(pa->images, 1);
  ASSERT_NE(pa->CoverBmp, nullptr);
  EXPECT_EQ(pa->CoverBmp->Width(), a->Width());
  EXPECT_FALSE(pa->FFormState & FS_CHANGING);
  EXPECT_TRUE(pa->FCommonData->BGChanged);
  EXPECT_EQ(pb->images, 0);
  EXPECT_TRUE(pa->FInAnimation);
  EXPECT_TRUE(pb->FInAnimation);
  EXPECT_TRUE(InAnimationProcess);

  // Locked with its snapshot, the border window shows it over the form meanwhile: the form in
  // the snapshot lands on the form (the border's picture reaches beyond it by its offsets).
  border.FormOffset = TPoint(14, 38);
  LockForms(manager.get());
  EXPECT_TRUE(IsWindowVisible(border.AForm));
  RECT formRect{}, shown{};
  GetWindowRect(a->WindowHandle(), &formRect);
  GetWindowRect(border.AForm, &shown);
  EXPECT_EQ(shown.left, formRect.left - 14);
  EXPECT_EQ(shown.top, formRect.top - 38);
  EXPECT_FALSE(border.ExBorderShowing);
  UnLockForms(manager.get(), true);
  EXPECT_EQ(border.made_regions, 1);
  EXPECT_EQ(border.positioned, 1);
  EXPECT_EQ(border.last_blend, 255);

  // A refused change gives back what the snapshot took.
  CopyExForms(manager.get());
  DropExForms(manager.get(), false);
  EXPECT_EQ(pa->CoverBmp, nullptr);
  EXPECT_FALSE(pa->FInAnimation);
  EXPECT_FALSE(pb->FInAnimation);
  EXPECT_FALSE(InAnimationProcess);
  pa->BorderForm = nullptr;
}

// ---- The neutral form and wrapper services ------------------------------------------------

TEST_F(Broadcasts, WithoutAFormLayerNothingIsSkinnedOrCovered) {
  ASSERT_EQ(TkvServiceSlot<TkvFormServices>::Get(), nullptr);
  EXPECT_EQ(GetFormProvider(form->Handle()), nullptr);
  EXPECT_EQ(GetSkinProvider(form), nullptr);
  AddSupportedForm(form->Handle());  // the dialog skinner is not there: nothing happens
  ClearMnuArray();
  EXPECT_EQ(MakeCoverForm(form->Handle(), TRect(0, 0, 10, 10)), nullptr);
  EXPECT_EQ(Kv_GetScrollWndFromHwnd(form->Handle()), nullptr);
  EXPECT_EQ(kvSupportedList, nullptr);
  EXPECT_TRUE(SupportedDialogWindows().empty());
  TProviderDouble* p = Provide(NewForm("skinned", 320));
  EXPECT_EQ(GetFormProvider(p->Form->WindowHandle()), p);
  EXPECT_EQ(GetSkinProvider(p->Form), p);
}

// The program file's icons are asked of the shell on their first use, not at the start-up
// (the shell is slow to answer), and only between the module's start-up and its clean-up.
TEST(ApplicationIcons, AreAskedOfTheShellOnFirstUseWhileTheModuleIsStarted) {
  InitSysProc();
  ASSERT_NE(kvSHGetFileInfo, nullptr);
  EXPECT_EQ(AppIcon(), nullptr);  // not started
  sStyleSimplyStartup();
  TIcon* small = AppIcon();
  TIcon* large = AppIconLarge();
  ASSERT_NE(small, nullptr);  // the shell's icon of this test program
  ASSERT_NE(large, nullptr);
  EXPECT_EQ(AppIcon(), small);  // asked once
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(small->Handle(), &info));
  BITMAP bm{};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  EXPECT_EQ(bm.bmWidth, GetSystemMetrics(SM_CXSMICON));
  sStyleSimplyCleanup();
  EXPECT_EQ(AppIcon(), nullptr);  // after the clean-up: not asked again
  EXPECT_EQ(AppIconLarge(), nullptr);
}
