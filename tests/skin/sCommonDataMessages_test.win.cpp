// The common message handling of a skinned control: a test control that passes every message
// to its skin data first answers the common commands, keeps hover, focus and redraw locks in
// step, renders its cache only when its background changed, follows skin changes, and ignores
// what another process sends or posts.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/sMessages.h"
#include "skin/WrapperServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "support/ProviderDouble.h"
#include "support/SkinFixture.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"
#include "ui/TypInfo.h"

namespace {

// A control that owns skin data and hands it every message first, as the engine's controls do.
class TSkinnedProbe : public TCustomControl {
 public:
  TSkinnedProbe(TComponent* owner, Byte coc) : TCustomControl(owner), Data(std::make_unique<TsCommonData>(this)) {
    Data->COC = coc;
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD) {
      Commands.push_back(m.WParamHi);
      if (m.WParamHi == KV_GETDEFINDEX) {
        m.Result = DefaultSection + 1;
        return;
      }
      if (m.WParamHi == KV_GETDEFSECTION) {
        m.Result = DefaultPosition;
        return;
      }
      if (m.WParamHi == KV_PREPARECACHE) {
        // The owner renders its look into the cache; the common handling marks it current.
        ++Renders;
        Data->InitCacheBmp();
      }
    }
    if (m.Msg == WM_NCCALCSIZE) ++FrameCalcs;
    if (CommonWndProc(m, Data.get())) return;
    TCustomControl::WndProc(m);
  }
  Integer Count(Word command) const { return Integer(std::count(Commands.begin(), Commands.end(), command)); }

  std::unique_ptr<TsCommonData> Data;
  std::vector<Word> Commands;
  Integer DefaultSection = -1;
  intptr_t DefaultPosition = 0;  // its default section's position in kvDefSections + 1
  Integer Renders = 0;
  Integer FrameCalcs = 0;
};

TsGeneralData Section(const char16_t* name, Integer transparency, TColor color, Integer states = 2) {
  return PlainSection(name, transparency, color, states);
}

class CommonHandling : public testing::Test {
 protected:
  void SetUp() override {
    app = std::make_unique<TApplication>();
    skin = std::make_unique<SkinFixture>();
    button = skin->AddSection(Section(u"BUTTON", 0, 0x102030));
    edit = skin->AddSection(Section(u"EDIT", 0, 0xFFFFFF));
    skin->Section(edit).Props[1].Color = 0xEEFFEE;
    skin->Section(edit).Props[1].FontColor.Color = 0x0000AA;
    panel = skin->AddSection(Section(u"PANEL", 0, 0x808080, 1));
    skin->Data->IndexSections();
    form = new TForm(app.get());
    form->AfterConstruction();
    form->SetBounds(50, 50, 300, 200);
  }
  void TearDown() override {
    app.reset();
    skin.reset();
  }
  TSkinnedProbe* Make(Byte coc, const String& section) {
    auto* c = new TSkinnedProbe(form, coc);
    c->SetBounds(10, 10, 80, 30);
    c->SetParent(form);
    c->SetTabStop(true);
    c->HandleNeeded();
    c->Data->SetSkinSection(section);
    c->Data->Loaded(false);
    return c;
  }
  static intptr_t Send(TControl* c, Word command, intptr_t lParam = 0, Word arg = 0) {
    return SendMessageW(static_cast<TWinControl*>(c)->Handle(), SM_ALPHACMD, uintptr_t{command} << 16 | arg, lParam);
  }
  intptr_t Manager() const { return reinterpret_cast<intptr_t>(&skin->Manager); }

  std::unique_ptr<TApplication> app;
  std::unique_ptr<SkinFixture> skin;
  TForm* form = nullptr;
  Integer button = -1, edit = -1, panel = -1;
};

}  // namespace

TEST_F(CommonHandling, TheSectionIsFoundByNameOrByTheOwnersDefault) {
  TSkinnedProbe* c = Make(COC_TsButton, u"edit");
  EXPECT_EQ(c->Data->FSkinSection, u"EDIT");
  EXPECT_EQ(c->Data->SkinIndex, edit);
  EXPECT_TRUE(c->Data->Skinned(true));
  c->Data->SetSkinSection(u"NOSUCHSECTION");
  EXPECT_EQ(c->Data->SkinIndex, -1);
  EXPECT_EQ(c->Count(KV_REMOVESKIN), 1);  // a section the skin lacks unskins the owner
  auto* d = new TSkinnedProbe(form, COC_TsButton);
  d->DefaultSection = button;
  d->SetParent(form);
  d->HandleNeeded();
  d->Data->Loaded(false);
  EXPECT_EQ(d->Data->SkinIndex, button);  // no section set: the owner names its default
  EXPECT_EQ(GetCommonData(d->Handle()), d->Data.get());
}

TEST_F(CommonHandling, AnswersTheCommonCommands) {
  TSkinnedProbe* c = Make(COC_TsButton, u"BUTTON");
  struct Case {
    Word command;
    intptr_t lParam;
    intptr_t answer;
  } cases[] = {
      {KV_CTRLHANDLED, 0, 1},
      {KV_GETHALFVISIBLE, 0, 0},
      {KV_CHILDCHANGED, 0, 1},
      {KV_GETSCALE, 0, 96},
      {KV_GETSKINDATA, 0, reinterpret_cast<intptr_t>(c->Data.get())},
      {KV_ISOPAQUE, 0, 1},  // an active skin paints every control itself
  };
  for (const auto& k : cases) EXPECT_EQ(Send(c, k.command, k.lParam), k.answer) << k.command;
  Send(c, KV_SETHALFVISIBLE);
  EXPECT_EQ(Send(c, KV_GETHALFVISIBLE), 1);

  TkvSectionInfo info;
  Send(c, KV_GETSKININDEX, reinterpret_cast<intptr_t>(&info));
  EXPECT_EQ(info.siSkinIndex, button);
  TRect bounds(-1, -1, -1, -1);
  Send(c, KV_GETOUTRGN, reinterpret_cast<intptr_t>(&bounds));
  EXPECT_EQ(bounds, TRect(10, 10, 90, 40));

  const String name = u"edit";
  EXPECT_EQ(Send(c, KV_SETSECTION, reinterpret_cast<intptr_t>(name.c_str())), 1);
  EXPECT_EQ(c->Data->SkinIndex, edit);
  EXPECT_EQ(Send(c, KV_SETSECTION, 0), 0);  // no name: nothing changes
  EXPECT_EQ(c->Data->SkinIndex, edit);

  HDC dc = CreateCompatibleDC(nullptr);
  Send(c, KV_PRINTING, reinterpret_cast<intptr_t>(dc), 1);
  EXPECT_TRUE(c->Data->CtrlSkinState & KVS_PRINTING);
  EXPECT_EQ(c->Data->PrintDC, dc);
  Send(c, KV_PRINTING, 0, 0);
  EXPECT_FALSE(c->Data->CtrlSkinState & KVS_PRINTING);
  EXPECT_EQ(c->Data->PrintDC, nullptr);
  DeleteDC(dc);

  // KV_SETSCALE is for the owner too (the common part answers False), the rest is done here.
  TMessage scale = MakeMessage(SM_ALPHACMD, uintptr_t{KV_SETSCALE} << 16, 144);
  EXPECT_FALSE(CommonMessage(scale, c->Data.get()));
  EXPECT_EQ(c->Data->CurrentPPI, 144);
  EXPECT_EQ(Send(c, KV_GETSCALE), 144);
  // A code the common handling does not know goes on to the owner.
  TMessage unknown = MakeMessage(SM_ALPHACMD, uintptr_t{KV_GETPROVIDER} << 16, 0);
  EXPECT_FALSE(CommonWndProc(unknown, c->Data.get()));
  TMessage plain = MakeMessage(WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_FALSE(CommonWndProc(plain, c->Data.get()));
  EXPECT_FALSE(CommonWndProc(plain, nullptr));
}

TEST_F(CommonHandling, RedrawLocksAreCounted) {
  TSkinnedProbe* c = Make(COC_TsButton, u"BUTTON");
  HWND h = c->Handle();
  for (WPARAM w : {0, 0, 1, 1}) SendMessageW(h, WM_SETREDRAW, w, 0);
  EXPECT_EQ(c->Data->RedrawLockCount, 0);
  SendMessageW(h, WM_SETREDRAW, 1, 0);  // no lock open: nothing to release
  EXPECT_EQ(c->Data->RedrawLockCount, 0);
  // A hidden control's unlock is swallowed: the system would draw it where it is not shown.
  c->SetVisible(false);
  TMessage lock = MakeMessage(WM_SETREDRAW, 0, 0), unlock = MakeMessage(WM_SETREDRAW, 1, 0);
  EXPECT_FALSE(CommonWndProc(lock, c->Data.get()));
  EXPECT_TRUE(CommonWndProc(unlock, c->Data.get()));
  EXPECT_EQ(c->Data->RedrawLockCount, 0);
}

TEST_F(CommonHandling, HoverAndFocusStayInStep) {
  TSkinnedProbe* c = Make(COC_TsEdit, u"EDIT");
  auto* other = Make(COC_TsButton, u"BUTTON");
  other->SetBounds(100, 100, 50, 20);
  form->Show();
  SetForegroundWindow(form->Handle());
  SetCursorPos(0, 0);  // the mouse is far from the control
  c->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_TRUE(c->Data->FMouseAbove);
  EXPECT_EQ(skin->Manager.ActiveControl(), c->Handle());
  c->Perform(CM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(c->Data->FMouseAbove);

  c->SetFocus();
  EXPECT_TRUE(c->Data->FFocused);
  // An edit takes its hot colours with the focus.
  EXPECT_EQ(c->Color(), TColor(0xEEFFEE));
  EXPECT_EQ(c->Font()->Color(), TColor(0x0000AA));
  EXPECT_TRUE(c->Data->ControlIsActive());
  other->SetFocus();
  EXPECT_FALSE(c->Data->FFocused);
  EXPECT_EQ(c->Color(), TColor(0xFFFFFF));  // and its normal ones back without it
  EXPECT_FALSE(c->Data->ControlIsActive());

  c->Perform(CM_MOUSEENTER, 0, 0);
  c->SetEnabled(false);  // disabling ends hover and focus
  EXPECT_FALSE(c->Data->FMouseAbove);
  EXPECT_FALSE(c->Data->FFocused);

  auto* p = Make(COC_TsPanel, u"PANEL");
  p->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_FALSE(p->Data->FMouseAbove);  // panels are never hot
}

TEST_F(CommonHandling, AHoveredEditIsHotOnlyWhenHotEditsAreAllowed) {
  TSkinnedProbe* c = Make(COC_TsEdit, u"EDIT");
  c->Data->FMouseAbove = true;
  EXPECT_FALSE(c->Data->ControlIsActive());
  kv_AllowHotEdits = true;
  EXPECT_TRUE(c->Data->ControlIsActive());
  kv_AllowHotEdits = false;
  skin->Manager.Options.NoMouseHover = true;
  auto* b = Make(COC_TsSpeedButton, u"BUTTON");
  b->Data->FMouseAbove = true;
  EXPECT_FALSE(b->Data->ControlIsActive());
  skin->Manager.Options.NoMouseHover = false;
  EXPECT_TRUE(b->Data->ControlIsActive());
}

TEST_F(CommonHandling, TheCacheIsRenderedOnlyWhenTheBackgroundChanged) {
  // A section whose look needs the cache (a gradient): children get the owner's bitmap.
  skin->Section(button).Props[0].GradientPercent = 50;
  TSkinnedProbe* c = Make(COC_TsButton, u"BUTTON");
  auto ask = [&] {
    TkvBGInfo info;
    Send(c, KV_GETBG, reinterpret_cast<intptr_t>(&info));
    return info;
  };
  TkvBGInfo first = ask();
  EXPECT_EQ(first.BgType, btCache);
  EXPECT_EQ(first.Bmp, c->Data->FCacheBmp.get());
  EXPECT_EQ(c->Renders, 1);
  EXPECT_EQ(ask().BgType, btCache);
  EXPECT_EQ(ask().BgType, btCache);
  EXPECT_EQ(c->Renders, 1);  // nothing changed: the cache serves
  Send(c, KV_SETBGCHANGED);
  EXPECT_TRUE(c->Data->BGChanged);
  EXPECT_EQ(ask().BgType, btCache);
  EXPECT_EQ(c->Renders, 2);
  c->SetBounds(10, 10, 120, 30);  // a new size: the old cache does not fit
  ask();
  EXPECT_EQ(c->Renders, 3);
  EXPECT_EQ(c->Data->FCacheBmp->Width(), 120);

  // A plain opaque look is a fill of its colour: nothing is rendered for it.
  auto* plain = Make(COC_TsButton, u"PANEL");
  TkvBGInfo fill;
  Send(plain, KV_GETBG, reinterpret_cast<intptr_t>(&fill));
  EXPECT_EQ(fill.BgType, btFill);
  EXPECT_EQ(fill.Color, TColor(0x808080));
  EXPECT_EQ(plain->Renders, 0);
}

TEST_F(CommonHandling, FollowsASkinChangeOfItsOwnManagerOnly) {
  TSkinnedProbe* c = Make(COC_TsButton, u"EDIT");
  c->Data->FCacheBmp = std::make_unique<TBitmap>(80, 30, pf32bit);
  DuRiruZireziv stranger(nullptr);
  EXPECT_EQ(Send(c, KV_SETNEWSKIN, reinterpret_cast<intptr_t>(&stranger)), 0);  // handled, answered 0
  EXPECT_EQ(c->Data->FCacheBmp->Width(), 80);
  // The new skin has the section elsewhere.
  skin->Data->gd.insert(skin->Data->gd.begin(), Section(u"FIRST", 0, 0));
  skin->Data->IndexSections();
  TMessage m = MakeMessage(SM_ALPHACMD, KV_SETNEWSKIN_HI, Manager());
  EXPECT_TRUE(CommonMessage(m, c->Data.get()));
  EXPECT_EQ(c->Data->SkinIndex, edit + 1);
  EXPECT_EQ(c->Data->FCacheBmp->Width(), 0);  // rendered anew

  TMessage remove = MakeMessage(SM_ALPHACMD, KV_REMOVESKIN_HI, Manager());
  EXPECT_FALSE(CommonMessage(remove, c->Data.get()));  // unskinned: the owner does its part
  EXPECT_EQ(c->Data->SkinIndex, -1);
  EXPECT_TRUE(CommonMessage(remove, c->Data.get()));  // again: nothing left to do
}

TEST_F(CommonHandling, ARefreshConcernsTheControlsOwnAndItsAuxiliarySections) {
  TSkinnedProbe* c = Make(COC_TsComboBox, u"EDIT");
  TsGeneralData comboBtn = Section(u"COMBOBTN", 0, 0);
  const Integer btn = skin->AddSection(comboBtn);
  skin->Manager.SkinCommonInfo.Sections[ssComboBtn] = btn;
  DuRiruZireziv stranger(nullptr);
  struct Case {
    Word section;
    intptr_t manager;
    bool needed;
  } cases[] = {
      {0, Manager(), true},
      {Word(edit), Manager(), true},
      {Word(btn), Manager(), true},
      {Word(panel), Manager(), false},
      {0, reinterpret_cast<intptr_t>(&stranger), false},
      {300, Manager(), false},
  };
  for (const auto& k : cases)
    EXPECT_EQ(
        RefreshNeeded(c->Data.get(), MakeMessage(SM_ALPHACMD, uintptr_t{KV_REFRESH} << 16 | k.section, k.manager)),
        k.needed)
        << k.section;
}

TEST_F(CommonHandling, SkinDataIsAskedForTheManagerOnlyWhenItsCacheWasDropped) {
  TSkinnedProbe* c = Make(COC_TsButton, u"BUTTON");
  form->Show();
  c->Data->GetCommonSkinData();
  const Integer before = kvSkinDataLookups;
  for (int i = 0; i < 100; ++i) EXPECT_EQ(c->Data->GetCommonSkinData(), skin->Data);
  EXPECT_EQ(kvSkinDataLookups, before);
  SendMessageW(c->Handle(), WM_DPICHANGED, 0, 0);
  c->Data->GetCommonSkinData();
  EXPECT_EQ(kvSkinDataLookups, before + 1);  // a new DPI: looked up once more, then cached again
  c->Data->GetCommonSkinData();
  EXPECT_EQ(kvSkinDataLookups, before + 1);
}

// ---- Window properties outlive nothing -----------------------------------------------------------

TEST_F(CommonHandling, NoWindowKeepsALinkToSkinDataThatWent) {
  auto* w = new TSkinnedProbe(form, COC_TsButton);
  w->SetParent(form);
  HWND h = w->Handle();
  auto data = std::make_unique<TsCommonData>(w);
  data->InitCommonProp();
  ASSERT_EQ(GetCommonData(h), data.get());
  ASSERT_EQ(GetPropW(h, L"KVSDATA"), data.get());
  app->Terminate();  // the application is terminating: the link goes all the same
  data.reset();
  EXPECT_EQ(GetCommonData(h), nullptr);
  EXPECT_EQ(GetPropW(h, L"KVSDATA"), nullptr);
  // The transport finds no saved procedure and goes through the system to the window.
  const size_t before = w->Commands.size();
  TrySendMessage(h, SM_ALPHACMD, KV_CTRLHANDLED_HI, 0);
  EXPECT_EQ(w->Commands.size(), before + 1);
}

// ---- State flags on every way out -----------------------------------------------------------------

namespace {
class TRaisingFontOwner : public TSkinnedProbe {
 public:
  using TSkinnedProbe::TSkinnedProbe;
  void Raise(TObject*) { throw std::runtime_error("font change refused"); }
};
class TRaisingChild : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  void WndProc(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD && m.WParamHi == KV_SETGLASSMODE) throw std::runtime_error("no glass");
    TCustomControl::WndProc(m);
  }
};
}  // namespace

TEST_F(CommonHandling, StateFlagsAreClearedWhenTheCodeInsideRaises) {
  auto* c = new TRaisingFontOwner(form, COC_TsEdit);
  c->SetParent(form);
  c->HandleNeeded();
  c->Data->SetSkinSection(u"EDIT");
  c->Data->Loaded(false);
  c->Font()->SetColor(0x123456);
  c->Font()->SetOnChange(TNotifyEvent(c, &TRaisingFontOwner::Raise));
  EXPECT_THROW(UpdateCtrlColors(c->Data.get(), false), std::runtime_error);
  EXPECT_FALSE(c->Data->CtrlSkinState & KVS_CHANGING);
  EXPECT_THROW(ApplyStateColors(c->Data.get(), 1), std::runtime_error);
  EXPECT_FALSE(c->Data->CtrlSkinState & KVS_CHANGING);

  auto* child = new TRaisingChild(c);
  child->SetParent(c);
  TMessage glass = MakeMessage(SM_ALPHACMD, uintptr_t{KV_SETGLASSMODE} << 16, 1 | (2 << 16));
  EXPECT_THROW(CommonMessage(glass, c->Data.get()), std::runtime_error);
  EXPECT_FALSE(c->Data->GlassModeInit);  // the next glass-mode change is heard
  child->Free();
  TMessage again = MakeMessage(SM_ALPHACMD, uintptr_t{KV_SETGLASSMODE} << 16, 0 | (1 << 16));
  EXPECT_TRUE(CommonMessage(again, c->Data.get()));
  EXPECT_EQ(c->Data->TranspMode, 1);
  EXPECT_EQ(again.Result, 1 << 16);
}

// ---- Commands from another process ----------------------------------------------------------------

namespace {

// Runs the sender (built beside this test) and dispatches this thread's messages meanwhile,
// so that what it sends is answered and what it posts is dispatched; its exit code.
DWORD RunSender(HWND target, const char* how, Word command, intptr_t lParam) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring cmd(path);
  cmd = cmd.substr(0, cmd.find_last_of(L"\\/") + 1) + L"skin_command_sender.exe";
  wchar_t args[200];
  swprintf(args, 200, L"\"%ls\" %llx %hs %x %llx", cmd.c_str(),
           static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(target)), how, unsigned(command),
           static_cast<unsigned long long>(static_cast<uintptr_t>(lParam)));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(cmd.c_str(), args, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 0xFFFFFFFF;
  auto pump = [] {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  };
  const DWORD start = GetTickCount();
  while (MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 100, QS_ALLINPUT | QS_SENDMESSAGE) != WAIT_OBJECT_0 &&
         GetTickCount() - start < 20000)
    pump();
  for (int i = 0; i < 5; ++i) {  // what it posted arrives after it ended
    pump();
    Sleep(20);
  }
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

}  // namespace

TEST_F(CommonHandling, CommandsFromAnotherProcessDoNothingHostile) {
  skin->Section(button).Props[0].Transparency = 100;
  TSkinnedProbe* c = Make(COC_TsButton, u"BUTTON");
  HWND h = c->Handle();
  // The channel works: a plain query from the other process is answered.
  EXPECT_EQ(RunSender(h, "send", KV_CTRLHANDLED, 0), 1u);

  // A background record of this process: the other process passes its address.
  TkvBGInfo info;
  info.BgType = btNotReady;
  info.Color = 0x123456;
  EXPECT_EQ(RunSender(h, "send", KV_GETBG, reinterpret_cast<intptr_t>(&info)), 0u);
  EXPECT_EQ(info.BgType, btNotReady);
  EXPECT_EQ(info.Color, TColor(0x123456));
  TkvSectionInfo section;
  section.siSkinIndex = 77;
  RunSender(h, "send", KV_GETSKININDEX, reinterpret_cast<intptr_t>(&section));
  EXPECT_EQ(section.siSkinIndex, 77);
  TRect r(1, 2, 3, 4);
  RunSender(h, "send", KV_GETOUTRGN, reinterpret_cast<intptr_t>(&r));
  EXPECT_EQ(r, TRect(1, 2, 3, 4));
  const String name = u"EDIT";
  RunSender(h, "send", KV_SETSECTION, reinterpret_cast<intptr_t>(name.c_str()));
  EXPECT_EQ(c->Data->FSkinSection, u"BUTTON");

  // Posted commands: only those the engine posts itself arrive.
  c->Commands.clear();
  EXPECT_EQ(RunSender(h, "post", KV_SETHALFVISIBLE, 0), 1u);
  EXPECT_EQ(RunSender(h, "post", KV_GETBG, reinterpret_cast<intptr_t>(&info)), 1u);
  EXPECT_EQ(RunSender(h, "post", KV_SKINCHANGED, 0), 1u);
  EXPECT_FALSE(c->Data->HalfVisible);
  EXPECT_EQ(info.BgType, btNotReady);
  EXPECT_EQ(c->Commands, std::vector<Word>{KV_SKINCHANGED});

  // The same commands sent on this thread are obeyed.
  SendMessageW(h, SM_ALPHACMD, uintptr_t{KV_GETBG} << 16, reinterpret_cast<intptr_t>(&info));
  EXPECT_NE(info.BgType, btNotReady);
  SendMessageW(h, SM_ALPHACMD, uintptr_t{KV_SETHALFVISIBLE} << 16, 0);
  EXPECT_TRUE(c->Data->HalfVisible);
}

TEST(SkinCommandGate, PointerCommandsAndPostedCodes) {
  for (Word code : {KV_GETBG, KV_PAINTOUTER, KV_GETFONTINDEX, KV_GETSKININDEX, KV_GETOUTRGN, KV_UPDATESHADOW,
                    KV_GETTEXTRECT, KV_SETSECTION, KV_UPDATESECTION})
    EXPECT_TRUE(kvCommandCarriesPointer(code)) << code;
  for (Word code : {KV_SETNEWSKIN, KV_REFRESH, KV_CTRLHANDLED, KV_SETSCALE, KV_COPYDATA}) {
    EXPECT_FALSE(kvCommandCarriesPointer(code)) << code;
  }
  EXPECT_TRUE(kvCommandMayBePosted(KV_COPYDATA));
  EXPECT_TRUE(kvCommandMayBePosted(KV_SKINCHANGED));
  for (Word code : {KV_SETNEWSKIN, KV_REMOVESKIN, KV_GETBG, KV_SETHALFVISIBLE}) {
    EXPECT_FALSE(kvCommandMayBePosted(code));
  }
  // On this thread, outside any other thread's message, every command is trusted.
  EXPECT_TRUE(kvCommandIsTrusted(MakeMessage(SM_ALPHACMD, KV_GETBG_HI, 1234)));
}

// ---- Skin data of scrolled windows -----------------------------------------------------------------

TEST(ScrollWndData, SizesComeFromTheSkinUntilSet) {
  TsScrollWndData data(nullptr);
  for (TkvScrollData* bar : {data.FVertScrollData.get(), data.FHorzScrollData.get()}) {
    EXPECT_EQ(bar->ScrollWidth(), -1);
    EXPECT_EQ(bar->ButtonsSize(), -1);
  }
  data.FVertScrollData->SetSize(0, 12);
  data.FHorzScrollData->SetSize(1, 20);
  EXPECT_EQ(data.FVertScrollData->ScrollWidth(), 12);
  EXPECT_EQ(data.FHorzScrollData->ButtonsSize(), 20);
}

TEST_F(CommonHandling, AScrollWidthSetWhileLoadingOnlyStoresTheValue) {
  auto* c = new TSkinnedProbe(form, COC_TsMemo);
  c->SetParent(form);
  c->HandleNeeded();
  TsScrollWndData data(c);
  c->SetLoading(true);
  const Integer calcs = c->FrameCalcs;
  data.FVertScrollData->SetSize(0, 30);
  EXPECT_EQ(data.FVertScrollData->ScrollWidth(), 30);
  EXPECT_EQ(c->FrameCalcs, calcs);  // the window is left alone
  c->SetLoading(false);
  data.FVertScrollData->SetSize(0, 40);
  EXPECT_GT(c->FrameCalcs, calcs);  // a new thickness: the frame is computed anew
  data.ClearLinks();
}

TEST_F(CommonHandling, TheSectionIsWrittenUnlessItIsTheOwnersDefault) {
  TSkinnedProbe* c = Make(COC_TsEdit, u"EDIT");
  const TPropInfo* info = GetPropInfo(c->Data.get(), u"SkinSection");
  ASSERT_NE(info, nullptr);
  ASSERT_TRUE(info->IsStored);
  struct Case {
    intptr_t position;
    const char16_t* section;
    bool stored;
  };
  const Case cases[] = {
      {1, u"EDIT", false}, {1, u"PANEL", true}, {0, u"EDIT", true}, {2, u"EDIT", true}, {1, u"", false}};
  for (const Case& k : cases) {
    c->DefaultPosition = k.position;
    c->Data->FSkinSection = k.section;
    EXPECT_EQ(info->IsStored(*c->Data), k.stored) << k.position;
    EXPECT_GT(c->Count(KV_GETDEFSECTION), 0);  // the owner was asked
  }
}

namespace {
// A window's scroll wrapper as the wrappers layer registers it: skinned bars of a fixed
// thickness, a chosen number of them shown.
class TScrollBarsDouble : public TkvScrollWrapper {
 public:
  explicit TScrollBarsDouble(HWND wnd) : wnd_(wnd) { kvSetWndProp(wnd, KVSBSC, static_cast<TkvScrollWrapper*>(this)); }
  ~TScrollBarsDouble() override { kvSetWndProp(wnd_, KVSBSC, nullptr); }
  HWND WrappedWindow() const override { return wnd_; }
  Integer ShownBars(Integer bar) const override { return bar == SB_HORZ ? Horz : Vert; }
  Integer GetScrollMetric(Integer bar, bool) const override { return bar == SB_HORZ ? 7 : 9; }
  Integer Horz = 1, Vert = 1;

 private:
  HWND wnd_;
};
}  // namespace

// A window that only the wrapper of its scroll bars skins counts as skinned; asked whether its
// skin is in force, the wrapper's skin data answer.
TEST_F(CommonHandling, AWindowSkinnedOnlyThroughItsScrollWrapper) {
  // The window's procedure as a scroll wrapper leaves it: its skin data answer KV_GETSKINDATA.
  struct TWrapped : TCustomControl {
    using TCustomControl::TCustomControl;
    void WndProc(TMessage& m) override {
      if (m.Msg == SM_ALPHACMD && m.WParamHi == KV_GETSKINDATA) {
        m.Result = reinterpret_cast<intptr_t>(SkinData);
        return;
      }
      TCustomControl::WndProc(m);
    }
    TsCommonData* SkinData = nullptr;
  };
  auto* plain = new TWrapped(form);
  plain->SetParent(form);
  plain->SetBounds(10, 10, 80, 60);
  plain->HandleNeeded();
  EXPECT_FALSE(CtrlIsSkinned(plain, false));
  TsCommonData wrapperData(nullptr, false);
  wrapperData.SkinIndex = panel;
  {
    TScrollBarsDouble wrapper(plain->Handle());
    plain->SkinData = &wrapperData;
    EXPECT_TRUE(CtrlIsSkinned(plain, false));
    EXPECT_TRUE(CtrlIsSkinned(plain, true));
    wrapperData.SkinIndex = -1;
    EXPECT_TRUE(CtrlIsSkinned(plain, false));
    EXPECT_FALSE(CtrlIsSkinned(plain, true));
    plain->SkinData = nullptr;
    EXPECT_FALSE(CtrlIsSkinned(plain, true));
  }
  EXPECT_FALSE(CtrlIsSkinned(plain, false));
}

// A new skin in the custom font mode gives the control the manager's main font, whatever font
// it had; in the other modes the control keeps its font.
TEST_F(CommonHandling, ANewSkinInTheCustomFontModeGivesTheManagersFont) {
  TSkinnedProbe* c = Make(COC_TsPanel, u"PANEL");
  skin->Manager.Fonts.MainFont = u"Tahoma";
  struct Case {
    TkvFontMode mode;
    const char16_t* expected;
  } cases[] = {{fmCustom, u"Tahoma"}, {fmDefault, u"Courier New"}, {fmFromSkin, u"Courier New"}};
  for (const Case& k : cases) {
    c->Font()->SetName(u"Courier New");
    skin->Manager.Fonts.MainMode = k.mode;
    Send(c, KV_SETNEWSKIN, Manager());
    EXPECT_EQ(c->Font()->Name(), k.expected) << int(k.mode);
  }
  skin->Manager.Fonts.MainMode = fmDefault;
}

// While the new skin travels (the manager not active yet) a control that found its section in
// it counts as skinned.
TEST_F(CommonHandling, AControlIsSkinnedWhileTheNewSkinTravels) {
  TSkinnedProbe* c = Make(COC_TsPanel, u"PANEL");
  ASSERT_EQ(c->Data->SkinIndex, panel);
  skin->Manager.SkinCommonInfo.Active = false;
  skin->Manager.ManagerState.Include(msBroadCasting);
  EXPECT_TRUE(CtrlIsSkinned(c, true));
  skin->Manager.ManagerState.Exclude(msBroadCasting);
  skin->Manager.SkinCommonInfo.Active = true;
}

TEST_F(CommonHandling, TheMouseIsInsideOverTheSkinnedScrollBarsOfItsWrapper) {
  TSkinnedProbe* c = Make(COC_TsPanel, u"PANEL");
  c->SetBounds(10, 10, 80, 60);
  const HWND h = c->Handle();
  // The system's bars take their room from the client area; the skinned ones are drawn there.
  SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) | WS_HSCROLL | WS_VSCROLL);
  SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  form->Show();
  SetForegroundWindow(form->Handle());
  RECT client{};
  GetClientRect(h, &client);
  ASSERT_LT(client.right, 80 - 9);
  ASSERT_LT(client.bottom, 60 - 7);
  const auto mouseAt = [&](LONG x, LONG y) {
    POINT p{x, y};
    ClientToScreen(h, &p);
    SetCursorPos(p.x, p.y);
    return kvMouseInControl(c->Data.get());
  };
  const LONG right = client.right, bottom = client.bottom;
  struct Case {
    bool wrapper;
    Integer horz, vert;
    LONG x, y;
    bool inside;
  };
  const Case cases[] = {
      {false, 0, 0, right - 1, 5, true},                                        // the client area itself
      {false, 0, 0, right + 4, 5, false},                                       // the system's vertical bar
      {false, 0, 0, 5, bottom + 3, false},                                      // the system's horizontal bar
      {true, 1, 1, right + 4, 5, true},                                         // a skinned vertical bar, 9 wide
      {true, 1, 1, right + 8, 5, true},    {true, 1, 1, right + 10, 5, false},  // past it
      {true, 1, 1, 5, bottom + 3, true},                                        // a skinned horizontal bar, 7 high
      {true, 1, 1, 5, bottom + 8, false},  {true, 1, 0, right + 4, 5, false},   // no vertical bar shown
      {true, 0, 1, 5, bottom + 3, false},                                       // no horizontal bar shown
      {true, 2, 0, 5, bottom + 10, true},                                       // two bars: twice the thickness
  };
  for (const Case& k : cases) {
    std::unique_ptr<TScrollBarsDouble> bars;
    if (k.wrapper) {
      bars = std::make_unique<TScrollBarsDouble>(h);
      bars->Horz = k.horz;
      bars->Vert = k.vert;
    }
    EXPECT_EQ(mouseAt(k.x, k.y), k.inside) << k.wrapper << " " << k.horz << k.vert << " at " << k.x << "," << k.y;
  }
  SetCursorPos(0, 0);
}

namespace {
struct TPaintHandler {
  void Paint(TObject*) {}
};
}  // namespace

TEST_F(CommonHandling, AFormThatPaintsItselfIsRepaintedWholeOnEverySize) {
  form->HandleNeeded();
  TProviderDouble provider(form, &skin->Manager);
  TsCommonData* sd = provider.SkinData();
  sd->COC = COC_TsSkinProvider;
  sd->SkinIndex = panel;  // one plain colour: no texture, no gradient
  sd->CtrlSkinState |= KVS_REPAINTNEEDH | KVS_REPAINTNEEDV;
  sd->InitBGType();
  EXPECT_EQ(sd->BGType, 0);
  EXPECT_FALSE(FullRepaintOnly(sd));

  TPaintHandler handler;
  form->SetOnPaint(TNotifyEvent(&handler, &TPaintHandler::Paint));
  sd->InitBGType();
  EXPECT_EQ(sd->BGType, BGT_STRETCH);
  EXPECT_TRUE(FullRepaintOnly(sd));

  sd->COC = COC_TsPanel;  // only a form's provider: a control's owner paints no OnPaint of a form
  sd->InitBGType();
  EXPECT_EQ(sd->BGType, 0);
  sd->COC = COC_TsSkinProvider;
  form->SetOnPaint(nullptr);
  sd->InitBGType();
  EXPECT_EQ(sd->BGType, 0);
}
