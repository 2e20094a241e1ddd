// The height of everything above a skinned form's client area, for every framed border style,
// with and without an outer border window and a menu line: as the system lays the window out
// (its frame may be thinner than the border metric, which carries a margin for frames of
// newer systems), and where the skin's title band ends in the window picture.
#include <windows.h>

#include <optional>

#include "forms/sSkinProvider.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"
#include "support/MenuLineSkin.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"
#include "ui/Menus.h"

using namespace formskin;

namespace {

constexpr Integer kSkinTitle = 30, kSkinBorder = 4;
constexpr TRect kShadow(10, 8, 12, 14);

struct HeaderCase {
  TFormBorderStyle style;
  bool outerBorder;
  bool menu;
  Integer formBorder = 0;  // the form's own border width, inside the frame
};

class HeaderHeight : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    // The outer border window needs the layered-window functions, bound here to the recorder.
    recorder.emplace();
    menuline::AddSections(*skin);
    TkvSkinData& d = *skin->skin.Data;
    d.ExTitleHeight = d.ExMaxHeight = kSkinTitle;
    d.ExBorderWidth = kSkinBorder;
    SetCursorPos(0, 0);
  }
  void TearDown() override {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    SkinnedForm::TearDown();
    recorder.reset();
  }
  std::optional<layered::LayeredCalls> recorder;
  // A new form of the case, skinned and shown, its caption laid out.
  void MakeForm(const HeaderCase& c) {
    RenewForm();
    if (c.outerBorder)
      GiveShadow(*skin, kShadow);
    else
      skin->skin.Manager.SetExtendedBorders(false);
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
    form->SetCaption(u"");  // no caption text over the pixels read back
    form->SetBorderStyle(c.style);
    form->SetBorderWidth(c.formBorder);
    if (c.menu) GiveMenuTo(form);
    form->HandleNeeded();
    Skin();
    ShowForm();
    SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
    for (int i = 0; i < 5; ++i) Application->ProcessMessages();
    sp->CalcItems();
  }
  // How far below the window's top the system put the client.
  Integer SystemClientTop() {
    RECT w{};
    GetWindowRect(form->Handle(), &w);
    POINT origin{0, 0};
    ClientToScreen(form->Handle(), &origin);
    return origin.y - w.top;
  }
};

// A dialog frame has no menu line.
const HeaderCase kCases[] = {
    {bsSingle, false, false},     {bsSingle, false, true},      {bsSingle, true, false},
    {bsSingle, true, true},       {bsDialog, false, false},     {bsDialog, true, false},
    {bsToolWindow, false, false}, {bsToolWindow, false, true},  {bsToolWindow, true, false},
    {bsToolWindow, true, true},   {bsSizeable, false, false},   {bsSizeable, false, true},
    {bsSizeable, true, false},    {bsSizeable, true, true},     {bsSizeToolWin, false, false},
    {bsSizeToolWin, false, true}, {bsSizeToolWin, true, false}, {bsSizeToolWin, true, true},
    {bsSingle, false, false, 5},  {bsSingle, false, true, 5},   {bsSizeable, false, true, 5},
};

}  // namespace

// Without an outer border window the header is what the system put above the client (caption,
// top edge and menu bar); the picture shows the skin's title down to the menu line, the menu
// line down to the client, and the client from there, in the picture and on the screen. With
// an outer border window the header is the skin's title, and the picture's client follows it,
// the menu line and the shadow in between.
TEST_F(HeaderHeight, EndsWhereTheClientBegins) {
  for (const HeaderCase& c : kCases) {
    SCOPED_TRACE(testing::Message() << "style " << int(c.style) << (c.outerBorder ? " outer border" : "")
                                    << (c.menu ? " menu" : "") << " form border " << c.formBorder);
    MakeForm(c);
    ASSERT_EQ(bool(sp->BorderForm), c.outerBorder);
    ASSERT_EQ(sp->MenuPresent(), c.menu);
    const Integer menuLine = sp->MenuPresent() ? sp->LinesCount() * sp->MenuHeight() + 1 : 0;
    if (sp->MenuPresent()) { ASSERT_GT(sp->MenuHeight(), 0); }
    const TRect shadow = sp->ShadowSize();
    const Integer header = sp->HeaderHeight();
    // Where the client begins in the picture, and in the window.
    Integer clientTop = 0;
    if (c.outerBorder) {
      EXPECT_EQ(header, kSkinTitle);
      clientTop = shadow.Top + header + menuLine;
      EXPECT_EQ(sp->OffsetY(), clientTop);
    } else {
      clientTop = SystemClientTop();
      EXPECT_EQ(header, clientTop);
      EXPECT_EQ(sp->OffsetY(), clientTop);
    }
    // The form's own border lies between the menu line and the client, in the client's colour.
    const Integer inner = c.formBorder;
    // The title bar's band, as the caption layout keeps it, ends at the menu line; beside an
    // outer border window it starts below the shadow's top.
    EXPECT_EQ(sp->FHeaderHeight, c.outerBorder ? shadow.Top + header : header - (menuLine + inner));

    TBitmap* picture = sp->FCommonData->FCacheBmp.get();
    ASSERT_NE(picture, nullptr);
    const Integer x = picture->Width() / 2;
    const TColor title = sp->FormActive ? kTitleActive : kTitleInactive;
    const TColor client = sp->FormActive ? kClientActive : kClientInactive;
    const Integer titleEnd = clientTop - menuLine - inner;
    EXPECT_EQ(picture->PixelColor(x, titleEnd - 1), title);
    EXPECT_EQ(picture->PixelColor(x, clientTop), client);
    if (inner) { EXPECT_EQ(picture->PixelColor(x, clientTop - inner), client); }
    if (sp->MenuPresent()) {
      EXPECT_EQ(picture->PixelColor(x, titleEnd), menuline::kLine);
      EXPECT_EQ(picture->PixelColor(x, clientTop - inner - 1), menuline::kLine);
    }
    if (c.outerBorder) {
      // The border window shows the same title band.
      const HWND bw = sp->BorderForm->LayeredWindow();
      const layered::UpdateCall* shown = nullptr;
      for (const layered::UpdateCall& u : layered::updates)
        if (u.wnd == bw && !u.pixels.empty()) shown = &u;
      ASSERT_NE(shown, nullptr);
      EXPECT_EQ(Rgb(shown->At(x, titleEnd - 1)), RgbOfColor(title));
    } else {
      const auto shot = WindowShot(form->Handle());
      EXPECT_EQ(shot->PixelColor(x, titleEnd - 1), title);
      EXPECT_EQ(shot->PixelColor(x, clientTop), client);
    }
  }
}
