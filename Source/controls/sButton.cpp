#include "controls/sButton.h"

TRect ButtonCaptionRect(const TkvButtonLayout& l) {
  const Integer aWidth = l.Width - l.DropWidth;
  const Integer cm = l.ContentMargin, cs = l.ContentSpacing;
  const TRect& m = l.Margins;
  const TSize img = l.HasGlyph ? l.Image : TSize();
  TRect r;
  if (l.CommandLink) {
    r = TRect(cs + m.Left + cm + img.cx + m.Right, cm, aWidth - cm, cm + l.Caption.cy);
  } else if (l.HasGlyph && l.Place != gpCenter) {
    switch (l.Place) {
      case gpLeft:
      case gpRight:
        r.Top = (l.Height - l.Caption.cy) / 2;
        r.Bottom = l.Height - r.Top;
        if (l.Place == gpLeft) {
          r.Left = cs + m.Left + cm + img.cx + m.Right;
          r.Right = aWidth - cm;
        } else {
          r.Right = aWidth - (m.Right + cm + img.cx + m.Left);  // no spacing on this side
          r.Left = cm;
        }
        break;
      case gpTop:
        r.Top = m.Top + 2 * cm + img.cy;
        r.Bottom = l.Height - cm;
        r.Top += ((r.Bottom - r.Top) - l.Caption.cy) / 2;
        r.Bottom = r.Top + l.Caption.cy;
        r.Left = cm;
        r.Right = aWidth - cm;
        break;
      default:  // gpBottom
        r.Bottom = l.Height - (m.Bottom + cm + img.cy + m.Top);
        r.Top = ((r.Bottom - m.Top) - l.Caption.cy) / 2 + m.Top;
        r.Bottom = r.Top + l.Caption.cy;
        r.Left = cm;
        r.Right = aWidth - cm;
        break;
    }
  } else {
    r.Left = (aWidth - l.Caption.cx) / 2;
    r.Right = r.Left + l.Caption.cx;
    r.Top = (l.Height - l.Caption.cy) / 2;
    r.Bottom = r.Top + l.Caption.cy;
  }
  if (l.Shift) r = TRect(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1);
  return r;
}

TRect ButtonGlyphRect(const TkvButtonLayout& l) {
  if (!l.HasGlyph) return TRect();
  const Integer aWidth = l.Width - l.DropWidth;
  const Integer cm = l.ContentMargin;
  const TRect& m = l.Margins;
  const TSize img = l.Image;
  Integer left, top;
  if (l.CommandLink) {
    left = m.Left + cm;
    top = cm;
  } else {
    switch (l.Place) {
      case gpLeft:
        left = m.Left + cm;
        top = (l.Height - img.cy) / 2;
        break;
      case gpRight:
        left = aWidth - m.Right - cm - img.cx;
        top = (l.Height - img.cy) / 2;
        break;
      case gpTop:
        top = m.Top + cm;
        left = (aWidth - img.cx) / 2;
        break;
      case gpBottom:
        top = l.Height - m.Bottom - cm - img.cy;
        left = (aWidth - img.cx) / 2;
        break;
      default:
        top = (l.Height - img.cy) / 2;
        left = (aWidth - img.cx) / 2;
        break;
    }
  }
  TRect r(left, top, left + img.cx, top + img.cy);
  if (l.Shift) r = TRect(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1);
  return r;
}

TRect ButtonCaptionMeasureRect(Integer width, Integer contentMargin, Integer contentSpacing, bool hasGlyph,
                               TSize imageWithMargins, const TRect& margins) {
  const Integer maxWidth = width - 2 * contentMargin;
  if (!hasGlyph) return TRect(2 * contentMargin, 0, maxWidth, 0);
  // The margins count twice: once inside the image size, once here.
  return TRect(0, 0, maxWidth - imageWithMargins.cx - contentSpacing - margins.Left - margins.Right, 0);
}

// ---- Liveness --------------------------------------------------------------------------------------

TComponentWatch::TComponentWatch(TComponent* watched) : TComponent(nullptr), watched_(watched) {
  if (watched_) watched_->FreeNotification(this);
}

TComponentWatch::~TComponentWatch() {
  if (watched_) watched_->RemoveFreeNotification(this);
}

void TComponentWatch::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == watched_) watched_ = nullptr;
}
