// The panel (bevels, border, caption, the parent's background, where its children go) and
// the link label (its links as the system parses them, and clicks on them).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/FormFixture.h"
#include "support/WindowProbes.h"
#include "ui/ExtCtrls.h"

namespace {

class TLinks : public TObject {
 public:
  std::vector<std::pair<String, TSysLinkType>> clicked;
  void LinkClick(TObject*, const String& link, TSysLinkType type) { clicked.push_back({link, type}); }
};

}  // namespace

using ExtControlsTest = FormTest;

TEST_F(ExtControlsTest, PanelPaintsBevelsBorderAndCaptionAndPlacesItsChildrenInside) {
  LoadForm(
      u"object F: TForm\n"
      u"  Color = clWhite\n"
      u"  object panel: TPanel\n"
      u"    Left = 10\n    Top = 10\n    Width = 200\n    Height = 100\n"
      u"    BevelOuter = bvLowered\n"
      u"    BevelInner = bvRaised\n"
      u"    BevelWidth = 2\n"
      u"    BorderWidth = 3\n"
      u"    Color = clYellow\n"
      u"    ParentBackground = False\n"
      u"    Caption = \"Panel\"\n"
      u"    Alignment = taLeftJustify\n"
      u"    VerticalAlignment = taAlignTop\n"
      u"    object child: TPanel\n      Align = alBottom\n      Height = 20\n    end\n"
      u"  end\n"
      u"end\n");
  auto* panel = Find<TPanel>(u"panel");
  auto* child = Find<TPanel>(u"child");
  // Inside both bevels and the border: 2 + 3 + 2 on every side.
  EXPECT_EQ(panel->InnerRect(), TRect(7, 7, 193, 93));
  EXPECT_EQ(child->BoundsRect(), TRect(7, 73, 193, 93));
  auto picture = PrintedClient(panel);
  // Outer bevel lowered: shadow above and left, highlight below and right.
  EXPECT_EQ(PixelAt(picture.get(), 0, 40), Rgb(clBtnShadow));
  EXPECT_EQ(PixelAt(picture.get(), 199, 40), Rgb(clBtnHighlight));
  // The border in the panel's colour, then the raised inner bevel.
  EXPECT_EQ(PixelAt(picture.get(), 3, 40), Rgb(clYellow));
  EXPECT_EQ(PixelAt(picture.get(), 5, 40), Rgb(clBtnHighlight));
  EXPECT_EQ(PixelAt(picture.get(), 194, 40), Rgb(clBtnShadow));
  // The caption at the top left of the inner area, the rest the panel's colour.
  bool text = false;
  for (Integer y = 7; y < 25 && !text; ++y)
    for (Integer x = 7; x < 40 && !text; ++x) text = PixelAt(picture.get(), x, y) != Rgb(clYellow);
  EXPECT_TRUE(text);
  EXPECT_EQ(PixelAt(picture.get(), 150, 50), Rgb(clYellow));
  // ShowCaption off: only the colour.
  panel->SetShowCaption(false);
  picture = PrintedClient(panel);
  for (Integer y = 7; y < 25; ++y)
    for (Integer x = 7; x < 40; ++x) ASSERT_EQ(PixelAt(picture.get(), x, y), Rgb(clYellow)) << x << "," << y;
}

TEST_F(ExtControlsTest, PanelShowsItsParentsBackgroundAndItsBorderStyle) {
  LoadForm(
      u"object F: TForm\n"
      u"  Color = clAqua\n"
      u"  object panel: TPanel\n"
      u"    Left = 10\n    Top = 10\n    Width = 120\n    Height = 60\n"
      u"    BevelOuter = bvNone\n"
      u"    Color = clYellow\n"
      u"    ShowCaption = False\n"
      u"  end\n"
      u"end\n");
  auto* panel = Find<TPanel>(u"panel");
  EXPECT_TRUE(panel->ParentBackground());  // the default
  EXPECT_EQ(PixelAt(PrintedClient(panel).get(), 60, 30), Rgb(clAqua));
  panel->SetParentBackground(false);
  EXPECT_EQ(PixelAt(PrintedClient(panel).get(), 60, 30), Rgb(clYellow));
  EXPECT_EQ(GetWindowLongW(panel->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  panel->SetBorderStyle(bsSingle);
  EXPECT_NE(GetWindowLongW(panel->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(panel->ClientWidth(), 120 - 2 * GetSystemMetrics(SM_CXEDGE));
}

TEST_F(ExtControlsTest, PanelClicksRunItsOnClick) {
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(20, 20, 100, 50);
  struct TCount : TObject {
    int n = 0;
    void Click(TObject*) { ++n; }
  } count;
  panel->SetOnClick(TNotifyEvent(&count, &TCount::Click));
  ShowInFront();
  ClickAt(panel->ClientToScreen(TPoint(50, 25)));
  PumpMessages(100);
  EXPECT_EQ(count.n, 1);
}

TEST_F(ExtControlsTest, LinkLabelLinksAndTheirClicks) {
  LoadForm(
      u"object F: TForm\n"
      u"  object link: TLinkLabel\n"
      u"    Left = 8\n    Top = 8\n    Width = 250\n    Height = 20\n"
      u"    Caption = \"Visit <a href=\\\"https://example.invalid/a\\\">site</a> or <a id=\\\"more\\\">more</a>\"\n"
      u"  end\n"
      u"end\n");
  auto* link = Find<TLinkLabel>(u"link");
  wchar_t cls[32] = {};
  GetClassNameW(link->Handle(), cls, 32);
  // The window is the library's class over the system's link control.
  WNDCLASSW info{};
  ASSERT_TRUE(GetClassInfoW(GetModuleHandleW(nullptr), cls, &info));
  EXPECT_EQ(link->LinkCount(), 2);
  EXPECT_EQ(link->LinkUrl(0), u"https://example.invalid/a");
  EXPECT_EQ(link->LinkUrl(1), u"");
  TLinks links;
  link->SetOnLinkClick(TSysLinkEvent(&links, &TLinks::LinkClick));
  ShowInFront();
  // The links' places: where their texts fall after the plain text before them.
  HDC dc = GetDC(link->Handle());
  HGDIOBJ old = SelectObject(dc, link->Font()->Handle());
  SIZE before{}, first{};
  GetTextExtentPoint32W(dc, L"Visit ", 6, &before);
  GetTextExtentPoint32W(dc, L"Visit site or ", 14, &first);
  SelectObject(dc, old);
  ReleaseDC(link->Handle(), dc);
  ClickAt(link->ClientToScreen(TPoint(before.cx + 6, 8)));
  PumpMessages(150);
  ClickAt(link->ClientToScreen(TPoint(first.cx + 6, 8)));
  PumpMessages(150);
  ASSERT_EQ(links.clicked.size(), 2u);
  EXPECT_EQ(links.clicked[0].first, u"https://example.invalid/a");
  EXPECT_EQ(links.clicked[0].second, sltURL);
  EXPECT_EQ(links.clicked[1].first, u"more");
  EXPECT_EQ(links.clicked[1].second, sltID);
  // Clicking the plain text is no link.
  ClickAt(link->ClientToScreen(TPoint(2, 8)));
  PumpMessages(150);
  EXPECT_EQ(links.clicked.size(), 2u);
}

TEST_F(ExtControlsTest, LinkLabelKeepsItsFontAndColoursAcrossNewWindows) {
  auto* link = new TLinkLabel(form);
  link->SetParent(form);
  link->SetBounds(8, 8, 200, 20);
  link->SetCaption(u"a <a>link</a>");
  ShowInFront();
  const HFONT font = link->Font()->Handle();
  const HBRUSH brush = link->Brush()->Handle();
  link->SetAlignment(taRightJustify);  // a new window: the old one went
  PumpMessages(50);
  EXPECT_NE(GetWindowLongW(link->Handle(), GWL_STYLE) & LWS_RIGHT, 0);
  EXPECT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
  EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(link->Handle(), WM_GETFONT, 0, 0)), font);
  EXPECT_EQ(link->LinkCount(), 1);
}
