// The skinned controls under the Glimmerveil skin that the build installs beside the program:
// a button takes its "BUTTON" section and paints a different look at rest, under the mouse and
// pressed; a progress bar paints its items over its gauge; an edit's frame comes from the skin.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>

#include "controls/kvProgressBar.h"
#include "controls/sButton.h"
#include "controls/sEdit.h"
#include "base/sMessages.h"
#include "skin/sSkinManager.h"
#include "support/FormFixture.h"
#include "ui/Bitmap.h"
#include "ui/Canvas.h"

namespace {

// The folder of the running test program, with its trailing backslash.
String ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  String s(path, path + n);
  return s.substr(0, s.find_last_of(u'\\') + 1);
}

std::unique_ptr<TBitmap> Print(TWinControl* c) {
  auto bmp = std::make_unique<TBitmap>(c->Width(), c->Height(), pf32bit);
  SendMessageW(c->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(bmp->Canvas()->Handle()), PRF_CLIENT);
  return bmp;
}

uint32_t At(TBitmap& b, Integer x, Integer y) { return b.View().At(x, y) & 0xFFFFFF; }

class Glimmerveil : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    button = new TsButton(form);
    button->SetBounds(20, 20, 100, 30);
    button->SetParent(form);
    bar = new TsProgressBar(form);
    bar->SetBounds(20, 80, 200, 21);
    bar->SetParent(form);
    manager = new DuRiruZireziv(form);
    manager->SetSkinDirectory(ProgramFolder() + u"..\\..\\bin\\data");
    manager->SetSkinName(u"Glimmerveil");
    form->Show();
    PumpMessages();
    // What the form's skinning passes on once the manager has its skin.
    for (TWinControl* c : {static_cast<TWinControl*>(button), static_cast<TWinControl*>(bar)})
      SendMessageW(c->Handle(), SM_ALPHACMD, MAKEWPARAM(0, KV_SETNEWSKIN), reinterpret_cast<LPARAM>(manager));
    PumpMessages();
  }
  DuRiruZireziv* manager = nullptr;
  TsButton* button = nullptr;
  TsProgressBar* bar = nullptr;
};

TEST_F(Glimmerveil, ButtonStatesPaintDifferentLooks) {
  ASSERT_TRUE(manager->IsActive()) << "the build installs the skin beside the program";
  ASSERT_TRUE(button->SkinData()->Skinned());
  TkvSkinData* data = button->SkinData()->GetCommonSkinData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(button->SkinData()->SkinIndex, data->GetSkinIndex(u"BUTTON"));
  // The focus elsewhere: a focused button wears its active look at rest.
  auto* edit = new TsEdit(form);
  edit->SetBounds(20, 130, 100, 24);
  edit->SetParent(form);
  edit->SetFocus();
  PumpMessages();
  ASSERT_EQ(button->CurrentState(), 0);
  const auto rest = Print(button);
  button->Perform(CM_MOUSEENTER, 0, 0);
  const auto hot = Print(button);
  button->SetDown(true);
  const auto pressed = Print(button);
  int hotDiffers = 0, pressedDiffers = 0;
  for (Integer y = 4; y < 26; y += 3)
    for (Integer x = 4; x < 96; x += 7) {
      hotDiffers += At(*rest, x, y) != At(*hot, x, y);
      pressedDiffers += At(*rest, x, y) != At(*pressed, x, y);
    }
  EXPECT_GT(hotDiffers, 10);
  EXPECT_GT(pressedDiffers, 10);
}

TEST_F(Glimmerveil, ProgressBarShowsItsFillAsItGrows) {
  ASSERT_TRUE(manager->IsActive());
  ASSERT_TRUE(bar->SkinData()->Skinned());
  SendMessageW(bar->Handle(), PBM_SETPOS, 0, 0);
  const auto empty = Print(bar);
  SendMessageW(bar->Handle(), PBM_SETPOS, 100, 0);
  const auto full = Print(bar);
  int differs = 0;
  for (Integer x = 4; x < 196; x += 4) differs += At(*empty, x, 10) != At(*full, x, 10);
  EXPECT_GT(differs, 20);  // the items cover the bar
}

}  // namespace
