// Buttons with a glyph: the windowless speed button (and the timer speed button that repeats
// its click while held), and the bit button (an owner-drawn push button with a glyph and a
// kind). Windows only.
//
// Glyph: one bitmap holding NumGlyphs images side by side (1 to 4), for the up, disabled,
// pressed and down-and-staying states; a state without its own image shows the first. The
// colour of the bottom-left pixel is transparent. Glyph and caption are placed together by
// Layout (glyph left, right, above or below the caption), Margin (from the edge to the glyph,
// -1: the two centred as a group) and Spacing (between glyph and caption; -1: what Margin
// leaves divided evenly).
#pragma once

#ifdef _WIN32

#include <memory>

#include "Bitmap.h"
#include "StdCtrls.h"

class TTimer;

// The speed button's face: up, disabled, pressed while held, down and staying down.
TW_ENUM(TButtonState, bsUp, bsDisabled, bsDown, bsExclusive)
TW_ENUM(TBitBtnKind, bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll)

// Where glyph and caption go on a face of the client size.
struct TButtonContentLayout {
  TPoint GlyphPos;
  TRect TextRect;
};
TButtonContentLayout ButtonContentLayout(TSize client, TSize glyph, TSize text, TButtonLayout layout, Integer margin,
                                         Integer spacing);

// A glyph strip and how it sits with the caption on a button face: what the speed button and
// the bit button share. Each setter answers whether the look changed (the button repaints).
class TButtonGlyph {
 public:
  TButtonGlyph();
  ~TButtonGlyph();
  TBitmap* Glyph() const { return glyph_.get(); }
  bool SetGlyph(const TBitmap* glyph);  // nullptr: none
  Integer NumGlyphs() const { return numGlyphs_; }
  bool SetNumGlyphs(Integer n);  // held to 1..4
  TButtonLayout Layout() const { return layout_; }
  bool SetLayout(TButtonLayout l);
  Integer Margin() const { return margin_; }
  bool SetMargin(Integer v);  // below -1: refused
  Integer Spacing() const { return spacing_; }
  bool SetSpacing(Integer v);
  // Image `index` of the strip and the caption on the face r, moved by offset (pressed: one
  // pixel); disabled captions are etched.
  void Draw(TCanvas* canvas, const TRect& r, Integer index, const String& caption, Integer offset, bool enabled,
            Cardinal textFlags) const;

 private:
  std::unique_ptr<TBitmap> glyph_;
  Integer numGlyphs_ = 1;
  TButtonLayout layout_ = blGlyphLeft;
  Integer margin_ = -1;
  Integer spacing_ = 4;
};

// A button without a window of its own. With a GroupIndex other than 0 it stays down when
// clicked and releases the other buttons of its group (the same GroupIndex, the same parent);
// a down button of a group comes up only with AllowAllUp. Flat: no frame until the mouse is
// over it; Transparent: the parent shows through a flat button at rest.
class TSpeedButton : public TGraphicControl {
  TW_CLASS(TSpeedButton, TGraphicControl)
  explicit TSpeedButton(TComponent* owner);
  ~TSpeedButton() override;

  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool v);
  Integer GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(Integer v);
  bool Down() const { return down_; }
  void SetDown(bool v);
  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  TBitmap* Glyph() const { return glyph_.Glyph(); }
  void SetGlyph(const TBitmap* glyph) { LookChanged(glyph_.SetGlyph(glyph)); }
  Integer NumGlyphs() const { return glyph_.NumGlyphs(); }
  void SetNumGlyphs(Integer n) { LookChanged(glyph_.SetNumGlyphs(n)); }
  TButtonLayout Layout() const { return glyph_.Layout(); }
  void SetLayout(TButtonLayout l) { LookChanged(glyph_.SetLayout(l)); }
  Integer Margin() const { return glyph_.Margin(); }
  void SetMargin(Integer v) { LookChanged(glyph_.SetMargin(v)); }
  Integer Spacing() const { return glyph_.Spacing(); }
  void SetSpacing(Integer v) { LookChanged(glyph_.SetSpacing(v)); }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  // The face shown now.
  TButtonState State() const { return state_; }
  bool MouseInControl() const { return mouseInControl_; }
  void Dispatch(TMessage& message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
  void MouseMove(TShiftState shift, Integer x, Integer y) override;
  void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
  // Tells the group's other buttons that this one went down.
  void UpdateExclusive();
  TButtonState state_ = bsUp;
  bool dragging_ = false;

 private:
  bool allowAllUp_ = false;
  Integer groupIndex_ = 0;
  bool down_ = false;
  bool flat_ = false;
  TButtonGlyph glyph_;
  bool transparent_ = true;
  void LookChanged(bool changed) {
    if (changed) Invalidate();
  }
  bool mouseInControl_ = false;
};

TW_ENUM(TTimeBtnStates, tbFocusRect, tbAllowTimer)
using TTimeBtnState = TSet<TTimeBtnStates>;

// A speed button that clicks again and again while it is held: after InitRepeatPause and then
// every RepeatPause milliseconds (with tbAllowTimer in TimeBtnState).
class TTimerSpeedButton : public TSpeedButton {
  TW_CLASS(TTimerSpeedButton, TSpeedButton)
  static constexpr Cardinal InitRepeatPause = 400;
  static constexpr Cardinal RepeatPause = 100;
  explicit TTimerSpeedButton(TComponent* owner);
  ~TTimerSpeedButton() override;
  TTimeBtnState TimeBtnState() const { return timeBtnState_; }
  void SetTimeBtnState(TTimeBtnState s) { timeBtnState_ = s; }

 protected:
  void MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
  void MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) override;
  void Paint() override;

 private:
  void TimerExpired(TObject*);
  TTimeBtnState timeBtnState_{tbAllowTimer};
  TTimer* repeatTimer_ = nullptr;
};

// A push button that draws a glyph beside its caption itself. Kind gives it a standard
// caption, modal result and default or cancel role (bkClose closes the form, bkHelp asks for
// its help topic); the caption stays the program's once it set its own.
class TBitBtn : public TButton {
  TW_CLASS(TBitBtn, TButton)
  explicit TBitBtn(TComponent* owner);
  ~TBitBtn() override;

  TBitBtnKind Kind() const { return kind_; }
  void SetKind(TBitBtnKind k);
  TBitmap* Glyph() const { return glyph_.Glyph(); }
  void SetGlyph(const TBitmap* glyph) { LookChanged(glyph_.SetGlyph(glyph)); }
  Integer NumGlyphs() const { return glyph_.NumGlyphs(); }
  void SetNumGlyphs(Integer n) { LookChanged(glyph_.SetNumGlyphs(n)); }
  TButtonLayout Layout() const { return glyph_.Layout(); }
  void SetLayout(TButtonLayout l) { LookChanged(glyph_.SetLayout(l)); }
  Integer Margin() const { return glyph_.Margin(); }
  void SetMargin(Integer v) { LookChanged(glyph_.SetMargin(v)); }
  Integer Spacing() const { return glyph_.Spacing(); }
  void SetSpacing(Integer v) { LookChanged(glyph_.SetSpacing(v)); }
  // The caption differs from the kind's own (descriptions store only such a caption).
  bool IsCustomCaption() const;
  // The caption a kind gives (empty for bkCustom).
  static String KindCaption(TBitBtnKind kind);
  void Click() override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void SetButtonStyle(bool isDefault) override;
  void DrawOwnerItem(const TOwnerDrawItem& item) override;

 private:
  TBitBtnKind kind_ = bkCustom;
  TButtonGlyph glyph_;
  void LookChanged(bool changed) {
    if (changed) Invalidate();
  }
  bool isDefaultLook_ = false;
};

#endif
