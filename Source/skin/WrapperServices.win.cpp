#include "skin/WrapperServices.h"

#include "skin/sCommonData.h"

TkvScrollWrapper* Kv_GetScrollWndFromHwnd(HWND wnd) {
  return wnd ? static_cast<TkvScrollWrapper*>(kvGetWndProp(wnd, KVSBSC)) : nullptr;
}
