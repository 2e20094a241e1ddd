#include "base/kvntUtils.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <set>

#include "support/TempDir.h"
#include "ui/Bitmap.h"
#include "ui/Streams.h"
#include "ui/StringList.h"
#include "ui/TypInfo.h"

TEST(RangeTests, LimitBetweenAndIndex) {
  struct Limit {
    Integer v, lo, hi, out;
  } limits[] = {{5, 0, 10, 5}, {-1, 0, 10, 0}, {11, 0, 10, 10}, {5, 10, 0, 10} /* Min wins */, {0, 0, 0, 0}};
  for (const auto& c : limits) EXPECT_EQ(LimitIt(c.v, c.lo, c.hi), c.out) << c.v << " " << c.lo << " " << c.hi;

  struct Btw {
    Integer v, i1, i2;
    bool abs, out;
  } betweens[] = {{5, 0, 10, false, true},   {0, 0, 10, false, true},  {10, 0, 10, false, true},
                  {11, 0, 10, false, false}, {5, 10, 0, false, false}, {5, 10, 0, true, true},
                  {10, 10, 0, true, true},   {11, 10, 0, true, false}, {5, 5, 5, true, true},
                  {5, 0, 10, true, true}};
  for (const auto& c : betweens) EXPECT_EQ(Between(c.v, c.i1, c.i2, c.abs), c.out) << c.v << " " << c.i1 << " " << c.i2;

  EXPECT_TRUE(IsValidIndex(0, 3));
  EXPECT_TRUE(IsValidIndex(2, 3));
  EXPECT_FALSE(IsValidIndex(3, 3));
  EXPECT_FALSE(IsValidIndex(-1, 3));
  EXPECT_FALSE(IsValidIndex(1, 3, 2));
  EXPECT_EQ(Maxi(-3, 2), 2);
  EXPECT_EQ(Mini(-3, 2), -3);
  EXPECT_EQ(iff(true, 1, 2), 1);
  EXPECT_EQ(iff(false, String(u"a"), String(u"b")), u"b");
  EXPECT_EQ(iff(false, u'x', u'y'), u'y');
  Integer a = 1, b = 2;
  ChangeI(a, b);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1);
}

TEST(Rects, BuildersAndExtents) {
  EXPECT_EQ(MkRect(10, 20), TRect(0, 0, 10, 20));
  EXPECT_EQ(MkRect(10, 20, 3, 4), TRect(3, 4, 10, 20));
  EXPECT_EQ(MkRect(TSize(7, 8)), TRect(0, 0, 7, 8));
  TBitmap bmp(5, 6);
  EXPECT_EQ(MkRect(&bmp), TRect(0, 0, 5, 6));
  EXPECT_EQ(MkSize(&bmp), TSize(5, 6));
  EXPECT_EQ(MkSize(TRect(10, 10, 4, 30)), TSize(0, 20));  // negative width taken as 0
  EXPECT_EQ(WidthOf(TRect(10, 0, 4, 0)), -6);
  EXPECT_EQ(WidthOf(TRect(10, 0, 4, 0), true), 0);
  EXPECT_EQ(HeightOf(TRect(0, 9, 0, 2)), -7);
  EXPECT_EQ(HeightOf(TRect(0, 9, 0, 2), true), 0);
  EXPECT_EQ(OffsRect(TRect(1, 2, 3, 4), 10), TRect(11, 12, 13, 14));
  EXPECT_EQ(OffsRect(TRect(1, 2, 3, 4), -1, 5), TRect(0, 7, 2, 9));
  EXPECT_THROW(OffsRect(TRect(0, 0, INT_MAX, 1), 1, 0), EIntOverflow);
  EXPECT_THROW(WidthOf(TRect(INT_MIN, 0, INT_MAX, 0)), EIntOverflow);
}

TEST(Rects, IntersectionVisibilityAndInclusion) {
  EXPECT_EQ(RectsAnd(TRect(0, 0, 10, 10), TRect(5, -5, 20, 6)), TRect(5, 0, 10, 6));
  EXPECT_EQ(RectsAnd(TRect(0, 0, 10, 10), TRect(20, 20, 30, 30)), TRect(20, 20, 10, 10));  // not normalised

  struct Vis {
    TRect r1, r2;
    bool out;
  } vis[] = {
      {{0, 0, 10, 10}, {5, 5, 15, 15}, true},   {{0, 0, 10, 10}, {10, 0, 20, 10}, false},  // touching edges
      {{0, 0, 10, 10}, {0, 10, 10, 20}, false}, {{0, 0, 10, 10}, {2, 2, 2, 8}, false},     // empty second
      {{0, 0, 10, 10}, {-5, -5, 1, 1}, true},
  };
  for (const auto& c : vis) EXPECT_EQ(RectIsVisible(c.r1, c.r2), c.out);

  struct Inc {
    TRect big, small;
    bool full, out;
  } incs[] = {
      {{0, 0, 10, 10}, {0, 0, 10, 10}, true, true},  // the grown pixel holds the corner (10, 10)
      {{0, 0, 10, 10}, {0, 0, 11, 10}, true, false},   {{0, 0, 10, 10}, {-1, 0, 5, 5}, true, false},
      {{0, 0, 10, 10}, {10, 10, 20, 20}, false, true},  // overlaps the grown pixel only
      {{0, 0, 10, 10}, {11, 0, 20, 20}, false, false}, {{0, 0, 10, 10}, {5, 5, 6, 6}, false, true},
  };
  for (const auto& c : incs) EXPECT_EQ(RectInRect(c.big, c.small, c.full), c.out);
}

TEST(Rects, ReflectAndPadding) {
  TRect r(2, 3, 5, 9);
  ReflectRect(r, 20, 30, true);
  EXPECT_EQ(r, TRect(15, 3, 18, 9));
  ReflectRect(r, 20, 30, false);
  EXPECT_EQ(r, TRect(15, 21, 18, 27));

  TRect inMain(12, 13, 15, 19);
  ReflectRect(inMain, TRect(10, 10, 30, 40), true);
  EXPECT_EQ(inMain, TRect(25, 13, 28, 19));
  ReflectRect(inMain, TRect(10, 10, 30, 40), false);
  EXPECT_EQ(inMain, TRect(25, 31, 28, 37));

  TRect p(0, 0, 100, 50);
  AddPadding(p, TRect(6, 3, 2, 1));
  EXPECT_EQ(p, TRect(6, 3, 98, 49));
}

TEST(CacheInfo, MakeCacheInfoIsReady) {
  TBitmap bmp(2, 2);
  const TCacheInfo ci = MakeCacheInfo(&bmp, 3, 4);
  EXPECT_EQ(ci.Bmp, &bmp);
  EXPECT_EQ(ci.X, 3);
  EXPECT_EQ(ci.Y, 4);
  EXPECT_EQ(ci.FillColor, 0xFF00FFu);
  EXPECT_EQ(ci.FillRect, TRect());
  EXPECT_TRUE(ci.Ready);
  TkvBlendFunction bf{9, 9, 9, 9};
  InitBlendData(bf, 200);
  EXPECT_EQ(bf.BlendOp, 0);
  EXPECT_EQ(bf.BlendFlags, 0);
  EXPECT_EQ(bf.SourceConstantAlpha, 200);
  EXPECT_EQ(bf.AlphaFormat, 1);
}

TEST(Strings, PaddingDeletionAndReplacement) {
  EXPECT_EQ(MakeStr('0', 3), u"000");
  EXPECT_EQ(MakeStr('0', 0), u"");
  EXPECT_EQ(MakeStr('0', -2), u"");
  String s = u"old";
  kvFillString(s, 4, u'*');
  EXPECT_EQ(s, u"****");
  kvFillString(s, -1, u'*');
  EXPECT_EQ(s, u"");
  EXPECT_EQ(AddChar('0', u"7", 3), u"007");
  EXPECT_EQ(AddChar('0', u"1234", 3), u"1234");
  EXPECT_EQ(DelChars(u"a-b--c-", u'-'), u"abc");
  struct Rep {
    const char16_t *s, *find, *with, *out;
  } reps[] = {
      {u"aaa", u"a", u"aa", u"aaaaaa"},                                  // replaced text is not searched again
      {u"abab", u"ab", u"", u""},       {u"Abab", u"ab", u"x", u"Abx"},  // case-sensitive
      {u"abc", u"", u"x", u"abc"},      {u"x.y.z", u".", u"\\", u"x\\y\\z"},
  };
  for (const auto& c : reps) EXPECT_EQ(ReplaceStr(c.s, c.find, c.with), c.out);
  EXPECT_TRUE(kvCharIn(u',', TkvCharSet(",;")));
  EXPECT_FALSE(kvCharIn(u'.', TkvCharSet(",;")));
  EXPECT_FALSE(kvCharIn(Char(0x12C), TkvCharSet(",")));  // 0x12C & 0xFF == ','
}

TEST(Words, CountPositionAndExtraction) {
  const TkvCharSet comma(",");
  const TkvCharSet blanks(" ;");
  struct Case {
    const char* text;
    const TkvCharSet* delims;
    Integer n;
    bool skip;
    Integer pos;
    const char* word;
  } cases[] = {
      {"a,,b", &comma, 1, true, 1, "a"},
      {"a,,b", &comma, 2, true, 4, "b"},
      {"a,,b", &comma, 3, true, 0, ""},
      {"a,,b", &comma, 2, false, 3, ""},  // the empty word between the commas
      {"a,,b", &comma, 3, false, 4, "b"},
      {"a,,b", &comma, 4, false, 0, ""},
      {",x", &comma, 1, false, 1, ""},
      {",x", &comma, 1, true, 2, "x"},
      {"a,b,", &comma, 3, false, 5, ""},  // the empty word after a closing delimiter
      {"", &comma, 1, false, 0, ""},
      {"abc", &comma, 0, true, 0, ""},
      {"abc", &comma, 0, false, 0, ""},
      {"  one;two  three ", &blanks, 3, true, 12, "three"},
      {"  one;two  three ", &blanks, 4, true, 0, ""},
  };
  for (const auto& c : cases) {
    const std::string text = c.text;
    const String wide = AsciiToString(text);
    EXPECT_EQ(WordPosition(c.n, text, *c.delims, c.skip), c.pos) << c.text << " #" << c.n;
    EXPECT_EQ(kvWordPosition(c.n, wide, *c.delims, c.skip), c.pos) << c.text << " #" << c.n;
    EXPECT_EQ(ExtractWord(c.n, text, *c.delims, c.skip), c.word) << c.text << " #" << c.n;
    EXPECT_EQ(kvExtractWord(c.n, wide, *c.delims, c.skip), AsciiToString(c.word)) << c.text << " #" << c.n;
  }
  EXPECT_EQ(WordCount("a,,b", comma), 2);
  EXPECT_EQ(WordCount(",,,", comma), 0);
  EXPECT_EQ(WordCount("", comma), 0);
  EXPECT_EQ(kvWordCount(u"  one;two  three ", blanks), 3);
  // A wide character whose low byte is a delimiter is not one.
  EXPECT_EQ(kvWordCount(String(u"a") + Char(0x12C) + u"b", comma), 1);
}

TEST(Numbers, HexToInt) {
  struct Case {
    const char* text;
    Int64 value;
  } cases[] = {
      {"1F", 31},
      {"1fh", 31},
      {"1FH", 31},
      {"0x1F", 0},
      {"12G", 0},
      {"", 0},
      {"H", 0},
      {"ff", 255},
      {"FFFFFFFFFFFFFFFF", -1},
      {"7FFFFFFFFFFFFFFF", INT64_MAX},
      {"1FFFFFFFFFFFFFFFF", -1},  // longer texts keep the low 64 bits
      {"0", 0},
      {"00000010", 16},
      {"-1", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(HexToInt(c.text), c.value) << c.text;
}

TEST(Numbers, Scaling) {
  struct Case {
    Integer value, index, out;
  } cases[] = {
      {10, 0, 10},   {10, 1, 12},   {10, 2, 15},   {10, 3, 20}, {10, 4, 10}, {10, -1, 10},
      {-10, 1, -12}, {-10, 2, -15}, {-10, 3, -20}, {3, 1, 3},   {-3, 2, -4},
  };
  for (const auto& c : cases) EXPECT_EQ(ScaleInteger(c.value, c.index), c.out) << c.value << " @" << c.index;
  EXPECT_THROW(ScaleInteger(INT_MAX, 3), EIntOverflow);
  EXPECT_EQ(ScalePPI(10, 144), 15);
  EXPECT_EQ(ScalePPI(7, 120), 8);
  EXPECT_EQ(ScalePPI(-7, 120), -8);
  EXPECT_THROW(ScalePPI(INT_MAX / 2, 192), EIntOverflow);
}

TEST(Numbers, PPIToIndexThresholds) {
  struct Case {
    Integer ppi, index;
  } cases[] = {
      {0, 0},   {96, 0},  {110, 0}, {111, 1}, {120, 1}, {134, 1}, {135, 2},
      {144, 2}, {170, 2}, {171, 3}, {192, 3}, {600, 3}, {-5, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(PPIToIndex(c.ppi), c.index) << c.ppi;
}

TEST(Folders, NormalDir) {
  struct Case {
    const char16_t *in, *out;
  } cases[] = {
      {u"", u""},
      {u"C", u"C:\\"},
      {u"C:/data/", u"C:/data\\"},
      {u"C:\\data\\", u"C:\\data\\"},
      {u"C:\\data", u"C:\\data\\"},
      {u"/", u"\\"},
      {u"\\", u"\\"},
      {u"ab", u"ab\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalDir(c.in), c.out) << StringToUtf8(c.in);
}

TEST(Folders, FileSearchIsTheClassLibrarys) {
  TempDir dir;
  for (const char16_t* name : {u"a.kpz", u"皮肤.kpz", u"notes.txt"}) TFileStream(dir.Path() + u"/" + name, fmCreate);
  std::filesystem::create_directory(std::filesystem::path(dir.Path() + u"/sub.kpz"));
  auto list = [&](Integer attr, bool viaEngine) {
    std::set<String> names;
    TSearchRec sr;
    const String pattern = dir.Path() + u"/*.kpz";
    for (Integer r = viaEngine ? kvFindFirst(pattern, attr, sr) : FindFirst(pattern, attr, sr); r == 0;
         r = viaEngine ? kvFindNext(sr) : FindNext(sr))
      names.insert(sr.Name + ((sr.Attr & faDirectory) ? u"/" : u""));
    EXPECT_TRUE(sr.SearchOpen());  // at the end, still open until closed
    viaEngine ? kvFindClose(sr) : FindClose(sr);
    EXPECT_FALSE(sr.SearchOpen());
    return names;
  };
  EXPECT_EQ(list(0, true), (std::set<String>{u"a.kpz", u"皮肤.kpz"}));
  EXPECT_EQ(list(faDirectory, true), (std::set<String>{u"a.kpz", u"皮肤.kpz", u"sub.kpz/"}));
  EXPECT_EQ(list(faDirectory, true), list(faDirectory, false));
  TSearchRec none;
  EXPECT_NE(kvFindFirst(dir.Path() + u"/*.zzz", faAnyFile, none), 0);
  EXPECT_FALSE(none.SearchOpen());
}

TEST(SineTable, WholeDegrees) {
  EXPECT_EQ(kvSin(90), 1.0);
  EXPECT_NEAR(kvCos(90), 0.0, 1e-6);
  EXPECT_EQ(kvCos(0), 1.0);
  EXPECT_EQ(kvSin(0), 0.0);
  struct Same {
    Integer a, b;
  } same[] = {{-90, 270}, {-360, 0}, {450, 90}, {360, 0}, {-1, 359}, {-721, 359}, {720, 0}};
  for (const auto& c : same) {
    EXPECT_EQ(kvSin(c.a), kvSin(c.b)) << c.a;
    EXPECT_EQ(kvCos(c.a), kvCos(c.b)) << c.a;
  }
  EXPECT_NEAR(kvSin(30), 0.5, 1e-6);
  EXPECT_NEAR(kvCos(225), -0.70710678, 1e-6);
  EXPECT_EQ(kvSin(INT_MIN), kvSin(360 - static_cast<Integer>(-static_cast<Int64>(INT_MIN) % 360)));
}

namespace {

void Lines(TStringList& list, std::initializer_list<const char16_t*> lines) {
  for (const char16_t* l : lines) list.Add(l);
}

// Sections with their lists, freed with the fixture.
struct Sections {
  TStringList list{true};
};

}  // namespace

TEST(IniText, SectionsKeepTheirNamesAndDropCommentsAndStrayLines) {
  TStringList ini;
  Lines(ini, {u"stray=1", u"[GLOBALINFO]", u"; a comment", u"COLOR=0x10", u"", u"[ MY SECTION ]", u"KEY= spaced value ",
              u"Hex=$FF", u"Neg=-12", u"Bad=abc", u"[GLOBALINFO]", u"COLOR=99", u"[EDIT]", u"KEY=second", u"Key=third",
              u"[EMPTY]"});
  Sections s;
  s.list.Add(u"to be cleared");
  GetIniSections(ini, s.list);
  ASSERT_EQ(s.list.Count(), 5);
  EXPECT_EQ(s.list[0], u"GLOBALINFO");
  EXPECT_EQ(s.list[1], u" MY SECTION ");  // blanks inside the brackets stay
  EXPECT_EQ(s.list[2], u"GLOBALINFO");    // a repeated name is a second entry
  auto* global = dynamic_cast<TStringList*>(s.list.Objects(0));
  ASSERT_NE(global, nullptr);
  EXPECT_EQ(global->Count(), 1);  // the comment and the empty line are gone
  EXPECT_EQ(dynamic_cast<TStringList*>(s.list.Objects(4))->Count(), 0);

  struct Str {
    const char16_t *section, *ident, *out;
  } strs[] = {
      {u"GLOBALINFO", u"COLOR", u"0x10"},            // the first section of that name
      {u"globalinfo", u"color", u"0x10"},            // names are not case-sensitive
      {u" MY SECTION ", u"KEY", u" spaced value "},  // the value is not trimmed
      {u"MY SECTION", u"KEY", u"default"},
      {u"EDIT", u"key", u"second"},  // the first matching line
      {u"NONE", u"KEY", u"default"},
      {u"GLOBALINFO", u"stray", u"default"},  // lines before the first section are gone
  };
  for (const auto& c : strs)
    EXPECT_EQ(ReadIniString(ini, s.list, c.section, c.ident, u"default"), c.out) << StringToUtf8(c.ident);

  struct Int {
    const char16_t *section, *ident;
    Integer out;
  } ints[] = {
      {u"GLOBALINFO", u"COLOR", 16}, {u" MY SECTION ", u"Hex", 255},   {u" MY SECTION ", u"Neg", -12},
      {u" MY SECTION ", u"Bad", 7},  {u" MY SECTION ", u"Missing", 7}, {u" MY SECTION ", u"KEY", 7},
  };
  for (const auto& c : ints)
    EXPECT_EQ(ReadIniInteger(ini, s.list, c.section, c.ident, 7), c.out) << StringToUtf8(c.ident);
  TStringList plain;
  Lines(plain, {u"[S]", u"A=16", u"B=0X1f", u"C=0x"});
  GetIniSections(plain, s.list);
  EXPECT_EQ(ReadIniInteger(plain, s.list, u"S", u"A", 0), 16);
  EXPECT_EQ(ReadIniInteger(plain, s.list, u"S", u"B", 0), 31);
  EXPECT_EQ(ReadIniInteger(plain, s.list, u"S", u"C", 5), 5);
}

namespace {

TW_ENUM(TProbeStyle, psBold, psItalic, psUnderline, psStrikeOut)
using TProbeStyles = TSet<TProbeStyle>;

class TPropProbe : public TPersistent {
  TW_CLASS(TPropProbe, TPersistent)
  Integer width = 3;
  bool flag = true;
  TProbeStyles styles{psBold};
  TPropProbe* child = nullptr;
  String caption;
};

}  // namespace

TW_DEFINE_CLASS(TPropProbe) {
  b.Property(u"Width", &TPropProbe::width, &TPropProbe::width)
      .Property(u"Flag", &TPropProbe::flag, &TPropProbe::flag)
      .Property(u"Styles", &TPropProbe::styles, &TPropProbe::styles)
      .Property(u"Child", &TPropProbe::child, &TPropProbe::child)
      .Property(u"Caption", &TPropProbe::caption, &TPropProbe::caption);
}

TEST(PublishedProperties, ReadAndWriteByName) {
  TPropProbe p, inner;
  p.child = &inner;
  EXPECT_TRUE(HasProperty(&p, u"Width"));
  EXPECT_FALSE(HasProperty(&p, u"Height"));
  EXPECT_FALSE(HasProperty(nullptr, u"Width"));
  EXPECT_EQ(GetObjProp(&p, u"Child"), &inner);
  EXPECT_EQ(GetObjProp(&p, u"Missing"), nullptr);
  EXPECT_EQ(GetObjProp(&p, u"Width"), nullptr);
  EXPECT_EQ(GetIntProp(&p, u"Width"), 3);
  EXPECT_EQ(GetIntProp(&p, u"Flag"), 1);
  EXPECT_EQ(GetIntProp(&p, u"Missing"), -1);
  EXPECT_EQ(GetIntProp(&p, u"Caption"), -1);
  SetIntProp(&p, u"Width", 42);
  SetIntProp(&p, u"Missing", 42);
  EXPECT_EQ(p.width, 42);
}

TEST(PublishedProperties, SetElementsByName) {
  TPropProbe p;
  EXPECT_TRUE(CheckSetProp(&p, u"Styles", u"psBold"));
  EXPECT_FALSE(CheckSetProp(&p, u"Styles", u"psbold"));  // exact names
  EXPECT_FALSE(CheckSetProp(&p, u"Styles", u"psItalic"));
  EXPECT_FALSE(CheckSetProp(&p, u"Width", u"psBold"));
  EXPECT_FALSE(CheckSetProp(&p, u"Missing", u"psBold"));

  EXPECT_FALSE(SetSetPropValue(&p, u"Styles", u"psUnderline", true));  // always False
  EXPECT_EQ(p.styles, (TProbeStyles{psBold, psUnderline}));
  SetSetPropValue(&p, u"Styles", u"psUnderline", true);  // already there
  EXPECT_EQ(p.styles, (TProbeStyles{psBold, psUnderline}));
  SetSetPropValue(&p, u"Styles", u"psBold", false);
  EXPECT_EQ(p.styles, (TProbeStyles{psUnderline}));
  SetSetPropValue(&p, u"Styles", u"psUnderline", false);
  EXPECT_EQ(p.styles, TProbeStyles{});
  SetSetPropValue(&p, u"Styles", u"psItalic", true);  // into an empty set
  EXPECT_EQ(p.styles, (TProbeStyles{psItalic}));
  SetSetPropValue(&p, u"Styles", u"psStrikeOut", false);  // absent: unchanged
  EXPECT_EQ(p.styles, (TProbeStyles{psItalic}));
}

TEST(Lists, AddObjToListOnce) {
  TPropProbe a, b;
  std::vector<TObject*> list;
  AddObjToList(&a, list);
  AddObjToList(&b, list);
  AddObjToList(&a, list);
  EXPECT_EQ(list, (std::vector<TObject*>{&a, &b}));
}
