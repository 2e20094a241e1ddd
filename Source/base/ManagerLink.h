// The default skin manager (DefaultManager, skin/sSkinManager.h) as the layers below the skin
// layer reach it: the image lists read its options and its state and translate colours through
// its palette, and the light spot of the mouse light is sized by its scale. The first manager
// created installs its link here and takes it away when it goes; while there is none, every
// question is answered as without a manager.
#pragma once

#include "base/ServiceSlot.h"
#include "base/sConst.h"

// The manager's options that the painters, the image lists and the scaling read (the skin
// layer's TkvOptions adds the rest, and the setters that act at once).
struct TkvOptionValues {
  TkvScaleMode ScaleMode = smVCL;
  Integer PixelsPerInch = 96;       // the density of smCustomPPI
  bool StdGlyphsOrder = false;      // glyph cells in the class library's order: up, disabled, down
  bool StdImgTransparency = false;  // graphic controls are not clipped out of a parent's background
  bool CheckEmptyAlpha = false;     // bitmaps with an empty alpha channel are repaired
};

class TkvManagerLink {
 public:
  virtual ~TkvManagerLink() = default;
  // A skin is loaded and in use.
  virtual bool IsActive() = 0;
  // A new skin is being applied (msSkinChanging in the manager's state).
  virtual bool IsSkinChanging() = 0;
  virtual const TkvOptionValues& Options() = 0;
#ifdef _WIN32
  // kvColorToRGB of the colour under the manager's skin.
  virtual Integer ColorToRGB(Integer value) = 0;
  // ScaleInt of a length at 96 PPI without skin data: by the manager's scale mode.
  virtual Integer ScaleInt(Integer value) = 0;
#endif
};

// The default manager's link; nullptr while there is no default manager.
inline TkvManagerLink* DefaultManagerLink() { return TkvServiceSlot<TkvManagerLink>::Get(); }
inline void SetDefaultManagerLink(TkvManagerLink* link) { TkvServiceSlot<TkvManagerLink>::Set(link); }

#ifdef _WIN32
// The RGB value of a colour without a skin: the engine's palette constants (slMainColor ...)
// carry theirs in their low three bytes, every other colour goes through ColorToRGB.
Integer UnskinnedColorToRGB(Integer value);
// The RGB value of a colour under the default manager's skin; UnskinnedColorToRGB without one.
Integer DefaultColorToRGB(Integer value);
// A length at 96 PPI scaled by the default manager's scale mode; without a manager, by the
// application's PPI.
Integer DefaultScaleInt(Integer value);
#endif
