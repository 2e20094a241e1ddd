#include <windows.h>

#include "ExtCtrls.h"

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

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(new TPicture()) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
  picture_->SetOnChange(TNotifyEvent(this, &TImage::PictureChanged));
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { delete picture_; }

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
