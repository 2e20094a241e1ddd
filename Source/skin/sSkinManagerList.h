// The list of skins a user could choose from: the manager's internal skins and the packed skin
// files (".kpz") of its skin folder, each with a 140 x 100 preview thumbnail. Rebuilding is
// lazy: changing the folder or the filter marks the list out of date, and UpdateData builds
// it either at once or, by default, one skin per 12 ms tick through a loading thread whose
// ticks run on the GUI thread. Folder skins (unpacked skins in subfolders) are not listed.
//
// The controller owns its loading thread: a thread it replaces or that it outlives is
// terminated and waited for (the GUI thread keeps serving the thread's synchronized calls
// meanwhile). The thread ends as soon as no work is left.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "skin/sSkinManagerOptions.h"
#include "ui/SysUtils.h"
#include "ui/Threads.h"

class DuRiruZireziv;
class TControl;
class TStringList;
class TsAlphaImageList;
class TkvSkinListController;

enum TkvSkinMode : Byte { smInternal, smExtPacked, smExtUnpacked };
// Which skins a name query takes: the skin folder's (stUnpacked), the internal ones (stPacked)
// or all.
enum TkvSkinTypes : Byte { stUnpacked, stPacked, stAllSkins };

struct TkvSkinListData {
  TkvSkinMode skSkinMode = smInternal;
  Integer skImageIndex = -1;  // index into the thumbnails, -1 without one
  String skName;              // the skin's name without its extension
};

// Sleeps 12 ms at a time and has the controller add one skin per tick on the GUI thread.
class TkvAddThread : public TThread {
 public:
  explicit TkvAddThread(TkvSkinListController* owner) : TThread(true), FOwner(owner) {}
  // Ends the thread's wait at once (after Terminate).
  void Wake();

 protected:
  void Execute() override;

 private:
  TkvSkinListController* FOwner;
  std::mutex lock_;
  std::condition_variable wake_;
  bool woken_ = false;
};

class TkvSkinListController : public TObject {
 public:
  explicit TkvSkinListController(DuRiruZireziv* owner);
  ~TkvSkinListController() override;
  TkvSkinListController(const TkvSkinListController&) = delete;
  TkvSkinListController& operator=(const TkvSkinListController&) = delete;

  // Registers a control once and sends it KV_SKINLISTCHANGED.
  void AddControl(TControl* ctrl);
  // Its entry becomes null (the array keeps its length).
  void DelControl(TControl* ctrl);
  Integer CtrlIndex(TControl* ctrl) const;

  void ClearList(bool markOutOfDate, bool notify);
  // Stops a running listing and marks the list out of date (it is rebuilt when next asked for).
  void MarkOutOfDate();
  void UpdateIfNeeded(bool forceUpdating);
  // Builds the list at once (updateNow) or starts the loading thread; True when built.
  bool UpdateData(bool updateNow);
  // Completes a running delayed load at once.
  void CheckThread();
  void SendListChanged();
  void SendSkinChanged();
  bool SkinsAllowed(TkvSkinsFilterItem filtType) const;
  void StartDelayedLoading();
  void AddSkin(const String& aName, Integer intIndex);
  // Adds the directory entry at hand when it is a packed skin; the next entry's search result.
  Integer AddSkinData();
  // One tick of the loading thread (GUI thread).
  void DoTimer();
  // A loader is running: started, and neither terminated nor ended.
  bool ThreadRunning() const;

  String sPath;               // the skin folder with its trailing separator, as last searched
  Integer DosCode = 0;        // result of the last search step (0: an entry is at hand)
  TsAlphaImageList* ImgList;  // the thumbnails (component of the manager; freed here)
  bool UpdateNeeded = true;
  TSearchRec FileInfo;  // the folder search in progress
  std::vector<TControl*> Controls;
  DuRiruZireziv* SkinManager;
  Integer CurrentInternalIndex = 0;
  std::vector<TkvSkinListData> SkinList;

  // The loader (null before the first); TThread::Free waits for it.
  struct ThreadFree {
    void operator()(TkvAddThread* t) const;
  };
  std::unique_ptr<TkvAddThread, ThreadFree> Thread;

 private:
  // Terminates the loader; it is freed at once unless its own tick is running, then later.
  void StopThread();
  void CloseSearch();
  bool inTimer_ = false;
  std::vector<std::unique_ptr<TkvAddThread, ThreadFree>> retired_;
};

// The skin name of a packed file name: the name without a trailing ".kpz" (any letter case).
String SkinNameOfFile(const String& fileName);

// The manager's GetSkinNames and GetExternalSkinNames.
String GetSkinNames(DuRiruZireziv& manager, TStringList& sl, bool createDataObject, TkvSkinTypes skinType);
String GetExternalSkinNames(DuRiruZireziv& manager, TStringList& sl, bool createDataObject);
