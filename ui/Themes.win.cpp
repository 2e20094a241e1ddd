#include <windows.h>
#include <uxtheme.h>

#include "Themes.h"

bool TCustomStyleServices::Enabled() const { return IsThemeActive() && IsAppThemed(); }

TCustomStyleServices* StyleServices() {
  static TCustomStyleServices services;
  return &services;
}
