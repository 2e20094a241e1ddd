// What forms, the screen and the application offer besides their core (Forms.win.cpp): the
// screen's system fonts.
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
