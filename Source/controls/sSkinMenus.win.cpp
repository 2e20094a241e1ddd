#include "controls/sSkinMenus.h"

#include <windows.h>

#include <algorithm>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/ControlsState.h"
#include "controls/kvPopupController.h"
#include "controls/sGlyphUtils.h"
#include "controls/sThirdParty.h"
#include "images/kvAlphaImageList.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "skin/ControlServices.h"
#include "skin/sVclUtils.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/ImgList.h"
#include "ui/ScopeGuard.h"

bool& kvCanHookMenu = kvControlsState.kvCanHookMenu;

namespace {

// The service glyphs of the built-in character images.
constexpr Integer kGlyphRadio = 5, kGlyphCheck = 6;
constexpr Integer kGlyphMove = 7, kGlyphMinimize = 21, kGlyphMaximize = 22, kGlyphRestore = 23, kGlyphClose = 24;

TCustomForm* OwnerFormOf(TMenuItem* item) {
  TMenu* menu = item ? item->GetParentMenu() : nullptr;
  for (TComponent* c = menu ? menu->Owner() : nullptr; c; c = c->Owner())
    if (auto* form = dynamic_cast<TCustomForm*>(c)) return form;
  return nullptr;
}

bool IsTopLine(TMenuItem* item) {
  TMenuItem* parent = item->Parent();
  return parent && !parent->Parent() && dynamic_cast<TMainMenu*>(item->GetParentMenu());
}

Integer VisibleIndexOf(TMenuItem* item) {
  TMenuItem* parent = item->Parent();
  if (!parent) return 0;
  Integer n = 0;
  for (Integer i = 0; i < parent->Count(); ++i) {
    if (parent->Items(i) == item) return n;
    if (parent->Items(i)->Visible()) ++n;
  }
  return -1;
}

bool IsLastVisible(TMenuItem* item) {
  TMenuItem* parent = item->Parent();
  if (!parent) return true;
  for (Integer i = parent->IndexOf(item) + 1; i < parent->Count(); ++i)
    if (parent->Items(i)->Visible()) return false;
  return true;
}

TMenuItem* NextVisible(TMenuItem* item) {
  TMenuItem* parent = item->Parent();
  if (!parent) return nullptr;
  for (Integer i = parent->IndexOf(item) + 1; i < parent->Count(); ++i)
    if (parent->Items(i)->Visible()) return parent->Items(i);
  return nullptr;
}

// The text the item is measured by: its caption, and for items other than captions its
// short-cut text after it.
String MeasuredText(TMenuItem* item, TsMenuItemType kind) {
  String text = kind == smCaption ? CaptionItemText(item->Caption()) : item->Caption();
  if (kind == smNormal && item->ShortCut() != scNone) text += ShortCutToText(item->ShortCut());
  return text;
}

TSize TextSize(TCanvas* canvas, const String& text) {
  RECT r{0, 0, 800, 0};
  DrawTextW(canvas->Handle(), WideStr(text), int(text.size()), &r,
            DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS | DT_WORDBREAK);
  return TSize(r.right - r.left, r.bottom - r.top);
}

void CopyFrom(TBitmap* dst, Integer x, Integer y, Integer w, Integer h, TBitmap* src, Integer sx, Integer sy) {
  BitBlt(dst->Canvas()->Handle(), x, y, w, h, src->Canvas()->Handle(), sx, sy, SRCCOPY);
}

}  // namespace

// ---- the painter ------------------------------------------------------------------------------

TsSkinableMenus::TsSkinableMenus(DuRiruZireziv* owner) : FOwner(owner) {}

TsSkinableMenus::~TsSkinableMenus() = default;

DuRiruZireziv* TsSkinableMenus::Manager() const { return FOwner; }

Integer TsSkinableMenus::Margin() const {
  return sd && FOwner && FOwner->IsActive() ? sd->ScaleIntValue(FMargin) : FMargin;
}

Integer TsSkinableMenus::Spacing() const { return sd ? sd->ScaleIntValue(FSpacing) : FSpacing; }

Integer TsSkinableMenus::BorderWidth() const { return sd ? sd->ScaleIntValue(FBorderWidth) : FBorderWidth; }

Integer TsSkinableMenus::IndexOf(TkvSection section) const {
  return FOwner && FOwner->IsActive() ? FOwner->SkinCommonInfo.Sections[section] : -1;
}

bool TsSkinableMenus::NoBorder() const {
  const Integer i = IndexOf(ssMainMenu);
  if (i < 0) return true;
  const TsGeneralData& g = FOwner->gd()[size_t(i)];
  return g.BorderIndex < 0 && g.BorderRadius < 1;
}

TSize TsSkinableMenus::GlyphSize(TMenuItem* item, bool common) const {
  TMenu* menu = item->GetParentMenu();
  auto scaled = [&](TCustomImageList* list) { return TSize(list->Width() * PPI / 96, list->Height() * PPI / 96); };
  auto bitmapSize = [&]() { return TSize(item->Bitmap()->Width(), item->Bitmap()->Height()); };
  if (common) {
    if (menu && menu->Images()) return scaled(menu->Images());
    if (item->HasBitmap()) return bitmapSize();
  } else {
    if (item->HasBitmap()) return bitmapSize();
    if (item->Parent() && item->Parent()->SubMenuImages()) return TSize(scaled(item->Parent()->SubMenuImages()).cx, 0);
    if (menu && menu->Images() && item->ImageIndex() >= 0) return scaled(menu->Images());
  }
  const Integer side = iDefIcoWidth * PPI / 96;
  return TSize(side, side);
}

Integer TsSkinableMenus::ExtraWidth(const TkvMenuInfo* info) const {
  if (!info || !FOwner || !FOwner->MenuSupport()->UseExtraLine() || !info->HaveExtraLine) return 0;
  return MenuExtraLineWidth(FOwner->MenuSupport()->ExtraLineWidth(), PPI);
}

// ---- hooking ----

void TsSkinableMenus::InitItem(TMenuItem* item, bool active) {
  const TAdvancedMenuDrawItemEvent draw(this, &TsSkinableMenus::sAdvancedDrawItem);
  const TMenuMeasureItemEvent measure(this, &TsSkinableMenus::sMeasureItem);
  if (!active) {
    // Only this painter's handlers go: the application's stay.
    if (item->OnAdvancedDrawItem() == draw ||
        item->OnAdvancedDrawItem() == TAdvancedMenuDrawItemEvent(this, &TsSkinableMenus::sAdvancedDrawLineItem))
      item->SetOnAdvancedDrawItem({});
    if (item->OnMeasureItem() == measure ||
        item->OnMeasureItem() == TMenuMeasureItemEvent(this, &TsSkinableMenus::sMeasureLineItem))
      item->SetOnMeasureItem({});
    return;
  }
  if (IsTopLine(item)) {
    // The bar's items paint into the form's menu line, whoever else wants them.
    item->SetOnAdvancedDrawItem(TAdvancedMenuDrawItemEvent(this, &TsSkinableMenus::sAdvancedDrawLineItem));
    item->SetOnMeasureItem(TMenuMeasureItemEvent(this, &TsSkinableMenus::sMeasureLineItem));
    return;
  }
  if (!FOwner || !FOwner->SkinnedPopups()) return;
  const bool force = kvIgnoreMenuOwnerDraw;
  if (force || !item->OnAdvancedDrawItem()) item->SetOnAdvancedDrawItem(draw);
  if (force || !item->OnMeasureItem()) item->SetOnMeasureItem(measure);
}

void TsSkinableMenus::HookItem(TMenuItem* item, bool active) {
  for (Integer i = 0; i < item->Count(); ++i) {
    TMenuItem* child = item->Items(i);
    if (!(active && IsTopLine(child))) InitItem(child, active);
    HookItem(child, active);
  }
}

void TsSkinableMenus::HookPopupMenu(TMenu* menu, bool active) {
  if (!menu) return;
  active = active && FOwner && FOwner->IsActive();
  menu->SetOwnerDraw(active && FOwner->SkinnedPopups());
  if (auto* popup = dynamic_cast<TPopupMenu*>(menu)) {
    TMenuAnimation animation = popup->MenuAnimation();
    if (active)
      animation.Include(maNone);
    else
      animation.Exclude(maNone);
    popup->SetMenuAnimation(animation);
  }
  HookItem(menu->Items(), active);
}

void TsSkinableMenus::InitItems(bool active) {
  FActive = active;
  if (!Application || !FOwner || FOwner->ComponentState().Contains(csDesigning)) return;
  const bool hook = active && FOwner->SkinnedPopups();
  auto process = [&](auto&& self, TComponent* c) -> void {
    if (auto* main = dynamic_cast<TMainMenu*>(c)) {
      InitMenuLine(main, active);
      HookItem(main->Items(), hook);
    } else if (auto* popup = dynamic_cast<TPopupMenu*>(c)) {
      HookPopupMenu(popup, hook);
    } else if (auto* item = dynamic_cast<TMenuItem*>(c)) {
      if (!dynamic_cast<TMainMenu*>(item->GetParentMenu())) HookItem(item, hook);
    }
    for (Integer i = 0; i < c->ComponentCount(); ++i) self(self, c->Components(i));
  };
  for (Integer i = 0; i < Application->ComponentCount(); ++i) process(process, Application->Components(i));
}

void TsSkinableMenus::SetActive(bool active) {
  if (active != FActive) InitItems(active);
}

void TsSkinableMenus::UpdateMenus() { SetActive(FOwner && FOwner->IsActive()); }

// ---- measuring ----

void TsSkinableMenus::RefreshSkinData(TMenuItem* item) {
  if (sd && item->Parent() && item->Parent()->IndexOf(item) != 0) return;
  TCustomForm* form = OwnerFormOf(item);
  sd = FOwner->CommonSkinData(form ? CurrentPPI(FOwner, form, true) : 96);
  PPI = sd ? sd->PPI : 96;
}

void TsSkinableMenus::UpdateFont(TCanvas* canvas, TMenuItem* item, bool, bool bold) {
  TFont* font = canvas->Font();
  TFont* custom = FOwner ? FOwner->MenuSupport()->CustomMenuFont() : nullptr;
  if (custom)
    font->Assign(custom);
  else if (Screen)
    font->Assign(Screen->MenuFont());
  font->SetPixelsPerInch(96);
  TCustomForm* form = OwnerFormOf(item);
  if (!form && Application) form = Application->MainForm();
  if (form) {
    if (!custom) font->SetCharset(form->Font()->Charset());
    font->SetHeight(font->Height() * CurrentPPI(FOwner, form, true) / 96);
  }
  if (bold) font->SetStyle(TFontStyles(font->Style()).Include(fsBold));
}

Integer TsSkinableMenus::ItemHeight(TCanvas* canvas, TMenuItem* item) {
  const TsMenuItemType kind = MenuItemKind(item->Caption());
  if (kind == smDivider) return 2;
  UpdateFont(canvas, item, kind == smCaption, item->Default());
  const TSize text = TextSize(canvas, MeasuredText(item, kind));
  TkvMenuMetrics m;
  m.Margin = Margin();
  return MenuItemHeight(kind, text.cy, GlyphSize(item, false).cy, m);
}

void TsSkinableMenus::sMeasureItem(TObject* sender, TCanvas* canvas, Integer& width, Integer& height) {
  auto* item = dynamic_cast<TMenuItem*>(sender);
  if (!item || item->IsDestroying() || !FOwner) return;
  kvCanHookMenu = true;
  RefreshSkinData(item);
  TkvMenuInfo* info = GetMenuInfo(item, nullptr, nullptr);
  it = MenuItemKind(item->Caption());
  if (info && !info->LineDataAsked && !Measuring && !FOwner->IsDesigning()) {
    info->LineDataAsked = true;
    RequestExtraLine(*info, info->FirstItem);
  }
  UpdateFont(canvas, item, it == smCaption, item->Default());
  AskItemData(item, TOwnerDrawState(), canvas->Font());
  TkvMenuMetrics m;
  m.Margin = Margin();
  m.Spacing = Spacing();
  m.BorderWidth = BorderWidth();
  m.NoBorder = NoBorder();
  const Integer textWidth = it == smDivider ? 0 : TextSize(canvas, MeasuredText(item, it)).cx;
  width = MenuItemWidth(it, textWidth, GlyphSize(item, false).cx, m);
  // Items of the first column make room for the extra line.
  bool firstColumn = true;
  if (TMenuItem* parent = item->Parent())
    for (Integer i = 1; i <= parent->IndexOf(item); ++i)
      if (parent->Items(i)->Break() != mbNone) firstColumn = false;
  if (firstColumn) width += ExtraWidth(info);
  height = ItemHeight(canvas, item);
}

// ---- the background cache ----

TkvMenuInfo* TsSkinableMenus::GetMenuInfo(TMenuItem* item, TCanvas* canvas, HWND wnd) {
  if (!item) {
    if (!wnd) return nullptr;
    for (auto& info : MenuInfoArray)
      if (info->Wnd == wnd) return info.get();
    return nullptr;
  }
  TMenuItem* first = item->Parent() && item->Parent()->Count() ? item->Parent()->Items(0) : item;
  TkvMenuInfo* found = nullptr;
  for (auto& info : MenuInfoArray)
    if (info->FirstItem == first) {
      found = info.get();
      break;
    }
  if (!found) {
    // Keyed at once: measuring the siblings below looks the record up again.
    MenuInfoArray.push_back(std::make_unique<TkvMenuInfo>());
    found = MenuInfoArray.back().get();
    found->FirstItem = first;
  }
  if (!found->Bmp && canvas) {
    Integer w = 0, h = 0;
    if (wnd) {
      RECT r{};
      if (GetWindowRect(wnd, &r)) {
        w = r.right - r.left;
        h = r.bottom - r.top;
      }
    } else if (TMenuItem* parent = item->Parent()) {
      // No window yet: the popup's size from its measured columns.
      std::vector<TkvMenuColumnItem> columns;
      for (Integer i = 0; i < parent->Count(); ++i) {
        TMenuItem* sibling = parent->Items(i);
        if (!sibling->Visible()) continue;
        Integer iw = 0, ih = 0;
        sMeasureItem(sibling, canvas, iw, ih);
        columns.push_back({iw, ih, sibling->Break() != mbNone});
      }
      w = MenuColumnsWidth(columns) + 2 * BorderWidth();
      h = MenuColumnsHeight(columns) + 2 * BorderWidth();
    }
    PrepareMenuBG(*found, first, wnd, h, w);
  }
  return found;
}

void TsSkinableMenus::PrepareMenuBG(TkvMenuInfo& info, TMenuItem* firstItem, HWND wnd, Integer height, Integer width) {
  TCustomForm* form = OwnerFormOf(firstItem);
  TkvSkinData* data = FOwner->CommonSkinData(form ? CurrentPPI(FOwner, form, true) : 96);
  info.FirstItem = firstItem;
  info.Wnd = wnd;
  // The skin-selection sub-menu of the system menu never shows the extra line.
  if (firstItem->Name() == u"SkinSelectItem")
    info.HaveExtraLine = false;
  else if (!FOwner->IsDesigning())
    RequestExtraLine(info, firstItem);
  info.ItemsIterated = false;
  info.Bmp.reset(CreateBmp32(std::max(width, 0), std::max(height, 0)));
  IcoLineWidth = GlyphSize(firstItem, true).cx + Margin() + Spacing();
  ArOR.clear();
  const Integer main = IndexOf(ssMainMenu);
  if (main < 0 || info.Bmp->Empty()) return;  // no section: a blank picture
  TkvSkinData* sd96 = FOwner->CommonSkinData(96);
  const TsGeneralData& g = sd96->gd[size_t(main)];
  const bool hasBorderImage = g.BorderIndex >= 0 && size_t(g.BorderIndex) < data->ma.size();
  if (FSkinBorderWidth < 0)
    FSkinBorderWidth =
        MenuSkinBorderWidth(hasBorderImage, hasBorderImage ? data->ma[size_t(g.BorderIndex)].WL : 0, g.BorderRadius);
  const Integer b = FSkinBorderWidth;
  TBitmap* bmp = info.Bmp.get();
  const TRect whole(0, 0, bmp->Width(), bmp->Height());
  TCacheInfo fill = EmptyCI;
  fill.FillColor = clFuchsia;
  PaintItemBG(main, fill, 0, whole, TPoint(0, 0), bmp, sd96);

  // The glyph column, right of the extra line.
  const Integer extra = ExtraWidth(&info);
  const Integer icoLine = FOwner->GetSkinIndex(FOwner->MenuSupport()->IcoLineSkin());
  if (icoLine >= 0 && IcoLineWidth > 0 && height - 2 * b > 0) {
    std::unique_ptr<TBitmap> column(CreateBmp32(IcoLineWidth, height - 2 * b));
    PaintItem(icoLine, MakeCacheInfo(bmp, extra + b, b), true, 0, TRect(0, 0, column->Width(), column->Height()),
              TPoint(extra + b, b), column.get(), sd96);
    CopyFrom(bmp, extra + b, b, column->Width(), column->Height(), column.get(), 0, 0);
  }

  // The frame.
  if (hasBorderImage)
    DrawSkinRect(bmp, whole, EmptyCI, data->ma[size_t(g.BorderIndex)], 0, true);
  else
    TryPaintBorder(bmp, whole, g, 0, EmptyCI, nullptr, data->PPI, nullptr);

  // The extra line's band.
  const Integer band = FOwner->GetSkinIndex(ExtraSection);
  if (extra > 0 && band >= 0 && height - 2 * b > 0) {
    std::unique_ptr<TBitmap> strip(CreateBmp32(extra, height - 2 * b));
    PaintItem(band, MakeCacheInfo(bmp, b, b), true, 0, TRect(0, 0, strip->Width(), strip->Height()), TPoint(b, b),
              strip.get(), sd96);
    CopyFrom(bmp, b, b, strip->Width(), strip->Height(), strip.get(), 0, 0);
  }
  if (extra > 0) DrawExtraLineContent(bmp, data, form, band, b);
  ExtraGlyph.reset();
  CollectCorners(bmp);
}

void TsSkinableMenus::RequestExtraLine(TkvMenuInfo& info, TMenuItem* firstItem) {
  auto measuring = SetForScope(Measuring, true, false);
  ExtraGlyph.reset();
  info.HaveExtraLine = true;
  // Without a handler every popup shows the plain band.
  ExtraSection = u"EXTRALINE";
  ExtraCaption.clear();
  if (FOwner->OnGetPopupLineData) {
    ExtraCaption = u"Use OnGetExtraLineData event";
    FOwner->OnGetPopupLineData(firstItem, ExtraSection, ExtraCaption, ExtraGlyph, info.HaveExtraLine);
    ExtraCaption.erase(std::remove(ExtraCaption.begin(), ExtraCaption.end(), u'&'), ExtraCaption.end());
  }
  if (!info.HaveExtraLine) ExtraGlyph.reset();
}

void TsSkinableMenus::DrawExtraLineContent(TBitmap* bmp, TkvSkinData* data, TCustomForm* form, Integer band,
                                           Integer border) {
  const Integer extra = FOwner->MenuSupport()->ExtraLineWidth() * (data ? data->PPI : 96) / 96;
  const Integer height = bmp->Height();
  const Integer spacing = data ? data->Spacing : 0;
  Integer glyphHeight = 0;
  if (ExtraGlyph && !ExtraGlyph->Empty()) {
    const Integer gw = ExtraGlyph->Width(), gh = ExtraGlyph->Height();
    const TPoint at((extra - gw) / 2 + border, height - 2 * border - spacing - gh);
    if (ExtraGlyph->PixelFormat() == pf32bit) {
      PaintBmpRect32(bmp, ExtraGlyph.get(), TRect(0, 0, gw, gh), at, 255);
    } else {
      BitBlt(bmp->Canvas()->Handle(), at.X, at.Y, gw, gh, ExtraGlyph->Canvas()->Handle(), 0, 0, SRCCOPY);
      // GDI clears the alpha of what it writes: the popup's picture stays opaque there.
      FillAlphaRect(bmp, TRect(at.X, at.Y, at.X + gw, at.Y + gh), 255, clNone);
    }
    glyphHeight = gh;
  }
  if (ExtraCaption.empty()) return;
  // A vertical font made from the extra-line font, reading upwards.
  TFont* lineFont = FOwner->MenuSupport()->ExtraLineFont();
  TFont vertical;
  vertical.Assign(lineFont);
  vertical.SetHeight(lineFont->Height() * (data ? data->PPI : 96) / 96);
  vertical.SetOrientation(-2700);
  vertical.SetQuality(fqAntialiased);
  if (form) vertical.SetCharset(form->Font()->Charset());
  HDC dc = bmp->Canvas()->Handle();
  TSelectObject selected(dc, vertical.Handle());
  const TColor color = band >= 0 ? TColor(FOwner->gd()[size_t(band)].Props[0].FontColor.Color) : lineFont->Color();
  SetTextColor(dc, ColorToRGB(color));
  SetBkMode(dc, TRANSPARENT);
  SIZE extent{};
  GetTextExtentPoint32W(dc, WideStr(ExtraCaption), int(ExtraCaption.size()), &extent);
  const TRect line(border, border, border + extra, height - border);
  const Integer x = line.Left + (line.Width() - extent.cy) / 2;
  const Integer y = glyphHeight > 0 ? height - (glyphHeight + 20) : height - 12;
  SetTextAlign(dc, TA_LEFT | TA_TOP);
  ExtTextOutW(dc, x, y, ETO_CLIPPED, reinterpret_cast<const RECT*>(&line), WideStr(ExtraCaption),
              UINT(ExtraCaption.size()), nullptr);
  FillAlphaRect(bmp, line, 255, clNone);
}

bool TsSkinableMenus::AskItemData(TMenuItem* item, TOwnerDrawState state, TFont* font) {
  if (!FOwner || !FOwner->OnGetPopupItemData) return false;
  const TColor before = font->Color();
  FOwner->OnGetPopupItemData(item, state, font);
  return font->Color() != before;
}

// The transparent pixels of the frame's four corners become the rectangles cut from the
// popup window's region.
void TsSkinableMenus::CollectCorners(TBitmap* bmp) {
  ArOR.clear();
  const Integer main = IndexOf(ssMainMenu);
  if (main < 0) return;
  const TsGeneralData& g = FOwner->gd()[size_t(main)];
  Integer cw = 0, ch = 0;
  if (g.BorderIndex >= 0 && size_t(g.BorderIndex) < FOwner->ma().size()) {
    const TsMaskData& md = FOwner->ma()[size_t(g.BorderIndex)];
    cw = std::max<Integer>(md.WL, md.WR);
    ch = std::max<Integer>(md.WT, md.WB);
  } else if (g.BorderRadius > 0) {
    cw = ch = g.BorderRadius;
  }
  const Integer w = bmp->Width(), h = bmp->Height();
  cw = std::min(cw, w / 2);
  ch = std::min(ch, h / 2);
  if (cw <= 0 || ch <= 0) return;
  TPixelView view = bmp->View();
  auto scan = [&](Integer x0, Integer y0) {
    for (Integer y = y0; y < y0 + ch; ++y) {
      const uint32_t* row = view.Row(y);
      Integer start = -1;
      for (Integer x = x0; x <= x0 + cw; ++x) {
        const bool clear = x < x0 + cw && (row[x] >> 24) == 0;
        if (clear && start < 0) start = x;
        if (!clear && start >= 0) {
          ArOR.emplace_back(start, y, x, y + 1);
          start = -1;
        }
      }
    }
  };
  scan(0, 0);
  scan(w - cw, 0);
  scan(0, h - ch);
  scan(w - cw, h - ch);
}

void TsSkinableMenus::DrawWndBorder(HWND wnd, TBitmap* menuBmp) {
  if (BorderDrawing || !menuBmp || menuBmp->Empty()) return;
  SendAMessage(wnd, KV_DROPPEDDOWN);
  auto drawing = SetForScope(BorderDrawing, true, false);
  ++FramesApplied;
  if (!ArOR.empty()) {
    HRGN region = CreateRectRgn(0, 0, menuBmp->Width(), menuBmp->Height());
    for (const TRect& r : ArOR) {
      HRGN cut = CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom);
      CombineRgn(region, region, cut, RGN_DIFF);
      DeleteObject(cut);
    }
    if (!SetWindowRgn(wnd, region, FALSE)) DeleteObject(region);  // the window owns it on success
  }
  if (SendAMessage(wnd, KV_UPDATING, 0) != 0) return;
  const TWindowDC dc(wnd);
  if (!dc) return;
  BitBltBorder(dc, 0, 0, menuBmp->Width(), menuBmp->Height(), menuBmp->Canvas()->Handle(), 0, 0, 3, 3, 3, 3);
}

void TsSkinableMenus::DeleteUnusedBmps() { MenuInfoArray.clear(); }

// ---- drawing ----

void TsSkinableMenus::sAdvancedDrawItem(TObject* sender, TCanvas* canvas, TRect rect, TOwnerDrawState state) {
  auto* item = dynamic_cast<TMenuItem*>(sender);
  if (!item || !FOwner || !FOwner->IsActive()) return;
  HDC dc = canvas->Handle();
  RECT clip{};
  GetClipBox(dc, &clip);
  RefreshSkinData(item);
  if (NoBorder()) {
    if (clip.right - rect.Right < 10) rect.Right = clip.right;
    if (clip.bottom - rect.Bottom < 10) rect.Bottom = clip.bottom;
  }
  it = MenuItemKind(item->Caption());
  HWND wnd = WindowFromDC(dc);
  TkvMenuInfo* info = GetMenuInfo(item, canvas, wnd);
  if (!info) return;
  if (!wnd) {
    // The frame is applied once the popup window is known: the application window gets the
    // item's command number, which names the item only while it lives.
    HWND appWnd = Application ? Application->Handle() : nullptr;
    MSG queued;
    if (appWnd && !PeekMessageW(&queued, appWnd, WM_DRAWMENUBORDER, WM_DRAWMENUBORDER2, PM_NOREMOVE))
      PostMessageW(appWnd, WM_DRAWMENUBORDER, 0, LPARAM(item->Command()));
  } else if (info->Bmp && !info->FrameApplied && VisibleIndexOf(item) == 0) {
    info->FrameApplied = true;
    DrawWndBorder(wnd, info->Bmp.get());
  }
  switch (it) {
    case smDivider: PaintDivider(canvas, rect, *info, item); break;
    case smCaption: PaintCaption(canvas, rect, *info, item); break;
    default:
      if (info->Bmp && !info->Bmp->Empty()) PaintNormal(canvas, rect, state, *info, item);
      break;
  }
}

void TsSkinableMenus::DrawServiceGlyph(TBitmap* bmp, const TRect& iRect, Integer index, bool selected) {
  TsCharImageList* glyphs = CharImages();
  TkvDrawGlyphData d;
  d.Images = glyphs;
  d.ImageIndex = index;
  d.DstBmp = bmp;
  d.PPI = PPI;
  d.CurrentState = selected ? 1 : 0;
  const Integer gw = glyphs->Width() * PPI / 96, gh = glyphs->Height() * PPI / 96;
  const Integer x = iRect.Left + std::max(0, (IcoLineWidth - gw) / 2);
  const Integer y = (bmp->Height() - gh) / 2;
  d.ImgRect = TRect(x, y, x + gw, y + gh);
  kvDrawGlyphEx(d);
}

void TsSkinableMenus::PaintNormal(TCanvas* canvas, const TRect& rect, TOwnerDrawState state, TkvMenuInfo& info,
                                  TMenuItem* item) {
  TBitmap* bg = info.Bmp.get();
  const Integer b = RealBorderWidth();
  TkvSkinData* sd96 = FOwner->CommonSkinData(96);
  Integer section = IndexOf(ssMenuItem);

  // Columns: the bar of a bar break, once; the background below the last item of a column.
  const Integer bottomLimit = bg->Height() - 2 * b;
  if (!info.ItemsIterated && item->Break() == mbBarBreak && rect.Left + b < bg->Width()) {
    const TColor line = section >= 0 ? TColor(sd96->gd[size_t(section)].Props[0].FontColor.Color) : TColor(0x808080);
    TPixelView view = bg->View();
    const uint32_t px = 0xFF000000u | (line & 0xFF) << 16 | (line & 0xFF00) | (line >> 16 & 0xFF);
    for (Integer y = 0; y < view.Height; ++y) view.Row(y)[rect.Left + b] = px;
  }
  TMenuItem* next = NextVisible(item);
  if ((!next || next->Break() != mbNone) && rect.Bottom < bottomLimit)
    BitBlt(canvas->Handle(), rect.Left, rect.Bottom, rect.Width(), bottomLimit - rect.Bottom, bg->Canvas()->Handle(),
           rect.Left + b, rect.Bottom + b, SRCCOPY);
  if (IsLastVisible(item)) info.ItemsIterated = true;

  std::unique_ptr<TBitmap> itemBmp(CreateBmp32(rect.Width(), rect.Height()));
  CopyFrom(itemBmp.get(), 0, 0, rect.Width(), rect.Height(), bg, rect.Left + b, rect.Top + b);
  // Items next to the extra line leave it alone.
  const Integer extWidth = ExtraWidth(&info);
  const TRect iRect(rect.Left <= b ? extWidth : 0, 0, rect.Width(), rect.Height());
  const bool selected = item->Enabled() && state.Contains(odSelected);
  if (section >= 0 && (selected || sd96->gd[size_t(section)].Props[0].Transparency <= 99))
    PaintItem(section, MakeCacheInfo(bg, b, b), true, selected ? 1 : 0, iRect, TPoint(rect.Left, rect.Top),
              itemBmp.get(), sd96);

  // Check mark or glyph.
  TMenu* menu = item->GetParentMenu();
  TCustomImageList* images = item->GetImageList();
  const bool hasImage = images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count();
  if (state.Contains(odChecked) && !item->HasBitmap() && !hasImage) {
    // The skin's own mark of the global section, when it has one.
    auto drawMask = [&](StringView name) {
      const Integer globalInfo = FOwner->SkinCommonInfo.IndexGlobalInfo;
      const Integer mask = globalInfo >= 0 && sd ? sd->GetMaskIndex(globalInfo, name) : -1;
      if (mask < 0) return false;
      const TsMaskData& md = sd->ma[size_t(mask)];
      const TPoint p(iRect.Left + std::max(0, (IcoLineWidth - md.Width) / 2), (iRect.Height() - md.Height) / 2);
      DrawSkinGlyph(itemBmp.get(), p, selected ? 1 : 0, 1, md, MakeCacheInfo(itemBmp.get()));
      return true;
    };
    if (item->RadioItem()) {
      // The skin's radio mark belongs to the old glyph set.
      if (!(FOwner->ButtonsOptions.OldGlyphsMode() && drawMask(u"RADIOCHECKED")))
        DrawServiceGlyph(itemBmp.get(), iRect, kGlyphRadio, selected);
    } else if (!drawMask(u"CHECK")) {
      DrawServiceGlyph(itemBmp.get(), iRect, kGlyphCheck, selected);
    }
  } else if (!item->HasBitmap() && !hasImage && menu && menu->Name().rfind(u"kvSysMenu", 0) == 0) {
    // The skinned system menu's commands get their caption-button glyphs.
    Integer glyph = -1;
    switch (item->Tag()) {
      case SC_MOVE: glyph = kGlyphMove; break;
      case SC_MINIMIZE: glyph = kGlyphMinimize; break;
      case SC_MAXIMIZE: glyph = kGlyphMaximize; break;
      case SC_RESTORE: glyph = kGlyphRestore; break;
      case SC_CLOSE: glyph = kGlyphClose; break;
      default: break;
    }
    if (glyph >= 0) DrawServiceGlyph(itemBmp.get(), iRect, glyph, selected);
  } else if (item->HasBitmap() || hasImage) {
    TkvDrawGlyphData d;
    d.CurrentState = selected ? 1 : 0;
    d.Enabled = item->Enabled();
    d.Grayed = FOwner->Effects.DiscoloredGlyphs && !selected;
    d.PPI = PPI;
    d.DstBmp = itemBmp.get();
    d.CommonSkinData = sd;
    if (section >= 0) d.BGColor = TColor(sd96->gd[size_t(section)].Props[selected ? 1 : 0].Color);
    TSize size;
    Integer x = 0;
    if (hasImage) {
      d.Images = images;
      d.ImageIndex = item->ImageIndex();
      size = TSize(images->Width() * PPI / 96, images->Height() * PPI / 96);
      x = iRect.Left + (IcoLineWidth - size.cx) / 2;
    } else {
      d.Glyph = item->Bitmap();
      size = TSize(d.Glyph->Width(), d.Glyph->Height());
      x = iRect.Left + (GlyphSize(item, false).cx + Margin() + Spacing() - size.cx) / 2;
    }
    const Integer y = (iRect.Height() - size.cy) / 2;
    d.ImgRect = TRect(x, y, x + size.cx, y + size.cy);
    if (state.Contains(odChecked)) {
      const Integer box = IndexOf(ssSpeedButton_Small);
      if (box >= 0)
        PaintItem(box, MakeCacheInfo(itemBmp.get()), true, 2, TRect(x - 1, y - 1, x + size.cx + 1, y + size.cy + 1),
                  TPoint(x - 1, y - 1), itemBmp.get(), sd96);
    }
    kvDrawGlyphEx(d);
  }

  // Texts.
  TCanvas* c = itemBmp->Canvas();
  UpdateFont(c, item, false, state.Contains(odDefault));
  // A colour of the owner's own: the text keeps it rather than the skin's.
  if (AskItemData(item, state, c->Font())) section = -1;
  TRect textR(iRect.Left + GlyphSize(item, true).cx + 2 * Margin() + Spacing(), iRect.Top + Margin(), iRect.Right,
              iRect.Bottom - Margin());
  const TkvMenuItemText parts = SplitMenuItemText(item->Caption());
  Cardinal flags = DT_VCENTER | DT_EXPANDTABS | DT_NOCLIP;
  static const Cardinal alignToInt[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  flags |= parts.RightAligned ? DT_RIGHT : alignToInt[FAlignment];
  flags |= parts.Text.find(u'\r') != String::npos ? DT_WORDBREAK : DT_SINGLELINE;
  if (state.Contains(odNoAccel) && !FOwner->MenuSupport()->ShowAccelCharAlways()) flags |= DT_HIDEPREFIX;
  const Integer hot = item->Enabled() && (selected || state.Contains(odHotLight)) ? 1 : 0;
  TRect r = textR;
  kvWriteTextEx(c, parts.Text, item->Enabled(), r, flags, section, hot, FOwner);
  if (item->ShortCut() != scNone) {
    const String shortCut = ShortCutToText(item->ShortCut());
    RECT m{0, 0, 0, 0};
    DrawTextW(c->Handle(), WideStr(shortCut), int(shortCut.size()), &m, DT_CALCRECT | DT_EXPANDTABS | DT_SINGLELINE);
    const Integer right = iRect.Right - 2 * (sd ? sd->Spacing : 4);
    textR = TRect(right - (m.right - m.left), iRect.Top, right, iRect.Bottom);
    r = textR;
    kvWriteTextEx(c, shortCut, item->Enabled(), r, DT_SINGLELINE | DT_VCENTER, section, hot, FOwner);
  }
  if (!parts.RightText.empty()) {
    r = TRect(textR.Left, textR.Top, textR.Right - 8, textR.Bottom);
    kvWriteTextEx(c, parts.RightText, item->Enabled(), r, DT_SINGLELINE | DT_VCENTER | DT_RIGHT, section, hot, FOwner);
  }
  OnDrawItem.Call(item, c, it, state, iRect);
  if (!item->Enabled())
    BlendTransRectangle(itemBmp.get(), 0, 0, bg,
                        TRect(rect.Left + b, rect.Top + b, rect.Right + b - 1, rect.Bottom + b - 1),
                        Byte(DefBlendDisabled), clFuchsia);
  BitBlt(canvas->Handle(), rect.Left, rect.Top, rect.Width(), rect.Height(), c->Handle(), 0, 0, SRCCOPY);
  (void)menu;
}

void TsSkinableMenus::PaintDivider(TCanvas* canvas, const TRect& rect, TkvMenuInfo& info, TMenuItem*) {
  TBitmap* bg = info.Bmp.get();
  const Integer b = RealBorderWidth();
  if (!bg || bg->Empty()) return;
  Integer reserve = ExtraWidth(&info);
  const Integer icoLine = FOwner->GetSkinIndex(FOwner->MenuSupport()->IcoLineSkin());
  if (icoLine >= 0) {
    const TsGeneralData& g = FOwner->gd()[size_t(icoLine)];
    if (g.Props[0].Transparency < 100 || g.BorderIndex >= 0) reserve += (sd ? sd->Spacing : 4) + IcoLineWidth;
  }
  const TRect line(Margin() + reserve, 0, rect.Width(), rect.Height());
  const Integer divider = IndexOf(ssDividerV);
  TkvSkinData* sd96 = FOwner->CommonSkinData(96);
  if (divider >= 0 && sd96->gd[size_t(divider)].BorderIndex >= 0 && sd) {
    std::unique_ptr<TBitmap> itemBmp(CreateBmp32(rect.Width(), rect.Height()));
    CopyFrom(itemBmp.get(), 0, 0, rect.Width(), rect.Height(), bg, rect.Left + b, rect.Top + b);
    DrawSkinRect(itemBmp.get(), line, MakeCacheInfo(itemBmp.get()),
                 sd->ma[size_t(sd96->gd[size_t(divider)].BorderIndex)], 0, true);
    BitBlt(canvas->Handle(), rect.Left, rect.Top, rect.Width(), rect.Height(), itemBmp->Canvas()->Handle(), 0, 0,
           SRCCOPY);
    return;
  }
  BitBlt(canvas->Handle(), rect.Left, rect.Top, rect.Width(), rect.Height(), bg->Canvas()->Handle(), rect.Left + b,
         rect.Top + b, SRCCOPY);
  TColor color = FOwner->Palette[pcBorder];
  if (color == clFuchsia) color = TColor(GetSysColor(COLOR_BTNSHADOW));
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ old = SelectObject(canvas->Handle(), pen);
  MoveToEx(canvas->Handle(), rect.Left + line.Left, rect.Top, nullptr);
  LineTo(canvas->Handle(), rect.Left + line.Right, rect.Top);
  SelectObject(canvas->Handle(), old);
  DeleteObject(pen);
}

void TsSkinableMenus::PaintCaption(TCanvas* canvas, const TRect& rect, TkvMenuInfo& info, TMenuItem* item) {
  TBitmap* bg = info.Bmp.get();
  const Integer b = RealBorderWidth();
  if (!bg || bg->Empty()) return;
  std::unique_ptr<TBitmap> itemBmp(CreateBmp32(rect.Width(), rect.Height()));
  CopyFrom(itemBmp.get(), 0, 0, rect.Width(), rect.Height(), bg, rect.Left + b, rect.Top + b);
  const TRect area(ExtraWidth(&info), 0, rect.Width(), rect.Height());
  const Integer section = IndexOf(ssMenuCaption);
  if (section >= 0)
    PaintItem(section, MakeCacheInfo(bg, b + 1, b + 1), true, 0, area, TPoint(rect.Left, rect.Top), itemBmp.get(),
              FOwner->CommonSkinData(96));
  TCanvas* c = itemBmp->Canvas();
  UpdateFont(c, item, true, false);
  TRect r(area.Left, area.Top + Margin() + 2, area.Right, area.Bottom - Margin() - 2);
  kvWriteTextEx(c, CaptionItemText(item->Caption()), true, r, DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_HIDEPREFIX,
                section, 0, FOwner);
  BitBlt(canvas->Handle(), rect.Left, rect.Top, rect.Width(), rect.Height(), c->Handle(), 0, 0, SRCCOPY);
}

// ---- the services the skin manager reaches ----------------------------------------------------

namespace {

std::unique_ptr<TsSkinableMenus>& Painter() {
  static std::unique_ptr<TsSkinableMenus> painter;
  return painter;
}

class TMenuServices : public TkvMenuServices {
 public:
  void ForgetSkinData() override {
    if (TsSkinableMenus* p = SkinableMenus()) {
      p->ForgetSkinData();
      p->DeleteUnusedBmps();  // pictures of the old skin
    }
  }
  void ResetSkinBorderWidth() override {
    if (TsSkinableMenus* p = SkinableMenus()) p->ResetSkinBorderWidth();
  }
  void UpdateMenus() override {
    if (TsSkinableMenus* p = SkinableMenus()) p->UpdateMenus();
  }
  void HookPopupMenu(TPopupMenu* menu, bool active) override {
    if (TsSkinableMenus* p = SkinableMenus()) p->HookPopupMenu(menu, active);
  }
  bool DrawMenuBorder(HWND wnd, TMenuItem* item) override {
    TsSkinableMenus* p = SkinableMenus();
    if (!p) return false;
    TkvMenuInfo* info = p->GetMenuInfo(item, nullptr, wnd);
    if (!info || !info->Bmp) return false;
    p->DrawWndBorder(wnd, info->Bmp.get());
    return true;
  }
  void HidePopupShadow(HWND wnd) override {
    if (!wnd) return;
    for (const auto& h : GetIntController()->FormHandlers)
      if (h && h->ShadowForm && h->PopupForm && h->PopupForm->HandleAllocated() && h->PopupForm->Handle() == wnd)
        h->ShadowForm->HideWnd();
  }
};

TMenuServices menuServices;

void PopupClosed(HMENU) {
  if (TsSkinableMenus* p = Painter().get()) p->DeleteUnusedBmps();
}

}  // namespace

TsSkinableMenus* SkinableMenus() {
  auto& painter = Painter();
  if (!DefaultManager) {
    painter.reset();
    return nullptr;
  }
  // A painter of a manager that is gone (another became the default one) is not reused.
  if (!painter || painter->Owner() != DefaultManager) painter = std::make_unique<TsSkinableMenus>(DefaultManager);
  return painter.get();
}

void sSkinMenusStartup() {
  TkvServiceSlot<TkvMenuServices>::Set(&menuServices);
  OnMenuPopupClosed = &PopupClosed;
}

void sSkinMenusCleanup() {
  if (TkvServiceSlot<TkvMenuServices>::Get() == &menuServices) TkvServiceSlot<TkvMenuServices>::Set(nullptr);
  if (OnMenuPopupClosed == &PopupClosed) OnMenuPopupClosed = nullptr;
  Painter().reset();
  kvCanHookMenu = false;
}
