// Forms, the screen and the application object.
//
// Sections:
//   1. globals and helpers
//   2. TCustomForm: life, properties and window styles
//   3. TCustomForm: showing, focus, closing, modal loop
//   4. TCustomForm: messages
//   5. TCustomForm: menus and MDI
//   6. TScreen
//   7. TApplication
#include <windows.h>

#include <algorithm>

#include "Forms.h"
#include "GdiScopes.h"
#include "Menus.h"
#include "ScopeGuard.h"
#include "Threads.h"

// ---- 1. globals and helpers -----------------------------------------------------------

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

constexpr TIdentMapEntry kModalResults[] = {
    {mrNone, u"mrNone"},   {mrOk, u"mrOk"},           {mrCancel, u"mrCancel"},     {mrAbort, u"mrAbort"},
    {mrRetry, u"mrRetry"}, {mrIgnore, u"mrIgnore"},   {mrYes, u"mrYes"},           {mrNo, u"mrNo"},
    {mrClose, u"mrClose"}, {mrHelp, u"mrHelp"},       {mrTryAgain, u"mrTryAgain"}, {mrContinue, u"mrContinue"},
    {mrAll, u"mrAll"},     {mrNoToAll, u"mrNoToAll"}, {mrYesToAll, u"mrYesToAll"},
};

// The windows of this thread that a modal form or box disables, enabled again at the end.
class TaskWindowsDisabled {
 public:
  explicit TaskWindowsDisabled(HWND except) : except_(except) {
    EnumThreadWindows(GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(this));
    for (HWND w : disabled_) EnableWindow(w, FALSE);
  }
  ~TaskWindowsDisabled() {
    for (HWND w : disabled_)
      if (IsWindow(w)) EnableWindow(w, TRUE);
  }
  TaskWindowsDisabled(const TaskWindowsDisabled&) = delete;
  TaskWindowsDisabled& operator=(const TaskWindowsDisabled&) = delete;

 private:
  static BOOL CALLBACK Collect(HWND w, LPARAM self) {
    auto* me = reinterpret_cast<TaskWindowsDisabled*>(self);
    if (w != me->except_ && IsWindowVisible(w) && IsWindowEnabled(w)) me->disabled_.push_back(w);
    return TRUE;
  }
  HWND except_;
  std::vector<HWND> disabled_;
};

void HandleInEvent(TObject* sender) {
  try {
    throw;
  } catch (const std::exception& e) {
    if (Application) Application->HandleException(sender, &e);
  } catch (...) {
    if (Application) Application->HandleException(sender, nullptr);
  }
}

}  // namespace

const TIdentMap& ModalResultIdents() {
  static const TIdentMap map{kModalResults, sizeof kModalResults / sizeof kModalResults[0]};
  return map;
}

// ---- 2. TCustomForm: life, properties and window styles -------------------------------

TW_DEFINE_CLASS(TCustomForm) {}

TW_DEFINE_CLASS(TForm) {
  // The client size carries the size; a form is hidden until shown.
  b.Property(u"Width", &TForm::Width, &TForm::SetWidth).Stored(false);
  b.Property(u"Height", &TForm::Height, &TForm::SetHeight).Stored(false);
  b.Property(u"Visible", &TForm::Visible, &TForm::SetVisible).Default(false);
  b.Property(u"Caption", &TForm::Caption, &TForm::SetCaption);
  b.Property(u"ClientWidth", &TForm::ClientWidth, &TForm::SetClientWidth);
  b.Property(u"ClientHeight", &TForm::ClientHeight, &TForm::SetClientHeight);
  b.Color(u"Color", &TForm::Color, &TForm::SetColor).Default(clBtnFace);
  b.Property(u"Font", &TForm::Font, &TForm::SetFont);
  b.Property(u"BorderStyle", &TForm::BorderStyle, &TForm::SetBorderStyle).Default(bsSizeable);
  b.Property(u"BorderIcons", &TForm::BorderIcons, &TForm::SetBorderIcons)
      .Default(TBorderIcons{biSystemMenu, biMinimize, biMaximize});
  b.Property(u"BorderWidth", &TForm::BorderWidth, &TForm::SetBorderWidth).Default(0);
  b.Property(u"Padding", &TForm::Padding, &TForm::SetPadding);
  b.Property(u"Position", &TForm::Position, &TForm::SetPosition).Default(poDefaultPosOnly);
  b.Property(u"WindowState", &TForm::WindowState, &TForm::SetWindowState).Default(wsNormal);
  b.Property(u"FormStyle", &TForm::FormStyle, &TForm::SetFormStyle).Default(fsNormal);
  b.Property(u"AlphaBlend", &TForm::AlphaBlend, &TForm::SetAlphaBlend).Default(false);
  b.Property(u"AlphaBlendValue", &TForm::AlphaBlendValue, &TForm::SetAlphaBlendValue).Default(255);
  b.Property(u"PixelsPerInch", &TForm::PixelsPerInch, &TForm::SetPixelsPerInch);
  b.Property(u"Scaled", &TForm::Scaled, &TForm::SetScaled).Default(true);
  b.Property(u"TextHeight", &TForm::TextHeight, &TForm::SetTextHeight);
  b.Property(u"OnCreate", &TForm::OnCreate, &TForm::SetOnCreate);
  b.Property(u"OnDestroy", &TForm::OnDestroy, &TForm::SetOnDestroy);
  b.Property(u"OnShow", &TForm::OnShow, &TForm::SetOnShow);
  b.Property(u"OnHide", &TForm::OnHide, &TForm::SetOnHide);
  b.Property(u"OnClose", &TForm::OnClose, &TForm::SetOnClose);
  b.Property(u"OnCloseQuery", &TForm::OnCloseQuery, &TForm::SetOnCloseQuery);
  b.Property(u"OnActivate", &TForm::OnActivate, &TForm::SetOnActivate);
  b.Property(u"OnDeactivate", &TForm::OnDeactivate, &TForm::SetOnDeactivate);
  b.Property(u"OnPaint", &TForm::OnPaint, &TForm::SetOnPaint);
  b.Property(u"OnResize", &TForm::OnResize, &TForm::SetOnResize);
  b.Property(u"OnClick", &TForm::OnClick, &TForm::SetOnClick);
  b.Property(u"OnMouseDown", &TForm::OnMouseDown, &TForm::SetOnMouseDown);
  b.Property(u"OnMouseUp", &TForm::OnMouseUp, &TForm::SetOnMouseUp);
  b.Property(u"OnMouseMove", &TForm::OnMouseMove, &TForm::SetOnMouseMove);
  b.Property(u"Menu", &TForm::Menu, &TForm::SetMenu);
  b.Property(u"WindowMenu", &TForm::WindowMenu, &TForm::SetWindowMenu);
  b.Property(u"TileMode", &TForm::TileMode, &TForm::SetTileMode).Default(tbHorizontal);
  b.Property(u"OnBeforeMonitorDpiChanged", &TForm::OnBeforeMonitorDpiChanged, &TForm::SetOnBeforeMonitorDpiChanged);
  b.Property(u"OnAfterMonitorDpiChanged", &TForm::OnAfterMonitorDpiChanged, &TForm::SetOnAfterMonitorDpiChanged);
  b.Property(u"OnAlignInsertBefore", &TForm::OnAlignInsertBefore, &TForm::SetOnAlignInsertBefore);
  b.Property(u"OnAlignPosition", &TForm::OnAlignPosition, &TForm::SetOnAlignPosition);
}

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>(this)) {
  creatingMainForm_ = Application && Application->CreatingMainForm() && owner == Application;
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls, csSetCaption, csDoubleClicks});
  SetControlStyle(ControlStyle() - TControlStyle{csClickEvents});
  SetControlState(ControlState() + TControlState{csCustomPaint});  // OnPaint, also without children
  formState_ += fsCreating;
  SetVisible(false);
  SetColor(clBtnFace);
  SetParentFont(false);
  if (Application) {
    Font()->Assign(Application->DefaultFont());
    SetBiDiMode(Application->BiDiMode());
  }
  SetBounds(0, 0, 320, 240);
  if (Screen) {
    Screen->AddForm(this);
    pixelsPerInch_ = Screen->PixelsPerInch();
  }
}

TCustomForm::~TCustomForm() {
  if (menu_) menu_->RemoveFreeNotification(this);
  if (windowMenu_) windowMenu_->RemoveFreeNotification(this);
  if (Screen) Screen->RemoveForm(this);
  if (Application && Application->mainForm_ == this) Application->mainForm_ = nullptr;
  if (HandleAllocated()) DestroyHandle();
  canvas_.reset();
}

void TCustomForm::AfterConstruction() {
  TWinControl::AfterConstruction();
  ReadDescription();
  created_ = true;
  try {
    DoCreate();
  } catch (...) { HandleInEvent(this); }
  formState_ -= fsCreating;
  // An MDI child shows itself at once, inside its parent.
  if (IsMDIChild()) SetVisible(true);
  if (Visible()) UpdateControlState();
}

void TCustomForm::BeforeDestruction() {
  if (created_ && !IsDestroying()) {
    try {
      DoDestroy();
    } catch (...) { HandleInEvent(this); }
  }
  if (Screen) Screen->RemoveForm(this);
  if (Application && Application->mainForm_ == this) Application->mainForm_ = nullptr;
  TWinControl::BeforeDestruction();
}

void TCustomForm::Loaded() {
  // Not TWinControl::Loaded: a form shows itself only after OnCreate (AfterConstruction).
  TControl::Loaded();
  // Sized and scaled first, then aligned once.
  TAlignSuspended suspended(this);
  if (pendingClientSize_.cx >= 0 || pendingClientSize_.cy >= 0) {
    TSize size = pendingClientSize_;
    pendingClientSize_ = {-1, -1};
    TRect c = ClientRect();
    if (size.cx < 0) size.cx = c.Width();
    if (size.cy < 0) size.cy = c.Height();
    SetClientSize(size);
  }
  // A description made at another density is scaled to the screen's.
  Integer screenPPI = Screen ? Screen->PixelsPerInch() : 96;
  if (scaled_ && pixelsPerInch_ > 0 && pixelsPerInch_ != screenPPI) {
    Integer from = pixelsPerInch_;
    TRect c = ClientRect();
    for (Integer i = 0; i < ControlCount(); ++i) Controls(i)->ChangeScale(screenPPI, from);
    Font()->SetHeight(MulDiv(Font()->Height(), screenPPI, from));
    SetClientSize(TSize(MulDiv(c.Width(), screenPPI, from), MulDiv(c.Height(), screenPPI, from)));
    pixelsPerInch_ = screenPPI;
  }
  SetControlState(ControlState() + TControlState{csAlignmentNeeded});
}

void TCustomForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == borderStyle_) return;
  borderStyle_ = style;
  RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons icons) {
  if (icons == borderIcons_) return;
  borderIcons_ = icons;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle style) {
  if (style == formStyle_) return;
  const bool mdi = formStyle_ == fsMDIChild || formStyle_ == fsMDIForm || style == fsMDIChild || style == fsMDIForm;
  formStyle_ = style;
  if (mdi) {
    // Another kind of window (an MDI frame with its client, a child inside a client).
    RecreateWnd();
    return;
  }
  if (HandleAllocated())
    SetWindowPos(WindowHandle(), style == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TWindowState TCustomForm::WindowState() const {
  if (HWND h = WindowHandle(); h && Showing()) {
    if (IsIconic(h)) return wsMinimized;
    if (IsZoomed(h)) return wsMaximized;
    return wsNormal;
  }
  return windowState_;
}

void TCustomForm::SetWindowState(TWindowState state) {
  windowState_ = state;
  if (HWND h = WindowHandle(); h && Showing())
    ShowWindow(h, state == wsMinimized ? SW_MINIMIZE : state == wsMaximized ? SW_SHOWMAXIMIZED : SW_RESTORE);
}

void TCustomForm::SetAlphaBlend(bool v) {
  if (v == alphaBlend_) return;
  alphaBlend_ = v;
  ApplyAlphaBlend();
}

void TCustomForm::SetAlphaBlendValue(Byte v) {
  if (v == alphaBlendValue_) return;
  alphaBlendValue_ = v;
  ApplyAlphaBlend();
}

void TCustomForm::ApplyAlphaBlend() {
  HWND h = WindowHandle();
  if (!h) return;
  LONG ex = GetWindowLongW(h, GWL_EXSTYLE);
  if (alphaBlend_) {
    SetWindowLongW(h, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    SetLayeredWindowAttributes(h, 0, alphaBlendValue_, LWA_ALPHA);
  } else if (ex & WS_EX_LAYERED) {
    SetWindowLongW(h, GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
    RedrawWindow(h, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
  }
}

namespace {

// The window styles of a top-level form.
void FormStyles(TFormBorderStyle border, TBorderIcons icons, Cardinal& style, Cardinal& ex) {
  switch (border) {
    case bsNone: style |= WS_POPUP; break;
    case bsSingle:
    case bsToolWindow: style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable:
    case bsSizeToolWin: style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
      style |= WS_POPUP | WS_CAPTION;
      ex |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
  }
  if (border == bsToolWindow || border == bsSizeToolWin) ex |= WS_EX_TOOLWINDOW;
  if (border != bsNone && icons.Contains(biSystemMenu)) {
    style |= WS_SYSMENU;
    if (border != bsDialog && border != bsToolWindow && border != bsSizeToolWin) {
      if (icons.Contains(biMinimize)) style |= WS_MINIMIZEBOX;
      if (icons.Contains(biMaximize)) style |= WS_MAXIMIZEBOX;
    }
    if (border == bsDialog && icons.Contains(biHelp)) ex |= WS_EX_CONTEXTHELP;
  }
}

}  // namespace

void TCustomForm::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  if (Parent() || ParentWindow()) return;  // a form placed inside another control stays a child
  if (IsMDIChild()) {
    TCustomForm* frame = MDIParent();
    if (!frame) throw EInvalidOperation("Cannot create form. No MDI forms are currently active");
    frame->HandleNeeded();
    // The MDI client gives its children the standard child frame.
    p.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
              WS_MAXIMIZEBOX;
    p.ExStyle = WS_EX_MDICHILD;
    if (position_ == poDefault || position_ == poDefaultPosOnly) p.X = p.Y = CW_USEDEFAULT;
    if (position_ == poDefault || position_ == poDefaultSizeOnly) p.Width = p.Height = CW_USEDEFAULT;
    p.WndParent = frame->ClientHandle();
    return;
  }
  p.Style &= ~(WS_CHILD | WS_GROUP | WS_TABSTOP);
  FormStyles(borderStyle_, borderIcons_, p.Style, p.ExStyle);
  if (position_ == poDefault || position_ == poDefaultPosOnly) p.X = p.Y = CW_USEDEFAULT;
  if (position_ == poDefault || position_ == poDefaultSizeOnly) p.Width = p.Height = CW_USEDEFAULT;
  if (formStyle_ == fsStayOnTop) p.ExStyle |= WS_EX_TOPMOST;
  if (alphaBlend_) p.ExStyle |= WS_EX_LAYERED;
  // Window ownership: with MainFormOnTaskbar the main form owns the taskbar button and the
  // other forms; otherwise the hidden application window owns them all.
  p.WndParent = nullptr;
  if (Application) {
    bool isMain = Application->MainForm() == this || creatingMainForm_;
    if (Application->MainFormOnTaskbar()) {
      if (isMain)
        p.ExStyle |= WS_EX_APPWINDOW;
      else if (Application->MainForm() && Application->MainForm()->HandleAllocated())
        p.WndParent = Application->MainForm()->WindowHandle();
      else
        p.WndParent = Application->Handle();
    } else {
      p.WndParent = Application->Handle();
    }
  }
}

void TCustomForm::HandleCreated() {
  TWinControl::HandleCreated();
  if (alphaBlend_) SetLayeredWindowAttributes(WindowHandle(), 0, alphaBlendValue_, LWA_ALPHA);
  if (formStyle_ == fsMDIForm && !clientHandle_ && !(GetWindowLongW(WindowHandle(), GWL_STYLE) & WS_CHILD)) {
    CLIENTCREATESTRUCT ccs{};
    ccs.hWindowMenu = windowMenu_ ? windowMenu_->Handle() : nullptr;
    ccs.idFirstChild = 0xFF00;  // the commands of the window menu's child entries
    RECT r;
    GetClientRect(WindowHandle(), &r);
    clientHandle_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
                                    WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VSCROLL | WS_HSCROLL,
                                    0, 0, r.right, r.bottom, WindowHandle(), nullptr, GetModuleHandleW(nullptr), &ccs);
    if (!clientHandle_) throw EOSError(u"Cannot create the MDI client window of " + Name());
    if (ControlCount() > 0) Realign();  // beside the frame's aligned controls
  }
  UpdateMenu();
}

TRect TCustomForm::ClientRect() const {
  if (pendingClientSize_.cx >= 0 && pendingClientSize_.cy >= 0)
    return {0, 0, pendingClientSize_.cx, pendingClientSize_.cy};
  if (HandleAllocated() || Parent()) return TWinControl::ClientRect();
  // No window yet: the frame comes from the border style (and BorderWidth).
  Cardinal style = 0, ex = 0;
  FormStyles(borderStyle_, borderIcons_, style, ex);
  RECT r{0, 0, 0, 0};
  // A menu bar takes a line of the window (one line: the usual case).
  const bool bar = menu_ && menu_->Items()->Count() > 0 && !IsMDIChild();
  AdjustWindowRectEx(&r, style, bar ? TRUE : FALSE, ex);
  const Integer border = 2 * BorderWidth();
  return {0, 0, std::max(0, static_cast<Integer>(Width() - (r.right - r.left) - border)),
          std::max(0, static_cast<Integer>(Height() - (r.bottom - r.top) - border))};
}

void TCustomForm::SetClientSize(TSize size) {
  if (IsLoading()) {
    // Applied in Loaded, when the border style is known.
    TRect c = ClientRect();
    pendingClientSize_ = {size.cx >= 0 ? size.cx : c.Width(), size.cy >= 0 ? size.cy : c.Height()};
    return;
  }
  TWinControl::SetClientSize(size);
}

TMonitor* TCustomForm::Monitor() { return Screen ? Screen->MonitorFromWindow(Handle()) : nullptr; }

void TCustomForm::PaintWindow(HDC dc) {
  TPaintDCScope scope(*canvas_, dc);
  Paint();
}

// ---- 3. TCustomForm: showing, focus, closing, modal loop ------------------------------

void TCustomForm::PlaceOnFirstShow() {
  if (placed_) return;
  placed_ = true;
  if (!Screen) return;
  auto centerIn = [&](const TRect& area) {
    SetBounds(area.Left + (area.Width() - Width()) / 2, area.Top + (area.Height() - Height()) / 2, Width(), Height());
  };
  TCustomForm* main = Application ? Application->MainForm() : nullptr;
  switch (position_) {
    case poScreenCenter: {
      TMonitor* m = (main && main != this && main->HandleAllocated()) ? Screen->MonitorFromWindow(main->WindowHandle())
                                                                      : Screen->PrimaryMonitor();
      centerIn(m ? m->WorkareaRect() : Screen->WorkAreaRect());
      break;
    }
    case poDesktopCenter: centerIn(Screen->DesktopRect()); break;
    case poMainFormCenter:
      if (main && main != this && main->HandleAllocated())
        centerIn(main->BoundsRect());
      else
        centerIn(Screen->WorkAreaRect());
      break;
    case poOwnerFormCenter:
      if (auto* o = dynamic_cast<TCustomForm*>(Owner()); o && o->HandleAllocated())
        centerIn(o->BoundsRect());
      else
        centerIn(Screen->WorkAreaRect());
      break;
    default: break;
  }
}

void TCustomForm::CMShowingChanged(TMessage&) {
  HWND h = WindowHandle();
  if (!Showing()) MergeMenu(false);
  formState_ += fsShowing;
  TScopeExit shown([this] { formState_ -= fsShowing; });
  if (Showing()) {
    formState_ += fsVisible;
    try {
      DoShow();
    } catch (...) { HandleInEvent(this); }
    PlaceOnFirstShow();
    int cmd = windowState_ == wsMaximized   ? SW_SHOWMAXIMIZED
              : windowState_ == wsMinimized ? SW_SHOWMINIMIZED
                                            : SW_SHOWNORMAL;
    ShowWindow(h, cmd);
  } else {
    formState_ -= fsVisible;
    ShowWindow(h, SW_HIDE);
    try {
      DoHide();
    } catch (...) { HandleInEvent(this); }
  }
}

bool TCustomForm::Active() const { return WindowHandle() && GetActiveWindow() == WindowHandle(); }

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control == activeControl_) return;
  if (control && (!ContainsControl(control) || control == this))
    throw EInvalidOperation("Invalid control for ActiveControl");
  activeControl_ = control;
  if (control && !IsLoading() && Active() && control->CanFocus()) ::SetFocus(control->Handle());
}

void TCustomForm::FocusControl(TWinControl* control) {
  if (!control->CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  activeControl_ = control;
  if (HandleAllocated() && Showing()) ::SetFocus(control->Handle());
}

void TCustomForm::SetFocusedControl(TWinControl* control) {
  if (control == focused_) {
    activeControl_ = control == this ? activeControl_ : control;
    return;
  }
  TWinControl* old = focused_;
  focused_ = control;
  if (control != this) activeControl_ = control;
  if (old && old != this) {
    old->Perform(CM_CANCELMODE, 0, reinterpret_cast<TLParam>(control));
    old->Perform(CM_EXIT, 0, 0);
  }
  if (control && control != this && focused_ == control) control->Perform(CM_ENTER, 0, 0);
  Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<TLParam>(control));
}

void TCustomForm::RemoveFocusOf(TWinControl* control) {
  if (!control) return;
  if (activeControl_ && control->ContainsControl(activeControl_)) activeControl_ = nullptr;
  if (focused_ && control->ContainsControl(focused_)) focused_ = nullptr;
}

void TCustomForm::SelectNext(TWinControl* current, bool forward, bool checkTabStop) {
  if (TWinControl* next = FindNextControl(current, forward, checkTabStop, false)) next->SetFocus();
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  onCloseQuery_.Call(this, canClose);
  return canClose;
}

void TCustomForm::Close() {
  if (modal_) {
    modalResult_ = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  // An MDI child minimizes by default (closes for good when OnClose says caFree).
  TCloseAction action = IsMDIChild() ? (borderIcons_.Contains(biMinimize) ? caMinimize : caNone) : caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this) {
    Application->Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  if (action == caNone) modalResult_ = mrNone;
  if (action == caFree) Release();
}

void TCustomForm::Release() {
  if (HandleAllocated())
    PostMessageW(WindowHandle(), CM_RELEASE, 0, 0);
  else
    Free();
}

TModalResult TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || modal_) throw EInvalidOperation("Cannot make a visible window modal");
  if (GetCapture()) SendMessageW(GetCapture(), WM_CANCELMODE, 0, 0);
  ReleaseCapture();
  HWND previous = GetActiveWindow();
  modal_ = true;
  formState_ += fsModal;
  modalResult_ = mrNone;
  if (Application) Application->ModalStarted();
  TScopeExit finish([this] {
    modal_ = false;
    formState_ -= fsModal;
    if (Application) Application->ModalFinished();
  });
  {
    TaskWindowsDisabled disabled(Handle());
    Show();
    ::SetActiveWindow(WindowHandle());
    while (modalResult_ == mrNone) {
      if (!Application) break;
      Application->HandleMessage();
      if (Application->Terminated()) {
        modalResult_ = mrCancel;
      } else if (modalResult_ != mrNone) {
        CloseModal();
      }
    }
    // The other windows come back before this one hides, so the activation goes to them.
  }
  if (previous && IsWindow(previous)) ::SetActiveWindow(previous);
  Hide();
  return modalResult_;
}

// ---- 4. TCustomForm: messages ---------------------------------------------------------

void TCustomForm::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_SHOWINGCHANGED: CMShowingChanged(m); return;
    case CM_VISIBLECHANGED:
      if (!created_) return;  // shown after OnCreate, not while the description is read
      TWinControl::Dispatch(m);
      return;
    case CM_DIALOGKEY: CMDialogKey(m); return;
    case CM_MENUCHANGED: CMMenuChanged(m); return;
    case WM_COMMAND:
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
    case WM_INITMENUPOPUP:
    case WM_MENUCHAR:
      if (MenuMessage(m)) return;
      break;
    case WM_UNINITMENUPOPUP:
      if (OnMenuPopupClosed) OnMenuPopupClosed(reinterpret_cast<HMENU>(m.WParam));
      break;
    case WM_MDIACTIVATE: WMMDIActivate(m); return;
    case CM_RELEASE: Free(); return;
    case WM_CLOSE:
      Close();
      m.Result = 0;
      return;
    case WM_ACTIVATE: WMActivate(m); return;
    case WM_DPICHANGED: WMDpiChanged(m); return;
    case WM_GETMINMAXINFO: WMGetMinMaxInfo(m); return;
    case CM_ACTIONUPDATE:
    case CM_ACTIONEXECUTE: CMActionDispatch(m); return;
    case WM_HELP: WMHelp(m); return;
    case CM_PARENTBIDIMODECHANGED:
      // A form of its own follows the application's reading order.
      if (!Parent() && Application) {
        SetBiDiMode(Application->BiDiMode());
        return;
      }
      break;
    case WM_SETFOCUS:
      // An MDI child that gets the focus becomes the active child first.
      if (IsMDIChild()) DefaultHandler(m);
      // The form's own window got the focus: pass it to the active control.
      if (activeControl_ && activeControl_ != this && activeControl_->CanFocus()) {
        ::SetFocus(activeControl_->Handle());
        return;
      }
      break;
  }
  TWinControl::Dispatch(m);
}

void TCustomForm::CMDialogKey(TMessage& m) {
  if (m.WParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0) {
    SelectNext(activeControl_, GetKeyState(VK_SHIFT) >= 0, true);
    m.Result = 1;
    return;
  }
  Broadcast(m);  // Enter and Escape: the default and the cancel button
}

void TCustomForm::WMActivate(TMessage& m) {
  if (LOWORD(m.WParam) != WA_INACTIVE) {
    if (Screen) Screen->activeForm_ = this;
    try {
      onActivate_.Call(this);
    } catch (...) { HandleInEvent(this); }
    if (!IsIconic(WindowHandle())) {
      TWinControl* target = activeControl_;
      if (!target || !target->CanFocus()) target = FindNextControl(nullptr, true, true, false);
      if (target) {
        ::SetFocus(target->Handle());
        target->Perform(CM_UIACTIVATE, 0, 0);
        MergeMenu(true);
        m.Result = 0;
        return;
      }
    }
    MergeMenu(true);
  } else {
    try {
      onDeactivate_.Call(this);
    } catch (...) { HandleInEvent(this); }
  }
  DefaultHandler(m);
}

void TCustomForm::WMDpiChanged(TMessage& m) {
  const Integer newPPI = HIWORD(m.WParam), oldPPI = pixelsPerInch_;
  const bool scale = scaled_ && newPPI > 0 && newPPI != oldPPI;
  if (scale) DoBeforeMonitorDpiChanged(oldPPI, newPPI);
  {
    // The controls are scaled and the window takes its new size first; they are aligned once.
    TAlignSuspended suspended(this);
    if (scale) {
      for (Integer i = 0; i < ControlCount(); ++i) Controls(i)->ChangeScale(newPPI, oldPPI);
      Font()->SetHeight(MulDiv(Font()->Height(), newPPI, oldPPI));
      Padding()->SetBounds(MulDiv(Padding()->Left(), newPPI, oldPPI), MulDiv(Padding()->Top(), newPPI, oldPPI),
                           MulDiv(Padding()->Right(), newPPI, oldPPI), MulDiv(Padding()->Bottom(), newPPI, oldPPI));
      // The limits of the window's size are lengths as well (applied to the new size below).
      TSizeConstraints* c = Constraints();
      c->SetMinWidth(MulDiv(c->MinWidth(), newPPI, oldPPI));
      c->SetMinHeight(MulDiv(c->MinHeight(), newPPI, oldPPI));
      c->SetMaxWidth(MulDiv(c->MaxWidth(), newPPI, oldPPI));
      c->SetMaxHeight(MulDiv(c->MaxHeight(), newPPI, oldPPI));
      pixelsPerInch_ = newPPI;
    }
    if (auto* r = reinterpret_cast<const RECT*>(m.LParam))
      SetWindowPos(WindowHandle(), nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    if (scale) SetControlState(ControlState() + TControlState{csAlignmentNeeded});
  }
  if (scale) DoAfterMonitorDpiChanged(oldPPI, newPPI);
  m.Result = 0;
}

// ---- 5. TCustomForm: menus and MDI ----------------------------------------------------

void TCustomForm::DefaultHandler(TMessage& m) {
  HWND h = WindowHandle();
  if (h && !IsLibraryMessage(m.Msg)) {
    // An MDI frame and an MDI child have their own default procedures.
    // With controls of its own the frame places its client by the align layout: the frame
    // procedure would stretch it over them on every resize.
    const bool frame = formStyle_ == fsMDIForm && clientHandle_ && !(m.Msg == WM_SIZE && ControlCount() > 0);
    const bool child = IsMDIChild() && (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_MDICHILD);
    if (frame || child) {
      if (m.Msg == WM_SETTEXT) text_ = m.LParam ? String(reinterpret_cast<const Char*>(m.LParam)) : String();
      m.Result = frame ? DefFrameProcW(h, clientHandle_, m.Msg, m.WParam, m.LParam)
                       : DefMDIChildProcW(h, m.Msg, m.WParam, m.LParam);
      return;
    }
  }
  TWinControl::DefaultHandler(m);
}

void TCustomForm::CreateWindowHandle(const TCreateParams& p) {
  if (!IsMDIChild() || !p.WndParent) {
    TWinControl::CreateWindowHandle(p);
    return;
  }
  // An MDI child is made by its client, which keeps its list of children and the window menu.
  MDICREATESTRUCTW mcs{};
  mcs.szClass = WideStr(p.WinClassName);
  mcs.szTitle = WideStr(p.Caption);
  mcs.hOwner = GetModuleHandleW(nullptr);
  mcs.x = p.X;
  mcs.y = p.Y;
  mcs.cx = p.Width;
  mcs.cy = p.Height;
  mcs.style = p.Style;
  mcs.lParam = reinterpret_cast<LPARAM>(p.Param);
  if (SendMessageW(p.WndParent, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs))) formState_ += fsCreatedMDIChild;
}

void TCustomForm::DestroyWindowHandle() {
  HWND h = WindowHandle();
  if (h && IsMDIChild() && (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_MDICHILD)) {
    MergeMenu(false);
    SendMessageW(GetParent(h), WM_MDIDESTROY, reinterpret_cast<WPARAM>(h), 0);
    return;
  }
  TWinControl::DestroyWindowHandle();
}

void TCustomForm::DestroyWnd() {
  // The menu bar belongs to the menu: the window must not take it along.
  if (HWND h = WindowHandle(); h && GetMenu(h)) ::SetMenu(h, nullptr);
  if (menu_ && menu_->WindowHandle() == WindowHandle()) menu_->SetWindowHandle(nullptr);
  TWinControl::DestroyWnd();
  clientHandle_ = nullptr;  // went with its frame
}

void TCustomForm::AlignControls(TControl* control, TRect& rect) {
  TWinControl::AlignControls(control, rect);
  if (formStyle_ == fsMDIForm && clientHandle_)
    SetWindowPos(clientHandle_, nullptr, rect.Left, rect.Top, std::max(0, rect.Width()), std::max(0, rect.Height()),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TCustomForm::SetParent(TWinControl* parent) {
  const bool floating = Parent() && !parent;
  TWinControl::SetParent(parent);
  if (floating) Perform(CM_FLOAT, 0, 0);
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == menu_) {
    menu_ = nullptr;
    if (!IsDestroying()) UpdateMenu();
  }
  if (component == windowMenu_) {
    windowMenu_ = nullptr;
    if (!IsDestroying()) UpdateMenu();
  }
}

void TCustomForm::SetMenu(TMainMenu* menu) {
  if (menu == menu_) return;
  if (menu_) {
    MergeMenu(false);
    menu_->RemoveFreeNotification(this);
    if (HandleAllocated() && menu_->WindowHandle() == WindowHandle()) {
      ::SetMenu(WindowHandle(), nullptr);
      menu_->SetWindowHandle(nullptr);
    }
  }
  menu_ = menu;
  if (menu) menu->FreeNotification(this);
  if (IsLoading()) return;
  UpdateMenu();
  // The active MDI child (or active AutoMerge form) shows its new menu in the bar at once.
  TCustomForm* frame = IsMDIChild() ? MDIParent() : nullptr;
  if (frame ? frame->ActiveMDIChild() == this : Active()) MergeMenu(true);
  Perform(CM_MENUCHANGED, 0, 0);
}

void TCustomForm::SetWindowMenu(TMenuItem* item) {
  if (item == windowMenu_) return;
  if (windowMenu_) windowMenu_->RemoveFreeNotification(this);
  windowMenu_ = item;
  if (item) item->FreeNotification(this);
  if (!IsLoading()) UpdateMenu();
}

void TCustomForm::UpdateMenu() {
  HWND h = WindowHandle();
  if (!h || IsMDIChild() || (GetWindowLongW(h, GWL_STYLE) & WS_CHILD)) return;
  // An AutoMerge menu of another form than the main form shows in the main form's bar.
  const bool ownBar = menu_ && !(menu_->AutoMerge() && Application && Application->MainForm() != this);
  HMENU bar = nullptr;
  if (ownBar) {
    menu_->SetWindowHandle(h);
    bar = menu_->Handle();
  }
  if (formStyle_ == fsMDIForm && clientHandle_ && bar) {
    HMENU windowMenu = windowMenu_ ? windowMenu_->Handle() : nullptr;
    SendMessageW(clientHandle_, WM_MDISETMENU, reinterpret_cast<WPARAM>(bar), reinterpret_cast<LPARAM>(windowMenu));
    SendMessageW(clientHandle_, WM_MDIREFRESHMENU, 0, 0);
  } else if (GetMenu(h) != bar) {
    ::SetMenu(h, bar);
  }
  DrawMenuBar(h);
}

void TCustomForm::CMMenuChanged(TMessage&) {
  // The bar was made again: the MDI client puts its entries back into the window menu.
  if (formStyle_ == fsMDIForm && clientHandle_) UpdateMenu();
}

void TCustomForm::MergeMenu(bool merge) {
  if (!menu_) return;
  TCustomForm* host =
      IsMDIChild() ? MDIParent() : (menu_->AutoMerge() && Application ? Application->MainForm() : nullptr);
  if (!host || host == this || !host->menu_) return;
  if (merge)
    host->menu_->Merge(menu_);
  else
    host->menu_->Unmerge(menu_);
}

bool TCustomForm::MenuMessage(TMessage& m) {
  if (!menu_) return false;
  if (m.Msg == WM_COMMAND) {
    // A menu command: no window in LParam, notification code 0.
    if (m.LParam != 0 || HIWORD(m.WParam) != 0) return false;
    if (!menu_->DispatchCommand(LOWORD(m.WParam))) return false;
    m.Result = 0;
    return true;
  }
  return menu_->HandleMenuMessage(m);
}

bool TCustomForm::IsShortCut(Word key) {
  if (menu_ && menu_->IsShortCut(key)) return true;
  if (IsMDIChild())
    if (TCustomForm* frame = MDIParent()) return frame->IsShortCut(key);
  return false;
}

void TCustomForm::WMMDIActivate(TMessage& m) {
  HWND h = WindowHandle();
  // Only the child's own notices: LParam is the child being activated, WParam the one left.
  if (h && reinterpret_cast<HWND>(m.LParam) == h)
    MergeMenu(true);
  else if (h && reinterpret_cast<HWND>(m.WParam) == h)
    MergeMenu(false);
  DefaultHandler(m);
}

TCustomForm* TCustomForm::MDIParent() const {
  if (Application)
    if (TCustomForm* main = Application->MainForm(); main && main != this && main->FormStyle() == fsMDIForm)
      return main;
  if (Screen)
    for (Integer i = 0; i < Screen->FormCount(); ++i)
      if (TCustomForm* f = Screen->Forms(i); f != this && f->FormStyle() == fsMDIForm) return f;
  return nullptr;
}

Integer TCustomForm::MDIChildCount() const {
  Integer n = 0;
  for (Integer i = 0; MDIChildren(i); ++i) ++n;
  return n;
}

TCustomForm* TCustomForm::MDIChildren(Integer index) const {
  if (!clientHandle_ || index < 0) return nullptr;
  for (HWND w = GetWindow(clientHandle_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
    if (auto* f = dynamic_cast<TCustomForm*>(FindControl(w)); f && f->IsMDIChild() && index-- == 0) return f;
  return nullptr;
}

TCustomForm* TCustomForm::ActiveMDIChild() const {
  if (!clientHandle_) return nullptr;
  auto active = reinterpret_cast<HWND>(SendMessageW(clientHandle_, WM_MDIGETACTIVE, 0, 0));
  return dynamic_cast<TCustomForm*>(FindControl(active));
}

void TCustomForm::Tile() {
  if (clientHandle_)
    SendMessageW(clientHandle_, WM_MDITILE, tileMode_ == tbHorizontal ? MDITILE_HORIZONTAL : MDITILE_VERTICAL, 0);
}

void TCustomForm::Cascade() {
  if (clientHandle_) SendMessageW(clientHandle_, WM_MDICASCADE, 0, 0);
}

void TCustomForm::ArrangeIcons() {
  if (clientHandle_) SendMessageW(clientHandle_, WM_MDIICONARRANGE, 0, 0);
}

// ---- 6. TScreen -----------------------------------------------------------------------

TW_DEFINE_CLASS(TScreen) {}

TScreen::TScreen(TComponent* owner) : TComponent(owner) {}

TScreen::~TScreen() {
  for (auto& [index, cursor] : installed_) DestroyCursor(cursor);
}

TCustomForm* TScreen::Forms(Integer index) const {
  if (index < 0 || index >= FormCount()) throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
  return forms_[static_cast<size_t>(index)];
}

void TScreen::AddForm(TCustomForm* f) {
  if (std::find(forms_.begin(), forms_.end(), f) == forms_.end()) forms_.push_back(f);
}

void TScreen::RemoveForm(TCustomForm* f) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), f), forms_.end());
  if (activeForm_ == f) activeForm_ = nullptr;
}

namespace {

using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

GetDpiForMonitorFn DpiForMonitor() {
  static GetDpiForMonitorFn fn = [] {
    HMODULE shcore = LoadLibraryW(L"shcore.dll");
    return shcore ? reinterpret_cast<GetDpiForMonitorFn>(
                        reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                  : nullptr;
  }();
  return fn;
}

BOOL CALLBACK AddMonitor(HMONITOR h, HDC, LPRECT, LPARAM list) {
  reinterpret_cast<std::vector<HMONITOR>*>(list)->push_back(h);
  return TRUE;
}

}  // namespace

void TScreen::ReadMonitors() {
  std::vector<HMONITOR> handles;
  EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&handles));
  monitors_.clear();
  for (HMONITOR h : handles) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (!GetMonitorInfoW(h, &mi)) continue;
    auto m = std::make_unique<TMonitor>();
    m->handle_ = h;
    m->num_ = static_cast<Integer>(monitors_.size());
    m->bounds_ = {mi.rcMonitor.left, mi.rcMonitor.top, mi.rcMonitor.right, mi.rcMonitor.bottom};
    m->work_ = {mi.rcWork.left, mi.rcWork.top, mi.rcWork.right, mi.rcWork.bottom};
    m->primary_ = (mi.dwFlags & MONITORINFOF_PRIMARY) != 0;
    m->ppi_ = PixelsPerInch();
    UINT x = 0, y = 0;
    if (auto fn = DpiForMonitor(); fn && SUCCEEDED(fn(h, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) && y)
      m->ppi_ = static_cast<Integer>(y);
    monitors_.push_back(std::move(m));
  }
}

Integer TScreen::MonitorCount() {
  if (monitors_.empty()) ReadMonitors();
  return static_cast<Integer>(monitors_.size());
}

TMonitor* TScreen::Monitors(Integer index) {
  if (index < 0 || index >= MonitorCount()) throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
  return monitors_[static_cast<size_t>(index)].get();
}

TMonitor* TScreen::FindMonitor(HMONITOR h) {
  if (!h) return nullptr;
  for (int pass = 0; pass < 2; ++pass) {
    if (monitors_.empty() || pass == 1) ReadMonitors();
    for (auto& m : monitors_)
      if (m->handle_ == h) return m.get();
  }
  return nullptr;
}

TMonitor* TScreen::PrimaryMonitor() {
  for (Integer i = 0; i < MonitorCount(); ++i)
    if (monitors_[static_cast<size_t>(i)]->primary_) return monitors_[static_cast<size_t>(i)].get();
  return MonitorCount() ? monitors_[0].get() : nullptr;
}

namespace {
DWORD MonitorFlag(TMonitorDefaultTo d) {
  return d == mdNull ? MONITOR_DEFAULTTONULL : d == mdPrimary ? MONITOR_DEFAULTTOPRIMARY : MONITOR_DEFAULTTONEAREST;
}
}  // namespace

TMonitor* TScreen::MonitorFromPoint(TPoint p, TMonitorDefaultTo def) {
  return FindMonitor(::MonitorFromPoint(POINT{p.X, p.Y}, MonitorFlag(def)));
}

TMonitor* TScreen::MonitorFromRect(const TRect& r, TMonitorDefaultTo def) {
  RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  return FindMonitor(::MonitorFromRect(&rc, MonitorFlag(def)));
}

TMonitor* TScreen::MonitorFromWindow(HWND wnd, TMonitorDefaultTo def) {
  return FindMonitor(::MonitorFromWindow(wnd, MonitorFlag(def)));
}

Integer TScreen::PixelsPerInch() const {
  TClientDC dc(nullptr);
  int ppi = dc.get() ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  return ppi > 0 ? ppi : 96;
}

Integer TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
Integer TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

TRect TScreen::WorkAreaRect() const {
  RECT r{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return {r.left, r.top, r.right, r.bottom};
}

TRect TScreen::DesktopRect() const {
  Integer x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

const TIdentMap& CursorIdents() {
  static constexpr TIdentMapEntry kCursors[] = {
      {crDefault, u"crDefault"},   {crNone, u"crNone"},           {crArrow, u"crArrow"},
      {crCross, u"crCross"},       {crIBeam, u"crIBeam"},         {crSizeNESW, u"crSizeNESW"},
      {crSizeNS, u"crSizeNS"},     {crSizeNWSE, u"crSizeNWSE"},   {crSizeWE, u"crSizeWE"},
      {crUpArrow, u"crUpArrow"},   {crHourGlass, u"crHourGlass"}, {crNo, u"crNo"},
      {crAppStart, u"crAppStart"}, {crHelp, u"crHelp"},           {crHandPoint, u"crHandPoint"},
      {crSizeAll, u"crSizeAll"},
  };
  static const TIdentMap map{kCursors, sizeof kCursors / sizeof kCursors[0]};
  return map;
}

void TScreen::SetCursor(Integer cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  // Shown at once where the mouse is, not only at its next move.
  if (cursor != crDefault) {
    ::SetCursor(Cursors(cursor));
  } else {
    POINT p;
    GetCursorPos(&p);
    SetCursorPos(p.x, p.y);
  }
}

HCURSOR TScreen::Cursors(Integer index) const {
  auto it = installed_.find(index);
  if (it != installed_.end()) return it->second;
  LPCWSTR id = IDC_ARROW;
  switch (index) {
    case crNone: return nullptr;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass: id = IDC_WAIT; break;
    case crNo: id = IDC_NO; break;
    case crAppStart: id = IDC_APPSTARTING; break;
    case crHelp: id = IDC_HELP; break;
    case crHandPoint: id = IDC_HAND; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    default: break;
  }
  return LoadCursorW(nullptr, id);
}

void TScreen::SetCursors(Integer index, HCURSOR cursor) {
  auto it = installed_.find(index);
  if (it != installed_.end()) {
    if (it->second == cursor) return;
    DestroyCursor(it->second);
    installed_.erase(it);
  }
  if (cursor) installed_[index] = cursor;
}

// ---- 7. TApplication ------------------------------------------------------------------

TW_DEFINE_CLASS(TApplication) {}

namespace {

LRESULT CALLBACK ApplicationWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (!Application || Application->Handle() != wnd) return DefWindowProcW(wnd, msg, wp, lp);
  TMessage m{msg, wp, lp, 0};
  try {
    Application->WndProc(m);
  } catch (const std::exception& e) { Application->HandleException(Application, &e); } catch (...) {
    Application->HandleException(Application, nullptr);
  }
  return m.Result;
}

}  // namespace

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
  if (!Application) Application = this;
  SetMainThread();
  if (!Screen) Screen = new TScreen(nullptr);
  title_ = ExeName();
  size_t slash = title_.find_last_of(u"\\/");
  if (slash != String::npos) title_ = title_.substr(slash + 1);
  size_t dot = title_.find_last_of(u'.');
  if (dot != String::npos) title_ = title_.substr(0, dot);

  WNDCLASSW wc{};
  wc.lpfnWndProc = &ApplicationWndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TApplication";
  wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  RegisterClassW(&wc);  // a second application object finds it registered
  handle_ = CreateWindowExW(0, L"TApplication", WideStr(title_),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0, nullptr,
                            nullptr, wc.hInstance, nullptr);
  // Calls queued from other threads wake the loop with a WM_NULL to this window.
  if (Application == this) {
    SetWakeMainThread([wnd = handle_] { PostMessageW(wnd, WM_NULL, 0, 0); });
    InstallActionDispatch();
  }
}

TApplication::~TApplication() {
  if (Application == this) {
    SetWakeMainThread(nullptr);
    SetActionDispatch(nullptr);
  }
  // The forms go first (they belong to the application), then its window and the screen.
  DestroyComponents();
  if (handle_) DestroyWindow(handle_);
  handle_ = nullptr;
  if (Application == this) {
    Application = nullptr;
    delete Screen;
    Screen = nullptr;
  }
}

String TApplication::ExeName() const {
  wchar_t path[MAX_PATH * 2];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  return String(reinterpret_cast<const Char*>(path), n);
}

void TApplication::Run() {
  if (mainForm_ && !mainForm_->Visible()) mainForm_->Show();
  while (!terminated_) {
    try {
      HandleMessage();
    } catch (const std::exception& e) { HandleException(this, &e); } catch (...) {
      HandleException(this, nullptr);
    }
  }
}

void TApplication::Terminate() { terminated_ = true; }

bool TApplication::IsKeyMsg(const void* p) {
  const MSG& msg = *static_cast<const MSG*>(p);
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  HWND wnd = GetCapture();
  if (!wnd) wnd = msg.hwnd;
  TWinControl* c = FindVCLWindow(wnd);
  return c && c->Perform(CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

bool TApplication::ProcessMessage() {
  MSG msg;
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  CancelHintOn(&msg);
  if (!IsKeyMsg(&msg)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

void TApplication::ProcessMessages() {
  while (ProcessMessage()) {}
}

void TApplication::HandleMessage() {
  if (!ProcessMessage()) Idle();
}

void TApplication::Idle() {
  HintIdle();
  UpdateFormActions();
  CheckSynchronize();
  if (!terminated_) WaitMessage();
}

void TApplication::HookMainWindow(TWindowHook hook) {
  if (hook && std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end()) hooks_.push_back(hook);
}

void TApplication::UnhookMainWindow(TWindowHook hook) {
  hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), hook), hooks_.end());
}

void TApplication::WndProc(TMessage& m) {
  // The hooks that came last hear the message first; a copy, since a hook may unhook.
  std::vector<TWindowHook> hooks = hooks_;
  for (auto it = hooks.rbegin(); it != hooks.rend(); ++it)
    if ((*it)(m)) return;
  switch (m.Msg) {
    case WM_ACTIVATEAPP:
      if (!m.WParam) CancelHint();
      m.Result = DefWindowProcW(handle_, m.Msg, m.WParam, m.LParam);
      PostMessageW(handle_, m.WParam ? CM_ACTIVATE : CM_DEACTIVATE, 0, 0);
      return;
    case WM_CLOSE:
      if (mainForm_) mainForm_->Close();
      return;
    case WM_SYSCOMMAND:
      if ((m.WParam & 0xFFF0) == SC_MINIMIZE) {
        Minimize();
        return;
      }
      if ((m.WParam & 0xFFF0) == SC_RESTORE) {
        Restore();
        return;
      }
      break;
    case WM_DISPLAYCHANGE:
      if (Screen) Screen->RefreshMonitors();
      break;
    case WM_TIMER: UpdateHintTimers(); break;
    case WM_SETTINGCHANGE:
      if (Screen) {
        Screen->RefreshMonitors();
        Screen->ResetFonts();
        // Every form and control hears of it; the system fonts changed with these two.
        const bool fonts = m.WParam == SPI_SETNONCLIENTMETRICS || m.WParam == SPI_SETICONTITLELOGFONT;
        for (Integer i = Screen->FormCount() - 1; i >= 0; --i) {
          if (i >= Screen->FormCount()) continue;
          TCustomForm* f = Screen->Forms(i);
          f->Perform(CM_WININICHANGE, m.WParam, m.LParam);
          if (fonts) f->Perform(CM_SYSFONTCHANGED, 0, 0);
        }
      }
      break;
    case CM_ACTIVATE:
    case CM_DEACTIVATE: return;
    case WM_NULL: CheckSynchronize(); return;
  }
  m.Result = DefWindowProcW(handle_, m.Msg, m.WParam, m.LParam);
}

void TApplication::Minimize() {
  if (mainFormOnTaskbar_ && mainForm_ && mainForm_->HandleAllocated())
    ShowWindow(mainForm_->WindowHandle(), SW_MINIMIZE);
  else if (handle_)
    ShowWindow(handle_, SW_MINIMIZE);
}

void TApplication::Restore() {
  if (mainFormOnTaskbar_ && mainForm_ && mainForm_->HandleAllocated()) {
    if (IsIconic(mainForm_->WindowHandle())) ShowWindow(mainForm_->WindowHandle(), SW_RESTORE);
  } else if (handle_ && IsIconic(handle_)) {
    ShowWindow(handle_, SW_RESTORE);
  }
}

void TApplication::HandleException(TObject* sender, const std::exception* e) {
  // Never throws: it is the last handler of every window procedure.
  try {
    if (onException_) {
      if (auto* ex = dynamic_cast<const Exception*>(e)) {
        onException_(sender, *ex);
      } else {
        Exception wrapped(e ? Utf8ToString(e->what()) : String(u"Unknown exception"));
        onException_(sender, wrapped);
      }
      return;
    }
    ShowException(e);
  } catch (...) {
    // The last stop for errors: one thrown by the handler (or by showing it) has nobody left
    // to go to, and must not unwind through the system's dispatch.
  }
}

void TApplication::ShowException(const std::exception* e) {
  String text;
  if (auto* ex = dynamic_cast<const Exception*>(e))
    text = ex->Message();
  else if (e)
    text = Utf8ToString(e->what());
  else
    text = u"Unknown exception";
  // As the class library does: a full stop after a text that does not end in one (or in
  // a character ordered before it).
  if (!text.empty() && text.back() > u'.') text += u'.';
  MessageBox(text, title_, MB_OK | MB_ICONSTOP);
}

#pragma push_macro("MessageBox")
#undef MessageBox
Integer TApplication::MessageBox(const String& text, const String& caption, Cardinal flags) {
  HWND owner = GetActiveWindow();
  if (!owner && mainForm_ && mainForm_->HandleAllocated() && IsWindowVisible(mainForm_->WindowHandle()))
    owner = mainForm_->WindowHandle();
  return ::MessageBoxW(owner, WideStr(text), WideStr(caption), flags);
}
#pragma pop_macro("MessageBox")
