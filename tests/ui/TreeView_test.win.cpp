// The tree view: nodes (text, images, state image, expanded, told to have children) from a
// description in the window; expanding, collapsing and selection from real input with their
// events (and their say); custom draw with nodes and stages; nodes coming and going.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/FormFixture.h"
#include "support/WindowProbes.h"
#include "ui/ComCtrls.h"
#include "ui/ImgList.h"
#include "ui/StoredItems.h"
#include "ui/Subclass.h"

namespace {

TVITEMW ItemOf(HWND tv, TTreeNode* node, UINT mask) {
  static wchar_t text[128];
  TVITEMW item{};
  item.mask = mask | TVIF_HANDLE;
  item.hItem = static_cast<HTREEITEM>(node->ItemId());
  item.pszText = text;
  item.cchTextMax = 128;
  item.stateMask = TVIS_EXPANDED | TVIS_STATEIMAGEMASK;
  SendMessageW(tv, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return item;
}

// Fruit (expanded: Apple, Pear), Lazy (told to have children, none yet).
String NodeData() {
  std::vector<TStoredItem> roots(2);
  roots[0].Text = u"Fruit";
  roots[0].Values = {0, 1, 0, -1, 1, 0};
  roots[0].Children.resize(2);
  roots[0].Children[0].Text = u"Apple";
  roots[0].Children[0].Values = {2, 3};
  roots[0].Children[1].Text = u"Pear";
  roots[1].Text = u"Lazy";
  roots[1].Values = {-1, -1, -1, -1, 0, 1};
  TMemoryStream data;
  WriteStoredItems(data, roots);
  return DescriptionBytes(data);
}

class TEvents : public TObject {
 public:
  std::vector<std::string> log;
  bool allowExpand = true, allowChange = true;
  void Expanding(TObject*, TTreeNode* node, bool& allowExpansion) {
    log.push_back("expanding " + StringToUtf8(node->Text()));
    allowExpansion = allowExpand;
    // Children made when they are first needed.
    if (allowExpand && node->Count() == 0) node->Owner()->AddChild(node, u"late child");
  }
  void Expanded(TObject*, TTreeNode* node) { log.push_back("expanded " + StringToUtf8(node->Text())); }
  void Collapsing(TObject*, TTreeNode* node, bool& allowCollapse) {
    log.push_back("collapsing " + StringToUtf8(node->Text()));
    allowCollapse = true;
  }
  void Changing(TObject*, TTreeNode* node, bool& allowChange) {
    log.push_back("changing " + StringToUtf8(node->Text()));
    allowChange = this->allowChange;
  }
  void Change(TObject*, TTreeNode* node) { log.push_back("change " + StringToUtf8(node->Text())); }
  void Deletion(TObject*, TTreeNode* node) { log.push_back("deleting " + StringToUtf8(node->Text())); }
  // custom draw
  std::vector<std::pair<TCustomDrawStage, TRect>> control;
  std::vector<std::pair<TTreeNode*, TCustomDrawStage>> nodes;
  TTreeNode* noImages = nullptr;
  void Control(TCustomTreeView*, const TRect& r, TCustomDrawStage stage, bool&) { control.push_back({stage, r}); }
  void Node(TCustomTreeView*, TTreeNode* node, TCustomDrawState, TCustomDrawStage stage, bool& paintImages, bool&) {
    nodes.push_back({node, stage});
    if (node == noImages) paintImages = false;
  }
};

class TreeViewTest : public FormTest {
 protected:
  TCustomTreeView* Load(bool showRoot = false) {
    LoadForm(
        u"object F: TForm\n"
        u"  object imgs: TImageList\n  end\n"
        u"  object states: TImageList\n  end\n"
        u"  object tree: TTreeView\n"
        u"    Left = 8\n    Top = 8\n    Width = 250\n    Height = 160\n"
        u"    Images = imgs\n"
        u"    StateImages = states\n"
        u"    ShowLines = False\n"
        u"    ShowRoot = " +
        String(showRoot ? u"True" : u"False") +
        u"\n"
        u"    ReadOnly = True\n"
        u"    RowSelect = True\n"
        u"    HideSelection = False\n"
        u"    Indent = 25\n"
        u"    Items.NodeData = {" +
        NodeData() +
        u"}\n"
        u"  end\n"
        u"end\n");
    return Find<TTreeView>(u"tree");
  }
  TEvents events;
};

}  // namespace

TEST_F(TreeViewTest, NodesImagesAndStylesReachTheWindow) {
  TCustomTreeView* tree = Load();
  HWND h = tree->Handle();
  EXPECT_EQ(StyleOf(tree) & (TVS_HASLINES | TVS_LINESATROOT | TVS_EDITLABELS), 0);
  EXPECT_NE(StyleOf(tree) & TVS_HASBUTTONS, 0);
  EXPECT_NE(StyleOf(tree) & TVS_FULLROWSELECT, 0);
  EXPECT_NE(StyleOf(tree) & TVS_SHOWSELALWAYS, 0);
  EXPECT_EQ(SendMessageW(h, TVM_GETINDENT, 0, 0), 25);
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(h, TVM_GETIMAGELIST, TVSIL_NORMAL, 0)),
            Find<TImageList>(u"imgs")->Handle());
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(h, TVM_GETIMAGELIST, TVSIL_STATE, 0)),
            Find<TImageList>(u"states")->Handle());
  ASSERT_EQ(SendMessageW(h, TVM_GETCOUNT, 0, 0), 4);
  ASSERT_EQ(tree->Items()->Count(), 4);
  TTreeNode* fruit = tree->Items()->GetFirstNode();
  TTreeNode* apple = fruit->GetFirstChild();
  TTreeNode* pear = tree->Items()->Item(2);
  TTreeNode* lazy = tree->Items()->Item(3);
  EXPECT_EQ(pear->Text(), u"Pear");
  EXPECT_EQ(pear->Parent(), fruit);
  EXPECT_EQ(lazy->Level(), 0);
  EXPECT_EQ(pear->AbsoluteIndex(), 2);
  // The window's items: text, images, state image, expanded, children.
  TVITEMW item = ItemOf(h, fruit, TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_PARAM);
  EXPECT_STREQ(item.pszText, L"Fruit");
  EXPECT_EQ(item.iImage, 0);
  EXPECT_EQ(item.iSelectedImage, 1);
  EXPECT_EQ((item.state & TVIS_STATEIMAGEMASK) >> 12, 1u);
  EXPECT_NE(item.state & TVIS_EXPANDED, 0u);
  EXPECT_EQ(reinterpret_cast<TTreeNode*>(item.lParam), fruit);
  EXPECT_EQ(ItemOf(h, apple, TVIF_IMAGE).iImage, 2);
  EXPECT_EQ(reinterpret_cast<HTREEITEM>(
                SendMessageW(h, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(apple->ItemId()))),
            static_cast<HTREEITEM>(fruit->ItemId()));
  EXPECT_TRUE(lazy->HasChildren());
  EXPECT_EQ(ItemOf(h, lazy, TVIF_CHILDREN).cChildren, 1);
  EXPECT_EQ(ItemOf(h, pear, TVIF_CHILDREN).cChildren, 0);
  EXPECT_TRUE(fruit->Expanded());
  EXPECT_FALSE(lazy->Expanded());
  // Changed by code: the window follows; a first child gives its parent a button.
  pear->SetText(u"Pears");
  EXPECT_STREQ(ItemOf(h, pear, TVIF_TEXT).pszText, L"Pears");
  tree->Items()->AddChild(pear, u"Conference");
  EXPECT_EQ(ItemOf(h, pear, TVIF_CHILDREN).cChildren, 1);
  EXPECT_EQ(SendMessageW(h, TVM_GETCOUNT, 0, 0), 5);
  // A new window gets the nodes and their expanded states again.
  tree->SetBorderStyle(bsNone);
  EXPECT_EQ(SendMessageW(tree->Handle(), TVM_GETCOUNT, 0, 0), 5);
  EXPECT_TRUE(fruit->Expanded());
  EXPECT_STREQ(ItemOf(tree->Handle(), pear, TVIF_TEXT).pszText, L"Pears");
}

TEST_F(TreeViewTest, ExpandingAndSelectingFromTheKeyboardAskTheirEvents) {
  TCustomTreeView* tree = Load(true);
  tree->SetOnExpanding(TTVExpandingEvent(&events, &TEvents::Expanding));
  tree->SetOnExpanded(TTVExpandedEvent(&events, &TEvents::Expanded));
  tree->SetOnCollapsing(TTVCollapsingEvent(&events, &TEvents::Collapsing));
  tree->SetOnChanging(TTVChangingEvent(&events, &TEvents::Changing));
  tree->SetOnChange(TTVChangedEvent(&events, &TEvents::Change));
  TTreeNode* fruit = tree->Items()->GetFirstNode();
  TTreeNode* lazy = tree->Items()->Item(3);
  tree->SetSelected(fruit);
  ShowInFront();
  events.log.clear();
  // A click on a node's text selects it.
  const TRect r = lazy->DisplayRect(true);
  ClickAt(tree->ClientToScreen(TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2)));
  PumpMessages(150);
  EXPECT_EQ(tree->Selected(), lazy);
  EXPECT_EQ(events.log, (std::vector<std::string>{"changing Lazy", "change Lazy"}));
  // Right expands: the children come from OnExpanding.
  events.log.clear();
  PressKey(VK_RIGHT);
  PumpMessages(100);
  EXPECT_TRUE(lazy->Expanded());
  ASSERT_EQ(lazy->Count(), 1);
  EXPECT_EQ(lazy->Item(0)->Text(), u"late child");
  EXPECT_EQ(events.log, (std::vector<std::string>{"expanding Lazy", "expanded Lazy"}));
  // Left collapses; then OnExpanding says no: Right leaves it closed.
  events.log.clear();
  PressKey(VK_LEFT);
  PumpMessages(100);
  EXPECT_FALSE(lazy->Expanded());
  EXPECT_EQ(events.log.front(), "collapsing Lazy");
  events.log.clear();
  events.allowExpand = false;
  PressKey(VK_RIGHT);
  PumpMessages(100);
  EXPECT_FALSE(lazy->Expanded());
  EXPECT_EQ(events.log, std::vector<std::string>{"expanding Lazy"});
  // OnChanging says no: Up keeps the selection.
  events.log.clear();
  events.allowChange = false;
  PressKey(VK_UP);
  PumpMessages(100);
  EXPECT_EQ(tree->Selected(), lazy);
  EXPECT_EQ(events.log.front(), "changing Pear");
  // By code the same events are asked.
  events.log.clear();
  events.allowChange = true;
  fruit->Collapse(false);
  EXPECT_FALSE(fruit->Expanded());
  EXPECT_EQ(events.log, std::vector<std::string>{"collapsing Fruit"});
  tree->SetSelected(fruit);
  EXPECT_EQ(reinterpret_cast<HTREEITEM>(SendMessageW(tree->Handle(), TVM_GETNEXTITEM, TVGN_CARET, 0)),
            static_cast<HTREEITEM>(fruit->ItemId()));
}

TEST_F(TreeViewTest, CustomDrawGetsStagesNodesAndLeavesOutImages) {
  TCustomTreeView* tree = Load();
  events.noImages = tree->Items()->Item(1);
  tree->SetOnAdvancedCustomDraw(TTVAdvancedCustomDrawEvent(&events, &TEvents::Control));
  tree->SetOnAdvancedCustomDrawItem(TTVAdvancedCustomDrawItemEvent(&events, &TEvents::Node));
  struct TAnswers : TObject {
    explicit TAnswers(HWND parent) { sub.Attach(parent, this, &TAnswers::Proc); }
    void Proc(TMessage& m) {
      sub.CallPrevious(m);
      if (m.Msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(m.LParam)->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
        auto* cd = reinterpret_cast<NMTVCUSTOMDRAW*>(m.LParam);
        if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT)
          items.push_back({reinterpret_cast<TTreeNode*>(cd->nmcd.lItemlParam), m.Result});
      }
    }
    std::vector<std::pair<TTreeNode*, TLResult>> items;
    TWindowSubclass sub;
  } answers(form->Handle());
  ShowInFront();
  events.control.clear();
  events.nodes.clear();
  RedrawWindow(tree->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  ASSERT_FALSE(events.control.empty());
  EXPECT_EQ(events.control.front(), std::make_pair(cdPrePaint, tree->ClientRect()));
  for (Integer i = 0; i < 4; ++i) {
    TTreeNode* n = tree->Items()->Item(i);
    EXPECT_NE(std::find(events.nodes.begin(), events.nodes.end(), std::make_pair(n, cdPrePaint)), events.nodes.end())
        << i;
    EXPECT_NE(std::find(events.nodes.begin(), events.nodes.end(), std::make_pair(n, cdPostPaint)), events.nodes.end())
        << i;
  }
  auto it =
      std::find_if(answers.items.begin(), answers.items.end(), [&](auto& a) { return a.first == events.noImages; });
  ASSERT_NE(it, answers.items.end());
  EXPECT_NE(it->second & TVCDRF_NOIMAGES, 0);
  EXPECT_NE(it->second & CDRF_NOTIFYPOSTPAINT, 0);
}

TEST_F(TreeViewTest, NodesGoWithTheirChildrenAndTellItFirst) {
  TCustomTreeView* tree = Load();
  tree->SetOnDeletion(TTVExpandedEvent(&events, &TEvents::Deletion));
  TTreeNode* fruit = tree->Items()->GetFirstNode();
  int data = 42;
  fruit->SetData(&data);
  EXPECT_EQ(fruit->Data(), &data);
  HWND h = tree->Handle();
  fruit->Delete();
  EXPECT_EQ(events.log, (std::vector<std::string>{"deleting Apple", "deleting Pear", "deleting Fruit"}));
  EXPECT_EQ(tree->Items()->Count(), 1);
  EXPECT_EQ(SendMessageW(h, TVM_GETCOUNT, 0, 0), 1);
  TTreeNode* inserted = tree->Items()->Insert(tree->Items()->GetFirstNode(), u"Before");
  EXPECT_EQ(inserted->Index(), 0);
  EXPECT_EQ(reinterpret_cast<HTREEITEM>(SendMessageW(h, TVM_GETNEXTITEM, TVGN_ROOT, 0)),
            static_cast<HTREEITEM>(inserted->ItemId()));
  tree->Items()->Clear();
  EXPECT_EQ(SendMessageW(h, TVM_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(tree->Items()->GetFirstNode(), nullptr);
}

TEST_F(TreeViewTest, TheSelectionGoesWithTheNodeAboveItWithOrWithoutAWindow) {
  // No window yet: the tree keeps the selection itself.
  auto* tree = new TTreeView(form);
  TTreeNode* first = tree->Items()->Add(nullptr, u"first");
  TTreeNode* branch = tree->Items()->Add(nullptr, u"branch");
  TTreeNode* leaf = tree->Items()->AddChild(tree->Items()->AddChild(branch, u"twig"), u"leaf");
  tree->SetSelected(leaf);
  EXPECT_EQ(tree->Selected(), leaf);
  branch->Delete();
  EXPECT_EQ(tree->Selected(), nullptr);
  // The window made afterwards has the remaining node and no selection to restore.
  tree->SetParent(form);
  HWND h = tree->Handle();
  EXPECT_EQ(SendMessageW(h, TVM_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(tree->Selected(), nullptr);
  // With the window: a selection inside a deleted branch moves out of it.
  branch = tree->Items()->Add(nullptr, u"branch");
  leaf = tree->Items()->AddChild(branch, u"leaf");
  tree->SetSelected(leaf);
  EXPECT_EQ(tree->Selected(), leaf);
  branch->Delete();
  EXPECT_NE(tree->Selected(), leaf);
  EXPECT_NE(tree->Selected(), branch);
  // A window made again selects nothing that is gone.
  tree->SetBorderStyle(bsNone);
  EXPECT_TRUE(tree->Selected() == nullptr || tree->Selected() == first);
}
