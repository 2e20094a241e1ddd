// TsHtml: lays out and draws a short text with a small set of HTML-like tags (B, I, U, FONT with
// SIZE, COLOR and FACE, A with HREF, BR, P), named and numeric character entities, and wrapping
// at blanks and backslashes to an area. Two passes over the text: one measures every row, the
// second places each row by the alignment and draws it. The text is measured and drawn through a
// device the caller gives (a canvas, or a fake in tests), so the module needs no window system.
//
// Untrusted input: any text is laid out in time linear in its length (a '<' finds its '>' from a
// cursor that only moves forward during a pass; pieces and tags are read into reused buffers, and
// the text's copy is kept in blocks of kHtmlTextBlock characters, as a block of 64 KB or more is
// dear on some heaps, Wine's among them);
// sizes are clamped to [kHtmlMinFontSize, kHtmlMaxFontSize]; colours read at most 6 hex digits;
// a malformed SIZE value is ignored; the font stack holds at most kHtmlMaxFontDepth fonts and
// starts empty at every pass.
//
// Sections: 1. types and the device; 2. the renderer; 3. helpers (tags, addresses, entities).
#pragma once

#include <vector>

#include "ui/Classes.h"
#include "ui/Types.h"

// ---- 1. Types and the device ----------------------------------------------------------------------

inline constexpr Integer kHtmlMinFontSize = 1;
inline constexpr Integer kHtmlMaxFontSize = 400;
inline constexpr size_t kHtmlMaxFontDepth = 64;

struct TkvHtmlFont {
  String Name;
  Integer Size = 10;  // points
  TColor Color = clBlack;
  bool Bold = false, Italic = false, Underline = false;
  friend bool operator==(const TkvHtmlFont&, const TkvHtmlFont&) = default;
};

// A link's rectangle in the target's pixels, its number in text order and its address. A link
// that wraps over several rows has one record per row, all with the same number.
struct TkvLink {
  TRect Bounds;
  Integer Ndx = -1;
  String URL;
};

// One row of the measuring pass: its source text and size.
struct TkvLineData {
  String Text;
  TSize Size;
};

// Measures and draws pieces of text in a font.
class TkvHtmlDevice {
 public:
  virtual ~TkvHtmlDevice() = default;
  virtual TSize Measure(const String& text, const TkvHtmlFont& font) = 0;
  // Draws text into r (left-top aligned, no clipping).
  virtual void Draw(const String& text, const TkvHtmlFont& font, const TRect& r) = 0;
};

// The link colours of the skin: normal, hot and the label text (pressed blends hot and text).
struct TkvHtmlLinkColors {
  TColor Web = 0xFF0000, WebHot = 0xFF0000, LabelText = clBlack;
  bool FromSkin = false;
};

// ---- 2. The renderer ------------------------------------------------------------------------------

inline constexpr size_t kHtmlTextBlock = size_t(1) << 12;  // characters: 8 KB per block

// The renderer's copy of its text, in blocks of kHtmlTextBlock characters.
class THtmlSourceText {
 public:
  void Assign(const String& text, size_t length);
  size_t size() const { return Length; }
  Char operator[](size_t i) const { return Blocks[i / kHtmlTextBlock][i % kHtmlTextBlock]; }
  // The first c at or after from, or String::npos.
  size_t find(Char c, size_t from) const;
  // Appends the characters [from, from + count) to out.
  void AppendTo(String& out, size_t from, size_t count) const;
  String substr(size_t from, size_t count) const;

 private:
  std::vector<String> Blocks;
  size_t Length = 0;
};

class TsHtml {
 public:
  TAlignment Alignment = taLeftJustify;
  TBiDiMode BidiMode = bdLeftToRight;
  TkvHtmlLinkColors LinkColors;
  // A carriage return starts a row (otherwise source line breaks are ignored).
  bool StdBreak = false;

  // The device, the start font, the text, the pressed and hot link numbers (-1: none) and the
  // area; an area whose Right is 0 or less does not wrap.
  void Init(TkvHtmlDevice* device, const TkvHtmlFont& font, const String& text, Integer pressedLink, Integer hotLink,
            const TRect& area);
  // Lays the text out (and, unless calcOnly, draws it); the size it needs as (0, 0, w, h) and
  // the links of the last pass.
  TRect HTMLText(std::vector<TkvLink>& links, bool calcOnly);
  const std::vector<TkvLineData>& Lines() const { return aLineSizes; }

 private:
  // One pass over the text.
  void Pass();
  void Scan();
  void CheckNewLine();
  void ShowPiece(Integer to, Integer from);
  void DrawPending();
  void NewRow();
  void UpdateRowHeight();
  void InitNewX();
  void SaveData();
  void CheckNewRow(const String& text);
  bool ExecTag(const String& tag, Integer tagEnd);
  void OpenLink(Integer tagStart, Integer tagEnd);
  void CloseLink();
  void PushFont();
  void BackFont();
  bool TakeEntity();
  void DrawCharacter(const String& text);
  Integer CloseAfter(Integer pos);
  Integer NextLinkLetter(Integer pos);
  Integer NextFontWord(Integer pos);
  bool MayBeTag(Integer close);
  const String& PieceText(Integer from, Integer to);
  Integer AreaWidth() const { return Area.Right - Area.Left; }
  Integer RowRecord() const;

  TkvHtmlDevice* Device = nullptr;
  TkvHtmlFont StartFont, Font;
  THtmlSourceText Origin;
  Integer NextClose = 0;                  // the first '>' at or after the scan position, or Len; moves forward only
  Integer NextLetterA = 0, NextFont = 0;  // likewise the first 'A' and the first word FONT (any case)
  String Piece;                           // the text being measured or drawn; reused so a piece costs no allocation
  String TagText;                         // the upper-case tag being read; reused likewise
  Integer Len = 0;
  TRect Area;
  Integer HotLink = -1, PressedLink = -1;
  Integer CurX = 0, CurY = 0, CurPos = 0, LastPos = 0, LinePos = 0, PrevPos = 0, PrevLastPos = 0;
  Integer LinkCount = -1, LineNumber = 0, MaxBmpWidth = 0, MaxBmpHeight = 0, CurWidthValue = 0;
  Integer CurrentRowHeight = 0;
  bool LinkOpened = false, Calculating = false;
  std::vector<TkvLink> Links;
  std::vector<TkvHtmlFont> aFonts;
  size_t SkippedFonts = 0;  // pushes refused at the depth limit, matched by their pops
  std::vector<TkvLineData> aLineSizes;
};

// ---- 3. Helpers -----------------------------------------------------------------------------------

// The text in upper case, character for character (the same length).
String HtmlUpper(const String& text);
// The text with its tags removed and its entities replaced.
String HtmlPlainText(const String& text);
// The address of a link tag: after HREF and '=', the first quoted (or apostrophed) word.
String ExtractAddress(const String& tag);
// Applies the attributes of an upper-case FONT tag.
void SetFont(TkvHtmlFont& font, const String& tag);
// The character an entity name stands for, 0 when none (names compare without regard to case;
// numeric forms "#n" match exactly).
Char HtmlEntity(StringView name);
