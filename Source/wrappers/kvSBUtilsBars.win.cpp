#include "wrappers/kvSBUtilsBars.h"

#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "controls/sThirdParty.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "raster/Shapes.h"
#include "raster/Text.h"
#include "raster/kvgpUtils.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/Graphics.h"
#include "ui/ImgList.h"
#include "wrappers/kvSBUtilsPaintSteps.h"

using namespace wrapsteps;

TW_DEFINE_CLASS(TkvToolBarWnd) {}
TW_DEFINE_CLASS(TkvToolBarVCLWnd) {}
TW_DEFINE_CLASS(TkvStatusBarWnd) {}

namespace {

const Char* const kToolButton = u"TOOLBUTTON";

Integer Border(HWND wnd) {
  RECT w{}, c{};
  GetWindowRect(wnd, &w);
  GetClientRect(wnd, &c);
  return ((w.bottom - w.top) - c.bottom) / 2;
}

// Writes caption into r of canvas: two lines when the words do not fit on one (the first line
// centred, the second ending with an ellipsis), else one block centred with word break.
void WriteButtonCaption(TCanvas* canvas, const String& caption, TRect r, Integer section, Integer hot,
                        DuRiruZireziv* manager) {
  HDC dc = canvas->Handle();
  std::vector<String> words;
  size_t start = 0;
  for (size_t i = 0; i <= caption.size(); ++i)
    if (i == caption.size() || caption[i] == u' ') {
      if (i > start) words.push_back(caption.substr(start, i - start));
      start = i + 1;
    }
  std::vector<Integer> widths;
  String prefix;
  for (const String& w : words) {
    if (!prefix.empty()) prefix += u' ';
    prefix += w;
    SIZE s{};
    GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(prefix.c_str()), int(prefix.size()), &s);
    widths.push_back(s.cx);
  }
  const Integer split = SplitCaptionWords(widths, r.Width());
  if (split == 0) {
    kvWriteTextEx(canvas, caption, true, r, DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_END_ELLIPSIS, section, hot,
                  manager);
    return;
  }
  String first, second;
  for (Integer i = 0; i < Integer(words.size()); ++i) {
    String& line = i < split ? first : second;
    if (!line.empty()) line += u' ';
    line += words[size_t(i)];
  }
  const Integer mid = r.Top + r.Height() / 2;
  TRect r1(r.Left, r.Top, r.Right, mid), r2(r.Left, mid, r.Right, r.Bottom);
  kvWriteTextEx(canvas, first, true, r1, DT_CENTER | DT_BOTTOM | DT_SINGLELINE, section, hot, manager);
  kvWriteTextEx(canvas, second, true, r2, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_END_ELLIPSIS, section, hot, manager);
}

}  // namespace

// ---- Native tool bars --------------------------------------------------------------------------

Integer TkvToolBarWnd::Count() { return Integer(ProcessMessage(TB_BUTTONCOUNT, 0, 0)); }

TRect TkvToolBarWnd::GetButtonRect(Integer index) {
  TRect r;
  ProcessMessage(TB_GETITEMRECT, TWParam(index), reinterpret_cast<TLParam>(&r));
  return r;
}

String TkvToolBarWnd::ButtonText(Integer commandId) {
  // The text's length first: a caption may be longer than any buffer guessed in advance.
  const TLResult length = ProcessMessage(TB_GETBUTTONTEXTW, TWParam(commandId), 0);
  if (length <= 0) return String();
  std::vector<wchar_t> buffer(size_t(length) + 1, L'\0');
  const TLResult got = ProcessMessage(TB_GETBUTTONTEXTW, TWParam(commandId), reinterpret_cast<TLParam>(buffer.data()));
  if (got <= 0) return String();
  return String(reinterpret_cast<const Char*>(buffer.data()), size_t(std::min<TLResult>(got, length)));
}

bool TkvToolBarWnd::DoPrepareCache() {
  InitCtrlData(this);
  if (SkinData->BGChanged) {
    RECT c{};
    GetClientRect(CtrlHandle, &c);
    ClientRect = TRect(c.left, c.top, c.right, c.bottom);
    PrepareCache(SkinData, CtrlHandle, false);
    UpdateWndCorners(SkinData, 0, this);
    BorderWidth = (WndSize.cy - c.bottom) / 2;
    SkinData->BGChanged = false;
  }
  return true;
}

void TkvToolBarWnd::KV_WMNCPaint() {
  if (!(GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) || SkinData->InUpdating()) return;
  DoPrepareCache();
  TWindowDC dc(CtrlHandle);
  RECT c{};
  GetClientRect(CtrlHandle, &c);
  BitBltBorder(dc, 0, 0, WndSize.cx, WndSize.cy, SkinData->FCacheBmp->Canvas()->Handle(), 0, 0,
               (WndSize.cx - c.right) / 2, -1, -1, -1);
}

void TkvToolBarWnd::KV_WMPrint(HDC given) {
  SkinData->BGChanged = true;
  DoPrepareCache();
  TBitmap* cache = SkinData->FCacheBmp.get();
  auto bmp = NewBmp32(cache->Width(), cache->Height());
  CopyBmp(bmp->Canvas()->Handle(), 0, 0, cache->Width(), cache->Height(), cache);
  DrawButtons(bmp.get());
  FillAlphaRect(bmp.get(), TRect(0, 0, bmp->Width(), bmp->Height()), 255, clNone);
  TClientPaintDC dc(CtrlHandle, given);
  CopyBmp(dc, 0, 0, cache->Width() - 2 * BorderWidth, cache->Height() - 2 * BorderWidth, bmp.get(), BorderWidth,
          BorderWidth);
}

void TkvToolBarWnd::DrawButtons(TBitmap* bmp) {
  for (Integer i = 0, n = Count(); i < n; ++i) {
    TRect r = GetButtonRect(i);
    MoveRect(r, BorderWidth, BorderWidth);
    DrawBtn(i, r, bmp->Canvas()->Handle());
  }
}

void TkvToolBarWnd::DrawBtn(Integer index, TRect r, HDC dc) {
  TBBUTTON btn{};
  if (!ProcessMessage(TB_GETBUTTON, TWParam(index), reinterpret_cast<TLParam>(&btn))) return;
  r.Right = std::min<Integer>(r.Right, WndSize.cx);
  TkvSkinData* skin = SkinOf(SkinData);
  TBitmap* cache = SkinData->FCacheBmp.get();
  if (r.IsEmpty() || !skin || !cache) return;
  const Integer w = r.Width(), h = r.Height();
  auto b = NewBmp32(w, h);
  HDC bdc = b->Canvas()->Handle();
  if (btn.fsStyle & BTNS_SEP) {
    const Integer divider = skin->GetSkinIndex(u"DIVIDER");
    if (divider >= 0 && SectionImage(skin, u"DIVIDER", u"BORDERSMASK")) {
      CopyBmp(bdc, 0, 0, w, h, cache, r.Left, r.Top);
      const TRect dr(w / 2 - 1, 2, w / 2 + 3, h - 2);
      PaintItem(divider, MakeCacheInfo(cache, 0, 0), true, 0, dr, TPoint(r.Left + dr.Left, r.Top + dr.Top), b.get(),
                skin);
      CopyBmp(dc, r.Left, r.Top, w, h, b.get());
    }
    return;
  }
  Integer state = 0, o = 0;
  const bool enabled = (btn.fsState & TBSTATE_ENABLED) != 0;
  if (!enabled) {
    state = 0;
  } else if (btn.fsState & TBSTATE_PRESSED) {
    state = 2;
    o = 1;
  } else {
    TRect screen = r;
    MoveRect(screen, WndRect.Left - BorderWidth, WndRect.Top - BorderWidth);
    state = screen.Contains(kvMousePos()) ? 1 : 0;
  }
  const Integer section = skin->GetSkinIndex(kToolButton);
  if (section >= 0)
    PaintItem(section, MakeCacheInfo(cache, 0, 0), true, state, TRect(0, 0, w, h), r.TopLeft(), b.get(), skin);
  const String text = ButtonText(btn.idCommand);
  HIMAGELIST images = reinterpret_cast<HIMAGELIST>(ProcessMessage(TB_GETIMAGELIST, 0, 0));
  int cx = 0, cy = 0;
  const bool hasImage = btn.iBitmap >= 0 && images && ImageList_GetIconSize(images, &cx, &cy);
  if (hasImage) {
    // The list may be shared with the dialog: its background colour goes back afterwards.
    const COLORREF oldBk = ImageList_SetBkColor(images, CLR_NONE);
    const TsMaskData* arrow = ImageOf(skin, skin->ScrollBtns[asBottom].GlyphIndex);
    Integer x, y;
    if (btn.fsStyle & BTNS_WHOLEDROPDOWN) {
      if (arrow) {
        const TPoint at = text.empty() ? TPoint(w - 1 - arrow->Width - o, (h - arrow->Height) / 2 + o)
                                       : TPoint((w - arrow->Width) / 2 + o, (h - arrow->Height) / 2 + o);
        DrawSkinGlyph(b.get(), at, state, 1, *arrow, MakeCacheInfo(b.get(), 0, 0));
        x = (w - cx - arrow->Width) / 2 + o;
      } else {
        x = (w - cx) / 2 + o;
      }
      y = o + 4;
    } else if (!text.empty()) {
      x = (w - cx) / 2 + o;
      y = o + 4;
    } else {
      x = (w - cx) / 2 + o;
      y = (h - cy) / 2 + o;
    }
    ImageList_Draw(images, btn.iBitmap, bdc, x, y, ILD_TRANSPARENT);
    ImageList_SetBkColor(images, oldBk);
  }
  if (!text.empty()) {
    TCanvas* canvas = b->Canvas();
    LOGFONTW lf{};
    HFONT f = reinterpret_cast<HFONT>(ProcessMessage(WM_GETFONT, 0, 0));
    if (f && GetObjectW(f, sizeof lf, &lf)) {
      CheckSkinFont(lf);
      canvas->Font()->SetHandle(CreateFontIndirectW(&lf));
    } else {
      CheckSkinFont(canvas->Font());
    }
    TRect tr(o + 2, o + 2 + (hasImage ? cy + 2 : 0), w + o - 2, h + o - 2);
    Integer textSection = state == 0 ? SkinData->SkinIndex : section;
    DuRiruZireziv* manager = SkinData->GetSkinManager();
    if (NeedParentFont(manager, textSection, state, nullptr)) {
      // A see-through look writes in the colours of what lies under the bar.
      TkvPaintInfo info;
      info.State = state;
      info.R = r;
      MoveRect(info.R, WndPos.X - BorderWidth, WndPos.Y - BorderWidth);  // in the parent's coordinates
      info.SkinManager = manager;
      info.FontIndex = textSection;
      if (GetFontIndex(GetParent(CtrlHandle), &info) != 0) textSection = info.FontIndex;
    }
    if (ValidSection(skin, textSection))
      canvas->Font()->SetColor(
          TColor(skin->gd[size_t(textSection)].Props[size_t(std::min<Integer>(state, 1))].FontColor.Color));
    canvas->Brush()->SetStyle(bsClear);
    WriteButtonCaption(canvas, text, tr, textSection, state > 0 ? 1 : 0, SkinData->GetSkinManager());
  }
  if (!enabled) BlendTransRectangle(b.get(), 0, 0, cache, r, DefBlendDisabled, 0xFF00FF);
  CopyBmp(dc, r.Left, r.Top, w, h, b.get());
}

void TkvToolBarWnd::KV_WMPaint(TMessage& message) {
  TPaintDC paint(CtrlHandle);
  if (!SkinData->InUpdating()) KV_WMPrint(message.WParam ? reinterpret_cast<HDC>(message.WParam) : paint.get());
}

void TkvToolBarWnd::kvWndProc(TMessage& message) {
  if (SkinData && SkinData->Skinned()) {
    switch (message.Msg) {
      case WM_SETFOCUS: {
        InitCtrlData(this);
        if (!WndRect.Contains(kvMousePos())) {
          message.Result = 1;
          return;
        }
        break;
      }
      case WM_PAINT:
        if (!IsWindowVisible(CtrlHandle)) break;
        KV_WMPaint(message);
        return;
      case WM_ERASEBKGND: message.Result = 1; return;
      case WM_NCPAINT: KV_WMNCPaint(); return;
      case WM_PRINT: KV_WMPrint(reinterpret_cast<HDC>(message.WParam)); return;
      default: break;
    }
  }
  TkvMainWnd::kvWndProc(message);
  if (Destroyed || !SkinData) return;
  if (message.Msg == WM_SIZE || message.Msg == WM_WINDOWPOSCHANGED) {
    SkinData->BGChanged = true;
    RedrawWindow(CtrlHandle, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
  }
}

// ---- Class-library tool bars -------------------------------------------------------------------

void TkvToolBarVCLWnd::InstallHandlers() {
  if (!ToolBar) return;
  const TTBAdvancedCustomDrawBtnEvent ours(this, &TkvToolBarVCLWnd::OurAdvancedCustomDrawButton);
  if (!(ToolBar->OnAdvancedCustomDrawButton() == ours)) OldDrawBtnEvent = ToolBar->OnAdvancedCustomDrawButton();
  ToolBar->SetOnAdvancedCustomDraw(TTBAdvancedCustomDrawEvent(this, &TkvToolBarVCLWnd::OurAdvancedCustomDraw));
  ToolBar->SetOnAdvancedCustomDrawButton(ours);
}

void TkvToolBarVCLWnd::AfterCreation() {
  HotButtonIndex = -1;
  ToolBar = dynamic_cast<TToolBar*>(OwnerControl());
  if (ToolBar) {
    InstallHandlers();
    if (SkinData->SkinSection().empty()) SkinData->SetSkinSection(u"TOOLBAR");
  }
  TkvMainWnd::AfterCreation();
}

TRect TkvToolBarVCLWnd::DisplayRect() {
  RECT c{}, w{};
  GetClientRect(CtrlHandle, &c);
  GetWindowRect(CtrlHandle, &w);
  POINT p{0, 0};
  ClientToScreen(CtrlHandle, &p);
  return TRect(p.x - w.left, p.y - w.top, p.x - w.left + c.right, p.y - w.top + c.bottom);
}

TRect TkvToolBarVCLWnd::GetButtonRect(Integer index) {
  TToolButton* b = ToolBar ? ToolBar->Buttons(index) : nullptr;
  return b ? TRect(b->Left(), b->Top(), b->Left() + b->Width(), b->Top() + b->Height()) : TRect();
}

Integer TkvToolBarVCLWnd::IndexByMouse(TPoint p) {
  if (!ToolBar) return -1;
  for (Integer i = 0; i < ToolBar->ButtonCount(); ++i) {
    if (!GetButtonRect(i).Contains(p)) continue;
    const TToolButtonStyle s = ToolBar->Buttons(i)->Style();
    return s == tbsButton || s == tbsCheck || s == tbsDropDown ? i : -1;
  }
  return -1;
}

void TkvToolBarVCLWnd::PrepareCache() {
  InitCtrlData(this);
  SkinData->InitCacheBmp();
  TBitmap* cache = SkinData->FCacheBmp.get();
  PaintItem(SkinData, GetParentCache(SkinData), true, 0, TRect(0, 0, cache->Width(), cache->Height()), WndPos, cache,
            false);
  SkinData->BGChanged = false;
}

void TkvToolBarVCLWnd::OurAdvancedCustomDraw(TToolBar* sender, const TRect&, TCustomDrawStage stage,
                                             bool& defaultDraw) {
  if (!SkinData || !SkinData->Skinned()) {
    defaultDraw = true;
    return;
  }
  if (SkinData->InUpdating()) return;
  if (stage != cdPrePaint) {
    defaultDraw = false;
    return;
  }
  if (SkinData->BGChanged || !SkinData->FCacheBmp) PrepareCache();
  TBitmap* cache = SkinData->FCacheBmp.get();
  cache->Canvas()->Font()->Assign(sender->Font());
  HDC dc = sender->Canvas()->Handle();
  const TRect display = DisplayRect();
  RECT c{};
  GetClientRect(CtrlHandle, &c);
  {
    TSaveDC saved(dc);
    IntersectClipRect(dc, 0, 0, c.right, c.bottom);
    const bool transparentImages = SkinData->GetSkinManager() && SkinData->GetSkinManager()->Options.StdImgTransparency;
    for (Integer i = 0; i < sender->ControlCount(); ++i) {
      TControl* child = sender->Controls(i);
      if (!child->Visible()) continue;
      const bool graphic = dynamic_cast<TWinControl*>(child) == nullptr;
      if (graphic && transparentImages) continue;
      if (graphic || child->ControlStyle().Contains(csOpaque))
        ExcludeClipRect(dc, child->Left(), child->Top(), child->Left() + child->Width(),
                        child->Top() + child->Height());
    }
    CopyBmp(dc, 0, 0, c.right, c.bottom, cache, display.Left, display.Top);
  }
  PaintControls(dc, sender, false, TPoint(0, 0), true);
  SetParentUpdated(sender);
  if (display.Left != 0 || display.Top != 0 || c.right != WndSize.cx || c.bottom != WndSize.cy)
    SendMessageW(CtrlHandle, WM_NCPAINT, 1, 0);
}

void TkvToolBarVCLWnd::OurAdvancedCustomDrawButton(TToolBar* sender, TToolButton* button, TCustomDrawState state,
                                                   TCustomDrawStage stage, TTBCustomDrawFlags& flags,
                                                   bool& defaultDraw) {
  if (!SkinData || !SkinData->Skinned()) {
    defaultDraw = true;
    return;
  }
  defaultDraw = false;
  if (stage != cdPrePaint || !button || button->Index() < 0) return;
  TkvSkinData* skin = SkinOf(SkinData);
  if (!skin) return;
  if (!sender->Flat() && !sender->ComponentState().Contains(csDesigning) && button->Index() == HotButtonIndex)
    state += cdsHot;
  flags += tbNoEdges;
  flags += tbNoEtchedEffect;
  const Integer w = button->Width(), h = button->Height();
  if (w <= 0 || h <= 0) return;
  auto b = NewBmp32(w, h);
  Integer s = 0;
  if (state.Contains(cdsMarked) || state.Contains(cdsIndeterminate) || state.Contains(cdsSelected) ||
      state.Contains(cdsChecked) || button->Down())
    s = 2;
  else if (!(state == TCustomDrawState{}) && !(state == TCustomDrawState{cdsDisabled}))
    s = 1;
  const Integer section = skin->GetSkinIndex(kToolButton);
  // The text takes the colours of the section that gives the font here: a flat bar at rest
  // shows its own (or, when it is see-through, its parent's), other buttons the tool button's.
  TkvPaintInfo info;
  info.State = s;
  info.R = TRect(0, 0, w, h);
  info.SkinManager = SkinData->GetSkinManager();
  const bool flatAtRest = sender->Flat() && s == 0;
  info.FontIndex = flatAtRest ? SkinData->SkinIndex : section;
  GetFontIndex(flatAtRest ? static_cast<TControl*>(sender) : button, &info);
  const Integer fontSection = info.FontIndex;
  TCanvas* canvas = b->Canvas();
  canvas->Font()->Assign(sender->Font());
  canvas->Font()->SetColor(
      ValidSection(skin, fontSection)
          ? TColor(skin->gd[size_t(fontSection)].Props[size_t(std::min<Integer>(s, 2))].FontColor.Color)
          : ColorToRGB(clWindowText));
  if (!SkinData->FCacheBmp || SkinData->BGChanged) PrepareCache();
  TBitmap* cache = SkinData->FCacheBmp.get();
  const TRect display = DisplayRect();
  const TPoint at(button->Left(), button->Top());
  const Integer added = button->Style() == tbsDropDown ? GetSystemMetrics(SM_CXVSCROLL) - 2 : 0;
  if (section >= 0) {
    PaintItemBG(section, MakeCacheInfo(cache, display.Left, display.Top), s, TRect(0, 0, w, h), at, b.get(), skin);
    if (const TsMaskData* mask = SectionImage(skin, kToolButton, u"BORDERSMASK"))
      DrawSkinRect(b.get(), TRect(0, 0, w - added, h), MakeCacheInfo(b.get(), 0, 0), *mask, s, false);
  }
  const Integer iw = w - added;
  TCustomImageList* images = sender->Images();
  const bool hasImage = images && button->ImageIndex() >= 0 && button->ImageIndex() < images->Count();
  if (sender->ShowCaptions() && !button->Caption().empty()) {
    SIZE ts{}, a{};
    HDC bdc = canvas->Handle();
    GetTextExtentPoint32W(bdc, reinterpret_cast<const wchar_t*>(button->Caption().c_str()),
                          int(button->Caption().size()), &ts);
    GetTextExtentPoint32W(bdc, L"A", 1, &a);
    TRect cr;
    if (sender->List()) {
      cr = TRect(hasImage ? images->Width() + 6 : 1, 2, iw - 2, h - 2);
    } else {
      const Integer x = (iw - ts.cx) / 2;
      Integer y0, top;
      if (hasImage) {
        y0 = (h - images->Height() - a.cy - 3) / 2;
        top = images->Height() + y0 + 3;
      } else {
        y0 = (h - a.cy) / 2;
        top = y0;
      }
      cr = TRect(x - 1, top, iw - x + 2, h - y0);
    }
    if (s == 2 && CanClickShift(section, SkinData)) MoveRect(cr, 1, 1);
    canvas->Brush()->SetStyle(bsClear);
    kvWriteTextEx(canvas, button->Caption(), true, cr, DT_CENTER | DT_VCENTER | DT_SINGLELINE, fontSection,
                  s > 0 ? 1 : 0, SkinData->GetSkinManager());
  }
  // The image of the state (the bar's hot or disabled list), discoloured and toned as the skin
  // asks.
  if (hasImage) CopyToolBtnGlyph(sender, button, state, stage, flags, b.get());
  if (button->Style() == tbsDropDown && added > 0) {
    const Integer arrowState = (button == DroppedButton && button->DropdownMenu()) || button->Down() ? 2
                               : s > 0                                                               ? 1
                                                                                                     : 0;
    if (const TsMaskData* mask = SectionImage(skin, kToolButton, u"BORDERSMASK"))
      DrawSkinRect(b.get(), TRect(iw, 0, w, h), MakeCacheInfo(b.get(), 0, 0), *mask, arrowState, false);
    DuRiruZireziv* m = SkinData->GetSkinManager();
    DrawArrow(b.get(), canvas->Font()->Color(), clNone, TRect(iw, 0, w, h), asBottom, 0, 0, 0,
              m ? m->Options.ActualArrowStyle() : TkvArrowsStyle{}, GetPPI(SkinData));
  }
  if (!button->Enabled() || state.Contains(cdsIndeterminate)) {
    TRect under(at.X + display.Left, at.Y + display.Top, at.X + display.Left + w, at.Y + display.Top + h);
    BlendTransRectangle(b.get(), 0, 0, cache, under, DefBlendDisabled, 0xFF00FF);
  }
  CopyBmp(sender->Canvas()->Handle(), at.X, at.Y, w, h, b.get());
  if (OldDrawBtnEvent) {
    bool dd = true;
    OldDrawBtnEvent(sender, button, state, cdPostPaint, flags, dd);
  }
}

void TkvToolBarVCLWnd::RepaintButton(Integer index) {
  TToolButton* button = ToolBar ? ToolBar->Buttons(index) : nullptr;
  if (!button || !button->Visible()) return;
  TWindowDC dc(CtrlHandle);
  const TRect display = DisplayRect();
  SetWindowOrgEx(dc, -display.Left, -display.Top, nullptr);
  TCanvas* canvas = ToolBar->Canvas();
  HDC old = canvas->HandleAllocated() ? canvas->Handle() : nullptr;
  canvas->SetHandle(dc);
  TTBCustomDrawFlags flags{tbNoEdges, tbNoEtchedEffect};
  bool dd = false;
  OurAdvancedCustomDrawButton(ToolBar, button, TCustomDrawState{}, cdPrePaint, flags, dd);
  canvas->SetHandle(old);
}

void TkvToolBarVCLWnd::WMNCPaint(HDC given) {
  if (SkinData->InUpdating()) return;
  const TRect display = DisplayRect();
  InitCtrlData(this);
  if (display == TRect(0, 0, WndSize.cx, WndSize.cy)) return;
  if (SkinData->BGChanged || !SkinData->FCacheBmp) PrepareCache();
  std::optional<TWindowDC> own;
  HDC dc = given;
  if (!dc) {
    own.emplace(CtrlHandle);
    dc = *own;
  }
  TSaveDC saved(dc);
  ExcludeClipRect(dc, display.Left, display.Top, display.Right, display.Bottom);
  CopyBmp(dc, 0, 0, WndSize.cx, WndSize.cy, SkinData->FCacheBmp.get());
}

void TkvToolBarVCLWnd::kvWndProc(TMessage& message) {
  if (message.Msg == SM_ALPHACMD && SkinData) {
    switch (message.WParamHi) {
      case KV_SETNEWSKIN:
        SkinData->SetCommonSkinData(nullptr);
        InstallHandlers();
        break;
      case KV_REMOVESKIN:
        if (ToolBar && reinterpret_cast<DuRiruZireziv*>(message.LParam) == SkinData->GetSkinManager()) {
          ToolBar->SetOnAdvancedCustomDraw(TTBAdvancedCustomDrawEvent());
          ToolBar->SetOnAdvancedCustomDrawButton(OldDrawBtnEvent);
          DroppedButton = nullptr;
        }
        break;
      case KV_REFRESH:
        if (RefreshNeeded(SkinData, message)) DroppedButton = nullptr;
        break;
      case KV_PREPARECACHE: return;
      case KV_GETBG:
        if (auto* info = reinterpret_cast<TkvBGInfo*>(message.LParam)) {
          InitCtrlData(this);
          InitBGInfo(SkinData, info, 0, CtrlHandle);
          const TRect d = DisplayRect();
          info->Offset.X += d.Left;
          info->Offset.Y += d.Top;
        }
        return;
      default:
        if (CommonMessage(message, SkinData)) return;
        break;
    }
  }
  const bool skinned = SkinData && SkinData->Skinned();
  if (skinned) {
    switch (message.Msg) {
      case WM_PAINT:
        if (SkinData->InUpdating()) {
          TPaintDC paint(CtrlHandle);
          return;
        }
        break;
      case WM_ERASEBKGND: message.Result = 1; return;
      case WM_NCPAINT:
        if (!InAnimationProcess) WMNCPaint(nullptr);
        return;
      case WM_PRINT: {
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        if (!dc) return;
        if (SkinData->BGChanged || !SkinData->FCacheBmp) {
          SkinData->FUpdating = false;
          PrepareCache();
        }
        const TRect d = DisplayRect();
        {
          TSaveDC saved(dc);
          ExcludeClipRect(dc, d.Left, d.Top, d.Right, d.Bottom);
          CopyBmp(dc, 0, 0, WndSize.cx, WndSize.cy, SkinData->FCacheBmp.get());
        }
        TSaveDC saved(dc);
        OffsetWindowOrgEx(dc, -d.Left, -d.Top, nullptr);
        IntersectClipRect(dc, 0, 0, d.Width(), d.Height());
        SendMessageW(CtrlHandle, WM_PAINT, message.WParam, 0);
        return;
      }
      case CN_NOTIFY:
        if (const auto* nm = reinterpret_cast<const NMHDR*>(message.LParam)) {
          if (nm->code == TBN_DELETINGBUTTON && ToolBar && HotButtonIndex >= ToolBar->ButtonCount())
            HotButtonIndex = -1;
          if (nm->code == TBN_DROPDOWN && ToolBar) {
            const auto* tb = reinterpret_cast<const NMTOOLBARW*>(message.LParam);
            TBBUTTON info{};
            if (ProcessMessage(TB_GETBUTTON, TWParam(tb->iItem), reinterpret_cast<TLParam>(&info)) &&
                ToolBar->Buttons(tb->iItem)) {
              DroppedButton = ToolBar->Buttons(tb->iItem);
              RepaintButton(tb->iItem);
            }
          }
        }
        break;
      default: break;
    }
    if (CommonWndProc(message, SkinData)) return;
  }
  TkvMainWnd::kvWndProc(message);
  if (Destroyed || !SkinData || !SkinData->Skinned() || !ToolBar) return;
  const bool tracking = !ToolBar->Flat() && !ToolBar->ComponentState().Contains(csDesigning);
  switch (message.Msg) {
    case WM_SIZE:
      if (!SkinData->InUpdating()) RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE);
      break;
    case WM_MOUSEMOVE:
      if (tracking) {
        const Integer i = IndexByMouse(TPoint(GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)));
        if (i != HotButtonIndex && (i < 0 || ToolBar->Buttons(i)->Enabled())) {
          const Integer old = HotButtonIndex;
          HotButtonIndex = i;
          if (old >= 0) RepaintButton(old);
          if (i >= 0 && !ToolBar->Buttons(i)->Down()) RepaintButton(i);
        }
      }
      break;
    case CN_DROPDOWNCLOSED:
      if (DroppedButton) {
        TToolButton* b = DroppedButton;
        HotButtonIndex = -1;
        DroppedButton = nullptr;
        RepaintButton(b->Index());
      }
      break;
    case CM_MOUSELEAVE:
      if (tracking && HotButtonIndex >= 0) {
        const Integer old = HotButtonIndex;
        HotButtonIndex = -1;
        RepaintButton(old);
      }
      break;
    default: break;
  }
}

// ---- Status bars -------------------------------------------------------------------------------

void TkvStatusBarWnd::AfterCreation() {
  if (SkinData->SkinSection().empty()) SkinData->SetSkinSection(u"STATUSBAR");
  StatusBar = dynamic_cast<TStatusBar*>(OwnerControl());
  TkvMainWnd::AfterCreation();
}

Integer TkvStatusBarWnd::PartsCount() { return Integer(ProcessMessage(SB_GETPARTS, 0, 0)); }

TRect TkvStatusBarWnd::PartRect(Integer index) {
  TRect r;
  ProcessMessage(SB_GETRECT, TWParam(index), reinterpret_cast<TLParam>(&r));
  return r;
}

bool TkvStatusBarWnd::SimplePanel() { return ProcessMessage(SB_ISSIMPLE, 0, 0) == 1; }

String TkvStatusBarWnd::PartText(Integer index) {
  if (PartsCount() == 0) return String();
  if (SimplePanel()) {
    const TLResult n = ProcessMessage(WM_GETTEXTLENGTH, 0, 0);
    if (n <= 0) return String();
    std::vector<wchar_t> buffer(size_t(n) + 1, L'\0');
    ProcessMessage(WM_GETTEXT, TWParam(n + 1), reinterpret_cast<TLParam>(buffer.data()));
    return String(reinterpret_cast<const Char*>(buffer.data()));
  }
  if (!StatusBar) return String();
  if (StatusBar->Panels()->Count() == 0) return StatusBar->SimpleText();
  if (index < 0 || index >= StatusBar->Panels()->Count()) return String();
  return StatusBar->Panels()->Items(index)->Text();
}

void TkvStatusBarWnd::PaintPanels() {
  if (SimplePanel()) {
    InternalDrawPanel(-1, TRect(0, 1, WndSize.cx - 1, WndSize.cy - 1));
    return;
  }
  for (Integer i = 0, n = PartsCount(); i < n; ++i) DrawPanel(i, PartRect(i));
}

void TkvStatusBarWnd::DrawPanel(Integer index, TRect r) {
  GrowRect(r, -1, -1);
  InternalDrawPanel(index, r);
}

void TkvStatusBarWnd::InternalDrawPanel(Integer index, TRect r) {
  TkvSkinData* skin = SkinOf(SkinData);
  TBitmap* cache = SkinData->FCacheBmp.get();
  if (!skin || !cache) return;
  const bool simple = SimplePanel();
  if (ValidSection(skin, SkinData->SkinIndex)) {
    if (const TsMaskData* frame = SectionImage(skin, SkinData->SkinSection(), u"STATUSPANELMASK")) {
      DrawSkinRect(cache, simple ? TRect(0, 0, WndSize.cx, WndSize.cy) : r, EmptyCI, *frame, 0, false);
    } else if (!simple && index < PartsCount() - 1) {
      const Integer divider = skin->GetSkinIndex(u"DIVIDER");
      if (const TsMaskData* mask = divider >= 0 ? SectionImage(skin, u"DIVIDER", u"BORDERSMASK") : nullptr) {
        const Integer w = std::max<Integer>(2, mask->WL + mask->WR), h = WndSize.cy - 2;
        auto b = NewBmp32(w, h);
        CopyBmp(b->Canvas()->Handle(), 0, 0, w, h, cache, r.Right - w, r.Top);
        PaintItem(divider, MakeCacheInfo(cache, 0, 0), true, 0, TRect(0, 0, w, h), TPoint(r.Right - w, 1), b.get(),
                  skin);
        CopyBmp(cache->Canvas()->Handle(), r.Right - w, 1, w, h, b.get());
      }
    }
  }
  TStatusPanel* panel =
      StatusBar && index >= 0 && index < StatusBar->Panels()->Count() ? StatusBar->Panels()->Items(index) : nullptr;
  if (panel && panel->Style() == psOwnerDraw && StatusBar->OnDrawPanel()) {
    TCanvas* canvas = StatusBar->Canvas();
    const HDC old = canvas->HandleAllocated() ? canvas->Handle() : nullptr;
    canvas->SetHandle(cache->Canvas()->Handle());
    StatusBar->OnDrawPanel()(StatusBar, panel, r);
    canvas->SetHandle(old);
    return;
  }
  TRect tr = r;
  GrowRect(tr, -1, -1);
  tr.Bottom -= 1;
  tr.Left += 2;
  tr.Right -= 4;
  if (!StatusBar) return;
  cache->Canvas()->Font()->Assign(StatusBar->Font());
  const String text = CutText(cache->Canvas(), PartText(index), tr.Width());
  const TAlignment al = simple || !panel ? taLeftJustify : panel->Alignment();
  DoDrawText(text, tr, GetStringFlags(StatusBar, al));
}

void TkvStatusBarWnd::DoDrawText(const String& text, TRect r, Cardinal flags) {
  TCanvas* canvas = SkinData->FCacheBmp->Canvas();
  if (StatusBar) canvas->Font()->Assign(StatusBar->Font());
  canvas->Brush()->SetStyle(bsClear);
  kvWriteTextEx(canvas, text, true, r, flags | DT_VCENTER | DT_SINGLELINE, SkinData, 0, nullptr, true);
}

void TkvStatusBarWnd::PaintGrip() {
  TkvSkinData* skin = SkinOf(SkinData);
  if (!StatusBar || !StatusBar->SizeGrip() || !skin) return;
  const TsMaskData* grip = ImageOf(skin, skin->GripRightBottom);
  if (!grip) return;
  TBitmap* cache = SkinData->FCacheBmp.get();
  const Integer b = Border(CtrlHandle);
  DrawSkinGlyph(cache, TPoint(cache->Width() - grip->Width - b, cache->Height() - grip->Height - b), 0, 1, *grip,
                MakeCacheInfo(cache, 0, 0));
}

void TkvStatusBarWnd::PrepareCache() {
  InitCtrlData(this);
  SizeCache(this);
  const TCacheInfo ci = OwnerControl() ? GetParentCache(SkinData) : GetParentCacheHwnd(CtrlHandle);
  PaintItem(SkinData, ci, true, 0, TRect(0, 0, WndSize.cx, WndSize.cy), WndPos, SkinData->FCacheBmp.get(), false);
  PaintPanels();
  PaintGrip();
  SkinData->BGChanged = false;
}

void TkvStatusBarWnd::WMPaint(HDC given) {
  InitCtrlData(this);
  PrepareCache();
  TClientPaintDC dc(CtrlHandle, given);
  CopyBmp(dc, 0, 0, WndSize.cx, WndSize.cy, SkinData->FCacheBmp.get());
}

void TkvStatusBarWnd::WMNCPaint(HDC given) {
  InitCtrlData(this);
  if (!StatusBar) return;
  if (SkinData->BGChanged || !SkinData->FCacheBmp) PrepareCache();
  const Integer b = Border(CtrlHandle);
  if (b <= 0) return;
  std::optional<TWindowDC> own;
  HDC dc = given;
  if (!dc) {
    own.emplace(CtrlHandle);
    dc = *own;
  }
  BitBltBorder(dc, 0, 0, WndSize.cx, WndSize.cy, SkinData->FCacheBmp->Canvas()->Handle(), 0, 0, b, -1, -1, -1);
}

void TkvStatusBarWnd::kvWndProc(TMessage& message) {
  if (SkinData && SkinData->Skinned()) {
    switch (message.Msg) {
      case WM_PAINT:
        InvalidateRect(CtrlHandle, nullptr, TRUE);
        { TPaintDC paint(CtrlHandle); }
        return;
      case WM_ERASEBKGND:
        WMPaint(reinterpret_cast<HDC>(message.WParam));
        message.Result = 1;
        return;
      case WM_NCPAINT:
        if (!InAnimationProcess) WMNCPaint(nullptr);
        return;
      case WM_PRINT: WMPaint(reinterpret_cast<HDC>(message.WParam)); return;
      default: break;
    }
  }
  TkvMainWnd::kvWndProc(message);
  if (message.Msg == WM_SIZE && !Destroyed && SkinData && SkinData->Skinned())
    RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);
}
