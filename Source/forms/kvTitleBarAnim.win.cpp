// The fade of a title bar item: its new look on a small layered window over the item.
#include "base/WorkingBitmaps.h"
#include "base/kvntTypes.h"
#include "base/kvntUtils.h"
#include "forms/kvTitleBar.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "skin/sVclUtils.h"

bool TkvItemAnimation::ManualTicks = false;

TW_DEFINE_CLASS(TkvItemAnimation) {}

TkvItemAnimation::TkvItemAnimation(TComponent* owner) : TTimer(owner), Fade(*this) {
  SetEnabled(false);
  SetInterval(12);
  SetOnTimer(TNotifyEvent(this, &TkvItemAnimation::OnAnimTimer));
}

TkvItemAnimation::~TkvItemAnimation() { SetEnabled(false); }

void TkvItemAnimation::SyncTimer() { SetEnabled(Fade.Running && !ManualTicks); }

void TkvItemAnimation::OnAnimTimer(TObject*) {
  Fade.Tick();
  SyncTimer();
}

namespace {

// The window the item's rectangle is measured from: the outer border window it was shown on,
// else the form.
HWND ReferenceWindow(const TkvItemAnimation& a) {
  if (a.Item)
    if (TkvGlowForm* ext = LiveExtForm(*a.Item); ext && ext->HandleAllocated()) return ext->WindowHandle();
  return a.FormHandle;
}

}  // namespace

TRect TkvItemAnimation::GetFormBounds() {
  RECT r{};
  if (const HWND ref = ReferenceWindow(*this)) GetWindowRect(ref, &r);
  const TRect& ir = Item->Rect;
  return TRect(r.left + ir.Left, r.top + ir.Top, r.left + ir.Right, r.top + ir.Bottom);
}

void TkvItemAnimation::MakeImg() {
  if (Fade.CurrentState == 0 && NewBmp) return;  // a fade-out shows the last look
  const TRect b = GetFormBounds();
  if (b.Width() <= 0 || b.Height() <= 0) return;
  NewBmp.reset(CreateBmp32(b.Width(), b.Height()));
  if (Item->FOnInternalDraw)
    Item->FOnInternalDraw.Call(Item, TRect(0, 0, b.Width(), b.Height()), NewBmp.get());
  else
    FillRect32(NewBmp.get(), TRect(0, 0, b.Width(), b.Height()), TColor(0x00FFFF), 255);
}

void TkvItemAnimation::MakeForm() {
  if (AForm) return;
  AForm = std::make_unique<TkvGlowForm>(nullptr);
  AForm->AfterConstruction();
  AForm->HandleNeeded();
  const HWND h = AForm->WindowHandle();
  LONG ex = GetWindowLongW(h, GWL_EXSTYLE) | WS_EX_TRANSPARENT;
  TkvGlowForm* extForm = LiveExtForm(*Item);
  const HWND ext = extForm && extForm->HandleAllocated() ? extForm->WindowHandle() : nullptr;
  if (ext && (GetWindowLongW(ext, GWL_EXSTYLE) & WS_EX_TOPMOST)) ex |= WS_EX_TOPMOST;
  SetWindowLongW(h, GWL_EXSTYLE, ex);
}

void TkvItemAnimation::ShowAt(Byte blend) {
  if (!NewBmp) MakeImg();
  if (!AForm) MakeForm();
  if (!NewBmp || !AForm || !AForm->HandleAllocated()) return;
  TRect b = GetFormBounds();
  if (b.Width() != NewBmp->Width()) {
    // A look of another size than the item is centred on it.
    const Integer dx = (NewBmp->Width() - b.Width()) / 2, dy = (NewBmp->Height() - b.Height()) / 2;
    b = TRect(b.Left - dx, b.Top - dy, b.Left - dx + NewBmp->Width(), b.Top - dy + NewBmp->Height());
  }
  const HWND wnd = AForm->WindowHandle();
  const HWND ref = ReferenceWindow(*this);
  HWND after = HWND_TOP;
  if (ref && (GetWindowLongW(ref, GWL_EXSTYLE) & WS_EX_TOPMOST))
    after = HWND_TOPMOST;
  else if (const HWND above = ref ? GetWindow(ref, GW_HWNDPREV) : nullptr; above && above != wnd)
    after = above;
  SetWindowPos(wnd, after, b.Left, b.Top, b.Width(), b.Height(),
               SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
  SetWindowLongW(wnd, GWL_EXSTYLE,
                 GetWindowLongW(wnd, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT);
  BLENDFUNCTION bf{};
  InitBlendData(bf, blend);
  TSize size(NewBmp->Width(), NewBmp->Height());
  TPoint pos(b.Left, b.Top);
  UpdateLayeredWnd(wnd, NewBmp.get(), &size, &bf, &pos);
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  LastBlend = blend;
}

void TkvItemAnimation::DropWindow() { AForm.reset(); }

void TkvItemAnimation::KeepWindowAsOld() { OldForm = std::move(AForm); }

void TkvItemAnimation::DropOldWindow() { OldForm.reset(); }

bool TkvItemAnimation::CursorOutsideItem() {
  RECT r{};
  if (const HWND ref = ReferenceWindow(*this)) GetWindowRect(ref, &r);
  const TPoint p = kvMousePos();
  return !Item->Rect.Contains(TPoint(p.X - r.left, p.Y - r.top));
}

void TkvItemAnimation::MouseLeft() {
  if (FormHandle) SendMessageW(FormHandle, WM_MOUSELEAVE, 0, 0);
}

void StartItemAnimation(TkvTitleBarItem* item, Integer iterations, bool show, TkvGlowForm* extendedForm) {
  if (!item) return;
  if (!item->Timer) {
    TsTitleBar* bar = item->Bar();
    if (!bar || !bar->Form) return;
    auto anim = std::make_unique<TkvItemAnimation>(nullptr);
    item->ExtForm = extendedForm;
    anim->FormHandle = bar->Form->HandleAllocated() ? bar->Form->WindowHandle() : nullptr;
    anim->Item = item;
    anim->Fade.MaxIterations = iterations;
    item->Timer = std::move(anim);
    item->Timer->StartAnimation(item->GetState(), true);
    return;
  }
  item->ExtForm = extendedForm;
  item->Timer->Fade.Restart(item->GetState(), iterations, show);
  item->Timer->SyncTimer();
}

void TsTitleBar::KillAnimations() {
  if (!FItems) return;
  for (Integer i = 0; i < FItems->Count(); ++i) FItems->Items(i)->Timer.reset();
}
