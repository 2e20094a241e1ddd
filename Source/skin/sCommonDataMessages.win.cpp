// The common message handling of skinned windows (CommonWndProc, CommonMessage) and the gate
// that keeps skin commands of other processes out.
//
// Both run for every message of every skinned window, so both dispatch through tables built
// at compile time: a message no entry names costs two array reads.
#include <windows.h>

#include <array>
#include <vector>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "skin/ControlServices.h"
#include "skin/FormServices.h"
#include "skin/WrapperServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Bitmap.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/Menus.h"
#include "ui/ScopeGuard.h"
#include "ui/WinHandles.h"

namespace {

TkvEffectServices* Effects() { return TkvServiceSlot<TkvEffectServices>::Get(); }
TkvGlowServices* Glows() { return TkvServiceSlot<TkvGlowServices>::Get(); }

TWinControl* WinOf(TsCommonData* sd) { return dynamic_cast<TWinControl*>(sd->FOwnerControl); }
bool IsDestroying(TComponent* c) { return c && c->ComponentState().Contains(csDestroying); }
bool IsDesigning(TComponent* c) { return c && c->ComponentState().Contains(csDesigning); }

// The section's normal and hot looks are both fully transparent.
bool FullyTransparent(TsCommonData* sd) {
  TkvSkinData* data = sd->GetCommonSkinData();
  const TsGenState* normal = SectionState(data, sd->SkinIndex, 0);
  const TsGenState* hot = SectionState(data, sd->SkinIndex, 1);
  return normal && hot && normal->Transparency == 100 && hot->Transparency == 100;
}

Integer StateCount(TsCommonData* sd) {
  TkvSkinData* data = sd->GetCommonSkinData();
  if (!data || sd->SkinIndex < 0 || sd->SkinIndex >= static_cast<Integer>(data->gd.size())) return 0;
  return data->gd[static_cast<size_t>(sd->SkinIndex)].States;
}

void RestartAttention(TsCommonData* sd) {
  if (TkvEffectServices* e = Effects()) e->RestartAttention(sd);
}

// A running attention pulse makes its picture anew (the control's look changed).
void PulsePrepare(TsCommonData* sd) {
  if (sd->PulsTimer && sd->PulsTimer->Enabled()) sd->PulsTimer->PrepareImage();
}

// The control's frame and client repainted after its colours changed.
void RedrawEdit(HWND wnd, bool changed, Cardinal flags) {
  if (changed) RedrawWindow(wnd, nullptr, nullptr, flags);
  SendMessageW(wnd, WM_NCPAINT, 0, 0);
}

void KillTimersOfChildren(TWinControl* w) {
  if (!w || !w->HandleAllocated()) return;
  TMessage m = MakeMessage(SM_ALPHACMD, uintptr_t{KV_KILLTIMERS} << 16, 0);
  BroadCastMsg(w->WindowHandle(), m);
}

void ChangedIfNecessaryToChildren(TWinControl* w) {
  for (Integer i = 0; i < w->ControlCount(); ++i) {
    TControl* child = w->Controls(i);
    if (!IsDestroying(child)) child->Perform(SM_ALPHACMD, uintptr_t{KV_SETCHANGEDIFNECESSARY} << 16 | 1, 0);
  }
}

// The light of a lit control follows the mouse.
void FeedLight(TsCommonData* sd, const TMessage& m) {
  auto* lit = dynamic_cast<TsCtrlSkinData*>(sd);
  if (!lit || !lit->FOwnerControl || !lit->DoLighting(false)) return;
  lit->LightDistanceX = m.XPos() - lit->FOwnerControl->Width() / 2;
  lit->LightDistanceY = m.YPos() - lit->FOwnerControl->Height() / 2;
  lit->HotCache.reset();
  lit->BGChanged = true;
  if (TkvEffectServices* e = Effects()) e->UpdateLight(lit);
}

// ---- Window messages ----------------------------------------------------------------------

using TWndHandler = bool (*)(TMessage&, TsCommonData*);

bool OnCreate(TMessage&, TsCommonData* sd) {
  sd->InitCommonProp();
  return false;
}

bool OnMove(TMessage&, TsCommonData* sd) {
  if (!sd->Skinned()) return false;
  TControl* c = sd->FOwnerControl;
  TWinControl* w = WinOf(sd);
  auto tellParent = [&] {
    TWinControl* parent = c ? c->Parent() : nullptr;
    if (!parent || !parent->HandleAllocated()) return;
    TrySendMessage(parent->WindowHandle(), SM_ALPHACMD, uintptr_t{KV_SETBGCHANGED} << 16 | 1, 0);
    SendAMessage(parent->WindowHandle(), KV_PREPARECACHE);
    if (IsDesigning(c))
      RedrawWindow(parent->WindowHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  };
  if (w) {
    if (HaveOuterEffects(sd) && w->Visible()) tellParent();
    if (sd->RepaintIfMoved()) {
      sd->BGChanged = true;
      if (!sd->SkinIsChanging()) {
        w->Perform(SM_ALPHACMD, uintptr_t{KV_SETCHANGEDIFNECESSARY} << 16 | 1, 0);
        KillTimersOfChildren(w);
      }
    }
  } else if (c) {
    if (HaveOuterEffects(sd) && c->Parent() && c->Parent()->Visible()) tellParent();
    sd->BGChanged = true;
  }
  HideGlowAndCircle(sd);
  return false;
}

bool OnSize(TMessage&, TsCommonData* sd) {
  if (!sd->Skinned()) return false;
  sd->BGChanged = true;
  TWinControl* w = WinOf(sd);
  if (w && HaveOuterEffects(sd) && w->Visible()) InvalidateParentCache(sd);
  if (w && FullRepaintOnly(sd)) {
    ChangedIfNecessaryToChildren(w);
    sd->CtrlSkinState &= ~(KVS_REPAINTNEEDH | KVS_REPAINTNEEDV);
  }
  if (!(sd->AnimTimer && sd->AnimTimer->Enabled())) HideGlowAndCircle(sd);
  return false;
}

bool OnSetFocus(TMessage&, TsCommonData* sd) {
  TWinControl* w = WinOf(sd);
  if (!sd->Skinned() || !w || !w->CanFocus() || !w->TabStop() || FullyTransparent(sd)) return false;
  sd->BGChanged = true;
  sd->FFocused = true;
  if (sEditCtrls.Contains(sd->COC) && StateCount(sd) > 1) {
    const bool changed = ApplyStateColors(sd, 1);
    if (!sd->FUpdating && w->HandleAllocated()) RedrawEdit(w->WindowHandle(), changed, RDWA_ALLNOW);
  }
  if (sd->FOuterEffects->Visibility() == ovFocused) sd->FOuterEffects->Invalidate();
  if (TkvGlowServices* e = Glows(); e && sd->GlowID >= 0) {
    e->HideGlow(sd->GlowID, false);
    ShowGlowingIfNeeded(sd, false, nullptr, -1, false, 255);
  }
  return false;
}

bool OnKillFocus(TMessage&, TsCommonData* sd) {
  TWinControl* w = WinOf(sd);
  if (!sd->Skinned() || !w) return false;
  sd->StopTimer();
  if (w->CanFocus()) sd->FFocused = false;
  bool changed = false;
  if (sEditCtrls.Contains(sd->COC) && !sd->ControlIsActive()) changed = ApplyStateColors(sd, 0);
  sd->BGChanged = true;
  sd->StopTimer();
  if (w->Visible() && sEditCtrls.Contains(sd->COC) && w->HandleAllocated())
    RedrawEdit(w->WindowHandle(), changed, RDWA_ALLNOW);
  if (sd->FOuterEffects->Visibility() == ovFocused) sd->FOuterEffects->Invalidate();
  return false;
}

bool OnSetRedraw(TMessage& m, TsCommonData* sd) {
  if (m.WParam != 1) {
    ++sd->RedrawLockCount;
    return false;
  }
  if (sd->RedrawLockCount < 1) return false;
  --sd->RedrawLockCount;
  TControl* c = sd->FOwnerControl;
  // A hidden control that is unlocked would be drawn by the system where it is not shown.
  return c && !c->Visible() && sd->COC != COC_TsListView;
}

bool OnShowWindow(TMessage&, TsCommonData* sd) {
  sd->StopTimer();
  return false;
}

bool OnEnabledOrFontChanged(TMessage&, TsCommonData* sd) {
  sd->FMouseAbove = false;
  sd->FFocused = false;
  sd->BGChanged = true;
  if (sd->FOwnerControl && !sd->FOwnerControl->Enabled()) HideGlowAndCircle(sd);
  return false;
}

bool OnWindowPosChanging(TMessage& m, TsCommonData* sd) {
  const auto* pos = reinterpret_cast<const WINDOWPOS*>(m.LParam);
  HWND handle = sd->OwnerHandle();
  RECT r;
  if (!pos || !handle || !GetWindowRect(handle, &r)) return false;
  if (!(pos->flags & SWP_NOSIZE)) {
    if (pos->cx != r.right - r.left) sd->CtrlSkinState |= KVS_REPAINTNEEDH;
    if (pos->cy != r.bottom - r.top) sd->CtrlSkinState |= KVS_REPAINTNEEDV;
  }
  return false;
}

bool OnContextMenu(TMessage&, TsCommonData* sd) {
  DuRiruZireziv* manager = sd->GetSkinManager();
  TControl* c = sd->FOwnerControl;
  if (!c || !manager || !c->PopupMenu()) return false;
  if (auto* menus = TkvServiceSlot<TkvMenuServices>::Get()) menus->HookPopupMenu(c->PopupMenu(), manager->IsActive());
  return false;
}

bool OnUpdateUIState(TMessage&, TsCommonData* sd) {
  // The system would draw focus rectangles and accelerators over the skinned look.
  if (sd->Skinned()) return true;
  TWinControl* w = WinOf(sd);
  if (w && w->HandleAllocated() && kvThemesEnabled() && kv_SetWindowTheme)
    kv_SetWindowTheme(w->WindowHandle(), nullptr, nullptr);
  return false;
}

bool OnMouseMove(TMessage& m, TsCommonData* sd) {
  TControl* c = sd->FOwnerControl;
  if (auto* hints = TkvServiceSlot<TkvHintServices>::Get(); hints && !IsDestroying(c)) {
    TWinControl* container = WinOf(sd);
    if (!container)
      if (auto* provider = dynamic_cast<TkvFormProvider*>(sd->FOwnerObject)) container = provider->ProviderForm();
    if (container && hints->ShowDisabledHints(container, m.XPos(), m.YPos())) return true;
  }
  FeedLight(sd, m);
  return false;
}

bool OnMouseButton(TMessage&, TsCommonData* sd) {
  RestartAttention(sd);
  return false;
}

bool OnParentNotify(TMessage& m, TsCommonData* sd) {
  if (m.WParamLo == WM_CREATE)
    if (TWinControl* w = WinOf(sd)) AddToAdapter(w);
  return false;
}

bool OnDpiChanged(TMessage&, TsCommonData* sd) {
  sd->SetCommonSkinData(nullptr);
  return false;
}

bool OnPrint(TMessage& m, TsCommonData* sd) {
  if (sd->FOwnerControl) UpdateGlassMode(sd->FOwnerControl, true);
  TWinControl* w = WinOf(sd);
  if (sd->Skinned() || !m.WParam || !w || !w->HandleAllocated()) return false;
  const Integer offset = (GetWindowLongW(w->WindowHandle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE) ? 2 : 0;
  PaintControls(reinterpret_cast<HDC>(m.WParam), w, false, TPoint(offset, offset), true);
  return true;
}

bool OnSkinCommand(TMessage& m, TsCommonData* sd) { return CommonMessage(m, sd); }

bool OnParentFontChanged(TMessage&, TsCommonData* sd) {
  TControl* c = sd->FOwnerControl;
  if (!c) return false;
  if (!c->Parent()) {
    sd->TranspMode = 0;
    return false;
  }
  if (InAnimationProcess) return false;
  if (!sd->GlassModeInit) UpdateGlassMode(c, true);
  if (TWinControl* w = WinOf(sd); w && w->HandleAllocated()) {
    TMessage bg = MakeMessage(SM_ALPHACMD, uintptr_t{KV_SETBGCHANGED} << 16 | 1, 0);
    BroadCastMsg(w->WindowHandle(), bg);
  }
  return false;
}

bool OnVisibleChanged(TMessage& m, TsCommonData* sd) {
  TWinControl* w = WinOf(sd);
  if (m.WParam == 0) {
    HideGlowAndCircle(sd);
    KillTimersOfChildren(w);
  }
  DuRiruZireziv* manager = sd->GetSkinManager();
  TControl* c = sd->FOwnerControl;
  if (manager && c && !IsDestroying(c) && sd->FCacheBmp && manager->Options.OptimizingPriority == opMemory) {
    if (m.WParam) {
      sd->FUpdating = false;
    } else {
      sd->FCacheBmp->SetSize(0, 0);
      if (w) {
        for (Integer i = 0; i < w->ControlCount(); ++i) {
          TControl* child = w->Controls(i);
          auto* wc = dynamic_cast<TWinControl*>(child);
          if (wc && wc->HandleAllocated())
            SendAMessage(wc->WindowHandle(), KV_CLEARCACHE);
          else if (!wc)
            child->Perform(SM_ALPHACMD, KV_CLEARCACHE_HI, 0);
        }
      }
    }
    sd->BGChanged = true;
  }
  if (sd->FOuterEffects->IsShown()) sd->FOuterEffects->Invalidate();
  return false;
}

bool OnMouseEnter(TMessage&, TsCommonData* sd) {
  TControl* c = sd->FOwnerControl;
  if (sd->Skinned() && !sd->FMouseAbove) {
    DuRiruZireziv* manager = sd->GetSkinManager();
    TWinControl* w = WinOf(sd);
    auto setActive = [&] {
      if (w && w->HandleAllocated() && DefaultManager) DefaultManager->SetActiveControl(w->WindowHandle());
    };
    const bool simple =
        IsDesigning(manager) || (manager && manager->Options.NoMouseHover) || FullyTransparent(sd) || !w;
    if (!sForbidMouse.Contains(sd->COC)) sd->FMouseAbove = true;
    setActive();
    if (!simple && !IsDesigning(c)) {
      if (!ssCanNotBeHot.Contains(sd->COC) && !ssButtons.Contains(sd->COC))
        ShowGlowingIfNeeded(sd, false, nullptr, -1, true, manager && manager->Effects.AllowAnimation ? 0 : 255);
      if (sEditCtrls.Contains(sd->COC) && (!sNoHotEdits.Contains(sd->COC) || kv_AllowHotEdits) && StateCount(sd) > 1) {
        sd->BGChanged = true;
        const bool changed = ApplyStateColors(sd, 1);
        if (w->HandleAllocated()) RedrawEdit(w->WindowHandle(), changed, RDW_INVALIDATE | RDW_ERASE);
      }
    }
    RestartAttention(sd);
  }
  PulsePrepare(sd);
  return false;
}

bool OnMouseLeave(TMessage&, TsCommonData* sd) {
  TControl* c = sd->FOwnerControl;
  if (!sd->Skinned() || !c) return false;
  if (auto* hints = TkvServiceSlot<TkvHintServices>::Get()) hints->ForgetDisabledHint(c);
  DuRiruZireziv* manager = sd->GetSkinManager();
  if (manager && !manager->Options.NoMouseHover && !IsDesigning(manager) && !kvMouseInControl(sd)) {
    if (!sForbidMouse.Contains(sd->COC)) sd->FMouseAbove = false;
    if (!ssCanNotBeHot.Contains(sd->COC) && !ssButtons.Contains(sd->COC)) {
      if (TkvGlowServices* e = Glows()) {
        if (sd->GlowID >= 0) e->HideGlow(sd->GlowID, true);
        if (sd->CircleID >= 0) e->HideCircle(sd->CircleID);
      }
    }
    bool changed = false;
    if (sEditCtrls.Contains(sd->COC) && !sd->ControlIsActive() && !FullyTransparent(sd))
      changed = ApplyStateColors(sd, 0);
    TWinControl* w = WinOf(sd);
    if (c->Visible() && sEditCtrls.Contains(sd->COC)) {
      sd->BGChanged = true;
      if (w && w->HandleAllocated()) RedrawEdit(w->WindowHandle(), changed, RDW_INVALIDATE | RDW_ERASE);
    }
  }
  PulsePrepare(sd);
  RestartAttention(sd);
  return false;
}

bool OnShowingChanged(TMessage&, TsCommonData* sd) {
  TControl* c = sd->FOwnerControl;
  if (!c) return false;
  if (c->Visible()) sd->Loaded(true);
  if (!sd->GlassModeInit) UpdateGlassMode(c, true);
  return false;
}

bool OnChanged(TMessage&, TsCommonData* sd) {
  PulsePrepare(sd);
  return false;
}

// The dispatch: window messages below WM_USER by their number, the class library's component
// messages by their offset, and the skin command.
struct TWndTable {
  std::array<TWndHandler, WM_USER> wm{};
  std::array<TWndHandler, 64> cm{};
};

constexpr TWndTable MakeWndTable() {
  TWndTable t;
  t.wm[WM_CREATE] = t.wm[WM_NCCREATE] = &OnCreate;
  t.wm[WM_MOVE] = &OnMove;
  t.wm[WM_SIZE] = &OnSize;
  t.wm[WM_SETFOCUS] = &OnSetFocus;
  t.wm[WM_KILLFOCUS] = &OnKillFocus;
  t.wm[WM_SETREDRAW] = &OnSetRedraw;
  t.wm[WM_SHOWWINDOW] = &OnShowWindow;
  t.wm[WM_FONTCHANGE] = &OnEnabledOrFontChanged;
  t.wm[WM_WINDOWPOSCHANGING] = &OnWindowPosChanging;
  t.wm[WM_CONTEXTMENU] = &OnContextMenu;
  t.wm[WM_UPDATEUISTATE] = &OnUpdateUIState;
  t.wm[WM_MOUSEMOVE] = &OnMouseMove;
  t.wm[WM_LBUTTONDOWN] = t.wm[WM_LBUTTONUP] = &OnMouseButton;
  t.wm[WM_PARENTNOTIFY] = &OnParentNotify;
  t.wm[WM_DPICHANGED] = &OnDpiChanged;
  t.wm[WM_PRINT] = &OnPrint;
  t.cm[CM_ENABLEDCHANGED - CM_BASE] = &OnEnabledOrFontChanged;
  t.cm[CM_PARENTFONTCHANGED - CM_BASE] = &OnParentFontChanged;
  t.cm[CM_VISIBLECHANGED - CM_BASE] = &OnVisibleChanged;
  t.cm[CM_MOUSEENTER - CM_BASE] = &OnMouseEnter;
  t.cm[CM_MOUSELEAVE - CM_BASE] = &OnMouseLeave;
  t.cm[CM_SHOWINGCHANGED - CM_BASE] = &OnShowingChanged;
  t.cm[CM_CHANGED - CM_BASE] = &OnChanged;
  return t;
}

constexpr TWndTable kWndTable = MakeWndTable();

}  // namespace

bool CommonWndProc(TMessage& message, TsCommonData* skinData) {
  if (!skinData) return false;
  const Cardinal msg = message.Msg;
  TWndHandler handler = nullptr;
  if (msg < WM_USER)
    handler = kWndTable.wm[msg];
  else if (msg == SM_ALPHACMD)
    handler = &OnSkinCommand;
  else if (msg - CM_BASE < kWndTable.cm.size())
    handler = kWndTable.cm[msg - CM_BASE];
  return handler && handler(message, skinData);
}

// ---- Which sections concern a control -------------------------------------------------------

namespace {

// The standard sections a class paints besides its own, by control-class code.
struct TAuxSections {
  TkvCodeSet codes;
  std::vector<TkvSection> sections;
  bool tabs = false;  // the sixteen tab sections too
};

const std::vector<TkvSection>& ScrollSections() {
  static const std::vector<TkvSection> s{ssScrollBtnLeft, ssScrollBtnTop, ssScrollBtnRight, ssScrollBtnBottom,
                                         ssScrollBar1H,   ssScrollBar1V,  ssScrollBar2H,    ssScrollBar2V,
                                         ssScrollSliderH, ssScrollSliderV};
  return s;
}

const std::vector<TAuxSections>& AuxTable() {
  static const std::vector<TAuxSections> table = [] {
    std::vector<TAuxSections> t;
    t.push_back({TkvCodeSet{{2, 2}}, {ssToolButton, ssUpDown}});
    t.push_back({TkvCodeSet{{7, 8}, {14, 14}, {58, 58}, {78, 78}, {83, 83}, {85, 85}, {142, 142}, {231, 231}},
                 ScrollSections()});
    t.push_back({TkvCodeSet{{9, 9}, {13, 13}, {18, 18}, {81, 82}}, {ssComboBtn}});
    auto headers = ScrollSections();
    headers.insert(headers.end(), {ssColHeader, ssColHeaderA, ssColHeaderL, ssColHeaderR});
    t.push_back({TkvCodeSet{{10, 10}, {152, 152}}, headers});
    t.push_back({TkvCodeSet{{34, 34}}, {ssSlider_On, ssSlider_Off, ssThumb_On, ssThumb_Off}});
    t.push_back({TkvCodeSet{{53, 53}}, {ssGripV, ssGripH}});
    t.push_back({TkvCodeSet{{54, 54}}, {ssDivider}});
    t.push_back({TkvCodeSet{{75, 75}}, {ssSpeedButton}});
    t.push_back({TkvCodeSet{{132, 140}}, {ssComboBtn, ssUpDown, ssSpeedButton_Small}});
    t.push_back({TkvCodeSet{{141, 141}, {143, 143}}, {ssMenuButton}, true});
    t.push_back({TkvCodeSet{{161, 161}}, {ssProgressH, ssProgressV}});
    t.push_back({TkvCodeSet{{223, 224}}, {ssFormTitle}});
    return t;
  }();
  return table;
}

}  // namespace

bool RefreshNeeded(TsCommonData* sd, const TMessage& message) {
  DuRiruZireziv* manager = sd->GetSkinManager();
  if (!manager || message.LParam != reinterpret_cast<intptr_t>(manager)) return false;
  const Integer section = message.WParamLo;
  if (section == 0 || section == sd->SkinIndex) return true;
  if (section > 255) return false;
  for (const TAuxSections& aux : AuxTable()) {
    if (!aux.codes.Contains(sd->COC)) continue;
    for (TkvSection s : aux.sections)
      if (manager->SkinCommonInfo.Sections[s] == section) return true;
    if (aux.tabs)
      for (const auto& side : sd->GetCommonSkinData()->Tabs)
        for (const auto& tab : side)
          if (tab.SkinIndex == section) return true;
    return false;
  }
  return false;
}

bool ChildBgIsChanged(TsCommonData*) { return true; }

bool kvMouseInControl(TsCommonData* sd) {
  TWinControl* w = WinOf(sd);
  HWND h = nullptr;
  TRect r;
  POINT p;
  if (!GetCursorPos(&p)) return false;
  if (w) {
    if (!w->HandleAllocated()) return false;
    h = w->WindowHandle();
    if (!IsWindowVisible(h)) return false;
    r = w->ClientRect();
    ScreenToClient(h, &p);
  } else {
    h = sd->OwnerHandle();
    if (!h || !IsWindowVisible(h)) return false;
    RECT client, window;
    GetClientRect(h, &client);
    GetWindowRect(h, &window);
    r = TRect(0, 0, client.right, client.bottom);
    p.x -= window.left;
    p.y -= window.top;
  }
  // Skinned scroll bars are drawn over the client area's edges by the window's scroll wrapper.
  if (TkvScrollWrapper* scroll = Kv_GetScrollWndFromHwnd(h)) {
    r.Bottom += scroll->GetScrollMetric(SB_HORZ, true) * scroll->ShownBars(SB_HORZ);
    r.Right += scroll->GetScrollMetric(SB_VERT, true) * scroll->ShownBars(SB_VERT);
  }
  const TPoint pt(p.x, p.y);
  if (!r.Contains(pt)) return false;
  RECT clip{};
  const TWindowDC dc(h);
  const int kind = dc ? GetClipBox(dc, &clip) : ERROR;
  if (kind != ERROR && !TRect(clip.left, clip.top, clip.right, clip.bottom).Contains(pt)) return false;
  if (TControl* under = CtrlUnderMouse(); under && under != sd->FOwnerControl)
    if (auto* uw = dynamic_cast<TWinControl*>(under); uw && uw->HandleAllocated())
      return ContainsWnd(uw->WindowHandle(), h);
  return true;
}

// ---- Skin commands ---------------------------------------------------------------------------

namespace {

using TCmdHandler = bool (*)(TMessage&, TsCommonData*);

bool OwnManager(const TMessage& m, TsCommonData* sd) {
  DuRiruZireziv* manager = sd->GetSkinManager();
  return manager && m.LParam == reinterpret_cast<intptr_t>(manager);
}

void Broadcast(TsCommonData* sd, TMessage& m) {
  if (TWinControl* w = WinOf(sd)) AlphaBroadCast(w, m);
}

void ResetLight(TsCommonData* sd, bool registerAgain, bool unregister) {
  auto* lit = dynamic_cast<TsCtrlSkinData*>(sd);
  if (!lit || !ssLightCtrls.Contains(lit->COC)) return;
  lit->ResetLight();
  TkvEffectServices* e = Effects();
  if (!e) return;
  if (registerAgain) e->AddLightControl(lit);
  if (unregister) e->DelLightControl(lit);
}

bool CmdSetNewSkin(TMessage& m, TsCommonData* sd) {
  if (!OwnManager(m, sd)) return true;
  sd->SetCommonSkinData(nullptr);
  ResetLight(sd, true, false);
  RestartAttention(sd);
  sd->StopTimer();
  sd->UpdateData();
  sd->InitIndexes({sd->FSkinSection});
  if (sd->FCacheBmp) sd->FCacheBmp->SetSize(0, 0);
  DuRiruZireziv* manager = sd->GetSkinManager();
  // The custom font mode gives every control the manager's main font.
  if (manager && manager->Fonts.MainMode == fmCustom && sd->FOwnerControl && !manager->Fonts.MainFont.empty())
    sd->FOwnerControl->Font()->SetName(manager->Fonts.MainFont);
  RestrictDrawing = false;
  return true;
}

bool CmdRemoveSkin(TMessage& m, TsCommonData* sd) {
  if (!OwnManager(m, sd)) return true;
  sd->SetCommonSkinData(nullptr);
  ResetLight(sd, false, true);
  if (sd->SkinIndex < 0) return true;
  sd->SkinIndex = -1;
  sd->StopTimer();
  if (IsDestroying(sd->FSkinManager)) sd->FSkinManager = nullptr;
  if (sd->FCacheBmp) sd->FCacheBmp->SetSize(0, 0);
  if (TWinControl* w = WinOf(sd); w && w->HandleAllocated()) {
    // The window class keeps its own background brush (the skin never set it).
    if (auto* edit = dynamic_cast<TCustomEdit*>(w)) {
      if (!sd->FCustomColor) edit->SetColor(clWindow);
      if (!sd->FCustomFont) {
        TkvStateBitScope changing(*sd, KVS_CHANGING);
        edit->Font()->SetColor(clWindowText);
      }
      RedrawWindow(w->WindowHandle(), nullptr, nullptr, RDWA_FRAME);
    } else {
      for (Integer i = 0; i < w->ControlCount(); ++i)
        if (auto* label = dynamic_cast<TLabel*>(w->Controls(i))) label->Font()->SetColor(clWindowText);
    }
  }
  return false;
}

bool CmdRefresh(TMessage& m, TsCommonData* sd) {
  if (!RefreshNeeded(sd, m)) {
    Broadcast(sd, m);
    return true;
  }
  if (kvPreviewNeeded) sd->SetCommonSkinData(nullptr);
  ResetLight(sd, false, false);
  sd->StopTimer();
  sd->BGChanged = true;
  if (m.WParamLo != 0) {
    TMessage changed = MakeMessage(SM_ALPHACMD, uintptr_t{KV_SETCHANGEDIFNECESSARY} << 16, 0);
    Broadcast(sd, changed);
  }
  sd->FUpdating = false;
  UpdateCtrlColors(sd, true);
  if (TWinControl* w = WinOf(sd); w && w->HandleAllocated() && ssScrolledEdits.Contains(sd->COC))
    SetWindowPos(w->WindowHandle(), nullptr, 0, 0, 0, 0, SWPA_FRAMECHANGED);
  if (sd->PulsTimer && sd->PulsTimer->Enabled()) {
    sd->PulsTimer->PrepareImage();
    sd->PulsTimer->Timer();
  }
  return true;
}

bool CmdEndParentUpdate(TMessage&, TsCommonData* sd) {
  TWinControl* w = WinOf(sd);
  if (sd->FUpdating && w) {
    if (!sd->InUpdating(true) && w->HandleAllocated()) RedrawWindow(w->WindowHandle(), nullptr, nullptr, RDWA_ALLNOW);
    if (w->HandleAllocated()) SetParentUpdated(w->WindowHandle());
  }
  return true;
}

bool CmdCtrlHandled(TMessage& m, TsCommonData* sd) {
  m.LParam = sd->SkinIndex >= 0 ? 1 : 0;
  m.Result = 1;
  return true;
}

bool CmdUpdating(TMessage& m, TsCommonData* sd) {
  sd->FUpdating = m.WParamLo == 1;
  return true;
}

bool CmdPreparing(TMessage& m, TsCommonData* sd) {
  m.Result = 0;
  if (sd->InUpdating(false)) {
    m.Result = 1;
    return true;
  }
  TWinControl* w = WinOf(sd);
  if (sd->FCustomColor || !w) return true;
  auto empty = [&] { return !sd->FCacheBmp || sd->FCacheBmp->Width() == 0 || sd->FCacheBmp->Height() == 0; };
  if (empty() || sd->BGChanged) {
    w->Perform(SM_ALPHACMD, KV_PREPARECACHE_HI, 0);
    m.Result = empty() ? 1 : 0;
  } else {
    m.Result = sd->FCacheBmp->Width() != w->Width() || sd->FCacheBmp->Height() != w->Height() ? 1 : 0;
  }
  return true;
}

bool CmdGetHalfVisible(TMessage& m, TsCommonData* sd) {
  m.Result = sd->HalfVisible ? 1 : 0;
  return true;
}

bool CmdUpdateSection(TMessage& m, TsCommonData* sd) {
  const auto* name = reinterpret_cast<const Char*>(m.LParam);
  if (name && String(name) == UpperCase(sd->FSkinSection)) {
    RestrictDrawing = false;
    sd->Invalidate(false);
  }
  return true;
}

bool CmdSetSection(TMessage& m, TsCommonData* sd) {
  const auto* name = reinterpret_cast<const Char*>(m.LParam);
  if (!name) {
    m.Result = 0;
    return true;
  }
  sd->SetSkinSection(String(name));
  m.Result = 1;
  return true;
}

bool CmdStopFading(TMessage&, TsCommonData* sd) {
  sd->StopTimer();
  return true;
}

bool CmdSetBGChanged(TMessage& m, TsCommonData* sd) {
  sd->BGChanged = true;
  sd->StopTimer();
  if (TWinControl* w = WinOf(sd); w && w->HandleAllocated()) AlphaBroadCast(w->WindowHandle(), m);
  return true;
}

bool CmdInvalidate(TMessage& m, TsCommonData* sd) {
  sd->Invalidate(m.WParamLo != 0);
  return true;
}

bool CmdChildChanged(TMessage& m, TsCommonData* sd) {
  m.Result = ChildBgIsChanged(sd) ? 1 : 0;
  return true;
}

bool CmdSetChangedIfNecessary(TMessage& m, TsCommonData* sd) {
  const bool moved = sd->RepaintIfMoved();
  sd->BGChanged = sd->BGChanged || moved;
  sd->StopTimer();
  if (TWinControl* w = WinOf(sd)) {
    if (m.WParamLo == 1 && w->HandleAllocated()) RedrawWindow(w->WindowHandle(), nullptr, nullptr, RDWA_ALLCHILDREN);
    if (moved) ChangedIfNecessaryToChildren(w);
  }
  return true;
}

bool CmdGetControlColor(TMessage& m, TsCommonData* sd) {
  if (sd->FOwnerControl) m.Result = static_cast<intptr_t>(GetOwnControlColor(sd));
  return true;
}

bool CmdSetHalfVisible(TMessage&, TsCommonData* sd) {
  sd->HalfVisible = true;
  return true;
}

bool CmdPrepareCache(TMessage&, TsCommonData* sd) {
  sd->BGChanged = false;
  return true;
}

bool CmdGetSkinIndex(TMessage& m, TsCommonData* sd) {
  if (auto* info = reinterpret_cast<TkvSectionInfo*>(m.LParam)) info->siSkinIndex = sd->SkinIndex;
  return true;
}

bool CmdClearCache(TMessage&, TsCommonData* sd) {
  if (!sd->FCacheBmp) return true;
  if (TWinControl* w = WinOf(sd)) {
    for (Integer i = 0; i < w->ControlCount(); ++i)
      if (auto* wc = dynamic_cast<TWinControl*>(w->Controls(i)); wc && wc->HandleAllocated())
        SendAMessage(wc->WindowHandle(), KV_CLEARCACHE);
  }
  sd->FCacheBmp->SetSize(0, 0);
  sd->BGChanged = true;
  return true;
}

bool CmdGetBG(TMessage& m, TsCommonData* sd) {
  const bool hot = sd->FFocused || (sd->FMouseAbove && !ssCanNotBeHot.Contains(sd->COC));
  if (auto* info = reinterpret_cast<TkvBGInfo*>(m.LParam)) InitBGInfo(sd, info, hot ? 1 : 0, nullptr);
  return true;
}

bool CmdFontsChanged(TMessage& m, TsCommonData* sd) {
  if (!OwnManager(m, sd)) return true;
  sd->BGChanged = true;
  DuRiruZireziv* manager = sd->GetSkinManager();
  TControl* c = sd->FOwnerControl;
  if (!c)
    if (auto* provider = dynamic_cast<TkvFormProvider*>(sd->FOwnerObject)) c = provider->ProviderForm();
  if (c) manager->UpdateFontName(c);
  if (auto* w = dynamic_cast<TWinControl*>(c)) AlphaBroadCast(w, m);
  return true;
}

bool CmdGetSkinData(TMessage& m, TsCommonData* sd) {
  m.Result = reinterpret_cast<intptr_t>(sd);
  return true;
}

bool CmdPrinting(TMessage& m, TsCommonData* sd) {
  if (m.WParamLo) {
    sd->CtrlSkinState |= KVS_PRINTING;
    sd->PrintDC = reinterpret_cast<HDC>(m.LParam);
  } else {
    sd->CtrlSkinState &= ~KVS_PRINTING;
    sd->PrintDC = nullptr;
  }
  return true;
}

bool CmdUpdateLight(TMessage& m, TsCommonData* sd) {
  auto* lit = dynamic_cast<TsCtrlSkinData*>(sd);
  if (lit && lit->OnUpdateLight) {
    TkvAnimEventData data;
    data.DoOutput = m.WParamLo != 0;
    lit->OnUpdateLight(lit->FOwnerControl, data);
  }
  return true;
}

bool CmdPaintOuter(TMessage& m, TsCommonData* sd) {
  PaintOuter(sd, reinterpret_cast<TkvBGInfo*>(m.LParam), m.WParamLo);
  return true;
}

// Passes the glass mode on to one control; its answer is the value for the next one.
bool ChangeTranspMode(TControl* ctrl, Integer& data) {
  data = Integer(ctrl->Perform(SM_ALPHACMD, uintptr_t{KV_SETGLASSMODE} << 16, data));
  return false;
}

bool CmdSetGlassMode(TMessage& m, TsCommonData* sd) {
  if (sd->GlassModeInit) return true;
  // Cleared on every way out: a control that raises must not leave its parent deaf to the
  // next glass-mode change.
  auto busy = SetForScope(sd->GlassModeInit, true, false);
  sd->BGChanged = true;
  if (sd->FOpaqueMode == omForceOpaque)
    sd->TranspMode = sd->DoForceOpaque() ? 0 : 1;
  else
    sd->TranspMode = static_cast<Byte>(m.LParamHi & 0xFF);
  if (TControl* c = sd->FOwnerControl) {
    TControlState state = c->ControlState();
    if (sd->TranspMode > 0 && IsWinVistaUp())
      state.Include(csGlassPaint);
    else
      state.Exclude(csGlassPaint);
    c->SetControlState(state);
  }
  m.Result = static_cast<intptr_t>(m.LParamLo) + (static_cast<intptr_t>(sd->TranspMode) << 16);
  if (m.LParamLo == 1)
    if (TWinControl* w = WinOf(sd)) {
      const Integer mode = sd->DoForceOpaque() ? 0 : sd->TranspMode;
      IterateControls(w, 1 + (mode << 16), TkvControlFunc(&ChangeTranspMode));
    }
  return true;
}

bool CmdForceOpaque(TMessage& m, TsCommonData* sd) {
  if (sd->DoForceOpaque()) {
    if (TWinControl* w = WinOf(sd); w && w->HandleAllocated())
      RedrawWindow(w->WindowHandle(), nullptr, nullptr, RDWA_ALLNOW);
    m.Result = 1;
  }
  return true;
}

bool CmdReinitScrolls(TMessage& m, TsCommonData* sd) {
  if (TWinControl* w = WinOf(sd)) {
    if (w->HandleAllocated()) SetWindowPos(w->WindowHandle(), nullptr, 0, 0, 0, 0, SWPA_FRAMECHANGED);
    AlphaBroadCast(w, m);
  }
  return true;
}

bool CmdGetApplication(TMessage& m, TsCommonData*) {
  m.Result = reinterpret_cast<intptr_t>(Application);
  return true;
}

bool CmdGetFontIndex(TMessage& m, TsCommonData* sd) {
  auto* info = reinterpret_cast<TkvPaintInfo*>(m.LParam);
  if (!info || !sd->Skinned()) return true;
  if (NeedParentFont(sd, info->State)) {
    if (TControl* c = sd->FOwnerControl) {
      if (c->Parent()) m.Result = GetFontIndex(c->Parent(), info);
    } else if (HWND parent = sd->FSWHandle ? GetParent(sd->FSWHandle) : nullptr) {
      m.Result = GetFontIndex(parent, info);
    }
    return true;
  }
  info->FontIndex = sd->SkinIndex;
  m.Result = 1;
  return true;
}

bool CmdSetScale(TMessage& m, TsCommonData* sd) {
  sd->CurrentPPI = Integer(m.LParam);
  DuRiruZireziv* manager = sd->GetSkinManager();
  sd->SetCommonSkinData(manager && manager->IsActive() ? manager->CommonSkinData(sd->CurrentPPI) : nullptr);
  Broadcast(sd, m);
  return false;
}

bool CmdGetScale(TMessage& m, TsCommonData* sd) {
  m.Result = sd->CurrentPPI;
  return true;
}

bool CmdGetOutRgn(TMessage& m, TsCommonData* sd) {
  if (auto* r = reinterpret_cast<TRect*>(m.LParam)) *r = sd->FOwnerControl ? sd->FOwnerControl->BoundsRect() : TRect();
  return true;
}

bool CmdKillTimers(TMessage& m, TsCommonData* sd) {
  TWinControl* w = WinOf(sd);
  if (sd->FMouseAbove && w && w->HandleAllocated() && DefaultManager &&
      DefaultManager->ActiveControl() == w->WindowHandle())
    DefaultManager->SetActiveControl(nullptr);
  if (TkvGlowServices* e = Glows()) {
    if (sd->GlowID >= 0) e->HideGlow(sd->GlowID, false);
    if (sd->CircleID >= 0) e->HideCircle(sd->CircleID);
  }
  Broadcast(sd, m);
  return true;
}

bool CmdIsOpaque(TMessage& m, TsCommonData* sd) {
  DuRiruZireziv* manager = sd->GetSkinManager();
  TControl* c = sd->FOwnerControl;
  m.Result = (manager && manager->IsActive()) || !c || !c->ControlStyle().Contains(csOpaque) ? 1 : 0;
  return true;
}

bool CmdGetCommonSkinData(TMessage& m, TsCommonData* sd) {
  TkvSkinData* cached = sd->FCommonSkinData;
  m.Result = reinterpret_cast<intptr_t>(sd->GetCommonSkinData());
  m.LParam = reinterpret_cast<intptr_t>(cached);
  return true;
}

constexpr Word kCommandCount = 128;

constexpr std::array<TCmdHandler, kCommandCount> MakeCmdTable() {
  std::array<TCmdHandler, kCommandCount> t{};
  t[KV_SETNEWSKIN] = &CmdSetNewSkin;
  t[KV_REMOVESKIN] = &CmdRemoveSkin;
  t[KV_REFRESH] = &CmdRefresh;
  t[KV_ENDPARENTUPDATE] = &CmdEndParentUpdate;
  t[KV_CTRLHANDLED] = &CmdCtrlHandled;
  t[KV_UPDATING] = &CmdUpdating;
  t[KV_PREPARING] = &CmdPreparing;
  t[KV_GETHALFVISIBLE] = &CmdGetHalfVisible;
  t[KV_UPDATESECTION] = &CmdUpdateSection;
  t[KV_SETSECTION] = &CmdSetSection;
  t[KV_STOPFADING] = &CmdStopFading;
  t[KV_SETBGCHANGED] = &CmdSetBGChanged;
  t[KV_INVALIDATE] = &CmdInvalidate;
  t[KV_CHILDCHANGED] = &CmdChildChanged;
  t[KV_SETCHANGEDIFNECESSARY] = &CmdSetChangedIfNecessary;
  t[KV_GETCONTROLCOLOR] = &CmdGetControlColor;
  t[KV_SETHALFVISIBLE] = &CmdSetHalfVisible;
  t[KV_PREPARECACHE] = &CmdPrepareCache;
  t[KV_GETSKININDEX] = &CmdGetSkinIndex;
  t[KV_CLEARCACHE] = &CmdClearCache;
  t[KV_GETBG] = &CmdGetBG;
  t[KV_FONTSCHANGED] = &CmdFontsChanged;
  t[KV_GETSKINDATA] = &CmdGetSkinData;
  t[KV_PRINTING] = &CmdPrinting;
  t[KV_UPDATELIGHT] = &CmdUpdateLight;
  t[KV_PAINTOUTER] = &CmdPaintOuter;
  t[KV_SETGLASSMODE] = &CmdSetGlassMode;
  t[KV_FORCEOPAQUE] = &CmdForceOpaque;
  t[KV_REINITSCROLLS] = &CmdReinitScrolls;
  t[KV_GETAPPLICATION] = &CmdGetApplication;
  t[KV_GETFONTINDEX] = &CmdGetFontIndex;
  t[KV_SETSCALE] = &CmdSetScale;
  t[KV_GETSCALE] = &CmdGetScale;
  t[KV_GETOUTRGN] = &CmdGetOutRgn;
  t[KV_KILLTIMERS] = &CmdKillTimers;
  t[KV_ISOPAQUE] = &CmdIsOpaque;
  t[KV_GETCOMMONSKINDATA] = &CmdGetCommonSkinData;
  return t;
}

constexpr std::array<TCmdHandler, kCommandCount> kCmdTable = MakeCmdTable();

}  // namespace

bool CommonMessage(TMessage& message, TsCommonData* skinData) {
  if (!skinData || message.Msg != SM_ALPHACMD) return true;
  const Word code = message.WParamHi;
  if (code >= kCommandCount || !kCmdTable[code]) return false;
  // A command this thread did not send carries no pointer we may follow: it is finished here,
  // unanswered, and the owner does not see it either.
  if (!kvCommandIsTrusted(message)) {
    message.Result = 0;
    return true;
  }
  return kCmdTable[code](message, skinData);
}

// ---- The gate ------------------------------------------------------------------------------

namespace {

constexpr TkvCodeSet kPointerCommands{{KV_GETCACHE, KV_GETCACHE},
                                      {KV_UPDATESECTION, KV_UPDATESECTION},
                                      {KV_SETSECTION, KV_SETSECTION},
                                      {KV_CONTROLLOADED, KV_GETSKININDEX},
                                      {KV_GETBG, KV_GETBG},
                                      {KV_PRINTING, KV_PRINTING},
                                      {KV_PAINTOUTER, KV_PAINTOUTER},
                                      {KV_LINKOBJ, KV_LINKOBJ},
                                      {KV_GETFONTINDEX, KV_GETFONTINDEX},
                                      {KV_GETOUTRGN, KV_GETOUTRGN},
                                      {KV_UPDATESHADOW, KV_UPDATESHADOW},
                                      {KV_GETTEXTRECT, KV_GETTEXTRECT}};
constexpr TkvCodeSet kPostedCommands{{KV_COPYDATA, KV_COPYDATA}, {KV_SKINCHANGED, KV_SKINCHANGED}};

// The commands the engine is delivering itself, innermost last (GUI thread only).
struct TOwnCommand {
  uintptr_t wParam;
  intptr_t lParam;
};
std::vector<TOwnCommand>& OwnCommands() {
  static std::vector<TOwnCommand> commands;
  return commands;
}

LRESULT CALLBACK FilterPostedCommands(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (msg->message == SM_ALPHACMD && !kvCommandMayBePosted(HIWORD(msg->wParam))) {
      msg->message = WM_NULL;
      msg->wParam = 0;
      msg->lParam = 0;
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

bool kvCommandCarriesPointer(Word code) { return kPointerCommands.Contains(code); }
bool kvCommandMayBePosted(Word code) {
  return kPointerCommands.Contains(code) ? false : kPostedCommands.Contains(code);
}

bool kvCommandIsTrusted(const TMessage& message) {
  if (!kvCommandCarriesPointer(message.WParamHi)) return true;
  // Not inside another thread's SendMessage: the command was sent or performed on this thread
  // (posted ones never get this far, the message filter turns them into WM_NULL).
  if ((InSendMessageEx(nullptr) & (ISMEX_SEND | ISMEX_NOTIFY | ISMEX_CALLBACK)) == 0) return true;
  // Answering another thread: only what the engine delivers itself meanwhile.
  for (const TOwnCommand& own : OwnCommands())
    if (own.wParam == message.WParam && own.lParam == message.LParam) return true;
  return false;
}

TkvOwnDelivery::TkvOwnDelivery(uintptr_t wParam, intptr_t lParam) { OwnCommands().push_back({wParam, lParam}); }
TkvOwnDelivery::~TkvOwnDelivery() { OwnCommands().pop_back(); }

void kvGuardPostedCommands() {
  static DWORD guardedThread = 0;
  static TOwnedHook hook;
  if (guardedThread) return;
  guardedThread = GetCurrentThreadId();
  hook.reset(SetWindowsHookExW(WH_GETMESSAGE, &FilterPostedCommands, nullptr, guardedThread));
}
