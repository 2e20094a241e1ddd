// TCustomImageList and TImageList: a list of equally sized images kept in a comctl32 image
// list, the way the class library has it; TChangeLink lets a control hear of changes to a
// list it uses. Windows only (the list is a comctl32 handle).
//
//   TImageList list(owner);  list.SetWidth(24);  list.SetHeight(24);
//   list.Add(bmp, nullptr);  list.Draw(canvas, x, y, 0);
//
// The comctl32 list is made on first use of Handle() at the list's size; a size change
// empties it. With ShareImages the list never destroys a handle it was given.
// The stored binary property "Bitmap" holds the images as comctl32 writes an image list.
#pragma once

#ifdef _WIN32

#include <vector>

#include "Bitmap.h"
#include "Classes.h"
#include "Events.h"
#include "TypInfo.h"
#include "UniqueHandle.h"
#include "WinFwd.h"

struct _IMAGELIST;
typedef struct _IMAGELIST* HIMAGELIST;

// A comctl32 list of one's own, destroyed with its holder.
struct TImageListHandleTraits {
  using Handle = HIMAGELIST;
  static HIMAGELIST Invalid() { return nullptr; }
  static void Close(HIMAGELIST h);
};
using TOwnedImageList = TUniqueHandle<TImageListHandleTraits>;

class TCanvas;
class TCustomImageList;

TW_ENUM(TColorDepth, cdDeviceDependent, cd4Bit, cd8Bit, cd16Bit, cd24Bit, cd32Bit)
TW_ENUM(TDrawingStyle, dsFocus, dsSelected, dsNormal, dsTransparent)
TW_ENUM(TImageType, itImage, itMask)

// Tells its owner of every change of the list it is registered with.
class TChangeLink : public TObject {
 public:
  ~TChangeLink() override;  // unregisters itself
  TCustomImageList* Sender() const { return sender_; }
  TNotifyEvent OnChange;
  virtual void Change();  // calls OnChange with the list

 private:
  friend class TCustomImageList;
  TCustomImageList* sender_ = nullptr;
};

class TCustomImageList : public TComponent {
  TW_CLASS(TCustomImageList, TComponent)
  explicit TCustomImageList(TComponent* owner);
  ~TCustomImageList() override;

  // The comctl32 list, made at the list's size on first use.
  HIMAGELIST Handle();
  // Takes another list (nullptr: none); the old one is destroyed unless ShareImages. The
  // width and height follow the new list's image size.
  void SetHandle(HIMAGELIST handle);
  bool HandleAllocated() const { return handle_ != nullptr; }

  Integer Width() const { return width_; }
  Integer Height() const { return height_; }
  // A new size empties the list.
  virtual void SetWidth(Integer value);
  virtual void SetHeight(Integer value);
  void SetSize(Integer width, Integer height);

  // Lists that keep more than the comctl32 list may update themselves while counting.
  Integer Count() { return GetCount(); }
  virtual Integer GetCount();

  bool Masked() const { return masked_; }
  void SetMasked(bool v);
  TImageType ImageType() const { return imageType_; }
  void SetImageType(TImageType v) { imageType_ = v; }
  TDrawingStyle DrawingStyle() const { return drawingStyle_; }
  void SetDrawingStyle(TDrawingStyle v);
  bool ShareImages() const { return shareImages_; }
  void SetShareImages(bool v) { shareImages_ = v; }
  TColorDepth ColorDepth() const { return colorDepth_; }
  void SetColorDepth(TColorDepth v);
  Integer AllocBy() const { return allocBy_; }
  void SetAllocBy(Integer v) { allocBy_ = v; }
  // The colour behind the images (clNone: transparent); the comctl32 list's when it exists.
  virtual TColor GetBkColor() const;
  virtual void SetBkColor(TColor v);
  TColor BlendColor() const { return blendColor_; }
  void SetBlendColor(TColor v);

  TNotifyEvent OnChange() const { return onChange_; }
  void SetOnChange(TNotifyEvent e) { onChange_ = e; }

  // The index of the new image; -1 when comctl32 refuses it. mask may be null.
  virtual Integer Add(TBitmap* image, TBitmap* mask);
  // An icon handle (the caller keeps it); the index of the new image or -1.
  Integer AddIconHandle(HICON icon);
  // Copies image index of value to the end; the index of the new image (or -1).
  virtual Integer AddImage(TCustomImageList* value, Integer index);
  virtual void Replace(Integer index, TBitmap* image, TBitmap* mask);
  // Raises EInvalidOperation "Invalid ImageList Index" for an index that is not an image.
  virtual void Delete(Integer index);
  virtual void Move(Integer curIndex, Integer newIndex);
  virtual void Clear();
  // Draws the image onto image's canvas at the list's size; False for a bad index.
  bool GetBitmap(Integer index, TBitmap* image);
  void Draw(TCanvas* canvas, Integer x, Integer y, Integer index, bool enabled = true);

  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  void RegisterChanges(TChangeLink* link);
  void UnRegisterChanges(TChangeLink* link);

  void Assign(const TPersistent* source) override;
  void Loaded() override;

  // The "Bitmap" property: the images as comctl32 writes an image list.
  virtual void ReadData(TStream& stream);
  virtual void WriteData(TStream& stream) const;

  // Notifies the change links and OnChange (deferred while an update is open).
  virtual void Change();

 protected:
  virtual void DoDraw(Integer index, TCanvas* canvas, Integer x, Integer y, Cardinal style, bool enabled);
  // Copies every image of another list to the end of this one.
  virtual void CopyImages(TCustomImageList* value);
  // Takes width and height from a comctl32 list's image size (the list is not touched).
  void SetNewDimensions(HIMAGELIST value);
  // The ILC_ flags the list is made with.
  Cardinal CreateFlags() const;
  void FreeHandle();

  Integer width_ = 16;
  Integer height_ = 16;

 private:
  void CreateImageList();

  HIMAGELIST handle_ = nullptr;
  bool masked_ = true;
  TImageType imageType_ = itImage;
  TDrawingStyle drawingStyle_ = dsNormal;
  bool shareImages_ = false;
  TColorDepth colorDepth_ = cdDeviceDependent;
  Integer allocBy_ = 4;
  TColor bkColor_ = clNone;
  TColor blendColor_ = clNone;
  TNotifyEvent onChange_;
  std::vector<TChangeLink*> clients_;
  Integer updateCount_ = 0;
  bool changed_ = false;
};

// ReplaceReference for a control's image list whose changes link (when given) follows: the
// link moves from the old list to the new one with the free notification.
bool ReplaceImageList(TComponent* client, TCustomImageList*& field, TCustomImageList* value,
                      TChangeLink* link = nullptr);

// The image list a form description places: TCustomImageList with its properties published.
class TImageList : public TCustomImageList {
  TW_CLASS(TImageList, TCustomImageList)
  using TCustomImageList::TCustomImageList;
};

#endif
