// The skin editor's preview record as the manager receives it. A skin editor sends the record
// (WM_COPYDATA) to a form's provider, which copies it into the default manager's
// PreviewBuffer (CopyPreviewRecord) and posts KV_COPYDATA to the application window; the
// application-window hook then applies it (DuRiruZireziv::ReceiveData).
//
// The record is a wire format: packed, little-endian, 40,773 bytes. Every text field holds
// 8-bit text in the system's ANSI code page and ends at its first zero byte or at the field's
// end, whichever comes first; nothing is read past a field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/sConst.h"
#include "ui/Types.h"

#pragma pack(push, 1)
struct TkvSkinEditorData {
  int32_t Magic;      // KPE_MSG
  char Name1[128];    // the skin's name
  char Name2[128];    // the one section that changed; empty for a whole-skin preview
  char Data1[512];    // the skin's folder
  char Data2[40001];  // the skin's ini text (lines end in CR, LF or CR LF)
};
#pragma pack(pop)
static_assert(sizeof(TkvSkinEditorData) == 40773, "the preview record is a wire format");

// The fields of a record as strings.
struct TkvPreviewFields {
  String SkinName;    // Name1
  String Section;     // Name2
  String SkinFolder;  // Data1
  String SkinText;    // Data2
};

// The bytes of a field before its first zero byte, at most the field's size.
std::string_view PreviewFieldBytes(const char* field, size_t size);
template <size_t N>
std::string_view PreviewFieldBytes(const char (&field)[N]) {
  return PreviewFieldBytes(field, N);
}
// 8-bit text of the system's ANSI code page as a string (natively: Latin-1).
String AnsiBytesToString(std::string_view bytes);
TkvPreviewFields ReadPreviewFields(const TkvSkinEditorData& record);

// Copies a received record into buffer. A block of another size than the record's is not a
// record: buffer is then cleared (its magic 0, so that applying it does nothing) and the
// answer is False.
bool CopyPreviewRecord(TkvSkinEditorData& buffer, const void* data, size_t size);
