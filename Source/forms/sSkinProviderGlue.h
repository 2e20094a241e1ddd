// Glued forms and screen snapping of skinned forms: the edge arithmetic, the frame a form is
// measured at, and the couples of glued forms. This part needs no window system; the provider's
// side (sSkinProviderGlue.win.cpp) gathers the rectangles and moves the windows.
//
// Snapping compares edges at the visible skinned frame, not at the window rectangle: a form
// with an outer border or in UWP mode has margins between the two, and LimitRect moves a
// rectangle across them.
#pragma once

#include <vector>

#include "ui/Types.h"

// eDynamic - eStatic when eDynamic lies within snapDistance of eStatic (both ends included),
// else 0.
Integer HandleEdge(Integer eDynamic, Integer eStatic, Integer snapDistance);

// The snap offset of a rectangle (rDynamic's size) proposed at (newX, newY) against the edges
// of rStatic: left and top edges are tried before right and bottom.
TPoint CheckEdges(const TRect& rStatic, const TRect& rDynamic, Integer newX, Integer newY, Integer snapDistance);

// The margins between a form's window rectangle and its visible frame. With an outer border the
// frame lies outside the window when inverted; in UWP mode inside.
struct TkvFrameShape {
  enum TKind { fsPlain, fsOuterBorder, fsUWP } Kind = fsPlain;
  TRect Margins;  // left, top, right, bottom amounts (all >= 0 in practice)
};

// R moved across the frame margins: an outer border moves the sides outwards when invert is
// True and inwards when False; UWP mode the other way round; a plain form keeps R.
TRect LimitRect(const TkvFrameShape& shape, const TRect& r, bool invert);

// Everything the snap of one proposed position needs.
struct TkvSnapScene {
  TRect Work;                 // work area of the form's monitor
  TRect Bounds;               // the moving form's window rectangle
  std::vector<TRect> Others;  // window rectangles of the candidate forms, in registry order
  Integer SnapBuffer = 10;
  TkvFrameShape Shape;  // the moving form's frame
};

// The position (x, y) snapped to the candidate forms (their frames and the strips between them
// and the work area) and then to the work area.
TPoint SnapPosition(const TkvSnapScene& scene, Integer x, Integer y);

// Two frames touch when one's top lies on the other's bottom or one's left on the other's right.
bool FramesTouch(const TRect& master, const TRect& candidate);

// A slave form that moves with its master, at Pos (slave left and top minus master's).
template <class F>
struct TkvFormsCoupleOf {
  F* Slave = nullptr;
  F* Master = nullptr;
  TPoint Pos;
};

// Removes every couple whose slave is form, and with asMaster also those whose master is form.
// The last couple moves into each freed place (no holes); the moved-in couple is examined too.
template <class F>
void RemoveCouplesOf(std::vector<TkvFormsCoupleOf<F>>& couples, const F* form, bool asMaster) {
  size_t i = 0;
  while (i < couples.size()) {
    const auto& c = couples[i];
    if (c.Slave == form || (asMaster && c.Master == form)) {
      couples[i] = couples.back();
      couples.pop_back();
      continue;  // the couple moved into place i is looked at as well
    }
    ++i;
  }
}

// Renews the offset of the couple (master, slave) or appends a new one.
template <class F>
void GlueCouple(std::vector<TkvFormsCoupleOf<F>>& couples, F* master, F* slave, TPoint pos) {
  for (auto& c : couples)
    if (c.Master == master && c.Slave == slave) {
      c.Pos = pos;
      return;
    }
  couples.push_back({slave, master, pos});
}
