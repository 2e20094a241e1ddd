// TPicture: holds one picture of any registered format, chosen by file extension when
// loading a file and by the first bytes when loading a stream. Portable.
//
// The format registry knows BMP and ICO from the start; other formats register themselves
// in the program's start-up (no static initialisers):
//   TPicture::RegisterFileFormat<TJPEGImage>(u"jpg", u"JPEG Image File", &TJPEGImage::IsSignature);
//   TPicture::RegisterFileFormat<TPNGGraphic>(u"png", u"Portable Network Graphics", ...);
// Extensions are compared without regard to case and without the dot.
//
// In form descriptions a picture is the binary property "Data": one byte with the length of
// the graphic's class name, the class name (ASCII), then the graphic's own file bytes.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Bitmap.h"

class TPicture;

struct TPictureFormat {
  String Extension;    // "jpg"
  String Description;  // "JPEG Image File"
  String ClassName;    // "TJPEGImage"
  std::function<TGraphic*()> Create;
  // True when the first bytes of a file are this format's (nullptr: only by extension).
  bool (*IsSignature)(const Byte* head, size_t size) = nullptr;
};

class TPicture : public TPersistent {
  TW_CLASS(TPicture, TPersistent)
  TPicture() = default;
  ~TPicture() override;

  TGraphic* Graphic() const { return graphic_.get(); }
  // Keeps a copy of the graphic (a graphic of a registered class, or a TBitmap or TIcon).
  void SetGraphic(const TGraphic* graphic);
  // Takes the graphic itself.
  void SetGraphic(std::unique_ptr<TGraphic> graphic);
  // The graphic as a bitmap: a graphic of another kind is replaced by an empty TBitmap.
  TBitmap* Bitmap();
  Integer Width() const { return graphic_ ? graphic_->Width() : 0; }
  Integer Height() const { return graphic_ ? graphic_->Height() : 0; }

  // Raises EInvalidGraphic "Unknown picture file extension (.<ext>)" for an extension no
  // format has, and whatever the format's reader raises for bad data.
  void LoadFromFile(const String& fileName);
  void SaveToFile(const String& fileName) const;
  // Picks the format by the first bytes; raises EInvalidGraphic "Unsupported picture format"
  // when no registered format recognises them.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  void Assign(const TPersistent* source) override;

  TNotifyEvent OnChange() const { return onChange_; }
  void SetOnChange(TNotifyEvent e) { onChange_ = e; }

  // The registry. A later registration of an extension replaces the earlier one.
  template <class T>
  static void RegisterFileFormat(StringView extension, StringView description,
                                 bool (*isSignature)(const Byte*, size_t) = nullptr) {
    RegisterFormat(TPictureFormat{String(extension), String(description), TypeName<T>(),
                                  [] { return static_cast<TGraphic*>(new T()); }, isSignature});
  }
  static void RegisterFormat(TPictureFormat format);
  // Removes every extension of the class.
  static void UnregisterGraphicClass(StringView className);
  // (The pointers stay valid until the registry changes.)
  static const TPictureFormat* FindExtension(StringView extension);
  static const TPictureFormat* FindClassName(StringView className);
  static std::vector<TPictureFormat> Formats();

  // The stored form of the "Data" property.
  void ReadData(TStream& stream);
  void WriteData(TStream& stream) const;

 private:
  template <class T>
  static String TypeName() {
    T probe;
    return probe.ClassName();
  }
  void Changed();

  std::unique_ptr<TGraphic> graphic_;
  TNotifyEvent onChange_;
};
