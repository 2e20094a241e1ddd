#include "sCommonData.h"

#include <windows.h>

#include <unordered_map>

namespace {
// GUI thread only, like every skin data object.
std::unordered_map<HWND, TsCommonData*>& Links() {
  static std::unordered_map<HWND, TsCommonData*> links;
  return links;
}
}  // namespace

void SetCommonData(HWND handle, TsCommonData* data) {
  if (!handle) return;
  if (data) {
    SetPropW(handle, reinterpret_cast<LPCWSTR>(KVSDATA), data);
    Links()[handle] = data;
  } else {
    RemovePropW(handle, reinterpret_cast<LPCWSTR>(KVSDATA));
    Links().erase(handle);
  }
}

TsCommonData* GetCommonData(HWND handle) {
  if (!handle) return nullptr;
  auto& links = Links();
  const auto it = links.find(handle);
  if (it == links.end()) return nullptr;
  // A window destroyed without its link removed: the link goes with it.
  if (!IsWindow(handle)) {
    links.erase(it);
    return nullptr;
  }
  return it->second;
}
