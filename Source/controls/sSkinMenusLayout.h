// The arithmetic of skinned menus, kept apart from the painting so that it is tested without a
// window system: item kinds and texts, item sizes, column sums of a popup, the popup frame's
// border width, the extra line's width, and the margins and nine-part borders of a popup's
// shadow window.
#pragma once

#include <vector>

#include "ui/Bitmap.h"
#include "ui/Types.h"

// The kind of an item being measured or drawn.
enum TsMenuItemType { smCaption = 0, smDivider = 1, smNormal = 2, smTopLine = 3 };

// "-" is a divider; a caption that begins and ends with '-' (and is longer than one character)
// is a caption item; anything else is a normal item.
TsMenuItemType MenuItemKind(StringView caption);
// What a caption item shows: the caption without its first and last character.
String CaptionItemText(StringView caption);

// A popup item's caption split for drawing: the text before the first tab, the text after it
// (right-aligned at the item's right), and whether the text is right-aligned as a whole (a
// caption without tab that begins with a backspace loses it and gets six blanks appended).
struct TkvMenuItemText {
  String Text;
  String RightText;
  bool RightAligned = false;
};
TkvMenuItemText SplitMenuItemText(StringView caption);

// Sizes that measuring needs besides the text: the glyph column's glyph, the margin and spacing
// (already at the menu's PPI), the frame's border width and whether the skin draws a frame.
struct TkvMenuMetrics {
  Integer Margin = 2;
  Integer Spacing = 8;
  Integer BorderWidth = 3;
  bool NoBorder = false;  // "MAINMENU" has neither border image nor radius
};

// A popup item's height: a divider 2; a caption item text height + 2 margins + 3; a normal
// item the larger of text and glyph height + 2 margins + 2.
Integer MenuItemHeight(TsMenuItemType kind, Integer textHeight, Integer glyphHeight, const TkvMenuMetrics& m);
// A popup item's width: text width + 2 glyph widths + 3 margins + spacing (a divider has no
// text); without a skinned frame the two frame widths are taken off.
Integer MenuItemWidth(TsMenuItemType kind, Integer textWidth, Integer glyphWidth, const TkvMenuMetrics& m);

// One visible item of a popup as the column sums see it.
struct TkvMenuColumnItem {
  Integer Width = 0, Height = 0;
  bool NewColumn = false;  // a break (mbBreak or mbBarBreak) before it
};
// The tallest column.
Integer MenuColumnsHeight(const std::vector<TkvMenuColumnItem>& items);
// The widest item + 12 per column, + 4 for every break.
Integer MenuColumnsWidth(const std::vector<TkvMenuColumnItem>& items);

// The popup frame's width from the skin: the "MAINMENU" border image's left border limited to
// 3 (3 when below 1), or without a border image half the border radius less 4 (at least 0).
Integer MenuSkinBorderWidth(bool hasBorderImage, Integer borderImageLeft, Integer borderRadius);

// The extra line's width at a PPI (its stored width counts at 96).
Integer MenuExtraLineWidth(Integer width96, Integer ppi);

// Margins of a shadow window around the window it shadows.
struct TkvShadowMargins {
  Integer Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TkvShadowMargins&) const = default;
};
// With a skin: size on the sides, size - offset on top, size + offset below (never below 0);
// without one 13 on every side.
TkvShadowMargins ShadowMargins(bool skinActive, Integer wndShadowSize, Integer wndShadowOffset);
// The nine-part borders the template is stretched to: the margins, each enlarged by the
// section's border image borders (when it has one) or by its border radius.
TkvShadowMargins ShadowDestinationBorders(const TkvShadowMargins& margins, bool hasSection, bool hasBorderImage,
                                          const TkvShadowMargins& imageBorders, Integer borderRadius);

// A shadow template stretched around a window: the template's four sides (srcBorders wide) are
// stretched to the destination's sides (dstBorders wide), corners included, nearest pixel; the
// centre is not touched, so the window's own place stays as dst holds it (transparent).
void StretchShadowTemplate(const TPixelView& dst, const TPixelView& src, const TkvShadowMargins& srcBorders,
                           const TkvShadowMargins& dstBorders);
