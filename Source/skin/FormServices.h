// What the layers up to the wrappers ask of form skinning, which builds on them: the skin
// provider of a form (its frame painted into its cache, caption and border metrics, region
// and corner rectangles, the outer border and shadow window, cover windows, the form
// animations' events), the dialog skinner behind the thread hook, and the desktop window
// manager's functions beyond the composition query (which every layer asks, and which is in
// base/Composition.h). Declared here, implemented in forms/: the form layer registers it at
// start-up in TkvServiceSlot<TkvFormServices>, and a caller finds the slot empty until then
// and does without. Its operations are added with the first caller that needs them.
//
// Besides the slot:
//   - TkvFormProvider: a form's skin provider as the skin layer reads and drives it. A
//     provider answers KV_GETPROVIDER (sent to its form) with itself as a TkvFormProvider*;
//     a form without one answers 0 (GetFormProvider).
//   - kvSupportedList: the windows the thread hook handed to the dialog skinner; the manager
//     makes it when missing and frees it with its hook, the dialog skinner fills it.
//   - HookCallback and SkinHookCBT: the thread CBT hook the default manager installs; with no
//     form layer registered the hook only passes every call on.
#pragma once

#include <memory>
#include <vector>

#include "base/ServiceSlot.h"
#include "base/sConst.h"

// Bits of a provider's form state (TkvFormProvider::FormStateBits).
constexpr Cardinal FS_BLENDMOVING = 0x80;      // the form moves with blending
constexpr Cardinal FS_ANIMMINIMIZING = 0x100;  // the animated minimize runs
constexpr Cardinal FS_ANIMCLOSING = 0x200;     // the close animation runs
constexpr Cardinal FS_CHANGING = 0x1000;       // a snapshot of the form is being taken
constexpr Cardinal FS_LOCKED = 0x10000;        // drawing frozen by LockForms

#ifdef _WIN32

#include "ui/Messages.h"
#include "ui/WinFwd.h"

struct HHOOK__;
typedef struct HHOOK__* HHOOK;

class TBitmap;
class TComponent;
class DuRiruZireziv;
// The child-control adapter of a form's provider (forms layer); only passed through here.
class TkvCtrlAdapter;
class TControl;
class TCustomForm;
class TForm;
class TkvGlowForm;
class TsCommonData;

// The outer border and shadow window of a provider (a layered window around the form); the
// accessors give its fields AForm, Locked and ExBorderShowing.
class TkvBorderWindow {
 public:
  virtual ~TkvBorderWindow() = default;
  // The window of its layered form; null while it has none.
  virtual HWND LayeredWindow() = 0;
  virtual bool IsLocked() = 0;
  // Set while the border shows a picture of its own (the form underneath is being changed).
  virtual bool& ShowingFlag() = 0;
  // Frees its layered window (the border shows nothing until the form makes a new one).
  virtual void FreeLayeredWindow() = 0;
  // A new region of the layered window (the caller hands it to SetWindowRgn).
  virtual HRGN MakeRgn() = 0;
  // Repositions (and with repaint repaints) the layered window around the form at blend.
  virtual void UpdateExBordersPos(bool repaint, Byte blend) = 0;
  // Where the form window's top-left corner lies in the border's picture: the shadow's margin
  // and how far the skin's frame reaches beyond the system's (its title corrected when the form
  // is maximized).
  virtual Integer OffsetX() { return 0; }
  virtual Integer OffsetY() { return 0; }
  // Makes a new layered form in place of the one it has (nothing while a show animation owns
  // the screen).
  virtual void CreateNewForm() = 0;
  // Lets go of its layered form, which gets its own window procedure back; the caller owns it.
  // Null when it has none.
  virtual std::unique_ptr<TkvGlowForm> ReleaseLayeredForm() = 0;
};

// A form's skin provider as the skin layer reaches it. The accessors give the provider's own
// fields by reference (Form, FCommonData, FFormState, FInAnimation, FDrawNonClientArea,
// BorderForm, CoverBmp).
class TkvFormProvider {
 public:
  virtual ~TkvFormProvider() = default;
  virtual TForm* ProviderForm() = 0;
  // The provider's skin data (its manager, background state, section, transparency).
  virtual TsCommonData* SkinData() = 0;
  // FS_ bits.
  virtual Cardinal& FormStateBits() = 0;
  // Marked as animating: the provider leaves its form's painting alone meanwhile.
  virtual bool& AnimatingMark() = 0;
  // The provider paints the form's frame and caption.
  virtual bool PaintsNonClientArea() = 0;
  // The outer border window; null without one.
  virtual TkvBorderWindow* OuterBorder() = 0;
  // The snapshot of the form taken before an animated skin change; owned by the provider.
  virtual std::unique_ptr<TBitmap>& Snapshot() = 0;
  // The form's current title height.
  virtual Integer ActualTitleHeight() = 0;
  // A new 32-bit image of the whole form.
  virtual std::unique_ptr<TBitmap> GetFormImage() = 0;
  // Makes the client part of a picture of the form opaque where the provider's picture keeps
  // alpha (outer border, system blur); nothing for others.
  virtual void FillAlphaClient(TBitmap*) {}
  // Recomputes the transparent corner rectangles, then applies the region the skin shapes.
  virtual void FillArOR() = 0;
  // The form's shape with its top-left corner at (x, y): its rectangle less the transparent
  // corner rectangles, a new region the caller owns; null when the provider shapes nothing.
  virtual HRGN GetRgnFromArOR(Integer, Integer) { return nullptr; }
  virtual void UpdateRgn() = 0;
  // Called for every control of the form after a repaint while the provider's skin data has
  // a transparency mode; answering True ends the walk.
  virtual bool TransparencyCallback(TControl* control, Integer& data) = 0;

  // The form's own animations, as the application-window hook starts them. A provider that
  // has none answers that nothing started (the hook then minimizes or restores plainly).
  // Starts the animated minimize to the taskbar button; True when it runs.
  virtual bool StartMinimizing() { return false; }
  // Starts the animated restore from the taskbar button; True when it runs.
  virtual bool StartRestoring() { return false; }
  // Gives up the cover window the provider keeps over its form (the snapshot of a hide that
  // did not run its course); the caller owns it. Null without one.
  virtual std::unique_ptr<TkvGlowForm> TakeCoverForm();
  // Shows the skinned system menu at a screen point; True when it showed.
  virtual bool DropSysMenu(Integer, Integer) { return false; }
  // Answers the taskbar's thumbnail and live-preview requests; True when answered.
  virtual bool SetThumbIcon(HWND, Integer, Integer) { return false; }
  virtual bool SetPreviewBmp(HWND) { return false; }
  // The provider's window-animation switches (SkipAnimation, FAllowAnimation).
  virtual bool& SkipAnimationMark() = 0;
  virtual bool AllowsAnimation() = 0;
  // Raises the provider's after-animation event with event (0 shown, 1 hidden, 2 skin
  // changed); False when no handler is set or the provider is going, so nothing was called.
  virtual bool RaiseAfterAnimation(Byte) { return false; }
  // Where the form's messages enter the form's own scroll wrapper; unset while the provider has
  // none (the provider's skin data then calls the provider directly).
  virtual TWndMethod ScrollWrapperProc() { return TWndMethod(); }
};

// The provider of a form window (its answer to KV_GETPROVIDER); null when it has none.
TkvFormProvider* GetFormProvider(HWND form);
// The provider of the form of a component (the first form among its owners); null.
TkvFormProvider* GetSkinProvider(TComponent* component);

// One window the thread hook handed to the dialog skinner.
class TkvHookedWindow {
 public:
  virtual ~TkvHookedWindow() = default;
  // The window of its dialog wrapper; null while it has none.
  virtual HWND DialogWindow() = 0;
};
using TkvSupportedList = std::vector<std::unique_ptr<TkvHookedWindow>>;
// Null until the default manager makes it; its entries are freed with it.
extern std::unique_ptr<TkvSupportedList> kvSupportedList;
// Makes kvSupportedList when it is missing.
void CreateSupportedList();
// The dialog wrapper windows of the entries that have one, in list order.
std::vector<HWND> SupportedDialogWindows();

// The thread CBT hook: its handle while installed, and its procedure.
extern HHOOK HookCallback;
intptr_t __stdcall SkinHookCBT(int code, uintptr_t wParam, intptr_t lParam);

class TkvFormServices {
 public:
  virtual ~TkvFormServices() = default;
  // Hands a window to the dialog skinner (a form gets a provider of its own).
  virtual void AddSupportedForm(HWND wnd) = 0;
  // The thread CBT hook's work; it calls the next hook itself.
  virtual intptr_t HookCBT(int code, uintptr_t wParam, intptr_t lParam) = 0;
  // Frees every popup-menu window wrapper the hook made.
  virtual void ClearMnuArray() = 0;
  // A topmost layered window holding a copy of the screen at r, to hide a repaint; the
  // caller frees it.
  virtual TkvGlowForm* MakeCoverForm(HWND parentWnd, const TRect& r) = 0;
  // True while a provider's child-control adapter frees all of its items.
  virtual bool AdapterItemsRemoving() { return false; }
  // The skin manager of the provider the adapter belongs to; null when none.
  virtual DuRiruZireziv* AdapterSkinManager(TkvCtrlAdapter*) { return nullptr; }
  // The form of the skinned MDI main form's provider; null while there is none.
  virtual TCustomForm* MDIProviderForm() { return nullptr; }
};

// The services' operations with the answers the engine gives while no form layer is
// registered: nothing is skinned, no popup-menu wrapper exists, no cover window is made, and
// no adapter removes items.
void AddSupportedForm(HWND wnd);
void ClearMnuArray();
TkvGlowForm* MakeCoverForm(HWND parentWnd, const TRect& r);
bool AdapterItemsRemoving();
DuRiruZireziv* AdapterSkinManager(TkvCtrlAdapter* adapter);
TCustomForm* MDIProviderForm();

#endif
