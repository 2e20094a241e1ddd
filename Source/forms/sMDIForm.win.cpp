// MDI support of a skin provider.
#include "forms/sMDIForm.h"

#include <algorithm>

#include "forms/sSkinProvider.h"
#include "skin/sCommonData.h"
#include "skin/sStyleSimply.h"
#include "ui/Icon.h"

TsSkinProvider* MDISkinProvider = nullptr;

TsMDIForm::TsMDIForm(TsSkinProvider* owner) : SkinProvider(owner) {
  if (owner && owner->Form) {
    FForm = owner->Form;
    FForm->HandleNeeded();
  }
}

TsMDIForm::~TsMDIForm() { DestroyScrolls(); }

void TsMDIForm::ConnectToClient() {
  if (!FForm || FForm->IsDesigning() || ListSW) return;
  RefreshMDIScrolls();
}

void TsMDIForm::RefreshMDIScrolls() {
  DestroyScrolls();
  if (!SkinProvider->FCommonData->Skinned() || !FForm || !FForm->ClientHandle()) return;
  TkvSkinParams params;
  params.SkinSection = u"CHECKBOX";
  params.VertScrollSize = params.HorzScrollSize = params.VertScrollBtnSize = params.HorzScrollBtnSize = -1;
  auto* wnd =
      TkvMainWnd::MakeWrapper<TkvMDIWnd>(FForm->ClientHandle(), nullptr, SkinProvider->SkinManager(), params, true);
  wnd->FForm = FForm;
  wnd->MDISkinData = SkinProvider->FCommonData.get();
  wnd->SkinProvider = this;
  ListSW = wnd;
}

void TsMDIForm::DestroyScrolls() {
  if (!ListSW) return;
  const HWND client = ListSW->CtrlHandle;
  UninitializeKVScroll(client, true, false, ListSW);
}

void TsMDIForm::UpdateMDIIconItem() {
  // The menu line is part of the frame's picture, which is painted anew with it.
  if (!SkinProvider || !SkinProvider->FCommonData) return;
  SkinProvider->RepaintMenu();
}

void TsMDIForm::SendToActiveChild(Cardinal command) {
  TCustomForm* child = FForm ? FForm->ActiveMDIChild() : nullptr;
  if (child && child->HandleAllocated()) SendMessageW(child->WindowHandle(), WM_SYSCOMMAND, command, 0);
}

void TsMDIForm::CloseClick(TObject*) { SendToActiveChild(SC_CLOSE); }
void TsMDIForm::MinClick(TObject*) { SendToActiveChild(SC_MINIMIZE); }
void TsMDIForm::RestoreClick(TObject*) { SendToActiveChild(SC_RESTORE); }

HWND TsMDIForm::FormWindow() { return FForm && FForm->HandleAllocated() ? FForm->WindowHandle() : nullptr; }
TsCommonData* TsMDIForm::FormSkinData() { return SkinProvider->FCommonData.get(); }
bool TsMDIForm::Animating() { return SkinProvider->fAnimating; }
void TsMDIForm::RepaintPicture() { SkinProvider->PaintAll(); }
bool TsMDIForm::HasOuterBorder() { return SkinProvider->OuterBorder() != nullptr; }

void TsMDIForm::BackgroundChanged(bool menuChanged) {
  TsSkinProvider* sp = MDISkinProvider ? MDISkinProvider : SkinProvider;
  sp->FCommonData->BGChanged = true;
  sp->FLinesCount = -1;
  if (menuChanged) sp->MenuChanged = true;
}

void TsMDIForm::UpdateSystemMenu() {
  if (SkinProvider->SystemMenu) SkinProvider->SystemMenu->UpdateItems(true);
}

void TsMDIForm::UpdateSkinCaption() { SkinProvider->UpdateSkinCaption(); }

void HookMDI(TsSkinProvider& sp, bool active) {
  if (!active) {
    sp.MDIForm.reset();
    if (MDISkinProvider == &sp) {
      MDISkinProvider = nullptr;
      sp.MDIMenuUnhook();
    }
    return;
  }
  if (!sp.Form || sp.Form->FormStyle() != fsMDIForm) return;
  // A client without its wrapper means the support object is stale.
  if (sp.MDIForm && !WndIsSkinned(sp.Form->ClientHandle())) sp.MDIForm.reset();
  if (!sp.MDIForm) {
    MDISkinProvider = &sp;
    sp.MDIMenuHook();
    sp.MDIForm = std::make_unique<TsMDIForm>(&sp);
    sp.MDIForm->ConnectToClient();
  }
}

void RefreshMDI(TsSkinProvider& sp) {
  if (sp.MDIForm) sp.MDIForm->RefreshMDIScrolls();
}

bool MDIButtonsNeeded(TsSkinProvider& sp) {
  TForm* form = sp.Form;
  if (!form || form->FormStyle() != fsMDIForm || !form->Menu()) return false;
  TCustomForm* child = form->ActiveMDIChild();
  if (!child || !child->HandleAllocated() || !ProviderOf(child->WindowHandle())) return false;
  return child->WindowState() == wsMaximized && child->BorderIcons().Contains(biSystemMenu);
}

HICON MDIChildIcon(TCustomForm* child) {
  if (!child || !child->HandleAllocated()) return nullptr;
  const HWND h = child->WindowHandle();
  auto icon = reinterpret_cast<HICON>(SendMessageW(h, WM_GETICON, ICON_SMALL, 0));
  if (!icon) icon = reinterpret_cast<HICON>(SendMessageW(h, WM_GETICON, ICON_BIG, 0));
  if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(h, GCLP_HICONSM));
  if (!icon)
    if (TIcon* app = AppIcon(); app && !app->Empty()) icon = app->Handle();
  if (!icon) icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  return icon;
}

bool ChildIconPresent() {
  TsSkinProvider* sp = MDISkinProvider;
  if (!sp || !sp->Form || sp->Form->FormStyle() != fsMDIForm) return false;
  TCustomForm* child = sp->Form->ActiveMDIChild();
  return child && child->WindowState() == wsMaximized && child->BorderIcons().Contains(biSystemMenu) &&
         MDIChildIcon(child) != nullptr;
}

void MdiIcoFormPaint(TsSkinProvider& sp, TCustomForm* sender) {
  TBitmap* cache = sp.FCommonData->FCacheBmp.get();
  if (!sender || !cache || !sp.Form || !sp.Form->HandleAllocated()) return;
  const Integer height = GetSystemMetrics(SM_CYMENU) + 3;
  const Integer b = SysBorderWidth(sp.Form->WindowHandle(), sp.OuterBorder(), true);
  const TRect shadow = sp.ShadowSize();
  // The block ends at the menu line's right end. The picture of an outer border window is wider
  // than the form by its frame and shadow: the block starts one frame width in. Without that
  // window the picture is the form itself, and the block ends inside the frame's right border
  // (counted from the left border it would reach past the picture).
  const Integer x = sp.OuterBorder() ? b + sp.Form->Width() - 60 - shadow.Right : sp.Form->Width() - b - 60;
  const Integer y = sp.CaptionHeight(true) + shadow.Top;
  BitBlt(sender->Canvas()->Handle(), 0, 0, 60, height, cache->Canvas()->Handle(), x, y, SRCCOPY);
}

// ---- The maximized child's buttons in the menu line -----------------------------------------

namespace {

TsSkinProvider* ActiveChildProvider(TsSkinProvider& sp) {
  TCustomForm* child = sp.Form ? sp.Form->ActiveMDIChild() : nullptr;
  return child && child->HandleAllocated() ? ProviderOf(child->WindowHandle()) : nullptr;
}

}  // namespace

void CalcMDIButtons(TsSkinProvider& sp) {
  TsCaptionButton* buttons[3] = {&sp.MDIClose, &sp.MDIMax, &sp.MDIMin};
  if (!MDIButtonsNeeded(sp) || sp.MenuHeight() <= 0) {
    for (TsCaptionButton* b : buttons) b->cpRect = TRect();
    return;
  }
  const HWND h = sp.Form->WindowHandle();
  const TRect shadow = sp.ShadowSize();
  const Integer w = sp.SmallButtonWidth(), bh = sp.SmallButtonHeight();
  // The last menu line, the buttons centred in its height.
  const Integer top = SysBorderHeight(h, sp.OuterBorder(), false) + sp.CaptionHeight(true) + shadow.Top +
                      (sp.MenuHeight() - bh) / 2 + (std::max(sp.LinesCount(), Integer(1)) - 1) * sp.MenuHeight();
  const Integer right = sp.CaptionWidth() - SysBorderWidth(h, sp.OuterBorder(), true) - shadow.Right;
  for (Integer i = 0; i < 3; ++i) {
    const Integer left = right - (i + 1) * (w + 1);
    buttons[i]->cpRect = TRect(left, top, left + w, top + bh);
  }
}

bool MDIButtonDisabled(TsSkinProvider& sp, Integer ht) {
  TsSkinProvider* child = ActiveChildProvider(sp);
  if (!child || !child->SystemMenu) return false;
  if (ht == HTCHILDMAX) return !child->SystemMenu->EnabledRestore();
  if (ht == HTCHILDMIN) return !child->SystemMenu->EnabledMin();
  return false;
}

void PaintMDIButtons(TsSkinProvider& sp, TBitmap* bmp) {
  CalcMDIButtons(sp);
  if (sp.MDIClose.cpRect.Width() <= 0) return;
  TCustomForm* child = sp.Form->ActiveMDIChild();
  sp.MDIMin.cpGlyphType = tgSmallMin;
  sp.MDIMax.cpGlyphType = !child || child->WindowState() == wsMaximized ? tgSmallNormal : tgSmallMax;
  sp.MDIClose.cpGlyphType = tgSmallClose;
  sp.PaintCaptionButton(bmp, sp.MDIMin, HTCHILDMIN);
  sp.PaintCaptionButton(bmp, sp.MDIMax, HTCHILDMAX);
  sp.PaintCaptionButton(bmp, sp.MDIClose, HTCHILDCLOSE);
}

Integer MDIButtonHitTest(TsSkinProvider& sp, TPoint p) {
  if (!MDIButtonsNeeded(sp)) return 0;
  CalcMDIButtons(sp);
  if (sp.MDIClose.cpRect.Contains(p)) return HTCHILDCLOSE;
  if (sp.MDIMax.cpRect.Contains(p)) return HTCHILDMAX;
  if (sp.MDIMin.cpRect.Contains(p)) return HTCHILDMIN;
  return 0;
}

bool MDIButtonCommand(TsSkinProvider& sp, Integer ht) {
  if (ht < HTCHILDCLOSE || ht > HTCHILDMIN) return false;
  if (!sp.MDIForm || MDIButtonDisabled(sp, ht)) return true;
  if (ht == HTCHILDCLOSE)
    sp.MDIForm->CloseClick(nullptr);
  else if (ht == HTCHILDMAX)
    sp.MDIForm->RestoreClick(nullptr);
  else
    sp.MDIForm->MinClick(nullptr);
  return true;
}
