// The provider's life around its form: what a stored provider reads back (its caption parts,
// header band and own class names), what its destruction leaves behind, the place it reports
// with the background it gives a child, and the frame adapters that link themselves to it.
#include <windows.h>

#include <algorithm>

#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/sButton.h"
#include "forms/kvTitleBar.h"
#include "forms/sFrameAdapter.h"
#include "forms/sSkinProvider.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "support/FormFixture.h"
#include "support/FormSkin.h"
#include "ui/Bitmap.h"
#include "ui/FormReader.h"
#include "ui/FormWriter.h"
#include "ui/ScopeGuard.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtils.h"

using namespace formskin;

namespace {

// ---- The stored provider ----------------------------------------------------------------------

class StoredProvider : public SkinnedForm {};

TEST_F(StoredProvider, CaptionPartsHeaderAndOwnClassNamesReadBack) {
  RegisterClass<TsSkinProvider>();
  form->SetName(u"Described");
  Skin();
  sp->SetName(u"Provider1");
  TBitmap glyph(5, 4, pf32bit);
  glyph.View().At(2, 1) = 0xFF10E020;
  sp->FTitleIcon->SetGlyph(&glyph);
  sp->FTitleIcon->Width = 14;
  sp->FTitleIcon->Height = 12;
  sp->FTitleIcon->SetVisible(false);
  sp->FAddedTitle->SetText(u"second text");
  sp->FAddedTitle->SetShowMainCaption(false);
  sp->FAddedTitle->Font()->SetName(u"Tahoma");
  sp->FFormHeader->SetAdditionalHeight(23);
  sp->FThirdParty->SetString(3, u"TOwnGrid");
  sp->SetBoolean(2, false);  // ShowAppIcon
  sp->FSnapBuffer = 17;
  const String text = WriteComponentText(form);

  auto* other = new TForm(app.get());
  other->AfterConstruction();
  const TScopeExit freeOther([&] { delete other; });
  ReadComponentText(other, text);
  auto* back = dynamic_cast<TsSkinProvider*>(other->FindComponent(u"Provider1"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->FTitleIcon->Width, 14);
  EXPECT_EQ(back->FTitleIcon->Height, 12);
  EXPECT_FALSE(back->FTitleIcon->Visible());
  ASSERT_EQ(back->FTitleIcon->Glyph()->Width(), 5);
  ASSERT_EQ(back->FTitleIcon->Glyph()->Height(), 4);
  EXPECT_EQ(back->FTitleIcon->Glyph()->View().At(2, 1), 0xFF10E020u);
  EXPECT_EQ(back->FAddedTitle->Text(), u"second text");
  EXPECT_FALSE(back->FAddedTitle->ShowMainCaption());
  EXPECT_EQ(back->FAddedTitle->Font()->Name(), u"Tahoma");
  EXPECT_EQ(back->FAddedTitle->Font()->Color(), clFromSkinTitle);
  EXPECT_EQ(back->FFormHeader->AdditionalHeight(), 23);
  EXPECT_EQ(back->FThirdParty->GetString(3), u"TOwnGrid");
  EXPECT_EQ(back->FThirdParty->GetString(4), u"");
  // The own names are the provider's lists once read.
  EXPECT_TRUE(back->OwnThirdLists);
  EXPECT_FALSE(back->FShowAppIcon);
  EXPECT_EQ(back->FSnapBuffer, 17);
}

// Title buttons designed into the form and the title bar the provider is linked to come back
// from the description; a title button left as it was made stores nothing but its place.
TEST_F(StoredProvider, TitleButtonsAndTheLinkedTitleBarReadBack) {
  RegisterClass<TsSkinProvider>();
  RegisterClass<TsTitleBar>();
  form->SetName(u"Described");
  Skin();
  sp->SetName(u"Provider1");
  auto* bar = new TsTitleBar(form);
  bar->SetName(u"Bar1");
  sp->SetTitleBar(bar);
  TsTitleButton* first = sp->FTitleButtons->Add();
  first->Name = u"Pin";
  first->Hint = u"Keep on top";
  first->Enabled = false;
  first->UseSkinData = false;
  first->SetVisible(false);
  first->Glyph->SetSize(6, 5);
  first->Glyph->View().At(3, 2) = 0xFF2040C0;
  sp->FTitleButtons->Add();
  const String text = WriteComponentText(form);
  const std::string utf8 = StringToUtf8(text);
  EXPECT_NE(utf8.find("TitleButtons = <"), std::string::npos) << utf8;
  EXPECT_NE(utf8.find("TitleBar = Bar1"), std::string::npos) << utf8;

  auto* other = new TForm(app.get());
  other->AfterConstruction();
  const TScopeExit freeOther([&] { delete other; });
  ReadComponentText(other, text);
  auto* back = dynamic_cast<TsSkinProvider*>(other->FindComponent(u"Provider1"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->FTitleBar, other->FindComponent(u"Bar1"));
  EXPECT_NE(back->FTitleBar, nullptr);
  ASSERT_EQ(back->FTitleButtons->Count(), 2);
  const TsTitleButton* pin = back->FTitleButtons->Items(0);
  EXPECT_EQ(pin->Name, u"Pin");
  EXPECT_EQ(pin->Hint, u"Keep on top");
  EXPECT_FALSE(pin->Enabled);
  EXPECT_FALSE(pin->UseSkinData);
  EXPECT_FALSE(pin->Visible);
  ASSERT_EQ(pin->Glyph->Width(), 6);
  ASSERT_EQ(pin->Glyph->Height(), 5);
  EXPECT_EQ(pin->Glyph->View().At(3, 2), 0xFF2040C0u);
  const TsTitleButton* plain = back->FTitleButtons->Items(1);
  EXPECT_EQ(plain->Name, u"TsTitleButton");
  EXPECT_TRUE(plain->Enabled);
  EXPECT_TRUE(plain->UseSkinData);
  EXPECT_TRUE(plain->Visible);
  EXPECT_EQ(plain->Glyph->Width(), 0);
}

// The skin data settings a form description gives a control and a provider: the manager, the
// opaque mode, the outer effects' visibility, the custom border and the scroll-bar sizes; they
// are written back as they were read.
TEST_F(StoredProvider, SkinDataSettingsAreReadFromTheDescription) {
  RegisterClass<TsSkinProvider>();
  RegisterClass<TsButton>();
  RegisterClass<DuRiruZireziv>();
  const String description =
      u"object Described: TForm\n"
      u"  object sknmngr7: DuRiruZireziv\n"
      u"  end\n"
      u"  object Provider1: TsSkinProvider\n"
      u"    SkinData.HorzScrollData.ScrollWidth = 14\n"
      u"    SkinData.VertScrollData.ButtonsSize = 11\n"
      u"  end\n"
      u"  object Button1: TsButton\n"
      u"    SkinData.SkinManager = sknmngr7\n"
      u"    SkinData.OpaqueMode = omForceOpaque\n"
      u"    SkinData.OuterEffects.Visibility = ovAlways\n"
      u"    SkinData.CustomBorder.Width = 3\n"
      u"  end\n"
      u"end\n";
  auto* other = new TForm(app.get());
  other->AfterConstruction();
  const TScopeExit freeOther([&] { delete other; });
  ReadComponentText(other, description);
  auto* manager = dynamic_cast<DuRiruZireziv*>(other->FindComponent(u"sknmngr7"));
  auto* button = dynamic_cast<TsButton*>(other->FindComponent(u"Button1"));
  auto* provider = dynamic_cast<TsSkinProvider*>(other->FindComponent(u"Provider1"));
  ASSERT_NE(manager, nullptr);
  ASSERT_NE(button, nullptr);
  ASSERT_NE(provider, nullptr);
  ASSERT_NE(manager, DefaultManager);  // a manager of the form's own
  TsCommonData* sd = button->SkinData();
  EXPECT_EQ(sd->FSkinManager, manager);
  EXPECT_EQ(sd->FOpaqueMode, omForceOpaque);
  EXPECT_EQ(sd->FOuterEffects->Visibility(), ovAlways);
  EXPECT_EQ(sd->FCustomBorder->Width(), 3);
  EXPECT_EQ(provider->FCommonData->FHorzScrollData->ScrollWidth(), 14);
  EXPECT_EQ(provider->FCommonData->FVertScrollData->ButtonsSize(), 11);
  EXPECT_EQ(provider->FCommonData->FVertScrollData->ScrollWidth(), -1);

  const std::string written = StringToUtf8(WriteComponentText(other));
  for (const char* line : {"SkinData.SkinManager = sknmngr7", "SkinData.OpaqueMode = omForceOpaque",
                           "SkinData.OuterEffects.Visibility = ovAlways", "SkinData.CustomBorder.Width = 3",
                           "SkinData.HorzScrollData.ScrollWidth = 14", "SkinData.VertScrollData.ButtonsSize = 11"}) {
    EXPECT_NE(written.find(line), std::string::npos) << line << " in\n" << written;
  }
}

TEST_F(StoredProvider, UnchangedPartsAreLeftOutOfTheDescription) {
  form->SetName(u"Described");
  Skin();
  sp->SetName(u"Provider1");
  const std::string text = StringToUtf8(WriteComponentText(form));
  EXPECT_NE(text.find("object Provider1: TsSkinProvider"), std::string::npos) << text;
  for (const char* left : {"TitleIcon.", "AddedTitle.", "FormHeader.", "ThirdParty.", "SnapBuffer", "ShowAppIcon"}) {
    EXPECT_EQ(text.find(left), std::string::npos) << left << " in\n" << text;
  }
  // A changed font colour of the added title is stored.
  sp->FAddedTitle->Font()->SetColor(0x000000FF);
  const std::string changed = StringToUtf8(WriteComponentText(form));
  EXPECT_NE(changed.find("AddedTitle.Font.Color"), std::string::npos) << changed;
}

// ---- Destruction ------------------------------------------------------------------------------

class ProviderGoing : public SkinnedForm {
 protected:
  void TearDown() override {
    ChildProvider = nullptr;
    SkinnedForm::TearDown();
  }
};

TEST_F(ProviderGoing, TheActiveChildsProviderIsForgottenWithIt) {
  Skin();
  ChildProvider = sp;
  delete sp;
  sp = nullptr;
  EXPECT_EQ(ChildProvider, nullptr);
}

TEST_F(ProviderGoing, AnotherFormsChildProviderStays) {
  Skin();
  auto* second = new TForm(app.get());
  second->AfterConstruction();
  second->HandleNeeded();
  const TScopeExit freeSecond([&] { delete second; });
  auto* other = new TsSkinProvider(second);
  other->AfterConstruction();
  ChildProvider = other;
  delete sp;
  sp = nullptr;
  EXPECT_EQ(ChildProvider, other);
}

// ---- The background's place -------------------------------------------------------------------

class BackgroundPlace : public SkinnedForm {};

TEST_F(BackgroundPlace, ReportedOnceForDrawingAndPlainRequests) {
  SkinAndShow();
  sp->FCommonData->BGChanged = true;
  ASSERT_TRUE(sp->PaintAll());
  const TPoint client(sp->OffsetX(), sp->OffsetY());
  // A frame of its own keeps the client off the picture's corner, so a doubled place differs.
  ASSERT_GT(client.X, 0);
  ASSERT_GT(client.Y, 0);
  for (const bool draw : {true, false}) {
    SCOPED_TRACE(draw ? "drawing request" : "plain request");
    TBitmap target(8, 8, pf32bit);
    TkvBGInfo info;
    info.PleaseDraw = draw;
    info.DrawDC = draw ? target.Canvas()->Handle() : nullptr;
    info.R = TRect(0, 0, 8, 8);
    info.Offset = TPoint(3, 5);  // the provider answers from the client's own top-left
    SendMessageW(form->Handle(), SM_ALPHACMD, MAKEWPARAM(0, KV_GETBG), LPARAM(&info));
    EXPECT_EQ(info.Offset, client);
    if (draw) {
      // What was drawn is the picture at the place reported.
      EXPECT_EQ(Rgb(target.View().At(0, 0)), Rgb(sp->FCommonData->FCacheBmp->View().At(client.X, client.Y)));
      EXPECT_EQ(Rgb(target.View().At(7, 7)), RgbOfColor(kClientActive));
    }
  }
}

// ---- Frame adapters linked to the form --------------------------------------------------------

class LinkedFrame : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    savedTypes = WndTypes;
    WndTypes[tpEdit] = &MakePlainEditWrapper;
    skin->skin.Manager.ThirdLists[tpEdit]->Add(u"TEdit");
    skin->skin.Manager.SkinCommonInfo.Sections[ssTransparent] =
        skin->skin.AddSection(PlainSection(u"TRANSPARENT", 100, 0, 1));
    skin->skin.Data->Reindex();
    frame = new TFrame(form);
    frame->SetParent(form);
    frame->SetBounds(40, 30, 150, 90);
    frame->HandleNeeded();
    // The frame's adapter as a stored description places it (loading comes later).
    adapter = new TsFrameAdapter(frame);
    adapter->AfterConstruction();
  }
  void TearDown() override {
    WndTypes = savedTypes;
    SkinnedForm::TearDown();
  }
  // Foreign controls are left to the form unless the skinning rules name them.
  void WithoutForeignControls() {
    skin->skin.Manager.SetSkinningRules(TSet<TkvSkinningRule>{srStdForms, srStdDialogs});
  }
  void Start() {
    Skin();
    ShowForm();
    PumpMessages();
  }
  bool Linked() {
    return std::count(sp->FrameAdapters.begin(), sp->FrameAdapters.end(), adapter) == 1 &&
           adapter->LinkedForm() == form;
  }
  bool Unlinked() {
    return std::count(sp->FrameAdapters.begin(), sp->FrameAdapters.end(), adapter) == 0 && !adapter->LinkedForm();
  }
  bool Adapted(TWinControl* c) {
    if (!sp->Adapter) return false;
    for (const auto& item : sp->Adapter->Items)
      if (item->WinCtrl == c) return true;
    return false;
  }
  TEdit* EditOn(TWinControl* parent, Integer top) {
    auto* edit = new TEdit(parent);
    edit->SetParent(parent);
    edit->SetBounds(5, top, 60, 20);
    edit->HandleNeeded();
    return edit;
  }
  decltype(WndTypes) savedTypes{};
  TFrame* frame = nullptr;
  TsFrameAdapter* adapter = nullptr;
};

TEST_F(LinkedFrame, ShowingOnAFormThatTakesForeignControlsLinksAndFreeingUnlinks) {
  Start();
  EXPECT_TRUE(Linked());
  delete adapter;
  EXPECT_TRUE(sp->FrameAdapters.empty());
}

TEST_F(LinkedFrame, ShowingWithoutTheForeignControlRuleLinksNothing) {
  WithoutForeignControls();
  Start();
  EXPECT_TRUE(Unlinked());
}

TEST_F(LinkedFrame, LoadedAdapterLinksOnceWhileTheManagerIsActive) {
  WithoutForeignControls();
  Start();
  ASSERT_TRUE(Unlinked());
  adapter->Loaded();
  EXPECT_TRUE(Linked());
  adapter->Loaded();  // loaded again: still one link
  EXPECT_TRUE(Linked());
}

TEST_F(LinkedFrame, LoadedAdapterOfAnInactiveManagerLinksNothing) {
  WithoutForeignControls();
  Start();
  skin->skin.Manager.SkinCommonInfo.Active = false;
  adapter->Loaded();
  EXPECT_TRUE(Unlinked());
}

TEST_F(LinkedFrame, FramesWindowGoingUnlinksAndShowingAgainLinks) {
  WithoutForeignControls();
  Start();
  adapter->Loaded();
  ASSERT_TRUE(Linked());
  frame->RecreateWnd();
  PumpMessages();
  EXPECT_TRUE(Unlinked());
  skin->skin.Manager.SetSkinningRules(TSet<TkvSkinningRule>{srStdForms, srStdDialogs, srThirdParty});
  frame->Hide();
  frame->Show();
  PumpMessages();
  EXPECT_TRUE(Linked());
}

TEST_F(LinkedFrame, NewChildOfTheFrameLinksItAndIsAdapted) {
  WithoutForeignControls();
  Start();
  sp->LoadInit();
  ASSERT_NE(sp->Adapter, nullptr);
  ASSERT_TRUE(Unlinked());
  skin->skin.Manager.SetSkinningRules(TSet<TkvSkinningRule>{srStdForms, srStdDialogs, srThirdParty});
  TEdit* edit = EditOn(frame, 5);
  PumpMessages();
  EXPECT_TRUE(Linked());
  EXPECT_TRUE(Adapted(edit));
}

TEST_F(LinkedFrame, FormThatLeavesForeignControlsAloneAdaptsThoseOfItsLinkedFrame) {
  TEdit* inFrame = EditOn(frame, 5);
  TEdit* onForm = EditOn(form, 150);
  Skin();
  sp->FAllowSkin3rdParty = false;
  ShowForm();
  PumpMessages();
  ASSERT_TRUE(Linked());
  sp->LoadInit();
  EXPECT_TRUE(Adapted(inFrame));
  EXPECT_FALSE(Adapted(onForm));
}

}  // namespace
