// Form descriptions read into component trees made of test classes: every kind of value,
// nesting, references, loading states, and the errors that name form, component and
// property.
#include "ui/FormReader.h"

#include <gtest/gtest.h>

#include "ui/Streams.h"
#include "ui/StringList.h"

namespace {

TW_ENUM(TProbeMode, pmOff, pmSlow, pmFast)
TW_ENUM(TProbeFlag, pfA, pfB, pfC)
using TProbeFlags = TSet<TProbeFlag>;

class TProbeFont : public TPersistent {
  TW_CLASS(TProbeFont, TPersistent)
  String name = u"Tahoma";
  Integer height = -11;
};
TW_DEFINE_CLASS(TProbeFont) {
  b.Property(u"Name", &TProbeFont::name, &TProbeFont::name);
  b.Property(u"Height", &TProbeFont::height, &TProbeFont::height);
}

class TProbeItem : public TCollectionItem {
  TW_CLASS(TProbeItem, TCollectionItem)
  using TCollectionItem::TCollectionItem;
  String fileName;
  std::vector<Byte> data;
  void ReadData(TStream& s) {
    data.resize(static_cast<size_t>(s.GetSize()));
    if (!data.empty()) s.ReadBuffer(data.data(), static_cast<Integer>(data.size()));
  }
  void WriteData(TStream& s) const {
    if (!data.empty()) s.WriteBuffer(data.data(), static_cast<Integer>(data.size()));
  }
};
TW_DEFINE_CLASS(TProbeItem) {
  b.Property(u"FileName", &TProbeItem::fileName, &TProbeItem::fileName);
  b.Binary(u"FontData", &TProbeItem::ReadData, &TProbeItem::WriteData);
}

std::vector<std::string> gLoaded;

class TProbe : public TComponent {
  TW_CLASS(TProbe, TComponent)
  explicit TProbe(TComponent* owner) : TComponent(owner), items(TProbeItem::StaticClass()) {}
  Integer left = 0;
  Int64 big = 0;
  bool visible = true;
  TProbeMode mode = pmOff;
  TProbeFlags flags;
  TColor color = clWindow;
  double scale = 1;
  String caption;
  TProbeFont font;
  TStringList lines;
  TCollection items;
  TProbe* buddy = nullptr;
  TNotifyEvent onClick;
  TComponent* parent = nullptr;
  bool loadingWhenParented = false;
  std::vector<std::string> seenLoading;  // csLoading/csReading as the setters saw them

  TProbeFont* Font() const { return const_cast<TProbeFont*>(&font); }
  TStringList* Lines() const { return const_cast<TStringList*>(&lines); }
  TCollection* Items() const { return const_cast<TCollection*>(&items); }
  void SetCaption(const String& c) {
    caption = c;
    seenLoading.push_back(std::string(IsLoading() ? "loading" : "") +
                          (ComponentState().Contains(csReading) ? "+reading" : ""));
  }
  void SetParentComponent(TComponent* p) override { parent = p; }
  TComponent* GetParentComponent() const override { return parent; }
  void Loaded() override {
    gLoaded.push_back(StringToUtf8(Name()) + (IsLoading() ? ":loading" : ":?") +
                      (buddy ? ":buddy=" + StringToUtf8(buddy->Name()) : ""));
    TComponent::Loaded();
  }
};
TW_DEFINE_CLASS(TProbe) {
  b.Property(u"Left", &TProbe::left, &TProbe::left);
  b.Property(u"Big", &TProbe::big, &TProbe::big);
  b.Property(u"Visible", &TProbe::visible, &TProbe::visible);
  b.Property(u"Mode", &TProbe::mode, &TProbe::mode);
  b.Property(u"Flags", &TProbe::flags, &TProbe::flags);
  b.Color(u"Color", &TProbe::color, &TProbe::color);
  b.Property(u"Scale", &TProbe::scale, &TProbe::scale);
  b.Property(u"Caption", &TProbe::caption, &TProbe::SetCaption);
  b.Property(u"Font", &TProbe::Font);
  b.Property(u"Lines", &TProbe::Lines);
  b.Property(u"Items", &TProbe::Items);
  b.Property(u"Buddy", &TProbe::buddy, &TProbe::buddy);
  b.Property(u"OnClick", &TProbe::onClick, &TProbe::onClick);
}

class TProbeForm : public TProbe {
  TW_CLASS(TProbeForm, TProbe)
  using TProbe::TProbe;
  TProbe* first = nullptr;
  TProbe* inner = nullptr;
  int clicks = 0;
  void FirstClick(TObject*) { ++clicks; }
  void WrongSignature(TObject*, Integer) {}
};
TW_DEFINE_CLASS(TProbeForm) {
  b.Field(u"first", &TProbeForm::first);
  b.Field(u"inner", &TProbeForm::inner);
  b.Method(u"FirstClick", &TProbeForm::FirstClick);
  b.Method(u"WrongSignature", &TProbeForm::WrongSignature);
}

constexpr char16_t kDescription[] =
    u"// made by the test\n"
    u"object Probe1: TProbeForm\n"
    u"  Caption = \"下载视频 \\\"x\\\"\\n\" + \"tail\"\n"
    u"  Color = clBtnFace\n"
    u"  object first: TProbe\n"
    u"    Left = -15\n"
    u"    Big = $FFFFFFFFFF\n"
    u"    Visible = False\n"
    u"    Mode = pmFast\n"
    u"    Flags = [pfA, pfC]\n"
    u"    Color = $00123456\n"
    u"    Scale = 1.25\n"
    u"    Caption = \"\\u4E0B\"\n"
    u"    Font.Name = \"Segoe UI\"\n"
    u"    Font.Height = -15\n"
    u"    Lines = (\"TButton\" \"\" \"a b\")\n"
    u"    Items = <\n"
    u"      item\n"
    u"        FileName = \"a.ttf\"\n"
    u"        FontData = {0001 00 00\n"
    u"                    8A}\n"
    u"      end\n"
    u"      item\n"
    u"      end>\n"
    u"    Buddy = inner\n"
    u"    OnClick = FirstClick\n"
    u"    object inner: TProbe\n"
    u"      Buddy = Probe1\n"
    u"      Caption = \"\"\n"
    u"    end\n"
    u"  end\n"
    u"end\n";

class FormReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterClass<TProbe>();
    gLoaded.clear();
  }
  void TearDown() override { UnRegisterClass(TProbe::StaticClass()); }
  // The text of the error the description raises when read into a new TProbeForm.
  static String ErrorOf(StringView text) {
    TComponent owner(nullptr);
    auto* root = new TProbeForm(&owner);
    try {
      ReadComponentText(root, text);
    } catch (const EFilerError& e) { return e.Message(); }
    return u"no error";
  }
};

}  // namespace

TEST_F(FormReaderTest, ReadsEveryKindOfValueIntoTheTree) {
  TComponent owner(nullptr);
  auto* root = new TProbeForm(&owner);
  ReadComponentText(root, kDescription);
  EXPECT_EQ(root->Name(), u"Probe1");
  EXPECT_EQ(root->caption, u"下载视频 \"x\"\ntail");
  EXPECT_EQ(root->color, clBtnFace);
  ASSERT_NE(root->first, nullptr);
  ASSERT_NE(root->inner, nullptr);
  TProbe* f = root->first;
  EXPECT_EQ(f->Owner(), root);  // every component belongs to the root ...
  EXPECT_EQ(f->parent, root);   // ... and is placed on the object that encloses it
  EXPECT_EQ(root->inner->parent, f);
  EXPECT_EQ(root->inner->Owner(), root);
  EXPECT_EQ(f->left, -15);
  EXPECT_EQ(f->big, 0xFFFFFFFFFFll);
  EXPECT_FALSE(f->visible);
  EXPECT_EQ(f->mode, pmFast);
  EXPECT_EQ(f->flags, (TProbeFlags{pfA, pfC}));
  EXPECT_EQ(f->color, 0x123456u);
  EXPECT_DOUBLE_EQ(f->scale, 1.25);
  EXPECT_EQ(f->caption, u"\u4E0B");
  EXPECT_EQ(f->font.name, u"Segoe UI");
  EXPECT_EQ(f->font.height, -15);
  ASSERT_EQ(f->lines.Count(), 3);
  EXPECT_EQ(f->lines[2], u"a b");
  ASSERT_EQ(f->items.Count(), 2);
  auto* item = f->items.ItemsAs<TProbeItem>(0);
  EXPECT_EQ(item->fileName, u"a.ttf");
  EXPECT_EQ(item->data, (std::vector<Byte>{0x00, 0x01, 0x00, 0x00, 0x8A}));
  EXPECT_EQ(f->buddy, root->inner);  // a reference to a component described later
  EXPECT_EQ(root->inner->buddy, root);
  ASSERT_TRUE(f->onClick);
  f->onClick(f);
  EXPECT_EQ(root->clicks, 1);
  // Loaded runs for the root first, then in reading order, each still loading, after every
  // reference was resolved.
  EXPECT_EQ(gLoaded,
            (std::vector<std::string>{"Probe1:loading", "first:loading:buddy=inner", "inner:loading:buddy=Probe1"}));
  EXPECT_FALSE(f->IsLoading());
  EXPECT_EQ(f->seenLoading, std::vector<std::string>{"loading+reading"});
}

TEST_F(FormReaderTest, TheRootTakesAUniqueName) {
  TComponent owner(nullptr);
  auto* a = new TProbeForm(&owner);
  ReadComponentText(a, u"object Probe1: TProbeForm\nend");
  auto* b = new TProbeForm(&owner);
  ReadComponentText(b, u"object Probe1: TProbeForm\nend");
  EXPECT_EQ(a->Name(), u"Probe1");
  EXPECT_EQ(b->Name(), u"Probe1_1");
}

TEST_F(FormReaderTest, ErrorsNameTheFormTheComponentAndTheProperty) {
  struct Case {
    const char16_t* text;
    const char16_t* error;
  } cases[] = {
      {u"object P: TProbeForm\n  object b1: TNoSuch\n  end\nend",
       u"Class TNoSuch not found (form TProbeForm, component b1, line 2)"},
      {u"object P: TProbeForm\n  object b1: TProbe\n    Colour = clRed\n  end\nend",
       u"Property Colour does not exist (form TProbeForm, component b1, property Colour, line 3)"},
      {u"object P: TProbeForm\n  object b1: TProbe\n    Font.Size = 3\n  end\nend",
       u"Property Size does not exist (form TProbeForm, component b1, property Font.Size, line 3)"},
      {u"object P: TProbeForm\n  Mode = pmWarp\nend",
       u"Invalid enumeration value pmWarp of Mode (form TProbeForm, component P, property Mode, line 2)"},
      {u"object P: TProbeForm\n  Left = \"1\"\nend",
       u"Invalid value for property Left (form TProbeForm, component P, property Left, line 2)"},
      {u"object P: TProbeForm\n  Left = 4294967296\nend",
       u"Range check error: 4294967296 does not fit property Left (form TProbeForm, component P, property Left, line "
       u"2)"},
      {u"object P: TProbeForm\n  OnClick = Missing\nend",
       u"Method Missing not found in TProbeForm (form TProbeForm, component P, property OnClick, line 2)"},
      {u"object P: TProbeForm\n  OnClick = WrongSignature\nend",
       u"Method WrongSignature does not fit event OnClick (form TProbeForm, component P, property OnClick, line 2)"},
      {u"object P: TProbeForm\n  Buddy = nobody\nend",
       u"Component nobody not found (form TProbeForm, component P, property Buddy, line 2)"},
      {u"object P: TProbeForm\n  Font = (\"x\")\nend",
       u"Property Font is not a string list (form TProbeForm, component P, property Font, line 2)"},
      {u"object P: TProbeForm\n  Flags = [pfA, pfZ]\nend",
       u"Invalid set element pfZ of TProbeFlag (form TProbeForm, component P, property Flags, line 2)"},
      {u"object P: TProbeForm\n  object x: TProbe\n  end\n  object x: TProbe\n  end\nend",
       u"A component named x already exists (form TProbeForm, component x, line 4)"},
      {u"object P: TOtherForm\nend",
       u"The description of TOtherForm cannot be read into a TProbeForm (form TOtherForm, line 1)"},
      {u"object P: TProbeForm\n  Caption = \"open\nend",
       u"Error reading the description of TProbeForm: Unterminated string (line 2)"},
      {u"object P: TProbeForm\n  Left = 1\n",
       u"Error reading the description of TProbeForm: 'end' expected for object P (line 3)"},
      {u"object P: TProbeForm\n  Items = {0G}\nend",
       u"Error reading the description of TProbeForm: Hexadecimal digit expected in binary data (line 2)"},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.text), String(c.error)) << StringToUtf8(c.text);
}

TEST_F(FormReaderTest, UnknownClassesRaiseClassNotFound) {
  TComponent owner(nullptr);
  auto* root = new TProbeForm(&owner);
  EXPECT_THROW(ReadComponentText(root, u"object P: TProbeForm\n  object b: TNoSuch\n  end\nend"), EClassNotFound);
  // Nothing stays half loaded after an error.
  EXPECT_FALSE(root->IsLoading());
  EXPECT_FALSE(root->ComponentState().Contains(csReading));
}

TEST_F(FormReaderTest, Utf8BytesWithAByteOrderMarkAreRead) {
  TComponent owner(nullptr);
  auto* root = new TProbeForm(&owner);
  ReadComponentUtf8(root, "\xEF\xBB\xBFobject P: TProbeForm\n  Caption = \"\xE4\xB8\x8B\"\nend\n");
  EXPECT_EQ(root->caption, u"\u4E0B");
}
