// A skinned form's motions besides the minimize flight:
//   1. the own move and size frame (an inverted outline on the desktop while the mouse drags)
//   2. blend on moving (the form turns translucent while it is dragged)
//   3. the disabled-form layer
//   4. animated scaling on its worker thread
#include "forms/sSkinProviderMotion.h"

#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "forms/sMDIForm.h"
#include "forms/sSkinProvider.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/kvgpUtils.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"
#include "ui/ScopeGuard.h"

#include <cmath>
#include <optional>
#include <utility>

namespace {

// ---- 1. Own move and size frame --------------------------------------------------------------

// One drag runs at a time: its outline, the reference mouse point and the desktop DC it draws on.
struct TkvOwnFrameDrag {
  TkvOutline Outline;  // while moving only Left and Top count
  Integer nX = 0, nY = 0;
  Integer nDirection = 0;
  Integer nMinHeight = 0, nMinWidth = 0;
  Integer nDC = 0;
  bool bMode = false;  // True while moving, False while sizing
  HWND deskwnd = nullptr;
  HDC formDC = nullptr;
};
TkvOwnFrameDrag gDrag;

bool OwnFrameActive(TsSkinProvider* sp) { return sp->FResizeMode == rmBorder && sp->Form && sp->Form->Enabled(); }

void ReleaseDesktopDC() {
  if (!gDrag.formDC) return;
  RestoreDC(gDrag.formDC, gDrag.nDC);
  ReleaseDC(gDrag.deskwnd, gDrag.formDC);
  gDrag.formDC = nullptr;
}

TPoint MessagePoint(const TMessage& m) {
  return TPoint(static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam)));
}

}  // namespace

void TsSkinProvider::DrawFormBorder(Integer x, Integer y) {
  if (FResizeMode != rmBorder || !gDrag.formDC) return;
  // An MDI child's place is relative to its main form's client area; the outline is drawn on
  // the desktop.
  Integer dx = 0, dy = 0;
  if (Form->FormStyle() == fsMDIChild && MDISkinProvider && MDISkinProvider->Form &&
      MDISkinProvider->Form->HandleAllocated()) {
    TsSkinProvider* p = MDISkinProvider;
    TForm* pf = p->Form;
    const HWND ph = pf->WindowHandle();
    dx = SysBorderWidth(ph, nullptr, true) + pf->Left() + pf->BorderWidth() + 1;
    dy = 2 * SysBorderHeight(ph, nullptr, true) + pf->Top() + p->CaptionHeight(true) +
         p->LinesCount() * p->MenuHeight() + pf->BorderWidth() - 2;
  }
  const Integer w = Form->Width(), h = Form->Height();
  POINT pts[5];
  if (gDrag.bMode) {
    x += dx;
    y += dy;
    pts[0] = {x, y};
    pts[1] = {x, y + h};
    pts[2] = {x + w, y + h};
    pts[3] = {x + w, y};
  } else {
    const TkvOutline& o = gDrag.Outline;
    pts[0] = {o.Left + dx, o.Top + dy};
    pts[1] = {o.Left + dx, o.Bottom + dy};
    pts[2] = {o.Right + dx, o.Bottom + dy};
    pts[3] = {o.Right + dx, o.Top + dy};
  }
  pts[4] = pts[0];
  Polyline(gDrag.formDC, pts, 5);
}

void TsSkinProvider::StartMove(Integer x, Integer y) {
  if (!OwnFrameActive(this)) return;
  bInProcess = true;
  ReleaseDesktopDC();
  gDrag.deskwnd = GetDesktopWindow();
  gDrag.formDC = GetWindowDC(gDrag.deskwnd);
  gDrag.nDC = SaveDC(gDrag.formDC);
  gDrag.Outline.Top = Form->Top();
  gDrag.Outline.Left = Form->Left();
  SetROP2(gDrag.formDC, R2_NOT);
  if (!gDrag.bMode) {
    gDrag.nMinHeight = Form->Constraints()->MinHeight();
    gDrag.nMinWidth = Form->Constraints()->MinWidth();
    gDrag.Outline.Bottom = Form->Top() + Form->Height();
    gDrag.Outline.Right = Form->Left() + Form->Width();
    DrawFormBorder(0, 0);
  } else {
    gDrag.nX = x;
    gDrag.nY = y;
    DrawFormBorder(gDrag.Outline.Left, gDrag.Outline.Top);
  }
}

void TsSkinProvider::StopMove(Integer, Integer) {
  if (FResizeMode != rmBorder) return;
  ReleaseCapture();
  bInProcess = false;
  const HWND h = FormWnd(this);
  const TkvOutline o = gDrag.Outline;
  if (gDrag.bMode) {
    DrawFormBorder(o.Left, o.Top);
    ReleaseDesktopDC();
    if (h) MoveWindow(h, o.Left, o.Top, Form->Width(), Form->Height(), TRUE);
  } else {
    DrawFormBorder(0, 0);
    ReleaseDesktopDC();
    // A press and release without a move in between leaves the size alone.
    if (!bCapture && h) MoveWindow(h, o.Left, o.Top, o.Right - o.Left, o.Bottom - o.Top, TRUE);
  }
  bCapture = false;
}

bool TsSkinProvider::OwnFrameSysCommand(TMessage& m) {
  const Cardinal cmd = Cardinal(m.WParam) & 0xFFF0;
  if (!OwnFrameActive(this) || bInProcess || (cmd != SC_MOVE && cmd != SC_SIZE)) return false;
  if (const HWND h = FormWnd(this)) SetCapture(h);
  bCapture = true;
  gDrag.bMode = cmd == SC_MOVE;
  // The border being sized comes with the command (a press on a border sends it so).
  if (cmd == SC_SIZE) gDrag.nDirection = SizeDirectionOfCommand(m.WParam);
  m.Result = 0;
  return true;
}

bool TsSkinProvider::OwnFrameNCLButtonDown(TMessage& m, Integer ht) {
  BOOL fullDrag = FALSE;
  SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &fullDrag, 0);
  UpdateSlaveFormsList();
  if (!fullDrag) return false;
  const HWND h = FormWnd(this);
  if (OwnFrameActive(this) && ht != HTMENU && h) {
    const bool sizing = IsSizingHitCode(ht);
    gDrag.bMode = !sizing;
    TrySendMessage(h, WM_SYSCOMMAND, sizing ? SC_SIZE | SizeCommandBits(ht) : SC_MOVE, 0);
    const TPoint p = MessagePoint(m);
    StartMove(p.X, p.Y);
    return true;
  }
  DuRiruZireziv* manager = SkinManager();
  if (ht == HTCAPTION && Form->FormStyle() != fsMDIChild && manager && manager->AnimEffects.BlendOnMoving.Active &&
      !IsIconicForm() && FAllowBlendOnMoving) {
    StartMoveForm();
    return true;
  }
  return false;
}

void TsSkinProvider::OwnFrameMouseMove(TMessage& m) {
  if (!OwnFrameActive(this)) return;
  const HWND h = FormWnd(this);
  if (!h) return;
  POINT pt{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
  ClientToScreen(h, &pt);
  TkvOutline& o = gDrag.Outline;
  if (!gDrag.bMode) {
    if (bCapture) {
      gDrag.nX = pt.x;
      gDrag.nY = pt.y;
      bCapture = false;
    }
    if (!bInProcess) return;
    DrawFormBorder(0, 0);
    const TRect form(Form->Left(), Form->Top(), Form->Left() + Form->Width(), Form->Top() + Form->Height());
    SizeOutline(o, form, gDrag.nDirection, pt.x - gDrag.nX, pt.y - gDrag.nY, gDrag.nMinWidth, gDrag.nMinHeight);
    DrawFormBorder(0, 0);
  } else {
    bCapture = false;
    if (!bInProcess) return;
    DrawFormBorder(o.Left, o.Top);
    o.Left += pt.x - gDrag.nX;
    o.Top += pt.y - gDrag.nY;
    gDrag.nX = pt.x;
    gDrag.nY = pt.y;
    DrawFormBorder(o.Left, o.Top);
  }
}

void TsSkinProvider::OwnFrameRelease(TMessage& m, bool clientPoint) {
  if (FResizeMode != rmBorder || !bInProcess) return;
  POINT pt{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
  if (clientPoint)
    if (const HWND h = FormWnd(this)) ClientToScreen(h, &pt);
  StopMove(pt.x, pt.y);
  ReleaseCapture();
  bInProcess = false;
}

void TsSkinProvider::StartMoveForm() {
  if (!FormActive) {
    FormActive = true;
    FCommonData->BGChanged = true;
  }
  if (Form->CanFocus())
    if (const HWND h = FormWnd(this)) SetFocus(h);
  StartBlendOnMoving(this, true);
}

// ---- 2. Blend on moving ----------------------------------------------------------------------

void TkvMoveTimer::TimeHandler() {
  const Byte alpha = Byte(std::lround(CurrentBlendValue));
  // A dialog's fade has no provider: its border object is the one it was given.
  TkvBorderForm* border = sp ? sp->BorderForm.get() : dynamic_cast<TkvBorderForm*>(BorderForm);
  if (border && border == BorderForm) {
    // The border window shows the whole form while the form itself is transparent.
    if (const HWND bw = border->LayeredWindow(); bw && border->SkinData && border->SkinData->FCacheBmp)
      SetFormBlendValue(bw, border->SkinData->FCacheBmp.get(), alpha, nullptr);
  } else if (FormHandle) {
    const LONG ex = GetWindowLongW(FormHandle, GWL_EXSTYLE);
    if (!(ex & WS_EX_LAYERED)) SetWindowLongW(FormHandle, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    SetLayeredWindowAttributes(FormHandle, 0, alpha, LWA_ALPHA);
    SendAMessage(FormHandle, KV_UPDATEITEMSALPHA, alpha);
  }
  if (sp && sp->Form)
    for (const TkvFormsCouple& c : std::vector<TkvFormsCouple>(GluedArray))
      if (c.Master == sp->Form && c.Slave && c.Slave->HandleAllocated())
        SendAMessage(c.Slave->WindowHandle(), KV_SETALPHA, alpha);
  CurrentBlendValue = BlendOnMovingNext(CurrentBlendValue, BlendValue, BlendStep);
}

void StartBlendOnMoving(TsSkinProvider* sp, bool toMove) {
  if (sp->FormState() & FS_BLENDMOVING) return;
  sp->UpdateSlaveFormsList();
  DuRiruZireziv* manager = sp->SkinManager();
  if (!manager || !manager->AnimEffects.BlendOnMoving.Active) return;
  const HWND h = FormWnd(sp);
  if (!h) return;
  sp->SetFormState(sp->FormState() | FS_BLENDMOVING);
  SendAMessage(h, KV_UPDATEFLOATBITMAPS);
  auto* timer = TkvThreadedTimer::CreateOwned<TkvMoveTimer>(sp, true);
  sp->FormTimer.reset(timer);
  TForm* form = sp->Form;
  timer->CurrentBlendValue = form->AlphaBlend() ? form->AlphaBlendValue() : 255.0;
  timer->BorderForm = sp->OuterBorder();
  timer->FormHandle = h;
  timer->sp = sp;
  timer->BlendValue = sp->FAllowBlendOnMoving ? manager->AnimEffects.BlendOnMoving.BlendValue : 255;
  timer->BlendStep = BlendOnMovingStep(timer->BlendValue, manager->AnimEffects.BlendOnMoving.Time);
  timer->SetInterval(kvBlendMoveInterval);
  if (TkvBorderForm* border = sp->BorderForm.get()) {
    // The border window, showing the whole form, is what moves; the form waits transparent
    // behind it and jumps to the drop point at the end.
    SendAMessage(h, KV_KILLTIMERS);
    border->UpdateExBordersPos(false, 255);
    if (form->AlphaBlend()) SetLayeredWindowAttributes(h, 0, 0, LWA_ALPHA);
    border->ExBorderShowing = true;
    const HWND bw = border->LayeredWindow();
    if (bw) SetWindowPos(h, bw, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    SetFormBlendValue(h, nullptr, 0, nullptr);
    timer->SetEnabled(true);
    if (!toMove || !bw) return;
    border->LastTopLeft = TPoint(-1, -1);
    TrySendMessage(bw, WM_SYSCOMMAND, SC_DRAGMOVE, 0);
    // The border object may have gone with the move loop.
    if (TkvBorderForm* after = sp->BorderForm.get(); after == border) {
      after->MovRgnChanged = false;
      // A window dragged above the screen is put back where the loop last placed it.
      if (IsWinVistaUp() && after->LastTopLeft.X != -1 && after->LastTopLeft.Y != -1 && after->LastTopLeft.Y < 0)
        if (const HWND w = after->LayeredWindow())
          SetWindowPos(w, nullptr, after->LastTopLeft.X, after->LastTopLeft.Y, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    FinishBlendOnMoving(sp, nullptr);
    return;
  }
  // The form turns layered under a snapshot, so the switch does not show.
  std::unique_ptr<TkvGlowForm> cover;
  if (!form->AlphaBlend()) {
    cover.reset(MakeCoverForm(h, sp, false, nullptr));
    const LONG ex = GetWindowLongW(h, GWL_EXSTYLE);
    if (!(ex & WS_EX_LAYERED)) SetWindowLongW(h, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    SetLayeredWindowAttributes(h, 0, 255, LWA_ALPHA);
    RedrawWindow(h, nullptr, nullptr,
                 RDW_ERASE | RDW_FRAME | RDW_INTERNALPAINT | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (cover) ShowWindow(cover->Handle(), SW_HIDE);
  }
  timer->SetEnabled(true);
  if (toMove) {
    TrySendMessage(h, WM_SYSCOMMAND, SC_DRAGMOVE, 0);
    FinishBlendOnMoving(sp, cover.get());
  }
}

namespace {

// The end of a blended move of a form with an outer border: the form jumps to where the border
// window was dropped and is opaque again behind it.
void FinishBorderBlendMove(TsSkinProvider* sp, TkvBorderForm& border) {
  TForm* form = sp->Form;
  const HWND h = FormWnd(sp);
  const HWND bw = border.LayeredWindow();
  if (border.SkinData && border.SkinData->FCacheBmp)
    SetFormBlendValue(bw, border.SkinData->FCacheBmp.get(), form->AlphaBlend() ? form->AlphaBlendValue() : 255,
                      nullptr);
  const TRect shadow = border.ShadowSize();
  const Integer y =
      sp->FSysExHeight ? SysBorderWidth(h, &border, false) + shadow.Top + DiffTitle(&border) : border.OffsetY();
  RECT br{};
  GetWindowRect(bw, &br);
  SetWindowPos(h, nullptr, br.left + border.OffsetX(), br.top + y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
  sp->SetFormState(sp->FormState() & ~FS_BLENDMOVING);
  SendAMessage(h, KV_UPDATEFLOATITEMS);
  if (form->AlphaBlend()) {
    border.ExBorderShowing = false;
    border.UpdateExBordersPos(true, 255);
    SetLayeredWindowAttributes(h, 0, form->AlphaBlendValue(), LWA_ALPHA);
  } else {
    SetWindowPos(h, bw, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) & ~WS_EX_LAYERED);
  }
  sp->FCommonData->BGChanged = true;
  RedrawWindow(h, nullptr, nullptr,
               RDW_ERASE | RDW_FRAME | RDW_INTERNALPAINT | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  // The form's own pixels reach the screen before it goes on top of its picture.
  Sleep(20);
  SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (AeroIsEnabled() && form->Menu()) sp->ProcessMessage(WM_NCPAINT);
  if (TkvBorderForm* still = sp->BorderForm.get()) {
    still->ExBorderShowing = false;
    still->UpdateExBordersPos(true, 255);
  }
  // Dropped with the cursor on the top of the work area: a form that can be maximized is.
  const TPoint cursor = kvMousePos();
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  const POINT pt{cursor.X, cursor.Y};
  if (GetMonitorInfoW(MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), &mi) && cursor.Y == mi.rcWork.top &&
      IsSizeBox(h) && form->BorderIcons().Contains(biMaximize))
    form->SetWindowState(wsMaximized);
}

}  // namespace

void FinishBlendOnMoving(TsSkinProvider* sp, TkvGlowForm* coverForm) {
  if (sp->bFlag1) return;
  const auto guard = SetForScope(sp->bFlag1, true);
  TForm* form = sp->Form;
  const HWND h = FormWnd(sp);
  TkvBorderForm* border = sp->BorderForm.get();
  const bool throughBorder = h && border && border->LayeredWindow();
  if (throughBorder) {
    FinishBorderBlendMove(sp, *border);
  } else if (h) {
    if (form->AlphaBlend()) {
      SetLayeredWindowAttributes(h, 0, form->AlphaBlendValue(), LWA_ALPHA);
      SendAMessage(h, KV_UPDATEITEMSALPHA, form->AlphaBlendValue());
    } else {
      // A snapshot hides the moment the form stops being layered.
      std::unique_ptr<TkvGlowForm> own;
      if (!coverForm) {
        own.reset(MakeCoverForm(h, sp, false, nullptr));
        coverForm = own.get();
      } else {
        SetWindowPos(coverForm->Handle(), HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
      }
      SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) & ~WS_EX_LAYERED);
      UpdateWindow(h);
      if (sp->FormTimer) sp->FormTimer->SetEnabled(false);
      RedrawWindow(h, nullptr, nullptr,
                   RDW_ERASE | RDW_FRAME | RDW_INTERNALPAINT | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      if (coverForm) ShowWindow(coverForm->Handle(), SW_HIDE);
    }
  }
  sp->SetFormState(sp->FormState() & ~FS_BLENDMOVING);
  if (h && !throughBorder) {
    SendAMessage(h, KV_UPDATEITEMSALPHA, 255);
    SendAMessage(h, KV_UPDATEFLOATITEMS);
  }
  for (const TkvFormsCouple& c : std::vector<TkvFormsCouple>(GluedArray))
    if (c.Master == form && c.Slave && c.Slave->HandleAllocated() && IsWindowVisible(c.Slave->WindowHandle()))
      SendAMessage(c.Slave->WindowHandle(), KV_SETALPHA, 255);
  if (auto* timer = dynamic_cast<TkvMoveTimer*>(sp->FormTimer.get())) {
    timer->CurrentBlendValue = 255.0;
    sp->FormTimer.reset();
  }
}

// ---- 3. Disabled-form layer ------------------------------------------------------------------

void TsSkinProvider::SetDisabledBlendValue(Byte value) {
  if (value == FDisabledBlendValue) return;
  FDisabledBlendValue = value;
  if (!IsDesigning()) UpdateLayerForm();
}

void TsSkinProvider::SetDisabledBlendColor(TColor value) {
  if (value == FDisabledBlendColor) return;
  FDisabledBlendColor = value;
  if (!IsDesigning()) UpdateLayerForm();
}

void TsSkinProvider::KV_CMEnabledChanged(TMessage& m) {
  PassOn(m);
  if (!CanDrawNCArea()) return;
  // The border window takes the mouse for the frame: a disabled form's frame takes none.
  if (BorderForm)
    if (const HWND bw = BorderForm->LayeredWindow()) EnableWindow(bw, Form->Enabled());
  if (FDisabledBlendValue < 255 || FDisabledBlured) {
    SetFormState(Form->Enabled() ? FFormState & ~FS_DISABLED : FFormState | FS_DISABLED);
    UpdateLayerForm();
  }
  FCommonData->BGChanged = true;
  ProcessMessage(WM_NCPAINT);
  if (BorderForm) BorderForm->UpdateExBordersPos(true, 255);
}

void TsSkinProvider::UpdateLayerForm() {
  const HWND h = FormWnd(this);
  if (!h || Form->Enabled() || !IsWindowVisible(h)) {
    LayerForm.reset();
    return;
  }
  FormActive = false;
  FCommonData->BGChanged = true;
  if (BorderForm)
    BorderForm->UpdateExBordersPos(true, 255);
  else
    ProcessMessage(WM_NCPAINT);
  FCommonData->BGChanged = true;
  std::unique_ptr<TBitmap> image = ::GetFormImage(this, false);
  if (!image) return;
  if (!LayerForm) {
    LayerForm = std::make_unique<TkvGlowForm>(nullptr);
    LayerForm->AfterConstruction();
    LayerForm->SetName(Form->Name() + u"LayerForm");
    LayerForm->SetColor(0);
    LayerForm->HandleNeeded();
    const HWND lh = LayerForm->Handle();
    SetWindowLongW(lh, GWL_EXSTYLE, GetWindowLongW(lh, GWL_EXSTYLE) | WS_EX_LAYERED);
  }
  // The layer lies where the picture lies: over the border window (the picture is its image)
  // or over the form itself. Cut to the captionless client's size it would leave the client's
  // right and bottom undimmed, so it always takes the whole picture; what lies outside the
  // form's body is cleared below.
  RECT wr{};
  GetWindowRect(h, &wr);
  TPoint pos(wr.left, wr.top);
  if (BorderForm) {
    const HWND border = BorderForm->LayeredWindow();
    RECT br{};
    if (border && GetWindowRect(border, &br))
      pos = TPoint(br.left, br.top);
    else
      pos = TPoint(wr.left - BorderForm->OffsetX(), wr.top - BorderForm->OffsetY());
  }
  // The form's body in the picture: the captionless client, or the part inside the shadow.
  const TRect whole(0, 0, image->Width(), image->Height());
  std::optional<TRect> body;
  if (FUWPMode) {
    body = UWPClientRect();
  } else if (BorderForm) {
    const TRect shadow = ShadowSize();
    body = TRect(shadow.Left, shadow.Top, whole.Right - shadow.Right, whole.Bottom - shadow.Bottom);
  }
  if (FDisabledBlendValue > 0)
    BlendTransBitmap(image.get(), Byte(255 - FDisabledBlendValue),
                     TColor(DisabledLayerColor(uint32_t(ColorToRGB(FDisabledBlendColor)), FDisabledBlendValue)));
  if (FDisabledBlured) {
    // The blur draws the body's edge towards the skin's main colour, not towards black.
    if (body && SkinManager()) FillRect32Excl(image.get(), whole, *body, SkinManager()->Palette[pcMainColor], 0);
    kvgpBlur(image.get(), 20);
  }
  if (body) FillRect32Excl(image.get(), whole, *body, 0, 0);
  const HWND lh = LayerForm->Handle();
  SetWindowPos(lh, nullptr, pos.X, pos.Y, image->Width(), image->Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  SetFormBlendValue(lh, image.get(), 255, &pos);
  SetWindowPos(lh, HWND_TOP, pos.X, pos.Y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

// ---- 4. Animated scaling ---------------------------------------------------------------------

std::atomic<Integer> TkvScaleThread::alive_{0};

TkvScaleThread::TkvScaleThread() : TThread(true), timeEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) { ++alive_; }

TkvScaleThread::~TkvScaleThread() {
  // Free (BeforeDestruction) has stopped the loop already.
  if (timeEvent_) CloseHandle(timeEvent_);
  --alive_;
}

Integer TkvScaleThread::Alive() { return alive_; }

void TkvScaleThread::Wake() {
  Terminate();
  if (timeEvent_) SetEvent(timeEvent_);
}

void TkvScaleThread::Execute() {
  while (!Terminated()) {
    if (WaitForSingleObject(timeEvent_, kvScaleInterval) != WAIT_TIMEOUT) break;
    if (Terminated() || (Application && Application->Terminated())) break;
    Synchronize([this] { DoTimer(); });
  }
}

void TkvScaleThread::DoTimer() {
  if (!Terminated()) FOnTimer.Call(nullptr);
}

void TsSkinProvider::AnimChangeScale(Integer newPPI, bool doRecreate) {
  const HWND h = FormWnd(this);
  if (!AllowScale || !h || newPPI <= 0) return;
  // One scale change at a time: a running one stops first.
  StopScaleThread();
  auto* thread = new TkvScaleThread();
  thread->AfterConstruction();
  FScaleThread = thread;
  thread->CanRecreate = doRecreate;
  thread->OldPPI = GetPPI(FCommonData.get());
  SetFormState(FFormState | FS_SCALING);
  SendAMessage(h, KV_UPDATEFLOATITEMS);
  HWND coverWnd = nullptr;
  TkvBorderForm* border = BorderForm.get();
  if (border && border->LayeredWindow() && FCommonData->FCacheBmp) {
    // The border window already shows the whole form: it is the cover, frozen meanwhile.
    coverWnd = border->LayeredWindow();
    thread->CoverIsBorder = true;
    border->Locked = true;
    SetBlurBehindWindow(coverWnd, false, nullptr);
    thread->SrcBmp = std::make_unique<TBitmap>(0, 0, pf32bit);
    CopyBmp(thread->SrcBmp.get(), FCommonData->FCacheBmp.get());
    // The client as the screen shows it now.
    const Integer cw = GetClientWidth(h), ch = GetClientHeight(h);
    RECT wr{};
    GetWindowRect(h, &wr);
    const TPoint client = FUWPMode ? TPoint(wr.left, wr.top)
                                   : TPoint(wr.left + SysBorderWidth(h, border, false),
                                            wr.top + SysBorderHeight(h, border, false) + SysCaptHeight(this));
    {
      TCanvasLock lock(*thread->SrcBmp->Canvas());
      const HDC screen = GetDC(nullptr);
      BitBlt(thread->SrcBmp->Canvas()->Handle(), border->OffsetX(), border->OffsetY(), cw, ch, screen, client.X,
             client.Y, SRCCOPY);
      ReleaseDC(nullptr, screen);
    }
    FillAlphaRect(thread->SrcBmp.get(),
                  TRect(border->OffsetX(), border->OffsetY(), border->OffsetX() + cw, border->OffsetY() + ch), 255,
                  clNone);
    SetFormBlendValue(coverWnd, thread->SrcBmp.get(), 255, nullptr);
  } else {
    thread->ThreadCoverForm.reset(MakeCoverForm(h, this, false, nullptr));
    TkvGlowForm* cover = thread->ThreadCoverForm.get();
    if (!cover || !cover->AlphaBmp) {
      SetFormState(FFormState & ~FS_SCALING);
      StopScaleThread();
      return;
    }
    coverWnd = cover->Handle();
    thread->SrcBmp = std::make_unique<TBitmap>(0, 0, pf32bit);
    CopyBmp(thread->SrcBmp.get(), cover->AlphaBmp);
  }
  SetWindowRgn(coverWnd, nullptr, TRUE);
  ShowWindow(coverWnd, SW_SHOWNOACTIVATE);
  const LONG ex = GetWindowLongW(h, GWL_EXSTYLE);
  if (!(ex & WS_EX_LAYERED)) SetWindowLongW(h, GWL_EXSTYLE, ex | WS_EX_LAYERED);
  SetLayeredWindowAttributes(h, 0, 0, LWA_ALPHA);
  const Integer w = thread->SrcBmp->Width(), hh = thread->SrcBmp->Height();
  thread->NewBoundsRect = TRect(0, 0, w * newPPI / thread->OldPPI, hh * newPPI / thread->OldPPI);
  thread->NewAlphaBmp = std::make_unique<TBitmap>(w, hh, pf32bit);
  RECT cr{};
  GetWindowRect(coverWnd, &cr);
  thread->p = TPoint(cr.left, cr.top);
  thread->FOnTimer = TNotifyEvent(this, &TsSkinProvider::OnScaleTimer);
  thread->Start();
}

void TsSkinProvider::StopScaleThread() {
  TkvScaleThread* t = std::exchange(FScaleThread, nullptr);
  if (!t) return;
  // A border window frozen as the cover follows the form again.
  if (t->CoverIsBorder && BorderForm) BorderForm->Locked = false;
  t->Wake();
  // Free waits for the loop; a step it still hands over finds the thread terminated.
  t->Free();
}

void TsSkinProvider::OnScaleTimer(TObject*) {
  TkvScaleThread* t = FScaleThread;
  if (!t || t->Terminated() || !t->NewAlphaBmp) return;
  TkvBorderForm* border = t->CoverIsBorder ? BorderForm.get() : nullptr;
  const HWND cover = border ? border->LayeredWindow() : t->ThreadCoverForm ? t->ThreadCoverForm->Handle() : nullptr;
  if (!cover) return;
  const TSize target(t->NewBoundsRect.Right, t->NewBoundsRect.Bottom);
  const TSize current(t->NewAlphaBmp->Width(), t->NewAlphaBmp->Height());
  if (!ScaleReached(current, target)) {
    const TSize next = ScaleStepSize(current, target);
    t->NewAlphaBmp->SetSize(next.cx, next.cy);
    FillDC(t->NewAlphaBmp->Canvas()->Handle(), MkRect(next.cx, next.cy), 0);
    kvgpStretchRect(t->NewAlphaBmp.get(), t->SrcBmp.get(), MkRect(next.cx, next.cy),
                    MkRect(t->SrcBmp->Width(), t->SrcBmp->Height()));
    SetWindowPos(cover, nullptr, t->p.X, t->p.Y, next.cx, next.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    TPoint pos = t->p;
    SetFormBlendValue(cover, t->NewAlphaBmp.get(), 255, &pos);
    return;
  }
  if (DuRiruZireziv* manager = SkinManager(); manager && manager->ManagerState.Contains(msScaleChanging)) return;
  const HWND h = FormWnd(this);
  if (border && h) {
    // The form's place inside the border's picture, as after a blended move.
    const TRect shadow = border->ShadowSize();
    t->DeltaX = border->OffsetX();
    t->DeltaY = FSysExHeight ? SysBorderWidth(h, border, false) + shadow.Top + DiffTitle(border) : border->OffsetY();
  }
  // A fresh picture of the form at its new size hides the form's own repaint and the recreation
  // of its window below.
  std::unique_ptr<TkvGlowForm> fresh;
  if (h) {
    SetWindowPos(h, nullptr, t->p.X + t->DeltaX, t->p.Y + t->DeltaY, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    fresh.reset(MakeCoverForm(h, this, false, nullptr));
    SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) & ~WS_EX_LAYERED);
  }
  if (border) {
    border->Locked = false;
    FCommonData->BGChanged = true;
    border->ExBorderShowing = false;
    border->UpdateExBordersPos(true, 255);
    t->SrcBmp.reset();
  } else {
    ShowWindow(cover, SW_HIDE);
    t->ThreadCoverForm.reset();
  }
  t->CoverIsBorder = false;
  SetFormState(FFormState & ~FS_SCALING);
  t->NewAlphaBmp.reset();
  if (t->CanRecreate && IsWin10Up() && h) {
    // The system's blur of the form belongs to its window: a new window takes it again.
    Form->Perform(CM_RECREATEWND, 0, 0);
    if (FSystemBlur) FSystemBlur->UpdateBlurMode(true);
  }
  const HWND now = FormWnd(this);
  if (now) SendAMessage(now, KV_UPDATEFLOATITEMS);
  // A transparent form's controls show the form's new picture through them.
  if (FCommonData->TranspMode != 0 && now) RedrawWindow(now, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  fresh.reset();
  // The loop ends; the provider frees the thread with the next change or when it goes.
  t->Wake();
}
