// A skinned MDI main form: its client window shows the form's picture as its wall, children are
// tiled, cascaded and maximized, a released thumb scrolls the client by the real difference and
// sets the bar, and the menu line draws a maximized child's buttons, hit-tests them and runs
// their commands.
#include "forms/sMDIForm.h"

#include <cstdlib>
#include <memory>
#include <vector>

#include "forms/kvDials.h"
#include "forms/sSkinProvider.h"
#include "forms/sSkinProviderMotion.h"
#include "skin/ControlServices.h"
#include "skin/sCommonData.h"
#include "skin/sStyleSimply.h"
#include "skin/sVclUtils.h"
#include "support/FormFixture.h"
#include "support/FormSkin.h"
#include "support/ImportHook.h"
#include "support/MinimizeFlight.h"
#include "support/RedrawCalls.h"
#include "ui/ExtCtrls.h"
#include "ui/Icon.h"
#include "ui/Menus.h"
#include "ui/ScopeGuard.h"

using namespace formskin;

namespace {

class SkinnedMdi : public SkinnedMdiFrame {
 protected:
  TkvMDIWnd* Wrapper() { return sp->MDIForm ? dynamic_cast<TkvMDIWnd*>(sp->MDIForm->ListSW) : nullptr; }
  // The client erased into a bitmap first filled with a marker colour.
  std::unique_ptr<TBitmap> Erase(LRESULT& result) {
    RECT r{};
    GetWindowRect(frame->ClientHandle(), &r);
    auto bmp = std::make_unique<TBitmap>(r.right - r.left, r.bottom - r.top, pf32bit);
    HDC dc = bmp->Canvas()->Handle();
    const HBRUSH marker = CreateSolidBrush(RGB(255, 0, 255));
    RECT all{0, 0, bmp->Width(), bmp->Height()};
    FillRect(dc, &all, marker);
    DeleteObject(marker);
    result = SendMessageW(frame->ClientHandle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    return bmp;
  }
  RECT ChildRect(TForm* child) {
    RECT r{};
    GetWindowRect(child->Handle(), &r);
    MapWindowPoints(nullptr, frame->ClientHandle(), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  // A child with a provider of its own.
  TForm* MakeSkinnedChild(const char16_t* caption) {
    TForm* child = MakeChild(caption);
    auto* childSp = new TsSkinProvider(child);
    childSp->AfterConstruction();
    return child;
  }
  // The frame's picture rebuilt now.
  TBitmap* Repaint() {
    sp->FCommonData->BGChanged = true;
    sp->PaintAll();
    return sp->FCommonData->FCacheBmp.get();
  }
  // The window's own pixel at p (window coordinates), as the screen shows it.
  TColor WindowPixel(TPoint p) {
    const HDC dc = GetWindowDC(frame->Handle());
    const COLORREF c = GetPixel(dc, p.X, p.Y);
    ReleaseDC(frame->Handle(), dc);
    return TColor(c);
  }
  // The small glyphs of the child's buttons: the skin's close, maximize, minimize and restore,
  // until the returned guard goes.
  auto UseBigGlyphsForChildButtons() {
    TkvSkinData& d = *skin->skin.Data;
    const auto saved = d.TitleGlyphs;
    d.TitleGlyphs[tgSmallClose] = d.TitleGlyphs[tgClose];
    d.TitleGlyphs[tgSmallMax] = d.TitleGlyphs[tgMax];
    d.TitleGlyphs[tgSmallMin] = d.TitleGlyphs[tgMin];
    d.TitleGlyphs[tgSmallNormal] = d.TitleGlyphs[tgNormal];
    return TScopeExit([&d, saved] { d.TitleGlyphs = saved; });
  }
  // The skin's extended borders on: the frame gets its outer border window.
  void GiveOuterBorder() {
    GiveShadow(*skin, kBorderShadow);
    TkvSkinData& d = *skin->skin.Data;
    d.ExTitleHeight = 30;
    d.ExBorderWidth = 4;
    d.Reindex();
    sp->FCommonData->BGChanged = true;
    sp->InitExBorders(true);
  }
  static constexpr TRect kBorderShadow{10, 8, 12, 14};
  // The frame gets a main menu with one item, or with so many that the bar takes several lines.
  void GiveMenu(Integer items = 1) {
    auto* menu = new TMainMenu(frame);
    for (Integer i = 0; i < items; ++i) {
      auto* item = new TMenuItem(frame);
      item->SetCaption(i == 0 ? String(u"File") : u"Item number " + IntToStr(i));
      menu->Items()->Add(item);
    }
    frame->SetMenu(menu);
    PumpMessages();
  }
};

// The glow layer as a control's hover asks for it: records the host window of each glow.
class GlowHostRecorder : public TkvGlowServices {
 public:
  void ClearGlows(bool, bool) override {}
  void AnimShowControl(TWinControl*, Word, Integer, TkvAnimTypeCtrl) override {}
  void HideGlow(Integer& glowID, bool) override { glowID = -1; }
  void HideCircle(Integer& circleID) override { circleID = -1; }
  Integer ShowGlow(const TRect&, const String&, TsCommonData*, void* host, Integer, Integer) override {
    hosts.push_back(static_cast<HWND>(host));
    return Integer(hosts.size());
  }
  void FadeGlowIn(TsCommonData*) override {}
  std::vector<HWND> hosts;
};

}  // namespace

// A hovered control on an MDI child glows over the skinned MDI main form, which holds the
// child on screen; on a form of its own it glows over that form.
TEST_F(SkinnedMdi, AHoverGlowOnAChildIsHostedByTheMainForm) {
  kvDialsStartup();
  const TScopeExit dials([] { kvDialsCleanup(); });
  GlowHostRecorder glows;
  TkvGlowServices* const saved = TkvServiceSlot<TkvGlowServices>::Get();
  TkvServiceSlot<TkvGlowServices>::Set(&glows);
  const TScopeExit back([saved] { TkvServiceSlot<TkvGlowServices>::Set(saved); });
  ASSERT_EQ(MDISkinProvider, sp);
  TsGeneralData glowing = PlainSection(u"GLOWING", 0, clWhite, 3);
  glowing.GlowCount = 1;
  const Integer section = skin->skin.AddSection(glowing);
  skin->skin.Data->IndexSections();

  TForm* child = MakeChild(u"Child");
  auto* single = new TForm(app.get());
  single->AfterConstruction();
  single->SetBounds(600, 100, 200, 150);
  single->Show();
  struct Case {
    const char* name;
    TForm* form;
    HWND host;
  } cases[] = {{"MDI child", child, frame->Handle()}, {"form of its own", single, single->Handle()}};
  for (const Case& c : cases) {
    auto* panel = new TPanel(c.form);
    panel->SetBounds(10, 10, 80, 30);
    panel->SetParent(c.form);
    panel->HandleNeeded();
    TsCommonData sd(panel);
    sd.FSkinManager = &skin->skin.Manager;
    sd.SkinIndex = section;
    sd.SetCommonSkinData(nullptr);
    sd.FMouseAbove = true;
    glows.hosts.clear();
    ShowGlowingIfNeeded(&sd, false, nullptr, -1, false, 255);
    ASSERT_EQ(glows.hosts.size(), 1u) << c.name;
    EXPECT_EQ(glows.hosts[0], c.host) << c.name;
    sd.GlowID = -1;
  }
}

TEST_F(SkinnedMdi, TheClientShowsTheFormPictureAsItsWall) {
  TkvMDIWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->CtrlHandle, frame->ClientHandle());
  EXPECT_TRUE(WndIsSkinned(frame->ClientHandle()));
  EXPECT_EQ(MDISkinProvider, sp);
  LRESULT result = 0;
  const auto bmp = Erase(result);
  EXPECT_EQ(result, 1);
  ASSERT_TRUE(sp->FCommonData->FCacheBmp);
  const TRect src = w->SrcRect();
  const Integer off = GetWindowLongW(frame->ClientHandle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE ? 2 : 0;
  const TColor wall = bmp->PixelColor(20, 20);
  EXPECT_EQ(wall, sp->FCommonData->FCacheBmp->PixelColor(src.Left + off + 20, src.Top + off + 20));
  EXPECT_TRUE(wall == kClientActive || wall == kClientInactive) << std::hex << wall;
}

TEST_F(SkinnedMdi, AMaximizedChildLeavesTheWallUnpainted) {
  TForm* child = MakeChild(u"A");
  child->SetWindowState(wsMaximized);
  PumpMessages();
  ASSERT_TRUE(Wrapper()->ChildMaximized());
  LRESULT result = 0;
  const auto bmp = Erase(result);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(bmp->PixelColor(20, 20), TColor(0xFF00FF));
}

// A maximized skinned child shown puts its buttons into the main form's menu line: the line is
// measured and painted anew. A child shown in its normal state leaves the line alone.
TEST_F(SkinnedMdi, ShowingAMaximizedSkinnedChildRebuildsTheMainFormsMenuLine) {
  GiveMenu();
  for (const bool maximized : {false, true}) {
    SCOPED_TRACE(maximized ? "maximized" : "normal");
    TForm* child = MakeSkinnedChild(maximized ? u"Max" : u"Normal");
    if (maximized) child->SetWindowState(wsMaximized);
    PumpMessages();
    child->Hide();
    PumpMessages();
    // Marks the next showing can be seen by: a line count no bar has, the line up to date.
    sp->FLinesCount = 99;
    sp->MenuChanged = false;
    sp->FCommonData->BGChanged = false;
    child->Show();
    EXPECT_EQ(sp->FLinesCount, maximized ? -1 : 99);
    EXPECT_EQ(sp->MenuChanged, maximized);
    EXPECT_EQ(sp->FCommonData->BGChanged, maximized);
    PumpMessages();
    if (maximized) { EXPECT_NE(sp->FLinesCount, 99) << "measured again at the next paint"; }
    delete child;
    PumpMessages();
  }
}

// Without the skin's frame only the frame is redrawn; the menu line keeps its state.
TEST_F(SkinnedMdi, UpdateMainFormLeavesAnUnpaintedFrameToTheSystem) {
  sp->FLinesCount = 99;
  TsSkinProvider::UpdateMainForm(true);
  EXPECT_NE(sp->FLinesCount, 99);
  sp->FDrawNonClientArea = false;
  sp->FLinesCount = 99;
  TsSkinProvider::UpdateMainForm(true);
  EXPECT_EQ(sp->FLinesCount, 99);
  sp->FDrawNonClientArea = true;
}

TEST_F(SkinnedMdi, TilingAndCascadingTakeTheSystemMenuOffTheActiveChildAndRebuildTheFrame) {
  TForm* a = MakeChild(u"A");
  TForm* b = MakeChild(u"B");
  for (bool tile : {true, false}) {
    SetWindowLongW(b->Handle(), GWL_STYLE, GetWindowLongW(b->Handle(), GWL_STYLE) | WS_SYSMENU);
    sp->FCommonData->BGChanged = false;
    sp->FLinesCount = 3;
    // A mark in the title of the frame's picture: gone when the picture is rebuilt.
    ASSERT_TRUE(sp->FCommonData->FCacheBmp);
    const TPoint mark(sp->FCommonData->FCacheBmp->Width() / 2, 4);
    const COLORREF marked = RGB(1, 2, 3);
    SetPixel(sp->FCommonData->FCacheBmp->Canvas()->Handle(), mark.X, mark.Y, marked);
    if (tile)
      frame->Tile();
    else
      frame->Cascade();
    // The picture is rebuilt at once (the menu line's icon item repaints the frame) or marked
    // for the next paint, which rebuilds it.
    const bool rebuilt = GetPixel(sp->FCommonData->FCacheBmp->Canvas()->Handle(), mark.X, mark.Y) != marked;
    EXPECT_TRUE(sp->FCommonData->BGChanged || rebuilt) << tile;
    EXPECT_EQ(sp->FLinesCount, -1) << tile;
    PumpMessages();
    EXPECT_EQ(frame->ActiveMDIChild(), b);
    EXPECT_FALSE(GetWindowLongW(b->Handle(), GWL_STYLE) & WS_SYSMENU) << tile;
    EXPECT_TRUE(GetWindowLongW(a->Handle(), GWL_STYLE) & WS_SYSMENU) << tile;
    RECT ra = ChildRect(a), rb = ChildRect(b), both{};
    // Tiled children lie side by side; cascaded ones overlap, each lower than the other.
    EXPECT_EQ(IntersectRect(&both, &ra, &rb) != FALSE, !tile) << tile;
    if (!tile) { EXPECT_NE(ra.top, rb.top); }
  }
}

TEST_F(SkinnedMdi, AReleasedThumbScrollsTheClientByTheRealDifferenceAndSetsTheBar) {
  TForm* child = MakeChild(u"Far");
  child->SetBounds(10, 300, 200, 150);
  PumpMessages();
  const HWND client = frame->ClientHandle();
  // The skinned client keeps the system's bars hidden, and the system leaves their range alone
  // then: the test gives the bar the range the child's place asks for.
  SCROLLINFO range{sizeof range, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 700, 300, 40, 0};
  SetScrollInfo(client, SB_VERT, &range, FALSE);
  SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
  ASSERT_TRUE(GetScrollInfo(client, SB_VERT, &si));
  ASSERT_EQ(si.nPos, 40);
  ASSERT_EQ(si.nMax, 700);
  const RECT before = ChildRect(child);

  // The thumb released where it was: nothing moves.
  SendMessageW(client, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, si.nPos), si.nPos);
  EXPECT_EQ(ChildRect(child).top, before.top);
  EXPECT_EQ(GetScrollPos(client, SB_VERT), si.nPos);

  // Dragging alone does not scroll.
  SendMessageW(client, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, si.nPos + 37), si.nPos + 37);
  EXPECT_EQ(ChildRect(child).top, before.top);

  // Released 37 further: the contents move up 37 pixels and the bar shows the new position.
  SendMessageW(client, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, si.nPos + 37), si.nPos + 37);
  EXPECT_EQ(ChildRect(child).top, before.top - 37);
  EXPECT_EQ(GetScrollPos(client, SB_VERT), si.nPos + 37);

  // A position past the range stops at the last page.
  SendMessageW(client, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 100000);
  const Integer last = si.nMax - std::max<Integer>(Integer(si.nPage) - 1, 0);
  EXPECT_EQ(GetScrollPos(client, SB_VERT), last);
  EXPECT_EQ(ChildRect(child).top, before.top - (last - si.nPos));
}

TEST_F(SkinnedMdi, MenuLineAsksForTheButtonsOfAMaximizedSkinnedChildWithASystemMenu) {
  TForm* child = MakeSkinnedChild(u"A");
  EXPECT_FALSE(MDIButtonsNeeded(*sp));  // no main menu
  GiveMenu();
  EXPECT_FALSE(MDIButtonsNeeded(*sp));  // not maximized
  child->SetWindowState(wsMaximized);
  PumpMessages();
  EXPECT_TRUE(MDIButtonsNeeded(*sp));
  TBorderIcons icons = child->BorderIcons();
  icons -= biSystemMenu;
  child->SetBorderIcons(icons);
  EXPECT_FALSE(MDIButtonsNeeded(*sp));
}

TEST_F(SkinnedMdi, AClientThatLostItsWrapperGetsNewSupportAndUnskinnedProvidersKeepNone) {
  TsMDIForm* first = sp->MDIForm.get();
  ASSERT_NE(first, nullptr);
  first->DestroyScrolls();
  EXPECT_FALSE(WndIsSkinned(frame->ClientHandle()));
  HookMDI(*sp, true);
  ASSERT_NE(sp->MDIForm.get(), nullptr);
  EXPECT_NE(Wrapper(), nullptr);
  EXPECT_TRUE(WndIsSkinned(frame->ClientHandle()));

  // Without a skin the refresh leaves the client unwrapped.
  sp->FCommonData->SetSkinSection(u"NOSUCHSECTION");
  sp->MDIForm->RefreshMDIScrolls();
  EXPECT_EQ(sp->MDIForm->ListSW, nullptr);
  EXPECT_FALSE(WndIsSkinned(frame->ClientHandle()));
  HookMDI(*sp, false);
  EXPECT_EQ(sp->MDIForm, nullptr);
  EXPECT_EQ(MDISkinProvider, nullptr);
}

TEST_F(SkinnedMdi, ChildButtonCommandsGoToTheActiveChild) {
  TForm* child = MakeChild(u"A");
  child->SetWindowState(wsMaximized);
  PumpMessages();
  sp->MDIForm->RestoreClick(nullptr);
  PumpMessages();
  EXPECT_EQ(child->WindowState(), wsNormal);
  sp->MDIForm->MinClick(nullptr);
  PumpMessages();
  EXPECT_TRUE(IsIconic(child->Handle()));
}

TEST_F(SkinnedMdi, TheIconFormShowsTheRightEndOfTheMenuLine) {
  // The paint handler of the small icon form.
  struct PaintHook {
    TsSkinProvider* sp;
    void Paint(TObject* sender) { MdiIcoFormPaint(*sp, static_cast<TCustomForm*>(sender)); }
  } hook{sp};
  auto* icon = new TForm(app.get());
  icon->AfterConstruction();
  icon->SetBounds(600, 400, 120, 80);
  icon->Show();
  PumpMessages();
  // The frame's picture as it stands now, with a marker where the menu line's right end lies.
  if (!sp->FCommonData->FCacheBmp || sp->FCommonData->BGChanged) sp->PaintAll();
  TBitmap* cache = sp->FCommonData->FCacheBmp.get();
  ASSERT_NE(cache, nullptr);
  const Integer x = frame->Width() - SysBorderWidth(frame->Handle(), nullptr, true) - 60;
  ASSERT_LE(x + 60, cache->Width());
  const Integer y = sp->CaptionHeight(true);
  const HBRUSH marker = CreateSolidBrush(RGB(1, 2, 3));
  RECT r{x, y, x + 60, y + 5};
  FillRect(cache->Canvas()->Handle(), &r, marker);
  DeleteObject(marker);
  icon->SetOnPaint(TNotifyEvent(&hook, &PaintHook::Paint));
  RedrawWindow(icon->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  TBitmap shot(60, 5, pf32bit);
  const HDC dc = GetDC(icon->Handle());
  BitBlt(shot.Canvas()->Handle(), 0, 0, 60, 5, dc, 0, 0, SRCCOPY);
  ReleaseDC(icon->Handle(), dc);
  EXPECT_EQ(shot.PixelColor(0, 0), TColor(0x030201));
  EXPECT_EQ(shot.PixelColor(59, 4), TColor(0x030201));  // the whole block lies in the picture
  icon->SetOnPaint(TNotifyEvent());
}

// A maximized skinned child's buttons stand at the right end of the frame's menu line: drawn into
// the frame's picture, hit-tested there, and a click on one runs its command on the child.
TEST_F(SkinnedMdi, AMaximizedChildsButtonsAreDrawnInTheMenuLineAndClickable) {
  const auto glyphs = UseBigGlyphsForChildButtons();
  TForm* child = MakeSkinnedChild(u"A");
  GiveMenu();
  auto paint = [&] { return Repaint(); };
  // Not maximized: no buttons, the menu line's right end is plain.
  TBitmap* cache = paint();
  ASSERT_NE(cache, nullptr);
  EXPECT_EQ(sp->MDIClose.cpRect.Width(), 0);
  const Integer menuTop = SysBorderHeight(frame->Handle(), nullptr, false) + sp->CaptionHeight(true),
                menuH = sp->MenuHeight();
  ASSERT_GT(menuH, 0);
  const std::vector<uint32_t> plain = [&] {
    std::vector<uint32_t> row;
    const TPixelView v = cache->View();
    for (Integer x = 0; x < v.Width; ++x) row.push_back(v.At(x, menuTop + menuH / 2));
    return row;
  }();

  child->SetWindowState(wsMaximized);
  PumpMessages();
  ASSERT_TRUE(MDIButtonsNeeded(*sp));
  cache = paint();
  const TRect close = sp->MDIClose.cpRect, max = sp->MDIMax.cpRect, min = sp->MDIMin.cpRect;
  ASSERT_GT(close.Width(), 0);
  // Right to left: close, restore, minimize, in the menu line near the frame's right edge.
  EXPECT_LT(max.Right, close.Left + 1);
  EXPECT_LT(min.Right, max.Left + 1);
  EXPECT_EQ(close.Height(), sp->SmallButtonHeight());
  EXPECT_EQ((close.Top + close.Bottom) / 2, menuTop + menuH / 2);
  EXPECT_GT(close.Right, frame->Width() - 3 * close.Width() - 10);
  EXPECT_LE(close.Right, frame->Width());
  // Each button's glyph changed the picture where the line was plain.
  const TPixelView v = cache->View();
  for (const TRect& r : {close, max, min}) {
    size_t changed = 0;
    for (Integer y = r.Top; y < r.Bottom; ++y)
      for (Integer x = r.Left; x < r.Right; ++x)
        if (y == menuTop + menuH / 2 && v.At(x, y) != plain[size_t(x)]) ++changed;
    EXPECT_GT(changed, 0u) << r.Left;
  }

  // The hit test answers the buttons' codes at their centres (window coordinates on the screen).
  RECT wr{};
  GetWindowRect(frame->Handle(), &wr);
  auto centre = [&](const TRect& r) {
    return TPoint(wr.left + (r.Left + r.Right) / 2, wr.top + (r.Top + r.Bottom) / 2);
  };
  auto hit = [&](const TRect& r) {
    const TPoint p = centre(r);
    return SendMessageW(frame->Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.X, p.Y));
  };
  EXPECT_EQ(hit(close), HTCHILDCLOSE);
  EXPECT_EQ(hit(max), HTCHILDMAX);
  EXPECT_EQ(hit(min), HTCHILDMIN);

  // A press and release on the restore button restores the child.
  const TPoint p = centre(max);
  SetCursorPos(p.X, p.Y);
  SendMessageW(frame->Handle(), WM_NCLBUTTONDOWN, HTCHILDMAX, MAKELPARAM(p.X, p.Y));
  EXPECT_EQ(sp->MDIMax.cpState, 2);
  SendMessageW(frame->Handle(), WM_NCLBUTTONUP, HTCHILDMAX, MAKELPARAM(p.X, p.Y));
  PumpMessages();
  EXPECT_EQ(child->WindowState(), wsNormal);
  EXPECT_FALSE(MDIButtonsNeeded(*sp));
  EXPECT_NE(SendMessageW(frame->Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.X, p.Y)), HTCHILDMAX);
  SetCursorPos(0, 0);
}

namespace {

// A 16 x 16 icon of one colour, opaque all over.
struct SolidIcon {
  explicit SolidIcon(COLORREF colour) {
    // 32-bit pixels without alpha (the mask decides) and a mask that keeps every pixel.
    const uint32_t pixel = uint32_t(GetRValue(colour)) << 16 | uint32_t(GetGValue(colour)) << 8 | GetBValue(colour);
    const std::vector<uint32_t> bits(16 * 16, pixel);
    const std::vector<uint8_t> mask(16 * 2, 0);
    handle = CreateIcon(nullptr, 16, 16, 1, 32, mask.data(), reinterpret_cast<const BYTE*>(bits.data()));
  }
  ~SolidIcon() { DestroyIcon(handle); }
  SolidIcon(const SolidIcon&) = delete;
  SolidIcon& operator=(const SolidIcon&) = delete;
  HICON handle = nullptr;
};

}  // namespace

// A maximized child with a system menu shows its icon at the start of the frame's menu line; a
// child that is not maximized, or has no system menu, shows none there.
TEST_F(SkinnedMdi, AMaximizedChildsIconStandsAtTheStartOfTheMenuLine) {
  const COLORREF colour = RGB(10, 200, 30);
  const SolidIcon icon(colour);
  ASSERT_NE(icon.handle, nullptr);
  TForm* child = MakeSkinnedChild(u"A");
  SendMessageW(child->Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon.handle));
  GiveMenu();
  const Integer mh = sp->MenuHeight();
  ASSERT_GT(mh, 4);
  const Integer left = SysBorderWidth(frame->Handle(), nullptr, true) + 1;
  const Integer top = SysBorderHeight(frame->Handle(), nullptr, false) + sp->CaptionHeight(true) + 1;
  // The top-left, the middle and the bottom-left pixel of the icon's square (the first bar
  // item may start over its right column).
  const TPoint points[] = {{left, top}, {left + (mh - 2) / 2, top + (mh - 2) / 2}, {left, top + mh - 3}};
  auto iconShown = [&](const char* when) {
    TBitmap* cache = Repaint();
    EXPECT_NE(cache, nullptr) << when;
    Integer shown = 0;
    if (cache)
      for (const TPoint& p : points) shown += cache->PixelColor(p.X, p.Y) == TColor(colour);
    return shown;
  };

  EXPECT_FALSE(ChildIconPresent());
  EXPECT_EQ(iconShown("normal"), 0);

  child->SetWindowState(wsMaximized);
  PumpMessages();
  EXPECT_TRUE(ChildIconPresent());
  EXPECT_EQ(MDIChildIcon(child), icon.handle);
  // The bar's first item is drawn at its own place after the child's system menu: it leaves
  // the icon alone.
  EXPECT_EQ(iconShown("maximized"), 3);
  // Just outside the square the line is left alone.
  EXPECT_NE(sp->FCommonData->FCacheBmp->PixelColor(left - 1, top + (mh - 2) / 2), TColor(colour));
  EXPECT_NE(sp->FCommonData->FCacheBmp->PixelColor(left, top + mh - 2), TColor(colour));

  TBorderIcons icons = child->BorderIcons();
  icons -= biSystemMenu;
  child->SetBorderIcons(icons);
  PumpMessages();
  EXPECT_FALSE(ChildIconPresent());
  EXPECT_EQ(iconShown("no system menu"), 0);

  // Another form's provider never paints the frame's child icon, and without the frame's
  // provider there is no child icon at all.
  icons += biSystemMenu;
  child->SetBorderIcons(icons);
  PumpMessages();
  EXPECT_TRUE(ChildIconPresent());
  HookMDI(*sp, false);
  EXPECT_FALSE(ChildIconPresent());
  EXPECT_EQ(iconShown("unhooked"), 0);
  SendMessageW(child->Handle(), WM_SETICON, ICON_SMALL, 0);
}

// A maximized child without an icon of its own shows the program's, else the system's.
TEST_F(SkinnedMdi, AChildWithoutAnIconOfItsOwnShowsAFallbackIcon) {
  TForm* child = MakeSkinnedChild(u"A");
  GiveMenu();
  child->SetWindowState(wsMaximized);
  PumpMessages();
  SendMessageW(child->Handle(), WM_SETICON, ICON_SMALL, 0);
  SendMessageW(child->Handle(), WM_SETICON, ICON_BIG, 0);
  if (GetClassLongPtrW(child->Handle(), GCLP_HICONSM)) { GTEST_SKIP() << "the child's class has an icon"; }
  const HICON shown = MDIChildIcon(child);
  ASSERT_NE(shown, nullptr);
  TIcon* app = AppIcon();
  if (app && !app->Empty())
    EXPECT_EQ(shown, app->Handle());
  else
    EXPECT_EQ(shown, LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION)));
  EXPECT_TRUE(ChildIconPresent());
}

// A child button in the menu line shows its hot look on the screen as soon as the mouse is over
// it, and its normal look again as soon as the mouse leaves, without a repaint of the frame.
TEST_F(SkinnedMdi, AChildButtonShowsItsHotLookAtOnce) {
  const auto glyphs = UseBigGlyphsForChildButtons();
  TForm* child = MakeSkinnedChild(u"A");
  GiveMenu();
  child->SetWindowState(wsMaximized);
  PumpMessages();
  ASSERT_TRUE(MDIButtonsNeeded(*sp));
  Repaint();
  RedrawWindow(frame->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  PumpMessages();
  const TRect close = sp->MDIClose.cpRect;
  ASSERT_GT(close.Width(), 0);
  const TPoint centre((close.Left + close.Right) / 2, (close.Top + close.Bottom) / 2);
  RECT wr{};
  GetWindowRect(frame->Handle(), &wr);
  const LPARAM at = MAKELPARAM(wr.left + centre.X, wr.top + centre.Y);
  const TColor hot = TColor(RgbOfColor(TColor(Rgb(GlyphPixel(0, 1)))));
  EXPECT_NE(WindowPixel(centre), hot);

  // A marker on the screen: only a repaint of the button in place takes it away.
  auto mark = [&] {
    const HDC dc = GetWindowDC(frame->Handle());
    const HBRUSH marker = CreateSolidBrush(RGB(1, 2, 3));
    RECT r{close.Left, close.Top, close.Right, close.Bottom};
    FillRect(dc, &r, marker);
    DeleteObject(marker);
    ReleaseDC(frame->Handle(), dc);
  };
  mark();
  ASSERT_EQ(WindowPixel(centre), TColor(RGB(1, 2, 3)));
  SendMessageW(frame->Handle(), WM_NCMOUSEMOVE, HTCHILDCLOSE, at);
  EXPECT_EQ(sp->MDIClose.cpState, 1);
  EXPECT_EQ(WindowPixel(centre), hot);

  // A press shows the pressed look at once.
  mark();
  SendMessageW(frame->Handle(), WM_NCLBUTTONDOWN, HTCHILDCLOSE, at);
  EXPECT_EQ(sp->MDIClose.cpState, 2);
  EXPECT_EQ(WindowPixel(centre), TColor(RgbOfColor(TColor(Rgb(GlyphPixel(0, 2))))));

  // Moving on to the caption gives the button its normal look again at once.
  mark();
  const LPARAM caption = MAKELPARAM(wr.left + 60, wr.top + SysBorderHeight(frame->Handle(), nullptr, false) + 4);
  SendMessageW(frame->Handle(), WM_NCMOUSEMOVE, HTCAPTION, caption);
  EXPECT_EQ(sp->MDIClose.cpState, 0);
  const TColor normal = WindowPixel(centre);
  EXPECT_NE(normal, TColor(RGB(1, 2, 3)));
  EXPECT_NE(normal, hot);
  EXPECT_EQ(normal, sp->FCommonData->FCacheBmp->PixelColor(centre.X, centre.Y));
}

// On a bar of several lines the child's buttons stand below the first line; a hover shows the
// hot look there, and a leave gives the button back exactly the look the full paint gave it.
TEST_F(SkinnedMdi, AChildButtonOnALaterMenuLineGetsItsOwnBackgroundBack) {
  const auto glyphs = UseBigGlyphsForChildButtons();
  TForm* child = MakeSkinnedChild(u"A");
  GiveMenu(40);
  child->SetWindowState(wsMaximized);
  PumpMessages();
  ASSERT_TRUE(MDIButtonsNeeded(*sp));
  TBitmap* cache = Repaint();
  ASSERT_NE(cache, nullptr);
  ASSERT_GE(sp->GetLinesCount(), 2);
  const TRect close = sp->MDIClose.cpRect;
  ASSERT_GT(close.Width(), 0);
  ASSERT_GE(close.Top, SysBorderHeight(frame->Handle(), nullptr, false) + sp->CaptionHeight(true) + sp->MenuHeight())
      << "the buttons stand below the first line";
  auto pixels = [&] {
    std::vector<uint32_t> out;
    const TPixelView v = sp->FCommonData->FCacheBmp->View();
    for (Integer y = close.Top; y < close.Bottom; ++y)
      for (Integer x = close.Left; x < close.Right; ++x) out.push_back(v.At(x, y) & 0xFFFFFF);
    return out;
  };
  const std::vector<uint32_t> painted = pixels();
  RECT wr{};
  GetWindowRect(frame->Handle(), &wr);
  const LPARAM at = MAKELPARAM(wr.left + (close.Left + close.Right) / 2, wr.top + (close.Top + close.Bottom) / 2);
  SendMessageW(frame->Handle(), WM_NCMOUSEMOVE, HTCHILDCLOSE, at);
  ASSERT_EQ(sp->MDIClose.cpState, 1);
  EXPECT_NE(pixels(), painted) << "the hot look shows";
  const LPARAM caption = MAKELPARAM(wr.left + 60, wr.top + SysBorderHeight(frame->Handle(), nullptr, false) + 4);
  SendMessageW(frame->Handle(), WM_NCMOUSEMOVE, HTCAPTION, caption);
  ASSERT_EQ(sp->MDIClose.cpState, 0);
  EXPECT_EQ(pixels(), painted);
}

TEST_F(SkinnedMdi, HittingAChildsCaptionButtonTakesBackTheSystemMenuTheClientGaveIt) {
  TForm* child = MakeSkinnedChild(u"Child");
  PumpMessages();
  const HWND h = child->Handle();
  TsSkinProvider* csp = ProviderOf(h);
  ASSERT_NE(csp, nullptr);
  csp->CalcItems();
  RECT w{};
  GetWindowRect(h, &w);
  auto centre = [](const TsCaptionButton& b) {
    return TPoint((b.cpRect.Left + b.cpRect.Right) / 2, (b.cpRect.Top + b.cpRect.Bottom) / 2);
  };
  const TPoint close = centre(csp->ButtonClose);
  struct Case {
    TPoint at;
    LRESULT code;
    bool takenOff;
  } cases[] = {
      {close, HTCLOSE, true},
      {centre(csp->ButtonMax), HTMAXBUTTON, true},
      {centre(csp->ButtonMin), HTMINBUTTON, true},
      // Elsewhere on the caption the menu stays as it is.
      {TPoint(csp->ButtonMin.cpRect.Left - 20, close.Y), HTCAPTION, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) | WS_SYSMENU);
    EXPECT_EQ(SendMessageW(h, WM_NCHITTEST, 0, MAKELPARAM(w.left + c.at.X, w.top + c.at.Y)), c.code);
    EXPECT_EQ((GetWindowLongW(h, GWL_STYLE) & WS_SYSMENU) == 0, c.takenOff);
  }
}

TEST_F(SkinnedMdi, ShowingTheFormAgainGivesItsClientFreshSupport) {
  // Support dropped, or stale because the client lost its wrapper, while the form was hidden.
  for (const bool dropped : {true, false}) {
    SCOPED_TRACE(dropped ? "dropped" : "stale");
    frame->Hide();
    PumpMessages();
    if (dropped)
      HookMDI(*sp, false);
    else
      sp->MDIForm->DestroyScrolls();
    ASSERT_FALSE(WndIsSkinned(frame->ClientHandle()));
    frame->Show();
    PumpMessages();
    ASSERT_NE(sp->MDIForm, nullptr);
    EXPECT_EQ(MDISkinProvider, sp);
    EXPECT_NE(Wrapper(), nullptr);
    EXPECT_TRUE(WndIsSkinned(frame->ClientHandle()));
  }
}

// The window of the last skinned child going leaves the client redrawn whole (erased, frame
// and children); while another child stays active the client is left alone.
TEST_F(SkinnedMdi, TheLastChildGoingRedrawsTheClient) {
  ASSERT_EQ(MDISkinProvider, sp);
  ASSERT_TRUE(sp->MDIForm);
  const redraws::RedrawCalls recorder;
  const UINT whole = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME;
  const HWND client = frame->ClientHandle();
  auto clientRedrawn = [&] { return redraws::RedrawCalls::Seen(client, whole); };
  TForm* first = MakeSkinnedChild(u"First");
  TForm* second = MakeSkinnedChild(u"Second");
  ASSERT_EQ(frame->ActiveMDIChild(), static_cast<TCustomForm*>(second));
  redraws::RedrawCalls::Clear();
  delete first;
  PumpMessages();
  EXPECT_FALSE(clientRedrawn()) << "the second child is still active";
  redraws::RedrawCalls::Clear();
  delete second;
  PumpMessages();
  EXPECT_TRUE(clientRedrawn());
}

// The small icon form of an MDI frame with an outer border window shows the right end of the
// menu line in that window's picture, which holds the frame's shadow and border around the form.
TEST_F(SkinnedMdi, TheIconFormOfABorderedFrameShowsTheMenuLinesEndInTheBorderPicture) {
  struct PaintHook {
    TsSkinProvider* sp;
    void Paint(TObject* sender) { MdiIcoFormPaint(*sp, static_cast<TCustomForm*>(sender)); }
  } hook{sp};
  GiveOuterBorder();
  ASSERT_TRUE(sp->BorderForm);
  auto* icon = new TForm(app.get());
  icon->AfterConstruction();
  icon->SetBounds(600, 400, 120, 80);
  icon->Show();
  PumpMessages();
  TBitmap* cache = Repaint();
  ASSERT_NE(cache, nullptr);
  const Integer b = SysBorderWidth(frame->Handle(), sp->OuterBorder(), true);
  const Integer x = b + frame->Width() - 60 - kBorderShadow.Right;
  const Integer y = sp->CaptionHeight(true) + kBorderShadow.Top;
  ASSERT_LE(x + 60, cache->Width());
  const HBRUSH marker = CreateSolidBrush(RGB(1, 2, 3));
  RECT r{x, y, x + 60, y + 5};
  FillRect(cache->Canvas()->Handle(), &r, marker);
  DeleteObject(marker);
  icon->SetOnPaint(TNotifyEvent(&hook, &PaintHook::Paint));
  RedrawWindow(icon->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  TBitmap shot(60, 5, pf32bit);
  const HDC dc = GetDC(icon->Handle());
  BitBlt(shot.Canvas()->Handle(), 0, 0, 60, 5, dc, 0, 0, SRCCOPY);
  ReleaseDC(icon->Handle(), dc);
  // The block is the picture's at that place (the frame may have painted its picture anew
  // meanwhile, as it lost the activation to the icon form).
  cache = sp->FCommonData->FCacheBmp.get();
  for (const TPoint at : {TPoint(0, 0), TPoint(59, 4), TPoint(30, 2)}) {
    EXPECT_EQ(shot.PixelColor(at.X, at.Y), cache->PixelColor(x + at.X, y + at.Y) & 0xFFFFFF) << at.X;
  }
  icon->SetOnPaint(TNotifyEvent());
}

// The icon item of the menu line is updated by painting the frame's picture anew.
TEST_F(SkinnedMdi, UpdatingTheIconItemPaintsTheMenuLineAnew) {
  GiveMenu();
  Repaint();
  ASSERT_FALSE(sp->FCommonData->BGChanged);
  // Painting the frame is held back, so the request stays visible.
  sp->FCommonData->BeginUpdate();
  sp->MDIForm->UpdateMDIIconItem();
  EXPECT_TRUE(sp->FCommonData->BGChanged);
  EXPECT_TRUE(sp->MenuChanged);
  sp->FCommonData->EndUpdate(false);
}

// An MDI frame with an outer border window and a maximized child: the border window answers
// the menu line for the child's buttons in it; a press and release there, handed on by the
// border window, run the button's command on the child, and so does a press the frame took
// itself whose release is tested again.
TEST_F(SkinnedMdi, AMaximizedChildsButtonsAreClickedThroughTheBorderWindow) {
  const auto glyphs = UseBigGlyphsForChildButtons();
  TForm* child = MakeSkinnedChild(u"A");
  GiveMenu();
  GiveOuterBorder();
  ASSERT_TRUE(sp->BorderForm);
  for (const bool throughBorder : {true, false}) {
    SCOPED_TRACE(throughBorder);
    child->SetWindowState(wsMaximized);
    PumpMessages();
    ASSERT_TRUE(MDIButtonsNeeded(*sp));
    Repaint();
    sp->BorderForm->UpdateExBordersPos(true, 255);
    const HWND bw = sp->BorderForm->LayeredWindow();
    ASSERT_TRUE(bw);
    RECT br{};
    GetWindowRect(bw, &br);
    const TRect max = sp->MDIMax.cpRect;
    ASSERT_GT(max.Width(), 0);
    // The buttons lie in the border window's picture, inside its frame.
    EXPECT_GE(max.Top, kBorderShadow.Top + sp->CaptionHeight(true));
    EXPECT_LE(max.Right, br.right - br.left - kBorderShadow.Right);
    const TPoint p(br.left + (max.Left + max.Right) / 2, br.top + (max.Top + max.Bottom) / 2);
    TMessage m = MakeMessage(WM_NCHITTEST, 0, PointToLParam(p.X, p.Y));
    EXPECT_EQ(sp->BorderForm->Ex_WMNCHitTest(m), HTMENU);
    SetCursorPos(p.X, p.Y);
    if (throughBorder) {
      SendMessageW(bw, WM_NCLBUTTONDOWN, HTOBJECT, MAKELPARAM(p.X, p.Y));
      EXPECT_EQ(sp->MDIMax.cpState, 2);
      SendMessageW(bw, WM_NCLBUTTONUP, HTOBJECT, MAKELPARAM(p.X, p.Y));
    } else {
      SendMessageW(frame->Handle(), WM_NCLBUTTONDOWN, HTCHILDMAX, MAKELPARAM(p.X, p.Y));
      EXPECT_EQ(sp->MDIMax.cpState, 2);
      SendMessageW(frame->Handle(), WM_NCLBUTTONUP, HTCHILDMAX, MAKELPARAM(p.X, p.Y));
    }
    PumpMessages();
    EXPECT_EQ(child->WindowState(), wsNormal);
    SetCursorPos(0, 0);
  }
}

namespace {

// Stands for the form's own procedure: takes the message and does nothing with it.
struct NoOwnProcedure {
  void Proc(TMessage&) {}
};

}  // namespace

// A child made while the active child is maximized comes up maximized too: its WM_CREATE
// raises the MDI-creation flag, beside a child in its normal state it lowers it. (The system
// restores the maximized child before the new one gets WM_CREATE, so the handler is given the
// message while the active child still is maximized.) A restore of a child waits while the
// flag is up.
TEST_F(SkinnedMdi, AChildMadeBesideAMaximizedOneRaisesTheCreationFlagAndRestoresWait) {
  TForm* made = MakeSkinnedChild(u"B");
  TForm* first = MakeChild(u"A");
  auto* madeSp = dynamic_cast<TsSkinProvider*>(GetFormProvider(made->Handle()));
  ASSERT_NE(madeSp, nullptr);
  for (const bool maximized : {false, true}) {
    SCOPED_TRACE(maximized ? "beside a maximized child" : "beside a normal child");
    first->SetWindowState(maximized ? wsMaximized : wsNormal);
    PumpMessages();
    ASSERT_EQ(frame->ActiveMDIChild(), first);
    ASSERT_EQ(bool(::IsZoomed(first->Handle())), maximized);
    MDICreating = !maximized;
    NoOwnProcedure none;
    const TWndMethod old = madeSp->OldWndProc;
    madeSp->OldWndProc = TWndMethod(&none, &NoOwnProcedure::Proc);
    TMessage m{};
    m.Msg = WM_CREATE;
    madeSp->KV_WMCreate(m);
    madeSp->OldWndProc = old;
    EXPECT_EQ(MDICreating, maximized);
  }
  first->SetWindowState(wsNormal);
  first->SetWindowState(wsMinimized);
  PumpMessages();
  ASSERT_TRUE(IsIconic(first->Handle()));
  auto* firstSp = new TsSkinProvider(first);
  firstSp->AfterConstruction();
  MDICreating = true;
  SendMessageW(first->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(IsIconic(first->Handle()));
  MDICreating = false;
  SendMessageW(first->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsIconic(first->Handle()));
}

// An MDI frame brought home from the taskbar shows its active child's caption in the active look
// and leaves the focus where the child has it, rather than taking it for the frame.
TEST_F(SkinnedMdi, AFrameRestoredFromTheTaskbarShowsItsActiveChildActive) {
  taskbarwnd::MinimizeFlight flight(skin->skin.Manager);
  taskbarwnd::Taskbar taskbar;
  TForm* child = MakeSkinnedChild(u"A");
  PumpMessages();
  ASSERT_EQ(frame->ActiveMDIChild(), static_cast<TCustomForm*>(child));
  TsSkinProvider* childSp = ProviderOf(child->Handle());
  ASSERT_NE(childSp, nullptr);
  auto runOut = [](TkvMinTimer* t) {
    for (int ticks = 0; t->Enabled() && ticks < 1000; ++ticks) t->OnTimer2(nullptr);
  };
  ASSERT_TRUE(sp->StartMinimizing());
  auto* t = dynamic_cast<TkvMinTimer*>(sp->FormTimer.get());
  ASSERT_NE(t, nullptr);
  runOut(t);
  ASSERT_TRUE(sp->StartRestoring());
  childSp->FormActive = false;
  runOut(t);
  EXPECT_FALSE(sp->FormState() & FS_ANIMRESTORING);
  EXPECT_TRUE(childSp->FormActive);
  EXPECT_NE(GetFocus(), frame->Handle());
}

namespace {

// The outlines drawn while a test records them, point by point.
std::vector<std::vector<POINT>> outlines;
BOOL WINAPI RecordOutline(HDC, const POINT* points, int count) {
  outlines.emplace_back(points, points + count);
  return TRUE;
}

}  // namespace

// A child's place is counted from the main form's client area, the outline of a drag through the
// child's own frame is drawn on the desktop: it is moved by the main form's place, frame, title
// and menu lines, for a move and for a size alike.
TEST_F(SkinnedMdi, TheOwnFrameOutlineOfAChildIsMovedIntoTheMainFormsClientArea) {
  const Integer savedAero = iAeroStatus;
  iAeroStatus = 0;  // the own frame is for forms without composition
  const TScopeExit aero([savedAero] { iAeroStatus = savedAero; });
  TForm* child = MakeSkinnedChild(u"A");
  child->SetBounds(30, 20, 200, 150);
  PumpMessages();
  TsSkinProvider* childSp = ProviderOf(child->Handle());
  ASSERT_NE(childSp, nullptr);
  for (const bool withMenu : {false, true}) {
    SCOPED_TRACE(withMenu ? "with a menu line" : "without a menu");
    if (withMenu) GiveMenu();
    const HWND fh = frame->Handle();
    const Integer lines = sp->LinesCount();
    EXPECT_EQ(lines > 0, withMenu);
    const Integer dx = SysBorderWidth(fh, nullptr, true) + frame->Left() + frame->BorderWidth() + 1;
    const Integer dy = 2 * SysBorderHeight(fh, nullptr, true) + frame->Top() + sp->CaptionHeight(true) +
                       lines * sp->MenuHeight() + frame->BorderWidth() - 2;
    for (const bool moving : {true, false}) {
      SCOPED_TRACE(moving ? "moving" : "sizing");
      childSp->FResizeMode = rmBorder;
      outlines.clear();
      {
        ImportHook hook("gdi32.dll", "Polyline", &RecordOutline);
        SendMessageW(child->Handle(), WM_SYSCOMMAND, moving ? SC_MOVE : SC_SIZE | SizeCommandBits(HTBOTTOMRIGHT), 0);
        ASSERT_TRUE(childSp->bCapture);
        childSp->StartMove(200, 200);
        childSp->StopMove(200, 200);
      }
      childSp->FResizeMode = rmStandard;
      ASSERT_FALSE(outlines.empty());
      const std::vector<POINT>& o = outlines.front();
      ASSERT_EQ(o.size(), 5u);
      const Integer left = child->Left() + dx, top = child->Top() + dy;
      EXPECT_EQ(o[0].x, left);
      EXPECT_EQ(o[0].y, top);
      EXPECT_EQ(o[2].x, left + child->Width());
      EXPECT_EQ(o[2].y, top + child->Height());
      // The outline lies on the child as the screen shows it, one frame width out at most.
      RECT onScreen{};
      GetWindowRect(child->Handle(), &onScreen);
      EXPECT_LE(std::abs(o[0].x - onScreen.left), 2 * SysBorderWidth(fh, nullptr, true) + 2);
      EXPECT_LE(std::abs(o[0].y - onScreen.top), 2 * SysBorderHeight(fh, nullptr, true) + 4);
    }
  }
}
