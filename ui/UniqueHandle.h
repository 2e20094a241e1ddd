// Owned and borrowed handles of any kind, told apart by their type. Portable: what a handle is
// and how it is given back comes from a traits class (ui/WinHandles.h has the system's kinds).
//
//   struct TWindowTraits {
//     using Handle = HWND;
//     static HWND Invalid() { return nullptr; }
//     static void Close(HWND h) { DestroyWindow(h); }
//   };
//   TUniqueHandle<TWindowTraits> wnd(CreateWindowExW(...));  // destroyed when wnd goes
//   TBorrowedHandle<HWND> parent = wnd.Borrow();             // names it, never destroys it
//
// An owned handle is moved, never copied; release() hands it over without closing it, reset()
// closes it now (and may take another). A borrowed handle is a plain copyable name: holding one
// says in the type that someone else gives the handle back.
#pragma once

#include <utility>

template <class H>
class TBorrowedHandle {
 public:
  TBorrowedHandle() = default;
  explicit TBorrowedHandle(H h) : h_(h) {}
  H get() const { return h_; }
  friend bool operator==(TBorrowedHandle, TBorrowedHandle) = default;

 private:
  H h_{};
};

template <class Traits>
class TUniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  TUniqueHandle() = default;
  explicit TUniqueHandle(Handle h) : h_(h) {}
  ~TUniqueHandle() { reset(); }
  TUniqueHandle(TUniqueHandle&& o) noexcept : h_(o.release()) {}
  TUniqueHandle& operator=(TUniqueHandle&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  TUniqueHandle(const TUniqueHandle&) = delete;
  TUniqueHandle& operator=(const TUniqueHandle&) = delete;

  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::Invalid(); }
  TBorrowedHandle<Handle> Borrow() const { return TBorrowedHandle<Handle>(h_); }
  // Hands the handle over without closing it; this one is empty afterwards.
  Handle release() { return std::exchange(h_, Traits::Invalid()); }
  // Closes the handle held (if any) and takes h.
  void reset(Handle h = Traits::Invalid()) {
    const Handle old = std::exchange(h_, h);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

 private:
  Handle h_ = Traits::Invalid();
};
