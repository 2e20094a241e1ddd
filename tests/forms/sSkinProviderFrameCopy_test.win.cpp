// The frame a skinned form copies to its window: every pixel of the window outside its client
// area (inside the window's region) is the picture's, whatever the border style. A dialog frame's
// sides are narrower than the skin's border width and its client lies lower than the skin's
// header says: the copy follows where the system placed the client.
#include <windows.h>

#include "forms/sSkinProvider.h"
#include "support/FormSkin.h"
#include "ui/Bitmap.h"
#include "ui/GdiScopes.h"

using namespace formskin;

namespace {

class FrameCopy : public SkinnedForm {};

}  // namespace

TEST_F(FrameCopy, EveryFramePixelComesFromThePicture) {
  struct Case {
    const char* name;
    TFormBorderStyle style;
  };
  const Case cases[] = {
      {"dialog", bsDialog}, {"single", bsSingle}, {"sizeable", bsSizeable}, {"tool window", bsToolWindow}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RenewForm();
    form->SetBorderStyle(c.style);
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
    SkinAndShow();
    const HWND h = form->Handle();
    // What lay on the screen before is gone from the frame once it is painted: a colour the
    // picture does not hold goes over the whole window first.
    {
      const TWindowDC dc(h);
      const TOwnedBrush sentinel(CreateSolidBrush(RGB(255, 0, 255)));
      const RECT all{0, 0, form->Width(), form->Height()};
      FillRect(dc, &all, sentinel.get());
    }
    SendMessageW(h, WM_NCPAINT, 1, 0);
    const auto shot = WindowShot(h);
    TBitmap* picture = sp->FCommonData->FCacheBmp.get();
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(picture->Width(), shot->Width());
    ASSERT_EQ(picture->Height(), shot->Height());
    const TPoint origin = ClientOrigin(h);
    const TRect client(origin.X, origin.Y, origin.X + form->ClientWidth(), origin.Y + form->ClientHeight());
    ASSERT_GT(client.Top, 0);
    const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
    const bool cut = GetWindowRgn(h, rgn.get()) != ERROR;
    Integer differing = 0, compared = 0;
    TPoint firstDiffering(-1, -1);
    for (Integer y = 0; y < shot->Height(); ++y)
      for (Integer x = 0; x < shot->Width(); ++x) {
        if (client.Contains(TPoint(x, y)) || (cut && !PtInRegion(rgn.get(), x, y))) continue;
        ++compared;
        if ((shot->PixelColor(x, y) & 0xFFFFFF) == (picture->PixelColor(x, y) & 0xFFFFFF)) continue;
        if (differing++ == 0) firstDiffering = TPoint(x, y);
      }
    EXPECT_GT(compared, 2 * form->Width());
    EXPECT_EQ(differing, 0) << "first at " << firstDiffering.X << "," << firstDiffering.Y << " (client top "
                            << client.Top << ", left " << client.Left << ")";
  }
}
