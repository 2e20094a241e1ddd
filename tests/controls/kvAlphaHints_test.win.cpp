// The alpha hints component: taking over the library's hint window class, hints shown from the
// default template at a point (also through kvShowHintWnd), the picture's alpha kept under the
// text, the fade-in ending at full opacity, and everything given back when it goes.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/kvAlphaHints.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/MaskImages.h"
#include "skin/sVclUtils.h"
#include "support/SkinFixture.h"
#include "ui/ExtCtrls.h"

namespace {

class AlphaHints : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "window tests need a display";
    sGraphUtilsStartup();  // binds the layered-window functions
    ASSERT_TRUE(kvLayered());
    kvAlphaHintsStartup();
    app = std::make_unique<TApplication>();
  }
  void TearDown() override {
    app.reset();
    kvAlphaHintsCleanup();
  }
  // A panel at r of a shown form (the application owns both).
  TPanel* ShownPanel(const TRect& r) {
    auto* form = new TForm(app.get());
    form->AfterConstruction();
    form->SetBounds(100, 100, 300, 200);
    form->Show();
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    return panel;
  }
  std::unique_ptr<TApplication> app;
};

struct OldHandler : TObject {
  int calls = 0;
  void Show(String&, bool&, THintInfo&) { ++calls; }
};

}  // namespace

TEST_F(AlphaHints, TheComponentTakesTheHintWindowClassAndGivesItBack) {
  OldHandler old;
  app->SetOnShowHint(TShowHintEvent(&old, &OldHandler::Show));
  {
    TsAlphaHints hints(app.get());
    hints.AfterConstruction();
    EXPECT_EQ(Manager, &hints);
    EXPECT_EQ(HintWindowClass, &TkvPngHintWindow::StaticClass());
    EXPECT_EQ(app->HintHidePause(), 5000);
    // The application's own handler is chained.
    String text = u"x";
    bool canShow = true;
    THintInfo info;
    app->OnShowHint()(text, canShow, info);
    EXPECT_EQ(old.calls, 1);
    hints.SetActive(false);
    EXPECT_EQ(Manager, nullptr);
    EXPECT_EQ(HintWindowClass, &THintWindow::StaticClass());
    hints.SetActive(true);
    EXPECT_EQ(Manager, &hints);
  }
  EXPECT_EQ(Manager, nullptr);
  EXPECT_EQ(HintWindowClass, &THintWindow::StaticClass());
  EXPECT_EQ(app->OnShowHint(), TShowHintEvent(&old, &OldHandler::Show));
}

TEST_F(AlphaHints, KvShowHintWndShowsATemplatePictureAtThePointAtOnceWithoutAnimation) {
  TsAlphaHints hints(app.get());
  hints.AfterConstruction();
  hints.SetAnimated(false);
  THintWindow* w = kvShowHintWnd(u"Downloading", TPoint(300, 300));
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w, hints.HintWindow);
  EXPECT_TRUE(hints.IsHintShowing());
  ASSERT_TRUE(hints.AnimWindow);
  HWND picture = hints.AnimWindow->Handle();
  EXPECT_TRUE(IsWindowVisible(picture));
  EXPECT_TRUE(GetWindowLongW(picture, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_TRUE(GetWindowLongW(picture, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
  RECT r{};
  GetWindowRect(picture, &r);
  // The body's corner is at the point: the picture begins the template's shadow earlier.
  EXPECT_EQ(r.left, 300 - 6);
  EXPECT_EQ(r.top, 300 - 5);
  EXPECT_EQ(r.right - r.left, hints.NewBounds.Width());
  // The picture was kept for the next hint to fade from.
  ASSERT_TRUE(hints.OldAlphaBmp);
  EXPECT_EQ(hints.OldAlphaBmp->Width(), r.right - r.left);
  hints.HideAll();
  EXPECT_FALSE(hints.AnimWindow);
  EXPECT_FALSE(hints.IsHintShowing());
}

TEST_F(AlphaHints, TextOnATemplateLeavesThePicturesAlphaAsItWas) {
  TsAlphaHints hints(app.get());
  hints.AfterConstruction();
  TFont font;
  font.SetHeight(-14);
  TRect shadow;
  TBitmap* raw = nullptr;
  hints.CreateHintBmp(u"WWWW", &font, shadow, raw);
  std::unique_ptr<TBitmap> pic(raw);
  ASSERT_TRUE(pic);
  ASSERT_GT(pic->Width(), 27);
  EXPECT_EQ(shadow, TRect(6, 5, 7, 8));
  // The body is opaque everywhere inside, text or not; the shadow's far corner is clear.
  bool ink = false;
  for (Integer y = 8; y < pic->Height() - 15; ++y)
    for (Integer x = 11; x < pic->Width() - 16; ++x) {
      const uint32_t px = static_cast<const uint32_t*>(static_cast<const TBitmap*>(pic.get())->ScanLine(y))[x];
      EXPECT_EQ(px >> 24, 255u) << x << "," << y;
      if ((px & 0xFF) < 0x80) ink = true;  // dark text on the pale body
    }
  EXPECT_TRUE(ink);
  EXPECT_EQ(static_cast<const uint32_t*>(static_cast<const TBitmap*>(pic.get())->ScanLine(0))[0] >> 24, 0u);
}

TEST_F(AlphaHints, TheFadeInShortensTheHintPauseAndEndsAtFullOpacity) {
  TsAlphaHints hints(app.get());
  hints.AfterConstruction();
  app->SetHintPause(500);
  hints.ShowHint(TPoint(200, 200), u"Fading", 0);
  ASSERT_TRUE(hints.ShowTimer);
  EXPECT_EQ(app->HintPause(), 100);
  EXPECT_EQ(hints.FOldHintPause, 500);
  int ticks = 0;
  while (hints.ShowTimer->Enabled() && ticks < 50) {
    hints.ShowTimer->IntOnTimer(nullptr);
    ++ticks;
  }
  EXPECT_LE(ticks, 21);  // at most 20 steps, then the end
  EXPECT_EQ(hints.Blend, 0.0);
  ASSERT_TRUE(hints.OldAlphaBmp);
  BYTE alpha = 0;
  DWORD flags = 0;
  // The picture window carries the picture at full opacity (per-pixel alpha, constant 255).
  if (GetLayeredWindowAttributes(hints.AnimWindow->Handle(), nullptr, &alpha, &flags) && (flags & LWA_ALPHA)) {
    EXPECT_EQ(alpha, 255);
  }
  hints.HideAll();
  hints.StartCheckTimer();
  hints.CheckTimer->OnTimer()(nullptr);  // the clean-up after the hint hid
  EXPECT_EQ(app->HintPause(), 500);
}

namespace {
struct Forbid : TObject {
  int calls = 0;
  void Show(String&, bool& canShow, TFrame*&, THintInfo&) {
    ++calls;
    canShow = false;
  }
};
}  // namespace

TEST_F(AlphaHints, AHandlerThatForbidsTheHintKeepsShowHintFromShowingAnything) {
  TsAlphaHints hints(app.get());
  hints.AfterConstruction();
  Forbid forbid;
  hints.SetOnShowHint(TkvShowHintEvent(&forbid, &Forbid::Show));
  hints.ShowHint(TPoint(300, 300), u"Not now", 1000);
  EXPECT_EQ(forbid.calls, 1);
  EXPECT_FALSE(hints.AnimWindow);
  EXPECT_FALSE(hints.IsHintShowing());
}

TEST_F(AlphaHints, AComponentTaggedAsExceptedNeitherInstallsItselfNorChangesTheHintSettings) {
  app->SetHintHidePause(2500);
  TsAlphaHints hints(app.get());
  hints.SetTag(ExceptTag);
  hints.AfterConstruction();
  EXPECT_EQ(Manager, nullptr);
  EXPECT_EQ(app->HintHidePause(), 2500);
  EXPECT_FALSE(app->OnShowHint());
  hints.SetPauseHide(100);
  EXPECT_EQ(app->HintHidePause(), 2500);
}

TEST_F(AlphaHints, WithoutAMaximumWidthTheTextWrapsOnlyAtTheScreenWidth) {
  TsAlphaHints hints(app.get());
  hints.AfterConstruction();
  const String text = u"A hint text long enough to wrap at one hundred and twenty pixels, but not at the screen";
  TRect shadow;
  TBitmap* narrow = nullptr;
  hints.CreateHintBmp(text, nullptr, shadow, narrow);
  hints.SetMaxWidth(0);
  TBitmap* wide = nullptr;
  hints.CreateHintBmp(text, nullptr, shadow, wide);
  std::unique_ptr<TBitmap> a(narrow), b(wide);
  EXPECT_LE(a->Width(), 120 + 11 + 16);  // the text within 120, plus the picture's margins
  EXPECT_GT(b->Width(), 200);
  EXPECT_LT(b->Height(), a->Height());  // one line instead of several
}

TEST_F(AlphaHints, AutomaticAlignmentPutsTheHintBelowTheMiddleOfItsControl) {
  TPanel* panel = ShownPanel(TRect(20, 30, 100, 54));
  TsAlphaHints hints(app.get());
  hints.AfterConstruction();
  hints.SetAnimated(false);
  hints.SetAutoAlignment(true);
  hints.ShowHint(panel, u"Below", 1000);
  ASSERT_TRUE(hints.AnimWindow);
  RECT wr{}, pr{};
  GetWindowRect(panel->Handle(), &pr);
  GetWindowRect(hints.AnimWindow->Handle(), &wr);
  // The default picture's point (body corner) is the bottom middle moved inside its shadow,
  // so the picture starts exactly there.
  EXPECT_EQ(wr.left, (pr.left + pr.right) / 2);
  EXPECT_EQ(wr.top, pr.bottom);
}

namespace {
void PumpFor(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(5);
  }
}
}  // namespace

TEST_F(AlphaHints, AHintWithoutHideTimeStaysWhileTheMouseIsOverItsControlAndGoesWhenItLeaves) {
  TPanel* panel = ShownPanel(TRect(20, 30, 140, 90));
  RECT pr{};
  GetWindowRect(panel->Handle(), &pr);
  SetCursorPos((pr.left + pr.right) / 2, (pr.top + pr.bottom) / 2);
  TsAlphaHints hints(app.get());
  hints.AfterConstruction();
  hints.SetAnimated(false);
  hints.ShowHint(panel, u"Stays", 0);
  ASSERT_TRUE(hints.AnimWindow);
  PumpFor(700);  // two checks of the mouse pass
  EXPECT_TRUE(hints.AnimWindow);
  SetCursorPos(pr.left + 500, pr.top + 400);
  PumpFor(500);
  EXPECT_FALSE(hints.AnimWindow);
  EXPECT_FALSE(hints.IsHintShowing());
}

TEST_F(AlphaHints, ASkinsHintSectionPaintsTheHintWhenTheComponentUsesSkinData) {
  SkinFixture skin;
  skin.AddSection(PlainSection(u"HINT", 0, 0x00336699));
  skin.Data->IndexSections();
  TsAlphaHints hints(app.get());
  hints.AfterConstruction();
  hints.SetUseSkinData(true);
  ASSERT_TRUE(hints.Skinned());
  TRect shadow;
  TBitmap* raw = nullptr;
  hints.CreateHintBmp(u"Skinned", nullptr, shadow, raw);
  std::unique_ptr<TBitmap> pic(raw);
  ASSERT_TRUE(pic && !pic->Empty());
  EXPECT_EQ(shadow, TRect(0, 0, 0, 0));  // the section draws no shadow of its own
  EXPECT_EQ(pic->PixelColor(1, 1) & 0xFFFFFF, TColor(0x336699));
  EXPECT_EQ(static_cast<const uint32_t*>(static_cast<const TBitmap*>(pic.get())->ScanLine(1))[1] >> 24, 255u);
}

TEST_F(AlphaHints, RepaintingAVisibleHintMeasuresItsNewTextAndKeepsItsPlace) {
  TsAlphaHints hints(app.get());
  hints.AfterConstruction();
  hints.SetAnimated(false);
  hints.SetMaxWidth(0);
  hints.ShowHint(TPoint(200, 200), u"Short", 0);
  ASSERT_TRUE(hints.AnimWindow);
  RECT before{};
  GetWindowRect(hints.AnimWindow->Handle(), &before);
  auto* window = dynamic_cast<TkvCustomHintWindow*>(hints.HintWindow);
  ASSERT_NE(window, nullptr);
  window->Text = u"A much longer text than before";
  hints.FHintPos = TPoint(before.left, before.top);
  hints.RepaintHint();
  RECT after{};
  GetWindowRect(hints.AnimWindow->Handle(), &after);
  EXPECT_GT(after.right - after.left, before.right - before.left);
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  EXPECT_TRUE(hints.IsHintShowing());
}

namespace {
// Pixels of a hint picture that are clearly red (the text of a red font).
Integer RedPixels(const TBitmap& pic) {
  Integer n = 0;
  for (Integer y = 0; y < pic.Height(); ++y)
    for (Integer x = 0; x < pic.Width(); ++x) {
      const TColor c = pic.PixelColor(x, y);
      n += (c & 0xFF) > 0xC0 && ((c >> 8) & 0xFF) < 0x50 && ((c >> 16) & 0xFF) < 0x50;
    }
  return n;
}
// Pixels that differ from the hint section's plain body.
Integer InkedPixels(const TBitmap& pic, TColor body) {
  Integer n = 0;
  for (Integer y = 0; y < pic.Height(); ++y)
    for (Integer x = 0; x < pic.Width(); ++x) n += (pic.PixelColor(x, y) & 0xFFFFFF) != body;
  return n;
}
std::unique_ptr<TBitmap> HintPicture(TsAlphaHints& hints, const String& text) {
  TRect shadow;
  TBitmap* raw = nullptr;
  hints.CreateHintBmp(text, nullptr, shadow, raw);
  return std::unique_ptr<TBitmap>(raw);
}
constexpr TColor kHintBody = 0x00E0E0E0;
// A skin whose plain "HINT" section the component paints its hints with.
struct SkinnedHints {
  explicit SkinnedHints(TComponent* owner)
      : SkinnedHints(owner, [](SkinFixture&) { return PlainSection(u"HINT", 0, kHintBody); }) {}
  // The "HINT" section made by makeSection, which may add its images to the skin first.
  template <class MakeSection>
  SkinnedHints(TComponent* owner, MakeSection makeSection) : hints(owner) {
    skin.AddSection(makeSection(skin));
    skin.Data->IndexSections();
    hints.AfterConstruction();
    hints.SetUseSkinData(true);
  }
  SkinFixture skin;
  TsAlphaHints hints;
};
}  // namespace

TEST_F(AlphaHints, InHtmlModeTheTextsTagsBreakLinesAndColourWords) {
  SkinnedHints skinned(app.get());
  TsAlphaHints& hints = skinned.hints;
  hints.SetMaxWidth(0);
  ASSERT_TRUE(hints.Skinned());
  const String text = u"WWW<br><font color=\"#FF0000\">WWW</font>";
  auto plain = HintPicture(hints, text);
  hints.SetHTMLMode(true);
  auto html = HintPicture(hints, text);
  ASSERT_TRUE(plain && html);
  EXPECT_GT(html->Height(), plain->Height());  // two rows instead of one
  EXPECT_LT(html->Width(), plain->Width());    // without the tags' letters
  EXPECT_GT(RedPixels(*html), 0);
  EXPECT_EQ(RedPixels(*plain), 0);  // as plain text the tags are letters in the section's colour
}

TEST_F(AlphaHints, TheMeasureHandlerSetsTheSizeOfTheHintsText) {
  SkinnedHints skinned(app.get());
  TsAlphaHints& hints = skinned.hints;
  auto before = HintPicture(hints, u"Measured");
  struct Handler : TObject {
    String text;
    Integer measuredW = 0, measuredH = 0;
    void Measure(const String& t, THintInfo&, Integer& w, Integer& h) {
      text = t;
      measuredW = w;
      measuredH = h;
      w += 50;
      h += 30;
    }
  } handler;
  hints.SetOnMeasure(TkvHintMeasureEvent(&handler, &Handler::Measure));
  auto after = HintPicture(hints, u"Measured");
  EXPECT_EQ(handler.text, u"Measured");
  EXPECT_GT(handler.measuredW, 0);
  EXPECT_GT(handler.measuredH, 0);
  EXPECT_EQ(after->Width(), before->Width() + 50);
  EXPECT_EQ(after->Height(), before->Height() + 30);
}

TEST_F(AlphaHints, ThePaintHandlerDrawsBeforeTheTextAndMayTakeItsPlace) {
  SkinnedHints skinned(app.get());
  TsAlphaHints& hints = skinned.hints;
  struct Handler : TObject {
    bool keepDefault = true;
    TRect rect;
    TBitmap* bitmap = nullptr;
    void Paint(const String&, const THintInfo&, bool& defaultDraw, TBitmap* bmp, const TRect& r) {
      bitmap = bmp;
      rect = r;
      defaultDraw = keepDefault;
    }
  } handler;
  hints.SetOnPaint(TkvHintPaintEvent(&handler, &Handler::Paint));
  auto drawn = HintPicture(hints, u"WWWW");
  ASSERT_NE(handler.bitmap, nullptr);
  EXPECT_GT(handler.rect.Width(), 0);  // the text's rectangle inside the picture
  EXPECT_GE(handler.rect.Left, 0);
  EXPECT_LE(handler.rect.Right, drawn->Width());
  EXPECT_GT(InkedPixels(*drawn, kHintBody), 0);
  handler.keepDefault = false;
  auto own = HintPicture(hints, u"WWWW");
  EXPECT_EQ(InkedPixels(*own, kHintBody), 0);  // the handler drew nothing, and no text came
}

namespace {
// A child of a hint frame: asks its parent for the background when it paints, then fills its
// place with a colour.
class BackgroundAsker : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  ~BackgroundAsker() override {
    if (gone) *gone = true;
  }
  TkvBGInfo asked;
  Integer paints = 0, pictureWidth = 0;
  bool* gone = nullptr;

 protected:
  void Paint() override {
    ++paints;
    asked.Offset = TPoint(Left(), Top());
    GetBGInfo(&asked, Parent(), false);
    if (asked.Bmp) pictureWidth = asked.Bmp->Width();
    RECT r{0, 0, Width(), Height()};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(Canvas()->Handle(), &r, red);
    DeleteObject(red);
  }
};

// Hands over a frame of 60 x 30 with one asking child at (5, 4), 20 x 10.
struct FrameGiver : TObject {
  Integer calls = 0;
  TFrame* given = nullptr;
  BackgroundAsker* child = nullptr;
  bool childGone = false;
  HWND home = nullptr;  // a window of its own for the frame; none: the hint's
  TWndMethod original;
  void Show(String&, bool&, TFrame*& frame, THintInfo&) {
    ++calls;
    given = new TFrame(nullptr);
    given->SetBounds(0, 0, 60, 30);
    if (home) given->SetParentWindow(home);
    child = new BackgroundAsker(given);
    child->SetParent(given);
    child->SetBounds(5, 4, 20, 10);
    child->gone = &childGone;
    original = given->WindowProc();
    frame = given;
  }
};

uint32_t PixelAt(const TBitmap& bmp, Integer x, Integer y) { return static_cast<const uint32_t*>(bmp.ScanLine(y))[x]; }
// A hint request of that content size and caption at (300, 300).
TkvShowHintData Request(Integer width, Integer height, const String& caption) {
  TkvShowHintData data;
  data.Width = width;
  data.Height = height;
  data.Position = TPoint(300, 300);
  data.Caption = caption;
  return data;
}
// Opaque blue, give or take the blend's rounding.
bool IsBlue(uint32_t px) { return (px >> 24) == 255 && (px & 0xFF) >= 0xF0 && (px & 0xFFFF00) == 0; }
}  // namespace

TEST_F(AlphaHints, AFrameFromTheShowHintHandlerIsShownInPlaceOfTheTextWithItsChildrenOnThePicture) {
  SkinnedHints skinned(app.get());
  TsAlphaHints& hints = skinned.hints;
  hints.SetAnimated(false);
  FrameGiver giver;
  hints.SetOnShowHint(TkvShowHintEvent(&giver, &FrameGiver::Show));
  hints.ShowHint(TPoint(300, 300), u"Text that is not drawn", 1000);
  ASSERT_EQ(giver.calls, 1);
  ASSERT_EQ(hints.HintFrame.get(), giver.given);
  ASSERT_TRUE(hints.OldAlphaBmp);
  const TBitmap& pic = *hints.OldAlphaBmp;
  // The frame's size plus the skinned hint's border of 4 on each side.
  EXPECT_EQ(pic.Width(), 68);
  EXPECT_EQ(pic.Height(), 38);
  // The child painted at its place in the frame, the frame at the text's place; opaque.
  ASSERT_GE(giver.child->paints, 1);
  EXPECT_EQ(PixelAt(pic, 4 + 5 + 10, 4 + 4 + 5), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(pic, 4 + 5 + 25, 4 + 4 + 5) & 0xFFFFFF, uint32_t(kHintBody));
  EXPECT_EQ(PixelAt(pic, 4 + 5 + 25, 4 + 4 + 5) >> 24, 255u);
  // Its background came from the picture being drawn, where the frame lies in it.
  EXPECT_EQ(giver.child->asked.BgType, btCache);
  EXPECT_EQ(giver.child->pictureWidth, 68);
  EXPECT_EQ(giver.child->asked.Offset, TPoint(4, 4));
  // The frame's window procedure was given back.
  EXPECT_EQ(giver.given->WindowProc(), giver.original);
  hints.HideAll();
  EXPECT_FALSE(hints.HintFrame);
  EXPECT_TRUE(giver.childGone);  // the frame went with the hint
}

TEST_F(AlphaHints, HidingTheHintFreesItsFrameWhereverTheFramesWindowLives) {
  TPanel* panel = ShownPanel(TRect(10, 10, 200, 100));
  SkinnedHints skinned(app.get());
  TsAlphaHints& hints = skinned.hints;
  hints.SetAnimated(false);
  FrameGiver giver;
  giver.home = panel->Handle();  // not the hint window's: it does not take the frame along
  hints.SetOnShowHint(TkvShowHintEvent(&giver, &FrameGiver::Show));
  hints.ShowHint(TPoint(300, 300), u"x", 1000);
  ASSERT_EQ(hints.HintFrame.get(), giver.given);
  ASSERT_GE(giver.child->paints, 1);
  hints.HideHint();  // the hide timer's way: the frame is freed, not only dropped
  EXPECT_FALSE(hints.HintFrame);
  EXPECT_TRUE(giver.childGone);
}

TEST_F(AlphaHints, TheRecordFormShowsItsImageAtTheNamedSideAndTheContentInTheRecordsSize) {
  SkinnedHints skinned(app.get());
  TsAlphaHints& hints = skinned.hints;
  hints.SetAnimated(false);
  std::unique_ptr<TBitmap> image(CreateBmp32(10, 10));
  FillRect32(image.get(), TRect(0, 0, 10, 10), 0x00FF0000, 255);  // blue (TColor is R, G, B)
  struct Case {
    TkvSide side;
    TPoint imageCentre;  // in the content (80 x 40)
  } cases[] = {{asLeft, TPoint(5, 20)}, {asTop, TPoint(40, 5)}, {asRight, TPoint(75, 20)}, {asBottom, TPoint(40, 35)}};
  for (const Case& c : cases) {
    TkvShowHintData data = Request(80, 40, u"Ab");
    data.Image = image.get();
    data.ImageAlignment = c.side;
    hints.ShowHint(data, 1000);
    ASSERT_TRUE(hints.OldAlphaBmp) << c.side;
    const TBitmap& pic = *hints.OldAlphaBmp;
    EXPECT_EQ(pic.Width(), 80 + 8) << c.side;
    EXPECT_EQ(pic.Height(), 40 + 8) << c.side;
    EXPECT_TRUE(IsBlue(PixelAt(pic, 4 + c.imageCentre.X, 4 + c.imageCentre.Y))) << c.side;
    // The opposite side holds no image.
    EXPECT_FALSE(IsBlue(PixelAt(pic, 4 + 80 - c.imageCentre.X, 4 + 40 - c.imageCentre.Y))) << c.side;
    ASSERT_TRUE(hints.AnimWindow);
    RECT wr{};
    GetWindowRect(hints.AnimWindow->Handle(), &wr);
    EXPECT_EQ(wr.left, 300) << c.side;
    EXPECT_EQ(wr.top, 300) << c.side;
    EXPECT_EQ(hints.TmpShowData.Width, 0);  // the request is cleared after the call
    hints.HideAll();
  }
}

TEST_F(AlphaHints, TheRecordsCaptionIsCentredInTheRoomTheImageLeaves) {
  SkinnedHints skinned(app.get());
  TsAlphaHints& hints = skinned.hints;
  hints.SetAnimated(false);
  const TkvShowHintData data = Request(120, 40, u"WW");
  hints.ShowHint(data, 1000);
  ASSERT_TRUE(hints.OldAlphaBmp);
  const TBitmap& pic = *hints.OldAlphaBmp;
  Integer left = pic.Width(), right = -1, top = pic.Height(), bottom = -1;
  for (Integer y = 0; y < pic.Height(); ++y)
    for (Integer x = 0; x < pic.Width(); ++x)
      if ((PixelAt(pic, x, y) & 0xFFFFFF) != uint32_t(kHintBody)) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
  ASSERT_GE(right, left);
  // The ink's middle is the content's middle, within the glyphs' side bearings.
  EXPECT_NEAR((left + right) / 2.0, pic.Width() / 2.0, 3.0);
  EXPECT_NEAR((top + bottom) / 2.0, pic.Height() / 2.0, 4.0);
}

TEST_F(AlphaHints, ARecordNamingAControlIsShownAtThatControl) {
  TPanel* panel = ShownPanel(TRect(20, 30, 100, 60));
  SkinnedHints skinned(app.get());
  TsAlphaHints& hints = skinned.hints;
  hints.SetAnimated(false);
  TkvShowHintData data = Request(50, 20, String());
  data.Control = panel;
  hints.ShowHint(data, 1000);
  ASSERT_TRUE(hints.AnimWindow);
  RECT wr{}, pr{};
  GetWindowRect(panel->Handle(), &pr);
  GetWindowRect(hints.AnimWindow->Handle(), &wr);
  EXPECT_EQ(wr.left, pr.left + 80 / 2);
  EXPECT_EQ(wr.top, pr.top + 30 / 3);
}

TEST_F(AlphaHints, TheHintWindowAnswersTheBackgroundQueryWithItsColourWhenNoBodyIsBeingBuilt) {
  TsAlphaHints hints(app.get());
  hints.AfterConstruction();
  hints.SetAnimated(false);
  hints.ShowHint(TPoint(300, 300), u"Asked", 1000);
  ASSERT_TRUE(hints.HintWindow);
  TkvBGInfo info;
  SendMessageW(hints.HintWindow->Handle(), SM_ALPHACMD, KV_GETBG_HI, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.BgType, btFill);
  EXPECT_EQ(info.Color, ColorToRGB(hints.HintWindow->Color()));
  EXPECT_EQ(info.Bmp, nullptr);
}

namespace {
// A "HINT" section framed by a 9 x 9 border image with key-coloured 2 x 2 corners.
struct ShapedHints {
  explicit ShapedHints(TComponent* owner, bool imageAlpha) : hints(owner) {
    frame = skin.AddImage(TRect(0, 0, 9, 9), 1, 0, imageAlpha ? BDM_ALPHA : 0, 3);
    skin.Fill(frame, 0, 0xFF808080u);
    for (Integer y = 0; y < 2; ++y)
      for (Integer x = 0; x < 2; ++x) {
        skin.Put(frame, 0, x, y, 0x00FF00FFu);
        skin.Put(frame, 0, 8 - x, y, 0x00FF00FFu);
        skin.Put(frame, 0, x, 8 - y, 0x00FF00FFu);
        skin.Put(frame, 0, 8 - x, 8 - y, 0x00FF00FFu);
      }
    skin.Image(frame).Cfg = 1;
    TsGeneralData hint = PlainSection(u"HINT", 0, kHintBody);
    hint.BorderIndex = frame;
    skin.AddSection(hint);
    skin.Data->IndexSections();
    hints.AfterConstruction();
    hints.SetUseSkinData(true);
    hints.SetAnimated(false);
  }
  // Shows text at (300, 300); the hint window it was shown in.
  TkvCustomHintWindow* Show(const String& text) {
    hints.ShowHint(TPoint(300, 300), text, 1000);
    return dynamic_cast<TkvCustomHintWindow*>(hints.HintWindow);
  }
  SkinFixture skin;
  Integer frame = -1;
  TsAlphaHints hints;
};
}  // namespace

TEST_F(AlphaHints, ASkinnedHintWithoutAlphaGetsAWindowRegionOfItsShapeAndClearCorners) {
  ShapedHints shaped(app.get(), false);
  TsAlphaHints& hints = shaped.hints;
  TkvCustomHintWindow* window = shaped.Show(u"Shaped");
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(hints.OldAlphaBmp);
  const TBitmap& pic = *hints.OldAlphaBmp;
  const Integer w = pic.Width(), h = pic.Height();
  EXPECT_FALSE(window->AlphaUsed);
  ASSERT_TRUE(window->MaskBmp);
  // The mask: white outside the shape (the corners), black inside.
  EXPECT_EQ(PixelAt(*window->MaskBmp, 0, 0) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(PixelAt(*window->MaskBmp, w - 1, h - 1) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(PixelAt(*window->MaskBmp, w / 2, h / 2) & 0xFFFFFF, 0u);
  EXPECT_EQ(PixelAt(*window->MaskBmp, 2, 0) & 0xFFFFFF, 0u);
  // The picture is clear outside the shape and opaque inside.
  EXPECT_EQ(PixelAt(pic, 0, 0) >> 24, 0u);
  EXPECT_EQ(PixelAt(pic, w - 2, 1) >> 24, 0u);
  EXPECT_EQ(PixelAt(pic, w / 2, h / 2) >> 24, 255u);
  EXPECT_EQ(PixelAt(pic, 2, 0) >> 24, 255u);
  // The region handed to the window: the shape without its corners.
  HWND wnd = window->WindowHandle();
  HRGN got = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(wnd, got), ERROR);
  EXPECT_FALSE(PtInRegion(got, 0, 0));
  EXPECT_FALSE(PtInRegion(got, w - 1, h - 1));
  EXPECT_FALSE(PtInRegion(got, 1, h - 2));
  EXPECT_TRUE(PtInRegion(got, w / 2, h / 2));
  EXPECT_TRUE(PtInRegion(got, 2, 0));
  EXPECT_TRUE(PtInRegion(got, 0, 2));
  // The non-client paint prepares it again after it was taken away.
  SetWindowRgn(wnd, nullptr, FALSE);
  EXPECT_EQ(GetWindowRgn(wnd, got), ERROR);
  SendMessageW(wnd, WM_NCPAINT, 1, 0);
  ASSERT_NE(GetWindowRgn(wnd, got), ERROR);
  EXPECT_FALSE(PtInRegion(got, 0, 0));
  EXPECT_TRUE(PtInRegion(got, w / 2, h / 2));
  DeleteObject(got);
}

TEST_F(AlphaHints, ASkinnedHintWhoseBorderHasAlphaNeedsNoMaskOrRegion) {
  ShapedHints shaped(app.get(), true);
  TkvCustomHintWindow* window = shaped.Show(u"Alpha");
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->AlphaUsed);
  EXPECT_FALSE(window->MaskBmp);
  HRGN got = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(window->WindowHandle(), got), ERROR);
  DeleteObject(got);
}

TEST_F(AlphaHints, AnUnskinnedRecordTakesTheTemplatesMarginsAroundItsContent) {
  TsAlphaHints hints(app.get());
  hints.AfterConstruction();
  hints.SetAnimated(false);
  const TkvShowHintData data = Request(60, 20, u"Rec");
  hints.ShowHint(data, 1000);
  ASSERT_TRUE(hints.OldAlphaBmp);
  ASSERT_NE(hints.Image, nullptr);
  const TkvBordersSizes& c = *hints.Image->FClientMargins;
  EXPECT_EQ(hints.OldAlphaBmp->Width(), 60 + c.Left() + c.Right());
  EXPECT_EQ(hints.OldAlphaBmp->Height(), 20 + c.Top() + c.Bottom());
  // The body's corner is at the record's position, the template's shadow before it.
  RECT wr{};
  GetWindowRect(hints.AnimWindow->Handle(), &wr);
  EXPECT_EQ(wr.left, 300 - hints.Image->FShadowSizes->Left());
  EXPECT_EQ(wr.top, 300 - hints.Image->FShadowSizes->Top());
}

TEST_F(AlphaHints, ThePictureWindowFollowsTheHintWindowWhenItMovesOrResizesButNotDuringActivation) {
  TsAlphaHints hints(app.get());
  hints.AfterConstruction();
  hints.SetAnimated(false);
  hints.ShowHint(TPoint(300, 300), u"Moving", 1000);
  ASSERT_TRUE(hints.AnimWindow && hints.HintWindow);
  HWND own = hints.HintWindow->Handle(), picture = hints.AnimWindow->Handle();
  RECT before{};
  GetWindowRect(picture, &before);
  const Integer w = before.right - before.left, h = before.bottom - before.top;
  ASSERT_GT(w, 0);
  SetWindowPos(own, nullptr, 150, 170, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT moved{};
  GetWindowRect(picture, &moved);
  EXPECT_EQ(moved.left, 150);
  EXPECT_EQ(moved.top, 170);
  EXPECT_EQ(moved.right - moved.left, w);  // its size is kept
  EXPECT_EQ(moved.bottom - moved.top, h);
  EXPECT_EQ(hints.NewBounds, TRect(150, 170, 150 + w, 170 + h));
  // A new size alone moves it too (the hint window's own left and top).
  SetWindowPos(own, nullptr, 0, 0, w + 30, h + 10, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT resized{};
  GetWindowRect(picture, &resized);
  EXPECT_EQ(resized.left, 150);
  EXPECT_EQ(resized.right - resized.left, w);
  SetWindowPos(own, nullptr, 400, 410, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(picture, &resized);
  EXPECT_EQ(resized.left, 400);
  EXPECT_EQ(resized.top, 410);
  // While a hint is being activated, the activation places the picture itself.
  hints.State = hsInit;
  SetWindowPos(own, nullptr, 90, 95, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT during{};
  GetWindowRect(picture, &during);
  EXPECT_EQ(during.left, 400);
  EXPECT_EQ(during.top, 410);
  EXPECT_EQ(hints.NewBounds.Left, 400);
  hints.State = hsNormal;
}

namespace {
constexpr Integer kOuterOffset = 4;
// A "HINT" section that draws its own shadow: a 9 x 9 half-transparent black outer image
// kOuterOffset pixels round the section.
TsGeneralData ShadowedSection(SkinFixture& skin) {
  const Integer outer = skin.AddImage(TRect(0, 0, 9, 9), 1, 0, BDM_ALPHA, 4);
  skin.Fill(outer, 0, 0x80000000u);
  TsGeneralData hint = PlainSection(u"HINT", 0, kHintBody);
  hint.OuterMode = 3;
  hint.OuterMask = outer;
  hint.OuterOpacity = 255;
  hint.OuterOffset = TRect(kOuterOffset, kOuterOffset, kOuterOffset, kOuterOffset);
  return hint;
}
// A fully transparent "HINT" section with a 9 x 9 border image, 3 pixels wide: clear corners,
// half-transparent red elsewhere.
TsGeneralData BorderOnlySection(SkinFixture& skin) {
  const Integer frame = skin.AddImage(TRect(0, 0, 9, 9), 1, 0, BDM_ALPHA, 3);
  skin.Fill(frame, 0, 0x80FF0000u);
  for (Integer y = 0; y < 3; ++y)
    for (Integer x = 0; x < 3; ++x) {
      skin.Put(frame, 0, x, y, 0);
      skin.Put(frame, 0, 8 - x, y, 0);
      skin.Put(frame, 0, x, 8 - y, 0);
      skin.Put(frame, 0, 8 - x, 8 - y, 0);
    }
  TsGeneralData hint = PlainSection(u"HINT", 100, kHintBody);
  hint.BorderIndex = frame;
  return hint;
}
}  // namespace

TEST_F(AlphaHints, ASkinnedHintWithItsOwnShadowPaintsTheShadowRoundTheSectionAndKeepsItsAlpha) {
  std::unique_ptr<TBitmap> plain;
  {
    SkinnedHints skinned(app.get());
    plain = HintPicture(skinned.hints, u"Shadow");
  }
  SkinnedHints shadowed(app.get(), ShadowedSection);
  ASSERT_TRUE(shadowed.hints.Skinned());
  TRect shadow;
  TBitmap* raw = nullptr;
  shadowed.hints.CreateHintBmp(u"Shadow", nullptr, shadow, raw);
  std::unique_ptr<TBitmap> pic(raw);
  ASSERT_TRUE(plain && pic && !pic->Empty());
  EXPECT_TRUE(shadowed.hints.ShadowCalculated);
  // The shadow's room is added on every side, and reported as the hint's shadow.
  EXPECT_EQ(pic->Width(), plain->Width() + 2 * kOuterOffset);
  EXPECT_EQ(pic->Height(), plain->Height() + 2 * kOuterOffset);
  EXPECT_EQ(shadow, TRect(kOuterOffset - 1, kOuterOffset - 1, kOuterOffset - 1, kOuterOffset - 1));
  const Integer w = pic->Width(), h = pic->Height();
  // In the shadow: dark and half transparent, as the outer image left it.
  for (const TPoint p : {TPoint(1, h / 2), TPoint(w / 2, 1), TPoint(w - 2, h / 2), TPoint(w / 2, h - 2)}) {
    const uint32_t px = PixelAt(*pic, p.X, p.Y);
    EXPECT_GT(px >> 24, 0u) << p.X << "," << p.Y;
    EXPECT_LT(px >> 24, 255u) << p.X << "," << p.Y;
    EXPECT_LT((px >> 16) & 0xFF, 0x40u) << p.X << "," << p.Y;
  }
  // The section inside it: its colour, opaque.
  for (const TPoint p : {TPoint(kOuterOffset, kOuterOffset), TPoint(w - kOuterOffset - 1, h - kOuterOffset - 1),
                         TPoint(kOuterOffset + 1, h / 2)}) {
    const uint32_t px = PixelAt(*pic, p.X, p.Y);
    EXPECT_EQ(px >> 24, 255u) << p.X << "," << p.Y;
    EXPECT_EQ(px & 0xFFFFFF, uint32_t(kHintBody)) << p.X << "," << p.Y;
  }
}

TEST_F(AlphaHints, AFullyTransparentSkinnedHintShowsOnlyItsBorderImageWithItsAlpha) {
  SkinnedHints skinned(app.get(), BorderOnlySection);
  TsAlphaHints& hints = skinned.hints;
  ASSERT_TRUE(hints.Skinned());
  std::unique_ptr<TBitmap> pic = HintPicture(hints, u"Clear");
  ASSERT_TRUE(pic && !pic->Empty());
  const Integer w = pic->Width(), h = pic->Height();
  ASSERT_GT(w, 12);
  ASSERT_GT(h, 12);
  // The corners stay clear; the sides and the centre keep the image's alpha, premultiplied.
  for (const TPoint p : {TPoint(0, 0), TPoint(w - 1, 0), TPoint(0, h - 1), TPoint(w - 1, h - 1)}) {
    EXPECT_EQ(PixelAt(*pic, p.X, p.Y) >> 24, 0u) << p.X << "," << p.Y;
  }
  for (const TPoint p :
       {TPoint(w / 2, 1), TPoint(1, h / 2), TPoint(w - 2, h / 2), TPoint(w / 2, h - 2), TPoint(4, 4)}) {
    const uint32_t px = PixelAt(*pic, p.X, p.Y);
    EXPECT_EQ(px >> 24, 0x80u) << p.X << "," << p.Y;
    EXPECT_NEAR(Integer((px >> 16) & 0xFF), 0x80, 1) << p.X << "," << p.Y;
    EXPECT_EQ(px & 0xFFFF, 0u) << p.X << "," << p.Y;
  }
}

// ---- Density -------------------------------------------------------------------------------------

TEST_F(AlphaHints, HintsTakeTheirWidthLimitFontAndBorderAtTheDensityOfTheirWindow) {
  const String longText = u"A hint text long enough to wrap at its width limit at every density we show";
  struct Reading {
    Integer ppi, limit, border, fontHeight;
    TRect shortRect, longRect;
  };
  std::vector<Reading> readings;
  for (Integer ppi : {96, 144, 192}) {
    SkinnedHints skinned(app.get());
    TsAlphaHints& hints = skinned.hints;
    skinned.skin.Manager.Options.ScaleMode = smCustomPPI;
    skinned.skin.Manager.Options.PixelsPerInch = ppi;
    ASSERT_TRUE(hints.Skinned());
    auto* window = new TkvPngHintWindow(&hints);
    window->HandleNeeded();
    TFont font;
    UpdateFontSize(&font, false);
    Reading r{ppi,
              hints.WidthLimit(window),
              SkinBorderWidth(),
              font.Height(),
              window->CalcHintRect(0, u"Wg", nullptr),
              window->CalcHintRect(0, longText, nullptr)};
    readings.push_back(r);
  }
  for (const Reading& r : readings) {
    SCOPED_TRACE(r.ppi);
    EXPECT_EQ(r.limit, 120 * r.ppi / 96);
    EXPECT_EQ(r.border, 4 * r.ppi / 96);
    EXPECT_EQ(r.fontHeight, -12 * r.ppi / 96);
    // The long text wraps within the limit of its density, the frame's gap on both sides.
    EXPECT_LE(r.longRect.Width(), r.limit + 2 * r.border);
    EXPECT_GT(r.longRect.Width(), r.limit * 2 / 3 + 2 * r.border);
  }
  // One line of text grows with the density: font and border both.
  const Integer line96 = readings[0].shortRect.Height() - 2 * readings[0].border;
  for (const Reading& r : readings) {
    SCOPED_TRACE(r.ppi);
    const Integer line = r.shortRect.Height() - 2 * r.border;
    EXPECT_NEAR(line, line96 * r.ppi / 96, 3);
  }
}

TEST_F(AlphaHints, ATemplateFontKeepsItsOwnSizeScaledToTheDensity) {
  SkinnedHints skinned(app.get());
  skinned.skin.Manager.Options.ScaleMode = smCustomPPI;
  skinned.skin.Manager.Options.PixelsPerInch = 144;
  TFont font;
  font.SetHeight(-20);
  UpdateFontSize(&font, true);
  EXPECT_EQ(font.Height(), -30);
}

// ---- The system's drop shadow -------------------------------------------------------------------

namespace {
bool CastsShadow(HWND wnd) { return GetClassLongW(wnd, GCL_STYLE) & CS_DROPSHADOW; }
String ClassOf(HWND wnd) {
  wchar_t name[128]{};
  GetClassNameW(wnd, name, 128);
  return String(reinterpret_cast<const char16_t*>(name));
}
}  // namespace

TEST_F(AlphaHints, TheEmptyHintWindowCastsNoShadowAndPictureWindowsOnlyWhenThePictureHasNone) {
  // A template's picture draws its own shadow.
  {
    TsAlphaHints hints(app.get());
    hints.AfterConstruction();
    hints.SetAnimated(false);
    hints.ShowHint(TPoint(300, 300), u"Template", 1000);
    ASSERT_TRUE(hints.HintWindow && hints.AnimWindow);
    EXPECT_FALSE(CastsShadow(hints.HintWindow->Handle())) << "the hint window itself shows nothing";
    EXPECT_FALSE(CastsShadow(hints.AnimWindow->Handle()));
  }
  // A plain skinned section draws none: the system's shadow is under its picture window.
  SkinnedHints skinned(app.get());
  TsAlphaHints& hints = skinned.hints;
  hints.SetAnimated(false);
  hints.ShowHint(TPoint(300, 300), u"Skinned", 1000);
  ASSERT_TRUE(hints.HintWindow && hints.AnimWindow);
  EXPECT_FALSE(CastsShadow(hints.HintWindow->Handle()));
  const HWND picture = hints.AnimWindow->Handle();
  EXPECT_TRUE(CastsShadow(picture));
  // The glow windows keep a class of their own, without the shadow, before and after.
  TkvGlowForm glow(nullptr);
  glow.AfterConstruction();
  EXPECT_NE(ClassOf(glow.Handle()), ClassOf(picture));
  EXPECT_FALSE(CastsShadow(glow.Handle()));
  EXPECT_TRUE(CastsShadow(picture));
}

TEST_F(AlphaHints, ASlideFreesANewWindowWhoseShadowDoesNotSuitThePicture) {
  TsAlphaHints hints(app.get());
  hints.AfterConstruction();
  hints.SetAnimated(false);
  hints.ShowHint(TPoint(300, 300), u"First", 5000);
  ASSERT_TRUE(hints.AnimWindow);
  auto* window = dynamic_cast<TkvCustomHintWindow*>(hints.HintWindow);
  ASSERT_NE(window, nullptr);
  // A window made for a picture without a shadow of its own, left over.
  hints.NewWindow = CreateHintPictureWindow(nullptr, TRect(300, 300, 340, 320));
  const HWND stale = hints.NewWindow->Handle();
  ASSERT_TRUE(CastsShadow(stale));
  EXPECT_TRUE(PictureWindowMismatch(hints.NewWindow.get(), window));
  hints.SetAnimated(true);
  hints.ShowHint(TPoint(500, 400), u"Second", 5000);  // slides from the first place
  ASSERT_TRUE(hints.ShowTimer);
  hints.ShowTimer->IntOnTimer(nullptr);
  ASSERT_TRUE(hints.NewWindow);
  EXPECT_FALSE(IsWindow(stale));
  EXPECT_FALSE(CastsShadow(hints.NewWindow->Handle()));
  EXPECT_FALSE(PictureWindowMismatch(hints.NewWindow.get(), window));
}

TEST_F(AlphaHints, HidingTheHintStopsItsShowAnimation) {
  TsAlphaHints hints(app.get());
  hints.AfterConstruction();
  hints.ShowHint(TPoint(300, 300), u"Fading", 5000);
  ASSERT_TRUE(hints.ShowTimer && hints.ShowTimer->Enabled());
  ASSERT_TRUE(hints.HintWindow);
  ShowWindow(hints.HintWindow->Handle(), SW_HIDE);
  EXPECT_FALSE(hints.ShowTimer->Enabled());
}

TEST_F(AlphaHints, AHintAboveTheMouseIsLiftedOffTheCursorButAnAlignedOneIsNot) {
  TsAlphaHints hints(app.get());
  hints.AfterConstruction();
  hints.SetAnimated(false);
  hints.SetDefaultMousePos(mpLeftBottom);  // the point at the hint's bottom: the hint is above it
  auto* window = new TkvPngHintWindow(&hints);
  hints.HintWindow = window;
  auto topAt = [&](bool aligned) {
    hints.SetAutoAlignment(aligned);
    hints.FHintLocation = TPoint(400, 400);
    window->ActivateHint(TRect(0, 0, 80, 30), u"Above");
    return hints.NewBounds.Top;
  };
  const Integer mouse = topAt(false), aligned = topAt(true);
  EXPECT_EQ(aligned - mouse, 16);
  EXPECT_LT(hints.NewBounds.Bottom, 400 + 30);
}
