// The dialog skinner: the thread hook hands it the forms that are activated and the dialog,
// popup-menu and ownerless top-level windows that are created, and it decides whether and how
// each is skinned. A class-library form without a provider gets a run-time skin provider
// through a small TkvProvider component that it adds to the form; a standard dialog that has
// an owner (the folder picker) is handled by leaving its standard look.
//
// What it offers the layers below goes through TkvFormServices (skin/FormServices.h), which
// kvDialsStartup registers and kvDialsCleanup takes back.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include "forms/kvDialogWnd.h"
#include "forms/sSkinProvider.h"
#include "skin/FormServices.h"

// One window the skinner skinned. A form's entry is a component of the form (it goes with the
// form, or when the list is cleaned, and then leaves no slot in kvSupportedList); the run-time
// provider belongs to the form and stays with it. A standard dialog's entry is owned by the list and holds the dialog's
// wrapper.
class TkvProvider : public TComponent, public TkvHookedWindow {
  TW_CLASS(TkvProvider, TComponent)
  explicit TkvProvider(TComponent* owner) : TComponent(owner) {}
  ~TkvProvider() override;
  // Gives the form its run-time provider ("DIALOG" for message and input forms).
  void InitForm(TForm* form);
  // An ownerless standard dialog: its wrapper, unless the skin is not active. Always True.
  bool InitSkin(HWND wnd);
  HWND DialogWindow() override { return DlgWnd && !DlgWnd->Destroyed ? DlgWnd->CtrlHandle : nullptr; }
  // Prints the visible child windows of wnd, and theirs, each at its place in wnd's client
  // area, into dc (whose origin is wnd's client origin): skinned ones through KV_PRINTING
  // around WM_PRINT, others by their own WM_PRINT. Answers False.
  static bool PrintHwndControls(HWND wnd, HDC dc);
  // Gives the child windows of wnd (their children first) the window wrappers their classes
  // call for; the dialog wrapper dlg keeps them. False when a window could not be taken.
  static bool InitHwndControls(TkvDialogWnd* dlg, HWND wnd);
  // The wrapper of one child window by its lower-cased class and style; True also when the
  // class calls for none or the window is skinned already; False for no window.
  static bool AddControl(TkvDialogWnd* dlg, HWND wnd);

  TsSkinProvider* sp = nullptr;
  // The wrapper of an ownerless standard dialog; the entry goes when the wrapper let go.
  std::unique_ptr<TkvDialogWnd> DlgWnd;
  HWND CtrlHandle = nullptr;
};

// Decides for one top-level window: True when it is handled (skinned now, or left alone for
// good), False when it is not skinned and a later call may try again.
bool AddSupportedFormEx(HWND wnd);
// The thread CBT hook's work after the next hook ran.
void DialogHookCBT(int code, WPARAM wParam, LPARAM lParam);
// Removes the entries of kvSupportedList that are done: empty slots, form entries (the form
// keeps its provider) and dialog entries whose wrapper let go, freeing them.
void CleanSupportedList();
// The first entry for the window; null without a list or while the application ends.
TkvProvider* FindFormInList(HWND wnd);
// The form (or an MDI child of an MDI parent form) whose window it is; null when none.
TCustomForm* FindFormOnScreen(HWND wnd);
// The skinned standard dialogs that are visible (dead entries are cleaned first).
Integer VisibleDlgCount();
// Makes the wrapper of a standard dialog into listSW, or drops it when no skin is active (the
// dialog's flat scroll bars then come back).
void InitDialog(HWND wnd, std::unique_ptr<TkvDialogWnd>& listSW);
// Any descendant window has this lower-cased class name.
bool ControlExists(HWND wnd, const String& lowerClassName);
// Sends the message to each direct child window of wnd, top of the z-order first; a child
// gone or moved elsewhere meanwhile is skipped. Grandchildren hear of it from their parents.
void BroadCastHwnd(HWND wnd, const TMessage& message);

// The module's start-up and clean-up: the form services registered and taken back.
void kvDialsStartup();
void kvDialsCleanup();
#endif
