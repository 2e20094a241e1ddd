// A form skinned with the Glimmerveil skin that the build installs beside the program: its
// sections, the caption buttons taken from the skin's glyphs at each PPI, the client drawn in
// the skin's colour, rounded corners cut by the region, and a message box in the dialog look.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/sMessages.h"
#include "forms/kvDials.h"
#include "forms/sSkinProvider.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "support/FormFixture.h"
#include "ui/Bitmap.h"
#include "ui/Dialogs.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"

namespace {

String ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  String s(path, path + n);
  return s.substr(0, s.find_last_of(u'\\') + 1);
}

std::unique_ptr<TBitmap> Shot(HWND wnd) {
  RECT w{};
  GetWindowRect(wnd, &w);
  auto bmp = std::make_unique<TBitmap>(w.right - w.left, w.bottom - w.top, pf32bit);
  const TWindowDC dc(wnd);
  BitBlt(bmp->Canvas()->Handle(), 0, 0, bmp->Width(), bmp->Height(), dc, 0, 0, SRCCOPY);
  return bmp;
}

class GlimmerveilForm : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    form->SetCaption(u"Glimmerveil");
    form->HandleNeeded();
    manager = new DuRiruZireziv(form);
    manager->SetSkinDirectory(ProgramFolder() + u"..\\..\\bin\\data");
    manager->SetSkinName(u"Glimmerveil");
    ASSERT_TRUE(manager->IsActive()) << "the build installs the skin beside the program";
    sp = new TsSkinProvider(form);
    sp->AfterConstruction();
    ShowInFront();
    sp->CalcItems();
  }
  DuRiruZireziv* manager = nullptr;
  TsSkinProvider* sp = nullptr;
};

}  // namespace

TEST_F(GlimmerveilForm, SectionsAndCaptionButtonsComeFromTheSkin) {
  TkvSkinData* data = sp->SkinDataFor();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(sp->FCommonData->SkinIndex, data->GetSkinIndex(u"FORM"));
  EXPECT_EQ(sp->FTitleSkinIndex, data->GetSkinIndex(u"FORMTITLE"));
  const Integer closeImage = data->TitleGlyphs[sp->ButtonClose.cpGlyphType];
  ASSERT_GE(closeImage, 0) << "the skin has a close glyph";
  EXPECT_EQ(sp->ButtonClose.cpRect.Width(), data->ma[size_t(closeImage)].Width);
  EXPECT_GT(sp->ButtonMax.cpRect.Width(), 0);
  EXPECT_LT(sp->ButtonMax.cpRect.Right, sp->ButtonClose.cpRect.Left + 1);
  const TPoint c((sp->ButtonClose.cpRect.Left + sp->ButtonClose.cpRect.Right) / 2,
                 (sp->ButtonClose.cpRect.Top + sp->ButtonClose.cpRect.Bottom) / 2);
  RECT w{};
  GetWindowRect(form->Handle(), &w);
  EXPECT_EQ(SendMessageW(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(w.left + c.X, w.top + c.Y)), HTCLOSE);
}

TEST_F(GlimmerveilForm, ButtonsFollowTheSkinImagesOfEachPPI) {
  const Integer at96 = [&] {
    sp->FCommonData->SetCommonSkinData(manager->CommonSkinData(96));
    return sp->ButtonHeight();
  }();
  for (Integer ppi : {120, 144, 192}) {
    sp->FCommonData->SetCommonSkinData(manager->CommonSkinData(ppi));
    ASSERT_EQ(sp->FormPPI(), ppi);
    EXPECT_NEAR(sp->ButtonHeight(), at96 * ppi / 96, 1) << ppi;
  }
}

TEST_F(GlimmerveilForm, ClientInTheSkinColourAndRoundedCornersCut) {
  form->Repaint();
  auto shot = Shot(form->Handle());
  POINT client{form->ClientWidth() / 2, form->ClientHeight() / 2};
  ClientToScreen(form->Handle(), &client);
  RECT w{};
  GetWindowRect(form->Handle(), &w);
  const TColor skinClient =
      TColor(manager->CommonSkinData(sp->FormPPI())->gd[size_t(sp->FCommonData->SkinIndex)].Props[1].Color);
  EXPECT_EQ(shot->PixelColor(client.x - w.left, client.y - w.top), skinClient);
  // The frame is the skin's, not the undrawn black of a window without decoration.
  EXPECT_NE(shot->PixelColor(shot->Width() / 2, 2), clBlack);
  EXPECT_NE(shot->PixelColor(1, shot->Height() / 2), clBlack);
  EXPECT_NE(shot->PixelColor(shot->Width() / 2, shot->Height() - 2), clBlack);
  SendMessageW(form->Handle(), WM_NCPAINT, 1, 0);
  const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(GetWindowRgn(form->Handle(), rgn.get()), ERROR);
  EXPECT_FALSE(PtInRegion(rgn.get(), 0, 0));
  EXPECT_TRUE(PtInRegion(rgn.get(), (w.right - w.left) / 2, (w.bottom - w.top) / 2));
}

namespace {
TColor gDialogClient = clNone;
TColor gDialogEdge = clNone;
HWND gBox = nullptr;
void CALLBACK ReadAndAnswer(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = GetActiveWindow();
  if (!box || GetWndClassName(box) != u"TMessageForm") return;
  KillTimer(nullptr, id);
  gBox = box;
  RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Application->ProcessMessages();
  auto shot = Shot(box);
  // Just above the OK button: the dialog's background, no text or icon there.
  RECT ok{}, w{};
  GetWindowRect(FindWindowExW(box, nullptr, nullptr, L"OK"), &ok);
  GetWindowRect(box, &w);
  gDialogClient = shot->PixelColor((ok.left + ok.right) / 2 - w.left, ok.top - 4 - w.top);
  // Inside the client, 3 pixels from its left edge at the OK button's height: where the
  // frame's picture reaches into the client it must show the body's colour too.
  POINT edge{3, 0};
  ClientToScreen(box, &edge);
  gDialogEdge = shot->PixelColor(edge.x - w.left, (ok.top + ok.bottom) / 2 - w.top);
  PressKey(VK_RETURN);
}
}  // namespace

TEST_F(GlimmerveilForm, MessageBoxIsDrawnInTheDialogLook) {
  sSkinProviderStartup();
  const auto stop = TScopeExit([] { sSkinProviderCleanup(); });
  manager->InstallHook();
  const auto unhook = TScopeExit([&] { manager->UnInstallHook(); });
  const auto latest = SetForScope(UseLatestCommonDialogs, false);
  gBox = nullptr;
  SetTimer(nullptr, 0, 150, &ReadAndAnswer);
  EXPECT_EQ(MessageDlg(u"Ready.", mtInformation, TMsgDlgButtons{mbOK}, 0), mrOk);
  ASSERT_NE(gBox, nullptr);
  TkvSkinData* data = manager->CommonSkinData(96);
  const Integer dialog = data->GetSkinIndex(u"DIALOG");
  ASSERT_GE(dialog, 0);
  EXPECT_EQ(gDialogClient, TColor(data->gd[size_t(dialog)].Props[1].Color));
  // The body is the dialog's colour right up to the frame: the text and the buttons keep
  // their margins against what the user sees as the box's edge.
  EXPECT_EQ(gDialogEdge, TColor(data->gd[size_t(dialog)].Props[1].Color));
}
