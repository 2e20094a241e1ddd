#include "wrappers/kvSBUtilsTrackBar.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "raster/Resampling.h"
#include "raster/Shapes.h"
#include "skin/sVclUtils.h"
#include "ui/GdiScopes.h"
#include "wrappers/kvSBUtilsPaintSteps.h"

using namespace wrapsteps;

TW_DEFINE_CLASS(TkvTrackWnd) {}

void RotateBmp180(TBitmap* bmp, bool horz) {
  if (!bmp || bmp->PixelFormat() != pf32bit) return;
  TPixelView v = bmp->View();
  const Integer w = bmp->Width(), h = bmp->Height();
  if (horz) {
    for (Integer y = 0; y < h; ++y)
      for (Integer x = 0; x < w / 2; ++x) std::swap(v.At(x, y), v.At(w - 1 - x, y));
  } else {
    for (Integer x = 0; x < w; ++x)
      for (Integer y = 0; y < h / 2; ++y) std::swap(v.At(x, y), v.At(x, h - 1 - y));
  }
}

void TkvTrackWnd::AfterCreation() {
  TickHeight = 4;
  TkvMainWnd::AfterCreation();
}

bool TkvTrackWnd::IsVertical() const { return (GetWindowLongW(CtrlHandle, GWL_STYLE) & TBS_VERT) != 0; }

Integer TkvTrackWnd::TickMarks() const {
  const LONG s = GetWindowLongW(CtrlHandle, GWL_STYLE);
  if (s & TBS_BOTH) return 2;
  return (s & TBS_TOP) ? 1 : 0;
}

Integer TkvTrackWnd::TickStyle() const { return (GetWindowLongW(CtrlHandle, GWL_STYLE) & TBS_NOTICKS) ? 0 : 1; }

Integer TkvTrackWnd::TickCount() { return Integer(ProcessMessage(TBM_GETNUMTICS, 0, 0)); }

TRect TkvTrackWnd::ThumbRect() {
  TRect r(0, 0, 1, 1);
  ProcessMessage(TBM_GETTHUMBRECT, 0, reinterpret_cast<TLParam>(&r));
  return r;
}

TRect TkvTrackWnd::ChannelRect() {
  TRect r(0, 0, 1, 1);
  ProcessMessage(TBM_GETCHANNELRECT, 0, reinterpret_cast<TLParam>(&r));
  // A vertical control reports its channel turned.
  if (IsVertical()) r = TRect(r.Top, r.Left, r.Bottom, r.Right);
  return r;
}

std::vector<TPoint> TkvTrackWnd::TicksArray() {
  const TRect ch = ChannelRect(), th = ThumbRect();
  const Integer n = TickCount();
  std::vector<TPoint> out;
  const bool vert = IsVertical();
  const Integer length = vert ? ch.Height() : ch.Width(), thumb = vert ? th.Height() : th.Width();
  iStep = n >= 2 ? double(length - thumb) / double(n - 1) : 0;
  for (Integer c : TrackTickCoords(vert ? ch.Top : ch.Left, length, thumb, n))
    out.push_back(vert ? TPoint(0, c) : TPoint(c, 0));
  return out;
}

void TkvTrackWnd::PaintTick(TPoint p, bool horz) {
  TkvSkinData* skin = SkinOf(SkinData);
  TBitmap* cache = SkinData->FCacheBmp.get();
  if (const TsMaskData* md = SectionImage(skin, u"TRACKBAR", horz ? u"TICKHORZ" : u"TICKVERT")) {
    if (horz)
      p.X -= md->Width;
    else
      p.Y -= md->Height;
    DrawSkinGlyph(cache, p, Mode(), 1, *md, MakeCacheInfo(cache, 0, 0));
    return;
  }
  TRect r = horz ? TRect(p.X, p.Y, p.X + 2, p.Y + TickHeight) : TRect(p.X, p.Y, p.X + TickHeight, p.Y + 2);
  Integer width = 1;
  DrawRectangleOnDC(cache->Canvas()->Handle(), r, ColorToRGB(clBtnShadow), clWhite, width);
}

void TkvTrackWnd::PaintTicksHor() {
  if (TickStyle() == 0) return;
  const TRect ch = ChannelRect(), th = ThumbRect();
  const Integer c = (th.Height() - ch.Height()) / 2 + 2;
  const Integer marks = TickMarks();
  for (const TPoint& t : TicksArray()) {
    if (marks == 1 || marks == 2) PaintTick(TPoint(t.X, ch.Top - c - TickHeight), true);
    if (marks == 0 || marks == 2) PaintTick(TPoint(t.X, ch.Bottom + c), true);
  }
}

void TkvTrackWnd::PaintTicksVer() {
  if (TickStyle() == 0) return;
  const TRect ch = ChannelRect(), th = ThumbRect();
  const Integer c = (th.Width() - ch.Width()) / 2 + 2;
  const Integer marks = TickMarks();
  for (const TPoint& t : TicksArray()) {
    if (marks == 1 || marks == 2) PaintTick(TPoint(ch.Left - c - TickHeight, t.Y), false);
    if (marks == 0 || marks == 2) PaintTick(TPoint(ch.Right + c, t.Y), false);
  }
}

void TkvTrackWnd::PaintBar() {
  TkvSkinData* skin = SkinOf(SkinData);
  TBitmap* cache = SkinData->FCacheBmp.get();
  TRect r = ChannelRect();
  if (const TsMaskData* md = SectionImage(skin, u"TRACKBAR", u"SLIDERCHANNEL")) {
    if (IsVertical()) {
      const Integer w = md->Width - 1;
      r.Left += (r.Width() - w) / 2;
      r.Right = r.Left + w;
    } else {
      const Integer h = md->Height - 1;
      r.Top += (r.Height() - h) / 2;
      r.Bottom = r.Top + h;
    }
    DrawSkinRect(cache, r, MakeCacheInfo(cache, 0, 0), *md, SkinData->ControlIsActive() ? 1 : 0, false);
  }
  if (IsVertical())
    PaintTicksVer();
  else
    PaintTicksHor();
}

void TkvTrackWnd::PaintThumb() {
  TkvSkinData* skin = SkinOf(SkinData);
  TBitmap* cache = SkinData->FCacheBmp.get();
  const TRect t = ThumbRect();
  const TsMaskData* md = IsVertical() ? SectionImage(skin, u"TRACKBAR", u"SLIDERVMASK") : nullptr;
  if (!md) md = SectionImage(skin, u"TRACKBAR", u"SLIDERMASK");
  if (!md || t.IsEmpty()) return;
  const TSize s(md->Width, md->Height);
  const bool fixed = IsVertical() ? t.Width() == 23 : t.Height() == 23;
  const bool scaling = !fixed && (t.Width() != s.cx || t.Height() != s.cy);
  const bool mirrored = TickMarks() == 1;
  if (!scaling && !mirrored) {
    DrawSkinGlyph(cache, TPoint(t.Left + (t.Width() - s.cx) / 2, t.Top + (t.Height() - s.cy) / 2), Mode(), 1, *md,
                  MakeCacheInfo(cache, 0, 0));
    return;
  }
  // The thumb is drawn at the image's size over the background under it (mirrored when the
  // ticks are on the top or left), then put back at the thumb's size.
  auto under = NewBmp32(t.Width(), t.Height());
  CopyBmp(under->Canvas()->Handle(), 0, 0, t.Width(), t.Height(), cache, t.Left, t.Top);
  auto work = NewBmp32(s.cx, s.cy);
  Stretch(under.get(), work.get(), s.cx, s.cy, ftMitchell);
  if (mirrored) RotateBmp180(work.get(), IsVertical());
  DrawSkinGlyph(work.get(), TPoint(0, 0), Mode(), 1, *md, MakeCacheInfo(work.get(), 0, 0));
  if (mirrored) RotateBmp180(work.get(), IsVertical());
  Stretch(work.get(), under.get(), t.Width(), t.Height(), ftMitchell);
  CopyBmp(cache->Canvas()->Handle(), t.Left, t.Top, t.Width(), t.Height(), under.get());
}

void TkvTrackWnd::PaintBody() {
  TBitmap* cache = SkinData->FCacheBmp.get();
  const TCacheInfo ci = GetParentCacheHwnd(CtrlHandle);
  PaintItem(SkinData, ci, true, Mode(), TRect(0, 0, WndSize.cx, WndSize.cy), WndPos, cache, false);
  TkvSkinData* skin = SkinOf(SkinData);
  if (!skin || skin->GetSkinIndex(u"TRACKBAR") < 0) return;
  PaintBar();
  PaintThumb();
  if (!IsWindowEnabled(CtrlHandle)) BlendDisabled(cache, ci, WndPos);
}

void TkvTrackWnd::PrepareCache() {
  SizeCache(this);
  PaintBody();
}

void TkvTrackWnd::KV_WMPaint(TMessage& message) {
  InitCtrlData(this);
  TPaintDC paint(CtrlHandle);
  if (SkinData->InUpdating()) return;
  InitCtrlData(this);
  if (ParentWnd) SendMessageW(ParentWnd, SM_ALPHACMD, TWParam{KV_GETCACHE} << 16, 0);
  if (!IsWindowVisible(CtrlHandle) && !message.WParam) return;
  TClientPaintDC dc(CtrlHandle, reinterpret_cast<HDC>(message.WParam));
  PrepareCache();
  CopyBmp(dc, 0, 0, WndSize.cx, WndSize.cy, SkinData->FCacheBmp.get());
}

void TkvTrackWnd::kvWndProc(TMessage& message) {
  if (SkinData && SkinData->Skinned()) {
    switch (message.Msg) {
      case WM_PAINT: KV_WMPaint(message); return;
      case WM_ERASEBKGND:
      case WM_NCPAINT: return;
      case WM_LBUTTONDOWN: bMousePressed = true; break;
      case WM_LBUTTONUP: bMousePressed = false; break;
      default: break;
    }
  }
  TkvMainWnd::kvWndProc(message);
}
