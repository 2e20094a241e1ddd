#include "app/MainForm.h"

#include <windows.h>
#include <shellapi.h>

#include <chrono>

#include "app/DownloadLogic.h"
#include "app/GzForm.h"
#include "app/ParseLogic.h"
#include "app/ShellExec.h"
#include "controls/kvProgressBar.h"
#include "controls/sButton.h"
#include "controls/sEdit.h"
#include "controls/sLabel.h"
#include "skin/sSkinManager.h"
#include "ui/Dialogs.h"
#include "ui/ScopeGuard.h"
#include "ui/Threads.h"
#include "ui/Timers.h"

// Sections: the download's state and file helpers, the form and its small handlers, the
// parse request, starting a download, progress and completion.

TForm1* Form1 = nullptr;

namespace {

const String kProgressCaption = u"下载进度";

// The current local date and time as a Unix time name.
String TimeName() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return IntToStr(UnixTimeOf(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond));
}

Int64 NowMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The class library's simple message box: one OK button, centred on the screen.
void Notice(const String& text) { ShowMessagePos(text, -1, -1); }

// Moves from to the first free candidate name (never over an existing file); true when the
// file has its final name. A name that fails for any other reason ends the attempts and the
// file stays where it is.
template <class Candidate>
bool MoveToFreeName(const String& from, Candidate candidate) {
  for (int n = 0; n < kMaxNameCandidates; ++n) {
    const String to = candidate(n);
    if (SameText(to, from)) return true;  // it already has that name
    const TRenameResult result = RenameFile(from, to);
    if (result != TRenameResult::TargetExists) return result == TRenameResult::Renamed;
  }
  return false;
}

}  // namespace

// One download from its start to its end.
struct TDownload {
  bool Audio = false;
  String SaveFolder;  // taken at the start
  String FileName;    // the title taken at the start
  String MPath;       // the temporary .mp4
  Int64 HeadLength = -1;
  std::unique_ptr<TFileStream> FileDown;   // video
  std::unique_ptr<TFileStream> FileDownM;  // audio
  std::unique_ptr<THTTPClient> DownHttp;
  TProgressCoalescer Progress;
  Int64 ShownCount = -1;  // the count the window shows; -1 before the first step
  // Catches up with a count whose step was skipped when no block follows it for a while.
  std::unique_ptr<TTimer> ProgressCatchUp;
  bool TempKept = false;  // the temporary file has been dealt with; it must not be deleted

  TFileStream* Stream() const { return Audio ? FileDownM.get() : FileDown.get(); }
  void CloseStream() {
    FileDown.reset();
    FileDownM.reset();
  }
  String TimeStem() const { return FileStemOf(MPath); }
  String FinalVideo(int n) const { return FinalFileCandidate(SaveFolder, FileName, u".mp4", n, TimeStem()); }
  String FinalAudio(int n) const { return FinalFileCandidate(SaveFolder, FileName, u".mp3", n, TimeStem()); }

  // Cancels a running transfer and waits for its worker, drops the calls it queued, closes
  // the file and, unless it was kept, deletes it.
  ~TDownload() {
    ProgressCatchUp.reset();
    DownHttp.reset();
    TThread::RemoveQueuedEvents(this);
    CloseStream();
    if (!TempKept && !MPath.empty()) RemoveFile(MPath);
  }
};

String ParseBaseUrl() {
  wchar_t buf[2048];
  DWORD n = GetEnvironmentVariableW(L"TARNWICK_PARSE_URL", buf, 2048);
  if (n == 0 || n >= 2048) return ResolveParseBaseUrl(nullptr);
  const String value(reinterpret_cast<const Char*>(buf), n);
  return ResolveParseBaseUrl(&value);
}

// ---- the form and its small handlers ------------------------------------------------------

TW_DEFINE_CLASS(TForm1) {
  b.Field(u"lbl1", &TForm1::lbl1);
  b.Field(u"edtJx", &TForm1::edtJx);
  b.Field(u"edtLj", &TForm1::edtLj);
  b.Field(u"btnJx", &TForm1::btnJx);
  b.Field(u"btnLj", &TForm1::btnLj);
  b.Field(u"sprgrsbr1", &TForm1::sprgrsbr1);
  b.Field(u"btnDown", &TForm1::btnDown);
  b.Field(u"btnDownM", &TForm1::btnDownM);
  b.Field(u"sknmngr1", &TForm1::sknmngr1);
  b.Method(u"FormCreate", &TForm1::FormCreate);
  b.Method(u"FormDestroy", &TForm1::FormDestroy);
  b.Method(u"edtJxMouseDown", &TForm1::edtJxMouseDown);
  b.Method(u"btnLjClick", &TForm1::btnLjClick);
  b.Method(u"btnJxClick", &TForm1::btnJxClick);
  b.Method(u"btnDownClick", &TForm1::btnDownClick);
  b.Method(u"btnDownMClick", &TForm1::btnDownMClick);
}

TForm1::TForm1(TComponent* owner) : TForm(owner) {}

TForm1::~TForm1() = default;

void TForm1::FormCreate(TObject*) {
  USEAgent =
      u"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/98.0.4758.139 "
      u"Safari/537.36";
  USEPath = FolderOf(Application->ExeName());
  sknmngr1->SetSkinDirectory(USEPath + u"\\data");
  sknmngr1->SetSkinName(u"Glimmerveil");
  edtLj->SetText(USEPath);
}

void TForm1::FormDestroy(TObject*) {
  // A transfer still running is cancelled; its worker has ended and its file is gone
  // before any field of the form goes.
  ReleaseDownload();
}

void TForm1::edtJxMouseDown(TObject*, TMouseButton, TShiftState, Integer, Integer) {
  if (edtJx->Text() != kLinkPlaceholder) return;
  edtJx->SetText(String());
  edtJx->Font()->SetColor(clBlack);
}

void TForm1::btnLjClick(TObject*) {
  String folder;
  if (!SelectDirectory(u"请选择文件保存路径", String(), folder, TSelectDirExtOpts{sdNewFolder, sdNewUI}, nullptr))
    return;
  edtLj->Font()->SetColor(clBlack);
  edtLj->SetText(folder);
}

// ---- the parse request ---------------------------------------------------------------------

void TForm1::btnJxClick(TObject*) {
  const String link = edtJx->Text();
  if (LinkIsMissing(link)) {
    Notice(u"请输入视频地址！");
    return;
  }
  const TNetHeaders headers{{u"Cookie", kParseCookie}};
  THTTPClient client;
  client.UserAgent = USEAgent;
  client.ContentType = kParseContentType;
  const std::string bodyText = BuildParseBody(link);
  TMemoryStream body;
  body.WriteBuffer(bodyText.data(), static_cast<Integer>(bodyText.size()));
  IHTTPResponse response = client.Post(ParseRequestUrl(ParseBaseUrl()), body, nullptr, headers);
  if (response->StatusCode() != 200) {
    DownLoadUrl.clear();
    Notice(u"解析失败！");
    return;
  }
  const String text = response->ContentAsString();
  if (AnswerAsksForLogin(text)) {
    Form3->ShowModal();
    return;
  }
  TParseResult r = TakeParseAnswer(text);  // an unusable answer raises and changes nothing
  FileName = r.FileName;
  DownLoadUrl = r.DownLoadUrl;
  if (!DownLoadUrl.empty()) Notice(u"解析成功，可以下载了！");
}

// ---- starting a download -------------------------------------------------------------------

void TForm1::btnDownClick(TObject*) { StartDownload(false); }

void TForm1::btnDownMClick(TObject*) { StartDownload(true); }

void TForm1::StartDownload(bool audio) {
  if (DownLoadUrl.empty()) {
    Notice(u"请先解析视频！");
    return;
  }
  if (FDownload) return;  // one at a time (the buttons are disabled meanwhile)
  const TNetHeaders headers{{u"Origin", ParseBaseUrl()}};
  Int64 headLength;
  {
    THTTPClient head;
    head.UserAgent = USEAgent;
    IHTTPResponse r;
    try {
      r = head.Head(DownLoadUrl, headers);
    } catch (const ENetHTTPException&) {
      // No answer at all (refused, cut, a certificate that is not trusted) fails like a
      // refusing one: the transport's own text means nothing to the user.
      r = IHTTPResponse();
    }
    if (!r || r->StatusCode() != 200) {
      Notice(u"下载失败，请稍后再试！");
      return;
    }
    headLength = r->ContentLength();
  }

  auto d = std::make_unique<TDownload>();
  d->Audio = audio;
  d->SaveFolder = edtLj->Text();
  d->FileName = FileName;
  d->HeadLength = headLength;
  d->DownHttp = std::make_unique<THTTPClient>();
  d->DownHttp->UserAgent = USEAgent;
  d->DownHttp->OnReceiveData = [this](THTTPClient* s, Int64 len, Int64 count, bool& abort) {
    downReceiveData(s, len, count, abort);
  };
  // The temporary file is made exclusively: a start within the same second takes the next
  // name instead of truncating the other download's file.
  const String timeName = TimeName();
  for (int n = 0;; ++n) {
    const String path = TempFileCandidate(d->SaveFolder, timeName, u".mp4", n);
    try {
      auto f = std::make_unique<TFileStream>(path, fmCreate | fmCreateNew);
      d->MPath = path;
      (audio ? d->FileDownM : d->FileDown) = std::move(f);
      break;
    } catch (const EFCreateError&) {
      if (!FileExists(path) || n + 1 >= kMaxNameCandidates) throw;
    }
  }

  sprgrsbr1->SetPosition(0);
  sprgrsbr1->SetMin(0);
  sprgrsbr1->SetMax(ProgressBarMax(headLength));
  sprgrsbr1->SetPosition(0);

  d->ProgressCatchUp = std::make_unique<TTimer>(nullptr);
  d->ProgressCatchUp->SetInterval(kProgressCatchUpMs);
  d->ProgressCatchUp->SetOnTimer(TNotifyEvent(this, &TForm1::ProgressCatchUpTick));

  TDownload* job = d.get();
  FDownload = std::move(d);  // from here on the download's end releases it (and its file)
  btnDown->SetEnabled(false);
  btnDownM->SetEnabled(false);
  // A transfer that does not start ends the download at once.
  TScopeExit endOnFailure([this] { EndDownload(); });
  TAsyncCallback done = audio ? TAsyncCallback([this](const IAsyncResult& r) { DownMCallBack(r); })
                              : TAsyncCallback([this](const IAsyncResult& r) { DownCallBack(r); });
  job->DownHttp->BeginGet(std::move(done), DownLoadUrl, *job->Stream(), headers);
  endOnFailure.Dismiss();
}

// ---- progress and completion -----------------------------------------------------------------

void TForm1::downReceiveData(THTTPClient*, Int64, Int64 AReadCount, bool&) {
  // FDownload does not change while its worker runs: it is set before the transfer starts
  // and released only after the worker has been waited for.
  TDownload* d = FDownload.get();
  if (d->Progress.Report(AReadCount, NowMicros())) TThread::Queue(d, [this, d] { ShowProgress(d); });
}

void TForm1::ShowProgress(TDownload* d) {
  const Int64 count = d->Progress.Take();
  d->ShownCount = count;
  lbl1->SetCaption(ProgressLabel(count, d->HeadLength));
  sprgrsbr1->SetPosition(ProgressBarPosition(count, d->HeadLength));
}

void TForm1::ProgressCatchUpTick(TObject*) {
  TDownload* d = FDownload.get();
  // Only once the first step has shown: until then the label keeps its caption.
  if (d && d->ShownCount >= 0 && !d->Progress.StepPending() && d->Progress.Latest() != d->ShownCount) ShowProgress(d);
}

void TForm1::DownCallBack(const IAsyncResult& ASyncResult) {
  if (!ASyncResult->IsCompleted()) return;
  TDownload* d = FDownload.get();
  TThread::Queue(d, [this, d, ASyncResult] { FinishVideo(d, ASyncResult); });
}

void TForm1::DownMCallBack(const IAsyncResult& ASyncResult) {
  if (!ASyncResult->IsCompleted()) return;
  TDownload* d = FDownload.get();
  TThread::Queue(d, [this, d, ASyncResult] { FinishAudio(d, ASyncResult); });
}

namespace {

// A transfer counts only when it ended without a transport error, with status 200, and with
// at least the bytes the HEAD answer announced.
bool TransferComplete(const TDownload& d, const IAsyncResult& r) {
  if (r->IsCancelled() || !r->ErrorText().empty() || r->Response().StatusCode() != 200) return false;
  return d.HeadLength < 0 || r->ReceivedCount() >= d.HeadLength;
}

}  // namespace

void TForm1::FinishVideo(TDownload* d, const IAsyncResult& r) {
  if (d != FDownload.get()) return;
  ShowProgress(d);  // the final count, whatever steps were skipped
  if (!TransferComplete(*d, r)) return FailDownload();
  d->CloseStream();
  d->TempKept = true;
  MoveToFreeName(d->MPath, [d](int n) { return d->FinalVideo(n); });
  OpenSaveFolder(d->SaveFolder);
  sprgrsbr1->SetPosition(sprgrsbr1->Max());
  EndDownload();
}

void TForm1::FinishAudio(TDownload* d, const IAsyncResult& r) {
  if (d != FDownload.get()) return;
  ShowProgress(d);
  if (!TransferComplete(*d, r)) return FailDownload();
  d->CloseStream();
  d->TempKept = true;

  // The converter never overwrites: the temporary AAC name is one that does not exist yet.
  const String timeName = TimeName();
  String aac;
  for (int n = 0; n < kMaxNameCandidates && (aac.empty() || FileExists(aac)); ++n)
    aac = TempFileCandidate(d->SaveFolder, timeName, u".aac", n);
  const String converter = USEPath + u"\\data\\ffmpeg.exe";
  bool converted = false;
  try {
    converted = ShellExecAndWait(converter, ConverterParameters(d->MPath, aac), u"", SW_HIDE, u"") == 0;
  } catch (const EShellExecError&) {
    // A converter that cannot be started, or whose end cannot be read, has failed like one
    // that reports an error: whatever it wrote is not trusted.
  }

  if (converted && FileSize(aac) > 0) {
    Notice(u"音频下载完成！");
    // The video goes only once the audio has its final name.
    if (MoveToFreeName(aac, [d](int n) { return d->FinalAudio(n); })) RemoveFile(d->MPath);
  } else {
    Notice(u"音频提取失败！");
    RemoveFile(aac);
    MoveToFreeName(d->MPath, [d](int n) { return d->FinalVideo(n); });
  }
  sprgrsbr1->SetPosition(sprgrsbr1->Max());
  const String folder = d->SaveFolder;
  EndDownload();
  OpenSaveFolder(folder);
}

void TForm1::FailDownload() {
  EndDownload();  // the file is closed and deleted with the download
  sprgrsbr1->SetPosition(0);
  lbl1->SetCaption(kProgressCaption);
  Notice(u"下载失败，请稍后再试！");
}

void TForm1::ReleaseDownload() {
  if (!FDownload) return;
  // The worker reads FDownload until it has ended: stop it while the download is still the
  // form's (a plain reset would clear the pointer before the download's destructor waits).
  FDownload->DownHttp.reset();
  FDownload.reset();
}

void TForm1::EndDownload() {
  ReleaseDownload();
  btnDown->SetEnabled(true);
  btnDownM->SetEnabled(true);
}

void TForm1::OpenSaveFolder(const String& folder) {
  ShellExecuteW(Handle(), L"open", L"Explorer.exe", WideStr(folder), nullptr, SW_SHOWNORMAL);
}
