// A title bar on a form with an outer border window (the skin's extended borders on): tabs, a
// menu item with a drop-down menu, an info item and fading buttons, at 96 and 144 PPI. Every
// item's place against the skin's metrics, the fade window over its item on the screen and
// staying while the cursor is on it, the drop-down menu at its item, item clicks handed on by
// the border window, and the title bar stored in a form description and read back.
#include "forms/kvTitleBar.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "base/kvntUtils.h"
#include "skin/sVclUtils.h"
#include "support/FormSkin.h"
#include "support/PpiSkin.h"
#include "ui/FormReader.h"
#include "ui/FormWriter.h"
#include "ui/ImgList.h"
#include "ui/Menus.h"
#include "ui/ScopeGuard.h"

using namespace formskin;

namespace {

constexpr TColor kItemNormal = 0x002060A0;
constexpr TColor kItemHot = 0x0030C030;
constexpr TColor kTabColor = 0x00A0A000;
constexpr TColor kMenuColor = 0x00606000;

// The skin's extended-border metrics at 96 PPI (an odd title height: the centre line rounds).
constexpr TRect kShadow(10, 8, 12, 14);
constexpr Integer kTitle = 31, kSkinBorder = 4, kLeftMargin = 5, kRightMargin = 7, kTopMargin = 2, kCenterOffs = 1;

struct Counter {
  Integer n = 0;
  void Hit(TObject*) { ++n; }
};

bool Near(TColor a, TColor b, Integer tolerance = 2) {
  for (Integer shift : {0, 8, 16})
    if (std::abs(Integer(a >> shift & 0xFF) - Integer(b >> shift & 0xFF)) > tolerance) return false;
  return true;
}

// A drop-down menu that records where it was asked to drop, and how its item looked then,
// instead of running a menu loop.
class TRecordingPopup : public TPopupMenu {
 public:
  using TPopupMenu::TPopupMenu;
  void Popup(Integer x, Integer y) override {
    drops.push_back(TPoint(x, y));
    if (item) {
      droppedDown.push_back(item->FDroppedDown);
      states.push_back(item->GetState());
    }
  }
  TkvTitleBarItem* item = nullptr;
  std::vector<TPoint> drops;
  std::vector<bool> droppedDown;
  std::vector<Integer> states;
};

// The skin data of another PPI, with the extended-border metrics scaled as the manager scales
// them.
std::unique_ptr<TkvSkinData> ScaledBorderSkin(const TkvSkinData& base, DuRiruZireziv* manager, Integer ppi) {
  auto d = ppiskin::ScaledCopy(base, manager, ppi);
  auto s = [&](Integer v) { return kvMulDiv(v, ppi, 96); };
  d->FormShadowSize = TRect(s(base.FormShadowSize.Left), s(base.FormShadowSize.Top), s(base.FormShadowSize.Right),
                            s(base.FormShadowSize.Bottom));
  d->ExTitleHeight = s(base.ExTitleHeight);
  d->ExMaxHeight = s(base.ExMaxHeight);
  d->ExBorderWidth = s(base.ExBorderWidth);
  d->ExCenterOffs = s(base.ExCenterOffs);
  d->BILeftMargin = s(base.BILeftMargin);
  d->BITopMargin = s(base.BITopMargin);
  d->ArrowSize = s(base.ArrowSize);
  for (auto [from, to] : {std::pair{&base.ShdaTemplate, &d->ShdaTemplate}, {&base.ShdiTemplate, &d->ShdiTemplate}}) {
    *to = std::make_unique<TBitmap>(0, 0, pf32bit);
    (*to)->Assign(from->get());
  }
  d->Reindex();
  return d;
}

class BorderedTitleBar : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    TsGeneralData btn = PlainSection(u"TB_BTN", 0, kItemNormal, 3);
    btn.Props[1].Color = Integer(kItemHot);
    btn.Props[2].Color = Integer(kItemHot);
    skin->skin.Manager.SkinCommonInfo.Sections[ssTBBtn] = skin->skin.AddSection(btn);
    skin->skin.Manager.SkinCommonInfo.Sections[ssTBTab] =
        skin->skin.AddSection(PlainSection(u"TB_TAB", 0, kTabColor, 3));
    skin->skin.Manager.SkinCommonInfo.Sections[ssTBMenuBtn] =
        skin->skin.AddSection(PlainSection(u"TB_MENUBTN", 0, kMenuColor, 3));
    GiveShadow(*skin, kShadow);
    TkvSkinData& d = *skin->skin.Data;
    d.ExTitleHeight = d.ExMaxHeight = kTitle;
    d.ExBorderWidth = kSkinBorder;
    d.BILeftMargin = kLeftMargin;
    d.BIRightMargin = kRightMargin;
    d.BITopMargin = kTopMargin;
    d.ExCenterOffs = kCenterOffs;
    d.Reindex();
    savedMetrics = kvSysMetricsForDpi;
    kvSysMetricsForDpi = &ppiskin::FixedMetrics;
    TkvItemAnimation::ManualTicks = true;
    SetCursorPos(0, 0);
    MakeBar();
  }
  // The form's place and its title bar: two tabs (the first down), a menu item with its
  // drop-down menu, and on the right an info item and two buttons.
  void MakeBar() {
    // Away from the screen's edges, so that the border window lies wholly on the screen.
    form->SetPosition(poDesigned);
    form->SetBounds(150, 140, 460, 240);
    bar = new TsTitleBar(form);
    tabA = Add(tbaLeft, 40, 20, bsTab);
    tabA->FDown = true;
    tabB = Add(tbaLeft, 44, 20, bsTab);
    menu = Add(tbaLeft, 50, 24, bsMenu);
    popup = new TRecordingPopup(form);
    popup->AfterConstruction();
    popup->SetName(u"Recording1");
    popup->item = menu;
    for (const char16_t* name : {u"First1", u"Second1"}) {
      auto* mi = new TMenuItem(form);
      mi->SetName(name);
      mi->SetCaption(name);
      popup->Items()->Add(mi);
    }
    menu->SetDropdownMenu(popup);
    info = Add(tbaRight, 36, 16, bsInfo);
    fadeA = Add(tbaRight, 22, 16, bsButton);
    fadeB = Add(tbaRight, 26, 16, bsButton);
  }
  // A new form with the same title bar, for the next round of a test.
  void Renew() {
    RenewForm();
    MakeBar();
  }
  void TearDown() override {
    SetCursorPos(0, 0);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    SkipMenuShowing = false;
    TkvItemAnimation::ManualTicks = false;
    kvSysMetricsForDpi = savedMetrics;
    SkinnedForm::TearDown();
    slots.clear();
  }
  TkvTitleBarItem* Add(TkvItemAlign align, Integer width, Integer height, TkvBtnStyle style) {
    TkvTitleBarItem* it = bar->Items()->Add();
    it->FAutoSize = false;
    it->FWidth = width;
    it->FHeight = height;
    it->FAlign = align;
    it->FStyle = style;
    return it;
  }
  // Skinned with the skin data of that PPI, shown, its picture and caption laid out.
  void Start(Integer ppi) {
    Skin();
    if (ppi != 96) {
      slots.push_back(ScaledBorderSkin(*skin->skin.Data, &skin->skin.Manager, ppi));
      sp->FCommonData->SetCommonSkinData(slots.back().get());
      sp->InitSysParams(ppi);
    }
    ShowForm();
    ASSERT_TRUE(sp->BorderForm);
    sp->FCommonData->BGChanged = true;
    sp->BorderForm->UpdateExBordersPos(true, 255);
    bw = sp->BorderForm->LayeredWindow();
    ASSERT_TRUE(bw);
    sp->CalcItems();
  }
  // A point of the border window's picture on the screen.
  TPoint OnScreen(Integer x, Integer y) {
    RECT r{};
    GetWindowRect(bw, &r);
    return TPoint(r.left + x, r.top + y);
  }
  TPoint Centre(const TkvTitleBarItem* it) {
    return OnScreen((it->Rect.Left + it->Rect.Right) / 2, (it->Rect.Top + it->Rect.Bottom) / 2);
  }
  void ToBorder(UINT msg, const TPoint& p) { SendMessageW(bw, msg, HTOBJECT, MAKELPARAM(p.X, p.Y)); }

  TsTitleBar* bar = nullptr;
  TkvTitleBarItem *tabA = nullptr, *tabB = nullptr, *menu = nullptr, *info = nullptr, *fadeA = nullptr,
                  *fadeB = nullptr;
  TRecordingPopup* popup = nullptr;
  HWND bw = nullptr;
  TkvSysMetricsFn savedMetrics = nullptr;
  std::vector<std::unique_ptr<TkvSkinData>> slots;
};

}  // namespace

TEST_F(BorderedTitleBar, EveryItemStandsWhereTheSkinsMetricsPutItAt96And144PPI) {
  for (const Integer ppi : {96, 144}) {
    SCOPED_TRACE(ppi);
    if (ppi != 96) Renew();
    Start(ppi);
    TkvSkinData* data = sp->SkinDataFor();
    ASSERT_EQ(data->PPI, ppi);
    ASSERT_EQ(GetPPI(sp->FCommonData.get()), ppi);
    auto s = [&](Integer v) { return kvMulDiv(v, ppi, 96); };
    const TRect shadow(s(kShadow.Left), s(kShadow.Top), s(kShadow.Right), s(kShadow.Bottom));
    EXPECT_EQ(sp->ShadowSize(), shadow);
    const Integer title = s(kTitle), border = s(kSkinBorder);
    const Integer pictureW = sp->FCommonData->FCacheBmp->Width();
    RECT wr{};
    GetWindowRect(bw, &wr);
    EXPECT_EQ(wr.right - wr.left, pictureW);

    // The header row runs from the picture's top through the shadow and the skin's title; the
    // centre line is the title's, moved by the skin's offset.
    EXPECT_EQ(sp->FHeaderHeight, shadow.Top + title);
    const Integer vCenter = shadow.Top + title - title / 2 + s(kCenterOffs);
    EXPECT_EQ(sp->VCenter, vCenter);

    // Caption buttons: from the right end less the frame, the shadow and the skin's margin.
    const Integer bh = sp->ButtonHeight();
    EXPECT_EQ(sp->ButtonClose.cpRect.Right, pictureW - std::max(border, 4) - shadow.Right - s(kRightMargin));
    EXPECT_EQ(sp->ButtonClose.cpRect.Top, vCenter - bh / 2);
    EXPECT_EQ(sp->ButtonMin.cpRect.Top, vCenter - bh / 2);
    // The icon (when shown) and then the bar start after the shadow, the skin's left margin and
    // the frame.
    const Integer fullLeft = shadow.Left + s(kLeftMargin) + border;
    const Integer barLeft = sp->FIconRect.Width() > 0 ? sp->FIconRect.Right + data->Spacing : sp->FIconRect.Left;
    if (sp->FIconRect.Width() > 0)
      EXPECT_EQ(sp->FIconRect.Left, fullLeft + data->Spacing);
    else
      EXPECT_EQ(sp->FIconRect.Left, fullLeft);
    EXPECT_EQ(bar->FBarRect.Left, barLeft);
    const Integer gap = sp->BigButtons ? data->BISpacing : 0;
    const Integer leftmostButton =
        std::min({sp->ButtonClose.cpRect.Left, sp->ButtonMax.cpRect.Left, sp->ButtonMin.cpRect.Left});
    EXPECT_EQ(bar->FBarRect.Right, leftmostButton - gap - data->Spacing);
    EXPECT_EQ(bar->FBarRect.Top, shadow.Top + s(kTopMargin));
    EXPECT_EQ(bar->FBarRect.Bottom, shadow.Top + title);

    // The left group: tabs stand on the bar's bottom, the menu item hangs from its top.
    EXPECT_EQ(tabA->Rect, TRect(barLeft, shadow.Top + title - s(20), barLeft + s(40), shadow.Top + title));
    EXPECT_EQ(tabB->Rect,
              TRect(tabA->Rect.Right, shadow.Top + title - s(20), tabA->Rect.Right + s(44), shadow.Top + title));
    EXPECT_EQ(menu->Rect,
              TRect(tabB->Rect.Right, bar->FBarRect.Top, tabB->Rect.Right + s(50), bar->FBarRect.Top + s(24)));
    // The right group ends at the bar's right edge; its items stand on the centre line.
    const Integer rightStart = bar->FBarRect.Right - (s(36) + s(22) + s(26));
    EXPECT_EQ(info->Rect, TRect(rightStart, vCenter - s(16) / 2, rightStart + s(36), vCenter - s(16) / 2 + s(16)));
    EXPECT_EQ(fadeA->Rect.Left, info->Rect.Right);
    EXPECT_EQ(fadeB->Rect.Left, fadeA->Rect.Right);
    EXPECT_EQ(fadeB->Rect.Right, bar->FBarRect.Right);
    // Nothing is cut by the header row: every item lies inside it.
    for (const TkvTitleBarItem* it : {tabA, tabB, menu, info, fadeA, fadeB}) {
      EXPECT_GE(it->Rect.Top, 0);
      EXPECT_LE(it->Rect.Bottom, sp->FHeaderHeight);
    }

    // The border window's hit test names the items where they are.
    auto test = [&](const TkvTitleBarItem* it) {
      const TPoint p = Centre(it);
      TMessage m = MakeMessage(WM_NCHITTEST, 0, PointToLParam(p.X, p.Y));
      return sp->BorderForm->Ex_WMNCHitTest(m);
    };
    EXPECT_EQ(test(tabB), HTITEM + 1);
    EXPECT_EQ(test(menu), HTITEM + 2);
    EXPECT_EQ(test(fadeA), HTITEM + 4);
    EXPECT_EQ(test(info), HTCAPTION);  // an info item only shows
    EXPECT_EQ(test(tabA), HTCAPTION);  // the tab already down takes no press

    // The picture the border window shows has the tab's look where the tab is.
    const TColor tabPixel = sp->FCommonData->FCacheBmp->PixelColor(tabB->Rect.Left + 3, tabB->Rect.Bottom - 3);
    EXPECT_TRUE(Near(tabPixel, kTabColor)) << std::hex << tabPixel;
  }
}

TEST_F(BorderedTitleBar, TheFadeWindowLiesOverItsItemAndStaysWhileTheCursorIsOnIt) {
  for (const Integer ppi : {96, 144}) {
    SCOPED_TRACE(ppi);
    if (ppi != 96) Renew();
    Start(ppi);
    const TPoint c = Centre(fadeA);
    SetCursorPos(c.X, c.Y);
    ToBorder(WM_NCMOUSEMOVE, c);
    EXPECT_EQ(fadeA->GetState(), 1);
    ASSERT_TRUE(fadeA->Timer);
    TkvItemAnimation& anim = *fadeA->Timer;
    ASSERT_TRUE(anim.AForm);
    RECT fw{};
    GetWindowRect(anim.AForm->WindowHandle(), &fw);
    const TPoint itemTopLeft = OnScreen(fadeA->Rect.Left, fadeA->Rect.Top);
    EXPECT_EQ(fw.left, itemTopLeft.X);
    EXPECT_EQ(fw.top, itemTopLeft.Y);
    EXPECT_EQ(fw.right - fw.left, fadeA->Rect.Width());
    EXPECT_EQ(fw.bottom - fw.top, fadeA->Rect.Height());
    ASSERT_TRUE(anim.NewBmp);
    EXPECT_TRUE(Near(anim.NewBmp->PixelColor(2, 2), kItemHot)) << std::hex << anim.NewBmp->PixelColor(2, 2);

    // The fade runs to its end and the window stays, watching the cursor, while it is on the item.
    for (Integer i = 0; i < 12; ++i) anim.OnAnimTimer(nullptr);
    EXPECT_EQ(anim.LastBlend, 255);
    EXPECT_TRUE(anim.Fade.Running);
    EXPECT_EQ(fadeA->GetState(), 1);
    EXPECT_EQ(sp->CurrentHT, HTITEM + 4);

    // The cursor leaves: the next tick stops the watch.
    SetCursorPos(0, 0);
    anim.OnAnimTimer(nullptr);
    EXPECT_FALSE(anim.Fade.Running);
  }
}

TEST_F(BorderedTitleBar, TheDropDownMenuDropsAtItsItemUnderTheBorderWindow) {
  for (const Integer ppi : {96, 144}) {
    SCOPED_TRACE(ppi);
    if (ppi != 96) Renew();
    Start(ppi);
    const TPoint c = Centre(menu);
    SetCursorPos(c.X, c.Y);
    ToBorder(WM_NCMOUSEMOVE, c);
    ToBorder(WM_NCLBUTTONDOWN, c);
    ASSERT_EQ(popup->drops.size(), 1u);
    EXPECT_EQ(popup->drops[0], OnScreen(menu->Rect.Left, menu->Rect.Bottom));
    EXPECT_TRUE(popup->droppedDown[0]);
    EXPECT_EQ(popup->states[0], 2);
    // The menu's commands go to the form.
    EXPECT_EQ(popup->WindowHandle(), form->Handle());
    // Closed with the cursor still over the item: it is hot, and the next press only closes.
    EXPECT_EQ(menu->GetState(), 1);
    EXPECT_TRUE(SkipMenuShowing);
    ToBorder(WM_NCLBUTTONUP, c);
    ToBorder(WM_NCLBUTTONDOWN, c);
    EXPECT_EQ(popup->drops.size(), 1u);
    EXPECT_FALSE(SkipMenuShowing);
    ToBorder(WM_NCLBUTTONUP, c);
  }
}

TEST_F(BorderedTitleBar, ItemClicksReachTheItemsThroughTheBorderWindow) {
  Counter clicks, tabClicks;
  fadeB->FOnClick = TNotifyEvent(&clicks, &Counter::Hit);
  tabB->FOnClick = TNotifyEvent(&tabClicks, &Counter::Hit);
  Start(96);
  const TPoint b = Centre(fadeB);
  SetCursorPos(b.X, b.Y);
  ToBorder(WM_NCMOUSEMOVE, b);
  ToBorder(WM_NCLBUTTONDOWN, b);
  EXPECT_EQ(fadeB->GetState(), 2);
  EXPECT_EQ(clicks.n, 0);
  ToBorder(WM_NCLBUTTONUP, b);
  EXPECT_EQ(clicks.n, 1);
  EXPECT_EQ(fadeB->GetState(), 1);

  // A tab pressed through the border window goes down and releases the other one.
  const TPoint t = Centre(tabB);
  SetCursorPos(t.X, t.Y);
  ToBorder(WM_NCMOUSEMOVE, t);
  ToBorder(WM_NCLBUTTONDOWN, t);
  ToBorder(WM_NCLBUTTONUP, t);
  EXPECT_EQ(tabClicks.n, 1);
  EXPECT_TRUE(tabB->FDown);
  EXPECT_FALSE(tabA->FDown);

  // A double click on a button item clicks it once more; on a tab it is the tab's press.
  SetCursorPos(b.X, b.Y);
  ToBorder(WM_NCMOUSEMOVE, b);
  ToBorder(WM_NCLBUTTONDOWN, b);
  ToBorder(WM_NCLBUTTONUP, b);
  ToBorder(WM_NCLBUTTONDBLCLK, b);
  ToBorder(WM_NCLBUTTONUP, b);
  EXPECT_EQ(clicks.n, 3);
  const TPoint a = Centre(tabA);
  SetCursorPos(a.X, a.Y);
  ToBorder(WM_NCLBUTTONDBLCLK, a);
  EXPECT_EQ(tabClicks.n, 1);
  EXPECT_TRUE(tabA->FDown);
  EXPECT_FALSE(tabB->FDown);
}

TEST_F(BorderedTitleBar, TheTitleBarIsStoredInAFormDescriptionAndReadBack) {
  RegisterClass<TsTitleBar>();
  RegisterClass<TPopupMenu>();
  RegisterClass<TMenuItem>();
  RegisterClass<TImageList>();
  // The recording menu is the tests' own class: it is not stored.
  delete form->FindComponent(u"First1");
  delete form->FindComponent(u"Second1");
  delete popup;
  popup = nullptr;
  form->SetName(u"Described");
  bar->SetName(u"TitleBar1");
  auto* images = new TImageList(form);
  images->AfterConstruction();
  images->SetName(u"Images1");
  auto* drop = new TPopupMenu(form);
  drop->AfterConstruction();
  drop->SetName(u"Drop1");
  auto* entry = new TMenuItem(form);
  entry->SetName(u"Entry1");
  entry->SetCaption(u"Entry");
  drop->Items()->Add(entry);
  bar->SetImages(images);
  bar->SetShowCaption(true);
  bar->FRightSpacing = 6;
  tabA->SetCaption(u"Overview");
  menu->SetCaption(u"Menu");
  menu->SetDropdownMenu(drop);
  info->SetCaption(u"Info");
  info->SetImageIndex(0);
  fadeA->FHint = u"Fades";
  TBitmap glyph(5, 4, pf32bit);
  FillRect32(&glyph, TRect(0, 0, 5, 4), TColor(0x0010E020), 255);
  fadeA->SetGlyph(&glyph);
  fadeB->FFontData->SetUseSys(1, false);
  fadeB->FFontData->SetGlowSize(3);
  fadeB->FFontData->Font()->SetName(u"Tahoma");
  fadeB->FFontData->Font()->SetHeight(-15);

  const String text = WriteComponentText(form);
  auto* other = new TForm(app.get());
  other->AfterConstruction();
  const TScopeExit freeOther([&] { delete other; });
  ReadComponentText(other, text);
  auto* back = dynamic_cast<TsTitleBar*>(other->FindComponent(u"TitleBar1"));
  ASSERT_NE(back, nullptr) << StringToUtf8(text);
  EXPECT_EQ(back->FImages, other->FindComponent(u"Images1"));
  EXPECT_TRUE(back->FShowCaption);
  EXPECT_EQ(back->FRightSpacing, 6);
  ASSERT_EQ(back->Items()->Count(), 6) << StringToUtf8(text);
  const TkvTitleBarItem* bTabA = back->Items()->Items(0);
  const TkvTitleBarItem* bMenu = back->Items()->Items(2);
  const TkvTitleBarItem* bInfo = back->Items()->Items(3);
  const TkvTitleBarItem* bFadeA = back->Items()->Items(4);
  const TkvTitleBarItem* bFadeB = back->Items()->Items(5);
  EXPECT_EQ(bTabA->FCaption, u"Overview");
  EXPECT_EQ(bTabA->FStyle, bsTab);
  EXPECT_TRUE(bTabA->FDown);  // a tab keeps its stored Down
  EXPECT_FALSE(bTabA->FAutoSize);
  EXPECT_EQ(bTabA->FWidth, 40);
  EXPECT_EQ(bTabA->FHeight, 20);
  EXPECT_EQ(bMenu->FStyle, bsMenu);
  EXPECT_EQ(bMenu->FDropdownMenu, other->FindComponent(u"Drop1"));
  EXPECT_EQ(bInfo->FStyle, bsInfo);
  EXPECT_EQ(bInfo->FAlign, tbaRight);
  EXPECT_EQ(bInfo->FImageIndex, 0);
  EXPECT_EQ(bFadeA->FHint, u"Fades");
  ASSERT_EQ(bFadeA->FGlyph->Width(), 5);
  ASSERT_EQ(bFadeA->FGlyph->Height(), 4);
  EXPECT_EQ(bFadeA->FGlyph->View().At(2, 1) & 0xFFFFFF, 0x20E010u);
  EXPECT_FALSE(bFadeB->FFontData->FUseSysFontName);
  EXPECT_TRUE(bFadeB->FFontData->FUseSysColor);
  EXPECT_EQ(bFadeB->FFontData->FGlowSize, 3);
  EXPECT_EQ(bFadeB->FFontData->Font()->Name(), u"Tahoma");
  EXPECT_EQ(bFadeB->FFontData->Font()->Height(), -15);
  // A freed menu is forgotten by the item read back too.
  delete other->FindComponent(u"Drop1");
  EXPECT_EQ(bMenu->FDropdownMenu, nullptr);
}

TEST_F(BorderedTitleBar, AChangeOfTheImageListMeasuresTheItemsAnew) {
  auto* images = new TImageList(form);
  images->AfterConstruction();
  images->SetSize(24, 24);
  fadeA->FAutoSize = true;
  fadeA->FImageIndex = 0;
  bar->SetImages(images);
  Start(96);
  fadeA->UpdateSize(false);
  // No image yet: the item has its smallest size.
  EXPECT_EQ(fadeA->FWidth, 16);
  TBitmap picture(24, 24, pf32bit);
  FillRect32(&picture, TRect(0, 0, 24, 24), TColor(0x00203040), 255);
  ASSERT_EQ(images->Add(&picture, nullptr), 0);
  // The image with the bar's margin on both sides.
  EXPECT_EQ(fadeA->FWidth, 24 + 2 * 3);
  EXPECT_EQ(fadeA->FHeight, 24 + 2 * 3);
}

// The second press of a double click on a drop-down item, handed on by the border window, is the
// item's own press: after the first click dropped the menu it only closes it, without a click of
// the item and without a release of its own.
TEST_F(BorderedTitleBar, ADoubleClickOnADropDownItemIsTheItemsOwnPress) {
  struct Buttons {
    void Down(TObject*, TMouseButton, TShiftState, Integer, Integer) { ++downs; }
    void Up(TObject*, TMouseButton, TShiftState, Integer, Integer) { ++ups; }
    int downs = 0, ups = 0;
  } heard;
  Counter clicks;
  menu->FOnClick = TNotifyEvent(&clicks, &Counter::Hit);
  menu->FOnMouseDown = TMouseEvent(&heard, &Buttons::Down);
  menu->FOnMouseUp = TMouseEvent(&heard, &Buttons::Up);
  Start(96);
  const TPoint c = Centre(menu);
  SetCursorPos(c.X, c.Y);
  ToBorder(WM_NCMOUSEMOVE, c);
  ToBorder(WM_NCLBUTTONDOWN, c);
  ToBorder(WM_NCLBUTTONUP, c);
  ASSERT_EQ(popup->drops.size(), 1u);
  ASSERT_TRUE(SkipMenuShowing);
  const int clicked = clicks.n, downs = heard.downs, ups = heard.ups;
  ToBorder(WM_NCLBUTTONDBLCLK, c);
  EXPECT_EQ(popup->drops.size(), 1u);  // the menu is not dropped again
  EXPECT_FALSE(SkipMenuShowing);
  EXPECT_EQ(clicks.n, clicked);
  EXPECT_EQ(heard.downs, downs + 1);
  EXPECT_EQ(heard.ups, ups);  // the release comes with the mouse button's own release
  // The next press drops the menu again.
  ToBorder(WM_NCLBUTTONUP, c);
  ToBorder(WM_NCLBUTTONDOWN, c);
  EXPECT_EQ(popup->drops.size(), 2u);
  ToBorder(WM_NCLBUTTONUP, c);
}
