// The child-control adapter's speed buttons and frame lists: listed speed buttons painted from
// the skin by handlers of their own, flat ones from the small section, the items dropped when
// their handlers let go; a provider that leaves foreign controls alone still adapts those of
// frames that want them.
#include <algorithm>
#include <map>
#include <vector>

#include "base/sMessages.h"
#include "forms/kvDials.h"
#include "forms/sFrameAdapter.h"
#include "forms/sSkinProviderMotion.h"
#include "raster/GdiBitmaps.h"
#include "skin/sVclUtils.h"
#include "support/FormSkin.h"
#include "support/ScrollSkin.h"
#include "ui/Buttons.h"
#include "ui/ExtCtrls.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtils.h"
#include "wrappers/kvSBUtilsSpeedBtn.h"

using namespace formskin;

namespace {

// An ownerless dialog of the style at the place (dialog units), run by proc.
HWND OwnerlessDialog(DWORD style, const TRect& place, DLGPROC proc) {
  struct {
    DLGTEMPLATE t;
    WORD menu, cls, title;
  } tmpl{};
  tmpl.t.style = style;
  tmpl.t.x = short(place.Left);
  tmpl.t.y = short(place.Top);
  tmpl.t.cx = short(place.Width());
  tmpl.t.cy = short(place.Height());
  return CreateDialogIndirectParamW(nullptr, &tmpl.t, nullptr, proc, 0);
}

constexpr TColor kSpeed = 0x004080C0;
constexpr TColor kSpeedSmall = 0x00C08040;

// A wrapper that paints nothing and only marks its window taken.
class TMarkWnd : public TkvMainWnd {};
TkvMainWnd* MakeMark(HWND wnd, DuRiruZireziv* manager, TkvSkinParams& params) {
  return TkvMainWnd::MakeWrapper<TMarkWnd>(wnd, nullptr, manager, params, false);
}

class AdapterSpeedButtons : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    skin->skin.AddSection(PlainSection(u"SPEEDBUTTON", 0, kSpeed, 3));
    skin->skin.AddSection(PlainSection(u"SPEEDBUTTON_SMALL", 0, kSpeedSmall, 3));
    skin->skin.Data->Reindex();
    skin->skin.Manager.ThirdLists[tpSpeedButton]->Add(u"TSpeedButton");
    plain = Button(10, 10, false);
    flat = Button(80, 10, true);
  }
  void TearDown() override {
    skin->skin.Manager.ThirdLists[tpSpeedButton]->Clear();
    SkinnedForm::TearDown();
  }
  TSpeedButton* Button(Integer left, Integer top, bool isFlat) {
    auto* b = new TSpeedButton(form);
    b->SetParent(form);
    b->SetBounds(left, top, 60, 24);
    b->SetFlat(isFlat);
    return b;
  }
  TkvGraphItem* ItemOf(TControl* c) {
    if (!sp || !sp->Adapter) return nullptr;
    for (const auto& item : sp->Adapter->GraphItems)
      if (item && item->Ctrl == c) return item.get();
    return nullptr;
  }
  // The client pixel at a point of a control, after a full repaint.
  TColor ClientPixel(TControl* c, Integer dx, Integer dy) {
    RedrawWindow(form->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Application->ProcessMessages();
    HDC dc = GetDC(form->Handle());
    const COLORREF px = GetPixel(dc, c->Left() + dx, c->Top() + dy);
    ReleaseDC(form->Handle(), dc);
    return TColor(px);
  }
  TSpeedButton* plain = nullptr;
  TSpeedButton* flat = nullptr;
};

struct SectionChanger {
  void OnItem(TComponent*, bool&, String& section) { section = u"DIALOG"; }
};
struct Refuser {
  TComponent* refused = nullptr;
  void OnItem(TComponent* c, bool& canSkin, String&) {
    if (c == refused) canSkin = false;
  }
};

}  // namespace

TEST_F(AdapterSpeedButtons, ListedSpeedButtonsArePaintedFromTheirSections) {
  // A skin event that names another section changes nothing: the look decides.
  SectionChanger changer;
  TsSkinProvider* p = Skin();
  p->OnSkinItem = decltype(p->OnSkinItem)(&changer, &SectionChanger::OnItem);
  p->LoadInit();
  ShowForm();
  ASSERT_NE(p->Adapter, nullptr);
  ASSERT_EQ(p->Adapter->GraphItems.size(), 2u);
  TkvGraphItem* a = ItemOf(plain);
  TkvGraphItem* b = ItemOf(flat);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->SkinData->SkinSection(), u"SPEEDBUTTON");
  EXPECT_EQ(b->SkinData->SkinSection(), u"SPEEDBUTTON_SMALL");
  EXPECT_EQ(a->SkinData->COC, COC_TsAdapter);
  ASSERT_NE(a->Handler, nullptr);
  EXPECT_EQ(ClientPixel(plain, 3, 3), kSpeed);
  EXPECT_EQ(ClientPixel(plain, 56, 20), kSpeed);
  EXPECT_EQ(ClientPixel(flat, 3, 3), kSpeedSmall);
  // A handled button answers so, and a second walk adds nothing.
  EXPECT_EQ(plain->Perform(SM_ALPHACMD, Cardinal{KV_CTRLHANDLED} << 16, 0), 1);
  p->Adapter->AddAllItems(nullptr);
  EXPECT_EQ(p->Adapter->GraphItems.size(), 2u);
}

// Buttons the walk must leave: excepted, refused by the skin event, and of a class no list names.
TEST_F(AdapterSpeedButtons, ExceptedRefusedAndUnlistedButtonsGetNoHandler) {
  struct Case {
    const char* name;
    bool except, refuse, unlisted;
  };
  for (const Case& c : {Case{"excepted", true, false, false}, Case{"refused", false, true, false},
                        Case{"unlisted", false, false, true}}) {
    SCOPED_TRACE(c.name);
    Refuser refuser;
    if (c.except) plain->SetTag(ExceptTag);
    if (c.refuse) refuser.refused = plain;
    if (c.unlisted) skin->skin.Manager.ThirdLists[tpSpeedButton]->Clear();
    TsSkinProvider* p = Skin();
    p->OnSkinItem = decltype(p->OnSkinItem)(&refuser, &Refuser::OnItem);
    p->LoadInit();
    ASSERT_NE(p->Adapter, nullptr);
    EXPECT_EQ(ItemOf(plain), nullptr);
    EXPECT_EQ(ItemOf(flat) != nullptr, !c.unlisted);
    EXPECT_NE(plain->Perform(SM_ALPHACMD, Cardinal{KV_CTRLHANDLED} << 16, 0), 1);
    // Fresh form, buttons and lists for the next case.
    RenewForm();
    plain = Button(10, 10, false);
    flat = Button(80, 10, true);
    skin->skin.Manager.ThirdLists[tpSpeedButton]->Clear();
    skin->skin.Manager.ThirdLists[tpSpeedButton]->Add(u"TSpeedButton");
  }
}

// A handler that let go of its button (the skin went from it) leaves an item the next clean
// drops, and the next walk hooks the button again; the provider's end gives every button its
// own painting back.
TEST_F(AdapterSpeedButtons, LetGoHandlersAreDroppedAndTheButtonsHookedAgain) {
  const TWndMethod own = plain->WindowProc();
  TsSkinProvider* p = Skin();
  p->LoadInit();
  ASSERT_NE(ItemOf(plain), nullptr);
  EXPECT_FALSE(plain->WindowProc() == own);
  TMessage m =
      MakeMessage(SM_ALPHACMD, uintptr_t(KV_REMOVESKIN) << 16, reinterpret_cast<intptr_t>(&skin->skin.Manager));
  plain->WindowProc()(m);
  ASSERT_NE(ItemOf(plain), nullptr);
  EXPECT_TRUE(ItemOf(plain)->Handler->Destroyed);
  EXPECT_TRUE(plain->WindowProc() == own);
  p->Adapter->CleanItems();
  EXPECT_EQ(ItemOf(plain), nullptr);
  EXPECT_NE(ItemOf(flat), nullptr);
  p->Adapter->AddAllItems(nullptr);
  ASSERT_NE(ItemOf(plain), nullptr);
  EXPECT_FALSE(ItemOf(plain)->Handler->Destroyed);
  EXPECT_FALSE(plain->WindowProc() == own);
  p->Adapter->RemoveAllItems();
  EXPECT_TRUE(p->Adapter->GraphItems.empty());
  EXPECT_TRUE(plain->WindowProc() == own);
  EXPECT_FALSE(ItemsRemoving);
}

// The provider leaves foreign controls alone: only a frame whose adapter allows them gets its
// controls adapted, with the frame adapter's own lists when it has them.
TEST_F(AdapterSpeedButtons, WithoutThirdPartySkinningOnlyAllowingFramesAreAdapted) {
  auto* outside = new TEdit(form);
  outside->SetParent(form);
  outside->SetBounds(10, 100, 80, 21);
  auto* frame = new TFrame(form);
  frame->SetParent(form);
  frame->SetBounds(120, 60, 150, 100);
  auto* inside = new TEdit(form);
  inside->SetParent(frame);
  inside->SetBounds(4, 4, 80, 21);
  form->HandleNeeded();
  frame->HandleNeeded();
  outside->HandleNeeded();
  inside->HandleNeeded();
  const auto savedTypes = WndTypes;
  WndTypes[tpEdit] = &MakeMark;
  skin->skin.Manager.ThirdLists[tpEdit]->Add(u"TEdit");
  auto* fa = new TsFrameAdapter(frame);
  fa->AfterConstruction();
  for (const bool frameAllows : {false, true}) {
    SCOPED_TRACE(frameAllows);
    fa->FAllowSkin3rdParty = frameAllows;
    TsSkinProvider* p = Skin();
    p->FAllowSkin3rdParty = false;
    p->LoadInit();
    AddObjLink(fa, form);
    p->Adapter.reset();
    p->AdapterCreate();
    ASSERT_NE(p->Adapter, nullptr);
    EXPECT_FALSE(WndIsSkinned(outside->Handle()));
    EXPECT_EQ(WndIsSkinned(inside->Handle()), frameAllows);
    DelObjLink(fa, form);
    p->Adapter.reset();
    delete p;
    sp = nullptr;
  }
  skin->skin.Manager.ThirdLists[tpEdit]->Clear();
  WndTypes = savedTypes;
}

// ---- The dialog skinner's limits for ownerless standard dialogs -------------------------------

namespace {

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

HWND gFlatBarsOff = nullptr;
BOOL WINAPI RecordFlatBarsOff(HWND wnd) {
  gFlatBarsOff = wnd;
  return TRUE;
}

class StandardDialogs : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    kvDialsStartup();
    savedLevel = kv_DialogsLevel;
    savedRules = skin->skin.Manager.SkinningRules();
    savedFlatOff = Kv_UninitializeFlatSB;
  }
  void TearDown() override {
    for (HWND d : dialogs) DestroyWindow(d);
    CleanSupportedList();
    if (kvSupportedList) kvSupportedList->clear();
    kv_DialogsLevel = savedLevel;
    skin->skin.Manager.SetSkinningRules(savedRules);
    skin->skin.Manager.OnSysDlgInit = TkvSysDlgInitEvent();
    Kv_UninitializeFlatSB = savedFlatOff;
    kvDialsCleanup();
    SkinnedForm::TearDown();
  }
  // An ownerless "#32770" dialog, shown or not, optionally hosting a tool bar.
  HWND Dialog(bool visible, bool toolBar = false, DWORD extraStyle = 0) {
    HWND d =
        OwnerlessDialog(WS_POPUP | WS_CAPTION | DS_MODALFRAME | extraStyle, TRect(0, 0, 120, 60), &QuietDialogProc);
    if (!d) return nullptr;
    dialogs.push_back(d);
    if (toolBar)
      CreateWindowExW(0, L"ToolbarWindow32", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 24, d, nullptr, nullptr, nullptr);
    if (visible) ShowWindow(d, SW_SHOWNOACTIVATE);
    return d;
  }
  Integer savedLevel = 2;
  TSet<TkvSkinningRule> savedRules;
  TkvFlatSBProc savedFlatOff = nullptr;
  std::vector<HWND> dialogs;
};

struct Veto {
  bool allow = true;
  HWND asked = nullptr;
  void OnInit(TkvSysDlgData& data, bool& allowSkinning) {
    asked = data.WindowHandle;
    allowSkinning = allow;
  }
};

}  // namespace

TEST_F(StandardDialogs, LimitsOfTheDialogSkinner) {
  struct Case {
    const char* name;
    bool stdDialogsRule;
    Integer level;          // kv_DialogsLevel
    Integer visibleBefore;  // skinned dialogs already showing
    bool toolBar;
    bool vetoed;
    bool skinned;
  };
  const Case cases[] = {
      {"first dialog", true, 2, 0, false, false, true},
      {"below the level", true, 2, 1, false, false, true},
      {"at the level", true, 2, 2, false, false, false},
      {"at the level with a tool bar", true, 2, 2, true, false, true},
      {"level raised", true, 3, 2, false, false, true},
      {"vetoed by the event", true, 2, 0, false, true, false},
      {"standard dialogs not skinned", false, 2, 0, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    kv_DialogsLevel = 2;
    skin->skin.Manager.SetSkinningRules(savedRules);
    skin->skin.Manager.OnSysDlgInit = TkvSysDlgInitEvent();
    for (Integer i = 0; i < c.visibleBefore; ++i) {
      HWND shown = Dialog(true);
      ASSERT_TRUE(AddSupportedFormEx(shown));
      ASSERT_TRUE(WndIsSkinned(shown));
    }
    ASSERT_EQ(VisibleDlgCount(), c.visibleBefore);
    kv_DialogsLevel = c.level;
    TSet<TkvSkinningRule> rules = savedRules;
    if (c.stdDialogsRule)
      rules.Include(srStdDialogs);
    else
      rules.Exclude(srStdDialogs);
    skin->skin.Manager.SetSkinningRules(rules);
    Veto veto;
    veto.allow = !c.vetoed;
    skin->skin.Manager.OnSysDlgInit = TkvSysDlgInitEvent(&veto, &Veto::OnInit);
    HWND d = Dialog(false, c.toolBar);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(AddSupportedFormEx(d), c.skinned);
    EXPECT_EQ(WndIsSkinned(d), c.skinned);
    EXPECT_EQ(FindFormInList(d) != nullptr, c.skinned);
    // The event is asked only once the rules and the count let the dialog through.
    const bool reachesEvent = c.stdDialogsRule && (c.visibleBefore < c.level || c.toolBar);
    EXPECT_EQ(veto.asked, reachesEvent ? d : nullptr);
    for (HWND w : dialogs) DestroyWindow(w);
    dialogs.clear();
    CleanSupportedList();
    ASSERT_EQ(VisibleDlgCount(), 0);
  }
}

// A hidden skinned dialog does not count; a destroyed one leaves the count at once.
TEST_F(StandardDialogs, OnlyVisibleLiveDialogsCount) {
  HWND a = Dialog(true), b = Dialog(false);
  ASSERT_TRUE(AddSupportedFormEx(a));
  ASSERT_TRUE(AddSupportedFormEx(b));
  EXPECT_EQ(VisibleDlgCount(), 1);
  ShowWindow(b, SW_SHOWNOACTIVATE);
  EXPECT_EQ(VisibleDlgCount(), 2);
  DestroyWindow(a);
  EXPECT_EQ(VisibleDlgCount(), 1);
  EXPECT_EQ(FindFormInList(a), nullptr);
}

// The wrapper takes the dialog's flat scroll bars away and lets it have idle messages.
TEST_F(StandardDialogs, WrappedDialogLosesFlatBarsAndTheNoIdleStyle) {
  Kv_UninitializeFlatSB = &RecordFlatBarsOff;
  gFlatBarsOff = nullptr;
  HWND d = Dialog(true, false, DS_NOIDLEMSG);
  ASSERT_NE(GetWindowLongW(d, GWL_STYLE) & DS_NOIDLEMSG, 0);
  ASSERT_TRUE(AddSupportedFormEx(d));
  EXPECT_EQ(gFlatBarsOff, d);
  EXPECT_EQ(GetWindowLongW(d, GWL_STYLE) & DS_NOIDLEMSG, 0);
  // A wrapper already there is kept.
  TkvProvider* entry = FindFormInList(d);
  ASSERT_NE(entry, nullptr);
  TkvDialogWnd* before = entry->DlgWnd.get();
  InitDialog(d, entry->DlgWnd);
  EXPECT_EQ(entry->DlgWnd.get(), before);
}

// ---- The border window of a dialog ------------------------------------------------------------

namespace {

INT_PTR CALLBACK BorderedDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Stands between the border window and its own procedure and notes what reaches it.
struct PassedOn {
  TWndMethod original;
  std::vector<Cardinal> seen;
  void Proc(TMessage& m) {
    seen.push_back(m.Msg);
    if (original) original(m);
  }
  bool Saw(Cardinal msg) const { return std::find(seen.begin(), seen.end(), msg) != seen.end(); }
};

class DialogBorder : public SkinnedForm {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SkinnedForm::SetUp());
    sGraphUtilsStartup();
    kvDialsStartup();
    skin->skin.Manager.InstallHook();
  }
  void TearDown() override {
    if (dlg && IsWindow(dlg)) DestroyWindow(dlg);
    skin->skin.Manager.UnInstallHook();
    kvDialsCleanup();
    SkinnedForm::TearDown();
  }
  TkvDialogWnd* ShowBordered() {
    GiveShadow(*skin, TRect(9, 7, 11, 13));
    TkvDialogWnd* w = ShowDialog();
    return w && w->BorderForm && w->BorderForm->LayeredWindow() ? w : nullptr;
  }
  // An ownerless dialog, skinned by the hook, shown; its wrapper.
  TkvDialogWnd* ShowDialog() {
    dlg = OwnerlessDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, TRect(40, 40, 200, 120),
                          &BorderedDialogProc);
    if (!dlg) return nullptr;
    ShowWindow(dlg, SW_SHOW);
    SetForegroundWindow(dlg);
    UpdateWindow(dlg);
    Application->ProcessMessages();
    TkvProvider* entry = FindFormInList(dlg);
    return entry ? entry->DlgWnd.get() : nullptr;
  }
  HWND dlg = nullptr;
};

}  // namespace

TEST_F(DialogBorder, TheDialogsBorderWindowKeepsItsOwnRowsAndPassesTheRestOn) {
  TkvDialogWnd* w = ShowBordered();
  ASSERT_NE(w, nullptr);
  TkvBorderForm* border = w->BorderForm.get();
  PassedOn rec;
  rec.original = border->OldBorderProc;
  border->OldBorderProc = TWndMethod(&rec, &PassedOn::Proc);
  WINDOWPOS unmoved{};
  unmoved.hwnd = border->LayeredWindow();
  unmoved.flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
  struct Row {
    const char* name;
    Cardinal msg;
    WPARAM wParam;
    LPARAM lParam;
    bool passed;
    intptr_t result;  // checked where not passed on
  };
  const Row rows[] = {
      {"move", WM_MOVE, 0, MAKELPARAM(50, 50), false, 0},
      {"focus", WM_SETFOCUS, 0, 0, false, 0},
      {"show", WM_SHOWWINDOW, 0, 0, false, 0},
      {"show by the system", WM_SHOWWINDOW, 0, SW_PARENTCLOSING, false, 0},
      {"erase", WM_ERASEBKGND, 0, 0, false, 0},
      {"frame paint", WM_NCPAINT, 1, 0, false, 0},
      {"scale", WM_DPICHANGED, MAKEWPARAM(120, 120), 0, false, 1},
      {"placed", WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&unmoved), true, 0},
      {"enable", WM_ENABLE, 1, 0, true, 0},
      {"cancel mode", WM_CANCELMODE, 0, 0, true, 0},
      {"text length", WM_GETTEXTLENGTH, 0, 0, true, 0},
  };
  const HWND focusBefore = GetFocus();
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    rec.seen.clear();
    TMessage m = MakeMessage(r.msg, r.wParam, r.lParam, 77);
    border->BorderProc(m);
    EXPECT_EQ(rec.Saw(r.msg), r.passed);
    if (!r.passed && r.msg != WM_MOVE && r.msg != WM_SETFOCUS && r.msg != WM_SHOWWINDOW) {
      EXPECT_EQ(m.Result, r.result);
    }
  }
  EXPECT_EQ(GetFocus(), focusBefore);  // a dialog's border window hands no focus on
  EXPECT_TRUE(IsWindowVisible(border->LayeredWindow()));
  border->OldBorderProc = rec.original;
}

// ---- The form's system menu items and the menu line's count ----------------------------------

namespace {

class FormMenus : public SkinnedForm {
 protected:
  TMenuItem* AddItem(TMenuItem* parent, const String& caption) {
    auto* item = new TMenuItem(form);
    item->SetCaption(caption);
    parent->Add(item);
    return item;
  }
};

}  // namespace

// Items follow the queries: Maximize stays enabled on a maximized form, Minimize turns grey on
// a minimized one (minimizing it again would make it forget that it comes back maximized).
TEST_F(FormMenus, SystemMenuItemStatesFollowTheFormsState) {
  struct Case {
    const char* what;
    TFormBorderStyle style;
    TBorderIcons icons;
    TWindowState state;
    bool restore, move, size, minimize, maximize;
  };
  const TBorderIcons all{biSystemMenu, biMinimize, biMaximize};
  const Case cases[] = {
      {"maximized", bsSizeable, all, wsMaximized, true, false, true, true, true},
      {"normal", bsSizeable, all, wsNormal, false, true, true, true, true},
      {"minimized", bsSizeable, all, wsMinimized, true, true, false, false, true},
      {"minimized single", bsSingle, all, wsMinimized, true, true, false, false, true},
      {"single", bsSingle, all, wsNormal, false, true, false, true, true},
      {"no maximize button", bsSizeable, TBorderIcons{biSystemMenu, biMinimize}, wsNormal, false, true, true, true,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    form->SetBorderStyle(c.style);
    form->SetBorderIcons(c.icons);
    Skin();
    ShowForm();
    // Read at once: no pumping between the command and the reading.
    if (c.state != wsNormal)
      SendMessageW(form->Handle(), WM_SYSCOMMAND, c.state == wsMaximized ? SC_MAXIMIZE : SC_MINIMIZE, 0);
    ASSERT_NE(sp->SystemMenu, nullptr);
    ASSERT_EQ(IsZoomed(form->Handle()) != 0, c.state == wsMaximized);
    ASSERT_EQ(IsIconic(form->Handle()) != 0, c.state == wsMinimized);
    sp->SystemMenu->UpdateItems(false);
    TsSystemMenu* m = sp->SystemMenu.get();
    EXPECT_EQ(m->ItemRestore->Enabled(), c.restore);
    EXPECT_EQ(m->ItemMove->Enabled(), c.move);
    EXPECT_EQ(m->ItemSize->Enabled(), c.size);
    EXPECT_EQ(m->ItemMinimize->Enabled(), c.minimize);
    EXPECT_EQ(m->ItemMaximize->Enabled(), c.maximize);
    EXPECT_TRUE(m->ItemClose->Enabled());
    if (c.state != wsNormal) SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
    Application->ProcessMessages();
    RenewForm();
    form->SetBounds(120, 110, 300, 200);
  }
}

// The form's own horizontal bar lies between its client and its bottom border: a bar that
// fits on one line still counts one line.
TEST_F(FormMenus, AHorizontalBarDoesNotCountAsAMenuLine) {
  kvSBUtilsStartup();
  AddScrollParts(skin->skin);
  skin->skin.Data->Reindex();
  auto* menu = new TMainMenu(form);
  AddItem(AddItem(menu->Items(), u"&File"), u"&Open");
  AddItem(menu->Items(), u"&Edit");
  form->SetMenu(menu);
  form->SetWidth(500);
  Skin();
  for (TkvScrollData* d : {sp->FCommonData->FHorzScrollData.get(), sp->FCommonData->FVertScrollData.get()})
    d->FScrollWidth = GetSystemMetrics(SM_CYHSCROLL);
  const HWND h = form->Handle();
  SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 999, 100, 0, 0};
  SetScrollInfo(h, SB_HORZ, &si, FALSE);
  ShowScrollBar(h, SB_HORZ, TRUE);
  ShowForm();
  for (int i = 0; i < 5; ++i) Application->ProcessMessages();
  ASSERT_NE(sp->ListSW, nullptr);
  ASSERT_TRUE(sp->ListSW->sBarHorz && sp->ListSW->sBarHorz->fScrollVisible);
  sp->RepaintMenu();
  EXPECT_EQ(sp->LinesCount(), 1);
}

// A cover made without a provider asks the window for its skin data: a skinned dialog's cover
// leaves out the transparent corners of its section, or of the skin's form title when only the
// title has them; a window without skin data gets a cover without region.
TEST_F(DialogBorder, ACoverWithoutProviderTakesTheWindowsCorners) {
  struct Case {
    const char* name;
    bool skinned;
    bool cornersOnTitleOnly;
    bool cut;
  };
  for (const Case& c : {Case{"dialog", true, false, true}, Case{"title corners", true, true, true},
                        Case{"plain window", false, false, false}}) {
    SCOPED_TRACE(c.name);
    skin->skin.Section(skin->dialog).BorderIndex = c.cornersOnTitleOnly ? -1 : skin->border;
    skin->skin.Section(skin->title).BorderIndex = c.cornersOnTitleOnly ? skin->border : -1;
    HWND target = nullptr;
    if (c.skinned) {
      ASSERT_NE(ShowDialog(), nullptr);
      target = dlg;
    } else {
      target = CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_CAPTION | WS_VISIBLE, 60, 60, 160, 90, nullptr, nullptr,
                               nullptr, nullptr);
      ASSERT_NE(target, nullptr);
      ASSERT_EQ(TrySendMessage(target, SM_ALPHACMD, uintptr_t(KV_GETSKINDATA) << 16, 0), 0);
    }
    RECT wr{};
    GetWindowRect(target, &wr);
    const Integer w = wr.right - wr.left;
    std::unique_ptr<TkvGlowForm> cover(MakeCoverForm(target, nullptr, false, nullptr));
    ASSERT_NE(cover, nullptr);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    const int kind = GetWindowRgn(cover->Handle(), rgn);
    if (c.cut) {
      ASSERT_NE(kind, ERROR);
      // The key pixels of the border image's top corners are out, their neighbours in.
      EXPECT_FALSE(PtInRegion(rgn, 0, 0));
      EXPECT_FALSE(PtInRegion(rgn, 1, 0));
      EXPECT_FALSE(PtInRegion(rgn, 0, 1));
      EXPECT_FALSE(PtInRegion(rgn, w - 1, 0));
      EXPECT_TRUE(PtInRegion(rgn, 2, 2));
      EXPECT_TRUE(PtInRegion(rgn, 1, 1));
      EXPECT_TRUE(PtInRegion(rgn, w / 2, 0));
    } else {
      EXPECT_EQ(kind, ERROR);  // no region: the whole picture shows
    }
    DeleteObject(rgn);
    cover.reset();
    if (c.skinned) {
      DestroyWindow(dlg);
      dlg = nullptr;
      CleanSupportedList();
    } else {
      DestroyWindow(target);
    }
  }
}
