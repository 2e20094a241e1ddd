// Window and control routines of the engine: colours of the active skin, PPI of windows and
// controls, mouse and visibility tests, control walks, the skin command transport, small
// conversions and the text helpers.
//
// Sections:
//   1. Texts and conversions (portable)
//   2. Windows: skin command transport, colours, PPI, mouse, visibility, controls, geometry
#pragma once

#include <functional>
#include <vector>

#include "sConst.h"
#include "vcl/Messages.h"

class TBitmap;
class TComponent;
class TFont;
class TObject;
class TsCommonData;
class TControl;
class TCustomForm;
class TForm;
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

#include "vcl/Controls.h"
#include "vcl/StdCtrls.h"

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
// Visual styles are in use: a theme is active and applies to this program.
bool kvThemesEnabled();

// -- Colours and the parent background.

// The RGB value (platform byte order, high byte 0) that the colour has under the skin of
// skinManager (null: the default manager): system colours and the sl palette colours come from
// the skin's palette and standard sections while a skin is active or being applied; without
// one, sl colours give the RGB value built into them and system colours Windows' own.
Integer kvColorToRGB(Integer value, TObject* skinManager = nullptr);
// Makes every listed rectangle of a 32-bit bitmap fully transparent black, in list order.
void CleanPixelsByRects(const std::vector<TRect>& rects, TBitmap* bmp);

// The RGB background colour of a control: its answer to KV_GETCONTROLCOLOR when it is skinned
// and active, else its Color; 0xFF00FF without a control.
TColor GetControlColor(TControl* control);
// The window's answer to KV_GETCONTROLCOLOR as RGB (a window that answers 0 gives black);
// 0xFF00FF without a window.
TColor GetControlColor(HWND handle);

// Asks the window for the background under a child (KV_GETBG). True when it answered. When it
// did not: with pleaseDraw it paints its own background into info->DrawDC (BgType stays
// btUnknown); otherwise the answer is btFill with the active default manager's global colour,
// the colour of the window's control, or clBtnFace.
bool GetBGInfo(TkvBGInfo* info, HWND handle, bool pleaseDraw);
// The same asked of a control (info->Offset and R given by the caller); always True.
bool GetBGInfo(TkvBGInfo* info, TControl* control, bool pleaseDraw);
// The answer as the reference the painters take.
TCacheInfo BGInfoToCI(const TkvBGInfo* info);

// -- Controls.

// The cursor relative to the control's outer rectangle.
TPoint kvMousePos(TControl* ctrl);
// The window rectangle of a windowed control; (0, 0, width, height) of any other control
// moved by its position in its parent's client area, in screen coordinates.
TRect GetCtrlScreenBounds(TControl* ctrl);
// The control is ready for painting: it has a parent and (windowed) a window, and is neither
// loading, being destroyed, reading its state nor being created.
bool ControlIsReady(TControl* control);
// The first form met going up the owners, the component included; null when none.
TCustomForm* GetOwnerForm(TComponent* component);
// The work area of the form's monitor.
TRect kvWorkRect(TForm* form);
// KV_ENDPARENTUPDATE to every child that is not being destroyed: windowed ones that show,
// through the transport; windowless ones through Perform. Nothing while designing or while a
// layered show animation runs.
void SetParentUpdated(TWinControl* wc);
// Announces a control that finished loading to its form's skin provider (KV_CONTROLLOADED).
void AddToAdapter(TWinControl* ctrl);

// The PPI a control is drawn at: 96 for nothing or while designing; a windowless control
// asks its parent; a windowed control its window's monitor (96 without a window: asking
// never makes one).
Integer GetControlPPI(TControl* ctrl);
// The PPI of the main form, or of the first form the application owns; 96 without one.
Integer DefaultPPI();
// The mouse is over the control (and not blocked by a modal window).
bool kvMouseInControl(TControl* control);
// The control under the mouse: the hovered graphic control the default manager tracks, else
// the topmost visible child of the class-library window under the cursor, or that window.
TControl* CtrlUnderMouse();
// A window above the control's form covers the control completely.
bool CtrlIsOverlapped(TControl* ctrl);
// Some part of the control (or, windowless, of its parent) is not clipped away.
bool CtrlDCIsVisible(TControl* ctrl);
// Calls back for every control below owner, depth first in child-list order.
using TkvControlProc = std::function<void(TControl* control, Integer data)>;
void IterateControls(TWinControl* owner, Integer data, const TkvControlProc& callBack);
// The same, stoppable: each child gets a fresh copy of data, which the callback may change and
// which its subtree then gets; the first callback that answers True ends the walk (True).
using TkvControlFunc = std::function<bool(TControl* control, Integer& data)>;
bool IterateControls(TWinControl* owner, Integer data, const TkvControlFunc& callBack);
// Passes the parent's glass (transparency) mode to the control through KV_SETGLASSMODE.
void UpdateGlassMode(TControl* ctrl, bool childInclude);
// The transparency mode a skinned control paints in: 0 opaque, 1 transparent, 2 alpha.
Cardinal GetTransMode(TsCommonData* aSkinData, Integer aSkinIndex, Integer aState);
// Style, size in points, colour and name (exact) are the same.
bool FontsEqual(TFont* font1, TFont* font2);
// aFont differs from the font the control would get by default.
bool IsCustomFont(TControl* ctrl, TFont* aFont, bool saveColor);

// -- Rectangles and points of controls, links to containers.

TRect MkRect(TControl* ctrl);  // (0, 0, width, height)
TPoint MkPoint(TControl* ctrl);  // its Left, Top
// KV_LINKOBJ to the container through its Perform: link (1) or unlink (0) the object.
void AddObjLink(TObject* obj, TControl* container);
void DelObjLink(TObject* obj, TControl* container);

// -- Alignment tables and conversions.

// By TAlignment (left, right, centre): the alignment as shown to a right-to-left reader.
extern const TAlignment BidiAlign[2][3];
// The show command of a window state (normal, minimized, maximized).
extern const Cardinal ShowCommands[3];
// DT_RIGHT wins over DT_CENTER; neither is left.
TAlignment AlignmentFromInt(Cardinal value);

// -- The hidden output window that the control show animation paints into.

class TOutputWindow : public TCustomControl {
  TW_CLASS(TOutputWindow, TCustomControl)
  // Named "kvOW" and the tick count, hidden, fuchsia, and kept away from every skinning
  // layer (Tag ExceptTag).
  explicit TOutputWindow(TComponent* aOwner);
  void WndProc(TMessage& message) override;

 protected:
  // Without a parent: a plain popup of the application window, topmost when its owner is.
  void CreateParams(TCreateParams& params) override;
};
// Made on first use by the show animation, owned by the application.
extern TOutputWindow* ow;

// -- Module state and start-up.

extern HMODULE uxthemeLib;
using TkvSetWindowTheme = long(__stdcall*)(HWND, const wchar_t*, const wchar_t*);
extern TkvSetWindowTheme kv_SetWindowTheme;
// Start-up: loads uxtheme and binds SetWindowTheme; clean-up frees the library.
void sVclUtilsStartup();
void sVclUtilsCleanup();

#endif
