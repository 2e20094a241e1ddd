// The library's own classes written as form descriptions: the defaults they declare are the
// values a fresh object has, and a form with every kind of library control, an image list
// with images, a picture and an action list reads back as it was written.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "support/EveryControl.h"
#include "ui/ActnList.h"
#include "ui/Bitmap.h"
#include "ui/Buttons.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/FormReader.h"
#include "ui/FormWriter.h"
#include "ui/Forms.h"
#include "ui/ImgList.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"
#include "ui/Timers.h"

namespace {

// Every property of obj (and of the sub-objects it edits in place) that declares a default
// and is stored must have that default now.
void ExpectDeclaredDefaults(const TObject* obj, const String& path, int depth = 0) {
  ASSERT_LT(depth, 8);
  for (const TPropInfo* p : obj->ClassInfo().Properties()) {
    if (p->IsStored && !p->IsStored(*obj)) continue;
    const String where = path + u"." + p->Name;
    if (p->HasDefault && SameText(p->Name, u"TabOrder") && depth == 0 && dynamic_cast<const TControl*>(obj) &&
        static_cast<const TControl*>(obj)->Parent())
      continue;  // a placed control's place among its siblings, always written
    if (p->HasDefault) {
      EXPECT_TRUE(IsDefaultPropValue(obj, *p))
          << StringToUtf8(where) << " is " << StringToUtf8(GetPropValue(obj, p->Name));
    }
    if (p->Kind == TTypeKind::Class) {
      TObject* sub = p->GetObj(*obj);
      if (sub && !dynamic_cast<TComponent*>(sub)) ExpectDeclaredDefaults(sub, where, depth + 1);
    }
  }
}

class FormWriterWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app = std::make_unique<TApplication>();
    RegisterLibraryClasses();
    RegisterClass<TToolBar>();
    RegisterClass<TToolButton>();
    RegisterClass<TImageList>();
    RegisterClass<TActionList>();
    RegisterClass<TAction>();
  }
  template <class T>
  T* Get(TComponent* root, StringView name) {
    T* c = dynamic_cast<T*>(root->FindComponent(name));
    EXPECT_NE(c, nullptr) << StringToUtf8(String(name));
    return c;
  }
  void TearDown() override { app.reset(); }
  TForm* NewForm() {
    auto* f = new TForm(app.get());
    f->AfterConstruction();
    return f;
  }
  std::unique_ptr<TApplication> app;
};

TEST_F(FormWriterWinTest, DeclaredDefaultsAreWhatFreshObjectsHave) {
  const TClassInfo* classes[] = {
      &TForm::StaticClass(),      &TLabel::StaticClass(),       &TEdit::StaticClass(),
      &TButton::StaticClass(),    &TProgressBar::StaticClass(), &TImage::StaticClass(),
      &TTimer::StaticClass(),     &TToolBar::StaticClass(),     &TToolButton::StaticClass(),
      &TImageList::StaticClass(), &TActionList::StaticClass(),  &TAction::StaticClass(),
      &TMainMenu::StaticClass(),  &TPopupMenu::StaticClass(),   &TMenuItem::StaticClass(),
      &TMemo::StaticClass(),      &TCheckBox::StaticClass(),    &TRadioButton::StaticClass(),
      &TGroupBox::StaticClass(),  &TStaticText::StaticClass(),  &TListBox::StaticClass(),
      &TComboBox::StaticClass(),  &TScrollBar::StaticClass(),   &TPanel::StaticClass(),
      &TLinkLabel::StaticClass(), &TSpeedButton::StaticClass(), &TTimerSpeedButton::StaticClass(),
      &TBitBtn::StaticClass(),    &TTrackBar::StaticClass(),    &TUpDown::StaticClass(),
      &TStatusBar::StaticClass(), &TTabControl::StaticClass(),  &TPageControl::StaticClass(),
      &TTabSheet::StaticClass(),  &TListView::StaticClass(),    &TTreeView::StaticClass(),
      &TScrollBox::StaticClass(), &TFrame::StaticClass()};
  TForm* parent = NewForm();
  for (const TClassInfo* cls : classes) {
    SCOPED_TRACE(StringToUtf8(cls->Name()));
    TComponent* c = cls->CreateComponent(app.get());
    ASSERT_NE(c, nullptr);
    ExpectDeclaredDefaults(c, cls->Name());
    // Placed on a form too, where the parent's font and colour come in.
    if (auto* control = dynamic_cast<TControl*>(c); control && !dynamic_cast<TCustomForm*>(c)) {
      control->SetParent(cls == &TToolButton::StaticClass() ? static_cast<TWinControl*>(new TToolBar(parent)) : parent);
      if (control->Parent() != parent) control->Parent()->SetParent(parent);
      ExpectDeclaredDefaults(c, cls->Name() + u" on a form");
    }
    c->Free();
  }
}

constexpr char16_t kProbe[] =
    u"object Probe: TForm\n"
    u"  Left = 30\n"
    u"  Top = 40\n"
    u"  Caption = \"探针 \\\"probe\\\"\"\n"
    u"  ClientWidth = 420\n"
    u"  ClientHeight = 310\n"
    u"  Color = clInfoBk\n"
    u"  Font.Height = -13\n"
    u"  Font.Name = \"Segoe UI\"\n"
    u"  Font.Style = [fsBold]\n"
    u"  BorderStyle = bsSingle\n"
    u"  BorderWidth = 3\n"
    u"  Padding.Left = 4\n"
    u"  Padding.Bottom = 6\n"
    u"  Constraints.MinWidth = 200\n"
    u"  Position = poDesigned\n"
    u"  object title: TLabel\n"
    u"    Height = 20\n"
    u"    Align = alTop\n"
    u"    AlignWithMargins = True\n"
    u"    Margins.Top = 8\n"
    u"    Hint = \"Title|The window's title\"\n"
    u"    ShowHint = True\n"
    u"    Caption = \"A title too long for the window it is in\"\n"
    u"    AutoSize = False\n"
    u"    EllipsisPosition = epEndEllipsis\n"
    u"    ParentFont = False\n"
    u"    Font.Color = clRed\n"
    u"  end\n"
    u"  object link: TEdit\n"
    u"    Left = 8\n"
    u"    Top = 40\n"
    u"    Width = 300\n"
    u"    Height = 24\n"
    u"    Anchors = [akLeft, akTop, akRight]\n"
    u"    TabOrder = 1\n"
    u"    Text = \"https://example.invalid/v?id=1\"\n"
    u"    MaxLength = 200\n"
    u"    ReadOnly = True\n"
    u"  end\n"
    u"  object go: TButton\n"
    u"    Left = 320\n"
    u"    Top = 40\n"
    u"    Width = 80\n"
    u"    Height = 24\n"
    u"    Enabled = False\n"
    u"    HelpContext = 12\n"
    u"    TabOrder = 0\n"
    u"    Default = True\n"
    u"    ModalResult = mrOk\n"
    u"    Action = actGo\n"
    u"  end\n"
    u"  object progress: TProgressBar\n"
    u"    Left = 8\n"
    u"    Top = 80\n"
    u"    Width = 392\n"
    u"    Height = 16\n"
    u"    Max = 50\n"
    u"    Position = 20\n"
    u"    Smooth = True\n"
    u"  end\n"
    u"  object bar: TToolBar\n"
    u"    Left = 8\n"
    u"    Top = 110\n"
    u"    Images = icons\n"
    u"    List = True\n"
    u"    object tbGo: TToolButton\n"
    u"      ImageIndex = 0\n"
    u"      Style = tbsCheck\n"
    u"    end\n"
    u"  end\n"
    u"  object picture: TImage\n"
    u"    Left = 8\n"
    u"    Top = 150\n"
    u"    Stretch = True\n"
    u"  end\n"
    u"  object icons: TImageList\n"
    u"    ColorDepth = cd32Bit\n"
    u"    Height = 8\n"
    u"    Width = 8\n"
    u"  end\n"
    u"  object tick: TTimer\n"
    u"    Enabled = False\n"
    u"    Interval = 250\n"
    u"  end\n"
    u"  object actions: TActionList\n"
    u"    object actGo: TAction\n"
    u"      Caption = \"&Go\"\n"
    u"      Hint = \"Go|Parse the link\"\n"
    u"      ImageIndex = 1\n"
    u"    end\n"
    u"  end\n"
    u"end\n";

TEST_F(FormWriterWinTest, LibraryFormsReadBackAsTheyWereWritten) {
  TForm* a = NewForm();
  ReadComponentText(a, kProbe);
  // What a description cannot say by hand: images in the list, a picture.
  auto* icons = dynamic_cast<TImageList*>(a->FindComponent(u"icons"));
  ASSERT_NE(icons, nullptr);
  for (uint32_t argb : {0xFFFF0000u, 0xFF00FF00u}) {
    TBitmap bmp(8, 8, pf32bit);
    TPixelView v = bmp.View();
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) v.At(x, y) = argb;
    ASSERT_GE(icons->Add(&bmp, nullptr), 0);
  }
  TBitmap pic(3, 2, pf24bit);
  pic.Canvas()->Brush()->SetColor(clBlue);
  pic.Canvas()->FillRect(TRect(0, 0, 3, 2));
  dynamic_cast<TImage*>(a->FindComponent(u"picture"))->Picture()->SetGraphic(&pic);

  const String written = WriteComponentText(a);
  // Defaults and values that come from elsewhere stay out.
  for (const char16_t* absent : {u"Visible = True", u"Enabled = True", u"MarqueeInterval", u"Flat", u"Font.Size",
                                 u"\n  Width = ", u"\n  Height = "})
    EXPECT_EQ(written.find(absent), String::npos) << StringToUtf8(absent) << "\n" << StringToUtf8(written);
  // The button's caption and hint come from its action: only the action keeps them.
  for (const char16_t* once : {u"Caption = \"&Go\"", u"Hint = \"Go|Parse the link\""})
    EXPECT_EQ(written.find(once), written.rfind(once)) << StringToUtf8(once);
  for (const char16_t* present :
       {u"    Picture.Data = {", u"    Bitmap = {", u"    Action = actGo\n", u"    Images = icons\n",
        u"  BorderWidth = 3\n", u"  Padding.Left = 4\n", u"    Margins.Top = 8\n",
        u"    EllipsisPosition = epEndEllipsis\n", u"    Anchors = [akLeft, akTop, akRight]\n"})
    EXPECT_NE(written.find(present), String::npos) << StringToUtf8(present) << "\n" << StringToUtf8(written);
  a->Free();

  TForm* b = NewForm();
  ReadComponentText(b, written);
  EXPECT_EQ(StringToUtf8(WriteComponentText(b)), StringToUtf8(written));
  EXPECT_EQ(b->BorderWidth(), 3);
  EXPECT_EQ(b->Padding()->Bottom(), 6);
  EXPECT_EQ(b->Constraints()->MinWidth(), 200);
  EXPECT_TRUE(b->Font()->Style().Contains(fsBold));
  auto* title = dynamic_cast<TLabel*>(b->FindComponent(u"title"));
  EXPECT_EQ(title->Align(), alTop);
  EXPECT_EQ(title->Top(), 8);  // aligned with its margin inside the padding
  EXPECT_EQ(title->Left(), 7);
  EXPECT_EQ(title->Font()->Color(), clRed);
  auto* go = dynamic_cast<TButton*>(b->FindComponent(u"go"));
  EXPECT_EQ(go->Caption(), u"&Go");
  EXPECT_FALSE(go->Enabled());
  EXPECT_EQ(go->TabOrder(), 0);
  EXPECT_EQ(go->HelpContext(), 12);
  auto* tbGo = dynamic_cast<TToolButton*>(b->FindComponent(u"tbGo"));
  EXPECT_EQ(tbGo->ImageIndex(), 0);
  EXPECT_EQ(tbGo->Style(), tbsCheck);
  auto* icons2 = dynamic_cast<TImageList*>(b->FindComponent(u"icons"));
  EXPECT_EQ(icons2->Count(), 2);
  TBitmap back(8, 8, pf32bit);
  ASSERT_TRUE(icons2->GetBitmap(1, &back));
  EXPECT_EQ(back.View().At(4, 4) & 0xFFFFFF, 0x00FF00u);
  auto* picture = dynamic_cast<TImage*>(b->FindComponent(u"picture"));
  ASSERT_NE(picture->Picture()->Graphic(), nullptr);
  EXPECT_EQ(picture->Picture()->Graphic()->Width(), 3);
  auto* tick = dynamic_cast<TTimer*>(b->FindComponent(u"tick"));
  EXPECT_FALSE(tick->Enabled());
  EXPECT_EQ(tick->Interval(), 250u);
}

TEST_F(FormWriterWinTest, EveryStandardControlReadsBackAsItWasWritten) {
  TForm* a = NewForm();
  ReadComponentText(a, kEveryControlForm);
  // Images and glyphs, which a description cannot say by hand.
  auto* images = Get<TImageList>(a, u"images");
  TBitmap glyph(32, 16, pf24bit);
  glyph.Canvas()->Brush()->SetColor(clRed);
  glyph.Canvas()->FillRect(TRect(0, 0, 32, 16));
  images->Add(&glyph, nullptr);
  Get<TBitBtn>(a, u"bitbtn")->SetGlyph(&glyph);
  Get<TBitBtn>(a, u"bitbtn")->SetNumGlyphs(2);
  Get<TSpeedButton>(a, u"speed")->SetGlyph(&glyph);

  const String written = WriteComponentText(a);
  for (const char16_t* present :
       {u"    Glyph.Data = {", u"    Items.ItemData = {", u"    Items.NodeData = {", u"    ActivePage = sheet2\n",
        u"    object sheet1: TTabSheet\n", u"      object sheetEdit: TEdit\n", u"    Tabs = (", u"    Panels = <",
        u"    Lines = (", u"    Kind = bkOK\n", u"    Associate = spinEdit\n", u"    ImageMargins.Left = 2\n",
        u"    VertScrollBar.Increment = 12\n", u"    Style = bsSplitButton\n"})
    EXPECT_NE(written.find(present), String::npos) << StringToUtf8(present) << "\n" << StringToUtf8(written);
  // The kind's own caption, the pages' visibility and ranges the children give stay out.
  for (const char16_t* absent : {u"Caption = \"OK\"", u"      Visible = ", u"Range = "})
    EXPECT_EQ(written.find(absent), String::npos) << StringToUtf8(absent) << "\n" << StringToUtf8(written);
  a->Free();

  TForm* b = NewForm();
  ReadComponentText(b, written);
  EXPECT_EQ(StringToUtf8(WriteComponentText(b)), StringToUtf8(written));
  EXPECT_EQ(Get<TMemo>(b, u"memo")->Lines()->Strings(1), u"second line");
  EXPECT_EQ(Get<TListBox>(b, u"list")->Items()->Strings(0), u"a");
  EXPECT_EQ(Get<TComboBox>(b, u"combo")->Text(), u"green");
  EXPECT_EQ(Get<TCheckBox>(b, u"check")->State(), cbGrayed);
  EXPECT_TRUE(Get<TRadioButton>(b, u"radio1")->Checked());
  EXPECT_EQ(Get<TPageControl>(b, u"pages")->ActivePage(), Get<TTabSheet>(b, u"sheet2"));
  EXPECT_EQ(Get<TPageControl>(b, u"pages")->PageCount(), 2);
  EXPECT_EQ(Get<TEdit>(b, u"sheetEdit")->Parent(), Get<TTabSheet>(b, u"sheet1"));
  // A control put into a frame by the form is the form's, inside the frame.
  EXPECT_EQ(Get<TEdit>(b, u"frameEdit")->Parent(), Get<TFrame>(b, u"frame"));
  EXPECT_EQ(Get<TEdit>(b, u"frameEdit")->Text(), u"in a frame");
  auto* view = Get<TListView>(b, u"view");
  ASSERT_EQ(view->Items()->Count(), 2);
  EXPECT_EQ(view->Items()->Items(1)->SubItems()->Strings(0), u"20");
  EXPECT_EQ(view->Columns()->Items(1)->Alignment(), taRightJustify);
  auto* tree = Get<TTreeView>(b, u"tree");
  ASSERT_EQ(tree->Items()->Count(), 2);
  EXPECT_EQ(tree->Items()->Item(1)->Text(), u"Leaf");
  EXPECT_TRUE(tree->Items()->GetFirstNode()->Expanded());
  EXPECT_EQ(Get<TStatusBar>(b, u"status")->Panels()->Items(1)->Style(), psOwnerDraw);
  EXPECT_EQ(Get<TUpDown>(b, u"spin")->Associate(), Get<TEdit>(b, u"spinEdit"));
  EXPECT_EQ(Get<TBitBtn>(b, u"bitbtn")->Glyph()->Width(), 32);
  EXPECT_EQ(Get<TBitBtn>(b, u"bitbtn")->Caption(), u"OK");
  EXPECT_TRUE(Get<TSpeedButton>(b, u"speed")->Down());
  EXPECT_EQ(Get<TButton>(b, u"button")->DropDownMenu(), Get<TPopupMenu>(b, u"menu"));
  EXPECT_EQ(Get<TScrollBox>(b, u"box")->VertScrollBar()->Increment(), 12);
}

}  // namespace
