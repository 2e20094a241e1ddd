// Tool-button glyphs on a real tool bar: the bar's custom drawing hands each button's state to
// CopyToolBtnGlyph, which picks the normal, hot or disabled list and places the image as the
// bar lays its buttons out (drop-down buttons leave room for the arrow, pressed ones move).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "controls/sThirdParty.h"
#include "images/kvAlphaImageList.h"
#include "support/FormFixture.h"
#include "support/ImageLists.h"
#include "ui/ComCtrls.h"
#include "ui/Forms.h"

namespace {

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

std::unique_ptr<TBitmap> WhiteBitmap(Integer w, Integer h) {
  auto bmp = std::make_unique<TBitmap>(w, h, pf32bit);
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) bmp->View().At(x, y) = 0xFFFFFFFF;
  return bmp;
}

uint32_t Rgb(TBitmap* b, Integer x, Integer y) { return b->View().At(x, y) & 0xFFFFFF; }

// The top-left corner of the 16 x 16 image drawn into a white bitmap; (-1, -1) when none.
TPoint GlyphCorner(TBitmap* b, uint32_t color) {
  for (Integer y = 0; y < b->Height(); ++y)
    for (Integer x = 0; x < b->Width(); ++x)
      if (Rgb(b, x, y) == color) return {x, y};
  return {-1, -1};
}

// Answers the bar's custom drawing: every button, as the bar paints it, gets its glyph drawn
// by CopyToolBtnGlyph into a picture of its own.
class TDrawHook : public TObject {
 public:
  explicit TDrawHook(TToolBar* bar) : bar_(bar), old_(bar->WindowProc()) {
    bar->SetWindowProc(TWndMethod(this, &TDrawHook::Proc));
  }
  ~TDrawHook() override {
    if (bar_->WindowProc() == TWndMethod(this, &TDrawHook::Proc)) bar_->SetWindowProc(old_);
  }
  void Proc(TMessage& m) {
    auto* cd = reinterpret_cast<NMTBCUSTOMDRAW*>(m.LParam);
    if (m.Msg != CN_NOTIFY || !cd || cd->nmcd.hdr.code != NM_CUSTOMDRAW) {
      old_(m);
      return;
    }
    if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) {
      m.Result = CDRF_NOTIFYITEMDRAW;
      return;
    }
    if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
      TToolButton* button = bar_->Buttons(static_cast<Integer>(cd->nmcd.dwItemSpec));
      if (button) {
        const TCustomDrawState state = CustomDrawStateOf(cd->nmcd.uItemState);
        std::unique_ptr<TBitmap> bmp = WhiteBitmap(button->Width(), button->Height());
        CopyToolBtnGlyph(bar_, button, state, cdPrePaint, TTBCustomDrawFlags{}, bmp.get());
        states[button] = state;
        drawn[button] = std::move(bmp);
      }
    }
    m.Result = CDRF_DODEFAULT;
  }
  std::map<TToolButton*, TCustomDrawState> states;
  std::map<TToolButton*, std::unique_ptr<TBitmap>> drawn;

 private:
  TToolBar* bar_;
  TWndMethod old_;
};

class ToolButtonGlyph : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    bar = new TToolBar(form);
    bar->SetBounds(0, 0, 300, 40);
    bar->SetParent(form);
    bar->SetImages(normal.get());
    bar->SetHotImages(hot.get());
    bar->SetDisabledImages(disabled.get());
    plain = Add(tbsButton);
    drop = Add(tbsDropDown);
    off = Add(tbsButton);
    off->SetEnabled(false);
  }
  TToolButton* Add(TToolButtonStyle style) {
    auto* b = new TToolButton(form);
    b->SetStyle(style);
    b->SetImageIndex(0);
    b->SetParent(bar);
    return b;
  }
  void Repaint() { RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }
  static TPoint Centred(TToolButton* b, Integer extra) {
    return {(b->Width() - 16) / 2 - extra + 1, (b->Height() - 16) / 2};
  }

  std::unique_ptr<TsAlphaImageList> normal = SolidImageList({kRed}), hot = SolidImageList({kGreen}),
                                    disabled = SolidImageList({kBlue});
  TToolBar* bar = nullptr;
  TToolButton *plain = nullptr, *drop = nullptr, *off = nullptr;
};

}  // namespace

TEST_F(ToolButtonGlyph, EachButtonOfTheBarGetsItsGlyphInPlace) {
  TDrawHook hook(bar);
  form->Show();
  Repaint();
  ASSERT_EQ(hook.drawn.size(), 3u);
  // At rest: the normal list, centred; a drop-down button leaves room for its arrow.
  EXPECT_EQ(GlyphCorner(hook.drawn[plain].get(), kRed), Centred(plain, 0));
  EXPECT_EQ(GlyphCorner(hook.drawn[drop].get(), kRed), Centred(drop, 8));
  EXPECT_EQ(Rgb(hook.drawn[plain].get(), Centred(plain, 0).X + 15, Centred(plain, 0).Y + 15), kRed);
  EXPECT_EQ(Rgb(hook.drawn[plain].get(), Centred(plain, 0).X + 16, Centred(plain, 0).Y + 8), kWhite);
  // Disabled: the disabled list.
  EXPECT_TRUE(hook.states[off].Contains(cdsDisabled));
  EXPECT_EQ(GlyphCorner(hook.drawn[off].get(), kBlue), Centred(off, 0));
  EXPECT_EQ(GlyphCorner(hook.drawn[off].get(), kRed), TPoint(-1, -1));
}

TEST_F(ToolButtonGlyph, HotAndPressedButtons) {
  TDrawHook hook(bar);
  form->Show();
  SendMessageW(bar->Handle(), TB_SETHOTITEM, 0, 0);
  Repaint();
  ASSERT_TRUE(hook.states[plain].Contains(cdsHot));
  EXPECT_EQ(GlyphCorner(hook.drawn[plain].get(), kGreen), Centred(plain, 0));  // the hot list

  SendMessageW(bar->Handle(), TB_SETHOTITEM, static_cast<WPARAM>(-1), 0);
  SendMessageW(bar->Handle(), TB_PRESSBUTTON, 0, TRUE);
  Repaint();
  ASSERT_TRUE(hook.states[plain].Contains(cdsSelected));
  const TPoint rest = Centred(plain, 0);
  EXPECT_EQ(GlyphCorner(hook.drawn[plain].get(), kRed), TPoint(rest.X + 1, rest.Y + 1));  // pressed: moved
}

TEST_F(ToolButtonGlyph, StatesOfTheCustomDrawing) {
  // Called directly with the states a custom drawing may report.
  struct Case {
    TCustomDrawState state;
    uint32_t color;
    Integer shift;
  } cases[] = {
      {{}, kRed, 0},           {{cdsHot}, kGreen, 0},     {{cdsSelected, cdsHot}, kRed, 1},  // pressed wins over hot
      {{cdsChecked}, kRed, 1}, {{cdsDisabled}, kBlue, 0}, {{cdsDisabled, cdsHot}, kBlue, 0},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TBitmap> bmp = WhiteBitmap(plain->Width(), plain->Height());
    CopyToolBtnGlyph(bar, plain, c.state, cdPrePaint, TTBCustomDrawFlags{}, bmp.get());
    const TPoint at = Centred(plain, 0);
    EXPECT_EQ(GlyphCorner(bmp.get(), c.color), TPoint(at.X + c.shift, at.Y + c.shift)) << c.state.Bits();
  }
  // Nothing without a bar, a button or a picture.
  std::unique_ptr<TBitmap> bmp = WhiteBitmap(plain->Width(), plain->Height());
  CopyToolBtnGlyph(nullptr, plain, {}, cdPrePaint, {}, bmp.get());
  CopyToolBtnGlyph(bar, nullptr, {}, cdPrePaint, {}, bmp.get());
  CopyToolBtnGlyph(bar, plain, {}, cdPrePaint, {}, nullptr);
  EXPECT_EQ(GlyphCorner(bmp.get(), kRed), TPoint(-1, -1));
}

TEST_F(ToolButtonGlyph, CaptionsBelowAndBesideTheImage) {
  form->Show();
  bar->SetShowCaptions(true);
  plain->SetCaption(u"Open");
  std::unique_ptr<TBitmap> bmp = WhiteBitmap(plain->Width(), plain->Height());
  const Integer textRoom = bmp->Canvas()->TextHeight(u"Yy") + 3;
  CopyToolBtnGlyph(bar, plain, {}, cdPrePaint, {}, bmp.get());
  EXPECT_EQ(GlyphCorner(bmp.get(), kRed), TPoint((plain->Width() - 16) / 2 + 1, (plain->Height() - 16 - textRoom) / 2));

  bar->SetList(true);  // captions beside the images
  std::unique_ptr<TBitmap> beside = WhiteBitmap(plain->Width(), plain->Height());
  CopyToolBtnGlyph(bar, plain, {}, cdPrePaint, {}, beside.get());
  EXPECT_EQ(GlyphCorner(beside.get(), kRed), TPoint(5, (plain->Height() - 16) / 2));
}
