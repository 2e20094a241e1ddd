// System-menu captions and their fallbacks from the program's own string table.
#include <windows.h>

#include <gtest/gtest.h>

#include "Source/resources/engine_ids.h"
#include "base/sConst.h"

namespace {

HMODULE Own() { return GetModuleHandleW(nullptr); }

// What a system library holds for an id; empty when nothing (Wine's user32 and comctl32).
String SystemString(const wchar_t* library, UINT id) {
  HMODULE m = LoadLibraryW(library);
  if (!m) return String();
  wchar_t buf[256];
  const int n = LoadStringW(m, id, buf, 256);
  FreeLibrary(m);
  return String(reinterpret_cast<const Char*>(buf), n > 0 ? n : 0);
}

}  // namespace

TEST(kvLoadResStr, FoundStringTakesTheSuffixFallbackDoesNot) {
  String s = u"old";
  kvLoadResStr(s, Own(), IDS_MOVE, u" (x)", IDS_CLOSE);
  EXPECT_EQ(s, u"Move (x)");
  kvLoadResStr(s, Own(), 4711, u" (x)", IDS_CLOSE);  // missing: the own table's string, no suffix
  EXPECT_EQ(s, u"Close");
  kvLoadResStr(s, Own(), 4711, u" (x)", Cardinal{0});  // no fallback: stays empty
  EXPECT_EQ(s, u"");
  s = u"kept";
  kvLoadResStr(s, nullptr, IDS_MOVE, u"", IDS_CLOSE);  // no library: nothing happens
  EXPECT_EQ(s, u"kept");
}

TEST(kvLoadResStr, TextFallback) {
  String s;
  kvLoadResStr(s, Own(), 4711, u"!", String(u"Fallback"));
  EXPECT_EQ(s, u"Fallback");
  kvLoadResStr(s, Own(), 4711, u"!", String());
  EXPECT_EQ(s, u"");
  kvLoadResStr(s, Own(), IDS_SIZE, u"!", String(u"Fallback"));
  EXPECT_EQ(s, u"Size!");
  EXPECT_EQ(kvLoadOwnStr(IDS_FRAMEADAPTERERROR1), u"TsFrameAdapter adapter must be placed on the handled frame");
  EXPECT_EQ(kvLoadOwnStr(4711), u"");
}

TEST(sConstStartup, FillsCaptionsOnceAndCleanupClearsThem) {
  kvScrollBtnLength = -1;
  sConstStartup();
  EXPECT_EQ(kvScrollBtnLength, GetSystemMetrics(SM_CXHSCROLL));
  struct Case {
    const String* caption;
    const wchar_t* lib;
    UINT id;
    const char16_t* fallback;
  } cases[] = {
      {&kvs_CloseStr, L"user32.dll", 905, u"Close"},           {&kvs_RestoreStr, L"comctl32.dll", 33056, u"Restore"},
      {&kvs_SizeStr, L"comctl32.dll", 32768, u"Size"},         {&kvs_MoveStr, L"comctl32.dll", 32784, u"Move"},
      {&kvs_MaximizeStr, L"comctl32.dll", 32816, u"Maximize"}, {&kvs_MinimizeStr, L"comctl32.dll", 32800, u"Minimize"},
  };
  for (const auto& c : cases) {
    const String sys = SystemString(c.lib, c.id);
    EXPECT_EQ(*c.caption, sys.empty() ? String(c.fallback) : sys);  // the system's text when it has one
  }
  EXPECT_EQ(kvs_AvailSkins, u"Available styles");
  EXPECT_EQ(kvs_InternalSkin, u"(internal)");
  EXPECT_EQ(kvs_FrameAdapterError1, u"TsFrameAdapter adapter must be placed on the handled frame");

  kvs_CloseStr = u"changed";
  sConstStartup();  // a second run does nothing
  EXPECT_EQ(kvs_CloseStr, u"changed");

  sConstCleanup();
  for (const auto& c : cases) EXPECT_TRUE(c.caption->empty());
  EXPECT_TRUE(kvs_AvailSkins.empty());
  EXPECT_TRUE(kvs_FrameAdapterError1.empty());
}
