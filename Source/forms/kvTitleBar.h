// The title bar component: the application's own items (buttons, menu buttons, tabs, spacers,
// labels) in a skinned form's caption, how they are measured and placed in the bar that the
// form's provider leaves free, painted into the form's window picture, and faded between
// their normal, hot and pressed looks on a small layered window over the item.
//
// Sections:
//   1. Plain arithmetic (kvTitleBar.cpp, portable): an item's measured size, the placement of
//      the items in the bar, the fade's steps, the built-in menu-button picture's alpha and
//      the key-colour copy of the nine-part painter without alpha.
//   2. The component, its items and their presses (kvTitleBar.win.cpp).
//   3. The provider's side: binding, layout, hit test, hot tracking and the item painter
//      (kvTitleBarPaint.win.cpp).
//   4. The fade animation of one item (kvTitleBarAnim.win.cpp).
#pragma once

#include <cstdint>
#include <vector>

#include "ui/Bitmap.h"
#include "ui/Types.h"

// ---- 1. Plain arithmetic ---------------------------------------------------------------------

enum TkvBtnStyle : uint8_t { bsButton, bsMenu, bsTab, bsSpacing, bsInfo };
enum TkvItemAlign : uint8_t { tbaLeft, tbaRight, tbaCenter, tbaCenterInSpace };

// What measuring one item needs to know; sizes in device pixels unless said otherwise.
struct TkvItemMeasure {
  TkvBtnStyle Style = bsButton;
  bool AutoSize = true;
  bool StretchImage = false;
  Integer Width = 22, Height = 18;  // stored size (96 PPI unless AutoSize)
  Integer Spacing = 4;              // image to caption, 96 PPI
  Integer ItemsMargin = 3;          // the bar's margin, 96 PPI
  Integer PPI = 96;
  bool HasListImage = false;  // the bar's image list has the item's image
  TSize ListImage;            // its size at PPI
  TSize Glyph;                // the item's own glyph bitmap (empty: none)
  Integer NumGlyphs = 1;      // images side by side in the glyph
  bool HasCaption = false;
  TSize Text;                 // the caption's size in the item's font
  bool HasDropdown = false;   // a button or menu item with a drop-down menu
  Integer ArrowSize = 0;      // the skin's
};

struct TkvItemSize {
  TSize Content;
  Integer Width = 0, Height = 0;  // the item's new size (only when Resized)
  bool Resized = false;
};

// The margin between a menu button's edge and its content, beyond the bar's margin.
inline Integer IntXMargin(TkvBtnStyle style) { return style == bsMenu ? 4 : 0; }
// Measures an item (contentOnly: only its content; spacers never change their stored size).
TkvItemSize MeasureTitleItem(const TkvItemMeasure& m, bool contentOnly);
// The width of one image of a glyph strip: the strip is cut into NumGlyphs equal images.
Integer GlyphImageWidth(Integer stripWidth, Integer numGlyphs);
// The part of a glyph strip drawn for a state: image i of NumGlyphs (normal, hot, pressed,
// disabled in that order, as far as the strip has them); the whole strip when it has one.
TRect GlyphStateRect(TSize strip, Integer numGlyphs, Integer state, bool disabled);

// One item as the placement sees it.
struct TkvItemBox {
  bool Visible = true;
  bool AutoSize = true;
  TkvBtnStyle Style = bsButton;
  TkvItemAlign Align = tbaLeft;
  Integer Width = 0, Height = 0;  // device pixels for AutoSize items, else 96 PPI
  TRect Rect;                     // result, in the form picture's coordinates
};

// The bar the provider leaves free, and what the placement sums up.
struct TkvBarLayout {
  TRect BarRect;
  Integer FullRight = 0;   // right end of the free caption space
  Integer BarVCenter = 0;  // the caption's centre line
  Integer PPI = 96;
  bool RightToLeft = false;
  bool HasProvider = true;
  Integer SkinSpacing = 0;
  Integer RightSpacing = 0;
  Integer LeftWidth = 0, RightWidth = 0, CenterWidth = 0, CenterWidthS = 0;  // results
};

TkvItemAlign ConvAlign(TkvItemAlign align, bool rightToLeft);
// Places the visible items: each alignment group runs left to right from its start, the
// items in index order (reverse order right to left).
void PlaceTitleItems(TkvBarLayout& bar, std::vector<TkvItemBox>& items);

// The steps of an item's fade: which blend the item's window shows at each tick. The window
// operations are the caller's (TkvFadeSurface).
class TkvFadeSurface {
 public:
  virtual ~TkvFadeSurface() = default;
  virtual void ShowAt(Byte blend) = 0;     // make the image and window when missing, show
  virtual void DropImage() = 0;            // the next ShowAt paints the look anew
  virtual void DropWindow() = 0;
  virtual void KeepWindowAsOld() = 0;      // the shown window stays until the new look is full
  virtual void DropOldWindow() = 0;
  virtual bool CursorOutsideItem() = 0;
  virtual void MouseLeft() = 0;            // tells the form the cursor left the item
};

class TkvItemFade {
 public:
  explicit TkvItemFade(TkvFadeSurface& surface) : surface_(surface) {}
  // A state change of the item (itemState: its effective state now).
  void Restart(Integer itemState, Integer iterations, bool show);
  void Start(Integer newState, bool show);
  void Tick();
  Integer Step() const { return MaxIterations > 0 ? 255 / MaxIterations : 0; }
  Integer CurrentLevel = 0;
  Integer CurrentState = 0;  // -1: finished
  Integer MaxIterations = 0;
  bool ToShow = false;
  bool Running = false;  // the timer runs

 private:
  TkvFadeSurface& surface_;
};

// The built-in menu-button picture stores inverted alpha with straight colours: every pixel
// but the key colour 0x00FF00FF gets normal alpha and premultiplied colours.
void UpdateAlphaTitle(const TPixelView& v);
// Copies the inclusive rectangle srcRect (clipped to src) of src to (x, y) of dst, skipping
// the key colour 0x00FF00FF and the rows outside dst.
void CopyTransRect(const TPixelView& dst, const TPixelView& src, Integer x, TRect srcRect, Integer y);
