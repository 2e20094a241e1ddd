// Forms with windows: FormState through creation, showing and modal loops, the density
// notices around a monitor change, BorderWidth, Constraints on the window, realigning on
// size, the application's default font, reading order, modal notices and help, the
// screen's fonts and monitors, and the label's ellipsis and self-sizing under alignment.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/FormFixture.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/StdCtrls.h"

namespace {

void Pump() {
  for (int i = 0; i < 3; ++i) {
    Application->ProcessMessages();
    Sleep(5);
  }
}

std::string States(TFormState s) {
  std::string out;
  const char* names[] = {"creating", "visible", "showing", "modal", "mdichild"};
  for (int i = 0; i < 5; ++i)
    if (s.Contains(static_cast<TFormStateFlag>(i))) out += std::string(out.empty() ? "" : ",") + names[i];
  return out;
}

class TStateForm : public TForm {
 public:
  explicit TStateForm(TComponent* owner) : TForm(owner) {
    SetOnCreate(TNotifyEvent(this, &TStateForm::Created));
    SetOnShow(TNotifyEvent(this, &TStateForm::Shown));
    SetOnHide(TNotifyEvent(this, &TStateForm::Hidden));
  }
  std::vector<std::string> log;
  bool closeWhenShown = false;
  void Created(TObject*) { log.push_back("create:" + States(FormState())); }
  void Shown(TObject*) {
    log.push_back("show:" + States(FormState()));
    if (closeWhenShown) SetModalResult(mrOk);
  }
  void Hidden(TObject*) { log.push_back("hide:" + States(FormState())); }
};

class TNotices : public TObject {
 public:
  std::vector<std::string> log;
  TControl* watched = nullptr;
  void Before(TObject*, Integer o, Integer n) { Add("before", o, n); }
  void After(TObject*, Integer o, Integer n) { Add("after", o, n); }
  void Add(const char* what, Integer o, Integer n) {
    log.push_back(std::string(what) + ":" + std::to_string(o) + ">" + std::to_string(n) +
                  (watched ? ":" + std::to_string(watched->Width()) : ""));
  }
  void ModalBegin(TObject*) { log.push_back("modal begin"); }
  void ModalEnd(TObject*) { log.push_back("modal end"); }
  bool Help(Word command, intptr_t data, bool&) {
    log.push_back("help:" + std::to_string(command) + ":" + std::to_string(data));
    return true;
  }
};

class FormExtrasTest : public FormTest {};

TEST_F(FormExtrasTest, FormStateFollowsCreationShowingAndModalLoops) {
  auto* f = new TStateForm(app.get());
  f->AfterConstruction();
  f->SetPosition(poDesigned);
  EXPECT_EQ(States(f->FormState()), "");
  f->Show();
  EXPECT_EQ(States(f->FormState()), "visible");
  f->Hide();
  EXPECT_EQ(States(f->FormState()), "");
  f->closeWhenShown = true;
  EXPECT_EQ(f->ShowModal(), mrOk);
  EXPECT_EQ(States(f->FormState()), "");
  EXPECT_EQ(f->log, (std::vector<std::string>{"create:creating", "show:visible,showing", "hide:showing",
                                              "show:visible,showing,modal", "hide:showing,modal"}));
}

TEST_F(FormExtrasTest, MonitorDensityChangeScalesOnceBetweenTheNotices) {
  TNotices notices;
  form->SetOnBeforeMonitorDpiChanged(TMonitorDpiChangedEvent(&notices, &TNotices::Before));
  form->SetOnAfterMonitorDpiChanged(TMonitorDpiChangedEvent(&notices, &TNotices::After));
  form->SetPixelsPerInch(96);
  auto* top = new TButton(form);
  top->SetBounds(0, 0, 50, 30);
  top->SetAlign(alTop);
  top->SetParent(form);
  auto* corner = new TButton(form);
  corner->SetParent(form);
  TRect client = form->ClientRect();
  corner->SetBounds(client.Right - 60, client.Bottom - 40, 50, 30);
  corner->SetAnchors({akRight, akBottom});
  form->Constraints()->SetMinWidth(200);
  form->Show();
  Pump();
  client = form->ClientRect();
  notices.watched = top;
  const Integer fontHeight = form->Font()->Height();
  RECT outer;
  GetWindowRect(form->Handle(), &outer);
  RECT suggested{outer.left, outer.top, outer.left + 2 * (outer.right - outer.left),
                 outer.top + 2 * (outer.bottom - outer.top)};
  SendMessageW(form->Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
  // Before: nothing scaled yet; after: the aligned button spans the new client width.
  TRect now = form->ClientRect();
  ASSERT_EQ(notices.log.size(), 2u);
  EXPECT_EQ(notices.log[0], "before:96>192:" + std::to_string(client.Width()));
  EXPECT_EQ(notices.log[1], "after:96>192:" + std::to_string(now.Width()));
  EXPECT_EQ(form->PixelsPerInch(), 192);
  EXPECT_EQ(form->Font()->Height(), fontHeight * 2);
  EXPECT_EQ(top->Height(), 60);
  EXPECT_EQ(corner->Width(), 100);
  // The anchored button keeps its distance to the corner, scaled.
  EXPECT_EQ(now.Right - corner->Left() - corner->Width(), 20);
  EXPECT_EQ(now.Bottom - corner->Top() - corner->Height(), 20);
  EXPECT_EQ(form->Constraints()->MinWidth(), 400);
  // The same density again is no change.
  SendMessageW(form->Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192), 0);
  EXPECT_EQ(notices.log.size(), 2u);
}

TEST_F(FormExtrasTest, BorderWidthFramesTheClientAreaInTheFormsColour) {
  form->SetColor(clRed);
  auto* fill = new TWinControl(form);
  fill->SetAlign(alClient);
  fill->SetParent(form);
  form->Show();
  Pump();
  TRect before = form->ClientRect();
  form->SetBorderWidth(6);
  Pump();
  TRect after = form->ClientRect();
  EXPECT_EQ(after.Width(), before.Width() - 12);
  EXPECT_EQ(after.Height(), before.Height() - 12);
  EXPECT_EQ(fill->BoundsRect(), after);
  // The band between the frame and the client area is painted red.
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  POINT origin{0, 0};
  ClientToScreen(form->Handle(), &origin);
  RECT window;
  GetWindowRect(form->Handle(), &window);
  TWindowDC dc(form->Handle());
  COLORREF band = GetPixel(dc, origin.x - window.left - 3, origin.y - window.top + 10);
  EXPECT_EQ(band, RGB(255, 0, 0));
}

TEST_F(FormExtrasTest, ConstraintsHoldForTheWindowWhoeverSizesIt) {
  form->Constraints()->SetMaxWidth(350);
  form->Constraints()->SetMinHeight(150);
  form->Show();
  Pump();
  form->SetBounds(100, 100, 500, 100);
  EXPECT_EQ(form->Width(), 350);
  EXPECT_EQ(form->Height(), 150);
  SetWindowPos(form->Handle(), nullptr, 0, 0, 600, 50, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT r;
  GetWindowRect(form->Handle(), &r);
  EXPECT_EQ(r.right - r.left, 350);
  EXPECT_EQ(r.bottom - r.top, 150);
  MINMAXINFO mmi{};
  SendMessageW(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  EXPECT_EQ(mmi.ptMaxTrackSize.x, 350);
  EXPECT_EQ(mmi.ptMinTrackSize.y, 150);
}

TEST_F(FormExtrasTest, ResizingTheWindowRealignsItsChildren) {
  form->Padding()->SetBounds(4, 4, 4, 4);
  auto* status = new TButton(form);
  status->SetBounds(0, 0, 10, 20);
  status->SetAlign(alBottom);
  status->SetParent(form);
  auto* body = new TButton(form);
  body->SetAlign(alClient);
  body->SetParent(form);
  form->Show();
  Pump();
  SetWindowPos(form->Handle(), nullptr, 0, 0, 420, 330, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  TRect c = form->ClientRect();
  EXPECT_EQ(status->BoundsRect(), TRect(4, c.Bottom - 24, c.Right - 4, c.Bottom - 4));
  EXPECT_EQ(body->BoundsRect(), TRect(4, 4, c.Right - 4, c.Bottom - 24));
  // The child windows are where the controls say.
  RECT wr;
  GetWindowRect(body->Handle(), &wr);
  MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&wr), 2);
  EXPECT_EQ(TRect(wr.left, wr.top, wr.right, wr.bottom), body->BoundsRect());
}

TEST_F(FormExtrasTest, ApplicationDefaultsReadingOrderModalNoticesAndHelp) {
  TNotices notices;
  // New forms start with the default font and the application's reading order.
  app->DefaultFont()->SetName(u"Segoe UI");
  app->DefaultFont()->SetHeight(-13);
  app->SetBiDiMode(bdRightToLeft);
  EXPECT_TRUE(form->IsRightToLeft());  // forms that exist follow
  auto* second = new TForm(app.get());
  second->AfterConstruction();
  EXPECT_EQ(second->Font()->Name(), u"Segoe UI");
  EXPECT_EQ(second->Font()->Height(), -13);
  EXPECT_EQ(second->BiDiMode(), bdRightToLeft);
  app->SetBiDiMode(bdLeftToRight);
  EXPECT_FALSE(second->IsRightToLeft());
  struct {
    TBiDiMode mode;
    bool rtl;
  } modes[] = {
      {bdLeftToRight, false}, {bdRightToLeft, true}, {bdRightToLeftNoAlign, true}, {bdRightToLeftReadingOnly, true}};
  for (auto m : modes) {
    second->SetBiDiMode(m.mode);
    EXPECT_EQ(second->IsRightToLeft(), m.rtl);
  }

  // One notice pair around nested modal loops.
  app->SetOnModalBegin(TNotifyEvent(&notices, &TNotices::ModalBegin));
  app->SetOnModalEnd(TNotifyEvent(&notices, &TNotices::ModalEnd));
  app->ModalStarted();
  app->ModalStarted();
  app->ModalFinished();
  EXPECT_EQ(notices.log, (std::vector<std::string>{"modal begin"}));
  app->ModalFinished();
  EXPECT_EQ(notices.log, (std::vector<std::string>{"modal begin", "modal end"}));
  notices.log.clear();
  auto* dialog = new TStateForm(app.get());
  dialog->AfterConstruction();
  dialog->closeWhenShown = true;
  dialog->ShowModal();
  EXPECT_EQ(notices.log, (std::vector<std::string>{"modal begin", "modal end"}));

  // F1 on a control: its own help context, or its parent's.
  notices.log.clear();
  app->SetOnHelp(THelpEvent(&notices, &TNotices::Help));
  form->SetHelpContext(40);
  auto* withOwn = new TButton(form);
  withOwn->SetHelpContext(41);
  withOwn->SetParent(form);
  auto* without = new TButton(form);
  without->SetTop(40);
  without->SetParent(form);
  form->Show();
  for (TWinControl* c : {static_cast<TWinControl*>(withOwn), static_cast<TWinControl*>(without)}) {
    HELPINFO info{sizeof info, HELPINFO_WINDOW, 0, c->Handle(), 0, {0, 0}};
    SendMessageW(c->Handle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  }
  EXPECT_EQ(notices.log, (std::vector<std::string>{"help:1:41", "help:1:40"}));
  EXPECT_TRUE(app->HelpContext(7));
  app->SetOnHelp(nullptr);
  EXPECT_FALSE(app->HelpContext(7));
}

TEST_F(FormExtrasTest, ScreenFontsAndTheMonitorNearestAPoint) {
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof ncm;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0));
  struct {
    TFont* font;
    const LOGFONTW& lf;
  } fonts[] = {{Screen->MessageFont(), ncm.lfMessageFont},
               {Screen->MenuFont(), ncm.lfMenuFont},
               {Screen->HintFont(), ncm.lfStatusFont}};
  for (auto& f : fonts) {
    EXPECT_EQ(f.font->Name(), String(reinterpret_cast<const Char*>(f.lf.lfFaceName)));
    EXPECT_EQ(f.font->Height(), f.lf.lfHeight);
  }
  // Changed by the program, read again after a settings change: the same objects.
  TFont* message = Screen->MessageFont();
  message->SetHeight(-40);
  Screen->ResetFonts();
  EXPECT_EQ(Screen->MessageFont(), message);
  EXPECT_EQ(message->Height(), ncm.lfMessageFont.lfHeight);

  TMonitor* primary = Screen->PrimaryMonitor();
  ASSERT_NE(primary, nullptr);
  EXPECT_EQ(Screen->MonitorFromPoint({-5000, -5000}), primary);  // the nearest
  EXPECT_EQ(Screen->MonitorFromPoint({-5000, -5000}, mdNull), nullptr);
  EXPECT_EQ(Screen->MonitorFromPoint({primary->Left() + 1, primary->Top() + 1}), primary);
}

class TProbeLabel : public TLabel {
 public:
  using TLabel::TLabel;
  String Shortened(const String& text) {
    TClientDC screen(nullptr);
    TSelectObject font(screen, Font()->Handle());
    return WrappedWithEllipsis(screen, text, ClientRect(), DrawTextFlags() | DT_END_ELLIPSIS);
  }
};

TEST_F(FormExtrasTest, LabelEllipsisAndSelfSizingUnderAlignment) {
  // Word-wrapped text that does not fit loses whole words and ends in "...".
  auto* label = new TProbeLabel(form);
  label->SetAutoSize(false);
  label->SetWordWrap(true);
  label->SetBounds(0, 0, 80, 16);
  label->SetParent(form);
  const String text = u"one two three four five six seven eight";
  String shortened = label->Shortened(text);
  ASSERT_GT(shortened.size(), 3u);
  EXPECT_EQ(shortened.substr(shortened.size() - 3), u"...");
  String kept = shortened.substr(0, shortened.size() - 3);
  EXPECT_EQ(text.substr(0, kept.size()), kept);
  EXPECT_TRUE(kept.size() == text.size() || text[kept.size()] == u' ');
  EXPECT_EQ(label->Shortened(u"one"), u"one");  // what fits stays whole
  // Painted, the ellipsis shows where the plain text is just cut.
  label->SetWordWrap(false);
  label->SetCaption(u"WWWWWWWWWWWWWWWWWWWWWW");
  label->SetTransparent(false);
  form->Show();
  Pump();
  auto paint = [&] {
    TRect r = form->ClientRect();
    TBitmap bmp(r.Width(), r.Height(), pf32bit);
    SendMessageW(form->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(bmp.Canvas()->Handle()),
                 PRF_CLIENT | PRF_ERASEBKGND);
    std::vector<uint32_t> row;
    for (int x = 0; x < 80; ++x)
      for (int y = 0; y < 16; ++y) row.push_back(bmp.View().At(x, y) & 0xFFFFFF);
    return row;
  };
  auto cut = paint();
  label->SetEllipsisPosition(epEndEllipsis);
  auto ellipsis = paint();
  EXPECT_NE(cut, ellipsis);
  label->SetAutoSize(true);  // a label that sizes itself shows everything
  EXPECT_GT(label->Width(), 80);

  // Aligned at the top and word-wrapped, it keeps the parent's width and takes the height
  // its text needs there.
  auto* panel = new TWinControl(form);
  panel->SetBounds(0, 40, 250, 100);
  panel->SetParent(form);
  auto* top = new TLabel(form);
  top->SetWordWrap(true);
  top->SetCaption(text);
  top->SetAlign(alTop);
  top->SetParent(panel);
  const Integer wideHeight = top->Height();
  EXPECT_EQ(top->Width(), 250);
  panel->SetWidth(60);
  EXPECT_EQ(top->Width(), 60);
  EXPECT_GT(top->Height(), wideHeight);
  panel->SetWidth(250);
  EXPECT_EQ(top->Height(), wideHeight);
}

}  // namespace
