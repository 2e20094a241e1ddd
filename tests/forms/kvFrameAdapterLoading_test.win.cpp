// The frame adapter's loading and its remaining commands: a loaded adapter hooks the frame's
// popup menus, offers the frame's foreign controls to the form's adapter and takes its parent's
// glass mode; the frame's own class names decide which of its controls are adapted; a frame
// met by the form's walk is linked at once, so its controls are adapted in the same walk; the
// scroll commands hold the frame's redraw only when its children show it through; the mouse
// entering the frame makes it the manager's active control; the background cache takes the
// children's outer effects, printing places the client beside the frame's scroll bars, and the
// end of the parent's update repaints a frame that is not busy; commands sent to a frame with a
// scroll wrapper get the adapter's answers.
#include <algorithm>
#include <optional>
#include <string_view>

#include "base/sMessages.h"
#include "controls/sSkinMenus.h"
#include "forms/sFrameAdapter.h"
#include "forms/sSkinProvider.h"
#include "raster/kvgpUtils.h"
#include "skin/sVclUtils.h"
#include "support/FormSkin.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtils.h"

using namespace formskin;

namespace {

class FrameAdapterLoading : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    savedTypes = WndTypes;
    WndTypes[tpEdit] = &MakePlainEditWrapper;
    skin->skin.Manager.SkinCommonInfo.Sections[ssTransparent] =
        skin->skin.AddSection(PlainSection(u"TRANSPARENT", 100, 0, 1));
    skin->skin.AddSection(PlainSection(u"FRAMEOPAQUE", 0, 0x00406080, 1));
    TsGeneralData grad = PlainSection(u"FRAMEGRAD", 0, 0x00406080, 1);
    grad.Props[0].GradientPercent = 50;
    skin->skin.AddSection(grad);
    skin->skin.Data->Reindex();
    frame = new TFrame(form);
    frame->SetParent(form);
    frame->SetBounds(40, 30, 150, 90);
    frame->HandleNeeded();
  }
  void TearDown() override {
    WndTypes = savedTypes;
    skin->skin.Manager.ThirdLists[tpEdit]->Clear();
    SkinnedForm::TearDown();
  }
  // The adapter as a stored description places it (loading comes later).
  void PlaceAdapter() {
    adapter = new TsFrameAdapter(frame);
    adapter->AfterConstruction();
  }
  void Rules(bool foreign) {
    if (foreign)
      skin->skin.Manager.SetSkinningRules(TSet<TkvSkinningRule>{srStdForms, srStdDialogs, srThirdParty});
    else
      skin->skin.Manager.SetSkinningRules(TSet<TkvSkinningRule>{srStdForms, srStdDialogs});
  }
  void Start() {
    Skin();
    ShowForm();
    PumpMessages();
  }
  bool Linked() const {
    return std::count(sp->FrameAdapters.begin(), sp->FrameAdapters.end(), adapter) == 1 &&
           adapter->LinkedForm() == form;
  }
  bool Adapted(TWinControl* c) const {
    if (!sp->Adapter) return false;
    return std::any_of(sp->Adapter->Items.begin(), sp->Adapter->Items.end(),
                       [c](const auto& item) { return item && item->WinCtrl == c && item->ScrollWnd; });
  }
  TEdit* EditOn(TWinControl* parent, Integer top) {
    auto* edit = new TEdit(parent);
    edit->SetParent(parent);
    edit->SetBounds(5, top, 60, 20);
    edit->HandleNeeded();
    return edit;
  }
  void UseSection(const String& name) {
    adapter->FCommonData->SetSkinSection(name);
    adapter->FCommonData->UpdateIndexes(true);
  }
  LRESULT Command(Word code, LPARAM lParam = 0) {
    return SendMessageW(frame->Handle(), SM_ALPHACMD, WPARAM(code) << 16, lParam);
  }
  bool FrameRedraws() const { return (GetWindowLongW(frame->Handle(), GWL_STYLE) & WS_VISIBLE) != 0; }

  decltype(WndTypes) savedTypes{};
  TFrame* frame = nullptr;
  TsFrameAdapter* adapter = nullptr;
};

TEST_F(FrameAdapterLoading, LoadedHooksTheFramesPopupMenusOnlyWithSkinnedPopups) {
  ASSERT_EQ(DefaultManager, &skin->skin.Manager);
  auto* popup = new TPopupMenu(frame);
  popup->Items()->Add(new TMenuItem(popup));
  PlaceAdapter();
  Start();
  for (const bool skinned : {false, true}) {
    SCOPED_TRACE(skinned);
    skin->skin.Manager.SetSkinnedPopups(skinned);
    popup->SetOwnerDraw(false);
    adapter->Loaded();
    EXPECT_EQ(popup->OwnerDraw(), skinned);
  }
}

TEST_F(FrameAdapterLoading, ANewSkinHooksThePopupMenusAgain) {
  auto* popup = new TPopupMenu(frame);
  popup->Items()->Add(new TMenuItem(popup));
  PlaceAdapter();
  Start();
  skin->skin.Manager.SetSkinnedPopups(true);
  popup->SetOwnerDraw(false);
  Command(KV_SETNEWSKIN, reinterpret_cast<LPARAM>(&skin->skin.Manager));
  EXPECT_TRUE(popup->OwnerDraw());
  // Without skinned popups the new skin leaves the menu as it is.
  skin->skin.Manager.SetSkinnedPopups(false);
  Command(KV_SETNEWSKIN, reinterpret_cast<LPARAM>(&skin->skin.Manager));
  EXPECT_TRUE(popup->OwnerDraw());
  skin->skin.Manager.SetSkinnedPopups(true);
}

// The frame's controls exist before the skinning rules take foreign controls: loading the
// adapter afterwards has the form's adapter walk them; without the rule it does not.
TEST_F(FrameAdapterLoading, LoadedOffersTheFramesForeignControlsToTheForm) {
  skin->skin.Manager.ThirdLists[tpEdit]->Add(u"TEdit");
  for (const bool foreign : {false, true}) {
    SCOPED_TRACE(foreign);
    Rules(false);
    TEdit* edit = EditOn(frame, 5);
    PlaceAdapter();
    Start();
    sp->LoadInit();
    ASSERT_NE(sp->Adapter, nullptr);
    ASSERT_FALSE(Adapted(edit));
    Rules(foreign);
    adapter->Loaded();
    EXPECT_TRUE(Linked());
    EXPECT_EQ(Adapted(edit), foreign);
    delete adapter;
    delete edit;
    delete sp;
    sp = nullptr;
  }
}

// A parent painting in glass mode passes it to a loaded frame and to a frame that shows; an
// opaque parent passes nothing.
TEST_F(FrameAdapterLoading, LoadingAndShowingTakeTheParentsGlassMode) {
  PlaceAdapter();
  Start();
  struct Case {
    Byte parentMode;
    bool byShowing;
    Byte expected;
  } cases[] = {{1, false, 1}, {1, true, 1}, {0, false, 0}, {0, true, 0}};
  const Byte saved = sp->FCommonData->TranspMode;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.parentMode) << " showing " << c.byShowing);
    sp->FCommonData->TranspMode = c.parentMode;
    adapter->FCommonData->TranspMode = 0;
    if (c.byShowing) {
      frame->Hide();
      adapter->FCommonData->TranspMode = 0;
      frame->Show();
      PumpMessages();
    } else {
      adapter->Loaded();
    }
    EXPECT_EQ(adapter->FCommonData->TranspMode, c.expected);
  }
  sp->FCommonData->TranspMode = saved;
}

// The frame's own class names apply inside it, the manager's outside.
TEST_F(FrameAdapterLoading, TheFramesOwnClassNamesDecideItsControls) {
  TEdit* inFrame = EditOn(frame, 5);
  TEdit* onForm = EditOn(form, 150);
  PlaceAdapter();
  adapter->FThirdParty->SetString(tpEdit, u"TEdit");
  adapter->Loaded();
  EXPECT_TRUE(adapter->OwnThirdLists());
  ASSERT_EQ(skin->skin.Manager.ThirdLists[tpEdit]->Count(), 0);
  Start();
  sp->LoadInit();
  ASSERT_TRUE(Linked());
  EXPECT_TRUE(Adapted(inFrame));
  EXPECT_FALSE(Adapted(onForm));
  // Emptied again, the manager's lists apply (they name no edit).
  adapter->FThirdParty->SetString(tpEdit, String());
  adapter->Loaded();
  EXPECT_FALSE(adapter->OwnThirdLists());
}

// A frame without an adapter met by the form's walk gets one that links itself at once: the
// same walk goes on into the frame with the lists that apply there.
TEST_F(FrameAdapterLoading, AFrameMetByTheWalkIsLinkedAndItsControlsAdaptedAtOnce) {
  skin->skin.Manager.ThirdLists[tpEdit]->Add(u"TEdit");
  TEdit* edit = EditOn(frame, 5);
  Start();
  sp->LoadInit();
  for (Integer i = 0; i < frame->ComponentCount(); ++i)
    if (auto* a = dynamic_cast<TsFrameAdapter*>(frame->Components(i))) adapter = a;
  ASSERT_NE(adapter, nullptr);
  EXPECT_TRUE(Linked());
  EXPECT_TRUE(Adapted(edit));
}

// Scrolling holds the frame's redraw only while its children show it through (a gradient
// section); an opaque plain section lets the children scroll with redraw on.
TEST_F(FrameAdapterLoading, ScrollingHoldsRedrawOnlyWhenChildrenShowTheFrame) {
  PlaceAdapter();
  Start();
  struct Case {
    const char16_t* section;
    bool held;
  } cases[] = {{u"FRAMEGRAD", true}, {u"FRAMEOPAQUE", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.held);
    UseSection(c.section);
    EXPECT_EQ(Command(KV_CHILDCHANGED), c.held ? 1 : 0);
    TMessage asked = MakeMessage(SM_ALPHACMD, uintptr_t{KV_CHILDCHANGED} << 16, 0);
    frame->WindowProc()(asked);
    EXPECT_EQ(asked.Result, c.held ? 1 : 0);
    EXPECT_EQ(asked.LParam, asked.Result);
    ASSERT_TRUE(FrameRedraws());
    Command(KV_BEFORESCROLL);
    EXPECT_EQ(FrameRedraws(), !c.held);
    Command(KV_AFTERSCROLL);
    EXPECT_TRUE(FrameRedraws());
  }
}

// A shown frame's scroll wrapper stands in front of the adapter; the commands the adapter
// answers still reach it through the frame's window and come back with the adapter's answer.
TEST_F(FrameAdapterLoading, CommandsSentToAShownFrameGetTheAdaptersAnswer) {
  PlaceAdapter();
  Start();
  ASSERT_NE(adapter->ListSW, nullptr);
  ASSERT_EQ(Command(KV_GETLISTSW), reinterpret_cast<LRESULT>(static_cast<TkvMainWnd*>(adapter->ListSW)));
  struct Case {
    const char16_t* section;
    Word code;
    std::optional<LRESULT> rule;  // the adapter's answer by its own rule, where it has one
  } cases[] = {
      {u"FRAMEGRAD", KV_CHILDCHANGED, 1},
      {u"FRAMEOPAQUE", KV_CHILDCHANGED, 0},
      {u"FRAMEOPAQUE", KV_GETDEFSECTION, 3},
      {u"FRAMEOPAQUE", KV_GETCONTROLCOLOR, 0x00406080},
      {u"FRAMEOPAQUE", KV_CTRLHANDLED, 1},
      {u"FRAMEGRAD", KV_GETDEFINDEX, std::nullopt},
      {u"FRAMEOPAQUE", KV_GETSKINDATA, std::nullopt},
  };
  for (const Case& c : cases) {
    const bool gradient = c.section == std::u16string_view(u"FRAMEGRAD");
    SCOPED_TRACE(testing::Message() << "command " << c.code << (gradient ? ", gradient" : ", opaque"));
    UseSection(c.section);
    TMessage direct = MakeMessage(SM_ALPHACMD, uintptr_t{c.code} << 16, 0);
    adapter->NewWndProc(direct);
    if (c.rule) { EXPECT_EQ(direct.Result, *c.rule); }
    EXPECT_EQ(Command(c.code), direct.Result);
  }
  EXPECT_EQ(Command(KV_GETDEFINDEX), adapter->FCommonData->SkinIndex + 1);
}

// Section index and glass mode are answered while the skin is not active too.
TEST_F(FrameAdapterLoading, IndexAndGlassModeAreAnsweredWhileUnskinned) {
  PlaceAdapter();
  Start();
  UseSection(u"FRAMEOPAQUE");
  const Integer index = adapter->FCommonData->SkinIndex;
  ASSERT_GE(index, 0);
  skin->skin.Manager.SkinCommonInfo.Active = false;
  TkvSectionInfo info;
  Command(KV_GETSKININDEX, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.siSkinIndex, index);
  adapter->FCommonData->TranspMode = 0;
  Command(KV_SETGLASSMODE, LPARAM(1) << 16);
  EXPECT_EQ(adapter->FCommonData->TranspMode, 1);
  skin->skin.Manager.SkinCommonInfo.Active = true;
}

TEST_F(FrameAdapterLoading, TheMouseEnteringTheFrameMakesItTheActiveControl) {
  PlaceAdapter();
  Start();
  ASSERT_NE(DefaultManager->ActiveControl(), frame->Handle());
  frame->Perform(CM_MOUSEENTER, 0, 0);
  EXPECT_EQ(DefaultManager->ActiveControl(), frame->Handle());
}

// ---- The background cache and printing --------------------------------------------------------

// Records the outer-effect requests a control gets, and the bitmap each asks it to paint into.
class TOuterRecorder : public TObject {
 public:
  explicit TOuterRecorder(TControl* c) : control(c), old(c->WindowProc()) {
    c->SetWindowProc(TWndMethod(this, &TOuterRecorder::Proc));
  }
  ~TOuterRecorder() override { control->SetWindowProc(old); }
  void Proc(TMessage& m) {
    if (m.Msg == SM_ALPHACMD && m.WParamHi == KV_PAINTOUTER && m.LParam)
      targets.push_back(reinterpret_cast<TkvBGInfo*>(m.LParam)->Bmp);
    old(m);
  }
  TControl* control;
  TWndMethod old;
  std::vector<TBitmap*> targets;
};

// The frame's background cache takes the outer effects of its children; without outer effects
// allowed the children are not asked.
TEST_F(FrameAdapterLoading, TheCacheTakesTheChildrensOuterEffects) {
  TEdit* child = EditOn(frame, 5);
  PlaceAdapter();
  Start();
  UseSection(u"FRAMEOPAQUE");
  TOuterRecorder rec(child);
  const bool saved = skin->skin.Manager.Effects.AllowOuterEffects;
  for (const bool allowed : {true, false}) {
    SCOPED_TRACE(allowed);
    skin->skin.Manager.Effects.AllowOuterEffects = allowed;
    rec.targets.clear();
    ASSERT_TRUE(adapter->PrepareCache());
    if (allowed) {
      ASSERT_EQ(rec.targets.size(), 1u);
      EXPECT_EQ(rec.targets[0], adapter->FCommonData->FCacheBmp.get());
    } else {
      EXPECT_TRUE(rec.targets.empty());
    }
  }
  skin->skin.Manager.Effects.AllowOuterEffects = saved;
}

struct ResizeCount {
  void On(TObject*) { ++count; }
  int count = 0;
};

// The end of the parent's update clears the frame's updating mark and, with the background
// changed, rebuilds it and runs the frame's resize handler; not while the frame is being
// recreated or aligned.
TEST_F(FrameAdapterLoading, TheEndOfTheParentsUpdateRepaintsAFrameThatIsNotBusy) {
  PlaceAdapter();
  Start();
  UseSection(u"FRAMEOPAQUE");
  ResizeCount resized;
  frame->SetOnResize(TNotifyEvent(&resized, &ResizeCount::On));
  ASSERT_NE(adapter->ListSW, nullptr);  // the command passes the frame's scroll wrapper first
  struct Case {
    TControlStateFlag busy;
    bool busyFlag;
  } cases[] = {{csRecreating, true}, {csAligning, true}, {csRecreating, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.busyFlag);
    const TControlState saved = frame->ControlState();
    TControlState state = saved;
    if (c.busyFlag) state.Include(c.busy);
    frame->SetControlState(state);
    adapter->FCommonData->FUpdating = true;
    adapter->FCommonData->BGChanged = true;
    resized.count = 0;
    Command(KV_ENDPARENTUPDATE);
    frame->SetControlState(saved);
    EXPECT_EQ(adapter->FCommonData->FUpdating, c.busyFlag);
    EXPECT_EQ(resized.count, c.busyFlag ? 0 : 1);
  }
  frame->SetOnResize(TNotifyEvent());
}

class FramePrint : public FrameAdapterLoading {
 protected:
  static constexpr TColor kMarker = 0x0000FF00;
  static constexpr TColor kOpaque = 0x00406080;
  // The frame printed onto a bitmap of the marker colour.
  std::unique_ptr<TBitmap> Print() {
    auto shot = std::make_unique<TBitmap>(frame->Width(), frame->Height(), pf32bit);
    FillDC(shot->Canvas()->Handle(), TRect(0, 0, shot->Width(), shot->Height()), kMarker);
    SendMessageW(frame->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(shot->Canvas()->Handle()),
                 PRF_CLIENT | PRF_NONCLIENT);
    return shot;
  }
  TkvScrollWnd* Bars() { return adapter->ListSW; }
};

// Read right to left with a vertical bar, the printed client starts after the bar's thickness;
// read left to right it starts at the frame's edge.
TEST_F(FramePrint, RightToLeftWithAVerticalBarShiftsTheClientByTheBar) {
  frame->VertScrollBar()->SetRange(600);
  PlaceAdapter();
  Start();
  UseSection(u"FRAMEOPAQUE");
  ASSERT_NE(Bars(), nullptr);
  ASSERT_TRUE(Bars()->ShownBars(SB_VERT));
  ASSERT_FALSE(Bars()->ShownBars(SB_HORZ));
  const Integer thickness = Bars()->GetScrollMetric(SB_VERT, true);
  ASSERT_GT(thickness, 2);
  const Integer y = frame->Height() / 2;
  for (const bool rtl : {false, true}) {
    SCOPED_TRACE(rtl);
    frame->SetBiDiMode(rtl ? bdRightToLeft : bdLeftToRight);
    const auto shot = Print();
    EXPECT_EQ(shot->PixelColor(1, y) == kOpaque, !rtl) << std::hex << shot->PixelColor(1, y);
    EXPECT_EQ(shot->PixelColor(thickness + 1, y), kOpaque);
  }
}

// With a horizontal bar the client's paint is clipped off the bars, so it does not cover the
// bar just drawn.
TEST_F(FramePrint, AHorizontalBarClipsTheClientOffTheBars) {
  frame->HorzScrollBar()->SetRange(800);
  PlaceAdapter();
  Start();
  UseSection(u"FRAMEOPAQUE");
  ASSERT_NE(Bars(), nullptr);
  ASSERT_TRUE(Bars()->ShownBars(SB_HORZ));
  const Integer thickness = Bars()->GetScrollMetric(SB_HORZ, true);
  const auto shot = Print();
  EXPECT_EQ(shot->PixelColor(10, frame->Height() - thickness - 1), kOpaque);
  EXPECT_NE(shot->PixelColor(10, frame->Height() - thickness / 2), kOpaque);
}

}  // namespace
