// The title bar component, its items and their presses.
#include "forms/kvTitleBar.h"

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "forms/sSkinProvider.h"
#include "images/ImageListSizes.h"
#include "raster/Text.h"
#include "skin/SkinState.h"
#include "skin/sVclUtils.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"

bool SkipMenuShowing = false;

// ---- Font data -------------------------------------------------------------------------------

TW_DEFINE_CLASS(TkvFontData) {
  b.Property(
       u"UseSysColor", [](const TkvFontData& f) { return f.UseSys(0); },
       [](TkvFontData& f, bool v) { f.SetUseSys(0, v); })
      .Default(true);
  b.Property(
       u"UseSysFontName", [](const TkvFontData& f) { return f.UseSys(1); },
       [](TkvFontData& f, bool v) { f.SetUseSys(1, v); })
      .Default(true);
  b.Property(
       u"UseSysGlowing", [](const TkvFontData& f) { return f.UseSys(2); },
       [](TkvFontData& f, bool v) { f.SetUseSys(2, v); })
      .Default(true);
  b.Property(
       u"UseSysSize", [](const TkvFontData& f) { return f.UseSys(3); },
       [](TkvFontData& f, bool v) { f.SetUseSys(3, v); })
      .Default(true);
  b.Property(
       u"UseSysStyle", [](const TkvFontData& f) { return f.UseSys(4); },
       [](TkvFontData& f, bool v) { f.SetUseSys(4, v); })
      .Default(true);
  b.Property(
       u"GlowSize", [](const TkvFontData& f) { return f.FGlowSize; }, &TkvFontData::SetGlowSize)
      .Default(0);
  b.Property(
       u"GlowColor", [](const TkvFontData& f) { return f.FGlowColor; }, &TkvFontData::SetGlowColor)
      .Default(0x808080);
  b.Property(u"Font", &TkvFontData::Font, &TkvFontData::SetFont);
}

TkvFontData::TkvFontData() : FFont(std::make_unique<TFont>()), UsedFont(std::make_unique<TFont>()) {}

TkvFontData::~TkvFontData() = default;

bool TkvFontData::UseSys(Integer index) const {
  switch (index) {
    case 0: return FUseSysColor;
    case 1: return FUseSysFontName;
    case 2: return FUseSysGlowing;
    case 3: return FUseSysSize;
    default: return FUseSysStyle;
  }
}

void TkvFontData::SetUseSys(Integer index, bool value) {
  switch (index) {
    case 0: FUseSysColor = value; break;
    case 1: FUseSysFontName = value; break;
    case 2: FUseSysGlowing = value; break;
    case 3: FUseSysSize = value; break;
    case 4: FUseSysStyle = value; break;
    default: return;
  }
  Invalidate();
}

void TkvFontData::SetGlowColor(TColor value) {
  if (FGlowColor == value) return;
  FGlowColor = value;
  Invalidate();
}

void TkvFontData::SetGlowSize(Integer value) {
  if (FGlowSize == value) return;
  FGlowSize = value;
  Invalidate();
}

void TkvFontData::SetFont(const TFont* value) {
  if (value) FFont->Assign(value);
}

void TkvFontData::Invalidate() {
  if (WndHandle) SendMessageW(WndHandle, SM_ALPHACMD, uintptr_t{KV_NCPAINT} << 16, 1);
}

// ---- Items -----------------------------------------------------------------------------------

TW_DEFINE_CLASS(TkvTitleBarItem) {
  using I = TkvTitleBarItem;
  b.Property(
      u"Name", [](const I& i) { return i.FName; }, &I::SetName);
  b.Property(
      u"Caption", [](const I& i) { return i.FCaption; }, &I::SetCaption);
  b.Property(
      u"Hint", [](const I& i) { return i.FHint; }, [](I& i, const String& v) { i.FHint = v; });
  b.Property(
      u"SkinSection", [](const I& i) { return i.FSkinSection; }, &I::SetSkinSection);
  b.Property(
       u"Style", [](const I& i) { return i.FStyle; }, &I::SetStyle)
      .Default(bsButton);
  b.Property(
       u"Align", [](const I& i) { return i.FAlign; }, &I::SetAlign)
      .Default(tbaLeft);
  b.Property(
       u"Alignment", [](const I& i) { return i.FAlignment; }, &I::SetAlignment)
      .Default(taLeftJustify);
  b.Property(
       u"Enabled", [](const I& i) { return i.FEnabled; }, &I::SetEnabled)
      .Default(true);
  b.Property(
       u"Visible", [](const I& i) { return i.FVisible; }, &I::SetVisible)
      .Default(true);
  b.Property(
       u"AutoSize", [](const I& i) { return i.FAutoSize; }, &I::SetAutoSize)
      .Default(true);
  b.Property(
       u"StretchImage", [](const I& i) { return i.FStretchImage; }, &I::SetStretchImage)
      .Default(false);
  b.Property(
       u"ShowHint", [](const I& i) { return i.FShowHint; }, [](I& i, bool v) { i.FShowHint = v; })
      .Default(false);
  b.Property(
       u"Down", [](const I& i) { return i.FDown; }, &I::SetDown)
      .Default(false);
  b.Property(
       u"Tag", [](const I& i) { return i.FTag; }, [](I& i, Integer v) { i.FTag = v; })
      .Default(0);
  b.Property(
       u"Width", [](const I& i) { return i.FWidth; }, &I::SetWidth)
      .Default(22);
  b.Property(
       u"Height", [](const I& i) { return i.FHeight; }, &I::SetHeight)
      .Default(18);
  b.Property(
       u"Spacing", [](const I& i) { return i.FSpacing; }, &I::SetSpacing)
      .Default(4);
  b.Property(
       u"NumGlyphs", [](const I& i) { return i.FNumGlyphs; }, &I::SetNumGlyphs)
      .Default(1);
  b.Property(
       u"ImageIndex", [](const I& i) { return i.FImageIndex; }, &I::SetImageIndex)
      .Default(-1);
  b.Property(
       u"HotImageIndex", [](const I& i) { return i.FHotImageIndex; }, &I::SetHotImageIndex)
      .Default(-1);
  b.Property(
       u"PressedImageIndex", [](const I& i) { return i.FPressedImageIndex; }, &I::SetPressedImageIndex)
      .Default(-1);
  b.Property(
       u"DisabledImageIndex", [](const I& i) { return i.FDisabledImageIndex; }, &I::SetDisabledImageIndex)
      .Default(-1);
  b.Property(
       u"GroupIndex", [](const I& i) { return i.FGroupIndex; }, &I::SetGroupIndex)
      .Default(0);
  b.Property(
      u"Glyph", [](const I& i) { return i.FGlyph.get(); }, &I::SetGlyph);
  b.Property(u"FontData", [](const I& i) { return i.FFontData.get(); });
  b.Property(
      u"DropdownMenu", [](const I& i) { return i.FDropdownMenu; }, &I::SetDropdownMenu);
}

TkvTitleBarItem::TkvTitleBarItem(TCollection* collection)
    : TCollectionItem(collection), FGlyph(std::make_unique<TBitmap>()), FFontData(std::make_unique<TkvFontData>()) {
  if (FName.empty()) FName = u"TkvTitleBarItem";
  if (TsTitleBar* bar = Bar(); bar && bar->Form && bar->Form->HandleAllocated())
    FFontData->WndHandle = bar->Form->WindowHandle();
}

TkvTitleBarItem::~TkvTitleBarItem() = default;

TsTitleBar* TkvTitleBarItem::Bar() const {
  auto* items = dynamic_cast<TkvTitleItems*>(Collection());
  return items ? items->FOwner : nullptr;
}

TsSkinProvider* TkvTitleBarItem::Provider() const {
  TsTitleBar* bar = Bar();
  return bar ? bar->SP : nullptr;
}

HWND PictureWindowOf(const TkvTitleBarItem& item) {
  TsSkinProvider* sp = item.Provider();
  if (sp && sp->BorderForm && sp->BorderForm->AForm && sp->BorderForm->AForm->HandleAllocated())
    return sp->BorderForm->AForm->WindowHandle();
  TsTitleBar* bar = item.Bar();
  return bar && bar->Form && bar->Form->HandleAllocated() ? bar->Form->WindowHandle() : nullptr;
}

TkvGlowForm* LiveExtForm(TkvTitleBarItem& item) {
  if (!item.ExtForm) return nullptr;
  // The provider makes its border window anew at times (hidden and shown, a new skin): the
  // item is shown on the one it has now.
  TsSkinProvider* sp = item.Provider();
  item.ExtForm = sp && sp->BorderForm ? sp->BorderForm->AForm.get() : nullptr;
  return item.ExtForm;
}

Integer TkvTitleBarItem::GetState() const {
  if ((FDroppedDown || FDown) && (FStyle == bsButton || FStyle == bsMenu || FStyle == bsTab)) return 2;
  return FState;
}

void TkvTitleBarItem::SetState(Integer value) {
  if (FDroppedDown) value = 2;
  if (FState != value) FState = value;
}

void TkvTitleBarItem::SetCaption(const String& v) {
  if (FCaption == v) return;
  FCaption = v;
  Invalidate(true);
}

void TkvTitleBarItem::SetStyle(TkvBtnStyle v) {
  if (FStyle == v) return;
  FStyle = v;
  Invalidate(true);
}

void TkvTitleBarItem::SetAlign(TkvItemAlign v) {
  if (FAlign == v) return;
  FAlign = v;
  Invalidate(true);
}

void TkvTitleBarItem::SetAlignment(TAlignment v) {
  if (FAlignment == v) return;
  FAlignment = v;
  Invalidate(false);
}

void TkvTitleBarItem::SetGlyph(TBitmap* v) {
  if (v)
    FGlyph->Assign(v);
  else
    FGlyph->SetSize(0, 0);
  Invalidate(true);
}

void TkvTitleBarItem::SetEnabled(bool v) {
  if (FEnabled == v) return;
  FEnabled = v;
  Invalidate(true);
}

void TkvTitleBarItem::SetVisible(bool v) {
  if (FVisible == v) return;
  FVisible = v;
  Invalidate(true);
}

void TkvTitleBarItem::SetAutoSize(bool v) {
  if (FAutoSize == v) return;
  if (v) FStretchImage = false;
  FAutoSize = v;
  Invalidate(true);
}

void TkvTitleBarItem::SetStretchImage(bool v) {
  if (FStretchImage == v) return;
  if (v) FAutoSize = false;
  FStretchImage = v;
  Invalidate(true);
}

template <class T>
void TkvTitleBarItem::SetIntProperty(T& field, T value) {
  if (GetState() == 2) SetState(0);  // a changed pressed item shows its normal look again
  if (field == value) return;
  field = value;
  Invalidate(true);
}

void TkvTitleBarItem::SetImageIndex(Integer v) { SetIntProperty(FImageIndex, v); }
void TkvTitleBarItem::SetHotImageIndex(Integer v) { SetIntProperty(FHotImageIndex, v); }
void TkvTitleBarItem::SetPressedImageIndex(Integer v) { SetIntProperty(FPressedImageIndex, v); }
void TkvTitleBarItem::SetDisabledImageIndex(Integer v) { SetIntProperty(FDisabledImageIndex, v); }
void TkvTitleBarItem::SetNumGlyphs(Integer v) { SetIntProperty(FNumGlyphs, v); }
void TkvTitleBarItem::SetSpacing(Integer v) { SetIntProperty(FSpacing, v); }
void TkvTitleBarItem::SetWidth(Integer v) { SetIntProperty(FWidth, v); }
void TkvTitleBarItem::SetHeight(Integer v) { SetIntProperty(FHeight, v); }
void TkvTitleBarItem::SetGroupIndex(Integer v) { SetIntProperty(FGroupIndex, v); }

void TkvTitleBarItem::SetDropdownMenu(TPopupMenu* v) {
  FDropdownMenu = v;
  if (TsTitleBar* bar = Bar(); bar && v) v->FreeNotification(bar);
}

void TkvTitleBarItem::SetSkinSection(const String& v) {
  if (FSkinSection == v) return;
  FSkinSection = v;
  FOnChanged.Call(this);
  Invalidate(false);
}

void TkvTitleBarItem::SetDown(bool v) {
  if (FDown == v) return;
  FDown = v;
  SetState(v ? 2 : 0);
  if (v && (FGroupIndex != 0 || FStyle == bsTab)) {
    // The group's other members go up quietly, without events.
    auto* items = dynamic_cast<TkvTitleItems*>(Collection());
    for (Integer i = 0; items && i < items->Count(); ++i) {
      TkvTitleBarItem* other = items->Items(i);
      if (other == this || other->FGroupIndex != FGroupIndex) continue;
      other->FDown = false;
      other->FState = 0;
    }
  }
  Invalidate(false);
}

void TkvTitleBarItem::Invalidate(bool recalcSize) {
  TsTitleBar* bar = Bar();
  TsSkinProvider* sp = Provider();
  if (!bar || !bar->Form || bar->Form->IsLoading() || !sp) return;
  DuRiruZireziv* manager = sp->SkinManager();
  if (!manager || !manager->IsActive() || manager->ManagerState.Contains(msAnimScaling)) return;
  if (recalcSize && FAutoSize) UpdateSize(false);
  if (Timer) {
    // The next step of the fade paints the current look anew.
    Timer->NewBmp.reset();
    Timer->AForm.reset();
  }
  if (bar->FUpdating || !bar->Form->HandleAllocated()) return;
  const HWND wnd = bar->Form->WindowHandle();
  if (SendAMessage(wnd, KV_PREPARING) != 0) return;
  SendMessageW(wnd, SM_ALPHACMD, uintptr_t{KV_NCPAINT} << 16, 1);
}

void TkvTitleBarItem::InitFont(TsSkinProvider* sp) {
  TFont* used = FFontData->UsedFont.get();
  TFont* own = FFontData->FFont.get();
  const Integer ppi = sp && sp->SkinDataFor() ? sp->SkinDataFor()->PPI : 96;
  used->SetHandle(kvGetTitleFont(ppi));
  used->SetHeight(-11);
  if (!FFontData->FUseSysStyle) used->SetStyle(own->Style());
  if (!FFontData->FUseSysFontName) {
    used->SetCharset(own->Charset());
    used->SetName(own->Name());
  }
  if (FFontData->FUseSysSize && sp && sp->SkinManager())
    used->SetHeight(MulDiv(-11, ppi, 96));
  else
    used->SetHeight((sp ? GetPPI(sp->FCommonData.get()) : 96) * own->Height() / 96);
}

void TkvTitleBarItem::UpdateSize(bool contentOnly) {
  if (!FVisible) return;
  TsTitleBar* bar = Bar();
  TsSkinProvider* sp = Provider();
  TkvItemMeasure m;
  m.Style = FStyle;
  m.AutoSize = FAutoSize;
  m.StretchImage = FStretchImage;
  m.Width = FWidth;
  m.Height = FHeight;
  m.Spacing = FSpacing;
  m.ItemsMargin = bar ? bar->FItemsMargin : 3;
  m.PPI = sp ? GetPPI(sp->FCommonData.get()) : 96;
  TCustomImageList* images = bar ? bar->FImages : nullptr;
  if (images && FImageIndex >= 0 && FImageIndex < GetImageCount(images)) {
    m.HasListImage = true;
    m.ListImage =
        TSize(GetImageWidth(images, FImageIndex, m.PPI, false), GetImageHeight(images, FImageIndex, m.PPI, false));
  }
  m.Glyph = TSize(FGlyph->Width(), FGlyph->Height());
  m.NumGlyphs = FNumGlyphs;
  m.HasCaption = !FCaption.empty();
  if (m.HasCaption) {
    InitFont(sp);
    m.Text = GetStringSize(FFontData->UsedFont->Handle(), FCaption, DT_SINGLELINE, false, 0, false);
  }
  m.HasDropdown = FDropdownMenu != nullptr;
  TkvSkinData* data = sp ? sp->SkinDataFor() : nullptr;
  // Without a provider the standard skin data of 96 PPI answers.
  if (!data) data = kvSkinState.StdScaleArray[0].get();
  m.ArrowSize = data ? data->ArrowSize : 0;
  const TkvItemSize s = MeasureTitleItem(m, contentOnly);
  FContentSize = s.Content;
  if (s.Resized) {
    FWidth = s.Width;
    FHeight = s.Height;
  }
}

void TkvTitleBarItem::ScaleItem(Integer numerator, Integer denominator) {
  FSpacing = MulDiv(FSpacing, numerator, denominator);
  UpdateSize(!FAutoSize);
  if (!FAutoSize) {
    FWidth = MulDiv(FWidth, numerator, denominator);
    FHeight = MulDiv(FHeight, numerator, denominator);
  }
}

void TkvTitleBarItem::DoClick() {
  FPressed = false;
  FOnClick.Call(this);
}

void TkvTitleBarItem::DoMouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  if (FPressed || !FEnabled) return;
  FPressed = true;
  FOnMouseDown.Call(this, button, shift, x, y);
  TsTitleBar* bar = Bar();
  switch (FStyle) {
    case bsButton:
    case bsMenu: {
      if (!FDropdownMenu || FDropdownMenu->Items()->Count() == 0) return;  // the click comes on release
      TsSkinProvider* sp = Provider();
      // The item lies in the picture of the outer border window when the form has one.
      RECT r{};
      if (const HWND w = PictureWindowOf(*this)) GetWindowRect(w, &r);
      if (SkipMenuShowing) {
        // This press closed the item's own menu: it only turns the item hot again.
        FDroppedDown = FPressed = false;
        Timer.reset();
        FState = 0;
        Invalidate(false);
        if (sp) sp->SetHotHT(HTITEM + Index(), true);
        SkipMenuShowing = false;
        return;
      }
      SkipMenuShowing = true;
      TPoint p(Rect.Left + r.left, Rect.Bottom + r.top);
      if (TkvGlowForm* ext = LiveExtForm(*this); ext && ext->HandleAllocated()) {
        RECT er{};
        GetWindowRect(ext->WindowHandle(), &er);
        p = TPoint(Rect.Left + er.left, Rect.Bottom + er.top);
      }
      // The menu's commands go to the form.
      if (bar && bar->Form && bar->Form->HandleAllocated()) FDropdownMenu->SetWindowHandle(bar->Form->WindowHandle());
      FDroppedDown = true;
      Timer.reset();
      Invalidate(false);
      const bool rtl = bar && bar->RightToLeft();
      if (rtl) {
        FDropdownMenu->SetParentBiDiMode(false);
        FDropdownMenu->SetBiDiMode(bdRightToLeft);
        p.X += Rect.Width();
      }
      FDropdownMenu->Popup(p.X, p.Y);
      FDroppedDown = FPressed = false;
      const TPoint cursor = kvMousePos();
      TRect onScreen = Rect;
      onScreen = TRect(onScreen.Left + r.left, onScreen.Top + r.top, onScreen.Right + r.left, onScreen.Bottom + r.top);
      if (onScreen.Contains(cursor)) {
        FState = 1;
        Invalidate(false);
      } else {
        FState = 0;
        Invalidate(false);
        if (FDropdownMenu) FDropdownMenu->SetWindowHandle(nullptr);
        DoClick();
        SkipMenuShowing = false;
      }
      return;
    }
    case bsTab:
      if (FDown) return;
      DoClick();
      if (FGroupIndex >= 0 && bar) {
        {
          const auto updating = SetForScope(bar->FUpdating, true);
          for (Integer i = 0; i < bar->FItems->Count(); ++i) {
            TkvTitleBarItem* other = bar->FItems->Items(i);
            if (other != this && other->FVisible && other->FGroupIndex == FGroupIndex && other->FDown)
              other->SetDown(false);
          }
        }
        SetDown(true);
      } else {
        Invalidate(false);
      }
      return;
    default: return;
  }
}

void TkvTitleBarItem::DoMouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  if (!FEnabled) return;
  FOnMouseUp.Call(this, button, shift, x, y);
  if (button == mbRight) return;
  if (FPressed && FStyle != bsTab) DoClick();
  FPressed = false;
  FState = 1;
}

// ---- The collection and the bar --------------------------------------------------------------

TW_DEFINE_CLASS(TkvTitleItems) {}

TkvTitleItems::TkvTitleItems(TsTitleBar* owner) : TCollection(TkvTitleBarItem::StaticClass()), FOwner(owner) {
  SetOwner(owner);
}

TW_DEFINE_CLASS(TsTitleBar) {
  b.Property(
       u"ItemsMargin", [](const TsTitleBar& t) { return t.FItemsMargin; },
       [](TsTitleBar& t, Integer v) { t.FItemsMargin = v; })
      .Default(3);
  b.Property(
       u"ItemsSpacing", [](const TsTitleBar& t) { return t.FItemsSpacing; },
       [](TsTitleBar& t, Integer v) { t.FItemsSpacing = v; })
      .Default(0);
  b.Property(
       u"RightSpacing", [](const TsTitleBar& t) { return t.FRightSpacing; },
       [](TsTitleBar& t, Integer v) { t.FRightSpacing = v; })
      .Default(0);
  b.Property(
       u"ShowCaption", [](const TsTitleBar& t) { return t.FShowCaption; }, &TsTitleBar::SetShowCaption)
      .Default(false);
  b.Property(
      u"Images", [](const TsTitleBar& t) { return t.FImages; }, &TsTitleBar::SetImages);
  b.Property(u"Items", &TsTitleBar::Items);
}

namespace {

// The built-in menu-button picture of the program's resources, 32-bit with normal alpha; an
// empty bitmap when the program has none.
std::unique_ptr<TBitmap> LoadMenuButtonPicture() {
  auto bmp = std::make_unique<TBitmap>(0, 0, pf32bit);
  auto* res =
      static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), L"MENUBTN", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!res) return bmp;
  BITMAP info{};
  GetObjectW(res, sizeof info, &info);
  bmp->SetSize(info.bmWidth, info.bmHeight);
  const HDC src = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(src, res);
  BitBlt(bmp->Canvas()->Handle(), 0, 0, info.bmWidth, info.bmHeight, src, 0, 0, SRCCOPY);
  SelectObject(src, old);
  DeleteDC(src);
  DeleteObject(res);
  UpdateAlphaTitle(ViewOf(bmp.get()));
  return bmp;
}

}  // namespace

TsTitleBar::TsTitleBar(TComponent* owner) : TComponent(owner) {
  Form = dynamic_cast<TForm*>(owner);
  if (!Form) throw Exception(u"TsTitleBar component may be used with forms only!");
  FDefaultMenuBtn = LoadMenuButtonPicture();
  FImageChangeLink = std::make_unique<TChangeLink>();
  FImageChangeLink->OnChange = TNotifyEvent(this, &TsTitleBar::ImagesChanged);
  FItems = std::make_unique<TkvTitleItems>(this);
}

TsTitleBar::~TsTitleBar() {
  FItems.reset();
  ReplaceImageList(this, FImages, nullptr, FImageChangeLink.get());
}

void TsTitleBar::Loaded() {
  TComponent::Loaded();
  UpdateSizes();
  for (Integer i = 0; i < FItems->Count(); ++i) {
    TkvTitleBarItem* it = FItems->Items(i);
    if (it->FStyle == bsButton || it->FStyle == bsMenu) it->FDown = false;
  }
}

void TsTitleBar::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FImages) FImages = nullptr;
  for (Integer i = 0; FItems && i < FItems->Count(); ++i)
    if (FItems->Items(i)->FDropdownMenu == component) FItems->Items(i)->FDropdownMenu = nullptr;
}

void TsTitleBar::SetImages(TCustomImageList* v) {
  if (!ReplaceImageList(this, FImages, v, FImageChangeLink.get())) return;
  if (IsLoading()) return;
  UpdateSizes();
  CalcSizes();
  Invalidate();
}

void TsTitleBar::ImagesChanged(TObject*) {
  UpdateSizes();
  Invalidate();
}

void TsTitleBar::SetShowCaption(bool v) {
  if (FShowCaption == v) return;
  FShowCaption = v;
  Invalidate();
}

void TsTitleBar::Invalidate() {
  if (Form && !IsLoading() && Form->HandleAllocated())
    SendMessageW(Form->WindowHandle(), SM_ALPHACMD, uintptr_t{KV_NCPAINT} << 16, 1);
}

void TsTitleBar::UpdateSizes() {
  if (!SP || !SP->SkinManager() || !SP->SkinManager()->IsActive()) return;
  for (Integer i = 0; i < FItems->Count(); ++i) {
    TkvTitleBarItem* it = FItems->Items(i);
    if (it->FAutoSize)
      it->UpdateSize(false);
    else if (!it->FCaption.empty())
      it->InitFont(SP);
  }
  Initialized = true;
}

void TsTitleBar::UpdateScale(Integer newValue) {
  for (Integer i = 0; i < FItems->Count(); ++i) FItems->Items(i)->ScaleItem(newValue, OldScaleValue);
  CalcSizes();
  OldScaleValue = newValue;
}

bool TsTitleBar::RightToLeft() const { return Form && Form->UseRightToLeftAlignment(); }

void TsTitleBar::CalcSizes() {
  TkvBarLayout bar;
  bar.BarRect = FBarRect;
  bar.FullRight = FFullRight;
  bar.BarVCenter = FBarVCenter;
  bar.HasProvider = SP != nullptr;
  bar.PPI = SP ? GetPPI(SP->FCommonData.get()) : 96;
  bar.RightToLeft = RightToLeft();
  TkvSkinData* data = SP ? SP->SkinDataFor() : nullptr;
  bar.SkinSpacing = data ? data->Spacing : 0;
  bar.RightSpacing = FRightSpacing;
  std::vector<TkvItemBox> boxes(size_t(FItems->Count()));
  for (Integer i = 0; i < FItems->Count(); ++i) {
    const TkvTitleBarItem* it = FItems->Items(i);
    TkvItemBox& box = boxes[size_t(i)];
    box.Visible = it->FVisible;
    box.AutoSize = it->FAutoSize;
    box.Style = it->FStyle;
    box.Align = it->FAlign;
    box.Width = it->FWidth;
    box.Height = it->FHeight;
    box.Rect = it->Rect;
  }
  PlaceTitleItems(bar, boxes);
  for (Integer i = 0; i < FItems->Count(); ++i) FItems->Items(i)->Rect = boxes[size_t(i)].Rect;
  FLeftWidth = bar.LeftWidth;
  FRightWidth = bar.RightWidth;
  FCenterWidth = bar.CenterWidth;
  FCenterWidthS = bar.CenterWidthS;
}

TsTitleBar* TitleBarOf(TForm* form) {
  if (!form) return nullptr;
  for (Integer i = 0; i < form->ComponentCount(); ++i)
    if (auto* bar = dynamic_cast<TsTitleBar*>(form->Components(i)); bar && !bar->IsDestroying()) return bar;
  return nullptr;
}
