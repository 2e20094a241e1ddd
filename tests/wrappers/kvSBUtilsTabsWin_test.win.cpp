// Tab and page controls painted by their wrappers: page area and tabs in the sections of the
// side the tabs stand on (all four), the active tab pressed, the tab scroller's wrapper kept
// while the scroller stays, the page wrappers going with their windows or their tab control.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>

#include <gtest/gtest.h>

#include "support/ControlSkin.h"
#include "support/ImageLists.h"
#include "ui/ComCtrls.h"
#include "wrappers/kvSBUtilsTabs.h"
#include "wrappers/kvSBUtilsUpDown.h"

namespace {

struct SideColors {
  TColor tab[3];
  TColor page;
};
constexpr SideColors kSides[4] = {
    {{0x100010, 0x110011, 0x120012}, 0x503010},  // top
    {{0x200020, 0x210021, 0x220022}, 0x603010},  // bottom
    {{0x300030, 0x310031, 0x320032}, 0x703010},  // left
    {{0x400040, 0x410041, 0x420042}, 0x803010},  // right
};

class Tabs : public ControlSkin {
 protected:
  void SetUp() override {
    ControlSkin::SetUp();
    // "TABTOP" is the skin's first section.
    const char16_t* tabs[4] = {u"TABTOP", u"TABBOTTOM", u"TABLEFT", u"TABRIGHT"};
    const char16_t* pages[4] = {u"PAGECONTROL", u"PAGECONTROLBOTTOM", u"PAGECONTROLLEFT", u"PAGECONTROLRIGHT"};
    const TkvSide sides[4] = {asTop, asBottom, asLeft, asRight};
    for (int i = 0; i < 4; ++i)
      skin.Data->Tabs[3][sides[i]].SkinIndex = Section(tabs[i], {kSides[i].tab[0], kSides[i].tab[1], kSides[i].tab[2]});
    for (int i = 0; i < 4; ++i) Section(pages[i], {kSides[i].page});
    Section(u"TRANSPARENT", {0x010203});
    Section(u"UPDOWNBTN", {0x0A0B0C});
  }
  HWND TabControl(DWORD style, Integer w, Integer h, std::initializer_list<const wchar_t*> captions) {
    HWND t = Child(WC_TABCONTROLW, L"", style | WS_CLIPCHILDREN, 10, 10, w, h);
    int i = 0;
    for (const wchar_t* c : captions) {
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = const_cast<wchar_t*>(c);
      SendMessageW(t, TCM_INSERTITEMW, i++, reinterpret_cast<LPARAM>(&item));
    }
    return t;
  }
  // WM_PRINT with the flag that makes the wrapper paint into the given DC.
  static void PrintTabs(HWND t, Capture& cap) { SendMessageW(t, WM_PRINT, reinterpret_cast<WPARAM>(cap.dc), 1); }
  static TRect ItemRect(HWND t, int i) {
    TRect r;
    SendMessageW(t, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
    return r;
  }
};

}  // namespace

TEST_F(Tabs, TabsAndPageOnAllFourSides) {
  ASSERT_EQ(skin.Data->GetSkinIndex(u"TABTOP"), 0);
  const DWORD styles[4] = {0, TCS_BOTTOM, TCS_VERTICAL | TCS_MULTILINE, TCS_VERTICAL | TCS_RIGHT | TCS_MULTILINE};
  for (int side = 0; side < 4; ++side) {
    SCOPED_TRACE(side);
    HWND t = TabControl(styles[side], 300, 200, {L"One", L"Two", L"Three"});
    auto* w = Wrap<TkvTabControlWnd>(t);
    EXPECT_EQ(w->TabPosition(), side);
    Capture cap(300, 200);
    PrintTabs(t, cap);
    const TRect page = w->PageRect();
    EXPECT_EQ(cap.At((page.Left + page.Right) / 2, (page.Top + page.Bottom) / 2), kSides[side].page);
    const TRect inactive = ItemRect(t, 1), active = ItemRect(t, 0);
    EXPECT_EQ(cap.At(inactive.Left + 2, inactive.Top + 2), kSides[side].tab[0]);
    EXPECT_EQ(cap.At(active.Left + 2, active.Top + 2), kSides[side].tab[2]);
    Unwrap(t, w);
    DestroyWindow(t);
  }
}

TEST_F(Tabs, ActiveTabGrowsTwoPixelsOnEverySideOfATopTab) {
  HWND t = TabControl(0, 300, 200, {L"One", L"Two"});
  auto* w = Wrap<TkvTabControlWnd>(t);
  const TRect item = ItemRect(t, 0);
  const TRect active = w->SkinTabRect(0, true), plain = w->SkinTabRect(0, false);
  EXPECT_EQ(active, TRect(item.Left - 2, item.Top - 2, item.Right + 2, item.Bottom - 1 + 2 + 1));
  EXPECT_EQ(plain, TRect(item.Left, item.Top, item.Right - 1, item.Bottom + 3 + 1));
  EXPECT_EQ(w->SkinTabRect(5, true), TRect());
  SetWindowLongW(t, GWL_STYLE, GetWindowLongW(t, GWL_STYLE) | TCS_BUTTONS);
  EXPECT_EQ(w->SkinTabRect(0, true), ItemRect(t, 0));  // buttons take the plain rectangles
  Unwrap(t, w);
}

TEST_F(Tabs, ScrollerWrapperIsKeptWhileTheScrollerStays) {
  HWND t = TabControl(0, 120, 80, {L"First tab", L"Second tab", L"Third tab", L"Fourth tab", L"Fifth tab"});
  auto* w = Wrap<TkvTabControlWnd>(t);
  Capture cap(120, 80);
  PrintTabs(t, cap);
  HWND updown = FindWindowExW(t, nullptr, UPDOWN_CLASSW, nullptr);
  ASSERT_NE(updown, nullptr);
  ASSERT_NE(w->BtnSW, nullptr);
  EXPECT_EQ(w->BtnSW->CtrlHandle, updown);
  TkvSpinWnd* first = w->BtnSW;
  first->lOffset = 7;  // a mark a new wrapper would not carry
  for (int i = 0; i < 5; ++i) {
    PrintTabs(t, cap);
    SendMessageW(t, WM_ERASEBKGND, reinterpret_cast<WPARAM>(cap.dc), 0);
    SendMessageW(t, WM_SIZE, 0, MAKELPARAM(120, 80));
  }
  EXPECT_EQ(w->BtnSW, first);
  EXPECT_EQ(w->BtnSW->lOffset, 7);
  // The scroller painted from the skin.
  RECT ur{};
  GetWindowRect(updown, &ur);
  Capture uc(ur.right - ur.left, ur.bottom - ur.top);
  Print(updown, uc);
  EXPECT_EQ(uc.At(0, 0), TColor(0x0A0B0C));
  Unwrap(t, w);
}

TEST_F(Tabs, RawPageWrapperGoesWithItsWindowOrItsTabControl) {
  ASSERT_EQ(PageWrapperCount(), 0);
  HWND t = TabControl(0, 300, 200, {L"One"});
  HWND page = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 4, 30, 290, 160, t, nullptr, nullptr, nullptr);
  auto* w = Wrap<TkvPageControlWnd>(t);
  EXPECT_EQ(PageWrapperCount(), 1);
  EXPECT_TRUE(WndIsSkinned(page));
  DestroyWindow(page);
  EXPECT_EQ(PageWrapperCount(), 0);
  // A page whose tab control's wrapper goes loses its wrapper too.
  page = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 4, 30, 290, 160, t, nullptr, nullptr, nullptr);
  w->InitPages();
  EXPECT_EQ(PageWrapperCount(), 1);
  Unwrap(t, w);
  EXPECT_EQ(PageWrapperCount(), 0);
  EXPECT_FALSE(WndIsSkinned(page));
  DestroyWindow(page);
}

TEST_F(Tabs, ClassLibraryPageControlPagesShowItsBackground) {
  LoadForm(
      u"object F: TForm\n"
      u"  object pc: TPageControl\n    Left = 8\n    Top = 8\n    Width = 260\n    Height = 160\n"
      u"    object ts1: TTabSheet\n      Caption = \"One\"\n    end\n"
      u"    object ts2: TTabSheet\n      Caption = \"Two\"\n    end\n"
      u"  end\n"
      u"end\n");
  auto* pc = Find<TPageControl>(u"pc");
  auto* ts1 = Find<TTabSheet>(u"ts1");
  auto* ts2 = Find<TTabSheet>(u"ts2");
  ShowInFront();
  auto* w = Wrap<TkvPageControlWnd>(pc->Handle(), pc);
  EXPECT_EQ(PageWrapperCount(), 2);
  Capture whole(260, 160);
  PrintTabs(pc->Handle(), whole);
  RECT pr{};
  GetClientRect(ts1->Handle(), &pr);
  Capture page(pr.right, pr.bottom);
  SendMessageW(ts1->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(page.dc), 0);
  EXPECT_EQ(page.At(pr.right / 2, pr.bottom / 2), kSides[0].page);
  delete ts2;
  EXPECT_EQ(PageWrapperCount(), 1);
  Unwrap(pc->Handle(), w);
  EXPECT_EQ(PageWrapperCount(), 0);
}

namespace {
// An application's owner drawing of tabs: a red block in the corner of each (clear of the
// caption, which is written after it), and what it got.
class TTabPainter : public TObject {
 public:
  void Draw(TCustomTabControl* control, Integer index, const TRect& r, bool active) {
    calls.push_back({index, active});
    RECT block{r.Left + 1, r.Top + 1, r.Left + 5, r.Top + 5};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(control->Canvas()->Handle(), &block, red);
    DeleteObject(red);
  }
  std::vector<std::pair<Integer, bool>> calls;
};
}  // namespace

TEST_F(Tabs, OwnerDrawnPageControlDrawsItsTabsOverTheSkin) {
  LoadForm(
      u"object F: TForm\n"
      u"  object pc: TPageControl\n    Left = 8\n    Top = 8\n    Width = 260\n    Height = 160\n"
      u"    OwnerDraw = True\n"
      u"    object ts1: TTabSheet\n      Caption = \"One\"\n    end\n"
      u"    object ts2: TTabSheet\n      Caption = \"Two\"\n    end\n"
      u"  end\n"
      u"end\n");
  auto* pc = Find<TPageControl>(u"pc");
  TTabPainter painter;
  pc->SetOnDrawTab(TDrawTabEvent(&painter, &TTabPainter::Draw));
  ShowInFront();
  auto* w = Wrap<TkvPageControlWnd>(pc->Handle(), pc);
  painter.calls.clear();
  Capture cap(260, 160);
  PrintTabs(pc->Handle(), cap);
  ASSERT_EQ(painter.calls.size(), 2u);
  EXPECT_EQ(painter.calls[0], std::make_pair(Integer(1), false));  // inactive tabs first
  EXPECT_EQ(painter.calls[1], std::make_pair(Integer(0), true));
  for (int i = 0; i < 2; ++i) {
    const TRect r = w->SkinTabRect(i, i == 0);
    EXPECT_EQ(cap.At(r.Left + 3, r.Top + 3), TColor(0x0000FF)) << i;
    EXPECT_EQ(cap.At(r.Right - 3, r.Top + 3), kSides[0].tab[i == 0 ? 2 : 0]) << i;  // the skin around it
  }
  Unwrap(pc->Handle(), w);
}

TEST_F(Tabs, NoHandleLeaksOverPaintsAndAttachCycles) {
  HWND t = TabControl(0, 120, 80, {L"First tab", L"Second tab", L"Third tab", L"Fourth tab"});
  HWND page = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 4, 30, 100, 40, t, nullptr, nullptr, nullptr);
  Capture cap(120, 80);
  ExpectNoLeaks([&] {
    auto* w = Wrap<TkvPageControlWnd>(t);
    PrintTabs(t, cap);
    SendMessageW(page, WM_ERASEBKGND, reinterpret_cast<WPARAM>(cap.dc), 0);
    Unwrap(t, w);
  });
  EXPECT_EQ(PageWrapperCount(), 0);
}

// Page wrappers still held at exit go with the wrapper layer's clean-up: the page is plain again
// and its tab control's wrapper can still go afterwards.
TEST_F(Tabs, CleanUpAtExitFreesThePageWrappersStillHeld) {
  ASSERT_EQ(PageWrapperCount(), 0);
  HWND t = TabControl(0, 300, 200, {L"One"});
  HWND page = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 4, 30, 290, 160, t, nullptr, nullptr, nullptr);
  auto* w = Wrap<TkvPageControlWnd>(t);
  ASSERT_EQ(PageWrapperCount(), 1);
  ASSERT_TRUE(WndIsSkinned(page));
  kvSBUtilsCleanup();
  EXPECT_EQ(PageWrapperCount(), 0);
  EXPECT_FALSE(WndIsSkinned(page));
  Unwrap(t, w);
  EXPECT_EQ(PageWrapperCount(), 0);
  DestroyWindow(page);
}

// With discoloured glyphs on, an alpha image of a tab at rest is toned to the tab's colour; the
// active tab shows it as it is.
TEST_F(Tabs, ImagesOfTabsAtRestAreDiscolouredWhenTheSkinAsks) {
  LoadForm(
      u"object F: TForm\n"
      u"  object tc: TTabControl\n    Left = 8\n    Top = 8\n    Width = 260\n    Height = 160\n  end\n"
      u"end\n");
  auto* tc = Find<TTabControl>(u"tc");
  auto images = SolidImageList({0xFF0000, 0xFF0000});
  tc->SetImages(images.get());
  tc->Tabs()->Add(u"One");
  tc->Tabs()->Add(u"Two");
  tc->SetTabIndex(0);
  ShowInFront();
  skin.Manager.Effects.DiscoloredGlyphs = true;
  auto* w = Wrap<TkvTabControlWnd>(tc->Handle(), tc);
  Capture cap(260, 160);
  PrintTabs(tc->Handle(), cap);
  // Red as the image has it, but for the rounding of blending.
  auto redIn = [&](const TRect& r) {
    int n = 0;
    for (Integer x = std::max<Integer>(r.Left, 0); x < r.Right; ++x)
      for (Integer y = std::max<Integer>(r.Top, 0); y < r.Bottom; ++y) {
        const TColor c = cap.At(x, y);
        n += (c & 0xFF) >= 250 && ((c >> 8) & 0xFF) <= 4 && ((c >> 16) & 0xFF) <= 4;
      }
    return n;
  };
  EXPECT_GE(redIn(ItemRect(tc->Handle(), 0)), 100);  // the active tab
  EXPECT_EQ(redIn(ItemRect(tc->Handle(), 1)), 0);
  Unwrap(tc->Handle(), w);
  tc->SetImages(nullptr);
}

namespace {
// A tab control's answer to its pages' background query, set by the test: a colour, or a picture
// (possibly empty until the tab control is asked to paint into it). The skin commands reach a
// skinned window through its skin data's procedure, so the answer takes that place while it lives.
struct BackgroundAnswer : TObject {
  BackgroundAnswer(HWND wnd, TkvBGType type, TColor color, TBitmap* bmp)
      : wnd(wnd), sd(GetCommonData(wnd)), type(type), color(color), bmp(bmp) {
    previous = sd->WndProc;
    sd->WndProc = TWndMethod(this, &BackgroundAnswer::Proc);
    SetWindowSubclass(wnd, Paint, 1, reinterpret_cast<DWORD_PTR>(this));
  }
  ~BackgroundAnswer() override {
    RemoveWindowSubclass(wnd, Paint, 1);
    sd->WndProc = previous;
  }
  void Proc(TMessage& m) {
    if (m.Msg == SM_ALPHACMD && m.WParamHi == KV_GETBG && m.LParam) {
      auto* info = reinterpret_cast<TkvBGInfo*>(m.LParam);
      info->BgType = type;
      info->Color = color;
      info->Bmp = bmp;
      info->Offset = TPoint(0, 0);
      return;
    }
    if (previous.Assigned())
      previous(m);
    else
      m.Result = CallWindowProcW(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(wnd, GWLP_WNDPROC)), wnd, m.Msg, m.WParam,
                                 m.LParam);
  }
  static LRESULT CALLBACK Paint(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<BackgroundAnswer*>(data);
    if (msg == WM_PAINT && self->bmp && wp == reinterpret_cast<WPARAM>(self->bmp->Canvas()->Handle())) {
      ++self->paintOffers;
      if (self->paintsWhenAsked) {
        RECT r{};
        GetClientRect(wnd, &r);
        self->bmp->SetSize(r.right, r.bottom);
        HBRUSH b = CreateSolidBrush(self->paintColor);
        FillRect(self->bmp->Canvas()->Handle(), &r, b);
        DeleteObject(b);
      }
      return 0;
    }
    return DefSubclassProc(wnd, msg, wp, lp);
  }
  HWND wnd;
  TsCommonData* sd;
  TWndMethod previous;
  TkvBGType type;
  TColor color;
  TBitmap* bmp;
  bool paintsWhenAsked = false;  // fills the empty picture when sent WM_PAINT with its DC
  TColor paintColor = 0;
  int paintOffers = 0;
};

// Records the skin commands a window receives, and passes everything on.
LRESULT CALLBACK RecordCommands(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  if (msg == SM_ALPHACMD) reinterpret_cast<std::vector<Word>*>(data)->push_back(HIWORD(wp));
  return DefSubclassProc(wnd, msg, wp, lp);
}

bool Has(const std::vector<Word>& commands, Word command) {
  return std::find(commands.begin(), commands.end(), command) != commands.end();
}
}  // namespace

// Over a plain colour from the tab control, the page still shows the 3-pixel strip of the tab
// control's picture along the side of the tabs, where the page frame meets the page.
TEST_F(Tabs, PageOverAColourShowsThePictureStripAlongItsTabs) {
  ShowInFront();
  constexpr TColor kFill = 0x205020, kPicture = 0x7030A0;
  struct Case {
    DWORD style;
    POINT inStrip, pastStrip;  // relative to the page's size (negative from the far edge)
  };
  const Case cases[] = {
      {0, {50, 0}, {50, 3}},
      {TCS_BOTTOM, {50, -1}, {50, -4}},
      {TCS_VERTICAL | TCS_MULTILINE, {0, 40}, {3, 40}},
      {TCS_VERTICAL | TCS_RIGHT | TCS_MULTILINE, {-1, 40}, {-4, 40}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    HWND t = TabControl(c.style, 300, 200, {L"One", L"Two"});
    HWND page =
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 20, 30, 200, 120, t, nullptr, nullptr, nullptr);
    auto* w = Wrap<TkvPageControlWnd>(t);
    Capture whole(300, 200);
    PrintTabs(t, whole);  // the tab control is no longer waiting for its first paint
    TBitmap picture(300, 200, pf32bit);
    RECT all{0, 0, 300, 200};
    HBRUSH b = CreateSolidBrush(kPicture);
    FillRect(picture.Canvas()->Handle(), &all, b);
    DeleteObject(b);
    auto answer = std::make_unique<BackgroundAnswer>(t, btFill, kFill, &picture);
    Capture cap(200, 120);
    EXPECT_EQ(SendMessageW(page, WM_ERASEBKGND, reinterpret_cast<WPARAM>(cap.dc), 0), 1);
    auto at = [&](POINT p) { return cap.At(p.x < 0 ? 200 + p.x : p.x, p.y < 0 ? 120 + p.y : p.y); };
    EXPECT_EQ(at(c.inStrip), kPicture);
    EXPECT_EQ(at(c.pastStrip), kFill);
    EXPECT_EQ(cap.At(100, 60), kFill);
    // Without tabs the page is the plain colour.
    SendMessageW(t, TCM_DELETEALLITEMS, 0, 0);
    SendMessageW(page, WM_ERASEBKGND, reinterpret_cast<WPARAM>(cap.dc), 0);
    EXPECT_EQ(at(c.inStrip), kFill);
    answer.reset();
    Unwrap(t, w);
    DestroyWindow(t);
  }
}

// A tab control that has no picture yet is offered the empty bitmap to paint into; when it still
// paints nothing, the page paints nothing and leaves its erase unanswered.
TEST_F(Tabs, PageOffersAnEmptyPictureToItsTabControl) {
  ShowInFront();
  HWND t = TabControl(0, 300, 200, {L"One"});
  HWND page = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 20, 30, 200, 120, t, nullptr, nullptr, nullptr);
  auto* w = Wrap<TkvPageControlWnd>(t);
  Capture whole(300, 200);
  PrintTabs(t, whole);
  for (bool paints : {false, true}) {
    SCOPED_TRACE(paints);
    TBitmap picture;
    BackgroundAnswer answer(t, btCache, 0, &picture);
    answer.paintsWhenAsked = paints;
    answer.paintColor = 0x3060C0;
    Capture cap(200, 120);
    RECT all{0, 0, 200, 120};
    HBRUSH marker = CreateSolidBrush(0x00FF00);
    FillRect(cap.dc, &all, marker);
    DeleteObject(marker);
    const LRESULT result = SendMessageW(page, WM_ERASEBKGND, reinterpret_cast<WPARAM>(cap.dc), 0);
    EXPECT_EQ(answer.paintOffers, 1);
    EXPECT_EQ(result, paints ? 1 : 0);
    EXPECT_EQ(cap.At(100, 60), paints ? TColor(0x3060C0) : TColor(0x00FF00));
  }
  Unwrap(t, w);
  DestroyWindow(t);
}

// The page passes every refresh on to its children, also one for a section it does not paint
// with or from another manager; a child made on the page is reported loaded to the form.
TEST_F(Tabs, PagePassesSkinCommandsOnAndReportsChildrenMadeLater) {
  ShowInFront();
  HWND t = TabControl(0, 300, 200, {L"One"});
  HWND page = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 20, 30, 200, 120, t, nullptr, nullptr, nullptr);
  HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 5, 5, 50, 20, page, nullptr, nullptr, nullptr);
  auto* w = Wrap<TkvPageControlWnd>(t);
  ASSERT_TRUE(WndIsSkinned(page));
  std::vector<Word> got;
  ASSERT_TRUE(SetWindowSubclass(child, RecordCommands, 1, reinterpret_cast<DWORD_PTR>(&got)));
  struct Case {
    Word command;
    Word section;
    DuRiruZireziv* from;
  };
  const Case cases[] = {
      {KV_REFRESH, 0, &skin.Manager}, {KV_REFRESH, 250, &skin.Manager},  // a section that is not the page's
      {KV_REFRESH, 0, nullptr},       {KV_SETNEWSKIN, 0, &skin.Manager}, {KV_SETNEWSKIN, 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.command << " " << c.section << " " << (c.from != nullptr));
    got.clear();
    SendMessageW(page, SM_ALPHACMD, MAKEWPARAM(c.section, c.command), reinterpret_cast<LPARAM>(c.from));
    EXPECT_TRUE(Has(got, c.command));
  }
  RemoveWindowSubclass(child, RecordCommands, 1);
  // A child made later on the page: the form hears that a control was loaded.
  std::vector<Word> formGot;
  ASSERT_TRUE(SetWindowSubclass(form->Handle(), RecordCommands, 1, reinterpret_cast<DWORD_PTR>(&formGot)));
  HWND later =
      CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 5, 40, 50, 20, page, nullptr, nullptr, nullptr);
  EXPECT_TRUE(Has(formGot, KV_CONTROLLOADED));
  RemoveWindowSubclass(form->Handle(), RecordCommands, 1);
  DestroyWindow(later);
  Unwrap(t, w);
  DestroyWindow(t);
}

// The page answers its children's background query at the sheet's position in the page control.
TEST_F(Tabs, SheetAnswersBackgroundAtItsPlaceInThePageControl) {
  LoadForm(
      u"object F: TForm\n"
      u"  object pc: TPageControl\n    Left = 8\n    Top = 8\n    Width = 260\n    Height = 160\n"
      u"    object ts1: TTabSheet\n      Caption = \"One\"\n    end\n"
      u"  end\n"
      u"end\n");
  auto* pc = Find<TPageControl>(u"pc");
  auto* ts1 = Find<TTabSheet>(u"ts1");
  ShowInFront();
  auto* w = Wrap<TkvPageControlWnd>(pc->Handle(), pc);
  TBitmap picture(260, 160, pf32bit);
  auto answer = std::make_unique<BackgroundAnswer>(pc->Handle(), btCache, 0, &picture);
  TkvBGInfo info;
  SendMessageW(ts1->Handle(), SM_ALPHACMD, MAKEWPARAM(0, KV_GETBG), reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.Bmp, &picture);
  EXPECT_GT(ts1->Left() + ts1->Top(), 0);
  EXPECT_EQ(info.Offset, TPoint(ts1->Left(), ts1->Top()));
  answer.reset();
  Unwrap(pc->Handle(), w);
}
