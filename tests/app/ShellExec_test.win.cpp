// Starting the converter through the shell and waiting for it: exact arguments through the
// command-line rules, exit codes, messages flowing while waiting, and the errors.
#include "app/ShellExec.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "app/DownloadLogic.h"
#include "support/Files.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"
#include "ui/Streams.h"

namespace {

bool Exists(const String& p) {
  return GetFileAttributesW(reinterpret_cast<LPCWSTR>(p.c_str())) != INVALID_FILE_ATTRIBUTES;
}

void SetEnv(const wchar_t* name, const String& value) {
  SetEnvironmentVariableW(name, value.empty() ? nullptr : reinterpret_cast<LPCWSTR>(value.c_str()));
}

int timerTicks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++timerTicks; }

class ShellExecTest : public ::testing::Test {
 protected:
  TempDir dir;
  // A folder name that breaks unquoted command lines and tempts the environment expansion.
  const String folder = Backslashed(dir.Path()) + u"\\a b & c ^ %PATH% (x) 中";
  const String converter = ExeFolder() + u"\\data\\ffmpeg.exe";
  const String log = Backslashed(dir.Path()) + u"\\converter.log";
  void SetUp() override {
    ASSERT_TRUE(CreateDirectoryW(reinterpret_cast<LPCWSTR>(folder.c_str()), nullptr));
    SetEnv(L"TW_CONVERTER_LOG", log);
  }
  void TearDown() override {
    SetEnv(L"TW_CONVERTER_LOG", u"");
    SetEnv(L"TW_CONVERTER_MODE", u"");
  }
  std::string Logged() {
    auto b = ReadFileBytes(log);
    return std::string(b.begin(), b.end());
  }
};

}  // namespace

TEST(ResetMemory, ZeroesExactlyTheGivenBytes) {
  unsigned char buf[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ResetMemory(buf + 2, 4);
  const unsigned char want[8] = {1, 2, 0, 0, 0, 0, 7, 8};
  EXPECT_EQ(0, memcmp(buf, want, 8));
  ResetMemory(buf, 0);
  ResetMemory(buf, -5);
  EXPECT_EQ(buf[0], 1);
}

TEST_F(ShellExecTest, ConvertsWithEveryPathIntactAndReturnsTheExitCode) {
  const String video = folder + u"\\1700000000.mp4", audio = folder + u"\\1700000001.aac";
  ASSERT_TRUE(MakeTestVideo(video));
  timerTicks = 0;
  UINT_PTR timer = SetTimer(nullptr, 0, 15, CountTick);
  const Cardinal code = ShellExecAndWait(converter, ConverterParameters(video, audio), u"", SW_HIDE, u"");
  KillTimer(nullptr, timer);
  EXPECT_EQ(code, 0u);
  EXPECT_GT(timerTicks, 0);  // the thread's messages were dispatched while it waited
  EXPECT_EQ(ProbeCodecs(audio), "aac");
  EXPECT_EQ(Logged(), StringToUtf8(u"-nostdin\n-n\n-i\n" + video + u"\n-vn\n-c:a\ncopy\n" + audio + u"\n\n"));

  // -n: an existing output is never overwritten; the converter fails instead.
  const auto before = ReadFileBytes(audio);
  EXPECT_NE(ShellExecAndWait(converter, ConverterParameters(video, audio), u"", SW_HIDE, u""), 0u);
  EXPECT_EQ(ReadFileBytes(audio), before);
}

TEST_F(ShellExecTest, ExitCodesOfAFailingConverterComeBack) {
  SetEnv(L"TW_CONVERTER_MODE", u"partial");
  const String audio = folder + u"\\x.aac";
  EXPECT_EQ(ShellExecAndWait(converter, ConverterParameters(folder + u"\\none.mp4", audio), u"", SW_HIDE, u""), 1u);
  EXPECT_TRUE(Exists(audio));
  SetEnv(L"TW_CONVERTER_MODE", u"");
  // Real ffmpeg on a missing input.
  EXPECT_NE(
      ShellExecAndWait(converter, ConverterParameters(folder + u"\\none.mp4", folder + u"\\y.aac"), u"", SW_HIDE, u""),
      0u);
  EXPECT_FALSE(Exists(folder + u"\\y.aac"));
}

TEST_F(ShellExecTest, AQuitMessageTakenWhileWaitingIsPostedAgain) {
  SetEnv(L"TW_CONVERTER_MODE", u"empty");
  PostQuitMessage(7);
  EXPECT_EQ(ShellExecAndWait(converter, ConverterParameters(u"C:\\in.mp4", folder + u"\\q.aac"), u"", SW_HIDE, u""),
            0u);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(ShellExecTest, AProgramUnderAFolderNamedLikeAVariableRuns) {
  const String installed = folder + u"\\ffmpeg.exe";  // the folder name holds %PATH%
  ASSERT_TRUE(
      CopyFileW(reinterpret_cast<LPCWSTR>(converter.c_str()), reinterpret_cast<LPCWSTR>(installed.c_str()), FALSE));
  SetEnv(L"TW_CONVERTER_MODE", u"empty");
  EXPECT_EQ(ShellExecAndWait(installed, ConverterParameters(u"C:\\in.mp4", folder + u"\\out.aac"), u"", SW_HIDE, u""),
            0u);
  EXPECT_TRUE(Exists(folder + u"\\out.aac"));
}

TEST_F(ShellExecTest, AProgramThatCannotStartRaises) {
  try {
    ShellExecAndWait(folder + u"\\missing.exe", u"", u"", SW_HIDE, u"");
    FAIL() << "no exception";
  } catch (const EShellExecError& e) { EXPECT_EQ(e.Message(), u"ShellExecuteEx fail"); }
}
