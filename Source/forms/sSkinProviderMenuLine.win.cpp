// The menu line of a skinned form: the form's menu bar inside the skinned frame. The menu
// painter of the skin manager measures and draws the bar's items; the provider paints the line's
// section into the window picture, keeps the line's clean background for single items that
// repaint, counts how many lines the bar takes and prepares the bar for owner drawing.
//
// Sections: queries; preparing and rebuilding the bar; painting; menu messages.
#include <limits>

#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/sSkinMenus.h"
#include "forms/sMDIForm.h"
#include "forms/sSkinProvider.h"
#include "forms/sSkinProviderMenuLine.h"
#include "paint/sGraphUtils.h"
#include "skin/sVclUtils.h"
#include "ui/GdiScopes.h"
#include "ui/Menus.h"
#include "ui/ScopeGuard.h"
#include "ui/WinHandles.h"
#include "wrappers/kvSBUtils.h"

namespace {

// Window-menu items the provider adds for MDI children carry this bit in their tag.
constexpr Integer kChildItemTag = 0x200;

// The menu bar of the form as the library shows it: its own main menu, not one that joins the
// main form's bar.
bool AutoMerged(TForm* form) {
  TMainMenu* menu = form->Menu();
  return menu && menu->AutoMerge() && Application && Application->MainForm() != form;
}

bool AnyVisibleItem(TMainMenu* menu) {
  if (!menu) return false;
  for (Integer i = 0; i < menu->Items()->Count(); ++i)
    if (menu->Items()->Items(i)->Visible()) return true;
  return false;
}

// The thread's message-filter hook of a skinned MDI main form; empty when none.
TOwnedHook FMDIMenuHook;

LRESULT CALLBACK PopupMenuHook(int code, WPARAM wParam, LPARAM lParam) {
  const auto* msg = reinterpret_cast<const MSG*>(lParam);
  TsSkinProvider* sp = MDISkinProvider;
  if (code == MSGF_MENU && msg && sp && sp->Form && sp->Form->Menu() && sp->Form->ActiveMDIChild() &&
      (msg->message == WM_MOUSEMOVE || msg->message == WM_LBUTTONDOWN)) {
    const Integer formRight = sp->Form->Left() + sp->Form->Width();
    if (InMDIMenuGap(sp->LastMenuItemRect, formRight, kvMousePos())) return 1;
  }
  return CallNextHookEx(FMDIMenuHook.get(), code, wParam, lParam);
}

// The popup is the MDI main form's window menu: its items for the children are made anew.
void FillWindowMenu(TsSkinProvider& sp, HMENU popup) {
  TMenuItem* windowMenu = sp.Form->WindowMenu();
  windowMenu->InitiateAction();
  // The entries the MDI client put in for the children (plain items of no library item, and
  // their separator) go; the library's own items stay. Taking every item with text out would
  // leave the library's items out of the popup whenever nothing is added afterwards (the menu
  // ends in a separator and no child is visible): only an addition makes the library fill the
  // popup again.
  for (int pos = GetMenuItemCount(popup); pos >= 0; --pos) {
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_STATE | MIIM_DATA | MIIM_FTYPE;
    if (!GetMenuItemInfoW(popup, UINT(pos), TRUE, &mii) || mii.dwItemData != 0) continue;
    wchar_t text[2]{};
    if (GetMenuStringW(popup, UINT(pos), text, 2, MF_BYPOSITION) > 0 || (mii.fType & MFT_SEPARATOR))
      RemoveMenu(popup, UINT(pos), MF_BYPOSITION);
  }
  if (windowMenu->Count() == 0 || windowMenu->Items(windowMenu->Count() - 1)->Caption() != u"-") {
    auto* line = new TMenuItem(&sp);
    line->SetCaption(u"-");
    windowMenu->Add(line);
  }
  TCustomForm* active = sp.Form->ActiveMDIChild();
  for (Integer i = 0; i < sp.Form->MDIChildCount(); ++i) {
    TCustomForm* child = sp.Form->MDIChildren(i);
    if (!child->Visible()) continue;
    auto* item = new TMenuItem(&sp);
    item->SetCaption(child->Caption());
    item->SetTag(i | kChildItemTag);
    item->SetOnClick(TNotifyEvent(&sp, &TsSkinProvider::OnChildMnuClick));
    item->SetChecked(child == active);
    windowMenu->Add(item);
  }
}

// A menu merged into the bar: its items drawn in the line and its popups by the painter, as the
// bar's own are, while they are. Hooked as it joins: popup items that take the painter's
// handlers only when they are measured change the menu while it is open, and the line is
// painted again under the open menu.
void InitMergedMenu(TsSkinableMenus& painter, TMainMenu* merged, bool line, bool popups) {
  painter.InitMenuLine(merged, line);
  for (Integer i = 0; i < merged->Items()->Count(); ++i) painter.HookItem(merged->Items()->Items(i), popups);
}

// How far the picture lies from the form's window, for the menu line. Without an outer border
// window they are one. With one, the skin's side and title take the place of the system's and
// the shadow lies around them; a maximized form whose skin title is taller than the system's
// caption keeps 4 more pixels of it above the line. The strips beside the border window are
// copied to the window under the same shift, so an item drawn where the system lays it out
// shows where the system takes its clicks.
TPoint PictureShiftOfMenuLine(TsSkinProvider& sp) {
  TkvBorderWindow* border = sp.OuterBorder();
  const HWND h = FormWnd(&sp);
  if (!border || !h) return TPoint(0, 0);
  const TRect shadow = sp.ShadowSize();
  const Integer sysBorder = SysBorderWidth(h, border, false);
  const Integer diffBorder = SysBorderWidth(h, border, true) - sysBorder;
  const Integer diffTitle = sp.CaptionHeight(true) - sp.CaptionHeight(false) - sysBorder;
  return TPoint(diffBorder + shadow.Left, diffTitle + shadow.Top + (sp.FSysExHeight ? 4 : 0));
}

// The bar's items drawn into the picture, position by position as the system lays the bar out:
// the form's own items and, between them by group, those of a menu merged into the bar. A
// merged item replaces the form's items of its group; it follows the items of lower groups.
class TMenuBarItemsPainter {
 public:
  TMenuBarItemsPainter(TsSkinProvider& sp, TsSkinableMenus& painter, TBitmap* cache, Integer firstPosition)
      : sp_(sp), painter_(painter), cache_(cache), position_(firstPosition) {
    h_ = sp.Form->WindowHandle();
    bar_ = GetMenu(h_);
    RECT w{};
    GetWindowRect(h_, &w);
    // Screen to picture: less the window's place, plus the picture's shift from the window.
    const TPoint shift = PictureShiftOfMenuLine(sp);
    toPicture_ = TPoint(shift.X - w.left, shift.Y - w.top);
  }

  void Paint(TMainMenu* menu) {
    if (!bar_) return;
    merged_ = menu->Merged();
    for (Integer i = 0; i < menu->Items()->Count(); ++i) {
      TMenuItem* item = menu->Items()->Items(i);
      const Integer group = item->GroupIndex();
      // The merged items of this group and the lower ones come first; a group the merged menu
      // has is its alone.
      ProcessMerged(group);
      if (MergedHasGroup(group) || !item->Visible()) continue;
      if (!item->OnMeasureItem() || !item->OnAdvancedDrawItem()) painter_.InitMenuLine(menu, true);
      DrawNext(item, TOwnerDrawState{odNoAccel, odReserved1});
    }
    // What is left of the merged menu ends the bar.
    ProcessMerged(std::numeric_limits<Integer>::max());
  }

 private:
  // Draws the visible merged items whose group lies above the groups drawn so far and not
  // above the given one; true when the merged menu has the given group.
  bool ProcessMerged(Integer group) {
    if (!merged_ || group <= lastGroup_) return MergedHasGroup(group);
    TMenuItem* root = merged_->Items();
    for (Integer i = 0; i < root->Count(); ++i) {
      TMenuItem* item = root->Items(i);
      if (item->GroupIndex() <= lastGroup_ || item->GroupIndex() > group || !item->Visible()) continue;
      if (!item->OnMeasureItem() || !item->OnAdvancedDrawItem()) painter_.InitMenuLine(merged_, true);
      DrawNext(item, TOwnerDrawState{});
    }
    lastGroup_ = group;
    return MergedHasGroup(group);
  }

  bool MergedHasGroup(Integer group) const {
    if (!merged_) return false;
    for (Integer i = 0; i < merged_->Items()->Count(); ++i)
      if (merged_->Items()->Items(i)->GroupIndex() == group) return true;
    return false;
  }

  void DrawNext(TMenuItem* item, TOwnerDrawState state) {
    RECT rc{};
    if (!GetMenuItemRect(h_, bar_, UINT(position_++), &rc)) return;
    sp_.LastMenuItemRect = TRect(rc.left, rc.top, rc.right, rc.bottom);
    if (const TAdvancedMenuDrawItemEvent draw = item->OnAdvancedDrawItem())
      draw(item, cache_->Canvas(), OffsRect(sp_.LastMenuItemRect, toPicture_.X, toPicture_.Y), state);
  }

  TsSkinProvider& sp_;
  TsSkinableMenus& painter_;
  TBitmap* cache_;
  Integer position_;
  HWND h_ = nullptr;
  HMENU bar_ = nullptr;
  TPoint toPicture_;
  TMainMenu* merged_ = nullptr;
  Integer lastGroup_ = -1;
};

}  // namespace

// ---- Queries ---------------------------------------------------------------------------------

bool TsSkinProvider::IsMenuVisible() {
  if (!Form) return false;
  TkvMenuLineForm f;
  f.HasMenu = Form->Menu() != nullptr;
  f.AutoMerged = AutoMerged(Form);
  f.ItemCount = f.HasMenu ? Form->Menu()->Items()->Count() : 0;
  f.MDIChild = Form->FormStyle() == fsMDIChild;
  f.DialogBorder = Form->BorderStyle() == bsDialog;
  return MenuLineVisible(f);
}

bool TsSkinProvider::MenuPresent() {
  if (!Form || Form->BorderStyle() == bsDialog || Form->FormStyle() == fsMDIChild) return false;
  if (!Form->Menu() || AutoMerged(Form)) return false;
  if (AnyVisibleItem(Form->Menu())) return true;
  if (Form->FormStyle() == fsMDIForm)
    if (TCustomForm* child = Form->ActiveMDIChild()) return AnyVisibleItem(child->Menu());
  return false;
}

Integer TsSkinProvider::MenuHeight() {
  const bool visible = IsMenuVisible();
  return MenuLineHeight(visible, visible ? kv_GetSysMetrics(SM_CYMENU, FormPPI()) : 0);
}

Integer TsSkinProvider::GetLinesCount() {
  if (FLinesCount != -1) return FLinesCount;
  if (!Form || !Form->Menu() || !Form->HandleAllocated() || IsIconicForm()) return 0;
  const HWND h = Form->WindowHandle();
  HMENU bar = GetMenu(h);
  RECT first{};
  if (!bar || !GetMenuItemRect(h, bar, 0, &first)) return 0;
  RECT w{};
  GetWindowRect(h, &w);
  // A horizontal bar of the form's scroll wrapper lies between the client and the bottom border.
  const bool hBar = ListSW && ListSW->sBarHorz && ListSW->sBarHorz->fScrollVisible;
  const Integer hBarHeight = hBar ? kv_GetSysMetrics(SM_CYHSCROLL, FormPPI()) : 0;
  const Integer clientTop = MenuLineClientTop(w.top, w.bottom - w.top, GetClientHeight(h), BorderHeight(false),
                                              hBarHeight, Form->BorderWidth());
  FLinesCount = MenuLinesFromGeometry(first.bottom, clientTop, kv_GetSysMetrics(SM_CYMENU, FormPPI()));
  return FLinesCount;
}

TPoint TsSkinProvider::MenuLineOrigin(bool onCache) {
  // The line lies right above the client area: in the picture at the client's offset there,
  // on the window as far from it as the picture lies from the window.
  const Integer lines = GetLinesCount();
  const TPoint inPicture(OffsetX() - Form->BorderWidth(), OffsetY() - lines * MenuHeight() - Form->BorderWidth() - 1);
  if (onCache) return inPicture;
  const TPoint shift = PictureShiftOfMenuLine(*this);
  return TPoint(inPicture.X - shift.X, inPicture.Y - shift.Y);
}

bool TsSkinProvider::MenuLineRightToLeft() { return Form && Form->BiDiMode() == bdRightToLeft; }

// ---- Preparing and rebuilding the bar --------------------------------------------------------

bool TsSkinProvider::UpdateMenu() {
  if (fGlobalFlag) return false;
  const auto busy = SetForScope(fGlobalFlag, true, false);
  TMainMenu* menu = Form ? Form->Menu() : nullptr;
  if (!menu || menu->Items()->Count() == 0) return false;
  menu->Items()->Items(0)->MenuChanged(true);
  FCommonData->BeginUpdate();
  const TScopeExit end([&] { FCommonData->EndUpdate(); });
  menu->AdjustBiDiBehavior();
  return true;
}

void TsSkinProvider::RepaintMenu() {
  FCommonData->BGChanged = true;
  MenuChanged = true;
  FLinesCount = -1;
  ProcessMessage(WM_NCPAINT, 0, 0);
}

void TsSkinProvider::RepaintMenuItem(TMenuItem* item, const TRect& r, TOwnerDrawState state) {
  if (!item || !MenuPresent() || !Form->HandleAllocated()) return;
  TsSkinableMenus* painter = SkinableMenus();
  TBitmap* cache = FCommonData->FCacheBmp.get();
  if (!painter || !cache || Form->Menu()->FindItem(item->Command(), fkCommand) != item) return;
  // The rectangle is the item's on the window; the picture holds it shifted.
  const TPoint shift = PictureShiftOfMenuLine(*this);
  const TRect inPicture = OffsRect(r, shift.X, shift.Y);
  if (const TAdvancedMenuDrawItemEvent draw = item->OnAdvancedDrawItem()) {
    const auto drawing = SetForScope(painter->MenuProvider, static_cast<TkvMenuLineHost*>(this));
    draw(item, cache->Canvas(), inPicture, state);
  }
  const TWindowDC dc(Form->WindowHandle());
  if (!dc) return;
  const TSaveDC saved(dc);
  BitBlt(dc, r.Left, r.Top, r.Width(), r.Height(), cache->Canvas()->Handle(), inPicture.Left, inPicture.Top, SRCCOPY);
}

void TsSkinProvider::TryInitMenu() {
  if (MenusInitialized || !CanDrawNCArea()) return;
  if (TMainMenu* menu = Form ? Form->Menu() : nullptr)
    if (TsSkinableMenus* painter = SkinableMenus()) painter->InitMenuLine(menu, CanDrawNCArea());
  MenusInitialized = UpdateMenu();
}

void TsSkinProvider::InitMenuItems(bool active) {
  DuRiruZireziv* manager = SkinManager();
  TsSkinableMenus* painter = SkinableMenus();
  if (!Form || Form->IsDesigning() || !manager || !painter || manager != DefaultManager) return;
  const bool popups = active && manager->SkinnedPopups();
  auto process = [&](auto&& self, TComponent* c) -> void {
    if (auto* main = dynamic_cast<TMainMenu*>(c)) {
      painter->InitMenuLine(main, active && CanDrawNCArea());
      if (TMainMenu* merged = main->Merged()) InitMergedMenu(*painter, merged, active && CanDrawNCArea(), popups);
      for (Integer i = 0; i < main->Items()->Count(); ++i) painter->HookItem(main->Items()->Items(i), popups);
    } else if (auto* popup = dynamic_cast<TPopupMenu*>(c)) {
      painter->HookPopupMenu(popup, popups);
    } else if (auto* item = dynamic_cast<TMenuItem*>(c)) {
      if (dynamic_cast<TMainMenu*>(item->GetParentMenu())) {
        for (Integer i = 0; i < item->ComponentCount(); ++i) self(self, item->Components(i));
      } else {
        painter->HookItem(item, popups);
      }
    } else if (dynamic_cast<TFrame*>(c)) {
      for (Integer i = 0; i < c->ComponentCount(); ++i) self(self, c->Components(i));
    }
  };
  for (Integer i = 0; i < Form->ComponentCount(); ++i) process(process, Form->Components(i));
}

// ---- Painting --------------------------------------------------------------------------------

void TsSkinProvider::PaintMenuLine(TBitmap* cache, Integer state, Integer top, Integer width) {
  DuRiruZireziv* manager = SkinManager();
  TkvSkinData* data = SkinDataFor();
  if (!manager || !data || !CanDrawNCArea() || !manager->SkinnedPopups() || !IsMenuVisible() || !MenuPresent()) return;
  // The bar is owner-drawn before its geometry is read: preparing it measures it anew.
  TryInitMenu();
  const Integer mh = MenuHeight();
  if (mh <= 0) return;
  const Integer lines = GetLinesCount();
  const Integer height = lines * mh + 1;
  // The line lies between the frame's sides, inside the shadow of an outer border window.
  const TPoint origin = MenuLineOrigin(true);
  const TRect shadow = ShadowSize();
  const Integer side = origin.X - shadow.Left;
  const Integer lineWidth = Maxi(width - shadow.Right - side - origin.X, 0);
  Integer section = FMenuLineSkin.empty() ? -1 : manager->GetSkinIndex(FMenuLineSkin);
  if (section < 0) section = manager->SkinCommonInfo.Sections[ssMenuLine];
  if (section >= 0 && section < Integer(data->gd.size())) {
    const TRect r(origin.X, top, origin.X + lineWidth, top + height);
    const Integer s = Mini(state, Maxi(data->gd[size_t(section)].States - 1, 0));
    PaintItem(section, MakeCacheInfo(cache), true, s, r, TPoint(r.Left, r.Top), cache, data);
  }
  // The clean line, for the items that repaint alone.
  if (!MenuLineBmp) MenuLineBmp = std::make_unique<TBitmap>(0, 0, pf32bit);
  MenuLineBmp->SetSize(lineWidth, height);
  BitBlt(MenuLineBmp->Canvas()->Handle(), 0, 0, lineWidth, height, cache->Canvas()->Handle(), origin.X, origin.Y,
         SRCCOPY);
  // A maximized MDI child's icon stands at the start of the bar, where the child's system menu
  // drops down.
  const bool childIcon = MDISkinProvider == this && ChildIconPresent();
  if (childIcon && mh > 2) {
    const Integer left = SysBorderWidth(Form->WindowHandle(), OuterBorder(), true) + shadow.Left + 1;
    DrawIconOpaque(cache, TRect(left, top + 1, left + mh - 2, top + mh - 1), MDIChildIcon(Form->ActiveMDIChild()));
  }

  // The bar's items draw themselves into the picture.
  TMainMenu* menu = Form->Menu();
  TsSkinableMenus* painter = SkinableMenus();
  if (!menu || !painter) return;
  const auto drawing = SetForScope(painter->MenuProvider, static_cast<TkvMenuLineHost*>(this));
  // The child's system menu holds the bar's first position while its icon shows.
  TMenuBarItemsPainter(*this, *painter, cache, childIcon ? 1 : 0).Paint(menu);
}

// ---- Menu messages ---------------------------------------------------------------------------

void TsSkinProvider::KV_WMInitMenuPopup(TMessage& m) {
  DuRiruZireziv* manager = SkinManager();
  if (!manager || !manager->SkinnedPopups()) {
    PassOn(m);
    return;
  }
  if (HIWORD(m.LParam))
    EnableMenuItem(reinterpret_cast<HMENU>(m.WParam), SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
  else
    kvCanHookMenu = false;
  // Items added for MDI children the last time go; they are added again for the children now.
  TMenuItem* windowMenu = Form->WindowMenu();
  if (windowMenu)
    for (Integer i = windowMenu->Count() - 1; i >= 0; --i)
      if (windowMenu->Items(i)->Tag() & kChildItemTag) windowMenu->Delete(i);
  const auto popup = reinterpret_cast<HMENU>(m.WParam);
  if (windowMenu && Form->FormStyle() == fsMDIForm && Form->MDIChildCount() > 0 && windowMenu->HandleAllocated() &&
      windowMenu->Handle() == popup) {
    FillWindowMenu(*this, popup);
    m.Result = 0;
    return;
  }
  PassOn(m);
}

void TsSkinProvider::OnChildMnuClick(TObject* sender) {
  auto* item = dynamic_cast<TMenuItem*>(sender);
  if (!item || !Form) return;
  const Integer index = Integer(item->Tag() & ~intptr_t(kChildItemTag));
  if (index >= 0 && index < Form->MDIChildCount()) Form->MDIChildren(index)->BringToFront();
}

void TsSkinProvider::MDIMenuHook() {
  if (FMDIMenuHook || !Form || Form->FormStyle() != fsMDIForm) return;
  FMDIMenuHook.reset(SetWindowsHookExW(WH_MSGFILTER, &PopupMenuHook, nullptr, GetCurrentThreadId()));
}

void TsSkinProvider::MDIMenuUnhook() { FMDIMenuHook.reset(); }

void TsSkinProvider::KV_WMMeasureItem(TMessage& m) {
  const auto* mis = reinterpret_cast<const MEASUREITEMSTRUCT*>(m.LParam);
  if (mis && mis->CtlType == ODT_MENU && IsMenuVisible() && SkinManager() && CanDrawNCArea())
    if (TsSkinableMenus* painter = SkinableMenus())
      if (TMenuItem* item = Form->Menu()->FindItem(mis->itemID, fkCommand)) painter->InitItem(item, true);
  PassOn(m);
}

// The system draws a bar item on the window while it tracks the menu. An item of a menu merged
// into the bar belongs to a menu of no window: it finds the line it is drawn in through this
// provider, as the bar's own items do.
void TsSkinProvider::KV_WMDrawItem(TMessage& m) {
  const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
  TsSkinableMenus* painter = SkinableMenus();
  const bool barItem = dis && dis->CtlType == ODT_MENU && Form->HandleAllocated() &&
                       reinterpret_cast<HMENU>(dis->hwndItem) == GetMenu(Form->WindowHandle());
  if (!barItem || !painter || !IsMenuVisible()) {
    PassOn(m);
    return;
  }
  const auto drawing = SetForScope(painter->MenuProvider, static_cast<TkvMenuLineHost*>(this));
  PassOn(m);
}

// The form's popup menu is drawn by the painter while popups are skinned, and by the system
// otherwise; it is hooked as it is asked for, so a menu set after the skin came also follows.
void TsSkinProvider::KV_WMContextMenu(TMessage& m) {
  if (TPopupMenu* popup = Form->PopupMenu())
    if (DuRiruZireziv* manager = SkinManager())
      if (TsSkinableMenus* painter = SkinableMenus()) painter->HookPopupMenu(popup, manager->SkinnedPopups());
  PassOn(m);
}

void TsSkinProvider::KV_CMMenuChanged(TMessage& m) {
  if (!Form->ControlState().Contains(csCreating) && Form->Visible() && !InAnimation(this) &&
      !(FCommonData->CtrlSkinState & 0x800)) {
    FLinesCount = -1;
    MenuChanged = true;
    if (Form->Menu() && !Form->Menu()->IsRightToLeft()) FCommonData->BGChanged = true;
  }
  // New bar items take the line's handlers before the system measures the bar: a handler set
  // while it measures rebuilds the menu under it and spoils the bar's layout.
  if (IsMenuVisible() && SkinManager() && CanDrawNCArea())
    if (TsSkinableMenus* painter = SkinableMenus()) {
      TMenuItem* bar = Form->Menu()->Items();
      for (Integer i = 0; i < bar->Count(); ++i) painter->InitItem(bar->Items(i), true);
      if (TMainMenu* merged = Form->Menu()->Merged())
        InitMergedMenu(*painter, merged, true, SkinManager()->SkinnedPopups());
    }
  PassOn(m);
}
