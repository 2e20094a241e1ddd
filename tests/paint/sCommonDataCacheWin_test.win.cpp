// The corner-repainting steps of a control's skin data: recolouring a rendered bitmap, copying
// the cache around a control's or a window's children, the transparent-corner region.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "base/WorkingBitmaps.h"
#include "base/sMessages.h"
#include "paint/sCommonDataCache.h"
#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "support/Bitmap32.h"
#include "support/SkinFixture.h"
#include "ui/Canvas.h"
#include "ui/Controls.h"
#include "ui/Forms.h"

namespace {

constexpr TPoint kUntouched{-1, -1};

// Windows of the test, destroyed on every way out.
struct Windows {
  ~Windows() {
    for (auto it = made.rbegin(); it != made.rend(); ++it) DestroyWindow(*it);
  }
  HWND Make(const wchar_t* cls, DWORD style, DWORD exStyle, int x, int y, int w, int h, HWND parent) {
    HWND wnd = CreateWindowExW(exStyle, cls, L"", style, x, y, w, h, parent, nullptr, nullptr, nullptr);
    made.push_back(wnd);
    return wnd;
  }
  std::vector<HWND> made;
};

// A windowed child that tells the skin layer it paints all of itself (KV_ISOPAQUE).
class TOpaqueAnswer : public TWinControl {
 public:
  using TWinControl::TWinControl;
  void WndProc(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD && m.WParamHi == KV_ISOPAQUE) {
      m.Result = 1;
      return;
    }
    TWinControl::WndProc(m);
  }
};

void SetOpaque(TControl& c, bool opaque) {
  c.SetControlStyle(opaque ? c.ControlStyle() + TControlStyle{csOpaque} : c.ControlStyle() - TControlStyle{csOpaque});
}

}  // namespace

// ---- UpdateBmpColors -------------------------------------------------------------------------

TEST(UpdateBmpColors, ToneHueAndSaturationByTheControlsKindKeyPixelsKept) {
  const uint32_t kColour = MakePix(40, 120, 200, 255);
  struct Case {
    Byte coc;
    TColor ownTone;
    Integer toneBG;
    Integer hue, saturation;
    Integer expectedTone;  // the tone laid over, clNone for none
    Integer expectedSaturation;
  };
  const Case cases[] = {
      {0, clNone, 0x0000FF, 0, 0, clNone, 0},                 // nothing of its own; the button tone is not its
      {0, 0x0000FF, 0x00FF00, 0, 0, 0x0000FF, 0},             // its own tone
      {0, 0x000000, clNone, 0, 0, 0x000000, 0},               // black is a tone for any other control
      {COC_TsButton, 0x00FF00, 0x0000FF, 0, 0, 0x0000FF, 0},  // a button takes the background tone
      {COC_TsBitBtn, 0x00FF00, 0, 0, 0, clNone, 0},           // whose 0 means none
      {COC_TsButton, 0x00FF00, clNone, 0, 0, clNone, 0},
      {0, clNone, clNone, 60, 0, clNone, 0},     // hue alone
      {0, clNone, clNone, 0, 200, clNone, 255},  // saturation limited to 255
      {0, clNone, clNone, 0, -50, clNone, -127},
      {0, 0x00FF00, clNone, -30, 40, 0x00FF00, 102},  // all three, in that order
  };
  for (const Case& c : cases) {
    TsCommonData sd(nullptr);
    sd.COC = c.coc;
    sd.FColorTone = c.ownTone;
    sd.FHUEOffset = c.hue;
    sd.FSaturation = c.saturation;
    Bmp bmp = Filled(4, 4, kColour);
    SetAPixel(bmp.get(), 2, 1, kKeyPixel);
    UpdateBmpColors(bmp.get(), &sd, true, 0, c.toneBG);

    uint32_t expected = kColour;
    if (c.expectedTone != clNone) ChangeColorTone(expected, c.expectedTone);
    if (c.hue) ChangeColorHUE(expected, c.hue);
    if (c.expectedSaturation) ChangeColorSaturation(expected, c.expectedSaturation);
    const bool changed = c.expectedTone != clNone || c.hue || c.expectedSaturation;
    EXPECT_EQ(Px(bmp.get(), 0, 3), expected) << int(c.coc) << " " << c.ownTone << " " << c.toneBG;
    EXPECT_EQ(Px(bmp.get(), 0, 3) != kColour, changed) << int(c.coc) << " " << c.ownTone << " " << c.toneBG;
    EXPECT_EQ(Px(bmp.get(), 2, 1), kKeyPixel);
  }
}

TEST(UpdateBmpColors, RepaintsTheCornersOfTheCacheForTheState) {
  DuRiruZireziv manager{nullptr};
  manager.SkinCommonInfo.Active = true;
  manager.Palette[pcMainColor] = 0x0000FF;  // what a parent without a cache answers: red
  auto data = std::make_unique<TkvSkinData>();
  data->gd.resize(1);
  data->gd[0].BorderIndex = -1;
  data->gd[0].BorderRadius = 3;
  manager.SkinDataArray.push_back(std::move(data));
  Windows w;
  HWND parent = w.Make(L"STATIC", WS_POPUP, 0, 0, 0, 50, 50, nullptr);
  HWND child = w.Make(L"STATIC", WS_CHILD, 0, 4, 4, 10, 8, parent);
  ASSERT_TRUE(parent && child);
  TsCommonData sd(nullptr);
  sd.FSkinManager = &manager;
  sd.SkinIndex = 0;
  sd.FSWHandle = child;
  sd.FCacheBmp.reset(CreateBmp32(10, 8));
  FillRect32(sd.FCacheBmp.get(), {0, 0, 10, 8}, 0x808080, 255);
  for (TPoint p : {TPoint{0, 0}, TPoint{9, 0}, TPoint{0, 7}, TPoint{9, 7}})
    SetAPixel(sd.FCacheBmp.get(), p.X, p.Y, kKeyPixel);
  UpdateBmpColors(sd.FCacheBmp.get(), &sd, false, 0, clNone);
  for (TPoint p : {TPoint{0, 0}, TPoint{9, 0}, TPoint{0, 7}, TPoint{9, 7}})
    EXPECT_EQ(Px(sd.FCacheBmp.get(), p.X, p.Y), MakePix(0, 0, 255, 0)) << p.X << "," << p.Y;  // all four
  EXPECT_EQ(Px(sd.FCacheBmp.get(), 4, 4), MakePix(128, 128, 128, 255));
}

// ---- CopyWinControlCache -----------------------------------------------------------------------

TEST(CopyWinControlCache, CopiesAroundTheOpaqueChildrenOnly) {
  // The children have windows: a windowed control answers skin commands only through its window.
  TApplication app;
  TForm& owner = *new TForm(&app);
  owner.AfterConstruction();
  owner.SetBorderStyle(bsNone);
  owner.SetBounds(0, 0, 40, 20);
  auto& opaque = *new TWinControl(&owner);
  auto& seeThrough = *new TWinControl(&owner);
  auto& hidden = *new TWinControl(&owner);
  auto& answering = *new TOpaqueAnswer(&owner);
  auto& graphic = *new TGraphicControl(&owner);
  struct Child {
    TControl* c;
    Integer x;
    bool opaque;
  };
  const Child children[] = {
      {&opaque, 0, true}, {&seeThrough, 5, false}, {&answering, 10, false}, {&graphic, 15, false}, {&hidden, 20, true}};
  for (const Child& k : children) {
    k.c->SetBounds(k.x, 0, 5, 5);
    SetOpaque(*k.c, k.opaque);
    k.c->SetParent(&owner);
  }
  owner.HandleNeeded();
  answering.HandleNeeded();
  ASSERT_TRUE(answering.HandleAllocated());
  hidden.SetVisible(false);
  TsCommonData sd(nullptr);
  sd.FCacheBmp = CoordinatePicture(40, 20);
  const auto copy = [&](const TRect& dst, Integer ox, Integer oy) {
    Bmp out = Filled(40, 20, clWhite, 255);
    CopyWinControlCache(&owner, &sd, TRect(2, 3, 40, 20), dst, out->Canvas()->Handle(), false, ox, oy);
    return out;
  };

  ASSERT_EQ(DefaultManager, nullptr);
  Bmp out = copy(TRect(0, 0, 28, 10), 0, 0);
  EXPECT_EQ(CopiedFrom(out.get(), 2, 2), kUntouched);      // opaque by its style
  EXPECT_EQ(CopiedFrom(out.get(), 7, 2), TPoint(9, 5));    // a windowed child that is not: the cache shows
  EXPECT_EQ(CopiedFrom(out.get(), 12, 2), kUntouched);     // opaque by its answer
  EXPECT_EQ(CopiedFrom(out.get(), 17, 2), kUntouched);     // a graphic child is painted over the cache
  EXPECT_EQ(CopiedFrom(out.get(), 22, 2), TPoint(24, 5));  // a hidden one is not there
  EXPECT_EQ(CopiedFrom(out.get(), 5, 8), TPoint(7, 11));
  EXPECT_EQ(CopiedFrom(out.get(), 27, 9), TPoint(29, 12));  // the last pixel of the destination
  EXPECT_EQ(CopiedFrom(out.get(), 28, 2), kUntouched);      // and nothing past it
  EXPECT_EQ(CopiedFrom(out.get(), 2, 10), kUntouched);
  {
    DuRiruZireziv manager{nullptr};  // the default manager
    Bmp clipped = copy(TRect(0, 0, 28, 10), 0, 0);
    EXPECT_EQ(CopiedFrom(clipped.get(), 17, 2), kUntouched);
    manager.Options.StdImgTransparency = true;  // graphic children are see-through
    Bmp through = copy(TRect(0, 0, 28, 10), 0, 0);
    EXPECT_EQ(CopiedFrom(through.get(), 17, 2), TPoint(19, 5));
    EXPECT_EQ(CopiedFrom(through.get(), 2, 2), kUntouched);
  }
  // The children's bounds move by the offset.
  Bmp moved = copy(TRect(0, 0, 40, 20), 20, 5);
  EXPECT_EQ(CopiedFrom(moved.get(), 2, 2), TPoint(4, 5));
  EXPECT_EQ(CopiedFrom(moved.get(), 22, 7), kUntouched);
  EXPECT_EQ(CopiedFrom(moved.get(), 32, 7), kUntouched);
  EXPECT_EQ(CopiedFrom(moved.get(), 27, 7), TPoint(29, 10));

  sd.FCacheBmp.reset(CreateBmp32(0, 0));  // an empty cache copies nothing
  EXPECT_EQ(PixelsOf(copy(TRect(0, 0, 40, 20), 0, 0).get()), PixelsOf(Filled(40, 20, clWhite, 255).get()));
  sd.FCacheBmp.reset();
  EXPECT_EQ(PixelsOf(copy(TRect(0, 0, 40, 20), 0, 0).get()), PixelsOf(Filled(40, 20, clWhite, 255).get()));
}

TEST(CopyWinControlCache, TheDeviceContextIsGivenBack) {
  TWinControl owner(nullptr);
  owner.SetBounds(0, 0, 20, 20);
  TWinControl opaque(nullptr);
  opaque.SetBounds(0, 0, 10, 10);
  SetOpaque(opaque, true);
  opaque.SetParent(&owner);
  TsCommonData sd(nullptr);
  sd.FCacheBmp = CoordinatePicture(20, 20);
  Bmp out = Filled(20, 20, clWhite, 255);
  HDC dc = out->Canvas()->Handle();
  CopyWinControlCache(&owner, &sd, TRect(0, 0, 20, 20), TRect(5, 5, 15, 15), dc, false);
  // The clipping is gone afterwards: a fill reaches every pixel.
  const RECT all{0, 0, 20, 20};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(Px(out.get(), 2, 2) & 0xFFFFFF, 0u);
  EXPECT_EQ(Px(out.get(), 17, 17) & 0xFFFFFF, 0u);
  opaque.SetParent(nullptr);
}

// ---- CopyHwndCache ---------------------------------------------------------------------------

namespace {
// A group box that answers the height of its caption strip (KV_GETSERVICEINT).
LRESULT CALLBACK CaptionAnswer(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == SM_ALPHACMD && HIWORD(w) == KV_GETSERVICEINT) return 4;
  return CallWindowProcW(reinterpret_cast<WNDPROC>(GetPropW(wnd, L"TestOldProc")), wnd, msg, w, l);
}
}  // namespace

TEST(CopyHwndCache, LeavesOutVisibleChildWindowsAndOnlyTheFrameOfAGroupBox) {
  SkinFixture skin;
  const Integer frame = skin.AddImage(TRect(0, 0, 12, 12), 1, 0, 0, 2);
  skin.Image(frame).WL = 2;
  skin.Image(frame).WR = 3;
  skin.Image(frame).WB = 5;
  TsGeneralData box = PlainSection(u"GROUPBOX", 0, 0x808080);
  box.BorderIndex = frame;
  const Integer boxSection = skin.AddSection(box);
  skin.Manager.SkinCommonInfo.Sections.fill(-1);
  skin.Manager.SkinCommonInfo.Sections[ssGroupBox] = boxSection;

  Windows w;
  HWND parent =
      w.Make(L"STATIC", WS_POPUP | WS_VISIBLE, WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, 200, 200, 60, 40, nullptr);
  HWND plain = w.Make(L"STATIC", WS_CHILD | WS_VISIBLE, 0, 2, 2, 6, 6, parent);
  HWND hidden = w.Make(L"STATIC", WS_CHILD, 0, 10, 2, 6, 6, parent);
  HWND group = w.Make(L"BUTTON", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 0, 20, 2, 30, 30, parent);
  HWND edged = w.Make(L"BUTTON", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, WS_EX_CLIENTEDGE, 2, 12, 14, 14, parent);
  ASSERT_TRUE(parent && plain && hidden && group && edged);
  SetPropW(group, L"TestOldProc", reinterpret_cast<HANDLE>(GetWindowLongPtrW(group, GWLP_WNDPROC)));
  SetWindowLongPtrW(group, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CaptionAnswer));

  TsCommonData sd(nullptr);
  sd.FSkinManager = &skin.Manager;
  sd.FCacheBmp = CoordinatePicture(60, 40);
  const auto copy = [&](Integer ox, Integer oy) {
    Bmp out = Filled(60, 40, clWhite, 255);
    CopyHwndCache(parent, &sd, TRect(0, 0, 60, 40), TRect(0, 0, 60, 40), out->Canvas()->Handle(), false, ox, oy);
    return out;
  };
  {
    ASSERT_EQ(DefaultManager, &skin.Manager);  // the fixture's manager is the default one
    Bmp out = copy(0, 0);
    EXPECT_EQ(CopiedFrom(out.get(), 4, 4), kUntouched);      // a visible child
    EXPECT_EQ(CopiedFrom(out.get(), 12, 4), TPoint(12, 4));  // a hidden one
    EXPECT_EQ(CopiedFrom(out.get(), 8, 18), kUntouched);     // a group box with a client edge: whole
    // The group box: caption strip 4 high, left 2, right 3, bottom 5; its interior shows the cache.
    EXPECT_EQ(CopiedFrom(out.get(), 35, 5), kUntouched);
    EXPECT_EQ(CopiedFrom(out.get(), 35, 6), TPoint(35, 6));
    EXPECT_EQ(CopiedFrom(out.get(), 21, 15), kUntouched);
    EXPECT_EQ(CopiedFrom(out.get(), 22, 15), TPoint(22, 15));
    EXPECT_EQ(CopiedFrom(out.get(), 46, 15), TPoint(46, 15));
    EXPECT_EQ(CopiedFrom(out.get(), 47, 15), kUntouched);
    EXPECT_EQ(CopiedFrom(out.get(), 35, 26), TPoint(35, 26));
    EXPECT_EQ(CopiedFrom(out.get(), 35, 27), kUntouched);
    EXPECT_EQ(CopiedFrom(out.get(), 52, 15), TPoint(52, 15));  // beside it
    // The children's rectangles move against the offset.
    Bmp moved = copy(2, 2);
    EXPECT_EQ(CopiedFrom(moved.get(), 1, 1), kUntouched);
    EXPECT_EQ(CopiedFrom(moved.get(), 7, 7), TPoint(7, 7));
  }
  {
    DuRiruZireziv*& standard = DefaultManager;
    DuRiruZireziv* saved = standard;
    standard = nullptr;  // without a default manager a group box is not left out at all
    Bmp out = copy(0, 0);
    standard = saved;
    EXPECT_EQ(CopiedFrom(out.get(), 35, 5), TPoint(35, 5));
    EXPECT_EQ(CopiedFrom(out.get(), 21, 15), TPoint(21, 15));
    EXPECT_EQ(CopiedFrom(out.get(), 4, 4), kUntouched);
  }
  SetWindowLongPtrW(group, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GetPropW(group, L"TestOldProc")));
  RemovePropW(group, L"TestOldProc");
}

// ---- GetTransCornersRgn ----------------------------------------------------------------------

TEST(GetTransCornersRgn, CutsTheKeyCornerPixelsOfTheBorderOut) {
  SkinFixture skin;
  const Integer frame = skin.AddImage(TRect(0, 0, 9, 9), 1, 0, 0, 3);
  skin.Fill(frame, 0, MakePix(50, 50, 50, 255));
  skin.Put(frame, 0, 0, 0, kKeyPixel);  // top-left corner
  skin.Put(frame, 0, 1, 0, kKeyPixel);
  skin.Put(frame, 0, 8, 8, kKeyPixel);  // bottom-right corner
  TsGeneralData framed = PlainSection(u"FRAMED", 0, 0x808080);
  framed.BorderIndex = frame;
  const Integer withFrame = skin.AddSection(framed);
  const Integer noFrame = skin.AddSection(PlainSection(u"PLAIN", 0, 0x808080));

  Bmp bmp = Filled(20, 12, MakePix(1, 2, 3, 255));
  TOwnedRegion owned = GetTransCornersRgn(withFrame, bmp.get(), skin.Data);
  ASSERT_TRUE(owned);
  HRGN rgn = owned.get();
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));
  EXPECT_FALSE(PtInRegion(rgn, 1, 0));
  EXPECT_TRUE(PtInRegion(rgn, 2, 0));
  EXPECT_TRUE(PtInRegion(rgn, 0, 1));
  EXPECT_FALSE(PtInRegion(rgn, 19, 11));
  EXPECT_TRUE(PtInRegion(rgn, 18, 11));
  EXPECT_TRUE(PtInRegion(rgn, 10, 6));
  EXPECT_EQ(Px(bmp.get(), 0, 0), 0u);  // cleared: colour and alpha 0
  EXPECT_EQ(Px(bmp.get(), 1, 0), 0u);
  EXPECT_EQ(Px(bmp.get(), 19, 11), 0u);
  EXPECT_EQ(Px(bmp.get(), 2, 0), MakePix(1, 2, 3, 255));
  EXPECT_EQ(Px(bmp.get(), 10, 6), MakePix(1, 2, 3, 255));

  Bmp untouched = Filled(20, 12, MakePix(1, 2, 3, 255));
  EXPECT_FALSE(GetTransCornersRgn(noFrame, untouched.get(), skin.Data));
  EXPECT_FALSE(GetTransCornersRgn(-1, untouched.get(), skin.Data));
  EXPECT_FALSE(GetTransCornersRgn(Integer(skin.Data->gd.size()), untouched.get(), skin.Data));
  EXPECT_EQ(Px(untouched.get(), 0, 0), MakePix(1, 2, 3, 255));
}
