// The vocabulary shared by every layer of the skinning engine: pixel and colour records, the
// parent-background records, enumerations, control-class codes and their sets, flag
// combinations for window calls, read-only tables and the global switches with their
// initial values. Portable: no platform headers (handle types come from ui/WinFwd.h).
//
// Sections:
//   1. Pixel and colour records
//   2. Gradient points
//   3. Background records (TCacheInfo, TkvBGInfo) and the font-index query record
//   4. Enumerations
//   5. Control-class codes and code sets
//   6. Named constants
//   7. Read-only tables
//   8. Global switches
//   9. System-menu captions and start-up (Windows)
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "ui/Types.h"
#include "ui/WinFwd.h"

class TBitmap;
class TControl;
class TForm;
class DuRiruZireziv;

// ---- 1. Pixel and colour records ------------------------------------------------------
// Each is four bytes with overlaid 32-bit views. The byte order is the point: a pixel lies in
// memory as B, G, R, A; a colour value carries red in its low byte.

struct TsColor_ {  // one pixel of a 32-bit bitmap row
  union {
    struct {
      Byte B, G, R, A;
    };
    Integer C;
    Integer I;
  };
};

struct TsColor {  // a colour value (red in the low byte)
  union {
    struct {
      Byte R, G, B, A;
    };
    Integer C;
    Integer I;
  };
};

struct TsColor_RGB {  // colour order, long names
  union {
    struct {
      Byte Red, Green, Blue, Dezev;
    };
    Integer Col;
    Integer Intg;
  };
};

struct TsColor_RGB_ {  // pixel order, long names
  union {
    struct {
      Byte Blue, Green, Red, Dezev;
    };
    Integer Col;
    Integer Intg;
  };
};

struct TsColor_D {  // destination pixel of compositing loops
  union {
    struct {
      Byte DB, DG, DR, DA;
    };
    Integer DC;
    Integer DI;
  };
};

struct TsColor_S {  // source pixel
  union {
    struct {
      Byte SB, SG, SR, SA;
    };
    Integer SC;
    Integer SI;
  };
};

struct TsColor_M {  // mask pixel
  union {
    struct {
      Byte MB, MG, MR, MA;
    };
    Integer MC;
    Integer MI;
  };
};

static_assert(sizeof(TsColor_) == 4 && sizeof(TsColor) == 4 && sizeof(TsColor_RGB) == 4 && sizeof(TsColor_RGB_) == 4 &&
              sizeof(TsColor_D) == 4 && sizeof(TsColor_S) == 4 && sizeof(TsColor_M) == 4);

using TPercent = Byte;           // 0..100
using TkvIntProperty = Integer;  // 0..2147483647

// ---- 2. Gradient points ---------------------------------------------------------------
#pragma pack(push, 1)
struct TsGradPoint {
  Word Index;        // position of the point in its array
  Integer Mode;      // flags; the first point's direction bits choose the painting
  TsColor Color;     // R, G, B, A
  TPercent Percent;  // position along the gradient, percent of its length
};
#pragma pack(pop)
static_assert(sizeof(TsGradPoint) == 11);

// Empty: the state has no gradient.
using TsGradArray = std::vector<TsGradPoint>;

// ---- 3. Background records ------------------------------------------------------------

// The parent-background reference every painter receives.
struct TCacheInfo {
  TBitmap* Bmp = nullptr;  // parent's rendered background (not owned)
  Integer X = 0;           // offset of the item inside Bmp
  Integer Y = 0;
  TColor FillColor = 0;  // used when no bitmap is ready
  TRect FillRect;        // part of the item to fill with FillColor
  bool Ready = false;    // Bmp holds a valid background
};

// No parent background at all.
inline constexpr TCacheInfo EmptyCI{nullptr, -99, -99, 0xFF00FF, TRect{0, 0, 0, 0}, false};

enum TkvBGType : Byte { btUnknown, btFill, btCache, btNotReady };

// A parent's answer to the background query KV_GETBG.
struct TkvBGInfo {
  TBitmap* Bmp = nullptr;  // parent's cache bitmap (not owned)
  TColor Color = 0;        // plain background colour
  TPoint Offset;           // offset of the asking child inside Bmp
  TRect R;                 // area the asker wants
  TRect FillRect;          // area to fill with Color
  TkvBGType BgType = btUnknown;
  bool PleaseDraw = false;  // the parent shall paint its background into DrawDC itself
#ifdef _WIN32
  HDC DrawDC = nullptr;
#else
  void* DrawDC = nullptr;
#endif
};

// Carried by KV_GETFONTINDEX: each parent offsets R by the child's position before asking on.
struct TkvPaintInfo {
  Integer State = 0;
  Integer FontIndex = 0;  // the answer: the section whose font applies
  TRect R;
  DuRiruZireziv* SkinManager = nullptr;
};

// Carried by KV_GETSKININDEX: the receiver writes its section index into siSkinIndex.
struct TkvSectionInfo {
  String siName;
  Integer siSkinIndex = -1;
  bool siRepaintNeeded = false;
};

// Carried by KV_GETCOLORTONE: the colouring a control asks for; 0x1FFFFFFF in a field: none.
struct TkvColoring {
  Integer ColorToneBG = 0x1FFFFFFF;  // tone laid over the background
  Integer ColorGlyph = 0x1FFFFFFF;
  Integer ColorText = 0x1FFFFFFF;
};

struct TkvSkinColorData {
  Integer Value = 0;
  String Name;  // at most 255 characters
};

// ---- 4. Enumerations ------------------------------------------------------------------

enum TkvImgType : Byte { itisaBorder, itisaTexture, itisaGlyph, itisaGlow, itisaPngGlyph };
enum TkvScaleMode : Byte { sm100, sm125, sm150, sm200, smAuto, smOldMode, smVCL, smCustomPPI };
enum TkvSide : Byte { asLeft, asTop, asRight, asBottom };
enum TkvAnimType : Byte { atFading, atAero, atDropDown };
enum TkvAnimTypeCtrl : Byte { atcFade, atcAero, atcBlur, atcBlur2, atcRunup };
enum TkvAnimatEvent : Byte { aeMouseEnter, aeMouseLeave, aeMouseDown, aeMouseUp, aeClick, aeLighting, aeGlobalDef };
enum TkvBtnEvent : Byte { beMouseEnter, beMouseLeave, beMouseDown, beMouseUp, beClick, beLighting };
// What the mouse light asks an OnUpdateLight handler (DoOutput) and what it answers (DoLighting).
struct TkvAnimEventData {
  bool DoOutput = false;
  bool DoLighting = false;
};
enum TkvOuterEffectStyle : Byte { oeNone, oeShadow, oeLowered };
enum TkvOuterVisibility : Byte { ovNone, ovAlways, ovFocused, ovMouseHovered };
enum TkvGrayedMode : Byte { gmAlways, gmInactive };
enum TkvTabLayout : Byte { tlFirst, tlLast, tlMiddle, tlSingle };
enum TvaAlign : Byte { vaTop, vaMiddle, vaBottom };
enum TkvHorzAlign : Byte { haLeft, haCenter, haRight };
enum TsCaptionLayout : Byte {
  sclLeft,
  sclTopLeft,
  sclTopCenter,
  sclTopRight,
  sclLeftTop,
  sclBottomLeft,
  sclBottomCenter,
  sclBottomRight,
  sclRight,
  sclRightTop,
  sclLeftLeft,
  sclRightRight
};
// The show commands SW_HIDE (0) to SW_SHOWDEFAULT (10).
enum TsWindowShowMode : Byte {
  soHide,
  soNormal,
  soShowMinimized,
  soMaximize,
  soShowNoActivate,
  soShow,
  soMinimize,
  soShowMinNoActive,
  soShowNA,
  soRestore,
  soDefault
};
enum TsShadowingShape : Byte { ssRectangle, ssEllipse };
enum TDateOrder : Byte { doMDY, doDMY, doYMD };
enum TPopupWindowAlign : Byte { pwaRight, pwaLeft };
enum TkvOptimizingPriority : Byte { opSpeed, opMemory };
enum TsDisabledGlyphKind : Byte { dgBlended, dgGrayed };
enum TsDisabledKind : Byte { dkBlended, dkGrayed };

// How a texture covers its area (a texture image's DrawMode 0..14).
enum TkvFillMode : Byte {
  fmTiled,
  fmStretched,
  fmTiledHorz,
  fmTiledVert,
  fmStretchHorzTop,
  fmStretchVertLeft,
  fmTileHorBtm,
  fmTileVertRight,
  fmStretchHorBtm,
  fmStretchVertRight,
  fmDisTiled,
  fmStretchHorz,
  fmStretchVert,
  fmFromBottomToTop,
  fmReserved1
};

// ---- 5. Control-class codes and code sets ---------------------------------------------

constexpr Integer COC_TsCustom = 1;
constexpr Integer COC_TsSpinEdit = 2;
constexpr Integer COC_TsEdit = 3;
constexpr Integer COC_TsMemo = 7;
constexpr Integer COC_TsListBox = 8;
constexpr Integer COC_TsColorBox = 9;
constexpr Integer COC_TsListView = 10;
constexpr Integer COC_TsCurrencyEdit = 12;
constexpr Integer COC_TsComboBox = 13;
constexpr Integer COC_TsTreeView = 14;
constexpr Integer COC_TsComboBoxEx = 18;
constexpr Integer COC_TsFrameBar = 19;
constexpr Integer COC_TsBarTitle = 20;
constexpr Integer COC_TsCheckBox = 32;
constexpr Integer COC_TsDBCheckBox = 32;
constexpr Integer COC_TsRadioButton = 33;
constexpr Integer COC_TsSlider = 34;
constexpr Integer COC_TsImage = 50;
constexpr Integer COC_TsPanel = 51;
constexpr Integer COC_TsCoolBar = 53;
constexpr Integer COC_TsToolBar = 54;
constexpr Integer COC_TsDragBar = 56;
constexpr Integer COC_TsTabSheet = 57;
constexpr Integer COC_TsScrollBox = 58;
constexpr Integer COC_TsMonthCalendar = 59;
constexpr Integer COC_TsGroupBox = 74;
constexpr Integer COC_TsSplitter = 75;
constexpr Integer COC_TsDBEdit = 76;
constexpr Integer COC_TsDBMemo = 78;
constexpr Integer COC_TsDBComboBox = 81;
constexpr Integer COC_TsDBLookupComboBox = 82;
constexpr Integer COC_TsDBListBox = 83;
constexpr Integer COC_TsDBLookupListBox = 84;
constexpr Integer COC_TsDBGrid = 85;
constexpr Integer COC_TsSpeedButton = 92;
constexpr Integer COC_TsButton = 93;
constexpr Integer COC_TsBitBtn = 94;
constexpr Integer COC_TsNavButton = 98;
constexpr Integer COC_TsBevel = 110;
constexpr Integer COC_TsFileDirEdit = 132;
constexpr Integer COC_TsFilenameEdit = 133;
constexpr Integer COC_TsDirectoryEdit = 134;
constexpr Integer COC_TsComboEdit = 138;
constexpr Integer COC_TsDateEdit = 140;
constexpr Integer COC_TsPageControl = 141;
constexpr Integer COC_TsScrollBar = 142;
constexpr Integer COC_TsTabControl = 143;
constexpr Integer COC_TsStatusBar = 151;
constexpr Integer COC_TsHeaderControl = 152;
constexpr Integer COC_TsGauge = 161;
constexpr Integer COC_TsTrackBar = 165;
constexpr Integer COC_TkvDialogWnd = 223;
constexpr Integer COC_TsSkinProvider = 224;
constexpr Integer COC_TsMDIForm = 225;
constexpr Integer COC_TsFrameAdapter = 226;
constexpr Integer COC_TsCircleControl = 227;
constexpr Integer COC_TsAdapter = 230;
constexpr Integer COC_TsAdapterEdit = 231;
constexpr Integer COC_TVST = 232;
constexpr Integer COC_Unknown = 250;

// A set of control-class codes 0..255.
class TkvCodeSet {
 public:
  struct Range {
    Integer First, Last;
  };
  constexpr TkvCodeSet(std::initializer_list<Range> ranges) {
    for (const Range& r : ranges)
      for (Integer c = r.First; c <= r.Last; ++c) bits_[c >> 6] |= uint64_t{1} << (c & 63);
  }
  constexpr bool Contains(Integer code) const {
    return code >= 0 && code < 256 && (bits_[code >> 6] >> (code & 63) & 1) != 0;
  }

 private:
  uint64_t bits_[4] = {0, 0, 0, 0};
};

inline constexpr TkvCodeSet sForbidMouse{{19, 19}, {51, 74}, {110, 110}, {141, 161}};
inline constexpr TkvCodeSet sNoHotEdits{{2, 18}, {76, 85}, {132, 140}, {231, 231}};
inline constexpr TkvCodeSet sEditCtrls{{2, 18}, {76, 84}, {132, 140}, {231, 231}};
inline constexpr TkvCodeSet ssCanNotBeHot{{51, 51},   {54, 54},   {56, 59},   {74, 74},   {110, 110},
                                          {141, 141}, {143, 143}, {151, 151}, {161, 161}, {226, 226}};
inline constexpr TkvCodeSet ssScrolledEdits{{7, 8}, {10, 10}, {14, 14}, {78, 78}, {83, 83}, {85, 85}, {231, 231}};
inline constexpr TkvCodeSet ssButtons{{92, 94}};
inline constexpr TkvCodeSet ssLightCtrls{{9, 9}, {13, 13}, {18, 18}, {20, 20}, {34, 34}, {92, 94}, {132, 140}};

// ---- 6. Named constants ---------------------------------------------------------------

// Control state bits of a skin data object's state word.
constexpr Cardinal KVS_PRINTING = 512;
constexpr Cardinal KVS_MNUPDATING = 1024;
constexpr Cardinal KVS_LOCKED = 2048;
constexpr Cardinal KVS_FOCUSCHANGING = 4096;
constexpr Cardinal KVS_CHANGING = 8192;
constexpr Cardinal KVS_REPAINTNEEDH = 32768;
constexpr Cardinal KVS_REPAINTNEEDV = 65536;
constexpr Cardinal KVS_CTRLSCALING = 131072;
constexpr Cardinal KVS_NCCHANGED = 262144;
constexpr Cardinal KVS_TEXTANIMATING = 524288;
constexpr Cardinal KVS_INIT = 1048576;

// Item states.
constexpr Integer KVNORMAL = 0;
constexpr Integer KVHOT = 1;
constexpr Integer KVPRESSED = 2;
constexpr Integer KVDEFAULT = 3;

// Background kinds of a skin section.
constexpr Integer BGT_NONE = 0;
constexpr Integer BGT_GRADIENTHORZ = 1;
constexpr Integer BGT_GRADIENTVERT = 2;
constexpr Integer BGT_STRETCH = 4;
constexpr Integer BGT_TEXTURELEFT = 16;
constexpr Integer BGT_TEXTURETOP = 32;
constexpr Integer BGT_TEXTURERIGHT = 64;
constexpr Integer BGT_TEXTUREBOTTOM = 128;
constexpr Integer BGT_TEXTUREVERT = 80;
constexpr Integer BGT_TEXTUREHORZ = 160;
constexpr Integer BGT_STRETCHVERT = 84;
constexpr Integer BGT_STRETCHHORZ = 164;

// RedrawWindow flag sets.
constexpr Cardinal RDWA_FRAME = 0x421;          // INVALIDATE | NOERASE | FRAME
constexpr Cardinal RDWA_FRAMENOW = 0x521;       // ... | UPDATENOW
constexpr Cardinal RDWA_REPAINT = 0x405;        // INVALIDATE | ERASE | FRAME
constexpr Cardinal RDWA_ERASENOW = 0x105;       // INVALIDATE | ERASE | UPDATENOW
constexpr Cardinal RDWA_ALL = 0x485;            // INVALIDATE | ERASE | ALLCHILDREN | FRAME
constexpr Cardinal RDWA_ALLNOW = 0x585;         // ... | UPDATENOW
constexpr Cardinal RDWA_ALLCHILDREN = 0xB1;     // INVALIDATE | NOINTERNALPAINT | NOERASE | ALLCHILDREN
constexpr Cardinal RDWA_NOCHILDREN = 0x445;     // INVALIDATE | ERASE | NOCHILDREN | FRAME
constexpr Cardinal RDWA_NOCHILDRENNOW = 0x545;  // ... | UPDATENOW

// SetWindowPos flag sets.
constexpr Cardinal SWPA_FRAMECHANGED = 0x737;
constexpr Cardinal SWPA_NOCOPYBITS = 0x71F;
constexpr Cardinal SWPA_SHOW = 0x658;
constexpr Cardinal SWPA_HIDE = 0x698;
constexpr Cardinal SWPA_SHOWZORDER = 0x659;
constexpr Cardinal SWPA_SHOWZORDERONLY = 0x65B;
constexpr Cardinal SWPA_ZORDER = 0x61B;

// Text flags. DT_ALPHATEXT is the engine's own: alpha-correct text on a 32-bit bitmap.
constexpr Cardinal DT_ALPHATEXT = 0x40000000;
constexpr Cardinal EllipsFlags = 0x4C000;  // END, PATH and WORD ellipsis

// Transparency modes.
constexpr Integer TM_OPAQUE = 0;
constexpr Integer TM_PARTIAL = 1;
constexpr Integer TM_FULL = 2;

// Scroll-bar hit codes.
constexpr Integer HTSB_LEFT_BUTTON = 100;
constexpr Integer HTSB_RIGHT_BUTTON = 101;
constexpr Integer HTSB_TOP_BUTTON = 102;
constexpr Integer HTSB_BOTTOM_BUTTON = 103;
constexpr Integer HTSB_H_SCROLL = 104;
constexpr Integer HTSB_HB_SCROLL = 105;
constexpr Integer HTSB_V_SCROLL = 106;
constexpr Integer HTSB_VB_SCROLL = 107;

// MDI child button hit codes.
constexpr Integer HTCHILDCLOSE = 101;
constexpr Integer HTCHILDMAX = 102;
constexpr Integer HTCHILDMIN = 103;

// Sizes and timings.
constexpr Integer kvCloseBtnSize = 15;
constexpr Integer kvMultipNormal = 3;
constexpr Integer kvMaxIterations = 6;   // default animation steps
constexpr Integer kvTimerInterval = 12;  // ms between animation steps
constexpr Integer kvMouseLightSize = 64;
constexpr Integer kv_BaseArrowWidth = 5;
constexpr Integer kv_BaseSpacing = 4;
constexpr Integer kv_TextHintBlend = 148;
constexpr Integer kvMaxScaleNdx = 3;

// Angles.
constexpr Integer i90 = 90;
constexpr Integer i180 = 180;
constexpr Integer i270 = 270;
constexpr Integer i360 = 360;

// Characters of skin values.
constexpr Char ZeroChar = u'0';
constexpr Char CharOne = u'1';
constexpr Char CharQuest = u'?';
constexpr Char CharDiez = u'#';
constexpr Char TexChar = u'~';
constexpr Char CharExt = u'!';
constexpr Char CharGlyph = u'@';
constexpr Char CharMask = u'^';
constexpr Char kvCharImg = u'&';
constexpr Char CharMinus = u'-';
constexpr Char CharPlus = u'+';
constexpr Char CharSemicolon = u';';
constexpr Char CharBullet = u'\u25CF';

// Path and text characters.
constexpr Char s_Slash = u'\\';
constexpr Char s_Space = u' ';
constexpr Char s_Comma = u',';
constexpr Char s_Dot = u'.';

// Others.
constexpr Cardinal NCS_DROPSHADOW = 0x20000;  // the class style CS_DROPSHADOW
constexpr Cardinal SC_DRAGMOVE = 0xF012;      // system command that drags a window
constexpr Integer KV_WCA_ACCENT_POLICY = 19;
constexpr Integer KVT_RELCAPT = -1;
constexpr Integer KV_DO_BROADCAST = 1;
constexpr Integer KV_HANDLED = 1;
constexpr Integer NOCHILDRENPRINT = -2;
constexpr Integer kv_MaxPropsIndex = 2;
constexpr Cardinal KPE_CLOSE = 1;
constexpr Cardinal KPE_HELLO = 2;
constexpr Cardinal KPE_ALIVE = 4;
constexpr Cardinal KPE_MSG = 0xA400;

// Palette colours of the engine: symbolic colours that the active skin's palette resolves
// (kvColorToRGB); without a skin each carries the RGB value in its low three bytes.
constexpr TColor slMainColor = 0xF1000001;
constexpr TColor slBtnRed = 0xFF9E9EFF;
constexpr TColor slBtnRedActive = 0xFF7E7EFF;
constexpr TColor slBtnGreen = 0xFF7BD098;
constexpr TColor slBtnGreenActive = 0xFF3EE275;
constexpr TColor slBtnBlue = 0xFFFFEDC9;
constexpr TColor slBtnBlueActive = 0xFFFFE9BE;
constexpr TColor slBtnYellow = 0xFFCAF3FF;
constexpr TColor slBtnYellowActive = 0xFFBAEFFF;
constexpr TColor slBtnRedText = 0xFF0000B4;
constexpr TColor slBtnRedTextActive = 0xFF0000A2;
constexpr TColor slBtnGreenText = 0xFF28851A;
constexpr TColor slBtnGreenTextActive = 0xFF008E00;
constexpr TColor slBtnBlueText = 0xFFAE7400;
constexpr TColor slBtnBlueTextActive = 0xFF916000;
constexpr TColor slBtnYellowText = 0xFF0079B5;
constexpr TColor slBtnYellowTextActive = 0xFF0098C6;
constexpr TColor slEditGreen = 0xFFC9FFD2;
constexpr TColor slEditYellow = 0xFFBAFFFF;
constexpr TColor slEditRed = 0xFFDBDBFF;
constexpr TColor slEditGreenText = 0xFF003E0A;
constexpr TColor slEditYellowText = 0xFF004C4C;
constexpr TColor slEditRedText = 0xFF00006C;

// ---- 7. Read-only tables --------------------------------------------------------------

// The PNG file signature.
inline constexpr Byte PNGMagic[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
// By alignment left, right, centre.
inline constexpr std::array<Word, 3> kvAlignmentArray{0 /*DT_LEFT*/, 2 /*DT_RIGHT*/, 1 /*DT_CENTER*/};
// [False] = DT_SINGLELINE, [True] = DT_WORDBREAK.
inline constexpr std::array<Cardinal, 2> TextWrapping{0x20, 0x10};
inline constexpr std::array<Integer, 2> kvMinusPlus{-1, 1};
constexpr Integer sFuchsia = 0x00FF00FF;  // the transparent key colour of skin images
// Texts by tab position top, bottom, left, right.
inline constexpr std::array<const Char*, 4> sTabPositions{u"", u"BOTTOM", u"LEFT", u"RIGHT"};
// By scale index 0..3.
inline constexpr std::array<Integer, 4> aScalePercents{100, 125, 150, 200};
inline constexpr std::array<Integer, 4> aPPIArray{96, 120, 144, 192};
inline constexpr std::array<const Char*, 4> aSfxs{u"", u"*125", u"*150", u"*200"};
inline constexpr std::array<TkvImgType, 5> kvImgTypes{itisaBorder, itisaTexture, itisaGlyph, itisaGlow, itisaPngGlyph};
inline constexpr std::array<TkvFillMode, 15> kvFillModes{
    fmTiled,           fmStretched,   fmTiledHorz,     fmTiledVert,       fmStretchHorzTop,
    fmStretchVertLeft, fmTileHorBtm,  fmTileVertRight, fmStretchHorBtm,   fmStretchVertRight,
    fmDisTiled,        fmStretchHorz, fmStretchVert,   fmFromBottomToTop, fmReserved1};
// By TkvAnimatEvent; the global default maps to mouse-up.
inline constexpr std::array<TkvBtnEvent, 7> kvBtnEvents{beMouseEnter, beMouseLeave, beMouseDown, beMouseUp,
                                                        beClick,      beLighting,   beMouseUp};

// ---- 8. Global switches (GUI thread only) ---------------------------------------------
//
// References into the engine's state records (base/EngineState.h), which give their first values.

// Windows' BLENDFUNCTION, byte for byte.
struct TkvBlendFunction {
  Byte BlendOp;
  Byte BlendFlags;
  Byte SourceConstantAlpha;
  Byte AlphaFormat;
};

extern Integer& ExceptTag;  // a form or control whose Tag has this bit stays unskinned
extern Integer& SysPopupCount;
extern bool& kvDialogPosIsCenter;
extern bool& kvPreviewNeeded;
extern bool& kvSkinPreviewUpdating;
extern bool& kvIgnoreMenuOwnerDraw;
extern bool& kvHtmlStdBreak;
extern Integer& kvAnimCount;
extern Integer& kvScrollBtnLength;  // negative: take the system's scroll-arrow width
extern Integer& kvArrowSize;
extern Integer& kvLineWidth;
extern bool& ShowHintStored;
extern bool& AppShowHint;
extern bool& FadingForbidden;  // set on WM_QUERYENDSESSION
extern bool& x64woAero;
extern TControl*& TempControl;
extern bool& fGlobalFlag;
extern TForm*& kvMagnForm;
extern Char& cMenuCaption;  // caption that marks a menu divider
extern TkvScaleMode& kvCurrentScaleMode;
extern bool& kv_UseSysCharSet;
extern bool& kv_KeepOwnFont;
extern bool& kv_OldGlyphsMode;
extern bool& DrawSkinnedMDIWall;
extern bool& DrawSkinnedMDIScrolls;
extern Integer& kv_DialogsLevel;  // at most this many visible skinned standard dialogs
extern bool& kv_ChangeThumbPreviews;
extern bool& kv_AllowHotEdits;
extern TkvBlendFunction& DefBlend;  // layered update of the hint windows
extern bool& kvPngFirst;
extern bool& kvAllowLatestCommonDialogs;
extern bool& kvTryToSkinCommonDialogs;
extern Byte& DefBlendDisabled;          // blend weight of disabled text and glyphs
extern Integer& DefDisabledSaturation;  // saturation change of disabled glyphs

// System-menu and skin-list captions; filled by the start-up, cleared at exit.
extern String& kvs_CloseStr;
extern String& kvs_RestoreStr;
extern String& kvs_SizeStr;
extern String& kvs_MoveStr;
extern String& kvs_MaximizeStr;
extern String& kvs_MinimizeStr;
extern String& kvs_AvailSkins;
extern String& kvs_InternalSkin;
extern String& kvs_FrameAdapterError1;

#ifdef _WIN32
extern HWND& kvPreviewHandle;  // the skin editor's window in preview mode

// ---- 9. System-menu captions and start-up (Windows) -----------------------------------

// Resolves a negative kvScrollBtnLength to the system's horizontal scroll-arrow width.
void InitSysVariables();

// Loads string Id of the library the start-up has just loaded into Target, appending Suffix
// when found; an empty result takes the fallback (a string of the program's own table, or a
// text). Does nothing when the start-up holds no library.
void kvLoadResStr(String& Target, HMODULE Module, Cardinal Id, const String& Suffix, Cardinal FallbackId);
void kvLoadResStr(String& Target, HMODULE Module, Cardinal Id, const String& Suffix, const String& Fallback);

// Loads a string of the program's own string table; empty when it has none.
String kvLoadOwnStr(Cardinal Id);

// Module start-up: system-menu captions from user32 and comctl32, the rest from our own table.
// Runs once; later calls do nothing. The clean-up clears every caption.
void sConstStartup();
void sConstCleanup();
#endif
