// What a skin load asks of Windows: the system colours and the sizing frame, the program's
// folder, the skin's private fonts, the palette brushes, and the message boxes a load raised.
#include <windows.h>

#include <shellapi.h>

#include "base/kvFontStore.h"
#include "base/kvntUtils.h"
#include "base/sDialogs.h"
#include "skin/sSkinManagerLoader.h"
#include "ui/Dialogs.h"
#include "ui/ScopeGuard.h"

void ReadSystemColors(TkvSystemColors& colors) {
  for (size_t i = 0; i < colors.Colors.size(); ++i) colors.Colors[i] = GetSysColor(int(i));
  colors.SizingFrameWidth = GetSystemMetrics(SM_CXSIZEFRAME);
}

String UserDecimalSeparator() {
  wchar_t separator[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) <= 1) return u".";
  return String(reinterpret_cast<const Char*>(separator));
}

bool StartedForPreview() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return false;
  const bool preview = argc > 1 && String(reinterpret_cast<const Char*>(argv[1])) == u"/kvpreview";
  LocalFree(argv);
  return preview;
}

void RegisterSkinFonts(TkvSkinSet& skin) {
  for (Integer i = 0; i < skin.EmbeddedFonts->Count(); ++i) {
    TkvEmbeddedFont* font = skin.EmbeddedFonts->Items(i);
    if (font->FontData->GetSize() > 0) font->LoadFont();
  }
}

TkvPaletteBrushes::~TkvPaletteBrushes() {
  for (void*& h : Handles)
    if (h) DeleteObject(static_cast<HBRUSH>(h));
}

void TkvPaletteBrushes::Make(const TkvPalette& palette) {
  for (size_t i = 0; i < Handles.size(); ++i) {
    if (Handles[i]) DeleteObject(static_cast<HBRUSH>(Handles[i]));
    Handles[i] = CreateSolidBrush(palette[i] & 0xFFFFFF);
  }
}

String DuRiruZireziv::GetFullSkinDirectory() const { return FullSkinDirectory(SkinDirectory(), GetAppPath()); }

void DuRiruZireziv::ShowSkinNotices(TkvSkinSet& skin) {
  if (skin.Notices.empty()) return;
  // The boxes must not be drawn by the skin being loaded: standard-dialog skinning and
  // system-colour patching stay off meanwhile, and the change is marked as running.
  TkvManagerStateScope changing(*this, msSkinChanging);
  const TkvPausedSkinning paused = DisableManager();
  TScopeExit resume([&] { EnableManager(paused); });
  for (const auto& n : skin.Notices) {
    switch (n.kind) {
      case TkvSkinNotice::Plain: ShowMessage(n.Text); break;
      case TkvSkinNotice::Error: sMessageDlg(n.Text, mtError, TMsgDlgButtons{mbOK}, 0); break;
      case TkvSkinNotice::Warning: sMessageDlg(n.Text, mtWarning, TMsgDlgButtons{mbOK}, 0); break;
    }
  }
  skin.Notices.clear();
}
