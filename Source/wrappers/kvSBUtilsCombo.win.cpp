#include "wrappers/kvSBUtilsCombo.h"

#include <windows.h>
#include <windowsx.h>

#include <memory>
#include <vector>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/Shapes.h"
#include "skin/ControlServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Bitmap.h"
#include "ui/Controls.h"
#include "ui/GdiScopes.h"
#include "ui/Graphics.h"
#include "ui/ScopeGuard.h"
#include "ui/StdCtrls.h"

TW_DEFINE_CLASS(TkvComboBoxWnd) {}
TW_DEFINE_CLASS(TkvComboListWnd) {}
TW_DEFINE_CLASS(TkvWWComboBoxWnd) {}

namespace {

TkvSkinData* SkinOfData(TsCommonData* sd) { return sd && sd->GetSkinManager() ? sd->GetCommonSkinData() : nullptr; }

const TsGeneralData* SectionOf(TsCommonData* sd) {
  TkvSkinData* skin = SkinOfData(sd);
  if (!skin || sd->SkinIndex < 0 || size_t(sd->SkinIndex) >= skin->gd.size()) return nullptr;
  return &skin->gd[size_t(sd->SkinIndex)];
}

bool ValidSection(const TkvSkinData* skin, Integer index) {
  return skin && index >= 0 && size_t(index) < skin->gd.size();
}

TSize WindowSize(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  return TSize{r.right - r.left, r.bottom - r.top};
}

}  // namespace

void CheckFont(HDC dc, TOwnedFont& slot) {
  DuRiruZireziv* m = DefaultManager;
  if (!m || !dc) return;
  String name;
  if (m->Fonts.MainMode == fmFromSkin)
    name = m->SkinCommonInfo.MainFont;
  else if (m->Fonts.MainMode == fmCustom)
    name = m->Fonts.MainFont;
  if (name.empty()) return;
  LOGFONTW lf{};
  if (slot) GetObjectW(slot.get(), sizeof(lf), &lf);
  if (!slot || name != String(reinterpret_cast<const Char*>(lf.lfFaceName))) {
    LOGFONTW fresh{};
    fresh.lfHeight = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72);
    fresh.lfCharSet = DEFAULT_CHARSET;
    const size_t n = std::min<size_t>(name.size(), LF_FACESIZE - 1);
    std::copy_n(reinterpret_cast<const wchar_t*>(name.data()), n, fresh.lfFaceName);
    // The old font stays selected until the new one replaces it below; only then may it go.
    TOwnedFont created(CreateFontIndirectW(&fresh));
    SelectObject(dc, created.get());
    slot = std::move(created);
    return;
  }
  SelectObject(dc, slot.get());
}

// ---- TkvComboBoxWnd ---------------------------------------------------------------------------

TkvComboBoxWnd::~TkvComboBoxWnd() { FreeList(); }

void TkvComboBoxWnd::FreeList() {
  TkvScrollWnd* list = ListSW;
  ListSW = nullptr;
  if (list) UninitializeKVScroll(FListHandle, true, false, list);
  FListHandle = nullptr;
}

void TkvComboBoxWnd::AfterCreation() {
  LBoxOpening = false;
  TkvEditWnd::AfterCreation();
}

Integer TkvComboBoxWnd::Style() { return Integer(GetWindowLongW(CtrlHandle, GWL_STYLE) & 3); }

bool TkvComboBoxWnd::EasyComboBox() { return dynamic_cast<TCustomComboBox*>(OwnerControl()) != nullptr; }

Integer TkvComboBoxWnd::ButtonHeight() {
  TkvSkinData* skin = SkinOfData(SkinData);
  if (!skin || skin->ComboBtn.GlyphIndex < 0 || size_t(skin->ComboBtn.GlyphIndex) >= skin->ma.size()) return 16;
  return skin->ma[size_t(skin->ComboBtn.GlyphIndex)].Height;
}

TRect TkvComboBoxWnd::ButtonRect() {
  const TSize size = WindowSize(CtrlHandle);
  const Integer ppi = SkinData ? SkinData->CurrentPPI : 96;
  Integer w = 0;
  if (DlgMode && Style() != CBS_DROPDOWNLIST)
    w = Style() == CBS_DROPDOWN ? GetComboBtnSize(SkinManager, ppi) : 0;
  else
    w = GetComboBtnSize(SkinManager, ppi) + 1;
  TkvSkinData* skin = SkinOfData(SkinData);
  const Integer m = skin ? skin->ComboBoxMargin : 2;
  const Integer left = (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_RTLREADING) ? m : size.cx - w - m;
  return TRect(left, m, left + w, size.cy - m);
}

void TkvComboBoxWnd::PaintButton(HDC dc) {
  DuRiruZireziv* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
  TkvSkinData* skin = SkinOfData(SkinData);
  if (!manager || !manager->Active() || !skin || !SkinData->FCacheBmp) return;
  Integer state = 0;
  if (FListHandle && IsWindowVisible(FListHandle))
    state = 2;
  else if (SkinData->ControlIsActive() || (DefaultManager && DefaultManager->ActiveControl() == CtrlHandle))
    state = 1;
  const TRect r = ButtonRect();
  std::unique_ptr<TBitmap> bmp(CreateBmpLike(SkinData->FCacheBmp.get()));
  BitBlt(bmp->Canvas()->Handle(), 0, 0, bmp->Width(), bmp->Height(), SkinData->FCacheBmp->Canvas()->Handle(), 0, 0,
         SRCCOPY);
  const TkvConstElementData& e = skin->ComboBtn;
  TCacheInfo self = EmptyCI;
  self.Bmp = bmp.get();
  self.X = 0;
  self.Y = 0;
  self.Ready = true;
  if (ValidSection(skin, e.SkinIndex))
    PaintItem(e.SkinIndex, self, true, state, r, TPoint{0, 0}, bmp.get(), skin, e.BGIndex[0], e.BGIndex[1]);
  if (e.GlyphIndex >= 0 && size_t(e.GlyphIndex) < skin->ma.size()) {
    const TsMaskData& glyph = skin->ma[size_t(e.GlyphIndex)];
    DrawSkinGlyph(bmp.get(),
                  TPoint{r.Left + (r.Right - r.Left - glyph.Width) / 2, (bmp->Height() - ButtonHeight()) / 2}, state, 1,
                  glyph, self);
  } else {
    const TColor color = ValidSection(skin, e.SkinIndex)
                             ? TColor(skin->gd[size_t(e.SkinIndex)].Props[size_t(std::min(state, 2))].FontColor.Color)
                             : TColor(0);
    DrawArrow(bmp.get(), color, TColor(0x1FFFFFFF), r, asBottom, 0, 0, 0, manager->Options.ActualArrowStyle(),
              SkinData->CurrentPPI);
  }
  BitBlt(dc, r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top, bmp->Canvas()->Handle(), r.Left, r.Top, SRCCOPY);
  HideGlowOutside();
}

void TkvComboBoxWnd::HideGlowOutside() {
  if (SkinData->GlowID < 0 || kvMouseInControlDC(CtrlHandle)) return;
  if (auto* glows = TkvServiceSlot<TkvGlowServices>::Get()) glows->HideGlow(SkinData->GlowID, true);
}

void TkvComboBoxWnd::RepaintButton() {
  if (!SkinData) return;
  // The hover glow follows the mouse; a simple box has no button to glow.
  if (kvMouseInControlDC(CtrlHandle) && Style() != CBS_SIMPLE) {
    DuRiruZireziv* manager = SkinData->GetSkinManager();
    ShowGlowingIfNeeded(SkinData, false, CtrlHandle, -1, manager && manager->Effects.AllowAnimation, 255);
  } else if (SkinData->GlowID >= 0) {
    if (auto* glows = TkvServiceSlot<TkvGlowServices>::Get()) glows->HideGlow(SkinData->GlowID, true);
  }
  if (Style() == CBS_SIMPLE) return;
  const TWindowDC dc(CtrlHandle);
  if (!dc) return;
  PaintButton(dc);
}

String TkvComboBoxWnd::ItemText(Integer index) {
  // The length first: an item may be longer than any fixed buffer.
  const TLResult len = ProcessMessage(CB_GETLBTEXTLEN, WPARAM(index), 0);
  if (len <= 0) return String();
  std::vector<wchar_t> buffer(size_t(len) + 1, 0);
  const TLResult got = ProcessMessage(CB_GETLBTEXT, WPARAM(index), LPARAM(buffer.data()));
  if (got <= 0) return String();
  return String(reinterpret_cast<const Char*>(buffer.data()), size_t(std::min<TLResult>(got, len)));
}

void TkvComboBoxWnd::PaintText() {
  if (!SkinData || !SkinData->FCacheBmp) return;
  TCanvas* cv = SkinData->FCacheBmp->Canvas();
  if (TControl* owner = OwnerControl()) cv->Font()->Assign(owner->Font());
  const TSize size = WindowSize(CtrlHandle);
  const TRect btn = ButtonRect();
  TRect r = (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_RTLREADING) ? TRect(btn.Right, 3, size.cx - 3, size.cy - 3)
                                                                         : TRect(3, 3, btn.Left, size.cy - 3);
  const Integer sel = Integer(ProcessMessage(CB_GETCURSEL, 0, 0));
  String text;
  if (sel >= 0) {
    text = ItemText(sel);
  } else {
    const TLResult len = ProcessMessage(WM_GETTEXTLENGTH, 0, 0);
    if (len > 0) {
      std::vector<wchar_t> buffer(size_t(len) + 1, 0);
      ProcessMessage(WM_GETTEXT, WPARAM(len + 1), LPARAM(buffer.data()));
      text = String(reinterpret_cast<const Char*>(buffer.data()));
    }
  }
  const bool list = Style() == CBS_DROPDOWNLIST;
  const bool focused = list && GetFocus() == CtrlHandle;
  if (focused) {
    cv->Brush()->SetColor(TColor(GetSysColor(COLOR_HIGHLIGHT)));
    cv->FillRect(r);
    cv->Font()->SetColor(TColor(GetSysColor(COLOR_HIGHLIGHTTEXT)));
  }
  cv->Brush()->SetStyle(bsClear);
  cv->TextRect(r, r.Left + (list ? 1 : 0), r.Top + (list ? 1 : 0), text);
  if (focused) cv->DrawFocusRect(r);
}

void TkvComboBoxWnd::PrepareSimple() {
  if (!SkinData) return;
  SkinData->InitCacheBmp();
  TBitmap* cache = SkinData->FCacheBmp.get();
  const TSize size = WindowSize(CtrlHandle);
  cache->SetPixelFormat(pf32bit);
  cache->SetSize(size.cx, Integer(ProcessMessage(CB_GETITEMHEIGHT, 0, 0)) + 8);
  const TRect all(0, 0, cache->Width(), cache->Height());
  const bool dialogLook = DlgMode && kvPaintDialogCache(cache, DefaultManager);
  if (!dialogLook && SectionOf(SkinData)) {
    PaintItem(SkinData, GetParentCache(SkinData), true, SkinData->ControlIsActive() ? 1 : 0, all, WndPos, cache, true);
  }
  SkinData->BGChanged = false;
}

void TkvComboBoxWnd::Invalidate() {
  if (SkinData && OwnerControl())
    RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

HBRUSH TkvComboBoxWnd::ColorBrush(TColor color) {
  if (!FBrush || FBrushColor != color) {
    FBrush.reset(CreateSolidBrush(ColorToRGB(color)));
    FBrushColor = color;
  }
  return FBrush.get();
}

void TkvComboBoxWnd::CNDrawItem(TMessage& message) {
  auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
  if (!dis) return;
  DrawItem(Integer(dis->itemID), TRect(dis->rcItem.left, dis->rcItem.top, dis->rcItem.right, dis->rcItem.bottom),
           dis->hDC, OwnerDrawStateOf(dis->itemState));
  message.Result = 1;
}

void TkvComboBoxWnd::DrawItem(Integer index, const TRect& rect, HDC dc, TOwnerDrawState state) {
  auto* owner = dynamic_cast<TCustomComboBox*>(OwnerControl());
  TkvSkinData* skin = SkinOfData(SkinData);
  const TsGeneralData* gd = SectionOf(SkinData);
  if (!owner || !skin || !gd || rect.Right <= 0 || rect.Bottom <= 0) return;
  if (SkinData->BGChanged) PrepareCache(SkinData, CtrlHandle, DlgMode);
  std::unique_ptr<TBitmap> bmp(CreateBmp32(rect.Right, rect.Bottom));
  TCanvas* cv = bmp->Canvas();
  cv->Font()->Assign(owner->Font());
  Cardinal flags = DT_NOPREFIX | DT_NOCLIP | DT_EXPANDTABS | DT_SINGLELINE;
  const bool inEdit = state.Contains(odComboBoxEdit);
  Integer s = 0;
  if (inEdit) {
    if (gd->States >= 2 && (SkinData->ControlIsActive() || (GetFocus() && owner->Focused()) || SkinData->FFocused))
      s = 1;
  } else {
    s = gd->States > 1 ? 1 : 0;
  }
  const TRect area(rect.Left, rect.Top, rect.Right, rect.Bottom);
  const Integer selectionSection = skin->GetSkinIndex(u"SELECTION");
  if (state.Contains(odSelected)) {
    if (selectionSection < 0) {
      cv->Brush()->SetColor(SkinData->GetSkinManager()->GetHighLightColor(true));
      cv->FillRect(area);
    } else {
      TCacheInfo ci = EmptyCI;
      ci.FillColor = Color;
      PaintItem(selectionSection, ci, true, 1, area, TPoint{0, 0}, bmp.get(), skin);
    }
    cv->Font()->SetColor(SkinData->GetSkinManager()->GetHighLightFontColor(true));
  } else {
    cv->Font()->SetColor(TColor(gd->Props[size_t(s)].FontColor.Color));
    if (inEdit && SkinData->FCacheBmp) {
      BitBlt(cv->Handle(), area.Left, area.Top, area.Right - area.Left, area.Bottom - area.Top,
             SkinData->FCacheBmp->Canvas()->Handle(), area.Left, area.Top, SRCCOPY);
    } else {
      cv->Brush()->SetColor(TColor(gd->Props[size_t(s)].Color));
      cv->FillRect(area);
    }
  }
  // The owner's canvas takes the look's colours: an application handler paints with them.
  TCanvas* ownerCanvas = owner->Canvas();
  ownerCanvas->Brush()->SetColor(state.Contains(odSelected) ? SkinData->GetSkinManager()->GetHighLightColor(true)
                                                            : TColor(gd->Props[size_t(s)].Color));
  ownerCanvas->Font()->Assign(owner->Font());
  ownerCanvas->Font()->SetColor(cv->Font()->Color());
  const bool ownerDraws = owner->OnDrawItem().Assigned() &&
                          (owner->Style() == csOwnerDrawFixed || owner->Style() == csOwnerDrawVariable) && index >= 0 &&
                          index < owner->Items()->Count();
  if (ownerDraws) {
    // The handler draws into the item bitmap through the owner's canvas, which gets its own
    // device context back afterwards.
    HDC bmpDC = cv->Handle();
    HDC ownerDC = ownerCanvas->HandleAllocated() ? ownerCanvas->Handle() : nullptr;
    TCanvasLock lockOwner(*ownerCanvas);
    TCanvasLock lockBitmap(*cv);
    {
      TSaveDC saved(bmpDC);
      ownerCanvas->SetHandle(bmpDC);
      const TScopeExit giveBack([&] { ownerCanvas->SetHandle(ownerDC); });
      owner->OnDrawItem()(owner, index, rect, state);
    }
    BitBlt(dc, area.Left, area.Top, area.Right - area.Left, area.Bottom - area.Top, bmpDC, area.Left, area.Top,
           SRCCOPY);
    return;
  }
  String text;
  if (index >= 0 && index < owner->Items()->Count()) text = owner->Items()->Strings(index);
  if (inEdit && owner->Style() == csDropDown) text = owner->Text();
  TRect textRect(area.Left + 2, area.Top, area.Right - 2, area.Bottom);
  cv->Brush()->SetStyle(bsClear);
  if (selectionSection < 0 || inEdit) {
    SetBkMode(cv->Handle(), TRANSPARENT);
    DrawTextW(cv->Handle(), reinterpret_cast<const wchar_t*>(text.c_str()), -1, reinterpret_cast<RECT*>(&textRect),
              flags);
  } else {
    kvWriteTextEx(cv, text, true, textRect, flags, selectionSection, state.Contains(odSelected) || s > 0 ? 1 : 0,
                  SkinData->GetSkinManager());
  }
  if (state.Contains(odFocused) && selectionSection < 0) cv->DrawFocusRect(area);
  BitBlt(dc, area.Left, area.Top, area.Right - area.Left, area.Bottom - area.Top, cv->Handle(), area.Left, area.Top,
         SRCCOPY);
}

void TkvComboBoxWnd::kvWndProc(TMessage& message) {
  if (!SkinData || Destroyed || !SkinData->Skinned()) {
    if (message.Msg == WM_SETREDRAW) {
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      return;
    }
    TkvEditWnd::kvWndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_SIZE: message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam); return;
    case WM_ERASEBKGND: message.Result = 1; return;
    case WM_NCCALCSIZE:
      TkvEditWnd::kvWndProc(message);
      cxLeftEdge = 3;
      return;
    case WM_PAINT: {
      if (!ParamsChanged) SetSkinParams();
      InitCtrlData(this);
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      if (Destroyed) return;
      const TGivenOrOwnDC dc(CtrlHandle, reinterpret_cast<HDC>(message.WParam), dcWindow);
      if (Style() == CBS_SIMPLE) {
        PrepareSimple();
        BitBltBorder(dc, 0, 0, SkinData->FCacheBmp->Width(), SkinData->FCacheBmp->Height(),
                     SkinData->FCacheBmp->Canvas()->Handle(), 0, 0, 3, 3, 3, 3);
      } else {
        SkinData->BGChanged = true;
        PrepareCache(SkinData, CtrlHandle, DlgMode);
        UpdateWndCorners(SkinData, 0, this);
        if (SkinData->FCacheBmp) {
          BitBltBorder(dc, 0, 0, SkinData->FCacheBmp->Width(), SkinData->FCacheBmp->Height(),
                       SkinData->FCacheBmp->Canvas()->Handle(), 0, 0, 3, 3, 3, 3);
          PaintButton(dc);
        }
      }
      return;
    }
    case WM_PRINT: {
      InitCtrlData(this);
      if (!ParamsChanged) {
        const auto updating = SetForScope(SkinData->FUpdating, true, false);
        SetSkinParams();
      }
      if (Destroyed) return;
      SkinData->BGChanged = true;
      if (Style() == CBS_SIMPLE)
        PrepareSimple();
      else
        PrepareCache(SkinData, CtrlHandle, DlgMode);
      HDC dc = reinterpret_cast<HDC>(message.WParam);
      if (!SkinData->FCacheBmp || !dc) return;
      auto* combo = dynamic_cast<TCustomComboBox*>(OwnerControl());
      const TRect btn = ButtonRect();
      if (combo && combo->ItemIndex() >= 0)
        DrawItem(combo->ItemIndex(), TRect(3, 3, combo->Width() - (btn.Right - btn.Left), combo->Height() - 3),
                 SkinData->FCacheBmp->Canvas()->Handle(), TOwnerDrawState{odComboBoxEdit});
      else
        PaintText();
      BitBlt(dc, 0, 0, SkinData->FCacheBmp->Width(), SkinData->FCacheBmp->Height(),
             SkinData->FCacheBmp->Canvas()->Handle(), 0, 0, SRCCOPY);
      PaintButton(dc);
      return;
    }
    case WM_SETFOCUS:
    case WM_LBUTTONUP: {
      SkinData->FFocused = true;
      auto* win = dynamic_cast<TWinControl*>(OwnerControl());
      if (MayBeHot(SkinData, false) && win && win->CanFocus() && win->TabStop()) {
        SetSkinParams();
        RedrawWindow(CtrlHandle, nullptr, nullptr, 0x545);
      }
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      if (!Destroyed) RepaintButton();
      return;
    }
    case WM_KILLFOCUS:
    case CM_EXIT: {
      auto* combo = dynamic_cast<TCustomComboBox*>(OwnerControl());
      SkinData->FFocused = combo && combo->EditHandle() && GetFocus() == combo->EditHandle();
      SkinData->BGChanged = true;
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      if (Destroyed) return;
      auto* win = dynamic_cast<TWinControl*>(OwnerControl());
      if (MayBeHot(SkinData, false) && win && win->CanFocus() && win->TabStop()) {
        SetSkinParams();
        if (combo && combo->Style() == csDropDown) SendMessageW(CtrlHandle, EM_SETSEL, WPARAM(-1), 0);
        RedrawWindow(CtrlHandle, nullptr, nullptr, 0x545);
      }
      RepaintButton();
      return;
    }
    case CB_SETCURSEL:
    case CM_TEXTCHANGED:
    case CM_CHANGED:
      if (EasyComboBox() && SkinData->FUpdateCount <= 0) {
        SetRedraw(CtrlHandle, 0);
        SkinData->BGChanged = true;
        message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
        SetRedraw(CtrlHandle, 1);
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      } else {
        message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      }
      return;
    case CN_BASE + WM_DRAWITEM:
      if (EasyComboBox())
        CNDrawItem(message);
      else
        message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      return;
    case WM_DRAWITEM:
      if (auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam)) CheckFont(dis->hDC, FItemFont);
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      Invalidate();
      return;
    case WM_COMMAND:
    case CN_COMMAND:
      if ((message.Msg == CN_COMMAND || Style() != CBS_SIMPLE) && HIWORD(message.WParam) == CBN_CLOSEUP) {
        SkinData->BGChanged = true;
        RepaintButton();
      }
      break;
    case WM_SETREDRAW:
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      // The list wrapper exists only once the list has been shown.
      if (message.WParam == 0) {
        ++SkinData->FUpdateCount;
        if (ListSW && ListSW->SkinData) ++ListSW->SkinData->FUpdateCount;
      } else {
        --SkinData->FUpdateCount;
        if (ListSW && ListSW->SkinData) --ListSW->SkinData->FUpdateCount;
      }
      return;
    case WM_CTLCOLOREDIT: {
      HDC dc = reinterpret_cast<HDC>(message.WParam);
      const TColor window = TColor(kvColorToRGB(clWindow, SkinData->GetSkinManager()));
      SetTextColor(dc, kvColorToRGB(clWindowText, SkinData->GetSkinManager()));
      SetBkColor(dc, window);
      message.Result = reinterpret_cast<TLResult>(ColorBrush(window));
      return;
    }
    case WM_CTLCOLORLISTBOX: {
      if (LBoxOpening) return;
      const auto opening = SetForScope(LBoxOpening, true, false);
      TkvEditWnd::kvWndProc(message);
      if (Destroyed) return;
      if (!FListHandle) FListHandle = reinterpret_cast<HWND>(message.LParam);
      if (!ListSW && FListHandle) {
        const bool ownDlg = !OwnerControl();
        const auto dlg = SetForScope(kvDlgMode, ownDlg ? DlgMode : kvDlgMode);
        ListSW = TkvComboListWnd::CreateEx(FListHandle, nullptr, SkinData->GetSkinManager(), u"EDIT",
                                           CallPrevWndProc(CtrlHandle, CB_GETCOUNT, 0, message.LParam) > 0,
                                           Style() == CBS_SIMPLE);
      }
      // Every request is answered with the list's colours, not only the first one.
      Integer rec[2] = {0, -1};
      SendMessageW(FListHandle, SM_ALPHACMD, MAKEWPARAM(0, KV_GETSKININDEX), LPARAM(rec));
      TkvSkinData* skin = SkinOfData(SkinData);
      if (rec[1] >= 0 && !DlgMode && ValidSection(skin, rec[1])) {
        const TsGenState& look = skin->gd[size_t(rec[1])].Props[0];
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        if (look.FontColor.Color >= 0) SetTextColor(dc, COLORREF(look.FontColor.Color));
        SetBkColor(dc, COLORREF(look.Color));
        message.Result = reinterpret_cast<TLResult>(ColorBrush(TColor(look.Color)));
      }
      return;
    }
    case SM_ALPHACMD:
      switch (message.WParamHi) {
        case KV_REMOVESKIN:
          if (reinterpret_cast<DuRiruZireziv*>(message.LParam) == SkinData->GetSkinManager()) {
            TkvEditWnd::kvWndProc(message);
            if (FListHandle) {
              LONG style = GetWindowLongW(FListHandle, GWL_STYLE);
              SetWindowLongW(FListHandle, GWL_STYLE, (style & ~WS_THICKFRAME) | WS_BORDER);
            }
            FreeList();
          }
          return;
        case KV_MOUSEENTER:
        case KV_MOUSELEAVE:
          TkvEditWnd::kvWndProc(message);
          if (!Destroyed) RepaintButton();
          return;
        default: break;
      }
      break;
    case CM_MOUSEENTER:
      if (SkinData->FMouseAbove) return;
      SkinData->FMouseAbove = true;
      SkinData->BGChanged = true;
      TkvEditWnd::kvWndProc(message);
      Invalidate();
      return;
    case CM_MOUSELEAVE: {
      if (!SkinData->FMouseAbove) return;
      RECT r{};
      GetWindowRect(CtrlHandle, &r);
      const TPoint p = kvMousePos();
      if (p.X >= r.left && p.X < r.right && p.Y >= r.top && p.Y < r.bottom) return;
      SkinData->FMouseAbove = false;
      SkinData->BGChanged = true;
      TkvEditWnd::kvWndProc(message);
      Invalidate();
      return;
    }
    default: break;
  }
  TkvEditWnd::kvWndProc(message);
  if (Destroyed) return;
  if (message.Msg == WM_WINDOWPOSCHANGED && IsWindowVisible(CtrlHandle)) ProcessMessage(WM_NCPAINT, 0, 0);
}

// ---- TkvComboListWnd --------------------------------------------------------------------------

TkvComboListWnd::~TkvComboListWnd() {
  if (uxthemeLib && kv_SetWindowTheme && IsWindow(CtrlHandle)) kv_SetWindowTheme(CtrlHandle, nullptr, nullptr);
}

TkvComboListWnd* TkvComboListWnd::CreateEx(HWND aHandle, TsCommonData* aSkinData, DuRiruZireziv* aSkinManager,
                                           const String& skinSection, bool repaint, bool simply) {
  TkvSkinParams params;
  params.SkinSection = skinSection;
  params.VertScrollSize = params.HorzScrollSize = params.VertScrollBtnSize = params.HorzScrollBtnSize = -1;
  params.UseSkinColor = params.UseSkinFontColor = true;
  auto* w = new TkvComboListWnd();
  w->SimplyBox = simply;
  w->Create(aHandle, aSkinData, aSkinManager, params, repaint);
  // Layered (fully opaque) where the system has layered child-less popups; where it has not,
  // DoLayered would take the list's visibility away instead.
  if (kvLayered()) DoLayered(aHandle, true, 255);
  if (!simply) {
    RECT r{};
    GetWindowRect(aHandle, &r);
    SetWindowPos(aHandle, nullptr, 0, 0, r.right - r.left + 1, r.bottom - r.top, 0x736);
  }
  return w;
}

void TkvComboListWnd::AfterCreation() {
  if (!SkinData) InitSkinData();
  Shown = false;
  RECT r{};
  GetWindowRect(CtrlHandle, &r);
  WndRect = TRect(r.left, r.top, r.right, r.bottom);
  TkvEditWnd::AfterCreation();
}

void TkvComboListWnd::SetSkinParams() {
  if (bPreventStyleChange) return;
  const auto guard = SetForScope(bPreventStyleChange, true, false);
  if (!SkinData) return;
  SkinData->FUpdating = true;
  DuRiruZireziv* manager = SkinData->GetSkinManager();
  const TsGeneralData* gd = SectionOf(SkinData);
  if (manager && gd) {
    if (!SkinData->FCustomColor)
      Color =
          DlgMode ? TColor(GetSysColor(COLOR_WINDOW)) : TColor(gd->Props[SkinData->ControlIsActive() ? 1 : 0].Color);
    FrameColor = manager->Palette[pcBorder];
    SkinData->BGChanged = true;
    SkinData->FUpdating = false;
  } else {
    FrameColor = 0;
  }
}

void TkvComboListWnd::PrepareListCache() {
  InitCtrlData(this);
  if (SimplyBox) {
    SendAMessage(CtrlHandle, KV_PREPARECACHE);
    return;
  }
  SkinData->UpdateIndexes(true);
  SetSkinParams();
  SkinData->InitCacheBmp();
  TBitmap* cache = SkinData->FCacheBmp.get();
  cache->SetPixelFormat(pf32bit);
  cache->SetSize(WndSize.cx, WndSize.cy);
  TCanvas* cv = cache->Canvas();
  cv->Brush()->SetStyle(bsSolid);
  cv->Brush()->SetColor(Color);
  cv->Pen()->SetColor(FrameColor);
  cv->Rectangle(0, 0, WndSize.cx, WndSize.cy);
  SkinData->BGChanged = false;
}

void TkvComboListWnd::PaintSimpleStrip() {
  HWND combo = GetParent(CtrlHandle);
  if (!combo) return;
  RECT lr{}, cr{};
  GetWindowRect(CtrlHandle, &lr);
  GetWindowRect(combo, &cr);
  if (lr.bottom >= cr.bottom) return;
  TkvBGInfo info;
  GetBGInfo(&info, combo, false);
  const TWindowDC dc(combo);
  const Integer top = lr.bottom - cr.top, height = cr.bottom - lr.bottom, width = cr.right - cr.left;
  if (info.BgType == btCache && info.Bmp) {
    BitBlt(dc, 0, top, width, height, info.Bmp->Canvas()->Handle(), info.Offset.X, info.Offset.Y + top, SRCCOPY);
  } else {
    HBRUSH b = CreateSolidBrush(ColorToRGB(info.Color));
    RECT r{0, top, width, top + height};
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
}

void TkvComboListWnd::kvWndProc(TMessage& message) {
  if (!SkinData || Destroyed || !SkinData->Skinned()) {
    TkvEditWnd::kvWndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_SIZE:
      SkinData->BGChanged = true;
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      if (!DontRepaint && !Destroyed) UpdateScrolls(this, true);
      return;
    case WM_ERASEBKGND:
      if (HDC dc = reinterpret_cast<HDC>(message.WParam)) {
        RECT r{};
        GetClientRect(CtrlHandle, &r);
        HBRUSH b = CreateSolidBrush(ColorToRGB(Color));
        FillRect(dc, &r, b);
        DeleteObject(b);
        message.Result = 1;
      } else {
        message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      }
      return;
    case WM_NCCALCSIZE:
      message.Result = Kv_NCCalcSize(this, CtrlHandle, message.WParam, message.LParam);
      ScrollsInitialized = true;
      return;
    case WM_NCHITTEST:
      message.Result = Kv_NCHitTest(this, CtrlHandle, message.WParam, message.LParam);
      if (message.Result == 0)
        message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      return;
    case WM_NCPAINT: {
      if (DontRepaint) break;
      PrepareListCache();
      HDC dc = GetWindowDC(CtrlHandle);
      {
        TSaveDC saved(dc);
        BitBltBorder(dc, 0, 0, SkinData->FCacheBmp->Width(), SkinData->FCacheBmp->Height(),
                     SkinData->FCacheBmp->Canvas()->Handle(), 0, 0, 1, 1, 1, 1);
        message.Result = kv_NCDraw(this, CtrlHandle, -1, dc);
      }
      ReleaseDC(CtrlHandle, dc);
      if (SimplyBox) PaintSimpleStrip();
      return;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: {
      // The list's own hit code may not name our bars: asked again, and nothing else sees the
      // press (the list would start its own tracking under the skinned bar).
      const TLResult hit = Kv_NCHitTest(this, CtrlHandle, 0, message.LParam);
      message.Result =
          hit == HTHSCROLL || hit == HTVSCROLL ? Kv_NCLButtonDown(this, CtrlHandle, hit, message.LParam) : 0;
      return;
    }
    case WM_LBUTTONUP: {
      POINT screen{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
      ClientToScreen(CtrlHandle, &screen);
      const TLParam screenPoint = MAKELPARAM(screen.x, screen.y);
      const TLResult hit = Kv_NCHitTest(this, CtrlHandle, 0, screenPoint);
      if (hit == HTCLIENT || hit == HTNOWHERE) {
        message.Result = Kv_LButtonUp(this, CtrlHandle, message.WParam, message.LParam);
        return;
      }
      message.Result = Kv_LButtonUp(this, CtrlHandle, message.WParam, screenPoint);
      // A simple combo's list keeps the capture it took for the press otherwise.
      if (SimplyBox && !Destroyed) ReleaseCapture();
      return;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
    case LB_ADDSTRING:
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      return;
    case LBCB_STARTTRACK: Shown = true; break;
    case LBCB_ENDTRACK:
      Shown = false;
      SkinData->BGChanged = true;
      break;
    case WM_PRINT:
    case WM_PRINTCLIENT: {
      HDC dc = reinterpret_cast<HDC>(message.WParam);
      if (!dc || !IsWindowVisible(CtrlHandle)) break;
      PrepareListCache();
      {
        TSaveDC keep(dc);  // the list's own print may leave its clipping in the DC
        message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      }
      const bool hasItems = CallPrevWndProc(CtrlHandle, LB_GETCOUNT, 0, message.LParam) > 0;
      if (message.Msg == WM_PRINTCLIENT && hasItems) return;
      if (!Shown && kvScrollState.uCurrentScrollPortion == HTSCROLL_NONE && SkinData->FCacheBmp) {
        if (hasItems)
          BitBltBorder(dc, 0, 0, SkinData->FCacheBmp->Width(), SkinData->FCacheBmp->Height(),
                       SkinData->FCacheBmp->Canvas()->Handle(), 0, 0, 1, 1, 1, 1);
        else
          BitBlt(dc, 0, 0, SkinData->FCacheBmp->Width(), SkinData->FCacheBmp->Height(),
                 SkinData->FCacheBmp->Canvas()->Handle(), 0, 0, SRCCOPY);
        message.Result = kv_NCDraw(this, CtrlHandle, -1, dc);
      }
      return;
    }
    default: break;
  }
  TkvEditWnd::kvWndProc(message);
  if (!Destroyed && message.Msg == WM_WINDOWPOSCHANGED) UpdateScrolls(this, true);
}

// ---- TkvWWComboBoxWnd -------------------------------------------------------------------------

TkvWWComboBoxWnd::~TkvWWComboBoxWnd() {
  if (ListBoxSW) UninitializeKVScroll(ListBoxSW->CtrlHandle, true, false, ListBoxSW);
  if (ListBoxSkinData) ListBoxSkinData->Free();
  ListBoxSkinData = nullptr;
}

bool TkvWWComboBoxWnd::GetShowButton(TControl* control) {
  auto* combo = dynamic_cast<TCustomComboBox*>(control);
  return combo && (combo->Style() == csDropDown || combo->Style() == csDropDownList);
}

void TkvWWComboBoxWnd::AfterCreation() {
  ListBox = nullptr;
  ListBoxSkinData = nullptr;
  if (TControl* owner = OwnerControl()) FShowButton = GetShowButton(owner);
  TkvComboBoxWnd::AfterCreation();
}

TRect TkvWWComboBoxWnd::ButtonRect() {
  const TSize size = WindowSize(CtrlHandle);
  const Integer w = FShowButton ? GetSystemMetrics(SM_CXVSCROLL) : 0;
  const Integer left = (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_RTLREADING) ? 2 : size.cx - w - 2;
  return TRect(left, 2, left + w, size.cy - 2);
}

void TkvWWComboBoxWnd::kvWndProc(TMessage& message) {
  if (message.Msg == WM_CTLCOLORLISTBOX) {
    message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
    return;
  }
  TkvComboBoxWnd::kvWndProc(message);
  if (Destroyed || message.Msg != WM_PARENTNOTIFY || LOWORD(message.WParam) != WM_CREATE) return;
  auto* owner = dynamic_cast<TWinControl*>(OwnerControl());
  if (!owner) return;
  for (Integer i = 0; i < owner->ControlCount(); ++i) {
    auto* list = dynamic_cast<TCustomListBox*>(owner->Controls(i));
    if (!list) continue;
    ListBox = list;
    if (!ListBoxSkinData) {
      ListBoxSkinData = new TsScrollWndData(nullptr, true);
      ListBoxSkinData->FOwnerControl = list;
      ListBoxSkinData->SetSkinManager(SkinData ? SkinData->FSkinManager : nullptr);
      ListBoxSkinData->SetSkinSection(u"EDIT");
    }
    RefreshEditScrolls(ListBoxSkinData, ListBoxSW);
    if (ListBoxSW && ListBoxSW->Destroyed) {
      ListBoxSW->Free();
      ListBoxSW = nullptr;
      RefreshEditScrolls(ListBoxSkinData, ListBoxSW);
    }
  }
}
