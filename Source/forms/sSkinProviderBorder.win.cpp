// The outer border window of a skinned form: a layered window around and behind the form that
// shows the form's whole picture (frame, title, buttons and the shadow) with per-pixel alpha.
// The form keeps its system frame, cut away by its region; this window is what the user sees
// of the frame.
//
// Sections
//   1. Whether a form has one, its shadow, and the skin metrics of the frame
//   2. The shadow drawn around the form's picture
//   3. The border object: creation, the owner's side, its regions
//   4. Keeping the window in step with the form
#include <memory>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "forms/kvDialogWnd.h"
#include "forms/sSkinProvider.h"
#include "paint/sAlphaGraph.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/Pixels.h"
#include "skin/sMaskData.h"
#include "skin/sVclUtils.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"

Integer BorderProcDepth = 0;

namespace {

TkvBorderForm* AsBorderForm(TkvBorderWindow* bf) { return dynamic_cast<TkvBorderForm*>(bf); }

TkvSkinData* SkinDataOf(TkvBorderForm* bf) {
  return bf && bf->SkinData && (bf->sp || bf->Dlg) ? bf->SkinData->GetCommonSkinData() : nullptr;
}

void PaintBorderImageShadow(TkvSkinData* data, Integer formSection, Integer titleSection, bool active, TBitmap* cache,
                            const TRect& rForm, const TRect& shadow);

// Whether the skin's own border image is drawn as the shadow: it has one, in the full mode.
bool OwnBorderImageShadow(TkvSkinData* data, Integer extBordersMode) {
  return data && data->ExBorder >= 0 && data->ExBorder < Integer(data->ma.size()) && extBordersMode == ebmFull;
}

// A template drawn around the form with the border image's own margins and side mode.
void PaintBorderImageMargins(const TsMaskData& md, TBitmap* cache, const TRect& rForm, TBitmap* tpl,
                             const TRect& shadow) {
  const Integer sides = md.DrawMode & 1;
  PaintShadowAround(cache, rForm, tpl, TRect(md.WL, md.WT, md.WR, md.WB), shadow, TRect(sides, sides, sides, sides));
}

}  // namespace

// ---- 1. Whether a form has one, its shadow, and the skin metrics of the frame -----------------

DuRiruZireziv* BorderManagerOf(TkvBorderWindow* bf) {
  TkvBorderForm* b = AsBorderForm(bf);
  return b && b->SkinData ? b->SkinData->GetSkinManager() : nullptr;
}

Integer SkinBorderWidth(TkvBorderWindow* bf) {
  TkvSkinData* data = BorderManagerOf(bf) ? SkinDataOf(AsBorderForm(bf)) : nullptr;
  return data ? data->ExBorderWidth : 0;
}

Integer SkinTitleHeight(TkvBorderWindow* bf) {
  TkvBorderForm* b = AsBorderForm(bf);
  TkvSkinData* data = SkinDataOf(b);
  if (!data) return 0;
  return b->sp && b->sp->IsZoomed() ? data->ExMaxHeight : data->ExTitleHeight;
}

// The form's own inner border (the class library's BorderWidth) and its menu line lie inside
// the system frame around the client: the picture has them too, so they are no part of the
// frame's differences.
namespace {
Integer InnerBorderOf(TkvBorderForm* b) { return b->sp && b->sp->Form ? b->sp->Form->BorderWidth() : 0; }
Integer MenuLineOf(TkvBorderForm* b) {
  const Integer height = b->sp ? b->sp->MenuHeight() : 0;
  return height ? b->sp->LinesCount() * height + 1 : 0;
}
}  // namespace

// Both differences are measured from where the system put the client area, as the picture's
// offsets are: the picture's client then lines up with the form's client pixel for pixel.
// A dialog keeps the system's side or title for a metric its skin leaves at 0: the picture
// then has the dialog's own frame there, as without extended borders.
Integer DiffBorder(TkvBorderWindow* bf) {
  TkvBorderForm* b = AsBorderForm(bf);
  const HWND h = b ? b->OwnerHandle() : nullptr;
  if (!h) return 0;
  if (b->Dlg) {
    const Integer skin = SkinBorderWidth(bf);
    return skin ? skin - ClientOrigin(h).X : 0;
  }
  return SysBorderWidth(h, bf, true) - (ClientOrigin(h).X - InnerBorderOf(b));
}

Integer DiffTitle(TkvBorderWindow* bf) {
  TkvBorderForm* b = AsBorderForm(bf);
  const HWND h = b ? b->OwnerHandle() : nullptr;
  if (!h) return 0;
  if (b->Dlg) {
    const Integer skin = b->Dlg->CaptionHeight() > 0 ? SkinTitleHeight(bf) : 0;
    return skin ? skin - ClientOrigin(h).Y : 0;
  }
  return b->CaptionHeight(true) - (ClientOrigin(h).Y - InnerBorderOf(b) - MenuLineOf(b));
}

TkvBorderWindow* TsSkinProvider::OuterBorder() { return BorderForm.get(); }

bool TsSkinProvider::ExtBordersNeeded(bool maximized) {
  DuRiruZireziv* manager = SkinManager();
  if (!FCommonData || !manager || !manager->GetExtendedBorders() || !FAllowExtBorders) return false;
  if (manager->Options.NativeBordersMaximized && IsZoomed()) return false;
  return !(FUWPMode && (maximized || IsZoomed()));
}

void TsSkinProvider::InitExBorders(bool active) {
  const HWND h = FormWnd(this);
  DuRiruZireziv* manager = SkinManager();
  const bool wanted = active && h && manager && HaveBorder() && CanDrawNCArea() && !Form->Parent() &&
                      Form->FormStyle() != fsMDIChild && FAllowExtBorders &&
                      (!IsZoomed() || !manager->Options.NativeBordersMaximized) && Form->Showing();
  if (!wanted) {
    if (BorderForm) {
      BorderForm.reset();
      // The form shows its own frame again.
      FCommonData->BGChanged = true;
      RgnChanged = true;
    }
    return;
  }
  if (!BorderForm) {
    BorderForm = std::make_unique<TkvBorderForm>(this);
    RgnChanged = true;
  }
  FCommonData->BGChanged = true;
  BorderForm->UpdateExBordersPos(true, 255);
}

TRect TsSkinProvider::ShadowSize() {
  if (!BorderForm) return TRect();
  TkvSkinData* data = SkinDataFor();
  if (!data) return TRect();
  if (FUWPMode) {
    if (!BorderForm->ShadowTemplate) BorderForm->ShadowTemplate = UWPTemplate(FormActive);
    return UWPShadowSize;
  }
  return data->FormShadowSize;
}

TBitmap* TsSkinProvider::UWPTemplate(bool active) {
  if (!UWPTemplates[0]) {
    TkvSkinData* data = SkinDataFor();
    if (!data) return nullptr;
    auto copy = [](TBitmap* src) {
      auto out = std::make_unique<TBitmap>(0, 0, pf32bit);
      CopyBmp(out.get(), src);
      return out;
    };
    UWPTemplates[1] = copy(data->GetActiveShadow());
    UWPTemplates[0] = copy(data->GetPassiveShadow());
    UWPShadowSize = TRect(data->WndShadowSize, Maxi(0, data->WndShadowSize - data->WndShadowOffset),
                          data->WndShadowSize, Maxi(0, data->WndShadowSize + data->WndShadowOffset));
  }
  return UWPTemplates[active ? 1 : 0].get();
}

void TsSkinProvider::UpdateOuterBorder(bool redraw) {
  if (BorderForm) BorderForm->UpdateExBordersPos(redraw, 255);
}

// ---- 2. The shadow drawn around the form's picture --------------------------------------------

void TsSkinProvider::PaintOuterBorder(TBitmap* cache, const TRect& rForm) {
  TkvSkinData* data = SkinDataFor();
  if (!BorderForm || !data) return;
  BorderForm->ShadowTemplate =
      FUWPMode ? UWPTemplate(FormActive) : (FormActive ? data->ShdaTemplate.get() : data->ShdiTemplate.get());
  TBitmap* tpl = BorderForm->ShadowTemplate;
  if (!tpl || tpl->Width() == 0 || tpl->Height() == 0) {
    PaintShadowAround(cache, rForm, nullptr, TRect(), TRect());
    return;
  }
  const TRect shadow = ShadowSize();
  const TRect halfMargins((tpl->Width() - 1) / 2, (tpl->Height() - 1) / 2, (tpl->Width() - 1) / 2,
                          (tpl->Height() - 1) / 2);
  const TRect whole(0, 0, cache->Width(), cache->Height());
  if (FUWPMode) {
    // The captionless look: the window shadow stretched around the client area alone.
    PaintShadowAround(cache, rForm, nullptr, TRect(), TRect());
    const TRect target(rForm.Left - shadow.Left, rForm.Top - shadow.Top, rForm.Right + shadow.Right,
                       rForm.Bottom + shadow.Bottom);
    FillRect32Excl(cache, whole, target, 0, 0);
    FillRect32Excl(cache, target, rForm, 0, 0);
    DrawFrameTemplate(cache->View(), target, tpl->View(), halfMargins, shadow);
    return;
  }
  if (ExtendedFrameDrawing()) {
    PaintBodyWithClearMargins(cache, rForm);
    PaintExtendedFrame(cache, tpl);
    return;
  }
  const Integer formSection = FCommonData ? FCommonData->SkinIndex : -1;
  if (OwnBorderImageShadow(data, SkinManager()->ExtBordersMode())) {
    PaintBorderImageShadow(data, formSection, FTitleSkinIndex, FormActive, cache, rForm, shadow);
    return;
  }
  PaintShadowMargins(data, SkinManager()->ExtBordersMode(), formSection, FormActive, cache, rForm, tpl, shadow);
}

namespace {

// The border image of a section, or -1 when it has none.
Integer BorderImageOf(TkvSkinData* data, Integer section) {
  if (section < 0 || section >= Integer(data->gd.size())) return -1;
  const Integer img = data->gd[size_t(section)].BorderIndex;
  return img >= 0 && img < Integer(data->ma.size()) ? img : -1;
}

// The skin's own border image drawn as the shadow, with the frame's rounded corners showing it.
void PaintBorderImageShadow(TkvSkinData* data, Integer formSection, Integer titleSection, bool active, TBitmap* cache,
                            const TRect& rForm, const TRect& shadow) {
  if (!data || !cache || data->ExBorder < 0 || data->ExBorder >= Integer(data->ma.size())) return;
  // The skin data keep the image's state pictures: a paint only asks for one.
  TBitmap* tpl = data->ExBorderPicture(active);
  PaintBorderImageMargins(data->ma[size_t(data->ExBorder)], cache, rForm, tpl, shadow);
  FillFrameCornersFromTemplate(data, formSection, titleSection, cache, rForm, tpl, shadow);
}

}  // namespace

void FillFrameCornersFromTemplate(TkvSkinData* data, Integer formSection, Integer titleSection, TBitmap* cache,
                                  const TRect& rForm, TBitmap* tpl, const TRect& shadow, Integer formTopLimit) {
  if (!data || !cache || !tpl || tpl->Width() == 0 || tpl->Height() == 0) return;
  // The frame's rounded corners (the key pixels of its border images) show the shadow behind
  // them: the pixel of the template where that corner of the form lies in it.
  const Integer formMask = BorderImageOf(data, formSection);
  const Integer titleMask = BorderImageOf(data, titleSection);
  const Integer topMask = titleMask >= 0 ? titleMask : formMask;
  const Integer topLimit = titleMask >= 0 || formTopLimit <= 0 ? 0 : formTopLimit;
  struct Corner {
    Integer mask;
    Cardinal code;
    bool right, bottom;
  };
  const Corner corners[4] = {{topMask, kCornerTopLeft, false, false},
                             {topMask, kCornerTopRight, true, false},
                             {formMask, kCornerBottomLeft, false, true},
                             {formMask, kCornerBottomRight, true, true}};
  for (const Corner& c : corners) {
    if (c.mask < 0) continue;
    const TsMaskData& m = data->ma[size_t(c.mask)];
    Integer w = c.right ? m.WR : m.WL, h = c.bottom ? m.WB : m.WT;
    if (!c.bottom && topLimit > 0) {
      w = Mini(w, topLimit);
      h = Mini(h, topLimit);
    }
    const Integer x = c.right ? rForm.Right - w : rForm.Left, y = c.bottom ? rForm.Bottom - h : rForm.Top;
    const TPoint from(Maxi(0, c.right ? tpl->Width() - shadow.Right - w : shadow.Left),
                      Maxi(0, c.bottom ? tpl->Height() - shadow.Bottom - h : shadow.Top));
    if (w == (c.right ? m.WR : m.WL) && h == (c.bottom ? m.WB : m.WT)) {
      FillTransPixels32(cache, tpl, TRect(x, y, x + w, y + h), from, c.mask, data, c.code, TColor(0xFF00FF));
      continue;
    }
    // A part of the corner: the image's pixels of that part at its outer edge, as the frame
    // has them where the part lies.
    const TPoint maskOrigin(c.right ? m.R.Left + m.Width - w : m.R.Left, c.bottom ? m.R.Top + m.Height - h : m.R.Top);
    FillTransPixelsByImage(cache->View(), tpl->View(), TRect(x, y, x + w, y + h), from, MaskImageOf(m).Src, maskOrigin);
  }
}

void PaintShadowMargins(TkvSkinData* data, Integer extBordersMode, Integer section, bool active, TBitmap* cache,
                        const TRect& rForm, TBitmap* tpl, const TRect& shadow) {
  if (!data || !tpl || tpl->Width() == 0 || tpl->Height() == 0) {
    PaintShadowAround(cache, rForm, nullptr, TRect(), TRect());
    return;
  }
  if (!OwnBorderImageShadow(data, extBordersMode)) {
    const TRect halfMargins((tpl->Width() - 1) / 2, (tpl->Height() - 1) / 2, (tpl->Width() - 1) / 2,
                            (tpl->Height() - 1) / 2);
    PaintShadowAround(cache, rForm, tpl, halfMargins, shadow);
    RoundFrameCorners(data, section, active, cache, rForm, tpl);
    return;
  }
  // The skin's border image is the template, with its own margins: those of the skin data the
  // picture is painted at, as the template is.
  PaintBorderImageMargins(data->ma[size_t(data->ExBorder)], cache, rForm, tpl, shadow);
}

// The form's part of the picture made opaque and the shadow margins drawn from the template;
// shared with the dialog wrapper's outer border.
void PaintShadowAround(TBitmap* cache, const TRect& rForm, TBitmap* tpl, const TRect& srcMargins, const TRect& shadow,
                       const TRect& sideModes) {
  // The form's own part is opaque; the pixels its border image marks transparent (its rounded
  // corners) show what lies behind the border window.
  TPixelView v = cache->View();
  TRect body = rForm;
  if (ClipToView(body, v))
    for (Integer y = body.Top; y < body.Bottom; ++y)
      for (Integer x = body.Left; x < body.Right; ++x) {
        uint32_t& p = v.At(x, y);
        p = p == kKeyPixel ? 0 : p | 0xFF000000u;
      }
  if (!tpl || tpl->Width() == 0 || tpl->Height() == 0) return;
  // The shadow margins start clear: what was painted there belongs to no part of the form.
  const TRect whole(0, 0, cache->Width(), cache->Height());
  FillRect32Excl(cache, whole, rForm, 0, 0);
  DrawFrameTemplate(cache->View(), whole, tpl->View(), srcMargins, shadow, sideModes);
}

void PaintBodyWithClearMargins(TBitmap* cache, const TRect& body) {
  PaintShadowAround(cache, body, nullptr, TRect(), TRect());
  // The shadow margins start clear: what was painted there belongs to no part of the form.
  FillRect32Excl(cache, TRect(0, 0, cache->Width(), cache->Height()), body, 0, 0);
}

bool TsSkinProvider::ExtendedFrameDrawing() {
  return BorderForm && ::ExtendedFrameDrawing(SkinDataFor(), SkinManager());
}

bool ExtendedFrameDrawing(TkvSkinData* data, DuRiruZireziv* manager) {
  return data && manager && data->ExDrawMode == 1 && manager->ExtBordersMode() == ebmFull;
}

// The extended frame reaches over the skin's own border and the whole title strip: the source
// margins are the border image's, kept within the picture's halves, and the target margins the
// shadow plus the frame and the title.
void TsSkinProvider::PaintExtendedFrame(TBitmap* cache, TBitmap* tpl) {
  if (!BorderForm) return;
  // The form's header band lies under the title: the frame's top reaches over it too.
  ::PaintExtendedFrame(SkinDataFor(), cache, tpl, CaptionHeight(true), ShadowSize(), BorderWidth(true),
                       FFormHeader->ScaledAddHeight());
}

void PaintExtendedFrame(TkvSkinData* data, TBitmap* cache, TBitmap* tpl, Integer captionHeight, const TRect& shadow,
                        Integer borderWidth, Integer headerHeight) {
  if (!data || !cache || !tpl || data->ExBorder < 0 || data->ExBorder >= Integer(data->ma.size())) return;
  const TsMaskData& md = data->ma[size_t(data->ExBorder)];
  const Integer fHeight = cache->Height();
  const TRect src(md.WL, Mini(md.WT, captionHeight + (fHeight - captionHeight) / 2), md.WR,
                  Mini(md.WB, (fHeight - captionHeight) / 2));
  const TRect dst(shadow.Left + borderWidth, shadow.Top + captionHeight + headerHeight, shadow.Right + borderWidth,
                  shadow.Bottom + borderWidth);
  // The border image says whether its sides repeat or stretch along the frame.
  const Integer sides = md.DrawMode & 1;
  DrawFrameTemplate(cache->View(), TRect(0, 0, cache->Width(), cache->Height()), tpl->View(), src, dst,
                    TRect(sides, sides, sides, sides));
}

// A frame whose section has a corner radius is rounded here: its corners show the shadow
// template instead of the square frame.
void TsSkinProvider::CheckCorners(TBitmap* cache, const TRect& rForm, TBitmap* tpl) {
  RoundFrameCorners(SkinDataFor(), FCommonData ? FCommonData->SkinIndex : -1, FormActive, cache, rForm, tpl);
}

void RoundFrameCorners(TkvSkinData* data, Integer index, bool active, TBitmap* cache, const TRect& rForm,
                       TBitmap* tpl) {
  if (!data || !cache || index < 0 || index >= Integer(data->gd.size())) return;
  const TsGeneralData& gd = data->gd[size_t(index)];
  if (gd.BorderRadius <= 0) return;
  // The rounded edge takes the frame's edge colour: the border line's, or the body's where
  // the section draws no line; the rounding then blends it with the shadow.
  const TsGenState& look = gd.Props[active ? 1 : 0];
  const Integer edge = gd.BorderWidth < 1 ? look.Color : look.BorderColor;
  PaintCornerEdges(cache->View(), rForm, gd.BorderRadius,
                   0xFF000000u | SwapRedBlue(uint32_t(ColorToRGB(TColor(edge)))));
  TCacheInfo ci;
  ci.Bmp = tpl;
  ci.Ready = true;
  // The template's own alpha stays: the shadow shows through the rounding.
  UpdateCorners(gd, cache, rForm, ci, nullptr, true);
}

// The rim of each rounded corner takes the edge colour: the pixels the round mask covers in
// part, and those on the disc next to a pixel outside it (a mask without anti-aliasing has
// only these), so the rounding keeps the frame's edge along its arc.
void PaintCornerEdges(const TPixelView& v, const TRect& rect, Integer radius, uint32_t edge) {
  TBitmap* maskBmp = GetRoundMask(radius);
  if (!maskBmp || v.Empty()) return;
  const TPixelView mask = maskBmp->View();
  const Integer r = radius;
  const TPoint d0[4] = {{rect.Left, rect.Top},
                        {rect.Right - r - 1, rect.Top},
                        {rect.Left, rect.Bottom - r - 1},
                        {rect.Right - r - 1, rect.Bottom - r - 1}};
  const TPoint m0[4] = {{0, 0}, {r, 0}, {0, r}, {r, r}};
  for (Integer c = 0; c < 4; ++c)
    for (Integer y = 0; y <= r; ++y)
      for (Integer x = 0; x <= r; ++x) {
        const Integer tx = d0[c].X + x, ty = d0[c].Y + y, mx = m0[c].X + x, my = m0[c].Y + y;
        if (tx < 0 || ty < 0 || tx >= v.Width || ty >= v.Height || mx >= mask.Width || my >= mask.Height) continue;
        const uint32_t m = mask.At(mx, my);
        if (m == 0xFFFFFFFFu) continue;
        auto outside = [&](Integer x2, Integer y2) {
          return x2 >= 0 && y2 >= 0 && x2 < mask.Width && y2 < mask.Height && mask.At(x2, y2) == 0xFFFFFFFFu;
        };
        const bool partial = (m & 0xFFFFFF) != 0;
        if (partial || outside(mx - 1, my) || outside(mx + 1, my) || outside(mx, my - 1) || outside(mx, my + 1))
          v.At(tx, ty) = edge;
      }
}

// ---- 3. The border object: creation, the owner's side, its regions ----------------------------

TkvBorderForm::TkvBorderForm(TsSkinProvider* owner)
    : FOwner(owner), sp(owner), SkinData(owner ? owner->FCommonData.get() : nullptr) {
  CreateNewForm();
}

TkvBorderForm::TkvBorderForm(TkvDialogWnd* owner)
    : FOwner(nullptr), sp(nullptr), Dlg(owner), SkinData(owner ? owner->SkinData : nullptr) {
  CreateNewForm();
}

TkvBorderForm::~TkvBorderForm() {
  KillAnimations();
  FreeLayeredWindow();
}

void TkvBorderForm::CreateNewForm() {
  if (FormState() & FS_ANIMSHOWING) return;  // a show animation owns the screen
  MainRgnReady = false;
  AForm.reset(new TkvGlowForm(nullptr));
  AForm->AfterConstruction();
  // Its hit test is the frame's: the window procedure below answers it.
  AForm->TransparentMouse = false;
  AForm->HandleNeeded();
  const HWND wnd = AForm->WindowHandle();
  SetWindowLongW(wnd, GWL_EXSTYLE, WS_EX_LAYERED);
  if (const HWND owner = OwnerHandle()) SetWindowLongPtrW(wnd, GWLP_HWNDPARENT, LONG_PTR(owner));
  OldBorderProc = AForm->WindowProc();
  AForm->SetWindowProc(TWndMethod(this, &TkvBorderForm::BorderProc));
}

HWND TkvBorderForm::LayeredWindow() { return AForm && AForm->HandleAllocated() ? AForm->WindowHandle() : nullptr; }

void TkvBorderForm::FreeLayeredWindow() {
  if (!AForm) return;
  // The window procedure goes back first: the window's last messages must not reach this object.
  if (OldBorderProc) AForm->SetWindowProc(OldBorderProc);
  if (BorderProcDepth > 0) {
    // A message of a border window is being handled (a click that closes the form): the
    // window goes once the handling is over.
    if (AForm->HandleAllocated()) ShowWindow(AForm->WindowHandle(), SW_HIDE);
    AForm.release()->Release();
    return;
  }
  AForm.reset();
}

std::unique_ptr<TkvGlowForm> TkvBorderForm::ReleaseLayeredForm() {
  // Its own procedure back: the window no longer answers for the frame.
  if (AForm && OldBorderProc) AForm->SetWindowProc(OldBorderProc);
  return std::move(AForm);
}

HWND TkvBorderForm::OwnerHandle() {
  if (Dlg) return Dlg->CtrlHandle;
  return sp ? FormWnd(sp) : nullptr;
}

Integer TkvBorderForm::CaptionHeight(bool checkSkin) {
  // With the skin, a dialog's title is the picture's: the skin's title with its top border.
  if (Dlg) return checkSkin && Dlg->CaptionHeight() > 0 ? Dlg->HeaderHeight() + DiffTitle(this) : Dlg->CaptionHeight();
  return sp ? sp->CaptionHeight(checkSkin) : 0;
}

Integer TkvBorderForm::MenuHeight() { return sp ? sp->MenuHeight() : 0; }

TRect TkvBorderForm::IconRect() {
  if (Dlg) return Dlg->IconRect();
  return sp ? sp->FIconRect : TRect();
}

void TkvBorderForm::PaintAll() {
  if (Dlg) Dlg->PaintAll();
  if (sp) sp->PaintAll();
}

void TkvBorderForm::SetHotHT(Integer ht, bool repaint) {
  if (Dlg) Dlg->SetHotHT(ht);
  if (sp) sp->SetHotHT(ht, repaint);
}

void TkvBorderForm::KillAnimations() {
  if (Dlg) Dlg->KillAnimations();
  if (sp) sp->KillAnimations();
}

Cardinal TkvBorderForm::FormState() {
  if (Dlg) return Dlg->FormState;
  return sp ? sp->FFormState : 0;
}

TRect TkvBorderForm::ShadowSize() {
  if (Dlg) {
    TkvSkinData* data = SkinDataOf(this);
    return data ? data->FormShadowSize : TRect();
  }
  return sp ? sp->ShadowSize() : TRect();
}

bool TkvBorderForm::CanBringForm() {
  const HWND h = OwnerHandle();
  if (!h || !IsWindowEnabled(h)) return false;
  if (Dlg) return true;
  return !(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_NOACTIVATE);
}

// The owner window's top-left inside the border window: where the picture's client area meets
// the form's client area.
Integer TkvBorderForm::OffsetX() {
  const HWND h = OwnerHandle();
  // The skin's side and title replace the dialog's own in the picture: the window lies that
  // much further in.
  if (Dlg) return ShadowSize().Left + DiffBorder(this);
  return h ? sp->OffsetX() - ClientOrigin(h).X : 0;
}

Integer TkvBorderForm::OffsetY() {
  const HWND h = OwnerHandle();
  if (Dlg) return ShadowSize().Top + DiffTitle(this);
  return h ? sp->OffsetY() - ClientOrigin(h).Y : 0;
}

HWND TkvBorderForm::GetTopWnd() {
  if (!sp || !sp->Form) return nullptr;
  if (sp->Form->FormStyle() == fsStayOnTop) return HWND_TOP;
  const HWND h = OwnerHandle();
  if (h && (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST)) return HWND_TOPMOST;
  return h;
}

Integer TkvBorderForm::MinTopCoord() {
  const HWND wnd = LayeredWindow();
  const HMONITOR monitor = MonitorFromWindow(wnd ? wnd : OwnerHandle(), MONITOR_DEFAULTTONEAREST);
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (!monitor || !GetMonitorInfoW(monitor, &mi)) return 0;
  return mi.rcWork.top;
}

TkvBorderFrame TkvBorderForm::Frame() {
  TkvBorderFrame f;
  const HWND wnd = LayeredWindow();
  if (wnd) {
    RECT r{};
    GetWindowRect(wnd, &r);
    f.Width = r.right - r.left;
    f.Height = r.bottom - r.top;
  }
  f.Shadow = ShadowSize();
  TkvSkinData* data = SkinDataOf(this);
  DuRiruZireziv* manager = BorderManagerOf(this);
  if (data) {
    f.OffsetMode = data->ExDrawMode == 1 && manager && manager->ExtBordersMode() == ebmFull;
    f.BandWidth = data->ExBorderWidth;
    f.ShadowOffs = TRect(data->ExShadowOffs, data->ExShadowOffsT, data->ExShadowOffsR, data->ExShadowOffsB);
  }
  if (const HWND h = OwnerHandle()) {
    f.SysBorder = SysBorderWidth(h, this, false);
    if (f.SysBorder == 0 && sp && sp->FUWPMode && sp->FluentBorderStyle == bsSizeable) f.SysBorder = 4;
  }
  return f;
}

TPoint TkvBorderForm::FrameOffset() {
  const TkvBorderFrame f = Frame();
  const Integer db = DiffBorder(this), dt = DiffTitle(this);
  if (!f.OffsetMode) return TPoint(f.Shadow.Left + db, f.Shadow.Top + dt);
  TkvSkinData* data = SkinDataOf(this);
  const Integer content = data ? data->ExContentOffs : 0;
  return TPoint(db + content, dt + content);
}

HRGN TkvBorderForm::ClientRgn(Integer newWidth, Integer newHeight) {
  const HWND h = OwnerHandle();
  if (Dlg) {
    // The dialog shows only its client area (its own region); the frame around is this window's.
    const TRect r = OffsRect(Dlg->ClientRegionRect(), OffsetX(), OffsetY());
    return CreateRectRgn(r.Left, r.Top, Maxi(r.Left, r.Right), Maxi(r.Top, r.Bottom));
  }
  const Integer left = sp->OffsetX(), top = sp->OffsetY();
  Integer width = GetClientWidth(h), height = GetClientHeight(h);
  if ((FormState() & FS_SIZING) && !(sp->Form->FormState().Contains(fsShowing))) {
    // While sizing the region follows the size the form is going to have.
    const TRect& last = sp->LastClientRect;
    if (last.Width() < width) {
      width = last.Width();
    } else if (newWidth > 0 && newWidth > sp->Form->Constraints()->MinWidth()) {
      width += newWidth - sp->Form->Width();
    }
    if (last.Height() < height) {
      height = last.Height();
    } else if (newHeight > 0 && newHeight > sp->Form->Constraints()->MinHeight()) {
      height += newHeight - sp->Form->Height();
    }
  } else {
    // The form's skinned bars show through the hole too.
    width += sp->SkinnedScrollThickness(SB_VERT);
    height += sp->SkinnedScrollThickness(SB_HORZ);
  }
  return CreateRectRgn(left, top, left + width, top + height);
}

HRGN TkvBorderForm::MakeRgn(Integer newWidth, Integer newHeight) {
  const HWND wnd = LayeredWindow();
  const HWND h = OwnerHandle();
  if (!wnd || !h) return nullptr;
  RECT wr{};
  GetWindowRect(wnd, &wr);
  const Integer width = wr.right - wr.left, height = wr.bottom - wr.top;
  const TRect shadow = ShadowSize();
  HRGN base = nullptr;
  if (IsZoomed(h)) {
    const Integer b = SysBorderWidth(h, this, false) + DiffBorder(this);
    base = CreateRectRgn(b + shadow.Left, shadow.Top + 4, width - b - shadow.Right, height - b - shadow.Bottom);
  }
  // Of a dialog's state bits only blend-moving means the same as the provider's.
  const Cardinal state = Dlg ? FormState() & FS_BLENDMOVING : FormState();
  auto whole = [&] { return base ? base : CreateRectRgn(0, 0, width, height); };
  if (state & FS_CHANGING) return whole();
  if (!(state & (FS_BLENDMOVING | FS_ANIMMINIMIZING | FS_ANIMCLOSING))) {
    // The owner's client area is cut out: the form shows it itself.
    HRGN rgn = whole();
    HRGN client = ClientRgn(newWidth, newHeight);
    CombineRgn(rgn, rgn, client, RGN_XOR);
    DeleteObject(client);
    return rgn;
  }
  const Integer workTop = MinTopCoord();
  if (wr.top < workTop) {
    HRGN rgn = whole();
    HRGN strip = CreateRectRgn(0, 0, width, workTop - wr.top);
    CombineRgn(rgn, rgn, strip, RGN_XOR);
    DeleteObject(strip);
    MovRgnChanged = true;
    return rgn;
  }
  MovRgnChanged = false;
  return base;
}

void TkvBorderForm::UpdateRgn() {
  if (!ResetRgn) return;
  ResetRgn = false;
  if (const HWND wnd = LayeredWindow()) SetWindowRgn(wnd, MakeRgn(0, 0), FALSE);
}

HRGN TkvBorderForm::BlurRgn(TBitmap* picture) {
  const TRect shadow = ShadowSize();
  const TRect body(shadow.Left - 1, shadow.Top - 1, picture->Width() - shadow.Right + 1,
                   picture->Height() - shadow.Bottom + 1);
  HRGN rgn = CreateRectRgn(body.Left, body.Top, body.Right, body.Bottom);
  TkvSkinData* data = SkinDataOf(this);
  for (const TPoint& p : BlurRegionHoles(picture->View(), body, data ? data->ExContentOffs : 0)) {
    HRGN dot = CreateRectRgn(p.X, p.Y, p.X + 1, p.Y + 1);
    CombineRgn(rgn, rgn, dot, RGN_DIFF);
    DeleteObject(dot);
  }
  return rgn;
}

// While the form moves or animates, its client part of the picture is refreshed from the
// screen instead of repainting the form.
void TkvBorderForm::CopyClientFromScreen(TBitmap* picture) {
  const HWND h = OwnerHandle();
  const TClientDC dc(h);
  if (!dc) return;
  const TRect r(sp->OffsetX(), sp->OffsetY(), sp->OffsetX() + GetClientWidth(h), sp->OffsetY() + GetClientHeight(h));
  BitBlt(picture->Canvas()->Handle(), r.Left, r.Top, r.Width(), r.Height(), dc, 0, 0, SRCCOPY);
  FillAlphaRect(picture, r, 255, clNone);
}

// ---- 4. Keeping the window in step with the form ---------------------------------------------

void TkvBorderForm::UpdateExBordersPos(bool redraw, Byte blend) {
  if (Dlg) {
    UpdateDialogBorder(redraw, blend);
    return;
  }
  const HWND h = OwnerHandle();
  RECT ownerRect{};
  if (Locked || !sp || (Application && Application->Terminated()) || ExBorderShowing || !h ||
      !GetWindowRect(h, &ownerRect) || (SkinData && SkinData->PrintDC) || InAnimationProcess)
    return;
  // 1. The provider's state: bounds settled, no scaling, no show animation, nothing locked.
  if (sp->Form->Left() != ownerRect.left && !IsIconic(h)) return;
  if (FormState() & (FS_SCALING | FS_ANIMSHOWING)) return;
  if (!AForm) CreateNewForm();
  if (!AForm || (SkinData->CtrlSkinState & KVS_LOCKED) || SkinData->FUpdating || sp->FInAnimation ||
      !sp->CanDrawNCArea())
    return;
  if (sp->IsDestroying() || sp->Form->IsDestroying()) {
    sp->InitExBorders(false);  // frees this object: nothing of it may be touched after
    return;
  }
  if (!IsWindowVisible(h) && (FormState() == 0 || FormState() == FS_ACTIVATE)) {
    FreeLayeredWindow();
    SkinData->BGChanged = true;
    return;
  }
  ExBorderShowing = true;
  const TScopeExit done([this] { ExBorderShowing = false; });
  if (sp->Form->FormStyle() == fsStayOnTop && GetActiveWindow() == h)
    SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  if (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST)
    SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  if (!AForm) CreateNewForm();
  if (!AForm) return;
  HWND insertAfter = (FormState() & FS_SIZING) ? nullptr : GetTopWnd();

  // 4-5. The picture.
  const Integer offsetX = OffsetX(), offsetY = OffsetY();
  if (FormState() & (FS_CHANGING | FS_ANIMMINIMIZING | FS_BLENDMOVING)) {
    if (SkinData->BGChanged) PaintAll();
    redraw = true;
    TBitmap* cache = SkinData->FCacheBmp.get();
    // The work area of the form's own monitor: the part of the form past it is not on the
    // screen to be copied.
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    const HMONITOR monitor = MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST);
    const bool haveWork = monitor && GetMonitorInfoW(monitor, &mi);
    const bool pastWorkArea = haveWork && (ownerRect.right > mi.rcWork.right || ownerRect.bottom > mi.rcWork.bottom);
    if (!cache || sp->FInAnimation || pastWorkArea || SkinData->TranspMode == 2) {
      SkinData->FCacheBmp = sp->GetFormImage();
    } else {
      CopyClientFromScreen(cache);
    }
    if (SkinData->FCacheBmp)
      SendMessageW(h, SM_ALPHACMD, MAKEWPARAM(0, KV_PAINTFLOATITEMS), LPARAM(SkinData->FCacheBmp.get()));
  } else if (SkinData->BGChanged) {
    PaintAll();
    redraw = true;
    if (!AForm) return;
  }
  TBitmap* picture = SkinData->FCacheBmp.get();
  if (!picture || picture->Width() == 0 || picture->Height() == 0) return;
  const TSize size(picture->Width(), picture->Height());

  // 6-8. Where the window goes.
  if (!insertAfter) insertAfter = (IsIconic(h) || (FormState() & FS_SIZING)) ? GetWindow(h, GW_HWNDPREV) : h;
  UINT flags = SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
  if (FormState() & FS_SIZING) flags |= SWP_NOZORDER;
  if (!redraw) flags |= SWP_NOREDRAW;
  const HWND wnd = LayeredWindow();
  RECT ar{};
  GetWindowRect(wnd, &ar);
  const bool sizeDiffers = ar.right - ar.left != size.cx || ar.bottom - ar.top != size.cy;
  const bool update = redraw || sizeDiffers;
  if (!update) flags |= SWP_NOSIZE;
  TPoint target(ownerRect.left - offsetX, ownerRect.top - offsetY);

  // 9. The layered update, or only the move.
  if (kvLayered() && update && !kvInMouseMsg) {
    const Byte alpha = sp->Form->AlphaBlend() ? sp->Form->AlphaBlendValue() : blend;
    if (sizeDiffers || ar.left != target.X || ar.top != target.Y)
      SetWindowPos(wnd, nullptr, target.X, target.Y, size.cx, size.cy,
                   SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING | SWP_NOREDRAW);
    DuRiruZireziv* manager = BorderManagerOf(this);
    TkvSkinData* data = SkinDataOf(this);
    if (manager && data && manager->Effects.AllowAeroBluring && manager->SkinCommonInfo.UseAeroBluring &&
        AeroIsEnabled() && !sp->FUWPMode)
      SetBlurBehindWindow(wnd, true, BlurRgn(picture));
    else
      SetBlurBehindWindow(wnd, false, nullptr);
    if (FormState() & FS_BLENDMOVING) SetWindowRgn(wnd, MakeRgn(0, 0), FALSE);
    BLENDFUNCTION bf{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    TSize ulwSize = size;
    UpdateLayeredWnd(wnd, picture, &ulwSize, &bf, &target);
    if (!(FormState() & (FS_CHANGING | FS_ANIMMINIMIZING | FS_BLENDMOVING))) SetWindowRgn(wnd, MakeRgn(0, 0), TRUE);
    const bool wasVisible = IsWindowVisible(wnd);
    if (wasVisible) {
      SetWindowPos(wnd, insertAfter, 0, 0, 0, 0, flags | SWP_NOMOVE | SWP_NOSIZE);
    } else {
      // Showing a window may hand the activation around: the owner is kept out of it when the
      // window only fades in.
      const bool hideOwner = blend == 0 && (GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE);
      if (hideOwner) SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) & ~WS_VISIBLE);
      SetWindowPos(wnd, insertAfter, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
      if (hideOwner) SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) | WS_VISIBLE);
    }
    if (!MainRgnReady && blend == 255 && !(FormState() & FS_SIZING)) {
      sp->RgnChanged = false;
      sp->UpdateRgn(!wasVisible || redraw, false);
      MainRgnReady = true;
    }
    if (sp->Form->AlphaBlend() && (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_LAYERED))
      DoLayered(h, true, sp->Form->AlphaBlendValue());
  } else {
    SetWindowPos(wnd, insertAfter, target.X, target.Y, 0, 0, flags | SWP_NOSIZE);
  }
}

// A dialog's border window lies right behind the dialog (a topmost dialog's at the top of the
// topmost windows) and shows the dialog's picture (its frame as the dialog draws it, the shadow
// around) with the dialog's window cut out of its region. While the dialog is dragged translucent
// it shows the whole picture, the client copied in from the dialog. It has no window while the
// dialog is hidden or minimized.
void TkvBorderForm::UpdateDialogBorder(bool redraw, Byte blend) {
  const HWND h = OwnerHandle();
  RECT ownerRect{};
  if (Locked || (Application && Application->Terminated()) || ExBorderShowing || !h || !GetWindowRect(h, &ownerRect) ||
      (SkinData && SkinData->PrintDC) || InAnimationProcess)
    return;
  if (!IsWindowVisible(h)) return;  // a hide animation may still play in the window
  if (IsIconic(h)) {
    // A minimized dialog paints its own small frame.
    FreeLayeredWindow();
    return;
  }
  ExBorderShowing = true;
  const TScopeExit done([this] { ExBorderShowing = false; });
  HWND insertAfter = h;
  if (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST) {
    if (GetActiveWindow() == h)
      SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    insertAfter = HWND_TOPMOST;
  }
  if (!AForm) CreateNewForm();
  if (!AForm) return;
  const bool moving = (FormState() & FS_BLENDMOVING) != 0;
  if (SkinData->BGChanged || !SkinData->FCacheBmp) {
    PaintAll();
    redraw = true;
    if (!AForm) return;
  }
  TBitmap* picture = SkinData->FCacheBmp.get();
  if (!picture || picture->Width() == 0 || picture->Height() == 0) return;
  if (moving) {
    redraw = true;
    CopyDialogClient(picture);
  }
  const HWND wnd = LayeredWindow();
  const TSize size(picture->Width(), picture->Height());
  const TPoint target(ownerRect.left - OffsetX(), ownerRect.top - OffsetY());
  RECT ar{};
  GetWindowRect(wnd, &ar);
  const bool sizeDiffers = ar.right - ar.left != size.cx || ar.bottom - ar.top != size.cy;
  UINT flags = SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
  if (!redraw) flags |= SWP_NOREDRAW;
  if (kvLayered() && (redraw || sizeDiffers)) {
    SetWindowPos(wnd, nullptr, target.X, target.Y, size.cx, size.cy,
                 SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING | SWP_NOREDRAW);
    DuRiruZireziv* manager = BorderManagerOf(this);
    if (manager && manager->Effects.AllowAeroBluring && manager->SkinCommonInfo.UseAeroBluring && AeroIsEnabled())
      SetBlurBehindWindow(wnd, true, BlurRgn(picture));
    else
      SetBlurBehindWindow(wnd, false, nullptr);
    if (moving) SetWindowRgn(wnd, MakeRgn(0, 0), FALSE);
    BLENDFUNCTION bf{AC_SRC_OVER, 0, blend, AC_SRC_ALPHA};
    TSize ulwSize = size;
    TPoint pos = target;
    UpdateLayeredWnd(wnd, picture, &ulwSize, &bf, &pos);
    if (!moving) SetWindowRgn(wnd, MakeRgn(0, 0), TRUE);
  } else {
    SetWindowPos(wnd, nullptr, target.X, target.Y, 0, 0, flags | SWP_NOSIZE | SWP_NOZORDER);
  }
  const bool wasVisible = IsWindowVisible(wnd);
  SetWindowPos(wnd, insertAfter, 0, 0, 0, 0, flags | SWP_NOMOVE | SWP_NOSIZE | (wasVisible ? 0 : SWP_SHOWWINDOW));
  if (!MainRgnReady && blend == 255) {
    // Now that the frame is on screen here, the dialog keeps only its client area.
    Dlg->RgnChanged = false;
    ::UpdateRgn(Dlg, !wasVisible || redraw);
    MainRgnReady = true;
  }
}

// The dialog's client pixels as its window shows them, opaque, at their place in the picture.
void TkvBorderForm::CopyDialogClient(TBitmap* picture) {
  const HWND h = OwnerHandle();
  const TClientDC dc(h);
  if (!dc) return;
  const TPoint o = Dlg->ClientOffset();
  const TRect r(o.X, o.Y, o.X + GetClientWidth(h), o.Y + GetClientHeight(h));
  BitBlt(picture->Canvas()->Handle(), r.Left, r.Top, r.Width(), r.Height(), dc, 0, 0, SRCCOPY);
  FillAlphaRect(picture, r, 255, clNone);
}
