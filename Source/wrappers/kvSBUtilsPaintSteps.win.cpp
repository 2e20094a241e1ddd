#include "wrappers/kvSBUtilsPaintSteps.h"

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"
#include "ui/Controls.h"
#include "ui/Graphics.h"

namespace wrapsteps {

TkvSkinData* SkinOf(TsCommonData* sd) { return sd && sd->GetSkinManager() ? sd->GetCommonSkinData() : nullptr; }

bool ValidSection(const TkvSkinData* skin, Integer index) {
  return skin && index >= 0 && size_t(index) < skin->gd.size();
}

const TsMaskData* ImageOf(const TkvSkinData* skin, Integer index) {
  return skin && index >= 0 && size_t(index) < skin->ma.size() ? &skin->ma[size_t(index)] : nullptr;
}

const TsMaskData* SectionImage(TkvSkinData* skin, StringView section, StringView propName) {
  if (!skin || skin->GetSkinIndex(section) < 0) return nullptr;
  return ImageOf(skin, skin->GetMaskIndex(section, propName));
}

TBitmap* SizeCache(TkvMainWnd* w) {
  TsCommonData* sd = w->SkinData;
  if (!sd->FCacheBmp) sd->FCacheBmp = std::make_unique<TBitmap>(0, 0, pf32bit);
  if (sd->FCacheBmp->PixelFormat() != pf32bit) sd->FCacheBmp->SetPixelFormat(pf32bit);
  if (sd->FCacheBmp->Width() != w->WndSize.cx || sd->FCacheBmp->Height() != w->WndSize.cy)
    sd->FCacheBmp->SetSize(w->WndSize.cx, w->WndSize.cy);
  return sd->FCacheBmp.get();
}

TCacheInfo ParentCI(TkvMainWnd* w) {
  TCacheInfo ci = GetParentCacheHwnd(w->CtrlHandle);
  return ci;
}

void CopyBmp(HDC dc, Integer x, Integer y, Integer w, Integer h, TBitmap* src, Integer sx, Integer sy) {
  if (!dc || !src) return;
  BitBlt(dc, x, y, w, h, src->Canvas()->Handle(), sx, sy, SRCCOPY);
}

bool IsShown(TkvMainWnd* w) {
  if (TControl* c = w->OwnerControl()) return c->Visible() && IsWindowVisible(w->CtrlHandle);
  return IsWindowVisible(w->CtrlHandle) != FALSE;
}

std::unique_ptr<TBitmap> NewBmp32(Integer w, Integer h) { return std::unique_ptr<TBitmap>(CreateBmp32(w, h)); }

void BlendDisabled(TBitmap* cache, const TCacheInfo& ci, TPoint at) {
  if (ci.Ready && ci.Bmp) {
    TRect r(0, 0, cache->Width(), cache->Height());
    MoveRect(r, at.X + ci.X, at.Y + ci.Y);
    BlendTransRectangle(cache, 0, 0, ci.Bmp, r, DefBlendDisabled, 0xFF00FF);
  } else {
    BlendTransBitmap(cache, DefBlendDisabled, ci.FillColor);
  }
}

Integer BorderWidthOf(HWND wnd) {
  RECT w{}, c{};
  GetWindowRect(wnd, &w);
  GetClientRect(wnd, &c);
  return ((w.right - w.left) - c.right) / 2;
}

}  // namespace wrapsteps
