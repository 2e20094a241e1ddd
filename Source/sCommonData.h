// The skin data object of a skinned control or window: the link between its owner and a
// section of the current skin. Found from a window through the window property "KVSDATA".
//
// So far the state that the transport, the background query and the painters read; the
// skin data's own behaviour (section lookup, common message handling) builds on it.
#pragma once

#include "sConst.h"
#include "vcl/Classes.h"
#include "vcl/Messages.h"

class TBitmap;
class TControl;
class TkvSkinData;
class TkvThreadedTimer;
class TkvPaintBorderData;
class DuRiruZireziv;

enum TkvOpaqueMode : Byte { omAuto, omForceOpaque, omAlphaChannel };

// The window property that holds a window's skin data object.
inline constexpr const Char* KVSDATA = u"KVSDATA";
// The window property that holds a window's scroll wrapper.
inline constexpr const Char* KVSBSC = u"KVSBSC";

class TsCommonData : public TPersistent {
  TW_CLASS(TsCommonData, TPersistent)
  explicit TsCommonData(TObject* aOwner);
  ~TsCommonData() override;

  // The control's own manager, else the default manager.
  DuRiruZireziv* GetSkinManager() const;

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
  Integer CurrentPPI = 96;
  TBitmap* FCacheBmp = nullptr;  // owned
#ifdef _WIN32
  HWND FSWHandle = nullptr;
#endif
  TWndMethod WndProc;  // the owner's window procedure from before skinning; unset: no direct calls
  TObject* FOwnerObject = nullptr;
  TkvThreadedTimer* AnimTimer = nullptr;
  Cardinal CtrlSkinState = 0;  // KVS_ bits
  bool BGChanged = true;
  Integer SkinIndex = -1;
  TControl* FOwnerControl = nullptr;
};

#ifdef _WIN32
// The window property "KVSDATA" is written only through SetCommonData: besides the property,
// the engine keeps the same link in a table of its own, because reading a window property
// costs a round trip to the window server under Wine (about 40 us, against 0.2 us for a
// whole SendMessageW), which would defeat the direct delivery of skin commands.

// Sets (data not null) or removes the window's "KVSDATA" property.
void SetCommonData(HWND handle, TsCommonData* data);
// The skin data object of the window; null when it has none or is no window any more.
TsCommonData* GetCommonData(HWND handle);
#endif
