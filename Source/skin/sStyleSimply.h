// The registry of skinned forms and the routines through which the skin manager reaches every
// window of the application: the application-wide broadcast of a skin command, the broadcast
// to registered forms and hooked dialogs, the walk over the skin providers of one manager, and
// the freezing, snapshotting and thawing of forms around a skin change. Also the program's
// icons for the title bars, and a test on section indexes for the text painter.
//
// A form's skin provider registers the form when it is made (IntSkinForm) and takes it out
// when it goes (IntUnSkinForm). Standard dialogs skinned through the thread hook are not in
// the registry; they are reached through kvSupportedList (skin/FormServices.h).
//
// Broadcasts walk copies of the lists they visit and check each entry against the live list
// before it is sent to, so a form freed by a receiver is neither sent to nor makes the walk
// skip the rest.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "base/sConst.h"
#include "skin/sSkinManager.h"

class TComponent;

// The registered forms, in registration order, each once.
extern std::vector<TComponent*> HookedComponents;
// Adds the form at the end unless it is registered already.
void IntSkinForm(TComponent* form);
// Takes the form out (every entry of it), keeping the order of the rest.
void IntUnSkinForm(TComponent* form);

// Value equals sections[i] for some i from rangeMin to rangeMax; False when rangeMax is below
// rangeMin (the array is then not read).
bool SectionInArray(const std::array<Integer, kvSectionCount>& sections, Integer value, TkvSection rangeMin,
                    TkvSection rangeMax);

#ifdef _WIN32

#include "skin/FormServices.h"
#include "ui/Messages.h"

class TIcon;

// The small and the large shell icon of the program file; null when the shell gives none, and
// before the module's start-up and after its clean-up. Asked of the shell on the first call:
// the shell takes longer for them than the rest of the engine's start-up. GUI thread only.
TIcon* AppIcon();
TIcon* AppIconLarge();
// The title height last used to re-show a maximized form with an outer border window.
extern Integer& iLatestTitleHeight;

using TkvProviderProc = std::function<void(TkvFormProvider* provider, Integer data)>;
// Calls proc for every registered form of the manager that is visible, not minimized, not an
// MDI child, without a parent, with a window and a provider. Entries added or removed by proc
// are seen.
void IterateForms(DuRiruZireziv* manager, const TkvProviderProc& proc, Integer data = 0);

// The message to every form of the application once: forms owned by the application without
// a provider get it here (the form, its controls, an MDI form's client window), from the last
// form to the first; the registered forms and hooked dialogs through SendToHooked at the end.
void AppBroadCastS(TMessage& message);
// The message to every registered form not being destroyed (the form, its controls, an MDI
// form's client window), then to every visible dialog window of kvSupportedList.
void SendToHooked(TMessage& message);

// Freezes the manager's forms before a skin change (WM_SETREDRAW 0; a form with an outer
// border window shows its snapshot in it meanwhile). Nothing while the application is
// minimized.
void LockForms(DuRiruZireziv* manager);
// Takes a snapshot of each form with an outer border window for the animated skin change and
// marks every form as animating. Nothing while the application is minimized or the manager is
// loading, being read or designed.
void CopyExForms(DuRiruZireziv* manager);
// Gives a refused change back what CopyExForms took: the animating marks go, the snapshots
// are freed, the animation flag returns to wasAnimating.
void DropExForms(DuRiruZireziv* manager, bool wasAnimating);
// Lets the locked forms draw again and, with repaint, repaints each once (faded in when the
// skin-changing animation is on). Every locked form is unlocked, the minimized ones included.
void UnLockForms(DuRiruZireziv* manager, bool repaint);

// The module's start-up (the program's icons) and clean-up (icons and registry).
void sStyleSimplyStartup();
void sStyleSimplyCleanup();

#endif
