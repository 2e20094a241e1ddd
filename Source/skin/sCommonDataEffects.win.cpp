// Outer effects of skinned controls (a shadow or glow outside a control's bounds, painted into
// its parent's cache), and the hover glow. The glow layers themselves belong to the effects
// layer, reached through TkvGlowServices; until it is registered nothing is shown.
#include <windows.h>

#include <algorithm>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "raster/MaskImages.h"
#include "raster/Pixels.h"
#include "skin/ControlServices.h"
#include "skin/FormServices.h"
#include "skin/sCommonData.h"
#include "skin/sMaskData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Bitmap.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"

namespace {
TkvGlowServices* Glows() { return TkvServiceSlot<TkvGlowServices>::Get(); }
bool IsLoading(TComponent* c) { return c && c->ComponentState().Contains(csLoading); }
}  // namespace

// ---- TkvOuterEffects -----------------------------------------------------------------------

void TkvOuterEffects::SetVisibility(TkvOuterVisibility value) {
  if (value == FVisibility) return;
  FVisibility = value;
  if (FOwner && FOwner->FOwnerControl && !IsLoading(FOwner->FOwnerControl)) Invalidate();
}

bool TkvOuterEffects::IsShown() const {
  if (FVisibility == ovAlways) return true;
  if (FVisibility != ovFocused || !FOwner) return false;
  if (FOwner->FFocused) return true;
  auto* win = dynamic_cast<TWinControl*>(FOwner->FOwnerControl);
  return win && win->HandleAllocated() && GetFocus() == win->WindowHandle();
}

void TkvOuterEffects::Invalidate() {
  TControl* c = FOwner ? FOwner->FOwnerControl : nullptr;
  TWinControl* parent = c ? c->Parent() : nullptr;
  if (!parent || !parent->HandleAllocated() || IsLoading(c) || c->ComponentState().Contains(csDestroying)) return;
  parent->Perform(SM_ALPHACMD, uintptr_t{KV_INVALIDATE} << 16, 0);
  FOwner->Invalidate(false);
}

bool HaveOuterEffects(TsCommonData* sd) {
  if (!sd) return false;
  if (!sd->FOwnerControl) {
    DuRiruZireziv* manager = sd->GetSkinManager();
    const bool provider = sd->COC == COC_TsSkinProvider;
    if (!provider || !manager || !manager->Effects.AllowOuterEffects) return false;
  }
  return sd->FOuterEffects && sd->FOuterEffects->Visibility() == ovAlways;
}

// ---- Outer effects painted into the parent ---------------------------------------------------

void PaintOuterEffects(TsCommonData* sd, TWinControl* ownerCtrl, const TPoint& offset) {
  DuRiruZireziv* manager = sd ? sd->GetSkinManager() : nullptr;
  if (!ownerCtrl || !manager || !sd->Skinned() || !manager->Effects.AllowOuterEffects) return;
  TkvBGInfo info;
  info.BgType = btCache;
  info.Bmp = sd->FCacheBmp.get();
  info.Offset = offset;
  const uintptr_t wParam = uintptr_t{KV_PAINTOUTER} << 16;
  const auto lParam = reinterpret_cast<intptr_t>(&info);
  TkvOwnDelivery own(wParam, lParam);
  for (Integer i = 0; i < ownerCtrl->ControlCount(); ++i) {
    TControl* child = ownerCtrl->Controls(i);
    if (ControlIsReady(child) && child->Visible()) child->Perform(SM_ALPHACMD, wParam, lParam);
  }
}

void PaintOuter(TsCommonData* sd, TkvBGInfo* info, Word data) {
  if (!sd || !info || !sd->Skinned() || !sd->FOuterEffects->IsShown()) return;
  TkvSkinData* skin = sd->GetCommonSkinData();
  const TsGeneralData& gd = skin->gd[static_cast<size_t>(sd->SkinIndex)];
  if (gd.OuterMode < 1) return;
  Integer mask = -1, opacity = 0;
  TRect margins;
  if (gd.OuterMask >= 0) {
    mask = gd.OuterMask;
    margins = gd.OuterOffset;
    opacity = gd.OuterOpacity;
  } else if (gd.OuterMode <= 2) {
    if (gd.OuterMode - 1 >= static_cast<Integer>(skin->oe.size())) return;
    const TkvOutEffData& oe = skin->oe[static_cast<size_t>(gd.OuterMode - 1)];
    if (oe.Source == 0 || oe.Mask < 0) return;
    mask = oe.Mask;
    margins = TRect(oe.OffsetL, oe.OffsetT, oe.OffsetR, oe.OffsetB);
    opacity = oe.Opacity;
  } else {
    margins = gd.OuterOffset;
    opacity = gd.OuterOpacity;
  }
  TControl* c = sd->FOwnerControl;
  if (!info->Bmp || !c) return;
  TRect r;
  {
    const uintptr_t wParam = uintptr_t{KV_GETOUTRGN} << 16;
    const auto lParam = reinterpret_cast<intptr_t>(&r);
    TkvOwnDelivery own(wParam, lParam);
    c->Perform(SM_ALPHACMD, wParam, lParam);
  }
  r = OffsRect(r, info->Offset.X, info->Offset.Y);
  const TRect outer(r.Left - margins.Left, r.Top - margins.Top, r.Right + margins.Right, r.Bottom + margins.Bottom);
  const bool validMask = mask >= 0 && mask < static_cast<Integer>(skin->ma.size());
  const bool hasBorder = gd.BorderIndex >= 0 && gd.BorderIndex < static_cast<Integer>(skin->ma.size());
  if (!hasBorder) {
    DuRiruZireziv* manager = sd->GetSkinManager();
    const Integer on = manager->SkinCommonInfo.Sections[ssSlider_On],
                  off = manager->SkinCommonInfo.Sections[ssSlider_Off];
    if (sd->SkinIndex == on || sd->SkinIndex == off) {
      const Integer grow = std::min(c->Width(), c->Height()) / 2;
      margins = TRect(margins.Left + grow, margins.Top + grow, margins.Right + grow, margins.Bottom + grow);
    }
  } else {
    const TsMaskData& border = skin->ma[static_cast<size_t>(gd.BorderIndex)];
    margins =
        TRect(margins.Left + border.WL, margins.Top + border.WT, margins.Right + border.WR, margins.Bottom + border.WB);
  }
  const TPixelView target = ViewOf(info->Bmp);
  auto copyOut = [&](TBitmap* dst) {
    // The target's pixels under the effect's rectangle, kept for the next paint.
    const TPixelView d = ViewOf(dst);
    for (Integer y = 0; y < d.Height; ++y)
      for (Integer x = 0; x < d.Width; ++x) {
        const Integer sx = outer.Left + x, sy = outer.Top + y;
        d.At(x, y) = sx >= 0 && sy >= 0 && sx < target.Width && sy < target.Height ? target.At(sx, sy) : 0;
      }
  };
  auto paintEffect = [&] {
    if (mask <= 0 || !validMask) return;
    TNinePartRequest req;
    req.Kind = TNinePartKind::Outer32;
    req.Rect = outer;
    req.MaxWidths = margins;
    const Integer o = sd->FOuterEffects->Visibility() == ovFocused ? opacity * 2 : opacity;
    req.Opacity = std::clamp(o, 0, 255);
    DrawNinePart(target, req, BackdropOf(EmptyCI), MaskImageOf(skin->ma[static_cast<size_t>(mask)]));
  };
  if ((data & 0x100) && sd->FOuterCache) {
    auto saved = std::make_unique<TBitmap>(outer.Width(), outer.Height(), pf32bit);
    copyOut(saved.get());
    // The effect goes on the background saved last time, which then replaces the target's.
    const TPixelView previous = ViewOf(sd->FOuterCache.get());
    for (Integer y = 0; y < previous.Height; ++y)
      for (Integer x = 0; x < previous.Width; ++x) {
        const Integer tx = outer.Left + x, ty = outer.Top + y;
        if (tx >= 0 && ty >= 0 && tx < target.Width && ty < target.Height) target.At(tx, ty) = previous.At(x, y);
      }
    paintEffect();
    sd->FOuterCache = std::move(saved);
    return;
  }
  if (!sd->FOuterCache)
    sd->FOuterCache = std::make_unique<TBitmap>(outer.Width(), outer.Height(), pf32bit);
  else
    sd->FOuterCache->SetSize(outer.Width(), outer.Height());
  copyOut(sd->FOuterCache.get());
  paintEffect();
}

// ---- The hover glow ----------------------------------------------------------------------------

void HideGlowAndCircle(TsCommonData* sd, bool animated) {
  TkvGlowServices* e = Glows();
  if (!sd || !e) return;
  if (sd->GlowID >= 0) e->HideGlow(sd->GlowID, animated);
  if (sd->CircleID >= 0) e->HideCircle(sd->CircleID);
}

void ShowGlowingIfNeeded(TsCommonData* sd, bool clicked, HWND ctrlHandle, Integer aSkinIndex, bool doAnimation,
                         Integer dezev) {
  TkvGlowServices* e = Glows();
  DuRiruZireziv* manager = sd ? sd->GetSkinManager() : nullptr;
  if (!e || !manager) return;
  const Integer index = aSkinIndex < 0 ? sd->SkinIndex : aSkinIndex;
  if (!manager->Effects.AllowGlowing || manager->Options.NoMouseHover || GetCapture() ||
      !manager->IsValidSkinIndex(index))
    return;
  TkvSkinData* skin = sd->GetCommonSkinData();
  if (index >= static_cast<Integer>(skin->gd.size())) return;
  const TsGeneralData& gd = skin->gd[static_cast<size_t>(index)];
  if (gd.GlowCount < 1) {
    const bool ownOuter = sd->SkinIndex >= 0 && sd->SkinIndex < static_cast<Integer>(skin->gd.size()) &&
                          skin->gd[static_cast<size_t>(sd->SkinIndex)].OuterMode >= 1;
    if (sd->FOuterEffects->Visibility() != ovMouseHovered || !ownOuter) return;
  }
  TControl* c = sd->FOwnerControl;
  auto clipBoxOnScreen = [](HWND wnd) {
    RECT window{}, clip{};
    GetWindowRect(wnd, &window);
    if (const TWindowDC dc(wnd); dc) GetClipBox(dc, &clip);
    return TRect(window.left + clip.left, window.top + clip.top, window.left + clip.right, window.top + clip.bottom);
  };
  if (!c) {
    if (!sd->FMouseAbove || clicked) {
      if (sd->GlowID >= 0) e->HideGlow(sd->GlowID, false);
      return;
    }
    if (sd->GlowID == -1 && ctrlHandle)
      sd->GlowID = e->ShowGlow(clipBoxOnScreen(ctrlHandle), sd->FSkinSection, sd, GetRootParent(ctrlHandle), dezev,
                               gd.GlowMargin);
    return;
  }
  if (!sd->FMouseAbove) {
    if (sd->GlowID >= 0) e->HideGlow(sd->GlowID, doAnimation);
    return;
  }
  const bool buttonDown = GetKeyState(VK_LBUTTON) < 0;
  if (buttonDown || (clicked && sd->GlowID >= 0) || sd->FCustomBorder->IsChanged()) return;
  TCustomForm* form = GetParentForm(c, false);
  if (!form || !form->HandleAllocated()) return;
  // The glow lies over the window that holds the control on screen: the parent of an embedded
  // form, the skinned MDI main form for an MDI child, else the form itself.
  HWND host = form->WindowHandle();
  if (form->Parent()) {
    if (form->Parent()->HandleAllocated()) host = form->Parent()->WindowHandle();
  } else if (form->FormStyle() == fsMDIChild) {
    if (TCustomForm* main = MDIProviderForm(); main && main->HandleAllocated()) host = main->WindowHandle();
  }
  if (!manager->Effects.AllowAnimation) doAnimation = false;
  if (doAnimation) dezev = 0;  // shown transparent, then faded in
  if (sd->GlowID == -1) {
    TRect r;
    String name;
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->HandleAllocated()) {
      r = clipBoxOnScreen(w->WindowHandle());
      name = gd.ClassName;
    } else {
      r = GetCtrlScreenBounds(c);
      // Only the part its parent shows.
      if (TWinControl* parent = c->Parent(); parent && parent->HandleAllocated()) {
        const HWND pw = parent->WindowHandle();
        RECT clip{};
        if (const TClientDC dc(pw); dc.get()) GetClipBox(dc.get(), &clip);
        POINT origin{0, 0};
        ClientToScreen(pw, &origin);
        r = TRect(std::max(r.Left, Integer(clip.left + origin.x)), std::max(r.Top, Integer(clip.top + origin.y)),
                  std::min(r.Right, Integer(clip.right + origin.x)),
                  std::min(r.Bottom, Integer(clip.bottom + origin.y)));
      }
      name = sd->FSkinSection;
    }
    if (!name.empty()) sd->GlowID = e->ShowGlow(r, name, sd, host, dezev, gd.GlowMargin);
  }
  // A glow still fading out after the mouse left comes back the same way.
  if (doAnimation && sd->GlowID >= 0) e->FadeGlowIn(sd);
}

// ---- Scroll-bar sizes ----------------------------------------------------------------------------

void TkvScrollData::SetSize(Integer index, Integer value) {
  Integer* field = index == 0 ? &FScrollWidth : index == 1 ? &FButtonsSize : nullptr;
  if (!field || *field == value) return;
  *field = value;
  auto* win = FOwner ? dynamic_cast<TWinControl*>(FOwner->FOwnerControl) : nullptr;
  if (!win || IsLoading(win) || !win->HandleAllocated()) return;
  if (index == 1)
    TrySendMessage(win->WindowHandle(), WM_NCPAINT, 0, 0);  // new arrow buttons: the frame at once
  else
    SetWindowPos(win->WindowHandle(), nullptr, 0, 0, 0, 0, SWPA_FRAMECHANGED);  // a new thickness: a new frame
}
