// Smaller pieces of the skin provider: which title bar items take the mouse, the user title
// buttons' setters, the caption text change under the caption cover, what a removed skin gives
// back, the registered blur windows, the client offsets and the caption-button kinds.
#include <windows.h>

#include "forms/kvTitleBar.h"
#include "support/FormSkin.h"

using namespace formskin;

namespace {

class MiscForm : public SkinnedForm {};

}  // namespace

// Only items that act take the mouse: spacers, info items, disabled items and the tab that is
// already down belong to the caption under them, so they never go hot or pressed.
TEST_F(MiscForm, OnlyItemsThatActAreHitTargets) {
  auto* bar = new TsTitleBar(form);
  struct Case {
    const char* name;
    TkvBtnStyle style;
    bool enabled, down;
    bool target;
  } cases[] = {
      {"button", bsButton, true, false, true},      {"menu", bsMenu, true, false, true},
      {"tab up", bsTab, true, false, true},         {"tab down", bsTab, true, true, false},
      {"info", bsInfo, true, false, false},         {"spacer", bsSpacing, true, false, false},
      {"disabled button", bsButton, false, false, false}, {"button down", bsButton, true, true, true},
  };
  for (const Case& c : cases) {
    TkvTitleBarItem* it = bar->Items()->Add();
    it->FAutoSize = false;
    it->FWidth = 14;
    it->FHeight = 12;
    it->FStyle = c.style;
    it->FEnabled = c.enabled;
    it->FDown = c.down;
  }
  SkinAndShow();
  for (Integer i = 0; i < Integer(std::size(cases)); ++i) {
    const Case& c = cases[i];
    TkvTitleBarItem* it = bar->Items()->Items(i);
    ASSERT_GT(it->Rect.Width(), 0) << c.name;
    const TPoint in((it->Rect.Left + it->Rect.Right) / 2, (it->Rect.Top + it->Rect.Bottom) / 2);
    EXPECT_EQ(HitTest(in.X, in.Y), c.target ? HTITEM + i : HTCAPTION) << c.name;
    // The mouse over it: only a target becomes the hot element.
    const TPoint s = Screen(in.X, in.Y);
    SendMessageW(form->Handle(), WM_NCMOUSEMOVE, HTCAPTION, MAKELPARAM(s.X, s.Y));
    EXPECT_EQ(sp->CurrentHT == HTITEM + i, c.target) << c.name << " hot " << sp->CurrentHT;
  }
}
