// The title bar's plain arithmetic: measuring, placement, fade steps and pixel copies.
#include "forms/kvTitleBar.h"

#include <algorithm>

// ---- Measuring -------------------------------------------------------------------------------

TkvItemSize MeasureTitleItem(const TkvItemMeasure& m, bool contentOnly) {
  const Integer p = m.PPI;
  TkvItemSize out;
  TSize& c = out.Content;
  if (m.StretchImage) {
    c = TSize(m.Width * p / 96, m.Height * p / 96);
  } else if (m.HasListImage) {
    c = m.ListImage;
  } else if (m.Glyph.cx > 0 && m.Glyph.cy > 0) {
    c = TSize(m.Glyph.cx * p / (std::max(m.NumGlyphs, 1) * 96), m.Glyph.cy * p / 96);
  }
  if (m.HasCaption) {
    if (c.cx != 0) c.cx += (m.Style == bsTab ? 2 : 1) * m.Spacing * p / 96;
    c = TSize(c.cx + m.Text.cx + 2, std::max(c.cy, m.Text.cy));
  }
  if ((m.Style == bsButton || m.Style == bsMenu) && m.HasDropdown) {
    c.cx += m.Spacing;
    c.cx += m.ArrowSize + m.Spacing * p / 96;
  }
  if (m.Style == bsMenu || m.Style == bsTab) c.cy += 1;
  if (contentOnly || m.Style == bsSpacing) return out;
  out.Width = std::max(16, (IntXMargin(m.Style) + m.ItemsMargin) * 2 * p / 96 + c.cx);
  out.Height = std::max(16, m.ItemsMargin * 2 * p / 96 + c.cy);
  out.Resized = true;
  return out;
}

Integer GlyphImageWidth(Integer stripWidth, Integer numGlyphs) { return stripWidth / std::max(numGlyphs, 1); }

TRect GlyphStateRect(TSize strip, Integer numGlyphs, Integer state, bool disabled) {
  const Integer n = std::max(numGlyphs, 1);
  const Integer w = GlyphImageWidth(strip.cx, n);
  Integer index = disabled ? 3 : std::clamp(state, 0, 2);
  if (index >= n) index = 0;
  return TRect(index * w, 0, index * w + w, strip.cy);
}

// ---- Placement -------------------------------------------------------------------------------

TkvItemAlign ConvAlign(TkvItemAlign align, bool rightToLeft) {
  if (!rightToLeft) return align;
  if (align == tbaLeft) return tbaRight;
  if (align == tbaRight) return tbaLeft;
  return align;
}

void PlaceTitleItems(TkvBarLayout& bar, std::vector<TkvItemBox>& items) {
  const Integer p = bar.HasProvider ? bar.PPI : 96;
  bar.RightWidth = bar.RightSpacing;
  bar.CenterWidth = bar.CenterWidthS = bar.LeftWidth = 0;
  auto scaledW = [p](const TkvItemBox& it) { return it.AutoSize ? it.Width : it.Width * p / 96; };
  auto scaledH = [p](const TkvItemBox& it) { return it.AutoSize ? it.Height : it.Height * p / 96; };
  bool firstLeft = true;
  for (const TkvItemBox& it : items) {
    if (!it.Visible) continue;
    const Integer w = scaledW(it);
    switch (ConvAlign(it.Align, bar.RightToLeft)) {
      case tbaLeft:
        if (firstLeft && bar.HasProvider) bar.LeftWidth = bar.SkinSpacing;
        firstLeft = false;
        bar.LeftWidth += w;
        break;
      case tbaRight: bar.RightWidth += w; break;
      case tbaCenter: bar.CenterWidth += w; break;
      case tbaCenterInSpace: bar.CenterWidthS += w; break;
    }
  }
  const TRect& b = bar.BarRect;
  Integer run[4];
  run[tbaLeft] = b.Left;
  run[tbaCenter] = b.Left + (bar.FullRight - b.Left - bar.CenterWidth) / 2;
  run[tbaCenterInSpace] =
      b.Left + bar.LeftWidth + (b.Right - b.Left - bar.RightWidth - bar.LeftWidth - bar.CenterWidthS) / 2;
  run[tbaRight] = b.Right - bar.RightWidth;
  auto place = [&](TkvItemBox& it) {
    if (!it.Visible) return;
    const Integer w = scaledW(it), h = scaledH(it);
    switch (it.Style) {
      case bsMenu: it.Rect.Top = b.Top; break;
      case bsTab: it.Rect.Top = b.Bottom - h; break;
      default: it.Rect.Top = bar.BarVCenter - h / 2; break;
    }
    it.Rect.Bottom = it.Rect.Top + h;
    Integer& x = run[ConvAlign(it.Align, bar.RightToLeft)];
    it.Rect.Left = x;
    x += w;
    it.Rect.Right = it.Rect.Left + w;
  };
  if (bar.RightToLeft)
    for (auto it = items.rbegin(); it != items.rend(); ++it) place(*it);
  else
    for (TkvItemBox& it : items) place(it);
}

// ---- Fade steps ------------------------------------------------------------------------------

void TkvItemFade::Restart(Integer itemState, Integer iterations, bool show) {
  if (itemState == 2 || (itemState == 1 && CurrentState == 2)) {
    // The old look stays on screen until the new one replaces it.
    surface_.DropOldWindow();
    surface_.KeepWindowAsOld();
    surface_.DropImage();
  }
  if (show) CurrentState = itemState;
  MaxIterations = iterations;
  ToShow = show;
  Running = true;
  Start(itemState, true);
  if (itemState == 2) CurrentLevel = iterations;
}

void TkvItemFade::Start(Integer newState, bool show) {
  if (newState == CurrentState) return;
  CurrentState = newState;
  if (newState != 0) {
    if (newState == 2) {
      surface_.DropWindow();
      surface_.DropImage();
    }
    CurrentLevel = 1;
    ToShow = show;
    surface_.ShowAt(Byte(std::min(Step(), 255)));
    CurrentLevel = 2;
    Running = true;
  } else {
    ToShow = false;
    --CurrentLevel;
    surface_.ShowAt(255);  // the fade-out starts from the full look
    if (MaxIterations >= 2) Running = true;
  }
}

void TkvItemFade::Tick() {
  if (ToShow) {
    if (CurrentLevel < MaxIterations) {
      surface_.ShowAt(Byte(std::clamp(Step() * CurrentLevel, 0, 255)));
      ++CurrentLevel;
      return;
    }
    const bool outside = surface_.CursorOutsideItem();
    if (outside) Running = false;
    if (MaxIterations != -1) {
      MaxIterations = -1;
      surface_.ShowAt(255);
    }
    surface_.DropOldWindow();
    // Last: the form's leave handler may turn this very fade around.
    if (outside) surface_.MouseLeft();
    return;
  }
  if (CurrentLevel > 0) {
    surface_.ShowAt(Byte(std::clamp(Step() * CurrentLevel, 0, 255)));
    --CurrentLevel;
  }
  if (CurrentLevel <= 0) {
    CurrentState = -1;
    Running = false;
    surface_.DropImage();
    surface_.DropWindow();
  }
}

// ---- Pixels ----------------------------------------------------------------------------------

void UpdateAlphaTitle(const TPixelView& v) {
  for (Integer y = 0; y < v.Height; ++y) {
    uint32_t* row = v.Row(y);
    for (Integer x = 0; x < v.Width; ++x) {
      const uint32_t px = row[x];
      if (px == 0x00FF00FFu) continue;
      const uint32_t a = 255 - (px >> 24);
      const uint32_t r = a * (px >> 16 & 0xFF) >> 8, g = a * (px >> 8 & 0xFF) >> 8, b = a * (px & 0xFF) >> 8;
      row[x] = a << 24 | r << 16 | g << 8 | b;
    }
  }
}

void CopyTransRect(const TPixelView& dst, const TPixelView& src, Integer x, TRect srcRect, Integer y) {
  if (dst.Empty() || src.Empty()) return;
  // Inclusive: the right column and the bottom row are copied too.
  const Integer left = std::max(srcRect.Left, 0), top = std::max(srcRect.Top, 0);
  const Integer right = std::min(srcRect.Right, src.Width - 1), bottom = std::min(srcRect.Bottom, src.Height - 1);
  for (Integer sy = top; sy <= bottom; ++sy) {
    const Integer dy = y + sy - srcRect.Top;
    if (dy < 0 || dy >= dst.Height) continue;
    const uint32_t* s = src.Row(sy);
    uint32_t* d = dst.Row(dy);
    for (Integer sx = left; sx <= right; ++sx) {
      const Integer dx = x + sx - srcRect.Left;
      if (dx < 0 || dx >= dst.Width || s[sx] == 0x00FF00FFu) continue;  // nothing is written outside dst
      d[dx] = s[sx];
    }
  }
}
