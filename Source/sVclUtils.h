// Window and control routines of the engine: colours of the active skin, PPI of windows and
// controls, mouse and visibility tests, control walks, the skin command transport, small
// conversions and the text helpers.
//
// Sections:
//   1. Texts and conversions (portable)
//   2. Windows: skin command transport, colours, PPI, mouse, visibility, controls, geometry
#pragma once

#include "sConst.h"
#include "vcl/Messages.h"

class TControl;
class TWinControl;
#include "vcl/SysUtils.h"

// ---- 1. Texts, conversions and module state --------------------------------------------

// True while a layered show animation of a form or dialog runs; other layers postpone their
// repaints and broadcasts meanwhile.
extern bool InAnimationProcess;
// Re-entrance guard of the painting of graphic controls.
extern bool kvGraphPainting;

// Diagnostic hooks around platform calls; they do nothing.
inline void ResetLastError() {}
inline void CheckLastError() {}

// DT_ flags by alignment left, right, centre.
inline constexpr std::array<Cardinal, 3> AlignToInt{0 /*DT_LEFT*/, 2 /*DT_RIGHT*/, 1 /*DT_CENTER*/};

// The text without its tags: line breaks of the source are dropped; with convertBreakLine an
// "<br>" tag (any letter case) becomes CR LF. An unclosed tag swallows the rest.
String GetPlainText(const String& htmlText, bool convertBreakLine);

// ---- 2. Windows -----------------------------------------------------------------------
#ifdef _WIN32

// -- Skin command transport. All run on the GUI thread and answer the message result.

// A message record with the given fields.
TMessage MakeMessage(Cardinal msg, uintptr_t wParam, intptr_t lParam, intptr_t result = 0);

// Delivers a message to a window: straight to the saved window procedure of the window's skin
// data when it has one (an exception there answers 0), else through SendMessageW.
intptr_t TrySendMessage(HWND handle, Cardinal msg, uintptr_t wParam, intptr_t lParam);
// SM_ALPHACMD with the command in WParam's high word.
intptr_t SendAMessage(HWND handle, Word command, intptr_t lParam = 0);
// True only when the window answers the command with exactly 1.
bool GetBoolMsg(HWND handle, Word command);

// Delivers a message to a control: a windowless control through its Perform; a windowed
// control that is being destroyed or has no window yet gets nothing (answer 0); one whose skin
// data has no saved procedure yet gets its current WindowProc saved there and called
// directly; any other through SendMessageW.
intptr_t TrySendMessage(TControl* control, Cardinal msg, uintptr_t wParam, intptr_t lParam);
intptr_t SendAMessage(TControl* control, Word command, intptr_t lParam = 0);
// True when the low byte of the control's answer is not 0.
bool GetBoolMsg(TControl* control, Word command);

// Delivers the record to the control tree below a windowed control, depth first in the
// order of its child list. A child being destroyed is skipped (its later siblings still get
// the command); a skinned windowed child passes the command on itself, so the broadcast
// descends only into children that are not skinned.
void AlphaBroadCast(TWinControl* control, TMessage& message);
// Delivers the record to the direct children of the window (grandchildren never).
void AlphaBroadCast(HWND handle, TMessage& message);
// Enumeration callback of AlphaBroadCast(HWND); data points to the broadcast's state. Always
// continues.
int __stdcall SendToChildren(HWND child, intptr_t data);
// Delivers the record to the child windows, top of the z-order first; no recursion.
void BroadCastMsg(HWND handle, TMessage& message);

// KV_ENDPARENTUPDATE to every child window.
void SetParentUpdated(HWND pHwnd);
// WM_SETREDRAW through TrySendMessage.
void SetRedraw(HWND handle, Integer value);


// -- Windows and geometry.

// Where the client area's origin lies inside the window rectangle.
TPoint GetClientPos(HWND handle);
// The client rectangle in window coordinates.
TRect kvClientRect(HWND handle);
// The work area of the first monitor whose work area holds the point; for a point outside
// every work area, that of the nearest monitor.
TRect kvWorkRect(TPoint coord);
// The insert-after window of the position calls of animations and effects: HWND_TOPMOST.
HWND TopWndAfter();
String GetWndClassName(HWND hwnd);
String GetWndText(HWND hwnd);
// The topmost ancestor of a window (the window itself when it has no parent).
HWND GetRootParent(HWND handle);
HWND GetParentFormHandle(HWND ctrlHandle);
// aHandle is aParent or one of its descendants.
bool ContainsWnd(HWND aHandle, HWND aParent);
// A visible, non-layered, non-transparent window above aWnd covers aRect completely.
bool RectIsOverlapped(HWND aWnd, const TRect& aRect);

// -- Mouse and PPI.

// The cursor in screen coordinates; (0, 0) when it cannot be read.
TPoint kvMousePos();
// The cursor lies in the visible part of the window (its whole-window clip box).
bool kvMouseInControlDC(HWND handle);
// The PPI of the monitor that holds the window's centre (before Windows 8.1: the screen's).
Integer GetWndPPI(HWND handle);
// Lets the system scale the window's non-client area with its DPI (Windows 10 and later).
void EnableNCDpiScaling(HWND wndHandle);

// -- Module state and start-up.

extern HMODULE uxthemeLib;
using TkvSetWindowTheme = long(__stdcall*)(HWND, const wchar_t*, const wchar_t*);
extern TkvSetWindowTheme kv_SetWindowTheme;
// Start-up: loads uxtheme and binds SetWindowTheme; clean-up frees the library.
void sVclUtilsStartup();
void sVclUtilsCleanup();

#endif
