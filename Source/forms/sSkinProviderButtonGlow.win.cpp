// The caption-button glow: the hot or pressed look of a button fades in on a small layered
// window over the form's picture (or over its outer border window's), and out again when the
// mouse leaves. The levels are TkvButtonFade's (sSkinProviderButtonGlow.cpp).
#include "base/kvntUtils.h"
#include "forms/kvDialogWnd.h"
#include "forms/kvTitleBar.h"
#include "forms/sSkinProvider.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "skin/sVclUtils.h"

TW_DEFINE_CLASS(TkvSBAnimation) {}

namespace {

// The owner (a form's provider or a dialog's wrapper) is reached through its skin data.
DuRiruZireziv* ManagerOf(const TkvSBAnimation& a) { return a.SkinData ? a.SkinData->GetSkinManager() : nullptr; }

bool GlowingAllowed(const TkvSBAnimation& a) {
  DuRiruZireziv* m = ManagerOf(a);
  return m && m->Effects.AllowGlowing;
}

bool GlowCode(Cardinal ht) { return ht == HTMINBUTTON || ht == HTMAXBUTTON || ht == HTCLOSE; }

TkvSkinData* DataOf(const TkvSBAnimation& a) { return a.SkinData ? a.SkinData->GetCommonSkinData() : nullptr; }

const TsMaskData* ImageAt(TkvSkinData* data, Integer index) {
  return data && index >= 0 && index < Integer(data->ma.size()) ? &data->ma[size_t(index)] : nullptr;
}

// The window the button's rectangle is relative to: the outer border window, else the form.
HWND ReferenceWindow(TkvSBAnimation& a) {
  if (a.BorderForm)
    if (const HWND wnd = a.BorderForm->LayeredWindow()) return wnd;
  return a.FormHandle;
}

// The first glow image of a glyph kind; -1 without one.
Integer GlowImage(TkvSkinData* data, TkvTitleGlyph kind) {
  if (!data || kind > tgNormal || data->TitleGlows[kind].empty()) return -1;
  return data->TitleGlows[kind].front();
}

}  // namespace

TkvSBAnimation::TkvSBAnimation(TComponent* owner) : TTimer(owner) {
  SetOnTimer(TNotifyEvent(this, &TkvSBAnimation::OnAnimTimer));
}

TkvSBAnimation::~TkvSBAnimation() {
  SetEnabled(false);
  AForm.reset();
  ABmp.reset();
  if (PBtnData && PBtnData->cpTimer == this) PBtnData->cpTimer = nullptr;
}

void TkvSBAnimation::StartAnimation(Integer newState, bool toUp) {
  const Integer alpha = Fade.Start(newState, toUp);
  if (alpha < 0) return;
  if (newState == 2) {
    // A pressed look is made anew.
    AForm.reset();
    ABmp.reset();
  }
  UpdateForm(alpha);
  SyncTimer();
}

Integer TkvSBAnimation::Offset() {
  if (!PBtnData || !GlowingAllowed(*this) || Fade.CurrentState != 1 || !GlowCode(PBtnData->cpHitCode)) return 0;
  TkvSkinData* data = DataOf(*this);
  return data && PBtnData->cpGlyphType < data->GlowMargins.size() ? data->GlowMargins[PBtnData->cpGlyphType] : 0;
}

TRect TkvSBAnimation::GetFormBounds() {
  RECT ref{};
  GetWindowRect(ReferenceWindow(*this), &ref);
  TRect r = PBtnData->cpRect;
  r = TRect(r.Left + ref.left, r.Top + ref.top, r.Right + ref.left, r.Bottom + ref.top);
  const Integer offset = Offset();
  if (offset != 0)
    if (const TsMaskData* glow = ImageAt(DataOf(*this), GlowImage(DataOf(*this), PBtnData->cpGlyphType))) {
      r.Left -= offset;
      r.Top -= offset;
      r.Right = r.Left + glow->Width;
      r.Bottom = r.Top + glow->Height;
    }
  return r;
}

void TkvSBAnimation::MakeForm() {
  AForm.reset(new TkvGlowForm(nullptr));
  AForm->AfterConstruction();
  AForm->HandleNeeded();
  const HWND wnd = AForm->WindowHandle();
  LONG ex = GetWindowLongW(wnd, GWL_EXSTYLE) | WS_EX_TRANSPARENT;
  if (Provider && Provider->Form && Provider->Form->FormStyle() == fsStayOnTop) ex |= WS_EX_TOPMOST;
  if (!Provider && FormHandle && (GetWindowLongW(FormHandle, GWL_EXSTYLE) & WS_EX_TOPMOST)) ex |= WS_EX_TOPMOST;
  SetWindowLongW(wnd, GWL_EXSTYLE, ex);
}

void TkvSBAnimation::MakeImg() {
  if (Fade.CurrentState == 0 && ABmp) return;  // the fade-out shows the last picture
  TkvSkinData* data = DataOf(*this);
  if (!data || !PBtnData) return;
  const bool glow = GlowingAllowed(*this) && Fade.CurrentState == 1 && GlowCode(PBtnData->cpHitCode);
  // A dialog's minimize icon already carries the restore glyph while the dialog is minimized.
  const TkvTitleGlyph kind =
      PBtnData->cpHitCode == HTMINBUTTON && Provider && Provider->IsIconicForm() ? tgNormal : PBtnData->cpGlyphType;
  const Integer glyph = kind < data->TitleGlyphs.size() ? data->TitleGlyphs[kind] : -1;
  const TsMaskData* glyphImage = ImageAt(data, glyph);
  const TsMaskData* glowImage = glyphImage && glow ? ImageAt(data, GlowImage(data, PBtnData->cpGlyphType)) : nullptr;
  const TRect bounds = GetFormBounds();
  if (!ABmp) ABmp.reset(CreateBmp32(bounds.Width(), bounds.Height()));
  FillRect32(ABmp.get(), TRect(0, 0, ABmp->Width(), ABmp->Height()), 0, 0);
  if (TBitmap* source = glowImage ? SkinImageBitmap(*glowImage) : nullptr) {
    // The halo is shown exactly as the skin has it, its alpha included.
    const TRect& r = glowImage->R;
    BitBlt(ABmp->Canvas()->Handle(), 0, 0, Mini(r.Width(), ABmp->Width()), Mini(r.Height(), ABmp->Height()),
           source->Canvas()->Handle(), r.Left, r.Top, SRCCOPY);
  } else if (glyphImage) {
    const Integer state = Mini(Maxi(Fade.CurrentState, 0), Maxi(glyphImage->ImageCount - 1, 0));
    DrawSkinGlyph(ABmp.get(), TPoint(0, 0), state, 1, *glyphImage, MakeCacheInfo(ABmp.get()));
  }
  if (!glowImage) {
    // Without a border window the picture's key colour is shown as it is where the skin gives
    // no glyph with a mask of its own.
    if (!BorderForm && (!glyphImage || glyphImage->MaskType == 0)) {
      const TPixelView v = ABmp->View();
      for (Integer y = 0; y < v.Height; ++y)
        for (Integer x = 0; x < v.Width; ++x)
          if (v.At(x, y) == 0x00FF00FFu) v.At(x, y) = 0xFFFF00FFu;
    }
    if (IsWinVistaUp() && !AeroIsEnabled()) UpdateAlpha(ABmp.get());
  }
  // A user title button shows its own glyph over the skin's.
  if (Provider) {
    const Integer code = Integer(PBtnData->cpHitCode);
    const Integer users = Mini(Provider->FTitleButtons->Count(), kvMaxCaptionItems);
    TBitmap* glyph = code >= HTUDBTN && code < HTUDBTN + users
                         ? Provider->FTitleButtons->Items(code - HTUDBTN)->Glyph.get()
                         : nullptr;
    if (glyph && glyph->Width() > 0 && glyph->Height() > 0) {
      const Integer shift = Fade.CurrentState == 2 ? 1 : 0;
      DrawUserGlyph(ABmp.get(), glyph,
                    TPoint((PBtnData->cpRect.Width() - glyph->Width()) / 2 + shift,
                           (PBtnData->cpRect.Height() - glyph->Height()) / 2 + shift));
    }
  }
}

void TkvSBAnimation::UpdateForm(Integer blend) {
  if (!ABmp) MakeImg();
  if (!AForm) MakeForm();
  if (!ABmp || !AForm || !AForm->HandleAllocated()) return;
  TRect r = GetFormBounds();
  if (r.Width() != ABmp->Width()) {
    // The picture is centred on the button.
    const Integer dx = (ABmp->Width() - r.Width()) / 2, dy = (ABmp->Height() - r.Height()) / 2;
    r = TRect(r.Left - dx, r.Top - dy, r.Right + dx, r.Bottom + dy);
  }
  const HWND ref = ReferenceWindow(*this);
  const HWND insertAfter =
      (GetWindowLongW(ref, GWL_EXSTYLE) & WS_EX_TOPMOST) ? HWND_TOPMOST : GetWindow(ref, GW_HWNDPREV);
  const HWND wnd = AForm->WindowHandle();
  // Only the z-order here: the place and size come with the picture, so the window never
  // shows the old picture in the new place.
  SetWindowPos(wnd, insertAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowLongW(wnd, GWL_EXSTYLE,
                 GetWindowLongW(wnd, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT);
  BLENDFUNCTION bf{AC_SRC_OVER, 0, Byte(std::clamp(blend, 0, 255)), AC_SRC_ALPHA};
  TSize size(ABmp->Width(), ABmp->Height());
  TPoint pos(r.Left, r.Top);
  UpdateLayeredWnd(wnd, ABmp.get(), &size, &bf, &pos);
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
}

void TkvSBAnimation::CheckMouseLeave() {
  RECT ref{};
  GetWindowRect(ReferenceWindow(*this), &ref);
  const TPoint cursor = kvMousePos();
  if (PBtnData->cpRect.Contains(TPoint(cursor.X - ref.left, cursor.Y - ref.top))) return;
  Fade.TimerOn = false;
  SyncTimer();
  SendMessageW(FormHandle, WM_MOUSELEAVE, 0, 0);
}

void TkvSBAnimation::OnAnimTimer(TObject*) {
  const TkvButtonFade::TStep step = Fade.Tick();
  switch (step.Action) {
    case TkvButtonFade::faShow: UpdateForm(step.Alpha); break;
    case TkvButtonFade::faWatchMouse: {
      // The leave may free this fade (the form kills its animations): the first full picture
      // is shown before the mouse is looked at.
      if (step.Alpha >= 0) UpdateForm(step.Alpha);
      CheckMouseLeave();
      return;
    }
    case TkvButtonFade::faFinish:
      AForm.reset();
      ABmp.reset();
      break;
    default: break;
  }
  SyncTimer();
}

namespace {

// A button that already fades is retargeted; True when it had a fade.
bool RetargetFade(TsCaptionButton* btn, Integer state, Integer iterations, bool toUp, Integer levels) {
  TkvSBAnimation* a = btn->cpTimer;
  if (!a) return false;
  if (toUp) a->Fade.CurrentState = state;
  a->Fade.MaxIterations = iterations;
  a->Fade.Up = toUp;
  a->Fade.TimerOn = true;
  a->SetEnabled(true);
  if (state == 2) {
    a->ABmp.reset();
    if (!a->AForm) a->MakeForm();
    a->MakeImg();
  }
  a->Fade.CurrentLevel = levels;
  return true;
}

void LaunchFade(TkvSBAnimation* a, TsCaptionButton* btn, Integer levels) {
  a->SetEnabled(false);
  a->PBtnData = btn;
  btn->cpTimer = a;
  a->Fade.MaxIterations = levels;
  a->SetInterval(12);
  a->StartAnimation(btn->cpState, true);
}

Integer FadeLevels(DuRiruZireziv* manager, Integer iterations) {
  const bool animate = manager && manager->Effects.AllowAnimation;
  return Maxi(animate ? iterations : 1, 1);
}

}  // namespace

void StartSBAnimation(TsCaptionButton* btn, Integer state, Integer iterations, bool toUp, TsSkinProvider* sp) {
  if (!btn || !sp || (Application && Application->Terminated())) return;
  const Integer levels = FadeLevels(sp->SkinManager(), iterations);
  if (RetargetFade(btn, state, iterations, toUp, levels)) return;
  auto* a = new TkvSBAnimation(sp);  // the provider owns it as a component
  a->BorderForm = sp->BorderForm.get();
  a->FormHandle = sp->Form->Handle();
  a->SkinData = sp->FCommonData.get();
  a->Provider = sp;
  LaunchFade(a, btn, levels);
}

void StartSBAnimation(TsCaptionButton* btn, Integer state, Integer iterations, bool toUp, TkvDialogWnd* dlg) {
  if (!btn || !dlg || !dlg->SkinData || (Application && Application->Terminated())) return;
  const Integer levels = FadeLevels(dlg->SkinData->GetSkinManager(), iterations);
  if (RetargetFade(btn, state, iterations, toUp, levels)) return;
  // The application owns a dialog's fades; the wrapper frees them (KillAnimations).
  auto* a = new TkvSBAnimation(Application);
  a->BorderForm = dlg->BorderForm.get();
  a->FormHandle = dlg->CtrlHandle;
  a->SkinData = dlg->SkinData;
  LaunchFade(a, btn, levels);
}

void TsSkinProvider::KillAnimations() {
  for (TsCaptionButton* b : {&ButtonMin, &ButtonMax, &ButtonClose, &ButtonHelp}) delete b->cpTimer;
  for (Integer i = 0; i < FTitleButtons->Count(); ++i) delete FTitleButtons->Items(i)->Data.cpTimer;
  if (!IsDestroying())
    if (TsTitleBar* bar = TitleBarOf(Form)) bar->KillAnimations();
}
