// Skin changes while the windows are on the screen: a shown form with its provider, the
// engine's own button, edit, label and progress bar, standard check box, list box and combo
// box under their wrappers, and a second shown form it owns. After every real change (another
// skin and back, tone, extended borders and their mode, the scale mode), and again after the
// form was hidden and shown, every control has a section of the skin in force and prints what
// the same control made afresh under that skin prints.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "controls/kvProgressBar.h"
#include "controls/sButton.h"
#include "controls/sEdit.h"
#include "controls/sGlyphUtils.h"
#include "controls/sLabel.h"
#include "engine/EngineStartup.h"
#include "forms/sSkinProvider.h"
#include "images/kvAlphaImageList.h"
#include "images/kvPNG.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "support/SkinFiles.h"
#include "support/TempDir.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/StringList.h"
#include "ui/SysUtils.h"

using namespace skinfiles;

namespace {

// The test exe lies in <build>/tests/engine; the program's data folder is <build>/bin/data.
String BuiltSkinFolder() { return GetAppPath() + u"..\\..\\bin\\data\\Glimmerveil\\"; }

std::vector<String> FilesIn(const String& folder) {
  std::vector<String> names;
  WIN32_FIND_DATAW fd{};
  HANDLE h = FindFirstFileW(reinterpret_cast<LPCWSTR>((folder + u"*").c_str()), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      names.emplace_back(reinterpret_cast<const Char*>(fd.cFileName));
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return names;
}

void CopyFolder(const String& from, const String& to) {
  CreateDirectoryW(reinterpret_cast<LPCWSTR>(to.c_str()), nullptr);
  for (const String& name : FilesIn(from))
    ASSERT_TRUE(CopyFileW(reinterpret_cast<LPCWSTR>((from + name).c_str()),
                          reinterpret_cast<LPCWSTR>((to + name).c_str()), FALSE))
        << StringToUtf8(name);
}

uint32_t Inverted(uint32_t argb) { return (argb & 0xFF000000u) | (~argb & 0xFFFFFFu); }

// A second skin made from the first: every colour of the ini text and every picture inverted
// (a dark look), and a form frame of its own: a thick red ring instead of the thin grey line.
void MakeEmber(const String& glimmerveil, const String& ember) {
  ASSERT_NO_FATAL_FAILURE(CopyFolder(glimmerveil, ember));
  for (const String& name : FilesIn(ember)) {
    if (name.size() < 4 || UpperCase(name.substr(name.size() - 4)) != u".PNG") continue;
    TBitmap bmp;
    LoadBmpFromPngFile(bmp, ember + name);
    const TPixelView v = bmp.View();
    const bool formFrame = name.rfind(u"FORM", 0) == 0 && name.rfind(u"FORMTITLE", 0) != 0;
    for (Integer y = 0; y < v.Height; ++y)
      for (Integer x = 0; x < v.Width; ++x) {
        uint32_t& p = v.At(x, y);
        const Integer state = v.Width > 0 ? x * 2 / v.Width : 0, sx = x - state * v.Width / 2;
        const bool ring = formFrame && (sx < 4 || y < 4 || sx >= v.Width / 2 - 4 || y >= v.Height - 4);
        p = ring ? 0xFFC01010u : Inverted(p);
      }
    WriteFile(ember + name, PngOf(bmp));
  }
  TStringList text;
  text.LoadFromFile(ember + u"Options.dat");
  for (Integer i = 0; i < text.Count(); ++i) {
    const String line = text[i];
    const size_t eq = line.find(u'=');
    if (eq == String::npos || UpperCase(line.substr(0, eq)).find(u"COLOR") == String::npos) continue;
    const String value = line.substr(eq + 1);
    if (value.rfind(u"0x", 0) != 0 || value.size() != 8 || value == u"0xFF00FF") continue;
    const uint32_t c = uint32_t(std::stoul(StringToUtf8(value.substr(2)), nullptr, 16));
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%06X", unsigned(~c & 0xFFFFFF));
    text.SetStrings(i, line.substr(0, eq + 1) + Utf8ToString(hex));
  }
  std::string out;
  for (Integer i = 0; i < text.Count(); ++i) out += StringToUtf8(text[i]) + "\r\n";
  WriteFile(ember + u"Options.dat", Bytes(out.begin(), out.end()));
}

// A window's whole painting (frame and client, children left out) as the engine prints it: the
// printing mark with the DC around WM_PRINT.
std::vector<uint32_t> PictureOf(HWND wnd, Integer* width = nullptr) {
  RECT r{};
  GetWindowRect(wnd, &r);
  const Integer w = r.right - r.left, h = r.bottom - r.top;
  TBitmap bmp(w, h, pf32bit);
  const HDC dc = bmp.Canvas()->Handle();
  SendMessageW(wnd, SM_ALPHACMD, MAKEWPARAM(1, KV_PRINTING), reinterpret_cast<LPARAM>(dc));
  SendMessageW(wnd, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
  SendMessageW(wnd, SM_ALPHACMD, MAKEWPARAM(0, KV_PRINTING), reinterpret_cast<LPARAM>(dc));
  std::vector<uint32_t> px;
  const TPixelView v = bmp.View();
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) px.push_back(v.At(x, y) & 0xFFFFFF);
  if (width) *width = w;
  return px;
}

size_t Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  if (a.size() != b.size()) return std::max(a.size(), b.size());
  size_t n = 0;
  for (size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
  return n;
}

// One form as a program lays it out: its provider, the engine's controls, standard controls
// the provider's adapter wraps, and a second form it owns with a provider and a button.
struct Screenful {
  Screenful(TApplication* app, Integer left) {
    form = new TForm(app);
    form->AfterConstruction();
    form->SetPosition(poDesigned);
    form->SetBounds(left, 60, 420, 300);
    form->SetCaption(u"Live");
    form->HandleNeeded();
    auto place = [&](TControl* c, Integer x, Integer y, Integer w, Integer h) {
      c->SetParent(form);
      c->SetBounds(x, y, w, h);
      if (auto* win = dynamic_cast<TWinControl*>(c)) {
        win->SetTabStop(false);
        win->HandleNeeded();
      }
    };
    button = new TsButton(form);
    button->SetCaption(u"Send");
    place(button, 10, 10, 100, 32);
    edit = new TsEdit(form);
    edit->SetText(u"text");
    place(edit, 10, 50, 140, 24);
    label = new TsLabel(form);
    label->SetCaption(u"A label");
    place(label, 10, 82, 100, 18);
    bar = new TsProgressBar(form);
    bar->SetPosition(40);
    place(bar, 10, 104, 200, 20);
    check = new TCheckBox(form);
    check->SetCaption(u"Check");
    place(check, 220, 10, 120, 20);
    list = new TListBox(form);
    list->Items()->Add(u"one");
    list->Items()->Add(u"two");
    place(list, 220, 40, 120, 60);
    combo = new TComboBox(form);
    combo->Items()->Add(u"red");
    combo->SetItemIndex(0);
    place(combo, 220, 110, 120, 24);
    // The provider comes last, as the manager gives one to a form that is read already.
    provider = new TsSkinProvider(form);
    provider->AfterConstruction();

    owned = new TForm(app);
    owned->AfterConstruction();
    owned->SetPosition(poDesigned);
    owned->SetBounds(left + 40, 380, 240, 140);
    owned->SetCaption(u"Owned");
    owned->HandleNeeded();
    SetWindowLongPtrW(owned->Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(form->Handle()));
    ownedButton = new TsButton(owned);
    ownedButton->SetCaption(u"Owned");
    ownedButton->SetParent(owned);
    ownedButton->SetBounds(10, 10, 100, 32);
    ownedButton->SetTabStop(false);
    ownedButton->HandleNeeded();
    ownedProvider = new TsSkinProvider(owned);
    ownedProvider->AfterConstruction();
  }
  ~Screenful() {
    delete owned;
    delete form;
  }
  Screenful(const Screenful&) = delete;
  Screenful& operator=(const Screenful&) = delete;

  void Show() {
    form->Show();
    owned->Show();
    Pump();
  }
  void Hide() {
    owned->Hide();
    form->Hide();
    Pump();
  }
  static void Pump() {
    for (int i = 0; i < 8; ++i) Application->ProcessMessages();
  }

  // The skin data of every skinned part, by name.
  std::vector<std::pair<std::string, TsCommonData*>> Parts() const {
    return {{"form", provider->SkinData()},
            {"button", button->SkinData()},
            {"edit", edit->SkinData()},
            {"progress bar", bar->SkinData()},
            {"check box", GetCommonData(check->Handle())},
            {"list box", GetCommonData(list->Handle())},
            {"combo box", GetCommonData(combo->Handle())},
            {"owned form", ownedProvider->SkinData()},
            {"owned form's button", ownedButton->SkinData()}};
  }
  // The windows whose pictures are compared, by name.
  std::vector<std::pair<std::string, HWND>> Windows() const {
    return {{"form", form->Handle()},
            {"button", button->Handle()},
            {"edit", edit->Handle()},
            {"progress bar", bar->Handle()},
            {"check box", check->Handle()},
            {"list box", list->Handle()},
            {"combo box", combo->Handle()},
            {"owned form", owned->Handle()},
            {"owned form's button", ownedButton->Handle()}};
  }

  TForm* form;
  TsSkinProvider* provider;
  TsButton* button;
  TsEdit* edit;
  TsLabel* label;
  TsProgressBar* bar;
  TCheckBox* check;
  TListBox* list;
  TComboBox* combo;
  TForm* owned;
  TsSkinProvider* ownedProvider;
  TsButton* ownedButton;
};

class LiveSkinChange : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    StartEngine();
    String root = dir.Path() + u"\\";
    for (auto& ch : root)
      if (ch == u'/') ch = u'\\';
    ASSERT_NO_FATAL_FAILURE(CopyFolder(BuiltSkinFolder(), root + u"Glimmerveil\\"));
    ASSERT_NO_FATAL_FAILURE(MakeEmber(BuiltSkinFolder(), root + u"Ember\\"));
    app = std::make_unique<TApplication>();
    host = new TForm(app.get());
    host->AfterConstruction();
    manager = new DuRiruZireziv(host);
    // A program lists the standard classes it wants wrapped.
    manager->ThirdLists[tpCheckBox]->SetText(u"TCheckBox");
    manager->ThirdLists[tpEdit]->SetText(u"TListBox");
    manager->ThirdLists[tpComboBox]->SetText(u"TComboBox");
    manager->SetSkinDirectory(root);
    manager->SetSkinName(u"Glimmerveil");
    ASSERT_TRUE(manager->IsActive());
    // Focus and activation stay with a plain window of the test, so that the live and the fresh
    // forms are drawn alike (both inactive, nothing focused).
    focusHolder =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, nullptr, nullptr, nullptr, nullptr);
    live = std::make_unique<Screenful>(app.get(), 40);
    live->Show();
    Deactivate();
  }
  void TearDown() override {
    live.reset();
    if (focusHolder) DestroyWindow(focusHolder);
    app.reset();
    StopEngine();
  }
  void Deactivate() {
    SetForegroundWindow(focusHolder);
    SetActiveWindow(focusHolder);
    SetCursorPos(2, 2);
    Screenful::Pump();
  }

  // What every part of the live windows must show: a valid section of the skin in force, the
  // same section and the same picture as the same part made afresh now.
  // scaledPPI: after a scale change the live windows are laid out anew at that PPI, which a
  // fresh form is not: their skin data serve that PPI, and their pictures are not compared.
  void ExpectFollowsTheSkin(const std::string& step, Integer scaledPPI = 0) {
    SCOPED_TRACE(step);
    Screenful fresh(app.get(), 500);
    fresh.Show();
    Deactivate();
    for (auto& part : live->Parts()) {
      SCOPED_TRACE(part.first);
      TsCommonData* sd = part.second;
      ASSERT_NE(sd, nullptr);
      EXPECT_GE(sd->SkinIndex, 0);
      EXPECT_TRUE(manager->IsValidSkinIndex(sd->SkinIndex));
      EXPECT_TRUE(sd->Skinned(true));
      TkvSkinData* data = sd->GetCommonSkinData();
      ASSERT_NE(data, nullptr);
      EXPECT_EQ(data->FOwner, manager);
      if (scaledPPI) { EXPECT_EQ(data->PPI, scaledPPI); }
    }
    const auto freshParts = fresh.Parts();
    const auto liveParts = live->Parts();
    for (size_t i = 0; i < liveParts.size(); ++i) {
      EXPECT_EQ(liveParts[i].second->SkinIndex, freshParts[i].second->SkinIndex) << liveParts[i].first;
    }
    EXPECT_EQ(live->provider->FTitleSkinIndex, fresh.provider->FTitleSkinIndex);
    EXPECT_EQ(live->label->TextColor(), fresh.label->TextColor());
    const auto liveWindows = live->Windows();
    const auto freshWindows = fresh.Windows();
    for (size_t i = 0; i < liveWindows.size() && !scaledPPI; ++i) {
      const auto a = PictureOf(liveWindows[i].second), b = PictureOf(freshWindows[i].second);
      EXPECT_EQ(Differing(a, b), 0u) << liveWindows[i].first << " prints otherwise than a fresh one";
      pictures[liveWindows[i].first] = a;
    }
    // Nothing on the live form is left out.
    for (HWND child = GetWindow(live->form->Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      EXPECT_TRUE(WndIsSkinned(child)) << StringToUtf8(ClassOf(child));
    }
  }
  static String ClassOf(HWND wnd) {
    wchar_t buf[64] = {};
    GetClassNameW(wnd, buf, 64);
    return String(reinterpret_cast<const Char*>(buf));
  }
  // A change, then the checks; again after the form was hidden and shown.
  void Step(const std::string& name, const std::function<void()>& change, Integer scaledPPI = 0) {
    const auto before = pictures;
    change();
    Screenful::Pump();
    ExpectFollowsTheSkin(name, scaledPPI);
    changedParts.clear();
    for (const auto& [part, picture] : pictures)
      if (before.count(part) && Differing(before.at(part), picture) > 0) changedParts.push_back(part);
    live->Hide();
    live->Show();
    Deactivate();
    ExpectFollowsTheSkin(name + ", hidden and shown", scaledPPI);
  }

  TempDir dir;
  std::unique_ptr<TApplication> app;
  TForm* host = nullptr;
  DuRiruZireziv* manager = nullptr;
  HWND focusHolder = nullptr;
  std::unique_ptr<Screenful> live;
  std::map<std::string, std::vector<uint32_t>> pictures;
  std::vector<std::string> changedParts;  // the parts the last step repainted otherwise
};

}  // namespace

TEST_F(LiveSkinChange, EveryWindowFollowsEveryChange) {
  ExpectFollowsTheSkin("Glimmerveil at the start");
  const std::vector<std::string> all = {"form",     "button",    "edit",       "progress bar",       "check box",
                                        "list box", "combo box", "owned form", "owned form's button"};
  // Each colour change repaints at least these parts otherwise (a grey stays grey under a hue).
  struct Change {
    const char* name;
    std::function<void(DuRiruZireziv*)> apply;
    std::vector<std::string> repainted;
  } colourChanges[] = {
      {"another skin", [](DuRiruZireziv* m) { m->SetSkinName(u"Ember"); }, all},
      {"back to Glimmerveil", [](DuRiruZireziv* m) { m->SetSkinName(u"Glimmerveil"); }, all},
      {"hue", [](DuRiruZireziv* m) { m->SetColorAdjustment(1, 120); }, {"progress bar"}},
      {"saturation", [](DuRiruZireziv* m) { m->SetColorAdjustment(2, -60); }, {"progress bar"}},
      {"brightness", [](DuRiruZireziv* m) { m->SetColorAdjustment(0, -40); }, all},
  };
  for (const Change& c : colourChanges) {
    Step(c.name, [&] { c.apply(manager); });
    for (const std::string& part : c.repainted)
      EXPECT_NE(std::find(changedParts.begin(), changedParts.end(), part), changedParts.end())
          << part << " looks as before " << c.name;
  }
  Step("extended borders", [&] { manager->SetExtendedBorders(true); });
  Step("shadow-only extended borders", [&] { manager->SetExtBordersMode(ebmShadow); });
  Step("ordinary borders", [&] { manager->SetExtendedBorders(false); });
  Step(
      "scale 150%", [&] { manager->Options.SetScaleMode(sm150); }, 144);
  Step(
      "scale as the system", [&] { manager->Options.SetScaleMode(smVCL); }, 96);
}
