// What the skin layer (the skin manager and the control skin data) and the painters above it
// ask of the skinned controls' layer, which builds on them. The manager starts effects, owns
// the menu painter and reaches the hints; a control's skin data runs its fades, glows and
// light circles. These interfaces are declared here and implemented in controls/: the controls
// layer registers each at start-up in its TkvServiceSlot, and a caller finds the slot empty
// until then (or in a test that links no controls) and does without.
//
// Each interface names one group; its operations are added with the first caller that needs
// them, so that no layer below the controls includes a control's header.
#pragma once

#include "base/ServiceSlot.h"

// State-change fades, click ripples, attention effects, the mouse light, the show animation
// of repainted forms, glow layers and light circles, and the effect list they keep.
class TkvEffectServices {
 public:
  virtual ~TkvEffectServices() = default;
};

// The skinned menus: the menu painter the skin manager owns, popup backgrounds and frames,
// popup shadows and the popup controller.
class TkvMenuServices {
 public:
  virtual ~TkvMenuServices() = default;
};

// The alpha-blended hints: the active hints component, its windows and templates.
class TkvHintServices {
 public:
  virtual ~TkvHintServices() = default;
};
