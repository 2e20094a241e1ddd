// Control printing: controls and their children painted into bitmaps and DCs.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/Resampling.h"
#include "raster/kvgpUtils.h"
#include "skin/sVclUtils.h"
#include "ui/Buttons.h"
#include "ui/Canvas.h"
#include "ui/ComCtrls.h"
#include "ui/Forms.h"

namespace {

using Bmp = std::unique_ptr<TBitmap>;

Bmp Filled(Integer w, Integer h, uint32_t pixel) {
  Bmp b(CreateBmp32(w, h));
  FillRect32(b.get(), TRect(0, 0, w, h), SwapRedBlue(pixel & 0xFFFFFF), Byte(pixel >> 24));
  return b;
}
TColor ColourAt(TBitmap* b, Integer x, Integer y) { return SwapRedBlue(GetAPixel(b, x, y)) & 0xFFFFFF; }
void FillHdc(HDC dc, const RECT& r, COLORREF c) {
  HBRUSH brush = CreateSolidBrush(c);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

// A window that says it is skinned: it answers KV_PRINTING and prints itself in its colour
// on WM_PRINT, answering printAnswer.
class TSkinnedProbe : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  TColor paintColor = clRed;
  intptr_t printAnswer = 0;
  int printingStarts = 0, printingEnds = 0;
  Integer forceOpaqueData = -1;
  void WndProc(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD && m.WParamHi == KV_PRINTING) {
      (m.WParamLo ? printingStarts : printingEnds)++;
      m.Result = 1;
      return;
    }
    if (m.Msg == SM_ALPHACMD && m.WParamHi == KV_FORCEOPAQUE) {
      forceOpaqueData = m.WParamLo;
      m.Result = 1;
      return;
    }
    if (m.Msg == WM_PRINT) {
      FillHdc(HDC(m.WParam), RECT{0, 0, Width(), Height()}, paintColor);
      m.Result = printAnswer;
      return;
    }
    TCustomControl::WndProc(m);
  }
};

// A graphic control painted in its colour; counts its paints and may paint its owner again.
class TGraphicProbe : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  TColor paintColor = clBlue;
  int paints = 0;
  std::function<void(HDC)> during;
  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_PAINT && m.WParam) {
      ++paints;
      FillHdc(HDC(m.WParam), RECT{0, 0, Width(), Height()}, paintColor);
      if (during) during(HDC(m.WParam));
      return;
    }
    TGraphicControl::Dispatch(m);
  }
};

// A container that counts the KV_SETHALFVISIBLE it is sent.
class TContainer : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  int halfVisible = 0;
  void WndProc(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD && m.WParamHi == KV_SETHALFVISIBLE) ++halfVisible;
    TCustomControl::WndProc(m);
  }
};

// Counts the paints a control gets through its WindowProc.
class TRecorder : public TObject {
 public:
  explicit TRecorder(TControl* c) : control(c), old(c->WindowProc()) {
    c->SetWindowProc(TWndMethod(this, &TRecorder::Proc));
  }
  ~TRecorder() override { Unhook(); }
  void Unhook() {
    if (control->WindowProc() == TWndMethod(this, &TRecorder::Proc)) control->SetWindowProc(old);
  }
  void Proc(TMessage& m) {
    if (m.Msg == WM_PAINT && m.WParam) ++paints;
    old(m);
  }
  TControl* control;
  TWndMethod old;
  int paints = 0;
};

struct Printing : ::testing::Test {
  void SetUp() override {
    kvgpUtilsStartup();
    app = std::make_unique<TApplication>();
    form = new TForm(app.get());
    form->AfterConstruction();
    form->SetBorderStyle(bsNone);
    form->SetBounds(50, 50, 100, 60);
    form->SetColor(clLime);
  }
  void TearDown() override { app.reset(); }
  std::unique_ptr<TApplication> app;
  TForm* form = nullptr;
};

}  // namespace

TEST_F(Printing, AHiddenControlShowsItsParentsPlainBackground) {
  TGraphicProbe probe(form);
  probe.SetBounds(10, 5, 20, 15);
  probe.SetParent(form);
  probe.SetVisible(false);
  Bmp b = Filled(100, 60, 0xFF000000);
  SkinPaintTo(b.get(), &probe, 10, 5);
  EXPECT_EQ(ColourAt(b.get(), 10, 5), clLime);
  EXPECT_EQ(ColourAt(b.get(), 29, 19), clLime);
  EXPECT_EQ(ColourAt(b.get(), 30, 19), 0u);  // exactly the control's rectangle
  EXPECT_EQ(ColourAt(b.get(), 9, 5), 0u);
  EXPECT_EQ(probe.paints, 0);
  probe.SetParent(nullptr);
}

TEST_F(Printing, SkinnedWindowPrintsItselfAndThenItsChildren) {
  TSkinnedProbe panel(form);
  panel.SetBounds(0, 0, 60, 40);
  panel.SetParent(form);
  TSkinnedProbe child(form);
  child.paintColor = clYellow;
  child.SetBounds(10, 10, 20, 10);
  child.SetParent(&panel);
  form->HandleNeeded();
  panel.HandleNeeded();
  child.HandleNeeded();
  Bmp b = Filled(60, 40, 0xFF000000);
  SkinPaintTo(b.get(), &panel);
  EXPECT_EQ(ColourAt(b.get(), 2, 2), clRed);       // the panel's own print
  EXPECT_EQ(ColourAt(b.get(), 15, 15), clYellow);  // the child at its place
  EXPECT_EQ(panel.printingStarts, 1);
  EXPECT_EQ(panel.printingEnds, 1);
  // A control that prints its children itself (answer -2) gets no second round.
  panel.printAnswer = NOCHILDRENPRINT;
  Bmp c = Filled(60, 40, 0xFF000000);
  SkinPaintTo(c.get(), &panel);
  EXPECT_EQ(ColourAt(c.get(), 15, 15), clRed);
  child.SetParent(nullptr);
  panel.SetParent(nullptr);
}

TEST_F(Printing, UnskinnedControlsArePaintedByTheClassLibraryWithOpaqueAlpha) {
  form->HandleNeeded();
  Bmp b = Filled(100, 60, 0x00000000);
  SkinPaintTo(b.get(), form);
  EXPECT_EQ(ColourAt(b.get(), 50, 30), clLime);
  Bmp std = Filled(100, 60, 0x00000000);
  StdPaintTo(std.get(), static_cast<TWinControl*>(form));
  EXPECT_EQ(ColourAt(std.get(), 50, 30), clLime);
  EXPECT_EQ(PixA(GetAPixel(std.get(), 50, 30)), 255);
}

TEST_F(Printing, ATabSheetsChildrenArePaintedInsideItsBorder) {
  auto* pages = new TPageControl(form);
  pages->SetBounds(0, 0, 100, 60);
  pages->SetParent(form);
  auto* sheet = new TTabSheet(form);
  sheet->SetPageControl(pages);
  auto* probe = new TGraphicProbe(form);
  probe->SetBounds(0, 0, 10, 10);  // the top-left corner of the sheet's client area
  probe->SetParent(sheet);
  pages->HandleNeeded();  // its pages get their windows with it
  for (Integer border : {0, 6}) {
    sheet->SetBorderWidth(border);
    ASSERT_TRUE(sheet->HandleAllocated());
    Bmp b = Filled(sheet->Width(), sheet->Height(), 0xFF000000);
    StdPaintTo(b.get(), static_cast<TWinControl*>(sheet));
    EXPECT_EQ(ColourAt(b.get(), border, border), clBlue) << border;
    EXPECT_EQ(ColourAt(b.get(), border + 9, border + 9), clBlue) << border;
    EXPECT_NE(ColourAt(b.get(), border + 10, border + 10), clBlue) << border;
    if (border) { EXPECT_NE(ColourAt(b.get(), 0, 0), clBlue); }
  }
}

TEST_F(Printing, ASpeedButtonBeingDesignedPaintsPastItsWindowProc) {
  auto* owner = new TContainer(form);
  owner->SetBounds(0, 0, 80, 50);
  owner->SetColor(clAqua);
  owner->SetParent(form);
  form->HandleNeeded();
  owner->HandleNeeded();
  for (bool designing : {false, true}) {
    auto* button = new TSpeedButton(form);
    button->SetFlat(true);
    button->SetTransparent(false);
    button->SetColor(clYellow);  // a flat, opaque button fills itself with its colour
    button->SetBounds(5, 5, 30, 20);
    button->SetParent(owner);
    button->SetDesigning(designing);
    TRecorder rec(button);
    Bmp b = Filled(80, 50, 0xFF000000);
    PaintControls(b->Canvas()->Handle(), owner, false, TPoint(), true);
    EXPECT_EQ(rec.paints, designing ? 0 : 1) << designing;  // designed: not through the WindowProc
    EXPECT_EQ(ColourAt(b.get(), 20, 15), clYellow) << designing;
    EXPECT_EQ(ColourAt(b.get(), 50, 15), 0u) << designing;  // outside the button: not copied
    rec.Unhook();
    delete button;
  }
}

TEST_F(Printing, RootControlGetsTheSiblingsAboveThatOverlapIt) {
  TSkinnedProbe base(form);
  base.SetBounds(0, 0, 50, 30);
  base.SetParent(form);
  TSkinnedProbe over(form);
  over.paintColor = clYellow;
  over.SetBounds(40, 20, 20, 20);  // overlaps the base's bottom-right corner
  over.SetParent(form);
  TSkinnedProbe apart(form);
  apart.paintColor = clAqua;
  apart.SetBounds(70, 0, 20, 20);
  apart.SetParent(form);
  form->HandleNeeded();
  Bmp b = Filled(50, 30, 0xFF000000);
  SkinPaintTo(b.get(), &base, 0, 0, nullptr, true);
  EXPECT_EQ(ColourAt(b.get(), 5, 5), clRed);
  EXPECT_EQ(ColourAt(b.get(), 45, 25), clYellow);  // the overlapping sibling on top
  for (Integer x = 0; x < 50; ++x) EXPECT_NE(ColourAt(b.get(), x, 5), clAqua);
  apart.SetParent(nullptr);
  over.SetParent(nullptr);
  base.SetParent(nullptr);
}

TEST_F(Printing, GraphicChildrenOverTheContainersBackground) {
  TContainer owner(form);
  owner.SetBounds(0, 0, 80, 50);
  owner.SetParent(form);
  TGraphicProbe shown(&owner), hidden(&owner), flat(&owner);
  shown.SetBounds(5, 5, 20, 20);
  shown.SetParent(&owner);
  hidden.SetBounds(30, 5, 20, 20);
  hidden.SetVisible(false);
  hidden.SetParent(&owner);
  flat.SetBounds(55, 5, 0, 20);
  flat.SetParent(&owner);
  form->HandleNeeded();
  owner.HandleNeeded();
  Bmp b = Filled(80, 50, 0xFF000000);
  HDC dc = b->Canvas()->Handle();
  // A nested call from inside a child's paint paints nothing more.
  int nestedPaints = -1;
  shown.during = [&](HDC) {
    const int before = shown.paints;
    PaintControls(dc, &owner, false, TPoint(), true);
    nestedPaints = shown.paints - before;
  };
  PaintControls(dc, &owner, false, TPoint(), true);
  EXPECT_EQ(shown.paints, 1);
  EXPECT_EQ(nestedPaints, 0);
  EXPECT_EQ(hidden.paints, 0);  // invisible at run time
  EXPECT_EQ(flat.paints, 0);    // no width
  EXPECT_EQ(ColourAt(b.get(), 10, 10), clBlue);
  EXPECT_EQ(ColourAt(b.get(), 40, 10), 0u);  // the hidden child's place left alone
  // An empty clip box: nothing painted, the owner told it is half visible.
  shown.during = nullptr;
  const int save = SaveDC(dc);
  IntersectClipRect(dc, 0, 0, 0, 0);
  PaintControls(dc, &owner, false, TPoint(), true);
  RestoreDC(dc, save);
  EXPECT_EQ(shown.paints, 1);
  EXPECT_EQ(owner.halfVisible, 1);
  flat.SetParent(nullptr);
  hidden.SetParent(nullptr);
  shown.SetParent(nullptr);
  owner.SetParent(nullptr);
}

TEST_F(Printing, OnlyGraphicControlsArePaintedNotOtherWindowlessChildren) {
  TContainer owner(form);
  owner.SetBounds(0, 0, 80, 50);
  owner.SetParent(form);
  TGraphicProbe graphic(&owner);
  graphic.SetBounds(5, 5, 20, 20);
  graphic.SetParent(&owner);
  TControl plain(&owner);  // windowless, but no graphic control
  plain.SetBounds(40, 5, 20, 20);
  plain.SetParent(&owner);
  TRecorder plainPaints(&plain);
  form->HandleNeeded();
  owner.HandleNeeded();
  Bmp b = Filled(80, 50, 0xFF000000);
  PaintControls(b->Canvas()->Handle(), &owner, false, TPoint(), true);
  EXPECT_EQ(graphic.paints, 1);
  EXPECT_EQ(plainPaints.paints, 0);
  plainPaints.Unhook();
  plain.SetParent(nullptr);
  graphic.SetParent(nullptr);
  owner.SetParent(nullptr);
}

// Remembers the order of KV_INVALIDATE and paints it receives.
class TOrderProbe : public TGraphicProbe {
 public:
  using TGraphicProbe::TGraphicProbe;
  std::vector<std::string> log;
  void Dispatch(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD && m.WParamHi == KV_INVALIDATE) log.push_back("invalidate");
    if (m.Msg == WM_PAINT && m.WParam) log.push_back("paint");
    TGraphicProbe::Dispatch(m);
  }
};

TEST_F(Printing, AlignedChildrenOfAnMDIFormAreInvalidatedBeforeTheyPaint) {
  TOrderProbe aligned(form), free(form);
  aligned.SetBounds(0, 0, 100, 20);
  aligned.SetAlign(alTop);
  aligned.SetParent(form);
  free.SetBounds(10, 30, 20, 20);
  free.SetParent(form);
  form->HandleNeeded();
  Bmp b = Filled(100, 60, 0xFF000000);
  PaintControls(b->Canvas()->Handle(), form, false, TPoint(), false);
  EXPECT_EQ(aligned.log, (std::vector<std::string>{"paint"}));  // not an MDI form
  aligned.log.clear();
  form->SetFormStyle(fsMDIForm);
  PaintControls(b->Canvas()->Handle(), form, false, TPoint(), false);
  EXPECT_EQ(aligned.log, (std::vector<std::string>{"invalidate", "paint"}));
  EXPECT_EQ(free.log, (std::vector<std::string>{"paint", "paint"}));  // not aligned: never told
  form->SetFormStyle(fsNormal);
  free.SetParent(nullptr);
  aligned.SetParent(nullptr);
}

TEST_F(Printing, ToolButtonsAreLeftToTheSystemToolBarButSeparatorsPainted) {
  TContainer owner(form);
  owner.SetBounds(0, 0, 100, 40);
  owner.SetParent(form);
  form->HandleNeeded();
  owner.HandleNeeded();
  // Tool buttons on a plain container: the skip depends on the button's style alone.
  struct Case {
    TToolButtonStyle style;
    bool painted;
  } cases[] = {{tbsButton, false},   {tbsCheck, false},  {tbsDropDown, false},
               {tbsSeparator, true}, {tbsDivider, true}, {tbsTextButton, true}};
  for (const Case& c : cases) {
    auto* tool = new TToolButton(form);
    tool->SetStyle(c.style);
    tool->SetBounds(5, 5, 20, 20);
    tool->SetParent(&owner);
    TRecorder rec(tool);
    Bmp b = Filled(100, 40, 0xFF000000);
    PaintControls(b->Canvas()->Handle(), &owner, false, TPoint(), true);
    EXPECT_EQ(rec.paints > 0, c.painted) << int(c.style);
    rec.Unhook();
    delete tool;
  }
  owner.SetParent(nullptr);
}

TEST_F(Printing, ForceOpaqueGoesToWindowedControlsOnly) {
  TSkinnedProbe windowed(form);
  windowed.SetParent(form);
  windowed.HandleNeeded();
  Integer data = 0x12345;
  EXPECT_TRUE(RepaintOpaque(&windowed, data));
  EXPECT_EQ(windowed.forceOpaqueData, 0x2345);  // the low 16 bits
  TGraphicProbe graphic(form);
  EXPECT_FALSE(RepaintOpaque(&graphic, data));
  windowed.SetParent(nullptr);
}

TEST_F(Printing, BufferedPrintClientFillsAndPrintsTheClientArea) {
  ASSERT_TRUE(IsWinVistaUp());
  TSkinnedProbe probe(form);
  probe.SetBounds(10, 10, 30, 20);
  probe.SetParent(form);
  form->Show();
  Application->ProcessMessages();
  BufferedPrintClient(probe.Handle(), TRect(0, 0, 30, 20), clRed);
  HDC dc = GetDC(probe.Handle());
  const COLORREF seen = GetPixel(dc, 5, 5);
  ReleaseDC(probe.Handle(), dc);
  EXPECT_EQ(seen, COLORREF(clRed));
  probe.SetParent(nullptr);
}
