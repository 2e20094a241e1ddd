// The skin provider: model and lifecycle, the window procedure and the skin commands.
#include "forms/sSkinProvider.h"
#include "controls/sSkinMenus.h"

#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "forms/kvDials.h"
#include "forms/kvTitleBar.h"
#include "forms/sMDIForm.h"
#include "forms/sSkinProviderAnim.h"
#include "forms/sSkinProviderMotion.h"
#include "forms/sSkinProviderPreview.h"

#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "images/kvAlphaImageList.h"
#include "raster/GdiBitmaps.h"
#include "raster/kvgpUtils.h"
#include "skin/HideAnimation.h"
#include "skin/sSkinManagerLoader.h"
#include "skin/sStyleSimply.h"
#include "skin/sVclUtils.h"
#include "ui/ScopeGuard.h"
#include "wrappers/kvSBUtils.h"

// The provider as a form description stores it: its switches, section names, the caption's
// parts (title icon, added title, header band, title buttons, the linked title bar), its skin
// data and its own class-name lists.
TW_DEFINE_CLASS(TsSkinProvider) {
  using P = TsSkinProvider;
  b.Property(u"AllowAnimation", &P::FAllowAnimation, &P::FAllowAnimation).Default(true);
  b.Property(u"AllowBlendOnMoving", &P::FAllowBlendOnMoving, &P::FAllowBlendOnMoving).Default(true);
  b.Property(u"AllowSkin3rdParty", &P::FAllowSkin3rdParty, &P::FAllowSkin3rdParty).Default(true);
  b.Property(u"MakeSkinMenu", &P::FMakeSkinMenu, &P::FMakeSkinMenu).Default(false);
  b.Property(u"ScreenSnap", &P::FScreenSnap, &P::FScreenSnap).Default(false);
  b.Property(u"DisabledBlured", &P::FDisabledBlured, &P::FDisabledBlured).Default(false);
  b.Property(u"AllowExtBorders", &P::FAllowExtBorders, [](P& p, bool v) { p.SetBoolean(0, v); }).Default(true);
  b.Property(u"DrawNonClientArea", &P::FDrawNonClientArea, [](P& p, bool v) { p.SetBoolean(1, v); }).Default(true);
  b.Property(u"ShowAppIcon", &P::FShowAppIcon, [](P& p, bool v) { p.SetBoolean(2, v); }).Default(true);
  b.Property(u"UseGlobalColor", &P::FUseGlobalColor, [](P& p, bool v) { p.SetBoolean(3, v); }).Default(true);
  b.Property(u"UWPMode", &P::FUWPMode, [](P& p, bool v) { p.SetBoolean(4, v); }).Default(false);
  b.Property(u"DrawClientArea", &P::FDrawClientArea, [](P& p, bool v) { p.SetBoolean(5, v); }).Default(true);
  b.Property(u"TitleSkin", &P::FTitleSkin, [](P& p, const String& v) { p.SetSkinSection(0, v); });
  b.Property(u"MenuLineSkin", &P::FMenuLineSkin, [](P& p, const String& v) { p.SetSkinSection(1, v); });
  b.Property(u"AddedTitle", [](const P& p) { return p.FAddedTitle.get(); });
  b.Property(u"CaptionAlignment", &P::FCaptionAlignment, &P::SetCaptionAlignment).Default(taLeftJustify);
  b.Property(u"DisabledBlendValue", &P::FDisabledBlendValue, &P::SetDisabledBlendValue).Default(Byte(255));
  b.Color(u"DisabledBlendColor", &P::FDisabledBlendColor, &P::SetDisabledBlendColor).Default(TColor(0));
  b.Property(u"FormHeader", [](const P& p) { return p.FFormHeader.get(); });
  b.Property(u"SkinData", [](const P& p) { return p.FCommonData.get(); });
  b.Property(u"GripMode", &P::FGripMode, &P::FGripMode).Default(gmNone);
  b.Property(u"SnapBuffer", &P::FSnapBuffer, &P::FSnapBuffer).Default(10);
  b.Property(
      u"TitleBar", [](const P& p) { return p.FTitleBar; }, &P::SetTitleBar);
  b.Property(
      u"TitleButtons", [](const P& p) { return p.FTitleButtons.get(); },
      [](P& p, TsTitleButtons* v) { p.SetTitleButtons(v); });
  b.Property(u"TitleIcon", [](const P& p) { return p.FTitleIcon.get(); });
  b.Property(u"ThirdParty", [](const P& p) { return p.FThirdParty.get(); });
}

namespace {
// The main form's close animation, as the default manager's application-window hook asks.
void AnimHideProviderForm(TkvFormProvider* provider, Integer time, TkvAnimType mode) {
  if (auto* sp = dynamic_cast<TsSkinProvider*>(provider)) AnimHideForm(sp, time, mode);
}
}  // namespace

void sSkinProviderStartup() {
  kvDialsStartup();
  BindCompositionFunctions();
  kvAnimHideMainForm = &AnimHideProviderForm;
}

void sSkinProviderCleanup() {
  kvAnimHideMainForm = nullptr;
  kvDialsCleanup();
  UnbindCompositionFunctions();
  GluedArray.clear();
  FreeDwmApi();
}

namespace {
// The program's command-line parameters, its own name left out.
std::vector<String> CommandLineParams() {
  std::vector<String> params;
  int argc = 0;
  const std::unique_ptr<LPWSTR, decltype(&LocalFree)> argv(CommandLineToArgvW(GetCommandLineW(), &argc), &LocalFree);
  for (int i = 1; argv && i < argc; ++i) params.emplace_back(reinterpret_cast<const Char*>(argv.get()[i]));
  return params;
}
}  // namespace

TsSkinProvider* ProviderOf(HWND form) {
  auto* sp = dynamic_cast<TsSkinProvider*>(GetFormProvider(form));
  return sp && !sp->RTEmpty ? sp : nullptr;
}

// ---- Title buttons ---------------------------------------------------------------------------

TW_DEFINE_CLASS(TsTitleButton) {
  using B = TsTitleButton;
  b.Property(u"Enabled", &B::Enabled, &B::Enabled).Default(true);
  b.Property(u"Glyph", [](const B& t) { return t.Glyph.get(); });
  b.Property(u"Hint", &B::Hint, &B::Hint);
  b.Property(u"Name", &B::Name, &B::Name).Default(String(u"TsTitleButton"));
  b.Property(u"UseSkinData", &B::UseSkinData, &B::UseSkinData).Default(true);
  b.Property(u"Visible", &B::Visible, &B::SetVisible).Default(true);
  b.Property(u"OnMouseDown", &B::OnMouseDown, &B::OnMouseDown);
  b.Property(u"OnMouseUp", &B::OnMouseUp, &B::OnMouseUp);
}
TW_DEFINE_CLASS(TsTitleButtons) {}

TsTitleButton::TsTitleButton(TCollection* collection)
    : TCollectionItem(collection), Glyph(std::make_unique<TBitmap>(0, 0, pf32bit)) {
  Glyph->SetOnChange(TNotifyEvent(this, &TsTitleButton::GlyphChanged));
}

TsTitleButton::~TsTitleButton() {
  if (Glyph) Glyph->SetOnChange(nullptr);
  delete Data.cpTimer;  // a fade unlinks itself from its button
}

void TsTitleButton::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  OnMouseDown.Call(nullptr, button, shift, x, y);
}

void TsTitleButton::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  OnMouseUp.Call(nullptr, button, shift, x, y);
}

TsSkinProvider* TsTitleButton::Provider() const {
  auto* buttons = dynamic_cast<TsTitleButtons*>(Collection());
  return buttons ? buttons->FOwner : nullptr;
}

void TsTitleButton::SetVisible(bool value) {
  if (value == Visible) return;
  Visible = value;
  TsSkinProvider* sp = Provider();
  if (!sp || !sp->FCommonData || sp->IsLoading() || sp->IsDesigning()) return;
  // The buttons left of it move: the caption is laid out anew with the picture.
  sp->FCommonData->BGChanged = true;
  sp->UpdateSkinCaption();
}

void TsTitleButton::AssignTo(TPersistent* dest) const {
  auto* other = dynamic_cast<TsTitleButton*>(dest);
  if (!other) {
    TCollectionItem::AssignTo(dest);
    return;
  }
  other->Enabled = Enabled;
  if (!other->Glyph) other->Glyph = std::make_unique<TBitmap>(0, 0, pf32bit);
  if (Glyph)
    other->Glyph->Assign(Glyph.get());
  else
    other->Glyph->SetSize(0, 0);
  other->Hint = Hint;
  other->Name = Name;
  other->UseSkinData = UseSkinData;
  other->OnMouseDown = OnMouseDown;
  other->OnMouseUp = OnMouseUp;
}

void TsTitleButton::GlyphChanged(TObject*) { delete Data.cpTimer; }

TsTitleButtons::TsTitleButtons(TsSkinProvider* owner) : TCollection(TsTitleButton::StaticClass()), FOwner(owner) {
  SetOwner(owner);
}

void TsSkinProvider::SetTitleButtons(const TsTitleButtons* value) { FTitleButtons->Assign(value); }

// ---- Title icon, added title, header band ------------------------------------------------------

TW_DEFINE_CLASS(TsTitleIcon) {
  b.Property(u"Glyph", &TsTitleIcon::Glyph, [](TsTitleIcon& i, TBitmap* g) { i.SetGlyph(g); });
  b.Property(u"Height", &TsTitleIcon::Height, &TsTitleIcon::Height).Default(0);
  b.Property(u"Width", &TsTitleIcon::Width, &TsTitleIcon::Width).Default(0);
  b.Property(u"Visible", &TsTitleIcon::Visible, &TsTitleIcon::SetVisible).Default(true);
}

TW_DEFINE_CLASS(TkvAddedTitle) {
  // The font is stored only when it is not the default one (the title's colour from the skin).
  b.Property(u"Font", &TkvAddedTitle::Font, [](TkvAddedTitle& t, TFont* f) {
     t.SetFont(f);
   }).Stored([](const TkvAddedTitle& t) {
    TFont standard;
    standard.SetColor(clFromSkinTitle);
    return !t.Font()->Equals(standard);
  });
  b.Property(u"Text", &TkvAddedTitle::Text, &TkvAddedTitle::SetText);
  b.Property(u"ShowMainCaption", &TkvAddedTitle::ShowMainCaption, &TkvAddedTitle::SetShowMainCaption).Default(true);
}

TW_DEFINE_CLASS(TkvFormHeader) {
  b.Property(u"AdditionalHeight", &TkvFormHeader::AdditionalHeight, &TkvFormHeader::SetAdditionalHeight).Default(0);
}

TsTitleIcon::TsTitleIcon(TsSkinProvider* owner) : FOwner(owner), FGlyph(std::make_unique<TBitmap>(0, 0, pf32bit)) {
  FGlyph->SetOnChange(TNotifyEvent(this, &TsTitleIcon::GlyphChanged));
}

TsTitleIcon::~TsTitleIcon() { FGlyph->SetOnChange(nullptr); }

void TsTitleIcon::SetGlyph(const TBitmap* value) {
  {
    // One repaint for the whole change, not one per step of the copy.
    FGlyph->SetOnChange(nullptr);
    const TScopeExit reattach([this] { FGlyph->SetOnChange(TNotifyEvent(this, &TsTitleIcon::GlyphChanged)); });
    if (value)
      FGlyph->Assign(value);
    else
      FGlyph->SetSize(0, 0);
  }
  Repaint();
}

void TsTitleIcon::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  Repaint();
}

void TsTitleIcon::GlyphChanged(TObject*) { Repaint(); }

void TsTitleIcon::Repaint() {
  TsSkinProvider* sp = FOwner;
  if (!sp || !sp->FCommonData || sp->IsLoading() || sp->IsDesigning() || sp->FCommonData->GetUpdating()) return;
  // The icon's size moves the caption text: the layout is made anew with the picture.
  sp->FCommonData->BGChanged = true;
  sp->UpdateSkinCaption();
}

TkvAddedTitle::TkvAddedTitle(TsSkinProvider* owner) : FOwner(owner), FFont(std::make_unique<TFont>()) {
  FFont->SetColor(clFromSkinTitle);
  FFont->SetOnChange(TNotifyEvent(this, &TkvAddedTitle::FontChanged));
}

TkvAddedTitle::~TkvAddedTitle() { FFont->SetOnChange(nullptr); }

void TkvAddedTitle::SetFont(const TFont* value) {
  if (!value) return;
  {
    FFont->SetOnChange(nullptr);
    const TScopeExit reattach([this] { FFont->SetOnChange(TNotifyEvent(this, &TkvAddedTitle::FontChanged)); });
    FFont->Assign(value);
  }
  Repaint();
}

void TkvAddedTitle::SetText(const String& value) {
  if (value == FText) return;
  FText = value;
  Repaint();
}

void TkvAddedTitle::SetShowMainCaption(bool value) {
  if (value == FShowMainCaption) return;
  FShowMainCaption = value;
  Repaint();
}

void TkvAddedTitle::FontChanged(TObject*) { Repaint(); }

void TkvAddedTitle::Repaint() {
  TsSkinProvider* sp = FOwner;
  if (!sp || !sp->FCommonData || sp->IsLoading()) return;
  sp->FreeCaptionGlows();
  sp->FCommonData->BGChanged = true;
  sp->UpdateSkinCaption();
}

void TkvFormHeader::SetAdditionalHeight(Integer value) {
  if (value == FAdditionalHeight) return;
  FAdditionalHeight = value;
  if (FOwner && FOwner->FCommonData && !FOwner->IsLoading()) FOwner->FCommonData->Invalidate();
}

Integer TkvFormHeader::ScaledAddHeight() const {
  return ScaleInt(FAdditionalHeight, FOwner ? FOwner->FCommonData.get() : nullptr);
}

bool TsSkinProvider::HeaderUsed() {
  if (!FFormHeader || FFormHeader->AdditionalHeight() <= 0 || FHeaderIndex < 0) return false;
  TkvSkinData* data = FCommonData ? SkinDataFor() : nullptr;
  return data && FHeaderIndex < Integer(data->gd.size()) && data->gd[size_t(FHeaderIndex)].States > 1;
}

void TsSkinProvider::SetTitleBar(TsTitleBar* value) {
  if (value == FTitleBar) return;
  FTitleBar = value;
  if (FCommonData && Form) UpdateSkinCaption();
}

void TsSkinProvider::LoadOwnThirdNames() {
  if (FThirdParty) Load3rdNames(*FThirdParty, ThirdLists, OwnThirdLists);
}

void TsSkinProvider::UpdateProviderThirdNames() {
  if (!FThirdParty) return;
  for (Integer i = 0; i <= kvLastSupportedType; ++i)
    if (const auto& list = ThirdLists[size_t(i)]) FThirdParty->SetString(i, list->Text());
}

// ---- Construction ----------------------------------------------------------------------------

TsSkinProvider::TsSkinProvider(TComponent* owner) : TComponent(owner) {
  FTitleButtons = std::make_unique<TsTitleButtons>(this);
  FSystemBlur = std::make_unique<TkvSystemBlur>(this);
  FTitleIcon = std::make_unique<TsTitleIcon>(this);
  FAddedTitle = std::make_unique<TkvAddedTitle>(this);
  FFormHeader = std::make_unique<TkvFormHeader>(this);
  // The provider's own class names start empty: the manager's lists apply until the program
  // names its own.
  FThirdParty = std::make_unique<TsThirdPartyList>();
  for (Integer i = 0; i <= kvLastSupportedType; ++i) FThirdParty->SetString(i, String());
  LoadOwnThirdNames();
  auto* form = dynamic_cast<TForm*>(owner);
  if (!form) {
    Alert(u"TsSkinProvider component may be used with forms only!");
    return;
  }
  const bool designing = owner->IsDesigning();
  if (!designing) kvPreviewNeeded = IsPreviewStart(CommandLineParams());
  Form = form;
  if (DefaultManager && DefaultManager->Options.ScaleMode != smVCL) form->SetScaled(false);
  if (designing) {
    for (Integer i = 0; i < form->ComponentCount(); ++i) {
      auto* other = dynamic_cast<TsSkinProvider*>(form->Components(i));
      if (other && other != this) {
        Form = nullptr;
        ShowWarning(u"Only one instance of the TsSkinProvider component is allowed!");
        return;
      }
    }
    for (Integer i = 0; i < form->ComponentCount() && !FTitleBar; ++i)
      FTitleBar = dynamic_cast<TsTitleBar*>(form->Components(i));
  } else {
    // A provider already on the form: one still waiting for its first paint gives way to this
    // one; any other keeps the form, and this one stays inert.
    auto* answer = reinterpret_cast<TkvFormProvider*>(form->Perform(SM_ALPHACMD, KV_GETPROVIDER_HI, 0));
    if (auto* other = dynamic_cast<TsSkinProvider*>(answer); other && other != this) {
      if (other->RTInit) {
        FluentBorderStyle = other->FluentBorderStyle;
        delete other;
      } else {
        RTEmpty = true;
      }
    } else if (answer) {
      RTEmpty = true;
    }
  }

  FCommonData = std::make_unique<TsScrollWndData>(this, false);
  FCommonData->SetSkinSection(u"FORM");
  FCommonData->COC = COC_TsSkinProvider;
  // A form still being made waits for its first refresh or showing to paint. A state, not an
  // update level: whatever clears it leaves the update blocks of others alone.
  if (!form->ControlState().Empty() && form->BorderStyle() != bsNone) FCommonData->FUpdating = true;
  InAero = AeroIsEnabled();

  if (!designing && !RTEmpty) {
    Form->SetDoubleBuffered(false);
    TempBmp = std::make_unique<TBitmap>(0, 0, pf32bit);
    ClearButtons = true;
    OldWndProc = Form->WindowProc();
    const TWndMethod own(this, &TsSkinProvider::NewWndProc);
    Form->SetWindowProc(own);
    FCommonData->WndProc = own;
    installedProc_ = true;
    IntSkinForm(Form);
    registered_ = true;
    FormActive = true;
  }
}

TsSkinProvider* TsSkinProvider::CreateRT(TForm* form, bool) {
  auto* sp = new TsSkinProvider(form);
  sp->RTInit = !sp->RTEmpty && sp->Form;
  // The bar placed last on the form is the one its caption shows.
  if (sp->Form)
    for (Integer i = 0; i < form->ComponentCount(); ++i)
      if (auto* bar = dynamic_cast<TsTitleBar*>(form->Components(i)); bar && !bar->IsDestroying()) sp->FTitleBar = bar;
  return sp;
}

void TsSkinProvider::AfterConstruction() {
  TComponent::AfterConstruction();
  if (!Form) return;
  LoadOwnThirdNames();
  if (RTEmpty || RTInit || IsDesigning()) return;
  DuRiruZireziv* manager = SkinManager();
  if (manager && manager->IsActive()) PrepareForm();
}

void TsSkinProvider::Loaded() {
  TComponent::Loaded();
  LoadOwnThirdNames();
  if (!RTEmpty && !RTInit && Form && !IsDesigning() && SkinManager() && FCommonData->Skinned(true)) LoadInit();
  // The skin's images face the other way on a right-to-left form.
  if (DuRiruZireziv* manager = SkinManager();
      Form && manager && manager->IsActive() && Form->BiDiMode() == bdRightToLeft)
    manager->FlipImages(true);
  // A blur stored with the form is applied once the form shows.
  if (FSystemBlur && FSystemBlur->Active()) FFormState |= FS_GLASSNEEDED;
}

void TsSkinProvider::Destroying() {
  TComponent::Destroying();
  // A scale step must not reach a provider on its way out.
  StopScaleThread();
  // The form may be on its way out too: leave its window chain while it is still whole.
  DetachFromForm();
}

void TsSkinProvider::DetachFromForm() {
  // The form's scroll wrapper stands in front of the provider in the form's chain: it goes
  // first, so the chain ends in the provider again.
  FreeFormScrolls();
  if (!Form || detached_) return;
  detached_ = true;
  if (IsDesigning()) return;
  // Only what this provider installed goes, and only while the form's procedure is still
  // ours: an inert provider or one that another hook covers leaves the chain alone.
  const bool ours = installedProc_ && Form->WindowProc() == TWndMethod(this, &TsSkinProvider::NewWndProc);
  if (ours) {
    if (registered_) IntUnSkinForm(Form);
    Form->SetWindowProc(OldWndProc);
  }
  installedProc_ = false;
  registered_ = false;
  if (FCommonData) FCommonData->RemoveCommonProp();
}

TsSkinProvider::~TsSkinProvider() {
  KillAnimations();
  BorderForm.reset();
  StopScaleThread();
  FormTimer.reset();
  LayerForm.reset();
  // Couples naming the form go, whether it was the slave or the master.
  if (Form) DelFromGluedArray(Form, true);
  // The active MDI child's provider is no longer one: the main form's menu line must not ask
  // it for its system menu.
  if (ChildProvider == this) ChildProvider = nullptr;
  // An MDI child with a menu leaves the main form's menu line: it is counted and painted anew.
  if (Form && !IsDesigning() && Form->FormStyle() == fsMDIChild && Form->Menu())
    if (TsSkinProvider* main = MDISkinProvider; main && main != this && main->FCommonData && main->Form) {
      main->FCommonData->BGChanged = true;
      main->FLinesCount = -1;
      if (main->Form->HandleAllocated()) main->ProcessMessage(WM_NCPAINT);
    }
  HookMDI(*this, false);
  if (MDISkinProvider == this) MDISkinProvider = nullptr;
  Adapter.reset();
  DetachFromForm();
  SystemMenu.reset();
  if (Form) UpdateProviderThirdNames();
  FCommonData.reset();
}

// ---- Preparing for the skin -------------------------------------------------------------------

void TsSkinProvider::LoadInit() {
  // The skinned frame draws its own transitions.
  if (Form && Form->HandleAllocated()) InitDwm(Form->WindowHandle(), CanDrawNCArea(), false);
  PrepareForm();
  if (!Adapter) AdapterCreate();
  if (SystemMenu) SystemMenu->UpdateItems(false);
  for (Integer i = 0; i < FTitleButtons->Count(); ++i) {
    TsTitleButton* b = FTitleButtons->Items(i);
    b->Data.cpGlyphType = b->UseSkinData ? tgTitleButton : tgNone;
  }
  if (MDIForm) MDIForm->ConnectToClient();
  if (Form->BorderStyle() == bsSizeToolWin) {
    FAllowBlendOnMoving = false;
    SetBoolean(3, true);
  }
  // The window class's background brush stays the class's: the provider paints the client
  // background itself, and a brush of the manager's would be deleted by the next skin change
  // while the class (shared with unskinned forms) still held it.
}

void TsSkinProvider::PrepareForm() {
  DuRiruZireziv* manager = SkinManager();
  if (RTInit || RTEmpty || !manager || !Form || !Form->HandleAllocated() || !manager->IsActive()) return;
  // A menu the program draws itself keeps its drawing; the skin leaves its items alone.
  FMenuOwnerDraw = Form->Menu() && Form->Menu()->OwnerDraw() && CanDrawNCArea();
  if (FMenuOwnerDraw) MenusInitialized = true;
  FCommonData->Loaded(false);
  InitIndexes();
  if (!SystemMenu) SystemMenu = std::make_unique<TsSystemMenu>(this);
  CheckSysMenu(true);
  if (ClearButtons) {
    ClearButtons = false;
    if (Form->FormStyle() == fsMDIForm && !IsDesigning()) HookMDI(*this, true);
  }
  FCommonData->UpdateIndexes(true);
  UpdateTitleBar(*this);
  UpdateIconsIndexes();
  // An MDI child's menu merges into the main form's menu line.
  if (Form->FormStyle() == fsMDIChild && FCommonData->Skinned())
    if (TsSkinProvider* main = MDISkinProvider; main && main != this && main->FCommonData) {
      main->FCommonData->BGChanged = true;
      main->FLinesCount = -1;
    }
  const TControlState cs = Form->ControlState();
  if (!Form->ComponentState().Contains(csReading) && !cs.Contains(csCreating) && !IsLoading() && FUseGlobalColor &&
      !FCommonData->FCustomColor)
    Form->SetColor(manager->GetGlobalColor());
  if (SystemMenu) SystemMenu->UpdateGlyphs();
  if (!IsLoading() && Form->Showing()) InitExBorders(manager->GetExtendedBorders());
  InitIndexes();
}

void TsSkinProvider::InitIndexes() {
  DuRiruZireziv* manager = SkinManager();
  if (!manager || FCommonData->SkinIndex < 0) {
    FCaptionSkinIndex = FHeaderIndex = FTitleSkinIndex = -1;
    FGenData = nullptr;
    return;
  }
  TkvSkinData* data = SkinDataFor();
  FGenData = FCommonData->SkinIndex < Integer(data->gd.size()) ? &data->gd[size_t(FCommonData->SkinIndex)] : nullptr;
  const auto& sections = manager->SkinCommonInfo.Sections;
  FCaptionSkinIndex = sections[ssCaption];
  FHeaderIndex = sections[ssFormHeader];
  if (!FTitleSkin.empty()) FTitleSkinIndex = manager->GetSkinIndex(FTitleSkin);
  if (FTitleSkin.empty() || FTitleSkinIndex < 0) FTitleSkinIndex = sections[ssFormTitle];
}

// Clears the updating state only: an update block someone holds ends with its own scope.
void TsSkinProvider::StopUpdating() {
  if (FCommonData) FCommonData->FUpdating = false;
}

TkvSkinData* TsSkinProvider::SkinDataFor() { return FCommonData->GetCommonSkinData(); }

bool TsSkinProvider::Skinned() {
  return FCommonData && !IsDestroying() && Form && !Form->IsDestroying() && FCommonData->Skinned();
}

bool TsSkinProvider::CanDrawNCArea() const {
  DuRiruZireziv* manager = SkinManager();
  return FDrawNonClientArea && manager && manager->Options.DrawNonClientArea;
}

void TsSkinProvider::SetFormState(Cardinal value) {
  // The animated minimize and restore freeze the form's alignment while they run.
  for (Cardinal bit : {FS_ANIMMINIMIZING, FS_ANIMRESTORING}) {
    const bool was = FFormState & bit, now = value & bit;
    if (was == now || !Form) continue;
    if (now)
      Form->DisableAlign();
    else
      Form->EnableAlign();
  }
  FFormState = value;
}

TLResult TsSkinProvider::ProcessMessage(Cardinal msg, TWParam wParam, TLParam lParam) {
  TMessage m = MakeMessage(msg, wParam, lParam);
  NewWndProc(m);
  return m.Result;
}

void TsSkinProvider::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (!FCommonData) return;
  if (operation == opRemove) {
    // A component on its way out is a plain component by now: it is known by its address.
    if (component && component == static_cast<TComponent*>(FTitleBar)) FTitleBar = nullptr;
    if (ListSW && ListSW->SkinManager && component == static_cast<TComponent*>(ListSW->SkinManager))
      FreeFormScrolls();  // the wrapper was made for that manager: it goes before the manager
    if (FCommonData->FSkinManager && component == static_cast<TComponent*>(FCommonData->FSkinManager))
      FCommonData->FSkinManager = nullptr;
    return;
  }
  if (auto* manager = dynamic_cast<DuRiruZireziv*>(component)) {
    if (!FCommonData->FSkinManager) FCommonData->FSkinManager = manager;
  } else if (auto* bar = dynamic_cast<TsTitleBar*>(component)) {
    if (!FTitleBar) FTitleBar = bar;
  } else if (auto* ctrl = dynamic_cast<TWinControl*>(component); ctrl && Adapter && FAllowSkin3rdParty) {
    if (const TkvThirdLists* lists = ActiveThirdLists(); lists && Adapter->IsControlSupported(ctrl, *lists))
      Adapter->AddNewItem(ctrl, String(), lists);
  }
}

// ---- Setters ---------------------------------------------------------------------------------

void TsSkinProvider::SetBoolean(Integer index, bool value) {
  bool* fields[] = {&FAllowExtBorders, &FDrawNonClientArea, &FShowAppIcon,
                    &FUseGlobalColor,  &FUWPMode,           &FDrawClientArea};
  if (index < 0 || index > 5 || *fields[index] == value) return;
  *fields[index] = value;
  switch (index) {
    case 0:
      if (!IsLoading() && !IsDesigning() && FCommonData && Form && Form->HandleAllocated()) {
        // The border window follows the manager's setting (it is freed when no longer allowed).
        DuRiruZireziv* manager = SkinManager();
        InitExBorders(manager && manager->GetExtendedBorders());
        FCommonData->BGChanged = true;
        RedrawWindow(Form->WindowHandle(), nullptr, nullptr, RDW_FRAME | RDW_NOERASE | RDW_INVALIDATE);
        UpdateRgn(true, false);
      }
      break;
    case 1: UpdateNCArea(value); break;
    case 2:
      if (!IsDesigning() && FCommonData) {
        FCommonData->BGChanged = true;
        if (Form && Form->Visible()) UpdateSkinCaption();
      }
      break;
    case 3:
      if (value && Form && FCommonData && FCommonData->Skinned() && !FCommonData->FCustomColor)
        if (DuRiruZireziv* m = SkinManager()) Form->SetColor(m->GetGlobalColor());
      break;
    case 4:
      FluentUWPMode = value;
      if (!value && FSystemBlur) FSystemBlur->FActive = false;
      if (!IsLoading() && !IsDesigning()) {
        UpdateUWPMode();
        if (FSystemBlur) FSystemBlur->UpdateBlurMode(false);
      }
      // The border style the system blur took away comes back once.
      if (!value && Form && Form->BorderStyle() == bsNone && FluentBorderStyle != bsNone) {
        Form->SetBorderStyle(FluentBorderStyle);
        FluentBorderStyle = bsNone;
        CheckSysMenu(true);
      }
      break;
    case 5:
      if (Form && Form->HandleAllocated()) {
        TMessage m = MakeMessage(SM_ALPHACMD, KV_SETBGCHANGED_HI, 1);
        AlphaBroadCast(Form, m);
      }
      if (FCommonData) FCommonData->Invalidate();
      break;
    default: break;
  }
}

// The captionless look's shadows come from the skin: a new skin makes them again.
void TsSkinProvider::DropUWPTemplates() {
  if (BorderForm &&
      (BorderForm->ShadowTemplate == UWPTemplates[0].get() || BorderForm->ShadowTemplate == UWPTemplates[1].get()))
    BorderForm->ShadowTemplate = nullptr;
  for (auto& tpl : UWPTemplates) tpl.reset();
}

void TsSkinProvider::UpdateUWPMode() {
  if (!FCommonData || !Form || !Form->HandleAllocated()) return;
  FCommonData->BGChanged = true;
  if (BorderForm) {
    BorderForm->UpdateExBordersPos(true, 255);
  } else {
    UpdateRgn(true, false);
    RedrawWindow(Form->WindowHandle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
}

void TsSkinProvider::SetSkinSection(Integer index, const String& value) {
  if (index == 0) {
    if (value == FTitleSkin) return;
    FTitleSkin = value;
    FTitleSkinIndex = -1;
    if (FCommonData) FCommonData->BGChanged = true;
    InitIndexes();
    if (IsDesigning() || !Form || !Form->Visible() || !Form->HandleAllocated()) return;
    if (BorderForm)
      BorderForm->UpdateExBordersPos(true, 255);
    else
      ProcessMessage(WM_NCPAINT);
  } else if (index == 1) {
    if (value == FMenuLineSkin) return;
    FMenuLineSkin = value;
    if (IsDesigning() && FCommonData) FCommonData->Invalidate();
  }
}

void TsSkinProvider::SetCaptionAlignment(TAlignment value) {
  if (value == FCaptionAlignment) return;
  FCaptionAlignment = value;
  FCommonData->BGChanged = true;
  if (Form && Form->Visible() && !IsDesigning() && Skinned()) UpdateSkinCaption();
}

// ---- The window procedure --------------------------------------------------------------------

namespace {
bool gInMouseWheel = false;  // CM_MOUSEWHEEL re-entrance guard
bool bChangingFlag = false;  // a PPI change is being applied
}  // namespace

void TsSkinProvider::NewWndProc(TMessage& m) {
  if (m.Msg == SM_ALPHACMD && KV_SMAlphaCmd_Common(m)) return;
  if (!Skinned()) {
    if (m.Msg == SM_ALPHACMD && KV_SMAlphaCmd_Unskinned(m)) return;
    switch (m.Msg) {
      case WM_SETREDRAW: KV_WMSetRedraw(m); return;
      case WM_PRINT:
        if (m.WParam)
          FillDC(reinterpret_cast<HDC>(m.WParam), MkRect(Form->Width(), Form->Height()), ColorToRGB(Form->Color()));
        Form->Perform(WM_PAINT, m.WParam, m.LParam);
        return;
      case CM_VISIBLECHANGED: KV_CMVisibleChanged_Unskinned(m); break;
      case CM_SHOWINGCHANGED: KV_CMShowingChanged_Unskinned(m); break;
      case CM_SYSFONTCHANGED: DoReinit = true; break;
      case CM_MOUSEWHEEL: KV_CMMouseWheel(m); return;
      default: break;
    }
    PassOn(m);
    if (m.Msg == WM_WINDOWPOSCHANGED) KV_WMWindowPosChanged_Unskinned(m);
    if (m.Msg == WM_NCDESTROY) KV_WMNCDestroy(m);
    return;
  }

  switch (m.Msg) {
    case WM_CREATE: KV_WMCreate(m); return;
    case WM_MOVE: KV_WMMove(m); return;
    case WM_SIZE: KV_WMSize(m); return;
    case WM_SETREDRAW: KV_WMSetRedraw(m); return;
    case WM_CLOSE: KV_WMClose(m); return;
    case WM_QUERYENDSESSION: KV_WMQueryEndSession(m); return;
    case WM_SHOWWINDOW: KV_WMShowWindow(m); return;
    case WM_EXITSIZEMOVE: KV_WMExitSizeMove(m); return;
    case WM_NCDESTROY:
      // The class library destroys a form's window before it marks the form as going: the
      // window's end comes here while the provider still counts the form as skinned.
      PassOn(m);
      KV_WMNCDestroy(m);
      return;
    case WM_GETMINMAXINFO: KV_WMGetMinMaxInfo(m); return;
    case WM_WINDOWPOSCHANGING: KV_WMWindowPosChanging(m); return;
    case WM_STYLECHANGED: KV_WMStyleChanged(m); return;
    case WM_SETICON: KV_WMSetIcon(m); return;
    case WM_NCCREATE: KV_WMNCCreate(m); return;
    case WM_PARENTNOTIFY: KV_WMParentNotify(m); return;
    case WM_PAINT: KV_WMPaint(m); return;
    case WM_ERASEBKGND: KV_WMEraseBkGnd(m); return;
    case WM_SETTEXT: KV_WMSetText(m); return;
    case WM_SETCURSOR:
      // A title bar item under the mouse keeps the cursor it set.
      if (!IsTitleItemHT(*this, CurrentHT)) PassOn(m);
      return;
    case WM_NCHITTEST: KV_WMNCHitTest(m); return;
    case WM_NCPAINT: KV_WMNCPaint(m); return;
    case WM_NCACTIVATE: KV_WMNCActivate(m); return;
    case WM_ACTIVATE: KV_WMActivate(m); return;
    // Activation of the application and of MDI children.
    case WM_ACTIVATEAPP: KV_WMActivateApp(m); return;
    case WM_CHILDACTIVATE: KV_WMChildActivate(m); return;
    case WM_MDIDESTROY:
    case WM_MDIACTIVATE: KV_WMMDIDestroy(m); return;
    case WM_NCMOUSEMOVE: KV_WMNCMouseMove(m); return;
    case WM_NCLBUTTONDOWN: KV_WMNCLButtonDown(m); return;
    case WM_NCLBUTTONUP:
    case WM_LBUTTONUP: KV_WMLButtonUp(m); return;
    case WM_NCLBUTTONDBLCLK: KV_WMNCLButtonDblClick(m); return;
    case WM_NCRBUTTONDOWN: KV_WMNCRButtonDown(m); return;
    case WM_NCRBUTTONUP: KV_WMNCRButtonUp(m); return;
    case WM_SYSCOMMAND: KV_WMSysCommand(m); return;
    case WM_ENTERIDLE:
      if (m.WParam == 0)
        PassOn(m);
      else
        m.Result = 0;
      return;
    case WM_MOUSEMOVE: KV_WMMouseMove(m); return;
    case WM_MOUSELEAVE:
    case WM_NCMOUSELEAVE:
    case CM_MOUSELEAVE: KV_WMMouseLeave(m); return;
    case CM_MOUSEENTER: KV_CMMouseEnter(m); return;
    // Sizing drag.
    case WM_SIZING: KV_WMSizing(m); return;
    case WM_WINDOWPOSCHANGED: KV_WMWindowPosChanged(m); return;
    case WM_DPICHANGED: KV_WMDpiChanged(m); return;
    case 0x313:  // the taskbar's system-menu request
      DropSysMenu(kvMousePos().X, kvMousePos().Y);
      return;
    case WM_DWMSENDICONICTHUMBNAIL:
      // The system cannot take a picture of a frame the program paints: it is given one.
      if (kv_ChangeThumbPreviews && HIWORD(m.LParam) != 0 && LOWORD(m.LParam) != 0) {
        m.Result = SetThumbIcon(Form->Handle(), HIWORD(m.LParam), LOWORD(m.LParam)) ? 1 : 0;
        return;
      }
      PassOn(m);
      return;
    case WM_DWMSENDICONICLIVEPREVIEWBITMAP:
      if (kv_ChangeThumbPreviews) {
        m.Result = SetPreviewBmp(Form->Handle()) ? 1 : 0;
        return;
      }
      PassOn(m);
      return;
    case WM_PRINT: KV_WMPrint(m); return;
    case WM_PRINTCLIENT: return;
    case SM_ALPHACMD: KV_SMAlphaCmd_Skinned(m); return;
    case CM_VISIBLECHANGED: KV_WMVisibleChanged(m); return;
    case CM_SHOWINGCHANGED: KV_CMShowingChanged(m); return;
    case WM_COPYDATA: KV_WMCopyData(*this, m); return;
    case KPE_MSG: KV_KPEMSG(*this, m); return;
    case CM_ENABLEDCHANGED: KV_CMEnabledChanged(m); return;
    case CM_COLORCHANGED:
      if (!(FFormState & (FS_ANIMCLOSING | FS_ANIMSHOWING)) && FCommonData->FCustomColor) FCommonData->Invalidate();
      return;
    case CM_SYSFONTCHANGED: DoReinit = true; return;
    case CM_MOUSEWHEEL: KV_CMMouseWheel(m); return;
    case CM_FLOAT:
      // A form docked out gets a new window frame: its bars are measured anew on the refresh.
      PassOn(m);
      FreeFormScrolls();
      SendAMessage(Form->Handle(), KV_REFRESH, reinterpret_cast<intptr_t>(SkinManager()));
      return;
    case CM_CONTROLLISTCHANGE:
      PassOn(m);
      // Graphic controls come this way too: only a windowed one is the adapter's.
      if (auto* ctrl = dynamic_cast<TWinControl*>(reinterpret_cast<TControl*>(m.WParam));
          ctrl && Adapter && FAllowSkin3rdParty)
        Adapter->AddNewItem(ctrl, String(), ActiveThirdLists());
      return;
    case CM_CONTROLLISTCHANGING:
    case CM_BEWAIT_DIALOG: m.Result = 0; return;
    case WM_INITMENUPOPUP: KV_WMInitMenuPopup(m); return;
    case WM_MEASUREITEM: KV_WMMeasureItem(m); return;
    case WM_CONTEXTMENU: KV_WMContextMenu(m); return;
    case CM_MENUCHANGED: KV_CMMenuChanged(m); return;
    // Menu line: the bar's items as the system's menu loop draws them on the window.
    case WM_DRAWITEM: KV_WMDrawItem(m); return;
    // System settings, menu loops, focus and the class library's change notifications.
    case WM_SYSCOLORCHANGE: KV_WMSysColorChange(m); return;
    case WM_SETTINGCHANGE: KV_WMSettingChange(m); return;
    case WM_ENTERMENULOOP: KV_WMEnterMenuLoop(m); return;
    case WM_EXITMENULOOP: KV_WMExitMenuLoop(m); return;
    case WM_NOTIFY: KV_WMNotify(m); return;
    case WM_SETFOCUS:
      PassOn(m);
      // The border window may have gone while the form was away (a minimize, a hide).
      if (BorderForm && Form->Visible()) {
        const HWND border = BorderForm->LayeredWindow();
        if (!border || !IsWindowVisible(border)) {
          FInAnimation = false;
          BorderForm->UpdateExBordersPos(true, 255);
        }
      }
      return;
    case CM_WININICHANGE:
      PassOn(m);
      if (BorderForm) BorderForm->UpdateExBordersPos(true, 255);
      return;
    case CM_RECREATEWND:
      // The new window keeps the skin-editor link as it is.
      PassOn(m);
      return;
    case CM_CHANGED:
      if (Form->Menu()) {
        MenuChanged = true;
        FCommonData->BGChanged = true;
      }
      PassOn(m);
      return;
    case CM_BIDIMODECHANGED:
      if (DuRiruZireziv* manager = SkinManager()) manager->FlipImages(Form->BiDiMode() == bdRightToLeft);
      PassOn(m);
      if (BorderForm) BorderForm->UpdateExBordersPos(true, 255);
      return;
    default: PassOn(m); return;
  }
}

// The old procedure never sees the change: the system's suggested rectangle would undo the
// manager's rescaling.
void TsSkinProvider::KV_WMDpiChanged(TMessage& m) {
  DuRiruZireziv* manager = SkinManager();
  if (bChangingFlag || !manager || manager->IsDesigning()) return;
  const auto guard = SetForScope(bChangingFlag, true);
  const Integer newPPI = HIWORD(m.WParam);
  const Integer oldPPI = GetPPI(FCommonData.get());
  if (oldPPI == newPPI) {
    FCommonData->BGChanged = true;
    FCommonData->Invalidate();
    return;
  }
  const bool scaling = AllowScale && manager->Options.ScaleMode == smVCL;
  InitSysParams(newPPI);
  FCommonData->SetCommonSkinData(nullptr);
  RgnChanged = true;
  if (!scaling) {
    CalcItems();
    if ((FFormState & FS_GLASSNEEDED) && FSystemBlur) FSystemBlur->UpdateBlurMode(true);
    FCommonData->BGChanged = true;
    FCommonData->Invalidate();
    return;
  }
  FFormState |= FS_SCALING;
  FCommonData->BGChanged = true;
  {
    // Nothing is painted from the half-scaled form.
    const auto updating = SetForScope(FCommonData->FUpdating, true, false);
    manager->UpdateScale(Form, oldPPI, newPPI);
    // The main form's PPI is the one the engine's image lists are drawn at.
    if (!Application || !Application->MainForm() || Application->MainForm() == Form) {
      manager->Options.PixelsPerInch = newPPI;
      IterateImageLists([](TkvImageList* list, Integer ppi) { ScaleImageList(list, ppi); }, newPPI);
    }
  }
  FCommonData->BGChanged = true;
  CalcItems();
  if ((FFormState & FS_GLASSNEEDED) && FSystemBlur) FSystemBlur->UpdateBlurMode(true);
  PaintAll();
  FFormState &= ~FS_SCALING;
  if (Form->HandleAllocated()) {
    TMessage changed = MakeMessage(SM_ALPHACMD, KV_SETBGCHANGED_HI, 1);
    AlphaBroadCast(Form, changed);
    TMessage refresh = MakeMessage(SM_ALPHACMD, KV_REFRESH_HI, reinterpret_cast<intptr_t>(manager));
    AlphaBroadCast(Form, refresh);
  }
  if (BorderForm) UpdateSkinCaption();
}

// The class library answers the wheel; a wheel message its handling sends back to the form
// goes nowhere.
void TsSkinProvider::KV_CMMouseWheel(TMessage& m) {
  if (gInMouseWheel) return;
  const auto guard = SetForScope(gInMouseWheel, true);
  PassOn(m);
}

// The first visibility change of a run-time provider initialises it. A form that becomes
// showing gets its scroll wrapper and, when the manager's form-show animation is on, is shown
// through it: the window comes up layered and transparent while a stand-in shows its picture.
void TsSkinProvider::KV_CMShowingChanged(TMessage& m) {
  if (FFormState & FS_RECREATING) {
    PassOn(m);
    return;
  }
  if (RTInit) {
    RTInit = false;
    LoadInit();
  }
  const HWND h = Form->HandleAllocated() ? Form->WindowHandle() : nullptr;
  DuRiruZireziv* manager = SkinManager();
  if ((!CanDrawNCArea() && Form->BorderStyle() != bsNone) || !FDrawClientArea) {
    ShowWithSystemFrame(m, h, manager);
    return;
  }
  FCommonData->BGChanged = true;
  RgnChanged = true;
  if (!Form->Showing() || !h) {
    if (BorderForm) KeepPictureForHiding(manager);
    PassOn(m);
    return;
  }
  SetFormState(FFormState & ~FS_ANIMCLOSING);
  if ((FFormState & FS_GLASSNEEDED) && FSystemBlur) FSystemBlur->UpdateBlurMode(true);
  ScaleAndFontOnShow(manager);
  if (Form->FormStyle() == fsMDIChild) {
    if (Adapter) Adapter->AddAllItems(nullptr);
    StopUpdating();
    PassOn(m);
    if (manager) InitExBorders(manager->GetExtendedBorders());
    RefreshFormScrolls();
    // A maximized child's buttons and icon go into the main form's menu line.
    if (Form->HandleAllocated() && ::IsZoomed(Form->WindowHandle())) UpdateMainForm(true);
  } else {
    // The client's support may have gone stale while the form was hidden.
    HookMDI(*this, true);
    // The skinned frame draws its own transitions.
    InitDwm(h, CanDrawNCArea(), false);
    // A minimize timer left from the last minimize or restore has nothing more to do.
    if (dynamic_cast<TkvMinTimer*>(FormTimer.get())) FormTimer.reset();
    // A skin editor that started the program for a preview hears of the form before anything
    // of it is painted or shown.
    TrySayHelloToEditor(h);
    // The menu line is ready before the first frame paint and before the adapter walks the
    // controls.
    TryInitMenu();
    if (Adapter) Adapter->AddAllItems(nullptr);
    ShowAnimated(m, h, manager);
  }
  if (Form->Showing()) LastClientRect = TRect(0, 0, GetClientWidth(h), GetClientHeight(h));
}

// The system paints the frame (or the form paints its own client): only the controls and the
// scale follow, and under composition the form is redrawn whole.
void TsSkinProvider::ShowWithSystemFrame(TMessage& m, HWND h, DuRiruZireziv* manager) {
  if (FDrawClientArea && Form->Showing()) {
    if (Adapter) Adapter->AddAllItems(nullptr);
    ScaleAndFontOnShow(manager);
  }
  PassOn(m);
  const bool composition = AeroIsEnabled();
  if (composition && h && Form->Showing()) SendMessageW(h, WM_SETREDRAW, 1, 0);
  StopUpdating();
  if (composition && h) RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// A form with an outer border that stops showing: the border keeps the form's picture for the
// hide animation when there will be one; without one the border goes.
void TsSkinProvider::KeepPictureForHiding(DuRiruZireziv* manager) {
  const bool animated = manager && manager->AnimEffects.FormHide.Active && manager->AnimEffects.FormHide.Time != 0 &&
                        FAllowAnimation && manager->Effects.AllowAnimation;
  if (!animated) {
    InitExBorders(false);
    return;
  }
  {
    const bool wasClosing = FFormState & FS_ANIMCLOSING;
    SetFormState(FFormState | FS_ANIMCLOSING);
    const TScopeExit rendered([this, wasClosing] {
      if (!wasClosing) SetFormState(FFormState & ~FS_ANIMCLOSING);
    });
    FCommonData->FCacheBmp = ::GetFormImage(this, true);
  }
  FCommonData->BGChanged = false;
  ShowPictureInBorder();
}

void TsSkinProvider::ScaleAndFontOnShow(DuRiruZireziv* manager) {
  if (!manager || !Form) return;
  const TkvScaleMode mode = manager->Options.ScaleMode;
  // A message box is laid out for the PPI it is made at.
  if (AllowScale && mode != smOldMode && mode != smVCL && !IsDesigning() && Form->ClassName() != u"TMessageForm")
    manager->UpdateScale(Form, 96, 0);
  if (manager->UpdateFontName(Form)) {
    TMessage changed = MakeMessage(SM_ALPHACMD, uintptr_t{KV_FONTSCHANGED} << 16, reinterpret_cast<intptr_t>(manager));
    AlphaBroadCast(Form, changed);
  }
}

void TsSkinProvider::UpdateMainForm(bool repaint) {
  TsSkinProvider* main = MDISkinProvider;
  if (!main || !main->Form || !main->Form->HandleAllocated() || !main->FCommonData) return;
  const HWND h = main->Form->WindowHandle();
  if (!main->CanDrawNCArea()) {
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
    return;
  }
  {
    main->FCommonData->BeginUpdate();
    const TScopeExit updated([main] { main->FCommonData->EndUpdate(); });
    if (main->MDIForm) main->MDIForm->UpdateMDIIconItem();
    main->FCommonData->BGChanged = true;
    main->MenuChanged = true;
    main->FLinesCount = -1;
  }
  if (const HWND client = main->Form->ClientHandle()) RedrawWindow(client, nullptr, nullptr, repaint ? 0x507 : 0x407);
  RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
  if (repaint && main->BorderForm) main->BorderForm->UpdateExBordersPos(true, 255);
}

void TsSkinProvider::ShowAnimated(TMessage& m, HWND h, DuRiruZireziv* manager) {
  if (BorderForm) BorderForm->ExBorderShowing = false;
  fAnimating = FAllowAnimation && !Form->Parent() && manager && manager->Effects.AllowAnimation &&
               manager->AnimEffects.FormShow.Active && h != kvPreviewHandle;
  const Byte alpha = Form->AlphaBlend() ? Form->AlphaBlendValue() : 255;
  bool madeLayered = false;
  if (fAnimating) {
    // Shown transparent: nothing of the form reaches the screen before its stand-in does.
    FCommonData->FUpdating = true;
    FInAnimation = true;
    madeLayered = !(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_LAYERED);
    DoLayered(h, true, 0);
    if (madeLayered && !IsZoomed()) {
      if (!BorderForm) FillArOR();
      UpdateRgn(false, false);
    }
    RgnChanging = false;
  } else {
    StopUpdating();
    // Without a frame the skin's rounded corners are the window's only edge.
    if (Form->BorderStyle() == bsNone && !IsZoomed() && SectionBorderRadius() > 0) {
      FillArOR();

      UpdateRgn(false, false);
    }
  }
  {
    const bool animating = fAnimating;
    if (animating) FFormState |= FS_ANIMSHOWING;
    const TScopeExit shown([this, animating] {
      if (animating) FFormState &= ~FS_ANIMSHOWING;
    });
    PassOn(m);
  }
  // A shown form gets its outer border window when the skin wants one.
  if (manager) InitExBorders(manager->GetExtendedBorders());
  if (!fAnimating) {
    RefreshFormScrolls();
    SetParentUpdated(Form);
    if (BorderForm) RgnChanged = true;
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    return;
  }
  StopUpdating();
  fAnimating = false;
  if (!FCommonData->Skinned()) {
    // The skin went while the form came up: it is shown plainly.
    FInAnimation = false;
    SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) & ~WS_EX_LAYERED);
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    return;
  }
  RefreshFormScrolls();
  if (madeLayered) DoLayered(h, false, 255);
  AnimShowForm(this, manager->AnimEffects.FormShow.Time, alpha, manager->AnimEffects.FormShow.Mode);
  // (A form the animation could not picture is shown as it is.)
  FInAnimation = false;
  if (!BorderForm) UpdateRgn(false, false);
  RgnChanging = false;
}

// ---- Skin commands ---------------------------------------------------------------------------

bool TsSkinProvider::KV_SMAlphaCmd_Common(TMessage& m) {
  DuRiruZireziv* manager = SkinManager();
  switch (m.WParamHi) {
    case KV_SETNEWSKIN:
      if (FCommonData) FCommonData->SetCommonSkinData(nullptr);
      // A fade still running shows the old skin's glyphs.
      KillAnimations();
      if (reinterpret_cast<DuRiruZireziv*>(m.LParam) == manager) DropUWPTemplates();
      if (!IsDestroying() && FCommonData && reinterpret_cast<DuRiruZireziv*>(m.LParam) == manager && !SystemMenu)
        PrepareForm();
      if (FSystemBlur && FCommonData && !IsDestroying()) FSystemBlur->UpdateBlurMode(false);
      return false;
    case KV_REMOVESKIN:
      if (!FCommonData) return true;
      if (reinterpret_cast<DuRiruZireziv*>(m.LParam) != manager) {
        // Another manager's skin goes: only the skin data and the children that follow it hear of it.
        CommonMessage(m, FCommonData.get());
        if (Form && Form->HandleAllocated()) {
          TMessage child = m;
          AlphaBroadCast(Form, child);
        }
        return true;
      }
      RemoveSkin(m);
      return true;
    case KV_CTRLHANDLED: m.Result = 1; return true;
    case KV_ENDUPDATE:
      // A menu change that came while the skin data was locked is carried out now.
      if (FCommonData && (FCommonData->CtrlSkinState & KVS_MNUPDATING)) {
        FCommonData->CtrlSkinState &= ~KVS_MNUPDATING;
        if (Form && Form->HandleAllocated()) TrySendMessage(Form->WindowHandle(), CM_MENUCHANGED, 0, 0);
      }
      return false;
    case KV_LINKOBJ:
      if (!IsLoading() && !IsDesigning()) {
        auto* obj = reinterpret_cast<TObject*>(m.LParam);
        if (m.WParamLo != 0)
          AddObjToList(obj, FrameAdapters);
        else
          FrameAdapters.erase(std::remove(FrameAdapters.begin(), FrameAdapters.end(), obj), FrameAdapters.end());
      }
      return true;
    case KV_SETSCALE: {
      // The manager rescaled the form: fades and the hot element belong to the old size, the
      // metrics and skin data are those of the new PPI.
      const Integer ppi = Integer(m.LParam);
      KillAnimations();
      SetHotHT(-1, true);
      if (FCommonData) CommonMessage(m, FCommonData.get());
      if (Form)
        if (TsTitleBar* bar = TitleBarOf(Form)) bar->Initialized = false;
      if (FCommonData && manager) FCommonData->SetCommonSkinData(manager->CommonSkinData(ppi));
      InitSysParams(ppi);
      if (Form && Form->HandleAllocated()) {
        TMessage child = m;
        AlphaBroadCast(Form, child);
      }
      PassOn(m);
      return true;
    }
    case KV_PAINTFLOATITEMS:
    case KV_UPDATEFLOATITEMS:
    case KV_UPDATEITEMSALPHA:
    case KV_GETTOPWND:
    case KV_SETFLOATZORDER:
    case KV_UPDATEFLOATBITMAPS:
      // The floating title-bar items are the form's own code's business.
      PassOn(m);
      return true;
    case KV_GETDEFINDEX:
      if (manager) {
        if (FCommonData && !FCommonData->SkinSection().empty())
          m.Result = 1 + manager->GetSkinIndex(FCommonData->SkinSection());
        else if (Form && Form->Parent() && Form->BorderStyle() == bsNone)
          m.Result = 1 + manager->SkinCommonInfo.Sections[ssTransparent];
        else
          m.Result = 1 + manager->SkinCommonInfo.Sections[ssForm];
      }
      return true;
    case KV_GETBG:
      if (!FCommonData || !FCommonData->Skinned()) return false;
      if (auto* info = reinterpret_cast<TkvBGInfo*>(m.LParam)) {
        info->Offset = TPoint(0, 0);
        if (FCommonData->BGChanged && (!FCommonData->GetUpdating() || InAnimation(this))) {
          // A form that is about to get its outer border window has no picture worth giving
          // yet: the border changes the frame the picture holds.
          if (!BorderForm && manager && manager->GetExtendedBorders() && FAllowExtBorders && !IsZoomed() && Form &&
              Form->BorderStyle() != bsNone && !Form->Parent() && Form->FormStyle() != fsMDIChild && CanDrawNCArea())
            return false;
          PaintAll();
        }
        // The client's top-left is (0, 0) of whoever asks: a drawing request reads the picture
        // at the client's place, and its answer reports that place once.
        const bool offsetInPicture = info->PleaseDraw;
        if (offsetInPicture) info->Offset = TPoint(info->Offset.X + OffsetX(), info->Offset.Y + OffsetY());
        if (Form && Form->OnPaint() && FCommonData->FCacheBmp) {
          // The form's own painting lands in the picture: the picture is the background.
          info->Bmp = FCommonData->FCacheBmp.get();
          info->Offset = TPoint(OffsetX(), OffsetY());
          info->BgType = btCache;
          return true;
        }
        if (!FDrawClientArea) {
          info->Color = ColorToRGB(clBtnFace);
          info->BgType = btFill;
          info->Bmp = nullptr;
        } else {
          const Integer state =
              FGenData && FCommonData->Skinned() ? Mini(FormActive ? 1 : 0, Maxi(FGenData->States - 1, 0)) : 0;
          InitBGInfo(FCommonData.get(), info, state);
          if (info->BgType == btCache && !info->Bmp && !info->PleaseDraw) {
            if (FCommonData->BGChanged) PaintAll();
            info->Bmp = FCommonData->FCacheBmp.get();
          }
          if (!offsetInPicture) {
            // An answer about the own picture is moved to the client's place.
            info->Offset.X += OffsetX();
            info->Offset.Y += OffsetY();
          }
          if (info->Offset.X) info->FillRect.Left = Maxi(0, info->FillRect.Left - info->Offset.X);
          if (info->Offset.Y) info->FillRect.Top = Maxi(0, info->FillRect.Top - info->Offset.Y);
        }
      }
      return true;
    case KV_GETAPPLICATION: m.Result = reinterpret_cast<intptr_t>(Application); return true;
    case KV_PARENTCLOFFSET:
      m.Result = intptr_t(uint32_t(Word(OffsetX())) | uint32_t(Word(OffsetY())) << 16);
      return true;
    case KV_GETSCALE: m.Result = AllowScale ? GetPPI(FCommonData.get()) : -1; return true;
    case KV_GETDEFSECTION: m.Result = 13; return true;
    case KV_STATUSBAR:
      if (FCommonData) FCommonData->BGChanged = true;
      StatusBar = m.WParamLo ? reinterpret_cast<TControl*>(m.LParam) : nullptr;
      return true;
    case KV_FONTSCHANGED:
      if (manager) {
        // Texts that followed the application's font follow it to the new one.
        const String& oldName = manager->DefOldFontName;
        const String& newName = manager->DefNewFontName;
        if (FAddedTitle && FAddedTitle->Font()->Name() == oldName) FAddedTitle->Font()->SetName(newName);
        if (TsTitleBar* bar = FTitleBar ? FTitleBar : TitleBarOf(Form))
          for (Integer i = 0; i < bar->Items()->Count(); ++i) {
            TkvTitleBarItem* item = bar->Items()->Items(i);
            TkvFontData* fd = item->FFontData.get();
            if (!fd || fd->FUseSysFontName || !fd->FFont || fd->FFont->Name() != oldName) continue;
            fd->FFont->SetName(newName);
            if (item->FAutoSize) bar->Initialized = false;  // measured anew with the new font
          }
      }
      UpdateSkinCaption();
      if (FCommonData) CommonMessage(m, FCommonData.get());
      return true;
    default: return false;
  }
}

void TsSkinProvider::RemoveSkin(TMessage& m) {
  DuRiruZireziv* manager = SkinManager();
  FreeFormScrolls();
  if (Form && Form->HandleAllocated()) InitDwm(Form->WindowHandle(), false, false);
  CommonMessage(m, FCommonData.get());
  FLinesCount = FTitleSkinIndex = FCaptionSkinIndex = -1;
  FCommonData->TranspMode = 0;
  if (Form && Form->HandleAllocated()) {
    TMessage child = m;
    AlphaBroadCast(Form, child);
  }
  AdapterRemove();
  KillAnimations();
  // Menu pictures drawn in the skin are of no use without it.
  if (manager)
    if (TsSkinableMenus* painter = SkinableMenus()) painter->DeleteUnusedBmps();
  HookMDI(*this, false);
  BorderForm.reset();
  if (!Form || Form->IsDestroying() || IsDestroying()) return;
  const HWND wnd = Form->HandleAllocated() ? Form->WindowHandle() : nullptr;
  InitMenuItems(false);
  MenusInitialized = false;
  CheckSysMenu(false);
  if (HaveBorder() && !InMenu && wnd) SetWindowRgn(wnd, nullptr, TRUE);
  {
    // The menu is rebuilt without its pictures; attaching the image list again rebuilds it
    // with them in the system's own drawing.
    TMainMenu* menu = Form->Menu();
    TCustomImageList* images = menu ? menu->Images() : nullptr;
    if (images) menu->SetImages(nullptr);
    const TScopeExit reattach([menu, images] {
      if (images) menu->SetImages(images);
    });
    UpdateMenu();
  }
  if (FUseGlobalColor && !FCommonData->FCustomColor) Form->SetColor(clBtnFace);
  // A form see-through by its own setting stays so without the skin.
  if (wnd && Form->AlphaBlend()) DoLayered(wnd, true, Form->AlphaBlendValue());
  if (const HWND client = Form->ClientHandle()) RedrawWindow(client, nullptr, nullptr, 0x585);
  while (!SavedLabelColors.empty()) InitLabel(SavedLabelColors.back().Control, false);
  FCommonData->FCacheBmp.reset();
  // The window class's background brush stays the class's (it was never changed: LoadInit).
  if (wnd) SendAMessage(wnd, KV_UPDATEFLOATITEMS, 0);
  if (FSystemBlur) {
    if (FSystemBlur->Active()) FCommonData->TranspMode = 2;
    FSystemBlur->UpdateBlurMode(false);
  }
}

bool TsSkinProvider::KV_SMAlphaCmd_Unskinned(TMessage& m) {
  switch (m.WParamHi) {
    case KV_SETNEWSKIN: {
      if (IsDestroying() || !FCommonData) return false;
      DuRiruZireziv* manager = SkinManager();
      if (reinterpret_cast<DuRiruZireziv*>(m.LParam) == manager && manager) {
        // The blur needs its glass once the form is skinned: the next showing or refresh
        // applies it.
        if (FSystemBlur && FSystemBlur->Active()) FFormState |= FS_GLASSNEEDED;
        FCommonData->SetCommonSkinData(nullptr);
        // Menu pictures of the old skin go.
        if (TsSkinableMenus* painter = SkinableMenus()) painter->DeleteUnusedBmps();
        FCommonData->UpdateIndexes(true);
        DropUWPTemplates();
        FTitleSkinIndex = -1;
        InitIndexes();
        UpdateSysExHeight();
        CheckSysMenu(true);
        UpdateIconsIndexes();
        FormActive = Form && Form->Active();
        // An MDI main form is drawn active while one of its children is.
        if (Form && !FormActive && Form->FormStyle() == fsMDIForm && Screen)
          if (TCustomForm* child = Form->ActiveMDIChild(); child && child == Screen->ActiveForm()) FormActive = true;
        if (!manager->IsLoading()) {
          if (Form && Form->Menu() && Form->Menu()->OwnerDraw()) MenusInitialized = true;
          InitMenuItems(true);
          if (!MenusInitialized) MenusInitialized = UpdateMenu();
        }
        FCommonData->BGChanged = true;
        FLinesCount = -1;
        RgnChanged = true;
        HookMDI(*this, true);
        UpdateTitleBar(*this);
        if (Form && Form->HandleAllocated()) InitDwm(Form->WindowHandle(), CanDrawNCArea(), false);
        if (!Adapter)
          AdapterCreate();
        else
          Adapter->AddAllItems(nullptr);
      }
      return true;
    }
    case KV_GETPROVIDER: m.Result = reinterpret_cast<intptr_t>(static_cast<TkvFormProvider*>(this)); return true;
    case KV_PREPARECACHE:
      if (FCommonData) FCommonData->BGChanged = false;
      return true;
    default: return false;
  }
}

bool TsSkinProvider::KV_SMAlphaCmd_Skinned(TMessage& m) {
  DuRiruZireziv* manager = SkinManager();
  const HWND wnd = Form->HandleAllocated() ? Form->WindowHandle() : nullptr;
  switch (m.WParamHi) {
    // Windows that take the form's blur; registered only while the form is skinned.
    case KV_FLUENTHANDLE: {
      const HWND window = reinterpret_cast<HWND>(m.LParam);
      const auto at = std::find(FluentHandles.begin(), FluentHandles.end(), window);
      if (m.WParamLo == 1) {
        if (at == FluentHandles.end()) FluentHandles.push_back(window);
      } else if (at != FluentHandles.end()) {
        FluentHandles.erase(at);
      }
      break;
    }
    case KV_SETNEWSKIN:
      if (reinterpret_cast<DuRiruZireziv*>(m.LParam) != manager) break;
      if (TsSkinableMenus* painter = SkinableMenus()) painter->DeleteUnusedBmps();
      FCommonData->UpdateIndexes(true);
      FTitleSkinIndex = -1;
      InitIndexes();
      UpdateTitleBar(*this);
      RefreshMDI(*this);
      if (TempBmp) TempBmp->SetSize(0, 0);
      if (manager) {
        UpdateIconsIndexes();
        CheckSysMenu(CanDrawNCArea());
        if (TsSkinableMenus* painter = SkinableMenus()) painter->UpdateMenus();
        FCommonData->BGChanged = true;
        FLinesCount = -1;
      }
      RgnChanged = true;
      if (wnd) InitDwm(wnd, true, false);
      if (manager && Form->Showing()) InitExBorders(manager->GetExtendedBorders());
      // The title-bar items' fades show the old skin.
      if (TsTitleBar* bar = TitleBarOf(Form)) bar->KillAnimations();
      break;
    case KV_REFRESH:
      if (!RefreshNeeded(FCommonData.get(), m)) break;
      UpdateTitleBar(*this);
      if (!Adapter)
        AdapterCreate();
      else
        Adapter->AddAllItems(nullptr);
      if (CanDrawNCArea() && FDrawClientArea) RefreshFormScrolls();
      FLinesCount = -1;
      if (manager && !manager->IsLoading()) {
        UpdateMenu();
        InitMenuItems(Skinned());
      }
      if (HaveBorder()) RgnChanged = true;
      if (wnd && Form->Visible()) {
        FCommonData->BGChanged = true;
        if (manager) InitExBorders(manager->GetExtendedBorders());
        if (!InAnimationProcess) {
          const HWND client = Form->FormStyle() == fsMDIForm ? Form->ClientHandle() : nullptr;
          TCustomForm* active = client ? Form->ActiveMDIChild() : nullptr;
          if (active && active->HandleAllocated() && ::IsZoomed(active->WindowHandle())) {
            // The maximized child's buttons stand in the main form's menu line.
            ProcessMessage(WM_NCPAINT);
            InvalidateRect(active->WindowHandle(), nullptr, TRUE);
          } else {
            RedrawWindow(wnd, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN | RDW_UPDATENOW | RDW_FRAME);
            if (client)
              RedrawWindow(client, nullptr, nullptr,
                           RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN | RDW_UPDATENOW | RDW_FRAME);
          }
        }
        if (FUseGlobalColor && !FCommonData->FCustomColor) Form->SetColor(manager->GetGlobalColor());
        if (MDIForm) MDIForm->ConnectToClient();
        StopUpdating();
        SendToAdapter(m);
        if (BorderForm) BorderForm->UpdateExBordersPos(true, 255);
        SendAMessage(wnd, KV_UPDATEFLOATITEMS, 0);
      }
      // A blur still waiting for its glass takes it with the refreshed skin.
      if (wnd && (FFormState & FS_GLASSNEEDED) && FSystemBlur) FSystemBlur->UpdateBlurMode(true);
      break;
    case KV_GETPROVIDER: m.Result = reinterpret_cast<intptr_t>(static_cast<TkvFormProvider*>(this)); break;
    case KV_UPDATING:
      // A flag, not a level: the sender says whether the form is being updated. A query
      // (low word 0) never ends an update a scope of the provider holds by its count.
      FCommonData->FUpdating = m.WParamLo == 1;
      if (FCommonData->FUpdating) FCommonData->BGChanged = true;
      break;
    case KV_BEFORESCROLL:
      if (wnd && FCommonData->RepaintIfMoved()) SendMessageW(wnd, WM_SETREDRAW, 0, 0);
      break;
    case KV_AFTERSCROLL:
      if (wnd && FCommonData->RepaintIfMoved()) {
        SendMessageW(wnd, WM_SETREDRAW, 1, 0);
        RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
        if (MDISkinProvider == this)
          if (const HWND client = Form->ClientHandle())
            RedrawWindow(client, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
      }
      break;
    case KV_PREPARING: m.Result = !InAnimationProcess && FCommonData->GetUpdating() ? 1 : 0; break;
    case KV_SETBGCHANGED: FCommonData->BGChanged = true; break;
    case KV_ENDPARENTUPDATE:
      if (FCommonData->GetUpdating() && !FCommonData->InUpdating(true) && wnd) {
        RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
        SetParentUpdated(Form);
      }
      break;
    case KV_CHILDCHANGED: {
      // Whether the children's backgrounds change with the form's size: an image or gradient
      // in the normal look, or a border image drawn stretched.
      bool changes = false;
      if (FGenData) {
        const TsGenState& look = FGenData->Props[0];
        changes = look.ImagePercent + look.GradientPercent >= 1;
        if (!changes)
          if (TkvSkinData* data = SkinDataFor();
              data && FGenData->BorderIndex >= 0 && FGenData->BorderIndex < Integer(data->ma.size()))
            changes = (data->ma[size_t(FGenData->BorderIndex)].DrawMode & 4) != 0;
      }
      m.Result = changes ? 1 : 0;
      m.LParam = m.Result;
      break;
    }
    case KV_SETALPHA:
      // The form's window fades through its layered alpha; full opacity leaves it unlayered.
      if (wnd && IsWindowVisible(wnd)) {
        // The style change first: its handler repaints the outer border window opaque, and the
        // fade below must be the last picture that window gets.
        const LONG ex = GetWindowLongW(wnd, GWL_EXSTYLE);
        if (m.LParam != 255) {
          if (!(ex & WS_EX_LAYERED)) SetWindowLongW(wnd, GWL_EXSTYLE, ex | WS_EX_LAYERED);
          SetLayeredWindowAttributes(wnd, 0, BYTE(m.LParam), LWA_ALPHA);
        } else if (ex & WS_EX_LAYERED) {
          SetWindowLongW(wnd, GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
        }
        // The outer border window shows the whole window picture: it fades with the form.
        if (BorderForm && BorderForm->AForm && FCommonData->FCacheBmp)
          SetFormBlendValue(BorderForm->LayeredWindow(), FCommonData->FCacheBmp.get(), Integer(m.LParam), nullptr);
      }
      break;
    case KV_INVALIDATE:
      if (wnd) {
        FCommonData->BGChanged = true;
        RedrawWindow(wnd, nullptr, nullptr, m.WParamLo ? 0x585 : 0x485);
      }
      break;
    case KV_GETCONTROLCOLOR: m.Result = GetBGColor(FCommonData.get(), 0); break;
    case KV_PREPARECACHE:
      if (FCommonData->SkinIsChanging() || !FCommonData->BGChanged || FCommonData->GetUpdating()) {
        m.Result = -2;
      } else {
        PaintAll();
        if (FCommonData->BGChanged && (Form->ControlState().Contains(csCreating) ||
                                       (FFormState & (FS_ANIMCLOSING | FS_BLENDMOVING)) || FCommonData->SkinIndex < 0))
          FCommonData->BGChanged = false;
      }
      break;
    case KV_MOUSELEAVE:
      SetHotHT(-1, true);
      biClicked = false;
      break;
    case KV_NCPAINT:
      if (m.LParam == 1) FCommonData->BGChanged = true;
      if (m.LParam == 1) UpdateTitleBar(*this);
      UpdateSkinCaption();
      break;
    case KV_SETPOSCHANGING:
      FFormState = m.LParam == 1 ? FFormState | FS_POSCHANGING : FFormState & ~FS_POSCHANGING;
      break;
    case KV_GETPOSCHANGING: m.Result = FFormState & FS_POSCHANGING ? 1 : 0; break;
    case KV_GETBORDERWIDTH:
      if (m.LParamLo == 1 || m.LParamLo == 2) {
        m.Result = (m.LParamLo == 1 ? SizeFrame() : FixedFrame()) + FramePadding();
      } else if (ListSW && !ListSW->Destroyed && ListSW->cxLeftEdge > 0) {
        // The wrapper measured the frame's left edge (the client width lacks the bars).
        m.Result = ListSW->cxLeftEdge - Form->BorderWidth();
      } else {
        m.Result = (GetWindowWidth(wnd) - GetClientWidth(wnd)) / 2 - Form->BorderWidth();
        if (m.Result == 0)
          m.Result = (m.LParamHi == 1 ? SizeFrame() : m.LParamHi == 2 ? FixedFrame() : 0) + FramePadding();
      }
      break;
    case KV_KILLTIMERS:
      PassOn(m);
      if (Form->HandleAllocated()) {
        TMessage child = m;
        AlphaBroadCast(Form, child);
      }
      break;
    case KV_CONTROLLOADED:
      if (!Form->IsLoading() && Adapter) Adapter->AddAllItems(reinterpret_cast<TWinControl*>(m.LParam));
      break;
    case KV_GETFONTINDEX:
      if (auto* info = reinterpret_cast<TkvPaintInfo*>(m.LParam)) {
        TsGeneralData* section = FGenData;
        if (FFormHeader && FFormHeader->AdditionalHeight() > 0 && FHeaderIndex >= 0 &&
            FFormHeader->ScaledAddHeight() > info->R.Top) {
          // A control on the header band writes in the band's colours.
          info->FontIndex = FHeaderIndex;
          info->SkinManager = manager;
          m.Result = 1;
        } else if (Form && Form->Parent() && NeedParentFont(FCommonData.get(), info->State)) {
          m.Result = GetFontIndex(Form->Parent(), info);
        } else if (section && info->State < section->States && FDrawClientArea) {
          info->FontIndex = FCommonData->SkinIndex;
          info->SkinManager = manager;
          m.Result = 1;
        } else {
          m.Result = -1;
        }
      }
      break;
    case KV_SETNCSKINNED: UpdateNCArea(m.LParam != 0); break;
    case KV_ANIMSCALE: AnimChangeScale(m.WParamLo, m.LParamLo != 0); break;
    default: break;
  }
  return true;
}
