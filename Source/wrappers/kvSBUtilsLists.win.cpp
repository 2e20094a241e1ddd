#include "wrappers/kvSBUtilsLists.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>
#include <vector>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/Shapes.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Bitmap.h"
#include "ui/ComCtrls.h"
#include "ui/Controls.h"
#include "ui/GdiScopes.h"
#include "ui/Graphics.h"
#include "ui/ImgList.h"

TW_DEFINE_CLASS(TkvListViewWnd) {}
TW_DEFINE_CLASS(TkvTreeViewWnd) {}

namespace {

TColor Rgb(TColor c) { return ColorToRGB(c); }

// The section's colour and font colour of look s.
struct TStateColors {
  TColor Color = 0;
  TColor FontColor = 0;
};
std::optional<TStateColors> StateColors(TsCommonData* sd, Integer s) {
  if (!sd || !sd->GetSkinManager()) return std::nullopt;
  TkvSkinData* skin = sd->GetCommonSkinData();
  if (!skin || sd->SkinIndex < 0 || size_t(sd->SkinIndex) >= skin->gd.size()) return std::nullopt;
  const TsGenState& look = skin->gd[size_t(sd->SkinIndex)].Props[size_t(s)];
  return TStateColors{TColor(look.Color), TColor(look.FontColor.Color)};
}

Integer SectionStates(TsCommonData* sd) {
  TkvSkinData* skin = sd ? sd->GetCommonSkinData() : nullptr;
  if (!skin || sd->SkinIndex < 0 || size_t(sd->SkinIndex) >= skin->gd.size()) return 0;
  return skin->gd[size_t(sd->SkinIndex)].States;
}

}  // namespace

// ---- List view --------------------------------------------------------------------------------

TkvListViewWnd::~TkvListViewWnd() { UnhookHeader(); }

void TkvListViewWnd::AfterCreation() {
  if (SkinData) SkinData->COC = COC_TsListView;
  TkvEditWnd::AfterCreation();
  HoverColIndex = -1;
  FPressedColumn = -1;
  if (HWND header = FindWindowExW(CtrlHandle, nullptr, L"SysHeader32", nullptr); header && !FhWndHeader)
    HookHeader(header);
}

void TkvListViewWnd::HookHeader(HWND header) {
  if (FHeaderHook.Attach(header, this, &TkvListViewWnd::HeaderWndProc)) FhWndHeader = header;
}

void TkvListViewWnd::UnhookHeader() {
  FHeaderHook.Detach();
  FhWndHeader = nullptr;
}

void TkvListViewWnd::SaveStdParams() {
  TkvEditWnd::SaveStdParams();
  if (!CtrlHandle) return;
  if (TControl* owner = OwnerControl()) {
    StdColor = owner->Color();
    StdFontColor = owner->Font()->Color();
  } else {
    StdColor = TColor(SendMessageW(CtrlHandle, LVM_GETBKCOLOR, 0, 0));
    StdFontColor = TColor(SendMessageW(CtrlHandle, LVM_GETTEXTCOLOR, 0, 0));
  }
}

void TkvListViewWnd::RestoreStdParams() {
  UnhookHeader();
  TkvEditWnd::RestoreStdParams();
  if (!IsWindow(CtrlHandle)) return;
  SendMessageW(CtrlHandle, LVM_SETTEXTCOLOR, 0, Rgb(StdFontColor));
  SendMessageW(CtrlHandle, LVM_SETTEXTBKCOLOR, 0, Rgb(StdColor));
  SendMessageW(CtrlHandle, LVM_SETBKCOLOR, 0, Rgb(StdColor));
  if (TControl* owner = OwnerControl(); owner && !owner->ComponentState().Contains(csDestroying))
    owner->SetColor(StdColor);
  RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE);
}

void TkvListViewWnd::SetSkinParams() {
  TkvEditWnd::SetSkinParams();
  if (!CtrlHandle || !SkinData) return;
  if (DlgMode) {
    SendMessageW(CtrlHandle, LVM_SETBKCOLOR, 0, GetSysColor(COLOR_WINDOW));
    SendMessageW(CtrlHandle, LVM_SETTEXTBKCOLOR, 0, GetSysColor(COLOR_WINDOW));
    SendMessageW(CtrlHandle, LVM_SETTEXTCOLOR, 0, GetSysColor(COLOR_WINDOWTEXT));
    return;
  }
  if (!DefaultManager || !DefaultManager->IsValidSkinIndex(SkinData->SkinIndex)) return;
  const Integer s = SkinData->ControlIsActive() && SectionStates(SkinData) > 1 ? 1 : 0;
  const auto colors = StateColors(SkinData, s);
  if (!colors) return;
  if (!SkinData->FCustomColor) {
    if (TColor(SendMessageW(CtrlHandle, LVM_GETBKCOLOR, 0, 0)) != Rgb(colors->Color))
      SendMessageW(CtrlHandle, LVM_SETBKCOLOR, 0, Rgb(colors->Color));
    if (TColor(SendMessageW(CtrlHandle, LVM_GETTEXTBKCOLOR, 0, 0)) != Rgb(colors->Color))
      SendMessageW(CtrlHandle, LVM_SETTEXTBKCOLOR, 0, Rgb(colors->Color));
  }
  if (!SkinData->FCustomFont && TColor(SendMessageW(CtrlHandle, LVM_GETTEXTCOLOR, 0, 0)) != Rgb(colors->FontColor))
    SendMessageW(CtrlHandle, LVM_SETTEXTCOLOR, 0, Rgb(colors->FontColor));
}

Integer TkvListViewWnd::ViewStyle() {
  switch (SendMessageW(CtrlHandle, LVM_GETVIEW, 0, 0)) {
    case LV_VIEW_ICON: return 0;
    case LV_VIEW_DETAILS: return 3;
    case LV_VIEW_SMALLICON: return 1;
    default: return 2;
  }
}

TRect TkvListViewWnd::GetHeaderColumnRect(Integer index) {
  RECT r{};
  Integer item = index;
  if (GetWindowLongW(FhWndHeader, GWL_STYLE) & HDS_FULLDRAG) {
    const Integer count = Integer(SendMessageW(FhWndHeader, HDM_GETITEMCOUNT, 0, 0));
    if (count > 0) {
      std::vector<int> order(size_t(count), 0);
      if (SendMessageW(FhWndHeader, HDM_GETORDERARRAY, WPARAM(count), LPARAM(order.data())) && index >= 0 &&
          index < count)
        item = order[size_t(index)];
    }
  }
  SendMessageW(FhWndHeader, HDM_GETITEMRECT, WPARAM(item), LPARAM(&r));
  return TRect(r.left, r.top, r.right, r.bottom);
}

Integer TkvListViewWnd::MouseToColIndex(TLParam pos) {
  POINT p{short(LOWORD(pos)), short(HIWORD(pos))};
  ScreenToClient(FhWndHeader, &p);
  const Integer count = Integer(SendMessageW(FhWndHeader, HDM_GETITEMCOUNT, 0, 0));
  for (Integer i = 0; i < count; ++i) {
    const TRect r = GetHeaderColumnRect(i);
    if (p.x >= r.Left && p.x < r.Right && p.y >= r.Top && p.y < r.Bottom) return i;
  }
  return -2;
}

void TkvListViewWnd::ClearHotColumns() {
  if (HoverColIndex == -1 && FPressedColumn == -1) return;
  HoverColIndex = -1;
  FPressedColumn = -1;
  if (FhWndHeader) PaintHeader(nullptr);
}

void TkvListViewWnd::PaintHeader(HDC dc) {
  if (!FhWndHeader || ViewStyle() != 3) return;
  PAINTSTRUCT ps{};
  BeginPaint(FhWndHeader, &ps);
  const TScopeExit endPaint([&] { EndPaint(FhWndHeader, &ps); });
  const Integer count = Integer(SendMessageW(FhWndHeader, HDM_GETITEMCOUNT, 0, 0));
  Integer right = 0;
  for (Integer i = 0; i < count; ++i) {
    const TRect r = GetHeaderColumnRect(i);
    if (r.Right <= r.Left || r.Bottom <= r.Top) continue;
    ColumnSkinPaint(r, Integer(SendMessageW(FhWndHeader, HDM_ORDERTOINDEX, WPARAM(i), 0)), dc);
    right = std::max<Integer>(right, r.Right);
  }
  RECT wr{};
  GetWindowRect(FhWndHeader, &wr);
  const TRect rest(right, 0, wr.right - wr.left, wr.bottom - wr.top);
  if (rest.Right > rest.Left && rest.Bottom > rest.Top) ColumnSkinPaint(rest, -2, dc);
}

void TkvListViewWnd::ColumnSkinPaint(const TRect& controlRect, Integer cIndex, HDC dc) {
  TkvSkinData* skin = SkinData ? SkinData->GetCommonSkinData() : nullptr;
  if (!skin) return;
  std::unique_ptr<TBitmap> bmp(CreateBmp32(controlRect.Right - controlRect.Left, controlRect.Bottom - controlRect.Top));
  const TRect r(0, 0, bmp->Width(), bmp->Height());
  Integer state = 0;
  if (FPressedColumn >= 0)
    state = cIndex == FPressedColumn ? 2 : 0;
  else
    state = cIndex >= 0 && cIndex == HoverColIndex ? 1 : 0;
  TControl* owner = OwnerControl();
  const TColor bg = owner ? owner->Color() : TColor(GetSysColor(COLOR_WINDOW));
  const Integer si = PaintSection(bmp.get(), skin->GetSkinIndex(u"COLHEADER"), skin->GetSkinIndex(u"BUTTON"), state,
                                  skin, TPoint{controlRect.Left, controlRect.Top}, bg, nullptr);
  TCanvas* cv = bmp->Canvas();
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(CtrlHandle, WM_GETFONT, 0, 0));
  // The list's font, with the face name the skin imposes.
  TOwnedFont skinFont;
  LOGFONTW lf{};
  if (font && GetObjectW(font, sizeof lf, &lf)) {
    CheckSkinFont(lf);
    skinFont.reset(CreateFontIndirectW(&lf));
    if (skinFont) font = skinFont.get();
  }
  HGDIOBJ oldFont = font ? SelectObject(cv->Handle(), font) : nullptr;
  const TScopeExit putFontBack([&] {
    if (oldFont) SelectObject(cv->Handle(), oldFont);
  });
  SetBkMode(cv->Handle(), TRANSPARENT);
  TRect textRC(r.Left + 4, r.Top + 1, r.Right - 4, r.Bottom - 1);
  if (cIndex >= 0) {
    wchar_t text[1024]{};
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_FORMAT | HDI_BITMAP | HDI_IMAGE | HDI_ORDER;
    item.pszText = text;
    item.cchTextMax = 1024;
    if (SendMessageW(FhWndHeader, HDM_GETITEMW, WPARAM(cIndex), LPARAM(&item))) {
      const Cardinal flags = DT_END_ELLIPSIS | DT_EXPANDTABS | DT_SINGLELINE | DT_VCENTER;
      // The column's image from the list's small images, left of its text.
      auto* listView = dynamic_cast<TCustomListView*>(owner);
      TCustomImageList* images = listView ? listView->SmallImages() : nullptr;
      Integer gWidth = 0;
      if (images && (item.fmt & (HDF_IMAGE | 0x8000)))
        gWidth = images->Width() + 4;
      else
        item.iImage = -1;
      // The sort arrow: the skin's scroll-button glyph of that side, or a small drawn arrow.
      Integer arrowGlyph = -2;
      TkvSide arrowSide = asTop;
      if (item.fmt & HDF_SORTDOWN) arrowSide = asBottom;
      if (item.fmt & (HDF_SORTDOWN | HDF_SORTUP)) arrowGlyph = skin->ScrollBtns[size_t(arrowSide)].GlyphIndex;
      TSize arrow{0, 0};
      if (arrowGlyph == -1)
        arrow = TSize{6, 3};
      else if (arrowGlyph >= 0 && size_t(arrowGlyph) < skin->ma.size())
        arrow = TSize{skin->ma[size_t(arrowGlyph)].Width + 6, skin->ma[size_t(arrowGlyph)].Height};
      const String caption(reinterpret_cast<const Char*>(text));
      SIZE ext{};
      GetTextExtentPoint32W(cv->Handle(), text, lstrlenW(text), &ext);
      const Integer tw = ext.cx + 5;
      switch (item.fmt & 0xFF) {
        case HDF_RIGHT:
          textRC.Right -= arrow.cx;
          textRC.Left = textRC.Right - tw;
          break;
        case HDF_CENTER:
          textRC.Left += (textRC.Right - textRC.Left - tw - arrow.cx - gWidth) / 2 + gWidth;
          textRC.Right = textRC.Left + tw;
          break;
        default:
          textRC.Left += gWidth;
          textRC.Right = textRC.Left + tw;
          break;
      }
      const Integer x = textRC.Right + 6;
      if (arrowGlyph >= 0 && size_t(arrowGlyph) < skin->ma.size()) {
        const Integer y = (textRC.Bottom - textRC.Top - arrow.cy) / 2;
        TCacheInfo ci = EmptyCI;
        ci.Bmp = bmp.get();
        ci.X = 0;
        ci.Y = 0;
        ci.Ready = true;
        DrawSkinGlyph(bmp.get(), TPoint{x, y}, state, 1, skin->ma[size_t(arrowGlyph)], ci);
      } else if (arrowGlyph == -1 && si >= 0) {
        const Integer y = (textRC.Bottom - textRC.Top - arrow.cy) / 2 + textRC.Top;
        DrawColorArrow(bmp.get(),
                       TColor(skin->gd[size_t(si)].Props[size_t(std::min<Integer>(state, 2))].FontColor.Color),
                       TRect(x, y, x + 6, y + 3), arrowSide, SkinData->CurrentPPI);
      }
      if (state == 2 && CanClickShift(SkinData->SkinIndex, SkinData))
        textRC = TRect(textRC.Left + 1, textRC.Top + 1, textRC.Right + 1, textRC.Bottom + 1);
      kvWriteTextEx(cv, caption, true, textRC, flags, si, state != 0 ? 1 : 0, SkinData->GetSkinManager());
      if (item.iImage >= 0 && images) {
        const Integer y = (textRC.Bottom - textRC.Top - images->Height()) / 2 + (state == 2 ? 1 : 0);
        images->Draw(cv, textRC.Left - gWidth, y, item.iImage, owner->Enabled());
      }
    }
  }
  const TGivenOrOwnDC target(FhWndHeader, dc, dcWindow);
  BitBlt(target, controlRect.Left, controlRect.Top, r.Right, r.Bottom, cv->Handle(), 0, 0, SRCCOPY);
}

void TkvListViewWnd::HeaderWndProc(TMessage& message) {
  if (Destroyed || ViewStyle() != 3 || !SkinData || !SkinData->Skinned()) {
    message.Result = FHeaderHook.CallPrevious(message.Msg, message.WParam, message.LParam);
    if (message.Msg == WM_NCDESTROY) UnhookHeader();
    return;
  }
  switch (message.Msg) {
    case WM_PAINT:
      PaintHeader(nullptr);
      message.Result = 0;
      return;
    case WM_ERASEBKGND: message.Result = 1; return;
    case WM_WINDOWPOSCHANGING:
      if (IsWindowVisible(CtrlHandle)) ProcessMessage(WM_NCPAINT, 0, 0);
      break;
    case WM_NCDESTROY:
      message.Result = FHeaderHook.CallPrevious(message.Msg, message.WParam, message.LParam);
      UnhookHeader();
      return;
    case WM_NCHITTEST: {
      if (DefaultManager) DefaultManager->SetActiveControl(CtrlHandle);
      message.Result = FHeaderHook.CallPrevious(message.Msg, message.WParam, message.LParam);
      const Integer pos = MouseToColIndex(message.LParam);
      const Integer item = pos >= 0 ? Integer(SendMessageW(FhWndHeader, HDM_ORDERTOINDEX, WPARAM(pos), 0)) : pos;
      if (item != HoverColIndex) {
        HoverColIndex = item;
        PaintHeader(nullptr);
      }
      return;
    }
    case WM_LBUTTONUP: FPressedColumn = -1; break;
    default: break;
  }
  message.Result = FHeaderHook.CallPrevious(message.Msg, message.WParam, message.LParam);
  if (message.Msg == WM_LBUTTONDOWN && FhWndHeader) {
    HDHITTESTINFO hit{};
    hit.pt = POINT{short(LOWORD(message.LParam)), short(HIWORD(message.LParam))};
    SendMessageW(FhWndHeader, HDM_HITTEST, 0, LPARAM(&hit));
    FPressedColumn = hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN) ? -1 : hit.iItem;
    RedrawWindow(FhWndHeader, nullptr, nullptr, RDW_INVALIDATE);
  }
}

bool TkvListViewWnd::Scroll(TMessage& message) {
  const Integer code = LOWORD(message.WParam);
  if (code != SB_THUMBTRACK) {
    TLParam l = message.Msg == WM_VSCROLL ? 0 : message.LParam;
    message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, l);
    return true;
  }
  const Integer pos = message.LParam != 0 ? Integer(message.LParam) : Integer(short(HIWORD(message.WParam)));
  Integer delta = pos - kvScrollState.nLastSBPos;
  if (message.Msg == WM_VSCROLL) {
    if (delta == 0) return true;
    if (ViewStyle() == 3 && SendMessageW(CtrlHandle, LVM_ISGROUPVIEWENABLED, 0, 0) == 0) {
      RECT r{LVIR_BOUNDS, 0, 0, 0};
      SendMessageW(CtrlHandle, LVM_GETITEMRECT, 0, LPARAM(&r));
      delta *= r.bottom - r.top;
    }
    SendMessageW(CtrlHandle, LVM_SCROLL, 0, delta);
  } else {
    if (ViewStyle() == 2) {
      RECT r{LVIR_BOUNDS, 0, 0, 0};
      SendMessageW(CtrlHandle, LVM_GETITEMRECT, 0, LPARAM(&r));
      delta *= r.right - r.left;
    }
    SendMessageW(CtrlHandle, LVM_SCROLL, WPARAM(delta), 0);
  }
  return true;
}

void TkvListViewWnd::kvWndProc(TMessage& message) {
  const bool skinned = SkinData && !Destroyed && SkinData->Skinned();
  if (skinned) {
    switch (message.Msg) {
      case WM_PAINT:
        // The cache canvas writes with the control's font, which the window itself keeps too.
        LoadCtrlFont(this, true);
        SetSkinParams();
        break;
      case WM_NCHITTEST: ClearHotColumns(); break;
      case WM_NCPAINT: message.Result = 0; break;
      case WM_PRINT: {
        InitCtrlData(this);
        if (!ParamsChanged) SetSkinParams();
        if (HDC dc = reinterpret_cast<HDC>(message.WParam)) {
          HBRUSH b = CreateSolidBrush(Rgb(Color));
          RECT all{0, 0, WndSize.cx, WndSize.cy};
          FillRect(dc, &all, b);
          DeleteObject(b);
        }
        break;
      }
      case WM_HSCROLL:
      case WM_VSCROLL:
        if (Scroll(message)) return;
        break;
      case SM_ALPHACMD:
        switch (message.WParamHi) {
          case KV_REFRESH:
            if (RefreshNeeded(SkinData, message)) {
              TkvEditWnd::kvWndProc(message);
              if (!Destroyed && FhWndHeader)
                RedrawWindow(FhWndHeader, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
              return;
            }
            break;
          case KV_GETSKININDEX:
            if (message.LParam) reinterpret_cast<Integer*>(message.LParam)[1] = SkinData->SkinIndex;
            return;
          case KV_MOUSELEAVE:
            CommonMessage(message, SkinData);
            ClearHotColumns();
            break;
          case KV_BEFORESCROLL: message.Result = 1; return;
          default: CommonMessage(message, SkinData); break;
        }
        break;
      default: break;
    }
  }
  TkvEditWnd::kvWndProc(message);
  if (!skinned || Destroyed || !SkinData) return;
  switch (message.Msg) {
    case WM_SIZE:
      SkinData->BGChanged = true;
      if (SkinData->Skinned() && !SkinData->FUpdating && IsWindowVisible(CtrlHandle)) {
        PrepareCache(SkinData, CtrlHandle, DlgMode);
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: SetSkinParams(); break;
    case WM_STYLECHANGED:
    case LVM_ARRANGE:
    case 0x1007:
      if (!SkinData->FUpdating) UpdateScrolls(this, true);
      break;
    case WM_LBUTTONUP: ReleaseCapture(); break;
    case WM_PRINT:
      if (ViewStyle() == 3 && FhWndHeader) {
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        TSaveDC saved(dc);
        const Integer left = std::max<Integer>(cxLeftEdge, 0), top = std::max<Integer>(cyTopEdge, 0);
        SetWindowOrgEx(dc, -left, -top, nullptr);
        // The header stays inside the client part, off the frame and the scroll bars.
        if (TBitmap* cache = SkinData ? SkinData->FCacheBmp.get() : nullptr) {
          const Integer w = cache->Width() - 2 * left - (ShownBars(SB_VERT) ? GetScrollMetric(SB_VERT, true) : 0);
          const Integer h = cache->Height() - 2 * top - (ShownBars(SB_HORZ) ? GetScrollMetric(SB_HORZ, true) : 0);
          IntersectClipRect(dc, 0, 0, w, h);
        }
        PaintHeader(dc);
      }
      break;
    case WM_PARENTNOTIFY:
      if (LOWORD(message.WParam) == WM_CREATE) {
        HWND child = reinterpret_cast<HWND>(message.LParam);
        wchar_t name[96]{};
        GetClassNameW(child, name, 96);
        if (lstrcmpW(name, L"SysHeader32") == 0) {
          if (FhWndHeader)
            UnhookHeader();
          else
            HookHeader(child);
        }
      }
      break;
    default: break;
  }
}

// ---- Tree view --------------------------------------------------------------------------------

void TkvTreeViewWnd::kvWndProc(TMessage& message) {
  if (!SkinData) {
    TkvEditWnd::kvWndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_LBUTTONUP:
      TkvEditWnd::kvWndProc(message);
      ReleaseCapture();
      return;
    case WM_ERASEBKGND: {
      TControl* owner = OwnerControl();
      if ((owner && HasProperty(owner, u"OnAdvancedCustomDraw") &&
           GetMethodProp(owner, u"OnAdvancedCustomDraw").Assigned()) ||
          !SkinData->Skinned()) {
        message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
        return;
      }
      if (!SkinData->InUpdating(false)) {
        // Not updating: the tree paints its whole client itself.
        message.Result = 1;
        return;
      }
      if (SkinData->BGChanged) PrepareCache(SkinData, CtrlHandle, DlgMode);
      TColor c = 0;
      if (DlgMode) {
        c = TColor(GetSysColor(COLOR_WINDOW));
      } else if (SkinData->FCustomColor) {
        c = owner ? ColorToRGB(owner->Color()) : TColor(GetSysColor(COLOR_WINDOW));
      } else {
        const bool hot = SkinData->FFocused || (SkinData->FMouseAbove && MayBeHot(SkinData, true));
        if (const auto colors = StateColors(SkinData, hot ? 1 : 0)) c = colors->Color;
      }
      const TGivenOrOwnDC dc(CtrlHandle, reinterpret_cast<HDC>(message.WParam), dcClient);
      RECT r{};
      GetClientRect(CtrlHandle, &r);
      HBRUSH b = CreateSolidBrush(c);
      FillRect(dc, &r, b);
      DeleteObject(b);
      message.Result = 1;
      return;
    }
    default: TkvEditWnd::kvWndProc(message); return;
  }
}

void TkvTreeViewWnd::SetSkinParams() {
  TkvEditWnd::SetSkinParams();
  if (!CtrlHandle) return;
  if (DlgMode) {
    SendMessageW(CtrlHandle, TVM_SETBKCOLOR, 0, GetSysColor(COLOR_WINDOW));
    SendMessageW(CtrlHandle, TVM_SETTEXTCOLOR, 0, GetSysColor(COLOR_WINDOWTEXT));
    return;
  }
  if (!SkinData || !SkinData->Skinned()) return;
  const Integer s = SkinData->ControlIsActive() ? 1 : 0;
  const auto colors = StateColors(SkinData, s);
  if (!colors) return;
  TControl* owner = OwnerControl();
  const TColor bg = SkinData->FCustomColor ? (owner ? owner->Color() : 0) : colors->Color;
  const TColor fc = SkinData->FCustomFont ? (owner ? owner->Font()->Color() : 0) : colors->FontColor;
  if (owner) {
    if (owner->Font()->Color() != fc) {
      TFont* font = owner->Font();
      const TNotifyEvent saved = font->OnChange();
      font->SetOnChange(TNotifyEvent());
      font->SetColor(fc);
      font->SetOnChange(saved);
    }
    if (bg == owner->Color()) return;
  }
  SendMessageW(CtrlHandle, TVM_SETBKCOLOR, 0, Rgb(bg));
}

void TkvTreeViewWnd::SaveStdParams() {
  TkvEditWnd::SaveStdParams();
  if (OwnerControl() || !CtrlHandle) return;
  StdColor = TColor(SendMessageW(CtrlHandle, TVM_GETBKCOLOR, 0, 0));
  StdFontColor = TColor(SendMessageW(CtrlHandle, TVM_GETTEXTCOLOR, 0, 0));
}

void TkvTreeViewWnd::RestoreStdParams() {
  TkvEditWnd::RestoreStdParams();
  if (!IsWindow(CtrlHandle) || !IsWindowVisible(CtrlHandle)) return;
  // A raw tree gets the values it answered (-1 stands for the system colour).
  const bool owned = OwnerControl() != nullptr;
  SendMessageW(CtrlHandle, TVM_SETBKCOLOR, 0, owned ? Rgb(StdColor) : StdColor);
  SendMessageW(CtrlHandle, TVM_SETTEXTCOLOR, 0, owned ? Rgb(StdFontColor) : StdFontColor);
}
