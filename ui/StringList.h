// TStringList: a list of strings, each with an optional object, as the class library has
// it: sorted or in insertion order, duplicates rule, case rule, name=value lines, the Text
// and CommaText forms, files. Portable.
//
//   TStringList sl;  sl.SetSorted(true);  sl.SetDuplicates(dupIgnore);
//   sl.Add(u"b"); sl.Add(u"a"); sl.Add(u"A");          // -> a, b (case-insensitive by default)
//   sl.SetValue(u"Key", u"1");  sl.Value(u"key") == u"1"
//   sl.SetCommaText(u"one,\"two words\",three");        // 3 lines
#pragma once

#include <functional>
#include <vector>

#include "Classes.h"

class TStream;

TW_DECLARE_EXCEPTION(EStringListError, EListError);

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TPersistent {
  TW_CLASS(TStringList, TPersistent)
  TStringList() = default;
  explicit TStringList(bool ownsObjects) : ownsObjects_(ownsObjects) {}
  ~TStringList() override;

  Integer Count() const { return static_cast<Integer>(items_.size()); }
  // Raise EStringListError "List index out of bounds (<i>)" for a bad index.
  const String& Strings(Integer index) const;
  const String& operator[](Integer index) const { return Strings(index); }
  void SetStrings(Integer index, const String& s);  // not on a sorted list
  TObject* Objects(Integer index) const;
  void SetObjects(Integer index, TObject* obj);

  // Add appends, or inserts at the sorted place (and applies Duplicates) when Sorted.
  // Returns the index of the string (for dupIgnore: of the one already there).
  Integer Add(const String& s) { return AddObject(s, nullptr); }
  Integer AddObject(const String& s, TObject* obj);
  void AddStrings(const TStringList& other);
  // Not on a sorted list: raises EStringListError "Operation not allowed on sorted list".
  void Insert(Integer index, const String& s) { InsertObject(index, s, nullptr); }
  void InsertObject(Integer index, const String& s, TObject* obj);
  void Delete(Integer index);
  void Clear();
  void Exchange(Integer a, Integer b);
  void Move(Integer from, Integer to);

  // The first index of the string by the list's case rule; -1.
  Integer IndexOf(StringView s) const;
  Integer IndexOfObject(const TObject* obj) const;
  // Binary search of a sorted list: true when found; index = where it is or would go.
  bool Find(StringView s, Integer& index) const;

  bool Sorted() const { return sorted_; }
  void SetSorted(bool value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates d) { duplicates_ = d; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool value);
  bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool value) { ownsObjects_ = value; }
  void Sort();
  // Sorts with a comparison of two indexes (negative, 0, positive); clears Sorted.
  void CustomSort(const std::function<int(const TStringList&, Integer, Integer)>& compare);
  // Compares two strings by the list's case rule.
  int CompareStrings(StringView a, StringView b) const;

  // Name=value lines.
  Char NameValueSeparator() const { return nameValueSeparator_; }
  void SetNameValueSeparator(Char c) { nameValueSeparator_ = c; }
  String Names(Integer index) const;           // the part before the separator; empty if none
  String ValueFromIndex(Integer index) const;  // the part after it
  Integer IndexOfName(StringView name) const;
  String Value(StringView name) const;  // of the first line with that name; empty when none
  // Replaces the value of the first line with that name, adds a line when none has it;
  // an empty value deletes the line.
  void SetValue(StringView name, const String& value);

  // Every line followed by a line break (CR LF).
  String Text() const;
  // Splits at CR LF, LF or CR; a final line break makes no empty last line.
  void SetText(StringView text);
  // Lines joined by ','; a line with blanks, control characters, commas or quotes, or an
  // empty one, in double quotes (quotes inside doubled).
  String CommaText() const;
  // Parses that form; unquoted items end at a comma or at a blank.
  void SetCommaText(StringView text);
  Char Delimiter() const { return delimiter_; }
  void SetDelimiter(Char c) { delimiter_ = c; }
  Char QuoteChar() const { return quoteChar_; }
  void SetQuoteChar(Char c) { quoteChar_ = c; }
  bool StrictDelimiter() const { return strictDelimiter_; }
  void SetStrictDelimiter(bool v) { strictDelimiter_ = v; }
  String DelimitedText() const;
  void SetDelimitedText(StringView text);

  // Text files: a UTF-8 or UTF-16 byte-order mark is honoured; text without one is read as
  // UTF-8 when it is valid UTF-8, else as Windows-1252. Written as UTF-8 without a mark.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  void LoadFromFile(const String& fileName);
  void SaveToFile(const String& fileName) const;

  void Assign(const TPersistent* source) override;
  bool Equals(const TStringList& other) const;

  // Change notification, batched by BeginUpdate/EndUpdate.
  TNotifyEvent OnChange() const { return onChange_; }
  void SetOnChange(TNotifyEvent e) { onChange_ = e; }
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  // Open BeginUpdate blocks (changes are told at the end of the outermost).
  Integer UpdateCount() const { return updateCount_; }

 protected:
  virtual void Changed();

 private:
  struct Item {
    String text;
    TObject* object = nullptr;
  };
  void CheckIndex(Integer index) const;
  void InsertItem(Integer index, const String& s, TObject* obj);
  void FreeObject(TObject* obj);
  String DelimitedWith(Char delimiter, Char quote, bool strict) const;
  void ParseDelimited(StringView text, Char delimiter, Char quote, bool strict);

  std::vector<Item> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  bool ownsObjects_ = false;
  bool strictDelimiter_ = false;
  TDuplicates duplicates_ = dupIgnore;
  Char nameValueSeparator_ = u'=';
  Char delimiter_ = u',';
  Char quoteChar_ = u'"';
  Integer updateCount_ = 0;
  TNotifyEvent onChange_;
};

// Decodes the bytes of a text file by the rules of TStringList::LoadFromStream.
String DecodeText(const Byte* data, size_t size);
