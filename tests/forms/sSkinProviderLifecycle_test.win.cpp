// The skin provider's life on its form: taking over and giving back the window procedure, an
// inert second provider, a run-time provider giving way, the first frame paint initialising a
// run-time provider, and the skin commands in the skinned and the unskinned state.
#include <algorithm>

#include "base/sMessages.h"
#include "skin/sStyleSimply.h"
#include "support/FormSkin.h"

using formskin::SkinnedForm;

namespace {

// Records what reaches the procedure under the provider (the form's own).
struct Recorder {
  void Proc(TMessage& m) {
    seen.push_back(m.Msg == SM_ALPHACMD ? (SM_ALPHACMD << 8 | m.WParamHi) : m.Msg);
    old(m);
  }
  bool Saw(Cardinal code) const { return std::find(seen.begin(), seen.end(), code) != seen.end(); }
  TWndMethod old;
  std::vector<Cardinal> seen;
};

bool Registered(TComponent* form) {
  return std::find(HookedComponents.begin(), HookedComponents.end(), form) != HookedComponents.end();
}

TkvFormProvider* AskProvider(HWND wnd) {
  return reinterpret_cast<TkvFormProvider*>(SendMessageW(wnd, SM_ALPHACMD, KV_GETPROVIDER_HI, 0));
}

}  // namespace

using ProviderLife = SkinnedForm;

TEST_F(ProviderLife, TakesOverTheProcedureAnswersForTheFormAndGivesItBack) {
  const TWndMethod before = form->WindowProc();
  TsSkinProvider* p = Skin();
  EXPECT_TRUE(p->Installed());
  EXPECT_TRUE(form->WindowProc() == TWndMethod(p, &TsSkinProvider::NewWndProc));
  EXPECT_EQ(AskProvider(form->Handle()), static_cast<TkvFormProvider*>(p));
  EXPECT_TRUE(Registered(form));
  EXPECT_TRUE(p->Skinned());
  EXPECT_NE(p->SystemMenu, nullptr);  // prepared for the active skin
  delete p;
  EXPECT_TRUE(form->WindowProc() == before);
  EXPECT_FALSE(Registered(form));
  EXPECT_EQ(AskProvider(form->Handle()), nullptr);
}

// An inert provider that is freed must neither cut the live provider out of the chain nor
// take the form out of the registry.
TEST_F(ProviderLife, FreeingAnInertProviderLeavesTheLiveOneInPlace) {
  TsSkinProvider* live = Skin();
  auto* inert = new TsSkinProvider(form);
  EXPECT_TRUE(inert->RTEmpty);
  EXPECT_FALSE(inert->Installed());
  delete inert;
  EXPECT_TRUE(form->WindowProc() == TWndMethod(live, &TsSkinProvider::NewWndProc));
  EXPECT_TRUE(Registered(form));
  EXPECT_EQ(AskProvider(form->Handle()), static_cast<TkvFormProvider*>(live));
  // The form still works through it.
  EXPECT_EQ(SendMessageW(form->Handle(), WM_GETTEXTLENGTH, 0, 0), 7);
}

TEST_F(ProviderLife, AWaitingRunTimeProviderGivesWayAndHandsOnItsBorderStyle) {
  TsSkinProvider* first = TsSkinProvider::CreateRT(form);
  EXPECT_TRUE(first->RTInit);
  first->FluentBorderStyle = bsSingle;
  auto* second = new TsSkinProvider(form);
  EXPECT_FALSE(second->RTEmpty);
  EXPECT_EQ(second->FluentBorderStyle, bsSingle);
  ASSERT_EQ(form->ComponentCount(), 1);
  EXPECT_EQ(form->Components(0), second);
  EXPECT_TRUE(form->WindowProc() == TWndMethod(second, &TsSkinProvider::NewWndProc));
  EXPECT_EQ(AskProvider(form->Handle()), static_cast<TkvFormProvider*>(second));
}

TEST_F(ProviderLife, FirstFramePaintInitialisesARunTimeProvider) {
  TsSkinProvider* p = TsSkinProvider::CreateRT(form);
  p->FCommonData->BeginUpdate();  // even while its skin data is updating
  EXPECT_EQ(p->SystemMenu, nullptr);
  SendMessageW(form->Handle(), WM_NCPAINT, 1, 0);
  EXPECT_FALSE(p->RTInit);
  EXPECT_NE(p->SystemMenu, nullptr);
  p->FCommonData->EndUpdate();
}

TEST_F(ProviderLife, FirstHitTestInitialisesARunTimeProvider) {
  TsSkinProvider* p = TsSkinProvider::CreateRT(form);
  HitTest(150, 10);
  EXPECT_FALSE(p->RTInit);
  EXPECT_NE(p->SystemMenu, nullptr);
}

TEST_F(ProviderLife, ResizeModeStaysStandard) {
  TsSkinProvider* p = Skin();
  p->SetResizeMode(rmBorder);
  EXPECT_EQ(p->ResizeMode(), rmStandard);
}

TEST_F(ProviderLife, MinimizeAnimationStateFreezesAlignmentOnlyWhileSet) {
  TsSkinProvider* p = Skin();
  EXPECT_FALSE(form->AlignDisabled());
  p->SetFormState(FS_ANIMMINIMIZING);
  EXPECT_TRUE(form->AlignDisabled());
  p->SetFormState(FS_ANIMMINIMIZING | FS_SIZING);  // unchanged bit: no second level
  p->SetFormState(0);
  EXPECT_FALSE(form->AlignDisabled());
  p->SetFormState(FS_ANIMMINIMIZING | FS_ANIMRESTORING);
  p->SetFormState(FS_ANIMRESTORING);
  EXPECT_TRUE(form->AlignDisabled());
  p->SetFormState(0);
  EXPECT_FALSE(form->AlignDisabled());
}

TEST_F(ProviderLife, UnknownCommandIsSwallowedWhileSkinnedAndReachesTheUnskinnedForm) {
  Recorder rec;
  rec.old = form->WindowProc();
  form->SetWindowProc(TWndMethod(&rec, &Recorder::Proc));
  TsSkinProvider* p = Skin();
  const Cardinal unknown = SM_ALPHACMD << 8 | 99;
  SendMessageW(form->Handle(), SM_ALPHACMD, uintptr_t(99) << 16, 0);
  EXPECT_FALSE(rec.Saw(unknown));
  SendMessageW(form->Handle(), WM_PRINTCLIENT, 0, 0);
  EXPECT_FALSE(rec.Saw(WM_PRINTCLIENT));

  p->FCommonData->SkinIndex = -1;  // the skin no longer applies to it
  ASSERT_FALSE(p->Skinned());
  SendMessageW(form->Handle(), SM_ALPHACMD, uintptr_t(99) << 16, 0);
  EXPECT_TRUE(rec.Saw(unknown));
  // Still the provider's answer in the unskinned state.
  EXPECT_EQ(AskProvider(form->Handle()), static_cast<TkvFormProvider*>(p));
  delete p;
  form->SetWindowProc(rec.old);
}

TEST_F(ProviderLife, DefaultIndexIsTheSectionPlusOne) {
  Skin();
  EXPECT_EQ(SendMessageW(form->Handle(), SM_ALPHACMD, KV_GETDEFINDEX_HI, 0), skin->form + 1);
  EXPECT_EQ(SendMessageW(form->Handle(), SM_ALPHACMD, uintptr_t(KV_GETDEFSECTION) << 16, 0), 13);
}

// The window class is shared with unskinned forms: its background brush is left alone, so a
// later skin change cannot delete a brush the class still holds.
TEST_F(ProviderLife, WindowClassBackgroundIsLeftAlone) {
  const ULONG_PTR before = GetClassLongPtrW(form->Handle(), GCLP_HBRBACKGROUND);
  TsSkinProvider* p = Skin();
  p->LoadInit();
  SendMessageW(form->Handle(), SM_ALPHACMD, KV_SETNEWSKIN_HI, reinterpret_cast<LPARAM>(&skin->skin.Manager));
  SendMessageW(form->Handle(), SM_ALPHACMD, KV_REFRESH_HI, reinterpret_cast<LPARAM>(&skin->skin.Manager));
  ShowForm();
  EXPECT_EQ(GetClassLongPtrW(form->Handle(), GCLP_HBRBACKGROUND), before);
  SendMessageW(form->Handle(), SM_ALPHACMD, KV_REMOVESKIN_HI, reinterpret_cast<LPARAM>(&skin->skin.Manager));
  EXPECT_EQ(GetClassLongPtrW(form->Handle(), GCLP_HBRBACKGROUND), before);
}

TEST_F(ProviderLife, FormFreedWithItsProviderLeavesNothingBehind) {
  TsSkinProvider* p = Skin();
  ShowForm();
  (void)p;
  TForm* f = form;
  form = nullptr;
  delete f;
  EXPECT_TRUE(std::none_of(HookedComponents.begin(), HookedComponents.end(), [&](TComponent* c) { return c == f; }));
}

TEST_F(ProviderLife, AlphaCommandFadesTheWindowThroughItsLayeredAlpha) {
  Skin();
  ShowForm();
  const HWND h = form->Handle();
  SendMessageW(h, SM_ALPHACMD, uintptr_t(KV_SETALPHA) << 16, 100);
  ASSERT_TRUE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_LAYERED);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(h, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 100);
  EXPECT_TRUE(flags & LWA_ALPHA);
  SendMessageW(h, SM_ALPHACMD, uintptr_t(KV_SETALPHA) << 16, 255);
  EXPECT_FALSE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_LAYERED);
}

TEST_F(ProviderLife, ChildrenAreToldWhetherTheFormBackgroundChangesWithItsSize) {
  Skin();
  const HWND h = form->Handle();
  EXPECT_EQ(SendMessageW(h, SM_ALPHACMD, uintptr_t(KV_CHILDCHANGED) << 16, 0), 0);  // plain colour
  skin->skin.Section(skin->form).Props[0].GradientPercent = 100;
  EXPECT_EQ(SendMessageW(h, SM_ALPHACMD, uintptr_t(KV_CHILDCHANGED) << 16, 0), 1);
  skin->skin.Section(skin->form).Props[0].GradientPercent = 0;
  skin->skin.Image(skin->border).DrawMode = 4;  // the border image drawn stretched
  EXPECT_EQ(SendMessageW(h, SM_ALPHACMD, uintptr_t(KV_CHILDCHANGED) << 16, 0), 1);
}

TEST_F(ProviderLife, StatusBarIsAnnouncedAndForgotten) {
  TsSkinProvider* p = Skin();
  TControl* bar = form;  // any control stands for it
  SendMessageW(form->Handle(), SM_ALPHACMD, uintptr_t(KV_STATUSBAR) << 16 | 1, reinterpret_cast<LPARAM>(bar));
  EXPECT_EQ(p->StatusBar, bar);
  SendMessageW(form->Handle(), SM_ALPHACMD, uintptr_t(KV_STATUSBAR) << 16, 0);
  EXPECT_EQ(p->StatusBar, nullptr);
}
