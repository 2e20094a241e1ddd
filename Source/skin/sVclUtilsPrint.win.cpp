// sVclUtils: control printing. Controls painted, children included, into bitmaps and DCs
// outside their WM_PAINT cycle: skinned windows through KV_PRINTING around WM_PRINT, unskinned
// ones by the class library's PaintTo, graphic children over their container's background.
// Every routine leaves the DC's state as it found it.
#include <windows.h>
#include <uxtheme.h>

#include <algorithm>
#include <memory>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/kvgpUtils.h"
#include "skin/FormServices.h"
#include "skin/sCommonData.h"
#include "skin/sVclUtils.h"
#include "ui/Buttons.h"
#include "ui/Canvas.h"
#include "ui/ComCtrls.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"

namespace {

uintptr_t Command(Word command, Word low = 0) { return uintptr_t(command) << 16 | low; }

bool IsDesigning(const TControl* c) { return c->ComponentState().Contains(csDesigning); }

// A form with no parent is a window of its own: its children are not moved by its position.
bool MovesOrigin(const TControl* c) { return !(dynamic_cast<const TCustomForm*>(c) && !c->Parent()); }

}  // namespace

// ---- Skinned printing ----------------------------------------------------------------------------

void SkinPaintTo(TBitmap* bmp, TControl* ctrl, Integer left, Integer top, TComponent* skinProvider, bool rootCtrl) {
  if (!bmp || !ctrl) return;
  HDC dc = bmp->Canvas()->Handle();
  if (!skinProvider && ctrl->Parent() && !ctrl->Visible() && !IsDesigning(ctrl)) {
    // A hidden control shows its parent's background.
    TkvBGInfo info;
    GetBGInfo(&info, ctrl->Parent(), false);
    if (info.BgType == btCache && info.Bmp)
      BitBlt(dc, left, top, ctrl->Width(), ctrl->Height(), info.Bmp->Canvas()->Handle(), ctrl->Left() + info.Offset.X,
             ctrl->Top() + info.Offset.Y, SRCCOPY);
    else
      FillDC(dc, TRect(left, top, left + ctrl->Width(), top + ctrl->Height()), info.Color);
  } else {
    TCanvasLock lock(*bmp->Canvas());
    TSaveDC saved(dc);
    // A form with an outer border is printed with its border and shadow around it: its picture
    // is larger than the form.
    auto* provider = dynamic_cast<TkvFormProvider*>(skinProvider);
    if (!(provider && provider->OuterBorder())) IntersectClipRect(dc, 0, 0, ctrl->Width(), ctrl->Height());
    if (auto* wc = dynamic_cast<TWinControl*>(ctrl)) {
      // The MDI children lie under the main form's client window: they are painted first.
      if (auto* form = dynamic_cast<TForm*>(wc); form && form->FormStyle() == fsMDIForm)
        for (Integer i = 0; i < form->MDIChildCount(); ++i) {
          TCustomForm* child = form->MDIChildren(i);
          TSaveDC childSaved(dc);
          OffsetViewportOrgEx(dc, child->Left(), child->Top(), nullptr);
          SkinPaintTo(bmp, child, child->Left(), child->Top());
        }
      HWND wnd = wc->Handle();
      const intptr_t answer = TrySendMessage(wnd, SM_ALPHACMD, Command(KV_PRINTING, 1), intptr_t(dc));
      if (answer == 1 || WndIsSkinned(wnd)) {
        const intptr_t printed = TrySendMessage(wnd, WM_PRINT, uintptr_t(dc), 0);
        TrySendMessage(wnd, SM_ALPHACMD, Command(KV_PRINTING), intptr_t(dc));
        // NOCHILDRENPRINT: the control printed its children itself.
        if (printed != NOCHILDRENPRINT) PaintChildCtrls(wc, bmp);
      } else {
        wc->PaintTo(dc, 0, 0);
      }
      if (skinProvider) {
        if (provider) provider->FillAlphaClient(bmp);
        SendAMessage(wnd, KV_PAINTFLOATITEMS, intptr_t(bmp));
      }
    } else {
      ctrl->Perform(SM_ALPHACMD, Command(KV_PRINTING, 1), intptr_t(dc));
      ctrl->Perform(WM_PRINT, uintptr_t(dc), 0);
      ctrl->Perform(SM_ALPHACMD, Command(KV_PRINTING), intptr_t(dc));
    }
  }
  if (!rootCtrl || !ctrl->Parent()) return;
  // Siblings above the control that overlap it are part of its picture.
  TWinControl* parent = ctrl->Parent();
  bool above = false;
  for (Integer i = 0; i < parent->ControlCount(); ++i) {
    TControl* sibling = parent->Controls(i);
    if (sibling == ctrl) {
      above = true;
      continue;
    }
    if (!above || !sibling->Visible() || dynamic_cast<TOutputWindow*>(sibling) ||
        !RectInRect(ctrl->BoundsRect(), sibling->BoundsRect(), false))
      continue;
    TSaveDC saved(dc);
    OffsetViewportOrgEx(dc, sibling->Left() - ctrl->Left(), sibling->Top() - ctrl->Top(), nullptr);
    SkinPaintTo(bmp, sibling);
  }
}

void PaintChildCtrls(TWinControl* ctrl, TBitmap* bmp) {
  if (!ctrl || !bmp) return;
  HDC dc = bmp->Canvas()->Handle();
  for (Integer i = 0; i < ctrl->ControlCount(); ++i) {
    auto* child = dynamic_cast<TWinControl*>(ctrl->Controls(i));
    if (!child || !(child->Visible() || IsDesigning(child)) || !child->HandleAllocated()) continue;
    TSaveDC saved(dc);
    if (MovesOrigin(child)) OffsetViewportOrgEx(dc, child->Left(), child->Top(), nullptr);
    SkinPaintTo(bmp, child, child->Left(), child->Top());
  }
}

// ---- Unskinned printing ---------------------------------------------------------------------------

void PaintChildStdCtrls(TWinControl* ctrl, TBitmap* bmp) {
  if (!ctrl || !bmp) return;
  HDC dc = bmp->Canvas()->Handle();
  for (Integer i = 0; i < ctrl->ControlCount(); ++i) {
    TControl* child = ctrl->Controls(i);
    TSaveDC saved(dc);
    if (auto* wc = dynamic_cast<TWinControl*>(child)) {
      if (!(wc->Visible() || IsDesigning(wc)) || !wc->HandleAllocated()) continue;
      if (MovesOrigin(wc)) OffsetViewportOrgEx(dc, wc->Left(), wc->Top(), nullptr);
      wc->PaintTo(dc, 0, 0);
      PaintChildStdCtrls(wc, bmp);
    } else {
      OffsetViewportOrgEx(dc, child->Left(), child->Top(), nullptr);
      child->Perform(WM_PAINT, uintptr_t(dc), 0);
    }
  }
}

void StdPaintTo(TBitmap* bmp, TWinControl* ctrl) {
  if (!bmp || !ctrl) return;
  // The system painted the controls without alpha: the whole picture is made opaque after.
  TGdiDrawing drawing(bmp);
  HDC dc = drawing.DC();
  SendMessageW(ctrl->Handle(), WM_ERASEBKGND, WPARAM(dc), 0);
  // A tab sheet's children lie inside its border.
  TSaveDC saved(dc);
  if (auto* sheet = dynamic_cast<TTabSheet*>(ctrl); sheet && sheet->BorderWidth() != 0)
    OffsetViewportOrgEx(dc, sheet->BorderWidth(), sheet->BorderWidth(), nullptr);
  PaintChildStdCtrls(ctrl, bmp);
}

void StdPaintTo(TBitmap* bmp, TControl* ctrl) {
  if (!bmp || !ctrl) return;
  if (auto* wc = dynamic_cast<TWinControl*>(ctrl)) {
    StdPaintTo(bmp, wc);
    return;
  }
  if (!ctrl->Parent()) return;
  HDC dc = bmp->Canvas()->Handle();
  TSaveDC saved(dc);
  OffsetViewportOrgEx(dc, -ctrl->Left(), -ctrl->Top(), nullptr);
  StdPaintTo(bmp, ctrl->Parent());
}

// ---- Graphic children over the container's skin background -------------------------------------------

namespace {

bool ChildReady(TControl* child, HDC dc) {
  if (!dynamic_cast<TGraphicControl*>(child)) return false;  // graphic controls only
  if (!(child->Visible() || IsDesigning(child)) || child->Width() <= 0 || child->Height() <= 0) return false;
  if (child->ControlStyle().Contains(csNoDesignVisible) || child->ComponentState().Contains(csDestroying)) return false;
  // The system tool bar draws its own buttons; only separators, dividers and text buttons are
  // painted here.
  if (auto* tool = dynamic_cast<TToolButton*>(child))
    if (tool->Style() == tbsButton || tool->Style() == tbsCheck || tool->Style() == tbsDropDown) return false;
  const RECT r{child->Left(), child->Top(), child->Left() + child->Width(), child->Top() + child->Height()};
  return RectVisible(dc, &r) != FALSE;
}

// The background under a child, drawn into the memory DC from the owner's background record.
void DrawChildBackground(HDC mem, TControl* child, const TkvBGInfo& bg) {
  const TRect r = child->BoundsRect();
  if (bg.BgType == btCache && bg.Bmp) {
    BitBlt(mem, r.Left, r.Top, r.Width(), r.Height(), bg.Bmp->Canvas()->Handle(), r.Left + bg.Offset.X,
           r.Top + bg.Offset.Y, SRCCOPY);
    return;
  }
  FillDC(mem, r, bg.Color);
  if (!bg.Bmp) return;
  // The parts of the child that lie over the border strips of the background picture.
  HDC src = bg.Bmp->Canvas()->Handle();
  const TRect& F = bg.FillRect;
  const Integer pw = bg.Bmp->Width(), ph = bg.Bmp->Height();
  if (r.Top < F.Top) BitBlt(mem, r.Left, r.Top, r.Width(), F.Top - r.Top, src, r.Left, r.Top, SRCCOPY);
  if (r.Left < F.Left) BitBlt(mem, r.Left, r.Top, F.Left - r.Left, r.Height(), src, r.Left, r.Top, SRCCOPY);
  if (bg.Offset.Y >= 0 && r.Bottom + bg.Offset.Y > ph - F.Bottom) {
    const Integer d = r.Bottom - (ph - F.Bottom);
    BitBlt(mem, r.Left, r.Bottom - d, r.Width(), d, src, r.Left, r.Bottom + bg.Offset.Y - d, SRCCOPY);
  }
  if (bg.Offset.X >= 0 && r.Right + bg.Offset.X > pw - F.Right) {
    const Integer d = r.Right - (pw - F.Right);
    BitBlt(mem, r.Right - d, r.Top, d, r.Height(), src, r.Right + bg.Offset.X - d, r.Top, SRCCOPY);
  }
}

}  // namespace

void PaintControls(HDC dc, TWinControl* ownerControl, bool /*changeCache*/, const TPoint& offset, bool checkVisible) {
  if (kvGraphPainting || !ownerControl) return;
  struct TGuard {
    TGuard() { kvGraphPainting = true; }
    ~TGuard() { kvGraphPainting = false; }
  } guard;
  if (checkVisible && !ownerControl->Visible() && !IsDesigning(ownerControl)) return;
  if (ownerControl->ControlCount() == 0) return;
  RECT clip{};
  if (GetClipBox(dc, &clip) == NULLREGION || clip.right <= clip.left || clip.bottom <= clip.top) {
    SendAMessage(ownerControl, KV_SETHALFVISIBLE, 0);
    return;
  }
  const TRect clipBox(clip.left, clip.top, clip.right, clip.bottom);
  TkvBGInfo bg;
  GetBGInfo(&bg, ownerControl, false);
  std::vector<TControl*> ready;
  for (Integer i = 0; i < ownerControl->ControlCount(); ++i) {
    TControl* child = ownerControl->Controls(i);
    if (ChildReady(child, dc) && RectIsVisible(clipBox, child->BoundsRect())) ready.push_back(child);
  }
  if (ready.empty()) return;
  // One memory bitmap for all of them: the backgrounds first, then each child on top.
  TMemoryDC mem(nullptr);
  TClientDC screen(nullptr);
  TOwnedBitmap bitmap(CreateCompatibleBitmap(screen, ownerControl->Width(), ownerControl->Height()));
  if (!mem || !bitmap) return;
  TSelectObject select(mem, bitmap.get());
  const bool paintCopy = ownerControl->ControlState().Contains(csPaintCopy);
  // Aligned children of an MDI form are told to repaint themselves as a whole first.
  auto* form = dynamic_cast<TForm*>(ownerControl);
  const bool mdiOwner = form && form->FormStyle() == fsMDIForm;
  bool backgroundsDrawn = false;
  for (TControl* child : ready) {
    if (mdiOwner && child->Align() != alNone) child->Perform(SM_ALPHACMD, uintptr_t(KV_INVALIDATE) << 16, 0);
    if (!backgroundsDrawn) {
      for (TControl* c : ready) DrawChildBackground(mem, c, bg);
      backgroundsDrawn = true;
    }
    TSaveDC saved(mem);
    OffsetViewportOrgEx(mem, child->Left(), child->Top(), nullptr);
    IntersectClipRect(mem, 0, 0, child->Width(), child->Height());
    const TControlState before = child->ControlState();
    if (paintCopy) child->SetControlState(before + TControlState{csPaintCopy});
    struct TRestore {
      TControl* c;
      bool copy;
      ~TRestore() {
        if (copy) c->SetControlState(c->ControlState() - TControlState{csPaintCopy});
      }
    } restore{child, paintCopy};
    // A speed button being designed paints through its own canvas, past its WindowProc.
    if (auto* speed = dynamic_cast<TSpeedButton*>(child); speed && IsDesigning(speed))
      speed->PaintOn(mem.get());
    else
      child->Perform(WM_PAINT, uintptr_t(mem.get()), 0);
  }
  for (TControl* child : ready) {
    // A child whose first pixel came out as the key colour left its place transparent.
    if (GetPixel(mem, child->Left() + offset.X, child->Top() + offset.Y) == clFuchsia) continue;
    BitBlt(dc, child->Left() + offset.X, child->Top() + offset.Y, child->Width(), child->Height(), mem, child->Left(),
           child->Top(), SRCCOPY);
  }
}

void BufferedPrintClient(HWND handle, const TRect& rect, Integer bgColor) {
  if (!IsWinVistaUp()) return;
  TClientDC dc(handle);
  if (!dc) return;
  const RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
  HDC bufferDC = nullptr;
  HPAINTBUFFER buffer = BeginBufferedPaint(dc, &r, BPBF_TOPDOWNDIB, nullptr, &bufferDC);
  if (!buffer) return;
  struct TEnd {
    HPAINTBUFFER b;
    ~TEnd() { EndBufferedPaint(b, TRUE); }
  } end{buffer};
  FillDC(bufferDC, rect, TColor(bgColor));
  SendMessageW(handle, WM_PRINTCLIENT, WPARAM(bufferDC), PRF_CLIENT);
  BufferedPaintSetAlpha(buffer, nullptr, 255);
}

bool RepaintOpaque(TControl* ctrl, Integer& data) {
  auto* wc = dynamic_cast<TWinControl*>(ctrl);
  if (!wc || !wc->HandleAllocated()) return false;
  return TrySendMessage(wc->Handle(), SM_ALPHACMD, Command(KV_FORCEOPAQUE, Word(data & 0xFFFF)), 0) != 0;
}

// ---- Layered look of a form ------------------------------------------------------------------------

void UpdateLayerVisibility(TsCommonData* skinData, HWND handle) {
  TkvFormProvider* sp = handle && skinData ? GetFormProvider(handle) : nullptr;
  if (!sp || sp->SkinData() != skinData) return;
  TForm* form = sp->ProviderForm();
  if (!form) return;
  // The form must not paint, align, limit its size or report the step as its own resize.
  const auto updating = SetForScope(skinData->FUpdating, true);
  TSizeConstraints* limits = form->Constraints();
  const Integer minHeight = limits->MinHeight();
  const bool minHeightHeld = minHeight != 0 && minHeight == form->Height();
  if (minHeightHeld) limits->SetMinHeight(0);
  const TNotifyEvent onResize = form->OnResize();
  form->SetOnResize(TNotifyEvent());
  form->DisableAlign();
  const TScopeExit restore([&] {
    form->EnableAlign();
    form->SetOnResize(onResize);
    if (minHeightHeld) limits->SetMinHeight(minHeight);
  });
  RECT wr{};
  GetWindowRect(handle, &wr);
  const Integer w = wr.right - wr.left, h = wr.bottom - wr.top;
  const UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
  SetWindowPos(handle, nullptr, 0, 0, w, h - 1, flags);
  SetWindowPos(handle, nullptr, 0, 0, w, h, flags);
  if (form->BorderStyle() == bsNone) {
    const RECT bottom{0, h - 1, w, h};
    RedrawWindow(handle, &bottom, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
}
