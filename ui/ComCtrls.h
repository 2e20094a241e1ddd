// The common controls of comctl32, each over its system window: progress bar, tool bar,
// track bar, up-down, status bar, tab control and page control, list view and tree view.
// Windows only.
//
// Implementation files: ComCtrls.win.cpp (progress bar, tool bar, track bar, up-down, status
// bar), TabControls.win.cpp (tab control, page control, tab sheet), ListView.win.cpp,
// TreeView.win.cpp.
//
// Custom draw (tool bar, list view, tree view). The OnCustomDraw... events run at the
// pre-paint stage of the whole control, an item or a sub-item; the OnAdvancedCustomDraw...
// events at every stage. They draw on Canvas (the DC of the stage, with the control's font and
// colour); an item handler that changes Canvas's font or colours has the item drawn with
// them; DefaultDraw false leaves the stage undrawn by the system. The system is asked only
// for the stages some handler wants.
#pragma once

#ifdef _WIN32

#include <memory>
#include <vector>

#include "Forms.h"
#include "SystemControl.h"

class TCustomImageList;
class TChangeLink;
class TPopupMenu;

// ---- progress bar -----------------------------------------------------------------------
//
// Min, Max and Position are 32-bit. Setting a Max below Min (or a Min above Max) raises
// EInvalidOperation "TProgressBar property out of range" (checked after loading when the
// description sets them). Position is kept inside [Min, Max], with or without a window.

TW_ENUM(TProgressBarOrientation, pbHorizontal, pbVertical)
TW_ENUM(TProgressBarStyle, pbstNormal, pbstMarquee)
TW_ENUM(TProgressBarState, pbsNormal, pbsError, pbsPaused)

class TProgressBar : public TSystemControl {
  TW_CLASS(TProgressBar, TSystemControl)
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
TW_ENUM(TTBCustomDrawFlag, tbNoEdges, tbHiliteHotTrack, tbNoOffset, tbNoMark, tbNoEtchedEffect)
using TTBCustomDrawFlags = TSet<TTBCustomDrawFlag>;

class TToolBar;
class TToolButton;

using TTBCustomDrawEvent = TEvent<void(TToolBar* Sender, const TRect& ARect, bool& DefaultDraw)>;
using TTBCustomDrawBtnEvent =
    TEvent<void(TToolBar* Sender, TToolButton* Button, TCustomDrawState State, bool& DefaultDraw)>;
using TTBAdvancedCustomDrawEvent =
    TEvent<void(TToolBar* Sender, const TRect& ARect, TCustomDrawStage Stage, bool& DefaultDraw)>;
using TTBAdvancedCustomDrawBtnEvent =
    TEvent<void(TToolBar* Sender, TToolButton* Button, TCustomDrawState State, TCustomDrawStage Stage,
                TTBCustomDrawFlags& Flags, bool& DefaultDraw)>;

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

class TToolBar : public TSystemControl {
  TW_CLASS(TToolBar, TSystemControl)
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

  // ---- custom draw ----
  TTBCustomDrawEvent OnCustomDraw() const { return onCustomDraw_; }
  void SetOnCustomDraw(TTBCustomDrawEvent e) { onCustomDraw_ = e; }
  TTBCustomDrawBtnEvent OnCustomDrawButton() const { return onCustomDrawButton_; }
  void SetOnCustomDrawButton(TTBCustomDrawBtnEvent e) { onCustomDrawButton_ = e; }
  TTBAdvancedCustomDrawEvent OnAdvancedCustomDraw() const { return onAdvancedCustomDraw_; }
  void SetOnAdvancedCustomDraw(TTBAdvancedCustomDrawEvent e) { onAdvancedCustomDraw_ = e; }
  TTBAdvancedCustomDrawBtnEvent OnAdvancedCustomDrawButton() const { return onAdvancedCustomDrawButton_; }
  void SetOnAdvancedCustomDrawButton(TTBAdvancedCustomDrawBtnEvent e) { onAdvancedCustomDrawButton_ = e; }

  // Makes the system tool bar's buttons again from the tool buttons.
  void RebuildButtons();
  void Dispatch(TMessage& message) override;
  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void Notification(TComponent* component, TOperation operation) override;
  bool Notify(TMessage& message) override;
  bool IsCustomDrawn(TCustomDrawTarget target, TCustomDrawStage stage) override;
  bool CustomDrawStage(TCustomDrawInfo& info) override;
  void ItemColorsChanged(TCustomDrawInfo& info, TColor text, TColor background) override;

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
  TTBCustomDrawEvent onCustomDraw_;
  TTBCustomDrawBtnEvent onCustomDrawButton_;
  TTBAdvancedCustomDrawEvent onAdvancedCustomDraw_;
  TTBAdvancedCustomDrawBtnEvent onAdvancedCustomDrawButton_;
};

// ---- track bar ------------------------------------------------------------------------

TW_ENUM(TTrackBarOrientation, trHorizontal, trVertical)
// Where the tick marks are: below (right of) the channel, above (left of) it, both sides.
TW_ENUM(TTickMark, tmBottomRight, tmTopLeft, tmBoth)
// No ticks, a tick every Frequency positions, only the ticks set with SetTick.
TW_ENUM(TTickStyle, tsNone, tsAuto, tsManual)
// Where the position shows in a tooltip while the thumb is dragged.
TW_ENUM(TPositionToolTip, ptNone, ptTop, ptLeft, ptBottom, ptRight)

// A slider over a range. OnChange runs whenever Position changed, by the user or the program.
class TTrackBar : public TSystemControl {
  TW_CLASS(TTrackBar, TSystemControl)
  explicit TTrackBar(TComponent* owner);

  Integer Min() const { return min_; }
  void SetMin(Integer v);
  Integer Max() const { return max_; }
  void SetMax(Integer v);
  Integer Position() const;
  void SetPosition(Integer v);
  TTrackBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TTrackBarOrientation o);
  Integer Frequency() const { return frequency_; }
  void SetFrequency(Integer v);
  TTickStyle TickStyle() const { return tickStyle_; }
  void SetTickStyle(TTickStyle s);
  TTickMark TickMarks() const { return tickMarks_; }
  void SetTickMarks(TTickMark m);
  // A tick at a position (with tsManual).
  void SetTick(Integer value);
  // The selected range drawn in the channel (shown while SelEnd > SelStart and ShowSelRange).
  Integer SelStart() const { return selStart_; }
  void SetSelStart(Integer v);
  Integer SelEnd() const { return selEnd_; }
  void SetSelEnd(Integer v);
  bool ShowSelRange() const { return showSelRange_; }
  void SetShowSelRange(bool v);
  Integer PageSize() const { return pageSize_; }
  void SetPageSize(Integer v);
  Integer LineSize() const { return lineSize_; }
  void SetLineSize(Integer v);
  Integer ThumbLength() const { return thumbLength_; }
  void SetThumbLength(Integer v);
  bool SliderVisible() const { return sliderVisible_; }
  void SetSliderVisible(bool v);
  TPositionToolTip PositionToolTip() const { return positionToolTip_; }
  void SetPositionToolTip(TPositionToolTip v);
  TNotifyEvent OnChange() const { return onChange_; }
  void SetOnChange(TNotifyEvent e) { onChange_ = e; }
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  virtual void Changed();

 private:
  Integer min_ = 0, max_ = 10, position_ = 0, frequency_ = 1, selStart_ = 0, selEnd_ = 0, pageSize_ = 2, lineSize_ = 1,
          thumbLength_ = 20;
  TTrackBarOrientation orientation_ = trHorizontal;
  TTickStyle tickStyle_ = tsAuto;
  TTickMark tickMarks_ = tmBottomRight;
  bool showSelRange_ = true;
  bool sliderVisible_ = true;
  TPositionToolTip positionToolTip_ = ptNone;
  TNotifyEvent onChange_;
};

// ---- up-down --------------------------------------------------------------------------

TW_ENUM(TUDAlignButton, udLeft, udRight)
TW_ENUM(TUDOrientation, udHorizontal, udVertical)
TW_ENUM(TUDBtnType, btNext, btPrev)
using TUDClickEvent = TEvent<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = TEvent<void(TObject* Sender, bool& AllowChange)>;

// Two arrows that step Position through [Min, Max] (Wrap: past one end to the other). With an
// Associate (an edit) the up-down sits beside it (AlignButton) and the edit shows the position.
class TUpDown : public TSystemControl {
  TW_CLASS(TUpDown, TSystemControl)
  explicit TUpDown(TComponent* owner);
  ~TUpDown() override;

  TWinControl* Associate() const { return associate_; }
  void SetAssociate(TWinControl* c);
  TUDAlignButton AlignButton() const { return alignButton_; }
  void SetAlignButton(TUDAlignButton a);
  bool ArrowKeys() const { return arrowKeys_; }
  void SetArrowKeys(bool v);
  Integer Min() const { return min_; }
  void SetMin(Integer v);
  Integer Max() const { return max_; }
  void SetMax(Integer v);
  Integer Increment() const { return increment_; }
  void SetIncrement(Integer v);
  Integer Position() const;
  void SetPosition(Integer v);
  TUDOrientation Orientation() const { return orientation_; }
  void SetOrientation(TUDOrientation o);
  bool Wrap() const { return wrap_; }
  void SetWrap(bool v);
  // The associate shows thousands separators.
  bool Thousands() const { return thousands_; }
  void SetThousands(bool v);
  // An arrow was used (after Position changed).
  TUDClickEvent OnClick() const { return onClick_; }
  void SetOnClick(TUDClickEvent e) { onClick_ = e; }
  // Before the position changes; AllowChange false keeps it.
  TUDChangingEvent OnChanging() const { return onChanging_; }
  void SetOnChanging(TUDChangingEvent e) { onChanging_ = e; }
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void Notification(TComponent* component, TOperation operation) override;
  bool Notify(TMessage& message) override;
  virtual void Click(TUDBtnType button) { onClick_.Call(this, button); }
  virtual bool CanChange();

 private:
  void SendBuddy();
  TWinControl* associate_ = nullptr;
  TUDAlignButton alignButton_ = udRight;
  bool arrowKeys_ = true;
  Integer min_ = 0, max_ = 100, increment_ = 1, position_ = 0;
  TUDOrientation orientation_ = udVertical;
  bool wrap_ = false;
  bool thousands_ = true;
  TUDClickEvent onClick_;
  TUDChangingEvent onChanging_;
};

// ---- status bar -----------------------------------------------------------------------

TW_ENUM(TStatusPanelStyle, psText, psOwnerDraw)
TW_ENUM(TStatusPanelBevel, pbNone, pbLowered, pbRaised)

class TStatusBar;

// One panel of a status bar: its text (or, owner-drawn, what OnDrawPanel paints), width and
// look.
class TStatusPanel : public TCollectionItem {
  TW_CLASS(TStatusPanel, TCollectionItem)
  explicit TStatusPanel(TCollection* collection);

  const String& Text() const { return text_; }
  void SetText(const String& text);
  Integer Width() const { return width_; }
  void SetWidth(Integer w);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  TStatusPanelStyle Style() const { return style_; }
  void SetStyle(TStatusPanelStyle s);
  TStatusPanelBevel Bevel() const { return bevel_; }
  void SetBevel(TStatusPanelBevel b);
  void Assign(const TPersistent* source) override;
  String DisplayName() const override { return text_; }

 private:
  String text_;
  Integer width_ = 50;
  TAlignment alignment_ = taLeftJustify;
  TStatusPanelStyle style_ = psText;
  TStatusPanelBevel bevel_ = pbLowered;
};

class TStatusPanels : public TCollection {
  TW_CLASS(TStatusPanels, TCollection)
  explicit TStatusPanels(TStatusBar* statusBar);
  TStatusBar* StatusBar() const { return statusBar_; }
  TStatusPanel* Items(Integer index) const { return ItemsAs<TStatusPanel>(index); }
  TStatusPanel* Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TStatusBar* statusBar_;
};

using TDrawPanelEvent = TEvent<void(TStatusBar* StatusBar, TStatusPanel* Panel, const TRect& Rect)>;

// A bar of panels, by default at the form's bottom. SimplePanel shows SimpleText over the
// whole bar instead of the panels; the last panel takes the room the others leave.
class TStatusBar : public TSystemControl {
  TW_CLASS(TStatusBar, TSystemControl)
  explicit TStatusBar(TComponent* owner);
  ~TStatusBar() override;

  TStatusPanels* Panels() const { return panels_.get(); }
  void SetPanels(const TStatusPanels* panels) { panels_->Assign(panels); }
  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool v);
  const String& SimpleText() const { return simpleText_; }
  void SetSimpleText(const String& text);
  bool SizeGrip() const { return sizeGrip_; }
  void SetSizeGrip(bool v);
  TDrawPanelEvent OnDrawPanel() const { return onDrawPanel_; }
  void SetOnDrawPanel(TDrawPanelEvent e) { onDrawPanel_ = e; }
  // Gives the window the panels' edges, texts and styles again.
  void UpdatePanels();
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void DrawOwnerItem(const TOwnerDrawItem& item) override;
  virtual void DrawPanel(TStatusPanel* panel, const TRect& rect);

 private:
  std::unique_ptr<TStatusPanels> panels_;
  bool simplePanel_ = false;
  String simpleText_;
  bool sizeGrip_ = true;
  TDrawPanelEvent onDrawPanel_;
};

// ---- tab control, page control ----------------------------------------------------------

TW_ENUM(TTabPosition, tpTop, tpBottom, tpLeft, tpRight)
TW_ENUM(TTabStyle, tsTabs, tsButtons, tsFlatButtons)

class TCustomTabControl;
class TPageControl;
class TTabSheet;

using TTabChangingEvent = TEvent<void(TObject* Sender, bool& AllowChange)>;
using TDrawTabEvent = TEvent<void(TCustomTabControl* Control, Integer TabIndex, const TRect& Rect, bool Active)>;
using TTabGetImageEvent = TEvent<void(TObject* Sender, Integer TabIndex, Integer& ImageIndex)>;

// The system tab control. Its children (a page control's sheets) are placed in the display
// area below (or beside) the tabs. A click on another tab asks OnChanging (AllowChange false
// keeps the old tab), then runs OnChange.
class TCustomTabControl : public TSystemControl, public TWindowStringsHost {
  TW_CLASS(TCustomTabControl, TSystemControl)
  explicit TCustomTabControl(TComponent* owner);
  ~TCustomTabControl() override;

  Integer TabIndex() const;
  void SetTabIndex(Integer index);
  TTabPosition TabPosition() const { return tabPosition_; }
  void SetTabPosition(TTabPosition p);
  TTabStyle Style() const { return style_; }
  void SetStyle(TTabStyle s);
  bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool v);
  // Tabs drawn by OnDrawTab (or plainly without one).
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool v);
  bool HotTrack() const { return hotTrack_; }
  void SetHotTrack(bool v);
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* list);
  // Fixed tab sizes (0: as the caption needs).
  Integer TabHeight() const { return tabHeight_; }
  void SetTabHeight(Integer h);
  Integer TabWidth() const { return tabWidth_; }
  void SetTabWidth(Integer w);
  // The area for the pages, in client coordinates.
  TRect DisplayRect() const;
  TRect TabRect(Integer index) const;
  // The tab at a client point; -1 for none.
  Integer IndexOfTabAt(Integer x, Integer y) const;
  Integer RowCount() const;
  // The image a tab shows (OnGetImageIndex may change it).
  virtual Integer GetImageIndex(Integer tabIndex);
  TNotifyEvent OnChange() const { return onChange_; }
  void SetOnChange(TNotifyEvent e) { onChange_ = e; }
  TTabChangingEvent OnChanging() const { return onChanging_; }
  void SetOnChanging(TTabChangingEvent e) { onChanging_ = e; }
  TDrawTabEvent OnDrawTab() const { return onDrawTab_; }
  void SetOnDrawTab(TDrawTabEvent e) { onDrawTab_ = e; }
  TTabGetImageEvent OnGetImageIndex() const { return onGetImageIndex_; }
  void SetOnGetImageIndex(TTabGetImageEvent e) { onGetImageIndex_ = e; }
  void Dispatch(TMessage& message) override;

 protected:
  // The tab captions (objects: what each tab stands for).
  TStringList* TabStrings() const;
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void DestroyWnd() override;
  void AdjustClientRect(TRect& rect) override;
  bool Notify(TMessage& message) override;
  void DrawOwnerItem(const TOwnerDrawItem& item) override;
  void Notification(TComponent* component, TOperation operation) override;
  virtual bool CanChange();
  virtual void Change();
  virtual void DrawTab(Integer tabIndex, const TRect& rect, bool active);
  // Gives every tab its image again.
  void UpdateTabImages();
  bool StringsWindowReady() const override { return WindowHandle() != nullptr; }
  void InsertWindowString(Integer index, const String& text, TObject* object) override;
  void DeleteWindowString(Integer index) override;
  void ClearWindowStrings() override;
  void WindowStringsChanged() override;

 private:
  void ImagesChanged(TObject*);
  std::unique_ptr<TWindowStrings> tabs_;
  std::unique_ptr<TChangeLink> imagesLink_;
  Integer tabIndex_ = -1;  // kept while there is no window
  TTabPosition tabPosition_ = tpTop;
  TTabStyle style_ = tsTabs;
  bool multiLine_ = false;
  bool ownerDraw_ = false;
  bool hotTrack_ = false;
  TCustomImageList* images_ = nullptr;
  Integer tabHeight_ = 0, tabWidth_ = 0;
  TNotifyEvent onChange_;
  TTabChangingEvent onChanging_;
  TDrawTabEvent onDrawTab_;
  TTabGetImageEvent onGetImageIndex_;
};

// A tab control whose tabs are a string list.
class TTabControl : public TCustomTabControl {
  TW_CLASS(TTabControl, TCustomTabControl)
  using TCustomTabControl::TCustomTabControl;
  TStringList* Tabs() const { return TabStrings(); }
  void SetTabs(const TStringList* tabs) { TabStrings()->Assign(tabs); }
};

// One page of a page control: a window of its own (made with the page control's), shown while
// it is the active page. Its tab shows its Caption and ImageIndex, unless TabVisible is off.
class TTabSheet : public TWinControl {
  TW_CLASS(TTabSheet, TWinControl)
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;

  TPageControl* PageControl() const { return pageControl_; }
  void SetPageControl(TPageControl* pc);
  // Its place among the page control's pages.
  Integer PageIndex() const;
  void SetPageIndex(Integer index);
  // Its place among the visible tabs; -1 while its tab is hidden.
  Integer TabIndex() const;
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool v);
  Integer ImageIndex() const { return imageIndex_; }
  void SetImageIndex(Integer v);
  TNotifyEvent OnShow() const { return onShow_; }
  void SetOnShow(TNotifyEvent e) { onShow_ = e; }
  TNotifyEvent OnHide() const { return onHide_; }
  void SetOnHide(TNotifyEvent e) { onHide_ = e; }
  // Placing the sheet on a page control makes it one of its pages.
  void SetParent(TWinControl* parent) override;
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;

 private:
  friend class TPageControl;
  TPageControl* pageControl_ = nullptr;
  bool tabVisible_ = true;
  Integer imageIndex_ = -1;
  TNotifyEvent onShow_, onHide_;
};

// Pages (TTabSheet) with a tab each; the active page fills the display area.
class TPageControl : public TCustomTabControl {
  TW_CLASS(TPageControl, TCustomTabControl)
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;

  Integer PageCount() const { return static_cast<Integer>(pages_.size()); }
  TTabSheet* Pages(Integer index) const;
  TTabSheet* ActivePage() const { return activePage_; }
  void SetActivePage(TTabSheet* page);
  Integer ActivePageIndex() const;
  void SetActivePageIndex(Integer index);
  // The page after (or before) current among the pages with a visible tab; wraps.
  TTabSheet* FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const;
  void SelectNextPage(bool goForward, bool checkTabVisible = true);
  Integer GetImageIndex(Integer tabIndex) override;
  void Dispatch(TMessage& message) override;
  // The sheets are written inside the page control's description.
  void GetChildren(std::vector<TComponent*>& children, TComponent* root) const override;

 protected:
  void AlignControls(TControl* control, TRect& rect) override;
  void Change() override;
  void Loaded() override;
  // Every page gets its window (hidden but the active one) with the page control's.
  void HandleCreated() override;

 private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void MovePage(TTabSheet* page, Integer index);
  // The tabs again from the pages with a visible tab.
  void UpdateTabs();
  void ShowActivePage();
  std::vector<TTabSheet*> pages_;
  TTabSheet* activePage_ = nullptr;
};

// ---- list view ------------------------------------------------------------------------

TW_ENUM(TViewStyle, vsIcon, vsSmallIcon, vsList, vsReport)
TW_ENUM(TItemChange, ctText, ctImage, ctState)
TW_ENUM(TDisplayCode, drBounds, drIcon, drLabel, drSelectBounds)

class TCustomListView;
class TListItems;

// A column of a report view.
class TListColumn : public TCollectionItem {
  TW_CLASS(TListColumn, TCollectionItem)
  explicit TListColumn(TCollection* collection);

  const String& Caption() const { return caption_; }
  void SetCaption(const String& c);
  // In pixels; the window's width once the user may have dragged it.
  Integer Width() const;
  void SetWidth(Integer w);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  Integer ImageIndex() const { return imageIndex_; }
  void SetImageIndex(Integer v);
  void Assign(const TPersistent* source) override;
  String DisplayName() const override { return caption_; }

 private:
  friend class TCustomListView;
  TCustomListView* ListView() const;
  void Changed();
  String caption_;
  Integer width_ = 50;
  TAlignment alignment_ = taLeftJustify;
  Integer imageIndex_ = -1;
};

class TListColumns : public TCollection {
  TW_CLASS(TListColumns, TCollection)
  explicit TListColumns(TCustomListView* listView);
  TCustomListView* ListView() const { return listView_; }
  TListColumn* Items(Integer index) const { return ItemsAs<TListColumn>(index); }
  TListColumn* Add() { return static_cast<TListColumn*>(TCollection::Add()); }

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TCustomListView* listView_;
};

class TListItemSubItems;

// One item: its caption, the texts of the further columns (SubItems), images and state.
class TListItem : public TPersistent {
  TW_CLASS(TListItem, TPersistent)
  explicit TListItem(TListItems* owner);
  ~TListItem() override;

  TListItems* Owner() const { return owner_; }
  TCustomListView* ListView() const;
  Integer Index() const;
  const String& Caption() const { return caption_; }
  void SetCaption(const String& c);
  TStringList* SubItems() const;
  void SetSubItems(const TStringList* s);
  Integer ImageIndex() const { return imageIndex_; }
  void SetImageIndex(Integer v);
  // The image of the list's StateImages shown before the item (-1: none).
  Integer StateIndex() const { return stateIndex_; }
  void SetStateIndex(Integer v);
  Integer OverlayIndex() const { return overlayIndex_; }
  void SetOverlayIndex(Integer v);
  void* Data() const { return data_; }
  void SetData(void* d) { data_ = d; }
  bool Selected() const;
  void SetSelected(bool v);
  bool Focused() const;
  void SetFocused(bool v);
  // The check box of a list with Checkboxes.
  bool Checked() const;
  void SetChecked(bool v);
  // Where the item (or a part of it) is, in client coordinates.
  TRect DisplayRect(TDisplayCode code) const;
  void MakeVisible(bool partialOK);
  void Delete();
  void Assign(const TPersistent* source) override;

 private:
  friend class TListItems;
  friend class TCustomListView;
  friend class TListItemSubItems;
  // Applies a state bit to the window or keeps it.
  bool State(Cardinal mask) const;
  void SetState(Cardinal mask, bool on);
  void SubItemsChanged();
  TListItems* owner_;
  String caption_;
  std::unique_ptr<TListItemSubItems> subItems_;
  Integer imageIndex_ = -1, stateIndex_ = -1, overlayIndex_ = -1;
  void* data_ = nullptr;
  Integer dataIndex_ = -1;  // the index the OwnerData item stands for
  Cardinal state_ = 0;      // LVIS_ bits kept while there is no window
  bool checked_ = false;
};

// The items of a list view, in order. In a description their values are the binary
// "ItemData".
class TListItems : public TPersistent {
  TW_CLASS(TListItems, TPersistent)
  explicit TListItems(TCustomListView* owner);
  ~TListItems() override;

  TCustomListView* Owner() const { return owner_; }
  // With OwnerData: the count the window is told (the items come from OnData).
  Integer Count() const;
  void SetCount(Integer n);
  // With OwnerData: the one item object, filled by OnData for that index.
  TListItem* Items(Integer index) const;
  TListItem* Add();
  TListItem* Insert(Integer index);
  void Delete(Integer index);
  void Clear();
  Integer IndexOf(const TListItem* item) const;
  void BeginUpdate();
  void EndUpdate();
  void Assign(const TPersistent* source) override;
  // The "ItemData" property.
  void ReadData(TStream& stream);
  void WriteData(TStream& stream) const;

 private:
  friend class TCustomListView;
  friend class TListItem;
  TCustomListView* owner_;
  std::vector<std::unique_ptr<TListItem>> items_;
  Integer ownerDataCount_ = 0;
  Integer updateCount_ = 0;
  std::unique_ptr<TListItem> temp_;  // the OwnerData item
};

using TLVCustomDrawEvent = TEvent<void(TCustomListView* Sender, const TRect& ARect, bool& DefaultDraw)>;
using TLVCustomDrawItemEvent =
    TEvent<void(TCustomListView* Sender, TListItem* Item, TCustomDrawState State, bool& DefaultDraw)>;
using TLVCustomDrawSubItemEvent =
    TEvent<void(TCustomListView* Sender, TListItem* Item, Integer SubItem, TCustomDrawState State, bool& DefaultDraw)>;
using TLVAdvancedCustomDrawEvent =
    TEvent<void(TCustomListView* Sender, const TRect& ARect, TCustomDrawStage Stage, bool& DefaultDraw)>;
using TLVAdvancedCustomDrawItemEvent = TEvent<void(TCustomListView* Sender, TListItem* Item, TCustomDrawState State,
                                                   TCustomDrawStage Stage, bool& DefaultDraw)>;
using TLVAdvancedCustomDrawSubItemEvent =
    TEvent<void(TCustomListView* Sender, TListItem* Item, Integer SubItem, TCustomDrawState State,
                TCustomDrawStage Stage, bool& DefaultDraw)>;
using TLVColumnClickEvent = TEvent<void(TObject* Sender, TListColumn* Column)>;
using TLVChangeEvent = TEvent<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVSelectItemEvent = TEvent<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVOwnerDataEvent = TEvent<void(TObject* Sender, TListItem* Item)>;
using TLVDeletedEvent = TEvent<void(TObject* Sender, TListItem* Item)>;

// The system list view. Items live in the control (caption, sub-items, images, state) and
// are given to the window whenever it is made. With OwnerData the window holds only a count:
// each item the window needs is asked from OnData.
class TCustomListView : public TSystemControl {
  TW_CLASS(TCustomListView, TSystemControl)
  explicit TCustomListView(TComponent* owner);
  ~TCustomListView() override;

  TListColumns* Columns() const { return columns_.get(); }
  void SetColumns(const TListColumns* c) { columns_->Assign(c); }
  TListItems* Items() const { return items_.get(); }
  void SetItems(const TListItems* i) { items_->Assign(i); }
  TViewStyle ViewStyle() const { return viewStyle_; }
  void SetViewStyle(TViewStyle v);
  TCustomImageList* LargeImages() const { return largeImages_; }
  void SetLargeImages(TCustomImageList* l) { SetImageList(largeImages_, l); }
  TCustomImageList* SmallImages() const { return smallImages_; }
  void SetSmallImages(TCustomImageList* l) { SetImageList(smallImages_, l); }
  TCustomImageList* StateImages() const { return stateImages_; }
  void SetStateImages(TCustomImageList* l) { SetImageList(stateImages_, l); }
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  bool RowSelect() const { return rowSelect_; }
  void SetRowSelect(bool v);
  bool GridLines() const { return gridLines_; }
  void SetGridLines(bool v);
  bool Checkboxes() const { return checkboxes_; }
  void SetCheckboxes(bool v);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool v);
  bool ShowColumnHeaders() const { return showColumnHeaders_; }
  void SetShowColumnHeaders(bool v);
  // Clicking a column header runs OnColumnClick (off: the headers are not buttons).
  bool ColumnClick() const { return columnClick_; }
  void SetColumnClick(bool v);
  bool OwnerData() const { return ownerData_; }
  void SetOwnerData(bool v);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle s);

  // The first selected item; nullptr for none.
  TListItem* Selected() const;
  void SetSelected(TListItem* item);
  Integer ItemIndex() const;
  void SetItemIndex(Integer index);
  TListItem* ItemFocused() const;
  Integer SelCount() const;
  TListItem* TopItem() const;
  TListItem* GetItemAt(Integer x, Integer y) const;
  // The item a window index stands for (nullptr for none).
  TListItem* ItemOfIndex(Integer index) const;
  // The header window of a report view; nullptr when the window has none.
  HWND HeaderHandle() const;

  // ---- events ----
  TLVColumnClickEvent OnColumnClick() const { return onColumnClick_; }
  void SetOnColumnClick(TLVColumnClickEvent e) { onColumnClick_ = e; }
  TLVChangeEvent OnChange() const { return onChange_; }
  void SetOnChange(TLVChangeEvent e) { onChange_ = e; }
  TLVSelectItemEvent OnSelectItem() const { return onSelectItem_; }
  void SetOnSelectItem(TLVSelectItemEvent e) { onSelectItem_ = e; }
  TLVOwnerDataEvent OnData() const { return onData_; }
  void SetOnData(TLVOwnerDataEvent e) { onData_ = e; }
  TLVDeletedEvent OnDeletion() const { return onDeletion_; }
  void SetOnDeletion(TLVDeletedEvent e) { onDeletion_ = e; }
  TLVCustomDrawEvent OnCustomDraw() const { return onCustomDraw_; }
  void SetOnCustomDraw(TLVCustomDrawEvent e) { onCustomDraw_ = e; }
  TLVCustomDrawItemEvent OnCustomDrawItem() const { return onCustomDrawItem_; }
  void SetOnCustomDrawItem(TLVCustomDrawItemEvent e) { onCustomDrawItem_ = e; }
  TLVCustomDrawSubItemEvent OnCustomDrawSubItem() const { return onCustomDrawSubItem_; }
  void SetOnCustomDrawSubItem(TLVCustomDrawSubItemEvent e) { onCustomDrawSubItem_ = e; }
  TLVAdvancedCustomDrawEvent OnAdvancedCustomDraw() const { return onAdvancedCustomDraw_; }
  void SetOnAdvancedCustomDraw(TLVAdvancedCustomDrawEvent e) { onAdvancedCustomDraw_ = e; }
  TLVAdvancedCustomDrawItemEvent OnAdvancedCustomDrawItem() const { return onAdvancedCustomDrawItem_; }
  void SetOnAdvancedCustomDrawItem(TLVAdvancedCustomDrawItemEvent e) { onAdvancedCustomDrawItem_ = e; }
  TLVAdvancedCustomDrawSubItemEvent OnAdvancedCustomDrawSubItem() const { return onAdvancedCustomDrawSubItem_; }
  void SetOnAdvancedCustomDrawSubItem(TLVAdvancedCustomDrawSubItemEvent e) { onAdvancedCustomDrawSubItem_ = e; }
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void DestroyWnd() override;
  void Notification(TComponent* component, TOperation operation) override;
  bool Notify(TMessage& message) override;
  bool IsCustomDrawn(TCustomDrawTarget target, TCustomDrawStage stage) override;
  bool CustomDrawStage(TCustomDrawInfo& info) override;
  void ItemColorsChanged(TCustomDrawInfo& info, TColor text, TColor background) override;
  virtual void DoColumnClick(TListColumn* column) { onColumnClick_.Call(this, column); }

 private:
  friend class TListColumn;
  friend class TListColumns;
  friend class TListItem;
  friend class TListItems;
  void SetImageList(TCustomImageList*& field, TCustomImageList* value);
  void SendImageLists();
  void SetExStyle(Cardinal bit, bool on);
  Cardinal ExtendedStyle() const;
  // The window gets the columns and the items again.
  void InsertColumns();
  void InsertItems();
  void InsertWindowItem(Integer index, TListItem* item);
  // index: the item's place when the caller knows it (-1: looked up).
  void UpdateWindowItem(TListItem* item, Integer index = -1);
  void UpdateWindowColumn(TListColumn* column);
  // The items of the window that stand for an OwnerData item.
  TListItem* OwnerDataItem(Integer index) const;

  std::unique_ptr<TListColumns> columns_;
  std::unique_ptr<TListItems> items_;
  TViewStyle viewStyle_ = vsIcon;
  TCustomImageList* largeImages_ = nullptr;
  TCustomImageList* smallImages_ = nullptr;
  TCustomImageList* stateImages_ = nullptr;
  bool multiSelect_ = false, readOnly_ = false, rowSelect_ = false, gridLines_ = false, checkboxes_ = false,
       hideSelection_ = true, showColumnHeaders_ = true, columnClick_ = true, ownerData_ = false;
  TBorderStyle borderStyle_ = bsSingle;
  bool rebuilding_ = false;  // the window is being filled: its notifications are not the user's
  TLVColumnClickEvent onColumnClick_;
  TLVChangeEvent onChange_;
  TLVSelectItemEvent onSelectItem_;
  TLVOwnerDataEvent onData_;
  TLVDeletedEvent onDeletion_;
  TLVCustomDrawEvent onCustomDraw_;
  TLVCustomDrawItemEvent onCustomDrawItem_;
  TLVCustomDrawSubItemEvent onCustomDrawSubItem_;
  TLVAdvancedCustomDrawEvent onAdvancedCustomDraw_;
  TLVAdvancedCustomDrawItemEvent onAdvancedCustomDrawItem_;
  TLVAdvancedCustomDrawSubItemEvent onAdvancedCustomDrawSubItem_;
};

class TListView : public TCustomListView {
  TW_CLASS(TListView, TCustomListView)
  using TCustomListView::TCustomListView;
};

// ---- tree view ------------------------------------------------------------------------

class TCustomTreeView;
class TTreeNodes;

// A node: its text, images, data and children.
class TTreeNode : public TPersistent {
  TW_CLASS(TTreeNode, TPersistent)
  TTreeNode(TTreeNodes* owner, TTreeNode* parent);
  ~TTreeNode() override;

  TTreeNodes* Owner() const { return owner_; }
  TCustomTreeView* TreeView() const;
  TTreeNode* Parent() const { return parent_; }
  const String& Text() const { return text_; }
  void SetText(const String& t);
  Integer ImageIndex() const { return imageIndex_; }
  void SetImageIndex(Integer v);
  // The image shown while the node is selected.
  Integer SelectedIndex() const { return selectedIndex_; }
  void SetSelectedIndex(Integer v);
  // The image of the tree's StateImages before the node (-1: none).
  Integer StateIndex() const { return stateIndex_; }
  void SetStateIndex(Integer v);
  Integer OverlayIndex() const { return overlayIndex_; }
  void SetOverlayIndex(Integer v);
  void* Data() const { return data_; }
  void SetData(void* d) { data_ = d; }
  bool Expanded() const;
  void SetExpanded(bool v);
  void Expand(bool recurse);
  void Collapse(bool recurse);
  // The node shows a button to expand it: it has children, or was told it has (nodes added
  // when it is expanded).
  bool HasChildren() const { return hasChildren_ || !children_.empty(); }
  void SetHasChildren(bool v);
  bool Selected() const;
  void SetSelected(bool v);
  bool Focused() const;
  void SetFocused(bool v);
  Integer Count() const { return static_cast<Integer>(children_.size()); }
  TTreeNode* Item(Integer index) const;
  Integer Index() const;
  Integer Level() const;
  // The node's place among all nodes (depth first).
  Integer AbsoluteIndex() const;
  TTreeNode* GetFirstChild() const { return children_.empty() ? nullptr : children_.front().get(); }
  TTreeNode* GetLastChild() const { return children_.empty() ? nullptr : children_.back().get(); }
  TTreeNode* GetNextSibling() const;
  TTreeNode* GetPrevSibling() const;
  // The next node depth first (children, then siblings, then the parents' siblings).
  TTreeNode* GetNext() const;
  bool IsVisible() const;
  // The node's window item (HTREEITEM); nullptr while the tree has no window.
  void* ItemId() const { return itemId_; }
  // Where the node (textOnly: its text) is, in client coordinates.
  TRect DisplayRect(bool textOnly) const;
  void MakeVisible();
  void Delete();
  void DeleteChildren();
  void Assign(const TPersistent* source) override;

 private:
  friend class TTreeNodes;
  friend class TCustomTreeView;
  void UpdateWindowItem(Cardinal mask);
  TTreeNodes* owner_;
  TTreeNode* parent_;
  std::vector<std::unique_ptr<TTreeNode>> children_;
  String text_;
  Integer imageIndex_ = -1, selectedIndex_ = -1, stateIndex_ = -1, overlayIndex_ = -1;
  void* data_ = nullptr;
  bool expanded_ = false;
  bool hasChildren_ = false;
  void* itemId_ = nullptr;
};

// The nodes of a tree view. Count and Item(index) count every node, depth first. In a
// description the nodes are the binary "NodeData".
class TTreeNodes : public TPersistent {
  TW_CLASS(TTreeNodes, TPersistent)
  explicit TTreeNodes(TCustomTreeView* owner);
  ~TTreeNodes() override;

  TCustomTreeView* Owner() const { return owner_; }
  Integer Count() const { return count_; }
  TTreeNode* Item(Integer index) const;
  TTreeNode* GetFirstNode() const { return roots_.empty() ? nullptr : roots_.front().get(); }
  // A new last sibling of sibling (nullptr: a new last root).
  TTreeNode* Add(TTreeNode* sibling, const String& text);
  TTreeNode* AddObject(TTreeNode* sibling, const String& text, void* data);
  TTreeNode* AddFirst(TTreeNode* sibling, const String& text);
  // A new last child of parent (nullptr: a new last root).
  TTreeNode* AddChild(TTreeNode* parent, const String& text);
  TTreeNode* AddChildObject(TTreeNode* parent, const String& text, void* data);
  TTreeNode* AddChildFirst(TTreeNode* parent, const String& text);
  // A new node before sibling (nullptr: a new last root).
  TTreeNode* Insert(TTreeNode* sibling, const String& text);
  void Delete(TTreeNode* node);
  void Clear();
  void BeginUpdate();
  void EndUpdate();
  void Assign(const TPersistent* source) override;
  // The "NodeData" property.
  void ReadData(TStream& stream);
  void WriteData(TStream& stream) const;

 private:
  friend class TTreeNode;
  friend class TCustomTreeView;
  TTreeNode* InsertNode(TTreeNode* parent, Integer index, const String& text, void* data);
  std::vector<std::unique_ptr<TTreeNode>>& ListOf(TTreeNode* parent) { return parent ? parent->children_ : roots_; }
  TCustomTreeView* owner_;
  std::vector<std::unique_ptr<TTreeNode>> roots_;
  Integer count_ = 0;
  Integer updateCount_ = 0;
};

using TTVCustomDrawEvent = TEvent<void(TCustomTreeView* Sender, const TRect& ARect, bool& DefaultDraw)>;
using TTVCustomDrawItemEvent =
    TEvent<void(TCustomTreeView* Sender, TTreeNode* Node, TCustomDrawState State, bool& DefaultDraw)>;
using TTVAdvancedCustomDrawEvent =
    TEvent<void(TCustomTreeView* Sender, const TRect& ARect, TCustomDrawStage Stage, bool& DefaultDraw)>;
using TTVAdvancedCustomDrawItemEvent = TEvent<void(TCustomTreeView* Sender, TTreeNode* Node, TCustomDrawState State,
                                                   TCustomDrawStage Stage, bool& PaintImages, bool& DefaultDraw)>;
using TTVChangedEvent = TEvent<void(TObject* Sender, TTreeNode* Node)>;
using TTVChangingEvent = TEvent<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVExpandingEvent = TEvent<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent = TEvent<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVExpandedEvent = TEvent<void(TObject* Sender, TTreeNode* Node)>;

// The system tree view. The nodes live in the control and are given to the window whenever
// it is made.
class TCustomTreeView : public TSystemControl {
  TW_CLASS(TCustomTreeView, TSystemControl)
  explicit TCustomTreeView(TComponent* owner);
  ~TCustomTreeView() override;

  TTreeNodes* Items() const { return items_.get(); }
  void SetItems(const TTreeNodes* nodes) { items_->Assign(nodes); }
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* l) { SetImageList(images_, l); }
  TCustomImageList* StateImages() const { return stateImages_; }
  void SetStateImages(TCustomImageList* l) { SetImageList(stateImages_, l); }
  bool ShowLines() const { return showLines_; }
  void SetShowLines(bool v);
  bool ShowButtons() const { return showButtons_; }
  void SetShowButtons(bool v);
  bool ShowRoot() const { return showRoot_; }
  void SetShowRoot(bool v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool v);
  bool RowSelect() const { return rowSelect_; }
  void SetRowSelect(bool v);
  bool HotTrack() const { return hotTrack_; }
  void SetHotTrack(bool v);
  // The indentation of each level (0: the system's).
  Integer Indent() const;
  void SetIndent(Integer v);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle s);
  TTreeNode* Selected() const;
  void SetSelected(TTreeNode* node);
  TTreeNode* TopItem() const;
  TTreeNode* GetNodeAt(Integer x, Integer y) const;
  // The node of a window item (HTREEITEM).
  TTreeNode* NodeOfItem(void* itemId) const;
  void FullExpand();
  void FullCollapse();

  TTVChangedEvent OnChange() const { return onChange_; }
  void SetOnChange(TTVChangedEvent e) { onChange_ = e; }
  TTVChangingEvent OnChanging() const { return onChanging_; }
  void SetOnChanging(TTVChangingEvent e) { onChanging_ = e; }
  TTVExpandingEvent OnExpanding() const { return onExpanding_; }
  void SetOnExpanding(TTVExpandingEvent e) { onExpanding_ = e; }
  TTVExpandedEvent OnExpanded() const { return onExpanded_; }
  void SetOnExpanded(TTVExpandedEvent e) { onExpanded_ = e; }
  TTVCollapsingEvent OnCollapsing() const { return onCollapsing_; }
  void SetOnCollapsing(TTVCollapsingEvent e) { onCollapsing_ = e; }
  TTVExpandedEvent OnCollapsed() const { return onCollapsed_; }
  void SetOnCollapsed(TTVExpandedEvent e) { onCollapsed_ = e; }
  TTVExpandedEvent OnDeletion() const { return onDeletion_; }
  void SetOnDeletion(TTVExpandedEvent e) { onDeletion_ = e; }
  TTVCustomDrawEvent OnCustomDraw() const { return onCustomDraw_; }
  void SetOnCustomDraw(TTVCustomDrawEvent e) { onCustomDraw_ = e; }
  TTVCustomDrawItemEvent OnCustomDrawItem() const { return onCustomDrawItem_; }
  void SetOnCustomDrawItem(TTVCustomDrawItemEvent e) { onCustomDrawItem_ = e; }
  TTVAdvancedCustomDrawEvent OnAdvancedCustomDraw() const { return onAdvancedCustomDraw_; }
  void SetOnAdvancedCustomDraw(TTVAdvancedCustomDrawEvent e) { onAdvancedCustomDraw_ = e; }
  TTVAdvancedCustomDrawItemEvent OnAdvancedCustomDrawItem() const { return onAdvancedCustomDrawItem_; }
  void SetOnAdvancedCustomDrawItem(TTVAdvancedCustomDrawItemEvent e) { onAdvancedCustomDrawItem_ = e; }
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void DestroyWnd() override;
  void Notification(TComponent* component, TOperation operation) override;
  bool Notify(TMessage& message) override;
  bool IsCustomDrawn(TCustomDrawTarget target, TCustomDrawStage stage) override;
  bool CustomDrawStage(TCustomDrawInfo& info) override;
  void ItemColorsChanged(TCustomDrawInfo& info, TColor text, TColor background) override;

 private:
  friend class TTreeNode;
  friend class TTreeNodes;
  void SetImageList(TCustomImageList*& field, TCustomImageList* value);
  void SendImageLists();
  void SetStyleBit(Cardinal bit, bool on, bool& field, bool value);
  // Gives a node (and its children) window items after prev (nullptr: first).
  void InsertWindowNode(TTreeNode* node, void* prev);
  void ForgetWindowItems(std::vector<std::unique_ptr<TTreeNode>>& nodes);

  std::unique_ptr<TTreeNodes> items_;
  TCustomImageList* images_ = nullptr;
  TCustomImageList* stateImages_ = nullptr;
  bool showLines_ = true, showButtons_ = true, showRoot_ = true, readOnly_ = false, hideSelection_ = true,
       rowSelect_ = false, hotTrack_ = false;
  Integer indent_ = 0;
  TBorderStyle borderStyle_ = bsSingle;
  TTreeNode* selected_ = nullptr;  // kept while there is no window
  bool rebuilding_ = false;
  TTVChangedEvent onChange_;
  TTVChangingEvent onChanging_;
  TTVExpandingEvent onExpanding_;
  TTVExpandedEvent onExpanded_;
  TTVCollapsingEvent onCollapsing_;
  TTVExpandedEvent onCollapsed_, onDeletion_;
  TTVCustomDrawEvent onCustomDraw_;
  TTVCustomDrawItemEvent onCustomDrawItem_;
  TTVAdvancedCustomDrawEvent onAdvancedCustomDraw_;
  TTVAdvancedCustomDrawItemEvent onAdvancedCustomDrawItem_;
};

class TTreeView : public TCustomTreeView {
  TW_CLASS(TTreeView, TCustomTreeView)
  using TCustomTreeView::TCustomTreeView;
};

#endif
