// The fixture of the edit-like wrapper tests: a form of the tests' own application and a flat
// skin made here (one colour per look, so that every expected pixel is known): an "EDIT" section
// with a normal and a hot look, the scroll-bar parts, a column header, a combo button and the
// palette entries the wrappers read.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/sMessages.h"
#include "skin/sCommonData.h"
#include "support/FormFixture.h"
#include "support/GdiTracker.h"
#include "support/ScrollSkin.h"
#include "support/SkinFixture.h"
#include "support/UserTracker.h"
#include "ui/Bitmap.h"
#include "wrappers/kvSBUtils.h"
#include "wrappers/kvSBUtilsEdit.h"

namespace editlike {

// Colours (TColor: 0x00BBGGRR), all different.
constexpr TColor kEditBg = 0x203040, kEditText = 0x10E0F0, kEditHotBg = 0x304050, kEditHotText = 0x20D0E0;
constexpr TColor kTrack = 0x000080, kBtn = 0x0000C0, kThumb = 0x204060;
constexpr TColor kHeader = 0x405060, kHeaderHot = 0x506070, kHeaderPressed = 0x607080, kHeaderText = 0x0080FF;
constexpr TColor kComboBtn = 0x709010, kComboBtnText = 0x00FF80;
constexpr TColor kBorder = 0x2080A0, kMain = 0x506040, kSelection = 0x8000A0, kSelectionText = 0x00F0F0;
constexpr TColor kGrid = 0x909000, kLabelText = 0x113355, kEditBgPalette = 0x446688, kEditTextPalette = 0x224466;

// The GDI objects, menus, image lists and windows that the code run while it exists makes and
// leaves behind.
class LeakCheck {
 public:
  LeakCheck() : windows_(UserTracker::ThreadWindowCount()) {
    EXPECT_TRUE(gdi_.Active());
    EXPECT_TRUE(user_.Active());
  }
  // Fails the test for anything left but the GDI objects a control keeps for itself (kept).
  // The scroll painters keep their working bitmaps (with their canvases' DC, pen, brush and
  // font) between paints on purpose; they go back to the system first, so only leaks remain.
  void ExpectNothingLeft(std::initializer_list<const void*> kept = {}) {
    Kv_FreeScrollBitmaps();
    EXPECT_GT(gdi_.Created(), 0);  // the code under test did make objects
    std::vector<std::string> live = gdi_.Live();
    for (const void* handle : kept) {
      char hex[32];
      std::snprintf(hex, sizeof(hex), "%lx", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(handle)));
      std::erase_if(live, [&](const std::string& s) { return s.find(hex) != std::string::npos; });
    }
    EXPECT_TRUE(live.empty()) << live.size() << " GDI objects left, first " << live.front();
    EXPECT_TRUE(user_.Live().empty()) << user_.Live().size() << " USER objects left";
    EXPECT_EQ(UserTracker::ThreadWindowCount(), windows_);
  }

 private:
  GdiTracker gdi_;
  UserTracker user_;
  int windows_;
};

class EditLikeTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    kvSBUtilsStartup();  // the scroll-bar functions the engine's start-up binds
    AddScrollParts(skin, UniformScrollParts(kTrack, kBtn, kThumb));
    TkvSkinData& d = *skin.Data;
    TsGeneralData edit = PlainSection(u"EDIT", 0, kEditBg, 2);
    edit.Props[0].FontColor.Color = kEditText;
    edit.Props[1].Color = kEditHotBg;
    edit.Props[1].FontColor.Color = kEditHotText;
    editSection = skin.AddSection(edit);
    TsGeneralData header = PlainSection(u"COLHEADER", 0, kHeader, 3);
    header.Props[1].Color = kHeaderHot;
    header.Props[2].Color = kHeaderPressed;
    for (auto& look : header.Props) look.FontColor.Color = kHeaderText;
    headerSection = skin.AddSection(header);
    TsGeneralData comboBtn = PlainSection(u"COMBOBTN", 0, kComboBtn, 3);
    for (auto& look : comboBtn.Props) look.FontColor.Color = kComboBtnText;
    d.ComboBtn.SkinIndex = skin.AddSection(comboBtn);
    TsGeneralData combo = PlainSection(u"COMBOBOX", 0, kEditBg, 2);
    combo.Props[0].FontColor.Color = kEditText;
    combo.Props[1].Color = kEditHotBg;
    skin.AddSection(combo);
    d.IndexSections();
    auto& palette = skin.Manager.Palette;
    palette[pcBorder] = kBorder;
    palette[pcMainColor] = kMain;
    palette[pcSelectionBG_Focused] = kSelection;
    palette[pcSelectionText_Focused] = kSelectionText;
    palette[pcGrid] = kGrid;
    palette[pcLabelText] = kLabelText;
    palette[pcEditBG] = kEditBgPalette;
    palette[pcEditText] = kEditTextPalette;
  }

  // The wrapper parameters of a class-library control (or, without one, a raw window) that
  // takes the skin's colours: bars 17 thick, arrows 15 long.
  static TkvSkinParams Params(TControl* control, const String& section = u"EDIT") {
    TkvSkinParams p;
    p.Control = control;
    p.SkinSection = section;
    p.UseSkinColor = true;
    p.UseSkinFontColor = true;
    p.VertScrollSize = p.HorzScrollSize = 17;
    p.VertScrollBtnSize = p.HorzScrollBtnSize = 15;
    return p;
  }
  template <class W>
  W* Wrap(HWND wnd, TControl* control, const String& section = u"EDIT") {
    TkvSkinParams p = Params(control, section);
    return TkvMainWnd::MakeWrapper<W>(wnd, nullptr, &skin.Manager, p, true);
  }
  template <class W>
  void Unwrap(HWND wnd, W*& w) {
    TkvScrollWnd* sw = w;
    UninitializeKVScroll(wnd, true, false, sw);
    w = nullptr;
  }

  // A raw child window of the form.
  HWND RawChild(const wchar_t* cls, DWORD style, Integer x, Integer y, Integer w, Integer h, DWORD exStyle = 0) {
    HWND wnd = CreateWindowExW(exStyle, cls, L"", WS_CHILD | WS_VISIBLE | style, x, y, w, h, form->Handle(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(wnd, nullptr);
    return wnd;
  }
  void Show() {
    ShowInFront();
    Application->ProcessMessages();
  }
  // The window's pixels as they are on the screen (window coordinates).
  static TColor ScreenPixel(HWND wnd, Integer x, Integer y) {
    TBitmap bmp(1, 1, pf32bit);
    HDC wdc = GetWindowDC(wnd);
    BitBlt(bmp.Canvas()->Handle(), 0, 0, 1, 1, wdc, x, y, SRCCOPY);
    ReleaseDC(wnd, wdc);
    return bmp.PixelColor(0, 0) & 0xFFFFFF;
  }
  // A press on the bottom arrow of the window's skinned vertical bar, posted (presses read their
  // point from the message queue) with the given hit code and run; the point on the screen.
  static POINT PressDownArrow(HWND wnd, TkvScrollWnd* sw, WPARAM hit) {
    TRect v;
    kv_GetVScrollRect(sw, wnd, v);
    const POINT at{v.Left + (v.Right - v.Left) / 2, v.Bottom - 5};
    SetCursorPos(at.x, at.y);
    PostMessageW(wnd, WM_NCLBUTTONDOWN, hit, MAKELPARAM(at.x, at.y));
    Application->ProcessMessages();
    return at;
  }
  // The release at a screen point, posted in the window's client coordinates and run.
  static void ReleaseAt(HWND wnd, POINT screen) {
    SetCursorPos(screen.x, screen.y);
    POINT client = screen;
    ScreenToClient(wnd, &client);
    PostMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
    Application->ProcessMessages();
  }
  static void Repaint(HWND wnd) {
    RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  }

  SkinFixture skin;
  Integer editSection = -1;
  Integer headerSection = -1;
};

}  // namespace editlike
