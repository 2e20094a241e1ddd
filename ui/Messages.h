// The message record every control's WindowProc takes (WParam, LParam and Result are
// pointer-sized, their 16-bit halves those of the low 32 bits; TWndMethod holds a window
// procedure bound to its object), the class library's own component
// messages (CM_*, base 0xB000) and the notifications a parent reflects to the child that
// caused them (CN_*, base 0xBC00 + the window message). Portable.
//
// When the library sends which CM_ message (all through Perform, so they pass WindowProc):
//   CM_VISIBLECHANGED   to the control, WParam 1/0, when Visible changes
//   CM_ENABLEDCHANGED   to the control when Enabled changes
//   CM_COLORCHANGED     to the control when Color changes; CM_PARENTCOLORCHANGED to children
//   CM_FONTCHANGED      to the control when its Font changes; CM_PARENTFONTCHANGED to children
//   CM_TEXTCHANGED      to the control when Caption/Text changes
//   CM_SHOWINGCHANGED   to a windowed control when Showing (visible on screen) changes
//   CM_MOUSEENTER/LEAVE to the control under the mouse (LParam 0), then to each of its
//                       parents with LParam = that control
//   CM_ENTER, CM_EXIT   to a control that gets / loses the focus; CM_FOCUSCHANGED (LParam =
//                       the focused control) to the form, which passes it to every control
//   CM_CONTROLLISTCHANGING / CM_CONTROLLISTCHANGE  to the parent (and up to the form) before
//                       and after a control is inserted (LParam 1) or removed (LParam 0);
//                       WParam = the control
//   CM_RECREATEWND      to a windowed control whose window must be made again
//   CM_DIALOGKEY        to the form for Tab, Enter and Escape; CM_MOUSEWHEEL to the form
//   CM_RELEASE          posted to a form by Release
//   CM_CHANGED          to a control whose value changed (an edit's text), LParam = the
//                       control; passed on from there up through its parents to the form
//   CM_SYSFONTCHANGED   to every form and control when the system's fonts change
//                       (WM_SETTINGCHANGE for the non-client metrics or the icon font)
//   CM_WININICHANGE     to every form and control on WM_SETTINGCHANGE (same WParam, LParam)
//   CM_CANCELMODE       to a control that loses the focus to another control of its form
//                       (LParam = that control) and to a control told WM_CANCELMODE (LParam 0)
//   CM_UIACTIVATE       to the control that gets the focus when its form is activated
//   CM_DIALOGCHAR       to the form for a character the focused control does not take (and
//                       every Alt+character); broadcast to its controls, one whose caption has
//                       it as accelerator answers 1
//   CM_HITTEST          to a control under the mouse before it is treated as hit (LParam =
//                       the point in its coordinates): 0 lets the mouse through
//   CM_PARENTBIDIMODECHANGED  to children when a control's BiDiMode changes, and to every
//                       form without a parent when Application's BiDiMode changes
//   CM_FLOAT            to a form taken out of its parent control (a window of its own now)
//   CM_MENUCHANGED      to a form when its menu bar changed
//   CN_DROPDOWNCLOSED   to a tool bar after the drop-down menu of one of its buttons closed,
//                       to a split button after its DropDownMenu closed, and to a combo box
//                       after its list closed (after OnCloseUp)
//   CM_BUTTONPRESSED    broadcast to a speed button's siblings when it went down: WParam its
//                       GroupIndex, LParam the button (the others of its group come up)
//   CM_CTL3DCHANGED     to a windowed control when Ctl3D changes
//   CM_SHOWHINTCHANGED  to the control when ShowHint changes; CM_PARENTSHOWHINTCHANGED to
//                       its children (and to a control placed on a parent)
//   CM_HINTSHOWPAUSE    to the control the mouse rests on: WParam 1 when a hint showed a
//                       moment ago, LParam Integer* the pause it may change
//   CM_HINTSHOW         to that control before its hint shows: LParam THintInfo* (Hints.h);
//                       Result 1 forbids the hint
//   CM_ACTIONUPDATE / CM_ACTIONEXECUTE  to the active form (then the main form) for an
//                       action nobody else updated or ran, LParam = the action; the form
//                       offers it to its active control and its visible controls; Result 1:
//                       handled
#pragma once

#include <cstdint>

#include "Events.h"
#include "Types.h"

// Pointer-sized message parameters, as WPARAM, LPARAM and LRESULT are.
using TWParam = uintptr_t;
using TLParam = intptr_t;
using TLResult = intptr_t;

struct TMessage {
  Cardinal Msg = 0;
  union {
    uintptr_t WParam = 0;
    struct {
      Word WParamLo, WParamHi;
    };
  };
  union {
    intptr_t LParam = 0;
    struct {
      Word LParamLo, LParamHi;
    };
  };
  union {
    intptr_t Result = 0;
    struct {
      Word ResultLo, ResultHi;
    };
  };
  // Mouse messages: the point in LParam (signed 16-bit halves).
  Integer XPos() const { return static_cast<int16_t>(LParamLo); }
  Integer YPos() const { return static_cast<int16_t>(LParamHi); }
};

// A window procedure bound to its object (TControl::WindowProc and saved copies of it).
using TWndMethod = TEvent<void(TMessage& Message)>;

inline TLParam PointToLParam(Integer x, Integer y) {
  return static_cast<TLParam>(static_cast<uint32_t>(static_cast<uint16_t>(x)) |
                              static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16);
}

// ---- component messages ---------------------------------------------------------------

constexpr Cardinal CM_BASE = 0xB000;
constexpr Cardinal CM_ACTIVATE = CM_BASE + 0;
constexpr Cardinal CM_DEACTIVATE = CM_BASE + 1;
constexpr Cardinal CM_GOTFOCUS = CM_BASE + 2;
constexpr Cardinal CM_LOSTFOCUS = CM_BASE + 3;
constexpr Cardinal CM_CANCELMODE = CM_BASE + 4;
constexpr Cardinal CM_DIALOGKEY = CM_BASE + 5;
constexpr Cardinal CM_DIALOGCHAR = CM_BASE + 6;
constexpr Cardinal CM_FOCUSCHANGED = CM_BASE + 7;
constexpr Cardinal CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr Cardinal CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr Cardinal CM_HITTEST = CM_BASE + 10;
constexpr Cardinal CM_VISIBLECHANGED = CM_BASE + 11;
constexpr Cardinal CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr Cardinal CM_COLORCHANGED = CM_BASE + 13;
constexpr Cardinal CM_FONTCHANGED = CM_BASE + 14;
constexpr Cardinal CM_CURSORCHANGED = CM_BASE + 15;
constexpr Cardinal CM_CTL3DCHANGED = CM_BASE + 16;
constexpr Cardinal CM_PARENTCTL3DCHANGED = CM_BASE + 17;
constexpr Cardinal CM_TEXTCHANGED = CM_BASE + 18;
constexpr Cardinal CM_MOUSEENTER = CM_BASE + 19;
constexpr Cardinal CM_MOUSELEAVE = CM_BASE + 20;
constexpr Cardinal CM_MENUCHANGED = CM_BASE + 21;
constexpr Cardinal CM_APPKEYDOWN = CM_BASE + 22;
constexpr Cardinal CM_APPSYSCOMMAND = CM_BASE + 23;
constexpr Cardinal CM_BUTTONPRESSED = CM_BASE + 24;
constexpr Cardinal CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr Cardinal CM_ENTER = CM_BASE + 26;
constexpr Cardinal CM_EXIT = CM_BASE + 27;
constexpr Cardinal CM_DESIGNHITTEST = CM_BASE + 28;
constexpr Cardinal CM_ICONCHANGED = CM_BASE + 29;
constexpr Cardinal CM_WANTSPECIALKEY = CM_BASE + 30;
constexpr Cardinal CM_INVOKEHELP = CM_BASE + 31;
constexpr Cardinal CM_WINDOWHOOK = CM_BASE + 32;
constexpr Cardinal CM_RELEASE = CM_BASE + 33;
constexpr Cardinal CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr Cardinal CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr Cardinal CM_SYSCOLORCHANGE = CM_BASE + 36;
constexpr Cardinal CM_WININICHANGE = CM_BASE + 37;
constexpr Cardinal CM_FONTCHANGE = CM_BASE + 38;
constexpr Cardinal CM_TIMECHANGE = CM_BASE + 39;
constexpr Cardinal CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr Cardinal CM_UIACTIVATE = CM_BASE + 41;
constexpr Cardinal CM_UIDEACTIVATE = CM_BASE + 42;
constexpr Cardinal CM_DOCWINDOWACTIVATE = CM_BASE + 43;
constexpr Cardinal CM_CONTROLLISTCHANGE = CM_BASE + 44;
constexpr Cardinal CM_GETDATALINK = CM_BASE + 45;
constexpr Cardinal CM_CHILDKEY = CM_BASE + 46;
constexpr Cardinal CM_DRAG = CM_BASE + 47;
constexpr Cardinal CM_HINTSHOW = CM_BASE + 48;
constexpr Cardinal CM_DIALOGHANDLE = CM_BASE + 49;
constexpr Cardinal CM_ISTOOLCONTROL = CM_BASE + 50;
constexpr Cardinal CM_RECREATEWND = CM_BASE + 51;
constexpr Cardinal CM_INVALIDATE = CM_BASE + 52;
constexpr Cardinal CM_SYSFONTCHANGED = CM_BASE + 53;
constexpr Cardinal CM_CONTROLCHANGE = CM_BASE + 54;
constexpr Cardinal CM_CHANGED = CM_BASE + 55;
constexpr Cardinal CM_DOCKCLIENT = CM_BASE + 56;
constexpr Cardinal CM_UNDOCKCLIENT = CM_BASE + 57;
constexpr Cardinal CM_FLOAT = CM_BASE + 58;
constexpr Cardinal CM_BORDERCHANGED = CM_BASE + 59;
constexpr Cardinal CM_BIDIMODECHANGED = CM_BASE + 60;
constexpr Cardinal CM_PARENTBIDIMODECHANGED = CM_BASE + 61;
constexpr Cardinal CM_ALLCHILDRENFLIPPED = CM_BASE + 62;
constexpr Cardinal CM_ACTIONUPDATE = CM_BASE + 63;
constexpr Cardinal CM_ACTIONEXECUTE = CM_BASE + 64;
constexpr Cardinal CM_HINTSHOWPAUSE = CM_BASE + 65;
constexpr Cardinal CM_DOCKNOTIFICATION = CM_BASE + 66;
constexpr Cardinal CM_MOUSEWHEEL = CM_BASE + 67;
constexpr Cardinal CM_ISSHORTCUT = CM_BASE + 68;
constexpr Cardinal CM_SETACTIVECONTROL = CM_BASE + 71;
constexpr Cardinal CM_DESTROYHANDLE = CM_BASE + 74;
constexpr Cardinal CM_MOUSEACTIVATE = CM_BASE + 75;
constexpr Cardinal CM_CONTROLLISTCHANGING = CM_BASE + 76;

// ---- reflected notifications ----------------------------------------------------------

constexpr Cardinal CN_BASE = 0xBC00;
constexpr Cardinal CN_CHARTOITEM = CN_BASE + 0x002F;   // WM_CHARTOITEM
constexpr Cardinal CN_COMMAND = CN_BASE + 0x0111;      // WM_COMMAND
constexpr Cardinal CN_COMPAREITEM = CN_BASE + 0x0039;  // WM_COMPAREITEM
constexpr Cardinal CN_CTLCOLORBTN = CN_BASE + 0x0135;
constexpr Cardinal CN_CTLCOLORDLG = CN_BASE + 0x0136;
constexpr Cardinal CN_CTLCOLOREDIT = CN_BASE + 0x0133;
constexpr Cardinal CN_CTLCOLORLISTBOX = CN_BASE + 0x0134;
constexpr Cardinal CN_CTLCOLORMSGBOX = CN_BASE + 0x0132;
constexpr Cardinal CN_CTLCOLORSCROLLBAR = CN_BASE + 0x0137;
constexpr Cardinal CN_CTLCOLORSTATIC = CN_BASE + 0x0138;
constexpr Cardinal CN_DELETEITEM = CN_BASE + 0x002D;  // WM_DELETEITEM
constexpr Cardinal CN_DRAWITEM = CN_BASE + 0x002B;    // WM_DRAWITEM
constexpr Cardinal CN_HSCROLL = CN_BASE + 0x0114;
constexpr Cardinal CN_MEASUREITEM = CN_BASE + 0x002C;  // WM_MEASUREITEM
constexpr Cardinal CN_PARENTNOTIFY = CN_BASE + 0x0210;
constexpr Cardinal CN_VKEYTOITEM = CN_BASE + 0x002E;
constexpr Cardinal CN_VSCROLL = CN_BASE + 0x0115;
constexpr Cardinal CN_KEYDOWN = CN_BASE + 0x0100;
constexpr Cardinal CN_KEYUP = CN_BASE + 0x0101;
constexpr Cardinal CN_CHAR = CN_BASE + 0x0102;
constexpr Cardinal CN_SYSKEYDOWN = CN_BASE + 0x0104;
constexpr Cardinal CN_SYSCHAR = CN_BASE + 0x0106;
constexpr Cardinal CN_NOTIFY = CN_BASE + 0x004E;  // WM_NOTIFY
// Not a reflection: a control's drop-down (a tool button's or split button's menu, a combo
// box's list) has closed.
constexpr Cardinal CN_DROPDOWNCLOSED = CN_BASE + 0x03F0;

// The library's own messages (CM_ and CN_), which mean nothing to a window's class. 0xBCB3
// lies in the CN_ range but is a window message of the engine's menus.
constexpr bool IsLibraryMessage(Cardinal msg) {
  return (msg >= CM_BASE && msg < CM_BASE + 0x100) ||
         (msg >= CN_BASE && msg < CN_BASE + 0x400 && msg != CN_BASE + 0xB3);
}

// ---- input states ---------------------------------------------------------------------

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateFlag>;
