#include "HttpClient.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "LateBinding.h"
#include "ScopeGuard.h"
#include "WinHandles.h"

// Sections: the WinHTTP functions, handles and errors, the request state shared with WinHTTP, one transfer driven
// step by step, the client.
//
// Every request, also the synchronous ones, is made by the request's caller thread with
// WinHTTP's synchronous calls, while the driving thread waits for "step done" or "abort".
// Closing a request handle does not end a read that waits for a silent server (on Wine it
// waits for the server or the receive time-out), so a cancelled transfer never waits for
// WinHTTP: it tells the caller thread to close the handles after its current call and
// leaves. Synchronous calls, because Wine's asynchronous API completes each 8 KiB piece
// through a thread of its own, which made reading a third as fast.

// ---- the WinHTTP functions -------------------------------------------------------------

namespace {

// WinHTTP is bound by the first request, not imported: the program's start-up has no use
// for it, and loading it (with the network libraries it pulls in) costs start-up time.
struct TWinHttpApi {
  TLateLibrary library{L"winhttp.dll"};
  TLateProc<decltype(WinHttpCloseHandle)> CloseHandle{library, "WinHttpCloseHandle"};
  TLateProc<decltype(WinHttpConnect)> Connect{library, "WinHttpConnect"};
  TLateProc<decltype(WinHttpCrackUrl)> CrackUrl{library, "WinHttpCrackUrl"};
  TLateProc<decltype(WinHttpOpen)> Open{library, "WinHttpOpen"};
  TLateProc<decltype(WinHttpOpenRequest)> OpenRequest{library, "WinHttpOpenRequest"};
  TLateProc<decltype(WinHttpQueryDataAvailable)> QueryDataAvailable{library, "WinHttpQueryDataAvailable"};
  TLateProc<decltype(WinHttpQueryHeaders)> QueryHeaders{library, "WinHttpQueryHeaders"};
  TLateProc<decltype(WinHttpReadData)> ReadData{library, "WinHttpReadData"};
  TLateProc<decltype(WinHttpReceiveResponse)> ReceiveResponse{library, "WinHttpReceiveResponse"};
  TLateProc<decltype(WinHttpSendRequest)> SendRequest{library, "WinHttpSendRequest"};
  TLateProc<decltype(WinHttpSetOption)> SetOption{library, "WinHttpSetOption"};
  TLateProc<decltype(WinHttpSetStatusCallback)> SetStatusCallback{library, "WinHttpSetStatusCallback"};
  std::atomic<bool> bound{false};

  // Binds every function at once, so that a missing one fails a request before it starts
  // (as the transport failing) rather than half-way through it.
  void BindAll() {
    if (bound.load(std::memory_order_acquire)) return;
    try {
      CloseHandle.Get(), Connect.Get(), CrackUrl.Get(), Open.Get(), OpenRequest.Get(), QueryDataAvailable.Get();
      QueryHeaders.Get(), ReadData.Get(), ReceiveResponse.Get(), SendRequest.Get(), SetOption.Get();
      SetStatusCallback.Get();
    } catch (const ELateBindingError& e) { throw ENetHTTPException(e.Message()); }
    bound.store(true, std::memory_order_release);
  }
};

TWinHttpApi& WinHttp() {
  static TWinHttpApi api;
  api.BindAll();
  return api;
}

// ---- handles and errors ---------------------------------------------------------------

struct TWinHttpHandleTraits {
  using Handle = HINTERNET;
  static HINTERNET Invalid() { return nullptr; }
  static void Close(HINTERNET h) { WinHttp().CloseHandle(h); }
};
using WinHttpHandle = TUniqueHandle<TWinHttpHandleTraits>;

String ErrorText(const char* what, DWORD code) {
  wchar_t* buf = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           GetModuleHandleW(L"winhttp.dll"), code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  String reason;
  if (n && buf) reason = Trim(StringView(reinterpret_cast<const Char*>(buf), n));
  if (buf) LocalFree(buf);
  String text = AsciiToString(what) + u": (" + IntToStr(code) + u")";
  if (!reason.empty()) text += u" " + reason;
  return text;
}

bool HasLineBreak(StringView s) { return s.find_first_of(u"\r\n") != StringView::npos; }

// ---- the request state shared with WinHTTP ---------------------------------------------

// A step that hears nothing for this long fails as timed out (the system's own receive
// timeout is 30 s; this is the last guard against a completion that never comes).
constexpr DWORD kStepTimeoutMs = 60000;

// One reference belongs to the request handle (dropped when WinHTTP reports it closing), one
// to the thread that drives the request.
struct RequestState {
  std::atomic<int> refs{1};
  TOwnedEvent stepDone{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  std::atomic<DWORD> error{0};  // set when the step failed
  // The step that ended. Under load, Wine was seen to signal our events when nothing had
  // happened and to lose a signal: the flags decide, the event only wakes.
  std::atomic<DWORD> completed{0};
  std::string body;  // the request body: WinHTTP reads it while the send is pending
  // Reading (see ReadContent): what the caller thread has read waits in `pending` until the
  // driving thread takes it.
  std::atomic<bool> quitting{false};  // the driving thread has left: stop reading
  std::mutex pendingLock;
  std::condition_variable taken;  // the driving thread took what was pending
  std::vector<Byte> pending;
  bool contentEnded = false;  // under pendingLock: the content ended (or reading failed)

  void AddRef() { refs.fetch_add(1); }
  void Release() {
    if (refs.fetch_sub(1) == 1) delete this;
  }
};

// The calls are synchronous (see RequestCaller); the callback only hears the request handle
// close, which gives back the handle's reference to the state.
void CALLBACK StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID, DWORD) {
  auto* st = reinterpret_cast<RequestState*>(context);
  if (st && status == WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING) st->Release();
}

// ---- one transfer ------------------------------------------------------------------------

struct CrackedUrl {
  std::wstring host, path;
  INTERNET_PORT port = 0;
  bool secure = false;
};

CrackedUrl CrackUrl(const String& url) {
  URL_COMPONENTS uc{};
  uc.dwStructSize = sizeof(uc);
  uc.dwHostNameLength = uc.dwUrlPathLength = uc.dwExtraInfoLength = static_cast<DWORD>(-1);
  std::wstring w(url.begin(), url.end());
  if (url.empty() || HasLineBreak(url) || !WinHttp().CrackUrl(w.c_str(), static_cast<DWORD>(w.size()), 0, &uc) ||
      (uc.nScheme != INTERNET_SCHEME_HTTP && uc.nScheme != INTERNET_SCHEME_HTTPS) || uc.dwHostNameLength == 0)
    throw ENetURIException(u"Malformed URL: " + url);
  CrackedUrl c;
  c.host.assign(uc.lpszHostName, uc.dwHostNameLength);
  c.path.assign(uc.lpszUrlPath, uc.dwUrlPathLength);
  if (uc.lpszExtraInfo) c.path.append(uc.lpszExtraInfo, uc.dwExtraInfoLength);
  if (c.path.empty()) c.path = L"/";
  c.port = uc.nPort;
  c.secure = uc.nScheme == INTERNET_SCHEME_HTTPS;
  return c;
}

// The response headers as WinHTTP has them, the status line skipped.
TNetHeaders ResponseHeaders(HINTERNET req) {
  DWORD size = 0;
  WinHttp().QueryHeaders(req, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size,
                         WINHTTP_NO_HEADER_INDEX);
  std::wstring raw(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(raw.size() * sizeof(wchar_t));
  if (!WinHttp().QueryHeaders(req, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, raw.data(), &size,
                              WINHTTP_NO_HEADER_INDEX))
    return {};
  raw.resize(size / sizeof(wchar_t));
  TNetHeaders out;
  size_t start = raw.find(L"\r\n");
  while (start != std::wstring::npos && start + 2 < raw.size()) {
    start += 2;
    size_t end = raw.find(L"\r\n", start);
    std::wstring line = raw.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    size_t colon = line.find(L':');
    if (colon != std::wstring::npos)
      out.push_back({Trim(String(line.begin(), line.begin() + static_cast<ptrdiff_t>(colon))),
                     Trim(String(line.begin() + static_cast<ptrdiff_t>(colon) + 1, line.end()))});
    start = end;
  }
  return out;
}

Int64 ParseContentLength(StringView s) {
  if (s.empty()) return -1;
  Int64 v = 0;
  for (Char c : s) {
    if (c < u'0' || c > u'9') return -1;
    if (v > (INT64_MAX - 9) / 10) return -1;
    v = v * 10 + (c - u'0');
  }
  return v;
}

// A call on the caller thread has done its work: the driving thread hears of it.
BOOL Completed(RequestState* st, DWORD status) {
  st->completed = status;
  SetEvent(st->stepDone.get());
  return TRUE;
}

// The most that waits for the driving thread; reading pauses while it is full.
constexpr size_t kMaxPending = 256 * 1024;

// Runs on the caller thread and reads the whole content: asks WinHTTP what is there, reads
// exactly that, puts it into `pending` and wakes the driving thread when `pending` was empty,
// then asks again. A read never asks for more than is there: one that does waits until it has
// it (Wine's does), which would hold back what has come while the server goes quiet. The
// driving thread takes everything pending at once, so a fast transfer pays one hand-over for
// many pieces (Wine's WinHTTP buffers 8 KiB at a time) while every piece is handed over as
// soon as it is read; and the pieces follow one another without waiting for the hand-over.
BOOL ReadContent(HINTERNET r, RequestState* st) {
  std::vector<Byte> piece;
  auto failed = [st] {
    const DWORD error = GetLastError();
    st->error = error ? error : DWORD(ERROR_WINHTTP_INTERNAL_ERROR);
    SetEvent(st->stepDone.get());
  };
  while (!st->quitting) {
    DWORD available = 0;
    if (!WinHttp().QueryDataAvailable(r, &available)) {
      failed();
      break;
    }
    if (available == 0) break;
    piece.resize(available);
    DWORD got = 0;
    if (!WinHttp().ReadData(r, piece.data(), available, &got)) {
      failed();
      break;
    }
    if (got == 0) break;
    std::unique_lock hold(st->pendingLock);
    while (st->pending.size() >= kMaxPending && !st->quitting) st->taken.wait_for(hold, std::chrono::milliseconds(50));
    if (st->quitting) break;
    const bool wasEmpty = st->pending.empty();
    st->pending.insert(st->pending.end(), piece.begin(), piece.begin() + got);
    hold.unlock();
    if (wasEmpty) SetEvent(st->stepDone.get());
  }
  {
    std::lock_guard hold(st->pendingLock);
    st->contentEnded = true;
  }
  SetEvent(st->stepDone.get());
  return TRUE;
}

// Makes every call on one request from a thread of its own and closes the handles when told
// to quit, once its current call has returned: the thread that must stay free to stop a
// transfer never calls WinHTTP on the request itself. A call that fails is reported like a
// step that failed.
class RequestCaller {
 public:
  RequestCaller(HINTERNET session, HINTERNET connect, HINTERNET request, RequestState* st)
      : shared_(std::make_shared<Shared>()) {
    shared_->session = session;
    shared_->connect = connect;
    shared_->request = request;
    shared_->st = st;
    st->AddRef();  // the thread's, given back when it ends
    std::thread([s = shared_] { Loop(*s); }).detach();
  }
  ~RequestCaller() { Quit(); }
  RequestCaller(const RequestCaller&) = delete;
  RequestCaller& operator=(const RequestCaller&) = delete;

  void Call(std::function<BOOL(HINTERNET)> call) {
    std::lock_guard g(shared_->m);
    shared_->next = std::move(call);
    shared_->cv.notify_one();
  }
  // Returns at once; the handles close when the call in progress has returned.
  // The request handle, for queries between calls (it stays open until Quit).
  HINTERNET Handle() const { return shared_->request; }
  void Quit() {
    std::lock_guard g(shared_->m);
    if (shared_->quit) return;
    shared_->st->quitting = true;  // the state lives until the thread has seen quit
    shared_->quit = true;
    shared_->cv.notify_one();
  }

 private:
  struct Shared {
    std::mutex m;
    std::condition_variable cv;
    std::function<BOOL(HINTERNET)> next;
    bool quit = false;
    HINTERNET session = nullptr, connect = nullptr, request = nullptr;
    RequestState* st = nullptr;
  };

  static void Loop(Shared& s) {
    for (;;) {
      std::function<BOOL(HINTERNET)> call;
      {
        std::unique_lock l(s.m);
        s.cv.wait(l, [&] { return s.quit || s.next; });
        if (s.quit) break;
        call = std::move(s.next);
        s.next = nullptr;
      }
      if (!call(s.request)) {
        const DWORD err = GetLastError();
        s.st->error = err ? err : ERROR_WINHTTP_INTERNAL_ERROR;
        SetEvent(s.st->stepDone.get());
      }
    }
    WinHttp().CloseHandle(s.request);
    WinHttp().CloseHandle(s.connect);
    WinHttp().CloseHandle(s.session);
    s.st->Release();
  }

  std::shared_ptr<Shared> shared_;
};

}  // namespace

// What one request needs and what it yields.
struct THTTPTransfer {
  String agent;
  std::wstring method;
  CrackedUrl url;
  std::wstring headers;  // "Name: Value\r\n" ...
  std::string body;
  TStream* sink = nullptr;  // nullptr: keep the content in the response
  bool readContent = true;  // false for HEAD
  TReceiveDataEvent onReceiveData;
  THTTPClient* sender = nullptr;
  TOwnedEvent abort;                  // signalled to stop the transfer; none: cannot be stopped
  std::atomic<bool> aborting{false};  // set before abort is signalled
  IAsyncResult result = std::make_shared<THTTPAsyncResult>();

  void Run();

 private:
  // Starts a call on the request and waits until the completion `done` ends it (false: it
  // failed, was stopped, or nothing came for kStepTimeoutMs).
  bool Step(RequestCaller& caller, RequestState* st, std::function<BOOL(HINTERNET)> call, DWORD done, const char* what);
  // Waits until `done` holds (false: the request failed, was stopped, or nothing came for
  // kStepTimeoutMs).
  bool Wait(RequestState* st, const std::function<bool()>& done, const char* what);
  void Fail(const char* what, DWORD code) {
    if (result->error_.empty()) result->error_ = ErrorText(what, code);
  }
};

bool THTTPTransfer::Step(RequestCaller& caller, RequestState* st, std::function<BOOL(HINTERNET)> call, DWORD done,
                         const char* what) {
  st->completed = 0;
  caller.Call(std::move(call));
  return Wait(
      st, [st, done] { return st->completed == done; }, what);
}

bool THTTPTransfer::Wait(RequestState* st, const std::function<bool()>& done, const char* what) {
  HANDLE waits[2] = {st->stepDone.get(), abort.get()};
  const ULONGLONG deadline = GetTickCount64() + kStepTimeoutMs;
  for (;;) {
    if (aborting) {
      result->cancelled_ = true;
      return false;
    }
    if (const DWORD error = st->error) {
      Fail(what, error);
      return false;
    }
    if (done()) return true;
    if (GetTickCount64() >= deadline) {
      Fail(what, ERROR_WINHTTP_TIMEOUT);
      return false;
    }
    // Normally a signal ends the wait at once; the short slice only covers a lost one.
    WaitForMultipleObjects(abort ? 2 : 1, waits, FALSE, 50);
  }
}

void THTTPTransfer::Run() {
  THTTPResponse& response = *result->response_;
  WinHttpHandle session(WinHttp().Open(WideStr(agent), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return Fail("Error opening the session", GetLastError());
  WinHttpHandle connect(WinHttp().Connect(session.get(), url.host.c_str(), url.port, 0));
  if (!connect) return Fail("Error connecting", GetLastError());
  WinHttpHandle req(WinHttp().OpenRequest(connect.get(), method.c_str(), url.path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                          WINHTTP_DEFAULT_ACCEPT_TYPES, url.secure ? WINHTTP_FLAG_SECURE : 0));
  if (!req) return Fail("Error opening the request", GetLastError());

  auto* st = new RequestState;
  DWORD_PTR context = reinterpret_cast<DWORD_PTR>(st);
  if (!WinHttp().SetOption(req.get(), WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof(context)) ||
      WinHttp().SetStatusCallback(req.get(), StatusCallback, WINHTTP_CALLBACK_FLAG_HANDLES, 0) ==
          WINHTTP_INVALID_STATUS_CALLBACK) {
    Fail("Error opening the request", GetLastError());
    req.reset();  // without a callback nobody else holds the state
    st->Release();
    return;
  }
  // From here the caller thread owns the handles; the request handle keeps the state's first
  // reference until WinHTTP reports it closed.
  st->body = std::move(body);
  RequestCaller caller(session.release(), connect.release(), req.release(), st);
  TScopeExit quit([&caller] { caller.Quit(); });

  const DWORD bodySize = static_cast<DWORD>(st->body.size());
  const void* bodyData = bodySize ? st->body.data() : WINHTTP_NO_REQUEST_DATA;
  const wchar_t* headerText = headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str();
  const DWORD headerLength = static_cast<DWORD>(headers.size());
  auto send = [=](HINTERNET r) {
    return WinHttp().SendRequest(r, headerText, headerLength, const_cast<void*>(bodyData), bodySize, bodySize,
                                 context) &&
           Completed(st, WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE);
  };
  if (!Step(caller, st, send, WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE, "Error sending data")) return;
  auto receive = [st](HINTERNET r) {
    return WinHttp().ReceiveResponse(r, nullptr) && Completed(st, WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE);
  };
  if (!Step(caller, st, receive, WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE, "Error receiving data")) return;

  const HINTERNET request = caller.Handle();
  DWORD status = 0, size = sizeof(status);
  WinHttp().QueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                         &status, &size, WINHTTP_NO_HEADER_INDEX);
  response.statusCode_ = static_cast<Integer>(status);
  response.headers_ = ResponseHeaders(request);
  response.contentLength_ = ParseContentLength(response.HeaderValue(u"Content-Length"));
  if (!readContent) return;

  const bool report = onReceiveData && response.statusCode_ < 300;
  caller.Call([st](HINTERNET r) { return ReadContent(r, st); });
  std::vector<Byte> got;
  for (bool ended = false; !ended;) {
    auto ready = [st, &got, &ended] {
      std::lock_guard hold(st->pendingLock);
      if (st->pending.empty() && !st->contentEnded) return false;
      got.swap(st->pending);
      st->pending.clear();
      ended = st->contentEnded;
      st->taken.notify_one();
      return true;
    };
    if (!Wait(st, ready, "Error receiving data")) return;
    if (const DWORD error = st->error) return Fail("Error receiving data", error);
    if (got.empty()) continue;
    const auto size = static_cast<Integer>(got.size());
    if (sink) {
      if (sink->Write(got.data(), size) != size) {
        result->error_ = u"Error writing the answer: the stream took fewer bytes than it was given";
        return;
      }
    } else {
      if (static_cast<Int64>(response.content_.size()) + size > kMaxKeptContent) {
        result->error_ = u"Error receiving data: the answer is larger than " + IntToStr(kMaxKeptContent) + u" bytes";
        return;
      }
      response.content_.insert(response.content_.end(), got.begin(), got.end());
    }
    result->received_ += size;
    if (report) {
      bool stop = false;
      onReceiveData(sender, response.contentLength_, result->received_, stop);
      if (stop) {
        result->cancelled_ = true;
        return;
      }
    }
  }
  if (response.contentLength_ >= 0 && result->received_ < response.contentLength_)
    result->error_ = u"Error receiving data: the connection closed after " + IntToStr(result->received_) + u" of " +
                     IntToStr(response.contentLength_) + u" bytes";
}

// ---- the client ---------------------------------------------------------------------------

String THTTPResponse::HeaderValue(StringView name) const {
  for (const auto& h : headers_)
    if (SameText(h.Name, name)) return h.Value;
  return String();
}

THTTPClient::THTTPClient() = default;

THTTPClient::~THTTPClient() { Cancel(); }

namespace {

std::shared_ptr<THTTPTransfer> MakeTransfer(const String& agent, const wchar_t* method, const String& url,
                                            const TNetHeaders& headers, const String& contentType, bool withBody) {
  auto t = std::make_shared<THTTPTransfer>();
  if (HasLineBreak(agent)) throw ENetHTTPException(u"Invalid header value: " + agent);
  t->agent = agent;
  t->method = method;
  t->url = CrackUrl(url);
  auto add = [&](const String& name, const String& value) {
    if (name.empty() || HasLineBreak(name) || HasLineBreak(value) || name.find(u':') != String::npos)
      throw ENetHTTPException(u"Invalid header: " + name);
    String line = name + u": " + value + u"\r\n";
    t->headers.append(line.begin(), line.end());
  };
  if (withBody && !contentType.empty()) add(u"Content-Type", contentType);
  for (const auto& h : headers) add(h.Name, h.Value);
  return t;
}

IHTTPResponse Finish(const THTTPTransfer& t) {
  if (!t.result->ErrorText().empty()) throw ENetHTTPException(t.result->ErrorText());
  return t.result->ResponsePtr();
}

}  // namespace

IHTTPResponse THTTPClient::Head(const String& url, const TNetHeaders& headers) {
  auto t = MakeTransfer(UserAgent, L"HEAD", url, headers, ContentType, false);
  t->readContent = false;
  t->Run();
  return Finish(*t);
}

IHTTPResponse THTTPClient::Post(const String& url, TStream& body, TStream* response, const TNetHeaders& headers) {
  auto t = MakeTransfer(UserAgent, L"POST", url, headers, ContentType, true);
  body.SetPosition(0);
  const Int64 size = body.GetSize();
  if (size > kMaxKeptContent) throw ENetHTTPException("Error sending data: the body is too large");
  t->body.resize(static_cast<size_t>(size));
  if (size > 0) body.ReadBuffer(t->body.data(), static_cast<Integer>(size));
  t->sink = response;
  t->Run();
  return Finish(*t);
}

IAsyncResult THTTPClient::BeginGet(TAsyncCallback callback, const String& url, TStream& stream,
                                   const TNetHeaders& headers) {
  if (running_ && !running_->result->IsCompleted())
    throw EInvalidOperation("A request of this HTTP client is still running");
  JoinWorker();
  auto t = MakeTransfer(UserAgent, L"GET", url, headers, ContentType, false);
  t->sink = &stream;
  t->onReceiveData = OnReceiveData;
  t->sender = this;
  t->abort.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!t->abort) throw ENetHTTPException(ErrorText("Error starting the request", GetLastError()));
  running_ = t;
  worker_ = std::thread([t, callback = std::move(callback)] {
    t->Run();
    t->result->completed_ = true;
    if (callback) callback(t->result);
  });
  return t->result;
}

IHTTPResponse THTTPClient::EndAsyncHTTP(const IAsyncResult& result) {
  if (!result->IsCompleted()) throw EInvalidOperation("The request has not ended yet");
  if (result->IsCancelled()) throw ENetHTTPException("The request was cancelled");
  if (!result->ErrorText().empty()) throw ENetHTTPException(result->ErrorText());
  return result->ResponsePtr();
}

void THTTPClient::Cancel() {
  if (running_) {
    running_->aborting = true;
    SetEvent(running_->abort.get());
  }
  JoinWorker();
}

void THTTPClient::JoinWorker() {
  if (!worker_.joinable()) return;
  // A callback that releases its own client must not wait for itself.
  if (worker_.get_id() == std::this_thread::get_id())
    worker_.detach();
  else
    worker_.join();
}
