// What forms, the screen and the application offer besides their core (Forms.win.cpp): the
// screen's system fonts; a form's density notices, size limits and help; the application's
// modal notices, reading order and help.
#include <windows.h>

#include "Forms.h"
#include "GdiScopes.h"

// ---- the screen's fonts ---------------------------------------------------------------

namespace {

void TakeLogFont(TFont& font, const LOGFONTW& lf) {
  HFONT h = CreateFontIndirectW(&lf);
  if (h) font.SetHandle(h);
}

}  // namespace

void TScreen::ReadFonts() {
  messageFont_ = std::make_unique<TFont>();
  menuFont_ = std::make_unique<TFont>();
  hintFont_ = std::make_unique<TFont>();
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof ncm;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) return;  // the library's default font
  TakeLogFont(*messageFont_, ncm.lfMessageFont);
  TakeLogFont(*menuFont_, ncm.lfMenuFont);
  TakeLogFont(*hintFont_, ncm.lfStatusFont);
}

void TScreen::ResetFonts() {
  // Fonts handed out stay valid: they take the new values in place.
  if (!messageFont_) return;
  auto message = std::move(messageFont_);
  auto menu = std::move(menuFont_);
  auto hint = std::move(hintFont_);
  ReadFonts();
  message->Assign(messageFont_.get());
  menu->Assign(menuFont_.get());
  hint->Assign(hintFont_.get());
  messageFont_ = std::move(message);
  menuFont_ = std::move(menu);
  hintFont_ = std::move(hint);
}

TFont* TScreen::MessageFont() {
  if (!messageFont_) ReadFonts();
  return messageFont_.get();
}

TFont* TScreen::MenuFont() {
  if (!menuFont_) ReadFonts();
  return menuFont_.get();
}

TFont* TScreen::HintFont() {
  if (!hintFont_) ReadFonts();
  return hintFont_.get();
}

// ---- forms: density changes, size limits, help ------------------------------------------

void TCustomForm::DoBeforeMonitorDpiChanged(Integer oldDPI, Integer newDPI) {
  onBeforeMonitorDpiChanged_.Call(this, oldDPI, newDPI);
}

void TCustomForm::DoAfterMonitorDpiChanged(Integer oldDPI, Integer newDPI) {
  onAfterMonitorDpiChanged_.Call(this, oldDPI, newDPI);
}

void TCustomForm::WMGetMinMaxInfo(TMessage& m) {
  DefaultHandler(m);
  // The user's frame stops at Constraints.
  auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
  if (!info) return;
  TSizeConstraints* c = Constraints();
  if (c->MinWidth() > 0) info->ptMinTrackSize.x = c->MinWidth();
  if (c->MinHeight() > 0) info->ptMinTrackSize.y = c->MinHeight();
  if (c->MaxWidth() > 0) info->ptMaxTrackSize.x = c->MaxWidth();
  if (c->MaxHeight() > 0) info->ptMaxTrackSize.y = c->MaxHeight();
}

void TCustomForm::WMHelp(TMessage& m) {
  // F1: the help of the control it was pressed on, or of the nearest parent that has one.
  auto* info = reinterpret_cast<HELPINFO*>(m.LParam);
  TControl* c =
      info && info->iContextType == HELPINFO_WINDOW ? FindVCLWindow(static_cast<HWND>(info->hItemHandle)) : nullptr;
  if (!c) c = ActiveControl();
  while (c && c->HelpContext() == 0) c = c->Parent();
  if (c && Application) Application->HelpContext(c->HelpContext());
  m.Result = 1;
}

// ---- the application: modal notices, default font, reading order, help ---------------

void TApplication::ModalStarted() {
  if (++modalLevel_ == 1) onModalBegin_.Call(this);
}

void TApplication::ModalFinished() {
  if (modalLevel_ > 0 && --modalLevel_ == 0) onModalEnd_.Call(this);
}

void TApplication::SetBiDiMode(TBiDiMode mode) {
  if (mode == biDiMode_) return;
  biDiMode_ = mode;
  if (Screen)
    for (Integer i = 0; i < Screen->FormCount(); ++i) Screen->Forms(i)->Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
}

bool TApplication::HelpContext(Integer context) {
  bool callHelp = true;
  bool shown = onHelp_ && onHelp_(HELP_CONTEXT, context, callHelp);
  // No help system of its own: what the handler did is all there is.
  return shown;
}
