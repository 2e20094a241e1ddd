// TIcon: a Windows icon. Holds the bytes of an ICO file (LoadFromStream checks its directory)
// and, on Windows, an HICON made from the best-fitting image on first use of Handle(), or
// handed in with SetHandle. Portable except for the handle.
//
//   TIcon icon; icon.LoadFromFile(u"app.ico"); canvas->Draw(0, 0, &icon);
//   TIcon shell; shell.SetHandle(info.hIcon);   // owns it; Empty() when the handle was null
#pragma once

#include <vector>

#include "Bitmap.h"

class TIcon : public TGraphic {
 public:
  TIcon() = default;
  ~TIcon() override;
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;

  Integer Width() const override;
  Integer Height() const override;
  // The image size wanted from a file with several (0: the system's icon size). Does not
  // scale anything.
  void SetSize(Integer width, Integer height) override;
  bool Empty() const override;

  // Raises EInvalidGraphic "Invalid icon" for data that is not an ICO file with at least
  // one image whose bytes lie inside the file.
  void LoadFromStream(TStream& stream) override;
  // Writes the ICO bytes (an icon made from a handle is written as one 32-bit image).
  void SaveToStream(TStream& stream) const override;
  void Assign(const TPersistent* source) override;

#ifdef _WIN32
  HICON Handle();
  void SetHandle(HICON icon);  // the icon owns it from now on
  HICON ReleaseHandle();       // the caller owns it; the icon becomes empty
  void Draw(TCanvas* canvas, const TRect& r) override;
#endif

  // The ICO directory entry chosen for the wanted size (index into the file's images); -1.
  Integer ChosenImage() const { return chosen_; }

 private:
  struct Entry {
    Integer width, height, bitCount;
    uint32_t size, offset;
  };
  void ChooseImage();
  void ReleaseIcon();

  std::vector<Byte> data_;
  std::vector<Entry> entries_;
  Integer chosen_ = -1;
  Integer wantWidth_ = 0, wantHeight_ = 0;
  Integer width_ = 0, height_ = 0;  // of the chosen image or of the handle
#ifdef _WIN32
  HICON icon_ = nullptr;
#endif
};
