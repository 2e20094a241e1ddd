#include "support/HandleLedger.h"

#include <windows.h>

#include <cstdio>
#include <stdexcept>

#include "support/ImportHook.h"

HandleLedger::HandleLedger(const Redirect* redirects, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const Redirect& r = redirects[i];
    try {
      auto hook = std::make_unique<ImportHook>(r.dll, r.name, r.replacement);
      *r.real = hook->Original<void*>();
      hooks_.push_back(std::move(hook));
    } catch (const std::runtime_error&) {}
  }
}

HandleLedger::~HandleLedger() = default;

void HandleLedger::Made(void* handle, const char* kind) {
  if (!handle) return;
  live_[handle] = kind;
  ++created_;
}

void HandleLedger::Gone(void* handle, bool ok) {
  if (handle && ok) live_.erase(handle);
}

std::vector<std::string> HandleLedger::Live() const {
  std::vector<std::string> out;
  for (const auto& [h, kind] : live_) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s %p", kind, h);
    out.push_back(buf);
  }
  return out;
}
