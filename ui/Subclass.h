// Per-object window procedures for windows the library did not make (standard dialogs,
// popup menu windows, foreign controls): an object's method becomes a procedure in front of
// the window's own, for as long as the object keeps its TWindowSubclass. Windows only.
//
//   class TMenuWrapper : public TObject {
//    public:
//     explicit TMenuWrapper(HWND wnd) { subclass_.Attach(wnd, this, &TMenuWrapper::Proc); }
//    private:
//     void Proc(TMessage& m) {
//       if (m.Msg == WM_ERASEBKGND) { ...; m.Result = 1; return; }
//       subclass_.CallPrevious(m);          // the procedure that was there before
//     }
//     TWindowSubclass subclass_;            // detaches when the wrapper goes
//   };
//
// The chain. Every window keeps one chain of procedures, the one attached last called first;
// each passes a message on with CallPrevious, which calls the next procedure of its own place
// in the chain (so it works from any context: nested messages, a direct call of the object's
// procedure, a timer) and at the end the window's original procedure. The chain is the
// library's own, reached from a process-local table instead of a window property, and holds
// no executable memory: one static procedure serves every window.
//
// Detaching, in any order and at any time, never frees what a message on the stack still
// walks: a detached procedure is skipped at once and its place is freed when the window's
// outermost message returns. When the chain is empty the window gets its original procedure
// back (unless someone subclassed it after us; then the chain stays, passing everything on,
// until the window is destroyed). Other ways of subclassing (SetWindowLongPtr, the platform's
// SetWindowSubclass helpers) live with the chain as long as what was put in front of the
// chain is taken out before anything the chain stands in front of: the platform's helpers,
// for one, put the window's original procedure back when their last subclass goes. The window's destruction
// (WM_NCDESTROY) passes the chain as any message does and then detaches every procedure: the objects' subclasses read
// as detached from then on.
//
// Lifetime of the objects. Around every call of an object's procedure the object is in use
// (TObjectInUse, Classes.h): an object freed (Free) from inside one of its own messages, for
// example by a click handler that destroys the window, is freed when the outermost of its
// messages returns, so nothing reaches freed memory. Free such objects with Free (or
// FreeAndNil), not with delete.
//
// Windows of another thread cannot be subclassed (Attach fails). An exception thrown by a
// procedure goes to Application->HandleException and the message answers 0.
#pragma once

#ifdef _WIN32

#include <type_traits>

#include "Messages.h"
#include "WinFwd.h"

class TObject;

namespace subclass_detail {
struct Node;
}

class TWindowSubclass {
 public:
  TWindowSubclass() = default;
  // Detaches.
  ~TWindowSubclass();
  TWindowSubclass(const TWindowSubclass&) = delete;
  TWindowSubclass& operator=(const TWindowSubclass&) = delete;

  // Puts obj's method in front of the window's procedures (detaching from any window
  // first); obj is kept in use while the method runs. False, and nothing attached, for a null
  // or invalid window, one of another thread, or an empty procedure.
  template <class T, class C>
  bool Attach(HWND wnd, T* obj, void (C::*method)(TMessage&)) {
    TObject* inUse = nullptr;
    if constexpr (std::is_base_of_v<TObject, T>) inUse = obj;
    return Attach(wnd, TWndMethod(obj, method), inUse);
  }
  // The same with a bound procedure; inUse is the object kept in use while it runs (normally
  // the procedure's own object; nullptr for none).
  bool Attach(HWND wnd, TWndMethod proc, TObject* inUse);
  // Takes the procedure out of the chain: it gets no further message. A message of the
  // procedure still on the stack may pass on with CallPrevious until it returns.
  void Detach();
  bool Attached() const;
  // The window while attached; nullptr otherwise.
  HWND Handle() const;
  // Passes the message to the procedure after this one and sets Result (0 when the chain
  // place is gone: the window was destroyed or the subclass detached and its message done).
  void CallPrevious(TMessage& message) const;
  TLResult CallPrevious(Cardinal msg, TWParam wParam, TLParam lParam) const;

 private:
  friend struct subclass_detail::Node;
  subclass_detail::Node* node_ = nullptr;
};

// The number of procedures attached to the window's chain (0 for a window without one).
int WindowSubclassCount(HWND wnd);
// The number of this thread's windows that have a chain (a window keeps it while a
// procedure is attached, or while someone who subclassed it after us is still there).
int SubclassedWindowCount();

#endif
