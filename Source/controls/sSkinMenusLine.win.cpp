// The menu painter's side of a form's menu line: the bar items of a main menu measured from the
// menu font and drawn over the line's clean background, which the form (the host) keeps.
#include <windows.h>

#include <algorithm>
#include <memory>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/sSkinMenus.h"
#include "controls/sThirdParty.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "skin/FormServices.h"
#include "ui/Forms.h"
#include "ui/ImgList.h"

namespace {

TMenuMeasureItemEvent LineMeasure(TsSkinableMenus* p) {
  return TMenuMeasureItemEvent(p, &TsSkinableMenus::sMeasureLineItem);
}
TAdvancedMenuDrawItemEvent LineDraw(TsSkinableMenus* p) {
  return TAdvancedMenuDrawItemEvent(p, &TsSkinableMenus::sAdvancedDrawLineItem);
}

// The picture beside a bar item: an image of the menu's images, else the item's own bitmap.
bool HasLineImage(TMenuItem* item) {
  TCustomImageList* images = item->GetImageList();
  return images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count();
}

// The host of the form whose window shows the menu: the answer of its window to
// KV_GETPROVIDER.
TkvMenuLineHost* HostOfMenu(TMenuItem* item) {
  TMenu* menu = item->GetParentMenu();
  HWND wnd = menu ? menu->WindowHandle() : nullptr;
  if (!wnd || !IsWindow(wnd)) return nullptr;
  return dynamic_cast<TkvMenuLineHost*>(GetFormProvider(wnd));
}

}  // namespace

void TsSkinableMenus::InitMenuLine(TMainMenu* menu, bool active) {
  if (!menu || menu->IsDestroying()) return;
  TMenuItem* root = menu->Items();
  if (!active) {
    for (Integer i = 0; i < root->Count(); ++i) InitItem(root->Items(i), false);
  } else if (FOwner && FOwner->IsActive()) {
    for (Integer i = 0; i < root->Count(); ++i) {
      TMenuItem* item = root->Items(i);
      item->SetOnAdvancedDrawItem(LineDraw(this));
      item->SetOnMeasureItem(LineMeasure(this));
      // Without skinned popups only the first item is taken and the bar stays as it is.
      if (!FOwner->SkinnedPopups()) return;
    }
  }
  if (root->Count() > 0) menu->SetOwnerDraw(active);
}

void TsSkinableMenus::sMeasureLineItem(TObject* sender, TCanvas* canvas, Integer& width, Integer& height) {
  auto* item = dynamic_cast<TMenuItem*>(sender);
  if (!item || item->IsDestroying() || !FOwner) return;
  RefreshSkinData(item);
  height = MenuLineItemHeight(GetSystemMetrics(SM_CYMENU));
  UpdateFont(canvas, item, false, false);
  const String text = MenuLineCaptionText(item->Caption());
  SIZE ts{};
  GetTextExtentPoint32W(canvas->Handle(), WideStr(text), int(text.size()), &ts);
  Integer picture = 0;
  if (HasLineImage(item))
    picture = item->GetImageList()->Height() * PPI / 96;
  else if (item->HasBitmap())
    picture = item->Bitmap()->Width();
  width = MenuLineItemWidth(ts.cx, picture);
}

void TsSkinableMenus::sAdvancedDrawLineItem(TObject* sender, TCanvas* canvas, TRect rect, TOwnerDrawState state) {
  auto* item = dynamic_cast<TMenuItem*>(sender);
  if (!item || !canvas || !FOwner || !FOwner->IsActive() || rect.Width() <= 0 || rect.Height() <= 0) return;
  TkvMenuLineHost* host = MenuProvider ? MenuProvider : HostOfMenu(item);
  if (!host) return;
  TBitmap* cache = host->MenuLineCache();
  TBitmap* line = host->MenuLineBackground();
  if (!cache || !line || line->Empty()) return;
  RefreshSkinData(item);
  it = smTopLine;
  const bool onCache = canvas->Handle() == cache->Canvas()->Handle();
  const TPoint offset = MenuLineItemOffset(rect, host->MenuLineOrigin(onCache));
  // Only the part of the item over the line's background is drawn; an item outside it (the bar
  // changed since the line was painted) waits for the line's next painting.
  const Integer w = Mini(rect.Width(), line->Width() - offset.X), h = Mini(rect.Height(), line->Height() - offset.Y);
  if (offset.X < 0 || offset.Y < 0 || w <= 0 || h <= 0) return;
  const bool rtl = host->MenuLineRightToLeft();
  TkvSkinData* sd96 = FOwner->CommonSkinData(96);

  std::unique_ptr<TBitmap> bmp(CreateBmp32(w, h));
  const TRect whole(0, 0, w, h);
  BitBlt(bmp->Canvas()->Handle(), 0, 0, whole.Right, whole.Bottom, line->Canvas()->Handle(), offset.X, offset.Y,
         SRCCOPY);
  const bool selected = item->Enabled() && (state.Contains(odSelected) || state.Contains(odHotLight));
  const Integer section = IndexOf(ssMenuItem);
  if (section >= 0) PaintItem(section, MakeCacheInfo(line), true, selected ? 1 : 0, whole, offset, bmp.get(), sd96);

  // The picture.
  TRect glyph;
  const bool image = HasLineImage(item);
  if (image || item->HasBitmap()) {
    TkvDrawGlyphData d;
    d.DstBmp = bmp.get();
    d.PPI = PPI;
    d.CommonSkinData = sd;
    d.Enabled = item->Enabled();
    d.CurrentState = selected ? 1 : 0;
    d.Grayed = FOwner->Effects.DiscoloredGlyphs && !selected;
    d.BGColor = section >= 0 ? TColor(sd96->gd[size_t(section)].Props[0].Color) : clWhite;
    TSize size;
    if (image) {
      d.Images = item->GetImageList();
      d.ImageIndex = item->ImageIndex();
      size = TSize(d.Images->Width() * PPI / 96, d.Images->Height() * PPI / 96);
    } else {
      d.Glyph = item->Bitmap();
      size = TSize(d.Glyph->Width(), d.Glyph->Height());
      d.NumGlyphs = size.cy > 0 ? std::max<Integer>(1, size.cx / size.cy) : 1;
      size.cx /= d.NumGlyphs;
    }
    const TPoint p = MenuLineGlyphPos(whole, size, rtl);
    glyph = TRect(p.X, p.Y, p.X + size.cx, p.Y + size.cy);
    d.ImgRect = glyph;
    kvDrawGlyphEx(d);
  }

  // The text, in the menu line's colours.
  TCanvas* c = bmp->Canvas();
  UpdateFont(c, item, false, false);
  TRect r = MenuLineTextRect(whole, glyph, Margin(), rtl);
  static const Cardinal alignToInt[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  Cardinal flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS | DT_NOCLIP | alignToInt[FAlignment];
  if (rtl) flags |= DT_RTLREADING;
  if (state.Contains(odNoAccel) && !FOwner->MenuSupport()->ShowAccelCharAlways()) flags |= DT_HIDEPREFIX;
  const Integer lineSection = IndexOf(ssMenuLine);
  const Integer textSection = lineSection >= 0 ? lineSection : section;
  if (host->MenuLineKeepsAlpha())
    WriteText32(bmp.get(), item->Caption(), item->Enabled(), r, flags, textSection, selected ? 1 : 0, FOwner);
  else
    kvWriteTextEx(c, item->Caption(), item->Enabled(), r, flags, textSection, selected ? 1 : 0, FOwner);

  OnDrawItem.Call(item, c, smTopLine, state, whole);
  if (!item->Enabled())
    SumBmpRect(bmp.get(), line, Byte(DefBlendDisabled),
               TRect(offset.X, offset.Y, offset.X + whole.Right, offset.Y + whole.Bottom), TPoint(0, 0));
  BitBlt(canvas->Handle(), rect.Left, rect.Top, whole.Right, whole.Bottom, c->Handle(), 0, 0, SRCCOPY);
}
