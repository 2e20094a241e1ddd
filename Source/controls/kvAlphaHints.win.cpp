#include "controls/kvAlphaHints.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/WindowQueries.h"
#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/sLabel.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/MaskImages.h"
#include "raster/Text.h"
#include "skin/ControlServices.h"
#include "skin/SkinState.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"

namespace {
TsAlphaHints* activeManager = nullptr;
// A copy of a picture, pixels included.
std::unique_ptr<TBitmap> CopyOf(TBitmap* bmp) {
  std::unique_ptr<TBitmap> copy(CreateBmp32(0, 0));
  CopyBmp(copy.get(), bmp);
  return copy;
}
// White in a hint's shape mask, as a whole pixel value (the region takes runs of it).
constexpr uint32_t kMaskOutside = 0x00FFFFFF;
constexpr Integer kCheckInterval = 300;  // ms between the mouse checks of a hint kept while hovered
}  // namespace

TsAlphaHints*& Manager = activeManager;
TkvCustomHintWindow* kvHintWindow = nullptr;

// ---- the component ----------------------------------------------------------------------------

TW_DEFINE_CLASS(TsAlphaHints) {
  b.Property(u"Active", &TsAlphaHints::Active, &TsAlphaHints::SetActive).Default(true);
  b.Property(u"Animated", &TsAlphaHints::Animated, &TsAlphaHints::SetAnimated).Default(true);
  b.Property(u"MaxWidth", &TsAlphaHints::MaxWidth, &TsAlphaHints::SetMaxWidth).Default(120);
  b.Property(u"PauseHide", &TsAlphaHints::PauseHide, &TsAlphaHints::SetPauseHide).Default(5000);
  b.Property(u"SkinSection", &TsAlphaHints::SkinSection, &TsAlphaHints::SetSkinSection);
  b.Property(u"TemplateName", &TsAlphaHints::TemplateName, &TsAlphaHints::SetTemplateName);
  b.Property(u"UseSkinData", &TsAlphaHints::UseSkinData, &TsAlphaHints::SetUseSkinData).Default(false);
  b.Property(u"HandleDisabledCtrls", &TsAlphaHints::HandleDisabledCtrls, &TsAlphaHints::SetHandleDisabledCtrls)
      .Default(false);
  b.Property(
       u"DefaultMousePos", [](const TsAlphaHints& h) { return Integer(h.DefaultMousePos()); },
       [](TsAlphaHints& h, Integer v) { h.SetDefaultMousePos(TkvMousePosition(v & 3)); })
      .Default(0);
  b.Property(u"TextAlignment", &TsAlphaHints::TextAlignment, &TsAlphaHints::SetTextAlignment).Default(taCenter);
  b.Property(u"Templates", &TsAlphaHints::Templates, &TsAlphaHints::SetTemplates);
  b.Property(u"AutoAlignment", &TsAlphaHints::AutoAlignment, &TsAlphaHints::SetAutoAlignment).Default(false);
  b.Property(u"OnShowHint", &TsAlphaHints::OnShowHint, &TsAlphaHints::SetOnShowHint);
  b.Property(u"OnMeasure", &TsAlphaHints::OnMeasure, &TsAlphaHints::SetOnMeasure);
  b.Property(u"OnPaint", &TsAlphaHints::OnPaint, &TsAlphaHints::SetOnPaint);
  b.Property(u"HTMLMode", &TsAlphaHints::HTMLMode, &TsAlphaHints::SetHTMLMode).Default(false);
}

TsAlphaHints::TsAlphaHints(TComponent* owner)
    : TComponent(owner),
      FTemplates(std::make_unique<TkvHintTemplates>(this, TNotifyEvent(this, &TsAlphaHints::ChangedBy))),
      FCacheBmp(CreateBmp32(0, 0)) {}

TsAlphaHints::~TsAlphaHints() {
  if (Application && Application->OnShowHint() == TShowHintEvent(this, &TsAlphaHints::OnShowHintApp))
    Application->SetOnShowHint(FOnOldShowHint);
  FActive = false;
  HideAll();
  ShowTimer.reset();
  CheckTimer.reset();
  if (Manager == this) {
    Manager = nullptr;
    HintWindowClass = &THintWindow::StaticClass();
  }
}

void TsAlphaHints::ChangedBy(TObject*) { Changed(); }

void TsAlphaHints::AfterConstruction() {
  TComponent::AfterConstruction();
  if (FSkinSection.empty()) FSkinSection = u"HINT";
  if (!IsLoading()) Loaded();
}

void TsAlphaHints::Loaded() {
  TComponent::Loaded();
  if (FSkinSection.empty()) FSkinSection = u"HINT";
  FTemplates->DecodePictures();
  FTemplateIndex = FTemplates->IndexOfName(FTemplateName);
  if (IsDesigning() || Tag() == ExceptTag) return;
  if (Application) {
    Application->SetHintHidePause(FPauseHide);
    if (Application->OnShowHint() != TShowHintEvent(this, &TsAlphaHints::OnShowHintApp)) {
      FOnOldShowHint = Application->OnShowHint();
      Application->SetOnShowHint(TShowHintEvent(this, &TsAlphaHints::OnShowHintApp));
    }
  }
  FHintPos = TPoint(-1, -1);
  UpdateHWClass();
}

void TsAlphaHints::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == HintWindow) {
    HintWindow = nullptr;
    HintWindowHandle = nullptr;
  }
  if (component == HintTimeCtrl) HintTimeCtrl = nullptr;
  if (component == HideTimer) HideTimer = nullptr;
}

void TsAlphaHints::UpdateHWClass() {
  if (IsDesigning() || Tag() == ExceptTag) return;
  if (FActive && kvLayered() && !ComponentState().Contains(csDestroying)) {
    Manager = this;
    HintWindowClass = &TkvPngHintWindow::StaticClass();
  } else if (Manager == this) {
    Manager = nullptr;
    HintWindowClass = &THintWindow::StaticClass();
  } else if (Manager) {
    Manager->FHintLocation = TPoint(0, 0);
  }
}

void TsAlphaHints::SetActive(bool v) {
  FActive = v;
  if (!v && !ComponentState().Contains(csDestroying)) HideAll();
  UpdateHWClass();
}

void TsAlphaHints::SetPauseHide(Integer v) {
  FPauseHide = v;
  if (!IsDesigning() && Tag() != ExceptTag && Application) Application->SetHintHidePause(v);
}

void TsAlphaHints::SetTemplateName(const String& v) {
  FTemplateName = v;
  FTemplateIndex = FTemplates->IndexOfName(v);
}

bool TsAlphaHints::Skinned() const {
  if (!Manager || !DefaultManager || !FUseSkinData || FSkinSection.empty() || !DefaultManager->IsActive()) return false;
  return DefaultManager->GetSkinIndex(FSkinSection) >= 0;
}

Integer TsAlphaHints::GetSkinIndex() {
  ShadowCalculated = false;
  if (!Skinned()) return -1;
  const Integer index = DefaultManager->GetSkinIndex(FSkinSection);
  ShadowCalculated = index >= 0 && DefaultManager->gd()[size_t(index)].OuterMode > 2;
  return index;
}

TkvHintTemplate* TsAlphaHints::CurrentTemplate() const {
  if (FTemplateIndex >= 0 && FTemplateIndex < FTemplates->Count()) return FTemplates->Items(FTemplateIndex);
  return DefaultTemplate();
}

void TsAlphaHints::InitTemplate() {
  Template = CurrentTemplate();
  Image = Template ? Template->ImageDefault() : nullptr;
  if (Template && FDefaultMousePos != mpLeftTop && !Template->SingleImageUsed()) {
    switch (FDefaultMousePos) {
      case mpLeftBottom: Image = Template->Img_LeftBottom(); break;
      case mpRightTop: Image = Template->Img_RightTop(); break;
      case mpRightBottom: Image = Template->Img_RightBottom(); break;
      default: break;
    }
  }
}

Integer TsAlphaHints::WidthLimit(TControl* window) const {
  if (FMaxWidth <= 0) return GetSystemMetrics(SM_CXSCREEN);
  return kvMulDiv(FMaxWidth, HintPPI(window), 96);
}

Integer HintPPI(TControl* window) { return CurrentPPI(DefaultManager, window, false); }

Integer SkinBorderWidth() { return DefaultManager ? DefaultManager->ScaleInt(4) : 4; }

void UpdateFontSize(TFont* font, bool customFont) {
  if (!font) return;
  const Integer base = customFont ? font->Height() : -12;  // 9 points at 96 PPI
  if (DefaultManager && DefaultManager->Options.ScaleMode != smVCL) {
    font->SetHeight(DefaultManager->ScaleInt(base));
    return;
  }
  TControl* at = Manager && Manager->HintTimeCtrl ? Manager->HintTimeCtrl
                 : Application                    ? Application->MainForm()
                                                  : nullptr;
  if (at) font->SetHeight(MulDiv(base, GetControlPPI(at), 96));
}

void TsAlphaHints::CheckAutoHintPos(TControl* control) {
  if (!FAutoAlignment) return;
  if (FHandleDisabledCtrls && HintTimeCtrl) control = HintTimeCtrl;
  if (!control) return;
  TRect r;
  if (auto* wc = dynamic_cast<TWinControl*>(control); wc && wc->HandleAllocated()) {
    RECT wr{};
    GetWindowRect(wc->WindowHandle(), &wr);
    r = TRect(wr.left, wr.top, wr.right, wr.bottom);
  } else {
    const TPoint origin = control->ClientToScreen(TPoint(0, 0));
    r = TRect(origin.X, origin.Y, origin.X + control->Width(), origin.Y + control->Height());
  }
  InitTemplate();
  TkvMousePosition corner = mpLeftTop;
  if (Template && Image == Template->Img_LeftBottom()) corner = mpLeftBottom;
  if (Template && Image == Template->Img_RightTop()) corner = mpRightTop;
  if (Template && Image == Template->Img_RightBottom()) corner = mpRightBottom;
  TPoint p(r.Left + r.Width() / 2, r.Bottom);
  if (Template && Image) {
    const TkvBordersSizes& sh = *Image->FShadowSizes;
    p = AutoHintPoint(r, Template->HintAlign() == haVertCenter, corner,
                      TRect(sh.Left(), sh.Top(), sh.Right(), sh.Bottom()),
                      TPoint(Image->OffsetHorz(), Image->OffsetVert()));
  }
  FHintLocation = p;
  FHintPos = p;
}

void TsAlphaHints::OnShowHintApp(String& hintStr, bool& canShow, THintInfo& hintInfo) {
  FOnOldShowHint.Call(hintStr, canShow, hintInfo);
  FHintPos = hintInfo.HintPos;
  if (FHandleDisabledCtrls && HintTimeCtrl && !HintTimeCtrl->Enabled()) hintInfo.HintControl = HintTimeCtrl;
  if (FAutoAlignment) {
    CurrentHintInfo = hintInfo;
    CheckAutoHintPos(hintInfo.HintControl);
    hintInfo.HintPos = FHintPos;
  }
  if (FOnShowHint) {
    ResetHintInfo();
    AskShowHint(hintStr, canShow, hintInfo);
  }
  CurrentHintInfo = hintInfo;
  FHintPos = hintInfo.HintPos;
}

void TsAlphaHints::AskShowHint(String& hintStr, bool& canShow, THintInfo& hintInfo) {
  TFrame* frame = HintFrame.get();
  FOnShowHint(hintStr, canShow, frame, hintInfo);
  if (frame == HintFrame.get()) return;
  HintFrame.reset(frame);
  if (frame && DefaultManager) DefaultManager->UpdateScale(frame, 96, 0);
}

void TsAlphaHints::MakeHintWindow() {
  if (HintWindow && HintWindowHandle && !IsWindow(HintWindowHandle)) {
    delete HintWindow;  // destroyed from outside: made again
    HintWindow = nullptr;
  }
  if (!HintWindow) {
    HintWindow = new TkvPngHintWindow(this);
    HintWindow->AfterConstruction();
    HintWindowHandle = HintWindow->Handle();
  }
}

void TsAlphaHints::StopShowAnimation() {
  // A running show animation ends where it stands: its new picture window becomes the shown one.
  if (ShowTimer && ShowTimer->Enabled()) {
    AnimWindow = std::move(NewWindow);
    ShowTimer.reset();
  }
}

void TsAlphaHints::ShowAtLocation(TControl* control, const String& hintText, Integer hideTime) {
  String text = hintText;
  TRect r = HintWindow->CalcHintRect(WidthLimit(HintWindow), text, nullptr);
  if (FOnShowHint) {
    bool canShow = true;
    THintInfo info;
    info.HintControl = control;
    info.HintPos = FHintLocation;
    info.HintStr = text;
    ResetHintInfo();
    AskShowHint(text, canShow, info);
    CurrentHintInfo = info;
    FHintLocation = info.HintPos;
    if (!canShow) return;  // the handler forbade it
    if (text != hintText || HintFrame) r = HintWindow->CalcHintRect(WidthLimit(HintWindow), text, nullptr);
  }
  HintWindow->ActivateHint(OffsRect(r, FHintLocation.X, FHintLocation.Y), text);
  FHintLocation = TPoint(0, 0);
  StartHideTimer(hideTime);
}

void TsAlphaHints::ShowHint(TPoint position, const String& hintText, Integer hideTime) {
  if (HintCreating) return;
  auto creating = SetForScope(HintCreating, true, false);
  StopShowAnimation();
  TControl* under = CtrlUnderMouse();
  if (HintTimeCtrl != under) {
    HideAll();
    HintTimeCtrl = under;
    if (under) under->FreeNotification(this);
  }
  MakeHintWindow();
  FHintLocation = position;
  ShowAtLocation(nullptr, hintText, hideTime);
}

void TsAlphaHints::ShowHint(TControl* control, const String& hintText, Integer hideTime) {
  if (HintCreating || !control) return;
  auto creating = SetForScope(HintCreating, true, false);
  StopShowAnimation();
  HintTimeCtrl = control;
  control->FreeNotification(this);
  MakeHintWindow();
  const TPoint origin = control->ClientToScreen(TPoint(0, 0));
  FHintLocation = TPoint(origin.X + control->Width() / 2, origin.Y + control->Height() / 3);
  CheckAutoHintPos(control);
  ShowAtLocation(control, hintText, hideTime);
}

void TsAlphaHints::ShowHint(const TkvShowHintData& data, Integer hideTime) {
  if (HintCreating) return;
  auto creating = SetForScope(HintCreating, true, false);
  StopShowAnimation();
  HintTimeCtrl = data.Control ? data.Control : CtrlUnderMouse();
  if (HintTimeCtrl) HintTimeCtrl->FreeNotification(this);
  TmpShowData = data;
  TScopeExit cleared([this] { TmpShowData = TkvShowHintData{}; });
  MakeHintWindow();
  TPoint origin = data.Position;
  if (data.Control) {
    // A record naming a control is shown at that control (as the control form of ShowHint
    // does), not at the screen's corner.
    const TPoint p = data.Control->ClientToScreen(TPoint(0, 0));
    origin = TPoint(p.X + data.Control->Width() / 2, p.Y + data.Control->Height() / 3);
    FHintLocation = origin;
    CheckAutoHintPos(data.Control);
    origin = FHintLocation;
    TmpShowData.Position = origin;
  }
  FHintLocation = origin;
  if (auto* window = dynamic_cast<TkvCustomHintWindow*>(HintWindow)) window->FMousePos = FDefaultMousePos;
  ShowAtLocation(data.Control, String(), hideTime);
}

void TsAlphaHints::HideHint() {
  HintFrame.reset();
  // The window object goes whether or not its window was destroyed from outside.
  delete std::exchange(HintWindow, nullptr);
  HintWindowHandle = nullptr;
  if (!(FHandleDisabledCtrls && (!HintTimeCtrl || !HintTimeCtrl->Enabled()))) HintTimeCtrl = nullptr;
}

void TsAlphaHints::RepaintHint() {
  auto* window = dynamic_cast<TkvCustomHintWindow*>(HintWindow);
  if (!window || !HintShowing) return;
  String text = window->Text;
  if (FOnShowHint) {
    bool canShow = true;  // what the handler answers here is not asked: the hint is up already
    THintInfo info = CurrentHintInfo;
    AskShowHint(text, canShow, info);
    CurrentHintInfo = info;
    window->Text = text;
  }
  NewWindow.reset();
  TRect r = window->CalcHintRect(WidthLimit(window), text, nullptr);
  const TPoint point = FHintPos.X != -1 ? FHintPos : kvMousePos();
  r = OffsRect(r, point.X, point.Y);
  HMONITOR monitor = MonitorFromPoint(POINT{point.X, point.Y}, MONITOR_DEFAULTTONEAREST);
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  TkvHintPlace place{TPoint(r.Left, r.Top), FDefaultMousePos};
  if (monitor && GetMonitorInfoW(monitor, &mi)) {
    const TRect area(mi.rcMonitor.left, mi.rcMonitor.top, mi.rcMonitor.right, mi.rcMonitor.bottom);
    const TkvHintLook look = window->SkinIndex >= 0                                       ? TkvHintLook::Skinned
                             : CurrentTemplate() && !CurrentTemplate()->SingleImageUsed() ? TkvHintLook::FourImages
                                                                                          : TkvHintLook::SingleImage;
    place = PlaceHint(r, TRect(0, 0, 0, 0), mpLeftTop, &area, look);
    if (place.MousePos == mpLeftTop) place.MousePos = FDefaultMousePos;
  }
  window->FMousePos = place.MousePos;
  NewBounds = TRect(place.TopLeft.X, place.TopLeft.Y, place.TopLeft.X + r.Width(), place.TopLeft.Y + r.Height());
  window->UpdateWnd(r.Width(), r.Height());
}

void TsAlphaHints::HideAll() {
  ResetHintInfo();
  HideHint();
  AnimWindow.reset();
  NewWindow.reset();
}

void TsAlphaHints::ResetHintInfo() {
  if (!Manager || IsLoading() || IsDesigning()) return;
  TmpShowData.Control = nullptr;
  CurrentHintInfo.HintControl = nullptr;
  HintFrame.reset();
  HintShowing = false;
}

void TsAlphaHints::StartHideTimer(Integer hideTime) {
  if (!HideTimer) HideTimer = TkvThreadedTimer::CreateOwned(this, false);
  HideTimer->SetEnabled(false);
  HideTimer->SetInterval(Cardinal(hideTime ? hideTime : kCheckInterval));
  HideTimer->SetOnTimer(hideTime ? TNotifyEvent(this, &TsAlphaHints::OnHideTimer)
                                 : TNotifyEvent(this, &TsAlphaHints::OnCtrlTimer));
  HideTimer->SetEnabled(true);
}

void TsAlphaHints::StartCheckTimer() {
  CheckTimer.reset(TkvThreadedTimer::CreateOwned(nullptr, false));
  CheckTimer->SetInterval(Cardinal((Application ? Application->HintShortPause() : 50) + kCheckInterval));
  CheckTimer->SetOnTimer(TNotifyEvent(this, &TsAlphaHints::OnCheckTimer));
  CheckTimer->SetEnabled(true);
}

void TsAlphaHints::KillTimer() {
  if (ShowTimer) ShowTimer.reset();
}

void TsAlphaHints::OnHideTimer(TObject*) {
  HideHint();
  if (HideTimer) HideTimer->SetEnabled(false);
  HideAll();
}

void TsAlphaHints::OnCtrlTimer(TObject*) {
  if (HintTimeCtrl && CtrlUnderMouse() == HintTimeCtrl) return;
  if (HideTimer) HideTimer->SetEnabled(false);
  HideAll();
  HintTimeCtrl = nullptr;
}

void TsAlphaHints::OnCheckTimer(TObject*) {
  if (Manager &&
      (!HintWindow || !HintWindow->HandleAllocated() || !IsWindowVisible(HintWindow->WindowHandle()) || !HintShowing)) {
    Blend = 0;
    AnimWindow.reset();
    NewWindow.reset();
    OldAlphaBmp.reset();
    if (FOldHintPause && Application) {
      Application->SetHintPause(FOldHintPause);
      FOldHintPause = 0;
    }
  }
  if (CheckTimer) CheckTimer->SetEnabled(false);
}

void TsAlphaHints::CreateHintBmp(const String& hintText, TFont* font, TRect& rect, TBitmap*& resultBmp) {
  const TRect savedBounds = NewBounds;
  const TPoint savedLocation = FHintLocation, savedPos = FHintPos;
  TScopeExit restore([&] {
    NewBounds = savedBounds;
    FHintLocation = savedLocation;
    FHintPos = savedPos;
    CustomFont = nullptr;
  });
  auto* window = new TkvTrackHintWindow(this);
  window->AfterConstruction();
  window->SetCaption(hintText);
  CustomFont = font;
  const TRect r = window->CalcHintRect(WidthLimit(window), hintText, nullptr);
  FCacheBmp->SetSize(r.Width(), r.Height());
  window->Text = hintText;
  NewBounds = r;
  window->CreateAlphaBmp(r.Width(), r.Height());
  resultBmp = window->AlphaBmp.release();
  rect = window->ShadowSizes();
}

void TsAlphaHints::SaveToStream(TStream& stream) {
  Template = CurrentTemplate();
  stream.SetSize(0);
  if (Template) WriteHintTemplate(*Template, stream);
}

void TsAlphaHints::SaveToFile(const String& fileName) {
  if (TkvHintTemplate* tpl = CurrentTemplate()) SaveHintTemplateToFile(*tpl, fileName);
}

TkvHintTemplate* TsAlphaHints::LoadFromStream(TStream& stream) {
  return LoadHintTemplateFromStream(*FTemplates, stream);
}

TkvHintTemplate* TsAlphaHints::LoadFromFile(const String& fileName) {
  return LoadHintTemplateFromFile(*FTemplates, fileName);
}

// ---- hint windows ---------------------------------------------------------------------------

TW_DEFINE_CLASS(TkvCustomHintWindow) {}
TW_DEFINE_CLASS(TkvPngHintWindow) {}
TW_DEFINE_CLASS(TkvTrackHintWindow) {}

TkvCustomHintWindow::TkvCustomHintWindow(TComponent* owner) : THintWindow(owner) {}

TkvCustomHintWindow::~TkvCustomHintWindow() {
  if (kvHintWindow == this) kvHintWindow = nullptr;
  // A hint frame whose windows live in this window goes before them.
  if (Manager && Manager->HintFrame && HandleAllocated() && Manager->HintFrame->ParentWindow() == WindowHandle())
    Manager->HintFrame.reset();
  if (Manager && !IsTrackWindow) {
    // The visible picture leaves the screen with its hint window.
    if (AlphaBmp) Manager->OldAlphaBmp = std::move(AlphaBmp);
    Manager->AnimWindow.reset();
    Manager->HintShowing = false;
    Manager->FOnHideHint.Call(Manager);
  }
}

void TkvCustomHintWindow::CreateParams(TCreateParams& params) {
  THintWindow::CreateParams(params);
  params.Style &= ~Cardinal(WS_BORDER);
  // The window itself shows nothing (its picture window does): a system shadow under it would
  // be the shadow of an empty rectangle.
  params.ClassStyle &= ~Cardinal(CS_DROPSHADOW);
}

void TkvCustomHintWindow::WndProc(TMessage& m) {
  if (m.Msg == SM_ALPHACMD && ((m.WParam >> 16) & 0xFFFF) == KV_CTRLHANDLED) {
    m.Result = 1;
    return;
  }
  if (m.Msg == SM_ALPHACMD && ((m.WParam >> 16) & 0xFFFF) == KV_GETBG && m.LParam) {
    auto* info = reinterpret_cast<TkvBGInfo*>(m.LParam);
    if (BodyBmp) {
      info->Bmp = BodyBmp.get();
      info->Offset = TPoint(0, 0);
      info->BgType = btCache;
    } else {
      info->Color = ColorToRGB(Color());
      info->BgType = btFill;
    }
    return;
  }
  if (m.Msg == SM_ALPHACMD && ((m.WParam >> 16) & 0xFFFF) == KV_CHILDCHANGED) m.LParam = 1;
  if (m.Msg == WM_ERASEBKGND) {
    m.Result = 1;
    return;
  }
  if (m.Msg == WM_NCPAINT && Manager && SkinIndex >= 0) {
    PrepareMask(Width(), Height());
    m.Result = 1;
    return;
  }
  THintWindow::WndProc(m);
  if ((m.Msg == WM_MOVE || m.Msg == WM_SIZE) && Manager && Manager->State != hsInit && Manager->AnimWindow)
    FollowWithPicture();
  if (m.Msg == WM_SHOWWINDOW && Manager && !IsTrackWindow) {
    if (m.WParam) {
      kvHintWindow = this;
    } else {
      // A show animation still running would bring the hidden hint's picture back.
      if (Manager->ShowTimer) {
        Manager->ShowTimer->SetEnabled(false);
        Manager->ResetHintInfo();
      }
      if (kvHintWindow == this) kvHintWindow = nullptr;
      Manager->FOnHideHint.Call(Manager);
      Manager->StartCheckTimer();
    }
  }
}

// The picture window keeps its size and goes where this window went; activation places it itself.
void TkvCustomHintWindow::FollowWithPicture() {
  if (!HandleAllocated()) return;
  TsAlphaHints& m = *Manager;
  RECT own{};
  GetWindowRect(WindowHandle(), &own);
  HWND picture = m.AnimWindow->Handle();
  SetWindowPos(picture, nullptr, own.left, own.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT placed{};
  GetWindowRect(picture, &placed);
  m.NewBounds = TRect(placed.left, placed.top, placed.right, placed.bottom);
}

Integer TkvCustomHintWindow::SkinMargin(Integer side) const {
  if (SkinIndex < 0 || !DefaultManager) return 0;
  const TsGeneralData& g = DefaultManager->gd()[size_t(SkinIndex)];
  Integer margin = 0;
  if (g.BorderIndex >= 0) {
    const TsMaskData& md = DefaultManager->ma()[size_t(g.BorderIndex)];
    const Integer widths[4] = {md.WL, md.WT, md.WR, md.WB};
    margin = widths[side & 3];
  }
  if (Manager && Manager->ShadowCalculated) {
    // The section's own shadow lies outside its border.
    const TRect& o = g.OuterOffset;
    const Integer offsets[4] = {o.Left, o.Top, o.Right, o.Bottom};
    margin += offsets[side & 3];
  }
  return margin;
}

TRect TkvCustomHintWindow::ShadowSizes() const {
  if (!Manager) return TRect(0, 0, 0, 0);
  if (SkinIndex < 0) {
    TkvHintTemplate* tpl = Manager->CurrentTemplate();
    TkvHintImage* img = tpl ? tpl->ImageDefault() : nullptr;
    if (tpl && !tpl->SingleImageUsed()) {
      switch (FMousePos) {
        case mpLeftBottom: img = tpl->Img_LeftBottom(); break;
        case mpRightTop: img = tpl->Img_RightTop(); break;
        case mpRightBottom: img = tpl->Img_RightBottom(); break;
        default: break;
      }
    }
    if (!img) return TRect(0, 0, 0, 0);
    return TRect(img->FShadowSizes->Left(), img->FShadowSizes->Top(), img->FShadowSizes->Right(),
                 img->FShadowSizes->Bottom());
  }
  if (FullLayer())
    return TRect(std::max(0, SkinMargin(0) - 1), std::max(0, SkinMargin(1) - 1), std::max(0, SkinMargin(2) - 1),
                 std::max(0, SkinMargin(3) - 1));
  return TRect(0, 0, 0, 0);
}

bool TkvCustomHintWindow::FullLayer() const {
  if (SkinIndex < 0) return true;
  if (!kvLayered() || !DefaultManager) return false;
  const TsGeneralData& g = DefaultManager->gd()[size_t(SkinIndex)];
  return (g.Props[0].Transparency == 100 && g.BorderIndex >= 0) || g.OuterMode > 2;
}

TFont* TkvCustomHintWindow::MeasuringFont() {
  if (Manager->CustomFont) return Manager->CustomFont;
  if (!FMeasureFont) FMeasureFont = std::make_unique<TFont>();
  // At the density of the hint: the skin's hints in the standard size, a template's in its own.
  if (SkinIndex >= 0 && Screen) {
    FMeasureFont->Assign(Screen->HintFont());
    UpdateFontSize(FMeasureFont.get(), false);
  } else if (TkvHintTemplate* tpl = Manager->CurrentTemplate()) {
    FMeasureFont->Assign(tpl->Font());
    UpdateFontSize(FMeasureFont.get(), true);
  }
  return FMeasureFont.get();
}

TRect TkvCustomHintWindow::CalcHintRect(Integer, const String& hint, void* data) {
  if (!Manager) return THintWindow::CalcHintRect(800, hint, data);
  SkinIndex = Manager->GetSkinIndex();
  TRect r;
  const TkvShowHintData& request = Manager->TmpShowData;
  if (request.Width > 0) {
    // A record's content has its own size: neither measured nor offered to OnMeasure.
    r = TRect(0, 0, request.Width, request.Height);
  } else if (TFrame* frame = Manager->HintFrame.get()) {
    r = TRect(0, 0, frame->Width(), frame->Height());
  } else {
    const Integer limit = Manager->WidthLimit(this);
    r = TRect(0, 0, limit, 0);
    TCanvas* c = Manager->FCacheBmp->Canvas();
    c->Font()->Assign(MeasuringFont());
    if (Manager->HTMLMode())
      r = HtmlText(c, MeasuringFont(), c->Font()->Color(), hint, Manager->TextAlignment(), BiDiMode(), r, true,
                   DefaultManager);
    else
      kvDrawText(c->Handle(), hint, r,
                 DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK | DT_VCENTER | kvAlignmentArray[Manager->TextAlignment()]);
  }
  if (request.Width <= 0 && Manager->FOnMeasure) {
    Integer w = r.Width(), h = r.Height();
    Manager->FOnMeasure(hint, Manager->CurrentHintInfo, w, h);
    r = TRect(0, 0, w, h);
  }
  if (SkinIndex >= 0) {
    const Integer border = SkinBorderWidth();
    r.Right += SkinMargin(0) + SkinMargin(2) + 2 * border;
    r.Bottom += SkinMargin(1) + SkinMargin(3) + 2 * border;
  }
  return r;
}

TkvHintPlace TkvCustomHintWindow::ArrowPos(const TRect& rect, TPoint point) {
  HMONITOR monitor = MonitorFromPoint(POINT{point.X, point.Y}, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  TRect area;
  const bool known = monitor && GetMonitorInfoW(monitor, &info);
  if (known) area = TRect(info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom);
  TkvHintLook look = TkvHintLook::Skinned;
  if (SkinIndex < 0) {
    TkvHintTemplate* tpl = Manager->CurrentTemplate();
    look = tpl && !tpl->SingleImageUsed() ? TkvHintLook::FourImages : TkvHintLook::SingleImage;
  }
  return PlaceHint(rect, ShadowSizes(), Manager->DefaultMousePos(), known ? &area : nullptr, look);
}

void TkvCustomHintWindow::ActivateHint(TRect rect, const String& hint) {
  if (!Manager) return;
  TsAlphaHints& m = *Manager;
  m.State = hsInit;
  TScopeExit normal([&] { m.State = hsNormal; });
  m.CheckTimer.reset();
  m.HintShowing = true;
  if (m.AnimWindow) {
    RECT wr{};
    GetWindowRect(m.AnimWindow->Handle(), &wr);
    if (wr.right - wr.left == 0 || (wr.left == 0 && wr.top == 0)) m.AnimWindow.reset();
  }
  m.KillTimer();
  Text = hint;
  const TPoint p = m.FHintLocation.X != 0 && m.FHintLocation.Y != 0 ? m.FHintLocation : TPoint(rect.Left, rect.Top);
  const Integer w = rect.Width(), h = rect.Height();
  const TRect shadow = ShadowSizes();
  rect = TRect(p.X - shadow.Left, p.Y - shadow.Top, p.X - shadow.Left + w, p.Y - shadow.Top + h);
  if (HandleAllocated() || !IsTrackWindow) {
    HWND wnd = Handle();
    SetWindowLongW(wnd, GWL_EXSTYLE, GetWindowLongW(wnd, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_NOACTIVATE);
    SetWindowPos(wnd, HWND_TOPMOST, rect.Left, rect.Top, w, h, SWP_NOACTIVATE);
    if (const DWORD style = GetClassLongW(wnd, GCL_STYLE); style & CS_DROPSHADOW)
      SetClassLongW(wnd, GCL_STYLE, style & ~CS_DROPSHADOW);
    ShowWindow(wnd, SW_SHOWNOACTIVATE);
  }
  const TkvHintPlace place = ArrowPos(rect, p);
  FMousePos = place.MousePos;
  TPoint topLeft = place.TopLeft;
  // Above the mouse, an unskinned hint keeps clear of the cursor; an aligned one stands at its
  // control.
  if (SkinIndex < 0 && !m.AutoAlignment() && (FMousePos == mpLeftBottom || FMousePos == mpRightBottom)) topLeft.Y -= 16;
  rect = TRect(topLeft.X, topLeft.Y, topLeft.X + w, topLeft.Y + h);
  m.FCacheBmp->SetSize(w, h);
  m.NewBounds = rect;
  if (!m.AnimWindow) m.AnimWindow = CreateHintPictureWindow(this, rect);
  if (kvLayered()) {
    if (m.FAnimated) {
      m.ShowTimer.reset(TkvThreadedTimer::CreateOwned<TsShowTimer>(nullptr, false));
      m.ShowTimer->Init(this, w, h);
    } else {
      CreateAlphaBmp(w, h);
      SetFormBlendValue(m.AnimWindow->Handle(), AlphaBmp.get(), 255, nullptr);
      SetWindowPos(m.AnimWindow->Handle(), HWND_TOPMOST, rect.Left, rect.Top, w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
      m.OldAlphaBmp = CopyOf(AlphaBmp.get());
    }
  }
  m.FHintPos.X = -1;
  m.HintTimeCtrl = CtrlUnderMouse();
  m.StartHideTimer(0);
}

void TkvCustomHintWindow::UpdateWnd(Integer width, Integer height) {
  if (!Manager) return;
  TsAlphaHints& m = *Manager;
  if (!m.AnimWindow) m.AnimWindow = CreateHintPictureWindow(this, m.NewBounds);
  m.FCacheBmp->SetSize(width, height);
  CreateAlphaBmp(width, height);
  HWND wnd = m.AnimWindow->Handle();
  SetFormBlendValue(wnd, AlphaBmp.get(), 255, nullptr);
  SetWindowPos(wnd, HWND_TOPMOST, m.NewBounds.Left, m.NewBounds.Top, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  m.HintShowing = true;
  m.OldAlphaBmp = CopyOf(AlphaBmp.get());
}

TColor TkvCustomHintWindow::TextColor() {
  TColor color = MeasuringFont()->Color();
  if (SkinIndex >= 0 && DefaultManager && DefaultManager->IsValidSkinIndex(SkinIndex))
    color = TColor(DefaultManager->CommonSkinData(96)->gd[size_t(SkinIndex)].Props[0].FontColor.Color);
  return Integer(color) < 0 ? TColor(0) : color;  // a system colour becomes black
}

TRect TkvCustomHintWindow::TextRect(TBitmap* bmp) const {
  TRect r(0, 0, bmp->Width(), bmp->Height());
  if (SkinIndex >= 0) {
    const Integer border = SkinBorderWidth();
    return TRect(r.Left + SkinMargin(0) + border, r.Top + SkinMargin(1) + border, r.Right - SkinMargin(2) - border,
                 r.Bottom - SkinMargin(3) - border);
  }
  if (TkvHintImage* img = Manager->Image) {
    const TkvBordersSizes& c = *img->FClientMargins;
    return TRect(r.Left + c.Left(), r.Top + c.Top(), r.Right - c.Right(), r.Bottom - c.Bottom());
  }
  return r;
}

void TkvCustomHintWindow::DrawHintText(TBitmap* bmp) {
  TsAlphaHints& m = *Manager;
  const TRect r = TextRect(bmp);
  bmp->Canvas()->Font()->Assign(MeasuringFont());
  if (m.TmpShowData.Width > 0) return DrawRequest(bmp, r);
  if (m.FOnPaint) {
    bool defaultDraw = true;
    m.FOnPaint(Text.empty() ? Caption() : Text, m.CurrentHintInfo, defaultDraw, bmp, r);
    if (!defaultDraw) return;
  }
  if (m.HintFrame && !IsTrackWindow) return DrawHintFrame(bmp, r);
  DrawTextAt(bmp, Text, r, kvAlignmentArray[m.TextAlignment()]);
}

void TkvCustomHintWindow::DrawTextAt(TBitmap* bmp, const String& text, TRect r, Cardinal align) {
  TsAlphaHints& m = *Manager;
  TCanvas* canvas = bmp->Canvas();
  canvas->Font()->Assign(MeasuringFont());
  if (m.HTMLMode()) {
    THtmlAlpha alpha;
    alpha.AlphaChannel = true;  // the picture's alpha counts: every piece keeps it right
    alpha.Target = bmp;
    HtmlText(canvas, MeasuringFont(), TextColor(), text, m.TextAlignment(), BiDiMode(), r, false, DefaultManager,
             nullptr, -1, -1, alpha);
    return;
  }
  if (SkinIndex >= 0) {
    WriteText32(bmp, text, true, r, align | DT_NOCLIP | DT_EXPANDTABS | DT_WORDBREAK | DT_VCENTER, SkinIndex, 0,
                DefaultManager);
    return;
  }
  canvas->Font()->SetColor(TextColor());
  SetBkMode(canvas->Handle(), TRANSPARENT);
  kvDrawText(canvas->Handle(), text, r, align | DT_NOPREFIX | DT_WORDBREAK);
}

void TkvCustomHintWindow::DrawRequest(TBitmap* bmp, TRect r) {
  const TkvShowHintData& d = Manager->TmpShowData;
  if (TBitmap* img = d.Image; img && !img->Empty()) {
    const Integer iw = img->Width(), ih = img->Height();
    TPoint at;
    switch (d.ImageAlignment) {
      case asLeft:
        at = TPoint(r.Left, r.Top + (d.Height - ih) / 2);
        r.Left += iw + 4;
        break;
      case asTop:
        at = TPoint(r.Left + (d.Width - iw) / 2, r.Top);
        r.Top += ih + 4;
        break;
      case asRight:
        at = TPoint(r.Left + d.Width - iw, r.Top + (d.Height - ih) / 2);
        r.Right -= iw + 4;
        break;
      case asBottom:
        at = TPoint(r.Left + (d.Width - iw) / 2, r.Top + d.Height - ih);
        r.Bottom -= ih + 4;
        break;
    }
    const TRect dst(at.X, at.Y, at.X + iw, at.Y + ih);
    if (img->PixelFormat() == pf32bit)
      CopyBmp32(dst, TRect(0, 0, iw, ih), bmp, img, EmptyCI, false, clNone, 0, false);
    else
      BitBlt(bmp->Canvas()->Handle(), at.X, at.Y, iw, ih, img->Canvas()->Handle(), 0, 0, SRCCOPY);
  }
  if (d.Caption.empty() || r.Width() <= 0) return;
  // The caption is measured within the room left and centred in it.
  TRect t(0, 0, r.Width(), 0);
  TCanvas* canvas = bmp->Canvas();
  canvas->Font()->Assign(MeasuringFont());
  if (Manager->HTMLMode())
    t = HtmlText(canvas, MeasuringFont(), TextColor(), d.Caption, Manager->TextAlignment(), BiDiMode(), t, true,
                 DefaultManager);
  else
    kvDrawText(canvas->Handle(), d.Caption, t, DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK);
  t = OffsRect(t, r.Left + (r.Width() - t.Width()) / 2, r.Top + (r.Height() - t.Height()) / 2);
  DrawTextAt(bmp, d.Caption, t, kvAlignmentArray[Manager->TextAlignment()]);
}

bool TkvCustomHintWindow::AnswerFrameBackground(TMessage& m) {
  if (m.Msg != SM_ALPHACMD || ((m.WParam >> 16) & 0xFFFF) != KV_GETBG || !m.LParam) return false;
  auto* info = reinterpret_cast<TkvBGInfo*>(m.LParam);
  if (FramePicture) {
    // The frame's children take their background from the picture under the frame's place.
    info->Bmp = FramePicture;
    info->Offset = FrameOffset;
    info->BgType = btCache;
  } else {
    info->Color = ColorToRGB(Color());
    info->BgType = btFill;
  }
  return true;
}

void TkvCustomHintWindow::FrameWndProc(TMessage& m) {
  if (!AnswerFrameBackground(m) && OldFrameProc) OldFrameProc(m);
}

void TkvCustomHintWindow::FrameSkinDataProc(TMessage& m) {
  if (!AnswerFrameBackground(m) && OldSDProc) OldSDProc(m);
}

void TkvCustomHintWindow::DrawHintFrame(TBitmap* bmp, const TRect& r) {
  TFrame* frame = Manager->HintFrame.get();
  frame->SetBounds(r.Left, r.Top, frame->Width(), frame->Height());
  frame->Font()->SetColor(TextColor());
  // The children paint through windows of their own: a frame without a parent lives in this one.
  if (!frame->Parent() && !frame->ParentWindow()) frame->SetParentWindow(Handle());
  FramePicture = bmp;
  FrameOffset = TPoint(r.Left, r.Top);
  OldFrameProc = frame->WindowProc();
  frame->SetWindowProc(TWndMethod(this, &TkvCustomHintWindow::FrameWndProc));
  TsCommonData* sd = frame->HandleAllocated() ? GetCommonData(frame->WindowHandle()) : nullptr;
  if (sd) {
    OldSDProc = sd->WndProc;
    sd->WndProc = TWndMethod(this, &TkvCustomHintWindow::FrameSkinDataProc);
  }
  TScopeExit restore([&] {
    frame->SetWindowProc(OldFrameProc);
    if (sd) sd->WndProc = OldSDProc;
    FramePicture = nullptr;
  });
  HDC dc = bmp->Canvas()->Handle();
  for (Integer i = 0; i < frame->ControlCount(); ++i) {
    TControl* c = frame->Controls(i);
    if (!c->Visible()) continue;
    {
      TSaveDC saved(dc);
      POINT org{};
      GetWindowOrgEx(dc, &org);
      SetWindowOrgEx(dc, org.x - (r.Left + c->Left()), org.y - (r.Top + c->Top()), nullptr);
      IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
      c->Perform(WM_PAINT, reinterpret_cast<TWParam>(dc), 0);
    }
    FillAlphaRect(bmp, r, 255, clNone);  // GDI painting leaves no alpha
  }
}

void TkvCustomHintWindow::PrepareMask(Integer width, Integer height) {
  // The region goes with the old mask; the window keeps the one it was given.
  rgn = nullptr;
  MaskBmp.reset();
  if (AlphaUsed || SkinIndex < 0 || width <= 0 || height <= 0) return;
  MaskBmp.reset(CreateBmp32(width, height));
  if (DefaultManager && DefaultManager->IsActive()) {
    // Where the section's shape leaves the key colour is outside the hint.
    PaintItem(SkinIndex, EmptyCI, true, 0, TRect(0, 0, width, height), TPoint(0, 0), MaskBmp.get(),
              DefaultManager->CommonSkinData(96));
  } else {
    FillRect32(MaskBmp.get(), TRect(0, 0, width, height), 0, 255);
  }
  TPixelView v = MaskBmp->View();
  for (Integer y = 0; y < v.Height; ++y) {
    uint32_t* row = v.Row(y);
    for (Integer x = 0; x < v.Width; ++x) row[x] = (row[x] & 0xFFFFFF) == 0xFF00FF ? kMaskOutside : 0u;
  }
  if (IsTrackWindow || !HandleAllocated()) return;
  HRGN shape = nullptr;
  GetRgnFromBmp(shape, MaskBmp.get(), clWhite);
  if (shape && !SetWindowRgn(WindowHandle(), shape, FALSE))
    DeleteObject(shape);  // not taken: still ours
  else
    rgn = shape;  // the window owns it now
}

// The section's look when the picture carries its own alpha: its own shadow, or only its border
// image (transparency 100); both leave the picture's alpha as painted.
bool TkvCustomHintWindow::BodyHasOwnAlpha() const {
  const TsGeneralData& g = DefaultManager->gd()[size_t(SkinIndex)];
  return Manager->ShadowCalculated || (g.Props[0].Transparency == 100 && g.BorderIndex >= 0);
}

void TkvCustomHintWindow::PaintHint(TBitmap* body) {
  const Integer width = body->Width(), height = body->Height();
  const TRect whole(0, 0, width, height);
  TkvSkinData* skin = DefaultManager->CommonSkinData(96);
  const TsGeneralData& g = DefaultManager->gd()[size_t(SkinIndex)];
  const auto& images = DefaultManager->ma();
  const auto validImage = [&](Integer i) { return i >= 0 && size_t(i) < images.size(); };
  if (Manager->ShadowCalculated) {
    // The shadow round the whole picture, the section inside it.
    FillRect32(body, whole, 0, 0);
    const TRect o = g.OuterOffset;
    if (validImage(g.OuterMask)) {
      TRect margins = o;
      if (validImage(g.BorderIndex)) {
        const TsMaskData& border = images[size_t(g.BorderIndex)];
        margins = TRect(o.Left + border.WL, o.Top + border.WT, o.Right + border.WR, o.Bottom + border.WB);
      }
      DrawSkinRect32Ex(body, whole, EmptyCI, images[size_t(g.OuterMask)], 0, margins, g.OuterOpacity);
    }
    const TRect inner(std::clamp<Integer>(o.Left, 0, width), std::clamp<Integer>(o.Top, 0, height),
                      std::clamp<Integer>(width - o.Right, 0, width),
                      std::clamp<Integer>(height - o.Bottom, 0, height));
    if (inner.Width() > 0 && inner.Height() > 0)
      PaintItem(SkinIndex, EmptyCI, true, 0, inner, TPoint(0, 0), body, skin);
  } else if (g.Props[0].Transparency == 100 && validImage(g.BorderIndex)) {
    // Only the border image, as a nine-part picture with its own alpha.
    const TsMaskData& md = images[size_t(g.BorderIndex)];
    TBitmap* source = md.Bmp ? md.Bmp : md.Manager ? md.Manager->MasterBitmap.get() : nullptr;
    FillRect32(body, whole, 0, 0);
    if (source) {
      const Integer sideMode = (md.DrawMode & BDM_STRETCH) ? 1 : 0;
      PaintControlByTemplate(body, source, whole,
                             TRect(md.R.Left, md.R.Top, md.R.Left + md.Width, md.R.Top + md.Height),
                             TRect(md.WL, md.WT, md.WR, md.WB), TRect(width, height, width, height),
                             TRect(sideMode, sideMode, sideMode, sideMode), sideMode != 0, true);
    }
    UpdateAlpha(body);
  } else {
    PaintItem(SkinIndex, EmptyCI, true, 0, whole, TPoint(0, 0), body, skin);
  }
}

void TkvCustomHintWindow::CreateAlphaBmp(Integer width, Integer height) {
  AlphaBmp.reset(CreateBmp32(width, height));
  if (!Manager || SkinIndex < 0 || !DefaultManager) return;
  const TsGeneralData& g = DefaultManager->gd()[size_t(SkinIndex)];
  AlphaUsed = g.BorderIndex >= 0 && (DefaultManager->ma()[size_t(g.BorderIndex)].DrawMode & BDM_ALPHA) != 0;
  PrepareMask(width, height);
  // The body: the skin's hint section, with the text on it.
  BodyBmp.reset(CreateBmp32(width, height));
  TScopeExit bodyGone([this] { BodyBmp.reset(); });
  PaintHint(BodyBmp.get());
  DrawHintText(BodyBmp.get());
  if (BodyHasOwnAlpha()) {
    CopyBmp(AlphaBmp.get(), BodyBmp.get());
    return;
  }
  // Opaque where the body is; clear outside the shape and on key-coloured pixels.
  TPixelView body = BodyBmp->View(), out = AlphaBmp->View();
  const TPixelView mask = MaskBmp ? MaskBmp->View() : TPixelView{};
  for (Integer y = 0; y < out.Height; ++y)
    for (Integer x = 0; x < out.Width; ++x) {
      const uint32_t px = body.Row(y)[x];
      const bool outside = !mask.Empty() && mask.Row(y)[x] == kMaskOutside;
      out.Row(y)[x] = outside || (px & 0xFFFFFF) == 0xFF00FF ? 0 : (px | 0xFF000000u);
    }
}

void TkvPngHintWindow::UpdateImageTemplate() {
  TsAlphaHints& m = *Manager;
  TkvHintTemplate* tpl = m.CurrentTemplate();
  if (!tpl) return;
  TkvHintImage* img = nullptr;
  switch (FMousePos) {
    case mpLeftBottom: img = tpl->Img_LeftBottom(); break;
    case mpRightTop: img = tpl->Img_RightTop(); break;
    case mpRightBottom: img = tpl->Img_RightBottom(); break;
    default: return;
  }
  if (img->Image()->Empty() && img->HasImageData()) img->StreamChanged();
  if (!img->Image()->Empty()) m.Image = img;
}

TRect TkvPngHintWindow::CalcHintRect(Integer maxWidth, const String& hint, void* data) {
  if (!Manager) return THintWindow::CalcHintRect(maxWidth, hint, data);
  TsAlphaHints& m = *Manager;
  SkinIndex = m.GetSkinIndex();
  if (SkinIndex >= 0) return TkvCustomHintWindow::CalcHintRect(maxWidth, hint, data);
  m.InitTemplate();
  TRect r = TkvCustomHintWindow::CalcHintRect(maxWidth, hint, data);
  if (!m.Image) return r;
  auto grow = [&](TkvHintImage* img) {
    const TkvBordersSizes& c = *img->FClientMargins;
    return TRect(0, 0, r.Width() + c.Left() + c.Right(), r.Height() + c.Top() + c.Bottom());
  };
  // A record's content is placed where the record says, in the default corner's picture.
  if (m.TmpShowData.Width > 0 || m.TmpShowData.Control) {
    UpdateImageTemplate();
    return grow(m.Image);
  }
  TRect whole = grow(m.Image);
  // The point decides which picture (and so which margins) the hint takes.
  TPoint point = m.FHintLocation.X != 0 && m.FHintLocation.Y != 0 ? m.FHintLocation
                 : m.FHintPos.X != -1                             ? m.FHintPos
                                                                  : kvMousePos();
  const TRect shadow = ShadowSizes();
  const TkvHintPlace place = ArrowPos(OffsRect(whole, point.X - shadow.Left, point.Y - shadow.Top), point);
  FMousePos = place.MousePos;
  UpdateImageTemplate();
  return grow(m.Image);
}

void TkvPngHintWindow::CreateAlphaBmp(Integer width, Integer height) {
  if (!Manager) return;
  if (SkinIndex >= 0) return TkvCustomHintWindow::CreateAlphaBmp(width, height);
  TsAlphaHints& m = *Manager;
  if (!IsTrackWindow && HandleAllocated()) SetWindowRgn(WindowHandle(), nullptr, FALSE);
  AlphaBmp.reset(CreateBmp32(width, height));
  if (!m.Image) m.InitTemplate();
  if (FMousePos != m.DefaultMousePos()) UpdateImageTemplate();
  TkvHintImage* img = m.Image;
  if (img) {
    if (img->Image()->Empty() && img->HasImageData()) img->StreamChanged();
    TBitmap* pic = img->Image();
    if (!pic->Empty()) {
      const TkvBordersSizes& b = *img->FBordersWidths;
      const TkvBorderDrawModes& d = *img->FBorderDrawModes;
      PaintControlByTemplate(AlphaBmp.get(), pic, TRect(0, 0, width, height), TRect(0, 0, pic->Width(), pic->Height()),
                             TRect(b.Left(), b.Top(), b.Right(), b.Bottom()), TRect(width, height, width, height),
                             TRect(d.FLeft, d.FTop, d.FRight, d.FBottom), d.FCenter == dmStretch, true);
    }
  }
  // The text must not change the picture's opacity: its alpha channel is taken back after.
  std::unique_ptr<TBitmap> kept = CopyOf(AlphaBmp.get());
  DrawHintText(AlphaBmp.get());
  CopyChannel32(AlphaBmp.get(), kept.get(), 3);
  UpdateAlpha(AlphaBmp.get());
}

// ---- picture windows and the show animation --------------------------------------------------

TW_DEFINE_CLASS(TkvHintPictureForm) {}
TW_DEFINE_CLASS(TkvShadowedHintPictureForm) {}

void TkvHintPictureForm::CreateParams(TCreateParams& params) {
  TkvGlowForm::CreateParams(params);
  if (SystemShadow())
    params.ClassStyle |= CS_DROPSHADOW;
  else
    params.ClassStyle &= ~Cardinal(CS_DROPSHADOW);
}

void TkvHintPictureForm::CreateWnd() {
  TkvGlowForm::CreateWnd();  // which takes the shadow off the class
  if (!HandleAllocated() || !SystemShadow()) return;
  HWND h = WindowHandle();
  const DWORD style = GetClassLongW(h, GCL_STYLE);
  if (!(style & CS_DROPSHADOW)) SetClassLongW(h, GCL_STYLE, style | CS_DROPSHADOW);
}

namespace {

bool WantsSystemShadow(TkvCustomHintWindow* hintWindow) { return !(hintWindow && hintWindow->FullLayer()); }

}  // namespace

bool PictureWindowMismatch(TkvGlowForm* window, TkvCustomHintWindow* hintWindow) {
  if (!window || !window->HandleAllocated()) return false;
  const bool casts = GetClassLongW(window->WindowHandle(), GCL_STYLE) & CS_DROPSHADOW;
  return casts != WantsSystemShadow(hintWindow);
}

std::unique_ptr<TkvGlowForm> CreateHintPictureWindow(TkvCustomHintWindow* hintWindow, const TRect& rect) {
  std::unique_ptr<TkvGlowForm> form;
  if (WantsSystemShadow(hintWindow))
    form = std::make_unique<TkvShadowedHintPictureForm>(nullptr);
  else
    form = std::make_unique<TkvHintPictureForm>(nullptr);
  form->AfterConstruction();
  HWND wnd = form->Handle();
  SetWindowLongW(
      wnd, GWL_EXSTYLE,
      GetWindowLongW(wnd, GWL_EXSTYLE) | WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST);
  SetWindowPos(wnd, HWND_TOPMOST, rect.Left, rect.Top, rect.Width(), rect.Height(), SWP_NOACTIVATE);
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  return form;
}

TW_DEFINE_CLASS(TsShowTimer) {}

void TsShowTimer::Init(TkvCustomHintWindow* hintForm, Integer width, Integer height) {
  TsAlphaHints& m = *Manager;
  SetInterval(12);
  SetOnTimer(TNotifyEvent(this, &TsShowTimer::IntOnTimer));
  Step = 0;
  StepCount = 20;
  CurrentHintForm = hintForm;
  Transparency = 0;
  if (hintForm->SkinIndex >= 0 && DefaultManager) {
    const Integer t = DefaultManager->gd()[size_t(hintForm->SkinIndex)].Props[0].Transparency;
    Transparency = t > 99 ? 0 : std::max(0, t * 255 / 100);
  }
  hintForm->CreateAlphaBmp(width, height);
  StepB = (255.0 - Transparency) / StepCount;
  RECT wr{};
  GetWindowRect(m.AnimWindow->Handle(), &wr);
  SrcRect = TRect(wr.left, wr.top, wr.right, wr.bottom);
  dx = (m.NewBounds.Left - SrcRect.Left) / 5.0;
  dy = (m.NewBounds.Top - SrcRect.Top) / 5.0;
  x = SrcRect.Left;
  y = SrcRect.Top;
  SetEnabled(true);
  if (!m.FOldHintPause && Application) {
    m.FOldHintPause = Application->HintPause();
    Application->SetHintPause(100);  // the next hint follows quickly; the clean-up gives it back
  }
}

void TsShowTimer::IntOnTimer(TObject*) {
  if (!Manager || !Manager->AnimWindow || !CurrentHintForm || !CurrentHintForm->AlphaBmp) return;
  TsAlphaHints& m = *Manager;
  TBitmap* pic = CurrentHintForm->AlphaBmp.get();
  if (Step < StepCount && m.Blend <= 255 - Transparency - StepB) {
    ++Step;
    m.Blend += StepB;
    if (dx == 0 && dy == 0) {
      SetFormBlendValue(m.AnimWindow->Handle(), pic, Integer(std::lround(m.Blend)), nullptr);
      ShowWindow(m.AnimWindow->Handle(), SW_SHOWNOACTIVATE);
      return;
    }
    x += dx;
    y += dy;
    dx = (m.NewBounds.Left - x) / 5.0;
    dy = (m.NewBounds.Top - y) / 5.0;
    // A window left from another look would cast the wrong shadow under this picture.
    if (PictureWindowMismatch(m.NewWindow.get(), CurrentHintForm)) m.NewWindow.reset();
    if (!m.NewWindow) m.NewWindow = CreateHintPictureWindow(CurrentHintForm, SrcRect);
    if (!m.OldAlphaBmp) m.OldAlphaBmp.reset(CreateBmp32(0, 0));
    TPoint pos(Integer(std::lround(x)), Integer(std::lround(y)));
    if (!m.OldAlphaBmp->Empty())
      SetFormBlendValue(m.AnimWindow->Handle(), m.OldAlphaBmp.get(), 255 - Integer(m.Blend), &pos);
    SetFormBlendValue(m.NewWindow->Handle(), pic, Integer(std::lround(m.Blend)), &pos);
    SetWindowPos(m.NewWindow->Handle(), m.AnimWindow->Handle(), pos.X, pos.Y, pic->Width(), pic->Height(),
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    return;
  }
  SetEnabled(false);
  if (m.NewWindow) m.AnimWindow = std::move(m.NewWindow);
  SetFormBlendValue(m.AnimWindow->Handle(), pic, 255 - Transparency, nullptr);
  SetWindowPos(m.AnimWindow->Handle(), HWND_TOPMOST, m.NewBounds.Left, m.NewBounds.Top, m.NewBounds.Width(),
               m.NewBounds.Height(), SWP_NOACTIVATE | SWP_SHOWWINDOW);
  m.Blend = 0;
  m.OldAlphaBmp = CopyOf(pic);
}

// ---- the hint services of the skin layer ------------------------------------------------------

namespace {

class THintServices : public TkvHintServices {
 public:
  bool ShowDisabledHints(TWinControl* container, Integer x, Integer y) override {
    if (!Manager || !Manager->HandleDisabledCtrls() || !container) return false;
    for (Integer i = container->ControlCount() - 1; i >= 0; --i) {
      TControl* c = container->Controls(i);
      if (c->Enabled() || !c->Visible() || !c->ShowHint() || c->Hint().empty()) continue;
      if (!c->BoundsRect().Contains(TPoint(x, y))) continue;
      if (Manager->HintTimeCtrl == c) return true;
      Manager->ShowHint(kvMousePos(), GetShortHint(c->Hint()), Application ? Application->HintHidePause() : 0);
      Manager->HintTimeCtrl = c;
      return true;
    }
    return false;
  }
  void ForgetDisabledHint(TObject* control) override {
    if (Manager && Manager->HintTimeCtrl == control) Manager->HintTimeCtrl = nullptr;
  }
  THintWindow* ShowHintAt(const String& text, const TPoint& position) override {
    if (!Manager || text.empty()) return nullptr;
    Manager->ShowHint(position, text, Application ? Application->HintHidePause() : 0);
    return Manager->HintWindow;
  }
};

THintServices hintServices;

}  // namespace

void kvAlphaHintsServicesStartup() { TkvServiceSlot<TkvHintServices>::Set(&hintServices); }

void kvAlphaHintsServicesCleanup() {
  if (TkvServiceSlot<TkvHintServices>::Get() == &hintServices) TkvServiceSlot<TkvHintServices>::Set(nullptr);
}
