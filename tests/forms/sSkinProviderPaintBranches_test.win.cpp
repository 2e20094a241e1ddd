// The branches of the provider's paint entry handlers: which messages go on to the form's
// previous window procedure and which are kept from it, the form's own inner border and menu
// line painted beside an outer border window (and the picture that has room for them), the
// border window brought back by a client paint, the menus prepared by a print, the print's own
// steps (guards, the captionless look, the window's transitions, the form's paint event, the
// ring of a sizeable form without a border of its own), and the paths of MDI main forms and
// children.
#include <functional>
#include <optional>
#include <vector>

#include "base/Composition.h"
#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "skin/sVclUtils.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"
#include "support/Swatch.h"
#include "ui/GdiScopes.h"
#include "ui/Menus.h"
#include "ui/ScopeGuard.h"

using namespace formskin;

namespace {

constexpr TColor kMarker = 0x00030201;  // none of the skin's colours

// Stands between the form and its previous window procedure before the provider comes, so the
// provider's "old procedure" is this recorder: it lists every message passed on. It lives as
// long as the fixture, after the form, and so never puts anything back.
struct PassedOn {
  TWndMethod old;
  std::vector<Cardinal> msgs;
  std::function<void(TMessage&)> before;  // runs ahead of the form's own handling
  void Attach(TForm* form) {
    old = form->WindowProc();
    form->SetWindowProc(TWndMethod(this, &PassedOn::Proc));
  }
  void Proc(TMessage& m) {
    if (before) before(m);
    msgs.push_back(m.Msg);
    old(m);
  }
  Integer Count(Cardinal msg) const {
    Integer n = 0;
    for (Cardinal m : msgs) n += m == msg;
    return n;
  }
};

std::unique_ptr<TBitmap> Marked(Integer w, Integer h) {
  auto bmp = std::make_unique<TBitmap>(w, h, pf32bit);
  FillRect32(bmp.get(), TRect(0, 0, w, h), kMarker, 0xFF);
  return bmp;
}

// The client rectangle of a window in window coordinates.
TRect ClientInWindow(HWND h) {
  RECT c{}, w{};
  GetClientRect(h, &c);
  POINT o{0, 0};
  ClientToScreen(h, &o);
  GetWindowRect(h, &w);
  return TRect(o.x - w.left, o.y - w.top, o.x - w.left + c.right, o.y - w.top + c.bottom);
}

class PaintBranches : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    passed.Attach(form);
    SkinAndShow();
    SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
    PumpMessages();
    passed.msgs.clear();
  }
  void GiveMenu() { menu = GiveMenuTo(form); }
  PassedOn passed;
  TMainMenu* menu = nullptr;
};

}  // namespace

// Each route of the entry handlers either paints from the picture or hands the message to the
// form's previous procedure; the paths that wait do neither.
TEST_F(PaintBranches, WhatGoesOnToTheOldProcedure) {
  const HWND h = form->Handle();
  struct Case {
    const char* name;
    Cardinal msg;                          // the message sent
    void (*set)(TsSkinProvider*, TForm*);  // the state it meets
    Cardinal counted;                      // the message counted at the old procedure
    Integer passedOn;
  } cases[] = {
      {"erase, client drawn", WM_ERASEBKGND, [](TsSkinProvider*, TForm*) {}, WM_ERASEBKGND, 0},
      {"erase, client not drawn", WM_ERASEBKGND, [](TsSkinProvider* p, TForm*) { p->FDrawClientArea = false; },
       WM_ERASEBKGND, 1},
      {"erase while the skin data updates", WM_ERASEBKGND,
       [](TsSkinProvider* p, TForm*) { p->FCommonData->FUpdating = true; }, WM_ERASEBKGND, 0},
      {"paint, client drawn", WM_PAINT, [](TsSkinProvider*, TForm*) {}, WM_PAINT, 0},
      {"paint, client not drawn", WM_PAINT, [](TsSkinProvider* p, TForm*) { p->FDrawClientArea = false; }, WM_PAINT, 1},
      {"paint during the restore animation", WM_PAINT,
       [](TsSkinProvider* p, TForm*) { p->FFormState |= FS_ANIMRESTORING; }, WM_PAINT, 1},
      {"paint of the library's copy", WM_PAINT,
       [](TsSkinProvider*, TForm* f) { f->SetControlState(f->ControlState() + TControlState{csPaintCopy}); }, WM_PAINT,
       0},
      {"paint, frame drawn by the system, no menu", WM_PAINT,
       [](TsSkinProvider* p, TForm*) { p->FDrawNonClientArea = false; }, WM_NCPAINT, 0},
      {"frame, drawn", WM_NCPAINT, [](TsSkinProvider*, TForm*) {}, WM_NCPAINT, 0},
      {"frame, drawn by the system", WM_NCPAINT, [](TsSkinProvider* p, TForm*) { p->FDrawNonClientArea = false; },
       WM_NCPAINT, 1},
      {"frame while the skin data updates", WM_NCPAINT,
       [](TsSkinProvider* p, TForm*) { p->FCommonData->FUpdating = true; }, WM_NCPAINT, 0},
      {"frame by the system while the skin data updates", WM_NCPAINT,
       [](TsSkinProvider* p, TForm*) {
         p->FCommonData->FUpdating = true;
         p->FDrawNonClientArea = false;
       },
       WM_NCPAINT, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.set(sp, form);
    passed.msgs.clear();
    auto bmp = Marked(form->Width(), form->Height());
    const WPARAM dc = c.msg == WM_NCPAINT ? 1 : WPARAM(bmp->Canvas()->Handle());
    InvalidateRect(h, nullptr, FALSE);
    SendMessageW(h, c.msg, dc, 0);
    EXPECT_EQ(passed.Count(c.counted), c.passedOn);
    sp->FDrawClientArea = sp->FDrawNonClientArea = true;
    sp->FCommonData->FUpdating = false;
    sp->FFormState &= ~FS_ANIMRESTORING;
    form->SetControlState(form->ControlState() - TControlState{csPaintCopy});
    PumpMessages();
  }
}

// The paths that wait leave the DC as it was; the skinned ones bring the picture's client.
TEST_F(PaintBranches, WaitingPathsLeaveTheDcAlone) {
  struct Case {
    const char* name;
    Cardinal msg;
    void (*set)(TsSkinProvider*, TForm*);
    bool paints;
  } cases[] = {
      {"erase", WM_ERASEBKGND, [](TsSkinProvider*, TForm*) {}, true},
      {"erase while the skin data updates", WM_ERASEBKGND,
       [](TsSkinProvider* p, TForm*) { p->FCommonData->FUpdating = true; }, false},
      {"paint", WM_PAINT, [](TsSkinProvider*, TForm*) {}, true},
      {"paint of the library's copy", WM_PAINT,
       [](TsSkinProvider*, TForm* f) { f->SetControlState(f->ControlState() + TControlState{csPaintCopy}); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.set(sp, form);
    auto bmp = Marked(form->ClientWidth(), form->ClientHeight());
    SendMessageW(form->Handle(), c.msg, WPARAM(bmp->Canvas()->Handle()), 0);
    const TColor client = sp->FCommonData->FCacheBmp->PixelColor(sp->OffsetX() + 5, sp->OffsetY() + 5);
    EXPECT_EQ(bmp->PixelColor(5, 5), c.paints ? client : kMarker);
    sp->FCommonData->FUpdating = false;
    form->SetControlState(form->ControlState() - TControlState{csPaintCopy});
  }
}

// A form whose frame the system draws still gets its menu bar drawn after a client paint: the
// provider asks for a frame paint, which goes on to the system. Without a menu it does not ask.
TEST_F(PaintBranches, AClientPaintAsksForTheSystemsMenuBar) {
  GiveMenu();
  for (bool drawn : {true, false}) {
    SCOPED_TRACE(drawn);
    sp->FDrawNonClientArea = drawn;
    passed.msgs.clear();
    auto bmp = Marked(form->ClientWidth(), form->ClientHeight());
    SendMessageW(form->Handle(), WM_PAINT, WPARAM(bmp->Canvas()->Handle()), 0);
    EXPECT_EQ(passed.Count(WM_NCPAINT), drawn ? 0 : 1);
  }
  sp->FDrawNonClientArea = true;
}

// The frame paint makes what the frame needs: the system menu object, and the child-control
// adapter, before it paints.
TEST_F(PaintBranches, TheFramePaintMakesTheSystemMenuAndTheAdapter) {
  sp->SystemMenu.reset();
  sp->Adapter.reset();
  SendMessageW(form->Handle(), WM_NCPAINT, 1, 0);
  EXPECT_NE(sp->SystemMenu, nullptr);
  EXPECT_NE(sp->Adapter, nullptr);
}

// A frame paint that meets a size change in flight (the window has its new size, the form not
// yet) paints nothing; once the form knows its size the skinned frame comes back.
TEST_F(PaintBranches, AFramePaintDuringASizeChangeWaits) {
  constexpr TColor kBorderColor =
      TColor((kBorderPixel >> 16 & 0xFF) | (kBorderPixel & 0xFF00) | (kBorderPixel & 0xFF) << 16);
  const HWND h = form->Handle();
  const Integer hh = form->Height();
  auto markFrame = [&] {
    const TWindowDC dc(h);
    const TOwnedBrush marker(CreateSolidBrush(kMarker));
    const RECT r{0, hh / 2, 3, hh / 2 + 10};
    FillRect(dc, &r, marker.get());
  };
  auto frameAt = [&] { return WindowShot(h)->PixelColor(1, hh / 2 + 5); };
  bool inFlight = false;
  TColor during = clNone;
  passed.before = [&](TMessage& m) {
    // The form's own handling of the size change has not run yet.
    if (m.Msg != WM_WINDOWPOSCHANGED || inFlight) return;
    inFlight = GetWindowWidth(h) != form->Width();
    markFrame();
    SendMessageW(h, WM_NCPAINT, 1, 0);
    during = frameAt();
  };
  SetWindowPos(h, nullptr, 0, 0, form->Width() + 10, hh, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  passed.before = nullptr;
  ASSERT_TRUE(inFlight);
  EXPECT_EQ(during, kMarker);
  PumpMessages();
  markFrame();
  SendMessageW(h, WM_NCPAINT, 1, 0);
  EXPECT_EQ(frameAt(), kBorderColor);
}

// The form's paint event runs on the print's DC, over the printed client.
TEST_F(PaintBranches, ThePrintRunsTheFormsPaintEvent) {
  struct Painter {
    TForm* form;
    Integer runs = 0;
    void Paint(TObject*) {
      ++runs;
      form->Canvas()->Brush()->SetColor(clBlue);
      form->Canvas()->FillRect(TRect(10, 10, 20, 20));
    }
  } painter{form};
  form->SetOnPaint(TNotifyEvent(&painter, &Painter::Paint));
  auto bmp = Marked(form->Width(), form->Height());
  SendMessageW(form->Handle(), WM_PRINT, WPARAM(bmp->Canvas()->Handle()), PRF_NONCLIENT | PRF_CLIENT);
  form->SetOnPaint(TNotifyEvent());
  EXPECT_EQ(painter.runs, 1);
  const Integer ox = sp->OffsetX(), oy = sp->OffsetY();
  EXPECT_EQ(bmp->PixelColor(ox + 15, oy + 15), clBlue);
  EXPECT_EQ(bmp->PixelColor(ox + 25, oy + 25), sp->FCommonData->FCacheBmp->PixelColor(ox + 25, oy + 25));
  EXPECT_EQ(sp->FCommonData->PrintDC, nullptr);
}

// A print while the form is being made or its provider is loading paints nothing, not even the
// frame; in the captionless look (the skin's own title stands in the client) the frame is not
// printed.
TEST_F(PaintBranches, WhatAPrintLeavesOut) {
  struct Case {
    const char* name;
    void (*set)(TsSkinProvider*, TForm*, bool on);
    bool frame, client;
  } cases[] = {
      {"plain", [](TsSkinProvider*, TForm*, bool) {}, true, true},
      {"form being made",
       [](TsSkinProvider*, TForm* f, bool on) {
         f->SetControlState(on ? f->ControlState() + TControlState{csCreating}
                               : f->ControlState() - TControlState{csCreating});
       },
       false, false},
      {"provider loading", [](TsSkinProvider* p, TForm*, bool on) { p->SetLoading(on); }, false, false},
      {"captionless look", [](TsSkinProvider* p, TForm*, bool on) { p->FUWPMode = on; }, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.set(sp, form, true);
    auto bmp = Marked(form->Width(), form->Height());
    SendMessageW(form->Handle(), WM_PRINT, WPARAM(bmp->Canvas()->Handle()), PRF_NONCLIENT | PRF_CLIENT);
    c.set(sp, form, false);
    TBitmap* picture = sp->FCommonData->FCacheBmp.get();
    const TPoint inClient(sp->OffsetX() + 5, sp->OffsetY() + 5), inFrame(2, form->Height() / 2);
    EXPECT_EQ(bmp->PixelColor(inClient.X, inClient.Y),
              c.client ? picture->PixelColor(inClient.X, inClient.Y) : kMarker);
    EXPECT_EQ(bmp->PixelColor(inFrame.X, inFrame.Y), c.frame ? picture->PixelColor(inFrame.X, inFrame.Y) : kMarker);
  }
}

// A print prepares the menus of a form that has a menu, also when it only erases; without a
// menu there is nothing to prepare.
TEST_F(PaintBranches, APrintPreparesTheMenus) {
  struct Case {
    bool menu;
    LPARAM flags;
    bool prepared;
  } cases[] = {{true, PRF_NONCLIENT | PRF_CLIENT, true},
               {true, PRF_ERASEBKGND, true},
               {false, PRF_NONCLIENT | PRF_CLIENT, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.menu << " " << c.flags);
    if (c.menu && !menu) GiveMenu();
    if (!c.menu && menu) {
      form->SetMenu(nullptr);
      PumpMessages();
    }
    sp->MenusInitialized = false;
    auto bmp = Marked(form->Width(), form->Height());
    SendMessageW(form->Handle(), WM_PRINT, WPARAM(bmp->Canvas()->Handle()), c.flags);
    EXPECT_EQ(sp->MenusInitialized, c.prepared);
  }
}

// A form that is not showing, or whose window is hidden, leaves its paints to the old procedure.
TEST_F(PaintBranches, AHiddenFormLeavesItsPaintsToTheOldProcedure) {
  const HWND h = form->Handle();
  {
    // The window without its visible bit: the erase is not the provider's.
    SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) & ~WS_VISIBLE);
    const TScopeExit back([&] { SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) | WS_VISIBLE); });
    auto bmp = Marked(form->ClientWidth(), form->ClientHeight());
    SendMessageW(h, WM_ERASEBKGND, WPARAM(bmp->Canvas()->Handle()), 0);
    EXPECT_EQ(passed.Count(WM_ERASEBKGND), 1);
  }
  form->Hide();
  PumpMessages();
  passed.msgs.clear();
  auto bmp = Marked(form->ClientWidth(), form->ClientHeight());
  SendMessageW(h, WM_PAINT, WPARAM(bmp->Canvas()->Handle()), 0);
  EXPECT_EQ(passed.Count(WM_PAINT), 1);
  form->Show();
  PumpMessages();
}

// The print of a sizeable form without a border of its own has the same frame ring as the
// screen: every column and row between the window's edge and its client comes from the picture.
TEST_F(PaintBranches, APrintOfASizeableFormWithoutBorderHasTheWholeRing) {
  MakeSizeableWithoutBorder(form);
  const HWND h = form->Handle();
  ASSERT_FALSE(sp->HaveBorder());
  const TRect client = ClientInWindow(h);
  ASSERT_GT(client.Left, 0);
  sp->FCommonData->BGChanged = true;
  auto bmp = Marked(form->Width(), form->Height());
  SendMessageW(h, WM_PRINT, WPARAM(bmp->Canvas()->Handle()), PRF_NONCLIENT | PRF_CLIENT);
  TBitmap* picture = sp->FCommonData->FCacheBmp.get();
  ASSERT_NE(picture, nullptr);
  const Integer w = form->Width(), hh = form->Height();
  for (Integer d = 0; d < client.Left; ++d) {
    SCOPED_TRACE(d);
    EXPECT_EQ(bmp->PixelColor(d, hh / 2), picture->PixelColor(d, hh / 2));
    EXPECT_EQ(bmp->PixelColor(w - 1 - d, hh / 2), picture->PixelColor(w - 1 - d, hh / 2));
    EXPECT_EQ(bmp->PixelColor(w / 2, hh - 1 - d), picture->PixelColor(w / 2, hh - 1 - d));
  }
  for (Integer d = 0; d < client.Top; ++d) EXPECT_EQ(bmp->PixelColor(w / 2, d), picture->PixelColor(w / 2, d)) << d;
  EXPECT_EQ(bmp->PixelColor(client.Left + 5, client.Top + 5), picture->PixelColor(client.Left + 5, client.Top + 5));
}

// Under desktop composition a print first switches the window's transitions off, as the
// frame it prints is not the system's.
namespace {
// The window attributes switched on, recorded on the way to the system's own call.
std::vector<std::pair<HWND, DWORD>> attributes;
decltype(TkvDwmEntries::DwmSetWindowAttribute) real = nullptr;
HRESULT WINAPI RecordAttribute(HWND wnd, DWORD attribute, LPCVOID value, DWORD size) {
  if (size == sizeof(BOOL) && *static_cast<const BOOL*>(value)) attributes.push_back({wnd, attribute});
  return real(wnd, attribute, value, size);
}
}  // namespace

TEST_F(PaintBranches, APrintSwitchesTheWindowsTransitionsOff) {
  attributes.clear();
  InitDwmApi();
  ASSERT_TRUE(DwmApiModule()) << "dwmapi.dll loads";
  real = reinterpret_cast<decltype(real)>(
      reinterpret_cast<void*>(GetProcAddress(DwmApiModule(), "DwmSetWindowAttribute")));
  ASSERT_NE(real, nullptr);
  const TkvDwmEntries saved = kvDwm;
  const Integer aero = iAeroStatus;
  const Byte major = kvWinMajorVer, minor = kvWinMinorVer;
  const TScopeExit back([&] {
    kvDwm = saved;
    iAeroStatus = aero;
    kvWinMajorVer = major;
    kvWinMinorVer = minor;
  });
  kvDwm.DwmSetWindowAttribute = RecordAttribute;
  kvWinMajorVer = 6;
  kvWinMinorVer = 1;
  for (Integer composition : {0, 1}) {
    SCOPED_TRACE(composition);
    iAeroStatus = composition;
    attributes.clear();
    auto bmp = Marked(form->Width(), form->Height());
    SendMessageW(form->Handle(), WM_PRINT, WPARAM(bmp->Canvas()->Handle()), PRF_NONCLIENT | PRF_CLIENT);
    const std::vector<std::pair<HWND, DWORD>> expected =
        composition ? std::vector<std::pair<HWND, DWORD>>{{form->Handle(), 3u}} : std::vector<std::pair<HWND, DWORD>>{};
    EXPECT_EQ(attributes, expected);  // 3: the transitions' force-disabled attribute
  }
}

namespace {

// An MDI main form with a maximized child and a graphic control aligned at its top.
class PaintBranchesMdi : public SkinnedMdiFrame {
 protected:
  void SetUp() override {
    SkinnedMdiFrame::SetUp();
    swatch = new Swatch(frame);
    swatch->SetParent(frame);
    swatch->SetAlign(alTop);
    swatch->SetHeight(20);
    child = MakeChild(u"Child");
    childPassed.Attach(child);
    auto* childSp = new TsSkinProvider(child);
    childSp->AfterConstruction();
    child->SetWindowState(wsMaximized);
    PumpMessages();
  }
  void TearDown() override {
    MDICreating = false;
    InAnimationProcess = false;
    SkinnedMdiFrame::TearDown();
  }
  Swatch* swatch = nullptr;
  TForm* child = nullptr;
  PassedOn childPassed;  // outlives the child
};

}  // namespace

// The MDI main form's paint draws its aligned graphic controls into the DC it is given (the MDI
// client covers the rest) and ends the creation of a child; so does its erase behind a maximized
// child.
TEST_F(PaintBranchesMdi, TheMainFormPaintsItsControlsAndEndsAChildsCreation) {
  ASSERT_TRUE(frame->ActiveMDIChild());
  for (Cardinal msg : {Cardinal(WM_PAINT), Cardinal(WM_ERASEBKGND)}) {
    SCOPED_TRACE(msg);
    MDICreating = true;
    auto bmp = Marked(frame->ClientWidth(), frame->ClientHeight());
    SendMessageW(frame->Handle(), msg, WPARAM(bmp->Canvas()->Handle()), 0);
    EXPECT_FALSE(MDICreating);
    EXPECT_EQ(bmp->PixelColor(frame->ClientWidth() / 2, 10), clRed);
  }
}

namespace {

// A form with an inner border of its own (the class library's BorderWidth) and an outer border
// window: the border window draws the skin's frame and title, the form's own window the ring
// between its system frame and its client.
class PaintBranchesBordered : public SkinnedForm {
 protected:
  static constexpr Integer kInner = 5;
  void SetUp() override {
    SkinnedForm::SetUp();
    recorder.emplace();
    GiveShadow(*skin, TRect(10, 8, 12, 14));
    skin->skin.Data->ExTitleHeight = 30;
    skin->skin.Data->ExBorderWidth = 4;
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
    form->SetBorderWidth(kInner);
    SetCursorPos(0, 0);
    SkinAndShow();
    SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
    PumpMessages();
    ASSERT_TRUE(sp->BorderForm);
  }
  void TearDown() override {
    SkinnedForm::TearDown();
    recorder.reset();
  }
  std::optional<layered::LayeredCalls> recorder;
};

}  // namespace

// The frame paint copies the picture's ring around the client (the form's inner border, and the
// menu line above it) into the same ring of the form's window, each side from its own place in
// the picture; the picture reaches past the client by the inner border, the skin's frame and
// the shadow.
TEST_F(PaintBranchesBordered, TheInnerBorderBesideTheBorderWindowComesFromThePicture) {
  const HWND h = form->Handle();
  const TkvSkinData& d = *skin->skin.Data;
  struct Case {
    const char* name;
    bool menu;
    bool maximized;  // the skin's title is taller than the system's caption + 4
  } cases[] = {{"plain", false, false}, {"maximized", false, true}, {"menu line", true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool withMenu = c.menu;
    if (withMenu) {
      GiveMenuTo(form);
      ASSERT_TRUE(sp->IsMenuVisible());
    }
    ShowWindow(h, c.maximized ? SW_MAXIMIZE : SW_RESTORE);
    PumpMessages();
    ASSERT_EQ(sp->FSysExHeight, c.maximized);
    sp->FCommonData->BGChanged = true;
    sp->PaintAll();
    TBitmap* picture = sp->FCommonData->FCacheBmp.get();
    ASSERT_NE(picture, nullptr);
    const TRect client = ClientInWindow(h);
    const Integer cw = client.Width(), ch = client.Height();
    const Integer ox = sp->OffsetX(), oy = sp->OffsetY(), b = kInner;
    EXPECT_EQ(picture->Width() - ox - cw, b + d.ExBorderWidth + d.FormShadowSize.Right);
    EXPECT_EQ(picture->Height() - oy - ch, b + d.ExBorderWidth + d.FormShadowSize.Bottom);
    // Above the client: the inner border, and the menu line when there is one (the system
    // keeps its room in the window).
    Integer above = b;
    if (withMenu) {
      MENUBARINFO bar{};
      bar.cbSize = sizeof bar;
      ASSERT_TRUE(GetMenuBarInfo(h, OBJID_MENU, 0, &bar));
      RECT wr{};
      GetWindowRect(h, &wr);
      above = client.Top - (bar.rcBar.top - wr.top);
    }
    // The picture's ring around its client, one colour a side.
    const TColor top = 0x00000080, left = 0x00008000, bottom = 0x00800000, right = 0x00008080;
    FillRect32(picture, TRect(ox - b, oy - above, ox + cw + b, oy), top, 0xFF);
    FillRect32(picture, TRect(ox - b, oy, ox, oy + ch), left, 0xFF);
    FillRect32(picture, TRect(ox - b, oy + ch, ox + cw + b, oy + ch + b), bottom, 0xFF);
    FillRect32(picture, TRect(ox + cw, oy, ox + cw + b, oy + ch), right, 0xFF);
    sp->RgnChanged = false;
    SendMessageW(h, WM_NCPAINT, 1, 0);
    auto shot = WindowShot(h);
    const Integer mx = client.Left + cw / 2, my = client.Top + ch / 2;
    EXPECT_EQ(shot->PixelColor(mx, client.Top - 1), top);
    EXPECT_EQ(shot->PixelColor(mx, client.Top - above), top);
    EXPECT_EQ(shot->PixelColor(client.Left - 1, my), left);
    EXPECT_EQ(shot->PixelColor(client.Left - b, my), left);
    EXPECT_EQ(shot->PixelColor(mx, client.Bottom), bottom);
    EXPECT_EQ(shot->PixelColor(mx, client.Bottom + b - 1), bottom);
    EXPECT_EQ(shot->PixelColor(client.Right, my), right);
    EXPECT_EQ(shot->PixelColor(client.Right + b - 1, my), right);
  }
}

// A client paint brings back a border window that is missing or hidden, except while the
// provider's own animation owns it.
TEST_F(PaintBranchesBordered, AClientPaintBringsBackTheBorderWindow) {
  struct Case {
    const char* name;
    bool freed;
    bool inAnimation;
    bool shown;
  } cases[] = {{"hidden", false, false, true},
               {"freed", true, false, true},
               {"hidden during the animation", false, true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.freed) {
      sp->BorderForm->AForm.reset();
    } else {
      ShowWindow(sp->BorderForm->LayeredWindow(), SW_HIDE);
    }
    const HWND before = sp->BorderForm->LayeredWindow();
    ASSERT_FALSE(before && IsWindowVisible(before));
    sp->FInAnimation = c.inAnimation;
    SendMessageW(form->Handle(), WM_PAINT, 0, 0);
    sp->FInAnimation = false;
    const HWND after = sp->BorderForm->LayeredWindow();
    EXPECT_EQ(after && IsWindowVisible(after), c.shown);
    sp->BorderForm->UpdateExBordersPos(true, 255);
    ASSERT_TRUE(IsWindowVisible(sp->BorderForm->LayeredWindow()));
  }
}

// With an outer border the print is the whole picture, shadow and skin frame included.
TEST_F(PaintBranchesBordered, ThePrintIsTheWholePicture) {
  sp->FCommonData->BGChanged = true;
  sp->PaintAll();
  TBitmap* cache = sp->FCommonData->FCacheBmp.get();
  ASSERT_NE(cache, nullptr);
  auto bmp = Marked(cache->Width(), cache->Height());
  SendMessageW(form->Handle(), WM_PRINT, WPARAM(bmp->Canvas()->Handle()), PRF_NONCLIENT | PRF_CLIENT);
  for (const TPoint p : {TPoint(1, 1), TPoint(cache->Width() / 2, 3), TPoint(12, cache->Height() / 2),
                         TPoint(cache->Width() / 2, 8 + 15)})
    EXPECT_EQ(bmp->PixelColor(p.X, p.Y), cache->PixelColor(p.X, p.Y)) << p.X << "," << p.Y;
}

// A frame paint that finds no picture sets up the outer border first, as the skin asks.
TEST_F(PaintBranchesBordered, AFramePaintWithoutPictureMakesTheOuterBorder) {
  sp->InitExBorders(false);
  ASSERT_FALSE(sp->BorderForm);
  sp->FCommonData->FCacheBmp.reset();
  SendMessageW(form->Handle(), WM_NCPAINT, 1, 0);
  EXPECT_TRUE(sp->BorderForm);
  EXPECT_NE(sp->FCommonData->FCacheBmp, nullptr);
}

// While a show animation runs anywhere, an MDI child's frame is the system's: the animation
// paints the children itself.
TEST_F(PaintBranchesMdi, DuringAShowAnimationAChildsFrameGoesToTheOldProcedure) {
  for (bool animating : {false, true}) {
    SCOPED_TRACE(animating);
    InAnimationProcess = animating;
    childPassed.msgs.clear();
    SendMessageW(child->Handle(), WM_NCPAINT, 1, 0);
    InAnimationProcess = false;
    EXPECT_EQ(childPassed.Count(WM_NCPAINT), animating ? 1 : 0);
  }
}

// A frame paint of a minimized form rebuilds the picture (its caption is laid out anew); a
// normal form's frame paint copies the picture as it stands.
TEST_F(PaintBranches, AMinimizedFormsFramePaintRebuildsThePicture) {
  const HWND h = form->Handle();
  constexpr uint32_t kMark = 0xFF010203u;
  for (bool minimized : {false, true}) {
    SCOPED_TRACE(minimized);
    ShowWindow(h, minimized ? SW_SHOWMINNOACTIVE : SW_RESTORE);
    PumpMessages();
    ASSERT_EQ(bool(::IsIconic(h)), minimized);
    TBitmap* picture = sp->FCommonData->FCacheBmp.get();
    ASSERT_NE(picture, nullptr);
    sp->FCommonData->BGChanged = false;
    picture->View().At(2, 2) = kMark;
    sp->RgnChanged = false;
    SendMessageW(h, WM_NCPAINT, 1, 0);
    EXPECT_EQ(sp->FCommonData->FCacheBmp->View().At(2, 2) != kMark, minimized);
  }
  ShowWindow(h, SW_RESTORE);
  PumpMessages();
}
