#include "wrappers/kvSBUtilsEdit.h"

#include <windows.h>
#include <uxtheme.h>

#include <memory>
#include <optional>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "paint/sGraphUtils.h"
#include "raster/Pixels.h"
#include "skin/ControlServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Bitmap.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/Graphics.h"
#include "ui/ScopeGuard.h"
#include "ui/StdCtrls.h"
#include "ui/TypInfo.h"

TW_DEFINE_CLASS(TkvBaseWnd) {}
TW_DEFINE_CLASS(TkvEditWnd) {}

namespace {

bool Visible(HWND wnd) { return IsWindowVisible(wnd) != FALSE; }

// The clip box of a device context that stands in WParam holds nothing. An ordinary WM_PAINT
// carries no device context: that is never "empty".
bool EmptyClip(TWParam wParam, HDC printDC) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  if (!dc || dc == printDC) return false;
  RECT r{};
  return GetClipBox(dc, &r) == NULLREGION;
}

// Windows 10 and later, whose controls draw their own transparent backgrounds.
bool IsFluentSystem() { return IsWin10Up(); }

bool IsEditClass(HWND wnd) {
  wchar_t name[16]{};
  GetClassNameW(wnd, name, 16);
  return lstrcmpiW(name, L"Edit") == 0;
}

}  // namespace

bool kvPaintDialogCache(TBitmap* cache, DuRiruZireziv* manager) {
  if (!cache || !manager || manager->Palette[pcBorder] == 0xFF00FF) return false;
  const TRect all(0, 0, cache->Width(), cache->Height());
  TCanvas* cv = cache->Canvas();
  cv->Brush()->SetColor(TColor(GetSysColor(COLOR_WINDOW)));
  cv->FillRect(all);
  cv->Brush()->SetColor(manager->Palette[pcBorder]);
  cv->FrameRect(all);
  return true;
}

// ---- 1. TkvBaseWnd ----------------------------------------------------------------------------

void TkvBaseWnd::kvWndProc(TMessage& message) {
  if (Destroyed || !SkinData || !SkinData->Skinned()) {
    TkvScrollWnd::kvWndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_SIZE:
    case WM_EXITSIZEMOVE: SkinData->BGChanged = true; break;
    case WM_SETCURSOR:
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      return;
    case 0x2100: return;
    case SM_ALPHACMD:
      if (message.WParamHi == KV_REFRESH && RefreshNeeded(SkinData, message)) {
        TkvScrollWnd::kvWndProc(message);
        if (!Destroyed && Visible(CtrlHandle)) SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
        return;
      }
      if (message.WParamHi == KV_PREPARECACHE) { PrepareCache(SkinData, CtrlHandle, false); }
      break;
    default: break;
  }
  TkvScrollWnd::kvWndProc(message);
  if (Destroyed) return;
  switch (message.Msg) {
    case WM_SIZE:
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (!DontRepaint) UpdateScrolls(this, true);
      break;
    case WM_ENABLE:
    case CM_ENABLEDCHANGED:
      if (Visible(CtrlHandle)) SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
      break;
    default: break;
  }
}

// ---- 2. TkvEditWnd ----------------------------------------------------------------------------

TkvEditWnd::~TkvEditWnd() = default;

void TkvEditWnd::Create(HWND aHandle, TsCommonData* aSkinData, DuRiruZireziv* aSkinManager, TkvSkinParams& skinParams,
                        bool repaint) {
  if (!aHandle) return;
  // The system theme would draw its own frame and bars over the skinned ones.
  if ((repaint || !IsDropDownList()) && !KeepsTheme() && uxthemeLib && kv_SetWindowTheme &&
      skinParams.SkinSection != u"DIALOG") {
    if (aSkinData) {
      const bool listOrTree = aSkinData->COC == 10 || aSkinData->COC == 14;
      if (!listOrTree && !(aSkinData->FOwnerControl && HasProperty(aSkinData->FOwnerControl, u"UseXPThemes")))
        kv_SetWindowTheme(aHandle, L" ", L" ");
    } else if (skinParams.SkinSection == u"COMBOBOX") {
      kv_SetWindowTheme(aHandle, L" ", L" ");
    }
  }
  CtrlHandle = aHandle;
  FClientRect.Top = -1;
  CtrlState = 0;
  SkinManager = aSkinManager;
  Destroyed = false;
  StdNCPaint = false;
  if (aSkinData) {
    SkinData = aSkinData;
  } else {
    OwnSkinData = true;
    InitSkinData();
    const auto updating = SetForScope(SkinData->FUpdating, true, false);
    if (!skinParams.SkinSection.empty()) SkinData->FSkinSection = UpperCase(skinParams.SkinSection);
    SkinData->FOwnerControl = skinParams.Control;
    SkinData->FOwnerObject = skinParams.Control;
    if (skinParams.Control && HasProperty(skinParams.Control, u"PanelBorder")) SkinData->FSkinSection = u"TRANSPARENT";
    SkinData->FCustomFont = !skinParams.UseSkinFontColor;
    SkinData->FCustomColor = !skinParams.UseSkinColor;
    if (auto* sd = dynamic_cast<TsScrollWndData*>(SkinData)) {
      if (skinParams.HorzScrollBtnSize >= 0) sd->FHorzScrollData->FButtonsSize = skinParams.HorzScrollBtnSize;
      if (skinParams.VertScrollBtnSize >= 0) sd->FVertScrollData->FButtonsSize = skinParams.VertScrollBtnSize;
      if (skinParams.HorzScrollSize >= 0) sd->FHorzScrollData->FScrollWidth = skinParams.HorzScrollSize;
      if (skinParams.VertScrollSize >= 0) sd->FVertScrollData->FScrollWidth = skinParams.VertScrollSize;
    }
  }
  if (kv_KeepOwnFont) SkinData->FCustomFont = true;
  if (OwnSkinData && SkinData->COC != COC_TVST) SkinData->COC = COC_EditWnd;
  if (SkinData->FSkinSection.empty() && SkinData->COC > 230)
    SkinData->FSkinSection = skinParams.SkinSection.empty() ? String(u"EDIT") : UpperCase(skinParams.SkinSection);
  if (SkinManager && OwnSkinData) SkinData->SetSkinManager(SkinManager);
  SkinData->UpdateIndexes(true);
  SkinData->FSWHandle = aHandle;
  SaveStdParams();
  ParamsChanged = false;
  DlgMode = kvDlgMode;
  Caption = GetWndText(aHandle);
  InitializeKVScrolls(this, aHandle, repaint);
  if (TControl* ctrl = OwnerControl()) {
    OldCtrlStyle = ctrl->ControlStyle();
    HasOldCtrlStyle = true;
    SingleLineEdit = dynamic_cast<TCustomEdit*>(ctrl) && !(GetWindowLongW(aHandle, GWL_STYLE) & ES_MULTILINE);
    TControlStyle opaque = OldCtrlStyle;
    opaque += csOpaque;
    ctrl->SetControlStyle(opaque);
  } else {
    SingleLineEdit = false;
  }
  CtrlListChanged = false;
  AfterCreation();
}

void TkvEditWnd::SaveStdParams() {
  TControl* owner = OwnerControl();
  if (!owner) return;
  IsGridOwner = HasProperty(owner, u"DrawingStyle") && HasProperty(owner, u"GradientStartColor");
  if (IsGridOwner) {
    DrawingStyle = Integer(GetIntProp(owner, u"DrawingStyle"));
    FixedGradientFrom = TColor(GetIntProp(owner, u"GradientStartColor"));
    FixedGradientTo = TColor(GetIntProp(owner, u"GradientEndColor"));
  }
  StdColor = owner->Color();
  StdFontColor = owner->Font()->Color();
  HasFocusColor = HasProperty(owner, u"FocusColor");
  if (HasFocusColor) FocusColor = TColor(GetIntProp(owner, u"FocusColor"));
}

void TkvEditWnd::RestoreStdParams() {
  TkvScrollWnd::RestoreStdParams();
  TControl* owner = OwnerControl();
  const bool ownerAlive = owner && !owner->ComponentState().Contains(csDestroying);
  if (ownerAlive && IsGridOwner) {
    SetIntProp(owner, u"DrawingStyle", DrawingStyle);
    SetIntProp(owner, u"GradientStartColor", FixedGradientFrom);
    SetIntProp(owner, u"GradientEndColor", FixedGradientTo);
  }
  if (ownerAlive && SkinData) {
    // The values the control had before skinning come back, whatever changed them meanwhile:
    // neither the system window colour nor a font colour kept only under some condition.
    if (!SkinData->FCustomColor && owner->Color() != StdColor) owner->SetColor(StdColor);
    if (!SkinData->FCustomFont && owner->Font()->Color() != StdFontColor) {
      TkvStateBitScope changing(*SkinData, KVS_CHANGING);
      owner->Font()->SetColor(StdFontColor);
    }
    if (HasFocusColor) SetIntProp(owner, u"FocusColor", FocusColor);
  }
  if (ownerAlive && (!SkinData || !SkinData->FUpdating || SkinData->SkinIndex < 0) && IsWindow(CtrlHandle))
    SetWindowPos(CtrlHandle, nullptr, 0, 0, 0, 0, 0x737);
}

const TsGeneralData* TkvEditWnd::Section() {
  if (!SkinData || !SkinData->GetSkinManager()) return nullptr;
  TkvSkinData* skin = SkinData->GetCommonSkinData();
  if (!skin || SkinData->SkinIndex < 0 || size_t(SkinData->SkinIndex) >= skin->gd.size()) return nullptr;
  return &skin->gd[size_t(SkinData->SkinIndex)];
}

Integer TkvEditWnd::HotState() {
  const TsGeneralData* gd = Section();
  return gd && gd->States > 1 && SkinData->ControlIsActive() ? 1 : 0;
}

void TkvEditWnd::SetSkinParams() {
  if (bPreventStyleChange) return;
  const auto guard = SetForScope(bPreventStyleChange, true, false);
  TkvScrollWnd::SetSkinParams();
  if (!SkinData) return;
  DuRiruZireziv* manager = SkinData->GetSkinManager();
  TControl* owner = OwnerControl();
  if (owner && IsGridOwner && manager) {
    if (GetIntProp(owner, u"DrawingStyle") != 0) SetIntProp(owner, u"DrawingStyle", 1);
    SetIntProp(owner, u"GradientStartColor",
               BlendColors(manager->GetGlobalColor(), manager->GetActiveEditColor(), 127));
    SetIntProp(owner, u"GradientEndColor", manager->GetGlobalColor());
  }
  const TsGeneralData* gd = SkinData->Skinned() ? Section() : nullptr;
  if (!gd) {
    FrameColor = 0;
    return;
  }
  SkinData->FUpdating = true;
  if (owner) {
    const Integer s = HotState();
    if (s) CtrlState |= csNCPaintNeeded;
    if (!SkinData->FCustomColor) {
      const TColor c = GetBGColor(SkinData, s);
      if (HasFocusColor) {
        if (owner->Color() != c) CtrlState |= csPaintNeeded;
        SetIntProp(owner, u"Color", c);
        SetIntProp(owner, u"FocusColor", c);
      } else if (owner->Color() != c) {
        owner->SetColor(c);
        CtrlState |= csPaintNeeded;
      }
      Color = c;
    }
    if (!SkinData->FCustomFont) {
      const TColor fc = gd->Props[size_t(s)].FontColor.Color;
      if (owner->Font()->Color() != fc && SkinData->COC != 10 && SkinData->COC != 14) {
        {
          TkvStateBitScope changing(*SkinData, KVS_CHANGING);
          owner->Font()->SetColor(fc);
        }
        owner->Perform(CM_FONTCHANGED, 0, 0);
      }
      CtrlState |= csPaintNeeded;
      if (Destroyed) return;
    }
  } else {
    if (!SkinData->FCustomColor) Color = DlgMode ? TColor(GetSysColor(COLOR_WINDOW)) : TColor(gd->Props[0].Color);
    FrameColor = manager ? manager->Palette[pcBorder] : 0;
  }
  SkinData->BGChanged = true;
  SkinData->FUpdating = false;
}

bool TkvEditWnd::NCContent() {
  const bool edit = OwnerControl() ? dynamic_cast<TCustomEdit*>(OwnerControl()) != nullptr : IsEditClass(CtrlHandle);
  if (!edit || ShownBars(SB_HORZ) || ShownBars(SB_VERT)) return false;
  RECT c{}, w{};
  GetClientRect(CtrlHandle, &c);
  GetWindowRect(CtrlHandle, &w);
  const Integer edge = std::max<Integer>(cxLeftEdge, 0), topEdge = std::max<Integer>(cyTopEdge, 0);
  return c.right < (w.right - w.left) - 2 * edge || c.bottom < (w.bottom - w.top) - 2 * topEdge;
}

void TkvEditWnd::CopyFrame(HDC dc, Integer maxTop, bool borderOnly) {
  if (!SkinData || !SkinData->FCacheBmp) return;
  const Integer left = std::max<Integer>(cxLeftEdge, 0);
  const Integer top = std::min(std::max<Integer>(cyTopEdge, 0), maxTop);
  const Integer right = borderOnly ? left : std::max<Integer>(cxRightEdge, 0);
  const Integer bottom = borderOnly ? std::min(left, maxTop) : std::max<Integer>(cyBottomEdge, 0);
  BitBltBorder(dc, 0, 0, SkinData->FCacheBmp->Width(), SkinData->FCacheBmp->Height(),
               SkinData->FCacheBmp->Canvas()->Handle(), 0, 0, left, borderOnly ? std::min(left, maxTop) : top, right,
               bottom);
}

void TkvEditWnd::EmulPaint() {
  PAINTSTRUCT ps{};
  BeginPaint(CtrlHandle, &ps);
  EndPaint(CtrlHandle, &ps);
}

bool TkvEditWnd::HandlePaintMessage(TMessage& message) {
  switch (message.Msg) {
    case WM_PAINT: {
      if (!Visible(CtrlHandle) || bPreventStyleChange) return false;
      if (SkinData->CtrlSkinState & KVS_NCCHANGED) {
        SkinData->CtrlSkinState &= ~KVS_NCCHANGED;
        SetWindowPos(CtrlHandle, nullptr, 0, 0, 0, 0, 0x737);
      }
      if (EmptyClip(message.WParam, SkinData->PrintDC)) {
        EmulPaint();
        return true;
      }
      if (SingleLineEdit && !IsWindowEnabled(CtrlHandle)) {
        // The cache holds the disabled text: it is the whole look.
        PAINTSTRUCT ps{};
        BeginPaint(CtrlHandle, &ps);
        PrepareCache(SkinData, CtrlHandle, DlgMode);
        if (SkinData->FCacheBmp) {
          HDC wdc = GetWindowDC(CtrlHandle);
          BitBlt(wdc, 0, 0, SkinData->FCacheBmp->Width(), SkinData->FCacheBmp->Height(),
                 SkinData->FCacheBmp->Canvas()->Handle(), 0, 0, SRCCOPY);
          ReleaseDC(CtrlHandle, wdc);
        }
        EndPaint(CtrlHandle, &ps);
        return true;
      }
      if (SkinData->InUpdating(false) || (InAnimationProcess && !SkinData->PrintDC)) {
        EmulPaint();
        return true;
      }
      if (!(GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_RTLREADING)) {
        kv_NCDraw(this, CtrlHandle, -1, reinterpret_cast<HDC>(message.WParam));
        if (SkinData->COC != COC_TVST && message.WParam) {
          PrepareCache(SkinData, CtrlHandle, DlgMode);
          CopyFrame(reinterpret_cast<HDC>(message.WParam), 3);
        }
      }
      CtrlState &= ~csPaintNeeded;
      if (!ParamsChanged) SetSkinParams();
      return false;
    }
    case WM_ERASEBKGND:
      if (!Visible(CtrlHandle) || bPreventStyleChange) return false;
      if (EmptyClip(message.WParam, SkinData->PrintDC)) {
        message.Result = 1;
        return true;
      }
      if (SkinData->FUpdating) return true;
      CtrlState &= ~csPaintNeeded;
      if (!ParamsChanged) SetSkinParams();
      // A disabled single-line edit is painted whole from the cache (its text is there): the
      // window must not erase it first; nor while a form animation draws the form.
      if ((SingleLineEdit && !IsWindowEnabled(CtrlHandle)) || (InAnimationProcess && !SkinData->PrintDC)) {
        message.Result = 1;
        return true;
      }
      return false;
    case WM_NCPAINT: {
      if (!Visible(CtrlHandle) || bPreventStyleChange) return false;
      if (InAnimationProcess || StdNCPaint) return true;
      InitCtrlData(this);
      if (SkinData->InUpdating(false)) return true;
      HDC dc = GetWindowDC(CtrlHandle);
      if (!dc) return true;
      const TScopeExit release([&] { ReleaseDC(CtrlHandle, dc); });
      RECT clip{};
      if (dc != SkinData->PrintDC && GetClipBox(dc, &clip) == NULLREGION) return true;
      if (SkinData->BGChanged) {
        if (!ParamsChanged) SetSkinParams();
        PrepareCache(SkinData, CtrlHandle, DlgMode);
      }
      const bool ownContent = NCContent();
      if (ownContent) {
        const auto own = SetForScope(StdNCPaint, true, false);
        if (cxLeftEdge > 0) {
          HRGN rgn = CreateRectRgn(2, 2, WndSize.cx - 2, WndSize.cy - 2);
          SetWindowRgn(CtrlHandle, rgn, FALSE);  // the window owns the region from here
        }
        TLParam l = 0;
        CallPrevWndProc(CtrlHandle, WM_NCPAINT, 1, l);
        if (cxLeftEdge > 0) SetWindowRgn(CtrlHandle, nullptr, FALSE);
      }
      {
        TSaveDC saved(dc);
        kv_NCDraw(this, CtrlHandle, -1, dc);
        if (cxLeftEdge == -1) cxLeftEdge = 2;
        // Content of the window's own beyond the border stays: only the border is the skin's.
        CopyFrame(dc, 1 << 16, ownContent);
      }
      CtrlState &= ~csNCPaintNeeded;
      message.Result = 0;
      return true;
    }
    case WM_PRINT: DoPrint(message); return SkinData->COC != 10;
    default: return false;
  }
}

void TkvEditWnd::DoPrint(TMessage& message) {
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  auto* win = dynamic_cast<TWinControl*>(OwnerControl());
  // A transparent memo flickers through its parent unless it paints double-buffered.
  if (SkinData->COC == COC_TsMemo && SkinData->TranspMode == 1 && IsWinVistaUp() && !IsFluentSystem() && win &&
      !win->DoubleBuffered())
    win->SetDoubleBuffered(true);
  {
    // The control's own print may leave its clipping in the DC.
    std::optional<TSaveDC> state;
    if (dc) state.emplace(dc);
    message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
  }
  if (message.Result == 2 || Destroyed) return;
  InitCtrlData(this);
  SkinData->FUpdating = false;
  SkinData->BGChanged = true;
  if (!ParamsChanged) SetSkinParams();
  PrepareCache(SkinData, CtrlHandle, DlgMode);
  if (!DlgMode) UpdateWndCorners(SkinData, 0, this);
  if (!dc || !SkinData->FCacheBmp) return;
  TSaveDC saved(dc);
  if (!(message.LParam & PRF_CLIENT) || (message.LParam & PRF_NONCLIENT)) {
    CopyFrame(dc, 1 << 16);
    kv_NCDraw(this, CtrlHandle, -1, dc);
  }
  // The client: the control paints over the cache's client part, clipped to the area the
  // skinned bars leave.
  RECT client{};
  GetClientRect(CtrlHandle, &client);
  Integer dx = std::max<Integer>(cxLeftEdge, 0), dy = std::max<Integer>(cyTopEdge, 0);
  if (fLeftScrollbar && ShownBars(SB_VERT)) dx += GetScrollMetric(SB_VERT, true);
  IntersectClipRect(dc, dx, dy, dx + client.right, dy + client.bottom);
  // A transparent section without the control's own double buffering is composed off-screen,
  // so that the cache and the control's text reach the print DC together.
  const bool buffered = SkinData->TranspMode == 1 && IsWinVistaUp() && !(win && win->DoubleBuffered()) &&
                        !((SkinData->COC == 10 || SkinData->COC == 14) && !IsFluentSystem());
  HDC target = dc;
  HPAINTBUFFER paintBuffer = nullptr;
  if (buffered) {
    BP_PAINTPARAMS params{};
    params.cbSize = sizeof(params);
    RECT area{dx, dy, dx + client.right, dy + client.bottom};
    HDC memory = nullptr;
    paintBuffer = BeginBufferedPaint(dc, &area, BPBF_TOPDOWNDIB, &params, &memory);
    if (paintBuffer) target = memory;
  }
  const TScopeExit endBuffer([&] {
    if (paintBuffer) EndBufferedPaint(paintBuffer, TRUE);
  });
  BitBlt(target, dx, dy, client.right, client.bottom, SkinData->FCacheBmp->Canvas()->Handle(), dx, dy, SRCCOPY);
  TSaveDC clientOrigin(target);
  SetWindowOrgEx(target, -dx, -dy, nullptr);
  TrySendMessage(CtrlHandle, WM_PAINT, reinterpret_cast<uintptr_t>(target), 0);
  TrySendMessage(CtrlHandle, WM_PRINTCLIENT, reinterpret_cast<uintptr_t>(target), 0x24);
  message.Result = 0;
}

void TkvEditWnd::kvWndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_MOVE:
    case WM_SIZE:
      if (!SkinData) break;
      if (SkinData->GlowID >= 0) {
        // A glow around a moved window would stay behind: it goes, and comes back resized.
        TkvBaseWnd::kvWndProc(message);
        if (Destroyed || !SkinData) return;
        if (message.Msg == WM_MOVE) {
          if (auto* glows = TkvServiceSlot<TkvGlowServices>::Get()) glows->HideGlow(SkinData->GlowID, false);
        } else {
          ShowGlowingIfNeeded(SkinData, false, CtrlHandle);
        }
        return;
      }
      if (!Visible(CtrlHandle) && !(GetWindowLongW(CtrlHandle, GWL_STYLE) & WS_VISIBLE) && OwnerControl() &&
          OwnerControl()->Visible() && SkinData->COC == COC_EditWnd && !KeepsTheme())
        return;
      break;
    case SM_ALPHACMD:
      switch (message.WParamHi) {
        case KV_CTRLHANDLED: message.Result = 1; return;
        case KV_MOUSELEAVE:
          TkvBaseWnd::kvWndProc(message);
          if (SkinData && !kvMouseInControlDC(CtrlHandle)) SkinData->FMouseAbove = false;
          break;
        case KV_SETSCALE:
          if (HandleAlphaCmd(message)) return;
          break;
        default: break;
      }
      break;
    default: break;
  }
  if (!SkinData || Destroyed || !SkinData->Skinned()) {
    TkvBaseWnd::kvWndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      auto* win = dynamic_cast<TWinControl*>(OwnerControl());
      if (MayBeHot(SkinData, false) && win && win->CanFocus() && win->TabStop()) {
        SkinData->BGChanged = true;
        SkinData->FFocused = message.Msg == WM_SETFOCUS;
        TkvBaseWnd::kvWndProc(message);
        if (Destroyed) return;
        SetSkinParams();
        if (CtrlState & csPaintNeeded)
          RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_INVALIDATE);
        else if (CtrlState & csNCPaintNeeded)
          SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
      } else {
        message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      }
      return;
    }
    case WM_SETREDRAW:
      if (message.WParam == 1 && CtrlListChanged) {
        if (auto* win = dynamic_cast<TWinControl*>(OwnerControl())) AddToAdapter(win);
        CtrlListChanged = false;
      }
      break;
    case WM_SETTEXT:
    case CM_ENABLEDCHANGED:
    case CM_FONTCHANGED:
      SkinData->BGChanged = true;
      if (!(SkinData->CtrlSkinState & KVS_CHANGING) && !SkinData->FUpdating && SkinData->FUpdateCount < 1 &&
          !InAnimationProcess)
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_FRAME | RDW_ERASE | RDW_INVALIDATE);
      break;
    case WM_PAINT:
    case WM_ERASEBKGND:
    case WM_NCPAINT:
    case WM_PRINT:
      if (HandlePaintMessage(message)) return;
      break;
    case SM_ALPHACMD:
      if (HandleAlphaCmd(message)) return;
      break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: TkvBaseWnd::kvWndProc(message); return;
    default: break;
  }
  TkvBaseWnd::kvWndProc(message);
  if (Destroyed || !SkinData) return;
  switch (message.Msg) {
    case WM_SETFONT:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case EM_REPLACESEL:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_SETCURSEL:
    case LB_SETTOPINDEX: UpdateScrolls(this, true); break;
    case CN_BASE + WM_KEYDOWN:
    case CN_BASE + WM_KEYUP:
      if (!DontRepaint) UpdateScrolls(this, true);
      break;
    case LB_GETTOPINDEX:
      if (message.Result == 0 && dynamic_cast<TCustomListBox*>(OwnerControl()) &&
          CallPrevWndProc(CtrlHandle, LB_GETCOUNT, 0, message.LParam) == 0)
        message.Result = -1;
      break;
    case WM_MOUSEMOVE:
      // The window under the mouse shows its hot look, a raw edit's as well.
      if (DefaultManager && !DefaultManager->ComponentState().Contains(csDesigning) && IsWindowEnabled(CtrlHandle) &&
          DefaultManager->ActiveControl() != CtrlHandle)
        DefaultManager->SetActiveControl(CtrlHandle);
      if (GetCapture() == CtrlHandle && !SkinData->FUpdating) UpdateScrolls(this, true);
      break;
    case WM_PARENTNOTIFY:
      if (LOWORD(message.WParam) == WM_CREATE && SkinData->GetSkinManager() &&
          SkinData->GetSkinManager()->SkinningRules().Contains(srThirdParty))
        CtrlListChanged = true;
      break;
    case CM_CONTROLLISTCHANGE: CtrlListChanged = true; break;
    case CN_BASE + WM_NOTIFY:
      if (message.LParam && reinterpret_cast<NMHDR*>(message.LParam)->code == UINT(-102) && !SkinData->FUpdating)
        UpdateScrolls(this, true);
      break;
    default: break;
  }
}

bool TkvEditWnd::HandleAlphaCmd(TMessage& message) {
  switch (message.WParamHi) {
    case KV_REFRESH:
      // Refreshed once here; the message does not go round a second time.
      if (!RefreshNeeded(SkinData, message)) return false;
      TkvBaseWnd::kvWndProc(message);
      if (!Destroyed) SetSkinParams();
      return true;
    case KV_ENDPARENTUPDATE:
      if (SkinData->FUpdating && !SkinData->InUpdating(true))
        RedrawWindow(CtrlHandle, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
      return false;
    case KV_CTRLHANDLED: message.Result = 1; return true;
    case KV_PREPARECACHE:
      InitCtrlData(this);
      PrepareCache(SkinData, CtrlHandle, DlgMode);
      UpdateWndCorners(SkinData, 0, this);
      return true;
    case KV_GETSKININDEX:
      if (message.LParam) reinterpret_cast<Integer*>(message.LParam)[1] = SkinData->SkinIndex;
      return true;
    case KV_GETBG: {
      if (!SkinData) return false;
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      auto* info = reinterpret_cast<TkvBGInfo*>(message.LParam);
      if (!info) return true;
      if (info->BgType == btUnknown) {
        if (SkinData->FCustomColor) {
          info->BgType = btFill;
          info->Color = OwnerControl() ? OwnerControl()->Color() : Color;
        } else {
          InitBGInfo(SkinData, info, 0);
        }
      }
      info->Offset.X += std::max<Integer>(cxLeftEdge, 0);
      info->Offset.Y += std::max<Integer>(cyTopEdge, 0);
      return true;
    }
    case KV_BEFORESCROLL:
      if (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR)
        SendMessageW(CtrlHandle, WM_SETREDRAW, 0, 0);
      else
        TkvBaseWnd::kvWndProc(message);
      return true;
    case KV_AFTERSCROLL:
      if (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) {
        SendMessageW(CtrlHandle, WM_SETREDRAW, 1, 0);
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
      } else {
        TkvBaseWnd::kvWndProc(message);
      }
      return true;
    case KV_GETAPPLICATION: message.Result = reinterpret_cast<TLResult>(Application); return true;
    case KV_SETSCALE: {
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      const bool handled = CommonMessage(message, SkinData);
      SkinData->CtrlSkinState |= KVS_NCCHANGED;
      return handled;
    }
    default: return CommonMessage(message, SkinData);
  }
}
