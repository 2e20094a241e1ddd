// TsButton: the skinned push button. It is made owner-drawn: while a skin is active it paints
// itself from the section "BUTTON" (or its skin data's) into the cache of its skin data and
// copies that to the window; without a skin it draws the plain or themed Windows look. Both
// put an image of the image list (one per state) and the caption where the layout below says,
// for the three styles (push button, command link, split button with its drop-down menu).
//
// The glyph drawer reads the button through GetImages, CurrentImageIndex, CurrentState,
// GlyphRect, Reflected, Enabled, Color and SkinData. CurrentState follows the real button:
// the mouse over it (CM_MOUSEENTER/CM_MOUSELEAVE), the system's pushed state (BM_GETSTATE),
// Down, focus, and the default-button style the form gives it (SetButtonStyle).
//
// Sections: 1. layout (portable); 2. TsButton (Windows).
#pragma once

#include "ui/Classes.h"
#include "ui/Types.h"

// ---- 1. Layout (portable) --------------------------------------------------------------------------

// Where the glyph sits, in the order of the class library's image alignment.
enum TkvGlyphPlace : Byte { gpLeft, gpRight, gpTop, gpBottom, gpCenter };

// What the caption and glyph layout reads of a button.
struct TkvButtonLayout {
  Integer Width = 0, Height = 0;
  Integer DropWidth = 0;  // the split part's width (0 for other styles)
  bool CommandLink = false;
  bool HasGlyph = false;
  TSize Image;    // the glyph's size (0 x 0 without one)
  TRect Margins;  // the image margins (left, top, right, bottom)
  TkvGlyphPlace Place = gpLeft;
  Integer ContentMargin = 6, ContentSpacing = 6;
  TSize Caption;       // the measured caption
  bool Shift = false;  // pressed in a section that shifts its content
};

// The caption's rectangle; div 2 truncates toward zero.
TRect ButtonCaptionRect(const TkvButtonLayout& l);
// The glyph's rectangle; empty without a glyph.
TRect ButtonGlyphRect(const TkvButtonLayout& l);
// The width left for measuring a caption: with a glyph, less the image with its margins, the
// spacing and the margins once more; without one, from 2 x ContentMargin.
TRect ButtonCaptionMeasureRect(Integer width, Integer contentMargin, Integer contentSpacing, bool hasGlyph,
                               TSize imageWithMargins, const TRect& margins);

// Tells whether a component still exists after a call that may have freed it (a modal menu
// whose handler frees the form, say).
class TComponentWatch : public TComponent {
 public:
  explicit TComponentWatch(TComponent* watched);
  ~TComponentWatch() override;
  bool Alive() const { return watched_ != nullptr; }

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TComponent* watched_;
};

#ifdef _WIN32

#include <memory>

#include "skin/sCommonData.h"
#include "ui/ImgList.h"
#include "ui/StdCtrls.h"
#include "ui/TypInfo.h"

struct tagDRAWITEMSTRUCT;

TW_ENUM_NAMES(TsDisabledKind, dkBlended, dkGrayed)
TW_ENUM_NAMES(TkvAnimatEvent, aeMouseEnter, aeMouseLeave, aeMouseDown, aeMouseUp, aeClick, aeLighting, aeGlobalDef)

// Switches the application's hints off while a left press is handled, so that no hint pops
// up over a button being pressed; restores the saved switch when it goes out of scope, also
// when a handler raises. A release restores through RestoreHints as well, for a press whose
// guard was never made (a press that began elsewhere).
class THintsOffDuringPress {
 public:
  explicit THintsOffDuringPress(bool leftButton);
  ~THintsOffDuringPress();
  THintsOffDuringPress(const THintsOffDuringPress&) = delete;
  THintsOffDuringPress& operator=(const THintsOffDuringPress&) = delete;
  // Puts back the switch saved by a guard that is still open; nothing otherwise.
  static void RestoreHints();
};

// ---- 2. TsButton -----------------------------------------------------------------------------------

class TsButton;
using TkvGetColoring = TEvent<void(TsButton* Sender, Integer State, TkvColoring& Coloring)>;

class TsButton : public TButton {
  TW_CLASS(TsButton, TButton)
  explicit TsButton(TComponent* owner);
  ~TsButton() override;
  TsCtrlSkinData* SkinData() const { return FCommonData.get(); }

  // Drawn pressed whatever the mouse does.
  bool Down() const { return FDown; }
  void SetDown(bool value) { SetFlag(FDown, value); }
  // The glyph is drawn with a fading reflection below it.
  bool Reflected() const { return FReflected; }
  void SetReflected(bool value) { SetFlag(FReflected, value); }
  bool ShowFocus() const { return FShowFocus; }
  void SetShowFocus(bool value) { SetFlag(FShowFocus, value); }
  Integer FocusMargin() const { return FFocusMargin; }
  void SetFocusMargin(Integer value) { FFocusMargin = value; }
  // Space between the content and the edges.
  Integer ContentMargin() const { return FContentMargin; }
  void SetContentMargin(Integer value);
  TSet<TsDisabledKind> DisabledKind() const { return FDisabledKind; }
  void SetDisabledKind(TSet<TsDisabledKind> value);
  // Which mouse events animate the button; aeGlobalDef defers to the manager's button events.
  TSet<TkvAnimatEvent> AnimatEvents() const { return FAnimatEvents; }
  void SetAnimatEvents(TSet<TkvAnimatEvent> value) { FAnimatEvents = value; }
  // The font of a command link's note; used when CustomCommandLinkFont is set.
  TFont* CommandLinkFont() const { return FCommandLinkFont.get(); }
  void SetCommandLinkFont(TFont* value);
  bool CustomCommandLinkFont() const { return FCustomCommandLinkFont; }
  void SetCustomCommandLinkFont(bool value) { SetFlag(FCustomCommandLinkFont, value); }
  // Stored only when it differs from the font the button would get by default.
  bool IsCommandLinkFontStored() const;
  TkvGetColoring OnGetColoring() const { return FOnGetColoring; }
  void SetOnGetColoring(TkvGetColoring value) { FOnGetColoring = value; }
  // The drop-down menu of a split button is open.
  bool IsDroppedDown() const { return DroppedDown; }

  // ---- what the glyph drawer reads ----
  virtual TCustomImageList* GetImages() const { return Images(); }
  virtual Integer CurrentImageIndex() { return GlyphIndex(); }
  // 2 pressed (Down, dropped down, or pushed by the mouse over it or by the keyboard); 1 active
  // (focused or under the mouse); 3 a default button at rest; 0 at rest.
  virtual Integer CurrentState();
  // The image of the state: disabled, pressed, focused (the selected image) or the current
  // state's; an index that is no image of the list falls back to ImageIndex.
  Integer GlyphIndex();
  // An image list is set and CurrentImageIndex is one of its images, or the shield is wanted.
  bool GlyphExist();
  // The glyph's size at the skin data's density (16 x 16 for the shield); 0 x 0 without one.
  TSize ImageSize();
  TRect GlyphRect();
  // The caption's rectangle for its size measured on canvas (with the button's font).
  TRect CaptionRect(TCanvas* canvas);
  // The split part's width at the skin data's density.
  Integer ScaledDropWidth();
  // The colours for the current state: modal-result colouring, then OnGetColoring.
  TkvColoring GetColoring();
  // Renders the skinned look into the skin data's cache; false without a section or while the
  // parent is not ready.
  bool PrepareCache();

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  // Keeps the default-button look in the button's own state: the window stays owner-drawn.
  void SetButtonStyle(bool isDefault) override;
  void Loaded() override;
  // A left press shows the pressed look at once, with the application's hints off meanwhile.
  void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
  // A release that follows no press handled here is dropped.
  void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
  // With the manager's wave-out click effect a click sends out a ripple.
  void Click() override;
  // An action of the custom kind also gives the button its Enabled, whatever the defaults.
  void ActionChange(TObject* sender, bool checkDefaults) override;

 public:
  // A new image index since the last invalidation renders the look again.
  void Invalidate() override;

 private:
  void CommandLinkFontChanged(TObject* sender);
  // Skinned: a point on a transparent pixel of the section's border mask lets the click through.
  bool HitsTransparentPixel(Integer screenX, Integer screenY);
  void SetFlag(bool& field, bool value);
  // Redraws the window now, without erasing (mouse and state changes).
  void RedrawNow();
  Integer PPI();
  bool IsSkinned();
  TkvButtonLayout Layout(TCanvas* canvas, bool withCaption);
  TSize CaptionSize(TCanvas* canvas);
  void DrawCaption(TColor colorText, TCanvas* canvas);
  void DrawGlyph(TCanvas* canvas);
  void DrawSplitMark(TCanvas* canvas, TColor color);
  // The unskinned look: frame (themed or classic), caption, glyph.
  void StdDrawItem(const tagDRAWITEMSTRUCT& item);
  // Copies the cache to the window (WM_PAINT) or to the given DC.
  void OurPaintHandler(HDC dc);
  // A press on the split part: the menu under the button, modal. False when the button went
  // while it was open.
  bool DropDownMenuAt();
  // Skinned keyboard pushes, moves and the form's activation; true when the message is done.
  bool KeyboardAndMoveMessage(TMessage& message);
  // The section's look for the current state lets the parent show through.
  bool LookShowsParent();
  // Skinned erasing, the system's own state redraws, font and visibility changes; true when
  // the message is done.
  bool WindowStateMessage(TMessage& message);

  // The skin data's light handler: the mouse light follows the cursor while it may.
  void UpdateLight(TControl* sender, TkvAnimEventData& data);
  // Mouse enter and leave of a skinned button: fades to the hot or normal look.
  void HoverChanged(bool entered);
  // The focus changes of a skinned button (WM_SETFOCUS, WM_KILLFOCUS, CM_ENTER, CM_EXIT): the
  // class library's handling with drawing off, then the new look; true when the message is done.
  bool FocusMessage(TMessage& message);
  // The form's notice of a new focused control; true when the message is done.
  bool FocusChangedMessage(TMessage& message);
  // The skin data's and the class library's handling of message between WM_SETREDRAW 0 and 1.
  void ForwardWithoutDrawing(TMessage& message);

  std::unique_ptr<TsCtrlSkinData> FCommonData;
  bool FDown = false;
  bool FShowFocus = true;
  bool FReflected = false;
  bool FMouseClicked = false;
  bool FCustomCommandLinkFont = false;
  std::unique_ptr<TFont> FCommandLinkFont;
  TSet<TkvAnimatEvent> FAnimatEvents{aeGlobalDef};
  Integer FFocusMargin = 1;
  Integer FContentMargin = 6;
  TSet<TsDisabledKind> FDisabledKind{dkBlended};
  TkvGetColoring FOnGetColoring;
  bool FMouseAbove = false;
  bool IsFocused = false;  // wears the default-button look
  bool DroppedDown = false;
  bool FReleasing = false;     // a release is being handled: the system's pushed state is over
  Integer OldImageIndex = -1;  // ImageIndex at the last invalidation
};

// Gap between the glyph and the caption at 96 PPI; the split part's width at 96 PPI.
inline constexpr Integer iContentSpacing = 6;
inline constexpr Integer DropWidth = 16;
// The gap between glyph and caption for the button's density.
Integer ContentSpacing(TsButton* button);
// True while a button forwards a focus message with drawing switched off.
extern bool& bFocusChanging;

#endif
