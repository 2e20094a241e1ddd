// A test double of a form's skin provider and of its outer border window, carrying the fields
// that the skin layer reads and writes of them, and counting the provider operations it is
// asked for. The provider registers its form (IntSkinForm) while it lives, puts its skin data
// into the form window's "KVSDATA" (so the form counts as skinned) and answers KV_GETPROVIDER
// sent to the form with itself.
//
//   TProviderDouble p(form, &manager);       // the form's window is made
//   p.BorderForm = &border;                  // an outer border window, when the test wants one
#pragma once

#include <windows.h>

#include <memory>

#include "base/kvntTypes.h"
#include "base/sMessages.h"
#include "skin/FormServices.h"
#include "skin/sCommonData.h"
#include "skin/sStyleSimply.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"

class TBorderDouble : public TkvBorderWindow {
 public:
  TBorderDouble() = default;
  ~TBorderDouble() override {
    if (AForm) DestroyWindow(AForm);
  }
  // Makes AForm, a layered popup window (not shown).
  void CreateNewForm() override {
    if (AForm) DestroyWindow(AForm);
    AForm = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 50, 40, nullptr, nullptr,
                            nullptr, nullptr);
  }
  HWND LayeredWindow() override { return AForm; }
  void FreeLayeredWindow() override {
    if (AForm) DestroyWindow(AForm);
    AForm = nullptr;
  }
  bool IsLocked() override { return Locked; }
  bool& ShowingFlag() override { return ExBorderShowing; }
  HRGN MakeRgn() override {
    ++made_regions;
    return CreateRectRgn(0, 0, 10, 10);
  }
  void UpdateExBordersPos(bool repaint, Byte blend) override {
    ++positioned;
    last_repaint = repaint;
    last_blend = blend;
  }
  Integer OffsetX() override { return FormOffset.X; }
  Integer OffsetY() override { return FormOffset.Y; }
  // Its window is a plain popup, no layered form of the engine's: it has none to hand over.
  std::unique_ptr<TkvGlowForm> ReleaseLayeredForm() override { return nullptr; }

  HWND AForm = nullptr;
  HWND ParentHandle = nullptr;
  TPoint FormOffset;  // where the form lies in the border's picture
  bool Locked = false;
  bool ExBorderShowing = false;
  int made_regions = 0;
  int positioned = 0;
  bool last_repaint = false;
  Byte last_blend = 0;
};

class TProviderDouble : public TObject, public TkvFormProvider {
 public:
  TProviderDouble(TForm* form, DuRiruZireziv* manager) : Form(form), FCommonData(std::make_unique<TsCommonData>(this)) {
    FCommonData->FSkinManager = manager;
    FCommonData->FSWHandle = form->Handle();
    SetCommonData(form->Handle(), FCommonData.get());
    old_ = form->WindowProc();
    form->SetWindowProc(TWndMethod(this, &TProviderDouble::Proc));
    IntSkinForm(form);
  }
  ~TProviderDouble() override {
    IntUnSkinForm(Form);
    if (Form->WindowProc() == TWndMethod(this, &TProviderDouble::Proc)) Form->SetWindowProc(old_);
    if (Form->HandleAllocated()) SetCommonData(Form->WindowHandle(), nullptr);
  }
  void Proc(TMessage& m) {
    if (m.Msg == SM_ALPHACMD && m.WParamHi == KV_GETPROVIDER) {
      m.Result = reinterpret_cast<intptr_t>(static_cast<TkvFormProvider*>(this));
      return;
    }
    old_(m);
  }

  TForm* ProviderForm() override { return Form; }
  TsCommonData* SkinData() override { return FCommonData.get(); }
  Cardinal& FormStateBits() override { return FFormState; }
  bool& AnimatingMark() override { return FInAnimation; }
  bool& SkipAnimationMark() override { return SkipAnimation; }
  bool AllowsAnimation() override { return FAllowAnimation; }
  bool PaintsNonClientArea() override { return FDrawNonClientArea; }
  TkvBorderWindow* OuterBorder() override { return BorderForm; }
  std::unique_ptr<TBitmap>& Snapshot() override { return CoverBmp; }
  Integer ActualTitleHeight() override { return TitleHeight; }
  std::unique_ptr<TBitmap> GetFormImage() override {
    ++images;
    return std::make_unique<TBitmap>(Form->Width(), Form->Height(), pf32bit);
  }
  std::unique_ptr<TkvGlowForm> TakeCoverForm() override { return std::move(OwnCover); }
  void FillArOR() override { ++corner_fills; }
  void UpdateRgn() override { ++region_updates; }
  bool TransparencyCallback(TControl*, Integer&) override {
    ++transparency_calls;
    return false;
  }

  // The fields of a form's provider.
  TForm* Form;
  std::unique_ptr<TsCommonData> FCommonData;
  Cardinal FFormState = 0;
  bool FInAnimation = false;
  bool SkipAnimation = false;
  bool FAllowAnimation = true;
  bool FAllowExtBorders = true;
  bool FDrawNonClientArea = true;
  TBorderDouble* BorderForm = nullptr;
  std::unique_ptr<TBitmap> CoverBmp;
  HWND CoverForm = nullptr;
  std::unique_ptr<TkvGlowForm> OwnCover;  // the cover window it keeps over its form (TakeCoverForm)
  Integer TitleHeight = 30;

  // What it was asked for.
  int images = 0;
  int corner_fills = 0;
  int region_updates = 0;
  int transparency_calls = 0;

 private:
  TWndMethod old_;
};
