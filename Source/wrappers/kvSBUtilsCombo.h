// Combo box wrappers: the combo box itself (frame copied over the control's own painting, a
// skinned drop-down button, owner-drawn items from the skin), the wrapper of its drop-down list
// (a frame in the skin's border colour around its edit colour, skinned scroll bars) made the
// first time the list asks for its colours, and the lookup combo edit whose child list box gets
// skinned scroll bars.
#pragma once
#ifdef _WIN32

#include "ui/GdiScopes.h"
#include "wrappers/kvSBUtilsEdit.h"

class TkvComboListWnd;
class TCustomListBox;

// Puts the skin's main font (or the manager's custom one) into dc; the font object is kept in
// slot and stays valid while dc uses it (until the slot is reset or given another font).
// Nothing without a configured name.
void CheckFont(HDC dc, TOwnedFont& slot);

class TkvComboBoxWnd : public TkvEditWnd {
  TW_CLASS(TkvComboBoxWnd, TkvEditWnd)
  ~TkvComboBoxWnd() override;
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;
  // The button rectangle in window coordinates.
  virtual TRect ButtonRect();

  Integer ButtonHeight();
  void PaintButton(HDC dc);
  void RepaintButton();
  // The text of a combo box without owner drawing into the cache.
  void PaintText();
  void PrepareSimple();
  void Invalidate();
  bool EasyComboBox();
  void CNDrawItem(TMessage& message);
  void DrawItem(Integer index, const TRect& rect, HDC dc, TOwnerDrawState state);
  // The text of item index (CB_GETLBTEXT after asking its length); empty for none.
  String ItemText(Integer index);

  HWND FListHandle = nullptr;
  TkvComboListWnd* ListSW = nullptr;  // owned
  bool LBoxOpening = false;

 protected:
  // The answer of WM_CTLCOLOREDIT / WM_CTLCOLORLISTBOX: one brush per wrapper, made again only
  // when the colour changes (a new skin), freed with the wrapper.
  HBRUSH ColorBrush(TColor color);
  void FreeList();
  Integer Style();
  // The hover glow goes once the mouse has left the window.
  void HideGlowOutside();
  TOwnedBrush FBrush;
  TColor FBrushColor = 0;
  TOwnedFont FItemFont;
};

class TkvComboListWnd : public TkvEditWnd {
  TW_CLASS(TkvComboListWnd, TkvEditWnd)
  ~TkvComboListWnd() override;
  // Wraps the drop-down list window of a combo box (simply: the always visible list of a
  // CBS_SIMPLE box).
  static TkvComboListWnd* CreateEx(HWND aHandle, TsCommonData* aSkinData, DuRiruZireziv* aSkinManager,
                                   const String& skinSection, bool repaint, bool simply);
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;
  void SetSkinParams() override;
  bool IsDropDownList() const override { return true; }

  bool Shown = false;
  bool SimplyBox = false;
  // The list scrolls database rows by codes of its own: a released thumb tells it where it was
  // let go (Kv_RowListReleaseCode) instead of a position.
  bool DBScroll = false;

 private:
  void PrepareListCache();
  void PaintSimpleStrip();
};

class TkvWWComboBoxWnd : public TkvComboBoxWnd {
  TW_CLASS(TkvWWComboBoxWnd, TkvComboBoxWnd)
  ~TkvWWComboBoxWnd() override;
  void AfterCreation() override;
  TRect ButtonRect() override;
  void kvWndProc(TMessage& message) override;
  // A class-library combo box of a drop-down style shows its button.
  static bool GetShowButton(TControl* control);

  bool FShowButton = false;
  TCustomListBox* ListBox = nullptr;
  TkvScrollWnd* ListBoxSW = nullptr;
  TsScrollWndData* ListBoxSkinData = nullptr;  // owned
};

// The combo box's messages that tell its list that tracking starts and ends (the list wrapper
// shows the list pressed meanwhile).
constexpr Cardinal LBCB_STARTTRACK = 0x1AE;
constexpr Cardinal LBCB_ENDTRACK = 0x1AF;

#endif
