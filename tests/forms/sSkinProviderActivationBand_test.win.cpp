// Activation of a skinned form, the parts beyond the caption: the controls on the form's header
// band wait for the band's new look and repaint with it (the controls below it are left alone),
// the application's activation bringing the border window and a main form's window state back
// in step, and a maximized form giving up its border window on activation when the manager
// wants native borders for maximized forms; the guards of the window region's update.
#include <windows.h>

#include <commctrl.h>

#include <memory>

#include "base/Composition.h"
#include "controls/sButton.h"
#include "forms/sSkinProvider.h"
#include "forms/sSkinProviderMotion.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"
#include "support/SkinCommands.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"

using namespace formskin;

namespace {

constexpr TColor kHeaderInactive = 0x00305070;
constexpr TColor kHeaderActive = 0x0070B030;
constexpr Integer kBand = 40;

// A control without a window that records the skin commands it performs.
class TGraphicProbe : public TGraphicControl {
 public:
  TGraphicProbe(TWinControl* parent, const char* name, SkinCommandLog& log)
      : TGraphicControl(parent), name_(name), log_(log) {
    SetParent(parent);
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD) {
      if (!IsQuery(m.WParamHi)) log_.Add(name_, m);
      return;
    }
    TGraphicControl::WndProc(m);
  }

 private:
  std::string name_;
  SkinCommandLog& log_;
};

// Counts the paint messages a window gets, through a subclass that passes them on.
struct PaintCounter {
  explicit PaintCounter(HWND w) : wnd(w) { SetWindowSubclass(wnd, &Proc, 1, reinterpret_cast<DWORD_PTR>(this)); }
  ~PaintCounter() { RemoveWindowSubclass(wnd, &Proc, 1); }
  PaintCounter(const PaintCounter&) = delete;
  PaintCounter& operator=(const PaintCounter&) = delete;
  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
    if (msg == WM_PAINT) ++reinterpret_cast<PaintCounter*>(self)->paints;
    return DefSubclassProc(w, msg, wp, lp);
  }
  HWND wnd;
  Integer paints = 0;
};

// A form with the skin's header band (its own colours, active and inactive) under the caption.
class HeaderActivation : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    savedAero = iAeroStatus;
    TsGeneralData h = PlainSection(u"FORMHEADER", 0, kHeaderInactive, 2);
    h.Props[1].Color = Integer(kHeaderActive);
    header = skin->skin.AddSection(h);
    skin->skin.Manager.SkinCommonInfo.Sections[ssFormHeader] = header;
    skin->skin.Data->Reindex();
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
  }
  void TearDown() override {
    iAeroStatus = savedAero;
    SkinnedForm::TearDown();
  }
  void ShowWithBand(Integer height = kBand) {
    Skin();
    sp->FFormHeader->SetAdditionalHeight(height);
    ShowForm();
    sp->CalcItems();
  }
  // A pixel of the client area as the screen shows it.
  COLORREF ScreenAt(Integer x, Integer y) {
    POINT p{x, y};
    ClientToScreen(form->Handle(), &p);
    const TWindowDC screen(nullptr);
    return GetPixel(screen, p.x, p.y);
  }
  Integer savedAero = 0;
  Integer header = -1;
  SkinCommandLog log;  // outlives the form: its probes still hear commands while it goes
};

// On every activation change the controls that lie on the band (a windowed one, a windowless
// one, one that only begins on it) are told to wait and renew their background, then that the
// form is done; controls below the band, and the children of a control below it, hear neither.
TEST_F(HeaderActivation, ControlsOnTheBandWaitForItsNewLook) {
  auto* band = new TCommandProbe(form, "band", log);
  band->SetBounds(5, 5, 40, 30);
  auto* straddling = new TCommandProbe(form, "straddling", log);
  straddling->SetBounds(60, kBand - 1, 40, 30);
  auto* graphic = new TGraphicProbe(form, "graphic", log);
  graphic->SetBounds(120, 10, 20, 20);
  auto* below = new TCommandProbe(form, "below", log);
  below->SetBounds(5, kBand, 100, 60);
  new TCommandProbe(below, "nested", log);  // at (5, 5) of the control below the band
  ShowWithBand();
  ASSERT_TRUE(sp->HeaderUsed());
  for (const bool active : {false, true, false}) {
    SCOPED_TRACE(testing::Message() << "active " << active);
    log.Clear();
    SendMessageW(form->Handle(), WM_NCACTIVATE, active, 0);
    Application->ProcessMessages();
    for (const char* name : {"band", "straddling", "graphic"}) {
      SCOPED_TRACE(name);
      const std::vector<Word> got = log.Commands(name);
      ASSERT_GE(got.size(), 2u);
      EXPECT_EQ(got[0], KV_UPDATING);
      EXPECT_EQ(log.byName[name][0].arg, 1);
      EXPECT_EQ(got[1], KV_SETBGCHANGED);
      EXPECT_EQ(log.byName[name][1].arg, 1);
    }
    // The windowed ones are told when the form has painted the band.
    for (const char* name : {"band", "straddling"}) EXPECT_GE(log.Count(name, KV_ENDPARENTUPDATE), 1u) << name;
    for (const char* name : {"below", "nested"}) {
      EXPECT_EQ(log.Count(name, KV_UPDATING), 0u) << name;
      EXPECT_EQ(log.Count(name, KV_SETBGCHANGED), 0u) << name;
    }
  }
  // Without a band nothing waits.
  sp->FFormHeader->SetAdditionalHeight(0);
  log.Clear();
  SendMessageW(form->Handle(), WM_NCACTIVATE, FALSE, 0);
  EXPECT_EQ(log.Count("band", KV_UPDATING), 0u);
  EXPECT_EQ(log.Count("graphic", KV_UPDATING), 0u);
}

// A skinned button that shows the form's picture through itself: the one on the band takes the band's
// new colour on screen, the one below the band is not repainted. With composition on and the
// form made under it, the system repaints nothing of the client: the band must be asked for.
TEST_F(HeaderActivation, ButtonOnTheBandShowsTheBandsNewLook) {
  TsGeneralData b = PlainSection(u"BUTTON", 0, 0, 2);
  for (TsGenState& s : b.Props) s.Transparency = 100;
  skin->skin.Manager.SkinCommonInfo.Sections[ssButton] = skin->skin.AddSection(b);
  skin->skin.Data->Reindex();
  // A form that paints itself gives its picture as the background of its controls.
  struct Painter {
    void Paint(TObject*) {}
  } painter;
  form->SetOnPaint(TNotifyEvent(&painter, &Painter::Paint));
  auto* onBand = new TsButton(form);
  onBand->SetBounds(10, 8, 80, 24);
  onBand->SetParent(form);
  auto* lower = new TsButton(form);
  lower->SetBounds(10, 100, 80, 24);
  lower->SetParent(form);
  struct Case {
    Integer aero;
    bool madeUnderComposition;
  } cases[] = {{0, false}, {1, false}, {1, true}};
  ShowWithBand();
  ASSERT_TRUE(sp->HeaderUsed());
  ASSERT_EQ(ScreenAt(40, 20), COLORREF(kHeaderActive));
  bool active = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "aero " << c.aero << " made under composition " << c.madeUnderComposition);
    iAeroStatus = c.aero;
    sp->InAero = c.madeUnderComposition;
    PaintCounter lowerPaints(lower->Handle());
    active = !active;
    SendMessageW(form->Handle(), WM_NCACTIVATE, active, 0);
    Application->ProcessMessages();
    const COLORREF band = active ? kHeaderActive : kHeaderInactive;
    EXPECT_EQ(ScreenAt(40, 20), band);   // through the button on the band
    EXPECT_EQ(ScreenAt(150, 20), band);  // the band beside it
    EXPECT_FALSE(onBand->SkinData()->FUpdating);
    if (!c.aero || c.madeUnderComposition) { EXPECT_EQ(lowerPaints.paints, 0); }
  }
}

// A borderless form that is activated refreshes its layered look (its resize steps tell the
// controls too) and, with a band, tells its controls that it is done; a form with a border
// leaves that to its non-client activation, and an activation by a click does neither.
TEST_F(HeaderActivation, BorderlessFormTellsItsControlsOnActivation) {
  auto* band = new TCommandProbe(form, "band", log);
  band->SetBounds(5, 5, 40, 30);
  struct Case {
    TFormBorderStyle style;
    Integer height;
    WPARAM state;
    bool told;
  } cases[] = {{bsNone, kBand, WA_ACTIVE, true},
               {bsNone, kBand, WA_CLICKACTIVE, false},
               {bsNone, kBand, WA_INACTIVE, false},
               {bsNone, 0, WA_ACTIVE, true},
               {bsSizeable, kBand, WA_ACTIVE, false}};
  ShowWithBand();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "style " << Integer(c.style) << " band " << c.height << " state " << c.state);
    form->SetBorderStyle(c.style);
    sp->FFormHeader->SetAdditionalHeight(c.height);
    Application->ProcessMessages();
    log.Clear();
    SendMessageW(form->Handle(), WM_ACTIVATE, c.state, 0);
    EXPECT_EQ(log.Count("band", KV_ENDPARENTUPDATE) > 0, c.told);
  }
}

// A form with an outer border window (the layered-window calls recorded).
class BorderedAppActivation : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    recorder = std::make_unique<layered::LayeredCalls>();
    GiveShadow(*skin, TRect(10, 8, 12, 14));
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
    SetCursorPos(0, 0);
    SkinAndShow();
    ASSERT_TRUE(sp->BorderForm);
    ASSERT_TRUE(sp->BorderForm->LayeredWindow());
  }
  void TearDown() override {
    skin->skin.Manager.AnimEffects.Minimizing.Active = true;
    skin->skin.Manager.Options.NativeBordersMaximized = false;
    SkinnedForm::TearDown();
    recorder.reset();
  }
  std::unique_ptr<layered::LayeredCalls> recorder;
};

// The application's activation brings the border window up to date (its changed picture shown
// in it) only while the manager's minimizing is on, no minimize animation runs and the form is
// not drawn disabled; a deactivation leaves it.
TEST_F(BorderedAppActivation, ApplicationActivationUpdatesTheBorderWindow) {
  DuRiruZireziv& manager = skin->skin.Manager;
  struct Case {
    const char* name;
    bool minimizing;
    WPARAM activated;
    Cardinal state;
    bool updated;
  } cases[] = {{"activated", true, 1, 0, true},
               {"deactivated", true, 0, 0, false},
               {"minimizing off", false, 1, 0, false},
               {"drawn disabled", true, 1, FS_DISABLED, false},
               {"minimize animation running", true, 1, FS_ANIMMINIMIZING, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    manager.AnimEffects.Minimizing.Active = c.minimizing;
    const HWND bw = sp->BorderForm->LayeredWindow();
    sp->FCommonData->BGChanged = true;
    layered::updates.clear();
    sp->SetFormState(sp->FormState() | c.state);
    SendMessageW(form->Handle(), WM_ACTIVATEAPP, c.activated, 0);
    sp->SetFormState(sp->FormState() & ~c.state);
    EXPECT_EQ(!layered::LayeredCalls::UpdatesOf(bw).empty(), c.updated);
    EXPECT_EQ(sp->FCommonData->BGChanged, !c.updated);
  }
}

// On a non-client activation a maximized form drops its border window when the manager wants
// native borders for maximized forms, and cuts its off-screen frame with its own region;
// otherwise the border window stays and is brought up to date.
TEST_F(BorderedAppActivation, MaximizedFormDropsItsBorderWindowForNativeBorders) {
  DuRiruZireziv& manager = skin->skin.Manager;
  SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  Application->ProcessMessages();
  const HWND h = form->Handle();
  ASSERT_TRUE(IsZoomed(h));
  ASSERT_TRUE(sp->BorderForm);
  struct Case {
    bool native;
    bool kept;
  } cases[] = {{false, true}, {true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "native " << c.native);
    manager.Options.NativeBordersMaximized = c.native;
    sp->FCommonData->BGChanged = true;
    layered::updates.clear();
    SendMessageW(h, WM_NCACTIVATE, TRUE, 0);
    ASSERT_EQ(bool(sp->BorderForm), c.kept);
    if (c.kept) {
      EXPECT_FALSE(layered::LayeredCalls::UpdatesOf(sp->BorderForm->LayeredWindow()).empty());
      continue;
    }
    const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
    ASSERT_EQ(GetWindowRgn(h, rgn.get()), SIMPLEREGION);
    RECT box{};
    GetRgnBox(rgn.get(), &box);
    const Integer bw = SysBorderWidth(h, nullptr, false), bh = SysBorderHeight(h, nullptr, false);
    EXPECT_EQ(box.left, bw);
    EXPECT_EQ(box.top, bh);
    EXPECT_EQ(box.right, GetWindowWidth(h) - bw);
    EXPECT_EQ(box.bottom, GetWindowHeight(h) - bh);
  }
}

// The application's main form, not shown, that still means to open minimized while its window
// is not: the application's activation gives it the normal state, unless the manager's
// minimizing is off, the form is not the main form, the application was deactivated, or a
// minimize timer holds the form minimized.
class MainFormAppActivation : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    delete form;
    app->CreateForm(form);
    ASSERT_EQ(Application->MainForm(), static_cast<TCustomForm*>(form));
    form->SetBounds(120, 110, 300, 200);
    Skin();
  }
  void TearDown() override {
    skin->skin.Manager.AnimEffects.Minimizing.Active = true;
    SkinnedForm::TearDown();
  }
};

TEST_F(MainFormAppActivation, FormThatBelievesItIsMinimizedIsMadeNormal) {
  DuRiruZireziv& manager = skin->skin.Manager;
  struct Case {
    const char* name;
    bool minimizing;
    WPARAM activated;
    bool heldByTimer;
    bool mainForm;
    TWindowState after;
  } cases[] = {{"activated", true, 1, false, true, wsNormal},
               {"deactivated", true, 0, false, true, wsMinimized},
               {"minimizing off", false, 1, false, true, wsMinimized},
               {"held by the minimize timer", true, 1, true, true, wsMinimized},
               {"not the main form", true, 1, false, false, wsMinimized}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TForm* subject = form;
    TsSkinProvider* subjectSp = sp;
    std::unique_ptr<TForm> other;
    if (!c.mainForm) {
      other = std::make_unique<TForm>(app.get());
      other->AfterConstruction();
      other->HandleNeeded();
      subjectSp = new TsSkinProvider(other.get());
      subjectSp->AfterConstruction();
      subject = other.get();
    }
    manager.AnimEffects.Minimizing.Active = c.minimizing;
    subject->SetWindowState(wsMinimized);
    ASSERT_FALSE(IsIconic(subject->Handle()));
    if (c.heldByTimer) {
      auto* timer = TkvThreadedTimer::CreateOwned<TkvMinTimer>(subjectSp, false);
      timer->sp = subjectSp;
      timer->Minimized = true;
      subjectSp->FormTimer.reset(timer);
    }
    SendMessageW(subject->Handle(), WM_ACTIVATEAPP, c.activated, 0);
    EXPECT_EQ(subject->WindowState(), c.after);
    subjectSp->FormTimer.reset();
    subject->SetWindowState(wsNormal);
  }
}

// Stands in for another skinning engine that owns the form: it answers the probe.
struct OtherEngine {
  explicit OtherEngine(TsSkinProvider* sp) : sp_(sp), old_(sp->OldWndProc) {
    sp->OldWndProc = TWndMethod(this, &OtherEngine::Proc);
  }
  ~OtherEngine() { sp_->OldWndProc = old_; }
  OtherEngine(const OtherEngine&) = delete;
  OtherEngine& operator=(const OtherEngine&) = delete;
  void Proc(TMessage& m) {
    if (m.Msg == CM_BEWAIT_FORM && m.WParam == TWParam(BE_ID)) {
      ++probes;
      m.Result = BE_ID;
      return;
    }
    old_(m);
  }
  Integer probes = 0;

 private:
  TsSkinProvider* sp_;
  TWndMethod old_;
};

class RegionUpdate : public SkinnedForm {};

// The skin's region is applied unless a menu loop runs, the form has no frame of its own (and
// no rounded section, and is neither sizeable nor iconic), or another engine answers the probe
// before the form's first complete paint; after it the probe is not asked.
TEST_F(RegionUpdate, LeftAloneWhereItIsNotOurs) {
  form->SetPosition(poDesigned);
  form->SetBounds(120, 110, 300, 200);
  SkinAndShow();
  struct Case {
    const char* name;
    TFormBorderStyle style;
    bool inMenu, otherEngine, firstPainted;
    bool applied;
    Integer probes;
  } cases[] = {{"plain", bsSizeable, false, false, true, true, 0},
               {"in a menu loop", bsSizeable, true, false, true, false, 0},
               {"another engine before the first paint", bsSizeable, false, true, false, false, 1},
               {"another engine after the first paint", bsSizeable, false, true, true, true, 0},
               {"no frame of its own", bsNone, false, false, true, false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form->SetBorderStyle(c.style);
    Application->ProcessMessages();
    const HWND h = form->Handle();
    SetWindowRgn(h, CreateRectRgn(0, 0, 7, 7), FALSE);  // a marker the update would replace
    std::unique_ptr<OtherEngine> other;
    if (c.otherEngine) other = std::make_unique<OtherEngine>(sp);
    sp->InMenu = c.inMenu;
    sp->FirstInitialized = c.firstPainted;
    sp->FillArOR();
    sp->UpdateRgn(false, false);
    sp->InMenu = false;
    sp->FirstInitialized = true;
    const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(h, rgn.get()), ERROR);
    RECT box{};
    GetRgnBox(rgn.get(), &box);
    EXPECT_EQ(box.right, c.applied ? form->Width() : 7);
    EXPECT_EQ(other ? other->probes : 0, c.probes);
  }
  form->SetBorderStyle(bsSizeable);
}

}  // namespace
