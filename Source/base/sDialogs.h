// The library's message box: a system message box owned by the active form, with caption and
// icon by kind, its buttons chosen from the button set, the other windows of the program
// disabled while it is shown and the focus given back afterwards.
#pragma once

#ifdef _WIN32

#include <array>

#include "ui/Dialogs.h"

// Default captions by message kind.
extern std::array<String, 5>& Captions;
// The screen position asked for the box being shown, -1 while none is (read by the dialog
// skinner as the box is made).
extern Integer& DlgLeft;
extern Integer& DlgTop;

// sMessageDlgPosHelp with an empty title, no position and no help file.
Integer sMessageDlg(const String& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, Integer helpCtx);
// The identifier of the pressed button as MessageBoxIndirectW answers it (IDOK 1 ... IDNO 7).
// x, y become DlgLeft, DlgTop while the box is shown; helpFileName is not used.
Integer sMessageDlgPosHelp(const String& title, const String& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons,
                           Integer helpCtx, Integer x, Integer y, const String& helpFileName);
// The box's help callback: the help button asks the application for the help of the box's
// context (a context of 0 asks for nothing).
struct tagHELPINFO;
void __stdcall MsgBoxCallback(tagHELPINFO* helpInfo);
// The system box's style for a kind and a button set.
Cardinal MessageBoxStyle(TMsgDlgType dlgType, TMsgDlgButtons buttons);

// Clean-up: empties the captions.
void sDialogsCleanup();

#endif
