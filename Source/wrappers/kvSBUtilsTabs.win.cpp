#include "wrappers/kvSBUtilsTabs.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "images/kvAlphaImageList.h"
#include "paint/sGraphUtils.h"
#include "raster/Text.h"
#include "raster/kvgpUtils.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"
#include "ui/ComCtrls.h"
#include "ui/Controls.h"
#include "ui/GdiScopes.h"
#include "ui/Graphics.h"
#include "ui/ImgList.h"
#include "wrappers/kvSBUtilsPaintSteps.h"
#include "wrappers/kvSBUtilsUpDown.h"

using namespace wrapsteps;

TW_DEFINE_CLASS(TkvTabControlWnd) {}
TW_DEFINE_CLASS(TkvPageControlWnd) {}
TW_DEFINE_CLASS(TkvPageWnd) {}

namespace {

// Tab position to the skin's side: top, bottom, left, right.
constexpr TkvSide kvTabSides[4] = {asTop, asBottom, asLeft, asRight};
// The single-layout tab sections of the skin's tab table.
constexpr size_t kSingleLayout = 3;

std::vector<TkvPageWnd*>& ServWndList() {
  static std::vector<TkvPageWnd*> list;
  return list;
}

void Forget(TkvPageWnd* page) {
  auto& list = ServWndList();
  list.erase(std::remove(list.begin(), list.end(), page), list.end());
}

TkvPageWnd* MakePage(HWND wnd, TkvTabControlWnd* tabs, TTabSheet* sheet) {
  TkvSkinParams params;
  params.SkinSection = u"TRANSPARENT";
  params.Control = sheet;
  params.UseSkinColor = params.UseSkinFontColor = sheet != nullptr;
  auto* page = TkvMainWnd::MakeWrapper<TkvPageWnd>(wnd, nullptr, tabs->SkinManager, params, true);
  page->SkinData->SetSkinManager(tabs->SkinData->GetSkinManager());
  page->SkinData->UpdateIndexes(true);
  page->Page = sheet;
  page->Tabs = tabs;
  ServWndList().push_back(page);
  return page;
}

BOOL CALLBACK EnumPages(HWND child, LPARAM data) {
  auto* tabs = reinterpret_cast<TkvTabControlWnd*>(data);
  if (GetParent(child) != tabs->CtrlHandle) return TRUE;
  const intptr_t manager = SendAMessage(tabs->CtrlHandle, KV_GETSERVICEINT);
  if (!manager || GetBoolMsg(child, KV_CTRLHANDLED)) return TRUE;
  MakePage(child, tabs, nullptr);
  return TRUE;
}

// Selects a font turned to angle (tenths of a degree) into dc for the scope.
class TVerticalFont {
 public:
  TVerticalFont(HDC dc, Integer angle) : dc_(dc) {
    LOGFONTW lf{};
    GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof lf, &lf);
    lf.lfWeight = FW_NORMAL;
    lf.lfEscapement = lf.lfOrientation = angle;
    lf.lfWidth = 0;
    if (wcscmp(lf.lfFaceName, L"MS Sans Serif") == 0) wcscpy(lf.lfFaceName, L"Arial");
    font_ = CreateFontIndirectW(&lf);
    old_ = SelectObject(dc, font_);
  }
  ~TVerticalFont() {
    SelectObject(dc_, old_);
    DeleteObject(font_);
  }
  TVerticalFont(const TVerticalFont&) = delete;
  TVerticalFont& operator=(const TVerticalFont&) = delete;

 private:
  HDC dc_;
  HFONT font_;
  HGDIOBJ old_;
};

}  // namespace

Integer PageWrapperCount() { return Integer(ServWndList().size()); }

void FreePageWrappers() {
  auto list = std::move(ServWndList());
  ServWndList().clear();
  for (TkvPageWnd* page : list) {
    TkvMainWnd* w = page;
    if (page->Attached())
      UninitializeKVWnd(page->CtrlHandle, true, false, w);
    else
      page->Free();
  }
}

// ---- Tab control -------------------------------------------------------------------------------

TkvTabControlWnd::~TkvTabControlWnd() = default;

void TkvTabControlWnd::BeforeDestruction() {
  TkvMainWnd::BeforeDestruction();
  FreeBtnSW();
  // The page wrappers of this control go with it.
  std::vector<TkvPageWnd*> mine;
  for (TkvPageWnd* page : ServWndList())
    if (page->Tabs == this) mine.push_back(page);
  for (TkvPageWnd* page : mine) {
    Forget(page);
    TkvMainWnd* w = page;
    if (page->Attached())
      UninitializeKVWnd(page->CtrlHandle, true, false, w);
    else
      page->Free();
  }
}

void TkvTabControlWnd::FreeBtnSW() {
  if (!BtnSW) return;
  TkvMainWnd* w = BtnSW;
  BtnSW = nullptr;
  if (w->Attached())
    UninitializeKVWnd(w->CtrlHandle, true, false, w);
  else
    w->Free();
}

void TkvTabControlWnd::AfterCreation() {
  if (SkinData->SkinSection().empty()) SkinData->SetSkinSection(u"PAGECONTROL");
  TkvMainWnd::AfterCreation();
}

Integer TkvTabControlWnd::TabCount() { return Integer(ProcessMessage(TCM_GETITEMCOUNT, 0, 0)); }
Integer TkvTabControlWnd::ActiveTabIndex() { return Integer(ProcessMessage(TCM_GETCURSEL, 0, 0)); }

TRect TkvTabControlWnd::TabRect(Integer index) {
  TRect r;
  ProcessMessage(TCM_GETITEMRECT, TWParam(index), reinterpret_cast<TLParam>(&r));
  return r;
}

Integer TkvTabControlWnd::TabPosition() const {
  const LONG s = GetWindowLongW(CtrlHandle, GWL_STYLE);
  if (!(s & TCS_VERTICAL)) return (s & TCS_BOTTOM) ? 1 : 0;
  return (s & TCS_RIGHT) ? 3 : 2;
}

Integer TkvTabControlWnd::Style() const {
  const LONG s = GetWindowLongW(CtrlHandle, GWL_STYLE);
  if (s & TCS_FLATBUTTONS) return 2;
  return (s & TCS_BUTTONS) ? 1 : 0;
}

TRect TkvTabControlWnd::ClientRect() {
  RECT wr{};
  GetWindowRect(CtrlHandle, &wr);
  TRect r(0, 0, wr.right - wr.left, wr.bottom - wr.top);
  ProcessMessage(TCM_ADJUSTRECT, 0, reinterpret_cast<TLParam>(&r));
  r.Top += 2;
  return r;
}

namespace {

// The window split at the line between the tab row and the page (client: the control's client
// rectangle): the page's part or the tabs' part.
TRect SplitAtTheTabs(HWND wnd, bool hasTabs, const TRect& client, Integer position, bool pagePart) {
  RECT wr{};
  GetWindowRect(wnd, &wr);
  TRect r(0, 0, wr.right - wr.left, wr.bottom - wr.top);
  if (!hasTabs) return r;
  switch (position) {
    case 0: (pagePart ? r.Top : r.Bottom) = client.Top - 4; break;
    case 1: (pagePart ? r.Bottom : r.Top) = client.Bottom + 2; break;
    case 2: (pagePart ? r.Left : r.Right) = client.Left - 1; break;
    default: (pagePart ? r.Right : r.Left) = client.Right + 1; break;
  }
  return r;
}

}  // namespace

TRect TkvTabControlWnd::PageRect() {
  const bool hasTabs = TabCount() != 0;
  return SplitAtTheTabs(CtrlHandle, hasTabs, hasTabs ? ClientRect() : TRect(), TabPosition(), true);
}

TRect TkvTabControlWnd::TabsRect() {
  const bool hasTabs = TabCount() != 0;
  return SplitAtTheTabs(CtrlHandle, hasTabs, hasTabs ? ClientRect() : TRect(), TabPosition(), false);
}

Integer TkvTabControlWnd::TabRow(Integer index) {
  const Integer rows = Integer(ProcessMessage(TCM_GETROWCOUNT, 0, 0));
  if (rows < 2) return 1;
  const TRect r = TabRect(index), t = TabsRect();
  const Integer w = std::max<Integer>(1, r.Width()), h = std::max<Integer>(1, r.Height());
  switch (TabPosition()) {
    case 0: return (h / 2 + r.Bottom) / h;
    case 2: return (w / 2 + r.Right) / w;
    case 3: return rows - (r.Right - t.Left + w / 2) / w + 1;
    default: return rows - (r.Bottom - t.Top + h / 2) / h + 1;
  }
}

TRect TkvTabControlWnd::SkinTabRect(Integer index, bool active) {
  if (index < 0 || index >= TabCount()) return TRect();
  TRect r = TabRect(index);
  if (Style() != 0 || r.Width() <= 0) return r;
  const Integer a = active ? 1 : 0;
  if (active) {
    r.Bottom -= 1;
  } else {
    r.Bottom += 3;
    r.Right -= 1;
  }
  switch (TabPosition()) {
    case 0:
      GrowRect(r, 2 * a, 2 * a);
      r.Bottom += 1;
      break;
    case 1:
      GrowRect(r, 2 * a, a);
      r.Top -= 2;
      r.Bottom += active ? 1 : -3;
      break;
    case 2:
      GrowRect(r, 0, 1);
      r.Right += 2;
      if (active) {
        GrowRect(r, 1, 1);
      } else {
        r.Bottom -= 4;
        r.Right += 2;
      }
      break;
    default:
      GrowRect(r, 1, 0);
      MoveRect(r, -1, -1);
      if (active) {
        GrowRect(r, 1, 1);
        r.Bottom += 3;
      } else {
        r.Bottom -= 2;
      }
      break;
  }
  TkvSkinData* skin = SkinOf(SkinData);
  const Integer k = skin ? skin->TabsCovering : 0;
  if (k > 0) {
    if (TabPosition() < 2) {
      MoveRect(r, k, 0);
      GrowRect(r, k, 0);
    } else {
      MoveRect(r, 0, k);
      GrowRect(r, 0, k);
    }
  }
  return r;
}

void TkvTabControlWnd::CheckUpDown() {
  if (!SkinData || !SkinData->Skinned()) return;
  HWND updown = FindWindowExW(CtrlHandle, nullptr, UPDOWN_CLASSW, nullptr);
  if (!updown) {
    FreeBtnSW();
    return;
  }
  // The same scroller keeps its wrapper: only a new window gets a new one.
  if (BtnSW && BtnSW->CtrlHandle == updown && BtnSW->Attached()) return;
  FreeBtnSW();
  TkvSkinParams params;
  params.SkinSection = u"UPDOWNBTN";
  BtnSW = TkvMainWnd::MakeWrapper<TkvSpinWnd>(updown, nullptr, SkinManager, params, true);
  BtnSW->SkinData->SetSkinManager(SkinData->GetSkinManager());
  BtnSW->SkinData->UpdateIndexes(true);
}

void TkvTabControlWnd::DrawSkinTabs(const TCacheInfo& ci) {
  TBitmap* cache = SkinData->FCacheBmp.get();
  const TRect tr = TabsRect();
  HDC cdc = cache->Canvas()->Handle();
  if (ci.Ready && ci.Bmp) {
    const Integer w = std::min<Integer>(tr.Width(), ci.Bmp->Width()),
                  h = std::min<Integer>(tr.Height(), ci.Bmp->Height());
    CopyBmp(cdc, tr.Left, tr.Top, w, h, ci.Bmp, ci.X + WndPos.X + tr.Left, ci.Y + WndPos.Y + tr.Top);
  } else {
    FillDC(cdc, tr, ci.FillColor);
  }
  const Integer rows = std::max<Integer>(1, Integer(ProcessMessage(TCM_GETROWCOUNT, 0, 0)));
  const Integer active = ActiveTabIndex(), count = TabCount();
  // Rows far from the page first: nearer rows overlap them.
  for (Integer row = 1; row <= rows; ++row)
    for (Integer j = 0; j < count; ++j)
      if (j != active && TabRow(j) == row) DrawSkinTab(j, 0, TPoint(0, 0), cache);
}

void TkvTabControlWnd::DrawSkinTab(Integer index, Integer state, HDC dc) {
  const TRect r = SkinTabRect(index, state == 2);
  if (r.IsEmpty()) return;
  auto bmp = NewBmp32(r.Width(), r.Height());
  DrawSkinTab(index, state, TPoint(-r.Left, -r.Top), bmp.get());
  CopyBmp(dc, r.Left, r.Top, r.Width(), r.Height(), bmp.get());
}

void TkvTabControlWnd::DrawSkinTab(Integer index, Integer state, TPoint offset, TBitmap* bmp) {
  if (index < 0) return;
  TkvSkinData* skin = SkinOf(SkinData);
  TBitmap* cache = SkinData->FCacheBmp.get();
  if (!skin || !cache) return;
  const Integer active = ActiveTabIndex();
  const TRect r = SkinTabRect(index, index == active);
  if (state == 1 && r.Left < 0) return;
  const TRect aRect = SkinTabRect(index, state == 2 && index == active);
  if (aRect.IsEmpty()) return;
  TCanvas* canvas = bmp->Canvas();
  {
    HFONT f = reinterpret_cast<HFONT>(ProcessMessage(WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    if (TControl* c = OwnerControl())
      canvas->Font()->Assign(c->Font());
    else if (f && GetObjectW(f, sizeof lf, &lf))
      canvas->Font()->SetHandle(CreateFontIndirectW(&lf));
  }
  wchar_t text[4096] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_STATE;
  item.pszText = text;
  item.cchTextMax = 4096;
  ProcessMessage(TCM_GETITEMW, TWParam(index), reinterpret_cast<TLParam>(&item));
  const String caption(reinterpret_cast<const Char*>(text));
  const Integer position = TabPosition();
  Integer tabSection = -1;
  // Tab backgrounds when the skin has a top tab (any section index, the first one too).
  if (skin->GetSkinIndex(u"TABTOP") >= 0) {
    tabSection = skin->Tabs[kSingleLayout][kvTabSides[position]].SkinIndex;
    if (!ValidSection(skin, tabSection)) tabSection = skin->GetSkinIndex(u"TABTOP");
    auto temp = NewBmp32(aRect.Width(), aRect.Height());
    if (state == 2 && index == active) {
      CopyBmp(temp->Canvas()->Handle(), 0, 0, aRect.Width(), aRect.Height(), cache, aRect.Left, aRect.Top);
      PaintItem(tabSection, MakeCacheInfo(temp.get(), 0, 0), true, 2, TRect(0, 0, aRect.Width(), aRect.Height()),
                TPoint(0, 0), temp.get(), skin);
      CopyBmp(canvas->Handle(), aRect.Left + offset.X, aRect.Top + offset.Y, aRect.Width(), aRect.Height(), temp.get());
    } else {
      PaintItem(tabSection, MakeCacheInfo(cache, 0, 0), true, state, TRect(0, 0, aRect.Width(), aRect.Height()),
                aRect.TopLeft(), temp.get(), skin);
      HDC bdc = canvas->Handle();
      TSaveDC saved(bdc);
      if (position == 0 || position == 2) {
        TRect page = PageRect();
        MoveRect(page, offset.X, offset.Y);
        ExcludeClipRect(bdc, page.Left, page.Top, page.Right, page.Bottom);
      }
      CopyBmp(bdc, aRect.Left + offset.X, aRect.Top + offset.Y, aRect.Width(), aRect.Height(), temp.get());
    }
  }
  TRect rText = aRect;
  MoveRect(rText, offset.X, offset.Y);
  const TsGeneralData* look = ValidSection(skin, tabSection) ? &skin->gd[size_t(tabSection)] : nullptr;
  TColor fontColor = look ? TColor(look->Props[state != 0 && look->States > 1 ? 1 : 0].FontColor.Color)
                          : GetFontColor(OwnerControl(), SkinData->SkinIndex, SkinData->GetSkinManager(), 0, SkinData);
  // An owner-drawn page control draws its tab itself on the tab's bitmap; when its handler
  // changes the font, the caption is then written plainly in that font.
  bool plainText = false;
  auto* pages = dynamic_cast<TPageControl*>(OwnerControl());
  if (pages && pages->OwnerDraw() && pages->OnDrawTab()) {
    TCanvas* own = pages->Canvas();
    const HDC previous = own->HandleAllocated() ? own->Handle() : nullptr;
    own->SetHandle(canvas->Handle());
    own->Font()->Assign(pages->Font());
    canvas->Font()->Assign(own->Font());
    const TColor c =
        look ? TColor(look->Props[size_t(std::min<Integer>(state, 2))].FontColor.Color) : own->Font()->Color();
    canvas->Font()->SetColor(c);
    own->Font()->SetColor(c);
    pages->OnDrawTab()(pages, index, rText, state == 2);
    if (canvas->Font()->Color() != own->Font()->Color() || !(canvas->Font()->Style() == own->Font()->Style()) ||
        canvas->Font()->Name() != own->Font()->Name()) {
      canvas->Font()->Assign(own->Font());
      fontColor = own->Font()->Color();
      plainText = true;
    }
    own->SetHandle(previous);
  }
  GrowRect(rText, -3, -3);
  const Integer k = skin->TabsCovering;
  if (k > 0) {
    if (position < 2)
      GrowRect(rText, -2 * k, 0);
    else
      GrowRect(rText, 0, -2 * k);
  }
  HIMAGELIST images = reinterpret_cast<HIMAGELIST>(ProcessMessage(TCM_GETIMAGELIST, 0, 0));
  auto* tabs = dynamic_cast<TCustomTabControl*>(OwnerControl());
  TCustomImageList* imageObject = tabs ? tabs->Images() : nullptr;
  int iw = 0, ih = 0;
  const bool hasImage = images && item.iImage >= 0 && ImageList_GetIconSize(images, &iw, &ih);
  HDC dc = canvas->Handle();
  DuRiruZireziv* manager = SkinData->GetSkinManager();
  const bool discolored = dynamic_cast<TsAlphaImageList*>(imageObject) && manager && manager->Effects.DiscoloredGlyphs;
  auto drawImage = [&](Integer x, Integer y) {
    if (discolored) {
      // Tabs at rest show their image toned to the tab's colour.
      const TColor tone = state != 0 ? clNone : look ? TColor(look->Props[0].Color) & 0xFFFFFF : ColorToRGB(clBtnFace);
      const Integer ppi = skin->PPI > 0 ? skin->PPI : 96;
      DrawAlphaImgList(imageObject, bmp, x, y, item.iImage, 0, tone, 0, 1, false, ppi);
    } else if (imageObject) {
      imageObject->Draw(canvas, x, y, item.iImage, true);
    } else {
      ImageList_Draw(images, item.iImage, dc, x, y, ILD_TRANSPARENT);
    }
  };
  if (position < 2) {
    if (hasImage) {
      SIZE ts{};
      GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(caption.c_str()), int(caption.size()), &ts);
      drawImage(aRect.Left + offset.X + (aRect.Width() - ts.cx - iw - 8) / 2,
                aRect.Top + offset.Y + (aRect.Height() - ih) / 2);
      rText.Left += iw;
    }
    canvas->Brush()->SetStyle(bsClear);
    if (plainText) {
      kvWriteText(canvas, caption, true, rText, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      return;
    }
    canvas->Font()->SetColor(fontColor);
    kvWriteTextEx(canvas, caption, true, rText, DT_CENTER | DT_VCENTER | DT_SINGLELINE, tabSection, state != 0 ? 1 : 0,
                  SkinData->GetSkinManager());
    return;
  }
  // Side tabs: the text turned, bottom to top on the left, top to bottom on the right.
  TRect ar = aRect;
  MoveRect(ar, offset.X, offset.Y);
  if (position == 3) MoveRect(ar, -2, -1);
  TVerticalFont turned(dc, position == 2 ? 900 : 2700);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(fontColor));
  SIZE ts{};
  GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(caption.c_str()), int(caption.size()), &ts);
  const Integer length = ts.cx, thick = ts.cy;
  Integer x, y;
  if (position == 2) {
    x = ar.Left + (ar.Width() - thick) / 2;
    y = ar.Bottom - (ar.Height() - length) / 2;
    if (hasImage) {
      if (index == active) MoveRect(ar, 2, 0);
      const Integer iy = ar.Bottom - (ar.Height() - (ih + length + 4)) / 2 - ih;
      drawImage(ar.Left + (ar.Width() - iw) / 2, iy);
      y = iy - 4;
    }
  } else {
    x = ar.Left + (ar.Width() - thick) / 2 + thick;
    y = ar.Top + (ar.Height() - length) / 2;
    if (hasImage) {
      if (index == active) MoveRect(ar, 2, 0);
      const Integer iy = ar.Top + (ar.Height() - (ih + length + 4)) / 2;
      drawImage(ar.Left + (ar.Width() - iw) / 2, iy);
      y = iy + ih + 4;
    }
  }
  RECT clip{ar.Left, ar.Top, ar.Right, ar.Bottom};
  ExtTextOutW(dc, x, y, ETO_CLIPPED, &clip, reinterpret_cast<const wchar_t*>(caption.c_str()), UINT(caption.size()),
              nullptr);
}

void TkvTabControlWnd::KV_WMPaint(TMessage& message) {
  if (SkinData->InUpdating()) return;
  InitCtrlData(this);
  HDC dc = nullptr;
  std::optional<TClientDC> own;
  if (message.WParam && (message.LParam == 1 || InAnimationProcess || (SkinData->CtrlSkinState & KVS_PRINTING))) {
    dc = reinterpret_cast<HDC>(message.WParam);
  } else {
    own.emplace(CtrlHandle);
    dc = *own;
  }
  TSaveDC saved(dc);
  SkinData->BGChanged = true;
  const Integer count = TabCount();
  TkvSkinData* skin = SkinOf(SkinData);
  String section;
  if (count == 0)
    section = u"TRANSPARENT";
  else if (SkinData->SkinSection() != u"PAGECONTROL")
    section = SkinData->SkinSection();
  else
    section = String(u"PAGECONTROL") + sTabPositions[size_t(TabPosition())];
  if (skin) SkinData->SkinIndex = skin->GetSkinIndex(section);
  const TCacheInfo ci = GetParentCacheHwnd(CtrlHandle);
  TBitmap* cache = SizeCache(this);
  const Integer active = ActiveTabIndex();
  if (count > 0) DrawSkinTabs(ci);
  const TRect page = PageRect();
  if (skin && ValidSection(skin, SkinData->SkinIndex)) {
    TCacheInfo pageCI = ci;
    PaintItem(SkinData->SkinIndex, pageCI, false, 0, page, TPoint(WndPos.X + page.Left, WndPos.Y + page.Top), cache,
              skin);
  }
  SkinData->BGChanged = false;
  if (count > 0 && active >= 0) {
    const TRect ar = SkinTabRect(active, true);
    {
      TSaveDC clip(dc);
      ExcludeClipRect(dc, ar.Left, ar.Top, ar.Right, ar.Bottom);
      CopyBmp(dc, 0, 0, WndSize.cx, WndSize.cy, cache);
    }
    DrawSkinTab(active, 2, dc);
  } else {
    CopyBmp(dc, 0, 0, WndSize.cx, WndSize.cy, cache);
  }
  if (auto* wc = dynamic_cast<TWinControl*>(OwnerControl())) PaintControls(dc, wc, false, TPoint(0, 0), true);
}

void TkvTabControlWnd::kvWndProc(TMessage& message) {
  if (!SkinData) {
    TkvMainWnd::kvWndProc(message);
    return;
  }
  const bool skinned = SkinData->Skinned();
  DuRiruZireziv* own = SkinData->GetSkinManager();
  if (message.Msg == SM_ALPHACMD) {
    const bool fromOwn = reinterpret_cast<DuRiruZireziv*>(message.LParam) == own;
    switch (message.WParamHi) {
      case KV_SETNEWSKIN:
        if (fromOwn) CommonWndProc(message, SkinData);
        if (auto* wc = dynamic_cast<TWinControl*>(OwnerControl()))
          AlphaBroadCast(wc, message);
        else
          AlphaBroadCast(CtrlHandle, message);
        return;
      case KV_REMOVESKIN:
        if (fromOwn) {
          CommonWndProc(message, SkinData);
          FreeBtnSW();
          AlphaBroadCast(CtrlHandle, message);
          InvalidateRect(CtrlHandle, nullptr, TRUE);
          RedrawWindow(CtrlHandle, nullptr, nullptr, 0x585);
        } else {
          AlphaBroadCast(CtrlHandle, message);
        }
        return;
      case KV_REFRESH:
        if (RefreshNeeded(SkinData, message)) {
          CommonWndProc(message, SkinData);
          InvalidateRect(CtrlHandle, nullptr, TRUE);
          CheckUpDown();
        }
        AlphaBroadCast(CtrlHandle, message);
        return;
      case KV_ENDPARENTUPDATE:
        if (!skinned) break;
        if (SkinData->FUpdating && !SkinData->InUpdating(true)) InvalidateRect(CtrlHandle, nullptr, TRUE);
        if (auto* wc = dynamic_cast<TWinControl*>(OwnerControl())) SetParentUpdated(wc);
        return;
      case KV_CTRLHANDLED: message.Result = 1; return;
      case KV_PREPARING:
        if (!skinned) break;
        message.Result = SkinData->FUpdating ? 1 : 0;
        return;
      case KV_GETSERVICEINT: message.Result = reinterpret_cast<TLResult>(own); return;
      case KV_GETBG:
        if (!skinned) break;
        CommonWndProc(message, SkinData);
        return;
      default: break;
    }
    TkvMainWnd::kvWndProc(message);
    return;
  }
  if (skinned) {
    switch (message.Msg) {
      case WM_NCPAINT: return;
      case WM_PAINT: {
        InvalidateRect(CtrlHandle, nullptr, TRUE);
        { TPaintDC paint(CtrlHandle); }
        if (BtnSW && !SkinData->BGChanged)
          RedrawWindow(BtnSW->CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
        return;
      }
      case WM_ERASEBKGND:
        if (!IsWindowVisible(CtrlHandle)) break;
        if (!InAnimationProcess) KV_WMPaint(message);
        CheckUpDown();
        message.Result = 1;
        return;
      case WM_PRINT:
        CheckUpDown();
        KV_WMPaint(message);
        if (BtnSW && !SkinData->BGChanged)
          RedrawWindow(BtnSW->CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
        return;
      case TCM_SETCURSEL:
        ProcessMessage(WM_SETREDRAW, 0, 0);
        TkvMainWnd::kvWndProc(message);
        ProcessMessage(WM_SETREDRAW, 1, 0);
        return;
      default: break;
    }
  }
  TkvMainWnd::kvWndProc(message);
  if (Destroyed || !SkinData || !SkinData->Skinned()) return;
  if (message.Msg == WM_SIZE) {
    CheckUpDown();
    const Integer w = LOWORD(message.LParam), h = HIWORD(message.LParam);
    if (w < FLastWidth || h < FLastHeight) RedrawWindow(CtrlHandle, nullptr, nullptr, 0x445);
    FLastWidth = w;
    FLastHeight = h;
  } else if (message.Msg == CM_CONTROLLISTCHANGE) {
    CheckUpDown();
  }
}

// ---- Page control ------------------------------------------------------------------------------

void TkvPageControlWnd::AfterCreation() {
  InitPages();
  TkvTabControlWnd::AfterCreation();
}

TRect TkvPageControlWnd::ClientRect() { return TkvTabControlWnd::ClientRect(); }
TRect TkvPageControlWnd::PageRect() { return TkvTabControlWnd::PageRect(); }

void TkvPageControlWnd::InitPages() {
  if (auto* pc = dynamic_cast<TPageControl*>(OwnerControl())) {
    for (Integer i = 0; i < pc->PageCount(); ++i) {
      TTabSheet* sheet = pc->Pages(i);
      if (!sheet || !sheet->HandleAllocated() || WndIsSkinned(sheet->WindowHandle())) continue;
      MakePage(sheet->WindowHandle(), this, sheet);
    }
    return;
  }
  EnumChildWindows(CtrlHandle, EnumPages, reinterpret_cast<LPARAM>(this));
}

void TkvPageControlWnd::kvWndProc(TMessage& message) {
  if (SkinData && SkinData->Skinned()) {
    switch (message.Msg) {
      case WM_ERASEBKGND:
        if (!IsWindowVisible(CtrlHandle)) break;
        if (!InAnimationProcess) KV_WMPaint(message);
        message.Result = 1;
        return;
      case WM_NCPAINT: InitPages(); return;
      case WM_PARENTNOTIFY:
        if (LOWORD(message.WParam) == WM_CREATE) {
          InitPages();
          if (auto* wc = dynamic_cast<TWinControl*>(OwnerControl())) AddToAdapter(wc);
        } else if (LOWORD(message.WParam) == WM_DESTROY) {
          InitPages();
        }
        break;
      case WM_PRINT:
        CheckUpDown();
        InitPages();
        SkinData->FUpdating = false;
        KV_WMPaint(message);
        if (BtnSW && message.WParam) {
          HDC dc = reinterpret_cast<HDC>(message.WParam);
          TSaveDC saved(dc);
          RECT r{};
          GetWindowRect(BtnSW->CtrlHandle, &r);
          POINT p{r.left, r.top};
          ScreenToClient(CtrlHandle, &p);
          OffsetWindowOrgEx(dc, -p.x, -p.y, nullptr);
          IntersectClipRect(dc, 0, 0, r.right - r.left, r.bottom - r.top);
          BtnSW->SkinData->FUpdating = false;
          SendMessageW(BtnSW->CtrlHandle, WM_PAINT, message.WParam, 0);
        }
        return;
      case TCM_SETCURSEL:
      case TCM_SETITEMW:
        if (auto* wc = dynamic_cast<TWinControl*>(OwnerControl())) {
          InitPages();
          AddToAdapter(wc);
        }
        break;
      default: break;
    }
  }
  TkvTabControlWnd::kvWndProc(message);
}

// ---- Pages -------------------------------------------------------------------------------------

void TkvPageWnd::AfterCreation() {
  Page = nullptr;
  InitCtrlData(this);
  TkvMainWnd::AfterCreation();
}

Integer TkvPageWnd::TabPosition() const {
  const LONG s = GetWindowLongW(GetParent(CtrlHandle), GWL_STYLE);
  if (!(s & TCS_VERTICAL)) return (s & TCS_BOTTOM) ? 1 : 0;
  return (s & TCS_RIGHT) ? 3 : 2;
}

bool TkvPageWnd::KV_WMEraseBKGnd(HDC dc) {
  if (SkinData->InUpdating()) return true;
  InitCtrlData(this);
  TkvBGInfo bg;
  GetBGInfo(&bg, ParentWnd, false);
  if (bg.BgType == btCache && bg.Bmp) {
    if (bg.Bmp->Empty()) {
      // The tab control has not painted yet: it may paint into the bitmap now.
      SendMessageW(ParentWnd, WM_PAINT, reinterpret_cast<WPARAM>(bg.Bmp->Canvas()->Handle()), 0);
      GetBGInfo(&bg, ParentWnd, false);
      if (bg.BgType == btCache && (!bg.Bmp || bg.Bmp->Empty())) return false;
    }
  }
  if (bg.BgType == btCache && bg.Bmp) {
    CopyBmp(dc, 0, 0, WndSize.cx, WndSize.cy, bg.Bmp, WndPos.X + bg.Offset.X, WndPos.Y + bg.Offset.Y);
  } else {
    FillDC(dc, TRect(0, 0, WndSize.cx, WndSize.cy), bg.Color);
    // The strip of the page control's picture along the tabs, where its frame meets the page.
    if (bg.Bmp && !bg.Bmp->Empty() && SendMessageW(ParentWnd, TCM_GETITEMCOUNT, 0, 0) > 0) {
      constexpr Integer strip = 3;
      const Integer w = WndSize.cx, h = WndSize.cy;
      const Integer ox = WndPos.X + bg.Offset.X, oy = WndPos.Y + bg.Offset.Y;
      switch (TabPosition()) {
        case 0: CopyBmp(dc, 0, 0, w, strip, bg.Bmp, ox, oy); break;
        case 1: CopyBmp(dc, 0, h - strip, w, strip, bg.Bmp, ox, oy + h - strip); break;
        case 2: CopyBmp(dc, 0, 0, strip, h, bg.Bmp, ox, oy); break;
        default: CopyBmp(dc, w - strip, 0, strip, h, bg.Bmp, ox + w - strip, oy); break;
      }
    }
  }
  if (Page) {
    PaintControls(dc, Page, false, TPoint(0, 0), true);
    SetParentUpdated(Page);
  }
  return true;
}

void TkvPageWnd::kvWndProc(TMessage& message) {
  if (message.Msg == WM_DESTROY || message.Msg == WM_NCDESTROY) {
    TkvMainWnd::kvWndProc(message);
    // The window is gone: so is its page wrapper (it lives on until this message returns).
    if (std::find(ServWndList().begin(), ServWndList().end(), this) != ServWndList().end()) {
      Forget(this);
      Free();
    }
    return;
  }
  if (SkinData && SkinData->Skinned()) {
    const bool visible = IsWindowVisible(CtrlHandle) != FALSE;
    switch (message.Msg) {
      case WM_PAINT:
        if (!visible) break;
        {
          TPaintDC paint(CtrlHandle);
          KV_WMEraseBKGnd(message.WParam ? reinterpret_cast<HDC>(message.WParam) : paint.get());
        }
        return;
      case WM_ERASEBKGND:
        if (!visible) break;
        if (KV_WMEraseBKGnd(reinterpret_cast<HDC>(message.WParam))) message.Result = 1;
        return;
      case WM_NCPAINT: return;
      case WM_PRINT:
        SkinData->FUpdating = false;
        KV_WMEraseBKGnd(reinterpret_cast<HDC>(message.WParam));
        SendMessageW(CtrlHandle, WM_PAINT, message.WParam, message.LParam);
        return;
      default: break;
    }
    if (message.Msg == SM_ALPHACMD) {
      const bool fromOwn = reinterpret_cast<DuRiruZireziv*>(message.LParam) == SkinData->GetSkinManager();
      switch (message.WParamHi) {
        case KV_SETNEWSKIN:
          if (fromOwn) CommonMessage(message, SkinData);
          AlphaBroadCastCheck(Page, CtrlHandle, message);
          return;
        case KV_REMOVESKIN:
          if (fromOwn) {
            CommonWndProc(message, SkinData);
            InvalidateRect(CtrlHandle, nullptr, TRUE);
          }
          AlphaBroadCastCheck(Page, CtrlHandle, message);
          break;  // the base lets the window go back to its own look
        case KV_REFRESH:
          if (RefreshNeeded(SkinData, message)) {
            CommonWndProc(message, SkinData);
            InvalidateRect(CtrlHandle, nullptr, TRUE);
          }
          AlphaBroadCastCheck(Page, CtrlHandle, message);
          return;
        case KV_ENDPARENTUPDATE:
          if (SkinData->FUpdating && !SkinData->InUpdating(true))
            RedrawWindow(CtrlHandle, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
          if (Page) SetParentUpdated(Page);
          return;
        case KV_CTRLHANDLED: message.Result = 1; return;
        case KV_PREPARING: message.Result = SkinData->FUpdating ? 1 : 0; return;
        case KV_GETBG: {
          auto* info = reinterpret_cast<TkvBGInfo*>(message.LParam);
          if (!info) return;
          GetBGInfo(info, GetParent(CtrlHandle), info->PleaseDraw);
          InitCtrlData(this);
          const TPoint pos = Page ? TPoint(Page->Left(), Page->Top()) : WndPos;
          info->Offset.X += pos.X;
          info->Offset.Y += pos.Y;
          return;
        }
        default: break;
      }
    }
  }
  TkvMainWnd::kvWndProc(message);
  if (message.Msg == WM_PARENTNOTIFY && LOWORD(message.WParam) == WM_CREATE && !Destroyed)
    SendControlLoaded(reinterpret_cast<HWND>(message.LParam));
}
