#include "sVclUtils.h"

#include <windows.h>

#include "sCommonData.h"
#include "sMessages.h"

// ---- Skin command transport -----------------------------------------------------------

TMessage MakeMessage(Cardinal msg, uintptr_t wParam, intptr_t lParam, intptr_t result) {
  TMessage m;
  m.Msg = msg;
  m.WParam = wParam;
  m.LParam = lParam;
  m.Result = result;
  return m;
}

intptr_t TrySendMessage(HWND handle, Cardinal msg, uintptr_t wParam, intptr_t lParam) {
  TsCommonData* sd = GetCommonData(handle);
  if (sd && sd->WndProc) {
    // The direct call skips the system's dispatch for the frequent queries.
    TMessage m = MakeMessage(msg, wParam, lParam);
    try {
      sd->WndProc(m);
    } catch (...) {
      return 0;
    }
    return m.Result;
  }
  return SendMessageW(handle, msg, wParam, lParam);
}

intptr_t SendAMessage(HWND handle, Word command, intptr_t lParam) {
  return TrySendMessage(handle, SM_ALPHACMD, static_cast<uintptr_t>(command) << 16, lParam);
}

bool GetBoolMsg(HWND handle, Word command) { return SendAMessage(handle, command, 0) == 1; }

namespace {
struct ChildBroadcast {
  HWND parent;
  TMessage* message;
};
}  // namespace

int __stdcall SendToChildren(HWND child, intptr_t data) {
  auto* b = reinterpret_cast<ChildBroadcast*>(data);
  if (GetParent(child) == b->parent) TrySendMessage(child, b->message->Msg, b->message->WParam, b->message->LParam);
  return TRUE;
}

void AlphaBroadCast(HWND handle, TMessage& message) {
  ChildBroadcast b{handle, &message};
  EnumChildWindows(handle, reinterpret_cast<WNDENUMPROC>(&SendToChildren), reinterpret_cast<LPARAM>(&b));
}

void BroadCastMsg(HWND handle, TMessage& message) {
  for (HWND child = GetTopWindow(handle); child; child = GetWindow(child, GW_HWNDNEXT))
    if (GetWindowLongW(child, GWL_STYLE) & WS_CHILD) TrySendMessage(child, message.Msg, message.WParam, message.LParam);
}

void SetParentUpdated(HWND pHwnd) {
  for (HWND child = GetTopWindow(pHwnd); child; child = GetWindow(child, GW_HWNDNEXT))
    if (GetWindowLongW(child, GWL_STYLE) & WS_CHILD) SendAMessage(child, KV_ENDPARENTUPDATE);
}

void SetRedraw(HWND handle, Integer value) {
  TrySendMessage(handle, WM_SETREDRAW, static_cast<uintptr_t>(value), 0);
}
