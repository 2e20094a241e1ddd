// The Windows half of kvAlphaImageList: the lists over comctl32, the icon-font rendering
// through GDI, the drawing of any image list, the start-up. See the header for the index.
#include "images/kvAlphaImageList.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "base/EngineState.h"
#include "base/ManagerLink.h"
#include "base/WindowQueries.h"
#include "base/kvntUtils.h"
#include "images/ImageListSizes.h"
#include "images/kvPNG.h"
#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "raster/GdiBitmaps.h"
#include "raster/Resampling.h"
#include "raster/Shapes.h"
#include "raster/Text.h"
#include "raster/kvgpUtils.h"
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"
#include "ui/Icon.h"
#include "ui/ScopeGuard.h"

namespace {

// ---- helpers shared by the lists ------------------------------------------------------------

using TBitmapPtr = std::unique_ptr<TBitmap>;

// A 32-bit copy of a bitmap handle's pixels (any format); false when it cannot be read.
bool ReadBitmap32(HBITMAP handle, TBitmap& out) {
  BITMAP bm{};
  if (!handle || !GetObjectW(handle, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return false;
  out.SetPixelFormat(pf32bit);
  out.SetSize(bm.bmWidth, bm.bmHeight);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = bm.bmWidth;
  info.bmiHeader.biHeight = bm.bmHeight;  // bottom-up, as TBitmap keeps its rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  TClientDC screen(nullptr);
  return GetDIBits(screen.get(), handle, 0, static_cast<UINT>(bm.bmHeight), out.ScanLine(bm.bmHeight - 1), &info,
                   DIB_RGB_COLORS) == bm.bmHeight;
}

// The colour and mask bitmaps of an icon, released with the scope.
struct TIconBitmaps {
  TOwnedBitmap Color, Mask;
  explicit TIconBitmaps(HICON icon) {
    ICONINFO info{};
    if (icon && GetIconInfo(icon, &info)) {
      Color.reset(info.hbmColor);
      Mask.reset(info.hbmMask);
    }
  }
};

// Pre-Vista systems may hand out icons whose colour bitmap has no alpha at all. A new
// bitmap is repaired when the screen is not 32-bit or the manager asks for it (or there is
// none); a bitmap the caller fills only when the screen is not 32-bit.
bool NeedsEmptyAlphaRepair() {
  if (IsWinVistaUp()) return false;
  TkvManagerLink* manager = DefaultManagerLink();
  return GetBpp() < 32 || !manager || manager->Options().CheckEmptyAlpha;
}

bool FilledBitmapNeedsAlphaRepair() { return !IsWinVistaUp() && GetBpp() < 32; }

void CopyInto(TBitmap* dst, TBitmap* src) {
  dst->SetPixelFormat(pf32bit);
  dst->SetSize(src->Width(), src->Height());
  CopyPixels(dst->View(), 0, 0, src->View(), MkRect(src));
}

TBitmap* CopyOf(TBitmap* src) {
  TBitmap* copy = CreateBmp32(src->Width(), src->Height());
  CopyPixels(copy->View(), 0, 0, src->View(), MkRect(src));
  return copy;
}

// The 32-bit picture of image index of a platform list: the icon's colour bitmap, its alpha
// from the mask when asked and the mask matches, else repaired when repairAlpha says so.
bool PlatformImage(HIMAGELIST list, Integer index, TBitmap& out, bool maskToAlpha, bool repairAlpha) {
  TOwnedIcon icon(ImageList_GetIcon(list, index, 0));
  if (!icon) return false;
  TIconBitmaps parts(icon.get());
  if (!ReadBitmap32(parts.Color.get(), out)) return false;
  TBitmap mask;
  if (maskToAlpha && ReadBitmap32(parts.Mask.get(), mask) && mask.Width() == out.Width() &&
      mask.Height() == out.Height()) {
    const TPixelView d = out.View(), m = mask.View();
    for (Integer y = 0; y < d.Height; ++y) {
      uint32_t* row = d.Row(y);
      const uint32_t* mrow = m.Row(y);
      for (Integer x = 0; x < d.Width; ++x) row[x] = (row[x] & 0x00FFFFFF) | uint32_t(Byte(~PixB(mrow[x]))) << 24;
    }
  } else if (repairAlpha) {
    CheckEmptyAChannel(&out);
  }
  return true;
}

// Decodes a PNG or 32-bit BMP item's file into bmp (the file's data checked first), leaving
// the data at their start.
void DecodeItemFile(const TsImgListItem& item, TBitmap& bmp) {
  TMemoryStream& data = *item.ImgData;
  data.SetPosition(0);
  if (item.ImageFormat() == ifPNG) {
    LoadBmpFromPngStream(bmp, data);
  } else {
    CheckImageData(data, ifBMP32);
    bmp.LoadFromStream(data);
  }
  data.SetPosition(0);
}

// The file name without its folder and without its last four characters ("arrow.png": arrow).
String ImageNameOf(const String& fileName) {
  const size_t slash = fileName.find_last_of(u"\\/:");
  String name = slash == String::npos ? fileName : fileName.substr(slash + 1);
  return name.size() > 4 ? name.substr(0, name.size() - 4) : String();
}

std::vector<TkvImageList*>* kvListsArray = nullptr;

}  // namespace

// ---- 5. TkvImageList ----------------------------------------------------------------------

bool& kvIgnoreBlendColor = kvSettings.kvIgnoreBlendColor;

TW_DEFINE_CLASS(TkvImageList) {}

TkvImageList::TkvImageList(TComponent* owner) : TImageList(owner) {
  if (!kvListsArray) kvListsArray = new std::vector<TkvImageList*>();
  kvListsArray->push_back(this);
}

TkvImageList::~TkvImageList() {
  if (kvListsArray) {
    auto it = std::find(kvListsArray->begin(), kvListsArray->end(), this);
    if (it != kvListsArray->end()) kvListsArray->erase(it);
  }
}

void IterateImageLists(TkvImgListProc proc, Integer data) {
  if (!kvListsArray || !proc) return;
  // By index: a callback may rebuild a list but not add or remove one.
  for (size_t i = 0; i < kvListsArray->size(); ++i) proc((*kvListsArray)[i], data);
}

Integer GetBpp() {
  TClientDC screen(nullptr);
  return GetDeviceCaps(screen.get(), BITSPIXEL);
}

void TkvImageList::ReadData(TStream& /*stream*/) {}

void TkvImageList::WriteData(TStream& stream) const {
  // The images travel in the items; a form gets no "Bitmap" value at all.
  if (ComponentState().Contains(csWriting)) return;
  TImageList empty(nullptr);
  empty.SetSize(1, 1);
  empty.SetMasked(false);
  empty.SetColorDepth(cd4Bit);
  empty.Handle();
  empty.WriteData(stream);
}

TBitmap* TkvImageList::ResampledForList(TBitmap* bmp) const {
  if (!bmp || (bmp->Width() == Width() && bmp->Height() == Height())) return nullptr;
  // The list's own width and height, so that a list that is not square keeps its images'
  // proportions.
  TBitmapPtr temp(CreateBmp32(Width(), Height()));
  if (temp->Empty()) return temp.release();
  if (bmp->Width() < 2 || bmp->Height() < 2) {
    FillRect32(temp.get(), MkRect(temp.get()), 0, 1);
    return temp.release();
  }
  TBitmapPtr src32;
  TBitmap* src = bmp;
  if (bmp->PixelFormat() != pf32bit) {
    src32.reset(CreateBmp32(0, 0));
    src32->Assign(bmp);
    src32->SetPixelFormat(pf32bit);
    src = src32.get();
  }
  Stretch(src, temp.get(), Width(), Height(), ftMitchell);
  return temp.release();
}

void TkvImageList::AddAsIcon(TBitmap* bmp, Integer index) {
  if (!bmp) return;
  TBitmapPtr temp(ResampledForList(bmp));
  TBitmap* source = temp ? temp.get() : bmp;
  if (source->Empty()) return;
  TOwnedIcon icon(IsNTFamily() && kvThemesEnabled() ? MakeCompIcon(source) : MakeIcon32(source, false));
  if (icon) ImageList_ReplaceIcon(Handle(), index < 0 ? -1 : index, icon.get());
}

void TkvImageList::AfterConstruction() {
  TImageList::AfterConstruction();
  if (!IsLoading() && !(Owner() && Owner()->IsLoading())) FLoaded = true;
}

TColor TkvImageList::GetBkColor() const { return FBkColor != clNone ? FBkColor : TImageList::GetBkColor(); }

void TkvImageList::SetBkColor(TColor value) {
  FBkColor = value;
  TImageList::SetBkColor(value);
}

bool TkvImageList::MakePlatformList(Integer width, Integer height) {
  if (width <= 0 || height <= 0) return false;
  HIMAGELIST list = ImageList_Create(width, height, ILC_COLOR32 | (Masked() ? ILC_MASK : 0), 0, AllocBy());
  if (!list) return false;
  const bool wasChanging = AcChanging;
  AcChanging = true;  // taking the handle is no change of the images
  SetHandle(list);
  AcChanging = wasChanging;
  return true;
}

void TkvImageList::KillImgList() {
  if (HandleAllocated()) {
    const bool wasChanging = AcChanging;
    AcChanging = true;
    SetHandle(nullptr);
    AcChanging = wasChanging;
  }
  StdListIsGenerated = false;
  if (!AcChanging) Change();
}

void TkvImageList::ApplyDimension(Integer index, Integer value, bool asDesignSize) {
  if (asDesignSize) (index == 0 ? SavedHeight : SavedWidth) = value;
  if (index == 0)
    SetSize(Width(), value);
  else
    SetSize(value, Height());
}

void TkvImageList::RememberDesignSize() {
  if (SavedWidth != 0 || !FLoaded || IsLoading()) return;
  SavedWidth = Width();
  SavedHeight = Height();
}

bool TkvImageList::EnsurePlatformList() {
  if (SavedHeight == 0) return false;
  if (!HandleAllocated()) CreateImgList();
  return HandleAllocated();
}

void TkvImageList::AssignList(TkvImageList* src) {
  if (!src) {
    KillImgList();
    return;
  }
  if (src == this) return;
  auto changing = SetForScope(AcChanging, true, false);
  if (HandleAllocated()) ImageList_Remove(Handle(), -1);
  SetMasked(src->Masked());
  SetImageType(src->ImageType());
  SetDrawingStyle(src->DrawingStyle());
  SetShareImages(src->ShareImages());
  CopySizeFrom(*src);
  KillImgList();
  CreateImgList();
  if (src->HandleAllocated()) SetBkColor(GetColor(ImageList_GetBkColor(src->Handle())));
  CopyContentFrom(*src);
}

// ---- 6. TsAlphaImageList ------------------------------------------------------------------

TW_DEFINE_CLASS(TsAlphaImageList) {
  b.Property(u"AllowScale", &TsAlphaImageList::AllowScale, &TsAlphaImageList::SetAllowScale)
      .Property(u"Height", &TsAlphaImageList::Height, [](TsAlphaImageList& l, Integer v) { l.SetDimension(0, v); })
      .Property(u"Width", &TsAlphaImageList::Width, [](TsAlphaImageList& l, Integer v) { l.SetDimension(1, v); })
      .Color(u"BkColor", &TsAlphaImageList::GetBkColor, &TsAlphaImageList::SetBkColor)
      .Property(u"Items", &TsAlphaImageList::Items, &TsAlphaImageList::SetItems)
      .Property(u"UseCache", &TsAlphaImageList::UseCache, &TsAlphaImageList::SetUseCache);
}

TsAlphaImageList::TsAlphaImageList(TComponent* owner) : TkvImageList(owner), FItems(new TsImgListItems(this)) {
  FItems->SetOwner(this);
}

TsAlphaImageList::~TsAlphaImageList() {
  // The items go first; their platform images go with the list.
  ItemsUpdating = true;
  delete FItems;
  FItems = nullptr;
}

void TsAlphaImageList::Loaded() {
  TkvImageList::Loaded();
  FLoaded = true;
  if (SavedWidth != 0) {
    KillImgList();
  } else if (Width() == 16 && Height() == 16) {
    auto changing = SetForScope(AcChanging, true, false);
    KillImgList();
    SavedWidth = SavedHeight = 16;
  }
  if (SavedWidth == 0) SavedWidth = Width();
  if (SavedHeight == 0) SavedHeight = Height();
  if (!StdListIsGenerated) {
    GenerateStdList();
    StdListIsGenerated = true;
    Change();
  }
}

void TsAlphaImageList::SetDimension(Integer index, Integer value) {
  ApplyDimension(index, value, FLoaded);
  if (FLoaded && !IsLoading() && HandleAllocated() && !AcChanging) {
    GetCount();
    GenerateStdList();
    Change();
  }
}

void TsAlphaImageList::SetUseCache(bool v) {
  if (FUseCache == v) return;
  FUseCache = v;
  if (!v) ClearCache(-1);
}

void TsAlphaImageList::ClearCache(Integer imgIndex) {
  if (imgIndex >= 0 && imgIndex < FItems->Count()) {
    FItems->Items(imgIndex)->FreeCache();
    return;
  }
  for (Integer i = 0; i < FItems->Count(); ++i) FItems->Items(i)->FreeCache();
}

void TsAlphaImageList::ItemDestroying(Integer index) {
  if (ItemsUpdating || IsDestroying() || !HandleAllocated()) return;
  if (index >= 0 && index < ImageList_GetImageCount(Handle())) ImageList_Remove(Handle(), index);
}

void TsAlphaImageList::RemoveAllItems() {
  auto updating = SetForScope(ItemsUpdating, true, false);
  FItems->Clear();
}

void TsAlphaImageList::CreateImgList() {
  RememberDesignSize();
  if (!MakePlatformList(SavedWidth, SavedHeight)) return;
  if (FBkColor != clNone) ImageList_SetBkColor(Handle(), FBkColor == clDefault ? CLR_DEFAULT : ColorToRGB(FBkColor));
}

void TsAlphaImageList::AddItemImage(TsImgListItem* item) {
  TMemoryStream& data = *item->ImgData;
  data.SetPosition(0);
  switch (item->ImageFormat()) {
    case ifPNG: {
      TBitmapPtr bmp(CreateBmp32(0, 0));
      LoadBmpFromPngStream(*bmp, data);
      item->OrigWidth = bmp->Width();
      item->OrigHeight = bmp->Height();
      AddAsIcon(bmp.get(), -1);
      break;
    }
    case ifICO: {
      CheckImageData(data, ifICO);
      TIcon icon;
      icon.LoadFromStream(data);
      item->OrigWidth = icon.Width();
      item->OrigHeight = icon.Height();
      ImageList_ReplaceIcon(Handle(), -1, icon.Handle());
      break;
    }
    case ifBMP32: {
      CheckImageData(data, ifBMP32);
      TBitmap bmp;
      bmp.LoadFromStream(data);
      item->OrigWidth = bmp.Width();
      item->OrigHeight = bmp.Height();
      bmp.SetPixelFormat(pf32bit);
      AddAsIcon(&bmp, -1);
      break;
    }
  }
  data.SetPosition(0);
}

void TsAlphaImageList::GenerateStdList() {
  if (StdMode) return;
  if (Width() == 16 && Height() == 16 && SavedHeight == 0 && !AcChanging) {
    AcChanging = true;
    KillImgList();
    SetDimension(1, Width());
    SetDimension(0, Height());
  }
  if (!EnsurePlatformList()) return;
  // Undecodable data reach the caller, but the list must not stay in an update.
  auto changing = SetForScope(AcChanging, true, false);
  ImageList_Remove(Handle(), -1);
  for (Integer i = 0; i < FItems->Count(); ++i) AddItemImage(FItems->Items(i));
  if (FItems->Count() > 0) {
    StdListIsGenerated = true;
    if (!IsDuplicated()) RemoveAllItems();
  }
}

void TsAlphaImageList::UpdateFromStd() {
  RemoveAllItems();
  if (!HandleAllocated()) return;
  const Integer count = ImageList_GetImageCount(Handle());
  for (Integer i = 0; i < count; ++i) {
    HICON handle = ImageList_GetIcon(Handle(), i, 0);
    if (!handle) continue;
    TIcon icon;
    icon.SetHandle(handle);  // the icon owns it now
    TsImgListItem* item = FItems->Add();
    item->SetImageFormat(ifICO);
    item->OrigWidth = icon.Width();
    item->OrigHeight = icon.Height();
    icon.SaveToStream(*item->ImgData);
    item->ImgData->SetPosition(0);
  }
}

Integer TsAlphaImageList::GetCount() {
  const Integer platform = HandleAllocated() ? ImageList_GetImageCount(Handle()) : 0;
  if (platform > FItems->Count() && (FItems->Count() == 0 || FItems->Items(0)->ImageFormat() == ifICO)) UpdateFromStd();
  return FItems->Count();
}

void TsAlphaImageList::Change() {
  if (AcChanging || !HandleAllocated() || IsLoading() || !StdListIsGenerated) return;
  if (IsDuplicated()) {
    GetCount();
    TkvImageList::Change();
    return;
  }
  TkvImageList::Change();
  // The items are gone: repair platform images whose colour bitmap carries no alpha.
  const Integer count = ImageList_GetImageCount(Handle());
  for (Integer i = 0; i < count; ++i) {
    TOwnedIcon icon(ImageList_GetIcon(Handle(), i, 0));
    if (!icon) continue;
    TIconBitmaps parts(icon.get());
    TBitmap color;
    if (!ReadBitmap32(parts.Color.get(), color)) continue;
    const TPixelView v = color.View();
    bool hasAlpha = false;
    for (Integer y = 0; y < v.Height && !hasAlpha; ++y)
      for (Integer x = 0; x < v.Width && !hasAlpha; ++x) hasAlpha = PixA(v.At(x, y)) != 0;
    if (hasAlpha) continue;
    for (Integer y = 0; y < v.Height; ++y)
      for (Integer x = 0; x < v.Width; ++x)
        if (v.At(x, y) != kKeyPixel) v.At(x, y) |= 0xFF000000u;
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = color.Handle();
    info.hbmMask = parts.Mask.get();
    TOwnedIcon repaired(CreateIconIndirect(&info));
    if (repaired) ImageList_ReplaceIcon(Handle(), i, repaired.get());
  }
}

void TsAlphaImageList::KvEndUpdate(bool doChange) {
  AcChanging = false;
  if (doChange && !(DefaultManagerLink() && DefaultManagerLink()->IsSkinChanging())) {
    GenerateStdList();
    Change();
  }
}

Integer TsAlphaImageList::Add(TBitmap* image, TBitmap* mask) {
  (void)mask;  // the alpha channel is the mask
  if (!image) return -1;
  if (!HandleAllocated()) CreateImgList();
  if (!HandleAllocated()) return -1;
  if (image->PixelFormat() != pf32bit) {
    const TColor spare = image->Transparent() ? image->TransparentColor() & 0x00FFFFFF : clNone;
    image->SetPixelFormat(pf32bit);
    FillAlphaRect(image, MkRect(image), 255, spare);
  }
  if (IsDuplicated()) {
    TsImgListItem* item = FItems->Add();
    image->SaveToStream(*item->ImgData);
    item->ImgData->SetPosition(0);
    item->SetImageFormat(ifBMP32);
    item->SetPixelFormat(pf32bit);
    item->OrigWidth = image->Width();
    item->OrigHeight = image->Height();
  }
  TOwnedIcon icon(MakeIcon32(image, false));
  const Integer index = icon ? ImageList_ReplaceIcon(Handle(), -1, icon.get()) : -1;
  if (index >= 0) StdListIsGenerated = true;
  Change();
  return index;
}

Integer TsAlphaImageList::AddImage(TCustomImageList* value, Integer index) {
  auto* source = dynamic_cast<TsAlphaImageList*>(value);
  if (!source) return TkvImageList::AddImage(value, index);
  if (index < 0 || index >= source->GetCount()) return -1;
  if (!HandleAllocated()) CreateImgList();
  if (!HandleAllocated()) return -1;
  TsImgListItem* item = FItems->Add();
  item->Assign(source->FItems->Items(index));
  {
    // An item whose image cannot be added goes again.
    TScopeExit dropItem([&] {
      auto updating = SetForScope(ItemsUpdating, true, false);
      item->Free();
    });
    auto changing = SetForScope(AcChanging, true);
    AddItemImage(item);
    dropItem.Dismiss();
  }
  StdListIsGenerated = true;
  Change();
  return ImageList_GetImageCount(Handle()) - 1;
}

void TsAlphaImageList::Replace(Integer aIndex, TBitmap* aBmp32) {
  if (!HandleAllocated() || !aBmp32 || aIndex < 0 || aIndex >= FItems->Count()) return;
  try {
    if (aBmp32->PixelFormat() != pf32bit) {
      aBmp32->SetPixelFormat(pf32bit);
      FillAlphaRect(aBmp32, MkRect(aBmp32), 255, clNone);
    }
    if (IsDuplicated()) {
      TsImgListItem* item = FItems->Items(aIndex);
      item->FreeCache();
      item->ImgData->Clear();
      aBmp32->SaveToStream(*item->ImgData);
      item->ImgData->SetPosition(0);
      item->SetImageFormat(ifBMP32);
      item->OrigWidth = aBmp32->Width();
      item->OrigHeight = aBmp32->Height();
    }
    TOwnedIcon icon(MakeIcon32(aBmp32, false));
    if (icon) ImageList_ReplaceIcon(Handle(), aIndex, icon.get());
    GenerateStdList();
    Change();
  } catch (const std::exception&) {
    // A bitmap that cannot be replaced leaves the list as it was.
  }
}

void TsAlphaImageList::Delete(Integer index) {
  if (FItems->Count() == 0) {
    TkvImageList::Delete(index);
    return;
  }
  FItems->Delete(index);
  Change();
}

void TsAlphaImageList::MoveItem(Integer curIndex, Integer newIndex) {
  if (curIndex == newIndex) return;
  if (curIndex >= 0 && curIndex < FItems->Count() && newIndex >= 0 && newIndex < FItems->Count())
    FItems->Items(curIndex)->SetIndex(newIndex);
  if (HandleAllocated()) TkvImageList::Move(curIndex, newIndex);
}

void TsAlphaImageList::Clear() {
  RemoveAllItems();
  TkvImageList::Clear();
}

bool TsAlphaImageList::TryLoadFromFile(const String& fileName) {
  if (!HandleAllocated()) GenerateStdList();
  if (!HandleAllocated()) return false;
  TsImageFormat format;
  if (!GetImageFormat(fileName, format)) return false;
  TsImgListItem* item = nullptr;
  auto dropItem = [&] {
    if (!item) return;
    auto updating = SetForScope(ItemsUpdating, true, false);
    item->Free();
    item = nullptr;
  };
  HICON handle = nullptr;
  try {
    TMemoryStream bytes;
    bytes.LoadFromFile(fileName);
    // Broken icon and bitmap files never reach the platform's readers.
    CheckImageData(bytes, format);
    TBitmapPtr bmp;
    if (IsDuplicated()) {
      item = FItems->Add();
      bytes.SetPosition(0);
      item->ImgData->CopyFrom(bytes, bytes.GetSize());
      item->ImgData->SetPosition(0);
      item->SetImageFormat(format);
      item->SetImageName(ImageNameOf(fileName));
    }
    bytes.SetPosition(0);
    switch (format) {
      case ifICO: {
        HICON extracted = ExtractIconW(GetModuleHandleW(nullptr), WideStr(fileName), 0);
        // 1 means "not an icon file".
        if (reinterpret_cast<uintptr_t>(extracted) <= 1) break;
        handle = extracted;
        if (item) {
          TIconBitmaps parts(handle);
          TBitmap color;
          BITMAP bm{};
          if (parts.Color && GetObjectW(parts.Color.get(), sizeof bm, &bm)) {
            item->OrigWidth = bm.bmWidth;
            item->OrigHeight = bm.bmHeight;
            bool alpha = false;
            if (bm.bmBitsPixel == 32 && ReadBitmap32(parts.Color.get(), color)) {
              const TPixelView v = color.View();
              for (Integer y = 0; y < v.Height && !alpha; ++y)
                for (Integer x = 0; x < v.Width && !alpha; ++x) alpha = PixA(v.At(x, y)) != 0;
            }
            item->SetPixelFormat(alpha ? pf32bit : pf24bit);
          }
        }
        break;
      }
      case ifBMP32: {
        bmp.reset(new TBitmap);
        bmp->LoadFromStream(bytes);
        if (bmp->PixelFormat() != pf32bit) {
          // The bottom-left colour is transparent, everything else opaque.
          const TColor transparent = bmp->PixelColor(0, bmp->Height() - 1);
          bmp->SetPixelFormat(pf32bit);
          ChangeBitmapPixels(bmp.get(), MakeAlphaPixel, 0, transparent);
        }
        break;
      }
      case ifPNG: {
        bmp.reset(CreateBmp32(0, 0));
        LoadBmpFromPngStream(*bmp, bytes);
        break;
      }
    }
    if (bmp) {
      if (item) {
        item->SetPixelFormat(pf32bit);
        item->OrigWidth = bmp->Width();
        item->OrigHeight = bmp->Height();
      }
      handle = MakeIcon32(bmp.get(), false);
    }
  } catch (const std::exception&) {
    dropItem();
    if (handle) DestroyIcon(handle);
    return false;
  }
  TOwnedIcon icon(handle);
  const bool ok = icon && ImageList_ReplaceIcon(Handle(), -1, icon.get()) >= 0;
  if (!ok) dropItem();
  if (ok) StdListIsGenerated = true;
  Change();
  return ok;
}

void TsAlphaImageList::LoadFromFile(const String& fileName) {
  if (TryLoadFromFile(fileName)) return;
  SetLastError(ERROR_FILE_INVALID);
  throw Exception(u"Cannot load " + fileName + u"\r\nInvalid or unexpected image format.");
}

bool TsAlphaImageList::TryLoadFromPngStream(TStream& stream) {
  if (!HandleAllocated()) return false;
  TsImgListItem* item = nullptr;
  bool ok = false;
  try {
    TBitmapPtr bmp(CreateBmp32(0, 0));
    if (IsDuplicated()) {
      item = FItems->Add();
      item->ImgData->CopyFrom(stream, stream.GetSize() - stream.GetPosition());
      item->ImgData->SetPosition(0);
      item->SetImageFormat(ifPNG);
      item->SetPixelFormat(pf32bit);
      LoadBmpFromPngStream(*bmp, *item->ImgData);
      item->ImgData->SetPosition(0);
      item->OrigWidth = bmp->Width();
      item->OrigHeight = bmp->Height();
    } else {
      LoadBmpFromPngStream(*bmp, stream);
    }
    TOwnedIcon icon(MakeIcon32(bmp.get(), false));
    ok = icon && ImageList_ReplaceIcon(Handle(), -1, icon.get()) >= 0;
  } catch (const std::exception&) { ok = false; }
  if (!ok && item) {
    auto updating = SetForScope(ItemsUpdating, true, false);
    item->Free();
  }
  if (ok) StdListIsGenerated = true;
  Change();
  return ok;
}

void TsAlphaImageList::LoadFromPngStream(TStream& stream) {
  if (!TryLoadFromPngStream(stream)) ShowError(u"Cannot load from stream\r\nInvalid or unexpected image format.");
}

void TsAlphaImageList::CopyImages(TsAlphaImageList* imgList) {
  if (!imgList || !HandleAllocated()) return;
  if (imgList->HandleAllocated()) ImageList_SetBkColor(imgList->Handle(), CLR_NONE);
  if (IsDuplicated()) {
    {
      auto updating = SetForScope(ItemsUpdating, true, false);
      FItems->Assign(imgList->FItems);
    }
    GenerateStdList();
    return;
  }
  ImageList_Remove(Handle(), -1);
  if (!imgList->HandleAllocated()) return;
  const Integer count = ImageList_GetImageCount(imgList->Handle());
  for (Integer i = 0; i < count; ++i) {
    TOwnedIcon icon(ImageList_GetIcon(imgList->Handle(), i, ILD_TRANSPARENT));
    if (icon) ImageList_ReplaceIcon(Handle(), -1, icon.get());
  }
}

void TsAlphaImageList::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TsAlphaImageList*>(source);
  if (source && !src)
    TkvImageList::Assign(source);
  else
    AssignList(const_cast<TsAlphaImageList*>(src));
}

void TsAlphaImageList::CopySizeFrom(TkvImageList& src) {
  if (src.HandleAllocated()) {
    int w = 0, h = 0;
    ImageList_GetIconSize(src.Handle(), &w, &h);
    SetSize(w, h);
  }
  // The platform list is remade at the new size, which is the design size from now on.
  SavedWidth = Width();
  SavedHeight = Height();
}

void TsAlphaImageList::CopyContentFrom(TkvImageList& src) {
  SetBlendColor(src.BlendColor());
  CopyImages(&static_cast<TsAlphaImageList&>(src));
}

void TsAlphaImageList::AssignTo(TPersistent* dest) const {
  auto* target = dynamic_cast<TsAlphaImageList*>(dest);
  if (!target || target == this) {
    TkvImageList::AssignTo(dest);
    return;
  }
  target->RemoveAllItems();
  target->Assign(this);
}

TBitmap* TsAlphaImageList::CreateBitmap32(Integer index, Integer width, Integer height, Integer /*glyphHeight*/) {
  TBitmapPtr result(CreateBmp32(width, height));
  if (!HandleAllocated() || index < 0 || index >= GetCount()) return result.release();
  TsImgListItem* item = IsDuplicated() && index < FItems->Count() ? FItems->Items(index) : nullptr;
  if (item && item->ImgData->GetSize() == 0) item = nullptr;  // nothing to decode: as without items
  if (item && item->ImageFormat() != ifICO) {
    if (FUseCache && item->CacheBmp && item->CacheBmp->Width() == width && item->CacheBmp->Height() == height) {
      CopyPixels(result->View(), 0, 0, item->CacheBmp->View(), MkRect(item->CacheBmp));
      return result.release();
    }
    item->FreeCache();
    TBitmapPtr decoded(new TBitmap);
    DecodeItemFile(*item, *decoded);
    if (decoded->PixelFormat() != pf32bit) {
      decoded->SetPixelFormat(pf32bit);
      CheckEmptyAChannel(decoded.get());
    }
    if (decoded->Width() == width && decoded->Height() == height)
      CopyPixels(result->View(), 0, 0, decoded->View(), MkRect(decoded.get()));
    else
      Stretch(decoded.get(), result.get(), width, height, ftMitchell);
    if (item->ImageFormat() == ifPNG && BlendColor() != clNone && !kvIgnoreBlendColor)
      ChangeBitmapPixels(result.get(), ChangeColorTone, static_cast<Integer>(DefaultColorToRGB(BlendColor())),
                         clFuchsia);
    if (FUseCache) item->CacheBmp = CopyOf(result.get());
    return result.release();
  }
  // Icons, items without data and lists without items come from the platform list at its own
  // size; an icon item's alpha is its own, anything else takes its alpha from the mask.
  TBitmap image;
  if (PlatformImage(Handle(), index, image, !item, NeedsEmptyAlphaRepair())) {
    result->SetSize(image.Width(), image.Height());
    CopyPixels(result->View(), 0, 0, image.View(), MkRect(&image));
  }
  return result.release();
}

bool TsAlphaImageList::GetBitmap32(Integer index, TBitmap* image, Integer /*glyphHeight*/) {
  if (!HandleAllocated() || !image || index < 0 || index >= GetCount()) return false;
  TsImgListItem* item = IsDuplicated() && index < FItems->Count() ? FItems->Items(index) : nullptr;
  if (item && item->ImgData->GetSize() > 0 && item->ImageFormat() != ifICO) {
    if (FUseCache && item->CacheBmp && item->CacheBmp->Width() == image->Width() &&
        item->CacheBmp->Height() == image->Height()) {
      CopyInto(image, item->CacheBmp);
      return true;
    }
    item->FreeCache();
    TBitmapPtr decoded(new TBitmap);
    decoded->SetTransparent(image->Transparent());
    DecodeItemFile(*item, *decoded);
    if (image->Width() == item->OrigWidth && image->Height() == item->OrigHeight) {
      image->Assign(decoded.get());
    } else {
      if (decoded->PixelFormat() != pf32bit) {
        decoded->SetPixelFormat(pf32bit);
        CheckEmptyAChannel(decoded.get());
      }
      image->SetPixelFormat(pf32bit);
      Stretch(decoded.get(), image, image->Width(), image->Height(), ftMitchell);
    }
    if (image->PixelFormat() != pf32bit) {
      image->SetPixelFormat(pf32bit);
      CheckEmptyAChannel(image);
    }
    if (FUseCache && image->Width() == Width() && image->Height() == Height()) item->CacheBmp = CopyOf(image);
    return true;
  }
  TBitmap platform;
  if (!PlatformImage(Handle(), index, platform, false, FilledBitmapNeedsAlphaRepair())) return false;
  image->Assign(&platform);
  return true;
}

void TsAlphaImageList::DoDraw(Integer index, TCanvas* canvas, Integer x, Integer y, Cardinal /*style*/,
                              bool /*enabled*/) {
  if (!HandleAllocated() || index < 0 || !canvas) return;
  TsImgListItem* item = index < FItems->Count() ? FItems->Items(index) : nullptr;
  if (!item || item->ImageFormat() == ifICO) {
    ImageList_SetBkColor(Handle(), CLR_NONE);
    TOwnedIcon icon(ImageList_GetIcon(Handle(), index, ILD_TRANSPARENT));
    if (icon) {
      TCanvasLock lock(*canvas);
      DrawIconEx(canvas->Handle(), x, y, icon.get(), Width(), Height(), 0, nullptr, DI_NORMAL);
    }
    return;
  }
  const Integer w = Width() * PixelsPerInch / 96, h = Height() * PixelsPerInch / 96;
  TBitmapPtr glyph(CreateBitmap32(index, w, h, 0));
  TBitmapPtr work(CreateBmp32(w, h));
  if (glyph->Empty() || work->Empty()) return;
  TCanvasLock lockCanvas(*canvas);
  TCanvasLock lockWork(*work->Canvas());
  BitBlt(work->Canvas()->Handle(), 0, 0, w, h, canvas->Handle(), x, y, SRCCOPY);
  CopyBmp32(MkRect(w, h), MkRect(w, h), work.get(), glyph.get(), MakeCacheInfo(work.get()), false, clNone, 0, false);
  BitBlt(canvas->Handle(), x, y, w, h, work->Canvas()->Handle(), 0, 0, SRCCOPY);
}

// ---- 7. TsCharImageList -------------------------------------------------------------------

HANDLE& awFont = kvSystem.awFont;
Integer& FontsCount = kvSystem.FontsCount;

namespace {

Integer RoundInt(double v) { return static_cast<Integer>(std::nearbyint(v)); }

// A pixel value of a colour under the active skin.
uint32_t PixelOf(TColor c) { return SwapRedBlue(DefaultColorToRGB(c)) & 0x00FFFFFF; }

// Draws one character with the DC's current state into r.
void DrawChar(HDC dc, Char ch, RECT& r, UINT flags) {
  const wchar_t text[1] = {static_cast<wchar_t>(ch)};
  DrawTextW(dc, text, 1, &r, flags);
}

// Selects the canvas's font (and black text on a transparent background) for raw text calls.
class TFontScope {
 public:
  explicit TFontScope(TCanvas* canvas) : dc_(canvas->Handle()), sel_(dc_, canvas->Font()->Handle()) {
    oldColor_ = SetTextColor(dc_, ColorToRGB(canvas->Font()->Color()));
    oldMode_ = SetBkMode(dc_, TRANSPARENT);
  }
  ~TFontScope() {
    SetTextColor(dc_, oldColor_);
    SetBkMode(dc_, oldMode_);
  }
  HDC dc() const { return dc_; }

 private:
  HDC dc_;
  TSelectObject sel_;
  COLORREF oldColor_;
  int oldMode_;
};

// Smooth edges for large glyphs, ClearType-style hinting for small ones.
void UpdateFontQuality(TFont* font, Integer charHeight) {
  font->SetQuality(charHeight > 24 ? fqAntialiased : fqClearType);
}

}  // namespace

TW_DEFINE_CLASS(TkvListFont) {}

TkvListFont::~TkvListFont() {
  // Glyphs of the font may still be cached elsewhere: the font stays installed.
  Handle = nullptr;
}

TW_DEFINE_CLASS(TkvListFonts) {}

TkvListFonts::TkvListFonts(TComponent* owner) : TkvEmbeddedFonts(owner, TkvListFont::StaticClass()) {}

void TkvListFonts::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TkvEmbeddedFonts*>(source);
  if (!src) {
    TkvEmbeddedFonts::Assign(source);
    return;
  }
  if (src == this) return;
  auto update = UpdateScope(*this);
  Clear();
  if (src->Count() == 0 || src->Items(0)->FontData->GetSize() > 0) Add()->SetFontName(u"FontAwesome");
  for (Integer i = 0; i < src->Count(); ++i) Add()->Assign(src->Items(i));
}

TW_DEFINE_CLASS(TkvCharListItem) {
  b.Property(u"Angle", &TkvCharListItem::Angle, &TkvCharListItem::SetAngle)
      .Property(u"Pitch", &TkvCharListItem::Pitch, &TkvCharListItem::SetPitch)
      .Property(u"Style", &TkvCharListItem::Style, &TkvCharListItem::SetStyle)
      .Property(u"ScalingFactor", &TkvCharListItem::ScalingFactor, &TkvCharListItem::SetScalingFactor)
      .Property(u"DrawContour", &TkvCharListItem::DrawContour, &TkvCharListItem::SetDrawContour)
      .Property(u"ImageName", &TkvCharListItem::ImageName, &TkvCharListItem::SetImageName)
      .Property(u"Orientation", &TkvCharListItem::Orientation, &TkvCharListItem::SetOrientation)
      .Property(u"OffsetY", &TkvCharListItem::OffsetY, &TkvCharListItem::SetOffsetY)
      .Property(u"AddedOffsetX", &TkvCharListItem::AddedOffsetX, &TkvCharListItem::SetAddedOffsetX)
      .Property(u"AddedOffsetY", &TkvCharListItem::AddedOffsetY, &TkvCharListItem::SetAddedOffsetY)
      .Property(u"AddedSize", &TkvCharListItem::AddedSize, &TkvCharListItem::SetAddedSize)
      .Property(
          u"Char", [](const TkvCharListItem& i) { return Integer(i.CharCode()); },
          [](TkvCharListItem& i, Integer v) { i.SetChar(static_cast<Char>(v)); })
      .Property(
          u"AddedChar", [](const TkvCharListItem& i) { return Integer(i.AddedChar()); },
          [](TkvCharListItem& i, Integer v) { i.SetAddedChar(static_cast<Char>(v)); })
      .Property(u"FontName", &TkvCharListItem::FontName, &TkvCharListItem::SetFontName)
      .Property(u"AddedFontName", &TkvCharListItem::AddedFontName, &TkvCharListItem::SetAddedFontName)
      .Color(u"Color", &TkvCharListItem::Color, &TkvCharListItem::SetColor)
      .Color(u"SecondColor", &TkvCharListItem::SecondColor, &TkvCharListItem::SetSecondColor)
      .Color(u"AddedColor", &TkvCharListItem::AddedColor, &TkvCharListItem::SetAddedColor)
      .Property(u"Charset", &TkvCharListItem::Charset, &TkvCharListItem::SetCharset)
      .Idents(CharsetIdents())
      .Property(u"AddedCharset", &TkvCharListItem::AddedCharset, &TkvCharListItem::SetAddedCharset)
      .Idents(CharsetIdents());
}

TkvCharListItem::TkvCharListItem(TCollection* collection) : TCollectionItem(collection) {}

TkvCharListItem::~TkvCharListItem() {
  delete CacheBmp;
  CacheBmp = nullptr;
}

TsCharImageList* TkvCharListItem::ImgList() const {
  auto* items = dynamic_cast<TkvCharListItems*>(Collection());
  return items ? items->FOwner : nullptr;
}

void TkvCharListItem::Invalidate() {
  delete CacheBmp;
  CacheBmp = nullptr;
  if (TsCharImageList* list = ImgList()) list->Change();
}

void TkvCharListItem::SetInteger(Integer index, Integer value) {
  Integer* fields[] = {&FAngle, &FOrientation, &FOffsetY, &FAddedOffsetX, &FAddedOffsetY, &FAddedSize};
  if (*fields[index] == value) return;
  *fields[index] = value;
  Invalidate();
}

void TkvCharListItem::SetColorIndex(Integer index, TColor value) {
  TColor* fields[] = {&FColor, &FSecondColor, &FAddedColor};
  if (*fields[index] == value) return;
  *fields[index] = value;
  Invalidate();
}

#define TW_CHAR_ITEM_SETTER(Name, Field, Type) \
  void TkvCharListItem::Set##Name(Type v) {    \
    if (Field == v) return;                    \
    Field = v;                                 \
    Invalidate();                              \
  }
TW_CHAR_ITEM_SETTER(Char, FChar, Char)
TW_CHAR_ITEM_SETTER(AddedChar, FAddedChar, Char)
TW_CHAR_ITEM_SETTER(FontName, FFontName, const String&)
TW_CHAR_ITEM_SETTER(AddedFontName, FAddedFontName, const String&)
TW_CHAR_ITEM_SETTER(Pitch, FPitch, TFontPitch)
TW_CHAR_ITEM_SETTER(Style, FStyle, TFontStyles)
TW_CHAR_ITEM_SETTER(ScalingFactor, FScalingFactor, double)
TW_CHAR_ITEM_SETTER(DrawContour, FDrawContour, bool)
TW_CHAR_ITEM_SETTER(Charset, FCharset, Byte)
TW_CHAR_ITEM_SETTER(AddedCharset, FAddedCharset, Byte)
#undef TW_CHAR_ITEM_SETTER

void TkvCharListItem::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TkvCharListItem*>(source);
  if (!src) {
    TCollectionItem::Assign(source);
    return;
  }
  if (src == this) return;
  // Every published property but the added character's offsets.
  FAngle = src->FAngle;
  FPitch = src->FPitch;
  FStyle = src->FStyle;
  FScalingFactor = src->FScalingFactor;
  FDrawContour = src->FDrawContour;
  FImageName = src->FImageName;
  FOrientation = src->FOrientation;
  FOffsetY = src->FOffsetY;
  FAddedSize = src->FAddedSize;
  FChar = src->FChar;
  FAddedChar = src->FAddedChar;
  FFontName = src->FFontName;
  FAddedFontName = src->FAddedFontName;
  FColor = src->FColor;
  FSecondColor = src->FSecondColor;
  FAddedColor = src->FAddedColor;
  FCharset = src->FCharset;
  FAddedCharset = src->FAddedCharset;
  Invalidate();
}

Integer TkvCharListItem::ActualWidth(bool useAngle) const {
  TsCharImageList* list = ImgList();
  const Integer designWidth = list ? list->DesignWidth() : 0, designHeight = list ? list->DesignHeight() : 0;
  const Integer w = RoundInt(designWidth * FScalingFactor);
  if (!useAngle || FAngle == 0) return w;
  return static_cast<Integer>(
             std::trunc(std::fabs(kvCos(FAngle) * w) + std::fabs(designHeight * FScalingFactor * kvSin(FAngle)))) +
         1;
}

TBitmap* TkvCharListItem::GetImage(Integer charHeight) {
  TsCharImageList* list = ImgList();
  if (!list) return nullptr;
  const Integer ppi = list->PixelsPerInch;
  const Integer w = GetImageWidth(list, Index(), ppi, false), h = GetImageHeight(list, Index(), ppi, false);
  if (charHeight == 0) charHeight = list->HeightAtPPI();
  const TColor key = list->ForeColor != clNone ? list->ForeColor : FColor;
  if (!list->CanUseCache()) {
    TBitmap* bmp = CreateBmp32(w, h);
    list->PrepareBmp(bmp, Index(), FOffsetY, charHeight, MkRect(bmp));
    return bmp;
  }
  if (CacheBmp && !list->ItemIsCached(this, w, key, charHeight, h)) {
    delete CacheBmp;
    CacheBmp = nullptr;
  }
  if (!CacheBmp) {
    CacheBmp = CreateBmp32(w, h);
    list->PrepareBmp(CacheBmp, Index(), FOffsetY, charHeight, MkRect(CacheBmp));
    CacheColor = key;
    CachedState = list->State;
    ActBlend = list->State != 0 ? 255 : list->BlendValue();
  }
  return CacheBmp;
}

TW_DEFINE_CLASS(TkvCharListItems) {}

TkvCharListItems::TkvCharListItems(TsCharImageList* owner)
    : TCollection(TkvCharListItem::StaticClass()), FOwner(owner) {
  SetOwner(owner);
}

TkvCharListItems::~TkvCharListItems() {
  Clear();
  FOwner = nullptr;
}

void TkvCharListItems::CheckItems() {
  for (Integer i = 0; i < Count(); ++i) {
    TkvCharListItem* item = Items(i);
    if (item->FScalingFactor != 0) continue;
    item->FScalingFactor = GetDefScaling(item->FCharset, item->FFontName);
    item->FColor = clNone;
    item->Invalidate();
  }
}

double GetDefScaling(Byte charset, const String& fontName) {
  TFont font;
  font.SetCharset(charset);
  font.SetName(fontName);
  font.SetHeight(-CharSize);
  return GetFontHeight(font.Handle(), true) / 96.0;
}

TW_DEFINE_CLASS(TsCharImageList) {
  b.Property(u"AllowScale", &TsCharImageList::AllowScale, &TsCharImageList::SetAllowScale)
      .Property(u"Height", &TsCharImageList::Height, [](TsCharImageList& l, Integer v) { l.SetDimension(0, v); })
      .Property(u"Width", &TsCharImageList::Width, [](TsCharImageList& l, Integer v) { l.SetDimension(1, v); })
      .Property(u"EmbeddedFonts", &TsCharImageList::EmbeddedFonts, &TsCharImageList::SetEmbeddedFonts)
      .Property(u"Items", &TsCharImageList::Items, &TsCharImageList::SetItems)
      .Color(u"BkColor", &TsCharImageList::GetBkColor, &TsCharImageList::SetBkColor)
      .Property(u"BlendValue", &TsCharImageList::BlendValue, &TsCharImageList::SetBlendValue)
      .Property(u"BlendingMode", &TsCharImageList::BlendingMode, &TsCharImageList::SetBlendingMode);
}

TsCharImageList::TsCharImageList(TComponent* owner)
    : TkvImageList(owner), FItems(new TkvCharListItems(this)), FEmbeddedFonts(new TkvListFonts(this)) {
  width_ = 26;
  height_ = 24;
  PixelsPerInch = DefaultPPI();
}

TsCharImageList::~TsCharImageList() {
  delete FEmbeddedFonts;
  FEmbeddedFonts = nullptr;
  delete FItems;
  FItems = nullptr;
}

void TsCharImageList::Loaded() {
  TkvImageList::Loaded();
  LoadAllFonts();
  FLoaded = true;
  const bool wasChanging = AcChanging;
  if (Width() == 16 && Height() == 16 && SavedWidth == 0) AcChanging = true;
  KillImgList();
  AcChanging = wasChanging;
  if (SavedWidth == 0) SavedWidth = Width();
  if (SavedHeight == 0) SavedHeight = Height();
  FItems->CheckItems();
  if (!StdListIsGenerated) {
    GenerateStdList(clNone);
    StdListIsGenerated = true;
    Change();
  }
}

Integer TsCharImageList::HeightAtPPI() const {
  return GetImageHeight(const_cast<TsCharImageList*>(this), -1, PixelsPerInch ? PixelsPerInch : 96, false);
}

Integer TsCharImageList::StdListPPI() const {
  if (AcChanging) return PixelsPerInch;
  TkvManagerLink* manager = DefaultManagerLink();
  if (!manager || manager->Options().ScaleMode == smVCL) return DefaultPPI();
  return manager->Options().PixelsPerInch;
}

void TsCharImageList::CreateImgList() {
  RememberDesignSize();
  const Integer ppi = IsDesigning() ? 96 : StdListPPI();
  if (!MakePlatformList(SavedWidth * ppi / 96, SavedHeight * ppi / 96)) return;
  if (FBkColor != clNone) ImageList_SetBkColor(Handle(), ColorToRGB(FBkColor));
}

void TsCharImageList::GenerateStdList(TColor baseColor) {
  if (Width() == 16 && Height() == 16 && SavedHeight == 0 && !AcChanging) {
    auto changing = SetForScope(AcChanging, true, false);
    KillImgList();
    SetDimension(1, Width());
    SetDimension(0, Height());
  }
  if (!EnsurePlatformList()) return;
  const Integer ppi = StdListPPI();
  {
    // The list's own colour and density come back; a failed run leaves AcChanging as it was.
    TScopeExit restore([&, savedPPI = PixelsPerInch] {
      ForeColor = clNone;
      PixelsPerInch = savedPPI;
    });
    auto changing = SetForScope(AcChanging, true);
    ImageList_Remove(Handle(), -1);
    PixelsPerInch = ppi;
    const Integer listHeight = HeightAtPPI();
    for (Integer i = 0; i < FItems->Count(); ++i) {
      TkvCharListItem* item = FItems->Items(i);
      if (item->FColor != clNone)
        ForeColor = clNone;
      else if (baseColor == clNone && DefaultManagerLink() && DefaultManagerLink()->IsActive())
        ForeColor = DefaultColorToRGB(clWindowText);
      else
        ForeColor = baseColor;
      TBitmapPtr bmp(
          CreateBitmap32(i, GetImageWidth(this, i, ppi, false), GetImageHeight(this, i, ppi, false), listHeight));
      if (bmp) AddAsIcon(bmp.get(), -1);
    }
  }
  if (FItems->Count() > 0) StdListIsGenerated = true;
  AcChanging = false;
}

void TsCharImageList::UpdateStd(Integer i) {
  if (!HandleAllocated() || i < 0 || i >= FItems->Count()) return;
  ForeColor = clNone;
  TBitmap* img = FItems->Items(i)->GetImage(0);
  if (!img) return;
  TBitmapPtr owned(img == FItems->Items(i)->CacheBmp ? nullptr : img);
  TOwnedIcon icon(MakeIcon32(img, false));
  TIconBitmaps parts(icon.get());
  if (parts.Color) ImageList_Replace(Handle(), i, parts.Color.get(), parts.Mask.get());
}

void TsCharImageList::Change() {
  if (AcChanging || IsLoading() || !HandleAllocated()) return;
  if (!StdListIsGenerated && FItems->Count() > 0) return;
  TkvImageList::Change();
}

void TsCharImageList::KvEndUpdate(bool doChange) {
  AcChanging = false;
  if (doChange && !(DefaultManagerLink() && DefaultManagerLink()->IsSkinChanging())) Change();
}

Integer TsCharImageList::GetCount() { return FItems->Count(); }

void TsCharImageList::Clear() {
  FItems->Clear();
  TkvImageList::Clear();
}

void TsCharImageList::SetDimension(Integer index, Integer value) {
  ApplyDimension(index, value, FLoaded || IsDesigning());
  RebuildWhenLoaded();
}

void TsCharImageList::RebuildWhenLoaded() {
  if (!FLoaded || IsLoading() || AcChanging) return;
  GenerateStdList(clNone);
  Change();
}

void TsCharImageList::SetBlendValue(Byte value) {
  if (FBlendValue == value) return;
  FBlendValue = value;
  RebuildWhenLoaded();
}

void TsCharImageList::SetBlendingMode(TkvBlendingMode value) {
  if (FBlendingMode == value) return;
  FBlendingMode = value;
  RebuildWhenLoaded();
}

void TsCharImageList::ClearCache(Integer imgIndex) {
  auto freeCache = [this](Integer i) {
    delete FItems->Items(i)->CacheBmp;
    FItems->Items(i)->CacheBmp = nullptr;
  };
  if (imgIndex >= 0 && imgIndex < FItems->Count()) {
    freeCache(imgIndex);
    return;
  }
  for (Integer i = 0; i < FItems->Count(); ++i) freeCache(i);
}

bool TsCharImageList::ItemIsCached(const TkvCharListItem* item, Integer width, TColor color, Integer /*charHeight*/,
                                   Integer height) const {
  return item->CachedState == State && item->CacheBmp && item->CacheBmp->Width() == width &&
         item->CacheBmp->Height() == height && item->ActBlend == FBlendValue && item->CacheColor == color;
}

void TsCharImageList::SetCharColor(TColor aColor, Integer aIndex, bool ignoreDefault) {
  if (ignoreDefault) {
    ForeColor = ForeColor2 = aColor;
    return;
  }
  ForeColor2 = clNone;
  if (aIndex >= 0 && aIndex < FItems->Count() && FItems->Items(aIndex)->FColor != clNone)
    ForeColor = FItems->Items(aIndex)->FColor;
  else
    ForeColor = aColor;
}

TBitmap* TsCharImageList::CreateBitmap32(Integer index, Integer width, Integer height, Integer glyphHeight) {
  return CreateBitmap32Color(index, width, height, ForeColor, glyphHeight);
}

TBitmap* TsCharImageList::CreateBitmap32Color(Integer index, Integer width, Integer height, TColor charColor,
                                              Integer glyphHeight) {
  if (!HandleAllocated() || index < 0 || index >= FItems->Count()) return nullptr;
  ForeColor = charColor;
  if (glyphHeight == 0) glyphHeight = HeightAtPPI();
  TkvCharListItem* item = FItems->Items(index);
  if (item->CacheBmp && !ItemIsCached(item, width, charColor, glyphHeight, height)) {
    delete item->CacheBmp;
    item->CacheBmp = nullptr;
  }
  if (!CanUseCache()) {
    TBitmap* bmp = CreateBmp32(width, height);
    PrepareBmp(bmp, index, item->FOffsetY, glyphHeight, MkRect(bmp));
    return bmp;
  }
  if (!item->CacheBmp) {
    item->CacheBmp = CreateBmp32(width, height);
    item->ActBlend = FBlendValue;
    item->CachedState = State;
    PrepareBmp(item->CacheBmp, index, item->FOffsetY, glyphHeight, MkRect(item->CacheBmp));
    item->CacheColor = charColor;
  }
  return CopyOf(item->CacheBmp);
}

bool TsCharImageList::GetBitmap32(Integer index, TBitmap* image, Integer glyphHeight) {
  if (!HandleAllocated() || !image || index < 0 || index >= FItems->Count()) return false;
  TkvCharListItem* item = FItems->Items(index);
  const Integer w = GetImageWidth(this, index, PixelsPerInch, false),
                h = GetImageHeight(this, index, PixelsPerInch, false);
  if (image->Width() == w && image->Height() == h) {
    TBitmap* img = item->GetImage(glyphHeight);
    if (!img) return false;
    TBitmapPtr owned(img == item->CacheBmp ? nullptr : img);
    CopyInto(image, img);
    return true;
  }
  image->SetPixelFormat(pf32bit);
  const Integer charHeight = glyphHeight ? glyphHeight : image->Height();
  const Integer listHeight = GetImageHeight(this, -1, PixelsPerInch ? PixelsPerInch : 96, false);
  if (listHeight == 0) {
    // A list of height 0 has no glyph to scale the offset by.
    image->SetSize(0, 0);
    return false;
  }
  PrepareBmp(image, index, charHeight * item->FOffsetY / listHeight, charHeight, MkRect(image));
  return true;
}

void TsCharImageList::DoDraw(Integer index, TCanvas* canvas, Integer x, Integer y, Cardinal /*style*/,
                             bool /*enabled*/) {
  if (!HandleAllocated() || !canvas || index < 0 || index >= FItems->Count()) return;
  TkvCharListItem* item = FItems->Items(index);
  if (item->FColor == clNone) ForeColor = canvas->Font()->Color();
  TBitmap* img = item->GetImage(0);
  ForeColor = clNone;
  if (!img) return;
  TBitmapPtr owned(img == item->CacheBmp ? nullptr : img);
  TBitmapPtr work(CreateBmp32(img->Width(), img->Height()));
  if (work->Empty()) return;
  TCanvasLock lockCanvas(*canvas);
  TCanvasLock lockWork(*work->Canvas());
  BitBlt(work->Canvas()->Handle(), 0, 0, work->Width(), work->Height(), canvas->Handle(), x, y, SRCCOPY);
  PaintBmp32(work.get(), img);
  BitBlt(canvas->Handle(), x, y, work->Width(), work->Height(), work->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TsCharImageList::PrepareBmp(TBitmap* bmp, Integer index, Integer offset, Integer charHeight, const TRect& aRect) {
  if (!bmp || index < 0 || index >= FItems->Count()) return;
  TkvCharListItem* item = FItems->Items(index);
  bmp->SetPixelFormat(pf32bit);
  if (bmp->Empty()) bmp->SetSize(charHeight, charHeight);
  if (bmp->Empty()) return;
  TCanvas* canvas = bmp->Canvas();
  TCanvasLock lock(*canvas);
  TFont* font = canvas->Font();
  font->SetPitch(item->FPitch);
  font->SetStyle(item->FStyle);
  font->SetCharset(item->FCharset);
  font->SetName(item->FFontName);
  font->SetColor(clBlack);
  font->SetHeight(RoundInt(charHeight * item->FScalingFactor));
  FillRect32(bmp, MkRect(bmp), clWhite, 0);
  const Integer lineWidth = charHeight / 48 + 1;

  // The character's extent, then the rectangle it is drawn in, centred.
  TRect extent = aRect;
  if (item->FDrawContour) {
    DrawContour(canvas, item->FChar, extent, lineWidth, 0, true);
  } else {
    TFontScope scope(canvas);
    RECT r{extent.Left, extent.Top, extent.Right, extent.Bottom};
    DrawChar(scope.dc(), item->FChar, r, DT_CALCRECT | DT_NOCLIP | DT_EXTERNALLEADING | DT_NOPREFIX);
    extent = TRect(r.left, r.top, r.right, r.bottom);
  }
  TRect r;
  r.Left = (bmp->Width() - extent.Width()) / 2;
  r.Top = (bmp->Height() - extent.Height()) / 2;
  r.Right = r.Left + extent.Width();
  r.Bottom = r.Top + extent.Height();
  if (offset != 0) r = OffsRect(r, 0, RoundInt(offset * item->FScalingFactor));

  constexpr UINT kDrawFlags = DT_VCENTER | DT_NOCLIP | DT_EXTERNALLEADING | DT_NOPREFIX;
  if (item->FAngle != 0 && item->FDrawContour) {
    DrawContour(canvas, item->FChar, r, lineWidth, item->FAngle, false);
  } else if (item->FAngle != 0) {
    // The character is drawn upright on a white picture that is then turned onto bmp.
    TBitmapPtr work(CreateBmpLike(bmp));
    FillRect32(work.get(), MkRect(work.get()), clWhite, 0);
    work->Canvas()->Font()->Assign(font);
    UpdateFontQuality(font, charHeight);
    {
      TCanvasLock workLock(*work->Canvas());
      TFontScope scope(work->Canvas());
      RECT wr{r.Left, r.Top, r.Right, r.Bottom};
      DrawChar(scope.dc(), item->FChar, wr, kDrawFlags);
    }
    kvgpDrawRotatedBitmap(canvas->Handle(), work.get(), MkRect(bmp), item->FAngle % 360);
  } else if (item->FDrawContour) {
    DrawContour(canvas, item->FChar, r, lineWidth, 0, false);
  } else {
    UpdateFontQuality(font, charHeight);
    TFontScope scope(canvas);
    RECT dr{r.Left, r.Top, r.Right, r.Bottom};
    DrawChar(scope.dc(), item->FChar, dr, kDrawFlags);
  }

  // Colours as pixel values. A colour forced on every item (ForeColor2) removes the gradient;
  // otherwise the gradient runs from the glyph's colour to the item's second colour.
  const uint32_t col = ForeColor != clNone ? PixelOf(ForeColor) : item->FColor != clNone ? PixelOf(item->FColor) : 0;
  const bool hasSecond = item->FSecondColor != clNone && ForeColor2 == clNone;
  const uint32_t second = hasSecond ? PixelOf(item->FSecondColor) : 0;
  const bool opaque = State != 0 || FBlendValue == 255;
  InkToAlpha(bmp->View(), col, hasSecond, second, opaque, FBlendValue);

  DrawAddedGlyph(bmp, item, aRect, col);
}

void TsCharImageList::DrawAddedGlyph(TBitmap* bmp, TkvCharListItem* item, const TRect& aRect, uint32_t col) {
  // The added character in the bottom-right corner, with a transparent ring around it.
  if (item->FAddedChar == 0) return;
  TCanvas* canvas = bmp->Canvas();
  TCanvasLock lock(*canvas);
  TFont* font = canvas->Font();
  const bool opaque = State != 0 || FBlendValue == 255;
  font->SetCharset(item->FAddedCharset);
  font->SetName(item->FAddedFontName);
  font->SetHeight(-(aRect.Height() * item->FAddedSize / 100));
  TSize size;
  {
    TFontScope scope(canvas);
    kvGetTextExtentW(scope.dc(), String(1, item->FAddedChar), size, font->Handle());
  }
  const TRect a(aRect.Right - size.cx, aRect.Bottom - size.cy, aRect.Right, aRect.Bottom);
  if (a.Left < 0 || a.Top < 0 || size.cx <= 0 || size.cy <= 0) return;
  const uint32_t added = item->FAddedColor != clNone ? PixelOf(item->FAddedColor) : col;
  TBitmapPtr glyph(CreateBmp32(size.cx, size.cy));
  FillRect32(glyph.get(), MkRect(glyph.get()), clWhite, 0);
  {
    glyph->Canvas()->Font()->Assign(font);
    glyph->Canvas()->Font()->SetColor(clBlack);
    TCanvasLock glyphLock(*glyph->Canvas());
    TFontScope scope(glyph->Canvas());
    RECT gr{0, 0, size.cx, size.cy};
    DrawChar(scope.dc(), item->FAddedChar, gr, DT_NOPREFIX | DT_NOCLIP | DT_SINGLELINE | DT_BOTTOM);
  }
  const Integer pad = std::max(3, aRect.Width() / 30);
  TBitmapPtr halo(CreateBmp32(size.cx + 2 * pad, size.cy + 2 * pad));
  FillRect32(halo.get(), MkRect(halo.get()), clWhite, 0);
  CopyPixels(halo->View(), pad, pad, glyph->View(), MkRect(glyph.get()));
  kvgpBlur(halo.get(), static_cast<float>(pad));
  BlendAddedGlyph(bmp->View(), a.TopLeft(), glyph->View(), halo->View(), pad, added, opaque, FBlendValue);
}

void TsCharImageList::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TsCharImageList*>(source);
  if (source && !src)
    TkvImageList::Assign(source);
  else
    AssignList(const_cast<TsCharImageList*>(src));
}

void TsCharImageList::CopySizeFrom(TkvImageList& src) {
  const auto& list = static_cast<const TsCharImageList&>(src);
  SetSize(list.DesignWidth(), list.DesignHeight());
  SavedWidth = list.DesignWidth();
  SavedHeight = list.DesignHeight();
}

void TsCharImageList::CopyContentFrom(TkvImageList& src) {
  auto& list = static_cast<TsCharImageList&>(src);
  FBlendValue = list.FBlendValue;
  SetBlendColor(list.BlendColor());
  FEmbeddedFonts->Assign(list.FEmbeddedFonts);
  CopyImages(&list);
  GenerateStdList(clNone);
}

void TsCharImageList::AssignTo(TPersistent* dest) const {
  auto* target = dynamic_cast<TsCharImageList*>(dest);
  if (!target || target == this) {
    TkvImageList::AssignTo(dest);
    return;
  }
  target->Assign(this);
}

void TsCharImageList::CopyImages(TsCharImageList* imgList) {
  if (!imgList || !HandleAllocated()) return;
  FItems->Assign(imgList->FItems);
  GenerateStdList(clNone);
}

Integer TsCharImageList::AddItem(const TkvCharItemData& d) {
  TkvCharListItem* item = FItems->Add();
  item->FChar = d.CharCode;
  item->FFontName = d.FontName;
  item->FCharset = d.Charset;
  item->FColor = d.Color;
  item->FSecondColor = d.SecondColor;
  item->FOrientation = d.Orientation;
  item->FPitch = d.Pitch;
  item->FAngle = d.Angle;
  item->FDrawContour = d.DrawContour;
  item->FStyle = d.Style;
  item->FScalingFactor = d.ScalingFactor;
  item->FOffsetY = d.OffsetY;
  TBitmap* img = item->GetImage(0);
  if (img) {
    TBitmapPtr owned(img == item->CacheBmp ? nullptr : img);
    AddAsIcon(img, -1);
  }
  return item->Index();
}

Integer TsCharImageList::FontIndex(const String& aFontName) const {
  for (Integer i = 0; i < FEmbeddedFonts->Count(); ++i)
    if (SameText(FEmbeddedFonts->Items(i)->FontName(), aFontName)) return i;
  return -1;
}

bool TsCharImageList::AddEmbeddedFont(const String& fileName, const String& fontName) {
  if (GetFileAttributesW(WideStr(fileName)) == INVALID_FILE_ATTRIBUTES) return false;
  if (FontIndex(fontName) >= 0) return true;
  TkvListFont* font = FEmbeddedFonts->Add();
  font->SetFileName(fileName);
  font->SetFontName(fontName);
  font->FontData->LoadFromFile(fileName);
  font->LoadFont();
  return true;
}

void TsCharImageList::LoadAllFonts() {
  for (Integer i = 0; i < FEmbeddedFonts->Count(); ++i) FEmbeddedFonts->Items(i)->LoadFont();
}

void ScaleImageList(TkvImageList* imgList, Integer ppi) {
  auto* list = dynamic_cast<TsCharImageList*>(imgList);
  if (!SetImagesPPI(imgList, ppi) || !list || !list->AllowScale()) return;
  list->KvBeginUpdate();
  list->KillImgList();
  list->SetSize(GetImageWidth(list, -1, ppi, false), GetImageHeight(list, -1, ppi, false));
  list->GenerateStdList(clNone);
  list->KvEndUpdate(true);
}

void SetBaseColor(TkvImageList* imgList, Integer baseColor) {
  auto* list = dynamic_cast<TsCharImageList*>(imgList);
  if (!list) return;
  list->KvBeginUpdate();
  list->KillImgList();
  if (TkvManagerLink* manager = DefaultManagerLink()) list->PixelsPerInch = manager->Options().PixelsPerInch;
  list->GenerateStdList(static_cast<TColor>(baseColor));
  list->PixelsPerInch = 96;
  list->ForeColor = clNone;
  list->KvEndUpdate(true);
}

// ---- glyph outline contours ------------------------------------------------------------------

TkvStrokeCollection* GetCharacterGlyphs(TCanvas* aCanvas, Char charCode) {
  TFont font;
  font.Assign(aCanvas->Font());
  font.SetSize(512);
  TMemoryDC dc(nullptr);
  if (!dc.get()) return nullptr;
  TSelectObject sel(dc.get(), font.Handle());
  GLYPHMETRICS metrics{};
  // Each element a whole 1 plus 1/65536, as the platform's identity with rounding room.
  MAT2 matrix{};
  matrix.eM11 = {1, 1};
  matrix.eM12 = {1, 0};
  matrix.eM21 = {1, 0};
  matrix.eM22 = {1, 1};
  const DWORD size = GetGlyphOutlineW(dc.get(), charCode, GGO_NATIVE, &metrics, 0, nullptr, &matrix);
  if (size == 0 || size == GDI_ERROR) return nullptr;
  std::vector<Byte> buffer(size);
  if (GetGlyphOutlineW(dc.get(), charCode, GGO_NATIVE, &metrics, size, buffer.data(), &matrix) == GDI_ERROR)
    return nullptr;
  auto strokes = std::make_unique<TkvStrokeCollection>();
  ParseGlyphOutline(buffer.data(), buffer.size(), *strokes);
  return strokes->Count() ? strokes.release() : nullptr;
}

void DrawContour(TCanvas* aCanvas, Char aChar, TRect& aRect, Integer aLineWidth, Integer aAngle, bool calcRect) {
  if (!aCanvas) return;
  std::unique_ptr<TkvStrokeCollection> strokes(GetCharacterGlyphs(aCanvas, aChar));
  if (!strokes) return;
  const TkvContourFit fit = FitContour(*strokes, aRect, aCanvas->Font()->Height(), calcRect);
  if (fit.Empty) return;
  if (calcRect) {
    aRect = fit.Rect;
    return;
  }
  const TkvPointF center{aRect.Width() / 2.0f + aRect.Left, aRect.Height() / 2.0f + aRect.Top};
  TCanvasLock lock(*aCanvas);
  for (const std::vector<TPoint>& polygon : fit.Polygons) {
    if (polygon.empty()) continue;
    TkvGpPoints points;
    points.reserve(polygon.size());
    for (TPoint p : polygon) points.push_back({float(p.X), float(p.Y)});
    if (aAngle != 0) kvgpRotatePoints(points, center, 360 - aAngle);
    kvgpDrawPolygon(aCanvas->Handle(), 0, points.data(), static_cast<Integer>(points.size()), float(aLineWidth));
  }
}

// ---- 8. Drawing any image list -----------------------------------------------------------------

bool SetImagesPPI(TCustomImageList* imgList, Integer ppi) {
  TkvImageList* list = nullptr;
  if (auto* alpha = dynamic_cast<TsAlphaImageList*>(imgList))
    list = alpha;
  else if (auto* chars = dynamic_cast<TsCharImageList*>(imgList); chars && chars->AllowScale())
    list = chars;
  if (!list || list->PixelsPerInch == ppi) return false;
  list->PixelsPerInch = ppi;
  return true;
}

void SetImagesState(TCustomImageList* imgList, Integer aState) {
  if (auto* chars = dynamic_cast<TsCharImageList*>(imgList)) chars->State = aState;
}

TSize DrawAlphaImgList(TCustomImageList* imgList, TBitmap* destBmp, Integer left, Integer top, Integer imageIndex,
                       Integer blend, TColor grayedColor, Integer state, Integer numGlyphs, bool reflected,
                       Integer ppi) {
  if (!imgList || !destBmp || destBmp->Width() == 0 || !imgList->HandleAllocated() || imageIndex < 0) return TSize();
  const Integer w = GetImageWidth(imgList, imageIndex, ppi, false), h = GetImageHeight(imgList, imageIndex, ppi, false);
  TkvGlyphCell cell = GlyphCellOf(left, top, w, h, numGlyphs, state);
  if (imgList->TCustomImageList::GetBkColor() != clNone) {
    TCanvasLock lock(*destBmp->Canvas());
    FillDC(destBmp->Canvas()->Handle(), cell.Dst, imgList->TCustomImageList::GetBkColor(), 0);
  }
  SetImagesPPI(imgList, ppi);
  TScopeExit restorePPI([&] { SetImagesPPI(imgList, 96); });
  const TColor fontColor = destBmp->Canvas()->Font()->Color();
  if (auto* list = dynamic_cast<TkvImageList*>(imgList)) {
    if (auto* chars = dynamic_cast<TsCharImageList*>(list))
      chars->SetCharColor(fontColor, imageIndex, destBmp->Canvas()->Font()->Size() == 0);
    else
      list->ForeColor = fontColor;
    TBitmapPtr bmp;
    {
      TScopeExit plain([&] {
        if (state > 0) SetImagesState(list, 0);
        list->ForeColor = clNone;
      });
      if (state > 0) SetImagesState(list, state);
      bmp.reset(list->CreateBitmap32(imageIndex, w, h, 0));
    }
    if (bmp) {
      TRect& r1 = cell.Dst;
      TRect& r2 = cell.Src;
      if (r2.Left < 0) {
        r1.Left -= r2.Left;
        r2.Left = 0;
      }
      if (r2.Top < 0) {
        r1.Top -= r2.Top;
        r2.Top = 0;
      }
      r2.Right = std::min(r2.Right, bmp->Width());
      r2.Bottom = std::min(r2.Bottom, bmp->Height());
      if (list->IgnoreTransparency)
        CopyPixels(destBmp->View(), r1.Left, r1.Top, bmp->View(), MkRect(bmp.get()));
      else
        CopyBmp32(r1, r2, destBmp, bmp.get(), EmptyCI, false, grayedColor, blend, reflected);
    }
  } else {
    // A plain list has no alpha of its own: it draws onto a copy of what lies beneath.
    TBitmapPtr work(CreateBmp32(w, h));
    if (!work->Empty()) {
      CopyPixels(work->View(), cell.Src.Left, cell.Src.Top, destBmp->View(), cell.Dst);
      work->Canvas()->Font()->SetColor(fontColor);
      imgList->Draw(work->Canvas(), 0, 0, imageIndex, true);
      CopyPixels(destBmp->View(), cell.Dst.Left, cell.Dst.Top, work->View(), cell.Src);
    }
  }
  return cell.Size;
}

void DrawAlphaImgListDC(TCustomImageList* imgList, HDC dc, Integer left, Integer top, Integer imageIndex, Integer blend,
                        TColor grayedColor, Integer state, Integer numGlyphs, bool reflected, Integer ppi) {
  if (!imgList || !dc) return;
  Integer w = GetImageWidth(imgList, imageIndex, ppi, false), h = GetImageHeight(imgList, imageIndex, ppi, false);
  TBitmapPtr work(CreateBmp32(0, 0));
  if (auto* chars = dynamic_cast<TsCharImageList*>(imgList)) {
    work->Canvas()->Font()->SetColor(chars->ForeColor);
    if (reflected && imageIndex >= 0 && imageIndex < chars->Items()->Count())
      h += RoundInt(chars->Items()->Items(imageIndex)->ScalingFactor() * GetImageHeight(chars, -1, ppi, false)) / 2;
    if (imageIndex >= 0 && imageIndex < chars->Items()->Count() && chars->Items()->Items(imageIndex)->Color() != clNone)
      work->Canvas()->Font()->SetSize(0);
  } else if (reflected) {
    h += GetImageHeight(imgList, -1, ppi, false) / 2;
  }
  work->SetSize(w, h);
  if (work->Empty()) return;
  TCanvasLock lock(*work->Canvas());
  BitBlt(work->Canvas()->Handle(), 0, 0, w, h, dc, left, top, SRCCOPY);
  DrawAlphaImgList(imgList, work.get(), 0, 0, imageIndex, blend, grayedColor, state, numGlyphs, reflected, ppi);
  BitBlt(dc, left, top, w, h, work->Canvas()->Handle(), 0, 0, SRCCOPY);
}

// ---- 9. Start-up and clean-up ------------------------------------------------------------------

void kvAlphaImageListStartup() {
  if (awFont) return;
  try {
    TResourceStream font(nullptr, u"awFont", RT_RCDATA_ID);
    DWORD count = 0;
    awFont =
        AddFontMemResourceEx(const_cast<Byte*>(font.Memory()), static_cast<DWORD>(font.GetSize()), nullptr, &count);
    FontsCount = awFont ? static_cast<Integer>(count) : 0;
  } catch (const EResNotFound&) {
    // A program without the resource draws its icon-font glyphs in whatever font stands in.
  }
}

void kvAlphaImageListCleanup() {
  if (awFont) RemoveFontMemResourceEx(awFont);
  awFont = nullptr;
  FontsCount = 0;
  delete kvListsArray;
  kvListsArray = nullptr;
}
