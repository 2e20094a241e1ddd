// Media fixtures made by the tests with Debian's ffmpeg, and checks with ffprobe.
#pragma once

#include <string>

#include "ui/Types.h"

#ifdef _WIN32
// A small H.264 + AAC MP4 (seconds long, 160x120) at path; false when ffmpeg failed.
bool MakeTestVideo(const String& path, int seconds = 2, bool withAudio = true);
// The codec names of the streams ffprobe finds in the file ("aac", "h264 aac" ...); empty
// when ffprobe cannot read it.
std::string ProbeCodecs(const String& path);
// The folder of the running test exe, without a trailing backslash.
String ExeFolder();
#endif
