// TImage: a windowless control that shows a TPicture (any registered format); TPanel: a
// container that paints bevels, a border and its caption itself; TLinkLabel: text with links
// (the system's SysLink control). Windows only.
#pragma once

#ifdef _WIN32

#include "Controls.h"
#include "Forms.h"
#include "Picture.h"
#include "SystemControl.h"

class TImage : public TGraphicControl {
  TW_CLASS(TImage, TGraphicControl)
  explicit TImage(TComponent* owner);
  ~TImage() override;

  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(const TPicture* p) { picture_->Assign(p); }
  // Stretch: fill the control (Proportional: keep the aspect, never enlarge past it);
  // Center: centre the picture; AutoSize: take the picture's size.
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool v);
  bool Center() const { return center_; }
  void SetCenter(bool v);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  // Where the picture is drawn, in client coordinates.
  TRect DestRect() const;

 protected:
  void Paint() override;

 private:
  void PictureChanged(TObject*);
  const std::unique_ptr<TPicture> picture_;
  bool stretch_ = false, proportional_ = false, center_ = false, autoSize_ = false, transparent_ = false;
};

// A panel: outside in, the outer bevel, BorderWidth in its colour, the inner bevel (each
// bevel BevelWidth wide, raised or lowered), then the caption in the middle (Alignment,
// VerticalAlignment) unless ShowCaption is off. BorderStyle bsSingle adds the system's border
// around it all. Its children are placed inside the bevels and the border. With
// ParentBackground (on by default) the parent's background shows through instead of Color.
class TCustomPanel : public TCustomControl {
  TW_CLASS(TCustomPanel, TCustomControl)
  explicit TCustomPanel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  TVerticalAlignment VerticalAlignment() const { return verticalAlignment_; }
  void SetVerticalAlignment(TVerticalAlignment a);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle s);
  // The panel's own border inside its bevels, part of its client area (unlike a windowed
  // control's frame of that name).
  Integer BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(Integer w);
  bool ShowCaption() const { return showCaption_; }
  void SetShowCaption(bool v);
  // The client area less the bevels and the border: where the caption and the children go.
  TRect InnerRect() const;
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void AdjustClientRect(TRect& rect) override;
  void Paint() override;

 private:
  TAlignment alignment_ = taCenter;
  TVerticalAlignment verticalAlignment_ = taVerticalCenter;
  TBorderStyle borderStyle_ = bsNone;
  Integer borderWidth_ = 0;
  bool showCaption_ = true;
};

class TPanel : public TCustomPanel {
  TW_CLASS(TPanel, TCustomPanel)
  using TCustomPanel::TCustomPanel;
};

// What a link of a TLinkLabel names: a URL (its href) or an id.
TW_ENUM(TSysLinkType, sltURL, sltID)
using TSysLinkEvent = TEvent<void(TObject* Sender, const String& Link, TSysLinkType LinkType)>;

// Text with links: Caption holds <a href="...">text</a> (or <a id="...">) tags; a click on a
// link (or Enter on the focused one) runs OnLinkClick with its href, or its id when it has
// no href.
//
// Wine's link control deletes the font it was given (when it goes) and the brush its parent
// answers for its colours; the control hands it nothing of its own to delete: a stock font
// before the window goes, the stock DC brush in the control's colour.
class TCustomLinkLabel : public TSystemControl {
  TW_CLASS(TCustomLinkLabel, TSystemControl)
  explicit TCustomLinkLabel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  // The links' count and their hrefs, as the window parsed them.
  Integer LinkCount() const;
  String LinkUrl(Integer index) const;
  TSysLinkEvent OnLinkClick() const { return onLinkClick_; }
  void SetOnLinkClick(TSysLinkEvent e) { onLinkClick_ = e; }

 public:
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void DestroyWnd() override;
  bool Notify(TMessage& message) override;
  virtual void DoOnLinkClick(const String& link, TSysLinkType type) { onLinkClick_.Call(this, link, type); }

 private:
  TAlignment alignment_ = taLeftJustify;
  TSysLinkEvent onLinkClick_;
};

class TLinkLabel : public TCustomLinkLabel {
  TW_CLASS(TLinkLabel, TCustomLinkLabel)
  using TCustomLinkLabel::TCustomLinkLabel;
};

#endif
