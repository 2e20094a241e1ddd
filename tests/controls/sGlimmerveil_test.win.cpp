// The skinned controls under the Glimmerveil skin that the build installs beside the program:
// a button takes its "BUTTON" section and paints a different look at rest, under the mouse and
// pressed; a progress bar paints its items over its gauge; an edit's frame comes from the skin,
// and a focused edit, whose client area the system paints, still shows that frame on every side.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/sMessages.h"
#include "controls/kvProgressBar.h"
#include "controls/sButton.h"
#include "controls/sEdit.h"
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

// A focused edit without padding keeps only the system's frame around its client area: every
// pixel of the skin's active frame, from each side's middle inwards until the edit's fill, must
// reach the screen there, at every density the skin draws.
TEST_F(Glimmerveil, AFocusedEditShowsItsWholeFrameOnEverySide) {
  ASSERT_TRUE(manager->IsActive());
  auto* edit = new TsEdit(form);
  edit->SetBounds(20, 130, 160, 30);
  edit->SetParent(form);
  SendMessageW(edit->Handle(), SM_ALPHACMD, MAKEWPARAM(0, KV_SETNEWSKIN), reinterpret_cast<LPARAM>(manager));
  edit->SetFocus();
  PumpMessages();
  ASSERT_TRUE(edit->SkinData()->Skinned());
  const Integer w = edit->Width(), h = edit->Height();
  struct Side {
    const char* name;
    Integer x, y, dx, dy;
  };
  const Side sides[] = {{"left", 0, h / 2, 1, 0},
                        {"top", w / 2, 0, 0, 1},
                        {"right", w - 1, h / 2, -1, 0},
                        {"bottom", w / 2, h - 1, 0, -1}};
  for (Integer ppi : {96, 120, 144, 192}) {
    SendMessageW(edit->Handle(), SM_ALPHACMD, MAKEWPARAM(0, KV_SETSCALE), ppi);
    edit->SkinData()->BGChanged = true;
    RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    PumpMessages();
    ASSERT_EQ(GetFocus(), edit->Handle());
    ASSERT_EQ(edit->SkinData()->GetCommonSkinData()->PPI, ppi);
    TBitmap* cache = edit->SkinData()->FCacheBmp.get();
    ASSERT_NE(cache, nullptr);
    ASSERT_EQ(cache->Width(), w);
    TBitmap shown(w, h, pf32bit);
    HDC dc = GetWindowDC(edit->Handle());
    BitBlt(shown.Canvas()->Handle(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
    ReleaseDC(edit->Handle(), dc);
    const uint32_t fill = At(*cache, w / 2, h / 2);
    for (const Side& side : sides) {
      const std::string where = std::string(side.name) + " at " + std::to_string(ppi) + " PPI";
      Integer frame = 0;
      for (Integer x = side.x, y = side.y; At(*cache, x, y) != fill && frame < w / 2; x += side.dx, y += side.dy) {
        EXPECT_EQ(At(shown, x, y), At(*cache, x, y)) << where << ", " << frame << " px in";
        ++frame;
      }
      EXPECT_GE(frame, 1) << where << ": the skin's frame has a line there";
    }
  }
}

}  // namespace
