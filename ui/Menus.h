// Menus: menu items in a tree (TMenuItem), a form's menu bar (TMainMenu) and context menus
// (TPopupMenu), shortcut keys, and the popup list: the hidden window that owns every popup
// menu while it is shown and hands its messages to the items.
//
//   object MainMenu1: TMainMenu                 // in a form description; the form's
//     object File1: TMenuItem                   // Menu = MainMenu1 shows it as its menu bar
//       Caption = "&File"
//       object Open1: TMenuItem
//         Caption = "&Open..."
//         ShortCut = 16463                      // Ctrl+O (scCtrl + 'O')
//         OnClick = Open1Click
//       end
//     end
//   end
//
// Items. An item's children make its sub-menu; the root item of a menu (Items) holds the
// top-level items. Caption "-" makes a separator; '&' marks the accelerator letter. Every item
// has a command number of its own (Command), unique in the program, which the menu messages
// carry. Changing an item updates the system menu that shows it (MenuChanged); a main menu then
// redraws its form's menu bar and sends the form CM_MENUCHANGED.
//
// Owner drawing. With the menu's OwnerDraw on, each item is measured and drawn by the library:
// OnMeasureItem may change the measured size, OnAdvancedDrawItem draws the item instead of the
// library (with the owner-draw state: selected, checked, grayed, default, hot-light, no
// accelerator cues ...). Without OwnerDraw the system draws the items; an item's picture (its
// Bitmap, or ImageIndex in the menu's Images) is drawn by the library beside the text.
//
// Showing. A main menu shows as the menu bar of the form whose Menu it is; its commands come
// to the form. TPopupMenu::Popup(x, y) shows a menu at a screen point and returns when it
// closes (the system runs a modal loop meanwhile); the chosen item's OnClick runs after that,
// when the popup list's window gets the command. A control's PopupMenu is shown on a right
// click and on the context-menu key (WM_CONTEXTMENU), with the control as PopupComponent.
// Shortcut keys of the menus of a form (its main menu and the popup menus of the focused
// control and its parents) click their item.
//
// The shortcut helpers (ShortCut, ShortCutToText, TextToShortCut) are portable.
#pragma once

#include "Classes.h"
#include "Messages.h"

// ---- shortcut keys --------------------------------------------------------------------

// A key with its modifiers: the virtual key in the low byte, scShift, scCtrl and scAlt above.
using TShortCut = Word;
constexpr TShortCut scNone = 0, scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;

TShortCut ShortCut(Word key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, Word& key, TShiftState& shift);
// "Ctrl+Shift+S", "Alt+F4", "Del" ...; empty for scNone or a key without a name.
String ShortCutToText(TShortCut shortCut);
// The reverse (modifier and key names compared without regard to case); scNone for text that
// names no key.
TShortCut TextToShortCut(StringView text);

#ifdef _WIN32

#include <vector>

#include <memory>

#include "ActnList.h"
#include "Controls.h"
#include "Graphics.h"

class TBitmap;
class TCanvas;
class TCustomImageList;
class TMenu;
class TMenuItem;
class TPopupMenu;

TW_ENUM(TMenuBreak, mbNone, mbBreak, mbBarBreak)
TW_ENUM(TPopupAlignment, paLeft, paRight, paCenter)
TW_ENUM(TTrackButton, tbRightButton, tbLeftButton)
TW_ENUM(TMenuAnimations, maLeftToRight, maRightToLeft, maTopToBottom, maBottomToTop, maNone)
using TMenuAnimation = TSet<TMenuAnimations>;
enum TFindItemKind { fkCommand, fkHandle, fkShortCut };

using TMenuMeasureItemEvent = TEvent<void(TObject* Sender, TCanvas* ACanvas, Integer& Width, Integer& Height)>;
using TAdvancedMenuDrawItemEvent = TEvent<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState State)>;

// The command numbers of menu items: above 0 and below the system commands (0xF000).
constexpr Word kFirstMenuCommand = 1, kLastMenuCommand = 0xEFFF;

// A menu item's link to its action: the item's values that still equal the action's follow it.
class TMenuActionLink : public TActionLink {
 public:
  explicit TMenuActionLink(TMenuItem* client);
  TMenuItem* Item() const { return item_; }
  bool IsCaptionLinked() const override;
  bool IsCheckedLinked() const override;
  bool IsEnabledLinked() const override;
  bool IsHelpContextLinked() const override;
  bool IsImageIndexLinked() const override;
  bool IsVisibleLinked() const override;
  bool IsOnExecuteLinked() const override;

 private:
  TCustomAction* CustomAction() const;
  TMenuItem* item_;
};

class TMenuItem : public TComponent {
  TW_CLASS(TMenuItem, TComponent)
  explicit TMenuItem(TComponent* owner);
  // Frees the children; leaves the parent.
  ~TMenuItem() override;

  // ---- the tree ----
  TMenuItem* Parent() const { return parent_; }
  Integer Count() const { return static_cast<Integer>(items_.size()); }
  // Raises EMenuError "Menu index out of range" for a bad index.
  TMenuItem* Items(Integer index) const;
  Integer IndexOf(const TMenuItem* item) const;
  // Raises EMenuError "Menu inserted twice" for an item that already has a parent.
  void Add(TMenuItem* item);
  void Insert(Integer index, TMenuItem* item);
  // Takes the item out (it is not freed).
  void Remove(TMenuItem* item);
  // Frees the child at index.
  void Delete(Integer index);
  // Frees every child.
  void Clear();
  // Position among the parent's children; -1 without a parent.
  Integer MenuIndex() const;
  void SetMenuIndex(Integer index);
  // The menu the item belongs to (through its parents); nullptr for a loose item.
  TMenu* GetParentMenu() const;
  // The child whose caption without '&' equals text (without regard to case); nullptr.
  TMenuItem* Find(StringView text) const;
  bool IsLine() const { return caption_ == u"-"; }

  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return true; }
  void SetParentComponent(TComponent* parent) override;
  // Its children that root owns (the form writer).
  void GetChildren(std::vector<TComponent*>& children, TComponent* root) const override;

  // ---- action ----
  // The item shows and runs its action: caption, checked and enabled state, visibility, help
  // context and image index follow the action's, and a click runs the action unless OnClick
  // was set to another handler.
  TBasicAction* Action() const { return actionLink_ ? actionLink_->Action() : nullptr; }
  void SetAction(TBasicAction* action);
  TMenuActionLink* ActionLink() const { return actionLink_.get(); }
  // Whether a value is the item's own, not the action's (descriptions keep only those).
  bool IsCaptionStored() const { return !actionLink_ || !actionLink_->IsCaptionLinked(); }
  bool IsCheckedStored() const { return !actionLink_ || !actionLink_->IsCheckedLinked(); }
  bool IsEnabledStored() const { return !actionLink_ || !actionLink_->IsEnabledLinked(); }
  bool IsHelpContextStored() const { return !actionLink_ || !actionLink_->IsHelpContextLinked(); }
  bool IsImageIndexStored() const { return !actionLink_ || !actionLink_->IsImageIndexLinked(); }
  bool IsVisibleStored() const { return !actionLink_ || !actionLink_->IsVisibleLinked(); }
  bool IsOnClickStored() const { return !actionLink_ || !actionLink_->IsOnExecuteLinked(); }

  // ---- properties ----
  const String& Caption() const { return caption_; }
  void SetCaption(const String& v);
  bool Checked() const { return checked_; }
  // Checking a radio item unchecks the other radio items of its group among its siblings.
  void SetChecked(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  // Shown in bold; a double click on a form's system-menu icon picks it.
  bool Default() const { return default_; }
  void SetDefault(bool v);
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool v);
  // Radio items with the same GroupIndex exclude each other; in a main menu the group
  // decides how a merged menu's items replace or join the items of the menu bar.
  Byte GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(Byte v);
  // mbBreak starts a new column, mbBarBreak a new column behind a line.
  TMenuBreak Break() const { return break_; }
  void SetBreak(TMenuBreak v);
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut v);
  Integer ImageIndex() const { return imageIndex_; }
  void SetImageIndex(Integer v);
  // The item's own picture, made empty on first use; it wins over ImageIndex.
  TBitmap* Bitmap();
  void SetBitmap(const TBitmap* v);
  bool HasBitmap() const;
  // The images of this item's sub-menu (instead of the menu's Images).
  TCustomImageList* SubMenuImages() const { return subMenuImages_; }
  void SetSubMenuImages(TCustomImageList* v);
  Integer HelpContext() const { return helpContext_; }
  void SetHelpContext(Integer v) { helpContext_ = v; }
  // The image list this item's ImageIndex refers to: the parent's SubMenuImages, else the
  // menu's Images.
  TCustomImageList* GetImageList() const;

  TNotifyEvent OnClick() const { return onClick_; }
  void SetOnClick(TNotifyEvent e) { onClick_ = e; }
  TMenuMeasureItemEvent OnMeasureItem() const { return onMeasureItem_; }
  void SetOnMeasureItem(TMenuMeasureItemEvent e);
  TAdvancedMenuDrawItemEvent OnAdvancedDrawItem() const { return onAdvancedDrawItem_; }
  void SetOnAdvancedDrawItem(TAdvancedMenuDrawItemEvent e);

  // ---- the system menu ----
  // The unique command number the menu messages carry for this item.
  Word Command() const { return command_; }
  // The system menu of the item's sub-menu (made on first use, kept up to date).
  HMENU Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  // The item (or the sub-menu) changed: the system menu that shows it is made again when
  // rebuild is set (or only redrawn), and the owning menu hears of it.
  void MenuChanged(bool rebuild);
  // Runs OnClick, or the action (an item of a sub-menu: also when its sub-menu opens).
  virtual void Click();
  // Brings the item and its sub-menu's items up to date before they are shown: each asks its
  // action to update. The menus call it before they drop down.
  virtual void InitiateAction();

  // ---- owner drawing (the menus call these for WM_MEASUREITEM and WM_DRAWITEM) ----
  void MeasureItem(TCanvas* canvas, Integer& width, Integer& height);
  void AdvancedDrawItem(TCanvas* canvas, const TRect& rect, TOwnerDrawState state, bool topLevel);
  // The item's picture at (x, y) of the canvas; false when it has none.
  bool DrawImage(TCanvas* canvas, Integer x, Integer y, bool enabled);
  // The size of the item's picture (0 x 0 without one).
  TSize ImageSize() const;

 protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;
  // The action changed (checkDefaults: while linking, only values still at their defaults
  // take the action's).
  virtual void ActionChange(TObject* sender, bool checkDefaults);
  // The library's drawing of an owner-drawn item.
  virtual void DoDrawItem(TCanvas* canvas, const TRect& rect, TOwnerDrawState state, bool topLevel);

 private:
  friend class TMenu;
  friend class TMainMenu;
  void SetMenu(TMenu* menu) { menu_ = menu; }
  void RebuildHandle();
  void AppendTo(HMENU menu, bool topLevel);
  void DestroyHandle();
  bool IsOwnerDraw() const;
  void TurnSiblingsOff();
  void Changed(bool rebuild) { MenuChanged(rebuild); }
  void DoActionChange(TObject* sender);

  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;  // set on a menu's root item only
  std::vector<TMenuItem*> items_;
  HMENU handle_ = nullptr;
  Word command_ = 0;
  String caption_;
  bool checked_ = false, enabled_ = true, visible_ = true, default_ = false, radioItem_ = false;
  Byte groupIndex_ = 0;
  TMenuBreak break_ = mbNone;
  TShortCut shortCut_ = 0;
  Integer imageIndex_ = -1;
  Integer helpContext_ = 0;
  std::unique_ptr<TBitmap> bitmap_;
  TCustomImageList* subMenuImages_ = nullptr;
  TNotifyEvent onClick_;
  TMenuMeasureItemEvent onMeasureItem_;
  TAdvancedMenuDrawItemEvent onAdvancedDrawItem_;
  std::unique_ptr<TMenuActionLink> actionLink_;
};

class TMenu : public TComponent {
  TW_CLASS(TMenu, TComponent)
  explicit TMenu(TComponent* owner);
  ~TMenu() override;

  // The root item: its children are the menu's top-level items.
  TMenuItem* Items() const { return items_; }
  HMENU Handle() { return items_->Handle(); }
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* v);
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool v);
  // Reading order: with ParentBiDiMode the menu follows its form.
  TBiDiMode BiDiMode() const;
  void SetBiDiMode(TBiDiMode v);
  bool ParentBiDiMode() const { return parentBiDiMode_; }
  void SetParentBiDiMode(bool v);
  bool IsRightToLeft() const { return BiDiMode() != bdLeftToRight; }
  // Puts the items in right-to-left order when the menu reads right to left.
  void AdjustBiDiBehavior();
  // The window the menu belongs to (a main menu: its form's; a popup menu: the window it is
  // shown for, when its user sets one).
  HWND WindowHandle() const { return windowHandle_; }
  virtual void SetWindowHandle(HWND wnd);

  // The item with that command number, sub-menu handle or shortcut (searched depth-first,
  // a main menu's merged menu included); nullptr.
  virtual TMenuItem* FindItem(uintptr_t value, TFindItemKind kind) const;
  // Clicks the item of that command; false when the menu has none.
  bool DispatchCommand(Word command);
  // A sub-menu of this menu is about to open: its item's OnClick runs; false when the menu
  // has no such sub-menu.
  bool DispatchPopup(HMENU subMenu);
  // Clicks the enabled item whose shortcut is that key with the current modifier keys; false
  // when there is none.
  bool IsShortCut(Word key);

  // Handles a menu message sent to the window the menu belongs to (WM_MEASUREITEM and
  // WM_DRAWITEM of its items, WM_INITMENUPOPUP, WM_MENUCHAR); false when it is not the
  // menu's.
  bool HandleMenuMessage(TMessage& message);
  // Its top-level items that root owns (the form writer).
  void GetChildren(std::vector<TComponent*>& children, TComponent* root) const override;

 protected:
  // An item changed (source; nullptr: the whole menu); rebuild: its system menu was made
  // again.
  virtual void MenuChanged(TMenuItem* source, bool rebuild);
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;

 private:
  friend class TMenuItem;
  TMenuItem* items_;
  TCustomImageList* images_ = nullptr;
  bool ownerDraw_ = false;
  TBiDiMode biDiMode_ = bdLeftToRight;
  bool parentBiDiMode_ = true;
  HWND windowHandle_ = nullptr;
};

class TMainMenu : public TMenu {
  TW_CLASS(TMainMenu, TMenu)
  explicit TMainMenu(TComponent* owner);
  ~TMainMenu() override;

  // The menu of a form that is not the main form joins the main form's menu bar while the
  // form is active, instead of showing a bar of its own.
  bool AutoMerge() const { return autoMerge_; }
  void SetAutoMerge(bool v);
  // Shows menu's items in this menu bar: an item replaces the bar's items of its GroupIndex,
  // or joins the bar after the items of lower groups. One menu at a time.
  void Merge(TMainMenu* menu);
  void Unmerge(TMainMenu* menu);
  TMainMenu* Merged() const { return merged_; }
  TMenuItem* FindItem(uintptr_t value, TFindItemKind kind) const override;

 protected:
  void MenuChanged(TMenuItem* source, bool rebuild) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TMenuItem;
  // The top-level items the bar shows: its own and the merged menu's, by group.
  std::vector<TMenuItem*> BarItems() const;
  bool autoMerge_ = false;
  TMainMenu* merged_ = nullptr;
  TMainMenu* mergedInto_ = nullptr;
};

class TPopupMenu : public TMenu {
  TW_CLASS(TPopupMenu, TMenu)
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;

  // Shows the menu at the screen point and returns when it closes: OnPopup, the items'
  // InitiateAction, then the system's modal menu loop. The chosen item is clicked afterwards,
  // when the popup list's window gets its command.
  virtual void Popup(Integer x, Integer y);
  // The control (or other component) the menu was last shown for.
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* c);
  // Where the menu was last shown (screen coordinates).
  TPoint PopupPoint() const { return popupPoint_; }
  TPopupAlignment Alignment() const { return alignment_; }
  void SetAlignment(TPopupAlignment v) { alignment_ = v; }
  // Shown by a right click (context-menu request) on a control whose PopupMenu it is.
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool v) { autoPopup_ = v; }
  TTrackButton TrackButton() const { return trackButton_; }
  void SetTrackButton(TTrackButton v) { trackButton_ = v; }
  // How the menu unfolds; maNone: without animation.
  TMenuAnimation MenuAnimation() const { return menuAnimation_; }
  void SetMenuAnimation(TMenuAnimation v) { menuAnimation_ = v; }
  TNotifyEvent OnPopup() const { return onPopup_; }
  void SetOnPopup(TNotifyEvent e) { onPopup_ = e; }

 protected:
  virtual void DoPopup() { onPopup_.Call(this); }
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TComponent* popupComponent_ = nullptr;
  TPoint popupPoint_;
  TPopupAlignment alignment_ = paLeft;
  bool autoPopup_ = true;
  TTrackButton trackButton_ = tbRightButton;
  TMenuAnimation menuAnimation_;
  TNotifyEvent onPopup_;
};

// The popup list: the popup menus of the program and the hidden window that owns them while
// they are shown, which receives their WM_COMMAND, WM_MEASUREITEM, WM_DRAWITEM,
// WM_INITMENUPOPUP and WM_MENUCHAR and passes them to the items.
class TPopupList {
 public:
  // The window (made on first use).
  HWND Window();
  void Add(TPopupMenu* menu);
  void Remove(TPopupMenu* menu);
  Integer Count() const { return static_cast<Integer>(menus_.size()); }
  TPopupMenu* Menus(Integer index) const { return menus_[static_cast<size_t>(index)]; }
  // Handles a message of the window.
  void WndProc(TMessage& message);

 private:
  friend struct TwPopupListProc;
  std::vector<TPopupMenu*> menus_;
  HWND window_ = nullptr;
};

// The program's popup list (made with the first popup menu; nullptr before).
extern TPopupList* PopupList;

// The live menu item with that command number, among the popup list's menus and the menus of
// the screen's forms; nullptr when none has it (a message that carries a command number instead
// of an item's address stays safe after the item is gone).
TMenuItem* MenuItemOfCommand(uintptr_t command);

// Called whenever a popup menu or sub-menu of the program closes (WM_UNINITMENUPOPUP to the
// popup list's window or to a form); the skinning engine drops what it keeps per open popup.
// nullptr: nobody listens.
extern void (*OnMenuPopupClosed)(HMENU menu);

TW_DECLARE_EXCEPTION(EMenuError, Exception);

#endif
