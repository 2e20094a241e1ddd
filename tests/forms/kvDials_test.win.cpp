// The dialog skinner behind the thread hook: an activated form gets a run-time provider, a
// message box the "DIALOG" look and is still answered by keyboard and mouse, a form marked
// with the exception tag and an owned standard dialog keep their look, and a freed form leaves
// no slot in the list of skinned windows.
#include "forms/kvDials.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "skin/sVclUtils.h"
#include "support/FormFixture.h"
#include "support/FormSkin.h"
#include "ui/Dialogs.h"
#include "ui/ScopeGuard.h"

using namespace formskin;

namespace {

class DialogSkinner : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    kvDialsStartup();
    skin->skin.Manager.InstallHook();
    savedLatest = UseLatestCommonDialogs;
    UseLatestCommonDialogs = false;  // as the manager sets it while a skin is active
  }
  void TearDown() override {
    UseLatestCommonDialogs = savedLatest;
    skin->skin.Manager.UnInstallHook();
    kvDialsCleanup();
    SkinnedForm::TearDown();
  }
  static TsSkinProvider* ProviderOfWindow(HWND wnd) { return dynamic_cast<TsSkinProvider*>(GetFormProvider(wnd)); }
  bool savedLatest = true;
};

// What the timer saw of the message box while it was up, and how it answered it.
struct BoxProbe {
  HWND box = nullptr;
  String section;
  bool rtInitDone = false;
  bool byMouse = false;
  Integer titleColourMatches = 0;
};
BoxProbe* gProbe = nullptr;

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = GetActiveWindow();
  if (!gProbe || !box || GetWndClassName(box) != u"TMessageForm") return;
  KillTimer(nullptr, id);
  gProbe->box = box;
  if (auto* sp = dynamic_cast<TsSkinProvider*>(GetFormProvider(box))) {
    gProbe->section = sp->FCommonData->SkinSection();
    gProbe->rtInitDone = !sp->RTInit;
  }
  if (gProbe->byMouse) {
    HWND ok = FindWindowExW(box, nullptr, nullptr, L"OK");
    RECT r{};
    GetWindowRect(ok, &r);
    ClickAt(TPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
  } else {
    PressKey(VK_RETURN);
  }
}

}  // namespace

TEST_F(DialogSkinner, ActivatedFormGetsARunTimeProvider) {
  ASSERT_EQ(ProviderOfWindow(form->Handle()), nullptr);
  ShowForm();
  TsSkinProvider* sp = ProviderOfWindow(form->Handle());
  ASSERT_NE(sp, nullptr);
  EXPECT_EQ(sp->FCommonData->SkinSection(), u"FORM");
  ASSERT_NE(kvSupportedList, nullptr);
  // The form's entry has done its work once the list is cleaned (the activation cleans it);
  // the provider stays with the form.
  EXPECT_EQ(FindFormInList(form->Handle()), nullptr);
  EXPECT_EQ(ProviderOfWindow(form->Handle()), sp);
  // A second activation finds it skinned and adds nothing.
  const size_t entries = kvSupportedList->size();
  EXPECT_FALSE(AddSupportedFormEx(form->Handle()));
  EXPECT_EQ(kvSupportedList->size(), entries);
}

TEST_F(DialogSkinner, FormWithTheExceptionTagIsHandledAndLeftAlone) {
  form->SetTag(ExceptTag);
  EXPECT_TRUE(AddSupportedFormEx(form->Handle()));
  ShowForm();
  EXPECT_EQ(ProviderOfWindow(form->Handle()), nullptr);
}

TEST_F(DialogSkinner, MessageBoxTakesTheDialogLookAndAnswersTheKeyboard) {
  ShowForm();
  BoxProbe probe;
  gProbe = &probe;
  const auto clear = SetForScope(gProbe, &probe, nullptr);
  SetTimer(nullptr, 0, 150, &AnswerBox);
  EXPECT_EQ(MessageDlg(u"Parsed.", mtInformation, TMsgDlgButtons{mbOK}, 0), mrOk);
  EXPECT_NE(probe.box, nullptr);
  EXPECT_EQ(probe.section, u"DIALOG");
  EXPECT_TRUE(probe.rtInitDone);
}

TEST_F(DialogSkinner, MessageBoxAnswersTheMouse) {
  ShowForm();
  BoxProbe probe;
  probe.byMouse = true;
  gProbe = &probe;
  const auto clear = SetForScope(gProbe, &probe, nullptr);
  SetTimer(nullptr, 0, 150, &AnswerBox);
  EXPECT_EQ(MessageDlg(u"Saved.", mtWarning, TMsgDlgButtons{mbOK}, 0), mrOk);
  EXPECT_EQ(probe.section, u"DIALOG");
}

TEST_F(DialogSkinner, OwnedStandardDialogKeepsItsStandardLook) {
  ShowForm();
  // An empty "#32770" dialog owned by the form, as the folder picker is.
  struct {
    DLGTEMPLATE t;
    WORD menu, cls, title;
  } tmpl{};
  tmpl.t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  tmpl.t.cx = 120;
  tmpl.t.cy = 60;
  HWND dlg = CreateDialogIndirectParamW(nullptr, &tmpl.t, form->Handle(), &PlainDialogProc, 0);
  ASSERT_NE(dlg, nullptr);
  const auto destroy = TScopeExit([&] { DestroyWindow(dlg); });
  ShowWindow(dlg, SW_SHOW);
  Application->ProcessMessages();
  EXPECT_TRUE(AddSupportedFormEx(dlg));  // handled: it keeps its look
  EXPECT_FALSE(WndIsSkinned(dlg));
  EXPECT_EQ(FindFormInList(dlg), nullptr);
}

TEST_F(DialogSkinner, FreedFormLeavesNoSlotBehind) {
  ShowForm();
  ASSERT_NE(kvSupportedList, nullptr);
  auto* second = new TForm(app.get());
  second->AfterConstruction();
  second->SetBounds(200, 200, 200, 120);
  second->HandleNeeded();
  // Skinned as its window was made (the hook handed it over), not yet activated: its entry is
  // still in the list.
  ASSERT_NE(ProviderOfWindow(second->Handle()), nullptr);
  ASSERT_NE(FindFormInList(second->Handle()), nullptr);
  const size_t entries = kvSupportedList->size();
  delete second;
  EXPECT_EQ(kvSupportedList->size(), entries - 1);
  for (const auto& e : *kvSupportedList) EXPECT_NE(e, nullptr);
}

namespace {
void CALLBACK PressEnterOnBox(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = GetActiveWindow();
  if (!box || GetWndClassName(box) != u"TMessageForm") return;
  KillTimer(nullptr, id);
  PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(box, WM_KEYUP, VK_RETURN, 0);
}
}  // namespace

// Message boxes skinned one after another leave no GDI or USER handle behind.
TEST_F(DialogSkinner, NoHandleLeakedOverMessageBoxCycles) {
  ShowForm();
  auto cycle = [] {
    SetTimer(nullptr, 0, 10, &PressEnterOnBox);
    return MessageDlg(u"Again.", mtInformation, TMsgDlgButtons{mbOK}, 0);
  };
  for (int i = 0; i < 5; ++i) ASSERT_EQ(cycle(), mrOk);  // caches made once
  const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(cycle(), mrOk);
  EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi + 2);
  EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user + 2);
  // Each box took its entry out of the list when it went.
  for (const auto& e : *kvSupportedList) EXPECT_NE(e, nullptr);
  EXPECT_LE(kvSupportedList->size(), 2u);
}
