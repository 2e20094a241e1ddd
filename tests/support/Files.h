// File and path helpers for the Windows tests.
#pragma once

#include <windows.h>

#include <vector>

#include "ui/SysUtils.h"

// The path with every '/' made a '\\'.
String Backslashed(String path);
// The names of the files and folders in a folder, sorted ("." and ".." left out).
std::vector<String> FilesIn(const String& folder);
// The size of the one file in a folder (a download being written); -1 while the folder holds
// none or more than one.
Int64 SizeOfOnlyFileIn(const String& folder);
// Writes the bytes as the whole file (made or emptied first).
void SaveBytes(const String& path, const std::vector<Byte>& bytes);
