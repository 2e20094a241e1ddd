// sVclUtils: the layered show and hide animations of windows, and the two layered-window
// switches. A window's picture is rendered once; a borderless layered window (TkvGlowForm)
// stands in for the window and shows frames of the picture every 12 ms, as the schedules of
// section 3 say.
#include <windows.h>

#include <algorithm>
#include <memory>

#include "base/Composition.h"
#include "base/kvntTypes.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/Resampling.h"
#include "raster/kvgpUtils.h"
#include "skin/ControlServices.h"
#include "skin/FormServices.h"
#include "skin/SkinState.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/Hints.h"

TkvHideTimer*& kvHideTimer = kvSkinState.kvHideTimer;

namespace {

BLENDFUNCTION BlendOf(Byte alpha) {
  BLENDFUNCTION b;
  InitBlendData(b, alpha);
  return b;
}
static_assert(sizeof(TkvBlendFunction) == sizeof(BLENDFUNCTION));
TkvBlendFunction KvBlendOf(Byte alpha) {
  TkvBlendFunction b;
  InitBlendData(b, alpha);
  return b;
}
BLENDFUNCTION* Platform(TkvBlendFunction& b) { return reinterpret_cast<BLENDFUNCTION*>(&b); }

HWND HandleOf(TkvGlowForm* form) { return form && form->HandleAllocated() ? form->Handle() : nullptr; }

}  // namespace

void DrawAnimFrame(const TkvAnimFrame& f, TBitmap* picture, TBitmap* frame, bool stretchWithGdiPlus) {
  const TRect whole(0, 0, picture->Width(), picture->Height());
  switch (f.Draw) {
    case TkvFrameDraw::Keep: return;
    case TkvFrameDraw::Whole: CopyPixels(ViewOf(frame), 0, 0, ViewOf(picture), whole); return;
    case TkvFrameDraw::Stretch:
      if (f.ClearFirst) FillRect32(frame, TRect(0, 0, frame->Width(), frame->Height()), 0, 0);
      if (f.Dest.IsEmpty()) return;
      if (stretchWithGdiPlus)
        kvgpStretchRect(frame, picture, f.Dest, whole);
      else  // the block stretch of COLORONCOLOR
        StretchNearest(ViewOf(frame), f.Dest, ViewOf(picture), whole);
      return;
  }
}

// ---- Layered-window switches ---------------------------------------------------------------------

bool DoLayered(HWND formHandle, bool layered, Byte alphaValue) {
  const LONG exStyle = GetWindowLongW(formHandle, GWL_EXSTYLE);
  if (layered && kvLayered()) {
    bool added = false;
    if (!(exStyle & WS_EX_LAYERED)) {
      SetWindowLongW(formHandle, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
      added = true;
    }
    SetLayeredWindowAttributes(formHandle, clNone, alphaValue, LWA_ALPHA);
    return added;
  }
  // The window disappears without a repaint: callers do this only to windows being hidden.
  SetWindowLongW(formHandle, GWL_STYLE, GetWindowLongW(formHandle, GWL_STYLE) & ~WS_VISIBLE);
  SetWindowLongW(formHandle, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
  return false;
}

void SetFormBlendValue(HWND formHandle, TBitmap* bmp, Integer value, TPoint* newPos) {
  RECT wr{};
  GetWindowRect(formHandle, &wr);
  std::unique_ptr<TBitmap> own;
  if (!bmp) {
    own.reset(CreateBmp32(wr.right - wr.left, wr.bottom - wr.top));
    bmp = own.get();
  }
  const LONG exStyle = GetWindowLongW(formHandle, GWL_EXSTYLE);
  if (!(exStyle & WS_EX_LAYERED)) {
    const bool composition = AeroIsEnabled();
    const LONG style = GetWindowLongW(formHandle, GWL_STYLE);
    if (!composition) SetWindowLongW(formHandle, GWL_STYLE, style & ~WS_VISIBLE);
    SetWindowLongW(formHandle, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    if (!composition) {
      RedrawWindow(GetDesktopWindow(), &wr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      SetWindowLongW(formHandle, GWL_STYLE, style | WS_VISIBLE);
    }
  }
  SetWindowLongW(formHandle, GWL_EXSTYLE, GetWindowLongW(formHandle, GWL_EXSTYLE) | WS_EX_LAYERED);
  TSize size(wr.right - wr.left, wr.bottom - wr.top);
  BLENDFUNCTION blend = BlendOf(Byte(value));
  UpdateLayeredWnd(formHandle, bmp, &size, &blend, newPos);
}

// ---- The show run -----------------------------------------------------------------------------------

void AnimShowLayered(TkvGlowForm* layered, TBitmap* picture, const TPoint& position, Word wTime,
                     Integer maxTransparency, TkvAnimType animType, bool dialog, HWND insertAfter,
                     const std::function<void()>& beforeFrame) {
  HWND wnd = HandleOf(layered);
  if (!wnd || !picture || picture->Empty()) return;
  const Integer stepCount = AnimStepCount(wTime);
  const UINT runFlags = SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOCOPYBITS | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
  TSize size(picture->Width(), picture->Height());
  TPoint pos = position;
  SetWindowLongW(wnd, GWL_EXSTYLE, GetWindowLongW(wnd, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_NOACTIVATE);
  std::unique_ptr<TBitmap> frame(CreateBmp32(size.cx, size.cy));
  FillRect32(frame.get(), TRect(0, 0, size.cx, size.cy), 0, 0);
  BLENDFUNCTION blend = BlendOf(Byte(stepCount > 0 ? 0 : maxTransparency));
  // Loaded with the whole picture at the starting opacity, placed, shown behind the window.
  UpdateLayeredWnd(wnd, picture, &size, &blend, &pos);
  SetWindowPos(wnd, nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER |
                   SWP_NOSENDCHANGING);
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  if (insertAfter) SetWindowPos(wnd, insertAfter, 0, 0, 0, 0, runFlags | SWP_NOSIZE | SWP_NOMOVE);
  if (stepCount > 0) {
    // The frames into the frame bitmap, each shown in the layered window, 12 ms apart.
    class TLayeredFrames : public TkvShowFrames {
     public:
      TLayeredFrames(HWND wnd, TBitmap* picture, TBitmap* frame, TSize& size, BLENDFUNCTION& blend,
                     const std::function<void()>& beforeFrame)
          : wnd_(wnd), picture_(picture), frame_(frame), size_(size), blend_(blend), beforeFrame_(beforeFrame) {}
      Cardinal Ticks() override { return GetTickCount(); }
      void Draw(const TkvAnimFrame& f) override {
        if (beforeFrame_) beforeFrame_();
        DrawAnimFrame(f, picture_, frame_, false);
      }
      void Present(const TkvAnimFrame& f) override {
        blend_.SourceConstantAlpha = f.Alpha;
        UpdateLayeredWnd(wnd_, frame_, &size_, &blend_, nullptr);
      }
      void WaitFrom(Cardinal tick) override { WaitTicks(tick, kvAnimFrameTime); }

     private:
      HWND wnd_;
      TBitmap *picture_, *frame_;
      TSize& size_;
      BLENDFUNCTION& blend_;
      const std::function<void()>& beforeFrame_;
    } frames(wnd, picture, frame.get(), size, blend, beforeFrame);
    TkvShowAnim anim(animType, size.cx, size.cy, stepCount, maxTransparency, dialog);
    RunShowFrames(anim, stepCount, dialog, frames);
  }
  // The final frame: the whole picture at the full opacity, in place.
  blend.SourceConstantAlpha = Byte(maxTransparency);
  SetWindowPos(wnd, nullptr, pos.X, pos.Y, 0, 0, runFlags | SWP_NOZORDER | SWP_NOSIZE);
  UpdateLayeredWnd(wnd, picture, &size, &blend, &pos);
}

// ---- The hide timer and the hide run -----------------------------------------------------------------

TkvHideTimer::TkvHideTimer(TComponent* owner) : TkvThreadedTimer(owner) {}

TkvHideTimer::~TkvHideTimer() {
  if (kvHideTimer == this) kvHideTimer = nullptr;  // its owner (the application) freed it
  CallEvent();
  delete SrcBmp;
  delete DstBmp;
  delete Form;
}

void TkvHideTimer::Anim_Init() {
  Anim = std::make_unique<TkvHideAnim>(AnimType, FBmpSize.cx, FBmpSize.cy, StepCount, StartBlendValue);
  FBlend = KvBlendOf(Byte(StartBlendValue));
}

void TkvHideTimer::Anim_DoNext() {
  const TkvAnimFrame f = Anim->DoNext();
  FBlend.SourceConstantAlpha = f.Alpha;
  DrawAnimFrame(f, SrcBmp, DstBmp, AnimType == atDropDown);
}

bool TkvHideTimer::Anim_GoToNext() { return Anim->GoToNext(); }

void TkvHideTimer::OnTimerProc(TObject* /*sender*/) {
  if (!Form) return;
  bool goOn = false;
  if (i <= StepCount) {
    Anim_DoNext();
    if (HWND wnd = HandleOf(Form)) {
      TSize size = FBmpSize;
      UpdateLayeredWnd(wnd, DstBmp, &size, Platform(FBlend), nullptr);
    }
    goOn = Anim_GoToNext();
    ++i;
  }
  if (goOn && i <= StepCount) return;
  i = StepCount + 1;
  SetEnabled(false);
  CallEvent();
  SetOnTimer(TNotifyEvent());
  SetInterval(65535);
  TkvGlowForm* form = std::exchange(Form, nullptr);
  TBitmap* src = std::exchange(SrcBmp, nullptr);
  TBitmap* dst = std::exchange(DstBmp, nullptr);
  delete form;
  delete src;
  delete dst;
}

void TkvHideTimer::CallEvent() {
  if (EventCalled || !ParentWnd) return;
  if (TkvFormProvider* sp = GetFormProvider(ParentWnd))
    if (sp->RaiseAfterAnimation(1)) EventCalled = true;  // aeHiding
}

void HideAnimForm(TkvGlowForm*& form, TBitmap* srcBmp, Integer aTime, Integer startBlendValue, TkvAnimType animType,
                  TForm* parentForm) {
  if (kvHideTimer && kvHideTimer->Form) {
    delete kvHideTimer->Form;
    kvHideTimer->Form = nullptr;
  }
  if (aTime < 1) {
    // No animation: the picture that the caller handed over is not needed any more.
    if (!kvHideTimer || kvHideTimer->SrcBmp != srcBmp) delete srcBmp;
    return;
  }
  if (!form || !srcBmp) {
    delete srcBmp;
    return;
  }
  if (!kvHideTimer) {
    kvHideTimer = new TkvHideTimer(Application);
    kvHideTimer->SetEnabled(false);
  }
  TkvHideTimer& t = *kvHideTimer;
  t.ParentWnd = parentForm && parentForm->HandleAllocated() ? parentForm->Handle() : nullptr;
  t.EventCalled = false;
  t.i = 0;
  if (t.SrcBmp != srcBmp) delete t.SrcBmp;
  t.SrcBmp = srcBmp;
  t.StartBlendValue = startBlendValue;
  t.Form = form;
  t.AnimType = animType;
  t.SetInterval(kvAnimFrameTime);
  t.StepCount = std::max(AnimStepCount(aTime), 1);  // 1 to 11 ms: one step
  t.FBmpSize = TSize(srcBmp->Width(), srcBmp->Height());
  t.FBlend = KvBlendOf(Byte(startBlendValue));

  HWND wnd = form->Handle();
  SetWindowLongW(wnd, GWL_EXSTYLE, GetWindowLongW(wnd, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_NOACTIVATE);
  TSize size = t.FBmpSize;
  UpdateLayeredWnd(wnd, srcBmp, &size, Platform(t.FBlend), nullptr);
  SetWindowPos(wnd, nullptr, 0, 0, 0, 0, SWPA_NOCOPYBITS);
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  const bool topmost = (GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  HWND after = topmost || !parentForm || parentForm->Modal() || !t.ParentWnd ? HWND_TOPMOST : t.ParentWnd;
  SetWindowPos(wnd, after, 0, 0, 0, 0,
               SWP_NOOWNERZORDER | SWP_NOCOPYBITS | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOSIZE | SWP_NOMOVE);

  delete t.DstBmp;
  t.DstBmp = CreateBmp32(t.FBmpSize.cx, t.FBmpSize.cy);
  t.Anim_Init();
  // A popup rolls up without its shadow: the shadow would stand around the whole form meanwhile.
  if (animType == atDropDown)
    if (TkvMenuServices* menus = TkvServiceSlot<TkvMenuServices>::Get()) menus->HidePopupShadow(t.ParentWnd);
  while (t.i <= t.StepCount) {
    const Cardinal tick = GetTickCount();
    t.OnTimerProc(&t);
    WaitTicks(tick, kvAnimFrameTime);
  }
  if (!t.Form) form = nullptr;
}

// ---- A plain hint window -------------------------------------------------------------------------------

THintWindow* kvShowHintWnd(const String& hintText, const TPoint& position) {
  if (hintText.empty()) return nullptr;
  // An active alpha-hints component shows it its own way.
  if (TkvHintServices* hints = TkvServiceSlot<TkvHintServices>::Get())
    if (THintWindow* shown = hints->ShowHintAt(hintText, position)) return shown;
  THintWindow* hint = CreateHintWindow(nullptr);
  hint->SetVisible(false);
  hint->SetColor(clInfoBk);
  TRect r = hint->CalcHintRect(800, hintText, nullptr);
  r = OffsRect(r, position.X + 8, position.Y + 16);
  const TRect work = kvWorkRect(position);
  if (r.Right > work.Right) r = OffsRect(r, work.Right - r.Right, 0);
  if (r.Bottom > work.Bottom) r = OffsRect(r, 0, work.Bottom - r.Bottom);
  if (SendAMessage(static_cast<TControl*>(hint), KV_CTRLHANDLED) == 1) {
    hint->ActivateHint(r, hintText);  // a skinned hint shows itself
    return hint;
  }
  hint->SetCaption(hintText);
  r.Bottom += 4;
  // Owned by the application window (the hint's window does not exist yet: no re-parenting).
  if (Application) hint->SetParentWindow(Application->Handle());
  hint->SetBoundsRect(r);
  HWND wnd = hint->Handle();
  SetWindowPos(wnd, HWND_TOPMOST, r.Left, r.Top, r.Width(), r.Height(), SWP_NOACTIVATE);
  BOOL animation = FALSE, fade = FALSE;
  SystemParametersInfoW(SPI_GETTOOLTIPANIMATION, 0, &animation, 0);
  SystemParametersInfoW(SPI_GETTOOLTIPFADE, 0, &fade, 0);
  if (hintText.size() < 100 && AnimateWindowProc() && animation && fade) AnimateWindowProc()(wnd, 200, AW_BLEND);
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  InvalidateRect(wnd, nullptr, TRUE);
  return hint;
}

void AnimShowControl(TWinControl* ctrl, Word time, Integer maxTransparency, TkvAnimTypeCtrl animType) {
  if (TkvGlowServices* effects = TkvServiceSlot<TkvGlowServices>::Get())
    effects->AnimShowControl(ctrl, time, maxTransparency, animType);
}
