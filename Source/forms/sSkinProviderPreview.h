// The skin editor's link to a running program: the greeting that tells the editor which form
// shows its skin, the record the editor sends back (WM_COPYDATA) and the editor's commands
// (KPE_MSG) that a skinned form answers. Applying a record is the skin manager's work
// (DuRiruZireziv::ReceiveData); this module only decides whether a record is taken and hands
// it over.
//
// A record comes from another process and is trusted for nothing: it is taken only by the
// form that greeted the editor (so only in preview mode), only with WParam 2 and the magic
// KPE_MSG, and only when the sender's block is exactly one record long; a shorter or longer
// block is ignored, never read past its end. Every text field of a taken record ends in a zero
// byte before anyone reads it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "skin/sSkinManagerPreview.h"
#include "ui/SysUtils.h"

// The window caption by which the program finds the editor.
inline constexpr char16_t kvEditorCaption[] = u"Vizavezov Ovidad";
// How often the greeting is sent before the program gives up on an editor that never says yes.
constexpr int kvEditorGreetings = 101;
// The WParam a record must come with.
constexpr uintptr_t kvPreviewCopyWParam = 2;

// What a received block is, as the check sees it.
struct TkvPreviewCopy {
  bool IsPreviewTarget = false;  // the receiving form greeted the editor (preview mode)
  bool CopyInProgress = false;   // a record is being taken right now
  uintptr_t WParam = 0;
  const void* Data = nullptr;  // the sender's block (COPYDATASTRUCT.lpData); null without one
  size_t Size = 0;             // its byte count (COPYDATASTRUCT.cbData)
};

enum TkvPreviewVerdict {
  pvAccepted,
  pvNotPreviewTarget,  // the form is not the one that greeted the editor, or no form did
  pvBusy,
  pvNoData,
  pvWrongWParam,
  pvWrongSize,
  pvWrongMagic,
};

TkvPreviewVerdict CheckPreviewCopy(const TkvPreviewCopy& copy);
// Copies an accepted block into record and ends every text field with a zero byte. False (and
// record untouched) when the check does not accept the block.
bool TakePreviewRecord(const TkvPreviewCopy& copy, TkvSkinEditorData& record);

#ifdef _WIN32
#include <windows.h>

#include "ui/Messages.h"

class TsSkinProvider;

// The greeting, sent when a form is shown: the first form shown in preview mode (the main
// form, or any form while the program has none) tells the editor its window, at most
// kvEditorGreetings times, until the editor answers 1.
void TrySayHelloToEditor(HWND form);
// The provider's WM_COPYDATA handler: the previous procedure first; a record it left
// unanswered is taken into the default manager's preview buffer and KV_COPYDATA is posted to
// the application window, which applies it later. Result 1 when taken.
void KV_WMCopyData(TsSkinProvider& sp, TMessage& m);
// The provider's KPE_MSG handler: close the form, greet back through the previous
// procedure, or answer that the program is alive.
void KV_KPEMSG(TsSkinProvider& sp, TMessage& m);
#endif

// Whether the program was started for the editor: its first parameter (after the program's
// own name) is "/kvpreview", exactly as written; later parameters do not count.
bool IsPreviewStart(const std::vector<String>& params);
