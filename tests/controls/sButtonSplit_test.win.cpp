// The split button's menu: a press on the split part drops the menu under the button (shown
// pressed while it is open) without the class library's mouse-down; a menu handler that frees
// the button while the menu is open leaves nothing that touches it afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include "controls/sButton.h"
#include "support/FormFixture.h"
#include "ui/Menus.h"

namespace {

// Closes the open menu from the menu's own modal loop.
void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  EndMenu();
}

struct MenuProbe {
  TsButton* button = nullptr;
  bool freeIt = false;
  bool droppedWhileOpen = false;
  int mouseDowns = 0;
  void Popup(TObject*) {
    droppedWhileOpen = button->IsDroppedDown();
    SetTimer(nullptr, 0, 50, CloseMenu);
    if (freeIt) {
      delete button;
      button = nullptr;
    }
  }
  void MouseDown(TObject*, TMouseButton, TShiftState, Integer, Integer) { ++mouseDowns; }
};

class SplitButton : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    menu = new TPopupMenu(form);
    auto* item = new TMenuItem(menu);
    item->SetCaption(u"Audio only");
    menu->Items()->Add(item);
    menu->SetOnPopup(TNotifyEvent(&probe, &MenuProbe::Popup));
    button = new TsButton(form);
    button->SetBounds(20, 20, 120, 30);
    button->SetCaption(u"Get");
    button->SetStyle(bsSplitButton);
    button->SetDropDownMenu(menu);
    button->SetOnMouseDown(TMouseEvent(&probe, &MenuProbe::MouseDown));
    button->SetParent(form);
    form->Show();
    PumpMessages();
    probe.button = button;
  }
  void PressSplitPart() {
    const LPARAM at = MAKELPARAM(button->Width() - 5, 10);
    SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  }
  TPopupMenu* menu = nullptr;
  TsButton* button = nullptr;
  MenuProbe probe;
};

TEST_F(SplitButton, PressOnTheSplitPartDropsTheMenu) {
  PressSplitPart();
  EXPECT_TRUE(probe.droppedWhileOpen);
  EXPECT_FALSE(button->IsDroppedDown());
  EXPECT_EQ(probe.mouseDowns, 0);
  EXPECT_NE(button->CurrentState(), 2);  // no longer shown pressed
}

TEST_F(SplitButton, MenuHandlerThatFreesTheButton) {
  probe.freeIt = true;
  const HWND wnd = button->Handle();
  PressSplitPart();
  EXPECT_EQ(probe.button, nullptr);
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_EQ(form->ComponentCount(), 1);  // only the menu is left
  PumpMessages();
}

}  // namespace
