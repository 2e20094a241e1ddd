// TMemIniFile: ini text held in memory ("[SECTION]" lines, then "key=value" lines), as the
// skin format uses it. Portable.
//
// Parsing: every line is trimmed; empty lines and lines starting with ';' are dropped; a
// line "[name]" opens a section (the name trimmed); in "key = value" the blanks around '='
// go; lines before the first section are dropped. A section that appears again continues
// the first one of that name. Lookups take the first line with the key.
// Case: section and key names are compared without regard to case unless CaseSensitive is
// set (the skin reader sets it: skins are matched exactly).
//
//   TMemIniFile ini(u"");  ini.SetCaseSensitive(true);
//   TStringList text; text.LoadFromFile(path); ini.SetStrings(text);
//   Integer w = ini.ReadInteger(u"GLOBALINFO", u"SCROLLSWIDTH", -1);
#pragma once

#include <unordered_map>
#include <vector>

#include "StringList.h"

class TMemIniFile : public TObject {
 public:
  // Loads the file when it exists; an empty name makes an ini without a file.
  explicit TMemIniFile(const String& fileName = String(), bool caseSensitive = false);

  const String& FileName() const { return fileName_; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool value);

  String ReadString(StringView section, StringView ident, const String& def) const;
  // Decimal, or hexadecimal after '$' or "0x"; def when missing or not a number.
  Integer ReadInteger(StringView section, StringView ident, Integer def) const;
  // ReadInteger != 0.
  bool ReadBool(StringView section, StringView ident, bool def) const;
  void WriteString(StringView section, StringView ident, const String& value);
  void WriteInteger(StringView section, StringView ident, Integer value);
  void WriteBool(StringView section, StringView ident, bool value);

  bool SectionExists(StringView section) const;
  bool ValueExists(StringView section, StringView ident) const;
  // Section names in text order.
  void ReadSections(TStringList& names) const;
  // The key names of a section, in order.
  void ReadSection(StringView section, TStringList& keys) const;
  // The "key=value" lines of a section.
  void ReadSectionValues(StringView section, TStringList& lines) const;
  void EraseSection(StringView section);
  void DeleteKey(StringView section, StringView ident);

  // The whole ini as lines, and the ini parsed from lines.
  void GetStrings(TStringList& lines) const;
  void SetStrings(const TStringList& lines);
  void Clear();
  // Writes the text to FileName (UTF-8).
  void UpdateFile() const;
  // Takes another file name; with reload, its contents (or nothing when it does not exist).
  void Rename(const String& fileName, bool reload);

 private:
  struct Section {
    String name;
    std::vector<String> lines;
    // key (folded unless case-sensitive) -> its first line, so a lookup costs the same
    // however many keys the section has
    std::unordered_map<String, size_t> keys;
  };
  String KeyOf(StringView name) const;
  const Section* FindSection(StringView name) const;
  Section& AddSection(StringView name);
  // Index of the first line of the section with that key name; -1.
  Integer FindLine(const Section& s, StringView ident) const;
  // Lists line i of the section under its key (when it has one and no earlier line has it).
  void IndexLine(Section& s, size_t i) const;
  void IndexKeys(Section& s) const;
  void Reindex();

  String fileName_;
  bool caseSensitive_;
  std::vector<Section> sections_;
  std::unordered_map<String, size_t> index_;  // section key (folded unless case-sensitive) -> position
};
