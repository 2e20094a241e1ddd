// The class library's image list over comctl32: images, sizes, change links, order, the
// stored "Bitmap" property, shared handles, and no leaked handle.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>

#include "support/GdiTracker.h"
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"
#include "ui/ImgList.h"

namespace {

// A w x h 32-bit bitmap of one opaque colour (0xRRGGBB).
std::unique_ptr<TBitmap> Solid(int w, int h, uint32_t rgb) {
  auto bmp = std::make_unique<TBitmap>(w, h, pf32bit);
  TPixelView v = bmp->View();
  const uint32_t pixel = 0xFF000000 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF) | (rgb & 0xFF) << 16;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) v.At(x, y) = pixel;
  return bmp;
}

// The colour (0xRRGGBB) at the centre of image index, drawn onto white.
uint32_t CentreOf(TCustomImageList& list, int index) {
  TBitmap bmp(list.Width(), list.Height(), pf32bit);
  TPixelView v = bmp.View();
  for (int y = 0; y < v.Height; ++y)
    for (int x = 0; x < v.Width; ++x) v.At(x, y) = 0xFFFFFFFF;
  EXPECT_TRUE(list.GetBitmap(index, &bmp));
  const uint32_t p = bmp.View().At(list.Width() / 2, list.Height() / 2);
  return (p >> 16 & 0xFF) | (p & 0xFF00) | (p & 0xFF) << 16;
}

struct Counter {
  int Changes = 0;
  void Changed(TObject*) { ++Changes; }
};

}  // namespace

TEST(ImageList, ImagesAreAddedReplacedMovedAndDeleted) {
  TImageList list(nullptr);
  list.SetColorDepth(cd32Bit);
  EXPECT_EQ(list.Width(), 16);
  EXPECT_EQ(list.Height(), 16);
  EXPECT_FALSE(list.HandleAllocated());
  EXPECT_EQ(list.Count(), 0);
  const uint32_t colors[] = {0xFF0000, 0x00FF00, 0x0000FF};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(list.Add(Solid(16, 16, colors[i]).get(), nullptr), i);
  EXPECT_TRUE(list.HandleAllocated());
  ASSERT_EQ(list.Count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(CentreOf(list, i), colors[i]) << i;

  list.Move(0, 2);  // the others keep their order
  EXPECT_EQ(CentreOf(list, 0), 0x00FF00u);
  EXPECT_EQ(CentreOf(list, 1), 0x0000FFu);
  EXPECT_EQ(CentreOf(list, 2), 0xFF0000u);
  list.Move(2, 0);
  EXPECT_EQ(CentreOf(list, 0), 0xFF0000u);
  EXPECT_EQ(CentreOf(list, 2), 0x0000FFu);

  list.Replace(1, Solid(16, 16, 0x808080).get(), nullptr);
  EXPECT_EQ(CentreOf(list, 1), 0x808080u);
  list.Delete(0);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(CentreOf(list, 0), 0x808080u);
  EXPECT_THROW(list.Delete(5), EInvalidOperation);
  EXPECT_THROW(list.Move(0, 9), EInvalidOperation);
  TBitmap out;
  EXPECT_FALSE(list.GetBitmap(7, &out));
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(ImageList, BitmapsDrawnThroughTheirCanvasAreTakenWhole) {
  // The canvas's DC holds the bitmap selected; the list must still get its pixels.
  TImageList list(nullptr);
  auto drawn = std::make_unique<TBitmap>(16, 16, pf24bit);
  drawn->Canvas()->Brush()->SetColor(clLime);
  drawn->Canvas()->FillRect({0, 0, 16, 16});
  ASSERT_TRUE(drawn->Canvas()->HandleAllocated());
  EXPECT_EQ(list.Add(drawn.get(), nullptr), 0);
  EXPECT_EQ(CentreOf(list, 0), 0x00FF00u);
  drawn->Canvas()->Brush()->SetColor(clGray);  // the canvas works on afterwards
  drawn->Canvas()->FillRect({0, 0, 16, 16});
  list.Replace(0, drawn.get(), nullptr);
  EXPECT_EQ(CentreOf(list, 0), 0x808080u);
}

TEST(ImageList, ANewSizeEmptiesTheListAndChangeLinksHearOfIt) {
  TImageList list(nullptr);
  Counter onChange, linked;
  list.SetOnChange(TNotifyEvent(&onChange, &Counter::Changed));
  auto link = std::make_unique<TChangeLink>();
  link->OnChange = TNotifyEvent(&linked, &Counter::Changed);
  list.RegisterChanges(link.get());
  EXPECT_EQ(link->Sender(), &list);

  list.Add(Solid(16, 16, 0xFF0000).get(), nullptr);
  EXPECT_EQ(onChange.Changes, 1);
  EXPECT_EQ(linked.Changes, 1);
  list.SetSize(24, 20);
  EXPECT_EQ(list.Count(), 0);
  int w = 0, h = 0;
  ImageList_GetIconSize(list.Handle(), &w, &h);
  EXPECT_EQ(w, 24);
  EXPECT_EQ(h, 20);
  EXPECT_EQ(linked.Changes, 2);

  // An update defers the notice to its end, once.
  list.BeginUpdate();
  list.Add(Solid(24, 20, 0xFF0000).get(), nullptr);
  list.Add(Solid(24, 20, 0xFF0000).get(), nullptr);
  EXPECT_EQ(linked.Changes, 2);
  list.EndUpdate();
  EXPECT_EQ(linked.Changes, 3);

  // A link that goes away unregisters itself; a list that goes away lets go of its links.
  link.reset();
  list.Add(Solid(24, 20, 0xFF0000).get(), nullptr);
  EXPECT_EQ(linked.Changes, 3);
  TChangeLink survivor;
  {
    TImageList other(nullptr);
    other.RegisterChanges(&survivor);
  }
  EXPECT_EQ(survivor.Sender(), nullptr);
}

TEST(ImageList, TheBitmapPropertyCarriesTheImages) {
  TImageList list(nullptr);
  list.SetColorDepth(cd32Bit);
  list.Add(Solid(16, 16, 0x0000FF).get(), nullptr);
  list.Add(Solid(16, 16, 0x00FF00).get(), nullptr);
  const TPropInfo* p = GetPropInfo(&list, u"Bitmap");
  ASSERT_NE(p, nullptr);
  ASSERT_EQ(p->Kind, TTypeKind::Binary);
  TMemoryStream value;
  p->WriteData(list, value);
  EXPECT_GT(value.GetSize(), 0);
  value.SetPosition(0);
  TImageList back(nullptr);
  p->ReadData(back, value);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.Width(), 16);
  EXPECT_EQ(CentreOf(back, 1), 0x00FF00u);

  TMemoryStream garbage;
  garbage.WriteBuffer("not an image list", 17);
  garbage.SetPosition(0);
  EXPECT_THROW(p->ReadData(back, garbage), EReadError);
}

TEST(ImageList, SharedHandlesAreNeverDestroyed) {
  HIMAGELIST shared = ImageList_Create(20, 10, ILC_COLOR32, 0, 4);
  {
    TImageList list(nullptr);
    list.SetShareImages(true);
    list.SetHandle(shared);
    EXPECT_EQ(list.Width(), 20);
    EXPECT_EQ(list.Height(), 10);
  }
  int w = 0, h = 0;
  EXPECT_TRUE(ImageList_GetIconSize(shared, &w, &h));  // still alive
  ImageList_Destroy(shared);
}

TEST(ImageList, AssignCopiesSettingsAndImages) {
  TImageList source(nullptr);
  source.SetColorDepth(cd32Bit);
  source.SetSize(12, 12);
  source.SetBkColor(clRed);
  source.Add(Solid(12, 12, 0x00FF00).get(), nullptr);
  TImageList copy(nullptr);
  copy.Assign(&source);
  EXPECT_EQ(copy.Width(), 12);
  EXPECT_EQ(copy.ColorDepth(), cd32Bit);
  ASSERT_EQ(copy.Count(), 1);
  EXPECT_EQ(copy.GetBkColor(), TColor(clRed));
  EXPECT_EQ(CentreOf(copy, 0), 0x00FF00u);
}

TEST(ImageList, DrawingLeaksNothing) {
  GdiTracker tracker;
  ASSERT_TRUE(tracker.Active());
  {
    TImageList list(nullptr);
    list.SetColorDepth(cd32Bit);
    list.Add(Solid(16, 16, 0x00FF00).get(), nullptr);
    TBitmap target(32, 32, pf32bit);
    list.Draw(target.Canvas(), 8, 8, 0);
    list.Draw(target.Canvas(), 8, 8, 0, false);
    const uint32_t p = target.View().At(16, 16);
    EXPECT_NE(p & 0xFFFFFF, 0u);
    EXPECT_EQ(target.View().At(0, 0) & 0xFFFFFF, 0u);
    TImageList copy(nullptr);
    copy.Assign(&list);
  }
  EXPECT_TRUE(tracker.Live().empty()) << tracker.Live().front();
}
