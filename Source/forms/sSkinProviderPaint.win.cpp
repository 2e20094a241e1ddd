// The picture of a skinned form (frame, title, icon, caption text, caption buttons and client
// background in one bitmap of the window's size), the window region cut from the skin's
// corner masks, and the handlers that bring the picture to the screen.
//
// The picture is rebuilt only while the skin data's BGChanged is set; every handler that
// changes the look sets it and the next paint rebuilds.
#include <optional>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "forms/kvTitleBar.h"
#include "forms/sMDIForm.h"
#include "forms/sSkinProvider.h"
#include "paint/sAlphaGraph.h"
#include "paint/sCommonDataCache.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "raster/MaskImages.h"
#include "raster/Regions.h"
#include "raster/Shapes.h"
#include "skin/sStyleSimply.h"
#include "skin/sVclUtils.h"
#include "ui/GdiScopes.h"
#include "ui/Icon.h"
#include "ui/ScopeGuard.h"
#include "ui/WinHandles.h"
#include "wrappers/kvSBUtils.h"

namespace {

TsGeneralData* SectionOf(TkvSkinData* data, Integer index) {
  return data && index >= 0 && index < Integer(data->gd.size()) ? &data->gd[size_t(index)] : nullptr;
}

TsMaskData* ImageOf(TkvSkinData* data, Integer index) {
  return data && index >= 0 && index < Integer(data->ma.size()) ? &data->ma[size_t(index)] : nullptr;
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
  LastMenuItemRect = TRect();

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
  const TRect rForm =
      FUWPMode ? UWPClientRect()
               : TRect(aShadowSize.Left, aShadowSize.Top, fWidth - aShadowSize.Right, fHeight - aShadowSize.Bottom);
  const Integer iOffsetX = OffsetX(), iOffsetY = OffsetY();
  if (fWidth <= 0 || fHeight <= 0) return true;

  if (!FCommonData->FCacheBmp) FCommonData->FCacheBmp = std::make_unique<TBitmap>(0, 0, pf32bit);
  TBitmap* cache = FCommonData->FCacheBmp.get();
  if (cache->Width() != fWidth || cache->Height() != fHeight) {
    cache->SetSize(fWidth, fHeight);
    FCommonData->BGChanged = true;
  }
  // The menu line of an MDI main form changes while its maximized child is being shown: the
  // frame waits for the child's menu to settle.
  if (MenuChanged && MaximizedChildShowing()) {
    if (!Form->Parent()) FCommonData->FUpdating = false;
    return true;
  }

  if (FCommonData->BGChanged) {
    const bool systemBlur = FSystemBlur && FSystemBlur->Active();
    // A child form lies over its parent's picture; a parent still building it is asked again
    // later, the picture is left as it is.
    TCacheInfo ci = EmptyCI;
    if (TWinControl* parent = Form->Parent()) {
      TkvBGInfo info;
      info.R = TRect(0, 0, Form->Width(), Form->Height());
      GetBGInfo(&info, parent, false);
      if (info.BgType == btNotReady) {
        FCommonData->FUpdating = true;
        return false;
      }
      ci = BGInfoToCI(&info);
    }
    // The system blur shows through wherever the picture stays clear.
    if (systemBlur) FillRect32(cache, TRect(0, 0, cache->Width(), cache->Height()), 0, 0);
    CalcItems();
    const TPoint formPos(Form->Left(), Form->Top());
    const bool topLevel = !Form->Parent();
    const TsMaskData* border = ImageOf(data, section->BorderIndex);
    // The outer window draws frame and title from the skin's extended-border image.
    const bool exBorders = ExtendedFrameDrawing();
    const bool bgOnly = (!HaveBorder() && section->BorderRadius <= 0 && (topLevel || exBorders)) ||
                        (!border && section->Props[0].BorderColor == TColor(0xFF00FF)) || FUWPMode;
    if (systemBlur) {
      // No form background: the blur is the background.
    } else if (bgOnly) {
      const TColor custom = FCommonData->FCustomColor ? ColorToRGB(Form->Color()) : TColor(0xFF00FF);
      PaintItemBG(FCommonData->SkinIndex, ci, iDrawState, rForm, formPos, cache, data, -1, -1, custom);
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
      PaintItem(FCommonData.get(), ci, false, iDrawState, rForm, formPos, cache, !topLevel, 0, 0, true);
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
      // The header band: its section from the top of the frame down over the band's height.
      if (FFormHeader->AdditionalHeight() > 0)
        if (TsGeneralData* header = SectionOf(data, FHeaderIndex)) {
          const Integer state = Mini(FormActive ? 1 : 0, Maxi(header->States - 1, 0));
          const TRect r(rForm.Left, rForm.Top, rForm.Right, fCaptHeight + FFormHeader->ScaledAddHeight());
          PaintItem(FHeaderIndex, MakeCacheInfo(cache), true, state, r, TPoint(0, 0), cache, data);
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
    // What lies over the client part takes the picture itself as its background from here on.
    const TCacheInfo clientCI = MakeCacheInfo(cache, iOffsetX, iOffsetY);
    PaintMergedStatusBar(cache, clientCI, rForm, iOffsetY);
    if (!iconic) PaintMenuLine(cache, iDrawState, fCaptHeight, fWidth);
    if (BorderForm && !exBorders) PaintText(cache, rForm);
    PaintMDIArea(cache, clientCI, rForm, fCaptHeight);
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
      if (const TsMaskData* grip = ImageOf(data, data->GripRightBottom))
        DrawSkinGlyph(cache, RBGripPoint(data->GripRightBottom), 0, 1, *grip, MakeCacheInfo(cache));
    if (iCaptHeight != 0 && CanDrawNCArea() && !FUWPMode) {
      SaveBGForBtns(fWidth, true);
      PaintTitleContent(cache);
    }
  }
  MenuChanged = false;
  FCommonData->BGChanged = false;
  if (Form->OnPaint()) {
    if (iconic) {
      // Nothing of the client shows: the next picture of the restored form runs the event.
      FirstInitialized = true;
      FCommonData->BGChanged = true;
      FCommonData->FUpdating = false;
      return true;
    }
    PaintClientEvent(cache, iOffsetX, iOffsetY);
  }
  if (UWPNoBorderMode()) {
    // The form's own window shows the look: a thin frame around a sizeable client, nothing
    // outside it.
    if (Form->BorderStyle() == bsSizeable)
      FillDCBorder32(cache, rForm, iUWPBorderWidth, iUWPBorderWidth, iUWPBorderWidth, iUWPBorderWidth,
                     manager->Palette[pcBorder]);
    FillRect32Excl(cache, TRect(0, 0, cache->Width(), cache->Height()), rForm, 0, 0);
  }
  PaintOuterEffects(FCommonData.get(), Form, TPoint(iOffsetX, iOffsetY));
  FirstInitialized = true;
  FCommonData->BGChanged = false;
  if (!Form->Parent()) FCommonData->FUpdating = false;
  return true;
}

bool TsSkinProvider::MaximizedChildShowing() {
  if (Form->FormStyle() != fsMDIForm) return false;
  TCustomForm* child = Form->ActiveMDIChild();
  return child && child->WindowState() == wsMaximized && child->FormState().Contains(fsShowing);
}

void TsSkinProvider::PaintMergedStatusBar(TBitmap* cache, const TCacheInfo& ci, const TRect& rForm, Integer offsetY) {
  DuRiruZireziv* manager = SkinManager();
  TkvSkinData* data = SkinDataFor();
  if (!StatusBar || !manager || !data) return;
  // The skin asks for the bar's section to run on into the form's bottom border.
  const TsGeneralData* barSection = SectionOf(data, manager->SkinCommonInfo.Sections[ssStatusBar]);
  if (!barSection || !barSection->ReservedBoolean) return;
  auto* barData = reinterpret_cast<TsCommonData*>(SendAMessage(StatusBar, KV_GETSKINDATA));
  if (!barData) return;
  const TRect r(rForm.Left, StatusBar->Top() + offsetY, rForm.Right, rForm.Bottom);
  if (r.Bottom > r.Top) PaintItem(barData, ci, true, 0, r, r.TopLeft(), cache, false);
}

void TsSkinProvider::PaintMDIArea(TBitmap* cache, const TCacheInfo& ci, const TRect& rForm, Integer captionBottom) {
  if (!MDIForm || Form->FormStyle() != fsMDIForm) return;
  DuRiruZireziv* manager = SkinManager();
  TkvSkinData* data = SkinDataFor();
  const Integer index = manager ? manager->GetSkinIndex(u"MDIAREA", data) : -1;
  if (!SectionOf(data, index)) return;
  // The MDI client fills what the aligned controls leave of the client area.
  const Integer bw = BorderWidth(true);
  const Integer menu = MenuPresent() ? LinesCount() * MenuHeight() : 0;
  const TRect r(rForm.Left + bw + GetAlignShift(Form, alLeft),
                captionBottom + menu + Form->BorderWidth() + GetAlignShift(Form, alTop) + (MenuHeight() != 0 ? 1 : 0),
                rForm.Right - bw - GetAlignShift(Form, alRight), rForm.Bottom - bw - GetAlignShift(Form, alBottom));
  if (r.Right > r.Left && r.Bottom > r.Top) PaintItem(index, ci, true, 0, r, r.TopLeft(), cache, data);
}

void TsSkinProvider::PaintClientEvent(TBitmap* cache, Integer offsetX, Integer offsetY) {
  auto* canvas = dynamic_cast<TControlCanvas*>(Form->Canvas());
  if (!canvas || !cache) return;
  // The form's own painting goes into the picture at the client's place. The blend-on-moving
  // state keeps a paint started by the handler from rebuilding the picture under it.
  const HDC dc = cache->Canvas()->Handle();
  const TSaveDC saved(dc);
  POINT org{};
  GetWindowOrgEx(dc, &org);
  SetWindowOrgEx(dc, org.x - offsetX, org.y - offsetY, nullptr);
  const TPaintDCScope painting(*canvas, dc);
  const Cardinal before = FFormState & FS_BLENDMOVING;
  SetFormState(FFormState | FS_BLENDMOVING);
  const TScopeExit restored([&] { SetFormState((FFormState & ~FS_BLENDMOVING) | before); });
  Form->OnPaint().Call(Form);
}

// The title icon in FIconRect: the program's glyph when the title icon has one; else the
// form's own icon (its window class's when it was given none), the application window's, the
// program file's, the system's.
void TsSkinProvider::DrawAppIcon(TBitmap* bmp) {
  const HWND h = FormWnd(this);
  if (!bmp || !h || !IconVisible() || FIconRect.Width() <= 0 || FIconRect.Height() <= 0) return;
  TBitmap* glyph = FTitleIcon->Glyph();
  if (glyph->Empty()) {
    const bool big = FIconRect.Height() > 16;
    TRect r = FIconRect;
    auto icon = reinterpret_cast<HICON>(SendMessageW(h, WM_GETICON, big ? ICON_BIG : ICON_SMALL, 0));
    if (!icon) icon = reinterpret_cast<HICON>(SendMessageW(h, WM_GETICON, big ? ICON_SMALL : ICON_BIG, 0));
    // A form given no icon of its own shows its window class's.
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(h, big ? GCLP_HICON : GCLP_HICONSM));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(h, big ? GCLP_HICONSM : GCLP_HICON));
    if (const HWND app = !icon && Application ? Application->Handle() : nullptr) {
      icon = reinterpret_cast<HICON>(SendMessageW(app, WM_GETICON, big ? ICON_BIG : ICON_SMALL2, 0));
      // The system makes the small icon from the class's where it was given none; not every
      // system does so for the asker.
      if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(app, big ? GCLP_HICON : GCLP_HICONSM));
      if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(app, big ? GCLP_HICONSM : GCLP_HICON));
    }
    if (!icon) {
      TIcon* file = big && AppIconLarge() ? AppIconLarge() : AppIcon();
      if (file && !file->Empty()) {
        icon = file->Handle();
        const Integer w = FTitleIcon->Width ? FTitleIcon->Width : Maxi(FIconRect.Width(), 10);
        const Integer ht = FTitleIcon->Height ? FTitleIcon->Height : Maxi(FIconRect.Height(), 10);
        r = TRect(FIconRect.Left, FIconRect.Top, FIconRect.Left + w, FIconRect.Top + ht);
      }
    }
    if (!icon) icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    DrawIconOpaque(bmp, r, icon);
    return;
  }
  // The glyph is drawn through its alpha: a glyph without one is opaque except where it holds
  // the key colour.
  std::unique_ptr<TBitmap> own(CreateBmp32(glyph->Width(), glyph->Height()));
  BitBlt(own->Canvas()->Handle(), 0, 0, own->Width(), own->Height(), glyph->Canvas()->Handle(), 0, 0, SRCCOPY);
  if (glyph->PixelFormat() != pf32bit) {
    TPixelView v = own->View();
    for (Integer y = 0; y < own->Height(); ++y)
      for (Integer x = 0; x < own->Width(); ++x) {
        uint32_t& p = v.At(x, y);
        p = (p & 0xFFFFFFu) == 0xFF00FFu ? 0 : (p | 0xFF000000u);
      }
  }
  own->SetTransparent(true);
  own->SetTransparentColor(TColor(0xFF00FF));
  const Integer w = ScaleInt(FTitleIcon->Width ? FTitleIcon->Width : glyph->Width(), FCommonData.get());
  const Integer ht = ScaleInt(FTitleIcon->Height ? FTitleIcon->Height : glyph->Height(), FCommonData.get());
  if (glyph->Width() != w && glyph->Height() != ht)
    DrawBmp(bmp->Canvas(), own.get(), TRect(FIconRect.Left, FIconRect.Top, FIconRect.Left + w, FIconRect.Top + ht),
            false);
  else
    CopyByMask(TRect(FIconRect.Left, FIconRect.Top, FIconRect.Left + own->Width(), FIconRect.Top + own->Height()),
               TRect(0, 0, own->Width(), own->Height()), bmp, own.get(), EmptyCI, true);
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
  const bool showMain = bar ? bar->FShowCaption : FAddedTitle->ShowMainCaption();
  const String added = FAddedTitle->Text();
  const String caption = showMain ? Form->Caption() : added;
  if (r.Right <= r.Left || r.Bottom <= r.Top || (caption.empty() && added.empty())) return;

  TCanvas* canvas = bmp->Canvas();
  // The added title's extent in its own font, its height at the form's PPI.
  SIZE tsAdded{};
  auto addedFont = [&] {
    canvas->Font()->Assign(FAddedTitle->Font());
    canvas->Font()->SetHeight(ScaleInt(FAddedTitle->Font()->Height(), FCommonData.get()));
  };
  if (showMain && !added.empty()) {
    addedFont();
    GetTextExtentPoint32W(canvas->Handle(), reinterpret_cast<LPCWSTR>(added.c_str()), Integer(added.size()), &tsAdded);
  }
  if (showMain) {
    // The system's caption font at the skin's PPI, in the skin's or the program's main font.
    const TOwnedFont font(kvGetTitleFont(FormPPI()));
    LOGFONTW lf{};
    if (font.get()) GetObjectW(font.get(), sizeof lf, &lf);
    lf.lfHeight = ScaleInt(-13, FCommonData.get());
    lf.lfCharSet = kv_UseSysCharSet ? DEFAULT_CHARSET : Form->Font()->Charset();
    String face;
    if (manager->Fonts.MainMode == fmFromSkin) face = manager->SkinCommonInfo.MainFont;
    if (manager->Fonts.MainMode == fmCustom) face = manager->Fonts.MainFont;
    if (!face.empty() && face.size() < LF_FACESIZE) {
      std::fill(std::begin(lf.lfFaceName), std::end(lf.lfFaceName), L'\0');
      std::copy(face.begin(), face.end(), lf.lfFaceName);
    }
    canvas->Font()->SetHandle(CreateFontIndirectW(&lf));
  } else {
    // Without the main caption the added title takes its place.
    addedFont();
  }
  SIZE ts{};
  GetTextExtentPoint32W(canvas->Handle(), reinterpret_cast<LPCWSTR>(caption.c_str()), Integer(caption.size()), &ts);
  // A form scaled up from the system's 100 % leaves a pixel more for the text.
  const Integer maxCY = Maxi(ts.cy, tsAdded.cy) + (manager->SysFontScale == 0 && manager->GetScale() > 0 ? 1 : 0);
  r.Top = bar ? bar->FBarVCenter - maxCY / 2 : VCenter - maxCY / 2 - 1;
  r.Bottom = r.Top + maxCY;

  // A right-to-left form mirrors the alignment.
  TAlignment alignment = FCaptionAlignment;
  if (Form->UseRightToLeftAlignment() && alignment != taCenter)
    alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
  if (alignment == taRightJustify && data->Spacing + ts.cx + tsAdded.cx < r.Width())
    r.Left = r.Right - (data->Spacing + ts.cx + tsAdded.cx);
  if (alignment == taCenter) {
    r.Left = Maxi(r.Left, r.Left + (r.Width() - ts.cx - tsAdded.cx - data->Spacing) / 2);
    r.Right = Mini(r.Left + ts.cx, r.Right);
  }
  Cardinal flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
  if (Form->UseRightToLeftReading()) flags |= DT_RTLREADING;

  // The added title follows the caption (or stands in its place when the caption is hidden).
  Integer addedLeft = r.Left - data->Spacing;
  if (showMain && !caption.empty()) {
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
      // The strip lies where the picture does: the plate reads what is behind its own place.
      PaintItem(FCaptionSkinIndex, MakeCacheInfo(strip.get()), true, state, plateRect, plateRect.TopLeft(), bmp, data);
    } else if (SectionOf(data, FTitleSkinIndex)) {
      sectionIndex = FTitleSkinIndex;
    }
    if (sectionIndex >= 0) {
      const Integer state = FormActive ? 1 : 0;
      const TsGeneralData& section = data->gd[size_t(sectionIndex)];
      const TsGenState& look = section.Props[size_t(state)];
      if (look.GlowSize > 0) {
        kvDrawGlowForText(bmp, caption, text, flags, 15, look.GlowSize, TColor(look.GlowColor),
                          FormActive ? FGlow1 : FGlow2);
      }
      // The border window shows the picture's alpha: the text keeps it right there.
      if (BorderForm) {
        WriteText32(bmp, caption, Form->Enabled(), text, flags, sectionIndex, state, manager);
      } else {
        canvas->Brush()->SetStyle(bsClear);
        kvWriteTextEx(canvas, caption, Form->Enabled(), text, flags, sectionIndex, state, manager);
      }
    }
    addedLeft = text.Right;
  }
  if (added.empty()) return;
  if (!showMain) tsAdded = ts;
  TsGeneralData* title = SectionOf(data, FTitleSkinIndex);
  TRect ar(addedLeft + data->Spacing, r.Top, addedLeft + data->Spacing + tsAdded.cx + 4, r.Bottom);
  if (!title || ar.Left + 8 >= ar.Right) return;
  addedFont();
  const Integer addedState = Mini(FormActive ? 1 : 0, Maxi(title->States - 1, 0));
  // The title section's colours, unless the added title has a colour of its own (dimmed
  // towards the inactive title's text colour on an inactive form).
  Integer addedSection = FTitleSkinIndex;
  const TColor own = FAddedTitle->Font()->Color();
  if (own != clWindowText && own != clFromSkinTitle) {
    addedSection = -1;
    canvas->Font()->SetColor(FormActive ? own
                                        : BlendColors(ColorToRGB(own), TColor(title->Props[0].FontColor.Color), 127));
  }
  const TsGenState& addedLook = title->Props[size_t(addedState)];
  if (addedLook.GlowSize > 0) {
    std::unique_ptr<TBitmap> mask;
    kvDrawGlowForText(bmp, added, ar, flags, 15, addedLook.GlowSize, TColor(addedLook.GlowColor), mask);
  }
  if (BorderForm) {
    WriteText32(bmp, added, true, ar, flags, addedSection, addedState, manager);
  } else {
    canvas->Brush()->SetStyle(bsClear);
    kvWriteTextEx(canvas, added, Form->Enabled(), ar, flags, addedSection, addedState, manager);
  }
}

void TsSkinProvider::FreeCaptionGlows() {
  FGlow1.reset();
  FGlow2.reset();
}

void TsSkinProvider::PaintTitleContent(TBitmap* bmp) {
  if (!bmp || !HaveBorder()) return;
  const Integer captWidth = bmp->Width();
  // The buttons go over the clean title strip, not over their old looks.
  RestoreBtnsBG(captWidth);
  if (SystemMenu && HaveSysMenu()) {
    PaintCaptionButton(bmp, ButtonClose, HTCLOSE, true);
    if (SystemMenu->VisibleMax()) PaintCaptionButton(bmp, ButtonMax, HTMAXBUTTON, true);
    if (SystemMenu->VisibleMin()) PaintCaptionButton(bmp, ButtonMin, HTMINBUTTON, true);
    if (Form->BorderIcons().Contains(biHelp)) PaintCaptionButton(bmp, ButtonHelp, HTHELP, true);
  }
  for (Integer i = 0; i < FTitleButtons->Count() && i < kvMaxCaptionItems; ++i) {
    TsTitleButton* btn = FTitleButtons->Items(i);
    if (!btn->Visible) continue;
    btn->Data.cpHitCode = Cardinal(HTUDBTN + i);
    PaintCaptionButton(bmp, btn->Data, HTUDBTN + i, true);
  }
  PaintTitleItems(*this, bmp, captWidth);
  if (Form->FormStyle() == fsMDIForm) PaintMDIButtons(*this, bmp);
}

void DrawUserGlyph(TBitmap* dst, TBitmap* glyph, const TPoint& at) {
  if (!dst || !glyph || glyph->Empty()) return;
  const TRect src(0, 0, glyph->Width(), glyph->Height());
  if (glyph->PixelFormat() == pf32bit) {
    CopyByMask(OffsRect(src, at.X, at.Y), src, dst, glyph, MakeCacheInfo(dst), false);
    return;
  }
  // The pixels of another format are read through a 32-bit copy; their alpha is set where
  // they are copied.
  const std::unique_ptr<TBitmap> copy(CreateBmp32(glyph->Width(), glyph->Height()));
  BitBlt(copy->Canvas()->Handle(), 0, 0, glyph->Width(), glyph->Height(), glyph->Canvas()->Handle(), 0, 0, SRCCOPY);
  TPixelView v = copy->View();
  for (Integer y = 0; y < v.Height; ++y)
    for (Integer x = 0; x < v.Width; ++x) v.At(x, y) &= 0x00FFFFFFu;
  CopyTransBitmaps(dst, copy.get(), at.X, at.Y, glyph->PixelColor(0, glyph->Height() - 1));
}

// The picture column where the saved strip behind the caption buttons starts.
Integer TsSkinProvider::BtnsBGLeft(Integer captWidth) {
  return SysRTLAllowed() || !TempBmp ? 0 : captWidth - TempBmp->Width() - 1;
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
  // The title alone lies below the shadow's top margin as well.
  const Integer rows = full ? height : SysBorderHeight(h, OuterBorder(), true) + CaptionHeight(true) + shadow.Top;
  const TCanvasLock locked(*cache->Canvas());
  BitBlt(TempBmp->Canvas()->Handle(), 0, 0, w, rows, cache->Canvas()->Handle(), BtnsBGLeft(captWidth), 0, SRCCOPY);
}

void TsSkinProvider::RestoreBtnsBG(Integer captWidth) {
  TBitmap* cache = FCommonData->FCacheBmp.get();
  if (!cache || !TempBmp || TempBmp->Width() == 0) return;
  BitBlt(cache->Canvas()->Handle(), BtnsBGLeft(captWidth), 0, TempBmp->Width(), TempBmp->Height(),
         TempBmp->Canvas()->Handle(), 0, 0, SRCCOPY);
}

// ---- Size grip --------------------------------------------------------------------------------

TPoint TsSkinProvider::RBGripPoint(Integer imgIndex) {
  TBitmap* cache = FCommonData ? FCommonData->FCacheBmp.get() : nullptr;
  const TsMaskData* grip = ImageOf(SkinDataFor(), imgIndex);
  const HWND h = FormWnd(this);
  if (!cache || !grip || !h) return TPoint(0, 0);
  const TRect shadow = ShadowSize();
  const Integer bw = SysBorderWidth(h, OuterBorder(), true);
  return TPoint(cache->Width() - grip->Width - bw - shadow.Right - 1,
                cache->Height() - grip->Height - bw - shadow.Bottom - 1);
}

TPoint TsSkinProvider::GripPointInWindow(Integer imgIndex) {
  const TPoint p = RBGripPoint(imgIndex);
  if (!BorderForm) return p;
  const TRect shadow = ShadowSize();
  return TPoint(p.X - DiffBorder(BorderForm.get()) - shadow.Left, p.Y - DiffTitle(BorderForm.get()) - shadow.Top);
}

void PaintGrip(HDC dc, TsSkinProvider* sp) {
  if (!dc || !sp || !sp->FCommonData || !sp->Form || !sp->Form->HandleAllocated()) return;
  TkvSkinData* data = sp->SkinDataFor();
  const TsMaskData* grip = ImageOf(data, data ? data->GripRightBottom : -1);
  TBitmap* cache = sp->FCommonData->FCacheBmp.get();
  // The grip's background comes from the picture: nothing to draw before there is one.
  if (!grip || !cache || cache->Empty() || grip->Width <= 0 || grip->Height <= 0) return;
  const TPoint at = sp->RBGripPoint(data->GripRightBottom);
  const std::unique_ptr<TBitmap> bmp(CreateBmp32(grip->Width, grip->Height));
  HDC src = cache->Canvas()->Handle();
  HDC tmp = bmp->Canvas()->Handle();
  TkvBGInfo info;
  info.R = TRect(0, 0, sp->Form->ClientWidth(), sp->Form->ClientHeight());
  GetBGInfo(&info, sp->Form, false);
  if (info.BgType == btCache) {
    BitBlt(tmp, 0, 0, grip->Width, grip->Height, src, at.X, at.Y, SRCCOPY);
  } else {
    FillRect32(bmp.get(), TRect(0, 0, grip->Width, grip->Height), ColorToRGB(info.Color), 255);
    // A border image wider than the system border reaches into the client: its inner part
    // shows behind the grip as it does in the picture.
    const TsGeneralData* section = SectionOf(data, sp->FCommonData->SkinIndex);
    const TsMaskData* border = section ? ImageOf(data, section->BorderIndex) : nullptr;
    const Integer bw = SysBorderWidth(sp->Form->WindowHandle(), sp->OuterBorder(), true);
    if (border && border->WR > bw && border->WB > bw) {
      const Integer right = Mini(border->WR - bw, grip->Width), bottom = Mini(border->WB - bw, grip->Height);
      BitBlt(tmp, grip->Width - right, 0, right, grip->Height, src, at.X + grip->Width - right, at.Y, SRCCOPY);
      BitBlt(tmp, 0, grip->Height - bottom, grip->Width, bottom, src, at.X, at.Y + grip->Height - bottom, SRCCOPY);
    }
  }
  DrawSkinGlyph(bmp.get(), TPoint(0, 0), 0, 1, *grip, MakeCacheInfo(bmp.get()));
  BitBlt(dc, at.X, at.Y, grip->Width, grip->Height, tmp, 0, 0, SRCCOPY);
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
      if (IsWindow(c) && GetWindowRect(c, &cr))
        through.push_back(OffsRect(TRect(cr.left, cr.top, cr.right, cr.bottom), dx, dy));
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

bool MDICreating = false;

namespace {

// The MDI client's active child and whether it is maximized.
HWND ActiveChildOfClient(HWND client, bool& maximized) {
  BOOL zoomed = FALSE;
  const auto active =
      client ? reinterpret_cast<HWND>(SendMessageW(client, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&zoomed)))
             : nullptr;
  maximized = active && zoomed;
  return active;
}

// An MDI child that a maximized sibling covers: it shows nothing of its own.
bool BehindMaximizedChild(TForm* form) {
  if (!form || form->FormStyle() != fsMDIChild || !form->HandleAllocated()) return false;
  const HWND h = form->WindowHandle();
  bool maximized = false;
  const HWND active = ActiveChildOfClient(GetParent(h), maximized);
  return active && active != h && maximized;
}

// An MDI main form whose active child is maximized.
bool HasMaximizedChild(TForm* form) {
  if (!form || form->FormStyle() != fsMDIForm) return false;
  bool maximized = false;
  return ActiveChildOfClient(form->ClientHandle(), maximized) && maximized;
}

}  // namespace

void TsSkinProvider::KV_WMNCPaint(TMessage& m) {
  if (!SystemMenu) PrepareForm();
  // While the menu line is remade or the skin data is locked, the frame waits for a menu bar
  // that has its menu, and for the close and show animations that own the screen.
  if (CanDrawNCArea() && (FCommonData->CtrlSkinState & (KVS_MNUPDATING | KVS_LOCKED))) {
    TMainMenu* menu = Form->Menu();
    if ((IsMenuVisible() && menu && !menu->Items()->HandleAllocated()) ||
        (FFormState & (FS_ANIMCLOSING | FS_ANIMSHOWING)))
      return;
  }
  if (RTInit) {
    RTInit = false;
    LoadInit();
  }
  // The form's own update only: a parent's update ends with the parent's own repaint, which
  // does not reach this frame.
  if (FCommonData->FUpdating) {
    if (!CanDrawNCArea()) PassOn(m);
    return;
  }
  // A show animation paints the MDI children itself: the system's frame stands meanwhile.
  if (!CanDrawNCArea() || (InAnimationProcess && Form->FormStyle() == fsMDIChild)) {
    PassOn(m);
    return;
  }
  const HWND h = FormWnd(this);
  if (fAnimating || !Form->Showing() || IsLoading() || !h || Form->ControlState().Contains(csDestroyingHandle) ||
      !SystemMenu)
    return;
  if (IsIconicForm()) {
    FCommonData->BGChanged = true;
  } else if (GetWindowWidth(h) != Form->Width() || GetWindowHeight(h) != Form->Height()) {
    return;  // a size change is in flight
  }
  if (!Adapter) AdapterCreate();
  if (!FCommonData->FCacheBmp)
    if (DuRiruZireziv* manager = SkinManager()) InitExBorders(manager->GetExtendedBorders());
  KV_WMNCPaintHandler();
  m.Result = 0;
}

void TsSkinProvider::KV_WMNCPaintHandler() {
  if (MDICreating || LockCount > 0) return;
  // The own move and size frame draws on the desktop, which composition does not show.
  if (FResizeMode == rmBorder && AeroIsEnabled()) FResizeMode = rmStandard;
  const HWND h = FormWnd(this);
  if (!h || BehindMaximizedChild(Form)) return;
  TryInitMenu();
  TBitmap* cache = FCommonData->FCacheBmp.get();
  if (!cache || cache->Width() == 0) FCommonData->BGChanged = true;
  const bool rebuilt = FCommonData->BGChanged;
  if (FCommonData->BGChanged && !PaintAll()) return;
  const TScopeExit followed([this, rebuilt] { UpdateOuterBorder(rebuilt); });
  if (RgnChanged && !RgnChanging) {
    const TsGeneralData* section = SectionOf(SkinDataFor(), FCommonData->SkinIndex);
    if (!HaveBorder() && (!section || section->BorderRadius <= 0) && !IsSizeBox(h) && !IsIconicForm()) {
      // Nothing of the skin is cut out of a plain rectangle.
      RgnChanged = false;
      SetWindowRgn(h, nullptr, FALSE);
    } else if (IsIconicForm() && (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_APPWINDOW)) {
      return;
    } else {
      // The border window has its own corners: the form's region is its client.
      if (!BorderForm) FillArOR();
      RgnChanged = false;
      if (Form->FormState().Contains(fsShowing) && Form->Position() != poDefault && !IsZoomed()) {
        UpdateRgn(true, true);
      } else {
        // The region's own repaint brings the frame; a show animation paints the window itself.
        UpdateRgn(!InAnimationProcess, false);
        if (!FCommonData->BGChanged) return;
      }
    }
  }
  FCommonData->FUpdating = false;
  const TWindowDC dc(h);
  if (!dc) return;
  const TSaveDC saved(dc);
  if (BorderForm) {
    CopyStripsBesideOuterBorder(dc);
  } else if (HaveBorder() || !IsSizeBox(h) || IsIconicForm()) {
    PaintCaption(dc);
  } else if (TBitmap* picture = FCommonData->FCacheBmp.get()) {
    // A sizeable form without a border of its own: only the ring that takes the mouse.
    CopyFrameRing(dc, picture, BorderWidth(true) + 3, false);
  }
  RgnChanging = false;
}

void TsSkinProvider::CopyFrameRing(HDC dc, TBitmap* picture, Integer w, bool wholePicture) {
  const HDC src = picture->Canvas()->Handle();
  const Integer width = Form->Width(), height = Form->Height();
  // A print takes the sides down to the picture's end; the screen needs them to the form's.
  const Integer sideHeight = wholePicture ? picture->Height() : height - w;
  const Integer right = (wholePicture ? picture->Width() : width) - w;
  BitBlt(dc, 0, 0, width, w, src, 0, 0, SRCCOPY);
  BitBlt(dc, 0, w, w, sideHeight, src, 0, w, SRCCOPY);
  BitBlt(dc, w, height - w, width - w, w, src, w, height - w, SRCCOPY);
  BitBlt(dc, right, w, w, sideHeight, src, right, w, SRCCOPY);
}

void TsSkinProvider::CopyStripsBesideOuterBorder(HDC dc) {
  TBitmap* picture = FCommonData->FCacheBmp.get();
  const HWND h = FormWnd(this);
  if (!picture || !h) return;
  // The border window shows the frame and title; the form's own window keeps the menu line
  // and the form's inner border, which lie inside the system frame.
  const HDC src = picture->Canvas()->Handle();
  const TRect shadow = ShadowSize();
  const Integer x0 = SysBorderWidth(h, OuterBorder(), false);
  const Integer y0 = CaptionHeight(false) + x0 - (FSysExHeight ? 4 : 0);
  const Integer b = Form->BorderWidth();
  const Integer m = (IsMenuVisible() ? MenuHeight() * LinesCount() + 1 : 0) + b;
  const Integer sbw = SysBorderWidth(h, OuterBorder(), true);
  const Integer pw = picture->Width(), ph = picture->Height();
  const Integer fw = Form->Width(), fh = Form->Height();
  if (m > 0) BitBlt(dc, x0, y0, pw - shadow.Left - shadow.Right, m, src, sbw + shadow.Left, OffsetY() - m, SRCCOPY);
  if (b <= 0) return;
  const Integer bw = BorderWidth(true);
  BitBlt(dc, x0, y0 + m, b, fh - x0, src, OffsetX() - b, OffsetY(), SRCCOPY);
  BitBlt(dc, b + x0, fh - b - x0, fw - 2 * b - x0, b, src, bw + shadow.Left, ph - bw - shadow.Bottom, SRCCOPY);
  BitBlt(dc, fw - b - x0, y0 + m, b, ph - x0, src, pw - bw - shadow.Right, OffsetY(), SRCCOPY);
}

void TsSkinProvider::PaintCaption(HDC dc) {
  const HWND h = FormWnd(this);
  if (FCommonData->BGChanged) {
    TkvSkinData* data = SkinDataFor();
    const TsGeneralData* section = SectionOf(data, FCommonData->SkinIndex);
    const TBitmap* old = FCommonData->FCacheBmp.get();
    // The graphic controls take their background from the picture: they remake theirs when
    // its client part can have changed.
    if (MenuChanged || !old || (section && !IsBorderUnchanged(section->BorderIndex, data)) ||
        CaptionWidth() != old->Width() || old->Height() != Form->Height() || !HaveBorder())
      ControlsChanged = !FirstInitialized;
    PaintAll();
    FCommonData->FUpdating = false;
  }
  TBitmap* cache = FCommonData->FCacheBmp.get();
  if (!cache || !h) return;
  // The border window shows the frame; the form's region leaves only its client visible.
  if (BorderForm) return;
  // The frame is the window outside its client as the system placed the client: the top block
  // (title and menu line) down to the client, then the left, right and bottom sides, each as wide
  // as the system made it. A dialog frame's sides are narrower than the skin's border width and
  // its title lies lower than the skin's header would say: strips of those sizes would leave
  // parts of the frame unpainted.
  const Integer w = CaptionWidth();
  const TPoint client = ClientOrigin(h);
  const Integer top = client.Y;
  Integer left = client.X;
  Integer right = GetWindowWidth(h) - GetClientWidth(h) - left;
  // The skinned scroll bars lie between the client and the frame: their wrapper paints them,
  // the strips stop short of them.
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

void TsSkinProvider::PaintForm(HDC dc, const TRect& paintRect, bool sendUpdated) {
  const TSaveDC saved(dc);
  IntersectClipRect(dc, paintRect.Left, paintRect.Top, paintRect.Right, paintRect.Bottom);
  const bool rebuilt = FCommonData->BGChanged;
  if (rebuilt) PaintAll();
  TBitmap* cache = FCommonData->FCacheBmp.get();
  // An MDI main form's client is the MDI client window, which paints its own wall.
  if (cache && Form->FormStyle() != fsMDIForm) {
    const TRect src = OffsRect(paintRect, OffsetX(), OffsetY());
    CopyWinControlCache(Form, FCommonData.get(), src, paintRect, dc, false);
    PaintControls(dc, Form, ControlsChanged || rebuilt, TPoint(0, 0), true);
  }
  if (sendUpdated) {
    SetParentUpdated(Form);
    TMessage done = MakeMessage(SM_ALPHACMD, MAKEWPARAM(0, KV_ENDPARENTUPDATE), 0);
    SendToAdapter(done);
  }
  ControlsChanged = false;
}

void TsSkinProvider::KV_WMEraseBkGndHandler(HDC aDC) {
  const HWND h = FormWnd(this);
  if (!h) return;
  HDC dc = aDC;
  if (dc && InAero) {
    RECT clip{};
    if (GetClipBox(dc, &clip) == NULLREGION || clip.right <= clip.left || clip.bottom <= clip.top) return;
  }
  std::unique_ptr<TClientDC> own;
  if (!dc || (FCommonData->PrintDC && FCommonData->PrintDC != dc)) {
    own = std::make_unique<TClientDC>(h);
    dc = own->get();
    if (!dc) return;
  }
  FCommonData->FUpdating = false;
  if (fAnimating || Form->IsDestroying() || IsDestroying()) return;
  if (!MDICreating && BehindMaximizedChild(Form)) return;
  {
    const TSaveDC saved(dc);
    // The child windows paint themselves: the background goes around them.
    ExcludeControls(dc, Form, 0, 0);
    PaintForm(dc, TRect(0, 0, GetClientWidth(h), GetClientHeight(h)), true);
    if (IsGripVisible(this)) {
      // The grip stands in picture coordinates.
      POINT org{};
      GetWindowOrgEx(dc, &org);
      SetWindowOrgEx(dc, org.x + OffsetX(), org.y + OffsetY(), nullptr);
      PaintGrip(dc, this);
    }
  }
  PaintControls(dc, Form, true, TPoint(0, 0), true);
  DuRiruZireziv* manager = SkinManager();
  if (!manager || !manager->Effects.AllowOuterEffects) SetParentUpdated(Form);
}

void TsSkinProvider::OurPaintHandler(TMessage& m) {
  const HWND h = FormWnd(this);
  if (!h) return;
  const bool showAnimation = InAnimationProcess;
  if (fAnimating || (showAnimation && m.WParam == 0) || Form->IsDestroying() || IsDestroying()) {
    // The animation owns the window: the update region is only taken away.
    PAINTSTRUCT ps{};
    BeginPaint(h, &ps);
    EndPaint(h, &ps);
    return;
  }
  // A DC in the message (a print, the show animation) is painted whole; the window's own
  // update region is left for its own paint.
  std::unique_ptr<TPaintDC> paint;
  HDC dc = reinterpret_cast<HDC>(m.WParam);
  TRect area(0, 0, GetClientWidth(h), GetClientHeight(h));
  if (!dc && !showAnimation) {
    paint = std::make_unique<TPaintDC>(h);
    dc = paint->get();
    area = paint->Rect();
  }
  if (!dc) return;
  const TSaveDC saved(dc);
  // The form's canvas holds the DC while the client paints, as the class library's paint does.
  std::optional<TPaintDCScope> locked;
  if (auto* canvas = dynamic_cast<TControlCanvas*>(Form->Canvas())) locked.emplace(*canvas, dc);
  // A top-level form paints now; a parented one waits while its parent's background is not
  // ready. While sizing the mark stays as the size handler left it.
  const bool updating = FCommonData->FUpdating;
  if (!(FFormState & FS_SIZING)) FCommonData->FUpdating = Form->Parent() ? FCommonData->GetUpdating() : false;
  if (!FCommonData->FUpdating && (MDICreating || !BehindMaximizedChild(Form))) {
    PaintForm(dc, area, updating || !FDrawNonClientArea);
  }
}

void TsSkinProvider::KV_WMEraseBkGnd(TMessage& m) {
  const HWND h = FormWnd(this);
  if (!h || !IsWindowVisible(h) || !FDrawClientArea) {
    PassOn(m);
    return;
  }
  if ((FCommonData->CtrlSkinState & KVS_LOCKED) || FCommonData->GetUpdating()) return;
  auto dc = reinterpret_cast<HDC>(m.WParam);
  m.Result = 1;
  TBitmap* cache = FCommonData->FCacheBmp.get();
  if (Form->ControlState().Contains(csPaintCopy) || m.WParam == TWParam(m.LParam)) {
    // The class library erases into the DC it paints next: the picture as it stands.
    if (dc && cache && !FCommonData->BGChanged)
      BitBlt(dc, 0, 0, Form->Width(), Form->Height(), cache->Canvas()->Handle(), OffsetX(), OffsetY(), SRCCOPY);
    return;
  }
  if (HasMaximizedChild(Form)) {
    KV_WMEraseBkGndHandler(dc);
    MDICreating = false;
    return;
  }
  RECT clip{};
  const bool visible = dc && GetClipBox(dc, &clip) != NULLREGION && clip.right > clip.left && clip.bottom > clip.top;
  if (visible && cache && !FCommonData->BGChanged) {
    const Integer ox = OffsetX(), oy = OffsetY();
    const TRect src(ox + clip.left, oy + clip.top, ox + GetClientWidth(h), oy + GetClientHeight(h));
    const TRect dst(clip.left, clip.top, clip.left + src.Width(), clip.top + src.Height());
    CopyWinControlCache(Form, FCommonData.get(), src, dst, dc, false);
  }
  SetParentUpdated(Form);
}

void TsSkinProvider::KV_WMPaint(TMessage& m) {
  if (!FDrawClientArea || (FFormState & FS_ANIMRESTORING)) {
    PassOn(m);
    return;
  }
  if (Form->ControlState().Contains(csPaintCopy)) return;
  if (BorderForm && !InAnimation(this)) {
    const HWND border =
        BorderForm->AForm && BorderForm->AForm->HandleAllocated() ? BorderForm->AForm->WindowHandle() : nullptr;
    // A missing window is made anew and shown by the update; a hidden one of the right size
    // would only be moved by it, so it is redrawn, which shows it.
    if (!border)
      BorderForm->UpdateExBordersPos(false, 255);
    else if (!IsWindowVisible(border))
      BorderForm->UpdateExBordersPos(true, 255);
  }
  if (Form->Showing()) {
    OurPaintHandler(m);
    MDICreating = false;
    // The MDI client covers an MDI main form's picture: its aligned controls are painted here.
    if (Form->FormStyle() == fsMDIForm) {
      if (m.WParam) {
        PaintControls(reinterpret_cast<HDC>(m.WParam), Form, false, TPoint(0, 0), true);
      } else if (const HWND h = FormWnd(this)) {
        const TClientDC dc(h);
        if (dc) PaintControls(dc, Form, false, TPoint(0, 0), true);
      }
    }
    m.Result = 0;
  } else {
    PassOn(m);
  }
  // The system draws the menu bar of a form whose frame is its own: it is asked to.
  if (!CanDrawNCArea() && Form->Menu()) ProcessMessage(WM_NCPAINT);
}

void TsSkinProvider::KV_WMPrint(TMessage& m) {
  if (IsLoading() || Form->ControlState().Contains(csCreating) || Form->IsDestroying()) return;
  auto dc = reinterpret_cast<HDC>(m.WParam);
  const HWND h = FormWnd(this);
  if (!dc || !h) return;
  InitDwm(h, true, false);
  if (BehindMaximizedChild(Form)) return;
  if (!MenusInitialized && UpdateMenu()) MenusInitialized = true;
  if (m.LParam & PRF_ERASEBKGND) {
    ProcessMessage(WM_ERASEBKGND, m.WParam, m.LParam);
    return;
  }
  FCommonData->PrintDC = dc;
  const TScopeExit printed([&] { FCommonData->PrintDC = nullptr; });
  StopUpdating();
  if (!FCommonData->FCacheBmp || FCommonData->FCacheBmp->Width() == 0) FCommonData->BGChanged = true;
  const Integer cw = GetClientWidth(h), ch = GetClientHeight(h);
  // The client: its origin moved to where the client sits in the picture, clipped to it.
  auto toClient = [&] {
    POINT org{};
    GetWindowOrgEx(dc, &org);
    SetWindowOrgEx(dc, org.x - OffsetX(), org.y - OffsetY(), nullptr);
    IntersectClipRect(dc, 0, 0, cw, ch);
  };
  if (BorderForm) {
    // The picture of the border window: frame, title and shadow around the form.
    if (FCommonData->BGChanged) PaintAll();
    if (TBitmap* cache = FCommonData->FCacheBmp.get(); cache && !cache->Empty())
      BitBlt(dc, 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
    PrintScrollBars(dc);
    const TSaveDC saved(dc);
    toClient();
    // The graphic controls lie on the client, which the picture holds bare.
    if (Form->FormStyle() != fsMDIForm) PaintControls(dc, Form, false, TPoint(0, 0), true);
  } else {
    if (CanDrawNCArea()) {
      if (!HaveBorder() && IsSizeBox(h)) {
        if (FCommonData->BGChanged) PaintAll();
        if (TBitmap* cache = FCommonData->FCacheBmp.get()) CopyFrameRing(dc, cache, Form->BorderWidth() + 3, true);
      } else if (!FUWPMode) {
        PaintCaption(dc);
      }
    }
    PrintScrollBars(dc);
    const TSaveDC saved(dc);
    toClient();
    PaintForm(dc, TRect(0, 0, Form->Width(), Form->Height()));
  }
  if (Form->FormStyle() == fsMDIForm && Form->ClientHandle())
    TrySendMessage(Form->ClientHandle(), WM_PRINT, m.WParam, m.LParam);
  FCommonData->PrintDC = nullptr;
  auto* canvas = dynamic_cast<TControlCanvas*>(Form->Canvas());
  if (Form->OnPaint() && canvas) {
    const TSaveDC saved(dc);
    toClient();
    const TPaintDCScope scope(*canvas, dc);
    Form->OnPaint().Call(Form);
  }
}

void TsSkinProvider::PrintScrollBars(HDC dc) {
  // The skinned scroll bars are part of the frame the system does not print: a picture of the
  // form (its animations, its taskbar preview) shows them as the screen does. With an outer
  // border the form's window lies inside the border window's picture.
  const HWND h = FormWnd(this);
  if (!h || !ListSW || ListSW->Destroyed || !CanDrawNCArea()) return;
  const TSaveDC barsSaved(dc);
  if (BorderForm) {
    POINT at{};
    GetWindowOrgEx(dc, &at);
    SetWindowOrgEx(dc, at.x - BorderForm->OffsetX(), at.y - BorderForm->OffsetY(), nullptr);
  }
  kv_NCDraw(ListSW, h, -1, dc);
}

// ---- Activation, size and caption text -------------------------------------------------------

namespace {

// The maximized MDI child's caption is part of its main form's: the main form's provider.
TsSkinProvider* MainOfMaximizedChild(TsSkinProvider* sp) {
  TsSkinProvider* main = MDISkinProvider;
  if (!main || main == sp || !sp->Form || sp->Form->FormStyle() != fsMDIChild || !sp->IsZoomed()) return nullptr;
  return main->Form && main->Form->HandleAllocated() && main->FCommonData ? main : nullptr;
}

}  // namespace

void TsSkinProvider::KV_WMSetText(TMessage& m) {
  const HWND h = FormWnd(this);
  if (!h || !IsWindowVisible(h) || Form->ControlState().Contains(csCreating) || !CanDrawNCArea()) {
    PassOn(m);
    return;
  }
  FreeCaptionGlows();
  // The default handling paints the system's caption with the new text: a cover with the
  // skinned picture keeps it off the screen until the skinned caption is painted again.
  if (TsSkinProvider* main = MainOfMaximizedChild(this)) {
    // The main form's caption shows the child's text.
    main->FCommonData->BGChanged = true;
    {
      main->MakeCaptForm(true);
      const TScopeExit uncover([main] { main->KillCaptForm(); });
      PassOn(m);
    }
    main->ProcessMessage(WM_NCPAINT);
  } else if (AeroIsEnabled()) {
    {
      // With an outer border the form's region shows no caption of its own.
      if (!BorderForm) MakeCaptForm(true);
      const TScopeExit uncover([this] { KillCaptForm(); });
      PassOn(m);
      UpdateSkinCaption();
    }
  } else {
    FCommonData->BGChanged = true;
    {
      MakeCaptForm(true);
      const TScopeExit uncover([this] { KillCaptForm(); });
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
