// Controls: TControl (anything on a form), TWinControl (with a window of its own),
// TGraphicControl (windowless, painted by its parent), TCustomControl (a window that paints
// itself on a canvas). Windows only.
//
// Messages. Every message of a control, window messages and the library's CM_/CN_ alike,
// passes through its WindowProc, a bound callback that starts as the control's own WndProc:
//
//   TWndMethod old = ctrl->WindowProc();                 // hook a control ...
//   ctrl->SetWindowProc(TWndMethod(this, &THook::Proc)); // ... Proc calls old(msg) to pass on
//   ...
//   if (ctrl->WindowProc() == TWndMethod(this, &THook::Proc)) ctrl->SetWindowProc(old);  // unhook
//
// The window procedure of a windowed control calls WindowProc; Perform(msg, w, l) calls it
// directly (also for windowless controls) and returns the message's Result. WndProc does
// the library's common work (mouse capture, hover tracking) and calls Dispatch, which
// routes the message to the handler of the class that knows it; unknown messages end in
// DefaultHandler (the window's own procedure). Subclasses extend Dispatch:
//
//   void TMyButton::Dispatch(TMessage& m) {
//     if (m.Msg == CN_DRAWITEM) { DrawItem(m); return; }
//     TButton::Dispatch(m);
//   }
//
// A parent reflects WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_MEASUREITEM, WM_DELETEITEM,
// WM_COMPAREITEM, WM_CTLCOLOR*, WM_HSCROLL/WM_VSCROLL and WM_CHARTOITEM/WM_VKEYTOITEM to the
// child control they concern as CN_BASE + msg; the child's answer is the parent's answer.
//
// Windows are made on demand (Handle(), or when a visible control's form is shown), in the
// class registered under the control's ClassName ("TButton"), superclassing the system
// class where the control wraps one ("BUTTON"). FindControl(hwnd) gives the control of a
// window; the window itself holds it, in the last pointer-sized slot of its class's window
// extra bytes (after the system class's own), so the lookup on every message stays in the
// process. Nothing else may write that slot; subclassing the window (GWLP_WNDPROC) is fine.
// An exception thrown by a handler goes to Application->HandleException.
//
// Painting is done once, here: WM_PAINT with a DC in WParam (WM_PRINTCLIENT ends there too)
// paints into that DC; DoubleBuffered paints into a memory bitmap first; graphic children
// are painted after their parent (PaintControls), and mouse messages over them are routed
// to them with their own coordinates.
#pragma once

#ifdef _WIN32

#include <exception>
#include <memory>
#include <vector>

#include "ActnList.h"
#include "Canvas.h"
#include "Classes.h"
#include "Graphics.h"
#include "Messages.h"
#include "WinFwd.h"

class TWinControl;
class TCustomForm;

enum TControlStateFlag {
  csLButtonDown,
  csClicked,
  csPalette,
  csReadingState,
  csAlignmentNeeded,
  csFocusing,
  csCreating,
  csPaintCopy,
  csCustomPaint,
  csDestroyingHandle,
  csDocking,
  csDesignerHide,
  csPanning,
  csRecreating,
  csAligning,
  csGlassPaint,
  csPrintClient
};
using TControlState = TSet<TControlStateFlag>;

enum TControlStyleFlag {
  csAcceptsControls,
  csCaptureMouse,
  csDesignInteractive,
  csClickEvents,
  csFramed,
  csSetCaption,
  csOpaque,
  csDoubleClicks,
  csFixedWidth,
  csFixedHeight,
  csNoDesignVisible,
  csReplicatable,
  csNoStdEvents,
  csDisplayDragImage,
  csReflector,
  csActionClient,
  csMenuEvents,
  csNeedsBorderPaint,
  csParentBackground,
  csPannable,
  csAlignWithMargins,
  csGestures,
  csPaintBlackOpaqueOnGlass,
  csOverrideStylePaint
};
using TControlStyle = TSet<TControlStyleFlag>;

// Where a control declares it belongs in its parent's client area.
TW_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom)
// The parent's edges whose distance a control keeps when the parent is resized.
TW_ENUM(TAnchorKind, akLeft, akTop, akRight, akBottom)
using TAnchors = TSet<TAnchorKind>;
// A 3-D edge: cut into the surface, raised from it, or a flat space of the same width.
TW_ENUM(TBevelCut, bvNone, bvLowered, bvRaised, bvSpace)
// How a windowed control's bevel is drawn: not at all, as plain 3-D edges, softer, flat.
TW_ENUM(TBevelKind, bkNone, bkTile, bkSoft, bkFlat)
TW_ENUM(TBevelEdge, beLeft, beTop, beRight, beBottom)
using TBevelEdges = TSet<TBevelEdge>;

using TMouseEvent = TEvent<void(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y)>;
using TMouseMoveEvent = TEvent<void(TObject* Sender, TShiftState Shift, Integer X, Integer Y)>;

// ---- owner drawing, accelerators, context menus -----------------------------------------

class TPopupMenu;

// The state of an owner-drawn item: one element per ODS_ bit, in bit order.
TW_ENUM(TOwnerDrawStateItem, odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odHotLight, odInactive,
        odNoAccel, odNoFocusRect, odReserved1, odReserved2, odComboBoxEdit)
using TOwnerDrawState = TSet<TOwnerDrawStateItem>;
// The ODS_ bits of an owner-draw item as a state set.
TOwnerDrawState OwnerDrawStateOf(Cardinal itemState);
// True when the caption marks charCode as its accelerator ("&Save" for 's' or 'S'; "&&"
// is a plain '&').
bool IsAccel(Word charCode, StringView caption);

// What CreateParams fills before a window is made.
struct TCreateParams {
  String Caption;
  Cardinal Style = 0;
  Cardinal ExStyle = 0;
  Integer X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  Cardinal ClassStyle = 0;  // CS_ bits of the window class
  HCURSOR Cursor = nullptr;
  HBRUSH Background = nullptr;
  String WinClassName;  // the class registered for this kind of control
  String SysClassName;  // the system class it superclasses; empty for none
};

class TControlCanvas;
class TControl;
class TControlActionLink;

// ---- layout values (Align.win.cpp) ------------------------------------------------------

// Space kept around a control that its parent aligns with AlignWithMargins on (3 pixels on
// each side unless set). A change tells the control, which asks its parent to realign.
class TMargins : public TPersistent {
  TW_CLASS(TMargins, TPersistent)
  explicit TMargins(TControl* control, Integer initial = 3);
  TControl* Control() const { return control_; }
  Integer Left() const { return left_; }
  Integer Top() const { return top_; }
  Integer Right() const { return right_; }
  Integer Bottom() const { return bottom_; }
  void SetLeft(Integer v) { SetBounds(v, top_, right_, bottom_); }
  void SetTop(Integer v) { SetBounds(left_, v, right_, bottom_); }
  void SetRight(Integer v) { SetBounds(left_, top_, v, bottom_); }
  void SetBottom(Integer v) { SetBounds(left_, top_, right_, v); }
  void SetBounds(Integer left, Integer top, Integer right, Integer bottom);
  TNotifyEvent OnChange() const { return onChange_; }
  void SetOnChange(TNotifyEvent e) { onChange_ = e; }
  void Assign(const TPersistent* source) override;

 private:
  TControl* control_;
  Integer left_, top_, right_, bottom_;
  TNotifyEvent onChange_;
};

// Space a windowed control keeps free inside its client area when it aligns its children
// (none unless set).
class TPadding : public TMargins {
  TW_CLASS(TPadding, TMargins)
  explicit TPadding(TControl* control) : TMargins(control, 0) {}
};

// Limits of a control's size; 0 means no limit. A change applies them to the control at once.
class TSizeConstraints : public TPersistent {
  TW_CLASS(TSizeConstraints, TPersistent)
  explicit TSizeConstraints(TControl* control) : control_(control) {}
  TControl* Control() const { return control_; }
  Integer MinWidth() const { return minWidth_; }
  Integer MinHeight() const { return minHeight_; }
  Integer MaxWidth() const { return maxWidth_; }
  Integer MaxHeight() const { return maxHeight_; }
  // Negative values count as 0; a maximum below the minimum raises the maximum to it.
  void SetMinWidth(Integer v);
  void SetMinHeight(Integer v);
  void SetMaxWidth(Integer v);
  void SetMaxHeight(Integer v);
  // The size within the limits.
  void Apply(Integer& width, Integer& height) const;
  TNotifyEvent OnChange() const { return onChange_; }
  void SetOnChange(TNotifyEvent e) { onChange_ = e; }
  void Assign(const TPersistent* source) override;

 private:
  void Changed() { onChange_.Call(this); }
  // One axis's limit (isMin: the minimum, which may raise the maximum).
  void SetLimit(Integer& min, Integer& max, Integer value, bool isMin);
  TControl* control_;
  Integer minWidth_ = 0, minHeight_ = 0, maxWidth_ = 0, maxHeight_ = 0;
  TNotifyEvent onChange_;
};

// What a parent knows about the custom-aligned control it is placing.
struct TAlignInfo {
  const std::vector<TControl*>* AlignList = nullptr;  // the controls of that alignment, in order
  Integer ControlIndex = 0;                           // the control's place in it
  TAlign Align = alNone;
};

using TAlignInsertBeforeEvent = TEvent<void(TWinControl* Sender, TControl* C1, TControl* C2, bool& Before)>;
using TAlignPositionEvent =
    TEvent<void(TWinControl* Sender, TControl* Control, Integer& NewLeft, Integer& NewTop, Integer& NewWidth,
                Integer& NewHeight, TRect& AlignRect, const TAlignInfo& AlignInfo)>;

class TControl : public TComponent {
  TW_CLASS(TControl, TComponent)
  explicit TControl(TComponent* owner);
  ~TControl() override;

  // ---- place in the tree ----
  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);
  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return parent_ != nullptr; }
  void SetParentComponent(TComponent* parent) override;

  // ---- geometry (pixels, relative to the parent's client area) ----
  Integer Left() const { return left_; }
  Integer Top() const { return top_; }
  Integer Width() const { return width_; }
  Integer Height() const { return height_; }
  void SetLeft(Integer v) { SetBounds(v, top_, width_, height_); }
  void SetTop(Integer v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(Integer v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(Integer v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(Integer left, Integer top, Integer width, Integer height);
  TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  virtual TRect ClientRect() const;
  Integer ClientWidth() const { return ClientRect().Right; }
  Integer ClientHeight() const { return ClientRect().Bottom; }
  void SetClientWidth(Integer w) { SetClientSize(TSize(w, ClientHeight())); }
  void SetClientHeight(Integer h) { SetClientSize(TSize(ClientWidth(), h)); }
  virtual void SetClientSize(TSize size);
  // The client area's top-left corner in screen coordinates.
  virtual TPoint ClientOrigin();
  TPoint ClientToScreen(TPoint p) {
    TPoint o = ClientOrigin();
    return {p.X + o.X, p.Y + o.Y};
  }
  TPoint ScreenToClient(TPoint p) {
    TPoint o = ClientOrigin();
    return {p.X - o.X, p.Y - o.Y};
  }

  // ---- state ----
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool value);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool value);
  TFont* Font() const { return font_.get(); }
  void SetFont(const TFont* font) { font_->Assign(font); }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool value);
  // Caption and Text are one value, as in the class library.
  virtual String Text() const { return text_; }
  virtual void SetText(const String& text);
  String Caption() const { return Text(); }
  void SetCaption(const String& text) { SetText(text); }
  // The mouse cursor over the control: an index of Screen->Cursors (crDefault: the
  // window class's own).
  Integer Cursor() const { return cursor_; }
  void SetCursor(Integer cursor);
  // ---- hints (AppHints.win.cpp) ----
  // "short|long" (Hints.h); the application shows the short part after the mouse rested
  // on the control, when its ShowHint is on (a disabled control's too).
  const String& Hint() const { return hint_; }
  void SetHint(const String& hint) { hint_ = hint; }
  // Setting it clears ParentShowHint; CM_SHOWHINTCHANGED follows, and the children that
  // take their parent's hear CM_PARENTSHOWHINTCHANGED.
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool v);
  // On (the default): ShowHint follows the parent's.
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool v);
  TControlState ControlState() const { return controlState_; }
  void SetControlState(TControlState s) { controlState_ = s; }
  TControlStyle ControlStyle() const { return controlStyle_; }
  void SetControlStyle(TControlStyle s) { controlStyle_ = s; }

  // ---- layout (Align.win.cpp) ----
  // The parent places its aligned children in its client area (less its Padding): first
  // those at the top, then bottom, left, right, the one filling the rest (alClient) and the
  // custom ones (alCustom: the parent's CustomAlignPosition or OnAlignPosition), each kind
  // in the order of its position (the control that asked first among equals at the top and
  // left; at the bottom and right the later control nearer the edge). With
  // AlignWithMargins the Margins stay free around the control. A new alignment also sets
  // Anchors to the edges it follows; going back to alNone restores the bounds the control
  // had been given from outside (ExplicitBounds); switching between a vertical and a
  // horizontal alignment swaps width and height.
  TAlign Align() const { return align_; }
  void SetAlign(TAlign value);
  // An unaligned control keeps its distance to the anchored edges as its parent is resized:
  // left and right (or top and bottom) stretch it, right (bottom) alone moves it, neither
  // keeps its centre at the same proportion of the parent. Default [akLeft, akTop].
  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors value);
  bool AlignWithMargins() const { return alignWithMargins_; }
  void SetAlignWithMargins(bool value);
  TMargins* Margins() const { return margins_.get(); }
  void SetMargins(const TMargins* value) { margins_->Assign(value); }
  // Every size the control takes stays within them, whoever sets it.
  TSizeConstraints* Constraints() const { return constraints_.get(); }
  void SetConstraints(const TSizeConstraints* value) { constraints_->Assign(value); }
  // The bounds last given from outside (not by the parent's alignment).
  TRect ExplicitBounds() const { return explicitBounds_; }
  // Asks the parent to place its children again with this one first among equals.
  void RequestAlign();

  // The help topic of the control (0: its parent's); F1 on it asks Application->HelpContext.
  Integer HelpContext() const { return helpContext_; }
  void SetHelpContext(Integer v) { helpContext_ = v; }

  // ---- reading order ----
  // A change sends CM_BIDIMODECHANGED to the control and CM_PARENTBIDIMODECHANGED to its
  // children; with ParentBiDiMode (on by default) a control follows its parent's.
  TBiDiMode BiDiMode() const { return biDiMode_; }
  void SetBiDiMode(TBiDiMode value);
  bool ParentBiDiMode() const { return parentBiDiMode_; }
  void SetParentBiDiMode(bool value);
  // Right-to-left layout (bdRightToLeft only) and reading (every mode but bdLeftToRight).
  bool UseRightToLeftAlignment() const { return biDiMode_ == bdRightToLeft; }
  bool UseRightToLeftReading() const { return biDiMode_ != bdLeftToRight; }
  // Any right-to-left mode.
  bool IsRightToLeft() const { return biDiMode_ != bdLeftToRight; }
  // DrawText flags in the control's reading order: with right-to-left alignment DT_RIGHT and
  // DT_LEFT swap (DT_CENTER stays); with right-to-left reading DT_RTLREADING is added.
  Cardinal DrawTextBiDiModeFlags(Cardinal flags) const;
  Cardinal DrawTextBiDiModeFlagsReadingOnly() const;

  // ---- messages ----
  TWndMethod WindowProc() const { return windowProc_; }
  void SetWindowProc(TWndMethod proc);
  TLResult Perform(Cardinal msg, TWParam wParam = 0, TLParam lParam = 0);
  virtual void WndProc(TMessage& message);
  virtual void Dispatch(TMessage& message);
  virtual void DefaultHandler(TMessage& message);

  // ---- painting ----
  virtual void Invalidate();
  virtual void Update();
  virtual void Repaint();
  void Refresh() { Repaint(); }
  void BringToFront();

  // ---- density ----
  // The PPI the control is shown at: its window's (or its parent's) DPI; the screen's
  // before there is a window.
  Integer CurrentPPI();
  // Scales position, size and an own font by m/d (form loading at another density).
  virtual void ChangeScale(Integer m, Integer d);

  // ---- events ----
  TNotifyEvent OnClick() const { return onClick_; }
  void SetOnClick(TNotifyEvent e) { onClick_ = e; }
  TNotifyEvent OnDblClick() const { return onDblClick_; }
  void SetOnDblClick(TNotifyEvent e) { onDblClick_ = e; }
  TMouseEvent OnMouseDown() const { return onMouseDown_; }
  void SetOnMouseDown(TMouseEvent e) { onMouseDown_ = e; }
  TMouseEvent OnMouseUp() const { return onMouseUp_; }
  void SetOnMouseUp(TMouseEvent e) { onMouseUp_ = e; }
  TMouseMoveEvent OnMouseMove() const { return onMouseMove_; }
  void SetOnMouseMove(TMouseMoveEvent e) { onMouseMove_ = e; }
  TNotifyEvent OnMouseEnter() const { return onMouseEnter_; }
  void SetOnMouseEnter(TNotifyEvent e) { onMouseEnter_ = e; }
  TNotifyEvent OnMouseLeave() const { return onMouseLeave_; }
  void SetOnMouseLeave(TNotifyEvent e) { onMouseLeave_ = e; }
  TNotifyEvent OnResize() const { return onResize_; }
  void SetOnResize(TNotifyEvent e) { onResize_ = e; }

  virtual void Click();

  // ---- context menu ----
  // Shown on a right click over the control and on the context-menu key while it has the
  // focus (WM_CONTEXTMENU), with the control as the menu's PopupComponent. A control without
  // one leaves the request to its parent.
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* menu);
  // ---- actions (ControlActions.win.cpp) ----
  // The control shows and runs its action: caption, enabled state, hint, visibility and
  // help context (a tool button's image index and down state too) follow the action's,
  // and a click runs the action unless OnClick was set to another handler. Updated when
  // linked and whenever the application is idle (InitiateAction).
  TBasicAction* Action() const;
  void SetAction(TBasicAction* action);
  TControlActionLink* ActionLink() const { return actionLink_.get(); }
  // Asks the linked action to update.
  virtual void InitiateAction();
  // Whether a value is the control's own, not the action's (descriptions keep only those).
  bool IsCaptionStored() const;
  bool IsEnabledStored() const;
  bool IsHintStored() const;
  bool IsVisibleStored() const;
  bool IsHelpContextStored() const;
  bool IsOnClickStored() const;

 protected:
  // Takes the action's values; with checkDefaults only where the control still has its
  // defaults (an action linked while a description is read leaves the description's).
  virtual void ActionChange(TObject* sender, bool checkDefaults);
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y);
  virtual void MouseMove(TShiftState shift, Integer x, Integer y);
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void Resize();
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;
  // After the bounds changed (window or not).
  virtual void BoundsChanged();
  // Records the distances to the parent's edges that Anchors keep, against the parent's
  // present client size.
  void UpdateAnchorRules();
  // After a size or position was set from outside the parent's alignment: the bounds
  // become the explicit ones, the anchors measure from them and the parent realigns.
  void BoundsSetFromOutside();
  // Repaints the control's area on its parent (graphic controls).
  void InvalidateControl(bool isVisible, bool isOpaque);

  // Handlers of the messages every control knows.
  void CMVisibleChanged(TMessage& m);
  void CMEnabledChanged(TMessage& m);
  void CMColorChanged(TMessage& m);
  void CMFontChanged(TMessage& m);
  void CMParentFontChanged(TMessage& m);
  void CMParentColorChanged(TMessage& m);
  void CMTextChanged(TMessage& m);
  void CMMouseEnter(TMessage& m);
  void CMMouseLeave(TMessage& m);
  void CMParentShowHintChanged(TMessage& m);
  void MouseMessage(TMessage& m);
  // WM_CONTEXTMENU: shows the PopupMenu (Result 1) or passes the request on.
  void WMContextMenu(TMessage& m);
  // The control's value changed (an edit's text ...): CM_CHANGED (LParam = the control) to
  // it, and from it up through its parents.
  void Changed();
  // CM_PARENTBIDIMODECHANGED: the parent's reading order changed.
  void CMParentBiDiModeChanged(TMessage& m);

  TWinControl* parent_ = nullptr;
  Integer left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  String text_;

 private:
  friend class TWinControl;
  void FontChanged(TObject*);

  bool visible_ = true;
  bool enabled_ = true;
  bool parentFont_ = true;
  bool parentColor_ = false;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  bool changingParentFont_ = false;
  TColor color_ = clWindow;
  Integer cursor_ = 0;
  Integer helpContext_ = 0;
  std::unique_ptr<TFont> font_;
  String hint_;
  TControlState controlState_;
  TControlStyle controlStyle_{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  // layout
  friend class TMargins;
  friend class TSizeConstraints;
  void MarginsChanged(TObject*);
  void ConstraintsChanged(TObject*);
  TAlign align_ = alNone;
  TAnchors anchors_{akLeft, akTop};
  bool alignWithMargins_ = false;
  bool scaling_ = false;  // ChangeScale is moving the control: the anchors scale instead
  std::unique_ptr<TMargins> margins_;
  std::unique_ptr<TSizeConstraints> constraints_;
  TRect explicitBounds_;
  TPoint anchorRules_;         // per axis: width, left or centre, by the anchors
  TPoint originalParentSize_;  // the parent's client size they were measured at; 0: none
  TBiDiMode biDiMode_ = bdLeftToRight;
  bool parentBiDiMode_ = true;
  TPopupMenu* popupMenu_ = nullptr;
  // actions
  friend class TControlActionLink;
  void DoActionChange(TObject* sender);
  std::unique_ptr<TControlActionLink> actionLink_;
  TWndMethod windowProc_;
  TNotifyEvent onClick_, onDblClick_, onMouseEnter_, onMouseLeave_, onResize_;
  TMouseEvent onMouseDown_, onMouseUp_;
  TMouseMoveEvent onMouseMove_;
};

// A control's link to its action: the control's values that still equal the action's
// follow it.
class TControlActionLink : public TActionLink {
 public:
  explicit TControlActionLink(TControl* client) : TActionLink(client), control_(client) {}
  TControl* Control() const { return control_; }
  bool IsCaptionLinked() const override;
  bool IsEnabledLinked() const override;
  bool IsHelpContextLinked() const override;
  bool IsHintLinked() const override;
  bool IsVisibleLinked() const override;
  bool IsOnExecuteLinked() const override;

 protected:
  TCustomAction* CustomAction() const;

 private:
  TControl* control_;
};

class TWinControl : public TControl {
  TW_CLASS(TWinControl, TControl)
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;
  void BeforeDestruction() override;

  // ---- the window ----
  // Makes the window (and its parents') when there is none yet.
  HWND Handle();
  HWND WindowHandle() const { return handle_; }
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded() { Handle(); }
  // A window that is not a control to make this control's window a child of.
  HWND ParentWindow() const { return parentWindow_; }
  void SetParentWindow(HWND wnd);
  // Destroys the window and makes it again (for style changes).
  void RecreateWnd();
  // Visible on screen: visible and all parents showing (the window exists).
  bool Showing() const { return showing_; }

  // ---- children: graphic controls first, then windowed ones, each in insertion order ----
  Integer ControlCount() const { return static_cast<Integer>(controls_.size() + winControls_.size()); }
  TControl* Controls(Integer index) const;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  bool ContainsControl(const TControl* control) const;
  // The topmost visible (and enabled, unless allowDisabled) child at a client point.
  TControl* ControlAtPos(TPoint p, bool allowDisabled, bool allowWinControls = false) const;
  // Sends the message to every child until one answers (Result != 0).
  void Broadcast(TMessage& message);
  void NotifyControls(Cardinal msg);

  // ---- focus and tab order ----
  Integer TabOrder() const;
  void SetTabOrder(Integer order);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool v);
  bool Focused() const;
  virtual bool CanFocus() const;
  virtual void SetFocus();
  // The next control in tab order after current (forward or back), among this control's
  // descendants; nullptr when none.
  TWinControl* FindNextControl(TWinControl* current, bool forward, bool checkTabStop, bool checkParent) const;
  void GetTabOrderList(std::vector<TWinControl*>& list) const;

  // ---- appearance ----
  TBrush* Brush() const { return brush_.get(); }
  bool DoubleBuffered() const { return doubleBuffered_; }
  void SetDoubleBuffered(bool v) { doubleBuffered_ = v; }
  String Text() const override;
  void SetBounds(Integer left, Integer top, Integer width, Integer height) override;
  TRect ClientRect() const override;
  TPoint ClientOrigin() override;
  void SetClientSize(TSize size) override;
  void Invalidate() override;
  void Update() override;
  void Repaint() override;
  void ChangeScale(Integer m, Integer d) override;
  // Paints this control and its children into dc at (x, y) (WM_PRINT).
  void PaintTo(HDC dc, Integer x, Integer y);

  // ---- layout of the children (Align.win.cpp) ----
  // Kept free inside the client area when the children are aligned.
  TPadding* Padding() const { return padding_.get(); }
  void SetPadding(const TPadding* value) { padding_->Assign(value); }
  // A frame this wide in the control's colour around the client area (outside it).
  Integer BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(Integer value);
  // ---- bevels (Align.win.cpp) ----
  // With a BevelKind other than bkNone the window has a 3-D frame outside its client area
  // (and outside the system's own border): on the BevelEdges, an outer and an inner edge cut
  // as BevelOuter and BevelInner say, each BevelWidth wide. Other controls (a panel) use the
  // same values for what they paint themselves.
  TBevelEdges BevelEdges() const { return bevelEdges_; }
  void SetBevelEdges(TBevelEdges value);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut value);
  TBevelKind BevelKind() const { return bevelKind_; }
  void SetBevelKind(TBevelKind value);
  Integer BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(Integer value);
  // The pixels of each edge the bevel takes (0 without a bevel).
  TRect BevelSize() const;
  // Three-dimensional look (on by default): off, borders and bevels are drawn flat.
  // CM_CTL3DCHANGED follows a change, and the window is made again (its border is chosen
  // when it is made).
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool value);
  // The parent's background shows through: the control erases with its parent's painting
  // instead of its colour (csParentBackground in ControlStyle).
  bool ParentBackground() const { return ControlStyle().Contains(csParentBackground); }
  void SetParentBackground(bool value);
  // Moves the children by (dx, dy) and the window's content with them (a scrolling parent).
  void ScrollBy(Integer dx, Integer dy);
  // While the align level is above 0 nothing is aligned; the EnableAlign that brings it back
  // to 0 aligns once if anything asked meanwhile. csAligning is in ControlState while the
  // children are being placed; the bounds they get then are not explicit ones.
  void DisableAlign() { ++alignLevel_; }
  void EnableAlign();
  bool AlignDisabled() const { return alignLevel_ > 0; }
  // Places the aligned and anchored children again (control: the one that asked first).
  void AlignControl(TControl* control);
  void Realign() { AlignControl(nullptr); }
  TAlignInsertBeforeEvent OnAlignInsertBefore() const { return onAlignInsertBefore_; }
  void SetOnAlignInsertBefore(TAlignInsertBeforeEvent e) { onAlignInsertBefore_ = e; }
  TAlignPositionEvent OnAlignPosition() const { return onAlignPosition_; }
  void SetOnAlignPosition(TAlignPositionEvent e) { onAlignPosition_ = e; }
  // The child controls that root owns (the form writer).
  void GetChildren(std::vector<TComponent*>& children, TComponent* root) const override;

  TNotifyEvent OnEnter() const { return onEnter_; }
  void SetOnEnter(TNotifyEvent e) { onEnter_ = e; }
  TNotifyEvent OnExit() const { return onExit_; }
  void SetOnExit(TNotifyEvent e) { onExit_ = e; }

  void WndProc(TMessage& message) override;
  void Dispatch(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  // Updates Showing from Visible and the parents, making or showing windows as needed.
  void UpdateShowing();
  void UpdateControlState();

 protected:
  virtual void CreateParams(TCreateParams& params);
  // The system's border of a control whose border style is single (single: true): the sunken
  // client edge, or a flat line without Ctl3D.
  void AddSystemBorder(TCreateParams& params, bool single) const;
  // Makes the window a superclass of a system class ("BUTTON", "EDIT" ...).
  void CreateSubClass(TCreateParams& params, const char16_t* sysClassName);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& params);
  // Destroys the window itself (DestroyWnd's last step); an MDI child asks its client.
  virtual void DestroyWindowHandle();
  virtual void DestroyWnd();
  void CreateHandle();
  void DestroyHandle();
  // Called when the window exists (after CreateWnd) and before it goes.
  virtual void HandleCreated() {}
  // Paints the control itself into dc (the default lets the window's class paint).
  virtual void PaintWindow(HDC dc);
  void PaintHandler(HDC dc);
  void PaintControls(HDC dc, TControl* first);
  virtual void DoEnter();
  virtual void DoExit();
  // CN_KEYDOWN: hands Tab, Enter and Escape to the form unless the control wants them.
  virtual void KeyDownHandler(TMessage& m);
  void Loaded() override;

  // ---- layout of the children (Align.win.cpp) ----
  // Places the children in rect (the client area).
  virtual void AlignControls(TControl* control, TRect& rect);
  // The part of the client area the children are aligned in: less the Padding.
  virtual void AdjustClientRect(TRect& rect);
  // A child's bounds were set from outside the alignment (a scrolling parent measures its
  // range again).
  virtual void ControlBoundsChanged(TControl* /*control*/) {}
  // The order and place of alCustom children: OnAlignInsertBefore and OnAlignPosition.
  virtual bool CustomAlignInsertBefore(TControl* c1, TControl* c2);
  virtual void CustomAlignPosition(TControl* control, Integer& newLeft, Integer& newTop, Integer& newWidth,
                                   Integer& newHeight, TRect& alignRect, const TAlignInfo& alignInfo);
  // Realigns when the client size changed.
  void BoundsChanged() override;
  void WMNCCalcSize(TMessage& m);
  void WMNCPaint(TMessage& m);

  void WMPaint(TMessage& m);
  void WMEraseBkgnd(TMessage& m);
  void WMPrintClient(TMessage& m);
  void WMWindowPosChanged(TMessage& m);
  void WMSetFocus(TMessage& m);
  void WMKillFocus(TMessage& m);
  void WMMouseMoveOrLeave(TMessage& m);
  void WMSetCursor(TMessage& m);
  void CMShowingChanged(TMessage& m);
  void CMRecreateWnd(TMessage& m);
  void ReflectToChild(TMessage& m, HWND child);

  // ---- menu keys and notifications ----
  // A shortcut of the popup menus of this control and its parents, or of its form's menus:
  // clicks the item and answers true.
  bool IsMenuKey(TMessage& m);
  // CN_CHAR, CN_SYSCHAR: a character the control does not take itself goes to its form as
  // CM_DIALOGCHAR (accelerators of captions); Result 1 when a control took it.
  void DialogCharHandler(TMessage& m);
  // Passes a notification (CM_SYSFONTCHANGED, CM_WININICHANGE ...) on to every child.
  void NotifyChildren(TMessage& m);

  HWND handle_ = nullptr;

 private:
  friend class TControl;
  friend struct TwWindowProcs;
  void BindHandle(HWND wnd);
  void UnbindHandle();
  void UpdateBounds();
  void SetZOrderOf(TWinControl* child);

  void* defWndProc_ = nullptr;
  HWND parentWindow_ = nullptr;
  std::vector<TControl*> controls_;        // graphic children
  std::vector<TWinControl*> winControls_;  // windowed children
  std::vector<TWinControl*> tabList_;
  std::unique_ptr<TBrush> brush_;
  // layout
  friend class TAlignSuspended;
  void PaddingChanged(TObject*) { Realign(); }
  std::unique_ptr<TPadding> padding_;
  Integer borderWidth_ = 0;
  TBevelEdges bevelEdges_{beLeft, beTop, beRight, beBottom};
  TBevelCut bevelInner_ = bvRaised, bevelOuter_ = bvLowered;
  TBevelKind bevelKind_ = bkNone;
  Integer bevelWidth_ = 1;
  bool ctl3D_ = true;
  // The non-client frame changed: recalculated and redrawn.
  void FrameChanged();
  Integer alignLevel_ = 0;
  TSize alignedSize_{-1, -1};  // the client size the children were last aligned for
  bool alignMoved_ = false;    // an align pass moved children: one repaint at its end
  // True while this control's own align pass places children on its window: they move
  // without repainting and the pass repaints the window once at the end.
  bool BatchesChildMoves() const;
  TAlignInsertBeforeEvent onAlignInsertBefore_;
  TAlignPositionEvent onAlignPosition_;
  bool tabStop_ = false;
  bool showing_ = false;
  bool doubleBuffered_ = false;
  TNotifyEvent onEnter_, onExit_;
};

// DisableAlign for a scope; EnableAlign at its end, which aligns once if anything asked
// meanwhile. A scope left by an exception only lowers the level: what asked is aligned by
// the next pass.
class TAlignSuspended {
 public:
  explicit TAlignSuspended(TWinControl* control) : control_(control), exceptions_(std::uncaught_exceptions()) {
    control_->DisableAlign();
  }
  ~TAlignSuspended() noexcept(false) {
    if (std::uncaught_exceptions() > exceptions_)
      --control_->alignLevel_;
    else
      control_->EnableAlign();
  }
  TAlignSuspended(const TAlignSuspended&) = delete;
  TAlignSuspended& operator=(const TAlignSuspended&) = delete;

 private:
  TWinControl* control_;
  int exceptions_;
};

// A canvas on a control: inside Paint the DC being painted, elsewhere a DC of the control's
// window (or of its parent's, moved and clipped to the control) that is released with
// FreeHandle or when the canvas goes.
class TControlCanvas : public TCanvas {
 public:
  explicit TControlCanvas(TControl* control) : control_(control) {}
  ~TControlCanvas() override;
  TControl* Control() const { return control_; }
  void FreeHandle();
  // Paint code hands in the DC it paints on (borrowed), then nullptr.
  void SetPaintDC(HDC dc);

 protected:
  void CreateHandle() override;

 private:
  TControl* control_;
  HWND window_ = nullptr;
  bool ownsDC_ = false;
};

// The scope of one Paint call: the canvas locked and painting on the borrowed DC, which it
// drops again on every path.
class TPaintDCScope {
 public:
  TPaintDCScope(TControlCanvas& canvas, HDC dc) : canvas_(canvas) {
    canvas_.Lock();
    canvas_.SetPaintDC(dc);
  }
  ~TPaintDCScope() {
    canvas_.SetPaintDC(nullptr);
    canvas_.Unlock();
  }
  TPaintDCScope(const TPaintDCScope&) = delete;
  TPaintDCScope& operator=(const TPaintDCScope&) = delete;

 private:
  TControlCanvas& canvas_;
};

class TGraphicControl : public TControl {
  TW_CLASS(TGraphicControl, TControl)
  explicit TGraphicControl(TComponent* owner);
  ~TGraphicControl() override;
  TCanvas* Canvas() const { return canvas_.get(); }
  void Dispatch(TMessage& message) override;
  // Paints the control into dc (its parent's client coordinates moved to the control's
  // top-left corner) through its own canvas, locked and drawing on dc: what WM_PAINT with a
  // DC does, but by a direct call of Paint, past the WindowProc and whatever hooks it.
  void PaintOn(HDC dc);

 protected:
  virtual void Paint() {}

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

class TCustomControl : public TWinControl {
  TW_CLASS(TCustomControl, TWinControl)
  explicit TCustomControl(TComponent* owner);
  ~TCustomControl() override;
  TCanvas* Canvas() const { return canvas_.get(); }

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC dc) override;

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

// The control of a window of this program; nullptr for any other window.
TWinControl* FindControl(HWND wnd);
// The control whose window is wnd or the nearest ancestor window that is a control.
TWinControl* FindVCLWindow(HWND wnd);
// The form the control lies on (topForm: the outermost one).
TCustomForm* GetParentForm(const TControl* control, bool topForm = true);
// The control that currently has the mouse captured for a graphic control, and the
// control under the mouse as the hover tracking last saw it.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* control);
TControl* MouseControl();
TShiftState KeysToShiftState(Cardinal keys);

#endif
