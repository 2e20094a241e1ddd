// The caption of a skinned form: the layout of icon and caption buttons, the one list of
// mouse-reactive elements that layout, hit test and hot and pressed states share, the
// non-client mouse and the system-menu queries.
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "controls/kvAlphaHints.h"
#include "controls/kvGlow.h"
#include "controls/kvPopupController.h"
#include "forms/kvTitleBar.h"
#include "forms/sMDIForm.h"
#include "forms/sSkinProvider.h"
#include "paint/sAlphaGraph.h"
#include "skin/sVclUtils.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"

namespace {

// The one test of a user-button hit code, for every handler: a code names one of the
// buttons that exist, and at most kvMaxCaptionItems of them.
bool IsUserButtonHT(TsSkinProvider* sp, Integer ht) {
  const Integer count = Mini(sp->FTitleButtons->Count(), kvMaxCaptionItems);
  return ht >= HTUDBTN && ht < HTUDBTN + count;
}

TsTitleButton* UserButtonOf(TsSkinProvider* sp, Integer ht) {
  return IsUserButtonHT(sp, ht) ? sp->FTitleButtons->Items(ht - HTUDBTN) : nullptr;
}

bool IsSystemButtonHT(Integer ht) { return ht == HTMINBUTTON || ht == HTMAXBUTTON || ht == HTCLOSE || ht == HTHELP; }

bool IsMDIButtonHT(Integer ht) { return ht >= HTCHILDCLOSE && ht <= HTCHILDMIN; }

// The alpha hints' hide timer when the hot caption element changes: fired at once when the
// mouse leaves the elements, restarted when it moves on to another one.
void NudgeHintHideTimer(bool leaving) {
  TsAlphaHints* hints = Manager;
  if (!hints || !hints->HideTimer) return;
  if (!leaving) {
    hints->StartHideTimer(0);
    return;
  }
  if (const TNotifyEvent fire = hints->HideTimer->OnTimer()) fire.Call(hints->HideTimer);
}

// The provider of an MDI main form's active child; null when there is none.
TsSkinProvider* ActiveChildProviderOf(TForm* form) {
  TCustomForm* child = form && form->FormStyle() == fsMDIForm ? form->ActiveMDIChild() : nullptr;
  return child && child->HandleAllocated() ? ProviderOf(child->WindowHandle()) : nullptr;
}

}  // namespace

// ---- System-menu queries ---------------------------------------------------------------------

namespace {
TFormBorderStyle BS(const TsSkinProvider* sp) { return sp->Form->BorderStyle(); }
bool Minimized(const TsSkinProvider* sp) { return sp->IsIconicForm(); }
bool MDIChild(const TsSkinProvider* sp) { return sp->Form->FormStyle() == fsMDIChild; }
bool HasBI(const TsSkinProvider* sp, TBorderIcon bi) { return sp->Form->BorderIcons().Contains(bi); }
// The styles whose caption shows maximize, minimize and restore.
bool StyleHasBoxes(TFormBorderStyle s) {
  return s != bsNone && s != bsDialog && s != bsToolWindow && s != bsSizeToolWin;
}
HMENU WindowSysMenu(const TsSkinProvider* sp) {
  return sp->Form->HandleAllocated() ? GetSystemMenu(sp->Form->WindowHandle(), FALSE) : nullptr;
}
}  // namespace

bool TsSystemMenu::VisibleClose() const {
  if (!FOwner->HaveSysMenu()) return false;
  if (HMENU menu = WindowSysMenu(FOwner)) return GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) != UINT(-1);
  return HasBI(FOwner, biSystemMenu);
}

bool TsSystemMenu::VisibleMax() const {
  if (!FOwner->HaveSysMenu()) return false;
  if (Minimized(FOwner) &&
      (!Application || !Application->MainFormOnTaskbar() || Application->MainForm() != FOwner->Form))
    return true;
  if (MDIChild(FOwner)) return true;
  return StyleHasBoxes(BS(FOwner)) && HasBI(FOwner, biMaximize);
}

bool TsSystemMenu::VisibleMin() const {
  if (!FOwner->HaveSysMenu()) return false;
  if (Minimized(FOwner) || MDIChild(FOwner)) return true;
  return StyleHasBoxes(BS(FOwner)) && HasBI(FOwner, biMinimize);
}

bool TsSystemMenu::VisibleRestore() const {
  if (!FOwner->HaveSysMenu()) return false;
  return MDIChild(FOwner) || StyleHasBoxes(BS(FOwner));
}

bool TsSystemMenu::VisibleSize() const {
  const TFormBorderStyle s = BS(FOwner);
  return MDIChild(FOwner) || (s != bsDialog && s != bsNone && s != bsToolWindow);
}

bool TsSystemMenu::EnabledClose() const {
  if (HMENU menu = WindowSysMenu(FOwner)) {
    const UINT state = GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND);
    return state != UINT(-1) && !(state & (MF_DISABLED | MF_GRAYED));
  }
  return HasBI(FOwner, biSystemMenu);
}

bool TsSystemMenu::EnabledMax() const {
  const TFormBorderStyle s = BS(FOwner);
  return (MDIChild(FOwner) || s == bsSingle || s == bsSizeable) && HasBI(FOwner, biMaximize);
}

bool TsSystemMenu::EnabledMin() const { return HasBI(FOwner, biMinimize); }

bool TsSystemMenu::EnabledMove() const { return !FOwner->IsZoomed(); }

bool TsSystemMenu::EnabledRestore() const {
  const bool normal = !FOwner->IsZoomed() && !Minimized(FOwner);
  return (HasBI(FOwner, biMaximize) && !normal) || Minimized(FOwner);
}

bool TsSystemMenu::EnabledSize() const { return BS(FOwner) != bsSingle && !Minimized(FOwner); }

void TsSkinProvider::CheckSysMenu(bool skinned) {
  const HWND h = FormWnd(this);
  if (!h) return;
  const LONG style = GetWindowLongW(h, GWL_STYLE);
  if (skinned) {
    // The system must draw no caption buttons over the skinned ones.
    if (!CanDrawNCArea())
      SetWindowLongW(h, GWL_STYLE, style | WS_SYSMENU);
    else if (style & WS_SYSMENU)
      SetWindowLongW(h, GWL_STYLE, style & ~WS_SYSMENU);
  } else if (HaveSysMenu()) {
    SetWindowLongW(h, GWL_STYLE, style | WS_SYSMENU);
    const LRESULT icon = SendMessageW(h, WM_GETICON, ICON_SMALL, 0);
    SendMessageW(h, WM_SETICON, ICON_SMALL, icon);
  }
}

// ---- Caption layout --------------------------------------------------------------------------

void TsSkinProvider::CalcItems() {
  const HWND h = FormWnd(this);
  TkvSkinData* data = SkinDataFor();
  DuRiruZireziv* manager = SkinManager();
  if (!h || !data || !manager) return;
  const Integer b = SysBorderWidth(h, OuterBorder(), true);
  Integer fullRight = CaptionWidth() - Maxi(b, 4);
  Integer fullLeft = b;
  const bool zoomed = IsZoomed();
  const Integer captH = CaptionHeight(true);
  Integer top = 0;
  // The maximized title of a skin whose extended title is of another height keeps its icon
  // lower by half the difference.
  Integer iconShift = 0;
  if (OuterBorder()) {
    // The caption lies inside the shadow margins and the skin's button margins of the picture.
    const TRect shadow = ShadowSize();
    top = GetTopCoord();
    FHeaderHeight = captH + shadow.Top;
    // Centred on the skin's title; a skin without an extended title height has the
    // caption's own.
    const Integer titleH = ActualTitleHeight(false);
    VCenter = FHeaderHeight - (titleH > 0 ? titleH : captH) / 2;
    if (!zoomed || data->ExTitleHeight == data->ExMaxHeight)
      VCenter += data->ExCenterOffs;
    else
      iconShift = (data->ExTitleHeight - data->ExMaxHeight) / 2 - 2;
    fullLeft = shadow.Left + data->BILeftMargin + b;
    fullRight -= shadow.Right + data->BIRightMargin;
  } else {
    VCenter = captH / 2;
    top = zoomed ? SizeFrame() - 1 : 0;
    FHeaderHeight = SysBorderHeight(h, nullptr, true) + captH;
    VCenter += SysBorderWidth(h, nullptr, true) / 2;
  }
  if (zoomed) VCenter += 2;

  Integer iconW = 0;
  if (IconVisible()) {
    const Integer ih = ScaleInt(TitleIconHeight(), FCommonData.get());
    FIconRect.Top = VCenter - ih / 2 + iconShift;
    FIconRect.Bottom = FIconRect.Top + ih;
    iconW = ScaleInt(TitleIconWidth(), FCommonData.get());
  }
  const bool rtl = SysRTLAllowed();
  if (rtl) {
    FIconRect.Left = fullRight - iconW;
    FIconRect.Right = fullRight;
    fullRight = FIconRect.Left;
  } else {
    FIconRect.Left = fullLeft + (iconW > 0 && OuterBorder() ? data->Spacing : 0);
    FIconRect.Right = FIconRect.Left + Maxi(iconW, 0);
    fullLeft = FIconRect.Right + (iconW != 0 ? data->Spacing : 0);
  }
  if (iconW == 0) FIconRect = TRect(FIconRect.Left, FIconRect.Top, FIconRect.Left, FIconRect.Top);

  const Integer gapAfter = BigButtons ? data->BISpacing : 0;
  const Integer bh = ButtonHeight();
  auto place = [&](TsCaptionButton& btn, Integer w, bool user) {
    if (rtl) {
      btn.cpRect.Left = fullLeft;
      btn.cpRect.Right = btn.cpRect.Left + w;
      fullLeft = btn.cpRect.Right + gapAfter;
    } else {
      btn.cpRect.Right = fullRight;
      btn.cpRect.Left = btn.cpRect.Right - w;
      fullRight = btn.cpRect.Left - gapAfter;
    }
    btn.cpRect.Top = (btn.cpHaveAlignment || user) && manager->SkinCommonInfo.BIVAlign == 1 ? top : VCenter - bh / 2;
    btn.cpRect.Bottom = btn.cpRect.Top + bh;
  };
  auto hide = [](TsCaptionButton& btn) {
    btn.cpRect = TRect(btn.cpRect.Left, btn.cpRect.Top, btn.cpRect.Left, btn.cpRect.Bottom);
  };
  auto gap = [&] {
    if (rtl)
      fullLeft += data->Spacing;
    else
      fullRight -= data->Spacing;
  };

  if (SystemMenu && HaveSysMenu()) {
    place(ButtonClose, SysButtonWidth(ButtonClose), false);
    if (SystemMenu->VisibleMax()) {
      ButtonMax.cpGlyphType = BigButtons ? (zoomed ? tgNormal : tgMax) : (zoomed ? tgSmallNormal : tgSmallMax);
      place(ButtonMax, SysButtonWidth(ButtonMax), false);
    } else {
      hide(ButtonMax);
    }
    if (SystemMenu->VisibleMin()) {
      const bool iconicChild = IsIconicForm() && Application && Application->MainForm() != Form;
      ButtonMin.cpGlyphType = BigButtons ? (iconicChild ? tgNormal : tgMin) : tgSmallMin;
      place(ButtonMin, SysButtonWidth(ButtonMin), false);
    } else {
      hide(ButtonMin);
    }
    if (Form->BorderIcons().Contains(biHelp)) {
      gap();
      place(ButtonHelp, SysButtonWidth(ButtonHelp), false);
    } else {
      hide(ButtonHelp);
    }
  } else {
    for (TsCaptionButton* btn : {&ButtonClose, &ButtonMax, &ButtonMin, &ButtonHelp}) hide(*btn);
  }
  if (FTitleButtons->Count() > 0) {
    gap();
    for (Integer i = 0; i < FTitleButtons->Count(); ++i) {
      TsTitleButton* tb = FTitleButtons->Items(i);
      if (!tb->Visible) {
        hide(tb->Data);
        continue;
      }
      tb->Data.cpGlyphType = tb->UseSkinData ? tgTitleButton : tgNone;
      tb->Data.cpHitCode = Cardinal(HTUDBTN + i);
      place(tb->Data, UserButtonWidth(*tb), true);
    }
  }
  CalcTitleBarItems(*this, fullLeft, fullRight);
}

std::vector<TkvCaptionElement> TsSkinProvider::VisibleElements() {
  if (OuterBorder()) return {};  // that window tests its own buttons
  return CaptionElements();
}

std::vector<TkvCaptionElement> TsSkinProvider::CaptionElements() {
  std::vector<TkvCaptionElement> list;
  if (!SystemMenu) PrepareForm();
  if (!SystemMenu) return list;
  if (HaveSysMenu()) {
    list.push_back({&ButtonClose, HTCLOSE, -1});
    if (SystemMenu->VisibleMax()) list.push_back({&ButtonMax, HTMAXBUTTON, -1});
    if (SystemMenu->VisibleMin()) list.push_back({&ButtonMin, HTMINBUTTON, -1});
    if (Form->BorderIcons().Contains(biHelp)) list.push_back({&ButtonHelp, HTHELP, -1});
  }
  const Integer users = Mini(FTitleButtons->Count(), kvMaxCaptionItems);
  for (Integer i = 0; i < users; ++i)
    if (FTitleButtons->Items(i)->Visible) list.push_back({&FTitleButtons->Items(i)->Data, HTUDBTN + i, i});
  return list;
}

Integer GetNearestSize(Integer max) {
  if (max <= 47) return 16;
  return max <= 64 ? 24 : 32;
}

// The icon's own size, else its glyph's, else the nearest icon size to the skin's caption.
Integer TsSkinProvider::TitleIconSize(Integer own, Integer glyph) {
  if (!IconVisible()) return 0;
  if (own != 0) return own;
  if (glyph != 0) return glyph;
  TkvSkinData* data = SkinDataFor();
  return GetNearestSize(CaptionHeight(true) - (data ? data->BITopMargin : 0));
}

Integer TsSkinProvider::TitleIconWidth() { return TitleIconSize(FTitleIcon->Width, FTitleIcon->Glyph()->Width()); }

Integer TsSkinProvider::TitleIconHeight() { return TitleIconSize(FTitleIcon->Height, FTitleIcon->Glyph()->Height()); }

TPoint TsSkinProvider::CursorToPoint(Integer x, Integer y) {
  TPoint lt;
  FormLeftTop(lt);
  return TPoint(x - lt.X, y - lt.Y);
}

// ---- Hit test --------------------------------------------------------------------------------

Integer TsSkinProvider::CaptionElementCode(const TkvCaptionElement& e) {
  if (e.UserIndex >= 0) return FTitleButtons->Items(e.UserIndex)->Enabled ? e.HitCode : 0;
  switch (e.HitCode) {
    case HTCLOSE: return SystemMenu->EnabledClose() ? HTCLOSE : HTCAPTION;
    case HTMAXBUTTON:
      return SystemMenu->EnabledMax() || (SystemMenu->EnabledRestore() && !IsIconicForm()) ? HTMAXBUTTON : HTCAPTION;
    case HTMINBUTTON: return IsIconicForm() || SystemMenu->EnabledMin() ? HTMINBUTTON : HTCAPTION;
    default: return e.HitCode;
  }
}

Integer TsSkinProvider::HTProcess(TMessage& m) {
  const TPoint p = CursorToPoint(m.XPos(), m.YPos());
  const HWND h = FormWnd(this);
  // Caption buttons, user buttons and title bar items: none of them with an outer border
  // window, which tests its own.
  for (const TkvCaptionElement& e : VisibleElements()) {
    if (!e.Button->cpRect.Contains(p)) continue;
    if (e.UserIndex >= 0 && !FTitleButtons->Items(e.UserIndex)->Enabled) break;
    return CaptionElementCode(e);
  }
  if (!OuterBorder())
    if (const Integer item = TitleItemHitTest(*this, p)) return item;
  if (IsSizeBox(h) && !OuterBorder()) {
    const Integer b = SysBorderWidth(h, nullptr, true);
    const Integer w = Form->Width(), hh = Form->Height();
    Integer r = HTCLIENT;
    // The captionless look's top band is all that lies above the client area.
    if (FUWPMode ? p.Y < OffsetY() : p.Y < SysBorderHeight(h, nullptr, false))
      r = HTTOP;
    else if (p.Y >= hh - b)
      r = HTBOTTOM;
    if (p.X < b)
      r = r == HTTOP ? HTTOPLEFT : r == HTBOTTOM ? HTBOTTOMLEFT : HTLEFT;
    else if (p.X >= w - b)
      r = r == HTTOP ? HTTOPRIGHT : r == HTBOTTOM ? HTBOTTOMRIGHT : HTRIGHT;
    if (r != HTCLIENT) return r;
  }
  const Integer top = SysCaptHeight(this, 0) + SysBorderHeight(h, nullptr, true);
  if (p.Y >= 0 && p.Y <= top) {
    const Integer menuTop = SysBorderHeight(h, nullptr, false) + SysCaptHeight(this, 0);
    if (MenuHeight() > 0 && p.Y >= menuTop &&
        p.Y <= SysBorderHeight(h, nullptr, false) + CaptionHeight(false) + MenuHeight())
      return HTMENU;
    return FIconRect.Contains(p) ? HTSYSMENU : HTCAPTION;
  }
  if (p.Y <= top + LinesCount() * MenuHeight()) {
    // The maximized child's buttons lie in the last menu line of the picture, which an outer
    // border window shows moved by its shadow and frame.
    const TRect shadow = ShadowSize();
    const TPoint inPicture(p.X + shadow.Left + DiffBorder(OuterBorder()), p.Y + shadow.Top + DiffTitle(OuterBorder()));
    if (const Integer child = MDIButtonHitTest(*this, inPicture)) return child;
    return HTMENU;
  }
  // Below the menu lines: the size grip, where the skin draws one over the visible grip or over
  // the size box in which the form's skinned bars meet.
  const bool gripZone = IsGripVisible(this) || ScrollSizeBox().Contains(p);
  return gripZone && InGripCorner(p) ? HTBOTTOMRIGHT : HTCLIENT;
}

Integer TsSkinProvider::ForwardedHitTest(TMessage& m) {
  if (!BorderForm) return HTProcess(m);
  // Where the border window sees none of its parts the point is the form's client.
  const Integer r = BorderForm->Ex_WMNCHitTest(m);
  if (r == HTMENU)
    if (const HWND bw = BorderForm->LayeredWindow()) {
      // The menu line is the form's: the maximized MDI child's buttons in it, which the border
      // window does not know, are found in the picture it shows.
      RECT w{};
      GetWindowRect(bw, &w);
      if (const Integer child = MDIButtonHitTest(*this, TPoint(m.XPos() - w.left, m.YPos() - w.top))) return child;
    }
  return r == HTTRANSPARENT ? HTCLIENT : r;
}

bool TsSkinProvider::InGripCorner(const TPoint& p) {
  TkvSkinData* data = SkinDataFor();
  if (!data || data->GripRightBottom < 0 || data->GripRightBottom >= Integer(data->ma.size())) return false;
  // Where the picture draws the grip; before there is a picture there is no grip to size by.
  const TPoint anchor = GripPointInWindow(data->GripRightBottom);
  return FCommonData->FCacheBmp && !FCommonData->FCacheBmp->Empty() && p.X > anchor.X && p.Y > anchor.Y;
}

void TsSkinProvider::KV_WMNCHitTest(TMessage& m) {
  if (RTInit) {
    RTInit = false;
    LoadInit();
  }
  if (CaptionHeight(true) == 0 || !CanDrawNCArea()) {
    PassOn(m);
    return;
  }
  CalcItems();
  const Integer r = HTProcess(m);
  // The MDI client gives a child its system menu back when it changes the child's state; with
  // it the system would draw its own buttons over the skinned ones about to be pressed.
  if ((r == HTMINBUTTON || r == HTMAXBUTTON || r == HTCLOSE) && Form->FormStyle() == fsMDIChild) CheckSysMenu(true);
  const bool frameCode = r >= HTLEFT && r <= HTBOTTOMRIGHT;
  if (r == HTCLIENT || r == HTCAPTION || r == HTMENU || r == 0 || frameCode) {
    if (IsZoomed() && frameCode) {
      m.Result = HTCLIENT;
      return;
    }
    // The system sees client area where the skin draws its grip: the grip sizes the form.
    if (!IsZoomed() && IsGripVisible(this) && InGripCorner(CursorToPoint(m.XPos(), m.YPos()))) {
      m.Result = HTBOTTOMRIGHT;
      return;
    }
    PassOn(m);
    return;
  }
  m.Result = r;
}

// ---- Hot and pressed elements ----------------------------------------------------------------

TsCaptionButton* TsSkinProvider::ButtonByHT(Integer ht) {
  switch (ht) {
    case HTMINBUTTON: return &ButtonMin;
    case HTMAXBUTTON: return &ButtonMax;
    case HTCLOSE: return &ButtonClose;
    case HTHELP: return &ButtonHelp;
    case HTCHILDCLOSE: return &MDIClose;
    case HTCHILDMAX: return &MDIMax;
    case HTCHILDMIN: return &MDIMin;
    default: return IsUserButtonHT(this, ht) ? &FTitleButtons->Items(ht - HTUDBTN)->Data : nullptr;
  }
}

void TsSkinProvider::SetHotHT(Integer value, bool repaint) {
  if (value == CurrentHT || !CanDrawNCArea() || FUWPMode) return;
  // Mid-way through an animated scale change the buttons have no settled places.
  if (DuRiruZireziv* manager = SkinManager(); manager && manager->ManagerState.Contains(msAnimScaling)) return;
  // A title bar item's hint waits no longer once the hot element changes.
  if (FHintTimer) FHintTimer->SetEnabled(false);
  TitleItemHotChange(*this, CurrentHT, value);
  if (CurrentHT > 0) {
    NudgeHintHideTimer(value < 1);
    if (TsCaptionButton* old = ButtonByHT(CurrentHT)) {
      old->cpState = 0;
      if (TsTitleButton* user = UserButtonOf(this, CurrentHT)) HideHint(user);
      if (repaint) RepaintButton(CurrentHT);
    }
  }
  CurrentHT = value;
  if (biClicked || value < 1) return;
  if (TsCaptionButton* btn = ButtonByHT(value)) {
    btn->cpState = 1;
    if (TsTitleButton* user = UserButtonOf(this, value)) ShowHint(user);
    if (repaint) RepaintButton(CurrentHT);
  }
}

void TsSkinProvider::SetPressedHT(Integer value) {
  if (CurrentHT != 0 && value != CurrentHT) {
    if (TsCaptionButton* old = ButtonByHT(CurrentHT)) {
      old->cpState = 0;
      if (TsTitleButton* user = UserButtonOf(this, CurrentHT)) HideHint(user);
      RepaintButton(CurrentHT);
    }
  }
  CurrentHT = value;
  TsCaptionButton* btn = ButtonByHT(value);
  if (!btn) return;
  if (value == HTMAXBUTTON && !(SystemMenu->EnabledMax() || (IsZoomed() && SystemMenu->EnabledRestore()))) {
    CurrentHT = 0;
    return;
  }
  if (value == HTCLOSE && !SystemMenu->EnabledClose()) {
    CurrentHT = 0;
    return;
  }
  // The child's maximize button looks pressed only while this form may maximize; the press
  // still counts.
  if (value != HTCHILDMAX || SystemMenu->EnabledMax()) btn->cpState = 2;
  if (TsTitleButton* user = UserButtonOf(this, value)) HideHint(user);
  biClicked = true;
  PressedHT = value;
  RepaintButton(CurrentHT);
}

void TsSkinProvider::RepaintButton(Integer ht) {
  TsCaptionButton* btn = ButtonByHT(ht);
  if (!btn) return;
  // A button that is not drawn only gives its glow back.
  if (btn->cpState == -1) {
    HideGlow(btn->cpGlowID, false);
    return;
  }
  TBitmap* cache = FCommonData->FCacheBmp.get();
  TkvSkinData* data = SkinDataFor();
  const HWND h = FormWnd(this);
  if (!cache || !data || !h || btn->cpState < 0) return;
  if (btn->cpRect.Width() <= 0 || cache->Width() <= 0) return;
  DuRiruZireziv* manager = SkinManager();
  // A maximized child's buttons exist only while the menu line shows them; their places are
  // not settled while the scale changes.
  if (IsMDIButtonHT(ht) && (!MDIButtonsNeeded(*this) || (manager && manager->ManagerState.Contains(msScaleChanging))))
    return;
  // With glowing allowed, or over an outer border window, the hot and pressed looks of the
  // caption buttons fade in on a layered window of their own; the picture keeps the normal
  // look. The child's buttons in the menu line are drawn in place.
  const bool glowing = manager && manager->Effects.AllowGlowing;
  const bool topLevel = !Form->Parent() && Form->FormStyle() != fsMDIChild;
  if (!IsMDIButtonHT(ht) && (BorderForm || glowing) && FFormState == 0 && topLevel) {
    const Integer steps = manager && manager->Effects.AllowAnimation ? 10 : 1;
    if (btn->cpState == 1)
      StartSBAnimation(btn, 1, steps, true, this);
    else if (btn->cpState == 2)
      StartSBAnimation(btn, 2, 1, true, this);
    else if (btn->cpTimer)
      // Only a fade that shows a look fades it out: a new one would start at the normal state
      // and show nothing.
      StartSBAnimation(btn, 0, steps, false, this);
    return;
  }
  // The clean title under the buttons comes back first; the picture is not rebuilt.
  if (TempBmp && TempBmp->Width() > 0) {
    const Integer srcX = btn->cpRect.Left - BtnsBGLeft(CaptionWidth());
    BitBlt(cache->Canvas()->Handle(), btn->cpRect.Left, btn->cpRect.Top, btn->cpRect.Width(), btn->cpRect.Height(),
           TempBmp->Canvas()->Handle(), srcX, btn->cpRect.Top, SRCCOPY);
  }
  PaintCaptionButton(cache, *btn, ht);
  // The outer border window shows the caption: it takes the changed picture.
  if (BorderForm) {
    BorderForm->UpdateExBordersPos(true, 255);
  } else if (const TWindowDC dc(h); dc) {
    BitBlt(dc, btn->cpRect.Left, btn->cpRect.Top, btn->cpRect.Width(), btn->cpRect.Height(), cache->Canvas()->Handle(),
           btn->cpRect.Left, btn->cpRect.Top, SRCCOPY);
  }
  // The skin's halo around a hot close, maximize or minimize button.
  TkvTitleGlyph kind = btn->cpGlyphType;
  if (ht == HTMAXBUTTON && IsZoomed()) kind = BigButtons ? tgNormal : tgSmallNormal;
  if (IsIconicForm() && ht == HTMINBUTTON) kind = tgNormal;
  if (IsIconicForm() && ht == HTMAXBUTTON) kind = tgMax;
  const bool halo = btn->cpState == 1 && (ht == HTMINBUTTON || ht == HTMAXBUTTON || ht == HTCLOSE) && glowing &&
                    topLevel && kind < 5 && !data->TitleGlows[kind].empty() && data->TitleGlows[kind][0] >= 0;
  if (!halo) {
    HideGlow(btn->cpGlowID, false);
    return;
  }
  RECT origin{};
  GetWindowRect(BorderForm && BorderForm->LayeredWindow() ? BorderForm->LayeredWindow() : h, &origin);
  HideGlow(btn->cpGlowID, false);
  btn->cpGlowID = ShowGlow(OffsRect(btn->cpRect, origin.left, origin.top), data->TitleGlows[kind][0],
                           data->GlowMargins[kind], 255, h, FCommonData.get());
}

void TsSkinProvider::PaintCaptionButton(TBitmap* bmp, const TsCaptionButton& btn, Integer ht, bool withTitle) {
  TkvSkinData* data = SkinDataFor();
  if (!data || btn.cpRect.Width() <= 0) return;
  TkvTitleGlyph kind = btn.cpGlyphType;
  bool disabled = false;
  if (ht == HTMAXBUTTON && IsZoomed()) kind = BigButtons ? tgNormal : tgSmallNormal;
  if (IsIconicForm() && ht == HTMINBUTTON) kind = tgNormal;
  if (IsIconicForm() && ht == HTMAXBUTTON) {
    kind = tgMax;
    disabled = !SystemMenu->EnabledMax();
  }
  if (ht == HTCLOSE) disabled = !SystemMenu->EnabledClose();
  if (ht == HTMINBUTTON && !IsIconicForm()) disabled = !SystemMenu->EnabledMin();
  if (ht == HTMAXBUTTON && !IsIconicForm()) disabled = !(SystemMenu->EnabledMax() || SystemMenu->EnabledRestore());
  if (IsMDIButtonHT(ht)) disabled = MDIButtonDisabled(*this, ht);
  const bool user = IsUserButtonHT(this, ht);
  if (user && !FTitleButtons->Items(ht - HTUDBTN)->UseSkinData) kind = tgNone;
  const Integer index = kind < data->TitleGlyphs.size() ? data->TitleGlyphs[kind] : -1;
  const Integer imageIndex = user ? (FTitleButtons->Items(ht - HTUDBTN)->UseSkinData ? UserBtnIndex : -1) : index;
  if (imageIndex >= 0 && imageIndex < Integer(data->ma.size())) {
    // A normal or fading button is dimmed on an inactive or disabled form, or when it does not
    // act; a fading one shows its normal look here, its fade the rest.
    if (user) disabled = !FTitleButtons->Items(ht - HTUDBTN)->Enabled;
    const bool reduced = user || (withTitle && !IsMDIButtonHT(ht))
                             ? (btn.cpState == 0 || btn.cpTimer) && (!FormActive || !Form->Enabled() || disabled)
                             : (disabled || btn.cpState == 0) && (disabled || !FormActive);
    const TsMaskData& md = data->ma[size_t(imageIndex)];
    // A fading button's hot and pressed looks are its fade's to show.
    const Integer state = Mini(btn.cpTimer ? 0 : btn.cpState, Maxi(md.ImageCount - 1, 0));
    DrawSkinGlyph(bmp, btn.cpRect.TopLeft(), state, reduced ? 2 : 1, md, MakeCacheInfo(bmp));
  }
  if (user) {
    TBitmap* glyph = FTitleButtons->Items(ht - HTUDBTN)->Glyph.get();
    if (glyph && glyph->Width() > 0 && glyph->Height() > 0) {
      const Integer shift = btn.cpState == 2 ? 1 : 0;
      const Integer x = btn.cpRect.Left + (btn.cpRect.Width() - glyph->Width()) / 2 + shift;
      const Integer y = btn.cpRect.Top + (btn.cpRect.Height() - glyph->Height()) / 2 + shift;
      DrawUserGlyph(bmp, glyph, TPoint(x, y));
    }
  }
}

// ---- Non-client mouse ------------------------------------------------------------------------

void TsSkinProvider::KV_WMNCMouseMove(TMessage& m) {
  if (!Form->Enabled()) return;
  const HWND h = FormWnd(this);
  if (DuRiruZireziv* manager = SkinManager()) manager->SetActiveControl(h);
  CalcItems();
  const bool fromSystem = Integer(m.WParam) != -1;  // not passed on by the outer border window
  const Integer ht = HTProcess(m);
  m.WParam = uintptr_t(ht);
  if (IsSystemButtonHT(ht) || IsMDIButtonHT(ht) || IsUserButtonHT(this, ht) || IsTitleItemHT(*this, ht)) {
    SetHotHT(ht, true);
    // The system tells the window when the mouse leaves its frame only when asked to.
    if (fromSystem) {
      TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE | TME_NONCLIENT, h, 0};
      TrackMouseEvent(&tme);
    }
    return;
  }
  SetHotHT(0, true);
  PassOn(m);
}

void TsSkinProvider::DropSysMenuOnPress(bool nonClientDrawn) {
  const HWND h = FormWnd(this);
  TPoint lt;
  FormLeftTop(lt);
  const bool mdiChild = Form->FormStyle() == fsMDIChild && MDISkinProvider;
  if (!nonClientDrawn) {
    if (mdiChild)
      DropSysMenu(lt.X, lt.Y + CaptionHeight(true) + 4);
    else
      DropSysMenu(SysBorderWidth(h, nullptr, true) + lt.X,
                  lt.Y + BorderHeight(true) + FIconRect.Height() + SysBorderHeight(h, nullptr, false));
    return;
  }
  if (mdiChild) {
    DropSysMenu(lt.X, lt.Y + SysCaptHeight(this, 0) + 4 - (IsIconicForm() ? 16 : 0));
    return;
  }
  const Integer y = lt.Y + BorderHeight(true) + FIconRect.Height() + SysBorderHeight(h, nullptr, false);
  // Right to left, the menu drops under the icon at the form's right end.
  if (SysRTLAllowed())
    DropSysMenu(Form->Left() + Form->Width() - (SysBorderWidth(h, nullptr, false) + lt.X - Form->Left()), y);
  else
    DropSysMenu(SysBorderWidth(h, nullptr, false) + lt.X, y);
}

void TsSkinProvider::KV_WMNCLButtonDown(TMessage& m) {
  const HWND h = FormWnd(this);
  if (!CanDrawNCArea() || (Application && Application->Terminated())) {
    if (Integer(m.WParam) == -1) m.WParam = WPARAM(ForwardedHitTest(m));
    if (Integer(m.WParam) == HTSYSMENU) {
      SetHotHT(0, true);
      biClicked = false;
      DropSysMenuOnPress(false);
      return;
    }
    PassOn(m);
    return;
  }
  // A press on the frame ends the popups of the engine's controls.
  GetIntController()->KillAllForms();
  if (BorderForm && Integer(m.WParam) == HTOBJECT) {
    PassOn(m);
    return;
  }
  // -1: the outer border window hands the press on for the form to hit-test.
  if (Integer(m.WParam) == -1) m.WParam = WPARAM(ForwardedHitTest(m));
  const Integer ht = Integer(m.WParam);
  if (ht == HTSYSMENU) {
    // The application's own handling of a press on the icon comes first.
    m.Result = 0;
    PassOn(m);
    if (m.Result != 0) return;
    SetHotHT(0, true);
    biClicked = false;
    DuRiruZireziv* manager = SkinManager();
    if (manager && !manager->SkinnedPopups()) {
      // The system's menu takes a moment to let go of the first press: a double click on the
      // icon within it closes the form instead.
      WaitTicks(GetTickCount(), 200);
      if (FCommonData->GetUpdating()) return;
    }
    DropSysMenuOnPress(true);
    return;
  }
  if (ht == HTMENU) {
    PassOn(m);
    return;
  }
  if (IsSystemButtonHT(ht) || IsMDIButtonHT(ht)) {
    // The child's minimize button acts only while the child may be minimized and restored.
    if (ht == HTCHILDMIN)
      if (TsSkinProvider* child = ActiveChildProviderOf(Form);
          child && child->SystemMenu && !(child->SystemMenu->EnabledMin() && child->SystemMenu->EnabledRestore()))
        return;
    SetPressedHT(ht);
    return;
  }
  if (TitleItemMouseDown(*this, ht, m)) return;
  if (IsUserButtonHT(this, ht)) {
    SetPressedHT(ht);
    TsTitleButton* user = FTitleButtons->Items(ht - HTUDBTN);
    user->MouseDown(mbLeft, TShiftState(), m.XPos(), m.YPos());
    HideHint(user);
    return;
  }
  if (IsIconicForm()) {
    TrySendMessage(h, WM_SYSCOMMAND, 0xF012, 0);
    return;
  }
  SetHotHT(0, true);
  if (IsZoomed()) {
    // A maximized form is not moved by its caption: the system decides, and the form takes
    // the focus.
    const TPoint p = CursorToPoint(m.XPos(), m.YPos());
    if (p.Y < SysBorderHeight(h, nullptr, true) + CaptionHeight(true)) {
      PassOn(m);
      if (h && GetActiveWindow() != h && Form->Enabled() && Form->CanFocus()) SetFocus(h);
      return;
    }
  }
  if (!IsZoomed() && OwnFrameNCLButtonDown(m, ht)) return;
  PassOn(m);
}

// The hit code of a button-up is the one under the cursor now: WParam of WM_LBUTTONUP holds
// the MK_ key flags, not a hit code. A caption element acts only when the release is over the
// element that was pressed.
void TsSkinProvider::KV_WMLButtonUp(TMessage& m) {
  if (bInProcess && Form->Enabled() && !IsZoomed()) OwnFrameRelease(m, m.Msg == WM_LBUTTONUP);
  if (!CanDrawNCArea() || !Form->Enabled()) {
    PassOn(m);
    return;
  }
  TMessage probe = MakeMessage(WM_NCHITTEST, 0, 0);
  const TPoint cursor = kvMousePos();
  probe.LParam = PointToLParam(cursor.X, cursor.Y);
  CalcItems();
  const Integer under = ForwardedHitTest(probe);
  const Integer pressed = biClicked ? PressedHT : 0;
  if (TitleItemMouseUp(*this, pressed, under, m)) return;
  const bool overPressed = pressed != 0 && under == pressed;
  PressedHT = 0;
  const TScopeExit clearClick([&] { biClicked = false; });
  if (!overPressed) {
    if (pressed != 0) {
      // A press released elsewhere ends without an action.
      if (TsCaptionButton* btn = ButtonByHT(pressed)) btn->cpState = 0;
      biClicked = false;
      const Integer was = CurrentHT;
      CurrentHT = 0;
      RepaintButton(was);
    } else if (IsIconicForm() && MDISkinProvider && m.Msg == WM_NCLBUTTONUP) {
      // A click on a minimized child's caption drops its menu where the mouse is.
      DropSysMenu(cursor.X, cursor.Y);
      return;
    }
    PassOn(m);
    return;
  }
  const HWND h = FormWnd(this);
  switch (pressed) {
    case HTMINBUTTON: {
      biClicked = false;
      SetHotHT(0, true);
      if (Application && Application->MainForm() == Form) {
        const auto skip = SetForScope(SkipAnimation, true);
        TrySendMessage(h, WM_SYSCOMMAND, SC_MINIMIZE, 0);
      } else {
        TrySendMessage(h, WM_SYSCOMMAND, IsIconicForm() ? SC_RESTORE : SC_MINIMIZE, 0);
      }
      FCommonData->BGChanged = true;
      return;
    }
    case HTMAXBUTTON:
      if (!(SystemMenu->EnabledMax() || (IsZoomed() && SystemMenu->EnabledRestore()))) return;
      biClicked = false;
      SetHotHT(0, true);
      RgnChanged = true;
      TrySendMessage(h, WM_SYSCOMMAND, IsZoomed() ? SC_RESTORE : SC_MAXIMIZE, 0);
      if (ProviderOf(h) == this && SystemMenu) SystemMenu->UpdateItems(false);
      return;
    case HTCLOSE: {
      if (!SystemMenu->EnabledClose()) return;
      ButtonClose.cpState = 0;
      biClicked = false;
      CurrentHT = 0;
      TrySendMessage(h, WM_SYSCOMMAND, SC_CLOSE, 0);
      // The form, and this provider with it, may be gone now.
      if (!IsWindow(h) || ProviderOf(h) != this || Form->IsDestroying()) return;
      KillAnimations();
      if (IsWindowVisible(h) && FCommonData) SetHotHT(0, true);
      return;
    }
    case HTHELP:
      biClicked = false;
      TrySendMessage(h, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
      SetHotHT(0, true);
      if (SystemMenu) SystemMenu->UpdateItems(false);
      Form->Perform(WM_NCPAINT, 0, 0);
      return;
    case HTCHILDCLOSE:
    case HTCHILDMAX:
    case HTCHILDMIN:
      // The maximized child's buttons in the menu line act on the child.
      biClicked = false;
      if (TsCaptionButton* btn = ButtonByHT(pressed)) btn->cpState = 0;
      CurrentHT = 0;
      MDIButtonCommand(*this, pressed);
      FCommonData->BGChanged = true;
      return;
    default:
      if (IsUserButtonHT(this, pressed)) {
        biClicked = false;
        SetHotHT(0, true);
        FTitleButtons->Items(pressed - HTUDBTN)->MouseUp(mbLeft, TShiftState(), m.XPos(), m.YPos());
        return;
      }
      PassOn(m);
      return;
  }
}

void TsSkinProvider::KV_WMNCLButtonDblClick(TMessage& m) {
  OwnFrameRelease(m, false);
  const HWND h = FormWnd(this);
  if (Integer(m.WParam) == -1) m.WParam = WPARAM(ForwardedHitTest(m));
  if (Integer(m.WParam) == HTCAPTION) {
    const bool canZoom = SystemMenu && HaveSysMenu() && (SystemMenu->EnabledMax() || SystemMenu->EnabledRestore());
    if (canZoom || (!HaveBorder() && IsIconicForm())) {
      TrySendMessage(h, WM_SYSCOMMAND, IsZoomed() || IsIconicForm() ? SC_RESTORE : SC_MAXIMIZE, 0);
      if (ProviderOf(h) == this && SystemMenu) SystemMenu->UpdateItems(false);
      return;
    }
    if (IsIconicForm()) {
      TrySendMessage(h, WM_SYSCOMMAND, SC_RESTORE, 0);
      if (ProviderOf(h) == this && SystemMenu) SystemMenu->UpdateItems(false);
      m.WParam = 0;
      return;
    }
    PassOn(m);
    return;
  }
  if (Integer(m.WParam) == HTSYSMENU) {
    // The system's menu, dropped by the first click, must not paint over the closing form.
    if (DuRiruZireziv* manager = SkinManager(); manager && !manager->SkinnedPopups()) FCommonData->FUpdating = true;
    Form->Close();
    return;
  }
  PassOn(m);
}

void TsSkinProvider::KV_WMNCRButtonDown(TMessage& m) {
  const Integer ht = Integer(m.WParam);
  if (ht == HTCAPTION || ht == HTSYSMENU) {
    RightPressed = true;
    return;
  }
  if (TkvTitleBarItem* item = TitleItemByHT(*this, ht)) {
    RightPressed = true;
    const TPoint p = CursorToPoint(m.XPos(), m.YPos());
    item->DoMouseDown(mbRight, TShiftState(), p.X - item->Rect.Left, p.Y - item->Rect.Top);
    return;
  }
  PassOn(m);
}

void TsSkinProvider::KV_WMNCRButtonUp(TMessage& m) {
  const TScopeExit clear([&] { RightPressed = false; });
  if (!HaveBorder()) {
    PassOn(m);
    return;
  }
  CalcItems();
  const Integer ht = BorderForm && Integer(m.WParam) == -1 ? ForwardedHitTest(m) : HTProcess(m);
  if ((ht == HTCAPTION || ht == HTSYSMENU) && RightPressed) {
    SetHotHT(0, true);
    biClicked = false;
    DropSysMenu(m.XPos(), m.YPos());
    return;
  }
  if (TkvTitleBarItem* item = TitleItemByHT(*this, ht)) {
    const TPoint p = CursorToPoint(m.XPos(), m.YPos());
    item->DoMouseUp(mbRight, TShiftState(), p.X - item->Rect.Left, p.Y - item->Rect.Top);
  }
}

void TsSkinProvider::KV_WMMouseMove(TMessage& m) {
  if (!CommonWndProc(m, FCommonData.get())) PassOn(m);
  SetHotHT(0, true);
  if (DefaultManager && !Form->ComponentState().Contains(csDesigning)) DefaultManager->SetActiveControl(FormWnd(this));
  OwnFrameMouseMove(m);
}

void TsSkinProvider::KV_WMMouseLeave(TMessage& m) {
  // Over an outer border window a title bar item keeps its hot look: the mouse left the form
  // for the border window that shows the item.
  if (!IsTitleItemHT(*this, CurrentHT) || !BorderForm) SetHotHT(-1, true);
  biClicked = false;
  PassOn(m);
}

void TsSkinProvider::KV_CMMouseEnter(TMessage& m) {
  // The mouse came from the border window: its hot element is left behind.
  if (BorderForm) SetHotHT(-1, true);
  biClicked = false;
  PassOn(m);
  if (DuRiruZireziv* manager = SkinManager()) manager->SetActiveControl(FormWnd(this));
  if (BorderForm && BorderForm->ResetRgn && !(FFormState & FS_SIZING)) BorderForm->UpdateRgn();
}

void TsSkinProvider::KV_WMSizing(TMessage& m) {
  PassOn(m);
  // The system sizes the form itself; the picture around it is not the system's to move.
  if (BorderForm) BorderForm->UpdateExBordersPos(false, 255);
}
