// TJPEGImage: a JPEG picture decoded with libjpeg. Portable.
//
// Limits (the file is untrusted): at most 65535 pixels a side (the format's own limit) and
// 64 Mi pixels in all; larger pictures, and data libjpeg cannot decode, raise
// EInvalidGraphic with a text that starts "JPEG error". A stream cut short decodes what is
// there (the rest grey), as libjpeg does.
//
// Start-up registers it with the picture registry: RegisterJPEGImage().
#pragma once

#include <vector>

#include "Bitmap.h"

class TJPEGImage : public TGraphic {
 public:
  TJPEGImage() = default;

  Integer Width() const override { return bitmap_.Width(); }
  Integer Height() const override { return bitmap_.Height(); }
  // A JPEG picture has the size of its data; resizing is not possible.
  void SetSize(Integer width, Integer height) override;
  bool Empty() const override { return data_.empty(); }
  // Reads the rest of the stream and decodes it.
  void LoadFromStream(TStream& stream) override;
  // Writes the JPEG bytes as loaded.
  void SaveToStream(TStream& stream) const override;
  // From another TJPEGImage. Assigning a JPEG image to a TBitmap gives its pixels.
  void Assign(const TPersistent* source) override;
  bool Grayscale() const { return grayscale_; }
  // The decoded pixels (pf24bit; empty before loading).
  const TBitmap& Bitmap() const { return bitmap_; }
#ifdef _WIN32
  void Draw(TCanvas* canvas, const TRect& r) override;
#endif

  static bool IsSignature(const Byte* head, size_t size);

 protected:
  void AssignTo(TPersistent* dest) const override;

 private:
  std::vector<Byte> data_;
  TBitmap bitmap_;
  bool grayscale_ = false;
};

// Registers TJPEGImage for "jpg", "jpeg", "jpe" and "jfif".
void RegisterJPEGImage();
