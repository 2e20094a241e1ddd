// The form's own skinned scroll bars: a scroll wrapper on the form's window that paints its
// bars through the provider's skin data and stands in front of the provider in the form's
// window chain.
#include "forms/sSkinProvider.h"

#include "base/kvntUtils.h"
#include "ui/ScopeGuard.h"
#include "wrappers/kvSBUtils.h"

void TsSkinProvider::RefreshFormScrolls() {
  if (IsDestroying() || !Form || !Form->HandleAllocated() || (FFormState & FS_SCROLLUPDATING) || !FCommonData) return;
  // Making the wrapper sends the form messages that reach the places calling this.
  FFormState |= FS_SCROLLUPDATING;
  const TScopeExit done([this] { FFormState &= ~FS_SCROLLUPDATING; });
  const HWND h = Form->WindowHandle();
  if (FCommonData->Skinned()) {
    if (Kv_UninitializeFlatSB) Kv_UninitializeFlatSB(h);
    // A wrapper whose window went (the form's window was made anew) is replaced.
    if (ListSW && ListSW->Destroyed) FreeFormScrolls();
    if (!ListSW) {
      TkvSkinParams params;
      params.Control = Form;
      params.VertScrollSize = params.HorzScrollSize = params.VertScrollBtnSize = params.HorzScrollBtnSize = -1;
      ListSW = TkvMainWnd::MakeWrapper<TkvScrollWnd>(h, FCommonData.get(), SkinManager(), params, true);
    }
  } else {
    FreeFormScrolls();
    if (Kv_InitializeFlatSB) Kv_InitializeFlatSB(h);
  }
}

void TsSkinProvider::FreeFormScrolls() {
  if (!ListSW) return;
  TkvScrollWnd* sw = ListSW;
  ListSW = nullptr;
  const HWND h = sw->CtrlHandle;
  // The system's bars come back in a frame computed anew; a form whose wrapper showed none
  // keeps its frame (and its children their look).
  const bool barsShown = !sw->Destroyed && (sw->ShownBars(SB_HORZ) || sw->ShownBars(SB_VERT));
  UninitializeKVScroll(h, true, false, sw);
  if (barsShown && Form && !Form->IsDestroying() && IsWindow(h)) SetWindowPos(h, nullptr, 0, 0, 0, 0, 0x737);
}

Integer TsSkinProvider::SkinnedScrollThickness(Integer bar) const {
  if (!ListSW || ListSW->Destroyed || !ListSW->ShownBars(bar)) return 0;
  return ListSW->GetScrollMetric(bar, true);
}

TRect TsSkinProvider::ScrollSizeBox() const {
  if (!ListSW || ListSW->Destroyed || !ListSW->ShownBars(SB_HORZ) || !ListSW->ShownBars(SB_VERT)) return TRect();
  const HWND h = ListSW->CtrlHandle;
  TRect horz, vert;
  kv_GetHScrollRect(ListSW, h, horz);
  kv_GetVScrollRect(ListSW, h, vert);
  RECT w{};
  GetWindowRect(h, &w);
  // From the horizontal bar's right end to the vertical bar's right edge, as high as the
  // horizontal bar.
  return OffsRect(TRect(horz.Right, horz.Top, vert.Right, horz.Bottom), -w.left, -w.top);
}

TWndMethod TsSkinProvider::ScrollWrapperProc() {
  return ListSW && !ListSW->Destroyed ? ListSW->EntryProc() : TWndMethod();
}
