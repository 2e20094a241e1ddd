// Static texts, bitmap statics, statics with an edge, links and the class library's static
// text painted by their wrappers from a flat skin.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "support/ControlSkin.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtilsStatics.h"

namespace {

constexpr TColor kBack = 0x605040, kEdge = 0x2080C0, kLow = 0x101080, kGroup = 0x108010;

class Statics : public ControlSkin {
 protected:
  void SetUp() override {
    ControlSkin::SetUp();
    Section(u"TRANSPARENT", {kBack});
    Section(u"EDIT", {kEdge});
    Section(u"PANEL_LOW", {kLow});
    Section(u"GROUPBOX", {kGroup});
  }
  // The columns that hold text pixels.
  static std::vector<bool> TextColumns(const Capture& cap, Integer w, Integer h) {
    std::vector<bool> cols(size_t(w), false);
    for (Integer x = 0; x < w; ++x)
      for (Integer y = 0; y < h; ++y)
        if (cap.At(x, y) == kText) cols[size_t(x)] = true;
    return cols;
  }
  // A w x h bitmap of one colour: 24 bits, or 32 bits with that alpha.
  static HBITMAP SolidBitmap(Integer w, Integer h, COLORREF c, int bits = 24, Byte alpha = 255) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = WORD(bits);
    void* bits0 = nullptr;
    HBITMAP b = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits0, nullptr, 0);
    const Integer stride = bits == 32 ? w * 4 : ((w * 3 + 3) & ~3);
    auto* p = static_cast<Byte*>(bits0);
    for (Integer y = 0; y < h; ++y)
      for (Integer x = 0; x < w; ++x) {
        Byte* px = p + y * stride + x * (bits / 8);
        px[0] = GetBValue(c);
        px[1] = GetGValue(c);
        px[2] = GetRValue(c);
        if (bits == 32) px[3] = alpha;
      }
    return b;
  }
};

}  // namespace

TEST_F(Statics, TextOverTheSectionLeftOrRightAligned) {
  HWND left = Child(L"STATIC", L"WW", SS_LEFT, 10, 10, 100, 20);
  HWND right = Child(L"STATIC", L"WW", SS_LEFT, 10, 40, 100, 20, WS_EX_RIGHT);
  auto* wl = Wrap<TkvStaticWnd>(left);
  auto* wr = Wrap<TkvStaticWnd>(right);
  Capture cap(100, 20);
  Print(left, cap);
  EXPECT_EQ(cap.At(99, 0), kBack);
  auto cols = TextColumns(cap, 100, 20);
  EXPECT_TRUE(cols[1] || cols[2] || cols[3]);
  EXPECT_FALSE(cols[90]);
  Print(right, cap);
  cols = TextColumns(cap, 100, 20);
  EXPECT_FALSE(cols[2]);
  EXPECT_TRUE(cols[97] || cols[96] || cols[98]);
  Unwrap(left, wl);
  Unwrap(right, wr);
}

TEST_F(Statics, StaticGrowsToItsMeasuredText) {
  HWND h = Child(L"STATIC", L"A long caption for a narrow static", SS_LEFT, 10, 10, 20, 4);
  auto* w = Wrap<TkvStaticWnd>(h);
  RECT r{};
  GetWindowRect(h, &r);
  EXPECT_GT(r.bottom - r.top, 4);
  Unwrap(h, w);
}

TEST_F(Statics, BitmapStaticDrawsThePictureItHoldsNow) {
  HWND h = Child(L"STATIC", L"", SS_BITMAP | SS_REALSIZECONTROL, 10, 10, 40, 30);
  HBITMAP red = SolidBitmap(40, 30, RGB(255, 0, 0));
  SendMessageW(h, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(red));
  auto* w = Wrap<TkvIconWnd>(h);
  EXPECT_TRUE(w->IsBmp);
  Capture cap(40, 30);
  Print(h, cap);
  EXPECT_EQ(cap.At(20, 15), TColor(0x0000FF));
  // Another picture, the first deleted: the next paint shows the new one.
  HBITMAP blue = SolidBitmap(40, 30, RGB(0, 0, 255));
  HBITMAP old = reinterpret_cast<HBITMAP>(SendMessageW(h, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(blue)));
  if (old) DeleteObject(old);
  DeleteObject(red);
  Print(h, cap);
  EXPECT_EQ(cap.At(20, 15), TColor(0xFF0000));
  // A 32-bit picture is laid over the background with its alpha: opaque pixels cover it.
  HBITMAP opaque = SolidBitmap(40, 30, RGB(0, 255, 0), 32, 255);
  old = reinterpret_cast<HBITMAP>(SendMessageW(h, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(opaque)));
  if (old && old != blue) DeleteObject(old);
  Print(h, cap);
  const TColor c = cap.At(20, 15);  // copied with the engine's 1 % blend
  EXPECT_GE((c >> 8) & 0xFF, 0xF8u);
  EXPECT_LE(c & 0xFF, 4u);
  EXPECT_LE((c >> 16) & 0xFF, 4u);
  Unwrap(h, w);
  DestroyWindow(h);
  DeleteObject(blue);
  DeleteObject(opaque);
}

TEST_F(Statics, EdgeStaticGetsATwoPixelSkinnedFrame) {
  HWND h = Child(L"STATIC", L"", SS_BITMAP | SS_REALSIZECONTROL, 10, 10, 40, 30, WS_EX_STATICEDGE);
  HBITMAP green = SolidBitmap(40, 30, RGB(0, 255, 0));
  SendMessageW(h, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(green));
  auto* w = Wrap<TkvEdgeWnd>(h, nullptr, u"EDIT");
  RECT r{};
  GetWindowRect(h, &r);
  Capture cap(r.right - r.left, r.bottom - r.top);
  Print(h, cap, PRF_CLIENT | PRF_NONCLIENT);
  EXPECT_EQ(cap.At(0, 0), kEdge);
  EXPECT_EQ(cap.At(1, 10), kEdge);
  Unwrap(h, w);
  DestroyWindow(h);
  DeleteObject(green);
}

TEST_F(Statics, LinkTagsOfAnyCaseAreNotDrawn) {
  HWND tagged = Child(L"STATIC", L"<a href=\"x\">WWW</A>", SS_LEFT, 10, 10, 120, 20);
  HWND plain = Child(L"STATIC", L"WWW", SS_LEFT, 10, 40, 120, 20);
  auto* wt = Wrap<TkvLinkWnd>(tagged);
  auto* wp = Wrap<TkvLinkWnd>(plain);
  Capture a(120, 20), b(120, 20);
  Print(tagged, a);
  Print(plain, b);
  const auto ca = TextColumns(a, 120, 20), cb = TextColumns(b, 120, 20);
  EXPECT_EQ(ca, cb);
  EXPECT_NE(std::count(cb.begin(), cb.end(), true), 0);
  // Underlined: one row of text colour runs along most of the text.
  Integer longest = 0;
  for (Integer y = 0; y < 20; ++y) {
    Integer run = 0;
    for (Integer x = 0; x < 120; ++x) {
      run = b.At(x, y) == kText ? run + 1 : 0;
      longest = std::max(longest, run);
    }
  }
  EXPECT_GT(longest, 15);
  Unwrap(tagged, wt);
  Unwrap(plain, wp);
}

namespace {
int gLinkClicks = 0;
LRESULT CALLBACK LinkParentProc(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(l)->code == NM_CLICK) ++gLinkClicks;
  return DefWindowProcW(wnd, msg, w, l);
}
}  // namespace

TEST_F(Statics, SkinnedLinkStillReportsClicks) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LINK_CLASS};
  InitCommonControlsEx(&icc);
  WNDCLASSW wc{};
  wc.lpfnWndProc = LinkParentProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TwLinkParent";
  RegisterClassW(&wc);
  HWND parent = CreateWindowExW(WS_EX_TOPMOST, L"TwLinkParent", L"", WS_POPUP | WS_VISIBLE, 100, 100, 200, 80, nullptr,
                                nullptr, nullptr, nullptr);
  windows.push_back(parent);
  HWND link = CreateWindowExW(0, WC_LINK, L"<a>Click</a>", WS_CHILD | WS_VISIBLE, 10, 10, 150, 24, parent, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(link, nullptr);
  auto* w = Wrap<TkvLinkWnd>(link);
  UpdateWindow(parent);
  Pump();
  gLinkClicks = 0;
  SetForegroundWindow(parent);
  ClickAt(TPoint(100 + 10 + 8, 100 + 10 + 8));
  for (int i = 0; i < 20 && gLinkClicks == 0; ++i) {
    Sleep(10);
    Pump();
  }
  EXPECT_EQ(gLinkClicks, 1);
  // The painting on screen is the skin's.
  Capture cap(150, 24);
  Grab(link, cap);
  EXPECT_EQ(cap.At(149, 23), kBack);
  Unwrap(link, w);
}

TEST_F(Statics, StaticTextSectionByBevels) {
  LoadForm(
      u"object F: TForm\n"
      u"  object a: TStaticText\n    Left = 8\n    Top = 8\n    AutoSize = False\n    Width = 80\n"
      u"    Height = 24\n    Caption = \"WW\"\n    BevelKind = bkTile\n    BevelOuter = bvLowered\n"
      u"    BevelInner = bvRaised\n  end\n"
      u"  object b: TStaticText\n    Left = 8\n    Top = 40\n    AutoSize = False\n    Width = 80\n"
      u"    Height = 24\n    Caption = \"WW\"\n    BevelKind = bkTile\n    BevelOuter = bvLowered\n"
      u"    BevelInner = bvNone\n  end\n"
      u"  object c: TStaticText\n    Left = 8\n    Top = 70\n    AutoSize = False\n    Width = 80\n"
      u"    Height = 24\n    Caption = \"WW\"\n  end\n"
      u"end\n");
  const struct {
    const char16_t* name;
    const char16_t* section;
    TColor color;
  } cases[] = {{u"a", u"GROUPBOX", kGroup}, {u"b", u"PANEL_LOW", kLow}, {u"c", u"TRANSPARENT", kBack}};
  for (const auto& k : cases) {
    auto* st = Find<TStaticText>(k.name);
    EXPECT_EQ(BevelSection(st), String(k.section));
    auto* w = Wrap<TkvStaticTextWnd>(st->Handle(), st);
    EXPECT_EQ(w->SkinData->SkinSection(), String(k.section));
    RECT r{};
    GetWindowRect(st->Handle(), &r);
    Capture cap(r.right - r.left, r.bottom - r.top);
    Print(st->Handle(), cap, PRF_CLIENT | PRF_NONCLIENT);
    EXPECT_EQ(cap.At(r.right - r.left - 1, r.bottom - r.top - 1), k.color);
    EXPECT_EQ(cap.At(r.right - r.left - 5, r.bottom - r.top - 5), k.color);
    Unwrap(st->Handle(), w);
  }
}

TEST_F(Statics, NoHandleLeaksOverPaintsAndAttachCycles) {
  HWND text = Child(L"STATIC", L"Caption", SS_LEFT, 10, 10, 100, 20);
  HWND link = Child(L"STATIC", L"<A>link</A>", SS_LEFT, 10, 40, 100, 20);
  HWND pic = Child(L"STATIC", L"", SS_BITMAP | SS_REALSIZECONTROL, 10, 70, 40, 30);
  HBITMAP red = SolidBitmap(40, 30, RGB(255, 0, 0));
  SendMessageW(pic, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(red));
  Capture cap(100, 30);
  ExpectNoLeaks([&] {
    auto* a = Wrap<TkvStaticWnd>(text);
    auto* b = Wrap<TkvLinkWnd>(link);
    auto* c = Wrap<TkvIconWnd>(pic);
    Print(text, cap);
    Print(link, cap);
    Print(pic, cap);
    Unwrap(text, a);
    Unwrap(link, b);
    Unwrap(pic, c);
  });
  DestroyWindow(pic);
  DeleteObject(red);
}
