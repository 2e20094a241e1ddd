// TsEdit: the skinned edit. Its padding lies in the non-client area (so the system edit keeps
// drawing text and caret in what is left); the frame and padding are painted from the skin
// section "EDIT" while skinned, and as the system's frame over the edit's colour without.
#pragma once

#include "ui/Classes.h"
#include "ui/Types.h"

// ---- Non-client size (portable) ------------------------------------------------------------------

// The widths added to each side of the non-client area: the padding (at 96 PPI) scaled to ppi,
// the top and bottom moved for the vertical alignment of a text line textHeight high in an edit
// height high. No side is negative (a text taller than the edit would make one so).
TRect EditAddedPadding(const TRect& padding96, Integer ppi, TVerticalAlignment alignment, Integer textHeight,
                       Integer height);
// The client rectangle less the added widths; it shrinks to nothing rather than turn inside out.
TRect ShrinkEditClient(const TRect& client, const TRect& added);

// The width of an edit's frame: the system border (2 with Ctl3D, 1 flat, 0 without a border)
// and one pixel for each bevel cut (bevels: the cuts that are not bvNone, 0 without BevelKind).
Integer EditBorderWidth(bool bordered, bool ctl3D, Integer bevels);
// Where an edit's text goes, in window coordinates, for an edit width x height. glyphSpace: the
// room the added glyph takes (0 without one); spacing: the skin's spacing; added: the widths of
// the last non-client calculation.
struct TEditTextFrame {
  bool Bordered = true, Ctl3D = true, RightToLeft = false;
  Integer Bevels = 0, GlyphSpace = 0, Spacing = 0;
};
TRect EditTextRect(Integer width, Integer height, const TEditTextFrame& frame, const TRect& added);

// The colour of a text hint: kv_TextHintBlend of 256 of the text colour, the rest background (RGB).
TColor TextHintColor(TColor text, TColor background);

// The added glyph's rectangle in window coordinates for an edit width x height: inside the
// frame (border) and the padding at the current density, at the left (at the right for right to
// left), glyphWidth wide and as high as the padded area.
TRect EditAddedGlyphRect(Integer width, Integer height, Integer border, const TRect& padding, Integer glyphWidth,
                         bool rightToLeft);

#ifdef _WIN32

#include <memory>

#include "base/kvntTypes.h"
#include "controls/sBoundLabel.h"
#include "controls/sGlyphUtils.h"
#include "skin/sCommonData.h"
#include "ui/StdCtrls.h"

class TsEdit : public TEdit {
  TW_CLASS(TsEdit, TEdit)
  explicit TsEdit(TComponent* owner);
  ~TsEdit() override;
  TsCommonData* SkinData() const { return FCommonData.get(); }
  // Inner text margins in pixels at 96 PPI.
  TkvPadding* Padding() const { return FPadding.get(); }
  // The caption label bound to the edit.
  TsBoundLabel* BoundLabel() const { return FBoundLabel.get(); }
  // The text hint moves into the bound label while the edit has the focus and is empty.
  bool LabelFromTextHint() const { return FLabelFromTextHint; }
  void SetLabelFromTextHint(bool value) { FLabelFromTextHint = value; }
  TVerticalAlignment VerticalAlignment() const { return FVerticalAlignment; }
  void SetVerticalAlignment(TVerticalAlignment value);
  // The widths added in the last non-client calculation (left, top, right, bottom).
  const TRect& AddedPadding() const { return FAddedPadding; }
  // Where the text is drawn, in window coordinates (KV_GETTEXTRECT answers it).
  TRect TextRect();
  // An image shown inside the edit, beside the text; a click on it clicks the edit.
  TkvAddedGlyph* AddedGlyph() const { return FAddedGlyph.get(); }
  TSet<TsDisabledKind> DisabledKind() const { return FDisabledKind; }
  void SetDisabledKind(TSet<TsDisabledKind> value);
  // The added glyph has an image list and one of its images.
  bool AddedGlyphVisible();
  // The room the added glyph takes beside the text: its width and half the skin's spacing.
  Integer AddedGlyphSpace();
  // The added glyph's place in window coordinates.
  TRect AddedGlyphRect();
  // The selection or the caret moved by a key or the mouse.
  TNotifyEvent OnSelectionChanged() const { return FOnSelectionChanged; }
  void SetOnSelectionChanged(TNotifyEvent e) { FOnSelectionChanged = e; }
  // The edit shows no text of its own (its hint shows instead).
  virtual bool IsDefaultValue() { return Text().empty(); }
  // Renders the whole window into the skin data's cache: skinned, the section (frame and
  // background), the text or its hint, the disabled look; unskinned, the edit's colour. The
  // added glyph over both. False while the parent cannot give its background.
  virtual bool PrepareCache();
  // The text (a password as circles) or the hint into the cache, in the skin's text colour.
  virtual void PaintText();
  void Dispatch(TMessage& message) override;

 protected:
  void HandleCreated() override;
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void PaddingChanged(TObject* sender);
  // Makes the system compute the non-client area again.
  void FrameChanged();
  void CalcNCSize(TMessage& message);
  Integer TextHeight();
  // The skin's spacing at the edit's density.
  Integer Spacing();
  Integer BorderWidth();
  TRect ScaledPadding();
  Integer PaintState() { return FCommonData->ControlIsActive() ? 1 : 0; }
  void PaintAddedGlyph();
  // Skinned: the frame, padding and glyph strip from the cache into the non-client area.
  void PaintBorder();
  // Unskinned: the padding and the glyph from the cache, inside the system's frame.
  void PaintAddedGlyphStd();
  // The whole window from the cache (an unfocused skinned edit: text and frame alike).
  void OurPaintHandler();
  // WM_PRINT: the window (PRF_NONCLIENT) or its client area (PRF_CLIENT) from the cache.
  void PrintFromCache(HDC dc, Cardinal flags);
  // The look changed: the cache is rebuilt and the whole window, frame too, painted again.
  void RepaintAll();
  bool WhollyInsideParent();
  // The skin commands the edit answers itself; true when done.
  bool SkinCommand(TMessage& message);
  // Everything after the edit's own first handling: the skinned paint, the common handler, the
  // class library and the bound label.
  void DispatchOn(TMessage& message);
  bool SkinnedNow() { return FCommonData->Skinned() && FCommonData->SkinIndex >= 0 && HandleAllocated(); }

  TVerticalAlignment FVerticalAlignment = taAlignTop;
  TRect FAddedPadding;
  TRect FAddedGlyphRect{-1, 0, 0, 0};  // Left -1: to be computed
  bool FLabelFromTextHint = false;
  bool NCDown = false;  // a left press began on the added glyph
  TSet<TsDisabledKind> FDisabledKind{dkBlended};
  TNotifyEvent FOnSelectionChanged;

  std::unique_ptr<TsCommonData> FCommonData;
  std::unique_ptr<TkvAddedGlyph> FAddedGlyph;
  std::unique_ptr<TkvPadding> FPadding;
  std::unique_ptr<TsBoundLabel> FBoundLabel;
};

#endif
