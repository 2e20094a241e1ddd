// The class library's HTTP client over WinHTTP (Windows only; this header is portable).
//
// Synchronous requests (Head, Post) block the calling thread until the answer is complete.
// BeginGet runs a GET on a worker thread of its own, writes the content into the caller's
// stream, reports each received block through OnReceiveData (worker thread) and ends with
// one call of its completion callback (worker thread). The caller hands work to the GUI
// thread itself (TThread::Queue).
//
// Limits: a synchronous answer's content is kept in memory up to kMaxKeptContent bytes; a
// longer one fails with ENetHTTPException. Streamed content (BeginGet) has no limit.
// Cancelling (Cancel, or destroying the client) returns at once even when the server has
// stopped sending: the worker stops waiting and WinHTTP finishes its half on its own.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "Streams.h"
#include "SysUtils.h"

TW_DECLARE_EXCEPTION(ENetException, Exception);
TW_DECLARE_EXCEPTION(ENetURIException, ENetException);   // an address WinHTTP cannot read
TW_DECLARE_EXCEPTION(ENetHTTPException, ENetException);  // the transport failed

struct TNameValuePair {
  String Name;
  String Value;
};
using TNetHeaders = std::vector<TNameValuePair>;

constexpr Int64 kMaxKeptContent = 64 * 1024 * 1024;

// The answer's status line, headers and (for synchronous requests) content.
class THTTPResponse {
 public:
  Integer StatusCode() const { return statusCode_; }
  // The Content-Length header's value; -1 when absent or not a number.
  Int64 ContentLength() const { return contentLength_; }
  // The first header of that name (any case); empty when absent.
  String HeaderValue(StringView name) const;
  const TNetHeaders& Headers() const { return headers_; }
  // The kept content (synchronous requests without a response stream).
  const std::vector<Byte>& Content() const { return content_; }
  String ContentAsString() const {
    return Utf8ToString(std::string_view(reinterpret_cast<const char*>(content_.data()), content_.size()));
  }

 private:
  friend class THTTPClient;
  friend struct THTTPTransfer;
  Integer statusCode_ = 0;
  Int64 contentLength_ = -1;
  TNetHeaders headers_;
  std::vector<Byte> content_;
};
using IHTTPResponse = std::shared_ptr<THTTPResponse>;

class THTTPClient;
struct THTTPTransfer;

// The state and outcome of one BeginGet.
class THTTPAsyncResult {
 public:
  // True once the request has ended in any way (answer complete, failed or cancelled).
  bool IsCompleted() const { return completed_; }
  bool IsCancelled() const { return cancelled_; }
  // Empty when the transport succeeded; otherwise why it failed.
  const String& ErrorText() const { return error_; }
  // The answer's status and headers (status 0 when none arrived).
  const THTTPResponse& Response() const { return *response_; }
  const IHTTPResponse& ResponsePtr() const { return response_; }
  // Content bytes written to the stream.
  Int64 ReceivedCount() const { return received_; }

 private:
  friend class THTTPClient;
  friend struct THTTPTransfer;
  std::atomic<bool> completed_{false};  // read by other threads while the worker runs
  bool cancelled_ = false;
  String error_;
  IHTTPResponse response_ = std::make_shared<THTTPResponse>();
  Int64 received_ = 0;
};
using IAsyncResult = std::shared_ptr<THTTPAsyncResult>;

// (sender, Content-Length of the answer or -1, bytes received so far, abort)
using TReceiveDataEvent = std::function<void(THTTPClient* sender, Int64 contentLength, Int64 readCount, bool& abort)>;
using TAsyncCallback = std::function<void(const IAsyncResult&)>;

class THTTPClient {
 public:
  THTTPClient();
  // Cancels a running BeginGet and waits for its worker.
  ~THTTPClient();
  THTTPClient(const THTTPClient&) = delete;
  THTTPClient& operator=(const THTTPClient&) = delete;

  String UserAgent;
  String ContentType;  // sent as Content-Type with a request body when not empty
  // Called on the worker thread after each block written, for answers with status < 300.
  TReceiveDataEvent OnReceiveData;

  // Raise ENetURIException for an unusable address and ENetHTTPException when the transport
  // fails; any status is an answer.
  IHTTPResponse Head(const String& url, const TNetHeaders& headers = {});
  IHTTPResponse Post(const String& url, TStream& body, TStream* response = nullptr, const TNetHeaders& headers = {});

  // Starts a GET into stream on a worker thread and returns at once. Raises ENetURIException
  // for an unusable address and EInvalidOperation while another BeginGet of this client runs.
  // callback runs exactly once, on the worker thread, when the request has ended.
  IAsyncResult BeginGet(TAsyncCallback callback, const String& url, TStream& stream, const TNetHeaders& headers = {});
  // The answer of a finished BeginGet; raises ENetHTTPException when its transport failed or
  // it was cancelled.
  IHTTPResponse EndAsyncHTTP(const IAsyncResult& result);
  // Stops a running BeginGet and waits for its worker (its callback has run when this returns).
  void Cancel();

 private:
  void JoinWorker();

  std::shared_ptr<THTTPTransfer> running_;
  std::thread worker_;
};
