// The menu line where the picture and the window differ, and the bar's merged items. With an
// outer border window the picture holds the skin's frame and title and the shadow around the
// form: the bar's items are drawn into it at the place the system gives them on the window, and
// read back there on the window, in the picture and in the border window's picture, at rest and
// hot (repainted alone and in the system's menu loop); the same without a border window. A menu
// merged into the bar shows its items in the bar's order, each where the system takes its
// clicks. The window menu of an MDI main form keeps the library's own items when it drops.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "base/sMessages.h"
#include "controls/sSkinMenus.h"
#include "support/FormFixture.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"
#include "support/MenuLineSkin.h"
#include "support/MenuLoopShot.h"
#include "ui/Bitmap.h"
#include "ui/GdiScopes.h"
#include "ui/Menus.h"
#include "ui/ScopeGuard.h"

using namespace formskin;
using namespace menuline;

namespace {

// The outer border: shadow margins, the skin's title and side.
constexpr TRect kShadow(10, 8, 12, 14);
constexpr Integer kTitle = 30, kMaxTitle = 40, kSkinBorder = 4;

void Pump() {
  for (int i = 0; i < 5; ++i) Application->ProcessMessages();
}

// Pixels of a colour in a rectangle, read by their colour bytes alone: texts written to keep
// the picture's alpha leave their own alpha behind, and a text made opaque again afterwards
// comes out a few steps off.
Integer Count(const TBitmap* bmp, const TRect& r, TColor c) {
  const uint32_t want = RgbOfColor(c);
  auto within = [](uint32_t a, uint32_t b, int shift) {
    return std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) <= 3;
  };
  TPixelView v = const_cast<TBitmap*>(bmp)->View();
  Integer n = 0;
  for (Integer y = r.Top; y < r.Bottom; ++y)
    for (Integer x = r.Left; x < r.Right; ++x) {
      const uint32_t p = v.At(x, y);
      n += within(p, want, 0) && within(p, want, 8) && within(p, want, 16);
    }
  return n;
}

// The bar item at r, selected in the system's menu loop opened by Alt and the key, shows its
// selected look there on the window (the system has it drawn on the window's DC), and its look
// at rest once the loop ended.
void ExpectSelectedInMenuLoop(HWND form, const TRect& r, wchar_t key) {
  const MenuLoopShot seen = ShotInMenuLoop(form, key);
  ASSERT_NE(seen.shot, nullptr);
  EXPECT_EQ(seen.shot->PixelColor(r.Left + 1, r.Top + 1), kItemHot);
  EXPECT_GT(Count(seen.shot.get(), r, kLineHotText), 5);
  Pump();
  EXPECT_EQ(WindowShot(form)->PixelColor(r.Left + 1, r.Top + 1), kLine);
}

TMenuItem* AddItem(TComponent* owner, TMenuItem* parent, const String& caption, Byte group = 0) {
  auto* item = new TMenuItem(owner);
  item->SetCaption(caption);
  item->SetGroupIndex(group);
  parent->Add(item);
  return item;
}

// A skinned form with a three-item bar, with an outer border window (the parameter) or without.
class MenuLineAround : public SkinnedForm, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    menuline::AddSections(*skin);
    if (GetParam()) {
      recorder.emplace();
      layered::updates.clear();
      GiveShadow(*skin, kShadow);
      TkvSkinData& d = *skin->skin.Data;
      d.ExTitleHeight = kTitle;
      d.ExBorderWidth = kSkinBorder;
    }
    menu = new TMainMenu(form);
    file = AddItem(form, menu->Items(), u"&File");
    AddItem(form, file, u"&Open");
    edit = AddItem(form, menu->Items(), u"&Edit");
    AddItem(form, edit, u"&Copy");
    AddItem(form, menu->Items(), u"&View");
    form->SetMenu(menu);
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
    SetCursorPos(0, 0);
    Skin();
    ShowForm();
    SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
    Pump();
    ASSERT_EQ(sp->BorderForm != nullptr, GetParam());
  }
  void TearDown() override {
    SkinnedForm::TearDown();
    recorder.reset();
  }
  // An item of the bar on the window, as the system lays it out.
  TRect ItemRect(Integer position) { return menuline::ItemRect(form->Handle(), position); }
  // Where the picture holds that item: the same place without a border window; with one, the
  // bar starts inside the skin's side and below the skin's title, inside the shadow, where the
  // system starts it at the client's left and below its own caption.
  TRect PictureRect(Integer position) {
    const TRect r = ItemRect(position);
    if (!GetParam()) return r;
    POINT client{0, 0};
    ClientToScreen(form->Handle(), &client);
    RECT w{};
    GetWindowRect(form->Handle(), &w);
    const Integer dx = kShadow.Left + kSkinBorder - (client.x - w.left);
    const Integer dy = kShadow.Top + title - ItemRect(0).Top;
    return TRect(r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy);
  }
  // Every item at rest where the system lays it out: on the window, in the picture and in the
  // border window's picture; the mouse over it is over the menu.
  void ExpectItemsInPlace() {
    const std::unique_ptr<TBitmap> shot = WindowShot(form->Handle());
    TBitmap* picture = sp->FCommonData->FCacheBmp.get();
    ASSERT_NE(picture, nullptr);
    std::unique_ptr<TBitmap> shown = GetParam() ? BorderPicture() : nullptr;
    if (GetParam()) { ASSERT_NE(shown, nullptr); }
    for (Integer i = 0; i < 3; ++i) {
      const TRect r = ItemRect(i);
      EXPECT_EQ(shot->PixelColor(r.Left + 1, r.Top + 1), kLine) << i;
      EXPECT_GT(Count(shot.get(), r, kLineText), 5) << i;
      EXPECT_EQ(Count(shot.get(), r, kItemHot), 0) << i;
      const TRect p = PictureRect(i);
      EXPECT_EQ(picture->PixelColor(p.Left + 1, p.Top + 1), kLine) << i;
      EXPECT_GT(Count(picture, p, kLineText), 5) << i;
      if (shown) { EXPECT_GT(Count(shown.get(), p, kLineText), 5) << i; }
      EXPECT_EQ(HitTest((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2), HTMENU) << i;
    }
  }
  // The border window's last picture, as handed to the system, in a bitmap.
  std::unique_ptr<TBitmap> BorderPicture() {
    const HWND bw = sp->BorderForm->LayeredWindow();
    for (auto it = layered::updates.rbegin(); it != layered::updates.rend(); ++it)
      if (it->wnd == bw) {
        auto bmp = std::make_unique<TBitmap>(it->size.cx, it->size.cy, pf32bit);
        TPixelView v = bmp->View();
        for (int y = 0; y < it->size.cy; ++y)
          for (int x = 0; x < it->size.cx; ++x) v.At(x, y) = it->At(x, y);
        return bmp;
      }
    return nullptr;
  }

  std::optional<layered::LayeredCalls> recorder;
  Integer title = kTitle;  // the skin's title height of the form's state
  TMainMenu* menu = nullptr;
  TMenuItem* file = nullptr;
  TMenuItem* edit = nullptr;
};

}  // namespace

TEST_P(MenuLineAround, ItemsShowWhereTheSystemLaysThemOut) { ExpectItemsInPlace(); }

TEST_P(MenuLineAround, ItemsShowWhereTheSystemLaysThemOutOnAMaximizedForm) {
  // The skin's title of a maximized form is taller than the system's caption and 4 more.
  skin->skin.Data->ExMaxHeight = title = kMaxTitle;
  ASSERT_LT(GetSystemMetrics(SM_CYCAPTION) + 4, kMaxTitle);
  ShowWindow(form->Handle(), SW_MAXIMIZE);
  Pump();
  ASSERT_TRUE(IsZoomed(form->Handle()));
  ASSERT_EQ(sp->BorderForm != nullptr, GetParam());
  EXPECT_EQ(sp->FSysExHeight, GetParam());
  sp->RepaintMenu();
  Pump();
  ExpectItemsInPlace();
}

TEST_P(MenuLineAround, AHotItemRepaintsAloneAtItsPlaceOnTheWindow) {
  const TRect r = ItemRect(1);
  sp->RepaintMenuItem(edit, r, TOwnerDrawState{odSelected});
  std::unique_ptr<TBitmap> shot = WindowShot(form->Handle());
  EXPECT_EQ(shot->PixelColor(r.Left + 1, r.Top + 1), kItemHot);
  EXPECT_GT(Count(shot.get(), r, kLineHotText), 5);
  // The picture holds the hot look at the item's place there.
  const TRect p = PictureRect(1);
  EXPECT_EQ(sp->FCommonData->FCacheBmp->PixelColor(p.Left + 1, p.Top + 1), kItemHot);
  // The neighbours stay at rest.
  const TRect before = ItemRect(0), after = ItemRect(2);
  EXPECT_EQ(shot->PixelColor(before.Left + 1, before.Top + 1), kLine);
  EXPECT_EQ(shot->PixelColor(after.Left + 1, after.Top + 1), kLine);
  EXPECT_EQ(Count(shot.get(), after, kLineHotText), 0);
  // Back at rest.
  sp->RepaintMenuItem(edit, r, TOwnerDrawState{});
  shot = WindowShot(form->Handle());
  EXPECT_EQ(shot->PixelColor(r.Left + 1, r.Top + 1), kLine);
  EXPECT_GT(Count(shot.get(), r, kLineText), 5);
}

TEST_P(MenuLineAround, TheSystemsMenuLoopDrawsTheSelectedItemAtItsPlace) {
  // Alt+F: the bar's first item.
  ExpectSelectedInMenuLoop(form->Handle(), ItemRect(0), 'f');
}

INSTANTIATE_TEST_SUITE_P(OuterBorder, MenuLineAround, ::testing::Bool(), [](const ::testing::TestParamInfo<bool>& i) {
  return i.param ? "WithBorderWindow" : "Plain";
});

namespace {

// A skinned form whose bar takes in a second menu by the library's merge. Every bar item marks
// its drawing with a colour of its own at a corner, so that a test sees which item stands where.
class MergedMenuLine : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    menuline::AddSections(*skin);
    menu = new TMainMenu(form);
    file = AddItem(form, menu->Items(), u"&File", 0);
    edit = AddItem(form, menu->Items(), u"&Edit", 1);
    help = AddItem(form, menu->Items(), u"&Help", 9);
    for (TMenuItem* top : {file, edit, help}) AddItem(form, top, u"&Item");
    // The merged menu belongs elsewhere (as an MDI child's does), not to the form.
    donor = new TComponent(app.get());
    joined = new TMainMenu(donor);
    tools = AddItem(donor, joined->Items(), u"&Tools", 1);
    extra = AddItem(donor, joined->Items(), u"E&xtra", 3);
    for (TMenuItem* top : {tools, extra}) AddItem(donor, top, u"&Sub");
    form->SetMenu(menu);
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 360, 200);
    Skin();
    ShowForm();
    SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
    Pump();
    painter = SkinableMenus();
    ASSERT_NE(painter, nullptr);
    painter->OnDrawItem = TsMenuDrawItemEvent(this, &MergedMenuLine::Marked);
  }
  void TearDown() override {
    if (painter) painter->OnDrawItem = {};
    SkinnedForm::TearDown();
  }
  void Marked(TMenuItem* item, TCanvas* canvas, TsMenuItemType, TOwnerDrawState, TRect) {
    drawn.push_back(item);
    const TColor mark = MarkOf(item);
    for (Integer y = 2; y < 5; ++y)
      for (Integer x = 2; x < 5; ++x) SetPixel(canvas->Handle(), x, y, ColorToRGB(mark));
  }
  TColor MarkOf(TMenuItem* item) {
    const TMenuItem* all[] = {file, edit, help, tools, extra};
    for (Integer i = 0; i < 5; ++i)
      if (all[i] == item) return TColor(0x00101000 + 0x30 * (i + 1));
    return clNone;
  }
  // The picture made anew: the order in which the bar's items were drawn.
  std::vector<TMenuItem*> Repaint() {
    drawn.clear();
    sp->RepaintMenu();
    Pump();
    return drawn;
  }
  TRect ItemRect(Integer position) { return menuline::ItemRect(form->Handle(), position); }
  // Each position of the bar shows the expected item's mark, and the system's hit test at that
  // mark finds the same item.
  void ExpectBar(const std::vector<TMenuItem*>& expected) {
    const HWND h = form->Handle();
    HMENU bar = GetMenu(h);
    ASSERT_EQ(GetMenuItemCount(bar), int(expected.size()));
    const std::unique_ptr<TBitmap> shot = WindowShot(h);
    RECT w{};
    GetWindowRect(h, &w);
    for (size_t i = 0; i < expected.size(); ++i) {
      const TRect r = ItemRect(Integer(i));
      EXPECT_EQ(shot->PixelColor(r.Left + 3, r.Top + 3), MarkOf(expected[i])) << i;
      EXPECT_GT(Count(shot.get(), r, kLineText), 5) << i;
      const POINT at{w.left + r.Left + 3, w.top + r.Top + 3};
      EXPECT_EQ(MenuItemFromPoint(h, bar, at), int(i)) << i;
      MENUITEMINFOW mii{};
      mii.cbSize = sizeof mii;
      mii.fMask = MIIM_DATA;
      ASSERT_TRUE(GetMenuItemInfoW(bar, UINT(i), TRUE, &mii)) << i;
      EXPECT_EQ(reinterpret_cast<TMenuItem*>(mii.dwItemData), expected[i]) << i;
      EXPECT_EQ(HitTest(r.Left + 3, r.Top + 3), HTMENU) << i;
    }
  }

  TsSkinableMenus* painter = nullptr;
  std::vector<TMenuItem*> drawn;
  TMainMenu* menu = nullptr;
  TComponent* donor = nullptr;
  TMainMenu* joined = nullptr;
  TMenuItem *file = nullptr, *edit = nullptr, *help = nullptr, *tools = nullptr, *extra = nullptr;
};

}  // namespace

TEST_F(MergedMenuLine, MergedItemsAreDrawnInTheBarsOrderAtTheirPlaces) {
  ASSERT_EQ(Repaint(), (std::vector<TMenuItem*>{file, edit, help}));
  ExpectBar({file, edit, help});
  // Tools takes the place of the group it shares with Edit; Extra follows the lower groups.
  menu->Merge(joined);
  Pump();
  EXPECT_EQ(Repaint(), (std::vector<TMenuItem*>{file, tools, extra, help}));
  ExpectBar({file, tools, extra, help});
}

TEST_F(MergedMenuLine, AHiddenMergedItemStillTakesItsGroupFromTheBar) {
  tools->SetVisible(false);
  menu->Merge(joined);
  Pump();
  // The bar has no Edit and no Tools: the items after them keep their places.
  EXPECT_EQ(Repaint(), (std::vector<TMenuItem*>{file, extra, help}));
  ExpectBar({file, extra, help});
}

TEST_F(MergedMenuLine, UnmergedTheBarShowsItsOwnItemsAgain) {
  menu->Merge(joined);
  Pump();
  menu->Unmerge(joined);
  Pump();
  EXPECT_EQ(Repaint(), (std::vector<TMenuItem*>{file, edit, help}));
  ExpectBar({file, edit, help});
}

namespace {

// A skinned MDI main form whose "Window" menu ends in a separator of its own.
class MdiWindowMenu : public SkinnedMdiFrame {
 protected:
  void SetUp() override {
    SkinnedMdiFrame::SetUp();
    auto* menu = new TMainMenu(frame);
    window = AddItem(frame, menu->Items(), u"&Window");
    cascade = AddItem(frame, window, u"&Cascade");
    AddItem(frame, window, u"-");
    frame->SetMenu(menu);
    frame->SetWindowMenu(window);
    PumpMessages();
  }
  LRESULT Drop() { return SendMessageW(frame->Handle(), WM_INITMENUPOPUP, WPARAM(window->Handle()), MAKELPARAM(0, 0)); }
  static std::u16string TextAt(HMENU m, int pos) {
    wchar_t text[64]{};
    GetMenuStringW(m, UINT(pos), text, 64, MF_BYPOSITION);
    return std::u16string(reinterpret_cast<const char16_t*>(text));
  }

  TMenuItem* window = nullptr;
  TMenuItem* cascade = nullptr;
};

}  // namespace

TEST_F(MdiWindowMenu, TheLibrarysOwnItemsStayWhenNoChildIsListed) {
  TForm* child = MakeChild(u"Alpha");
  child->Hide();
  PumpMessages();
  ASSERT_GT(frame->MDIChildCount(), 0);
  HMENU popup = window->Handle();
  // An entry that no library item made (as the MDI client adds its children's).
  ASSERT_TRUE(AppendMenuW(popup, MF_STRING, 0x7F00, L"Foreign"));
  EXPECT_EQ(Drop(), 0);
  // No child is visible and the menu already ends in a separator: nothing is added, and the
  // library's items are still in the popup; the foreign entry is gone.
  EXPECT_EQ(GetMenuState(popup, 0x7F00, MF_BYCOMMAND), UINT(-1));
  ASSERT_EQ(GetMenuItemCount(popup), 2);
  EXPECT_EQ(TextAt(popup, 0), u"&Cascade");
  EXPECT_EQ(GetMenuItemID(popup, 0), UINT(cascade->Command()));
  for (Integer i = 0; i < window->Count(); ++i) EXPECT_FALSE(window->Items(i)->Tag() & 0x200);
  // A visible child is listed after the separator, the library's items before it.
  child->Show();
  PumpMessages();
  Drop();
  ASSERT_EQ(GetMenuItemCount(popup), 3);
  EXPECT_EQ(TextAt(popup, 0), u"&Cascade");
  EXPECT_EQ(TextAt(popup, 2), u"Alpha");
}

TEST_F(MergedMenuLine, AMergedItemIsSelectedInTheMenuLoopAtItsPlace) {
  menu->Merge(joined);
  Pump();
  Repaint();
  // Alt+T: the merged Tools item, second in the bar.
  ExpectSelectedInMenuLoop(form->Handle(), ItemRect(1), 't');
}

TEST_F(MergedMenuLine, WithTheSkinGoneTheMergedItemsAreTheSystemsAgain) {
  menu->Merge(joined);
  Pump();
  ASSERT_TRUE(joined->OwnerDraw());
  SendMessageW(form->Handle(), SM_ALPHACMD, KV_REMOVESKIN_HI, reinterpret_cast<LPARAM>(&skin->skin.Manager));
  Pump();
  EXPECT_FALSE(joined->OwnerDraw());
  EXPECT_FALSE(tools->OnAdvancedDrawItem());
  EXPECT_FALSE(tools->OnMeasureItem());
  // The bar's entry of the merged item is a plain one the system draws.
  HMENU bar = GetMenu(form->Handle());
  MENUITEMINFOW mii{};
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_FTYPE | MIIM_DATA;
  ASSERT_TRUE(GetMenuItemInfoW(bar, 1, TRUE, &mii));
  EXPECT_EQ(reinterpret_cast<TMenuItem*>(mii.dwItemData), tools);
  EXPECT_FALSE(mii.fType & MFT_OWNERDRAW);
}
