#include "Classes.h"

#include <cstdlib>
#include <memory>

#if defined(__GNUC__)
#include <cxxabi.h>
#endif

void TPersistent::Assign(const TPersistent* source) {
  if (source) {
    source->AssignTo(this);
    return;
  }
  AssignTo(this);  // assigning nil: only classes that accept it override this
}

void TPersistent::AssignTo(TPersistent* dest) const {
  throw EConvertError(u"Cannot assign a " + ClassNameOf(this) + u" to a " + ClassNameOf(dest));
}

String TPersistent::ClassName() const {
  // The C++ type name, demangled where the compiler allows, without namespaces.
  const char* raw = typeid(*this).name();
  std::string name = raw;
#if defined(__GNUC__)
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(raw, nullptr, nullptr, &status), std::free);
  if (status == 0 && demangled) name = demangled.get();
#endif
  auto colon = name.rfind("::");
  if (colon != std::string::npos) name = name.substr(colon + 2);
  return AsciiToString(name);
}

String ClassNameOf(const TPersistent* obj) { return obj ? obj->ClassName() : String(u"nil"); }
