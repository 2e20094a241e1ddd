// The engine's own global state in a few records, so that it can be seen whole and put back
// to its first values at once (tests; the engine's start-up and clean-up run in
// engine/EngineStartup.h). Each global name the engine's modules declare (ExceptTag,
// kvCurrentScaleMode, hKern32, kvIsDebuggerPresent ...) is a reference to its field here, so
// callers keep using the names. Portable; GUI thread only, like the whole engine.
//
//   TkvSettings  the values a program may change before it makes its windows (ExceptTag,
//                kv_DialogsLevel, kvPngFirst, the message-box captions ...)
//   TkvSystem    what the start-up learns from the system and binds by name: versions, DPI
//                awareness, captions, composition, libraries and their entries, the icon font,
//                the check-box size
//   TkvRunState  what changes while the engine runs: the scale mode in force, animation and
//                painting guards, preview and hint switches, counters
//
// Records of the layers above hold what only their types can: skin/SkinState.h (the default
// manager, the standard skin data) and controls/ControlsState.h (the glyph lists, the foreign
// form list).
#pragma once

#include <array>

#include "base/sConst.h"
#include "ui/Types.h"
#include "ui/WinFwd.h"

class TCustomStyleServices;
class TObject;

#ifdef _WIN32
// Entries bound by name; null when the system lacks them. (They carry kv because the platform
// headers own the plain names.)
using TkvIsDebuggerPresent = int(__stdcall*)();
using TkvIsWow64Process = int(__stdcall*)(HANDLE, int*);
using TkvSHGetFileInfo = uintptr_t(__stdcall*)(const wchar_t*, Cardinal, void*, Cardinal, Cardinal);
using TkvSystemParametersInfoForDpi = int(__stdcall*)(Cardinal, Cardinal, void*, Cardinal, Cardinal);
using TkvSetWindowTheme = long(__stdcall*)(HWND, const wchar_t*, const wchar_t*);
#endif

struct TkvSettings {
  Integer ExceptTag = 256;  // a form or control whose Tag has this bit stays unskinned
  bool kvDialogPosIsCenter = false;
  bool kvIgnoreMenuOwnerDraw = false;
  bool kvHtmlStdBreak = false;
  Integer kvScrollBtnLength = 16;  // negative: take the system's scroll-arrow width
  Integer kvArrowSize = 5;
  Integer kvLineWidth = 2;
  Char cMenuCaption = u'-';  // caption that marks a menu divider
  bool kv_UseSysCharSet = true;
  bool kv_KeepOwnFont = false;
  bool kv_OldGlyphsMode = true;
  bool DrawSkinnedMDIWall = true;
  bool DrawSkinnedMDIScrolls = true;
  Integer kv_DialogsLevel = 2;  // at most this many visible skinned standard dialogs
  bool kv_ChangeThumbPreviews = false;
  bool kv_AllowHotEdits = false;
  TkvBlendFunction DefBlend{0, 0, 0, 1 /*AC_SRC_ALPHA*/};  // layered update of the hint windows
  bool kvPngFirst = true;
  bool kvAllowLatestCommonDialogs = false;
  bool kvTryToSkinCommonDialogs = false;
  Byte DefBlendDisabled = 100;          // blend weight of disabled text and glyphs
  Integer DefDisabledSaturation = -90;  // saturation change of disabled glyphs
  bool UseKVPng = true;                 // the engine's PNG reader takes PNG data
  bool kvIgnoreBlendColor = false;
  // The library's message box: captions by message kind.
  std::array<String, 5> Captions{u"Warning", u"Error", u"Information", u"Confirm", u""};
};

struct TkvSystem {
  // Versions: the true Windows version and the one the system reports to this program (0: not
  // detected yet).
  Byte kvWinMajorVer = 0;
  Byte kvWinMinorVer = 0;
  Cardinal kvOSMajorVer = 0;
  Cardinal kvOSMinorVer = 0;
  bool kvSysDPIAware = false;  // SetProcessDPIAware succeeded at start
  bool kvIsDPIAware = false;   // the process is aware per monitor
  bool x64woAero = false;      // a 32-bit process on 64-bit Windows without composition
  Integer iAeroStatus = -1;    // composition: -1 not asked yet, then 0 or 1
  // System-menu and skin-list captions.
  String kvs_CloseStr;
  String kvs_RestoreStr;
  String kvs_SizeStr;
  String kvs_MoveStr;
  String kvs_MaximizeStr;
  String kvs_MinimizeStr;
  String kvs_AvailSkins;
  String kvs_InternalSkin;
  String kvs_FrameAdapterError1;
  Integer FCheckWidth = 0;  // the system's check box, measured at start-up
  Integer FCheckHeight = 0;
  TCustomStyleServices* kvThemeServices = nullptr;
#ifdef _WIN32
  HMODULE hKern32 = nullptr;
  HMODULE hShell32 = nullptr;
  HMODULE hUSER32 = nullptr;
  HMODULE uxthemeLib = nullptr;
  TkvIsDebuggerPresent kvIsDebuggerPresent = nullptr;
  TkvIsWow64Process kvIsWow64Process = nullptr;
  TkvSHGetFileInfo kvSHGetFileInfo = nullptr;
  TkvSystemParametersInfoForDpi kv_SystemParametersInfoForDpi = nullptr;
  TkvSetWindowTheme kv_SetWindowTheme = nullptr;
  HANDLE awFont = nullptr;  // the icon font installed from its resource
  Integer FontsCount = 0;   // fonts in it
#endif
  // Start-up steps that have run (each runs once until its clean-up).
  bool sConstStarted = false;
  bool sDefaultsStarted = false;
  bool kvntUtilsStarted = false;
};

struct TkvRunState {
  TkvScaleMode kvCurrentScaleMode = smVCL;  // kept by the default manager
  Integer SysPopupCount = 0;
  bool kvPreviewNeeded = false;
  bool kvSkinPreviewUpdating = false;
  Integer kvAnimCount = 0;
  bool ShowHintStored = false;
  bool AppShowHint = false;
  bool FadingForbidden = false;  // set on WM_QUERYENDSESSION
  TControl* TempControl = nullptr;
  bool fGlobalFlag = false;
  TForm* kvMagnForm = nullptr;
  bool InAnimationProcess = false;  // a layered show animation runs
  bool kvGraphPainting = false;     // re-entrance guard of the painting of graphic controls
  TObject* kvFontStoreList = nullptr;
  // The screen position asked for the message box being shown (-1: none); the dialog skinner
  // moves the box there while it is created.
  Integer DlgLeft = -1;
  Integer DlgTop = -1;
#ifdef _WIN32
  HWND kvPreviewHandle = nullptr;  // the skin editor's window in preview mode
#endif
};

extern TkvSettings kvSettings;
extern TkvSystem kvSystem;
extern TkvRunState kvRunState;

// Puts the three records back to their first values and empties every service slot (the
// engine's clean-up steps free what the records point to first: engine/EngineStartup.h).
void ResetBaseState();
