// TProgressBar: the system progress bar (msctls_progress32); TToolBar and TToolButton: the
// system tool bar (ToolbarWindow32) and its buttons. Windows only.
//
// Min, Max and Position are 32-bit. Setting a Max below Min (or a Min above Max) raises
// EInvalidOperation "TProgressBar property out of range" (checked after loading when the
// description sets them). Position is kept inside [Min, Max], with or without a window.
#pragma once

#ifdef _WIN32

#include "Controls.h"

TW_ENUM(TProgressBarOrientation, pbHorizontal, pbVertical)
TW_ENUM(TProgressBarStyle, pbstNormal, pbstMarquee)
TW_ENUM(TProgressBarState, pbsNormal, pbsError, pbsPaused)

class TProgressBar : public TWinControl {
  TW_CLASS(TProgressBar, TWinControl)
  explicit TProgressBar(TComponent* owner);

  Integer Min() const { return min_; }
  void SetMin(Integer v) { SetParams(v, max_); }
  Integer Max() const { return max_; }
  void SetMax(Integer v) { SetParams(min_, v); }
  Integer Position() const { return position_; }
  void SetPosition(Integer v);
  Integer Step() const { return step_; }
  void SetStep(Integer v);
  void StepIt() { SetPosition(position_ + step_); }
  void StepBy(Integer delta) { SetPosition(position_ + delta); }
  TProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TProgressBarOrientation o);
  bool Smooth() const { return smooth_; }
  void SetSmooth(bool v);
  TProgressBarStyle Style() const { return style_; }
  void SetStyle(TProgressBarStyle s);
  Integer MarqueeInterval() const { return marqueeInterval_; }
  void SetMarqueeInterval(Integer ms);
  TColor BarColor() const { return barColor_; }
  void SetBarColor(TColor c);
  TColor BackgroundColor() const { return backgroundColor_; }
  void SetBackgroundColor(TColor c);
  TProgressBarState State() const { return state_; }
  void SetState(TProgressBarState s);

 protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void Loaded() override;

 private:
  void SetParams(Integer min, Integer max);
  Integer min_ = 0, max_ = 100, position_ = 0, step_ = 10, marqueeInterval_ = 10;
  TProgressBarOrientation orientation_ = pbHorizontal;
  bool smooth_ = false;
  TProgressBarStyle style_ = pbstNormal;
  TColor barColor_ = clDefault, backgroundColor_ = clDefault;
  TProgressBarState state_ = pbsNormal;
};

// ---- TToolBar and TToolButton: the system tool bar (ToolbarWindow32) ------------------------
//
// The tool bar's buttons are its TToolButton children, in the order they were placed on it;
// each becomes one button of the system tool bar, with the button's image index, style and
// state. The system tool bar lays them out and draws them; each tool button takes its bounds
// from it. A click on a button runs its OnClick. The arrow of a tbsDropDown button drops its
// DropdownMenu below it; when the menu has closed the tool bar gets CN_DROPDOWNCLOSED.

TW_ENUM(TToolButtonStyle, tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider, tbsTextButton)

// The item state of a custom-draw notification: one element per CDIS_ bit, in bit order.
TW_ENUM(TCustomDrawStateItem, cdsSelected, cdsGrayed, cdsDisabled, cdsChecked, cdsFocused, cdsDefault, cdsHot,
        cdsMarked, cdsIndeterminate, cdsShowKeyboardCues, cdsNearHot, cdsOtherSideHot, cdsDropHilited)
using TCustomDrawState = TSet<TCustomDrawStateItem>;
TW_ENUM(TCustomDrawStage, cdPrePaint, cdPostPaint, cdPreErase, cdPostErase)
TW_ENUM(TTBCustomDrawFlag, tbNoEdges, tbHiliteHotTrack, tbNoOffset, tbNoMark, tbNoEtchedEffect)
using TTBCustomDrawFlags = TSet<TTBCustomDrawFlag>;
// The CDIS_ bits of a custom-draw item as a state set.
TCustomDrawState CustomDrawStateOf(Cardinal itemState);

class TToolBar;
class TCustomImageList;
class TPopupMenu;

class TToolButton : public TGraphicControl {
  TW_CLASS(TToolButton, TGraphicControl)
  explicit TToolButton(TComponent* owner);
  ~TToolButton() override;

  Integer ImageIndex() const { return imageIndex_; }
  void SetImageIndex(Integer value);
  TToolButtonStyle Style() const { return style_; }
  void SetStyle(TToolButtonStyle value);
  // Pressed (a button) or checked (a check button).
  bool Down() const { return down_; }
  void SetDown(bool value);
  // The menu the button's drop-down arrow shows.
  TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
  void SetDropdownMenu(TPopupMenu* menu);
  // The tool bar the button lies on; nullptr when its parent is none.
  TToolBar* ToolBar() const;
  // Its position among the tool bar's buttons; -1 off a tool bar.
  Integer Index() const;
  // The tool bar lays the buttons out: bounds set from elsewhere are not kept.
  void SetBounds(Integer left, Integer top, Integer width, Integer height) override;
  void Dispatch(TMessage& message) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  // Also the action's image index, and its checked state as Down.
  void ActionChange(TObject* sender, bool checkDefaults) override;

 private:
  friend class TToolBar;
  void Changed();
  TPopupMenu* dropdownMenu_ = nullptr;
  Integer imageIndex_ = -1;
  TToolButtonStyle style_ = tbsButton;
  bool down_ = false;
  bool positioning_ = false;
};

class TToolBar : public TWinControl {
  TW_CLASS(TToolBar, TWinControl)
  explicit TToolBar(TComponent* owner);
  ~TToolBar() override;

  Integer ButtonCount() const;
  TToolButton* Buttons(Integer index) const;

  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* value) { SetImageList(images_, value); }
  TCustomImageList* HotImages() const { return hotImages_; }
  void SetHotImages(TCustomImageList* value) { SetImageList(hotImages_, value); }
  TCustomImageList* DisabledImages() const { return disabledImages_; }
  void SetDisabledImages(TCustomImageList* value) { SetImageList(disabledImages_, value); }
  // Buttons without a raised edge until the mouse is over them.
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  // Captions beside the images instead of below them.
  bool List() const { return list_; }
  void SetList(bool value);
  bool ShowCaptions() const { return showCaptions_; }
  void SetShowCaptions(bool value);

  // Makes the system tool bar's buttons again from the tool buttons.
  void RebuildButtons();
  void Dispatch(TMessage& message) override;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void SetImageList(TCustomImageList*& field, TCustomImageList* value);
  void SendImageLists();
  void UpdateButtonBounds();
  // TBN_DROPDOWN: drops the button's menu below it.
  void DropDown(TMessage& m);
  TCustomImageList* images_ = nullptr;
  TCustomImageList* hotImages_ = nullptr;
  TCustomImageList* disabledImages_ = nullptr;
  bool flat_ = true;
  bool list_ = false;
  bool showCaptions_ = false;
};

#endif
