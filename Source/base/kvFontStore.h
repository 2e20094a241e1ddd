// Font files kept inside components: each item holds the bytes of one TrueType or OpenType
// file, its file name and family name, and can register the font for this process only, so
// that text can use a font the system does not have. The bytes travel in form descriptions as
// the binary property "FontData" (the raw file, with its length).
#pragma once

#include <memory>

#include "ui/Classes.h"
#include "ui/Streams.h"
#include "ui/WinFwd.h"

class TkvEmbeddedFont : public TCollectionItem {
  TW_CLASS(TkvEmbeddedFont, TCollectionItem)
  explicit TkvEmbeddedFont(TCollection* collection);
  ~TkvEmbeddedFont() override;

  const String& FileName() const { return FFileName; }
  void SetFileName(const String& v) { FFileName = v; }
  const String& FontName() const { return FFontName; }
  void SetFontName(const String& v) { FFontName = v; }

  // Copies names and bytes (the bytes replace whatever this item held); the copy is not
  // registered.
  void Assign(const TPersistent* source) override;

  // The "FontData" property: the whole stream is the value.
  void ReadData(TStream& reader);
  void WriteData(TStream& writer) const;

#ifdef _WIN32
  // Registers FontData as a private font of the process (a previous registration of this item
  // is removed first); Handle stays null when the bytes are no font.
  void LoadFont();
  // Removes the registration; harmless without one.
  void UnLoadFont();
#endif

  String FFileName;
  String FFontName;
  void* Handle = nullptr;                                                             // the private registration
  const std::unique_ptr<TMemoryStream> FontData = std::make_unique<TMemoryStream>();  // the complete font file

 protected:
  void AssignTo(TPersistent* dest) const override;
};

class TkvEmbeddedFonts : public TCollection {
  TW_CLASS(TkvEmbeddedFonts, TCollection)
  explicit TkvEmbeddedFonts(TComponent* owner);
  ~TkvEmbeddedFonts() override;

  TkvEmbeddedFont* Items(Integer index) const { return ItemsAs<TkvEmbeddedFont>(index); }
  TkvEmbeddedFont* Add() { return static_cast<TkvEmbeddedFont*>(TCollection::Add()); }

  TComponent* FOwner;

 protected:
  // For collections of a class derived from TkvEmbeddedFont.
  TkvEmbeddedFonts(TComponent* owner, const TClassInfo& itemClass);
};

// Nothing in the program fills it; freed at exit when set.
extern TObject*& kvFontStoreList;
void kvFontStoreCleanup();
