// What Wine does with Tarnwick.exe before its first line runs, read from the file: every
// library in its import table is loaded and initialised, so one that start-up has no use for
// must be bound when first needed instead; and sections that do not start at page boundaries
// in the file are read into memory one by one instead of being mapped.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/Fixtures.h"

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return s;
}

template <typename T>
bool ReadAt(const std::vector<char>& file, size_t offset, T& out) {
  if (offset > file.size() || file.size() - offset < sizeof(T)) return false;
  std::memcpy(&out, file.data() + offset, sizeof(T));
  return true;
}

// The names of the libraries in a PE file's import table (lower case); empty when the file
// is not a PE image this test can read.
std::vector<std::string> ImportedLibraries(const std::vector<char>& file) {
  IMAGE_DOS_HEADER dos;
  DWORD signature;
  IMAGE_FILE_HEADER header;
  if (!ReadAt(file, 0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || !ReadAt(file, size_t(dos.e_lfanew), signature) ||
      signature != IMAGE_NT_SIGNATURE || !ReadAt(file, size_t(dos.e_lfanew) + 4, header))
    return {};
  const size_t optional = size_t(dos.e_lfanew) + 4 + sizeof(IMAGE_FILE_HEADER);
  WORD magic;
  if (!ReadAt(file, optional, magic)) return {};
  // The data directories sit at different places in the 32-bit and the 64-bit optional header.
  IMAGE_DATA_DIRECTORY imports;
  const size_t directories = magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC ? offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory)
                                                                    : offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory);
  if (!ReadAt(file, optional + directories + IMAGE_DIRECTORY_ENTRY_IMPORT * sizeof(IMAGE_DATA_DIRECTORY), imports))
    return {};
  std::vector<IMAGE_SECTION_HEADER> sections(header.NumberOfSections);
  const size_t table = optional + header.SizeOfOptionalHeader;
  for (size_t i = 0; i < sections.size(); ++i)
    if (!ReadAt(file, table + i * sizeof(IMAGE_SECTION_HEADER), sections[i])) return {};
  auto offsetOf = [&](DWORD rva) -> size_t {
    for (const IMAGE_SECTION_HEADER& s : sections)
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData))
        return size_t(rva - s.VirtualAddress) + s.PointerToRawData;
    return file.size();
  };
  std::vector<std::string> names;
  for (size_t at = offsetOf(imports.VirtualAddress);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    IMAGE_IMPORT_DESCRIPTOR d;
    if (!ReadAt(file, at, d) || d.Name == 0) break;
    const size_t name = offsetOf(d.Name);
    if (name >= file.size()) break;
    names.push_back(Lower(std::string(file.data() + name, strnlen(file.data() + name, file.size() - name))));
  }
  return names;
}

// The optional header's FileAlignment and SectionAlignment; 0 when the file is not a PE image.
void Alignments(const std::vector<char>& file, DWORD& inFile, DWORD& inMemory) {
  inFile = inMemory = 0;
  IMAGE_DOS_HEADER dos;
  if (!ReadAt(file, 0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return;
  const size_t optional = size_t(dos.e_lfanew) + 4 + sizeof(IMAGE_FILE_HEADER);
  // Both fields sit at the same places in the 32-bit and the 64-bit optional header.
  static_assert(offsetof(IMAGE_OPTIONAL_HEADER32, FileAlignment) == offsetof(IMAGE_OPTIONAL_HEADER64, FileAlignment));
  if (!ReadAt(file, optional + offsetof(IMAGE_OPTIONAL_HEADER32, FileAlignment), inFile) ||
      !ReadAt(file, optional + offsetof(IMAGE_OPTIONAL_HEADER32, SectionAlignment), inMemory))
    inFile = inMemory = 0;
}

// The bytes of the built program (build\bin\Tarnwick.exe beside build\tests\app).
std::vector<char> ProgramFile() {
  const String build = ExeFolder();
  const String exe = build.substr(0, build.find_last_of(u'\\', build.find_last_of(u'\\') - 1)) + u"\\bin\\Tarnwick.exe";
  std::ifstream in(reinterpret_cast<const wchar_t*>(exe.c_str()), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ProgramImage, StartUpLoadsNoLibraryOnlyALaterActionNeeds) {
  const std::vector<char> file = ProgramFile();
  ASSERT_FALSE(file.empty()) << "the program is not built";
  const std::vector<std::string> imported = ImportedLibraries(file);
  auto imports = [&](const char* dll) { return std::find(imported.begin(), imported.end(), dll) != imported.end(); };
  // What the first window needs is imported: the reading above finds them.
  for (const char* needed : {"user32.dll", "gdi32.dll", "kernel32.dll"}) EXPECT_TRUE(imports(needed)) << needed;
  // The HTTP client binds WinHTTP at its first request.
  for (const char* later : {"winhttp.dll"}) EXPECT_FALSE(imports(later)) << later;
}

TEST(ProgramImage, SectionsLieAtPageBoundariesInTheFile) {
  const std::vector<char> file = ProgramFile();
  ASSERT_FALSE(file.empty()) << "the program is not built";
  DWORD inFile, inMemory;
  Alignments(file, inFile, inMemory);
  EXPECT_EQ(inMemory, 0x1000u);
  EXPECT_EQ(inFile, inMemory);
}

}  // namespace
