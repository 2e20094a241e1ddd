// The skin data object of a skinned control or window: the link between its owner and a
// section of the current skin. Found from a window through the window property "KVSDATA".
//
// So far the state that the transport, the background query and the painters read; the
// skin data's own behaviour (section lookup, common message handling) builds on it.
#pragma once

#include <memory>

#include "base/SkinDataBase.h"
#include "base/kvThdTimer.h"
#include "base/sConst.h"
#include "ui/Classes.h"
#include "ui/Messages.h"

class TBitmap;
class TControl;
class TkvSkinData;
class TkvPaintBorderData;
class DuRiruZireziv;

enum TkvOpaqueMode : Byte { omAuto, omForceOpaque, omAlphaChannel };

// The window property that holds a window's skin data object.
inline constexpr Char KVSDATA[] = u"KVSDATA";
// The window property that holds a window's scroll wrapper.
inline constexpr Char KVSBSC[] = u"KVSBSC";

class TsCommonData : public TkvSkinDataBase {
  TW_CLASS(TsCommonData, TkvSkinDataBase)
  explicit TsCommonData(TObject* aOwner);
  ~TsCommonData() override;

  // The control's own manager, else the default manager.
  DuRiruZireziv* GetSkinManager() const;
  // The skin data the owner is drawn with: the cached one, else the manager's for CurrentPPI.
  TkvSkinData* GetCommonSkinData();
  // The owner has a manager and a valid section of it and is not being destroyed; with
  // checkSkinActive the manager's skin is also active. False on any exception.
  bool Skinned(bool checkSkinActive = false);
#ifdef _WIN32
  // Marks the background changed and, unless the owner is loading, hidden or being destroyed,
  // has it redrawn (at once with updateNow).
  void Invalidate(bool updateNow = false);
  // ScaleInt(value, this).
  Integer ScaleValue(Integer value) override;
#endif

  TkvSkinData* FCommonSkinData = nullptr;  // not owned
  TkvOpaqueMode FOpaqueMode = omAuto;
  TkvPaintBorderData* FCustomBorder = nullptr;
  bool FCustomFont = false;
  bool FCustomColor = false;
  String FSkinSection;
  DuRiruZireziv* FSkinManager = nullptr;
  TColor FColorTone = clNone;
  bool FUpdating = false;
  Byte COC = 0;
  Byte TranspMode = 0;  // TM_OPAQUE, TM_PARTIAL, TM_FULL
  Integer GlowID = -1;
  Integer CircleID = -1;
  Integer PPIIndex = -1;
  Integer FHUEOffset = 0;
  Integer FSaturation = 0;
  std::unique_ptr<TBitmap> FCacheBmp;  // the owner's rendered look; none before the first paint
  TkvOwnedTimer AnimTimer{this};       // the state-change fade
#ifdef _WIN32
  HWND FSWHandle = nullptr;
#endif
  TWndMethod WndProc;  // the owner's window procedure from before skinning; unset: no direct calls
  TObject* FOwnerObject = nullptr;
  Cardinal CtrlSkinState = 0;  // KVS_ bits
  bool BGChanged = true;
  bool FMouseAbove = false;  // the mouse is over the owner
  Integer SkinIndex = -1;
};

// Set while a new skin travels to the controls: they take it without painting and repaint
// once afterwards.
extern bool RestrictDrawing;

// Text over the parent: the section's look in that state is more than half transparent and
// its border mask (if any) lets the background through, so the parent's font colours apply.
// False for an index outside the manager's sections, or a control without a parent.
bool NeedParentFont(DuRiruZireziv* skinManager, Integer skinIndex, Integer state, TControl* ctrl);

#ifdef _WIN32
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
