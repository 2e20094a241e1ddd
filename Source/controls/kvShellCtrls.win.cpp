#include "controls/kvShellCtrls.h"

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <utility>

#include "base/kvntUtils.h"
#include "images/kvAlphaImageList.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"
#include "ui/SysUtils.h"

std::vector<TkvShellChangeThread*> ThreadsArray;
bool UseAllFolderAttributes = true;
Integer nFolder = 0;  // the desktop

namespace {

struct TShellState {
  bool started = false;  // from the start-up to the clean-up
  bool built = false;    // the desktop's wrapper and the small-icon list were asked for
  std::unique_ptr<TkvShellFolder> desktop;
  HIMAGELIST smallImages = nullptr;
  std::unique_ptr<TsAlphaImageList> smallImageList;
  bool oleStarted = false;
  bool csMade = false;
  CRITICAL_SECTION cs{};
};
TShellState& State() {
  static TShellState state;
  return state;
}

// The desktop folder's wrapper and the system's small icons as an alpha image list (one that
// never destroys the system's list), made on first use while the module is started: asking
// the shell for them takes longer than loading a skin, and the program shows no shell control.
// GUI thread only, like every shell control.
TShellState& Built() {
  TShellState& s = State();
  if (!s.started || s.built) return s;
  s.built = true;  // first: the desktop's wrapper asks for its parent while it is made
  if (LPITEMIDLIST desktop = DesktopPIDL()) {
    IShellFolder* folder = nullptr;
    if (SUCCEEDED(SHGetDesktopFolder(&folder))) {
      s.desktop = std::make_unique<TkvShellFolder>(nullptr, folder, desktop);
      folder->Release();
    }
    DisposePIDL(desktop);
  }
  if (kvSHGetFileInfo) {
    SHFILEINFOW info{};
    s.smallImages = reinterpret_cast<HIMAGELIST>(
        kvSHGetFileInfo(L"C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (s.smallImages) {
      auto list = std::make_unique<TsAlphaImageList>(nullptr);
      list->SetShareImages(true);
      list->SetHandle(s.smallImages);
      ImageList_SetBkColor(s.smallImages, CLR_NONE);
      s.smallImageList = std::move(list);
    }
  }
  return s;
}

void Check(HRESULT hr) {
  if (FAILED(hr)) throw EOSError(u"Shell call failed (" + IntToStr(Int64(uint32_t(hr))) + u")");
}

// IShellDetails' interface id (the platform headers declare the interface without one).
constexpr GUID kShellDetailsId = {0x000214EC, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Holds the module's lock (the change threads' settings) for its scope.
class TSettingsLock {
 public:
  TSettingsLock() { EnterCriticalSection(&State().cs); }
  ~TSettingsLock() { LeaveCriticalSection(&State().cs); }
  TSettingsLock(const TSettingsLock&) = delete;
  TSettingsLock& operator=(const TSettingsLock&) = delete;
};

template <class T>
void ReleaseInto(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

ULONG Attributes(IShellFolder* parent, LPCITEMIDLIST pidl, ULONG asked) {
  if (!parent || !pidl) return 0;
  ULONG flags = asked;
  if (FAILED(parent->GetAttributesOf(1, &pidl, &flags))) return 0;
  return flags;
}

}  // namespace

// ---- identifier lists ---------------------------------------------------------------------------

LPITEMIDLIST CreatePIDL(size_t size) {
  auto* p = static_cast<LPITEMIDLIST>(CoTaskMemAlloc(size));
  if (!p) throw EOutOfResources(u"Out of memory");
  std::memset(p, 0, size);
  return p;
}

void DisposePIDL(LPITEMIDLIST pidl) {
  if (pidl) CoTaskMemFree(pidl);
}

LPITEMIDLIST CopyPIDL(LPCITEMIDLIST pidl) {
  const size_t size = GetPIDLSize(pidl);
  if (!size) return nullptr;
  LPITEMIDLIST copy = CreatePIDL(size);
  std::memcpy(copy, pidl, size);
  return copy;
}

LPITEMIDLIST ConcatPIDLs(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  const size_t sizeA = a ? GetPIDLSize(a) - 2 : 0;
  const size_t sizeB = GetPIDLSize(b);
  LPITEMIDLIST result = CreatePIDL(sizeA + (sizeB ? sizeB : 2));
  if (sizeA) std::memcpy(result, a, sizeA);
  if (sizeB) std::memcpy(reinterpret_cast<Byte*>(result) + sizeA, b, sizeB);
  return result;
}

IShellFolder* DesktopShellFolder() {
  IShellFolder* folder = nullptr;
  Check(SHGetDesktopFolder(&folder));
  return folder;
}

LPITEMIDLIST DesktopPIDL() {
  LPITEMIDLIST pidl = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, nFolder, &pidl))) return nullptr;
  return pidl;
}

// ---- attributes -------------------------------------------------------------------------------

TkvShellFolderCapabilities GetCaps(IShellFolder* parent, LPCITEMIDLIST pidl) {
  const ULONG f = Attributes(parent, pidl,
                             SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK | SFGAO_CANRENAME | SFGAO_CANDELETE |
                                 SFGAO_HASPROPSHEET | SFGAO_DROPTARGET);
  TkvShellFolderCapabilities caps;
  if (f & SFGAO_CANCOPY) caps.Include(fcCanCopy);
  if (f & SFGAO_CANDELETE) caps.Include(fcCanDelete);
  if (f & SFGAO_CANLINK) caps.Include(fcCanLink);
  if (f & SFGAO_CANMOVE) caps.Include(fcCanMove);
  if (f & SFGAO_CANRENAME) caps.Include(fcCanRename);
  if (f & SFGAO_DROPTARGET) caps.Include(fcDropTarget);
  if (f & SFGAO_HASPROPSHEET) caps.Include(fcHasPropSheet);
  return caps;
}

TkvShellFolderProperties GetProperties(IShellFolder* parent, LPCITEMIDLIST pidl) {
  TkvShellFolderProperties props;
  const ULONG f = Attributes(parent, pidl, UseAllFolderAttributes ? 0xFC000 : 0x38000);
  if (f & SFGAO_GHOSTED) props.Include(fpCut);
  if (f & SFGAO_LINK) props.Include(fpIsLink);
  if (f & SFGAO_READONLY) props.Include(fpReadOnly);
  if (f & SFGAO_SHARE) props.Include(fpShared);
  const ULONG g = Attributes(parent, pidl, 0);
  if (g & SFGAO_FILESYSTEM) props.Include(fpFileSystem);
  if (g & SFGAO_FILESYSANCESTOR) props.Include(fpFileSystemAncestor);
  if (g & SFGAO_REMOVABLE) props.Include(fpRemovable);
  if (g & SFGAO_VALIDATE) props.Include(fpValidate);
  return props;
}

bool GetIsFolder(IShellFolder* p, LPCITEMIDLIST pidl) { return Attributes(p, pidl, SFGAO_FOLDER) & SFGAO_FOLDER; }
bool GetIsLink(IShellFolder* p, LPCITEMIDLIST pidl) { return Attributes(p, pidl, SFGAO_LINK) & SFGAO_LINK; }
bool GetIsReadOnly(IShellFolder* p, LPCITEMIDLIST pidl) { return Attributes(p, pidl, SFGAO_READONLY) & SFGAO_READONLY; }
bool GetHasSubFolders(IShellFolder* p, LPCITEMIDLIST pidl) {
  return Attributes(p, pidl, SFGAO_HASSUBFOLDER) & SFGAO_HASSUBFOLDER;
}
bool GetIsFileFolder(IShellFolder* p, LPCITEMIDLIST pidl) {
  const ULONG f = Attributes(p, pidl, SFGAO_FILESYSTEM | SFGAO_FOLDER | SFGAO_LINK);
  return (f & SFGAO_FILESYSTEM) && (f & SFGAO_FOLDER) && !(f & SFGAO_LINK);
}
bool GetIsFile(IShellFolder* p, LPCITEMIDLIST pidl) {
  const ULONG f = Attributes(p, pidl, SFGAO_FILESYSTEM | SFGAO_FOLDER | SFGAO_LINK);
  return (f & SFGAO_FILESYSTEM) && !(f & SFGAO_FOLDER) && !(f & SFGAO_LINK);
}

// ---- names and images -------------------------------------------------------------------------

Integer GetShellImage(LPCITEMIDLIST pidl, bool large, bool open) {
  if (!kvSHGetFileInfo || !pidl) return 0;
  SHFILEINFOW info{};
  Cardinal flags = SHGFI_PIDL | SHGFI_SYSICONINDEX;
  if (open) flags |= SHGFI_OPENICON;
  if (!large) flags |= SHGFI_SMALLICON;
  kvSHGetFileInfo(reinterpret_cast<const wchar_t*>(pidl), 0, &info, sizeof info, flags);
  return info.iIcon;
}

String StrRetToString(LPCITEMIDLIST pidl, const STRRET& r) {
  String text;
  switch (r.uType) {
    case STRRET_WSTR:
      if (r.pOleStr) text = String(reinterpret_cast<const Char*>(r.pOleStr));
      break;
    case STRRET_OFFSET:
      if (pidl) {
        const char* start = reinterpret_cast<const char*>(pidl) + r.uOffset;
        const size_t end = pidl->mkid.cb > r.uOffset ? pidl->mkid.cb - r.uOffset : 0;
        size_t n = 0;
        while (n < end && start[n]) ++n;
        text = AsciiToString(std::string_view(start, n));
      }
      break;
    default: break;
  }
  return StripNumberedQuestionMarks(text);
}

namespace {
String NameOf(IShellFolder* folder, LPCITEMIDLIST pidl, DWORD flags) {
  STRRET r{};
  if (FAILED(folder->GetDisplayNameOf(pidl, flags, &r))) return String();
  String s = StrRetToString(pidl, r);
  if (r.uType == STRRET_WSTR) CoTaskMemFree(r.pOleStr);
  return s;
}
}  // namespace

String GetDisplayName(IShellFolder* folder, LPCITEMIDLIST pidl, DWORD flags, TkvShowExtension showExt) {
  if (!folder) return u"parentfolder = nil";
  String name = NameOf(folder, pidl, flags);
  if (showExt != seSystem) {
    const String path = NameOf(folder, pidl, SHGDN_FORPARSING);
    const DWORD attr = GetFileAttributesW(WideStr(path));
    if (attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY))
      name = ApplyShowExtension(name, ExtractFileExt(path), showExt);
  }
  if (name.rfind(u"::{", 0) == 0) name = NameOf(folder, pidl, 0);
  return name;
}

// ---- column details -----------------------------------------------------------------------------

IShellDetails* GetIShellDetails(IShellFolder* folder, LPCITEMIDLIST pidl, HWND handle) {
  void* found = nullptr;
  if (folder) {
    if (FAILED(folder->BindToObject(pidl, nullptr, kShellDetailsId, &found))) found = nullptr;
    if (!found && FAILED(folder->GetUIObjectOf(handle, 1, &pidl, kShellDetailsId, nullptr, &found))) found = nullptr;
    if (!found && FAILED(folder->CreateViewObject(handle, kShellDetailsId, &found))) found = nullptr;
  }
  if (!found) {
    IShellFolder* desktop = nullptr;
    if (SUCCEEDED(SHGetDesktopFolder(&desktop))) {
      if (FAILED(desktop->BindToObject(pidl, nullptr, kShellDetailsId, &found))) found = nullptr;
      desktop->Release();
    }
  }
  return static_cast<IShellDetails*>(found);
}

IShellFolder2* GetIShellFolder2(IShellFolder* folder, LPCITEMIDLIST pidl, HWND handle) {
  // Every system this runs on has IShellFolder2 (Windows 2000 and later), so no version is asked.
  void* found = nullptr;
  IShellFolder* desktop = nullptr;
  if (SUCCEEDED(SHGetDesktopFolder(&desktop))) {
    if (FAILED(desktop->BindToObject(pidl, nullptr, __uuidof(IShellFolder2), &found))) found = nullptr;
    desktop->Release();
  }
  if (folder) {
    if (!found && FAILED(folder->GetUIObjectOf(handle, 1, &pidl, __uuidof(IShellFolder2), nullptr, &found)))
      found = nullptr;
    if (!found && FAILED(folder->BindToObject(pidl, nullptr, __uuidof(IShellFolder2), &found))) found = nullptr;
  }
  return static_cast<IShellFolder2*>(found);
}

// ---- TkvShellFolder ---------------------------------------------------------------------------

TkvShellFolder::TkvShellFolder(TkvShellFolder* parent, IShellFolder* folder, LPCITEMIDLIST id)
    : FDetails(std::make_unique<TStringList>()), FIShellFolder(folder) {
  if (FIShellFolder) FIShellFolder->AddRef();
  FPIDL = CopyPIDL(id);
  if (!parent) parent = Built().desktop.get();
  FParent = parent;
  if (parent) {
    FFullPIDL = ConcatPIDLs(parent->FFullPIDL, id);
  } else {
    LPITEMIDLIST desktop = DesktopPIDL();
    FFullPIDL = ConcatPIDLs(desktop, id);
    DisposePIDL(desktop);
  }
  for (TkvShellFolder* p = parent; p; p = p->FParent) ++FLevel;
}

TkvShellFolder::~TkvShellFolder() {
  DisposePIDL(FPIDL);
  DisposePIDL(FFullPIDL);
  FDetailInterface = nullptr;
  ReleaseInto(FIShellFolder2);
  ReleaseInto(FIShellDetails);
  ReleaseInto(FIShellFolder);
}

IUnknown* TkvShellFolder::GetDetailInterface() {
  if (FDetailInterface || !FIShellFolder) return FDetailInterface;
  FIShellDetails = GetIShellDetails(FIShellFolder, FFullPIDL, FViewHandle);
  if (!FIShellDetails) {
    FIShellFolder2 = GetIShellFolder2(FIShellFolder, FFullPIDL, FViewHandle);
    // The item's own folder interface is taken only when it says it is an IShellFolder2.
    void* own = nullptr;
    if (!FIShellFolder2 && SUCCEEDED(FIShellFolder->QueryInterface(__uuidof(IShellFolder2), &own)))
      FIShellFolder2 = static_cast<IShellFolder2*>(own);
  }
  FDetailInterface = FIShellFolder2 ? static_cast<IUnknown*>(FIShellFolder2) : static_cast<IUnknown*>(FIShellDetails);
  return FDetailInterface;
}

IShellDetails* TkvShellFolder::GetShellDetails() {
  GetDetailInterface();
  return FIShellDetails;
}

IShellFolder2* TkvShellFolder::GetShellFolder2() {
  GetDetailInterface();
  return FIShellFolder2;
}

String TkvShellFolder::GetDetails(Integer index) const {
  if (FDetails->Count() == 0) throw Exception(DisplayName() + u": Missing call to LoadColumnDetails");
  return FDetails->Strings(index - 1);
}

void TkvShellFolder::SetDetails(Integer index, const String& value) {
  if (index <= FDetails->Count()) {  // below 1 the list raises its index error
    FDetails->SetStrings(index - 1, value);
    return;
  }
  while (FDetails->Count() < index - 1) FDetails->Add(String());
  FDetails->Add(value);
}

IShellFolder* TkvShellFolder::ParentShellFolder() const { return FParent ? FParent->FIShellFolder : FIShellFolder; }

String TkvShellFolder::PathName() const {
  IShellFolder* desktop = DesktopShellFolder();
  const String name = NameOf(desktop, FFullPIDL, SHGDN_FORPARSING);
  desktop->Release();
  return name;
}

String TkvShellFolder::DisplayName(TkvShowExtension showExt) const {
  IShellFolder* folder = ParentShellFolder();
  if (!folder) return u"?";
  return GetDisplayName(folder, FPIDL, SHGDN_INFOLDER, showExt);
}

Integer TkvShellFolder::ImageIndex(bool large) const { return GetShellImage(FFullPIDL, large, false); }
TkvShellFolderCapabilities TkvShellFolder::Capabilities() const { return GetCaps(ParentShellFolder(), FPIDL); }
TkvShellFolderProperties TkvShellFolder::Properties() const { return GetProperties(ParentShellFolder(), FPIDL); }

bool TkvShellFolder::IsFolder(bool openZipFiles) const {
  if (!openZipFiles && HasZipExtension(PathName())) return false;
  return GetIsFolder(ParentShellFolder(), FPIDL);
}

bool TkvShellFolder::IsFile(bool openZipFiles) const {
  if (!openZipFiles && HasZipExtension(PathName())) return true;
  return GetIsFile(ParentShellFolder(), FPIDL);
}

bool TkvShellFolder::Rename(const String& newName) {
  if (!Capabilities().Contains(fcCanRename)) return false;
  IShellFolder* folder = ParentShellFolder();
  LPITEMIDLIST renamed = nullptr;
  if (!folder || FAILED(folder->SetNameOf(FViewHandle, FPIDL, WideStr(newName), SHGDN_NORMAL, &renamed)))
    throw Exception(u"Rename to " + newName + u" failed");
  DisposePIDL(FPIDL);
  FPIDL = renamed;
  DisposePIDL(FFullPIDL);
  FFullPIDL = FParent ? ConcatPIDLs(FParent->FFullPIDL, FPIDL) : CopyPIDL(FPIDL);
  return true;
}

void TkvShellFolder::ExecuteDefault() const {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_INVOKEIDLIST;
  info.hwnd = Application ? Application->Handle() : nullptr;
  info.lpIDList = FFullPIDL;
  info.nShow = SW_SHOW;
  ShellExecuteExW(&info);
}

// ---- the directory watcher ------------------------------------------------------------------

Integer GetFreeIndex() {
  const auto slot = std::find(ThreadsArray.begin(), ThreadsArray.end(), nullptr);
  return Integer(slot - ThreadsArray.begin());
}

TkvShellChangeThread::TkvShellChangeThread(TNotifyEvent changeEvent, const String& directory, bool watchSubTree)
    : TThread(true), FChangeEvent(changeEvent), FDirectory(directory), FWatchSubTree(watchSubTree) {
  if (!State().csMade) throw EThread(u"The shell module is not started");
  FWakeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!FWakeEvent) throw EOSError(u"Cannot make the change thread's event (" + IntToStr(Int64(GetLastError())) + u")");
  FIndex = GetFreeIndex();
  if (FIndex == Integer(ThreadsArray.size()))
    ThreadsArray.push_back(this);
  else
    ThreadsArray[size_t(FIndex)] = this;
}

TkvShellChangeThread::~TkvShellChangeThread() {
  if (FIndex >= 0 && FIndex < Integer(ThreadsArray.size()) && ThreadsArray[size_t(FIndex)] == this)
    ThreadsArray[size_t(FIndex)] = nullptr;
  if (FWakeEvent) CloseHandle(FWakeEvent);
}

void TkvShellChangeThread::BeforeDestruction() {
  // The thread sleeps on its handles: it is woken so that it sees it is to end.
  Terminate();
  if (FWakeEvent) SetEvent(FWakeEvent);
  TThread::BeforeDestruction();
}

void TkvShellChangeThread::SetDirectory(const String& directory) {
  {
    TSettingsLock lock;
    FDirectory = directory;
  }
  SetEvent(FWakeEvent);
}

void TkvShellChangeThread::SetWatchSubTree(bool watchSubTree) {
  {
    TSettingsLock lock;
    FWatchSubTree = watchSubTree;
  }
  SetEvent(FWakeEvent);
}

String TkvShellChangeThread::Directory() const {
  TSettingsLock lock;
  return FDirectory;
}

bool TkvShellChangeThread::WatchSubTree() const {
  TSettingsLock lock;
  return FWatchSubTree;
}

void TkvShellChangeThread::Execute() {
  constexpr DWORD kWatched = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                             FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
  HANDLE notify = INVALID_HANDLE_VALUE;
  TScopeExit closed([&] {
    if (notify != INVALID_HANDLE_VALUE) FindCloseChangeNotification(notify);
  });
  bool restart = true;
  while (!Terminated()) {
    if (restart) {
      if (notify != INVALID_HANDLE_VALUE) FindCloseChangeNotification(std::exchange(notify, INVALID_HANDLE_VALUE));
      String directory;
      bool subTree = false;
      {
        TSettingsLock lock;
        directory = FDirectory;
        subTree = FWatchSubTree;
      }
      // A directory that cannot be watched (none, or gone) leaves the thread waiting for new settings.
      if (!directory.empty()) notify = FindFirstChangeNotificationW(WideStr(directory), subTree, kWatched);
      restart = false;
    }
    const HANDLE handles[2] = {FWakeEvent, notify};
    const DWORD count = notify != INVALID_HANDLE_VALUE ? 2 : 1;
    const DWORD woken = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
    if (woken == WAIT_OBJECT_0) {
      restart = true;
    } else if (woken == WAIT_OBJECT_0 + 1) {
      if (!Terminated() && FChangeEvent) Synchronize([this] { FChangeEvent.Call(this); });
      if (!FindNextChangeNotification(notify)) restart = true;
    } else {
      break;  // the wait itself failed: nothing more can be watched
    }
  }
}

// ---- module objects and start-up --------------------------------------------------------------

TkvShellFolder* DesktopFolder() { return Built().desktop.get(); }
HIMAGELIST SysSmallImages() { return Built().smallImages; }
TsAlphaImageList* SysSmallImageList() { return Built().smallImageList.get(); }

void kvShellCtrlsStartup() {
  TShellState& s = State();
  if (s.started) return;
  s.started = true;
  InitSysProc();
  InitializeCriticalSection(&s.cs);
  s.csMade = true;
  s.oleStarted = SUCCEEDED(OleInitialize(nullptr));
}

void kvShellCtrlsCleanup() {
  TShellState& s = State();
  // The change threads end first: they use the lock that goes below.
  for (size_t i = 0; i < ThreadsArray.size(); ++i)
    if (TkvShellChangeThread* t = ThreadsArray[i]) t->Free();
  ThreadsArray.clear();
  s.started = false;
  s.built = false;
  s.desktop.reset();
  if (s.csMade) DeleteCriticalSection(&s.cs);
  s.csMade = false;
  s.smallImageList.reset();
  s.smallImages = nullptr;
  if (s.oleStarted) OleUninitialize();
  s.oleStarted = false;
}
