// Skin commands a skinned form answers: the manager's scale step and a PPI change (with and
// without the provider scaling the form), the commands passed on to the form's own code or to
// its children, the menu change put off during an update, linked objects, the update flag,
// scrolling, and a skin removed by the form's manager or by another one. What the form's own
// procedure and a child control receive is recorded under the provider.
#include <algorithm>

#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/sSkinMenus.h"
#include "forms/kvTitleBar.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"
#include "support/PpiSkin.h"
#include "ui/ExtCtrls.h"
#include "ui/Menus.h"
#include "ui/ScopeGuard.h"

using formskin::SkinnedForm;

namespace {

struct Received {
  Cardinal msg;
  Word command;  // the skin command (SM_ALPHACMD only)
  WPARAM wParam;
  LPARAM lParam;
};

// Stands under a control's window procedure and records what reaches it.
struct Recorder {
  void Proc(TMessage& m) {
    seen.push_back({m.Msg, m.Msg == SM_ALPHACMD ? m.WParamHi : Word(0), m.WParam, m.LParam});
    old(m);
  }
  void Attach(TControl* ctrl) {
    old = ctrl->WindowProc();
    ctrl->SetWindowProc(TWndMethod(this, &Recorder::Proc));
  }
  std::vector<Word> Commands() const {
    std::vector<Word> out;
    for (const Received& r : seen)
      if (r.msg == SM_ALPHACMD) out.push_back(r.command);
    return out;
  }
  bool SawCommand(Word code) const {
    const auto c = Commands();
    return std::find(c.begin(), c.end(), code) != c.end();
  }
  const Received* Find(Word code) const {
    for (const Received& r : seen)
      if (r.msg == SM_ALPHACMD && r.command == code) return &r;
    return nullptr;
  }
  bool Saw(Cardinal msg) const {
    return std::any_of(seen.begin(), seen.end(), [&](const Received& r) { return r.msg == msg; });
  }
  TWndMethod old;
  std::vector<Received> seen;
};

// A form with a panel on it; the panel and the form's own procedure are recorded. The manager
// scales as the class library does and holds the skin for 96 and for 120 PPI.
class FormCommands : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    savedMetrics = kvSysMetricsForDpi;
    kvSysMetricsForDpi = &ppiskin::FixedMetrics;
    DuRiruZireziv& m = skin->skin.Manager;
    savedMode = m.Options.ScaleMode;
    savedPPI = m.Options.PixelsPerInch;
    m.Options.ScaleMode = smVCL;
    m.SkinDataArray.push_back(ppiskin::ScaledCopy(*skin->skin.Data, &m, 120));
    at120 = m.SkinDataArray.back().get();
    panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 100, 50);
    panel->HandleNeeded();
    child.Attach(panel);
    own.Attach(form);
  }
  void TearDown() override {
    kvSysMetricsForDpi = savedMetrics;
    DuRiruZireziv& m = skin->skin.Manager;
    m.Options.ScaleMode = savedMode;
    m.Options.PixelsPerInch = savedPPI;
    SkinnedForm::TearDown();
  }
  LRESULT Command(Word code, LPARAM lParam = 0, Word low = 0) {
    return SendMessageW(form->Handle(), SM_ALPHACMD, WPARAM(code) << 16 | low, lParam);
  }
  LPARAM ManagerParam() { return reinterpret_cast<LPARAM>(&skin->skin.Manager); }
  // A caption-button fade running: the mouse went over the close button of the shown form.
  void StartCloseFade() {
    SkinAndShow();
    SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
    const TPoint close = Screen(Centre(sp->ButtonClose).X, Centre(sp->ButtonClose).Y);
    SendMessageW(form->Handle(), WM_NCMOUSEMOVE, HTCLOSE, MAKELPARAM(close.X, close.Y));
    ASSERT_NE(sp->ButtonClose.cpTimer, nullptr);
    ASSERT_EQ(sp->CurrentHT, HTCLOSE);
  }

  TkvSysMetricsFn savedMetrics = nullptr;
  TkvScaleMode savedMode = smVCL;
  Integer savedPPI = 96;
  TkvSkinData* at120 = nullptr;
  TPanel* panel = nullptr;
  Recorder child, own;
};

}  // namespace

// The manager's scale step reaches the form through UpdateScale, as a real rescale does.
TEST_F(FormCommands, ManagerScaleStepGivesTheFormTheSkinAndMetricsOfTheNewPPI) {
  StartCloseFade();
  sp->InitSysParams(96);
  ASSERT_EQ(sp->CYCaption, 23);
  ASSERT_EQ(sp->SysButtonWidth(sp->ButtonClose), formskin::kGlyphW);
  child.seen.clear();
  own.seen.clear();

  skin->skin.Manager.UpdateScale(form, 96, 120);

  EXPECT_EQ(sp->FCommonData->GetCommonSkinData(), at120);
  EXPECT_EQ(sp->FormPPI(), 120);
  EXPECT_EQ(sp->CYCaption, 29);
  EXPECT_EQ(sp->SizeFrame(), 5);
  EXPECT_EQ(sp->SysButtonWidth(sp->ButtonClose), kvMulDiv(formskin::kGlyphW, 120, 96));
  // The fade and the hot button belonged to the old size.
  EXPECT_EQ(sp->ButtonClose.cpTimer, nullptr);
  EXPECT_EQ(sp->CurrentHT, -1);
  // The children scale with the form; the form's own code hears of it too.
  const Received* toChild = child.Find(KV_SETSCALE);
  ASSERT_NE(toChild, nullptr);
  EXPECT_EQ(toChild->lParam, 120);
  EXPECT_TRUE(own.SawCommand(KV_SETSCALE));
}

namespace {

struct DpiRow {
  const char* name;
  bool allowScale;
  bool designing;
  Integer newPPI;
  Integer caption;    // the caption metric afterwards
  bool rescaled;      // the form rescaled and its children refreshed
  bool repaintAsked;  // the background marked changed (not checked when rescaled: painted at once)
};

const DpiRow kDpiRows[] = {
    {"scaled by the provider", true, false, 120, 29, true, true},
    // The window's own PPI stays Wine's one: the caption is laid out again at it.
    {"not scaled by the provider", false, false, 120, 23, false, true},
    {"manager being designed", true, true, 120, 23, false, false},
    {"the current PPI", true, false, 96, 23, false, true},
};

}  // namespace

// Wine sends no WM_DPICHANGED: it is sent here as the system sends it (new PPI in both words,
// the suggested window rectangle in LParam).
TEST_F(FormCommands, PpiChangeTable) {
  for (const DpiRow& row : kDpiRows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    SkinAndShow();
    sp->InitSysParams(96);
    sp->AllowScale = row.allowScale;
    DuRiruZireziv& m = skin->skin.Manager;
    m.Options.PixelsPerInch = 96;
    const Integer clientWidth = form->ClientWidth();
    child.seen.clear();
    own.seen.clear();
    sp->FCommonData->BGChanged = false;
    RECT suggested{100, 100, 100 + kvMulDiv(300, row.newPPI, 96), 100 + kvMulDiv(200, row.newPPI, 96)};
    if (row.designing) m.SetDesigning(true);
    SendMessageW(form->Handle(), WM_DPICHANGED, MAKEWPARAM(row.newPPI, row.newPPI),
                 reinterpret_cast<LPARAM>(&suggested));
    if (row.designing) m.SetDesigning(false);

    EXPECT_EQ(sp->CYCaption, row.caption);
    EXPECT_FALSE(own.Saw(WM_DPICHANGED));  // the old procedure never runs
    EXPECT_FALSE(sp->FFormState & FS_SCALING);
    if (row.rescaled) {
      EXPECT_EQ(form->ClientWidth(), kvMulDiv(clientWidth, 120, 96));
      EXPECT_EQ(sp->FormPPI(), 120);
      EXPECT_EQ(m.Options.PixelsPerInch, 120);
      EXPECT_FALSE(sp->FCommonData->GetUpdating());
      // The children scale, then learn that the background changed, then refresh.
      const std::vector<Word> order = child.Commands();
      const auto at = [&](Word code) { return std::find(order.begin(), order.end(), code) - order.begin(); };
      ASSERT_TRUE(child.SawCommand(KV_SETSCALE));
      ASSERT_TRUE(child.SawCommand(KV_SETBGCHANGED));
      ASSERT_TRUE(child.SawCommand(KV_REFRESH));
      EXPECT_LT(at(KV_SETSCALE), at(KV_SETBGCHANGED));
      EXPECT_LT(at(KV_SETBGCHANGED), at(KV_REFRESH));
      EXPECT_EQ(child.Find(KV_REFRESH)->lParam, ManagerParam());
    } else {
      EXPECT_EQ(sp->FCommonData->BGChanged, row.repaintAsked);
      EXPECT_EQ(form->ClientWidth(), clientWidth);
      EXPECT_EQ(m.Options.PixelsPerInch, 96);
      EXPECT_FALSE(child.SawCommand(KV_REFRESH));
      EXPECT_FALSE(child.SawCommand(KV_SETSCALE));
    }
  }
}

// Commands the floating title-bar items and the timers use are the form's own code's: the
// skinned form passes them on instead of swallowing them; the timers' command goes on to the
// children too.
TEST_F(FormCommands, FloatItemAndTimerCommandsReachTheFormsOwnCode) {
  Skin();
  for (Word code : {KV_PAINTFLOATITEMS, KV_UPDATEFLOATITEMS, KV_UPDATEITEMSALPHA, KV_GETTOPWND, KV_SETFLOATZORDER,
                    KV_UPDATEFLOATBITMAPS, KV_KILLTIMERS}) {
    SCOPED_TRACE(code);
    own.seen.clear();
    child.seen.clear();
    Command(code);
    EXPECT_TRUE(own.SawCommand(code));
    EXPECT_EQ(child.SawCommand(code), code == KV_KILLTIMERS);
  }
}

// A menu change that came while the skin data was locked is made when the update ends.
TEST_F(FormCommands, MenuChangePutOffDuringAnUpdateIsMadeWhenItEnds) {
  Skin();
  sp->StopUpdating();  // the update the form's construction began
  sp->FCommonData->BeginUpdate();
  sp->FCommonData->CtrlSkinState |= KVS_MNUPDATING;
  own.seen.clear();
  sp->FCommonData->EndUpdate();  // tells the form KV_ENDUPDATE
  EXPECT_TRUE(own.Saw(CM_MENUCHANGED));
  EXPECT_FALSE(sp->FCommonData->CtrlSkinState & KVS_MNUPDATING);
  // Without a change put off, the end of an update changes no menu.
  own.seen.clear();
  sp->FCommonData->BeginUpdate();
  sp->FCommonData->EndUpdate();
  EXPECT_FALSE(own.Saw(CM_MENUCHANGED));
}

// A form still being made starts in the updating state, not in an update block; a refresh
// clears that state and leaves an update block someone holds open until the block's own end,
// which alone tells the form that the update ended.
TEST_F(FormCommands, ARefreshClearsTheUpdatingStateAndLeavesUpdateBlocksOpen) {
  ASSERT_FALSE(form->ControlState().Empty());
  Skin();
  EXPECT_TRUE(sp->FCommonData->FUpdating);
  EXPECT_EQ(sp->FCommonData->FUpdateCount, 0);
  ShowForm();
  EXPECT_FALSE(sp->FCommonData->FUpdating);
  EXPECT_EQ(sp->FCommonData->FUpdateCount, 0);
  for (const bool inBlock : {true, false}) {
    SCOPED_TRACE(inBlock);
    if (inBlock) sp->FCommonData->BeginUpdate();
    sp->FCommonData->CtrlSkinState |= KVS_MNUPDATING;
    Command(KV_REFRESH, ManagerParam());
    EXPECT_FALSE(sp->FCommonData->FUpdating);
    EXPECT_EQ(sp->FCommonData->FUpdateCount, inBlock ? 1 : 0);
    EXPECT_TRUE(sp->FCommonData->CtrlSkinState & KVS_MNUPDATING);  // no end of update came
    own.seen.clear();
    if (inBlock) sp->FCommonData->EndUpdate();
    EXPECT_EQ(own.Saw(CM_MENUCHANGED), inBlock);
    sp->FCommonData->CtrlSkinState &= ~KVS_MNUPDATING;
  }
}

TEST_F(FormCommands, LinkedObjectsAreKeptOnceAndForgotten) {
  Skin();
  TObject a, b;
  AddObjLink(&a, form);
  AddObjLink(&b, form);
  AddObjLink(&a, form);
  EXPECT_EQ(sp->FrameAdapters, (std::vector<TObject*>{&a, &b}));
  DelObjLink(&a, form);
  EXPECT_EQ(sp->FrameAdapters, (std::vector<TObject*>{&b}));
  DelObjLink(&a, form);  // not linked: nothing changes
  EXPECT_EQ(sp->FrameAdapters, (std::vector<TObject*>{&b}));
}

// The update command sets a flag; it does not count, so a sender's 0 neither ends an update
// that the provider's own BeginUpdate/EndUpdate pair holds nor leaves the count short.
TEST_F(FormCommands, UpdatingCommandSetsTheFlagAndLeavesTheCountAlone) {
  Skin();
  TsCommonData* sd = sp->FCommonData.get();
  sd->BGChanged = false;
  Command(KV_UPDATING, 0, 1);
  EXPECT_TRUE(sd->GetUpdating());
  EXPECT_TRUE(sd->BGChanged);
  Command(KV_UPDATING, 0, 1);
  Command(KV_UPDATING, 0, 0);
  EXPECT_FALSE(sd->GetUpdating());  // one 0 ends it: a flag
  sd->BeginUpdate();
  const Integer held = sd->FUpdateCount;
  sd->BGChanged = false;
  Command(KV_UPDATING, 0, 0);
  EXPECT_EQ(sd->FUpdateCount, held);
  EXPECT_FALSE(sd->BGChanged);
  sd->EndUpdate();
  EXPECT_EQ(sd->FUpdateCount, held - 1);
}

// A scroll of the form's content: drawing is off while it moves and on again after it, and
// the form is redrawn.
TEST_F(FormCommands, ScrollingTurnsTheFormsDrawingOffAndOnAgain) {
  SkinAndShow();
  const HWND h = form->Handle();
  ASSERT_TRUE(GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE);
  own.seen.clear();
  Command(KV_BEFORESCROLL);
  EXPECT_FALSE(GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE);  // what WM_SETREDRAW 0 does
  const auto off =
      std::find_if(own.seen.begin(), own.seen.end(), [](const Received& r) { return r.msg == WM_SETREDRAW; });
  ASSERT_NE(off, own.seen.end());
  EXPECT_EQ(off->wParam, 0u);
  own.seen.clear();
  // The skinned paints end in the provider: they are seen above it.
  Recorder above;
  above.Attach(form);
  const TScopeExit detach([&] { form->SetWindowProc(above.old); });
  Command(KV_AFTERSCROLL);
  EXPECT_TRUE(GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE);
  const auto on =
      std::find_if(own.seen.begin(), own.seen.end(), [](const Received& r) { return r.msg == WM_SETREDRAW; });
  ASSERT_NE(on, own.seen.end());
  EXPECT_EQ(on->wParam, 1u);
  EXPECT_TRUE(above.Saw(WM_PAINT) || above.Saw(WM_NCPAINT));  // redrawn at once
}

TEST_F(FormCommands, NewSkinStopsTheCaptionButtonFades) {
  StartCloseFade();
  Command(KV_SETNEWSKIN, ManagerParam());
  EXPECT_EQ(sp->ButtonClose.cpTimer, nullptr);
}

// The form's own manager takes its skin away: the fades stop, the menu pictures go, a form
// that is see-through by its own setting stays so, the floating items are told.
TEST_F(FormCommands, SkinRemovedByItsManagerLeavesTheFormsOwnSettings) {
  layered::LayeredCalls layeredBound;  // the layered-window functions bound
  form->SetAlphaBlendValue(150);
  form->SetAlphaBlend(true);
  StartCloseFade();
  TsSkinableMenus* painter = SkinableMenus();
  ASSERT_NE(painter, nullptr);
  TMenuItem item(nullptr);
  ASSERT_NE(painter->GetMenuInfo(&item, nullptr, nullptr), nullptr);  // a popup's record, no picture yet
  ASSERT_EQ(painter->CachedPopups(), 1u);
  const HWND h = form->Handle();
  own.seen.clear();
  child.seen.clear();
  Command(KV_REMOVESKIN, ManagerParam());
  EXPECT_EQ(sp->ButtonClose.cpTimer, nullptr);
  EXPECT_EQ(painter->CachedPopups(), 0u);
  ASSERT_TRUE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_LAYERED);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(h, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 150);
  EXPECT_TRUE(flags & LWA_ALPHA);
  EXPECT_TRUE(own.SawCommand(KV_UPDATEFLOATITEMS));
  EXPECT_TRUE(child.SawCommand(KV_REMOVESKIN));
  EXPECT_EQ(sp->FCommonData->FCacheBmp, nullptr);
}

// Another manager's skin goes: the children hear of it, the form keeps its skin.
TEST_F(FormCommands, SkinRemovedByAnotherManagerOnlyReachesTheChildren) {
  SkinAndShow();
  DuRiruZireziv other(nullptr);
  ASSERT_NE(sp->FCommonData->FCacheBmp, nullptr);
  ASSERT_NE(sp->SystemMenu, nullptr);
  const Integer title = sp->FTitleSkinIndex;
  child.seen.clear();
  Command(KV_REMOVESKIN, reinterpret_cast<LPARAM>(&other));
  const Received* got = child.Find(KV_REMOVESKIN);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got->lParam, reinterpret_cast<LPARAM>(&other));
  EXPECT_NE(sp->FCommonData->FCacheBmp, nullptr);
  EXPECT_EQ(sp->FTitleSkinIndex, title);
  EXPECT_TRUE(sp->Skinned());
}

// A refresh of the skin brings the outer border window the manager's setting now asks for,
// takes it away again when the setting goes, and tells the floating items.
TEST_F(FormCommands, RefreshFollowsTheManagersOuterBorderSetting) {
  layered::LayeredCalls layeredBound;
  SkinAndShow();
  ASSERT_EQ(sp->BorderForm, nullptr);
  formskin::GiveShadow(*skin, TRect(10, 8, 12, 14));
  own.seen.clear();
  Command(KV_REFRESH, ManagerParam());
  ASSERT_NE(sp->BorderForm, nullptr);
  const HWND bw = sp->BorderForm->LayeredWindow();
  ASSERT_NE(bw, nullptr);
  EXPECT_TRUE(IsWindowVisible(bw));
  EXPECT_TRUE(own.SawCommand(KV_UPDATEFLOATITEMS));
  skin->skin.Manager.SetExtendedBorders(false);
  Command(KV_REFRESH, ManagerParam());
  EXPECT_EQ(sp->BorderForm, nullptr);
}

// The alpha command fades the outer border window with the form: the whole window picture is
// handed to the system at the asked alpha (Wine blends layered windows over black, so the call
// is what is checked), and the form's own window fades through its layered alpha.
TEST_F(FormCommands, AlphaCommandFadesTheOuterBorderWindowWithTheForm) {
  layered::LayeredCalls rec;
  formskin::GiveShadow(*skin, TRect(10, 8, 12, 14));
  SkinAndShow();
  ASSERT_NE(sp->BorderForm, nullptr);
  const HWND bw = sp->BorderForm->LayeredWindow();
  ASSERT_NE(bw, nullptr);
  const HWND h = form->Handle();
  SendMessageW(h, WM_NCACTIVATE, TRUE, 0);
  sp->FCommonData->BGChanged = true;
  sp->PaintAll();
  TBitmap* picture = sp->FCommonData->FCacheBmp.get();
  ASSERT_NE(picture, nullptr);
  layered::updates.clear();
  Command(KV_SETALPHA, 100);
  // The style change may repaint the border window first; the fade is its last picture.
  const std::vector<layered::UpdateCall> updates = layered::LayeredCalls::UpdatesOf(bw);
  ASSERT_FALSE(updates.empty());
  const std::vector<layered::UpdateCall> toBorder{updates.back()};
  EXPECT_EQ(toBorder[0].alpha, 100);
  ASSERT_EQ(toBorder[0].size.cx, picture->Width());
  ASSERT_EQ(toBorder[0].size.cy, picture->Height());
  // The window picture, not a blank one: the shadow's corner, the title, the client.
  const TPixelView pic = picture->View();
  const TPoint title(sp->ButtonMin.cpRect.Left - 12, sp->VCenter);
  EXPECT_EQ(toBorder[0].At(title.X, title.Y), 0xFF000000u | formskin::RgbOfColor(formskin::kTitleActive));
  for (const TPoint p : {TPoint(0, 0), title, TPoint(picture->Width() / 2, picture->Height() / 2)}) {
    EXPECT_EQ(toBorder[0].At(p.X, p.Y), pic.At(p.X, p.Y)) << p.X << "," << p.Y;
  }
  BYTE alpha = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(h, nullptr, &alpha, nullptr));
  EXPECT_EQ(alpha, 100);
}

// A new skin reaching a form the skin does not apply to yet: the title bar is linked to the
// provider and the menu pictures of the old skin go.
TEST_F(FormCommands, NewSkinForAnUnskinnedFormLinksItsTitleBarAndDropsOldMenuPictures) {
  Skin();
  auto* bar = new TsTitleBar(form);
  bar->SP = nullptr;
  TsSkinableMenus* painter = SkinableMenus();
  ASSERT_NE(painter, nullptr);
  TMenuItem item(nullptr);
  ASSERT_NE(painter->GetMenuInfo(&item, nullptr, nullptr), nullptr);
  sp->FCommonData->SkinIndex = -1;  // the skin does not apply to it
  ASSERT_FALSE(sp->Skinned());
  Command(KV_SETNEWSKIN, ManagerParam());
  EXPECT_EQ(bar->SP, sp);
  EXPECT_EQ(painter->CachedPopups(), 0u);
}
