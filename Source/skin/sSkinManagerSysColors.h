// Patching of GetSysColor, GetSysColorBrush and CreatePen inside the process while the default
// manager's option ChangeSysColors is set, so that code asking Windows for system colours
// paints in the skin's palette.
//
// A patch stays in place while it is in force. A function that begins with the hot-patch
// prologue (mov edi,edi with five spare bytes before it, as the system's exported functions
// are built) gets a long jump in the spare bytes and a two-byte short jump over its first
// instruction, written in one aligned store; the replacement reaches the real function at
// its second instruction, so every thread sees either the old or the new entry and no call is
// ever lost. A function without that prologue gets a five-byte jump at its entry, which the
// replacement takes away around each call of the real function (not safe against other
// threads calling it meanwhile).
#pragma once

#include <cstdint>

#include "ui/Types.h"

enum class TkvPatchKind : uint8_t { None, HotPatch, EntryJump };

// Patches (true) or restores (false) the three functions; repeated calls are harmless.
void UpdateColorsHooks(bool enable);
// How GetSysColor is patched now (None while unpatched).
TkvPatchKind SysColorPatchKind();
// Makes every later patch an entry jump even where a hot patch could be used (the benchmark
// compares both); only while nothing is patched.
void ForceEntryJumpPatches(bool force);

// Where a patch goes: the target of an import stub (FF 25 and the slot's address; on x86-64
// the slot's distance from the next instruction), otherwise proc itself.
void* kvGetActualAddr(void* proc);
// The entry-jump patch: saves the six bytes at proc's entry and writes a relative jump to
// newProc; False when reading fails (then nothing is written) or writing fails.
bool kvHookProc(void* proc, void* newProc, uint8_t (&saved)[6]);
// Writes saved bytes back; False when nothing was saved (first two bytes 0) or writing fails.
bool kvUnhookProc(void* proc, const uint8_t (&saved)[6]);

// The palette answers of the replacements (the colour a system colour index or a CreatePen
// colour value becomes), -1 where the real function answers.
Integer SkinSysColor(Integer index);
Integer SkinPenColor(Integer color);
