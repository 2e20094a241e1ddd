// TsBoundLabel: the caption label an edit carries. While Active it makes a TsEditLabel on the
// edit's parent, places it on one of twelve sides of the edit (mirrored for right-to-left),
// keeps it visible and enabled with the edit and forwards clicks on it to the edit when asked.
//
// Sections: 1. placement (portable); 2. the bound label (Windows).
#pragma once

#include <cstdint>
#include <vector>

#include "base/sConst.h"
#include "ui/Bitmap.h"
#include "ui/Classes.h"
#include "ui/TypInfo.h"
#include "ui/Types.h"

TW_ENUM_NAMES(TsCaptionLayout, sclLeft, sclTopLeft, sclTopCenter, sclTopRight, sclLeftTop, sclBottomLeft,
              sclBottomCenter, sclBottomRight, sclRight, sclRightTop, sclLeftLeft, sclRightRight)

// ---- 1. Placement ----------------------------------------------------------------------------------

// The layout a right-to-left control uses instead (left and right sides swap; centred stay).
TsCaptionLayout MirroredLayout(TsCaptionLayout layout);
// The text alignment of the label in a layout.
TAlignment LayoutAlignment(TsCaptionLayout layout);
// The label's top-left corner for the control's bounds, the label's size, the skin's spacing, the
// indent and offset. clientShorter: the control's client height differs from its height.
TPoint BoundLabelPlace(TsCaptionLayout layout, const TRect& control, TSize label, Integer spacing, Integer indent,
                       Integer offset, bool clientShorter);
// The width a label is laid out in before it sizes itself: its maximum, or 9999 without one.
inline Integer BoundLabelWorkingWidth(Integer maxWidth) { return maxWidth > 0 ? maxWidth : 9999; }
// A label beside a control its parent aligns to a side takes that side too: sclLeft and
// sclLeftLeft beside a control aligned left, sclRightRight beside one aligned right.
// controlAlignedLeft/Right: the control's own alignment.
enum class TBoundLabelSide { None, Left, Right };
TBoundLabelSide BoundLabelSide(TsCaptionLayout layout, bool controlAlignedLeft, bool controlAlignedRight);

#ifdef _WIN32

#include <memory>

#include "controls/sLabel.h"
#include "ui/Controls.h"
#include "ui/Graphics.h"

class TsCommonData;

class TsBoundLabel;

// The HTML label a bound label makes beside its control; a click on it can click the control.
class TsEditLabel : public TsHTMLLabel {
  TW_CLASS(TsEditLabel, TsHTMLLabel)
  TsEditLabel(TComponent* owner, TsBoundLabel* boundLabel);
  ~TsEditLabel() override;
  TsBoundLabel* BoundLabel() const { return FBoundLabel; }
  TWinControl* FocusControl() const override;
  void Click() override;
  void DblClick() override;
  void Forget() { FBoundLabel = nullptr; }
  // Sizes the label to its caption now (its bounds were set to a working width first).
  void FitToText() { AdjustBounds(); }
  // The text's rectangle as the label draws it (its alignment and wrapping), in client coordinates.
  TRect MeasuredTextRect();

 private:
  TsBoundLabel* FBoundLabel;
};

// ---- 2. The bound label ----------------------------------------------------------------------------

class TsBoundLabel : public TPersistent {
  TW_CLASS(TsBoundLabel, TPersistent)
  // commonData: the control's skin data (its PPI scales the label), none for an unskinned control.
  explicit TsBoundLabel(TWinControl* owner, TsCommonData* commonData = nullptr);
  ~TsBoundLabel() override;

  bool Active() const { return FActive; }
  void SetActive(bool value);
  const String& Caption() const { return FText; }
  void SetCaption(const String& value);
  TsCaptionLayout Layout() const { return FLayout; }
  void SetLayout(TsCaptionLayout value);
  Integer Indent() const { return FIndent; }
  void SetIndent(Integer value);
  Integer Offset() const { return FOffset; }
  void SetOffset(Integer value);
  // The widest the label gets at 96 PPI (it wraps within it); 0 for no limit.
  Integer MaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(Integer value);
  bool UseHTML() const { return FUseHTML; }
  void SetUseHTML(bool value);
  // The label's own font, used when ParentFont is off (a change to it switches ParentFont off).
  TFont* Font() const { return FFont.get(); }
  void SetFont(const TFont* value);
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);
  // The label's text colour comes from the skin; off, from Font.
  bool UseSkinColor() const { return FUseSkin; }
  void SetUseSkinColor(bool value);
  // The font is stored only when it is the label's own and differs from a new font.
  bool DoStoreFont() const;
  // The PPI the label was last laid out for.
  Integer CurrentPPI() const { return FCurrentPPI; }
  // Lays the label out again for a new PPI.
  void UpdateScale(Integer newPPI);
  // Keeps the label hidden while set.
  bool PreventVisible = false;
  bool EnabledAlways() const { return FEnabledAlways; }
  void SetEnabledAlways(bool value);
  bool AllowClick() const { return FAllowClick; }
  void SetAllowClick(bool value) { FAllowClick = value; }
  // Spacing between control and label (the skin's, 0 unskinned).
  Integer Spacing() const { return FSpacing; }
  void SetSpacing(Integer value);
  // The label while active; none otherwise.
  TsEditLabel* TheLabel() const { return FTheLabel; }
  // Where the label's text lies in the label (measured as drawn); empty without a label.
  TRect GetTextRect() const;

  TWinControl* OwnerControl() const { return FOwnerControl; }
  TsCommonData* SkinData() const { return FCommonData; }
  // The control passes every message it has handled.
  void HandleOwnerMsg(const TMessage& message);
  // Clicks the control (the label calls it when AllowClick is set).
  void DoClick();
  void AlignLabel();
  void UpdateVisibility();
  // The label is going (freed by its parent, say): no link to it is kept.
  void LabelGone() {
    FTheLabel = nullptr;
    FActive = false;
  }

 private:
  void FreeLabel();
  void UpdateFontOnce();
  void FontChanged(TObject* sender);
  void CopyParentFont();
  // The PPI the control is shown at: its skin data's, else its own.
  Integer OwnerPPI();
  // Posted to the control when the label must take a side after the parent's align pass.
  static Cardinal RealignMessage();
  // The manager is rescaling forms: placement waits for it.
  bool Scaling() const;
  // A control now shown at another PPI lays the label out anew; true when it did.
  bool FollowNewPPI();
  TWinControl* FOwnerControl;
  TsCommonData* FCommonData;
  std::unique_ptr<TFont> FFont;
  // Made and freed here while active; a parent that goes first frees it with its children and
  // the label tells this object (LabelGone).
  TsEditLabel* FTheLabel = nullptr;
  String FText;
  TsCaptionLayout FLayout = sclLeft;
  Integer FIndent = 0, FOffset = 0, FSpacing = 0, FMaxWidth = 0, FCurrentPPI = 96;
  bool FActive = false, FEnabledAlways = false, FAllowClick = false;
  bool FUseHTML = false, FUseSkin = true, FParentFont = true, FFontUpdating = false;
};

// The colour of a control's text hint: the skin's text colour of its section in state (the
// control's active state for 0 or less) or, unskinned or with its own font, its font colour;
// blended kv_TextHintBlend of 256 with the control's background unless dontBlend.
TColor TextHintColor(TsCommonData* skinData, Integer state, bool dontBlend);
// Writes an edit's text hint into r of its skin data's cache in the hint colour; with
// DT_ALPHATEXT in flags alpha-correctly (the text colour at 148 of 255), else plainly.
void TextHintOut(TsCommonData* skinData, const TRect& r, const String& textHint, Cardinal flags, Integer state);

// Switches an active, shown bound label off and repaints where it was at once (the control's
// text hint shows again there).
void HideBoundLabel(TsBoundLabel* boundLabel);

#endif
