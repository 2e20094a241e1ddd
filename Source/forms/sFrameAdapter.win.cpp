// The frame adapter: window procedure, background cache and painting.
#include "forms/sFrameAdapter.h"

#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/sSkinMenus.h"
#include "paint/sCommonDataCache.h"
#include "paint/sGraphUtils.h"
#include "raster/kvgpUtils.h"
#include "skin/sVclUtils.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"

TW_DEFINE_CLASS(TsFrameAdapter) {
  b.Property(
       u"AllowSkin3rdParty", [](const TsFrameAdapter& a) { return a.FAllowSkin3rdParty; },
       [](TsFrameAdapter& a, bool v) { a.FAllowSkin3rdParty = v; })
      .Default(true);
  b.Property(u"ThirdParty", [](const TsFrameAdapter& a) { return a.FThirdParty.get(); });
  b.Property(u"SkinData", [](const TsFrameAdapter& a) { return a.FCommonData.get(); });
}

TsFrameAdapter::TsFrameAdapter(TComponent* owner) : TComponent(owner) {
  Frame = dynamic_cast<TCustomFrame*>(owner);
  if (!Frame)
    throw Exception(kvs_FrameAdapterError1.empty()
                        ? String(u"TsFrameAdapter adapter must be placed on the handled frame")
                        : kvs_FrameAdapterError1);
  FThirdParty = std::make_unique<TsThirdPartyList>();
  for (Integer i = 0; i <= kvLastSupportedType; ++i) FThirdParty->SetString(i, String());
  LoadOwnThirdNames();
  // Asked before the skin data exists: the skin data publishes itself on the frame's window.
  const bool skinnedAlready = CtrlIsSkinned(Frame, false);
  FCommonData = std::make_unique<TsScrollWndData>(Frame, true);
  FCommonData->COC = COC_TsFrameAdapter;
  if (!skinnedAlready) {
    OldWndProc = Frame->WindowProc();
    const TWndMethod own(this, &TsFrameAdapter::NewWndProc);
    Frame->SetWindowProc(own);
    FCommonData->WndProc = own;  // senders that find the skin data call the adapter directly
    installed_ = true;
  }
  FCommonData->InitCommonProp();
}

TsFrameAdapter::~TsFrameAdapter() {
  if (!IsLoading() && !IsDesigning()) UnlinkFromForm();
  if (ListSW) UninitializeKVScroll(ListSW->CtrlHandle, true, false, ListSW);
  if (installed_ && Frame && Frame->WindowProc() == TWndMethod(this, &TsFrameAdapter::NewWndProc))
    Frame->SetWindowProc(OldWndProc);
  if (FCommonData) FCommonData->RemoveCommonProp();
}

void TsFrameAdapter::AfterConstruction() {
  TComponent::AfterConstruction();
  if (!Frame || IsDesigning()) return;
  LoadOwnThirdNames();
  FCommonData->InitCommonProp();
  if (DuRiruZireziv* manager = FCommonData->GetSkinManager())
    Frame->Perform(SM_ALPHACMD, KV_SETNEWSKIN_HI, reinterpret_cast<intptr_t>(manager));
}

void TsFrameAdapter::Loaded() {
  TComponent::Loaded();
  LoadOwnThirdNames();
  DuRiruZireziv* manager = FCommonData->GetSkinManager();
  if (Frame && Frame->HandleAllocated() && WndIsSkinned(Frame->WindowHandle()) && manager) {
    FCommonData->UpdateIndexes(true);
    if (manager->IsActive() && !IsDesigning()) {
      if (manager->SkinnedPopups()) HookPopupMenus(true);
      if (!manager->IsLoading() && !manager->IsDesigning()) LinkToForm();
      // The frame's controls may be foreign ones: the form's adapter walks them now.
      if (FCommonData->Skinned() && manager->SkinningRules().Contains(srThirdParty)) AddToAdapter(Frame);
      if (!FCommonData->GlassModeInit) UpdateGlassMode(Frame, true);
    }
  }
  if (Frame && Frame->HandleAllocated()) FCommonData->InitCommonProp();
}

void TsFrameAdapter::LoadOwnThirdNames() {
  if (FThirdParty) Load3rdNames(*FThirdParty, ThirdLists, FOwnThirdLists);
}

void TsFrameAdapter::HookPopupMenus(bool active) {
  TsSkinableMenus* painter = SkinableMenus();
  if (!painter || !Frame) return;
  for (Integer i = 0; i < Frame->ComponentCount(); ++i)
    if (auto* popup = dynamic_cast<TPopupMenu*>(Frame->Components(i))) painter->HookPopupMenu(popup, active);
}

bool TsFrameAdapter::ChildrenShowFrame() {
  TkvSkinData* data = FCommonData->GetCommonSkinData();
  const Integer index = FCommonData->SkinIndex;
  if (!data || index < 0 || index >= Integer(data->gd.size())) return false;
  const TsGenState& normal = data->gd[size_t(index)].Props[0];
  return normal.GradientPercent + normal.ImagePercent > 0 || FCommonData->RepaintIfMoved();
}

bool TsFrameAdapter::ScrollRepaintsChildren() {
  // Asked of the window: whatever stands in front of the adapter answers as the frame does.
  return Frame->HandleAllocated() &&
         (SendMessage(Frame->WindowHandle(), SM_ALPHACMD, WPARAM(KV_CHILDCHANGED) << 16, 0) != 0 ||
          FCommonData->RepaintIfMoved());
}

void TsFrameAdapter::LinkToForm() {
  TCustomForm* form = Frame ? GetParentForm(Frame) : nullptr;
  if (form != linkedForm_) UnlinkFromForm();
  if (!form) return;
  AddObjLink(this, form);
  if (linkedForm_ != form) {
    linkedForm_ = form;
    // A form that goes first takes the link with it.
    form->FreeNotification(this);
  }
}

void TsFrameAdapter::UnlinkFromForm() {
  if (!linkedForm_) return;
  TCustomForm* form = linkedForm_;
  linkedForm_ = nullptr;
  form->RemoveFreeNotification(this);
  DelObjLink(this, form);
}

void TsFrameAdapter::OfferToFormAdapter() {
  DuRiruZireziv* manager = FCommonData->GetSkinManager();
  if (!manager || !manager->SkinningRules().Contains(srThirdParty)) return;
  LinkToForm();
  AddToAdapter(Frame);
}

void TsFrameAdapter::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == linkedForm_) linkedForm_ = nullptr;
}

TColor TsFrameAdapter::ControlColor() {
  TkvSkinData* data = FCommonData->GetCommonSkinData();
  const Integer index = FCommonData->SkinIndex;
  TWinControl* parent = Frame->Parent();
  auto parentColor = [&]() -> TColor {
    if (!parent || !parent->HandleAllocated()) return ColorToRGB(Frame->Color());
    const auto answer = TColor(SendAMessage(parent->WindowHandle(), KV_GETCONTROLCOLOR));
    return answer == TColor(0xFF00FF) ? ColorToRGB(parent->Color()) : answer;
  };
  if (!data || index < 0 || index >= Integer(data->gd.size())) return ColorToRGB(Frame->Color());
  const TsGenState& normal = data->gd[size_t(index)].Props[0];
  if (normal.Transparency <= 0) return TColor(normal.Color);
  return FrameControlColor(TColor(normal.Color), normal.Transparency, parentColor());
}

bool TsFrameAdapter::PrepareCache() {
  TWinControl* parent = Frame->Parent();
  if (!parent || !parent->HandleAllocated()) {
    FCommonData->FUpdating = true;
    return false;
  }
  TkvBGInfo info;
  info.R = TRect(0, 0, Frame->Width(), Frame->Height());
  GetBGInfo(&info, Frame->Parent(), false);
  if (info.BgType == btUnknown) {
    FCommonData->FUpdating = true;
    return false;
  }
  FCommonData->InitCacheBmp();
  FCommonData->FCacheBmp->Canvas()->Font()->Assign(Frame->Font());
  PaintItem(FCommonData.get(), BGInfoToCI(&info), false, 0, TRect(0, 0, Frame->Width(), Frame->Height()),
            TPoint(Frame->Left(), Frame->Top()), FCommonData->FCacheBmp.get(), false);
  PaintOuterEffects(FCommonData.get(), Frame, TPoint(0, 0));
  FCommonData->BGChanged = false;
  return true;
}

void TsFrameAdapter::OurPaintHandler(HDC dc) {
  if (!dc || (InAnimationProcess && dc != FCommonData->PrintDC)) return;
  if (FCommonData->GetUpdating()) return;
  const Integer saved = SaveDC(dc);
  const TScopeExit restore([&] { RestoreDC(dc, saved); });
  TkvSkinData* data = FCommonData->GetCommonSkinData();
  const Integer index = FCommonData->SkinIndex;
  const TsGeneralData* section =
      data && index >= 0 && index < Integer(data->gd.size()) ? &data->gd[size_t(index)] : nullptr;
  // A section with an outer effect of its own goes through the cache like any other.
  const bool clear = section && (section->BorderIndex < 0) && section->Props[0].Transparency == 100 &&
                     section->OuterMode < 1 && Frame->Parent();
  bool rebuilt = false;
  if (clear) {
    // A wholly transparent section shows exactly the parent's background.
    TkvBGInfo info;
    info.R = TRect(0, 0, Frame->Width(), Frame->Height());
    GetBGInfo(&info, Frame->Parent(), false);
    if (info.Bmp && info.BgType == btCache) {
      FCommonData->InitCacheBmp();
      BitBlt(FCommonData->FCacheBmp->Canvas()->Handle(), 0, 0, Frame->Width(), Frame->Height(),
             info.Bmp->Canvas()->Handle(), Frame->Left() + info.Offset.X, Frame->Top() + info.Offset.Y, SRCCOPY);
      BitBlt(dc, 0, 0, Frame->Width(), Frame->Height(), FCommonData->FCacheBmp->Canvas()->Handle(), 0, 0, SRCCOPY);
      rebuilt = true;
    } else {
      ExcludeControls(dc, Frame, 0, 0);
      const TColor color = info.BgType == btFill ? info.Color : GetBGColor(FCommonData.get(), 0);
      FillDC(dc, TRect(0, 0, Frame->Width(), Frame->Height()), color);
    }
  } else {
    RECT clip{};
    if (GetClipBox(dc, &clip) == NULLREGION) return;
    const bool halfVisible = FCommonData->RepaintIfMoved() && Frame->Parent() &&
                             (clip.right - clip.left < Frame->Width() || clip.bottom - clip.top < Frame->Height());
    const bool rebuild = FCommonData->BGChanged || halfVisible || !FCommonData->FCacheBmp;
    if (rebuild) rebuilt = PrepareCache();
    if (!rebuild || rebuilt)
      CopyWinControlCache(Frame, FCommonData.get(), TRect(0, 0, Frame->Width(), Frame->Height()),
                          TRect(0, 0, Frame->Width(), Frame->Height()), dc, false);
  }
  PaintControls(dc, Frame, rebuilt, TPoint(0, 0), dc != FCommonData->PrintDC);
  SetParentUpdated(Frame);
}

void TsFrameAdapter::PlaceClientForPrint(HDC dc) {
  const bool vert = ListSW->ShownBars(SB_VERT) != 0, horz = ListSW->ShownBars(SB_HORZ) != 0;
  const Integer vertThickness = vert ? ListSW->GetScrollMetric(SB_VERT, true) : 0;
  // Read right to left, the vertical bar stands on the left: the client starts after it.
  if (vert && Frame->UseRightToLeftReading()) OffsetViewportOrgEx(dc, vertThickness, 0, nullptr);
  if (!horz) return;
  const Integer cacheWidth = FCommonData->FCacheBmp ? FCommonData->FCacheBmp->Width() : Frame->Width();
  const Integer cacheHeight = FCommonData->FCacheBmp ? FCommonData->FCacheBmp->Height() : Frame->Height();
  const Integer edgesX = std::max<Integer>(ListSW->cxLeftEdge, 0) + ListSW->cxRightEdge;
  const Integer edgesY = ListSW->cyTopEdge + ListSW->cyBottomEdge;
  IntersectClipRect(dc, 0, 0, cacheWidth - edgesX - vertThickness,
                    cacheHeight - edgesY - ListSW->GetScrollMetric(SB_HORZ, true));
}

void TsFrameAdapter::KV_WMPaint(TMessage& m) {
  const HWND h = Frame->WindowHandle();
  PAINTSTRUCT ps{};
  BeginPaint(h, &ps);
  {
    const TGivenOrOwnDC dc(h, reinterpret_cast<HDC>(m.WParam), dcClient);
    if (!FCommonData->GetUpdating()) OurPaintHandler(dc);
  }
  EndPaint(h, &ps);
  m.Result = 0;
}

void TsFrameAdapter::BackgroundChanged(const TMessage& m) {
  const bool changed = (m.Msg == WM_SIZE && FCommonData->BGType != 0) || FCommonData->RepaintIfMoved();
  FCommonData->BGChanged = FCommonData->BGChanged || changed;
  if (!changed || !Frame->HandleAllocated()) return;
  TMessage child = MakeMessage(SM_ALPHACMD, KV_SETBGCHANGED_HI | 1, 0);
  AlphaBroadCast(Frame, child);
  if (m.Msg != WM_MOVE) InvalidateRect(Frame->WindowHandle(), nullptr, TRUE);
}

void TsFrameAdapter::ForwardToChildren(TMessage& m) {
  if (!Frame->HandleAllocated()) return;
  TMessage copy = m;
  AlphaBroadCast(Frame, copy);
}

void TsFrameAdapter::NewWndProc(TMessage& m) {
  DuRiruZireziv* manager = FCommonData->GetSkinManager();
  if (m.Msg == WM_SIZE) FCommonData->BGChanged = true;
  // The frame's window goes: the form's provider forgets the adapter until it shows again.
  if (m.Msg == WM_DESTROY && !IsLoading() && !IsDesigning()) UnlinkFromForm();
  if (m.Msg == SM_ALPHACMD) {
    switch (m.WParamHi) {
      case KV_SETNEWSKIN:
        if (reinterpret_cast<DuRiruZireziv*>(m.LParam) != manager) break;
        CommonWndProc(m, FCommonData.get());
        ForwardToChildren(m);
        if (manager && !IsDesigning() && manager->SkinnedPopups()) HookPopupMenus(manager->IsActive());
        return;
      case KV_REMOVESKIN:
        if (reinterpret_cast<DuRiruZireziv*>(m.LParam) != manager) break;
        if (ListSW) UninitializeKVScroll(ListSW->CtrlHandle, true, false, ListSW);
        CommonWndProc(m, FCommonData.get());
        if (!IsDesigning() && Frame->HandleAllocated() && !(Application && Application->Terminated())) {
          // The frame's window class keeps its own background brush: every frame of the class
          // shares it, and the skin never set it.
          const HWND h = Frame->WindowHandle();
          SetWindowPos(h, nullptr, 0, 0, 0, 0, 0x737);
          if (IsWindowVisible(h)) RedrawWindow(h, nullptr, nullptr, 0x585);
        }
        ForwardToChildren(m);
        return;
      case KV_STOPFADING: ForwardToChildren(m); return;
      case KV_REFRESH:
        if (!RefreshNeeded(FCommonData.get(), m)) break;
        CommonWndProc(m, FCommonData.get());
        FCommonData->UpdateIndexes(true);
        if (m.WParamLo != 1) ForwardToChildren(m);
        if (manager && Frame->HandleAllocated()) {
          if (IsWindowVisible(Frame->WindowHandle())) RedrawWindow(Frame->WindowHandle(), nullptr, nullptr, 0x585);
          RefreshScrolls(FCommonData.get(), ListSW);
        }
        return;
      case KV_CTRLHANDLED: m.Result = 1; return;
      case KV_GETSKININDEX:
      case KV_SETGLASSMODE:
      case KV_SETSCALE: CommonMessage(m, FCommonData.get()); return;
      case KV_BEFORESCROLL:
        if (ScrollRepaintsChildren()) SendMessage(Frame->WindowHandle(), WM_SETREDRAW, 0, 0);
        break;
      case KV_AFTERSCROLL:
        if (ScrollRepaintsChildren()) {
          SendMessage(Frame->WindowHandle(), WM_SETREDRAW, 1, 0);
          RedrawWindow(Frame->WindowHandle(), nullptr, nullptr, 0x585);
        }
        break;
      case KV_GETDEFINDEX:
        if (!FCommonData->SkinSection().empty()) {
          FCommonData->UpdateIndexes(true);
          m.Result = FCommonData->SkinIndex + 1;
        } else {
          m.Result = manager ? manager->SkinCommonInfo.Sections[ssTransparent] + 1 : 0;
        }
        return;
      case KV_GETSKINDATA: m.Result = reinterpret_cast<intptr_t>(FCommonData.get()); return;
      case KV_GETDEFSECTION:
        m.Result = 3;  // "TRANSPARENT" among the standard default sections, from 1
        return;
      case KV_PREPARECACHE:
        if (!FCommonData->GetUpdating() && !PrepareCache()) FCommonData->FUpdating = true;
        return;
      case KV_GETCONTROLCOLOR: m.Result = FCommonData->Skinned() ? ControlColor() : ColorToRGB(Frame->Color()); return;
      default: break;
    }
  }
  if (IsDestroying() || Frame->IsDestroying() || !FCommonData->Skinned() || !manager || !manager->IsActive()) {
    if ((m.Msg == CM_VISIBLECHANGED || m.Msg == CM_SHOWINGCHANGED) && manager && manager->IsActive() &&
        Frame->HandleAllocated()) {
      FCommonData->UpdateIndexes(true);
      TMessage child = MakeMessage(SM_ALPHACMD, KV_SETNEWSKIN_HI, reinterpret_cast<intptr_t>(manager));
      AlphaBroadCast(Frame, child);
    }
    PassOn(m);
    return;
  }
  switch (m.Msg) {
    case WM_CREATE:
    case WM_NCCREATE:
      PassOn(m);
      if (Frame->HandleAllocated()) FCommonData->InitCommonProp();
      return;
    case WM_MOVE:
    case WM_SIZE:
      BackgroundChanged(m);
      PassOn(m);
      return;
    case WM_PAINT:
      if (IsDesigning() || !Frame->Parent()) {
        PassOn(m);
        return;
      }
      KV_WMPaint(m);
      return;
    case WM_ERASEBKGND:
      if (IsDesigning() || !Frame->Showing()) {
        PassOn(m);
        return;
      }
      if (!InAnimationProcess && !FCommonData->GetUpdating()) OurPaintHandler(reinterpret_cast<HDC>(m.WParam));
      m.Result = 1;
      return;
    case WM_WINDOWPOSCHANGED:
      if (bRecFlag) return;
      {
        const auto guard = SetForScope(bRecFlag, true);
        BackgroundChanged(m);
        PassOn(m);
      }
      return;
    case WM_NCPAINT:
      if (IsDesigning()) {
        PassOn(m);
        return;
      }
      m.Result = 0;  // a frame has no frame of its own to paint
      return;
    case WM_HSCROLL:
    case WM_VSCROLL:
      PassOn(m);
      if (ListSW) UpdateScrolls(ListSW, true);
      return;
    case WM_PARENTNOTIFY:
      // A child window made or gone inside the frame: a new one may be a foreign control.
      if ((m.WParamLo == WM_CREATE || m.WParamLo == WM_DESTROY) && !IsLoading() &&
          !Frame->ControlState().Contains(csCreating)) {
        if (m.WParamLo == WM_CREATE) OfferToFormAdapter();
        PassOn(m);
        if (ListSW) UpdateScrolls(ListSW, false);
        return;
      }
      PassOn(m);
      return;
    case WM_PRINT:
      FCommonData->FUpdating = false;
      if (ControlIsReady(Frame)) {
        if (!ListSW) RefreshScrolls(FCommonData.get(), ListSW);
        FCommonData->BGChanged = true;
        const HDC dc = reinterpret_cast<HDC>(m.WParam);
        // The origin and clip set for the client are the printer's to keep only while we paint.
        const TSaveDC saved(dc);
        if (ListSW) {
          kv_NCDraw(ListSW, Frame->WindowHandle(), -1, dc);
          PlaceClientForPrint(dc);
        }
        OurPaintHandler(dc);
        Frame->OnResize().Call(Frame);
      }
      return;
    case SM_ALPHACMD:
      switch (m.WParamHi) {
        case KV_UPDATING:
          FCommonData->FUpdating = m.WParamLo == 1;
          ForwardToChildren(m);
          return;
        case KV_CHILDCHANGED:
          // Callers that perform the command read the answer from either field.
          m.Result = m.LParam = ChildrenShowFrame() ? 1 : 0;
          return;
        case KV_ENDPARENTUPDATE:
          if (FCommonData->FUpdating && !Frame->ControlState().Contains(csRecreating) &&
              !Frame->ControlState().Contains(csAligning) && !FCommonData->InUpdating(true)) {
            const bool changed = FCommonData->BGChanged;
            if (changed) PrepareCache();
            RedrawWindow(Frame->WindowHandle(), nullptr, nullptr, 0x585);
            if (changed) Frame->OnResize().Call(Frame);
            SetParentUpdated(Frame);
          }
          return;
        default:
          try {
            if (!CommonMessage(m, FCommonData.get())) PassOn(m);
          } catch (const Exception&) {
            m.Result = 0;  // a failing skin command answers nothing
          }
          return;
      }
    case CM_VISIBLECHANGED:
      FCommonData->BGChanged = true;
      PassOn(m);
      if (Frame->HandleAllocated())
        SendAMessage(Frame->WindowHandle(), KV_REFRESH, reinterpret_cast<intptr_t>(manager));
      return;
    case CM_MOUSEENTER:
      if (IsDesigning()) return;
      PassOn(m);
      if (DefaultManager && Frame->HandleAllocated()) DefaultManager->SetActiveControl(Frame->WindowHandle());
      return;
    case CM_SHOWINGCHANGED:
      CommonWndProc(m, FCommonData.get());
      PassOn(m);
      RefreshScrolls(FCommonData.get(), ListSW);
      OfferToFormAdapter();
      if (Frame->Showing()) {
        if (!FCommonData->GlassModeInit) UpdateGlassMode(Frame, true);
        FCommonData->FUpdating = false;
        if (Frame->HandleAllocated()) RedrawWindow(Frame->WindowHandle(), nullptr, nullptr, 0x585);
        SetParentUpdated(Frame);
      }
      return;
    default: PassOn(m); return;
  }
}

void AdaptFrame(TCustomFrame* frame, const String& section) {
  if (!frame) return;
  for (Integer i = 0; i < frame->ComponentCount(); ++i)
    if (dynamic_cast<TsFrameAdapter*>(frame->Components(i))) return;
  auto* adapter = new TsFrameAdapter(frame);
  if (!section.empty()) adapter->FCommonData->SetSkinSection(section);
  adapter->AfterConstruction();
  adapter->FCommonData->UpdateIndexes(true);
  // Linked at once, so that the walk that met the frame goes on with the frame's own lists.
  adapter->OfferToFormAdapter();
  if (frame->HandleAllocated()) RedrawWindow(frame->WindowHandle(), nullptr, nullptr, 0x585);
}
