// sAlphaGraph, the steps that need the class library's controls and windows: the disabled
// look (the parent's colour) and the corner refresh of a control's cache from its parent's
// current background.
#include <windows.h>

#include <algorithm>

#include "paint/sAlphaGraph.h"
#include "skin/sCommonData.h"
#include "skin/sMaskData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"
#include "ui/Controls.h"

void BmpDisabledKind(TBitmap* bmp, TSet<TsDisabledKind> disabledKind, TControl* parent, const TCacheInfo& ci,
                     const TPoint& offset) {
  if (!bmp) return;
  if (disabledKind.Contains(dkGrayed)) {
    if (DefDisabledSaturation == -100)
      GrayScale(bmp);
    else
      ChangeBitmapPixels(bmp, ChangeColorSaturation, DefDisabledSaturation * 255 / 100, clFuchsia);
  }
  if (disabledKind.Contains(dkBlended)) {
    TRect r{0, 0, bmp->Width(), bmp->Height()};
    if (ci.Ready) {
      const Integer dx = ci.X + offset.X, dy = ci.Y + offset.Y;
      r = {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
      BlendTransRectangle(bmp, 0, 0, ci.Bmp, r, DefBlendDisabled, clFuchsia);
    } else {
      const TColor color = ci.FillColor == clFuchsia ? GetControlColor(parent) : ci.FillColor;
      BlendColorRect(bmp, r, DefBlendDisabled, color);
    }
  }
}

namespace {

// The parent's background behind the control or window of the skin data.
TkvBGInfo ParentBackground(TsCommonData* sd) {
  TkvBGInfo bg;
  bg.PleaseDraw = false;
  bg.DrawDC = nullptr;
  TControl* owner = sd->FOwnerControl;
  if (owner && owner->Parent())
    GetBGInfo(&bg, owner->Parent(), false);
  else
    GetBGInfo(&bg, GetParent(sd->FSWHandle), false);
  return bg;
}

// The control's (or window's) position in its parent, where the parent's answer is relative to.
TPoint PositionInParent(TsCommonData* sd) {
  if (TControl* owner = sd->FOwnerControl) return {owner->Left(), owner->Top()};
  RECT wr{};
  if (!sd->FSWHandle || !GetWindowRect(sd->FSWHandle, &wr)) return {0, 0};
  POINT p{wr.left, wr.top};
  ScreenToClient(GetParent(sd->FSWHandle), &p);
  return {p.x, p.y};
}

// The four corners in the order of their bits: left-top, left-bottom, right-top, right-bottom.
bool Has(TSet<TsCorner> corners, TsCorner c) { return corners.Contains(c); }

}  // namespace

void UpdateCorners(TsCommonData* skinData, Integer state, TSet<TsCorner> corners) {
  if (!skinData) return;
  DuRiruZireziv* manager = skinData->GetSkinManager();
  if (!manager || !manager->IsActive()) return;
  TBitmap* cache = skinData->FCacheBmp.get();
  TkvSkinData* sd = skinData->GetCommonSkinData();
  const Integer W = cache ? cache->Width() : 0, H = cache ? cache->Height() : 0;

  // A control's own rounded border: the parent's pixels behind the corner squares. A radius
  // larger than the control is limited by its width as well as its height.
  TkvPaintBorderData* border = skinData->FCustomBorder.get();
  if (border && border->IsChanged()) {
    if (!skinData->FOwnerControl || !cache) return;
    TkvBGInfo bg = ParentBackground(skinData);
    const TPoint p{bg.Offset.X + skinData->FOwnerControl->Left(), bg.Offset.Y + skinData->FOwnerControl->Top()};
    const TsCorner order[4] = {scLeftTop, scRightTop, scLeftBottom, scRightBottom};
    const Integer radiusIndex[4] = {0, 1, 2, 3};
    for (int i = 0; i < 4; ++i) {
      const Integer r = border->GetRadius(radiusIndex[i]);
      if (!Has(corners, order[i]) || r <= 0) continue;
      const Integer rw = std::min(W, r), rh = std::min(H, r);
      const Integer x = order[i] == scRightTop || order[i] == scRightBottom ? W - rw : 0;
      const Integer y = order[i] == scLeftBottom || order[i] == scRightBottom ? H - rh : 0;
      FillTransPixels32(cache, bg.Bmp, {x, y, x + rw, y + rh}, {p.X + x, p.Y + y}, -1, sd, kCornerTopLeft, bg.Color);
    }
    return;
  }
  if (skinData->SkinIndex < 0 || !cache || !sd || skinData->SkinIndex >= static_cast<Integer>(sd->gd.size())) return;
  const TsGeneralData& gd = sd->gd[static_cast<size_t>(skinData->SkinIndex)];

  if (manager->IsValidImgIndex(gd.BorderIndex) && gd.BorderIndex < static_cast<Integer>(sd->ma.size())) {
    TsMaskData md = sd->ma[static_cast<size_t>(gd.BorderIndex)];
    if (!(md.Cfg & 1)) return;
    TkvBGInfo bg = ParentBackground(skinData);
    if (md.Bmp && md.ImageCount == 0) {
      md.MaskType = 1;
      md.ImageCount = 3;
      md.R = {0, 0, md.Bmp->Width(), md.Bmp->Height()};
    }
    if (bg.BgType == btCache) {
      const TPoint at = PositionInParent(skinData);
      bg.Offset = {bg.Offset.X + at.X, bg.Offset.Y + at.Y};
    }
    if (md.ImageCount < 1) return;
    state = std::clamp(state, 0, md.ImageCount - 1);
    const Integer wl = md.WL, wt = md.WT, wr = md.WR, wb = md.WB, mid = md.Width - wl - wr;
    const Integer mx = md.R.Left + state * md.Width, my = md.R.Top, dh = md.Height;
    TBitmap* src = md.Bmp ? md.Bmp : manager->MasterBitmap.get();
    if (md.MaskType == 0 && !(md.DrawMode & BDM_ALPHA)) {
      const Integer rx = mx + wl + mid, bottom = md.R.Bottom;
      if (Has(corners, scLeftTop)) CopyTransCorner(src, 0, 0, {mx, my, mx + wl - 1, my + wt - 1}, bg, skinData);
      if (Has(corners, scLeftBottom))
        CopyTransCorner(src, 0, H - wb, {mx, bottom - wb, mx + wl - 1, bottom - 1}, bg, skinData);
      if (Has(corners, scRightBottom))
        CopyTransCorner(src, W - wr, H - wb, {rx, bottom - wb, rx + wr - 1, bottom - 1}, bg, skinData);
      if (Has(corners, scRightTop)) CopyTransCorner(src, W - wr, 0, {rx, my, rx + wr - 1, my + wt - 1}, bg, skinData);
    } else {
      const bool useAlpha = md.MaskType == 0;
      const Integer rx = mx + wl + mid;
      if (Has(corners, scLeftTop))
        CopyMasterCorner({0, 0, wl, wt}, {mx, my, mx + wl, my + wt}, src, bg, skinData, useAlpha);
      if (Has(corners, scLeftBottom))
        CopyMasterCorner({0, H - wb, wl, H}, {mx, my + dh - wb, mx + wl, my + dh}, src, bg, skinData, useAlpha);
      if (Has(corners, scRightBottom))
        CopyMasterCorner({W - wr, H - wb, W, H}, {rx, my + dh - wb, rx + wr, my + dh}, src, bg, skinData, useAlpha);
      if (Has(corners, scRightTop))
        CopyMasterCorner({W - wr, 0, W, wt}, {rx, my, rx + wr, my + wt}, src, bg, skinData, useAlpha);
    }
    return;
  }

  if (gd.BorderRadius > 0) {
    TkvBGInfo bg = ParentBackground(skinData);
    TPoint p = bg.Offset;
    if (TControl* owner = skinData->FOwnerControl) p = {p.X + owner->Left(), p.Y + owner->Top()};
    const Integer wRad = std::min(W, gd.BorderRadius), hRad = std::min(H, gd.BorderRadius);
    const TsCorner order[4] = {scLeftTop, scRightTop, scLeftBottom, scRightBottom};
    for (TsCorner c : order) {
      if (!Has(corners, c)) continue;
      const Integer x = c == scRightTop || c == scRightBottom ? W - wRad : 0;
      const Integer y = c == scLeftBottom || c == scRightBottom ? H - hRad : 0;
      FillTransPixels32(cache, bg.Bmp, {x, y, x + wRad, y + hRad}, {p.X + x, p.Y + y}, -1, sd, kCornerTopLeft,
                        bg.Color);
    }
  }
}
