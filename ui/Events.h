// Events as bound callbacks: an object and one of its methods, like the class library's
// method pointers. Two events are equal when they call the same method of the same object,
// so code can save a handler, install its own and later test and restore the saved one:
//
//   TNotifyEvent saved = btn->OnClick();
//   btn->SetOnClick(TNotifyEvent(this, &TMyForm::Clicked));
//   ...
//   if (btn->OnClick() == TNotifyEvent(this, &TMyForm::Clicked)) btn->SetOnClick(saved);
//
// An empty event is false; calling an empty event is a programming error (check first,
// or use Call(), which does nothing when it is empty and gives R{}).
#pragma once

#include <cstring>
#include <type_traits>
#include <utility>

// The type-independent part of every event: what it is bound to. Used by the published
// property registry to read and write events of any signature.
class TMethod {
 public:
  // Large enough for a pointer to any member function of a single- or multiple-inheritance
  // class (two words in the ABIs we build for).
  static constexpr size_t kCodeSize = 2 * sizeof(void*);

  TMethod() = default;
  // The object the method is called on (nullptr when empty).
  void* Data() const { return data_; }
  bool Assigned() const { return invoke_ != nullptr; }
  explicit operator bool() const { return Assigned(); }

  friend bool operator==(const TMethod& a, const TMethod& b) {
    return a.data_ == b.data_ && a.invoke_ == b.invoke_ && std::memcmp(a.code_, b.code_, kCodeSize) == 0;
  }

 protected:
  using Invoker = void (*)();  // the real signature is restored by the typed event
  void* data_ = nullptr;
  Invoker invoke_ = nullptr;
  alignas(void*) unsigned char code_[kCodeSize] = {};
};

template <class Signature>
class TEvent;

template <class R, class... Args>
class TEvent<R(Args...)> : public TMethod {
 public:
  TEvent() = default;
  TEvent(std::nullptr_t) {}

  // Binds a method of C to obj (an object of C or of a class derived from it).
  template <class T, class C>
  TEvent(T* obj, R (C::*method)(Args...)) {
    static_assert(std::is_base_of_v<C, T>, "the object must be of the method's class");
    static_assert(sizeof(method) <= kCodeSize, "member function pointer larger than expected");
    if (!obj || !method) return;
    data_ = static_cast<C*>(obj);
    std::memcpy(code_, &method, sizeof(method));
    invoke_ = reinterpret_cast<Invoker>(&Thunk<C>);
  }

  R operator()(Args... args) const {
    return reinterpret_cast<Typed>(invoke_)(data_, code_, std::forward<Args>(args)...);
  }
  // Calls the handler when one is bound.
  R Call(Args... args) const {
    if (!invoke_) return R();
    return (*this)(std::forward<Args>(args)...);
  }

  // Rebuilds a typed event from the untyped form (the caller guarantees the signature).
  static TEvent FromMethod(const TMethod& m) {
    TEvent e;
    static_cast<TMethod&>(e) = m;
    return e;
  }

 private:
  using Typed = R (*)(void*, const unsigned char*, Args...);

  template <class C>
  static R Thunk(void* data, const unsigned char* code, Args... args) {
    R (C::*method)(Args...);
    std::memcpy(&method, code, sizeof(method));
    return (static_cast<C*>(data)->*method)(std::forward<Args>(args)...);
  }
};

class TObject;
// The most common event: a notification with the sender.
using TNotifyEvent = TEvent<void(TObject* Sender)>;
