// The tests' HTTP server (tests/support/http_server.py) started for one test: parse answers
// set by the test, files served from a folder, every request recorded.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/TempDir.h"
#include "ui/Types.h"

#ifdef _WIN32
struct RecordedRequest {
  std::string method, path;
  std::vector<std::pair<std::string, std::string>> headers;  // in the order they came
  std::string body;                                          // the raw bytes
  // The value of the first header with this name (any case); empty when absent.
  std::string Header(const std::string& name) const;
};

// The user agent the program sends with every request: a desktop browser's.
inline const std::string kBrowserAgent =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/98.0.4758.139 "
    "Safari/537.36";

// A parse answer that succeeds: code 0 with the video's title and address.
String ParseAnswer(const String& title, const String& url);

// A server certificate for 127.0.0.1 and the root that signed it, made by the test with
// openssl (nothing of it is kept in the repository).
struct TestCertificate {
  String ServerPem;           // the server's certificate, its chain and its key, as the server loads them
  std::vector<Byte> RootDer;  // the root, as a Windows certificate store takes it
};
// Makes one in folder (a fresh root each call, named after label); throws when openssl fails.
TestCertificate MakeTestCertificate(const String& folder, const std::string& label);

// Trusts a root certificate in the Wine prefix the test runs in (the current user's root
// store in the prefix's registry, which every process of the prefix started later reads) for
// as long as it lives. The host's own trust is not touched.
class TrustedRoot {
 public:
  explicit TrustedRoot(const std::vector<Byte>& der);  // throws when the store refuses it
  ~TrustedRoot();
  TrustedRoot(const TrustedRoot&) = delete;
  TrustedRoot& operator=(const TrustedRoot&) = delete;

 private:
  std::wstring key_;  // the registry key of the certificate, under the current user
};

class TestServer {
 public:
  // Starts the server and waits until it listens: over plain HTTP, and over TLS once for
  // each certificate given (label, server pem).
  explicit TestServer(const std::vector<std::pair<String, String>>& tls = {});
  ~TestServer();  // removes its control folder, which stops it
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  int Port() const { return port_; }
  String BaseUrl() const;                           // http://127.0.0.1:<port>
  String SecureBaseUrl(const String& label) const;  // https://127.0.0.1:<port of that certificate>
  String FileUrl(const String& name, const String& query = String()) const;
  const String& FilesDir() const { return files_.Path(); }  // served under /files/

  // What POST .../v1/parse/index answers from now on.
  void SetParseAnswer(int status, const String& body);
  void ClearParseAnswer();  // 404 again

  std::vector<RecordedRequest> Requests() const;
  void ClearRequests();

 private:
  TempDir control_, files_;
  int port_ = 0;
  std::vector<std::pair<String, int>> tlsPorts_;
};
#endif
