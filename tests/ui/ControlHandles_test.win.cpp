// A hundred forms with every standard control, each made from its description, shown, drawn
// and freed: no GDI object, DC, menu, image list or window of this program is left behind.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "support/EveryControl.h"
#include "support/FormFixture.h"
#include "support/GdiTracker.h"
#include "support/UserTracker.h"
#include "ui/Buttons.h"
#include "ui/ComCtrls.h"
#include "ui/ImgList.h"

namespace {

std::string Joined(const std::vector<std::string>& items) {
  std::string all;
  for (const std::string& s : items) all += s + "\n";
  return all;
}

// Paints what the owner-drawn parts leave to the program.
class TPainter : public TObject {
 public:
  void Panel(TStatusBar* bar, TStatusPanel*, const TRect& r) {
    bar->Canvas()->Brush()->SetColor(clRed);
    bar->Canvas()->FillRect(r);
  }
};

class ControlHandlesTest : public FormTest {
 protected:
  // One form made, filled, shown, drawn and freed.
  void Cycle() {
    auto* f = new TForm(app.get());
    f->AfterConstruction();
    ReadComponentText(f, kEveryControlForm);
    auto* images = dynamic_cast<TImageList*>(f->FindComponent(u"images"));
    TBitmap glyph(32, 16, pf24bit);
    glyph.Canvas()->Brush()->SetColor(clGreen);
    glyph.Canvas()->FillRect(TRect(0, 0, 32, 16));
    images->Add(&glyph, nullptr);
    images->Add(&glyph, nullptr);
    dynamic_cast<TBitBtn*>(f->FindComponent(u"bitbtn"))->SetGlyph(&glyph);
    dynamic_cast<TSpeedButton*>(f->FindComponent(u"speed"))->SetGlyph(&glyph);
    dynamic_cast<TStatusBar*>(f->FindComponent(u"status"))->SetOnDrawPanel(TDrawPanelEvent(&painter, &TPainter::Panel));
    f->Show();
    RedrawWindow(f->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
    f->Free();
    PumpMessages();
  }
  TPainter painter;
};

}  // namespace

TEST_F(ControlHandlesTest, AHundredFormsOfEveryControlLeaveNoHandleBehind) {
  RegisterLibraryClasses();
  // Once before counting: what the program makes once and keeps (class registrations, the
  // timer window, cached fonts) is not a leak.
  Cycle();
  const int windows = UserTracker::ThreadWindowCount();
  GdiTracker gdi;
  UserTracker user;
  ASSERT_TRUE(gdi.Active());
  ASSERT_TRUE(user.Active());
  for (int i = 0; i < 100; ++i) Cycle();
  // The forms made what they are counted by.
  EXPECT_GT(gdi.Created(), 100);
  EXPECT_GE(user.Created(), 200);  // per form: its image list and the button's state images
  EXPECT_TRUE(gdi.Live().empty()) << Joined(gdi.Live());
  EXPECT_TRUE(user.Live().empty()) << Joined(user.Live());
  EXPECT_EQ(UserTracker::ThreadWindowCount(), windows);
}

TEST_F(ControlHandlesTest, TheTrackerSeesAMenuAndAnImageListUntilTheyAreFreed) {
  UserTracker user;
  ASSERT_TRUE(user.Active());
  HMENU menu = CreatePopupMenu();
  HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32, 1, 1);
  EXPECT_EQ(user.Live().size(), 2u);
  DestroyMenu(menu);
  ASSERT_EQ(user.Live().size(), 1u);
  EXPECT_EQ(user.Live()[0].rfind("HIMAGELIST", 0), 0u);
  ImageList_Destroy(list);
  EXPECT_TRUE(user.Live().empty());
  EXPECT_EQ(user.Created(), 2);
}
