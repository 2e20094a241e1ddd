#include "support/TestServer.h"

#include <windows.h>
#include <wincrypt.h>

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

namespace {

int ReadPort(const String& file) {
  for (int i = 0; i < 1000; ++i) {
    if (GetFileAttributesW(reinterpret_cast<LPCWSTR>(file.c_str())) != INVALID_FILE_ATTRIBUTES) {
      auto bytes = ReadFileBytes(file);
      return std::atoi(std::string(bytes.begin(), bytes.end()).c_str());
    }
    Sleep(10);
  }
  return 0;
}

}  // namespace

TestCertificate MakeTestCertificate(const String& folder, const std::string& label) {
  const std::string dir = UnixPathOf(folder);
  const std::string q = ShellQuote(dir);
  // A root that may sign, and a server certificate for 127.0.0.1 signed by it. The address
  // is also a DNS name of the certificate: Wine checks the host against DNS names only.
  const std::string command =
      "set -e; cd " + q +
      "; umask 077; "
      "openssl req -x509 -newkey rsa:2048 -nodes -keyout " +
      label + "-root.key -out " + label +
      "-root.pem "
      "-days 3 -subj '/CN=Tarnwick test root " +
      label +
      "' "
      "-addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null; "
      "openssl req -newkey rsa:2048 -nodes -keyout " +
      label + ".key -out " + label +
      ".csr -subj '/CN=127.0.0.1' 2>/dev/null; "
      "printf "
      "'subjectAltName=IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:"
      "FALSE\n' > " +
      label +
      ".ext; "
      "openssl x509 -req -in " +
      label + ".csr -CA " + label + "-root.pem -CAkey " + label +
      "-root.key -CAcreateserial "
      "-days 2 -extfile " +
      label + ".ext -out " + label +
      ".crt 2>/dev/null; "
      "cat " +
      label + ".crt " + label + "-root.pem " + label + ".key > " + label +
      "-server.pem; "
      "openssl x509 -in " +
      label + "-root.pem -outform DER -out " + label + "-root.der";
  if (RunUnixShell(command, 120000) != 0) throw std::runtime_error("openssl could not make the test certificate");
  TestCertificate c;
  c.ServerPem = folder + u"/" + Utf8ToString(label) + u"-server.pem";
  c.RootDer = ReadFileBytes(folder + u"/" + Utf8ToString(label) + u"-root.der");
  return c;
}

namespace {

// Where Wine's chain engine finds the roots of the current user: one key per certificate,
// named by its SHA-1 thumbprint, holding the certificate's serialized store element. The
// local machine's root store is rebuilt from the host's certificates in every session, and
// certificates added through the store functions are not kept, so the key is written here.
const wchar_t kUserRoots[] = L"Software\\Microsoft\\SystemCertificates\\Root\\Certificates";

std::wstring ThumbprintName(PCCERT_CONTEXT cert) {
  BYTE hash[20];
  DWORD size = sizeof(hash);
  if (!CertGetCertificateContextProperty(cert, CERT_SHA1_HASH_PROP_ID, hash, &size) || size != sizeof(hash))
    throw std::runtime_error("the certificate's thumbprint could not be read");
  static const wchar_t hex[] = L"0123456789ABCDEF";
  std::wstring name;
  for (BYTE b : hash) {
    name += hex[b >> 4];
    name += hex[b & 15];
  }
  return name;
}

}  // namespace

TrustedRoot::TrustedRoot(const std::vector<Byte>& der) {
  struct FreeCertificate {
    void operator()(PCCERT_CONTEXT c) const { CertFreeCertificateContext(c); }
  };
  const std::unique_ptr<const CERT_CONTEXT, FreeCertificate> cert(
      CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
  if (!cert) throw std::runtime_error("the root certificate could not be read");
  const std::wstring name = ThumbprintName(cert.get());
  std::vector<BYTE> element;
  DWORD size = 0;
  if (CertSerializeCertificateStoreElement(cert.get(), 0, nullptr, &size) && size > 0) {
    element.resize(size);
    if (!CertSerializeCertificateStoreElement(cert.get(), 0, element.data(), &size)) size = 0;
    element.resize(size);
  }
  if (element.empty()) throw std::runtime_error("the root certificate could not be serialized");
  HKEY key = nullptr;
  const std::wstring path = std::wstring(kUserRoots) + L"\\" + name;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    throw std::runtime_error("the root store of the prefix could not be opened");
  const LONG written = RegSetValueExW(key, L"Blob", 0, REG_BINARY, element.data(), static_cast<DWORD>(element.size()));
  RegCloseKey(key);
  if (written != ERROR_SUCCESS) throw std::runtime_error("the root store of the prefix refused the certificate");
  key_ = path;
}

TrustedRoot::~TrustedRoot() {
  if (!key_.empty()) RegDeleteKeyW(HKEY_CURRENT_USER, key_.c_str());
}

TestServer::TestServer(const std::vector<std::pair<String, String>>& tls) {
  for (const auto& [label, pem] : tls) {
    const String to = control_.Path() + u"/tls-" + label + u".pem";
    if (!CopyFileW(reinterpret_cast<LPCWSTR>(pem.c_str()), reinterpret_cast<LPCWSTR>(to.c_str()), FALSE))
      throw std::runtime_error("the server's certificate could not be copied");
  }
  const std::string script = std::string(TW_SOURCE_DIR) + "/tests/support/http_server.py";
  const std::string command = "exec /usr/bin/python3 " + ShellQuote(script) + " " +
                              ShellQuote(UnixPathOf(control_.Path())) + " " + ShellQuote(UnixPathOf(files_.Path())) +
                              " >/dev/null 2>&1 &";
  if (RunUnixShell(command, 10000) != 0) throw std::runtime_error("the test server did not start");
  port_ = ReadPort(control_.Path() + u"/port");
  if (port_ == 0) throw std::runtime_error("the test server did not listen");
  for (const auto& [label, pem] : tls) {
    const int port = ReadPort(control_.Path() + u"/tls-" + label + u".port");
    if (port == 0) throw std::runtime_error("the test server did not listen over TLS");
    tlsPorts_.emplace_back(label, port);
  }
}

TestServer::~TestServer() = default;  // the control folder goes with control_

String TestServer::BaseUrl() const { return u"http://127.0.0.1:" + IntToStr(port_); }

String TestServer::SecureBaseUrl(const String& label) const {
  for (const auto& [l, port] : tlsPorts_)
    if (l == label) return u"https://127.0.0.1:" + IntToStr(port);
  return String();
}

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
