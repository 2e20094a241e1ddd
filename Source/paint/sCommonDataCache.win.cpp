// The corner-repainting steps of a control's skin data: recolouring a rendered bitmap, copying
// the cache around a control's or a window's children, and the transparent-corner region.
#include "paint/sCommonDataCache.h"

#include <vector>

#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "skin/sCommonData.h"
#include "skin/sMaskData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Bitmap.h"
#include "ui/Controls.h"
#include "ui/GdiScopes.h"

namespace {

constexpr TColor kKeyColor = TColor(0xFF00FF);
constexpr Integer kNoTone = 0x1FFFFFFF;
const TSet<TsCorner> kAllCorners{scLeftTop, scLeftBottom, scRightTop, scRightBottom};

bool HasCache(TsCommonData* skinData) { return skinData && skinData->FCacheBmp && !skinData->FCacheBmp->Empty(); }

void CopyCacheInto(TsCommonData* skinData, const TRect& srcRect, const TRect& dstRect, HDC dstDC) {
  BitBlt(dstDC, dstRect.Left, dstRect.Top, dstRect.Width(), dstRect.Height(), skinData->FCacheBmp->Canvas()->Handle(),
         srcRect.Left, srcRect.Top, SRCCOPY);
}

// The border widths of the default manager's group-box section in skinData's skin data;
// false without a default manager.
bool GroupBoxBorder(TsCommonData* skinData, Integer& wl, Integer& wr, Integer& wb) {
  wl = wr = wb = 0;
  if (!DefaultManager) return false;
  TkvSkinData* sd = skinData->GetCommonSkinData();
  const Integer index = DefaultManager->SkinCommonInfo.Sections[ssGroupBox];
  if (!sd || index < 0 || index >= static_cast<Integer>(sd->gd.size())) return true;
  const Integer border = sd->gd[static_cast<size_t>(index)].BorderIndex;
  if (border < 0 || border >= static_cast<Integer>(sd->ma.size())) return true;
  const TsMaskData& md = sd->ma[static_cast<size_t>(border)];
  wl = md.WL;
  wr = md.WR;
  wb = md.WB;
  return true;
}

}  // namespace

void UpdateBmpColors(TBitmap* bmp, TsCommonData* skinData, bool /*checkCorners*/, Integer state, Integer colorToneBG) {
  if (!bmp || !skinData) return;
  DuRiruZireziv* manager = skinData->GetSkinManager();
  const bool button = skinData->COC == COC_TsButton || skinData->COC == COC_TsBitBtn;
  const Integer tone = button ? colorToneBG : Integer(skinData->FColorTone);
  if (tone != kNoTone && !(button && tone == 0))
    ChangeBitmapPixels(bmp, ChangeColorTone, kvColorToRGB(tone, manager), kKeyColor);
  if (skinData->FHUEOffset != 0) ChangeBitmapPixels(bmp, ChangeColorHUE, skinData->FHUEOffset, kKeyColor);
  if (skinData->FSaturation != 0)
    ChangeBitmapPixels(bmp, ChangeColorSaturation, LimitIt(skinData->FSaturation * 255 / 100, -255, 255), kKeyColor);
  UpdateCorners(skinData, state, kAllCorners);
}

void CopyWinControlCache(TWinControl* control, TsCommonData* skinData, const TRect& srcRect, const TRect& dstRect,
                         HDC dstDC, bool updateCorners, Integer offsetX, Integer offsetY) {
  if (!HasCache(skinData) || !dstDC) return;
  if (updateCorners && !(skinData->FCustomBorder && skinData->FCustomBorder->IsChanged()))
    UpdateCorners(skinData, 0, kAllCorners);
  TSaveDC saved(dstDC);
  IntersectClipRect(dstDC, dstRect.Left, dstRect.Top, dstRect.Right, dstRect.Bottom);
  if (control) {
    const bool graphicsSeeThrough = DefaultManager && DefaultManager->Options.StdImgTransparency;
    for (Integer i = 0; i < control->ControlCount(); ++i) {
      TControl* child = control->Controls(i);
      const bool graphic = !dynamic_cast<TWinControl*>(child);
      if (graphic && graphicsSeeThrough) continue;
      if (!child->Visible()) continue;
      const TRect b = child->BoundsRect();
      const TRect r{b.Left + offsetX, b.Top + offsetY, b.Right + offsetX, b.Bottom + offsetY};
      if (!RectIsVisible(dstRect, r)) continue;
      if (!child->ControlStyle().Contains(csOpaque) && !graphic && SendAMessage(child, KV_ISOPAQUE) != 1) continue;
      ExcludeClipRect(dstDC, r.Left, r.Top, r.Right, r.Bottom);
    }
  }
  CopyCacheInto(skinData, srcRect, dstRect, dstDC);
}

void CopyHwndCache(HWND hwnd, TsCommonData* skinData, const TRect& srcRect, const TRect& dstRect, HDC dstDC,
                   bool updateCorners, Integer offsetX, Integer offsetY) {
  if (!HasCache(skinData) || !dstDC) return;
  if (updateCorners) UpdateCorners(skinData, 0, kAllCorners);
  TSaveDC saved(dstDC);
  IntersectClipRect(dstDC, dstRect.Left, dstRect.Top, dstRect.Right, dstRect.Bottom);
  RECT parent{};
  if (hwnd && GetWindowRect(hwnd, &parent)) {
    for (HWND child = GetTopWindow(hwnd); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (!IsWindowVisible(child)) continue;
      RECT w{};
      GetWindowRect(child, &w);
      const TRect r{w.left - parent.left - offsetX, w.top - parent.top - offsetY, w.right - parent.left - offsetX,
                    w.bottom - parent.top - offsetY};
      const LONG style = GetWindowLongW(child, GWL_STYLE);
      const bool groupBox = (style & 7) == 7 && !(GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
      if (!groupBox) {
        ExcludeClipRect(dstDC, r.Left, r.Top, r.Right, r.Bottom);
        continue;
      }
      // Only the frame covers the background; the interior shows the cache behind its children.
      Integer wl, wr, wb;
      if (!GroupBoxBorder(skinData, wl, wr, wb)) continue;
      const Integer captionHeight = Integer(SendAMessage(child, KV_GETSERVICEINT));
      ExcludeClipRect(dstDC, r.Left, r.Top, r.Right, r.Top + captionHeight);
      ExcludeClipRect(dstDC, r.Left, r.Top, r.Left + wl, r.Bottom);
      ExcludeClipRect(dstDC, r.Right - wr, r.Top, r.Right, r.Bottom);
      ExcludeClipRect(dstDC, r.Left, r.Bottom - wb, r.Right, r.Bottom);
    }
  }
  CopyCacheInto(skinData, srcRect, dstRect, dstDC);
}

TOwnedRegion GetTransCornersRgn(Integer sectionIndex, TBitmap* bmp, TkvSkinData* sd) {
  if (!bmp || !sd || sectionIndex < 0 || sectionIndex >= static_cast<Integer>(sd->gd.size())) return {};
  const Integer border = sd->gd[static_cast<size_t>(sectionIndex)].BorderIndex;
  if (border < 0 || border >= static_cast<Integer>(sd->ma.size())) return {};
  const TsMaskData& md = sd->ma[static_cast<size_t>(border)];
  std::vector<TRect> corners;
  AddRgn(corners, bmp->Width(), md, 0, false, 0);
  AddRgn(corners, bmp->Width(), md, bmp->Height() - md.WB, true, 0);
  TOwnedRegion region(CreateRectRgn(0, 0, bmp->Width(), bmp->Height()));
  for (const TRect& r : corners) {
    FillRect32(bmp, r, 0, 0);
    TOwnedRegion piece(CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom));
    if (piece && region) CombineRgn(region.get(), region.get(), piece.get(), RGN_DIFF);
  }
  return region;
}
