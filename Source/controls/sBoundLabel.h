// TsBoundLabel: the caption label an edit carries. While Active it makes a TsEditLabel on the
// edit's parent, places it on one of twelve sides of the edit (mirrored for right-to-left),
// keeps it visible and enabled with the edit and forwards clicks on it to the edit when asked.
//
// Sections: 1. placement (portable); 2. the bound label (Windows).
#pragma once

#include "base/sConst.h"
#include "ui/Classes.h"
#include "ui/Types.h"

// ---- 1. Placement ----------------------------------------------------------------------------------

// The layout a right-to-left control uses instead (left and right sides swap; centred stay).
TsCaptionLayout MirroredLayout(TsCaptionLayout layout);
// The text alignment of the label in a layout.
TAlignment LayoutAlignment(TsCaptionLayout layout);
// The label's top-left corner for the control's bounds, the label's size, the skin's spacing, the
// indent and offset. clientShorter: the control's client height differs from its height.
TPoint BoundLabelPlace(TsCaptionLayout layout, const TRect& control, TSize label, Integer spacing, Integer indent,
                       Integer offset, bool clientShorter);

#ifdef _WIN32

#include <memory>

#include "controls/sLabel.h"
#include "ui/Controls.h"

class TsBoundLabel;

// The HTML label a bound label makes beside its control; a click on it can click the control.
class TsEditLabel : public TsHTMLLabel {
  TW_CLASS(TsEditLabel, TsHTMLLabel)
  TsEditLabel(TComponent* owner, TsBoundLabel* boundLabel);
  ~TsEditLabel() override;
  TsBoundLabel* BoundLabel() const { return FBoundLabel; }
  void Click() override;
  void Forget() { FBoundLabel = nullptr; }

 private:
  TsBoundLabel* FBoundLabel;
};

// ---- 2. The bound label ----------------------------------------------------------------------------

class TsBoundLabel : public TPersistent {
  TW_CLASS(TsBoundLabel, TPersistent)
  explicit TsBoundLabel(TWinControl* owner);
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
  bool EnabledAlways() const { return FEnabledAlways; }
  void SetEnabledAlways(bool value);
  bool AllowClick() const { return FAllowClick; }
  void SetAllowClick(bool value) { FAllowClick = value; }
  // Spacing between control and label (the skin's, 0 unskinned).
  Integer Spacing() const { return FSpacing; }
  void SetSpacing(Integer value);
  // The label while active; none otherwise.
  TsEditLabel* TheLabel() const { return FTheLabel; }

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
  TWinControl* FOwnerControl;
  // Made and freed here while active; a parent that goes first frees it with its children and
  // the label tells this object (LabelGone).
  TsEditLabel* FTheLabel = nullptr;
  String FText;
  TsCaptionLayout FLayout = sclLeft;
  Integer FIndent = 0, FOffset = 0, FSpacing = 0;
  bool FActive = false, FEnabledAlways = false, FAllowClick = false;
};

#endif
