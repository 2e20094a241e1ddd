// The show animation of a repainted form and the flight of a text hint into its bound label.
// Both run synchronously on the GUI thread; their frames wait on the application's clock.
//
// Sections: 1. frame waits; 2. the show animation (in a layered window, or without layered
// windows in a plain cover); 3. the text hint flight.
#include "controls/kvAnimationShow.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "base/WindowQueries.h"
#include "base/WorkingBitmaps.h"
#include "base/kvntTypes.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "paint/sGraphUtils.h"
#include "raster/GdiBitmaps.h"
#include "raster/Pixels.h"
#include "raster/Text.h"
#include "skin/FormServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Clock.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"

// ---- 1. Frame waits --------------------------------------------------------------------------------

uint64_t AnimationNow() { return (Application ? Application->Clock() : SystemClock()).NowMs(); }

void WaitFrameFrom(uint64_t since, Integer frameTime) {
  TClock& clock = Application ? Application->Clock() : SystemClock();
  while (clock.NowMs() - since < uint64_t(std::max<Integer>(frameTime, 0))) Sleep(0);
}

// ---- 2. The show animation -------------------------------------------------------------------------

namespace {

constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;
constexpr UINT kQuietPlace = SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;

BLENDFUNCTION BlendOf(Byte alpha) { return BLENDFUNCTION{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA}; }

// The control's redraw back on, and the whole of it redrawn.
void UnlockAndRedraw(TWinControl* ctrl, Integer maxTransparency) {
  if (auto* form = dynamic_cast<TForm*>(ctrl); form && form->AlphaBlend())
    form->SetAlphaBlendValue(Byte(std::clamp<Integer>(maxTransparency, 0, 255)));
  HWND wnd = ctrl->WindowHandle();
  SendMessageW(wnd, WM_SETREDRAW, 1, 0);
  RedrawWindow(wnd, nullptr, nullptr, kRedrawAll);
}

TkvIterationData IterationOf(TWinControl* ctrl, const TRect& outRect, TBitmap* to, TBitmap* out, Integer blend) {
  TkvIterationData data;
  data.OutRect = outRect;
  data.Ctrl = ctrl;
  data.BmpTo = to;
  data.BmpOut = out;
  data.Blend = blend;
  return data;
}

// Where the window that plays the show goes in the z-order: right above the form (topmost with
// a topmost form).
HWND PlaceAbove(HWND wnd) {
  if (GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) return HWND_TOPMOST;
  HWND above = GetWindow(wnd, GW_HWNDPREV);
  return above ? above : HWND_TOP;
}

// A layered cover of the form without an outer border: the form's own shape, the picture opaque.
std::unique_ptr<TkvGlowForm> NewCover(TkvFormProvider* provider, HWND wnd) {
  std::unique_ptr<TkvGlowForm> cover(new TkvGlowForm(nullptr));
  cover->AfterConstruction();
  if (GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) cover->SetFormStyle(fsStayOnTop);
  HWND coverWnd = cover->Handle();
  SetWindowLongW(coverWnd, GWL_EXSTYLE, GetWindowLongW(coverWnd, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_NOACTIVATE);
  // The picture is opaque in the skin's transparent corners: the region cuts them away.
  provider->FillArOR();
  if (HRGN shape = provider->GetRgnFromArOR(0, 0)) {
    if (!SetWindowRgn(coverWnd, shape, FALSE)) DeleteObject(shape);  // the window owns it once set
  }
  return cover;
}

// The show in a layered window: the form's new picture (with an outer border, the border's
// whole picture with its shadow, in a fresh border window while the old one fades out).
void ShowLayered(TWinControl* ctrl, TkvFormProvider* provider, Word wTime, Integer maxTransparency,
                 const TkvIterationProc& doIteration, TkvAnimTypeCtrl animType) {
  HWND wnd = ctrl->WindowHandle();
  TkvBorderWindow* border = provider->OuterBorder();
  // The border's old look, faded out while the new one comes: the snapshot taken before the
  // change, or what its picture holds.
  std::unique_ptr<TBitmap> oldLook;
  if (border) {
    oldLook = std::move(provider->Snapshot());
    TsCommonData* sd = provider->SkinData();
    if (!oldLook && sd && sd->FCacheBmp && !sd->FCacheBmp->Empty()) {
      oldLook.reset(CreateBmp32(sd->FCacheBmp->Width(), sd->FCacheBmp->Height()));
      CopyPixels(oldLook->View(), 0, 0, sd->FCacheBmp->View(), TRect(0, 0, oldLook->Width(), oldLook->Height()));
    }
  }
  std::unique_ptr<TBitmap> picture = provider->GetFormImage();
  if (!picture || picture->Width() <= 0 || picture->Height() <= 0) {
    // Nothing to fade in: the control simply shows its new look.
    InAnimationProcess = false;
    UnlockAndRedraw(ctrl, maxTransparency);
    return;
  }
  const Integer w = picture->Width(), h = picture->Height();
  if (!border) {
    // The form covers what lies below it: its picture is opaque.
    const TPixelView v = picture->View();
    for (Integer y = 0; y < v.Height; ++y)
      for (uint32_t* p = v.Row(y); p != v.Row(y) + v.Width; ++p) *p |= 0xFF000000u;
  }
  const std::vector<TkvFormShowFrame> frames = FormShowFrames(animType, w, h, wTime, maxTransparency);
  std::unique_ptr<TBitmap> frame(CreateBmp32(w, h));
  FillRect32(frame->View(), TRect(0, 0, w, h), 0, 0);

  RECT formRect{};
  GetWindowRect(wnd, &formRect);
  TPoint pos(formRect.left, formRect.top);
  // With an outer border the old border window is put aside and a fresh one plays the show: its
  // picture reaches beyond the form by the shadow and the frame, so it lies that much up-left.
  std::unique_ptr<TkvGlowForm> oldBorder, cover;
  HWND showWnd = nullptr;
  if (border) {
    if (!border->LayeredWindow()) border->CreateNewForm();
    oldBorder = border->ReleaseLayeredForm();
    border->CreateNewForm();
    showWnd = border->LayeredWindow();
    if (showWnd) {
      pos = TPoint(formRect.left - border->OffsetX(), formRect.top - border->OffsetY());
      SetWindowRgn(showWnd, nullptr, FALSE);
    }
  }
  if (!showWnd) {
    cover = NewCover(provider, wnd);
    showWnd = cover->Handle();
  }
  TSize size(w, h);
  BLENDFUNCTION blend = BlendOf(Byte(frames.empty() ? std::clamp<Integer>(maxTransparency, 0, 255) : 0));
  UpdateLayeredWnd(showWnd, picture.get(), &size, &blend, &pos);
  SetWindowPos(showWnd, PlaceAbove(wnd), pos.X, pos.Y, 0, 0, kQuietPlace | SWP_NOSIZE | SWP_SHOWWINDOW);
  ShowWindow(showWnd, SW_SHOWNOACTIVATE);

  // The old border window keeps its place and shows the old look ever fainter.
  HWND oldWnd = oldBorder && oldBorder->HandleAllocated() && oldLook ? oldBorder->WindowHandle() : nullptr;
  RECT oldRect{};
  if (oldWnd) GetWindowRect(oldWnd, &oldRect);
  TSize oldSize(oldLook ? oldLook->Width() : 0, oldLook ? oldLook->Height() : 0);
  TPoint oldPos(oldRect.left, oldRect.top);
  for (const TkvFormShowFrame& f : frames) {
    const uint64_t began = AnimationNow();
    DrawFormShowFrame(frame->View(), picture->View(), f);
    blend = BlendOf(f.Alpha);
    UpdateLayeredWnd(showWnd, frame.get(), &size, &blend, nullptr);
    if (oldWnd) {
      BLENDFUNCTION fading = BlendOf(Byte(std::clamp<Integer>(maxTransparency - f.Alpha, 0, 255)));
      UpdateLayeredWnd(oldWnd, oldLook.get(), &oldSize, &fading, &oldPos);
    }
    if (doIteration) {
      TkvIterationData data =
          IterationOf(ctrl, TRect(pos.X, pos.Y, pos.X + w, pos.Y + h), picture.get(), frame.get(), f.Alpha);
      doIteration(data);
    }
    WaitFrameFrom(began);
  }
  InAnimationProcess = false;
  UnlockAndRedraw(ctrl, maxTransparency);
  if (border && !cover) {
    // The fresh window stays the border's own: its shape again, and its place after the form.
    SetWindowRgn(showWnd, border->MakeRgn(), FALSE);
    SetWindowPos(showWnd, wnd, pos.X, pos.Y, 0, 0, kQuietPlace | SWP_NOSIZE);
  }
  if (border && border->LayeredWindow()) border->UpdateExBordersPos(true, 255);
}

// The show without layered windows: the new look mixed into a plain cover window over the
// old one, a frame each 24 ms.
void ShowThroughCover(TWinControl* ctrl, Word wTime, Integer maxTransparency, const TkvIterationProc& doIteration,
                      TkvAnimTypeCtrl animType) {
  HWND wnd = ctrl->WindowHandle();
  const std::vector<TkvCoverFrame> frames = CoverShowFrames(animType, wTime, GetWndPPI(wnd));
  RECT r{};
  GetWindowRect(wnd, &r);
  const Integer w = r.right - r.left, h = r.bottom - r.top;
  if (frames.empty() || w <= 0 || h <= 0) {
    InAnimationProcess = false;
    UnlockAndRedraw(ctrl, maxTransparency);
    return;
  }
  // The old look as the screen shows it (the control's redraw is still off), the new one printed.
  std::unique_ptr<TBitmap> oldPicture(CreateBmp32(w, h)), newPicture(CreateBmp32(w, h)), frame(CreateBmp32(w, h));
  {
    const TWindowDC dc(wnd);
    if (dc) BitBlt(oldPicture->Canvas()->Handle(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
  }
  SkinPaintTo(newPicture.get(), ctrl);
  // The zooming blur zooms the visible children, placed in the window's pictures.
  std::vector<TRect> childRects;
  if (animType == atcBlur) {
    const TPoint client = ctrl->ClientOrigin();
    const Integer dx = client.X - r.left, dy = client.Y - r.top;
    for (Integer i = 0; i < ctrl->ControlCount(); ++i) {
      TControl* child = ctrl->Controls(i);
      if (!child || !child->Visible()) continue;
      const TRect b = child->BoundsRect();
      childRects.emplace_back(b.Left + dx, b.Top + dy, b.Right + dx, b.Bottom + dy);
    }
  }

  // The cover: a child of the control's parent brought to the front, or a popup right above a
  // form; ow holds it while it lives.
  std::unique_ptr<TOutputWindow> cover(new TOutputWindow(Application));
  cover->AfterConstruction();
  ow = cover.get();
  const TScopeExit coverGoes([] { ow = nullptr; });
  if (TWinControl* parent = ctrl->Parent()) {
    cover->SetParent(parent);
    cover->SetBounds(ctrl->Left(), ctrl->Top(), w, h);
    cover->SetVisible(true);
    cover->BringToFront();
  } else {
    cover->HandleNeeded();
    SetWindowPos(cover->WindowHandle(), PlaceAbove(wnd), r.left, r.top, w, h, kQuietPlace | SWP_SHOWWINDOW);
  }
  const HWND coverWnd = cover->WindowHandle();
  for (const TkvCoverFrame& f : frames) {
    const uint64_t began = AnimationNow();
    DrawCoverFrame(frame->View(), oldPicture->View(), newPicture->View(), f, childRects);
    {
      const TWindowDC dc(coverWnd);
      if (dc) BitBlt(dc, 0, 0, w, h, frame->Canvas()->Handle(), 0, 0, SRCCOPY);
    }
    if (doIteration) {
      TkvIterationData data =
          IterationOf(ctrl, TRect(r.left, r.top, r.right, r.bottom), newPicture.get(), frame.get(), 255 - f.OldWeight);
      doIteration(data);
    }
    WaitFrameFrom(began, kCoverFrameTime);
  }
  InAnimationProcess = false;
  UnlockAndRedraw(ctrl, maxTransparency);
}

}  // namespace

void AnimShowControl(TWinControl* ctrl, Word wTime, Integer maxTransparency, const TkvIterationProc& doIteration,
                     TkvAnimTypeCtrl animType) {
  if (!ctrl || !ctrl->HandleAllocated()) return;
  HWND wnd = ctrl->WindowHandle();
  // The window's own visibility is off while its redraw is locked: the control's is asked.
  if (!ctrl->Visible() || IsIconic(GetAncestor(wnd, GA_ROOT))) return;
  // Cleared however the animation ends.
  const auto animating = SetForScope(InAnimationProcess, true, false);
  TkvFormProvider* provider = dynamic_cast<TCustomForm*>(ctrl) ? GetFormProvider(wnd) : nullptr;
  if (provider && kvLayered())
    ShowLayered(ctrl, provider, wTime, maxTransparency, doIteration, animType);
  else
    ShowThroughCover(ctrl, wTime, maxTransparency, doIteration, animType);
}

// ---- 3. The text hint flight -------------------------------------------------------------------------

namespace {

// A white 32-bit picture of the text's size with the text in black: the flight's mask.
std::unique_ptr<TBitmap> TextMask(const TkvMoveTextData& d) {
  const Integer w = std::max<Integer>(d.R.Width(), 1), h = std::max<Integer>(d.R.Height(), 1);
  std::unique_ptr<TBitmap> mask(CreateBmp32(w, h));
  TCanvas* c = mask->Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clWhite);
  c->FillRect(TRect(0, 0, w, h));
  if (d.Font) c->Font()->Assign(d.Font);
  c->Font()->SetColor(clBlack);
  c->Brush()->SetStyle(bsClear);
  TRect r(0, 0, w, h);
  kvDrawText(c->Handle(), d.Text, r, d.Flags | DT_NOPREFIX);
  return mask;
}

uint32_t PixelOf(TColor rgb) {
  const Cardinal c = Cardinal(ColorToRGB(rgb));
  return ((c >> 16) & 0xFF) | (c & 0xFF00) | ((c & 0xFF) << 16) | 0xFF000000u;
}

// The screen rectangle of a control's client point (0, 0) moved by r.
TRect OnScreen(TControl* c, const TRect& r) {
  const TPoint o = c->ClientOrigin();
  return OffsRect(r, o.X, o.Y);
}

}  // namespace

void AnimMoveText(const TkvMoveTextData& src, const TkvMoveTextData& dst) {
  TControl* label = dst.Ctrl;
  const std::unique_ptr<TBitmap> from = TextMask(src), to = TextMask(dst);
  const Integer w = std::max(from->Width(), to->Width()), h = std::max(from->Height(), to->Height());
  const TPoint start(src.R.Left + (src.R.Width() - w) / 2, src.R.Top + (src.R.Height() - h) / 2);
  const TPoint target(dst.R.Left + (dst.R.Width() - w) / 2, dst.R.Top + (dst.R.Height() - h) / 2);
  if (label) {
    label->Perform(SM_ALPHACMD, TWParam(KV_SETBGCHANGED_HI | 1), 0);
    if (auto* win = dynamic_cast<TWinControl*>(label); win && win->HandleAllocated())
      RedrawWindow(win->WindowHandle(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    else
      label->Invalidate();
  }
  const std::vector<TkvFlightFrame> frames = TextFlightFrames(start, target);
  // Kept until the label shows, so that the text never vanishes in between.
  std::unique_ptr<TkvGlowForm> window;
  if (!frames.empty()) {
    window.reset(new TkvGlowForm(nullptr));
    window->AfterConstruction();
    HWND wnd = window->Handle();
    SetWindowLongW(wnd, GWL_EXSTYLE, GetWindowLongW(wnd, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_NOACTIVATE);
    std::unique_ptr<TBitmap> frame(CreateBmp32(w, h));
    const TPixelView view = frame->View();
    const TPoint fromAt((w - from->Width()) / 2, (h - from->Height()) / 2);
    const TPoint toAt((w - to->Width()) / 2, (h - to->Height()) / 2);
    const TRect fromRect(0, 0, from->Width(), from->Height()), toRect(0, 0, to->Width(), to->Height());
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    TSize size(w, h);
    bool shown = false;
    for (const TkvFlightFrame& f : frames) {
      const uint64_t began = AnimationNow();
      for (Integer y = 0; y < h; ++y) std::fill_n(view.Row(y), w, 0u);
      BlendColorByMask(view, from->View(), fromAt, UpdateAlphaColor(PixelOf(src.Color), f.Dezev), fromRect);
      BlendColorByMask(view, to->View(), toAt, UpdateAlphaColor(PixelOf(dst.Color), Byte(255 - f.Dezev)), toRect);
      TPoint at = f.Pos;
      UpdateLayeredWnd(wnd, frame.get(), &size, &blend, &at);
      if (!shown) {
        ShowWindow(wnd, SW_SHOWNOACTIVATE);
        shown = true;
      }
      SetWindowPos(wnd, HWND_TOPMOST, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOCOPYBITS | SWP_NOOWNERZORDER |
                       SWP_NOSENDCHANGING);
      WaitFrameFrom(began);
    }
  }
  std::unique_ptr<TkvGlowForm> cover;
  if (label && label->Parent() && label->Parent()->HandleAllocated()) {
    // A copy of the screen over the label's place hides the switch to the real label.
    cover.reset(MakeCoverForm(label->Parent()->WindowHandle(), OnScreen(label->Parent(), label->BoundsRect())));
  }
  if (TsBoundLabel* b = dst.BoundLabel) {
    b->PreventVisible = false;
    if (label) label->SetVisible(true);
  }
  if (label) label->Repaint();
}

void MakeLabelTextHint(TsCommonData* skinData, TsBoundLabel* b, const String& textHint) {
  if (textHint.empty() || b->Active()) return;
  TWinControl* control = b->OwnerControl();
  if ((control->HandleAllocated() && !IsWindowVisible(control->WindowHandle())) || (skinData && skinData->FUpdating) ||
      !control->HandleAllocated()) {
    b->PreventVisible = false;
    b->SetActive(true);
    return;
  }
  if (b->Caption().empty()) b->SetCaption(textHint);
  TkvMoveTextData src;
  src.BoundLabel = b;
  src.Text = textHint;
  src.Font = control->Font();
  src.Color = skinData ? TextHintColor(skinData, skinData->FMouseAbove ? 1 : 0, false)
                       : TColor(ColorToRGB(control->Font()->Color()));
  src.Ctrl = control;
  TRect r;
  RECT window{};
  GetWindowRect(control->WindowHandle(), &window);
  if (SendAMessage(control, KV_GETTEXTRECT, reinterpret_cast<intptr_t>(&r)) != 0)
    r = OffsRect(r, window.left, window.top);
  else
    r = TRect(window.left + 3, window.top + 3, window.right + 3, window.bottom + 3);
  {
    TBitmap probe(1, 1, pf32bit);
    probe.Canvas()->Font()->Assign(control->Font());
    kvDrawText(probe.Canvas()->Handle(), textHint, r, DT_EXPANDTABS | DT_CALCRECT | DT_NOPREFIX);
  }
  src.R = r;
  b->PreventVisible = true;
  b->SetActive(true);
  TsEditLabel* l = b->TheLabel();
  if (!l) {
    b->PreventVisible = false;
    return;
  }
  TkvMoveTextData dst;
  dst.BoundLabel = b;
  dst.Text = l->PlainCaption();
  dst.Ctrl = l;
  dst.Font = l->Font();
  dst.Color = TColor(kvColorToRGB(Integer(l->TextColor())));
  dst.R = OnScreen(l, b->GetTextRect());
  dst.Flags = DT_EXPANDTABS;
  const auto animating = skinData ? std::optional<TkvStateBitScope>(std::in_place, *skinData, KVS_TEXTANIMATING)
                                  : std::optional<TkvStateBitScope>();
  AnimMoveText(src, dst);
}
