// Section 0 of kvSBUtils.h: the geometry of skinned scroll bars, free of the window system so
// that it is tested natively.
#include "wrappers/kvSBUtils.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

Integer Kv_BarThickness(const TkvScrollSizeSources& s) {
  if (s.OwnSize >= 0) return s.OwnSize;
  if (s.ManagerScrollSize >= 0) return s.ManagerScrollSize;
  if (s.Override >= 0) return s.Override;
  return s.SystemMetric * -s.Override;
}

Integer Kv_ArrowLength(const TkvScrollSizeSources& s) {
  if (s.OwnSize >= 0) return s.OwnSize;
  if (s.ManagerButtonsSize >= 0) return s.ManagerButtonsSize;
  if (s.Override >= 0) return s.Override;
  switch (s.SkinScrollArrows) {
    case 0: return 0;
    case 1: return std::max(s.Scaled16, s.SkinScrollBtnLength);
    default: return s.ManagerScrollSize >= 0 ? s.ManagerScrollSize : s.SkinScrollBtnLength * -s.Override;
  }
}

bool Kv_IsScrollInfoActive(const TkvScrollValues& si) {
  return si.nMax >= si.nPage && si.nMin < si.nMax && si.nMax != 0;
}

TkvThumb Kv_CalcThumb(const TkvScrollValues& si, Integer barStart, Integer barLength, Integer butSize,
                      Integer minThumbSize) {
  const Integer working = barLength - 2 * butSize;
  const int64_t rangePlus1 = int64_t{si.nMax} - si.nMin + 1;
  Integer size;
  if (si.nPage == 0) {
    size = std::max(minThumbSize, butSize);
  } else {
    size = rangePlus1 > 0 ? kvMulDiv(si.nPage, working, Integer(std::min<int64_t>(rangePlus1, INT32_MAX))) : 0;
  }
  // Without arrows a thumb of at least 19 pixels stays grabbable.
  if (butSize == 0 && size < 19) {
    size = 19;
  } else if (size < minThumbSize) {
    size = minThumbSize;
  }
  Integer pos = 0;
  if (rangePlus1 > 0) {
    const Integer free = working - size;
    const int64_t steps = rangePlus1 - std::max<Integer>(si.nPage, 1);
    pos = kvMulDiv(si.nPos - si.nMin, free, Integer(std::clamp<int64_t>(steps, INT32_MIN, INT32_MAX)));
    pos = std::max(0, std::min(pos, free));
  }
  return {barStart + butSize + pos, size};
}

TkvScrollLayout Kv_ScrollLayout(const TRect& window, Integer cxLeftEdge, Integer cxRightEdge, Integer cyTopEdge,
                                Integer cyBottomEdge, Integer horzThickness, Integer vertThickness,
                                bool leftScrollbar) {
  TkvScrollLayout l;
  l.Horz.Left = window.Left + cxLeftEdge + (leftScrollbar ? vertThickness : 0);
  l.Horz.Right = window.Right - cxRightEdge - (leftScrollbar ? 0 : vertThickness);
  l.Horz.Bottom = window.Bottom - cyBottomEdge;
  l.Horz.Top = l.Horz.Bottom - horzThickness;

  l.Vert.Top = window.Top + cyTopEdge;
  l.Vert.Bottom = window.Bottom - (horzThickness + cyBottomEdge);
  if (leftScrollbar) {
    l.Vert.Left = window.Left + cxLeftEdge;
    l.Vert.Right = l.Vert.Left + vertThickness;
  } else {
    l.Vert.Right = window.Right - cxRightEdge;
    l.Vert.Left = l.Vert.Right - vertThickness;
  }

  l.Corner.Bottom = l.Horz.Bottom;
  l.Corner.Top = l.Horz.Top;
  l.Corner.Left = l.Vert.Left;
  l.Corner.Right = l.Vert.Right;
  return l;
}

Integer Kv_ScrollPortion(const TkvScrollValues& si, Integer barStart, Integer barLength, Integer butSize,
                         Integer minThumbSize, Integer coord, bool shift) {
  const Integer barEnd = barStart + barLength;
  const Integer working = barLength - 2 * butSize;
  const TkvThumb thumb = Kv_CalcThumb(si, barStart, barLength, butSize, minThumbSize);
  // A bar shorter than two arrows is split between them.
  const Integer arrow = 2 * butSize >= barLength ? barLength / 2 : butSize;
  if (coord >= barStart && coord < barStart + arrow) return HTSCROLL_LEFT;
  if (coord >= barEnd - arrow && coord < barEnd) return HTSCROLL_RIGHT;
  if (thumb.Size >= working) return HTSCROLL_NONE;
  const Integer thumbEnd = thumb.Pos + thumb.Size;
  if (coord >= thumb.Pos && coord < thumbEnd) return HTSCROLL_THUMB;
  if (coord >= barStart + arrow && coord < thumb.Pos) return shift ? HTSCROLL_PAGEGOTO : HTSCROLL_PAGELEFT;
  if (coord >= thumbEnd && coord < barEnd - arrow) return shift ? HTSCROLL_PAGEGOTO : HTSCROLL_PAGERIGHT;
  return HTSCROLL_NONE;
}

TkvThumbDrag Kv_ThumbDragStep(const TkvScrollValues& si, Integer trackStart, Integer trackEnd, Integer thumbSize,
                              Integer mouseOffset, Integer coord) {
  TkvThumbDrag d;
  const Integer free = (trackEnd - trackStart) - thumbSize;
  // A thumb that fills the track has nowhere to go (and would divide by zero).
  if (free <= 0) return d;
  d.Tracks = true;
  d.ThumbPos = std::clamp(coord - mouseOffset, trackStart, trackEnd - thumbSize);
  const int64_t range = int64_t{si.nMax} - si.nMin;
  int64_t p;
  if (range < 1) {
    p = d.ThumbPos - trackStart;
  } else {
    const int64_t span = range - si.nPage + 1;
    p = kvMulDiv(d.ThumbPos - trackStart, Integer(std::clamp<int64_t>(span, INT32_MIN, INT32_MAX)), free);
  }
  // The last position a page can start at: a page of 0 or 1 may reach nMax itself.
  const int64_t last = int64_t{si.nMax} - std::max<Integer>(si.nPage - 1, 0);
  const int64_t pos = std::clamp<int64_t>(int64_t{si.nMin} + p, si.nMin, std::max<int64_t>(last, si.nMin));
  d.Position = Integer(pos);
  return d;
}

Integer Kv_RowListReleaseCode(Integer along, Integer thumbLength, Integer arrowLength, Integer barLength) {
  if (along <= arrowLength) return 0;
  if (along + thumbLength >= barLength - arrowLength) return 4;
  return thumbLength / 2 + along < barLength / 2 ? 1 : 3;
}
