// Private registration of embedded fonts, with the icon font the program carries as data.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/kvFontStore.h"
#include "support/ImportHook.h"

namespace {

// The system may have the icon font installed already, so the test font gets a family name
// of its own: every "FontAwesome" of the name table (ASCII and UTF-16BE records) becomes
// "TwProbeFont" (same length, so no offset changes).
constexpr wchar_t kFamily[] = L"TwProbeFont";

void Replace(std::vector<Byte>& bytes, const std::vector<Byte>& from, const std::vector<Byte>& to) {
  for (size_t i = 0; i + from.size() <= bytes.size(); ++i)
    if (std::equal(from.begin(), from.end(), bytes.begin() + i)) std::copy(to.begin(), to.end(), bytes.begin() + i);
}

std::vector<Byte> Utf16BE(const char* ascii) {
  std::vector<Byte> out;
  for (const char* c = ascii; *c; ++c) out.insert(out.end(), {0, static_cast<Byte>(*c)});
  return out;
}

void LoadIconFont(TkvEmbeddedFont& item) {
  HRSRC res = FindResourceW(nullptr, L"awFont", MAKEINTRESOURCEW(10) /*RT_RCDATA*/);
  ASSERT_NE(res, nullptr);
  const auto* data = static_cast<const Byte*>(LockResource(LoadResource(nullptr, res)));
  std::vector<Byte> bytes(data, data + SizeofResource(nullptr, res));
  Replace(bytes, std::vector<Byte>{'F', 'o', 'n', 't', 'A', 'w', 'e', 's', 'o', 'm', 'e'},
          std::vector<Byte>{'T', 'w', 'P', 'r', 'o', 'b', 'e', 'F', 'o', 'n', 't'});
  Replace(bytes, Utf16BE("FontAwesome"), Utf16BE("TwProbeFont"));
  item.FontData->Clear();
  item.FontData->WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
}

int CALLBACK Count(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return 1;
}

int Faces(const wchar_t* family) {
  HDC dc = GetDC(nullptr);
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  wcscpy_s(lf.lfFaceName, family);
  int count = 0;
  EnumFontFamiliesExW(dc, &lf, Count, reinterpret_cast<LPARAM>(&count), 0);
  ReleaseDC(nullptr, dc);
  return count;
}
bool FamilyExists(const wchar_t* family) { return Faces(family) > 0; }

}  // namespace

// What the item hands to the registration calls (Wine's removal has no visible effect, so the
// calls themselves are watched).
struct Calls {
  std::vector<std::string> log;
  std::vector<HANDLE> added;
  ImportHook* add = nullptr;
  ImportHook* remove = nullptr;
};
Calls* calls = nullptr;

HANDLE WINAPI SpyAdd(PVOID data, DWORD size, PVOID reserved, DWORD* count) {
  HANDLE h = calls->add->Original<decltype(&AddFontMemResourceEx)>()(data, size, reserved, count);
  calls->added.push_back(h);
  calls->log.push_back("add " + std::to_string(calls->added.size()));
  return h;
}

BOOL WINAPI SpyRemove(HANDLE h) {
  for (size_t i = 0; i < calls->added.size(); ++i)
    if (calls->added[i] == h) calls->log.push_back("remove " + std::to_string(i + 1));
  return calls->remove->Original<decltype(&RemoveFontMemResourceEx)>()(h);
}

class RegistrationCalls : public testing::Test {
 protected:
  void SetUp() override {
    calls = &calls_;
    calls_.add = &add_;
    calls_.remove = &remove_;
  }
  void TearDown() override { calls = nullptr; }
  Calls calls_;
  ImportHook add_{"gdi32.dll", "AddFontMemResourceEx", &SpyAdd};
  ImportHook remove_{"gdi32.dll", "RemoveFontMemResourceEx", &SpyRemove};
};

TEST_F(RegistrationCalls, LoadRegistersAUsableFamily) {
  TkvEmbeddedFonts fonts(nullptr);
  TkvEmbeddedFont* item = fonts.Add();
  LoadIconFont(*item);
  ASSERT_FALSE(FamilyExists(kFamily));
  item->LoadFont();
  ASSERT_NE(item->Handle, nullptr);
  EXPECT_EQ(item->Handle, calls_.added.at(0));
  EXPECT_TRUE(FamilyExists(kFamily));
  item->UnLoadFont();
  EXPECT_EQ(item->Handle, nullptr);
  item->UnLoadFont();  // a second removal is harmless
  EXPECT_EQ(calls_.log, (std::vector<std::string>{"add 1", "remove 1"}));
}

TEST_F(RegistrationCalls, SecondLoadReleasesTheFirstRegistration) {
  TkvEmbeddedFonts fonts(nullptr);
  TkvEmbeddedFont* item = fonts.Add();
  LoadIconFont(*item);
  item->LoadFont();
  item->LoadFont();
  EXPECT_EQ(item->Handle, calls_.added.at(1));
  item->UnLoadFont();
  EXPECT_EQ(calls_.log, (std::vector<std::string>{"add 1", "remove 1", "add 2", "remove 2"}));
}

TEST_F(RegistrationCalls, EmptyOrBrokenDataRegistersNothing) {
  TkvEmbeddedFonts fonts(nullptr);
  TkvEmbeddedFont* item = fonts.Add();
  item->LoadFont();
  EXPECT_EQ(item->Handle, nullptr);
  EXPECT_TRUE(calls_.added.empty());  // no bytes: not even asked
  const Byte junk[] = {1, 2, 3, 4, 5, 6, 7, 8};
  item->FontData->WriteBuffer(junk, sizeof(junk));
  item->LoadFont();
  EXPECT_EQ(item->Handle, nullptr);
}

TEST_F(RegistrationCalls, DestroyingUnregistersAndCopiesAreNotRegistered) {
  {
    TkvEmbeddedFonts fonts(nullptr);
    TkvEmbeddedFont* item = fonts.Add();
    LoadIconFont(*item);
    item->LoadFont();
    TkvEmbeddedFonts copy(nullptr);
    copy.Assign(&fonts);
    EXPECT_EQ(copy.Items(0)->Handle, nullptr);
    fonts.Add();  // never registered: destroyed without a call
  }
  EXPECT_EQ(calls_.log, (std::vector<std::string>{"add 1", "remove 1"}));
}
