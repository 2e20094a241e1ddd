// MDI support of a skin provider whose form is an MDI main form: the wrapper of the form's MDI
// client window, the commands of a maximized child's buttons, and the provider's queries and
// paints around them.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include "ui/Forms.h"
#include "wrappers/kvSBUtilsMDI.h"

class TsSkinProvider;

// The provider of the MDI main form; null while none is hooked.
extern TsSkinProvider* MDISkinProvider;

class TsMDIForm : public TkvMDIHost {
 public:
  explicit TsMDIForm(TsSkinProvider* owner);
  ~TsMDIForm() override;
  // Wraps the MDI client once (not at design time, not twice).
  void ConnectToClient();
  // A new client wrapper, or none while the provider is not skinned.
  void RefreshMDIScrolls();
  void DestroyScrolls();
  // Repaints the provider's menu line.
  void UpdateMDIIconItem() override;
  // No menu item is made for the child's icon.
  TMenuItem* MakeChildIconItem() { return nullptr; }
  // The buttons of a maximized child: its system commands.
  void CloseClick(TObject* sender);
  void MinClick(TObject* sender);
  void RestoreClick(TObject* sender);

  // -- TkvMDIHost.
  HWND FormWindow() override;
  TsCommonData* FormSkinData() override;
  bool Animating() override;
  void RepaintPicture() override;
  bool HasOuterBorder() override;
  TPoint PictureOffset() override { return TPoint(); }  // no outer border window is made yet
  void BackgroundChanged(bool menuChanged) override;
  void UpdateSystemMenu() override;
  void UpdateSkinCaption() override;

  TForm* FForm = nullptr;
  TkvScrollWnd* ListSW = nullptr;  // owned: the client's TkvMDIWnd
  TsSkinProvider* SkinProvider;

 private:
  void SendToActiveChild(Cardinal command);
};

// Hooks (active) or unhooks the MDI support of the provider's form. A client that lost its
// wrapper gets a new support object.
void HookMDI(TsSkinProvider& sp, bool active);
// After a skin change: the client's wrapper anew.
void RefreshMDI(TsSkinProvider& sp);
// The form's menu line must carry the maximized active child's buttons: an MDI main form with a
// main menu whose active child is maximized, has a system menu and is skinned by a provider.
bool MDIButtonsNeeded(TsSkinProvider& sp);
// The skinned MDI main form (MDISkinProvider) shows its active child's icon at the start of its
// menu bar: the child is maximized, has a system menu and an icon to show.
bool ChildIconPresent();
// The icon a maximized child shows in the menu bar: its window's own, else the program's small
// icon, else the system's application icon; null when there is none at all.
HICON MDIChildIcon(TCustomForm* child);
// The maximized child's buttons at the right end of the last menu line: their rectangles
// (picture coordinates) go to MDIClose, MDIMax and MDIMin, empty when no buttons are shown.
void CalcMDIButtons(TsSkinProvider& sp);
// Lays them out and paints them into the picture bmp.
void PaintMDIButtons(TsSkinProvider& sp, TBitmap* bmp);
// A child button is drawn reduced and does nothing: the active child's system menu does not
// allow its command.
bool MDIButtonDisabled(TsSkinProvider& sp, Integer ht);
// The child button's code (HTCHILDCLOSE, HTCHILDMAX, HTCHILDMIN) under p, 0 for none.
Integer MDIButtonHitTest(TsSkinProvider& sp, TPoint p);
// Runs the command of the child button ht on the active child; False for any other code.
bool MDIButtonCommand(TsSkinProvider& sp, Integer ht);
// Copies the right end of the provider's menu line (60 pixels wide, the sender's menu height
// plus 3 high, ending at the frame's right border) from the form picture onto the sender
// form's canvas.
void MdiIcoFormPaint(TsSkinProvider& sp, TCustomForm* sender);
#endif
