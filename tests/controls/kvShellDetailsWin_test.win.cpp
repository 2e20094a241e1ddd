// Column texts of shell items against a folder the test makes (the shell is the system's own),
// and the directory watcher thread: changes reported on the GUI thread, slots, new settings,
// and its end.
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

#include "controls/kvShellCtrls.h"
#include "ui/StringList.h"
#include "ui/SysUtils.h"
#include "ui/Threads.h"

namespace {

// A folder of the test's own under the temporary folder, removed with what it holds.
class TempFolder {
 public:
  explicit TempFolder(const wchar_t* name) {
    wchar_t tmp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, tmp);
    path_ = std::wstring(tmp) + L"tw-shell-" + std::to_wstring(GetCurrentProcessId()) + L"-" + name;
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~TempFolder() {
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileW((path_ + L"\\*").c_str(), &d);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring item = path_ + L"\\" + d.cFileName;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          if (wcscmp(d.cFileName, L".") && wcscmp(d.cFileName, L"..")) RemoveDirectoryW(item.c_str());
        } else {
          DeleteFileW(item.c_str());
        }
      } while (FindNextFileW(h, &d));
      FindClose(h);
    }
    RemoveDirectoryW(path_.c_str());
  }
  // A file of that many bytes in the folder.
  void Write(const wchar_t* name, DWORD bytes) const {
    HANDLE f = CreateFileW((path_ + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    std::string data(bytes, 'x');
    DWORD written = 0;
    WriteFile(f, data.data(), bytes, &written, nullptr);
    CloseHandle(f);
  }
  const std::wstring& Path() const { return path_; }
  String Name() const { return String(reinterpret_cast<const Char*>(path_.c_str())); }

 private:
  std::wstring path_;
};

class ShellDetails : public testing::Test {
 protected:
  void SetUp() override {
    kvShellCtrlsStartup();
    desktop = DesktopShellFolder();
  }
  void TearDown() override {
    if (desktop) desktop->Release();
    kvShellCtrlsCleanup();
  }
  // The absolute identifier list of a path (the caller disposes it).
  LPITEMIDLIST Parse(const std::wstring& path) {
    LPITEMIDLIST pidl = nullptr;
    std::wstring copy = path;
    EXPECT_EQ(desktop->ParseDisplayName(nullptr, nullptr, copy.data(), nullptr, &pidl, nullptr), S_OK);
    return pidl;
  }
  // The folder interface of an absolute identifier list (a new reference).
  IShellFolder* Bind(LPCITEMIDLIST pidl) {
    void* folder = nullptr;
    EXPECT_EQ(desktop->BindToObject(pidl, nullptr, IID_IShellFolder, &folder), S_OK);
    return static_cast<IShellFolder*>(folder);
  }
  IShellFolder* desktop = nullptr;
};

String ColumnText(IShellFolder2* folder, LPCITEMIDLIST child, UINT column) {
  SHELLDETAILS d{};
  if (FAILED(folder->GetDetailsOf(child, column, &d))) return u"<none>";
  // The system's own reading of the answer (it may come in any of the STRRET forms).
  wchar_t* raw = nullptr;
  if (FAILED(StrRetToStrW(&d.str, child, &raw)) || !raw) return u"<none>";
  String text(reinterpret_cast<const Char*>(raw));
  CoTaskMemFree(raw);
  return text;
}

}  // namespace

TEST_F(ShellDetails, AFolderGivesTheColumnTextsOfItsItemsThroughItsDetailInterface) {
  TempFolder dir(L"columns");
  dir.Write(L"alpha.txt", 1234);
  LPITEMIDLIST abs = Parse(dir.Path());
  ASSERT_NE(abs, nullptr);
  IShellFolder* sf = Bind(abs);
  ASSERT_NE(sf, nullptr);
  {
    TkvShellFolder item(nullptr, sf, abs);
    IUnknown* details = item.GetDetailInterface();
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(item.GetDetailInterface(), details);  // fetched once
    IShellFolder2* sf2 = item.GetShellFolder2();
    ASSERT_NE(sf2, nullptr);
    EXPECT_EQ(details, static_cast<IUnknown*>(sf2));  // IShellFolder2 is preferred
    // Its column texts for the file: the name first, then something for the size.
    LPITEMIDLIST child = nullptr;
    wchar_t name[] = L"alpha.txt";
    ASSERT_EQ(sf->ParseDisplayName(nullptr, nullptr, name, nullptr, &child, nullptr), S_OK);
    const String first = ColumnText(sf2, child, 0), second = ColumnText(sf2, child, 1);
    EXPECT_EQ(first.rfind(u"alpha", 0), 0u) << first.size();
    EXPECT_NE(second.find_first_of(u"0123456789"), String::npos) << std::string(second.begin(), second.end());
    // Loaded into the item, they are its details from column 1 on.
    item.SetDetails(1, first);
    item.SetDetails(2, second);
    EXPECT_EQ(item.GetDetails(1), first);
    EXPECT_EQ(item.GetDetails(2), second);
    DisposePIDL(child);
  }
  sf->Release();
  DisposePIDL(abs);
}

TEST_F(ShellDetails, WithoutLoadedColumnsGetDetailsRaisesNamingTheItem) {
  TempFolder dir(L"unloaded");
  LPITEMIDLIST abs = Parse(dir.Path());
  ASSERT_NE(abs, nullptr);
  IShellFolder* sf = Bind(abs);
  {
    TkvShellFolder item(nullptr, sf, abs);
    const String name = item.DisplayName();
    ASSERT_FALSE(name.empty());
    try {
      item.GetDetails(1);
      ADD_FAILURE() << "no error raised";
    } catch (const Exception& e) { EXPECT_EQ(e.Message(), name + u": Missing call to LoadColumnDetails"); }
  }
  sf->Release();
  DisposePIDL(abs);
}

TEST_F(ShellDetails, SetDetailsReplacesAColumnOrAddsItAfterEmptyOnes) {
  TempFolder dir(L"set");
  LPITEMIDLIST abs = Parse(dir.Path());
  ASSERT_NE(abs, nullptr);
  {
    TkvShellFolder item(nullptr, nullptr, abs);
    item.SetDetails(1, u"a");
    item.SetDetails(2, u"b");
    item.SetDetails(2, u"B");  // the last column is replaced, not pushed on
    ASSERT_EQ(item.FDetails->Count(), 2);
    EXPECT_EQ(item.GetDetails(1), u"a");
    EXPECT_EQ(item.GetDetails(2), u"B");
    item.SetDetails(5, u"e");
    ASSERT_EQ(item.FDetails->Count(), 5);
    EXPECT_EQ(item.GetDetails(4), u"");
    EXPECT_EQ(item.GetDetails(5), u"e");
    EXPECT_THROW(item.SetDetails(0, u"x"), EStringListError);
    EXPECT_THROW(item.GetDetails(6), EStringListError);
  }
  DisposePIDL(abs);
}

namespace {
// A folder interface that is nothing more than an IShellFolder and offers no detail interface.
class PlainFolder : public IShellFolder {
 public:
  int askedForFolder2 = 0;
  ULONG refs = 1;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualIID(riid, IID_IShellFolder2)) ++askedForFolder2;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellFolder)) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, PIDLIST_RELATIVE*, ULONG*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT, PCUITEMID_CHILD_ARRAY, SFGAOF*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT, PCUITEMID_CHILD_ARRAY, REFIID, UINT*, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD, SHGDNF, STRRET*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD*) override {
    return E_NOTIMPL;
  }
};
}  // namespace

TEST_F(ShellDetails, AFolderInterfaceIsTakenForAnIShellFolder2OnlyWhenItSaysItIsOne) {
  TempFolder dir(L"plain");
  dir.Write(L"note.txt", 10);
  // A file: the desktop binds no folder interface to it.
  LPITEMIDLIST file = Parse(dir.Path() + L"\\note.txt");
  ASSERT_NE(file, nullptr);
  PlainFolder plain;
  {
    TkvShellFolder item(nullptr, &plain, file);
    EXPECT_EQ(item.GetDetailInterface(), nullptr);
    EXPECT_EQ(item.GetShellFolder2(), nullptr);
    EXPECT_EQ(item.GetShellDetails(), nullptr);
    EXPECT_GE(plain.askedForFolder2, 1);  // asked, not assumed
  }
  EXPECT_EQ(plain.refs, 1u);  // every reference taken was given back
  DisposePIDL(file);
}

// ---- the directory watcher ------------------------------------------------------------------

namespace {

struct ChangeCounter : TObject {
  int changes = 0;
  DWORD thread = 0;
  TObject* sender = nullptr;
  void Changed(TObject* s) {
    ++changes;
    thread = GetCurrentThreadId();
    sender = s;
  }
};

// Writes a new file into dir every 100 ms, running the calls handed to the GUI thread, until
// the counter moved or about 5 s passed. True when it moved.
bool ChangeSeen(const TempFolder& dir, ChangeCounter& counter) {
  const int before = counter.changes;
  for (int i = 0; i < 50 && counter.changes == before; ++i) {
    dir.Write((L"file" + std::to_wstring(i) + L".txt").c_str(), 3);
    CheckSynchronize(100);
    while (CheckSynchronize(0)) {}
  }
  return counter.changes != before;
}

// Runs the calls handed to the GUI thread for about ms.
void Settle(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) CheckSynchronize(20);
}

class ChangeThreads : public testing::Test {
 protected:
  void SetUp() override {
    SetMainThread();
    kvShellCtrlsStartup();
  }
  void TearDown() override { kvShellCtrlsCleanup(); }
};

}  // namespace

TEST_F(ChangeThreads, AChangeInTheDirectoryIsReportedOnTheGuiThreadAndFreeEndsTheThread) {
  TempFolder dir(L"watched");
  ChangeCounter counter;
  auto* t = new TkvShellChangeThread(TNotifyEvent(&counter, &ChangeCounter::Changed), dir.Name(), false);
  ASSERT_GE(t->Index(), 0);
  ASSERT_LT(size_t(t->Index()), ThreadsArray.size());
  EXPECT_EQ(ThreadsArray[size_t(t->Index())], t);
  t->Start();
  ASSERT_TRUE(ChangeSeen(dir, counter));
  EXPECT_EQ(counter.thread, GetCurrentThreadId());
  EXPECT_EQ(counter.sender, t);
  const Integer index = t->Index();
  t->Free();  // wakes the sleeping thread and joins it
  EXPECT_EQ(ThreadsArray[size_t(index)], nullptr);
}

TEST_F(ChangeThreads, FreedSlotsAreTakenAgainAndNewSettingsAreWatched) {
  TempFolder first(L"first"), second(L"second");
  ChangeCounter a, b;
  auto* t1 = new TkvShellChangeThread(TNotifyEvent(&a, &ChangeCounter::Changed), first.Name(), false);
  auto* t2 = new TkvShellChangeThread(TNotifyEvent(&b, &ChangeCounter::Changed), first.Name(), true);
  EXPECT_EQ(t2->Index(), t1->Index() + 1);
  const Integer freed = t1->Index();
  t1->Free();  // never started
  EXPECT_EQ(GetFreeIndex(), freed);
  auto* t3 = new TkvShellChangeThread(TNotifyEvent(&a, &ChangeCounter::Changed), first.Name(), false);
  EXPECT_EQ(t3->Index(), freed);
  EXPECT_TRUE(t2->WatchSubTree());
  t3->Start();
  ASSERT_TRUE(ChangeSeen(first, a));
  t3->SetDirectory(second.Name());
  EXPECT_EQ(t3->Directory(), second.Name());
  Settle(300);  // the watch moves to the second folder
  const int seen = a.changes;
  first.Write(L"ignored.txt", 5);
  Settle(500);
  EXPECT_EQ(a.changes, seen);  // the first folder is no longer watched
  ASSERT_TRUE(ChangeSeen(second, a));
  // A folder that does not exist leaves the thread waiting; it still ends when freed.
  t3->SetDirectory(second.Name() + u"\\missing");
  Settle(100);
  t3->Free();
  t2->Free();
}

TEST_F(ChangeThreads, TheCleanUpEndsRunningThreadsAndNoneCanBeMadeAfterIt) {
  TempFolder dir(L"cleanup");
  ChangeCounter counter;
  auto* t = new TkvShellChangeThread(TNotifyEvent(&counter, &ChangeCounter::Changed), dir.Name(), false);
  t->Start();
  ASSERT_TRUE(ChangeSeen(dir, counter));
  kvShellCtrlsCleanup();  // frees t, joined
  EXPECT_TRUE(ThreadsArray.empty());
  EXPECT_THROW(TkvShellChangeThread(TNotifyEvent(&counter, &ChangeCounter::Changed), dir.Name(), false), EThread);
  kvShellCtrlsStartup();  // for the tear-down
}
