// TsLabel: the skinned label. It has no window and no skin data of its own: it finds its skin
// manager (its own or the default one) and, with UseSkinColor, draws its caption in the skin's
// text colour over its parent's skinned background; a named SkinSection paints that section
// under the text. Without an active manager it is the class library's label in its font colour.
#pragma once

#include <functional>

#include "ui/Types.h"

// A wrapped caption too tall for its label ends with "..." after the last whole word that
// fits: while the text (after the first cut with "..." appended) measures taller than limit,
// it loses everything from its last blank or tab on, or its last character when it has none
// (a surrogate pair goes whole). The text that fits is kept as it is; an emptied text stops.
// height measures a text in the label's width less the width of "...". Portable.
String ShortenWithEllipsis(const String& text, Integer limit, const std::function<Integer(const String&)>& height);

#ifdef _WIN32

#include <vector>

#include "controls/sHtmlParse.h"
#include "ui/StdCtrls.h"

class DuRiruZireziv;

// The base of the skinned labels: finds its manager, paints a named section under the text and
// writes the caption in the skin's label colour. (Its class-library base is the label that
// publishes the caption and layout properties.)
class TsCustomLabel : public TLabel {
  TW_CLASS(TsCustomLabel, TLabel)
  explicit TsCustomLabel(TComponent* owner);
  ~TsCustomLabel() override;

  DuRiruZireziv* SkinManager() const { return FSkinManager; }
  void SetSkinManager(DuRiruZireziv* value);
  // Its own, else the default manager.
  DuRiruZireziv* GetSkinManager() const;
  const String& SkinSection() const { return FSkinSection; }
  void SetSkinSection(const String& value);
  // Clicks fall through to the control below.
  bool TransparentForMouse() const { return FTransparentForMouse; }
  void SetTransparentForMouse(bool value) { FTransparentForMouse = value; }
  // How the label draws on glass (the form sets it with KV_SETGLASSMODE): 0 plainly, 1 opaque
  // (its pixels get full alpha), 2 alpha-correct text on a transparent label.
  Integer TranspMode() const { return FTranspMode; }
  // -1 without an active manager or without SkinSection.
  Integer SkinIndex();
  // The font the caption is written in.
  virtual TFont* GetCurrentFont() { return Font(); }
  // The colour the caption is drawn in: the skin's label colour while a manager is active, else
  // the font's; a disabled label's blended with the skin's main colour.
  virtual TColor TextColor();
  void Dispatch(TMessage& message) override;

 protected:
  void Paint() override;
  void DoDrawText(TRect& r, Cardinal flags) override;
  // Measured the way the caption is drawn (an HTML caption by its layout, not its tags) once
  // the label can draw; before that the class library's plain measure.
  void AdjustBounds() override;
  void Notification(TComponent* component, TOperation operation) override;
  // Glass mode and the skin's font name from the start.
  void Loaded() override;
  // An active manager paints the parent (its own or the default one).
  bool ManagerActive() const;

 private:
  // A new text, font or reading order: sized again, a right-justified label keeping its right edge.
  void TextOrFontChanged();
  DuRiruZireziv* FSkinManager = nullptr;
  String FSkinSection;
  Integer FSkinIndex = -1;  // looked up for one paint
  bool FTransparentForMouse = false;
  bool FAdjusting = false;
  // ParentFont was on when the skin changed: the skin's font name switched it off, and the
  // removal of the skin puts it back.
  bool FSavedParentFont = false;
  Integer FTranspMode = 0;
};

// The skinned label: with UseSkinColor, the caption in the skin's text colour for the label's
// place (its section's, or that of the parent under it).
class TsLabel : public TsCustomLabel {
  TW_CLASS(TsLabel, TsCustomLabel)
  explicit TsLabel(TComponent* owner);
  bool UseSkinColor() const { return FUseSkinColor; }
  void SetUseSkinColor(bool value);
  // The skin's font colour for the label with UseSkinColor, else the font's; a disabled label's
  // blended with its parent's colour.
  TColor TextColor() override;

 private:
  bool FUseSkinColor = true;
};

// The label whose caption is a small HTML subset (tags, entities, links). A click on a link
// opens its address through the shell ("open", ShowMode), unless OnLinkClick refuses it.

class DuRiruZireziv;
// How HTML text reaches a 32-bit picture whose alpha counts: transparency mode 2 measures
// through GDI+ and draws alpha-correct text (DT_ALPHATEXT); alphaChannel writes every piece with
// the alpha-correct writer. Both need the picture the canvas belongs to (target).
struct THtmlAlpha {
  Integer TranspMode = 0;
  bool AlphaChannel = false;
  TBitmap* Target = nullptr;
};

// HTML text on a canvas, in a font and colour (links in the active skin's web colours): measured
// (calcOnly) or drawn into area, which it wraps to unless its Right is 0 or less. Right to left
// the rows read from the right and left and right alignment swap. A carriage return starts a
// row when the library's kvHtmlStdBreak is set. Returns the size the text needs as (0, 0,
// width, height). links, when given, gets the link rectangles.
TRect HtmlText(TCanvas* canvas, TFont* font, TColor color, const String& text, TAlignment alignment, TBiDiMode bidiMode,
               const TRect& area, bool calcOnly, DuRiruZireziv* manager, std::vector<TkvLink>* links = nullptr,
               Integer pressedLink = -1, Integer hotLink = -1, const THtmlAlpha& alpha = THtmlAlpha());

using TLinkClickEvent = TEvent<void(TObject* Sender, String& ALink, bool& DefaultAction)>;

class TsHTMLLabel : public TsLabel {
  TW_CLASS(TsHTMLLabel, TsLabel)
  explicit TsHTMLLabel(TComponent* owner);
  bool UseHTML() const { return FUseHTML; }
  void SetUseHTML(bool value);
  // An auto-sized label wraps its caption within its width instead of taking one long line.
  bool FitToWidth() const { return FFitToWidth; }
  void SetFitToWidth(bool value);
  Integer ShowMode() const { return FShowMode; }
  void SetShowMode(Integer value) { FShowMode = value; }
  TLinkClickEvent OnLinkClick() const { return FOnLinkClick; }
  void SetOnLinkClick(TLinkClickEvent e) { FOnLinkClick = e; }
  // The control the label names (a bound label's edit); none for a plain label.
  virtual TWinControl* FocusControl() const { return nullptr; }
  // The caption without its tags.
  String PlainCaption() const { return HtmlPlainText(Caption()); }
  // The links of the last layout (a repaint refills them).
  const std::vector<TkvLink>& Links() const { return FLinks; }
  Integer HotLink() const { return FHotLink; }
  // The position in Links of the link at (x, y) in client coordinates; -1 for none.
  Integer LinkAt(Integer x, Integer y) const;
  // Opens link LinkIndex of the current layout; an index the layout no longer has does nothing.
  // True when the shell was asked to open it.
  bool DoClick(Integer linkIndex);
  // How the shell is asked (replaced by tests).
  using TOpenLink = bool (*)(const String& url, Integer showMode);
  static TOpenLink OpenLink;
  // Repaints the label at once through one bitmap (its parent's background, the label and the
  // graphic controls above it) copied to the parent's window: a link's new look without flicker.
  void BufferedRepaint();
  void Dispatch(TMessage& message) override;

 protected:
  void DoDrawText(TRect& r, Cardinal flags) override;
  // A label its parent sizes across (aligned to the top, the bottom or the whole client) lays its
  // caption out again for the new width: the renderer wraps it whether WordWrap is set or not.
  void BoundsChanged() override;

 private:
  Integer LinkNumber(Integer position) const;
  bool FUseHTML = true;
  bool FFitToWidth = false;
  Integer FShowMode = 10;  // SW_SHOWDEFAULT
  TLinkClickEvent FOnLinkClick;
  std::vector<TkvLink> FLinks;
  Integer FHotLink = -1, FPressedLink = -1;
  bool FLinkClicking = false;  // a link is being opened
  bool FInSizing = false;      // BoundsChanged is sizing the label
};

#endif
