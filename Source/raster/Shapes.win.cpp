// Shapes: arrows, whole-degree rotation, bitmaps drawn with alpha, icons from bitmaps, the
// check-box size, two-colour frames, the glyph and caption layout of buttons, focus rectangles.
#define OEMRESOURCE
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "base/EngineState.h"
#include "base/kvntUtils.h"
#include "raster/Blend.h"
#include "raster/Resampling.h"
#include "raster/Shapes.h"
#include "raster/kvgpUtils.h"
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"
#include "ui/Graphics.h"

Integer& FCheckWidth = kvSystem.FCheckWidth;
Integer& FCheckHeight = kvSystem.FCheckHeight;

void GetCheckSize() {
  TOwnedBitmap checks(LoadBitmapW(nullptr, MAKEINTRESOURCEW(OBM_CHECKBOXES)));
  BITMAP info{};
  if (!checks || !GetObjectW(checks.get(), sizeof info, &info)) return;
  FCheckWidth = info.bmWidth / 4;
  FCheckHeight = info.bmHeight / 3;
}

// ---- Arrows -------------------------------------------------------------------------------------------

void DrawColorArrow(TCanvas* canvas, TColor color, const TRect& r, TkvSide direction, Integer ppi) {
  if (!canvas) return;
  const Integer W = kvArrowSize * ppi / 96, H = W / 2 + W % 2;
  if (direction == asLeft || direction == asRight) {
    const Integer left = (r.Width() - H) / 2 + r.Left, top = (r.Height() - W) / 2 + r.Top;
    for (Integer i = 0; i <= H; ++i) {
      const Integer x = direction == asLeft ? left + H - i : left + i;
      for (Integer y = top + i; y <= top + 2 * H - i; ++y) canvas->SetPixels(x, y, color);
    }
  } else {
    const Integer left = (r.Width() - W) / 2 + r.Left - 1, top = (r.Height() - H) / 2 + r.Top - 1;
    for (Integer i = 0; i <= H; ++i) {
      const Integer y = direction == asTop ? top + H - i : top + i;
      for (Integer x = left + i; x <= left + W + 1 - i; ++x) canvas->SetPixels(x, y, color);
    }
  }
}

void DrawColorArrow(TBitmap* bmp, TColor color, const TRect& r, TkvSide direction, Integer ppi) {
  DrawColorArrow(ViewOf(bmp), color, r, direction, ppi);
}

TBitmap* bmpRotate(TBitmap*& sBitmap, Word rotateAngle, bool freeupBmp) {
  if (!sBitmap || sBitmap->PixelFormat() != pf32bit || sBitmap->Empty()) return sBitmap;
  const bool quarter = rotateAngle == 90 || rotateAngle == 270;
  TBitmap* result =
      CreateBmp32(quarter ? sBitmap->Height() : sBitmap->Width(), quarter ? sBitmap->Width() : sBitmap->Height());
  RotatePixels(ViewOf(sBitmap), ViewOf(result), rotateAngle);
  if (freeupBmp) {
    delete sBitmap;
    sBitmap = nullptr;
  }
  return result;
}

namespace {

// The arrow picture, pointing down, of one style (nullptr for a style without a picture).
std::unique_ptr<TBitmap> MakeArrowBmp(TkvArrowsStyle style, Integer arrowSize, Integer lineWidth, Integer wR,
                                      bool hasFill, uint32_t fill, TColor outline) {
  const Integer ldiv2 = lineWidth / 2, maxLdiv2 = std::max(1, ldiv2);
  const bool oddR = wR % 2 != 0;
  Integer h, w;
  switch (style) {
    case arsSolid1:
      h = arrowSize + (oddR ? 1 : 0);
      w = 2 * arrowSize + (oddR ? 1 : 0);
      break;
    case arsLines1:
      h = arrowSize + lineWidth + maxLdiv2;
      w = 2 * arrowSize + (oddR ? 1 : 0) + lineWidth;
      break;
    case arsSolid2:
      h = arrowSize / 2 + (oddR ? 1 : 0);
      w = 2 * arrowSize + (oddR ? 0 : 1);
      break;
    case arsLines2:
      h = arrowSize / 2 + lineWidth + maxLdiv2;
      w = 2 * arrowSize + (oddR ? 0 : 1) + lineWidth;
      break;
    case arsSolid3:
      h = arrowSize + 3;
      w = h + 1;
      if (w % 2 == 0) ++w;
      break;
    default: return nullptr;  // no picture for an unresolved style
  }
  const Integer addi = w % 2, m = std::max(w, h), oY = (m - h) / 2;
  if (m <= 0) return nullptr;
  std::unique_ptr<TBitmap> pic(CreateBmp32(m, m));
  FillRect32(pic.get(), TRect(0, 0, m, m), clWhite, 0);
  TPoint p[4];
  if (style == arsLines1 || style == arsLines2) {
    p[0] = {maxLdiv2, oY + maxLdiv2};
    p[1] = {arrowSize + maxLdiv2, oY + h - lineWidth};
    p[2] = {p[1].X - ldiv2 + addi, p[1].Y};
    p[3] = {p[2].X + arrowSize, p[0].Y};
  } else {
    p[0] = {0, oY};
    p[1] = {m / 2 - 1 + addi, oY + h - 1};
    p[2] = {p[1].X + 1 - addi, p[1].Y};
    p[3] = {m / 2 + p[2].X - 1 + addi, oY};
  }
  TCanvas* canvas = pic->Canvas();
  if (style == arsSolid3) {
    kvgpFillPolygon(canvas->Handle(), fill, p, 4);
    return pic;
  }
  if (hasFill) {
    // The polygon in black on the white picture; its grey edge becomes the fill colour's alpha.
    canvas->Brush()->SetColor(clBlack);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Pen()->SetColor(clBlack);
    canvas->Polygon(p, 4);
    const TPixelView v = ViewOf(pic.get());
    for (Integer y = 0; y < m; ++y)
      for (Integer x = 0; x < m; ++x) {
        uint32_t& px = v.At(x, y);
        const uint32_t sum = PixR(px) + PixG(px) + PixB(px);
        px = sum == 765 ? 0x00FFFFFFu : (fill & 0x00FFFFFFu) | (255 - sum / 3) << 24;
      }
  }
  if (lineWidth >= 1) {
    HDC dc = canvas->Handle();
    kvgpDrawLine(dc, float(p[0].X), float(p[0].Y), float(p[1].X), float(p[1].Y), outline, float(lineWidth));
    kvgpDrawLine(dc, float(p[2].X), float(p[2].Y), float(p[3].X), float(p[3].Y), outline, float(lineWidth));
  }
  return pic;
}

}  // namespace

void DrawArrow(TBitmap* aBmp, TColor color1, TColor color2, const TRect& r, TkvSide direction, Integer lineWidth,
               Integer angleShift, Integer arrowSize, TkvArrowsStyle style, Integer ppi) {
  if (!aBmp) return;
  arrowSize = (arrowSize == 0 ? kvArrowSize : arrowSize) * ppi / 96;
  Integer wR = r.Width();
  bool hasFill = true;
  uint32_t fill;
  switch (style) {
    case arsLines1:
    case arsLines2:
      if (wR % 2 == 0) ++wR;
      lineWidth = (lineWidth == 0 ? kvLineWidth : lineWidth) * ppi / 96;
      hasFill = color2 != clNone;
      fill = SwapRedBlue(color2) | 0xFF000000u;
      break;
    case arsSolid1:
    case arsSolid2:
      fill = SwapRedBlue(color1) | 0xFF000000u;
      lineWidth = 1;
      break;
    default:
      fill = color1 | 0xFF000000u;  // a colour value for GDI+
      lineWidth = 1;
      break;
  }
  if (style == arsSolid1 || style == arsSolid2) --arrowSize;
  if (style == arsSolid2 && wR % 2 == 0) ++arrowSize;
  std::unique_ptr<TBitmap> pic = MakeArrowBmp(style, arrowSize, lineWidth, wR, hasFill, fill, color1);
  if (!pic) return;
  TBitmap* turned = pic.get();
  std::unique_ptr<TBitmap> owned;
  switch (direction) {
    case asTop: {
      const TPixelView v = ViewOf(pic.get());
      for (Integer y = 0; y < v.Height / 2; ++y)
        std::swap_ranges(v.Row(y), v.Row(y) + v.Width, v.Row(v.Height - 1 - y));
      break;
    }
    case asLeft:
    case asRight: {
      TBitmap* source = pic.release();
      owned.reset(bmpRotate(source, direction == asLeft ? 90 : 270, true));
      turned = owned.get();
      break;
    }
    default: break;
  }
  const TPoint at((r.Width() - turned->Width()) / 2 + r.Left, (r.Height() - turned->Height()) / 2 + r.Top);
  const TRect whole(0, 0, turned->Width() - 1, turned->Height() - 1);
  if (angleShift == 0) {
    PaintBmpRect32(aBmp, turned, whole, at, 255);
    return;
  }
  std::unique_ptr<TBitmap> rotated(CreateBmpLike(turned));
  FillRect32(rotated.get(), TRect(0, 0, rotated->Width(), rotated->Height()), clWhite, 0);
  BitBltRotated(rotated->Canvas()->Handle(), turned, TPoint(turned->Width() / 2 - 1, turned->Height() / 2 - 1),
                angleShift - 90);
  PaintBmpRect32(aBmp, rotated.get(), whole, at, 255);
}

// ---- Rotation -----------------------------------------------------------------------------------------

TPrlgram::TPrlgram(const TPoint* points, Integer count) {
  for (Integer i = 0; i < std::min(count, 4); ++i) FPoints[i] = {double(points[i].X), double(points[i].Y)};
}

TPoint TPrlgram::GetPoint(Integer index) const {
  const TDoublePoint& p = FPoints[std::clamp(index, 0, 3)];
  return {Integer(std::nearbyint(p.X)), Integer(std::nearbyint(p.Y))};
}

void TPrlgram::Rotate(Integer angle) {
  const float cx = float((FPoints[0].X + FPoints[2].X) / 2), cy = float((FPoints[0].Y + FPoints[2].Y) / 2);
  const double s = kvSin(angle), c = kvCos(angle);
  for (TDoublePoint& p : FPoints) {
    const double dx = p.X - cx, dy = p.Y - cy;
    p = {cx + dx * c + dy * s, cy - dx * s + dy * c};
  }
}

void RotatedBltPoints(const TSize& size, const TPoint& center, Integer angle, TPoint points[3]) {
  InitSCA();
  angle = 360 - angle;
  if (angle < 0) angle += 360;
  if (angle >= 360) angle -= 360;
  const TPoint tl(center.X - size.cx / 2, center.Y - size.cy / 2);
  const TPoint corners[4] = {tl, {tl.X + size.cx, tl.Y}, {tl.X + size.cx, tl.Y + size.cy}, {tl.X, tl.Y + size.cy}};
  TPrlgram shape(corners, 4);
  shape.Rotate(angle);
  // The source's top-left, top-right and bottom-left corners go to the turned top-right,
  // bottom-right and top-left corners: a quarter turn more, clockwise.
  points[0] = shape.GetPoint(1);
  points[1] = shape.GetPoint(2);
  points[2] = shape.GetPoint(0);
}

void BitBltRotated(HDC dc, TBitmap* srcBmp, const TPoint& center, Integer angle) {
  if (!dc || !srcBmp || srcBmp->Empty()) return;
  const Integer w = srcBmp->Width(), h = srcBmp->Height();
  TPoint p[3];
  RotatedBltPoints(TSize(w, h), center, angle, p);
  const POINT pts[3] = {{p[0].X, p[0].Y}, {p[1].X, p[1].Y}, {p[2].X, p[2].Y}};
  PlgBlt(dc, pts, srcBmp->Canvas()->Handle(), 0, 0, w, h, nullptr, 0, 0);
}

// ---- Bitmaps and icons ---------------------------------------------------------------------------------

void DrawBmp(TCanvas* canvas, TBitmap* bmp, const TRect& r, bool reflected) {
  if (!canvas || !bmp || bmp->Empty() || r.IsEmpty()) return;
  if (bmp->PixelFormat() != pf32bit) {
    canvas->StretchDraw(r, bmp);
    return;
  }
  const Integer w = r.Width(), h = r.Height();
  std::unique_ptr<TBitmap> work(CreateBmp32(w, h + (reflected ? h / 2 : 0)));
  BitBlt(work->Canvas()->Handle(), 0, 0, work->Width(), work->Height(), canvas->Handle(), r.Left, r.Top, SRCCOPY);
  if (bmp->Width() == w && bmp->Height() == h) {
    CopyBmp32(TRect(0, 0, w, h), TRect(0, 0, w, h), work.get(), bmp, EmptyCI, false, clNone, 0, reflected);
  } else {
    // Colours and alpha scaled by nearest pixel, as a COLORONCOLOR stretch of both would.
    std::unique_ptr<TBitmap> scaled(CreateBmp32(w, h));
    StretchNearest(ViewOf(scaled.get()), TRect(0, 0, w, h), ViewOf(bmp), TRect(0, 0, bmp->Width(), bmp->Height()));
    CopyBmp32(TRect(0, 0, w, h), TRect(0, 0, w, h), work.get(), scaled.get(), EmptyCI, false, clNone, 0, false);
  }
  BitBlt(canvas->Handle(), r.Left, r.Top, work->Width(), work->Height(), work->Canvas()->Handle(), 0, 0, SRCCOPY);
}

HICON MakeCompIcon(TBitmap* img) {
  if (!img || img->Empty()) return nullptr;
  TOwnedBitmap mask(CreateBitmap(img->Width(), img->Height(), 1, 1, nullptr));
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmMask = mask.get();
  info.hbmColor = img->Handle();
  return CreateIconIndirect(&info);
}

// ---- Frames, layout and focus ---------------------------------------------------------------------------

void DrawRectangleOnDC(HDC dc, TRect& r, TColor colorTop, TColor colorBottom, Integer& width) {
  TOwnedPen top(CreatePen(PS_SOLID, 1, ColorToRGB(colorTop)));
  TOwnedPen bottom(CreatePen(PS_SOLID, 1, ColorToRGB(colorBottom)));
  const HGDIOBJ oldPen = SelectObject(dc, top.get());
  const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  --r.Right;
  --r.Bottom;
  while (width > 0) {
    --width;
    SelectObject(dc, top.get());
    const POINT a[3] = {{r.Left, r.Bottom}, {r.Left, r.Top}, {r.Right, r.Top}};
    Polyline(dc, a, 3);
    SelectObject(dc, bottom.get());
    const POINT b[3] = {{r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left - 1, r.Bottom}};
    Polyline(dc, b, 3);
    r = TRect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
  }
  ++r.Right;
  ++r.Bottom;
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
}

void CalcButtonLayout(const TRect& client, const TPoint& glyphSize, const TPoint& textRectSize, TButtonLayout layout,
                      TAlignment alignment, Integer aMargin, Integer spacing, TPoint& glyphPos, TRect& textBounds,
                      Cardinal biDiFlags, TVerticalAlignment verticalAlignment) {
  const Integer CW = client.Width(), CH = client.Height();
  const Integer GW = glyphSize.X, GH = glyphSize.Y, TW = textRectSize.X, TH = textRectSize.Y;
  const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
  textBounds = TRect(0, 0, TW, TH);
  TPoint textPos;
  if (horizontal) {
    glyphPos.Y = (CH - GH + 1) / 2;
    textPos.Y = (CH - TH + 1) / 2;
  } else {
    glyphPos.X = (CW - GW + 1) / 2;
    textPos.X = (CW - TW + 1) / 2;
  }
  Integer S = spacing, M = aMargin;
  if (TW == 0 || GW == 0) S = 0;
  if (M == -1 && S == -1) {
    M = horizontal ? (CW - (GW + TW)) / 3 : (CH - (GH + TH)) / 3;
    S = M;
  } else if (M == -1) {
    if (verticalAlignment == taVerticalCenter && alignment == taCenter)
      M = horizontal ? (CW - (GW + S + TW) + 1) / 2 : (CH - (GH + S + TH) + 1) / 2;
    else
      M = 2;
  } else if (S == -1) {
    S = horizontal ? (CW - (M + GW) - TW) / 2 : (CH - (M + GH) - TH) / 2;
  }
  switch (layout) {
    case blGlyphLeft:
      if (alignment == taLeftJustify) {
        if (GW == 0) {
          textPos.X = M;
          textBounds.Right = M + TW;
        } else {
          glyphPos.X = M;
          textPos.X = M + GW + S;
          textBounds.Right = client.Right - M - textPos.X;
        }
      } else if (alignment == taRightJustify) {
        textPos.X = CW - M - TW;
        glyphPos.X = textPos.X - S - GW;
      } else {
        M = std::max(M, (CW - TW - S - GW) / 2);
        glyphPos.X = M;
        textPos.X = M + S + GW;
      }
      break;
    case blGlyphRight:
      if (alignment == taLeftJustify) {
        glyphPos.X = M + TW + S;
        textPos.X = glyphPos.X - S - TW;
      } else if (alignment == taRightJustify) {
        glyphPos.X = CW - M - GW;
        textPos.X = 0;
        textBounds.Right = glyphPos.X - S;
      } else {
        M = (CW - TW - S - GW) / 2;
        textPos.X = M;
        glyphPos.X = M + S + TW;
      }
      break;
    case blGlyphTop:
      glyphPos.Y = (CH - GH - S - TH) / 2;
      textPos.Y = glyphPos.Y + GH + S;
      break;
    case blGlyphBottom:
      glyphPos.Y = CH - GH - (CH - GH - S - TH) / 2;
      textPos.Y = glyphPos.Y - S - TH;
      break;
  }
  glyphPos = TPoint(glyphPos.X + client.Left, glyphPos.Y + client.Top);
  textBounds = OffsRect(textBounds, textPos.X + client.Left, textPos.Y + client.Top);
  const Integer m = std::max(aMargin, 0);
  auto moveText = [&](Integer dy) { textBounds = OffsRect(textBounds, 0, dy); };
  if (verticalAlignment == taAlignTop) {
    if (horizontal) {
      glyphPos.Y = m;
      moveText(m - textBounds.Top);
    } else if (layout == blGlyphTop) {
      moveText(m - glyphPos.Y);
      glyphPos.Y = m;
    } else {
      const Integer d = m - textBounds.Top;
      glyphPos.Y += d;
      moveText(d);
    }
  } else if (verticalAlignment == taAlignBottom) {
    if (horizontal) {
      glyphPos.Y = client.Bottom - m - GH;
      moveText(client.Bottom - m - textBounds.Bottom);
    } else if (layout == blGlyphTop) {
      const Integer d = client.Bottom - m - textBounds.Bottom;
      glyphPos.Y += d;
      moveText(d);
    } else {
      moveText(client.Bottom - m - glyphPos.Y - GH);
      glyphPos.Y = client.Bottom - m - GH;
    }
  }
  if (biDiFlags & DT_RIGHT) {
    ReflectRect(textBounds, CW, CH, true);
    glyphPos.X = CW - glyphPos.X - GW;
  }
}

void FocusRect(TCanvas* canvas, const TRect& r, TColor lightColor, TColor darkColor) {
  if (!canvas) return;
  const Integer w = r.Width() / 2, h = r.Height() / 2, right = r.Right - 1, bottom = r.Bottom - 1;
  auto dot = [&](Integer x, Integer y, TColor c) {
    if (c != clNone) canvas->SetPixels(x, y, c);
  };
  for (Integer k = 1; k <= w; ++k) {
    dot(r.Left + 2 * k, r.Top, darkColor);
    dot(r.Left + 2 * k, bottom, darkColor);
    dot(r.Left + 2 * k - 1, r.Top, lightColor);
    dot(r.Left + 2 * k - 1, bottom, lightColor);
  }
  for (Integer k = 1; k <= h; ++k) {
    dot(r.Left, r.Top + 2 * k, darkColor);
    dot(right, r.Top + 2 * k, darkColor);
    dot(r.Left, r.Top + 2 * k - 1, lightColor);
    dot(right, r.Top + 2 * k - 1, lightColor);
  }
}

void kvDrawFocusRect(TCanvas* canvas, const TRect& r) {
  if (!canvas) return;
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Pen()->SetStyle(psClear);
  const RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  DrawFocusRect(canvas->Handle(), &rc);
}
