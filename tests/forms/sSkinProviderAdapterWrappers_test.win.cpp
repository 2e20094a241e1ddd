// The child-control adapter with the wrappers of the wrappers layer: a skinned form holding one
// standard control of every kind of class-name list gives each control the wrapper of its kind,
// the wrappers paint from the form's skin, and every wrapper goes again when the skin or the
// form goes, leaving no GDI object, menu, image list or window behind.
#include <windows.h>

#include <typeindex>
#include <typeinfo>
#include <vector>

#include "base/sMessages.h"
#include "skin/WrapperServices.h"
#include "skin/sVclUtils.h"
#include "support/FormSkin.h"
#include "support/GdiTracker.h"
#include "support/UserTracker.h"
#include "ui/Buttons.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtilsBars.h"
#include "wrappers/kvSBUtilsButtons.h"
#include "wrappers/kvSBUtilsChecks.h"
#include "wrappers/kvSBUtilsCombo.h"
#include "wrappers/kvSBUtilsEdit.h"
#include "wrappers/kvSBUtilsGrid.h"
#include "wrappers/kvSBUtilsLists.h"
#include "wrappers/kvSBUtilsPanels.h"
#include "wrappers/kvSBUtilsScrollBarCtrl.h"
#include "wrappers/kvSBUtilsScrollBox.h"
#include "wrappers/kvSBUtilsStatics.h"
#include "wrappers/kvSBUtilsTabs.h"
#include "wrappers/kvSBUtilsUpDown.h"

using namespace formskin;

// Controls of class names of their own, standing for foreign grids, trees and editors that the
// class library does not have. Grids and trees come with their sunken edge, as the real ones do:
// their wrappers paint that frame, the cells are the control's own.
class TSunkenControl : public TCustomControl {
  TW_CLASS(TSunkenControl, TCustomControl)
 public:
  using TCustomControl::TCustomControl;

 protected:
  void CreateParams(TCreateParams& params) override {
    TCustomControl::CreateParams(params);
    params.ExStyle |= WS_EX_CLIENTEDGE;
  }
};
TW_DEFINE_CLASS(TSunkenControl) {}
class TForeignGrid : public TSunkenControl {
  TW_CLASS(TForeignGrid, TSunkenControl)
  using TSunkenControl::TSunkenControl;
};
TW_DEFINE_CLASS(TForeignGrid) {}
class TForeignGridEh : public TSunkenControl {
  TW_CLASS(TForeignGridEh, TSunkenControl)
  using TSunkenControl::TSunkenControl;
};
TW_DEFINE_CLASS(TForeignGridEh) {}
class TForeignTree : public TSunkenControl {
  TW_CLASS(TForeignTree, TSunkenControl)
  using TSunkenControl::TSunkenControl;
};
TW_DEFINE_CLASS(TForeignTree) {}
class TForeignLookup : public TComboBox {
  TW_CLASS(TForeignLookup, TComboBox)
  using TComboBox::TComboBox;
};
TW_DEFINE_CLASS(TForeignLookup) {}
class TForeignPainted : public TScrollBox {
  TW_CLASS(TForeignPainted, TScrollBox)
  using TScrollBox::TScrollBox;
};
TW_DEFINE_CLASS(TForeignPainted) {}

namespace {

// One control of the form: its list kind, the wrapper class the adapter must give it, whether
// that wrapper skins its scroll bars, and the section it paints from when that is not its own
// (the skin's element sections of scroll bars and up-down buttons).
struct Kind {
  const char* name;
  Integer list;
  std::type_index wrapper;
  bool scrolls;
  const char16_t* paints = nullptr;
};

template <class W>
std::type_index Type() {
  return std::type_index(typeid(W));
}

// Flat sections, one colour each, so that a pixel tells which section painted it.
struct SectionColour {
  const char16_t* name;
  TColor color;
};
constexpr SectionColour kSections[] = {
    {u"EDIT", 0x2A6B1C},        {u"BUTTON", 0x7A2C91},
    {u"CHECKBOX", 0x1C8A7E},    {u"COMBOBOX", 0x91552A},
    {u"GROUPBOX", 0x3B3BA4},    {u"PANEL", 0x5CA43B},
    {u"PANEL_LOW", 0xA4893B},   {u"TRANSPARENT", 0x6E1E4A},
    {u"PAGECONTROL", 0x2E7FB0}, {u"TABCONTROL", 0xB02E7F},
    {u"TOOLBAR", 0x4AB06E},     {u"STATUSBAR", 0x8F6E1E},
    {u"UPDOWNBTN", 0x1E4A8F},   {u"SPEEDBUTTON_SMALL", 0x668F1E},
    {u"SCROLLTRACK", 0x3C8C5A}, {u"SCROLLBTN", 0x5A3C8C},
    {u"SCROLLTHUMB", 0x8C5A3C},
};

TColor SectionColourOf(const String& name) {
  for (const auto& s : kSections)
    if (name == s.name) return s.color;
  return clNone;
}

class AdapterWrappers : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    for (const auto& s : kSections) {
      TsGeneralData d = PlainSection(s.name, 0, s.color, 3);
      for (auto& p : d.Props) {
        p.Color = Integer(s.color);
        p.FontColor.Color = 0x00FFFF;
      }
      // Frames without border images have a width of their own (a tree's frame is that wide).
      d.BorderWidth = 2;
      skin->skin.AddSection(d);
    }
    // The skin's element tables point at sections of their own.
    TkvSkinData& d = *skin->skin.Data;
    d.Reindex();
    auto element = [&](const char16_t* name) {
      TkvConstElementData e;
      e.SkinIndex = d.GetSkinIndex(name);
      return e;
    };
    d.Scrolls = {element(u"SCROLLTRACK"), element(u"SCROLLTRACK"), element(u"SCROLLTRACK"), element(u"SCROLLTRACK")};
    d.ScrollBtns = {element(u"SCROLLBTN"), element(u"SCROLLBTN"), element(u"SCROLLBTN"), element(u"SCROLLBTN")};
    d.Sliders = {element(u"SCROLLTHUMB"), element(u"SCROLLTHUMB")};
    d.UpDownBtns = {element(u"UPDOWNBTN"), element(u"UPDOWNBTN"), element(u"UPDOWNBTN"), element(u"UPDOWNBTN")};
    auto& lists = skin->skin.Manager.ThirdLists;
    savedLists.resize(lists.size());
    for (size_t i = 0; i < lists.size(); ++i) {
      savedLists[i] = lists[i]->Text();
      lists[i]->Clear();
    }
    for (const Kind& k : kKinds) lists[size_t(k.list)]->Add(String(k.name, k.name + strlen(k.name)));
    form->SetBounds(40, 40, 700, 460);
  }
  void TearDown() override {
    auto& lists = skin->skin.Manager.ThirdLists;
    for (size_t i = 0; i < lists.size(); ++i) lists[i]->SetText(savedLists[i]);
    SkinnedForm::TearDown();
  }

  // One control of every kind on f, each with its window; returned in the order of kKinds.
  static std::vector<TWinControl*> Populate(TForm* f) {
    std::vector<TWinControl*> made;
    auto place = [&](TWinControl* c, Integer w, Integer h, const char16_t* caption = nullptr) {
      const Integer i = Integer(made.size());
      c->SetParent(f);
      c->SetBounds(8 + (i % 5) * 136, 8 + (i / 5) * 84, w, h);
      if (caption) c->SetCaption(caption);
      made.push_back(c);
      return c;
    };
    place(new TEdit(f), 120, 23);
    place(new TMemo(f), 120, 60);
    place(new TListBox(f), 120, 60);
    place(new TButton(f), 90, 28, u"OK");
    place(new TBitBtn(f), 90, 28);
    place(new TCheckBox(f), 110, 20, u"check");
    place(new TRadioButton(f), 110, 20, u"radio");
    place(new TComboBox(f), 120, 23);
    place(new TForeignGrid(f), 120, 60);
    place(new TGroupBox(f), 120, 70, u"group");
    place(new TListView(f), 120, 60);
    place(new TPanel(f), 120, 60);
    place(new TTreeView(f), 120, 60);
    place(new TForeignLookup(f), 120, 23);
    place(new TForeignGridEh(f), 120, 60);
    place(new TForeignTree(f), 120, 60);
    auto* pages = static_cast<TPageControl*>(place(new TPageControl(f), 120, 70));
    auto* sheet = new TTabSheet(f);
    sheet->SetPageControl(pages);
    sheet->SetCaption(u"page");
    static_cast<TTabControl*>(place(new TTabControl(f), 120, 70))->Tabs()->Add(u"tab");
    place(new TToolBar(f), 120, 30);
    place(new TStatusBar(f), 120, 22);
    place(new TScrollBox(f), 120, 60);
    place(new TUpDown(f), 20, 40);
    place(new TScrollBar(f), 120, 18);
    place(new TStaticText(f), 100, 20, u"text");
    place(new TForeignPainted(f), 120, 60);
    for (TWinControl* c : made) c->HandleNeeded();
    return made;
  }

  // Skins f through a provider of its own and gives back the adapter's wrapper of each control.
  static std::vector<TkvMainWnd*> WrappersOf(TsSkinProvider* p, const std::vector<TWinControl*>& controls) {
    std::vector<TkvMainWnd*> wrappers(controls.size(), nullptr);
    if (!p->Adapter) return wrappers;
    for (const auto& item : p->Adapter->Items)
      for (size_t i = 0; i < controls.size(); ++i)
        if (item->WinCtrl == controls[i]) wrappers[i] = item->ScrollWnd;
    return wrappers;
  }

  void RemoveSkin(HWND formWindow) {
    SendMessageW(formWindow, SM_ALPHACMD, KV_REMOVESKIN_HI, reinterpret_cast<LPARAM>(&skin->skin.Manager));
  }

  static void Pump() {
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
  }

  static const std::vector<Kind> kKinds;
  std::vector<String> savedLists;
};

const std::vector<Kind> AdapterWrappers::kKinds = {
    {"TEdit", tpEdit, Type<TkvEditWnd>(), true},
    {"TMemo", tpEdit, Type<TkvEditWnd>(), true},
    {"TListBox", tpEdit, Type<TkvEditWnd>(), true},
    {"TButton", tpButton, Type<TkvButtonWnd>(), false},
    {"TBitBtn", tpBitBtn, Type<TkvBitBtnWnd>(), false},
    {"TCheckBox", tpCheckBox, Type<TkvCheckBoxWnd>(), false},
    {"TRadioButton", tpCheckBox, Type<TkvCheckBoxWnd>(), false},
    {"TComboBox", tpComboBox, Type<TkvComboBoxWnd>(), true},
    {"TForeignGrid", tpGrid, Type<TkvGridWnd>(), true},
    {"TGroupBox", tpGroupBox, Type<TkvGroupBoxWnd>(), false},
    {"TListView", tpListView, Type<TkvListViewWnd>(), true},
    {"TPanel", tpPanel, Type<TkvPanelWnd>(), false},
    {"TTreeView", tpTreeView, Type<TkvTreeViewWnd>(), true},
    {"TForeignLookup", tpwwEdit, Type<TkvWWComboBoxWnd>(), true},
    {"TForeignGridEh", tpGridEh, Type<TkvGridEhWnd>(), true},
    {"TForeignTree", tpVirtualTree, Type<TkvVirtualTreeViewWnd>(), true},
    {"TPageControl", tpPageControl, Type<TkvPageControlWnd>(), false},
    {"TTabControl", tpTabControl, Type<TkvTabControlWnd>(), false},
    {"TToolBar", tpToolBar, Type<TkvToolBarVCLWnd>(), false},
    {"TStatusBar", tpStatusBar, Type<TkvStatusBarWnd>(), false},
    {"TScrollBox", tpScrollControl, Type<TkvScrollBoxWnd>(), true},
    {"TUpDown", tpUpDownBtn, Type<TkvSpinWnd>(), false, u"UPDOWNBTN"},
    {"TScrollBar", tpScrollBar, Type<TkvSBWnd>(), false, u"SCROLLTRACK"},
    {"TStaticText", tpStaticText, Type<TkvStaticTextWnd>(), false},
    {"TForeignPainted", tpNativePaint, Type<TkvNativePaint>(), true},
};

// A window's whole painting as the engine prints a skinned control (the printing mark with the
// DC around WM_PRINT), read back pixel by pixel.
struct Printed {
  explicit Printed(HWND wnd) {
    RECT r{};
    GetWindowRect(wnd, &r);
    w = r.right - r.left;
    h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    bmp = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    old = SelectObject(dc, bmp);
    // Wrappers paint into the message's DC only while they know that they print (tab controls
    // otherwise paint their own window DC), so the mark goes around the print as it does for
    // every child the engine prints.
    const LPARAM target = reinterpret_cast<LPARAM>(dc);
    SendMessageW(wnd, SM_ALPHACMD, MAKEWPARAM(1, KV_PRINTING), target);
    SendMessageW(wnd, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    SendMessageW(wnd, SM_ALPHACMD, MAKEWPARAM(0, KV_PRINTING), target);
  }
  ~Printed() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
  TColor At(Integer x, Integer y) const { return TColor(GetPixel(dc, x, y)); }
  // Whether any pixel of the window shows colour c.
  bool Shows(TColor c) const {
    for (Integer y = 0; y < h; ++y)
      for (Integer x = 0; x < w; ++x)
        if (At(x, y) == c) return true;
    return false;
  }
  Integer w = 0, h = 0;
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  HGDIOBJ old = nullptr;
};

}  // namespace

TEST_F(AdapterWrappers, EveryListedControlGetsTheWrapperOfItsKind) {
  const auto controls = Populate(form);
  TsSkinProvider* p = Skin();
  p->LoadInit();
  ASSERT_NE(p->Adapter, nullptr);
  const auto wrappers = WrappersOf(p, controls);
  for (size_t i = 0; i < kKinds.size(); ++i) {
    SCOPED_TRACE(kKinds[i].name);
    ASSERT_NE(wrappers[i], nullptr);
    const HWND h = controls[i]->Handle();
    EXPECT_EQ(std::type_index(typeid(*wrappers[i])), kKinds[i].wrapper);
    EXPECT_EQ(wrappers[i]->CtrlHandle, h);
    EXPECT_TRUE(WndIsSkinned(h));
    EXPECT_EQ(GetPropW(h, L"KVSDATA"), static_cast<void*>(wrappers[i]->SkinData));
    TkvScrollWrapper* scroll = Kv_GetScrollWndFromHwnd(h);
    if (kKinds[i].scrolls)
      EXPECT_EQ(scroll, dynamic_cast<TkvScrollWrapper*>(wrappers[i]));
    else
      EXPECT_EQ(scroll, nullptr);
    // The skin commands the provider passes on reach the wrapper.
    EXPECT_EQ(SendMessageW(h, SM_ALPHACMD, KV_CTRLHANDLED_HI, 0), 1);
  }
}

TEST_F(AdapterWrappers, WrappersPaintFromTheFormsSkin) {
  const auto controls = Populate(form);
  TsSkinProvider* p = Skin();
  p->LoadInit();
  ShowForm();
  Pump();
  const auto wrappers = WrappersOf(p, controls);
  for (size_t i = 0; i < kKinds.size(); ++i) {
    SCOPED_TRACE(kKinds[i].name);
    ASSERT_NE(wrappers[i], nullptr);
    ASSERT_NE(wrappers[i]->SkinData, nullptr);
    const String section = kKinds[i].paints ? String(kKinds[i].paints) : wrappers[i]->SkinData->SkinSection();
    const TColor expected = SectionColourOf(section);
    ASSERT_NE(expected, clNone) << "section " << std::string(section.begin(), section.end());
    // Wrappers that paint from element sections are skinned as well (the adapter names no section).
    EXPECT_TRUE(wrappers[i]->SkinData->Skinned());
    Printed shot(controls[i]->Handle());
    EXPECT_TRUE(shot.Shows(expected)) << std::hex << "at (1,1): " << shot.At(1, 1)
                                      << ", centre: " << shot.At(shot.w / 2, shot.h / 2) << ", want " << expected;
  }
}

TEST_F(AdapterWrappers, TheWrappersGoWithTheSkin) {
  const auto controls = Populate(form);
  TsSkinProvider* p = Skin();
  p->LoadInit();
  ShowForm();
  Pump();
  ASSERT_NE(p->Adapter, nullptr);
  EXPECT_EQ(p->Adapter->Items.size(), kKinds.size());
  RemoveSkin(form->Handle());
  Pump();
  EXPECT_EQ(p->Adapter, nullptr);
  for (size_t i = 0; i < kKinds.size(); ++i) {
    SCOPED_TRACE(kKinds[i].name);
    const HWND h = controls[i]->Handle();
    EXPECT_FALSE(WndIsSkinned(h));
    EXPECT_EQ(GetPropW(h, L"KVSDATA"), nullptr);
    EXPECT_EQ(GetPropW(h, L"KVSBSC"), nullptr);
    EXPECT_EQ(Kv_GetScrollWndFromHwnd(h), nullptr);
    // The control answers as an unskinned window again.
    EXPECT_EQ(SendMessageW(h, SM_ALPHACMD, KV_CTRLHANDLED_HI, 0), 0);
  }
}

// Controls of every kind made on a skinned form and wrapped, painted, and then freed again and
// again: half of the rounds the skin goes first (the adapter takes the wrappers off), the others
// the controls' windows go while wrapped (their wrappers detach at once and the adapter drops
// them). Every wrapper, its cache and its fonts go each time.
TEST_F(AdapterWrappers, RepeatedWrappingLeavesNoHandles) {
  TsSkinProvider* p = Skin();
  p->LoadInit();
  ShowForm();
  Pump();
  int round = 0;
  auto cycle = [&] {
    if (!p->Adapter) p->AdapterCreate();
    ASSERT_NE(p->Adapter, nullptr);
    auto controls = Populate(form);
    p->Adapter->AddAllItems(nullptr);
    ASSERT_EQ(p->Adapter->Items.size(), kKinds.size());
    for (TWinControl* c : controls) Printed shot(c->Handle());
    Pump();
    if (++round % 2 == 0) {
      p->AdapterRemove();
      ASSERT_EQ(p->Adapter, nullptr);
      for (TWinControl* c : controls) EXPECT_FALSE(WndIsSkinned(c->Handle()));
      for (TWinControl* c : controls) delete c;
    } else {
      for (TWinControl* c : controls) delete c;
      Pump();
      p->Adapter->CleanItems();
      EXPECT_TRUE(p->Adapter->Items.empty());
    }
    Pump();
  };
  for (int i = 0; i < 4; ++i) ASSERT_NO_FATAL_FAILURE(cycle());
  Kv_FreeScrollBitmaps();
  const int windowsBefore = UserTracker::ThreadWindowCount();
  GdiTracker gdi;
  UserTracker user;
  ASSERT_TRUE(gdi.Active());
  for (int i = 0; i < 8; ++i) ASSERT_NO_FATAL_FAILURE(cycle());
  // The scroll-bar painters keep their working bitmaps between paints on purpose.
  Kv_FreeScrollBitmaps();
  EXPECT_GT(gdi.Created(), 0);
  const auto live = gdi.Live();
  EXPECT_TRUE(live.empty()) << live.size() << " GDI objects, first " << (live.empty() ? "" : live[0]);
  const auto liveUser = user.Live();
  EXPECT_TRUE(liveUser.empty()) << liveUser.size() << " USER objects, first " << (liveUser.empty() ? "" : liveUser[0]);
  EXPECT_EQ(UserTracker::ThreadWindowCount(), windowsBefore);
}
