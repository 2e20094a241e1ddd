// sGraphUtils: the Windows side of the skin item painter. GDI's steps for the portable painter
// (fills and blits of items that are not 32-bit, GDI+ gradients, round masks and border
// lines, the developer's warning), the forms that take GDI handles or a control's skin data,
// and the custom border of a control.
#include <windows.h>

#include <algorithm>
#include <memory>

#include "base/kvntTypes.h"
#include "base/kvntUtils.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/kvgpUtils.h"
#include "raster/sGradient.h"
#include "skin/FormServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"

// ---- GDI's steps ----------------------------------------------------------------------------------

namespace {

void GdiFill(TBitmap* item, const TRect& r, TColor color) { FillDC(item->Canvas()->Handle(), r, color, 0); }

void GdiCopy(TBitmap* dst, Integer dx, Integer dy, Integer w, Integer h, TBitmap* src, Integer sx, Integer sy) {
  BitBlt(dst->Canvas()->Handle(), dx, dy, w, h, src->Canvas()->Handle(), sx, sy, SRCCOPY);
}

std::unique_ptr<TGradientDevice> GdiGradient(TBitmap* bmp) { return MakeGradientDevice(bmp); }

TPixelView CachedRoundMask(Integer radius) { return ViewOf(GetRoundMask(radius)); }

void GdiPlusLine(TBitmap* bmp, const TRect& r, const TkvBorderLine& line) {
  HDC dc = bmp->Canvas()->Handle();
  const TSet<TkvSide>* sides = line.AllSides ? nullptr : &line.Sides;
  if (!line.HasRadii) {
    kvgpDrawRect(dc, r, line.Width, line.Color | 0xFF000000u, sides);
    return;
  }
  const Integer values[4] = {line.Radii.Value0, line.Radii.Value1, line.Radii.Value2, line.Radii.Value3};
  kvgpRoundRect(dc, r.Left, r.Top, r.Width(), r.Height(), line.Width, kvColorToRGB(line.Color), values, sides);
}

// A caller's mistake, told to the developer only while a debugger is attached.
void WarnDeveloper(const char16_t* procedure) {
  if (IsIDERunning()) Alert(String(u"Check parameters of the ") + procedure + u" procedure.");
}

const TkvItemSteps kGdiSteps = [] {
  TkvItemSteps s;
  s.FillForeign = GdiFill;
  s.CopyForeign = GdiCopy;
  s.GradientDevice = GdiGradient;
  s.RoundMask = CachedRoundMask;
  s.BorderLine = GdiPlusLine;
  s.WrongSkinData = WarnDeveloper;
  return s;
}();

TkvItemPainter GdiPainter() { return TkvItemPainter(kGdiSteps); }

// The border line of a control's custom border: its width and colours where they are set,
// all four sides, and the corners scaled and limited for the control.
TkvBorderLine CustomBorderLine(TkvPaintBorderData& border, const TsGeneralData& gd, Integer aState) {
  TkvBorderLine line;
  line.Width = border.Width();
  line.Radii = {border.GetCorner(0), border.GetCorner(1), border.GetCorner(2), border.GetCorner(3)};
  line.HasRadii = true;
  line.AllSides = false;
  line.Sides = TSet<TkvSide>{asLeft, asTop, asRight, asBottom};
  TColor color = border.GetColor(0);
  if (aState >= 1 && border.GetColor(1) != clNone) color = border.GetColor(1);
  if (aState >= 2 && border.GetColor(2) != clNone) color = border.GetColor(2);
  if (line.Width < 0) line.Width = gd.BorderWidth;
  line.Color = color == clNone ? TColor(gd.Props[size_t(std::clamp(aState, 0, 2))].BorderColor) : color;
  return line;
}

// The line TryPaintBorder draws: the custom border's when it is set, else the section's, with
// the corners the procedure leaves.
TkvBorderLine ResolvedBorderLine(const TsGeneralData& gd, Integer aState, TkvPaintBorderData* customBorderData,
                                 TkvUpdateCornersProc updateCornersProc) {
  TkvBorderLine line = customBorderData && customBorderData->IsChanged()
                           ? CustomBorderLine(*customBorderData, gd, aState)
                           : SectionBorderLine(gd, aState, updateCornersProc != nullptr);
  if (line.HasRadii && updateCornersProc) {
    TSet<TkvSide>* sides = line.AllSides ? nullptr : &line.Sides;
    updateCornersProc(customBorderData, line.Radii, sides);
    line.AllSides = sides == nullptr;
    if (sides) line.Sides = *sides;
  }
  return line;
}

}  // namespace

const TkvItemSteps& GdiItemSteps() { return kGdiSteps; }

// ---- The index, fast and background forms -----------------------------------------------------------

void PaintItemBG(Integer skinIndex, const TCacheInfo& ci, Integer state, const TRect& r, const TPoint& pP,
                 TBitmap* itemBmp, TkvObject* commonSkinData, Integer textureIndex, Integer hotTextureIndex,
                 TColor customColor) {
  GdiPainter().PaintItemBG(skinIndex, ci, state, r, pP, itemBmp, commonSkinData, textureIndex, hotTextureIndex,
                           customColor);
}

void PaintItemBGFast(Integer skinIndex, Integer bgIndex, Integer bgHotIndex, const TCacheInfo& ci, Integer state,
                     const TRect& r, const TPoint& pP, TBitmap* itemBmp, TkvObject* commonSkinData) {
  GdiPainter().PaintItemBGFast(skinIndex, bgIndex, bgHotIndex, ci, state, r, pP, itemBmp, commonSkinData);
}

void PaintItem(Integer skinIndex, const TCacheInfo& ci, bool /*filling*/, Integer state, const TRect& r,
               const TPoint& pP, TBitmap* itemBmp, TkvObject* commonSkinData, Integer /*bgIndex*/,
               Integer /*bgHotIndex*/) {
  GdiPainter().PaintItem(skinIndex, ci, state, r, pP, itemBmp, commonSkinData);
}

void PaintItem(Integer skinIndex, const TCacheInfo& ci, bool /*filling*/, Integer state, const TRect& r,
               const TPoint& pP, TBitmap* itemBmp, TkvObject* commonSkinData, const TsMaskData& md) {
  GdiPainter().PaintItem(skinIndex, ci, state, r, pP, itemBmp, commonSkinData, md);
}

void PaintItemFast(Integer skinIndex, Integer maskIndex, Integer bgIndex, Integer bgHotIndex, const TCacheInfo& ci,
                   bool /*filling*/, Integer state, const TRect& r, const TPoint& pP, TBitmap* itemBmp,
                   TkvObject* commonSkinData) {
  GdiPainter().PaintItemFast(skinIndex, maskIndex, bgIndex, bgHotIndex, ci, state, r, pP, itemBmp, commonSkinData);
}

// ---- The forms on GDI handles ----------------------------------------------------------------------

void PaintItem(Integer skinIndex, const TCacheInfo& ci, bool filling, Integer state, const TRect& r, const TPoint& pP,
               HDC dc, TkvObject* commonSkinData) {
  auto* sd = dynamic_cast<TkvSkinData*>(commonSkinData);
  if (!sd) WarnDeveloper(u"PaintItem 2");
  if (!SkinSection(sd, skinIndex) || !dc || r.Left < 0 || r.Top < 0 || r.Right <= r.Left || r.Bottom <= r.Top) return;
  TSaveDC saved(dc);
  std::unique_ptr<TBitmap> bmp(CreateBmp32(r.Width(), r.Height()));
  PaintItem(skinIndex, ci, filling, state, TRect(0, 0, r.Width(), r.Height()), pP, bmp.get(), commonSkinData, -1, -1);
  BitBlt(dc, r.Left, r.Top, r.Width(), r.Height(), bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
}

Integer PaintSection(TBitmap* bmp, Integer sectionIndex, Integer secondIndex, Integer state, TkvObject* commonSkinData,
                     const TPoint& parentOffset, TColor bgColor, HDC parentDC) {
  const Integer section = sectionIndex >= 0 ? sectionIndex : secondIndex;
  if (section < 0 || !bmp) return section;
  TCacheInfo ref;
  ref.FillColor = bgColor;
  ref.Ready = parentDC != nullptr;
  if (ref.Ready) {
    BitBlt(bmp->Canvas()->Handle(), 0, 0, bmp->Width(), bmp->Height(), parentDC, parentOffset.X, parentOffset.Y,
           SRCCOPY);
    ref.Bmp = bmp;
  }
  PaintItem(section, ref, true, state, TRect(0, 0, bmp->Width(), bmp->Height()), TPoint(0, 0), bmp, commonSkinData, -1,
            -1);
  return section;
}

// ---- The GDI+ border ---------------------------------------------------------------------------------

bool TryPaintBorder(TBitmap* aBmp, const TRect& aRect, const TsGeneralData& gd, Integer aState, const TCacheInfo& bgRef,
                    TkvPaintBorderData* customBorderData, Integer iPPI, TkvUpdateCornersProc updateCornersProc) {
  if (!aBmp) return false;
  return GdiPainter().PaintBorder(aBmp, aRect, gd, aState, bgRef,
                                  ResolvedBorderLine(gd, aState, customBorderData, updateCornersProc), iPPI);
}

void UpdateCtrlCornersProc(TkvPaintBorderData* paintBorderData, TkvIntValues& c, TSet<TkvSide>*& /*outSides*/) {
  TControl* ctrl = paintBorderData ? dynamic_cast<TControl*>(paintBorderData->FOwnerObject) : nullptr;
  if (!ctrl) return;
  auto cut = [](Integer& a, Integer& b, Integer side) {
    if (a + b > side - 1) a = b = (side - 1) / 2;
  };
  if (ctrl->Width() < ctrl->Height()) {
    cut(c.Value0, c.Value1, ctrl->Width());
    cut(c.Value2, c.Value3, ctrl->Width());
  } else {
    cut(c.Value0, c.Value2, ctrl->Height());
    cut(c.Value1, c.Value3, ctrl->Height());
  }
}

// ---- The control forms -------------------------------------------------------------------------------

namespace {
// The owner's own colour as the custom colour of its item, clFuchsia for the look's: a form's
// skin provider gives its form's colour, a control its own.
TColor CustomColorOf(TsCommonData* skinData) {
  if (!skinData->FCustomColor) return clFuchsia;
  if (auto* provider = dynamic_cast<TkvFormProvider*>(skinData->FOwnerObject)) {
    TForm* form = provider->ProviderForm();
    return form ? kvColorToRGB(form->Color(), skinData->GetSkinManager()) : clFuchsia;
  }
  if (!skinData->FOwnerControl) return clFuchsia;
  return kvColorToRGB(skinData->FOwnerControl->Color(), skinData->GetSkinManager());
}
}  // namespace

void PaintItemBG(TsCommonData* skinData, const TCacheInfo& ci, Integer state, const TRect& r, const TPoint& pP,
                 TBitmap* itemBmp, Integer /*offsetX*/, Integer /*offsetY*/) {
  if (!skinData) return;
  PaintItemBG(skinData->SkinIndex, ci, state, r, pP, itemBmp, skinData->GetCommonSkinData(), -1, -1,
              CustomColorOf(skinData));
}

void PaintItem(TsCommonData* skinData, const TCacheInfo& ci, bool /*filling*/, Integer state, const TRect& r,
               const TPoint& pP, TBitmap* itemBmp, bool updateCorners, Integer /*offsetX*/, Integer /*offsetY*/,
               bool colorsAutoUpdate) {
  if (!skinData || !itemBmp) return;
  DuRiruZireziv* manager = skinData->GetSkinManager();
  TkvSkinData* sd = skinData->GetCommonSkinData();
  const TsGeneralData* gd = SkinSection(sd, skinData->SkinIndex);
  if (!manager || !gd) return;
  TkvControlItem item;
  item.SkinData = sd;
  item.Manager = manager;
  item.SkinIndex = skinData->SkinIndex;
  item.CustomColor = CustomColorOf(skinData);
  item.CustomBorder = skinData->FCustomBorder && skinData->FCustomBorder->IsChanged();
  // The border's widths and radii are unscaled values of the 96-PPI section.
  const auto& unscaled = manager->gd();
  if (IsValidIndex(skinData->SkinIndex, Integer(unscaled.size()))) {
    item.BorderSection = &unscaled[size_t(skinData->SkinIndex)];
    const Integer look = std::clamp(std::clamp(state, 0, std::max(gd->States, 1) - 1), 0, 2);
    item.Border = ResolvedBorderLine(*item.BorderSection, look, skinData->FCustomBorder.get(), UpdateCtrlCornersProc);
  }
  item.PPI = skinData->CurrentPPI;
  item.HasTone = skinData->FColorTone != clNone;
  if (item.HasTone) item.Tone = TColor(kvColorToRGB(skinData->FColorTone, manager));
  item.HueOffset = skinData->FHUEOffset;
  item.Saturation = skinData->FSaturation;
  GdiPainter().PaintControlItem(item, ci, state, r, pP, itemBmp, updateCorners, colorsAutoUpdate);
}
