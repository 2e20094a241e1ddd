#include "sGlyphUtils.h"

#include "kvAlphaImageList.h"

TsCharImageList* kvCharImages = nullptr;
TsAlphaImageList* kvResImages = nullptr;

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
  for (const wchar_t* name : kvGlyphsResNames) {
    TsImgListItem* item = kvResImages->Items()->Add();
    kvLoadRCData(name, *item->ImgData);
    item->SetImageFormat(ifPNG);
    item->SetPixelFormat(pf32bit);
  }
  kvResImages->GenerateStdList();
  return kvResImages;
}

TkvImageList* kvResImgList() {
  if (!kv_OldGlyphsMode) return kvCharImages;
  return kvResImages ? kvResImages : MakeResImages();
}

void sGlyphUtilsStartup() {
  if (!kvCharImages) MakeCharImages();
}

void sGlyphUtilsCleanup() {
  FreeAndNil(kvResImages);
  FreeAndNil(kvCharImages);
}
