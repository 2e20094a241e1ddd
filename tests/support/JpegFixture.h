// Small JPEG files made by the tests themselves with libjpeg.
#pragma once

#include <cstdint>
#include <vector>

// A width x height picture whose pixel (x, y) has the colour rgb(x, y) (0xRRGGBB), encoded at
// quality 100 (4:4:4, so flat areas come back within a few levels). gray: one channel.
std::vector<uint8_t> MakeJpeg(int width, int height, uint32_t (*rgb)(int x, int y), bool gray = false);
