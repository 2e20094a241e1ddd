#include "app/DownloadLogic.h"

#include <gtest/gtest.h>

#include <limits>

#include "ui/SysUtils.h"

TEST(TimeName, SecondsSince1970AsIfUtc) {
  struct Case {
    int y, mo, d, h, mi, s;
    Int64 unix;
  } cases[] = {
      {1970, 1, 1, 0, 0, 0, 0},
      {1969, 12, 31, 23, 59, 59, -1},
      {2000, 1, 1, 0, 0, 0, 946684800},
      {2000, 2, 29, 12, 0, 0, 951825600},  // a leap day of a century divisible by 400
      {1900, 3, 1, 0, 0, 0, -2203891200},  // 1900 has no leap day
      {2023, 11, 14, 22, 13, 20, 1700000000},
      {2024, 12, 31, 23, 59, 59, 1735689599},
      {2038, 1, 19, 3, 14, 8, 2147483648},  // past 32 bits
      {2100, 3, 1, 0, 0, 0, 4107542400},
  };
  for (const auto& c : cases) EXPECT_EQ(UnixTimeOf(c.y, c.mo, c.d, c.h, c.mi, c.s), c.unix) << c.y << "-" << c.mo;
}

TEST(FileNames, JoinPutsOneBackslash) {
  EXPECT_EQ(JoinPath(u"C:\\save", u"a.mp4"), u"C:\\save\\a.mp4");
  EXPECT_EQ(JoinPath(u"C:\\", u"a.mp4"), u"C:\\\\a.mp4");  // a drive root: the file functions accept it
  EXPECT_EQ(FileStemOf(u"C:\\a.b\\1700000000_1.mp4"), u"1700000000_1");
  EXPECT_EQ(FileStemOf(u"noext"), u"noext");
}

TEST(FileNames, SafeStemRepairsWhatAWindowsNameCannotHold) {
  struct Case {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"plain title", u"plain title"},
      {u"a\\/b", u"a__b"},
      {u"..\\..\\evil", u".._.._evil"},
      {u"C:x", u"C_x"},
      {u"*?\"<>|", u"______"},
      {u"ctl\u0001\u001f\u007f", u"ctl__\u007f"},
      {u"trailing. . ", u"trailing"},
      {u"...", u""},
      {u"   ", u""},
      {u"CON", u"CON_"},
      {u"con", u"con_"},
      {u"Nul.", u"Nul_"},
      {u"NUL ", u"NUL_"},
      {u"aux.tar.gz", u"aux_.tar.gz"},
      {u"PRN .x", u"PRN_ .x"},
      {u"COM1", u"COM1_"},
      {u"lpt9", u"lpt9_"},
      {u"COM\u00B9", u"COM\u00B9_"},
      {u"COM10", u"COM10"},
      {u"CONSOLE", u"CONSOLE"},
      {u"x.CON", u"x.CON"},
      {u"中文“标题”", u"中文“标题”"},
  };
  for (const auto& c : cases) EXPECT_EQ(SafeFileStem(c.in, u"C:\\save", u"", u".mp4"), c.out) << StringToUtf8(c.in);
}

TEST(FileNames, SafeStemKeepsTheFullPathWithinLimits) {
  const String folder = u"C:\\save";
  const String longName(400, u'x');
  String stem = SafeFileStem(longName, u"C:", u"_12", u".mp4");
  EXPECT_EQ(stem.size(), static_cast<size_t>(kMaxNameLength - 7));  // the name's own limit
  const String deep = u"C:\\" + String(230, u'd');
  stem = SafeFileStem(longName, deep, u"", u".mp4");
  EXPECT_EQ(JoinPath(deep, stem + u".mp4").size(), static_cast<size_t>(kMaxPathLength));
  // A cut lands on blanks and dots: they go too.
  String dotty = String(20, u'a') + String(300, u'.');
  EXPECT_EQ(SafeFileStem(dotty, folder, u"", u".mp4"), String(20, u'a'));
  // A cut never splits a surrogate pair.
  String emoji;
  for (int i = 0; i < 200; ++i) emoji += u"\U0001F600";
  stem = SafeFileStem(emoji, folder, u"", u".mp4");
  EXPECT_EQ(stem.size() % 2, 0u);
  EXPECT_LE(stem.size(), static_cast<size_t>(kMaxNameLength - 4));
  // A device name that only appears through the cut is still repaired.
  String conLong = u"CON." + String(300, u'.');
  EXPECT_EQ(SafeFileStem(conLong, folder, u"", u".mp4"), u"CON_");
  // No room at all: nothing is left.
  EXPECT_EQ(SafeFileStem(u"abc", String(kMaxPathLength, u'd'), u"", u".mp4"), u"");
}

TEST(FileNames, FinalCandidatesNumberFromOneAndFallBackToTheTimeName) {
  EXPECT_EQ(FinalFileCandidate(u"C:\\s", u"x_1", u".mp4", 0, u"1700000000"), u"C:\\s\\x_1.mp4");
  EXPECT_EQ(FinalFileCandidate(u"C:\\s", u"x_1", u".mp4", 1, u"1700000000"), u"C:\\s\\x_1_1.mp4");
  EXPECT_EQ(FinalFileCandidate(u"C:\\s", u"song", u".mp3", 12, u"1700000000"), u"C:\\s\\song_12.mp3");
  EXPECT_EQ(FinalFileCandidate(u"C:\\s", u"", u".mp4", 0, u"1700000000"), u"C:\\s\\1700000000.mp4");
  EXPECT_EQ(FinalFileCandidate(u"C:\\s", u"/..", u".mp3", 2, u"1700000000"), u"C:\\s\\__2.mp3");
  EXPECT_EQ(FinalFileCandidate(u"C:\\s", u". .", u".mp3", 2, u"1700000000"), u"C:\\s\\1700000000_2.mp3");
  EXPECT_EQ(TempFileCandidate(u"C:\\s", u"1700000000", u".mp4", 0), u"C:\\s\\1700000000.mp4");
  EXPECT_EQ(TempFileCandidate(u"C:\\s", u"1700000000", u".aac", 3), u"C:\\s\\1700000000_3.aac");
}

TEST(Progress, UsableLengths) {
  EXPECT_FALSE(ContentLengthUsable(-1));
  EXPECT_FALSE(ContentLengthUsable(0));
  EXPECT_TRUE(ContentLengthUsable(1));
  EXPECT_TRUE(ContentLengthUsable(2147483647));
  EXPECT_FALSE(ContentLengthUsable(2147483648LL));
  EXPECT_EQ(ProgressBarMax(1000), 1000);
  EXPECT_EQ(ProgressBarMax(-1), 100);
  EXPECT_EQ(ProgressBarMax(0), 100);
  EXPECT_EQ(ProgressBarMax(3000000000LL), 100);
  EXPECT_EQ(ProgressBarPosition(999, 1000), 999);
  EXPECT_EQ(ProgressBarPosition(1500, 1000), 1000);
  EXPECT_EQ(ProgressBarPosition(1500, -1), 0);
  EXPECT_EQ(ProgressBarPosition(5000000000LL, 3000000000LL), 0);
}

TEST(Progress, LabelTexts) {
  struct Case {
    Int64 received, length;
    const char16_t* text;
  } cases[] = {
      {0, 1000, u"0%"},
      {999, 1000, u"99%"},
      {1000, 1000, u"100%"},
      {1500, 1000, u"150%"},  // more than announced
      {1, 3, u"33%"},
      {2147483646, 2147483647, u"99%"},
      {0, -1, u"0 KB"},
      {1023, 0, u"0 KB"},
      {1024, -1, u"1 KB"},
      {1048575, -1, u"1023 KB"},
      {1048576, -1, u"1.0 MB"},
      {1572864, 0, u"1.5 MB"},
      {1153433, -1, u"1.0 MB"},  // 1.09999.. MB is truncated
      {5368709120LL, 3000000000LL, u"5120.0 MB"},
  };
  for (const auto& c : cases) EXPECT_EQ(ProgressLabel(c.received, c.length), c.text) << c.received << "/" << c.length;
  // received * 100 would overflow 64 bits; the result does not.
  EXPECT_EQ(ProgressPercent(Int64(1) << 60, 1000), 115292150460684697LL);
  EXPECT_EQ(ProgressPercent(std::numeric_limits<Int64>::max(), 1), std::numeric_limits<Int64>::max());  // saturates
  EXPECT_EQ(ProgressPercent(Int64(1) << 62, 2147483647), 214748364900LL);
}

TEST(Converter, ParametersQuoteBothPaths) {
  EXPECT_EQ(ConverterParameters(u"C:\\My Videos\\1.mp4", u"C:\\My Videos\\2.aac"),
            u"-nostdin -n -i \"C:\\My Videos\\1.mp4\" -vn -c:a copy \"C:\\My Videos\\2.aac\"");
}

TEST(Progress, CoalescerQueuesAtMostOneStepPerIntervalAndKeepsTheLastCount) {
  TProgressCoalescer c(16000);
  struct Step {
    Int64 count, now;
    bool queue;  // what Report answers
    bool take;   // the GUI step runs after this report
  } steps[] = {
      {100, 0, true, false},      // the first report queues at once
      {200, 1000, false, false},  // a step is pending
      {300, 2000, false, true},   // still pending; then the GUI takes 300
      {400, 9000, false, false},  // nothing pending, but within the interval
      {500, 16000, true, true},   // the interval has passed
      {600, 16001, false, false}, {700, 40000, true, false},
  };
  std::vector<Int64> shown;
  for (const auto& s : steps) {
    EXPECT_EQ(c.Report(s.count, s.now), s.queue) << s.count;
    if (s.take) shown.push_back(c.Take());
  }
  EXPECT_EQ(shown, (std::vector<Int64>{300, 500}));
  EXPECT_EQ(c.Latest(), 700);  // what the completion reads: nothing is lost
  EXPECT_EQ(c.Take(), 700);
}

TEST(Progress, CoalescerTellsWhetherAStepWaitsForTheWindow) {
  TProgressCoalescer c(16000);
  EXPECT_FALSE(c.StepPending());
  EXPECT_TRUE(c.Report(100, 0));
  EXPECT_TRUE(c.StepPending());
  EXPECT_EQ(c.Take(), 100);
  EXPECT_FALSE(c.StepPending());
  // A block within the interval is skipped and nothing waits for it: the window catches up
  // with the newest count itself when no block follows.
  EXPECT_FALSE(c.Report(200, 1000));
  EXPECT_FALSE(c.StepPending());
  EXPECT_EQ(c.Latest(), 200);
}

TEST(Progress, CoalescerRateFromManyBlocks) {
  // 100 000 blocks over one simulated second: about 60 steps reach the GUI.
  TProgressCoalescer c;
  int queued = 0;
  for (Int64 i = 1; i <= 100000; ++i) {
    if (c.Report(i * 2000, i * 10)) {
      ++queued;
      EXPECT_EQ(c.Take(), i * 2000);
    }
  }
  EXPECT_GE(queued, 59);
  EXPECT_LE(queued, 61);
  EXPECT_EQ(c.Latest(), 200000000);
}
