// The skinned edit: its padding in the non-client area and the frame painted there.
#include "controls/sEdit.h"

#include <windows.h>

#include "base/kvntUtils.h"
#include "controls/SkinCommands.h"
#include "paint/sGraphUtils.h"
#include "base/sMessages.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Bitmap.h"
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"

TW_DEFINE_CLASS(TsEdit) {
  b.Property(u"SkinData", &TsEdit::SkinData);
  b.Property(u"Padding", &TsEdit::Padding);
  b.Property(u"BoundLabel", &TsEdit::BoundLabel);
  b.Property(u"LabelFromTextHint", &TsEdit::LabelFromTextHint, &TsEdit::SetLabelFromTextHint).Default(false);
  b.Property(u"VerticalAlignment", &TsEdit::VerticalAlignment, &TsEdit::SetVerticalAlignment).Default(taAlignTop);
}

TsEdit::TsEdit(TComponent* owner)
    : TEdit(owner),
      FCommonData(std::make_unique<TsCommonData>(this)),
      FPadding(std::make_unique<TkvPadding>(this, TNotifyEvent(this, &TsEdit::PaddingChanged))),
      FBoundLabel(std::make_unique<TsBoundLabel>(this, FCommonData.get())) {
  FCommonData->FOwnerControl = this;
  FCommonData->COC = COC_TsEdit;
}

TsEdit::~TsEdit() = default;

void TsEdit::SetVerticalAlignment(TVerticalAlignment value) {
  if (value == FVerticalAlignment) return;
  FVerticalAlignment = value;
  PaddingChanged(this);
}

void TsEdit::HandleCreated() {
  TEdit::HandleCreated();
  FrameChanged();
}

void TsEdit::Loaded() {
  TEdit::Loaded();
  FrameChanged();
  FBoundLabel->UpdateVisibility();
}

void TsEdit::PaddingChanged(TObject*) {
  if (ComponentState().Contains(csLoading)) return;
  FrameChanged();
}

void TsEdit::FrameChanged() {
  if (!HandleAllocated()) return;
  SetWindowPos(WindowHandle(), nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  FCommonData->BGChanged = true;
  RedrawWindow(WindowHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
}

TRect TsEdit::TextRect() {
  TEditTextFrame frame;
  frame.Bordered = BorderStyle() != bsNone;
  frame.Ctl3D = Ctl3D();
  frame.RightToLeft = BiDiMode() == bdRightToLeft;
  if (BevelKind() != bkNone) frame.Bevels = (BevelInner() != bvNone ? 1 : 0) + (BevelOuter() != bvNone ? 1 : 0);
  if (TkvSkinData* skin = FCommonData->GetCommonSkinData()) frame.Spacing = skin->Spacing;
  return EditTextRect(Width(), Height(), frame, FAddedPadding);
}

Integer TsEdit::TextHeight() {
  TClientDC screen(nullptr);
  TSelectObject font(screen, Font()->Handle());
  TEXTMETRICW tm{};
  GetTextMetricsW(screen, &tm);
  return tm.tmHeight;
}

void TsEdit::CalcNCSize(TMessage& m) {
  TEdit::Dispatch(m);  // the border first
  if (ComponentState().Contains(csLoading)) {
    FAddedPadding = TRect();
    return;
  }
  const TRect padding(FPadding->FLeft, FPadding->FTop, FPadding->FRight, FPadding->FBottom);
  FAddedPadding = EditAddedPadding(padding, CurrentPPI(), FVerticalAlignment, TextHeight(), Height());
  RECT& rc = m.WParam ? reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam)->rgrc[0] : *reinterpret_cast<RECT*>(m.LParam);
  const TRect client = ShrinkEditClient(TRect(rc.left, rc.top, rc.right, rc.bottom), FAddedPadding);
  rc = RECT{client.Left, client.Top, client.Right, client.Bottom};
}

namespace {

// The client rectangle in window coordinates.
TRect ClientInWindow(HWND wnd) {
  RECT window{}, client{};
  GetWindowRect(wnd, &window);
  GetClientRect(wnd, &client);
  POINT origin{0, 0};
  ClientToScreen(wnd, &origin);
  const Integer x = origin.x - window.left, y = origin.y - window.top;
  return TRect(x, y, x + client.right, y + client.bottom);
}

}  // namespace

bool TsEdit::PaintTextHint() {
  if (!FCommonData->Skinned() || !Text().empty() || Focused() || TextHint().empty()) return false;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(WindowHandle(), &ps);
  RECT client{};
  GetClientRect(WindowHandle(), &client);
  const TColor background = TColor(kvColorToRGB(Integer(Color())));
  TColor text = TColor(kvColorToRGB(Integer(Font()->Color())));
  if (!FCommonData->FCustomFont)
    text = TColor(kvColorToRGB(Integer(GetFontColor(this, FCommonData->SkinIndex, FCommonData->GetSkinManager(), 0,
                                                    FCommonData.get()))));
  HBRUSH brush = CreateSolidBrush(COLORREF(background));
  FillRect(dc, &client, brush);
  DeleteObject(brush);
  {
    TSelectObject font(dc, Font()->Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, COLORREF(TextHintColor(text, background)));
    TRect r(client.left + 1, client.top, client.right, client.bottom);
    kvDrawText(dc, TextHint(), r, DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP);
  }
  EndPaint(WindowHandle(), &ps);
  return true;
}

void TsEdit::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT:
      // An empty skinned edit shows its hint in the skin's blended colour; the system's own
      // hint (grey) would ignore the skin.
      if (!m.WParam && PaintTextHint()) {
        m.Result = 0;
        return;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (FCommonData->Skinned() && !TextHint().empty()) InvalidateRect(WindowHandle(), nullptr, TRUE);
      if (m.Msg == WM_KILLFOCUS && FCommonData->Skinned() && FLabelFromTextHint && Text().empty() &&
          !TextHint().empty())
        HideBoundLabel(FBoundLabel.get());
      break;
    case WM_NCCALCSIZE:
      CalcNCSize(m);
      return;
    case WM_NCPAINT: {
      const bool skinned = FCommonData->Skinned() && FCommonData->SkinIndex >= 0;
      if (!skinned) TEdit::Dispatch(m);  // the system's border
      TWindowDC dc(WindowHandle());
      TSaveDC saved(dc);
      const TRect client = ClientInWindow(WindowHandle());
      ExcludeClipRect(dc, client.Left, client.Top, client.Right, client.Bottom);
      if (skinned) {
        // Frame and padding from the section, over the parent's background.
        FCommonData->InitCacheBmp();
        TBitmap* cache = FCommonData->FCacheBmp.get();
        const Integer state = FCommonData->ControlIsActive() ? 1 : 0;
        PaintItem(FCommonData.get(), GetParentCache(FCommonData.get()), true, state, TRect(0, 0, Width(), Height()),
                  TPoint(Left(), Top()), cache, false);
        FCommonData->BGChanged = false;
        BitBlt(dc, 0, 0, Width(), Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
      } else {
        // The padding takes the edit's own colour; the system border lies outside it.
        const TRect inner(client.Left - FAddedPadding.Left, client.Top - FAddedPadding.Top,
                          client.Right + FAddedPadding.Right, client.Bottom + FAddedPadding.Bottom);
        const RECT r{inner.Left, inner.Top, inner.Right, inner.Bottom};
        HBRUSH brush = CreateSolidBrush(COLORREF(kvColorToRGB(Integer(Color()))));
        FillRect(dc, &r, brush);
        DeleteObject(brush);
      }
      m.Result = 0;
      return;
    }
    case SM_ALPHACMD:
      if (AnswerSectionCommands(m, FCommonData.get(), u"EDIT", 0)) return;
      if (HIWORD(m.WParam) == KV_GETTEXTRECT) {
        if (auto* r = reinterpret_cast<TRect*>(m.LParam)) *r = TextRect();
        m.Result = 1;
        return;
      }
      break;
    case WM_NCHITTEST:
      TEdit::Dispatch(m);
      // The padding acts as client area: a click there places the caret.
      if (m.Result != HTNOWHERE) m.Result = HTCLIENT;
      return;
  }
  if (CommonWndProc(m, FCommonData.get())) return;
  TEdit::Dispatch(m);
  if (m.Msg == WM_SETFOCUS && FCommonData->Skinned() && FLabelFromTextHint && Text().empty() &&
      !(FCommonData->CtrlSkinState & KVS_FOCUSCHANGING) && !ComponentState().Contains(csDesigning))
    MakeLabelTextHint(FCommonData.get(), FBoundLabel.get(), TextHint());
  FBoundLabel->HandleOwnerMsg(m);
  // A new font changes the text height that vertical alignment uses.
  if (m.Msg == CM_FONTCHANGED) FrameChanged();
}
