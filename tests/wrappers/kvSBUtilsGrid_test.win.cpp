// The grid, extended grid and virtual tree wrappers colour controls only through published
// properties found by name. The controls here are test classes that publish the properties of
// such grids and trees; the tests reach them by name as the wrappers do. Every property the
// wrapper writes gets its own saved value back, a property it did not change is left alone, and
// the application's own header-drawing events stay.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/kvntUtils.h"
#include "support/EditLikeFixture.h"
#include "ui/Controls.h"
#include "ui/Graphics.h"
#include "ui/TypInfo.h"
#include "wrappers/kvSBUtilsGrid.h"

using namespace editlike;

namespace {

TW_ENUM(TTestGridOptionEh, dghFixed3D, dghHighlightFocus)
TW_ENUM(TTestHeaderOption, hoVisible, hoOwnerDraw)

// A nested colour object: the names of every nested object the maps visit.
class TTestBag : public TPersistent {
  TW_CLASS(TTestBag, TPersistent)
  explicit TTestBag(bool withTitle = false) : Title(withTitle ? new TTestBag() : nullptr), Font(new TFont()) {}
  ~TTestBag() override {
    delete Title;
    delete Font;
  }
  TColor Color = 0x000001, SecondColor = 0x000002, VertLineColor = 0x000003, BrightColor = 0x000004;
  TColor DataHorzColor = 0x000005, DataVertColor = 0x000006, DarkColor = 0x000007, FixedColor = 0x000008;
  TColor DataColor = 0x000009, ShadowColor = 0x00000A, StartColor = 0x00000B, EndColor = 0x00000C;
  TColor FixedGradientFrom = 0x00000D, FixedGradientTo = 0x00000E, FixedGradientMirrorFrom = 0x00000F;
  TColor FixedGradientMirrorTo = 0x000010, CompressedTextColor = 0x000011, FileTextColor = 0x000012;
  TColor FolderTextColor = 0x000013, FocusedSelectionColor = TColor(0xFF00000D);
  TColor UnfocusedSelectionColor = TColor(0xFF00000D), FocusedSelectionBorderColor = TColor(0xFF00000D);
  TColor UnfocusedSelectionBorderColor = TColor(0xFF00000D), SelectionTextColor = TColor(0xFF00000E);
  TColor HotColor = 0x000014;
  Integer FillStyle = 0, HorzLines = 1, VertLines = 1, ParentColor = 0, Style = 0;
  TTestBag* Title;
  TFont* Font;
};

class TTestHeader : public TPersistent {
  TW_CLASS(TTestHeader, TPersistent)
  TTestHeader() : Font(new TFont()) { Font->SetColor(0x0000AA); }
  ~TTestHeader() override { delete Font; }
  TSet<TTestHeaderOption> Options{hoVisible};
  Integer Height = 20;
  TColor Color = 0x0000BB;
  Integer SortDirection = 0;
  TFont* Font;
};

// A string grid: no ControlLook, GridStyle or LineColors.
class TTestStringGrid : public TCustomControl {
  TW_CLASS(TTestStringGrid, TCustomControl)
  explicit TTestStringGrid(TComponent* owner) : TCustomControl(owner), TitleFont(new TFont()) {
    TitleFont->SetColor(0x000101);
  }
  ~TTestStringGrid() override { delete TitleFont; }
  TColor FixedColor = 0x000102, GridLineColor = 0x000103, FooterColor = 0x000104, TitleColor = 0x000105;
  TColor FooterCellColor = 0x000106, IndicatorIconColor = 0x000107;
  TFont* TitleFont;

 protected:
  // A sunken frame for the skin to paint, and cells in the fixed colour.
  void CreateParams(TCreateParams& params) override {
    TCustomControl::CreateParams(params);
    params.ExStyle |= WS_EX_CLIENTEDGE;
  }
  void Paint() override {
    Canvas()->Brush()->SetColor(FixedColor);
    Canvas()->FillRect(ClientRect());
  }
};

// A draw grid with ControlLook, a fixed font, line colours and a grid style.
class TTestDrawGrid : public TTestStringGrid {
  TW_CLASS(TTestDrawGrid, TTestStringGrid)
  explicit TTestDrawGrid(TComponent* owner)
      : TTestStringGrid(owner),
        FixedFont(new TFont()),
        ControlLook(new TTestBag()),
        LineColors(new TTestBag()),
        GridStyle(new TTestBag(true)) {
    FixedFont->SetColor(0x000201);
    ControlLook->FixedGradientFrom = TColor(0x1FFFFFFF);  // no colour
  }
  ~TTestDrawGrid() override {
    delete FixedFont;
    delete ControlLook;
    delete LineColors;
    delete GridStyle;
  }
  TColor GridFixedLineColor = 0x000202, SelectionColor = 0x000203, SelectionTextColor = 0x000204;
  TFont* FixedFont;
  TTestBag* ControlLook;
  TTestBag* LineColors;
  TTestBag* GridStyle;
};

class TTestGridEh : public TTestStringGrid {
  TW_CLASS(TTestGridEh, TTestStringGrid)
  explicit TTestGridEh(TComponent* owner)
      : TTestStringGrid(owner),
        GridLineParams(new TTestBag()),
        IndicatorParams(new TTestBag()),
        TitleParams(new TTestBag()),
        DataGrouping(new TTestBag()),
        RowCategories(new TTestBag()),
        RowDetailPanel(new TTestBag()) {}
  ~TTestGridEh() override {
    for (TTestBag* b : {GridLineParams, IndicatorParams, TitleParams, DataGrouping, RowCategories, RowDetailPanel})
      delete b;
  }
  TSet<TTestGridOptionEh> OptionsEh{dghFixed3D};
  TColor EvenRowColor = 0x000301, OddRowColor = 0x000302;
  TTestBag *GridLineParams, *IndicatorParams, *TitleParams, *DataGrouping, *RowCategories, *RowDetailPanel;
};

// A data-aware grid (it has a data source) that logs the scroll codes reaching it.
class TTestDataGrid : public TTestStringGrid {
  TW_CLASS(TTestDataGrid, TTestStringGrid)
  using TTestStringGrid::TTestStringGrid;
  Integer DataSource = 0;
  std::vector<Integer> ScrollCodes;
  Integer Releases = 0;  // WM_LBUTTONUP that reached the grid

 protected:
  void WndProc(TMessage& message) override {
    if (message.Msg == WM_VSCROLL) ScrollCodes.push_back(LOWORD(message.WParam));
    if (message.Msg == WM_LBUTTONUP) ++Releases;
    TTestStringGrid::WndProc(message);
  }
  void CreateParams(TCreateParams& params) override {
    TTestStringGrid::CreateParams(params);
    params.Style |= WS_VSCROLL;
  }
};
// The data grid whose end of a thumb drag needs no extra thumb-position scroll.
class TwwDBGrid : public TTestDataGrid {
  TW_CLASS(TwwDBGrid, TTestDataGrid)
  using TTestDataGrid::TTestDataGrid;
};

class TTestVirtualTree : public TCustomControl {
  TW_CLASS(TTestVirtualTree, TCustomControl)
  explicit TTestVirtualTree(TComponent* owner)
      : TCustomControl(owner),
        VETColors(new TTestBag()),
        Colors(new TTestBag()),
        Header(new TTestHeader()),
        PaintInfoColumn(new TTestBag()) {}
  ~TTestVirtualTree() override {
    delete VETColors;
    delete Colors;
    delete Header;
    delete PaintInfoColumn;
  }
  TTestBag* VETColors;
  TTestBag* Colors;
  TTestHeader* Header;
  TTestBag* PaintInfoColumn;
  bool Themed = false;
  TkvAdvancedHeaderPaintEvent OnAdvancedHeaderDraw;
  TkvHeaderPaintQueryElementsEvent OnHeaderDrawQueryElements;

 protected:
  void CreateParams(TCreateParams& params) override {
    TCustomControl::CreateParams(params);
    params.ExStyle |= WS_EX_CLIENTEDGE;
  }
};

#define BAG_COLOR(n) b.Color(u"" #n, &TTestBag::n, &TTestBag::n)
TW_DEFINE_CLASS(TTestBag) {
  BAG_COLOR(Color);
  BAG_COLOR(SecondColor);
  BAG_COLOR(VertLineColor);
  BAG_COLOR(BrightColor);
  BAG_COLOR(DataHorzColor);
  BAG_COLOR(DataVertColor);
  BAG_COLOR(DarkColor);
  BAG_COLOR(FixedColor);
  BAG_COLOR(DataColor);
  BAG_COLOR(ShadowColor);
  BAG_COLOR(StartColor);
  BAG_COLOR(EndColor);
  BAG_COLOR(FixedGradientFrom);
  BAG_COLOR(FixedGradientTo);
  BAG_COLOR(FixedGradientMirrorFrom);
  BAG_COLOR(FixedGradientMirrorTo);
  BAG_COLOR(CompressedTextColor);
  BAG_COLOR(FileTextColor);
  BAG_COLOR(FolderTextColor);
  BAG_COLOR(FocusedSelectionColor);
  BAG_COLOR(UnfocusedSelectionColor);
  BAG_COLOR(FocusedSelectionBorderColor);
  BAG_COLOR(UnfocusedSelectionBorderColor);
  BAG_COLOR(SelectionTextColor);
  BAG_COLOR(HotColor);
  b.Property(u"FillStyle", &TTestBag::FillStyle, &TTestBag::FillStyle);
  b.Property(u"HorzLines", &TTestBag::HorzLines, &TTestBag::HorzLines);
  b.Property(u"VertLines", &TTestBag::VertLines, &TTestBag::VertLines);
  b.Property(u"ParentColor", &TTestBag::ParentColor, &TTestBag::ParentColor);
  b.Property(u"Style", &TTestBag::Style, &TTestBag::Style);
  b.Property(u"Font", [](const TTestBag& o) { return o.Font; });
  b.Property(u"Title", [](const TTestBag& o) { return o.Title; });
}
#undef BAG_COLOR
TW_DEFINE_CLASS(TTestHeader) {
  b.Property(u"Options", &TTestHeader::Options, &TTestHeader::Options);
  b.Property(u"Height", &TTestHeader::Height, &TTestHeader::Height);
  b.Color(u"Color", &TTestHeader::Color, &TTestHeader::Color);
  b.Property(u"SortDirection", &TTestHeader::SortDirection, &TTestHeader::SortDirection);
  b.Property(u"Font", [](const TTestHeader& o) { return o.Font; });
}
TW_DEFINE_CLASS(TTestStringGrid) {
  b.Color(u"FixedColor", &TTestStringGrid::FixedColor, &TTestStringGrid::FixedColor);
  b.Color(u"GridLineColor", &TTestStringGrid::GridLineColor, &TTestStringGrid::GridLineColor);
  b.Color(u"FooterColor", &TTestStringGrid::FooterColor, &TTestStringGrid::FooterColor);
  b.Color(u"FooterCellColor", &TTestStringGrid::FooterCellColor, &TTestStringGrid::FooterCellColor);
  b.Color(u"TitleColor", &TTestStringGrid::TitleColor, &TTestStringGrid::TitleColor);
  b.Color(u"IndicatorIconColor", &TTestStringGrid::IndicatorIconColor, &TTestStringGrid::IndicatorIconColor);
  b.Property(u"TitleFont", [](const TTestStringGrid& o) { return o.TitleFont; });
}
TW_DEFINE_CLASS(TTestDrawGrid) {
  b.Color(u"GridFixedLineColor", &TTestDrawGrid::GridFixedLineColor, &TTestDrawGrid::GridFixedLineColor);
  b.Color(u"SelectionColor", &TTestDrawGrid::SelectionColor, &TTestDrawGrid::SelectionColor);
  b.Color(u"SelectionTextColor", &TTestDrawGrid::SelectionTextColor, &TTestDrawGrid::SelectionTextColor);
  b.Property(u"FixedFont", [](const TTestDrawGrid& o) { return o.FixedFont; });
  b.Property(u"ControlLook", [](const TTestDrawGrid& o) { return o.ControlLook; });
  b.Property(u"LineColors", [](const TTestDrawGrid& o) { return o.LineColors; });
  b.Property(u"GridStyle", [](const TTestDrawGrid& o) { return o.GridStyle; });
}
TW_DEFINE_CLASS(TTestGridEh) {
  b.Property(u"OptionsEh", &TTestGridEh::OptionsEh, &TTestGridEh::OptionsEh);
  b.Color(u"EvenRowColor", &TTestGridEh::EvenRowColor, &TTestGridEh::EvenRowColor);
  b.Color(u"OddRowColor", &TTestGridEh::OddRowColor, &TTestGridEh::OddRowColor);
  b.Property(u"GridLineParams", [](const TTestGridEh& o) { return o.GridLineParams; });
  b.Property(u"IndicatorParams", [](const TTestGridEh& o) { return o.IndicatorParams; });
  b.Property(u"TitleParams", [](const TTestGridEh& o) { return o.TitleParams; });
  b.Property(u"DataGrouping", [](const TTestGridEh& o) { return o.DataGrouping; });
  b.Property(u"RowCategories", [](const TTestGridEh& o) { return o.RowCategories; });
  b.Property(u"RowDetailPanel", [](const TTestGridEh& o) { return o.RowDetailPanel; });
}
TW_DEFINE_CLASS(TTestDataGrid) { b.Property(u"DataSource", &TTestDataGrid::DataSource, &TTestDataGrid::DataSource); }
TW_DEFINE_CLASS(TwwDBGrid) {}
TW_DEFINE_CLASS(TTestVirtualTree) {
  b.Property(u"VETColors", [](const TTestVirtualTree& o) { return o.VETColors; });
  b.Property(u"Colors", [](const TTestVirtualTree& o) { return o.Colors; });
  b.Property(u"Header", [](const TTestVirtualTree& o) { return o.Header; });
  b.Property(u"PaintInfoColumn", [](const TTestVirtualTree& o) { return o.PaintInfoColumn; });
  b.Property(u"Themed", &TTestVirtualTree::Themed, &TTestVirtualTree::Themed);
  b.Property(u"OnAdvancedHeaderDraw", &TTestVirtualTree::OnAdvancedHeaderDraw, &TTestVirtualTree::OnAdvancedHeaderDraw);
  b.Property(u"OnHeaderDrawQueryElements", &TTestVirtualTree::OnHeaderDrawQueryElements,
             &TTestVirtualTree::OnHeaderDrawQueryElements);
}

// A property read by its dotted path, as the wrappers reach it.
Int64 Prop(TObject* root, StringView path) {
  const auto [obj, name] = TkvPropertySaver::Resolve(root, path);
  EXPECT_NE(obj, nullptr) << "no property " << std::string(path.begin(), path.end());
  return obj ? GetIntProp(obj, name) : -1;
}
void SetProp(TObject* root, StringView path, Int64 value) {
  const auto [obj, name] = TkvPropertySaver::Resolve(root, path);
  ASSERT_NE(obj, nullptr);
  SetIntProp(obj, name, value);
}

class GridWrappers : public EditLikeTest {
 protected:
  template <class C>
  C* Place() {
    auto* c = new C(form);
    c->SetParent(form);
    c->SetBounds(10, 10, 200, 120);
    return c;
  }
  // The values of the paths, read by name.
  static std::vector<Int64> Values(TObject* root, std::initializer_list<const char16_t*> paths) {
    std::vector<Int64> v;
    for (const char16_t* p : paths) v.push_back(Prop(root, p));
    return v;
  }
  static constexpr std::initializer_list<const char16_t*> kDrawGridPaths = {u"FixedColor",
                                                                            u"TitleFont.Color",
                                                                            u"FixedFont.Color",
                                                                            u"GridFixedLineColor",
                                                                            u"GridLineColor",
                                                                            u"ControlLook.FixedGradientFrom",
                                                                            u"ControlLook.FixedGradientTo",
                                                                            u"ControlLook.FixedGradientMirrorFrom",
                                                                            u"ControlLook.FixedGradientMirrorTo",
                                                                            u"SelectionColor",
                                                                            u"SelectionTextColor",
                                                                            u"GridStyle.Title.StartColor",
                                                                            u"GridStyle.Title.EndColor",
                                                                            u"LineColors.FixedColor",
                                                                            u"LineColors.DataColor",
                                                                            u"LineColors.ShadowColor",
                                                                            u"FooterColor",
                                                                            u"FooterCellColor",
                                                                            u"TitleColor",
                                                                            u"IndicatorIconColor"};
  void Tearoff(TkvEditWnd*& w, TControl* c) {
    auto* win = static_cast<TWinControl*>(c);
    Unwrap(win->Handle(), w);
  }
};

}  // namespace

// A string grid has none of ControlLook, GridStyle and LineColors: only its fixed colour, title
// font colour, footer, title and indicator colours change; its grid line colour stays.
TEST_F(GridWrappers, StringGridGetsOnlyItsOwnPropertiesChanged) {
  auto* grid = Place<TTestStringGrid>();
  Show();
  TkvEditWnd* w = Wrap<TkvGridWnd>(grid->Handle(), grid);
  w->SetSkinParams();
  EXPECT_EQ(Prop(grid, u"FixedColor"), kMain);
  EXPECT_EQ(Prop(grid, u"TitleFont.Color"), kLabelText);
  EXPECT_EQ(Prop(grid, u"FooterColor"), kMain);  // the skin has no "GLOBALINFO": the main colour
  EXPECT_EQ(Prop(grid, u"TitleColor"), kMain);
  EXPECT_EQ(Prop(grid, u"IndicatorIconColor"), kEditText);
  EXPECT_EQ(Prop(grid, u"GridLineColor"), 0x000103);
  Tearoff(w, grid);
  EXPECT_EQ(Prop(grid, u"FixedColor"), 0x000102);
  EXPECT_EQ(Prop(grid, u"TitleFont.Color"), 0x000101);
  EXPECT_EQ(Prop(grid, u"FooterColor"), 0x000104);
  EXPECT_EQ(Prop(grid, u"IndicatorIconColor"), 0x000107);
}

// Every path has its own saved value: the title font and the fixed font, the data and shadow
// line colours get back their own values (a gradient colour that was "no colour" comes back as
// the system button face).
TEST_F(GridWrappers, DrawGridGivesEveryPropertyItsOwnValueBack) {
  auto* grid = Place<TTestDrawGrid>();
  Show();
  const std::vector<Int64> before = Values(grid, kDrawGridPaths);
  TkvEditWnd* w = Wrap<TkvGridWnd>(grid->Handle(), grid);
  w->SetSkinParams();
  EXPECT_EQ(Prop(grid, u"FixedFont.Color"), kLabelText);
  EXPECT_EQ(Prop(grid, u"GridFixedLineColor"), kBorder);
  EXPECT_EQ(Prop(grid, u"GridLineColor"), kGrid);
  EXPECT_EQ(Prop(grid, u"SelectionColor"), kSelection);
  EXPECT_EQ(Prop(grid, u"ControlLook.FixedGradientFrom"), BlendColors(kMain, kEditBgPalette, 127));
  EXPECT_EQ(Prop(grid, u"GridStyle.Title.EndColor"), kMain);
  EXPECT_EQ(Prop(grid, u"LineColors.ShadowColor"), BlendColors(kEditBgPalette, kEditTextPalette, 205));
  Tearoff(w, grid);
  std::vector<Int64> expected = before;
  expected[5] = Int64(0xFF00000F);  // ControlLook.FixedGradientFrom had no colour
  EXPECT_EQ(Values(grid, kDrawGridPaths), expected);
}

// A value the wrapper never wrote is never written back: the application's own change stays.
TEST_F(GridWrappers, RestoreLeavesUnchangedPropertiesAlone) {
  auto* grid = Place<TTestGridEh>();
  grid->EvenRowColor = grid->OddRowColor = 0x000777;  // equal: the skin keeps them
  Show();
  TkvEditWnd* w = Wrap<TkvGridEhWnd>(grid->Handle(), grid);
  w->SetSkinParams();
  EXPECT_EQ(Prop(grid, u"EvenRowColor"), 0x000777);
  EXPECT_EQ(Prop(grid, u"DataGrouping.Color"), 0x000001);  // its parent colour is off
  // The application changes both meanwhile.
  SetProp(grid, u"EvenRowColor", 0x000888);
  SetProp(grid, u"DataGrouping.Color", 0x000999);
  Tearoff(w, grid);
  EXPECT_EQ(Prop(grid, u"EvenRowColor"), 0x000888);
  EXPECT_EQ(Prop(grid, u"DataGrouping.Color"), 0x000999);
}

TEST_F(GridWrappers, ExtendedGridTakesRowAndLineColoursAndGivesThemBack) {
  auto* grid = Place<TTestGridEh>();
  grid->DataGrouping->ParentColor = 1;
  Show();
  skin.Manager.Palette[pcEditBG_EvenRow] = 0x0E0E0E;
  skin.Manager.Palette[pcEditBG_OddRow] = 0x0D0D0D;
  TkvEditWnd* w = Wrap<TkvGridEhWnd>(grid->Handle(), grid);
  w->SetSkinParams();
  EXPECT_EQ(Prop(grid, u"EvenRowColor"), 0x0E0E0E);
  EXPECT_EQ(Prop(grid, u"OddRowColor"), 0x0D0D0D);
  EXPECT_EQ(Prop(grid, u"GridLineParams.DataHorzColor"), kGrid);
  EXPECT_EQ(Prop(grid, u"IndicatorParams.FillStyle"), 2);
  EXPECT_EQ(Prop(grid, u"IndicatorParams.HorzLines"), 0);
  EXPECT_EQ(Prop(grid, u"TitleParams.FillStyle"), 3);
  EXPECT_EQ(Prop(grid, u"DataGrouping.Color"), BlendColors(0xFFFFFF, kMain, 26));
  Tearoff(w, grid);
  EXPECT_EQ(Prop(grid, u"EvenRowColor"), 0x000301);
  EXPECT_EQ(Prop(grid, u"OddRowColor"), 0x000302);
  EXPECT_EQ(Prop(grid, u"IndicatorParams.FillStyle"), 0);
  EXPECT_EQ(Prop(grid, u"IndicatorParams.HorzLines"), 1);
  EXPECT_EQ(Prop(grid, u"DataGrouping.Color"), 0x000001);
  EXPECT_TRUE(CheckSetProp(grid, u"OptionsEh", u"dghFixed3D"));
}

// Default system selection colours are replaced, customised ones kept; colours of the header and
// the paint-info column come back as they were (not as fixed system colours), "Themed" is left.
TEST_F(GridWrappers, VirtualTreeColoursAndHeaderComeBackAsTheyWere) {
  auto* tree = Place<TTestVirtualTree>();
  tree->Colors->UnfocusedSelectionColor = 0x00ABCDEF;  // the application's own
  tree->PaintInfoColumn->Color = 0x000401;
  tree->PaintInfoColumn->Style = 0;
  Show();
  TkvEditWnd* w = Wrap<TkvVirtualTreeViewWnd>(tree->Handle(), tree);
  w->SetSkinParams();
  EXPECT_EQ(Prop(tree, u"Colors.FocusedSelectionColor"), kSelection);
  EXPECT_EQ(Prop(tree, u"Colors.UnfocusedSelectionColor"), 0x00ABCDEF);
  EXPECT_EQ(Prop(tree, u"Colors.SelectionTextColor"), kSelectionText);
  EXPECT_EQ(Prop(tree, u"VETColors.FileTextColor"), kEditText);
  EXPECT_EQ(Prop(tree, u"PaintInfoColumn.Color"), kMain);
  EXPECT_EQ(Prop(tree, u"PaintInfoColumn.Style"), 1);
  EXPECT_EQ(Prop(tree, u"Header.Color"), kEditBgPalette);
  EXPECT_EQ(Prop(tree, u"Header.Font.Color"), kLabelText);
  EXPECT_TRUE(tree->OnAdvancedHeaderDraw.Assigned());
  EXPECT_TRUE(tree->OnHeaderDrawQueryElements.Assigned());
  EXPECT_TRUE(CheckSetProp(tree->Header, u"Options", u"hoOwnerDraw"));
  Integer elements = 0;
  THeaderPaintInfo info;
  tree->OnHeaderDrawQueryElements(tree, info, elements);
  EXPECT_EQ(elements, 27);
  Tearoff(w, tree);
  EXPECT_EQ(Prop(tree, u"Colors.FocusedSelectionColor"), Int64(0xFF00000D));
  EXPECT_EQ(Prop(tree, u"PaintInfoColumn.Color"), 0x000401);
  EXPECT_EQ(Prop(tree, u"PaintInfoColumn.Style"), 0);
  EXPECT_EQ(Prop(tree, u"Header.Color"), 0x0000BB);
  EXPECT_EQ(Prop(tree, u"Header.Font.Color"), 0x0000AA);
  EXPECT_EQ(GetIntProp(tree, u"Themed"), 0);
  EXPECT_FALSE(tree->OnAdvancedHeaderDraw.Assigned());
  EXPECT_FALSE(CheckSetProp(tree->Header, u"Options", u"hoOwnerDraw"));
}

namespace {
struct HeaderDrawer {
  void Draw(TObject*, THeaderPaintInfo&, Integer) { ++calls; }
  int calls = 0;
};
}  // namespace

// An application's header drawing stays: assigned before skinning, the wrapper installs nothing
// and leaves the owner-draw option off; assigned while skinned, the restore keeps it.
TEST_F(GridWrappers, VirtualTreeKeepsTheApplicationsHeaderDrawing) {
  HeaderDrawer app1;
  auto* tree = Place<TTestVirtualTree>();
  tree->OnAdvancedHeaderDraw = TkvAdvancedHeaderPaintEvent(&app1, &HeaderDrawer::Draw);
  Show();
  TkvEditWnd* w = Wrap<TkvVirtualTreeViewWnd>(tree->Handle(), tree);
  w->SetSkinParams();
  EXPECT_TRUE(tree->OnAdvancedHeaderDraw == TkvAdvancedHeaderPaintEvent(&app1, &HeaderDrawer::Draw));
  EXPECT_FALSE(CheckSetProp(tree->Header, u"Options", u"hoOwnerDraw"));
  EXPECT_FALSE(tree->OnHeaderDrawQueryElements.Assigned());
  Tearoff(w, tree);
  EXPECT_TRUE(tree->OnAdvancedHeaderDraw == TkvAdvancedHeaderPaintEvent(&app1, &HeaderDrawer::Draw));

  auto* tree2 = Place<TTestVirtualTree>();
  HeaderDrawer app2;
  w = Wrap<TkvVirtualTreeViewWnd>(tree2->Handle(), tree2);
  w->SetSkinParams();
  ASSERT_TRUE(tree2->OnAdvancedHeaderDraw.Assigned());
  tree2->OnAdvancedHeaderDraw = TkvAdvancedHeaderPaintEvent(&app2, &HeaderDrawer::Draw);
  Tearoff(w, tree2);
  EXPECT_TRUE(tree2->OnAdvancedHeaderDraw == TkvAdvancedHeaderPaintEvent(&app2, &HeaderDrawer::Draw));
}

// The wrapper's header drawing: the background from "COLHEADER" in the column's state, and a
// descending sort in a skin without scroll-button glyphs as a small arrow pointing down.
TEST_F(GridWrappers, VirtualTreeHeaderPaintedFromSkin) {
  auto* tree = Place<TTestVirtualTree>();
  Show();
  TkvEditWnd* w = Wrap<TkvVirtualTreeViewWnd>(tree->Handle(), tree);
  w->SetSkinParams();
  ASSERT_TRUE(tree->OnAdvancedHeaderDraw.Assigned());
  TBitmap target(100, 20, pf32bit);
  TTestBag column;
  THeaderPaintInfo info;
  info.TargetCanvas = target.Canvas();
  info.Column = &column;
  info.PaintRectangle = TRect(0, 0, 100, 20);
  info.TextRectangle = TRect(4, 2, 60, 18);
  info.IsHoverIndex = true;
  tree->OnAdvancedHeaderDraw(tree, info, hpeBackground);
  EXPECT_EQ(target.PixelColor(50, 10) & 0xFFFFFF, kHeaderHot);
  // The sort glyph over a normal background, the direction descending.
  tree->Header->SortDirection = 1;
  info.IsHoverIndex = false;
  info.ShowSortGlyph = true;
  info.SortGlyphPos = TPoint{80, 0};
  tree->OnAdvancedHeaderDraw(tree, info, hpeBackground);
  tree->OnAdvancedHeaderDraw(tree, info, hpeSortGlyph);
  // The arrow's rows narrow downwards: more arrow pixels in its top row than in its bottom one.
  auto arrowPixels = [&](int y) {
    int n = 0;
    for (int x = 78; x < 90; ++x)
      if ((target.PixelColor(x, y) & 0xFFFFFF) != kHeader) ++n;
    return n;
  };
  const int top = arrowPixels(8), bottom = arrowPixels(10);
  EXPECT_GT(top, 0);
  EXPECT_GT(top, bottom);
  Tearoff(w, tree);
}

// A printed grid: its own painting of the cells, in the colour the wrapper gave it, inside the
// skin's frame.
TEST_F(GridWrappers, PrintedGridHasItsCellsInsideTheSkinnedFrame) {
  auto* grid = Place<TTestStringGrid>();
  Show();
  TkvEditWnd* w = Wrap<TkvGridWnd>(grid->Handle(), grid);
  w->SetSkinParams();
  EXPECT_EQ(w->cxLeftEdge, 2);
  TBitmap printed(200, 120, pf32bit);
  SendMessageW(grid->Handle(), WM_PRINT, WPARAM(printed.Canvas()->Handle()), PRF_CLIENT | PRF_NONCLIENT);
  EXPECT_EQ(printed.PixelColor(0, 0) & 0xFFFFFF, kEditBg);
  EXPECT_EQ(printed.PixelColor(199, 119) & 0xFFFFFF, kEditBg);
  EXPECT_EQ(printed.PixelColor(100, 60) & 0xFFFFFF, kMain);
  Tearoff(w, grid);
}

// The tree's frame: the skin's, as wide as the section's border width (it has no border image).
TEST_F(GridWrappers, VirtualTreeFrameFromSkin) {
  skin.Section(editSection).BorderWidth = 2;
  auto* tree = Place<TTestVirtualTree>();
  Show();
  TkvEditWnd* w = Wrap<TkvVirtualTreeViewWnd>(tree->Handle(), tree);
  w->SkinData->BGChanged = true;
  SendMessageW(tree->Handle(), WM_NCPAINT, 1, 0);
  EXPECT_EQ(ScreenPixel(tree->Handle(), 0, 0), kEditBg);
  EXPECT_EQ(ScreenPixel(tree->Handle(), 1, 60), kEditBg);
  EXPECT_EQ(ScreenPixel(tree->Handle(), 199, 119), kEditBg);
  Tearoff(w, tree);
}

// A border image whose corner pixel holds the key colour: the tree's frame shows what lies under
// the tree there (the form answers with the manager's main colour), the rest of the border as
// drawn; each frame paint takes that corner from the background as it is then.
TEST_F(GridWrappers, VirtualTreeFrameCornersShowTheParent) {
  constexpr TColor kEdge = 0x8040C0;
  const Integer border = skin.AddImage(TRect(0, 0, 18, 6), 3, 0, 0, 2);
  for (Integer state = 0; state < 3; ++state) {
    skin.Fill(border, state, 0xFF000000u | (kEdge & 0xFF) << 16 | (kEdge & 0xFF00) | (kEdge >> 16));
    skin.Put(border, state, 0, 0, 0x00FF00FF);  // the top-left corner pixel
  }
  skin.Section(editSection).BorderIndex = border;
  auto* tree = Place<TTestVirtualTree>();
  Show();
  TkvEditWnd* w = Wrap<TkvVirtualTreeViewWnd>(tree->Handle(), tree);
  w->SkinData->BGChanged = true;
  SendMessageW(tree->Handle(), WM_NCPAINT, 1, 0);
  EXPECT_EQ(ScreenPixel(tree->Handle(), 0, 0), kMain);
  EXPECT_EQ(ScreenPixel(tree->Handle(), 1, 0), kEdge);
  ASSERT_NE(w->SkinData->FCacheBmp, nullptr);
  EXPECT_EQ(w->SkinData->FCacheBmp->PixelColor(0, 0) & 0xFFFFFF, kMain);
  // What lies under the tree changes while the tree's own picture stays: the next frame paint
  // takes the corner from the new background.
  constexpr TColor kNewMain = 0x30A060;
  skin.Manager.Palette[pcMainColor] = kNewMain;
  ASSERT_FALSE(w->SkinData->BGChanged);
  SendMessageW(tree->Handle(), WM_NCPAINT, 1, 0);
  EXPECT_EQ(ScreenPixel(tree->Handle(), 0, 0), kNewMain);
  EXPECT_EQ(ScreenPixel(tree->Handle(), 1, 0), kEdge);
  Tearoff(w, tree);
}

// A data grid takes the dragged position into its bar before the notification reaches it, and
// gets a thumb-position scroll at the end of the drag, unless it is a "TwwDBGrid".
TEST_F(GridWrappers, DataGridScrollPositionsAndEndOfDrag) {
  auto* grid = Place<TTestDataGrid>();
  auto* ww = Place<TwwDBGrid>();
  Show();
  for (TTestDataGrid* g : {grid, static_cast<TTestDataGrid*>(ww)}) {
    SCROLLINFO range{sizeof(range), SIF_RANGE | SIF_PAGE, 0, 100, 10, 0, 0};
    SetScrollInfo(g->Handle(), SB_VERT, &range, FALSE);
    TkvEditWnd* w = Wrap<TkvGridWnd>(g->Handle(), g);
    ASSERT_TRUE(w->sBarVert);
    SendMessageW(g->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 30), 0);
    SCROLLINFO si{sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(g->Handle(), SB_VERT, &si);
    EXPECT_EQ(si.nPos, 30);
    g->ScrollCodes.clear();
    SendMessageW(g->Handle(), WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
    const bool extra =
        std::find(g->ScrollCodes.begin(), g->ScrollCodes.end(), SB_THUMBPOSITION) != g->ScrollCodes.end();
    EXPECT_EQ(extra, g == grid) << std::string(g->ClassName().begin(), g->ClassName().end());
    Tearoff(w, g);
  }
}

// A release over the grid's skinned vertical bar ends the bar's press and is not the grid's
// click; a release elsewhere still reaches the grid.
TEST_F(GridWrappers, ReleaseInsideTheVerticalBarEndsThePressOnly) {
  auto* grid = Place<TTestDataGrid>();
  Show();
  SCROLLINFO range{sizeof(range), SIF_RANGE | SIF_PAGE, 0, 100, 10, 0, 0};
  SetScrollInfo(grid->Handle(), SB_VERT, &range, FALSE);
  TkvEditWnd* w = Wrap<TkvGridWnd>(grid->Handle(), grid);
  ASSERT_TRUE(w->sBarVert && w->sBarVert->fScrollVisible);
  const POINT downArrow = PressDownArrow(grid->Handle(), w, HTVSCROLL);
  ASSERT_NE(kvScrollState.uCurrentScrollPortion, HTSCROLL_NONE);
  grid->ScrollCodes.clear();
  ReleaseAt(grid->Handle(), downArrow);
  EXPECT_EQ(kvScrollState.uCurrentScrollPortion, HTSCROLL_NONE);
  EXPECT_NE(std::find(grid->ScrollCodes.begin(), grid->ScrollCodes.end(), SB_ENDSCROLL), grid->ScrollCodes.end());
  EXPECT_EQ(grid->Releases, 0);
  // Outside the bar the release is the grid's.
  RECT cr{};
  GetClientRect(grid->Handle(), &cr);
  POINT inside{cr.right / 2, cr.bottom / 2};
  ClientToScreen(grid->Handle(), &inside);
  ReleaseAt(grid->Handle(), inside);
  EXPECT_EQ(grid->Releases, 1);
  Tearoff(w, grid);
}
