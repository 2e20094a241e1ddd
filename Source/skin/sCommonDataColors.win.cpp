// Backgrounds, colours and fonts of skinned controls: the answer to a child's background query,
// the colour a control's background and text take from the skin, and the light colour.
#include <windows.h>

#include <algorithm>

#include "base/sMessages.h"
#include "raster/ColorTransforms.h"
#include "raster/Pixels.h"
#include "skin/FormServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Bitmap.h"
#include "ui/Controls.h"
#include "ui/Forms.h"

namespace {

TkvFormProvider* ProviderOf(TsCommonData* sd) { return dynamic_cast<TkvFormProvider*>(sd->FOwnerObject); }

// The owner's own colour as RGB: the control's, a provider's form's, else the button face.
TColor OwnColor(TsCommonData* sd) {
  if (sd->FOwnerControl) return ColorToRGB(sd->FOwnerControl->Color());
  if (TkvFormProvider* provider = ProviderOf(sd))
    if (TForm* form = provider->ProviderForm()) return ColorToRGB(form->Color());
  return ColorToRGB(clBtnFace);
}

// The colour under the owner as RGB: its parent control's, else the parent window's of handle.
bool ParentColor(TsCommonData* sd, HWND handle, TColor& color) {
  if (sd->FOwnerControl) {
    if (TWinControl* parent = sd->FOwnerControl->Parent()) {
      color = GetControlColor(parent);
      return true;
    }
    return false;
  }
  if (HWND parent = handle ? GetParent(handle) : nullptr) {
    color = GetControlColor(parent);
    return true;
  }
  return false;
}

// The colour of one look of the section over what lies under the owner: its own when opaque,
// the parent's when fully transparent, else the two mixed by the transparency. RGB in every
// case; ownWithoutParent: what a look that needs the parent gives without one.
TColor LookOverParent(TsCommonData* sd, const TsGenState& look, HWND handle, TColor ownWithoutParent) {
  const TColor own = TColor(look.Color) & 0xFFFFFF;
  if (look.Transparency <= 0) return own;
  TColor parent = 0;
  if (!ParentColor(sd, handle, parent)) return ownWithoutParent;
  return look.Transparency >= 100 ? parent : MixWithParent(own, parent, look.Transparency);
}

// Colour tone, hue offset and saturation of the object applied to a colour.
TColor Adjusted(TsCommonData* sd, TColor c) {
  if (sd->FColorTone != clNone && sd->FColorTone != kvNoColor)
    c = ChangeTone(c, SwapRedBlue(ColorToRGB(sd->FColorTone)));
  if (sd->FHUEOffset != 0) c = ChangeHue(sd->FHUEOffset, c);
  if (sd->FSaturation != 0) {
    const Integer delta = std::clamp(sd->FSaturation * 255 / 100, -255, 255);
    c = SwapRedBlue(ChangeSaturation(SwapRedBlue(c), delta));
  }
  return c;
}

bool HasCache(TsCommonData* sd) { return sd->FCacheBmp != nullptr; }
bool CacheEmpty(TsCommonData* sd) {
  return !sd->FCacheBmp || sd->FCacheBmp->Width() == 0 || sd->FCacheBmp->Height() == 0;
}

// The owner renders its cache now when it is out of date.
void Prepare(TsCommonData* sd) {
  if (sd->BGChanged && sd->FOwnerControl) sd->FOwnerControl->Perform(SM_ALPHACMD, KV_PREPARECACHE_HI, 0);
}

void CopyCacheTo(TsCommonData* sd, TkvBGInfo* info) {
  if (sd->BGChanged || CacheEmpty(sd)) return;
  BitBlt(info->DrawDC, info->R.Left, info->R.Top, info->R.Width(), info->R.Height(), sd->FCacheBmp->Canvas()->Handle(),
         info->Offset.X, info->Offset.Y, SRCCOPY);
}

void GiveCache(TsCommonData* sd, TkvBGInfo* info) {
  info->BgType = btCache;
  if (info->PleaseDraw) {
    CopyCacheTo(sd, info);
    return;
  }
  TBitmap* fading = sd->AnimTimer && sd->AnimTimer->Enabled() ? sd->AnimTimer->BmpOut : nullptr;
  info->Bmp = fading ? fading : sd->FCacheBmp.get();
  info->Offset = TPoint(0, 0);
}

}  // namespace

TColor GetOwnControlColor(TsCommonData* sd) {
  if (!sd->Skinned() || !sd->FOwnerControl) return OwnColor(sd);
  const TsGenState* normal = SectionState(sd->GetCommonSkinData(), sd->SkinIndex, 0);
  return normal ? LookOverParent(sd, *normal, nullptr, OwnColor(sd)) : OwnColor(sd);
}

TColor GetBGColor(TsCommonData* sd, Integer state, HWND handle) {
  if (!sd) return ColorToRGB(clBtnFace);
  if (!sd->Skinned()) return OwnColor(sd);
  TkvSkinData* data = sd->GetCommonSkinData();
  const TsGeneralData& gd = data->gd[static_cast<size_t>(sd->SkinIndex)];
  const TsGenState& look = gd.Props[state >= 1 && gd.States > 1 ? 1 : 0];
  TColor c = TColor(look.Color) & 0xFFFFFF;
  if (look.Transparency > 0) {
    // A partly transparent look of an owner that has nothing under it shows the button face.
    const bool under = sd->FOwnerControl || handle;
    c = look.Transparency < 100 && !under ? ColorToRGB(clBtnFace) : LookOverParent(sd, look, handle, c);
  } else if (sd->FCustomColor) {
    c = OwnColor(sd);
  }
  return Adjusted(sd, c);
}

void InitBGInfo(TsCommonData* sd, TkvBGInfo* info, Integer state, HWND handle) {
  if (!sd || !info) return;
  if (info->PleaseDraw) {
    Prepare(sd);
    CopyCacheTo(sd, info);
    info->BgType = btCache;
    return;
  }
  TkvSkinData* data = sd->GetCommonSkinData();
  if (sd->SkinIndex < 0 || !data || data->gd.empty()) {
    info->BgType = btFill;
    info->Bmp = nullptr;
    info->Color = sd->FOwnerControl ? GetControlColor(sd->FOwnerControl) : OwnColor(sd);
    return;
  }
  info->Bmp = nullptr;
  if (!sd->Skinned() || sd->FCustomColor) {
    info->BgType = btFill;
    info->Color = OwnColor(sd);
    return;
  }
  const TsGeneralData& gd = data->gd[static_cast<size_t>(sd->SkinIndex)];
  const TsGenState& look = *SectionState(data, sd->SkinIndex, state);
  const Integer t = look.Transparency;
  if (t >= 100) {
    if (!HasCache(sd)) {
      TControl* c = sd->FOwnerControl;
      TWinControl* parent = c ? c->Parent() : nullptr;
      TPoint p = c ? TPoint(c->Left(), c->Top()) : TPoint();
      if (!c)
        if (TkvFormProvider* provider = ProviderOf(sd))
          if (TForm* form = provider->ProviderForm()) {
            parent = form->Parent();
            p = TPoint(form->Left(), form->Top());
          }
      if (parent) {
        GetBGInfo(info, parent, info->PleaseDraw);
        if (info->Bmp) {
          info->Offset = TPoint(info->Offset.X + p.X, info->Offset.Y + p.Y);
          info->FillRect =
              TRect(info->FillRect.Left - p.X, info->FillRect.Top - p.Y, info->FillRect.Right, info->FillRect.Bottom);
        }
      } else if (!handle) {
        info->BgType = btFill;
        info->Color = DefaultManager ? DefaultManager->GetGlobalColor() : ColorToRGB(clBtnFace);
      } else if (HWND parentWnd = GetParent(handle)) {
        GetBGInfo(info, parentWnd, false);
        if (info->BgType == btCache) {
          RECT r;
          GetWindowRect(handle, &r);
          POINT pt{r.left, r.top};
          ScreenToClient(parentWnd, &pt);
          info->Offset = TPoint(info->Offset.X + pt.x, info->Offset.Y + pt.y);
        }
      }
      return;
    }
    Prepare(sd);
    if (sd->BGChanged) {
      info->BgType = btFill;
      info->Bmp = nullptr;
      info->Offset = TPoint(0, 0);
      info->Color = GetBGColor(sd, 0, nullptr);
      return;
    }
    GiveCache(sd, info);
    return;
  }
  if (t > 0) {
    if (!HasCache(sd)) {
      info->BgType = btFill;
      info->Color = 0xFF00FF;
      return;
    }
    if (CacheEmpty(sd)) {
      Prepare(sd);
      if (sd->FOwnerControl && CacheEmpty(sd)) sd->FOwnerControl->Perform(SM_ALPHACMD, KV_PREPARECACHE_HI, 0);
      if (CacheEmpty(sd)) {
        sd->FUpdating = true;
        info->BgType = btNotReady;
        return;
      }
    }
    GiveCache(sd, info);
    return;
  }
  const bool corners = gd.ImgTL >= 0 || gd.ImgTR >= 0 || gd.ImgBL >= 0 || gd.ImgBR >= 0;
  if (look.GradientPercent < 1 && look.ImagePercent < 1 && !corners && !HaveOuterEffects(sd)) {
    info->BgType = btFill;
    info->Color = GetBGColor(sd, state, nullptr);
    if (gd.BorderIndex >= 0 && gd.BorderIndex < static_cast<Integer>(data->ma.size()) &&
        !(data->ma[static_cast<size_t>(gd.BorderIndex)].DrawMode & 2)) {
      const TsMaskData& m = data->ma[static_cast<size_t>(gd.BorderIndex)];
      info->FillRect = TRect(m.WL, m.WT, m.WR, m.WB);
      info->Bmp = sd->FCacheBmp.get();
      info->Offset = TPoint(0, 0);
    }
    return;
  }
  info->Color = DefaultManager ? DefaultManager->GetGlobalColor() : ColorToRGB(clBtnFace);
  TControl* c = sd->FOwnerControl;
  const bool sizeDiffers =
      c && sd->FCacheBmp && (sd->FCacheBmp->Width() != c->Width() || sd->FCacheBmp->Height() != c->Height());
  if (sd->BGChanged || CacheEmpty(sd) || sizeDiffers) {
    sd->BGChanged = true;
    if (c) {
      if (sd->FCacheBmp) sd->FCacheBmp->SetSize(0, 0);
      c->Perform(SM_ALPHACMD, KV_PREPARECACHE_HI, 0);
    } else if (TkvFormProvider* provider = ProviderOf(sd)) {
      if (!(provider->FormStateBits() & FS_BLENDMOVING)) {
        if (sd->FCacheBmp) sd->FCacheBmp->SetSize(0, 0);
        if (TForm* form = provider->ProviderForm()) form->Perform(SM_ALPHACMD, KV_PREPARECACHE_HI, 0);
      }
    }
    if (CacheEmpty(sd)) {
      info->BgType = btNotReady;
      return;
    }
  }
  GiveCache(sd, info);
}

TCacheInfo GetParentCache(TsCommonData* sd) {
  TControl* c = sd ? sd->FOwnerControl : nullptr;
  if (sd && sd->Skinned() && c) {
    TkvBGInfo info;
    bool asked = false;
    if (TWinControl* parent = c->Parent()) {
      info.Offset = TPoint(0, 0);
      GetBGInfo(&info, parent, false);
      asked = true;
    } else if (auto* w = dynamic_cast<TWinControl*>(c); w && w->HandleAllocated()) {
      if (HWND parentWnd = GetParent(w->WindowHandle())) {
        GetBGInfo(&info, parentWnd, false);
        asked = true;
      }
    }
    if (asked) {
      if (info.BgType == btNotReady) {
        TCacheInfo ci;
        ci.FillColor = 0xFF00FF;
        ci.Ready = false;
        return ci;
      }
      return BGInfoToCI(&info);
    }
  }
  TCacheInfo ci;
  ci.FillColor = sd ? GetBGColor(sd, 0, nullptr) : ColorToRGB(clBtnFace);
  return ci;
}

TCacheInfo GetParentCacheHwnd(HWND cHwnd) {
  HWND parent = cHwnd ? GetParent(cHwnd) : nullptr;
  if (!parent) return EmptyCI;
  TkvBGInfo info;
  GetBGInfo(&info, parent, false);
  return BGInfoToCI(&info);
}

void InvalidateParentCache(TsCommonData* sd) {
  if (!sd || sd->InUpdating()) return;
  TControl* c = sd->FOwnerControl;
  TWinControl* parent = c ? c->Parent() : nullptr;
  if (!parent || !parent->HandleAllocated() || c->ComponentState().Contains(csDesigning)) return;
  TrySendMessage(parent->WindowHandle(), SM_ALPHACMD, uintptr_t{KV_SETBGCHANGED} << 16 | 1, 0);
  if (IsWindowVisible(parent->WindowHandle())) SendAMessage(parent->WindowHandle(), KV_PREPARECACHE);
}

// ---- Skin colours into the owner --------------------------------------------------------------

bool ApplyStateColors(TsCommonData* sd, Integer n) {
  TControl* c = sd->FOwnerControl;
  const TsGenState* look = c ? SectionState(sd->GetCommonSkinData(), sd->SkinIndex, n) : nullptr;
  if (!look) return false;
  bool changed = false;
  if (!sd->FCustomColor && c->Color() != TColor(look->Color)) {
    c->SetColor(TColor(look->Color));
    changed = true;
  }
  if (!sd->FCustomFont && c->Font()->Color() != TColor(look->FontColor.Color)) {
    TkvStateBitScope changing(*sd, KVS_CHANGING);
    c->Font()->SetColor(TColor(look->FontColor.Color));
    changed = true;
  }
  return changed;
}

namespace {
TColor HueAndSaturation(TsCommonData* sd, TColor c) {
  if (sd->FHUEOffset != 0) c = ChangeHue(sd->FHUEOffset, c);
  if (sd->FSaturation != 0) c = ChangeSaturation(c, std::clamp(sd->FSaturation * 255 / 100, -255, 255));
  return c;
}
}  // namespace

void UpdateCtrlColors(TsCommonData* sd, bool redraw) {
  TControl* c = sd ? sd->FOwnerControl : nullptr;
  if (!c) return;
  DuRiruZireziv* manager = sd->GetSkinManager();
  if (!manager || !manager->IsValidSkinIndex(sd->SkinIndex)) return;
  auto* w = dynamic_cast<TWinControl*>(c);
  if (w && !w->HandleAllocated()) return;
  if (sd->Skinned()) {
    // Cleared on every way out: the owner's font change handler may raise.
    TkvStateBitScope changing(*sd, KVS_CHANGING);
    TkvSkinData* data = sd->GetCommonSkinData();
    const TsGenState& normal = data->gd[static_cast<size_t>(sd->SkinIndex)].Props[0];
    const TsGenState* hot = SectionState(data, sd->SkinIndex, 1);
    const bool transparent = normal.Transparency == 100 && hot && hot->Transparency == 100;
    if (sEditCtrls.Contains(sd->COC) && !transparent) {
      if (!sd->FCustomColor) {
        const TColor color = HueAndSaturation(sd, TColor(normal.Color));
        if (c->Color() != color) c->SetColor(color);
      }
      if (!sd->FCustomFont && !(sd->COC == COC_TsListView && !kv_AllowHotEdits)) {
        const TColor font = HueAndSaturation(sd, TColor(normal.FontColor.Color));
        if (c->Font()->Color() != font) c->Font()->SetColor(font);
      }
    }
  }
  // The window class's background brush is left alone: every window of the class shares it,
  // skinned or not, and a brush of the manager's would be deleted by the next skin change while
  // the class still held it. A skinned window answers its colour itself (KV_GETCONTROLCOLOR).
  if (redraw) sd->Invalidate(true);
}

void UpdateControlColors(TsCommonData* sd, bool allowRepaint) {
  TControl* c = sd ? sd->FOwnerControl : nullptr;
  if (!c) return;
  auto* w = dynamic_cast<TWinControl*>(c);
  const bool lock = !allowRepaint && c->Visible() && w && w->HandleAllocated();
  if (lock) SendMessageW(w->WindowHandle(), WM_SETREDRAW, 0, 0);
  DuRiruZireziv* manager = sd->GetSkinManager();
  if (manager && manager->IsValidSkinIndex(sd->SkinIndex)) ApplyStateColors(sd, sd->ControlIsActive() ? 1 : 0);
  if (lock) SendMessageW(w->WindowHandle(), WM_SETREDRAW, 1, 0);
}

// ---- The mouse light's colour ---------------------------------------------------------------

Integer GetLightColor(TsCommonData* sd, Integer state) {
  // Section 0 is a section like any other: only a negative index means none.
  if (!sd || sd->SkinIndex < 0) return -1;
  DuRiruZireziv* manager = sd->GetSkinManager();
  if (!manager || !manager->IsValidSkinIndex(sd->SkinIndex)) return -1;
  TkvSkinData* data = manager->CommonSkinData(96);
  const TsGeneralData& gd = data->gd[static_cast<size_t>(sd->SkinIndex)];
  const Integer d = std::max(0, std::min({gd.UseState2 ? 2 : 1, state, gd.States - 1}));
  const TsGenState& look = gd.Props[static_cast<size_t>(d)];
  const TColor def = manager->SkinCommonInfo.DefLightColor;
  if (look.Transparency >= 40) {
    const bool maskOwnsLight = gd.BorderIndex >= 0 && gd.BorderIndex < static_cast<Integer>(data->ma.size()) &&
                               (data->ma[static_cast<size_t>(gd.BorderIndex)].DrawMode & 16) &&
                               (!(data->ma[static_cast<size_t>(gd.BorderIndex)].DrawMode & 2) || d > 0);
    if (!maskOwnsLight) {
      HWND parent = nullptr;
      if (sd->FOwnerControl && sd->FOwnerControl->Parent() && sd->FOwnerControl->Parent()->HandleAllocated())
        parent = sd->FOwnerControl->Parent()->WindowHandle();
      else if (HWND own = sd->OwnerHandle())
        parent = GetParent(own);
      if (TsCommonData* parentData = parent ? GetCommonData(parent) : nullptr; parentData && parentData != sd)
        return GetLightColor(parentData, 0);
      return Integer(def);
    }
  }
  return look.LightColor == 0xFF00FF ? Integer(def) : look.LightColor;
}
