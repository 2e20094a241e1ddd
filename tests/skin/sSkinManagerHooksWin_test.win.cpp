// The default manager's hooks, the skin list with its loading thread, rescaling of forms in
// the scale modes, and the patching of the system colour functions.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "base/sMessages.h"
#include "images/kvAlphaImageList.h"
#include "raster/GdiBitmaps.h"
#include "skin/FormServices.h"
#include "skin/HideAnimation.h"
#include "skin/sSkinManager.h"
#include "skin/sSkinManagerList.h"
#include "skin/sSkinManagerPreview.h"
#include "skin/sSkinManagerSysColors.h"
#include "support/ProviderDouble.h"
#include "support/SkinFiles.h"
#include "support/TempDir.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"
#include "ui/StringList.h"

using namespace skinfiles;

namespace {

class ManagerWin : public testing::Test {
 protected:
  void SetUp() override {
    IsNT = true;
    app = std::make_unique<TApplication>();
  }
  void TearDown() override { app.reset(); }
  // Runs the GUI thread's calls until done() or two seconds passed.
  template <class F>
  bool PumpUntil(F done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      CheckSynchronize(5);
      app->ProcessMessages();
    }
    return true;
  }
  std::unique_ptr<TApplication> app;
};

std::vector<std::string> NamesOf(const TkvSkinListController& list) {
  std::vector<std::string> names;
  for (const TkvSkinListData& e : list.SkinList) names.emplace_back(e.skName.begin(), e.skName.end());
  return names;
}

// A skin folder with two packed skins (one with a preview), a packed skin written with the
// extension in capitals, a folder skin and a folder named like a packed skin.
struct SkinFolder {
  SkinFolder() {
    SkinFiles skin;
    skin.Set("GLOBALINFO", "VERSION", "16.22");
    auto picture = Picture(140, 100, 0xFF3060C0);
    skin.WritePacked(dir.Path(), "Alpha", PngOf(*picture));
    skin.WritePacked(dir.Path(), "Beta.kpz");  // "Beta.kpz.kpz": only the last extension goes
    TempDir other;
    WriteFile(Join(dir.Path(), "Upper.KPZ"), ReadFile(skin.WritePacked(other.Path(), "Upper")));
    skin.WriteFolder(dir.Path(), "Folder");
    CreateDirectoryW(reinterpret_cast<const wchar_t*>(Join(dir.Path(), "Dir.kpz").c_str()), nullptr);
  }
  // The list of the packed skins of this folder in m, built at once; null when that failed.
  TkvSkinListController* ListedAtOnce(DuRiruZireziv& m) const {
    m.SetSkinsFilter({sfiExternal});
    m.SetSkinDirectory(dir.Path());
    TkvSkinListController* list = m.SkinListController();
    return list->UpdateData(true) ? list : nullptr;
  }
  TempDir dir;
};

}  // namespace

// ---- Hooks -----------------------------------------------------------------------------------

TEST_F(ManagerWin, TheThreadHookGoesWithTheDefaultManager) {
  {
    DuRiruZireziv m(nullptr);
    m.InstallHook();
    EXPECT_TRUE(m.GlobalHookInstalled);
    EXPECT_NE(HookCallback, nullptr);
    EXPECT_NE(kvSupportedList, nullptr);
    m.UnInstallHook();
    EXPECT_EQ(HookCallback, nullptr);
    EXPECT_EQ(kvSupportedList, nullptr);
    m.InstallHook();
    ASSERT_NE(HookCallback, nullptr);
    // A second manager installs nothing.
    DuRiruZireziv second(nullptr);
    second.InstallHook();
    EXPECT_FALSE(second.GlobalHookInstalled);
  }
  // The destructor took it away: no hook procedure of a freed manager stays in the thread.
  EXPECT_EQ(HookCallback, nullptr);
  EXPECT_EQ(kvSupportedList, nullptr);
}

TEST_F(ManagerWin, TheApplicationWindowHookComesAndGoesWithTheDefaultManager) {
  auto m = std::make_unique<DuRiruZireziv>(nullptr);
  // The hook swallows WM_THEMECHANGED: the application window's own handling never sees it.
  TMessage theme{WM_THEMECHANGED, 0, 0, 0};
  EXPECT_TRUE(m->MainWindowHook(theme));
  EXPECT_EQ(SendMessageW(app->Handle(), WM_THEMECHANGED, 0, 0), 0);
  // Unknown messages and the menu frames without skinned popups go on.
  TMessage other{WM_USER + 5, 0, 0, 0};
  EXPECT_FALSE(m->MainWindowHook(other));
  TMessage border{WM_DRAWMENUBORDER2, 0, 0, 0};
  EXPECT_TRUE(m->MainWindowHook(border));
  m->SetSkinnedPopups(false);
  EXPECT_FALSE(m->MainWindowHook(border));
  // Without an active skin system commands are not touched.
  TMessage minimize{WM_SYSCOMMAND, SC_MINIMIZE, 0, 0};
  EXPECT_FALSE(m->MainWindowHook(minimize));
  EXPECT_EQ(m->ShowState, saIgnore);
  m.reset();  // the hook must be gone: a message to the application window reaches nobody freed
  EXPECT_EQ(SendMessageW(app->Handle(), WM_THEMECHANGED, 0, 0), 0);
  SendMessageW(app->Handle(), WM_DRAWMENUBORDER2, 0, 0);
}

namespace {
struct HideCall {
  TkvFormProvider* provider;
  Integer time;
  TkvAnimType mode;
};
std::vector<HideCall> hideCalls;
void RecordHide(TkvFormProvider* provider, Integer time, TkvAnimType mode) {
  hideCalls.push_back({provider, time, mode});
}
}  // namespace

// The application hides its window on its way out: the hook marks the main form's provider as
// closing and has the form layer run the hide animation once; at any other time, or for a
// provider that skips animations, nothing happens.
TEST_F(ManagerWin, TheMainFormClosesAnimatedWhenTheApplicationEnds) {
  sGraphUtilsStartup();  // the layered-window functions
  ASSERT_TRUE(kvLayered());
  hideCalls.clear();
  kvAnimHideMainForm = &RecordHide;
  const auto restore = TScopeExit([] { kvAnimHideMainForm = nullptr; });
  DuRiruZireziv m(nullptr);
  m.AnimEffects.FormHide.Active = true;
  m.AnimEffects.FormHide.Time = 120;
  m.AnimEffects.FormHide.Mode = atFading;
  TForm* main = nullptr;
  app->CreateForm(main);
  main->SetBounds(100, 100, 200, 150);
  main->Show();
  TProviderDouble provider(main, &m);
  WINDOWPOS pos{};
  pos.flags = SWP_HIDEWINDOW;
  TMessage hidden{WM_WINDOWPOSCHANGED, 0, reinterpret_cast<intptr_t>(&pos), 0};
  EXPECT_FALSE(m.MainWindowHook(hidden));  // the application goes on
  EXPECT_TRUE(hideCalls.empty());
  EXPECT_EQ(provider.FFormState & FS_ANIMCLOSING, 0u);

  app->Terminate();
  WINDOWPOS moved{};
  TMessage other{WM_WINDOWPOSCHANGED, 0, reinterpret_cast<intptr_t>(&moved), 0};
  EXPECT_FALSE(m.MainWindowHook(other));  // not hidden
  EXPECT_TRUE(hideCalls.empty());
  EXPECT_FALSE(m.MainWindowHook(hidden));
  ASSERT_EQ(hideCalls.size(), 1u);
  EXPECT_EQ(hideCalls[0].provider, static_cast<TkvFormProvider*>(&provider));
  EXPECT_EQ(hideCalls[0].time, 120);
  EXPECT_EQ(hideCalls[0].mode, atFading);
  EXPECT_NE(provider.FFormState & FS_ANIMCLOSING, 0u);
  EXPECT_TRUE(provider.SkipAnimation);
  EXPECT_FALSE(m.MainWindowHook(hidden));  // marked: once only
  EXPECT_EQ(hideCalls.size(), 1u);
}

namespace {
// A cover window that notes, as it goes, which window lies right behind it.
class TRecordingCover : public TkvGlowForm {
 public:
  explicit TRecordingCover(HWND* behind) : TkvGlowForm(nullptr), behind_(behind) {}
  ~TRecordingCover() override {
    if (HandleAllocated()) *behind_ = GetWindow(WindowHandle(), GW_HWNDNEXT);
  }

 private:
  HWND* behind_;
};
}  // namespace

// A restore from the taskbar that the provider does not animate: a cover window the provider
// still keeps over the form is taken, the form is put right behind it and shown, and the cover
// goes; without a cover the form is restored plainly.
TEST_F(ManagerWin, ARestoreWithoutAnimationPutsTheMainFormBehindItsCover) {
  TempDir dir;
  SkinFiles skin;
  skin.Set("GLOBALINFO", "VERSION", "16.22").Set("FORM", "COLOR", "0xF0F0F0");
  skin.WriteFolder(dir.Path(), "Tiny");
  DuRiruZireziv m(nullptr);
  m.SetSkinDirectory(dir.Path());
  m.SetSkinName(u"Tiny");
  ASSERT_TRUE(m.IsActive());
  m.AnimEffects.Minimizing.Active = true;
  m.Effects.AllowAnimation = true;

  HWND behind = nullptr;
  auto* cover = new TRecordingCover(&behind);
  cover->AfterConstruction();
  cover->SetBounds(100, 100, 200, 150);
  ShowWindow(cover->Handle(), SW_SHOWNOACTIVATE);
  const HWND coverWnd = cover->WindowHandle();
  TForm* main = nullptr;
  app->CreateForm(main);
  main->SetBounds(100, 100, 200, 150);
  main->Show();
  const HWND mainWnd = main->WindowHandle();
  TProviderDouble provider(main, &m);
  provider.OwnCover.reset(cover);
  ASSERT_NE(GetWindow(coverWnd, GW_HWNDNEXT), mainWnd);  // the form lies above its cover now

  TMessage restore{WM_SYSCOMMAND, SC_RESTORE, 0, 0};
  m.MainWindowHook(restore);
  EXPECT_EQ(m.ShowState, saRestore);
  EXPECT_EQ(provider.OwnCover, nullptr);
  EXPECT_FALSE(IsWindow(coverWnd));
  EXPECT_EQ(behind, mainWnd);
  EXPECT_TRUE(IsWindowVisible(mainWnd));

  // Without a cover: restored in place.
  ShowWindow(mainWnd, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(mainWnd));
  m.MainWindowHook(restore);
  EXPECT_FALSE(IsIconic(mainWnd));
  EXPECT_TRUE(IsWindowVisible(mainWnd));
}

namespace {
// A whole-skin preview of the skin name, written as a folder skin in dir, as an editor sends it.
std::unique_ptr<TkvSkinEditorData> PreviewRecordOf(const TempDir& dir, const char* name) {
  SkinFiles skin;
  skin.Set("GLOBALINFO", "VERSION", "16.22");
  skin.Set("BUTTON", "COLOR", "0");
  skin.WriteFolder(dir.Path(), name);
  auto record = std::make_unique<TkvSkinEditorData>();
  std::memset(record.get(), 0, sizeof *record);
  record->Magic = int32_t(KPE_MSG);
  std::strcpy(record->Name1, name);
  const std::string folder(dir.Path().begin(), dir.Path().end());
  std::strcpy(record->Data1, folder.c_str());
  std::strcpy(record->Data2, "[GLOBALINFO]\r\nVERSION=16.22\r\n[BUTTON]\r\nCOLOR=0\r\n");
  return record;
}
}  // namespace

TEST_F(ManagerWin, APreviewIsAppliedByTheHook) {
  TempDir dir;
  auto record = PreviewRecordOf(dir, "Tiny");
  DuRiruZireziv m(nullptr);
  ASSERT_TRUE(m.CopyPreviewData(record.get(), sizeof *record));
  TMessage copyData{SM_ALPHACMD, uintptr_t{KV_COPYDATA} << 16, 0, 0};
  EXPECT_FALSE(m.MainWindowHook(copyData));  // applied, and left to the class library
  EXPECT_TRUE(m.IsActive());
  EXPECT_EQ(m.SkinName(), u"Tiny");
  EXPECT_EQ(kvEditorSkinFile, nullptr);
}

// The route a skin editor's preview takes: the record copied into the manager, KV_COPYDATA
// posted to the application window, and the application's own message loop applying it
// through the hook once the poster has returned.
TEST_F(ManagerWin, APreviewPostedToTheApplicationWindowIsApplied) {
  TempDir dir;
  auto record = PreviewRecordOf(dir, "Posted");
  DuRiruZireziv m(nullptr);
  ASSERT_TRUE(m.CopyPreviewData(record.get(), sizeof *record));
  ASSERT_TRUE(PostMessageW(app->Handle(), SM_ALPHACMD, WPARAM(KV_COPYDATA) << 16, 0));
  EXPECT_FALSE(m.IsActive());  // nothing before the message is dispatched
  EXPECT_TRUE(PumpUntil([&] { return m.IsActive(); }));
  EXPECT_EQ(m.SkinName(), u"Posted");
  EXPECT_EQ(kvEditorSkinFile, nullptr);

  // A record of a foreign magic, sent this time: the skin in force stays.
  record->Magic = 0x1234;
  std::strcpy(record->Name1, "Other");
  EXPECT_TRUE(m.CopyPreviewData(record.get(), sizeof *record));
  SendMessageW(app->Handle(), SM_ALPHACMD, WPARAM(KV_COPYDATA) << 16, 0);
  EXPECT_EQ(m.SkinName(), u"Posted");
  EXPECT_EQ(kvEditorSkinFile, nullptr);
}

// ---- The skin list -------------------------------------------------------------------------

TEST(SkinList, NameOfAPackedFileLosesOnlyItsTrailingExtension) {
  EXPECT_EQ(SkinNameOfFile(u"Alpha.kpz"), u"Alpha");
  EXPECT_EQ(SkinNameOfFile(u"Beta.kpz.kpz"), u"Beta.kpz");
  EXPECT_EQ(SkinNameOfFile(u"my.kpzskins.KPZ"), u"my.kpzskins");
  EXPECT_EQ(SkinNameOfFile(u"Plain"), u"Plain");
}

TEST_F(ManagerWin, TheSkinListHoldsThePackedSkinsOfTheFolder) {
  SkinFolder folder;
  DuRiruZireziv m(nullptr);
  TkvSkinListController* list = folder.ListedAtOnce(m);
  ASSERT_TRUE(list);
  std::vector<std::string> names = NamesOf(*list);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Beta.kpz"}));
  for (const TkvSkinListData& e : list->SkinList) {
    EXPECT_EQ(e.skSkinMode, smExtPacked);
    // Only Alpha has a preview: its thumbnail is the list's one picture.
    EXPECT_EQ(e.skImageIndex, e.skName == u"Alpha" ? 0 : -1) << StringToUtf8(e.skName);
  }
  EXPECT_EQ(list->ImgList->GetCount(), 1);
  EXPECT_FALSE(list->UpdateNeeded);
}

TEST_F(ManagerWin, TheLoadingThreadBuildsTheSameListAndEnds) {
  SkinFolder folder;
  DuRiruZireziv m(nullptr);
  TkvSkinListController* list = folder.ListedAtOnce(m);
  ASSERT_TRUE(list);
  const std::vector<std::string> atOnce = NamesOf(*list);
  list->ClearList(true, false);
  ASSERT_TRUE(list->UpdateData(false));
  EXPECT_TRUE(list->ThreadRunning());
  ASSERT_TRUE(PumpUntil([&] { return !list->ThreadRunning() && !list->UpdateNeeded; }));
  EXPECT_EQ(NamesOf(*list), atOnce);
  EXPECT_TRUE(PumpUntil([&] { return !list->Thread || list->Thread->Finished(); }));
}

TEST_F(ManagerWin, AThreadWithInternalSkinsOnlyEndsWhenTheyAreAdded) {
  DuRiruZireziv m(nullptr);
  m.SetSkinsFilter({sfiInternal});
  for (const char* name : {"One", "Two"}) m.InternalSkins()->Add()->SetName(Utf8ToString(name));
  TkvSkinListController* list = m.SkinListController();
  ASSERT_TRUE(list->UpdateData(false));
  ASSERT_TRUE(list->ThreadRunning());
  ASSERT_TRUE(PumpUntil([&] { return !list->ThreadRunning(); }));
  EXPECT_EQ(NamesOf(*list), (std::vector<std::string>{"One", "Two"}));
  EXPECT_FALSE(list->UpdateNeeded);
  EXPECT_TRUE(PumpUntil([&] { return !list->Thread || list->Thread->Finished(); }));
}

TEST_F(ManagerWin, AskingWhileTheThreadRunsCompletesTheListAtOnce) {
  SkinFolder folder;
  DuRiruZireziv m(nullptr);
  m.SetSkinDirectory(folder.dir.Path());
  m.InternalSkins()->Add()->SetName(u"Inner");
  TkvSkinListController* list = m.SkinListController();
  ASSERT_TRUE(list->UpdateData(false));
  list->CheckThread();
  EXPECT_FALSE(list->ThreadRunning());
  EXPECT_FALSE(list->UpdateNeeded);
  std::vector<std::string> names = NamesOf(*list);
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0], "Inner");  // internal skins first, as the thread adds them
}

TEST_F(ManagerWin, TheManagerFreesARunningThread) {
  SkinFolder folder;
  for (int round = 0; round < 5; ++round) {
    auto m = std::make_unique<DuRiruZireziv>(nullptr);
    m->SetSkinDirectory(folder.dir.Path());
    ASSERT_TRUE(m->SkinListController()->UpdateData(false));
    ASSERT_TRUE(m->SkinListController()->ThreadRunning());
    m.reset();  // terminated and waited for; no tick reaches the freed controller
    CheckSynchronize(30);
  }
  EXPECT_EQ(QueuedCallCount(), 0u);
}

// The name queries over a data folder that holds folder skins (never listed), packed skins and
// a manager with internal skins: each kind by itself and all together, sorted, the first name
// listed given back, and the thumbnail of each name when asked for.
TEST_F(ManagerWin, SkinNamesOfEachKind) {
  SkinFolder folder;
  DuRiruZireziv m(nullptr);
  SkinFiles inside;
  inside.Set("GLOBALINFO", "VERSION", "16.22").Set("BUTTON", "COLOR", "0x102030");
  const Bytes packed = inside.Packed();
  for (const char* name : {"Inside", "Another"}) {
    TsStoredSkin* skin = m.InternalSkins()->Add();
    skin->SetName(Utf8ToString(name));
    skin->PackedData->WriteBuffer(packed.data(), Integer(packed.size()));
  }
  m.SetSkinDirectory(folder.dir.Path());
  const TkvSkinListController* list = m.SkinListController();
  auto names = [](const TStringList& sl) {
    std::vector<std::string> out;
    for (Integer i = 0; i < sl.Count(); ++i) out.push_back(StringToUtf8(sl[i]));
    return out;
  };
  TStringList sl;
  sl.Add(u"left over");
  EXPECT_EQ(GetSkinNames(m, sl, false, stAllSkins), u"Inside");  // internal skins come first
  EXPECT_FALSE(list->UpdateNeeded);
  EXPECT_EQ(names(sl), (std::vector<std::string>{"Alpha", "Another", "Beta.kpz", "Inside"}));
  EXPECT_EQ(GetSkinNames(m, sl, false, stPacked), u"Inside");
  EXPECT_EQ(names(sl), (std::vector<std::string>{"Another", "Inside"}));
  // The folder's skins: the first the folder search gave.
  String firstExternal;
  for (const TkvSkinListData& e : list->SkinList)
    if (e.skSkinMode != smInternal && firstExternal.empty()) firstExternal = e.skName;
  EXPECT_EQ(GetSkinNames(m, sl, false, stUnpacked), firstExternal);
  EXPECT_EQ(names(sl), (std::vector<std::string>{"Alpha", "Beta.kpz"}));
  EXPECT_EQ(sl.Objects(0), nullptr);

  TStringList external;
  EXPECT_EQ(GetExternalSkinNames(m, external, true), firstExternal);
  ASSERT_EQ(names(external), (std::vector<std::string>{"Alpha", "Beta.kpz"}));
  EXPECT_TRUE(external.OwnsObjects());
  auto* alpha = dynamic_cast<TkvItemDrawDataObj*>(external.Objects(0));
  auto* beta = dynamic_cast<TkvItemDrawDataObj*>(external.Objects(1));
  ASSERT_NE(alpha, nullptr);
  ASSERT_NE(beta, nullptr);
  EXPECT_GE(alpha->ImageIndex, 0);  // Alpha has a preview
  EXPECT_EQ(beta->ImageIndex, -1);

  // A folder without skins leaves the internal ones, and an empty answer for the folder's.
  TempDir empty;
  m.SetSkinDirectory(empty.Path());
  EXPECT_EQ(GetExternalSkinNames(m, external, false), u"");
  EXPECT_EQ(external.Count(), 0);
  EXPECT_EQ(GetSkinNames(m, sl, false, stAllSkins), u"Inside");
  EXPECT_EQ(names(sl), (std::vector<std::string>{"Another", "Inside"}));
}

// The manager answers the name queries itself; a second manager on the default manager's folder
// answers from a copy of its list, thumbnails included.
TEST_F(ManagerWin, TheManagerAnswersTheNameQueries) {
  SkinFolder folder;
  DuRiruZireziv first(nullptr);
  ASSERT_TRUE(first.GetIsDefault());
  SkinFiles inside;
  inside.Set("GLOBALINFO", "VERSION", "16.22");
  const Bytes packed = inside.Packed();
  TsStoredSkin* skin = first.InternalSkins()->Add();
  skin->SetName(u"Inside");
  skin->PackedData->WriteBuffer(packed.data(), Integer(packed.size()));
  first.SetSkinDirectory(folder.dir.Path());
  auto names = [](const TStringList& sl) {
    std::vector<std::string> out;
    for (Integer i = 0; i < sl.Count(); ++i) out.push_back(StringToUtf8(sl[i]));
    return out;
  };
  TStringList all, external, forwarded;
  EXPECT_EQ(first.GetSkinNames(all, false, stAllSkins), u"Inside");
  EXPECT_EQ(names(all), (std::vector<std::string>{"Alpha", "Beta.kpz", "Inside"}));  // no folder skin
  EXPECT_EQ(GetSkinNames(first, forwarded, false, stAllSkins), u"Inside");
  EXPECT_EQ(names(forwarded), names(all));
  const String firstExternal = first.GetExternalSkinNames(external, true);
  EXPECT_TRUE(firstExternal == u"Alpha" || firstExternal == u"Beta.kpz") << StringToUtf8(firstExternal);
  EXPECT_EQ(names(external), (std::vector<std::string>{"Alpha", "Beta.kpz"}));

  DuRiruZireziv second(nullptr);
  ASSERT_FALSE(second.GetIsDefault());
  second.SetSkinDirectory(UpperCase(folder.dir.Path()));  // the same folder, another letter case
  TStringList copied;
  EXPECT_EQ(second.GetExternalSkinNames(copied, true), firstExternal);
  EXPECT_EQ(names(copied), (std::vector<std::string>{"Alpha", "Beta.kpz"}));
  auto* alpha = dynamic_cast<TkvItemDrawDataObj*>(copied.Objects(0));
  ASSERT_NE(alpha, nullptr);
  ASSERT_GE(alpha->ImageIndex, 0);
  EXPECT_EQ(second.SkinListController()->ImgList->GetCount(), first.SkinListController()->ImgList->GetCount());
  EXPECT_FALSE(second.SkinListController()->UpdateNeeded);
}

// Internal skins added or removed are reported once per change, and once for a whole batch; a
// skin added later is listed when the names are asked for next.
TEST_F(ManagerWin, ChangedInternalSkinsAreReportedOncePerBatch) {
  TempDir empty;
  DuRiruZireziv m(nullptr);
  m.SetSkinDirectory(empty.Path());
  struct Listener {
    void Changed(TObject* sender) { senders.push_back(sender); }
    std::vector<TObject*> senders;
  } l;
  m.OnSkinListChanged = TNotifyEvent(&l, &Listener::Changed);
  TStringList sl;
  EXPECT_EQ(m.GetSkinNames(sl, false, stPacked), u"");
  l.senders.clear();

  TsStoredSkins* skins = m.InternalSkins();
  skins->BeginUpdate();
  for (const char16_t* name : {u"One", u"Two", u"Three"}) skins->Add()->SetName(name);
  EXPECT_TRUE(l.senders.empty());  // nothing while the batch runs
  EXPECT_TRUE(m.SkinListController()->UpdateNeeded);
  skins->EndUpdate();
  EXPECT_EQ(l.senders, (std::vector<TObject*>{&m}));

  l.senders.clear();
  skins->Add()->SetName(u"Four");
  EXPECT_EQ(l.senders, (std::vector<TObject*>{&m}));
  l.senders.clear();
  skins->Delete(0);
  EXPECT_EQ(l.senders, (std::vector<TObject*>{&m}));

  EXPECT_EQ(m.GetSkinNames(sl, false, stPacked), u"Two");
  std::vector<std::string> names;
  for (Integer i = 0; i < sl.Count(); ++i) names.push_back(StringToUtf8(sl[i]));
  EXPECT_EQ(names, (std::vector<std::string>{"Four", "Three", "Two"}));
}

// The skin list follows the folder and the filter: a new folder is listed again at once and
// reported, a new filter empties the list and reports it; the list is started with the manager.
TEST_F(ManagerWin, TheSkinListFollowsTheFolderAndTheFilter) {
  SkinFolder folder;
  DuRiruZireziv m(nullptr);
  struct Listener {
    void Changed(TObject* sender) { senders.push_back(sender); }
    std::vector<TObject*> senders;
  } l;
  m.OnSkinListChanged = TNotifyEvent(&l, &Listener::Changed);
  TkvSkinListController* list = m.SkinListController();
  m.AfterConstruction();
  EXPECT_FALSE(list->UpdateNeeded);  // "c:\Skins" is no folder here: listed at once, empty
  l.senders.clear();

  m.SetSkinDirectory(folder.dir.Path());
  // Cleared and reported by the list, rebuilt, and reported by the manager last.
  ASSERT_GE(l.senders.size(), 2u);
  EXPECT_EQ(l.senders.front(), list);
  EXPECT_EQ(l.senders.back(), &m);
  EXPECT_TRUE(list->ThreadRunning() || !list->UpdateNeeded);
  ASSERT_TRUE(PumpUntil([&] { return !list->ThreadRunning() && !list->UpdateNeeded; }));
  EXPECT_EQ(list->SkinList.size(), 2u);

  l.senders.clear();
  m.SetSkinDirectory(UpperCase(folder.dir.Path()));  // the same folder in capitals: nothing
  EXPECT_TRUE(l.senders.empty());

  m.SetSkinsFilter({sfiInternal});
  EXPECT_TRUE(list->SkinList.empty());
  EXPECT_TRUE(list->UpdateNeeded);
  EXPECT_EQ(l.senders, (std::vector<TObject*>{list, &m}));
  l.senders.clear();
  m.SetSkinsFilter({sfiInternal});
  EXPECT_TRUE(l.senders.empty());
}

// ---- Scale modes ---------------------------------------------------------------------------

TEST_F(ManagerWin, FormsAreRescaledBetweenDensitiesInEachMode) {
  struct Case {
    TkvScaleMode mode;
    Integer from, to;
    Integer width;  // the client width afterwards (200 before)
  };
  const Case cases[] = {
      {sm150, 96, 0, 300},       {sm200, 96, 0, 400},    {sm125, 96, 0, 250},       {sm100, 144, 0, 200},
      {smVCL, 96, 0, 200},       {smVCL, 96, 96, 200},   {smVCL, 96, 192, 400},     {smVCL, 120, 144, 240},
      {smCustomPPI, 96, 0, 350}, {sm150, 192, 120, 125}, {smOldMode, 96, 144, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.mode) << " " << c.from << " -> " << c.to);
    DuRiruZireziv m(nullptr);
    m.Options.ScaleMode = c.mode;
    m.Options.PixelsPerInch = 168;
    TForm* form = new TForm(app.get());
    form->AfterConstruction();
    form->SetClientSize(TSize(200, 100));
    m.UpdateScale(form, c.from, c.to);
    EXPECT_EQ(form->ClientWidth(), c.width);
    EXPECT_EQ(form->Scaled(), c.mode == smVCL);
    EXPECT_FALSE(m.ManagerState.Contains(msFormScaling));
    EXPECT_TRUE(m.Effects.AllowAnimation);
    form->Free();
  }
}

TEST_F(ManagerWin, ScaleIntFollowsTheMode) {
  DuRiruZireziv m(nullptr);
  const std::pair<TkvScaleMode, Integer> cases[] = {{smVCL, 10}, {smOldMode, 10}, {sm125, 12},
                                                    {sm150, 15}, {sm200, 20},     {smCustomPPI, 18}};
  m.Options.PixelsPerInch = 168;
  for (auto [mode, expected] : cases) {
    m.Options.ScaleMode = mode;
    EXPECT_EQ(m.ScaleInt(10), expected) << int(mode);
  }
}

TEST_F(ManagerWin, ChangingTheScaleModeReportsTheChangeAndEndsItsState) {
  struct Listener {
    void Change(TObject*, TScaleChangeData& d) { seen.push_back(d); }
    void Changed(TObject*) { ++done; }
    std::vector<TScaleChangeData> seen;
    int done = 0;
  } l;
  DuRiruZireziv m(nullptr);
  m.OnScaleModeChange = TkvScaleModeChangeEvent(&l, &Listener::Change);
  m.OnScaleChanged = TNotifyEvent(&l, &Listener::Changed);
  m.Options.SetScaleMode(sm150);
  ASSERT_EQ(l.seen.size(), 1u);
  EXPECT_EQ(l.seen[0].NewScalePercent, 150);
  EXPECT_EQ(l.seen[0].NewPPI, 144);
  EXPECT_EQ(m.Options.ScaleMode, sm150);
  EXPECT_EQ(m.Options.PixelsPerInch, 144);
  // Back to the class library's scaling: first a custom-PPI change of its own, then smVCL.
  m.Options.SetScaleMode(smVCL);
  ASSERT_EQ(l.seen.size(), 3u);
  EXPECT_EQ(l.seen[1].NewScaleMode, smCustomPPI);
  EXPECT_EQ(l.seen[2].NewScaleMode, smVCL);
  EXPECT_EQ(m.Options.ScaleMode, smVCL);
  EXPECT_EQ(l.done, 3);
  EXPECT_FALSE(m.ManagerState.Contains(msScaleChanging));
  EXPECT_FALSE(m.NoAutoUpdate);
}

// ---- System colours ------------------------------------------------------------------------

namespace {
std::array<uint8_t, 8> EntryBytes(const char* module, const char* name) {
  auto* proc = reinterpret_cast<uint8_t*>(
      kvGetActualAddr(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(module), name))));
  std::array<uint8_t, 8> bytes{};
  std::memcpy(bytes.data(), proc - 5, 8);
  return bytes;
}
}  // namespace

TEST_F(ManagerWin, SystemColoursArePatchedAndRestored) {
  const auto colorBefore = EntryBytes("user32.dll", "GetSysColor");
  const auto brushBefore = EntryBytes("user32.dll", "GetSysColorBrush");
  const auto penBefore = EntryBytes("gdi32.dll", "CreatePen");
  const DWORD btnFace = GetSysColor(COLOR_BTNFACE);
  const DWORD window = GetSysColor(COLOR_WINDOW);
  for (const bool entryJump : {false, true}) {
    SCOPED_TRACE(entryJump ? "entry jump" : "hot patch where possible");
    ForceEntryJumpPatches(entryJump);
    {
      DuRiruZireziv m(nullptr);
      m.Palette[pcEditBG] = 0x123456;
      m.Palette[pcEditText] = 0x000000;
      m.Palette[pcMainColor] = 0x808080;
      UpdateColorsHooks(true);
      UpdateColorsHooks(true);
      EXPECT_NE(SysColorPatchKind(), TkvPatchKind::None);
      if (entryJump) { EXPECT_EQ(SysColorPatchKind(), TkvPatchKind::EntryJump); }
      EXPECT_NE(EntryBytes("user32.dll", "GetSysColor"), colorBefore);
      EXPECT_EQ(GetSysColor(COLOR_BTNFACE), btnFace);  // not in the table
      EXPECT_EQ(GetSysColor(COLOR_WINDOW), window);    // no visible active form
      // One brush per colour, made again only when the palette changed.
      HBRUSH first = GetSysColorBrush(COLOR_WINDOW);
      EXPECT_EQ(GetSysColorBrush(COLOR_WINDOW), first);
      LOGBRUSH lb{};
      ASSERT_TRUE(GetObjectW(first, sizeof lb, &lb));
      EXPECT_EQ(lb.lbColor, 0x123456u);
      m.Palette[pcEditBG] = 0x654321;
      HBRUSH second = GetSysColorBrush(COLOR_WINDOW);
      ASSERT_TRUE(GetObjectW(second, sizeof lb, &lb));
      EXPECT_EQ(lb.lbColor, 0x654321u);
      // A silver pen draws in the blend of the edit colours; another grey stays.
      HPEN silver = CreatePen(PS_SOLID, 1, 0xC0C0C0);
      HPEN grey = CreatePen(PS_SOLID, 1, 0x808080);
      LOGPEN lp{};
      ASSERT_TRUE(GetObjectW(silver, sizeof lp, &lp));
      EXPECT_EQ(lp.lopnColor, COLORREF(SkinPenColor(0xC0C0C0)));
      EXPECT_NE(lp.lopnColor, 0xC0C0C0u);
      ASSERT_TRUE(GetObjectW(grey, sizeof lp, &lp));
      EXPECT_EQ(lp.lopnColor, 0x808080u);
      DeleteObject(silver);
      DeleteObject(grey);
      UpdateColorsHooks(false);
    }
    EXPECT_EQ(SysColorPatchKind(), TkvPatchKind::None);
    EXPECT_EQ(EntryBytes("user32.dll", "GetSysColor"), colorBefore);
    EXPECT_EQ(EntryBytes("user32.dll", "GetSysColorBrush"), brushBefore);
    EXPECT_EQ(EntryBytes("gdi32.dll", "CreatePen"), penBefore);
    UpdateColorsHooks(false);  // again: harmless
    EXPECT_EQ(EntryBytes("user32.dll", "GetSysColor"), colorBefore);
  }
  ForceEntryJumpPatches(false);
}
