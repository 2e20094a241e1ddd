// The plain hint window: measuring, showing without activation, painting in the tooltip
// colours.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "ui/Bitmap.h"
#include "ui/Forms.h"
#include "ui/Hints.h"

TEST(HintWindow, MeasuresShowsAndPaintsItsText) {
  ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
  TApplication app;
  TForm* form = nullptr;
  app.CreateForm(form);
  form->Show();
  SetForegroundWindow(form->Handle());
  THintWindow* hint = CreateHintWindow(form);
  TRect one = hint->CalcHintRect(800, u"下载进度", nullptr);
  TRect two = hint->CalcHintRect(800, u"下载进度\n下载进度", nullptr);
  EXPECT_GT(one.Width(), 6);
  EXPECT_EQ(two.Width(), one.Width());
  EXPECT_GT(two.Height(), one.Height());
  TRect narrow = hint->CalcHintRect(30, u"a few words that wrap", nullptr);
  EXPECT_GT(narrow.Height(), one.Height());

  HWND active = GetActiveWindow();
  TRect at = one;
  at.Left += 50, at.Right += 50, at.Top += 60, at.Bottom += 60;
  hint->ActivateHint(at, u"下载进度");
  EXPECT_TRUE(IsWindowVisible(hint->Handle()));
  EXPECT_EQ(GetActiveWindow(), active);  // the hint never takes the activation
  EXPECT_TRUE(GetWindowLongW(hint->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT wr;
  GetWindowRect(hint->Handle(), &wr);
  EXPECT_EQ(wr.left, 50);
  EXPECT_EQ(wr.bottom - wr.top, one.Height() + 4);
  EXPECT_EQ(hint->Caption(), u"下载进度");
  // Painted on the tooltip background.
  TBitmap bmp(at.Width(), at.Height() + 4, pf32bit);
  SendMessageW(hint->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(bmp.Canvas()->Handle()), PRF_CLIENT);
  TColor bk = ColorToRGB(clInfoBk);
  uint32_t expected = ((bk & 0xFF) << 16) | (bk & 0xFF00) | ((bk >> 16) & 0xFF);
  EXPECT_EQ(bmp.View().At(1, 1) & 0xFFFFFF, expected);
  EXPECT_NE(AnimateWindowProc(), nullptr);
  hint->ReleaseHandle();
  EXPECT_FALSE(hint->HandleAllocated());
}
