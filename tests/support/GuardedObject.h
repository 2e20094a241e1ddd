// An object placed at the very end of its own memory page, the page after it made inaccessible:
// a read past the object's last byte faults at once instead of reading a neighbour's memory.
// For Windows-only tests, where the sanitizers do not run.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

template <class T>
struct GuardedDeleter {
  void* Block = nullptr;
  void operator()(T* object) const {
    if (!object) return;
    object->~T();
    VirtualFree(Block, 0, MEM_RELEASE);
  }
};

template <class T>
using GuardedPtr = std::unique_ptr<T, GuardedDeleter<T>>;

// Makes a T from the arguments in a page of its own, ending where the guard page begins.
template <class T, class... Args>
GuardedPtr<T> MakeGuarded(Args&&... args) {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  const size_t page = info.dwPageSize;
  const size_t size = (sizeof(T) + alignof(T) - 1) / alignof(T) * alignof(T);
  const size_t pages = (size + page - 1) / page;
  auto* block = static_cast<char*>(VirtualAlloc(nullptr, (pages + 1) * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  if (!block) throw std::bad_alloc();
  DWORD old = 0;
  VirtualProtect(block + pages * page, page, PAGE_NOACCESS, &old);
  char* at = block + pages * page - size;
  T* object = nullptr;
  try {
    object = new (at) T(std::forward<Args>(args)...);
  } catch (...) {
    VirtualFree(block, 0, MEM_RELEASE);
    throw;
  }
  return GuardedPtr<T>(object, GuardedDeleter<T>{block});
}
