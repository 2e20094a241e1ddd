// The menu line of a skinned form: the rules that need no window system (whether a form shows
// a menu line, its height, how many lines the bar wraps to, the strip of an MDI main form's bar
// right of its items) apart from the provider's members that apply them.
#pragma once

#include "ui/Types.h"

// What the menu line's rules read of a form.
struct TkvMenuLineForm {
  bool HasMenu = false;     // the form has a main menu
  bool AutoMerged = false;  // its menu joins another form's bar
  Integer ItemCount = 0;    // top-level items of the menu
  bool MDIChild = false;
  bool DialogBorder = false;  // border style bsDialog
};

// The form shows a menu line: a main menu of its own with items, on a form that is neither an
// MDI child nor a dialog.
bool MenuLineVisible(const TkvMenuLineForm& f);

// The height of one menu line: the system's menu height at the form's PPI less one, 0 without a
// visible menu line.
Integer MenuLineHeight(bool visible, Integer cyMenu);

// The top of the client area in screen coordinates as the line count sees it: the form's
// bottom less the client, the form's border, a horizontal scroll bar and twice the form's
// border width.
Integer MenuLineClientTop(Integer formTop, Integer formHeight, Integer clientHeight, Integer borderHeight,
                          Integer hScrollHeight, Integer formBorderWidth);

// How many lines the bar takes: 1 when the first item's bottom reaches the client's top,
// otherwise one more for every menu height (less 2) between them.
Integer MenuLinesFromGeometry(Integer firstItemBottom, Integer clientTop, Integer cyMenu);

// The strip of an MDI main form's bar right of its last item (a maximized child's buttons sit
// there): from the last item's right edge to the form's right edge, over the item's height.
bool InMDIMenuGap(const TRect& lastItem, Integer formRight, const TPoint& p);
