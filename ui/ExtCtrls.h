// TImage: a windowless control that shows a TPicture (any registered format). Windows only.
#pragma once

#ifdef _WIN32

#include "Controls.h"
#include "Picture.h"

class TImage : public TGraphicControl {
  TW_CLASS(TImage, TGraphicControl)
  explicit TImage(TComponent* owner);
  ~TImage() override;

  TPicture* Picture() const { return picture_; }
  void SetPicture(const TPicture* p) { picture_->Assign(p); }
  // Stretch: fill the control (Proportional: keep the aspect, never enlarge past it);
  // Center: centre the picture; AutoSize: take the picture's size.
  bool Stretch() const { return stretch_; }
  void SetStretch(bool v);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool v);
  bool Center() const { return center_; }
  void SetCenter(bool v);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v);
  // Where the picture is drawn, in client coordinates.
  TRect DestRect() const;

 protected:
  void Paint() override;

 private:
  void PictureChanged(TObject*);
  TPicture* picture_;
  bool stretch_ = false, proportional_ = false, center_ = false, autoSize_ = false, transparent_ = false;
};

#endif
