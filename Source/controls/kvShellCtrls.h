// Shell items: item identifier lists (PIDLs) and their attributes, names and images, the
// wrapper of one shell item (TkvShellFolder), and two module objects made on first use after
// the start-up: the desktop folder's wrapper and an alpha image list over the system's small
// icons. The start-up initializes OLE for the GUI thread.
//
// The walking of identifier lists and the rules on names are portable; everything that asks
// the shell is Windows-only.
#pragma once

#include <cstddef>

#include "ui/Types.h"

// An identifier list is a run of items, each starting with its 16-bit byte count (the count
// included), ended by a count of 0.
// The item after this one.
const void* NextPIDL(const void* pidl);
// Total bytes including the 2-byte terminator; 0 for none.
size_t GetPIDLSize(const void* pidl);

// A display name from the shell that looks like "?<digit>...?" loses every '?'.
String StripNumberedQuestionMarks(const String& name);
// ".zip" in any case.
bool HasZipExtension(const String& name);
// The extension of a path (from the last '.' after the last separator), "" without one.
String ExtractFileExt(const String& name);

enum TkvShowExtension { seSystem = 0, seShow = 1, seHide = 2 };
// The display name of an existing file with its extension shown or hidden: seShow appends the
// file's extension when the display name's extension differs from it; seHide removes as many
// trailing characters as the display name's extension has.
String ApplyShowExtension(const String& displayName, const String& fileExt, TkvShowExtension mode);

#ifdef _WIN32

#include <shlobj.h>

#include <memory>

#include "ui/StringList.h"

class TsAlphaImageList;

TW_ENUM(TkvShellFolderCapability, fcCanCopy, fcCanDelete, fcCanLink, fcCanMove, fcCanRename, fcDropTarget,
        fcHasPropSheet)
using TkvShellFolderCapabilities = TSet<TkvShellFolderCapability>;
TW_ENUM(TkvShellFolderProperty, fpCut, fpIsLink, fpReadOnly, fpShared, fpFileSystem, fpFileSystemAncestor,
        fpRemovable, fpValidate)
using TkvShellFolderProperties = TSet<TkvShellFolderProperty>;

// Identifier lists from the shell's allocator (failures raise EOleError).
LPITEMIDLIST CreatePIDL(size_t size);
void DisposePIDL(LPITEMIDLIST pidl);
LPITEMIDLIST CopyPIDL(LPCITEMIDLIST pidl);
// a (may be null) without its terminator, then b.
LPITEMIDLIST ConcatPIDLs(LPCITEMIDLIST a, LPCITEMIDLIST b);
IShellFolder* DesktopShellFolder();  // a new reference
LPITEMIDLIST DesktopPIDL();          // of special folder nFolder; the caller disposes it

TkvShellFolderCapabilities GetCaps(IShellFolder* parent, LPCITEMIDLIST pidl);
TkvShellFolderProperties GetProperties(IShellFolder* parent, LPCITEMIDLIST pidl);
bool GetIsFolder(IShellFolder* parent, LPCITEMIDLIST pidl);
bool GetIsLink(IShellFolder* parent, LPCITEMIDLIST pidl);
bool GetIsReadOnly(IShellFolder* parent, LPCITEMIDLIST pidl);
bool GetHasSubFolders(IShellFolder* parent, LPCITEMIDLIST pidl);
bool GetIsFileFolder(IShellFolder* parent, LPCITEMIDLIST pidl);
bool GetIsFile(IShellFolder* parent, LPCITEMIDLIST pidl);

// The system image index of an item (absolute identifier list); 0 without SHGetFileInfoW.
Integer GetShellImage(LPCITEMIDLIST pidl, bool large, bool open);
String StrRetToString(LPCITEMIDLIST pidl, const STRRET& strRet);
String GetDisplayName(IShellFolder* folder, LPCITEMIDLIST pidl, DWORD flags, TkvShowExtension showExt);

// One shell item: relative to its parent folder and absolute.
class TkvShellFolder : public TObject {
 public:
  // parent null: the desktop folder's wrapper is the parent (none while it is being made).
  TkvShellFolder(TkvShellFolder* parent, IShellFolder* folder, LPCITEMIDLIST id);
  ~TkvShellFolder() override;
  TkvShellFolder(const TkvShellFolder&) = delete;
  TkvShellFolder& operator=(const TkvShellFolder&) = delete;

  IShellFolder* ParentShellFolder() const;
  String PathName() const;
  String DisplayName(TkvShowExtension showExt = seSystem) const;
  Integer ImageIndex(bool large) const;
  TkvShellFolderCapabilities Capabilities() const;
  TkvShellFolderProperties Properties() const;
  bool IsFolder(bool openZipFiles) const;
  bool IsFile(bool openZipFiles) const;
  // Only with fcCanRename; a refused rename raises "Rename to %s failed".
  bool Rename(const String& newName);
  void ExecuteDefault() const;

  LPITEMIDLIST FPIDL = nullptr;      // owned
  LPITEMIDLIST FFullPIDL = nullptr;  // owned
  Integer FLevel = 0;
  std::unique_ptr<TStringList> FDetails;
  HWND FViewHandle = nullptr;
  TkvShellFolder* FParent = nullptr;
  IShellFolder* FIShellFolder = nullptr;  // a reference held
};

// Module objects, made by the first call after the start-up (null before it and after the
// clean-up). GUI thread only.
TkvShellFolder* DesktopFolder();
HIMAGELIST SysSmallImages();
TsAlphaImageList* SysSmallImageList();
extern bool UseAllFolderAttributes;
extern Integer nFolder;

void kvShellCtrlsStartup();
void kvShellCtrlsCleanup();

#endif
