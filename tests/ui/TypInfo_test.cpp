#include "ui/TypInfo.h"

#include <gtest/gtest.h>

#include "ui/Classes.h"
#include "ui/Colors.h"
#include "ui/Streams.h"
#include "ui/StringList.h"

namespace {

TW_ENUM(TTestAlign, taNone, taTop, taBottom, taClient)
TW_ENUM(TTestAnchor, tkLeft, tkTop, tkRight, tkBottom)
using TTestAnchors = TSet<TTestAnchor>;

// A sub-object edited in place, as Font is.
class TTestFont : public TPersistent {
  TW_CLASS(TTestFont, TPersistent)
  String name = u"Tahoma";
  Integer height = -11;
  int changes = 0;
  const String& Name() const { return name; }
  void SetName(const String& n) {
    name = n;
    ++changes;
  }
  void Assign(const TPersistent* source) override {
    if (auto* f = dynamic_cast<const TTestFont*>(source)) {
      name = f->name;
      height = f->height;
      return;
    }
    TPersistent::Assign(source);
  }
};
TW_DEFINE_CLASS(TTestFont) {
  b.Property(u"Name", &TTestFont::Name, &TTestFont::SetName);
  b.Property(u"Height", &TTestFont::height, &TTestFont::height);  // data members work too
}

class TWidget : public TComponent {
  TW_CLASS(TWidget, TComponent)
  explicit TWidget(TComponent* owner) : TComponent(owner) {}
  Integer left = 0;
  bool visible = true;
  TTestAlign align = taNone;
  TTestAnchors anchors{tkLeft, tkTop};
  TColor color = clBtnFace;
  double scale = 1.0;
  String caption;
  TTestFont font;
  TWidget* buddy = nullptr;
  TNotifyEvent onClick;
  TEvent<void(TObject*, Integer)> onMove;
  std::vector<Byte> data;
  Integer padding[4] = {};

  Integer Left() const { return left; }
  void SetLeft(Integer v) { left = v; }
  TTestFont* Font() const { return const_cast<TTestFont*>(&font); }
  void SetFont(TTestFont* f) { font.Assign(f); }
  TNotifyEvent OnClick() const { return onClick; }
  void SetOnClick(TNotifyEvent e) { onClick = e; }
  void ReadData(TStream& s) {
    data.resize(static_cast<size_t>(s.GetSize() - s.GetPosition()));
    if (!data.empty()) s.ReadBuffer(data.data(), static_cast<Integer>(data.size()));
  }
  void WriteData(TStream& s) const {
    if (!data.empty()) s.WriteBuffer(data.data(), static_cast<Integer>(data.size()));
  }
};

TW_DEFINE_CLASS(TWidget) {
  b.Property(u"Left", &TWidget::Left, &TWidget::SetLeft)
      .Property(u"Visible", &TWidget::visible, &TWidget::visible)
      .Property(u"Align", &TWidget::align, &TWidget::align)
      .Property(u"Anchors", &TWidget::anchors, &TWidget::anchors)
      .Color(u"Color", &TWidget::color, &TWidget::color)
      .Property(u"Scale", &TWidget::scale, &TWidget::scale)
      .Property(u"Caption", &TWidget::caption, &TWidget::caption)
      .Property(u"Font", &TWidget::Font, &TWidget::SetFont)
      .Property(u"ReadOnlyFont", &TWidget::Font)
      .Property(u"Buddy", &TWidget::buddy, &TWidget::buddy)
      .Property(u"OnClick", &TWidget::OnClick, &TWidget::SetOnClick)
      .Property(u"OnMove", &TWidget::onMove, &TWidget::onMove)
      .Binary(u"Data", &TWidget::ReadData, &TWidget::WriteData);
  // Indexed properties through callables.
  for (int i = 0; i < 2; ++i)
    b.Property(
        i == 0 ? u"PadLeft" : u"PadTop", [i](const TWidget& w) { return w.padding[i]; },
        [i](TWidget& w, Integer v) { w.padding[i] = v; });
}

class TSpecialWidget : public TWidget {
  TW_CLASS(TSpecialWidget, TWidget)
  using TWidget::TWidget;
  Integer extra = 5;
  int clicked = 0;
  TSpecialWidget* partner = nullptr;
  void HandleClick(TObject*) { ++clicked; }
  void HandleMove(TObject*, Integer) {}
};
TW_DEFINE_CLASS(TSpecialWidget) {
  b.Property(u"Extra", &TSpecialWidget::extra, &TSpecialWidget::extra);
  b.Method(u"HandleClick", &TSpecialWidget::HandleClick);
  b.Method(u"HandleMove", &TSpecialWidget::HandleMove);
  b.Field(u"Partner", &TSpecialWidget::partner);
}

}  // namespace

TEST(TypInfo, EnumerationNamesAndSets) {
  const TEnumInfo& e = EnumInfoOf<TTestAlign>();
  EXPECT_EQ(e.TypeName(), u"TTestAlign");
  EXPECT_EQ(e.Count(), 4);
  EXPECT_EQ(e.NameOf(3), u"taClient");
  EXPECT_EQ(e.NameOf(4), u"");
  EXPECT_EQ(e.ValueOf(u"TATOP"), 1);
  EXPECT_EQ(e.ValueOf(u"taLeft"), -1);
  const TEnumInfo& a = EnumInfoOf<TTestAnchor>();
  EXPECT_EQ(SetToString(a, 0b1010, true), u"[tkTop,tkBottom]");
  EXPECT_EQ(SetToString(a, 0), u"");
  EXPECT_EQ(StringToSet(a, u"[tkTop, tkBottom]"), 0b1010u);
  EXPECT_EQ(StringToSet(a, u"tkLeft"), 1u);
  EXPECT_EQ(StringToSet(a, u"[]"), 0u);
  EXPECT_THROW(StringToSet(a, u"[tkMiddle]"), EPropertyConvertError);
  EXPECT_THROW(StringToSet(a, u"[tkTop,]"), EPropertyConvertError);
  EXPECT_THROW(StringToSet(a, u"[tkTop"), EPropertyConvertError);
}

TEST(TypInfo, ReadsAndWritesEveryKindByName) {
  TWidget w(nullptr);
  SetOrdProp(&w, u"left", 12);  // names ignore case
  EXPECT_EQ(w.left, 12);
  SetPropValue(&w, u"Left", u"-7");
  EXPECT_EQ(GetPropValue(&w, u"Left"), u"-7");
  SetPropValue(&w, u"Visible", u"false");
  EXPECT_FALSE(w.visible);
  EXPECT_EQ(GetPropValue(&w, u"Visible"), u"False");
  SetEnumProp(&w, u"Align", u"taClient");
  EXPECT_EQ(w.align, taClient);
  EXPECT_EQ(GetOrdProp(&w, u"Align"), 3);
  EXPECT_THROW(SetOrdProp(&w, u"Align", 4), ERangeError);
  EXPECT_THROW(SetEnumProp(&w, u"Align", u"taMiddle"), EPropertyConvertError);
  EXPECT_EQ(GetSetProp(&w, u"Anchors"), u"tkLeft,tkTop");
  SetSetProp(&w, u"Anchors", u"[tkRight]");
  EXPECT_EQ(w.anchors, TTestAnchors{tkRight});
  EXPECT_EQ(GetPropValue(&w, u"Color"), u"clBtnFace");
  SetPropValue(&w, u"Color", u"$00123456");
  EXPECT_EQ(w.color, 0x123456u);
  SetPropValue(&w, u"Color", u"clinfobk");
  EXPECT_EQ(w.color, clInfoBk);
  EXPECT_THROW(SetPropValue(&w, u"Color", u"clNoSuch"), EPropertyConvertError);
  SetPropValue(&w, u"Scale", u"1.25");
  EXPECT_DOUBLE_EQ(GetFloatProp(&w, u"Scale"), 1.25);
  SetStrProp(&w, u"Caption", u"下载视频");
  EXPECT_EQ(GetStrProp(&w, u"Caption"), u"下载视频");
  EXPECT_EQ(GetPropInfo(&w, u"Caption")->Kind, TTypeKind::String);

  // Errors name the property.
  EXPECT_THROW(GetOrdProp(&w, u"Caption"), EPropertyConvertError);
  try {
    SetStrProp(&w, u"Title", u"x");
    FAIL();
  } catch (const EPropertyError& e) { EXPECT_EQ(e.Message(), u"Property Title does not exist"); }
  EXPECT_FALSE(IsPublishedProp(&w, u"Title"));
  EXPECT_TRUE(IsPublishedProp(&w, u"Name"));  // inherited from TComponent
  SetStrProp(&w, u"Name", u"w1");
  EXPECT_EQ(w.Name(), u"w1");

  // Indexed properties.
  SetOrdProp(&w, u"PadTop", 3);
  EXPECT_EQ(w.padding[1], 3);
  EXPECT_EQ(GetOrdProp(&w, u"PadLeft"), 0);
}

TEST(TypInfo, ObjectPropertiesGiveTheSubObjectAndCheckTheClass) {
  TWidget w(nullptr), other(nullptr);
  auto* font = dynamic_cast<TTestFont*>(GetObjectProp(&w, u"Font"));
  ASSERT_EQ(font, &w.font);
  SetStrProp(font, u"Name", u"Segoe UI");  // Font.Name edited in place
  EXPECT_EQ(w.font.name, u"Segoe UI");
  TTestFont f2;
  f2.name = u"Arial";
  SetObjectProp(&w, u"Font", &f2);  // the setter assigns
  EXPECT_EQ(w.font.name, u"Arial");
  EXPECT_THROW(SetObjectProp(&w, u"Font", &other), EPropertyConvertError);
  EXPECT_THROW(SetObjectProp(&w, u"ReadOnlyFont", &f2), EPropertyError);
  EXPECT_TRUE(GetPropInfo(&w, u"ReadOnlyFont")->ReadOnly);
  SetObjectProp(&w, u"Buddy", &other);  // a component reference
  EXPECT_EQ(w.buddy, &other);
  SetObjectProp(&w, u"Buddy", nullptr);
  EXPECT_EQ(w.buddy, nullptr);
}

TEST(TypInfo, EventsByMethodNameCheckTheSignature) {
  TSpecialWidget form(nullptr);
  TWidget button(&form);
  const TMethodInfo* m = form.ClassInfo().FindMethod(u"handleclick");
  ASSERT_NE(m, nullptr);
  const TPropInfo* p = GetPropInfo(&button, u"OnClick");
  ASSERT_EQ(p->Kind, TTypeKind::Method);
  EXPECT_EQ(*m->Type, *p->Type);
  SetMethodProp(&button, u"OnClick", m->Bind(form));
  button.onClick(&button);
  EXPECT_EQ(form.clicked, 1);
  EXPECT_EQ(GetMethodProp(&button, u"OnClick"), TNotifyEvent(&form, &TSpecialWidget::HandleClick));
  // A method of another signature does not fit OnClick.
  EXPECT_NE(*form.ClassInfo().FindMethod(u"HandleMove")->Type, *p->Type);
  EXPECT_EQ(*form.ClassInfo().FindMethod(u"HandleMove")->Type, *GetPropInfo(&button, u"OnMove")->Type);
  EXPECT_EQ(form.ClassInfo().FindMethod(u"Nothing"), nullptr);
  EXPECT_EQ(button.ClassInfo().FindMethod(u"HandleClick"), nullptr);  // methods belong to their class
}

TEST(TypInfo, FieldsTakeComponentsOfTheirClassOnly) {
  TSpecialWidget form(nullptr);
  TSpecialWidget partner(nullptr);
  TComponent plain(nullptr);
  const TFieldInfo* f = form.ClassInfo().FindField(u"partner");
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->Set(form, &partner));
  EXPECT_EQ(form.partner, &partner);
  EXPECT_FALSE(f->Set(form, &plain));
  EXPECT_EQ(form.partner, &partner);
}

TEST(TypInfo, BinaryPropertiesTakeAndGiveBytes) {
  TWidget w(nullptr);
  const TPropInfo* p = GetPropInfo(&w, u"Data");
  ASSERT_EQ(p->Kind, TTypeKind::Binary);
  TMemoryStream in;
  const Byte bytes[] = {0x89, 'P', 'N', 'G', 0};
  in.WriteBuffer(bytes, 5);
  in.SetPosition(0);
  p->ReadData(w, in);
  EXPECT_EQ(w.data, std::vector<Byte>(bytes, bytes + 5));
  TMemoryStream out;
  p->WriteData(w, out);
  EXPECT_EQ(out.Bytes(), w.data);
}

TEST(TypInfo, PropertiesListAncestorsFirstAndSubclassesInherit) {
  TSpecialWidget s(nullptr);
  auto props = s.ClassInfo().Properties();
  ASSERT_GE(props.size(), 3u);
  EXPECT_EQ(props[0]->Name, u"Name");
  EXPECT_EQ(props.back()->Name, u"Extra");
  SetOrdProp(&s, u"Left", 4);
  EXPECT_EQ(s.left, 4);
}

TEST(TypInfo, ClassRegistryFindsRegisteredClassesAndCreatesThem) {
  EXPECT_EQ(FindClass(u"TSpecialWidget"), nullptr);
  RegisterClass<TSpecialWidget>();
  RegisterClass<TSpecialWidget>();  // twice is harmless
  const TClassInfo* c = FindClass(u"TSpecialWidget");
  ASSERT_EQ(c, &TSpecialWidget::StaticClass());
  EXPECT_EQ(FindClass(u"tspecialwidget"), nullptr);  // exact names
  EXPECT_THROW(GetClass(u"TNothing"), EClassNotFound);
  TComponent owner(nullptr);
  TComponent* made = c->CreateComponent(&owner);
  ASSERT_NE(dynamic_cast<TSpecialWidget*>(made), nullptr);
  EXPECT_EQ(made->Owner(), &owner);
  EXPECT_FALSE(TPersistent::StaticClass().CanCreateComponent());
  UnRegisterClass(*c);
  EXPECT_EQ(FindClass(u"TSpecialWidget"), nullptr);
}

TEST(Colors, NamesAndNumbers) {
  EXPECT_EQ(ColorToString(clBtnFace), u"clBtnFace");
  EXPECT_EQ(ColorToString(0x00123456), u"$00123456");
  EXPECT_EQ(StringToColor(u"clRed"), clRed);
  EXPECT_EQ(StringToColor(u"16711680"), clBlue);
  EXPECT_EQ(StringToColor(u"-16777201"), clBtnFace);
  EXPECT_EQ(StringToColor(u"clnone"), clNone);
  EXPECT_THROW(StringToColor(u"red"), EConvertError);
}
