// The skin manager read from a form description: its options and its class-name lists.
#include <gtest/gtest.h>

#include "skin/sSkinManager.h"
#include "ui/FormReader.h"
#include "ui/StringList.h"

namespace {

// The root of the descriptions: a component that holds a manager.
class TManagerHolder : public TComponent {
  TW_CLASS(TManagerHolder, TComponent)
  explicit TManagerHolder(TComponent* owner = nullptr) : TComponent(owner) {}
  DuRiruZireziv* sknmngr1 = nullptr;
};

TW_DEFINE_CLASS(TManagerHolder) { b.Field(u"sknmngr1", &TManagerHolder::sknmngr1); }

struct Description : ::testing::Test {
  void SetUp() override {
    RegisterClass<TManagerHolder>();
    RegisterClass<DuRiruZireziv>();
    saved = kv_OldGlyphsMode;
  }
  void TearDown() override { kv_OldGlyphsMode = saved; }
  DuRiruZireziv* Read(const char* text) {
    holder = std::make_unique<TManagerHolder>();
    ReadComponentUtf8(holder.get(), text);
    return holder->sknmngr1;
  }
  std::unique_ptr<TManagerHolder> holder;
  bool saved = true;
};

}  // namespace

TEST_F(Description, TheMainWindowsManagerBlockReadsAsStored) {
  // The manager as the program's main window stores it.
  DuRiruZireziv* m = Read(R"(object Holder: TManagerHolder
  object sknmngr1: DuRiruZireziv
    ButtonsOptions.OldGlyphsMode = True
    MenuSupport.Font.Height = -11
    MenuSupport.Font.Name = "Segoe UI"
    SkinDirectory = "c:\\Skins"
    SkinInfo = "N/A"
    ThirdParty.ThirdEdits = " "
    ThirdParty.ThirdButtons = "TButton"
    ThirdParty.ThirdBitBtns = " "
    ThirdParty.ThirdCheckBoxes = " "
    ThirdParty.ThirdGroupBoxes = " "
    ThirdParty.ThirdListViews = " "
    ThirdParty.ThirdPanels = " "
    ThirdParty.ThirdGrids = " "
    ThirdParty.ThirdTreeViews = " "
    ThirdParty.ThirdComboBoxes = " "
    ThirdParty.ThirdWWEdits = " "
    ThirdParty.ThirdVirtualTrees = " "
    ThirdParty.ThirdGridEh = " "
    ThirdParty.ThirdPageControl = " "
    ThirdParty.ThirdTabControl = " "
    ThirdParty.ThirdToolBar = " "
    ThirdParty.ThirdStatusBar = " "
    ThirdParty.ThirdSpeedButton = " "
    ThirdParty.ThirdScrollControl = " "
    ThirdParty.ThirdUpDown = " "
    ThirdParty.ThirdScrollBar = " "
    ThirdParty.ThirdStaticText = " "
    ThirdParty.ThirdNativePaint = " "
  end
end
)");
  ASSERT_NE(m, nullptr);
  EXPECT_FALSE(m->IsLoading());
  EXPECT_TRUE(kv_OldGlyphsMode);
  EXPECT_EQ(m->SkinDirectory(), u"c:\\Skins");
  EXPECT_EQ(m->GetSkinInfo(), u"N/A");
  EXPECT_FALSE(m->IsActive());
  EXPECT_TRUE(m->Active());
  // Every other option keeps its default.
  EXPECT_TRUE(m->Options.DrawNonClientArea);
  EXPECT_EQ(m->Options.ArrowsStyle, arsDefault);
  EXPECT_EQ(m->AnimEffects.SkinChanging.Time, 100);
  // The lists hold the stored texts, a line each, after loading.
  for (Integer i = 0; i <= kvLastSupportedType; ++i) {
    ASSERT_NE(m->ThirdLists[size_t(i)], nullptr) << i;
    ASSERT_EQ(m->ThirdLists[size_t(i)]->Count(), 1) << i;
    EXPECT_EQ(m->ThirdLists[size_t(i)]->Strings(0), i == tpButton ? u"TButton" : u" ") << i;
  }
  EXPECT_TRUE(SearchSupport(m->ThirdLists, u"TButton"));
  EXPECT_FALSE(SearchSupport(m->ThirdLists, u"TEdit"));
}

TEST_F(Description, OptionsAndListsFromADescription) {
  DuRiruZireziv* m = Read(R"(object Holder: TManagerHolder
  object sknmngr1: DuRiruZireziv
    Active = False
    AnimEffects.SkinChanging.Time = 250
    AnimEffects.SkinChanging.Mode = atAero
    AnimEffects.Buttons.LightingMode = lmAffectNearest
    AnimEffects.Buttons.Events = [beMouseEnter, beClick]
    AnimEffects.BlendOnMoving.Active = True
    AnimEffects.BlendOnMoving.BlendValue = 200
    ButtonsOptions.ShiftContentOnClick = False
    ButtonsOptions.ModalButtonsColoring = [bcText, bcBackground]
    Effects.AllowGlowing = False
    ExtBordersMode = ebmShadow
    Fonts.MainFont = "Tahoma"
    GroupIndex = 3
    LabelsOptions.TransparentAlways = False
    Options.ArrowsStyle = arsSolid2
    Options.NoMouseHover = True
    Options.OptimizingPriority = opMemory
    Options.ScaleMode = smCustomPPI
    Options.PixelsPerInch = 144
    ScrollsOptions.ScrollSize = 14
    SkinningRules = [srStdForms, srThirdParty]
    SkinsFilter = [sfiExternal]
    SkinnedPopups = False
    ThirdParty.ThirdEdits = "TMaskEdit\nTSpinEdit"
    ThirdParty.ThirdGrids = ""
  end
end
)");
  ASSERT_NE(m, nullptr);
  EXPECT_FALSE(m->Active());
  EXPECT_EQ(m->AnimEffects.SkinChanging.Time, 250);
  EXPECT_EQ(m->AnimEffects.SkinChanging.Mode, atAero);
  EXPECT_EQ(m->AnimEffects.Buttons.LightingMode, lmAffectNearest);
  EXPECT_TRUE(m->AnimEffects.Buttons.Events == (TSet<TkvBtnEvent>{beMouseEnter, beClick}));
  EXPECT_TRUE(m->AnimEffects.BlendOnMoving.Active);
  EXPECT_EQ(m->AnimEffects.BlendOnMoving.BlendValue, 200);
  EXPECT_FALSE(m->ButtonsOptions.ShiftContentOnClick);
  EXPECT_TRUE(m->ButtonsOptions.ModalButtonsColoring == (TSet<TkvModalButtonsColoringValue>{bcText, bcBackground}));
  EXPECT_FALSE(m->Effects.AllowGlowing);
  EXPECT_EQ(m->ExtBordersMode(), ebmShadow);
  EXPECT_EQ(m->Fonts.MainFont, u"Tahoma");
  EXPECT_EQ(m->GroupIndex, 3);
  EXPECT_FALSE(m->LabelsOptions.TransparentAlways);
  EXPECT_EQ(m->Options.ArrowsStyle, arsSolid2);
  EXPECT_TRUE(m->Options.NoMouseHover);
  EXPECT_EQ(m->Options.OptimizingPriority, opMemory);
  EXPECT_EQ(m->Options.ScaleMode, smCustomPPI);
  EXPECT_EQ(m->Options.PixelsPerInch, 144);
  EXPECT_EQ(m->ScrollsOptions.ScrollSize, 14);
  EXPECT_TRUE(m->SkinningRules() == (TSet<TkvSkinningRule>{srStdForms, srThirdParty}));
  EXPECT_TRUE(m->SkinsFilter() == TSet<TkvSkinsFilterItem>{sfiExternal});
  EXPECT_FALSE(m->SkinnedPopups());
  ASSERT_EQ(m->ThirdLists[tpEdit]->Count(), 2);
  EXPECT_EQ(m->ThirdLists[tpEdit]->Strings(0), u"TMaskEdit");
  EXPECT_EQ(m->ThirdLists[tpEdit]->Strings(1), u"TSpinEdit");
  // A list stored empty gets its default back when the manager is loaded.
  EXPECT_EQ(m->ThirdParty.GetString(tpGrid), u" ");
  EXPECT_TRUE(SearchSupport(m->ThirdLists, u"TSpinEdit"));
  EXPECT_FALSE(SearchSupport(m->ThirdLists, u"tspinedit"));
}

TEST_F(Description, CommonSectionsAssignedLoseTheirBlanks) {
  DuRiruZireziv* m = Read(R"(object Holder: TManagerHolder
  object sknmngr1: DuRiruZireziv
    Active = False
    CommonSections = ("[MYPANEL]" "COLOR=0xFF00")
  end
end
)");
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(m->CommonSections()->Count(), 2);  // read as stored
  TStringList lines;
  for (const char16_t* line :
       {u"[ MYPANEL ]", u" COLOR = 0xFF00 ", u"", u"; a comment stays as it is", u"PARENT CLASS=PANEL"})
    lines.Add(line);
  m->SetCommonSections(&lines);
  const TStringList& l = *m->CommonSections();
  ASSERT_EQ(l.Count(), 5);
  EXPECT_EQ(l[0], u"[MYPANEL]");
  EXPECT_EQ(l[1], u"COLOR=0xFF00");
  EXPECT_EQ(l[2], u"");
  EXPECT_EQ(l[3], u"; a comment stays as it is");
  EXPECT_EQ(l[4], u"PARENTCLASS=PANEL");
  EXPECT_TRUE(l.CaseSensitive());
}
