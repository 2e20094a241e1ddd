// The captionless look of a skinned form (UWPMode): the client area alone with the skin's window
// shadow stretched around it when an outer border window shows the form, or a thin frame in the
// form's own window without one; its shadow margins, the picture handed to UpdateLayeredWindow
// read at chosen pixels, the window region and the top sizing band, the client made opaque in
// pictures of the form, and the border style given back when the look is switched off. Also the
// frame an outer window draws from the skin's extended-border image (BORDERMODE 1) beside the
// plain shadow frame (BORDERMODE 0), and the rounded frame corners' edge colour.
#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "forms/sSkinProviderMotion.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/MaskImages.h"
#include "raster/kvgpUtils.h"
#include "skin/sVclUtils.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"
#include "support/ShadowTemplate.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"

using namespace formskin;

namespace {

constexpr Integer kTpl = 9;

uint32_t TemplatePixel(Integer x, Integer y, uint32_t tone) { return shadowtpl::Pixel(x, y, tone); }
std::unique_ptr<TBitmap> Template(uint32_t tone) { return shadowtpl::Make(kTpl, tone); }

// The skin's own border image of size x size pixels, one state, its pixels those of a shadow
// template of the given tone (as the shadow templates are cut from it).
Integer BorderImage(SkinFixture& skin, Integer size, Integer drawMode, Integer margins, uint32_t tone) {
  const Integer img = skin.AddImage(TRect(200, 0, 200 + size, size), 1, 0, drawMode, margins);
  for (Integer y = 0; y < size; ++y)
    for (Integer x = 0; x < size; ++x) skin.Put(img, 0, x, y, TemplatePixel(x, y, tone));
  return img;
}

// A form of the tests' skin with the captionless look, shown through an outer border window
// (outer) or in its own window.
class Captionless : public SkinnedForm {
 protected:
  void Prepare(bool outer, bool captionless = true, const std::function<void(TkvSkinData&)>& adjust = {}) {
    recorder.emplace();
    layered::updates.clear();
    DuRiruZireziv& m = skin->skin.Manager;
    m.SetExtendedBorders(outer);
    TkvSkinData& d = *skin->skin.Data;
    d.ExTitleHeight = 30;
    d.ExBorderWidth = 4;
    d.FormShadowSize = TRect(10, 8, 12, 14);
    d.ShdaTemplate = Template(0x11);
    d.ShdiTemplate = Template(0x22);
    // The window shadow the captionless look stretches around the client.
    d.WndShadowSize = 6;
    d.WndShadowOffset = 2;
    d.rsta = Template(0x33);
    d.rsti = Template(0x44);
    if (adjust) adjust(d);
    form->SetPosition(poDesigned);
    form->SetBorderStyle(bsSizeable);
    form->SetBounds(120, 110, 300, 200);
    SetCursorPos(0, 0);
    Skin();
    if (captionless) sp->SetBoolean(4, true);
    ShowForm();
    SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  }
  void TearDown() override {
    SkinnedForm::TearDown();
    recorder.reset();
  }
  // The bounding box of a window's region; empty without one.
  static TRect RegionBox(HWND h) {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    RECT box{};
    if (GetWindowRgn(h, rgn) != ERROR) GetRgnBox(rgn, &box);
    DeleteObject(rgn);
    return TRect(box.left, box.top, box.right, box.bottom);
  }
  const layered::UpdateCall* LastUpdate(HWND wnd) {
    for (auto it = layered::updates.rbegin(); it != layered::updates.rend(); ++it)
      if (it->wnd == wnd) return &*it;
    return nullptr;
  }
  std::optional<layered::LayeredCalls> recorder;
};

TEST_F(Captionless, ItsShadowMarginsComeFromTheSkinsWindowShadow) {
  Prepare(true);
  ASSERT_TRUE(sp->BorderForm);
  TkvSkinData& d = *skin->skin.Data;
  struct Case {
    Integer size, offset;
    TRect expected;
  };
  // Left and right the size; the top less and the bottom more by the offset, never below 0.
  for (const Case c : {Case{6, 2, TRect(6, 4, 6, 8)}, Case{3, 5, TRect(3, 0, 3, 8)}, Case{0, -2, TRect(0, 2, 0, 0)}}) {
    d.WndShadowSize = c.size;
    d.WndShadowOffset = c.offset;
    // Made again from the changed skin, as a new skin makes them.
    for (auto& t : sp->UWPTemplates) t.reset();
    sp->BorderForm->ShadowTemplate = nullptr;
    EXPECT_EQ(sp->ShadowSize(), c.expected) << c.size << "," << c.offset;
  }
  // The plain look takes the skin's frame shadow.
  sp->FUWPMode = false;
  EXPECT_EQ(sp->ShadowSize(), TRect(10, 8, 12, 14));
  // Without an outer border there is no shadow at all.
  sp->InitExBorders(false);
  sp->FUWPMode = true;
  EXPECT_EQ(sp->ShadowSize(), TRect());
}

TEST_F(Captionless, TheBorderWindowShowsTheClientInTheStretchedWindowShadow) {
  Prepare(true);
  ASSERT_TRUE(sp->BorderForm);
  const HWND bw = sp->BorderForm->LayeredWindow();
  ASSERT_TRUE(bw);
  const layered::UpdateCall* c = LastUpdate(bw);
  ASSERT_NE(c, nullptr);
  const TRect shadow = sp->ShadowSize();
  ASSERT_EQ(shadow, TRect(6, 4, 6, 8));
  const TRect client = sp->UWPClientRect();
  EXPECT_EQ(client.Width(), form->ClientWidth());
  EXPECT_EQ(client.Height(), form->ClientHeight());
  EXPECT_EQ(client.Left, sp->OffsetX());
  EXPECT_EQ(client.Top, sp->OffsetY());
  // The window shadow's corners at the corners of the client grown by the margins, its sides
  // stretched along the client; the active look's template.
  const Integer l = client.Left - shadow.Left, t = client.Top - shadow.Top;
  const Integer r = client.Right + shadow.Right - 1, b = client.Bottom + shadow.Bottom - 1;
  EXPECT_EQ(c->At(l, t), TemplatePixel(0, 0, 0x33));
  EXPECT_EQ(c->At(r, b), TemplatePixel(8, 8, 0x33));
  EXPECT_EQ(c->At((l + r) / 2, t), TemplatePixel(4, 0, 0x33));
  EXPECT_EQ(c->At(l, (t + b) / 2), TemplatePixel(0, 4, 0x33));
  // No title: where the plain look has its title strip the picture is clear, and everything
  // outside the shadow too.
  EXPECT_EQ(c->At((l + r) / 2, t - 1), 0u);
  EXPECT_EQ(c->At(0, 0), 0u);
  EXPECT_EQ(c->At(c->size.cx - 1, c->size.cy - 1), 0u);
  // The client itself, opaque in the client colour.
  EXPECT_EQ(c->At((client.Left + client.Right) / 2, (client.Top + client.Bottom) / 2),
            0xFF000000u | RgbOfColor(kClientActive));
  // The inactive look takes the inactive shadow.
  SendMessageW(form->Handle(), WM_NCACTIVATE, FALSE, 0);
  c = LastUpdate(bw);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->At(l, t), TemplatePixel(0, 0, 0x44));
}

TEST_F(Captionless, WithoutABorderWindowTheFormShowsAThinFrameAroundItsClient) {
  Prepare(false);
  ASSERT_FALSE(sp->BorderForm);
  ASSERT_TRUE(sp->UWPNoBorderMode());
  const HWND h = form->Handle();
  POINT origin{0, 0};
  ClientToScreen(h, &origin);
  RECT wr{};
  GetWindowRect(h, &wr);
  const Integer ox = origin.x - wr.left, oy = origin.y - wr.top;
  const TRect client = sp->UWPClientRect();
  // The client grown by the 2-pixel frame of a sizeable form.
  EXPECT_EQ(client, TRect(ox - 2, oy - 2, ox + form->ClientWidth() + 2, oy + form->ClientHeight() + 2));
  // The window region is that rectangle.
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(h, rgn), ERROR);
  RECT box{};
  GetRgnBox(rgn, &box);
  DeleteObject(rgn);
  EXPECT_EQ(TRect(box.left, box.top, box.right, box.bottom), client);
  // The picture: the frame in the skin's border colour, the client's colour inside, nothing
  // outside (no title).
  sp->FCommonData->BGChanged = true;
  sp->PaintAll();
  const TPixelView v = sp->FCommonData->FCacheBmp->View();
  const TColor border = skin->skin.Manager.Palette[pcBorder];
  const Integer midX = (client.Left + client.Right) / 2, midY = (client.Top + client.Bottom) / 2;
  for (const TPoint p : {TPoint(midX, client.Top), TPoint(midX, client.Top + 1), TPoint(client.Left, midY),
                         TPoint(client.Right - 1, midY), TPoint(midX, client.Bottom - 2)})
    EXPECT_EQ(v.At(p.X, p.Y) & 0xFFFFFF, RgbOfColor(border)) << p.X << "," << p.Y;
  EXPECT_EQ(v.At(midX, client.Top + 2) & 0xFFFFFF, RgbOfColor(kClientActive));
  EXPECT_EQ(v.At(midX, client.Top - 1), 0u);
  EXPECT_EQ(v.At(0, 0), 0u);
  EXPECT_EQ(v.At(client.Right, midY), 0u);
  // The band above the client sizes the form from its top; the plain look has its caption
  // there.
  RECT sr{};
  GetWindowRect(h, &sr);
  TMessage top = MakeMessage(WM_NCHITTEST, 0, PointToLParam(sr.left + midX, sr.top + client.Top));
  EXPECT_EQ(sp->HTProcess(top), HTTOP);
  sp->FUWPMode = false;
  EXPECT_EQ(sp->HTProcess(top), HTCAPTION);
}

TEST_F(Captionless, AMaximizedFormLosesItsCaptionBitsAndGetsThemBackOnMinimize) {
  Prepare(false);
  const HWND h = form->Handle();
  ASSERT_TRUE(GetWindowLongW(h, GWL_STYLE) & WS_CAPTION);
  sp->UWPCaptionUpdate(true);
  EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & WS_CAPTION, 0);
  sp->UWPCaptionUpdate(false);
  EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & WS_CAPTION, LONG(WS_CAPTION));
  // The plain look keeps its caption whatever is asked.
  sp->FUWPMode = false;
  sp->UWPCaptionUpdate(true);
  EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & WS_CAPTION, LONG(WS_CAPTION));
}

TEST_F(Captionless, SwitchingTheLookOffGivesTheTakenBorderStyleBackOnce) {
  Prepare(false);
  // As the system blur leaves it: the border style taken away and kept.
  sp->FluentBorderStyle = bsSizeable;
  form->SetBorderStyle(bsNone);
  sp->SetBoolean(4, false);
  EXPECT_FALSE(sp->FUWPMode);
  EXPECT_FALSE(sp->FluentUWPMode);
  EXPECT_EQ(form->BorderStyle(), bsSizeable);
  EXPECT_EQ(sp->FluentBorderStyle, bsNone);
  // Once: a border style taken later by someone else stays as it is.
  form->SetBorderStyle(bsNone);
  sp->SetBoolean(4, true);
  sp->SetBoolean(4, false);
  EXPECT_EQ(form->BorderStyle(), bsNone);
}

TEST_F(Captionless, SwitchingTheLookRenewsTheRegionAndThePicture) {
  Prepare(false);
  const HWND h = form->Handle();
  const TRect captionless = RegionBox(h);
  EXPECT_EQ(captionless, sp->UWPClientRect());
  sp->SetBoolean(4, false);
  // The plain look's region is the skin's shape over the whole window.
  const TRect plain = RegionBox(h);
  EXPECT_EQ(plain, TRect(0, 0, form->Width(), form->Height()));
  sp->SetBoolean(4, true);
  EXPECT_EQ(RegionBox(h), captionless);
}

TEST_F(Captionless, TheClientOfAPictureBecomesOpaqueWithABorderWindowOnly) {
  Prepare(true);
  ASSERT_TRUE(sp->BorderForm);
  const TBitmap* cache = sp->FCommonData->FCacheBmp.get();
  ASSERT_NE(cache, nullptr);
  auto clear = [&] {
    auto bmp = std::make_unique<TBitmap>(cache->Width(), cache->Height(), pf32bit);
    FillRect32(bmp.get(), TRect(0, 0, bmp->Width(), bmp->Height()), 0x102030, 0);
    return bmp;
  };
  const Integer ox = sp->OffsetX(), oy = sp->OffsetY(), cw = form->ClientWidth();
  auto picture = clear();
  const uint32_t colour = picture->View().At(0, 0);
  sp->FillAlphaClient(picture.get());
  TPixelView v = picture->View();
  EXPECT_EQ(v.At(ox, oy) >> 24, 0xFFu);
  EXPECT_EQ(v.At(ox + cw - 1, oy) >> 24, 0xFFu);
  EXPECT_EQ(v.At(ox - 1, oy) >> 24, 0u);
  EXPECT_EQ(v.At(ox + cw, oy) >> 24, 0u);
  EXPECT_EQ(v.At(ox, oy - 1) >> 24, 0u);
  // The colour stays; only the alpha is set.
  EXPECT_EQ(v.At(ox, oy) & 0xFFFFFF, colour);
  // The picture of the whole form made for the minimize flight keeps the shadow's alpha and
  // has its client opaque.
  std::unique_ptr<TBitmap> image = GetFormImage(sp, false);
  ASSERT_TRUE(image);
  const TRect shadow = sp->ShadowSize(), client = sp->UWPClientRect();
  v = image->View();
  EXPECT_EQ(v.At(client.Left + client.Width() / 2, client.Top - shadow.Top - 1) >> 24, 0u);
  EXPECT_EQ(v.At(client.Left + 3, client.Top + 3) >> 24, 0xFFu);
  EXPECT_EQ(v.At(client.Right - 1, client.Bottom - 2) >> 24, 0xFFu);
  // Without a border window and without blur nothing is touched.
  sp->InitExBorders(false);
  ASSERT_FALSE(sp->BorderForm);
  picture = clear();
  sp->FillAlphaClient(picture.get());
  v = picture->View();
  EXPECT_EQ(v.At(ox, oy) >> 24, 0u);
  EXPECT_EQ(v.At(picture->Width() / 2, picture->Height() / 2) >> 24, 0u);
}

TEST_F(Captionless, ANewSkinMakesTheShadowTemplatesAgain) {
  Prepare(true);
  ASSERT_TRUE(sp->UWPTemplates[1]);
  EXPECT_EQ(sp->UWPTemplates[1]->View().At(0, 0), TemplatePixel(0, 0, 0x33));
  TkvSkinData& d = *skin->skin.Data;
  d.rsta = Template(0x55);
  d.WndShadowSize = 5;
  d.WndShadowOffset = 0;
  SendMessageW(form->Handle(), SM_ALPHACMD, MAKEWPARAM(0, KV_SETNEWSKIN), LPARAM(&skin->skin.Manager));
  EXPECT_EQ(sp->ShadowSize(), TRect(5, 5, 5, 5));
  ASSERT_TRUE(sp->UWPTemplates[1]);
  EXPECT_EQ(sp->UWPTemplates[1]->View().At(0, 0), TemplatePixel(0, 0, 0x55));
}

Integer gCreatedWindows = 0;
LRESULT CALLBACK CountCreatedWindows(int code, WPARAM w, LPARAM l) {
  if (code == HCBT_CREATEWND) ++gCreatedWindows;
  return CallNextHookEx(nullptr, code, w, l);
}

// A maximized captionless form with an outer border window shows its part right below its
// frame: the region leaves the caption's height out even while the system still keeps the
// client below a caption; the plain look's region is the client as the system placed it.
TEST_F(Captionless, TheRegionOfAMaximizedFormUnderABorderWindowLeavesOutTheCaption) {
  Prepare(true);
  ASSERT_TRUE(sp->BorderForm);
  const HWND h = form->Handle();
  // Marked maximized without moving, its caption bits kept: the moment before the captionless
  // look takes them, with the system's client still below a caption. (The plain look keeps
  // the bits through the position changes this makes.)
  sp->FUWPMode = false;
  SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) | WS_MAXIMIZE | WS_CAPTION);
  const TScopeExit unmark([&] { SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) & ~WS_MAXIMIZE); });
  SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  ASSERT_TRUE(sp->IsZoomed());
  if (!sp->BorderForm) sp->InitExBorders(true);
  ASSERT_TRUE(sp->BorderForm);
  POINT origin{0, 0};
  ClientToScreen(h, &origin);
  RECT wr{};
  GetWindowRect(h, &wr);
  const Integer clientLeft = origin.x - wr.left, clientTop = origin.y - wr.top;
  const Integer s = SysBorderWidth(h, nullptr, false);
  ASSERT_GT(clientTop, s);  // the system keeps a caption above the client
  struct Case {
    bool captionless;
    TRect region;
  };
  // The plain look first: once the captionless look has its region, it takes the caption bits.
  const Case cases[] = {
      {false, TRect(clientLeft, clientTop, clientLeft + form->ClientWidth(), clientTop + form->ClientHeight())},
      {true, TRect(s, s, form->Width() - s, form->Height() - s)},
  };
  for (const Case& c : cases) {
    sp->FUWPMode = c.captionless;
    sp->UpdateRgn(false, false);
    EXPECT_EQ(RegionBox(h), c.region) << c.captionless;
  }
}

// The captionless look has no caption the system could paint over: changing the caption or the
// activation makes no window to cover it.
TEST_F(Captionless, NoCaptionCoverIsMadeWhileTheCaptionOrActivationChanges) {
  Prepare(true);
  gCreatedWindows = 0;
  HHOOK hook = SetWindowsHookExW(WH_CBT, CountCreatedWindows, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  const TScopeExit unhook([&] { UnhookWindowsHookEx(hook); });
  // The probe itself: a window made here is counted.
  {
    TForm probe(nullptr);
    probe.AfterConstruction();
    probe.HandleNeeded();
  }
  ASSERT_EQ(gCreatedWindows, 1);
  gCreatedWindows = 0;
  SetWindowTextW(form->Handle(), L"Another caption");
  SendMessageW(form->Handle(), WM_NCACTIVATE, FALSE, 0);
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  EXPECT_EQ(gCreatedWindows, 0);
}

// The disabled form's layer lies where the form's picture lies (over the border window, or over
// the form) and takes the whole picture, so the captionless client is dimmed up to its right
// and bottom edges; everything outside the form's body is clear, also after the blur.
TEST_F(Captionless, TheDisabledLayerCoversTheBodyAndClearsTheRest) {
  struct Case {
    bool outer, captionless, blurred;
  };
  for (const Case c :
       {Case{true, true, false}, Case{false, true, false}, Case{true, false, false}, Case{true, true, true}}) {
    SCOPED_TRACE(testing::Message() << c.outer << c.captionless << c.blurred);
    RenewForm();
    Prepare(c.outer, c.captionless);
    ASSERT_EQ(sp->BorderForm != nullptr, c.outer);
    sp->FDisabledBlured = c.blurred;
    sp->SetDisabledBlendValue(0);
    layered::updates.clear();
    form->SetEnabled(false);
    ASSERT_NE(sp->LayerForm, nullptr);
    const HWND layer = sp->LayerForm->Handle();
    EXPECT_TRUE(IsWindowVisible(layer));
    const layered::UpdateCall* u = LastUpdate(layer);
    ASSERT_NE(u, nullptr);
    const TBitmap* cache = sp->FCommonData->FCacheBmp.get();
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(u->size.cx, cache->Width());
    EXPECT_EQ(u->size.cy, cache->Height());
    RECT lr{}, pr{};
    GetWindowRect(layer, &lr);
    GetWindowRect(c.outer ? sp->BorderForm->LayeredWindow() : form->Handle(), &pr);
    EXPECT_EQ(lr.left, pr.left);
    EXPECT_EQ(lr.top, pr.top);
    EXPECT_EQ(lr.right - lr.left, u->size.cx);
    EXPECT_EQ(lr.bottom - lr.top, u->size.cy);
    const TRect shadow = sp->ShadowSize();
    const TRect body = c.captionless
                           ? sp->UWPClientRect()
                           : TRect(shadow.Left, shadow.Top, u->size.cx - shadow.Right, u->size.cy - shadow.Bottom);
    const Integer midX = (body.Left + body.Right) / 2, midY = (body.Top + body.Bottom) / 2;
    // Inside: opaque; the captionless client up to its last column and its last rows (the
    // picture of a form leaves the client's last row to the frame, as the form's own picture
    // tests show).
    EXPECT_EQ(u->At(midX, midY) >> 24, 0xFFu);
    if (c.captionless) {
      EXPECT_EQ(u->At(body.Right - 1, midY) >> 24, 0xFFu);
      EXPECT_EQ(u->At(body.Right - 1, body.Bottom - 2) >> 24, 0xFFu);
    }
    // Outside: clear, the shadow included.
    for (const TPoint p : {TPoint(0, 0), TPoint(midX, body.Top - 1), TPoint(body.Left - 1, midY),
                           TPoint(body.Right, midY), TPoint(u->size.cx - 1, u->size.cy - 1)}) {
      if (p.X >= 0 && p.Y >= 0 && p.X < u->size.cx && p.Y < u->size.cy) {
        EXPECT_EQ(u->At(p.X, p.Y), 0u) << p.X << "," << p.Y;
      }
    }
    form->SetEnabled(true);
    EXPECT_EQ(sp->LayerForm, nullptr);
  }
}

// The caption bits follow the window's maximized state through its position changes, once the
// manager's and the frame's checks have passed: a provider that does not paint the frame leaves
// the caption alone.
TEST_F(Captionless, ThePositionChangeSetsTheCaptionBitsOnlyWhenTheFrameIsPainted) {
  Prepare(false);
  const HWND h = form->Handle();
  auto captionBits = [&] { return GetWindowLongW(h, GWL_STYLE) & LONG(WS_CAPTION); };
  ASSERT_EQ(captionBits(), LONG(WS_CAPTION));
  struct Case {
    bool paintsFrame;
    LONG maximizedBits;
  };
  for (const Case c : {Case{false, LONG(WS_CAPTION)}, Case{true, 0}}) {
    sp->FDrawNonClientArea = c.paintsFrame;
    ShowWindow(h, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(h));
    EXPECT_EQ(captionBits(), c.maximizedBits) << c.paintsFrame;
    ShowWindow(h, SW_RESTORE);
    EXPECT_EQ(captionBits(), LONG(WS_CAPTION)) << c.paintsFrame;
  }
}

HWND gWatchedWindow = nullptr;
LONG gCaptionBitsAtMinMax = -1;
LRESULT CALLBACK WatchMinMaxQuery(int code, WPARAM w, LPARAM l) {
  const auto* msg = reinterpret_cast<const CWPSTRUCT*>(l);
  if (code == HC_ACTION && msg->hwnd == gWatchedWindow && msg->message == WM_GETMINMAXINFO)
    gCaptionBitsAtMinMax = GetWindowLongW(msg->hwnd, GWL_STYLE) & LONG(WS_CAPTION);
  return CallNextHookEx(nullptr, code, w, l);
}

// The maximize command takes a captionless form's caption bits before the system asks for the
// maximized size; the plain look keeps them.
TEST_F(Captionless, TheMaximizeCommandTakesTheCaptionBitsBeforeTheSystemSizesTheForm) {
  for (const bool captionless : {true, false}) {
    SCOPED_TRACE(captionless);
    RenewForm();
    Prepare(false, captionless);
    const HWND h = form->Handle();
    gWatchedWindow = h;
    gCaptionBitsAtMinMax = -1;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, WatchMinMaxQuery, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    {
      const TScopeExit unhook([&] { UnhookWindowsHookEx(hook); });
      SendMessageW(h, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    }
    ASSERT_TRUE(IsZoomed(h));
    EXPECT_EQ(gCaptionBitsAtMinMax, captionless ? 0 : LONG(WS_CAPTION));
    ShowWindow(h, SW_RESTORE);
    EXPECT_EQ(GetWindowLongW(h, GWL_STYLE) & LONG(WS_CAPTION), LONG(WS_CAPTION));
  }
}

// A maximized form of a manager that keeps the system's frame for maximized forms loses its
// outer border window when its position changes.
TEST_F(Captionless, NativeBordersForMaximizedFormsFreeTheOuterBorder) {
  Prepare(true, false);
  ASSERT_TRUE(sp->BorderForm);
  skin->skin.Manager.Options.NativeBordersMaximized = true;
  const TScopeExit restore([&] { skin->skin.Manager.Options.NativeBordersMaximized = false; });
  const HWND h = form->Handle();
  SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) | WS_MAXIMIZE);
  SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  EXPECT_FALSE(sp->BorderForm);
  SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) & ~WS_MAXIMIZE);
}

// The frame an outer window draws from the skin's extended-border image (BORDERMODE 1) beside
// the plain one (BORDERMODE 0) on the same skin: in mode 1 the border window's template covers
// the skin's frame and the title strip, with the title's buttons drawn over it; in mode 0 the
// title section and the form's border image are the picture's own.
TEST_F(Captionless, TheExtendedBorderImageDrawsFrameAndTitleStripInBorderModeOne) {
  struct Case {
    Integer mode;
    bool fromTemplate;
  };
  for (const Case c : {Case{0, false}, Case{1, true}}) {
    SCOPED_TRACE(c.mode);
    RenewForm();
    Prepare(true, false, [&](TkvSkinData& d) {
      d.ExDrawMode = c.mode;
      d.ExContentOffs = 4;
      d.FormShadowSize = TRect(4, 4, 4, 4);  // as the loader makes it for mode 1
      d.ExBorder = BorderImage(skin->skin, kTpl, 1, 3, 0x11);
    });
    ASSERT_TRUE(sp->BorderForm);
    EXPECT_EQ(sp->ExtendedFrameDrawing(), c.fromTemplate);
    sp->FCommonData->BGChanged = true;
    sp->PaintAll();
    const TPixelView v = sp->FCommonData->FCacheBmp->View();
    const TRect shadow = sp->ShadowSize();
    ASSERT_EQ(shadow, TRect(4, 4, 4, 4));
    auto isTemplate = [](uint32_t p) { return (p & 0xFF0000FFu) == 0xC0000011u; };
    // The title strip between the icon and the buttons, and the left frame's middle.
    const TPoint title(sp->ButtonMin.cpRect.Left - 12, sp->VCenter);
    const TPoint left(shadow.Left + 1, v.Height / 2);
    if (c.fromTemplate) {
      EXPECT_TRUE(isTemplate(v.At(title.X, title.Y))) << std::hex << v.At(title.X, title.Y);
      EXPECT_TRUE(isTemplate(v.At(left.X, left.Y))) << std::hex << v.At(left.X, left.Y);
    } else {
      EXPECT_EQ(v.At(title.X, title.Y), 0xFF000000u | RgbOfColor(kTitleActive));
      EXPECT_EQ(v.At(left.X, left.Y), kBorderPixel);
    }
    // Both: the shadow's outer corner from the template, the client opaque in its colour,
    // the close button drawn in its normal look.
    EXPECT_TRUE(isTemplate(v.At(0, 0)));
    EXPECT_EQ(v.At(sp->OffsetX() + form->ClientWidth() / 2, sp->OffsetY() + form->ClientHeight() / 2),
              0xFF000000u | RgbOfColor(kClientActive));
    const TPoint close((sp->ButtonClose.cpRect.Left + sp->ButtonClose.cpRect.Right) / 2,
                       (sp->ButtonClose.cpRect.Top + sp->ButtonClose.cpRect.Bottom) / 2);
    EXPECT_EQ(v.At(close.X, close.Y), GlyphPixel(0, 0));
    // The manager's shadow-only mode keeps the plain frame whatever the skin's mode.
    skin->skin.Manager.SetExtBordersMode(ebmShadow);
    EXPECT_FALSE(sp->ExtendedFrameDrawing());
    skin->skin.Manager.SetExtBordersMode(ebmFull);
  }
}

// The skin's border image says whether the frame's sides repeat its side part or stretch it:
// down the left edge of the picture, a repeated 3-row side part cycles every 3 rows; a
// stretched one changes at most once in a few rows. Both for the extended frame (BORDERMODE 1)
// and for the border image drawn as the shadow (BORDERMODE 0).
TEST_F(Captionless, TheFramesSidesRepeatOrStretchAsTheBorderImageSays) {
  struct Case {
    Integer borderMode, drawMode;
    bool repeated;
  };
  for (const Case c : {Case{1, 0, true}, Case{1, 1, false}, Case{0, 0, true}, Case{0, 1, false}}) {
    SCOPED_TRACE(testing::Message() << c.borderMode << "," << c.drawMode);
    RenewForm();
    Prepare(true, false, [&](TkvSkinData& d) {
      d.ExDrawMode = c.borderMode;
      d.ExContentOffs = 4;
      d.FormShadowSize = TRect(4, 4, 4, 4);
      d.ExBorder = BorderImage(skin->skin, kTpl, c.drawMode, 3, 0x11);
    });
    ASSERT_TRUE(sp->BorderForm);
    sp->FCommonData->BGChanged = true;
    sp->PaintAll();
    const TPixelView v = sp->FCommonData->FCacheBmp->View();
    // The template's row, read back from the green byte (y times 4), down the left edge.
    std::vector<uint32_t> rows;
    for (Integer y = v.Height / 2; y < v.Height / 2 + 6; ++y) {
      const uint32_t p = v.At(0, y);
      ASSERT_EQ(p >> 24, 0xC0u) << y;  // the template's own pixel
      rows.push_back(p >> 8 & 0xFF);
    }
    if (c.repeated) {
      EXPECT_NE(rows[0], rows[1]);
      EXPECT_NE(rows[1], rows[2]);
      EXPECT_NE(rows[0], rows[2]);
      for (size_t i = 0; i + 3 < rows.size(); ++i) EXPECT_EQ(rows[i], rows[i + 3]) << i;
    } else {
      size_t changes = 0;
      for (size_t i = 0; i + 1 < rows.size(); ++i) changes += rows[i] != rows[i + 1];
      EXPECT_LE(changes, 1u);
    }
  }
}

// With the skin's own border image as the shadow (BORDERMODE 0), the image itself is the
// template, not the shadow template; the key pixels of the frame's corners show the pixel of it
// where that corner of the form lies: the top corners by the title's border image when the
// title section has one, else by the form's, the bottom corners by the form's.
TEST_F(Captionless, TheBorderImageShowsThroughTheFramesKeyCornerPixels) {
  constexpr Integer kImage = 12, kMargin = 5;
  constexpr TRect kShadowOfImage(4, 4, 4, 4);  // the image's margins less its content offset
  constexpr uint32_t kTone = 0x55;             // the image's tone; the shadow template's is 0x11
  auto fromImage = [](Integer x, Integer y) { return TemplatePixel(x, y, kTone); };
  for (const bool titleBorder : {false, true}) {
    SCOPED_TRACE(titleBorder);
    RenewForm();
    Prepare(true, false, [&](TkvSkinData& d) {
      d.ExDrawMode = 0;
      d.ExContentOffs = 1;
      d.FormShadowSize = kShadowOfImage;
      d.ExBorder = BorderImage(skin->skin, kImage, 0, kMargin, kTone);
      // Both bottom corners of the form's border get a key pixel (its top ones have three).
      skin->skin.Put(skin->border, 0, 0, 29, kKey);
      skin->skin.Put(skin->border, 0, 29, 29, kKey);
      if (titleBorder) {
        const Integer t = skin->skin.AddImage(TRect(140, 40, 170, 70), 1, 0, 0, kBorder);
        skin->skin.Fill(t, 0, 0xFF306090u);
        skin->skin.Put(t, 0, 2, 2, kKey);
        skin->skin.Put(t, 0, 27, 3, kKey);
        d.gd[size_t(skin->title)].BorderIndex = t;
      }
    });
    ASSERT_TRUE(sp->BorderForm);
    ASSERT_FALSE(sp->ExtendedFrameDrawing());
    sp->FCommonData->BGChanged = true;
    sp->PaintAll();
    ASSERT_EQ(sp->ShadowSize(), kShadowOfImage);
    ASSERT_EQ(skin->skin.Data->ShdaTemplate->View().At(0, 0) & 0xFF, 0x11u);
    const TPixelView v = sp->FCommonData->FCacheBmp->View();
    const Integer l = kShadowOfImage.Left, t = kShadowOfImage.Top;
    const Integer r = v.Width - kShadowOfImage.Right, b = v.Height - kShadowOfImage.Bottom;
    // The shadow margins are the image's own pixels.
    EXPECT_EQ(v.At(0, 0), fromImage(0, 0));
    // Where the template point of a corner lies: the form's corner inside the image's shadow
    // margins, the corner's width and height (kBorder) back from the right and bottom ones.
    const Integer rightX = kImage - kShadowOfImage.Right - kBorder, bottomY = kImage - kShadowOfImage.Bottom - kBorder;
    struct Spot {
      TPoint at, image;  // in the picture; in the border image (or (-1, -1): stays opaque)
    };
    std::vector<Spot> spots = {
        {{l + 2, t}, {-1, -1}},  // a frame pixel between the key pixels
        {{l + 1, b - 1}, {-1, -1}},
        {{l, b - 1}, {l, bottomY + kBorder - 1}},  // the form's bottom corners
        {{r - 1, b - 1}, {rightX + kBorder - 1, bottomY + kBorder - 1}},
    };
    if (titleBorder) {
      spots.push_back({{l + 2, t + 2}, {l + 2, t + 2}});  // the title's key pixels
      spots.push_back({{r - 3, t + 3}, {rightX + 3, t + 3}});
      spots.push_back({{r - 1, t + 1}, {-1, -1}});  // the form's own are not asked
    } else {
      spots.push_back({{l, t}, {l, t}});  // the form's top key pixels
      spots.push_back({{l + 1, t}, {l + 1, t}});
      spots.push_back({{l, t + 1}, {l, t + 1}});
      spots.push_back({{r - 2, t}, {rightX + 4, t}});
      spots.push_back({{r - 1, t + 1}, {rightX + 5, t + 1}});
    }
    for (const Spot& s : spots) {
      const uint32_t p = v.At(s.at.X, s.at.Y);
      if (s.image.X < 0)
        EXPECT_NE(p & 0xFF, kTone) << s.at.X << "," << s.at.Y << " " << std::hex << p;
      else
        EXPECT_EQ(p, fromImage(s.image.X, s.image.Y)) << s.at.X << "," << s.at.Y << " " << std::hex << p;
    }
  }
}

// The border image drawn as the shadow is asked of the skin data, which cut its state picture
// once: a second paint draws the same kept picture (a mark made in it after the first paint
// shows), and a change of the manager's border mode, which makes the skin's shadows again,
// gives a picture cut anew from the image.
TEST_F(Captionless, TheBorderImagesPictureIsCutOnceNotOnEveryPaint) {
  constexpr TRect kShadowOfImage(4, 4, 4, 4);
  constexpr uint32_t kTone = 0x55;
  Prepare(true, false, [&](TkvSkinData& d) {
    d.ExDrawMode = 0;
    d.ExContentOffs = 1;
    d.FormShadowSize = kShadowOfImage;
    d.ExBorder = BorderImage(skin->skin, 12, 0, 5, kTone);
  });
  ASSERT_TRUE(sp->BorderForm);
  TkvSkinData& d = *skin->skin.Data;
  const auto paintedCorner = [&] {
    sp->FCommonData->BGChanged = true;
    sp->PaintAll();
    return sp->FCommonData->FCacheBmp->View().At(0, 0);
  };
  EXPECT_EQ(paintedCorner(), TemplatePixel(0, 0, kTone));
  TBitmap* kept = d.ExBorderPicture(sp->FormActive);
  ASSERT_NE(kept, nullptr);
  constexpr uint32_t kMark = 0xC0ABCDEFu;
  kept->View().At(0, 0) = kMark;
  EXPECT_EQ(paintedCorner(), kMark);
  EXPECT_EQ(d.ExBorderPicture(sp->FormActive), kept);
  skin->skin.Manager.SetExtBordersMode(ebmShadow);
  skin->skin.Manager.SetExtBordersMode(ebmFull);
  d.FormShadowSize = kShadowOfImage;  // this hand-made skin has no metrics to make it from
  EXPECT_EQ(paintedCorner(), TemplatePixel(0, 0, kTone));
}

// A rounded frame's corners blend with the shadow; the rim of the rounding (the pixels on the
// disc next to the outside, and those the disc covers in part) takes the frame's edge colour
// first: the border line's colour, or the section's colour where it draws no line.
TEST_F(Captionless, TheRoundedFramesEdgeTakesTheLineColourOrTheBodyColour) {
  Prepare(true, false);
  ASSERT_TRUE(sp->BorderForm);
  TsGeneralData& gd = skin->skin.Data->gd[size_t(sp->FCommonData->SkinIndex)];
  constexpr Integer kRadius = 6;
  gd.BorderRadius = kRadius;
  // The round masks are drawn with GDI+ (a mask made without it would be empty).
  kvgpUtilsStartup();
  ClearRoundMasks();
  TBitmap* maskBmp = GetRoundMask(kRadius);
  ASSERT_NE(maskBmp, nullptr);
  const TPixelView mask = maskBmp->View();
  // A rim pixel of the top-left quarter: on the disc, next to a pixel outside it.
  auto outside = [&](Integer x, Integer y) { return x >= 0 && y >= 0 && mask.At(x, y) == 0xFFFFFFFFu; };
  TPoint rim(-1, -1);
  for (Integer y = 0; y <= kRadius && rim.X < 0; ++y)
    for (Integer x = 0; x <= kRadius; ++x)
      if (!outside(x, y) && (outside(x - 1, y) || outside(x, y - 1))) {
        rim = TPoint(x, y);
        break;
      }
  ASSERT_GE(rim.X, 0);
  const uint32_t m = mask.At(rim.X, rim.Y);
  const uint32_t b = TemplatePixel(rim.X, rim.Y, 0x11);  // the template's corner shows through
  auto mix = [](uint32_t t, uint32_t bg, uint32_t w, int shift) {
    const int tc = int(t >> shift & 0xFF), bc = int(bg >> shift & 0xFF);
    return uint32_t(((bc - tc) * int(w) + tc * 256) >> 8 & 0xFF) << shift;
  };
  auto expected = [&](uint32_t edge) {
    return mix(edge, b, m & 0xFF, 0) | mix(edge, b, m >> 8 & 0xFF, 8) | mix(edge, b, m >> 16 & 0xFF, 16) |
           mix(edge, b, m & 0xFF, 24);
  };
  struct Case {
    Integer borderWidth;
    Integer lineColour;
    uint32_t edge;  // 0xAARRGGBB
  };
  for (const Case c : {Case{0, 0x0000FF, 0xFF000000u | RgbOfColor(kClientActive)}, Case{1, 0x0000FF, 0xFFFF0000u},
                       Case{2, 0x00FF00, 0xFF00FF00u}}) {
    gd.BorderWidth = c.borderWidth;
    gd.Props[0].BorderColor = gd.Props[1].BorderColor = c.lineColour;
    sp->FCommonData->BGChanged = true;
    sp->PaintAll();
    const TPixelView v = sp->FCommonData->FCacheBmp->View();
    const TRect shadow = sp->ShadowSize();
    EXPECT_EQ(v.At(shadow.Left + rim.X, shadow.Top + rim.Y), expected(c.edge)) << c.borderWidth;
    // Outside the disc the shadow shows as it is; well inside, the frame stays opaque.
    EXPECT_EQ(v.At(shadow.Left, shadow.Top), TemplatePixel(0, 0, 0x11));
    EXPECT_EQ(v.At(shadow.Left + kRadius, shadow.Top + kRadius) >> 24, 0xFFu);
  }
}

}  // namespace

// The form's header band lies under the title: the frame drawn from the skin's extended-border
// image reaches over it with its top part, so the band's left edge shows the image's top rows,
// not its side rows.
TEST_F(Captionless, TheExtendedFramesTopReachesOverTheFormsHeaderBand) {
  for (const Integer header : {0, 20}) {
    SCOPED_TRACE(header);
    RenewForm();
    Prepare(true, false, [&](TkvSkinData& d) {
      d.ExDrawMode = 1;
      d.ExContentOffs = 4;
      d.FormShadowSize = TRect(4, 4, 4, 4);
      d.ExBorder = BorderImage(skin->skin, kTpl, 1, 3, 0x11);
    });
    ASSERT_TRUE(sp->ExtendedFrameDrawing());
    sp->FFormHeader->SetAdditionalHeight(header);
    ASSERT_EQ(sp->FFormHeader->ScaledAddHeight(), header);
    sp->FCommonData->BGChanged = true;
    sp->PaintAll();
    const TPixelView v = sp->FCommonData->FCacheBmp->View();
    const TRect shadow = sp->ShadowSize();
    const Integer captionBottom = shadow.Top + sp->CaptionHeight(true);
    // The template's row is in its pixel's green byte (times 4): its top part is rows 0 to 2.
    auto templateRow = [&](Integer x, Integer y) { return Integer(v.At(x, y) >> 8 & 0xFF) / 4; };
    const Integer inBand = captionBottom + 10;
    EXPECT_EQ(templateRow(shadow.Left + 1, inBand) < 3, header > 0) << templateRow(shadow.Left + 1, inBand);
    // Below the band the side part goes on.
    EXPECT_GE(templateRow(shadow.Left + 1, captionBottom + header + 10), 3);
  }
}
