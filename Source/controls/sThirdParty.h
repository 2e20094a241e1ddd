// sThirdParty: the one road for drawing the picture of a button, tool button, menu item or
// edit button (kvDrawGlyphEx and its request record), the measuring of an image of any image
// list, and the class names of foreign popup forms that the dialog skinner leaves alone.
//
// Sections:
//   1. Measuring any image list (images/ImageListSizes.h, included)
//   2. The glyph drawing request (Windows)
//   3. Foreign popup forms and start-up (Windows)
#pragma once

#include "base/sConst.h"
#include "images/ImageListSizes.h"
#include "ui/Bitmap.h"

#ifdef _WIN32

#include "skin/ControlServices.h"  // RefreshDevEx
#include "ui/ComCtrls.h"
#include "ui/ImgList.h"

class TCanvas;
class TControl;
class TStringList;
class TkvSkinData;

// ---- 2. The glyph drawing request -------------------------------------------------------------

using TsDisabledGlyphKinds = TSet<TsDisabledGlyphKind>;

struct TkvDrawGlyphData {
  Integer Blend = 0;       // transparency percent, 0 opaque
  Integer SkinIndex = -1;  // the section whose options apply
  Integer NumGlyphs = 1;   // state cells side by side in a glyph bitmap or image
  Integer ImageIndex = -1;
  Integer CurrentState = 0;  // 0 normal, 1 hot, 2 pressed, 3 a default button at rest
  bool Down = false;
  bool Grayed = false;  // discoloured towards BGColor
  bool Enabled = true;
  bool Reflected = false;
  TBitmap* Glyph = nullptr;   // used when there is no valid image-list image
  TBitmap* DstBmp = nullptr;  // the 32-bit target; none: Canvas is the target
  TRect ImgRect;
  TCanvas* Canvas = nullptr;
  TColor BGColor = clNone;
  TCustomImageList* Images = nullptr;
  Integer PPI = 96;
  TkvSkinData* CommonSkinData = nullptr;
  TsDisabledGlyphKinds DisabledGlyphKind;
};

// Carries out a request; drawData is not changed. Nothing without a usable image or glyph or
// without a target.
void kvDrawGlyphEx(const TkvDrawGlyphData& drawData);

// The glyph of a TsButton for its current state: its image list's image at its GlyphRect,
// into its skin data's cache when skinned, else onto canvas. colorTone has no effect. A control
// of another class draws nothing.
void DrawBtnGlyph(TControl* button, TCanvas* canvas, TColor colorTone);
// The image of a tool button for its custom-draw state into btnBmp (the button's picture):
// the tool bar's disabled, hot or normal list, centred (beside the caption in list mode),
// moved by (1, 1) while pressed when the section shifts its content. stage and flags have no
// effect.
void CopyToolBtnGlyph(TToolBar* toolBar, TToolButton* button, TCustomDrawState state, TCustomDrawStage stage,
                      TTBCustomDrawFlags flags, TBitmap* btnBmp);

// ---- 3. Foreign popup forms and start-up -------------------------------------------------------

// Sorted class names of foreign popup forms; made at start-up, freed at clean-up.
extern TStringList*& ThirdPartySkipForms;
// Hooks of a foreign control suite; none in this program (the skin manager calls RefreshDevEx,
// skin/ControlServices.h, after a skin change when it is set).
extern void (*&InitDevEx)();
extern void (*&CheckDevEx)();

void sThirdPartyStartup();
void sThirdPartyCleanup();

#endif
