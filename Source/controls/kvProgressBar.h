// TsProgressBar: the skinned progress bar, and the geometry of its items and marquee (portable,
// below) that the painting and the position handling share.
//
// Sections: 1. the bar's geometry (portable); 2. TsProgressBar (Windows).
#pragma once

#include "ui/Types.h"

// ---- 1. Geometry ---------------------------------------------------------------------------------

// What the geometry reads of a bar: its size, range and position, border width and styles.
struct TkvProgressShape {
  Integer Width = 0, Height = 0;
  Integer Min = 0, Max = 100, Position = 0;
  Integer BorderWidth = 0;
  bool Vertical = false, Smooth = false, Marquee = false;
  double MarqPos = 0;     // marquee offset in pixels
  Integer MarqSize = 40;  // marquee length
};

// Max - Min without overflow (a range from -2^31 to 2^31 - 1 needs 33 bits).
inline Int64 ProgressRange(Integer min, Integer max) { return Int64(max) - Int64(min); }
// A position kept inside [Min, Max]; a reversed range keeps Min.
Integer ClampProgressPosition(Integer position, Integer min, Integer max);
// (0, 0, Width, Height) shrunk by 1 on each side.
TRect ProgressClientRect(const TkvProgressShape& s);
// The filled part (or the marquee rectangle).
TRect ProgressFillRect(const TkvProgressShape& s);
// One item's size: 9 along a marquee bar; round(thickness * 0.66) - 2 for a segmented one; the
// fill's length for a smooth one.
TSize ProgressItemSize(const TkvProgressShape& s);
// The number of segments drawn for the position (0 when the range is empty or no item fits).
Integer ProgressItemCount(const TkvProgressShape& s);
// The cache of a segmented bar is rebuilt only when it is missing, the count of items changed or
// the bar is full (its last, narrower item depends on the whole length).
bool ProgressCacheCurrent(bool cacheValid, Integer count, Integer oldCount, Integer position, Integer max);

// One step of the marquee: the new offset and direction. MarqueeInterval below 0 counts as 0
// (it divides the step).
struct TkvMarqueeStep {
  double Pos;
  Integer Orient;
};
TkvMarqueeStep NextMarqueeStep(const TkvProgressShape& s, Integer marqueeInterval, Integer orient, Integer marqStep,
                               bool bounce);

// The segment rectangles of a normal, segmented bar in the order they are painted.
template <class Emit>
void ForEachProgressSegment(const TkvProgressShape& s, Emit&& emit);

#ifdef _WIN32

#include <memory>

#include "skin/sCommonData.h"
#include "ui/ComCtrls.h"

class TTimer;

// ---- 2. TsProgressBar ------------------------------------------------------------------------------
//
// While skinned the bar keeps the position itself (the system control never paints): frame and
// background from "GAUGE" (or the skin data's section), the items from "PROGRESSH"/"PROGRESSV"
// (or ProgressSkin). A position that gives the same number of items repaints nothing.
// Unskinned, the system control draws it; the position is still clamped and answered here.
class TsProgressBar : public TProgressBar {
  TW_CLASS(TsProgressBar, TProgressBar)
  explicit TsProgressBar(TComponent* owner);
  ~TsProgressBar() override;
  TsCommonData* SkinData() const { return FCommonData.get(); }
  const String& ProgressSkin() const { return FProgressSkin; }
  void SetProgressSkin(const String& value);

  // The bar as the geometry sees it now.
  TkvProgressShape Shape() const;
  // How often the cache was rebuilt (a position update that keeps the item count rebuilds none).
  Integer CacheBuilds() const { return FCacheBuilds; }
  double MarqueePos() const { return FMarqPos; }
  bool MarqueeRunning() const;
  // One marquee step (the timer's handler).
  void TimerAction(TObject* sender);

  void Dispatch(TMessage& message) override;

 protected:
  void HandleCreated() override;
  void Loaded() override;

 private:
  bool IsSkinned();
  void UpdateTimer();
  // Rebuilds the cache unless it is current; false without a section or a ready parent.
  bool PrepareCache();
  void PaintBarItems(TBitmap* cache, const TkvProgressShape& shape);
  // Copies the cache (rebuilt when needed) to dc and paints the graphic children over it.
  void Paint(HDC dc);
  // The bar's bounds lie inside its parent's client area (true without a parent window).
  bool WhollyInsideParent();
  // PBM_SETPOS: the position clamped to the range; the answer is the previous one.
  void SetPos(TMessage& m);

  std::unique_ptr<TsCommonData> FCommonData;
  std::unique_ptr<TTimer> Timer;
  String FProgressSkin;
  Integer FOrient = 1;
  Integer FMarqSize = 40;
  Integer FMarqStep = 8;
  Integer FActPosition = 0;
  Integer FOldCount = -1;
  Integer FCacheBuilds = 0;
  double FMarqPos = 0;
};

#endif

template <class Emit>
void ForEachProgressSegment(const TkvProgressShape& s, Emit&& emit) {
  if (s.Marquee || s.Smooth || s.Min >= s.Max) return;
  const TRect cl = ProgressClientRect(s), fill = ProgressFillRect(s);
  const TSize item = ProgressItemSize(s);
  const Integer length = s.Vertical ? item.cy : item.cx;
  if (fill.IsEmpty() || item.cx < 2 || item.cy < 2) return;
  const Integer a = (s.Vertical ? cl.Height() : cl.Width()) - 2;
  const Integer n = a / (length + 2);
  if (n <= 1) return;
  const Integer gap = (a - n * length) / (n - 1);
  const Integer count = ProgressItemCount(s);
  for (Integer i = 0; i < count; ++i) {
    if (s.Vertical) {
      const Integer top = fill.Bottom - (length + gap) * i - length;
      emit(TRect(fill.Left, top, fill.Left + item.cx, top + length));
    } else {
      const Integer left = fill.Left + (length + gap) * i;
      emit(TRect(left, fill.Top, left + length, fill.Top + item.cy));
    }
  }
  if (count <= 0 || s.Position != s.Max) return;
  const Integer rest = a - (count - 1) * (length + gap) - length;
  if (rest <= 3) return;
  if (s.Vertical)
    emit(TRect(fill.Left, fill.Top, fill.Left + item.cx, fill.Top + cl.Height() - (length + gap) * count));
  else {
    const Integer left = fill.Left + (length + gap) * count;
    emit(TRect(left, fill.Top, left + rest, fill.Top + item.cy));
  }
}
