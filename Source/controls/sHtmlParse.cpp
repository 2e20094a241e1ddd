#include "controls/sHtmlParse.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

// ---- Tables ------------------------------------------------------------------------------------

struct TkvTColorData {
  const char16_t* Name;
  TColor Value;
};
constexpr TkvTColorData Colors[] = {
    {u"AQUA", 0xFFFF00},   {u"BLACK", 0x000000}, {u"BLUE", 0xFF0000},   {u"FUCHSIA", 0xFF00FF},
    {u"GRAY", 0x808080},   {u"GREEN", 0x008000}, {u"LIME", 0x00FF00},   {u"MAROON", 0x000080},
    {u"NAVY", 0x800000},   {u"OLIVE", 0x008080}, {u"PURPLE", 0x800080}, {u"RED", 0x0000FF},
    {u"SILVER", 0xC0C0C0}, {u"TEAL", 0x808000},  {u"WHITE", 0xFFFFFF},  {u"YELLOW", 0x00FFFF},
};

struct TkvSpecialChar {
  const char16_t* Name;
  const char16_t* Numeric;
  Char Replacement;
};
constexpr TkvSpecialChar SpecialChars[] = {
    {u"ndash", u"#8211", 0x2013}, {u"mdash", u"#8212", 0x2014}, {u"nbsp", u"#160", 0x00A0},
    {u"iexcl", u"#161", 0x00A1},  {u"iquest", u"#191", 0x00BF}, {u"quot", u"#34", 0x0022},
    {u"ldquo", u"#8220", 0x201C}, {u"rdquo", u"#8221", 0x201D}, {u"#39", u"#39", 0x0027},
    {u"lsquo", u"#8216", 0x2018}, {u"rsquo", u"#8217", 0x2019}, {u"laquo", u"#171", 0x00AB},
    {u"raquo", u"#187", 0x00BB},  {u"amp", u"#38", 0x0026},     {u"cent", u"#162", 0x00A2},
    {u"copy", u"#169", 0x00A9},   {u"divide", u"#247", 0x00F7}, {u"gt", u"#62", 0x003E},
    {u"lt", u"#60", 0x003C},      {u"micro", u"#181", 0x00B5},  {u"middot", u"#183", 0x00B7},
    {u"para", u"#182", 0x00B6},   {u"plusmn", u"#177", 0x00B1}, {u"euro", u"#8364", 0x20AC},
    {u"pound", u"#163", 0x00A3},  {u"reg", u"#174", 0x00AE},    {u"sect", u"#167", 0x00A7},
    {u"trade", u"#153", 0x2122},  {u"yen", u"#165", 0x00A5},    {u"szlig", u"#223", 0x00DF},
    {u"yuml", u"#255", 0x00FF},   {u"aacute", u"#225", 0x00E1}, {u"Aacute", u"#193", 0x00C1},
    {u"agrave", u"#224", 0x00E0}, {u"Agrave", u"#192", 0x00C0}, {u"acirc", u"#226", 0x00E2},
    {u"Acirc", u"#194", 0x00C2},  {u"aring", u"#229", 0x00E5},  {u"Aring", u"#197", 0x00C5},
    {u"atilde", u"#227", 0x00E3}, {u"Atilde", u"#195", 0x00C3}, {u"auml", u"#228", 0x00E4},
    {u"Auml", u"#196", 0x00C4},   {u"aelig", u"#230", 0x00E6},  {u"AElig", u"#198", 0x00C6},
    {u"ccedil", u"#231", 0x00E7}, {u"Ccedil", u"#199", 0x00C7}, {u"eacute", u"#233", 0x00E9},
    {u"Eacute", u"#201", 0x00C9}, {u"egrave", u"#232", 0x00E8}, {u"Egrave", u"#200", 0x00C8},
    {u"ecirc", u"#234", 0x00EA},  {u"Ecirc", u"#202", 0x00CA},  {u"euml", u"#235", 0x00EB},
    {u"Euml", u"#203", 0x00CB},   {u"iacute", u"#237", 0x00ED}, {u"Iacute", u"#205", 0x00CD},
    {u"igrave", u"#236", 0x00EC}, {u"Igrave", u"#204", 0x00CC}, {u"icirc", u"#238", 0x00EE},
    {u"Icirc", u"#206", 0x00CE},  {u"iuml", u"#239", 0x00EF},   {u"Iuml", u"#207", 0x00CF},
    {u"ntilde", u"#241", 0x00F1}, {u"Ntilde", u"#209", 0x00D1}, {u"oacute", u"#243", 0x00F3},
    {u"Oacute", u"#211", 0x00D3}, {u"ograve", u"#242", 0x00F2}, {u"Ograve", u"#210", 0x00D2},
    {u"ocirc", u"#244", 0x00F4},  {u"Ocirc", u"#212", 0x00D4},  {u"oslash", u"#248", 0x00F8},
    {u"Oslash", u"#216", 0x00D8}, {u"otilde", u"#245", 0x00F5}, {u"Otilde", u"#213", 0x00D5},
    {u"ouml", u"#246", 0x00F6},   {u"Ouml", u"#214", 0x00D6},   {u"uacute", u"#250", 0x00FA},
    {u"Uacute", u"#218", 0x00DA}, {u"ugrave", u"#249", 0x00F9}, {u"Ugrave", u"#217", 0x00D9},
    {u"ucirc", u"#251", 0x00FB},  {u"Ucirc", u"#219", 0x00DB},  {u"uuml", u"#252", 0x00FC},
    {u"Uuml", u"#220", 0x00DC},   {u"#180", u"#180", 0x00B4},   {u"#96", u"#96", 0x0060},
};

// Attribute separators of a FONT tag.
bool IsDelim(Char c) {
  return c == u'\n' || c == u'\r' || c == u' ' || c == u'"' || c == u'<' || c == u'=' || c == u'>';
}

Char Upper(Char c) {
  if (c >= u'a' && c <= u'z') return Char(c - 32);
  // Latin-1 letters (not the multiplication or division sign, nor y with diaeresis, whose
  // capital lies outside the block): one character for one, the length stays.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return Char(c - 32);
  return c;
}

bool SameTextCI(StringView a, StringView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

std::vector<String> Words(const String& text) {
  std::vector<String> words;
  String word;
  for (Char c : text) {
    if (IsDelim(c)) {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

// At most 6 hex digits, RRGGBB; any other character counts as 0 and a trailing 'H' is ignored.
uint32_t HexToInt(StringView s) {
  if (!s.empty() && (s.back() == u'H' || s.back() == u'h')) s.remove_suffix(1);
  uint32_t v = 0;
  for (size_t i = 0; i < s.size() && i < 6; ++i) {
    const Char c = s[i];
    uint32_t d = 0;
    if (c >= u'0' && c <= u'9')
      d = uint32_t(c - u'0');
    else if (c >= u'A' && c <= u'F')
      d = uint32_t(c - u'A' + 10);
    else if (c >= u'a' && c <= u'f')
      d = uint32_t(c - u'a' + 10);
    v = v * 16 + d;
  }
  return v;
}

// RRGGBB to the platform's 0x00BBGGRR.
TColor SwapRgb(uint32_t rgb) { return TColor(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF)); }

// A decimal number of at most 9 digits; false for anything else.
bool ParseSize(StringView s, Integer& out) {
  if (s.empty() || s.size() > 9) return false;
  Integer v = 0;
  for (Char c : s) {
    if (c < u'0' || c > u'9') return false;
    v = v * 10 + Integer(c - u'0');
  }
  out = v;
  return true;
}

TColor BlendHalf(TColor a, TColor b) {
  TColor out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    out |= ((ca * 127 + cb * (255 - 127)) / 255) << shift;
  }
  return out;
}

}  // namespace

// ---- Helpers ---------------------------------------------------------------------------------------

String HtmlUpper(const String& text) {
  String up(text);
  for (Char& c : up) c = Upper(c);
  return up;
}

Char HtmlEntity(StringView name) {
  for (const TkvSpecialChar& row : SpecialChars)
    if (SameTextCI(name, row.Name) || name == StringView(row.Numeric)) return row.Replacement;
  return 0;
}

String ExtractAddress(const String& tag) {
  const String up = HtmlUpper(tag);
  const size_t href = up.find(u"HREF");
  if (href == String::npos) return String();
  const size_t eq = tag.find(u'=', href + 4);
  if (eq == String::npos) return String();
  String word;
  bool started = false;
  for (size_t i = eq + 1; i < tag.size(); ++i) {
    const Char c = tag[i];
    if (c == u'"' || c == u'\'') {
      if (started && !word.empty()) break;
      started = true;
      continue;
    }
    if (!started && c == u' ') continue;
    started = true;
    word += c;
  }
  String out;
  for (Char c : word)
    if (c != u'\'' && c != u'"' && c != u'>') out += c;
  return out;
}

void SetFont(TkvHtmlFont& font, const String& tag) {
  const std::vector<String> words = Words(tag);
  for (size_t i = 0; i < words.size(); ++i) {
    const String& w = words[i];
    const bool hasValue = i + 1 < words.size();
    if (w == u"SIZE" && hasValue) {
      const String& v = words[++i];
      Integer n = 0;
      if (v[0] == u'-' || v[0] == u'+') {
        // A sign without a number after it is ignored.
        if (ParseSize(StringView(v).substr(1), n)) font.Size = v[0] == u'-' ? font.Size - n : font.Size + n;
      } else {
        font.Size = ParseSize(v, n) ? n : 8;
      }
      font.Size = std::clamp(font.Size, kHtmlMinFontSize, kHtmlMaxFontSize);
    } else if (w == u"COLOR" && hasValue) {
      const String& v = words[++i];
      if (v[0] == u'#') {
        font.Color = SwapRgb(HexToInt(StringView(v).substr(1)));
      } else {
        const auto named =
            std::find_if(std::begin(Colors), std::end(Colors), [&](const TkvTColorData& c) { return v == c.Name; });
        font.Color = named != std::end(Colors) ? named->Value : SwapRgb(HexToInt(v));
      }
    } else if (w == u"FACE") {
      // FACE="name": the text between the first two double quotes after the word.
      const size_t at = tag.find(u"FACE");
      const size_t open = at == String::npos ? String::npos : tag.find(u'"', at);
      const size_t close = open == String::npos ? String::npos : tag.find(u'"', open + 1);
      if (close != String::npos && close > open + 1) font.Name = tag.substr(open + 1, close - open - 1);
    }
  }
}

String HtmlPlainText(const String& text) {
  String out;
  const size_t n = text.size();
  size_t i = 0;
  size_t nextClose = text.find(u'>');
  while (i < n) {
    const Char c = text[i];
    if (c == u'<') {
      if (nextClose != String::npos && nextClose < i) nextClose = text.find(u'>', i);
      if (i + 1 < n && text[i + 1] == u'<') {
        out += u'<';
        i += 2;
      } else if (nextClose == String::npos) {
        ++i;
      } else {
        i = nextClose + 1;
      }
      continue;
    }
    if (c == u'&') {
      const size_t semi = text.find_first_of(u"; ", i + 1);
      if (semi != String::npos && text[semi] == u';' && semi - i <= 256) {
        if (Char r = HtmlEntity(StringView(text).substr(i + 1, semi - i - 1))) {
          out += r;
          i = semi + 1;
          continue;
        }
      }
    }
    if (c != u'\r' && c != u'\n') out += c;
    ++i;
  }
  return out;
}

// ---- The renderer ----------------------------------------------------------------------------------

void THtmlSourceText::Assign(const String& text, size_t length) {
  Length = std::min(length, text.size());
  Blocks.resize((Length + kHtmlTextBlock - 1) / kHtmlTextBlock);
  for (size_t b = 0; b < Blocks.size(); ++b) Blocks[b].assign(text, b * kHtmlTextBlock, kHtmlTextBlock);
  if (!Blocks.empty()) Blocks.back().resize(Length - (Blocks.size() - 1) * kHtmlTextBlock);
}

size_t THtmlSourceText::find(Char c, size_t from) const {
  for (size_t b = from / kHtmlTextBlock; b < Blocks.size(); ++b) {
    const size_t start = b == from / kHtmlTextBlock ? from % kHtmlTextBlock : 0;
    const size_t at = Blocks[b].find(c, start);
    if (at != String::npos) return b * kHtmlTextBlock + at;
  }
  return String::npos;
}

void THtmlSourceText::AppendTo(String& out, size_t from, size_t count) const {
  const size_t end = std::min(Length, from + count);
  while (from < end) {
    const size_t b = from / kHtmlTextBlock, at = from % kHtmlTextBlock;
    const size_t n = std::min(end - from, kHtmlTextBlock - at);
    out.append(Blocks[b], at, n);
    from += n;
  }
}

String THtmlSourceText::substr(size_t from, size_t count) const {
  String out;
  out.reserve(std::min(count, Length - std::min(from, Length)));
  AppendTo(out, from, count);
  return out;
}

void TsHtml::Init(TkvHtmlDevice* device, const TkvHtmlFont& font, const String& text, Integer pressedLink,
                  Integer hotLink, const TRect& area) {
  Device = device;
  StartFont = font;
  StartFont.Size = std::clamp(StartFont.Size, kHtmlMinFontSize, kHtmlMaxFontSize);
  Len = Integer(std::min<size_t>(text.size(), size_t(INT32_MAX / 2)));
  Origin.Assign(text, size_t(Len));
  Area = area;
  PressedLink = pressedLink;
  HotLink = hotLink;
  MaxBmpWidth = MaxBmpHeight = CurWidthValue = 0;
}

Integer TsHtml::CloseAfter(Integer pos) {
  // The scan position never moves back within a pass, so the cursor passes each character once.
  if (NextClose < pos) {
    const size_t at = Origin.find(u'>', size_t(pos));
    NextClose = at == String::npos || at >= size_t(Len) ? Len : Integer(at);
  }
  return NextClose;
}

Integer TsHtml::NextLinkLetter(Integer pos) {
  if (NextLetterA < pos) {
    NextLetterA = pos;
    while (NextLetterA < Len && Upper(Origin[size_t(NextLetterA)]) != u'A') ++NextLetterA;
  }
  return NextLetterA;
}

Integer TsHtml::NextFontWord(Integer pos) {
  if (NextFont < pos) {
    NextFont = pos;
    auto fontAt = [&](Integer i) {
      return Upper(Origin[size_t(i)]) == u'F' && Upper(Origin[size_t(i) + 1]) == u'O' &&
             Upper(Origin[size_t(i) + 2]) == u'N' && Upper(Origin[size_t(i) + 3]) == u'T';
    };
    while (NextFont + 3 < Len && !fontAt(NextFont)) ++NextFont;
    if (NextFont + 3 >= Len) NextFont = Len;
  }
  return NextFont;
}

bool TsHtml::MayBeTag(Integer close) {
  // True for every tag ExecTag knows (a few unknown ones pass too, and ExecTag refuses them);
  // an unknown tag is refused without reading it, as many '<' may share one far '>'.
  const Char first = Upper(Origin[size_t(CurPos) + 1]);
  if (first == u'/') {
    if (close - CurPos < 3) return false;
    const Char name = Upper(Origin[size_t(CurPos) + 2]);
    return name == u'B' || name == u'I' || name == u'U' || name == u'A' || name == u'P' || name == u'F';
  }
  if (first == u'B' || first == u'I' || first == u'U' || first == u'P') return true;
  // A FONT or A tag is known by the word or letter anywhere in it; neither contains a '>', so
  // one that starts before the '>' lies inside the tag.
  return NextFontWord(CurPos) < close || NextLinkLetter(CurPos) < close;
}

const String& TsHtml::PieceText(Integer from, Integer to) {
  Piece.clear();
  for (Integer i = from; i < to; ++i) {
    const Char c = Origin[size_t(i)];
    if (c != u'\r' && c != u'\n') Piece += c;
  }
  return Piece;
}

TRect TsHtml::HTMLText(std::vector<TkvLink>& links, bool calcOnly) {
  aLineSizes.clear();
  Calculating = true;
  LineNumber = 0;
  CurX = CurY = 0;
  CurrentRowHeight = Device ? Device->Measure(u"Yy", StartFont).cy : 0;
  Pass();
  if (!calcOnly) {
    Calculating = false;
    Pass();
  }
  Calculating = false;
  links = Links;
  return TRect(0, 0, MaxBmpWidth, MaxBmpHeight);
}

Integer TsHtml::RowRecord() const {
  // The drawing pass may break a row more often than the measuring pass did (a font change
  // between the passes' pieces): the last record stands for any row beyond.
  return std::clamp<Integer>(LineNumber, 0, Integer(aLineSizes.size()) - 1);
}

void TsHtml::Pass() {
  Font = StartFont;
  aFonts.clear();
  SkippedFonts = 0;
  CurY = 0;
  LineNumber = 0;
  MaxBmpWidth = MaxBmpHeight = CurWidthValue = 0;
  if (!Calculating) CurrentRowHeight = aLineSizes.empty() ? CurrentRowHeight : aLineSizes[0].Size.cy;
  InitNewX();
  CurY = Area.Top;
  Links.clear();
  LinkCount = -1;
  LinkOpened = false;
  LastPos = LinePos = CurPos = 0;
  NextClose = NextLetterA = NextFont = -1;
  SaveData();
  if (Device) Scan();
  CheckNewLine();
  DrawPending();
  if (Calculating)
    aLineSizes.push_back(
        {Origin.substr(size_t(LinePos), size_t(std::max(0, CurPos - LinePos))), {CurWidthValue, CurrentRowHeight}});
  MaxBmpWidth = std::max(MaxBmpWidth, CurWidthValue);
  MaxBmpHeight = CurY + CurrentRowHeight;
}

void TsHtml::Scan() {
  // The characters that steer the scan are their own upper case, so the source is read as it stands.
  while (CurPos < Len) {
    const Char c = Origin[size_t(CurPos)];
    switch (c) {
      case u'\r':
        CheckNewLine();
        if (StdBreak) {
          DrawPending();
          NewRow();
          UpdateRowHeight();
          ++CurPos;
        } else {
          ++CurPos;
          if (CurPos < Len && Origin[size_t(CurPos)] == u'\n') ++CurPos;
          SaveData();
        }
        break;
      case u' ':
        CheckNewLine();
        SaveData();
        ++CurPos;
        break;
      case u'\\':
        ++CurPos;
        CheckNewLine();
        SaveData();
        break;
      case u'&':
        DrawPending();
        if (!TakeEntity()) ++CurPos;
        break;
      case u'<': {
        if (CurPos + 1 < Len && Origin[size_t(CurPos) + 1] == u'<') {
          DrawPending();
          LastPos = CurPos + 1;  // the second '<' stays as text
          CurPos += 2;
          break;
        }
        CheckNewLine();
        DrawPending();
        const Integer close = CloseAfter(CurPos);
        if (close >= Len) {
          // No '>' after it: the '<' is dropped.
          ++CurPos;
          LastPos = CurPos;
          break;
        }
        bool known = MayBeTag(close);
        if (known) {
          TagText.clear();
          Origin.AppendTo(TagText, size_t(CurPos), size_t(close - CurPos + 1));
          for (Char& t : TagText) t = Upper(t);
          known = ExecTag(TagText, close + 1);
        }
        if (!known) ++CurPos;  // unknown: drawn as text from its '<'
        break;
      }
      default: ++CurPos; break;
    }
  }
}

void TsHtml::DrawPending() {
  ShowPiece(CurPos, LastPos);
  LastPos = CurPos;
}

void TsHtml::SaveData() {
  PrevPos = CurPos;
  PrevLastPos = LastPos;
}

void TsHtml::InitNewX() {
  if (Calculating || aLineSizes.empty()) {
    CurX = Calculating ? 0 : Area.Left;
    return;
  }
  TAlignment a = Alignment;
  if (BidiMode == bdRightToLeft && a != taCenter) a = a == taLeftJustify ? taRightJustify : taLeftJustify;
  const Integer rowWidth = aLineSizes[size_t(RowRecord())].Size.cx;
  switch (a) {
    case taRightJustify: CurX = Area.Left + AreaWidth() - rowWidth; break;
    case taCenter: CurX = Area.Left + (AreaWidth() - rowWidth) / 2; break;
    default: CurX = Area.Left; break;
  }
}

void TsHtml::UpdateRowHeight() {
  if (CurrentRowHeight != 0) return;
  if (Calculating || aLineSizes.empty())
    CurrentRowHeight = Device->Measure(u"Yy", Font).cy;
  else
    CurrentRowHeight = aLineSizes[size_t(RowRecord())].Size.cy;
}

void TsHtml::NewRow() {
  CurY += CurrentRowHeight + 2;
  if (Calculating) {
    aLineSizes.push_back(
        {Origin.substr(size_t(LinePos), size_t(std::max(0, CurPos - LinePos))), {CurWidthValue, CurrentRowHeight}});
    LinePos = LastPos;
  }
  MaxBmpWidth = std::max(MaxBmpWidth, CurWidthValue);
  CurWidthValue = 0;
  CurrentRowHeight = 0;
  ++LineNumber;
  InitNewX();
  SaveData();
}

void TsHtml::ShowPiece(Integer to, Integer from) {
  if (to <= from) return;
  const String& piece = PieceText(from, to);
  if (piece.empty()) return;
  TSize size = Device->Measure(piece, Font);
  if (Font.Italic) size.cx += Device->Measure(u"I", Font).cx;
  CurrentRowHeight = std::max(size.cy, CurrentRowHeight);
  if (!Calculating) Device->Draw(piece, Font, TRect(CurX, CurY, CurX + size.cx, CurY + CurrentRowHeight));
  CurX += size.cx;
  CurWidthValue = std::max(CurWidthValue + size.cx, CurX);
}

void TsHtml::CheckNewLine() {
  if (CurPos <= LastPos) return;
  auto width = [&] {
    const String& piece = PieceText(LastPos, CurPos);
    if (piece.empty()) return 0;
    Integer w = Device->Measure(piece, Font).cx;
    if (Font.Italic) w += Device->Measure(u"I", Font).cx;
    return w;
  };
  Integer w = width();
  const bool fits = Area.Right <= 0 || (Calculating ? CurX + w <= AreaWidth() : std::max(CurX, 0) + w <= Area.Right);
  if (!fits) {
    const Char first = Origin[size_t(LastPos)];
    if (first == u' ' || first == u'\\') {
      ++LastPos;
      ++PrevPos;
      w = width();
    }
    if (w > AreaWidth()) {
      DrawPending();
      NewRow();
      UpdateRowHeight();
      return;
    }
    if (LinkOpened && !Links.empty()) {
      const Integer x = CurX;
      if (CurX > 0) {
        NewRow();
        UpdateRowHeight();
      }
      TkvLink& last = Links.back();
      last.Bounds.Right = x;
      last.Bounds.Bottom = last.Bounds.Top + CurrentRowHeight;
      const String raw = last.URL;
      last.URL = ExtractAddress(raw);
      Links.push_back({TRect(CurX, CurY, CurX, CurY), LinkCount, raw});
    } else if (CurX > 0) {
      NewRow();
      UpdateRowHeight();
    }
  }
  DrawPending();
}

void TsHtml::CheckNewRow(const String& text) {
  if (Area.Right <= 0) return;
  const Integer w = Device->Measure(text, Font).cx;
  if (Calculating ? CurX + w > AreaWidth() : CurX + w > Area.Right) {
    NewRow();
    UpdateRowHeight();
  }
}

void TsHtml::PushFont() {
  if (aFonts.size() >= kHtmlMaxFontDepth) {
    ++SkippedFonts;
    return;
  }
  aFonts.push_back(Font);
}

void TsHtml::BackFont() {
  if (SkippedFonts > 0) {
    --SkippedFonts;
    return;
  }
  if (aFonts.empty()) return;
  Font = aFonts.back();
  aFonts.pop_back();
}

void TsHtml::OpenLink(Integer tagStart, Integer tagEnd) {
  DrawPending();
  LinkOpened = true;
  ++LinkCount;
  const Integer state = (LinkCount == PressedLink ? 1 : 0) + (LinkCount == HotLink ? 1 : 0);
  PushFont();
  if (LinkColors.FromSkin)
    Font.Color = state == 0   ? LinkColors.Web
                 : state == 1 ? LinkColors.WebHot
                              : BlendHalf(LinkColors.WebHot, LinkColors.LabelText);
  else
    Font.Color = state == 2 ? TColor(0x0000FF) : TColor(0xFF0000);
  if (state > 0) Font.Underline = true;
  Links.push_back(
      {TRect(CurX, CurY, CurX, CurY), LinkCount, Origin.substr(size_t(tagStart), size_t(tagEnd - tagStart))});
}

void TsHtml::CloseLink() {
  if (!Links.empty()) {
    TkvLink& last = Links.back();
    last.URL = ExtractAddress(last.URL);
    last.Bounds.Right = CurX;
    last.Bounds.Bottom = last.Bounds.Top + CurrentRowHeight;
    BackFont();
  }
  LinkOpened = false;
}

bool TsHtml::ExecTag(const String& tag, Integer tagEnd) {
  // The name begins at `at` and is followed by a blank or '>'.
  auto named = [&](StringView name, size_t at) {
    if (tag.compare(at, name.size(), name) != 0) return false;
    const size_t after = at + name.size();
    return after < tag.size() && (tag[after] == u' ' || tag[after] == u'>');
  };
  auto moveOn = [&] {
    CurPos = tagEnd;
    LastPos = PrevPos = PrevLastPos = CurPos;
  };
  auto rowBreak = [&] {
    NewRow();
    UpdateRowHeight();
    CurPos = tagEnd;
    LastPos = PrevPos = PrevLastPos = LinePos = CurPos;
  };
  if (tag.size() > 2 && tag[1] == u'/') {
    // A closing tag's name is the first occurrence of that name, at the third character.
    auto closing = [&](StringView name) { return tag.find(name) == 2; };
    if (closing(u"B"))
      Font.Bold = false;
    else if (closing(u"I"))
      Font.Italic = false;
    else if (closing(u"U"))
      Font.Underline = false;
    else if (closing(u"FONT"))
      BackFont();
    else if (closing(u"A"))
      CloseLink();
    else if (closing(u"P")) {
      rowBreak();
      return true;
    } else {
      return false;
    }
    moveOn();
    return true;
  }
  if (named(u"BR", 1) || named(u"BR/", 1) || named(u"P", 1)) {
    rowBreak();
    return true;
  }
  if (named(u"B", 1))
    Font.Bold = true;
  else if (named(u"I", 1))
    Font.Italic = true;
  else if (named(u"U", 1))
    Font.Underline = true;
  else if (tag.find(u"FONT") != String::npos) {
    PushFont();
    SetFont(Font, tag);
  } else if (tag.find(u'A') != String::npos) {
    OpenLink(CurPos, tagEnd);
  } else {
    return false;
  }
  moveOn();
  return true;
}

bool TsHtml::TakeEntity() {
  // The name runs to the first ';' within 255 characters, with no blank before it.
  const Integer limit = std::min(Len, CurPos + 256);
  Integer semi = -1;
  for (Integer i = CurPos + 1; i < limit; ++i) {
    const Char c = Origin[size_t(i)];
    if (c == u' ') break;
    if (c == u';') {
      semi = i;
      break;
    }
  }
  if (semi < 0) {
    if (CurPos + 1 < Len && Origin[size_t(CurPos) + 1] == u'&') {
      DrawCharacter(u"&");
      CurPos += 2;
      LastPos = CurPos;
      return true;
    }
    return false;
  }
  const Char r = HtmlEntity(Origin.substr(size_t(CurPos) + 1, size_t(semi - CurPos - 1)));
  if (!r) return false;
  DrawCharacter(String(1, r));
  CurPos = semi + 1;
  LastPos = CurPos;
  return true;
}

void TsHtml::DrawCharacter(const String& text) {
  CheckNewRow(text);
  const TSize size = Device->Measure(text, Font);
  if (Calculating)
    CurrentRowHeight = std::max(CurrentRowHeight, Device->Measure(u"Yy", Font).cy);
  else if (!aLineSizes.empty())
    CurrentRowHeight = aLineSizes[size_t(RowRecord())].Size.cy;
  if (!Calculating) Device->Draw(text, Font, TRect(CurX, CurY, CurX + size.cx, CurY + CurrentRowHeight));
  CurX += size.cx;
  CurWidthValue = CurX;
}
