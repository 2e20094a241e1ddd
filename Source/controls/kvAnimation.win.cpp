// State-change fades: which events animate, the start of a fade and its three step procedures
// (the cross-fade of the control's window, the fill-light press effect, the glow fade); and
// the effect services the layers below reach.
#include "controls/kvAnimation.h"

#include <windows.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <utility>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "controls/kvGlow.h"
#include "paint/sAlphaGraph.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/MaskImages.h"
#include "raster/sGradient.h"
#include "skin/ControlServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"

namespace {

TkvGlowServices* Glows() { return TkvServiceSlot<TkvGlowServices>::Get(); }

void HideGlowNow(TsCommonData* sd) {
  if (sd->GlowID < 0) return;
  if (TkvGlowServices* g = Glows()) g->HideGlow(sd->GlowID, false);
}

bool Destroying(TComponent* c) { return c && c->ComponentState().Contains(csDestroying); }
bool Designing(TComponent* c) { return c && c->ComponentState().Contains(csDesigning); }

// The fade timer of a skin data object that may still step: present and alive.
TkvThreadedTimer* LiveTimer(TsCommonData* sd) {
  TkvThreadedTimer* t = sd ? sd->AnimTimer.get() : nullptr;
  if (!t || t->Destroyed || Destroying(t)) return nullptr;
  return t;
}

// KV_PREPARECACHE to the owner: the control renders its look into the cache now. The answer.
intptr_t RenderOwner(TsCommonData* sd) {
  if (TControl* c = sd->FOwnerControl) return c->Perform(SM_ALPHACMD, KV_PREPARECACHE_HI, 0);
  if (sd->FSWHandle) return SendAMessage(sd->FSWHandle, KV_PREPARECACHE);
  return 0;
}

// The control's light handler, when it has one; True when it drew a light.
bool CallLightHandler(TsCommonData* sd, bool doOutput) {
  auto* lit = dynamic_cast<TsCtrlSkinData*>(sd);
  if (!lit || !lit->OnUpdateLight) return false;
  TkvAnimEventData data;
  data.DoOutput = doOutput;
  data.DoLighting = false;
  lit->OnUpdateLight.Call(lit->FOwnerControl, data);
  return data.DoLighting;
}

bool HasLightHandler(TsCommonData* sd) {
  auto* lit = dynamic_cast<TsCtrlSkinData*>(sd);
  return lit && lit->OnUpdateLight;
}

// Copies bmp to (0, 0) of the window's whole-window DC (left to right in a right-to-left
// process); the DC goes back on every path.
void OutputToWindow(HWND wnd, TBitmap* bmp) {
  const TWindowDC dc(wnd);
  if (!dc) return;
  DWORD layout = 0;
  if (GetProcessDefaultLayout(&layout) && (layout & LAYOUT_RTL)) kvSetLayout(dc, 0);
  BitBlt(dc, 0, 0, bmp->Width(), bmp->Height(), bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
}

// The control's whole repaint after an effect that drew its own frames.
void FullRepaint(TsCommonData* sd, HWND wnd) {
  sd->BGChanged = true;
  if (TControl* c = sd->FOwnerControl)
    c->Invalidate();
  else if (wnd)
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

DuRiruZireziv* ManagerOf(TsCommonData* sd) { return sd ? sd->GetSkinManager() : nullptr; }

}  // namespace

void kvCopyPicture(TBitmap*& dst, TBitmap* src) {
  if (!src) return;
  if (!dst) dst = CreateBmp32(src->Width(), src->Height());
  dst->SetSize(src->Width(), src->Height());
  const TPixelView from = src->View(), to = dst->View();
  if (from.Empty() || to.Empty()) return;
  for (Integer y = 0; y < from.Height; ++y) std::memcpy(to.Row(y), from.Row(y), size_t(from.Width) * 4);
}

// ---- Which events animate ------------------------------------------------------------------------

bool EventEnabled(TkvAnimatEvent event, TSet<TkvAnimatEvent> currentProperty, DuRiruZireziv* skinManager) {
  if (!skinManager) skinManager = DefaultManager;
  TkvEventRules rules;
  if (skinManager) {
    rules.HaveManager = true;
    rules.AllowAnimation = skinManager->Effects.AllowAnimation;
    rules.ManagerEvents = skinManager->AnimEffects.Buttons.Events;
  }
  return kvEventEnabled(event, currentProperty, rules);
}

HWND GetHandleBounds(TsCommonData* sd, TRect& r) {
  if (!sd) return nullptr;
  if (auto* w = dynamic_cast<TWinControl*>(sd->FOwnerControl)) {
    r = w->BoundsRect();
    return w->HandleAllocated() ? w->WindowHandle() : nullptr;
  }
  if (sd->FSWHandle) {
    RECT wr{};
    GetWindowRect(sd->FSWHandle, &wr);
    r = TRect(wr.left, wr.top, wr.right, wr.bottom);
    return sd->FSWHandle;
  }
  return nullptr;
}

// ---- The start of a fade -------------------------------------------------------------------------

void DoChangePaint(TsCommonData* data, Integer state, const TkvAnimProc& animProc, bool allowAnimation, bool fast,
                   bool makeGlowing) {
  if (!data) return;
  TRect bounds;
  HWND wnd = GetHandleBounds(data, bounds);
  if (!data->Skinned() || (wnd && !IsWindowVisible(wnd))) {
    data->Invalidate(false);
    return;
  }
  DuRiruZireziv* manager = ManagerOf(data);
  if (auto* lit = dynamic_cast<TsCtrlSkinData*>(data); lit && manager &&
                                                       manager->AnimEffects.Buttons.LightingMode == lmActiveControl &&
                                                       !Designing(lit->FOwnerControl) && lit->DoLighting(false))
    LightingIsNear(lit);  // the distances follow the cursor
  if (allowAnimation && !data->SkinIsChanging() && !FadingForbidden && data->FCacheBmp && !data->BGChanged && manager &&
      manager->Effects.AllowAnimation) {
    if (makeGlowing && state < 100 && data->GlowID < 0)
      ShowGlowingIfNeeded(data, false, wnd, -1, false, 0);  // shown transparent: the fade raises it
    data->BGChanged = true;
    AnimChange(data, state, animProc, false);
    return;
  }
  (void)fast;  // every fade runs at the normal step count
  if (!CallLightHandler(data, false)) data->Invalidate(true);
  TkvThreadedTimer* timer = data->AnimTimer.get();
  if (data->FMouseAbove) {
    if (!makeGlowing) return;
    if (state < 100 && data->GlowID < 0) ShowGlowingIfNeeded(data, false, wnd, -1, false, 255);
    if (timer) timer->Glow = 255;
  } else {
    HideGlowNow(data);
    if (timer) timer->Glow = 0;
  }
}

void AnimChange(TsCommonData* sd, Integer newState, const TkvAnimProc& animProc, bool fast) {
  auto* owner = dynamic_cast<TComponent*>(sd->FOwnerControl);
  const Integer left = GetNewTimer(sd->AnimTimer, owner, newState);
  TkvThreadedTimer* t = sd->AnimTimer.get();
  if (!t) return;
  if (t->State != -1 && t->State == newState) return;  // that look is reached or being reached
  TBitmap* cache = sd->FCacheBmp.get();
  if (t->BmpOut && (t->BmpOut->Width() != cache->Width() || t->BmpOut->Height() != cache->Height())) {
    delete t->BmpOut;
    t->BmpOut = nullptr;
  }
  // The new fade starts from the frame on screen, or from the old look.
  kvCopyPicture(t->BmpFrom, t->BmpOut ? t->BmpOut : cache);
  if (sd->BGChanged) {
    RenderOwner(sd);
    if (auto* w = dynamic_cast<TWinControl*>(sd->FOwnerControl);
        w && ssButtons.Contains(sd->COC) && w->ControlCount() > 0 && sd->FCacheBmp)
      PaintControls(sd->FCacheBmp->Canvas()->Handle(), w, true, TPoint(0, 0), true);
  }
  cache = sd->FCacheBmp.get();
  if (!cache) return;
  kvCopyPicture(t->BmpTo, cache);
  t->InitData(sd, left, animProc, newState, fast);
  t->TimeHandler();
}

// ---- The cross-fade of the control's window -------------------------------------------------------

bool UpdateWindow_CB(TObject* data, Integer) {
  auto* sd = dynamic_cast<TsCommonData*>(data);
  TkvThreadedTimer* t = LiveTimer(sd);
  if (!t || t->Iterations <= 0 || !t->BmpFrom || !sd->FCacheBmp) return false;
  TRect bounds;
  HWND wnd = GetHandleBounds(sd, bounds);
  if (!wnd) return false;
  struct TNotify {
    HWND w;
    ~TNotify() { SendAMessage(w, KV_ANIMPAINT, 0); }
  } notify{wnd};
  CheckBmp(t->BmpOut, sd->FCacheBmp.get());
  kvCopyPicture(t->BmpOut, t->BmpFrom);
  const TkvFadeStep step = kvFadeStep(*t);
  TkvMouseLightData* light = kvMouseLightData();
  if (light->LightTimer->Enabled() && HasLightHandler(sd) && CallLightHandler(sd, false) &&
      (t->State == 0 || t->State == 1)) {
    // The new look follows the light spot during the fade.
    sd->BGChanged = true;
    if (RenderOwner(sd) == 0 && sd->FCacheBmp) kvCopyPicture(t->BmpTo, sd->FCacheBmp.get());
  }
  if (t->BmpTo && t->BmpTo->Width() == t->BmpOut->Width() && t->BmpTo->Height() == t->BmpOut->Height())
    SumBmpRect(t->BmpOut, t->BmpTo, Byte(step.Weight), TRect(0, 0, t->BmpOut->Width(), t->BmpOut->Height()),
               TPoint(0, 0));
  if (!(sd->PulsTimer && sd->PulsTimer->Enabled())) OutputToWindow(wnd, t->BmpOut);
  switch (step.Next) {
    case fnContinue:
      // The glow layer follows the look: raised with the fade to hot, lowered on the way back,
      // and gone once it has (nearly) faded out.
      if (sd->GlowID >= 0) {
        SetGlowAlpha(sd->GlowID, Byte(step.Dezev));
        if (t->State == 0 && step.Dezev < 10) {
          t->Glow = 0;
          HideGlowNow(sd);
        }
      }
      return true;
    case fnGoOn: return true;
    case fnEnd: break;
  }
  const Integer state = t->State;
  if (state == 0) sd->StopTimer();
  if (state != 1) HideGlowNow(sd);
  if (HasLightHandler(sd)) FullRepaint(sd, wnd);
  return false;
}

// ---- The fill-light press effect ------------------------------------------------------------------

bool UpdateFillLight(TObject* data, Integer) {
  auto* sd = dynamic_cast<TsCommonData*>(data);
  if (!sd || !sd->Skinned()) return false;
  TkvThreadedTimer* t = LiveTimer(sd);
  if (!t) return false;
  HWND wnd = nullptr;
  if (auto* w = dynamic_cast<TWinControl*>(sd->FOwnerControl)) {
    if (!w->HandleAllocated()) return false;
    wnd = w->WindowHandle();
  } else {
    wnd = sd->FSWHandle;
  }
  TBitmap* cache = sd->FCacheBmp.get();
  if (!wnd || !cache) return false;
  const Integer w = cache->Width(), h = cache->Height();
  const TkvFillLightSizes sizes = kvFillLightSizes(w, h);
  RECT wr{};
  GetWindowRect(wnd, &wr);
  const TPoint cursor = kvMousePos();
  const TPoint at(cursor.X - wr.left, cursor.Y - wr.top);
  if (!sizes.Valid() || at.X < 0 || at.Y < 0 || at.X >= w || at.Y >= h) {
    // The cursor left the control (whatever kind of effect runs), or there is no room for a
    // light: the effect ends and the control shows its look.
    sd->Invalidate(false);
    sd->StopTimer();
    return false;
  }
  DuRiruZireziv* manager = ManagerOf(sd);
  const bool wave = manager && manager->AnimEffects.Buttons.ClickEffect == ceCircleAndWave;
  const bool pressed = t->State == 2;
  const bool firstPress = pressed && t->Iterations == kvMaxIterations && t->ThreadType != 2;
  if (firstPress) {
    t->ThreadType = 2;
    t->AnimRect.Left = at.X;
    t->AnimRect.Top = at.Y;
    t->Iterations = INT32_MAX;
    t->GlowStep = 0;
    delete t->BmpFrom;
    t->BmpFrom = nullptr;
  }
  if (!pressed && sd->BGChanged) RenderOwner(sd);  // the cache holds the new look
  cache = sd->FCacheBmp.get();
  const TkvFillLightFrame f = kvFillLightStep(sizes, t->Value, firstPress, pressed, wave);
  t->Value = f.Value;
  t->IntState = f.IntState;
  // The frame: the look at the press, the light over it, moving to the new look on release.
  if (!t->BmpOut) t->BmpOut = CreateBmp32(w, h);
  t->BmpOut->SetSize(w, h);
  if (t->BmpTo && t->BmpTo->Width() == w && t->BmpTo->Height() == h) kvCopyPicture(t->BmpOut, t->BmpTo);
  const Integer color = GetLightColor(sd, t->State);
  const TColor lightColor = TColor((Cardinal(color) & 0xFFFFFF) | 0x66000000u);
  std::unique_ptr<TBitmap> mask(MakeShadow(lightColor, f.Size / 2, 0, 0, 0, f.Blur, false, false));
  if (mask) {
    PaintBmpRect32(t->BmpOut, mask.get(), TRect(0, 0, mask->Width(), mask->Height()),
                   TPoint(t->AnimRect.Left - mask->Width() / 2, t->AnimRect.Top - mask->Height() / 2),
                   Byte(f.IntState / 2));
  }
  if (f.Fade > 0 && cache) SumBitmaps(t->BmpOut, cache, Byte(f.Fade));
  {
    // The rounded corners show the parent, as the cache does: the frame stands in for the
    // cache during the call.
    std::unique_ptr<TBitmap> held(std::exchange(t->BmpOut, nullptr));
    sd->FCacheBmp.swap(held);
    TScopeExit back([&] {
      sd->FCacheBmp.swap(held);
      t->BmpOut = held.release();
    });
    UpdateCorners(sd, t->State, TSet<TsCorner>{scLeftTop, scLeftBottom, scRightTop, scRightBottom});
  }
  OutputToWindow(wnd, t->BmpOut);
  if (t->Iteration >= t->Iterations || f.Done(sizes)) {
    const Integer state = t->State;
    if (state != 1) HideGlowNow(sd);
    if (state == 0 || state == 1) {
      if (wave) {
        t->ThreadType = 0;
        DoClickAnimation(sd, cm1);
      }
      sd->Invalidate(false);
    }
    sd->StopTimer();
    return false;
  }
  // The glow gives way to the light while it spreads.
  if (sd->GlowID >= 0) SetGlowAlpha(sd->GlowID, Byte(std::clamp(f.IntState, 0, 255) / 2));
  return true;
}

// ---- The glow fade ------------------------------------------------------------------------------

bool UpdateGlowing_CB(TObject* data, Integer) {
  auto* sd = dynamic_cast<TsCommonData*>(data);
  // A window's skin data (a wrapper's) has its window in the control's place: its glow fades too.
  if (!sd || (!sd->FOwnerControl && !sd->FSWHandle) || Destroying(sd->FOwnerControl)) return false;
  TkvThreadedTimer* t = LiveTimer(sd);
  if (!t || t->Iterations <= 0) return false;
  if (t->Iteration >= t->Iterations) {
    // A fade-in that took over a fade-out counts its steps from the progress so far and may end
    // short of full strength: the glow of the hot look is shown in full.
    if (t->State == 1)
      ShowGlowInFull(sd->GlowID);
    else
      HideGlowNow(sd);
    if (t->State <= 0) sd->StopTimer();
    return false;
  }
  if (sd->GlowID >= 0) {
    t->Glow += t->State == 1 ? t->GlowStep : -t->GlowStep;
    SetGlowAlpha(sd->GlowID, Byte(kvFadeAlpha(t->Glow)));
  }
  return true;
}

// ---- The effect services ------------------------------------------------------------------------

namespace {

class TEffectServices : public TkvEffectServices {
 public:
  void SetMouseLight(bool active) override { ::SetMouseLight(active); }
  void DelLightControl(TObject* skinData) override {
    if (!skinData) {
      ::DelLightControl(nullptr);
    } else if (auto* lit = dynamic_cast<TsCtrlSkinData*>(skinData)) {
      ::DelLightControl(lit);
    }
  }
  void RestartAttention(TsCommonData* skinData) override { ::RestartAttention(skinData); }
  void AddLightControl(TObject* skinData) override {
    if (auto* lit = dynamic_cast<TsCtrlSkinData*>(skinData)) ::AddLightControl(lit);
  }
  void UpdateLight(TObject* skinData) override {
    if (auto* lit = dynamic_cast<TsCtrlSkinData*>(skinData)) DoUpdateLight(lit, true);
  }
};

TEffectServices effectServices;

}  // namespace

void kvAnimationStartup() { TkvServiceSlot<TkvEffectServices>::Set(&effectServices); }

void kvAnimationCleanup() {
  if (TkvServiceSlot<TkvEffectServices>::Get() == &effectServices) TkvServiceSlot<TkvEffectServices>::Set(nullptr);
  ClearAttentTimers();
  kvFreeMouseLightData();
}
