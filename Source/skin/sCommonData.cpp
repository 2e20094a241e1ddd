#include "skin/sCommonData.h"

#include <algorithm>

#include "base/kvntUtils.h"
#include "skin/ControlServices.h"
#include "skin/SkinState.h"
#include "skin/sSkinManager.h"
#include "ui/Bitmap.h"
#ifdef _WIN32
#include "base/WindowQueries.h"
#include "base/sMessages.h"
#include "skin/FormServices.h"
#include "skin/sVclUtils.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#endif

TW_ENUM_NAMES(TkvOpaqueMode, omAuto, omForceOpaque, omAlphaChannel)
TW_ENUM_NAMES(TkvOuterVisibility, ovNone, ovAlways, ovFocused, ovMouseHovered)

TW_DEFINE_CLASS(TsCommonData) {
  b.Property(
       u"SkinSection", [](const TsCommonData& d) { return d.FSkinSection; }, &TsCommonData::SetSkinSection)
      .Stored([](const TsCommonData& d) { return d.SectionStored(); });
  b.Property(
       u"HUEOffset", [](const TsCommonData& d) { return d.FHUEOffset; },
       [](TsCommonData& d, Integer v) { d.SetInteger(0, v); })
      .Default(0);
  b.Property(
       u"Saturation", [](const TsCommonData& d) { return d.FSaturation; },
       [](TsCommonData& d, Integer v) { d.SetInteger(1, v); })
      .Default(0);
  b.Property(
      u"ColorTone", [](const TsCommonData& d) { return Integer(d.FColorTone); },
      [](TsCommonData& d, Integer v) { d.SetColorTone(TColor(v)); });
  b.Property(
       u"CustomColor", [](const TsCommonData& d) { return d.FCustomColor; },
       [](TsCommonData& d, bool v) { d.SetBoolean(0, v); })
      .Default(false);
  // The control keeps its own font and font colour.
  b.Property(
       u"CustomFont", [](const TsCommonData& d) { return d.FCustomFont; },
       [](TsCommonData& d, bool v) { d.SetBoolean(1, v); })
      .Default(false);
  b.Property(u"CustomBorder", [](const TsCommonData& d) { return d.FCustomBorder.get(); });
  b.Property(u"OuterEffects", [](const TsCommonData& d) { return d.FOuterEffects.get(); });
#ifdef _WIN32
  // The default manager is never stored: a control without a manager of its own uses it.
  b.Property(
       u"SkinManager", [](const TsCommonData& d) { return d.FSkinManager; },
       [](TsCommonData& d, DuRiruZireziv* v) { d.SetSkinManager(v); })
      .Stored([](const TsCommonData& d) { return d.ManagerStored(); });
  b.Property(
       u"OpaqueMode", [](const TsCommonData& d) { return d.FOpaqueMode; },
       [](TsCommonData& d, TkvOpaqueMode v) { d.SetOpaqueMode(v); })
      .Default(omAuto);
#endif
}

TW_DEFINE_CLASS(TkvOuterEffects) {
#ifdef _WIN32
  b.Property(u"Visibility", &TkvOuterEffects::Visibility, &TkvOuterEffects::SetVisibility).Default(ovNone);
#endif
}
TW_DEFINE_CLASS(TsCtrlSkinData) {}
TW_DEFINE_CLASS(TkvScrollData) {
  b.Property(u"ScrollWidth", &TkvScrollData::ScrollWidth, [](TkvScrollData& d, Integer v) {
     d.SetSize(0, v);
   }).Default(-1);
  b.Property(u"ButtonsSize", &TkvScrollData::ButtonsSize, [](TkvScrollData& d, Integer v) {
     d.SetSize(1, v);
   }).Default(-1);
}
TW_DEFINE_CLASS(TsScrollWndData) {
  b.Property(u"HorzScrollData", [](const TsScrollWndData& d) { return d.FHorzScrollData.get(); });
  b.Property(u"VertScrollData", [](const TsScrollWndData& d) { return d.FVertScrollData.get(); });
}

bool& RestrictDrawing = kvSkinState.RestrictDrawing;

const std::array<const Char*, 19> kvDefSections{
    u"EDIT", u"BUTTON", u"TRANSPARENT", u"", u"", u"", u"GAUGE", u"", u"", u"",
    u"",     u"",       u"FORM",        u"", u"", u"", u"",      u"", u""};

bool kvSectionStored(intptr_t defSectionAnswer, const String& section) {
  if (defSectionAnswer < 1 || defSectionAnswer > static_cast<intptr_t>(kvDefSections.size())) return true;
  return !section.empty() && section != kvDefSections[static_cast<size_t>(defSectionAnswer - 1)];
}

bool TsCommonData::SectionStored() const {
  intptr_t answer = 0;
#ifdef _WIN32
  if (FOwnerControl) answer = FOwnerControl->Perform(SM_ALPHACMD, Cardinal{KV_GETDEFSECTION} << 16, 0);
#endif
  return kvSectionStored(answer, FSkinSection);
}
Integer& kvSkinDataLookups = kvSkinState.kvSkinDataLookups;

// ---- Construction ------------------------------------------------------------------------

TsCommonData::TsCommonData(TObject* aOwner, bool createCacheBmp) : FOwnerObject(aOwner) {
#ifdef _WIN32
  if (auto* control = dynamic_cast<TControl*>(aOwner)) {
    FOwnerControl = control;
    if (auto* win = dynamic_cast<TWinControl*>(control)) WndProc = win->WindowProc();
  }
#endif
  FOuterEffects = std::make_unique<TkvOuterEffects>(this);
  FCustomBorder = std::make_unique<TkvPaintBorderData>(FOwnerControl ? aOwner : nullptr, this,
                                                       TNotifyEvent(this, &TsCommonData::OnChanged));
  if (createCacheBmp) FCacheBmp = std::make_unique<TBitmap>(0, 0, pf32bit);
#ifdef _WIN32
  InitCommonProp();
#endif
}

TsCommonData::~TsCommonData() {
#ifdef _WIN32
  RemoveCommonProp();
#endif
  SkinIndex = -1;
  FSkinManager = nullptr;
  ClearLinks();
  // The timers go with their holders; a timer's last step must not reach this object.
  for (TkvOwnedTimer* t : {&PulsTimer, &AnimTimer, &ClickTimer, &CircleTimer})
    if (*t && (*t)->Destroyed) t->release();
#ifdef _WIN32
  HideGlowAndCircle(this, false);
#endif
}

#ifndef _WIN32
// Without a window system there is no owner to ask or to announce: the section is found by
// its name alone.
void TsCommonData::Loaded(bool) {
  Loading = false;
  SetCommonSkinData(nullptr);
  UpdateIndexes(true);
}

void TsCommonData::UpdateIndexes(bool updateMain) {
  BGChanged = true;
  if (updateMain) {
    SetCommonSkinData(nullptr);
    DuRiruZireziv* manager = GetSkinManager();
    SkinIndex =
        manager && (manager->IsActive() || manager->ManagerState.Contains(msBroadCasting)) && !FSkinSection.empty()
            ? manager->GetSkinIndex(FSkinSection)
            : -1;
  }
  InitBGType();
}

void TsCommonData::SetSkinSection(const String& value) {
  if (value == FSkinSection) return;
  FSkinSection = UpperCase(value);
  UpdateIndexes(true);
}

// The options only store their values: there is no owner to repaint.
void TsCommonData::SetColorTone(TColor value) { FColorTone = value; }
void TsCommonData::SetInteger(Integer index, Integer value) {
  if (Integer* field = index == 0 ? &FHUEOffset : index == 1 ? &FSaturation : nullptr) *field = value;
}
void TsCommonData::SetBoolean(Integer index, bool value) {
  if (bool* field = index == 0 ? &FCustomColor : index == 1 ? &FCustomFont : nullptr) *field = value;
}
#endif

void TsCommonData::ClearLinks() {
  FOwnerControl = nullptr;
  FOwnerObject = nullptr;
#ifdef _WIN32
  FSWHandle = nullptr;
#endif
}

void TsCommonData::OnChanged(TObject*) {
#ifdef _WIN32
  Invalidate(false);
#endif
}

// ---- Manager and skin data ---------------------------------------------------------------

DuRiruZireziv* TsCommonData::GetSkinManager() const { return FSkinManager ? FSkinManager : DefaultManager; }

bool TsCommonData::SkinIsChanging() {
  DuRiruZireziv* manager = GetSkinManager();
  return manager && manager->ManagerState.Contains(msSkinChanging);
}

namespace {

bool Designing(TsCommonData* sd) {
#ifdef _WIN32
  return sd->FOwnerControl && sd->FOwnerControl->ComponentState().Contains(csDesigning);
#else
  (void)sd;
  return false;
#endif
}

Integer OwnerPPI(TsCommonData* sd) {
#ifdef _WIN32
  if (sd->FOwnerControl) return GetControlPPI(sd->FOwnerControl);
  return DefaultPPI();
#else
  (void)sd;
  return 96;
#endif
}

Integer AppPPI() {
#ifdef _WIN32
  return DefaultPPI();
#else
  return 96;
#endif
}

#ifdef _WIN32
// The PPI the manager's scale mode gives a ready control.
Integer PPIOfMode(DuRiruZireziv* manager, TsCommonData* sd) {
  if (manager->ManagerState.Contains(msFormScaling)) return sd->CurrentPPI;
  switch (manager->Options.ScaleMode) {
    case smAuto:
    case smVCL: return OwnerPPI(sd);
    case smOldMode: return 96;
    case smCustomPPI: return manager->Options.PixelsPerInch;
    case sm100: return 96;
    case sm125: return 120;
    case sm150: return 144;
    case sm200: return 192;
  }
  return 96;
}
#endif

}  // namespace

TkvSkinData* TsCommonData::GetCommonSkinData() {
  DuRiruZireziv* manager = GetSkinManager();
  const bool atHand = manager && SkinIndex >= 0 && manager->IsActive() && !manager->SkinDataArray.empty();
  if (atHand && FCommonSkinData) return FCommonSkinData;
  ++kvSkinDataLookups;
  if (!atHand) {
    FCommonSkinData = nullptr;
    PPIIndex = -1;
    if (!manager) return StdScaleData(Designing(this) ? 0 : PPIToIndex(OwnerPPI(this)));
    if (Designing(this)) return manager->CommonSkinData(96);
    if (manager->Options.ScaleMode == smCustomPPI) return manager->CommonSkinData(manager->Options.PixelsPerInch);
    return manager->CommonSkinData(AppPPI());
  }
#ifdef _WIN32
  if (auto* provider = dynamic_cast<TkvFormProvider*>(FOwnerObject)) {
    TForm* form = provider->ProviderForm();
    if (form && form->HandleAllocated()) {
      const bool loading = form->ComponentState().Contains(csLoading) || form->ComponentState().Contains(csReading);
      SetCommonSkinData(manager->CommonSkinData(loading ? AppPPI() : GetWndPPI(form->WindowHandle())));
      if (manager->Options.ScaleMode == smVCL) CurrentPPI = FCommonSkinData->PPI;
      return FCommonSkinData;
    }
  }
  if (TControl* c = FOwnerControl) {
    TWinControl* parent = c->Parent();
    if (ControlIsReady(c) && parent && parent->Showing() && parent->HandleAllocated()) {
      SetCommonSkinData(manager->CommonSkinData(PPIOfMode(manager, this)));
      return FCommonSkinData;
    }
    return manager->CommonSkinData(AppPPI());  // not ready yet: not cached
  }
#endif
  SetCommonSkinData(manager->CommonSkinData(AppPPI()));
  return FCommonSkinData;
}

void TsCommonData::SetCommonSkinData(TkvSkinData* value) {
  FCommonSkinData = value;
  PPIIndex = value ? value->ScaleValue : -1;
}

bool TsCommonData::Skinned(bool checkSkinActive) {
  DuRiruZireziv* manager = GetSkinManager();
  if (!manager || manager->ComponentState().Contains(csDestroying) || SkinIndex < 0) return false;
  TkvSkinData* data = GetCommonSkinData();
  if (!data || !data->FOwner || SkinIndex >= static_cast<Integer>(data->gd.size())) return false;
  if (auto* owner = dynamic_cast<TComponent*>(FOwnerObject); owner && owner->ComponentState().Contains(csDestroying))
    return false;
  return !checkSkinActive || manager->IsActive();
}

// ---- Sections ----------------------------------------------------------------------------

void TsCommonData::InitIndexes(const std::vector<String>& sections) {
  DuRiruZireziv* manager = GetSkinManager();
  if (!manager) {
    SkinIndex = -1;
    return;
  }
  for (const String& name : sections) {
    if (name.empty()) continue;
    SkinIndex = manager->GetSkinIndex(name, GetCommonSkinData());
    if (SkinIndex >= 0) {
      UpdateIndexes(false);
      return;
    }
  }
}

namespace {

// Texture fill modes whose picture depends on each dimension (TkvFillMode values).
constexpr TkvCodeSet kStretchModes{{1, 1}, {4, 5}, {8, 9}, {11, 12}};
constexpr TkvCodeSet kLeftModes{{0, 1}, {3, 3}, {5, 5}, {10, 10}, {12, 12}};
constexpr TkvCodeSet kRightModes{{0, 1}, {7, 7}, {9, 10}, {12, 12}};
constexpr TkvCodeSet kTopModes{{0, 2}, {4, 4}, {10, 11}};
constexpr TkvCodeSet kBottomModes{{0, 1}, {6, 6}, {8, 8}, {10, 11}};

}  // namespace

void TsCommonData::InitBGType() {
  BGType = 0;
  DuRiruZireziv* manager = GetSkinManager();
  if (!manager || !manager->IsValidSkinIndex(SkinIndex)) return;
  for (const auto& data : manager->SkinDataArray) {
    if (!data || SkinIndex >= static_cast<Integer>(data->gd.size())) continue;
    const TsGenState& s = data->gd[static_cast<size_t>(SkinIndex)].Props[0];
    if (s.ImagePercent > 0 && s.TextureIndex >= 0 && s.TextureIndex < static_cast<Integer>(data->ma.size())) {
      const Integer mode = data->ma[static_cast<size_t>(s.TextureIndex)].DrawMode;
      if (kStretchModes.Contains(mode)) BGType |= BGT_STRETCH;
      if (kLeftModes.Contains(mode)) BGType |= BGT_TEXTURELEFT;
      if (kRightModes.Contains(mode)) BGType |= BGT_TEXTURERIGHT;
      if (kTopModes.Contains(mode)) BGType |= BGT_TEXTURETOP;
      if (kBottomModes.Contains(mode)) BGType |= BGT_TEXTUREBOTTOM;
    }
    if (!s.GradientArray.empty() && (s.GradientPercent > 0 || (s.GradientArray[0].Mode & 0x20))) {
      switch (s.GradientArray[0].Mode & 3) {
        case 0: BGType |= BGT_GRADIENTVERT; break;
        case 1: BGType |= BGT_GRADIENTHORZ; break;
        case 2: BGType |= BGT_GRADIENTVERT | BGT_GRADIENTHORZ; break;
        default: break;
      }
    }
  }
#ifdef _WIN32
  // A form that paints itself draws over the whole client area on every size.
  if (COC == COC_TsSkinProvider)
    if (auto* provider = dynamic_cast<TkvFormProvider*>(FOwnerObject))
      if (TForm* form = provider->ProviderForm(); form && form->OnPaint()) BGType |= BGT_STRETCH;
#endif
}

bool FullRepaintOnly(TsCommonData* sd) {
  if (!sd) return false;
  const bool h = (sd->CtrlSkinState & KVS_REPAINTNEEDH) &&
                 (sd->BGType & (BGT_GRADIENTHORZ | BGT_STRETCH | BGT_TEXTURETOP | BGT_TEXTUREBOTTOM));
  const bool v = (sd->CtrlSkinState & KVS_REPAINTNEEDV) &&
                 (sd->BGType & (BGT_GRADIENTVERT | BGT_STRETCH | BGT_TEXTURELEFT | BGT_TEXTURERIGHT));
  return h || v;
}

// ---- Cache and state ---------------------------------------------------------------------

void TsCommonData::InitCacheBmp() {
  if (!FCacheBmp)
    FCacheBmp = std::make_unique<TBitmap>(0, 0, pf32bit);
  else if (FCacheBmp->PixelFormat() != pf32bit)
    FCacheBmp->SetPixelFormat(pf32bit);
#ifdef _WIN32
  if (FOwnerControl) {
    const Integer w = std::max(0, FOwnerControl->Width()), h = std::max(0, FOwnerControl->Height());
    if (FCacheBmp->Width() != w || FCacheBmp->Height() != h) FCacheBmp->SetSize(w, h);
  }
#endif
}

bool TsCommonData::TimerIsActive() const {
  return (AnimTimer && AnimTimer->Enabled()) || (PulsTimer && PulsTimer->Enabled() && PulsTimer->BmpFrom);
}

namespace {
void StopOne(TkvOwnedTimer& timer) {
  if (!timer || timer->Destroyed || timer->ComponentState().Contains(csDestroying)) return;
  timer->SetEnabled(false);
  if (timer->State == 0) timer->Glow = 0;
  timer->State = -1;
  for (TBitmap** b : {&timer->BmpTo, &timer->BmpFrom, &timer->BmpOut}) {
    delete *b;
    *b = nullptr;
  }
}
}  // namespace

void TsCommonData::StopTimer() { StopOne(AnimTimer); }

void FinishTimer(TkvThreadedTimer* timer) {
  if (!timer || timer->Destroyed || timer->ComponentState().Contains(csDestroying)) return;
  timer->Iteration = timer->Iterations - 1;
  // The end of the fade's course: the hot look counts up to 255, the normal and the pressed
  // looks count down to 0 (the pressed one would otherwise be drawn as the look it leaves).
  timer->Glow = timer->State == 1 || timer->State > 2 ? 255 : 0;
  timer->SetEnabled(false);
  if (timer->AnimProc) timer->AnimProc(timer->AnimData, timer->Iteration);
  delete timer->BmpOut;
  timer->BmpOut = nullptr;
}
void TsCommonData::StopCircleTimer() { StopOne(CircleTimer); }

#ifndef _WIN32
bool TsCommonData::DoForceOpaque() const { return false; }  // no composition attributes here
#endif

// ---- Text over the parent ----------------------------------------------------------------

namespace {
constexpr int16_t kDrawFill = 4;    // BDM_FILL
constexpr int16_t kDrawAlpha = 16;  // BDM_ALPHA

bool HasParent(TControl* ctrl) {
#ifdef _WIN32
  return ctrl->Parent() != nullptr;
#else
  (void)ctrl;
  return false;
#endif
}
}  // namespace

bool NeedParentFont(DuRiruZireziv* skinManager, Integer skinIndex, Integer state, TControl* ctrl) {
  if (!skinManager || !skinManager->IsValidSkinIndex(skinIndex)) return false;
  if (ctrl && !HasParent(ctrl)) return false;
  TkvSkinData* sd = skinManager->CommonSkinData(96);
  const TsGeneralData& gd = sd->gd[static_cast<size_t>(skinIndex)];
  const Integer st = std::max(0, std::min(state, gd.States - 1));
  if (gd.Props[static_cast<size_t>(std::min(st, 2))].Transparency <= 50) return false;
  if (gd.BorderIndex < 0 || gd.BorderIndex >= static_cast<Integer>(sd->ma.size())) return true;  // no border mask
  const TsMaskData& m = sd->ma[static_cast<size_t>(gd.BorderIndex)];
  if (st == 0) return (m.DrawMode & kDrawAlpha) == 0 || (m.DrawMode & kDrawFill) != 0;
  if ((m.DrawMode & kDrawAlpha) == 0) return true;
  if (m.MaskType == 0) return false;
  // The centre of the state's mask picture decides.
  TBitmap* bmp = m.Bmp ? m.Bmp : skinManager->MasterBitmap.get();
  if (!bmp) return false;
  const Integer x = m.R.Left + st * m.Width + m.Width / 2;
  const Integer y = m.R.Bottom - m.Height / 2;
  if (x < 0 || y < 0 || x >= bmp->Width() || y >= bmp->Height()) return false;
  return (bmp->PixelColor(x, y) >> 16 & 0xFF) > 127;  // blue of a colour value
}

bool NeedParentFont(TsCommonData* skinData, Integer state) {
  if (!skinData || skinData->FCustomFont) return false;
  return NeedParentFont(skinData->GetSkinManager(), skinData->SkinIndex, state, skinData->FOwnerControl);
}

// ---- Colours -----------------------------------------------------------------------------

TColor MixWithParent(TColor own, TColor parent, Integer transparency) {
  const Integer t = std::clamp(transparency, 0, 100);
  auto ch = [&](int shift) -> TColor {
    const Integer o = own >> shift & 0xFF, p = parent >> shift & 0xFF;
    return TColor((p * t + o * (100 - t) + 50) / 100) << shift;
  };
  return ch(0) | ch(8) | ch(16);
}

const TsGenState* SectionState(TkvSkinData* data, Integer skinIndex, Integer state) {
  if (!data || skinIndex < 0 || skinIndex >= static_cast<Integer>(data->gd.size())) return nullptr;
  const TsGeneralData& gd = data->gd[static_cast<size_t>(skinIndex)];
  const Integer st = std::max(0, std::min({state, gd.States - 1, 2}));
  return &gd.Props[static_cast<size_t>(st)];
}

// ---- Scroll data -------------------------------------------------------------------------

TsScrollWndData::TsScrollWndData(TObject* aOwner, bool createCacheBmp)
    : TsCommonData(aOwner, createCacheBmp),
      FVertScrollData(std::make_unique<TkvScrollData>(this)),
      FHorzScrollData(std::make_unique<TkvScrollData>(this)) {}

TsScrollWndData::~TsScrollWndData() {
  FVertScrollData.reset();
  FHorzScrollData.reset();
}

#ifndef _WIN32
void TkvScrollData::SetSize(Integer index, Integer value) {
  Integer* field = index == 0 ? &FScrollWidth : index == 1 ? &FButtonsSize : nullptr;
  if (field) *field = value;  // no window to repaint
}
#endif

// ---- The lit controls' skin data ---------------------------------------------------------

TsCtrlSkinData::~TsCtrlSkinData() {
#ifdef _WIN32
  if (TkvEffectServices* effects = TkvServiceSlot<TkvEffectServices>::Get()) effects->DelLightControl(this);
#endif
}

void TsCtrlSkinData::Loaded(bool updateColors) {
  TsCommonData::Loaded(updateColors);
#ifdef _WIN32
  if (FOwnerControl && ssLightCtrls.Contains(COC))
    if (TkvEffectServices* effects = TkvServiceSlot<TkvEffectServices>::Get()) effects->AddLightControl(this);
#endif
}

bool TsCtrlSkinData::DoLighting(bool checkTimer) {
  if (checkTimer && FDoLighting) return true;
  if (!FMouseAbove) return false;
  DuRiruZireziv* manager = DefaultManager;
  return manager && manager->Effects.AllowAnimation && manager->AnimEffects.Buttons.Events.Contains(beLighting) &&
         manager->AnimEffects.Buttons.LightingMode == lmActiveControl && !Designing(this);
}

void TsCtrlSkinData::DestroyNeedlessLight(bool checkTimer) {
  if (checkTimer) {
    if (!LightMask || DoLighting(true)) return;
    LightMask.reset();
    HotCache.reset();
    BGChanged = true;
    return;
  }
  LightMask.reset();
  HotCache.reset();
  FDoLighting = false;
}

void TsCtrlSkinData::ResetLight() {
  FDoLighting = false;
  LightDistanceX = 0;
  LightDistanceY = 0;
  HotCache.reset();
  LightMask.reset();
}
