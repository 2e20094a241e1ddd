// The wrapper of popup menu windows ("#32768"): the menu painter draws the items, this wrapper
// gives the window itself its frame, background, opacity and shadow from the skin. The dialog
// skinner makes one for every popup menu window it sees created and keeps it in MnuArray; the
// array is emptied when the last open menu has closed.
//
// Sections: the wrapper; the array of open menus and the class data it borrows.
#pragma once

#ifdef _WIN32

#include <vector>

#include "wrappers/kvSBUtils.h"

class TkvShadowForm;

class TkvMnuWnd : public TkvScrollWnd {
  TW_CLASS(TkvMnuWnd, TkvScrollWnd)
  TkvMnuWnd();
  ~TkvMnuWnd() override;
  void AfterCreation() override;
  void Create(HWND aHandle, TsCommonData* aSkinData, DuRiruZireziv* aSkinManager, TkvSkinParams& skinParams,
              bool repaint) override;
  void kvWndProc(TMessage& message) override;

  // The section into the cache, the window's size (only when the background changed).
  void PrepareCache();
  // Keeps the shadow in step with the menu window; drops it once the window is gone or hidden.
  void CheckShadow();

  bool Shown = false;                   // the first WM_NCPAINT has been handled
  bool bFlag = false;                   // the window is being made layered for its first show
  TkvShadowForm* ShadowForm = nullptr;  // owned
  // Frames this wrapper drew itself at WM_NCPAINT, and the painter's frame requests it let
  // through (answered 0 to KV_UPDATING).
  Integer FramePaints = 0;
  Integer PainterFrames = 0;

  // Wrappers alive (made and not yet freed).
  static Integer LiveCount();

 private:
  void SkinCommand(TMessage& message);
  void DroppedDown();
  void FirstShow(const WINDOWPOS* pos);
  void PaintFrame();
  void EraseBackground(TMessage& message);
  void Closing(TMessage& message);
  void UpdateShadow(TLParam lParam);
  void DropShadow();
};

// The wrappers of the popup menu windows caught by the dialog skinner, in order of creation.
// The array holds them; a wrapper whose window closed stays until the array is cleared.
extern std::vector<TkvMnuWnd*> MnuArray;

// What a popup menu wrapper is made with: the section "MAINMENU", the skin's colours and font
// colour, scroll sizes from the skin.
TkvSkinParams MenuWrapperParams();
// A wrapper for the popup menu window (its own skin data, the default manager, no repaint)
// appended to MnuArray; null without a default manager.
TkvMnuWnd* MakeMenuWrapper(HWND wnd);
// Frees every wrapper of MnuArray (a wrapper still inside one of its own messages goes when
// that message returns) and empties the array; the menu class gets its own data back.
void FreeMenuWrappers();

// What the menu wrappers change of the menu window class, kept so that it can be put back:
// the class style (the system drop shadow is switched off while the skin draws one) and the
// background brush (a skin brush under desktop composition, which a skin change deletes).
struct TkvMenuClassData {
  bool StyleSaved = false;
  bool BrushSaved = false;
  ULONG_PTR Style = 0;
  ULONG_PTR Brush = 0;
};
extern TkvMenuClassData kvMenuClassData;
// Puts the saved class data back through a window of the class; nothing when nothing was saved.
void RestoreMenuClassData(HWND wnd);

#endif
