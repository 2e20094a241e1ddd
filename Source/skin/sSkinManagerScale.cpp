// Scale modes: the manager's scaled lengths and the change of the scale mode or of the custom
// PPI at run time. Rescaling forms is in sSkinManagerScale.win.cpp.
#include <algorithm>

#include "base/kvntUtils.h"
#include "skin/sSkinManager.h"
#include "ui/ScopeGuard.h"

Integer DuRiruZireziv::ScaleInt(Integer value, Integer sysScale) const {
  switch (Options.ScaleMode) {
    case smCustomPPI: return kvMulDiv(value, Options.PixelsPerInch, 96);
    case smOldMode: return value;
    default: return ScaleInteger(value, sysScale == -1 ? GetScale() : sysScale);
  }
}

namespace {
Integer PercentOf(Integer index) { return aScalePercents[size_t(std::clamp(index, 0, 3))]; }
Integer PPIOf(Integer index) { return aPPIArray[size_t(std::clamp(index, 0, 3))]; }
}  // namespace

Integer DuRiruZireziv::ManagerPPI(bool checkActive) const {
  if (checkActive && !IsActive()) return 0;
  if (IsDesigning()) return 96;
  switch (Options.ScaleMode) {
    case smVCL: return 0;
    case smCustomPPI: return Options.PixelsPerInch;
    default: return PPIOf(GetScale());
  }
}

bool DuRiruZireziv::UsesSystemPPI(Integer applicationPPI) const {
  return Options.ScaleMode == smVCL && std::find(aPPIArray.begin(), aPPIArray.end(), applicationPPI) != aPPIArray.end();
}

Integer DuRiruZireziv::ScaledSystemWidth(Integer systemWidth, Integer scalePPI, Integer screenPPI) const {
  switch (Options.ScaleMode) {
    case smAuto:
    case smOldMode: return systemWidth;
    case smVCL: return kvMulDiv(systemWidth, scalePPI, screenPPI);
    case smCustomPPI: return kvMulDiv(systemWidth, Options.PixelsPerInch, PPIOf(SysFontScale));
    default: return kvMulDiv(systemWidth, PercentOf(GetScale()), PercentOf(SysFontScale));
  }
}

Integer DuRiruZireziv::ScrollSizeAt(Integer scalePPI, Integer systemWidth, Integer screenPPI) {
  if (ScrollsOptions.ScrollSize >= 0) return kvMulDiv(ScrollsOptions.ScrollSize, scalePPI, 96);
  const Integer skinWidth = CommonSkinData(scalePPI)->ScrollsWidth;
  if (skinWidth >= 0) return skinWidth;
  return ScaledSystemWidth(systemWidth, scalePPI, screenPPI);
}

Integer DuRiruZireziv::ComboBtnSizeAt(Integer scalePPI, Integer systemWidth, Integer screenPPI) const {
  if (IsDesigning()) return systemWidth;
  return ScaledSystemWidth(systemWidth, scalePPI, screenPPI);
}

void DuRiruZireziv::SetNewScaleMode(TkvScaleMode oldScaleMode, TkvScaleMode newScaleMode, Integer newPPI,
                                    Integer oldPPI) {
  Integer oldPercent = 100, newPercent = 100;
  const auto percentInForce = [&] {
    switch (Options.ScaleMode) {
      case smVCL: return PercentOf(PPIToIndex(ApplicationPPI()));
      case smCustomPPI: return kvMulDiv(100, Options.PixelsPerInch, 96);
      default: return PercentOf(GetScale());
    }
  };
  if (newScaleMode == smCustomPPI && oldScaleMode == smCustomPPI) {
    oldPPI = Options.PixelsPerInch;
    if (newPPI != 0)
      Options.PixelsPerInch = newPPI;
    else
      newPPI = oldPPI;
    oldPercent = kvMulDiv(100, oldPPI, 96);
    newPercent = kvMulDiv(100, newPPI, 96);
  } else if (newScaleMode == smCustomPPI) {
    oldPercent = oldScaleMode == smVCL ? PercentOf(PPIToIndex(ApplicationPPI())) : PercentOf(GetScale());
    oldPPI = kvMulDiv(96, oldPercent, 100);
    newPPI = Options.PixelsPerInch;
    newPercent = kvMulDiv(100, newPPI, 96);
  } else {
    oldPercent = percentInForce();
    switch (newScaleMode) {
      case smAuto:
        newPercent = PercentOf(SysFontScale);
        newPPI = PPIOf(SysFontScale);
        break;
      case smOldMode:
        newPercent = 100;
        newPPI = 96;
        break;
      case smVCL: {
        const TkvScaleMode inForce = Options.ScaleMode;
        if (inForce <= sm200 || inForce == smCustomPPI) {
          // Back to the class library's scaling: first a complete change to the custom PPI of
          // the main form (or the system's).
          const Integer ppi = MainFormPPI();
          if (inForce <= sm200) {
            Options.PixelsPerInch = ppi;
            SetNewScaleMode(inForce, smCustomPPI, 0, 0);
          } else {
            SetNewScaleMode(smCustomPPI, smCustomPPI, ppi, Options.PixelsPerInch);
          }
        }
        newPercent = PercentOf(SysFontScale);
        break;
      }
      default:
        newPercent = PercentOf(newScaleMode);
        newPPI = PPIOf(newScaleMode);
        break;
    }
  }
  const bool reduceSize = newPercent < oldPercent;
  ManagerState.Include(msScaleChanging);
  TScopeExit endChange([this] { ManagerState.Exclude(msScaleChanging); });
  if (!IsDesigning() && OnScaleModeChange) {
    TScaleChangeData data{oldScaleMode, newScaleMode, oldPercent, newPercent, oldPPI, newPPI};
    OnScaleModeChange(this, data);
  }
  if (newScaleMode != smVCL) Options.PixelsPerInch = newPPI;
  if (IsLoading() || IsDesigning()) {
    Options.ScaleMode = newScaleMode;
    if (GetIsDefault() && !IsDesigning()) ScaleMessageFont(newPercent, oldPercent);
    return;
  }
  DoScaleChanged(newScaleMode, reduceSize);
}

void DuRiruZireziv::DoScaleChanged(TkvScaleMode newScaleMode, bool reduceSize) {
  const bool wasSuspended = NoAutoUpdate;
  {
    // Updates stay suspended through the change, whatever raises (the earlier value returns).
    auto suspended = SetForScope(NoAutoUpdate, true);
    LockFormsForScale(reduceSize ? LF_REDUCED : 0);
    Integer unlockFlags = LF_UNLOCK | (reduceSize ? LF_REDUCED : 0);
    if ((newScaleMode == smVCL) != (Options.ScaleMode == smVCL) && !ManagerState.Contains(msAnimScaling))
      unlockFlags |= LF_RECREATE;
    // The forms are unlocked on every way out.
    TScopeExit unlock([this, unlockFlags] { LockFormsForScale(unlockFlags); });
    Options.ScaleMode = newScaleMode;
    UpdateCurrentSkin();
    UpdateAllScale();
  }
  if (!wasSuspended) EndUpdate(true, false);
  if (OnScaleChanged) OnScaleChanged(&Options);
  ManagerState.Exclude(msScaleChanging);
  ManagerState.Exclude(msAnimScaling);
}

void TkvOptions::SetScaleMode(TkvScaleMode value) {
  if (value != ScaleMode) {
    if (Owner)
      Owner->SetNewScaleMode(ScaleMode, value, 0, 0);
    else
      ScaleMode = value;
  }
  if (Owner && Owner->GetIsDefault()) kvCurrentScaleMode = value;
}

void TkvOptions::SetPixelsPerInch(Integer value) {
  if (value == PixelsPerInch) return;
  if (Owner && ScaleMode == smCustomPPI)
    Owner->SetNewScaleMode(smCustomPPI, smCustomPPI, value, PixelsPerInch);
  else
    PixelsPerInch = value;
}

#ifndef _WIN32
void DuRiruZireziv::UpdateScale(TControl*, Integer, Integer) {}
void DuRiruZireziv::UpdateAllScale() {}
void DuRiruZireziv::LockFormsForScale(Integer) {}
Integer DuRiruZireziv::MainFormPPI() const { return aPPIArray[size_t(std::clamp(SysFontScale, 0, 3))]; }
void DuRiruZireziv::ScaleMessageFont(Integer, Integer) {}
#endif
