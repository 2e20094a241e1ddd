// The part of a control's skin data object (TsCommonData, skin/sCommonData.h) that objects of
// the foundation reach: a custom border scales its corner radii to the density its control
// paints at. TsCommonData derives from it, so these stay fields of the skin data under their
// names.
#pragma once

#include "ui/Classes.h"

class TControl;

class TkvSkinDataBase : public TPersistent {
  TW_CLASS(TkvSkinDataBase, TPersistent)
#ifdef _WIN32
  // value, a length at 96 PPI, scaled to the size at which the skin data's control paints
  // (ScaleInt of the skin layer, with the class library's scaling followed).
  virtual Integer ScaleValue(Integer value) = 0;
#endif

  Integer CurrentPPI = 96;            // the PPI at which the control paints
  TControl* FOwnerControl = nullptr;  // the owning control; null for a form's provider data
};
