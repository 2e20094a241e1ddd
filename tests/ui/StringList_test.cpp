#include "ui/StringList.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"
#include "ui/Streams.h"

namespace {

std::vector<String> Lines(const TStringList& sl) {
  std::vector<String> v;
  for (Integer i = 0; i < sl.Count(); ++i) v.push_back(sl[i]);
  return v;
}

class TCounter : public TObject {
 public:
  int changes = 0;
  void Changed(TObject*) { ++changes; }
};

}  // namespace

TEST(StringList, SortedListsApplyTheDuplicatesRule) {
  TStringList sl;
  sl.SetSorted(true);
  EXPECT_EQ(sl.Add(u"b"), 0);
  EXPECT_EQ(sl.Add(u"a"), 0);
  EXPECT_EQ(sl.Add(u"B"), 1);  // dupIgnore, case-insensitive: the existing index
  EXPECT_EQ(Lines(sl), (std::vector<String>{u"a", u"b"}));
  sl.SetDuplicates(dupError);
  EXPECT_THROW(sl.Add(u"A"), EStringListError);
  sl.SetDuplicates(dupAccept);
  sl.Add(u"A");
  EXPECT_EQ(sl.Count(), 3);
  EXPECT_EQ(sl.IndexOf(u"a"), 0);  // the first of equal strings
  EXPECT_THROW(sl.Insert(0, u"x"), EStringListError);
  EXPECT_THROW(sl.SetStrings(0, u"x"), EStringListError);

  TStringList cs;
  cs.SetCaseSensitive(true);
  cs.SetSorted(true);
  cs.Add(u"b");
  cs.Add(u"B");
  cs.Add(u"a");
  EXPECT_EQ(Lines(cs), (std::vector<String>{u"B", u"a", u"b"}));  // ordinal order
  EXPECT_EQ(cs.IndexOf(u"A"), -1);
  Integer at = -1;
  EXPECT_FALSE(cs.Find(u"aa", at));
  EXPECT_EQ(at, 2);
}

TEST(StringList, UnsortedListsKeepOrderAndFindByTheCaseRule) {
  TStringList sl;
  sl.Add(u"Zeta");
  sl.Add(u"alpha");
  sl.Insert(1, u"mid");
  EXPECT_EQ(Lines(sl), (std::vector<String>{u"Zeta", u"mid", u"alpha"}));
  EXPECT_EQ(sl.IndexOf(u"ALPHA"), 2);
  sl.SetCaseSensitive(true);
  EXPECT_EQ(sl.IndexOf(u"ALPHA"), -1);
  sl.Move(0, 2);
  EXPECT_EQ(Lines(sl), (std::vector<String>{u"mid", u"alpha", u"Zeta"}));
  sl.Exchange(0, 1);
  sl.Delete(2);
  EXPECT_EQ(Lines(sl), (std::vector<String>{u"alpha", u"mid"}));
  EXPECT_THROW(sl.Delete(2), EStringListError);
  EXPECT_THROW(sl[-1], EListError);
  sl.SetSorted(true);  // sorting on the switch
  sl.Add(u"b");
  EXPECT_EQ(Lines(sl), (std::vector<String>{u"alpha", u"b", u"mid"}));
}

TEST(StringList, NameValueLines) {
  TStringList sl;
  sl.SetText(u"Width=10\r\nHeight=20\r\nplain\r\nEq==x\r\n");
  EXPECT_EQ(sl.Value(u"height"), u"20");
  EXPECT_EQ(sl.Names(2), u"");
  EXPECT_EQ(sl.Names(3), u"Eq");
  EXPECT_EQ(sl.ValueFromIndex(3), u"=x");
  EXPECT_EQ(sl.IndexOfName(u"plain"), -1);
  sl.SetValue(u"Width", u"11");
  EXPECT_EQ(sl[0], u"Width=11");
  sl.SetValue(u"Depth", u"3");
  EXPECT_EQ(sl[4], u"Depth=3");
  sl.SetValue(u"Height", u"");  // an empty value deletes the line
  EXPECT_EQ(sl.IndexOfName(u"Height"), -1);
  EXPECT_EQ(sl.Count(), 4);
}

TEST(StringList, TextSplitsAtEveryLineBreakKind) {
  TStringList sl;
  sl.SetText(u"a\nb\r\nc\rd");
  EXPECT_EQ(Lines(sl), (std::vector<String>{u"a", u"b", u"c", u"d"}));
  EXPECT_EQ(sl.Text(), u"a\r\nb\r\nc\r\nd\r\n");
  sl.SetText(u"x\r\n\r\n");
  EXPECT_EQ(Lines(sl), (std::vector<String>{u"x", u""}));
  sl.SetText(u"");
  EXPECT_EQ(sl.Count(), 0);
}

TEST(StringList, CommaTextQuotesWhatNeedsIt) {
  TStringList sl;
  sl.Add(u"plain");
  sl.Add(u"two words");
  sl.Add(u"say \"hi\"");
  sl.Add(u"a,b");
  sl.Add(u"");
  EXPECT_EQ(sl.CommaText(), u"plain,\"two words\",\"say \"\"hi\"\"\",\"a,b\",\"\"");
  TStringList back;
  back.SetCommaText(sl.CommaText());
  EXPECT_EQ(Lines(back), Lines(sl));

  struct Case {
    const char16_t* in;
    std::vector<String> out;
  } cases[] = {
      {u"a b,c", {u"a", u"b", u"c"}},  // unquoted blanks separate
      {u" a , b ", {u"a", u"b"}},     {u"a,,b", {u"a", u"", u"b"}}, {u"a,", {u"a", u""}}, {u"", {}},
      {u"\"x\"y,z", {u"xy", u"z"}},   {u"\"open", {u"open"}},
  };
  for (const auto& c : cases) {
    back.SetCommaText(c.in);
    EXPECT_EQ(Lines(back), c.out) << StringToUtf8(c.in);
  }
  TStringList one;
  one.Add(u"");
  EXPECT_EQ(one.CommaText(), u"\"\"");
  one.SetDelimiter(u';');
  one.SetStrictDelimiter(true);
  one.SetDelimitedText(u"a b;c");
  EXPECT_EQ(Lines(one), (std::vector<String>{u"a b", u"c"}));
  EXPECT_EQ(one.DelimitedText(), u"a b;c");
}

TEST(StringList, ObjectsAreOwnedOnlyWhenAsked) {
  // With ASan a leak or a double free here fails the test.
  TStringList owning(true);
  owning.AddObject(u"a", new TStringList());
  owning.AddObject(u"b", new TStringList());
  owning.Delete(0);
  owning.SetObjects(0, new TStringList());
  TStringList borrowed;
  TStringList target;
  borrowed.AddObject(u"t", &target);
  EXPECT_EQ(borrowed.Objects(0), &target);
  EXPECT_EQ(borrowed.IndexOfObject(&target), 0);
  borrowed.Clear();
}

TEST(StringList, ChangeEventsAreBatched) {
  TCounter counter;
  TStringList sl;
  sl.SetOnChange(TNotifyEvent(&counter, &TCounter::Changed));
  sl.Add(u"a");
  EXPECT_EQ(counter.changes, 1);
  sl.SetCommaText(u"a,b,c");
  EXPECT_EQ(counter.changes, 2);
  sl.BeginUpdate();
  sl.Add(u"d");
  sl.Add(u"e");
  sl.EndUpdate();
  EXPECT_EQ(counter.changes, 3);
}

TEST(StringList, FilesRoundTripAndEncodingsAreDetected) {
  TempDir dir;
  String name = dir.Path() + u"/lines.txt";
  TStringList sl;
  sl.Add(u"下载进度");
  sl.Add(u"ascii");
  sl.SaveToFile(name);
  TStringList back;
  back.LoadFromFile(name);
  EXPECT_TRUE(back.Equals(sl));

  const Byte utf16[] = {0xFF, 0xFE, 'h', 0, 'i', 0, '\n', 0, 0x0B, 0x4E};
  EXPECT_EQ(DecodeText(utf16, sizeof utf16), u"hi\n\u4E0B");
  const Byte utf8bom[] = {0xEF, 0xBB, 0xBF, 'o', 'k'};
  EXPECT_EQ(DecodeText(utf8bom, sizeof utf8bom), u"ok");
  const Byte cp1252[] = {'c', 'a', 'f', 0xE9, ' ', 0x80};  // not UTF-8
  EXPECT_EQ(DecodeText(cp1252, sizeof cp1252), u"caf\u00E9 \u20AC");
}

TEST(StringList, AssignCopiesLinesAndKeepsOwnRules) {
  TStringList a;
  a.SetCommaText(u"c,a,b");
  TStringList s;
  s.SetSorted(true);
  s.Assign(&a);
  EXPECT_EQ(Lines(s), (std::vector<String>{u"a", u"b", u"c"}));
  TComponent c(nullptr);
  EXPECT_THROW(s.Assign(&c), EConvertError);
}
