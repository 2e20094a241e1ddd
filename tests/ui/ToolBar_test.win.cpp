// The tool bar over the system's ToolbarWindow32: its TToolButton children become the system
// buttons (image index, style, state, caption) and take their bounds from it; the image
// lists reach the system bar; a click runs the button's OnClick; custom-draw states read as
// sets.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>

#include "support/FormFixture.h"
#include "ui/ComCtrls.h"
#include "ui/Forms.h"
#include "ui/ImgList.h"

namespace {

class ToolBarTest : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    images = new TImageList(form);
    TBitmap image(16, 16, pf24bit);
    for (int i = 0; i < 3; ++i) images->Add(&image, nullptr);
    bar = new TToolBar(form);
    bar->SetBounds(0, 0, 300, 40);
    bar->SetParent(form);
    bar->SetImages(images);
  }
  TToolButton* AddButton(TToolButtonStyle style, Integer imageIndex) {
    auto* b = new TToolButton(form);
    b->SetStyle(style);
    b->SetImageIndex(imageIndex);
    b->SetParent(bar);
    return b;
  }
  TBBUTTON SystemButton(Integer index) {
    TBBUTTON tb{};
    SendMessageW(bar->Handle(), TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&tb));
    return tb;
  }

  TImageList* images = nullptr;
  TToolBar* bar = nullptr;
};

}  // namespace

TEST_F(ToolBarTest, ButtonsBecomeSystemButtonsInOrder) {
  TToolButton* a = AddButton(tbsButton, 2);
  TToolButton* sep = AddButton(tbsSeparator, -1);
  TToolButton* drop = AddButton(tbsDropDown, 0);
  TToolButton* check = AddButton(tbsCheck, 1);
  form->Show();
  HWND h = bar->Handle();
  ASSERT_EQ(SendMessageW(h, TB_BUTTONCOUNT, 0, 0), 4);
  EXPECT_EQ(bar->ButtonCount(), 4);
  EXPECT_EQ(bar->Buttons(2), drop);
  EXPECT_EQ(drop->Index(), 2);
  EXPECT_EQ(drop->ToolBar(), bar);
  EXPECT_EQ(SystemButton(0).iBitmap, 2);
  EXPECT_EQ(SystemButton(0).fsStyle & BTNS_DROPDOWN, 0);
  EXPECT_NE(SystemButton(1).fsStyle & BTNS_SEP, 0);
  EXPECT_NE(SystemButton(2).fsStyle & BTNS_DROPDOWN, 0);
  EXPECT_NE(SystemButton(3).fsStyle & BTNS_CHECK, 0);
  // Bounds come from the system bar, left to right; the drop-down one is wider.
  for (Integer i = 0; i < 4; ++i) {
    RECT r{};
    SendMessageW(h, TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(bar->Buttons(i)->BoundsRect(), TRect(r.left, r.top, r.right, r.bottom)) << i;
  }
  EXPECT_LT(a->Left(), sep->Left());
  EXPECT_GT(drop->Width(), a->Width());
  // Bounds set from outside do not stick.
  a->SetBounds(100, 10, 5, 5);
  EXPECT_NE(a->Width(), 5);
  // State: down, checked, disabled.
  a->SetDown(true);
  check->SetDown(true);
  drop->SetEnabled(false);
  EXPECT_NE(SendMessageW(h, TB_GETSTATE, 0, 0) & TBSTATE_PRESSED, 0);
  EXPECT_NE(SendMessageW(h, TB_GETSTATE, 3, 0) & TBSTATE_CHECKED, 0);
  EXPECT_EQ(SendMessageW(h, TB_GETSTATE, 2, 0) & TBSTATE_ENABLED, 0);
  a->SetImageIndex(1);
  EXPECT_EQ(SystemButton(0).iBitmap, 1);
  // A button that goes leaves the system bar too.
  delete sep;
  EXPECT_EQ(SendMessageW(h, TB_BUTTONCOUNT, 0, 0), 3);
  EXPECT_EQ(bar->Buttons(1), drop);
}

TEST_F(ToolBarTest, ImageListsReachTheSystemBarAndFollowTheirRemoval) {
  auto* hot = new TImageList(form);
  auto* disabled = new TImageList(form);
  bar->SetHotImages(hot);
  bar->SetDisabledImages(disabled);
  AddButton(tbsButton, 0);
  HWND h = bar->Handle();
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(h, TB_GETIMAGELIST, 0, 0)), images->Handle());
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(h, TB_GETHOTIMAGELIST, 0, 0)), hot->Handle());
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(h, TB_GETDISABLEDIMAGELIST, 0, 0)), disabled->Handle());
  delete hot;
  EXPECT_EQ(bar->HotImages(), nullptr);
  EXPECT_EQ(SendMessageW(h, TB_GETHOTIMAGELIST, 0, 0), 0);
}

TEST_F(ToolBarTest, StylesOfTheBar) {
  bar->SetFlat(true);
  bar->SetList(true);
  const LONG style = GetWindowLongW(bar->Handle(), GWL_STYLE);
  EXPECT_NE(style & TBSTYLE_FLAT, 0);
  EXPECT_NE(style & TBSTYLE_LIST, 0);
  EXPECT_NE(style & CCS_NORESIZE, 0);
  bar->SetList(false);
  EXPECT_EQ(GetWindowLongW(bar->Handle(), GWL_STYLE) & TBSTYLE_LIST, 0);
  // Captions show when asked.
  TToolButton* b = AddButton(tbsButton, 0);
  b->SetCaption(u"Open");
  const Integer narrow = b->Height();
  bar->SetShowCaptions(true);
  wchar_t text[16] = {};
  SendMessageW(bar->Handle(), TB_GETBUTTONTEXTW, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"Open");
  EXPECT_GT(b->Height(), narrow);  // the caption below the image
}

TEST_F(ToolBarTest, AClickRunsTheButtonsOnClick) {
  TToolButton* a = AddButton(tbsButton, 0);
  TToolButton* check = AddButton(tbsCheck, 1);
  Clicks clicks;
  a->SetOnClick(TNotifyEvent(&clicks, &Clicks::Click));
  form->Show();
  const TPoint at{a->Left() + a->Width() / 2, a->Top() + a->Height() / 2};
  SendMessageW(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.X, at.Y));
  SendMessageW(bar->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(at.X, at.Y));
  Application->ProcessMessages();
  EXPECT_EQ(clicks.count, 1);
  const TPoint c{check->Left() + check->Width() / 2, check->Top() + check->Height() / 2};
  SendMessageW(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.X, c.Y));
  SendMessageW(bar->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(c.X, c.Y));
  Application->ProcessMessages();
  EXPECT_TRUE(check->Down());  // a check button keeps the system's checked state
}

TEST(CustomDrawState, TheItemStateBitsReadAsASet) {
  const TCustomDrawState s = CustomDrawStateOf(CDIS_SELECTED | CDIS_HOT | CDIS_DISABLED);
  EXPECT_TRUE(s.Contains(cdsSelected));
  EXPECT_TRUE(s.Contains(cdsHot));
  EXPECT_TRUE(s.Contains(cdsDisabled));
  EXPECT_FALSE(s.Contains(cdsChecked));
  EXPECT_TRUE(CustomDrawStateOf(CDIS_CHECKED).Contains(cdsChecked));
  EXPECT_TRUE(CustomDrawStateOf(CDIS_DROPHILITED).Contains(cdsDropHilited));
}
