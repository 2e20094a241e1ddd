// The skin list controller and its loading thread.
#include <windows.h>

#include "skin/sSkinManagerList.h"

#include "base/sMessages.h"
#include "images/kvAlphaImageList.h"
#include "skin/sSkinManager.h"
#include "skin/sStyleSimply.h"
#include "skin/sVclUtils.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"
#include "ui/Streams.h"
#include "ui/StringList.h"

namespace {

constexpr DWORD kTickMs = 12;

bool DirectoryPresent(const String& path) {
  const DWORD attr = GetFileAttributesW(reinterpret_cast<const wchar_t*>(path.c_str()));
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

String WithTrailingDelim(String path) {
  if (!path.empty() && path.back() != u'\\' && path.back() != u'/') path.push_back(u'\\');
  return path;
}

void BroadcastThreadStatus(intptr_t status) {
  TMessage message = MakeMessage(SM_ALPHACMD, uintptr_t{KV_SKINTHREADSTATUS} << 16, status);
  AppBroadCastS(message);
}

}  // namespace

String SkinNameOfFile(const String& fileName) {
  if (fileName.size() >= 4 && LowerCase(StringView(fileName).substr(fileName.size() - 4)) == u".kpz")
    return fileName.substr(0, fileName.size() - 4);
  return fileName;
}

// ---- The loading thread ------------------------------------------------------------------

void TkvAddThread::Wake() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    woken_ = true;
  }
  wake_.notify_all();
}

void TkvAddThread::Execute() {
  for (;;) {
    bool timedOut;
    {
      std::unique_lock<std::mutex> hold(lock_);
      timedOut = !wake_.wait_for(hold, std::chrono::milliseconds(kTickMs), [this] { return woken_; });
    }
    if (Terminated() || !timedOut || (Application && Application->Terminated())) return;
    TkvSkinListController* owner = FOwner;
    Synchronize([this, owner] {
      if (!Terminated()) owner->DoTimer();
    });
  }
}

void TkvSkinListController::ThreadFree::operator()(TkvAddThread* t) const {
  t->Terminate();
  t->Wake();
  t->Free();  // waits for it; the GUI thread serves its synchronized calls meanwhile
}

// ---- The controller ----------------------------------------------------------------------

TkvSkinListController::TkvSkinListController(DuRiruZireziv* owner)
    : ImgList(new TsAlphaImageList(owner)), SkinManager(owner) {
  ImgList->SetAllowScale(false);
  ImgList->SetHeight(100);
  ImgList->SetWidth(140);
}

TkvSkinListController::~TkvSkinListController() {
  Thread.reset();
  retired_.clear();
  CloseSearch();
  ImgList->Free();
}

bool TkvSkinListController::ThreadRunning() const {
  return Thread && Thread->Started() && !Thread->Terminated() && !Thread->Finished();
}

void TkvSkinListController::StopThread() {
  if (!Thread) return;
  Thread->Terminate();
  Thread->Wake();
  // Inside the thread's own tick it waits for this very call: it is freed later.
  if (inTimer_)
    retired_.push_back(std::move(Thread));
  else
    Thread.reset();
}

void TkvSkinListController::CloseSearch() {
  FindClose(FileInfo);
  FileInfo.Name.clear();
}

void TkvSkinListController::AddControl(TControl* ctrl) {
  if (!ctrl || CtrlIndex(ctrl) >= 0) return;
  Controls.push_back(ctrl);
  ctrl->Perform(SM_ALPHACMD, uintptr_t{KV_SKINLISTCHANGED} << 16, 0);
}

void TkvSkinListController::DelControl(TControl* ctrl) {
  const Integer i = CtrlIndex(ctrl);
  if (i >= 0) Controls[size_t(i)] = nullptr;
}

Integer TkvSkinListController::CtrlIndex(TControl* ctrl) const {
  for (size_t i = 0; i < Controls.size(); ++i)
    if (Controls[i] && Controls[i] == ctrl) return Integer(i);
  return -1;
}

bool TkvSkinListController::SkinsAllowed(TkvSkinsFilterItem filtType) const {
  return SkinManager->IsDesigning() || SkinManager->SkinsFilter().Contains(filtType);
}

void TkvSkinListController::ClearList(bool markOutOfDate, bool notify) {
  StopThread();
  SkinList.clear();
  ImgList->Clear();
  ImgList->CreateImgList();
  if (markOutOfDate) {
    UpdateNeeded = true;
    if (notify) SendListChanged();
  }
}

void TkvSkinListController::MarkOutOfDate() {
  StopThread();
  UpdateNeeded = true;
}

void TkvSkinListController::UpdateIfNeeded(bool forceUpdating) {
  if (UpdateNeeded) UpdateNeeded = !UpdateData(forceUpdating);
}

bool TkvSkinListController::UpdateData(bool updateNow) {
  if (SkinManager->IsLoading() || SkinManager->IsDestroying()) return false;
  DuRiruZireziv* def = DefaultManager;
  bool complete = true;
  if (def == SkinManager || !def || !SameText(SkinManager->SkinDirectory(), def->SkinDirectory())) {
    ClearList(false, true);
    TsStoredSkins* internal = SkinManager->InternalSkins();
    if (SkinsAllowed(sfiInternal) && internal && internal->Count() > 0) {
      if (updateNow) {
        for (Integer i = 0; i < internal->Count(); ++i) AddSkin(internal->Items(i)->Name(), i);
      } else {
        if (!ThreadRunning()) StartDelayedLoading();
        complete = false;
      }
    }
    if (SkinsAllowed(sfiExternal)) {
      sPath = WithTrailingDelim(SkinManager->GetFullSkinDirectory());
      if (DirectoryPresent(sPath)) {
        if (!FileInfo.SearchOpen()) DosCode = FindFirst(sPath + u"*.*", faDirectory, FileInfo);
        if (updateNow) {
          while (DosCode == 0) DosCode = AddSkinData();
          CloseSearch();
          UpdateNeeded = false;
        } else {
          if (!ThreadRunning()) StartDelayedLoading();
          complete = false;
        }
      } else if (FileInfo.SearchOpen()) {
        CloseSearch();
        UpdateNeeded = false;
      }
    }
  } else {
    // A second manager with the default manager's folder copies its list. The thumbnails are
    // copied into the platform list, which must exist for them.
    ImgList->Clear();
    ImgList->Handle();
    TkvSkinListController* source = def->SkinListController();
    source->CheckThread();
    source->UpdateIfNeeded(true);
    SkinList = source->SkinList;
    ImgList->CopyImages(source->ImgList);
    UpdateNeeded = false;
  }
  if (complete) SendListChanged();
  return true;
}

void TkvSkinListController::StartDelayedLoading() {
  StopThread();
  DosCode = 0;
  CurrentInternalIndex = 0;
  // A search opened for the thread is kept: its first entry is the first the thread adds.
  Thread.reset(new TkvAddThread(this));
  Thread->Start();
  BroadcastThreadStatus(1);
}

void TkvSkinListController::DoTimer() {
  if (!Thread || Thread->Terminated()) return;
  auto inside = SetForScope(inTimer_, true);
  TsStoredSkins* internal = SkinManager->InternalSkins();
  const bool internalAllowed = SkinsAllowed(sfiInternal) && internal;
  if (internalAllowed && CurrentInternalIndex < internal->Count()) {
    AddSkin(internal->Items(CurrentInternalIndex)->Name(), CurrentInternalIndex);
    ++CurrentInternalIndex;
    return;
  }
  if (SkinsAllowed(sfiExternal)) {
    if (!FileInfo.SearchOpen()) {
      sPath = WithTrailingDelim(SkinManager->GetFullSkinDirectory());
      DosCode = DirectoryPresent(sPath) ? FindFirst(sPath + u"*.*", faDirectory, FileInfo) : 1;
    }
    DosCode = AddSkinData();
    if (DosCode == 0) return;
  }
  // No work is left (the folder's last entry, or internal skins only): the thread ends.
  CloseSearch();
  StopThread();
  UpdateNeeded = false;
  SendListChanged();
}

Integer TkvSkinListController::AddSkinData() {
  if (!FileInfo.SearchOpen()) return 1;
  const String& name = FileInfo.Name;
  const bool packed = name.size() >= 4 && StringView(name).substr(name.size() - 4) == u".kpz";
  if (!name.empty() && name[0] != u'.' && !(FileInfo.Attr & faDirectory) && packed) AddSkin(name, -1);
  return FindNext(FileInfo);
}

void TkvSkinListController::AddSkin(const String& aName, Integer intIndex) {
  SkinList.push_back({smInternal, -1, aName});
  TkvSkinListData& entry = SkinList.back();
  TMemoryStream preview;
  bool found;
  if (intIndex < 0) {
    found = GetPreviewStream(preview, sPath + aName);
    entry.skName = SkinNameOfFile(aName);
    entry.skSkinMode = smExtPacked;
  } else {
    TsStoredSkin* skin = SkinManager->InternalSkins()->Items(intIndex);
    found = skin->PackedData && (skin->PackedData->SetPosition(0), GetPreviewStream(preview, *skin->PackedData));
    entry.skSkinMode = smInternal;
  }
  if (!found) return;
  ImgList->Handle();  // the platform list the thumbnail goes into
  if (ImgList->TryLoadFromPngStream(preview)) entry.skImageIndex = ImgList->GetCount() - 1;
}

void TkvSkinListController::CheckThread() {
  if (!ThreadRunning()) return;
  StopThread();
  TsStoredSkins* internal = SkinManager->InternalSkins();
  if (SkinsAllowed(sfiInternal) && internal)
    for (; CurrentInternalIndex < internal->Count(); ++CurrentInternalIndex)
      AddSkin(internal->Items(CurrentInternalIndex)->Name(), CurrentInternalIndex);
  if (SkinsAllowed(sfiExternal)) {
    if (!FileInfo.SearchOpen()) {
      sPath = WithTrailingDelim(SkinManager->GetFullSkinDirectory());
      DosCode = DirectoryPresent(sPath) ? FindFirst(sPath + u"*.*", faDirectory, FileInfo) : 1;
    }
    while (DosCode == 0) DosCode = AddSkinData();
  }
  CloseSearch();
  UpdateNeeded = false;
  BroadcastThreadStatus(0);
  SendListChanged();
}

void TkvSkinListController::SendListChanged() {
  for (TControl* ctrl : Controls)
    if (ctrl) ctrl->Perform(SM_ALPHACMD, uintptr_t{KV_SKINLISTCHANGED} << 16, 0);
  if (SkinManager->OnSkinListChanged) SkinManager->OnSkinListChanged(this);
}

void TkvSkinListController::SendSkinChanged() {
  for (TControl* ctrl : Controls) {
    if (!ctrl) continue;
    auto* win = dynamic_cast<TWinControl*>(ctrl);
    if (win && win->HandleAllocated())
      PostMessageW(win->WindowHandle(), SM_ALPHACMD, uintptr_t{KV_SKINCHANGED} << 16, 0);
    else
      ctrl->Perform(SM_ALPHACMD, uintptr_t{KV_SKINCHANGED} << 16, 0);
  }
}

// ---- The manager's name queries -------------------------------------------------------------

namespace {

// The listed skins that pass, in list order, into sl (its previous lines gone); the first
// name, then sl sorted.
template <class Pass>
String CollectSkinNames(TkvSkinListController& list, TStringList& sl, bool createDataObject, Pass pass) {
  list.CheckThread();
  list.UpdateIfNeeded(true);
  sl.Clear();
  if (createDataObject) sl.SetOwnsObjects(true);
  for (const TkvSkinListData& entry : list.SkinList) {
    if (!pass(entry)) continue;
    TkvItemDrawDataObj* data = nullptr;
    if (createDataObject) {
      data = new TkvItemDrawDataObj();
      data->ImageIndex = entry.skImageIndex;
    }
    sl.AddObject(entry.skName, data);
  }
  const String first = sl.Count() > 0 ? sl[0] : String();
  sl.Sort();
  return first;
}

}  // namespace

String DuRiruZireziv::GetSkinNames(TStringList& sl, bool createDataObject, TkvSkinTypes skinType) {
  return CollectSkinNames(*FSkinListController, sl, createDataObject, [&](const TkvSkinListData& e) {
    switch (skinType) {
      case stUnpacked: return e.skSkinMode != smInternal;
      case stPacked: return e.skSkinMode == smInternal;
      default: return true;
    }
  });
}

String DuRiruZireziv::GetExternalSkinNames(TStringList& sl, bool createDataObject) {
  return CollectSkinNames(*FSkinListController, sl, createDataObject,
                          [](const TkvSkinListData& e) { return e.skSkinMode != smInternal; });
}

void DuRiruZireziv::InternalSkinsChanged() {
  if (FSkinListController) FSkinListController->MarkOutOfDate();
}

String GetSkinNames(DuRiruZireziv& manager, TStringList& sl, bool createDataObject, TkvSkinTypes skinType) {
  return manager.GetSkinNames(sl, createDataObject, skinType);
}

String GetExternalSkinNames(DuRiruZireziv& manager, TStringList& sl, bool createDataObject) {
  return manager.GetExternalSkinNames(sl, createDataObject);
}
