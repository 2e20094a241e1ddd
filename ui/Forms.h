// Forms, the application object and the screen. Windows only.
//
// The program block:
//   TApplication app;                       // becomes the global Application (and Screen)
//   app.Initialize();
//   app.SetMainFormOnTaskbar(true);
//   app.CreateForm(Form1);                  // TForm1* Form1: made from its description; the
//   app.CreateForm(Form3);                  // first form made becomes the main form
//   app.Run();                              // until the main form closes
//
// A form class made from a description is created with Application->CreateForm(ref) or
// Create<T>(owner) (Classes.h), which run AfterConstruction: the description is read, then
// OnCreate runs. `new TForm(owner)` followed by AfterConstruction() gives an empty form
// (the class library's CreateNew). OnDestroy runs when the form is freed (Free, or by its
// owner).
//
// MDI: a form with FormStyle fsMDIForm holds its children in its MDI client window
// (ClientHandle); a form with fsMDIChild is made inside the main form (or the first MDI form)
// and shown at once; closing it minimizes it unless OnClose frees it. The frame's Menu shows
// the active child's Menu merged in (Menus.h); WindowMenu lists the children.
//
// Errors: an exception that leaves an event handler or a message handler is shown by
// Application->HandleException (OnException when set, else a message box with the text,
// a full stop added as the class library does) and the message loop goes on.
#pragma once

#ifdef _WIN32

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "Clock.h"
#include "Controls.h"
#include "Hints.h"
#include "ScopeGuard.h"

TW_ENUM(TFormBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin)
// Edits and panels use the first two values.
using TBorderStyle = TFormBorderStyle;
TW_ENUM(TBorderIcon, biSystemMenu, biMinimize, biMaximize, biHelp)
using TBorderIcons = TSet<TBorderIcon>;
TW_ENUM(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
        poMainFormCenter, poOwnerFormCenter)
TW_ENUM(TWindowState, wsNormal, wsMinimized, wsMaximized)
TW_ENUM(TFormStyle, fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop)
// How Tile arranges an MDI form's children.
TW_ENUM(TTileMode, tbHorizontal, tbVertical)
enum TCloseAction { caNone, caHide, caFree, caMinimize };
// What a form is in the middle of: being created (until OnCreate ran), shown on the screen,
// being shown or hidden (CM_SHOWINGCHANGED at work), shown modally, made as an MDI child
// (the MDI code sets it when it creates the window).
enum TFormStateFlag { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild };
using TFormState = TSet<TFormStateFlag>;

using TModalResult = Integer;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7,
                       mrClose = 8, mrHelp = 9, mrTryAgain = 10, mrContinue = 11, mrAll = 12, mrNoToAll = 13,
                       mrYesToAll = 14;
// "mrOk" ... for form descriptions.
const TIdentMap& ModalResultIdents();

class TMonitor;
class TMainMenu;
class TMenuItem;

using TCloseEvent = TEvent<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TEvent<void(TObject* Sender, bool& CanClose)>;
using TExceptionEvent = TEvent<void(TObject* Sender, const Exception& E)>;
using TMonitorDpiChangedEvent = TEvent<void(TObject* Sender, Integer OldDPI, Integer NewDPI)>;
// Help asked for: command (HELP_CONTEXT ...) and its data; true: handled. CallHelp false
// keeps the help system out.
using THelpEvent = TEvent<bool(Word Command, intptr_t Data, bool& CallHelp)>;
// A hook of the application window: true means handled (nothing else sees the message).
using TWindowHook = TEvent<bool(TMessage& Message)>;

class TCustomForm : public TWinControl {
  TW_CLASS(TCustomForm, TWinControl)
  // An empty, hidden form.
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;
  // Reads the form's description when its class has one, then runs OnCreate.
  void AfterConstruction() override;
  // OnDestroy, then the window goes.
  void BeforeDestruction() override;

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle style);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons icons);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition p) { position_ = p; }
  TWindowState WindowState() const;
  void SetWindowState(TWindowState state);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle style);
  bool AlphaBlend() const { return alphaBlend_; }
  void SetAlphaBlend(bool v);
  Byte AlphaBlendValue() const { return alphaBlendValue_; }
  void SetAlphaBlendValue(Byte v);
  // The density the description was made at; with Scaled the form is scaled to the screen's
  // when it is loaded.
  Integer PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(Integer ppi) { pixelsPerInch_ = ppi; }
  bool Scaled() const { return scaled_; }
  void SetScaled(bool v) { scaled_ = v; }
  Integer TextHeight() const { return textHeight_; }
  void SetTextHeight(Integer h) { textHeight_ = h; }
  // While the description is read the client size waits for the border style.
  void SetClientSize(TSize size) override;
  TRect ClientRect() const override;
  TCanvas* Canvas() const { return canvas_.get(); }

  bool Active() const;
  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* control);
  // Focuses the control (when the form is shown) or makes it the one focused on activation.
  void FocusControl(TWinControl* control);
  // Called when a control of the form got the focus: CM_EXIT, CM_ENTER, CM_FOCUSCHANGED.
  void SetFocusedControl(TWinControl* control);
  // The control (or one inside it) goes away: the form forgets it as the focused one.
  void RemoveFocusOf(TWinControl* control);
  void SelectNext(TWinControl* current, bool forward, bool checkTabStop);

  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult r) { modalResult_ = r; }
  bool Modal() const { return modal_; }
  // Shows the form modally: the other windows of the program are disabled until
  // ModalResult is set (a button's ModalResult, Close, or the loop ends). Returns it.
  TModalResult ShowModal();
  // As the class library: a modal form gets mrCancel; otherwise OnCloseQuery and OnClose
  // decide; the main form ends the application; others hide (or are released).
  void Close();
  bool CloseQuery();
  // Frees the form once the messages already queued for it are handled.
  void Release();
  // The monitor that holds most of the form.
  TMonitor* Monitor();

  TNotifyEvent OnCreate() const { return onCreate_; }
  void SetOnCreate(TNotifyEvent e) { onCreate_ = e; }
  TNotifyEvent OnDestroy() const { return onDestroy_; }
  void SetOnDestroy(TNotifyEvent e) { onDestroy_ = e; }
  TNotifyEvent OnShow() const { return onShow_; }
  void SetOnShow(TNotifyEvent e) { onShow_ = e; }
  TNotifyEvent OnHide() const { return onHide_; }
  void SetOnHide(TNotifyEvent e) { onHide_ = e; }
  TCloseEvent OnClose() const { return onClose_; }
  void SetOnClose(TCloseEvent e) { onClose_ = e; }
  TCloseQueryEvent OnCloseQuery() const { return onCloseQuery_; }
  void SetOnCloseQuery(TCloseQueryEvent e) { onCloseQuery_ = e; }
  TNotifyEvent OnActivate() const { return onActivate_; }
  void SetOnActivate(TNotifyEvent e) { onActivate_ = e; }
  TNotifyEvent OnDeactivate() const { return onDeactivate_; }
  void SetOnDeactivate(TNotifyEvent e) { onDeactivate_ = e; }
  TNotifyEvent OnPaint() const { return onPaint_; }
  void SetOnPaint(TNotifyEvent e) { onPaint_ = e; }

  // ---- form extras (FormExtras.win.cpp) ----
  TFormState FormState() const { return formState_; }
  // The form moved to a monitor of another density (WM_DPICHANGED): before anything is
  // scaled, and after the form and its controls are scaled and realigned once.
  TMonitorDpiChangedEvent OnBeforeMonitorDpiChanged() const { return onBeforeMonitorDpiChanged_; }
  void SetOnBeforeMonitorDpiChanged(TMonitorDpiChangedEvent e) { onBeforeMonitorDpiChanged_ = e; }
  TMonitorDpiChangedEvent OnAfterMonitorDpiChanged() const { return onAfterMonitorDpiChanged_; }
  void SetOnAfterMonitorDpiChanged(TMonitorDpiChangedEvent e) { onAfterMonitorDpiChanged_ = e; }
  virtual void DoBeforeMonitorDpiChanged(Integer oldDPI, Integer newDPI);
  virtual void DoAfterMonitorDpiChanged(Integer oldDPI, Integer newDPI);

  // ---- actions (ControlActions.win.cpp) ----
  // Updates the actions of the form and of its visible controls (the application does when
  // idle). CM_ACTIONUPDATE / CM_ACTIONEXECUTE (LParam: the action) go to the active control
  // and then to every visible control until one answers 1.
  void UpdateActions();

  void Dispatch(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;

  // Taking a form out of its parent control makes it a window of its own: CM_FLOAT.
  void SetParent(TWinControl* parent) override;

  // ---- menus ----
  // The menu bar (an MDI child's menu joins its parent's bar while the child is active, as
  // does an AutoMerge menu of a form that is not the main form). Changing it sends
  // CM_MENUCHANGED to the form.
  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* menu);
  // Clicks the item of the form's menus that has this shortcut (with the current modifier
  // keys); an MDI child also asks its parent. False when none has it.
  virtual bool IsShortCut(Word key);

  // ---- MDI ----
  // An MDI form (FormStyle fsMDIForm) holds its MDI children (fsMDIChild forms, made inside
  // the main form, or else the first MDI form of the screen) in the MDI client window.
  HWND ClientHandle() const { return clientHandle_; }
  Integer MDIChildCount() const;
  // The children in their order on screen, the front one first.
  TCustomForm* MDIChildren(Integer index) const;
  TCustomForm* ActiveMDIChild() const;
  // The item of the menu bar whose sub-menu lists the children (the client adds them).
  TMenuItem* WindowMenu() const { return windowMenu_; }
  void SetWindowMenu(TMenuItem* item);
  TTileMode TileMode() const { return tileMode_; }
  void SetTileMode(TTileMode mode) { tileMode_ = mode; }
  void Tile();
  void Cascade();
  void ArrangeIcons();

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle(const TCreateParams& params) override;
  void DestroyWindowHandle() override;
  void DestroyWnd() override;
  void Notification(TComponent* component, TOperation operation) override;
  // An MDI frame's client window takes the room its aligned controls leave.
  void AlignControls(TControl* control, TRect& rect) override;
  void HandleCreated() override;
  void PaintWindow(HDC dc) override;
  virtual void Paint() { onPaint_.Call(this); }
  virtual void DoCreate() { onCreate_.Call(this); }
  virtual void DoDestroy() { onDestroy_.Call(this); }
  virtual void DoShow() { onShow_.Call(this); }
  virtual void DoHide() { onHide_.Call(this); }
  virtual void DoClose(TCloseAction& action) { onClose_.Call(this, action); }
  void Loaded() override;
  // Reads the description resource named after the class (FormReader); false when the
  // class has none.
  virtual bool ReadDescription();
  // For the code that makes the window (fsCreatedMDIChild).
  void SetFormState(TFormState state) { formState_ = state; }

 private:
  void CMShowingChanged(TMessage& m);
  void CMDialogKey(TMessage& m);
  void WMActivate(TMessage& m);
  void WMDpiChanged(TMessage& m);
  void WMGetMinMaxInfo(TMessage& m);
  void CMActionDispatch(TMessage& m);
  void WMHelp(TMessage& m);
  void PlaceOnFirstShow();
  void CloseModal();
  void ApplyAlphaBlend();
  // ---- menus and MDI ----
  void UpdateMenu();
  void MergeMenu(bool merge);
  void CMMenuChanged(TMessage& m);
  bool MenuMessage(TMessage& m);
  void WMMDIActivate(TMessage& m);
  TCustomForm* MDIParent() const;
  bool IsMDIChild() const { return formStyle_ == fsMDIChild; }

  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
  TPosition position_ = poDefaultPosOnly;
  TWindowState windowState_ = wsNormal;
  TFormStyle formStyle_ = fsNormal;
  bool alphaBlend_ = false;
  Byte alphaBlendValue_ = 255;
  Integer pixelsPerInch_ = 96;
  bool scaled_ = true;
  Integer textHeight_ = 0;
  TSize pendingClientSize_{-1, -1};
  bool placed_ = false;
  bool modal_ = false;
  bool creatingMainForm_ = false;
  bool created_ = false;
  TModalResult modalResult_ = mrNone;
  TWinControl* activeControl_ = nullptr;
  TWinControl* focused_ = nullptr;
  std::unique_ptr<TControlCanvas> canvas_;
  TMainMenu* menu_ = nullptr;
  TMenuItem* windowMenu_ = nullptr;
  HWND clientHandle_ = nullptr;
  TTileMode tileMode_ = tbHorizontal;
  TNotifyEvent onCreate_, onDestroy_, onShow_, onHide_, onActivate_, onDeactivate_, onPaint_;
  TCloseEvent onClose_;
  TCloseQueryEvent onCloseQuery_;
  TFormState formState_;
  TMonitorDpiChangedEvent onBeforeMonitorDpiChanged_, onAfterMonitorDpiChanged_;
};

class TForm : public TCustomForm {
  TW_CLASS(TForm, TCustomForm)
  using TCustomForm::TCustomForm;
};

// ---- scrolling controls (ScrollingControls.win.cpp) -----------------------------------

TW_ENUM(TScrollBarKind, sbHorizontal, sbVertical)

class TScrollingWinControl;

// One scroll bar of a scrolling control, in pixels: Range is the extent of the scrolled
// content (with AutoScroll: where the farthest child ends, plus Margin), Position how far it
// is scrolled. The bar shows while Visible and the range exceeds the client area.
class TControlScrollBar : public TPersistent {
  TW_CLASS(TControlScrollBar, TPersistent)
  TControlScrollBar(TScrollingWinControl* control, TScrollBarKind kind);

  TScrollingWinControl* Control() const { return control_; }
  TScrollBarKind Kind() const { return kind_; }
  Integer Range() const { return range_; }
  // Setting a range turns the control's AutoScroll off.
  void SetRange(Integer v);
  Integer Position() const { return position_; }
  // Kept within 0 .. Range - the client extent; the content moves with it.
  void SetPosition(Integer v);
  // What an arrow of the bar scrolls.
  Integer Increment() const { return increment_; }
  void SetIncrement(Integer v) { increment_ = std::max(v, 1); }
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  // Room kept after the farthest child (AutoScroll).
  Integer Margin() const { return margin_; }
  void SetMargin(Integer v);
  // The content follows the thumb while it is dragged (off: when it is let go).
  bool Tracking() const { return tracking_; }
  void SetTracking(bool v) { tracking_ = v; }
  // The bar shows now.
  bool IsScrollBarVisible() const;
  void Assign(const TPersistent* source) override;

 private:
  friend class TScrollingWinControl;
  // The client extent along the bar.
  Integer ClientExtent() const;
  // A scroll request of the system bar (SB_ code and its thumb position).
  void ScrollMessage(Integer code);
  void Update();
  TScrollingWinControl* control_;
  TScrollBarKind kind_;
  Integer range_ = 0, position_ = 0, increment_ = 8, margin_ = 0;
  bool visible_ = true;
  bool tracking_ = false;
};

// A windowed control whose content scrolls (a scroll box, a frame): with AutoScroll the
// ranges follow the children, and the scroll bars move them.
class TScrollingWinControl : public TWinControl {
  TW_CLASS(TScrollingWinControl, TWinControl)
  explicit TScrollingWinControl(TComponent* owner);
  ~TScrollingWinControl() override;

  bool AutoScroll() const { return autoScroll_; }
  void SetAutoScroll(bool v);
  TControlScrollBar* HorzScrollBar() const { return horzScrollBar_.get(); }
  void SetHorzScrollBar(const TControlScrollBar* v) { horzScrollBar_->Assign(v); }
  TControlScrollBar* VertScrollBar() const { return vertScrollBar_.get(); }
  void SetVertScrollBar(const TControlScrollBar* v) { vertScrollBar_->Assign(v); }
  // Scrolls so that the child is wholly in view (as much as fits).
  void ScrollInView(TControl* control);
  void Dispatch(TMessage& message) override;

 protected:
  // Aligned children are laid out in the whole scrolled area, moved by the positions.
  void AdjustClientRect(TRect& rect) override;
  void AlignControls(TControl* control, TRect& rect) override;
  void ControlBoundsChanged(TControl* control) override;
  void HandleCreated() override;
  // The ranges from the children (AutoScroll) and the system bars from the ranges.
  void UpdateScrollBars();

 private:
  friend class TControlScrollBar;
  bool autoScroll_ = true;
  bool updatingBars_ = false;
  std::unique_ptr<TControlScrollBar> horzScrollBar_, vertScrollBar_;
};

// A bordered scrolling container.
class TScrollBox : public TScrollingWinControl {
  TW_CLASS(TScrollBox, TScrollingWinControl)
  explicit TScrollBox(TComponent* owner);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle s);

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  TBorderStyle borderStyle_ = bsSingle;
};

// A reusable group of controls with a description of its own, read when the frame is made
// (the resource named after its class, as a form's). Another form's description embeds it as
// an object of the frame's class; objects inside that block named like the frame's own
// components change those components.
class TCustomFrame : public TScrollingWinControl {
  TW_CLASS(TCustomFrame, TScrollingWinControl)
  explicit TCustomFrame(TComponent* owner);
  // Reads the frame's description when its class has one.
  void AfterConstruction() override;

 protected:
  // Reads the description resource named after the class; false when there is none.
  virtual bool ReadDescription();
};

class TFrame : public TCustomFrame {
  TW_CLASS(TFrame, TCustomFrame)
  using TCustomFrame::TCustomFrame;
};

enum TMonitorDefaultTo { mdNearest, mdNull, mdPrimary };

class TMonitor : public TObject {
 public:
  HMONITOR Handle() const { return handle_; }
  Integer MonitorNum() const { return num_; }
  TRect BoundsRect() const { return bounds_; }
  TRect WorkareaRect() const { return work_; }
  Integer Left() const { return bounds_.Left; }
  Integer Top() const { return bounds_.Top; }
  Integer Width() const { return bounds_.Width(); }
  Integer Height() const { return bounds_.Height(); }
  bool Primary() const { return primary_; }
  // The monitor's density (GetDpiForMonitor where the system has it, else the screen's).
  Integer PixelsPerInch() const { return ppi_; }

 private:
  friend class TScreen;
  HMONITOR handle_ = nullptr;
  Integer num_ = 0;
  TRect bounds_, work_;
  bool primary_ = false;
  Integer ppi_ = 96;
};

// Standard cursor indexes of Screen->Cursors ("crHandPoint" ... in descriptions).
const TIdentMap& CursorIdents();
constexpr Integer crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6, crSizeNS = -7,
                  crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crNo = -18, crAppStart = -19,
                  crHelp = -20, crHandPoint = -21, crSizeAll = -22;

class TScreen : public TComponent {
  TW_CLASS(TScreen, TComponent)
  explicit TScreen(TComponent* owner);
  ~TScreen() override;

  Integer FormCount() const { return static_cast<Integer>(forms_.size()); }
  TCustomForm* Forms(Integer index) const;
  TCustomForm* ActiveForm() const { return activeForm_; }

  // Monitors are read once and again after a display change; the pointers live until then.
  Integer MonitorCount();
  TMonitor* Monitors(Integer index);
  TMonitor* PrimaryMonitor();
  TMonitor* MonitorFromPoint(TPoint p, TMonitorDefaultTo def = mdNearest);
  TMonitor* MonitorFromRect(const TRect& r, TMonitorDefaultTo def = mdNearest);
  TMonitor* MonitorFromWindow(HWND wnd, TMonitorDefaultTo def = mdNearest);
  void RefreshMonitors() { monitors_.clear(); }

  // The primary screen's density, size and work area.
  Integer PixelsPerInch() const;
  Integer Width() const;
  Integer Height() const;
  TRect WorkAreaRect() const;
  TRect DesktopRect() const;

  // Cursors by index: the standard ones (crArrow ...) and any the program installs (the
  // screen owns those and destroys them at its end).
  HCURSOR Cursors(Integer index) const;
  void SetCursors(Integer index, HCURSOR cursor);
  // A cursor for the whole program (crHourGlass during a long wait); crDefault: none.
  Integer Cursor() const { return cursor_; }
  void SetCursor(Integer cursor);

  // The system's fonts for message boxes, menus and hints (the status font), read on first
  // use and again after the system's settings changed. The program may change them.
  TFont* MessageFont();
  TFont* MenuFont();
  TFont* HintFont();
  // Reads the system's fonts again (the application does on WM_SETTINGCHANGE).
  void ResetFonts();

 private:
  friend class TCustomForm;
  void AddForm(TCustomForm* f);
  void RemoveForm(TCustomForm* f);
  TMonitor* FindMonitor(HMONITOR h);
  void ReadMonitors();

  std::vector<TCustomForm*> forms_;
  TCustomForm* activeForm_ = nullptr;
  std::vector<std::unique_ptr<TMonitor>> monitors_;
  std::map<Integer, HCURSOR> installed_;
  Integer cursor_ = 0;
  void ReadFonts();
  std::unique_ptr<TFont> messageFont_, menuFont_, hintFont_;
};

class TApplication : public TComponent {
  TW_CLASS(TApplication, TComponent)
  explicit TApplication(TComponent* owner = nullptr);
  ~TApplication() override;

  void Initialize() {}
  // Makes a form owned by the application, stores it in ref before its description is read
  // (so OnCreate can use the global), and makes the first one the main form.
  template <class T>
  T* CreateForm(T*& ref) {
    T* form;
    {
      auto creatingMain = SetForScope(creatingMainForm_, mainForm_ == nullptr, false);
      form = new T(this);
      ref = form;
    }
    // A form whose description fails goes again, and the global with it.
    TScopeExit dropForm([&ref, form] {
      ref = nullptr;
      form->Free();
    });
    form->AfterConstruction();
    dropForm.Dismiss();
    if (!mainForm_) {
      form->HandleNeeded();
      mainForm_ = form;
    }
    return form;
  }
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Handles every message waiting now.
  void ProcessMessages();
  // Handles one message, or waits for one when none is there.
  void HandleMessage();

  TCustomForm* MainForm() const { return mainForm_; }
  bool MainFormOnTaskbar() const { return mainFormOnTaskbar_; }
  void SetMainFormOnTaskbar(bool v) { mainFormOnTaskbar_ = v; }
  bool CreatingMainForm() const { return creatingMainForm_; }
  // The hidden application window.
  HWND Handle() const { return handle_; }
  const String& Title() const { return title_; }
  void SetTitle(const String& t) { title_ = t; }
  String ExeName() const;

  // Hooks of the application window; the last added hears a message first.
  void HookMainWindow(TWindowHook hook);
  void UnhookMainWindow(TWindowHook hook);

  // ---- hints (AppHints.win.cpp) ----
  // The mouse rests on a control whose ShowHint is on (disabled ones included): after
  // HintPause ms (HintShortPause when a hint showed a moment ago) the control gets
  // CM_HINTSHOW and OnShowHint runs with the hint info (THintInfo, Hints.h); then a window
  // of HintWindowClass shows the short part of its hint below the cursor, within the
  // monitor's work area, until HintHidePause ms passed (HideHint: it stays hidden while the
  // mouse stays on the control) or the mouse leaves the control, a key or button is
  // pressed or the program is deactivated (CancelHint: the next hint waits HintPause).
  // The pauses are counted on Clock (the system's unless set).
  Integer HintPause() const { return hintPause_; }
  void SetHintPause(Integer ms) { hintPause_ = ms; }
  Integer HintShortPause() const { return hintShortPause_; }
  void SetHintShortPause(Integer ms) { hintShortPause_ = ms; }
  Integer HintHidePause() const { return hintHidePause_; }
  void SetHintHidePause(Integer ms) { hintHidePause_ = ms; }
  TColor HintColor() const { return hintColor_; }
  void SetHintColor(TColor c) { hintColor_ = c; }
  // Off: no hints at all (a showing one goes).
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v);
  // The long part of the hint of the control under the mouse; OnHint runs when it changes.
  const String& Hint() const { return hint_; }
  void SetHint(const String& hint);
  TNotifyEvent OnHint() const { return onHint_; }
  void SetOnHint(TNotifyEvent e) { onHint_ = e; }
  TShowHintEvent OnShowHint() const { return onShowHint_; }
  void SetOnShowHint(TShowHintEvent e) { onShowHint_ = e; }
  // Shows the hint of the control the engine follows now, for the mouse at cursorPos.
  void ActivateHint(TPoint cursorPos);
  void CancelHint();
  void HideHint();
  // The window the hints are shown in; nullptr before the first.
  THintWindow* HintWindow() const;
  // Every control reports its mouse moves here (TControl::WndProc).
  void HintMouseMessage(TControl* control, TMessage& message);
  // A control going away is forgotten by the hint engine.
  void ControlDestroyed(TControl* control);
  // The clock the hint pauses are counted on; nullptr: the system's. Borrowed.
  TClock& Clock() const { return clock_ ? *clock_ : SystemClock(); }
  void SetClock(TClock* clock);
  // Runs the hint timer when it is due by Clock (the system timer calls it; a test calls it
  // after stepping its own clock).
  void UpdateHintTimers();

  // Modal forms count themselves here; OnModalBegin runs when the first starts, OnModalEnd
  // when the last ended.
  Integer ModalLevel() const { return modalLevel_; }
  void ModalStarted();
  void ModalFinished();
  TNotifyEvent OnModalBegin() const { return onModalBegin_; }
  void SetOnModalBegin(TNotifyEvent e) { onModalBegin_ = e; }
  TNotifyEvent OnModalEnd() const { return onModalEnd_; }
  void SetOnModalEnd(TNotifyEvent e) { onModalEnd_ = e; }
  // Runs when a form of the application has come back from the taskbar (an animated restore
  // raises it once its picture is home).
  TNotifyEvent OnRestore() const { return onRestore_; }
  void SetOnRestore(TNotifyEvent e) { onRestore_ = e; }

  // ---- application extras (FormExtras.win.cpp) ----
  // The font new forms start with.
  TFont* DefaultFont() const { return defaultFont_.get(); }
  void SetDefaultFont(const TFont* font) { defaultFont_->Assign(font); }
  // The reading order new forms start with; a change passes to every form without a parent.
  TBiDiMode BiDiMode() const { return biDiMode_; }
  void SetBiDiMode(TBiDiMode mode);
  // Asks for the help of a context number (a control's HelpContext): OnHelp; false when
  // nothing showed help (the program has no help system of its own).
  bool HelpContext(Integer context);
  THelpEvent OnHelp() const { return onHelp_; }
  void SetOnHelp(THelpEvent e) { onHelp_ = e; }
  void Minimize();
  void Restore();

  // The default error handling: OnException when set, else ShowException. e may be null
  // for an exception that is not a std::exception.
  void HandleException(TObject* sender, const std::exception* e);
  void ShowException(const std::exception* e);
  TExceptionEvent OnException() const { return onException_; }
  void SetOnException(TExceptionEvent e) { onException_ = e; }

  // A system message box owned by the active form of the program.
#pragma push_macro("MessageBox")
#pragma push_macro("MessageBoxW")
#undef MessageBox
#undef MessageBoxW
  Integer MessageBox(const String& text, const String& caption, Cardinal flags);
  Integer MessageBoxW(const String& text, const String& caption, Cardinal flags) {
    return MessageBox(text, caption, flags);
  }
#pragma pop_macro("MessageBoxW")
#pragma pop_macro("MessageBox")

  // Handles the application window's messages (the hooks first).
  void WndProc(TMessage& message);

 private:
  friend class TCustomForm;
  bool ProcessMessage();
  bool IsKeyMsg(const void* msg);
  void Idle();
  // actions
  void InstallActionDispatch();
  void UpdateFormActions();
  // hints
  struct THintState;
  struct THintStateDeleter {
    void operator()(THintState* state) const;
  };
  THintState& Hints();
  void StartHintTimer(Integer ms, bool show);
  void StopHintTimer();
  void HintTimerExpired();
  void HintIdle();
  // Keys, buttons and the like end a hint before they are handled.
  void CancelHintOn(const void* msg);

  HWND handle_ = nullptr;
  TCustomForm* mainForm_ = nullptr;
  bool mainFormOnTaskbar_ = false;
  bool creatingMainForm_ = false;
  bool terminated_ = false;
  Integer modalLevel_ = 0;
  TNotifyEvent onModalBegin_, onModalEnd_;
  TNotifyEvent onRestore_;
  std::unique_ptr<TFont> defaultFont_ = std::make_unique<TFont>();
  TBiDiMode biDiMode_ = bdLeftToRight;
  THelpEvent onHelp_;
  Integer hintPause_ = 500, hintShortPause_ = 50, hintHidePause_ = 2500;
  TColor hintColor_ = clInfoBk;
  bool showHint_ = true;
  String hint_;
  TNotifyEvent onHint_;
  TShowHintEvent onShowHint_;
  TClock* clock_ = nullptr;
  std::unique_ptr<THintState, THintStateDeleter> hints_;
  String title_;
  std::vector<TWindowHook> hooks_;
  TExceptionEvent onException_;
};

extern TApplication* Application;
extern TScreen* Screen;

#endif
