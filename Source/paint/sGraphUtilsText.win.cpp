// sGraphUtils: text output, skinned captions, the text glow and the measuring routines.
#include <windows.h>

#include <algorithm>
#include <string>
#include <memory>
#include <vector>

#include "raster/kvgpUtils.h"
#include "base/kvntUtils.h"
#include "paint/sAlphaGraph.h"
#include "skin/sCommonData.h"
#include "paint/sGraphUtils.h"
#include "base/sMessages.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"
#include "ui/Graphics.h"

namespace {

// The offsets of the outline copies: left, top, right, bottom.
constexpr TPoint kOutlineShift[4] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
Integer OutlineColor(const TsFontColor& c, int side) {
  switch (side) {
    case 0: return c.Left;
    case 1: return c.Top;
    case 2: return c.Right;
    default: return c.Bottom;
  }
}

TBytePixelView GreyViewOf(TBitmap* bmp) {
  if (!bmp || bmp->PixelFormat() != pf8bit || bmp->Empty()) return {};
  return {static_cast<Byte*>(bmp->ScanLine(0)), bmp->RowDelta(), bmp->Width(), bmp->Height()};
}

std::vector<uint32_t> GreyTable() {
  std::vector<uint32_t> table(256);
  for (uint32_t i = 0; i < 256; ++i) table[i] = i | i << 8 | i << 16;
  return table;
}

// Draws with the screen DC and font selected; the previous font goes back at the end.
template <class F>
auto WithScreenFont(HFONT font, F f) {
  TClientDC screen(nullptr);
  TSelectObject select(screen, font);
  return f(screen.get());
}

}  // namespace

Integer kvDrawText(HDC dc, const String& text, TRect& r, Cardinal flags, TBitmap* bmp) {
  if (flags & DT_ALPHATEXT) return kvDrawText32(dc, text, r, flags, true, bmp);
  const Integer count = std::min<Integer>(static_cast<Integer>(text.size()), kvMaxDrawTextLength);
  RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  const Integer result = DrawTextW(dc, reinterpret_cast<LPCWSTR>(text.c_str()), count, &rc, flags);
  r = TRect(rc.left, rc.top, rc.right, rc.bottom);
  return result;
}

Integer kvDrawText32(HDC dc, const String& text, TRect& r, Cardinal flags, bool alphaLayer, TBitmap* bmp) {
  if (flags & DT_CALCRECT) {
    const TSize size = kvgpMeasureString(dc, text, (flags & DT_WORDBREAK) != 0, r.Width());
    r.Right = r.Left + size.cx;
    r.Bottom = r.Top + size.cy;
    return 1;
  }
  const TColor textColor = GetTextColor(dc);
  if (!kvgpDrawString(dc, text, r, SwapRedBlue(textColor), Integer(AlignmentFromInt(flags)),
                      Integer(VertAlignmentFromInt(flags)), 0, alphaLayer, u"") &&
      bmp)
    WriteColor(bmp, text, true, r, flags & ~DT_ALPHATEXT, textColor, false);
  return 1;
}

void WriteTextEx(TCanvas* canvas, const String& text, bool enabled, TRect& aRect, Cardinal flags, Integer skinIndex,
                 Integer hot, DuRiruZireziv* skinManager) {
  if (text.empty() || !canvas) return;
  if (!skinManager) skinManager = DefaultManager;
  HDC dc = canvas->Handle();
  SetBkMode(dc, TRANSPARENT);
  if (!skinManager || !skinManager->IsValidSkinIndex(skinIndex)) {
    kvDrawText(dc, text, aRect, flags);
    return;
  }
  const TsGeneralData& section = skinManager->CommonSkinData(96)->gd[size_t(skinIndex)];
  if (!enabled) {
    const TsGenState& look = section.Props[0];
    canvas->Font()->SetColor(BlendColors(TColor(look.FontColor.Color), TColor(look.Color), DefBlendDisabled));
    dc = canvas->Handle();
    kvDrawText(dc, text, aRect, flags);
    return;
  }
  const TsFontColor& colors = section.Props[size_t(std::clamp(hot, 0, 2))].FontColor;
  for (int side = 0; side < 4; ++side) {
    const Integer c = OutlineColor(colors, side);
    if (c == -1) continue;
    SetTextColor(dc, ColorToRGB(TColor(c)));
    TRect moved = OffsRect(aRect, kOutlineShift[side].X, kOutlineShift[side].Y);
    kvDrawText(dc, text, moved, flags);
  }
  SetTextColor(dc, ColorToRGB(TColor(colors.Color)));
  kvDrawText(dc, text, aRect, flags);
}

void kvWriteTextEx(TCanvas* canvas, const String& text, bool enabled, TRect& aRect, Cardinal flags, Integer skinIndex,
                   Integer hot, DuRiruZireziv* skinManager) {
  WriteTextEx(canvas, text, enabled, aRect, flags, skinIndex, hot, skinManager);
}

namespace {

// The plain caption: as it is, or embossed when disabled.
void PlainCaption(TCanvas* canvas, const String& text, Integer length, bool enabled, TRect& r, Cardinal flags) {
  auto draw = [&](const TRect& at) {
    RECT rc{at.Left, at.Top, at.Right, at.Bottom};
    DrawTextW(canvas->Handle(), reinterpret_cast<LPCWSTR>(text.c_str()), length, &rc, flags);
  };
  if (enabled) {
    draw(r);
    return;
  }
  canvas->Font()->SetColor(clBtnHighlight);
  draw(OffsRect(r, 1, 1));
  canvas->Font()->SetColor(clBtnShadow);
  draw(r);
}

// The section that gives the caption its font: the control's own, or for the standard button
// sections the one its parents answer; -1 for none. manager may change with the answer.
Integer FontSection(TsCommonData* skinData, Integer hot, DuRiruZireziv*& manager) {
  const Integer own = skinData->SkinIndex;
  TControl* ctrl = skinData->FOwnerControl;
  const auto& sections = manager->SkinCommonInfo.Sections;
  bool asksParents = own == sections[ssTBBtn];
  for (Integer k = ssMenuItem; k <= ssButton; ++k) asksParents = asksParents || own == sections[size_t(k)];
  if (!asksParents || !ctrl || !ctrl->Parent()) return own;
  TkvPaintInfo info;
  info.State = hot;
  info.FontIndex = own;
  info.R = ctrl->BoundsRect();
  info.SkinManager = manager;
  const intptr_t answer = ctrl->Perform(SM_ALPHACMD, uintptr_t(KV_GETFONTINDEX) << 16, reinterpret_cast<intptr_t>(&info));
  if (answer == -1) return own;
  if (answer == 0 || info.FontIndex < 0) return -1;
  if (info.SkinManager) manager = info.SkinManager;
  return info.FontIndex;
}

}  // namespace

namespace {
void SkinnedCaption(TCanvas* canvas, const String& text, bool enabled, TRect& aRect, Cardinal flags,
                    TsCommonData* skinData, Integer hot, bool canGlow) {
  DuRiruZireziv* manager = skinData->GetSkinManager();
  const Integer length = static_cast<Integer>(std::char_traits<Char>::length(text.c_str()));
  const bool skinned = skinData->Skinned(false);
  if (hot && skinned && manager && skinData->SkinIndex == manager->SkinCommonInfo.Sections[ssWebBtn])
    canvas->Font()->SetStyle(canvas->Font()->Style() + TFontStyles{fsUnderline});
  HDC dc = canvas->Handle();
  if (!skinned || skinData->FCustomFont || !manager) {
    PlainCaption(canvas, text, length, enabled, aRect, flags);
    return;
  }
  const Integer section = FontSection(skinData, hot, manager);
  TControl* ctrl = skinData->FOwnerControl;
  if (section < 0 && ctrl && ctrl->Parent()) {
    canvas->Font()->SetColor(ctrl->Parent()->Font()->Color());
    PlainCaption(canvas, text, length, enabled, aRect, flags);
    return;
  }
  if (!manager->IsValidSkinIndex(section)) {
    kvDrawText(canvas->Handle(), text, aRect, flags);
    return;
  }
  const TsGenState& look = manager->gd()[size_t(section)].Props[size_t(std::clamp(hot, 0, 2))];
  if (canGlow && skinData->FCacheBmp && look.GlowSize != 0) {
    {
      TSaveDC clip(canvas->Handle());
      IntersectClipRect(canvas->Handle(), aRect.Left, aRect.Top, aRect.Right, aRect.Bottom);
      TBitmap* mask = nullptr;
      kvDrawGlowForText(skinData->FCacheBmp, text, aRect, flags, 15, look.GlowSize,
                        UpdateColor(TColor(look.GlowColor), skinData), mask);
      delete mask;
    }
    GdiFlush();
  }
  if (!enabled) {
    canvas->Font()->SetColor(UpdateColor(
        BlendColors(TColor(look.FontColor.Color), manager->GetGlobalColor(), DefBlendDisabled), skinData));
    kvDrawText(canvas->Handle(), text, aRect, flags);
    return;
  }
  dc = canvas->Handle();
  for (int side = 0; side < 4; ++side) {
    const Integer c = OutlineColor(look.FontColor, side);
    if (c == -1) continue;
    SetTextColor(dc, UpdateColor(TColor(c), skinData));
    TRect moved = OffsRect(aRect, kOutlineShift[side].X, kOutlineShift[side].Y);
    kvDrawText(dc, text, moved, flags);
  }
  SetTextColor(dc, UpdateColor(TColor(look.FontColor.Color), skinData));
  kvDrawText(dc, text, aRect, flags);
}

}  // namespace

void WriteTextEx(TCanvas* canvas, const String& text, bool enabled, TRect& aRect, Cardinal flags,
                 TsCommonData* skinData, Integer hot, DuRiruZireziv* /*skinManager*/, bool canGlow) {
  if (text.empty() || !canvas || !skinData) return;
  canvas->Brush()->SetStyle(bsClear);
  {
    TSaveDC saved(canvas->Handle());
    SkinnedCaption(canvas, text, enabled, aRect, flags, skinData, hot, canGlow);
  }
  // The DC is back as it was; the canvas puts its tools (and the font's colour) in again.
  canvas->Refresh();
}

void kvWriteTextEx(TCanvas* canvas, const String& text, bool enabled, TRect& aRect, Cardinal flags,
                   TsCommonData* skinData, Integer hot, DuRiruZireziv* skinManager, bool canGlow) {
  WriteTextEx(canvas, text, enabled, aRect, flags, skinData, hot, skinManager, canGlow);
}

void kvWriteText(TCanvas* canvas, const String& text, bool /*enabled*/, TRect& aRect, Cardinal flags) {
  if (canvas) kvDrawText(canvas->Handle(), text, aRect, flags, nullptr);
}

TColor UpdateColor(TColor color, const TsCommonData* skinData) {
  if (!skinData) return ColorToRGB(color);
  if (skinData->FColorTone != clNone) color = ChangeTone(color, SwapRedBlue(ColorToRGB(skinData->FColorTone)));
  color = ChangeHue(skinData->FHUEOffset, color);
  color = ChangeSaturation(color, skinData->FSaturation * 256 / 100);
  return ColorToRGB(color);
}

void kvDrawGlowForText(TBitmap* dstBmp, const String& text, const TRect& aRect, Cardinal flags, Cardinal side,
                       Integer blurSize, TColor color, TBitmap*& maskBmp) {
  if (!dstBmp) return;
  const TRect textRect = OffsRect(aRect, 1, 1);
  const Integer m = blurSize + 4;
  const Integer maskW = textRect.Width() + 2 * m, maskH = textRect.Height() + 2 * m;
  if (maskW <= 0 || maskH <= 0) return;
  if (!maskBmp || maskBmp->Width() != maskW || maskBmp->Height() != maskH) {
    if (!maskBmp) maskBmp = CreateBmp32(0, 0);
    // A grey palette: the mask's bytes are its grey levels, 255 without text, 0 under it.
    maskBmp->SetPixelFormat(pf8bit);
    maskBmp->SetColorTable(GreyTable());
    maskBmp->SetSize(maskW, maskH);
    TCanvas* canvas = maskBmp->Canvas();
    canvas->Font()->Assign(dstBmp->Canvas()->Font());
    canvas->Font()->SetColor(clBlack);
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(TRect(0, 0, maskW, maskH));
    canvas->Brush()->SetStyle(bsClear);
    HDC dc = canvas->Handle();
    SetBkMode(dc, TRANSPARENT);
    const TRect r(m, m, m + textRect.Width(), m + textRect.Height());
    for (Cardinal bit = 0; bit < 4; ++bit) {
      if (!(side & (1u << bit))) continue;
      TRect moved = OffsRect(r, kOutlineShift[bit].X, kOutlineShift[bit].Y);
      kvDrawText(dc, text, moved, flags & ~DT_ALPHATEXT);
    }
    TRect plain = r;
    kvDrawText(dc, text, plain, flags & ~DT_ALPHATEXT);
    GdiFlush();
    Blur8(maskBmp, blurSize);
  }
  GdiFlush();
  ApplyGlowMask(ViewOf(dstBmp), GreyViewOf(maskBmp), TPoint(textRect.Left - m, textRect.Top - m), ColorToRGB(color));
}

String CutText(TCanvas* canvas, const String& text, Integer maxLength) {
  if (!canvas || maxLength <= 0) return {};
  String result = text;
  if (canvas->TextWidth(result) <= maxLength) return result;
  const String dots = u"...";
  while (!result.empty()) {
    result.pop_back();
    if (!result.empty() && result.back() >= 0xD800 && result.back() <= 0xDBFF) result.pop_back();  // whole pairs
    if (canvas->TextWidth(result + dots) <= maxLength) break;
  }
  return result.empty() ? result : result + dots;
}

Integer kvTextWidth(TCanvas* canvas, const String& text) { return canvas->TextExtent(text).cx; }
TSize kvTextExtent(TCanvas* canvas, const String& text) { return canvas->TextExtent(text); }
void kvTextRect(TCanvas* canvas, const TRect& rect, Integer x, Integer y, const String& text) {
  canvas->TextRect(rect, x, y, text);
}

bool kvGetTextExtentW(HDC dc, const String& str, TSize& size, HFONT font) {
  auto measure = [&](HDC d) {
    SIZE s{};
    const bool ok = GetTextExtentPoint32W(d, reinterpret_cast<LPCWSTR>(str.c_str()), static_cast<int>(str.size()), &s);
    size = TSize(s.cx, s.cy);
    return ok;
  };
  if (dc) return measure(dc);
  return WithScreenFont(font, measure);
}

bool kvGetTextExtent(HDC dc, const String& str, TSize& size, HFONT font) { return kvGetTextExtentW(dc, str, size, font); }

void kvPaintLine(HDC dc, Integer x1, Integer y1, Integer x2, Integer y2) {
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

Integer GetFontHeight(HFONT font, bool noLeading) {
  return WithScreenFont(font, [&](HDC dc) -> Integer {
    TEXTMETRICW tm{};
    if (!GetTextMetricsW(dc, &tm)) return 0;
    return noLeading ? tm.tmHeight - tm.tmInternalLeading - tm.tmExternalLeading : tm.tmHeight + 6;
  });
}

TSize GetStringSize(HFONT font, const String& text, Cardinal flags, bool wrapText, Integer maxWidth, bool isItalic) {
  return WithScreenFont(font, [&](HDC dc) {
    auto measure = [&](const String& s) {
      if (wrapText) {
        TRect r(0, 0, maxWidth, 0);
        kvDrawText(dc, s, r, flags | DT_CALCRECT | DT_WORDBREAK, nullptr);
        return TSize(r.Width(), r.Height());
      }
      SIZE sz{};
      if (!GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(s.c_str()), static_cast<int>(s.size()), &sz))
        return TSize();
      return TSize(sz.cx, sz.cy);
    };
    TSize size = measure(text);
    if (isItalic) size.cx += measure(u"I").cx;
    return size;
  });
}
