// Component trees written as form descriptions and read back: every kind of value, the
// default values left out, nesting through GetChildren, references and event handlers by
// name, and the round trip read-write-read.
#include "ui/FormWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ui/FormReader.h"
#include "ui/Streams.h"
#include "ui/StringList.h"

namespace {

TW_ENUM(TDrawMode, dmPlain, dmShaded, dmOutlined)
TW_ENUM(TEdge, edLeft, edTop, edRight, edBottom)
using TEdges = TSet<TEdge>;

class TPen2 : public TPersistent {
  TW_CLASS(TPen2, TPersistent)
  String name = u"Tahoma";
  Integer width = 1;
  TEdges edges{edLeft, edTop};
};
TW_DEFINE_CLASS(TPen2) {
  b.Property(u"Name", &TPen2::name, &TPen2::name).Default(u"Tahoma");
  b.Property(u"Width", &TPen2::width, &TPen2::width).Default(1);
  b.Property(u"Edges", &TPen2::edges, &TPen2::edges).Default(TEdges{edLeft, edTop});
}

class TGlyphItem : public TCollectionItem {
  TW_CLASS(TGlyphItem, TCollectionItem)
  using TCollectionItem::TCollectionItem;
  String fileName;
  double factor = 1.0;
  std::vector<Byte> data;
  bool sawWriting = false;
  void ReadData(TStream& s) {
    data.resize(static_cast<size_t>(s.GetSize()));
    if (!data.empty()) s.ReadBuffer(data.data(), static_cast<Integer>(data.size()));
  }
  void WriteData(TStream& s) const {
    if (!data.empty()) s.WriteBuffer(data.data(), static_cast<Integer>(data.size()));
  }
};
TW_DEFINE_CLASS(TGlyphItem) {
  b.Property(u"FileName", &TGlyphItem::fileName, &TGlyphItem::fileName);
  b.Property(u"Factor", &TGlyphItem::factor, &TGlyphItem::factor).Stored([](const TGlyphItem& i) {
    return i.factor != 1.0;
  });
  b.Binary(u"ImgData", &TGlyphItem::ReadData, &TGlyphItem::WriteData).Stored([](const TGlyphItem& i) {
    return !i.data.empty();
  });
}

class TWidget : public TComponent {
  TW_CLASS(TWidget, TComponent)
  explicit TWidget(TComponent* owner) : TComponent(owner), items(TGlyphItem::StaticClass()) {}
  Integer left = 0;
  Integer count = 0;
  Int64 big = 0;
  bool visible = true;
  TDrawMode mode = dmPlain;
  TEdges edges;
  TColor color = clWindow;
  double scale = 0;
  String caption;
  String derived = u"kept";
  TPen2 pen;
  TStringList lines;
  TCollection items;
  TWidget* buddy = nullptr;
  TNotifyEvent onClick;
  std::vector<Byte> blob;
  std::vector<TWidget*> kids;  // what GetChildren lists
  TWidget* parent = nullptr;
  std::string stateWhenWritten;  // csWriting as WriteBlob saw it

  TPen2* Pen() const { return const_cast<TPen2*>(&pen); }
  TStringList* Lines() const { return const_cast<TStringList*>(&lines); }
  TCollection* Items() const { return const_cast<TCollection*>(&items); }
  void ReadBlob(TStream& s) {
    blob.resize(static_cast<size_t>(s.GetSize()));
    if (!blob.empty()) s.ReadBuffer(blob.data(), static_cast<Integer>(blob.size()));
  }
  void WriteBlob(TStream& s) const {
    const_cast<TWidget*>(this)->stateWhenWritten = ComponentState().Contains(csWriting) ? "writing" : "not writing";
    if (!blob.empty()) s.WriteBuffer(blob.data(), static_cast<Integer>(blob.size()));
  }
  void GetChildren(std::vector<TComponent*>& out, TComponent* root) const override {
    for (TWidget* k : kids)
      if (k->Owner() == root) out.push_back(k);
  }
  bool HasParent() const override { return parent != nullptr; }
  TComponent* GetParentComponent() const override { return parent; }
  void SetParentComponent(TComponent* p) override {
    if (parent) parent->kids.erase(std::find(parent->kids.begin(), parent->kids.end(), this));
    parent = dynamic_cast<TWidget*>(p);
    if (parent) parent->kids.push_back(this);
  }
  ~TWidget() override {
    if (parent) SetParentComponent(nullptr);
    for (TWidget* k : kids) k->parent = nullptr;
  }
};
TW_DEFINE_CLASS(TWidget) {
  b.Property(u"Left", &TWidget::left, &TWidget::left);  // no default: always written
  b.Property(u"Count", &TWidget::count, &TWidget::count).Default(0);
  b.Property(u"Big", &TWidget::big, &TWidget::big).Default(0);
  b.Property(u"Visible", &TWidget::visible, &TWidget::visible).Default(true);
  b.Property(u"Mode", &TWidget::mode, &TWidget::mode).Default(dmPlain);
  b.Property(u"Edges", &TWidget::edges, &TWidget::edges).Default(TEdges{});
  b.Color(u"Color", &TWidget::color, &TWidget::color).Default(clWindow);
  b.Property(u"Scale", &TWidget::scale, &TWidget::scale);
  b.Property(u"Caption", &TWidget::caption, &TWidget::caption);
  b.Property(u"Derived", &TWidget::derived, &TWidget::derived).Stored(false);
  b.Property(u"Pen", &TWidget::Pen);
  b.Property(u"Lines", &TWidget::Lines);
  b.Property(u"Items", &TWidget::Items);
  b.Property(u"Buddy", &TWidget::buddy, &TWidget::buddy);
  b.Property(u"OnClick", &TWidget::onClick, &TWidget::onClick);
  b.Binary(u"Blob", &TWidget::ReadBlob, &TWidget::WriteBlob).Stored([](const TWidget& w) { return !w.blob.empty(); });
}

// A class that starts with other values publishes them again with its own defaults.
class TShadedWidget : public TWidget {
  TW_CLASS(TShadedWidget, TWidget)
  explicit TShadedWidget(TComponent* owner) : TWidget(owner) {
    mode = dmShaded;
    visible = false;
  }
};
TW_DEFINE_CLASS(TShadedWidget) {
  b.Property(u"Mode", &TShadedWidget::mode, &TShadedWidget::mode).Default(dmShaded);
  b.Property(u"Visible", &TShadedWidget::visible, &TShadedWidget::visible).Default(false);
}

class TWidgetForm : public TWidget {
  TW_CLASS(TWidgetForm, TWidget)
  using TWidget::TWidget;
  int clicks = 0;
  void ButtonClick(TObject*) { ++clicks; }
  void OtherClick(TObject*) {}
};
TW_DEFINE_CLASS(TWidgetForm) {
  b.Method(u"ButtonClick", &TWidgetForm::ButtonClick);
  b.Method(u"OtherClick", &TWidgetForm::OtherClick);
}

class FormWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterClass<TWidget>();
    RegisterClass<TShadedWidget>();
    RegisterClass<TWidgetForm>();
  }
};

constexpr char16_t kFull[] =
    u"object Form1: TWidgetForm\n"
    u"  Left = 7\n"
    u"  Caption = \"root\"\n"
    u"  object panel: TWidget\n"
    u"    Left = -15\n"
    u"    Count = 3\n"
    u"    Big = 1099511627775\n"
    u"    Visible = False\n"
    u"    Mode = dmOutlined\n"
    u"    Edges = [edLeft, edBottom]\n"
    u"    Color = clBtnFace\n"
    u"    Scale = 0.1\n"
    u"    Caption = \"下载 \\\"a\\\" \\\\ b\\n\\tc\"\n"
    u"    Pen.Name = \"Segoe UI\"\n"
    u"    Pen.Edges = []\n"
    u"    Lines = (\n"
    u"      \"TButton\"\n"
    u"      \"\"\n"
    u"      \"a b\")\n"
    u"    Items = <\n"
    u"      item\n"
    u"        FileName = \"a.png\"\n"
    u"        ImgData = {00018A}\n"
    u"      end\n"
    u"      item\n"
    u"        Factor = 2.5\n"
    u"      end>\n"
    u"    Buddy = Form1\n"
    u"    OnClick = ButtonClick\n"
    u"    object inner: TShadedWidget\n"
    u"      Left = 0\n"
    u"      Buddy = panel\n"
    u"    end\n"
    u"  end\n"
    u"  object timer: TWidget\n"
    u"    Left = 0\n"
    u"    Color = $00123456\n"
    u"  end\n"
    u"end\n";

TEST_F(FormWriterTest, WritesWhatItReadsWithDefaultsLeftOut) {
  TWidgetForm a(nullptr);
  ReadComponentText(&a, kFull);
  // The description above is written as the writer writes: nothing changes on the way.
  EXPECT_EQ(StringToUtf8(WriteComponentText(&a)), StringToUtf8(kFull));
}

TEST_F(FormWriterTest, RoundTripGivesTheSameState) {
  TWidgetForm a(nullptr);
  ReadComponentText(&a, kFull);
  String written = WriteComponentText(&a);
  TWidgetForm b(nullptr);
  ReadComponentText(&b, written);
  EXPECT_EQ(WriteComponentText(&b), written);

  auto* pa = dynamic_cast<TWidget*>(a.FindComponent(u"panel"));
  auto* pb = dynamic_cast<TWidget*>(b.FindComponent(u"panel"));
  ASSERT_TRUE(pa && pb);
  EXPECT_EQ(pb->left, -15);
  EXPECT_EQ(pb->big, pa->big);
  EXPECT_EQ(pb->edges, (TEdges{edLeft, edBottom}));
  EXPECT_EQ(pb->scale, 0.1);
  EXPECT_EQ(pb->caption, pa->caption);
  EXPECT_EQ(pb->pen.edges, TEdges{});
  EXPECT_EQ(pb->lines.Count(), 3);
  EXPECT_EQ(pb->items.Count(), 2);
  EXPECT_EQ(pb->items.ItemsAs<TGlyphItem>(0)->data, (std::vector<Byte>{0x00, 0x01, 0x8A}));
  EXPECT_EQ(pb->items.ItemsAs<TGlyphItem>(1)->factor, 2.5);
  EXPECT_EQ(pb->buddy, &b);
  pb->onClick(pb);
  EXPECT_EQ(b.clicks, 1);
  auto* inner = dynamic_cast<TShadedWidget*>(b.FindComponent(u"inner"));
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->parent, pb);
  EXPECT_EQ(inner->buddy, pb);
  EXPECT_EQ(inner->mode, dmShaded);
  EXPECT_FALSE(inner->visible);
  EXPECT_EQ(b.FindComponent(u"timer")->ComponentIndex(), 2);  // read after panel and inner
}

TEST_F(FormWriterTest, FreshObjectsWriteOnlyWhatHasNoDefault) {
  TWidgetForm root(nullptr);
  root.SetName(u"Root");
  auto* w = new TWidget(&root);
  w->SetName(u"w");
  auto* s = new TShadedWidget(&root);
  s->SetName(u"s");
  EXPECT_EQ(StringToUtf8(WriteComponentText(&root)),
            "object Root: TWidgetForm\n"
            "  Left = 0\n"
            "  object w: TWidget\n"
            "    Left = 0\n"
            "  end\n"
            "  object s: TShadedWidget\n"
            "    Left = 0\n"
            "  end\n"
            "end\n");
  // A value a derived class changed its default of is written when it is the ancestor's.
  s->mode = dmPlain;
  s->visible = true;
  w->derived = u"not stored";
  String text = WriteComponentText(&root);
  EXPECT_NE(text.find(u"    Visible = True\n    Mode = dmPlain\n"), String::npos) << StringToUtf8(text);
  EXPECT_EQ(text.find(u"Derived"), String::npos);
}

TEST_F(FormWriterTest, DefaultRulesPerKind) {
  TWidget w(nullptr);
  const TClassInfo& info = w.ClassInfo();
  struct Case {
    const char16_t* prop;
    bool isDefault;
  } cases[] = {
      {u"Left", false},  // an ordinal without a declared default is always written
      {u"Count", true},   {u"Visible", true}, {u"Mode", true},
      {u"Edges", true},   {u"Color", true},   {u"Scale", true},  // a float of 0
      {u"Caption", true},                                        // an empty string
      {u"Derived", true},                                        // not stored
      {u"Buddy", true},                                          // nil
      {u"OnClick", true},                                        // unassigned
      {u"Blob", true},                                           // a binary property without data
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsDefaultPropValue(&w, *info.FindProperty(c.prop)), c.isDefault) << StringToUtf8(c.prop);
  w.count = 1;
  w.scale = -0.5;
  w.caption = u"x";
  w.blob = {1};
  w.edges = {edTop};
  for (const char16_t* name : {u"Count", u"Scale", u"Caption", u"Blob", u"Edges"})
    EXPECT_FALSE(IsDefaultPropValue(&w, *info.FindProperty(name))) << StringToUtf8(name);
}

TEST_F(FormWriterTest, StringsAndFloatsComeBackExactly) {
  const String texts[] = {
      String(u"quote \" backslash \\ tab \t cr \r lf \n"),
      String(u"\u0001\u001F\u007F bom \uFEFF"),
      String(u"pair \xD83D\xDE00 end"),
      String(u"lone high \xD83D x"),
      String(u"lone low \xDE00"),
      String(u"下载视频 。 ||| / “”"),
      String(),
  };
  const double floats[] = {0.1, 1.0 / 3.0, -2.5, 1e300, 5e-324, 123456789012345678.0, 2.0};
  for (const String& t : texts) {
    for (double f : floats) {
      TWidgetForm a(nullptr);
      a.SetName(u"F");
      a.caption = t;
      a.scale = f;
      TWidgetForm b(nullptr);
      ReadComponentText(&b, WriteComponentText(&a));
      EXPECT_EQ(b.caption, t);
      EXPECT_EQ(b.scale, f);
      // Through UTF-8 as well, as the files are stored.
      TWidgetForm c(nullptr);
      ReadComponentUtf8(&c, WriteComponentUtf8(&a));
      EXPECT_EQ(c.caption, t);
    }
  }
  // Values the format cannot hold are left out rather than written wrong.
  TWidgetForm a(nullptr);
  a.SetName(u"F");
  a.scale = std::nan("");
  EXPECT_EQ(WriteComponentText(&a).find(u"Scale"), String::npos);
}

TEST_F(FormWriterTest, LongBinaryDataIsWrappedAndRoundTrips) {
  TWidgetForm a(nullptr);
  a.SetName(u"F");
  for (int i = 0; i < 100; ++i) a.blob.push_back(static_cast<Byte>(i * 37));
  String text = WriteComponentText(&a);
  EXPECT_EQ(a.stateWhenWritten, "writing");
  EXPECT_FALSE(a.ComponentState().Contains(csWriting));
  EXPECT_NE(text.find(u"  Blob = {\n    00254A6F"), String::npos) << StringToUtf8(text);
  TWidgetForm b(nullptr);
  ReadComponentText(&b, text);
  EXPECT_EQ(b.blob, a.blob);
}

TEST_F(FormWriterTest, OnlyWhatCanBeReadBackIsWritten) {
  TWidgetForm root(nullptr);
  root.SetName(u"Root");
  TWidget foreign(nullptr);
  foreign.SetName(u"foreign");
  TWidgetForm otherRoot(nullptr);
  auto* w = new TWidget(&root);
  w->SetName(u"w");
  w->buddy = &foreign;                                               // another root's
  w->onClick = TNotifyEvent(&otherRoot, &TWidgetForm::ButtonClick);  // another object's
  root.onClick = TNotifyEvent(&root, &TWidgetForm::OtherClick);
  auto* unnamed = new TWidget(&root);
  unnamed->caption = u"no name";
  String text = WriteComponentText(&root);
  EXPECT_EQ(text.find(u"Buddy"), String::npos);
  EXPECT_NE(text.find(u"  OnClick = OtherClick\n"), String::npos);
  EXPECT_EQ(text.find(u"ButtonClick"), String::npos);
  EXPECT_NE(text.find(u"  object : TWidget\n"), String::npos);
  TWidgetForm back(nullptr);
  ReadComponentText(&back, text);
  ASSERT_EQ(back.ComponentCount(), 2);
  EXPECT_EQ(dynamic_cast<TWidget*>(back.Components(1))->caption, u"no name");
  EXPECT_TRUE(back.Components(1)->Name().empty());
}

}  // namespace
