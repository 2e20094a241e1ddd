// sGraphUtils: templates, border copies, clipping of children, regions from key pixels and the
// glyph strips of buttons (the GDI side of section 9).
#include <windows.h>

#include <algorithm>
#include <memory>

#include "base/kvntUtils.h"
#include "paint/sGraphUtils.h"
#include "skin/sSkinManager.h"
#include "ui/Canvas.h"
#include "ui/Controls.h"
#include "ui/GdiScopes.h"

namespace {

// One copy of the template: (w x h) from (sx, sy) of the source to (dx, dy); stretched when the
// source size is given and differs.
struct TTemplateCopier {
  HDC dst, src;
  void Copy(Integer dx, Integer dy, Integer w, Integer h, Integer sx, Integer sy) const {
    if (w > 0 && h > 0) BitBlt(dst, dx, dy, w, h, src, sx, sy, SRCCOPY);
  }
  void Stretch(Integer dx, Integer dy, Integer dw, Integer dh, Integer sx, Integer sy, Integer sw, Integer sh) const {
    if (dw > 0 && dh > 0 && sw > 0 && sh > 0) StretchBlt(dst, dx, dy, dw, dh, src, sx, sy, sw, sh, SRCCOPY);
  }
};

}  // namespace

void PaintControlByTemplate(TBitmap* dstBmp, TBitmap* srcBmp, const TRect& D, const TRect& S, const TRect& B,
                            const TRect& M, const TRect& modes, bool stretchCenter, bool fillCenter) {
  if (!dstBmp || !srcBmp || dstBmp->Empty() || srcBmp->Empty()) return;
  TCanvasLock lockDst(*dstBmp->Canvas());
  TCanvasLock lockSrc(*srcBmp->Canvas());
  const TTemplateCopier c{dstBmp->Canvas()->Handle(), srcBmp->Canvas()->Handle()};
  SetStretchBltMode(c.dst, COLORONCOLOR);
  const Integer dl = std::min(B.Left, M.Left), dt = std::min(B.Top, M.Top);
  const Integer dr = std::min(B.Right, M.Right), db = std::min(B.Bottom, M.Bottom);
  const Integer xc = (D.Left + D.Right) / 2, yc = (D.Top + D.Bottom) / 2;
  const Integer aL = std::min(B.Left, xc), aT = std::min(B.Top, yc);
  const Integer aR = std::min(D.Right - xc, B.Right), aB = std::min(D.Bottom - yc, B.Bottom);
  const Integer w = std::max(0, S.Width() - B.Right - B.Left), h = std::max(0, S.Height() - B.Bottom - B.Top);

  // Corners: an L when the side thickness is limited below the corner size.
  c.Copy(D.Left, D.Top, aL, dt, S.Left, S.Top);
  if (B.Top != dt) c.Copy(D.Left, D.Top + dt, dl, aT - dt, S.Left, S.Top + dt);
  c.Copy(D.Left, D.Bottom - db, aL, db, S.Left, S.Bottom - db);
  if (B.Bottom != db) c.Copy(D.Left, D.Bottom - aB, dl, aB - db, S.Left, S.Bottom - aB);
  c.Copy(D.Right - aR, D.Top, aR, dt, S.Right - aR, S.Top);
  if (B.Top != dt) c.Copy(D.Right - dr, D.Top + dt, dr, aT - dt, S.Right - dr, S.Top + dt);
  c.Copy(D.Right - aR, D.Bottom - db, aR, db, S.Right - aR, S.Bottom - db);
  if (B.Bottom != db) c.Copy(D.Right - dr, D.Bottom - aB, dr, aB - db, S.Right - dr, S.Bottom - aB);

  // A vertical side of thickness th at target column dx from source column sx; a stretched
  // side takes srcHeight source rows.
  auto vertical = [&](bool stretch, Integer dx, Integer sx, Integer th, Integer srcHeight) {
    if (h <= 0) return;
    if (stretch) {
      c.Stretch(dx, D.Top + aT, th, D.Height() - aT - aB, sx, S.Top + aT, th, srcHeight);
      return;
    }
    Integer y = D.Top + aT;
    for (; y < D.Bottom - aB - h; y += h) c.Copy(dx, y, th, h, sx, S.Top + aT);
    if (y < D.Bottom - aB) c.Copy(dx, y, th, D.Bottom - aB - y, sx, S.Top + aT);
  };
  // A horizontal side of thickness th at target row dy from source row sy.
  auto horizontal = [&](bool stretch, Integer dy, Integer sy, Integer th) {
    if (w <= 0) return;
    if (stretch) {
      c.Stretch(D.Left + aL, dy, D.Width() - aL - aR, th, S.Left + aL, sy, S.Width() - aL - aR, th);
      return;
    }
    Integer x = D.Left + aL;
    for (; x < D.Right - aR - w; x += w) c.Copy(x, dy, w, th, S.Left + aL, sy);
    c.Copy(x, dy, D.Right - aR - x, th, S.Left + aL, sy);
  };
  vertical((modes.Left & 1) != 0, D.Left, S.Left, dl, S.Height() - aT - B.Bottom);
  horizontal((modes.Top & 1) != 0, D.Top, S.Top, dt);
  vertical((modes.Right & 1) != 0, D.Right - dr, S.Right - dr, dr, S.Height() - aB - aT);
  horizontal((modes.Bottom & 1) != 0, D.Bottom - db, S.Bottom - db, db);

  if (!fillCenter) return;
  if (stretchCenter) {
    c.Stretch(D.Left + aL, D.Top + aT, D.Width() - aR - aL, D.Height() - aB - aT, S.Left + aL, S.Top + aT,
              S.Width() - aR - aL, S.Height() - aB - aT);
  } else if (w > 0 && h > 0) {
    for (Integer x = D.Left + aL; x < D.Right - aR; x += w)
      for (Integer y = D.Top + aT; y < D.Bottom - aB; y += h)
        c.Copy(x, y, std::min(w, D.Right - aR - x), std::min(h, D.Bottom - aB - y), S.Left + aL, S.Top + aT);
  }
}

void BitBltBorder(HDC destDC, Integer x, Integer y, Integer width, Integer height, HDC srcDC, Integer xSrc,
                  Integer ySrc, Integer widthLeft, Integer widthTop, Integer widthRight, Integer widthBottom) {
  if (widthLeft < 0) widthLeft = 0;
  if (widthBottom < 0) {
    widthBottom = widthLeft;
    if (widthTop < 0) widthTop = widthLeft;
    if (widthRight < 0) widthRight = widthLeft;
  }
  BitBlt(destDC, x, y, widthLeft, height, srcDC, xSrc, ySrc, SRCCOPY);
  BitBlt(destDC, x + widthLeft, y, width, widthTop, srcDC, xSrc + widthLeft, ySrc, SRCCOPY);
  BitBlt(destDC, x + width - widthRight, y + widthTop, widthRight, height, srcDC, xSrc + width - widthRight,
         ySrc + widthTop, SRCCOPY);
  BitBlt(destDC, x + widthLeft, y + height - widthBottom, width - widthRight, widthBottom, srcDC, xSrc + widthLeft,
         ySrc + height - widthBottom, SRCCOPY);
}

void ExcludeControls(HDC dc, TWinControl* ctrl, Integer offsetX, Integer offsetY) {
  if (!ctrl) return;
  const bool clipGraphic = DefaultManager && !DefaultManager->Options.StdImgTransparency;
  for (Integer i = 0; i < ctrl->ControlCount(); ++i) {
    TControl* child = ctrl->Controls(i);
    if (!child->Visible()) continue;
    if (!dynamic_cast<TWinControl*>(child) && !clipGraphic) continue;
    ExcludeClipRect(dc, child->Left() + offsetX, child->Top() + offsetY, child->Left() + child->Width() + offsetX,
                    child->Top() + child->Height() + offsetY);
  }
}

void GetRgnFromBmp(HRGN& rgn, TBitmap* maskBmp, TColor transColor) {
  std::vector<TRect> runs;
  AddRgnBmp(runs, maskBmp, transColor);
  rgn = CreateRectRgn(0, 0, maskBmp ? maskBmp->Width() : 0, maskBmp ? maskBmp->Height() : 0);
  for (const TRect& r : runs) {
    TOwnedRegion piece(CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom));
    if (piece) CombineRgn(rgn, rgn, piece.get(), RGN_DIFF);
  }
}

void DrawGlyphEx(TBitmap* glyph, TBitmap* dstBmp, const TRect& r, Integer numGlyphs, bool enabled,
                 TSet<TsDisabledGlyphKind> /*disabledGlyphKind*/, Integer state, Integer blend, bool down,
                 bool reflected) {
  if (!glyph || glyph->Empty() || !dstBmp) return;
  std::unique_ptr<TBitmap> tmp(CreateBmp32(0, 0));
  tmp->Assign(glyph);
  tmp->SetPixelFormat(pf32bit);
  TRect dr = r;
  if (reflected) dr = OffsRect(dr, 0, -(dr.Height() / 8));
  if (numGlyphs < 1) numGlyphs = 1;  // a strip of no glyphs is one glyph
  if (numGlyphs == 1) state = 0;
  if (state > 0) blend = 0;
  // The class library's glyph order (up, disabled, down) keeps hot and pressed looks on glyph 0.
  const bool stdOrder = glyph->PixelFormat() == pf4bit || !DefaultManager || DefaultManager->Options.StdGlyphsOrder;
  Integer index;
  if (!enabled) {
    index = 0;
  } else {
    switch (state) {
      case 0: index = 0; break;
      case 1: index = stdOrder ? 0 : 1; break;
      case 2:
        if (Integer(down) + 2 < numGlyphs)
          index = Integer(down) + 2;
        else
          index = stdOrder ? 0 : std::min(numGlyphs - 1, 1);
        break;
      case 3: index = numGlyphs > 2 ? 2 : 0; break;
      default: return;
    }
  }
  const Integer gw = tmp->Width() / numGlyphs;
  const TRect glyphRect(gw * index, 0, gw * (index + 1) - 1, tmp->Height() - 1);
  const TColor transColor = tmp->Canvas()->Pixels(0, tmp->Height() - 1);
  if (enabled || blend == 0)
    CopyTransRectA(dstBmp, tmp.get(), dr.Left, dr.Top, glyphRect, transColor, 0);
  else
    BlendTransRectangle(dstBmp, dr.Left, dr.Top, tmp.get(), glyphRect, static_cast<Byte>(blend), 0xFF00FF);
  if (reflected) {
    dr = OffsRect(dr, 0, dr.Height());
    DrawGlyphReflection(dstBmp, tmp.get(), dr.TopLeft(), glyphRect, transColor, blend);
  }
}
