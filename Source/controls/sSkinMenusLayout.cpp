#include "controls/sSkinMenusLayout.h"

#include <algorithm>

TsMenuItemType MenuItemKind(StringView caption) {
  if (caption == u"-") return smDivider;
  if (caption.size() > 1 && caption.front() == u'-' && caption.back() == u'-') return smCaption;
  return smNormal;
}

String CaptionItemText(StringView caption) {
  if (caption.size() < 2) return String();
  return String(caption.substr(1, caption.size() - 2));
}

TkvMenuItemText SplitMenuItemText(StringView caption) {
  TkvMenuItemText t;
  const size_t tab = caption.find(u'\t');
  if (tab != StringView::npos) {
    t.Text = String(caption.substr(0, tab));
    t.RightText = String(caption.substr(tab + 1));
    return t;
  }
  if (!caption.empty() && caption.front() == u'\b') {
    t.Text = String(caption.substr(1)) + u"      ";
    t.RightAligned = true;
    return t;
  }
  t.Text = String(caption);
  return t;
}

Integer MenuItemHeight(TsMenuItemType kind, Integer textHeight, Integer glyphHeight, const TkvMenuMetrics& m) {
  switch (kind) {
    case smDivider: return 2;
    case smCaption: return textHeight + 2 * m.Margin + 3;
    default: return std::max(textHeight, glyphHeight) + 2 * m.Margin + 2;
  }
}

Integer MenuItemWidth(TsMenuItemType kind, Integer textWidth, Integer glyphWidth, const TkvMenuMetrics& m) {
  const Integer base = 2 * glyphWidth + 3 * m.Margin + m.Spacing;
  if (kind == smDivider) return base;
  Integer width = textWidth + base;
  if (m.NoBorder) width -= 2 * m.BorderWidth;
  return width;
}

Integer MenuColumnsHeight(const std::vector<TkvMenuColumnItem>& items) {
  Integer tallest = 0, column = 0;
  for (const TkvMenuColumnItem& i : items) {
    if (i.NewColumn) column = 0;
    column += i.Height;
    tallest = std::max(tallest, column);
  }
  return tallest;
}

Integer MenuColumnsWidth(const std::vector<TkvMenuColumnItem>& items) {
  Integer sum = 0, widest = 0;
  bool any = false;
  for (const TkvMenuColumnItem& i : items) {
    if (i.NewColumn && any) {
      sum += widest + 12 + 4;
      widest = 0;
    }
    widest = std::max(widest, i.Width);
    any = true;
  }
  return any ? sum + widest + 12 : 0;
}

Integer MenuSkinBorderWidth(bool hasBorderImage, Integer borderImageLeft, Integer borderRadius) {
  if (hasBorderImage) return borderImageLeft < 1 ? 3 : std::min(borderImageLeft, 3);
  return std::max(borderRadius / 2 - 4, 0);
}

Integer MenuExtraLineWidth(Integer width96, Integer ppi) { return width96 * ppi / 96; }

TkvShadowMargins ShadowMargins(bool skinActive, Integer size, Integer offset) {
  if (!skinActive) return {13, 13, 13, 13};
  return {size, std::max(0, size - offset), size, std::max(0, size + offset)};
}

TkvShadowMargins ShadowDestinationBorders(const TkvShadowMargins& m, bool hasSection, bool hasBorderImage,
                                          const TkvShadowMargins& imageBorders, Integer borderRadius) {
  if (!hasSection) return m;
  if (hasBorderImage)
    return {m.Left + imageBorders.Left, m.Top + imageBorders.Top, m.Right + imageBorders.Right,
            m.Bottom + imageBorders.Bottom};
  return {m.Left + borderRadius, m.Top + borderRadius, m.Right + borderRadius, m.Bottom + borderRadius};
}

namespace {
// Nearest-pixel copy of the source rectangle (sx, sy, sw, sh) into (dx, dy, dw, dh).
void StretchPart(const TPixelView& dst, Integer dx, Integer dy, Integer dw, Integer dh, const TPixelView& src,
                 Integer sx, Integer sy, Integer sw, Integer sh) {
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  for (Integer y = 0; y < dh; ++y) {
    const Integer ty = dy + y;
    if (ty < 0 || ty >= dst.Height) continue;
    const Integer fy = sy + Integer(int64_t(y) * sh / dh);
    if (fy < 0 || fy >= src.Height) continue;
    uint32_t* out = dst.Row(ty);
    const uint32_t* in = src.Row(fy);
    for (Integer x = 0; x < dw; ++x) {
      const Integer tx = dx + x;
      const Integer fx = sx + Integer(int64_t(x) * sw / dw);
      if (tx >= 0 && tx < dst.Width && fx >= 0 && fx < src.Width) out[tx] = in[fx];
    }
  }
}
}  // namespace

void StretchShadowTemplate(const TPixelView& dst, const TPixelView& src, const TkvShadowMargins& s,
                           const TkvShadowMargins& d) {
  if (dst.Empty() || src.Empty()) return;
  const Integer sw = src.Width, sh = src.Height, dw = dst.Width, dh = dst.Height;
  const Integer smw = std::max(0, sw - s.Left - s.Right), smh = std::max(0, sh - s.Top - s.Bottom);
  const Integer dmw = std::max(0, dw - d.Left - d.Right), dmh = std::max(0, dh - d.Top - d.Bottom);
  // Rows: top, middle, bottom; columns: left, middle, right. The centre is skipped.
  const Integer srcY[3] = {0, s.Top, sh - s.Bottom}, srcH[3] = {s.Top, smh, s.Bottom};
  const Integer dstY[3] = {0, d.Top, dh - d.Bottom}, dstH[3] = {d.Top, dmh, d.Bottom};
  const Integer srcX[3] = {0, s.Left, sw - s.Right}, srcW[3] = {s.Left, smw, s.Right};
  const Integer dstX[3] = {0, d.Left, dw - d.Right}, dstW[3] = {d.Left, dmw, d.Right};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) {
      if (r == 1 && c == 1) continue;
      // A side of one source pixel (an odd template's centre line) stretches along.
      StretchPart(dst, dstX[c], dstY[r], dstW[c], dstH[r], src, srcX[c], srcY[r], std::max<Integer>(srcW[c], 1),
                  std::max<Integer>(srcH[r], 1));
    }
}
