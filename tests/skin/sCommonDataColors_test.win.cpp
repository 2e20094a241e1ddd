// Colours of skinned controls: the background colour a control answers (KV_GETCONTROLCOLOR) and
// the one it paints with (GetBGColor) agree for every transparency and are RGB; the light
// colour of section 0; the section whose font colours a control's text takes.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/sMessages.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "support/SkinFixture.h"
#include "ui/Forms.h"

namespace {

class TColorProbe : public TCustomControl {
 public:
  explicit TColorProbe(TComponent* owner) : TCustomControl(owner), Data(std::make_unique<TsCommonData>(this)) {}
  void WndProc(TMessage& m) override {
    if (CommonWndProc(m, Data.get())) return;
    TCustomControl::WndProc(m);
  }
  std::unique_ptr<TsCommonData> Data;
};

TsGeneralData Look(Integer transparency, TColor color, Integer states = 1) {
  return PlainSection(u"", transparency, color, states);
}

class Colors : public testing::Test {
 protected:
  void SetUp() override {
    app = std::make_unique<TApplication>();
    skin = std::make_unique<SkinFixture>();
    form = new TForm(app.get());
    form->AfterConstruction();
    parent = new TCustomControl(form);  // an unskinned parent
    parent->SetParent(form);
    parent->SetBounds(0, 0, 200, 100);
    ctrl = new TColorProbe(form);
    ctrl->SetParent(parent);
    ctrl->SetBounds(10, 10, 50, 20);
    ctrl->HandleNeeded();
  }
  void TearDown() override {
    app.reset();
    skin.reset();
  }
  // The control in a fresh section of that look.
  void Use(const TsGeneralData& look) {
    ctrl->Data->SkinIndex = skin->AddSection(look);
    ctrl->Data->SetCommonSkinData(nullptr);
  }
  TColor Answer() { return TColor(SendMessageW(ctrl->Handle(), SM_ALPHACMD, KV_GETCONTROLCOLOR_HI, 0)); }

  std::unique_ptr<TApplication> app;
  std::unique_ptr<SkinFixture> skin;
  TForm* form = nullptr;
  TCustomControl* parent = nullptr;
  TColorProbe* ctrl = nullptr;
};

}  // namespace

TEST_F(Colors, AnswerAndPaintColourAgreeAndAreRGB) {
  const TColor face = ColorToRGB(clBtnFace);
  struct Case {
    Integer transparency;
    TColor parentColor, own, out;
  } cases[] = {
      {0, clWhite, 0x000000, 0x000000},
      {0, clBtnFace, 0x336699, 0x336699},
      {100, clBtnFace, 0x000000, face},  // a system colour comes back as its RGB value
      {100, TColor(0x00FF00), 0x0000FF, 0x00FF00},
      {50, clWhite, 0x000000, 0x808080},  // the parent weighs as much as the look
      {25, clWhite, 0x000000, 0x404040},  // a quarter transparent: a quarter parent
      {75, TColor(0x0000FF), 0xFF0000, 0x4000BF},
      {40, clBtnFace, 0xFFFFFF, MixWithParent(0xFFFFFF, face, 40)},
  };
  for (const auto& k : cases) {
    parent->SetColor(k.parentColor);
    Use(Look(k.transparency, k.own));
    EXPECT_EQ(Answer(), k.out) << k.transparency << " over " << std::hex << k.parentColor;
    EXPECT_EQ(GetBGColor(ctrl->Data.get(), 0), k.out) << k.transparency << " over " << std::hex << k.parentColor;
    EXPECT_EQ(Answer() & 0xFF000000u, 0u);
  }
}

TEST_F(Colors, TheMixWeighsTheParentByTheTransparency) {
  struct Case {
    TColor own, parent;
    Integer t;
    TColor out;
  } cases[] = {
      {0x000000, 0xFFFFFF, 0, 0x000000},  {0x000000, 0xFFFFFF, 100, 0xFFFFFF}, {0x000000, 0xFFFFFF, 10, 0x1A1A1A},
      {0x0000FF, 0xFF0000, 50, 0x800080}, {0x102030, 0x102030, 63, 0x102030},  {0x000000, 0xFFFFFF, 150, 0xFFFFFF},
      {0x000000, 0xFFFFFF, -5, 0x000000},
  };
  for (const auto& k : cases) EXPECT_EQ(MixWithParent(k.own, k.parent, k.t), k.out) << k.t;
}

TEST_F(Colors, AnUnskinnedControlAnswersItsOwnColourAsRGB) {
  ctrl->SetColor(clBtnFace);
  EXPECT_EQ(Answer(), ColorToRGB(clBtnFace));
  EXPECT_EQ(GetBGColor(ctrl->Data.get(), 0), ColorToRGB(clBtnFace));
}

TEST_F(Colors, TheHotLookGivesTheHotColourAndCustomColourTheOwnersOwn) {
  TsGeneralData s = Look(0, 0x111111, 2);
  s.Props[1].Color = 0x222222;
  Use(s);
  EXPECT_EQ(GetBGColor(ctrl->Data.get(), 0), TColor(0x111111));
  EXPECT_EQ(GetBGColor(ctrl->Data.get(), 1), TColor(0x222222));
  ctrl->SetColor(TColor(0x0000FF));
  ctrl->Data->FCustomColor = true;
  EXPECT_EQ(GetBGColor(ctrl->Data.get(), 0), TColor(0x0000FF));
}

TEST_F(Colors, SectionZeroHasALightColourLikeAnyOther) {
  TsGeneralData s = Look(0, 0x000000, 2);
  s.Props[0].LightColor = 0x00FF00;
  s.Props[1].LightColor = 0x0000FF;
  ctrl->Data->SkinIndex = skin->AddSection(s);
  ASSERT_EQ(ctrl->Data->SkinIndex, 0);
  EXPECT_EQ(GetLightColor(ctrl->Data.get(), 0), 0x00FF00);
  EXPECT_EQ(GetLightColor(ctrl->Data.get(), 1), 0x0000FF);
  skin->Manager.SkinCommonInfo.DefLightColor = 0xABCDEF;
  skin->Section(0).Props[1].LightColor = 0xFF00FF;  // none of its own: the skin's default
  EXPECT_EQ(GetLightColor(ctrl->Data.get(), 1), 0xABCDEF);
  skin->Section(0).Props[1].Transparency = 60;  // mostly transparent: the parent's light
  EXPECT_EQ(GetLightColor(ctrl->Data.get(), 1), 0xABCDEF);
  ctrl->Data->SkinIndex = -1;
  EXPECT_EQ(GetLightColor(ctrl->Data.get(), 0), -1);
  EXPECT_EQ(GetLightColor(nullptr, 0), -1);
}

TEST_F(Colors, FontSectionsClimbToTheParentOnlyThroughTransparentLooks) {
  TsGeneralData own = Look(30, 0, 2);
  own.Props[0].Transparency = 0;
  Use(own);
  const Integer section = ctrl->Data->SkinIndex;
  struct Case {
    Integer hotTransparency, state, out;
  } cases[] = {
      {30, 1, section},  // a nearly opaque hot look: its own colours, nobody asked
      {60, 1, -1},       // transparent: the question climbs to the unskinned parent, which names none
      {60, 0, section},  // the normal look is opaque
  };
  for (const auto& k : cases) {
    skin->Section(section).Props[1].Transparency = k.hotTransparency;
    EXPECT_EQ(GetFontIndex(ctrl, section, &skin->Manager, k.state), k.out) << k.hotTransparency;
  }
  // A parent that is skinned takes over the text's colours when the look lets it through.
  auto* host = new TColorProbe(form);
  host->SetParent(form);
  host->HandleNeeded();
  host->Data->SkinIndex = skin->AddSection(Look(0, 0x445566));
  ctrl->SetParent(host);
  skin->Section(section).Props[1].Transparency = 80;
  EXPECT_EQ(GetFontIndex(ctrl, section, &skin->Manager, 1), host->Data->SkinIndex);
  ctrl->Data->FCustomFont = true;  // the control keeps its own font colours
  EXPECT_EQ(GetFontIndex(ctrl, section, &skin->Manager, 1), section);
}

// Skinning a control, changing its look and removing the skin leave its window class alone: the
// class's background brush is shared by every window of the class, skinned or not. The skinned
// window answers the skin's colour, its unskinned sibling of the same class its own, and the
// sibling still erases with its own colour.
TEST_F(Colors, WindowClassBackgroundIsLeftAlone) {
  auto* sibling = new TColorProbe(form);
  sibling->SetParent(parent);
  sibling->SetBounds(70, 10, 50, 20);
  sibling->SetColor(TColor(0x0000FF));
  sibling->HandleNeeded();
  sibling->Data->SkinIndex = -1;
  const ULONG_PTR before = GetClassLongPtrW(ctrl->Handle(), GCLP_HBRBACKGROUND);
  ASSERT_EQ(GetClassLongPtrW(sibling->Handle(), GCLP_HBRBACKGROUND), before);  // one class
  skin->Manager.Brushes.Make(skin->Manager.Palette);
  ASSERT_NE(reinterpret_cast<ULONG_PTR>(skin->Manager.Brushes.Handles[0]), before);
  Use(Look(0, 0x336699));
  UpdateCtrlColors(ctrl->Data.get(), false);
  EXPECT_EQ(GetClassLongPtrW(ctrl->Handle(), GCLP_HBRBACKGROUND), before);
  EXPECT_EQ(Answer(), TColor(0x336699));
  EXPECT_EQ(TColor(SendMessageW(sibling->Handle(), SM_ALPHACMD, KV_GETCONTROLCOLOR_HI, 0)), TColor(0x0000FF));
  Use(Look(0, 0x224466));
  UpdateCtrlColors(ctrl->Data.get(), false);
  EXPECT_EQ(GetClassLongPtrW(ctrl->Handle(), GCLP_HBRBACKGROUND), before);
  EXPECT_EQ(Answer(), TColor(0x224466));
  SendMessageW(ctrl->Handle(), SM_ALPHACMD, KV_REMOVESKIN_HI, reinterpret_cast<LPARAM>(&skin->Manager));
  EXPECT_EQ(GetClassLongPtrW(ctrl->Handle(), GCLP_HBRBACKGROUND), before);
  // The sibling's background, erased into a bitmap of its size.
  TBitmap bmp(50, 20, pf32bit);
  SendMessageW(sibling->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(bmp.Canvas()->Handle()), 0);
  EXPECT_EQ(bmp.PixelColor(25, 10) & 0xFFFFFF, TColor(0x0000FF));
}
