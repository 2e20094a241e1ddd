// The theme services of the class library: whether visual styles are in use for this
// application. Windows only.
//
//   if (StyleServices()->Enabled()) ... draw with the theme's parts ...
#pragma once

#ifdef _WIN32

class TCustomStyleServices {
 public:
  // A theme is active on the desktop and the application is themed (uxtheme's IsThemeActive
  // and IsAppThemed), asked anew at each call, so a change of theme is seen at once.
  bool Enabled() const;
};

// The one services object of the process.
TCustomStyleServices* StyleServices();

#endif
