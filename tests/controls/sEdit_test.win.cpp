// The edit's padding in its window: the client area starts inside it, the unskinned padding
// shows the edit's colour, and a padding larger than the edit leaves an empty client area
// rather than an inverted one.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/sMessages.h"
#include "controls/sEdit.h"
#include "support/FormFixture.h"
#include "ui/GdiScopes.h"

namespace {

class EditPadding : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    edit = new TsEdit(form);
    edit->SetBounds(10, 10, 200, 32);
    edit->SetColor(clYellow);
    edit->Padding()->SetPadding(0, 6);
    edit->Padding()->SetPadding(1, 3);
    edit->SetParent(form);
    form->Show();
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
  }
  // The client rectangle in window coordinates.
  TRect Client() {
    RECT window{}, client{};
    GetWindowRect(edit->Handle(), &window);
    GetClientRect(edit->Handle(), &client);
    POINT origin{0, 0};
    ClientToScreen(edit->Handle(), &origin);
    return TRect(origin.x - window.left, origin.y - window.top, origin.x - window.left + client.right,
                 origin.y - window.top + client.bottom);
  }
  TsEdit* edit = nullptr;
};

TEST_F(EditPadding, ClientAreaStartsInsideThePadding) {
  const TRect bare = [&] {
    RECT r{0, 0, 200, 32};
    AdjustWindowRectEx(&r, 0, FALSE, GetWindowLongW(edit->Handle(), GWL_EXSTYLE));
    return TRect(-r.left, -r.top, 200 - (r.right - 200), 32 - (r.bottom - 32));
  }();
  const TRect client = Client();
  EXPECT_EQ(client.Left, bare.Left + 6);
  EXPECT_EQ(client.Top, bare.Top + 3);
  EXPECT_EQ(client.Right, bare.Right);
  EXPECT_EQ(client.Bottom, bare.Bottom);
}

TEST_F(EditPadding, UnskinnedPaddingShowsTheEditColour) {
  RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  const TRect client = Client();
  TWindowDC dc(edit->Handle());
  // Inside the left padding and the top padding, outside the client area.
  EXPECT_EQ(GetPixel(dc, client.Left - 3, client.Top + 5), RGB(255, 255, 0));
  EXPECT_EQ(GetPixel(dc, client.Left + 20, client.Top - 2), RGB(255, 255, 0));
}

TEST_F(EditPadding, PaddingLargerThanTheEditLeavesNoInvertedClient) {
  edit->Padding()->SetPadding(0, 150);
  edit->Padding()->SetPadding(2, 150);
  edit->Padding()->SetPadding(1, 40);
  const TRect client = Client();
  EXPECT_GE(client.Width(), 0);
  EXPECT_GE(client.Height(), 0);
  RECT r{};
  GetClientRect(edit->Handle(), &r);
  EXPECT_EQ(r.right, 0);
  EXPECT_EQ(r.bottom, 0);
}

}  // namespace

namespace {

TEST_F(EditPadding, TextRectAnswersTheTextAreaInsideFrameAndPadding) {
  const TRect expected(2 + 1 + 6, 2 + 1 + 3, 200 - 2 - 1, 32 - 2);  // Ctl3D frame 2, single border 1
  EXPECT_EQ(edit->TextRect(), expected);
  TRect asked;
  EXPECT_EQ(SendMessageW(edit->Handle(), SM_ALPHACMD, WPARAM(KV_GETTEXTRECT) << 16, LPARAM(&asked)), 1);
  EXPECT_EQ(asked, expected);
  edit->SetBorderStyle(bsNone);
  for (int i = 0; i < 5; ++i) Application->ProcessMessages();
  EXPECT_EQ(edit->TextRect(), TRect(6, 3, edit->Width(), edit->Height()));  // no frame at all
}

}  // namespace

namespace {

// The font's line height plus the room the system edit keeps around its line.
Integer LineRoom(TsEdit* edit) {
  TClientDC screen(nullptr);
  TSelectObject font(screen, edit->Font()->Handle());
  TEXTMETRICW tm{};
  GetTextMetricsW(screen, &tm);
  return tm.tmHeight + 6;
}

TEST_F(EditPadding, AlignedTextKeepsTheRoomOfAWholeLine) {
  edit->Padding()->SetPadding(0, 0);
  edit->Padding()->SetPadding(1, 0);
  edit->SetHeight(60);
  const Integer line = LineRoom(edit);
  ASSERT_LT(line, 60);
  struct Case {
    TVerticalAlignment alignment;
    Integer top, bottom;
  } cases[] = {
      {taAlignTop, 0, 0},
      {taVerticalCenter, (60 - line) / 2, (60 - line) / 2},
      {taAlignBottom, 60 - line, 0},
  };
  for (const Case& c : cases) {
    edit->SetVerticalAlignment(c.alignment);
    for (int i = 0; i < 3; ++i) Application->ProcessMessages();
    EXPECT_EQ(edit->AddedPadding().Top, c.top) << int(c.alignment);
    EXPECT_EQ(edit->AddedPadding().Bottom, c.bottom) << int(c.alignment);
    // The client keeps at least the line's room, so the text is not clipped.
    RECT client{};
    GetClientRect(edit->Handle(), &client);
    EXPECT_GE(client.bottom, line - 2 * 3) << int(c.alignment);  // less the 3-D frame, top and bottom
  }
}

}  // namespace
