#include "controls/kvSlider.h"

#include <windows.h>

#include <algorithm>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "controls/sGlyphUtils.h"
#include "controls/sThirdParty.h"
#include "images/kvAlphaImageList.h"
#include "paint/sGraphUtils.h"
#include "raster/kvgpUtils.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"

TW_DEFINE_CLASS(TsSlider) {}

TsSlider::TsSlider(TComponent* owner)
    : TCustomControl(owner), FFontOn(std::make_unique<TFont>()), FCommonData(std::make_unique<TsCommonData>(this)) {
  FCommonData->COC = Byte(COC_TsSlider);
}

void TsSlider::WndProc(TMessage& message) {
  if (message.Msg == SM_ALPHACMD && message.WParamHi == KV_GETMOUSEAREA && message.LParam && HandleAllocated()) {
    const TPoint o = ClientOrigin();
    *reinterpret_cast<TRect*>(message.LParam) =
        TRect(ThumbRect.Left + o.X, ThumbRect.Top + o.Y, ThumbRect.Right + o.X, ThumbRect.Bottom + o.Y);
    message.Result = 1;
    return;
  }
  TCustomControl::WndProc(message);
}

TsSlider::~TsSlider() = default;

Integer TsSlider::CurrentState() const {
  if (Pressed) return 2;
  if (IsDesigning() || !FCommonData->FMouseAbove) return 0;
  return 1;
}

bool TsSlider::CustomImageUsed() const {
  return FImagesUsingMode == iumFullPaint && FImages && FImageIndexOn >= 0 && FImageIndexOff >= 0;
}

namespace {

DuRiruZireziv* ManagerOf(TsSlider* s) { return s->FCommonData->GetSkinManager(); }

void CopyBlock(TBitmap* dst, Integer dx, Integer dy, Integer w, Integer h, TBitmap* src, Integer sx, Integer sy) {
  BitBlt(dst->Canvas()->Handle(), dx, dy, w, h, src->Canvas()->Handle(), sx, sy, SRCCOPY);
}

}  // namespace

void PaintThumb(TsSlider* s, TBitmap* bmp, bool sliderOn) {
  if (!s || !bmp || s->ThumbSize.cx <= 0 || s->ThumbSize.cy <= 0) return;
  const Integer ppi = GetPPI(s->FCommonData.get());
  if (s->CustomImageUsed()) {
    TkvDrawGlyphData d;
    d.Images = s->FImages;
    d.ImageIndex = s->ThumbImgIndex();
    d.Enabled = s->Enabled();
    d.DstBmp = bmp;
    d.PPI = ppi;
    const Integer x = s->ThumbRect.Left - s->ThumbSize.cx / 2, y = s->ThumbRect.Top;
    d.ImgRect = TRect(x, y, x + s->FImages->Width() * ppi / 96, y + s->FImages->Height() * ppi / 96);
    kvDrawGlyphEx(d);
    return;
  }
  std::unique_ptr<TBitmap> thumb(CreateBmp32(s->ThumbSize));
  const Integer w = thumb->Width(), h = thumb->Height();
  CopyBlock(thumb.get(), 0, 0, w, h, bmp, s->ThumbRect.Left, s->ThumbRect.Top);  // the background under it
  DuRiruZireziv* manager = ManagerOf(s);
  const Integer section =
      manager && manager->IsActive() && s->FCommonData->Skinned() ? s->ThumbSkinIndexes[sliderOn] : -1;
  const TsGeneralData* g = section >= 0 ? &manager->gd()[size_t(section)] : nullptr;
  const bool plain = !g || s->FCommonData->FCustomColor || (s->FStretched && g->BorderIndex < 0);
  if (plain) {
    // A rounded rectangle drawn with GDI+ over the background.
    Integer radius = s->FStretched ? std::min(s->Width(), s->Height()) / 2 : DefRadius;
    TColor fill = clWhite, pen = clWhite;
    Integer penWidth = 0;
    TRect r(0, 0, w, h);
    if (g && !s->FCommonData->FCustomColor) {
      const TsGenState& look = g->Props[std::min(s->CurrentState(), 2)];
      fill = TColor(look.Color);
      pen = TColor(look.BorderColor);
      penWidth = g->BorderWidth * ppi / 96;
      if (look.Color == look.BorderColor) {
        r = TRect(r.Left + penWidth, r.Top + penWidth, r.Right - penWidth, r.Bottom - penWidth);
        radius = std::max(0, radius - penWidth);
        penWidth = 0;
      }
    }
    kvgpRoundRect(thumb->Canvas()->Handle(), r.Left, r.Top, r.Width(), r.Height(), radius, penWidth, fill, pen);
  } else {
    PaintItem(section, MakeCacheInfo(bmp), true, s->CurrentState(), TRect(0, 0, w, h), s->ThumbRect.TopLeft(),
              thumb.get(), s->FCommonData->GetCommonSkinData());
  }
  CopyBlock(bmp, s->ThumbRect.Left, s->ThumbRect.Top, w, h, thumb.get(), 0, 0);
  if (s->FContentPlacing != scpBackground) PaintContent(s, s->ThumbRect, bmp, sliderOn);
}

void PaintContent(TsSlider* s, const TRect& rect, TBitmap* bmp, bool sliderOn) {
  if (!s || !bmp || rect.Width() <= 0 || rect.Height() <= 0) return;
  DuRiruZireziv* manager = ManagerOf(s);
  Integer section = -1;
  if (manager && manager->IsActive() && s->FCommonData->Skinned() && !s->FCommonData->FCustomFont)
    section = s->FContentPlacing == scpBackground ? s->SliderSkinIndexes[sliderOn] : s->ThumbSkinIndexes[sliderOn];
  const Integer state = std::min(s->CurrentState(), 2);
  if (s->FUseSymbols) {
    TsCharImageList* glyphs = CharImages();
    const Integer side = std::max(0, std::min(rect.Width(), rect.Height()) - 4);
    TkvDrawGlyphData d;
    d.Images = glyphs;
    d.ImageIndex = sliderOn ? kSliderSymbolOn : kSliderSymbolOff;
    d.DstBmp = bmp;
    d.PPI = side * 96 / std::max<Integer>(1, glyphs->Height());
    const Integer x = rect.Left + (rect.Width() - side) / 2, y = rect.Top + (rect.Height() - side) / 2;
    d.ImgRect = TRect(x, y, x + side, y + side);
    kvDrawGlyphEx(d);
    return;
  }
  if (!s->FShowCaption) return;
  TCanvas* c = bmp->Canvas();
  c->Font()->Assign(sliderOn ? s->FFontOn.get() : s->Font());
  TRect r = rect;
  kvWriteTextEx(c, sliderOn ? s->FSliderCaptionOn : s->FSliderCaptionOff, s->Enabled(), r,
                DT_SINGLELINE | DT_CENTER | DT_VCENTER, section, state == 0 ? 0 : 1, manager);
}
