// The image, the panel and the link label.
//
// Sections:
//   1. TImage
//   2. TCustomPanel
//   3. TCustomLinkLabel
#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>

#include "CommonProperties.h"
#include "ExtCtrls.h"
#include "GdiScopes.h"

// ---- 1. TImage ------------------------------------------------------------------------

TW_DEFINE_CLASS(TImage) {
  b.Property(u"Picture", &TImage::Picture, &TImage::SetPicture);
  b.Property(u"Stretch", &TImage::Stretch, &TImage::SetStretch).Default(false);
  b.Property(u"Proportional", &TImage::Proportional, &TImage::SetProportional).Default(false);
  b.Property(u"Center", &TImage::Center, &TImage::SetCenter).Default(false);
  b.Property(u"AutoSize", &TImage::AutoSize, &TImage::SetAutoSize).Default(false);
  b.Property(u"Transparent", &TImage::Transparent, &TImage::SetTransparent).Default(false);
  b.Property(u"OnClick", &TImage::OnClick, &TImage::SetOnClick).Stored(&TImage::IsOnClickStored);
  b.Property(u"OnMouseDown", &TImage::OnMouseDown, &TImage::SetOnMouseDown);
}

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>()) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
  picture_->SetOnChange(TNotifyEvent(this, &TImage::PictureChanged));
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() = default;

void TImage::PictureChanged(TObject*) {
  if (TGraphic* g = picture_->Graphic()) g->SetTransparent(transparent_);
  if (autoSize_ && picture_->Width() > 0 && picture_->Height() > 0)
    SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
  Invalidate();
}

void TImage::SetStretch(bool v) {
  stretch_ = v;
  Invalidate();
}

void TImage::SetProportional(bool v) {
  proportional_ = v;
  Invalidate();
}

void TImage::SetCenter(bool v) {
  center_ = v;
  Invalidate();
}

void TImage::SetAutoSize(bool v) {
  autoSize_ = v;
  if (v) PictureChanged(nullptr);
}

void TImage::SetTransparent(bool v) {
  transparent_ = v;
  PictureChanged(nullptr);
}

TRect TImage::DestRect() const {
  Integer w = picture_->Width(), h = picture_->Height();
  const Integer cw = Width(), ch = Height();
  if (stretch_ || (proportional_ && (w > cw || h > ch))) {
    if (proportional_ && w > 0 && h > 0) {
      // Fit inside, keeping the aspect.
      if (Int64(cw) * h > Int64(ch) * w) {
        w = static_cast<Integer>(Int64(w) * ch / h);
        h = ch;
      } else {
        h = static_cast<Integer>(Int64(h) * cw / w);
        w = cw;
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  TRect r(0, 0, w, h);
  if (center_) {
    r.Left = (cw - w) / 2;
    r.Top = (ch - h) / 2;
    r.Right = r.Left + w;
    r.Bottom = r.Top + h;
  }
  return r;
}

void TImage::Paint() {
  if (TGraphic* g = picture_->Graphic(); g && !g->Empty()) Canvas()->StretchDraw(DestRect(), g);
}

// ---- 2. TCustomPanel ------------------------------------------------------------------

namespace {

// Lines of a 3-D frame inside r, width pixels deep: top and left in one colour, bottom and
// right in the other; r shrinks by what was drawn.
void Frame3D(TCanvas* canvas, TRect& r, TColor topColor, TColor bottomColor, Integer width) {
  HDC dc = canvas->Handle();
  TOwnedBrush top(CreateSolidBrush(ColorToRGB(topColor)));
  TOwnedBrush bottom(CreateSolidBrush(ColorToRGB(bottomColor)));
  for (Integer i = 0; i < width && r.Width() > 0 && r.Height() > 0; ++i) {
    RECT t{r.Left, r.Top, r.Right - 1, r.Top + 1};
    RECT l{r.Left, r.Top, r.Left + 1, r.Bottom - 1};
    RECT b{r.Left, r.Bottom - 1, r.Right, r.Bottom};
    RECT rt{r.Right - 1, r.Top, r.Right, r.Bottom};
    FillRect(dc, &t, top.get());
    FillRect(dc, &l, top.get());
    FillRect(dc, &b, bottom.get());
    FillRect(dc, &rt, bottom.get());
    r = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
  }
}

}  // namespace

TW_DEFINE_CLASS(TCustomPanel) {}

TW_DEFINE_CLASS(TPanel) {
  PublishCommon(b, clBtnFace, false);
  PublishFocus(b, false);
  b.Property(u"Caption", &TPanel::Caption, &TPanel::SetCaption).Stored(&TPanel::IsCaptionStored);
  b.Property(u"Alignment", &TPanel::Alignment, &TPanel::SetAlignment).Default(taCenter);
  b.Property(u"VerticalAlignment", &TPanel::VerticalAlignment, &TPanel::SetVerticalAlignment).Default(taVerticalCenter);
  b.Property(u"BevelInner", &TPanel::BevelInner, &TPanel::SetBevelInner).Default(bvNone);
  b.Property(u"BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter).Default(bvRaised);
  b.Property(u"BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth).Default(1);
  b.Property(u"BorderWidth", &TPanel::BorderWidth, &TPanel::SetBorderWidth).Default(0);
  b.Property(u"BorderStyle", &TPanel::BorderStyle, &TPanel::SetBorderStyle).Default(bsNone);
  b.Property(u"ShowCaption", &TPanel::ShowCaption, &TPanel::SetShowCaption).Default(true);
  b.Property(u"ParentBackground", &TPanel::ParentBackground, &TPanel::SetParentBackground).Default(true);
  b.Property(u"Ctl3D", &TPanel::Ctl3D, &TPanel::SetCtl3D).Default(true);
  b.Property(u"Padding", &TPanel::Padding, &TPanel::SetPadding);
}

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
  // Opaque: the panel paints every pixel of itself (the parent's background too, when it
  // shows through), so no erase is needed first.
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque,
                                csDoubleClicks, csReplicatable, csParentBackground});
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
  SetBevelInner(bvNone);
  SetBevelOuter(bvRaised);
}

void TCustomPanel::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  AddSystemBorder(p, borderStyle_ == bsSingle);
  p.ClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomPanel::SetAlignment(TAlignment a) {
  if (a == alignment_) return;
  alignment_ = a;
  Invalidate();
}

void TCustomPanel::SetVerticalAlignment(TVerticalAlignment a) {
  if (a == verticalAlignment_) return;
  verticalAlignment_ = a;
  Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle s) {
  if (s != bsNone && s != bsSingle) throw EInvalidOperation("A panel's border is bsNone or bsSingle");
  if (s == borderStyle_) return;
  borderStyle_ = s;
  RecreateWnd();
}

void TCustomPanel::SetBorderWidth(Integer w) {
  w = std::max(w, 0);
  if (w == borderWidth_) return;
  borderWidth_ = w;
  Realign();
  Invalidate();
}

void TCustomPanel::SetShowCaption(bool v) {
  if (v == showCaption_) return;
  showCaption_ = v;
  Invalidate();
}

TRect TCustomPanel::InnerRect() const {
  TRect r = ClientRect();
  Integer inset = borderWidth_;
  if (BevelOuter() != bvNone) inset += BevelWidth();
  if (BevelInner() != bvNone) inset += BevelWidth();
  return {r.Left + inset, r.Top + inset, r.Right - inset, r.Bottom - inset};
}

void TCustomPanel::AdjustClientRect(TRect& rect) {
  TCustomControl::AdjustClientRect(rect);
  const TRect client = ClientRect(), inner = InnerRect();
  rect.Left += inner.Left - client.Left;
  rect.Top += inner.Top - client.Top;
  rect.Right -= client.Right - inner.Right;
  rect.Bottom -= client.Bottom - inner.Bottom;
}

void TCustomPanel::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  const bool parentBack = ParentBackground() && Parent() && HandleAllocated();
  if (parentBack) {
    RECT all{r.Left, r.Top, r.Right, r.Bottom};
    if (FAILED(DrawThemeParentBackground(WindowHandle(), c->Handle(), &all))) {
      c->Brush()->SetColor(Color());
      c->FillRect(r);
    }
  }
  auto bevel = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    const bool lowered = cut == bvLowered;
    Frame3D(c, r, lowered ? clBtnShadow : clBtnHighlight, lowered ? clBtnHighlight : clBtnShadow, BevelWidth());
  };
  bevel(BevelOuter());
  if (parentBack)
    r = {r.Left + borderWidth_, r.Top + borderWidth_, r.Right - borderWidth_, r.Bottom - borderWidth_};
  else
    Frame3D(c, r, Color(), Color(), borderWidth_);
  bevel(BevelInner());
  if (!parentBack) {
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(r);
  }
  const String caption = Caption();
  if (!showCaption_ || caption.empty()) return;
  c->SetFont(Font());
  c->Brush()->SetStyle(bsClear);
  static constexpr Cardinal kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  static constexpr Cardinal kVertical[] = {DT_TOP, DT_BOTTOM, DT_VCENTER};
  const Cardinal flags =
      DrawTextBiDiModeFlags(DT_EXPANDTABS | DT_SINGLELINE | kAlign[alignment_] | kVertical[verticalAlignment_]);
  RECT text{r.Left, r.Top, r.Right, r.Bottom};
  DrawTextW(c->Handle(), WideStr(caption), static_cast<int>(caption.size()), &text, flags);
}

void TCustomPanel::Dispatch(TMessage& m) {
  TCustomControl::Dispatch(m);
  if (m.Msg == CM_TEXTCHANGED) Invalidate();
}

// ---- 3. TCustomLinkLabel --------------------------------------------------------------

TW_DEFINE_CLASS(TCustomLinkLabel) {}

TW_DEFINE_CLASS(TLinkLabel) {
  PublishCommon(b, clBtnFace, true);
  PublishFocus(b, false);
  b.Property(u"Caption", &TLinkLabel::Caption, &TLinkLabel::SetCaption).Stored(&TLinkLabel::IsCaptionStored);
  b.Property(u"Alignment", &TLinkLabel::Alignment, &TLinkLabel::SetAlignment).Default(taLeftJustify);
  b.Property(u"OnLinkClick", &TLinkLabel::OnLinkClick, &TLinkLabel::SetOnLinkClick);
}

TCustomLinkLabel::TCustomLinkLabel(TComponent* owner) : TSystemControl(owner, u"SysLink", ICC_LINK_CLASS) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  SetBounds(0, 0, 53, 17);
  SetParentColor(true);
}

void TCustomLinkLabel::CreateParams(TCreateParams& p) {
  TSystemControl::CreateParams(p);
  if (alignment_ == taRightJustify) p.Style |= LWS_RIGHT;
  p.Style |= LWS_TRANSPARENT;
}

void TCustomLinkLabel::DestroyWnd() {
  if (HandleAllocated()) SendToWindow(WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  TSystemControl::DestroyWnd();
}

void TCustomLinkLabel::Dispatch(TMessage& m) {
  if (m.Msg == CN_CTLCOLORSTATIC) {
    HDC dc = reinterpret_cast<HDC>(m.WParam);
    SetTextColor(dc, ColorToRGB(Font()->Color()));
    SetBkColor(dc, ColorToRGB(Color()));
    SetDCBrushColor(dc, ColorToRGB(Color()));
    m.Result = reinterpret_cast<TLResult>(GetStockObject(DC_BRUSH));
    return;
  }
  TSystemControl::Dispatch(m);
}

void TCustomLinkLabel::SetAlignment(TAlignment a) {
  if (a == alignment_) return;
  alignment_ = a;
  RecreateWnd();
}

Integer TCustomLinkLabel::LinkCount() const {
  if (!HandleAllocated()) return 0;
  Integer n = 0;
  for (;; ++n) {
    // Asked for something (its state): a query of the index alone is refused.
    LITEM item{};
    item.mask = LIF_ITEMINDEX | LIF_STATE;
    item.stateMask = LIS_FOCUSED;
    item.iLink = n;
    if (!SendToWindow(LM_GETITEM, 0, reinterpret_cast<LPARAM>(&item))) break;
  }
  return n;
}

String TCustomLinkLabel::LinkUrl(Integer index) const {
  LITEM item{};
  item.mask = LIF_ITEMINDEX | LIF_URL;
  item.iLink = index;
  if (!SendToWindow(LM_GETITEM, 0, reinterpret_cast<LPARAM>(&item))) return {};
  return String(reinterpret_cast<const Char*>(item.szUrl));
}

bool TCustomLinkLabel::Notify(TMessage& m) {
  const auto* link = reinterpret_cast<const NMLINK*>(m.LParam);
  if (link->hdr.code == static_cast<UINT>(NM_CLICK) || link->hdr.code == static_cast<UINT>(NM_RETURN)) {
    const String url(reinterpret_cast<const Char*>(link->item.szUrl));
    if (!url.empty())
      DoOnLinkClick(url, sltURL);
    else
      DoOnLinkClick(String(reinterpret_cast<const Char*>(link->item.szID)), sltID);
    m.Result = 0;
    return true;
  }
  return TSystemControl::Notify(m);
}
