#include "base/kvFontStore.h"

#include "base/EngineState.h"

TObject*& kvFontStoreList = kvRunState.kvFontStoreList;

void kvFontStoreCleanup() { FreeAndNil(kvFontStoreList); }

TW_DEFINE_CLASS(TkvEmbeddedFont) {
  b.Property(u"FileName", &TkvEmbeddedFont::FileName, &TkvEmbeddedFont::SetFileName)
      .Property(u"FontName", &TkvEmbeddedFont::FontName, &TkvEmbeddedFont::SetFontName)
      .Binary(u"FontData", &TkvEmbeddedFont::ReadData, &TkvEmbeddedFont::WriteData);
}

TkvEmbeddedFont::TkvEmbeddedFont(TCollection* collection) : TCollectionItem(collection) {}

TkvEmbeddedFont::~TkvEmbeddedFont() {
#ifdef _WIN32
  UnLoadFont();
#endif
}

void TkvEmbeddedFont::Assign(const TPersistent* source) {
  const auto* src = dynamic_cast<const TkvEmbeddedFont*>(source);
  if (!src) {
    TCollectionItem::Assign(source);
    return;
  }
  if (src == this) return;
  FFileName = src->FFileName;
  FFontName = src->FFontName;
  // Replace, never append: an item that already held a font must end up with the source's
  // bytes alone.
  FontData->Clear();
  if (src->FontData->GetSize() > 0)
    FontData->WriteBuffer(src->FontData->Memory(), static_cast<Integer>(src->FontData->GetSize()));
  FontData->SetPosition(0);
}

void TkvEmbeddedFont::AssignTo(TPersistent* dest) const {
  // Nothing to assign to (the class library routes Assign(nil) here with dest = this).
  if (!dest || dest == this) {
    TCollectionItem::AssignTo(dest);
    return;
  }
  dest->Assign(this);
}

void TkvEmbeddedFont::ReadData(TStream& reader) {
  // The value is everything from the reader's position to its end.
  FontData->Clear();
  const Int64 count = reader.GetSize() - reader.GetPosition();
  if (count > 0) FontData->CopyFrom(reader, count);
  FontData->SetPosition(0);
}

void TkvEmbeddedFont::WriteData(TStream& writer) const {
  if (FontData->GetSize() > 0) writer.WriteBuffer(FontData->Memory(), static_cast<Integer>(FontData->GetSize()));
}

TW_DEFINE_CLASS(TkvEmbeddedFonts) {}

TkvEmbeddedFonts::TkvEmbeddedFonts(TComponent* owner) : TkvEmbeddedFonts(owner, TkvEmbeddedFont::StaticClass()) {}

TkvEmbeddedFonts::TkvEmbeddedFonts(TComponent* owner, const TClassInfo& itemClass)
    : TCollection(itemClass), FOwner(owner) {
  SetOwner(owner);
}

TkvEmbeddedFonts::~TkvEmbeddedFonts() {
  Clear();
  FOwner = nullptr;
}
