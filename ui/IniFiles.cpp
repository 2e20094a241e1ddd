#include "IniFiles.h"

#include "ScopeGuard.h"
#include "Streams.h"

TMemIniFile::TMemIniFile(const String& fileName, bool caseSensitive)
    : fileName_(fileName), caseSensitive_(caseSensitive) {
  if (!fileName_.empty() && FileExists(fileName_)) {
    TStringList lines;
    lines.LoadFromFile(fileName_);
    SetStrings(lines);
  }
}

void TMemIniFile::SetCaseSensitive(bool value) {
  if (value == caseSensitive_) return;
  caseSensitive_ = value;
  // Sections that were one under the old rule stay apart; what one name finds may change.
  Reindex();
}

String TMemIniFile::KeyOf(StringView name) const { return caseSensitive_ ? String(name) : AnsiUpperCase(name); }

void TMemIniFile::Reindex() {
  index_.clear();
  for (size_t i = 0; i < sections_.size(); ++i) {
    index_.emplace(KeyOf(sections_[i].name), i);  // first wins
    IndexKeys(sections_[i]);
  }
}

void TMemIniFile::IndexLine(Section& s, size_t i) const {
  const String& line = s.lines[i];
  const size_t eq = line.find(u'=');
  if (eq != String::npos) s.keys.emplace(KeyOf(StringView(line).substr(0, eq)), i);  // first wins
}

void TMemIniFile::IndexKeys(Section& s) const {
  s.keys.clear();
  for (size_t i = 0; i < s.lines.size(); ++i) IndexLine(s, i);
}

const TMemIniFile::Section* TMemIniFile::FindSection(StringView name) const {
  auto it = index_.find(KeyOf(name));
  return it == index_.end() ? nullptr : &sections_[it->second];
}

TMemIniFile::Section& TMemIniFile::AddSection(StringView name) {
  if (const Section* s = FindSection(name)) return const_cast<Section&>(*s);
  sections_.push_back(Section{String(name), {}, {}});
  index_.emplace(KeyOf(name), sections_.size() - 1);
  return sections_.back();
}

Integer TMemIniFile::FindLine(const Section& s, StringView ident) const {
  const auto it = s.keys.find(KeyOf(ident));
  return it == s.keys.end() ? -1 : static_cast<Integer>(it->second);
}

String TMemIniFile::ReadString(StringView section, StringView ident, const String& def) const {
  const Section* s = FindSection(section);
  if (!s) return def;
  Integer i = FindLine(*s, ident);
  if (i < 0) return def;
  const String& line = s->lines[static_cast<size_t>(i)];
  return line.substr(line.find(u'=') + 1);
}

Integer TMemIniFile::ReadInteger(StringView section, StringView ident, Integer def) const {
  const Section* s = FindSection(section);
  if (!s || FindLine(*s, ident) < 0) return def;
  return StrToIntDef(ReadString(section, ident, String()), def);
}

bool TMemIniFile::ReadBool(StringView section, StringView ident, bool def) const {
  return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TMemIniFile::WriteString(StringView section, StringView ident, const String& value) {
  Section& s = AddSection(section);
  String line = String(ident) + u'=' + value;
  Integer i = FindLine(s, ident);
  if (i >= 0) {
    s.lines[static_cast<size_t>(i)] = std::move(line);
  } else {
    s.lines.push_back(std::move(line));
    IndexLine(s, s.lines.size() - 1);
  }
}

void TMemIniFile::WriteInteger(StringView section, StringView ident, Integer value) {
  WriteString(section, ident, IntToStr(value));
}

void TMemIniFile::WriteBool(StringView section, StringView ident, bool value) {
  WriteString(section, ident, value ? u"1" : u"0");
}

bool TMemIniFile::SectionExists(StringView section) const { return FindSection(section) != nullptr; }

bool TMemIniFile::ValueExists(StringView section, StringView ident) const {
  const Section* s = FindSection(section);
  return s && FindLine(*s, ident) >= 0;
}

void TMemIniFile::ReadSections(TStringList& names) const {
  auto update = UpdateScope(names);
  names.Clear();
  for (const Section& s : sections_) names.Add(s.name);
}

void TMemIniFile::ReadSection(StringView section, TStringList& keys) const {
  auto update = UpdateScope(keys);
  keys.Clear();
  if (const Section* s = FindSection(section))
    for (const String& line : s->lines) {
      size_t eq = line.find(u'=');
      if (eq != String::npos) keys.Add(line.substr(0, eq));
    }
}

void TMemIniFile::ReadSectionValues(StringView section, TStringList& lines) const {
  auto update = UpdateScope(lines);
  lines.Clear();
  if (const Section* s = FindSection(section))
    for (const String& line : s->lines) lines.Add(line);
}

void TMemIniFile::EraseSection(StringView section) {
  const Section* s = FindSection(section);
  if (!s) return;
  sections_.erase(sections_.begin() + (s - sections_.data()));
  Reindex();
}

void TMemIniFile::DeleteKey(StringView section, StringView ident) {
  const Section* s = FindSection(section);
  if (!s) return;
  Integer i = FindLine(*s, ident);
  if (i < 0) return;
  Section& changed = const_cast<Section&>(*s);
  changed.lines.erase(changed.lines.begin() + i);
  IndexKeys(changed);  // the lines after it moved up
}

void TMemIniFile::GetStrings(TStringList& lines) const {
  auto update = UpdateScope(lines);
  lines.Clear();
  for (size_t i = 0; i < sections_.size(); ++i) {
    lines.Add(u"[" + sections_[i].name + u"]");
    for (const String& line : sections_[i].lines) lines.Add(line);
    if (i + 1 < sections_.size()) lines.Add(String());
  }
}

void TMemIniFile::SetStrings(const TStringList& lines) {
  Clear();
  Section* current = nullptr;
  for (Integer i = 0; i < lines.Count(); ++i) {
    String s = Trim(lines[i]);
    if (s.empty() || s[0] == u';') continue;
    if (s[0] == u'[' && s.back() == u']' && s.size() >= 2) {
      current = &AddSection(Trim(StringView(s).substr(1, s.size() - 2)));
      continue;
    }
    if (!current) continue;
    size_t eq = s.find(u'=');
    if (eq != String::npos) {
      current->lines.push_back(Trim(StringView(s).substr(0, eq)) + u'=' + Trim(StringView(s).substr(eq + 1)));
      IndexLine(*current, current->lines.size() - 1);
    } else {
      current->lines.push_back(std::move(s));
    }
  }
}

void TMemIniFile::Clear() {
  sections_.clear();
  index_.clear();
}

void TMemIniFile::UpdateFile() const {
  TStringList lines;
  GetStrings(lines);
  lines.SaveToFile(fileName_);
}

void TMemIniFile::Rename(const String& fileName, bool reload) {
  fileName_ = fileName;
  if (!reload) return;
  Clear();
  if (!fileName_.empty() && FileExists(fileName_)) {
    TStringList lines;
    lines.LoadFromFile(fileName_);
    SetStrings(lines);
  }
}
