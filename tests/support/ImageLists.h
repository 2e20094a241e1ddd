// Engine image lists for tests, made as a program makes one in code: PNG items from pictures
// the test describes, the platform list built.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "images/kvAlphaImageList.h"
#include "support/PngWriter.h"
#include "ui/ImgList.h"

// A pixel of a test picture by its place, as 0xAARRGGBB.
using ArgbAt = std::function<uint32_t(int x, int y)>;

// The PNG file (8-bit RGBA) of a w x h picture.
testpng::Bytes PngOf(int w, int h, const ArgbAt& argb);

// A w x h list with one PNG item per file.
std::unique_ptr<TsAlphaImageList> PngImageList(Integer w, Integer h, const std::vector<testpng::Bytes>& files);

// A 16 x 16 list with one opaque image per colour (0xRRGGBB), in order.
std::unique_ptr<TsAlphaImageList> SolidImageList(std::initializer_list<uint32_t> rgbs);

// Makes the class library's list a plain one (24-bit colour, no mask) and adds one 16 x 16
// image to it, its pixels given as 0xRRGGBB.
void AddPlainImage(TImageList& list, const ArgbAt& rgb);
