#include "support/Fixtures.h"

#include <windows.h>

#include "support/TempDir.h"
#include "support/UnixShell.h"
#include "ui/Streams.h"

bool MakeTestVideo(const String& path, int seconds, bool withAudio) {
  const std::string d = std::to_string(seconds);
  std::string cmd =
      "/usr/bin/ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc=size=160x120:rate=15:duration=" + d;
  if (withAudio) cmd += " -f lavfi -i sine=frequency=440:duration=" + d + " -c:a aac -b:a 64k";
  cmd += " -c:v libx264 -preset ultrafast -pix_fmt yuv420p -f mp4 " + ShellQuote(UnixPathOf(path)) + " </dev/null";
  return RunUnixShell(cmd) == 0;
}

std::string ProbeCodecs(const String& path) {
  TempDir dir;
  const String out = dir.Path() + u"/probe.txt";
  const std::string cmd = "/usr/bin/ffprobe -v error -show_entries stream=codec_name -of csv=p=0 " +
                          ShellQuote(UnixPathOf(path)) + " > " + ShellQuote(UnixPathOf(out)) + " 2>/dev/null";
  if (RunUnixShell(cmd) != 0) return std::string();
  auto bytes = ReadFileBytes(out);
  std::string text;
  for (Byte b : bytes) {
    if (b == '\n') {
      if (!text.empty() && text.back() != ' ') text += ' ';
    } else if (b != '\r') {
      text += static_cast<char>(b);
    }
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

String ExeFolder() {
  wchar_t buf[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  String p(reinterpret_cast<const Char*>(buf), n);
  return p.substr(0, p.find_last_of(u'\\'));
}
