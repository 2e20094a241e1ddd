// The wrapper of track bars ("msctls_trackbar32"): body, channel, tick marks and thumb painted
// from the skin, mirrored for controls whose ticks are on the top or left.
#pragma once

#include <vector>

#include "base/sConst.h"

// The centres of n evenly spaced ticks along a channel from channelStart, channelLength long,
// for a thumb thumbLength long: channelStart + i * step + thumbLength div 2, step =
// (channelLength - thumbLength) / (n - 1), rounded to nearest with halves to even. No ticks
// for fewer than two (no step between them).
std::vector<Integer> TrackTickCoords(Integer channelStart, Integer channelLength, Integer thumbLength, Integer n);

#ifdef _WIN32

#include "wrappers/kvSBUtils.h"

class TkvTrackWnd : public TkvMainWnd {
  TW_CLASS(TkvTrackWnd, TkvMainWnd)
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;

  bool IsVertical() const;
  // 2 both sides, 1 top or left, 0 bottom or right.
  Integer TickMarks() const;
  // 0 no ticks, 1 automatic.
  Integer TickStyle() const;
  Integer TickCount();
  TRect ThumbRect();
  TRect ChannelRect();
  Integer Mode() const { return bMousePressed ? 1 : 0; }
  std::vector<TPoint> TicksArray();

  void KV_WMPaint(TMessage& message);
  void PrepareCache();
  void PaintBody();
  void PaintBar();
  void PaintThumb();
  void PaintTicksHor();
  void PaintTicksVer();
  void PaintTick(TPoint p, bool horz);

  Integer TickHeight = 4;
  bool bMousePressed = false;
  double iStep = 0;
};

class TBitmap;
// Mirrors a 32-bit bitmap: each row left to right (horz), else each column top to bottom.
void RotateBmp180(TBitmap* bmp, bool horz);

#endif
