// Small routines the whole skinning engine leans on.
//
// Sections:
//   1. Checked integer arithmetic (overflow raises EIntOverflow, as everywhere in the engine)
//   2. Choices and range tests
//   3. Rectangles, sizes and points
//   4. Characters, words and strings
//   5. Numbers: hex, scaling, PPI index
//   6. Folder names and file search
//   7. Whole-degree sine and cosine
//   8. Skin ini text, published properties by name, lists
//   9. Windows: version, system parameters, message boxes, waiting, files, start-up
//
// Sections 1 to 8 are portable; section 9 is declared only for Windows.
#pragma once

#include <string>
#include <vector>

#include "base/EngineState.h"
#include "base/sConst.h"
#include "ui/SysUtils.h"

class TBitmap;
class TIcon;
class TObject;
class TStringList;

// ---- 1. Checked integer arithmetic ----------------------------------------------------

[[noreturn]] void kvRaiseOverflow();

inline Integer kvAdd(Integer a, Integer b) {
  Integer r;
  if (__builtin_add_overflow(a, b, &r)) kvRaiseOverflow();
  return r;
}
inline Integer kvSub(Integer a, Integer b) {
  Integer r;
  if (__builtin_sub_overflow(a, b, &r)) kvRaiseOverflow();
  return r;
}
inline Integer kvMul(Integer a, Integer b) {
  Integer r;
  if (__builtin_mul_overflow(a, b, &r)) kvRaiseOverflow();
  return r;
}

// ---- 2. Choices and range tests -------------------------------------------------------

inline String iff(bool condition, const String& whenTrue, const String& whenFalse) {
  return condition ? whenTrue : whenFalse;
}
inline Integer iff(bool condition, Integer whenTrue, Integer whenFalse) { return condition ? whenTrue : whenFalse; }
inline Char iff(bool condition, Char whenTrue, Char whenFalse) { return condition ? whenTrue : whenFalse; }

inline Integer Maxi(Integer a, Integer b) { return a > b ? a : b; }
inline Integer Mini(Integer a, Integer b) { return a < b ? a : b; }
// Min is tested first, so Min wins when Min > Max.
inline Integer LimitIt(Integer value, Integer min, Integer max) {
  if (value < min) return min;
  if (value > max) return max;
  return value;
}
// i1 <= value <= i2; with Abs and i1 >= i2 the bounds are taken the other way round.
inline bool Between(Integer value, Integer i1, Integer i2, bool Abs = false) {
  if (Abs && i1 >= i2) return i2 <= value && value <= i1;
  return i1 <= value && value <= i2;
}
inline bool IsValidIndex(Integer value, Integer amount, Integer first = 0) { return first <= value && value < amount; }
inline void ChangeI(Integer& a, Integer& b) {
  Integer t = a;
  a = b;
  b = t;
}

// ---- 3. Rectangles, sizes and points --------------------------------------------------

inline TRect MkRect(Integer right, Integer bottom, Integer left = 0, Integer top = 0) {
  return TRect(left, top, right, bottom);
}
TRect MkRect(const TBitmap* bmp);  // (0, 0, width, height)
inline TRect MkRect(TSize size) { return TRect(0, 0, size.cx, size.cy); }

inline TPoint MkPoint(Integer x, Integer y) { return TPoint(x, y); }

inline Integer WidthOf(const TRect& r, bool checkNegative = false) {
  Integer w = kvSub(r.Right, r.Left);
  return checkNegative && w < 0 ? 0 : w;
}
inline Integer HeightOf(const TRect& r, bool checkNegative = false) {
  Integer h = kvSub(r.Bottom, r.Top);
  return checkNegative && h < 0 ? 0 : h;
}

inline TSize MkSize(Integer cx, Integer cy) { return TSize(cx, cy); }
TSize MkSize(const TBitmap* bmp);
inline TSize MkSize(const TRect& r) { return TSize(WidthOf(r, true), HeightOf(r, true)); }

inline TRect OffsRect(const TRect& r, Integer offsetX, Integer offsetY) {
  return TRect(kvAdd(r.Left, offsetX), kvAdd(r.Top, offsetY), kvAdd(r.Right, offsetX), kvAdd(r.Bottom, offsetY));
}
inline TRect OffsRect(const TRect& r, Integer offset) { return OffsRect(r, offset, offset); }

// The intersection edges, not normalised when the rectangles do not meet.
TRect RectsAnd(const TRect& r1, const TRect& r2);
// r2 is not empty and overlaps r1; touching edges do not overlap.
bool RectIsVisible(const TRect& r1, const TRect& r2);
// bigRect counts one pixel larger to the right and bottom. FullInclude: both corners of
// smallRect lie in it; otherwise the two overlap.
bool RectInRect(const TRect& bigRect, const TRect& smallRect, bool fullInclude);
// Mirror inside (0, 0, width, height): horizontally when horz, else vertically.
void ReflectRect(TRect& r, Integer width, Integer height, bool horz);
// Mirror inside mainRect.
void ReflectRect(TRect& r, const TRect& mainRect, bool horz);
// Left and top grow inwards by the padding's left and top, right and bottom by its right and bottom.
void AddPadding(TRect& r, const TRect& padding);

// A ready background reference into bmp at (xOffs, yOffs).
TCacheInfo MakeCacheInfo(TBitmap* bmp, Integer xOffs = 0, Integer yOffs = 0);

// Source-over blending with per-pixel alpha and a constant alpha of blendValue.
void InitBlendData(TkvBlendFunction& blend, Byte blendValue);

// ---- 4. Characters, words and strings -------------------------------------------------

// A set of 8-bit characters (delimiters and the like).
class TkvCharSet {
 public:
  constexpr TkvCharSet() = default;
  constexpr TkvCharSet(std::string_view chars) {
    for (char c : chars) Include(static_cast<unsigned char>(c));
  }
  constexpr void Include(unsigned code) {
    if (code < 256) bits_[code >> 6] |= uint64_t{1} << (code & 63);
  }
  // Characters above 255 are never members.
  constexpr bool Contains(unsigned code) const { return code < 256 && (bits_[code >> 6] >> (code & 63) & 1) != 0; }

 private:
  uint64_t bits_[4] = {0, 0, 0, 0};
};

inline bool kvCharIn(Char c, const TkvCharSet& set) { return set.Contains(c); }

// N copies of an 8-bit character; empty for N <= 0.
String MakeStr(char c, Integer n);
void kvFillString(String& s, Integer count, Char c);
// Pads s on the left with c up to n characters.
String AddChar(char c, const String& s, Integer n);
String DelChars(const String& s, Char c);
// Every occurrence replaced, left to right, case-sensitive; replaced text is not searched again.
String ReplaceStr(const String& s, const String& search, const String& replace);

// Words are the maximal runs of non-delimiters.
Integer kvWordCount(const String& s, const TkvCharSet& delims);
Integer WordCount(const std::string& s, const TkvCharSet& delims);
// 1-based position of word n, 0 when there is none. With skipEmpty, runs of delimiters
// separate words; without it every delimiter starts a new (possibly empty) word. The empty
// word after a delimiter that ends the text is at Length + 1, so that extracting it gives "".
Integer kvWordPosition(Integer n, const String& s, const TkvCharSet& delims, bool skipEmpty = true);
Integer WordPosition(Integer n, const std::string& s, const TkvCharSet& delims, bool skipEmpty = true);
// Word n: from its position up to the next delimiter; empty when there is none.
String kvExtractWord(Integer n, const String& s, const TkvCharSet& delims, bool skipEmpty = true);
std::string ExtractWord(Integer n, const std::string& s, const TkvCharSet& delims, bool skipEmpty = true);

// ---- 5. Numbers -----------------------------------------------------------------------

// Hex digits to a 64-bit value: case-insensitive, an optional trailing 'H'; any other
// character gives 0. Only the low 64 bits of longer texts are kept.
Int64 HexToInt(const std::string& s);

// value scaled by scale index 1 (125 %), 2 (150 %) or 3 (200 %); other indexes leave it.
Integer ScaleInteger(Integer value, Integer scaleIndex);
// value * ppi div 96.
Integer ScalePPI(Integer value, Integer ppi);
// Scale index of a PPI: up to 110 -> 0, to 134 -> 1, to 170 -> 2, above -> 3.
Integer PPIToIndex(Integer ppi);

// ---- 6. Folder names and file search --------------------------------------------------

// The folder name with a trailing backslash ("C" becomes "C:\", a trailing '/' becomes '\').
String NormalDir(const String& dirName);

// The class library's FindFirst, FindNext and FindClose (0 while an entry is at hand).
Integer kvFindFirst(const String& path, Integer attr, TSearchRec& f);
Integer kvFindNext(TSearchRec& f);
void kvFindClose(TSearchRec& f);

// ---- 7. Whole-degree sine and cosine --------------------------------------------------

struct TSinCos {
  float S;
  float C;
};
// Builds the 360-entry table when it is empty.
void InitSCA();
double kvSin(Integer angle);
double kvCos(Integer angle);

// ---- 8. Skin ini text, published properties, lists ------------------------------------

// Splits ini lines into sections: sectionsList gets one entry per "[name]" line (the name as
// written, blanks kept; a repeated name adds a second entry) whose object is a new string list
// of that section's lines. Empty lines, ';' comments and lines before the first section are
// dropped. The caller owns the section lists.
void GetIniSections(const TStringList& iniList, TStringList& sectionsList);
// The rest of the first "ident=..." line of the section (by the lists' case rules), untrimmed;
// def when the section or the line is missing.
String ReadIniString(const TStringList& iniList, const TStringList& sectionsList, StringView section, StringView ident,
                     const String& def);
// The value as a decimal or hexadecimal ("$" or "0x") integer; def when it is not one.
Integer ReadIniInteger(const TStringList& iniList, const TStringList& sectionsList, StringView section,
                       StringView ident, Integer def);

bool HasProperty(const TObject* obj, StringView propName);
// The object of a class-typed published property; null when there is no such property.
TObject* GetObjProp(const TObject* obj, StringView propName);
// An ordinal published property; -1 when it is missing.
Int64 GetIntProp(const TObject* obj, StringView propName);
// Does nothing when the property is missing.
void SetIntProp(TObject* obj, StringView propName, Int64 value);
// The set property holds the element named exactly value (elements 0..31 examined).
bool CheckSetProp(const TObject* obj, StringView propName, StringView value);
// Adds or removes an element of a set property by its name, working on the property's text.
// Always answers False.
bool SetSetPropValue(TObject* obj, StringView propName, StringView valueName, bool value);

// Adds obj to the list unless it is already in it.
void AddObjToList(TObject* obj, std::vector<TObject*>& list);

// ---- 9. Windows -----------------------------------------------------------------------
#ifdef _WIN32

struct _BLENDFUNCTION;
typedef struct _BLENDFUNCTION BLENDFUNCTION;
void InitBlendData(BLENDFUNCTION& blend, Byte blendValue);

// Version queries. Two versions are kept, each read on first use and overridable by tests (a
// non-zero major keeps the detection from running):
//  - kvWinMajorVer/kvWinMinorVer: the true Windows version (InitWinVer: GetVersion, and on 6.2
//    or later the workstation service's answer, so Windows 10 and 11 are seen as 10.0);
//  - kvOSMajorVer/kvOSMinorVer: what the system reports to this program (GetVersionExW), the
//    numbers the class library works with; SysReadyForDPI and IsNTFamily read these.
extern Byte& kvWinMajorVer;
extern Byte& kvWinMinorVer;
extern Cardinal& kvOSMajorVer;
extern Cardinal& kvOSMinorVer;

void InitWinVer();
Integer WinMajorVer();
bool IsWinVistaUp();    // major > 5
bool IsWin8Up();        // 6.2 and later
bool IsWin10Up();       // major > 9
bool SysReadyForDPI();  // reported 6.3 and later
bool IsNTFamily();      // reported 5.1 and later

// Library handles and entries bound by the start-up step; null when the system lacks them
// (the entries' types: base/EngineState.h).
extern HMODULE& hKern32;
extern HMODULE& hShell32;
extern HMODULE& hUSER32;
extern TkvIsDebuggerPresent& kvIsDebuggerPresent;
extern TkvIsWow64Process& kvIsWow64Process;
extern TkvSHGetFileInfo& kvSHGetFileInfo;
extern TkvSystemParametersInfoForDpi& kv_SystemParametersInfoForDpi;

// SystemParametersInfoForDpi when the system has it and is ready for per-monitor DPI, else
// SystemParametersInfoW.
bool kvSysParamInfo(Cardinal uiAction, Cardinal uiParam, void* pvParam, Cardinal dpi);
// Height of the system caption font at that DPI, at most -11; 0 when the metrics are unreadable.
Integer GetCaptionFontSize(Integer dpi);
// A new font made from the caption font at that DPI (the caller deletes it); 0 on failure.
HFONT kvGetTitleFont(Integer dpi);
// Minimize and restore animation of windows.
bool kvGetAnimation();
bool kvSetAnimation(bool value);

// The bound IsDebuggerPresent; True when it is not bound.
bool IsIDERunning();
bool IsWOW64Proc();

// Spins (Sleep(0), no messages) until delay milliseconds have passed since beginTicks.
void WaitTicks(Cardinal beginTicks, Integer delay);
// Takes the place of WaitTicks' spinning while set: a test records the wait or steps its own
// clock, so that no test waits for real time. Null: WaitTicks spins.
using TkvWaitHandler = void (*)(Cardinal beginTicks, Integer delay);
extern TkvWaitHandler kvWaitHandler;

bool FixedDirectoryExists(const String& directory, bool followLink);
// FixedDirectoryExists(name, True) with the system's critical-error boxes off.
bool kvDirExists(const String& name);
// The program file's folder with a trailing backslash.
String GetAppPath();
// Loads shell32 and binds SHGetFileInfoW when not yet done.
void InitSysProc();
// A new icon (the caller owns it) of the file's shell icon, asked with flag | SHGFI_ICON; null
// when the file does not exist, the shell gives none or SHGetFileInfoW is not bound.
TIcon* GetIconForFile(const String& fullFileName, Cardinal flag);

// Message boxes for the user: the library's box with one OK button and the warning (Alert,
// ShowWarning) or error icon and caption.
void ShowWarning(const String& text);
void ShowError(const String& text);
void Alert(const String& text);

// Waits at least msecs milliseconds while the application handles its messages.
void Delay(Integer msecs);

// Module start-up: version detection and the bound entries; clean-up frees the libraries.
void kvntUtilsStartup();
void kvntUtilsCleanup();

#endif
