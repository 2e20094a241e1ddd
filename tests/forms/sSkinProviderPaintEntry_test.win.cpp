// The client of a skinned form as the erase and paint handlers bring it to a device context:
// the picture's client part around the child windows and under the graphic controls, the
// class library's own erase copied from the picture, the children told that their background
// is ready, and the paints that wait (a locked frame, an animation that owns the window, an
// MDI child being created, a locked skin data).
#include <vector>

#include "base/sConst.h"
#include "base/sMessages.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"
#include "support/Swatch.h"
#include "ui/ExtCtrls.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"

#include <commctrl.h>

using namespace formskin;

namespace {

constexpr TColor kMarker = 0x00030201;  // none of the skin's colours
// The border image's pixel as a colour.
constexpr TColor kBorderColor =
    TColor((kBorderPixel >> 16 & 0xFF) | (kBorderPixel & 0xFF00) | (kBorderPixel & 0xFF) << 16);

// A window control that says nothing of being opaque: only clipping keeps the form's
// background off it.
class BareWindow : public TWinControl {
 public:
  explicit BareWindow(TComponent* owner) : TWinControl(owner) {
    SetControlStyle(ControlStyle() - TControlStyle{csOpaque});
  }
};

// Counts the "parent updated" commands a window control receives.
struct UpdatedCounter {
  TWinControl* ctrl = nullptr;
  TWndMethod old;
  Integer count = 0;
  void Proc(TMessage& m) {
    if (m.Msg == SM_ALPHACMD && HIWORD(m.WParam) == KV_ENDPARENTUPDATE) ++count;
    old(m);
  }
  void Attach(TWinControl* c) {
    ctrl = c;
    old = c->WindowProc();
    c->SetWindowProc(TWndMethod(this, &UpdatedCounter::Proc));
  }
  ~UpdatedCounter() {
    if (ctrl) ctrl->SetWindowProc(old);
  }
};

class PaintEntry : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    panel = new TPanel(form);
    panel->SetBounds(20, 20, 40, 30);
    panel->SetParent(form);
    bare = new BareWindow(form);
    bare->SetBounds(150, 20, 30, 30);
    bare->SetParent(form);
    swatch = new Swatch(form);
    swatch->SetBounds(100, 60, 20, 20);
    swatch->SetParent(form);
    SkinAndShow();
    SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
    PumpMessages();
  }
  // A bitmap of the client's size, all marker.
  std::unique_ptr<TBitmap> MarkedClient() {
    auto bmp = std::make_unique<TBitmap>(form->ClientWidth(), form->ClientHeight(), pf32bit);
    const TOwnedBrush marker(CreateSolidBrush(kMarker));
    const RECT r{0, 0, bmp->Width(), bmp->Height()};
    FillRect(bmp->Canvas()->Handle(), &r, marker.get());
    return bmp;
  }
  // The client as the screen shows it.
  std::unique_ptr<TBitmap> ClientShot() {
    auto bmp = std::make_unique<TBitmap>(form->ClientWidth(), form->ClientHeight(), pf32bit);
    const TClientDC dc(form->Handle());
    BitBlt(bmp->Canvas()->Handle(), 0, 0, bmp->Width(), bmp->Height(), dc, 0, 0, SRCCOPY);
    return bmp;
  }
  void MarkClientOnScreen() {
    const TClientDC dc(form->Handle());
    const TOwnedBrush marker(CreateSolidBrush(kMarker));
    const RECT r{0, 0, form->ClientWidth(), form->ClientHeight()};
    FillRect(dc, &r, marker.get());
  }
  TPanel* panel = nullptr;
  BareWindow* bare = nullptr;
  Swatch* swatch = nullptr;
};

}  // namespace

// Every route leaves an opaque child window's area to the child; the erase handler clips every
// child window out. The erase message copies the picture only, the erase handler and the
// paint handler paint the graphic controls over it.
TEST_F(PaintEntry, ChildWindowsKeepTheirAreaAndGraphicControlsArePaintedOver) {
  ASSERT_FALSE(sp->FCommonData->BGChanged);
  struct Route {
    const char* name;
    void (*paint)(TsSkinProvider*, HWND, HDC);
    bool graphicControls;
    bool allChildrenClipped;
  } routes[] = {
      {"erase message", [](TsSkinProvider*, HWND h, HDC dc) { SendMessageW(h, WM_ERASEBKGND, WPARAM(dc), 0); }, false,
       false},
      {"erase handler", [](TsSkinProvider* p, HWND, HDC dc) { p->KV_WMEraseBkGndHandler(dc); }, true, true},
      {"paint with a DC", [](TsSkinProvider*, HWND h, HDC dc) { SendMessageW(h, WM_PAINT, WPARAM(dc), 0); }, true,
       false},
  };
  for (const Route& route : routes) {
    SCOPED_TRACE(route.name);
    auto bmp = MarkedClient();
    route.paint(sp, form->Handle(), bmp->Canvas()->Handle());
    EXPECT_EQ(bmp->PixelColor(5, 5), kClientActive);
    EXPECT_EQ(bmp->PixelColor(form->ClientWidth() - 3, form->ClientHeight() - 3), kClientActive);
    EXPECT_EQ(bmp->PixelColor(30, 30), kMarker);  // the panel's own area
    EXPECT_EQ(bmp->PixelColor(165, 35), route.allChildrenClipped ? kMarker : kClientActive);
    // The picture's copy leaves the graphic controls out too: they paint over it.
    EXPECT_EQ(bmp->PixelColor(110, 70), route.graphicControls ? clRed : kMarker);
  }
}

// The class library erases into the DC it paints next (WParam = LParam, or csPaintCopy): the
// picture as it stands is copied, a picture waiting for its rebuild is not.
TEST_F(PaintEntry, TheLibrarysOwnEraseCopiesThePictureAsItStands) {
  TBitmap* cache = sp->FCommonData->FCacheBmp.get();
  ASSERT_NE(cache, nullptr);
  // A mark in the picture where client point (7, 9) lies: a rebuild would lose it.
  cache->View().At(sp->OffsetX() + 7, sp->OffsetY() + 9) = 0xFF0000FFu;
  struct Case {
    bool changed;
    TColor expected;
  } cases[] = {{false, TColor(0x00FF0000)}, {true, kMarker}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.changed);
    sp->FCommonData->BGChanged = c.changed;
    auto bmp = MarkedClient();
    const HDC dc = bmp->Canvas()->Handle();
    EXPECT_EQ(SendMessageW(form->Handle(), WM_ERASEBKGND, WPARAM(dc), LPARAM(dc)), 1);
    EXPECT_EQ(bmp->PixelColor(7, 9), c.expected);
    EXPECT_EQ(bmp->PixelColor(30, 30), c.changed ? kMarker : kClientActive);  // not kept from the panel
  }
  sp->FCommonData->BGChanged = true;
}

// A locked skin data or one waiting for its parent paints nothing and does not let the
// system erase either.
TEST_F(PaintEntry, LockedSkinDataErasesNothing) {
  sp->FCommonData->CtrlSkinState |= KVS_LOCKED;
  const TScopeExit unlock([&] { sp->FCommonData->CtrlSkinState &= ~KVS_LOCKED; });
  auto bmp = MarkedClient();
  EXPECT_EQ(SendMessageW(form->Handle(), WM_ERASEBKGND, WPARAM(bmp->Canvas()->Handle()), 0), 0);
  EXPECT_EQ(bmp->PixelColor(5, 5), kMarker);
}

// The erase tells the children that the background under them is ready.
TEST_F(PaintEntry, EraseTellsTheChildrenTheirParentIsUpdated) {
  UpdatedCounter counter;
  counter.Attach(panel);
  auto bmp = MarkedClient();
  SendMessageW(form->Handle(), WM_ERASEBKGND, WPARAM(bmp->Canvas()->Handle()), 0);
  EXPECT_EQ(counter.count, 1);
  // An empty clip box: nothing to copy, the children are told all the same.
  const HDC dc = bmp->Canvas()->Handle();
  IntersectClipRect(dc, 0, 0, 0, 0);
  SendMessageW(form->Handle(), WM_ERASEBKGND, WPARAM(dc), 0);
  EXPECT_EQ(counter.count, 2);
  SelectClipRgn(dc, nullptr);
  // The paint form step with its "send updated" flag, and without it.
  sp->PaintForm(dc, TRect(0, 0, 50, 50), false);
  EXPECT_EQ(counter.count, 2);
  sp->PaintForm(dc, TRect(0, 0, 50, 50), true);
  EXPECT_EQ(counter.count, 3);
}

// PaintForm clips to its rectangle: the rest of the DC is left alone.
TEST_F(PaintEntry, PaintFormStaysInsideItsRectangle) {
  auto bmp = MarkedClient();
  sp->PaintForm(bmp->Canvas()->Handle(), TRect(0, 0, 90, 50));
  EXPECT_EQ(bmp->PixelColor(85, 45), kClientActive);
  EXPECT_EQ(bmp->PixelColor(95, 45), kMarker);
  EXPECT_EQ(bmp->PixelColor(85, 55), kMarker);
  EXPECT_EQ(bmp->PixelColor(110, 70), kMarker);  // the graphic control outside it too
}

// While an animation owns the window the paint only takes the update region away; otherwise
// the client shows the picture's client part.
TEST_F(PaintEntry, AnAnimationOwningTheWindowOnlyValidates) {
  struct Case {
    bool animating;
    TColor expected;
  } cases[] = {{true, kMarker}, {false, kClientActive}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.animating);
    PumpMessages();
    MarkClientOnScreen();
    sp->fAnimating = c.animating;
    InvalidateRect(form->Handle(), nullptr, FALSE);
    SendMessageW(form->Handle(), WM_PAINT, 0, 0);
    sp->fAnimating = false;
    EXPECT_FALSE(GetUpdateRect(form->Handle(), nullptr, FALSE));
    EXPECT_EQ(ClientShot()->PixelColor(5, 5), c.expected);
  }
}

// The frame waits while redraw is locked and while an MDI child is being created: the old
// frame stays; afterwards the skinned frame comes back.
TEST_F(PaintEntry, TheFrameWaitsWhileLockedOrWhileAnMdiChildIsMade) {
  const Integer h = form->Height();
  auto markFrame = [&] {
    const TWindowDC dc(form->Handle());
    const TOwnedBrush marker(CreateSolidBrush(kMarker));
    const RECT r{0, h / 2, 3, h / 2 + 10};
    FillRect(dc, &r, marker.get());
  };
  auto frameAt = [&] { return WindowShot(form->Handle())->PixelColor(1, h / 2 + 5); };
  struct Case {
    const char* name;
    Integer lockCount;
    bool mdiCreating;
    Cardinal skinState;
    Cardinal formState;
  } cases[] = {{"locked", 1, false, 0, 0},
               {"MDI child made", 0, true, 0, 0},
               {"menu remade during the show animation", 0, false, KVS_MNUPDATING, FS_ANIMSHOWING},
               {"skin data locked during the close animation", 0, false, KVS_LOCKED, FS_ANIMCLOSING}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    markFrame();
    sp->LockCount = c.lockCount;
    MDICreating = c.mdiCreating;
    sp->FCommonData->CtrlSkinState |= c.skinState;
    sp->FFormState |= c.formState;
    SendMessageW(form->Handle(), WM_NCPAINT, 1, 0);
    EXPECT_EQ(frameAt(), kMarker);
    sp->LockCount = 0;
    MDICreating = false;
    sp->FCommonData->CtrlSkinState &= ~c.skinState;
    sp->FFormState &= ~c.formState;
    SendMessageW(form->Handle(), WM_NCPAINT, 1, 0);
    EXPECT_EQ(frameAt(), kBorderColor);
  }
}

// A sizeable form without a border of its own gets only the ring of the given width: the
// sides to the form's edges on the screen, to the picture's edges in a print.
TEST_F(PaintEntry, TheFrameRingCopiesOnlyTheRing) {
  TBitmap picture(form->Width(), form->Height(), pf32bit);
  FillRect32(&picture, TRect(0, 0, picture.Width(), picture.Height()), clBlue, 0xFF);
  const Integer ring = 5;
  for (bool whole : {false, true}) {
    SCOPED_TRACE(whole);
    TBitmap out(form->Width(), form->Height(), pf32bit);
    const TOwnedBrush marker(CreateSolidBrush(kMarker));
    const RECT all{0, 0, out.Width(), out.Height()};
    FillRect(out.Canvas()->Handle(), &all, marker.get());
    sp->CopyFrameRing(out.Canvas()->Handle(), &picture, ring, whole);
    const Integer w = out.Width(), h = out.Height();
    struct Point {
      Integer x, y;
      bool ring;
    } points[] = {{0, 0, true},
                  {w - 1, 0, true},
                  {0, h - 1, true},
                  {w - 1, h - 1, true},
                  {ring - 1, h / 2, true},
                  {w - ring, h / 2, true},
                  {w / 2, ring - 1, true},
                  {w / 2, h - ring, true},
                  {ring, h / 2, false},
                  {w - ring - 1, h / 2, false},
                  {w / 2, ring, false},
                  {w / 2, h - ring - 1, false}};
    for (const Point& p : points) EXPECT_EQ(out.PixelColor(p.x, p.y), p.ring ? clBlue : kMarker) << p.x << "," << p.y;
  }
}

// A form whose plain rectangle the skin does not cut (no border of its own, no rounded
// corners, not sizeable) loses the region it had when the frame is painted.
TEST_F(PaintEntry, AFormWithoutBorderLosesItsRegion) {
  form->SetBorderStyle(bsNone);
  PumpMessages();
  ASSERT_FALSE(sp->HaveBorder());
  SetWindowRgn(form->Handle(), CreateRectRgn(0, 0, 50, 50), FALSE);
  sp->RgnChanged = true;
  SendMessageW(form->Handle(), WM_NCPAINT, 1, 0);
  const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
  EXPECT_EQ(GetWindowRgn(form->Handle(), rgn.get()), ERROR);
  EXPECT_FALSE(sp->RgnChanged);
}

namespace {

// Counts the prints that reach a window through a subclass.
struct PrintCounter {
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR data) {
    if (msg == WM_PRINT) ++reinterpret_cast<PrintCounter*>(data)->count;
    return DefSubclassProc(h, msg, w, l);
  }
  explicit PrintCounter(HWND h) : wnd(h) { SetWindowSubclass(wnd, &Proc, 1, reinterpret_cast<DWORD_PTR>(this)); }
  ~PrintCounter() { RemoveWindowSubclass(wnd, &Proc, 1); }
  HWND wnd;
  Integer count = 0;
};

class PaintEntryMdi : public SkinnedMdiFrame {
 protected:
  TsSkinProvider* MakeSkinnedChild(const char16_t* caption) {
    TForm* child = MakeChild(caption);
    auto* childSp = new TsSkinProvider(child);
    childSp->AfterConstruction();
    PumpMessages();
    return childSp;
  }
};

}  // namespace

// A child behind a maximized active sibling shows nothing of its own: its erase and its print
// leave the DC alone, while the maximized child paints.
TEST_F(PaintEntryMdi, AChildBehindAMaximizedSiblingPaintsNothing) {
  TsSkinProvider* behind = MakeSkinnedChild(u"Behind");
  TsSkinProvider* front = MakeSkinnedChild(u"Front");
  front->Form->SetWindowState(wsMaximized);
  PumpMessages();
  ASSERT_EQ(frame->ActiveMDIChild(), front->Form);
  struct Case {
    TsSkinProvider* csp;
    bool paints;
  } cases[] = {{behind, false}, {front, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.paints);
    TsSkinProvider* csp = c.csp;
    TForm* child = csp->Form;
    csp->FCommonData->BGChanged = true;
    auto marked = [&] {
      auto bmp = std::make_unique<TBitmap>(child->Width(), child->Height(), pf32bit);
      FillRect32(bmp.get(), TRect(0, 0, bmp->Width(), bmp->Height()), kMarker, 0xFF);
      return bmp;
    };
    auto erased = marked();
    csp->KV_WMEraseBkGndHandler(erased->Canvas()->Handle());
    EXPECT_EQ(erased->PixelColor(5, 5) == kMarker, !c.paints);
    auto printed = marked();
    SendMessageW(child->Handle(), WM_PRINT, WPARAM(printed->Canvas()->Handle()), PRF_NONCLIENT | PRF_CLIENT);
    EXPECT_EQ(printed->PixelColor(printed->Width() / 2, printed->Height() / 2) == kMarker, !c.paints);
  }
}

// The MDI main form's print goes on to its MDI client, which holds the children.
TEST_F(PaintEntryMdi, TheMainFormsPrintReachesTheMdiClient) {
  ASSERT_NE(frame->ClientHandle(), nullptr);
  const PrintCounter counter(frame->ClientHandle());
  TBitmap bmp(frame->Width(), frame->Height(), pf32bit);
  SendMessageW(frame->Handle(), WM_PRINT, WPARAM(bmp.Canvas()->Handle()), PRF_NONCLIENT | PRF_CLIENT);
  EXPECT_EQ(counter.count, 1);
  // Only erasing: the client is not asked.
  SendMessageW(frame->Handle(), WM_PRINT, WPARAM(bmp.Canvas()->Handle()), PRF_ERASEBKGND);
  EXPECT_EQ(counter.count, 1);
}

namespace {
class PaintEntryBordered : public SkinnedForm {};
}  // namespace

// With an outer border window the print is the border window's picture with the graphic
// controls on the client.
TEST_F(PaintEntryBordered, ThePrintCarriesTheGraphicControls) {
  const layered::LayeredCalls bound;  // the layered-window functions bound
  GiveShadow(*skin, TRect(8, 8, 8, 8));
  skin->skin.Data->ExTitleHeight = 30;
  skin->skin.Data->ExBorderWidth = 4;
  form->SetPosition(poDesigned);
  form->SetBounds(120, 110, 300, 200);
  auto* swatch = new Swatch(form);
  swatch->SetBounds(100, 60, 20, 20);
  swatch->SetParent(form);
  SkinAndShow();
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  PumpMessages();
  ASSERT_TRUE(sp->BorderForm);
  sp->FCommonData->BGChanged = true;
  sp->PaintAll();
  TBitmap* cache = sp->FCommonData->FCacheBmp.get();
  TBitmap picture(cache->Width(), cache->Height(), pf32bit);
  SendMessageW(form->Handle(), WM_PRINT, WPARAM(picture.Canvas()->Handle()), PRF_NONCLIENT | PRF_CLIENT);
  EXPECT_EQ(picture.PixelColor(sp->OffsetX() + 110, sp->OffsetY() + 70), clRed);
  EXPECT_EQ(picture.PixelColor(sp->OffsetX() + 5, sp->OffsetY() + 5), kClientActive);
}

// A sizeable form without a border of its own: its frame paint copies the ring of the
// picture that takes the mouse, BorderWidth + 3 wide, and nothing inside it.
TEST_F(PaintEntry, ASizeableFormWithoutBorderGetsOnlyTheRing) {
  MakeSizeableWithoutBorder(form);
  const HWND h = form->Handle();
  ASSERT_FALSE(sp->HaveBorder());
  const Integer ring = sp->BorderWidth(true) + 3;
  const Integer w = form->Width(), hh = form->Height();
  {
    const TWindowDC dc(h);
    const TOwnedBrush marker(CreateSolidBrush(kMarker));
    const RECT all{0, 0, w, hh};
    FillRect(dc, &all, marker.get());
  }
  sp->RgnChanged = false;
  SendMessageW(h, WM_NCPAINT, 1, 0);
  auto shot = WindowShot(h);
  TBitmap* picture = sp->FCommonData->FCacheBmp.get();
  ASSERT_NE(picture, nullptr);
  for (const TPoint p :
       {TPoint(ring - 1, hh / 2), TPoint(w - ring, hh / 2), TPoint(w / 2, ring - 1), TPoint(w / 2, hh - ring)})
    EXPECT_EQ(shot->PixelColor(p.X, p.Y), picture->PixelColor(p.X, p.Y)) << p.X << "," << p.Y;
  for (const TPoint p :
       {TPoint(ring, hh / 2), TPoint(w - ring - 1, hh / 2), TPoint(w / 2, ring), TPoint(w / 2, hh - ring - 1)})
    EXPECT_EQ(shot->PixelColor(p.X, p.Y), kMarker) << p.X << "," << p.Y;
}

// The erase paints the size grip over the client's copy of the picture, at the grip's place in
// the picture, also when the picture was made before the grip showed.
TEST_F(PaintEntry, TheEraseHandlerPaintsTheGrip) {
  constexpr uint32_t kGripPixel = 0xFF10A0E0;
  constexpr Integer kGripSize = 10;
  TkvSkinData& d = *skin->skin.Data;
  d.GripRightBottom = skin->skin.AddImage(TRect(140, 0, 140 + kGripSize, kGripSize), 1, 0);
  skin->skin.Fill(d.GripRightBottom, 0, kGripPixel);
  sp->FCommonData->BGChanged = true;
  sp->PaintAll();  // no grip in it
  sp->FGripMode = gmRightBottom;
  ASSERT_TRUE(IsGripVisible(sp));
  ASSERT_FALSE(sp->FCommonData->BGChanged);
  const TPoint p = sp->RBGripPoint(d.GripRightBottom);
  const TPoint inClient(p.X - sp->OffsetX() + kGripSize / 2, p.Y - sp->OffsetY() + kGripSize / 2);
  ASSERT_LT(inClient.X, form->ClientWidth());
  ASSERT_LT(inClient.Y, form->ClientHeight());
  for (bool visible : {false, true}) {
    SCOPED_TRACE(visible);
    sp->FGripMode = visible ? gmRightBottom : gmNone;
    auto bmp = MarkedClient();
    sp->KV_WMEraseBkGndHandler(bmp->Canvas()->Handle());
    EXPECT_EQ(bmp->PixelColor(inClient.X, inClient.Y),
              visible ? TColor(RgbOfColor(TColor(Rgb(kGripPixel)))) : kClientActive);
  }
}

namespace {

// A container that tells its children it is being updated.
class PreparingHost : public TWinControl {
 public:
  using TWinControl::TWinControl;
  void WndProc(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD && m.WParamHi == KV_PREPARING) {
      m.Result = 1;
      return;
    }
    TWinControl::WndProc(m);
  }
};

}  // namespace

// A form inside a container paints its frame while the container is being updated; its own
// update holds the frame back.
TEST_F(SkinnedForm, AParentedFormsFrameWaitsOnlyForItsOwnUpdate) {
  auto* top = new TForm(app.get());
  top->AfterConstruction();
  top->SetBounds(60, 60, 420, 320);
  auto* host = new PreparingHost(top);
  host->SetParent(top);
  host->SetBounds(0, 0, 400, 300);
  top->Show();
  form->SetParent(host);
  form->SetBounds(10, 10, 300, 200);
  SkinAndShow();
  PumpMessages();
  const Integer h = form->Height();
  ASSERT_TRUE(sp->FCommonData->GetUpdating());  // the container's update reaches the form
  for (const bool ownUpdate : {false, true}) {
    SCOPED_TRACE(ownUpdate ? "own update" : "container's update");
    {
      const TWindowDC dc(form->Handle());
      const TOwnedBrush marker(CreateSolidBrush(kMarker));
      const RECT r{0, h / 2, 3, h / 2 + 10};
      FillRect(dc, &r, marker.get());
    }
    sp->FCommonData->FUpdating = ownUpdate;
    SendMessageW(form->Handle(), WM_NCPAINT, 1, 0);
    sp->FCommonData->FUpdating = false;
    EXPECT_EQ(WindowShot(form->Handle())->PixelColor(1, h / 2 + 5), ownUpdate ? kMarker : kBorderColor);
  }
}
