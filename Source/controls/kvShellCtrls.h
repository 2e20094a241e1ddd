// Shell items: item identifier lists (PIDLs) and their attributes, names and images, the
// wrapper of one shell item (TkvShellFolder) with its column texts, a directory watcher thread
// (TkvShellChangeThread), and two module objects made on first use after the start-up: the
// desktop folder's wrapper and an alpha image list over the system's small icons. The start-up
// initializes OLE for the GUI thread.
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
#include <vector>

#include "ui/StringList.h"
#include "ui/Threads.h"

class TsAlphaImageList;

TW_ENUM(TkvShellFolderCapability, fcCanCopy, fcCanDelete, fcCanLink, fcCanMove, fcCanRename, fcDropTarget,
        fcHasPropSheet)
using TkvShellFolderCapabilities = TSet<TkvShellFolderCapability>;
TW_ENUM(TkvShellFolderProperty, fpCut, fpIsLink, fpReadOnly, fpShared, fpFileSystem, fpFileSystemAncestor, fpRemovable,
        fpValidate)
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
// The column-detail interfaces of an item (new references, null when the shell has none): the
// folder is asked to bind to, give a UI object for and make a view object for IShellDetails,
// then the desktop to bind to it; for IShellFolder2 the desktop's binding comes first, then the
// folder's UI object and its binding.
IShellDetails* GetIShellDetails(IShellFolder* folder, LPCITEMIDLIST pidl, HWND handle);
IShellFolder2* GetIShellFolder2(IShellFolder* folder, LPCITEMIDLIST pidl, HWND handle);

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
  // The interface that gives the item's column texts (fetched once): IShellFolder2 when the
  // shell has one for it, else IShellDetails; null when it has neither. Not to be released.
  IUnknown* GetDetailInterface();
  IShellDetails* GetShellDetails();
  IShellFolder2* GetShellFolder2();
  // Column index (from 1) of the texts loaded for the item; raises when none were loaded.
  String GetDetails(Integer index) const;
  // Replaces column index, or adds it (after empty columns up to it) when the item has fewer.
  void SetDetails(Integer index, const String& value);

  LPITEMIDLIST FPIDL = nullptr;      // owned
  LPITEMIDLIST FFullPIDL = nullptr;  // owned
  Integer FLevel = 0;
  std::unique_ptr<TStringList> FDetails;
  HWND FViewHandle = nullptr;
  TkvShellFolder* FParent = nullptr;
  IShellFolder* FIShellFolder = nullptr;    // a reference held
  IShellFolder2* FIShellFolder2 = nullptr;  // references held once fetched
  IShellDetails* FIShellDetails = nullptr;
  IUnknown* FDetailInterface = nullptr;  // one of the two above
};

// Watches a directory (with its subtree when asked) and calls its change event on the GUI
// thread after each change there. It is registered in ThreadsArray while it lives; made
// suspended (Start() it) and freed with Free(), which wakes it and waits for its end.
class TkvShellChangeThread : public TThread {
 public:
  // Raises EThread before the module's start-up (its lock does not exist then).
  TkvShellChangeThread(TNotifyEvent changeEvent, const String& directory, bool watchSubTree);
  ~TkvShellChangeThread() override;
  void BeforeDestruction() override;
  // The watch starts again on the new settings.
  void SetDirectory(const String& directory);
  void SetWatchSubTree(bool watchSubTree);
  String Directory() const;
  bool WatchSubTree() const;
  // Its slot in ThreadsArray.
  Integer Index() const { return FIndex; }

 protected:
  void Execute() override;

 private:
  TNotifyEvent FChangeEvent;
  String FDirectory;  // the settings: read and written under the module's lock
  bool FWatchSubTree = false;
  HANDLE FWakeEvent = nullptr;  // auto-reset: the settings changed or the thread is to end
  Integer FIndex = -1;
};

// The change threads alive, each at the slot it took (empty slots are null).
extern std::vector<TkvShellChangeThread*> ThreadsArray;
// The first empty slot of ThreadsArray (its size when none is empty).
Integer GetFreeIndex();

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
