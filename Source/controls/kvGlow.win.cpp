// The effect list and its windows: glow layers around hovered controls and light circles under
// the mouse, each a layered window that lets the mouse through.
//
// Sections: 1. the layered effect base; 2. glows; 3. light circles; 4. services.
#include "controls/kvGlow.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "base/WorkingBitmaps.h"
#include "base/kvThdTimer.h"
#include "base/kvntTypes.h"
#include "base/sMessages.h"
#include "controls/ControlsState.h"
#include "controls/kvAnimation.h"
#include "controls/kvAnimationShow.h"
#include "controls/kvSlider.h"
#include "controls/sTrackBar.h"
#include "paint/sAlphaGraph.h"
#include "paint/sCommonDataCache.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/sGradient.h"
#include "skin/ControlServices.h"
#include "skin/SkinState.h"
#include "skin/sCommonData.h"
#include "skin/sMaskData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"

std::vector<std::unique_ptr<TkvLayeredEffect>> kvgEffects;
bool& bGlowingDestroying = kvControlsState.bGlowingDestroying;

namespace {

constexpr UINT kPlaceFlags =
    SWP_NOSIZE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;

bool AppTerminating() { return Application && Application->Terminated(); }

bool IsGoing(const TComponent* c) { return c && c->ComponentState().Contains(csDestroying); }

bool ValidIndex(Integer id) { return id >= 0 && id < static_cast<Integer>(kvgEffects.size()); }

// The section data of an index of the skin data's skin, or null.
const TsGeneralData* SectionOf(TsCommonData* sd, Integer index) {
  TkvSkinData* skin = sd ? sd->GetCommonSkinData() : nullptr;
  if (!skin || index < 0 || index >= static_cast<Integer>(skin->gd.size())) return nullptr;
  return &skin->gd[static_cast<size_t>(index)];
}

const TsMaskData* MaskOf(TsCommonData* sd, Integer index) {
  TkvSkinData* skin = sd ? sd->GetCommonSkinData() : nullptr;
  if (!skin || index < 0 || index >= static_cast<Integer>(skin->ma.size())) return nullptr;
  return &skin->ma[static_cast<size_t>(index)];
}

TRect WindowRectOf(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  return TRect(r.left, r.top, r.right, r.bottom);
}

TPoint CenterOf(const TRect& r) { return TPoint(r.Left + r.Width() / 2, r.Top + r.Height() / 2); }

// The track bar of a circle's control, when it is one.
TsTrackBar* TrackBarOf(TsCommonData* sd) { return sd ? dynamic_cast<TsTrackBar*>(sd->FOwnerControl) : nullptr; }

bool LeftButtonDown(TsCommonData* sd) {
  if (sd->FOwnerControl) return sd->FOwnerControl->ControlState().Contains(csLButtonDown);
  return GetKeyState(VK_LBUTTON) < 0;
}

}  // namespace

// ---- 1. The layered effect base ------------------------------------------------------------------

TkvLayeredEffect::~TkvLayeredEffect() {
  Destroyed = true;
  DropWindow();
}

void TkvLayeredEffect::SetSkinData(TsCommonData* value) {
  FSkinData = value;
  SkinManager = value ? value->GetSkinManager() : nullptr;
}

void TkvLayeredEffect::DropWindow() {
  TkvGlowForm* wnd = std::exchange(Wnd, nullptr);
  if (!wnd) return;
  auto destroying = SetForScope(bGlowingDestroying, true, false);
  if (IsGoing(SkinManager) || AppTerminating() || !wnd->HandleAllocated()) {
    delete wnd;
    return;
  }
  // Hidden now, freed by the message loop: the effect may be going from a message of its own.
  ShowWindow(wnd->WindowHandle(), SW_HIDE);
  wnd->Release();
}

bool TkvLayeredEffect::EnsureWindow() {
  if (!Wnd) {
    Wnd = new TkvGlowForm(nullptr);
    Wnd->AfterConstruction();
  }
  HWND h = Wnd->Handle();
  if (!h) return false;
  SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_TRANSPARENT);
  return true;
}

HWND TkvLayeredEffect::InsertAfter(bool topmost) const {
  if (topmost || !FWndHandle) return HWND_TOPMOST;
  // Right after the window above the host, which puts the effect directly above the host; a
  // host at the top of the z-order gets the effect at the top (after the host would be below it).
  HWND above = GetWindow(FWndHandle, GW_HWNDPREV);
  return above ? above : HWND_TOP;
}

TkvLayeredEffect* EffectAt(Integer id) { return ValidIndex(id) ? kvgEffects[static_cast<size_t>(id)].get() : nullptr; }

// ---- 2. Glows -------------------------------------------------------------------------------------

namespace {

// The outer effect a section shows on hover: its mask, offsets and opacity.
struct TOuterGlow {
  Integer Mask = -1;
  TRect Offsets;
  Integer Opacity = 0;
  bool Shown = false;
};

TOuterGlow HoverOuterEffect(TsCommonData* sd) {
  TOuterGlow o;
  const TsGeneralData* gd = SectionOf(sd, sd ? sd->SkinIndex : -1);
  if (!gd || !sd->FOuterEffects || sd->FOuterEffects->Visibility() != ovMouseHovered || gd->OuterMode <= 0) return o;
  TkvSkinData* skin = sd->GetCommonSkinData();
  if (gd->OuterMask < 0 && (gd->OuterMode == 1 || gd->OuterMode == 2)) {
    if (gd->OuterMode - 1 >= static_cast<Integer>(skin->oe.size())) return o;
    const TkvOutEffData& oe = skin->oe[static_cast<size_t>(gd->OuterMode - 1)];
    if (oe.Source == 0 || oe.Mask < 0) return o;
    o.Mask = oe.Mask;
    o.Offsets = TRect(oe.OffsetL, oe.OffsetT, oe.OffsetR, oe.OffsetB);
    o.Opacity = oe.Opacity;
  } else {
    o.Mask = gd->OuterMask;
    o.Offsets = gd->OuterOffset;
    o.Opacity = gd->OuterOpacity;
  }
  o.Shown = true;
  return o;
}

// Windows above the control's window in the z-order, up to the first hidden one.
std::vector<TRect> CoveringWindows(HWND control) {
  std::vector<TRect> covers;
  for (HWND w = GetWindow(control, GW_HWNDPREV); w && IsWindowVisible(w); w = GetWindow(w, GW_HWNDPREV))
    covers.push_back(WindowRectOf(w));
  return covers;
}

}  // namespace

void TkvGlowEffect::Show(const TRect& realRect, Integer dezev, HWND wndHandle) {
  if (Wnd) return;
  FRealRect = realRect;
  FAlpha = std::clamp<Integer>(dezev, 0, 255);
  FWndHandle = wndHandle;
  Repaint();
}

void TkvGlowEffect::Repaint() {
  TsCommonData* sd = SkinData();
  if (!sd || !EnsureWindow()) return;
  const bool topmost = (FWndHandle && (GetWindowLongW(FWndHandle, GWL_EXSTYLE) & WS_EX_TOPMOST)) || !sd->FOwnerObject;
  // A form's provider asks for a glow of a part of its frame (a caption button): its rectangle stands.
  HWND control = sd->COC == COC_TsSkinProvider ? nullptr : sd->OwnerHandle();
  TRect r = FRealRect;
  if (control) {
    r = WindowRectOf(control);
    if (HDC dc = GetWindowDC(control)) {
      RECT clip{};
      if (GetClipBox(dc, &clip) != NULLREGION && !IsRectEmpty(&clip))
        r = TRect(r.Left + clip.left, r.Top + clip.top, r.Left + clip.right, r.Top + clip.bottom);
      ReleaseDC(control, dc);
    }
  }
  const TsMaskData* glowMask = MaskOf(sd, MaskIndex);
  TRect g;
  if (glowMask) g = TRect(glowMask->WL - Margin, glowMask->WT - Margin, glowMask->WR - Margin, glowMask->WB - Margin);
  const TOuterGlow outer = HoverOuterEffect(sd);
  const TsMaskData* outerMask = outer.Shown ? MaskOf(sd, outer.Mask) : nullptr;
  if (outer.Shown)
    g = TRect(std::max(g.Left, outer.Offsets.Left), std::max(g.Top, outer.Offsets.Top),
              std::max(g.Right, outer.Offsets.Right), std::max(g.Bottom, outer.Offsets.Bottom));
  const Integer w = r.Width() + g.Left + g.Right, h = r.Height() + g.Top + g.Bottom;
  if (w <= 0 || h <= 0) return;
  Position = TPoint(r.Left - g.Left, r.Top - g.Top);
  HWND wnd = Wnd->WindowHandle();
  SetWindowPos(wnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  AlphaBmp.reset(CreateBmp32(w, h));
  FillRect32(AlphaBmp->View(), TRect(0, 0, w, h), 0, 0);
  if (outerMask) {
    const TRect o = outer.Offsets;
    DrawSkinRect32Ex(AlphaBmp.get(),
                     TRect(g.Left - o.Left, g.Top - o.Top, w - g.Right + o.Right, h - g.Bottom + o.Bottom), EmptyCI,
                     *outerMask, 0, o, outer.Opacity);
  }
  if (glowMask) {
    const Integer image = std::min<Integer>(sd->FFocused ? 1 : 0, glowMask->ImageCount - 1);
    DrawSkinRect(AlphaBmp.get(),
                 TRect(g.Left - glowMask->WL + Margin, g.Top - glowMask->WT + Margin,
                       w - g.Right + glowMask->WR - Margin, h - g.Bottom + glowMask->WB - Margin),
                 EmptyCI, *glowMask, std::max<Integer>(image, 0), false);
  }
  if (control) CutCoveredHoles(AlphaBmp->View(), Position, FRealRect, CoveringWindows(control));
  TkvColoring coloring;
  Integer tone = 0x1FFFFFFF;
  if (sd->FOwnerControl && SendAMessage(sd->FOwnerControl, KV_GETCOLORTONE, reinterpret_cast<intptr_t>(&coloring)) != 0)
    tone = coloring.ColorToneBG;
  UpdateBmpColors(AlphaBmp.get(), sd, false, sd->ControlIsActive() ? 1 : 0, tone);
  TSize size(w, h);
  TPoint pos = Position;
  BLENDFUNCTION blend{AC_SRC_OVER, 0, Byte(FAlpha), AC_SRC_ALPHA};
  UpdateLayeredWnd(wnd, AlphaBmp.get(), &size, &blend, &pos);
  SetWindowPos(wnd, InsertAfter(topmost), pos.X, pos.Y, 0, 0, kPlaceFlags);
}

namespace {

Integer AddEffect(std::unique_ptr<TkvLayeredEffect> effect) {
  kvgEffects.push_back(std::move(effect));
  return static_cast<Integer>(kvgEffects.size()) - 1;
}

bool CanShowGlow(TsCommonData* sd) { return kvLayered() && sd && !GetCapture(); }

// A new glow in the list, shown; its index.
Integer AddGlow(const TRect& realRect, Integer mask, Integer margin, Integer dezev, HWND wndHandle,
                TsCommonData* skinData) {
  auto glow = std::make_unique<TkvGlowEffect>();
  glow->SetSkinData(skinData);
  glow->Margin = margin;
  glow->MaskIndex = mask;
  TkvGlowEffect* shown = glow.get();
  const Integer id = AddEffect(std::move(glow));
  shown->Show(realRect, dezev, wndHandle);
  return id;
}

}  // namespace

Integer ShowGlow(const TRect& realRect, const String& skinSection, const String& name, Integer margin, Integer dezev,
                 HWND wndHandle, TsCommonData* skinData) {
  if (!CanShowGlow(skinData)) return -1;
  DuRiruZireziv* manager = skinData->GetSkinManager();
  TkvSkinData* skin = skinData->GetCommonSkinData();
  const TsGeneralData* gd = SectionOf(skinData, skinData->SkinIndex);
  Integer mask = -1;
  if (manager && skin && gd && gd->GlowCount >= 1) {
    const String prop = name + u"0";
    mask = skinSection.empty() ? manager->GetMaskIndex(skinData->SkinIndex, prop, skin)
                               : manager->GetMaskIndex(skinSection, prop, skin);
  }
  if (mask < 0 && !HoverOuterEffect(skinData).Shown) return -1;
  return AddGlow(realRect, mask, margin, dezev, wndHandle, skinData);
}

Integer ShowGlow(const TRect& realRect, Integer maskIndex, Integer margin, Integer dezev, HWND wndHandle,
                 TsCommonData* skinData) {
  if (!CanShowGlow(skinData) || maskIndex < 0) return -1;
  return AddGlow(realRect, maskIndex, margin, dezev, wndHandle, skinData);
}

void SetGlowAlpha(Integer id, Byte alpha) {
  auto* glow = dynamic_cast<TkvGlowEffect*>(EffectAt(id));
  if (!glow) return;
  glow->FAlpha = alpha;
  if (glow->Wnd && glow->Wnd->HandleAllocated() && glow->AlphaBmp) {
    TSize size(glow->AlphaBmp->Width(), glow->AlphaBmp->Height());
    BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    UpdateLayeredWnd(glow->Wnd->WindowHandle(), glow->AlphaBmp.get(), &size, &blend, &glow->Position);
  }
}

void ShowGlowInFull(Integer id) {
  if (auto* glow = dynamic_cast<TkvGlowEffect*>(EffectAt(id)); glow && glow->FAlpha != 255) SetGlowAlpha(id, 255);
}

void FadeGlowIn(TsCommonData* sd) {
  if (!sd || !EffectAt(sd->GlowID)) return;
  sd->BGChanged = false;
  DoChangePaint(sd, 1, UpdateGlowing_CB, true, false, false);
  TkvThreadedTimer* timer = sd->AnimTimer.get();
  if (timer) timer->ThreadType = 1;
  // No fade raises it: a glow left transparent would never be seen.
  if (!timer || !timer->Enabled()) ShowGlowInFull(sd->GlowID);
}

void RepaintGlow(Integer id) {
  if (TkvLayeredEffect* e = EffectAt(id)) e->Repaint();
}

namespace {

// Frees a glow, or hides a circle (which keeps its slot), at index id.
void DropEffectAt(Integer id) {
  TkvLayeredEffect* e = EffectAt(id);
  if (!e) return;
  if (e->IsCircle()) {
    if (TsTrackBar* bar = TrackBarOf(e->SkinData())) HideToolTip(bar);
    e->DropWindow();
    // A hidden circle forgets its control: the control may go before the list is cleared.
    e->SetSkinData(nullptr);
    static_cast<TkvCircleEffect*>(e)->Motion.RealAlpha = 0;
    return;
  }
  auto destroying = SetForScope(bGlowingDestroying, true, false);
  kvgEffects[static_cast<size_t>(id)].reset();
}

}  // namespace

void HideGlow(Integer& id, bool doAnimation) {
  TkvLayeredEffect* e = EffectAt(id);
  if (!e) return;
  TsCommonData* sd = e->SkinData();
  DuRiruZireziv* manager = e->SkinManager;
  const bool timerBusy = sd && sd->AnimTimer && sd->AnimTimer->ThreadType != 1;
  const bool immediate = e->IsCircle() || !doAnimation || !manager || !manager->Effects.AllowAnimation ||
                         AppTerminating() || timerBusy || !sd || sd->GlowID != id;
  if (immediate) {
    DropEffectAt(id);
    id = -1;
    if (sd && sd->AnimTimer) sd->StopTimer();
    return;
  }
  auto* owner = dynamic_cast<TComponent*>(sd->FOwnerControl);
  const Integer left = GetNewTimer(sd->AnimTimer, owner, 1);
  TkvThreadedTimer* timer = sd->AnimTimer.get();
  if (timer->State == 0) return;  // fading out already
  // The fade-out starts from the strength the glow shows now: a new timer stands at 0, which
  // would drop the glow at the first step instead of fading it.
  auto* glow = dynamic_cast<TkvGlowEffect*>(e);
  timer->Glow = glow ? glow->FAlpha : 0;
  timer->InitData(sd, left, UpdateGlowing_CB, 0, false);
  timer->ThreadType = 1;
  timer->TimeHandler();
}

void ClearGlows(bool manualFreeing, bool skipCircles) {
  if (bGlowingDestroying) return;
  for (size_t i = 0; i < kvgEffects.size(); ++i) {
    TkvLayeredEffect* e = kvgEffects[i].get();
    if (!e || (skipCircles && e->IsCircle())) continue;
    if (TsCommonData* sd = e->SkinData()) {
      if (sd->GlowID == static_cast<Integer>(i)) sd->GlowID = -1;
      if (sd->CircleID == static_cast<Integer>(i)) {
        sd->CircleID = -1;
        sd->StopCircleTimer();
        if (TsTrackBar* bar = TrackBarOf(sd)) HideToolTip(bar);
      }
    }
    auto destroying = SetForScope(bGlowingDestroying, true, false);
    if (manualFreeing && e->Wnd) {
      delete e->Wnd;
      e->Wnd = nullptr;
    }
    kvgEffects[i].reset();
  }
  if (!skipCircles) kvgEffects.clear();
}

// ---- 3. Light circles ----------------------------------------------------------------------------

Integer MinCircleRadius(TsCommonData* sd) { return ScaleInt(iMinCircleRadius, sd); }
Integer MaxCircleRadius(TsCommonData* sd) { return ScaleInt(iMaxCircleRadius, sd); }

void CorrectColor(Integer& color, Byte dezev) {
  if (color != -1) return;
  const Integer text = kvColorToRGB(Integer(0xFF000012));  // the button-text system colour
  color = (text & 0xFFFFFF) | (Integer(dezev) << 24);
}

bool CircleClickMode(TObject* ctrl, TsCommonData* skinData) {
  auto* control = dynamic_cast<TControl*>(ctrl);
  DuRiruZireziv* manager = skinData ? skinData->GetSkinManager() : DefaultManager;
  if (!control || control->IsDesigning() || !control->Enabled() || !manager) return false;
  // The click event, as the manager's button events allow it.
  if (!manager->Effects.AllowAnimation || !manager->AnimEffects.Buttons.Events.Contains(beClick)) return false;
  return manager->AnimEffects.Buttons.ClickEffect != ceWaveOut;
}

bool GetMouseArea(TsCommonData* sd, TRect& area) {
  HWND wnd = sd ? sd->OwnerHandle() : nullptr;
  if (!wnd) return false;
  return SendAMessage(wnd, KV_GETMOUSEAREA, reinterpret_cast<intptr_t>(&area)) != 0;
}

void InitCircleEffect(Integer id, const TkvCircleEffectData& data) {
  auto* c = dynamic_cast<TkvCircleEffect*>(EffectAt(id));
  if (!c) return;
  c->Motion.SizeChanging = data.SizeChanging;
  c->SetSkinData(data.SkinData);
  c->Center = data.Center;
  c->Motion.RadiusFinish = data.RadiusFinish;
  c->RadiusStart = data.RadiusStart;
  c->Motion.AlphaFinish = data.AlphaFinish;
  c->Color = data.Color;
  c->State = data.State;
  c->Motion.RealRadius = c->Motion.RealAlpha != 0 ? data.RadiusStart : 0;
  c->Motion.RealAlpha = data.AlphaStart;
}

Integer CreateCircleEffect(const TkvCircleEffectData& data) {
  if (!kvLayered() || !data.SkinData) return -1;
  const Integer id = AddEffect(std::make_unique<TkvCircleEffect>());
  auto* c = static_cast<TkvCircleEffect*>(kvgEffects.back().get());
  InitCircleEffect(id, data);
  if (TsCommonData* sd = data.SkinData) {
    HWND own = sd->OwnerHandle();
    c->FWndHandle = own ? GetAncestor(own, GA_ROOT) : nullptr;
  }
  c->Show();
  return id;
}

namespace {

// A slider keeps its thumb above its light: the thumb is painted over the circle's picture
// (whose top-left corner is at pos on the screen).
void PaintSliderThumb(TsSlider* slider, TBitmap* picture, TPoint pos) {
  if (!slider->HandleAllocated() || slider->ThumbRect.IsEmpty()) return;
  const TPoint origin = slider->ClientOrigin();
  const TPoint offset(pos.X - origin.X, pos.Y - origin.Y);  // the picture in the slider's coordinates
  std::unique_ptr<TBitmap> layer(CreateBmp32(slider->Width(), slider->Height()));
  FillRect32(layer->View(), TRect(0, 0, layer->Width(), layer->Height()), 0, 0);
  CopyPixels(layer->View(), offset.X, offset.Y, picture->View(), TRect(0, 0, picture->Width(), picture->Height()));
  PaintThumb(slider, layer.get(), slider->FSliderOn);
  const TRect thumb = slider->ThumbRect;
  CopyPixels(picture->View(), thumb.Left - offset.X, thumb.Top - offset.Y, layer->View(), thumb);
}

}  // namespace

void TkvCircleEffect::Show() {
  TsCommonData* sd = SkinData();
  if (!sd || !EnsureWindow()) return;
  const Integer r = static_cast<Integer>(std::lround(Motion.RealRadius));
  const Integer a = std::clamp<Integer>(static_cast<Integer>(std::lround(Motion.RealAlpha)), 0, 255);
  AlphaBmp.reset();
  if (r <= 1) return;
  AlphaBmp.reset(MakeShadow(TColor(Color), r, 0, 0, 0, r / 5, false, true));
  if (!AlphaBmp) return;
  if (BackBmp) {
    std::unique_ptr<TBitmap> picture(CreateBmp32(BackBmp->Width(), BackBmp->Height()));
    CopyPixels(picture->View(), 0, 0, BackBmp->View(), TRect(0, 0, BackBmp->Width(), BackBmp->Height()));
    const TPoint at((picture->Width() - AlphaBmp->Width()) / 2, (picture->Height() - AlphaBmp->Height()) / 2);
    PaintBmpRect32(picture->View(), AlphaBmp->View(), TRect(0, 0, AlphaBmp->Width(), AlphaBmp->Height()), at, Byte(a));
    AlphaBmp = std::move(picture);
  }
  const Integer w = AlphaBmp->Width(), h = AlphaBmp->Height();
  TPoint pos(Center.X - w / 2, Center.Y - h / 2);
  TSize size(w, h);
  if (auto* slider = dynamic_cast<TsSlider*>(sd->FOwnerControl)) PaintSliderThumb(slider, AlphaBmp.get(), pos);
  HWND wnd = Wnd->WindowHandle();
  SetWindowPos(wnd, nullptr, pos.X, pos.Y, w, h, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWnd(wnd, AlphaBmp.get(), &size, &blend, &pos);
  const bool topmost = !FWndHandle || (GetWindowLongW(FWndHandle, GWL_EXSTYLE) & WS_EX_TOPMOST);
  SetWindowPos(wnd, InsertAfter(topmost), pos.X, pos.Y, 0, 0, kPlaceFlags);
  AlphaBmp.reset();
  // A track bar shows its position beside the light while it is on.
  if (TsTrackBar* bar = TrackBarOf(sd)) ShowToolTip(bar, TRect(pos.X, pos.Y, pos.X + w, pos.Y + h));
}

void TkvCircleEffect::Repaint() {
  TRect area;
  if (GetMouseArea(SkinData(), area)) Center = CenterOf(area);
  Show();
}

namespace {

// The section whose light colours a circle takes.
Integer ColorSection(TsCommonData* sd) {
  DuRiruZireziv* manager = sd->GetSkinManager();
  if (!manager) return sd->SkinIndex;
  if (sd->COC == COC_TsListBox || sd->COC == COC_TsGroupBox) return manager->SkinCommonInfo.Sections[ssCheckBox];
  if (IsTrackLikeControl(sd->COC)) return manager->SkinCommonInfo.Sections[ssTrackBar];
  return sd->SkinIndex;
}

Integer LightColor(TsCommonData* sd, Integer state) {
  const TsGeneralData* gd = SectionOf(sd, ColorSection(sd));
  return gd ? gd->Props[static_cast<size_t>(std::clamp<Integer>(state, 0, 2))].LightColor : -1;
}

TkvCircleEffect* CircleOf(TsCommonData* sd) { return dynamic_cast<TkvCircleEffect*>(EffectAt(sd->CircleID)); }

}  // namespace

void StartLEAnimation(const TkvCircleEffectData& data, bool allowAnimation) {
  TsCommonData* sd = data.SkinData;
  if (!sd || !sd->Skinned()) return;
  DuRiruZireziv* manager = sd->GetSkinManager();
  const bool animate =
      allowAnimation && manager && !manager->ManagerState.Contains(msSkinChanging) && manager->Effects.AllowAnimation;
  if (animate) {
    if (CircleOf(sd))
      InitCircleEffect(sd->CircleID, data);
    else
      sd->CircleID = CreateCircleEffect(data);
    auto* owner = dynamic_cast<TComponent*>(sd->FOwnerControl);
    if (sd->CircleTimer) sd->CircleTimer->OldState = data.State;
    GetNewTimer(sd->CircleTimer, owner, 1);
    TkvThreadedTimer* timer = sd->CircleTimer.get();
    timer->SetEnabled(false);
    timer->Iterations = std::numeric_limits<Integer>::max();
    timer->Iteration = 0x3FFFFFFF;
    if (TkvCircleEffect* c = CircleOf(sd); c && timer->State <= 0) {
      if (c->Motion.RealRadius == 0) c->Motion.RealRadius = data.RadiusStart;
      if (c->Motion.RealAlpha == 0) c->Motion.RealAlpha = data.AlphaStart;
    }
    timer->State = data.State;
    timer->AnimData = sd;
    const bool track = IsTrackLikeControl(sd->COC);
    timer->SetInterval(track ? (data.State == 2 ? kTrackCirclePressInterval : kTrackCircleHoverInterval)
                             : kCircleInterval);
    timer->AnimProc = UpdateCircle;
    timer->SetEnabled(true);
    timer->TimeHandler();
  } else {
    // At once: the circle of the new state at its end size.
    if (CircleOf(sd))
      InitCircleEffect(sd->CircleID, data);
    else
      sd->CircleID = CreateCircleEffect(data);
    if (TkvCircleEffect* c = CircleOf(sd)) {
      c->Motion.RealRadius = data.RadiusFinish;
      c->Motion.RealAlpha = data.AlphaStart;
      c->Show();
    }
  }
  if (sd->CircleTimer) sd->CircleTimer->ThreadType = 1;
}

void ShowCircleIfNeeded(TsCommonData* sd, Byte, bool doAnimation) {
  DuRiruZireziv* manager = sd ? sd->GetSkinManager() : nullptr;
  if (!manager || !manager->Effects.AllowGlowing || !manager->IsValidSkinIndex(sd->SkinIndex) ||
      manager->Options.NoMouseHover)
    return;
  TRect area;
  if (!GetMouseArea(sd, area)) return;
  if (!area.Contains(kvMousePos()) || !sd->FMouseAbove) {
    HideGlow(sd->CircleID, doAnimation);
    return;
  }
  if (!manager->Effects.AllowAnimation) doAnimation = false;
  TkvCircleEffect* circle = CircleOf(sd);
  if (!circle && EffectAt(sd->CircleID)) HideGlow(sd->CircleID, false);  // another kind of effect there
  const Integer newState = circle && LeftButtonDown(sd) ? 2 : 1;
  const Integer prevState = circle ? circle->State : 0;
  if (newState == prevState) return;
  const TkvCirclePlan plan = PlanCircle(sd->COC, newState, circle != nullptr, circle ? circle->Motion.RealRadius : 0,
                                        area.Width(), MinCircleRadius(sd), MaxCircleRadius(sd), doAnimation);
  TkvCircleEffectData data;
  data.SkinData = sd;
  data.Center = CenterOf(area);
  data.State = newState;
  data.RadiusStart = plan.RadiusStart;
  data.RadiusFinish = plan.RadiusFinish;
  data.SizeChanging = plan.SizeChanging;
  data.AlphaStart = plan.AlphaStart;
  data.AlphaFinish = plan.AlphaFinish;
  data.Color = LightColor(sd, plan.LightState);
  if (plan.ColorAlpha >= 0) CorrectColor(data.Color, Byte(plan.ColorAlpha));
  if (plan.BackgroundDisc && circle) {
    Integer back = LightColor(sd, 1);
    CorrectColor(back, AlphaNormal);
    circle->BackBmp.reset(MakeShadow(TColor(back), plan.RadiusFinish, 0, 0, 0, plan.RadiusFinish / 4, false, true));
  }
  StartLEAnimation(data, doAnimation);
}

bool UpdateCircle(TObject* data, Integer) {
  auto* sd = dynamic_cast<TsCommonData*>(data);
  if (!sd || !sd->CircleTimer || sd->CircleTimer->Destroyed) return false;
  if (!CircleOf(sd)) {
    ShowCircleIfNeeded(sd, 0, false);
    if (!CircleOf(sd)) return false;
  }
  TkvCircleEffect* c = CircleOf(sd);
  TRect area;
  const bool known = GetMouseArea(sd, area);
  const bool down = LeftButtonDown(sd);
  const bool outside = !known || !area.Contains(kvMousePos());
  if (outside && !down) {
    HideGlow(sd->CircleID, false);
    return false;
  }
  if (outside) {
    // Dragged out with the button held: the circle stays at its end.
    c->Motion.RealRadius = c->Motion.RadiusFinish;
    c->Motion.RealAlpha = c->Motion.AlphaFinish;
  }
  if (known) c->Center = CenterOf(area);
  const bool checkLike = IsCheckLikeControl(sd->COC);
  const TkvSizeChanging changing = c->Motion.SizeChanging;
  const bool goOn = StepCircleMotion(c->Motion, checkLike, down);
  if (!goOn && changing == scIncrease && checkLike && c->State == 1 && !down) {
    Integer color = LightColor(sd, 1);
    CorrectColor(color, Byte(sd->CircleTimer->State == 2 ? AlphaDownCheck : AlphaNormal));
    c->Color = color;
  }
  c->Show();
  if (!goOn) sd->StopCircleTimer();
  return goOn;
}

void HideCircle(Integer& id) {
  TkvLayeredEffect* e = EffectAt(id);
  if (!e) return;
  TsCommonData* sd = e->SkinData();
  DropEffectAt(id);
  id = -1;
  if (sd) sd->StopCircleTimer();
}

// ---- 4. Services -------------------------------------------------------------------------------------

namespace {

class TGlowServices final : public TkvGlowServices {
 public:
  void ClearGlows(bool manualFreeing, bool skipCircles) override { ::ClearGlows(manualFreeing, skipCircles); }
  void AnimShowControl(TWinControl* ctrl, Word time, Integer maxTransparency, TkvAnimTypeCtrl animType) override {
    ::AnimShowControl(ctrl, time, maxTransparency, nullptr, animType);
  }
  void HideGlow(Integer& glowID, bool animated) override { ::HideGlow(glowID, animated); }
  void HideCircle(Integer& circleID) override { ::HideCircle(circleID); }
  void FadeGlowIn(TsCommonData* skinData) override { ::FadeGlowIn(skinData); }
  Integer ShowGlow(const TRect& screenRect, const String& section, TsCommonData* skinData, void* host, Integer dezev,
                   Integer margin) override {
    return ::ShowGlow(screenRect, section, u"GLOW", margin, dezev, static_cast<HWND>(host), skinData);
  }
} glowServices;

}  // namespace

void kvGlowStartup() { TkvServiceSlot<TkvGlowServices>::Set(&glowServices); }

void kvGlowCleanup() {
  ClearGlows(true, false);
  if (TkvServiceSlot<TkvGlowServices>::Get() == &glowServices) TkvServiceSlot<TkvGlowServices>::Set(nullptr);
}
