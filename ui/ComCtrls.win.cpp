// The progress bar, the tool bar, the track bar, the up-down and the status bar.
//
// Sections:
//   1. TProgressBar
//   2. TToolButton, TToolBar
//   3. TTrackBar
//   4. TUpDown
//   5. TStatusPanel, TStatusPanels, TStatusBar
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "ComCtrls.h"
#include "CommonProperties.h"
#include "ImgList.h"
#include "Menus.h"
#include "ScopeGuard.h"

// ---- 1. TProgressBar ------------------------------------------------------------------

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
  b.Property(u"Font", &TProgressBar::Font, &TProgressBar::SetFont).Stored([](const TProgressBar& p) {
    return !p.ParentFont();
  });
  b.Property(u"ParentFont", &TProgressBar::ParentFont, &TProgressBar::SetParentFont).Default(true);
}

TProgressBar::TProgressBar(TComponent* owner) : TSystemControl(owner, u"msctls_progress32", ICC_PROGRESS_CLASS) {
  SetBounds(0, 0, 150, GetSystemMetrics(SM_CYVSCROLL));
}

void TProgressBar::CreateParams(TCreateParams& p) {
  TSystemControl::CreateParams(p);
  if (orientation_ == pbVertical) p.Style |= PBS_VERTICAL;
  if (smooth_) p.Style |= PBS_SMOOTH;
  if (style_ == pbstMarquee) p.Style |= PBS_MARQUEE;
}

void TProgressBar::HandleCreated() {
  TSystemControl::HandleCreated();
  HWND h = WindowHandle();
  SendMessageW(h, PBM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
  SendMessageW(h, PBM_SETSTEP, static_cast<WPARAM>(step_), 0);
  SendMessageW(h, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
  if (barColor_ != clDefault) SendMessageW(h, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(ColorToRGB(barColor_)));
  if (backgroundColor_ != clDefault)
    SendMessageW(h, PBM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(backgroundColor_)));
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
  TSystemControl::Loaded();
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

// ---- 2. TToolButton, TToolBar ---------------------------------------------------------

TW_DEFINE_CLASS(TToolButton) {
  b.Property(u"Caption", &TToolButton::Caption, &TToolButton::SetCaption).Stored(&TToolButton::IsCaptionStored);
  // Not stored while the action gives it.
  b.Property(u"ImageIndex", &TToolButton::ImageIndex, &TToolButton::SetImageIndex)
      .Default(-1)
      .Stored([](const TToolButton& t) {
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
  b.Property(u"OnCustomDraw", &TToolBar::OnCustomDraw, &TToolBar::SetOnCustomDraw);
  b.Property(u"OnCustomDrawButton", &TToolBar::OnCustomDrawButton, &TToolBar::SetOnCustomDrawButton);
  b.Property(u"OnAdvancedCustomDraw", &TToolBar::OnAdvancedCustomDraw, &TToolBar::SetOnAdvancedCustomDraw);
  b.Property(u"OnAdvancedCustomDrawButton", &TToolBar::OnAdvancedCustomDrawButton,
             &TToolBar::SetOnAdvancedCustomDrawButton);
}

TToolBar::TToolBar(TComponent* owner) : TSystemControl(owner, u"ToolbarWindow32", ICC_BAR_CLASSES) {
  SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  SetBounds(0, 0, 150, 29);
  SetColor(clBtnFace);
}

TToolBar::~TToolBar() {
  for (TCustomImageList** field : {&images_, &hotImages_, &disabledImages_}) ReplaceImageList(this, *field, nullptr);
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
  if (!ReplaceImageList(this, field, value)) return;
  SendImageLists();
  RebuildButtons();
}

void TToolBar::Notification(TComponent* component, TOperation operation) {
  TSystemControl::Notification(component, operation);
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
  TSystemControl::CreateParams(p);
  // The library places the bar: the system neither moves nor sizes it.
  p.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
  if (flat_) p.Style |= TBSTYLE_FLAT;
  if (list_) p.Style |= TBSTYLE_LIST;
}

void TToolBar::HandleCreated() {
  TSystemControl::HandleCreated();
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
    case WM_PAINT:
      // The system bar paints its buttons (the tool buttons only stand for them): its own
      // paint, with the real update area for the custom-draw stages.
      DefaultHandler(m);
      return;
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
  }
  TSystemControl::Dispatch(m);
}

bool TToolBar::Notify(TMessage& m) {
  if (reinterpret_cast<NMHDR*>(m.LParam)->code == static_cast<UINT>(TBN_DROPDOWN)) {
    DropDown(m);
    return true;
  }
  return TSystemControl::Notify(m);
}

bool TToolBar::IsCustomDrawn(TCustomDrawTarget target, TCustomDrawStage stage) {
  if (target == dtControl) return onAdvancedCustomDraw_ || (onCustomDraw_ && stage == cdPrePaint);
  if (target == dtItem) return onAdvancedCustomDrawButton_ || (onCustomDrawButton_ && stage == cdPrePaint);
  return false;
}

bool TToolBar::CustomDrawStage(TCustomDrawInfo& info) {
  bool defaultDraw = true;
  if (info.Target == dtControl) {
    if (info.Stage == cdPrePaint) onCustomDraw_.Call(this, info.Rect, defaultDraw);
    if (defaultDraw) onAdvancedCustomDraw_.Call(this, info.Rect, info.Stage, defaultDraw);
    return defaultDraw;
  }
  // A button's command id is its index.
  TToolButton* button = Buttons(static_cast<Integer>(info.ItemSpec));
  if (!button) return true;
  if (info.Stage == cdPrePaint) onCustomDrawButton_.Call(this, button, info.State, defaultDraw);
  if (defaultDraw && onAdvancedCustomDrawButton_) {
    TTBCustomDrawFlags flags;
    onAdvancedCustomDrawButton_(this, button, info.State, info.Stage, flags, defaultDraw);
    static constexpr Cardinal kFlag[] = {TBCDRF_NOEDGES, TBCDRF_HILITEHOTTRACK, TBCDRF_NOOFFSET, TBCDRF_NOMARK,
                                         TBCDRF_NOETCHEDEFFECT};
    for (int i = 0; i < 5; ++i)
      if (flags.Contains(static_cast<TTBCustomDrawFlag>(i))) info.ResultFlags |= kFlag[i];
  }
  return defaultDraw;
}

void TToolBar::ItemColorsChanged(TCustomDrawInfo& info, TColor text, TColor background) {
  auto* cd = static_cast<NMTBCUSTOMDRAW*>(info.Notification);
  cd->clrText = ColorToRGB(text);
  cd->clrBtnFace = ColorToRGB(background);
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
  TSystemControl::WndProc(m);
}

// ---- 3. TTrackBar ---------------------------------------------------------------------

TW_DEFINE_CLASS(TTrackBar) {
  PublishFocus(b, true);
  b.Property(u"Min", &TTrackBar::Min, &TTrackBar::SetMin).Default(0);
  b.Property(u"Max", &TTrackBar::Max, &TTrackBar::SetMax).Default(10);
  b.Property(u"Position", &TTrackBar::Position, &TTrackBar::SetPosition).Default(0);
  b.Property(u"Orientation", &TTrackBar::Orientation, &TTrackBar::SetOrientation).Default(trHorizontal);
  b.Property(u"Frequency", &TTrackBar::Frequency, &TTrackBar::SetFrequency).Default(1);
  b.Property(u"TickStyle", &TTrackBar::TickStyle, &TTrackBar::SetTickStyle).Default(tsAuto);
  b.Property(u"TickMarks", &TTrackBar::TickMarks, &TTrackBar::SetTickMarks).Default(tmBottomRight);
  b.Property(u"SelStart", &TTrackBar::SelStart, &TTrackBar::SetSelStart).Default(0);
  b.Property(u"SelEnd", &TTrackBar::SelEnd, &TTrackBar::SetSelEnd).Default(0);
  b.Property(u"ShowSelRange", &TTrackBar::ShowSelRange, &TTrackBar::SetShowSelRange).Default(true);
  b.Property(u"PageSize", &TTrackBar::PageSize, &TTrackBar::SetPageSize).Default(2);
  b.Property(u"LineSize", &TTrackBar::LineSize, &TTrackBar::SetLineSize).Default(1);
  b.Property(u"ThumbLength", &TTrackBar::ThumbLength, &TTrackBar::SetThumbLength).Default(20);
  b.Property(u"SliderVisible", &TTrackBar::SliderVisible, &TTrackBar::SetSliderVisible).Default(true);
  b.Property(u"PositionToolTip", &TTrackBar::PositionToolTip, &TTrackBar::SetPositionToolTip).Default(ptNone);
  b.Property(u"OnChange", &TTrackBar::OnChange, &TTrackBar::SetOnChange);
}

TTrackBar::TTrackBar(TComponent* owner) : TSystemControl(owner, u"msctls_trackbar32", ICC_BAR_CLASSES) {
  SetBounds(0, 0, 150, 45);
  SetTabStop(true);
  SetControlStyle(TControlStyle{csCaptureMouse, csDoubleClicks});
}

void TTrackBar::CreateParams(TCreateParams& p) {
  TSystemControl::CreateParams(p);
  // Quick clicks are clicks each: the system class knows no double click.
  p.ClassStyle &= ~CS_DBLCLKS;
  p.Style |= orientation_ == trHorizontal ? TBS_HORZ : TBS_VERT;
  static constexpr Cardinal kMarks[] = {TBS_BOTTOM, TBS_TOP, TBS_BOTH};
  p.Style |= kMarks[tickMarks_];
  if (tickStyle_ == tsNone) p.Style |= TBS_NOTICKS;
  if (tickStyle_ == tsAuto) p.Style |= TBS_AUTOTICKS;
  if (showSelRange_) p.Style |= TBS_ENABLESELRANGE;
  if (!sliderVisible_) p.Style |= TBS_NOTHUMB;
  if (thumbLength_ != 20) p.Style |= TBS_FIXEDLENGTH;
  if (positionToolTip_ != ptNone) p.Style |= TBS_TOOLTIPS;
}

void TTrackBar::HandleCreated() {
  TSystemControl::HandleCreated();
  SendToWindow(TBM_SETRANGEMIN, FALSE, min_);
  SendToWindow(TBM_SETRANGEMAX, FALSE, max_);
  SendToWindow(TBM_SETPOS, TRUE, position_);
  SendToWindow(TBM_SETTICFREQ, static_cast<WPARAM>(frequency_), 0);
  SendToWindow(TBM_SETPAGESIZE, 0, pageSize_);
  SendToWindow(TBM_SETLINESIZE, 0, lineSize_);
  SendToWindow(TBM_SETSEL, TRUE, MAKELPARAM(selStart_, selEnd_));
  if (thumbLength_ != 20) SendToWindow(TBM_SETTHUMBLENGTH, static_cast<WPARAM>(thumbLength_), 0);
  static constexpr WPARAM kSide[] = {0, TBTS_TOP, TBTS_LEFT, TBTS_BOTTOM, TBTS_RIGHT};
  if (positionToolTip_ != ptNone) SendToWindow(TBM_SETTIPSIDE, kSide[positionToolTip_], 0);
}

void TTrackBar::SetMin(Integer v) {
  if (v == min_) return;
  min_ = v;
  SendToWindow(TBM_SETRANGEMIN, TRUE, v);
  if (!IsLoading() && position_ < min_) SetPosition(min_);
}

void TTrackBar::SetMax(Integer v) {
  if (v == max_) return;
  max_ = v;
  SendToWindow(TBM_SETRANGEMAX, TRUE, v);
  if (!IsLoading() && position_ > max_) SetPosition(max_);
}

Integer TTrackBar::Position() const {
  return HandleAllocated() ? static_cast<Integer>(SendToWindow(TBM_GETPOS)) : position_;
}

void TTrackBar::SetPosition(Integer v) {
  if (!IsLoading()) v = std::clamp(v, min_, std::max(min_, max_));
  if (v == Position() && v == position_) return;
  position_ = v;
  SendToWindow(TBM_SETPOS, TRUE, v);
  if (!IsLoading()) Changed();
}

void TTrackBar::SetOrientation(TTrackBarOrientation o) {
  if (o == orientation_) return;
  orientation_ = o;
  // The bar turns: width and height swap (not while a description sets both).
  if (!IsLoading()) SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TTrackBar::SetFrequency(Integer v) {
  frequency_ = v;
  SendToWindow(TBM_SETTICFREQ, static_cast<WPARAM>(v), 0);
}

void TTrackBar::SetTickStyle(TTickStyle s) {
  if (s == tickStyle_) return;
  tickStyle_ = s;
  RecreateWnd();
}

void TTrackBar::SetTickMarks(TTickMark m) {
  if (m == tickMarks_) return;
  tickMarks_ = m;
  RecreateWnd();
}

void TTrackBar::SetTick(Integer value) { SendMessageW(Handle(), TBM_SETTIC, 0, value); }

void TTrackBar::SetSelStart(Integer v) {
  selStart_ = v;
  SendToWindow(TBM_SETSELSTART, TRUE, v);
}

void TTrackBar::SetSelEnd(Integer v) {
  selEnd_ = v;
  SendToWindow(TBM_SETSELEND, TRUE, v);
}

void TTrackBar::SetShowSelRange(bool v) {
  if (v == showSelRange_) return;
  showSelRange_ = v;
  ChangeStyle(TBS_ENABLESELRANGE, v, true);
}

void TTrackBar::SetPageSize(Integer v) {
  pageSize_ = v;
  SendToWindow(TBM_SETPAGESIZE, 0, v);
}

void TTrackBar::SetLineSize(Integer v) {
  lineSize_ = v;
  SendToWindow(TBM_SETLINESIZE, 0, v);
}

void TTrackBar::SetThumbLength(Integer v) {
  if (v == thumbLength_) return;
  thumbLength_ = v;
  ChangeStyle(TBS_FIXEDLENGTH, true, true);
  SendToWindow(TBM_SETTHUMBLENGTH, static_cast<WPARAM>(v), 0);
}

void TTrackBar::SetSliderVisible(bool v) {
  if (v == sliderVisible_) return;
  sliderVisible_ = v;
  ChangeStyle(TBS_NOTHUMB, !v, false);
}

void TTrackBar::SetPositionToolTip(TPositionToolTip v) {
  if (v == positionToolTip_) return;
  positionToolTip_ = v;
  RecreateWnd();
}

void TTrackBar::Changed() {
  TControl::Changed();
  onChange_.Call(this);
}

void TTrackBar::Dispatch(TMessage& m) {
  if (m.Msg == CN_HSCROLL || m.Msg == CN_VSCROLL) {
    const Integer now = static_cast<Integer>(SendToWindow(TBM_GETPOS));
    if (now != position_) {
      position_ = now;
      Changed();
    }
    m.Result = 0;
    return;
  }
  TSystemControl::Dispatch(m);
}

// ---- 4. TUpDown -----------------------------------------------------------------------

TW_DEFINE_CLASS(TUpDown) {
  PublishFocus(b, false);
  b.Property(u"Associate", &TUpDown::Associate, &TUpDown::SetAssociate);
  b.Property(u"AlignButton", &TUpDown::AlignButton, &TUpDown::SetAlignButton).Default(udRight);
  b.Property(u"ArrowKeys", &TUpDown::ArrowKeys, &TUpDown::SetArrowKeys).Default(true);
  b.Property(u"Min", &TUpDown::Min, &TUpDown::SetMin).Default(0);
  b.Property(u"Max", &TUpDown::Max, &TUpDown::SetMax).Default(100);
  b.Property(u"Increment", &TUpDown::Increment, &TUpDown::SetIncrement).Default(1);
  b.Property(u"Position", &TUpDown::Position, &TUpDown::SetPosition).Default(0);
  b.Property(u"Orientation", &TUpDown::Orientation, &TUpDown::SetOrientation).Default(udVertical);
  b.Property(u"Wrap", &TUpDown::Wrap, &TUpDown::SetWrap).Default(false);
  b.Property(u"Thousands", &TUpDown::Thousands, &TUpDown::SetThousands).Default(true);
  b.Property(u"OnClick", &TUpDown::OnClick, &TUpDown::SetOnClick);
  b.Property(u"OnChanging", &TUpDown::OnChanging, &TUpDown::SetOnChanging);
}

TUpDown::TUpDown(TComponent* owner) : TSystemControl(owner, u"msctls_updown32", ICC_UPDOWN_CLASS) {
  SetBounds(0, 0, GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYVSCROLL) * 2);
  SetControlStyle(ControlStyle() - TControlStyle{csCaptureMouse, csClickEvents});
}

TUpDown::~TUpDown() { ReplaceReference<TWinControl>(this, associate_, nullptr); }

void TUpDown::CreateParams(TCreateParams& p) {
  TSystemControl::CreateParams(p);
  // Quick clicks are clicks each: the system class knows no double click.
  p.ClassStyle &= ~CS_DBLCLKS;
  p.Style |= UDS_SETBUDDYINT | (alignButton_ == udRight ? UDS_ALIGNRIGHT : UDS_ALIGNLEFT);
  if (orientation_ == udHorizontal) p.Style |= UDS_HORZ;
  if (arrowKeys_) p.Style |= UDS_ARROWKEYS;
  if (wrap_) p.Style |= UDS_WRAP;
  if (!thousands_) p.Style |= UDS_NOTHOUSANDS;
}

void TUpDown::HandleCreated() {
  TSystemControl::HandleCreated();
  SendToWindow(UDM_SETRANGE32, static_cast<WPARAM>(min_), max_);
  UDACCEL accel{0, static_cast<UINT>(increment_)};
  SendToWindow(UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  SendToWindow(UDM_SETPOS32, 0, position_);
  SendBuddy();
}

void TUpDown::SendBuddy() {
  if (!HandleAllocated()) return;
  HWND buddy = associate_ ? associate_->Handle() : nullptr;
  SendToWindow(UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
  // The buddy shows the position from now on.
  if (buddy) SendToWindow(UDM_SETPOS32, 0, position_);
}

void TUpDown::SetAssociate(TWinControl* c) {
  if (c == associate_) return;
  if (c == this) throw EInvalidOperation("An up-down cannot be its own associate");
  ReplaceReference(this, associate_, c);
  if (!IsLoading()) SendBuddy();
}

void TUpDown::Notification(TComponent* component, TOperation operation) {
  TSystemControl::Notification(component, operation);
  if (operation == opRemove && component == associate_) {
    associate_ = nullptr;
    if (HandleAllocated() && !IsDestroying()) SendToWindow(UDM_SETBUDDY, 0, 0);
  }
}

void TUpDown::SetAlignButton(TUDAlignButton a) {
  if (a == alignButton_) return;
  alignButton_ = a;
  RecreateWnd();
}

void TUpDown::SetArrowKeys(bool v) {
  if (v == arrowKeys_) return;
  arrowKeys_ = v;
  RecreateWnd();
}

void TUpDown::SetMin(Integer v) {
  min_ = v;
  SendToWindow(UDM_SETRANGE32, static_cast<WPARAM>(min_), max_);
}

void TUpDown::SetMax(Integer v) {
  max_ = v;
  SendToWindow(UDM_SETRANGE32, static_cast<WPARAM>(min_), max_);
}

void TUpDown::SetIncrement(Integer v) {
  increment_ = v;
  UDACCEL accel{0, static_cast<UINT>(v)};
  SendToWindow(UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
}

Integer TUpDown::Position() const {
  if (!HandleAllocated()) return position_;
  BOOL failed = FALSE;
  const Integer pos = static_cast<Integer>(SendToWindow(UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed)));
  return failed ? position_ : pos;
}

void TUpDown::SetPosition(Integer v) {
  position_ = v;
  SendToWindow(UDM_SETPOS32, 0, v);
}

void TUpDown::SetOrientation(TUDOrientation o) {
  if (o == orientation_) return;
  orientation_ = o;
  if (!IsLoading()) SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TUpDown::SetWrap(bool v) {
  if (v == wrap_) return;
  wrap_ = v;
  RecreateWnd();
}

void TUpDown::SetThousands(bool v) {
  if (v == thousands_) return;
  thousands_ = v;
  RecreateWnd();
}

bool TUpDown::CanChange() {
  bool allow = true;
  onChanging_.Call(this, allow);
  return allow;
}

bool TUpDown::Notify(TMessage& m) {
  if (reinterpret_cast<NMHDR*>(m.LParam)->code == static_cast<UINT>(UDN_DELTAPOS)) {
    // A non-zero answer keeps the position.
    m.Result = CanChange() ? 0 : 1;
    return true;
  }
  return TSystemControl::Notify(m);
}

void TUpDown::Dispatch(TMessage& m) {
  if ((m.Msg == CN_HSCROLL || m.Msg == CN_VSCROLL) && LOWORD(m.WParam) == SB_THUMBPOSITION) {
    const Integer now = Position();
    if (now != position_) {
      // Up (or right) steps on; with Wrap the position may have gone round the other way.
      const bool next = (now > position_) != (wrap_ && std::abs(now - position_) > increment_);
      position_ = now;
      Click(next ? btNext : btPrev);
    }
    m.Result = 0;
    return;
  }
  TSystemControl::Dispatch(m);
}

// ---- 5. TStatusPanel, TStatusPanels, TStatusBar ---------------------------------------

TW_DEFINE_CLASS(TStatusPanel) {
  b.Property(u"Text", &TStatusPanel::Text, &TStatusPanel::SetText);
  b.Property(u"Width", &TStatusPanel::Width, &TStatusPanel::SetWidth).Default(50);
  b.Property(u"Alignment", &TStatusPanel::Alignment, &TStatusPanel::SetAlignment).Default(taLeftJustify);
  b.Property(u"Style", &TStatusPanel::Style, &TStatusPanel::SetStyle).Default(psText);
  b.Property(u"Bevel", &TStatusPanel::Bevel, &TStatusPanel::SetBevel).Default(pbLowered);
}

TStatusPanel::TStatusPanel(TCollection* collection) : TCollectionItem(collection) {}

void TStatusPanel::SetText(const String& text) {
  if (text == text_) return;
  text_ = text;
  Changed(false);
}

void TStatusPanel::SetWidth(Integer w) {
  w = std::max(w, 0);
  if (w == width_) return;
  width_ = w;
  Changed(true);
}

void TStatusPanel::SetAlignment(TAlignment a) {
  if (a == alignment_) return;
  alignment_ = a;
  Changed(false);
}

void TStatusPanel::SetStyle(TStatusPanelStyle s) {
  if (s == style_) return;
  style_ = s;
  Changed(false);
}

void TStatusPanel::SetBevel(TStatusPanelBevel b) {
  if (b == bevel_) return;
  bevel_ = b;
  Changed(false);
}

void TStatusPanel::Assign(const TPersistent* source) {
  if (auto* p = dynamic_cast<const TStatusPanel*>(source)) {
    text_ = p->text_;
    width_ = p->width_;
    alignment_ = p->alignment_;
    style_ = p->style_;
    bevel_ = p->bevel_;
    Changed(true);
    return;
  }
  TCollectionItem::Assign(source);
}

TW_DEFINE_CLASS(TStatusPanels) {}

TStatusPanels::TStatusPanels(TStatusBar* statusBar) : TCollection(TStatusPanel::StaticClass()), statusBar_(statusBar) {
  SetOwner(statusBar);
}

void TStatusPanels::Update(TCollectionItem*) { statusBar_->UpdatePanels(); }

TW_DEFINE_CLASS(TStatusBar) {
  PublishCommon(b, clBtnFace, false);
  b.Property(u"Align", &TStatusBar::Align, &TStatusBar::SetAlign).Default(alBottom);
  b.Property(u"Anchors", &TStatusBar::Anchors, &TStatusBar::SetAnchors).Default(TAnchors{akLeft, akRight, akBottom});
  b.Property(u"Panels", &TStatusBar::Panels, &TStatusBar::SetPanels);
  b.Property(u"SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel).Default(false);
  b.Property(u"SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText);
  b.Property(u"SizeGrip", &TStatusBar::SizeGrip, &TStatusBar::SetSizeGrip).Default(true);
  b.Property(u"OnDrawPanel", &TStatusBar::OnDrawPanel, &TStatusBar::SetOnDrawPanel);
}

TStatusBar::TStatusBar(TComponent* owner)
    : TSystemControl(owner, u"msctls_statusbar32", ICC_BAR_CLASSES), panels_(std::make_unique<TStatusPanels>(this)) {
  SetControlStyle(TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque});
  SetColor(clBtnFace);
  SetBounds(0, 0, 300, 19);
  SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::CreateParams(TCreateParams& p) {
  TSystemControl::CreateParams(p);
  // The library places the bar: the system neither moves nor sizes it.
  p.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NOMOVEY;
  if (sizeGrip_) p.Style |= SBARS_SIZEGRIP;
}

void TStatusBar::HandleCreated() {
  TSystemControl::HandleCreated();
  UpdatePanels();
}

void TStatusBar::UpdatePanels() {
  if (!HandleAllocated() || IsDestroying()) return;
  SendToWindow(SB_SIMPLE, simplePanel_, 0);
  if (simplePanel_) {
    SendToWindow(SB_SETTEXT, SB_SIMPLEID, reinterpret_cast<LPARAM>(simpleText_.c_str()));
    return;
  }
  const Integer count = panels_->Count();
  if (count == 0) {
    // Without panels the bar shows SimpleText in one part.
    int edge = -1;
    SendToWindow(SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&edge));
    SendToWindow(SB_SETTEXT, 0, reinterpret_cast<LPARAM>(simpleText_.c_str()));
    return;
  }
  std::vector<int> edges(static_cast<size_t>(count));
  Integer right = 0;
  for (Integer i = 0; i < count; ++i) {
    right += panels_->Items(i)->Width();
    edges[static_cast<size_t>(i)] = right;
  }
  edges.back() = -1;  // the last panel takes the rest
  SendToWindow(SB_SETPARTS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(edges.data()));
  static constexpr UINT kBevel[] = {SBT_NOBORDERS, 0, SBT_POPOUT};
  for (Integer i = 0; i < count; ++i) {
    TStatusPanel* panel = panels_->Items(i);
    if (panel->Style() == psOwnerDraw) {
      // The part's data is the panel: WM_DRAWITEM hands it back.
      SendToWindow(SB_SETTEXT, static_cast<WPARAM>(i) | SBT_OWNERDRAW | kBevel[panel->Bevel()],
                   reinterpret_cast<LPARAM>(panel));
      continue;
    }
    // A tab before the text centres it, two right-align it.
    static const String kPrefix[] = {u"", u"\t\t", u"\t"};
    const String text = kPrefix[panel->Alignment()] + panel->Text();
    SendToWindow(SB_SETTEXT, static_cast<WPARAM>(i) | kBevel[panel->Bevel()], reinterpret_cast<LPARAM>(text.c_str()));
  }
}

void TStatusBar::SetSimplePanel(bool v) {
  if (v == simplePanel_) return;
  simplePanel_ = v;
  UpdatePanels();
}

void TStatusBar::SetSimpleText(const String& text) {
  simpleText_ = text;
  UpdatePanels();
}

void TStatusBar::SetSizeGrip(bool v) {
  if (v == sizeGrip_) return;
  sizeGrip_ = v;
  RecreateWnd();
}

void TStatusBar::DrawOwnerItem(const TOwnerDrawItem& item) {
  if (item.Index < 0 || item.Index >= panels_->Count()) return;
  DrawPanel(panels_->Items(item.Index), item.Rect);
}

void TStatusBar::DrawPanel(TStatusPanel* panel, const TRect& rect) {
  if (onDrawPanel_)
    onDrawPanel_(this, panel, rect);
  else
    Canvas()->FillRect(rect);
}

void TStatusBar::Dispatch(TMessage& m) {
  TSystemControl::Dispatch(m);
  if (m.Msg == WM_SIZE) UpdatePanels();
}
