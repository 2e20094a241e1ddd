// The skinned push button: layout, the skinned cache, the unskinned look, mouse and menu.
#include "controls/sButton.h"

#include <windows.h>
#include <uxtheme.h>
#include <vssym32.h>

#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/ControlsState.h"
#include "controls/SkinCommands.h"
#include "controls/kvAnimation.h"
#include "controls/kvGlow.h"
#include "controls/sSkinMenus.h"
#include "controls/sThirdParty.h"
#include "paint/sAlphaGraph.h"
#include "paint/sCommonDataCache.h"
#include "paint/sGraphUtils.h"
#include "raster/Shapes.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/ActnList.h"
#include "ui/Canvas.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/Menus.h"
#include "ui/ScopeGuard.h"

TW_DEFINE_CLASS(TsButton) {
  b.Property(u"SkinData", &TsButton::SkinData);
  b.Property(u"Down", &TsButton::Down, &TsButton::SetDown).Default(false);
  b.Property(u"Reflected", &TsButton::Reflected, &TsButton::SetReflected).Default(false);
  b.Property(u"ShowFocus", &TsButton::ShowFocus, &TsButton::SetShowFocus).Default(true);
  b.Property(u"FocusMargin", &TsButton::FocusMargin, &TsButton::SetFocusMargin).Default(1);
  b.Property(u"ContentMargin", &TsButton::ContentMargin, &TsButton::SetContentMargin).Default(6);
  b.Property(u"DisabledKind", &TsButton::DisabledKind, &TsButton::SetDisabledKind)
      .Default(TSet<TsDisabledKind>{dkBlended});
  b.Property(u"AnimatEvents", &TsButton::AnimatEvents, &TsButton::SetAnimatEvents)
      .Default(TSet<TkvAnimatEvent>{aeGlobalDef});
  b.Property(u"CommandLinkFont", &TsButton::CommandLinkFont, &TsButton::SetCommandLinkFont)
      .Stored(&TsButton::IsCommandLinkFontStored);
  b.Property(u"CustomCommandLinkFont", &TsButton::CustomCommandLinkFont, &TsButton::SetCustomCommandLinkFont)
      .Default(false);
}

static_assert(Integer(gpLeft) == Integer(iaLeft) && Integer(gpRight) == Integer(iaRight) &&
              Integer(gpTop) == Integer(iaTop) && Integer(gpBottom) == Integer(iaBottom) &&
              Integer(gpCenter) == Integer(iaCenter));

// ---- Creation and properties -----------------------------------------------------------------------

TsButton::TsButton(TComponent* owner)
    : TButton(owner),
      FCommonData(std::make_unique<TsCtrlSkinData>(this, true)),
      FCommandLinkFont(std::make_unique<TFont>()) {
  FCommonData->FOwnerControl = this;
  FCommonData->OnUpdateLight = TEvent<void(TControl*, TkvAnimEventData&)>(this, &TsButton::UpdateLight);
  FCommandLinkFont->SetOnChange(TNotifyEvent(this, &TsButton::CommandLinkFontChanged));
  FCommonData->COC = COC_TsButton;
  // An owner-drawn button reports a quick second click as a double click instead of pressing
  // again; without double clicks every click presses the button.
  SetControlStyle(ControlStyle() - TControlStyle{csOpaque, csDoubleClicks});
  SetWordWrap(true);
}

TsButton::~TsButton() = default;

Integer ContentSpacing(TsButton* button) {
  return button->SkinData()->GetSkinManager() ? ScaleInt(iContentSpacing, button->SkinData()) : iContentSpacing;
}

void TsButton::Loaded() {
  TButton::Loaded();
  if (FCommonData->FCacheBmp) FCommonData->FCacheBmp->Canvas()->Font()->Assign(Font());
  FCommonData->Loaded(true);
}

void TsButton::CommandLinkFontChanged(TObject*) {
  FCommonData->BGChanged = true;
  FCommonData->Invalidate();
}

void TsButton::SetCommandLinkFont(TFont* value) {
  if (value) FCommandLinkFont->Assign(value);  // the change handler invalidates
}

bool TsButton::IsCommandLinkFontStored() const {
  TFont reference;
  return !(reference.Name() == FCommandLinkFont->Name() && reference.Size() == FCommandLinkFont->Size() &&
           reference.Style() == FCommandLinkFont->Style() && reference.Color() == FCommandLinkFont->Color());
}

// ---- Hints during a press --------------------------------------------------------------------------

THintsOffDuringPress::THintsOffDuringPress(bool leftButton) {
  if (!leftButton || !Application || ShowHintStored) return;
  AppShowHint = Application->ShowHint();
  ShowHintStored = true;
  Application->SetShowHint(false);
}

THintsOffDuringPress::~THintsOffDuringPress() { RestoreHints(); }

void THintsOffDuringPress::RestoreHints() {
  if (!ShowHintStored) return;
  ShowHintStored = false;
  if (Application) Application->SetShowHint(AppShowHint);
}

void TsButton::SetFlag(bool& field, bool value) {
  if (value == field) return;
  field = value;
  FCommonData->BGChanged = true;
  FCommonData->Invalidate();
}

void TsButton::SetContentMargin(Integer value) {
  if (value == FContentMargin) return;
  FContentMargin = value;
  FCommonData->BGChanged = true;
  FCommonData->Invalidate();
}

void TsButton::SetDisabledKind(TSet<TsDisabledKind> value) {
  if (value == FDisabledKind) return;
  FDisabledKind = value;
  if (!ComponentState().Contains(csLoading)) {
    FCommonData->BGChanged = true;
    FCommonData->Invalidate();
  }
}

void TsButton::CreateParams(TCreateParams& params) {
  TButton::CreateParams(params);
  params.Style = (params.Style & ~BS_TYPEMASK) | BS_OWNERDRAW;
  if (!ControlStyle().Contains(csDoubleClicks)) params.ClassStyle &= ~CS_DBLCLKS;
}

void TsButton::Invalidate() {
  if (ImageIndex() != OldImageIndex) {
    OldImageIndex = ImageIndex();
    FCommonData->BGChanged = true;
  }
  TButton::Invalidate();
}

void TsButton::ActionChange(TObject* sender, bool checkDefaults) {
  TButton::ActionChange(sender, checkDefaults);
  if (auto* action = dynamic_cast<TCustomAction*>(sender)) SetEnabled(action->Enabled());
}

void TsButton::SetButtonStyle(bool isDefault) {
  if (isDefault == IsFocused) return;
  IsFocused = isDefault;
  FCommonData->BGChanged = true;
  Invalidate();
}

void TsButton::RedrawNow() {
  FCommonData->BGChanged = true;
  if (HandleAllocated()) RedrawWindow(WindowHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_UPDATENOW);
}

bool TsButton::IsSkinned() { return FCommonData->Skinned() && FCommonData->SkinIndex >= 0; }

// ---- State and layout ------------------------------------------------------------------------------

Integer TsButton::CurrentState() {
  if (FDown || DroppedDown) return 2;
  if (fGlobalFlag ||
      (!FReleasing && HandleAllocated() && (SendMessageW(WindowHandle(), BM_GETSTATE, 0, 0) & BST_PUSHED))) {
    // Pushed by the mouse only counts while the mouse is over the button; a push by the
    // keyboard always does.
    const bool mouseHeldOnIt = GetKeyState(VK_LBUTTON) < 0 && GetCapture() == WindowHandle();
    DuRiruZireziv* manager = FCommonData->GetSkinManager();
    const bool noHover = manager && manager->Options.NoMouseHover;
    if (FMouseAbove || !mouseHeldOnIt || noHover) return 2;
  }
  const bool active = Focused() || FMouseAbove;
  if (ComponentState().Contains(csDesigning) || !active) return Default() ? 3 : 0;
  return 1;
}

Integer TsButton::GlyphIndex() {
  Integer state = 4;
  if (Enabled()) {
    const Integer current = CurrentState();
    state = current == 2 ? 2 : Focused() ? 3 : current;
  }
  Integer index = -1;
  switch (state) {
    case 0: index = ImageIndex(); break;
    case 1: index = HotImageIndex(); break;
    case 2: index = PressedImageIndex(); break;
    case 3: index = SelectedImageIndex(); break;
    case 4: index = DisabledImageIndex(); break;
  }
  if (index < 0 || index >= GetImageCount(GetImages())) index = ImageIndex();
  return index;
}

bool TsButton::GlyphExist() {
  if (ElevationRequired()) return true;
  const Integer index = CurrentImageIndex();
  return GetImages() && index >= 0 && index < GetImageCount(GetImages());
}

Integer TsButton::PPI() {
  TkvSkinData* data = FCommonData->GetCommonSkinData();
  return data ? data->PPI : GetPPI(FCommonData.get());
}

Integer TsButton::ScaledDropWidth() { return FCommonData->CurrentPPI * DropWidth / 96; }

TSize TsButton::ImageSize() {
  if (ElevationRequired()) return {16, 16};
  const Integer index = CurrentImageIndex();
  if (!GetImages() || index < 0 || index >= GetImageCount(GetImages())) return {0, 0};
  const Integer ppi = PPI();
  return {GetImageWidth(GetImages(), index, ppi, true), GetImageHeight(GetImages(), index, ppi, true)};
}

TkvButtonLayout TsButton::Layout(TCanvas* canvas, bool withCaption) {
  TkvButtonLayout l;
  l.Width = Width();
  l.Height = Height();
  l.DropWidth = Style() == bsSplitButton ? ScaledDropWidth() : 0;
  l.CommandLink = Style() == bsCommandLink;
  l.HasGlyph = GlyphExist();
  l.Image = ImageSize();
  const TImageMargins* m = ImageMargins();
  l.Margins = TRect(m->Left(), m->Top(), m->Right(), m->Bottom());
  l.Place = TkvGlyphPlace(ImageAlignment());
  l.ContentMargin = FContentMargin;
  l.ContentSpacing = ContentSpacing(this);
  if (withCaption) l.Caption = CaptionSize(canvas);
  l.Shift = CurrentState() == 2 && CanClickShift(FCommonData->SkinIndex, FCommonData.get());
  return l;
}

TRect TsButton::GlyphRect() { return ButtonGlyphRect(Layout(nullptr, false)); }

TRect TsButton::CaptionRect(TCanvas* canvas) { return ButtonCaptionRect(Layout(canvas, true)); }

TSize TsButton::CaptionSize(TCanvas* canvas) {
  const String caption = Caption();
  if (caption.empty()) return {0, 0};
  canvas->Font()->Assign(Font());
  const bool commandLink = Style() == bsCommandLink;
  if (commandLink) {
    canvas->Font()->SetStyle(canvas->Font()->Style() + TFontStyles{fsBold});
    canvas->Font()->SetSize(canvas->Font()->Size() + 2);
  }
  Cardinal flags = DT_EXPANDTABS | DT_CALCRECT | (WordWrap() ? DT_WORDBREAK : DT_SINGLELINE);
  if (GetTransMode(FCommonData.get(), FCommonData->SkinIndex, CurrentState()) == 2) flags |= DT_ALPHATEXT;
  // The size used only for measuring: the list's own size (32 x 32 without an image) and margins.
  TSize image{32, 32};
  const Integer index = CurrentImageIndex();
  if (GetImages() && index >= 0 && index < GetImageCount(GetImages()))
    image = TSize(GetImageWidth(GetImages(), index, PPI(), false), GetImageHeight(GetImages(), index, PPI(), false));
  const TImageMargins* m = ImageMargins();
  image.cx += m->Left() + m->Right();
  image.cy += m->Top() + m->Bottom();
  TRect r = ButtonCaptionMeasureRect(Width(), FContentMargin, ContentSpacing(this), GlyphExist(), image,
                                     TRect(m->Left(), m->Top(), m->Right(), m->Bottom()));
  kvDrawText(canvas->Handle(), caption, r, flags);
  if (commandLink) canvas->Font()->Assign(Font());
  return {r.Width(), r.Height()};
}

// ---- Colouring and the skinned cache ---------------------------------------------------------------

TkvColoring TsButton::GetColoring() {
  TkvColoring c;
  const Integer state = CurrentState();
  DuRiruZireziv* manager = FCommonData->GetSkinManager();
  const bool skinned = FCommonData->Skinned();
  if (Integer(FCommonData->FColorTone) == Integer(clNone)) {
    const TSet<TkvModalButtonsColoringValue> coloring =
        manager ? manager->ButtonsOptions.ModalButtonsColoring : TSet<TkvModalButtonsColoringValue>{bcGlyph};
    struct Pair {
      TColor rest, other;
    };
    const Pair* glyph = nullptr;
    const Pair* text = nullptr;
    const Pair* tone = nullptr;
    // Opaque colours (their alpha byte dropped: a high byte of 0xFF would name a system colour).
    static constexpr Pair kOkGlyph{0x28851A, 0x008E00}, kOkTone{0x7BD098, 0x3EE275};
    static constexpr Pair kCancelGlyph{0x0000B4, 0x0000A2}, kCancelTone{0x9E9EFF, 0x7E7EFF};
    switch (ModalResult()) {
      case mrOk:
      case mrYes:
        glyph = text = &kOkGlyph;
        tone = &kOkTone;
        break;
      case mrCancel:
      case mrNo:
        glyph = text = &kCancelGlyph;
        tone = &kCancelTone;
        break;
      default: break;
    }
    auto pick = [state](const Pair* p) { return Integer(state == 0 ? p->rest : p->other); };
    if (glyph && (!manager || coloring.Contains(bcGlyph))) c.ColorGlyph = pick(glyph);
    if (text && skinned && coloring.Contains(bcText)) c.ColorText = pick(text);
    if (tone && skinned && coloring.Contains(bcBackground)) c.ColorToneBG = pick(tone);
  } else {
    c.ColorToneBG = Integer(FCommonData->FColorTone);
  }
  FOnGetColoring.Call(this, state, c);
  return c;
}

bool TsButton::PrepareCache() {
  TsCommonData* sd = FCommonData.get();
  if (sd->SkinIndex < 0) return false;
  TkvSkinData* skinData = sd->GetCommonSkinData();
  if (!skinData || !IsValidIndex(sd->SkinIndex, Integer(skinData->gd.size()))) return false;
  TkvBGInfo info;
  info.R = BoundsRect();
  info.Offset = TPoint(Left(), Top());
  if (Parent()) GetBGInfo(&info, Parent(), false);
  if (info.BgType == btNotReady) {
    sd->FUpdating = true;
    return false;
  }
  const TCacheInfo ci = BGInfoToCI(&info);
  sd->InitCacheBmp();
  TBitmap* cache = sd->FCacheBmp.get();
  cache->Canvas()->Font()->Assign(Font());
  const TsGeneralData& gd = skinData->gd[size_t(sd->SkinIndex)];
  const Integer current = CurrentState();
  const Integer states = std::max<Integer>(gd.States, 1);
  const Integer state = current == 3 && states < 4 ? 1 : std::min(current, states - 1);
  PaintItem(sd, ci, true, state, TRect(0, 0, Width(), Height()), TPoint(Left(), Top()), cache, false, 0, 0, false);
  HandleLighting(FCommonData.get(), state);
  // The tone, the skin data's hue offset and saturation, and the corners of the new look.
  const TkvColoring coloring = GetColoring();
  UpdateBmpColors(cache, sd, true, state, coloring.ColorToneBG);
  DrawCaption(TColor(coloring.ColorText), cache->Canvas());
  DrawGlyph(cache->Canvas());
  if (Style() == bsSplitButton) {
    const TsFontColor& font = gd.Props[size_t(std::min<Integer>(state == 0 ? 0 : 1, 1))].FontColor;
    DrawSplitMark(cache->Canvas(), TColor(ColorToRGB(TColor(font.Color))));
  }
  auto* action = dynamic_cast<TCustomAction*>(Action());
  if (!Enabled() || (action && !action->OnExecute()))
    BmpDisabledKind(cache, FDisabledKind, Parent(), ci, TPoint(Left(), Top()));
  sd->BGChanged = false;
  return true;
}

// ---- Drawing ---------------------------------------------------------------------------------------

void TsButton::DrawCaption(TColor colorText, TCanvas* canvas) {
  canvas->Font()->Assign(Font());
  canvas->Brush()->SetStyle(bsClear);
  TRect r = CaptionRect(canvas);
  const bool commandLink = Style() == bsCommandLink;
  Cardinal flags;
  if (commandLink) {
    canvas->Font()->SetStyle(canvas->Font()->Style() + TFontStyles{fsBold});
    canvas->Font()->SetSize(canvas->Font()->Size() + 2);
    flags = DT_WORDBREAK | DT_EXPANDTABS | DT_LEFT;
  } else {
    flags = DT_VCENTER | DT_EXPANDTABS | DT_NOCLIP | (WordWrap() ? DT_WORDBREAK : DT_SINGLELINE);
    // BS_LEFT or BS_RIGHT alone align the caption; both (BS_CENTER) or neither centre it.
    const LONG horz = HandleAllocated() ? GetWindowLongW(WindowHandle(), GWL_STYLE) & BS_CENTER : 0;
    flags |= kvAlignmentArray[horz == BS_LEFT ? taLeftJustify : horz == BS_RIGHT ? taRightJustify : taCenter];
  }
  if (UseRightToLeftReading()) flags |= DT_RTLREADING;
  const Integer state = CurrentState();
  if (GetTransMode(FCommonData.get(), FCommonData->SkinIndex, state) == 2) flags |= DT_ALPHATEXT;
  const bool skinned = FCommonData->Skinned();
  auto write = [&](const String& text, TRect& rect) {
    if (colorText == clNone) {
      // A disabled skinned button writes enabled text: its disabled look covers the whole cache.
      // Unskinned, the caption of a disabled button is embossed as the system draws it.
      kvWriteTextEx(canvas, text, skinned || Enabled(), rect, flags, FCommonData.get(), state,
                    FCommonData->GetSkinManager());
    } else {
      canvas->Font()->SetColor(TColor(kvColorToRGB(Integer(colorText), FCommonData->GetSkinManager())));
      kvDrawText(canvas->Handle(), text, rect, flags);
    }
  };
  write(Caption(), r);
  if (commandLink) {
    canvas->Font()->Assign(Font());
    if (!CommandLinkHint().empty()) {
      TRect note(r.Left, r.Bottom + ContentSpacing(this), r.Right, Height() - FContentMargin);
      if (FCustomCommandLinkFont) {
        // The note's own font and colour, whatever the section says.
        canvas->Font()->Assign(FCommandLinkFont.get());
        kvWriteTextEx(canvas, CommandLinkHint(), true, note, flags, Integer(-1), 0, FCommonData->GetSkinManager());
        canvas->Font()->Assign(Font());
      } else {
        write(CommandLinkHint(), note);
      }
    }
  }
  if (Focused() && Enabled() && !Caption().empty() && FShowFocus && skinned) {
    TRect focus = r;
    focus.Left -= FFocusMargin + 1;
    focus.Right += FFocusMargin + 1;
    focus.Top = std::max(focus.Top - FFocusMargin, 3);
    focus.Bottom = std::min(focus.Bottom + FFocusMargin, Height() - 3);
    // The pressed look's text colour (the hot one in a two-state section).
    TkvSkinData* skinData = FCommonData->GetCommonSkinData();
    const Integer section = FCommonData->SkinIndex;
    const Integer states =
        skinData && IsValidIndex(section, Integer(skinData->gd.size())) ? skinData->gd[size_t(section)].States : 1;
    const TColor color =
        GetFontColor(this, section, FCommonData->GetSkinManager(), std::min<Integer>(states, 2), FCommonData.get());
    FocusRect(canvas, focus, color, clNone);
  }
}

void TsButton::DrawGlyph(TCanvas* canvas) {
  if (ElevationRequired()) {
    // Loaded once: comctl32's scaled-down shield where the library has it (bound at run
    // time, the import library lacks it), else the shared system icon at 16 x 16.
    static HICON shield = [] {
      using TLoadIconWithScaleDown = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
      HICON icon = nullptr;
      if (HMODULE comctl = GetModuleHandleW(L"comctl32.dll")) {
        if (auto load = reinterpret_cast<TLoadIconWithScaleDown>(
                reinterpret_cast<void*>(GetProcAddress(comctl, "LoadIconWithScaleDown"))))
          if (FAILED(load(nullptr, IDI_SHIELD, 16, 16, &icon))) icon = nullptr;
      }
      if (!icon) icon = static_cast<HICON>(LoadImageW(nullptr, IDI_SHIELD, IMAGE_ICON, 16, 16, LR_SHARED));
      return icon;
    }();
    if (shield) {
      const TRect r = GlyphRect();
      DrawIconEx(canvas->Handle(), r.Left, r.Top, shield, 16, 16, 0, nullptr, DI_NORMAL);
    }
    return;
  }
  const Integer index = CurrentImageIndex();
  if (GetImages() && index >= 0 && index < GetImageCount(GetImages())) DrawBtnGlyph(this, canvas, clNone);
}

void TsButton::DrawSplitMark(TCanvas* canvas, TColor color) {
  const Integer x = Width() - ScaledDropWidth() + 1;
  {
    TOwnedPen pen(CreatePen(PS_SOLID, 1, COLORREF(color)));
    TSelectObject selected(canvas->Handle(), pen.get());
    MoveToEx(canvas->Handle(), x, 4, nullptr);
    LineTo(canvas->Handle(), x, Height() - 4);
  }
  DrawColorArrow(canvas, color, TRect(Width() - ScaledDropWidth(), 0, Width(), Height()), asBottom,
                 FCommonData->CurrentPPI);
}

void TsButton::OurPaintHandler(HDC given) {
  if (!HandleAllocated()) return;
  TsCommonData* sd = FCommonData.get();
  // A form animation owns the screen: only its own picture is painted meanwhile.
  if (InAnimationProcess && (!given || given != sd->PrintDC)) {
    if (!given) ValidateRect(WindowHandle(), nullptr);
    return;
  }
  auto paint = [&](HDC dc) {
    if (sd->InUpdating()) return;
    RECT clip{};
    if (GetClipBox(dc, &clip) == NULLREGION || IsRectEmpty(&clip)) return;
    if (sd->TimerIsActive()) {
      // A fade or a pulse shows its own frame.
      TkvThreadedTimer* timer = sd->PulsTimer && sd->PulsTimer->Enabled() ? sd->PulsTimer.get() : sd->AnimTimer.get();
      if (timer && timer->BmpOut) {
        TSaveDC saved(dc);
        BitBlt(dc, 0, 0, Width(), Height(), timer->BmpOut->Canvas()->Handle(), 0, 0, SRCCOPY);
      }
      return;
    }
    sd->BGChanged = sd->BGChanged || sd->HalfVisible;
    sd->HalfVisible = !(clip.right - clip.left == Width() && clip.bottom - clip.top == Height());
    if ((sd->BGChanged || !sd->FCacheBmp) && !PrepareCache()) return;
    TSaveDC saved(dc);
    BitBlt(dc, 0, 0, Width(), Height(), sd->FCacheBmp->Canvas()->Handle(), 0, 0, SRCCOPY);
  };
  if (given) {
    paint(given);
  } else {
    TPaintDC dc(WindowHandle());
    paint(dc);
  }
}

void TsButton::StdDrawItem(const DRAWITEMSTRUCT& item) {
  TCanvas canvas;
  canvas.SetHandle(item.hDC);
  struct TRelease {
    TCanvas& c;
    ~TRelease() { c.SetHandle(nullptr); }
  } release{canvas};
  canvas.Font()->Assign(Font());
  HDC dc = item.hDC;
  const bool isDown = item.itemState & ODS_SELECTED;
  const bool isDefault = item.itemState & ODS_FOCUS;
  RECT rc = item.rcItem;
  HTHEME theme = kvThemesEnabled() ? OpenThemeData(WindowHandle(), L"BUTTON") : nullptr;
  if (theme) {
    const int state = !Enabled()               ? PBS_DISABLED
                      : isDown                 ? PBS_PRESSED
                      : FMouseAbove            ? PBS_HOT
                      : IsFocused || isDefault ? PBS_DEFAULTED
                                               : PBS_NORMAL;
    DrawThemeParentBackground(WindowHandle(), dc, &rc);
    DrawThemeBackground(theme, dc, BP_PUSHBUTTON, state, &rc, nullptr);
    RECT content = rc;
    GetThemeBackgroundContentRect(theme, dc, BP_PUSHBUTTON, state, &rc, &content);
    CloseThemeData(theme);
    if (IsFocused && isDefault && FShowFocus)
      kvDrawFocusRect(&canvas, TRect(content.left, content.top, content.right, content.bottom));
  } else {
    if (IsFocused || isDefault) {
      TOwnedBrush frame(CreateSolidBrush(ColorToRGB(clWindowFrame)));
      FrameRect(dc, &rc, frame.get());
      InflateRect(&rc, -1, -1);
    }
    if (isDown) {
      TOwnedBrush shadow(CreateSolidBrush(ColorToRGB(clBtnShadow)));
      TOwnedBrush face(CreateSolidBrush(ColorToRGB(clBtnFace)));
      FrameRect(dc, &rc, shadow.get());
      RECT inner = rc;
      InflateRect(&inner, -1, -1);
      FillRect(dc, &inner, face.get());
    } else {
      UINT flags = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT;
      if (item.itemState & ODS_DISABLED) flags |= DFCS_INACTIVE;
      DrawFrameControl(dc, &rc, DFC_BUTTON, flags);
    }
    if (IsFocused && isDefault && FShowFocus) {
      RECT focus{4, 4, Width() - 4 - (Style() == bsSplitButton ? ScaledDropWidth() : 0), Height() - 4};
      DrawFocusRect(dc, &focus);
    }
  }
  const TkvColoring coloring = GetColoring();
  DrawCaption(TColor(coloring.ColorText), &canvas);
  DrawGlyph(&canvas);
  if (Style() == bsSplitButton) DrawSplitMark(&canvas, TColor(ColorToRGB(Font()->Color())));
}

// ---- Mouse ----------------------------------------------------------------------------------------

namespace {

// The manager's press effect is the fill light.
bool FillLightOnPress(DuRiruZireziv* manager) {
  return manager && manager->Effects.AllowAnimation && manager->AnimEffects.Buttons.Events.Contains(beClick) &&
         (manager->AnimEffects.Buttons.ClickEffect == ceCircle ||
          manager->AnimEffects.Buttons.ClickEffect == ceCircleAndWave);
}

bool ClickEffectIs(DuRiruZireziv* manager, TkvClickEffect effect) {
  return manager && manager->AnimEffects.Buttons.ClickEffect == effect;
}

}  // namespace

void TsButton::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  TsCtrlSkinData* sd = FCommonData.get();
  if (IsSkinned() && Enabled() && !ComponentState().Contains(csDesigning)) {
    sd->FUpdating = false;
    {
      THintsOffDuringPress hintsOff(button == mbLeft);
      FMouseClicked = true;
      if (button == mbLeft && !FDown) {
        sd->FUpdating = sd->GetUpdating();
        sd->BGChanged = false;
        // The pressed look now: the system marks the button pushed only after this handler,
        // so the state is forced while the look is rendered.
        if (!sd->FUpdating) {
          auto pressed = SetForScope(fGlobalFlag, true);
          DuRiruZireziv* manager = sd->GetSkinManager();
          if (FillLightOnPress(manager))
            DoChangePaint(sd, 2, UpdateFillLight, true, false, false);
          else
            DoChangePaint(sd, 2, UpdateWindow_CB, EventEnabled(aeMouseDown, FAnimatEvents, manager), true, false);
        }
      }
    }
  }
  TButton::MouseDown(button, shift, x, y);
  if (sd->PulsTimer && sd->PulsTimer->Enabled()) sd->PulsTimer->PrepareImage();
}

void TsButton::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  TsCtrlSkinData* sd = FCommonData.get();
  if (!ComponentState().Contains(csDestroying) && IsSkinned() && Enabled() && !ComponentState().Contains(csDesigning)) {
    if (button == mbLeft) THintsOffDuringPress::RestoreHints();
    if (!FMouseClicked) return;
    FMouseClicked = false;
    if (button == mbLeft) {
      // The system lets go of its pushed state only after this handler: the looks rendered
      // here are the released ones.
      auto released = SetForScope(FReleasing, true);
      DuRiruZireziv* manager = sd->GetSkinManager();
      TkvThreadedTimer* fade = sd->AnimTimer.get();
      if (FillLightOnPress(manager) && fade) {
        if (fade->Enabled()) {
          // The light floods the button while it fades to the hot look.
          fade->State = 1;
          sd->BGChanged = true;
          fade->TimeHandler();
        } else {
          if (fade->ThreadType == 2 && ClickEffectIs(manager, ceCircleAndWave)) {
            fade->ThreadType = 0;
            if (kvMouseInControl(sd)) DoClickAnimation(sd, cm1);
          }
          sd->Invalidate(false);
        }
      } else {
        if (sd->TimerIsActive()) {
          // A quick click still shows the pressed look for a moment.
          sd->StopTimer();
          // The pressed look is now at rest: the fade to the hot look starts from it afresh,
          // not from the progress of the fade that was cut short.
          if (sd->AnimTimer) sd->AnimTimer->Glow = 0;
          sd->BGChanged = true;
          {
            auto pressed = SetForScope(fGlobalFlag, true);
            auto notReleased = SetForScope(FReleasing, false);
            if (HandleAllocated()) RedrawWindow(WindowHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
          }
          WaitTicks(GetTickCount(), 30);
        }
        sd->FUpdating = false;
        sd->BGChanged = false;
        if (FMouseAbove)
          DoChangePaint(sd, 1, UpdateWindow_CB, EventEnabled(aeMouseUp, FAnimatEvents, manager), true, true);
      }
    }
  }
  TButton::MouseUp(button, shift, x, y);
  if (sd->PulsTimer && sd->PulsTimer->Enabled()) sd->PulsTimer->PrepareImage();
}

void TsButton::Click() {
  TsCtrlSkinData* sd = FCommonData.get();
  DuRiruZireziv* manager = sd->GetSkinManager();
  if (IsSkinned() && EventEnabled(aeClick, FAnimatEvents, manager) && ClickEffectIs(manager, ceWaveOut))
    DoClickAnimation(sd, cm1);
  TButton::Click();
}

void TsButton::HoverChanged(bool entered) {
  TsCtrlSkinData* sd = FCommonData.get();
  DuRiruZireziv* manager = sd->GetSkinManager();
  if (entered) {
    if (FMouseAbove || (manager && manager->Options.NoMouseHover)) return;
    sd->LightMask.reset();
    sd->BGChanged = false;
    FMouseAbove = true;
    sd->FMouseAbove = true;
    DoChangePaint(sd, 1, UpdateWindow_CB, EventEnabled(aeMouseEnter, FAnimatEvents, manager), false, true);
    return;
  }
  sd->LightMask.reset();
  sd->DestroyNeedlessLight(false);
  sd->BGChanged = false;
  FMouseAbove = false;
  sd->FMouseAbove = false;
  bool fillLight = false;
  if (TkvThreadedTimer* fade = sd->AnimTimer.get(); fade && fade->ThreadType == 2) {
    fillLight = true;
    fade->ThreadType = 0;
  }
  DoChangePaint(sd, 0, UpdateWindow_CB, EventEnabled(aeMouseLeave, FAnimatEvents, manager), false, false);
  if (fillLight && ClickEffectIs(manager, ceCircleAndWave)) DoClickAnimation(sd, cm1);
}

void TsButton::UpdateLight(TControl*, TkvAnimEventData& data) {
  TsCtrlSkinData* sd = FCommonData.get();
  if (HandleAllocated() && IsWindowVisible(WindowHandle()) && Enabled() &&
      EventEnabled(aeLighting, FAnimatEvents, sd->GetSkinManager()))
    DoUpdateLight(sd, data.DoOutput);
  else
    sd->FDoLighting = false;
  sd->DestroyNeedlessLight(true);
  data.DoLighting = sd->DoLighting(true);
}

bool& bFocusChanging = kvControlsState.bFocusChanging;

void TsButton::ForwardWithoutDrawing(TMessage& m) {
  // The system's own redraw of the focus change would flash its look over the skin's.
  const TScopeExit redrawOn([this] { SendMessageW(WindowHandle(), WM_SETREDRAW, TRUE, 0); });
  SendMessageW(WindowHandle(), WM_SETREDRAW, FALSE, 0);
  if (!CommonWndProc(m, FCommonData.get())) TButton::Dispatch(m);
}

bool TsButton::FocusMessage(TMessage& m) {
  TsCtrlSkinData* sd = FCommonData.get();
  if (!Visible() || ComponentState().Contains(csDesigning)) return false;
  const bool entering = m.Msg == WM_SETFOCUS || m.Msg == CM_ENTER;
  const bool usable = Enabled() && !ComponentState().Contains(csDestroying);
  // A focus message that arrives while another one is forwarded (the form's CM_ENTER inside the
  // window's WM_SETFOCUS) is already drawn by the outer one.
  if (!usable || (entering && bFocusChanging)) {
    if (!CommonWndProc(m, sd)) TButton::Dispatch(m);
    return true;
  }
  if (entering) {
    sd->BGChanged = true;
    {
      auto forwarding = SetForScope(bFocusChanging, true);
      ForwardWithoutDrawing(m);
    }
    // The focus look comes with the next paint (or the fade's next frame), not with the
    // system's own redraw.
    if (TkvThreadedTimer* fade = sd->AnimTimer.get(); fade && fade->Enabled()) {
      sd->BGChanged = true;
      fade->TimeHandler();
    } else {
      sd->Invalidate(false);
    }
  } else {
    sd->StopTimer();
    ForwardWithoutDrawing(m);
    if (sd->Skinned()) {
      sd->FFocused = false;
      sd->Invalidate(false);
      HideGlowAndCircle(sd);
    }
  }
  if (sd->FOuterEffects->Visibility() == ovFocused) sd->FOuterEffects->Invalidate();
  return true;
}

bool TsButton::FocusChangedMessage(TMessage& m) {
  if (!Visible()) return false;
  if (bFocusChanging || !Focused()) {
    // Inside a forwarded focus change the outer message draws.
    TButton::Dispatch(m);
    return true;
  }
  {
    const TScopeExit redrawOn([this] { SendMessageW(WindowHandle(), WM_SETREDRAW, TRUE, 0); });
    SendMessageW(WindowHandle(), WM_SETREDRAW, FALSE, 0);
    TButton::Dispatch(m);
  }
  RedrawNow();
  return true;
}

bool TsButton::HitsTransparentPixel(Integer screenX, Integer screenY) {
  TkvSkinData* skinData = FCommonData->GetCommonSkinData();
  const Integer index = FCommonData->SkinIndex;
  if (!skinData || !IsValidIndex(index, Integer(skinData->gd.size()))) return false;
  const Integer mask = skinData->gd[size_t(index)].BorderIndex;
  if (mask < 0 || !IsValidIndex(mask, Integer(skinData->ma.size()))) return false;
  RECT w{};
  GetWindowRect(WindowHandle(), &w);
  return PtIsTransparent(screenX - w.left, screenY - w.top, skinData->ma[size_t(mask)], Width(), Height());
}

// ---- Messages --------------------------------------------------------------------------------------

bool TsButton::DropDownMenuAt() {
  TComponentWatch self(this);
  DroppedDown = true;
  RedrawNow();
  RECT r{};
  GetWindowRect(WindowHandle(), &r);
  OnDropDownClick().Call(this);
  if (!self.Alive()) return false;
  if (TPopupMenu* menu = DropDownMenu()) {
    // A menu made or given after the skin was applied drops down skinned too.
    if (DefaultManager && DefaultManager->IsActive())
      if (TsSkinableMenus* menus = SkinableMenus()) menus->HookPopupMenu(menu, true);
    menu->SetPopupComponent(this);
    menu->Popup(r.left, r.bottom);  // returns when the menu has closed; its handlers may free us
  }
  if (!self.Alive()) return false;
  DroppedDown = false;
  RedrawNow();
  return true;
}

namespace {

// The skin command comes from the button's own manager (given in LParam).
bool FromOwnManager(const TMessage& m, TsCommonData* sd) {
  DuRiruZireziv* manager = sd->GetSkinManager();
  return manager && m.LParam == reinterpret_cast<intptr_t>(manager);
}

}  // namespace

void TsButton::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case BCM_SETIMAGELIST:
    case BCM_SETNOTE:
    case BCM_SETSHIELD:
      // The window is owner-drawn: images, note and shield are drawn here.
      FCommonData->BGChanged = true;
      Invalidate();
      m.Result = TRUE;
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (Style() == bsSplitButton && (DropDownMenu() || OnDropDownClick()) && Enabled() &&
          Integer(short(LOWORD(m.LParam))) >= Width() - ScaledDropWidth()) {
        // The class library's press does not run for the split part.
        DropDownMenuAt();
        m.Result = 0;
        return;
      }
      break;
    case SM_ALPHACMD:
      if (AnswerSectionCommands(m, FCommonData.get(), u"BUTTON", 2)) return;
      switch (HIWORD(m.WParam)) {
        case KV_PREPARECACHE: PrepareCache(); return;
        case KV_GETCOLORTONE:
          if (auto* c = reinterpret_cast<TkvColoring*>(m.LParam)) {
            *c = GetColoring();
            m.Result = 1;
          }
          return;
        case KV_SETNEWSKIN:
          // Another manager's skin is not the button's: the common handling decides.
          if (!FromOwnManager(m, FCommonData.get())) break;
          CommonWndProc(m, FCommonData.get());
          return;
        case KV_REMOVESKIN:
          if (!FromOwnManager(m, FCommonData.get()) || ComponentState().Contains(csDestroying)) break;
          CommonWndProc(m, FCommonData.get());
          if (HandleAllocated()) RedrawNow();
          return;
        case KV_REFRESH:
          // Only a refresh of the button's own manager and section.
          if (!RefreshNeeded(FCommonData.get(), m)) break;
          if (HandleAllocated()) SetWindowRgn(WindowHandle(), nullptr, FALSE);
          CommonWndProc(m, FCommonData.get());
          if (HandleAllocated() && !(FCommonData->CtrlSkinState & KVS_PRINTING)) RedrawNow();
          return;
      }
      break;
  }
  if (IsSkinned() && HandleAllocated()) {
    if (KeyboardAndMoveMessage(m) || WindowStateMessage(m)) return;
    switch (m.Msg) {
      case CN_DRAWITEM: m.Result = 1; return;
      case WM_PAINT:
        if (!Visible() && !ComponentState().Contains(csDesigning)) break;
        OurPaintHandler(HDC(m.WParam));
        m.Result = 0;
        return;
      case WM_PRINTCLIENT:
      case WM_PRINT:
        FCommonData->FUpdating = false;
        OurPaintHandler(HDC(m.WParam));
        m.Result = 0;
        return;
      case WM_ERASEBKGND: m.Result = 0; return;
      case WM_NCHITTEST:
        if (HitsTransparentPixel(Integer(short(LOWORD(m.LParam))), Integer(short(HIWORD(m.LParam))))) {
          m.Result = HTTRANSPARENT;
          return;
        }
        break;
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
      case CM_ENTER:
      case CM_EXIT:
        if (FocusMessage(m)) return;
        FCommonData->BGChanged = true;
        break;
      case CM_FOCUSCHANGED:
        if (FocusChangedMessage(m)) return;
        break;
      case WM_WINDOWPOSCHANGED: FCommonData->BGChanged = true; break;
      case WM_SETTEXT:
        // The system would draw the new caption over the skin's look first.
        if (ComponentState().Contains(csDesigning)) {
          TButton::Dispatch(m);
        } else {
          const TScopeExit redrawOn([this] { SendMessageW(WindowHandle(), WM_SETREDRAW, TRUE, 0); });
          SendMessageW(WindowHandle(), WM_SETREDRAW, FALSE, 0);
          TButton::Dispatch(m);
        }
        RedrawNow();
        return;
      case CM_TEXTCHANGED:
        TButton::Dispatch(m);
        if (ComponentState().Contains(csDestroying)) return;
        // A fade would go on showing the old caption: its end look at once, then the new text.
        FinishTimer(FCommonData->AnimTimer.get());
        FCommonData->StopTimer();
        RedrawNow();
        return;
      case CM_ACTIONUPDATE:
        TButton::Dispatch(m);
        // The action's own state wins over one set on the button behind its back.
        if (auto* action = dynamic_cast<TCustomAction*>(Action()); action && !ComponentState().Contains(csDestroying))
          SetEnabled(action->Enabled());
        return;
      case WM_SIZE:
        // The glow was made for the old size.
        if (FCommonData->GlowID >= 0) HideGlow(FCommonData->GlowID, false);
        break;
    }
  } else if (m.Msg == CN_DRAWITEM) {
    if (auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam)) StdDrawItem(*item);
    m.Result = 1;
    return;
  }
  switch (m.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      TButton::Dispatch(m);
      if (Enabled() && !ComponentState().Contains(csDesigning)) {
        if (IsSkinned() && HandleAllocated()) {
          HoverChanged(m.Msg == CM_MOUSEENTER);
        } else {
          FMouseAbove = m.Msg == CM_MOUSEENTER;
          RedrawNow();
        }
      }
      return;
    case CM_CANCELMODE:
      TButton::Dispatch(m);
      if (!ComponentState().Contains(csDestroying)) HideGlowAndCircle(FCommonData.get());
      return;
    case CM_ENABLEDCHANGED:
      TButton::Dispatch(m);
      if (!Enabled()) FMouseAbove = false;  // a disabled button hears no mouse leaving
      FCommonData->BGChanged = true;
      if (ComponentState().Contains(csDestroying)) return;
      if (IsSkinned() && HandleAllocated()) {
        if (!Visible() && !ComponentState().Contains(csDesigning)) return;
        // A fade still running would go on showing the look of the old state.
        FCommonData->FUpdating = false;
        FCommonData->StopTimer();
        FCommonData->BGChanged = true;
        RedrawWindow(WindowHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      } else if (Visible() || ComponentState().Contains(csDesigning)) {
        Repaint();
      }
      return;
    case CM_FOCUSCHANGED:
    case WM_SETFOCUS:
    case WM_KILLFOCUS: FCommonData->BGChanged = true; break;
  }
  if (CommonWndProc(m, FCommonData.get())) return;
  TButton::Dispatch(m);
}

// ---- Keyboard, moves and activation ----------------------------------------------------------------

bool TsButton::LookShowsParent() {
  TkvSkinData* skinData = FCommonData->GetCommonSkinData();
  const Integer index = FCommonData->SkinIndex;
  if (!skinData || !IsValidIndex(index, Integer(skinData->gd.size()))) return false;
  const TsGeneralData& gd = skinData->gd[size_t(index)];
  if (gd.Props[0].Transparency > 0) return true;
  return gd.States > 1 && gd.Props[1].Transparency > 0 && FCommonData->ControlIsActive();
}

bool TsButton::KeyboardAndMoveMessage(TMessage& m) {
  switch (m.Msg) {
    case WM_MOVE:
      // A look the parent shows through must show what lies under its new place.
      if (LookShowsParent()) RedrawNow();
      return false;
    case WM_KEYUP: {
      if (m.WParam != VK_SPACE) return false;
      // The system releases the keyboard push and clicks; the click may free the button.
      TComponentWatch self(this);
      if (!CommonWndProc(m, FCommonData.get())) TButton::Dispatch(m);
      // The owner-drawn window is not repainted by the system: the pressed look goes here.
      if (self.Alive() && HandleAllocated() && !ComponentState().Contains(csDestroying)) RedrawNow();
      return true;
    }
    case CM_DIALOGCHAR:
      // A space pushes the focused button: no fade or glow must hide the pressed look.
      if (Enabled() && Focused() && m.WParam == VK_SPACE) {
        FCommonData->StopTimer();
        HideGlowAndCircle(FCommonData.get());
        RedrawNow();
      }
      return false;
    case CM_UIACTIVATE:
      // The form is active again: a paint held back for its parent may run now.
      FCommonData->FUpdating = false;
      return false;
  }
  return false;
}

// ---- Erasing and state changes ------------------------------------------------------------------

bool TsButton::WindowStateMessage(TMessage& m) {
  TsCommonData* sd = FCommonData.get();
  const bool shown = Visible() || ComponentState().Contains(csDesigning);
  switch (m.Msg) {
    case WM_ENABLE:
      // The owner-drawn window would be repainted by the system: CM_ENABLEDCHANGED repaints.
      m.Result = 0;
      return true;
    case WM_UPDATEUISTATE:
      // Focus cues are the skin's: the system must not redraw the button for them.
      if (!shown) return false;
      m.Result = 1;
      return true;
    case WM_ERASEBKGND:
      if (shown && m.WParam && sd->FCacheBmp && !sd->FUpdating) {
        const bool ready = !sd->BGChanged || PrepareCache();
        if (ready && !sd->TimerIsActive()) {
          const TRect all(0, 0, Width(), Height());
          CopyWinControlCache(this, sd, all, all, HDC(m.WParam), false);
        }
      }
      m.Result = 0;
      return true;
    case BM_SETSTATE:
      // The system would draw its own pushed frame first.
      if (kvThemesEnabled()) return false;
      {
        const TScopeExit redrawOn([this] { SendMessageW(WindowHandle(), WM_SETREDRAW, TRUE, 0); });
        SendMessageW(WindowHandle(), WM_SETREDRAW, FALSE, 0);
        TButton::Dispatch(m);
      }
      return true;
    case WM_SETFONT:
      TButton::Dispatch(m);
      if (shown && !ComponentState().Contains(csDestroying)) {
        sd->FUpdating = false;
        sd->StopTimer();
        sd->BGChanged = true;
        Invalidate();
      }
      return true;
    case CM_VISIBLECHANGED:
      TButton::Dispatch(m);
      if (ComponentState().Contains(csDestroying)) return true;
      sd->BGChanged = true;
      sd->FUpdating = false;
      if (shown) {
        SetButtonStyle(Default());
        Repaint();
      }
      return true;
  }
  return false;
}
