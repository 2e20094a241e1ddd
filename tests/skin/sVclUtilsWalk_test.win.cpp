// Control walks, PPI, mouse and visibility of controls, glass mode, transparency mode, fonts
// and object links.
#include <windows.h>
#include <uxtheme.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/sMessages.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "support/FormFixture.h"
#include "ui/ComCtrls.h"
#include "ui/Forms.h"

namespace {

std::vector<std::string> commands;

class TProbe : public TCustomControl {
 public:
  TProbe(TWinControl* parent, const char* name, TRect r = TRect(10, 10, 70, 50)) : TCustomControl(parent), name_(name) {
    SetName(AsciiToString(name));
    SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
    SetBounds(r.Left, r.Top, r.Width(), r.Height());
    SetParent(parent);
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == SM_ALPHACMD) {
      commands.push_back(name_ + ":" + std::to_string(m.WParamHi) + ":" + std::to_string(m.WParamLo) + ":" +
                         std::to_string(m.LParam));
      return;
    }
    TCustomControl::WndProc(m);
  }
  std::string name_;
};

class TGraphicProbe : public TGraphicControl {
 public:
  TGraphicProbe(TWinControl* parent, const char* name, TRect r = TRect(5, 5, 25, 25)) : TGraphicControl(parent) {
    SetName(AsciiToString(name));
    SetBounds(r.Left, r.Top, r.Width(), r.Height());
    SetParent(parent);
  }
};

// A windowless control that is no graphic control: nothing of it is drawn on screen.
class TPlainProbe : public TControl {
 public:
  TPlainProbe(TWinControl* parent, TRect r) : TControl(parent) {
    SetBounds(r.Left, r.Top, r.Width(), r.Height());
    SetParent(parent);
  }
};

class Walks : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(MakeForm(200, 200));
    commands.clear();
  }
  static void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
};

std::string NameOf(TControl* c) { return StringToUtf8(c->Name()); }

}  // namespace

TEST_F(Walks, IterateDepthFirstInChildOrder) {
  auto* a = new TProbe(form, "a");
  new TGraphicProbe(a, "ag");
  auto* ab = new TProbe(a, "ab");
  new TGraphicProbe(ab, "abg");
  new TGraphicProbe(form, "g");
  new TProbe(form, "b");
  std::vector<std::string> seen;
  IterateControls(form, 7, TkvControlProc([&](TControl* c, Integer data) {
                    EXPECT_EQ(data, 7);
                    seen.push_back(NameOf(c));
                  }));
  // Graphic children come first in a child list, then the windowed ones.
  EXPECT_EQ(seen, (std::vector<std::string>{"g", "a", "ag", "ab", "abg", "b"}));

  seen.clear();
  const bool stopped = IterateControls(form, 0, TkvControlFunc([&](TControl* c, Integer& depth) {
                                         seen.push_back(NameOf(c) + "@" + std::to_string(depth));
                                         ++depth;  // the subtree gets the changed copy
                                         return NameOf(c) == "abg";
                                       }));
  EXPECT_TRUE(stopped);
  EXPECT_EQ(seen, (std::vector<std::string>{"g@0", "a@0", "ag@1", "ab@1", "abg@2"}));
  EXPECT_FALSE(IterateControls(form, 0, TkvControlFunc([](TControl*, Integer&) { return false; })));
}

TEST_F(Walks, PPIOfControlsNeverMakesAWindow) {
  auto* p = new TProbe(form, "p");
  auto* g = new TGraphicProbe(p, "g");
  EXPECT_EQ(GetControlPPI(nullptr), 96);
  EXPECT_EQ(GetControlPPI(p), 96);
  EXPECT_EQ(GetControlPPI(g), 96);
  EXPECT_FALSE(p->HandleAllocated());
  p->HandleNeeded();
  HDC dc = GetDC(nullptr);
  const int screen = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  EXPECT_EQ(GetControlPPI(p), screen);
  EXPECT_EQ(GetControlPPI(g), screen);  // through its parent
  p->SetDesigning(true);
  EXPECT_EQ(GetControlPPI(p), 96);
  p->SetDesigning(false);
  EXPECT_EQ(DefaultPPI(), 96);  // the first form has no window yet
  form->HandleNeeded();
  EXPECT_EQ(DefaultPPI(), screen);
}

TEST_F(Walks, MouseOverControls) {
  auto* p = new TProbe(form, "p", TRect(20, 20, 120, 100));
  auto* g = new TGraphicProbe(p, "g", TRect(10, 10, 40, 30));
  auto* plain = new TPlainProbe(p, TRect(50, 10, 80, 30));
  form->Show();
  SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Pump();
  const TPoint pOrigin = p->ClientOrigin();
  RECT wr;
  GetWindowRect(p->Handle(), &wr);
  struct Case {
    TPoint at;
    bool overP, overG;
  } cases[] = {
      {TPoint(pOrigin.X + 15, pOrigin.Y + 15), true, true},
      {TPoint(pOrigin.X + 60, pOrigin.Y + 50), true, false},
      {TPoint(wr.right + 5, wr.top + 5), false, false},
  };
  for (const auto& c : cases) {
    SetCursorPos(c.at.X, c.at.Y);
    Pump();
    EXPECT_EQ(kvMouseInControl(p), c.overP) << c.at.X << "," << c.at.Y;
    EXPECT_EQ(kvMouseInControl(g), c.overG) << c.at.X << "," << c.at.Y;
  }
  SetCursorPos(pOrigin.X + 60, pOrigin.Y + 15);  // over the plain windowless control
  Pump();
  EXPECT_TRUE(kvMouseInControl(p));
  EXPECT_FALSE(kvMouseInControl(plain));
  SetCursorPos(pOrigin.X + 15, pOrigin.Y + 15);
  EXPECT_EQ(CtrlUnderMouse(), g);
  SetCursorPos(pOrigin.X + 60, pOrigin.Y + 50);
  EXPECT_EQ(CtrlUnderMouse(), p);
  {
    DuRiruZireziv manager(nullptr);
    manager.FActiveGraphControl = g;
    EXPECT_EQ(CtrlUnderMouse(), g);  // the hovered graphic control the manager tracks
  }
  g->SetVisible(false);
  EXPECT_FALSE(kvMouseInControl(g));
  EXPECT_FALSE(kvMouseInControl(static_cast<TControl*>(nullptr)));
  EXPECT_TRUE(CtrlDCIsVisible(p));
  EXPECT_FALSE(CtrlIsOverlapped(p));
  form->Hide();
  Pump();
  EXPECT_FALSE(kvMouseInControl(p));  // hidden window
}

TEST_F(Walks, GlassModeComesFromTheParentsSkinData) {
  auto* parent = new TProbe(form, "parent");
  auto* child = new TProbe(parent, "child");
  UpdateGlassMode(child, true);  // parent without window
  parent->HandleNeeded();
  UpdateGlassMode(child, true);  // parent without skin data
  TsCommonData sd(parent);
  SetCommonData(parent->Handle(), &sd);
  UpdateGlassMode(child, true);  // opaque parent
  EXPECT_TRUE(commands.empty());
  sd.TranspMode = 2;
  UpdateGlassMode(child, true);
  UpdateGlassMode(child, false);
  EXPECT_EQ(commands, (std::vector<std::string>{"child:42:0:131073", "child:42:0:131072"}));  // mode in the high word
  SetCommonData(parent->Handle(), nullptr);
}

TEST_F(Walks, ATabSheetWithoutSkinDataTakesThePageControlsGlassMode) {
  auto* pages = new TPageControl(form);
  pages->SetBounds(0, 0, 200, 150);
  pages->SetParent(form);
  auto* sheet = new TTabSheet(form);
  sheet->SetPageControl(pages);
  auto* child = new TProbe(sheet, "child");
  pages->HandleNeeded();  // its pages get their windows with it
  ASSERT_TRUE(sheet->HandleAllocated());
  TsCommonData pagesData(pages);
  SetCommonData(pages->Handle(), &pagesData);
  UpdateGlassMode(child, true);  // an opaque page control
  EXPECT_TRUE(commands.empty());
  pagesData.TranspMode = 1;
  UpdateGlassMode(child, true);
  EXPECT_EQ(commands, (std::vector<std::string>{"child:42:0:65537"}));
  // The sheet's own skin data, when it has one, decides.
  commands.clear();
  TsCommonData sheetData(sheet);
  SetCommonData(sheet->Handle(), &sheetData);
  UpdateGlassMode(child, true);
  EXPECT_TRUE(commands.empty());
  SetCommonData(sheet->Handle(), nullptr);
  SetCommonData(pages->Handle(), nullptr);
  // Another parent without skin data does not look further up.
  auto* panel = new TProbe(form, "panel");
  auto* inner = new TProbe(panel, "inner");
  panel->HandleNeeded();
  TsCommonData formData(form);
  formData.TranspMode = 1;
  SetCommonData(form->Handle(), &formData);
  UpdateGlassMode(inner, true);
  EXPECT_TRUE(commands.empty());
  SetCommonData(form->Handle(), nullptr);
}

TEST_F(Walks, TransparencyModeOfASkinnedControl) {
  DuRiruZireziv manager(nullptr);
  auto data = std::make_unique<TkvSkinData>();
  data->FOwner = &manager;
  data->gd.resize(1);
  data->gd[0].States = 2;
  data->gd[0].BorderIndex = -1;
  data->gd[0].Props[0].Transparency = 20;
  data->gd[0].Props[1].Transparency = 80;
  manager.SkinDataArray.push_back(std::move(data));
  manager.SkinCommonInfo.Active = true;
  auto* c = new TProbe(form, "c");
  TsCommonData sd(c);
  sd.FOwnerControl = c;
  sd.SkinIndex = 0;
  struct Case {
    Byte transp;
    TkvOpaqueMode opaque;
    Integer index, state;
    Cardinal mode;
  } cases[] = {
      {0, omAuto, 0, 1, 0},  {1, omAuto, 0, 1, 1},         {2, omAuto, 0, 0, 1}, {2, omAuto, 0, 1, 2},
      {2, omAuto, -1, 1, 2}, {1, omAlphaChannel, 0, 0, 2}, {2, omAuto, 0, 5, 2},  // the state is limited to the
                                                                                  // section's
  };
  for (const auto& k : cases) {
    sd.TranspMode = k.transp;
    sd.FOpaqueMode = k.opaque;
    EXPECT_EQ(GetTransMode(&sd, k.index, k.state), k.mode) << int(k.transp) << " " << k.state;
  }
  sd.SkinIndex = -1;
  EXPECT_EQ(GetTransMode(&sd, -1, 1), 0u);
  sd.FOwnerControl = nullptr;
  EXPECT_EQ(GetTransMode(&sd, 0, 1), 0u);
}

TEST_F(Walks, FontsAndCustomFonts) {
  TFont a, b;
  EXPECT_TRUE(FontsEqual(&a, &b));
  b.SetName(u"tahoma");  // names compare exactly
  EXPECT_FALSE(FontsEqual(&a, &b));
  b.SetName(a.Name());
  b.SetColor(clRed);
  EXPECT_FALSE(FontsEqual(&a, &b));
  auto* c = new TProbe(form, "c");
  form->Font()->SetSize(12);
  TFont own;
  own.Assign(form->Font());
  own.SetColor(clBlue);
  EXPECT_TRUE(IsCustomFont(c, &own, true));  // colour counts
  c->Font()->SetColor(clBlue);
  EXPECT_FALSE(IsCustomFont(c, &own, false));  // the control's colour is taken
  own.SetSize(9);
  EXPECT_TRUE(IsCustomFont(c, &own, false));
  TFont plain;
  plain.SetColor(clGreen);
  EXPECT_FALSE(IsCustomFont(nullptr, &plain, false));  // the default font, with its colour
  EXPECT_TRUE(IsCustomFont(nullptr, &plain, true));
  // In a frame, a control that does not take the frame's font has a font of its own, even
  // one equal to the frame's.
  auto* frame = new TFrame(form);
  frame->SetParent(form);
  auto* inFrame = new TProbe(frame, "inFrame");
  TFont same;
  same.Assign(frame->Font());
  struct Case {
    bool parentFont, saveColor, custom;
  } cases[] = {{true, true, false}, {true, false, false}, {false, true, true}, {false, false, true}};
  for (const Case& k : cases) {
    inFrame->SetParentFont(k.parentFont);
    inFrame->Font()->SetColor(same.Color());
    EXPECT_EQ(IsCustomFont(inFrame, &same, k.saveColor), k.custom) << k.parentFont << k.saveColor;
  }
  // Under another parent ParentFont does not count by itself.
  c->SetParentFont(false);
  TFont formFont;
  formFont.Assign(form->Font());
  c->Font()->SetColor(formFont.Color());
  EXPECT_FALSE(IsCustomFont(c, &formFont, true));
}

TEST_F(Walks, RectanglesPointsAndLinks) {
  auto* c = new TProbe(form, "c", TRect(3, 4, 33, 24));
  EXPECT_EQ(MkRect(c), TRect(0, 0, 30, 20));
  EXPECT_EQ(MkPoint(c), TPoint(3, 4));
  TObject linked;
  AddObjLink(&linked, c);
  DelObjLink(&linked, c);
  const std::string ptr = std::to_string(reinterpret_cast<intptr_t>(&linked));
  EXPECT_EQ(commands, (std::vector<std::string>{"c:55:1:" + ptr, "c:55:0:" + ptr}));
}

TEST(Alignment, FromDrawTextFlagsAndTables) {
  struct Case {
    Cardinal flags;
    TAlignment a;
  } cases[] = {{0, taLeftJustify},
               {DT_CENTER, taCenter},
               {DT_RIGHT, taRightJustify},
               {DT_RIGHT | DT_CENTER, taRightJustify},
               {DT_VCENTER | DT_SINGLELINE, taLeftJustify}};
  for (const auto& c : cases) EXPECT_EQ(AlignmentFromInt(c.flags), c.a) << c.flags;
  for (TAlignment a : {taLeftJustify, taRightJustify, taCenter}) {
    EXPECT_EQ(BidiAlign[0][a], a);
    EXPECT_EQ(AlignToInt[a], static_cast<Cardinal>(kvAlignmentArray[a]));
  }
  EXPECT_EQ(BidiAlign[1][taLeftJustify], taRightJustify);
  EXPECT_EQ(BidiAlign[1][taRightJustify], taLeftJustify);
  EXPECT_EQ(BidiAlign[1][taCenter], taCenter);
  EXPECT_EQ(ShowCommands[wsNormal], UINT(SW_SHOWNORMAL));
  EXPECT_EQ(ShowCommands[wsMinimized], UINT(SW_SHOWMINNOACTIVE));
  EXPECT_EQ(ShowCommands[wsMaximized], UINT(SW_SHOWMAXIMIZED));
}

TEST(Alignment, VerticalFromDrawTextFlags) {
  struct Case {
    Cardinal flags;
    TVerticalAlignment a;
  } cases[] = {{DT_TOP, taAlignTop},
               {DT_VCENTER, taVerticalCenter},
               {DT_BOTTOM, taAlignBottom},
               {DT_BOTTOM | DT_VCENTER, taAlignBottom},
               {DT_RIGHT | DT_CENTER | DT_SINGLELINE, taAlignTop}};
  for (const auto& c : cases) EXPECT_EQ(VertAlignmentFromInt(c.flags), c.a) << c.flags;
}

TEST_F(Walks, AlignShiftSumsTheVisibleChildrenOfOneAlignment) {
  auto* top1 = new TProbe(form, "top1", TRect(0, 0, 300, 20));
  auto* top2 = new TProbe(form, "top2", TRect(0, 20, 300, 50));
  auto* hidden = new TProbe(form, "hidden", TRect(0, 50, 300, 90));
  auto* left = new TProbe(form, "left", TRect(0, 0, 15, 100));
  auto* right = new TProbe(form, "right", TRect(0, 0, 7, 100));
  auto* bottom = new TProbe(form, "bottom", TRect(0, 0, 300, 11));
  auto* client = new TProbe(form, "client", TRect(0, 0, 100, 100));
  auto* label = new TGraphicProbe(form, "label", TRect(0, 0, 40, 13));
  auto* nested = new TProbe(top1, "nested", TRect(0, 0, 10, 5));  // a grandchild never counts
  for (auto [c, a] : std::initializer_list<std::pair<TControl*, TAlign>>{{top1, alTop},
                                                                         {top2, alTop},
                                                                         {hidden, alTop},
                                                                         {left, alLeft},
                                                                         {right, alRight},
                                                                         {bottom, alBottom},
                                                                         {client, alClient},
                                                                         {label, alTop},
                                                                         {nested, alTop}})
    c->SetAlign(a);
  hidden->SetVisible(false);
  struct Case {
    TAlign align;
    bool graphic;
    Integer shift;
  } cases[] = {{alTop, false, 50},    {alTop, true, 63},    {alLeft, false, 15}, {alRight, false, 7},
               {alBottom, false, 11}, {alClient, false, 0}, {alNone, true, 0},   {alCustom, false, 0}};
  for (const auto& c : cases) EXPECT_EQ(GetAlignShift(form, c.align, c.graphic), c.shift) << c.align << c.graphic;
  EXPECT_EQ(GetAlignShift(nullptr, alTop), 0);
  EXPECT_FALSE(form->HandleAllocated());  // measuring makes no window
}

TEST_F(Walks, StringFlagsFollowTheControlsReadingOrder) {
  auto* c = new TGraphicProbe(form, "c");
  struct Case {
    TBiDiMode mode;
    TAlignment al;
    Cardinal flags;
  } cases[] = {
      {bdLeftToRight, taLeftJustify, DT_LEFT | DT_EXPANDTABS | DT_VCENTER},
      {bdLeftToRight, taRightJustify, DT_RIGHT | DT_EXPANDTABS | DT_VCENTER},
      {bdLeftToRight, taCenter, DT_CENTER | DT_EXPANDTABS | DT_VCENTER},
      {bdRightToLeft, taLeftJustify, DT_RIGHT | DT_EXPANDTABS | DT_VCENTER | DT_RTLREADING},
      {bdRightToLeft, taRightJustify, DT_LEFT | DT_EXPANDTABS | DT_VCENTER | DT_RTLREADING},
      {bdRightToLeft, taCenter, DT_CENTER | DT_EXPANDTABS | DT_VCENTER | DT_RTLREADING},
      {bdRightToLeftNoAlign, taLeftJustify, DT_LEFT | DT_EXPANDTABS | DT_VCENTER | DT_RTLREADING},
      {bdRightToLeftReadingOnly, taRightJustify, DT_RIGHT | DT_EXPANDTABS | DT_VCENTER | DT_RTLREADING},
  };
  for (const auto& k : cases) {
    c->SetBiDiMode(k.mode);
    EXPECT_EQ(GetStringFlags(c, k.al), k.flags) << k.mode << " " << k.al;
  }
  EXPECT_EQ(GetStringFlags(nullptr, taRightJustify), Cardinal(DT_RIGHT | DT_EXPANDTABS | DT_VCENTER));
}

TEST(Themes, EnabledIsTheClassLibrarysStyleServicesAnswer) {
  kvThemeServices = nullptr;
  const bool expected = IsThemeActive() && IsAppThemed();
  EXPECT_EQ(kvThemesEnabled(), expected);
  ASSERT_NE(kvThemeServices, nullptr);
  EXPECT_EQ(kvThemeServices, StyleServices());
  EXPECT_EQ(StyleServices()->Enabled(), expected);
  // The application's own switch is heard at once: unthemed, nothing is enabled.
  const DWORD props = GetThemeAppProperties();
  SetThemeAppProperties(0);
  EXPECT_EQ(kvThemesEnabled(), IsThemeActive() && IsAppThemed());
  if (!IsAppThemed()) { EXPECT_FALSE(kvThemesEnabled()); }
  SetThemeAppProperties(props);
  EXPECT_EQ(kvThemesEnabled(), expected);
}

TEST_F(Walks, OutputWindowIsAHiddenPopupOfTheApplication) {
  auto* out = new TOutputWindow(app.get());
  EXPECT_EQ(out->Name().substr(0, 4), u"kvOW");
  EXPECT_EQ(out->Text(), out->Name());
  EXPECT_FALSE(out->Visible());
  EXPECT_EQ(out->Color(), 0xFF00FFu);
  EXPECT_EQ(out->Tag(), 256);
  HWND h = out->Handle();
  // Exactly WS_POPUP (the system adds WS_CLIPSIBLINGS to every top-level window).
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)) & ~(WS_VISIBLE | WS_CLIPSIBLINGS), DWORD(WS_POPUP));
  EXPECT_EQ(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_EQ(GetWindow(h, GW_OWNER), app->Handle());
  EXPECT_EQ(SendMessageW(h, WM_ERASEBKGND, 0, 0), 1);
  EXPECT_EQ(SendMessageW(h, WM_NCPAINT, 1, 0), 0);

  form->HandleNeeded();
  SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  auto* topmost = new TOutputWindow(form);
  EXPECT_NE(GetWindowLongW(topmost->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);  // as its owner

  auto* inside = new TOutputWindow(form);
  inside->SetName(u"kvOWchild");
  inside->SetParent(form);
  EXPECT_NE(GetWindowLongW(inside->Handle(), GWL_STYLE) & WS_CHILD, 0);  // with a parent: a child window
}

// Output windows made in one tick under one owner still get names of their own (the owner would
// refuse a second equal name).
TEST_F(Walks, OutputWindowsMadeInOneTickHaveDistinctNames) {
  // Tried until both came within one tick, read before and after.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const DWORD tick = GetTickCount();
    auto* first = new TOutputWindow(form);
    auto* second = new TOutputWindow(form);
    if (GetTickCount() != tick) {
      delete second;
      delete first;
      continue;
    }
    EXPECT_NE(first->Name(), second->Name());
    EXPECT_EQ(second->Name().substr(0, 4), u"kvOW");
    EXPECT_EQ(form->FindComponent(first->Name()), first);
    EXPECT_EQ(form->FindComponent(second->Name()), second);
    return;
  }
  FAIL() << "no two output windows were made within one tick";
}
