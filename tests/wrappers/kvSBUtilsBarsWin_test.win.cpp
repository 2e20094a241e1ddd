// Tool bars and status bars painted by their wrappers: native buttons by state, separators,
// the shared image list's background kept, long button texts read whole; the class-library
// tool bar's custom-draw stages and the application's own handler; status-bar panels, their
// frames or dividers, texts cut with an ellipsis, owner-drawn panels and the grip.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/ControlSkin.h"
#include "support/ImageLists.h"
#include "ui/ComCtrls.h"
#include "wrappers/kvSBUtilsBars.h"

namespace {

constexpr TColor kBar = 0x604020, kBtn[3] = {0x205020, 0x206020, 0x207020}, kDivider = 0x0090F0;
constexpr TColor kStatus = 0x503050, kFrame = 0x10E0E0, kGrip = 0xE010E0;

// Every TB_GETBUTTONTEXTW the wrapper sends: (command id, whether a buffer came).
std::vector<std::pair<WPARAM, bool>> gTextCalls;
WNDPROC gToolbarProc = nullptr;
LRESULT CALLBACK TextLoggingProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == TB_GETBUTTONTEXTW) gTextCalls.emplace_back(wp, lp != 0);
  return CallWindowProcW(gToolbarProc, w, m, wp, lp);
}

class Bars : public ControlSkin {
 protected:
  void SetUp() override {
    ControlSkin::SetUp();
    Section(u"BAR", {kBar});
    Section(u"TOOLBAR", {kBar});
    Section(u"TOOLBUTTON", {kBtn[0], kBtn[1], kBtn[2]});
    const Integer divider = Section(u"DIVIDER", {kDivider});
    const Integer mask = Image(4, 4, {kDivider});
    skin.Image(mask).WL = skin.Image(mask).WR = 1;
    Attach(divider, u"BORDERSMASK", mask);
    SetCursorPos(1, 1);
  }
  HWND NativeToolBar(HIMAGELIST images, const std::wstring& longText) {
    HWND t = Child(TOOLBARCLASSNAMEW, L"",
                   TBSTYLE_FLAT | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER | TBSTYLE_LIST, 10, 10, 420, 40);
    SendMessageW(t, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(t, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    TBBUTTON b[4]{};
    b[0] = {0, 100, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, reinterpret_cast<INT_PTR>(L"Open")};
    b[1] = {0, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0, 0};
    b[2] = {0, 102, 0, BTNS_BUTTON, {}, 0, reinterpret_cast<INT_PTR>(L"Off")};
    b[3] = {0, 103, TBSTATE_ENABLED | TBSTATE_PRESSED, BTNS_BUTTON, {}, 0, reinterpret_cast<INT_PTR>(longText.c_str())};
    SendMessageW(t, TB_ADDBUTTONSW, 4, reinterpret_cast<LPARAM>(b));
    SendMessageW(t, TB_SETBUTTONSIZE, 0, MAKELPARAM(60, 30));
    return t;
  }
  static HIMAGELIST SolidList(COLORREF c) {
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24, 1, 1);
    HDC screen = GetDC(nullptr);
    HBITMAP b = CreateCompatibleBitmap(screen, 16, 16);
    HDC m = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(m, b);
    HBRUSH br = CreateSolidBrush(c);
    RECT r{0, 0, 16, 16};
    FillRect(m, &r, br);
    DeleteObject(br);
    SelectObject(m, old);
    DeleteDC(m);
    ReleaseDC(nullptr, screen);
    ImageList_Add(list, b, nullptr);
    DeleteObject(b);
    return list;
  }
  static TRect ItemRect(HWND t, int i) {
    TRect r;
    SendMessageW(t, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
    return r;
  }
};

}  // namespace

TEST_F(Bars, NativeToolBarButtonsByState) {
  HIMAGELIST images = SolidList(RGB(0, 0, 255));
  HWND t = NativeToolBar(images, L"Go");
  auto* w = Wrap<TkvToolBarWnd>(t, nullptr, u"BAR");
  Capture cap(420, 40);
  Print(t, cap);
  const TRect normal = ItemRect(t, 0), sep = ItemRect(t, 1), off = ItemRect(t, 2), pressed = ItemRect(t, 3);
  EXPECT_EQ(cap.At(normal.Left + 1, normal.Top + 1), kBtn[0]);
  EXPECT_EQ(cap.At(pressed.Left + 1, pressed.Top + 1), kBtn[2]);
  const TColor blended = cap.At(off.Left + 1, off.Top + 1);
  EXPECT_NE(blended, kBtn[0]);
  EXPECT_NE(blended, kBar);
  EXPECT_EQ(cap.At(sep.Left + sep.Width() / 2, (sep.Top + sep.Bottom) / 2), kDivider);
  EXPECT_EQ(cap.At(415, 20), kBar);
  // The image of the first button.
  bool blue = false;
  for (Integer x = normal.Left; x < normal.Right; ++x)
    for (Integer y = normal.Top; y < normal.Bottom; ++y) blue = blue || cap.At(x, y) == TColor(0xFF0000);
  EXPECT_TRUE(blue);
  Unwrap(t, w);
  DestroyWindow(t);
  ImageList_Destroy(images);
}

TEST_F(Bars, SharedImageListKeepsItsBackgroundAndLongTextsAreReadWhole) {
  HIMAGELIST images = SolidList(RGB(0, 0, 255));
  ImageList_SetBkColor(images, RGB(1, 2, 3));
  const std::wstring longText(600, L'x');
  HWND t = NativeToolBar(images, longText);
  gToolbarProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(t, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TextLoggingProc)));
  auto* w = Wrap<TkvToolBarWnd>(t, nullptr, u"BAR");
  gTextCalls.clear();
  Capture cap(420, 40);
  Print(t, cap);
  EXPECT_EQ(ImageList_GetBkColor(images), RGB(1, 2, 3));
  // Each text is asked for its length before it is read.
  ASSERT_FALSE(gTextCalls.empty());
  for (size_t i = 0; i + 1 < gTextCalls.size(); i += 2) {
    EXPECT_FALSE(gTextCalls[i].second);
    EXPECT_TRUE(gTextCalls[i + 1].second);
    EXPECT_EQ(gTextCalls[i].first, gTextCalls[i + 1].first);
  }
  EXPECT_EQ(w->ButtonText(103).size(), 600u);
  EXPECT_EQ(w->ButtonText(100), String(u"Open"));
  Unwrap(t, w);
  DestroyWindow(t);
  ImageList_Destroy(images);
}

namespace {
class TDrawLog : public TObject {
 public:
  void Button(TToolBar*, TToolButton*, TCustomDrawState, TCustomDrawStage stage, TTBCustomDrawFlags&, bool&) {
    stages.push_back(stage);
  }
  std::vector<TCustomDrawStage> stages;
};
}  // namespace

TEST_F(Bars, ClassLibraryToolBarDrawsThroughItsCustomDrawStages) {
  LoadForm(
      u"object F: TForm\n  object tb: TToolBar\n    Left = 0\n    Top = 0\n    Width = 300\n"
      u"    Height = 30\n"
      u"    object b1: TToolButton\n    end\n    object b2: TToolButton\n    end\n  end\nend\n");
  auto* bar = Find<TToolBar>(u"tb");
  TDrawLog log;
  const TTBAdvancedCustomDrawBtnEvent appHandler(&log, &TDrawLog::Button);
  bar->SetOnAdvancedCustomDrawButton(appHandler);
  ShowInFront();
  auto* w = Wrap<TkvToolBarVCLWnd>(bar->Handle(), bar);
  EXPECT_EQ(w->ToolBar, bar);
  EXPECT_TRUE(w->OldDrawBtnEvent == appHandler);
  EXPECT_FALSE(bar->OnAdvancedCustomDrawButton() == appHandler);
  // Stages: only the pre-paint of the bar draws; the others draw nothing by default.
  bool dd = true;
  w->OurAdvancedCustomDraw(bar, TRect(), cdPreErase, dd);
  EXPECT_FALSE(dd);
  w->OurAdvancedCustomDraw(bar, TRect(), cdPostPaint, dd = true);
  EXPECT_FALSE(dd);
  RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
  Pump();
  RECT br{};
  GetWindowRect(bar->Handle(), &br);
  Capture cap(br.right - br.left, br.bottom - br.top);
  Grab(bar->Handle(), cap);
  auto* b1 = Find<TToolButton>(u"b1");
  EXPECT_EQ(cap.At(b1->Left() + 2, b1->Top() + 2), kBtn[0]);
  EXPECT_EQ(cap.At(200, 3), kBar);  // right of the buttons, inside the form
  // The application's handler still ran, after the skin's painting.
  EXPECT_NE(std::count(log.stages.begin(), log.stages.end(), cdPostPaint), 0);
  // Removing the skin gives the application its handler back.
  w->ProcessMessage(SM_ALPHACMD, TWParam{KV_REMOVESKIN} << 16, reinterpret_cast<TLParam>(&skin.Manager));
  EXPECT_TRUE(bar->OnAdvancedCustomDrawButton() == appHandler);
  EXPECT_FALSE(bool(bar->OnAdvancedCustomDraw()));
  Unwrap(bar->Handle(), w);
}

namespace {
class TPanelPainter : public TObject {
 public:
  void Draw(TStatusBar* bar, TStatusPanel*, const TRect& r) {
    RECT rr{r.Left, r.Top, r.Right, r.Bottom};
    HBRUSH br = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(bar->Canvas()->Handle(), &rr, br);
    DeleteObject(br);
    ++calls;
  }
  int calls = 0;
};
}  // namespace

TEST_F(Bars, StatusBarPanelsDividersTextsAndGrip) {
  Section(u"STATUSBAR", {kStatus});
  skin.Data->GripRightBottom = Image(8, 8, {kGrip});
  LoadForm(
      u"object F: TForm\n  object sb: TStatusBar\n    SizeGrip = True\n    Panels = <\n"
      u"      item\n        Text = \"One\"\n        Width = 60\n      end\n"
      u"      item\n        Text = \"A much longer text than fits\"\n        Width = 60\n      end\n"
      u"      item\n        Style = psOwnerDraw\n        Width = 80\n      end\n"
      u"      item\n        Width = 50\n      end>\n  end\nend\n");
  auto* sb = Find<TStatusBar>(u"sb");
  TPanelPainter painter;
  sb->SetOnDrawPanel(TDrawPanelEvent(&painter, &TPanelPainter::Draw));
  ShowInFront();
  auto* w = Wrap<TkvStatusBarWnd>(sb->Handle(), sb);
  EXPECT_EQ(w->PartsCount(), 4);
  RECT cr{};
  GetClientRect(sb->Handle(), &cr);
  Capture cap(cr.right, cr.bottom);
  Print(sb->Handle(), cap);
  const TRect p0 = w->PartRect(0), p1 = w->PartRect(1), p2 = w->PartRect(2);
  // A divider at the right end of every part but the last, the section elsewhere.
  EXPECT_EQ(cap.At(p0.Right - 2, cr.bottom / 2), kDivider);
  EXPECT_EQ(cap.At(p0.Left + 1, 2), kStatus);
  auto textIn = [&](const TRect& r, Integer& right) {
    bool any = false;
    right = -1;
    for (Integer x = r.Left; x < r.Right; ++x)
      for (Integer y = r.Top; y < r.Bottom; ++y)
        if (cap.At(x, y) == kText) {
          any = true;
          right = x;
        }
    return any;
  };
  Integer right = -1;
  EXPECT_TRUE(textIn(p0, right));
  EXPECT_TRUE(textIn(p1, right));
  EXPECT_LT(right, p1.Right - 4);  // cut with "..." inside its panel
  // The owner-drawn panel holds only the application's drawing.
  EXPECT_GT(painter.calls, 0);
  EXPECT_EQ(cap.At((p2.Left + p2.Right) / 2, cr.bottom / 2), TColor(0x0000FF));
  EXPECT_FALSE(textIn(p2, right));
  // The grip in the corner.
  EXPECT_EQ(cap.At(cr.right - 2, cr.bottom - 2), kGrip);
  sb->SetSizeGrip(false);
  Print(sb->Handle(), cap);
  EXPECT_NE(cap.At(cr.right - 2, cr.bottom - 2), kGrip);
  Unwrap(sb->Handle(), w);
}

TEST_F(Bars, StatusPanelFramesReplaceTheDividers) {
  const Integer section = Section(u"STATUSBAR", {kStatus});
  const Integer frame = Image(6, 6, {kFrame});
  skin.Image(frame).WL = skin.Image(frame).WT = skin.Image(frame).WR = skin.Image(frame).WB = 2;
  Attach(section, u"STATUSPANELMASK", frame);
  LoadForm(
      u"object F: TForm\n  object sb: TStatusBar\n    SizeGrip = False\n    Panels = <\n"
      u"      item\n        Width = 60\n      end\n      item\n        Width = 60\n      end>\n  end\nend\n");
  auto* sb = Find<TStatusBar>(u"sb");
  ShowInFront();
  auto* w = Wrap<TkvStatusBarWnd>(sb->Handle(), sb);
  RECT cr{};
  GetClientRect(sb->Handle(), &cr);
  Capture cap(cr.right, cr.bottom);
  Print(sb->Handle(), cap);
  const TRect p0 = w->PartRect(0);
  EXPECT_EQ(cap.At(p0.Left + 1, (p0.Top + p0.Bottom) / 2), kFrame);
  EXPECT_EQ(cap.At(p0.Right - 2, (p0.Top + p0.Bottom) / 2), kFrame);
  EXPECT_NE(cap.At(p0.Right - 2, (p0.Top + p0.Bottom) / 2), kDivider);
  Unwrap(sb->Handle(), w);
}

TEST_F(Bars, NoHandleLeaksOverPaintsAndAttachCycles) {
  Section(u"STATUSBAR", {kStatus});
  HIMAGELIST images = SolidList(RGB(0, 0, 255));
  HWND t = NativeToolBar(images, L"Go");
  LoadForm(
      u"object F: TForm\n  object sb: TStatusBar\n    Panels = <\n      item\n        Text = \"One\"\n"
      u"        Width = 60\n      end>\n  end\nend\n");
  auto* sb = Find<TStatusBar>(u"sb");
  ShowInFront();
  Capture cap(420, 40);
  ExpectNoLeaks([&] {
    auto* w = Wrap<TkvToolBarWnd>(t, nullptr, u"BAR");
    auto* s = Wrap<TkvStatusBarWnd>(sb->Handle(), sb);
    Print(t, cap);
    Print(sb->Handle(), cap);
    Unwrap(t, w);
    Unwrap(sb->Handle(), s);
  });
  DestroyWindow(t);
  ImageList_Destroy(images);
}

// A class-library bar's hot button shows the image of the bar's hot images, a button at rest the
// one of its images.
TEST_F(Bars, HotToolButtonShowsTheHotImage) {
  LoadForm(
      u"object F: TForm\n  object tb: TToolBar\n    Left = 0\n    Top = 0\n    Width = 300\n"
      u"    Height = 30\n    object b1: TToolButton\n    end\n  end\nend\n");
  auto* bar = Find<TToolBar>(u"tb");
  auto plain = SolidImageList({0xFF0000});
  auto hot = SolidImageList({0x00FF00});
  bar->SetImages(plain.get());
  bar->SetHotImages(hot.get());
  auto* b1 = Find<TToolButton>(u"b1");
  b1->SetImageIndex(0);
  ShowInFront();
  auto* w = Wrap<TkvToolBarVCLWnd>(bar->Handle(), bar);
  auto paint = [&](TCustomDrawState state) {
    auto cap = std::make_unique<Capture>(300, 40);
    TCanvas* canvas = bar->Canvas();
    HDC old = canvas->HandleAllocated() ? canvas->Handle() : nullptr;
    canvas->SetHandle(cap->dc);
    TTBCustomDrawFlags flags;
    bool dd = false;
    w->OurAdvancedCustomDrawButton(bar, b1, state, cdPrePaint, flags, dd);
    canvas->SetHandle(old);
    int red = 0, green = 0;
    for (Integer x = b1->Left(); x < b1->Left() + b1->Width(); ++x)
      for (Integer y = b1->Top(); y < b1->Top() + b1->Height(); ++y) {
        // The images' colours but for the rounding of blending.
        const TColor c = cap->At(x, y);
        const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
        red += r >= 250 && g <= 4 && b <= 4;
        green += g >= 250 && r <= 4 && b <= 4;
      }
    return std::make_pair(red, green);
  };
  const auto atRest = paint(TCustomDrawState{});
  EXPECT_GE(atRest.first, 100);
  EXPECT_EQ(atRest.second, 0);
  const auto hotLook = paint(TCustomDrawState{cdsHot});
  EXPECT_EQ(hotLook.first, 0);
  EXPECT_GE(hotLook.second, 100);
  Unwrap(bar->Handle(), w);
  bar->SetHotImages(nullptr);
  bar->SetImages(nullptr);
}

namespace {
// Pixels of colour c in r.
int CountColor(const Capture& cap, const TRect& r, TColor c) {
  int n = 0;
  for (Integer x = r.Left; x < r.Right; ++x)
    for (Integer y = r.Top; y < r.Bottom; ++y) n += cap.At(x, y) == c;
  return n;
}
}  // namespace

// A native bar whose own look is see-through writes its resting captions in the font colour of
// the window under it; hot and pressed buttons keep the tool button's colours.
TEST_F(Bars, NativeCaptionsOfASeeThroughBarTakeTheParentsFontColour) {
  constexpr TColor kUnder = 0x2020E0, kOwn = 0xE02020, kPressed = 0x20E0E0;
  const Integer seeThrough = Section(u"SEETHROUGH", {kBar});
  for (auto& look : skin.Section(seeThrough).Props) {
    look.Transparency = 100;
    look.FontColor.Color = Integer(kOwn);
  }
  const Integer under = Section(u"PANEL", {0x303030});
  for (auto& look : skin.Section(under).Props) look.FontColor.Color = Integer(kUnder);
  for (auto& look : skin.Section(skin.Data->GetSkinIndex(u"TOOLBUTTON")).Props)
    look.FontColor.Color = Integer(kPressed);
  skin.Data->Reindex();
  HWND panel = Child(L"STATIC", L"", 0, 0, 0, 440, 60);
  auto* pw = Wrap<TkvMainWnd>(panel, nullptr, u"PANEL");
  HWND t = CreateWindowExW(
      0, TOOLBARCLASSNAMEW, L"",
      WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER | TBSTYLE_LIST, 10, 10,
      420, 40, panel, nullptr, nullptr, nullptr);
  SendMessageW(t, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  TBBUTTON b[2]{};
  b[0] = {I_IMAGENONE, 100, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, reinterpret_cast<INT_PTR>(L"Open")};
  b[1] = {I_IMAGENONE, 101, TBSTATE_ENABLED | TBSTATE_PRESSED, BTNS_BUTTON, {}, 0, reinterpret_cast<INT_PTR>(L"Save")};
  SendMessageW(t, TB_ADDBUTTONSW, 2, reinterpret_cast<LPARAM>(b));
  SendMessageW(t, TB_SETBUTTONSIZE, 0, MAKELPARAM(60, 30));
  auto* w = Wrap<TkvToolBarWnd>(t, nullptr, u"SEETHROUGH");
  Capture cap(420, 40);
  Print(t, cap);
  const TRect resting = ItemRect(t, 0), pressed = ItemRect(t, 1);
  EXPECT_GT(CountColor(cap, resting, kUnder), 5);
  EXPECT_EQ(CountColor(cap, resting, kOwn), 0);
  EXPECT_GT(CountColor(cap, pressed, kPressed), 5);
  EXPECT_EQ(CountColor(cap, pressed, kUnder), 0);
  Unwrap(t, w);
  DestroyWindow(t);
  Unwrap(panel, pw);
}

// The manager's main font replaces the face of the bar's own font in the captions: the caption
// is the text written in that face at the bar's font size.
TEST_F(Bars, NativeCaptionsTakeTheManagersMainFont) {
  const Integer section = skin.Data->GetSkinIndex(u"BAR");
  for (auto& look : skin.Section(section).Props) look.FontColor.Color = Integer(0x0000FF);
  skin.Data->Reindex();
  HWND t = Child(TOOLBARCLASSNAMEW, L"", TBSTYLE_FLAT | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER | TBSTYLE_LIST,
                 10, 10, 420, 40);
  SendMessageW(t, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  TBBUTTON b{I_IMAGENONE, 100, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, reinterpret_cast<INT_PTR>(L"Wide caption")};
  SendMessageW(t, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&b));
  SendMessageW(t, TB_SETBUTTONSIZE, 0, MAKELPARAM(160, 30));
  LOGFONTW barFont{};
  barFont.lfHeight = -13;
  wcscpy_s(barFont.lfFaceName, L"DejaVu Sans");
  HFONT font = CreateFontIndirectW(&barFont);
  SendMessageW(t, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  auto* w = Wrap<TkvToolBarWnd>(t, nullptr, u"BAR");
  const TRect item = ItemRect(t, 0);
  // The caption's ink in the given face at the bar's font size, written as a plain block.
  auto reference = [&](const wchar_t* face) {
    LOGFONTW lf = barFont;
    if (face) wcscpy_s(lf.lfFaceName, face);
    Capture ref(item.Width(), item.Height());
    HFONT f = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(ref.dc, f);
    SetBkMode(ref.dc, TRANSPARENT);
    SetTextColor(ref.dc, RGB(255, 0, 0));
    RECT r{0, 0, LONG(item.Width()), LONG(item.Height())};
    DrawTextW(ref.dc, L"Wide caption", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(ref.dc, old);
    DeleteObject(f);
    return CountColor(ref, TRect(0, 0, item.Width(), item.Height()), 0x0000FF);
  };
  const int plainInk = reference(nullptr), serifInk = reference(L"DejaVu Serif");
  ASSERT_NE(plainInk, serifInk);  // the two faces tell apart
  Capture cap(420, 40);
  Print(t, cap);
  EXPECT_EQ(CountColor(cap, item, 0x0000FF), plainInk);
  skin.Manager.Fonts.MainMode = fmCustom;
  skin.Manager.Fonts.MainFont = u"DejaVu Serif";
  Print(t, cap);
  EXPECT_EQ(CountColor(cap, item, 0x0000FF), serifInk);
  skin.Manager.Fonts.MainMode = fmDefault;
  Unwrap(t, w);
  DestroyWindow(t);
  DeleteObject(font);
}
