// Hint templates stored with the form that holds the hints component: every picture's PNG file
// as "ImgData", its sizes, draw modes and offsets, the font, the name; decoded after loading.
#include <windows.h>

#include <gtest/gtest.h>

#include "controls/kvAlphaHints.h"
#include "support/PngWriter.h"
#include "ui/FormReader.h"
#include "ui/FormWriter.h"

namespace {
class THintsRoot : public TComponent {
  TW_CLASS(THintsRoot, TComponent)
  using TComponent::TComponent;
};
}  // namespace
TW_DEFINE_CLASS(THintsRoot) {}

TEST(StoredHintTemplates, ADescriptionCarriesTheTemplatesAndTheirPicturesBack) {
  RegisterClass<THintsRoot>();
  RegisterClass<TsAlphaHints>();
  testpng::Image img;
  img.width = 9;
  img.height = 7;
  for (uint32_t i = 0; i < 9 * 7; ++i)
    for (uint16_t v : {uint16_t(i), uint16_t(200), uint16_t(100), uint16_t(255 - i)}) img.samples.push_back(v);
  const testpng::Bytes png = testpng::Encode(img);

  THintsRoot source(nullptr);
  source.SetName(u"Root");
  auto* hints = new TsAlphaHints(&source);
  hints->SetName(u"Hints1");
  hints->AfterConstruction();
  TkvHintTemplate* tpl = hints->Templates()->Add();
  tpl->SetName(u"Glossy");
  tpl->SetHintAlign(haVertCenter);
  tpl->Font()->SetName(u"Tahoma");
  TkvHintImage* pic = tpl->ImageDefault();
  pic->ImageData()->WriteBuffer(png.data(), Integer(png.size()));
  pic->StreamChanged();
  pic->FShadowSizes->SetValues(1, 2, 3, 4);
  pic->FClientMargins->SetValues(5, 6, 7, 8);
  pic->FBorderDrawModes->SetDrawMode(4, dmRepeat);
  pic->SetOffsetHorz(-3);
  hints->SetTemplateName(u"Glossy");
  const String text = WriteComponentText(&source);

  THintsRoot read(nullptr);
  ReadComponentText(&read, text);
  auto* back = dynamic_cast<TsAlphaHints*>(read.FindComponent(u"Hints1"));
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->Templates()->Count(), 1);
  EXPECT_EQ(back->TemplateIndex(), 0);
  TkvHintTemplate* t = back->Templates()->Items(0);
  EXPECT_EQ(t->Name(), u"Glossy");
  EXPECT_EQ(t->HintAlign(), haVertCenter);
  EXPECT_EQ(t->Font()->Name(), u"Tahoma");
  TkvHintImage* p = t->ImageDefault();
  ASSERT_TRUE(p->HasImageData());
  EXPECT_EQ(p->ImageData()->GetSize(), Int64(png.size()));
  EXPECT_EQ(p->ImageWidth(), 9);  // decoded after loading
  EXPECT_EQ(p->ImageHeight(), 7);
  EXPECT_EQ(p->FShadowSizes->Bottom(), 4);
  EXPECT_EQ(p->FClientMargins->Left(), 5);
  EXPECT_EQ(p->FBorderDrawModes->Get(4), dmRepeat);
  EXPECT_EQ(p->OffsetHorz(), -3);
  EXPECT_TRUE(t->Img_LeftBottom()->IsEmpty());
}
