// TForm1: the main window. The share link and the save folder, the parse request that turns
// the link into a title and a download address, and the video and audio downloads.
//
// One download runs at a time: while it transfers or converts, both download buttons are
// disabled. Its state (client, file, temporary path, and the title and save folder taken at
// its start) lives in one TDownload, so nothing done meanwhile in the window redirects it.
// The transfer runs on the HTTP client's worker; its progress (at most about 60 steps a
// second) and its end are queued to the GUI thread with the download as their target.
#pragma once

#ifdef _WIN32

#include <memory>

#include "ui/Forms.h"
#include "ui/HttpClient.h"

class TsButton;
class TsEdit;
class TsLabel;
class TsProgressBar;
class DuRiruZireziv;
struct TDownload;

// The base address of the video-parse service: TARNWICK_PARSE_URL when it is set, else the
// default (ParseLogic.h).
String ParseBaseUrl();

class TForm1 : public TForm {
  TW_CLASS(TForm1, TForm)
  explicit TForm1(TComponent* owner);
  ~TForm1() override;

  TsLabel* lbl1 = nullptr;
  TsEdit* edtJx = nullptr;
  TsEdit* edtLj = nullptr;
  TsButton* btnJx = nullptr;
  TsButton* btnLj = nullptr;
  TsProgressBar* sprgrsbr1 = nullptr;
  TsButton* btnDown = nullptr;
  TsButton* btnDownM = nullptr;
  DuRiruZireziv* sknmngr1 = nullptr;

  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void edtJxMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  void btnLjClick(TObject* Sender);
  void btnJxClick(TObject* Sender);
  void btnDownClick(TObject* Sender);
  void btnDownMClick(TObject* Sender);
  // Worker thread: hands the count to the GUI thread when a step is due.
  void downReceiveData(THTTPClient* Sender, Int64 AContentLength, Int64 AReadCount, bool& AAbort);
  // Worker thread: hand the end of the transfer to the GUI thread.
  void DownCallBack(const IAsyncResult& ASyncResult);
  void DownMCallBack(const IAsyncResult& ASyncResult);

  // What the parse request left, and whether a download runs (read by tests).
  const String& ParsedFileName() const { return FileName; }
  const String& ParsedDownLoadUrl() const { return DownLoadUrl; }
  bool Downloading() const { return FDownload != nullptr; }

 private:
  void StartDownload(bool audio);
  void ShowProgress(TDownload* download);
  void ProgressCatchUpTick(TObject* Sender);
  void FinishVideo(TDownload* download, const IAsyncResult& result);
  void FinishAudio(TDownload* download, const IAsyncResult& result);
  // Ends a transfer that failed: its file goes, the progress is reset, the user is told.
  void FailDownload();
  // Releases the download: its client first, so that its worker has ended.
  void ReleaseDownload();
  // Releases the download and gives the buttons back.
  void EndDownload();
  void OpenSaveFolder(const String& folder);

  String USEAgent;
  String USEPath;
  String FileName;
  String DownLoadUrl;
  std::unique_ptr<TDownload> FDownload;
};

extern TForm1* Form1;

#endif
