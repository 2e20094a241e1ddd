#include "base/kvFontStore.h"

#include <gtest/gtest.h>

#include "ui/TypInfo.h"

namespace {

std::vector<Byte> BytesOf(const TkvEmbeddedFont& item) {
  return std::vector<Byte>(item.FontData->Memory(), item.FontData->Memory() + item.FontData->GetSize());
}

void Fill(TkvEmbeddedFont& item, const String& file, const String& family, std::vector<Byte> bytes) {
  item.SetFileName(file);
  item.SetFontName(family);
  item.FontData->Clear();
  if (!bytes.empty()) item.FontData->WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
}

// Writes the item's published properties the way a form description carries them and reads
// them back into a fresh item.
void RoundTrip(const TkvEmbeddedFont& from, TkvEmbeddedFont& to, std::vector<Byte>* written = nullptr) {
  for (const TPropInfo* p : TkvEmbeddedFont::StaticClass().Properties()) {
    if (p->Kind == TTypeKind::String) {
      p->SetStr(to, p->GetStr(from));
    } else if (p->Kind == TTypeKind::Binary) {
      TMemoryStream value;
      p->WriteData(from, value);
      if (written) *written = value.Bytes();
      value.SetPosition(0);
      p->ReadData(to, value);
    }
  }
}

}  // namespace

TEST(EmbeddedFont, FontDataIsTheRawFileInBothDirections) {
  TkvEmbeddedFonts fonts(nullptr), copy(nullptr);
  TkvEmbeddedFont* item = fonts.Add();
  Fill(*item, u"a.ttf", u"Family A", {0x00, 0x01, 0xFF});
  ASSERT_NE(GetPropInfo(item, u"FontData"), nullptr);
  EXPECT_EQ(GetPropInfo(item, u"FontData")->Kind, TTypeKind::Binary);

  std::vector<Byte> written;
  TkvEmbeddedFont* back = copy.Add();
  RoundTrip(*item, *back, &written);
  EXPECT_EQ(written, (std::vector<Byte>{0x00, 0x01, 0xFF}));  // the unchanged bytes
  EXPECT_EQ(BytesOf(*back), (std::vector<Byte>{0x00, 0x01, 0xFF}));
  EXPECT_EQ(back->FileName(), u"a.ttf");
  EXPECT_EQ(back->FontName(), u"Family A");

  TkvEmbeddedFont* empty = fonts.Add();
  TkvEmbeddedFont* emptyBack = copy.Add();
  Fill(*emptyBack, u"x", u"y", {7, 7});
  RoundTrip(*empty, *emptyBack, &written);
  EXPECT_TRUE(written.empty());
  EXPECT_EQ(emptyBack->FontData->GetSize(), 0);
}

TEST(EmbeddedFont, ReadDataTakesTheRestOfTheReader) {
  TkvEmbeddedFonts fonts(nullptr);
  TkvEmbeddedFont* item = fonts.Add();
  TMemoryStream s;
  const Byte data[] = {9, 8, 7, 6};
  s.WriteBuffer(data, 4);
  s.SetPosition(1);
  item->ReadData(s);
  EXPECT_EQ(BytesOf(*item), (std::vector<Byte>{8, 7, 6}));
  EXPECT_EQ(item->FontData->GetPosition(), 0);
}

TEST(EmbeddedFonts, AssignReplacesTheWholeCollection) {
  TkvEmbeddedFonts two(nullptr), five(nullptr);
  Fill(*two.Add(), u"one.ttf", u"One", {1, 2, 3});
  Fill(*two.Add(), u"two.otf", u"Two", {4});
  for (int i = 0; i < 5; ++i) Fill(*five.Add(), u"old.ttf", u"Old", {9, 9, 9, 9, 9});
  five.Assign(&two);
  ASSERT_EQ(five.Count(), 2);
  EXPECT_EQ(five.Items(0)->FileName(), u"one.ttf");
  EXPECT_EQ(five.Items(0)->FontName(), u"One");
  EXPECT_EQ(BytesOf(*five.Items(0)), (std::vector<Byte>{1, 2, 3}));
  EXPECT_EQ(five.Items(1)->FileName(), u"two.otf");
  EXPECT_EQ(BytesOf(*five.Items(1)), (std::vector<Byte>{4}));
  EXPECT_EQ(five.Items(0)->Handle, nullptr);
  EXPECT_EQ(five.Items(1)->Handle, nullptr);
}

TEST(EmbeddedFont, AssignIntoAFilledItemReplacesItsBytes) {
  TkvEmbeddedFonts fonts(nullptr);
  TkvEmbeddedFont* src = fonts.Add();
  TkvEmbeddedFont* dst = fonts.Add();
  Fill(*src, u"new.ttf", u"New", {1, 2});
  Fill(*dst, u"old.ttf", u"Old", {5, 6, 7});
  dst->FontData->SetPosition(1);
  dst->Assign(src);
  EXPECT_EQ(BytesOf(*dst), (std::vector<Byte>{1, 2}));  // not appended, not overwritten in part
  Fill(*src, u"none.ttf", u"None", {});
  dst->Assign(src);
  EXPECT_EQ(dst->FontData->GetSize(), 0);
  EXPECT_EQ(dst->FileName(), u"none.ttf");
  dst->Assign(dst);
  EXPECT_EQ(dst->FileName(), u"none.ttf");
}

TEST(EmbeddedFont, AssignToNothingRaises) {
  TkvEmbeddedFonts fonts(nullptr);
  TkvEmbeddedFont* item = fonts.Add();
  EXPECT_THROW(item->Assign(nullptr), EConvertError);
  TkvEmbeddedFonts other(nullptr);
  EXPECT_THROW(other.Items(0), EListError);
}

TEST(EmbeddedFonts, OwnerAndDestructionOfUnregisteredItems) {
  TComponent owner(nullptr);
  auto* fonts = new TkvEmbeddedFonts(&owner);
  EXPECT_EQ(fonts->FOwner, &owner);
  EXPECT_EQ(fonts->Owner(), &owner);
  Fill(*fonts->Add(), u"a", u"b", {1});
  fonts->Add();
  delete fonts;  // items never registered: nothing to remove, nothing leaks (ASan)
}
