#include "base/kvFontStore.h"

#include <windows.h>

void TkvEmbeddedFont::LoadFont() {
  // A second load must not leave the first registration behind.
  UnLoadFont();
  const Int64 size = FontData->GetSize();
  if (size <= 0 || size > MAXDWORD) return;
  DWORD fonts = 1;
  Handle = AddFontMemResourceEx(FontData->Memory(), static_cast<DWORD>(size), nullptr, &fonts);
}

void TkvEmbeddedFont::UnLoadFont() {
  if (Handle) RemoveFontMemResourceEx(Handle);
  Handle = nullptr;
}
