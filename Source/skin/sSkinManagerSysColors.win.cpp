// System colour patching (see sSkinManagerSysColors.h).
#include <windows.h>

#include "skin/sSkinManagerSysColors.h"

#include <array>
#include <cstring>
#include <vector>

#include "raster/Pixels.h"
#include "skin/sSkinManager.h"
#include "ui/Forms.h"

namespace {

using GetSysColorFn = DWORD(WINAPI*)(int);
using GetSysColorBrushFn = HBRUSH(WINAPI*)(int);
using CreatePenFn = HPEN(WINAPI*)(int, int, COLORREF);

// One patched function: where it is, how it is patched, and how its real code is reached.
struct TPatch {
  void* proc = nullptr;  // the exported function (import stubs resolved)
  void* replacement = nullptr;
  TkvPatchKind kind = TkvPatchKind::None;
  bool hooked = false;    // the flag: set by the hook routine even when patching failed
  uint8_t saved[6]{};     // entry bytes before an entry jump
  uint8_t savedPad[7]{};  // the five spare bytes and the first two of a hot patch
};

TPatch gGetSysColor, gGetSysColorBrush, gCreatePen;
bool gForceEntryJump = false;

bool WriteCode(void* at, const void* bytes, size_t size) {
  SIZE_T written = 0;
  return WriteProcessMemory(GetCurrentProcess(), at, bytes, size, &written) && written == size;
}

bool ReadCode(const void* at, void* bytes, size_t size) {
  SIZE_T read = 0;
  return ReadProcessMemory(GetCurrentProcess(), at, bytes, size, &read) && read == size;
}

// A five-byte relative jump reaches 2 GiB either way. In a 64-bit process the replacement may
// lie farther from a system library; the jump then goes through a relay allocated within
// reach of it (jmp [rip+0] and the replacement's address). Relays stay for the process's life:
// a thread may still be passing through one after its patch is gone.
#ifdef _WIN64
bool InJumpReach(const uint8_t* next, const void* to) {
  const intptr_t distance = reinterpret_cast<intptr_t>(to) - reinterpret_cast<intptr_t>(next);
  return distance == intptr_t(int32_t(distance));
}

uint8_t* AllocateNear(const uint8_t* place) {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  const uintptr_t granule = info.dwAllocationGranularity;
  const uintptr_t lowest = reinterpret_cast<uintptr_t>(info.lpMinimumApplicationAddress);
  const uintptr_t highest = reinterpret_cast<uintptr_t>(info.lpMaximumApplicationAddress);
  const uintptr_t origin = reinterpret_cast<uintptr_t>(place) & ~(granule - 1);
  auto tryAt = [&](uintptr_t at) -> uint8_t* {
    if (at < lowest || at > highest) return nullptr;
    return static_cast<uint8_t*>(
        VirtualAlloc(reinterpret_cast<void*>(at), info.dwPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE));
  };
  for (uintptr_t offset = granule; offset < 0x7FF00000u; offset += granule) {
    if (offset <= origin)
      if (uint8_t* page = tryAt(origin - offset)) return page;
    if (uint8_t* page = tryAt(origin + offset)) return page;
  }
  return nullptr;
}

struct TRelayPage {
  uint8_t* base;
  size_t used;
};
std::vector<TRelayPage> gRelayPages;
constexpr size_t kRelaySize = 16;  // FF 25 00 00 00 00, the address, two bytes of padding

// Where a jump whose next instruction is at next must go to reach to; nullptr when no relay
// could be placed within reach.
void* ReachableTarget(const uint8_t* next, void* to) {
  if (InJumpReach(next, to)) return to;
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  for (TRelayPage& page : gRelayPages)
    for (size_t at = 0; at < page.used; at += kRelaySize) {
      uint8_t* relay = page.base + at;
      void* target;
      std::memcpy(&target, relay + 6, sizeof target);
      if (target == to && InJumpReach(next, relay)) return relay;
    }
  TRelayPage* page = nullptr;
  for (TRelayPage& candidate : gRelayPages)
    if (candidate.used + kRelaySize <= info.dwPageSize && InJumpReach(next, candidate.base) &&
        InJumpReach(next, candidate.base + info.dwPageSize)) {
      page = &candidate;
      break;
    }
  if (!page) {
    uint8_t* base = AllocateNear(next);
    if (!base) return nullptr;
    page = &gRelayPages.emplace_back(TRelayPage{base, 0});
  }
  uint8_t* relay = page->base + page->used;
  const uint8_t jump[6] = {0xFF, 0x25, 0, 0, 0, 0};
  std::memcpy(relay, jump, sizeof jump);
  std::memcpy(relay + 6, &to, sizeof to);
  page->used += kRelaySize;
  FlushInstructionCache(GetCurrentProcess(), relay, kRelaySize);
  return relay;
}
#else
void* ReachableTarget(const uint8_t*, void* to) { return to; }  // 32 bits: every address is in reach
#endif

// The five bytes of a relative jump at at to to (through a relay where needed); False when to
// cannot be reached.
bool MakeJump(uint8_t (&jump)[5], uint8_t* at, void* to) {
  void* target = ReachableTarget(at + 5, to);
  if (!target) return false;
  jump[0] = 0xE9;
  const int32_t rel = int32_t(reinterpret_cast<intptr_t>(target) - reinterpret_cast<intptr_t>(at + 5));
  std::memcpy(jump + 1, &rel, 4);
  return true;
}

// mov edi,edi at the entry and five bytes of padding (nop or int3) before it.
bool HotPatchable(const uint8_t* entry) {
  uint8_t bytes[7];
  if (!ReadCode(entry - 5, bytes, sizeof bytes)) return false;
  for (int i = 0; i < 5; ++i)
    if (bytes[i] != 0x90 && bytes[i] != 0xCC) return false;
  return bytes[5] == 0x8B && bytes[6] == 0xFF && (reinterpret_cast<uintptr_t>(entry) & 1) == 0;
}

bool ApplyHotPatch(TPatch& p) {
  auto* entry = static_cast<uint8_t*>(p.proc);
  if (!ReadCode(entry - 5, p.savedPad, sizeof p.savedPad)) return false;
  uint8_t jump[5];
  if (!MakeJump(jump, entry - 5, p.replacement)) return false;
  if (!WriteCode(entry - 5, jump, sizeof jump)) return false;
  // The short jump back into the spare bytes replaces mov edi,edi in one aligned store.
  const uint8_t shortJump[2] = {0xEB, 0xF9};
  if (!WriteCode(entry, shortJump, sizeof shortJump)) {
    WriteCode(entry - 5, p.savedPad, 5);
    return false;
  }
  FlushInstructionCache(GetCurrentProcess(), entry - 5, 7);
  return true;
}

void RemoveHotPatch(TPatch& p) {
  auto* entry = static_cast<uint8_t*>(p.proc);
  WriteCode(entry, p.savedPad + 5, 2);  // the entry first: no thread enters the jump after this
  WriteCode(entry - 5, p.savedPad, 5);
  FlushInstructionCache(GetCurrentProcess(), entry - 5, 7);
}

void Hook(TPatch& p, void* proc, void* replacement) {
  if (p.hooked) return;
  p.hooked = true;
  p.proc = kvGetActualAddr(proc);
  p.replacement = replacement;
  if (!gForceEntryJump && HotPatchable(static_cast<uint8_t*>(p.proc))) {
    if (ApplyHotPatch(p)) p.kind = TkvPatchKind::HotPatch;
    return;
  }
  if (kvHookProc(p.proc, replacement, p.saved)) p.kind = TkvPatchKind::EntryJump;
}

void Unhook(TPatch& p) {
  if (!p.hooked) return;
  p.hooked = false;
  if (p.kind == TkvPatchKind::HotPatch)
    RemoveHotPatch(p);
  else
    kvUnhookProc(p.proc, p.saved);
  p.kind = TkvPatchKind::None;
  std::memset(p.saved, 0, sizeof p.saved);
}

// Calls the real function of a patch: past the short jump of a hot patch (the patch stays), or
// with an entry jump taken away meanwhile.
template <class Fn, class... A>
auto CallReal(TPatch& p, A... args) {
  if (p.kind == TkvPatchKind::HotPatch) return reinterpret_cast<Fn>(static_cast<uint8_t*>(p.proc) + 2)(args...);
  const bool patched = p.kind == TkvPatchKind::EntryJump;
  if (patched) kvUnhookProc(p.proc, p.saved);
  auto answer = reinterpret_cast<Fn>(p.proc)(args...);
  if (patched) {
    uint8_t again[6];
    kvHookProc(p.proc, p.replacement, again);
  }
  return answer;
}

TColor Pal(TkvPaletteColors c) { return DefaultManager->Palette[c]; }
TColor Shadow() { return BlendColors(Pal(pcMainColor), 0, 205); }
TColor Light() { return BlendColors(Pal(pcMainColor), 0xFFFFFF, 205); }

bool ActiveFormVisible() {
  TCustomForm* form = Screen ? Screen->ActiveForm() : nullptr;
  return form && form->HandleAllocated() && IsWindowVisible(form->WindowHandle());
}

// One brush per colour of the four answered indexes, made anew only when its colour changed
// (callers of GetSysColorBrush never delete what they get).
struct TBrushCache {
  struct Entry {
    HBRUSH brush = nullptr;
    COLORREF color = 0;
  };
  std::array<Entry, 4> entries;
  HBRUSH Get(size_t slot, COLORREF color) {
    Entry& e = entries[slot];
    if (!e.brush || e.color != color) {
      if (e.brush) DeleteObject(e.brush);
      e.brush = CreateSolidBrush(color);
      e.color = color;
    }
    return e.brush;
  }
  ~TBrushCache() {
    for (Entry& e : entries)
      if (e.brush) DeleteObject(e.brush);
  }
} gBrushes;

DWORD WINAPI kvGetSysColor(int index) {
  if (DefaultManager && ActiveFormVisible()) {
    const Integer color = SkinSysColor(index);
    if (color >= 0) return DWORD(color);
  }
  return CallReal<GetSysColorFn>(gGetSysColor, index);
}

HBRUSH WINAPI kvGetSysColorBrush(int index) {
  if (DefaultManager) {
    switch (index) {
      case COLOR_WINDOW: return gBrushes.Get(0, Pal(pcEditBG));
      case COLOR_WINDOWTEXT: return gBrushes.Get(1, Pal(pcEditText));
      case COLOR_HIGHLIGHT: return gBrushes.Get(2, Pal(pcSelectionBG_Focused));
      case COLOR_HIGHLIGHTTEXT: return gBrushes.Get(3, Pal(pcSelectionText_Focused));
      default: break;
    }
  }
  return CallReal<GetSysColorBrushFn>(gGetSysColorBrush, index);
}

HPEN WINAPI kvCreatePen(int style, int width, COLORREF color) {
  if (DefaultManager) {
    const Integer skin = SkinPenColor(Integer(color));
    if (skin >= 0) color = COLORREF(skin);
  }
  return CallReal<CreatePenFn>(gCreatePen, style, width, color);
}

}  // namespace

Integer SkinSysColor(Integer index) {
  if (!DefaultManager) return -1;
  switch (index) {
    case COLOR_WINDOW: return Pal(pcEditBG);
    case COLOR_WINDOWFRAME: return Pal(pcBorder);
    case COLOR_WINDOWTEXT: return Pal(pcEditText);
    case COLOR_INACTIVEBORDER: return DefaultManager->SkinCommonInfo.SysInactiveBorderColor;
    case COLOR_HIGHLIGHT: return Pal(pcSelectionBG_Focused);
    case COLOR_HIGHLIGHTTEXT: return Pal(pcSelectionText_Focused);
    case COLOR_BTNSHADOW:
    case COLOR_3DDKSHADOW: return Shadow();
    case COLOR_3DLIGHT: return Light();
    default: return -1;
  }
}

Integer SkinPenColor(Integer color) {
  if (!DefaultManager) return -1;
  switch (color) {
    case 5: return Pal(pcEditBG);
    case 6: return Pal(pcBorder);
    case 11: return DefaultManager->SkinCommonInfo.SysInactiveBorderColor;
    case 13: return Pal(pcSelectionBG_Focused);
    case 14: return Pal(pcSelectionText_Focused);
    case 15: return Pal(pcMainColor);
    case 16:
    case 21: return Shadow();
    case 22: return Light();
    case 0xC0C0C0:
    case 0xF0F0F0: return BlendColors(Pal(pcEditText), Pal(pcEditBG), 38);
    default: return -1;
  }
}

void* kvGetActualAddr(void* proc) {
  auto* code = static_cast<uint8_t*>(proc);
  uint8_t head[6];
  if (!proc || !ReadCode(code, head, sizeof head) || head[0] != 0xFF || head[1] != 0x25) return proc;
  int32_t operand;
  std::memcpy(&operand, head + 2, sizeof operand);
#ifdef _WIN64
  // x86-64 addresses the slot relative to the next instruction.
  auto* slot = reinterpret_cast<void**>(code + sizeof head + operand);
#else
  auto* slot = reinterpret_cast<void**>(static_cast<uintptr_t>(static_cast<uint32_t>(operand)));
#endif
  void* target = nullptr;
  return ReadCode(slot, &target, sizeof target) ? target : proc;
}

bool kvHookProc(void* proc, void* newProc, uint8_t (&saved)[6]) {
  void* entry = kvGetActualAddr(proc);
  uint8_t jump[5];
  if (!MakeJump(jump, static_cast<uint8_t*>(entry), newProc) || !ReadCode(entry, saved, sizeof saved)) return false;
  const bool ok = WriteCode(entry, jump, sizeof jump);
  FlushInstructionCache(GetCurrentProcess(), entry, sizeof jump);
  return ok;
}

bool kvUnhookProc(void* proc, const uint8_t (&saved)[6]) {
  if (saved[0] == 0 && saved[1] == 0) return false;
  void* entry = kvGetActualAddr(proc);
  const bool ok = WriteCode(entry, saved, sizeof saved);
  FlushInstructionCache(GetCurrentProcess(), entry, sizeof saved);
  return ok;
}

void UpdateColorsHooks(bool enable) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  HMODULE gdi32 = GetModuleHandleW(L"gdi32.dll");
  if (enable) {
    Hook(gGetSysColor, reinterpret_cast<void*>(GetProcAddress(user32, "GetSysColor")),
         reinterpret_cast<void*>(&kvGetSysColor));
    Hook(gGetSysColorBrush, reinterpret_cast<void*>(GetProcAddress(user32, "GetSysColorBrush")),
         reinterpret_cast<void*>(&kvGetSysColorBrush));
    Hook(gCreatePen, reinterpret_cast<void*>(GetProcAddress(gdi32, "CreatePen")),
         reinterpret_cast<void*>(&kvCreatePen));
  } else {
    Unhook(gGetSysColor);
    Unhook(gGetSysColorBrush);
    Unhook(gCreatePen);
  }
}

TkvPatchKind SysColorPatchKind() { return gGetSysColor.kind; }

void ForceEntryJumpPatches(bool force) {
  if (!gGetSysColor.hooked && !gGetSysColorBrush.hooked && !gCreatePen.hooked) gForceEntryJump = force;
}
