#include "ImgList.h"

#include <windows.h>
// The stream functions of commctrl.h exist only when IStream is declared first.
#include <objidl.h>
#include <commctrl.h>

#include <commctrl.h>

#include <algorithm>

#include "Canvas.h"
#include "GdiScopes.h"
#include "Graphics.h"
#include "ScopeGuard.h"

// ---- the change link ----------------------------------------------------------------------

TChangeLink::~TChangeLink() {
  if (sender_) sender_->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(sender_);
}

// ---- a COM stream over a TStream (what ImageList_Read and ImageList_Write take) ---------------

namespace {

class TStreamAdapter final : public IStream {
 public:
  explicit TStreamAdapter(TStream& stream) : stream_(stream) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ISequentialStream) || IsEqualIID(riid, IID_IStream)) {
      *object = static_cast<IStream*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // Lives on the caller's stack for one call; counting keeps COM's rules without freeing.
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }

  HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* read) override {
    try {
      const Integer n = stream_.Read(pv, static_cast<Integer>(std::min<ULONG>(cb, 0x7FFFFFFF)));
      if (read) *read = static_cast<ULONG>(n);
      return static_cast<ULONG>(n) == cb ? S_OK : S_FALSE;
    } catch (const Exception&) { return STG_E_READFAULT; }
  }
  HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* written) override {
    try {
      const Integer n = stream_.Write(pv, static_cast<Integer>(std::min<ULONG>(cb, 0x7FFFFFFF)));
      if (written) *written = static_cast<ULONG>(n);
      return static_cast<ULONG>(n) == cb ? S_OK : STG_E_CANTSAVE;
    } catch (const Exception&) { return STG_E_CANTSAVE; }
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPos) override {
    if (origin > STREAM_SEEK_END) return STG_E_INVALIDFUNCTION;
    try {
      const Int64 pos = stream_.Seek(move.QuadPart, static_cast<TSeekOrigin>(origin));
      if (newPos) newPos->QuadPart = static_cast<ULONGLONG>(pos);
      return S_OK;
    } catch (const Exception&) { return STG_E_INVALIDPOINTER; }
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override {
    try {
      stream_.SetSize(static_cast<Int64>(size.QuadPart));
      return S_OK;
    } catch (const Exception&) { return E_FAIL; }
  }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return STG_E_REVERTED; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    if (!stat) return STG_E_INVALIDPOINTER;
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    try {
      stat->cbSize.QuadPart = static_cast<ULONGLONG>(stream_.GetSize());
    } catch (const Exception&) { return E_FAIL; }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

 private:
  TStream& stream_;
  ULONG refs_ = 1;
};

[[noreturn]] void ImageIndexError() { throw EInvalidOperation("Invalid ImageList Index"); }

// The comctl32 value of a colour: CLR_NONE for clNone, CLR_DEFAULT for clDefault.
COLORREF ListColor(TColor c) {
  if (c == clNone) return CLR_NONE;
  if (c == clDefault) return CLR_DEFAULT;
  return ColorToRGB(c);
}

}  // namespace

// ---- TCustomImageList -------------------------------------------------------------------------

TW_DEFINE_CLASS(TCustomImageList) {
  // Counting may bring a list up to date, so it is not a const operation.
  b.Binary(
       u"Bitmap", [](TCustomImageList& l, TStream& s) { l.ReadData(s); },
       [](const TCustomImageList& l, TStream& s) { l.WriteData(s); })
      .Stored([](const TCustomImageList& l) { return const_cast<TCustomImageList&>(l).Count() > 0; });
}

TW_DEFINE_CLASS(TImageList) {
  b.Property(u"AllocBy", &TImageList::AllocBy, &TImageList::SetAllocBy)
      .Default(4)
      .Color(u"BkColor", &TImageList::GetBkColor, &TImageList::SetBkColor)
      .Default(clNone)
      .Color(u"BlendColor", &TImageList::BlendColor, &TImageList::SetBlendColor)
      .Default(clNone)
      .Property(u"ColorDepth", &TImageList::ColorDepth, &TImageList::SetColorDepth)
      .Default(cdDeviceDependent)
      .Property(u"DrawingStyle", &TImageList::DrawingStyle, &TImageList::SetDrawingStyle)
      .Default(dsNormal)
      .Property(u"Height", &TImageList::Height, [](TImageList& l, Integer v) { l.SetHeight(v); })
      .Default(16)
      .Property(u"ImageType", &TImageList::ImageType, &TImageList::SetImageType)
      .Default(itImage)
      .Property(u"Masked", &TImageList::Masked, &TImageList::SetMasked)
      .Default(true)
      .Property(u"ShareImages", &TImageList::ShareImages, &TImageList::SetShareImages)
      .Default(false)
      .Property(u"Width", &TImageList::Width, [](TImageList& l, Integer v) { l.SetWidth(v); })
      .Default(16)
      .Property(u"OnChange", &TImageList::OnChange, &TImageList::SetOnChange);
}

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::~TCustomImageList() {
  for (TChangeLink* link : clients_) link->sender_ = nullptr;
  clients_.clear();
  FreeHandle();
}

Cardinal TCustomImageList::CreateFlags() const {
  static const Cardinal depth[] = {ILC_COLORDDB, ILC_COLOR4, ILC_COLOR8, ILC_COLOR16, ILC_COLOR24, ILC_COLOR32};
  return depth[colorDepth_] | (masked_ ? ILC_MASK : 0);
}

void TCustomImageList::CreateImageList() {
  handle_ = ImageList_Create(width_, height_, CreateFlags(), allocBy_, allocBy_);
  if (!handle_) throw EInvalidOperation("Error creating image list");
  if (bkColor_ != clNone) ImageList_SetBkColor(handle_, ListColor(bkColor_));
}

HIMAGELIST TCustomImageList::Handle() {
  if (!handle_) CreateImageList();
  return handle_;
}

void TImageListHandleTraits::Close(HIMAGELIST h) { ImageList_Destroy(h); }

void TCustomImageList::FreeHandle() {
  if (handle_ && !shareImages_) ImageList_Destroy(handle_);
  handle_ = nullptr;
}

void TCustomImageList::SetHandle(HIMAGELIST handle) {
  FreeHandle();
  handle_ = handle;
  if (handle_) SetNewDimensions(handle_);
  Change();
}

void TCustomImageList::SetNewDimensions(HIMAGELIST value) {
  int w = 0, h = 0;
  if (value && ImageList_GetIconSize(value, &w, &h)) {
    width_ = w;
    height_ = h;
  }
}

void TCustomImageList::SetWidth(Integer value) { SetSize(value, height_); }
void TCustomImageList::SetHeight(Integer value) { SetSize(width_, value); }

void TCustomImageList::SetSize(Integer width, Integer height) {
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  if (handle_) ImageList_SetIconSize(handle_, width_, height_);  // empties the list
  Change();
}

Integer TCustomImageList::GetCount() { return handle_ ? ImageList_GetImageCount(handle_) : 0; }

void TCustomImageList::SetMasked(bool v) {
  if (masked_ == v) return;
  masked_ = v;
  if (handle_) {
    FreeHandle();
    Change();
  }
}

void TCustomImageList::SetColorDepth(TColorDepth v) {
  if (colorDepth_ == v) return;
  colorDepth_ = v;
  if (handle_) {
    FreeHandle();
    Change();
  }
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle v) {
  if (drawingStyle_ == v) return;
  drawingStyle_ = v;
  Change();
}

TColor TCustomImageList::GetBkColor() const {
  if (!handle_) return bkColor_;
  const COLORREF c = ImageList_GetBkColor(handle_);
  return c == CLR_NONE ? clNone : c == CLR_DEFAULT ? clDefault : c;
}

void TCustomImageList::SetBkColor(TColor v) {
  bkColor_ = v;
  if (handle_) ImageList_SetBkColor(handle_, ListColor(v));
  Change();
}

void TCustomImageList::SetBlendColor(TColor v) {
  if (blendColor_ == v) return;
  blendColor_ = v;
  Change();
}

Integer TCustomImageList::Add(TBitmap* image, TBitmap* mask) {
  if (!image) return -1;
  HIMAGELIST h = Handle();
  // The list selects the bitmaps into DCs of its own: their canvases must let go of them.
  image->ReleaseCanvasDC();
  if (mask) mask->ReleaseCanvasDC();
  const int index = ImageList_Add(h, image->Handle(), mask ? mask->Handle() : nullptr);
  Change();
  return index;
}

Integer TCustomImageList::AddIconHandle(HICON icon) {
  if (!icon) return -1;
  const int index = ImageList_ReplaceIcon(Handle(), -1, icon);
  Change();
  return index;
}

Integer TCustomImageList::AddImage(TCustomImageList* value, Integer index) {
  if (!value || !value->HandleAllocated() || index < 0 || index >= value->Count()) return -1;
  TOwnedIcon icon(ImageList_GetIcon(value->Handle(), index, ILD_TRANSPARENT));
  return AddIconHandle(icon.get());
}

void TCustomImageList::CopyImages(TCustomImageList* value) {
  if (!value || !value->HandleAllocated()) return;
  auto update = UpdateScope(*this);
  for (Integer i = 0; i < value->Count(); ++i) {
    TOwnedIcon icon(ImageList_GetIcon(value->Handle(), i, ILD_TRANSPARENT));
    if (icon) ImageList_ReplaceIcon(Handle(), -1, icon.get());
  }
  Change();
}

void TCustomImageList::Replace(Integer index, TBitmap* image, TBitmap* mask) {
  if (!handle_ || index < 0 || index >= Count()) ImageIndexError();
  if (!image) return;
  image->ReleaseCanvasDC();
  if (mask) mask->ReleaseCanvasDC();
  ImageList_Replace(handle_, index, image->Handle(), mask ? mask->Handle() : nullptr);
  Change();
}

void TCustomImageList::Delete(Integer index) {
  if (index >= Count()) ImageIndexError();
  if (handle_) ImageList_Remove(handle_, index);
  Change();
}

void TCustomImageList::Move(Integer curIndex, Integer newIndex) {
  const Integer count = Count();
  if (curIndex < 0 || curIndex >= count || newIndex < 0 || newIndex >= count) ImageIndexError();
  if (curIndex == newIndex) return;
  // The moving image is kept aside while the ones between step over by one; icons keep
  // the alpha channel of 32-bit lists.
  TOwnedIcon moving(ImageList_GetIcon(handle_, curIndex, ILD_TRANSPARENT));
  const Integer step = newIndex > curIndex ? 1 : -1;
  for (Integer i = curIndex; i != newIndex; i += step) {
    TOwnedIcon next(ImageList_GetIcon(handle_, i + step, ILD_TRANSPARENT));
    ImageList_ReplaceIcon(handle_, i, next.get());
  }
  ImageList_ReplaceIcon(handle_, newIndex, moving.get());
  Change();
}

void TCustomImageList::Clear() {
  if (handle_) ImageList_Remove(handle_, -1);
  Change();
}

bool TCustomImageList::GetBitmap(Integer index, TBitmap* image) {
  if (!image || !handle_ || index < 0 || index >= Count()) return false;
  image->SetSize(width_, height_);
  TCanvasLock lock(*image->Canvas());
  return ImageList_Draw(handle_, index, image->Canvas()->Handle(), 0, 0, ILD_NORMAL) != FALSE;
}

void TCustomImageList::Draw(TCanvas* canvas, Integer x, Integer y, Integer index, bool enabled) {
  if (!handle_ || !canvas) return;
  static const Cardinal styles[] = {ILD_FOCUS, ILD_SELECTED, ILD_NORMAL, ILD_TRANSPARENT};
  Cardinal style = styles[drawingStyle_];
  if (imageType_ == itMask) style |= ILD_MASK;
  DoDraw(index, canvas, x, y, style, enabled);
}

void TCustomImageList::DoDraw(Integer index, TCanvas* canvas, Integer x, Integer y, Cardinal style, bool enabled) {
  if (!handle_ || index < 0 || index >= Count()) return;
  TCanvasLock lock(*canvas);
  // A disabled image is drawn half blended into the blend colour (the system's highlight
  // colour when the list has none).
  if (!enabled) style |= ILD_BLEND50;
  ImageList_DrawEx(handle_, index, canvas->Handle(), x, y, 0, 0, ListColor(GetBkColor()),
                   blendColor_ == clNone ? CLR_DEFAULT : ListColor(blendColor_), style);
}

void TCustomImageList::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
  if (updateCount_ == 0 && changed_) Change();
}

void TCustomImageList::Change() {
  changed_ = true;
  if (updateCount_ > 0) return;
  changed_ = false;
  // A link may unregister itself while it is told.
  const std::vector<TChangeLink*> clients = clients_;
  for (TChangeLink* link : clients)
    if (std::find(clients_.begin(), clients_.end(), link) != clients_.end()) link->Change();
  if (onChange_) onChange_(this);
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
  if (!link || std::find(clients_.begin(), clients_.end(), link) != clients_.end()) return;
  if (link->sender_) link->sender_->UnRegisterChanges(link);
  link->sender_ = this;
  clients_.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
  auto it = std::find(clients_.begin(), clients_.end(), link);
  if (it == clients_.end()) return;
  clients_.erase(it);
  link->sender_ = nullptr;
}

void TCustomImageList::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TCustomImageList*>(source);
  if (!source) {
    FreeHandle();
    Change();
    return;
  }
  if (!src) {
    TComponent::Assign(source);
    return;
  }
  if (src == this) return;
  auto* list = const_cast<TCustomImageList*>(src);
  auto update = UpdateScope(*this);
  Clear();
  masked_ = src->masked_;
  imageType_ = src->imageType_;
  drawingStyle_ = src->drawingStyle_;
  shareImages_ = src->shareImages_;
  colorDepth_ = src->colorDepth_;
  FreeHandle();
  width_ = src->width_;
  height_ = src->height_;
  if (src->handle_) SetNewDimensions(src->handle_);
  Handle();
  bkColor_ = src->GetBkColor();
  if (bkColor_ != clNone) ImageList_SetBkColor(handle_, ListColor(bkColor_));
  blendColor_ = src->blendColor_;
  CopyImages(list);
  Change();
}

void TCustomImageList::Loaded() {
  TComponent::Loaded();
  Change();
}

void TCustomImageList::ReadData(TStream& stream) {
  TStreamAdapter adapter(stream);
  HIMAGELIST read = ImageList_Read(&adapter);
  if (!read) throw EReadError("Failed to read ImageList data from stream");
  SetHandle(read);
}

void TCustomImageList::WriteData(TStream& stream) const {
  if (!handle_) return;
  TStreamAdapter adapter(stream);
  // The down-level form (readable by every comctl32) where the system has ImageList_WriteEx;
  // looked up on every call, as it is not in every comctl32.
  using TWriteEx = HRESULT(WINAPI*)(HIMAGELIST, DWORD, IStream*);
  auto writeEx = reinterpret_cast<TWriteEx>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"comctl32.dll"), "ImageList_WriteEx")));
  const bool ok =
      writeEx ? SUCCEEDED(writeEx(handle_, ILP_DOWNLEVEL, &adapter)) : ImageList_Write(handle_, &adapter) != FALSE;
  if (!ok) throw EWriteError("Failed to write ImageList data to stream");
}

bool ReplaceImageList(TComponent* client, TCustomImageList*& field, TCustomImageList* value, TChangeLink* link) {
  if (field == value) return false;
  if (field && link) field->UnRegisterChanges(link);
  ReplaceReference(client, field, value);
  if (value && link) value->RegisterChanges(link);
  return true;
}
