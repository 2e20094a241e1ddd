// Frame metrics of a skinned form: the system's non-client metrics at the form's PPI (cached
// per PPI in the provider) and the skin's metrics of the same PPI.
#include "base/WindowQueries.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "controls/sSkinMenus.h"
#include "forms/sSkinProvider.h"
#include "skin/sVclUtils.h"

namespace {

TkvSysMetricsFn LookUpSysMetricsForDpi() {
  HMODULE user = GetModuleHandleW(L"user32.dll");
  return user ? reinterpret_cast<TkvSysMetricsFn>(
                    reinterpret_cast<void*>(GetProcAddress(user, "GetSystemMetricsForDpi")))
              : nullptr;
}

TFormBorderStyle StyleOf(TsSkinProvider* sp) { return sp->Form ? sp->Form->BorderStyle() : bsNone; }

bool StyleIsSizeable(TFormBorderStyle s) { return s == bsSizeable || s == bsSizeToolWin; }

TsMaskData* ImageOf(TkvSkinData* data, Integer index) {
  return data && index >= 0 && index < Integer(data->ma.size()) ? &data->ma[size_t(index)] : nullptr;
}

}  // namespace

TkvSysMetricsFn kvSysMetricsForDpi = LookUpSysMetricsForDpi();

Integer kv_GetSysMetrics(Integer index, Integer ppi) {
  if (kvSysMetricsForDpi && ppi > 0) return kvSysMetricsForDpi(index, UINT(ppi));
  return GetSystemMetrics(index);
}

Integer GetWindowWidth(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  return r.right - r.left;
}
Integer GetWindowHeight(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  return r.bottom - r.top;
}
Integer GetClientWidth(HWND h) {
  RECT r{};
  GetClientRect(h, &r);
  return r.right;
}
Integer GetClientHeight(HWND h) {
  RECT r{};
  GetClientRect(h, &r);
  return r.bottom;
}

bool IsSizeBox(HWND h) { return (GetWindowLongW(h, GWL_STYLE) & WS_THICKFRAME) != 0; }

// Without an outer border window the skin paints inside the system frame: the skin's own
// border width counts only when a border window exists.
Integer SysBorderWidth(HWND h, TkvBorderWindow* bf, bool checkSkin) {
  if (checkSkin)
    if (const Integer skinWidth = SkinBorderWidth(bf)) return skinWidth;
  const LONG style = GetWindowLongW(h, GWL_STYLE);
  if (style & WS_THICKFRAME) {
    Integer w = Integer(SendAMessage(h, KV_GETBORDERWIDTH, 1));
    // A border window without a manager does not know the skin: the system's invisible
    // resize margin of Windows 8 and later counts.
    if (bf && IsWin8Up() && !BorderManagerOf(bf)) w += 4;
    return w;
  }
  if (style & WS_BORDER) return Integer(SendAMessage(h, KV_GETBORDERWIDTH, 2)) + 5;
  return Integer(SendAMessage(h, KV_GETBORDERWIDTH, 3));
}

// The top and bottom edges of a frame that cannot be sized are the window's own: the border
// metric carries the invisible margin that newer systems add around such frames, which this
// window need not have, and the caption, the title band and the client would part by it. The
// side edge (left of the client) is as thick as top and bottom; a control's own border width
// lies inside it and is counted by the callers.
Integer SysBorderHeight(HWND h, TkvBorderWindow* bf, bool checkSkin) {
  if (bf) return 0;
  const LONG style = GetWindowLongW(h, GWL_STYLE);
  if (!(style & WS_THICKFRAME) && (style & WS_BORDER) && !IsIconic(h)) {
    const TWinControl* control = FindControl(h);
    return ClientOrigin(h).X - (control ? control->BorderWidth() : 0);
  }
  return SysBorderWidth(h, nullptr, checkSkin);
}

Integer SysCaptHeight(TsSkinProvider* sp, Integer ppi) {
  if (!sp || !sp->Form) return 4;
  const bool iconic = sp->IsIconicForm();
  Integer index = SM_CYCAPTION;
  switch (sp->Form->BorderStyle()) {
    case bsDialog: index = IsWin10Up() && !iconic ? SM_CYSMCAPTION : SM_CYCAPTION; break;
    case bsToolWindow:
    case bsSizeToolWin: index = iconic ? SM_CYCAPTION : SM_CYSMCAPTION; break;
    default: break;
  }
  sp->CYCaption = kv_GetSysMetrics(index, ppi > 0 ? ppi : sp->FormPPI());
  return sp->CYCaption;
}

bool IsBorderUnchanged(Integer imageIndex, TkvSkinData* skinData) {
  if (imageIndex < 0) return true;
  TsMaskData* md = ImageOf(skinData, imageIndex);
  return md && md->ImageCount == 1;
}

bool IsGripVisible(TsSkinProvider* sp) {
  if (sp->FGripMode != gmRightBottom || sp->IsZoomed() || !sp->Form->HandleAllocated()) return false;
  return IsSizeBox(sp->Form->WindowHandle()) || (sp->FUWPMode && sp->FluentBorderStyle == bsSizeable);
}

bool InAnimation(TsSkinProvider* sp) { return sp->FInAnimation; }

Integer MaxBtnOffset(TsSkinProvider* sp, bool max) {
  const Integer t = sp->ActualTitleHeight(max);
  const Integer s = SysCaptHeight(sp, 0) + 4;
  return s >= t ? 0 : t - s;
}

// ---- Provider metrics ------------------------------------------------------------------------

Integer TsSkinProvider::FormPPI() {
  if (FCommonData && SkinManager() && SkinManager()->IsActive()) return GetPPI(FCommonData.get());
  return Form && Form->HandleAllocated() ? GetWndPPI(Form->WindowHandle()) : 96;
}

bool TsSkinProvider::IsZoomed() const { return Form && Form->HandleAllocated() && ::IsZoomed(Form->WindowHandle()); }

bool TsSkinProvider::IsIconicForm() const {
  return Form && Form->HandleAllocated() && ::IsIconic(Form->WindowHandle());
}

Integer TsSkinProvider::BorderWidth(bool checkSkin) {
  return SysBorderWidth(Form->Handle(), OuterBorder(), checkSkin) + Form->BorderWidth();
}

Integer TsSkinProvider::BorderHeight(bool checkSkin) {
  return SysBorderHeight(Form->Handle(), OuterBorder(), checkSkin) + Form->BorderWidth();
}

bool TsSkinProvider::IsBlurred() {
  const bool glassAreas = !FluentHandles.empty() && FCommonData && FCommonData->TranspMode != 0;
  return glassAreas || (FSystemBlur && FSystemBlur->Active());
}

TRect TsSkinProvider::UWPClientRect() {
  if (!Form || !Form->HandleAllocated()) return TRect();
  const HWND h = Form->WindowHandle();
  TRect r = OffsRect(TRect(0, 0, GetClientWidth(h), GetClientHeight(h)), OffsetX(), OffsetY());
  // Without an outer border a sizeable form keeps a thin frame to take the mouse.
  if (Form->BorderStyle() == bsSizeable && !BorderForm)
    r = TRect(r.Left - iUWPBorderWidth, r.Top - iUWPBorderWidth, r.Right + iUWPBorderWidth, r.Bottom + iUWPBorderWidth);
  return r;
}

bool TsSkinProvider::UWPNoBorderMode() { return FUWPMode && !BorderForm; }

void TsSkinProvider::UWPCaptionUpdate(bool hide) {
  if (!FUWPMode || !Form || !Form->HandleAllocated()) return;
  const HWND h = Form->WindowHandle();
  const LONG style = GetWindowLongW(h, GWL_STYLE);
  if (hide) {
    if (style & WS_CAPTION) SetWindowLongW(h, GWL_STYLE, style & ~LONG(WS_CAPTION));
  } else if (Form->BorderStyle() != bsNone && !(style & WS_CAPTION)) {
    SetWindowLongW(h, GWL_STYLE, style | LONG(WS_CAPTION));
    UpdateRgn(true, false);
  }
}

bool TsSkinProvider::HaveBorder() {
  if (!Form) return false;
  if (Form->BorderStyle() != bsNone || FluentBorderStyle != bsNone || IsBlurred()) return true;
  return Form->HandleAllocated() && (GetWindowLongW(Form->WindowHandle(), GWL_STYLE) & WS_CHILD);
}

Integer TsSkinProvider::CaptionHeight(bool checkSkin) {
  const bool hasCaption = HaveBorder() && (GetWindowLongW(Form->Handle(), GWL_STYLE) & WS_CAPTION);
  if (!hasCaption && !IsIconicForm()) return 0;
  // The skin's own title height applies with an outer border window only (the maximized
  // title whenever the form is maximized).
  const Integer h = checkSkin ? SkinTitleHeight(OuterBorder()) : 0;
  if (FSysExHeight) return Maxi(h, SysCaptHeight(this, 0) + 4);
  return h != 0 ? h : SysCaptHeight(this, 0);
}

Integer TsSkinProvider::ActualTitleHeight(bool max) {
  TkvSkinData* data = SkinDataFor();
  if (!data) return 0;
  if (max || (data->ExMaxHeight != 0 && IsZoomed())) return data->ExMaxHeight;
  return data->ExTitleHeight;
}

Integer TsSkinProvider::GetTopCoord() {
  if (BorderForm) {
    TkvSkinData* data = SkinDataFor();
    return ShadowSize().Top + (IsZoomed() ? 4 : data ? data->BITopMargin : 0);
  }
  return IsZoomed() ? 6 : 0;
}

Integer TsSkinProvider::HeaderHeight() {
  const HWND h = Form->Handle();
  const Integer captH = CaptionHeight(true);
  Integer r;
  if (BorderForm)
    r = SysBorderHeight(h, OuterBorder(), false) + captH;
  else if (captH != 0)
    r = GetWindowHeight(h) - GetClientHeight(h) - BorderHeight(true);
  else
    r = GetWindowHeight(h) - GetClientHeight(h) - ((GetWindowLongW(h, GWL_STYLE) & WS_BORDER) ? BorderHeight(true) : 0);
  r = Maxi(r, 0);
  if (IsIconicForm()) r += SysBorderHeight(h, OuterBorder(), false);
  // The client stops above the skinned horizontal bar: the bar is not header.
  if (FCommonData && FCommonData->Skinned()) r -= SkinnedScrollThickness(SB_HORZ);
  return r;
}

// The client area's place in the window picture is where the system put the client: frames
// whose sides differ (a dialog frame under a taller caption) would otherwise be copied with gaps
// or shifted, whatever the border metrics say.
TPoint ClientOrigin(HWND h) {
  RECT w{};
  GetWindowRect(h, &w);
  POINT origin{0, 0};
  ClientToScreen(h, &origin);
  return TPoint(origin.x - w.left, origin.y - w.top);
}

// With an outer border window the client sits inside the skin's frame and the shadow.
// Without an outer border window the client lies inside the system's frame: half of what the
// window is wider than the client (the skinned vertical bar aside) is the left edge.
Integer TsSkinProvider::OffsetX() {
  if (BorderForm) return BorderWidth(true) + ShadowSize().Left;
  const HWND h = Form->Handle();
  return (GetWindowWidth(h) - GetClientWidth(h) - SkinnedScrollThickness(SB_VERT)) / 2;
}
// Everything above the client: what the window is taller than the client, less the bottom edge
// and the skinned horizontal bar. The bottom edge is measured as the side edges are: the border
// metric of a frame that cannot be sized carries a margin the window does not have.
Integer TsSkinProvider::OffsetY() {
  if (BorderForm)
    return CaptionHeight(true) + LinesCount() * MenuHeight() + Form->BorderWidth() + ShadowSize().Top +
           (MenuHeight() != 0 ? 1 : 0);
  const HWND h = Form->Handle();
  const Integer bottom = (GetWindowLongW(h, GWL_STYLE) & WS_BORDER) ? OffsetX() : 0;
  return GetWindowHeight(h) - GetClientHeight(h) - bottom - SkinnedScrollThickness(SB_HORZ);
}

void TsSkinProvider::FormLeftTop(TPoint& p) {
  const HWND h = Form->Handle();
  if (Form->FormStyle() == fsMDIChild) {
    // Measured from the client origin: the child's window rectangle is the system's frame,
    // not the skinned one.
    POINT origin{0, 0};
    ClientToScreen(h, &origin);
    Integer top = origin.y - SysBorderHeight(h, OuterBorder(), true);
    if (!IsIconicForm()) top -= CaptionHeight(true);
    p = TPoint(origin.x - SysBorderWidth(h, OuterBorder(), true), top);
    return;
  }
  RECT r{};
  GetWindowRect(h, &r);
  p = TPoint(r.left, r.top);
}

Integer TsSkinProvider::FramePadding() {
  return StyleIsSizeable(StyleOf(this)) ? kv_GetSysMetrics(SM_CXPADDEDBORDER, FormPPI()) : 0;
}

Integer TsSkinProvider::FixedFrame() {
  CXFixedFrame = kv_GetSysMetrics(SM_CXDLGFRAME, FormPPI());
  return CXFixedFrame;
}

Integer TsSkinProvider::SizeFrame() {
  CXSizeFrame = kv_GetSysMetrics(SM_CXFRAME, FormPPI());
  return CXSizeFrame;
}

void TsSkinProvider::InitSysParams(Integer ppi) {
  CYCaption = -1;
  SysCaptHeight(this, ppi);
  CXSizeFrame = kv_GetSysMetrics(SM_CXFRAME, ppi);
  CXFixedFrame = kv_GetSysMetrics(SM_CXDLGFRAME, ppi);
  CXPaddedBorder = kv_GetSysMetrics(SM_CXPADDEDBORDER, ppi);
}

bool TsSkinProvider::HaveSysMenu() const { return Form && Form->BorderIcons().Contains(biSystemMenu); }

Integer TsSkinProvider::SysButtonsCount() {
  if (!SystemMenu || !HaveSysMenu()) return 0;
  return 1 + (SystemMenu->VisibleMax() ? 1 : 0) + (SystemMenu->VisibleMin() ? 1 : 0) +
         (Form->BorderIcons().Contains(biHelp) ? 1 : 0);
}

Integer TsSkinProvider::SysButtonWidth(const TsCaptionButton& btn) {
  TkvSkinData* data = SkinDataFor();
  if (!data || btn.cpGlyphType >= data->TitleGlyphs.size()) return 21;
  const TsMaskData* md = ImageOf(data, data->TitleGlyphs[btn.cpGlyphType]);
  return md ? md->Width : 21;
}

namespace {
// The size of a title glyph's image at the provider's PPI; fallback without one.
TSize GlyphSize(TsSkinProvider* sp, TkvTitleGlyph kind, Integer fallback) {
  TkvSkinData* data = sp->SkinDataFor();
  const TsMaskData* md = data ? ImageOf(data, data->TitleGlyphs[kind]) : nullptr;
  return md ? TSize(md->Width, md->Height) : TSize(fallback, fallback);
}
}  // namespace

Integer TsSkinProvider::ButtonHeight() { return GlyphSize(this, tgClose, 21).cy; }
Integer TsSkinProvider::SmallButtonWidth() { return GlyphSize(this, tgSmallClose, 16).cx; }
Integer TsSkinProvider::SmallButtonHeight() { return GlyphSize(this, tgSmallClose, 16).cy; }

Integer TsSkinProvider::UserButtonWidth(const TsTitleButton& btn) {
  const TsMaskData* md = ImageOf(SkinDataFor(), UserBtnIndex);
  const Integer imageWidth = md ? md->Width : 21;
  const Integer glyphWidth = btn.Glyph && btn.Glyph->Width() > 0 ? btn.Glyph->Width() + 2 : 0;
  return Maxi(imageWidth, glyphWidth);
}

Integer TsSkinProvider::TitleBtnsWidth() {
  TkvSkinData* data = SkinDataFor();
  const Integer a = BigButtons && data ? data->BISpacing : 0;
  Integer w = data ? data->BIRightMargin : 0;
  if (SystemMenu && HaveSysMenu()) {
    w += SysButtonWidth(ButtonClose);
    if (SystemMenu->VisibleMax()) w += a + SysButtonWidth(ButtonMax);
    if (SystemMenu->VisibleMin()) w += a + SysButtonWidth(ButtonMin);
    if (Form->BorderIcons().Contains(biHelp)) w += a + SysButtonWidth(ButtonHelp);
  }
  if (FTitleButtons->Count() > 0 && data) w += data->Spacing;
  for (Integer i = 0; i < FTitleButtons->Count(); ++i) w += a + UserButtonWidth(*FTitleButtons->Items(i));
  return w;
}

Integer TsSkinProvider::BarWidth(Integer imageIndex) {
  const TsMaskData* md = ImageOf(SkinDataFor(), imageIndex);
  return 2 * (md ? md->Width : 0) + TitleBtnsWidth();
}

bool TsSkinProvider::SysRTLAllowed() const {
  DuRiruZireziv* manager = SkinManager();
  return Form && Form->BiDiMode() == bdRightToLeft && manager && manager->ButtonsOptions.AllowRTLSysButtons;
}

bool TsSkinProvider::IconVisible() {
  const TFormBorderStyle s = StyleOf(this);
  return FTitleIcon && FTitleIcon->Visible() && (s == bsSingle || s == bsSizeable) && FShowAppIcon &&
         Form->HandleAllocated() && GetSystemMenu(Form->WindowHandle(), FALSE) != nullptr;
}

Integer TsSkinProvider::CaptionWidth() {
  const TRect shadow = ShadowSize();
  if (IsIconicForm() && Application && Application->MainForm() != Form) return 160 + shadow.Left + shadow.Right;
  if (BorderForm) return Form->Width() + 2 * DiffBorder(BorderForm.get()) + shadow.Left + shadow.Right;
  return Form->Width();
}

bool TsSkinProvider::FormChanged() {
  const TBitmap* cache = FCommonData->FCacheBmp.get();
  return !cache || cache->Width() != CaptionWidth() || cache->Height() != Form->Height();
}

void TsSkinProvider::UpdateIconsIndexes() {
  const TFormBorderStyle s = StyleOf(this);
  BigButtons = s == bsSingle || s == bsSizeable || s == bsDialog;
  DuRiruZireziv* manager = SkinManager();
  if (!manager || !manager->IsValidSkinIndex(manager->SkinCommonInfo.Sections[ssFormTitle])) return;
  ButtonMin.cpHitCode = HTMINBUTTON;
  ButtonMax.cpHitCode = HTMAXBUTTON;
  ButtonClose.cpHitCode = HTCLOSE;
  ButtonHelp.cpHitCode = HTHELP;
  if (BigButtons) {
    ButtonMin.cpGlyphType = tgMin;
    ButtonMax.cpGlyphType = tgMax;
    ButtonClose.cpGlyphType =
        SystemMenu && (SystemMenu->VisibleMax() || SystemMenu->VisibleMin()) ? tgClose : tgCloseAlone;
    ButtonHelp.cpGlyphType = tgHelp;
  } else {
    ButtonClose.cpGlyphType = tgSmallClose;
    ButtonMin.cpGlyphType = tgSmallMin;
    ButtonMax.cpGlyphType = tgSmallMax;
    ButtonHelp.cpGlyphType = tgSmallHelp;
  }
  for (TsCaptionButton* b : {&ButtonMin, &ButtonMax, &ButtonClose, &ButtonHelp}) b->cpHaveAlignment = BigButtons;
  // The buttons of a maximized MDI child stand small in the main form's menu line.
  if (Form && Form->FormStyle() == fsMDIForm && !manager->IsDesigning()) {
    MDIMin.cpGlyphType = tgSmallMin;
    MDIMax.cpGlyphType = tgSmallMax;
    MDIClose.cpGlyphType = tgSmallClose;
    for (TsCaptionButton* b : {&MDIMin, &MDIMax, &MDIClose}) b->cpHaveAlignment = false;
  }
  UserBtnIndex = manager->GetMaskIndex(manager->SkinCommonInfo.Sections[ssFormTitle], u"TITLEBUTTON", SkinDataFor());
}

void TsSkinProvider::UpdateNCArea(bool skinned) {
  if (IsDesigning() || !SkinManager() || !Form) return;
  const HWND h = Form->HandleAllocated() ? Form->WindowHandle() : nullptr;
  DuRiruZireziv* manager = SkinManager();
  if (skinned) {
    CheckSysMenu(true);
    if (h && Form->Showing() && Skinned()) {
      FCommonData->BGChanged = true;
      TryInitMenu();
      InitExBorders(manager->GetExtendedBorders());
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_UPDATENOW | RDW_FRAME);
      RefreshFormScrolls();
    }
  } else {
    // The system draws the frame again: no outer border, the system's menu bar and theme.
    BorderForm.reset();
    if (FDrawNonClientArea)
      if (TMainMenu* menu = Form->Menu())
        if (TsSkinableMenus* painter = SkinableMenus()) painter->InitMenuLine(menu, false);
    if (h && uxthemeLib && kv_SetWindowTheme) kv_SetWindowTheme(h, nullptr, nullptr);
    FreeFormScrolls();
    CheckSysMenu(false);
    if (h && Form->Showing()) SetWindowRgn(h, nullptr, FALSE);
    FCommonData->BGChanged = true;
    if (h) RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
  }
}
