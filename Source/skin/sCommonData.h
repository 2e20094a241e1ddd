// The skin data object of a skinned control or window: the link between its owner and a
// section of the current skin. Found from a window through the window property "KVSDATA".
//
// Sections:
//   1. TsCommonData: manager, section, per-PPI skin data, cache, state, updating
//      (sCommonData.cpp, sCommonData.win.cpp)
//   2. The common message handling: CommonWndProc and the skin commands every skinned window
//      answers, and the gate that keeps other processes' commands out (sCommonDataMessages.win.cpp)
//   3. Backgrounds, colours and fonts (sCommonDataColors.cpp, sCommonDataColors.win.cpp)
//   4. Outer effects, glowing and lit controls, skin data of scrolled windows
//      (sCommonDataEffects.win.cpp)
//   5. Window properties, font sections and the other window helpers (sCommonData.win.cpp)
#pragma once

#include <array>
#include <memory>

#include "base/SkinDataBase.h"
#include "base/kvThdTimer.h"
#include "base/kvntTypes.h"
#include "base/sConst.h"
#include "ui/Classes.h"
#include "ui/Messages.h"

class TBitmap;
class TControl;
class TkvSkinData;
class TkvPaintBorderData;
class DuRiruZireziv;
class TsCommonData;

enum TkvOpaqueMode : Byte { omAuto, omForceOpaque, omAlphaChannel };

// The window property that holds a window's skin data object.
inline constexpr Char KVSDATA[] = u"KVSDATA";
// The window property that holds a window's scroll wrapper.
inline constexpr Char KVSBSC[] = u"KVSBSC";

// The colour value "none of its own".
constexpr TColor kvNoColor = 0x1FFFFFFF;

// When the control's outer effect (a shadow or glow outside its bounds) shows.
class TkvOuterEffects : public TPersistent {
  TW_CLASS(TkvOuterEffects, TPersistent)
  explicit TkvOuterEffects(TsCommonData* aOwner) : FOwner(aOwner) {}
  TkvOuterVisibility Visibility() const { return FVisibility; }
  // A change repaints the control (unless it is loading).
  void SetVisibility(TkvOuterVisibility value);
  // ovAlways; ovFocused while the owner has the focus.
  bool IsShown() const;
  // The parent repaints (the effect lies on its background) and so does the control.
  void Invalidate();

  TsCommonData* FOwner;
  TkvOuterVisibility FVisibility = ovNone;
};

// ---- 1. TsCommonData ----------------------------------------------------------------------

class TsCommonData : public TkvSkinDataBase {
  TW_CLASS(TsCommonData, TkvSkinDataBase)
  // aOwner: the control (it becomes FOwnerControl; a windowed one's WindowProc is saved for
  // direct calls), a form's provider, an adapter or a window wrapper. With createCacheBmp the
  // cache bitmap exists from the start (0 x 0, 32 bits).
  explicit TsCommonData(TObject* aOwner, bool createCacheBmp = false);
  ~TsCommonData() override;

  // The owner finished loading: the section is resolved anew, the control announced to its
  // form, its glass mode asked from its parent and (updateColors) its colours taken from the
  // skin; the window property is set.
  virtual void Loaded(bool updateColors = true);
  // Forgets the owner (its owners call it before letting the object outlive them).
  void ClearLinks();
  // The custom border changed: the owner repaints.
  void OnChanged(TObject* sender);

  // -- Manager and skin data.
  // The control's own manager, else the default manager.
  DuRiruZireziv* GetSkinManager() const;
  // The default manager is stored as none; the owner is refreshed or unskinned.
  void SetSkinManager(DuRiruZireziv* value);
  bool ManagerStored() const { return FSkinManager != nullptr; }
  // SkinSection is written unless it is empty or the owner's own default section (the owner
  // names it by position in kvDefSections, KV_GETDEFSECTION).
  bool SectionStored() const;
  // The skin data the owner is drawn with, chosen by the manager's scale mode and the owner's
  // PPI and cached until the skin, the manager, the scale or the DPI changes: a paint asks no
  // manager once it is cached.
  TkvSkinData* GetCommonSkinData();
  void SetCommonSkinData(TkvSkinData* value);
  // The owner has a manager and a valid section of it and is not being destroyed; with
  // checkSkinActive the manager's skin is also active. False on any exception.
  bool Skinned(bool checkSkinActive = false);
  // The manager is changing its skin.
  bool SkinIsChanging();

  // -- Section.
  // Stores the name upper-cased, resolves the index and refreshes (or unskins) the owner.
  void SetSkinSection(const String& value);
  const String& SkinSection() const { return FSkinSection; }
  // Resolves SkinIndex: by name, else the owner's default section (KV_GETDEFINDEX); then the
  // background kind. updateMain: the per-PPI skin data is looked up again first.
  void UpdateIndexes(bool updateMain = true);
  // The first of the names that the skin has becomes the section.
  void InitIndexes(const std::vector<String>& sections);
  // The default section of the owner's control class, when no section is set.
  void UpdateData();
  // Which dimensions of the owner the section's background depends on (BGT_ bits).
  void InitBGType();

  // -- Updating and repainting.
  void BeginUpdate();
  void EndUpdate(bool repaint = false);
  // The owner must not paint now: its own update, or its parent's (KV_PREPARING).
  bool GetUpdating();
  // GetUpdating, remembered in FUpdating so that the owner paints when the parent is done.
  bool InUpdating(bool reset = false);
#ifdef _WIN32
  // Marks the background changed and, unless the owner is loading, hidden or being destroyed,
  // has it redrawn (at once with updateNow).
  void Invalidate(bool updateNow = false);
  // ScaleInt(value, this).
  Integer ScaleValue(Integer value) override;
  // A move of the owner needs a repaint: True unless a transparent section's parent says its
  // background under the owner did not change.
  bool RepaintIfMoved();
  // The owner's window (a provider's form, a control's, or a wrapper's FSWHandle); 0 when none.
  HWND OwnerHandle();
  // Sets "KVSDATA" on the owner's window (saving its window procedure first).
  void InitCommonProp();
  void RemoveCommonProp();
#endif
  // Makes the cache bitmap (32 bits) when missing and sizes it to the owner control.
  void InitCacheBmp();

  // -- Colour adjustments and options.
  void SetColorTone(TColor value);
  // 0 HUEOffset, 1 Saturation.
  void SetInteger(Integer index, Integer value);
  // 0 CustomColor, 1 CustomFont: switching on gives the saved colour back, switching off saves
  // the present one; then the skin colours apply.
  void SetBoolean(Integer index, bool value);
  void SetOpaqueMode(TkvOpaqueMode value);
  bool DoForceOpaque() const;

  // -- State.
  // The state index to paint: 1 (hot) while focused or hovered as the control's class allows,
  // else 0.
  bool ControlIsActive();
  // Stops the state fade (its bitmaps go).
  void StopTimer();
  void StopCircleTimer();
  // The fade runs, or the attention pulse with its picture.
  bool TimerIsActive() const;

  TkvSkinData* FCommonSkinData = nullptr;  // not owned
  TkvOpaqueMode FOpaqueMode = omAuto;
  std::unique_ptr<TkvPaintBorderData> FCustomBorder;  // the control's own border
  bool FCustomFont = false;
  bool FCustomColor = false;
  std::unique_ptr<TBitmap> FOuterCache;  // the background under the outer effect
  String FSkinSection;
  DuRiruZireziv* FSkinManager = nullptr;
  std::unique_ptr<TkvOuterEffects> FOuterEffects;
  Integer RedrawLockCount = 0;  // open WM_SETREDRAW locks
  TColor FColorTone = clNone;
  TColor SavedColor = kvNoColor;      // owner colour saved when CustomColor changes
  TColor SavedFontColor = kvNoColor;  // owner font colour saved when CustomFont changes
  bool FFocused = false;
  bool FUpdating = false;
  bool HalfVisible = false;
  bool Loading = true;         // until Loaded
  bool GlassModeInit = false;  // a glass-mode command is being passed on
  Byte COC = 0;
  Byte TranspMode = 0;  // TM_OPAQUE, TM_PARTIAL, TM_FULL
  Integer GlowID = -1;
  Integer CircleID = -1;
  Integer PPIIndex = -1;
  Integer FHUEOffset = 0;
  Integer FSaturation = 0;
  Integer FUpdateCount = 0;
#ifdef _WIN32
  HDC PrintDC = nullptr;  // target of the print in progress
#endif
  std::unique_ptr<TBitmap> FCacheBmp;  // the owner's rendered look; none before the first paint
  TkvOwnedTimer AnimTimer{this};       // the state-change fade
  TkvOwnedTimer PulsTimer{this};       // the attention pulse
  TkvOwnedTimer ClickTimer{this};      // the click ripple
  TkvOwnedTimer CircleTimer{this};     // the light circle
#ifdef _WIN32
  HWND FSWHandle = nullptr;
#endif
  TWndMethod WndProc;  // the owner's window procedure from before skinning; unset: no direct calls
  TObject* FOwnerObject = nullptr;
  Word BGType = 0;             // BGT_ bits
  Cardinal CtrlSkinState = 0;  // KVS_ bits
  bool BGChanged = true;
  bool FMouseAbove = false;  // the mouse is over the owner
  Integer SkinIndex = -1;

 private:
  void SetStateBit(Cardinal bit, bool on) { CtrlSkinState = on ? CtrlSkinState | bit : CtrlSkinState & ~bit; }
  friend class TkvStateBitScope;
#ifdef _WIN32
  HWND FPropHandle = nullptr;  // the window that "KVSDATA" was set on
#endif
};

// Jumps a running animation to its end: its last frame is drawn once more (the target look of a
// fade), then it stops and drops its frame. Nothing for a missing timer or one that is going.
void FinishTimer(TkvThreadedTimer* timer);

// Sets a KVS_ bit of the skin data for a scope and clears it on every way out.
class TkvStateBitScope {
 public:
  TkvStateBitScope(TsCommonData& data, Cardinal bit) : data_(data), bit_(bit) { data_.SetStateBit(bit_, true); }
  ~TkvStateBitScope() { data_.SetStateBit(bit_, false); }
  TkvStateBitScope(const TkvStateBitScope&) = delete;
  TkvStateBitScope& operator=(const TkvStateBitScope&) = delete;

 private:
  TsCommonData& data_;
  Cardinal bit_;
};

// The default sections the skinned controls name by position (KV_GETDEFSECTION answers the
// position + 1). A position whose name no control of this program gives is empty: a section
// set on such a control is always written.
extern const std::array<const Char*, 19> kvDefSections;
// Whether a section is written for an owner that answered KV_GETDEFSECTION with
// defSectionAnswer: always when the answer is no position of kvDefSections, otherwise when
// the section is set and differs from the default.
bool kvSectionStored(intptr_t defSectionAnswer, const String& section);

// How often GetCommonSkinData had to ask a manager for skin data (it answers from its cache
// otherwise). The benchmark and the tests read it.
extern Integer& kvSkinDataLookups;

// Set while a new skin travels to the controls: they take it without painting and repaint
// once afterwards.
extern bool& RestrictDrawing;

// The skin data of controls lit by the mouse light (buttons, edits).
class TsCtrlSkinData : public TsCommonData {
  TW_CLASS(TsCtrlSkinData, TsCommonData)
  using TsCommonData::TsCommonData;
  ~TsCtrlSkinData() override;
  // Registers the control with the light when its class is lit.
  void Loaded(bool updateColors = true) override;
  // The light is shown: with checkTimer while it runs; else while the mouse is above and the
  // default manager lights the active control.
  bool DoLighting(bool checkTimer);
  // Frees the light's mask and hot picture when no light shows (or at once without checkTimer).
  void DestroyNeedlessLight(bool checkTimer);
  // Light off, distances 0, pictures freed.
  void ResetLight();

  std::unique_ptr<TBitmap> HotCache;
  std::unique_ptr<TBitmap> LightMask;
  TEvent<void(TControl* Sender, TkvAnimEventData& Data)> OnUpdateLight;
  bool FDoLighting = false;
  Integer LightDistanceX = 0, LightDistanceY = 0;
  TPoint OldMousePos;
};

class TsScrollWndData;

// A scroll bar's fixed thickness and arrow-button length at 96 PPI; -1 takes the skin's.
class TkvScrollData : public TPersistent {
  TW_CLASS(TkvScrollData, TPersistent)
  explicit TkvScrollData(TsCommonData* aOwner) : FOwner(aOwner) {}
  Integer ScrollWidth() const { return FScrollWidth; }
  Integer ButtonsSize() const { return FButtonsSize; }
  // 0 ScrollWidth (the window's frame is recomputed), 1 ButtonsSize (its frame repainted);
  // a loading window only keeps the value.
  void SetSize(Integer index, Integer value);
  void Invalidate() {}

  Integer FScrollWidth = -1;
  Integer FButtonsSize = -1;
  TsCommonData* FOwner;
};

// The skin data of windows whose scroll bars the engine paints.
class TsScrollWndData : public TsCommonData {
  TW_CLASS(TsScrollWndData, TsCommonData)
  explicit TsScrollWndData(TObject* aOwner, bool createCacheBmp = false);
  ~TsScrollWndData() override;
  std::unique_ptr<TkvScrollData> FVertScrollData;
  std::unique_ptr<TkvScrollData> FHorzScrollData;
};

// Text over the parent: the section's look in that state is more than half transparent and
// its border mask (if any) lets the background through, so the parent's font colours apply.
// False for an index outside the manager's sections, or a control without a parent.
bool NeedParentFont(DuRiruZireziv* skinManager, Integer skinIndex, Integer state, TControl* ctrl);
// The same for the skin data's own section (False with a custom font).
bool NeedParentFont(TsCommonData* skinData, Integer state);

// ---- 3. Colours that need no window ------------------------------------------------------

// The colour of a partly transparent look over its parent: per channel the parent weighted
// by the transparency percent (0..100) and the look by the rest; RGB in, RGB out.
TColor MixWithParent(TColor ownRGB, TColor parentRGB, Integer transparency);
// The section's look for a state: min(state, States - 1, 2); nullptr for an invalid index.
const struct TsGenState* SectionState(TkvSkinData* skinData, Integer skinIndex, Integer state);

// ---- 4. Outer effects -------------------------------------------------------------------

// The owner shows an outer effect always (a provider only when the manager allows outer
// effects).
bool HaveOuterEffects(TsCommonData* skinData);
// A size change needs every child repainted: the background depends on the dimension that
// changed (KVS_REPAINTNEEDH / KVS_REPAINTNEEDV against BGType).
bool FullRepaintOnly(TsCommonData* skinData);

#ifdef _WIN32
#include "ui/Controls.h"

// ---- 2. Common message handling -----------------------------------------------------------

// Passes a message of the owner's window to its skin data first: keeps focus, hover, size,
// redraw locks, DPI, printing and visibility in step and answers the skin commands every
// skinned window shares. True: the owner returns at once; False: the owner handles the message
// (its own skin commands too) and passes it on. False at once without skin data.
bool CommonWndProc(TMessage& message, TsCommonData* skinData);
// The skin commands (SM_ALPHACMD) of CommonWndProc. True without skin data or for another
// message; False for a code it does not handle, and after KV_REMOVESKIN unskinned the owner
// or KV_SETSCALE (the owner does its part too).
bool CommonMessage(TMessage& message, TsCommonData* skinData);
// A KV_REFRESH concerns the control: its manager's, and for all sections, its own or one of
// the auxiliary sections its class paints.
bool RefreshNeeded(TsCommonData* skinData, const TMessage& message);
// The mouse is really inside the owner's visible area (not only over a child window).
bool kvMouseInControl(TsCommonData* sd);
bool ChildBgIsChanged(TsCommonData* skinData);

// Skin commands from elsewhere. Any window can be sent or posted SM_ALPHACMD by any process;
// commands whose LParam is a pointer (or a device context) are obeyed only when they come from
// this thread, and posted commands only for the codes the engine itself posts.
//
// LParam of the code points at a record or string (or is a device context).
bool kvCommandCarriesPointer(Word code);
// The engine posts the code (KV_COPYDATA, KV_SKINCHANGED).
bool kvCommandMayBePosted(Word code);
// The command may be obeyed here: it carries no pointer, or it was sent on this thread (or it
// is being delivered by the engine itself).
bool kvCommandIsTrusted(const TMessage& message);
// The engine delivers a command of its own for the scope: the receiver trusts it even while
// this thread is answering another thread's message.
class TkvOwnDelivery {
 public:
  TkvOwnDelivery(uintptr_t wParam, intptr_t lParam);
  ~TkvOwnDelivery();
  TkvOwnDelivery(const TkvOwnDelivery&) = delete;
  TkvOwnDelivery& operator=(const TkvOwnDelivery&) = delete;
};
// Filters the thread's posted messages from then on: a posted SM_ALPHACMD of a code the engine
// does not post becomes WM_NULL before anyone dispatches it. Installed with the first window
// property on the GUI thread.
void kvGuardPostedCommands();

// ---- 3. Backgrounds, colours and fonts ---------------------------------------------------

// Answers the background query of a child (KV_GETBG) into info; state 1 asks for the hot look.
void InitBGInfo(TsCommonData* skinData, TkvBGInfo* info, Integer state, HWND handle = nullptr);
// The background colour of the owner in a state (RGB while skinned).
TColor GetBGColor(TsCommonData* skinData, Integer state, HWND handle = nullptr);
// The colour the control paints its client background with (KV_GETCONTROLCOLOR), RGB.
TColor GetOwnControlColor(TsCommonData* skinData);
// The parent's background under the owner as the painters take it.
TCacheInfo GetParentCache(TsCommonData* skinData);
TCacheInfo GetParentCacheHwnd(HWND cHwnd);
// Tells the parent that its look under the owner changed.
void InvalidateParentCache(TsCommonData* skinData);
// Skin colours into the owner's Color and Font.Color (edits), with the class background brush.
void UpdateCtrlColors(TsCommonData* skinData, bool redraw);
// The colours of the state the control is in (normal or hot).
void UpdateControlColors(TsCommonData* skinData, bool allowRepaint);
// The colours of state n into the owner when they differ and are not custom; True when
// something changed.
bool ApplyStateColors(TsCommonData* skinData, Integer n);

// The colour of the mouse light over the section in a state: the look's own, or (for a look
// that lets the parent through) the parent's; -1 without skin data or section.
Integer GetLightColor(TsCommonData* skinData, Integer state);

// ---- 4. Outer effects and glowing ---------------------------------------------------------

// Paints the control's outer effect into the parent's bitmap that info describes
// (KV_PAINTOUTER); data bit 0x100 puts the effect on the background saved last time.
void PaintOuter(TsCommonData* skinData, TkvBGInfo* info, Word data);
// Paints the outer effects of ownerCtrl's children into skinData's cache.
void PaintOuterEffects(TsCommonData* skinData, TWinControl* ownerCtrl, const TPoint& offset);

// Hides the hover glow and the light circle of the control (through the effects layer).
void HideGlowAndCircle(TsCommonData* skinData, bool animated = false);
// Shows the hover glow while the mouse is over the control (or hides it).
void ShowGlowingIfNeeded(TsCommonData* skinData, bool clicked = false, HWND ctrlHandle = nullptr,
                         Integer aSkinIndex = -1, bool doAnimation = true, Integer dezev = 0);

// ---- 5. Window properties, font sections, other helpers -----------------------------------

// A length given at 96 PPI scaled for the skin data's owner (the default manager's scale
// without skin data): unchanged while the owner is designed or in smOldMode; in smVCL the
// owner's PPI when calcVCLMode (else unchanged); the custom PPI in smCustomPPI; the scale
// index otherwise. Without any manager: by the application's PPI.
Integer ScaleInt(Integer value, TsCommonData* skinData = nullptr, bool calcVCLMode = true);
// The density a control is drawn at: 96 while it is designed; the density of its per-PPI skin
// data while its manager is active; else the manager's custom density (smCustomPPI), or the
// screen's.
Integer GetPPI(TsCommonData* skinData);

// The engine's window properties ("KVSDATA", "KVSBSC") are written only through
// kvSetWndProp: besides the property, the engine keeps the same link in a table of its own,
// because reading a window property costs a round trip to the window server under Wine
// (8 to 40 us, against 0.2 us for a whole SendMessageW), which would defeat the direct
// delivery of skin commands and make every broadcast crawl.

// Sets (value not null) or removes one of the engine's window properties; name is KVSDATA or
// KVSBSC (the constants themselves: the table tells them apart by address).
void kvSetWndProp(HWND handle, const Char* name, void* value);
// The property's value; null when the window has none or is no window any more.
void* kvGetWndProp(HWND handle, const Char* name);
// Removes every link to value from the table, and the property from each window that still
// holds it: an object that goes leaves no window pointing at it.
void kvForgetWndPropValue(const void* value);

// Sets or removes the window's "KVSDATA" property.
void SetCommonData(HWND handle, TsCommonData* data);
// The section whose font colours the text of ctrl drawn in section defSkinIndex and state:
// the section itself when its look in that state (above 0) is less than 40 % transparent;
// otherwise ctrl is asked (KV_GETFONTINDEX): -1 keeps defSkinIndex, 0 gives -1, any other
// answer the section it wrote (when not negative).
Integer GetFontIndex(TControl* ctrl, Integer defSkinIndex, DuRiruZireziv* skinManager, Integer state);
// The question asked of a control: info->R moves by its position when it has a parent; the
// control's answer (through TrySendMessage when it has a window, else Perform); 0 for -1.
Integer GetFontIndex(TControl* ctrl, TkvPaintInfo* info);
// The same asked of a window.
Integer GetFontIndex(HWND ctrlHandle, TkvPaintInfo* info);
// The text colour of ctrl drawn in section defSkinIndex and state: the control's own with a
// custom font; else the section's (or the one that ctrl and its parents name, as for
// GetFontIndex) while the manager is active, the label colour for no section; without an
// active manager the control's font colour (clWindow without a control).
TColor GetFontColor(TControl* ctrl, Integer defSkinIndex, DuRiruZireziv* skinManager, Integer state,
                    TsCommonData* skinData);
// Pressed content moves by one pixel: no section of the skin data, the manager's
// ShiftContentOnClick, or the section's ShiftOnClick.
bool CanClickShift(Integer skinIndex, TsCommonData* skinData);

// The skin data object of the window; null when it has none.
TsCommonData* GetCommonData(HWND handle);
// The window has skin data, a scroll wrapper, or answers KV_CTRLHANDLED with 1.
bool WndIsSkinned(HWND handle);
// A windowless control or one without a window: its answer to KV_CTRLHANDLED is 1. A windowed
// one: it has skin data (with checkActive, skin data that is Skinned(True)); without, its
// window answers KV_CTRLHANDLED with 1.
bool CtrlIsSkinned(TControl* aControl, bool checkActive);
#endif
