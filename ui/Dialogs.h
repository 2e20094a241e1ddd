// Message boxes and the shell's folder-browse dialog. Windows only.
//
//   ShowMessage(u"请先解析视频！");          // one OK button, centred on the screen
//   MessageDlg(text, mtError, {mbOK}, 0);    // caption and icon by type; answers mrOk ...
//   String dir; if (SelectDirectory(u"请选择文件保存路径", u"", dir, {sdNewFolder, sdNewUI})) ...
//
// With UseLatestCommonDialogs (the default) the boxes are the system's; with it off (the
// skin manager turns it off while a skin is active) they are forms of the class library
// (class TMessageForm: a TLabel "Message", a TImage "Image", one TButton per button named
// after it, "OK" ...), which the skinning engine can skin like any form.
#pragma once

#ifdef _WIN32

#include "Forms.h"

TW_ENUM(TMsgDlgType, mtWarning, mtError, mtInformation, mtConfirmation, mtCustom)
TW_ENUM(TMsgDlgBtn, mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp,
        mbClose)
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
TW_ENUM(TSelectDirExtOpt, sdNewFolder, sdShowEdit, sdShowShares, sdNewUI, sdShowFiles, sdValidateDir)
using TSelectDirExtOpts = TSet<TSelectDirExtOpt>;

extern bool UseLatestCommonDialogs;

// The dialog form of a message box, not shown yet (the caller runs ShowModal and frees it).
TForm* CreateMessageDialog(const String& msg, TMsgDlgType type, TMsgDlgButtons buttons, TMsgDlgBtn defaultButton);
TForm* CreateMessageDialog(const String& msg, TMsgDlgType type, TMsgDlgButtons buttons);
// Shows a message box and answers the modal result of the button pressed (mrOk ...).
// x, y: the box's top-left corner on the screen; -1, -1 centres it on the screen.
Integer MessageDlg(const String& msg, TMsgDlgType type, TMsgDlgButtons buttons, Integer helpCtx);
Integer MessageDlgPos(const String& msg, TMsgDlgType type, TMsgDlgButtons buttons, Integer helpCtx, Integer x,
                      Integer y);
void ShowMessage(const String& msg);
void ShowMessagePos(const String& msg, Integer x, Integer y);

// The shell's folder-browse dialog: caption is the text above the tree, root the folder it
// starts from (empty: the whole namespace), directory the folder preselected (empty: none)
// and, when the user confirms, the folder chosen. Owned by parent's form, else the active
// form. False when cancelled (directory unchanged).
bool SelectDirectory(const String& caption, const String& root, String& directory, TSelectDirExtOpts options,
                     TWinControl* parent = nullptr);

#endif
