// A form made from the description embedded in the test program's resources, with the
// library's standard controls; and descriptions made by the test that must fail or scale.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "ui/ComCtrls.h"
#include "ui/FormReader.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

namespace {

class TProbeWindow : public TForm {
  TW_CLASS(TProbeWindow, TForm)
  using TForm::TForm;
  TLabel* lbl3 = nullptr;
  TEdit* edtJx = nullptr;
  TButton* btnJx = nullptr;
  TProgressBar* bar = nullptr;
  String seenInCreate;
  int clicks = 0;
  int downs = 0;
  void FormCreate(TObject*) { seenInCreate = edtJx ? edtJx->Text() : u"(no field)"; }
  void btnJxClick(TObject*) { ++clicks; }
  void edtJxMouseDown(TObject*, TMouseButton, TShiftState, Integer, Integer) { ++downs; }
};
TW_DEFINE_CLASS(TProbeWindow) {
  b.Field(u"lbl3", &TProbeWindow::lbl3);
  b.Field(u"edtJx", &TProbeWindow::edtJx);
  b.Field(u"btnJx", &TProbeWindow::btnJx);
  b.Field(u"bar", &TProbeWindow::bar);
  b.Method(u"FormCreate", &TProbeWindow::FormCreate);
  b.Method(u"btnJxClick", &TProbeWindow::btnJxClick);
  b.Method(u"edtJxMouseDown", &TProbeWindow::edtJxMouseDown);
}

// A form class without a resource: the tests hand it texts.
class TTextWindow : public TForm {
  TW_CLASS(TTextWindow, TForm)
  using TForm::TForm;
};
TW_DEFINE_CLASS(TTextWindow) {}

class FormReaderWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    RegisterLibraryClasses();
    app = std::make_unique<TApplication>();
  }
  void TearDown() override { app.reset(); }
  std::unique_ptr<TApplication> app;
};

}  // namespace

TEST_F(FormReaderWinTest, FormsAreMadeFromTheirEmbeddedDescriptions) {
  TProbeWindow* w = nullptr;
  app->CreateForm(w);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->Name(), u"ProbeWindow");
  ASSERT_NE(w->lbl3, nullptr);
  ASSERT_NE(w->edtJx, nullptr);
  ASSERT_NE(w->btnJx, nullptr);
  ASSERT_NE(w->bar, nullptr);
  // OnCreate runs after the description: the fields and their values are there.
  EXPECT_EQ(w->seenInCreate, u"请复制视频地址");
  EXPECT_EQ(w->Caption(), u"由于后台接口变更");
  EXPECT_EQ(w->BorderStyle(), bsSingle);
  RECT rc;
  GetClientRect(w->Handle(), &rc);
  EXPECT_EQ(rc.right, 304);
  EXPECT_EQ(rc.bottom, 159);
  EXPECT_EQ(w->Left(), 10);
  // Fonts: the label has its own, the edit takes the form's.
  EXPECT_EQ(w->lbl3->Font()->Color(), clRed);
  EXPECT_TRUE(w->lbl3->Font()->Style().Contains(fsBold));
  EXPECT_EQ(w->lbl3->Caption(), u"“XJ“  ");
  EXPECT_EQ(w->edtJx->Font()->Name(), u"Segoe UI");
  EXPECT_EQ(w->edtJx->Font()->Height(), -12);
  EXPECT_TRUE(w->edtJx->ParentFont());
  EXPECT_EQ(w->edtJx->Height(), 32);
  EXPECT_EQ(w->btnJx->TabOrder(), 0);
  EXPECT_EQ(w->edtJx->TabOrder(), 1);
  EXPECT_TRUE(w->btnJx->Default());
  EXPECT_EQ(w->btnJx->ModalResult(), mrOk);
  EXPECT_EQ(w->bar->Max(), 1000);
  EXPECT_EQ(w->bar->Position(), 999);
  EXPECT_EQ(w->lbl3->Parent(), w);
  EXPECT_FALSE(w->IsLoading());
  // The events are bound to the form's methods.
  w->Show();
  SendMessageW(w->btnJx->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(w->clicks, 1);
  EXPECT_EQ(w->ModalResult(), mrOk);
  SendMessageW(w->edtJx->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  SendMessageW(w->edtJx->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(w->downs, 1);
}

TEST_F(FormReaderWinTest, AFailingDescriptionFailsTheCreationAndLeavesNoForm) {
  auto* w = new TTextWindow(app.get());
  try {
    ReadComponentText(w, u"object TextWindow: TTextWindow\n  object b: TButton\n    Caption = 5\n  end\nend\n");
    FAIL();
  } catch (const EFormDescriptionError& e) {
    EXPECT_EQ(e.Message(),
              u"Invalid value for property Caption (form TTextWindow, component b, property Caption, line 3)");
  }
  w->Free();
  EXPECT_EQ(app->ComponentCount(), 0);
}

TEST_F(FormReaderWinTest, ADescriptionMadeAtAnotherDensityIsScaled) {
  auto* w = new TTextWindow(app.get());
  ReadComponentText(
      w,
      u"object TextWindow: TTextWindow\n"
      u"  ClientWidth = 400\n  ClientHeight = 200\n  PixelsPerInch = 192\n  Font.Height = -24\n"
      u"  object b: TButton\n    Left = 40\n    Top = 20\n    Width = 100\n    Height = 50\n  end\nend\n");
  ASSERT_EQ(Screen->PixelsPerInch(), 96) << "the expectations assume the test prefix's 96 PPI";
  auto* b = static_cast<TButton*>(w->FindComponent(u"b"));
  EXPECT_EQ(b->BoundsRect(), TRect(20, 10, 70, 35));
  EXPECT_EQ(w->Font()->Height(), -12);
  EXPECT_EQ(w->ClientRect(), TRect(0, 0, 200, 100));
  EXPECT_EQ(w->PixelsPerInch(), 96);
  w->Free();
}
