// Caption buttons and hit testing of a skinned form: every frame part through WM_NCHITTEST,
// the one element list that layout and hit test share, presses released over the button,
// elsewhere or over another, the system commands behind the buttons, and user title buttons.
#include <algorithm>

#include "base/sMessages.h"
#include "support/FormSkin.h"

using formskin::SkinnedForm;

namespace {

struct SysCommandCounter {
  void Proc(TMessage& m) {
    if (m.Msg == WM_SYSCOMMAND) commands.push_back(Cardinal(m.WParam & 0xFFF0));
    old(m);
  }
  Integer Count(Cardinal cmd) const { return Integer(std::count(commands.begin(), commands.end(), cmd)); }
  TWndMethod old;
  std::vector<Cardinal> commands;
};

class Caption : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    ASSERT_NO_FATAL_FAILURE();
    Skin();
    ShowForm();
    sp->CalcItems();
  }
  void TearDown() override {
    if (counter) {
      form->SetWindowProc(counter->old);  // only when it is on top (the tests that use it put it there)
      counter.reset();
    }
    SkinnedForm::TearDown();
  }
  // A press on a button (as the system sends it after its hit test), then the mouse moved to
  // a window point, then the release there.
  void PressAt(Integer ht, TPoint windowPoint) {
    const TPoint s = Screen(windowPoint.X, windowPoint.Y);
    SetCursorPos(s.X, s.Y);
    SendMessageW(form->Handle(), WM_NCLBUTTONDOWN, ht, MAKELPARAM(s.X, s.Y));
  }
  void ReleaseAt(TPoint windowPoint, WPARAM wParam = HTCAPTION, UINT msg = WM_NCLBUTTONUP) {
    const TPoint s = Screen(windowPoint.X, windowPoint.Y);
    SetCursorPos(s.X, s.Y);
    SendMessageW(form->Handle(), msg, wParam, MAKELPARAM(s.X, s.Y));
    Application->ProcessMessages();
  }
  std::unique_ptr<SysCommandCounter> counter;
};

}  // namespace

TEST_F(Caption, HitTestAtEveryFramePart) {
  RECT w{};
  GetWindowRect(form->Handle(), &w);
  const Integer width = w.right - w.left, height = w.bottom - w.top;
  const Integer b = SysBorderWidth(form->Handle(), nullptr, true);
  const Integer captionY = b + sp->CaptionHeight(true) / 2;
  struct Case {
    Integer x, y;
    LRESULT code;
  } cases[] = {
      {width / 2, 0, HTTOP},
      {width / 2, height - 1, HTBOTTOM},
      {0, height / 2, HTLEFT},
      {width - 1, height / 2, HTRIGHT},
      {0, 0, HTTOPLEFT},
      {width - 1, 0, HTTOPRIGHT},
      {0, height - 1, HTBOTTOMLEFT},
      {width - 1, height - 1, HTBOTTOMRIGHT},
      {width / 2, captionY, HTCAPTION},
      {width / 2, height / 2, HTCLIENT},
      {Centre(sp->ButtonClose).X, Centre(sp->ButtonClose).Y, HTCLOSE},
      {Centre(sp->ButtonMax).X, Centre(sp->ButtonMax).Y, HTMAXBUTTON},
      {Centre(sp->ButtonMin).X, Centre(sp->ButtonMin).Y, HTMINBUTTON},
  };
  for (const Case& c : cases) EXPECT_EQ(HitTest(c.x, c.y), c.code) << c.x << "," << c.y;
  // The buttons sit in the caption, right to left: close, maximize, minimize.
  EXPECT_LT(sp->ButtonMax.cpRect.Right, sp->ButtonClose.cpRect.Left + 1);
  EXPECT_LT(sp->ButtonMin.cpRect.Right, sp->ButtonMax.cpRect.Left + 1);
  EXPECT_EQ(sp->ButtonClose.cpRect.Width(), formskin::kGlyphW);
  EXPECT_LE(sp->ButtonClose.cpRect.Right, width - b);
  if (sp->IconVisible()) { EXPECT_EQ(HitTest(sp->FIconRect.Left + 2, sp->FIconRect.Top + 2), HTSYSMENU); }
}

TEST_F(Caption, MaximizedFormAnswersClientOnItsBorders) {
  ShowWindow(form->Handle(), SW_MAXIMIZE);
  Application->ProcessMessages();
  ASSERT_TRUE(IsZoomed(form->Handle()));
  RECT w{};
  GetWindowRect(form->Handle(), &w);
  const Integer width = w.right - w.left;
  for (TPoint p : {TPoint(0, 100), TPoint(width - 1, 100), TPoint(width / 2, 0)}) {
    const LRESULT code = HitTest(p.X, p.Y);
    EXPECT_FALSE(code >= HTLEFT && code <= HTBOTTOMRIGHT) << p.X << "," << p.Y << " gave " << code;
  }
}

// The skin's size grip sits in the client area, where the system would answer HTCLIENT: the
// provider answers the sizing corner right of and below it, only while the grip is shown.
TEST_F(Caption, VisibleGripAnswersTheSizingCornerThroughTheSystemHitTest) {
  TkvSkinData& d = *skin->skin.Data;
  d.GripRightBottom = skin->skin.AddImage(TRect(200, 0, 216, 16), 1, 0);
  const Integer grip = 16;
  RECT w{};
  GetWindowRect(form->Handle(), &w);
  const Integer width = w.right - w.left, height = w.bottom - w.top;
  // Inside the grip but off the sizing borders, and just left of / above where it is drawn.
  const TPoint inGrip(width - sp->BorderWidth(true) - 2, height - sp->BorderHeight(true) - 2);
  const TPoint leftOfGrip(width - sp->BorderWidth(true) - grip - 1, inGrip.Y);
  const TPoint aboveGrip(inGrip.X, height - sp->BorderHeight(true) - grip - 1);
  ASSERT_EQ(HitTest(inGrip.X, inGrip.Y), HTCLIENT) << "no grip mode: the system's answer";
  sp->FGripMode = gmRightBottom;
  struct Case {
    const char* where;
    TPoint p;
    LRESULT code;
  } cases[] = {
      {"in the grip", inGrip, HTBOTTOMRIGHT},
      {"left of the grip", leftOfGrip, HTCLIENT},
      {"above the grip", aboveGrip, HTCLIENT},
      {"client centre", TPoint(width / 2, height / 2), HTCLIENT},
  };
  for (const Case& c : cases) EXPECT_EQ(HitTest(c.p.X, c.p.Y), c.code) << c.where;
  // A skin without a grip image has no grip to size by.
  const Integer image = d.GripRightBottom;
  d.GripRightBottom = -1;
  EXPECT_EQ(HitTest(inGrip.X, inGrip.Y), HTCLIENT) << "no grip image";
  d.GripRightBottom = image;
  // A maximized form shows no grip.
  ShowWindow(form->Handle(), SW_MAXIMIZE);
  Application->ProcessMessages();
  ASSERT_TRUE(IsZoomed(form->Handle()));
  GetWindowRect(form->Handle(), &w);
  const TPoint zoomedCorner(w.right - w.left - sp->BorderWidth(true) - 2,
                            w.bottom - w.top - sp->BorderHeight(true) - 2);
  EXPECT_NE(HitTest(zoomedCorner.X, zoomedCorner.Y), HTBOTTOMRIGHT) << "maximized";
}

// Layout, search and hit test use one list: each element's own rectangle answers its own code,
// whatever buttons the form shows, iconic or not.
TEST_F(Caption, EveryVisibleElementAnswersItsOwnCode) {
  const TBorderIcons sets[] = {
      {biSystemMenu, biMinimize, biMaximize},
      {biSystemMenu, biHelp},
      {biSystemMenu, biMaximize, biHelp},
      {biSystemMenu, biMinimize, biHelp},
  };
  for (bool iconic : {false, true}) {
    for (const TBorderIcons& icons : sets) {
      form->SetBorderIcons(icons);
      ShowWindow(form->Handle(), iconic ? SW_MINIMIZE : SW_RESTORE);
      Application->ProcessMessages();
      sp->CalcItems();
      const auto elements = sp->VisibleElements();
      ASSERT_FALSE(elements.empty());
      for (const TkvCaptionElement& e : elements) {
        if (e.Button->cpRect.Width() <= 0) continue;
        TMessage m{};
        const TPoint s = Screen(Centre(*e.Button).X, Centre(*e.Button).Y);
        m.LParam = MAKELPARAM(s.X, s.Y);
        const Integer code = sp->HTProcess(m);
        // A disabled command answers the caption; it never answers another button.
        EXPECT_TRUE(code == e.HitCode || code == HTCAPTION)
            << "iconic " << iconic << " element " << e.HitCode << " gave " << code;
        if (e.HitCode == HTHELP) { EXPECT_EQ(code, HTHELP); }
      }
    }
  }
}

TEST_F(Caption, CloseReleasedElsewhereDoesNotCloseAndBackOverItDoes) {
  const TPoint close = Centre(sp->ButtonClose);
  PressAt(HTCLOSE, close);
  EXPECT_EQ(sp->ButtonClose.cpState, 2);
  ReleaseAt(TPoint(150, 120));
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_EQ(sp->ButtonClose.cpState, 0);
  EXPECT_FALSE(sp->biClicked);

  PressAt(HTCLOSE, close);
  // Moving away and back before the release keeps the press.
  const TPoint away = Screen(150, 120);
  SendMessageW(form->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(150, 50));
  SetCursorPos(away.X, away.Y);
  ReleaseAt(close);
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
}

TEST_F(Caption, ReleaseOverAnotherButtonDoesNothing) {
  PressAt(HTCLOSE, Centre(sp->ButtonClose));
  ReleaseAt(Centre(sp->ButtonMax), HTMAXBUTTON);
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_FALSE(IsZoomed(form->Handle()));
  PressAt(HTMAXBUTTON, Centre(sp->ButtonMax));
  ReleaseAt(Centre(sp->ButtonMin), HTMINBUTTON);
  EXPECT_FALSE(IsZoomed(form->Handle()));
  EXPECT_FALSE(IsIconic(form->Handle()));
}

// WParam of WM_LBUTTONUP holds key flags: Ctrl is 8 (HTMINBUTTON), Shift with the middle
// button 20 (HTCLOSE). They must not act as hit codes.
TEST_F(Caption, KeyFlagsOfAButtonUpAreNoHitCodes) {
  PressAt(HTMAXBUTTON, Centre(sp->ButtonMax));
  ReleaseAt(TPoint(150, 120), MK_CONTROL, WM_LBUTTONUP);
  EXPECT_FALSE(IsIconic(form->Handle()));
  EXPECT_FALSE(IsZoomed(form->Handle()));
  PressAt(HTMINBUTTON, Centre(sp->ButtonMin));
  ReleaseAt(TPoint(150, 120), MK_SHIFT | MK_MBUTTON, WM_LBUTTONUP);
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_FALSE(IsIconic(form->Handle()));
  // The release over the pressed button acts, whatever the flags say.
  PressAt(HTMINBUTTON, Centre(sp->ButtonMin));
  ReleaseAt(Centre(sp->ButtonMin), MK_SHIFT | MK_MBUTTON, WM_LBUTTONUP);
  EXPECT_TRUE(IsIconic(form->Handle()));
}

TEST_F(Caption, MaximizeRestoreMinimizeAndCloseThroughTheButtons) {
  PressAt(HTMAXBUTTON, Centre(sp->ButtonMax));
  ReleaseAt(Centre(sp->ButtonMax), HTMAXBUTTON);
  EXPECT_TRUE(IsZoomed(form->Handle()));
  sp->CalcItems();
  EXPECT_EQ(sp->ButtonMax.cpGlyphType, tgNormal);
  PressAt(HTMAXBUTTON, Centre(sp->ButtonMax));
  ReleaseAt(Centre(sp->ButtonMax), HTMAXBUTTON);
  EXPECT_FALSE(IsZoomed(form->Handle()));
  sp->CalcItems();
  PressAt(HTMINBUTTON, Centre(sp->ButtonMin));
  ReleaseAt(Centre(sp->ButtonMin), HTMINBUTTON);
  EXPECT_TRUE(IsIconic(form->Handle()));
  ShowWindow(form->Handle(), SW_RESTORE);
  Application->ProcessMessages();
  sp->CalcItems();
  PressAt(HTCLOSE, Centre(sp->ButtonClose));
  ReleaseAt(Centre(sp->ButtonClose), HTCLOSE);
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
}

TEST_F(Caption, SystemCommandsMaximizeOnceAndRestore) {
  counter = std::make_unique<SysCommandCounter>();
  // Put the counter under the provider: the provider's old procedure becomes the counter.
  counter->old = sp->OldWndProc;
  sp->OldWndProc = TWndMethod(counter.get(), &SysCommandCounter::Proc);
  SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(IsZoomed(form->Handle()));
  EXPECT_EQ(counter->Count(SC_MAXIMIZE), 1);
  SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsZoomed(form->Handle()));
  EXPECT_EQ(counter->Count(SC_RESTORE), 1);
  sp->OldWndProc = counter->old;
  counter.reset();
}

TEST_F(Caption, DisabledCloseAnswersCaptionAndItsPressDoesNotStick) {
  EnableMenuItem(GetSystemMenu(form->Handle(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  const TPoint close = Centre(sp->ButtonClose);
  EXPECT_NE(HitTest(close.X, close.Y), HTCLOSE);
  PressAt(HTCLOSE, close);
  EXPECT_FALSE(sp->biClicked);
  EXPECT_NE(sp->ButtonClose.cpState, 2);
  EnableMenuItem(GetSystemMenu(form->Handle(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
}

// User buttons are hot and pressed by one range test: index 150 is as valid as index 5.
TEST_F(Caption, UserButtonsBeyondAHundredAreHotAndClickable) {
  for (Integer i = 0; i <= 150; ++i) sp->FTitleButtons->Add()->Visible = i == 150 || i == 5;
  Integer downs = 0, ups = 0;
  struct Counter {
    void Down(TObject*, TMouseButton, TShiftState, Integer, Integer) { ++*downs; }
    void Up(TObject*, TMouseButton, TShiftState, Integer, Integer) { ++*ups; }
    Integer* downs;
    Integer* ups;
  } events{&downs, &ups};
  TsTitleButton* distant = sp->FTitleButtons->Items(150);
  distant->OnMouseDown = TMouseEvent(&events, &Counter::Down);
  distant->OnMouseUp = TMouseEvent(&events, &Counter::Up);
  sp->CalcItems();
  ASSERT_GT(distant->Data.cpRect.Width(), 0);
  const TPoint c = Centre(distant->Data);
  EXPECT_EQ(HitTest(c.X, c.Y), HTUDBTN + 150);
  const TPoint s = Screen(c.X, c.Y);
  SendMessageW(form->Handle(), WM_NCMOUSEMOVE, HTUDBTN + 150, MAKELPARAM(s.X, s.Y));
  EXPECT_EQ(sp->CurrentHT, HTUDBTN + 150);
  EXPECT_EQ(distant->Data.cpState, 1);
  PressAt(HTUDBTN + 150, c);
  EXPECT_EQ(distant->Data.cpState, 2);
  ReleaseAt(c, HTUDBTN + 150);
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(ups, 1);
  // A hidden one answers nothing of its own.
  EXPECT_NE(HitTest(c.X - 200, c.Y), HTUDBTN + 149);
}

TEST_F(Caption, HoverMakesAButtonHotAndLeavingClearsIt) {
  const TPoint c = Centre(sp->ButtonMin);
  const TPoint s = Screen(c.X, c.Y);
  SendMessageW(form->Handle(), WM_NCMOUSEMOVE, HTMINBUTTON, MAKELPARAM(s.X, s.Y));
  EXPECT_EQ(sp->CurrentHT, HTMINBUTTON);
  EXPECT_EQ(sp->ButtonMin.cpState, 1);
  SendMessageW(form->Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(sp->CurrentHT, -1);
  EXPECT_EQ(sp->ButtonMin.cpState, 0);
}
