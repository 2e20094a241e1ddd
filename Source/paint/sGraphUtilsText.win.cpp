// sGraphUtils: captions in the colours of a skin section, with their outline copies and glow.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/kvgpUtils.h"
#include "skin/sCommonData.h"
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

}  // namespace

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
  const intptr_t answer =
      ctrl->Perform(SM_ALPHACMD, uintptr_t(KV_GETFONTINDEX) << 16, reinterpret_cast<intptr_t>(&info));
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
      std::unique_ptr<TBitmap> mask;
      kvDrawGlowForText(skinData->FCacheBmp.get(), text, aRect, flags, 15, look.GlowSize,
                        UpdateColor(TColor(look.GlowColor), skinData), mask);
    }
  }
  if (!enabled) {
    canvas->Font()->SetColor(
        UpdateColor(BlendColors(TColor(look.FontColor.Color), manager->GetGlobalColor(), DefBlendDisabled), skinData));
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
