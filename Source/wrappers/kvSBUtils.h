// Window wrappers: objects that take over the window procedure of one existing window, paint
// it from the skin and answer the engine's skin commands for it; they give the procedure back
// when they are detached or the window goes.
//
// Sections:
//   0. Skinned scroll-bar geometry: sizes, layout, thumb, portions, dragging (kvSBUtils.cpp,
//      portable)
//   1. TkvSkinParams, TkvMainWnd: the base of every wrapper and its virtual slots
//   2. Attaching and detaching (InitializeKVWnd, UninitializeKVWnd)
//   3. Scroll-bar sizes, rectangles, the wrapper's WM_NCCALCSIZE, active tests and the grip
//   4. Painting the bars and the corner (kept working bitmaps)
//   5. Input: press, repeat, drag, hover and the scroll wrapper's procedure
//      (kvSBUtilsInput.win.cpp)
//   6. Wrapper utilities: fonts, properties by name, geometry, hot test, broadcasts, the generic
//      cache painter and the corners (kvSBUtilsTools.win.cpp)
//
// Two ways of attaching: a class-library control gets the wrapper in front of its replaceable
// WindowProc; a raw window gets it in front of its window procedure through the library's
// per-object window procedures (TWindowSubclass). Either way the wrapper is kept in use while
// one of its messages runs, so a handler that frees it (a click that closes the form) leaves
// it intact until the outermost message returns: free wrappers with Free, never delete.
#pragma once

#include "base/sConst.h"
#include "skin/sSkinManager.h"
#include "ui/Types.h"

// ---- 0. Skinned scroll-bar geometry -----------------------------------------------------------
// Every rectangle here is in one coordinate system (screen or window), as the caller gives it.

// The portions of a bar (equal to the scroll codes sent for them).
constexpr Integer HTSCROLL_NONE = -1;
constexpr Integer HTSCROLL_LEFT = 0, HTSCROLL_UP = 0;
constexpr Integer HTSCROLL_RIGHT = 1, HTSCROLL_DOWN = 1;
constexpr Integer HTSCROLL_PAGELEFT = 2, HTSCROLL_PAGEUP = 2;
constexpr Integer HTSCROLL_PAGERIGHT = 3, HTSCROLL_PAGEDOWN = 3;
constexpr Integer HTSCROLL_PAGEGOTO = 4;  // a page area clicked with Shift: the thumb jumps there
constexpr Integer HTSCROLL_THUMB = 5;
// Bar thickness and arrow length overrides meaning "from the system / the skin".
constexpr Integer SYSTEM_METRIC = -1;

// The values of a bar's scroll state the geometry needs.
struct TkvScrollValues {
  Integer nMin = 0;
  Integer nMax = 0;
  Integer nPage = 0;
  Integer nPos = 0;
};

// What decides a bar's thickness and arrow length, every length already scaled to the window
// (the caller scales as each source asks).
struct TkvScrollSizeSources {
  Integer OwnSize = -1;              // the window's skin data (ScrollWidth / ButtonsSize); -1 none
  Integer ManagerScrollSize = -1;    // the manager's scroll size; negative: none
  Integer ManagerButtonsSize = -1;   // the manager's ButtonsSize option; negative: none
  Integer Override = SYSTEM_METRIC;  // the bar's nArrowWidth / nArrowLength; -n: n times the default
  Integer SystemMetric = 0;          // the system's scroll-bar thickness
  Integer SkinScrollArrows = -1;     // the skin's ScrollArrows: 0 no arrows, 1 own length, else square
  Integer SkinScrollBtnLength = 16;
  Integer Scaled16 = 16;  // 16 pixels at the window's density
};
// The thickness: own size, else the manager's, else the override, else a multiple of the system
// metric.
Integer Kv_BarThickness(const TkvScrollSizeSources& s);
// The arrow-button length: own size, else the manager's option, else the override, else by the
// skin's ScrollArrows (0: none; 1: at least 16 scaled and the skin's length; other: the manager's
// scroll size, or a multiple of the skin's length).
Integer Kv_ArrowLength(const TkvScrollSizeSources& s);

// kvMulDiv (the skin layer's, as the system's MulDiv) does the proportions.

// The range needs a thumb: nMax >= nPage, nMin < nMax and nMax not 0.
bool Kv_IsScrollInfoActive(const TkvScrollValues& si);

// The thumb of a bar: start (startCoord .. along the bar) and length. barStart/barLength:
// the bar without extra buttons, along the bar; butSize: the arrow length.
struct TkvThumb {
  Integer Pos = 0;
  Integer Size = 0;
};
TkvThumb Kv_CalcThumb(const TkvScrollValues& si, Integer barStart, Integer barLength, Integer butSize,
                      Integer minThumbSize);

// The rectangles of the bars and the corner inside a window rectangle, from the non-client edges
// the previous procedure leaves and the bar thicknesses (0 for a bar that is not shown).
struct TkvScrollLayout {
  TRect Horz, Vert, Corner;
};
TkvScrollLayout Kv_ScrollLayout(const TRect& window, Integer cxLeftEdge, Integer cxRightEdge, Integer cyTopEdge,
                                Integer cyBottomEdge, Integer horzThickness, Integer vertThickness, bool leftScrollbar);

// The portion of a bar at coord along it (the bar from barStart, barLength long, without extra
// buttons); shift turns a page portion into HTSCROLL_PAGEGOTO. The caller tests the point across
// the bar.
Integer Kv_ScrollPortion(const TkvScrollValues& si, Integer barStart, Integer barLength, Integer butSize,
                         Integer minThumbSize, Integer coord, bool shift);

// One step of a thumb drag. trackStart/trackEnd: the bar less its arrows; thumbSize; the mouse's
// offset into the thumb; coord: the mouse along the bar. ThumbPos: where the thumb is drawn;
// Position: the scroll position to send, within nMin .. nMax - max(nPage - 1, 0). Tracks False
// when the thumb fills the track (nothing to drag).
struct TkvThumbDrag {
  bool Tracks = false;
  Integer ThumbPos = 0;
  Integer Position = 0;
};
TkvThumbDrag Kv_ThumbDragStep(const TkvScrollValues& si, Integer trackStart, Integer trackEnd, Integer thumbSize,
                              Integer mouseOffset, Integer coord);

// What a drop-down list of database rows (it scrolls by its own codes, not by positions) is
// told when its thumb is let go at `along` from the bar's start: 0 on the first arrow, 4 when
// the thumb reaches the last arrow, else 1 in the upper half and 3 in the lower.
Integer Kv_RowListReleaseCode(Integer along, Integer thumbLength, Integer arrowLength, Integer barLength);

#ifdef _WIN32

#include "skin/WrapperServices.h"
#include "ui/Classes.h"
#include "ui/Controls.h"
#include "ui/GdiScopes.h"
#include "ui/Graphics.h"
#include "ui/Messages.h"
#include "ui/Subclass.h"

#include <windows.h>

class TsCommonData;
class TsScrollWndData;
class DuRiruZireziv;
class TkvWindowProcLink;
class TkvCtrlAdapter;

// ---- 1. TkvSkinParams, TkvMainWnd ----------------------------------------------------------

// What a creator tells a wrapper that makes its own skin data. Creators that pass existing
// skin data leave it empty.
struct TkvSkinParams {
  TControl* Control = nullptr;  // the class-library control that owns the window, or none
  String SkinSection;           // empty: the skin data's default
  bool UseSkinColor = false;    // False keeps the control's own colour
  bool UseSkinFontColor = false;
  Integer VertScrollSize = 0;  // -1: from the skin
  Integer HorzScrollSize = 0;
  Integer VertScrollBtnSize = 0;
  Integer HorzScrollBtnSize = 0;
};

// The engine's dialog mode: wrappers made meanwhile belong to the dialog skinner.
extern bool kvDlgMode;

class TkvMainWnd : public TObject {
  TW_CLASS(TkvMainWnd, TObject)
  // Only stores nothing: Create (through MakeWrapper) does the construction, so that the
  // virtual slots it calls reach the subclass.
  TkvMainWnd() = default;
  ~TkvMainWnd() override;

  // Makes a wrapper of class W and runs its construction.
  template <class W>
  static W* MakeWrapper(HWND aHandle, TsCommonData* aSkinData, DuRiruZireziv* aSkinManager, TkvSkinParams& skinParams,
                        bool repaint = true) {
    W* w = new W();
    w->Create(aHandle, aSkinData, aSkinManager, skinParams, repaint);
    return w;
  }

  // The virtual slots, in their fixed order (every subclass keeps it).
  // 1. Last step of construction: the skin data leaves loading and sets "KVSDATA".
  virtual void AfterCreation();
  // 2. Remembers the window's standard colours (nothing in the base).
  virtual void SaveStdParams();
  // 3. Puts the window's standard look back.
  virtual void RestoreStdParams();
  // 4. Creates the wrapper's own skin data when it has none.
  virtual void InitSkinData();
  // 5. Repaints the cache bitmap of the skin data.
  virtual bool DoPrepareCache();
  // 6. The window procedure.
  virtual void kvWndProc(TMessage& message);
  // 7. Pushes skin parameters into the window.
  virtual void SetSkinParams();
  // 8. The construction: wraps aHandle, painting through aSkinData (none: its own).
  virtual void Create(HWND aHandle, TsCommonData* aSkinData, DuRiruZireziv* aSkinManager, TkvSkinParams& skinParams,
                      bool repaint);

  // Runs the message through kvWndProc (Result starts 0) and answers its Result.
  TLResult ProcessMessage(Cardinal msg, TWParam wParam, TLParam lParam);
  // The previous window procedure's answer; 0 when there is none. The previous procedure may
  // change lParam (it is handed back).
  TLResult CallPrevWndProc(HWND handle, Cardinal msg, TWParam wParam, TLParam& lParam);

  // Attached: one of the two ways holds the window procedure.
  bool Attached() const;
  // Detaches by the way it was attached; True when the wrapper counted as attached.
  bool DetachWindowProc();
  // The control that owns the window (the skin data's owner control); null for a raw window
  // and for the window of a form's skin provider.
  TControl* OwnerControl() const;
  // The control whose WindowProc the wrapper takes over: the owner control, or the form of the
  // skin provider whose skin data the wrapper paints through; null for a raw window.
  TControl* HookedControl() const;
  // Where the window's messages enter the wrapper: its place in the control's WindowProc chain,
  // or its own entry for a raw window.
  TWndMethod EntryProc();

  bool DlgMode = false;
  bool Destroyed = false;
  bool DontRepaint = false;
  bool OwnSkinData = false;
  bool InDestroying = false;
  bool ParamsChanged = false;
  TRect WndRect{};
  TRect ParentRect{};
  TColor StdColor = 0;
  TColor StdFontColor = 0;
  HWND ParentWnd = nullptr;
  HWND CtrlHandle = nullptr;
  TSize WndSize{};
  TPoint WndPos{};
  String Caption;
  Integer Tag = 0;
  TControlStyle OldCtrlStyle;
  bool HasOldCtrlStyle = false;
  // The control's replaced WindowProc (class-library controls).
  TWndMethod OldWndProc;
  DuRiruZireziv* SkinManager = nullptr;
  TsCommonData* SkinData = nullptr;
  // The child-control adapter of a form's provider that made the wrapper; null for others.
  TkvCtrlAdapter* Adapter = nullptr;

  // Freed while the adapter removes all its items for a form that goes (its skin stays): the
  // window is taken out of the wrapper's hands but its look is left as it is.
  bool LeavesLookAtDestruction() const;

  // The font the wrapper gave its window (LoadCtrlFont with doSetFont): owned here, so that no
  // canvas deletes it while the window still draws with it; the window's own font goes back at
  // detach.
  void SetWindowFont(const LOGFONTW& logFont);
  // The window gets its own font back and the wrapper's font is deleted.
  void RestoreWindowFont();
  HFONT WindowFont() const { return FWindowFont.get(); }

 protected:
  // The entry every attached message comes through.
  void WndProcEntry(TMessage& message);
  void BeforeDestruction() override;

 private:
  friend bool InitializeKVWnd(TkvMainWnd* sw, HWND aHandle);
  // Raw windows: the wrapper's place in the window's procedure chain.
  TWindowSubclass FSubclass;
  TOwnedFont FWindowFont;
  HFONT FOriginalFont = nullptr;
  // Class-library controls: the link installed as the control's WindowProc (owned by the
  // control once it is handed out).
  TkvWindowProcLink* FLink = nullptr;
  TControl* FLinkedControl = nullptr;
  void HandleDestroy(TMessage& message);
  // The window's visual style back, unless a list or tree view under desktop composition or the
  // form of a provider that does not draw its frame (or is going).
  void GiveThemeBack();
  bool Step1(TMessage& message);
  void Step2(TMessage& message);
};

// KV_SETSECTION: the section named by the string lParam points to becomes the skin data's; 1,
// or 0 without a string.
TLResult Kv_SetSectionCommand(TsCommonData* skinData, TLParam lParam);

// ---- 1b. The scroll wrapper and its bars ----------------------------------------------------

class TkvScrollWnd;

// Scroll-bar flags (fScrollFlags): the two arrow-disable flags, a thumb kept without range, and
// the window having the bar's scroll style.
constexpr Word CSBS_THUMBALWAYS = 4;
constexpr Word CSBS_VISIBLE = 8;
// The minimum thumb length every new scroll wrapper gets.
extern Integer kvMinThumbSize;

// One skinned scroll bar of a scroll wrapper.
class TkvScrollBar : public TObject {
  TW_CLASS(TkvScrollBar, TObject)
  Word fScrollFlags = 0;
  Word nBarType = 0;  // SB_HORZ or SB_VERT
  Integer nArrowWidth = SYSTEM_METRIC;
  Integer nArrowLength = SYSTEM_METRIC;
  Integer nButSizeAfter = 0;
  Integer nButSizeBefore = 0;
  Integer nMinThumbSize = 16;
  bool fButVisibleBefore = false;
  bool fButVisibleAfter = false;
  TkvScrollWnd* sw = nullptr;
  bool fScrollVisible = false;
  SCROLLINFO ScrollInfo{};
  // What GetScrollMetric read from the system (its scroll-bar metric and the manager's size at
  // the screen's density), kept until Kv_ForgetScrollMetrics.
  mutable bool FSystemSourcesRead = false;
  mutable Integer FSystemMetric = 0;
  mutable Integer FManagerScrollSize = -1;
};

// The wrapper of a window whose scroll bars are skinned; found from the window through its
// "KVSBSC" property.
class TkvScrollWnd : public TkvMainWnd, public TkvScrollWrapper {
  TW_CLASS(TkvScrollWnd, TkvMainWnd)
  ~TkvScrollWnd() override;
  HWND WrappedWindow() const override { return CtrlHandle; }
  Integer ShownBars(Integer bar) const override;
  Integer GetScrollMetric(Integer bar, bool thickness) const override;
  // A new TsScrollWndData every time; the edges are measured again.
  void InitSkinData() override;
  // Skinned: computes the frame without the system bars and paints the skinned ones; the rest
  // goes through the base procedure.
  void kvWndProc(TMessage& message) override;
  // fLeftScrollbar from the window's WS_EX_LEFTSCROLLBAR.
  void UpdateLeftScroll();
  // The scroll wrapper of the window; null when none.
  static TkvScrollWnd* FromHwnd(HWND wnd);
  // Frees both bars (they forget the wrapper first).
  void FreeBars();

  bool fLeftScrollbar = false;
  bool ScrollsInitialized = false;
  bool bPreventStyleChange = false;
  bool fThumbTracking = false;
  TkvScrollBar* sBarHorz = nullptr;  // owned
  TkvScrollBar* sBarVert = nullptr;  // owned
  Integer cxLeftEdge = -1;
  Integer cxRightEdge = 0;
  Integer cyTopEdge = 0;
  Integer cyBottomEdge = 0;

 protected:
  void BeforeDestruction() override;
};

// ---- 2. Attaching and detaching --------------------------------------------------------------

// Attaches any wrapper: a raw window (skin data without owner control) through the window's
// procedure chain, a class-library control through its WindowProc. False when nothing could be
// attached.
bool InitializeKVWnd(TkvMainWnd* sw, HWND aHandle);
// Detaches the wrapper (when listSW is not null): the procedure goes back, the standard look
// returns, the frame is redrawn when visible; with freeSW the wrapper is freed and listSW
// cleared.
void UninitializeKVWnd(HWND handle, bool freeSW, bool repaint, TkvMainWnd*& listSW);
// Attaches a scroll wrapper: its two bars, their state read from the window, "KVSBSC" set, then
// InitializeKVWnd; with repaint the frame is recomputed.
bool InitializeKVScrolls(TkvScrollWnd* sw, HWND aHandle, bool repaint);
// Detaches a scroll wrapper (when listSW is not null); with freeSW it is freed and listSW
// cleared.
void UninitializeKVScroll(HWND handle, bool freeSW, bool repaint, TkvScrollWnd*& listSW);
// The SB_HORZ or SB_VERT bar of the window's scroll wrapper; null for another code or without one.
TkvScrollBar* Kv_GetScrollBarFromHwnd(HWND handle, Word nBar);
// Sets the minimum thumb length of the bars wBar names (SB_HORZ, SB_VERT, SB_BOTH); False when the
// window has no scroll wrapper.
bool Kv_SetMinThumbSize(HWND handle, Word wBar, Word size);
// Keeps the scroll wrapper of skinData's owner control in step with the skin: a destroyed one
// is replaced, none is made while skinned (the control's flat scroll bars are switched off
// first); unskinned, the wrapper goes and the flat scroll bars come back.
void RefreshScrolls(TsScrollWndData* skinData, TkvScrollWnd*& listSW);
// The same with an edit wrapper (frame, colours and bars), for a control whose loading state
// does not matter and that has no flat scroll bars.
void RefreshEditScrolls(TsScrollWndData* skinData, TkvScrollWnd*& listSW);
// comctl32's flat scroll bars and user32's scroll-bar query, bound by name at the module's
// start-up; null where the system lacks them (every use checks first).
using TkvFlatSBProc = BOOL(WINAPI*)(HWND);
using TkvGetScrollBarInfoProc = BOOL(WINAPI*)(HWND, LONG, PSCROLLBARINFO);
extern HMODULE huser32;
extern HMODULE hcomctl32;
extern TkvGetScrollBarInfoProc Kv_GetScrollBarInfo;
extern TkvFlatSBProc Kv_InitializeFlatSB;
extern TkvFlatSBProc Kv_UninitializeFlatSB;
// Re-reads both bars' state and, with repaint, paints them (a visible window only).
void UpdateScrolls(TkvScrollWnd* sw, bool repaint);
// The frame of the window anew: with frameChanged recomputed and repainted (SetWindowPos
// 0x737), else a WM_NCPAINT (1).
void Kv_RedrawNonClient(HWND handle, bool frameChanged);

// ---- 3. Sizes, rectangles, frame computation ---------------------------------------------------

// The metrics GetScrollMetric answers.
constexpr Integer SM_BTNSIZE = 0;
constexpr Integer SM_SCROLLWIDTH = 1;
// A bar's thickness (SM_SCROLLWIDTH) or arrow-button length (SM_BTNSIZE) in pixels of its window.
Integer GetScrollMetric(const TkvScrollBar* sBar, Integer metric);
// The bars read the system's metrics again at their next use (the frame, the skin or the system's
// settings changed).
void Kv_ForgetScrollMetrics(TkvScrollWnd* sw);
// A bar's rectangle (screen coordinates) as it stands now: a bar that is not fScrollVisible
// counts with thickness 0 (an empty rectangle for itself).
void kv_GetHScrollRect(const TkvScrollWnd* sw, HWND handle, TRect& r);
void kv_GetVScrollRect(const TkvScrollWnd* sw, HWND handle, TRect& r);
// The corner between the bars (screen coordinates).
void kv_GetScrollCorner(const TkvScrollWnd* sw, HWND handle, TRect& r);
// The rectangle of bar nBar (SB_HORZ, SB_VERT); False for another code.
bool GetScrollRect(const TkvScrollWnd* sw, Integer nBar, HWND handle, TRect& r);
// Takes a bar's extra buttons off its rectangle.
void Kv_GetRealHorzScrollRect(const TkvScrollBar* sb, TRect& r);
void Kv_GetRealVertScrollRect(const TkvScrollBar* sb, TRect& r);
void Kv_GetRealScrollRect(const TkvScrollBar* sb, TRect& r);
// The wrapper's WM_NCCALCSIZE: the previous procedure's frame (the system bars kept out of it),
// the edges measured, then the skinned bars taken from the client rectangle.
TLResult Kv_NCCalcSize(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam);
// The thumb of a bar whose rectangle (without extra buttons) is r; 1.
Integer Kv_CalcThumbSize(const TkvScrollBar* sb, const TRect& r, Integer& thumbSize, Integer& thumbPos);
TkvScrollValues Kv_ScrollValues(const SCROLLINFO& si);
// The bar takes input: the system reports it available and its flags leave it active.
bool Kv_IsScrollbarActive(const TkvScrollBar* sb);
// The size grip shows in the corner r (screen coordinates): forms and dialogs only, when the
// corner meets their top-level parent's client corner (or they have no parent).
bool Kv_GripVisible(const TkvScrollWnd* sw, HWND handle, const TRect& r);

// ---- 4. Painting ------------------------------------------------------------------------------

// The shared tracking state of the skinned bars (one set for the GUI thread: one bar is pressed
// or dragged at a time).
struct TkvScrollTracking {
  Integer uCurrentScrollbar = -1;  // SB_HORZ, SB_VERT or -1
  Integer uCurrentScrollPortion = HTSCROLL_NONE;
  Integer uScrollTimerPortion = HTSCROLL_NONE;
  Integer uMouseOverScrollbar = -1;  // the hovered bar of hwndCurSB
  Integer uHitTestPortion = HTSCROLL_NONE;
  Integer uLastHitTestPortion = HTSCROLL_NONE;
  HWND hwndCurSB = nullptr;
  // The window whose bar uMouseOverScrollbar names: hover belongs to one (window, bar) pair,
  // and its timer runs on that window.
  HWND hwndMouseOver = nullptr;
  UINT uScrollTimerMsg = 0;
  UINT_PTR uScrollTimerId = 0;
  UINT_PTR uMouseOverId = 0;
  Integer nThumbPos = 0, nThumbSize = 0, nThumbMouseOffset = 0;
  TRect rcThumbBounds{};
  Integer nLastSBPos = -1;
  TRect MouseOverRect{};
  bool bInHitTest = false;
  // The release of a press gives the capture back itself: the WM_CAPTURECHANGED that follows
  // is not a lost press.
  bool bReleasing = false;
  // The position (nMin-based, as sent) of the thumb being dragged.
  Integer nTrackPos = 0;
};
extern TkvScrollTracking kvScrollState;
// The timer ids of a press (first delay, repeat) and of hover tracking.
constexpr UINT_PTR COOLSB_TIMERID1 = 65533, COOLSB_TIMERID2 = 65534, COOLSB_TIMERID3 = 65522;
// The portion of a bar under (x, y) (r: the bar without extra buttons, same coordinates);
// HTSCROLL_NONE outside it across the bar. A page portion clicked with Shift held is
// HTSCROLL_PAGEGOTO.
Integer Kv_GetHorzScrollPortion(TkvScrollBar* sb, const TRect& r, Integer x, Integer y);
Integer Kv_GetVertScrollPortion(TkvScrollBar* sb, const TRect& r, Integer x, Integer y);
// The same for the window's bar of that type (by nBarType for Kv_GetPortion; -1 for another).
Integer Kv_GetHorzPortion(TkvScrollBar* sb, HWND handle, const TRect& r, Integer x, Integer y);
Integer Kv_GetVertPortion(TkvScrollBar* sb, HWND handle, const TRect& r, Integer x, Integer y);
Integer Kv_GetPortion(TkvScrollBar* sb, HWND handle, const TRect& r, Integer x, Integer y);
// Sends a scroll notification scrMsg (scroll code scrId, position pos) bracketed by
// KV_BEFORESCROLL and KV_AFTERSCROLL; a receiver that does not scroll itself gets the bar's
// position set first for SB_THUMBTRACK when doSetScrollInfo.
void SendScrollMessage(HWND handle, UINT scrMsg, Integer scrId, Integer pos, bool doSetScrollInfo);
// A press of the window's bar whose capture was lost: timers killed, SB_ENDSCROLL sent, the
// shared state reset and the bars repainted normal.
void Kv_EndLostPress(TkvScrollWnd* sw, HWND handle);
// The wrapper's WM_NCHITTEST: HTHSCROLL / HTVSCROLL over an active skinned bar (HTNOWHERE over
// an inactive one), HTBOTTOMRIGHT over a visible grip, else the previous procedure's answer.
TLResult Kv_NCHitTest(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam);
// Kills the tracking timers and clears the shared state when it names the window.
void Kv_ResetScrollTracking(HWND handle);

// The rectangle a scroll button of side (TkvSide) paints into: r, grown towards the track by
// a border image larger than 17 pixels when its section asks for it.
void BtnDrawRect(const TRect& r, TsCommonData* sd, Integer side, TRect& drawRect);
// Draws state `state` of image ndx centred in r of b.
void DrawCenterGlyph(TBitmap* b, Integer ndx, Integer state, const TRect& r, TsCommonData* sd);
// One arrow button of side (TkvSide) at r of bmp in state (0 normal, 1 hot, 2 pressed).
void kv_DrawScrollBtn(const TRect& r, Integer state, TBitmap* bmp, Integer side, TsCommonData* sd);
// One thumb at r of bmp.
void kv_DrawSlider(const TRect& r, Integer state, TBitmap* bmp, bool vert, TsCommonData* sd);
// One bar at r (window coordinates) of dc: uDrawFlags the portion drawn pressed (-1 none),
// sliderPos a thumb position drawn instead of the computed one (-1 none). 1 when painted.
Integer Kv_NCDrawHScrollbar(TkvScrollBar* sb, HWND handle, HDC dc, const TRect& r, Integer uDrawFlags,
                            Integer sliderPos);
Integer Kv_NCDrawVScrollbar(TkvScrollBar* sb, HWND handle, HDC dc, const TRect& r, Integer uDrawFlags,
                            Integer sliderPos);
Integer Kv_NCDrawScrollbar(TkvScrollBar* sb, HWND handle, HDC dc, const TRect& r, Integer uDrawFlags,
                           Integer sliderPos);
// One bar of a drag: track and arrows normal, the thumb pressed at thumbPos (along the bar, in
// r's coordinates) thumbSize long. 1 when painted.
Integer Kv_DrawDraggedBar(TkvScrollBar* sb, HWND handle, HDC dc, const TRect& r, Integer thumbPos, Integer thumbSize);
// Bar nBar (SB_HORZ, SB_VERT) of the window painted at once into its window DC with portion
// pressed drawn pressed (-1 none); 1 when painted.
Integer Kv_RepaintBar(TkvScrollWnd* sw, HWND handle, Integer nBar, Integer pressed);
// Both bars and the corner between them into aDC (none: the window's DC); 0. A window without
// a visible bar takes no device context.
TLResult kv_NCDraw(TkvScrollWnd* sw, HWND handle, Integer thumbPos, HDC aDC);
// What the painters took from the system so far (the benchmarks watch them): working bitmaps
// made (the painters keep theirs between calls) and window device contexts taken.
struct TkvScrollPaintCounts {
  Cardinal BitmapsMade = 0;
  Cardinal WindowDCs = 0;
};
extern TkvScrollPaintCounts kvScrollPaintCounts;
// Frees the painters' kept working bitmaps (they are made again when needed).
void Kv_FreeScrollBitmaps();
// The wrapper layer's start-up: the scroll-bar functions above bound (again after a clean-up).
void kvSBUtilsStartup();
// The wrapper layer's clean-up at exit: the page wrappers still held and the painters' kept
// bitmaps go, the bound libraries are freed.
void kvSBUtilsCleanup();

// ---- 5. Input ---------------------------------------------------------------------------------
// Each handler takes the wrapper, its window and the message's WParam and LParam and answers the
// message result; what a handler passes on goes through the wrapper's previous procedure.

// WM_NCLBUTTONDOWN / WM_NCLBUTTONDBLCLK on a bar: an arrow or page area scrolls once and
// repeats (300 ms, then every 55 ms) under capture; a Shift+click in a page area jumps the thumb
// there; a press on the thumb starts dragging it. A press that takes no capture (a disabled
// arrow, the thumb of an inactive bar, a Shift+click) leaves no press behind.
TLResult Kv_NCLButtonDown(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam);
// WM_MOUSEMOVE while a bar is pressed: drags the thumb, or shows the pressed portion pressed
// only while the cursor is on it (cursor from GetMessagePos); passed on when nothing is pressed.
TLResult Kv_MouseMove(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam);
// WM_LBUTTONUP: ends a press (SB_ENDSCROLL) or a drag (SB_THUMBPOSITION, then SB_ENDSCROLL).
TLResult Kv_LButtonUp(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam);
// WM_TIMER: the first delay and the repeat of a press, and hover tracking; other timers are
// passed on.
TLResult Kv_Timer(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam);
// WM_NCMOUSEMOVE: the mouse entering a bar starts hover tracking on this window.
TLResult Kv_NCMouseMove(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam);
// WM_STYLECHANGED: the left-bar flag follows, then passed on.
TLResult Kv_StyleChange(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam);
// WM_NOTIFY and WM_SETCURSOR, passed on.
TLResult Kv_Notify(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam);
TLResult Kv_SetCursor(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam);
// Moves the dragged thumb of bar sbar to the screen point (x, y): the bar is painted with the
// thumb there and SB_THUMBTRACK sent when the position changes. 0.
TLResult Kv_ThumbTrackHorz(TkvScrollBar* sbar, HWND handle, Integer x, Integer y);
TLResult Kv_ThumbTrackVert(TkvScrollBar* sbar, HWND handle, Integer x, Integer y);

// ---- 6. Wrapper utilities -----------------------------------------------------------------------

// The system fonts kv_GetSysFont and LoadSysFont choose (any other value: the message font).
constexpr Integer FONT_CAPTION = 1, FONT_SMCAPTION = 2, FONT_MENU = 3, FONT_STATUS = 4, FONT_MESSAGE = 5;
// The chosen font of the system's non-client metrics; when the system call fails only lfHeight
// is set (to 0).
void kv_GetSysFont(Integer fType, LOGFONTW& logFont);
// The font name the default manager imposes (the skin's main font, or the manager's own), or
// empty.
String SkinMainFontName();
// The imposed font name put into the record (at most 31 characters) or the font.
void CheckSkinFont(LOGFONTW& logFont);
void CheckSkinFont(TFont* font);
// The system font of that kind, with the imposed name, as the canvas's font.
void LoadSysFont(TCanvas* aCanvas, Integer aFontType);
// The font of the wrapper's cache canvas: the owner control's, else the window's (WM_GETFONT)
// with the imposed name (doSetFont: the window then draws with it too; the wrapper keeps that
// font), else the system's message font.
void LoadCtrlFont(TkvMainWnd* listSW, bool doSetFont);
// A persistent integer property set or read by name; nothing (0) when obj is null or lacks it.
void TryChangeIntProp(TObject* obj, StringView name, Int64 value);
Int64 TryGetIntProp(const TObject* obj, StringView name);
// The same, as an RGB colour.
TColor TryGetColorProp(const TObject* obj, StringView name);
// The window's rectangle (screen), parent, the parent's window rectangle (screen), size and
// top-left in the parent's client coordinates.
void InitCtrlData(HWND handle, HWND& parentWnd, TRect& wndRect, TPoint& wndPos, TSize& wndSize, TRect& parentRect);
// The same into the wrapper's own fields (WndRect, ParentWnd, ParentRect, WndSize, WndPos).
void InitCtrlData(TkvMainWnd* w);
// Whether the control can show a hot look (byMouse: by hovering).
bool MayBeHot(TsCommonData* skinData, bool byMouse);
// A skin command to the children: the control's child controls, else the window's children.
void AlphaBroadCastCheck(TControl* control, HWND handle, TMessage& message);
// CM_SHOWINGCHANGED tells that the control became shown: the class library sends it with
// WParam 0 after Showing took its new value, so Showing decides (as does WParam 1). False for a
// hidden control or one being destroyed.
bool Kv_BecameShown(TWinControl* ctrl, const TMessage& message);
// A container whose control became shown: the children made or shown meanwhile get their
// wrappers and the current skin.
void Kv_ContainerShown(TkvMainWnd* sw, TWinControl* ctrl, const TMessage& message);
// The normal look of the wrapper's section lets the parent show through: its background
// changes with its place.
bool Kv_NormalLookSeeThrough(TsCommonData* skinData);
// KV_CONTROLLOADED to the top-level window above ctrl (ctrl itself without parent).
void SendControlLoaded(HWND ctrl);
// The generic cache painter: the window's section over its parent's background into the skin
// data's cache (only when BGChanged and a window is given); a parent whose background is not
// ready leaves the cache dirty and the skin data updating.
void PrepareCache(TsCommonData* skinData, HWND ctrlHandle, bool dlgMode);
// The key-coloured pixels of the border image's corners in the cache show the parent's
// background (state: the state image used).
void UpdateWndCorners(TsCommonData* skinData, Integer state, TkvMainWnd* wnd);

#endif
