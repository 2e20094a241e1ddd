// The skin of the item painter's tests: a SkinFixture with its sections by name (plain looks by
// state, partly and fully transparent looks, gradients, a texture shared with a gradient, a
// nine-part frame, GDI+ border lines with and without radii, a corner image) and its images.
#pragma once

#include "support/Bitmap32.h"
#include "support/SkinFixture.h"

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;
// The frame's grey in each of its three states.
constexpr uint32_t kFrame[3] = {0xFF404040, 0xFF606060, 0xFF808080};

// A section without a border mask (a fresh record names image 0).
inline TsGeneralData NewSection() {
  TsGeneralData s;
  s.BorderIndex = -1;
  return s;
}

// A background reference that is only a fill colour.
inline TCacheInfo FillColourCI(TColor color) {
  TCacheInfo ci;
  ci.FillColor = color;
  return ci;
}

struct ItemSkin : SkinFixture {
  Integer Plain, Half, Grad, TexGrad, Framed, Glass, Line, Round, Corner, Frame, Texture, Glyph;
  ItemSkin() {
    // A 9 x 9 frame of three states: a 3-pixel ring of the state's grey, a key-colour corner.
    Frame = AddImage(TRect(0, 0, 27, 9), 3, 0, 0, 3);
    for (Integer s = 0; s < 3; ++s) {
      Fill(Frame, s, kFrame[s]);
      Put(Frame, s, 0, 0, kKeyPixel);
    }
    Image(Frame).Cfg = 1;
    // A 4 x 4 checker texture, tiled.
    Texture = AddImage(TRect(0, 10, 4, 14), 1, 0, fmTiled);
    for (Integer y = 0; y < 4; ++y)
      for (Integer x = 0; x < 4; ++x) Put(Texture, 0, x, y, (x + y) % 2 ? kWhite : 0xFF000000);
    // A 3 x 3 red corner glyph.
    Glyph = AddImage(TRect(10, 10, 13, 13), 1, 0);
    Fill(Glyph, 0, kRed);

    TsGeneralData s = NewSection();
    s.States = 3;
    s.Props[0].Color = clRed;
    s.Props[1].Color = clLime;
    s.Props[2].Color = clBlue;
    Plain = AddSection(s);
    TsGeneralData half = NewSection();
    half.Props[0].Color = clWhite;
    half.Props[0].Transparency = 40;
    Half = AddSection(half);
    TsGeneralData grad = NewSection();
    grad.Props[0].GradientPercent = 100;
    grad.Props[0].GradientArray = {GradPoint(0, clBlack, 0), GradPoint(1, clWhite, 100)};
    Grad = AddSection(grad);
    TsGeneralData texGrad = NewSection();
    texGrad.Props[0].ImagePercent = 30;
    texGrad.Props[0].GradientPercent = 70;
    texGrad.Props[0].TextureIndex = Texture;
    texGrad.Props[0].GradientArray = {GradPoint(0, clBlack, 0), GradPoint(1, clBlack, 100)};
    TexGrad = AddSection(texGrad);
    TsGeneralData framed = NewSection();
    framed.States = 3;
    framed.BorderIndex = Frame;
    for (auto& p : framed.Props) p.Color = 0x999999;
    Framed = AddSection(framed);
    TsGeneralData glass = NewSection();
    glass.Props[0].Transparency = 100;
    glass.Props[0].Color = clWhite;
    Glass = AddSection(glass);
    TsGeneralData line = NewSection();
    line.BorderWidth = 1;
    line.Props[0].Color = clWhite;
    line.Props[0].BorderColor = clBlue;
    Line = AddSection(line);
    TsGeneralData round = line;
    round.BorderRadius = 4;
    Round = AddSection(round);
    TsGeneralData corner = NewSection();
    corner.ImgTL = Glyph;
    corner.Props[0].Color = clWhite;
    Corner = AddSection(corner);
  }
};
