// The wrapper of stand-alone scroll-bar controls: both arrow buttons, the two track parts and
// the thumb painted from the skin, with hot and pressed looks of its own, while the control's
// default procedure still scrolls.
#pragma once

#include "base/sConst.h"
#include "ui/Types.h"

// The layout of a scroll-bar control along its length L (width of a horizontal bar, height of a
// vertical one), buttons btn long.
struct TkvSBControlGeometry {
  Integer Length = 0;     // L
  Integer Thickness = 0;  // across the bar
  Integer Button = 0;     // SysBtnSize
  bool Vertical = false;
  Integer nMin = 0, nMax = 0, nPage = 0;
  Integer CurrPos = 0;   // where the thumb is drawn
  Integer Position = 0;  // the control's Position (a vertical bar at Max - PageSize pins its thumb)
  Integer MinThumb = 16;

  Integer WorkSize() const { return Length - 2 * Button; }
  Integer SliderSize() const;
  // The thumb's centre along the bar.
  Integer PositionToCoord() const;
  // The position (relative to nMin) for a point c along the bar; 0 when the thumb cannot move.
  Integer CoordToPosition(Integer c) const;
  TRect Btn1Rect() const;
  TRect Btn2Rect() const;
  TRect Bar1Rect() const;
  TRect Bar2Rect() const;
  TRect SliderRect() const;
};

#ifdef _WIN32

#include "wrappers/kvSBUtils.h"

class TScrollBar;

class TkvSBWnd : public TkvMainWnd {
  TW_CLASS(TkvSBWnd, TkvMainWnd)
  void AfterCreation() override;
  void kvWndProc(TMessage& message) override;

  void InitScrollData();
  Integer SysBtnSize();
  TkvSBControlGeometry Geometry();
  Integer BarIsHot();
  void SetInteger(Integer index, Integer value);
  void LMouseDown(Integer x, Integer y);
  void LMouseUp(Integer x, Integer y);
  void WMNCHitTest(TMessage& message);
  void CMMouseEnter();
  void CMMouseLeave();
  void UpdateBar();
  void DrawSlider(TBitmap* bmp);
  void WMPaint(TMessage& message);

  Integer FCurrPos = 0;
  Integer FBar1State = 0, FBar2State = 0, FBtn1State = 0, FBtn2State = 0, FSliderState = 0;
  SCROLLINFO FSI{};
  TScrollBar* Control = nullptr;
  bool FRepainting = false;
  Integer FLockCount = 0;
  Integer MouseOffset = 0;
  Integer ScrollCode = 0;

 private:
  // Redraw on for the default procedure's work, the application's redraw locks put back after.
  void RunUnlocked(TMessage& message, bool visibleStyle, bool ownLock);
};

#endif
