// Where an alpha hint stands: fitted to its monitor around the point it refers to, and the
// corner of the hint the point then lies at. Portable, so that the placing is tested without a
// window system.
#pragma once

#include "ui/Types.h"

// The corner of the hint the point lies at (mpLeftTop: the hint to the right of and below it).
enum TkvMousePosition { mpLeftTop = 0, mpLeftBottom = 1, mpRightTop = 2, mpRightBottom = 3 };

// How the hint is drawn, which decides how it makes room at a monitor's edge: skinned and
// single-picture hints move by the overshoot, four-picture hints flip to the point's other side.
enum class TkvHintLook { Skinned, SingleImage, FourImages };

struct TkvHintPlace {
  TPoint TopLeft;             // of the whole picture, shadow included
  TkvMousePosition MousePos;  // where the point lies on the hint
};

// rect: the picture (shadow included) whose body's top-left is the point; shadow: the shadow's
// sizes (Left, Top, Right, Bottom); start: where the point lies by preference; monitor: the
// monitor's rectangle, null when there is none (the start position and rect stay).
TkvHintPlace PlaceHint(const TRect& rect, const TRect& shadow, TkvMousePosition start, const TRect* monitor,
                       TkvHintLook look);

// The point of an automatically aligned hint at a control's screen rectangle: below it, centred
// (vertCenter false), or beside it, centred (vertCenter true), on the side the picture's corner
// names, moved inside the picture's shadow and by its offsets.
TPoint AutoHintPoint(const TRect& control, bool vertCenter, TkvMousePosition image, const TRect& shadow, TPoint offset);

// Where a track bar's position tooltip stands: beside the spot (the effect's rectangle on the
// screen) on the side named, centred on the other axis.
// The values follow the class library's track-bar PositionToolTip (ptNone ... ptRight).
enum class TkvToolTipSide { None = 0, Top = 1, Left = 2, Bottom = 3, Right = 4 };
TPoint PositionToolTipPlace(const TRect& spot, TSize size, TkvToolTipSide side);
