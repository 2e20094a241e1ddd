// Controls: the window procedure that routes every message of a control's window to its
// WindowProc, window classes, the control tree, focus, painting and mouse routing.
//
// Sections:
//   1. module state: the window's control slot, the control being created, capture and hover
//   2. window classes and the window procedure
//   3. TControl
//   4. TWinControl: the window's life
//   5. TWinControl: children, tab order, focus
//   6. TWinControl: messages (dispatch, reflection, keys, mouse)
//   7. TWinControl: painting
//   8. TControlCanvas, TGraphicControl, TCustomControl
#include <windows.h>
#include <uxtheme.h>

#include <algorithm>
#include <map>

#include "Controls.h"
#include "Forms.h"
#include "GdiScopes.h"
#include "Menus.h"
#include "ScopeGuard.h"

#undef TextOut

// ---- 1. module state ------------------------------------------------------------------

namespace {

// Every window of our classes holds its control in its own extra bytes: the last
// pointer-sized slot of the class's window extra bytes, after the ones a superclassed system
// class uses itself. Reading it stays inside the process (window properties, the obvious
// place, cost a round trip to Wine's server on every message).
TWinControl* ReadControlSlot(HWND wnd) {
  const LONG extra = static_cast<LONG>(GetClassLongW(wnd, GCL_CBWNDEXTRA));
  if (extra < static_cast<LONG>(sizeof(LONG_PTR))) return nullptr;
  return reinterpret_cast<TWinControl*>(GetWindowLongPtrW(wnd, extra - static_cast<LONG>(sizeof(LONG_PTR))));
}

void WriteControlSlot(HWND wnd, TWinControl* control) {
  const LONG extra = static_cast<LONG>(GetClassLongW(wnd, GCL_CBWNDEXTRA));
  if (extra >= static_cast<LONG>(sizeof(LONG_PTR)))
    SetWindowLongPtrW(wnd, extra - static_cast<LONG>(sizeof(LONG_PTR)), reinterpret_cast<LONG_PTR>(control));
}

// The control whose window CreateWindowEx is making right now: the window procedure binds the
// window to it on the first message.
thread_local TWinControl* gCreating = nullptr;

TControl* gCaptureControl = nullptr;  // a graphic control that has the mouse captured
TControl* gMouseControl = nullptr;    // the control under the mouse, as last seen

HINSTANCE ModuleInstance() { return GetModuleHandleW(nullptr); }

TWParam ToWParam(const void* p) { return reinterpret_cast<TWParam>(p); }
TLParam ToLParam(const void* p) { return reinterpret_cast<TLParam>(p); }

// Tells the control under the mouse and its parents that the mouse left, and the new one
// and its parents that it came.
void SetMouseControlTo(TControl* control) {
  if (control == gMouseControl) return;
  TControl* old = gMouseControl;
  gMouseControl = control;
  if (old) old->Perform(CM_MOUSELEAVE, 0, 0);
  if (control && control == gMouseControl) control->Perform(CM_MOUSEENTER, 0, 0);
}

}  // namespace

TControl* GetCaptureControl() { return gCaptureControl; }

void SetCaptureControl(TControl* control) {
  ReleaseCapture();
  gCaptureControl = nullptr;
  if (!control) return;
  if (auto* w = dynamic_cast<TWinControl*>(control)) {
    SetCapture(w->Handle());
    return;
  }
  if (control->Parent()) {
    gCaptureControl = control;
    SetCapture(control->Parent()->Handle());
  }
}

TControl* MouseControl() { return gMouseControl; }

TShiftState KeysToShiftState(Cardinal keys) {
  TShiftState s;
  if (keys & MK_SHIFT) s += ssShift;
  if (keys & MK_CONTROL) s += ssCtrl;
  if (keys & MK_LBUTTON) s += ssLeft;
  if (keys & MK_RBUTTON) s += ssRight;
  if (keys & MK_MBUTTON) s += ssMiddle;
  if (GetKeyState(VK_MENU) < 0) s += ssAlt;
  return s;
}

TOwnerDrawState OwnerDrawStateOf(Cardinal itemState) {
  // The elements are in ODS_ bit order (ODS_SELECTED = 1 ... ODS_COMBOBOXEDIT = 0x1000).
  return TOwnerDrawState::FromBits(itemState & 0x1FFF);
}

bool IsAccel(Word charCode, StringView caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != u'&') continue;
    ++i;
    if (caption[i] == u'&') continue;  // "&&": a plain ampersand
    Char a = caption[i], b = static_cast<Char>(charCode);
    // Letters match in either case, the platform's way (CharUpper covers every script).
    return a == b || CharUpperW(reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(a))) ==
                         CharUpperW(reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(b)));
  }
  return false;
}

TCustomForm* GetParentForm(const TControl* control, bool topForm) {
  TCustomForm* found = nullptr;
  for (const TControl* c = control; c; c = c->Parent()) {
    if (auto* f = dynamic_cast<const TCustomForm*>(c)) {
      found = const_cast<TCustomForm*>(f);
      if (!topForm) return found;
    }
  }
  return found;
}

// ---- 2. window classes and the window procedure ---------------------------------------

struct TwWindowProcs {
  static LRESULT CALLBACK Route(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    TWinControl* control = ReadControlSlot(wnd);
    if (!control) {
      control = gCreating;
      if (!control) return DefWindowProcW(wnd, msg, wp, lp);
      gCreating = nullptr;
      control->BindHandle(wnd);
    }
    TMessage m{msg, wp, lp, 0};
    try {
      control->WindowProc()(m);
    } catch (const std::exception& e) {
      // Nothing may unwind through the system's dispatch: the application shows it and the
      // loop goes on.
      if (Application) Application->HandleException(control, &e);
    } catch (...) {
      if (Application) Application->HandleException(control, nullptr);
    }
    // The window's last message. The control may have let go of it while handling it (its
    // slot is clear then, and the control may be gone): only a slot that still names the
    // control is released.
    if (msg == WM_NCDESTROY && ReadControlSlot(wnd) == control && control->handle_ == wnd) control->UnbindHandle();
    return m.Result;
  }
};

TWinControl* FindControl(HWND wnd) {
  if (!wnd) return nullptr;
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (pid != GetCurrentProcessId()) return nullptr;
  // Only a window of our classes has the slot; any other class's extra bytes are its own.
  if (GetClassLongPtrW(wnd, GCLP_WNDPROC) != reinterpret_cast<ULONG_PTR>(&TwWindowProcs::Route)) return nullptr;
  return ReadControlSlot(wnd);
}

TWinControl* FindVCLWindow(HWND wnd) {
  while (wnd) {
    if (TWinControl* c = FindControl(wnd)) return c;
    wnd = GetParent(wnd);
  }
  return nullptr;
}

namespace {

struct ClassEntry {
  WNDPROC super;  // the superclass's procedure, or DefWindowProcW
};

// Registers the class the parameters name, once; gives the procedure of the class it extends.
WNDPROC RegisterControlClass(const TCreateParams& p) {
  static std::map<String, ClassEntry> registered;
  auto it = registered.find(p.WinClassName);
  if (it != registered.end()) return it->second.super;
  WNDCLASSW wc{};
  WNDPROC super = DefWindowProcW;
  if (!p.SysClassName.empty()) {
    if (!GetClassInfoW(nullptr, WideStr(p.SysClassName), &wc))
      throw EOSError(u"Window class " + p.SysClassName + u" does not exist");
    super = wc.lpfnWndProc;
  }
  wc.lpfnWndProc = &TwWindowProcs::Route;
  wc.cbWndExtra += static_cast<int>(sizeof(LONG_PTR));  // the control slot, after the system class's bytes
  wc.hInstance = ModuleInstance();
  wc.lpszClassName = WideStr(p.WinClassName);
  wc.lpszMenuName = nullptr;
  if (p.SysClassName.empty()) {
    wc.style = p.ClassStyle;
    wc.hCursor = p.Cursor ? p.Cursor : LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = p.Background;
  } else {
    // Double clicks follow the control's own class style: a control that drops
    // CS_DBLCLKS (an owner-drawn button) gets every click as a press.
    wc.style = (wc.style & ~(CS_GLOBALCLASS | CS_DBLCLKS)) | (p.ClassStyle & CS_DBLCLKS);
  }
  if (!RegisterClassW(&wc)) {
    DWORD err = GetLastError();
    if (err != ERROR_CLASS_ALREADY_EXISTS) throw EOSError(u"Cannot register window class " + p.WinClassName);
  }
  registered[p.WinClassName] = {super};
  return super;
}

}  // namespace

// ---- 3. TControl ----------------------------------------------------------------------

TW_DEFINE_CLASS(TControl) {
  b.Property(u"Left", &TControl::Left, &TControl::SetLeft);
  b.Property(u"Top", &TControl::Top, &TControl::SetTop);
  b.Property(u"Width", &TControl::Width, &TControl::SetWidth);
  b.Property(u"Height", &TControl::Height, &TControl::SetHeight);
  b.Property(u"Visible", &TControl::Visible, &TControl::SetVisible).Default(true).Stored(&TControl::IsVisibleStored);
  b.Property(u"Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true).Stored(&TControl::IsEnabledStored);
  b.Property(u"Hint", &TControl::Hint, &TControl::SetHint).Stored(&TControl::IsHintStored);
  b.Property(u"ShowHint", &TControl::ShowHint, &TControl::SetShowHint).Default(false).Stored([](const TControl& c) {
    return !c.ParentShowHint();
  });
  b.Property(u"ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint).Default(true);
  b.Property(u"Cursor", &TControl::Cursor, &TControl::SetCursor).Idents(CursorIdents()).Default(crDefault);
  b.Property(u"HelpContext", &TControl::HelpContext, &TControl::SetHelpContext)
      .Default(0)
      .Stored(&TControl::IsHelpContextStored);
  b.Property(u"Action", &TControl::Action, &TControl::SetAction);
  // layout
  b.Property(u"Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  b.Property(u"Anchors", &TControl::Anchors, &TControl::SetAnchors).Default(TAnchors{akLeft, akTop});
  b.Property(u"AlignWithMargins", &TControl::AlignWithMargins, &TControl::SetAlignWithMargins).Default(false);
  b.Property(u"Margins", &TControl::Margins, &TControl::SetMargins);
  b.Property(u"Constraints", &TControl::Constraints, &TControl::SetConstraints);
  b.Property(u"PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
}

TControl::TControl(TComponent* owner)
    : TComponent(owner),
      font_(std::make_unique<TFont>()),
      margins_(std::make_unique<TMargins>(this)),
      constraints_(std::make_unique<TSizeConstraints>(this)) {
  windowProc_ = TWndMethod(this, &TControl::WndProc);
  font_->SetOnChange(TNotifyEvent(this, &TControl::FontChanged));
  margins_->SetOnChange(TNotifyEvent(this, &TControl::MarginsChanged));
  constraints_->SetOnChange(TNotifyEvent(this, &TControl::ConstraintsChanged));
}

TControl::~TControl() {
  if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
  if (Application) Application->ControlDestroyed(this);
  if (gMouseControl == this) gMouseControl = nullptr;
  if (gCaptureControl == this) {
    gCaptureControl = nullptr;
    ReleaseCapture();
  }
  if (parent_) parent_->RemoveControl(this);
  actionLink_.reset();
  font_.reset();
}

TComponent* TControl::GetParentComponent() const { return parent_; }

void TControl::SetParentComponent(TComponent* parent) {
  auto* w = dynamic_cast<TWinControl*>(parent);
  if (parent && !w) throw EInvalidOperation(u"Control '" + Name() + u"' cannot be placed on " + ClassNameOf(parent));
  SetParent(w);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  for (TWinControl* p = parent; p; p = p->Parent())
    if (p == this) throw EInvalidOperation("A control cannot have one of its children as its parent");
  if (parent_) parent_->RemoveControl(this);
  if (parent) parent->InsertControl(this);
}

void TControl::SetBounds(Integer left, Integer top, Integer width, Integer height) {
  constraints_->Apply(width, height);
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  const bool batched = parent_ && parent_->BatchesChildMoves();
  if (batched)
    parent_->alignMoved_ = true;
  else
    InvalidateControl(visible_, false);
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (!batched) Invalidate();
  BoundsChanged();
  BoundsSetFromOutside();
}

void TControl::BoundsChanged() {
  if (!IsLoading()) Resize();
}

TRect TControl::ClientRect() const { return {0, 0, width_, height_}; }

void TControl::SetClientSize(TSize size) {
  TRect c = ClientRect();
  SetBounds(left_, top_, width_ - c.Width() + size.cx, height_ - c.Height() + size.cy);
}

TPoint TControl::ClientOrigin() {
  if (!parent_) return {left_, top_};
  TPoint p = parent_->ClientOrigin();
  return {p.X + left_, p.Y + top_};
}

void TControl::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  Perform(CM_VISIBLECHANGED, value ? 1 : 0, 0);
  // An aligned or anchored control that comes or goes changes its siblings' places.
  if (align_ != alNone || originalParentSize_.X > 0 || originalParentSize_.Y > 0) RequestAlign();
}

void TControl::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  parentColor_ = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool value) {
  if (value == parentColor_) return;
  parentColor_ = value;
  if (value && parent_) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::SetParentFont(bool value) {
  if (value == parentFont_) return;
  parentFont_ = value;
  if (value && parent_) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::FontChanged(TObject*) {
  if (!changingParentFont_) parentFont_ = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetText(const String& text) {
  if (text == Text()) return;
  Perform(WM_SETTEXT, 0, ToLParam(text.c_str()));
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetShowHint(bool v) {
  parentShowHint_ = false;
  if (v == showHint_) return;
  showHint_ = v;
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool v) {
  if (v == parentShowHint_) return;
  parentShowHint_ = v;
  if (v && parent_ && !ComponentState().Contains(csReading)) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::CMParentShowHintChanged(TMessage&) {
  if (!parentShowHint_ || !parent_) return;
  SetShowHint(parent_->ShowHint());
  parentShowHint_ = true;
}

void TControl::SetCursor(Integer cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetBiDiMode(TBiDiMode value) {
  parentBiDiMode_ = false;
  if (value == biDiMode_) return;
  biDiMode_ = value;
  Perform(CM_BIDIMODECHANGED, 0, 0);
}

void TControl::SetParentBiDiMode(bool value) {
  if (value == parentBiDiMode_) return;
  parentBiDiMode_ = value;
  if (value && parent_) Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
}

void TControl::CMParentBiDiModeChanged(TMessage&) {
  if (!parentBiDiMode_ || !parent_ || parent_->BiDiMode() == biDiMode_) return;
  biDiMode_ = parent_->BiDiMode();
  Perform(CM_BIDIMODECHANGED, 0, 0);
}

Cardinal TControl::DrawTextBiDiModeFlags(Cardinal flags) const {
  if (UseRightToLeftAlignment()) {
    if ((flags & DT_RIGHT) == DT_RIGHT)
      flags &= ~static_cast<Cardinal>(DT_RIGHT);  // DT_LEFT is 0: without DT_RIGHT it is left
    else if ((flags & DT_CENTER) != DT_CENTER)
      flags |= DT_RIGHT;
  }
  return flags | DrawTextBiDiModeFlagsReadingOnly();
}

Cardinal TControl::DrawTextBiDiModeFlagsReadingOnly() const { return UseRightToLeftReading() ? DT_RTLREADING : 0; }

void TControl::SetWindowProc(TWndMethod proc) {
  // An empty procedure would drop every message: it means "the control's own" again.
  windowProc_ = proc ? proc : TWndMethod(this, &TControl::WndProc);
}

TLResult TControl::Perform(Cardinal msg, TWParam wParam, TLParam lParam) {
  TMessage m{msg, wParam, lParam, 0};
  windowProc_(m);
  return m.Result;
}

void TControl::WndProc(TMessage& m) {
  if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST && m.Msg != WM_MOUSEWHEEL && m.Msg != WM_MOUSEHWHEEL) {
    // A graphic control that takes the mouse keeps it while the button is held.
    if (!dynamic_cast<TWinControl*>(this)) {
      if ((m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) && controlStyle_.Contains(csCaptureMouse))
        SetCaptureControl(this);
      else if (m.Msg == WM_LBUTTONUP && gCaptureControl == this)
        SetCaptureControl(nullptr);
    }
    if (m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) controlState_ += csLButtonDown;
    if (m.Msg == WM_LBUTTONUP) controlState_ -= csLButtonDown;
    // The hint engine follows the mouse over every control.
    if (m.Msg == WM_MOUSEMOVE && Application) Application->HintMouseMessage(this, m);
  }
  Dispatch(m);
}

void TControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_VISIBLECHANGED: CMVisibleChanged(m); return;
    case CM_ENABLEDCHANGED: CMEnabledChanged(m); return;
    case CM_COLORCHANGED: CMColorChanged(m); return;
    case CM_FONTCHANGED: CMFontChanged(m); return;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(m); return;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(m); return;
    case CM_TEXTCHANGED: CMTextChanged(m); return;
    case CM_MOUSEENTER: CMMouseEnter(m); return;
    case CM_MOUSELEAVE: CMMouseLeave(m); return;
    case CM_PARENTBIDIMODECHANGED: CMParentBiDiModeChanged(m); return;
    // The point (LParam, the control's coordinates) lies on the control; a control that
    // lets the mouse through answers 0.
    case CM_HITTEST: m.Result = HTCLIENT; return;
    // A change inside a control is news for its containers too.
    case CM_CHANGED:
      if (parent_) parent_->WindowProc()(m);
      return;
    case WM_CONTEXTMENU: WMContextMenu(m); return;
    case CM_PARENTSHOWHINTCHANGED: CMParentShowHintChanged(m); return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MOUSEMOVE: MouseMessage(m); return;
  }
  DefaultHandler(m);
}

void TControl::DefaultHandler(TMessage& m) {
  // A control without a window keeps its text itself.
  switch (m.Msg) {
    case WM_SETTEXT:
      text_ = m.LParam ? String(reinterpret_cast<const Char*>(m.LParam)) : String();
      m.Result = 1;
      break;
    case WM_GETTEXTLENGTH: m.Result = static_cast<TLResult>(text_.size()); break;
    case WM_GETTEXT: {
      if (m.WParam == 0 || !m.LParam) break;
      size_t n = std::min<size_t>(text_.size(), m.WParam - 1);
      auto* out = reinterpret_cast<Char*>(m.LParam);
      std::copy_n(text_.data(), n, out);
      out[n] = 0;
      m.Result = static_cast<TLResult>(n);
      break;
    }
  }
}

void TControl::MouseMessage(TMessage& m) {
  TShiftState shift = KeysToShiftState(static_cast<Cardinal>(m.WParam));
  const Integer x = m.XPos(), y = m.YPos();
  switch (m.Msg) {
    case WM_MOUSEMOVE: MouseMove(shift, x, y); break;
    case WM_LBUTTONDOWN:
      if (controlStyle_.Contains(csClickEvents)) controlState_ += csClicked;
      MouseDown(mbLeft, shift, x, y);
      break;
    case WM_LBUTTONDBLCLK:
      if (controlStyle_.Contains(csDoubleClicks)) {
        DblClick();
        MouseDown(mbLeft, shift + TShiftState{ssDouble}, x, y);
      } else {
        if (controlStyle_.Contains(csClickEvents)) controlState_ += csClicked;
        MouseDown(mbLeft, shift, x, y);
      }
      break;
    case WM_LBUTTONUP: {
      bool clicked = controlState_.Contains(csClicked);
      controlState_ -= csClicked;
      if (clicked && TRect(0, 0, width_, height_).Contains({x, y})) Click();
      MouseUp(mbLeft, shift, x, y);
      break;
    }
    case WM_RBUTTONDOWN: MouseDown(mbRight, shift, x, y); break;
    case WM_RBUTTONUP: MouseUp(mbRight, shift, x, y); break;
    case WM_MBUTTONDOWN: MouseDown(mbMiddle, shift, x, y); break;
    case WM_MBUTTONUP: MouseUp(mbMiddle, shift, x, y); break;
  }
  // A windowed control's own window still gets the mouse (edits place the caret).
  DefaultHandler(m);
}

void TControl::Changed() { Perform(CM_CHANGED, 0, ToLParam(this)); }

void TControl::SetPopupMenu(TPopupMenu* menu) {
  if (menu == popupMenu_) return;
  if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
  popupMenu_ = menu;
  if (menu) menu->FreeNotification(this);
}

void TControl::WMContextMenu(TMessage& m) {
  if (m.Result != 0) return;
  // (-1, -1): asked from the keyboard, for the focused control.
  const bool fromKeyboard = static_cast<int32_t>(m.LParam) == -1;
  TPoint at{m.XPos(), m.YPos()};
  auto* self = dynamic_cast<TWinControl*>(this);
  if (self && !fromKeyboard && self->HandleAllocated()) {
    // A windowless child under the mouse has its own say first.
    TControl* child = self->ControlAtPos(ScreenToClient(at), false);
    if (child && !dynamic_cast<TWinControl*>(child)) {
      m.Result = child->Perform(WM_CONTEXTMENU, m.WParam, m.LParam);
      if (m.Result != 0) return;
    }
  }
  if (popupMenu_ && popupMenu_->AutoPopup()) {
    if (fromKeyboard) at = ClientToScreen(TPoint(0, 0));
    popupMenu_->SetPopupComponent(this);
    popupMenu_->Popup(at.X, at.Y);
    m.Result = 1;
    return;
  }
  // A window's default handling passes the request to its parent window.
  DefaultHandler(m);
}
void TControl::DblClick() { onDblClick_.Call(this); }
void TControl::MouseDown(TMouseButton b, TShiftState s, Integer x, Integer y) { onMouseDown_.Call(this, b, s, x, y); }
void TControl::MouseUp(TMouseButton b, TShiftState s, Integer x, Integer y) { onMouseUp_.Call(this, b, s, x, y); }
void TControl::MouseMove(TShiftState s, Integer x, Integer y) { onMouseMove_.Call(this, s, x, y); }
void TControl::MouseEnter() { onMouseEnter_.Call(this); }
void TControl::MouseLeave() { onMouseLeave_.Call(this); }
void TControl::Resize() { onResize_.Call(this); }

void TControl::CMVisibleChanged(TMessage&) { InvalidateControl(true, visible_ && controlStyle_.Contains(csOpaque)); }
void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }
void TControl::CMColorChanged(TMessage&) { Invalidate(); }
void TControl::CMFontChanged(TMessage&) { Invalidate(); }
void TControl::CMTextChanged(TMessage&) { Invalidate(); }

void TControl::CMParentFontChanged(TMessage&) {
  if (!parentFont_ || !parent_) return;
  auto changing = SetForScope(changingParentFont_, true, false);
  font_->Assign(parent_->Font());
}

void TControl::CMParentColorChanged(TMessage&) {
  if (!parentColor_ || !parent_) return;
  if (color_ != parent_->Color()) {
    color_ = parent_->Color();
    Perform(CM_COLORCHANGED, 0, 0);
  }
}

void TControl::CMMouseEnter(TMessage& m) {
  // The control itself hears it with LParam 0; its parents with LParam = the control.
  if (m.LParam == 0) MouseEnter();
  if (parent_) parent_->Perform(CM_MOUSEENTER, 0, m.LParam ? m.LParam : ToLParam(this));
}

void TControl::CMMouseLeave(TMessage& m) {
  if (m.LParam == 0) MouseLeave();
  if (parent_) parent_->Perform(CM_MOUSELEAVE, 0, m.LParam ? m.LParam : ToLParam(this));
}

void TControl::InvalidateControl(bool isVisible, bool isOpaque) {
  if (!parent_ || !parent_->HandleAllocated() || !isVisible) return;
  RECT r{left_, top_, left_ + width_, top_ + height_};
  InvalidateRect(parent_->WindowHandle(), &r, !isOpaque);
}

void TControl::Invalidate() { InvalidateControl(visible_, controlStyle_.Contains(csOpaque)); }

void TControl::Update() {
  if (parent_) parent_->Update();
}

void TControl::Repaint() {
  if (!parent_ || !parent_->HandleAllocated() || !visible_) return;
  Invalidate();
  parent_->Update();
}

void TControl::BringToFront() {
  auto* w = dynamic_cast<TWinControl*>(this);
  if (w && w->HandleAllocated() && (GetWindowLongW(w->WindowHandle(), GWL_EXSTYLE) & WS_EX_MDICHILD)) {
    // An MDI child comes to the front through its client, which also makes it the active child.
    SendMessageW(GetParent(w->WindowHandle()), WM_MDIACTIVATE, WPARAM(w->WindowHandle()), 0);
    return;
  }
  if (!parent_) return;
  if (w) {
    auto& list = parent_->winControls_;
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
    list.push_back(w);
  } else {
    auto& list = parent_->controls_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.push_back(this);
  }
  if (w && w->HandleAllocated())
    SetWindowPos(w->WindowHandle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Invalidate();
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == popupMenu_) popupMenu_ = nullptr;
  // The action goes: the link has already forgotten it.
  if (operation == opRemove && actionLink_ && (!actionLink_->Action() || actionLink_->Action() == component))
    actionLink_.reset();
}

void TControl::Loaded() {
  TComponent::Loaded();
  explicitBounds_ = BoundsRect();
  UpdateAnchorRules();
  if (parent_) {
    // Properties read from the description may have left ParentFont/ParentColor on.
    Perform(CM_PARENTCOLORCHANGED, 0, 0);
    Perform(CM_PARENTFONTCHANGED, 0, 0);
    Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
  }
}

namespace {
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
GetDpiForWindowFn DpiForWindow() {
  static auto fn = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  return fn;
}
}  // namespace

Integer TControl::CurrentPPI() {
  for (TControl* c = this; c; c = c->Parent())
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->HandleAllocated()) {
      if (auto fn = DpiForWindow()) {
        UINT dpi = fn(w->WindowHandle());
        if (dpi) return static_cast<Integer>(dpi);
      }
      break;
    }
  return Screen ? Screen->PixelsPerInch() : 96;
}

void TControl::ChangeScale(Integer m, Integer d) {
  if (m == d || d == 0) return;
  auto scale = [&](Integer v) { return MulDiv(v, m, d); };
  // Limits and margins are lengths too; the anchors scale with the parent they refer to.
  {
    TSizeConstraints& c = *constraints_;
    TNotifyEvent saved = c.OnChange();
    c.SetOnChange(nullptr);
    c.SetMinWidth(scale(c.MinWidth()));
    c.SetMinHeight(scale(c.MinHeight()));
    c.SetMaxWidth(scale(c.MaxWidth()));
    c.SetMaxHeight(scale(c.MaxHeight()));
    c.SetOnChange(saved);
  }
  margins_->SetBounds(scale(margins_->Left()), scale(margins_->Top()), scale(margins_->Right()),
                      scale(margins_->Bottom()));
  anchorRules_ = {scale(anchorRules_.X), scale(anchorRules_.Y)};
  originalParentSize_ = {scale(originalParentSize_.X), scale(originalParentSize_.Y)};
  // Positions from the parent's origin scale as the sizes do.
  Integer l = scale(left_), t = scale(top_);
  auto scaling = SetForScope(scaling_, true, false);
  SetBounds(l, t, scale(left_ + width_) - l, scale(top_ + height_) - t);
  if (!parentFont_) {
    auto changing = SetForScope(changingParentFont_, true, false);
    font_->SetHeight(scale(font_->Height()));
  }
}

// ---- 4. TWinControl: the window's life ------------------------------------------------

TW_DEFINE_CLASS(TWinControl) {
  b.Property(u"TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder).Default(-1);
  b.Property(u"TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(false);
  b.Property(u"DoubleBuffered", &TWinControl::DoubleBuffered, &TWinControl::SetDoubleBuffered).Default(false);
}

TWinControl::TWinControl(TComponent* owner)
    : TControl(owner), brush_(std::make_unique<TBrush>()), padding_(std::make_unique<TPadding>(this)) {
  brush_->SetColor(Color());
  padding_->SetOnChange(TNotifyEvent(this, &TWinControl::PaddingChanged));
}

void TWinControl::BeforeDestruction() {
  TControl::BeforeDestruction();
  // The window goes while the whole object still exists, so that every message it gets on
  // the way (to this control and to its children) reaches intact objects.
  if (TCustomForm* f = GetParentForm(this)) f->RemoveFocusOf(this);
  if (handle_) DestroyHandle();
  if (parent_) parent_->RemoveControl(this);
}

TWinControl::~TWinControl() {
  Destroying();
  if (TCustomForm* f = GetParentForm(this)) f->RemoveFocusOf(this);
  if (handle_) DestroyHandle();
  if (parent_) parent_->RemoveControl(this);
  // Children go with their parent, last first.
  while (!controls_.empty() || !winControls_.empty()) {
    TControl* c = !winControls_.empty() ? static_cast<TControl*>(winControls_.back()) : controls_.back();
    if (!winControls_.empty()) {
      winControls_.pop_back();
      tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), c), tabList_.end());
    } else {
      controls_.pop_back();
    }
    c->parent_ = nullptr;
    c->Free();
  }
  brush_.reset();
}

HWND TWinControl::Handle() {
  if (!handle_) {
    if (parent_) parent_->Handle();
    CreateHandle();
  }
  return handle_;
}

void TWinControl::SetParentWindow(HWND wnd) {
  if (parent_ || wnd == parentWindow_) return;
  if (handle_ && wnd) SetParent(nullptr);
  parentWindow_ = wnd;
  if (handle_) { ::SetParent(handle_, wnd); }
  UpdateControlState();
}

void TWinControl::BindHandle(HWND wnd) {
  handle_ = wnd;
  WriteControlSlot(wnd, this);
}

void TWinControl::UnbindHandle() {
  if (handle_) WriteControlSlot(handle_, nullptr);
  handle_ = nullptr;
  showing_ = false;
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.Caption = text_;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (ControlStyle().Contains(csAcceptsControls)) {
    p.Style |= WS_CLIPCHILDREN;
    p.ExStyle |= WS_EX_CONTROLPARENT;
  }
  if (!Enabled()) p.Style |= WS_DISABLED;
  if (tabStop_) p.Style |= WS_TABSTOP;
  p.X = left_;
  p.Y = top_;
  p.Width = width_;
  p.Height = height_;
  p.WndParent = parent_ ? parent_->Handle() : parentWindow_;
  p.ClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  p.Cursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  p.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& p, const char16_t* sysClassName) { p.SysClassName = sysClassName; }

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  if (!p.WndParent && (p.Style & WS_CHILD)) throw EInvalidOperation(u"Control '" + Name() + u"' has no parent window");
  defWndProc_ = reinterpret_cast<void*>(RegisterControlClass(p));
  {
    auto creating = SetForScope(gCreating, this);
    SetControlState(ControlState() + TControlState{csCreating});
    TScopeExit created([this] { SetControlState(ControlState() - TControlState{csCreating}); });
    CreateWindowHandle(p);
  }
  if (!handle_) throw EOSError(u"Cannot create the window of " + Name() + u" (" + ClassName() + u")");
  // Children get a unique id (the handle value, as the class library does), so that
  // notifications that carry only an id can be traced back to the control.
  if ((GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD) && GetWindowLongPtrW(handle_, GWLP_ID) == 0)
    SetWindowLongPtrW(handle_, GWLP_ID, reinterpret_cast<LONG_PTR>(handle_));
  UpdateBounds();
  Perform(WM_SETFONT, ToWParam(Font()->Handle()), 1);
  HandleCreated();
}

void TWinControl::CreateWindowHandle(const TCreateParams& p) {
  HWND h = CreateWindowExW(p.ExStyle, WideStr(p.WinClassName), WideStr(p.Caption), p.Style, p.X, p.Y, p.Width, p.Height,
                           p.WndParent, nullptr, ModuleInstance(), p.Param);
  if (h && !handle_) BindHandle(h);
}

void TWinControl::DestroyWnd() {
  // The text stays with the control when the window goes.
  if (handle_) {
    int n = GetWindowTextLengthW(handle_);
    String t(static_cast<size_t>(n), u'\0');
    if (n > 0) GetWindowTextW(handle_, reinterpret_cast<LPWSTR>(t.data()), n + 1);
    text_ = t;
  }
  HWND h = handle_;
  if (h) {
    if (gMouseControl == this || (gMouseControl && gMouseControl->Parent() == this)) gMouseControl = nullptr;
    DestroyWindowHandle();
  }
  if (handle_ == h) UnbindHandle();  // when no WM_NCDESTROY came (a foreign thread's window)
}

void TWinControl::DestroyWindowHandle() {
  if (handle_) DestroyWindow(handle_);
}

void TWinControl::CreateHandle() {
  if (handle_) return;
  CreateWnd();
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  for (TWinControl* c : std::vector<TWinControl*>(winControls_)) c->DestroyHandle();
  SetControlState(ControlState() + TControlState{csDestroyingHandle});
  DestroyWnd();
  SetControlState(ControlState() - TControlState{csDestroyingHandle});
}

void TWinControl::RecreateWnd() {
  if (handle_) Perform(CM_RECREATEWND, 0, 0);
}

void TWinControl::CMRecreateWnd(TMessage&) {
  bool wasFocused = Focused();
  SetControlState(ControlState() + TControlState{csRecreating});
  DestroyHandle();
  UpdateControlState();
  SetControlState(ControlState() - TControlState{csRecreating});
  if (wasFocused && handle_) ::SetFocus(handle_);
}

void TWinControl::UpdateBounds() {
  if (!handle_) return;
  RECT r;
  GetWindowRect(handle_, &r);
  if (GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD)
    MapWindowPoints(nullptr, GetParent(handle_), reinterpret_cast<POINT*>(&r), 2);
  bool sized = (r.right - r.left) != width_ || (r.bottom - r.top) != height_;
  bool moved = r.left != left_ || r.top != top_;
  left_ = r.left;
  top_ = r.top;
  width_ = r.right - r.left;
  height_ = r.bottom - r.top;
  if (sized || moved) BoundsChanged();
}

void TWinControl::SetBounds(Integer left, Integer top, Integer width, Integer height) {
  Constraints()->Apply(width, height);
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  if (handle_ && !IsIconic(handle_)) {
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (parent_ && parent_->BatchesChildMoves()) {
      flags |= SWP_NOREDRAW;
      parent_->alignMoved_ = true;
    }
    SetWindowPos(handle_, nullptr, left, top, width, height, flags);
    UpdateBounds();
  } else {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    BoundsChanged();
  }
  BoundsSetFromOutside();
}

TRect TWinControl::ClientRect() const {
  if (handle_) {
    RECT r;
    GetClientRect(handle_, &r);
    return {r.left, r.top, r.right, r.bottom};
  }
  TRect r = TControl::ClientRect();
  r.Right = std::max(0, r.Right - 2 * borderWidth_);
  r.Bottom = std::max(0, r.Bottom - 2 * borderWidth_);
  return r;
}

TPoint TWinControl::ClientOrigin() {
  POINT p{0, 0};
  ::ClientToScreen(Handle(), &p);
  return {p.x, p.y};
}

void TWinControl::SetClientSize(TSize size) { TControl::SetClientSize(size); }

void TWinControl::UpdateShowing() {
  bool show = Visible() && !ControlState().Contains(csReadingState);
  if (show) {
    if (!handle_) CreateHandle();
    for (TWinControl* c : std::vector<TWinControl*>(winControls_)) c->UpdateShowing();
  }
  if (handle_ && showing_ != show) {
    auto showing = SetForScope(showing_, show);
    Perform(CM_SHOWINGCHANGED, 0, 0);
    showing.Dismiss();  // kept only when the change went through
  }
}

void TWinControl::UpdateControlState() {
  // Only a tree that hangs from a form (or a foreign window) is shown.
  TWinControl* top = this;
  while (top->Parent()) {
    top = top->Parent();
    if (!top->Showing()) return;
  }
  if (dynamic_cast<TCustomForm*>(top) || top->parentWindow_) UpdateShowing();
}

void TWinControl::CMShowingChanged(TMessage&) {
  SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | (showing_ ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TWinControl::Loaded() {
  TControl::Loaded();
  Realign();
  UpdateControlState();
}

void TWinControl::ChangeScale(Integer m, Integer d) {
  if (m == d || d == 0) return;
  // The children are placed once, at the new size, after all of them are scaled.
  TAlignSuspended suspended(this);
  TControl::ChangeScale(m, d);
  padding_->SetBounds(MulDiv(padding_->Left(), m, d), MulDiv(padding_->Top(), m, d), MulDiv(padding_->Right(), m, d),
                      MulDiv(padding_->Bottom(), m, d));
  for (Integer i = 0; i < ControlCount(); ++i) Controls(i)->ChangeScale(m, d);
}

// ---- 5. TWinControl: children, tab order, focus ---------------------------------------

TControl* TWinControl::Controls(Integer index) const {
  if (index < 0 || index >= ControlCount()) throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
  size_t i = static_cast<size_t>(index);
  return i < controls_.size() ? controls_[i] : winControls_[i - controls_.size()];
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (const TControl* c = control; c; c = c->Parent())
    if (c == this) return true;
  return false;
}

void TWinControl::InsertControl(TControl* control) {
  Perform(CM_CONTROLLISTCHANGING, ToWParam(control), 1);
  control->parent_ = this;
  auto* w = dynamic_cast<TWinControl*>(control);
  if (w) {
    winControls_.push_back(w);
    tabList_.push_back(w);
  } else {
    controls_.push_back(control);
  }
  if (!control->ComponentState().Contains(csReading)) {
    control->Perform(CM_PARENTCOLORCHANGED, 0, 0);
    control->Perform(CM_PARENTFONTCHANGED, 0, 0);
    control->Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
    control->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    control->UpdateAnchorRules();
    if (w) {
      if (w->HandleAllocated() && handle_) ::SetParent(w->WindowHandle(), handle_);
      w->UpdateControlState();
    } else if (handle_) {
      control->Invalidate();
    }
  }
  if (control->Align() != alNone) AlignControl(control);
  Perform(CM_CONTROLLISTCHANGE, ToWParam(control), 1);
}

void TWinControl::RemoveControl(TControl* control) {
  if (!control || control->parent_ != this) return;
  Perform(CM_CONTROLLISTCHANGING, ToWParam(control), 0);
  if (auto* w = dynamic_cast<TWinControl*>(control)) {
    if (TCustomForm* f = GetParentForm(this)) f->RemoveFocusOf(w);
    w->DestroyHandle();
    winControls_.erase(std::remove(winControls_.begin(), winControls_.end(), w), winControls_.end());
    tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), w), tabList_.end());
  } else {
    if (handle_) control->InvalidateControl(control->Visible(), false);
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  }
  control->parent_ = nullptr;
  // The space an aligned control took goes to its siblings.
  if (control->Align() != alNone && !IsDestroying()) Realign();
  Perform(CM_CONTROLLISTCHANGE, ToWParam(control), 0);
}

void TWinControl::ScrollBy(Integer dx, Integer dy) {
  if (dx == 0 && dy == 0) return;
  // Windowed children move with the content (their bounds follow WM_WINDOWPOSCHANGED);
  // graphic children are moved here, painted where the content went.
  if (handle_ && IsWindowVisible(handle_)) {
    ScrollWindowEx(handle_, dx, dy, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
  } else {
    for (TWinControl* w : winControls_) {
      if (w->handle_) {
        SetWindowPos(w->handle_, nullptr, w->left_ + dx, w->top_ + dy, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        w->UpdateBounds();
      } else {
        w->left_ += dx;
        w->top_ += dy;
      }
    }
  }
  for (TControl* c : controls_) {
    c->left_ += dx;
    c->top_ += dy;
  }
  if (handle_) {
    for (TWinControl* w : winControls_)
      if (w->handle_) w->UpdateBounds();
  }
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled, bool allowWinControls) const {
  auto hit = [&](TControl* c) {
    return c->Visible() && (allowDisabled || c->Enabled()) && c->BoundsRect().Contains(p) &&
           c->Perform(CM_HITTEST, 0, PointToLParam(p.X - c->Left(), p.Y - c->Top())) != 0;
  };
  if (allowWinControls)
    for (auto it = winControls_.rbegin(); it != winControls_.rend(); ++it)
      if (hit(*it)) return *it;
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
    if (hit(*it)) return *it;
  return nullptr;
}

void TWinControl::Broadcast(TMessage& m) {
  for (Integer i = 0; i < ControlCount(); ++i) {
    Controls(i)->WindowProc()(m);
    if (m.Result != 0) return;
  }
}

void TWinControl::NotifyControls(Cardinal msg) {
  for (Integer i = 0; i < ControlCount(); ++i) Controls(i)->Perform(msg, 0, 0);
}

Integer TWinControl::TabOrder() const {
  if (!parent_) return -1;
  auto& list = parent_->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<Integer>(it - list.begin());
}

void TWinControl::SetTabOrder(Integer order) {
  if (!parent_) return;
  auto& list = parent_->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  if (order < 0 || order > static_cast<Integer>(list.size())) order = static_cast<Integer>(list.size());
  list.insert(list.begin() + order, this);
}

void TWinControl::SetTabStop(bool v) {
  if (v == tabStop_) return;
  tabStop_ = v;
  if (handle_) {
    LONG style = GetWindowLongW(handle_, GWL_STYLE);
    SetWindowLongW(handle_, GWL_STYLE, v ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
  }
}

bool TWinControl::Focused() const { return handle_ && GetFocus() == handle_; }

bool TWinControl::CanFocus() const {
  TCustomForm* form = GetParentForm(this);
  if (!form) return false;
  for (const TControl* c = this; c && c != form; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return form->Visible() && form->Enabled();
}

void TWinControl::SetFocus() {
  if (TCustomForm* form = GetParentForm(this)) {
    form->FocusControl(this);
  } else if (parentWindow_) {
    ::SetFocus(Handle());
  } else {
    throw EInvalidOperation(u"Control '" + Name() + u"' has no parent window");
  }
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
  for (TWinControl* c : tabList_) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool forward, bool checkTabStop,
                                          bool checkParent) const {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  const Integer n = static_cast<Integer>(list.size());
  auto pos = std::find(list.begin(), list.end(), current);
  Integer start = pos == list.end() ? (forward ? n - 1 : 0) : static_cast<Integer>(pos - list.begin());
  Integer i = start;
  do {
    i = forward ? (i + 1) % n : (i + n - 1) % n;
    TWinControl* c = list[static_cast<size_t>(i)];
    if (c->CanFocus() && (!checkTabStop || c->TabStop()) && (!checkParent || c->Parent() == this)) return c;
  } while (i != start);
  return nullptr;
}

void TWinControl::WMSetFocus(TMessage& m) {
  if (TCustomForm* form = GetParentForm(this)) form->SetFocusedControl(this);
  DefaultHandler(m);
}

void TWinControl::WMKillFocus(TMessage& m) { DefaultHandler(m); }

void TWinControl::DoEnter() { onEnter_.Call(this); }
void TWinControl::DoExit() { onExit_.Call(this); }

// ---- 6. TWinControl: messages ---------------------------------------------------------

void TWinControl::WndProc(TMessage& m) {
  if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST && m.Msg != WM_MOUSEWHEEL && m.Msg != WM_MOUSEHWHEEL) {
    if (m.Msg == WM_MOUSEMOVE) WMMouseMoveOrLeave(m);
    // Over a graphic child (or while one has the mouse captured) the child gets it, in its
    // own coordinates; this window does not.
    TControl* target = nullptr;
    if (handle_ && GetCapture() == handle_) {
      if (gCaptureControl && gCaptureControl->Parent() == this) target = gCaptureControl;
    } else {
      target = ControlAtPos({m.XPos(), m.YPos()}, false);
    }
    if (target) {
      m.Result = target->Perform(m.Msg, m.WParam, PointToLParam(m.XPos() - target->Left(), m.YPos() - target->Top()));
      if (m.Result == 0 && handle_) DefWindowProcW(handle_, m.Msg, m.WParam, m.LParam);
      return;
    }
  } else if (m.Msg == WM_MOUSELEAVE) {
    WMMouseMoveOrLeave(m);
    return;
  }
  TControl::WndProc(m);
}

void TWinControl::WMMouseMoveOrLeave(TMessage& m) {
  if (m.Msg == WM_MOUSEMOVE) {
    TControl* over = ControlAtPos({m.XPos(), m.YPos()}, true);
    SetMouseControlTo(over ? over : this);
    TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, handle_, 0};
    TrackMouseEvent(&tme);
    return;
  }
  // WM_MOUSELEAVE: the mouse left this window (perhaps into a child window, which then
  // takes over with its own WM_MOUSEMOVE).
  if (gMouseControl == this ||
      (gMouseControl && gMouseControl->Parent() == this && !dynamic_cast<TWinControl*>(gMouseControl)))
    SetMouseControlTo(nullptr);
  DefaultHandler(m);
}

void TWinControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT: WMPaint(m); return;
    case WM_ERASEBKGND: WMEraseBkgnd(m); return;
    case WM_PRINTCLIENT: WMPrintClient(m); return;
    case WM_WINDOWPOSCHANGED: WMWindowPosChanged(m); return;
    case WM_WINDOWPOSCHANGING: {
      // A size set from anywhere (the user's frame, another program) stays within Constraints.
      auto* wp = reinterpret_cast<WINDOWPOS*>(m.LParam);
      if (wp && !(wp->flags & SWP_NOSIZE)) {
        Integer w = wp->cx, h = wp->cy;
        Constraints()->Apply(w, h);
        wp->cx = w;
        wp->cy = h;
      }
      DefaultHandler(m);
      return;
    }
    case WM_NCCALCSIZE: WMNCCalcSize(m); return;
    case WM_NCPAINT: WMNCPaint(m); return;
    case WM_SETFOCUS: WMSetFocus(m); return;
    case WM_KILLFOCUS: WMKillFocus(m); return;
    case WM_SETCURSOR: WMSetCursor(m); return;
    case CM_SHOWINGCHANGED: CMShowingChanged(m); return;
    case CM_RECREATEWND: CMRecreateWnd(m); return;
    case CM_VISIBLECHANGED:
      if (!Visible())
        if (TCustomForm* f = GetParentForm(this)) f->RemoveFocusOf(this);
      UpdateControlState();
      return;
    case CM_ENABLEDCHANGED:
      if (!Enabled())
        if (TCustomForm* f = GetParentForm(this)) f->RemoveFocusOf(this);
      if (handle_) EnableWindow(handle_, Enabled());
      Invalidate();
      return;
    case CM_COLORCHANGED:
      brush_->SetColor(Color());
      NotifyControls(CM_PARENTCOLORCHANGED);
      Invalidate();
      return;
    case CM_FONTCHANGED:
      if (handle_) Perform(WM_SETFONT, ToWParam(Font()->Handle()), 0);
      NotifyControls(CM_PARENTFONTCHANGED);
      Invalidate();
      return;
    case CM_CONTROLLISTCHANGE:
    case CM_CONTROLLISTCHANGING:
      if (parent_) parent_->WindowProc()(m);
      return;
    case CM_SHOWHINTCHANGED: NotifyControls(CM_PARENTSHOWHINTCHANGED); return;
    case CM_FOCUSCHANGED:
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR: Broadcast(m); return;
    case CM_BIDIMODECHANGED:
      NotifyControls(CM_PARENTBIDIMODECHANGED);
      Invalidate();
      return;
    case CM_SYSFONTCHANGED:
    case CM_WININICHANGE: NotifyChildren(m); return;
    case WM_CANCELMODE:
      // The system ends every mode (a modal window comes up): a drop-down closes, a drag ends.
      Perform(CM_CANCELMODE, 0, 0);
      DefaultHandler(m);
      return;
    case CN_CHAR:
    case CN_SYSCHAR: DialogCharHandler(m); return;
    case CM_ENTER: DoEnter(); return;
    case CM_EXIT: DoExit(); return;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: KeyDownHandler(m); return;
    case WM_MOUSEWHEEL: {
      // The form hears of the wheel first, as the class library's CM_MOUSEWHEEL.
      TCustomForm* f = GetParentForm(this);
      if (f && f->Perform(CM_MOUSEWHEEL, m.WParam, m.LParam) != 0) {
        m.Result = 0;
        return;
      }
      DefaultHandler(m);
      return;
    }
    // Notifications for a child go to that child.
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM: ReflectToChild(m, reinterpret_cast<HWND>(m.LParam)); return;
    case WM_NOTIFY: ReflectToChild(m, m.LParam ? reinterpret_cast<NMHDR*>(m.LParam)->hwndFrom : nullptr); return;
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
      ReflectToChild(m, dis && dis->CtlType != ODT_MENU ? dis->hwndItem : nullptr);
      return;
    }
    case WM_DELETEITEM: {
      auto* di = reinterpret_cast<DELETEITEMSTRUCT*>(m.LParam);
      ReflectToChild(m, di ? di->hwndItem : nullptr);
      return;
    }
    case WM_COMPAREITEM: {
      auto* ci = reinterpret_cast<COMPAREITEMSTRUCT*>(m.LParam);
      ReflectToChild(m, ci ? ci->hwndItem : nullptr);
      return;
    }
    case WM_MEASUREITEM: {
      auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
      HWND child = nullptr;
      if (mi && mi->CtlType != ODT_MENU) {
        for (TWinControl* c : winControls_)
          if (c->handle_ && static_cast<UINT>(GetWindowLongPtrW(c->handle_, GWLP_ID)) == mi->CtlID) child = c->handle_;
        // During its creation a child's id is not set yet.
        if (!child && gCreating && gCreating->Parent() == this) child = gCreating->handle_;
      }
      ReflectToChild(m, child);
      return;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: ReflectToChild(m, reinterpret_cast<HWND>(m.LParam)); return;
    case CN_CTLCOLORMSGBOX:
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORDLG:
    case CN_CTLCOLORSCROLLBAR:
    case CN_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(m.WParam);
      SetTextColor(dc, ColorToRGB(Font()->Color()));
      SetBkColor(dc, ColorToRGB(brush_->Color()));
      m.Result = reinterpret_cast<TLResult>(brush_->Handle());
      return;
    }
  }
  TControl::Dispatch(m);
}

void TWinControl::WMSetCursor(TMessage& m) {
  // Over the client area the screen's cursor (while one is set), else the cursor of the
  // control under the mouse (a graphic child's too); crDefault leaves it to the window.
  if (reinterpret_cast<HWND>(m.WParam) == handle_ && LOWORD(m.LParam) == HTCLIENT && Screen) {
    Integer cursor = Screen->Cursor();
    if (cursor == crDefault) {
      POINT p;
      GetCursorPos(&p);
      ::ScreenToClient(handle_, &p);
      TControl* over = ControlAtPos({p.x, p.y}, false);
      cursor = over ? over->Cursor() : crDefault;
      if (cursor == crDefault) cursor = Cursor();
    }
    if (cursor != crDefault) {
      ::SetCursor(Screen->Cursors(cursor));
      m.Result = 1;
      return;
    }
  }
  DefaultHandler(m);
}

void TWinControl::ReflectToChild(TMessage& m, HWND child) {
  TWinControl* c = child ? FindControl(child) : nullptr;
  if (c && c != this) {
    m.Result = c->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
    return;
  }
  DefaultHandler(m);
}

void TWinControl::DefaultHandler(TMessage& m) {
  if (!handle_) {
    TControl::DefaultHandler(m);
    return;
  }
  // The library's own messages mean nothing to the window's class.
  if (IsLibraryMessage(m.Msg)) return;
  if (m.Msg == WM_SETTEXT) text_ = m.LParam ? String(reinterpret_cast<const Char*>(m.LParam)) : String();
  m.Result = CallWindowProcW(reinterpret_cast<WNDPROC>(defWndProc_), handle_, m.Msg, m.WParam, m.LParam);
}

String TWinControl::Text() const {
  if (!handle_) return text_;
  int n = GetWindowTextLengthW(handle_);
  String t(static_cast<size_t>(n), u'\0');
  if (n > 0) n = GetWindowTextW(handle_, reinterpret_cast<LPWSTR>(t.data()), n + 1);
  t.resize(static_cast<size_t>(std::max(n, 0)));
  return t;
}

void TWinControl::WMWindowPosChanged(TMessage& m) {
  UpdateBounds();
  DefaultHandler(m);
}

void TWinControl::KeyDownHandler(TMessage& m) {
  m.Result = 0;
  if (IsMenuKey(m)) {
    m.Result = 1;
    return;
  }
  Cardinal mask = 0;
  switch (m.WParam) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_EXECUTE:
    case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
  }
  if (!mask || m.Msg != CN_KEYDOWN) return;
  if (Perform(CM_WANTSPECIALKEY, m.WParam, m.LParam) != 0) return;
  if (Perform(WM_GETDLGCODE, 0, 0) & mask) return;
  TCustomForm* form = GetParentForm(this);
  if (form && form->Perform(CM_DIALOGKEY, m.WParam, m.LParam) != 0) m.Result = 1;
}

bool TWinControl::IsMenuKey(TMessage& m) {
  const Word key = static_cast<Word>(m.WParam);
  for (TControl* c = this; c; c = c->Parent())
    if (TPopupMenu* menu = c->PopupMenu(); menu && menu->IsShortCut(key)) return true;
  TCustomForm* form = GetParentForm(this);
  return form && form->IsShortCut(key);
}

void TWinControl::DialogCharHandler(TMessage& m) {
  m.Result = 0;
  // A control that takes characters (an edit) keeps them; Alt+character always goes round.
  if (m.Msg == CN_CHAR && (Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS)) return;
  TCustomForm* form = GetParentForm(this);
  if (form && form->Perform(CM_DIALOGCHAR, m.WParam, m.LParam) != 0) m.Result = 1;
}

void TWinControl::NotifyChildren(TMessage& m) {
  for (Integer i = 0; i < ControlCount(); ++i) {
    TMessage copy = m;
    Controls(i)->WindowProc()(copy);
  }
}

// ---- 7. TWinControl: painting ---------------------------------------------------------

void TWinControl::WMPaint(TMessage& m) {
  HDC given = reinterpret_cast<HDC>(m.WParam);
  if (!doubleBuffered_ || given) {
    if (!ControlState().Contains(csCustomPaint) && ControlCount() == 0)
      DefaultHandler(m);
    else
      PaintHandler(given);
    return;
  }
  // Double buffered: erase and paint into a memory bitmap, then copy the update area once.
  TPaintDC paint(handle_);
  TRect r = paint.Rect();
  if (r.IsEmpty()) return;
  TRect client = ClientRect();
  TMemoryDC mem(paint);
  TOwnedBitmap bmp(CreateCompatibleBitmap(paint, client.Right, client.Bottom));
  if (!mem.get() || !bmp) return;
  TSelectObject sel(mem, bmp.get());
  IntersectClipRect(mem, r.Left, r.Top, r.Right, r.Bottom);
  Perform(WM_ERASEBKGND, ToWParam(mem.get()), ToLParam(mem.get()));
  TMessage inner{WM_PAINT, ToWParam(mem.get()), 0, 0};
  WMPaint(inner);
  BitBlt(paint, r.Left, r.Top, r.Width(), r.Height(), mem, r.Left, r.Top, SRCCOPY);
}

void TWinControl::PaintHandler(HDC given) {
  std::unique_ptr<TPaintDC> paint;
  HDC dc = given;
  if (!dc) {
    paint = std::make_unique<TPaintDC>(handle_);
    dc = paint->get();
  }
  if (controls_.empty()) {
    PaintWindow(dc);
  } else {
    // Opaque graphic children cover their part: the window itself paints around them.
    TSaveDC saved(dc);
    int clip = SIMPLEREGION;
    for (TControl* c : controls_)
      if (c->Visible() && c->ControlStyle().Contains(csOpaque)) {
        clip = ExcludeClipRect(dc, c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height());
        if (clip == NULLREGION) break;
      }
    if (clip != NULLREGION) PaintWindow(dc);
  }
  PaintControls(dc, nullptr);
}

void TWinControl::PaintWindow(HDC dc) {
  TMessage m{WM_PAINT, ToWParam(dc), 0, 0};
  DefaultHandler(m);
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
  auto it = first ? std::find(controls_.begin(), controls_.end(), first) : controls_.begin();
  for (; it != controls_.end(); ++it) {
    TControl* c = *it;
    RECT r{c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()};
    if (!c->Visible() || !RectVisible(dc, &r)) continue;
    bool copy = ControlState().Contains(csPaintCopy);
    if (copy) c->SetControlState(c->ControlState() + TControlState{csPaintCopy});
    {
      TSaveDC saved(dc);
      POINT org;
      GetWindowOrgEx(dc, &org);
      SetWindowOrgEx(dc, org.x - c->Left(), org.y - c->Top(), nullptr);
      IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
      c->Perform(WM_PAINT, ToWParam(dc), 0);
    }
    if (copy) c->SetControlState(c->ControlState() - TControlState{csPaintCopy});
  }
}

void TWinControl::WMEraseBkgnd(TMessage& m) {
  // The double-buffered paint erases into its memory DC (WParam = LParam); the real erase
  // of the window is skipped then, so nothing flickers.
  if (doubleBuffered_ && m.WParam != static_cast<TWParam>(m.LParam)) {
    m.Result = 1;
    return;
  }
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  RECT r;
  TRect c = ClientRect();
  r = {c.Left, c.Top, c.Right, c.Bottom};
  // The parent paints what lies behind the control (its background and its own painting).
  if (ParentBackground() && parent_ && handle_ && SUCCEEDED(DrawThemeParentBackground(handle_, dc, &r))) {
    m.Result = 1;
    return;
  }
  FillRect(dc, &r, brush_->Handle());
  m.Result = 1;
}

void TWinControl::WMPrintClient(TMessage& m) {
  if ((m.LParam & PRF_CHECKVISIBLE) && !Visible()) {
    DefaultHandler(m);
    return;
  }
  {
    SetControlState(ControlState() + TControlState{csPrintClient});
    TScopeExit printed([this] { SetControlState(ControlState() - TControlState{csPrintClient}); });
    if (m.LParam & PRF_ERASEBKGND) Perform(WM_ERASEBKGND, m.WParam, static_cast<TLParam>(m.WParam));
    TMessage pm{WM_PAINT, m.WParam, 0, 0};
    WMPaint(pm);
  }
  m.Result = 0;
}

void TWinControl::PaintTo(HDC dc, Integer x, Integer y) {
  if (!HandleAllocated()) return;
  TSaveDC saved(dc);
  POINT org;
  GetWindowOrgEx(dc, &org);
  SetWindowOrgEx(dc, org.x - x, org.y - y, nullptr);
  TRect c = ClientRect();
  IntersectClipRect(dc, 0, 0, c.Right, c.Bottom);
  Perform(WM_ERASEBKGND, ToWParam(dc), ToLParam(dc));
  Perform(WM_PAINT, ToWParam(dc), 0);
  for (TWinControl* child : winControls_)
    if (child->Visible()) child->PaintTo(dc, child->Left(), child->Top());
}

void TWinControl::Invalidate() {
  if (handle_) InvalidateRect(handle_, nullptr, !ControlStyle().Contains(csOpaque));
}

void TWinControl::Update() {
  if (handle_) UpdateWindow(handle_);
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

// ---- 8. TControlCanvas, TGraphicControl, TCustomControl --------------------------------

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::CreateHandle() {
  auto* w = dynamic_cast<TWinControl*>(control_);
  TWinControl* host = w ? w : control_->Parent();
  if (!host) return;
  window_ = host->Handle();
  HDC dc = GetDCEx(window_, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
  if (!dc) return;
  if (!w) {
    // A graphic control draws on its parent's DC, moved to its place and clipped to it.
    SetWindowOrgEx(dc, -control_->Left(), -control_->Top(), nullptr);
    IntersectClipRect(dc, 0, 0, control_->Width(), control_->Height());
  }
  ownsDC_ = true;
  dc_ = dc;
}

void TControlCanvas::FreeHandle() {
  HDC dc = dc_;
  ReleaseDC();
  if (ownsDC_ && dc) ::ReleaseDC(window_, dc);
  ownsDC_ = false;
  window_ = nullptr;
}

void TControlCanvas::SetPaintDC(HDC dc) {
  if (ownsDC_) FreeHandle();
  SetHandle(dc);
}

TW_DEFINE_CLASS(TGraphicControl) {}

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner), canvas_(std::make_unique<TControlCanvas>(this)) {}

TGraphicControl::~TGraphicControl() { canvas_.reset(); }

void TGraphicControl::Dispatch(TMessage& m) {
  if (m.Msg == WM_PAINT) {
    if (m.WParam) PaintOn(reinterpret_cast<HDC>(m.WParam));  // only into their parent's DC
    return;
  }
  TControl::Dispatch(m);
}

void TGraphicControl::PaintOn(HDC dc) {
  TPaintDCScope scope(*canvas_, dc);
  Paint();
}

TW_DEFINE_CLASS(TCustomControl) {}

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>(this)) {
  // It paints itself (Paint), also without children.
  SetControlState(ControlState() + TControlState{csCustomPaint});
}

TCustomControl::~TCustomControl() { canvas_.reset(); }

void TCustomControl::PaintWindow(HDC dc) {
  TPaintDCScope scope(*canvas_, dc);
  Paint();
}
