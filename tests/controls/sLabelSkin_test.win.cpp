// The skinned label and its manager's commands: the skin's font name on KV_FONTSCHANGED, its
// parent's answer for the font section (KV_GETFONTINDEX), ParentFont kept through a skin change
// and back when the skin goes, and a wrapped caption shortened with "..." as drawn.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "base/sMessages.h"
#include "controls/sLabel.h"
#include "raster/Blend.h"
#include "skin/sCommonData.h"
#include "support/SkinnedFormFixture.h"
#include "ui/Bitmap.h"
#include "ui/Canvas.h"
#include "ui/Forms.h"
#include "ui/TypInfo.h"

namespace {

// A parent that names section 5 for the fonts of its children and keeps the rectangle asked for.
class FontParent : public TWinControl {
 public:
  explicit FontParent(TComponent* owner) : TWinControl(owner) {}
  void Dispatch(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD && HIWORD(m.WParam) == KV_GETFONTINDEX) {
      if (auto* info = reinterpret_cast<TkvPaintInfo*>(m.LParam)) asked = info->R;
      m.Result = 5;
      return;
    }
    TWinControl::Dispatch(m);
  }
  TRect asked;
};

class LabelSkin : public SkinnedFormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SkinnedFormTest::SetUp());
    form->Font()->SetName(u"Tahoma");
    label = new TsLabel(form);
    label->SetParent(form);
    label->SetBounds(10, 10, 120, 20);
    label->SetSkinManager(&skin->Manager);
  }
  LRESULT Command(Word command, Word low = 0, LPARAM l = 0) {
    return label->Perform(SM_ALPHACMD, TWParam((Cardinal{command} << 16) | low), TLParam(l));
  }
  TsLabel* label = nullptr;
};

TEST_F(LabelSkin, FontIndexIsAskedOfTheParent) {
  auto* parent = new FontParent(form);
  parent->SetBounds(30, 40, 200, 100);
  parent->SetParent(form);
  label->SetParent(parent);
  TkvPaintInfo info;
  info.R = TRect(1, 2, 11, 12);
  EXPECT_EQ(Command(KV_GETFONTINDEX, 0, reinterpret_cast<LPARAM>(&info)), 5);
  EXPECT_EQ(parent->asked, TRect(31, 42, 41, 52));  // moved into the parent's parent
  // Without an active manager the label asks nobody.
  skin->Manager.SkinCommonInfo.Active = false;
  parent->asked = TRect();
  info.R = TRect(1, 2, 11, 12);
  EXPECT_EQ(Command(KV_GETFONTINDEX, 0, reinterpret_cast<LPARAM>(&info)), 0);
  EXPECT_EQ(parent->asked, TRect());
}

TEST_F(LabelSkin, FontsChangedGivesTheLabelTheSkinsFontName) {
  label->SetParentFont(false);
  label->Font()->SetName(u"Tahoma");
  skin->Manager.DefOldFontName = u"Tahoma";
  skin->Manager.DefStoredFontName = u"Tahoma";
  skin->Manager.DefNewFontName = u"Verdana";
  Command(KV_FONTSCHANGED, 0, reinterpret_cast<LPARAM>(&skin->Manager));
  EXPECT_EQ(label->Font()->Name(), u"Verdana");
  // A font of the label's own choosing stays.
  label->Font()->SetName(u"Courier New");
  Command(KV_FONTSCHANGED, 0, reinterpret_cast<LPARAM>(&skin->Manager));
  EXPECT_EQ(label->Font()->Name(), u"Courier New");
}

TEST_F(LabelSkin, ParentFontComesBackWhenTheSkinGoes) {
  ASSERT_TRUE(label->ParentFont());
  Command(KV_REFRESH);                 // all sections: the label notes that it used its parent's font
  label->Font()->SetName(u"Verdana");  // what the skin's font name does: ParentFont goes off
  ASSERT_FALSE(label->ParentFont());
  Command(KV_REMOVESKIN, 0, reinterpret_cast<LPARAM>(&skin->Manager));
  EXPECT_TRUE(label->ParentFont());
  EXPECT_EQ(label->Font()->Name(), u"Tahoma");
}

TEST_F(LabelSkin, ARefreshOfAnotherSectionOrOfALabelWithItsOwnFontSavesNothing) {
  Command(KV_REFRESH, 7);  // a section the label does not paint
  label->Font()->SetName(u"Verdana");
  Command(KV_REMOVESKIN, 0, reinterpret_cast<LPARAM>(&skin->Manager));
  EXPECT_FALSE(label->ParentFont());
  EXPECT_EQ(label->Font()->Name(), u"Verdana");
}

TEST_F(LabelSkin, AWrappedCaptionTooTallEndsWithDotsAfterAWholeWord) {
  form->Show();
  label->SetAutoSize(false);
  label->SetWordWrap(true);
  label->SetEllipsisPosition(epEndEllipsis);
  label->SetTransparent(false);
  label->SetColor(clWhite);
  label->Font()->SetColor(clBlack);
  label->SetUseSkinColor(false);
  label->SetBounds(10, 10, 120, 16);  // one line
  label->SetCaption(u"first second third fourth fifth sixth seventh");
  TBitmap drawn(label->Width(), label->Height(), pf32bit);
  form->Repaint();
  Application->ProcessMessages();
  // Where the label's own text lies in the form: ink only in its one line, none below it.
  HDC dc = GetDC(form->Handle());
  BitBlt(drawn.Canvas()->Handle(), 0, 0, label->Width(), label->Height(), dc, label->Left(), label->Top(), SRCCOPY);
  ReleaseDC(form->Handle(), dc);
  Integer inkRight = -1;
  for (Integer y = 0; y < drawn.Height(); ++y)
    for (Integer x = 0; x < drawn.Width(); ++x)
      if ((drawn.View().At(x, y) & 0xFFFFFF) != 0xFFFFFF) inkRight = std::max(inkRight, x);
  ASSERT_GE(inkRight, 0) << "nothing drawn";
  // The shortened text is narrower than the label: whole words and the dots, not a cut word.
  TCanvas* canvas = drawn.Canvas();
  canvas->Font()->Assign(label->Font());
  const Integer expected = canvas->TextWidth(u"first second...");
  const Integer oneMore = canvas->TextWidth(u"first second third...");
  EXPECT_LT(inkRight, oneMore);
  EXPECT_GE(inkRight + 3, expected);
}

}  // namespace

// The base of the skinned labels writes in the skin's label colour (blended towards the skin's
// main colour when disabled) and in its font colour without an active manager; the skinned label
// built on it takes its section's font colour, or its own with UseSkinColor off. Both answer the
// manager's commands as the base does.
TEST_F(LabelSkin, BaseLabelWritesInTheSkinsLabelColour) {
  constexpr TColor kLabelText = 0x3050A0, kMain = 0xE0E0E0, kFont = 0x102030;
  skin->Manager.Palette[pcLabelText] = kLabelText;
  skin->Manager.Palette[pcMainColor] = kMain;
  auto* base = new TsCustomLabel(form);
  base->SetParent(form);
  base->SetSkinManager(&skin->Manager);
  base->Font()->SetColor(kFont);
  ASSERT_TRUE(skin->Manager.IsActive());
  EXPECT_EQ(base->TextColor(), kLabelText);
  base->SetEnabled(false);
  EXPECT_EQ(base->TextColor(), BlendColors(kLabelText, kMain, DefBlendDisabled));
  base->SetEnabled(true);
  skin->Manager.SkinCommonInfo.Active = false;
  EXPECT_EQ(base->TextColor(), kFont);
  skin->Manager.SkinCommonInfo.Active = true;

  label->Font()->SetColor(kFont);
  label->SetUseSkinColor(false);
  EXPECT_EQ(label->TextColor(), kFont);
  label->SetUseSkinColor(true);
  EXPECT_EQ(label->TextColor(), GetFontColor(label, label->SkinIndex(), &skin->Manager, 0, nullptr));
  TsCustomLabel* asBase = label;
  EXPECT_EQ(asBase->TextColor(), label->TextColor());  // the skinned label's own rule

  // The manager's font-section query goes on to the parent from the base too.
  auto* parent = new FontParent(form);
  parent->SetBounds(30, 40, 200, 100);
  parent->SetParent(form);
  base->SetParent(parent);
  TkvPaintInfo info;
  EXPECT_EQ(base->Perform(SM_ALPHACMD, TWParam(Cardinal{KV_GETFONTINDEX} << 16), reinterpret_cast<TLParam>(&info)), 5);
  // Forms find the base's properties on both, the skinned label's colour switch on it only.
  for (const char16_t* name : {u"SkinSection", u"TransparentForMouse", u"Caption"}) {
    EXPECT_NE(GetPropInfo(base, name), nullptr) << std::string(name, name + std::char_traits<char16_t>::length(name));
    EXPECT_NE(GetPropInfo(label, name), nullptr);
  }
  EXPECT_EQ(GetPropInfo(base, u"UseSkinColor"), nullptr);
  EXPECT_NE(GetPropInfo(label, u"UseSkinColor"), nullptr);
}
