#include "wrappers/kvSBUtilsGrid.h"

#include <windows.h>

#include <memory>

#include "base/WindowQueries.h"
#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/Pixels.h"
#include "raster/Shapes.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Bitmap.h"
#include "ui/Controls.h"
#include "ui/GdiScopes.h"
#include "ui/Graphics.h"
#include "ui/ScopeGuard.h"
#include "ui/TypInfo.h"

TW_DEFINE_CLASS(TkvGridWnd) {}
TW_DEFINE_CLASS(TkvGridEhWnd) {}
TW_DEFINE_CLASS(TkvVirtualTreeViewWnd) {}

// ---- Property paths ---------------------------------------------------------------------------

std::pair<TObject*, String> TkvPropertySaver::Resolve(TObject* root, StringView path) {
  TObject* obj = root;
  String rest(path);
  for (size_t dot = rest.find(u'.'); obj && dot != String::npos; dot = rest.find(u'.')) {
    const String link = rest.substr(0, dot);
    obj = HasProperty(obj, link) ? GetObjProp(obj, link) : nullptr;
    rest = rest.substr(dot + 1);
  }
  if (!obj || !HasProperty(obj, rest)) return {nullptr, rest};
  return {obj, rest};
}

bool TkvPropertySaver::Has(TObject* root, StringView path) { return Resolve(root, path).first != nullptr; }

bool TkvPropertySaver::Save(TObject* root, StringView path, Int64 noColor, Int64 substitute) {
  const auto [obj, name] = Resolve(root, path);
  if (!obj) return false;
  Int64 v = GetIntProp(obj, name);
  if (noColor != -1 && v == noColor) v = substitute;
  saved_[String(path)] = v;
  return true;
}

bool TkvPropertySaver::Saved(StringView path, Int64& value) const {
  const auto it = saved_.find(String(path));
  if (it == saved_.end()) return false;
  value = it->second;
  return true;
}

bool TkvPropertySaver::Write(TObject* root, StringView path, Int64 value) {
  const auto [obj, name] = Resolve(root, path);
  if (!obj) return false;
  if (GetIntProp(obj, name) != value) SetIntProp(obj, name, value);
  changed_[String(path)] = true;
  return true;
}

void TkvPropertySaver::Restore(TObject* root) {
  for (const auto& [path, changed] : changed_) {
    Int64 v = 0;
    if (!changed || !Saved(path, v)) continue;
    const auto [obj, name] = Resolve(root, path);
    if (obj) SetIntProp(obj, name, v);
  }
  changed_.clear();
}

namespace {

constexpr Int64 kNoColor = 0x1FFFFFFF;
constexpr Int64 kBtnFace = Int64(0xFF00000F);
constexpr Int64 kWindowColor = Int64(0xFF000005);
constexpr Int64 kHighlight = Int64(0xFF00000D);
constexpr Int64 kHighlightText = Int64(0xFF00000E);
constexpr TColor kWhite = 0xFFFFFF, kBlack = 0;

// Where a written colour comes from.
enum class TSource {
  MainColor,
  LabelText,
  Border,
  Grid,
  EvenRow,
  OddRow,
  FocusedHighlight,
  UnfocusedHighlight,
  FocusedHighlightText,
  ActiveEdit,
  ActiveEditFont,
  GlobalFont,
  GlobalInfo,
  OwnFont,
  MainEdit127,
  MainBlack243,
  MainWhite230,
  EditFont205,
  WhiteEdit51,
  BlackMain77,
  WhiteMain26,
  Constant,
};

struct TRow {
  const char16_t* Path;
  TSource Source;
  Int64 Constant = 0;
  bool NeedsControlLook = false;
  Int64 NoColorSubstitute = 0;  // not 0: a saved "no colour" becomes this
};

// The grid map, in the order each operation visits it.
const TRow kGridRows[] = {
    {u"FixedColor", TSource::MainColor},
    {u"TitleFont.Color", TSource::LabelText},
    {u"FixedFont.Color", TSource::LabelText, 0, true},
    {u"GridFixedLineColor", TSource::Border, 0, true},
    {u"GridLineColor", TSource::Grid, 0, true},
    {u"ControlLook.FixedGradientFrom", TSource::MainEdit127, 0, false, kBtnFace},
    {u"ControlLook.FixedGradientTo", TSource::MainColor, 0, false, kBtnFace},
    {u"ControlLook.FixedGradientMirrorFrom", TSource::MainBlack243, 0, false, kBtnFace},
    {u"ControlLook.FixedGradientMirrorTo", TSource::MainWhite230, 0, false, kBtnFace},
    {u"SelectionColor", TSource::FocusedHighlight, 0, true},
    {u"SelectionTextColor", TSource::FocusedHighlightText, 0, true},
    {u"GridStyle.Title.StartColor", TSource::MainEdit127, 0, false, kBtnFace},
    {u"GridStyle.Title.EndColor", TSource::MainColor, 0, false, kBtnFace},
    {u"LineColors.FixedColor", TSource::Border},
    {u"LineColors.DataColor", TSource::EditFont205},
    {u"LineColors.ShadowColor", TSource::EditFont205},
    {u"FooterColor", TSource::GlobalInfo},
    {u"FooterCellColor", TSource::GlobalInfo},
    {u"TitleColor", TSource::GlobalInfo},
    {u"IndicatorIconColor", TSource::OwnFont},
};

// The extended grid's map after the grid's (the 3-D option and the row colours apart).
const TRow kGridEhRows[] = {
    {u"GridLineParams.BrightColor", TSource::WhiteEdit51},
    {u"GridLineParams.DataHorzColor", TSource::Grid},
    {u"GridLineParams.DataVertColor", TSource::Grid},
    {u"GridLineParams.DarkColor", TSource::BlackMain77},
    {u"IndicatorParams.Color", TSource::MainColor},
    {u"IndicatorParams.HorzLines", TSource::Constant, 0},
    {u"IndicatorParams.VertLines", TSource::Constant, 0},
    {u"IndicatorParams.FillStyle", TSource::Constant, 2},
    {u"TitleParams.Color", TSource::MainColor},
    {u"TitleParams.SecondColor", TSource::WhiteMain26},
    {u"TitleParams.FillStyle", TSource::Constant, 3},
    {u"TitleParams.VertLineColor", TSource::Border},
    {u"RowCategories.Color", TSource::WhiteMain26},
    {u"RowCategories.Font.Color", TSource::LabelText},
    {u"RowDetailPanel.Color", TSource::MainColor},
};

// The virtual tree's colour map (the conditional selection colours and the header apart).
const TRow kTreeRows[] = {
    {u"VETColors.CompressedTextColor", TSource::OwnFont},
    {u"VETColors.FileTextColor", TSource::OwnFont},
    {u"VETColors.FolderTextColor", TSource::OwnFont},
};
struct TConditionalRow {
  const char16_t* Path;
  TSource Source;
  Int64 Default;  // written only while the control keeps this system colour
};
const TConditionalRow kTreeSelectionRows[] = {
    {u"Colors.FocusedSelectionColor", TSource::FocusedHighlight, kHighlight},
    {u"Colors.UnfocusedSelectionColor", TSource::UnfocusedHighlight, kHighlight},
    {u"Colors.FocusedSelectionBorderColor", TSource::FocusedHighlight, kHighlight},
    {u"Colors.UnfocusedSelectionBorderColor", TSource::UnfocusedHighlight, kHighlight},
    {u"Colors.SelectionTextColor", TSource::FocusedHighlightText, kHighlightText},
};
const TRow kTreeHeaderRows[] = {
    {u"Colors.HotColor", TSource::ActiveEditFont},    {u"PaintInfoColumn.Color", TSource::MainColor},
    {u"PaintInfoColumn.Style", TSource::Constant, 1}, {u"Header.Color", TSource::ActiveEdit},
    {u"Header.Font.Color", TSource::GlobalFont},
};

Int64 SourceValue(TSource source, Int64 constant, DuRiruZireziv* m, TsCommonData* sd) {
  TkvSkinData* skin = sd ? sd->GetCommonSkinData() : nullptr;
  switch (source) {
    case TSource::MainColor: return m->GetGlobalColor();
    case TSource::LabelText: return m->Palette[pcLabelText];
    case TSource::Border: return m->Palette[pcBorder];
    case TSource::Grid: return m->Palette[pcGrid];
    case TSource::EvenRow: return m->Palette[pcEditBG_EvenRow];
    case TSource::OddRow: return m->Palette[pcEditBG_OddRow];
    case TSource::FocusedHighlight: return m->GetHighLightColor(true);
    case TSource::UnfocusedHighlight: return m->GetHighLightColor(false);
    case TSource::FocusedHighlightText: return m->GetHighLightFontColor(true);
    case TSource::ActiveEdit: return m->GetActiveEditColor();
    case TSource::ActiveEditFont: return m->GetActiveEditFontColor();
    case TSource::GlobalFont: return m->GetGlobalFontColor();
    case TSource::GlobalInfo: {
      const Integer i = skin ? skin->GetSkinIndex(u"GLOBALINFO") : -1;
      return i >= 0 ? Int64(skin->gd[size_t(i)].Props[0].Color) : m->GetGlobalColor();
    }
    case TSource::OwnFont:
      return skin && sd->SkinIndex >= 0 && size_t(sd->SkinIndex) < skin->gd.size()
                 ? Int64(skin->gd[size_t(sd->SkinIndex)].Props[0].FontColor.Color)
                 : m->GetGlobalFontColor();
    case TSource::MainEdit127: return BlendColors(m->GetGlobalColor(), m->GetActiveEditColor(), 127);
    case TSource::MainBlack243: return BlendColors(m->GetGlobalColor(), kBlack, 243);
    case TSource::MainWhite230: return BlendColors(m->GetGlobalColor(), kWhite, 230);
    case TSource::EditFont205: return BlendColors(m->GetActiveEditColor(), m->GetActiveEditFontColor(), 205);
    case TSource::WhiteEdit51: return BlendColors(kWhite, m->GetActiveEditColor(), 51);
    case TSource::BlackMain77: return BlendColors(kBlack, m->GetGlobalColor(), 77);
    case TSource::WhiteMain26: return BlendColors(kWhite, m->GetGlobalColor(), 26);
    case TSource::Constant: return constant;
  }
  return constant;
}

template <size_t N>
void SaveRows(TkvPropertySaver& props, TObject* owner, const TRow (&rows)[N]) {
  const bool controlLook = HasProperty(owner, u"ControlLook");
  for (const TRow& row : rows) {
    if (row.NeedsControlLook && !controlLook) continue;
    props.Save(owner, row.Path, row.NoColorSubstitute ? kNoColor : -1, row.NoColorSubstitute);
  }
}

template <size_t N>
void WriteRows(TkvPropertySaver& props, TObject* owner, const TRow (&rows)[N], DuRiruZireziv* m, TsCommonData* sd) {
  const bool controlLook = HasProperty(owner, u"ControlLook");
  for (const TRow& row : rows) {
    if (row.NeedsControlLook && !controlLook) continue;
    // Only what was saved is changed: its value can be given back.
    Int64 saved = 0;
    if (!props.Saved(row.Path, saved)) continue;
    props.Write(owner, row.Path, SourceValue(row.Source, row.Constant, m, sd));
  }
}

}  // namespace

// ---- TkvGridWnd -------------------------------------------------------------------------------

bool TkvGridWnd::RestoreAllowed() {
  TControl* owner = OwnerControl();
  return SkinData && owner && !owner->ComponentState().Contains(csDestroying);
}

void TkvGridWnd::SaveStdParams() {
  TkvEditWnd::SaveStdParams();
  if (TControl* owner = OwnerControl()) SaveRows(Props, owner, kGridRows);
}

void TkvGridWnd::SetSkinParams() {
  TkvEditWnd::SetSkinParams();
  TControl* owner = OwnerControl();
  DuRiruZireziv* m = SkinData ? SkinData->GetSkinManager() : nullptr;
  if (!owner || !m || !SkinData->Skinned()) return;
  WriteRows(Props, owner, kGridRows, m, SkinData);
}

void TkvGridWnd::RestoreStdParams() {
  TkvEditWnd::RestoreStdParams();
  if (RestoreAllowed()) Props.Restore(OwnerControl());
}

void TkvGridWnd::kvWndProc(TMessage& message) {
  TControl* owner = OwnerControl();
  if (SkinData && !Destroyed && SkinData->Skinned()) {
    switch (message.Msg) {
      case WM_ERASEBKGND:
        SkinData->FUpdating = SkinData->GetUpdating();
        message.Result = 1;
        return;
      case WM_VSCROLL:
        if (owner && HasProperty(owner, u"DataSource")) {
          const Integer code = LOWORD(message.WParam);
          if ((code == SB_THUMBPOSITION || code == SB_THUMBTRACK) && sBarVert) {
            // A data grid reads the position from its bar, not from the notification.
            SCROLLINFO si = sBarVert->ScrollInfo;
            si.cbSize = sizeof(si);
            si.fMask = SIF_ALL;
            si.nPos = Integer(short(HIWORD(message.WParam)));
            si.nTrackPos = si.nPos;
            SetScrollInfo(CtrlHandle, SB_VERT, &si, FALSE);
            sBarVert->ScrollInfo.nTrackPos = si.nPos;
          } else if (code == SB_ENDSCROLL && owner->ClassName() != u"TwwDBGrid" && sBarVert) {
            SendScrollMessage(CtrlHandle, WM_VSCROLL, SB_THUMBPOSITION, sBarVert->ScrollInfo.nTrackPos, true);
          }
        }
        break;
      case WM_LBUTTONUP:
        // A release over the skinned bar ends the bar's press; the grid must not take it for a
        // click on its cells.
        if (sBarVert && sBarVert->fScrollVisible) {
          TRect bar;
          kv_GetVScrollRect(this, CtrlHandle, bar);
          if (bar.Contains(kvMousePos())) {
            message.Result = Kv_LButtonUp(this, CtrlHandle, TWParam(-1), message.LParam);
            return;
          }
        }
        break;
      case WM_PRINT: PrintGrid(message); return;
      default: break;
    }
  }
  TkvEditWnd::kvWndProc(message);
  if (Destroyed || !SkinData) return;
  switch (message.Msg) {
    case WM_PAINT: UpdateScrolls(this, true); break;
    case WM_WINDOWPOSCHANGED:
      if (IsWindowVisible(CtrlHandle)) ProcessMessage(WM_NCPAINT, 0, 0);
      break;
    case SM_ALPHACMD:
      if (message.WParamHi == KV_REMOVESKIN && owner && HasProperty(owner, u"ScrollBars") &&
          reinterpret_cast<DuRiruZireziv*>(message.LParam) == SkinData->GetSkinManager()) {
        // The system bars come back when the style is made anew.
        const Int64 bars = GetIntProp(owner, u"ScrollBars");
        SetIntProp(owner, u"ScrollBars", 0);
        SetIntProp(owner, u"ScrollBars", bars);
      } else if (message.WParamHi == KV_SETSCALE && owner) {
        if (const auto [font, name] = TkvPropertySaver::Resolve(owner, u"TitleFont.Height"); font)
          SetIntProp(font, name, owner->Font()->Height());
      }
      break;
    default: break;
  }
}

void TkvGridWnd::PrintGrid(TMessage& message) {
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  InitCtrlData(this);
  const Integer vbar = sBarVert && sBarVert->fScrollVisible ? GetScrollMetric(SB_VERT, true) : 0;
  const Integer hbar = sBarHorz && sBarHorz->fScrollVisible ? GetScrollMetric(SB_HORZ, true) : 0;
  if (SkinData->BGChanged || !SkinData->FCacheBmp || SkinData->FCacheBmp->Empty()) {
    if (!ParamsChanged) SetSkinParams();
    PrepareCache(SkinData, CtrlHandle, DlgMode);
  }
  if (!dc || !SkinData->FCacheBmp) return;
  const Integer left = std::max<Integer>(cxLeftEdge, 0), top = std::max<Integer>(cyTopEdge, 0);
  std::unique_ptr<TBitmap> bmp(CreateBmp32(WndSize.cx + vbar, WndSize.cy));
  HDC bdc = bmp->Canvas()->Handle();
  {
    // The grid paints its cells into the inner area, clear of the skinned bars.
    TSaveDC saved(bdc);
    SetWindowOrgEx(bdc, -left, -top, nullptr);
    if (vbar || hbar)
      IntersectClipRect(bdc, 0, 0, WndSize.cx - left - cxRightEdge - vbar, WndSize.cy - top - cyBottomEdge - hbar);
    TLParam l = 0;
    message.Result = CallPrevWndProc(CtrlHandle, WM_PAINT, reinterpret_cast<TWParam>(bdc), l);
  }
  CopyFrame(bdc, 1 << 16);
  kv_NCDraw(this, CtrlHandle, -1, bdc);
  BitBlt(dc, fLeftScrollbar ? vbar : 0, 0, WndSize.cx, WndSize.cy, bdc, 0, 0, SRCCOPY);
  POINT origin{};
  GetWindowOrgEx(dc, &origin);
  SetWindowOrgEx(dc, origin.x - left, origin.y - top, nullptr);
}

// ---- TkvGridEhWnd -----------------------------------------------------------------------------

void TkvGridEhWnd::SaveStdParams() {
  TkvGridWnd::SaveStdParams();
  TControl* owner = OwnerControl();
  if (!owner) return;
  Fixed3DSaved = kvThemesEnabled() && HasProperty(owner, u"OptionsEh");
  if (Fixed3DSaved) Fixed3D = CheckSetProp(owner, u"OptionsEh", u"dghFixed3D");
  Props.Save(owner, u"EvenRowColor", kNoColor, kWindowColor);
  Props.Save(owner, u"OddRowColor", kNoColor, kWindowColor);
  SaveRows(Props, owner, kGridEhRows);
  // The grouping colour follows the skin only while it follows its parent's.
  if (const auto [grouping, name] = TkvPropertySaver::Resolve(owner, u"DataGrouping.ParentColor");
      grouping && GetIntProp(grouping, name) == 1)
    Props.Save(owner, u"DataGrouping.Color");
}

void TkvGridEhWnd::SetSkinParams() {
  TkvGridWnd::SetSkinParams();
  TControl* owner = OwnerControl();
  DuRiruZireziv* m = SkinData ? SkinData->GetSkinManager() : nullptr;
  if (!owner || !m || !SkinData->Skinned()) return;
  if (Fixed3DSaved && Fixed3D) {
    SetSetPropValue(owner, u"OptionsEh", u"dghFixed3D", false);
    Fixed3DChanged = true;
  }
  Int64 even = 0, odd = 0;
  if (Props.Saved(u"EvenRowColor", even) && Props.Saved(u"OddRowColor", odd) && even != odd) {
    Props.Write(owner, u"EvenRowColor", m->Palette[pcEditBG_EvenRow]);
    Props.Write(owner, u"OddRowColor", m->Palette[pcEditBG_OddRow]);
  }
  WriteRows(Props, owner, kGridEhRows, m, SkinData);
  Int64 group = 0;
  if (Props.Saved(u"DataGrouping.Color", group))
    Props.Write(owner, u"DataGrouping.Color", BlendColors(kWhite, m->GetGlobalColor(), 26));
  if (auto* win = dynamic_cast<TWinControl*>(owner)) AddToAdapter(win);
}

void TkvGridEhWnd::RestoreStdParams() {
  TkvGridWnd::RestoreStdParams();
  if (!RestoreAllowed()) return;
  if (Fixed3DChanged) SetSetPropValue(OwnerControl(), u"OptionsEh", u"dghFixed3D", Fixed3D);
  Fixed3DChanged = false;
}

void TkvGridEhWnd::kvWndProc(TMessage& message) {
  TkvGridWnd::kvWndProc(message);
  if (Destroyed || !SkinData) return;
  auto* win = dynamic_cast<TWinControl*>(OwnerControl());
  if (!win) return;
  if (message.Msg == WM_WINDOWPOSCHANGED && message.LParam &&
      (reinterpret_cast<WINDOWPOS*>(message.LParam)->flags & SWP_FRAMECHANGED) && IsWindowVisible(CtrlHandle))
    AddToAdapter(win);
  if (message.Msg == WM_PARENTNOTIFY && LOWORD(message.WParam) == WM_CREATE && SkinData->GetSkinManager() &&
      SkinData->GetSkinManager()->SkinningRules().Contains(srThirdParty))
    AddToAdapter(win);
}

// ---- TkvVirtualTreeViewWnd --------------------------------------------------------------------

namespace {

// The event property exists and has the header-draw type the wrapper's handler is made for.
template <class E>
bool IsEventOf(TObject* obj, StringView name) {
  const TPropInfo* info = obj ? GetPropInfo(obj, name) : nullptr;
  return info && info->Kind == TTypeKind::Method && info->Type && *info->Type == typeid(E);
}

}  // namespace

void TkvVirtualTreeViewWnd::InitSkinData() {
  TkvEditWnd::InitSkinData();
  SkinData->COC = COC_TVST;
}

void TkvVirtualTreeViewWnd::SaveStdParams() {
  TkvEditWnd::SaveStdParams();
  TControl* owner = OwnerControl();
  if (!owner) return;
  SaveRows(Props, owner, kTreeRows);
  for (const TConditionalRow& row : kTreeSelectionRows) Props.Save(owner, row.Path);
  if (TkvPropertySaver::Has(owner, u"PaintInfoColumn")) {
    SaveRows(Props, owner, kTreeHeaderRows);
  } else {
    Props.Save(owner, u"Colors.HotColor");
  }
  TObject* header = GetObjProp(owner, u"Header");
  OwnerDrawSaved = header && HasProperty(header, u"Options");
  if (OwnerDrawSaved) OwnerDraw = CheckSetProp(header, u"Options", u"hoOwnerDraw");
}

void TkvVirtualTreeViewWnd::SetSkinParams() {
  TkvEditWnd::SetSkinParams();
  TControl* owner = OwnerControl();
  DuRiruZireziv* m = SkinData ? SkinData->GetSkinManager() : nullptr;
  if (!owner || !m || !SkinData->Skinned()) return;
  WriteRows(Props, owner, kTreeRows, m, SkinData);
  for (const TConditionalRow& row : kTreeSelectionRows) {
    Int64 saved = 0;
    // A selection colour the application chose stays.
    if (Props.Saved(row.Path, saved) && saved == row.Default)
      Props.Write(owner, row.Path, SourceValue(row.Source, 0, m, SkinData));
  }
  WriteRows(Props, owner, kTreeHeaderRows, m, SkinData);
  if (!HeaderDrawInstalled && IsEventOf<TkvAdvancedHeaderPaintEvent>(owner, u"OnAdvancedHeaderDraw") &&
      !GetMethodProp(owner, u"OnAdvancedHeaderDraw").Assigned()) {
    SetMethodProp(owner, u"OnAdvancedHeaderDraw",
                  TkvAdvancedHeaderPaintEvent(this, &TkvVirtualTreeViewWnd::AdvancedHeaderDraw));
    HeaderDrawInstalled = true;
    if (TObject* header = GetObjProp(owner, u"Header"); header && OwnerDrawSaved)
      SetSetPropValue(header, u"Options", u"hoOwnerDraw", true);
    if (IsEventOf<TkvHeaderPaintQueryElementsEvent>(owner, u"OnHeaderDrawQueryElements") &&
        !GetMethodProp(owner, u"OnHeaderDrawQueryElements").Assigned()) {
      SetMethodProp(owner, u"OnHeaderDrawQueryElements",
                    TkvHeaderPaintQueryElementsEvent(this, &TkvVirtualTreeViewWnd::HeaderDrawQueryElements));
      QueryInstalled = true;
    }
  }
  if (auto* win = dynamic_cast<TWinControl*>(owner); win && win->HandleAllocated())
    RedrawWindow(win->Handle(), nullptr, nullptr, 0x545);
}

void TkvVirtualTreeViewWnd::RestoreStdParams() {
  TkvEditWnd::RestoreStdParams();
  TControl* owner = OwnerControl();
  if (!SkinData || !owner || owner->ComponentState().Contains(csDestroying)) return;
  Props.Restore(owner);
  // Only the wrapper's own handlers are taken out: one the application set meanwhile stays.
  if (HeaderDrawInstalled) {
    if (GetMethodProp(owner, u"OnAdvancedHeaderDraw") ==
        TkvAdvancedHeaderPaintEvent(this, &TkvVirtualTreeViewWnd::AdvancedHeaderDraw))
      SetMethodProp(owner, u"OnAdvancedHeaderDraw", TMethod());
    if (TObject* header = GetObjProp(owner, u"Header"); header && OwnerDrawSaved)
      SetSetPropValue(header, u"Options", u"hoOwnerDraw", OwnerDraw);
    HeaderDrawInstalled = false;
  }
  if (QueryInstalled) {
    if (GetMethodProp(owner, u"OnHeaderDrawQueryElements") ==
        TkvHeaderPaintQueryElementsEvent(this, &TkvVirtualTreeViewWnd::HeaderDrawQueryElements))
      SetMethodProp(owner, u"OnHeaderDrawQueryElements", TMethod());
    QueryInstalled = false;
  }
}

void TkvVirtualTreeViewWnd::HeaderDrawQueryElements(TObject*, THeaderPaintInfo&, Integer& elements) {
  elements = hpeBackground | hpeDropMark | hpeSortGlyph | hpeText;
}

void TkvVirtualTreeViewWnd::AdvancedHeaderDraw(TObject*, THeaderPaintInfo& info, Integer elements) {
  if (DontRepaint || !SkinData || !SkinData->Skinned() || !info.TargetCanvas) return;
  TkvSkinData* skin = SkinData->GetCommonSkinData();
  if (!skin) return;
  Integer si = skin->GetSkinIndex(u"COLHEADER");
  if (si < 0) si = skin->GetSkinIndex(u"BUTTON");
  if (si < 0) return;
  const TRect& r = info.PaintRectangle;
  const Integer w = r.Right - r.Left, h = r.Bottom - r.Top;
  if (w <= 0 || h <= 0) return;
  std::unique_ptr<TBitmap> bmp(CreateBmp32(w, h));
  TCacheInfo ci = EmptyCI;
  if (SkinData->FCacheBmp) {
    ci.Bmp = SkinData->FCacheBmp.get();
    ci.X = r.Left;
    ci.Y = r.Top;
    ci.Ready = true;
  }
  const TRect all(0, 0, w, h);
  HDC target = info.TargetCanvas->Handle();
  const auto copyOut = [&] { BitBlt(target, r.Left, r.Top, w, h, bmp->Canvas()->Handle(), 0, 0, SRCCOPY); };
  if (!info.Column) {
    PaintItem(si, ci, true, 0, all, TPoint{0, 0}, bmp.get(), skin);
    copyOut();
    return;
  }
  const Integer state = info.IsDownIndex ? 2 : info.IsHoverIndex ? 1 : 0;
  if (elements & hpeBackground) {
    PaintItem(si, ci, true, state, all, TPoint{0, 0}, bmp.get(), skin);
    copyOut();
    return;
  }
  BitBlt(bmp->Canvas()->Handle(), 0, 0, w, h, target, r.Left, r.Top, SRCCOPY);
  TCanvas* cv = bmp->Canvas();
  TControl* owner = OwnerControl();
  if (auto [font, name] = TkvPropertySaver::Resolve(owner, u"Header.Font"); font) {
    if (auto* f = dynamic_cast<TFont*>(GetObjProp(font, name))) cv->Font()->Assign(f);
  }
  const String text = info.Column && HasProperty(info.Column, u"Text") ? GetStrProp(info.Column, u"Text") : String();
  TRect textRect(info.TextRectangle.Left - r.Left, info.TextRectangle.Top - r.Top, info.TextRectangle.Right - r.Left,
                 info.TextRectangle.Bottom - r.Top);
  if ((elements & hpeText) && !(elements & hpeDropMark))
    kvWriteTextEx(cv, text, true, textRect, 0, si, state != 0 ? 1 : 0, SkinData->GetSkinManager());
  if ((elements & hpeSortGlyph) && info.ShowSortGlyph) {
    const Int64 direction = TkvPropertySaver::Has(owner, u"Header.SortDirection")
                                ? GetIntProp(GetObjProp(owner, u"Header"), u"SortDirection")
                                : 0;
    const TkvSide side = direction == 0 ? asTop : asBottom;
    const Integer glyph = skin->ScrollBtns[size_t(side)].GlyphIndex;
    const Integer x = info.SortGlyphPos.X - r.Left;
    if (glyph >= 0 && size_t(glyph) < skin->ma.size()) {
      TCacheInfo self = EmptyCI;
      self.Bmp = bmp.get();
      self.X = 0;
      self.Y = 0;
      self.Ready = true;
      DrawSkinGlyph(bmp.get(), TPoint{x, (h - skin->ma[size_t(glyph)].Height) / 2}, state, 1, skin->ma[size_t(glyph)],
                    self);
    } else {
      Integer dx = 0;
      if (state > 1 && CanClickShift(SkinData->SkinIndex, SkinData)) dx = 1;
      const Integer btnSection = skin->ScrollBtns[size_t(asTop)].SkinIndex;
      const TColor color = btnSection >= 0 && size_t(btnSection) < skin->gd.size()
                               ? TColor(skin->gd[size_t(btnSection)].Props[size_t(std::min(state, 2))].FontColor.Color)
                               : TColor(0);
      const Integer y = (h - 3) / 2 + dx;
      DrawColorArrow(bmp.get(), color, TRect(x + dx, y, x + dx + 6, y + 3), side, SkinData->CurrentPPI);
    }
  }
  if (elements & hpeDropMark) {
    const bool wrap = CheckSetProp(info.Column, u"Options", u"coWrapCaption");
    kvWriteTextEx(cv, text, true, textRect, DT_END_ELLIPSIS | DT_VCENTER | (wrap ? DT_WORDBREAK : DT_SINGLELINE), si,
                  state != 0 ? 1 : 0, SkinData->GetSkinManager());
  }
  copyOut();
}

Integer TkvVirtualTreeViewWnd::FrameWidth() {
  TkvSkinData* skin = SkinData->GetCommonSkinData();
  if (skin && SkinData->SkinIndex >= 0 && size_t(SkinData->SkinIndex) < skin->gd.size() &&
      skin->gd[size_t(SkinData->SkinIndex)].BorderIndex < 0)
    return skin->gd[size_t(SkinData->SkinIndex)].BorderWidth;
  if (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) return 2;
  return GetWindowLongW(CtrlHandle, GWL_STYLE) & WS_BORDER ? 1 : 0;
}

void TkvVirtualTreeViewWnd::PaintTreeFrame(TMessage& message) {
  InitCtrlData(this);
  if (SkinData->InUpdating(false)) return;
  if (SkinData->BGChanged) {
    if (!ParamsChanged) SetSkinParams();
    PrepareCache(SkinData, CtrlHandle, DlgMode);
  }
  if (!SkinData->FCacheBmp) return;
  // A border with see-through corners shows the parent there.
  UpdateWndCorners(SkinData, 0, this);
  const TWindowDC dc(CtrlHandle);
  TSaveDC saved(dc);
  const Integer w = FrameWidth();
  BitBltBorder(dc, 0, 0, WndSize.cx, WndSize.cy, SkinData->FCacheBmp->Canvas()->Handle(), 0, 0, w, w, w, w);
  TLParam l = 0;
  CallPrevWndProc(CtrlHandle, WM_PRINT, reinterpret_cast<TWParam>(dc.get()), l);
  message.Result = kv_NCDraw(this, CtrlHandle, -1, dc);
}

void TkvVirtualTreeViewWnd::PrintTree(TMessage& message) {
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  SkinData->FUpdating = false;
  if (SkinData->BGChanged) {
    if (!ParamsChanged) SetSkinParams();
    PrepareCache(SkinData, CtrlHandle, DlgMode);
  }
  if (!dc) return;
  TControl* owner = OwnerControl();
  const Integer w = FrameWidth();
  Integer headerHeight = 0;
  if (TObject* header = owner ? GetObjProp(owner, u"Header") : nullptr;
      header && CheckSetProp(header, u"Options", u"hoVisible"))
    headerHeight = Integer(GetIntProp(header, u"Height"));
  {
    TSaveDC saved(dc);
    POINT origin{};
    GetWindowOrgEx(dc, &origin);
    SetWindowOrgEx(dc, origin.x - w, origin.y - w - headerHeight, nullptr);
    TLParam l = 0;
    CallPrevWndProc(CtrlHandle, WM_PRINTCLIENT, message.WParam, l);
  }
  {
    TSaveDC keep(dc);  // the control's own print may leave its clipping in the DC
    TLParam l = message.LParam;
    CallPrevWndProc(CtrlHandle, WM_PRINT, message.WParam, l);
  }
  if (SkinData->FCacheBmp)
    BitBltBorder(dc, 0, 0, SkinData->FCacheBmp->Width(), SkinData->FCacheBmp->Height(),
                 SkinData->FCacheBmp->Canvas()->Handle(), 0, 0, w, w, w, w);
  message.Result = kv_NCDraw(this, CtrlHandle, -1, dc);
}

void TkvVirtualTreeViewWnd::kvWndProc(TMessage& message) {
  if (!SkinData || Destroyed || !SkinData->Skinned()) {
    TkvEditWnd::kvWndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_ERASEBKGND: return;
    case WM_NCPAINT:
      if (!IsWindowVisible(CtrlHandle)) break;
      PaintTreeFrame(message);
      return;
    case WM_PRINT: PrintTree(message); return;
    case WM_HSCROLL:
    case WM_VSCROLL: {
      const Integer bar = message.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT;
      TkvScrollBar* sb = bar == SB_HORZ ? sBarHorz : sBarVert;
      if (LOWORD(message.WParam) == SB_THUMBTRACK && sb) {
        SCROLLINFO si = sb->ScrollInfo;
        si.cbSize = sizeof(si);
        si.fMask = SIF_ALL;
        si.nPos = Integer(short(HIWORD(message.WParam)));
        si.nTrackPos = si.nPos;
        SetScrollInfo(CtrlHandle, bar, &si, FALSE);
        sb->ScrollInfo.nTrackPos = si.nPos;
      }
      if (message.Msg == WM_HSCROLL) break;
      SendMessageW(CtrlHandle, WM_SETREDRAW, 0, 0);
      TkvEditWnd::kvWndProc(message);
      SendMessageW(CtrlHandle, WM_SETREDRAW, 1, 0);
      if (auto* win = dynamic_cast<TWinControl*>(OwnerControl()); win && win->HandleAllocated())
        RedrawWindow(win->Handle(), nullptr, nullptr, 0x585);
      return;
    }
    default: break;
  }
  TkvEditWnd::kvWndProc(message);
}
