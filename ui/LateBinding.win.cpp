#include "LateBinding.h"

namespace {

String WideToString(const wchar_t* s) { return String(reinterpret_cast<const Char*>(s)); }

// " (code) reason" for a system error code, the reason as the system words it.
String SystemReason(DWORD code) {
  wchar_t* buf = nullptr;
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  String reason;
  if (n && buf) reason = Trim(StringView(reinterpret_cast<const Char*>(buf), n));
  if (buf) LocalFree(buf);
  String text = u" (" + IntToStr(Integer(code)) + u")";
  if (!reason.empty()) text += u" " + reason;
  return text;
}

}  // namespace

HMODULE TLateLibrary::Module() {
  if (HMODULE m = module_.load(std::memory_order_acquire)) return m;
  std::lock_guard<std::mutex> lock(loading_);
  if (HMODULE m = module_.load(std::memory_order_relaxed)) return m;
  HMODULE m = LoadLibraryW(name_);
  if (!m)
    throw ELateBindingError(u"The system library " + WideToString(name_) + u" cannot be loaded:" +
                            SystemReason(GetLastError()));
  module_.store(m, std::memory_order_release);
  return m;
}

FARPROC TLateLibrary::Find(const char* function) {
  const HMODULE m = Module();
  if (FARPROC p = GetProcAddress(m, function)) return p;
  throw ELateBindingError(u"The system library " + WideToString(name_) + u" has no function " +
                          AsciiToString(function) + u":" + SystemReason(GetLastError()));
}
