// The two animations that hold the GUI thread until they end: the show animation of a form
// repainted after a skin change (its new picture fades or zooms in over the old one in a layered
// window), and the flight of an edit's text hint into its bound label. Both take their frame
// times from the application's clock (Application->Clock()), so a test steps them by its own.
//
// Sections: 1. frame schedules and pixel steps (portable); 2. the animations (Windows).
#pragma once

#include <cstdint>
#include <vector>

#include "base/sConst.h"
#include "ui/Bitmap.h"
#include "ui/Types.h"

// ---- 1. Frame schedules and pixel steps ------------------------------------------------------------

// Milliseconds between two frames of either animation.
constexpr Integer kShowFrameTime = 12;

// One frame of a form's show animation.
struct TkvFormShowFrame {
  Byte Alpha = 0;     // the constant alpha the frame is shown with
  TRect Dest;         // where the picture lies in the frame (the whole frame but for the zoom)
  bool Draw = false;  // the picture is drawn into the frame buffer on this frame
};
// The frames of a show over timeMs up to maxTransparency: timeMs div 12 + 1 of them, each
// adding maxTransparency / steps of alpha; none below 12 ms (the picture shows at once). A fade
// draws the picture once; the zoom (atcAero) grows it from a 1/32 inset to the whole frame.
std::vector<TkvFormShowFrame> FormShowFrames(TkvAnimTypeCtrl type, Integer width, Integer height, Integer timeMs,
                                             Integer maxTransparency);
// Draws a frame's picture into the frame buffer (the views are of one size): a zoom frame clears
// the buffer and stretches the picture into Dest, a full frame copies it.
void DrawFormShowFrame(const TPixelView& frame, const TPixelView& picture, const TkvFormShowFrame& f);

// Without layered windows the new look is mixed into a plain cover window over the old one.
// Milliseconds between two of its frames.
constexpr Integer kCoverFrameTime = 24;
// One frame of the cover: how much of the old picture is left in it (255 all of it), for the
// run-up how far below its place the new picture still lies, whether the mix is blurred, and
// whether the new look of the control's children zooms in (atcBlur).
struct TkvCoverFrame {
  Byte OldWeight = 255;
  Integer Offset = 0;
  bool Blur = false;
  bool ZoomChildren = false;
};
// The frames of a show over timeMs (none below 24 ms), until the old picture's weight has
// fallen to 2 or below. A fade, a zoom (atcAero) or a blur takes 255 / (timeMs div 24) of
// weight a frame; the run-up starts the new picture 16 pixels at 96 PPI low, halves that every
// frame and keeps a third of the old picture's weight each frame. The blurs (atcBlur, atcBlur2)
// blur every frame but the last, which is the new picture itself; the zooming blur (atcBlur)
// also zooms its children's new look in on those frames.
std::vector<TkvCoverFrame> CoverShowFrames(TkvAnimTypeCtrl type, Integer timeMs, Integer ppi);
// The zoom's smallest scale: a child's new look starts at 7/8 of its size.
constexpr Integer DoScale(Integer x) { return x * 7 / 8; }
// Where a child's new look lies on a frame that keeps oldWeight of the old picture: the child's
// rectangle shrunk about its centre, from DoScale of its size (weight 255) to all of it (0).
TRect ZoomedChildRect(const TRect& r, Byte oldWeight);
// Mixes a cover frame (views of one size): the new picture, lowered by the frame's offset with
// the old one showing above it, blended with the old picture by its weight; a blurred frame is
// then passed through a half-size copy (each 2 x 2 block takes its average). The frame is opaque.
// On a zooming frame each of childRects (the visible children, in the pictures' coordinates)
// takes the new picture's child squeezed into ZoomedChildRect, the old picture around it.
void DrawCoverFrame(const TPixelView& frame, const TPixelView& oldPicture, const TPixelView& newPicture,
                    const TkvCoverFrame& f, const std::vector<TRect>& childRects = {});

// One frame of the flight: where the flying text's top-left corner is, and how much of the
// hint's look is left in it (255 all of it, 0 only the label's look).
struct TkvFlightFrame {
  TPoint Pos;
  Byte Dezev = 255;
};
// The frames from start to target (top-left corners): each covers a sixth of what is left, the
// hint's look fading with the distance still to go; the last one is within half a pixel of the
// target both ways. None when start and target coincide (the label simply shows).
std::vector<TkvFlightFrame> TextFlightFrames(TPoint start, TPoint target);
// A colour (pixel order B, G, R, A) premultiplied by a, with alpha a.
uint32_t UpdateAlphaColor(uint32_t color, Byte a);
// Paints color through a text mask: for each pixel of srcRect of the mask whose blue value m is
// below 255 (the text is black on white), the destination pixel at dstPoint plus its offset
// takes (color x (255 - m) + destination x m) shr 8 per colour channel and the larger of its
// alpha and (color alpha x (255 - m)) shr 8. Pixels outside either view are left alone.
void BlendColorByMask(const TPixelView& dst, const TPixelView& mask, TPoint dstPoint, uint32_t color,
                      const TRect& srcRect);

#ifdef _WIN32

// ---- 2. The animations -----------------------------------------------------------------------------

#include <functional>

#include "controls/sBoundLabel.h"
#include "ui/Controls.h"
#include "ui/Graphics.h"

class TsCommonData;

// Waits (spinning, no messages) until a frame time of the application's clock has passed since
// since; the clock's reading when the frame began.
uint64_t AnimationNow();
void WaitFrameFrom(uint64_t since, Integer frameTime = kShowFrameTime);

// What a per-frame procedure of the show animation is handed.
struct TkvIterationData {
  TRect OutRect;
  TControl* Ctrl = nullptr;
  TBitmap* BmpTo = nullptr;
  TBitmap* BmpOut = nullptr;
  Integer Blend = 0;
};
using TkvIterationProc = std::function<void(TkvIterationData&)>;

// Shows ctrl's new picture (a skinned form with a provider) over wTime ms up to the constant
// alpha maxTransparency, then switches its redraw on and redraws it. Nothing for a hidden form
// or one whose top window is minimised. Without layered windows or a provider the control is
// only unlocked and redrawn.
void AnimShowControl(TWinControl* ctrl, Word wTime, Integer maxTransparency, const TkvIterationProc& doIteration,
                     TkvAnimTypeCtrl animType);

// One end of a text flight: the text, its font, flags and colour (RGB) and its rectangle on the screen.
struct TkvMoveTextData {
  TsBoundLabel* BoundLabel = nullptr;
  Cardinal Flags = 0;
  String Text;
  TControl* Ctrl = nullptr;
  TColor Color = clBlack;
  TFont* Font = nullptr;
  TRect R;
};
// The flight itself, in a layered topmost window that never activates, a frame each 12 ms of
// the application's clock; the label then shows. Synchronous.
void AnimMoveText(const TkvMoveTextData& src, const TkvMoveTextData& dst);
// Turns an edit's text hint into its bound label: the label takes the hint as its caption when
// it has none, and the hint flies from the edit's text into the label's place, fading into the
// label's look, before the label shows. A hidden edit, or one whose skin data is updating, shows
// the label at once. Nothing for an empty hint or an already active label.
void MakeLabelTextHint(TsCommonData* skinData, TsBoundLabel* boundLabel, const String& textHint);

#endif
