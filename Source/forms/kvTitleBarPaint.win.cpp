// The provider's side of the title bar: binding the items to skin sections, the bar in the
// caption layout, hit testing, hot tracking, presses and the item painter.
#include <algorithm>
#include <memory>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "forms/kvTitleBar.h"
#include "forms/sSkinProvider.h"
#include "images/ImageListSizes.h"
#include "images/kvAlphaImageList.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "raster/Shapes.h"
#include "raster/Text.h"
#include "skin/sVclUtils.h"
#include "ui/Forms.h"

namespace {

const TsGeneralData* SectionOf(TsSkinProvider& sp, Integer index) {
  TkvSkinData* data = sp.SkinDataFor();
  return data && index >= 0 && index < Integer(data->gd.size()) ? &data->gd[size_t(index)] : nullptr;
}

Integer ItemCount(TsTitleBar* bar) { return bar ? std::min(bar->FItems->Count(), kvMaxCaptionItems) : 0; }

// The fade of an item whose state changed; the skin's effects decide whether it fades.
void Animate(TsSkinProvider& sp, TkvTitleBarItem* item, bool show) {
  DuRiruZireziv* manager = sp.SkinManager();
  const bool fades = manager && manager->Effects.AllowAnimation && sp.FAllowAnimation;
  // With an outer border window the item lies in that window's picture.
  TkvGlowForm* ext = sp.BorderForm ? sp.BorderForm->AForm.get() : nullptr;
  StartItemAnimation(item, fades ? 10 : 1, show, ext);
}

}  // namespace

void TsTitleBar::PaintThroughProvider(TkvTitleBarItem* item, const TRect& r, TBitmap* bmp) {
  if (SP) PaintTitleItem(*SP, item, r, bmp);
}

bool IsTitleItemHT(TsSkinProvider& sp, Integer ht) {
  return ht >= HTITEM && ht < HTITEM + ItemCount(TitleBarOf(sp.Form));
}

TkvTitleBarItem* TitleItemByHT(TsSkinProvider& sp, Integer ht) {
  return IsTitleItemHT(sp, ht) ? TitleBarOf(sp.Form)->FItems->Items(ht - HTITEM) : nullptr;
}

// ---- Binding and layout ----------------------------------------------------------------------

void UpdateTitleBar(TsSkinProvider& sp) {
  TsTitleBar* bar = TitleBarOf(sp.Form);
  if (!bar) return;
  bar->SP = &sp;
  DuRiruZireziv* manager = sp.SkinManager();
  for (Integer i = 0; i < bar->FItems->Count(); ++i) {
    TkvTitleBarItem* it = bar->FItems->Items(i);
    if (!it->Data) it->Data = std::make_unique<TkvItemSkinData>();
    Integer index = -1;
    if (manager) {
      if (!it->FSkinSection.empty()) index = manager->GetSkinIndex(it->FSkinSection);
      if (index < 0) {
        const auto& sections = manager->SkinCommonInfo.Sections;
        switch (it->FStyle) {
          case bsButton: index = sections[ssTBBtn]; break;
          case bsMenu: index = sections[ssTBMenuBtn]; break;
          case bsTab: index = sections[ssTBTab]; break;
          default: break;
        }
      }
    }
    it->Data->SkinIndex = index;
    it->FOnInternalDraw = TkvInternalDrawEvent(bar, &TsTitleBar::PaintThroughProvider);
    if (sp.Form->HandleAllocated()) it->FFontData->WndHandle = sp.Form->WindowHandle();
  }
}

void CalcTitleBarItems(TsSkinProvider& sp, Integer fullLeft, Integer fullRight) {
  TsTitleBar* bar = TitleBarOf(sp.Form);
  TkvSkinData* data = sp.SkinDataFor();
  if (!bar || !data) return;
  if (bar->SP != &sp) UpdateTitleBar(sp);
  if (!bar->Initialized) bar->UpdateSizes();
  bar->FFullRight = fullRight;
  bar->FBarRect.Left = fullLeft;
  bar->FBarRect.Right = fullRight;
  if (sp.SysRTLAllowed()) {
    bool leftItem = false;
    for (Integer i = 0; i < bar->FItems->Count(); ++i)
      leftItem = leftItem || (bar->FItems->Items(i)->FVisible && bar->FItems->Items(i)->FAlign == tbaLeft);
    if (sp.FIconRect.Width() > 0 && leftItem) bar->FBarRect.Left += data->Spacing;
    bar->FBarRect.Left += data->Spacing;
  } else {
    bar->FBarRect.Right -= data->Spacing;
  }
  bar->FBarRect.Top = sp.GetTopCoord();
  bar->FBarRect.Bottom = sp.FHeaderHeight;
  bar->FBarVCenter = sp.VCenter;
  bar->CalcSizes();
}

Integer TitleItemHitTest(TsSkinProvider& sp, const TPoint& p) {
  TsTitleBar* bar = TitleBarOf(sp.Form);
  for (Integer i = 0; i < ItemCount(bar); ++i) {
    const TkvTitleBarItem* it = bar->FItems->Items(i);
    if (!it->FVisible || !it->Rect.Contains(p)) continue;
    // Spacers and info items only show; a disabled item and the tab already down take no
    // press: the point belongs to what lies under them (the caption).
    const bool target = it->FStyle != bsSpacing && it->FStyle != bsInfo;
    const bool pressedTab = it->FStyle == bsTab && it->FDown;
    return target && it->FEnabled && !pressedTab ? HTITEM + i : 0;
  }
  return 0;
}

// ---- Hot tracking and presses ----------------------------------------------------------------

void TitleItemHotChange(TsSkinProvider& sp, Integer oldHT, Integer newHT) {
  if (TkvTitleBarItem* old = TitleItemByHT(sp, oldHT)) {
    if (!old->FDroppedDown) {
      old->SetState(0);
      Animate(sp, old, false);
    }
    old->FOnMouseLeave.Call(old);
    // Its hint, shown or waiting, goes with the mouse.
    if (sp.FHintTimer) sp.FHintTimer->SetEnabled(false);
    HideHintWnd(old);
  }
  if (sp.biClicked) return;
  if (TkvTitleBarItem* item = TitleItemByHT(sp, newHT)) {
    item->SetState(1);
    item->FOnMouseEnter.Call(item);
    sp.StartHintTimer(item);
    Animate(sp, item, true);
  }
}

bool TitleItemMouseDown(TsSkinProvider& sp, Integer ht, const TMessage& m) {
  TkvTitleBarItem* item = TitleItemByHT(sp, ht);
  if (!item) return false;
  // A press ends the item's hint, shown or waiting.
  if (sp.FHintTimer) sp.FHintTimer->SetEnabled(false);
  HideHintWnd(item);
  sp.CurrentHT = ht;
  sp.PressedHT = ht;
  sp.biClicked = true;
  item->SetState(2);
  Animate(sp, item, true);
  const TPoint p = sp.CursorToPoint(m.XPos(), m.YPos());
  item->DoMouseDown(mbLeft, TShiftState(), p.X - item->Rect.Left, p.Y - item->Rect.Top);
  return true;
}

bool TitleItemMouseUp(TsSkinProvider& sp, Integer pressed, Integer under, const TMessage& m) {
  TkvTitleBarItem* item = TitleItemByHT(sp, pressed);
  if (!item) return false;
  sp.PressedHT = 0;
  sp.biClicked = false;
  if (under == pressed) {
    const TPoint p = kvMousePos();
    item->DoMouseUp(mbLeft, TShiftState(), p.X, p.Y);  // turns the item hot again
    sp.CurrentHT = pressed;
    Animate(sp, item, true);
  } else {
    item->FPressed = false;
    item->SetState(0);
    sp.CurrentHT = 0;
    Animate(sp, item, false);
  }
  (void)m;
  return true;
}

// ---- Painting --------------------------------------------------------------------------------

namespace {

// A section in a state into r of dst: the 32-bit item painter, or the DC painter for a look
// that is wholly transparent (it leaves the parent's picture as it is).
void PaintItemSection(TsSkinProvider& sp, Integer skinIndex, const TCacheInfo& ci, Integer state, TBitmap* dst,
                      const TPoint& pos, const TRect& r) {
  DuRiruZireziv* manager = sp.SkinManager();
  const TsGeneralData* gd = SectionOf(sp, skinIndex);
  if (!manager || !gd || !manager->IsValidSkinIndex(skinIndex)) return;
  Integer d = std::min(state, gd->States);
  if (d > 1) d = 2;
  TkvSkinData* data = sp.SkinDataFor();
  const bool clear = gd->Props[size_t(std::min(d, 2))].Transparency == 100;
  const bool noBorder = gd->BorderIndex < 0 || gd->BorderIndex >= Integer(data->ma.size());
  const bool modeTwo = !noBorder && state == 0 && (data->ma[size_t(gd->BorderIndex)].DrawMode & 2);
  if (clear && (noBorder || modeTwo))
    PaintItem(skinIndex, ci, true, d, r, pos, dst, data);
  else
    PaintItem32(skinIndex, r == TRect(0, 0, dst->Width(), dst->Height()), d, r, pos, dst, data);
}

// The nine-part painter for pictures without alpha: fuchsia is transparent in both bitmaps.
void PaintItemNoAlpha(TBitmap* dst, TBitmap* src, const TRect& dr, const TRect& sr, const TRect& bw) {
  const TPixelView d = ViewOf(dst), s = ViewOf(src);
  const Integer l = bw.Left, t = bw.Top, r = bw.Right, b = bw.Bottom;
  CopyTransRect(d, s, dr.Left, TRect(sr.Left, sr.Top, sr.Left + l - 1, sr.Top + t - 1), dr.Top);
  CopyTransRect(d, s, dr.Left, TRect(sr.Left, sr.Bottom - b, sr.Left + l - 1, sr.Bottom - 1), dr.Bottom - b);
  CopyTransRect(d, s, dr.Right - r, TRect(sr.Right - r, sr.Top, sr.Right - 1, sr.Top + t - 1), dr.Top);
  CopyTransRect(d, s, dr.Right - r, TRect(sr.Right - r, sr.Bottom - b, sr.Right - 1, sr.Bottom - 1), dr.Bottom - b);
  const HDC dc = dst->Canvas()->Handle(), sdc = src->Canvas()->Handle();
  SetStretchBltMode(dc, COLORONCOLOR);
  const Integer smh = sr.Height() - t - b, dmh = dr.Height() - t - b;
  const Integer smw = sr.Width() - l - r, dmw = dr.Width() - l - r;
  // Key-coloured pixels of the edges and the centre stay out of the picture.
  auto stretch = [&](Integer dx, Integer dy, Integer dw, Integer dh, Integer sx, Integer sy, Integer sw, Integer shh) {
    if (dw > 0 && dh > 0 && sw > 0 && shh > 0)
      TransparentBlt(dc, dx, dy, dw, dh, sdc, sx, sy, sw, shh, RGB(255, 0, 255));
  };
  if (smh > 0) {
    stretch(dr.Left, dr.Top + t, l, dmh, sr.Left, sr.Top + t, l, smh);
    stretch(dr.Right - r, dr.Top + t, r, dmh, sr.Right - r, sr.Top + t, r, smh);
  }
  if (smw > 0) {
    stretch(dr.Left + l, dr.Top, dmw, t, sr.Left + l, sr.Top, smw, t);
    stretch(dr.Left + l, dr.Bottom - b, dmw, b, sr.Left + l, sr.Bottom - b, smw, b);
  }
  stretch(dr.Left + l, dr.Top + t, dmw, dmh, sr.Left + l, sr.Top + t, smw, smh);
  // What GDI drew has no alpha: the painted area is made opaque.
  FillAlphaRect(dst, dr, 255, clFuchsia);
}

struct TkvItemLook {
  Integer SkinIndex = -1;
  Integer State = 0;      // the item's look: its image and arrow
  Integer TextState = 0;  // the look of the section its text is written with
  TColor TextColor = clNone;
  Integer GlowSize = 0;
  TColor GlowColor = 0;
  bool ParentFont = false;  // the title section's colours, the text with no section
};

void PaintContent(TsSkinProvider& sp, TkvTitleBarItem* item, TBitmap* dst, const TRect& r, TkvItemLook& look) {
  DuRiruZireziv* manager = sp.SkinManager();
  TkvSkinData* data = sp.SkinDataFor();
  TsTitleBar* bar = item->Bar();
  const Integer p = data ? data->PPI : 96;
  const Integer s = look.State;
  const bool rtl = bar && bar->RightToLeft();
  TFont* font = item->FFontData->UsedFont.get();
  const bool hasCaption = !item->FCaption.empty();
  const TSize ts = hasCaption ? GetStringSize(font->Handle(), item->FCaption, DT_SINGLELINE, false, 0,
                                              font->Style().Contains(fsItalic))
                              : TSize();
  Integer a = 0, a2 = 0;
  if ((item->FStyle == bsButton || item->FStyle == bsMenu) && item->FDropdownMenu) {
    a = 2 * data->ArrowSize;
    a2 = data->Spacing + a;
  }
  // The image for the state.
  const bool enabled = item->FEnabled && sp.Form->Enabled();
  Integer imageIndex = item->FImageIndex;
  TColor grayed = TColor(0x1FFFFFFF);
  if (enabled) {
    if (s == 1) imageIndex = item->FHotImageIndex;
    if (s == 2) imageIndex = item->FPressedImageIndex;
    if (s == 0 && manager && manager->Effects.DiscoloredGlyphs) {
      const TsGeneralData* own = SectionOf(sp, item->SkinIndex());
      const TsGeneralData* title = SectionOf(sp, sp.FTitleSkinIndex);
      grayed = own ? TColor(own->Props[0].Color) : title ? TColor(title->Props[0].Color) : TColor(0xFFFFFF);
    }
  } else {
    imageIndex = item->FDisabledImageIndex;
  }
  if (imageIndex < 0) imageIndex = item->FImageIndex;
  TCustomImageList* images = bar ? bar->FImages : nullptr;
  const bool listImage = images && imageIndex >= 0 && imageIndex < GetImageCount(images);
  TBitmap* glyph = item->FGlyph.get();
  const bool hasGlyph = !listImage && glyph->Width() > 0 && glyph->Height() > 0;
  // A glyph strip of NumGlyphs images shows the image of the state.
  const TRect glyphPart =
      hasGlyph ? GlyphStateRect(TSize(glyph->Width(), glyph->Height()), item->FNumGlyphs, s, !enabled) : TRect();
  const Integer margin = item->IntXMargin() + (bar ? bar->FItemsMargin : 3);
  TSize g;
  if (item->FStretchImage)
    g = TSize(MulDiv(item->FWidth - 2 * margin, p, 96), MulDiv(item->FHeight - 2 * margin, p, 96));
  else if (listImage)
    g = TSize(GetImageWidth(images, imageIndex, p, false), GetImageHeight(images, imageIndex, p, false));
  else if (hasGlyph)
    g = TSize(MulDiv(glyphPart.Width(), p, 96), MulDiv(glyphPart.Height(), p, 96));
  const Integer imageW = listImage ? g.cx : hasGlyph ? glyphPart.Width() : 0;
  const Integer itemSpacing = MulDiv(item->FSpacing, p, 96);
  Integer left = r.Left;
  switch (item->FAlignment) {
    case taLeftJustify: left = r.Left + MulDiv(margin, p, 96); break;
    case taRightJustify:
      left = r.Left + MulDiv(item->FWidth, p, 96) - (imageW + (hasCaption ? itemSpacing : 0)) - ts.cx - a -
             MulDiv(2 * data->Spacing, p, 96);
      break;
    default:
      left = std::max(r.Left,
                      r.Left + (r.Width() - (imageW + (imageW > 0 && hasCaption ? itemSpacing : 0)) - ts.cx - a2) / 2);
      break;
  }
  // The parent's font: a clear section at rest shows the title's colour.
  const TsGeneralData* section = SectionOf(sp, look.SkinIndex);
  const TsGeneralData* title = SectionOf(sp, manager ? manager->SkinCommonInfo.Sections[ssFormTitle] : -1);
  if (s == 0 && section && item->FFontData->FUseSysColor && section->BorderIndex < 0 &&
      section->Props[0].Transparency > 50 && title) {
    look.TextColor = TColor(title->Props[sp.FormActive ? 1 : 0].FontColor.Color);
    look.ParentFont = true;
  }
  const Integer h = item->FAutoSize ? item->FHeight : MulDiv(item->FHeight, p, 96);
  TRect glyphRect(left, r.Top + (h - g.cy) / 2, left + g.cx, r.Top + (h - g.cy) / 2 + g.cy);
  TRect textRect;
  textRect.Left =
      glyphRect.Right + (g.cx > 0 && hasCaption ? (item->FStyle == bsTab ? 2 : 1) * item->FSpacing * p / 96 : 0);
  if (hasCaption) {
    textRect.Top = r.Top + (h - ts.cy) / 2;
    textRect.Bottom = textRect.Top + ts.cy;
    textRect.Right = std::min(textRect.Left + ts.cx, r.Right);
  } else {
    textRect = TRect(textRect.Left, r.Top, textRect.Left, r.Top);
  }
  TRect arrowRect;
  if (a != 0) {
    arrowRect.Left = textRect.Right + (hasCaption || g.cx > 0 ? data->Spacing : 0);
    arrowRect = TRect(arrowRect.Left, r.Top, arrowRect.Left + a, r.Bottom);
  }
  Cardinal flags = DT_NOCLIP;
  if (hasCaption) flags |= DT_SINGLELINE | DT_END_ELLIPSIS;
  if (rtl) {
    ReflectRect(glyphRect, r, true);
    ReflectRect(arrowRect, r, true);
    ReflectRect(textRect, r, true);
    flags |= DT_RIGHT | DT_RTLREADING;
  }
  // The image.
  if (listImage) {
    SetImagesPPI(images, p);
    DrawAlphaImgList(images, dst, glyphRect.Left, glyphRect.Top, imageIndex, 0, grayed, s, 1, false, p);
  } else if (hasGlyph) {
    std::unique_ptr<TBitmap> owned;
    TBitmap* src = glyph;
    if (glyph->PixelFormat() != pf32bit) {
      // A glyph without alpha: opaque, with its top-left pixel's colour as the clear colour.
      owned.reset(CreateBmp32(glyph->Width(), glyph->Height()));
      BitBlt(owned->Canvas()->Handle(), 0, 0, glyph->Width(), glyph->Height(), glyph->Canvas()->Handle(), 0, 0,
             SRCCOPY);
      const TPixelView v = ViewOf(owned.get());
      const uint32_t key = v.At(0, 0) & 0xFFFFFF;
      for (Integer y = 0; y < v.Height; ++y)
        for (Integer x = 0; x < v.Width; ++x)
          v.At(x, y) = (v.At(x, y) & 0xFFFFFF) == key ? 0 : (v.At(x, y) | 0xFF000000u);
      src = owned.get();
    }
    if (p != 96 || item->FStretchImage)
      StretchBmpRect32(dst, glyphRect.Left, glyphRect.Top, glyphRect.Width(), glyphRect.Height(), src, glyphPart.Left,
                       glyphPart.Top, glyphPart.Width(), glyphPart.Height(), 255);
    else
      PaintBmpRect32(dst, src, TRect(glyphPart.Left, glyphPart.Top, glyphPart.Right - 1, glyphPart.Bottom - 1),
                     glyphRect.TopLeft(), 255);  // the copy takes its rectangle inclusive
  }
  // The caption.
  if (hasCaption) {
    TCanvas* canvas = dst->Canvas();
    canvas->Font()->Assign(font);
    if (look.TextColor != clNone) canvas->Font()->SetColor(look.TextColor);
    if (look.GlowSize != 0)
      kvDrawGlowForText(dst, item->FCaption, textRect, flags, 15, look.GlowSize, look.GlowColor,
                        item->FFontData->GlowMask);
    const Integer textSection = look.ParentFont || !item->FFontData->FUseSysColor ? -1 : look.SkinIndex;
    WriteText32(dst, item->FCaption, enabled, textRect, flags, textSection, look.TextState, manager);
  }
  if (a != 0) {
    TColor color = dst->Canvas()->Font()->Color();
    if (look.ParentFont && title)
      color = TColor(title->Props[sp.FormActive ? 1 : 0].FontColor.Color);
    else if (item->FFontData->FUseSysColor && section)
      color = TColor(section->Props[size_t(std::min(s, 2))].FontColor.Color);
    DrawArrow(dst, color, clNone, arrowRect, asBottom, 0, 0, 0, manager->SkinCommonInfo.ArrowStyle, p);
  }
}

}  // namespace

void PaintTitleItem(TsSkinProvider& sp, TkvTitleBarItem* item, const TRect& r, TBitmap* bmp) {
  DuRiruZireziv* manager = sp.SkinManager();
  TsTitleBar* bar = item ? item->Bar() : nullptr;
  if (!item || !item->Data || !bar || !manager || !bmp || r.Width() <= 0 || r.Height() <= 0) return;
  TkvItemLook look;
  look.SkinIndex = item->SkinIndex();
  const TsGeneralData* section = manager->IsValidSkinIndex(look.SkinIndex) ? SectionOf(sp, look.SkinIndex) : nullptr;
  TBitmap* cache = sp.FCommonData->FCacheBmp.get();
  const Integer state = item->GetState();
  const bool blend = !item->FEnabled || !sp.Form->Enabled() || (item->FStyle == bsMenu && state == 0 && !sp.FormActive);
  std::unique_ptr<TBitmap> copy;
  TBitmap* dst = bmp;
  if (blend) {
    copy.reset(CreateBmp32(bmp->Width(), bmp->Height()));
    CopyPixels(ViewOf(copy.get()), 0, 0, ViewOf(bmp), TRect(0, 0, bmp->Width(), bmp->Height()));
    dst = copy.get();
  }
  if (item->FContentSize.cx == 0) item->UpdateSize(!item->FAutoSize);
  dst->Canvas()->Font()->Assign(item->FFontData->UsedFont.get());
  const Integer s = section ? std::min({state, section->States - 1, 2}) : 0;
  look.State = look.TextState = std::max(s, 0);
  TkvFontData& fd = *item->FFontData;
  look.TextColor = !fd.FUseSysColor ? fd.FFont->Color()
                   : section        ? TColor(section->Props[size_t(look.State)].FontColor.Color)
                                    : clNone;
  if (!fd.FUseSysGlowing) {
    look.GlowSize = fd.FGlowSize;
    look.GlowColor = fd.FGlowColor;
  } else if (section) {
    look.GlowSize = std::min(section->Props[size_t(look.State)].GlowSize, 48);
    look.GlowColor = TColor(section->Props[size_t(look.State)].GlowColor);
  }
  if (bmp != cache) FillRect32(dst, r, 0, 0);
  TRect bR = r;
  const Integer barHeight = bar->FBarRect.Height();
  switch (item->FStyle) {
    case bsButton:
    case bsInfo:
      PaintItemSection(sp, look.SkinIndex, MakeCacheInfo(bmp), state, dst, TPoint(0, 0), bR);
      if (item->FSkinSection.empty() && state == 0) {
        // At rest an item without its own section writes in the form title's colours.
        // The title's active or inactive look colours the text; the image stays the item's own.
        const TsGeneralData* title = SectionOf(sp, sp.FTitleSkinIndex);
        look.TextState = sp.FormActive ? 1 : 0;
        look.TextColor =
            fd.FUseSysColor && title ? TColor(title->Props[size_t(look.TextState)].FontColor.Color) : fd.FFont->Color();
        look.GlowSize = 0;
        if (fd.FUseSysGlowing && title) {
          look.GlowSize = title->Props[size_t(look.TextState)].GlowSize;
          look.GlowColor = TColor(title->Props[size_t(look.TextState)].GlowColor);
        }
        look.SkinIndex = sp.FTitleSkinIndex;
      }
      break;
    case bsMenu:
      if (section) {
        PaintItemSection(sp, look.SkinIndex, MakeCacheInfo(cache ? cache : bmp, item->Rect.Left, item->Rect.Top), state,
                         dst, TPoint(0, 0), bR);
      } else {
        if (barHeight - 2 < bR.Height()) bR.Bottom = bR.Top + barHeight - 2;
        TBitmap* picture = bar->FDefaultMenuBtn.get();
        if (picture && picture->Width() >= 3) {
          const Integer w = picture->Width() / 3;
          const Integer i = std::clamp(state, 0, 2);
          PaintItemNoAlpha(dst, picture, bR, TRect(i * w, 0, i * w + w, picture->Height()), TRect(8, 2, 8, 4));
        }
        if (fd.FUseSysColor) look.TextColor = TColor(0xFFFFFF);
        if (fd.FUseSysGlowing) {
          look.GlowSize = 2;
          look.GlowColor = TColor(0x0E5A8D);
        }
      }
      break;
    case bsTab:
      if (barHeight - 2 < bR.Height()) bR.Top = bR.Bottom - (barHeight - 2);
      if (section) {
        if (!item->FDown) bR.Top += 2;  // an unpressed tab stands lower
        PaintItemSection(sp, look.SkinIndex, MakeCacheInfo(bmp), state, dst, TPoint(0, 0), bR);
        if (fd.FUseSysGlowing) {
          look.GlowSize = section->Props[size_t(std::min(look.State, 2))].GlowSize;
          look.GlowColor = TColor(section->Props[size_t(std::min(look.State, 2))].GlowColor);
        }
      }
      break;
    case bsSpacing: look.TextState = sp.FormActive ? 1 : 0; break;
  }
  PaintContent(sp, item, dst, bR, look);
  if (item->FOnDrawItem) item->FOnDrawItem.Call(item, TkvTitleItemDrawData{r, bmp});
  if (blend) SumBmpRect(bmp, copy.get(), 127, r, r.TopLeft());
}

void PaintTitleItems(TsSkinProvider& sp, TBitmap* bmp, Integer captWidth) {
  TsTitleBar* bar = TitleBarOf(sp.Form);
  auto pressedTab = [](const TkvTitleBarItem* it) { return it->FStyle == bsTab && it->FDown; };
  for (const bool pressed : {false, true})
    for (Integer i = ItemCount(bar) - 1; i >= 0; --i) {
      TkvTitleBarItem* it = bar->FItems->Items(i);
      if (it->FVisible && pressedTab(it) == pressed && it->Rect.Left > 0 && it->Rect.Right < captWidth)
        PaintTitleItem(sp, it, it->Rect, bmp);
    }
}
