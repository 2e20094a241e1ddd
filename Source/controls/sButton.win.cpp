#include "controls/sButton.h"

#include <windows.h>
#include <uxtheme.h>
#include <vssym32.h>

#include "base/kvntUtils.h"
#include "controls/sThirdParty.h"
#include "paint/sGraphUtils.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"

TW_DEFINE_CLASS(TsButton) {
  b.Property(u"SkinData", &TsButton::SkinData);
  b.Property(u"Images", &TsButton::Images, &TsButton::SetImages);
  b.Property(u"ImageIndex", &TsButton::ImageIndex, &TsButton::SetImageIndex);
  b.Property(u"HotImageIndex", &TsButton::HotImageIndex, &TsButton::SetHotImageIndex);
  b.Property(u"PressedImageIndex", &TsButton::PressedImageIndex, &TsButton::SetPressedImageIndex);
  b.Property(u"SelectedImageIndex", &TsButton::SelectedImageIndex, &TsButton::SetSelectedImageIndex);
  b.Property(u"DisabledImageIndex", &TsButton::DisabledImageIndex, &TsButton::SetDisabledImageIndex);
  b.Property(u"Down", &TsButton::Down, &TsButton::SetDown);
  b.Property(u"Reflected", &TsButton::Reflected, &TsButton::SetReflected);
}

TsButton::TsButton(TComponent* owner) : TButton(owner), FCommonData(std::make_unique<TsCommonData>(this)) {
  FCommonData->FOwnerControl = this;
  FCommonData->COC = COC_TsButton;
  // An owner-drawn button reports a quick second click as a double click instead of pressing
  // again; without double clicks every click presses the button.
  SetControlStyle(ControlStyle() - TControlStyle{csOpaque, csDoubleClicks});
}

TsButton::~TsButton() {
  if (FImages) FImages->RemoveFreeNotification(this);
}

Integer ContentSpacing(TsButton* button) {
  return button->SkinData()->GetSkinManager() ? ScaleInt(iContentSpacing, button->SkinData()) : iContentSpacing;
}

// ---- Properties ---------------------------------------------------------------------------------

void TsButton::SetImages(TCustomImageList* value) {
  if (value == FImages) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = value;
  if (FImages) FImages->FreeNotification(this);
  Invalidate();
}

void TsButton::SetIndex(Integer& field, Integer value) {
  if (value == field) return;
  field = value;
  Invalidate();
}

void TsButton::SetFlag(bool& field, bool value) {
  if (value == field) return;
  field = value;
  FCommonData->Invalidate();
}

void TsButton::Notification(TComponent* component, TOperation operation) {
  TButton::Notification(component, operation);
  if (operation == opRemove && component == FImages) {
    FImages = nullptr;
    Invalidate();
  }
}

void TsButton::CreateParams(TCreateParams& params) {
  TButton::CreateParams(params);
  params.Style = (params.Style & ~BS_TYPEMASK) | BS_OWNERDRAW;
  if (!ControlStyle().Contains(csDoubleClicks)) params.ClassStyle &= ~CS_DBLCLKS;
}

void TsButton::SetButtonStyle(bool isDefault) {
  if (isDefault == IsFocused) return;
  IsFocused = isDefault;
  Invalidate();
}

void TsButton::RedrawNow() {
  if (HandleAllocated()) RedrawWindow(WindowHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_UPDATENOW);
}

// ---- State and layout ---------------------------------------------------------------------------

Integer TsButton::CurrentState() {
  if (FDown) return 2;
  if (HandleAllocated() && (SendMessageW(WindowHandle(), BM_GETSTATE, 0, 0) & BST_PUSHED)) {
    // Pushed by the mouse only counts while the mouse is over the button; a push by the
    // keyboard always does.
    const bool mouseHeldOnIt = GetKeyState(VK_LBUTTON) < 0 && GetCapture() == WindowHandle();
    if (FMouseAbove || !mouseHeldOnIt) return 2;
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
    case 0: index = FImageIndex; break;
    case 1: index = FHotImageIndex; break;
    case 2: index = FPressedImageIndex; break;
    case 3: index = FSelectedImageIndex; break;
    case 4: index = FDisabledImageIndex; break;
  }
  if (index < 0 || index >= GetImageCount(GetImages())) index = FImageIndex;
  return index;
}

bool TsButton::GlyphExist() {
  const Integer index = CurrentImageIndex();
  return GetImages() && index >= 0 && index < GetImageCount(GetImages());
}

Integer TsButton::PPI() {
  TkvSkinData* data = FCommonData->GetCommonSkinData();
  return data ? data->PPI : GetPPI(FCommonData.get());
}

TSize TsButton::ImageSize() {
  if (!GlyphExist()) return {0, 0};
  const Integer index = CurrentImageIndex(), ppi = PPI();
  return {GetImageWidth(GetImages(), index, ppi, true), GetImageHeight(GetImages(), index, ppi, true)};
}

TRect TsButton::GlyphRect() {
  if (!GlyphExist()) return {};
  const TSize size = ImageSize();
  TRect r;
  r.Left = iContentMargin;
  r.Top = (Height() - size.cy) / 2;
  r.Right = r.Left + size.cx;
  r.Bottom = r.Top + size.cy;
  if (CurrentState() == 2 && CanClickShift(FCommonData->SkinIndex, FCommonData.get())) r = OffsRect(r, 1, 1);
  return r;
}

TSize TsButton::CaptionSize(TCanvas* canvas) {
  const String caption = Caption();
  if (caption.empty()) return {0, 0};
  canvas->Font()->Assign(Font());
  Cardinal flags = DT_EXPANDTABS | DT_CALCRECT | (WordWrap() ? DT_WORDBREAK : DT_SINGLELINE);
  if (GetTransMode(FCommonData.get(), FCommonData->SkinIndex, CurrentState()) == 2) flags |= DT_ALPHATEXT;
  const Integer maxWidth = Width() - 2 * iContentMargin;
  TRect r = GlyphExist() ? TRect(0, 0, maxWidth - ImageSize().cx - ContentSpacing(this), 0)
                         : TRect(2 * iContentMargin, 0, maxWidth, 0);
  kvDrawText(canvas->Handle(), caption, r, flags);
  return {r.Width(), r.Height()};
}

TRect TsButton::CaptionRect(TCanvas* canvas) {
  const TSize size = CaptionSize(canvas);
  TRect r;
  if (GlyphExist()) {
    r.Left = ContentSpacing(this) + iContentMargin + ImageSize().cx;
    r.Right = Width() - iContentMargin;
    r.Top = (Height() - size.cy) / 2;
    r.Bottom = Height() - r.Top;
  } else {
    r.Left = (Width() - size.cx) / 2;
    r.Right = r.Left + size.cx;
    r.Top = (Height() - size.cy) / 2;
    r.Bottom = r.Top + size.cy;
  }
  if (CurrentState() == 2 && CanClickShift(FCommonData->SkinIndex, FCommonData.get())) r = OffsRect(r, 1, 1);
  return r;
}

// ---- Drawing ------------------------------------------------------------------------------------

void TsButton::DrawCaption(TCanvas* canvas) {
  canvas->Font()->Assign(Font());
  canvas->Brush()->SetStyle(bsClear);
  TRect r = CaptionRect(canvas);
  Cardinal flags = DT_VCENTER | DT_EXPANDTABS | DT_NOCLIP | (WordWrap() ? DT_WORDBREAK : DT_SINGLELINE);
  // BS_LEFT or BS_RIGHT alone align the caption; both (BS_CENTER) or neither centre it.
  const LONG horz = HandleAllocated() ? GetWindowLongW(WindowHandle(), GWL_STYLE) & BS_CENTER : 0;
  flags |= kvAlignmentArray[horz == BS_LEFT ? taLeftJustify : horz == BS_RIGHT ? taRightJustify : taCenter];
  if (UseRightToLeftReading()) flags |= DT_RTLREADING;
  const Integer state = CurrentState();
  if (GetTransMode(FCommonData.get(), FCommonData->SkinIndex, state) == 2) flags |= DT_ALPHATEXT;
  // Unskinned, the caption of a disabled button is embossed as the system draws it.
  kvWriteTextEx(canvas, Caption(), Enabled(), r, flags, FCommonData.get(), state, FCommonData->GetSkinManager());
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
    const int state = !Enabled()                 ? PBS_DISABLED
                      : isDown                   ? PBS_PRESSED
                      : FMouseAbove              ? PBS_HOT
                      : IsFocused || isDefault   ? PBS_DEFAULTED
                                                 : PBS_NORMAL;
    DrawThemeParentBackground(WindowHandle(), dc, &rc);
    DrawThemeBackground(theme, dc, BP_PUSHBUTTON, state, &rc, nullptr);
    RECT content = rc;
    GetThemeBackgroundContentRect(theme, dc, BP_PUSHBUTTON, state, &rc, &content);
    CloseThemeData(theme);
    if (IsFocused && isDefault) kvDrawFocusRect(&canvas, TRect(content.left, content.top, content.right, content.bottom));
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
    if (IsFocused && isDefault) {
      RECT focus{4, 4, Width() - 4, Height() - 4};
      DrawFocusRect(dc, &focus);
    }
  }
  DrawCaption(&canvas);
  if (GlyphExist()) DrawBtnGlyph(this, &canvas, clNone);
}

// ---- Messages -----------------------------------------------------------------------------------

void TsButton::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CN_DRAWITEM:
      // The skinned look does not exist yet: every button draws the unskinned one.
      if (auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam)) StdDrawItem(*item);
      m.Result = 1;
      return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      TButton::Dispatch(m);
      if (Enabled() && !ComponentState().Contains(csDesigning)) {
        FMouseAbove = m.Msg == CM_MOUSEENTER;
        RedrawNow();
      }
      return;
    case CM_ENABLEDCHANGED:
      TButton::Dispatch(m);
      if (!Enabled()) FMouseAbove = false;  // a disabled button hears no mouse leaving
      if (Visible() && !ComponentState().Contains(csDestroying)) Repaint();
      return;
  }
  TButton::Dispatch(m);
}
