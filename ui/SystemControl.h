// TSystemControl: the base of the controls that are a window of a system class (an edit, a
// button, a list view ...). Windows only.
//
// It keeps each such class small by doing once what they all need:
//   - the window superclasses the system class, whose common-controls group is registered
//     first (InitCommonControlsEx) when it comes from comctl32; the classes are those of the
//     common controls 6 (through the activation context of the program's manifest resource
//     TW_MANIFEST_COMMONCONTROLS6), which have cue banners, button images, split buttons and
//     command links (without the resource, the system's first version);
//   - values live in the object and reach the window when it exists: SendToWindow sends only
//     then, HandleCreated (each class) pushes the rest, and ChangeStyle sets style bits on the
//     live window or, for bits the system class reads only when it is made, makes the window
//     again;
//   - the parent's reflected notifications arrive as Command (CN_COMMAND), Notify (CN_NOTIFY),
//     DrawOwnerItem / MeasureOwnerItem (CN_DRAWITEM / CN_MEASUREITEM, with Canvas on the
//     item's DC and the control's font and colour) and the custom-draw stages (NM_CUSTOMDRAW:
//     the stage decoded, Canvas on the stage's DC, the answer composed from what the class's
//     events want to hear);
//   - a string list the window shows (a list box's items, a tab control's tabs) follows the
//     list through TWindowStrings: after each change the window gets the smallest edit.
#pragma once

#ifdef _WIN32

#include <memory>
#include <vector>

#include "Controls.h"
#include "StringList.h"

// The item state of a custom-draw notification: one element per CDIS_ bit, in bit order.
TW_ENUM(TCustomDrawStateItem, cdsSelected, cdsGrayed, cdsDisabled, cdsChecked, cdsFocused, cdsDefault, cdsHot,
        cdsMarked, cdsIndeterminate, cdsShowKeyboardCues, cdsNearHot, cdsOtherSideHot, cdsDropHilited)
using TCustomDrawState = TSet<TCustomDrawStateItem>;
TW_ENUM(TCustomDrawStage, cdPrePaint, cdPostPaint, cdPreErase, cdPostErase)
// What a custom-draw stage concerns: the whole control, one item, one sub-item (a list view's
// column of an item).
TW_ENUM(TCustomDrawTarget, dtControl, dtItem, dtSubItem)
// The CDIS_ bits of a custom-draw item as a state set.
TCustomDrawState CustomDrawStateOf(Cardinal itemState);

// One owner-drawn item as the system hands it over (WM_DRAWITEM), in the library's terms.
struct TOwnerDrawItem {
  Integer Index = -1;  // the item (-1: none, an empty list's focus rectangle)
  TRect Rect;          // where to draw it, in the DC's coordinates
  TOwnerDrawState State;
  Cardinal Action = 0;  // ODA_ bits: what to draw
  intptr_t Data = 0;    // the item's data value
};

// One stage of a custom-draw notification, decoded.
struct TCustomDrawInfo {
  TCustomDrawTarget Target = dtControl;
  TCustomDrawStage Stage = cdPrePaint;
  TRect Rect;  // the control's client area, or the item's rectangle
  TCustomDrawState State;
  uintptr_t ItemSpec = 0;        // the item: an index or a handle, by control
  intptr_t ItemParam = 0;        // the item's data value
  Integer SubItem = 0;           // a sub-item stage's column
  void* Notification = nullptr;  // the system's record (NMCUSTOMDRAW or a larger one)
  Cardinal ResultFlags = 0;      // control-specific CDRF_ bits the handlers ask for
};

class TSystemControl : public TWinControl {
  TW_CLASS(TSystemControl, TWinControl)
  // sysClass: the system window class; commonControls: the ICC_ group it belongs to (0 for
  // the classes of user32).
  TSystemControl(TComponent* owner, const char16_t* sysClass, Cardinal commonControls = 0);
  ~TSystemControl() override;

  // The system class the window superclasses.
  const char16_t* SysClassName() const { return sysClass_; }
  // The canvas owner-draw and custom-draw handlers paint on: while one runs, the DC of what
  // is being drawn.
  TCanvas* Canvas();

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  // Makes the window with the common controls 6 active.
  void CreateWnd() override;
  // Sends to the window when there is one; 0 otherwise.
  TLResult SendToWindow(Cardinal msg, TWParam wParam = 0, TLParam lParam = 0) const;
  // Sets (on) or clears style bits. live: the system class follows a style change of its
  // window (the frame is recalculated and the window repainted); otherwise the window is
  // made again.
  void ChangeStyle(Cardinal bits, bool on, bool live);
  void ChangeExStyle(Cardinal bits, bool on, bool live);

  // ---- reflected notifications; each gets the message and sets its Result ----
  // CN_COMMAND: the notification code (the high word of WParam).
  virtual void Command(Word /*code*/, TMessage& /*message*/) {}
  // CN_NOTIFY other than NM_CUSTOMDRAW (LParam: the NMHDR); true when handled.
  virtual bool Notify(TMessage& /*message*/) { return false; }
  // The owner-draw item, with Canvas on its DC holding the control's font and colour.
  virtual void DrawOwnerItem(const TOwnerDrawItem& /*item*/) {}
  // An owner-drawn item's size before it is shown (index -1: the edit part of a combo box).
  virtual void MeasureOwnerItem(Integer /*index*/, Integer& /*height*/, Integer& /*width*/) {}

  // ---- custom draw (NM_CUSTOMDRAW) ----
  // Whether the class has a handler for that target and stage (decides what the system is
  // asked to send).
  virtual bool IsCustomDrawn(TCustomDrawTarget /*target*/, TCustomDrawStage /*stage*/) { return false; }
  // Runs the handlers of one stage, with Canvas on its DC; answers DefaultDraw (false: the
  // system draws nothing of it).
  virtual bool CustomDrawStage(TCustomDrawInfo& /*info*/) { return true; }
  // After an item stage whose handlers changed Canvas's font or colours: the class puts the
  // colours into its system record (clrText and clrTextBk where it has them).
  virtual void ItemColorsChanged(TCustomDrawInfo& /*info*/, TColor /*text*/, TColor /*background*/) {}
  // The item state custom draw reports for a stage (the CDIS_ bits by default).
  virtual TCustomDrawState CustomDrawItemState(const TCustomDrawInfo& info);

 private:
  void CNDrawItem(TMessage& m);
  void CNMeasureItem(TMessage& m);
  void CNCustomDraw(TMessage& m);
  void SetStyles(int index, Cardinal bits, bool on, bool live);

  const char16_t* sysClass_;
  std::unique_ptr<TControlCanvas> canvas_;
};

class TWindowStrings;

// What a system list control does to show a list's items (TWindowStrings calls it).
class TWindowStringsHost {
 public:
  virtual ~TWindowStringsHost() = default;
  // Whether the window exists to be edited.
  virtual bool StringsWindowReady() const = 0;
  virtual void InsertWindowString(Integer index, const String& text, TObject* object) = 0;
  virtual void DeleteWindowString(Integer index) = 0;
  // Every item is gone from the window (one message where the class has one).
  virtual void ClearWindowStrings() = 0;
  // After an edit: the items changed (events, repaint).
  virtual void WindowStringsChanged() {}
};

// A string list (with objects) that a system list control shows. After every change (or at
// the end of a BeginUpdate block) the window is edited to match: the items both the window
// and the list have at the head and at the tail stay, the rest is replaced, so appending one
// item costs one insert and a selection at the head survives.
class TWindowStrings : public TStringList {
 public:
  explicit TWindowStrings(TWindowStringsHost* host) : host_(host) {}
  // The window was made (fill it with everything) or is gone (it holds nothing now).
  void WindowCreated();
  void WindowDestroyed() { shown_.clear(); }
  // What the window holds, as the list last pushed it.
  Integer ShownCount() const { return static_cast<Integer>(shown_.size()); }

 protected:
  void Changed() override;

 private:
  struct Shown {
    String text;
    TObject* object;
    bool operator==(const Shown&) const = default;
  };
  void Sync();
  TWindowStringsHost* host_;
  std::vector<Shown> shown_;
  bool syncing_ = false;
};

#endif
