// The skin manager among windows: a skin change reaches every form and control once, a
// manager without a skin leaves the program unskinned, the thread hook and the message boxes
// follow the skin, a refused or failed change gives everything back, repainting a section,
// the application font, scroll sizes, mouse tracking, and a manager read from a description.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <commctrl.h>

#include "base/sMessages.h"
#include "images/kvAlphaImageList.h"
#include "raster/GdiBitmaps.h"
#include "skin/FormServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sSkinManagerList.h"
#include "skin/sStyleSimply.h"
#include "skin/sVclUtils.h"
#include "support/FormFixture.h"
#include "support/ProviderDouble.h"
#include "support/SkinCommands.h"
#include "support/SkinFiles.h"
#include "support/WindowDriver.h"
#include "ui/Dialogs.h"
#include "ui/FormReader.h"
#include "ui/StdCtrls.h"

using namespace skinfiles;

namespace {

SkinFiles Tiny() {
  SkinFiles files;
  files.Set("GLOBALINFO", "VERSION", "16.22");
  files.Set("BUTTON", "COLOR", "0xFF8000");
  files.Set("FORM", "COLOR", "0xF0F0F0");
  return files;
}

// The texts of the message boxes that showed, in order; each is answered with OK.
std::vector<std::wstring> boxTexts;
// What the manager that shows the boxes had switched on while each box showed: standard-dialog
// skinning and system-colour patching (recorded only when boxManager is set).
DuRiruZireziv* boxManager = nullptr;
std::vector<std::pair<bool, bool>> boxSettings;
void RecordBoxSettings() {
  if (boxManager)
    boxSettings.emplace_back(boxManager->SkinningRules().Contains(srStdDialogs), boxManager->Options.ChangeSysColors);
}
// Answered already: each closes when its loop runs next.
TCustomForm* answeredForm = nullptr;
HWND answeredBox = nullptr;

// Runs inside the box's own message loop. While a skin is active the box is the class
// library's message form; without one it is the system's.
void CALLBACK AnswerBox(HWND, UINT, UINT_PTR, DWORD) {
  for (Integer i = 0; i < Screen->FormCount(); ++i) {
    TCustomForm* f = Screen->Forms(i);
    if (f->ClassName() != u"TMessageForm" || !f->Showing() || f == answeredForm) continue;
    answeredForm = f;
    RecordBoxSettings();
    auto* label = dynamic_cast<TLabel*>(f->FindComponent(u"Message"));
    const String text = label ? label->Caption() : String();
    boxTexts.emplace_back(text.begin(), text.end());
    auto* ok = static_cast<TButton*>(f->FindComponent(u"OK"));
    SendMessageW(ok->Handle(), BM_CLICK, 0, 0);
    return;
  }
  const std::vector<HWND> boxes = TopLevelWindows(L"#32770", GetCurrentProcessId());
  if (boxes.empty() || boxes[0] == answeredBox) return;
  answeredBox = boxes[0];
  RecordBoxSettings();
  const String text = WindowText(GetDlgItem(boxes[0], 0xFFFF));  // the system box's text
  boxTexts.emplace_back(text.begin(), text.end());
  PostMessageW(boxes[0], WM_COMMAND, IDOK, 0);
}

// The form layer as the hook sees it: counts the calls the CBT hook hands over.
class TFormServicesDouble : public TkvFormServices {
 public:
  void AddSupportedForm(HWND wnd) override { added.push_back(wnd); }
  intptr_t HookCBT(int code, uintptr_t wParam, intptr_t lParam) override {
    if (code == HCBT_CREATEWND) ++created;
    return CallNextHookEx(HookCallback, code, wParam, lParam);
  }
  void ClearMnuArray() override { ++menuClears; }
  TkvGlowForm* MakeCoverForm(HWND, const TRect&) override { return nullptr; }
  std::vector<HWND> added;
  int created = 0;
  int menuClears = 0;
};

class ManagerWindows : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    HookedComponents.clear();
    Tiny().WriteFolder(dir.Path(), "Tiny");
    manager = std::make_unique<DuRiruZireziv>(nullptr);
    manager->SetSkinDirectory(dir.Path());
    recorders.push_back(std::make_unique<TFormCommandRecorder>(form, "form", log));
    auto* outer = new TCommandProbe(form, "form.outer", log);
    new TCommandProbe(outer, "form.inner", log);
  }
  void TearDown() override {
    if (manager) manager->SetActive(false);  // the hook goes with the skin
    providers.clear();
    recorders.clear();
    manager.reset();
    kvSupportedList.reset();
    TkvServiceSlot<TkvFormServices>::Set(nullptr);
    FormTest::TearDown();
    HookedComponents.clear();
    UseLatestCommonDialogs = true;
  }
  TForm* SkinnedForm(const char* name) {
    auto* f = new TForm(app.get());
    f->AfterConstruction();
    f->SetBounds(420, 100, 200, 150);
    recorders.push_back(std::make_unique<TFormCommandRecorder>(f, name, log));
    new TCommandProbe(f, (std::string(name) + ".ctrl").c_str(), log);
    providers.push_back(std::make_unique<TProviderDouble>(f, manager.get()));
    return f;
  }

  TempDir dir;
  std::unique_ptr<DuRiruZireziv> manager;
  SkinCommandLog log;
  std::vector<std::unique_ptr<TFormCommandRecorder>> recorders;
  std::vector<std::unique_ptr<TProviderDouble>> providers;
};

const char* const kEveryone[] = {"form", "form.outer", "form.inner", "skinned", "skinned.ctrl", "dialog"};

}  // namespace

TEST_F(ManagerWindows, ASkinChangeReachesEveryFormAndControlOnce) {
  SkinnedForm("skinned");
  AddHookedDialog(log, true);
  manager->SetSkinName(u"Tiny");
  ASSERT_TRUE(manager->IsActive());
  for (const char* who : kEveryone) {
    // The new skin, then one repaint: fades stopped, then a refresh of every section.
    EXPECT_EQ(log.Commands(who), (std::vector<Word>{KV_SETNEWSKIN, KV_STOPFADING, KV_REFRESH})) << who;
    EXPECT_EQ(log.Last(who, KV_SETNEWSKIN)->lParam, reinterpret_cast<intptr_t>(manager.get())) << who;
    EXPECT_EQ(log.Last(who, KV_REFRESH)->arg, 0) << who;
  }
  EXPECT_FALSE(RestrictDrawing);
  EXPECT_TRUE(manager->ManagerState.Empty());
}

namespace {
// The manager's events and the commands a listed control hears, in one order.
class TimeLine : public TObject {
 public:
  explicit TimeLine(DuRiruZireziv& m) : m_(m) {
    m.OnBeforeChange = TNotifyEvent(this, &TimeLine::Before);
    m.OnSkinChanging = TkvSkinChangingEvent(this, &TimeLine::Changing);
    m.OnSkinLoading = TNotifyEvent(this, &TimeLine::Loading);
    m.OnActivate = TNotifyEvent(this, &TimeLine::Activate);
    m.OnAfterChange = TNotifyEvent(this, &TimeLine::After);
    m.OnDeactivate = TNotifyEvent(this, &TimeLine::Deactivate);
  }
  void Before(TObject*) { seen.push_back("before"); }
  void Changing(TObject*, const String& name, bool& allow) {
    seen.push_back("changing " + StringToUtf8(name));
    allow = allowChange;
  }
  void Loading(TObject*) { seen.push_back("loading"); }
  void Activate(TObject*) { seen.push_back("activate"); }
  void After(TObject*) { seen.push_back("after"); }
  void Deactivate(TObject*) { seen.push_back("deactivate"); }
  void Heard(TMessage& m) {
    switch (m.WParamHi) {
      case KV_SETNEWSKIN: seen.push_back("new skin"); break;
      case KV_REMOVESKIN: seen.push_back("skin removed"); break;
      case KV_SKINCHANGED: seen.push_back("skin changed"); break;
      default: break;
    }
  }
  // The manager outlives the line: it reports to nobody afterwards.
  ~TimeLine() override {
    m_.OnBeforeChange = m_.OnSkinLoading = m_.OnActivate = m_.OnAfterChange = m_.OnDeactivate = TNotifyEvent();
    m_.OnSkinChanging = TkvSkinChangingEvent();
  }
  std::vector<std::string> seen;
  bool allowChange = true;

 private:
  DuRiruZireziv& m_;
};
}  // namespace

// A control registered with the skin list hears of every change of the skin after the
// manager's events; a refused change tells nobody, a skin that goes is removed first.
TEST_F(ManagerWindows, EventsAndNoticesInTheirOrder) {
  SkinFiles other = Tiny();
  other.Set("BUTTON", "COLOR", "0x0000FF");
  other.WriteFolder(dir.Path(), "Other");
  TimeLine line(*manager);
  auto* listed = new TCommandProbe(form, "listed", log);
  listed->onCommand = [&](TMessage& m) { line.Heard(m); };
  manager->SkinListController()->AddControl(listed);
  using Seen = std::vector<std::string>;
  struct Case {
    const char* name;
    std::function<void()> act;
    Seen expected;
  } cases[] = {
      {"a first skin",
       [&] { manager->SetSkinName(u"Tiny"); },
       {"before", "changing Tiny", "loading", "new skin", "activate", "after", "skin changed"}},
      {"another skin",
       [&] { manager->SetSkinName(u"Other"); },
       {"before", "changing Other", "loading", "new skin", "after", "skin changed"}},
      {"a refused change",
       [&] {
         line.allowChange = false;
         manager->SetSkinName(u"Tiny");
         line.allowChange = true;
       },
       {"before", "changing Tiny"}},
      {"a skin no source has",
       [&] { manager->SetSkinName(u"Missing"); },
       {"before", "changing Missing", "skin removed", "after", "skin changed"}},
      {"a skin again",
       [&] { manager->SetSkinName(u"Other"); },
       {"before", "changing Other", "loading", "new skin", "activate", "after", "skin changed"}},
      {"switched off", [&] { manager->SetActive(false); }, {"skin removed", "deactivate", "skin changed"}},
      {"a name while off", [&] { manager->SetSkinName(u"Tiny"); }, {"skin changed"}},
      {"switched on",
       [&] { manager->SetActive(true); },
       {"before", "changing Tiny", "loading", "new skin", "activate", "after", "skin changed"}},
  };
  for (const Case& c : cases) {
    line.seen.clear();
    c.act();
    // The notice to a windowed control is posted.
    for (int i = 0; i < 3; ++i) Application->ProcessMessages();
    EXPECT_EQ(line.seen, c.expected) << c.name;
  }
  manager->SkinListController()->DelControl(listed);
  listed->onCommand = nullptr;
}

TEST_F(ManagerWindows, WithoutASkinTheProgramStaysUnskinned) {
  AddHookedDialog(log, true);
  manager->SetSkinName(u"NoSuchSkin");
  EXPECT_FALSE(manager->IsActive());
  EXPECT_TRUE(manager->Active());
  for (const char* who : {"form", "form.outer", "form.inner", "dialog"}) {
    EXPECT_EQ(log.Commands(who), std::vector<Word>{KV_REMOVESKIN}) << who;
  }
  // No thread hook, and message boxes stay the system's.
  EXPECT_EQ(HookCallback, nullptr);
  EXPECT_FALSE(manager->GlobalHookInstalled);
  EXPECT_TRUE(UseLatestCommonDialogs);
  EXPECT_EQ(manager->CommonSkinData(96)->gd.size(), 0u);
}

TEST_F(ManagerWindows, TheThreadHookAndTheMessageBoxesFollowTheSkin) {
  TFormServicesDouble forms;
  manager->SetSkinName(u"Tiny");
  ASSERT_TRUE(manager->IsActive());
  EXPECT_TRUE(manager->GlobalHookInstalled);
  ASSERT_NE(HookCallback, nullptr);
  EXPECT_NE(kvSupportedList, nullptr);
  EXPECT_FALSE(UseLatestCommonDialogs);  // the library's own boxes, which the hook can skin

  // Without a form layer the hook passes every call on: windows are made as usual.
  HWND plain = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(plain, nullptr);
  DestroyWindow(plain);
  // With one, the hook hands each new window over.
  TkvServiceSlot<TkvFormServices>::Set(&forms);
  plain = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(plain, nullptr);
  DestroyWindow(plain);
  EXPECT_EQ(forms.created, 1);

  manager->SetActive(false);
  EXPECT_EQ(HookCallback, nullptr);
  EXPECT_EQ(kvSupportedList, nullptr);
  EXPECT_EQ(forms.menuClears, 1);
  EXPECT_TRUE(UseLatestCommonDialogs);
  TkvServiceSlot<TkvFormServices>::Set(nullptr);
}

TEST_F(ManagerWindows, ARefusedChangeGivesTheSnapshotsBack) {
  sGraphUtilsStartup();  // the layered-window functions the outer borders need
  TForm* skinned = SkinnedForm("skinned");
  TProviderDouble* provider = providers.back().get();
  TBorderDouble border;
  border.CreateNewForm();
  provider->BorderForm = &border;
  skinned->Show();
  PumpMessages();
  manager->SetSkinName(u"Tiny");
  manager->SetExtendedBorders(true);
  ASSERT_TRUE(manager->GetExtendedBorders());
  struct Refuser : TObject {
    void Changing(TObject*, const String&, bool& allow) { allow = false; }
  } refuser;
  manager->OnSkinChanging = TkvSkinChangingEvent(&refuser, &Refuser::Changing);
  log.Clear();
  manager->SetSkinName(u"Other");
  EXPECT_EQ(manager->SkinName(), u"Tiny");
  EXPECT_EQ(provider->CoverBmp, nullptr);
  EXPECT_FALSE(provider->FInAnimation);
  EXPECT_EQ(provider->FFormState & (FS_CHANGING | FS_LOCKED), 0u);
  EXPECT_FALSE(InAnimationProcess);
  EXPECT_TRUE(manager->ManagerState.Empty());
  EXPECT_TRUE(log.order.empty());  // nothing was broadcast
  provider->BorderForm = nullptr;
}

TEST_F(ManagerWindows, AFailedLoadIsReportedAndKeepsTheSkin) {
  manager->SetSkinName(u"Tiny");
  TkvSkinData* before = manager->SkinDataArray[0].get();
  const Integer button = manager->GetSkinIndex(u"BUTTON");
  ASSERT_GE(button, 0);
  const TColor buttonColor = manager->gd()[size_t(button)].Props[0].Color;
  WriteFile(Join(dir.Path(), "Garbage.kpz"), Bytes(64, Byte(0x5A)));
  SkinFiles broken = Tiny();
  broken.Set("GLOBALINFO", "MASTERBITMAP", "MASTER.PNG").File("MASTER.PNG", Bytes{0x89, 'P', 'N', 'G', 1, 2, 3});
  broken.WriteFolder(dir.Path(), "BrokenMaster");
  struct Case {
    const char16_t* name;
    std::vector<std::wstring> told;  // the boxes the user saw, in order
  } cases[] = {
      {u"Garbage",
       {L"Loaded data is not a packed Velloran file",
        L"Internal format error in the \"Garbage\" skin. Please, update this skin to latest version."}},
      {u"BrokenMaster", {L"Stream read error"}},  // the picture ends early
  };
  for (const Case& c : cases) {
    const char16_t* name = c.name;
    log.Clear();
    boxTexts.clear();
    answeredForm = nullptr;
    answeredBox = nullptr;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerBox);
    manager->SetSkinName(name);
    KillTimer(nullptr, timer);
    EXPECT_EQ(boxTexts, c.told) << StringToUtf8(name);
    EXPECT_EQ(manager->SkinName(), u"Tiny");
    EXPECT_TRUE(manager->IsActive());
    EXPECT_EQ(manager->SkinDataArray[0].get(), before);
    EXPECT_EQ(manager->GetSkinIndex(u"BUTTON"), button);
    EXPECT_EQ(manager->gd()[size_t(button)].Props[0].Color, buttonColor);
    EXPECT_TRUE(manager->ManagerState.Empty());
    EXPECT_EQ(log.Count("form", KV_SETNEWSKIN), 0u);
    EXPECT_EQ(log.Count("form", KV_REMOVESKIN), 0u);
  }
  // Further slots still come from the skin in force.
  EXPECT_EQ(manager->CommonSkinData(144)->gd.size(), before->gd.size());
}

TEST_F(ManagerWindows, TheBoxesOfALoadShowWithDialogSkinningAndColourPatchingOff) {
  manager->SetSkinName(u"Tiny");
  ASSERT_TRUE(manager->IsActive());
  manager->Options.SetBool(4, true);  // system colours patched
  ASSERT_TRUE(manager->SkinningRules().Contains(srStdDialogs));
  WriteFile(Join(dir.Path(), "Garbage.kpz"), Bytes(64, Byte(0x5A)));
  SkinFiles broken = Tiny();
  broken.Set("GLOBALINFO", "MASTERBITMAP", "MASTER.PNG").File("MASTER.PNG", Bytes{0x89, 'P', 'N', 'G', 1, 2, 3});
  broken.WriteFolder(dir.Path(), "BrokenMaster");
  // The notices of a broken packed file, and the error a load raised.
  struct Case {
    const char16_t* name;
    size_t boxes;
  } cases[] = {{u"Garbage", 2}, {u"BrokenMaster", 1}};
  for (const Case& c : cases) {
    boxTexts.clear();
    boxSettings.clear();
    answeredForm = nullptr;
    answeredBox = nullptr;
    boxManager = manager.get();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerBox);
    manager->SetSkinName(c.name);
    KillTimer(nullptr, timer);
    boxManager = nullptr;
    ASSERT_EQ(boxSettings.size(), c.boxes) << StringToUtf8(c.name);
    for (const auto& [stdDialogs, sysColors] : boxSettings) {
      EXPECT_FALSE(stdDialogs) << StringToUtf8(c.name);
      EXPECT_FALSE(sysColors) << StringToUtf8(c.name);
    }
    // Both come back once the boxes are answered.
    EXPECT_TRUE(manager->SkinningRules().Contains(srStdDialogs)) << StringToUtf8(c.name);
    EXPECT_TRUE(manager->Options.ChangeSysColors) << StringToUtf8(c.name);
  }
  // A manager that had them off keeps them off.
  manager->Options.SetBool(4, false);
  manager->SetSkinningRules({srStdForms});
  boxTexts.clear();
  answeredForm = nullptr;
  answeredBox = nullptr;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerBox);
  manager->SetSkinName(u"Garbage");
  KillTimer(nullptr, timer);
  EXPECT_EQ(boxTexts.size(), 2u);
  EXPECT_FALSE(manager->SkinningRules().Contains(srStdDialogs));
  EXPECT_FALSE(manager->Options.ChangeSysColors);
}

namespace {
// The opaque pixels (0xRRGGBB) of one image of an image list's platform list.
std::vector<uint32_t> OpaquePixelsOf(HIMAGELIST list, int index) {
  std::vector<uint32_t> out;
  IMAGEINFO info{};
  if (!ImageList_GetImageInfo(list, index, &info)) return out;
  BITMAP bm{};
  GetObjectW(info.hbmImage, sizeof bm, &bm);
  std::vector<uint32_t> bits(size_t(bm.bmWidth) * size_t(bm.bmHeight));
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = bm.bmWidth;
  bi.bmiHeader.biHeight = -bm.bmHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, info.hbmImage, 0, UINT(bm.bmHeight), bits.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  for (int y = info.rcImage.top; y < info.rcImage.bottom; ++y)
    for (int x = info.rcImage.left; x < info.rcImage.right; ++x) {
      const uint32_t p = bits[size_t(y) * size_t(bm.bmWidth) + size_t(x)];
      if (p >> 24 == 0xFF) out.push_back(p & 0xFFFFFF);
    }
  return out;
}
}  // namespace

// An icon-font image list is drawn again in the window-text colour of every skin that is put in
// force while it lives.
TEST_F(ManagerWindows, IconFontGlyphsTakeTheTextColourOfEachNewSkin) {
  kvAlphaImageListStartup();
  SkinFiles red = Tiny(), blue = Tiny();
  red.Set("EDIT", "COLOR", "0xFFFFFF").Set("EDIT", "FONTCOLOR", "0x0000C0");
  blue.Set("EDIT", "COLOR", "0xFFFFFF").Set("EDIT", "FONTCOLOR", "0xC00000");
  red.WriteFolder(dir.Path(), "RedText");
  blue.WriteFolder(dir.Path(), "BlueText");
  auto list = std::make_unique<TsCharImageList>(nullptr);
  list->AfterConstruction();
  list->PixelsPerInch = 96;
  list->SetWidth(32);
  list->SetHeight(32);
  TkvCharListItem* item = list->Items()->Add();
  item->SetChar(0xF111);  // a filled circle of the icon font
  item->SetColor(clNone);
  list->GenerateStdList(clBlack);
  ASSERT_EQ(ImageList_GetImageCount(list->Handle()), 1);

  std::vector<uint32_t> seen;
  for (const char16_t* name : {u"RedText", u"BlueText", u"RedText"}) {
    manager->SetSkinName(name);
    ASSERT_TRUE(manager->IsActive()) << StringToUtf8(name);
    const TColor text = TColor(kvColorToRGB(clWindowText, manager.get()));
    const uint32_t expected = (text & 0xFF) << 16 | (text & 0xFF00) | (text >> 16 & 0xFF);
    const std::vector<uint32_t> pixels = OpaquePixelsOf(list->Handle(), 0);
    ASSERT_GT(pixels.size(), 50u) << StringToUtf8(name);
    for (uint32_t p : pixels) ASSERT_EQ(p, expected) << StringToUtf8(name) << std::hex << " " << p;
    seen.push_back(expected);
  }
  EXPECT_NE(seen[0], seen[1]);  // the two skins write in different colours
  EXPECT_EQ(seen[0], seen[2]);
}

namespace {
// A form that, told of a removed skin, leaves the registry of skinned forms and enters it again
// (as a provider that is made anew does), the first time with a newcomer after it.
class TRegisterAgain : public TObject {
 public:
  TRegisterAgain(TCustomForm* f, TCustomForm* newcomer) : form_(f), newcomer_(newcomer), old_(f->WindowProc()) {
    f->SetWindowProc(TWndMethod(this, &TRegisterAgain::Proc));
  }
  ~TRegisterAgain() override {
    if (form_->WindowProc() == TWndMethod(this, &TRegisterAgain::Proc)) form_->SetWindowProc(old_);
  }
  void Proc(TMessage& m) {
    old_(m);
    if (m.Msg != SM_ALPHACMD || m.WParamHi != KV_REMOVESKIN) return;
    ++removals;
    IntUnSkinForm(form_);
    IntSkinForm(form_);
    if (newcomer_) IntSkinForm(std::exchange(newcomer_, nullptr));
  }
  int removals = 0;

 private:
  TCustomForm* form_;
  TCustomForm* newcomer_;
  TWndMethod old_;
};
}  // namespace

// The removal of a skin is told to every registered form once, and the walk ends although the
// forms register again while it runs.
TEST_F(ManagerWindows, ARemovalWalkEndsThoughFormsRegisterAgain) {
  manager->SetSkinName(u"Tiny");
  ASSERT_TRUE(manager->IsActive());
  TForm* first = SkinnedForm("first");
  TForm* second = SkinnedForm("second");
  auto* newcomer = new TForm(app.get());
  newcomer->AfterConstruction();
  TRegisterAgain firstAgain(first, newcomer), secondAgain(second, nullptr);
  log.Clear();
  manager->SetActive(false);
  EXPECT_FALSE(manager->IsActive());
  EXPECT_EQ(firstAgain.removals, 1);
  EXPECT_EQ(secondAgain.removals, 1);
  EXPECT_EQ(log.Count("first", KV_REMOVESKIN), 1u);
  EXPECT_EQ(log.Count("second", KV_REMOVESKIN), 1u);
  EXPECT_EQ(log.Count("form", KV_REMOVESKIN), 1u);
  EXPECT_TRUE(manager->ManagerState.Empty());
  // Everyone is still registered, each once.
  for (TCustomForm* f :
       {static_cast<TCustomForm*>(first), static_cast<TCustomForm*>(second), static_cast<TCustomForm*>(newcomer)})
    EXPECT_EQ(std::count(HookedComponents.begin(), HookedComponents.end(), f), 1) << StringToUtf8(f->Name());
  IntUnSkinForm(newcomer);
}

// A skin that names the application font: removing the skin gives the font from before back,
// except while the program ends, when the forms keep the font they wear.
TEST_F(ManagerWindows, TheFontIsKeptWhenTheProgramEnds) {
  SkinFiles withFont = Tiny();
  withFont.Set("GLOBALINFO", "MainFont", "Arial");
  withFont.WriteFolder(dir.Path(), "WithFont");
  manager->Fonts.SetMainMode(fmFromSkin);
  for (bool ending : {false, true}) {
    const char* name = ending ? "program ending" : "program running";
    manager->SetActive(true);
    manager->SetSkinName(u"WithFont");
    ASSERT_TRUE(manager->IsActive()) << name;
    const String original = manager->DefStoredFontName;
    ASSERT_FALSE(original.empty()) << name;
    ASSERT_NE(original, u"Arial") << name;
    EXPECT_EQ(manager->DefOldFontName, u"Arial") << name;
    log.Clear();
    if (ending) app->Terminate();
    manager->SetActive(false);
    EXPECT_EQ(log.Count("form.inner", KV_FONTSCHANGED), ending ? 0u : 1u) << name;
    EXPECT_EQ(manager->DefOldFontName, ending ? String(u"Arial") : original) << name;
    EXPECT_EQ(log.Count("form.inner", KV_REMOVESKIN), 1u) << name;
  }
}

TEST_F(ManagerWindows, ExtractingAnInternalSkinTellsWhatIsMissing) {
  TsStoredSkin* stored = manager->InternalSkins()->Add();
  stored->SetName(u"Inside");
  const Bytes packed = Tiny().Packed();
  stored->PackedData->WriteBuffer(packed.data(), Integer(packed.size()));
  struct Case {
    const char16_t* skin;
    std::string folder;
    std::vector<std::wstring> told;
  } cases[] = {
      {u"Inside", "missing", {L"Directory does not exists."}},
      {u"Elsewhere", "", {L"Skin does not exists."}},
      {u"Inside", "", {}},
  };
  for (const Case& c : cases) {
    boxTexts.clear();
    answeredForm = nullptr;
    answeredBox = nullptr;
    const String folder = c.folder.empty() ? dir.Path() : Join(dir.Path(), c.folder);
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerBox);
    manager->ExtractInternalSkin(c.skin, folder);
    KillTimer(nullptr, timer);
    EXPECT_EQ(boxTexts, c.told) << StringToUtf8(c.skin) << " " << c.folder;
    const Bytes written = ReadFile(Join(folder, StringToUtf8(c.skin) + " extracted.kpz"));
    EXPECT_EQ(written, c.told.empty() ? packed : Bytes{}) << StringToUtf8(c.skin) << " " << c.folder;
  }
}

TEST_F(ManagerWindows, RepaintingOneSection) {
  manager->SetSkinName(u"Tiny");
  const Integer button = manager->GetSkinIndex(u"BUTTON");
  ASSERT_GT(button, 0);
  struct Case {
    const char16_t* section;
    Word arg;
  } cases[] = {{u"BUTTON", Word(button)}, {u"NOSUCHSECTION", 65535}};
  for (const Case& c : cases) {
    log.Clear();
    manager->RepaintSection(c.section);
    ASSERT_NE(log.Last("form.inner", KV_REFRESH), nullptr);
    EXPECT_EQ(log.Last("form.inner", KV_REFRESH)->arg, c.arg) << StringToUtf8(c.section);
    EXPECT_EQ(manager->FUpdatedSectionNdx, 0);
  }
  log.Clear();
  manager->UpdateSkinSection(u"button");
  ASSERT_NE(log.Last("form.inner", KV_UPDATESECTION), nullptr);
  EXPECT_EQ(log.Last("form.inner", KV_UPDATESECTION)->text, u"BUTTON");
}

// The border settings switched while a skin is shown act at once on every slot: the shadow
// margins and templates come and go, and the mode decides between the skin's own outer border
// image and the plain window shadow.
TEST_F(ManagerWindows, ExtendedBordersSwitchedAtRunTimeActAtOnce) {
  sGraphUtilsStartup();  // the layered-window functions the outer borders need
  SkinFiles files = Tiny();
  files.Set("GLOBALINFO", "WSHSIZE", "10").Set("GLOBALINFO", "WSHOFFS", "2");
  files.Set("GLOBALINFO", "EXBORDER", "!EXB.PNG!2!0!0!0016!0016!0016!0016!0");
  files.Png("EXB.PNG", *Picture(64, 32, 0xC0403020));
  files.WriteFolder(dir.Path(), "Bordered");
  manager->SetSkinName(u"Bordered");
  ASSERT_TRUE(manager->IsActive());
  TkvSkinData* slot = manager->CommonSkinData(96);
  ASSERT_GE(slot->ExBorder, 0);
  EXPECT_EQ(slot->FormShadowSize, TRect());
  EXPECT_EQ(slot->ShdaTemplate, nullptr);

  log.Clear();
  manager->SetExtendedBorders(true);
  ASSERT_TRUE(manager->GetExtendedBorders());
  const TsMaskData& image = slot->ma[size_t(slot->ExBorder)];
  EXPECT_EQ(slot->FormShadowSize.Left, image.WL - slot->ExContentOffs);
  EXPECT_EQ(slot->FormShadowSize.Bottom, image.WB - slot->ExContentOffs);
  ASSERT_NE(slot->ShdaTemplate, nullptr);
  EXPECT_EQ(slot->ShdaTemplate->Width(), image.Width);
  EXPECT_EQ(log.Count("form.inner", KV_REFRESH), 1u);  // shown at once

  manager->SetExtBordersMode(ebmShadow);
  EXPECT_EQ(slot->ExBorder, -1);
  EXPECT_EQ(slot->ExBorderWidth, 4);
  EXPECT_EQ(slot->FormShadowSize, TRect(10, 8, 10, 12));
  EXPECT_NE(slot->ShdaTemplate, nullptr);

  manager->SetExtBordersMode(ebmFull);
  EXPECT_EQ(slot->ExBorder, manager->GetMaskIndex(u"GLOBALINFO", u"EXBORDER"));
  EXPECT_EQ(slot->FormShadowSize.Left, image.WL - slot->ExContentOffs);

  manager->SetExtendedBorders(false);
  EXPECT_EQ(slot->FormShadowSize, TRect());
  // A skin loaded afterwards takes the settings in force.
  manager->SetExtendedBorders(true);
  manager->SetExtBordersMode(ebmShadow);
  manager->SetSkinName(u"Tiny");
  manager->SetSkinName(u"Bordered");
  EXPECT_EQ(manager->CommonSkinData(96)->ExBorder, -1);
  EXPECT_EQ(manager->CommonSkinData(96)->FormShadowSize, TRect(10, 8, 10, 12));
}

TEST_F(ManagerWindows, OptionsThatTellTheForms) {
  manager->SetSkinName(u"Tiny");
  log.Clear();
  manager->ScrollsOptions.SetInteger(1, 20);
  EXPECT_EQ(log.Count("form.inner", KV_REINITSCROLLS), 1u);
  manager->ScrollsOptions.SetInteger(1, 20);  // the same size: nothing
  EXPECT_EQ(log.Count("form.inner", KV_REINITSCROLLS), 1u);
  log.Clear();
  manager->Effects.SetBoolean(1, true);  // discoloured glyphs: a repaint
  EXPECT_EQ(log.Count("form.inner", KV_REFRESH), 1u);
  log.Clear();
  manager->Options.SetArrowsStyle(arsLines1);  // the skin again
  EXPECT_EQ(log.Count("form.inner", KV_SETNEWSKIN), 1u);
}

TEST_F(ManagerWindows, TheApplicationFontGoesToEveryForm) {
  manager->SetSkinName(u"Tiny");
  log.Clear();
  struct Fonts : TObject {
    std::vector<std::pair<String, String>> changes;
    void Changed(TObject*, const String& from, const String& to) { changes.push_back({from, to}); }
  } fonts;
  manager->OnFontChanged = TkvFontChangedEvent(&fonts, &Fonts::Changed);
  // Not the system's default font, so that the change shows.
  manager->Fonts.SetMainFont(u"Arial");  // stored only: the mode is fmDefault
  EXPECT_EQ(log.Count("form.inner", KV_FONTSCHANGED), 0u);
  manager->Fonts.SetMainMode(fmCustom);
  EXPECT_EQ(log.Count("form.inner", KV_FONTSCHANGED), 1u);
  // The font before any skin was remembered first.
  const String original = manager->DefStoredFontName;
  EXPECT_FALSE(original.empty());
  EXPECT_NE(original, u"Arial");
  ASSERT_EQ(fonts.changes.size(), 1u);
  EXPECT_EQ(fonts.changes[0].first, original);
  EXPECT_EQ(fonts.changes[0].second, u"Arial");
  EXPECT_EQ(manager->DefOldFontName, u"Arial");

  // A control that still wears the font applied last takes the new one; one with a font of its
  // own, or one that takes its parent's, is left alone.
  auto* plain = new TCommandProbe(form, "plain", log);
  plain->SetParentFont(false);
  plain->Font()->SetName(u"Arial");
  manager->DefNewFontName = u"Verdana";
  EXPECT_TRUE(manager->UpdateFontName(plain));
  EXPECT_EQ(plain->Font()->Name(), u"Verdana");
  plain->Font()->SetName(u"Courier New");
  EXPECT_FALSE(manager->UpdateFontName(plain));
  plain->SetParentFont(true);
  EXPECT_FALSE(manager->UpdateFontName(plain));
  manager->DefNewFontName = u"Arial";

  manager->Fonts.SetMainMode(fmDefault);  // back to the font from before the skin
  ASSERT_EQ(fonts.changes.size(), 2u);
  EXPECT_EQ(fonts.changes[1].second, original);
  EXPECT_TRUE(manager->ManagerState.Empty());
}

TEST_F(ManagerWindows, MouseTrackingTellsTheWindowsItLeavesAndEnters) {
  form->Show();
  PumpMessages();
  auto* a = new TCommandProbe(form, "a", log);
  auto* b = new TCommandProbe(form, "b", log);
  b->SetBounds(100, 100, 40, 30);
  SetCursorPos(0, 0);  // away from every window
  log.Clear();
  manager->SetActiveControl(a->WindowHandle());
  manager->SetActiveControl(a->WindowHandle());  // already current
  manager->SetActiveControl(b->WindowHandle());
  EXPECT_EQ(log.Commands("a"), (std::vector<Word>{KV_MOUSEENTER, KV_MOUSELEAVE}));
  EXPECT_EQ(log.Commands("b"), std::vector<Word>{KV_MOUSEENTER});
  EXPECT_EQ(manager->ActiveControl(), b->WindowHandle());
  // A child of the current window while the mouse is still over it: nothing changes.
  auto* child = new TCommandProbe(b, "b.child", log);
  RECT r{};
  GetWindowRect(b->WindowHandle(), &r);
  SetCursorPos(r.left + 30, r.top + 25);
  log.Clear();
  manager->SetActiveControl(child->WindowHandle());
  EXPECT_EQ(manager->ActiveControl(), b->WindowHandle());
  EXPECT_TRUE(log.order.empty());
  SetCursorPos(0, 0);
  manager->SetActiveControl(nullptr);
  EXPECT_EQ(log.Commands("b"), std::vector<Word>{KV_MOUSELEAVE});
}

TEST_F(ManagerWindows, AManagerReadFromADescriptionSkinsItsFormAtOnce) {
  // The description names the skin, so it is loaded while the description is read and
  // broadcast when the manager is loaded; the form goes to the dialog skinner then.
  TFormServicesDouble forms;
  TkvServiceSlot<TkvFormServices>::Set(&forms);
  manager.reset();
  RegisterClass<TForm>();
  RegisterClass<DuRiruZireziv>();
  String path = dir.Path();
  String escaped;
  for (Char c : path) {
    if (c == u'\\') escaped += u'\\';
    escaped += c;
  }
  auto* described = new TForm(app.get());
  described->HandleNeeded();
  recorders.push_back(std::make_unique<TFormCommandRecorder>(described, "described", log));
  ReadComponentText(described, u"object Described: TForm\n  object sknmngr2: DuRiruZireziv\n    SkinDirectory = \"" +
                                   escaped + u"\"\n    SkinName = \"Tiny\"\n  end\nend\n");
  auto* m = dynamic_cast<DuRiruZireziv*>(described->FindComponent(u"sknmngr2"));
  ASSERT_NE(m, nullptr);
  EXPECT_TRUE(m->IsActive());
  EXPECT_EQ(log.Count("described", KV_SETNEWSKIN), 1u);
  EXPECT_EQ(forms.added, std::vector<HWND>{described->WindowHandle()});
  m->SetActive(false);
  TkvServiceSlot<TkvFormServices>::Set(nullptr);
}
