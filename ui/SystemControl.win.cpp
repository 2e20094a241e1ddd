#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "GdiScopes.h"
#include "ScopeGuard.h"
#include "SystemControl.h"
#include "resources/ui_ids.h"

namespace {

// The activation context of the common controls 6, made once from the program's manifest
// resource and kept for the program's life; INVALID_HANDLE_VALUE when the program has none.
HANDLE CommonControls6Context() {
  static const HANDLE context = [] {
    HMODULE module = GetModuleHandleW(nullptr);
    if (!FindResourceW(module, MAKEINTRESOURCEW(TW_MANIFEST_COMMONCONTROLS6), MAKEINTRESOURCEW(24)))
      return INVALID_HANDLE_VALUE;
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    ACTCTXW actx{};
    actx.cbSize = sizeof actx;
    actx.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID;
    actx.lpSource = path;
    actx.hModule = module;
    actx.lpResourceName = MAKEINTRESOURCEW(TW_MANIFEST_COMMONCONTROLS6);
    return CreateActCtxW(&actx);
  }();
  return context;
}

// The common controls 6 active for a scope: the classes registered and the windows (and their
// own children, such as a combo box's edit) made meanwhile are theirs.
class TCommonControls6Scope {
 public:
  TCommonControls6Scope() {
    HANDLE context = CommonControls6Context();
    active_ = context != INVALID_HANDLE_VALUE && ActivateActCtx(context, &cookie_);
  }
  ~TCommonControls6Scope() {
    if (active_) DeactivateActCtx(0, cookie_);
  }
  TCommonControls6Scope(const TCommonControls6Scope&) = delete;
  TCommonControls6Scope& operator=(const TCommonControls6Scope&) = delete;

 private:
  ULONG_PTR cookie_ = 0;
  bool active_ = false;
};

}  // namespace

TCustomDrawState CustomDrawStateOf(Cardinal itemState) { return TCustomDrawState::FromBits(itemState & 0x1FFF); }

// ---- TSystemControl -------------------------------------------------------------------

TW_DEFINE_CLASS(TSystemControl) {}

TSystemControl::TSystemControl(TComponent* owner, const char16_t* sysClass, Cardinal commonControls)
    : TWinControl(owner), sysClass_(sysClass) {
  // The system class must exist before a window can superclass it.
  if (commonControls) {
    INITCOMMONCONTROLSEX icc{sizeof icc, commonControls};
    InitCommonControlsEx(&icc);
  }
}

TSystemControl::~TSystemControl() = default;

void TSystemControl::CreateWnd() {
  TCommonControls6Scope scope;
  TWinControl::CreateWnd();
}

TCanvas* TSystemControl::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TControlCanvas>(this);
  return canvas_.get();
}

void TSystemControl::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  CreateSubClass(p, sysClass_);
}

TLResult TSystemControl::SendToWindow(Cardinal msg, TWParam wParam, TLParam lParam) const {
  return handle_ ? SendMessageW(handle_, msg, wParam, lParam) : 0;
}

void TSystemControl::ChangeStyle(Cardinal bits, bool on, bool live) { SetStyles(GWL_STYLE, bits, on, live); }
void TSystemControl::ChangeExStyle(Cardinal bits, bool on, bool live) { SetStyles(GWL_EXSTYLE, bits, on, live); }

void TSystemControl::SetStyles(int index, Cardinal bits, bool on, bool live) {
  if (!handle_) return;  // CreateParams gives the bits when the window is made
  const LONG old = GetWindowLongW(handle_, index);
  const LONG now = on ? (old | static_cast<LONG>(bits)) : (old & ~static_cast<LONG>(bits));
  if (now == old) return;
  if (!live) {
    RecreateWnd();
    return;
  }
  SetWindowLongW(handle_, index, now);
  SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  InvalidateRect(handle_, nullptr, TRUE);
}

TCustomDrawState TSystemControl::CustomDrawItemState(const TCustomDrawInfo& info) {
  return CustomDrawStateOf(static_cast<const NMCUSTOMDRAW*>(info.Notification)->uItemState);
}

void TSystemControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CN_COMMAND: Command(HIWORD(m.WParam), m); return;
    case CN_NOTIFY:
      if (m.LParam && reinterpret_cast<NMHDR*>(m.LParam)->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
        CNCustomDraw(m);
        return;
      }
      if (Notify(m)) return;
      break;
    case CN_DRAWITEM: CNDrawItem(m); return;
    case CN_MEASUREITEM: CNMeasureItem(m); return;
  }
  TWinControl::Dispatch(m);
}

void TSystemControl::CNDrawItem(TMessage& m) {
  const auto& dis = *reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
  TOwnerDrawItem item;
  item.Index = static_cast<Integer>(static_cast<int>(dis.itemID));
  item.Rect = {dis.rcItem.left, dis.rcItem.top, dis.rcItem.right, dis.rcItem.bottom};
  item.State = OwnerDrawStateOf(dis.itemState);
  item.Action = dis.itemAction;
  item.Data = static_cast<intptr_t>(dis.itemData);
  TCanvas* c = Canvas();
  // The system restores nothing it did not select itself: the DC is handed back as it came.
  TSaveDC saved(dis.hDC);
  TPaintDCScope scope(*canvas_, dis.hDC);
  c->SetFont(Font());
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  DrawOwnerItem(item);
  m.Result = 1;
}

void TSystemControl::CNMeasureItem(TMessage& m) {
  auto& mis = *reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
  Integer height = static_cast<Integer>(mis.itemHeight), width = static_cast<Integer>(mis.itemWidth);
  MeasureOwnerItem(static_cast<Integer>(static_cast<int>(mis.itemID)), height, width);
  mis.itemHeight = static_cast<UINT>(std::max<Integer>(height, 0));
  mis.itemWidth = static_cast<UINT>(std::max<Integer>(width, 0));
  m.Result = 1;
}

void TSystemControl::CNCustomDraw(TMessage& m) {
  auto* cd = reinterpret_cast<NMCUSTOMDRAW*>(m.LParam);
  m.Result = CDRF_DODEFAULT;
  TCustomDrawInfo info;
  info.Notification = cd;
  info.Rect = {cd->rc.left, cd->rc.top, cd->rc.right, cd->rc.bottom};
  info.ItemSpec = cd->dwItemSpec;
  info.ItemParam = cd->lItemlParam;
  info.Target = (cd->dwDrawStage & CDDS_SUBITEM) ? dtSubItem : (cd->dwDrawStage & CDDS_ITEM) ? dtItem : dtControl;
  switch (cd->dwDrawStage & ~static_cast<DWORD>(CDDS_ITEM | CDDS_SUBITEM)) {
    case CDDS_PREPAINT: info.Stage = cdPrePaint; break;
    case CDDS_POSTPAINT: info.Stage = cdPostPaint; break;
    case CDDS_PREERASE: info.Stage = cdPreErase; break;
    case CDDS_POSTERASE: info.Stage = cdPostErase; break;
    default: return;
  }
  info.State = CustomDrawItemState(info);
  if (IsCustomDrawn(info.Target, info.Stage) && cd->hdc) {
    TCanvas* c = Canvas();
    bool defaultDraw = true;
    bool newFont = false;
    {
      TPaintDCScope scope(*canvas_, cd->hdc);
      c->SetFont(Font());
      c->Brush()->SetColor(Color());
      c->Brush()->SetStyle(bsSolid);
      defaultDraw = CustomDrawStage(info);
      m.Result |= static_cast<TLResult>(info.ResultFlags);
      // A handler that gave an item another font or colours: the system draws it with them.
      if (info.Target != dtControl && info.Stage == cdPrePaint &&
          (!c->Font()->Equals(*Font()) || c->Brush()->Color() != Color())) {
        newFont = true;
        ItemColorsChanged(info, c->Font()->Color(), c->Brush()->Color());
      }
    }
    if (newFont) {
      // The canvas keeps its font object; the system draws the item with it selected.
      SelectObject(cd->hdc, c->Font()->Handle());
      m.Result |= CDRF_NEWFONT;
    }
    if (!defaultDraw) {
      m.Result = CDRF_SKIPDEFAULT | static_cast<TLResult>(info.ResultFlags);
      return;
    }
  }
  // What the system is to send next.
  auto any = [this](TCustomDrawTarget t) {
    return IsCustomDrawn(t, cdPrePaint) || IsCustomDrawn(t, cdPostPaint) || IsCustomDrawn(t, cdPreErase) ||
           IsCustomDrawn(t, cdPostErase);
  };
  if (info.Stage == cdPrePaint) {
    if (info.Target == dtControl && (any(dtItem) || any(dtSubItem))) m.Result |= CDRF_NOTIFYITEMDRAW;
    if (info.Target == dtItem && any(dtSubItem)) m.Result |= CDRF_NOTIFYSUBITEMDRAW;
    if (IsCustomDrawn(info.Target, cdPostPaint)) m.Result |= CDRF_NOTIFYPOSTPAINT;
    if (IsCustomDrawn(info.Target, cdPostErase)) m.Result |= CDRF_NOTIFYPOSTERASE;
  }
}

// ---- TWindowStrings -------------------------------------------------------------------

void TWindowStrings::Changed() {
  TStringList::Changed();
  if (UpdateCount() == 0) Sync();
}

void TWindowStrings::WindowCreated() {
  shown_.clear();
  Sync();
}

void TWindowStrings::Sync() {
  if (syncing_ || !host_->StringsWindowReady()) return;
  auto syncing = SetForScope(syncing_, true, false);
  const Integer count = Count();
  const Integer shown = ShownCount();
  auto same = [&](Integer listIndex, Integer shownIndex) {
    const Shown& s = shown_[static_cast<size_t>(shownIndex)];
    return s.object == Objects(listIndex) && s.text == Strings(listIndex);
  };
  Integer head = 0;
  while (head < count && head < shown && same(head, head)) ++head;
  Integer tail = 0;
  while (tail < count - head && tail < shown - head && same(count - 1 - tail, shown - 1 - tail)) ++tail;
  const Integer removed = shown - head - tail;
  const Integer added = count - head - tail;
  if (removed > 0 || added > 0) {
    if (head == 0 && tail == 0 && removed > 0) {
      host_->ClearWindowStrings();
      shown_.clear();
    } else {
      for (Integer i = removed - 1; i >= 0; --i) {
        host_->DeleteWindowString(head + i);
        shown_.erase(shown_.begin() + head + i);
      }
    }
    for (Integer i = 0; i < added; ++i) {
      const Integer at = head + i;
      host_->InsertWindowString(at, Strings(at), Objects(at));
      shown_.insert(shown_.begin() + at, Shown{Strings(at), Objects(at)});
    }
    host_->WindowStringsChanged();
  }
}
