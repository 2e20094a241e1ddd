// The layered show and hide animations of skinned forms and of skinned standard dialogs, and
// the printing of a dialog's client area into its picture. The frame schedules, the show run
// and the hide timer are the skin layer's (skin/sVclUtils.h); here the provider's or the
// wrapper's picture is made, handed to them, and the real window is revealed or hidden.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include "base/sConst.h"

class TBitmap;
class TkvDialogWnd;
class TsSkinProvider;

// Animates the showing of the provider's form over wTime ms up to maxTransparency, then shows
// the form and raises its OnAfterAnimation (aeShowing). Nothing for a minimized form or a
// provider without skin data; a form without a picture is left unshown.
void AnimShowForm(TsSkinProvider* sp, Word wTime, Integer maxTransparency, TkvAnimType animType);
// The hide animation of the provider's form (time ms, from the form's opacity down to 0); the
// form is hidden when it returns and its OnAfterAnimation gets aeHiding. Nothing for an MDI
// child or a provider without a picture.
void AnimHideForm(TsSkinProvider* sp, Integer time, TkvAnimType mode);

// The same for a skinned standard dialog through its wrapper; no event at the end. The hide
// takes its time and kind from the manager's dialog-hide settings.
void AnimShowDlg(TkvDialogWnd* listSW, Word wTime, Integer maxTransparency, TkvAnimType animType);
void AnimHideDlg(TkvDialogWnd* listSW);

// Puts the dialog's client area into its picture at the client offset: copied from the screen
// (copyScreen), or its child windows printed; the client part is made opaque.
void PrintDlgClient(TkvDialogWnd* listSW, TBitmap* dstBmp, bool copyScreen);
#endif
