#include "support/TestServer.h"

#include <windows.h>

#include <sstream>
#include <stdexcept>

#include "support/UnixShell.h"
#include "ui/Json.h"
#include "ui/Streams.h"

#ifndef TW_SOURCE_DIR
#error "TW_SOURCE_DIR must name the source tree"
#endif

std::string RecordedRequest::Header(const std::string& name) const {
  for (const auto& [k, v] : headers)
    if (SameText(Utf8ToString(k), Utf8ToString(name))) return v;
  return std::string();
}

TestServer::TestServer() {
  const std::string script = std::string(TW_SOURCE_DIR) + "/tests/support/http_server.py";
  const std::string command = "exec /usr/bin/python3 " + ShellQuote(script) + " " +
                              ShellQuote(UnixPathOf(control_.Path())) + " " + ShellQuote(UnixPathOf(files_.Path())) +
                              " >/dev/null 2>&1 &";
  if (RunUnixShell(command, 10000) != 0) throw std::runtime_error("the test server did not start");
  const String portFile = control_.Path() + u"/port";
  for (int i = 0; i < 1000 && port_ == 0; ++i) {
    if (GetFileAttributesW(reinterpret_cast<LPCWSTR>(portFile.c_str())) != INVALID_FILE_ATTRIBUTES) {
      auto bytes = ReadFileBytes(portFile);
      port_ = std::atoi(std::string(bytes.begin(), bytes.end()).c_str());
    } else {
      Sleep(10);
    }
  }
  if (port_ == 0) throw std::runtime_error("the test server did not listen");
}

TestServer::~TestServer() = default;  // the control folder goes with control_

String TestServer::BaseUrl() const { return u"http://127.0.0.1:" + IntToStr(port_); }

String TestServer::FileUrl(const String& name, const String& query) const {
  return BaseUrl() + u"/files/" + name + (query.empty() ? String() : u"?" + query);
}

void TestServer::SetParseAnswer(int status, const String& body) {
  const std::string json = "{\"status\":" + std::to_string(status) + ",\"body\":" + StringToUtf8(JsonQuote(body)) + "}";
  const String path = control_.Path() + u"/scenario.json";
  {
    TFileStream f(path + u".tmp", fmCreate);
    f.WriteBuffer(json.data(), static_cast<Integer>(json.size()));
  }
  MoveFileExW(reinterpret_cast<LPCWSTR>((path + u".tmp").c_str()), reinterpret_cast<LPCWSTR>(path.c_str()),
              MOVEFILE_REPLACE_EXISTING);
}

void TestServer::ClearParseAnswer() {
  DeleteFileW(reinterpret_cast<LPCWSTR>((control_.Path() + u"/scenario.json").c_str()));
}

std::vector<RecordedRequest> TestServer::Requests() const {
  std::vector<RecordedRequest> out;
  const String log = control_.Path() + u"/requests.jsonl";
  if (GetFileAttributesW(reinterpret_cast<LPCWSTR>(log.c_str())) == INVALID_FILE_ATTRIBUTES) return out;
  auto bytes = ReadFileBytes(log);
  std::istringstream lines(std::string(bytes.begin(), bytes.end()));
  std::string line;
  auto text = [](const TJSONValue* v) { return static_cast<const TJSONString*>(v)->Value(); };
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    auto root = ParseJSONValue(Utf8ToString(line));
    const auto& obj = static_cast<const TJSONObject&>(*root);
    RecordedRequest r;
    r.method = StringToUtf8(text(obj.GetValue(u"method")));
    r.path = StringToUtf8(text(obj.GetValue(u"path")));
    const auto& headers = static_cast<const TJSONArray&>(*obj.GetValue(u"headers"));
    for (Integer i = 0; i < headers.Count(); ++i) {
      const auto& pair = static_cast<const TJSONArray&>(*headers.Items(i));
      r.headers.emplace_back(StringToUtf8(text(pair.Items(0))), StringToUtf8(text(pair.Items(1))));
    }
    for (Char c : text(obj.GetValue(u"body"))) r.body += static_cast<char>(c);  // one byte per character
    out.push_back(std::move(r));
  }
  return out;
}

void TestServer::ClearRequests() {
  DeleteFileW(reinterpret_cast<LPCWSTR>((control_.Path() + u"/requests.jsonl").c_str()));
}

String ParseAnswer(const String& title, const String& url) {
  return u"{\"Code\":0,\"Data\":{\"Title\":" + TJSONString(title).ToJSON() + u",\"VideoUrls\":" +
         TJSONString(url).ToJSON() + u"}}";
}
