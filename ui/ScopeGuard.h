// The scope guard for "set something, always undo it": a flag, a saved value, an update count.
// Its undo step runs when the scope ends, normally or by an exception. Portable.
//
//   TScopeExit clear([&] { FUpdating = false; });   // any undo step
//   auto restore = SetForScope(HintWindowClass, cls);  // the previous value comes back
//   auto busy = SetForScope(AcChanging, true, false);  // true now, false at the end
//   auto update = UpdateScope(*list);                  // BeginUpdate now, EndUpdate at the end
//   guard.Dismiss();                                   // an undo meant only for failure: done
//
// The undo step may raise when the scope ends normally (EndUpdate runs change handlers), and
// the exception then goes to the caller as it would from a plain call. While an exception
// unwinds the scope, an exception of the undo step is dropped: the first one goes on.
#pragma once

#include <exception>
#include <utility>

template <class Undo>
class [[nodiscard]] TScopeExit {
 public:
  explicit TScopeExit(Undo undo) : undo_(std::move(undo)), exceptions_(std::uncaught_exceptions()) {}
  ~TScopeExit() noexcept(false) {
    if (!active_) return;
    active_ = false;
    if (std::uncaught_exceptions() == exceptions_) {
      undo_();
      return;
    }
    try {
      undo_();
    } catch (...) {
      // Already unwinding: a second exception would end the program.
    }
  }
  // The guard stays where it was made: factories return it by guaranteed copy elision.
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

  // The undo step will not run.
  void Dismiss() { active_ = false; }

 private:
  Undo undo_;
  int exceptions_;  // exceptions in flight when the guard was made
  bool active_ = true;
};

// Sets var to value for the scope; the value it had before comes back at the end.
template <class T, class V>
auto SetForScope(T& var, V&& value) {
  T previous = std::exchange(var, std::forward<V>(value));
  return TScopeExit([&var, previous = std::move(previous)]() mutable { var = std::move(previous); });
}

// Sets var to during for the scope and to after at its end, whatever it was before.
template <class T, class V, class W>
auto SetForScope(T& var, V&& during, W&& after) {
  var = std::forward<V>(during);
  return TScopeExit([&var, after = T(std::forward<W>(after))]() mutable { var = std::move(after); });
}

// obj.BeginUpdate() now, obj.EndUpdate() at the end of the scope.
template <class T>
auto UpdateScope(T& obj) {
  obj.BeginUpdate();
  return TScopeExit([&obj] { obj.EndUpdate(); });
}
