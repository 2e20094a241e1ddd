#include "ui/SysUtils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <set>

#include "support/TempDir.h"
#include "ui/Streams.h"

TEST(Utf, RoundTripsEveryPlane) {
  const std::string samples[] = {"", "abc", "下载进度", "\xF0\x9F\x98\x80 smile", "caf\xC3\xA9"};
  for (const auto& s : samples) EXPECT_EQ(StringToUtf8(Utf8ToString(s)), s) << s;
  EXPECT_EQ(Utf8ToString("\xF0\x9F\x98\x80"), String(u"\U0001F600"));
  EXPECT_EQ(Utf8ToString("\xF0\x9F\x98\x80").size(), 2u);  // a surrogate pair
}

TEST(Utf, ReplacesInvalidInput) {
  struct Case {
    std::string in;
    String out;
  } cases[] = {
      {"\xFF", u"\uFFFD"},
      {"a\xC3", u"a\uFFFD"},            // truncated sequence
      {"\xC0\x80", u"\uFFFD"},          // overlong NUL
      {"\xED\xA0\x80", u"\uFFFD"},      // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD"},  // beyond U+10FFFF
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToString(c.in), c.out);
  EXPECT_EQ(StringToUtf8(String(1, Char(0xD800))), "\xEF\xBF\xBD");  // lone surrogate
}

TEST(StrToInt, ParsesLikeTheClassLibrary) {
  struct Case {
    const char16_t* text;
    bool ok;
    Integer value;
  } cases[] = {
      {u"0", true, 0},
      {u"-12", true, -12},
      {u"+7", true, 7},
      {u"$FF", true, 255},
      {u"0x10", true, 16},
      {u"$FFFFFFFF", true, -1},
      {u"2147483647", true, 2147483647},
      {u"-2147483648", true, INT32_MIN},
      {u"2147483648", false, 0},
      {u"", false, 0},
      {u"12a", false, 0},
      {u" 5", true, 5},
      {u"5 ", false, 0},
      {u"$", false, 0},
  };
  for (const auto& c : cases) {
    Integer v = 0;
    EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << StringToUtf8(c.text);
    if (c.ok) { EXPECT_EQ(v, c.value) << StringToUtf8(c.text); }
  }
  EXPECT_EQ(StrToIntDef(u"x", 42), 42);
  try {
    StrToInt(u"abc");
    FAIL() << "no exception";
  } catch (const EConvertError& e) { EXPECT_EQ(e.Message(), u"'abc' is not a valid integer value"); }
}

TEST(StrToInt, SixtyFourBitsWithTheSameSyntax) {
  struct Case {
    const char16_t* text;
    bool ok;
    Int64 value;
  } cases[] = {
      {u"4278190335", true, 4278190335LL},
      {u"-1", true, -1},
      {u"9223372036854775807", true, INT64_MAX},
      {u"-9223372036854775808", true, INT64_MIN},
      {u"9223372036854775808", false, 0},
      {u"99999999999999999999", false, 0},
      {u"$FFFFFFFFFFFFFFFF", true, -1},
      {u"$1FFFFFFFFFFFFFFFF", false, 0},
      {u"0xFF00", true, 0xFF00},
      {u"1e3", false, 0},
      {u"", false, 0},
  };
  for (const auto& c : cases) {
    Int64 v = 0;
    EXPECT_EQ(TryStrToInt64(c.text, v), c.ok) << StringToUtf8(c.text);
    if (c.ok) { EXPECT_EQ(v, c.value) << StringToUtf8(c.text); }
  }
}

TEST(Text, CaseAndTrim) {
  EXPECT_EQ(UpperCase(u"aBc\u00e9"), u"ABC\u00e9");
  EXPECT_EQ(AnsiUpperCase(u"aBc\u00e9\u0444"), u"ABC\u00c9\u0424");
  EXPECT_TRUE(SameText(u"Options.DAT", u"options.dat"));
  EXPECT_FALSE(SameText(u"abc", u"abd"));
  EXPECT_EQ(Trim(u" \t x y \r\n"), u"x y");
  EXPECT_EQ(TrimLeft(u"  a "), u"a ");
  EXPECT_EQ(TrimRight(u"  a "), u"  a");
}

// ---- file search ----------------------------------------------------------------------

namespace {

struct SearchFolder {
  TempDir dir;
  SearchFolder() {
    Make(u"a.kpz", 3);
    Make(u"b.txt", 0);
    Make(u"视频.kpz", 5);
    Make(u"noext", 1);
#ifndef _WIN32
    Make(u".hidden", 2);  // hidden by its name natively; on Windows hiding is an attribute
#endif
    std::filesystem::create_directory(std::filesystem::path(dir.Path() + u"/sub"));
  }
  void Make(const String& name, int size) {
    TFileStream f(dir.Path() + u"/" + name, fmCreate);
    const std::string bytes(static_cast<size_t>(size), 'x');
    if (size) f.WriteBuffer(bytes.data(), size);
  }
  // The names a whole search finds ("." and ".." apart), sorted; with the result of FindFirst.
  std::pair<Integer, std::set<String>> Search(const String& pattern, Integer attr, bool* dots = nullptr) const {
    std::set<String> names;
    TSearchRec sr;
    const Integer first = FindFirst(dir.Path() + u"/" + pattern, attr, sr);
    if (dots) *dots = false;
    for (Integer r = first; r == 0; r = FindNext(sr)) {
      if (sr.Name == u"." || sr.Name == u"..") {
        if (dots) *dots = true;
      } else {
        names.insert(sr.Name);
      }
    }
    FindClose(sr);
    return {first, names};
  }
};

}  // namespace

TEST(FindFirst, FindsWhatThePatternAndTheAttributesAskFor) {
  SearchFolder folder;
#ifdef _WIN32
  const std::set<String> hiddenOnly{};
#else
  const std::set<String> hiddenOnly{u".hidden"};
#endif
  auto with = [](std::set<String> a, const std::set<String>& b) {
    a.insert(b.begin(), b.end());
    return a;
  };
  const std::set<String> files{u"a.kpz", u"b.txt", u"视频.kpz", u"noext"};
  struct Case {
    const char16_t* pattern;
    Integer attr;
    std::set<String> names;
  } cases[] = {
      {u"*.*", 0, files},
      {u"*", 0, files},
      {u"*.kpz", 0, {u"a.kpz", u"视频.kpz"}},
      {u"*.*", faDirectory, with(files, {u"sub"})},
      {u"*.*", faHidden, with(files, hiddenOnly)},
      {u"*.*", faAnyFile, with(with(files, hiddenOnly), {u"sub"})},
      {u"sub", faDirectory, {u"sub"}},
      {u"sub", 0, {}},
      {u"*.zzz", faAnyFile, {}},
      {u"b.txt", faReadOnly, {u"b.txt"}},  // attributes other than the four never exclude
  };
  for (const auto& c : cases) {
    auto [first, names] = folder.Search(c.pattern, c.attr);
    EXPECT_EQ(names, c.names) << StringToUtf8(c.pattern) << " " << c.attr;
    EXPECT_EQ(first == 0, !c.names.empty()) << StringToUtf8(c.pattern) << " " << c.attr;
  }
  // The folder's own entries: directories on Windows, hidden directories natively.
  bool dots = false;
  folder.Search(u"*", faDirectory, &dots);
#ifdef _WIN32
  EXPECT_TRUE(dots);
#else
  EXPECT_FALSE(dots);
  folder.Search(u"*", faDirectory | faHidden, &dots);
  EXPECT_TRUE(dots);
#endif
}

TEST(FindFirst, ReportsNameSizeAndAttributesOfEachEntry) {
  SearchFolder folder;
  const String readOnly = folder.dir.Path() + u"/noext";
  std::filesystem::permissions(
      std::filesystem::path(readOnly),
      std::filesystem::perms::owner_write | std::filesystem::perms::group_write | std::filesystem::perms::others_write,
      std::filesystem::perm_options::remove);
  std::map<String, std::pair<Int64, Integer>> seen;
  TSearchRec sr;
  for (Integer r = FindFirst(folder.dir.Path() + u"/*", faDirectory, sr); r == 0; r = FindNext(sr))
    seen[sr.Name] = {sr.Size, sr.Attr};
  FindClose(sr);
  std::filesystem::permissions(std::filesystem::path(readOnly), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  ASSERT_EQ(seen.count(u"视频.kpz"), 1u);
  EXPECT_EQ(seen[u"视频.kpz"].first, 5);
  EXPECT_EQ(seen[u"a.kpz"].first, 3);
  EXPECT_EQ(seen[u"b.txt"].first, 0);
  EXPECT_EQ(seen[u"a.kpz"].second & (faDirectory | faReadOnly), 0);
  EXPECT_NE(seen[u"sub"].second & faDirectory, 0);
  EXPECT_NE(seen[u"noext"].second & faReadOnly, 0);
  EXPECT_EQ(seen[u"noext"].second & faDirectory, 0);
}

TEST(FindFirst, FailuresLeaveNoSearchOpenAndTheEndIsFinal) {
  SearchFolder folder;
  TSearchRec sr;
  EXPECT_NE(FindFirst(folder.dir.Path() + u"/missing/*", faAnyFile, sr), 0);
  EXPECT_FALSE(sr.SearchOpen());
  EXPECT_NE(FindFirst(folder.dir.Path() + u"/*.zzz", faAnyFile, sr), 0);
  EXPECT_FALSE(sr.SearchOpen());
  EXPECT_NE(FindNext(sr), 0);  // no search: nothing found, nothing crashes

  ASSERT_EQ(FindFirst(folder.dir.Path() + u"/*.kpz", 0, sr), 0);
  EXPECT_TRUE(sr.SearchOpen());
  EXPECT_EQ(FindNext(sr), 0);
  EXPECT_NE(FindNext(sr), 0);  // two of them, then the end ...
  EXPECT_NE(FindNext(sr), 0);  // ... which stays the end
  FindClose(sr);
  EXPECT_FALSE(sr.SearchOpen());
  FindClose(sr);  // twice is harmless
  // A record given to a new search gives up its old one first.
  ASSERT_EQ(FindFirst(folder.dir.Path() + u"/*.kpz", 0, sr), 0);
  ASSERT_EQ(FindFirst(folder.dir.Path() + u"/b.txt", 0, sr), 0);
  EXPECT_EQ(sr.Name, u"b.txt");
  EXPECT_NE(FindNext(sr), 0);
}

// ---- files ----------------------------------------------------------------------------------

namespace {
void WriteText(const String& path, const char* text) {
  TFileStream f(path, fmCreate);
  f.WriteBuffer(text, static_cast<Integer>(std::strlen(text)));
}
}  // namespace

TEST(Files, ExistsAndSizeTellFilesFromFoldersAndMissingNames) {
  TempDir dir;
  const String file = dir.Path() + u"/a.txt";
  const String empty = dir.Path() + u"/empty";
  const String sub = dir.Path() + u"/sub";
  WriteText(file, "12345");
  WriteText(empty, "");
  std::filesystem::create_directory(std::filesystem::path(sub));
  struct Case {
    String path;
    bool exists;
    Int64 size;
  } cases[] = {
      {file, true, 5},
      {empty, true, 0},
      {sub, false, -1},
      {dir.Path() + u"/missing", false, -1},
      {dir.Path() + u"/missing/a.txt", false, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FileExists(c.path), c.exists) << StringToUtf8(c.path);
    EXPECT_EQ(FileSize(c.path), c.size) << StringToUtf8(c.path);
  }
}

TEST(Files, RemoveDeletesFilesOnly) {
  TempDir dir;
  const String file = dir.Path() + u"/gone.txt";
  WriteText(file, "x");
  EXPECT_TRUE(RemoveFile(file));
  EXPECT_FALSE(FileExists(file));
  EXPECT_FALSE(RemoveFile(file));  // no longer there
  const String sub = dir.Path() + u"/sub";
  std::filesystem::create_directory(std::filesystem::path(sub));
  EXPECT_FALSE(RemoveFile(sub));
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(sub)));
}

TEST(Files, RenameNeverReplacesWhatIsThere) {
  TempDir dir;
  const String from = dir.Path() + u"/from.txt";
  const String taken = dir.Path() + u"/taken.txt";
  const String free = dir.Path() + u"/free.txt";
  WriteText(from, "from");
  WriteText(taken, "taken!");
  EXPECT_EQ(RenameFile(from, taken), TRenameResult::TargetExists);
  EXPECT_EQ(FileSize(taken), 6);  // untouched
  EXPECT_TRUE(FileExists(from));
  EXPECT_EQ(RenameFile(from, free), TRenameResult::Renamed);
  EXPECT_FALSE(FileExists(from));
  EXPECT_EQ(FileSize(free), 4);
  EXPECT_EQ(RenameFile(from, dir.Path() + u"/other.txt"), TRenameResult::Failed);  // nothing to rename
  EXPECT_EQ(RenameFile(free, dir.Path() + u"/missing/free.txt"), TRenameResult::Failed);
  EXPECT_TRUE(FileExists(free));
}

TEST(Files, FolderOfIsEverythingBeforeTheLastSeparator) {
  struct Case {
    const char16_t* path;
    const char16_t* folder;
  } cases[] = {
      {u"C:\\a\\b.txt", u"C:\\a"},
      {u"C:\\a\\", u"C:\\a"},
      {u"/tmp/x/y", u"/tmp/x"},
      {u"C:\\a/b", u"C:\\a"},
      {u"b.txt", u""},
      {u"", u""},
      {u"\\b", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(FolderOf(c.path), c.folder) << StringToUtf8(c.path);
}
