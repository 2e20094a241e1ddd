// Window and control routines of the engine: colours of the active skin, PPI of windows and
// controls, mouse and visibility tests, control walks, the skin command transport, small
// conversions and the text helpers. It lives in the skin layer because its transport calls the
// saved window procedure of a control's skin data directly and its colours and backgrounds read
// the skin manager; what the layers below need of it is in base/ and included here: the density
// and visual-style queries (base/WindowQueries.h) and the alignment flags (base/Alignment.h).
//
// Sections:
//   1. Texts and conversions (portable)
//   2. Windows: skin command transport, colours, PPI, mouse, visibility, controls, geometry
//   3. Frame schedules of the layered show and hide animations (portable)
//   4. Control printing and the layered animations (Windows)
#pragma once

#include <functional>
#include <vector>

#include "base/Alignment.h"
#include "base/EngineState.h"
#include "base/WindowQueries.h"
#include "base/sConst.h"
#include "ui/Classes.h"
#include "ui/Messages.h"

class TBitmap;
class TComponent;
class TFont;
class TObject;
class TsCommonData;
class TControl;
class TCustomForm;
class TForm;
class TWinControl;
#include "ui/SysUtils.h"

// ---- 1. Texts, conversions and module state --------------------------------------------

// True while a layered show animation of a form or dialog runs; other layers postpone their
// repaints and broadcasts meanwhile.
extern bool& InAnimationProcess;
// Re-entrance guard of the painting of graphic controls.
extern bool& kvGraphPainting;

// Diagnostic hooks around platform calls; they do nothing.
inline void ResetLastError() {}
inline void CheckLastError() {}

// The text without its tags: line breaks of the source are dropped; with convertBreakLine an
// "<br>" tag (any letter case) becomes CR LF. An unclosed tag swallows the rest.
String GetPlainText(const String& htmlText, bool convertBreakLine);

// ---- 2. Windows -----------------------------------------------------------------------
#ifdef _WIN32

#include "ui/Controls.h"
#include "ui/StdCtrls.h"
#include "ui/Themes.h"

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
// Lets the system scale the window's non-client area with its DPI (Windows 10 and later).
void EnableNCDpiScaling(HWND wndHandle);

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

TRect MkRect(TControl* ctrl);    // (0, 0, width, height)
TPoint MkPoint(TControl* ctrl);  // its Left, Top
// KV_LINKOBJ to the container through its Perform: link (1) or unlink (0) the object.
void AddObjLink(TObject* obj, TControl* container);
void DelObjLink(TObject* obj, TControl* container);

// -- Alignment tables and conversions.

// The show command of a window state (normal, minimized, maximized).
extern const Cardinal ShowCommands[3];
// The DrawText flags of a control's text of that alignment: AlignToInt with DT_EXPANDTABS and
// DT_VCENTER, in the control's reading order (DrawTextBiDiModeFlags). Without a control, left
// to right.
Cardinal GetStringFlags(TControl* control, TAlignment al);
// The total extent of the visible children of ctrl aligned align: heights for alTop and
// alBottom, widths for alLeft and alRight, 0 for any other alignment. Graphic children count
// only with graphCtrlsToo. 0 without a control.
Integer GetAlignShift(TWinControl* ctrl, TAlign align, bool graphCtrlsToo = false);

// -- The hidden output window that the control show animation paints into.

class TOutputWindow : public TCustomControl {
  TW_CLASS(TOutputWindow, TCustomControl)
  // Named "kvOW", the tick count and a running number (unique within the process), hidden, fuchsia, and kept away from
  // every skinning layer (Tag ExceptTag).
  explicit TOutputWindow(TComponent* aOwner);
  void WndProc(TMessage& message) override;

 protected:
  // Without a parent: a plain popup of the application window, topmost when its owner is.
  void CreateParams(TCreateParams& params) override;
};
// Made on first use by the show animation, owned by the application.
extern TOutputWindow*& ow;

// -- Module state and start-up.

extern HMODULE& uxthemeLib;
extern TkvSetWindowTheme& kv_SetWindowTheme;  // its type: base/EngineState.h
// Start-up: loads uxtheme and binds SetWindowTheme; clean-up frees the library.
void sVclUtilsStartup();
void sVclUtilsCleanup();

#endif

// ---- 3. Frame schedules of the layered show and hide animations --------------------------------
//
// A show or hide animation renders its window's picture once and then produces one frame every
// 12 ms: an opacity and where the picture goes in the frame bitmap. The schedules below are
// that arithmetic alone; the animation routines (section 4) only draw what they say.
// Time in milliseconds; the step count is time div 12. Halves round to the even neighbour.

constexpr Integer kvAnimFrameTime = 12;
inline Integer AnimStepCount(Integer timeMs) { return timeMs / kvAnimFrameTime; }

enum class TkvFrameDraw : Byte {
  Keep,     // the frame bitmap stays as the last frame left it (only the opacity changes)
  Whole,    // the whole picture copied, unstretched
  Stretch,  // the picture stretched into Dest
};

struct TkvAnimFrame {
  Byte Alpha = 0;
  TkvFrameDraw Draw = TkvFrameDraw::Keep;
  TRect Dest;               // for Stretch: left, top, right, bottom in the frame bitmap
  bool ClearFirst = false;  // the frame bitmap is cleared to transparent black first
};

// The show animation of a W x H picture in stepCount steps (at least 1) up to maxTransparency
// (0..255); dialogs rise from 0 in stepCount + 1 equal steps, forms in stepCount steps of
// (max - 50) / stepCount. Fading copies once and then only raises the opacity; aero grows
// from an inset of 1/32 on every side; drop-down unrolls downwards at full opacity with
// geometric speed and may stop before the last step.
class TkvShowAnim {
 public:
  TkvShowAnim(TkvAnimType kind, Integer width, Integer height, Integer stepCount, Integer maxTransparency, bool dialog);
  TkvAnimFrame DoNext();
  bool GoToNext();  // False: the run stops after this frame

  TkvAnimType Kind;
  Integer W, H, StepCount, MaxTransparency;
  double Trans = 0, P = 0, L = 0, T = 0, R = 0, B = 0, Dx = 0, Dy = 0, PopupDiv = 1;
  bool Direct = false;  // a drop-down of a picture under 4 pixels high is copied directly
};

// The hide animation from startBlendValue down to 0 in stepCount steps (at least 1). Fading
// copies once; aero shrinks towards the centre by 1/32 of the size over the run; drop-down
// rolls up at full opacity and stops when under 2 pixels are left.
class TkvHideAnim {
 public:
  TkvHideAnim(TkvAnimType kind, Integer width, Integer height, Integer stepCount, Integer startBlendValue);
  TkvAnimFrame DoNext();
  bool GoToNext();

  TkvAnimType Kind;
  Integer W, H, StepCount, StartBlendValue;
  double Trans = 0, P = 0, L = 0, T = 0, R = 0, B = 0, Dx = 0, Dy = 0, PopupDiv = 1;
  bool Direct = false;
};

// The frames of whole runs, in order (an early stop included). A show of under 12 ms has no
// frames: the window is shown at once at maxTransparency. A hide of 1 to 11 ms runs one step.
std::vector<TkvAnimFrame> ShowSchedule(TkvAnimType kind, Integer width, Integer height, Integer timeMs,
                                       Integer maxTransparency, bool dialog);
std::vector<TkvAnimFrame> HideSchedule(TkvAnimType kind, Integer width, Integer height, Integer timeMs,
                                       Integer startBlendValue);

// The pacing of a show run, which its caller carries out: the frame drawn into the frame
// bitmap, the layered window updated from it, the tick count and the wait for the next frame.
class TkvShowFrames {
 public:
  virtual ~TkvShowFrames() = default;
  virtual Cardinal Ticks() = 0;
  virtual void Draw(const TkvAnimFrame& frame) = 0;
  virtual void Present(const TkvAnimFrame& frame) = 0;
  // Until kvAnimFrameTime ms have passed since tick (at once when they have).
  virtual void WaitFrom(Cardinal tick) = 0;
};

// The frames 0 to stepCount of a show run: each drawn and presented, then a wait of the frame
// time measured from the tick count, which a form takes after drawing its frame and a dialog
// before; the run stops early when the schedule says so (no wait after the last frame).
void RunShowFrames(TkvShowAnim& anim, Integer stepCount, bool dialog, TkvShowFrames& frames);

// ---- 4. The layered animations (Windows) -----------------------------------------------------------
#ifdef _WIN32
class TBitmap;
class TForm;
class TkvGlowForm;
class TkvHideAnim;
class THintWindow;
#include <memory>

#include "base/kvThdTimer.h"

// -- Control printing.

// Paints ctrl with its children into bmp at the current origin of bmp's DC: skinned windows
// through KV_PRINTING around WM_PRINT, others by the class library's PaintTo; a hidden control
// shows its parent's background at (left, top). rootCtrl: the siblings above that overlap it
// too. skinProvider: the form is painted for its animation (its title-bar items included).
void SkinPaintTo(TBitmap* bmp, TControl* ctrl, Integer left = 0, Integer top = 0, TComponent* skinProvider = nullptr,
                 bool rootCtrl = false);
// The visible windowed children of ctrl, each at its place, through SkinPaintTo.
void PaintChildCtrls(TWinControl* ctrl, TBitmap* bmp);
// The unskinned counterparts: background, children, and an opaque alpha channel.
void StdPaintTo(TBitmap* bmp, TWinControl* ctrl);
void StdPaintTo(TBitmap* bmp, TControl* ctrl);
void PaintChildStdCtrls(TWinControl* ctrl, TBitmap* bmp);
// The graphic children of a skinned container over its skin background, through one memory
// bitmap, without flicker. A nested call paints nothing.
void PaintControls(HDC dc, TWinControl* ownerControl, bool changeCache, const TPoint& offset, bool checkVisible);
// The client area printed through a buffered paint filled with bgColor (Vista and later).
void BufferedPrintClient(HWND handle, const TRect& rect, Integer bgColor);
// Makes a skinned form's window lay itself out and show its layered parts again: resized one
// pixel lower and back, without redraw, its OnResize, minimum height and alignment held off
// meanwhile. Nothing unless skinData is the skin data of handle's skin provider.
void UpdateLayerVisibility(TsCommonData* skinData, HWND handle);
// A callback of the stoppable IterateControls: KV_FORCEOPAQUE to a windowed control.
bool RepaintOpaque(TControl* ctrl, Integer& data);

// Layered True (and layered windows available): makes the window layered when it is not
// (answering True then) and sets its opacity. Otherwise the window loses WS_VISIBLE (it
// disappears without a repaint) and its layered style; False.
bool DoLayered(HWND formHandle, bool layered, Byte alphaValue);
// Shows bmp (a 32-bit picture of the window's size; none: a blank one) in the window made
// layered, at opacity value, moved to newPos when given.
void SetFormBlendValue(HWND formHandle, TBitmap* bmp, Integer value, TPoint* newPos);
// Fades a control's new picture in (the effects layer's show animation); until that layer is
// there the control is left to the repaint that follows.
void AnimShowControl(TWinControl* ctrl, Word time, Integer maxTransparency, TkvAnimTypeCtrl animType);

// Puts one frame of a schedule into the frame bitmap (the picture's size): the whole picture,
// or the picture stretched into the frame's Dest (block stretch, or GDI+ with
// stretchWithGdiPlus), after clearing the frame when the frame asks for it.
void DrawAnimFrame(const TkvAnimFrame& frame, TBitmap* picture, TBitmap* frameBmp, bool stretchWithGdiPlus);

// The show run of a window's picture in a layered window: loaded at the starting opacity at
// position, shown behind insertAfter (when given), the frames of ShowSchedule 12 ms apart,
// then the whole picture at maxTransparency. The picture stays the caller's.
// beforeFrame, when given, runs before each frame is drawn (a form hands on the messages that
// wait for it meanwhile).
void AnimShowLayered(TkvGlowForm* layered, TBitmap* picture, const TPoint& position, Word wTime,
                     Integer maxTransparency, TkvAnimType animType, bool dialog, HWND insertAfter,
                     const std::function<void()>& beforeFrame = {});

// The state of a hide animation; its steps are driven by HideAnimForm, the timer is never
// enabled. It owns the picture, the frame bitmap and the layered window of a running hide.
class TkvHideTimer : public TkvThreadedTimer {
 public:
  explicit TkvHideTimer(TComponent* owner);
  ~TkvHideTimer() override;
  void Anim_Init();
  void Anim_DoNext();
  bool Anim_GoToNext();
  // One step: a frame into the layered window; after the last one (or when the schedule
  // stops) the window, the picture and the frame bitmap are freed.
  void OnTimerProc(TObject* sender);
  // Tells the provider of ParentWnd that its form's hide animation ended, at most once per
  // animation; nothing for a dialog (no ParentWnd).
  void CallEvent();

  TObject* Dlg = nullptr;
  HWND ParentWnd = nullptr;
  HDC DC = nullptr;
  TSize FBmpSize;
  TkvBlendFunction FBlend{};
  Integer i = 0;
  Integer StartBlendValue = 255;
  Integer StepCount = 0;
  TkvAnimType AnimType = atFading;
  bool EventCalled = false;
  TBitmap* SrcBmp = nullptr;    // owned
  TBitmap* DstBmp = nullptr;    // owned
  TkvGlowForm* Form = nullptr;  // owned
  std::unique_ptr<TkvHideAnim> Anim;
};
extern TkvHideTimer*& kvHideTimer;

// A plain hint window showing the text near a screen point (8, 16 below and right of it, kept
// inside the work area of its monitor), faded in when the system's tooltip settings ask for it;
// nullptr for an empty text. The caller owns the window.
THintWindow* kvShowHintWnd(const String& hintText, const TPoint& position);

// Runs a hide animation of srcBmp in the layered window form, synchronously (about aTime ms,
// frames 12 ms apart), and frees both; form is null afterwards. A time below 1 runs nothing
// and frees the picture (the caller keeps its window).
void HideAnimForm(TkvGlowForm*& form, TBitmap* srcBmp, Integer aTime, Integer startBlendValue, TkvAnimType animType,
                  TForm* parentForm);
#endif
