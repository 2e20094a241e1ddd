#include "controls/sThirdParty.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "controls/ControlsState.h"
#include "controls/sButton.h"
#include "images/kvAlphaImageList.h"
#include "paint/sGraphUtils.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"
#include "ui/StringList.h"

// ---- 2. The glyph drawing request -------------------------------------------------------------

namespace {

using TBitmapPtr = std::unique_ptr<TBitmap>;

bool AnyAlpha(TBitmap* bmp) {
  const TPixelView v = bmp->View();
  for (Integer y = 0; y < v.Height; ++y)
    for (Integer x = 0; x < v.Width; ++x)
      if (PixA(v.At(x, y))) return true;
  return false;
}

// An image of a plain list (no alpha of its own) into the target bitmap, the list's mask
// colour transparent.
void DrawPlainListImage(const TkvDrawGlyphData& d, Integer state) {
  const Integer w = GetImageWidth(d.Images, -1, d.PPI, false), h = GetImageHeight(d.Images, -1, d.PPI, false);
  TBitmapPtr work(CreateBmp32(w, h));
  if (work->Empty()) return;
  const TColor bk = d.Images->GetBkColor();
  const TColor mask = bk == clNone ? clFuchsia : ColorToRGB(bk);
  FillRect32(work.get(), MkRect(work.get()), mask, 0);
  d.Images->GetBitmap(d.ImageIndex, work.get());
  const TColor transparent = work->PixelColor(0, 0);
  if (d.Enabled) {
    if (state == 0 && d.Grayed) GrayScaleTrans(work.get(), transparent);
    if (state != 0 || d.Blend < 1)
      CopyTransBitmaps(d.DstBmp, work.get(), d.ImgRect.Left, d.ImgRect.Top, mask);
    else
      BlendTransRectangle(d.DstBmp, d.ImgRect.Left, d.ImgRect.Top, work.get(), MkRect(work.get()),
                          static_cast<Byte>(std::clamp(d.Blend, 0, 255)), clFuchsia);
    return;
  }
  if (d.Grayed) GrayScaleTrans(work.get(), transparent);
  if (d.DisabledGlyphKind.Contains(dgBlended))
    BlendTransRectangle(d.DstBmp, d.ImgRect.Left, d.ImgRect.Top, work.get(), MkRect(work.get()), 127, clFuchsia);
  else
    CopyTransBitmaps(d.DstBmp, work.get(), d.ImgRect.Left, d.ImgRect.Top, mask);
}

void DrawGlyphBitmap(const TkvDrawGlyphData& d, Integer state, TColor grayColor) {
  TBitmap* glyph = d.Glyph;
  if (!glyph || glyph->Empty()) return;
  const bool checkAlpha = !DefaultManager || d.SkinIndex < 0 || DefaultManager->Options.CheckEmptyAlpha;
  if (glyph->PixelFormat() == pfDevice || !d.Enabled || (glyph->PixelFormat() == pf32bit && checkAlpha)) {
    // The owner of the glyph is not told of this preparation: its change event is off meanwhile.
    const TNotifyEvent ownersEvent = glyph->OnChange();
    glyph->SetOnChange(nullptr);
    TScopeExit reattach([&] { glyph->SetOnChange(ownersEvent); });
    glyph->SetHandleType(bmDIB);
    if (glyph->PixelFormat() == pfDevice) glyph->SetPixelFormat(pf32bit);
    if (glyph->PixelFormat() == pf32bit && !AnyAlpha(glyph)) glyph->SetPixelFormat(pf24bit);
  }
  const TRect& r = d.ImgRect;
  if (glyph->PixelFormat() != pf32bit) {
    if (d.DstBmp) {
      DrawGlyphEx(glyph, d.DstBmp, r, d.NumGlyphs, d.Enabled, d.DisabledGlyphKind, state, d.Blend, d.Down, d.Reflected);
    } else if (d.Canvas) {
      TBitmapPtr work(CreateBmp32(r.Width(), r.Height()));
      if (work->Empty()) return;
      TCanvasLock lock(*d.Canvas), workLock(*work->Canvas());
      BitBlt(work->Canvas()->Handle(), 0, 0, r.Width(), r.Height(), d.Canvas->Handle(), r.Left, r.Top, SRCCOPY);
      DrawGlyphEx(glyph, work.get(), MkRect(r.Width(), r.Height()), d.NumGlyphs, d.Enabled, d.DisabledGlyphKind, state,
                  d.Blend, d.Down, d.Reflected);
      BitBlt(d.Canvas->Handle(), r.Left, r.Top, r.Width(), r.Height(), work->Canvas()->Handle(), 0, 0, SRCCOPY);
    }
    return;
  }
  const Integer w = r.Width();
  const Integer cell = std::max(0, std::min(state, d.NumGlyphs - 1));
  const TRect source(w * cell, 0, w * cell + w, glyph->Height());
  if (d.DstBmp) {
    CopyBmp32(r, source, d.DstBmp, glyph, EmptyCI, false, grayColor, state == 0 ? d.Blend : 0, d.Reflected);
    return;
  }
  if (!d.Canvas) return;
  TBitmapPtr bmp(CreateBmp32(r.Width(), r.Height()));
  if (bmp->Empty()) return;
  CopyPixels(bmp->View(), 0, 0, glyph->View(), source);
  const bool blended = !d.Enabled && d.DisabledGlyphKind.Contains(dgBlended);
  const Integer blend = blended ? std::max(d.Blend, 50) : d.Blend;
  if (state == 0 && blend != 0) {
    const TPixelView v = bmp->View();
    for (Integer y = 0; y < v.Height; ++y)
      for (Integer x = 0; x < v.Width; ++x) {
        uint32_t& p = v.At(x, y);
        p = (p & 0x00FFFFFF) | uint32_t(PixA(p) * (100 - blend) / 100) << 24;
      }
  }
  if ((!d.Enabled && d.DisabledGlyphKind.Contains(dgGrayed)) || (state == 0 && d.Grayed)) GrayScale(bmp.get());
  DrawBmp(d.Canvas, bmp.get(), r, d.Reflected);
}

}  // namespace

void kvDrawGlyphEx(const TkvDrawGlyphData& d) {
  const TColor grayColor = d.Grayed ? kvColorToRGB(d.BGColor) : clNone;
  Integer state = d.CurrentState;
  if (DefaultManager && DefaultManager->Options.StdGlyphsOrder) {
    // The class library's order of glyph cells: up, disabled, down.
    if (state == 0 && !d.Enabled)
      state = 1;
    else if (state == 1)
      state = 0;
    else if (state > 1 && d.NumGlyphs < 3)
      state = 0;
  }
  if (!d.Images || d.ImageIndex < 0 || d.ImageIndex >= GetImageCount(d.Images)) {
    DrawGlyphBitmap(d, state, grayColor);
    return;
  }
  const Integer blend =
      std::max(state == 0 ? d.Blend : 0, !d.Enabled && d.DisabledGlyphKind.Contains(dgBlended) ? 50 : 0);
  const Integer drawnState = state + Integer(d.Down);
  auto* chars = dynamic_cast<TsCharImageList*>(d.Images);
  if (chars || dynamic_cast<TsAlphaImageList*>(d.Images)) {
    if (d.DstBmp) {
      DrawAlphaImgList(d.Images, d.DstBmp, d.ImgRect.Left, d.ImgRect.Top, d.ImageIndex, blend, grayColor, drawnState,
                       d.NumGlyphs, d.Reflected, d.PPI);
    } else if (d.Canvas) {
      if (chars)
        chars->SetCharColor(kvColorToRGB(d.Canvas->Font()->Color()), d.ImageIndex, d.Canvas->Font()->Size() == 0);
      TCanvasLock lock(*d.Canvas);
      DrawAlphaImgListDC(d.Images, d.Canvas->Handle(), d.ImgRect.Left, d.ImgRect.Top, d.ImageIndex, blend, grayColor,
                         drawnState, d.NumGlyphs, d.Reflected, d.PPI);
      if (chars) chars->SetCharColor(clNone, d.ImageIndex, true);
    }
    return;
  }
  if (d.DstBmp && d.Images->ColorDepth() != cd32Bit) {
    DrawPlainListImage(d, state);
    return;
  }
  if (d.Canvas) d.Images->Draw(d.Canvas, d.ImgRect.Left, d.ImgRect.Top, d.ImageIndex, d.Enabled);
}

// ---- Button and tool-button glyphs --------------------------------------------------------------

void DrawBtnGlyph(TControl* button, TCanvas* canvas, TColor /*colorTone*/) {
  auto* btn = dynamic_cast<TsButton*>(button);
  if (!btn) return;
  TsCommonData* sd = btn->SkinData();
  DuRiruZireziv* manager = sd->GetSkinManager();
  const bool skinned = sd->Skinned();
  const Integer state = btn->CurrentState();
  TkvDrawGlyphData d;
  d.Images = btn->GetImages();
  d.ImageIndex = btn->CurrentImageIndex();
  d.ImgRect = btn->GlyphRect();
  d.NumGlyphs = 1;
  d.Enabled = btn->Enabled();
  d.Blend = 0;
  d.Down = state == 2;
  d.CurrentState = state;
  d.Reflected = btn->Reflected();
  d.Canvas = canvas;
  d.Grayed = state == 0 && skinned && manager->Effects.DiscoloredGlyphs;
  d.CommonSkinData = sd->GetCommonSkinData();
  d.PPI = d.CommonSkinData ? d.CommonSkinData->PPI : GetPPI(sd);
  d.DstBmp = skinned ? sd->FCacheBmp.get() : nullptr;
  const bool holdsSection = manager && manager->IsValidSkinIndex(sd->SkinIndex);
  d.SkinIndex = sd->SkinIndex;
  // A fully transparent button at rest takes its colours from the section that gives its font.
  if (state == 0 && btn->Parent() && holdsSection && manager->gd()[size_t(sd->SkinIndex)].Props[0].Transparency == 100)
    d.SkinIndex = GetFontIndex(btn, sd->SkinIndex, manager, 0);
  if (sd->FCustomColor)
    d.BGColor = btn->Color();
  else if (holdsSection)
    d.BGColor = GetControlColor(btn);
  else
    d.BGColor = 0xFFFFFF;
  if (sd->FHUEOffset != 0) d.BGColor = ChangeHue(sd->FHUEOffset, d.BGColor);
  if (canvas && dynamic_cast<TsCharImageList*>(d.Images))
    canvas->Font()->SetColor(skinned ? GetFontColor(btn, sd->SkinIndex, manager, state, sd) : clBtnText);
  kvDrawGlyphEx(d);
}

void CopyToolBtnGlyph(TToolBar* toolBar, TToolButton* button, TCustomDrawState state, TCustomDrawStage /*stage*/,
                      TTBCustomDrawFlags /*flags*/, TBitmap* btnBmp) {
  if (!toolBar || !button || !btnBmp) return;
  const Integer st = state.Contains(cdsSelected) ? 2 : state.Contains(cdsHot) ? 1 : state.Contains(cdsChecked) ? 2 : 0;
  TsCommonData* sd = toolBar->HandleAllocated()
                         ? reinterpret_cast<TsCommonData*>(SendAMessage(toolBar->WindowHandle(), KV_GETSKINDATA, 0))
                         : nullptr;
  const bool skinned = sd && sd->Skinned();
  DuRiruZireziv* manager = skinned ? sd->GetSkinManager() : nullptr;
  TkvDrawGlyphData d;
  Integer ppi = 96;
  if (skinned) {
    d.CommonSkinData = sd->GetCommonSkinData();
    if (d.CommonSkinData) ppi = d.CommonSkinData->PPI;
    d.Grayed = st == 0 && manager->Effects.DiscoloredGlyphs;
    TkvPaintInfo info;
    info.State = st;
    info.R = toolBar->BoundsRect();
    info.SkinManager = manager;
    if (!toolBar->Flat() || st != 0) {
      info.FontIndex = manager->SkinCommonInfo.Sections[ssToolButton];
      GetFontIndex(button, &info);
    } else {
      info.FontIndex = sd->SkinIndex;
      GetFontIndex(toolBar, &info);
    }
    d.SkinIndex = info.FontIndex;
  }
  d.PPI = d.CommonSkinData ? d.CommonSkinData->PPI : GetControlPPI(toolBar);
  if (state.Contains(cdsDisabled) && toolBar->DisabledImages())
    d.Images = toolBar->DisabledImages();
  else if (st == 1 && toolBar->HotImages())
    d.Images = toolBar->HotImages();
  else
    d.Images = toolBar->Images();
  d.ImageIndex = button->ImageIndex();
  d.NumGlyphs = 1;
  d.Enabled = toolBar->Enabled();
  d.Blend = 0;
  d.Down = st == 2;
  d.CurrentState = st;
  d.Reflected = false;
  d.DstBmp = btnBmp;
  d.Canvas = btnBmp->Canvas();
  if (d.Grayed) {
    d.DisabledGlyphKind = TsDisabledGlyphKinds{dgGrayed};
    if (manager->IsValidSkinIndex(d.SkinIndex)) d.BGColor = TColor(manager->gd()[size_t(d.SkinIndex)].Props[0].Color);
  }
  TCustomImageList* images = toolBar->Images();
  const Integer w = GetImageWidth(images, button->ImageIndex(), ppi, false);
  const Integer h = GetImageHeight(images, button->ImageIndex(), ppi, false);
  TRect r;
  if (toolBar->List()) {
    r.Left = 5;
    r.Top = (button->Height() - (images ? images->Height() : 0)) / 2;
  } else {
    const Integer extra = button->Style() == tbsDropDown ? 8 : 0;  // room for the drop-down arrow
    r.Left = (button->Width() - w) / 2 - extra + 1;
    const Integer captionRoom = toolBar->ShowCaptions() ? btnBmp->Canvas()->TextHeight(u"Yy") + 3 : 0;
    r.Top = (button->Height() - h - captionRoom) / 2;
  }
  r.Right = r.Left + w;
  r.Bottom = r.Top + h;
  if (d.CommonSkinData && dynamic_cast<TsCharImageList*>(d.Images))
    btnBmp->Canvas()->Font()->SetColor(GetFontColor(nullptr, d.SkinIndex, manager, st, nullptr));
  if (st == 2 && CanClickShift(d.SkinIndex, sd)) r = OffsRect(r, 1, 1);
  d.ImgRect = r;
  kvDrawGlyphEx(d);
}

// ---- 3. Foreign popup forms and start-up -------------------------------------------------------

TStringList*& ThirdPartySkipForms = kvControlsState.ThirdPartySkipForms;
void (*&InitDevEx)() = kvControlsState.InitDevEx;
void (*&CheckDevEx)() = kvControlsState.CheckDevEx;

void sThirdPartyStartup() {
  if (ThirdPartySkipForms) return;
  ThirdPartySkipForms = new TStringList();
  // Class names are matched exactly: a form class that differs only in case is skinned.
  ThirdPartySkipForms->SetCaseSensitive(true);
  ThirdPartySkipForms->SetSorted(true);
  ThirdPartySkipForms->SetDuplicates(dupIgnore);
  for (const Char* name : {u"TApplication", u"TAdvSmoothMessageDialogForm", u"TSynBaseCompletionProposalForm",
                           u"TPopupListboxFormEh", u"TfcPopup", u"TfcxSliceFieldsPopup", u"TfcxMeasurePopup",
                           u"TfcxFilterPopup", u"TcxDateEditPopupWindow", u"TcxPopupEditPopupWindow",
                           u"TdxPopupEditForm", u"TcxComboBoxPopupWindow", u"TcxGridFilterPopup", u"TPopupDBTreeView"})
    ThirdPartySkipForms->Add(name);
}

void sThirdPartyCleanup() {
  delete ThirdPartySkipForms;
  ThirdPartySkipForms = nullptr;
}
