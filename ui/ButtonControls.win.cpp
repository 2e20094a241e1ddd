// The button family over the system's BUTTON class: the push button (with its state images,
// command links, split buttons and the shield), the check box and the radio button.
//
// Sections:
//   1. TButtonControl, TImageMargins
//   2. TButton
//   3. TCustomCheckBox
//   4. TRadioButton
#include <windows.h>
#include <commctrl.h>

#include "CommonProperties.h"
#include "ImgList.h"
#include "Menus.h"
#include "StdCtrls.h"

// ---- 1. TButtonControl, TImageMargins -------------------------------------------------

TW_DEFINE_CLASS(TButtonControl) {}

TButtonControl::TButtonControl(TComponent* owner) : TSystemControl(owner, u"BUTTON") {}

void TButtonControl::CreateParams(TCreateParams& p) {
  TSystemControl::CreateParams(p);
  p.Style |= ButtonStyle();
  if (wordWrap_) p.Style |= BS_MULTILINE;
  p.ClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TButtonControl::SetWordWrap(bool v) {
  if (v == wordWrap_) return;
  wordWrap_ = v;
  ChangeStyle(BS_MULTILINE, v, true);
}

TW_DEFINE_CLASS(TImageMargins) {
  b.Property(u"Left", &TImageMargins::Left, &TImageMargins::SetLeft).Default(0);
  b.Property(u"Top", &TImageMargins::Top, &TImageMargins::SetTop).Default(0);
  b.Property(u"Right", &TImageMargins::Right, &TImageMargins::SetRight).Default(0);
  b.Property(u"Bottom", &TImageMargins::Bottom, &TImageMargins::SetBottom).Default(0);
}

void TImageMargins::Set(Integer& field, Integer v) {
  if (v == field) return;
  field = v;
  onChange_.Call(this);
}

void TImageMargins::Assign(const TPersistent* source) {
  if (auto* m = dynamic_cast<const TImageMargins*>(source)) {
    left_ = m->left_;
    top_ = m->top_;
    right_ = m->right_;
    bottom_ = m->bottom_;
    onChange_.Call(this);
    return;
  }
  TPersistent::Assign(source);
}

// ---- 2. TButton -----------------------------------------------------------------------

TW_DEFINE_CLASS(TButton) {
  PublishCommon(b, clBtnFace, false);
  PublishFocus(b, true);
  b.Property(u"Caption", &TButton::Caption, &TButton::SetCaption).Stored(&TButton::IsCaptionStored);
  b.Property(u"Default", &TButton::Default, &TButton::SetDefault).Default(false);
  b.Property(u"Cancel", &TButton::Cancel, &TButton::SetCancel).Default(false);
  b.Property(u"ModalResult", &TButton::ModalResult, &TButton::SetModalResult)
      .Idents(ModalResultIdents())
      .Default(mrNone);
  b.Property(u"WordWrap", &TButton::WordWrap, &TButton::SetWordWrap).Default(false);
  b.Property(u"Style", &TButton::Style, &TButton::SetStyle).Default(bsPushButton);
  b.Property(u"CommandLinkHint", &TButton::CommandLinkHint, &TButton::SetCommandLinkHint);
  b.Property(u"ElevationRequired", &TButton::ElevationRequired, &TButton::SetElevationRequired).Default(false);
  b.Property(u"DropDownMenu", &TButton::DropDownMenu, &TButton::SetDropDownMenu);
  b.Property(u"Images", &TButton::Images, &TButton::SetImages);
  b.Property(u"ImageIndex", &TButton::ImageIndex, &TButton::SetImageIndex).Default(-1);
  b.Property(u"HotImageIndex", &TButton::HotImageIndex, &TButton::SetHotImageIndex).Default(-1);
  b.Property(u"PressedImageIndex", &TButton::PressedImageIndex, &TButton::SetPressedImageIndex).Default(-1);
  b.Property(u"DisabledImageIndex", &TButton::DisabledImageIndex, &TButton::SetDisabledImageIndex).Default(-1);
  b.Property(u"SelectedImageIndex", &TButton::SelectedImageIndex, &TButton::SetSelectedImageIndex).Default(-1);
  b.Property(u"ImageAlignment", &TButton::ImageAlignment, &TButton::SetImageAlignment).Default(iaLeft);
  b.Property(u"ImageMargins", &TButton::ImageMargins, &TButton::SetImageMargins);
  b.Property(u"OnDropDownClick", &TButton::OnDropDownClick, &TButton::SetOnDropDownClick);
}

TButton::TButton(TComponent* owner)
    : TButtonControl(owner),
      imagesLink_(std::make_unique<TChangeLink>()),
      imageMargins_(std::make_unique<TImageMargins>()) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  SetBounds(0, 0, 75, 25);
  SetTabStop(true);
  SetColor(clBtnFace);
  imagesLink_->OnChange = TNotifyEvent(this, &TButton::ImagesChanged);
  imageMargins_->SetOnChange(TNotifyEvent(this, &TButton::ImagesChanged));
}

TButton::~TButton() {
  ReplaceImageList(this, images_, nullptr, imagesLink_.get());
  ReplaceReference<TPopupMenu>(this, dropDownMenu_, nullptr);
}

Cardinal TButton::ButtonStyle() const {
  switch (style_) {
    case bsCommandLink: return default_ ? BS_DEFCOMMANDLINK : BS_COMMANDLINK;
    case bsSplitButton: return default_ ? BS_DEFSPLITBUTTON : BS_SPLITBUTTON;
    default: return default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  }
}

void TButton::HandleCreated() {
  TButtonControl::HandleCreated();
  if (!commandLinkHint_.empty()) SendToWindow(BCM_SETNOTE, 0, reinterpret_cast<LPARAM>(commandLinkHint_.c_str()));
  if (elevationRequired_) SendToWindow(BCM_SETSHIELD, 0, TRUE);
  UpdateImageList();
}

void TButton::DestroyWnd() {
  TButtonControl::DestroyWnd();
  stateImages_.reset();
}

void TButton::SetDefault(bool v) {
  if (v == default_) return;
  default_ = v;
  if (HandleAllocated()) {
    if (TCustomForm* f = GetParentForm(this))
      f->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<TLParam>(f->ActiveControl()));
  }
}

void TButton::SetStyle(TButtonStyle s) {
  if (s == style_) return;
  style_ = s;
  RecreateWnd();
}

void TButton::SetCommandLinkHint(const String& hint) {
  commandLinkHint_ = hint;
  SendToWindow(BCM_SETNOTE, 0, reinterpret_cast<LPARAM>(commandLinkHint_.c_str()));
}

void TButton::SetElevationRequired(bool v) {
  if (v == elevationRequired_) return;
  elevationRequired_ = v;
  SendToWindow(BCM_SETSHIELD, 0, v);
}

void TButton::SetDropDownMenu(TPopupMenu* menu) { ReplaceReference(this, dropDownMenu_, menu); }

void TButton::SetImages(TCustomImageList* list) {
  if (ReplaceImageList(this, images_, list, imagesLink_.get())) UpdateImageList();
}

void TButton::SetStateImage(Integer state, Integer index) {
  if (index == imageIndex_[state]) return;
  imageIndex_[state] = index;
  UpdateImageList();
}

void TButton::SetImageAlignment(TImageAlignment a) {
  if (a == imageAlignment_) return;
  imageAlignment_ = a;
  UpdateImageList();
}

void TButton::ImagesChanged(TObject*) { UpdateImageList(); }

void TButton::Notification(TComponent* component, TOperation operation) {
  TButtonControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == dropDownMenu_) dropDownMenu_ = nullptr;
  if (component == images_) {
    images_ = nullptr;
    UpdateImageList();
  }
}

void TButton::UpdateImageList() {
  if (!HandleAllocated() || IsLoading()) return;
  TOwnedImageList made;
  const Integer count = images_ ? images_->Count() : 0;
  if (images_ && imageIndex_[0] >= 0 && imageIndex_[0] < count) {
    // A copy of the list in its own format, the six state images appended and then the
    // list's own removed: the system's order of button states is normal, hot, pressed,
    // disabled, default, stylus hot (the hot image); a state without an image of its own
    // shows ImageIndex.
    made.reset(ImageList_Duplicate(images_->Handle()));
    static constexpr Integer kStateIndex[6] = {0, 1, 2, 3, 4, 1};
    if (made && ImageList_SetImageCount(made.get(), static_cast<UINT>(count + 6))) {
      for (int k = 0; k < 6; ++k) {
        const Integer wanted = imageIndex_[kStateIndex[k]];
        const Integer index = wanted >= 0 && wanted < count ? wanted : imageIndex_[0];
        ImageList_Copy(made.get(), count + k, made.get(), index, ILCF_MOVE);
      }
      for (Integer i = 0; i < count; ++i) ImageList_Remove(made.get(), 0);
    } else {
      made.reset();
    }
  }
  static constexpr UINT kAlign[] = {BUTTON_IMAGELIST_ALIGN_LEFT, BUTTON_IMAGELIST_ALIGN_RIGHT,
                                    BUTTON_IMAGELIST_ALIGN_TOP, BUTTON_IMAGELIST_ALIGN_BOTTOM,
                                    BUTTON_IMAGELIST_ALIGN_CENTER};
  BUTTON_IMAGELIST bil{made.get(),
                       {imageMargins_->Left(), imageMargins_->Top(), imageMargins_->Right(), imageMargins_->Bottom()},
                       kAlign[imageAlignment_]};
  SendToWindow(BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil));
  stateImages_ = std::move(made);
  Invalidate();
}

void TButton::SetButtonStyle(bool isDefault) {
  if (!HandleAllocated()) return;
  const LONG kind = GetWindowLongW(WindowHandle(), GWL_STYLE) & BS_TYPEMASK;
  // The push, split and command-link kinds each come as a pair whose odd member is the
  // default look; other kinds (owner-drawn) keep their style.
  const bool paired = kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON || kind == BS_SPLITBUTTON ||
                      kind == BS_DEFSPLITBUTTON || kind == BS_COMMANDLINK || kind == BS_DEFCOMMANDLINK;
  if (!paired) return;
  const LONG wanted = (kind & ~1) | (isDefault ? 1 : 0);
  if (kind != wanted) SendMessageW(WindowHandle(), BM_SETSTYLE, wanted, 1);
}

void TButton::Click() {
  if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
  TButtonControl::Click();
}

void TButton::Command(Word code, TMessage& m) {
  if (code == BN_CLICKED) Click();
  TButtonControl::Command(code, m);
}

bool TButton::Notify(TMessage& m) {
  if (reinterpret_cast<NMHDR*>(m.LParam)->code == static_cast<UINT>(BCN_DROPDOWN)) {
    DropDown();
    m.Result = 0;
    return true;
  }
  return TButtonControl::Notify(m);
}

void TButton::DropDown() {
  onDropDownClick_.Call(this);
  if (!dropDownMenu_ || !HandleAllocated()) return;
  RECT r{};
  GetWindowRect(WindowHandle(), &r);
  dropDownMenu_->SetPopupComponent(this);
  dropDownMenu_->Popup(r.left, r.bottom);  // returns when the menu has closed
  Perform(CN_DROPDOWNCLOSED, 0, 0);
}

void TButton::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_FOCUSCHANGED: {
      // The focused button is the one Enter clicks; with a non-button focused, the default.
      auto* sender = reinterpret_cast<TControl*>(m.LParam);
      active_ = dynamic_cast<TButton*>(sender) ? sender == this : default_;
      SetButtonStyle(active_);
      break;
    }
    case CM_DIALOGKEY:
      if (((m.WParam == VK_RETURN && active_) || (m.WParam == VK_ESCAPE && cancel_)) && GetKeyState(VK_SHIFT) >= 0 &&
          GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0 && CanFocus()) {
        Click();
        m.Result = 1;
        return;
      }
      break;
    case CM_DIALOGCHAR:
      // Its caption's accelerator (Alt+letter, or the letter while a control that takes no
      // characters has the focus) clicks the button.
      if (IsAccel(static_cast<Word>(m.WParam), Caption()) && CanFocus()) {
        Click();
        m.Result = 1;
        return;
      }
      break;
  }
  TButtonControl::Dispatch(m);
}

// ---- 3. TCustomCheckBox ---------------------------------------------------------------

TW_DEFINE_CLASS(TCustomCheckBox) {}

TW_DEFINE_CLASS(TCheckBox) {
  PublishCommon(b, clBtnFace, true);
  PublishFocus(b, true);
  b.Property(u"Caption", &TCheckBox::Caption, &TCheckBox::SetCaption).Stored(&TCheckBox::IsCaptionStored);
  b.Property(u"AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed).Default(false);
  b.Property(u"State", &TCheckBox::State, &TCheckBox::SetState).Default(cbUnchecked);
  b.Property(u"Checked", &TCheckBox::Checked, &TCheckBox::SetChecked).Stored(false);
  b.Property(u"Alignment", &TCheckBox::Alignment, &TCheckBox::SetAlignment).Default(taRightJustify);
  b.Property(u"WordWrap", &TCheckBox::WordWrap, &TCheckBox::SetWordWrap).Default(false);
}

TCustomCheckBox::TCustomCheckBox(TComponent* owner) : TButtonControl(owner) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  SetBounds(0, 0, 97, 17);
  SetTabStop(true);
  SetParentColor(true);
}

Cardinal TCustomCheckBox::ButtonStyle() const {
  // The library decides the next state itself (Toggle): the system's three-state box that
  // does not check itself.
  return BS_3STATE | (alignment_ == taLeftJustify ? BS_LEFTTEXT : 0);
}

void TCustomCheckBox::HandleCreated() {
  TButtonControl::HandleCreated();
  SendToWindow(BM_SETCHECK, static_cast<WPARAM>(state_), 0);
}

void TCustomCheckBox::SetState(TCheckBoxState s) {
  if (s == state_) return;
  state_ = s;
  SendToWindow(BM_SETCHECK, static_cast<WPARAM>(state_), 0);
  if (!IsLoading()) {
    Changed();
    Click();
  }
}

void TCustomCheckBox::SetAlignment(TAlignment a) {
  if (a == alignment_) return;
  alignment_ = a;
  ChangeStyle(BS_LEFTTEXT, a == taLeftJustify, true);
}

void TCustomCheckBox::Toggle() {
  switch (state_) {
    case cbUnchecked: SetState(allowGrayed_ ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
  }
}

void TCustomCheckBox::Command(Word code, TMessage& m) {
  if (code == BN_CLICKED) Toggle();
  TButtonControl::Command(code, m);
}

void TCustomCheckBox::Dispatch(TMessage& m) {
  if (m.Msg == CM_DIALOGCHAR && IsAccel(static_cast<Word>(m.WParam), Caption()) && CanFocus()) {
    SetFocus();
    Toggle();
    m.Result = 1;
    return;
  }
  TButtonControl::Dispatch(m);
}

// ---- 4. TRadioButton ------------------------------------------------------------------

TW_DEFINE_CLASS(TRadioButton) {
  PublishCommon(b, clBtnFace, true);
  PublishFocus(b, false);
  b.Property(u"Caption", &TRadioButton::Caption, &TRadioButton::SetCaption).Stored(&TRadioButton::IsCaptionStored);
  b.Property(u"Checked", &TRadioButton::Checked, &TRadioButton::SetChecked).Default(false);
  b.Property(u"Alignment", &TRadioButton::Alignment, &TRadioButton::SetAlignment).Default(taRightJustify);
  b.Property(u"WordWrap", &TRadioButton::WordWrap, &TRadioButton::SetWordWrap).Default(false);
}

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  SetBounds(0, 0, 113, 17);
  SetParentColor(true);
}

Cardinal TRadioButton::ButtonStyle() const {
  // Not the system's automatic kind: the library unchecks the siblings (by parent, not by
  // the dialog groups the system would use).
  return BS_RADIOBUTTON | (alignment_ == taLeftJustify ? BS_LEFTTEXT : 0);
}

void TRadioButton::HandleCreated() {
  TButtonControl::HandleCreated();
  SendToWindow(BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  // The checked button of a group is the one Tab reaches.
  SetTabStop(v);
  SendToWindow(BM_SETCHECK, v ? BST_CHECKED : BST_UNCHECKED, 0);
  if (!v) return;
  if (TWinControl* p = Parent())
    for (Integer i = 0; i < p->ControlCount(); ++i)
      if (auto* sibling = dynamic_cast<TRadioButton*>(p->Controls(i)); sibling && sibling != this)
        sibling->SetChecked(false);
  if (!IsLoading()) {
    Changed();
    Click();
  }
}

void TRadioButton::SetAlignment(TAlignment a) {
  if (a == alignment_) return;
  alignment_ = a;
  ChangeStyle(BS_LEFTTEXT, a == taLeftJustify, true);
}

void TRadioButton::Command(Word code, TMessage& m) {
  if (code == BN_CLICKED) SetChecked(true);
  TButtonControl::Command(code, m);
}

void TRadioButton::Dispatch(TMessage& m) {
  if (m.Msg == CM_DIALOGCHAR && IsAccel(static_cast<Word>(m.WParam), Caption()) && CanFocus()) {
    SetFocus();
    SetChecked(true);
    m.Result = 1;
    return;
  }
  TButtonControl::Dispatch(m);
}
