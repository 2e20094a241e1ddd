// Replaces a system function for the calls this program makes, by patching the program's
// import table, and puts the original back when the hook goes out of scope. Tests use it to
// see what the code hands to calls whose effect Wine does not show (the removal of a private
// font, the bitmap given to UpdateLayeredWindow ...).
//
//   static int removed = 0;
//   BOOL WINAPI CountRemoval(HANDLE) { ++removed; return TRUE; }
//   ImportHook hook("gdi32.dll", "RemoveFontMemResourceEx", &CountRemoval);
#pragma once

#ifdef _WIN32

class ImportHook {
 public:
  // Raises std::runtime_error when the program does not import that function.
  ImportHook(const char* dll, const char* function, void* replacement);
  template <typename Fn>
  ImportHook(const char* dll, const char* function, Fn* replacement)
      : ImportHook(dll, function, reinterpret_cast<void*>(replacement)) {}
  ~ImportHook();
  ImportHook(const ImportHook&) = delete;
  ImportHook& operator=(const ImportHook&) = delete;

  // The function the import table held before.
  template <typename Fn>
  Fn Original() const {
    return reinterpret_cast<Fn>(original_);
  }

 private:
  void** slot_ = nullptr;
  void* original_ = nullptr;
};

#endif
