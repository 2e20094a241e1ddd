// The HTTP client against the tests' local server: exact requests, answers of every shape,
// streamed GETs with their progress, failures, and cancelling.
#include "ui/HttpClient.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <random>
#include <utility>
#include <vector>

#include "support/Files.h"
#include "support/ProcessMemory.h"
#include "support/TestServer.h"

namespace {

std::vector<Byte> RandomBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::vector<Byte> v(n);
  for (auto& b : v) b = static_cast<Byte>(gen());
  return v;
}

// Waits for the completion callback of a BeginGet.
struct Completion {
  std::mutex m;
  std::condition_variable cv;
  IAsyncResult result;
  int calls = 0;
  DWORD thread = 0;
  TAsyncCallback Callback() {
    return [this](const IAsyncResult& r) {
      std::lock_guard lock(m);
      result = r;
      ++calls;
      thread = GetCurrentThreadId();
      cv.notify_all();
    };
  }
  bool Wait(int ms = 20000) {
    std::unique_lock lock(m);
    return cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return calls > 0; });
  }
};

class HttpClientTest : public ::testing::Test {
 protected:
  TestServer server;
  const std::vector<Byte> video = RandomBytes(3 * 1024 * 1024 + 123, 7);
  void SetUp() override { SaveBytes(server.FilesDir() + u"/v.mp4", video); }
};

}  // namespace

TEST_F(HttpClientTest, PostSendsExactlyWhatItIsGiven) {
  server.SetParseAnswer(200, u"{\"Data\":{\"Title\":\"标题\"}}");
  THTTPClient client;
  client.UserAgent = u"Agent/1.0 (test)";
  client.ContentType = u"application/json; charset=utf-8";
  TMemoryStream body;
  const std::string bytes = "{\"PageUrl\":\"https://v.douyin.com/x/ \xE4\xB8\xAD\"}";
  body.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  IHTTPResponse r = client.Post(server.BaseUrl() + u"/v1/parse/index", body, nullptr, {{u"Cookie", u"tokens=abc; "}});
  EXPECT_EQ(r->StatusCode(), 200);
  EXPECT_EQ(r->ContentAsString(), u"{\"Data\":{\"Title\":\"标题\"}}");
  EXPECT_EQ(r->ContentLength(), 27);

  auto reqs = server.Requests();
  ASSERT_EQ(reqs.size(), 1u);
  EXPECT_EQ(reqs[0].method, "POST");
  EXPECT_EQ(reqs[0].path, "/v1/parse/index");
  EXPECT_EQ(reqs[0].body, bytes);
  EXPECT_EQ(reqs[0].Header("User-Agent"), "Agent/1.0 (test)");
  EXPECT_EQ(reqs[0].Header("Content-Type"), "application/json; charset=utf-8");
  EXPECT_EQ(reqs[0].Header("Cookie"), "tokens=abc; ");
  // Nothing else goes out but what WinHTTP itself must send.
  using H = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(reqs[0].headers, (H{{"User-Agent", "Agent/1.0 (test)"},
                                {"Host", "127.0.0.1:" + std::to_string(server.Port())},
                                {"Content-Length", std::to_string(bytes.size())},
                                {"Connection", "Keep-Alive"},
                                {"Content-Type", "application/json; charset=utf-8"},
                                {"Cookie", "tokens=abc; "}}));
  EXPECT_EQ(reqs[0].Header("Content-Length"), std::to_string(bytes.size()));
  EXPECT_EQ(reqs[0].Header("Host"), "127.0.0.1:" + std::to_string(server.Port()));
}

TEST_F(HttpClientTest, PostKeepsAnyStatusAsAnAnswer) {
  server.SetParseAnswer(503, u"busy");
  THTTPClient client;
  TMemoryStream body;
  IHTTPResponse r = client.Post(server.BaseUrl() + u"/v1/parse/index", body);
  EXPECT_EQ(r->StatusCode(), 503);
  EXPECT_EQ(r->ContentAsString(), u"busy");
  TMemoryStream out;
  r = client.Post(server.BaseUrl() + u"/v1/parse/index", body, &out);
  EXPECT_EQ(out.GetSize(), 4);  // into the given stream, not kept
  EXPECT_TRUE(r->Content().empty());
}

TEST_F(HttpClientTest, HeadReportsTheAnnouncedLength) {
  struct Case {
    const char16_t* query;
    Integer status;
    Int64 length;
  } cases[] = {
      {u"", 200, static_cast<Int64>(3 * 1024 * 1024 + 123)},
      {u"head_len=none", 200, -1},
      {u"head_len=0", 200, 0},
      {u"head_len=3000000000", 200, 3000000000LL},
      {u"head_status=500", 500, static_cast<Int64>(3 * 1024 * 1024 + 123)},
  };
  THTTPClient client;
  client.UserAgent = u"UA";
  for (const auto& c : cases) {
    IHTTPResponse r = client.Head(server.FileUrl(u"v.mp4", c.query), {{u"Origin", u"http://origin.test"}});
    EXPECT_EQ(r->StatusCode(), c.status) << StringToUtf8(c.query);
    EXPECT_EQ(r->ContentLength(), c.length) << StringToUtf8(c.query);
  }
  EXPECT_EQ(client.Head(server.FileUrl(u"missing.mp4"))->StatusCode(), 404);
  auto reqs = server.Requests();
  ASSERT_EQ(reqs.size(), 6u);
  EXPECT_EQ(reqs[0].method, "HEAD");
  EXPECT_EQ(reqs[0].path, "/files/v.mp4");
  EXPECT_EQ(reqs[0].Header("Origin"), "http://origin.test");
  EXPECT_EQ(reqs[0].Header("User-Agent"), "UA");
  EXPECT_EQ(reqs[3].path, "/files/v.mp4?head_len=3000000000");
}

TEST_F(HttpClientTest, TransportFailuresAndBadInputRaise) {
  THTTPClient client;
  EXPECT_THROW(client.Head(u"not a url"), ENetURIException);
  EXPECT_THROW(client.Head(u"ftp://127.0.0.1/x"), ENetURIException);
  EXPECT_THROW(client.Head(u""), ENetURIException);
  EXPECT_THROW(client.Head(u"[http://a,http://b]"), ENetURIException);
  EXPECT_THROW(client.Head(server.FileUrl(u"v.mp4"), {{u"X-Bad", u"a\r\nInjected: 1"}}), ENetHTTPException);
  // A port nobody listens on (the server's own port + 1 is unlikely to be taken; try a few).
  bool refused = false;
  for (int p = 1; p < 20 && !refused; ++p) {
    try {
      client.Head(u"http://127.0.0.1:" + IntToStr(server.Port() + p) + u"/");
    } catch (const ENetHTTPException& e) {
      refused = true;
      EXPECT_TRUE(e.Message().starts_with(u"Error sending data: (")) << StringToUtf8(e.Message());
    }
  }
  EXPECT_TRUE(refused);
}

TEST_F(HttpClientTest, BeginGetStreamsEveryByteAndReportsProgress) {
  THTTPClient client;
  client.UserAgent = u"UA";
  std::vector<Int64> counts;
  std::atomic<Int64> lengthSeen{0};
  DWORD progressThread = 0;
  client.OnReceiveData = [&](THTTPClient* sender, Int64 length, Int64 count, bool& abort) {
    EXPECT_EQ(sender, &client);
    EXPECT_FALSE(abort);
    lengthSeen = length;
    counts.push_back(count);
    progressThread = GetCurrentThreadId();
  };
  TMemoryStream out;
  Completion done;
  IAsyncResult r = client.BeginGet(done.Callback(), server.FileUrl(u"v.mp4"), out, {{u"Origin", u"http://o"}});
  ASSERT_TRUE(done.Wait());
  EXPECT_EQ(done.result, r);
  EXPECT_NE(done.thread, GetCurrentThreadId());
  EXPECT_EQ(progressThread, done.thread);
  EXPECT_TRUE(r->IsCompleted());
  EXPECT_FALSE(r->IsCancelled());
  EXPECT_EQ(r->ErrorText(), u"");
  EXPECT_EQ(r->Response().StatusCode(), 200);
  EXPECT_EQ(r->ReceivedCount(), static_cast<Int64>(video.size()));
  EXPECT_EQ(out.Bytes(), video);
  EXPECT_EQ(lengthSeen.load(), static_cast<Int64>(video.size()));
  ASSERT_FALSE(counts.empty());
  EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
  EXPECT_EQ(counts.back(), static_cast<Int64>(video.size()));
  EXPECT_EQ(client.EndAsyncHTTP(r)->StatusCode(), 200);
  client.Cancel();  // after the end: nothing to stop
  EXPECT_EQ(done.calls, 1);
  auto reqs = server.Requests();
  ASSERT_EQ(reqs.size(), 1u);
  EXPECT_EQ(reqs[0].method, "GET");
  EXPECT_EQ(reqs[0].Header("Origin"), "http://o");
}

TEST_F(HttpClientTest, BeginGetOutcomes) {
  struct Case {
    const char16_t* query;
    Integer status;
    bool error;
    Int64 received;
    bool progress;
  } cases[] = {
      {u"get_len=none", 200, false, static_cast<Int64>(3 * 1024 * 1024 + 123), true},
      {u"cut=100000", 200, true, 100000, true},                // announced the whole length, closed early
      {u"get_len=none&cut=100000", 200, false, 100000, true},  // nothing to compare with here
      {u"get_status=500", 500, false, static_cast<Int64>(3 * 1024 * 1024 + 123), false},
  };
  for (const auto& c : cases) {
    THTTPClient client;
    int progressCalls = 0;
    client.OnReceiveData = [&](THTTPClient*, Int64, Int64, bool&) { ++progressCalls; };
    TMemoryStream out;
    Completion done;
    IAsyncResult r = client.BeginGet(done.Callback(), server.FileUrl(u"v.mp4", c.query), out);
    ASSERT_TRUE(done.Wait()) << StringToUtf8(c.query);
    EXPECT_EQ(r->Response().StatusCode(), c.status) << StringToUtf8(c.query);
    EXPECT_EQ(!r->ErrorText().empty(), c.error) << StringToUtf8(c.query) << " " << StringToUtf8(r->ErrorText());
    EXPECT_EQ(r->ReceivedCount(), c.received) << StringToUtf8(c.query);
    EXPECT_EQ(progressCalls > 0, c.progress) << StringToUtf8(c.query);
    EXPECT_EQ(out.GetSize(), c.received);
    if (c.error) { EXPECT_THROW(client.EndAsyncHTTP(r), ENetHTTPException); }
  }
}

TEST_F(HttpClientTest, CancelReturnsAtOnceEvenFromASilentServer) {
  // The server sends 16 KiB, then waits 20 s before the next piece.
  THTTPClient client;
  std::atomic<int> blocks{0};
  std::atomic<Int64> reported{0};
  client.OnReceiveData = [&](THTTPClient*, Int64, Int64 count, bool&) {
    reported = count;
    ++blocks;
  };
  TMemoryStream out;
  Completion done;
  IAsyncResult r = client.BeginGet(done.Callback(), server.FileUrl(u"v.mp4", u"chunk=16384&delay_ms=20000"), out);
  // Generous waits: a loaded machine may be slow to connect, but the pause is 20 s.
  for (const ULONGLONG until = GetTickCount64() + 15000; blocks == 0 && GetTickCount64() < until;) Sleep(10);
  ASSERT_GT(blocks.load(), 0);
  EXPECT_THROW(client.BeginGet(nullptr, server.FileUrl(u"v.mp4"), out), EInvalidOperation);
  const ULONGLONG t0 = GetTickCount64();
  client.Cancel();
  EXPECT_LT(GetTickCount64() - t0, 5000u);
  EXPECT_EQ(done.calls, 1);  // the callback has run when Cancel returns
  EXPECT_TRUE(r->IsCompleted());
  EXPECT_TRUE(r->IsCancelled());
  EXPECT_EQ(out.GetSize(), reported.load());  // nothing was written after the last report
  EXPECT_LE(out.GetSize(), 16384);            // nor anything of what came after the pause
  EXPECT_THROW(client.EndAsyncHTTP(r), ENetHTTPException);
}

TEST_F(HttpClientTest, WhatCameBeforeTheServerWentQuietIsReportedDuringTheQuiet) {
  // Two pieces 5 ms apart, then three seconds of silence before the rest.
  THTTPClient client;
  std::mutex m;
  std::vector<std::pair<Int64, ULONGLONG>> reports;  // count, tick
  client.OnReceiveData = [&](THTTPClient*, Int64, Int64 count, bool&) {
    std::lock_guard lock(m);
    reports.emplace_back(count, GetTickCount64());
  };
  TMemoryStream out;
  Completion done;
  IAsyncResult r = client.BeginGet(
      done.Callback(), server.FileUrl(u"v.mp4", u"chunk=40000&delay_ms=5&stall_at=80000&stall_ms=3000"), out);
  ASSERT_TRUE(done.Wait(30000));
  ASSERT_EQ(r->ReceivedCount(), static_cast<Int64>(video.size()));
  std::lock_guard lock(m);
  const auto quiet = std::find_if(reports.begin(), reports.end(), [](const auto& p) { return p.first == 80000; });
  ASSERT_NE(quiet, reports.end()) << "no report of the bytes before the silence";
  ASSERT_NE(quiet + 1, reports.end());
  // The next report came only when the server spoke again.
  EXPECT_GE((quiet + 1)->second - quiet->second, 2500u);
}

TEST_F(HttpClientTest, DestroyingTheClientCancelsAndTheCallbackCanAbort) {
  Completion done;
  TMemoryStream out;
  {
    THTTPClient client;
    std::atomic<int> blocks{0};
    client.OnReceiveData = [&](THTTPClient*, Int64, Int64, bool&) { ++blocks; };
    client.BeginGet(done.Callback(), server.FileUrl(u"v.mp4", u"chunk=16384&delay_ms=20000"), out);
    for (int i = 0; i < 500 && blocks == 0; ++i) Sleep(10);
  }
  EXPECT_EQ(done.calls, 1);
  EXPECT_TRUE(done.result->IsCancelled());

  THTTPClient client;
  client.OnReceiveData = [&](THTTPClient*, Int64, Int64 count, bool& abort) { abort = count >= 1000000; };
  TMemoryStream partial;
  Completion stopped;
  IAsyncResult r = client.BeginGet(stopped.Callback(), server.FileUrl(u"v.mp4", u"chunk=65536"), partial);
  ASSERT_TRUE(stopped.Wait());
  EXPECT_TRUE(r->IsCancelled());
  EXPECT_GE(r->ReceivedCount(), 1000000);
  EXPECT_LT(r->ReceivedCount(), static_cast<Int64>(video.size()));
}

// Each request's state, buffers and handles go with it: a program that downloads all day
// does not grow. (Requests on Wine's asynchronous calls left about 2.5 KB each behind.)
TEST_F(HttpClientTest, ManyRequestsLeaveNoMemoryBehind) {
  SaveBytes(server.FilesDir() + u"/small.bin", RandomBytes(100000, 3));
  THTTPClient client;
  auto requests = [&](int rounds) {
    for (int i = 0; i < rounds; ++i) {
      TMemoryStream out;
      Completion done;
      client.BeginGet(done.Callback(), server.FileUrl(u"small.bin"), out);
      ASSERT_TRUE(done.Wait(30000));
      ASSERT_EQ(done.result->ReceivedCount(), 100000);
      EXPECT_EQ(client.Head(server.FileUrl(u"small.bin"))->StatusCode(), 200);
    }
  };
  requests(30);  // what is made once (pools, caches)
  Sleep(200);
  const SIZE_T before = PrivateBytes();
  requests(150);
  Sleep(200);
  const SIZE_T after = PrivateBytes();
  ASSERT_GT(before, 0u);
  EXPECT_LT(static_cast<double>(after), static_cast<double>(before) + 256.0 * 1024.0)
      << "from " << before << " to " << after << " bytes over 300 requests";
}
