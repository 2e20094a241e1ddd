// The items of a form's menu bar (the menu line) as the menu painter measures and draws them:
// the arithmetic apart (tested without a window system), and the form's side of the drawing
// (the host that holds the line's picture), which the form layer gives.
#pragma once

#include "ui/Types.h"

// A menu-bar item's caption as it is measured: without its accelerator marks.
String MenuLineCaptionText(StringView caption);

// A menu-bar item's width: its text, and a picture beside it (an image of the menu's images at
// the menu's PPI, whose height counts, or the item's own bitmap, whose width counts) with 6
// pixels around it. pictureSide is 0 without a picture.
Integer MenuLineItemWidth(Integer textWidth, Integer pictureSide);

// A menu-bar item's height: the system's menu height less one.
Integer MenuLineItemHeight(Integer cyMenu);

// Where an item lies in the menu line's clean background: its rectangle (in the coordinates
// of the surface it is drawn on) less the place of the line's background on that surface.
TPoint MenuLineItemOffset(const TRect& itemRect, const TPoint& lineOrigin);

// Where a picture of a menu-bar item goes: vertically centred, 3 pixels from the item's left
// (from its right in right-to-left menus).
TPoint MenuLineGlyphPos(const TRect& itemBmpRect, const TSize& glyph, bool rightToLeft);

// The text rectangle of a menu-bar item: what is left of the item beside its picture (an
// empty glyph rectangle: no picture), narrowed by the margin at both sides.
TRect MenuLineTextRect(const TRect& itemBmpRect, const TRect& glyph, Integer margin, bool rightToLeft);

#ifdef _WIN32

class TBitmap;

// The form whose menu line is being drawn, as the menu painter sees it: the picture of the
// whole window (the menu items draw themselves into it while it is rebuilt), the menu line's
// clean background (items repaint over it) and the places of that background.
class TkvMenuLineHost {
 public:
  virtual ~TkvMenuLineHost() = default;
  // The window picture; null while there is none.
  virtual TBitmap* MenuLineCache() = 0;
  // The clean background of the menu line; null or empty while there is none.
  virtual TBitmap* MenuLineBackground() = 0;
  // The place of the clean background on the window picture (onCache) or on the window's
  // device context.
  virtual TPoint MenuLineOrigin(bool onCache) = 0;
  // The window has an outer border window: texts keep their alpha.
  virtual bool MenuLineKeepsAlpha() = 0;
  // The form reads right to left.
  virtual bool MenuLineRightToLeft() = 0;
};

#endif
