// The mouse light: one 12 ms timer asks every registered control to update its light; a
// control isNear the cursor paints a soft spot of its light colour where the cursor is.
#include <windows.h>

#include <algorithm>
#include <memory>

#include "base/WorkingBitmaps.h"
#include "base/sMessages.h"
#include "controls/kvAnimation.h"
#include "raster/Blend.h"
#include "raster/sGradient.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"

namespace {

std::unique_ptr<TkvMouseLightData>& LightObject() {
  static std::unique_ptr<TkvMouseLightData> object;
  return object;
}

bool Designing(TComponent* c) { return c && c->ComponentState().Contains(csDesigning); }

bool FadeRuns(TsCommonData* sd) { return sd->AnimTimer && sd->AnimTimer->Enabled(); }

}  // namespace

TkvMouseLightData* kvMouseLightData() {
  auto& object = LightObject();
  if (!object) object = std::make_unique<TkvMouseLightData>();
  return object.get();
}

void kvFreeMouseLightData() { LightObject().reset(); }

TkvMouseLightData::TkvMouseLightData() : LightTimer(std::make_unique<TTimer>(nullptr)) {
  LightTimer->SetEnabled(false);
  LightTimer->SetInterval(kvTimerInterval);
  LightTimer->SetOnTimer(TNotifyEvent(this, &TkvMouseLightData::OnLightTimer));
  UpdateScale();
  UpdateMask();
}

TkvMouseLightData::~TkvMouseLightData() { LightTimer->SetEnabled(false); }

void TkvMouseLightData::UpdateScale() { MouseLightSize = DefaultManager ? ScaleInt(64) : 64; }

void TkvMouseLightData::UpdateMask() {
  MaskBmp.reset(MakeShadow(TColor(0xFF000000u), MouseLightSize / 2, 0, 0, 0, 32, false, true));
}

void TkvMouseLightData::OnLightTimer(TObject*) {
  if (InOnTimer) return;
  InOnTimer = true;
  const TScopeExit clear([this] { InOnTimer = false; });
  // A receiver may unregister itself or others: each is asked only while it is still listed.
  const std::vector<TControl*> controls = LightControls;
  for (TControl* c : controls)
    if (std::find(LightControls.begin(), LightControls.end(), c) != LightControls.end())
      SendAMessage(c, KV_UPDATELIGHT, 0);
  const std::vector<HWND*> handles = LightHandles;
  for (HWND* h : handles)
    if (std::find(LightHandles.begin(), LightHandles.end(), h) != LightHandles.end() && *h)
      SendAMessage(*h, KV_UPDATELIGHT, 0);
}

void AddLightControl(TsCtrlSkinData* sd) {
  if (!sd) return;
  TkvMouseLightData* light = kvMouseLightData();
  if (TControl* c = sd->FOwnerControl) {
    if (std::find(light->LightControls.begin(), light->LightControls.end(), c) == light->LightControls.end())
      light->LightControls.push_back(c);
  } else if (std::find(light->LightHandles.begin(), light->LightHandles.end(), &sd->FSWHandle) ==
             light->LightHandles.end()) {
    light->LightHandles.push_back(&sd->FSWHandle);
  }
}

void DelLightControl(TsCtrlSkinData* sd) {
  if (!LightObject()) return;
  TkvMouseLightData* light = LightObject().get();
  if (!sd) {
    light->LightControls.clear();
    return;
  }
  auto& controls = light->LightControls;
  if (TControl* c = sd->FOwnerControl) controls.erase(std::remove(controls.begin(), controls.end(), c), controls.end());
  auto& handles = light->LightHandles;
  handles.erase(std::remove(handles.begin(), handles.end(), &sd->FSWHandle), handles.end());
}

void SetMouseLight(bool active) {
  TkvMouseLightData* light = kvMouseLightData();
  const bool on = active && DefaultManager && !Designing(DefaultManager);
  if (on) {
    light->UpdateScale();
    light->LightTimer->SetEnabled(true);
    return;
  }
  const bool wasOn = light->LightTimer->Enabled();
  light->LightTimer->SetEnabled(false);
  // One last round: lit controls drop their light.
  if (wasOn) light->OnLightTimer(nullptr);
}

bool LightingIsNear(TsCtrlSkinData* sd) {
  TControl* c = sd->FOwnerControl;
  HWND wnd = sd->FSWHandle;
  auto* w = dynamic_cast<TWinControl*>(c);
  if (!wnd && w && w->HandleAllocated()) wnd = w->WindowHandle();
  if (!wnd && c && !w && c->Parent() && c->Parent()->HandleAllocated()) wnd = c->Parent()->WindowHandle();
  RECT wr{};
  if (!wnd || !GetWindowRect(wnd, &wr)) return false;
  TRect r(wr.left, wr.top, wr.right, wr.bottom);
  if (c && !w && !sd->FSWHandle) {
    r.Left += c->Left();
    r.Top += c->Top();
    r.Right = r.Left + c->Width();
    r.Bottom = r.Top + c->Height();
  }
  return kvLightIsNear(r, kvMousePos(), sd->LightDistanceX, sd->LightDistanceY);
}

void DoUpdateLight(TsCtrlSkinData* sd, bool) {
  if (!sd) return;
  const bool before = sd->DoLighting(true);
  bool isNear = false;
  TControl* c = sd->FOwnerControl;
  if (!c) {
    isNear = LightingIsNear(sd);
  } else {
    TCustomForm* form = GetParentForm(c, true);
    isNear = form && form->HandleAllocated() && !IsIconic(form->WindowHandle()) &&
             IsWindowVisible(form->WindowHandle()) && !CtrlIsOverlapped(c) && LightingIsNear(sd);
  }
  sd->FDoLighting = isNear;
  bool repaint = false;
  const TPoint cursor = kvMousePos();
  if (sd->DoLighting(true) == before) {
    repaint = isNear && (cursor.X != sd->OldMousePos.X || cursor.Y != sd->OldMousePos.Y) && !FadeRuns(sd);
    sd->OldMousePos = cursor;
  } else {
    sd->HotCache.reset();
    repaint = !FadeRuns(sd);
  }
  if (!repaint) return;
  if (c) {
    sd->BGChanged = true;
    c->Invalidate();
  } else if (sd->FSWHandle) {
    sd->BGChanged = true;
    RedrawWindow(sd->FSWHandle, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
  }
}

void HandleLighting(TsCtrlSkinData* sd, Integer state, const TCacheInfo* parentCI, TBitmap* dstBmp) {
  if (!sd || !sd->DoLighting(true) || sd->SkinIndex <= 0) return;
  TControl* c = sd->FOwnerControl;
  Integer cx = 0, cy = 0;
  if (!c || Designing(c)) {
    RECT wr{};
    if (!sd->FSWHandle || !GetWindowRect(sd->FSWHandle, &wr)) return;
    cx = wr.right - wr.left;
    cy = wr.bottom - wr.top;
  } else {
    cx = c->Width();
    cy = c->Height();
  }
  const TSize lightSize = kvLightSize(cx, cy, c ? Integer(c->Align()) : 0);
  if (lightSize.cx <= 0 || lightSize.cy <= 0) return;
  TBitmap* mask = sd->LightMask.release();
  PrepareLightMask(mask, lightSize.cx, lightSize.cy, TColor(GetLightColor(sd, state)));
  sd->LightMask.reset(mask);
  if (!mask) return;
  TBitmap* target = dstBmp ? dstBmp : sd->FCacheBmp.get();
  if (!target) return;
  const TkvLightPlace place =
      kvLightPlace(cx, cy, sd->LightDistanceX, sd->LightDistanceY, mask->Width(), mask->Height());
  if (place.Opacity <= 0) return;
  const TRect whole(0, 0, mask->Width(), mask->Height());
  if (!parentCI) {
    PaintBmpRect32(target, mask, whole, place.TopLeft, Byte(place.Opacity));
    return;
  }
  TPoint bg(parentCI->X + place.TopLeft.X, parentCI->Y + place.TopLeft.Y);
  if (c) {
    bg.X += c->Left();
    bg.Y += c->Top();
  }
  PaintTranspBmpRect32(target, mask, parentCI->Bmp, parentCI->FillColor, whole, place.TopLeft, bg, Byte(place.Opacity));
}
