// The skin manager's option objects and the class-name lists of foreign controls.
#include "skin/sSkinManagerOptions.h"

#include "base/sMessages.h"
#include "skin/ControlServices.h"
#include "skin/sSkinManager.h"
#include "ui/IniFiles.h"
#include "ui/StringList.h"

namespace {

// The manager may act on a change: it is neither loading nor being designed.
bool Acting(const DuRiruZireziv* m) { return m && !m->IsLoading() && !m->IsDesigning(); }

void SetMouseLightOf(DuRiruZireziv* m, bool active) {
  if (!m || !m->GetIsDefault() || m->IsDesigning()) return;
  if (TkvEffectServices* effects = TkvServiceSlot<TkvEffectServices>::Get()) effects->SetMouseLight(active);
}

}  // namespace

// ---- TkvOptions -----------------------------------------------------------------------

TW_DEFINE_CLASS(TkvOptions) {
  b.Property(
       u"CheckEmptyAlpha", [](const TkvOptions& o) { return o.GetBool(0); },
       [](TkvOptions& o, bool v) { o.SetBool(0, v); })
      .Default(false);
  b.Property(
       u"NoMouseHover", [](const TkvOptions& o) { return o.GetBool(1); },
       [](TkvOptions& o, bool v) { o.SetBool(1, v); })
      .Default(false);
  b.Property(
       u"NativeBordersMaximized", [](const TkvOptions& o) { return o.GetBool(2); },
       [](TkvOptions& o, bool v) { o.SetBool(2, v); })
      .Default(false);
  b.Property(
       u"StdGlyphsOrder", [](const TkvOptions& o) { return o.GetBool(3); },
       [](TkvOptions& o, bool v) { o.SetBool(3, v); })
      .Default(false);
  b.Property(
       u"ChangeSysColors", [](const TkvOptions& o) { return o.GetBool(4); },
       [](TkvOptions& o, bool v) { o.SetBool(4, v); })
      .Default(false);
  b.Property(
       u"StdImgTransparency", [](const TkvOptions& o) { return o.GetBool(5); },
       [](TkvOptions& o, bool v) { o.SetBool(5, v); })
      .Default(false);
  b.Property(
       u"DrawNonClientArea", [](const TkvOptions& o) { return o.GetBool(6); },
       [](TkvOptions& o, bool v) { o.SetBool(6, v); })
      .Default(true);
  b.Property(
       u"ArrowsStyle", [](const TkvOptions& o) { return o.ArrowsStyle; }, &TkvOptions::SetArrowsStyle)
      .Default(arsDefault);
  b.Property(
       u"PixelsPerInch", [](const TkvOptions& o) { return o.PixelsPerInch; }, &TkvOptions::SetPixelsPerInch)
      .Default(96);
  b.Property(
       u"OptimizingPriority", [](const TkvOptions& o) { return o.OptimizingPriority; },
       [](TkvOptions& o, TkvOptimizingPriority v) { o.OptimizingPriority = v; })
      .Default(opSpeed);
  b.Property(
       u"GroupBoxStyle", [](const TkvOptions& o) { return o.GroupBoxStyle; }, &TkvOptions::SetGroupBoxStyle)
      .Default(gsStandard);
  b.Property(
       u"RotateArrows", [](const TkvOptions& o) { return o.RotateArrows; },
       [](TkvOptions& o, bool v) { o.RotateArrows = v; })
      .Default(false);
  b.Property(
       u"ScaleMode", [](const TkvOptions& o) { return o.ScaleMode; }, &TkvOptions::SetScaleMode)
      .Default(smVCL);
}

bool TkvOptions::GetBool(Integer index) const {
  switch (index) {
    case 0: return CheckEmptyAlpha;
    case 1: return NoMouseHover;
    case 2: return NativeBordersMaximized;
    case 3: return StdGlyphsOrder;
    case 5: return StdImgTransparency;
    case 6: return DrawNonClientArea;
    default: return ChangeSysColors;
  }
}

void TkvOptions::SetBool(Integer index, bool value) {
  switch (index) {
    case 0: CheckEmptyAlpha = value; break;
    case 1: NoMouseHover = value; break;
    case 2: NativeBordersMaximized = value; break;
    case 3: StdGlyphsOrder = value; break;
    case 4:
      ChangeSysColors = value;
      if (Owner) Owner->SysColorsOptionChanged();
      break;
    case 5: StdImgTransparency = value; break;
    case 6:
      if (DrawNonClientArea == value) break;
      DrawNonClientArea = value;
      // Every registered form and hooked dialog switches its frame painting.
      if (Owner && !Owner->IsDesigning()) Owner->BroadcastToHooked(KV_SETNCSKINNED, value ? 1 : 0);
      break;
    default: break;
  }
}

void TkvOptions::SetArrowsStyle(TkvArrowsStyle value) {
  if (ArrowsStyle == value) return;
  ArrowsStyle = value;
  if (Owner) Owner->UpdateSkin(true);
}

void TkvOptions::SetGroupBoxStyle(TkvGroupBoxStyle value) {
  if (GroupBoxStyle == value) return;
  GroupBoxStyle = value;
  if (Acting(Owner)) Owner->RepaintForms(true);
}

TkvArrowsStyle TkvOptions::ActualArrowStyle() const {
  if (ArrowsStyle != arsDefault || !Owner) return ArrowsStyle;
  return Owner->SkinCommonInfo.ArrowStyle;
}

// ---- TkvSkinEffects -------------------------------------------------------------------

TW_DEFINE_CLASS(TkvSkinEffects) {
  b.Property(
       u"AllowGlowing", [](const TkvSkinEffects& e) { return e.AllowGlowing; },
       [](TkvSkinEffects& e, bool v) { e.AllowGlowing = v; })
      .Default(true);
  b.Property(
       u"AllowAnimation", [](const TkvSkinEffects& e) { return e.AllowAnimation; }, &TkvSkinEffects::SetAllowAnimation)
      .Default(true);
  b.Property(
       u"AllowAeroBluring", [](const TkvSkinEffects& e) { return e.AllowAeroBluring; },
       [](TkvSkinEffects& e, bool v) { e.AllowAeroBluring = v; })
      .Default(true);
  b.Property(
       u"DiscoloredGlyphs", [](const TkvSkinEffects& e) { return e.DiscoloredGlyphs; },
       [](TkvSkinEffects& e, bool v) { e.SetBoolean(1, v); })
      .Default(false);
  b.Property(
       u"AllowOuterEffects", [](const TkvSkinEffects& e) { return e.AllowOuterEffects; },
       [](TkvSkinEffects& e, bool v) { e.SetBoolean(0, v); })
      .Default(true);
}

void TkvSkinEffects::SetAllowAnimation(bool value) {
  AllowAnimation = value;
  if (Manager) SetMouseLightOf(Manager, value && Manager->AnimEffects.Buttons.LightingMode == lmAffectNearest);
}

void TkvSkinEffects::SetBoolean(Integer index, bool value) {
  bool* field = index == 0 ? &AllowOuterEffects : index == 1 ? &DiscoloredGlyphs : nullptr;
  if (!field || *field == value) return;
  *field = value;
  if (Manager && !Manager->IsLoading() && !Manager->NoAutoUpdate) Manager->RepaintForms(false);
}

// ---- Animation settings ---------------------------------------------------------------

TW_DEFINE_CLASS(TkvFormAnimation) {
  b.Property(
      u"Active", [](const TkvFormAnimation& a) { return a.Active; }, [](TkvFormAnimation& a, bool v) { a.Active = v; });
  b.Property(
      u"Time", [](const TkvFormAnimation& a) { return Integer(a.Time); },
      [](TkvFormAnimation& a, Integer v) { a.Time = Word(v); });
  b.Property(
      u"Mode", [](const TkvFormAnimation& a) { return a.Mode; },
      [](TkvFormAnimation& a, TkvAnimType v) { a.Mode = v; });
}
TW_DEFINE_CLASS(TkvFormHide) {}
TW_DEFINE_CLASS(TkvFormShow) {}
TW_DEFINE_CLASS(TkvMinimizing) {}
TW_DEFINE_CLASS(TkvDialogShow) {}
TW_DEFINE_CLASS(TkvSkinChanging) {}
TW_DEFINE_CLASS(TkvBlendOnMoving) {
  b.Property(
       u"BlendValue", [](const TkvBlendOnMoving& a) { return Integer(a.BlendValue); },
       [](TkvBlendOnMoving& a, Integer v) { a.BlendValue = Byte(v); })
      .Default(170);
}
TW_DEFINE_CLASS(TkvPageChange) {
  b.Property(
      u"Active", [](const TkvPageChange& a) { return a.Active; }, [](TkvPageChange& a, bool v) { a.Active = v; });
  b.Property(
      u"Time", [](const TkvPageChange& a) { return Integer(a.Time); },
      [](TkvPageChange& a, Integer v) { a.Time = Word(v); });
  b.Property(
      u"Mode", [](const TkvPageChange& a) { return a.Mode; }, [](TkvPageChange& a, TkvAnimTypeCtrl v) { a.Mode = v; });
}

TW_DEFINE_CLASS(TkvBtnEffects) {
  b.Property(
      u"Events", [](const TkvBtnEffects& e) { return e.Events; },
      [](TkvBtnEffects& e, TSet<TkvBtnEvent> v) { e.Events = v; });
  b.Property(
       u"LightingMode", [](const TkvBtnEffects& e) { return e.LightingMode; }, &TkvBtnEffects::SetLightingMode)
      .Default(lmActiveControl);
  b.Property(
       u"ClickEffect", [](const TkvBtnEffects& e) { return e.ClickEffect; },
       [](TkvBtnEffects& e, TkvClickEffect v) { e.ClickEffect = v; })
      .Default(ceCircle);
}

void TkvBtnEffects::SetLightingMode(TkvLightingMode value) {
  LightingMode = value;
  SetMouseLightOf(Manager, value == lmAffectNearest);
}

namespace {
template <class M>
TObject* Member(const TkvAnimEffects& a, M TkvAnimEffects::*member) {
  return const_cast<M*>(&(a.*member));  // published sub-objects are edited in place
}
}  // namespace

TW_DEFINE_CLASS(TkvAnimEffects) {
  b.Property(u"FormHide", [](const TkvAnimEffects& a) { return Member(a, &TkvAnimEffects::FormHide); });
  b.Property(u"DialogHide", [](const TkvAnimEffects& a) { return Member(a, &TkvAnimEffects::DialogHide); });
  b.Property(u"FormShow", [](const TkvAnimEffects& a) { return Member(a, &TkvAnimEffects::FormShow); });
  b.Property(u"Buttons", [](const TkvAnimEffects& a) { return Member(a, &TkvAnimEffects::Buttons); });
  b.Property(u"PageChange", [](const TkvAnimEffects& a) { return Member(a, &TkvAnimEffects::PageChange); });
  b.Property(u"Minimizing", [](const TkvAnimEffects& a) { return Member(a, &TkvAnimEffects::Minimizing); });
  b.Property(u"DialogShow", [](const TkvAnimEffects& a) { return Member(a, &TkvAnimEffects::DialogShow); });
  b.Property(u"SkinChanging", [](const TkvAnimEffects& a) { return Member(a, &TkvAnimEffects::SkinChanging); });
  b.Property(u"BlendOnMoving", [](const TkvAnimEffects& a) { return Member(a, &TkvAnimEffects::BlendOnMoving); });
}

// ---- Buttons, labels, scroll bars, fonts ----------------------------------------------

TW_DEFINE_CLASS(TkvButtonsSupport) {
  b.Property(
       u"ShowFocusRect", [](const TkvButtonsSupport& o) { return o.ShowFocusRect; },
       [](TkvButtonsSupport& o, bool v) { o.ShowFocusRect = v; })
      .Default(false);
  b.Property(
       u"ShiftContentOnClick", [](const TkvButtonsSupport& o) { return o.ShiftContentOnClick; },
       [](TkvButtonsSupport& o, bool v) { o.ShiftContentOnClick = v; })
      .Default(true);
  b.Property(
      u"ModalButtonsColoring", [](const TkvButtonsSupport& o) { return o.ModalButtonsColoring; },
      [](TkvButtonsSupport& o, TSet<TkvModalButtonsColoringValue> v) { o.ModalButtonsColoring = v; });
  b.Property(
       u"AllowRTLSysButtons", [](const TkvButtonsSupport& o) { return o.AllowRTLSysButtons; },
       [](TkvButtonsSupport& o, bool v) { o.AllowRTLSysButtons = v; })
      .Default(true);
  b.Property(u"OldGlyphsMode", &TkvButtonsSupport::OldGlyphsMode, &TkvButtonsSupport::SetOldGlyphsMode);
}

void TkvButtonsSupport::SetOldGlyphsMode(bool value) {
  if (value == kv_OldGlyphsMode) return;
  kv_OldGlyphsMode = value;
  if (Acting(Manager)) Manager->RepaintForms(true);
}

TW_DEFINE_CLASS(TkvLabelsSupport) {
  b.Property(
       u"TransparentAlways", [](const TkvLabelsSupport& o) { return o.TransparentAlways; },
       [](TkvLabelsSupport& o, bool v) { o.TransparentAlways = v; })
      .Default(true);
}

TW_DEFINE_CLASS(TkvScrollBarsSupport) {
  b.Property(
       u"ButtonsSize", [](const TkvScrollBarsSupport& o) { return o.ButtonsSize; },
       [](TkvScrollBarsSupport& o, Integer v) { o.SetInteger(0, v); })
      .Default(-1);
  b.Property(
       u"ScrollSize", [](const TkvScrollBarsSupport& o) { return o.ScrollSize; },
       [](TkvScrollBarsSupport& o, Integer v) { o.SetInteger(1, v); })
      .Default(-1);
}

void TkvScrollBarsSupport::SetInteger(Integer index, Integer value) {
  if (index == 0) {
    if (ButtonsSize == value) return;
    ButtonsSize = value;
    if (Manager && !Manager->IsLoading()) Manager->RepaintForms(false);
  } else if (index == 1) {
    if (ScrollSize == value) return;
    ScrollSize = value;
    // Every skinned scroll bar takes its new size.
    if (Manager && !Manager->IsLoading()) Manager->BroadcastToForms(KV_REINITSCROLLS, 0);
  }
}

TW_DEFINE_CLASS(TkvFonts) {
  b.Property(
       u"MainFont", [](const TkvFonts& f) { return f.MainFont; }, &TkvFonts::SetMainFont)
      .Default(u"");
  b.Property(
       u"MainMode", [](const TkvFonts& f) { return f.MainMode; }, &TkvFonts::SetMainMode)
      .Default(fmDefault);
}

void TkvFonts::SetMainFont(const String& value) {
  if (MainFont == value) return;
  MainFont = value;
  if (Acting(Manager) && MainMode == fmCustom) Manager->ChangeAppFont(MainFont, true);
}

void TkvFonts::SetMainMode(TkvFontMode value) {
  if (MainMode == value) return;
  MainMode = value;
  if (!Manager || Manager->IsLoading()) return;
  switch (value) {
    case fmDefault:
      if (!Manager->DefStoredFontName.empty()) Manager->ChangeAppFont(Manager->DefStoredFontName, true);
      break;
    case fmFromSkin: {
      const String& skinFont = Manager->SkinCommonInfo.MainFont;
      Manager->ChangeAppFont(skinFont.empty() ? Manager->DefStoredFontName : skinFont, true);
      break;
    }
    case fmCustom: Manager->ChangeAppFont(MainFont, true); break;
  }
}

// ---- The class-name lists -------------------------------------------------------------

namespace {

// The published names of the lists, in the order of TkvThirdPartyKind.
#define TW_THIRD_PARTY_KIND_NAME(kind, text, name, wrapper) name,
constexpr std::array<const char16_t*, kvLastSupportedType + 1> kThirdPartyNames{
    TW_THIRD_PARTY_KINDS(TW_THIRD_PARTY_KIND_NAME)};
#undef TW_THIRD_PARTY_KIND_NAME

template <Integer K>
void PublishList(TClassBuilder<TsThirdPartyList>& b) {
  b.Property(
      kThirdPartyNames[K], [](const TsThirdPartyList& l) { return l.GetString(K); },
      [](TsThirdPartyList& l, const String& v) { l.SetString(K, v); });
  if constexpr (K < kvLastSupportedType) PublishList<K + 1>(b);
}

// The list's lines become text's lines.
void SetListText(TkvThirdLists& lists, size_t index, const String& text) {
  if (!lists[index]) {
    lists[index] = std::make_unique<TStringList>();
    SetCaseSens(*lists[index]);
  }
  lists[index]->SetText(text);
}

}  // namespace

TW_DEFINE_CLASS(TsThirdPartyList) { PublishList<0>(b); }

TsThirdPartyList::TsThirdPartyList() {
  for (size_t i = 0; i < FLists.size(); ++i) FLists[i] = kvThirdNames[i];
}

String TsThirdPartyList::GetString(Integer index) const {
  return index >= 0 && index <= kvLastSupportedType ? FLists[size_t(index)] : String();
}

void TsThirdPartyList::SetString(Integer index, const String& value) {
  if (index >= 0 && index <= kvLastSupportedType) FLists[size_t(index)] = value;
}

void LoadThirdNames(DuRiruZireziv* manager, bool overwrite) {
  for (Integer i = 0; i <= kvLastSupportedType; ++i) {
    if (overwrite || manager->ThirdParty.GetString(i).empty())
      manager->ThirdParty.SetString(i, kvThirdNames[size_t(i)]);
    SetListText(manager->ThirdLists, size_t(i), manager->ThirdParty.GetString(i));
  }
}

void UpdateThirdNames(DuRiruZireziv* manager) {
  for (Integer i = 0; i <= kvLastSupportedType; ++i)
    SetListText(manager->ThirdLists, size_t(i), manager->ThirdParty.GetString(i));
}

void Load3rdNames(const TsThirdPartyList& thirdParty, TkvThirdLists& lists, bool& anyNonEmpty) {
  anyNonEmpty = false;
  for (Integer i = 0; i <= kvLastSupportedType; ++i) {
    const String text = thirdParty.GetString(i);
    SetListText(lists, size_t(i), text);
    if (!text.empty()) anyNonEmpty = true;
  }
}

bool SearchSupport(const TkvThirdLists& lists, StringView className) {
  for (const auto& list : lists)
    if (list)
      for (Integer i = 0; i < list->Count(); ++i)
        if (list->Strings(i) == className) return true;
  return false;
}

void SetCaseSens(TStringList& list) { list.SetCaseSensitive(true); }

void SetCaseSens(TMemIniFile& ini) { ini.SetCaseSensitive(true); }
