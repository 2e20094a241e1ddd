// Index: 1. queries and metrics  2. hit testing and icon states  3. painting  4. window procedure
//        5. window region  6. blend on moving
#include "forms/kvDialogWnd.h"

#include <windowsx.h>

#include "base/Composition.h"
#include "base/WindowQueries.h"
#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sDialogs.h"
#include "base/sMessages.h"
#include "forms/kvDials.h"
#include "forms/sSkinProvider.h"
#include "forms/sSkinProviderAnim.h"
#include "forms/sSkinProviderMotion.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/Text.h"
#include "skin/ControlServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Bitmap.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"
#include "wrappers/kvSBUtilsCombo.h"

TW_DEFINE_CLASS(TkvDialogWnd) {}

namespace {
// The border image of a skin section, null when it has none.
const TsMaskData* BorderImage(TkvSkinData* data, Integer section) {
  if (!data || section < 0 || section >= Integer(data->gd.size())) return nullptr;
  const Integer image = data->gd[size_t(section)].BorderIndex;
  return image >= 0 && image < Integer(data->ma.size()) ? &data->ma[size_t(image)] : nullptr;
}

// The wrappers of the dialog's children go: off their windows when those still live, and freed
// (Free: a wrapper still inside one of its messages goes when that ends).
void ReleaseChildWrappers(std::vector<TkvMainWnd*>& wrappers) {
  for (TkvMainWnd* w : std::exchange(wrappers, {})) {
    if (w->Destroyed || !IsWindow(w->CtrlHandle))
      w->Free();
    else
      UninitializeKVWnd(w->CtrlHandle, true, false, w);
  }
}
}  // namespace

TkvDialogWnd::~TkvDialogWnd() {
  KillAnimations();
  // Glow layers still standing over the dialog go with it.
  if (TkvGlowServices* glows = TkvServiceSlot<TkvGlowServices>::Get()) glows->ClearGlows(false, true);
  MoveTimer.reset();
  BorderForm.reset();
  ReleaseChildWrappers(ChildWrappers);
}

void TkvDialogWnd::KillAnimations() {
  for (auto& icon : Icons) delete icon.Glow.cpTimer;  // a fade unlinks itself from its icon
}

void TkvDialogWnd::DropCover() {
  CoverForm.reset();
  // The border window showed the whole picture for the closing: it shows the shadow again.
  if (AnimClosing && BorderForm) {
    BorderForm->ExBorderShowing = false;
    BorderForm->UpdateExBordersPos(true, 255);
  }
  AnimClosing = false;
}

// Of the frame section's border image, a dialog's top corners take at most this many pixels
// each way from the shadow (a title section's border image gives them whole).
constexpr Integer kFormTopCornerLimit = 8;

// ---- 1. Queries and metrics --------------------------------------------------------------------

bool TkvDialogWnd::Visible(TIcon icon) const {
  switch (icon) {
    case biClose: return (dwStyle & WS_SYSMENU) != 0;
    case biMax: return (dwStyle & WS_MAXIMIZEBOX) != 0;
    case biMin: return (dwStyle & WS_MINIMIZEBOX) != 0;
    case biHelp: return (dwExStyle & WS_EX_CONTEXTHELP) != 0;
    default: return false;
  }
}

bool TkvDialogWnd::EnabledClose() const {
  return Visible(biClose) && (GetClassLongPtrW(CtrlHandle, GCL_STYLE) & CS_NOCLOSE) == 0;
}
// A dialog frame has no size to change, so only sizeable or single frames maximize.
bool TkvDialogWnd::EnabledMax() const {
  return Visible(biMax) && !IsZoomed(CtrlHandle) &&
         (BorderStyle == kvbsSingle || BorderStyle == kvbsSizeable || BorderStyle == kvbsSizeToolWin);
}
bool TkvDialogWnd::VisibleRestore() const {
  return Visible(biClose) && BorderStyle != kvbsDialog && BorderStyle != kvbsNone && BorderStyle != kvbsToolWindow &&
         BorderStyle != kvbsSizeToolWin;
}
bool TkvDialogWnd::EnabledMin() const { return Visible(biMin) && !IsIconic(CtrlHandle); }
bool TkvDialogWnd::EnabledRestore() const {
  // A minimized dialog comes back through Restore even without a maximize button: otherwise a
  // dialog that has only a minimize button could not be restored from its menu.
  return IsIconic(CtrlHandle) || (Visible(biMax) && IsZoomed(CtrlHandle));
}

namespace {
// The client rectangle in window coordinates.
TRect ClientInWindow(HWND wnd) {
  RECT w{}, c{};
  GetWindowRect(wnd, &w);
  GetClientRect(wnd, &c);
  MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&c), 2);
  return TRect(c.left - w.left, c.top - w.top, c.right - w.left, c.bottom - w.top);
}
TRect ClientRectOf(HWND wnd) {
  RECT c{};
  GetClientRect(wnd, &c);
  return TRect(c.left, c.top, c.right, c.bottom);
}
// The whole window with its children and frame, at once.
constexpr UINT kRedrawDialog = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;
TSize WindowSize(HWND wnd) {
  RECT w{};
  GetWindowRect(wnd, &w);
  return TSize(w.right - w.left, w.bottom - w.top);
}
}  // namespace

Integer TkvDialogWnd::SizeFrame() {
  CXSizeFrame = kv_GetSysMetrics(SM_CXFRAME, GetWndPPI(CtrlHandle));
  return CXSizeFrame;
}
Integer TkvDialogWnd::FixedFrame() {
  CXFixedFrame = kv_GetSysMetrics(SM_CXDLGFRAME, GetWndPPI(CtrlHandle));
  return CXFixedFrame;
}
Integer TkvDialogWnd::FramePadding() const {
  return BorderStyle == kvbsSizeable || BorderStyle == kvbsSizeToolWin
             ? kv_GetSysMetrics(SM_CXPADDEDBORDER, GetWndPPI(CtrlHandle))
             : 0;
}

// A minimized dialog has no client area to measure its frame by: the system's metrics give it.
Integer TkvDialogWnd::SysBorderWidth() const {
  if (IsIconic(CtrlHandle))
    return kv_GetSysMetrics(dwStyle & WS_THICKFRAME ? SM_CXFRAME : SM_CXDLGFRAME, GetWndPPI(CtrlHandle));
  return ClientInWindow(CtrlHandle).Left;
}
Integer TkvDialogWnd::HeaderHeight() const {
  if (IsIconic(CtrlHandle)) return SysBorderWidth() + CaptionHeight();
  return ClientInWindow(CtrlHandle).Top;
}
Integer TkvDialogWnd::CaptionHeight() const {
  if (IsIconic(CtrlHandle)) {
    const bool tool = BorderStyle == kvbsToolWindow || BorderStyle == kvbsSizeToolWin;
    return kv_GetSysMetrics(tool ? SM_CYSMCAPTION : SM_CYCAPTION, GetWndPPI(CtrlHandle));
  }
  if ((dwStyle & WS_CAPTION) != WS_CAPTION) return 0;
  return HeaderHeight() - SysBorderWidth();
}

Integer TkvDialogWnd::BorderHeight() const { return FrameOnBorderWindow() ? 0 : SysBorderWidth(); }

bool TkvDialogWnd::CanDrawNCArea() const {
  DuRiruZireziv* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
  return manager && manager->Options.DrawNonClientArea;
}

bool TkvDialogWnd::Borderless() const { return (dwStyle & (WS_POPUP | WS_CAPTION)) == WS_POPUP; }

// A borderless popup keeps no region: a sizing frame it has is still its own to paint.
bool TkvDialogWnd::FrameOnBorderWindow() const { return BorderForm && !IsIconic(CtrlHandle) && !Borderless(); }

TRect TkvDialogWnd::ClientRegionRect() const {
  // The system's metrics, not the skin's: they say where the client area lies in the window.
  const TSize size = WindowSize(CtrlHandle);
  const Integer side = SysBorderWidth();
  return TRect(side, CaptionHeight() + side, size.cx - side, size.cy - side);
}

// ---- 2. Hit testing and icon states -------------------------------------------------------------

TkvDialogWnd::TBorderIcon* TkvDialogWnd::IconOf(Integer code) {
  for (auto& icon : Icons)
    if (icon.HitCode == code) return &icon;
  return nullptr;
}

// The band of the border icons: the close icon's height where it is placed (centred on the
// title, or at the top where the skin aligns its icons there).
bool TkvDialogWnd::InIconRow(TPoint p) const {
  const TRect& close = Icons[biClose].Rect;
  if (!close.IsEmpty()) return p.Y >= close.Top && p.Y < close.Bottom;
  return p.Y >= SysBorderWidth() && p.Y < HeaderHeight();
}

Integer TkvDialogWnd::HTProcess(TPoint p, Integer current) const {
  if (CaptionHeight() <= 0 || !InIconRow(p)) return AboveBorder(p) ? -1 : current;
  const Integer border = SysBorderWidth();
  if (p.X >= border && p.X < border + GetSystemMetrics(SM_CXSMICON)) return HTSYSMENU;
  const Integer icon = IconHit(p);
  return icon >= 0 ? icon : HTCAPTION;
}

bool TkvDialogWnd::AboveBorder(TPoint p) const {
  if (!IsZoomed(CtrlHandle)) return false;
  const TSize size = WindowSize(CtrlHandle);
  return p.X < 2 || p.Y < 2 || p.X > size.cx - 4 || p.Y > size.cy - 4;
}

Integer TkvDialogWnd::IconHit(TPoint p) const {
  if (!InIconRow(p) || Icons[biClose].Rect.IsEmpty()) return -1;
  // The icons are counted from the right edge, skipping those not shown; each spans its
  // rectangle's left to right edge, both included.
  const bool minimized = IsIconic(CtrlHandle) != FALSE;
  const bool maxShown = Visible(biMax), minShown = Visible(biMin) || minimized, helpShown = Visible(biHelp);
  Integer position = 0, counted = 0;
  for (Integer i = 0; i < biCount; ++i) {
    const TBorderIcon& icon = Icons[size_t(i)];
    if (icon.Rect.IsEmpty()) continue;
    ++counted;
    if (p.X >= icon.Rect.Left && p.X <= icon.Rect.Right) {
      position = counted;
      break;
    }
  }
  // A minimized dialog's minimize icon restores it, at any position.
  const auto minimizeCode = [&] { return minimized || EnabledMin() ? HTMINBUTTON : HTCAPTION; };
  switch (position) {
    case 0: return -1;
    case 1: return EnabledClose() ? HTCLOSE : HTNOWHERE;
    case 2:
      if (maxShown) return EnabledMax() || EnabledRestore() ? HTMAXBUTTON : HTCAPTION;
      if (minShown) return minimizeCode();
      return helpShown ? HTHELP : -1;
    case 3:
      if (maxShown && minShown) return minimizeCode();
      return helpShown ? HTHELP : -1;
    case 4: return helpShown && maxShown ? HTHELP : -1;
    default: return -1;
  }
}

TRect TkvDialogWnd::IconRect() const {
  TkvSkinData* data = SkinData ? SkinData->GetCommonSkinData() : nullptr;
  const TPoint inFrame = WindowInFrame();
  const TRect shadow = ShadowSize();
  const Integer w = GetSystemMetrics(SM_CXSMICON), h = GetSystemMetrics(SM_CYSMICON);
  const Integer left = SysBorderWidth() + inFrame.X + (data ? data->BILeftMargin : 0) + shadow.Left;
  Integer top = (HeaderHeight() + inFrame.Y - h) / 2 + shadow.Top;
  if (BorderForm && data && data->ExDrawMode == 1) top += data->ExCenterOffs;
  return TRect(left, top, left + w, top + h);
}

void TkvDialogWnd::SetHotHT(Integer code) {
  if (code == CurrentHT || !CanDrawNCArea()) return;
  const Integer old = CurrentHT;
  if (TBorderIcon* icon = IconOf(old)) icon->State = 0;
  CurrentHT = code;
  Clicked = false;
  if (TBorderIcon* icon = IconOf(code)) icon->State = 1;
  RepaintButton(old);
  RepaintButton(code);
}

void TkvDialogWnd::SetPressedHT(Integer code) {
  const Integer old = CurrentHT;
  if (TBorderIcon* icon = IconOf(old)) icon->State = 0;
  RepaintButton(old);
  CurrentHT = code;
  TBorderIcon* icon = IconOf(code);
  if (!icon) return;
  if (code != HTMAXBUTTON || EnabledMax() || (IsZoomed(CtrlHandle) && EnabledRestore())) icon->State = 2;
  Clicked = true;
  RepaintButton(code);
}

// ---- 3. Painting ---------------------------------------------------------------------------------

void TkvDialogWnd::LayoutIcons(Integer frameWidth) {
  TkvSkinData* data = SkinData->GetCommonSkinData();
  DuRiruZireziv* manager = SkinData->GetSkinManager();
  for (auto& icon : Icons) icon.Rect = TRect();
  if (!Visible(biClose) || CaptionHeight() <= 0) return;
  // Placed on the frame as the picture has it, kept in window coordinates.
  const TPoint inFrame = WindowInFrame();
  const Integer border = SysBorderWidth() + inFrame.X;
  const Integer band = HeaderHeight() + inFrame.Y;
  // Extended drawing centres the icons lower by the skin's offset.
  const Integer centreOffs = BorderForm && data && data->ExDrawMode == 1 ? data->ExCenterOffs : 0;
  Integer x = frameWidth - (data ? data->BIRightMargin : 0) - Maxi(4, border);
  // The small icons of tool frames sit closer to the frame's edge and to each other.
  const bool bigFrame = BorderStyle == kvbsDialog || BorderStyle == kvbsSingle || BorderStyle == kvbsSizeable;
  const bool spaced = bigFrame || Icons[biClose].Glyph == tgClose;
  if (!spaced) x += Mini(0, DiffBorder(BorderForm.get()) - 2);
  for (Integer i = 0; i < biCount; ++i) {
    TBorderIcon& icon = Icons[size_t(i)];
    if (!Visible(TIcon(i))) continue;
    const bool tool = BorderStyle == kvbsToolWindow || BorderStyle == kvbsSizeToolWin;
    if (i == biMax) icon.Glyph = IsZoomed(CtrlHandle) ? (tool ? tgSmallNormal : tgNormal) : (tool ? tgSmallMax : tgMax);
    if (i == biMin) icon.Glyph = IsIconic(CtrlHandle) ? (tool ? tgSmallNormal : tgNormal) : (tool ? tgSmallMin : tgMin);
    const TsMaskData* md = nullptr;
    if (data && icon.Glyph >= 0 && data->TitleGlyphs[size_t(icon.Glyph)] >= 0 &&
        data->TitleGlyphs[size_t(icon.Glyph)] < Integer(data->ma.size()))
      md = &data->ma[size_t(data->TitleGlyphs[size_t(icon.Glyph)])];
    const Integer w = md ? md->Width : 21;
    const Integer h = md ? md->Height : 21;
    const bool zoomedOuter = BorderForm && IsZoomed(CtrlHandle);
    Integer top = 0;
    if (icon.Aligned && manager && manager->SkinCommonInfo.BIVAlign == 1)
      // The skin puts its title icons at the top of the frame.
      top = (BorderForm ? data->BITopMargin : 0) + (zoomedOuter ? 3 : 0);
    else
      top = (band - h) / 2 + centreOffs + (zoomedOuter ? GetSystemMetrics(SM_CXFRAME) / 2 : 0);
    icon.Rect = TRect(x - w - inFrame.X, top - inFrame.Y, x - inFrame.X, top + h - inFrame.Y);
    x -= w + (spaced && data ? data->BISpacing : 0);
  }
}

void TkvDialogWnd::PaintAll() {
  // While the dialog is dragged translucent the picture stays as the drag began.
  if (FormState & DLG_BLENDMOVING) return;
  if (!SkinData->BGChanged && SkinData->FCacheBmp) return;
  const TSize window = WindowSize(CtrlHandle);
  if (window.cx <= 0 || window.cy <= 0) return;
  // A new picture may have new transparent corners: the next frame paint builds the region anew.
  RgnChanged = true;
  // With an outer border the frame is painted apart and then placed inside the shadow margins
  // of the picture; without one it is the picture. Its sides and title are the skin's, so it
  // is wider and higher than the window by the differences.
  const TPoint inFrame = WindowInFrame();
  const TSize size(window.cx + 2 * inFrame.X, window.cy + inFrame.Y + inFrame.X);
  if (size.cx <= 0 || size.cy <= 0) return;
  const TRect shadow = ShadowSize();
  const TSize pictureSize(size.cx + shadow.Left + shadow.Right, size.cy + shadow.Top + shadow.Bottom);
  if (!SkinData->FCacheBmp) SkinData->FCacheBmp.reset(CreateBmp32(pictureSize.cx, pictureSize.cy));
  TBitmap* picture = SkinData->FCacheBmp.get();
  picture->SetPixelFormat(pf32bit);
  picture->SetSize(pictureSize.cx, pictureSize.cy);
  std::unique_ptr<TBitmap> ownFrame;
  if (BorderForm) ownFrame.reset(CreateBmp32(size.cx, size.cy));
  TBitmap* cache = BorderForm ? ownFrame.get() : picture;
  const Integer state = FFormActive ? 1 : 0;
  DuRiruZireziv* manager = SkinData->GetSkinManager();
  TkvSkinData* data = SkinData->GetCommonSkinData();
  // With extended drawing the skin's extended-border image makes frame and title: the section
  // gives only the background, the title's icon and text go over the drawn frame.
  const bool extended = BorderForm && ExtendedFrameDrawing(data, manager);
  const Integer centreOffs = extended && data ? data->ExCenterOffs : 0;
  const Integer caption = CaptionHeight();
  const Integer header = HeaderHeight() + inFrame.Y;
  // A minimized dialog is its title band with one row of the frame's bottom below it: where the
  // system makes the window shorter, the bottom edge falls outside it rather than into the title;
  // where it makes it taller, the frame still reaches the last row.
  const TRect frame(0, 0, size.cx, IsIconic(CtrlHandle) ? Maxi(header + 1, size.cy) : size.cy);
  {
    // A frame taller than the picture is painted whole apart and its top taken.
    std::unique_ptr<TBitmap> tall;
    if (frame.Bottom > size.cy) tall.reset(CreateBmp32(frame.Width(), frame.Height()));
    TBitmap* target = tall ? tall.get() : cache;
    if (extended)
      PaintItemBG(SkinData->SkinIndex, EmptyCI, state, frame, TPoint(0, 0), target, data);
    else
      PaintItem(SkinData, EmptyCI, false, state, frame, TPoint(0, 0), target, false);
    if (tall) BitBlt(cache->Canvas()->Handle(), 0, 0, size.cx, size.cy, tall->Canvas()->Handle(), 0, 0, SRCCOPY);
  }
  if (caption > 0) LayoutIcons(size.cx);
  // The clean title strip (without border icons), taken from target at the frame's top-left.
  auto keepTitle = [&](TBitmap* target, TPoint origin) {
    TitleBG.reset(CreateBmp32(size.cx, header));
    BitBlt(TitleBG->Canvas()->Handle(), 0, 0, size.cx, header, target->Canvas()->Handle(), origin.X, origin.Y, SRCCOPY);
  };
  if (caption > 0 && !extended) {
    if (manager && manager->IsValidSkinIndex(TitleIndex))
      PaintItem(TitleIndex, MakeCacheInfo(cache), true, state, TRect(0, 0, size.cx, header), TPoint(0, 0), cache, data);
    PaintTitle(cache, TPoint(0, 0), size.cx, header, centreOffs);
    keepTitle(cache, TPoint(0, 0));
  }
  if (BorderForm) {
    TBitmap* tpl = data ? (FFormActive ? data->ShdaTemplate.get() : data->ShdiTemplate.get()) : nullptr;
    BorderForm->ShadowTemplate = tpl;
    BitBlt(picture->Canvas()->Handle(), shadow.Left, shadow.Top, size.cx, size.cy, cache->Canvas()->Handle(), 0, 0,
           SRCCOPY);
    const TRect body(shadow.Left, shadow.Top, shadow.Left + size.cx, shadow.Top + size.cy);
    if (extended && tpl && tpl->Width() > 0 && tpl->Height() > 0) {
      PaintBodyWithClearMargins(picture, body);
      PaintExtendedFrame(data, picture, tpl, header, shadow, SysBorderWidth() + inFrame.X);
      if (caption > 0) {
        PaintTitle(picture, TPoint(shadow.Left, shadow.Top), size.cx, header, centreOffs);
        keepTitle(picture, TPoint(shadow.Left, shadow.Top));
      }
    } else {
      PaintShadowMargins(data, manager ? manager->ExtBordersMode() : ebmFull, SkinData->SkinIndex, FFormActive, picture,
                         body, tpl, shadow);
      // The corners the frame's border images leave transparent show the shadow behind them.
      if (tpl && BorderImage(data, SkinData->SkinIndex))
        FillFrameCornersFromTemplate(data, SkinData->SkinIndex, TitleIndex, picture, body, tpl, shadow,
                                     kFormTopCornerLimit);
    }
  }
  if (caption > 0)
    for (const auto& i : Icons)
      if (!i.Rect.IsEmpty()) DrawIcon(i.HitCode);
  SkinData->BGChanged = false;
}

void TkvDialogWnd::SelectTitleFont(TCanvas* canvas) {
  TkvSkinData* data = SkinData->GetCommonSkinData();
  LOGFONTW lf{};
  {
    const TOwnedFont system(kvGetTitleFont(data ? data->PPI : GetWndPPI(CtrlHandle)));
    const HFONT from = system.get() ? system.get() : TitleFont.get();
    if (!from || !GetObjectW(from, sizeof lf, &lf)) return;
  }
  lf.lfHeight = ScaleInt(-11, SkinData);
  lf.lfCharSet = DEFAULT_CHARSET;
  CheckSkinFont(lf);
  if (HFONT font = CreateFontIndirectW(&lf)) canvas->Font()->SetHandle(font);  // the canvas owns it
}

void TkvDialogWnd::DrawAppIcon(TBitmap* target, TPoint at) {
  if (!TitleIcon) return;
  const Integer w = GetSystemMetrics(SM_CXSMICON), h = GetSystemMetrics(SM_CYSMICON);
  const HDC dc = target->Canvas()->Handle();
  // A copy at the small size picks the icon's own small image where it has one.
  if (HICON copy = static_cast<HICON>(CopyImage(TitleIcon, IMAGE_ICON, w, h, LR_COPYFROMRESOURCE))) {
    DrawIconEx(dc, at.X, at.Y, copy, w, h, 0, nullptr, DI_NORMAL);
    DestroyIcon(copy);
  } else {
    DrawIconEx(dc, at.X, at.Y, LoadIconW(nullptr, IDI_APPLICATION), w, h, 0, nullptr, DI_NORMAL);
  }
}

void TkvDialogWnd::PrepareTitleGlyph() {
  TitleIcon = reinterpret_cast<HICON>(SendMessageW(CtrlHandle, WM_GETICON, ICON_SMALL, 0));
  if (!TitleIcon) TitleIcon = reinterpret_cast<HICON>(SendMessageW(CtrlHandle, WM_GETICON, ICON_BIG, 0));
  if (!TitleIcon) return;
  const Integer w = GetSystemMetrics(SM_CXSMICON), h = GetSystemMetrics(SM_CYSMICON);
  if (!TitleGlyph) TitleGlyph = std::make_unique<TBitmap>();
  TitleGlyph->SetPixelFormat(pf32bit);
  TitleGlyph->SetSize(w, h);
  TCanvas* canvas = TitleGlyph->Canvas();
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(clFuchsia);
  canvas->FillRect(TRect(0, 0, w, h));
  DrawIconEx(canvas->Handle(), 0, 0, TitleIcon, w, h, 0, nullptr, DI_NORMAL);
}

void TkvDialogWnd::PaintTitle(TBitmap* target, TPoint origin, Integer frameWidth, Integer header, Integer centreOffs) {
  DuRiruZireziv* manager = SkinData->GetSkinManager();
  TkvSkinData* data = SkinData->GetCommonSkinData();
  if (!manager || !data) return;
  const Integer state = FFormActive ? 1 : 0;
  const Integer border = SysBorderWidth() + WindowInFrame().X;
  const Integer iw = GetSystemMetrics(SM_CXSMICON), ih = GetSystemMetrics(SM_CYSMICON);
  const Integer iconX = origin.X + border + data->BILeftMargin;
  DrawAppIcon(target, TPoint(iconX, origin.Y + (header - ih) / 2 + centreOffs));
  Integer textRight = origin.X + frameWidth - 6;
  for (const auto& i : Icons)
    if (!i.Rect.IsEmpty()) textRight = Mini(textRight, origin.X + i.Rect.Left + WindowInFrame().X - 6);
  const TRect room(iconX + (TitleIcon ? iw : 0) + 4, origin.Y + 2 + centreOffs, textRight,
                   origin.Y + header + centreOffs);
  wchar_t buf[512] = {};
  GetWindowTextW(CtrlHandle, buf, 511);
  Caption = String(reinterpret_cast<const Char*>(buf));
  if (room.Right <= room.Left || room.Bottom <= room.Top || Caption.empty()) return;
  TCanvas* canvas = target->Canvas();
  SelectTitleFont(canvas);
  const HDC dc = canvas->Handle();
  Cardinal flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
  const bool rtl = (dwExStyle & (WS_EX_RTLREADING | WS_EX_LAYOUTRTL)) != 0;
  if (rtl) flags |= DT_RIGHT | DT_RTLREADING;
  // Centred on the room by the text's own height.
  TSize extent;
  kvGetTextExtent(dc, Caption, extent, nullptr);
  TRect text = room;
  text.Top = room.Top + (room.Height() - extent.cy) / 2;
  text.Bottom = text.Top + extent.cy;

  // The text's colours and glow are the title section's (or the plate's): without either the
  // skin has no look for a caption, and none is written.
  Integer section = TitleIndex;
  if (manager->IsValidSkinIndex(FCaptionSkinIndex)) {
    // The plate lies behind the text as it stands (cut with an ellipsis when it does not fit).
    TRect measured = text;
    kvDrawText(dc, Caption, measured, flags | DT_CALCRECT);
    const Integer width = Mini(measured.Width(), text.Width());
    const TRect used = rtl ? TRect(text.Right - width, text.Top, text.Right, text.Bottom)
                           : TRect(text.Left, text.Top, text.Left + width, text.Bottom);
    const TRect plateRect(used.Left - 4, used.Top - 2, used.Right + 4, used.Bottom + 2);
    const Integer plateState = Mini(state, Maxi(data->gd[size_t(FCaptionSkinIndex)].States - 1, 0));
    // The plate blends over the title as it is now, not over itself while it is painted.
    const std::unique_ptr<TBitmap> strip(
        CreateBmp32(target->Width(), Mini(target->Height(), Maxi(origin.Y + header + centreOffs, plateRect.Bottom))));
    BitBlt(strip->Canvas()->Handle(), 0, 0, strip->Width(), strip->Height(), dc, 0, 0, SRCCOPY);
    // The strip lies where the picture does: the plate reads what is behind its own place.
    PaintItem(FCaptionSkinIndex, MakeCacheInfo(strip.get()), true, plateState, plateRect, plateRect.TopLeft(), target,
              data);
    section = FCaptionSkinIndex;
  }
  if (!manager->IsValidSkinIndex(section)) return;
  const TsGeneralData& gd = data->gd[size_t(section)];
  const TsGenState& look = gd.Props[size_t(state)];  // the hot glow while active
  if (!x64woAero && look.GlowSize > 0) {
    std::unique_ptr<TBitmap> mask;
    kvDrawGlowForText(target, Caption, text, flags, 15, look.GlowSize, TColor(look.GlowColor), mask);
  }
  canvas->Brush()->SetStyle(bsClear);
  // The border window's picture has real alpha: the text is written with it (the system's text
  // drawing would leave its pixels transparent).
  if (BorderForm)
    WriteText32(target, Caption, true, text, flags, section, state, manager);
  else
    kvWriteTextEx(canvas, Caption, true, text, flags, section, state, manager);
}

TRect TkvDialogWnd::ShadowSize() const { return BorderForm ? BorderForm->ShadowSize() : TRect(); }

TPoint TkvDialogWnd::WindowInFrame() const {
  TkvBorderForm* border = BorderForm.get();
  return border ? TPoint(DiffBorder(border), DiffTitle(border)) : TPoint(0, 0);
}

TPoint TkvDialogWnd::FrameOrigin() const {
  TkvBorderForm* border = BorderForm.get();
  return border ? TPoint(border->OffsetX(), border->OffsetY()) : TPoint(0, 0);
}

TPoint TkvDialogWnd::ClientOffset() const {
  const TRect client = ClientInWindow(CtrlHandle);
  const TPoint o = FrameOrigin();
  return TPoint(o.X + client.Left, o.Y + client.Top);
}

void TkvDialogWnd::GetBackground(TkvBGInfo& info) {
  const TPoint offset = ClientOffset();
  // A child's place is given in the client area; the picture holds the frame around it.
  if (info.PleaseDraw) info.Offset = TPoint(info.Offset.X + offset.X, info.Offset.Y + offset.Y);
  PaintAll();
  if (info.BgType == btUnknown) InitBGInfo(SkinData, &info, 0);
  if (info.BgType != btCache || info.PleaseDraw) return;
  if (!info.Bmp) info.Bmp = SkinData->FCacheBmp.get();
  info.Offset = offset;
}

void TkvDialogWnd::RepaintButton(Integer code) {
  TBorderIcon* icon = IconOf(code);
  if (!icon) return;
  // With glowing allowed the hot and pressed looks fade in over the icon on a layered window of
  // their own; the picture keeps the look it has.
  DuRiruZireziv* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
  if (manager && manager->Effects.AllowGlowing && icon->State >= 0) {
    TsCaptionButton& glow = icon->Glow;
    // Relative to the window the fade lies over: the border window when there is one.
    const TPoint origin = FrameOrigin();
    glow.cpRect = TRect(icon->Rect.Left + origin.X, icon->Rect.Top + origin.Y, icon->Rect.Right + origin.X,
                        icon->Rect.Bottom + origin.Y);
    glow.cpHitCode = Cardinal(icon->HitCode);
    glow.cpGlyphType = icon->Glyph >= 0 ? TkvTitleGlyph(icon->Glyph) : tgNone;
    glow.cpState = icon->State;
    const Integer steps = manager->Effects.AllowAnimation ? 10 : 1;
    if (icon->Rect.IsEmpty()) return;
    if (icon->State == 1)
      StartSBAnimation(&glow, 1, steps, true, this);
    else if (icon->State == 2)
      StartSBAnimation(&glow, 2, 1, true, this);
    else if (glow.cpTimer)
      StartSBAnimation(&glow, 0, steps, false, this);
    return;
  }
  // On a frame too narrow for its icons, one that would cover the small icon is left alone.
  if (icon->Rect.Left <= SysBorderWidth() + GetSystemMetrics(SM_CXSMICON)) return;
  if (!DrawIcon(code)) return;
  const TPoint origin = FrameOrigin();
  if (HDC dc = GetWindowDC(CtrlHandle)) {
    BitBlt(dc, icon->Rect.Left, icon->Rect.Top, icon->Rect.Width(), icon->Rect.Height(),
           SkinData->FCacheBmp->Canvas()->Handle(), icon->Rect.Left + origin.X, icon->Rect.Top + origin.Y, SRCCOPY);
    ReleaseDC(CtrlHandle, dc);
  }
  // The border window shows the picture too.
  if (BorderForm) BorderForm->UpdateExBordersPos(true, 255);
}

bool TkvDialogWnd::DrawIcon(Integer code) {
  TBorderIcon* icon = IconOf(code);
  TBitmap* cache = SkinData->FCacheBmp.get();
  TkvSkinData* data = SkinData->GetCommonSkinData();
  if (!icon || icon->Rect.IsEmpty() || !cache || !data || icon->Glyph < 0) return false;
  // The clean title strip is put back behind the icon before its new look is drawn.
  const Integer index = data->TitleGlyphs[size_t(icon->Glyph)];
  if (index < 0 || index >= Integer(data->ma.size())) return false;
  const TsMaskData& md = data->ma[size_t(index)];
  bool enabled = true;
  if (code == HTCLOSE) enabled = EnabledClose();
  // A minimized dialog's maximize icon acts only where its frame can be maximized.
  if (code == HTMAXBUTTON) enabled = IsIconic(CtrlHandle) ? EnabledMax() : EnabledMax() || EnabledRestore();
  if (code == HTMINBUTTON) enabled = EnabledMin();
  const TPoint origin = FrameOrigin(), inFrame = WindowInFrame();
  const TRect shadow = ShadowSize();
  const TPoint at(icon->Rect.Left + origin.X, icon->Rect.Top + origin.Y);
  if (TitleBG && TitleBG->Width() == cache->Width() - shadow.Left - shadow.Right)
    BitBlt(cache->Canvas()->Handle(), at.X, at.Y, icon->Rect.Width(), icon->Rect.Height(), TitleBG->Canvas()->Handle(),
           icon->Rect.Left + inFrame.X, icon->Rect.Top + inFrame.Y, SRCCOPY);
  const Integer state = Mini(icon->State, Maxi(md.ImageCount - 1, 0));
  const bool reduced = !enabled || (!FFormActive && icon->State <= 0);
  DrawSkinGlyph(cache, at, state, reduced ? 2 : 1, md, MakeCacheInfo(cache));
  // On the border's picture the icon's pixels are opaque as the rest of the frame.
  if (BorderForm)
    FillAlphaRect(cache, TRect(at.X, at.Y, at.X + icon->Rect.Width(), at.Y + icon->Rect.Height()), 255, clNone);
  return true;
}

void TkvDialogWnd::PaintCaption(HDC dc) {
  // The border window shows the frame; the dialog's region leaves it nothing to paint.
  if (FrameOnBorderWindow()) return;
  PaintAll();
  TBitmap* cache = SkinData->FCacheBmp.get();
  if (!cache) return;
  const TSize size = WindowSize(CtrlHandle);
  const TRect client = ClientInWindow(CtrlHandle);
  HDC src = cache->Canvas()->Handle();
  // The frame's place in the picture (inside the shadow margins with an outer border).
  const TPoint o = FrameOrigin();
  BitBlt(dc, 0, 0, size.cx, client.Top, src, o.X, o.Y, SRCCOPY);
  BitBlt(dc, 0, client.Top, client.Left, size.cy - client.Top, src, o.X, o.Y + client.Top, SRCCOPY);
  BitBlt(dc, client.Right, client.Top, size.cx - client.Right, size.cy - client.Top, src, o.X + client.Right,
         o.Y + client.Top, SRCCOPY);
  BitBlt(dc, client.Left, client.Bottom, client.Width(), size.cy - client.Bottom, src, o.X + client.Left,
         o.Y + client.Bottom, SRCCOPY);
}

void TkvDialogWnd::PaintForm(HDC dc) {
  PaintAll();
  TBitmap* cache = SkinData->FCacheBmp.get();
  if (!cache) return;
  const TRect client = ClientInWindow(CtrlHandle);
  const TPoint o = FrameOrigin();
  BitBlt(dc, 0, 0, client.Width(), client.Height(), cache->Canvas()->Handle(), o.X + client.Left, o.Y + client.Top,
         SRCCOPY);
  // The children may read their backgrounds from the picture now.
  SetParentUpdated(CtrlHandle);
}

namespace {
bool RightToLeftApplication() { return Application && Application->BiDiMode() == bdRightToLeft; }
}  // namespace

void TkvDialogWnd::Kv_WMPaint(HDC dc) {
  const HDC target = dc ? dc : GetDC(CtrlHandle);
  if (!target) return;
  const TScopeExit release([&] {
    if (!dc) ReleaseDC(CtrlHandle, target);
  });
  const Integer saved = SaveDC(target);
  SkinData->FUpdating = false;
  ExcludeControls(target, CtrlHandle, 0, 0);
  // The picture is laid out left to right whatever the application's layout.
  if (RightToLeftApplication()) kvSetLayout(target, 0);
  PaintForm(target);
  RestoreDC(target, saved);
}

namespace {
struct ExcludeData {
  HDC dc;
  HWND parent;
  Integer dx, dy;
};

BOOL CALLBACK EnumCtrls(HWND child, LPARAM param) {
  const auto& d = *reinterpret_cast<const ExcludeData*>(param);
  const LONG style = GetWindowLongW(child, GWL_STYLE);
  if (GetParent(child) != d.parent || !(style & WS_VISIBLE)) return TRUE;
  // Statics that open a group and group boxes show the dialog's background through them.
  if ((style & WS_GROUP) && LowerCase(GetWndClassName(child)) == u"static") return TRUE;
  if ((style & 7) == 7) return TRUE;
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, d.parent, reinterpret_cast<POINT*>(&r), 2);
  ExcludeClipRect(d.dc, r.left + d.dx, r.top + d.dy, r.right + d.dx, r.bottom + d.dy);
  return TRUE;
}
}  // namespace

void ExcludeControls(HDC dc, HWND wnd, Integer offsetX, Integer offsetY) {
  if (RightToLeftApplication()) return;
  ExcludeData data{dc, wnd, offsetX, offsetY};
  EnumChildWindows(wnd, &EnumCtrls, reinterpret_cast<LPARAM>(&data));
}

void TkvDialogWnd::InitExBorders(bool active) {
  DuRiruZireziv* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
  // No shadow window around a frame that the system draws.
  if (!active || !manager || !manager->Active() || manager->IsDesigning() || !CanDrawNCArea()) {
    if (BorderForm) {
      BorderForm.reset();
      SkinData->BGChanged = true;  // the picture loses its shadow margins
      RgnChanged = true;           // and the dialog shows its frame itself again
      if (IsWindowVisible(CtrlHandle) && !RgnChanging) {
        FillDlgArOR(this);
        RgnChanged = false;
        UpdateRgn(this, true);
      }
    }
    return;
  }
  if (BorderForm) return;
  BorderForm = std::make_unique<TkvBorderForm>(this);
  SkinData->BGChanged = true;
  RgnChanged = true;
  if (IsWindowVisible(CtrlHandle)) BorderForm->UpdateExBordersPos(true, 255);
}

void TkvDialogWnd::ShowHiddenBorderWindow() {
  if (!BorderForm || InAnimationProcess) return;
  const HWND bw = BorderForm->LayeredWindow();
  if (bw && IsWindowVisible(bw)) return;
  if (!AeroIsEnabled()) {
    BorderForm->UpdateExBordersPos(false, 255);
    return;
  }
  // The composed screen shows the dialog as soon as its frame is painted: the picture, the
  // region and the border window are made ready together, and the dialog comes to the front.
  if (SkinData->BGChanged) PaintAll();
  if (!RgnChanging) {
    FillDlgArOR(this);
    RgnChanged = false;
    UpdateRgn(this, true);
  }
  BorderForm->UpdateExBordersPos(true, 255);
  SetForegroundWindow(CtrlHandle);
  SetActiveWindow(CtrlHandle);
}

void TkvDialogWnd::SizeChanged(TMessage& message) {
  const auto passOn = [&] {
    // Children moved by the system meanwhile do not read the picture of the old size.
    const auto updating = SetForScope(SkinData->FUpdating, true, false);
    message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
  };
  const TRect client = ClientRectOf(CtrlHandle);
  const TScopeExit remember([&] { LastClientRect = ClientRectOf(CtrlHandle); });
  const bool shown = IsWindowVisible(CtrlHandle) != FALSE;
  if (!BorderForm) {
    SkinData->BGChanged = true;
    RgnChanged = true;
    passOn();
    if (shown && !InAnimationProcess) RedrawWindow(CtrlHandle, nullptr, nullptr, kRedrawDialog);
    return;
  }
  // A size change made while the skin data is updating is only the system's.
  if (SkinData->FUpdating) {
    message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
    return;
  }
  // A shrinking client leaves part of the skin's right corner images where they were: that part
  // is drawn again.
  if (LastClientRect.Width() > 0 &&
      (client.Width() < LastClientRect.Width() || client.Height() < LastClientRect.Height()))
    if (TkvSkinData* data = SkinData->GetCommonSkinData())
      for (const char16_t* name : {u"IMGTOPRIGHT", u"IMGBTMRIGHT"}) {
        const Integer image = data->GetMaskIndex(SkinData->SkinIndex, name);
        if (image < 0 || image >= Integer(data->ma.size())) continue;
        const TsMaskData& md = data->ma[size_t(image)];
        const RECT corner{LastClientRect.Right - md.Width, LastClientRect.Bottom - md.Height, LastClientRect.Right,
                          LastClientRect.Bottom};
        InvalidateRect(CtrlHandle, &corner, FALSE);
      }
  // A picture that already fits the new size (a size message without a change) needs nothing
  // more; told before the system's handling, which may have children paint the picture anew.
  const TSize window = WindowSize(CtrlHandle);
  const TPoint inFrame = WindowInFrame();
  const TRect shadow = ShadowSize();
  const TBitmap* picture = SkinData->FCacheBmp.get();
  const bool fits = picture && picture->Width() == window.cx + 2 * inFrame.X + shadow.Left + shadow.Right &&
                    (picture->Height() == window.cy + inFrame.Y + inFrame.X + shadow.Top + shadow.Bottom ||
                     (AeroIsEnabled() && IsIconic(CtrlHandle)));
  if (AeroIsEnabled()) {
    // The composed screen would show the system's intermediate drawing.
    SendMessageW(CtrlHandle, WM_SETREDRAW, FALSE, 0);
    passOn();
    SendMessageW(CtrlHandle, WM_SETREDRAW, TRUE, 0);
  } else {
    passOn();
  }
  if (InAnimationProcess) return;
  if (!shown) {
    SkinData->BGChanged = true;
    return;
  }
  if (fits) return;
  RgnChanged = true;
  SkinData->BGChanged = true;
  {
    // The bars would be painted at the old size's place while the border window moves.
    FormState |= DLG_SCROLLSHIDDEN;
    const TScopeExit barsBack([this] { FormState &= ~DLG_SCROLLSHIDDEN; });
    BorderForm->UpdateExBordersPos(true, 255);
  }
  // The region follows the new size at once: the border window's hole already has it.
  if (!RgnChanging) {
    FillDlgArOR(this);
    RgnChanged = false;
    UpdateRgn(this, true);
  }
  RedrawWindow(CtrlHandle, nullptr, nullptr, kRedrawDialog);
}

void TkvDialogWnd::UpdateNCArea(bool skinned) {
  if (skinned) {
    SkinData->BGChanged = true;
    RgnChanged = true;
    DuRiruZireziv* manager = SkinData->GetSkinManager();
    InitExBorders(manager && manager->GetExtendedBorders());
    RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_UPDATENOW | RDW_FRAME);
    return;
  }
  // The system draws the frame again: no shadow window, no theme of ours, the whole window.
  BorderForm.reset();
  if (uxthemeLib && kv_SetWindowTheme) kv_SetWindowTheme(CtrlHandle, nullptr, nullptr);
  SetWindowRgn(CtrlHandle, nullptr, FALSE);
  SkinData->BGChanged = true;
  RgnChanged = true;
  RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

// ---- 4. Window procedure -------------------------------------------------------------------------

void TkvDialogWnd::AfterCreation() {
  SkinData->COC = COC_TkvDialogWnd;
  if (SkinData->SkinSection().empty()) SkinData->SetSkinSection(u"DIALOG");
  TkvMainWnd::AfterCreation();
  Icons[biClose] = {HTCLOSE, tgClose, 0, TRect(), true, {}};
  Icons[biMax] = {HTMAXBUTTON, tgMax, 0, TRect(), true, {}};
  Icons[biMin] = {HTMINBUTTON, tgMin, 0, TRect(), true, {}};
  Icons[biHelp] = {HTHELP, tgHelp, 0, TRect(), true, {}};
  dwStyle = Cardinal(GetWindowLongW(CtrlHandle, GWL_STYLE));
  dwExStyle = Cardinal(GetWindowLongW(CtrlHandle, GWL_EXSTYLE));
  BorderStyle = kvbsSingle;
  UpdateIconsIndexes();
  // The plate behind the caption from the start, not only after the next skin.
  if (DuRiruZireziv* manager = SkinData->GetSkinManager())
    FCaptionSkinIndex = manager->SkinCommonInfo.Sections[ssCaption];
  SkinData->BGChanged = true;
  // Until its first frame is painted, the dialog's picture is not ready for the children.
  SkinData->FUpdating = true;
  FWMPaintForbidden = IsWinVistaUp();
  // The system would save the screen under the dialog, and show those bits over the skinned
  // frame and shadow when the dialog goes.
  const ULONG_PTR classStyle = GetClassLongPtrW(CtrlHandle, GCL_STYLE);
  if (classStyle & CS_SAVEBITS) SetClassLongPtrW(CtrlHandle, GCL_STYLE, LONG_PTR(classStyle & ~ULONG_PTR(CS_SAVEBITS)));
  InitDwm(CtrlHandle, CanDrawNCArea(), false);
  SystemMenu = std::make_unique<TkvSystemMenu>(nullptr);
  SystemMenu->FOwner = this;
  SystemMenu->UpdateItems();
  if (DefaultManager && DefaultManager->SkinnedPopups())
    if (auto* menus = TkvServiceSlot<TkvMenuServices>::Get()) menus->HookPopupMenu(SystemMenu.get(), true);
}

void TkvDialogWnd::InitParams() {
  DuRiruZireziv* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
  // A frame the system draws keeps its caption buttons and system menu.
  if (!manager || !manager->Active() || !CanDrawNCArea()) return;
  const Cardinal style = Cardinal(GetWindowLongW(CtrlHandle, GWL_STYLE));
  // Once taken off, WS_SYSMENU still counts as the dialog's own.
  dwStyle = style | (SysMenuTaken ? Cardinal(WS_SYSMENU) : 0u);
  dwExStyle = Cardinal(GetWindowLongW(CtrlHandle, GWL_EXSTYLE));
  if ((dwStyle & (WS_POPUP | WS_CAPTION)) == WS_POPUP)
    BorderStyle = kvbsNone;
  else if (dwStyle & WS_THICKFRAME)
    BorderStyle = kvbsSizeable;
  else if (dwStyle & DS_MODALFRAME)
    BorderStyle = kvbsDialog;
  else
    BorderStyle = kvbsSizeable;
  UpdateIconsIndexes();
  PrepareTitleGlyph();
  TitleFont.reset(kvGetTitleFont(GetWndPPI(CtrlHandle)));
  if (style & WS_SYSMENU) {
    SetWindowLongW(CtrlHandle, GWL_STYLE, LONG(style & ~Cardinal(WS_SYSMENU)));
    SysMenuTaken = true;
  }
}

void TkvDialogWnd::UpdateIconsIndexes() {
  DuRiruZireziv* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
  if (!manager) return;
  TitleIndex = -1;
  const bool tool = BorderStyle == kvbsToolWindow || BorderStyle == kvbsSizeToolWin;
  const bool alone = !Visible(biMin) && !Visible(biMax);
  // Only the codes and glyphs: a fade still linked to an icon keeps its link.
  const Integer codes[biCount] = {HTCLOSE, HTMAXBUTTON, HTMINBUTTON, HTHELP};
  const Integer glyphs[biCount] = {tool    ? tgSmallClose
                                   : alone ? tgCloseAlone
                                           : tgClose,
                                   tool ? tgSmallMax : tgMax, tool ? tgSmallMin : tgMin, tool ? tgSmallHelp : tgHelp};
  const Integer large[biCount] = {alone ? tgCloseAlone : tgClose, tgMax, tgMin, tgHelp};
  TkvSkinData* data = SkinData->GetCommonSkinData();
  for (Integer i = 0; i < biCount; ++i) {
    Icons[size_t(i)].HitCode = codes[i];
    Icons[size_t(i)].Glyph = glyphs[i];
    // A small glyph keeps the skin's alignment only when it is the large one's image.
    Icons[size_t(i)].Aligned =
        !tool || (data && data->TitleGlyphs[size_t(glyphs[i])] == data->TitleGlyphs[size_t(large[i])]);
  }
  TitleIndex = manager->SkinCommonInfo.Sections[ssDialogTitle];
}

void TkvDialogWnd::DropSysMenu(Integer x, Integer y) {
  if (!SystemMenu) return;
  SystemMenu->UpdateItems();
  SystemMenu->SetWindowHandle(CtrlHandle);
  SystemMenu->SetParentBiDiMode(false);
  SystemMenu->SetBiDiMode(Application ? Application->BiDiMode() : bdLeftToRight);
  SystemMenu->Popup(x, y);
  if (SystemMenu) SystemMenu->SetWindowHandle(nullptr);
}

bool TkvDialogWnd::CanSkin() const {
  return kvTryToSkinCommonDialogs || !ControlExists(CtrlHandle, u"duiviewwndclassname");
}

void TkvDialogWnd::Uninit() {
  DropCover();
  KillAnimations();
  MoveTimer.reset();
  BorderForm.reset();
  ReleaseChildWrappers(ChildWrappers);
  // A dialog that lives on without the wrapper gets its system menu back.
  if (SysMenuTaken && IsWindow(CtrlHandle))
    SetWindowLongW(CtrlHandle, GWL_STYLE, GetWindowLongW(CtrlHandle, GWL_STYLE) | WS_SYSMENU);
  SysMenuTaken = false;
  // A press on a skinned bar ends with the bars; a dialog that lives on gets the system's bars
  // and its frame computed with them.
  Kv_ResetScrollTracking(CtrlHandle);
  const bool hadBars = ScrollsInitialized && !WindowGoing && IsWindow(CtrlHandle) &&
                       (GetWindowLongW(CtrlHandle, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL)) != 0;
  TkvMainWnd* self = this;
  UninitializeKVWnd(CtrlHandle, false, false, self);
  Destroyed = true;
  if (hadBars) SetWindowPos(CtrlHandle, nullptr, 0, 0, 0, 0, 0x737);
}

void TkvDialogWnd::LButtonUp(TMessage& message) {
  // wParam of WM_LBUTTONUP holds key flags, not a hit code: the cursor is hit-tested, and only a
  // release over the icon that was pressed executes it.
  POINT pt{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
  if (message.Msg == WM_LBUTTONUP) ClientToScreen(CtrlHandle, &pt);
  RECT w{};
  GetWindowRect(CtrlHandle, &w);
  const Integer code = HTProcess(TPoint(pt.x - w.left, pt.y - w.top));
  const Integer pressed = CurrentHT;
  const bool act = Clicked && code == pressed;
  if (!Clicked || !IconOf(pressed)) {
    message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
    return;
  }
  SetHotHT(0);
  Clicked = false;
  if (!act) return;
  switch (pressed) {
    case HTMINBUTTON:
      SendMessageW(CtrlHandle, WM_SYSCOMMAND, IsIconic(CtrlHandle) ? SC_RESTORE : SC_MINIMIZE, 0);
      break;
    case HTMAXBUTTON:
      // A minimized dialog whose frame cannot be maximized is not maximized from its icon.
      if (IsIconic(CtrlHandle) && !EnabledMax()) break;
      SendMessageW(CtrlHandle, WM_SYSCOMMAND, IsZoomed(CtrlHandle) ? SC_RESTORE : SC_MAXIMIZE, 0);
      if (SystemMenu) SystemMenu->UpdateItems();
      break;
    case HTCLOSE:
      if (TBorderIcon* close = IconOf(HTCLOSE)) close->State = 0;
      SendMessageW(CtrlHandle, WM_SYSCOMMAND, SC_CLOSE, 0);
      if (IsWindow(CtrlHandle)) {
        KillAnimations();
        // A dialog that stays (its owner refused the closing) shows no hot icon.
        if (IsWindowVisible(CtrlHandle)) SetHotHT(0);
      }
      break;
    case HTHELP:
      SendMessageW(CtrlHandle, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
      if (SystemMenu) SystemMenu->UpdateItems();
      if (IsWindow(CtrlHandle)) SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
      break;
    default: break;
  }
}

namespace {
// The colour request of 16-bit windows, which some old dialogs still send.
constexpr UINT kWM_CTLCOLOR = 0x0019;

// The manager's dialog-hide animation runs: active, with a time, animations allowed.
bool HideAnimated(DuRiruZireziv* manager) {
  const TkvFormHide& hide = manager->AnimEffects.DialogHide;
  return hide.Active && hide.Time > 0 && manager->Effects.AllowAnimation;
}

// A caption press starts blend on moving: it is on and fades to something below opaque.
bool BlendOnMovingWanted(DuRiruZireziv* manager) {
  const auto& blend = manager->AnimEffects.BlendOnMoving;
  return blend.Active && blend.BlendValue != 255;
}
}  // namespace

bool TkvDialogWnd::AlphaCommand(TMessage& message) {
  switch (HIWORD(message.WParam)) {
    case KV_GETFONTINDEX:
      // A dialog has no parent to take a font from: its own section's applies.
      if (auto* info = reinterpret_cast<TkvPaintInfo*>(message.LParam)) {
        info->FontIndex = SkinData->SkinIndex;
        message.Result = 1;
      }
      return true;
    case KV_GETCONTROLCOLOR: message.Result = intptr_t(GetBGColor(SkinData, FFormActive ? 1 : 0)); return true;
    case KV_PREPARING: message.Result = SkinData->FUpdating ? 1 : 0; return true;
    case KV_SETNCSKINNED: UpdateNCArea(message.LParam != 0); return true;
    case KV_GETBORDERWIDTH: {
      const Integer which = Integer(LOWORD(message.LParam));
      Integer width = 0;
      if (which == 1) {
        width = SizeFrame();
      } else if (which == 2) {
        width = FixedFrame();
      } else {
        RECT w{}, c{};
        GetWindowRect(CtrlHandle, &w);
        GetClientRect(CtrlHandle, &c);
        width = ((w.right - w.left) - c.right) / 2;
        if (width == 0)
          width = HIWORD(message.LParam) == 1 ? SizeFrame() : HIWORD(message.LParam) == 2 ? FixedFrame() : 0;
      }
      message.Result = width + FramePadding();
      return true;
    }
    default: return false;
  }
}

bool TkvDialogWnd::ShowsSkinnedBars() {
  if (!SkinData || !SkinData->Skinned()) return false;
  return (sBarHorz && sBarHorz->fScrollVisible) || (sBarVert && sBarVert->fScrollVisible);
}

void TkvDialogWnd::PaintScrollBars() {
  if (Destroyed || DontRepaint || !ScrollsInitialized || (FormState & DLG_SCROLLSHIDDEN)) return;
  if (!IsWindow(CtrlHandle) || !IsWindowVisible(CtrlHandle) || !ShowsSkinnedBars()) return;
  kv_NCDraw(this, CtrlHandle, -1, nullptr);
}

namespace {
bool OnScrollBar(TWParam hitCode) { return hitCode == HTHSCROLL || hitCode == HTVSCROLL; }
}  // namespace

bool TkvDialogWnd::ScrollBarStep(TMessage& message) {
  if (message.Msg == WM_DESTROY || message.Msg == WM_NCDESTROY) WindowGoing = true;
  if (Destroyed || !SkinData) return false;
  if (message.Msg == SM_ALPHACMD) {
    // The scroll procedure passes a refreshed or removed skin on to nobody: the dialog's children
    // (their wrappers) hear of it from the dialog, as from any plain wrapper's window.
    const bool own = reinterpret_cast<DuRiruZireziv*>(message.LParam) == SkinData->GetSkinManager();
    if (message.WParamHi == KV_REMOVESKIN && own) AlphaBroadCast(CtrlHandle, message);
    if (message.WParamHi == KV_REFRESH && RefreshNeeded(SkinData, message)) {
      SkinData->FUpdating = false;
      AlphaBroadCast(CtrlHandle, message);
    }
  }
  if (!SkinData->Skinned()) return false;
  switch (message.Msg) {
    case WM_NCHITTEST: {
      // Over the bars (or the size box where they meet) the scroll wrapper answers; elsewhere
      // the dialog's own test of its frame and icons.
      if (!ShowsSkinnedBars()) return false;
      const TPoint p(GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam));
      TRect h, v;
      kv_GetHScrollRect(this, CtrlHandle, h);
      kv_GetVScrollRect(this, CtrlHandle, v);
      const bool horz = sBarHorz->fScrollVisible, vert = sBarVert->fScrollVisible;
      const bool over = (horz && h.Contains(p)) || (vert && v.Contains(p)) ||
                        (horz && vert && TRect(h.Right, h.Top, v.Right, h.Bottom).Contains(p));
      if (!over) return false;
      message.Result = Kv_NCHitTest(this, CtrlHandle, message.WParam, message.LParam);
      return true;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONUP:
      // Not the system's bars: its scroll loop and scroll menu stay out.
      if (!OnScrollBar(message.WParam)) return false;
      inherited::kvWndProc(message);
      return true;
    case WM_LBUTTONUP:
      // The end of a press on one of the dialog's bars (the window holds the capture).
      if (!fThumbTracking &&
          (kvScrollState.uCurrentScrollPortion == HTSCROLL_NONE || kvScrollState.hwndCurSB != CtrlHandle))
        return false;
      inherited::kvWndProc(message);
      return true;
    case WM_NCPAINT:
      // The bars appear after the first frame computation through the wrapper.
      if (!ScrollsInitialized && IsWindowVisible(CtrlHandle) &&
          (GetWindowLongW(CtrlHandle, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL)))
        SetWindowPos(CtrlHandle, nullptr, 0, 0, 0, 0, 0x737);
      return false;
    case SM_ALPHACMD:
      if (message.WParamHi == KV_PREPARECACHE) {
        // The dialog's picture is its own (frame and client): the bars ask for it before painting.
        PaintAll();
        message.Result = 0;
        return true;
      }
      return false;
    default: return false;
  }
}

void TkvDialogWnd::NewSkin(TMessage& message) {
  DuRiruZireziv* manager = SkinData->GetSkinManager();
  SkinData->SetCommonSkinData(nullptr);
  Kv_ForgetScrollMetrics(this);  // the bars' sizes may follow the skin
  // A dialog not shown yet gets its border window when it shows: made now, it would show the
  // dialog before its owner asks for it.
  if (IsWindowVisible(CtrlHandle)) InitExBorders(manager->GetExtendedBorders());
  message.Result = 0;
  if (reinterpret_cast<DuRiruZireziv*>(message.LParam) != manager) return;
  SkinData->UpdateIndexes(true);
  // The new skin's glyphs, title and caption sections and corners.
  FCaptionSkinIndex = manager->SkinCommonInfo.Sections[ssCaption];
  UpdateIconsIndexes();
  RgnChanged = true;
  // Each child passes the skin on to its own children, so only the direct ones are told.
  BroadCastHwnd(CtrlHandle, message);
}

void TkvDialogWnd::kvWndProc(TMessage& message) {
  // The skinned scroll bars: input over them goes to the scroll wrapper's procedure, and they
  // are painted again over whatever frame the dialog's non-client paint put on the screen.
  if (ScrollBarStep(message)) return;
  const TScopeExit barsOverFrame([&] {
    if (message.Msg == WM_NCPAINT) PaintScrollBars();
  });
  DuRiruZireziv* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
  const bool skinned = manager && manager->Active();
  if (message.Msg == WM_NCDESTROY) {
    if (SkinData) SkinData->FCacheBmp.reset();
    if (Attached()) {
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      Uninit();
    } else {
      // Not in the window's procedure chain any more: sending the message to the window again
      // would come back here for ever.
      message.Result = DefWindowProcW(CtrlHandle, message.Msg, message.WParam, message.LParam);
    }
    return;
  }
  if (!skinned) {
    if (BorderForm) {
      // No skin, no shadow: the dialog shows its whole window again.
      BorderForm.reset();
      SetWindowRgn(CtrlHandle, nullptr, IsWindowVisible(CtrlHandle));
      RgnChanged = true;
    }
    inherited::kvWndProc(message);
    return;
  }
  // A press or release that the outer border window hands on carries no hit code (-1): the
  // border window's hit test at the message's screen point gives it.
  if (BorderForm && Integer(message.WParam) == HTTRANSPARENT &&
      (message.Msg == WM_NCLBUTTONDOWN || message.Msg == WM_NCLBUTTONUP || message.Msg == WM_NCRBUTTONUP))
    message.WParam = WPARAM(BorderForm->Ex_WMNCHitTest(message));
  // A frame the system draws is the system's to hit-test, press and activate.
  if (!CanDrawNCArea()) switch (message.Msg) {
      case WM_NCHITTEST:
      case WM_NCLBUTTONDOWN:
      case WM_NCLBUTTONUP:
      case WM_LBUTTONUP:
      case WM_NCACTIVATE:
        if (message.Msg == WM_NCACTIVATE) FFormActive = message.WParam != 0;
        message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
        return;
      default: break;
    }
  switch (message.Msg) {
    case WM_SHOWWINDOW:
      if (!Initialized) {
        // The shell's item view is not ours to skin: the dialog is let go of before it shows.
        if (!CanSkin()) {
          message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
          Uninit();
          return;
        }
        InitParams();
      }
      SkinData->BGChanged = true;
      if (message.WParam == 1) InitExBorders(manager->GetExtendedBorders());
      if (message.WParam == 1 && (DlgLeft != -1 || DlgTop != -1)) {
        // The engine's message box asked for a place (its centre with centring on).
        const TSize size = WindowSize(CtrlHandle);
        const TPoint at =
            kvDialogPosIsCenter ? TPoint(DlgLeft - size.cx / 2, DlgTop - size.cy / 2) : TPoint(DlgLeft, DlgTop);
        SetWindowPos(CtrlHandle, nullptr, at.X, at.Y, 0, 0,
                     SWP_NOSIZE | SWP_NOREDRAW | SWP_NOOWNERZORDER | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      {
        // Under composition the system's own showing is kept off the screen: the skinned
        // picture is what appears.
        const bool layered = AeroIsEnabled() && !(GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_LAYERED);
        if (layered) SetWindowLongW(CtrlHandle, GWL_EXSTYLE, GetWindowLongW(CtrlHandle, GWL_EXSTYLE) | WS_EX_LAYERED);
        message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
        if (layered && IsWindow(CtrlHandle))
          SetWindowLongW(CtrlHandle, GWL_EXSTYLE, GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & ~WS_EX_LAYERED);
      }
      // The system's show and hide transitions would run over the skinned frame.
      InitDwm(CtrlHandle, CanDrawNCArea(), false);
      if (message.WParam == 1 && manager->AnimEffects.DialogShow.Active && manager->Effects.AllowAnimation) {
        // The animation shows the children printed: they are skinned before it.
        wchar_t buf[512] = {};
        GetWindowTextW(CtrlHandle, buf, 511);
        Caption = String(reinterpret_cast<const Char*>(buf));
        if (CanSkin()) TkvProvider::InitHwndControls(this, CtrlHandle);
        SkinData->FUpdating = false;
        if (CanDrawNCArea())
          AnimShowDlg(this, manager->AnimEffects.DialogShow.Time, 255, manager->AnimEffects.DialogShow.Mode);
      }
      return;
    case WM_WINDOWPOSCHANGED: {
      const auto* wp = reinterpret_cast<const WINDOWPOS*>(message.LParam);
      const bool hiding = wp && (wp->flags & SWP_HIDEWINDOW);
      const bool placed = wp && (wp->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE);
      // Shown again, the dialog takes its region anew.
      if (hiding && kvLayered()) RgnChanged = true;
      inherited::kvWndProc(message);
      if (CanDrawNCArea()) {
        if (hiding) {
          if (HideAnimated(manager)) {
            AnimHideDlg(this);
            DoLayered(CtrlHandle, false, 0);
          }
          InitExBorders(false);  // the border window goes with the dialog
          DropCover();
        } else if (BorderForm && !SkinData->FUpdating && IsWindowVisible(CtrlHandle) &&
                   !(FormState & DLG_BLENDMOVING)) {
          // Follows the dialog (gone while it is minimized); a blended drag moves it itself.
          BorderForm->UpdateExBordersPos(false, 255);
        }
      }
      // An icon's glow lies where the icon was: it goes when the dialog goes or moves.
      if (hiding || placed) KillAnimations();
      return;
    }
    case WM_DRAWITEM:
      // Owner-drawn items draw in the skin's font; a static's text lies on the skinned background.
      if (auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam)) {
        CheckFont(item->hDC, ItemFont);
        if (item->CtlType == ODT_STATIC) SetBkMode(item->hDC, TRANSPARENT);
      }
      inherited::kvWndProc(message);
      return;
    case DM_SETDEFID:
      // The dialog may have made controls since: they get their wrappers.
      inherited::kvWndProc(message);
      if (CanSkin()) {
        TkvProvider::InitHwndControls(this, CtrlHandle);
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      }
      return;
    case 1324:
    case 1326:
      // The dialog changed its controls: new ones get their wrappers.
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      if (CanSkin()) {
        TkvProvider::InitHwndControls(this, CtrlHandle);
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
      }
      return;
    case SM_ALPHACMD:
      if (HIWORD(message.WParam) == KV_GETBG) {
        if (auto* info = reinterpret_cast<TkvBGInfo*>(message.LParam)) GetBackground(*info);
        message.Result = 0;
        return;
      }
      if (HIWORD(message.WParam) == KV_PARENTCLOFFSET) {
        const TPoint o = ClientOffset();
        message.Result = TLResult(uint32_t(Word(o.X)) | uint32_t(Word(o.Y)) << 16);
        return;
      }
      if (AlphaCommand(message)) return;
      if (HIWORD(message.WParam) == KV_UPDATECHILDREN && CanSkin()) TkvProvider::InitHwndControls(this, CtrlHandle);
      // The glows show the old skin's icons.
      if (HIWORD(message.WParam) == KV_SETNEWSKIN || HIWORD(message.WParam) == KV_REMOVESKIN) KillAnimations();
      if (HIWORD(message.WParam) == KV_SETNEWSKIN) {
        NewSkin(message);
        return;
      }
      // While updating, the picture is out of date once the update ends.
      if (HIWORD(message.WParam) == KV_UPDATING && LOWORD(message.WParam) == 1) SkinData->BGChanged = true;
      inherited::kvWndProc(message);
      if (HIWORD(message.WParam) == KV_REFRESH && RefreshNeeded(SkinData, message)) {
        // The section may have changed its glyphs, plate, corners or shadow.
        FCaptionSkinIndex = manager->SkinCommonInfo.Sections[ssCaption];
        UpdateIconsIndexes();
        SkinData->BGChanged = true;
        RgnChanged = true;
        InitExBorders(manager->GetExtendedBorders());
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
        if (BorderForm && IsWindowVisible(CtrlHandle)) BorderForm->UpdateExBordersPos(true, 255);
      }
      if (HIWORD(message.WParam) == KV_INVALIDATE && BorderForm && IsWindowVisible(CtrlHandle))
        BorderForm->UpdateExBordersPos(false, 255);
      return;
    case WM_PAINT:
      if (FWMPaintForbidden) {
        PAINTSTRUCT ps{};
        BeginPaint(CtrlHandle, &ps);
        EndPaint(CtrlHandle, &ps);
        message.Result = 0;
        return;
      }
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      return;
    case WM_COMMAND:
      // Cancel and Yes close the dialog: its picture gets the client part for the hide.
      if ((LOWORD(message.WParam) == IDCANCEL || LOWORD(message.WParam) == IDYES) && HideAnimated(manager) &&
          SkinData->FCacheBmp && !SkinData->FCacheBmp->Empty()) {
        PrintDlgClient(this, SkinData->FCacheBmp.get(), false);
        if (const HWND bw = BorderForm ? BorderForm->LayeredWindow() : nullptr) {
          // The border window shows the whole picture, the dialog's client included, until the
          // hide animation takes it over.
          SetWindowRgn(bw, nullptr, FALSE);
          SetFormBlendValue(bw, SkinData->FCacheBmp.get(), 255, nullptr);
          BorderForm->ExBorderShowing = true;
          AnimClosing = true;
        } else {
          CoverForm.reset(MakeCoverForm(CtrlHandle, nullptr, false, nullptr));
          AnimClosing = CoverForm != nullptr;
        }
      }
      inherited::kvWndProc(message);
      return;
    case WM_NCPAINT:
      if (!CanDrawNCArea() || !CanSkin()) {
        message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
        return;
      }
      if (!IsWindowVisible(CtrlHandle)) {
        inherited::kvWndProc(message);
        return;
      }
      InitCtrlData(this);
      ShowHiddenBorderWindow();
      if (!RgnChanging && RgnChanged && (!Borderless() || (dwStyle & WS_THICKFRAME))) {
        FillDlgArOR(this);
        RgnChanged = false;
        UpdateRgn(this, true);
      }
      if (IsWindowVisible(CtrlHandle)) {
        if (!Initialized) {
          Initialized = true;
          TkvProvider::InitHwndControls(this, CtrlHandle);
        }
        if (LastClientRect.IsEmpty()) LastClientRect = ClientRectOf(CtrlHandle);
        if (HDC dc = GetWindowDC(CtrlHandle)) {
          const Integer saved = SaveDC(dc);
          // The picture is laid out left to right whatever the application's layout.
          if (RightToLeftApplication()) kvSetLayout(dc, 0);
          PaintCaption(dc);
          RestoreDC(dc, saved);
          ReleaseDC(CtrlHandle, dc);
        }
        // The frame is on screen: whatever update was under way has been painted.
        SkinData->FUpdating = false;
      }
      message.Result = 0;
      return;
    case WM_ERASEBKGND:
      InitCtrlData(this);
      // The shell's item view is left as the system draws it.
      if (CanSkin() && !Initialized) {
        Initialized = true;
        TkvProvider::InitHwndControls(this, CtrlHandle);
      }
      Kv_WMPaint(reinterpret_cast<HDC>(message.WParam));
      message.Result = 1;
      return;
    case kWM_CTLCOLOR:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      // Texts and fields of the dialog take the skin's edit colours.
      if (HBRUSH brush = static_cast<HBRUSH>(manager->Brushes.Handles[pcEditBG])) {
        const HDC dc = reinterpret_cast<HDC>(message.WParam);
        SetTextColor(dc, COLORREF(manager->Palette[pcEditText] & 0xFFFFFF));
        SetBkColor(dc, COLORREF(manager->Palette[pcEditBG] & 0xFFFFFF));
        message.Result = reinterpret_cast<TLResult>(brush);
        return;
      }
      inherited::kvWndProc(message);
      return;
    case WM_NCACTIVATE:
      if (!IsWindowVisible(CtrlHandle)) {
        inherited::kvWndProc(message);
        return;
      }
      {
        // The system would paint its own caption while it handles the activation.
        SetRedraw(CtrlHandle, 0);
        const TScopeExit redrawOn([this] { SetRedraw(CtrlHandle, 1); });
        message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      }
      FFormActive = message.WParam != 0;
      SkinData->BGChanged = true;
      // The client keeps its pixels until it paints: erasing it first would flash.
      InvalidateRect(CtrlHandle, nullptr, FALSE);
      RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
      if (BorderForm && IsWindowVisible(CtrlHandle)) BorderForm->UpdateExBordersPos(true, 255);
      message.Result = 1;
      return;
    case WM_ENABLE:
      if (!IsWindowVisible(CtrlHandle)) {
        inherited::kvWndProc(message);
        return;
      }
      // The frame takes the look of the new state.
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      SkinData->BGChanged = true;
      SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
      return;
    case WM_SETFOCUS:
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      if (const HWND active = GetActiveWindow())
        RedrawWindow(active, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
      return;
    case WM_MOUSEMOVE:
      // The pointer over the dialog leaves whatever control the manager thought it was over.
      if (IsWindowEnabled(CtrlHandle) && DefaultManager) DefaultManager->SetActiveControl(nullptr);
      inherited::kvWndProc(message);
      return;
    case CM_VISIBLECHANGED:
      inherited::kvWndProc(message);
      if (message.WParam == 0) KillAnimations();
      return;
    case WM_SYSCOMMAND: {
      const WPARAM command = message.WParam & 0xFFF0;
      const bool drag = message.WParam == SC_DRAGMOVE;
      inherited::kvWndProc(message);
      if (!IsWindow(CtrlHandle)) return;
      if (drag) {
        UpdateWindow(CtrlHandle);
        if (BorderForm && IsWindowVisible(CtrlHandle)) BorderForm->UpdateExBordersPos(false, 255);
      } else if (command == SC_MAXIMIZE || command == SC_RESTORE) {
        // The maximize icon, pressed or hot when the command came, is shown normal again.
        if (Visible(biMax)) CurrentHT = HTMAXBUTTON;
        SetHotHT(0);
      }
      return;
    }
    case WM_SIZE: SizeChanged(message); return;
    case WM_SETTEXT:
      if (!IsWindowVisible(CtrlHandle)) {
        inherited::kvWndProc(message);
        return;
      }
      // Only the caption changed: the picture is renewed and the frame shown again (the border
      // window repaints a changed picture by itself); the client and the children stay.
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      SkinData->BGChanged = true;
      if (BorderForm)
        BorderForm->UpdateExBordersPos(false, 255);
      else
        SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
      return;
    case WM_NCHITTEST: {
      RECT w{};
      GetWindowRect(CtrlHandle, &w);
      const Integer code =
          HTProcess(TPoint(GET_X_LPARAM(message.LParam) - w.left, GET_Y_LPARAM(message.LParam) - w.top), 0);
      // Held while an icon is pressed: its release decides.
      if (code == HTNOWHERE || code == HTCAPTION || code == -1) {
        if (!Clicked) SetHotHT(0);
      } else if (!Clicked) {
        SetHotHT(code);
      }
      // The title and a disabled icon are the system's to answer; the edge of a maximized
      // dialog lets the mouse through.
      if (code == HTNOWHERE || code == HTCAPTION)
        message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      else
        message.Result = code;
      return;
    }
    case WM_NCLBUTTONDOWN:
      // A press carries the hit code of the system's test, or of whoever sent it: apart from the
      // sizing edges (which the system's sizing needs as they are) the dialog's own test at the
      // press point decides, where it finds a code.
      if ((message.WParam < HTLEFT || message.WParam > HTBOTTOMRIGHT) && !(BorderForm && message.WParam == HTOBJECT)) {
        RECT w{};
        GetWindowRect(CtrlHandle, &w);
        const Integer code =
            HTProcess(TPoint(GET_X_LPARAM(message.LParam) - w.left, GET_Y_LPARAM(message.LParam) - w.top));
        if (code != -1) message.WParam = WPARAM(code);
      }
      if (AnimClosing) DropCover();
      if (IconOf(Integer(message.WParam))) {
        SetPressedHT(Integer(message.WParam));
        message.Result = 0;
        return;
      }
      if (message.WParam == HTSYSMENU) {
        SetHotHT(0);
        RECT w{};
        GetWindowRect(CtrlHandle, &w);
        DropSysMenu(w.left + SysBorderWidth(), w.top + BorderHeight() + GetSystemMetrics(SM_CYSMICON));
        message.Result = 0;
        return;
      }
      if (IsIconic(CtrlHandle)) {
        // A minimized dialog has nothing to size: a press anywhere on it moves it.
        SendMessageW(CtrlHandle, WM_SYSCOMMAND, SC_DRAGMOVE, 0);
        message.Result = 0;
        return;
      }
      SetHotHT(0);
      if (IsZoomed(CtrlHandle)) {
        // A maximized dialog does not move: a press on its title only activates it.
        RECT w{};
        GetWindowRect(CtrlHandle, &w);
        if (GET_Y_LPARAM(message.LParam) - w.top < HeaderHeight()) {
          if (GetActiveWindow() != CtrlHandle) SetActiveWindow(CtrlHandle);
          message.Result = 0;
          return;
        }
      }
      if (message.WParam == HTCAPTION && BlendOnMovingWanted(manager)) {
        // The frame is shown active under the snapshot the move starts from.
        if (!FFormActive) {
          FFormActive = true;
          SkinData->BGChanged = true;
          PaintAll();
        }
        StartBlendOnMovingDlg(this, true);
        message.Result = 0;
        return;
      }
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      return;
    case WM_NCRBUTTONDOWN:
      if (message.WParam == HTCAPTION || message.WParam == HTSYSMENU) {
        message.Result = 0;
        return;
      }
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      return;
    case WM_NCRBUTTONUP:
      if (message.WParam == HTCAPTION || message.WParam == HTSYSMENU) {
        SetHotHT(0);
        DropSysMenu(GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam));
      }
      message.Result = 0;
      return;
    case WM_GETDLGCODE: message.Result = 0; return;
    case WM_NCLBUTTONDBLCLK:
      // The caption maximizes and restores only a dialog that can; the icon closes it.
      if (message.WParam == HTCAPTION) {
        if (EnabledMax() || EnabledRestore()) {
          SendMessageW(CtrlHandle, WM_SYSCOMMAND,
                       IsZoomed(CtrlHandle) || IsIconic(CtrlHandle) ? SC_RESTORE : SC_MAXIMIZE, 0);
          if (SystemMenu) SystemMenu->UpdateItems();
        }
        message.Result = 0;
        return;
      }
      if (message.WParam == HTSYSMENU) {
        SendMessageW(CtrlHandle, WM_SYSCOMMAND, SC_CLOSE, 0);
        message.Result = 0;
        return;
      }
      inherited::kvWndProc(message);
      return;
    case WM_NCLBUTTONUP:
    case WM_LBUTTONUP: LButtonUp(message); return;
    case WM_MOUSELEAVE:
    case WM_NCMOUSELEAVE:
      if (!Clicked) SetHotHT(0);
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      return;
    default: inherited::kvWndProc(message);
  }
}

// ---- 5. Window region ----------------------------------------------------------------------------

void FillDlgArOR(TkvDialogWnd* dlg) {
  dlg->ArOR.clear();
  TkvSkinData* data = dlg->SkinData->GetCommonSkinData();
  const TSize size = WindowSize(dlg->CtrlHandle);
  if (const TsMaskData* md = BorderImage(data, dlg->SkinData->SkinIndex)) {
    AddRgn(dlg->ArOR, size.cx, *md, 0, false, 0);
    AddRgn(dlg->ArOR, size.cx, *md, size.cy - md->WB, true, 0);
  }
  if (const TsMaskData* md = BorderImage(data, dlg->TitleIndex)) AddRgn(dlg->ArOR, size.cx, *md, 0, false, 0);
}

HRGN GetRgnFromArOR(TkvDialogWnd* dlg, Integer x, Integer y) {
  const TSize size = WindowSize(dlg->CtrlHandle);
  HRGN rgn = CreateRectRgn(x, y, x + size.cx, y + size.cy);
  for (const TRect& r : dlg->ArOR) {
    const TOwnedRegion cut(CreateRectRgn(r.Left + x, r.Top + y, r.Right + x, r.Bottom + y));
    CombineRgn(rgn, rgn, cut.get(), RGN_DIFF);
  }
  return rgn;
}

void UpdateRgn(TkvDialogWnd* dlg, bool redraw) {
  const HWND h = dlg->CtrlHandle;
  if (!h || !dlg->CanDrawNCArea() || (dlg->Borderless() && !IsIconic(h))) return;
  // Another skinning engine that owns the window answers the probe.
  if (SendMessageW(h, CM_BEWAIT_DIALOG, BE_ID, 0) == LRESULT(BE_ID)) return;
  const auto changing = SetForScope(dlg->RgnChanging, true);
  HRGN rgn = nullptr;
  if (dlg->FrameOnBorderWindow()) {
    // The border window behind shows the frame and takes its clicks.
    const TRect r = dlg->ClientRegionRect();
    rgn = CreateRectRgn(r.Left, r.Top, Maxi(r.Left, r.Right), Maxi(r.Top, r.Bottom));
  } else {
    rgn = GetRgnFromArOR(dlg, 0, 0);
  }
  SetWindowRgn(h, rgn, redraw);  // the window owns the region from here on
}

// ---- 6. Blend on moving ---------------------------------------------------------------------------

namespace {
constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;
}  // namespace

void StartBlendOnMovingDlg(TkvDialogWnd* dlg, bool toMove) {
  DuRiruZireziv* manager = dlg && dlg->SkinData ? dlg->SkinData->GetSkinManager() : nullptr;
  const HWND h = dlg ? dlg->CtrlHandle : nullptr;
  if (!h || (dlg->FormState & DLG_BLENDMOVING) || !manager || !manager->AnimEffects.BlendOnMoving.Active) return;
  dlg->FormState |= DLG_BLENDMOVING;
  dlg->MoveTimer.reset(TkvThreadedTimer::CreateOwned<TkvMoveTimer>(nullptr, true));
  TkvMoveTimer* timer = dlg->MoveTimer.get();
  timer->CurrentBlendValue = 255.0;
  timer->FormHandle = h;
  timer->BlendValue = manager->AnimEffects.BlendOnMoving.BlendValue;
  timer->BlendStep = DialogBlendOnMovingStep(timer->BlendValue);
  timer->SetInterval(kvBlendMoveInterval);
  TkvBorderForm* border = dlg->BorderForm.get();
  if (const HWND bw = border ? border->LayeredWindow() : nullptr) {
    // The border window, showing the whole dialog (its client copied in), is what moves; the
    // dialog waits transparent and jumps to the drop point at the end.
    // With the moving bit set, the update copies the client in and gives the window its whole
    // rectangle; it then stays as it is until the drop.
    timer->BorderForm = border;
    border->UpdateExBordersPos(true, 255);
    border->ExBorderShowing = true;
    SetWindowPos(h, bw, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetFormBlendValue(h, nullptr, 0, nullptr);
    timer->SetEnabled(true);
    if (!toMove) return;
    SendMessageW(bw, WM_SYSCOMMAND, SC_DRAGMOVE, 0);
    if (IsWindow(h) && FindFormInList(h) && FindFormInList(h)->DlgWnd.get() == dlg) FinishBlendOnMovingDlg(dlg);
    return;
  }
  {
    // The dialog turns layered under a snapshot of itself, so that the switch does not show.
    const std::unique_ptr<TkvGlowForm> cover(MakeCoverForm(h, nullptr, false, nullptr));
    const LONG ex = GetWindowLongW(h, GWL_EXSTYLE);
    if (!(ex & WS_EX_LAYERED)) SetWindowLongW(h, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    SetLayeredWindowAttributes(h, 0, 255, LWA_ALPHA);
    RedrawWindow(h, nullptr, nullptr, kRedrawAll);
  }
  timer->SetEnabled(true);
  if (!toMove) return;
  SendMessageW(h, WM_SYSCOMMAND, SC_DRAGMOVE, 0);
  // The move loop may have closed the dialog and freed its wrapper with it.
  if (IsWindow(h) && FindFormInList(h) && FindFormInList(h)->DlgWnd.get() == dlg) FinishBlendOnMovingDlg(dlg);
}

namespace {

// The end of a blended move through the border window: the dialog goes where the picture was
// dropped and is opaque again in front of it.
void FinishBorderBlendMoveDlg(TkvDialogWnd* dlg, TkvBorderForm& border, HWND bw) {
  const HWND h = dlg->CtrlHandle;
  if (TBitmap* picture = dlg->SkinData->FCacheBmp.get()) SetFormBlendValue(bw, picture, 255, nullptr);
  RECT br{};
  GetWindowRect(bw, &br);
  SetWindowPos(h, nullptr, br.left + border.OffsetX(), br.top + border.OffsetY(), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
  // The whole picture stays in front while the dialog turns opaque and paints under it.
  SetWindowPos(bw, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (dlg->MoveTimer) dlg->MoveTimer->SetEnabled(false);
  dlg->FormState &= ~DLG_BLENDMOVING;
  SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) & ~WS_EX_LAYERED);
  if (dlg->SkinData->BGChanged) dlg->PaintAll();
  SetFocus(h);
  RedrawWindow(h, nullptr, nullptr, kRedrawAll);
  // The dialog's own pixels reach the screen before the picture behind it loses its middle.
  WaitTicks(GetTickCount(), 40);
  SetWindowPos(bw, h, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  dlg->SkinData->BGChanged = true;
  border.ExBorderShowing = false;
  border.UpdateExBordersPos(true, 255);
}

}  // namespace

void FinishBlendOnMovingDlg(TkvDialogWnd* dlg) {
  const HWND h = dlg ? dlg->CtrlHandle : nullptr;
  if (!h || !(dlg->FormState & DLG_BLENDMOVING)) return;
  TkvBorderForm* border = dlg->BorderForm.get();
  if (const HWND bw = border ? border->LayeredWindow() : nullptr; bw && border->ExBorderShowing) {
    FinishBorderBlendMoveDlg(dlg, *border, bw);
    if (dlg->MoveTimer) dlg->MoveTimer->CurrentBlendValue = 255.0;
    dlg->MoveTimer.reset();
    return;
  }
  {
    // A snapshot hides the moment the dialog stops being layered.
    const std::unique_ptr<TkvGlowForm> cover(MakeCoverForm(h, nullptr, false, nullptr));
    SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) & ~WS_EX_LAYERED);
    UpdateWindow(h);
    if (dlg->MoveTimer) dlg->MoveTimer->SetEnabled(false);
    SetFocus(h);
    RedrawWindow(h, nullptr, nullptr, kRedrawAll);
  }
  dlg->FormState &= ~DLG_BLENDMOVING;
  // What changed during the drag (the activation) is painted now.
  if (dlg->SkinData->BGChanged) RedrawWindow(h, nullptr, nullptr, kRedrawAll);
  if (dlg->MoveTimer) dlg->MoveTimer->CurrentBlendValue = 255.0;
  dlg->MoveTimer.reset();
}

TkvDialogWnd* MakeDialogWrapper(HWND dialog) {
  if (!DefaultManager) return nullptr;
  TkvSkinParams params;
  params.VertScrollSize = params.HorzScrollSize = -1;
  // The dialog takes the skin's colours: its picture is its children's background.
  params.UseSkinColor = params.UseSkinFontColor = true;
  auto* w = TkvMainWnd::MakeWrapper<TkvDialogWnd>(dialog, nullptr, DefaultManager, params, false);
  if (!w->Attached()) {
    delete w;
    return nullptr;
  }
  return w;
}
