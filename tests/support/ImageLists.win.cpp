#include "support/ImageLists.h"

testpng::Bytes PngOf(int w, int h, const ArgbAt& argb) {
  testpng::Image img;
  img.width = w;
  img.height = h;
  img.colorType = 6;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t c = argb(x, y);
      img.samples.insert(img.samples.end(),
                         {uint16_t(c >> 16 & 0xFF), uint16_t(c >> 8 & 0xFF), uint16_t(c & 0xFF), uint16_t(c >> 24)});
    }
  return testpng::Encode(img);
}

std::unique_ptr<TsAlphaImageList> PngImageList(Integer w, Integer h, const std::vector<testpng::Bytes>& files) {
  auto list = std::make_unique<TsAlphaImageList>(nullptr);
  list->AfterConstruction();
  list->SetWidth(w);
  list->SetHeight(h);
  for (const testpng::Bytes& png : files) {
    TsImgListItem* item = list->Items()->Add();
    item->ImgData->WriteBuffer(png.data(), static_cast<Integer>(png.size()));
    item->SetImageFormat(ifPNG);
  }
  list->GenerateStdList();
  return list;
}

void AddPlainImage(TImageList& list, const ArgbAt& rgb) {
  list.SetColorDepth(cd24Bit);
  list.SetMasked(false);
  TBitmap image(16, 16, pf24bit);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const uint32_t c = rgb(x, y);
      Byte* p = static_cast<Byte*>(image.ScanLine(y)) + x * 3;
      p[0] = Byte(c), p[1] = Byte(c >> 8), p[2] = Byte(c >> 16);  // B, G, R
    }
  list.Add(&image, nullptr);
}

std::unique_ptr<TsAlphaImageList> SolidImageList(std::initializer_list<uint32_t> rgbs) {
  std::vector<testpng::Bytes> files;
  for (uint32_t rgb : rgbs) files.push_back(PngOf(16, 16, [rgb](int, int) { return 0xFF000000u | rgb; }));
  return PngImageList(16, 16, files);
}
