// A graphic control that fills itself with one colour: the tests find it by its pixels where
// its parent paints its graphic children.
#pragma once

#include "ui/Controls.h"
#include "ui/Graphics.h"

class Swatch : public TGraphicControl {
 public:
  explicit Swatch(TComponent* owner, TColor color = clRed) : TGraphicControl(owner), color_(color) {}
  void Paint() override {
    Canvas()->Brush()->SetColor(color_);
    Canvas()->FillRect(TRect(0, 0, Width(), Height()));
  }

 private:
  TColor color_;
};
