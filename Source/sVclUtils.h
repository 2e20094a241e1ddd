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
#include "vcl/SysUtils.h"

// ---- 1. Texts and conversions ---------------------------------------------------------

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

#endif
