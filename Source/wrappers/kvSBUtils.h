// Window wrappers: objects that take over the window procedure of one existing window, paint
// it from the skin and answer the engine's skin commands for it; they give the procedure back
// when they are detached or the window goes.
//
// Sections:
//   0. Skinned scroll-bar geometry: sizes, layout, thumb, portions, dragging (kvSBUtils.cpp,
//      portable)
//   1. TkvSkinParams, TkvMainWnd: the base of every wrapper and its virtual slots
//   2. Attaching and detaching (InitializeKVWnd, UninitializeKVWnd)
//
// Two ways of attaching: a class-library control gets the wrapper in front of its replaceable
// WindowProc; a raw window gets it in front of its window procedure through the library's
// per-object window procedures (TWindowSubclass). Either way the wrapper is kept in use while
// one of its messages runs, so a handler that frees it (a click that closes the form) leaves
// it intact until the outermost message returns: free wrappers with Free, never delete.
#pragma once

#include "base/sConst.h"
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
  Integer OwnSize = -1;            // the window's skin data (ScrollWidth / ButtonsSize); -1 none
  Integer ManagerScrollSize = -1;  // the manager's scroll size; negative: none
  Integer ManagerButtonsSize = -1; // the manager's ButtonsSize option; negative: none
  Integer Override = SYSTEM_METRIC;  // the bar's nArrowWidth / nArrowLength; -n: n times the default
  Integer SystemMetric = 0;        // the system's scroll-bar thickness
  Integer SkinScrollArrows = -1;   // the skin's ScrollArrows: 0 no arrows, 1 own length, else square
  Integer SkinScrollBtnLength = 16;
  Integer Scaled16 = 16;           // 16 pixels at the window's density
};
// The thickness: own size, else the manager's, else the override, else a multiple of the system
// metric.
Integer Kv_BarThickness(const TkvScrollSizeSources& s);
// The arrow-button length: own size, else the manager's option, else the override, else by the
// skin's ScrollArrows (0: none; 1: at least 16 scaled and the skin's length; other: the manager's
// scroll size, or a multiple of the skin's length).
Integer Kv_ArrowLength(const TkvScrollSizeSources& s);

// kvMulDiv (a * b / c as the system's MulDiv) is the skin layer's (skin/sSkinManager.h).
Integer kvMulDiv(Integer value, Integer numerator, Integer denominator);

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
TkvScrollLayout Kv_ScrollLayout(const TRect& window, Integer cxLeftEdge, Integer cxRightEdge,
                                Integer cyTopEdge, Integer cyBottomEdge, Integer horzThickness,
                                Integer vertThickness, bool leftScrollbar);

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
TkvThumbDrag Kv_ThumbDragStep(const TkvScrollValues& si, Integer trackStart, Integer trackEnd,
                              Integer thumbSize, Integer mouseOffset, Integer coord);

#ifdef _WIN32

#include "ui/Classes.h"
#include "ui/Controls.h"
#include "ui/Messages.h"
#include "ui/Subclass.h"
#include "skin/WrapperServices.h"

#include <windows.h>

class TsCommonData;
class DuRiruZireziv;
class TkvWindowProcLink;

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
  static W* MakeWrapper(HWND aHandle, TsCommonData* aSkinData, DuRiruZireziv* aSkinManager,
                        TkvSkinParams& skinParams, bool repaint = true) {
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
  virtual void Create(HWND aHandle, TsCommonData* aSkinData, DuRiruZireziv* aSkinManager,
                      TkvSkinParams& skinParams, bool repaint);

  // Runs the message through kvWndProc (Result starts 0) and answers its Result.
  TLResult ProcessMessage(Cardinal msg, TWParam wParam, TLParam lParam);
  // The previous window procedure's answer; 0 when there is none. The previous procedure may
  // change lParam (it is handed back).
  TLResult CallPrevWndProc(HWND handle, Cardinal msg, TWParam wParam, TLParam& lParam);

  // Attached: one of the two ways holds the window procedure.
  bool Attached() const;
  // Detaches by the way it was attached; True when the wrapper counted as attached.
  bool DetachWindowProc();

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

 protected:
  // The entry every attached message comes through.
  void WndProcEntry(TMessage& message);
  // The control whose WindowProc the wrapper replaces; null for a raw window.
  TControl* OwnerControl() const;
  void BeforeDestruction() override;

 private:
  friend bool InitializeKVWnd(TkvMainWnd* sw, HWND aHandle);
  // Raw windows: the wrapper's place in the window's procedure chain.
  TWindowSubclass FSubclass;
  // Class-library controls: the link installed as the control's WindowProc (owned by the
  // control once it is handed out).
  TkvWindowProcLink* FLink = nullptr;
  TControl* FLinkedControl = nullptr;
  void HandleDestroy(TMessage& message);
  bool Step1(TMessage& message);
  void Step2(TMessage& message);
};

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
};

// The wrapper of a window whose scroll bars are skinned; found from the window through its
// "KVSBSC" property.
class TkvScrollWnd : public TkvMainWnd, public TkvScrollWrapper {
  TW_CLASS(TkvScrollWnd, TkvMainWnd)
  ~TkvScrollWnd() override;
  HWND WrappedWindow() const override { return CtrlHandle; }
  Integer ShownBars(Integer bar) override;
  Integer GetScrollMetric(Integer bar, bool thickness) override;
  // A new TsScrollWndData every time; the edges are measured again.
  void InitSkinData() override;
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
// The frame of the window anew: with frameChanged recomputed and repainted (SetWindowPos
// 0x737), else a WM_NCPAINT (1).
void Kv_RedrawNonClient(HWND handle, bool frameChanged);

#endif
