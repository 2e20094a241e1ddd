#include "controls/sGlyphUtils.h"

#include <windows.h>

#include "controls/ControlsState.h"
#include "controls/sEdit.h"
#include "controls/sThirdParty.h"
#include "images/kvAlphaImageList.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "ui/Controls.h"
#include "ui/Streams.h"

TsCharImageList*& kvCharImages = kvControlsState.kvCharImages;
TsAlphaImageList*& kvResImages = kvControlsState.kvResImages;

void MakeCharImages() {
  kvCharImages = new TsCharImageList(nullptr);
  kvCharImages->AfterConstruction();
  kvCharImages->SetBkColor(clWhite);
  kvCharImages->SetWidth(16);
  kvCharImages->SetHeight(14);
  kvCharImages->SetBlendValue(222);
  for (const TkvCharData& c : aChars) {
    TkvCharListItem* item = kvCharImages->Items()->Add();
    item->SetChar(c.CharCode);
    item->SetScalingFactor(c.Scaling);
    item->SetOffsetY(c.OffsetY);
  }
  for (const TkvCharData& c : aSysChars) {
    TkvCharListItem* item = kvCharImages->Items()->Add();
    item->SetFontName(u"Marlett");
    item->SetChar(c.CharCode);
    item->SetScalingFactor(c.Scaling);
    item->SetOffsetY(c.OffsetY);
  }
  kvCharImages->GenerateStdList(clNone);
}

TsAlphaImageList* MakeResImages() {
  kvResImages = new TsAlphaImageList(nullptr);
  kvResImages->AfterConstruction();
  kvResImages->SetWidth(32);
  kvResImages->SetHeight(16);
  for (const Char* name : kvGlyphsResNames) {
    TResourceStream res(nullptr, name, RT_RCDATA_ID);
    TsImgListItem* item = kvResImages->Items()->Add();
    item->ImgData->CopyFrom(res, res.GetSize());
    item->ImgData->SetPosition(0);
    item->SetImageFormat(ifPNG);
    item->SetPixelFormat(pf32bit);
  }
  kvResImages->GenerateStdList();
  return kvResImages;
}

TsCharImageList* CharImages() {
  if (!kvCharImages) MakeCharImages();
  return kvCharImages;
}

TkvImageList* kvResImgList() {
  if (!kv_OldGlyphsMode) return CharImages();
  return kvResImages ? kvResImages : MakeResImages();
}

void sGlyphUtilsCleanup() {
  FreeAndNil(kvResImages);
  FreeAndNil(kvCharImages);
}

// ---- TkvAddedGlyph ---------------------------------------------------------------------------

TW_DEFINE_CLASS(TkvAddedGlyph) {
  b.Property(u"Blend", &TkvAddedGlyph::Blend, &TkvAddedGlyph::SetBlend)
      .Property(u"ImageIndex", &TkvAddedGlyph::ImageIndex, &TkvAddedGlyph::SetImageIndex)
      .Property(u"Grayed", &TkvAddedGlyph::Grayed, &TkvAddedGlyph::SetGrayed)
      .Color(u"ColorTone", &TkvAddedGlyph::ColorTone, &TkvAddedGlyph::SetColorTone)
      .Property(u"Images", &TkvAddedGlyph::Images, &TkvAddedGlyph::SetImages);
}

TkvAddedGlyph::TkvAddedGlyph(TWinControl* aOwner, TsCommonData* aSkinData) : FOwner(aOwner), SkinData(aSkinData) {
  FImageChangeLink->OnChange = TNotifyEvent(this, &TkvAddedGlyph::ImageListChange);
}

TkvAddedGlyph::~TkvAddedGlyph() = default;

TCustomImageList* TkvAddedGlyph::SourceList() {
  if (FImages && FImageIndex >= 0 && FImageIndex < GetImageCount(FImages)) return FImages;
  return kvResImgList();
}

Integer TkvAddedGlyph::ImageCount() {
  TCustomImageList* list = SourceList();
  const Integer w = GetImageWidth(list, -1, 96, false), h = GetImageHeight(list, -1, 96, false);
  return h == 0 || w % h != 0 ? 1 : w / h;
}

Integer TkvAddedGlyph::Width() {
  const TkvSkinData* data = SkinData ? SkinData->GetCommonSkinData() : nullptr;
  const Integer ppi = data ? data->PPI : 96;
  return GetImageWidth(SourceList(), FImageIndex, ppi, false) / ImageCount();
}

Integer TkvAddedGlyph::Height() { return GetImageHeight(SourceList(), FImageIndex, GetPPI(SkinData), false); }

void TkvAddedGlyph::Invalidate(bool updateCoords) {
  if (SkinData)
    SkinData->Invalidate(false);
  else if (auto* edit = dynamic_cast<TsEdit*>(FOwner))
    edit->SkinData()->Invalidate(false);
  if (updateCoords && FOwner && !FOwner->IsLoading() && FOwner->HandleAllocated())
    SetWindowPos(FOwner->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_NOCOPYBITS |
                     SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
}

void TkvAddedGlyph::SetInteger(Integer index, Integer value) {
  Integer& field = index == 0 ? FBlend : FImageIndex;
  if (field == value) return;
  field = value;
  Invalidate(index == 1);
}

void TkvAddedGlyph::SetGrayed(bool v) {
  if (FGrayed == v) return;
  FGrayed = v;
  Invalidate(false);
}

void TkvAddedGlyph::SetColorTone(TColor v) {
  if (FColorTone == v) return;
  FColorTone = v;
  Invalidate(false);
}

void TkvAddedGlyph::SetImages(TCustomImageList* v) {
  if (FImages == v) return;
  if (FImages) FImages->UnRegisterChanges(FImageChangeLink.get());
  FImages = v;
  if (FImages) {
    FImages->RegisterChanges(FImageChangeLink.get());
    if (FOwner) FImages->FreeNotification(FOwner);
  }
  Invalidate(true);
}
