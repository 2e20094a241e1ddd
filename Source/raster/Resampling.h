// Blur of 8-bit masks and resampling of 32-bit pictures: the filtered resampler (Stretch) and
// the nearest-pixel stretch of block copies.
#pragma once

#include <vector>

#include "raster/Pixels.h"

constexpr int MaxKernelSize = 16;
struct TKernel {
  Byte Size = 0;                               // half-width in use
  double Weights[2 * MaxKernelSize + 1] = {};  // index j + MaxKernelSize for j = -16..16
  double& W(int j) { return Weights[j + MaxKernelSize]; }
  double W(int j) const { return Weights[j + MaxKernelSize]; }
};
void MakeGaussianKernel(TKernel& k, double radius, double maxData, double dataGranularity);
// Convolves theRow[0..h] with k in place; p is a work buffer of at least h + 1 bytes.
void BlurRow8(Byte* theRow, Integer h, const TKernel& k, Byte* p);
void Blur8(const TBytePixelView& v, double radius);
void Blur8(TBitmap* bmp, double radius);

enum TFilterType { ftBox, ftTriangle, ftHermite, ftBell, ftSpline, ftLanczos3, ftMitchell };
constexpr float CFilters[] = {0.51f, 1.0f, 1.0f, 1.5f, 2.0f, 3.0f, 2.0f};
float FilterWeight(TFilterType filter, float x);  // x the signed distance

struct TContributor {
  Integer Pixel = 0;   // byte offset of the source pixel from the start of its line
  Integer Weight = 0;  // 16.16 fixed point
};
// The contributors of every destination pixel of one line, in one block.
struct TContributorTable {
  std::vector<TContributor> Data;
  std::vector<Integer> Start;  // Size + 1 entries: pixel i uses Data[Start[i] .. Start[i + 1])
  Integer Size() const { return Start.empty() ? 0 : static_cast<Integer>(Start.size()) - 1; }
};
void CreateContributors(TContributorTable& contrib, Integer size, Integer maxSize, TFilterType filter, Integer delta);
void FreeContributors(TContributorTable& contrib);
void DrawLine32Pas(Integer count, const TContributorTable& contributes, const Byte* srcLine, Byte* dstLine,
                   Integer dstDelta);
// The resampler's working memory, kept by a caller that stretches every frame so that no frame
// allocates: each buffer grows to the largest size asked and is reused after that.
struct TStretchScratch {
  std::vector<uint32_t> Work;  // the horizontal pass: dst width x src height
  TContributorTable Contributors;
  std::vector<uint32_t> Weights;  // the vector path's split weights and source pairs
  std::vector<uint32_t> Pairs;
  // Makes room for stretches up to these sizes in one go.
  void Reserve(Integer srcWidth, Integer srcHeight, Integer dstWidth, Integer dstHeight);
};
// Resamples src into dst, which must already be dstWidth x dstHeight (the views may not overlap).
void StretchView(const TPixelView& src, const TPixelView& dst, TFilterType filter);
// The same bytes, with the working memory of scratch.
void StretchView(const TPixelView& src, const TPixelView& dst, TFilterType filter, TStretchScratch& scratch);
void Stretch(TBitmap* srcBmp, TBitmap* dstBmp, Integer dstWidth, Integer dstHeight, TFilterType filter);
// The rectangle (x, y, w, h) of src resampled into all of dst; sources of one pixel are
// widened to two first (the resampler needs two), so every rectangle of 1 x 1 or more works.
void StretchRectView(const TPixelView& src, Integer x, Integer y, Integer w, Integer h, const TPixelView& dst,
                     TFilterType filter);
// The rectangle resampled by nearest pixel (the stretch of block copies, COLORONCOLOR);
// destination pixels outside clip (when given) are not painted.
void StretchNearest(const TPixelView& dst, const TRect& dstRect, const TPixelView& src, const TRect& srcRect,
                    const TRect* clip = nullptr);
