// The place where a higher layer leaves its implementation of a service interface for the
// layers below it, which know only the interface (the engine's layers call downwards only).
// One implementation per interface; GUI thread only, like everything of the engine.
//
//   class TkvFormServices { ... };                          // declared in a lower layer
//   TkvServiceSlot<TkvFormServices>::Set(&formServices);    // the form layer, at start-up
//   if (auto* forms = TkvServiceSlot<TkvFormServices>::Get()) forms->...;  // a lower layer
#pragma once

#include <vector>

namespace service_slots {
// How to empty each slot that has been filled once.
inline std::vector<void (*)()>& Clearers() {
  static std::vector<void (*)()> clearers;
  return clearers;
}
}  // namespace service_slots

template <class Service>
class TkvServiceSlot {
 public:
  // The registered implementation; nullptr while there is none (callers then do without).
  static Service* Get() { return registered_; }
  // Registers service (nullptr takes the registration back) and answers the one it replaces.
  static Service* Set(Service* service) {
    static const bool known = (service_slots::Clearers().push_back([] { registered_ = nullptr; }), true);
    (void)known;
    Service* previous = registered_;
    registered_ = service;
    return previous;
  }

 private:
  static inline Service* registered_ = nullptr;
};

// Empties every slot (the engine's reset of its state, base/EngineState.h).
inline void ClearServiceSlots() {
  for (void (*clear)() : service_slots::Clearers()) clear();
}
