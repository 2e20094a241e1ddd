// Routines every wrapper shares.
//
// Sections:
//   1. Fonts: system fonts, the skin's imposed font name, the cache canvas's font
//   2. Persistent properties by name, window geometry, the hot test, broadcasts
//   3. The generic cache painter
//   4. The corners of a window whose border image has key-coloured corners
#include "wrappers/kvSBUtils.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "controls/sEdit.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/GdiBitmaps.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Controls.h"
#include "ui/GdiScopes.h"
#include "ui/StdCtrls.h"

// ---- 1. Fonts ------------------------------------------------------------------------------------

void kv_GetSysFont(Integer fType, LOGFONTW& logFont) {
  NONCLIENTMETRICSW m{};
  m.cbSize = 504;  // without the padded border width: every Windows answers this size
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0)) {
    logFont.lfHeight = 0;
    return;
  }
  switch (fType) {
    case FONT_CAPTION: logFont = m.lfCaptionFont; break;
    case FONT_SMCAPTION: logFont = m.lfSmCaptionFont; break;
    case FONT_MENU: logFont = m.lfMenuFont; break;
    case FONT_STATUS: logFont = m.lfStatusFont; break;
    default: logFont = m.lfMessageFont; break;
  }
}

String SkinMainFontName() {
  DuRiruZireziv* manager = DefaultManager;
  if (!manager) return String();
  switch (manager->Fonts.MainMode) {
    case fmFromSkin: return manager->SkinCommonInfo.MainFont;
    case fmCustom: return manager->Fonts.MainFont;
    default: return String();
  }
}

void CheckSkinFont(LOGFONTW& logFont) {
  const String name = SkinMainFontName();
  if (name.empty()) return;
  std::memset(logFont.lfFaceName, 0, sizeof(logFont.lfFaceName));
  const size_t n = std::min<size_t>(name.size(), LF_FACESIZE - 1);
  std::memcpy(logFont.lfFaceName, name.data(), n * sizeof(wchar_t));
}

void CheckSkinFont(TFont* font) {
  const String name = SkinMainFontName();
  if (font && !name.empty()) font->SetName(name);
}

void LoadSysFont(TCanvas* aCanvas, Integer aFontType) {
  LOGFONTW lf{};
  kv_GetSysFont(aFontType, lf);
  if (lf.lfHeight == 0 || !aCanvas) return;
  CheckSkinFont(lf);
  // The canvas's font owns the new handle.
  if (HFONT font = CreateFontIndirectW(&lf)) aCanvas->Font()->SetHandle(font);
}

void LoadCtrlFont(TkvMainWnd* listSW, bool doSetFont) {
  TsCommonData* sd = listSW ? listSW->SkinData : nullptr;
  if (!sd) return;
  sd->InitCacheBmp();
  TCanvas* canvas = sd->FCacheBmp->Canvas();
  if (TControl* ctrl = sd->FOwnerControl) {
    canvas->Font()->Assign(ctrl->Font());
    CheckSkinFont(canvas->Font());
    return;
  }
  HWND wnd = listSW->CtrlHandle;
  // The window's own font, not the one the wrapper gave it earlier.
  HFONT current = reinterpret_cast<HFONT>(TrySendMessage(wnd, WM_GETFONT, 0, 0));
  LOGFONTW lf{};
  if (!current || GetObjectW(current, sizeof(lf), &lf) == 0) {
    LoadSysFont(canvas, FONT_MESSAGE);
    return;
  }
  CheckSkinFont(lf);
  if (lf.lfCharSet == ANSI_CHARSET && !std::wcsstr(lf.lfFaceName, L"MS Shell Dlg")) lf.lfCharSet = DEFAULT_CHARSET;
  // The canvas gets a handle of its own; the window another, which the wrapper keeps.
  if (HFONT font = CreateFontIndirectW(&lf)) canvas->Font()->SetHandle(font);
  if (doSetFont) listSW->SetWindowFont(lf);
}

void TkvMainWnd::SetWindowFont(const LOGFONTW& logFont) {
  if (FWindowFont) {
    LOGFONTW have{};
    if (GetObjectW(FWindowFont.get(), sizeof(have), &have) == sizeof(have) &&
        std::memcmp(&have, &logFont, sizeof(have)) == 0)
      return;
  }
  TOwnedFont font(CreateFontIndirectW(&logFont));
  if (!font) return;
  if (!FWindowFont) FOriginalFont = reinterpret_cast<HFONT>(SendMessageW(CtrlHandle, WM_GETFONT, 0, 0));
  SendMessageW(CtrlHandle, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), 0);
  // The window has let go of the previous one: it may go now.
  FWindowFont = std::move(font);
}

void TkvMainWnd::RestoreWindowFont() {
  if (!FWindowFont) return;
  if (IsWindow(CtrlHandle) && reinterpret_cast<HFONT>(SendMessageW(CtrlHandle, WM_GETFONT, 0, 0)) == FWindowFont.get())
    SendMessageW(CtrlHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FOriginalFont), 0);
  FWindowFont.reset();
  FOriginalFont = nullptr;
}

// ---- 2. Properties, geometry, hot test, broadcasts ------------------------------------------------

void TryChangeIntProp(TObject* obj, StringView name, Int64 value) {
  if (obj && HasProperty(obj, name)) SetIntProp(obj, name, value);
}

Int64 TryGetIntProp(const TObject* obj, StringView name) {
  return obj && HasProperty(obj, name) ? GetIntProp(obj, name) : 0;
}

TColor TryGetColorProp(const TObject* obj, StringView name) {
  return obj && HasProperty(obj, name) ? ColorToRGB(TColor(GetIntProp(obj, name))) : TColor(0);
}

void InitCtrlData(HWND handle, HWND& parentWnd, TRect& wndRect, TPoint& wndPos, TSize& wndSize, TRect& parentRect) {
  RECT r{};
  GetWindowRect(handle, &r);
  wndRect = TRect(r.left, r.top, r.right, r.bottom);
  parentWnd = GetParent(handle);
  RECT pr{};
  if (parentWnd) GetWindowRect(parentWnd, &pr);
  parentRect = TRect(pr.left, pr.top, pr.right, pr.bottom);
  wndSize = TSize(r.right - r.left, r.bottom - r.top);
  POINT p{r.left, r.top};
  if (parentWnd) ScreenToClient(parentWnd, &p);
  wndPos = TPoint(p.x, p.y);
}

void InitCtrlData(TkvMainWnd* w) {
  InitCtrlData(w->CtrlHandle, w->ParentWnd, w->WndRect, w->WndPos, w->WndSize, w->ParentRect);
}

bool MayBeHot(TsCommonData* skinData, bool byMouse) {
  if (!skinData || !skinData->Skinned()) return false;
  DuRiruZireziv* manager = skinData->GetSkinManager();
  TkvSkinData* skin = skinData->GetCommonSkinData();
  if (!manager || !skin || skinData->SkinIndex < 0 || size_t(skinData->SkinIndex) >= skin->gd.size()) return false;
  const TsGeneralData& gd = skin->gd[size_t(skinData->SkinIndex)];
  const Integer border = gd.BorderIndex;
  if (border < 0) return false;
  if (byMouse) {
    if (sNoHotEdits.Contains(skinData->COC) && !kv_AllowHotEdits) return false;
    if (manager->Options.NoMouseHover) return false;
  }
  if (size_t(border) < skin->ma.size() && skin->ma[size_t(border)].ImageCount > 1) return true;
  return gd.States > 1;
}

void AlphaBroadCastCheck(TControl* control, HWND handle, TMessage& message) {
  if (auto* ctrl = dynamic_cast<TWinControl*>(control)) {
    AlphaBroadCast(ctrl, message);
  } else {
    AlphaBroadCast(handle, message);
  }
}

bool Kv_BecameShown(TWinControl* ctrl, const TMessage& message) {
  if (!ctrl || !ctrl->Visible() || ctrl->ComponentState().Contains(csDestroying)) return false;
  return message.WParam == 1 || ctrl->Showing();
}

void Kv_ContainerShown(TkvMainWnd* sw, TWinControl* ctrl, const TMessage& message) {
  if (!Kv_BecameShown(ctrl, message)) return;
  DuRiruZireziv* manager = sw->SkinData ? sw->SkinData->GetSkinManager() : nullptr;
  AddToAdapter(ctrl);
  if (!manager) return;
  for (Word command : {Word(KV_SETNEWSKIN), Word(KV_REFRESH)}) {
    TMessage m = MakeMessage(SM_ALPHACMD, TWParam{command} << 16, reinterpret_cast<TLParam>(manager));
    AlphaBroadCastCheck(ctrl, sw->CtrlHandle, m);
  }
}

bool Kv_NormalLookSeeThrough(TsCommonData* skinData) {
  TkvSkinData* skin = skinData ? skinData->GetCommonSkinData() : nullptr;
  if (!skin || skinData->SkinIndex < 0 || skinData->SkinIndex >= Integer(skin->gd.size())) return false;
  return skin->gd[size_t(skinData->SkinIndex)].Props[0].Transparency != 0;
}

void SendControlLoaded(HWND ctrl) {
  HWND top = ctrl;
  while (HWND parent = GetParent(top)) {
    if (!(GetWindowLongW(top, GWL_STYLE) & WS_CHILD)) break;  // an owned popup: its owner is no parent
    top = parent;
  }
  if (top) SendAMessage(top, KV_CONTROLLOADED);
}

// ---- 3. The generic cache painter ------------------------------------------------------------------

namespace {

bool ProcessIsRightToLeft() {
  DWORD layout = 0;
  return GetProcessDefaultLayout(&layout) && (layout & LAYOUT_RTL) != 0;
}

// A disabled edit's text (or hint) drawn into the cache as the window cannot while it is covered.
void DrawDisabledEditText(TsCommonData* sd, TCustomEdit* edit, HWND wnd) {
  TBitmap* cache = sd->FCacheBmp.get();
  const bool border = edit->BorderStyle() != bsNone;
  Integer d = 0;
  if (border) {
    d = 1 + (edit->Ctl3D() ? 1 : 0);
    if (edit->BevelKind() != bkNone)
      d += (edit->BevelInner() != bvNone ? 1 : 0) + (edit->BevelOuter() != bvNone ? 1 : 0);
  }
  const Integer b = border ? 1 : 0;
  TRect r(d + b, d + b, edit->Width() - d - b, edit->Height() - d);
  if (GetWindowLongW(wnd, GWL_STYLE) & ES_MULTILINE) return;
  TCanvas* canvas = cache->Canvas();
  canvas->Font()->Assign(edit->Font());
  canvas->Brush()->SetStyle(bsClear);
  const Cardinal flags =
      (GetStringFlags(edit, edit->Alignment()) & ~Cardinal{DT_VCENTER}) | DT_SINGLELINE | DT_NOPREFIX;
  String text = edit->Text();
  if (!text.empty()) {
    if (edit->PasswordChar() != 0) {
      const Char shown = edit->PasswordChar() == u'*' ? Char(0x25CF) : edit->PasswordChar();
      text.assign(text.size(), shown);
    }
    kvWriteTextEx(canvas, text, sd->ControlIsActive(), r, flags, sd, 0);
  } else if (!sd->FFocused && !edit->TextHint().empty()) {
    String hint = edit->TextHint();
    kvWriteTextEx(canvas, hint, false, r, flags, sd, 0);
  }
}

}  // namespace

void PrepareCache(TsCommonData* skinData, HWND ctrlHandle, bool dlgMode) {
  TsCommonData* sd = skinData;
  if (!sd || !sd->BGChanged || !ctrlHandle) return;
  RECT wr{};
  GetWindowRect(ctrlHandle, &wr);
  sd->InitCacheBmp();
  HWND parent = GetParent(ctrlHandle);
  TkvBGInfo bg;
  TCacheInfo ci = EmptyCI;
  if (parent) {
    bg.PleaseDraw = false;
    GetBGInfo(&bg, parent, false);
    if (bg.BgType == btNotReady) {
      sd->FUpdating = true;
      return;
    }
    ci = BGInfoToCI(&bg);
  }
  const Integer w = wr.right - wr.left, h = wr.bottom - wr.top;
  TBitmap* cache = sd->FCacheBmp.get();
  cache->SetPixelFormat(pf32bit);
  cache->SetSize(w, h);
  const Integer state = sd->FFocused || (sd->FMouseAbove && MayBeHot(sd, true)) ? 1 : 0;
  DuRiruZireziv* manager = sd->GetSkinManager();
  TControl* owner = sd->FOwnerControl;
  auto* edit = dynamic_cast<TCustomEdit*>(owner);
  if (dlgMode && manager && manager->Palette[pcBorder] != TColor(0xFF00FF)) {
    TCanvas* c = cache->Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(ColorToRGB(clWindow));
    c->FillRect(TRect(0, 0, w, h));
    c->Brush()->SetColor(manager->Palette[pcBorder]);
    c->FrameRect(TRect(0, 0, w, h));
  } else {
    if (!parent) return;
    POINT p{wr.left, wr.top};
    if (!ScreenToClient(parent, &p)) return;
    if (ProcessIsRightToLeft() && bg.Bmp) {
      TClientDC pdc(parent);
      if (kvGetLayout(pdc.get()) & LAYOUT_RTL) {
        p.x = bg.Bmp->Width() - p.x;
        if (manager && manager->GetExtendedBorders()) p.x -= 2 * bg.Offset.X;
      }
    }
    if (manager && manager->IsValidSkinIndex(sd->SkinIndex)) {
      const TRect all(0, 0, w, h);
      if (!edit || edit->BorderStyle() != bsNone) {
        PaintItem(sd, ci, true, state, all, TPoint(p.x, p.y), cache, !dlgMode, 0, 0, false);
      } else {
        PaintItemBG(sd, ci, state, all, TPoint(p.x, p.y), cache);
      }
    }
  }
  if (edit && !edit->Enabled()) DrawDisabledEditText(sd, edit, ctrlHandle);
  if (owner && !owner->Enabled()) {
    TSet<TsDisabledKind> kind{dkBlended};
    if (HasProperty(owner, u"DisabledKind")) {
      const Int64 bits = GetIntProp(owner, u"DisabledKind");
      kind = TSet<TsDisabledKind>();
      if (bits & 1) kind += dkBlended;
      if (bits & 2) kind += dkGrayed;
    }
    POINT p{wr.left, wr.top};
    if (parent) ScreenToClient(parent, &p);
    BmpDisabledKind(cache, kind, owner->Parent(), GetParentCache(sd), TPoint(p.x, p.y));
  }
  sd->BGChanged = false;
}

// ---- 4. Corners ------------------------------------------------------------------------------------

namespace {

// The parent's background under the window, for the corners.
struct TCornerSource {
  TBitmap* Cache = nullptr;  // the wrapper's cache (the target)
  TCacheInfo Bg;             // the parent's background, its offset at the window's place
  TColor Fill = 0xFF00FF;    // without a background bitmap: the fill colour (RGB)
};

constexpr uint32_t kKey = 0x00FF00FF;

void ReplaceKeyPixels(const TCornerSource& s, TBitmap* src, const TRect& from, Integer x, Integer y, Integer w,
                      Integer h) {
  TPixelView srcView = ViewOf(src);
  TPixelView dst = ViewOf(s.Cache);
  TPixelView bg = s.Bg.Ready && s.Bg.Bmp ? ViewOf(s.Bg.Bmp) : TPixelView();
  if (srcView.Empty() || dst.Empty()) return;
  for (Integer row = 0; row < h; ++row) {
    const Integer sy = from.Top + row, ty = y + row;
    if (sy < 0 || sy >= src->Height() || ty < 0 || ty >= s.Cache->Height()) continue;
    for (Integer col = 0; col < w; ++col) {
      const Integer sx = from.Left + col, tx = x + col;
      if (sx < 0 || sx >= src->Width() || tx < 0 || tx >= s.Cache->Width()) continue;
      if ((srcView.At(sx, sy) & 0x00FFFFFF) != kKey) continue;
      if (!bg.Empty()) {
        const Integer bx = s.Bg.X + tx, by = s.Bg.Y + ty;
        if (bx >= 0 && by >= 0 && bx < s.Bg.Bmp->Width() && by < s.Bg.Bmp->Height()) dst.At(tx, ty) = bg.At(bx, by);
      } else if (s.Fill != TColor(0xFF00FF)) {
        const uint32_t c = uint32_t(s.Fill);
        dst.At(tx, ty) = 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
      }
    }
  }
}

}  // namespace

void UpdateWndCorners(TsCommonData* skinData, Integer state, TkvMainWnd* wnd) {
  TsCommonData* sd = skinData;
  if (!sd || !wnd || wnd->DlgMode) return;
  DuRiruZireziv* manager = sd->GetSkinManager();
  TkvSkinData* skin = manager ? sd->GetCommonSkinData() : nullptr;
  if (!skin || sd->SkinIndex < 0 || size_t(sd->SkinIndex) >= skin->gd.size() || !sd->FCacheBmp) return;
  const Integer border = skin->gd[size_t(sd->SkinIndex)].BorderIndex;
  if (border < 0 || size_t(border) >= skin->ma.size()) return;
  const Integer w = sd->FCacheBmp->Width(), h = sd->FCacheBmp->Height();
  if (w < 2 || h < 2) return;
  TsMaskData& md = skin->ma[size_t(border)];
  if (md.Width == 0 || md.Height == 0) return;
  if (md.Bmp && md.ImageCount == 0) {
    md.MaskType = 1;
    md.ImageCount = 3;
    md.R = TRect(0, 0, md.Bmp->Width(), md.Bmp->Height());
  }
  TCornerSource s;
  s.Cache = sd->FCacheBmp.get();
  s.Bg = GetParentCacheHwnd(wnd->CtrlHandle);
  if (s.Bg.Ready && s.Bg.Bmp) {
    s.Bg.X += wnd->WndPos.X;
    s.Bg.Y += wnd->WndPos.Y;
  } else {
    s.Fill = ColorToRGB(TColor(s.Bg.FillColor));
  }
  TBitmap* src = md.Bmp ? md.Bmp : manager->MasterBitmap.get();
  if (!src) return;
  const Integer st = std::clamp<Integer>(state, 0, std::max<Integer>(md.ImageCount - 1, 0));
  const Integer left = md.R.Left + st * md.Width;
  const Integer wl = md.WL, wt = md.WT, wr = md.WR, wb = md.WB;
  // The rows of one state picture: the image rows only (mask rows lie below them).
  const Integer top = md.R.Top, bottom = md.MaskType == 0 ? md.R.Bottom : md.R.Top + md.Height;
  struct Corner {
    TRect From;
    Integer X, Y, W, H;
  };
  const Corner corners[] = {
      {TRect(left, top, left + wl, top + wt), 0, 0, wl, wt},
      {TRect(left, bottom - wb, left + wl, bottom), 0, h - wb, wl, wb},
      {TRect(left + md.Width - wr, bottom - wb, left + md.Width, bottom), w - wr, h - wb, wr, wb},
      {TRect(left + md.Width - wr, top, left + md.Width, top + wt), w - wr, 0, wr, wt},
  };
  for (const Corner& c : corners) ReplaceKeyPixels(s, src, c.From, c.X, c.Y, c.W, c.H);
}
