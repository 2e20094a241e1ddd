// The picture of a skinned form (frame, title, icon, caption text, caption buttons and client
// background in one bitmap of the window's size), the window region cut from the skin's
// corner masks, and the handlers that bring the picture to the screen.
//
// The picture is rebuilt only while the skin data's BGChanged is set; every handler that
// changes the look sets it and the next paint rebuilds.
#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "forms/kvTitleBar.h"
#include "forms/sMDIForm.h"
#include "forms/sSkinProvider.h"
#include "wrappers/kvSBUtils.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "raster/MaskImages.h"
#include "raster/Regions.h"
#include "skin/sVclUtils.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"
#include "ui/WinHandles.h"

namespace {

HWND FormWnd(TsSkinProvider* sp) { return sp->Form && sp->Form->HandleAllocated() ? sp->Form->WindowHandle() : nullptr; }

TsGeneralData* SectionOf(TkvSkinData* data, Integer index) {
  return data && index >= 0 && index < Integer(data->gd.size()) ? &data->gd[size_t(index)] : nullptr;
}

TsMaskData* ImageOf(TkvSkinData* data, Integer index) {
  return data && index >= 0 && index < Integer(data->ma.size()) ? &data->ma[size_t(index)] : nullptr;
}

// The title icon: the form's small icon, else the application's.
HICON TitleIcon(HWND h) {
  auto icon = reinterpret_cast<HICON>(SendMessageW(h, WM_GETICON, ICON_SMALL, 0));
  if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(h, GCLP_HICONSM));
  if (!icon) icon = reinterpret_cast<HICON>(SendMessageW(h, WM_GETICON, ICON_BIG, 0));
  if (!icon) icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  return icon;
}

}  // namespace

// ---- The picture -----------------------------------------------------------------------------

bool TsSkinProvider::PaintAll() {
  const HWND h = FormWnd(this);
  TkvSkinData* data = SkinDataFor();
  DuRiruZireziv* manager = SkinManager();
  if (!h || !data || !manager || Form->ControlState().Contains(csCreating)) return true;
  if ((FFormState & (FS_BLENDMOVING | FS_ANIMCLOSING)) && !(FFormState & FS_SCALING)) return true;
  TsGeneralData* section = SectionOf(data, FCommonData->SkinIndex);
  if (!section) return true;
  if (DoReinit) {
    DoReinit = false;
    InitSysParams(FormPPI());
    FLinesCount = -1;
    MenuChanged = true;
    FCommonData->BGChanged = true;
    SetWindowPos(h, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_NOCOPYBITS |
                     SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
  }

  const bool iconic = IsIconicForm() && Application && Application->MainForm() != Form;
  const Integer cy = SysBorderHeight(h, OuterBorder(), false);
  const Integer iCaptHeight = CaptionHeight(true);
  // The outer border's shadow lies around the form in the same picture.
  const TRect aShadowSize = ShadowSize();
  const Integer fCaptHeight = aShadowSize.Top + cy + iCaptHeight;
  Integer fHeight = iconic ? cy + iCaptHeight + 2 : Form->Height();
  if (BorderForm)
    fHeight += DiffBorder(BorderForm.get()) + DiffTitle(BorderForm.get()) + aShadowSize.Top + aShadowSize.Bottom;
  const Integer fWidth = CaptionWidth();
  const Integer iDrawState = Mini(FormActive ? 1 : 0, Maxi(section->States - 1, 0));
  // The captionless look shows the client area alone.
  const TRect rForm = FUWPMode ? UWPClientRect()
                               : TRect(aShadowSize.Left, aShadowSize.Top, fWidth - aShadowSize.Right,
                                       fHeight - aShadowSize.Bottom);
  if (fWidth <= 0 || fHeight <= 0) return true;

  if (!FCommonData->FCacheBmp) FCommonData->FCacheBmp = std::make_unique<TBitmap>(0, 0, pf32bit);
  TBitmap* cache = FCommonData->FCacheBmp.get();
  if (cache->Width() != fWidth || cache->Height() != fHeight) {
    cache->SetSize(fWidth, fHeight);
    FCommonData->BGChanged = true;
  }

  if (FCommonData->BGChanged) {
    CalcItems();
    const TPoint formPos(Form->Left(), Form->Top());
    const bool topLevel = !Form->Parent();
    const TsMaskData* border = ImageOf(data, section->BorderIndex);
    // The outer window draws frame and title from the skin's extended-border image.
    const bool exBorders = ExtendedFrameDrawing();
    const bool bgOnly = (!HaveBorder() && section->BorderRadius <= 0 && (topLevel || exBorders)) ||
                        (!border && section->Props[0].BorderColor == TColor(0xFF00FF)) || FUWPMode;
    if (bgOnly) {
      const TColor custom = FCommonData->FCustomColor ? ColorToRGB(Form->Color()) : TColor(0xFF00FF);
      PaintItemBG(FCommonData->SkinIndex, EmptyCI, iDrawState, rForm, formPos, cache, data, -1, -1, custom);
      const TCacheInfo self = MakeCacheInfo(cache);
      auto corner = [&](Integer img, bool right, bool bottom) {
        const TsMaskData* md = ImageOf(data, img);
        if (!md) return;
        const TPoint p(right ? rForm.Right - md->Width : rForm.Left, bottom ? rForm.Bottom - md->Height : rForm.Top);
        DrawSkinGlyph(cache, p, iDrawState, 1, *md, self);
      };
      corner(section->ImgTL, false, false);
      corner(section->ImgTR, true, false);
      corner(section->ImgBL, false, true);
      corner(section->ImgBR, true, true);
    } else {
      PaintItem(FCommonData.get(), EmptyCI, false, iDrawState, rForm, formPos, cache, !topLevel, 0, 0, true);
    }

    // Title: its section, the icon, the plate behind the caption buttons, the caption text.
    auto paintTitle = [&](bool withSection) {
      if (iCaptHeight == 0 || !CanDrawNCArea() || FUWPMode) return;
      TsGeneralData* title = withSection ? SectionOf(data, FTitleSkinIndex) : nullptr;
      if (title) {
        const Integer state = Mini(FormActive ? 1 : 0, Maxi(title->States - 1, 0));
        const TRect r(rForm.Left, rForm.Top, rForm.Right, iconic ? rForm.Bottom : fCaptHeight);
        PaintItem(FTitleSkinIndex, MakeCacheInfo(cache), true, state, r, TPoint(0, 0), cache, data);
      }
      DrawAppIcon(cache);
      if (SysButtonsCount() > 0) {
        const Integer bar = manager->GetMaskIndex(FCommonData->SkinIndex, u"TITLEBAR", data);
        if (const TsMaskData* md = ImageOf(data, bar)) {
          const Integer h2 = 2 * cy + iCaptHeight;
          const Integer right = fWidth - aShadowSize.Right;
          DrawSkinRect(cache, TRect(right - BarWidth(bar), rForm.Top, right, rForm.Top + h2 - cy), MakeCacheInfo(cache),
                       *md, iDrawState, false);
        }
      }
    };
    if (!exBorders) paintTitle(true);
    if (!iconic) PaintMenuLine(cache, iDrawState, fCaptHeight, fWidth);
    if (BorderForm && !exBorders) PaintText(cache, rForm);
    // The frame and shadow around the form come before what the title holds: the extended
    // frame covers the title strip.
    if (BorderForm) {
      PaintOuterBorder(cache, rForm);
      // The title section is the extended frame's; its header, icon, plate and text go over it.
      if (exBorders) {
        paintTitle(false);
        PaintText(cache, rForm);
      }
    } else {
      PaintText(cache, rForm);
    }
    if (IsGripVisible(this))
      if (const TsMaskData* grip = ImageOf(data, data->GripRightBottom)) {
        const TPoint p(rForm.Right - grip->Width - BorderWidth(true), rForm.Bottom - grip->Height - BorderHeight(true));
        DrawSkinGlyph(cache, p, 0, 1, *grip, MakeCacheInfo(cache));
      }
    if (iCaptHeight != 0 && CanDrawNCArea() && !FUWPMode) {
      SaveBGForBtns(fWidth, true);
      PaintTitleContent(cache);
    }
    MenuChanged = false;
    FCommonData->BGChanged = false;
    FirstInitialized = true;
  }
  if (UWPNoBorderMode()) {
    // The form's own window shows the look: a thin frame around a sizeable client, nothing
    // outside it.
    if (Form->BorderStyle() == bsSizeable)
      FillDCBorder32(cache, rForm, iUWPBorderWidth, iUWPBorderWidth, iUWPBorderWidth, iUWPBorderWidth,
                     manager->Palette[pcBorder]);
    FillRect32Excl(cache, TRect(0, 0, cache->Width(), cache->Height()), rForm, 0, 0);
  }
  if (!Form->Parent()) FCommonData->FUpdating = false;
  return true;
}

void TsSkinProvider::DrawAppIcon(TBitmap* bmp) {
  const HWND h = FormWnd(this);
  if (!h || !IconVisible() || FIconRect.Width() <= 0 || FIconRect.Height() <= 0) return;
  DrawIconOpaque(bmp, FIconRect, TitleIcon(h));
}

void DrawIconOpaque(TBitmap* bmp, const TRect& r, HICON icon) {
  if (!bmp || !icon || r.Width() <= 0 || r.Height() <= 0) return;
  // The icon drawing leaves alpha alone: every pixel it changed is made opaque, so that the
  // picture is right where its alpha counts (layered windows, the form image).
  const Integer top = Maxi(r.Top, 0), bottom = Mini(r.Bottom, bmp->Height());
  const Integer left = Maxi(r.Left, 0), right = Mini(r.Right, bmp->Width());
  if (top >= bottom || left >= right) return;
  std::vector<uint32_t> before;
  before.reserve(size_t(right - left) * size_t(bottom - top));
  TPixelView v = bmp->View();
  for (Integer y = top; y < bottom; ++y)
    for (Integer x = left; x < right; ++x) before.push_back(v.At(x, y));
  DrawIconEx(bmp->Canvas()->Handle(), r.Left, r.Top, icon, r.Width(), r.Height(), 0, nullptr, DI_NORMAL);
  v = bmp->View();
  size_t i = 0;
  for (Integer y = top; y < bottom; ++y)
    for (Integer x = left; x < right; ++x, ++i)
      if (v.At(x, y) != before[i]) v.At(x, y) |= 0xFF000000u;
}

void TsSkinProvider::PaintText(TBitmap* bmp, const TRect&) {
  TkvSkinData* data = SkinDataFor();
  DuRiruZireziv* manager = SkinManager();
  const HWND h = FormWnd(this);
  const Integer iCaptHeight = CaptionHeight(true);
  if (!bmp || !h || !data || !manager || iCaptHeight == 0 || !CanDrawNCArea() || FUWPMode) return;
  const Integer sbw = SysBorderWidth(h, OuterBorder(), true);
  const TRect shadow = ShadowSize();
  const Integer fWidth = CaptionWidth();
  const Integer fCaptHeight = shadow.Top + SysBorderHeight(h, OuterBorder(), false) + iCaptHeight;
  const TsGeneralData* plate = SectionOf(data, FCaptionSkinIndex);
  const Integer plateGap = plate ? 2 : 0;
  const bool iconShown = IconVisible() && FIconRect.Width() > 0;
  TsTitleBar* bar = TitleBarOf(Form);

  // The room of the text between the icon and the caption buttons.
  TRect r;
  if (bar) {
    r.Left = bar->FBarRect.Left + bar->FLeftWidth;
    r.Right = bar->FShowCaption ? bar->FBarRect.Right - bar->FRightWidth - 2 * data->Spacing : bar->FBarRect.Right;
  } else if (FCaptionAlignment == taCenter) {
    r.Left = sbw + shadow.Left;
    r.Right = fWidth - shadow.Right;
  } else if (SysRTLAllowed()) {
    // The icon stands at the right, the buttons at the left.
    r.Right = bmp->Width() - (sbw + (iconShown ? FIconRect.Width() : 0) + data->Spacing + data->BIRightMargin +
                              shadow.Right + plateGap);
    r.Left = sbw + TitleBtnsWidth() + shadow.Right + data->Spacing;
  } else {
    r.Left = iconShown ? FIconRect.Right + data->Spacing : sbw + data->BILeftMargin + shadow.Left + plateGap;
    r.Right = fWidth - TitleBtnsWidth() - shadow.Right - sbw - data->Spacing;
  }
  const bool zoomed = IsZoomed();
  r.Top = shadow.Top + (zoomed ? (BorderForm ? 1 : 3) : 0);
  r.Bottom = fCaptHeight;
  if (BorderForm) {
    // The skin's extended title centres its content off the middle.
    Integer dy = data->ExCenterOffs;
    if (zoomed && data->ExMaxHeight != 0 && data->ExMaxHeight != data->ExTitleHeight)
      dy += (data->ExTitleHeight - data->ExMaxHeight) / 2;
    r = OffsRect(r, 0, dy);
  }
  const bool showMain = !bar || bar->FShowCaption;
  const String caption = Form->Caption();
  if (!showMain || r.Right <= r.Left || r.Bottom <= r.Top || caption.empty()) return;

  const TOwnedFont font(kvGetTitleFont(FormPPI()));
  TCanvas* canvas = bmp->Canvas();
  if (font.get()) {
    LOGFONTW lf{};
    GetObjectW(font.get(), sizeof lf, &lf);
    canvas->Font()->SetHandle(CreateFontIndirectW(&lf));
  }
  SIZE ts{};
  GetTextExtentPoint32W(canvas->Handle(), reinterpret_cast<LPCWSTR>(caption.c_str()), Integer(caption.size()), &ts);
  const Integer maxCY = ts.cy;
  r.Top = bar ? bar->FBarVCenter - maxCY / 2 : VCenter - maxCY / 2 - 1;
  r.Bottom = r.Top + maxCY;

  // A right-to-left form mirrors the alignment.
  TAlignment alignment = FCaptionAlignment;
  if (Form->UseRightToLeftAlignment() && alignment != taCenter)
    alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
  if (alignment == taRightJustify && data->Spacing + ts.cx < r.Width()) r.Left = r.Right - (data->Spacing + ts.cx);
  if (alignment == taCenter) {
    r.Left = Maxi(r.Left, r.Left + (r.Width() - ts.cx - data->Spacing) / 2);
    r.Right = Mini(r.Left + ts.cx, r.Right);
  }
  Cardinal flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
  if (Form->UseRightToLeftReading()) flags |= DT_RTLREADING;

  // The text as it will stand (cut with an ellipsis when it does not fit).
  TRect text = r;
  kvDrawText(canvas->Handle(), caption, text, flags | DT_CALCRECT);
  text.Right = Mini(text.Right, r.Right);
  text.Top = r.Top;
  text.Bottom = r.Bottom;

  // The plate section behind the text gives the colours; else the title section does.
  Integer sectionIndex = -1;
  if (plate) {
    sectionIndex = FCaptionSkinIndex;
    const Integer state = Mini(FormActive ? 1 : 0, Maxi(plate->States - 1, 0));
    const TRect plateRect(text.Left - 4, text.Top - 2, text.Right + 4, text.Bottom + 2);
    // The plate blends over the title as it is now, not over itself while it is painted.
    const std::unique_ptr<TBitmap> strip(
        CreateBmp32(bmp->Width(), Mini(bmp->Height(), Maxi(fCaptHeight, plateRect.Bottom))));
    BitBlt(strip->Canvas()->Handle(), 0, 0, strip->Width(), strip->Height(), canvas->Handle(), 0, 0, SRCCOPY);
    PaintItem(FCaptionSkinIndex, MakeCacheInfo(strip.get()), true, state, plateRect, TPoint(0, 0), bmp, data);
  } else if (SectionOf(data, FTitleSkinIndex)) {
    sectionIndex = FTitleSkinIndex;
  }
  if (sectionIndex < 0) return;
  const Integer state = FormActive ? 1 : 0;
  const TsGeneralData& section = data->gd[size_t(sectionIndex)];
  const TsGenState& look = section.Props[size_t(state)];
  if (look.GlowSize > 0) {
    std::unique_ptr<TBitmap>& kept = FormActive ? FGlow1 : FGlow2;
    TBitmap* mask = kept.release();
    kvDrawGlowForText(bmp, caption, text, flags, 15, look.GlowSize, TColor(look.GlowColor), mask);
    kept.reset(mask);
  }
  // The border window shows the picture's alpha: the text keeps it right there.
  if (BorderForm) {
    WriteText32(bmp, caption, Form->Enabled(), text, flags, sectionIndex, state, manager);
  } else {
    canvas->Brush()->SetStyle(bsClear);
    kvWriteTextEx(canvas, caption, Form->Enabled(), text, flags, sectionIndex, state, manager);
  }
}

void TsSkinProvider::FreeCaptionGlows() {
  FGlow1.reset();
  FGlow2.reset();
}

void TsSkinProvider::PaintTitleContent(TBitmap* bmp) {
  PaintTitleItems(*this, bmp);
  if (Form->FormStyle() == fsMDIForm) PaintMDIButtons(*this, bmp);
  if (!SystemMenu || !HaveSysMenu()) return;
  PaintCaptionButton(bmp, ButtonClose, HTCLOSE);
  if (SystemMenu->VisibleMax()) PaintCaptionButton(bmp, ButtonMax, HTMAXBUTTON);
  if (SystemMenu->VisibleMin()) PaintCaptionButton(bmp, ButtonMin, HTMINBUTTON);
  if (Form->BorderIcons().Contains(biHelp)) PaintCaptionButton(bmp, ButtonHelp, HTHELP);
  for (Integer i = 0; i < FTitleButtons->Count() && i < kvMaxCaptionItems; ++i)
    if (FTitleButtons->Items(i)->Visible) PaintCaptionButton(bmp, FTitleButtons->Items(i)->Data, HTUDBTN + i);
}

void TsSkinProvider::SaveBGForBtns(Integer captWidth, bool full) {
  TBitmap* cache = FCommonData->FCacheBmp.get();
  const HWND h = FormWnd(this);
  if (!cache || !TempBmp || !h) return;
  // The strip reaches over the outer border's shadow at the top and the right.
  const TRect shadow = ShadowSize();
  const Integer w = SysBorderWidth(h, OuterBorder(), true) + TitleBtnsWidth() + 10 + shadow.Right;
  const Integer height = SysBorderWidth(h, OuterBorder(), false) + SysBorderHeight(h, OuterBorder(), true) +
                         CaptionHeight(true) + MenuHeight() + shadow.Top;
  TempBmp->SetSize(w, height);
  const Integer rows = full ? height : SysBorderHeight(h, OuterBorder(), true) + CaptionHeight(true) + shadow.Top;
  const Integer x = SysRTLAllowed() ? 0 : captWidth - w;
  BitBlt(TempBmp->Canvas()->Handle(), 0, 0, w, rows, cache->Canvas()->Handle(), x, 0, SRCCOPY);
}

void TsSkinProvider::RestoreBtnsBG(Integer captWidth) {
  TBitmap* cache = FCommonData->FCacheBmp.get();
  if (!cache || !TempBmp || TempBmp->Width() == 0) return;
  const Integer x = SysRTLAllowed() ? 0 : captWidth - TempBmp->Width();
  BitBlt(cache->Canvas()->Handle(), x, 0, TempBmp->Width(), TempBmp->Height(), TempBmp->Canvas()->Handle(), 0, 0,
         SRCCOPY);
}

std::unique_ptr<TBitmap> TsSkinProvider::GetFormImage() {
  if (FCommonData->BGChanged || !FCommonData->FCacheBmp) PaintAll();
  // The whole picture: with an outer border, its frame and shadow around the form too.
  TBitmap* cache = FCommonData->FCacheBmp.get();
  const bool cached = cache && !cache->Empty();
  auto image = std::make_unique<TBitmap>(cached ? cache->Width() : Form->Width(),
                                         cached ? cache->Height() : Form->Height(), pf32bit);
  if (cached)
    BitBlt(image->Canvas()->Handle(), 0, 0, image->Width(), image->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
  if (const HWND h = FormWnd(this)) {
    // The client part as the form shows it now, opaque: a screen copy brings no alpha.
    const TClientDC dc(h);
    const TRect client(OffsetX(), OffsetY(), OffsetX() + GetClientWidth(h), OffsetY() + GetClientHeight(h));
    if (dc &&
        BitBlt(image->Canvas()->Handle(), client.Left, client.Top, client.Width(), client.Height(), dc, 0, 0, SRCCOPY))
      FillAlphaRect(image.get(), client, 255, clNone);
  }
  return image;
}

void TsSkinProvider::FillAlphaClient(TBitmap* bmp) {
  const HWND h = FormWnd(this);
  if (!bmp || !h || (!BorderForm && !IsBlurred())) return;
  TRect r = OffsRect(TRect(0, 0, GetClientWidth(h), GetClientHeight(h)), OffsetX(), OffsetY());
  r.Bottom = Mini(r.Bottom, bmp->Height() - 1);
  // Blur-through controls keep the alpha they were painted with: the blur shows there.
  std::vector<TRect> through;
  if (IsBlurred()) {
    RECT wr{};
    GetWindowRect(h, &wr);
    const TRect shadow = ShadowSize();
    const Integer dx = shadow.Left - wr.left - SysBorderWidth(h, nullptr, false), dy = shadow.Top - wr.top + 4;
    for (HWND c : FluentHandles) {
      RECT cr{};
      if (IsWindow(c) && GetWindowRect(c, &cr)) through.push_back(OffsRect(TRect(cr.left, cr.top, cr.right, cr.bottom), dx, dy));
    }
  }
  FillAlphaRect(bmp, r, 255, clNone, through);
}

// ---- Region ----------------------------------------------------------------------------------

Integer TsSkinProvider::SectionBorderRadius() {
  const TsGeneralData* section = SectionOf(SkinDataFor(), FCommonData ? FCommonData->SkinIndex : -1);
  return section ? section->BorderRadius : 0;
}

// What a round mask holds outside its disc: opaque white, alpha included.
constexpr TColor kRoundMaskOutside = 0xFFFFFFFFu;

void TsSkinProvider::FillArOR() {
  TkvSkinData* data = SkinDataFor();
  TsGeneralData* section = SectionOf(data, FCommonData->SkinIndex);
  if (!section) return;
  Rects.clear();
  const Integer width = CaptionWidth(), height = Form->Height();
  if (const TsMaskData* md = ImageOf(data, section->BorderIndex)) {
    AddRgn(Rects, width, *md, 0, false, 0);
    AddRgn(Rects, width, *md, height - md->WB, true, 0);
  } else if (section->BorderRadius > 0) {
    const Integer r = section->BorderRadius;
    if (TBitmap* mask = GetRoundMask(r)) {
      const TRect mr(0, 0, mask->Width(), mask->Height());
      AddRgn(Rects, mask, mr, width, r, r, r, r, 0, false, false, kRoundMaskOutside, 0);
      AddRgn(Rects, mask, mr, width, r, r, r, r, height - r, true, false, kRoundMaskOutside, 0);
    }
  }
  if (TsGeneralData* title = SectionOf(data, FTitleSkinIndex)) {
    const Integer titleMask = SkinManager()->GetMaskIndex(FTitleSkinIndex, u"BORDERSMASK", data);
    if (const TsMaskData* md = ImageOf(data, titleMask)) {
      AddRgn(Rects, width, *md, 0, false, 0);
    } else if (title->BorderRadius > 0) {
      const Integer r = title->BorderRadius;
      if (TBitmap* mask = GetRoundMask(r)) {
        const TRect mr(0, 0, mask->Width(), mask->Height());
        AddRgn(Rects, mask, mr, width, r, r, r, r, 0, false, false, kRoundMaskOutside, 0);
      }
    }
  }
}

HRGN TsSkinProvider::GetRgnFromArOR(Integer x, Integer y) {
  HRGN rgn = CreateRectRgn(x, y, x + CaptionWidth(), y + Form->Height());
  for (const TRect& r : Rects) {
    HRGN cut = CreateRectRgn(r.Left + x, r.Top + y, r.Right + x, r.Bottom + y);
    CombineRgn(rgn, rgn, cut, RGN_DIFF);
    DeleteObject(cut);
  }
  return rgn;
}

void TsSkinProvider::UpdateRgn(bool doRepaint, bool allChildren) {
  const HWND h = FormWnd(this);
  if (!CanDrawNCArea() || !h || InMenu) return;
  TsGeneralData* section = SectionOf(SkinDataFor(), FCommonData->SkinIndex);
  if (!HaveBorder() && (!section || section->BorderRadius <= 0) && !IsIconicForm() && !IsSizeBox(h)) return;
  // Another skinning engine that owns the window answers the probe.
  if (!FirstInitialized && TrySendMessage(h, CM_BEWAIT_FORM, BE_ID, 0) == BE_ID) return;
  const auto changing = SetForScope(RgnChanging, true);
  HRGN rgn;
  const bool zoomed = IsZoomed();
  if (UWPNoBorderMode()) {
    TRect r = UWPClientRect();
    if (zoomed) r.Top -= SysCaptHeight(this, 0);
    rgn = CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom);
  } else if (BorderForm) {
    // The border window draws the frame: the form shows what lies inside the system's frame
    // and caption.
    if (Form->BorderStyle() == bsNone) {
      rgn = CreateRectRgn(0, 0, Form->Width(), Form->Height());
    } else {
      const Integer s = SysBorderWidth(h, nullptr, false);
      Integer t = FSysExHeight ? s + SysCaptHeight(this, 0)
                               : SysBorderHeight(h, OuterBorder(), false) + SysCaptHeight(this, 0) + s;
      if (zoomed && FUWPMode) t -= SysCaptHeight(this, 0);
      rgn = CreateRectRgn(s, t, Form->Width() - s, Form->Height() - s);
    }
  } else if (zoomed && Form->Constraints()->MaxWidth() == 0 && Form->Constraints()->MaxHeight() == 0 &&
             Form->FormStyle() != fsMDIChild) {
    // The frame that lies off the screen is cut.
    const Integer bw = SysBorderWidth(h, nullptr, false), bh = SysBorderHeight(h, nullptr, false);
    rgn = CreateRectRgn(bw, bh, Form->Width() - bw, Form->Height() - bh);
  } else {
    rgn = GetRgnFromArOR(0, 0);
  }
  RgnChanged = false;
  // The window owns the region from here on.
  if (allChildren) {
    SetWindowRgn(h, rgn, doRepaint);
  } else {
    SetWindowRgn(h, rgn, TRUE);
    if (doRepaint && IsWindowVisible(h)) {
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN);
      ProcessMessage(WM_NCPAINT);
    }
  }
}

// ---- Paint handlers --------------------------------------------------------------------------

void TsSkinProvider::KV_WMNCPaint(TMessage& m) {
  if (!SystemMenu) PrepareForm();
  if (RTInit) {
    RTInit = false;
    LoadInit();
  }
  if (FCommonData->InUpdating()) {
    if (!CanDrawNCArea()) PassOn(m);
    return;
  }
  if (!CanDrawNCArea()) {
    PassOn(m);
    return;
  }
  const HWND h = FormWnd(this);
  if (fAnimating || !Form->Showing() || IsLoading() || !h || !SystemMenu) return;
  if (IsIconicForm()) {
    FCommonData->BGChanged = true;
  } else if (GetWindowWidth(h) != Form->Width() || GetWindowHeight(h) != Form->Height()) {
    return;  // a size change is in flight
  }
  if (!Adapter) AdapterCreate();
  TryInitMenu();
  KV_WMNCPaintHandler();
  m.Result = 0;
}

void TsSkinProvider::KV_WMNCPaintHandler() {
  // The own move and size frame draws on the desktop, which composition does not show.
  if (FResizeMode == rmBorder && AeroIsEnabled()) FResizeMode = rmStandard;
  if (LockCount > 0) return;
  const HWND h = FormWnd(this);
  if (!h) return;
  TBitmap* cache = FCommonData->FCacheBmp.get();
  if (!cache || cache->Width() == 0) FCommonData->BGChanged = true;
  const bool rebuilt = FCommonData->BGChanged;
  if (FCommonData->BGChanged && !PaintAll()) return;
  const TScopeExit followed([this, rebuilt] { UpdateOuterBorder(rebuilt); });
  if (RgnChanged && !RgnChanging) {
    if (IsIconicForm() && (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_APPWINDOW)) return;
    FillArOR();
    RgnChanged = false;
    UpdateRgn(false, false);
  }
  FCommonData->FUpdating = false;
  const TWindowDC dc(h);
  if (!dc) return;
  const TSaveDC saved(dc);
  PaintCaption(dc);
  RgnChanging = false;
}

void TsSkinProvider::PaintCaption(HDC dc) {
  if (FCommonData->BGChanged) PaintAll();
  TBitmap* cache = FCommonData->FCacheBmp.get();
  const HWND h = FormWnd(this);
  if (!cache || !h) return;
  // The border window shows the frame; the form's region leaves only its client visible.
  if (BorderForm) return;
  // The frame is the window outside its client: the top block down to the client, then the
  // ring of the left, right and bottom sides, each as wide as the system made it.
  const Integer w = CaptionWidth();
  const Integer top = OffsetY();
  Integer left = OffsetX();
  Integer right = GetWindowWidth(h) - GetClientWidth(h) - left;
  // The skinned scroll bars lie between the client and the frame: the wrapper paints them, the
  // frame strips stop short of them.
  const Integer vBar = SkinnedScrollThickness(SB_VERT);
  if (ListSW && ListSW->fLeftScrollbar)
    left -= vBar;
  else
    right -= vBar;
  const Integer bottom = GetWindowHeight(h) - GetClientHeight(h) - top - SkinnedScrollThickness(SB_HORZ);
  HDC src = cache->Canvas()->Handle();
  if (top > 0) BitBlt(dc, 0, 0, w, top, src, 0, 0, SRCCOPY);
  BitBltBorder(dc, 0, top, cache->Width(), cache->Height() - top, src, 0, top, left, 0, right, bottom);
}

void TsSkinProvider::PaintForm(HDC dc, const TRect& paintRect) {
  if (FCommonData->BGChanged) PaintAll();
  TBitmap* cache = FCommonData->FCacheBmp.get();
  if (!cache) return;
  BitBlt(dc, paintRect.Left, paintRect.Top, paintRect.Width(), paintRect.Height(), cache->Canvas()->Handle(),
         OffsetX() + paintRect.Left, OffsetY() + paintRect.Top, SRCCOPY);
  ControlsChanged = false;
}

void TsSkinProvider::KV_WMEraseBkGnd(TMessage& m) {
  const HWND h = FormWnd(this);
  if (!h || !IsWindowVisible(h) || !FDrawClientArea) {
    PassOn(m);
    return;
  }
  if (FCommonData->GetUpdating()) return;
  auto dc = reinterpret_cast<HDC>(m.WParam);
  if (!dc) return;
  RECT clip{};
  if (GetClipBox(dc, &clip) != NULLREGION) {
    const TRect client(0, 0, GetClientWidth(h), GetClientHeight(h));
    PaintForm(dc, client);
  }
  m.Result = 1;
}

void TsSkinProvider::KV_WMPaint(TMessage& m) {
  if (!FDrawClientArea || (FFormState & FS_ANIMRESTORING)) {
    PassOn(m);
    return;
  }
  if (Form->ControlState().Contains(csPaintCopy)) return;
  if (!Form->Showing()) {
    PassOn(m);
    return;
  }
  const HWND h = FormWnd(this);
  // The client background comes from the picture; the form's own paint (its canvas and
  // graphic controls) runs over it.
  if (m.WParam) {
    PaintForm(reinterpret_cast<HDC>(m.WParam), TRect(0, 0, GetClientWidth(h), GetClientHeight(h)));
    PassOn(m);
    return;
  }
  {
    const TPaintDC dc(h);
    if (dc) {
      PaintForm(dc, dc.Rect());
      TMessage inner = MakeMessage(WM_PAINT, reinterpret_cast<uintptr_t>(dc.get()), 0);
      PassOn(inner);
    }
  }
  m.Result = 0;
}

void TsSkinProvider::KV_WMPrint(TMessage& m) {
  if (IsLoading() || Form->ControlState().Contains(csCreating) || Form->IsDestroying()) return;
  auto dc = reinterpret_cast<HDC>(m.WParam);
  const HWND h = FormWnd(this);
  if (!dc || !h) return;
  if (m.LParam & PRF_ERASEBKGND) {
    ProcessMessage(WM_ERASEBKGND, m.WParam, m.LParam);
    return;
  }
  FCommonData->PrintDC = dc;
  const TScopeExit printed([&] { FCommonData->PrintDC = nullptr; });
  StopUpdating();
  if (!FCommonData->FCacheBmp || FCommonData->FCacheBmp->Width() == 0) FCommonData->BGChanged = true;
  if (BorderForm) {
    // The picture of the border window: frame, title and shadow around the form.
    if (FCommonData->BGChanged) PaintAll();
    if (TBitmap* cache = FCommonData->FCacheBmp.get(); cache && !cache->Empty())
      BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
  } else if (CanDrawNCArea() && !FUWPMode) {
    PaintCaption(dc);
  }
  // The skinned scroll bars are part of the frame the system does not print: a picture of the
  // form (its animations, its taskbar preview) shows them as the screen does. With an outer
  // border the form's window lies inside the border window's picture.
  if (ListSW && !ListSW->Destroyed && CanDrawNCArea()) {
    const TSaveDC barsSaved(dc);
    if (BorderForm) {
      POINT at{};
      GetWindowOrgEx(dc, &at);
      SetWindowOrgEx(dc, at.x - BorderForm->OffsetX(), at.y - BorderForm->OffsetY(), nullptr);
    }
    kv_NCDraw(ListSW, h, -1, dc);
  }
  const TSaveDC saved(dc);
  // The client: its origin moved to where the client sits in the window, clipped to it; the
  // form paints its graphic controls over the background.
  POINT org{};
  GetWindowOrgEx(dc, &org);
  SetWindowOrgEx(dc, org.x - OffsetX(), org.y - OffsetY(), nullptr);
  IntersectClipRect(dc, 0, 0, GetClientWidth(h), GetClientHeight(h));
  PaintForm(dc, TRect(0, 0, GetClientWidth(h), GetClientHeight(h)));
  TMessage paint = MakeMessage(WM_PAINT, m.WParam, 0);
  PassOn(paint);
}

// ---- Activation, size and caption text -------------------------------------------------------

namespace {

// The maximized MDI child's caption is part of its main form's: the main form's provider.
TsSkinProvider* MainOfMaximizedChild(TsSkinProvider* sp) {
  TsSkinProvider* main = MDISkinProvider;
  if (!main || main == sp || !sp->Form || sp->Form->FormStyle() != fsMDIChild || !sp->IsZoomed()) return nullptr;
  return main->Form && main->Form->HandleAllocated() && main->FCommonData ? main : nullptr;
}

// The system paints the caption of the window while it handles some messages (the text); it
// is kept from the screen by clearing the window's visible bit around the handling, so that
// only the skinned caption painted afterwards shows.
class TSystemCaptionHidden {
 public:
  explicit TSystemCaptionHidden(HWND wnd) : wnd_(wnd && IsWindowVisible(wnd) ? wnd : nullptr) {
    if (wnd_) SetWindowLongW(wnd_, GWL_STYLE, GetWindowLongW(wnd_, GWL_STYLE) & ~WS_VISIBLE);
  }
  ~TSystemCaptionHidden() {
    if (wnd_) SetWindowLongW(wnd_, GWL_STYLE, GetWindowLongW(wnd_, GWL_STYLE) | WS_VISIBLE);
  }
  TSystemCaptionHidden(const TSystemCaptionHidden&) = delete;
  TSystemCaptionHidden& operator=(const TSystemCaptionHidden&) = delete;

 private:
  HWND wnd_;
};

}  // namespace

void TsSkinProvider::KV_WMSetText(TMessage& m) {
  const HWND h = FormWnd(this);
  if (!h || !IsWindowVisible(h) || Form->ControlState().Contains(csCreating) || !CanDrawNCArea()) {
    PassOn(m);
    return;
  }
  FreeCaptionGlows();
  if (TsSkinProvider* main = MainOfMaximizedChild(this)) {
    // The main form's caption shows the child's text.
    main->FCommonData->BGChanged = true;
    {
      const TSystemCaptionHidden hiddenMain(main->Form->WindowHandle());
      const TSystemCaptionHidden hidden(h);
      PassOn(m);
    }
    main->ProcessMessage(WM_NCPAINT);
  } else if (AeroIsEnabled()) {
    {
      // With an outer border the form's region shows no caption of its own.
      const TSystemCaptionHidden hidden(BorderForm ? nullptr : h);
      PassOn(m);
    }
    UpdateSkinCaption();
  } else {
    FCommonData->BGChanged = true;
    {
      const TSystemCaptionHidden hidden(h);
      PassOn(m);
    }
    ProcessMessage(WM_NCPAINT);
  }
  if (BorderForm) BorderForm->UpdateExBordersPos(true, 255);
}

void TsSkinProvider::UpdateSkinCaption() {
  const HWND h = FormWnd(this);
  if (InAnimation(this) || !h || !IsWindowVisible(h) || !CanDrawNCArea() ||
      Form->ControlState().Contains(csDestroyingHandle) || !FCommonData->Skinned())
    return;
  if (TsSkinProvider* main = MainOfMaximizedChild(this)) {
    main->FCommonData->BGChanged = true;
    const TWindowDC dc(main->Form->WindowHandle());
    if (dc) main->PaintCaption(dc);
    return;
  }
  if (BorderForm) {
    // The border window shows the title: the picture is rebuilt and handed to it.
    FreeCaptionGlows();
    FCommonData->BGChanged = true;
    if (Form->Menu()) ProcessMessage(WM_NCPAINT);
    if (BorderForm) BorderForm->UpdateExBordersPos(true, 255);
    return;
  }
  FCommonData->BGChanged = true;
  if (!FCommonData->FCacheBmp)
    if (DuRiruZireziv* manager = SkinManager()) InitExBorders(manager->GetExtendedBorders());
  const TWindowDC dc(h);
  if (dc) PaintCaption(dc);
}
