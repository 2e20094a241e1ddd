#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "ComCtrls.h"
#include "ImgList.h"
#include "Menus.h"
#include "ScopeGuard.h"

TW_DEFINE_CLASS(TProgressBar) {
  b.Property(u"Min", &TProgressBar::Min, &TProgressBar::SetMin).Default(0);
  b.Property(u"Max", &TProgressBar::Max, &TProgressBar::SetMax).Default(100);
  b.Property(u"Position", &TProgressBar::Position, &TProgressBar::SetPosition).Default(0);
  b.Property(u"Step", &TProgressBar::Step, &TProgressBar::SetStep).Default(10);
  b.Property(u"Orientation", &TProgressBar::Orientation, &TProgressBar::SetOrientation).Default(pbHorizontal);
  b.Property(u"Smooth", &TProgressBar::Smooth, &TProgressBar::SetSmooth).Default(false);
  b.Property(u"Style", &TProgressBar::Style, &TProgressBar::SetStyle).Default(pbstNormal);
  b.Property(u"MarqueeInterval", &TProgressBar::MarqueeInterval, &TProgressBar::SetMarqueeInterval).Default(10);
  b.Color(u"BarColor", &TProgressBar::BarColor, &TProgressBar::SetBarColor).Default(clDefault);
  b.Color(u"BackgroundColor", &TProgressBar::BackgroundColor, &TProgressBar::SetBackgroundColor).Default(clDefault);
  b.Property(u"State", &TProgressBar::State, &TProgressBar::SetState).Default(pbsNormal);
  b.Property(u"Font", &TProgressBar::Font, &TProgressBar::SetFont).Stored([](const TProgressBar& p) { return !p.ParentFont(); });
  b.Property(u"ParentFont", &TProgressBar::ParentFont, &TProgressBar::SetParentFont).Default(true);
}

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 150, GetSystemMetrics(SM_CYVSCROLL));
  // The system class must exist before a window can superclass it.
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
}

void TProgressBar::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  CreateSubClass(p, u"msctls_progress32");
  if (orientation_ == pbVertical) p.Style |= PBS_VERTICAL;
  if (smooth_) p.Style |= PBS_SMOOTH;
  if (style_ == pbstMarquee) p.Style |= PBS_MARQUEE;
}

void TProgressBar::HandleCreated() {
  TWinControl::HandleCreated();
  HWND h = WindowHandle();
  SendMessageW(h, PBM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
  SendMessageW(h, PBM_SETSTEP, static_cast<WPARAM>(step_), 0);
  SendMessageW(h, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
  if (barColor_ != clDefault) SendMessageW(h, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(ColorToRGB(barColor_)));
  if (backgroundColor_ != clDefault) SendMessageW(h, PBM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(backgroundColor_)));
  if (style_ == pbstMarquee) SendMessageW(h, PBM_SETMARQUEE, TRUE, marqueeInterval_);
  if (state_ != pbsNormal) SendMessageW(h, PBM_SETSTATE, state_ == pbsError ? PBST_ERROR : PBST_PAUSED, 0);
}

void TProgressBar::SetParams(Integer min, Integer max) {
  if (max < min && !IsLoading()) throw EInvalidOperation(ClassName() + u" property out of range");
  min_ = min;
  max_ = max;
  if (!IsLoading()) position_ = std::clamp(position_, min_, max_);
  if (HandleAllocated()) {
    SendMessageW(WindowHandle(), PBM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
    SendMessageW(WindowHandle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
  }
}

void TProgressBar::Loaded() {
  TWinControl::Loaded();
  if (max_ < min_) throw EInvalidOperation(ClassName() + u" property out of range");
  position_ = std::clamp(position_, min_, max_);
}

void TProgressBar::SetPosition(Integer v) {
  position_ = IsLoading() ? v : std::clamp(v, min_, max_);
  if (HandleAllocated()) SendMessageW(WindowHandle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

void TProgressBar::SetStep(Integer v) {
  step_ = v;
  if (HandleAllocated()) SendMessageW(WindowHandle(), PBM_SETSTEP, static_cast<WPARAM>(v), 0);
}

void TProgressBar::SetOrientation(TProgressBarOrientation o) {
  if (o == orientation_) return;
  orientation_ = o;
  RecreateWnd();
}

void TProgressBar::SetSmooth(bool v) {
  if (v == smooth_) return;
  smooth_ = v;
  RecreateWnd();
}

void TProgressBar::SetStyle(TProgressBarStyle s) {
  if (s == style_) return;
  style_ = s;
  RecreateWnd();
}

void TProgressBar::SetMarqueeInterval(Integer ms) {
  marqueeInterval_ = ms;
  if (HandleAllocated() && style_ == pbstMarquee) SendMessageW(WindowHandle(), PBM_SETMARQUEE, TRUE, ms);
}

void TProgressBar::SetBarColor(TColor c) {
  barColor_ = c;
  if (HandleAllocated())
    SendMessageW(WindowHandle(), PBM_SETBARCOLOR, 0, c == clDefault ? CLR_DEFAULT : static_cast<LPARAM>(ColorToRGB(c)));
}

void TProgressBar::SetBackgroundColor(TColor c) {
  backgroundColor_ = c;
  if (HandleAllocated())
    SendMessageW(WindowHandle(), PBM_SETBKCOLOR, 0, c == clDefault ? CLR_DEFAULT : static_cast<LPARAM>(ColorToRGB(c)));
}

void TProgressBar::SetState(TProgressBarState s) {
  state_ = s;
  static constexpr WPARAM kState[] = {PBST_NORMAL, PBST_ERROR, PBST_PAUSED};
  if (HandleAllocated()) SendMessageW(WindowHandle(), PBM_SETSTATE, kState[s], 0);
}

// ---- TToolBar and TToolButton ---------------------------------------------------------

TCustomDrawState CustomDrawStateOf(Cardinal itemState) { return TCustomDrawState::FromBits(itemState & 0x1FFF); }

TW_DEFINE_CLASS(TToolButton) {
  b.Property(u"Caption", &TToolButton::Caption, &TToolButton::SetCaption).Stored(&TToolButton::IsCaptionStored);
  // Not stored while the action gives it.
  b.Property(u"ImageIndex", &TToolButton::ImageIndex, &TToolButton::SetImageIndex).Default(-1).Stored([](const TToolButton& t) {
    auto* a = dynamic_cast<TCustomAction*>(t.Action());
    return !a || a->ImageIndex() != t.ImageIndex();
  });
  b.Property(u"Style", &TToolButton::Style, &TToolButton::SetStyle).Default(tbsButton);
  b.Property(u"Down", &TToolButton::Down, &TToolButton::SetDown).Default(false);
  b.Property(u"DropdownMenu", &TToolButton::DropdownMenu, &TToolButton::SetDropdownMenu);
  b.Property(u"OnClick", &TToolButton::OnClick, &TToolButton::SetOnClick).Stored(&TToolButton::IsOnClickStored);
}

TToolButton::TToolButton(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(TControlStyle{csCaptureMouse, csSetCaption});
  TGraphicControl::SetBounds(0, 0, 23, 22);
}

TToolButton::~TToolButton() {
  if (dropdownMenu_) dropdownMenu_->RemoveFreeNotification(this);
}

void TToolButton::SetDropdownMenu(TPopupMenu* menu) {
  if (menu == dropdownMenu_) return;
  if (dropdownMenu_) dropdownMenu_->RemoveFreeNotification(this);
  dropdownMenu_ = menu;
  if (menu) menu->FreeNotification(this);
}

void TToolButton::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == dropdownMenu_) dropdownMenu_ = nullptr;
}

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(Parent()); }

void TToolButton::ActionChange(TObject* sender, bool checkDefaults) {
  TGraphicControl::ActionChange(sender, checkDefaults);
  auto* a = dynamic_cast<TCustomAction*>(sender);
  if (!a) return;
  if (!checkDefaults || imageIndex_ == -1) SetImageIndex(a->ImageIndex());
  if (!checkDefaults || !down_) SetDown(a->Checked());
}

Integer TToolButton::Index() const {
  if (TToolBar* bar = ToolBar())
    for (Integer i = 0; i < bar->ButtonCount(); ++i)
      if (bar->Buttons(i) == this) return i;
  return -1;
}

void TToolButton::Changed() {
  if (TToolBar* bar = ToolBar()) bar->RebuildButtons();
}

void TToolButton::SetImageIndex(Integer value) {
  if (value == imageIndex_) return;
  imageIndex_ = value;
  Changed();
}

void TToolButton::SetStyle(TToolButtonStyle value) {
  if (value == style_) return;
  style_ = value;
  Changed();
}

void TToolButton::SetDown(bool value) {
  if (value == down_) return;
  down_ = value;
  Changed();
}

void TToolButton::SetBounds(Integer left, Integer top, Integer width, Integer height) {
  if (ToolBar() && !positioning_) return;
  TGraphicControl::SetBounds(left, top, width, height);
}

void TToolButton::Dispatch(TMessage& m) {
  TGraphicControl::Dispatch(m);
  if (m.Msg == CM_TEXTCHANGED || m.Msg == CM_ENABLEDCHANGED) Changed();
}

TW_DEFINE_CLASS(TToolBar) {
  b.Property(u"Images", &TToolBar::Images, &TToolBar::SetImages);
  b.Property(u"HotImages", &TToolBar::HotImages, &TToolBar::SetHotImages);
  b.Property(u"DisabledImages", &TToolBar::DisabledImages, &TToolBar::SetDisabledImages);
  b.Property(u"Flat", &TToolBar::Flat, &TToolBar::SetFlat).Default(true);
  b.Property(u"List", &TToolBar::List, &TToolBar::SetList).Default(false);
  b.Property(u"ShowCaptions", &TToolBar::ShowCaptions, &TToolBar::SetShowCaptions).Default(false);
}

TToolBar::TToolBar(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  SetBounds(0, 0, 150, 29);
  SetColor(clBtnFace);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
}

TToolBar::~TToolBar() {
  for (TCustomImageList* list : {images_, hotImages_, disabledImages_})
    if (list) list->RemoveFreeNotification(this);
}

Integer TToolBar::ButtonCount() const {
  Integer n = 0;
  for (Integer i = 0; i < ControlCount(); ++i)
    if (dynamic_cast<TToolButton*>(Controls(i))) ++n;
  return n;
}

TToolButton* TToolBar::Buttons(Integer index) const {
  for (Integer i = 0; i < ControlCount(); ++i)
    if (auto* b = dynamic_cast<TToolButton*>(Controls(i)); b && index-- == 0) return b;
  return nullptr;
}

void TToolBar::SetImageList(TCustomImageList*& field, TCustomImageList* value) {
  if (value == field) return;
  if (field) field->RemoveFreeNotification(this);
  field = value;
  if (field) field->FreeNotification(this);
  SendImageLists();
  RebuildButtons();
}

void TToolBar::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  for (TCustomImageList** field : {&images_, &hotImages_, &disabledImages_})
    if (*field == component) {
      *field = nullptr;
      SendImageLists();
    }
}

void TToolBar::SetFlat(bool value) {
  if (value == flat_) return;
  flat_ = value;
  RecreateWnd();
}

void TToolBar::SetList(bool value) {
  if (value == list_) return;
  list_ = value;
  RecreateWnd();
}

void TToolBar::SetShowCaptions(bool value) {
  if (value == showCaptions_) return;
  showCaptions_ = value;
  RebuildButtons();
}

void TToolBar::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  CreateSubClass(p, u"ToolbarWindow32");
  // The library places the bar: the system neither moves nor sizes it.
  p.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
  if (flat_) p.Style |= TBSTYLE_FLAT;
  if (list_) p.Style |= TBSTYLE_LIST;
}

void TToolBar::HandleCreated() {
  TWinControl::HandleCreated();
  SendMessageW(WindowHandle(), TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(WindowHandle(), TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
  SendImageLists();
  RebuildButtons();
}

void TToolBar::SendImageLists() {
  if (!HandleAllocated()) return;
  auto handle = [](TCustomImageList* list) { return reinterpret_cast<LPARAM>(list ? list->Handle() : nullptr); };
  SendMessageW(WindowHandle(), TB_SETIMAGELIST, 0, handle(images_));
  SendMessageW(WindowHandle(), TB_SETHOTIMAGELIST, 0, handle(hotImages_));
  SendMessageW(WindowHandle(), TB_SETDISABLEDIMAGELIST, 0, handle(disabledImages_));
}

void TToolBar::RebuildButtons() {
  if (!HandleAllocated() || ComponentState().Contains(csDestroying)) return;
  HWND h = WindowHandle();
  while (SendMessageW(h, TB_BUTTONCOUNT, 0, 0) > 0) SendMessageW(h, TB_DELETEBUTTON, 0, 0);
  const Integer count = ButtonCount();
  std::vector<TBBUTTON> buttons(static_cast<size_t>(count));
  std::vector<String> captions(static_cast<size_t>(count));
  for (Integer i = 0; i < count; ++i) {
    TToolButton* b = Buttons(i);
    TBBUTTON& tb = buttons[static_cast<size_t>(i)];
    tb.idCommand = i;
    tb.iBitmap = b->ImageIndex() >= 0 ? b->ImageIndex() : I_IMAGENONE;
    tb.fsState = b->Enabled() ? TBSTATE_ENABLED : 0;
    switch (b->Style()) {
      case tbsCheck: tb.fsStyle = BTNS_CHECK; break;
      case tbsDropDown: tb.fsStyle = BTNS_DROPDOWN; break;
      case tbsSeparator:
      case tbsDivider:
        tb.fsStyle = BTNS_SEP;
        tb.iBitmap = b->Width();
        break;
      case tbsTextButton: tb.fsStyle = BTNS_SHOWTEXT | BTNS_AUTOSIZE; break;
      default: tb.fsStyle = BTNS_BUTTON;
    }
    if (b->Down()) tb.fsState |= b->Style() == tbsCheck ? TBSTATE_CHECKED : TBSTATE_PRESSED;
    tb.iString = -1;
    if (showCaptions_ || b->Style() == tbsTextButton) {
      captions[static_cast<size_t>(i)] = b->Caption();
      tb.iString = reinterpret_cast<INT_PTR>(captions[static_cast<size_t>(i)].c_str());
    }
  }
  if (count > 0) SendMessageW(h, TB_ADDBUTTONSW, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(buttons.data()));
  UpdateButtonBounds();
}

void TToolBar::UpdateButtonBounds() {
  for (Integer i = 0; i < ButtonCount(); ++i) {
    RECT r{};
    if (!SendMessageW(WindowHandle(), TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r))) continue;
    TToolButton* b = Buttons(i);
    auto positioning = SetForScope(b->positioning_, true, false);
    b->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  }
}

void TToolBar::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_CONTROLLISTCHANGE:
      if (dynamic_cast<TToolButton*>(reinterpret_cast<TControl*>(m.WParam)) || m.LParam == 0) RebuildButtons();
      break;
    case CN_COMMAND:
      // A button was clicked: its command id is its index.
      if (TToolButton* b = Buttons(LOWORD(m.WParam))) {
        if (b->Style() == tbsCheck)
          b->down_ = SendMessageW(WindowHandle(), TB_ISBUTTONCHECKED, LOWORD(m.WParam), 0) != 0;
        b->Click();
      }
      return;
    case CN_NOTIFY:
      if (m.LParam && reinterpret_cast<NMHDR*>(m.LParam)->code == TBN_DROPDOWN) {
        DropDown(m);
        return;
      }
      break;
  }
  TWinControl::Dispatch(m);
}

void TToolBar::DropDown(TMessage& m) {
  const auto* nm = reinterpret_cast<const NMTOOLBARW*>(m.LParam);
  TToolButton* button = Buttons(nm->iItem);  // the command id is the button's index
  TPopupMenu* menu = button ? button->DropdownMenu() : nullptr;
  if (!menu) {
    m.Result = TBDDRET_NODEFAULT;
    return;
  }
  RECT r{};
  SendMessageW(WindowHandle(), TB_GETRECT, static_cast<WPARAM>(nm->iItem), reinterpret_cast<LPARAM>(&r));
  POINT below{r.left, r.bottom};
  ::ClientToScreen(WindowHandle(), &below);
  menu->SetPopupComponent(button);
  menu->Popup(below.x, below.y);  // returns when the menu has closed
  Perform(CN_DROPDOWNCLOSED, 0, 0);
  m.Result = TBDDRET_DEFAULT;
}

void TToolBar::WndProc(TMessage& m) {
  // The system tool bar handles the mouse over its buttons itself (pressing, hot tracking);
  // the library only follows where the mouse is.
  if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST && m.Msg != WM_MOUSEWHEEL && m.Msg != WM_MOUSEHWHEEL) {
    if (m.Msg == WM_MOUSEMOVE) WMMouseMoveOrLeave(m);
    DefaultHandler(m);
    return;
  }
  TWinControl::WndProc(m);
}
