// What a handle tracker (GdiTracker, UserTracker) shares: the program's imports of the creating
// and freeing functions redirected while the ledger exists, and the handles made and not yet
// freed, with their kind. Windows only; GUI thread.
#pragma once

#ifdef _WIN32

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

class ImportHook;

class HandleLedger {
 public:
  // One import to redirect: the replacement calls *real, filled with the original.
  struct Redirect {
    const char* dll;
    const char* name;
    void* replacement;
    void** real;
  };
  // Redirects the imports; one the program does not import is left out (nothing can make
  // such a handle then).
  HandleLedger(const Redirect* redirects, size_t count);
  ~HandleLedger();  // each hook puts its original back
  HandleLedger(const HandleLedger&) = delete;
  HandleLedger& operator=(const HandleLedger&) = delete;

  void Made(void* handle, const char* kind);
  // ok: the freeing function said it freed the handle.
  void Gone(void* handle, bool ok);
  // The live handles described ("HFONT 0x1234").
  std::vector<std::string> Live() const;
  int Created() const { return created_; }
  // How many imports are redirected.
  size_t Redirected() const { return hooks_.size(); }

 private:
  std::map<void*, const char*> live_;
  int created_ = 0;
  std::vector<std::unique_ptr<ImportHook>> hooks_;  // last: unhooked before the rest goes
};

#endif
