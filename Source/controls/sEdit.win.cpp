// The skinned edit: its padding and added glyph in the non-client area, the frame painted
// there, and the whole window painted from the cache while the edit has no focus.
//
// Sections: 1. creation and settings; 2. non-client size and hit test; 3. the cache (section,
// text, glyph); 4. painting; 5. messages.
#include "controls/sEdit.h"
#include "controls/kvAnimationShow.h"

#include <windows.h>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "controls/SkinCommands.h"
#include "controls/sButton.h"  // the names of TsDisabledKind
#include "controls/sThirdParty.h"
#include "images/kvAlphaImageList.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
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
  b.Property(u"AddedGlyph", &TsEdit::AddedGlyph);
  b.Property(u"DisabledKind", &TsEdit::DisabledKind, &TsEdit::SetDisabledKind).Default(TSet<TsDisabledKind>{dkBlended});
}

TsEdit::TsEdit(TComponent* owner)
    : TEdit(owner),
      FCommonData(std::make_unique<TsCommonData>(this)),
      FPadding(std::make_unique<TkvPadding>(this, TNotifyEvent(this, &TsEdit::PaddingChanged))),
      FBoundLabel(std::make_unique<TsBoundLabel>(this, FCommonData.get())) {
  FCommonData->FOwnerControl = this;
  FCommonData->COC = COC_TsEdit;
  FCommonData->CtrlSkinState |= KVS_NCCHANGED;
  FAddedGlyph = std::make_unique<TkvAddedGlyph>(this, FCommonData.get());
}

TsEdit::~TsEdit() = default;

void TsEdit::SetVerticalAlignment(TVerticalAlignment value) {
  if (value == FVerticalAlignment) return;
  FVerticalAlignment = value;
  PaddingChanged(this);
}

void TsEdit::SetDisabledKind(TSet<TsDisabledKind> value) {
  if (value == FDisabledKind) return;
  FDisabledKind = value;
  FCommonData->Invalidate(false);
}

void TsEdit::Notification(TComponent* component, TOperation operation) {
  TEdit::Notification(component, operation);
  if (operation == opRemove && FAddedGlyph && component == FAddedGlyph->Images()) FAddedGlyph->SetImages(nullptr);
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
  // The system edit keeps a few pixels above and below its line: the line needs that room.
  return tm.tmHeight + 6;
}

Integer TsEdit::Spacing() {
  TkvSkinData* skin = FCommonData->GetCommonSkinData();
  return skin ? skin->Spacing : 0;
}

Integer TsEdit::BorderWidth() {
  const Integer bevels =
      BevelKind() != bkNone ? (BevelInner() != bvNone ? 1 : 0) + (BevelOuter() != bvNone ? 1 : 0) : 0;
  return EditBorderWidth(BorderStyle() != bsNone, Ctl3D(), bevels);
}

TRect TsEdit::ScaledPadding() {
  const Integer ppi = CurrentPPI();
  return TRect(kvMulDiv(FPadding->FLeft, ppi, 96), kvMulDiv(FPadding->FTop, ppi, 96),
               kvMulDiv(FPadding->FRight, ppi, 96), kvMulDiv(FPadding->FBottom, ppi, 96));
}

// ---- 2. Non-client size and hit test ----------------------------------------------------------------

bool TsEdit::AddedGlyphVisible() {
  TCustomImageList* images = FAddedGlyph->Images();
  return images && IsValidIndex(FAddedGlyph->ImageIndex(), GetImageCount(images));
}

Integer TsEdit::AddedGlyphSpace() { return AddedGlyphVisible() ? FAddedGlyph->Width() + Spacing() / 2 : 0; }

TRect TsEdit::AddedGlyphRect() {
  FAddedGlyphRect = EditAddedGlyphRect(Width(), Height(), BorderWidth(), ScaledPadding(), FAddedGlyph->Width(),
                                       BiDiMode() == bdRightToLeft);
  return FAddedGlyphRect;
}

void TsEdit::CalcNCSize(TMessage& m) {
  TEdit::Dispatch(m);  // the border first
  if (ComponentState().Contains(csLoading)) {
    FAddedPadding = TRect();
    return;
  }
  const TRect padding(FPadding->FLeft, FPadding->FTop, FPadding->FRight, FPadding->FBottom);
  FAddedPadding = EditAddedPadding(padding, CurrentPPI(), FVerticalAlignment, TextHeight(), Height());
  // The added glyph takes its room beside the text, on the side the text starts.
  TRect taken = FAddedPadding;
  (BiDiMode() == bdRightToLeft ? taken.Right : taken.Left) += AddedGlyphSpace();
  // Unskinned, the glyph's room is painted with the padding.
  if (FCommonData->SkinIndex < 0) FAddedPadding = taken;
  RECT& rc = m.WParam ? reinterpret_cast<NCCALCSIZE_PARAMS*>(m.LParam)->rgrc[0] : *reinterpret_cast<RECT*>(m.LParam);
  const TRect client = ShrinkEditClient(TRect(rc.left, rc.top, rc.right, rc.bottom), taken);
  rc = RECT{client.Left, client.Top, client.Right, client.Bottom};
}

// ---- 3. The cache ------------------------------------------------------------------------------------

bool TsEdit::PrepareCache() {
  TsCommonData* sd = FCommonData.get();
  const TPoint at(Left(), Top());
  const TRect all(0, 0, Width(), Height());
  if (SkinnedNow()) {
    TkvBGInfo info;
    info.R = BoundsRect();
    info.Offset = at;
    if (Parent()) GetBGInfo(&info, Parent(), false);
    if (info.BgType == btNotReady) return false;
    const TCacheInfo ci = BGInfoToCI(&info);
    sd->InitCacheBmp();
    TBitmap* cache = sd->FCacheBmp.get();
    if (BorderStyle() == bsSingle)
      PaintItem(sd, ci, true, PaintState(), all, at, cache, false, 0, 0, true);
    else
      PaintItemBG(sd, ci, PaintState(), all, at, cache);
    PaintText();
    if (!Enabled()) BmpDisabledKind(cache, FDisabledKind, Parent(), ci, at);
    sd->BGChanged = false;
  } else {
    sd->InitCacheBmp();
    TCanvas* c = sd->FCacheBmp->Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(TColor(kvColorToRGB(Integer(Color()))));
    c->FillRect(all);
  }
  if (AddedGlyphVisible()) PaintAddedGlyph();
  return true;
}

void TsEdit::PaintText() {
  TsCommonData* sd = FCommonData.get();
  TBitmap* cache = sd->FCacheBmp.get();
  if (!cache) return;
  TCanvas* c = cache->Canvas();
  c->Font()->Assign(Font());
  c->Brush()->SetStyle(bsClear);
  Cardinal flags = DT_NOPREFIX | DT_SINGLELINE;
  TRect r = TextRect();
  const Integer state = PaintState();
  const Cardinal mode = GetTransMode(sd, sd->SkinIndex, state);
  if (mode == 2) {
    r.Left -= 2;
    flags |= DT_ALPHATEXT;
  }
  flags |= GetStringFlags(this, Alignment()) & ~static_cast<Cardinal>(DT_VCENTER);
  if (IsDefaultValue()) {
    if (sd->FFocused) return;
    TextHintOut(sd, r, TextHint(), flags, 0);
  } else {
    String text = Text();
    if (PasswordChar() != 0) {
      // The system shows '*' as a black circle.
      const Char shown = PasswordChar() == u'*' ? Char(0x25CF) : PasswordChar();
      text = String(text.size(), shown);
    }
    kvWriteTextEx(c, text, true, r, flags, sd, state, sd->GetSkinManager());
  }
  if (mode == 1) FillAlphaRect(cache, TextRect(), 255, clNone);
}

void TsEdit::PaintAddedGlyph() {
  TsCommonData* sd = FCommonData.get();
  TBitmap* cache = sd->FCacheBmp.get();
  TkvAddedGlyph* g = FAddedGlyph.get();
  if (!cache) return;
  const TRect place = AddedGlyphRect();
  const Integer w = g->Width(), h = g->Height();
  TkvDrawGlyphData d;
  d.Images = g->Images();
  d.ImageIndex = g->ImageIndex();
  d.NumGlyphs = 1;
  d.PPI = GetPPI(sd);
  d.CommonSkinData = sd->GetCommonSkinData();
  d.ImgRect = TRect(place.Left + (place.Width() - w) / 2, place.Top + (place.Height() - h) / 2, 0, 0);
  d.ImgRect.Right = d.ImgRect.Left + w;
  d.ImgRect.Bottom = d.ImgRect.Top + h;
  d.Blend = Enabled() ? g->Blend() : g->Blend() + (100 - g->Blend()) / 2;
  d.Enabled = Enabled();
  d.DstBmp = cache;
  const bool active = Focused() || sd->FFocused;
  const bool skinned = SkinnedNow();
  DuRiruZireziv* manager = sd->GetSkinManager();
  if (skinned) {
    d.SkinIndex = sd->SkinIndex;
    d.Grayed = !active && (g->Grayed() || (manager && manager->Effects.DiscoloredGlyphs));
    if (const TsGenState* look = SectionState(sd->GetCommonSkinData(), sd->SkinIndex, active ? 1 : 0))
      d.BGColor = TColor(look->Color);
  } else {
    d.Grayed = g->Grayed();
    d.BGColor = Color();
  }
  TFont* font = cache->Canvas()->Font();
  const TColor savedColor = font->Color();
  const Integer savedSize = font->Size();
  const bool toned = g->ColorTone() != clNone;
  if (toned) {
    if (dynamic_cast<TsCharImageList*>(d.Images)) {
      // An icon-font glyph is drawn in the canvas font's colour.
      d.Grayed = false;
      font->SetColor(g->ColorTone());
      font->SetSize(0);
    } else {
      d.Grayed = true;
      d.BGColor = g->ColorTone();
    }
  }
  kvDrawGlyphEx(d);
  if (toned) {
    font->SetColor(savedColor);
    font->SetSize(savedSize);
  }
}

// ---- 4. Painting -------------------------------------------------------------------------------------

bool TsEdit::WhollyInsideParent() {
  TWinControl* parent = Parent();
  if (!parent || !parent->HandleAllocated()) return true;
  RECT client{};
  GetClientRect(parent->WindowHandle(), &client);
  const TRect b = BoundsRect();
  return b.Left >= client.left && b.Top >= client.top && b.Right <= client.right && b.Bottom <= client.bottom;
}

void TsEdit::PaintBorder() {
  TsCommonData* sd = FCommonData.get();
  if (sd->InUpdating()) return;
  if ((sd->BGChanged || !sd->FCacheBmp) && !PrepareCache()) {
    sd->FUpdating = true;
    return;
  }
  Integer b = BorderWidth();
  if (b == 0) b = (BevelInner() != bvNone ? 1 : 0) + (BevelOuter() != bvNone ? 1 : 0);
  UpdateCorners(sd, PaintState(), TSet<TsCorner>{scLeftTop, scRightTop, scLeftBottom, scRightBottom});
  TWindowDC dc(WindowHandle());
  TSaveDC saved(dc);
  const HDC cache = sd->FCacheBmp->Canvas()->Handle();
  BitBltBorder(dc, 0, 0, Width(), Height(), cache, 0, 0, FAddedPadding.Left + b, FAddedPadding.Top + b,
               FAddedPadding.Right + b, FAddedPadding.Bottom + b);
  if (AddedGlyphVisible()) {
    const Integer space = AddedGlyphSpace(), half = Spacing() / 2;
    if (BiDiMode() == bdRightToLeft) {
      BitBlt(dc, Width() - b - FAddedPadding.Right - space, 0, space, Height(), cache,
             Width() - b - FAddedPadding.Right - space, 0, SRCCOPY);
    } else {
      const Integer x = AddedGlyphRect().Left - half;
      BitBlt(dc, x, 0, space + half, Height(), cache, x, 0, SRCCOPY);
    }
  }
}

void TsEdit::PaintAddedGlyphStd() {
  if (FAddedPadding == TRect()) return;
  if (!PrepareCache()) return;
  const Integer b = BorderWidth();
  TWindowDC dc(WindowHandle());
  TSaveDC saved(dc);
  // The system's frame stays.
  IntersectClipRect(dc, b, b, Width() - b, Height() - b);
  const HDC cache = FCommonData->FCacheBmp->Canvas()->Handle();
  auto copy = [&](const TRect& r) {
    if (r.Width() > 0 && r.Height() > 0)
      BitBlt(dc, r.Left, r.Top, r.Width(), r.Height(), cache, r.Left, r.Top, SRCCOPY);
  };
  if (AddedGlyphVisible()) {
    TRect g = AddedGlyphRect();
    const Integer half = Spacing() / 2;
    (BiDiMode() == bdRightToLeft ? g.Left : g.Right) += (BiDiMode() == bdRightToLeft ? -half : half);
    copy(g);
  }
  if (FAddedPadding.Top > 0) copy(TRect(0, 0, Width(), b + FAddedPadding.Top));
  if (FAddedPadding.Left > 0) copy(TRect(0, 0, b + FAddedPadding.Left, Height()));
  if (FAddedPadding.Right > 0) copy(TRect(Width() - b - FAddedPadding.Right, 0, Width(), Height()));
  if (FAddedPadding.Bottom > 0) copy(TRect(0, Height() - b - FAddedPadding.Bottom, Width(), Height()));
}

void TsEdit::OurPaintHandler() {
  TsCommonData* sd = FCommonData.get();
  PAINTSTRUCT ps;
  BeginPaint(WindowHandle(), &ps);
  TkvThreadedTimer* pulse = sd->PulsTimer.get();
  if (!sd->InUpdating() && pulse && pulse->Enabled() && pulse->BmpOut) {
    // An attention pulse shows its own frame.
    TWindowDC dc(WindowHandle());
    BitBlt(dc, 0, 0, Width(), Height(), pulse->BmpOut->Canvas()->Handle(), 0, 0, SRCCOPY);
  } else if (!sd->InUpdating()) {
    // A part hidden last time may show a background the cache never had.
    sd->BGChanged = sd->BGChanged || sd->HalfVisible || (Parent() && GetBoolMsg(Parent(), KV_GETHALFVISIBLE));
    sd->HalfVisible = !WhollyInsideParent();
    if ((!sd->BGChanged && sd->FCacheBmp) || PrepareCache()) {
      UpdateCorners(sd, PaintState(), TSet<TsCorner>{scLeftTop, scRightTop, scLeftBottom, scRightBottom});
      TWindowDC dc(WindowHandle());
      BitBlt(dc, 0, 0, Width(), Height(), sd->FCacheBmp->Canvas()->Handle(), 0, 0, SRCCOPY);
    } else {
      sd->FUpdating = true;
    }
  }
  EndPaint(WindowHandle(), &ps);
}

void TsEdit::PrintFromCache(HDC dc, Cardinal flags) {
  TsCommonData* sd = FCommonData.get();
  if (sd->CtrlSkinState & KVS_NCCHANGED) {
    sd->CtrlSkinState &= ~KVS_NCCHANGED;
    FrameChanged();
  }
  sd->FUpdating = false;
  if (!dc || !PrepareCache()) return;
  UpdateCorners(sd, PaintState(), TSet<TsCorner>{scLeftTop, scRightTop, scLeftBottom, scRightBottom});
  const HDC cache = sd->FCacheBmp->Canvas()->Handle();
  if (flags & PRF_NONCLIENT) {
    // The whole window, text included, as it shows without the focus.
    BitBlt(dc, 0, 0, Width(), Height(), cache, 0, 0, SRCCOPY);
  } else if (flags & PRF_CLIENT) {
    RECT window{}, client{};
    GetWindowRect(WindowHandle(), &window);
    GetClientRect(WindowHandle(), &client);
    POINT origin{0, 0};
    ::ClientToScreen(WindowHandle(), &origin);
    BitBlt(dc, 0, 0, client.right, client.bottom, cache, origin.x - window.left, origin.y - window.top, SRCCOPY);
  }
}

void TsEdit::RepaintAll() {
  FCommonData->BGChanged = true;
  if (HandleAllocated()) RedrawWindow(WindowHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

// ---- 5. Messages ---------------------------------------------------------------------------------------

void TsEdit::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED: FAddedGlyphRect.Left = -1; break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      // Focused the system paints the client area, unfocused the cache paints the window.
      if (FCommonData->Skinned()) RepaintAll();
      if (m.Msg == WM_KILLFOCUS && FLabelFromTextHint && Text().empty() && !TextHint().empty())
        HideBoundLabel(FBoundLabel.get());
      break;
    case WM_NCCALCSIZE: CalcNCSize(m); return;
    case WM_NCHITTEST: {
      TEdit::Dispatch(m);
      RECT w{};
      GetWindowRect(WindowHandle(), &w);
      const Integer x = Integer(short(LOWORD(m.LParam))) - w.left, y = Integer(short(HIWORD(m.LParam))) - w.top;
      const TRect g = AddedGlyphVisible() ? AddedGlyphRect() : TRect();
      // The glyph is a button of its own; the padding acts as client area (a click there places the caret).
      m.Result = x >= g.Left && x < g.Right && y >= g.Top && y < g.Bottom ? HTBORDER : HTCLIENT;
      return;
    }
    case WM_NCLBUTTONDOWN: NCDown = true; break;
    case WM_NCLBUTTONUP:
      if (NCDown) {
        NCDown = false;
        Click();
      }
      break;
    case WM_NCLBUTTONDBLCLK: DblClick(); break;
    case SM_ALPHACMD:
      if (AnswerSectionCommands(m, FCommonData.get(), u"EDIT", 1)) return;
      if (SkinCommand(m)) return;
      break;
    case CM_CHANGED: FCommonData->BGChanged = true; break;
    case CM_COLORCHANGED:
      if (FCommonData->FCustomColor) FCommonData->BGChanged = true;
      break;
  }
  // OnSelectionChanged: keys and the mouse may move the caret or the selection.
  if (FOnSelectionChanged && HandleAllocated() &&
      ((m.Msg >= WM_KEYDOWN && m.Msg <= WM_SYSDEADCHAR) || (m.Msg >= WM_MOUSEMOVE && m.Msg <= WM_MOUSEHWHEEL))) {
    DWORD startBefore = 0, endBefore = 0, startAfter = 0, endAfter = 0;
    SendMessageW(WindowHandle(), EM_GETSEL, WPARAM(&startBefore), LPARAM(&endBefore));
    TComponentWatch self(this);
    DispatchOn(m);
    if (!self.Alive() || !HandleAllocated()) return;
    SendMessageW(WindowHandle(), EM_GETSEL, WPARAM(&startAfter), LPARAM(&endAfter));
    if (startAfter != startBefore || endAfter != endBefore) FOnSelectionChanged.Call(this);
    return;
  }
  DispatchOn(m);
}

bool TsEdit::SkinCommand(TMessage& m) {
  TsCommonData* sd = FCommonData.get();
  const bool fromOwnManager = m.LParam == reinterpret_cast<intptr_t>(sd->GetSkinManager());
  switch (HIWORD(m.WParam)) {
    case KV_GETTEXTRECT:
      if (auto* r = reinterpret_cast<TRect*>(m.LParam)) *r = TextRect();
      m.Result = 1;
      return true;
    case KV_PREPARECACHE: PrepareCache(); return true;
    case KV_SETNEWSKIN:
      if (!fromOwnManager) return false;
      CommonWndProc(m, sd);
      return true;
    case KV_REMOVESKIN:
      if (!fromOwnManager) return false;
      CommonWndProc(m, sd);
      FrameChanged();  // the padding's room is painted unskinned now
      return true;
    case KV_REFRESH:
      if (!RefreshNeeded(sd, m)) return false;
      CommonWndProc(m, sd);
      if (!InAnimationProcess && HandleAllocated() && IsWindowVisible(WindowHandle())) RepaintAll();
      return true;
    case KV_CHILDCHANGED: m.LParam = 0; return true;
    case KV_GETCONTROLCOLOR:
      if (sd->Skinned()) return false;
      m.Result = intptr_t(kvColorToRGB(Integer(Color())));
      return true;
    case KV_SETSCALE: {
      sd->CtrlSkinState |= KVS_NCCHANGED;
      const intptr_t ppi = m.LParam;
      CommonMessage(m, sd);
      FrameChanged();
      FBoundLabel->UpdateScale(Integer(ppi));
      return true;
    }
  }
  return false;
}

void TsEdit::DispatchOn(TMessage& m) {
  if (SkinnedNow()) {
    switch (m.Msg) {
      case WM_PAINT:
        if (FCommonData->CtrlSkinState & KVS_NCCHANGED) {
          FCommonData->CtrlSkinState &= ~KVS_NCCHANGED;
          FrameChanged();
        }
        if (FCommonData->InUpdating()) {
          ValidateRect(WindowHandle(), nullptr);
          m.Result = 0;
          return;
        }
        // Focused, the system draws text and caret; a flying hint needs the cache's look.
        if (Enabled() && Focused() && !(FCommonData->CtrlSkinState & KVS_TEXTANIMATING)) break;
        OurPaintHandler();
        m.Result = 0;
        return;
      case WM_ERASEBKGND:
        if (Enabled() && Focused() && !FCommonData->InUpdating()) break;
        m.Result = 1;  // the cache covers it all
        return;
      case WM_NCPAINT:
        if (IsWindowVisible(WindowHandle())) PaintBorder();
        m.Result = 0;
        return;
      case WM_PRINT:
        PrintFromCache(HDC(m.WParam), Cardinal(m.LParam));
        m.Result = 0;
        return;
    }
  } else if (m.Msg == WM_NCPAINT) {
    TEdit::Dispatch(m);  // the system's border
    if (HandleAllocated()) PaintAddedGlyphStd();
    FBoundLabel->HandleOwnerMsg(m);
    return;
  }
  if (CommonWndProc(m, FCommonData.get())) return;
  TEdit::Dispatch(m);
  switch (m.Msg) {
    case WM_SETFOCUS:
      // Skinned or not: the hint says what the edit is for while the focus hides it.
      if (FLabelFromTextHint && Text().empty() && !(FCommonData->CtrlSkinState & KVS_FOCUSCHANGING) &&
          !ComponentState().Contains(csDesigning))
        MakeLabelTextHint(FCommonData.get(), FBoundLabel.get(), TextHint());
      break;
    case WM_SETTEXT:
    case CM_TEXTCHANGED:
    case CM_VISIBLECHANGED:
    case CM_ENABLEDCHANGED:
      if (!IsLoading() && SkinnedNow()) {
        RepaintAll();
        SendMessageW(WindowHandle(), WM_NCPAINT, 0, 0);
      }
      break;
    case CM_FONTCHANGED:
      // A new font changes the text height that vertical alignment uses.
      FrameChanged();
      break;
  }
  FBoundLabel->HandleOwnerMsg(m);
}
