// The child-control adapter of a skin provider: it walks the form's components and controls,
// gives each windowed control whose class name stands in a class-name list the wrapper of that
// list's kind, and colours the plain labels from the skin.
#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/sLabel.h"
#include "forms/sFrameAdapter.h"
#include "forms/sSkinProvider.h"
#include "skin/sVclUtils.h"
#include "ui/Buttons.h"
#include "ui/ScopeGuard.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtils.h"
#include "wrappers/kvSBUtilsBars.h"
#include "wrappers/kvSBUtilsButtons.h"
#include "wrappers/kvSBUtilsChecks.h"
#include "wrappers/kvSBUtilsCombo.h"
#include "wrappers/kvSBUtilsEdit.h"
#include "wrappers/kvSBUtilsGrid.h"
#include "wrappers/kvSBUtilsLists.h"
#include "wrappers/kvSBUtilsPanels.h"
#include "wrappers/kvSBUtilsScrollBarCtrl.h"
#include "wrappers/kvSBUtilsScrollBox.h"
#include "wrappers/kvSBUtilsSpeedBtn.h"
#include "wrappers/kvSBUtilsStatics.h"
#include "wrappers/kvSBUtilsTabs.h"
#include "wrappers/kvSBUtilsUpDown.h"

namespace {

// A wrapper of class W for the window: its own skin data, the manager, the parameters, repaint.
template <class W>
TkvMainWnd* MakeAdapted(HWND wnd, DuRiruZireziv* manager, TkvSkinParams& params) {
  return TkvMainWnd::MakeWrapper<W>(wnd, nullptr, manager, params, true);
}

}  // namespace

// Indexed by the kind of class-name list (TkvThirdPartyKind): the wrapper class each kind
// names in TW_THIRD_PARTY_KINDS (base/sDefaults.h).
#define TW_THIRD_PARTY_KIND_WRAPPER(kind, text, name, wrapper) &MakeAdapted<wrapper>,
std::array<TkvWrapperMaker, kvLastSupportedType + 1> WndTypes{TW_THIRD_PARTY_KINDS(TW_THIRD_PARTY_KIND_WRAPPER)};
#undef TW_THIRD_PARTY_KIND_WRAPPER

namespace {

bool Excepted(const TComponent* c) { return (c->Tag() & ExceptTag) != 0; }

bool IsPlainLabel(const TComponent* c) {
  return dynamic_cast<const TCustomLabel*>(c) && !dynamic_cast<const TsCustomLabel*>(c);
}

}  // namespace

// ---- Items -----------------------------------------------------------------------------------

// The wrapper goes back off its window (when still on it) and is freed; Free, so that its own
// skin data goes with it and a wrapper still inside one of its messages goes when that ends.
// For a form that goes while its skin stays, the wrapper's own destruction takes it off and
// leaves the look.
TkvAdapterItem::~TkvAdapterItem() {
  if (!ScrollWnd) return;
  if (ScrollWnd->Destroyed || !IsWindow(ScrollWnd->CtrlHandle) || ScrollWnd->LeavesLookAtDestruction())
    ScrollWnd->Free();
  else
    UninitializeKVWnd(ScrollWnd->CtrlHandle, true, false, ScrollWnd);
}

void TkvAdapterItem::DoHook(TWinControl* ctrl, TkvSkinParams& params, const TkvThirdLists& lists) {
  DuRiruZireziv* manager = Adapter->Provider->SkinManager();
  if (Excepted(ctrl) || !ctrl->HandleAllocated() || WndIsSkinned(ctrl->WindowHandle()) || !manager) return;
  WinCtrl = ctrl;
  params.Control = ctrl;
  const auto done = SetForScope(Initializing, true, false);
  const String cls = ctrl->ClassName();
  // The first list that names the class decides; a kind whose wrapper the wrappers layer does
  // not give leaves the control as it is.
  for (size_t kind = 0; kind < lists.size(); ++kind) {
    const TStringList* list = lists[kind].get();
    bool listed = false;
    for (Integer j = 0; list && j < list->Count() && !listed; ++j) listed = list->Strings(j) == cls;
    if (!listed) continue;
    if (WndTypes[kind]) ScrollWnd = WndTypes[kind](ctrl->WindowHandle(), manager, params);
    if (ScrollWnd) ScrollWnd->Adapter = Adapter;
    break;
  }
}

// A speed button's skin data belongs to its item, not to the button: the button keeps no
// engine object of its own.
TkvGraphItem::TkvGraphItem(TkvCtrlAdapter* adapter)
    : Adapter(adapter), SkinData(std::make_unique<TsCommonData>(nullptr, true)) {
  SkinData->COC = COC_TsAdapter;
}

TkvGraphItem::~TkvGraphItem() {
  delete Handler;
  Handler = nullptr;
  if (SkinData) SkinData->ClearLinks();
  SkinData.reset();
}

void TkvGraphItem::DoHook(TControl* ctrl) {
  if (!ctrl || Excepted(ctrl)) return;
  Ctrl = ctrl;
  SkinData->FOwnerControl = ctrl;
  SkinData->FOwnerObject = ctrl;
  DuRiruZireziv* manager = Adapter && Adapter->Provider ? Adapter->Provider->SkinManager() : nullptr;
  SkinData->SetSkinManager(manager);
  SkinData->Loading = false;
  Handler = new TkvSpeedButtonHandler(ctrl, true, SkinData->SkinSection(), manager, SkinData.get());
  SkinData->UpdateIndexes(true);
  ctrl->Invalidate();
}

// ---- The adapter -----------------------------------------------------------------------------

TkvCtrlAdapter::~TkvCtrlAdapter() {
  CleanItems();
  RemoveAllItems();
}

bool TkvCtrlAdapter::CheckSkinEvent(TComponent* component, TkvSkinParams& params) {
  bool canSkin = true;
  Provider->OnSkinItem.Call(component, canSkin, params.SkinSection);
  if (canSkin) Provider->OnSkinItemEx.Call(component, canSkin, &params);
  return canSkin && params.UseSkinFontColor;
}

bool TkvCtrlAdapter::IsControlSupported(TComponent* component, const TkvThirdLists& lists) {
  if (!component || Excepted(component)) return false;
  auto* win = dynamic_cast<TWinControl*>(component);
  if (win && (!win->HandleAllocated() || WndIsSkinned(win->WindowHandle()))) return false;
  TkvSkinParams params;
  params.Control = dynamic_cast<TControl*>(component);
  params.UseSkinColor = params.UseSkinFontColor = true;
  if (dynamic_cast<TCustomLabel*>(component)) return CheckSkinEvent(component, params);
  // Of the other graphic controls only speed buttons are painted by the engine.
  if (dynamic_cast<TControl*>(component) && !win && !dynamic_cast<TSpeedButton*>(component)) return false;
  if (dynamic_cast<TCustomFrame*>(component) || dynamic_cast<TCustomForm*>(component))
    return CheckSkinEvent(component, params);
  if (!SearchSupport(lists, component->ClassName())) return false;
  return CheckSkinEvent(component, params);
}

void TkvCtrlAdapter::AddAllItems(TWinControl* owner) {
  DuRiruZireziv* manager = Provider->SkinManager();
  if (!manager || !manager->SkinningRules().Contains(srThirdParty)) return;
  // A walk started from an event of a running walk returns at once; the guard stays up for
  // the whole walk, its own descent into containers included.
  if (walkDepth_ > 0) return;
  for (const OwnerEntry& e : OwnersToWalk(owner ? owner : Provider->Form))
    if (e.Ctrl && e.Lists) Walk(e.Ctrl, *e.Lists);
}

std::vector<TkvCtrlAdapter::OwnerEntry> TkvCtrlAdapter::OwnersToWalk(TWinControl* owner) {
  std::vector<OwnerEntry> entries;
  const TkvThirdLists* providerLists = Provider->ActiveThirdLists();
  DuRiruZireziv* manager = Provider->SkinManager();
  auto frameLists = [&](TsFrameAdapter* fa) -> const TkvThirdLists* {
    if (fa->OwnThirdLists()) return &fa->ThirdLists;
    return manager ? &manager->ThirdLists : nullptr;
  };
  auto linkedFrameAdapters = [&] {
    std::vector<TsFrameAdapter*> out;
    for (TObject* obj : Provider->FrameAdapters)
      if (auto* fa = dynamic_cast<TsFrameAdapter*>(obj); fa && fa->GetFrame() && fa->FAllowSkin3rdParty)
        out.push_back(fa);
    return out;
  };
  if (dynamic_cast<TCustomForm*>(owner)) {
    // A provider that leaves foreign controls alone still lets the frames that want them
    // have their controls adapted, each with its own lists.
    // (Only for the provider's own form: a form embedded in one of those frames would lead
    // the walk back into them.)
    if (Provider->FAllowSkin3rdParty)
      entries.push_back({owner, providerLists});
    else if (owner == Provider->Form)
      for (TsFrameAdapter* fa : linkedFrameAdapters()) entries.push_back({fa->GetFrame(), frameLists(fa)});
    return entries;
  }
  if (auto* frame = dynamic_cast<TCustomFrame*>(owner);
      frame && frame->HandleAllocated() &&
      TrySendMessage(frame->WindowHandle(), SM_ALPHACMD, uintptr_t(KV_CTRLHANDLED) << 16, 0) == 1) {
    TsFrameAdapter* own = nullptr;
    for (TsFrameAdapter* fa : linkedFrameAdapters())
      if (fa->GetFrame() == frame) {
        own = fa;
        break;
      }
    if (own) entries.push_back({owner, frameLists(own)});
    return entries;
  }
  entries.push_back({owner, providerLists});
  return entries;
}

void TkvCtrlAdapter::Walk(TWinControl* owner, const TkvThirdLists& lists) {
  ++walkDepth_;
  const TScopeExit leave([&] { --walkDepth_; });
  CleanItems();
  // Components and child controls overlap; AddNewItem keeps a control from being adapted twice.
  // A container met on the way is walked with the lists its own kind calls for.
  auto descend = [&](TComponent* c) {
    auto* win = dynamic_cast<TWinControl*>(c);
    if (!win || !win->HandleAllocated() || !win->Parent()) return;
    for (const OwnerEntry& e : OwnersToWalk(win))
      if (e.Ctrl && e.Lists) Walk(e.Ctrl, *e.Lists);
  };
  for (Integer i = 0; i < owner->ComponentCount(); ++i) {
    TComponent* c = owner->Components(i);
    if (IsControlSupported(c, lists)) {
      if (auto* win = dynamic_cast<TWinControl*>(c))
        AddNewItem(win, String(), &lists);
      else if (IsPlainLabel(c))
        Provider->InitLabel(static_cast<TControl*>(c), true);
    }
    descend(c);
  }
  for (Integer i = 0; i < owner->ControlCount(); ++i) {
    TControl* c = owner->Controls(i);
    if (IsControlSupported(c, lists)) {
      if (auto* win = dynamic_cast<TWinControl*>(c))
        AddNewItem(win, String(), &lists);
      else if (dynamic_cast<TLabel*>(c))
        Provider->InitLabel(c, true);
      else if (auto* button = dynamic_cast<TSpeedButton*>(c))
        AddNewItem(button);
    }
    descend(c);
  }
}

void TkvCtrlAdapter::AddNewItem(TWinControl* ctrl, const String& section, const TkvThirdLists* lists) {
  if (!ctrl || Excepted(ctrl) || !ctrl->Parent() || (ctrl->HandleAllocated() && WndIsSkinned(ctrl->WindowHandle())))
    return;
  TkvSkinParams params;
  params.SkinSection = section;
  params.UseSkinColor = params.UseSkinFontColor = true;
  params.VertScrollSize = params.HorzScrollSize = params.VertScrollBtnSize = params.HorzScrollBtnSize = -1;
  params.Control = ctrl;
  if (!lists) lists = Provider->ActiveThirdLists();
  if (!lists) return;
  bool canSkin = true;
  Provider->OnSkinItem.Call(ctrl, canSkin, params.SkinSection);
  if (canSkin) Provider->OnSkinItemEx.Call(ctrl, canSkin, &params);
  if (!canSkin) return;
  if (auto* frame = dynamic_cast<TCustomFrame*>(ctrl)) {
    AdaptFrame(frame, params.SkinSection);
    return;
  }
  if (auto* form = dynamic_cast<TForm*>(ctrl)) {
    auto* inner = new TsSkinProvider(form);
    inner->FCommonData->SetSkinSection(params.SkinSection.empty() ? String(u"FORM") : params.SkinSection);
    inner->PrepareForm();
    if (form->HandleAllocated()) InitDwm(form->WindowHandle(), true, false);
    return;
  }
  for (auto& item : Items)
    if (item && item->WinCtrl == ctrl) {
      if (item->ScrollWnd && item->ScrollWnd->Destroyed) {
        item->ScrollWnd->Free();  // detached already: its window went
        item->ScrollWnd = nullptr;
        if (ctrl->Parent()) item->DoHook(ctrl, params, *lists);
      }
      return;
    }
  Items.push_back(std::make_unique<TkvAdapterItem>(this, ctrl));
  Items.back()->DoHook(ctrl, params, *lists);
  if (!Items.back()->ScrollWnd) Items.pop_back();
}

void TkvCtrlAdapter::AddNewItem(TSpeedButton* button) {
  if (!button || Excepted(button) || !button->Parent() ||
      TrySendMessage(button, SM_ALPHACMD, uintptr_t(KV_CTRLHANDLED) << 16, 0) == 1)
    return;
  TkvSkinParams params;
  params.SkinSection = u"SPEEDBUTTON";
  params.UseSkinFontColor = true;
  params.Control = button;
  bool canSkin = true;
  Provider->OnSkinItem.Call(button, canSkin, params.SkinSection);
  if (canSkin) Provider->OnSkinItemEx.Call(button, canSkin, &params);
  if (!canSkin) return;
  auto found = std::find_if(GraphItems.begin(), GraphItems.end(),
                            [&](const auto& item) { return item && item->Ctrl == button; });
  const bool isNew = found == GraphItems.end();
  TkvGraphItem* item;
  if (isNew) {
    GraphItems.push_back(std::make_unique<TkvGraphItem>(this));
    item = GraphItems.back().get();
    item->Ctrl = button;
  } else {
    item = found->get();
  }
  // The section follows the button's look; one returned by the events is not used.
  item->SkinData->SetSkinSection(button->Flat() ? u"SPEEDBUTTON_SMALL" : u"SPEEDBUTTON");
  if (!isNew) {
    if (item->Handler && item->Handler->Destroyed) {
      delete item->Handler;
      item->Handler = nullptr;
      item->DoHook(button);
    }
    return;
  }
  if (button->Parent()) item->DoHook(button);
  if (!item->Handler) GraphItems.pop_back();
}

void TkvCtrlAdapter::CleanItems() {
  Items.erase(std::remove_if(Items.begin(), Items.end(),
                             [](const auto& item) {
                               return !item ||
                                      !(item->Initializing || (item->ScrollWnd && !item->ScrollWnd->Destroyed));
                             }),
              Items.end());
  GraphItems.erase(std::remove_if(GraphItems.begin(), GraphItems.end(),
                                  [](const auto& item) { return !item || !item->Handler || item->Handler->Destroyed; }),
                   GraphItems.end());
}

bool ItemsRemoving = false;

void TkvCtrlAdapter::RemoveAllItems() {
  if (ItemsRemoving) return;
  const auto removing = SetForScope(ItemsRemoving, true, false);
  // A wrapper whose window went may outlive its control: it must not reach for it when freed.
  while (!Items.empty()) {
    TkvAdapterItem* item = Items.back().get();
    if (item && item->ScrollWnd && item->ScrollWnd->Destroyed && item->ScrollWnd->SkinData)
      item->ScrollWnd->SkinData->FOwnerControl = nullptr;
    Items.pop_back();
  }
  // While the application ends the buttons may be gone before their handlers: nothing of
  // them is touched then.
  const bool terminating = Application && Application->Terminated();
  while (!GraphItems.empty()) {
    TkvGraphItem* item = GraphItems.back().get();
    if (item && terminating) {
      item->Ctrl = nullptr;
      if (item->Handler) item->Handler->ControlFreed();
    }
    GraphItems.pop_back();
  }
}

void TkvCtrlAdapter::WndProc(TMessage& m) {
  for (size_t i = 0; i < Items.size(); ++i) {
    TkvAdapterItem* item = Items[i].get();
    if (item && item->ScrollWnd && !item->ScrollWnd->Destroyed && item->WinCtrl && item->WinCtrl->Parent())
      item->ScrollWnd->ProcessMessage(m.Msg, m.WParam, m.LParam);
  }
}

// ---- The provider's side ---------------------------------------------------------------------

const TkvThirdLists* TsSkinProvider::ActiveThirdLists() {
  if (OwnThirdLists) return &ThirdLists;
  DuRiruZireziv* manager = SkinManager();
  return manager ? &manager->ThirdLists : nullptr;
}

void TsSkinProvider::AdapterCreate() {
  if (IsDesigning() || !FCommonData->Skinned()) return;
  Adapter = std::make_unique<TkvCtrlAdapter>(this);
  if (Form) Adapter->AddAllItems(nullptr);
}

void TsSkinProvider::AdapterRemove() {
  if (IsDesigning() || !Adapter) return;
  TMessage m = MakeMessage(SM_ALPHACMD, KV_REMOVESKIN_HI, reinterpret_cast<intptr_t>(SkinManager()));
  SendToAdapter(m);
  Adapter.reset();
}

void TsSkinProvider::SendToAdapter(TMessage& m) {
  if (!IsDesigning() && Adapter) Adapter->WndProc(m);
}

void TsSkinProvider::InitLabel(TControl* ctrl, bool skinned) {
  auto* label = dynamic_cast<TCustomLabel*>(ctrl);
  if (!label) return;
  auto saved = std::find_if(SavedLabelColors.begin(), SavedLabelColors.end(),
                            [&](const TkvLabelColor& c) { return c.Control == ctrl; });
  DuRiruZireziv* manager = SkinManager();
  const bool transparentAlways = manager && manager->LabelsOptions.TransparentAlways;
  if (skinned) {
    if ((label->Tag() & ExceptTag) == ExceptTag) return;
    if (saved == SavedLabelColors.end())
      SavedLabelColors.push_back({label->Font()->Color(), label, label->ParentFont()});
    if (label->Transparent() || transparentAlways)
      label->SetControlStyle(TControlStyle(label->ControlStyle()).Exclude(csOpaque));
    if (label->Parent()) label->Font()->SetColor(GetFontColor(label->Parent(), -1, manager, 0, nullptr));
    return;
  }
  if (saved != SavedLabelColors.end()) {
    if (saved->ParentFont) {
      if (label->ParentFont() && label->Parent())
        label->Font()->SetColor(label->Parent()->Font()->Color());
      else
        label->SetParentFont(true);
    } else {
      label->Font()->SetColor(saved->Color);
    }
    *saved = SavedLabelColors.back();
    SavedLabelColors.pop_back();
  }
  if (label->Transparent() || transparentAlways)
    label->SetControlStyle(TControlStyle(label->ControlStyle()).Include(csOpaque));
}
