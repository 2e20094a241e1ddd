// Attention effects: a control's look pulses towards a colour, shakes, or sends out echo
// ripples, until the effect is stopped. The effect lives in the attention timer of the
// control's skin data; a control without skin data gets a private one for it.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "base/WorkingBitmaps.h"
#include "base/kvntTypes.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "controls/kvAnimation.h"
#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Bitmap.h"
#include "ui/ScopeGuard.h"

TW_DEFINE_CLASS(TkvPulsTimer) {}

namespace {

bool Gone(TControl* c) { return !c || c->ComponentState().Contains(csDestroying); }

// The effect's timer while it may step: its skin data and control alive.
TkvPulsTimer* LivePuls(TObject* data) {
  auto* sd = dynamic_cast<TsCommonData*>(data);
  auto* t = sd ? dynamic_cast<TkvPulsTimer*>(sd->PulsTimer.get()) : nullptr;
  if (!t || t->Destroyed || Gone(t->AnimControl)) return nullptr;
  return t;
}

TsCommonData* SkinDataOf(TControl* c) {
  return reinterpret_cast<TsCommonData*>(c->Perform(SM_ALPHACMD, KV_GETSKINDATA_HI, 0));
}

void DropIfOtherSize(TBitmap*& bmp, const TBitmap* like) {
  if (bmp && (bmp->Width() != like->Width() || bmp->Height() != like->Height())) {
    delete bmp;
    bmp = nullptr;
  }
}

bool SectionIsOpaque(TsCommonData* sd) {
  TkvSkinData* skin = sd->GetCommonSkinData();
  if (!skin || sd->SkinIndex < 0 || sd->SkinIndex >= Integer(skin->gd.size())) return false;
  const TsGeneralData& gd = skin->gd[size_t(sd->SkinIndex)];
  if (gd.Props[0].Transparency != 100) return true;
  if (gd.BorderIndex >= 0 && gd.BorderIndex < Integer(skin->ma.size())) {
    const Integer mode = skin->ma[size_t(gd.BorderIndex)].DrawMode;
    return (mode & 2) && (mode & 4);
  }
  return false;
}

bool DoColor(TObject* data, Integer iteration);
bool DoVibration(TObject* data, Integer iteration);
bool DoWavering(TObject* data, Integer iteration);

// The first steps wait until the control can be seen, then the mode's steps start.
bool DoWait(TObject* data, Integer) {
  TkvPulsTimer* t = LivePuls(data);
  if (!t) return false;
  const bool visible = CtrlDCIsVisible(t->AnimControl);
  TsCommonData* sd = t->SkinData;
  if (visible && sd && !sd->GetUpdating() && !sd->BGChanged && !InAnimationProcess) t->Init();
  return visible;
}

bool DoColor(TObject* data, Integer) {
  TkvPulsTimer* t = LivePuls(data);
  if (!t || !t->BmpFrom || !t->BmpTo) return false;
  kvCopyPicture(t->BmpOut, t->BmpFrom);
  t->Glow -= t->GlowStep;
  if (t->BmpTo->Width() == t->BmpOut->Width() && t->BmpTo->Height() == t->BmpOut->Height())
    SumBitmaps(t->BmpOut, t->BmpTo, Byte(kvFadeAlpha(t->Glow)));
  TControl* c = t->AnimControl;
  TsCommonData* sd = t->SkinData;
  if (sd && sd->Skinned()) {
    c->Perform(SM_ALPHACMD, KV_UPDATING_HI, 0);
    c->Perform(SM_ALPHACMD, Cardinal{KV_INVALIDATE} << 16, 0);
  } else if (auto* w = dynamic_cast<TWinControl*>(c); w && w->HandleAllocated()) {
    if (HDC dc = GetWindowDC(w->WindowHandle())) {
      BitBlt(dc, 0, 0, t->BmpOut->Width(), t->BmpOut->Height(), t->BmpOut->Canvas()->Handle(), 0, 0, SRCCOPY);
      ReleaseDC(w->WindowHandle(), dc);
    }
  }
  if (t->Iteration >= t->Iterations) {
    // The look swings between normal and coloured for as long as the effect runs.
    t->Iteration = 0;
    t->GlowStep = -t->GlowStep;
    t->State = t->State == 0 ? 1 : 0;
  }
  return true;
}

bool DoVibration(TObject* data, Integer) {
  TkvPulsTimer* t = LivePuls(data);
  if (!t || t->Busy) return t != nullptr;
  t->Busy = true;
  const TScopeExit idle([t] { t->Busy = false; });
  if (t->Shown) {
    t->Shown = false;  // every second tick draws
    return true;
  }
  TControl* c = t->AnimControl;
  TWinControl* parent = c->Parent();
  if (!parent || !parent->HandleAllocated()) return false;
  const TRect before = t->AnimRect.Width() > 0 ? t->AnimRect : c->BoundsRect();
  t->AnimRect = OffsRect(c->BoundsRect(), t->Direct, 0);
  t->Direct = -t->Direct;
  if (!t->BmpOut) {
    // The control's picture as the screen shows it, taken once.
    const TPoint origin = c->ClientOrigin();
    t->BmpOut = CreateBmp32(c->Width(), c->Height());
    if (HDC screen = GetDC(nullptr)) {
      BitBlt(t->BmpOut->Canvas()->Handle(), 0, 0, c->Width(), c->Height(), screen, origin.X, origin.Y, SRCCOPY);
      ReleaseDC(nullptr, screen);
    }
  }
  // The strip the picture leaves free shows the parent's background.
  const TRect strip = t->AnimRect.Left > before.Left
                          ? TRect(before.Left, before.Top, t->AnimRect.Left, before.Bottom)
                          : TRect(t->AnimRect.Right, before.Top, before.Right, before.Bottom);
  if (HDC dc = GetWindowDC(parent->WindowHandle())) {
    TkvBGInfo info;
    info.R = strip;
    GetBGInfo(&info, parent->WindowHandle(), false);
    const TPoint off = info.BgType == btCache ? info.Offset : TPoint(0, 0);
    BitBlt(dc, t->AnimRect.Left + off.X, t->AnimRect.Top + off.Y, t->BmpOut->Width(), t->BmpOut->Height(),
           t->BmpOut->Canvas()->Handle(), 0, 0, SRCCOPY);
    if (strip.Width() > 0) {
      if (info.BgType == btCache && info.Bmp) {
        BitBlt(dc, strip.Left + off.X, strip.Top + off.Y, strip.Width(), strip.Height(), info.Bmp->Canvas()->Handle(),
               strip.Left + off.X, strip.Top + off.Y, SRCCOPY);
      } else {
        HBRUSH brush = CreateSolidBrush(COLORREF(ColorToRGB(info.Color)));
        RECT r{strip.Left, strip.Top, strip.Right, strip.Bottom};
        FillRect(dc, &r, brush);
        DeleteObject(brush);
      }
    }
    ReleaseDC(parent->WindowHandle(), dc);
  }
  t->Shown = true;
  if (t->Interval() == Cardinal(kvAttentionPause)) {
    // A new burst: the control drawn in place, its picture taken anew.
    t->Iteration = 1;
    t->SetInterval(kvAttentionShake);
    t->AnimRect = TRect();
    c->Invalidate();
    delete t->BmpOut;
    t->BmpOut = nullptr;
  } else if (t->Iteration > 25) {
    t->SetInterval(kvAttentionPause);
    t->Shown = false;
  }
  return true;
}

bool DoWavering(TObject* data, Integer) {
  TkvPulsTimer* t = LivePuls(data);
  if (!t || !t->SkinData) return false;
  TControl* c = t->AnimControl;
  if (c->Visible() && !t->SkinData->SkinIsChanging()) DoWavingAnimation(t->SkinData);
  return true;
}

}  // namespace

std::vector<TkvPulsTimer*>& kvAttentTimers() {
  static std::vector<TkvPulsTimer*> timers;
  return timers;
}

TkvPulsTimer::~TkvPulsTimer() {
  delete AForm;
  AForm = nullptr;
  auto& list = kvAttentTimers();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  if (PrivateData) {
    TsCommonData* own = std::exchange(PrivateData, nullptr);
    own->PulsTimer.release();  // this timer is going already
    delete own;
  }
}

void TkvPulsTimer::DisableTimer() {
  TkvThreadedTimer::DisableTimer();
  if (Destroyed || ComponentState().Contains(csDestroying)) return;
  delete AForm;
  AForm = nullptr;
}

void TkvPulsTimer::PrepareImage() {
  if (PaintData.Mode == amVibration) {
    Direct = 1;
    return;
  }
  TControl* c = AnimControl;
  TsCommonData* sd = SkinData;
  if (!c || !sd) return;
  sd->InitCacheBmp();
  TBitmap* cache = sd->FCacheBmp.get();
  if (!cache) return;
  if (sd->Skinned()) {
    sd->BGChanged = true;
    c->Perform(SM_ALPHACMD, KV_PREPARECACHE_HI, 0);
  } else {
    StdPaintTo(cache, c);
  }
  DropIfOtherSize(BmpOut, cache);
  DropIfOtherSize(BmpFrom, cache);
  kvCopyPicture(BmpFrom, cache);
  const Integer tone = Integer(kvColorToRGB(TColor(PaintData.Color), sd->GetSkinManager()));
  if (sd->Skinned() && SectionIsOpaque(sd)) {
    kvCopyPicture(BmpTo, cache);
    if (PaintData.Mode == amColor) ChangeBitmapPixels(BmpTo, ChangeColorTone, tone, clFuchsia);
    return;
  }
  // A look that lets the parent through: its own pixels recoloured over the parent's background.
  std::unique_ptr<TBitmap> background(CreateBmp32(cache->Width(), cache->Height()));
  if (TWinControl* parent = c->Parent(); parent && parent->HandleAllocated()) {
    TkvBGInfo info;
    info.DrawDC = background->Canvas()->Handle();
    info.PleaseDraw = true;
    info.R = TRect(0, 0, cache->Width(), cache->Height());
    info.Offset = TPoint(c->Left(), c->Top());
    GetBGInfo(&info, parent->WindowHandle(), true);
    if (info.BgType == btFill) FillRect32(background.get(), info.R, ColorToRGB(info.Color), 255);
  }
  const TPixelView from = BmpFrom->View();
  for (Integer y = 0; y < from.Height; ++y)
    for (Integer x = 0; x < from.Width; ++x) from.At(x, y) |= 0xFF000000u;
  TBitmap* ownRaw = nullptr;
  kvCopyPicture(ownRaw, BmpFrom);
  std::unique_ptr<TBitmap> own(ownRaw);
  DiffBmp32(own.get(), background.get());
  if (PaintData.Mode == amColor) ChangeBitmapPixels(own.get(), ChangeColorTone, tone, clFuchsia);
  PaintBmp32(background.get(), own.get());
  delete BmpTo;
  BmpTo = background.release();
}

void TkvPulsTimer::Init() {
  PrepareImage();
  switch (PaintData.Mode) {
    case amColor:
      InitData(AnimData, 0, DoColor, 0, false);
      SetInterval(Cardinal(std::max(PaintData.Interval, 1)));
      break;
    case amVibration:
      InitData(AnimData, 0, DoVibration, 0, false);
      Iterations = INT32_MAX;
      SetInterval(kvAttentionShake);
      break;
    case amWavering:
      InitData(AnimData, 0, DoWavering, 0, false);
      Iterations = INT32_MAX;
      SetInterval(Cardinal(std::max(PaintData.Interval, 1)));
      break;
  }
}

void StartAttention(TControl* ctrl, const TkvAttentionData& data) {
  if (!ctrl || ctrl->Perform(SM_ALPHACMD, KV_PREPARECACHE_HI, 0) != 0) return;
  if (data.Mode != amColor && data.Mode != amVibration && data.Mode != amWavering) return;
  TsCommonData* sd = SkinDataOf(ctrl);
  TkvPulsTimer* t = nullptr;
  if (sd) {
    sd->StopTimer();
    sd->PulsTimer.reset(TkvThreadedTimer::CreateOwned<TkvPulsTimer>(ctrl, false));
    t = dynamic_cast<TkvPulsTimer*>(sd->PulsTimer.get());
  } else {
    auto& list = kvAttentTimers();
    for (TkvPulsTimer* existing : list)
      if (existing->AnimControl == ctrl) t = existing;
    if (!t) {
      t = TkvThreadedTimer::CreateOwned<TkvPulsTimer>(ctrl, false);
      t->PrivateData = new TsCommonData(nullptr);  // no window property: the control stays unskinned
      t->PrivateData->FOwnerControl = ctrl;
      t->PrivateData->PulsTimer.reset(t);
      list.push_back(t);
    }
    sd = t->PrivateData;
    sd->BGChanged = false;
  }
  if (!t) return;
  t->SkinData = sd;
  t->AnimData = sd;
  t->AnimControl = ctrl;
  t->PaintData = data;
  t->Glow = 255;
  t->InitData(sd, 0, DoWait, 0, false);
}

void StopAttention(TsCommonData* sd) {
  if (!sd) return;
  if (auto* t = dynamic_cast<TkvPulsTimer*>(sd->PulsTimer.get())) {
    t->AnimControl = nullptr;
    t->DisableTimer();
  }
  if (auto* click = dynamic_cast<TkvClickTimer*>(sd->ClickTimer.get())) {
    click->AnimControl = nullptr;
    click->DisableTimer();
  }
  sd->StopTimer();
  sd->BGChanged = true;
  sd->Invalidate(false);
  if (TControl* c = sd->FOwnerControl; c && !Gone(c)) c->Repaint();
}

void RestartAttention(TsCommonData* sd) {
  if (!sd) return;
  auto* t = dynamic_cast<TkvPulsTimer*>(sd->PulsTimer.get());
  if (!t || !t->Enabled() || !t->BmpOut) return;
  TControl* c = sd->FOwnerControl;
  const TkvAttentionData data = t->PaintData;
  StopAttention(sd);
  if (c) StartAttention(c, data);
}

void ClearAttentTimers() {
  auto& list = kvAttentTimers();
  while (!list.empty()) {
    TkvPulsTimer* t = list.back();
    list.pop_back();
    t->AnimControl = nullptr;
    t->Free();  // frees its private skin data too
  }
}
