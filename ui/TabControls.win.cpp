// The tab control, the page control and the tab sheet, over the system's SysTabControl32.
// The tabs are TWindowStrings (a tab's object: what it stands for, a page control's sheet).
//
// Sections:
//   1. TCustomTabControl
//   2. TTabSheet
//   3. TPageControl
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "ComCtrls.h"
#include "CommonProperties.h"
#include "GdiScopes.h"
#include "ImgList.h"
#include "ScopeGuard.h"

// ---- 1. TCustomTabControl -------------------------------------------------------------

TW_DEFINE_CLASS(TCustomTabControl) {}

TW_DEFINE_CLASS(TTabControl) {
  PublishCommon(b, clBtnFace, false);
  PublishFocus(b, true);
  b.Property(u"Tabs", &TTabControl::Tabs, &TTabControl::SetTabs);
  b.Property(u"TabIndex", &TTabControl::TabIndex, &TTabControl::SetTabIndex).Default(-1);
  b.Property(u"TabPosition", &TTabControl::TabPosition, &TTabControl::SetTabPosition).Default(tpTop);
  b.Property(u"Style", &TTabControl::Style, &TTabControl::SetStyle).Default(tsTabs);
  b.Property(u"MultiLine", &TTabControl::MultiLine, &TTabControl::SetMultiLine).Default(false);
  b.Property(u"OwnerDraw", &TTabControl::OwnerDraw, &TTabControl::SetOwnerDraw).Default(false);
  b.Property(u"HotTrack", &TTabControl::HotTrack, &TTabControl::SetHotTrack).Default(false);
  b.Property(u"Images", &TTabControl::Images, &TTabControl::SetImages);
  b.Property(u"TabHeight", &TTabControl::TabHeight, &TTabControl::SetTabHeight).Default(0);
  b.Property(u"TabWidth", &TTabControl::TabWidth, &TTabControl::SetTabWidth).Default(0);
  b.Property(u"OnChange", &TTabControl::OnChange, &TTabControl::SetOnChange);
  b.Property(u"OnChanging", &TTabControl::OnChanging, &TTabControl::SetOnChanging);
  b.Property(u"OnDrawTab", &TTabControl::OnDrawTab, &TTabControl::SetOnDrawTab);
  b.Property(u"OnGetImageIndex", &TTabControl::OnGetImageIndex, &TTabControl::SetOnGetImageIndex);
}

TCustomTabControl::TCustomTabControl(TComponent* owner)
    : TSystemControl(owner, u"SysTabControl32", ICC_TAB_CLASSES),
      tabs_(std::make_unique<TWindowStrings>(this)),
      imagesLink_(std::make_unique<TChangeLink>()) {
  SetControlStyle(TControlStyle{csAcceptsControls, csDoubleClicks, csParentBackground});
  SetBounds(0, 0, 289, 193);
  SetTabStop(true);
  SetColor(clBtnFace);
  imagesLink_->OnChange = TNotifyEvent(this, &TCustomTabControl::ImagesChanged);
}

TCustomTabControl::~TCustomTabControl() { ReplaceImageList(this, images_, nullptr, imagesLink_.get()); }

TStringList* TCustomTabControl::TabStrings() const { return tabs_.get(); }

void TCustomTabControl::CreateParams(TCreateParams& p) {
  TSystemControl::CreateParams(p);
  if (style_ == tsButtons) p.Style |= TCS_BUTTONS;
  if (style_ == tsFlatButtons) p.Style |= TCS_BUTTONS | TCS_FLATBUTTONS;
  if (multiLine_) p.Style |= TCS_MULTILINE;
  if (ownerDraw_) p.Style |= TCS_OWNERDRAWFIXED;
  if (hotTrack_) p.Style |= TCS_HOTTRACK;
  if (tabWidth_ > 0) p.Style |= TCS_FIXEDWIDTH;
  switch (tabPosition_) {
    case tpTop: break;
    case tpBottom: p.Style |= TCS_BOTTOM; break;
    // Side tabs stand in rows of their own.
    case tpLeft: p.Style |= TCS_VERTICAL | TCS_MULTILINE; break;
    case tpRight: p.Style |= TCS_VERTICAL | TCS_RIGHT | TCS_MULTILINE; break;
  }
  p.ClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomTabControl::HandleCreated() {
  TSystemControl::HandleCreated();
  SendToWindow(CCM_SETUNICODEFORMAT, TRUE, 0);
  if (images_) SendToWindow(TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_->Handle()));
  if (tabWidth_ > 0 || tabHeight_ > 0) SendToWindow(TCM_SETITEMSIZE, 0, MAKELPARAM(tabWidth_, tabHeight_));
  tabs_->WindowCreated();
  SendToWindow(TCM_SETCURSEL, static_cast<WPARAM>(tabIndex_), 0);
  Realign();
}

void TCustomTabControl::DestroyWnd() {
  if (HandleAllocated()) tabIndex_ = TabIndex();
  TSystemControl::DestroyWnd();
  tabs_->WindowDestroyed();
}

void TCustomTabControl::InsertWindowString(Integer index, const String& text, TObject* object) {
  TCITEMW item{};
  item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
  item.pszText = const_cast<LPWSTR>(WideStr(text));
  item.iImage = GetImageIndex(index);
  item.lParam = reinterpret_cast<LPARAM>(object);
  SendToWindow(TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

void TCustomTabControl::DeleteWindowString(Integer index) {
  SendToWindow(TCM_DELETEITEM, static_cast<WPARAM>(index), 0);
}

void TCustomTabControl::ClearWindowStrings() { SendToWindow(TCM_DELETEALLITEMS); }

void TCustomTabControl::WindowStringsChanged() {
  // Rows may have come or gone: the display area moved.
  Realign();
}

Integer TCustomTabControl::TabIndex() const {
  return HandleAllocated() ? static_cast<Integer>(SendToWindow(TCM_GETCURSEL)) : tabIndex_;
}

void TCustomTabControl::SetTabIndex(Integer index) {
  if (index < -1 || (!IsLoading() && index >= tabs_->Count())) index = -1;
  tabIndex_ = index;
  SendToWindow(TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void TCustomTabControl::SetTabPosition(TTabPosition p) {
  if (p == tabPosition_) return;
  tabPosition_ = p;
  RecreateWnd();
  Realign();
}

void TCustomTabControl::SetStyle(TTabStyle s) {
  if (s == style_) return;
  style_ = s;
  RecreateWnd();
  Realign();
}

void TCustomTabControl::SetMultiLine(bool v) {
  if (v == multiLine_) return;
  multiLine_ = v;
  RecreateWnd();
  Realign();
}

void TCustomTabControl::SetOwnerDraw(bool v) {
  if (v == ownerDraw_) return;
  ownerDraw_ = v;
  RecreateWnd();
}

void TCustomTabControl::SetHotTrack(bool v) {
  if (v == hotTrack_) return;
  hotTrack_ = v;
  RecreateWnd();
}

void TCustomTabControl::SetImages(TCustomImageList* list) {
  if (ReplaceImageList(this, images_, list, imagesLink_.get())) ImagesChanged(nullptr);
}

void TCustomTabControl::ImagesChanged(TObject*) {
  if (!HandleAllocated()) return;
  SendToWindow(TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_ ? images_->Handle() : nullptr));
  UpdateTabImages();
  Realign();
}

void TCustomTabControl::Notification(TComponent* component, TOperation operation) {
  TSystemControl::Notification(component, operation);
  if (operation == opRemove && component == images_) {
    images_ = nullptr;
    ImagesChanged(nullptr);
  }
}

void TCustomTabControl::SetTabHeight(Integer h) {
  tabHeight_ = std::max(h, 0);
  SendToWindow(TCM_SETITEMSIZE, 0, MAKELPARAM(tabWidth_, tabHeight_));
  Realign();
}

void TCustomTabControl::SetTabWidth(Integer w) {
  const bool fixed = (w > 0) != (tabWidth_ > 0);
  tabWidth_ = std::max(w, 0);
  if (fixed) ChangeStyle(TCS_FIXEDWIDTH, tabWidth_ > 0, false);
  SendToWindow(TCM_SETITEMSIZE, 0, MAKELPARAM(tabWidth_, tabHeight_));
  Realign();
}

Integer TCustomTabControl::GetImageIndex(Integer tabIndex) {
  Integer index = tabIndex;
  onGetImageIndex_.Call(this, tabIndex, index);
  return index;
}

void TCustomTabControl::UpdateTabImages() {
  if (!HandleAllocated()) return;
  for (Integer i = 0; i < tabs_->ShownCount(); ++i) {
    TCITEMW item{};
    item.mask = TCIF_IMAGE;
    item.iImage = GetImageIndex(i);
    SendToWindow(TCM_SETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
}

TRect TCustomTabControl::DisplayRect() const {
  TRect client = ClientRect();
  if (!HandleAllocated()) {
    // An estimate until the window exists: one row of tabs.
    client.Top += std::min<Integer>(client.Height(), 24);
    return client;
  }
  RECT r{client.Left, client.Top, client.Right, client.Bottom};
  SendToWindow(TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  return {r.left, r.top, std::max(r.left, r.right), std::max(r.top, r.bottom)};
}

TRect TCustomTabControl::TabRect(Integer index) const {
  RECT r{};
  if (!SendToWindow(TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r))) return {};
  return {r.left, r.top, r.right, r.bottom};
}

Integer TCustomTabControl::IndexOfTabAt(Integer x, Integer y) const {
  TCHITTESTINFO hit{{x, y}, 0};
  return HandleAllocated() ? static_cast<Integer>(SendToWindow(TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit))) : -1;
}

Integer TCustomTabControl::RowCount() const { return static_cast<Integer>(SendToWindow(TCM_GETROWCOUNT)); }

void TCustomTabControl::AdjustClientRect(TRect& rect) {
  TSystemControl::AdjustClientRect(rect);
  const TRect display = DisplayRect();
  rect.Left = std::max(rect.Left, display.Left);
  rect.Top = std::max(rect.Top, display.Top);
  rect.Right = std::min(rect.Right, display.Right);
  rect.Bottom = std::min(rect.Bottom, display.Bottom);
}

bool TCustomTabControl::CanChange() {
  bool allow = true;
  onChanging_.Call(this, allow);
  return allow;
}

void TCustomTabControl::Change() { onChange_.Call(this); }

bool TCustomTabControl::Notify(TMessage& m) {
  switch (reinterpret_cast<NMHDR*>(m.LParam)->code) {
    case TCN_SELCHANGING:
      // A non-zero answer keeps the tab.
      m.Result = CanChange() ? 0 : 1;
      return true;
    case TCN_SELCHANGE:
      tabIndex_ = TabIndex();
      Changed();
      Change();
      m.Result = 0;
      return true;
  }
  return TSystemControl::Notify(m);
}

void TCustomTabControl::DrawOwnerItem(const TOwnerDrawItem& item) {
  DrawTab(item.Index, item.Rect, item.State.Contains(odSelected));
}

void TCustomTabControl::DrawTab(Integer tabIndex, const TRect& rect, bool active) {
  if (onDrawTab_) {
    onDrawTab_(this, tabIndex, rect, active);
    return;
  }
  TCanvas* c = Canvas();
  c->FillRect(rect);
  if (tabIndex < 0 || tabIndex >= tabs_->Count()) return;
  const String& text = tabs_->Strings(tabIndex);
  c->Brush()->SetStyle(bsClear);
  RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
  DrawTextW(c->Handle(), WideStr(text), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void TCustomTabControl::Dispatch(TMessage& m) {
  TSystemControl::Dispatch(m);
  if (m.Msg == CM_FONTCHANGED) Realign();
}

// ---- 2. TTabSheet ---------------------------------------------------------------------

TW_DEFINE_CLASS(TTabSheet) {
  PublishCommon(b, clBtnFace, true);
  b.Property(u"Caption", &TTabSheet::Caption, &TTabSheet::SetCaption).Stored(&TTabSheet::IsCaptionStored);
  b.Property(u"PageControl", &TTabSheet::PageControl, &TTabSheet::SetPageControl).Stored(false);
  b.Property(u"TabVisible", &TTabSheet::TabVisible, &TTabSheet::SetTabVisible).Default(true);
  b.Property(u"ImageIndex", &TTabSheet::ImageIndex, &TTabSheet::SetImageIndex).Default(-1);
  b.Property(u"PageIndex", &TTabSheet::PageIndex, &TTabSheet::SetPageIndex).Stored(false);
  // The page control shows and hides its pages.
  b.Property(u"Visible", &TTabSheet::Visible, &TTabSheet::SetVisible).Stored(false);
  b.Property(u"Padding", &TTabSheet::Padding, &TTabSheet::SetPadding);
  b.Property(u"BorderWidth", &TTabSheet::BorderWidth, &TTabSheet::SetBorderWidth).Default(0);
  b.Property(u"OnShow", &TTabSheet::OnShow, &TTabSheet::SetOnShow);
  b.Property(u"OnHide", &TTabSheet::OnHide, &TTabSheet::SetOnHide);
}

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks,
                                csParentBackground});
  SetBounds(0, 0, 100, 100);
  SetParentColor(true);
  // A page shows only while it is the active one.
  SetVisible(false);
}

TTabSheet::~TTabSheet() {
  if (pageControl_) pageControl_->RemovePage(this);
}

void TTabSheet::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.ClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TTabSheet::SetPageControl(TPageControl* pc) { SetParent(pc); }

void TTabSheet::SetParent(TWinControl* parent) {
  TWinControl::SetParent(parent);
  // The page control learns of the new page from the control-list change it sends.
}

Integer TTabSheet::PageIndex() const {
  if (!pageControl_) return -1;
  auto& pages = pageControl_->pages_;
  auto it = std::find(pages.begin(), pages.end(), this);
  return it == pages.end() ? -1 : static_cast<Integer>(it - pages.begin());
}

void TTabSheet::SetPageIndex(Integer index) {
  if (pageControl_) pageControl_->MovePage(this, index);
}

Integer TTabSheet::TabIndex() const {
  if (!pageControl_ || !tabVisible_) return -1;
  Integer n = 0;
  for (TTabSheet* p : pageControl_->pages_) {
    if (p == this) return n;
    if (p->tabVisible_) ++n;
  }
  return -1;
}

void TTabSheet::SetTabVisible(bool v) {
  if (v == tabVisible_) return;
  tabVisible_ = v;
  if (pageControl_) pageControl_->UpdateTabs();
}

void TTabSheet::SetImageIndex(Integer v) {
  if (v == imageIndex_) return;
  imageIndex_ = v;
  if (pageControl_) pageControl_->UpdateTabImages();
}

void TTabSheet::Dispatch(TMessage& m) {
  TWinControl::Dispatch(m);
  if (m.Msg == CM_TEXTCHANGED && pageControl_) pageControl_->UpdateTabs();
}

// ---- 3. TPageControl ------------------------------------------------------------------

TW_DEFINE_CLASS(TPageControl) {
  PublishCommon(b, clBtnFace, false);
  PublishFocus(b, true);
  b.Property(u"ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage);
  b.Property(u"TabPosition", &TPageControl::TabPosition, &TPageControl::SetTabPosition).Default(tpTop);
  b.Property(u"Style", &TPageControl::Style, &TPageControl::SetStyle).Default(tsTabs);
  b.Property(u"MultiLine", &TPageControl::MultiLine, &TPageControl::SetMultiLine).Default(false);
  b.Property(u"OwnerDraw", &TPageControl::OwnerDraw, &TPageControl::SetOwnerDraw).Default(false);
  b.Property(u"HotTrack", &TPageControl::HotTrack, &TPageControl::SetHotTrack).Default(false);
  b.Property(u"Images", &TPageControl::Images, &TPageControl::SetImages);
  b.Property(u"TabHeight", &TPageControl::TabHeight, &TPageControl::SetTabHeight).Default(0);
  b.Property(u"TabWidth", &TPageControl::TabWidth, &TPageControl::SetTabWidth).Default(0);
  b.Property(u"OnChange", &TPageControl::OnChange, &TPageControl::SetOnChange);
  b.Property(u"OnChanging", &TPageControl::OnChanging, &TPageControl::SetOnChanging);
  b.Property(u"OnDrawTab", &TPageControl::OnDrawTab, &TPageControl::SetOnDrawTab);
  b.Property(u"OnGetImageIndex", &TPageControl::OnGetImageIndex, &TPageControl::SetOnGetImageIndex);
}

TPageControl::TPageControl(TComponent* owner) : TCustomTabControl(owner) {}

TPageControl::~TPageControl() {
  for (TTabSheet* p : pages_) p->pageControl_ = nullptr;
}

TTabSheet* TPageControl::Pages(Integer index) const {
  if (index < 0 || index >= PageCount()) throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
  return pages_[static_cast<size_t>(index)];
}

void TPageControl::HandleCreated() {
  TCustomTabControl::HandleCreated();
  for (TTabSheet* p : pages_) p->HandleNeeded();
  SendToWindow(TCM_SETCURSEL, static_cast<WPARAM>(activePage_ ? activePage_->TabIndex() : -1), 0);
}

void TPageControl::InsertPage(TTabSheet* page) {
  if (std::find(pages_.begin(), pages_.end(), page) != pages_.end()) return;
  pages_.push_back(page);
  page->pageControl_ = this;
  if (HandleAllocated() && !page->IsLoading()) page->HandleNeeded();
  UpdateTabs();
  // The first page of a page control made by code shows at once; a description names its
  // active page itself.
  if (!activePage_ && !IsLoading() && !page->IsLoading()) SetActivePage(page);
}

void TPageControl::RemovePage(TTabSheet* page) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  TTabSheet* next = activePage_ == page ? FindNextPage(page, true, true) : activePage_;
  pages_.erase(it);
  page->pageControl_ = nullptr;
  if (next == page) next = nullptr;
  if (activePage_ == page) activePage_ = nullptr;
  if (IsDestroying()) return;
  UpdateTabs();
  if (!activePage_) SetActivePage(next);
}

void TPageControl::MovePage(TTabSheet* page, Integer index) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  pages_.erase(it);
  index = std::clamp<Integer>(index, 0, static_cast<Integer>(pages_.size()));
  pages_.insert(pages_.begin() + index, page);
  UpdateTabs();
}

void TPageControl::UpdateTabs() {
  TStringList* tabs = TabStrings();
  {
    auto update = UpdateScope(*tabs);
    tabs->Clear();
    for (TTabSheet* p : pages_)
      if (p->TabVisible()) tabs->AddObject(p->Caption(), p);
  }
  UpdateTabImages();
  const Integer tab = activePage_ ? activePage_->TabIndex() : -1;
  if (HandleAllocated()) SendToWindow(TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
}

Integer TPageControl::GetImageIndex(Integer tabIndex) {
  TStringList* tabs = TabStrings();
  Integer index = -1;
  if (tabIndex >= 0 && tabIndex < tabs->Count())
    if (auto* page = dynamic_cast<TTabSheet*>(tabs->Objects(tabIndex))) index = page->ImageIndex();
  if (OnGetImageIndex()) OnGetImageIndex()(this, tabIndex, index);
  return index;
}

Integer TPageControl::ActivePageIndex() const { return activePage_ ? activePage_->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(Integer index) {
  SetActivePage(index >= 0 && index < PageCount() ? pages_[static_cast<size_t>(index)] : nullptr);
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && page->pageControl_ != this) return;
  if (page == activePage_) return;
  activePage_ = page;
  if (HandleAllocated()) SendToWindow(TCM_SETCURSEL, static_cast<WPARAM>(page ? page->TabIndex() : -1), 0);
  ShowActivePage();
}

void TPageControl::ShowActivePage() {
  TRect display = DisplayRect();
  for (TTabSheet* p : pages_) {
    if (p == activePage_) continue;
    if (p->Visible()) {
      p->SetVisible(false);
      p->onHide_.Call(p);
    }
  }
  if (!activePage_) return;
  activePage_->SetBounds(display.Left, display.Top, display.Width(), display.Height());
  activePage_->BringToFront();
  if (!activePage_->Visible()) {
    activePage_->SetVisible(true);
    activePage_->onShow_.Call(activePage_);
  }
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const {
  const Integer n = PageCount();
  if (n == 0) return nullptr;
  auto it = std::find(pages_.begin(), pages_.end(), current);
  Integer start = it == pages_.end() ? (goForward ? n - 1 : 0) : static_cast<Integer>(it - pages_.begin());
  Integer i = start;
  do {
    i = goForward ? (i + 1) % n : (i + n - 1) % n;
    TTabSheet* p = pages_[static_cast<size_t>(i)];
    if (!checkTabVisible || p->TabVisible()) return p;
  } while (i != start);
  return nullptr;
}

void TPageControl::SelectNextPage(bool goForward, bool checkTabVisible) {
  TTabSheet* page = FindNextPage(activePage_, goForward, checkTabVisible);
  if (page && page != activePage_ && CanChange()) {
    SetActivePage(page);
    Change();
  }
}

void TPageControl::Change() {
  // The user chose a tab: its page becomes the active one before OnChange runs.
  const Integer tab = TabIndex();
  TStringList* tabs = TabStrings();
  if (tab >= 0 && tab < tabs->Count()) {
    TTabSheet* page = dynamic_cast<TTabSheet*>(tabs->Objects(tab));
    if (page && page != activePage_) {
      activePage_ = page;
      ShowActivePage();
    }
  }
  TCustomTabControl::Change();
}

void TPageControl::AlignControls(TControl* control, TRect& rect) {
  TCustomTabControl::AlignControls(control, rect);
  const TRect display = DisplayRect();
  for (TTabSheet* p : pages_) p->SetBounds(display.Left, display.Top, display.Width(), display.Height());
}

void TPageControl::Loaded() {
  TCustomTabControl::Loaded();
  if (!activePage_) SetActivePage(FindNextPage(nullptr, true, true));
  ShowActivePage();
}

void TPageControl::GetChildren(std::vector<TComponent*>& children, TComponent* root) const {
  for (TTabSheet* p : pages_)
    if (p->Owner() == root) children.push_back(p);
  for (Integer i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (c->Owner() == root && !dynamic_cast<TTabSheet*>(c)) children.push_back(c);
  }
}

void TPageControl::Dispatch(TMessage& m) {
  if (m.Msg == CM_CONTROLLISTCHANGE) {
    if (auto* page = dynamic_cast<TTabSheet*>(reinterpret_cast<TControl*>(m.WParam))) {
      if (m.LParam)
        InsertPage(page);
      else
        RemovePage(page);
    }
  }
  TCustomTabControl::Dispatch(m);
}
