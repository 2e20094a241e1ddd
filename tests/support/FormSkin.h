// A small skin for the form tests: a "FORM" section with a nine-part border whose top corners
// hold key-colour pixels (the window region cuts them), a "FORMTITLE" section with distinct
// active and inactive colours, and title glyphs of three states (normal, hot, pressed), each
// state a colour of its own, so that a test can tell every part of the window picture by its
// pixels. The fixture makes the application and a 300 x 200 form at (120, 110), its window
// made but not shown.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "forms/sSkinProvider.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "support/FormFixture.h"
#include "support/SkinFixture.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/Menus.h"
#include "wrappers/kvSBUtils.h"

namespace formskin {

// Colours (TColor, 0x00BBGGRR) of the sections' looks.
constexpr TColor kClientInactive = 0x00E0E0E0;
constexpr TColor kClientActive = 0x00D0F0D0;
constexpr TColor kTitleInactive = 0x00808080;
constexpr TColor kTitleActive = 0x00C08040;
constexpr TColor kDialogClient = 0x00F0E0D0;
constexpr TColor kFormText = 0x00123456;  // the text colour of the "FORM" section
// Pixels (0xAARRGGBB) of the border image and of the glyph states.
constexpr uint32_t kBorderPixel = 0xFF402010;
constexpr uint32_t kKey = 0x00FF00FF;
constexpr Integer kGlyphW = 20, kGlyphH = 18, kBorder = 6;
// Glyph state colours by kind row (close, max, min, normal, help) and state (0, 1, 2).
inline uint32_t GlyphPixel(Integer row, Integer state) {
  return 0xFF000000u | uint32_t(0x30 + 0x20 * row) << 16 | uint32_t(0x40 + 0x50 * state) << 8 | 0x20u;
}
// The RGB (0x00RRGGBB) a screen or bitmap read gives for such a pixel.
inline uint32_t Rgb(uint32_t argb) { return argb & 0xFFFFFF; }
inline uint32_t RgbOfColor(TColor c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }

struct FormSkin {
  FormSkin() : skin(256, 128) {
    TkvSkinData& d = *skin.Data;
    const Integer rows[] = {tgClose, tgMax, tgMin, tgNormal, tgHelp};
    d.TitleGlyphs.fill(-1);
    for (Integer i = 0; i < 5; ++i) {
      const Integer img = skin.AddImage(TRect(0, i * kGlyphH, 3 * kGlyphW, (i + 1) * kGlyphH), 3, 0);
      for (Integer s = 0; s < 3; ++s) skin.Fill(img, s, GlyphPixel(i, s));
      d.TitleGlyphs[size_t(rows[i])] = img;
      glyph[i] = img;
    }
    d.TitleGlyphs[tgCloseAlone] = d.TitleGlyphs[tgClose];
    border = skin.AddImage(TRect(100, 0, 130, 30), 1, 0, 0, kBorder);
    skin.Fill(border, 0, kBorderPixel);
    for (Integer x : {0, 1}) skin.Put(border, 0, x, 0, kKey);
    skin.Put(border, 0, 0, 1, kKey);
    for (Integer x : {28, 29}) skin.Put(border, 0, x, 0, kKey);
    skin.Put(border, 0, 29, 1, kKey);

    TsGeneralData f = PlainSection(u"FORM", 0, kClientInactive, 2);
    f.Props[1].Color = Integer(kClientActive);
    f.Props[0].FontColor.Color = f.Props[1].FontColor.Color = Integer(kFormText);
    f.BorderIndex = border;
    form = skin.AddSection(f);
    skin.Manager.SkinCommonInfo.Sections.fill(-1);
    skin.Image(border).ClassName = u"FORM";
    skin.Image(border).PropertyName = u"BORDERSMASK";
    skin.Image(border).SkinIndex = form;
    TsGeneralData t = PlainSection(u"FORMTITLE", 0, kTitleInactive, 2);
    t.Props[1].Color = Integer(kTitleActive);
    t.Props[0].FontColor.Color = 0xFFFFFF;
    t.Props[1].FontColor.Color = 0xFFFFFF;
    title = skin.AddSection(t);
    TsGeneralData dlg = PlainSection(u"DIALOG", 0, kDialogClient, 2);
    dlg.Props[1].Color = Integer(kDialogClient);
    dlg.BorderIndex = border;
    dialog = skin.AddSection(dlg);
    skin.Manager.SkinCommonInfo.Sections[ssDialog] = dialog;
    skin.Manager.SkinCommonInfo.Sections[ssForm] = form;
    skin.Manager.SkinCommonInfo.Sections[ssFormTitle] = title;
    d.Reindex();
  }
  SkinFixture skin;
  Integer glyph[5]{};
  Integer border = -1, form = -1, title = -1, dialog = -1;
};

// Extended borders on: a shadow of the given margins around the pictures, drawn from a plain
// template (active and inactive alike) of a colour at alpha.
inline void GiveShadow(FormSkin& s, const TRect& shadow, TColor color = 0x00202020, Byte alpha = 0xC0) {
  s.skin.Manager.SetExtendedBorders(true);
  TkvSkinData& d = *s.skin.Data;
  d.FormShadowSize = shadow;
  for (auto* slot : {&d.ShdaTemplate, &d.ShdiTemplate}) {
    *slot = std::make_unique<TBitmap>(7, 7, pf32bit);
    FillRect32(slot->get(), TRect(0, 0, 7, 7), color, alpha);
  }
}

// The application, the skin and a form with its window (not shown), skinned by a provider.
class SkinnedForm : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    // The caption cover is not waited for: activations run at full speed.
    CaptionCoverDelay = 0;
    // The layered-window functions an outer border window needs, bound as the engine's start binds
    // them: without them a form gets no border window, whichever tests ran before.
    sGraphUtilsStartup();
    app = std::make_unique<TApplication>();
    skin = std::make_unique<FormSkin>();
    form = new TForm(app.get());
    form->AfterConstruction();
    form->SetBounds(120, 110, 300, 200);
    form->SetCaption(u"Skinned");
    form->HandleNeeded();
  }
  void TearDown() override {
    delete form;
    form = nullptr;
    skin.reset();
    app.reset();
    CaptionCoverDelay = kDefaultCaptionCoverDelay;
  }
  // A provider as the dialog skinner gives one, initialised at once.
  TsSkinProvider* Skin() {
    sp = new TsSkinProvider(form);
    sp->AfterConstruction();
    return sp;
  }
  void ShowForm() {
    form->Show();
    SetForegroundWindow(form->Handle());
    form->Update();
    Application->ProcessMessages();
  }
  // Skinned, shown, its caption laid out.
  void SkinAndShow() {
    Skin();
    ShowForm();
    sp->CalcItems();
  }
  // A fresh unskinned form for the next case of a table, once one has been skinned.
  void RenewForm() {
    if (!sp) return;
    delete form;
    form = new TForm(app.get());
    form->AfterConstruction();
    form->SetCaption(u"Skinned");
    form->HandleNeeded();
    sp = nullptr;
  }
  // A point of the window in screen coordinates.
  TPoint Screen(Integer x, Integer y) {
    RECT r{};
    GetWindowRect(form->Handle(), &r);
    return TPoint(r.left + x, r.top + y);
  }
  LRESULT HitTest(Integer x, Integer y) {
    const TPoint p = Screen(x, y);
    return SendMessageW(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.X, p.Y));
  }
  // The centre of a caption button in window coordinates.
  TPoint Centre(const TsCaptionButton& b) {
    return TPoint((b.cpRect.Left + b.cpRect.Right) / 2, (b.cpRect.Top + b.cpRect.Bottom) / 2);
  }

  std::unique_ptr<TApplication> app;
  std::unique_ptr<FormSkin> skin;
  TForm* form = nullptr;
  TsSkinProvider* sp = nullptr;
};

// The window as the screen shows it (through its window DC), read into a 32-bit bitmap.
inline std::unique_ptr<TBitmap> WindowShot(HWND wnd) {
  RECT w{};
  GetWindowRect(wnd, &w);
  auto bmp = std::make_unique<TBitmap>(w.right - w.left, w.bottom - w.top, pf32bit);
  const TWindowDC dc(wnd);
  BitBlt(bmp->Canvas()->Handle(), 0, 0, bmp->Width(), bmp->Height(), dc, 0, 0, SRCCOPY);
  return bmp;
}

// The application, the skin and a shown 500 x 400 MDI main form at (60, 40) skinned by a
// provider; MakeChild adds an MDI child.
class SkinnedMdiFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    CaptionCoverDelay = 0;
    // The layered-window functions an outer border window needs, bound as the engine's start binds
    // them: without them a form gets no border window, whichever tests ran before.
    sGraphUtilsStartup();
    app = std::make_unique<TApplication>();
    skin = std::make_unique<FormSkin>();
    frame = new TForm(app.get());
    frame->SetFormStyle(fsMDIForm);
    frame->AfterConstruction();
    frame->SetPosition(poDesigned);
    frame->SetBounds(60, 40, 500, 400);
    frame->SetCaption(u"Frame");
    frame->HandleNeeded();
    sp = new TsSkinProvider(frame);
    sp->AfterConstruction();
    frame->Show();
    PumpMessages();
  }
  void TearDown() override {
    app.reset();
    skin.reset();
    CaptionCoverDelay = kDefaultCaptionCoverDelay;
  }
  TForm* MakeChild(const char16_t* caption) {
    auto* child = new TForm(app.get());
    child->SetFormStyle(fsMDIChild);
    child->SetCaption(caption);
    child->AfterConstruction();
    PumpMessages();
    return child;
  }

  std::unique_ptr<TApplication> app;
  std::unique_ptr<FormSkin> skin;
  TForm* frame = nullptr;
  TsSkinProvider* sp = nullptr;
};

// A plain wrapper for edits: enough to tell that a control was adapted.
inline TkvMainWnd* MakePlainEditWrapper(HWND wnd, DuRiruZireziv* manager, TkvSkinParams& params) {
  return TkvMainWnd::MakeWrapper<TkvMainWnd>(wnd, nullptr, manager, params, false);
}

// A main menu of two items on the form.
inline TMainMenu* GiveMenuTo(TForm* form) {
  auto* menu = new TMainMenu(form);
  for (const char16_t* caption : {u"&File", u"&Edit"}) {
    auto* item = new TMenuItem(form);
    item->SetCaption(caption);
    menu->Items()->Add(item);
  }
  form->SetMenu(menu);
  PumpMessages();
  return menu;
}

// The form made sizeable without a border style of its own: a thick frame the skin draws as a
// ring around the client.
inline void MakeSizeableWithoutBorder(TForm* form) {
  form->SetBorderStyle(bsNone);
  PumpMessages();
  const HWND h = form->Handle();
  SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) | WS_THICKFRAME);
  SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  PumpMessages();
}

}  // namespace formskin
