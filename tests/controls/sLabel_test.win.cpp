// The HTML label: its links after a layout, a click that opens the link under the mouse, a
// handler that refuses a link, and a click index the current layout no longer has.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "controls/sLabel.h"
#include "support/FormFixture.h"
#include "ui/Bitmap.h"
#include "ui/Canvas.h"

namespace {

std::vector<String> opened;
bool Record(const String& url, Integer) {
  opened.push_back(url);
  return true;
}

struct Refuser {
  void Refuse(TObject*, String& link, bool& defaultAction) {
    if (link == u"https://b.example/") defaultAction = false;
  }
};

class HtmlLabel : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    saved = TsHTMLLabel::OpenLink;
    TsHTMLLabel::OpenLink = Record;
    opened.clear();
    label = new TsHTMLLabel(form);
    label->SetParent(form);
    label->SetBounds(10, 10, 250, 40);
    label->SetCaption(u"see <a href=\"https://a.example/\">first</a> and <a href='https://b.example/'>second</a>");
    form->Show();
    PumpMessages();
    label->Repaint();
    PumpMessages();
  }
  void TearDown() override {
    TsHTMLLabel::OpenLink = saved;
    FormTest::TearDown();
  }
  TsHTMLLabel::TOpenLink saved = nullptr;
  TsHTMLLabel* label = nullptr;
};

TEST_F(HtmlLabel, LayoutRecordsLinksAndPlainCaption) {
  ASSERT_EQ(label->Links().size(), 2u);
  EXPECT_EQ(label->Links()[0].URL, u"https://a.example/");
  EXPECT_EQ(label->Links()[1].Ndx, 1);
  EXPECT_LT(label->Links()[0].Bounds.Right, label->Links()[1].Bounds.Left);
  EXPECT_EQ(label->PlainCaption(), u"see first and second");
}

TEST_F(HtmlLabel, ClickOnALinkOpensItsAddress) {
  ASSERT_EQ(label->Links().size(), 2u);
  const TRect b = label->Links()[0].Bounds;
  const LPARAM at = MAKELPARAM((b.Left + b.Right) / 2, (b.Top + b.Bottom) / 2);
  label->Perform(WM_MOUSEMOVE, 0, at);
  EXPECT_EQ(label->HotLink(), 0);
  label->Perform(WM_LBUTTONDOWN, MK_LBUTTON, at);
  label->Perform(WM_LBUTTONUP, 0, at);
  EXPECT_EQ(opened, std::vector<String>{u"https://a.example/"});
}

TEST_F(HtmlLabel, HandlerRefusesALinkAndStaleIndexesDoNothing) {
  Refuser refuser;
  label->SetOnLinkClick(TLinkClickEvent(&refuser, &Refuser::Refuse));
  EXPECT_FALSE(label->DoClick(1));
  EXPECT_TRUE(label->DoClick(0));
  // The caption changes and a repaint refills the links: an index from before is out of range.
  label->SetCaption(u"no links now");
  label->Repaint();
  PumpMessages();
  EXPECT_TRUE(label->Links().empty());
  EXPECT_FALSE(label->DoClick(1));
  EXPECT_EQ(opened, std::vector<String>{u"https://a.example/"});
}

}  // namespace
