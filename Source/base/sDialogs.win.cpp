#include "base/sDialogs.h"

#include "base/EngineState.h"

#include <windows.h>

#include <vector>

std::array<String, 5>& Captions = kvSettings.Captions;
Integer& DlgLeft = kvRunState.DlgLeft;
Integer& DlgTop = kvRunState.DlgTop;

void sDialogsCleanup() {
  for (String& c : Captions) c.clear();
}

Cardinal MessageBoxStyle(TMsgDlgType dlgType, TMsgDlgButtons buttons) {
  static const Cardinal icons[] = {MB_ICONWARNING, MB_ICONERROR, MB_ICONINFORMATION, MB_ICONQUESTION, 0};
  Cardinal style = icons[dlgType];
  // OK comes first: any set with OK is OK (and Cancel).
  if (buttons.Contains(mbOK))
    style |= buttons.Contains(mbCancel) ? MB_OKCANCEL : MB_OK;
  else if (buttons.Contains(mbAbort) || buttons.Contains(mbIgnore))
    style |= MB_ABORTRETRYIGNORE;
  else if (buttons.Contains(mbYes) || buttons.Contains(mbNo))
    style |= buttons.Contains(mbCancel) ? MB_YESNOCANCEL : MB_YESNO;
  else if (buttons.Contains(mbRetry))
    style |= MB_RETRYCANCEL;
  else
    style |= MB_OK;
  if (buttons.Contains(mbHelp)) style |= MB_HELP;
  return style;
}

namespace {

BOOL CALLBACK CollectEnabled(HWND wnd, LPARAM list) {
  if (IsWindowVisible(wnd) && IsWindowEnabled(wnd)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(wnd);
  return TRUE;
}

// The position asked for the box, from its start until it has closed on any path.
class TRequestedBoxPosition {
 public:
  TRequestedBoxPosition(Integer x, Integer y) {
    DlgLeft = x;
    DlgTop = y;
  }
  ~TRequestedBoxPosition() { DlgLeft = DlgTop = -1; }
  TRequestedBoxPosition(const TRequestedBoxPosition&) = delete;
  TRequestedBoxPosition& operator=(const TRequestedBoxPosition&) = delete;
};

}  // namespace

void __stdcall MsgBoxCallback(HELPINFO* helpInfo) {
  if (helpInfo && helpInfo->dwContextId != 0 && Application)
    Application->HelpContext(static_cast<Integer>(helpInfo->dwContextId));
}

Integer sMessageDlgPosHelp(const String& title, const String& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons,
                           Integer helpCtx, Integer x, Integer y, const String&) {
  const String caption = title.empty() ? Captions[dlgType] : title;
  const TRequestedBoxPosition position(x, y);
  if (Application) Application->ModalStarted();
  TCustomForm* activeForm = Screen ? Screen->ActiveForm() : nullptr;
  HWND owner = activeForm && activeForm->HandleAllocated() ? activeForm->WindowHandle() : GetActiveWindow();

  MSGBOXPARAMSW params{};
  params.cbSize = sizeof(params);
  params.hwndOwner = owner;
  params.lpszText = WideStr(msg);
  params.lpszCaption = WideStr(caption);
  params.dwStyle = MessageBoxStyle(dlgType, buttons);
  params.dwContextHelpId = static_cast<DWORD_PTR>(helpCtx);
  params.lpfnMsgBoxCallback = reinterpret_cast<MSGBOXCALLBACK>(&MsgBoxCallback);
  if (Application && Application->BiDiMode() == bdRightToLeft) params.dwStyle |= MB_RIGHT;

  // The box is modal to the whole program: the other windows of the task are disabled while
  // it is shown, and the window that was active gets the focus back.
  HWND active = GetActiveWindow();
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
  for (HWND w : disabled) EnableWindow(w, FALSE);
  const Integer result = MessageBoxIndirectW(&params);
  for (HWND w : disabled)
    if (IsWindow(w)) EnableWindow(w, TRUE);
  if (active && IsWindow(active)) {
    SetFocus(nullptr);
    SetFocus(active);
  }
  if (Application) Application->ModalFinished();
  return result;
}

Integer sMessageDlg(const String& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, Integer helpCtx) {
  return sMessageDlgPosHelp(String(), msg, dlgType, buttons, helpCtx, -1, -1, String());
}
