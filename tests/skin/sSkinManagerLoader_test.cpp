// The skin reader under hostile skins: every skin made here either loads with bounded values
// or is refused whole with the skin in force, in bounded time and memory. Also the limits'
// own pieces: picture headers, the options text counts, device names, the version text.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/kvntUtils.h"
#include "skin/sSkinManagerLoader.h"
#include "support/CpuTime.h"
#include "support/HeapPeak.h"
#include "support/SkinFiles.h"
#ifdef _WIN32
#include "support/WindowDriver.h"
#endif

using namespace skinfiles;

namespace {

// ---- pictures that claim more than they hold ---------------------------------------------

void Be32(Bytes& out, uint32_t v) {
  for (int i = 3; i >= 0; --i) out.push_back(Byte(v >> (8 * i)));
}
void Le32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(Byte(v >> (8 * i)));
}
void Le16(Bytes& out, uint16_t v) {
  out.push_back(Byte(v));
  out.push_back(Byte(v >> 8));
}

uint32_t Crc32(const Byte* p, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

void Chunk(Bytes& png, const char* type, const Bytes& data) {
  Be32(png, uint32_t(data.size()));
  Bytes body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  Be32(png, Crc32(body.data(), body.size()));
}

// A valid PNG of w x h RGBA whose image data stop after a few bytes (a few hundred bytes
// claiming gigabytes).
Bytes PngClaiming(uint32_t w, uint32_t h) {
  Bytes png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Bytes ihdr;
  Be32(ihdr, w);
  Be32(ihdr, h);
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
  Chunk(png, "IHDR", ihdr);
  Chunk(png, "IDAT", {0x78, 0x01, 0x63, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01});  // one zero byte
  Chunk(png, "IEND", {});
  return png;
}

// The 54 bytes of a BMP header of w x h at 32 bits, without pixels.
Bytes BmpClaiming(int32_t w, int32_t h) {
  Bytes bmp{'B', 'M'};
  Le32(bmp, 54);
  Le32(bmp, 0);
  Le32(bmp, 54);
  Le32(bmp, 40);
  Le32(bmp, uint32_t(w));
  Le32(bmp, uint32_t(h));
  Le16(bmp, 1);
  Le16(bmp, 32);
  for (int i = 0; i < 6; ++i) Le32(bmp, 0);
  return bmp;
}

// A JPEG start with a frame header of w x h and no scan.
Bytes JpegClaiming(uint16_t w, uint16_t h) {
  Bytes jpg{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 'J', 'F'};  // an application segment first
  jpg.insert(jpg.end(), {0xFF, 0xC0, 0x00, 0x11, 0x08, Byte(h >> 8), Byte(h), Byte(w >> 8), Byte(w), 0x03});
  for (int c = 1; c <= 3; ++c) jpg.insert(jpg.end(), {Byte(c), 0x11, 0x00});
  jpg.insert(jpg.end(), {0xFF, 0xD9});
  return jpg;
}

SkinFiles Good() {
  SkinFiles s;
  s.Set("GLOBALINFO", "VERSION", "16.22");
  s.Set("BUTTON", "COLOR", "0x123456");
  return s;
}

// A skin with the same start as a good one: what each case adds makes it hostile.
SkinFiles Base() {
  SkinFiles s;
  s.Set("GLOBALINFO", "VERSION", "16.22");
  s.Set("FORM", "COLOR", "0xF0F0F0");
  return s;
}

std::string Lines(size_t n, const std::function<std::string(size_t)>& line) {
  std::string text;
  for (size_t i = 0; i < n; ++i) text += line(i) + "\n";
  return text;
}

const std::vector<Integer> kFourPPIs{96, 120, 144, 192};

// How much processor time and heap a four-PPI load may take, here under the sanitizers (an -O2
// build needs a fraction of it; bench/SkinLoadCost_bench measures that). Processor time, not
// wall-clock time: a whole test run loads the machine, and the bound is on the work.
constexpr double kMaxCpuSeconds = 8.0;
constexpr size_t kMaxHeapBytes = size_t(200) << 20;

struct HostileCase {
  const char* name;
  std::function<SkinFiles()> make;
  bool refused;
  // For a skin that loads: what must hold of it.
  std::function<void(TkvSkinSet&)> check;
};

}  // namespace

TEST(HostileSkins, LoadBoundedOrAreRefusedWithTheSkinInForce) {
  const HostileCase cases[] = {
      {"png-claiming-16000x16000",
       [] {
         SkinFiles s = Base();
         return s.Set("BUTTON", "BORDERSMASK", "!HUGE.PNG!1!0!0!0001!0001!0001!0001!0")
             .File("HUGE.PNG", PngClaiming(16000, 16000));
       },
       true,
       {}},
      {"bmp-claiming-16000x16000",
       [] {
         SkinFiles s = Base();
         return s.Set("BUTTON", "BORDERSMASK", "!HUGE.BMP!1!0!0!0001!0001!0001!0001!0")
             .File("HUGE.BMP", BmpClaiming(16000, -16000));
       },
       true,
       {}},
      {"jpeg-claiming-60000x60000",
       [] {
         SkinFiles s = Base();
         return s.Set("BUTTON", "PATTERN", "!HUGE.JPG!1!0!1").File("HUGE.JPG", JpegClaiming(60000, 60000));
       },
       true,
       {}},
      {"master-png-claiming-16000x16000",
       [] {
         SkinFiles s = Base();
         return s.Set("GLOBALINFO", "MASTERBITMAP", "MASTER.PNG").File("MASTER.PNG", PngClaiming(16000, 16000));
       },
       true,
       {}},
      {"master-bmp-claiming-16000x16000",
       [] {
         SkinFiles s = Base();
         return s.Set("GLOBALINFO", "MASTERBITMAP", "MASTER.BMP").File("MASTER.BMP", BmpClaiming(16000, 16000));
       },
       true,
       {}},
      {"pictures-beyond-a-skin",
       [] {
         // Each within the limit of one picture, together beyond what a skin may make.
         SkinFiles s = Base();
         for (int i = 0; i < 6; ++i) {
           const std::string file = "P" + std::to_string(i) + ".PNG";
           s.Set("S" + std::to_string(i), "BORDERSMASK", "!" + file + "!1!0!0!0001!0001!0001!0001!0")
               .File(file, PngClaiming(4096, 4096));
         }
         return s;
       },
       true,
       {}},
      {"parentclass-chain-2000-deep",
       [] {
         SkinFiles s = Base();
         s.Set("C0", "COLOR", "0x0000AA").Set("C0", "GLOW", "7");
         for (int i = 1; i < 2000; ++i) s.Set("C" + std::to_string(i), "PARENTCLASS", "C" + std::to_string(i - 1));
         return s;
       },
       false,
       [](TkvSkinSet& set) {
         for (Integer slot = 0; slot < Integer(set.SkinDataArray.size()); ++slot) {
           TkvSkinData* d = set.Slot(slot);
           if (!d) continue;
           const TsGeneralData& leaf = d->gd[size_t(d->GetSkinIndex(u"C1999"))];
           EXPECT_EQ(leaf.Props[0].Color, 0x0000AA);  // inherited from the root 1999 steps up
           EXPECT_EQ(leaf.GlowCount, 7);
         }
       }},
      {"fan-of-2000-sections-into-a-loop",
       [] {
         SkinFiles s = Base();
         s.Set("LOOPA", "PARENTCLASS", "LOOPB").Set("LOOPB", "PARENTCLASS", "LOOPA");
         for (int i = 0; i < 2000; ++i) s.Set("F" + std::to_string(i), "PARENTCLASS", i % 2 ? "LOOPA" : "LOOPB");
         return s;
       },
       false,
       [](TkvSkinSet& set) {
         TkvSkinData& d = *set.Slot(0);
         const TsGeneralData& f = d.gd[size_t(d.GetSkinIndex(u"F7"))];
         EXPECT_EQ(f.Props[0].Color, 0xFFFFFF);  // found nowhere in the loop: the default
         EXPECT_EQ(f.States, 3);
       }},
      {"a-million-sections",
       [] {
         SkinFiles s = Base();
         return s.Raw(Lines(1000000, [](size_t i) { return "[" + std::to_string(i) + "]"; }));
       },
       true,
       {}},
      {"sections-beyond-the-limit-in-a-small-text",
       [] {
         SkinFiles s = Base();
         return s.Raw(Lines(size_t(kMaxSkinSections) + 1, [](size_t i) { return "[" + std::to_string(i) + "]"; }));
       },
       true,
       {}},
      {"keys-beyond-the-limit-in-one-section",
       [] {
         SkinFiles s = Base();
         return s.Raw("[MANY]\n" + Lines(size_t(kMaxSkinKeys) + 1, [](size_t i) { return std::to_string(i) + "=1"; }));
       },
       true,
       {}},
      {"options-text-beyond-its-size",
       [] {
         SkinFiles s = Base();
         return s.Raw(std::string(size_t(kMaxOptionsBytes), ';'));
       },
       true,
       {}},
      {"device-names",
       [] {
         SkinFiles s = Base();
         auto pic = Picture(4, 4, 0xFF0000FF);
         for (const char* name : {"CON.PNG", "NUL.PNG", "lpt1.png", "Com3.x.png", "AUX .PNG"}) {
           const std::string key = std::string("K") + name;
           s.Set("DEV", key, std::string("!") + name + "!1!0!1");
#ifndef _WIN32
           // Real files of these names here, so only the name keeps them from being read.
           s.Png(name, *pic);
#endif
         }
         return s.Set("DEV", "PATTERN", "!FINE.PNG!1!0!1").Png("FINE.PNG", *pic);
       },
       false,
       [](TkvSkinSet& set) {
         TkvSkinData& d = *set.Slot(0);
         const Integer dev = d.GetSkinIndex(u"DEV");
         for (const char16_t* key : {u"KCON.PNG", u"KNUL.PNG", u"Klpt1.png", u"KCom3.x.png", u"KAUX .PNG"})
           EXPECT_EQ(d.GetMaskIndex(dev, key), -1) << StringToUtf8(key);
         EXPECT_GE(d.GetMaskIndex(dev, u"PATTERN"), 0);
       }},
      {"huge-shadows",
       [] {
         SkinFiles s = Base();
         s.Set("GLOBALINFO", "WSHSIZE", "100000000").Set("GLOBALINFO", "WSHRAD", "100000000");
         s.Set("GLOBALINFO", "WSHOFFS", "100000000").Set("GLOBALINFO", "ALIGNOFFSET", "2000000000");
         s.Set("GLOBALINFO", "SH_OFFSETL", "100000").Set("GLOBALINFO", "SH_OFFSETB", "100000");
         s.Set("GLOBALINFO", "SH_RADIUS_OE", "100000").Set("GLOBALINFO", "SH_BLUR_OE", "100000");
         for (int i = 0; i < 4; ++i) {
           const std::string name = "OUT" + std::to_string(i);
           s.Set(name, "OUTERMODE", "4").Set(name, "OUTOFFSL", "255").Set(name, "OUTOFFST", "255");
           s.Set(name, "OUTOFFSR", "255").Set(name, "OUTOFFSB", "255").Set(name, "OUTRADIUS", "60");
         }
         return s;
       },
       false,
       [](TkvSkinSet& set) {
         for (const Integer ppi : kFourPPIs) {
           TkvSkinData& d = *set.Slot(TkvSkinSet::SlotOf(ppi, set.Settings));
           const Integer bound = kvMulDiv(kMaxShadowSize, ppi, 96);
           EXPECT_EQ(d.WndShadowSize, bound) << ppi;  // bounded, then scaled: never a MulDiv overflow
           EXPECT_EQ(d.WndShadowRadius, bound) << ppi;
           EXPECT_EQ(d.WndShadowOffset, bound) << ppi;
           EXPECT_EQ(d.ExShadowOffs, 512) << ppi;
           TBitmap* shadow = d.GetActiveShadow();
           ASSERT_NE(shadow, nullptr);
           EXPECT_FALSE(shadow->Empty()) << ppi;  // every density has its shadow
           EXPECT_LE(Int64(shadow->Width()) * shadow->Height() * 4, Int64(4) << 20) << ppi;
           for (const auto& e : d.BmpArray)
             if (e.Bmp) { EXPECT_LE(Int64(e.Bmp->Width()) * e.Bmp->Height() * 4, Int64(6) << 20) << ppi; }
         }
       }},
      {"outer-images-beyond-a-skin",
       [] {
         // Each outer image within the bounds of shadows, together beyond what a skin may make.
         SkinFiles s = Base();
         for (int i = 0; i < 500; ++i) {
           const std::string name = "OUT" + std::to_string(i);
           s.Set(name, "OUTERMODE", "3").Set(name, "OUTOFFSL", "255").Set(name, "OUTOFFSR", "255");
           s.Set(name, "OUTOFFST", "255").Set(name, "OUTOFFSB", "255").Set(name, "OUTRADIUS", "60");
         }
         return s;
       },
       true,
       {}},
      {"borders-as-large-as-the-state",
       [] {
         SkinFiles s = Base();
         auto pic = Picture(24, 12, 0xFF00FF00);
         s.Set("EDGE", "BORDERSMASK", "!EDGE.PNG!2!0!0!0012!0012!0000!0000!0").Png("EDGE.PNG", *pic);
         s.Set("HALF", "BORDERSMASK", "!HALF.PNG!1!0!0!0006!0006!0006!0006!0").Png("HALF.PNG", *Picture(12, 12, ~0u));
         return s;
       },
       false,
       [](TkvSkinSet& set) {
         TkvSkinData& d = *set.Slot(0);  // the images at their own PPI, not rescaled
         const TsMaskData& edge = d.ma[size_t(d.GetMaskIndex(d.GetSkinIndex(u"EDGE"), u"BORDERSMASK"))];
         EXPECT_EQ(edge.WL, 11);
         EXPECT_EQ(edge.WT, 11);
         EXPECT_EQ(edge.WR, 0);
         EXPECT_EQ(edge.WB, 0);
         const TsMaskData& half = d.ma[size_t(d.GetMaskIndex(d.GetSkinIndex(u"HALF"), u"BORDERSMASK"))];
         EXPECT_EQ(half.WL, 6);
         EXPECT_EQ(half.WR, 5);  // one pixel of middle is left
         EXPECT_EQ(half.WT, 6);
         EXPECT_EQ(half.WB, 5);
       }},
  };

  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    Good().WriteFolder(dir.Path(), "Good");
    c.make().WriteFolder(dir.Path(), "Hostile");

    // A load at four densities, on its own.
    {
      TkvSkinSet set;
      set.Settings = SettingsFor(dir.Path(), "Hostile");
      DuRiruZireziv loader(nullptr);
      HeapPeak heap;
      const double start = ProcessCpuSeconds();
      bool refused = false;
      try {
        EXPECT_EQ(loader.LoadSkin(set, kFourPPIs), slsLoaded);
      } catch (const ESkinRefused& e) {
        refused = true;
        EXPECT_FALSE(e.Message().empty());
      }
      const double seconds = ProcessCpuSeconds() - start;
      EXPECT_EQ(refused, c.refused);
      EXPECT_LT(seconds, kMaxCpuSeconds);
      if (HeapPeak::Known()) { EXPECT_LT(heap.Bytes(), kMaxHeapBytes); }
      if (!refused && c.check) c.check(set);
    }

    // Through the manager: a refused skin leaves the skin in force as it was.
    if (c.refused) {
#ifdef _WIN32
      // With a display the manager tells the user of the refusal in a message box: answer it as
      // a user would (OK), or the test waits in the box's modal loop.
      DialogAnswerer answerer(GetCurrentProcessId());
#endif
      DuRiruZireziv m(nullptr);
      m.SetSkinDirectory(dir.Path());
      m.SetSkinName(u"Good");
      ASSERT_TRUE(m.IsActive());
      TkvSkinData* before = m.Slot(0);
      m.SetSkinName(u"Hostile");
      EXPECT_EQ(m.SkinName(), u"Good");
      EXPECT_TRUE(m.IsActive());
      EXPECT_EQ(m.Slot(0), before);
      const Integer button = m.GetSkinIndex(u"BUTTON");
      ASSERT_GE(button, 0);
      EXPECT_EQ(m.gd()[size_t(button)].Props[0].Color, 0x123456);
    }
  }
}

TEST(HostileSkins, TheMasterRefusalNamesTheFileAndItsSize) {
  TempDir dir;
  SkinFiles s = Base();
  s.Set("GLOBALINFO", "MASTERBITMAP", "Master.png").File("Master.png", PngClaiming(16000, 9000));
  s.WriteFolder(dir.Path(), "Hostile");
  TkvSkinSet set;
  set.Settings = SettingsFor(dir.Path(), "Hostile");
  DuRiruZireziv loader(nullptr);
  try {
    loader.LoadSkin(set, {96});
    FAIL() << "the master bitmap was not refused";
  } catch (const ESkinRefused& e) {
    EXPECT_EQ(e.Message(),
              u"The master bitmap \"Master.png\" is 16000 x 9000 pixels; a skin picture may have "
              u"16777216 pixels at most.");
  }
}

TEST(PictureHeaders, SizesAreReadFromTheHeaderAlone) {
  struct Case {
    const char* name;
    Bytes bytes;
    bool known;
    Int64 w, h;
  } cases[] = {
      {"png", PngClaiming(16000, 3), true, 16000, 3},
      {"bmp", BmpClaiming(7, 9), true, 7, 9},
      {"bmp-top-down", BmpClaiming(7, -9), true, 7, 9},
      {"bmp-negative-width", BmpClaiming(-2147483647 - 1, 1), true, 2147483648LL, 1},
      {"jpeg", JpegClaiming(640, 480), true, 640, 480},
      {"jpeg-without-frame", Bytes{0xFF, 0xD8, 0xFF, 0xD9}, false, 0, 0},
      {"jpeg-cut-short", Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x40, 0x00}, false, 0, 0},
      {"png-cut-short", Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0}, false, 0, 0},
      {"text", Bytes{'h', 'e', 'l', 'l', 'o'}, false, 0, 0},
      {"empty", Bytes{}, false, 0, 0},
  };
  for (const auto& c : cases) {
    Int64 w = 0, h = 0;
    EXPECT_EQ(PictureHeaderSize(c.bytes.data(), c.bytes.size(), w, h), c.known) << c.name;
    if (!c.known) continue;
    EXPECT_EQ(w, c.w) << c.name;
    EXPECT_EQ(h, c.h) << c.name;
  }
}

TEST(OptionsText, LinesSectionsAndKeysAreCountedBeforeTheTextIsSplit) {
  const auto refused = [](const std::string& text) {
    try {
      CheckOptionsText(reinterpret_cast<const Byte*>(text.data()), text.size());
      return false;
    } catch (const ESkinRefused&) { return true; }
  };
  const std::string sections =
      Lines(size_t(kMaxSkinSections), [](size_t i) { return "  [S" + std::to_string(i) + "]"; });
  EXPECT_FALSE(refused(sections));
  EXPECT_TRUE(refused(sections + "[ONE MORE]"));
  // "\r\n" is one line break, a lone "\r" one too.
  std::string crlf, cr;
  for (Integer i = 0; i < kMaxSkinSections; ++i) crlf += "[S]\r\n";
  for (Integer i = 0; i < kMaxSkinSections; ++i) cr += "[S]\r";
  EXPECT_FALSE(refused(crlf));
  EXPECT_TRUE(refused(crlf + "[S]"));
  EXPECT_TRUE(refused(cr + "[S]"));
  const std::string keys = Lines(size_t(kMaxSkinKeys), [](size_t) { return "A=1"; });
  EXPECT_FALSE(refused(keys));
  EXPECT_TRUE(refused(keys + "B=2"));
  EXPECT_FALSE(refused(keys + "no key here"));
  EXPECT_TRUE(refused(std::string(size_t(kMaxOptionsLines) + 1, '\n')));
  // A UTF-16 text counts the same.
  std::string utf16;
  for (const char ch : sections + "[ONE MORE]") {
    utf16 += ch;
    utf16 += '\0';
  }
  EXPECT_TRUE(refused(utf16));
}

TEST(DeviceNames, AreNeverPathsOfTheSkin) {
  for (const char16_t* name : {u"CON", u"con.png", u"PRN.BMP", u"AUX", u"NUL.x.y", u"COM1.PNG", u"com9", u"LPT1",
                               u"Lpt9.jpg", u"CONIN$", u"CONOUT$.txt", u"NUL .PNG", u"COM\u00B9.png"})
    EXPECT_TRUE(IsDeviceName(name)) << StringToUtf8(name);
  for (const char16_t* name : {u"CONSOLE.PNG", u"COM0.PNG", u"COM10", u"LPT", u"NULL.BMP", u"ACON.PNG", u"PRNT"})
    EXPECT_FALSE(IsDeviceName(name)) << StringToUtf8(name);
  EXPECT_EQ(SkinFilePath(u"/skins/A/", u"CON.PNG"), String());
  EXPECT_EQ(SkinFilePath(u"/skins/A/", u"sub/nul.bmp"), String());
  EXPECT_EQ(SkinFilePath(u"/skins/A/", u"COM3\\x.png"), String());
  EXPECT_NE(SkinFilePath(u"/skins/A/", u"sub/CONSOLE.PNG"), String());
}

TEST(VersionText, TwoDecimalsInTheUsersFormatForAnyNumber) {
  EXPECT_EQ(FormatSkinVersion(17, u"."), u"17.00");
  EXPECT_EQ(FormatSkinVersion(17.006, u","), u"17,01");
  EXPECT_EQ(FormatSkinVersion(9.5, u"\u066B"), u"9\u066B50");
  const String huge = FormatSkinVersion(1e308, u",");
  ASSERT_EQ(huge.size(), 309u + 3u);  // every digit, then ",00"
  EXPECT_EQ(huge.substr(0, 2), u"10");
  EXPECT_EQ(huge.substr(huge.size() - 3), u",00");
  EXPECT_EQ(FormatSkinVersion(-1e300, u".").size(), 1u + 301u + 3u);
  // The warning carries the whole number.
  TempDir dir;
  SkinFiles s = Good();
  s.Set("GLOBALINFO", "VERSION", "1e308");
  s.WriteFolder(dir.Path(), "Future");
  TkvSkinSet set;
  set.Settings = SettingsFor(dir.Path(), "Future");
  DuRiruZireziv loader(nullptr);
  ASSERT_EQ(loader.LoadSkin(set, {96}), slsLoaded);
  ASSERT_EQ(set.Notices.size(), 1u);
  EXPECT_NE(set.Notices[0].Text.find(u"(v" + FormatSkinVersion(1e308, UserDecimalSeparator()) + u")"), String::npos);
}
