#include "support/SkinFixture.h"

SkinFixture::SkinFixture(Integer masterWidth, Integer masterHeight) {
  Manager.MasterBitmap = std::make_unique<TBitmap>(masterWidth, masterHeight, pf32bit);
  Master = Manager.MasterBitmap.get();
  auto data = std::make_unique<TkvSkinData>();
  data->FOwner = &Manager;
  data->PPI = 96;
  Data = data.get();
  Manager.SkinDataArray.push_back(std::move(data));
  Manager.SkinCommonInfo.Active = true;
}

Integer SkinFixture::AddSection(const TsGeneralData& section) {
  Data->gd.push_back(section);
  return Integer(Data->gd.size()) - 1;
}

Integer SkinFixture::AddImage(const TRect& r, Integer states, Integer maskType, Integer drawMode, Integer margins) {
  TsMaskData md;
  md.R = r;
  md.ImageCount = int16_t(states);
  md.MaskType = int16_t(maskType);
  md.DrawMode = int16_t(drawMode);
  md.Manager = &Manager;
  md.WL = md.WT = md.WR = md.WB = int16_t(margins);
  md.Width = r.Width() / states;
  md.Height = r.Height() / (maskType + 1);
  Data->ma.push_back(md);
  return Integer(Data->ma.size()) - 1;
}

void SkinFixture::Put(Integer image, Integer state, Integer x, Integer y, uint32_t pixel) {
  const TsMaskData& md = Image(image);
  Master->View().At(md.R.Left + state * md.Width + x, md.R.Top + y) = pixel;
}

void SkinFixture::Fill(Integer image, Integer state, uint32_t pixel) {
  const TsMaskData& md = Image(image);
  for (Integer y = 0; y < md.Height; ++y)
    for (Integer x = 0; x < md.Width; ++x) Put(image, state, x, y, pixel);
}

TsGradPoint GradPoint(Integer index, TColor color, Integer percent, Integer mode) {
  TsGradPoint p{};
  p.Index = Word(index);
  p.Color.C = Integer(color);
  p.Percent = TPercent(percent);
  p.Mode = mode;
  return p;
}

TsGeneralData ThreeStateSection(const String& name, TColor normal, TColor hot, TColor pressed) {
  TsGeneralData s = PlainSection(name, 0, normal, 3);
  s.Props[1].Color = Integer(hot);
  s.Props[2].Color = Integer(pressed);
  return s;
}

TsGeneralData PlainSection(const String& name, Integer transparency, TColor color, Integer states) {
  TsGeneralData s;
  s.ClassName = name;
  s.States = states;
  s.BorderIndex = -1;
  for (auto& look : s.Props) {
    look.Transparency = transparency;
    look.Color = Integer(color);
  }
  return s;
}
