// Resource streams.
#include <windows.h>

#include "Streams.h"

namespace {

struct Found {
  const void* data;
  Int64 size;
};

Found FindIn(HINSTANCE instance, const String& name, LPCWSTR type) {
  HMODULE module = instance ? instance : GetModuleHandleW(nullptr);
  HRSRC res = FindResourceW(module, WideStr(name), type);
  HGLOBAL data = res ? LoadResource(module, res) : nullptr;
  const void* bytes = data ? LockResource(data) : nullptr;
  if (!bytes) throw EResNotFound(u"Resource " + name + u" not found");
  return {bytes, static_cast<Int64>(SizeofResource(module, res))};
}

}  // namespace

TResourceStream::TResourceStream(HINSTANCE instance, const String& name, const Char* type)
    : TReadOnlyMemoryStream(nullptr, 0) {
  Found f = FindIn(instance, name, reinterpret_cast<LPCWSTR>(type));
  SetMemory(f.data, f.size);
}

TResourceStream::TResourceStream(HINSTANCE instance, const String& name, Integer typeId)
    : TReadOnlyMemoryStream(nullptr, 0) {
  Found f = FindIn(instance, name, MAKEINTRESOURCEW(typeId));
  SetMemory(f.data, f.size);
}
